// SPDX-License-Identifier: GPL-3.0-or-later
// Any day from the main window: the date button of the "Food Log" frame with its calendar
// popover and Ctrl+D, and the notification of a food logged on another day than the one shown.
#include "ui/day-picker.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/object-keys.h"
#include "ui/quick-log.h"

namespace {

class DayPickerTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  std::string Shown(const char *date) {
    char text[DISPLAY_DATE_SIZE];
    return view_date_text(date, text);
  }

  std::string ButtonText() {
    std::vector<std::string> texts = label_texts(day_picker_button(&state_));
    return texts.empty() ? "" : texts[0];
  }

  GtkWidget *Popover() {
    return GTK_WIDGET(gtk_menu_button_get_popover(GTK_MENU_BUTTON(day_picker_button(&state_))));
  }

  GtkWidget *Calendar() { return day_picker_calendar(&state_); }

  bool NoticeShown() {
    return gtk_revealer_get_reveal_child(GTK_REVEALER(quick_log_notification(&state_)));
  }

  // The notification's button labelled |label|, when it is on show.
  GtkWidget *NoticeButton(const char *label) {
    GtkWidget *button = find_button(quick_log_notification(&state_), label);
    return button && gtk_widget_get_visible(button) ? button : nullptr;
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(DayPickerTest, TheDateButtonGoesToAnyDayLoggedOrNot) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-03", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-05", 1.0));
  Activate();
  // After the specified buttons of the nav row, labelled with the date on display.
  GtkWidget *button = day_picker_button(&state_);
  ASSERT_NE(nullptr, button);
  GtkWidget *nav = gtk_widget_get_parent(button);
  GList *children = gtk_container_get_children(GTK_CONTAINER(nav));
  EXPECT_EQ(button, g_list_nth_data(children, 3));
  EXPECT_STREQ("▶", gtk_button_get_label(GTK_BUTTON(g_list_nth_data(children, 2))));
  g_list_free(children);
  EXPECT_EQ(Shown(today_), ButtonText());
  EXPECT_STREQ("Go to a date", atk_object_get_name(gtk_widget_get_accessible(button)));

  // Ctrl+D opens the calendar on the date on display.
  send_key(state_.main_window, GDK_KEY_d, GDK_CONTROL_MASK);
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)));
  EXPECT_TRUE(wait_until([&] { return gtk_widget_get_mapped(Popover()); }));
  char date[DATE_STRING_SIZE];
  calendar_date_string(Calendar(), date);
  EXPECT_STREQ(today_, date);
  // The keyboard is in the calendar: the arrows move its day by a day or a week, Page Up
  // and Page Down by a month, and none of them picks; Enter shows the day.
  EXPECT_EQ(Calendar(), gtk_window_get_focus(GTK_WINDOW(state_.main_window)));
  const struct {
    guint key;
    const char *date;
  } moves[] = {{GDK_KEY_Page_Up, "2026-11-08"}, {GDK_KEY_Left, "2026-11-07"},
               {GDK_KEY_Up, "2026-10-31"},      {GDK_KEY_Right, "2026-11-01"},
               {GDK_KEY_Page_Down, "2026-12-01"}, {GDK_KEY_Down, "2026-12-08"},
               {GDK_KEY_Page_Up, "2026-11-08"}};
  if (strcmp(today_, "2026-12-08") == 0) {  // the dates above count from that day
    for (const auto &move : moves) {
      send_key(state_.main_window, move.key);
      calendar_date_string(Calendar(), date);
      EXPECT_STREQ(move.date, date) << gdk_keyval_name(move.key);
      EXPECT_STREQ(today_, state_.current_date);
    }
  } else {
    send_key(state_.main_window, GDK_KEY_Page_Up);
  }
  calendar_date_string(Calendar(), date);
  const std::string moved = date;
  send_key(state_.main_window, GDK_KEY_Return);
  drain_events();
  EXPECT_EQ(moved, state_.current_date);
  EXPECT_NE(today_, moved);
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)));
  // Opened again, it shows the day on display.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  drain_events();
  calendar_date_string(Calendar(), date);
  EXPECT_STREQ(state_.current_date, date);
  // Another month, as its arrows go: nothing is picked yet, and the logged days are marked.
  const std::string before = state_.current_date;
  gtk_calendar_select_month(GTK_CALENDAR(Calendar()), 0, 2024);
  drain_events();
  EXPECT_EQ(before, state_.current_date);
  EXPECT_TRUE(gtk_calendar_get_day_is_marked(GTK_CALENDAR(Calendar()), 3));
  EXPECT_TRUE(gtk_calendar_get_day_is_marked(GTK_CALENDAR(Calendar()), 5));
  EXPECT_FALSE(gtk_calendar_get_day_is_marked(GTK_CALENDAR(Calendar()), 4));

  // A day without entries is picked: it is shown, and the popover closes.
  gtk_calendar_select_day(GTK_CALENDAR(Calendar()), 4);
  drain_events();
  EXPECT_STREQ("2024-01-04", state_.current_date);
  EXPECT_EQ(Shown("2024-01-04"), ButtonText());
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)));
  EXPECT_NE(std::string::npos,
            std::string(gtk_frame_get_label(GTK_FRAME(state_.log_frame))).find(Shown("2024-01-04")));
  // The arrows step between logged days from there, as specified; Today comes back.
  gtk_button_clicked(GTK_BUTTON(find_button(state_.log_frame, "Today")));
  drain_events();
  EXPECT_EQ(Shown(today_), ButtonText());

  // Opened again, the calendar is back on the date on display, not where it was left.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  drain_events();
  calendar_date_string(Calendar(), date);
  EXPECT_STREQ(today_, date);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), FALSE);
  drain_events();
  EXPECT_STREQ(today_, state_.current_date);
}

TEST_F(DayPickerTest, LoggingToAnotherDayTellsWhereAndShowsIt) {
  Activate();
  const char *other = "2024-02-29";
  GtkWidget *dialog = open_add_dialog(&state_, 63107010, "Banana, raw");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *calendar = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR));
  ASSERT_TRUE(calendar_select_date(calendar, other));
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();
  EXPECT_STREQ(today_, state_.current_date);  // the view stays where it was
  ASSERT_TRUE(NoticeShown());
  std::vector<std::string> texts = label_texts(quick_log_notification(&state_));
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("“Banana, raw” logged on " + Shown(other), texts[0]);
  EXPECT_EQ(nullptr, NoticeButton("Undo"));
  GtkWidget *show = NoticeButton("Show");
  ASSERT_NE(nullptr, show);
  gtk_button_clicked(GTK_BUTTON(show));
  drain_events();
  EXPECT_STREQ(other, state_.current_date);
  EXPECT_FALSE(NoticeShown());

  // Logged to the day on display: nothing to tell, the row is there.
  dialog = open_add_dialog(&state_, 63107010, "Banana, raw");
  ASSERT_NE(nullptr, dialog);
  calendar = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR));
  ASSERT_TRUE(calendar_select_date(calendar, other));
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();
  EXPECT_FALSE(NoticeShown());
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, other, &entries));
  EXPECT_EQ(2u, entries.count);
  log_entry_list_free(&entries);

  // The next quick log's notification offers Undo again, not Show.
  GtkWidget *field = quick_log_field(&state_);
  gtk_widget_grab_focus(field);
  gtk_entry_set_text(GTK_ENTRY(field), "banana");
  drain_events();
  send_key(field, GDK_KEY_Return);
  ASSERT_TRUE(NoticeShown());
  EXPECT_NE(nullptr, NoticeButton("Undo"));
  EXPECT_EQ(nullptr, NoticeButton("Show"));
}

}  // namespace
