// SPDX-License-Identifier: GPL-3.0-or-later
// The application object, the main window with its header bar, budget and log frames,
// and the About message.
#include "app/main-window.h"

#include "config.h"

#include <cstdio>

#include "app/shortcuts.h"
#include "i18n.h"
#include "store/log-db.h"
#include "ui/budget-view.h"
#include "ui/day-follow.h"
#include "ui/day-picker.h"
#include "ui/held-keys.h"
#include "ui/nutrients-window.h"
#include "ui/object-keys.h"
#include "ui/profile-dialog.h"
#include "ui/quick-log.h"
#include "ui/quick-log-own.h"
#include "ui/search-dialog.h"
#include "ui/weight-view.h"

namespace {

// Connects a "clicked" handler with the GuiState as user data.
void connect_clicked(GtkWidget *button, GCallback handler, GuiState *state) {
  g_signal_connect_data(button, "clicked", handler, state, nullptr, GConnectFlags(0));
}

// The window is gone: nothing may draw into its widgets any more.
void on_main_window_destroy(GtkWidget *window, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  if (state->main_window != window) return;
  state->main_window = nullptr;
  state->budget_box = nullptr;
  state->log_list_box = nullptr;
  state->budget_label = nullptr;
  state->log_frame = nullptr;
  for (GtkWidget *&bar : state->group_bars) bar = nullptr;
  state->energy_bar = nullptr;
}

// The primary menu button, with the window's actions that have no button of their own.
GtkWidget *build_primary_menu() {
  GMenu *menu = g_menu_new();
  GMenu *views = g_menu_new();
  g_menu_append(views, _("Nutrients"), "win.nutrients");
  g_menu_append(views, _("History"), "win.history");
  g_menu_append(views, _("Fill the Day"), "win.fill-day");
  g_menu_append(views, _("My Foods"), "win.my-foods");
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(views));
  g_object_unref(views);
  GMenu *help = g_menu_new();
  g_menu_append(help, _("Keyboard Shortcuts"), "win.shortcuts");
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(help));
  g_object_unref(help);

  GtkWidget *button = gtk_menu_button_new();
  gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(button), G_MENU_MODEL(menu));
  g_object_unref(menu);
  gtk_button_set_image(GTK_BUTTON(button),
                       gtk_image_new_from_icon_name("open-menu-symbolic", GTK_ICON_SIZE_BUTTON));
  // Translators: the tooltip and spoken name of the menu button at the end of the header bar
  gtk_widget_set_tooltip_text(button, _("Main Menu"));
  atk_object_set_name(gtk_widget_get_accessible(button), _("Main Menu"));
  return button;
}

GtkWidget *build_header_bar(GuiState *state) {
  GtkWidget *header = gtk_header_bar_new();
  gtk_header_bar_set_title(GTK_HEADER_BAR(header), _("Alimora"));
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(header), TRUE);

  GtkWidget *search = gtk_button_new_with_label(_("Search"));
  gtk_header_bar_pack_start(GTK_HEADER_BAR(header), search);
  GtkWidget *about = gtk_button_new_with_label(_("About"));
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header), about);
  GtkWidget *profile = gtk_button_new_with_label(_("Profile"));
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header), profile);
  GtkWidget *menu = build_primary_menu();
  gtk_header_bar_pack_end(GTK_HEADER_BAR(header), menu);
  // F10 opens it (shortcuts.cc).
  g_object_set_data(G_OBJECT(state->main_window), KEY_PRIMARY_MENU, menu);

  gtk_window_set_titlebar(GTK_WINDOW(state->main_window), header);

  connect_clicked(search, G_CALLBACK(on_search_clicked), state);
  connect_clicked(about, G_CALLBACK(on_about_clicked), state);
  connect_clicked(profile, G_CALLBACK(show_profile_dialog), state);
  return header;
}

void set_margins(GtkWidget *widget, int start, int end, int top, int bottom) {
  gtk_widget_set_margin_start(widget, start);
  gtk_widget_set_margin_end(widget, end);
  gtk_widget_set_margin_top(widget, top);
  gtk_widget_set_margin_bottom(widget, bottom);
}

GtkWidget *build_budget_frame(GuiState *state) {
  GtkWidget *frame = gtk_frame_new(_("Daily Budget"));
  state->budget_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  set_margins(state->budget_box, 8, 8, 4, 8);
  gtk_container_add(GTK_CONTAINER(frame), state->budget_box);

  char text[128];
  snprintf(text, sizeof text, _("USDA Healthy US-Style Eating Pattern (%d kcal)"),
           state->calorie_target);
  state->budget_label = gtk_label_new(text);
  gtk_widget_set_halign(state->budget_label, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(state->budget_box), state->budget_label, FALSE, FALSE, 2);

  for (GtkWidget *&bar : state->group_bars) {
    bar = gtk_progress_bar_new();
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
    gtk_widget_set_hexpand(bar, TRUE);
  }
  for (GtkWidget *bar : state->group_bars)
    gtk_box_pack_start(GTK_BOX(state->budget_box), bar, FALSE, FALSE, 2);

  state->energy_bar = gtk_progress_bar_new();
  gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(state->energy_bar), TRUE);
  gtk_widget_set_hexpand(state->energy_bar, TRUE);
  gtk_box_pack_start(GTK_BOX(state->budget_box), state->energy_bar, FALSE, FALSE, 2);
  return frame;
}

GtkWidget *build_log_frame(GuiState *state) {
  state->log_frame = gtk_frame_new(_("Food Log"));
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_container_add(GTK_CONTAINER(state->log_frame), box);

  GtkWidget *nav = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
  set_margins(nav, 8, 8, 4, 0);
  gtk_box_pack_start(GTK_BOX(box), nav, FALSE, FALSE, 0);
  GtkWidget *prev = gtk_button_new_with_label("◀");
  GtkWidget *today = gtk_button_new_with_label(_("Today"));
  GtkWidget *next = gtk_button_new_with_label("▶");
  // The arrows say nothing to a screen reader by themselves.
  atk_object_set_name(gtk_widget_get_accessible(prev), _("Previous logged date"));
  atk_object_set_name(gtk_widget_get_accessible(next), _("Next logged date"));
  connect_clicked(prev, G_CALLBACK(on_prev_date_clicked), state);
  connect_clicked(today, G_CALLBACK(on_today_clicked), state);
  connect_clicked(next, G_CALLBACK(on_next_date_clicked), state);
  gtk_box_pack_start(GTK_BOX(nav), prev, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(nav), today, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(nav), next, FALSE, FALSE, 0);
  day_picker_add(state, nav);

  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  // A day longer than the window shows its scroll bar, not one that appears only while the
  // pointer moves over it, so that it is plain that the list goes on.
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scrolled), FALSE);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);
  state->log_list_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  set_margins(state->log_list_box, 8, 8, 4, 4);
  gtk_container_add(GTK_CONTAINER(scrolled), state->log_list_box);
  return state->log_frame;
}

}  // namespace

void on_activate(GtkApplication *application, gpointer data) {
  auto *state = static_cast<GuiState *>(data);

  // A second launch reaches the running instance: show the window it already has.
  if (state->main_window) {
    gtk_window_present(GTK_WINDOW(state->main_window));
    return;
  }

  date_today(state->current_date);

  // The installed icon, for window lists and the task switcher.
  gtk_window_set_default_icon_name(APPLICATION_ID);
  state->main_window = gtk_application_window_new(application);
  window_ignore_held_enter(state->main_window);
  gtk_window_set_title(GTK_WINDOW(state->main_window), _("Alimora"));
  gtk_window_set_default_size(GTK_WINDOW(state->main_window), 700, 550);
  g_signal_connect(state->main_window, "destroy", G_CALLBACK(on_main_window_destroy), state);
  day_follow_install(state);

  build_header_bar(state);
  shortcuts_install(application, state);

  GtkWidget *main_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  set_margins(main_box, 12, 12, 12, 12);
  gtk_box_pack_start(GTK_BOX(main_box), build_budget_frame(state), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(main_box), build_log_frame(state), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(main_box), weight_view_build(state), FALSE, FALSE, 0);
  GtkWidget *overlay = quick_log_install(state, main_box);
  quick_log_own_install(state);
  weight_view_install_offer(state, overlay);
  gtk_container_add(GTK_CONTAINER(state->main_window), overlay);

  refresh_views(state);

  Profile profile;
  int result = profile_load(state->log_db, &profile);
  if (!profile_is_complete(result, &profile)) show_profile_dialog(nullptr, state);
  profile_clear(&profile);

  gtk_widget_show_all(state->main_window);
  nutrients_window_prepare(state);
}

void on_about_clicked(GtkButton *, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  char text[512];
  snprintf(text, sizeof text,
           _("Alimora %s\n"
             "https://github.com/alimora/alimora\n"
             "\n"
             "Copyright © 2026 The Alimora developers.\n"
             "Alimora is free software under the GNU General Public License,\n"
             "version 3 or later, and comes with ABSOLUTELY NO WARRANTY.\n"
             "Food data: USDA FNDDS and FPED 2017-2018, public domain."),
           "0.33");
  GtkWidget *dialog = gtk_message_dialog_new(
      GTK_WINDOW(state->main_window), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_INFO, GTK_BUTTONS_CLOSE, "%s", text);
  gtk_window_set_title(GTK_WINDOW(dialog), _("About Alimora"));
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show_all(dialog);
}

int run_application(sqlite3 *food_db, sqlite3 *log_db, int32_t calorie_target, int argc,
                    char **argv) {
  GuiState state{};
  state.food_db = food_db;
  state.log_db = log_db;
  state.calorie_target = calorie_target;

  GtkApplication *application = gtk_application_new(APPLICATION_ID, G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect_data(application, "activate", G_CALLBACK(on_activate), &state, nullptr,
                        GConnectFlags(0));
  int status = g_application_run(G_APPLICATION(application), argc, argv);
  g_object_unref(application);
  return status;
}
