// SPDX-License-Identifier: GPL-3.0-or-later
// The date button of the "Food Log" frame and its calendar popover.
#include "ui/day-picker.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "i18n.h"
#include "store/log-entries.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"

namespace {

// The day picker of one main window; object data of the window, freed with it.
struct DayPicker {
  GuiState *state = nullptr;
  GtkWidget *button = nullptr;
  GtkWidget *label = nullptr;
  GtkWidget *popover = nullptr;
  GtkWidget *calendar = nullptr;
  // The calendar moves by the program's hand (to the date on display) or through its own
  // month arrows, whose "day-selected" comes before they return: no pick either way. A click
  // on a day of the next or previous month changes the month first, then picks the day.
  int moving = 0;
  bool month_changed = false;
  guint month_idle = 0;
  std::vector<std::string> logged;  // the dates with entries, read when the popover opens
};

void day_picker_free(gpointer data) {
  auto *picker = static_cast<DayPicker *>(data);
  if (picker->month_idle) g_source_remove(picker->month_idle);
  delete picker;
}

gboolean on_month_settled(gpointer data) {
  auto *picker = static_cast<DayPicker *>(data);
  picker->month_changed = false;
  picker->month_idle = 0;
  return G_SOURCE_REMOVE;
}

DayPicker *picker_of(GuiState *state) {
  if (!state || !state->main_window) return nullptr;
  return static_cast<DayPicker *>(g_object_get_data(G_OBJECT(state->main_window), KEY_DAY_PICKER));
}

// Marks the days of the calendar's month that have entries.
void mark_logged_days(DayPicker *picker) {
  GtkCalendar *calendar = GTK_CALENDAR(picker->calendar);
  gtk_calendar_clear_marks(calendar);
  guint year = 0, month = 0;
  gtk_calendar_get_date(calendar, &year, &month, nullptr);
  char prefix[16];
  snprintf(prefix, sizeof prefix, "%04u-%02u-", year, month + 1);
  for (const std::string &date : picker->logged) {
    unsigned day = 0;
    if (date.compare(0, 8, prefix) == 0 && sscanf(date.c_str() + 8, "%u", &day) == 1 && day >= 1 &&
        day <= 31)
      gtk_calendar_mark_day(calendar, day);
  }
}

// The popover opens: the calendar shows the date on display and the days logged.
void on_picker_toggled(GtkToggleButton *button, gpointer data) {
  run_guarded("on_picker_toggled", [&] {
    auto *picker = static_cast<DayPicker *>(data);
    if (!gtk_toggle_button_get_active(button) || !picker->calendar) return;
    picker->logged.clear();
    DateList dates{nullptr, 0, 0};
    if (log_dates(picker->state->log_db, &dates) == 0)  // a failure marks nothing
      for (size_t i = 0; i < dates.count; i++) picker->logged.emplace_back(dates.items[i]);
    date_list_free(&dates);
    picker->moving++;
    calendar_select_date(picker->calendar, picker->state->current_date);
    picker->moving--;
    picker->month_changed = false;
    mark_logged_days(picker);
  });
}

// The popover is on screen: the keyboard goes to the calendar.
void on_popover_mapped(GtkWidget *, gpointer data) {
  auto *picker = static_cast<DayPicker *>(data);
  if (picker->calendar) gtk_widget_grab_focus(picker->calendar);
}

void on_month_changed(GtkCalendar *, gpointer data) {
  run_guarded("on_month_changed", [&] {
    auto *picker = static_cast<DayPicker *>(data);
    if (!picker->moving) {
      picker->month_changed = true;
      if (!picker->month_idle) picker->month_idle = g_idle_add(on_month_settled, picker);
    }
    mark_logged_days(picker);
  });
}

// Shows the calendar's day and closes the popover.
void show_picked_day(DayPicker *picker) {
  GuiState *state = picker->state;
  char date[DATE_STRING_SIZE];
  calendar_date_string(picker->calendar, date);
  gtk_popover_popdown(GTK_POPOVER(picker->popover));
  // The button follows the popover once it has gone; it may still be going from before.
  if (picker->button) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(picker->button), FALSE);
  if (strcmp(date, state->current_date) != 0) view_show_date(state, date);
  if (picker->button) gtk_widget_grab_focus(picker->button);  // where the keyboard was
}

// The keyboard moves the calendar's day, which GtkCalendar's own keys do not (they move a
// focus that starts nowhere): the arrows by a day or a week, Page Up and Page Down by a
// month; Enter or Space shows the day.
gboolean on_calendar_key_press(GtkWidget *, GdkEventKey *event, gpointer data) {
  auto *picker = static_cast<DayPicker *>(data);
  gboolean handled = FALSE;
  run_guarded("on_calendar_key_press", [&] {
    if ((event->state & gtk_accelerator_get_default_mod_mask()) != 0) return;
    int days = 0, months = 0;
    switch (event->keyval) {
      case GDK_KEY_Left: case GDK_KEY_KP_Left: days = -1; break;
      case GDK_KEY_Right: case GDK_KEY_KP_Right: days = 1; break;
      case GDK_KEY_Up: case GDK_KEY_KP_Up: days = -7; break;
      case GDK_KEY_Down: case GDK_KEY_KP_Down: days = 7; break;
      case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: months = -1; break;
      case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: months = 1; break;
      case GDK_KEY_Return: case GDK_KEY_KP_Enter: case GDK_KEY_ISO_Enter: case GDK_KEY_space:
      case GDK_KEY_KP_Space:
        show_picked_day(picker);
        handled = TRUE;
        return;
      default:
        return;
    }
    guint year = 0, month = 0, day = 0;
    gtk_calendar_get_date(GTK_CALENDAR(picker->calendar), &year, &month, &day);
    if (!g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month + 1),
                          static_cast<GDateYear>(year)))
      return;
    GDate *when = g_date_new_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month + 1),
                                 static_cast<GDateYear>(year));
    if (days > 0) g_date_add_days(when, static_cast<guint>(days));
    if (days < 0 && g_date_get_julian(when) > static_cast<guint32>(-days))
      g_date_subtract_days(when, static_cast<guint>(-days));
    if (months > 0 && g_date_get_year(when) < 9999) g_date_add_months(when, 1);
    if (months < 0 && (g_date_get_year(when) > 1 || g_date_get_month(when) > 1))
      g_date_subtract_months(when, 1);
    char date[32];
    if (g_date_get_year(when) <= 9999) {
      snprintf(date, sizeof date, "%04u-%02u-%02u", g_date_get_year(when), g_date_get_month(when),
               g_date_get_day(when));
      picker->moving++;
      calendar_select_date(picker->calendar, date);
      picker->moving--;
    }
    g_date_free(when);
    handled = TRUE;
  });
  return handled;
}

void on_go_to_date_activated(GSimpleAction *, GVariant *, gpointer data) {
  run_guarded("on_go_to_date_activated", [&] {
    DayPicker *picker = picker_of(static_cast<GuiState *>(data));
    if (!picker || !picker->button) return;
    gtk_window_present(GTK_WINDOW(picker->state->main_window));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(picker->button), TRUE);
  });
}

void on_picker_window_destroy(GtkWidget *, gpointer data) {
  auto *picker = static_cast<DayPicker *>(data);
  picker->button = picker->label = picker->popover = picker->calendar = nullptr;
}

const GActionEntry day_picker_actions[] = {
    {"go-to-date", on_go_to_date_activated, nullptr, nullptr, nullptr, {}},
};

}  // namespace

void day_picker_add(GuiState *state, GtkWidget *nav) {
  auto *picker = new DayPicker;
  picker->state = state;
  g_object_set_data_full(G_OBJECT(state->main_window), KEY_DAY_PICKER, picker, day_picker_free);
  g_signal_connect(state->main_window, "destroy", G_CALLBACK(on_picker_window_destroy), picker);

  picker->button = gtk_menu_button_new();
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_box_pack_start(GTK_BOX(box),
                     gtk_image_new_from_icon_name("x-office-calendar-symbolic", GTK_ICON_SIZE_BUTTON),
                     FALSE, FALSE, 0);
  picker->label = gtk_label_new(nullptr);
  gtk_box_pack_start(GTK_BOX(box), picker->label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box),
                     gtk_image_new_from_icon_name("pan-down-symbolic", GTK_ICON_SIZE_BUTTON), FALSE,
                     FALSE, 0);
  gtk_container_add(GTK_CONTAINER(picker->button), box);
  // Translators: tooltip of the date button of the Food Log frame
  gtk_widget_set_tooltip_text(picker->button, _("Go to any date"));
  atk_object_set_name(gtk_widget_get_accessible(picker->button), _("Go to a date"));

  picker->popover = gtk_popover_new(picker->button);
  picker->calendar = gtk_calendar_new();
  g_object_set(picker->calendar, "margin", 6, nullptr);
  gtk_container_add(GTK_CONTAINER(picker->popover), picker->calendar);
  gtk_widget_show(picker->calendar);
  gtk_menu_button_set_popover(GTK_MENU_BUTTON(picker->button), picker->popover);
  gtk_box_pack_start(GTK_BOX(nav), picker->button, FALSE, FALSE, 0);

  connect_signal(picker->button, "toggled", G_CALLBACK(on_picker_toggled), picker);
  g_signal_connect_after(picker->popover, "map", G_CALLBACK(on_popover_mapped), picker);
  connect_signal(picker->calendar, "month-changed", G_CALLBACK(on_month_changed), picker);
  connect_signal(picker->calendar, "day-selected", G_CALLBACK(on_day_picked), state);
  connect_signal(picker->calendar, "key-press-event", G_CALLBACK(on_calendar_key_press), picker);
  g_action_map_add_action_entries(G_ACTION_MAP(state->main_window), day_picker_actions,
                                  G_N_ELEMENTS(day_picker_actions), state);
}

void day_picker_view_changed(GuiState *state, const char *date_text) {
  DayPicker *picker = picker_of(state);
  if (!picker || !picker->label) return;
  gtk_label_set_text(GTK_LABEL(picker->label), date_text ? date_text : "");
}

GtkWidget *day_picker_button(GuiState *state) {
  DayPicker *picker = picker_of(state);
  return picker ? picker->button : nullptr;
}

GtkWidget *day_picker_calendar(GuiState *state) {
  DayPicker *picker = picker_of(state);
  return picker ? picker->calendar : nullptr;
}

void on_day_picked(GtkCalendar *, gpointer data) {
  run_guarded("on_day_picked", [&] {
    auto *state = static_cast<GuiState *>(data);
    DayPicker *picker = picker_of(state);
    if (!picker || !picker->calendar || picker->moving) return;
    // The day that the month arrows leave selected is no pick; a click on a day is.
    if (picker->month_changed) {
      picker->month_changed = false;
      return;
    }
    show_picked_day(picker);
  });
}
