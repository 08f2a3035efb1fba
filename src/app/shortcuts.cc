// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard shortcuts: the actions behind them, their accelerators and the Keyboard Shortcuts
// window. Every action runs the handler of the button that does the same.
#include "app/shortcuts.h"

#include "i18n.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/fill-window.h"
#include "ui/history-window.h"
#include "ui/my-foods-window.h"
#include "ui/nutrients-window.h"
#include "ui/object-keys.h"
#include "ui/profile-dialog.h"
#include "ui/search-dialog.h"

namespace {

enum ShortcutGroup { GROUP_FOODS, GROUP_DATES, GROUP_DIALOGS, GROUP_APPLICATION, GROUP_COUNT };

const char *const group_titles[GROUP_COUNT] = {
    // Translators: a group of the Keyboard Shortcuts window
    N_("Foods"),
    // Translators: a group of the Keyboard Shortcuts window
    N_("Dates"),
    // Translators: a group of the Keyboard Shortcuts window
    N_("Dialogs"),
    // Translators: a group of the Keyboard Shortcuts window
    N_("Application"),
};

// One line of the Keyboard Shortcuts window; |action| is null for keys that the dialogs
// handle themselves.
struct Shortcut {
  const char *action;
  const char *accelerator;
  ShortcutGroup group;
  const char *title;
};

const Shortcut shortcuts[] = {
    {"win.search", "<Primary>f", GROUP_FOODS, N_("Search foods")},
    {nullptr, "Down", GROUP_FOODS, N_("From the search field to the results")},
    {nullptr, "Return", GROUP_FOODS, N_("Open the selected food, or the first one")},
    {"win.quick-log", "<Primary>l", GROUP_FOODS, N_("Log a food")},
    {nullptr, "Return", GROUP_FOODS, N_("Log the suggested food again, as last time")},
    {nullptr, "<Shift>Return", GROUP_FOODS, N_("Open the suggested food to choose the amount")},
    {nullptr, "Down", GROUP_FOODS, N_("In the empty field: the foods logged last")},
    {"win.undo", "<Primary>z", GROUP_FOODS, N_("Undo the last quick log or copy")},
    {"win.redo", "<Primary><Shift>z", GROUP_FOODS, N_("Redo what Undo took back")},
    {"win.weight", "<Primary>m", GROUP_FOODS, N_("Log a weight")},
    {"win.previous-date", "<Alt>Left", GROUP_DATES, N_("Previous logged date")},
    {"win.next-date", "<Alt>Right", GROUP_DATES, N_("Next logged date")},
    {"win.today", "<Alt>Home", GROUP_DATES, N_("Today")},
    {"win.go-to-date", "<Primary>d", GROUP_DATES, N_("Go to a date")},
    {nullptr, "<Alt>Left", GROUP_DATES, N_("In History: the previous period")},
    {nullptr, "<Alt>Right", GROUP_DATES, N_("In History: the next period")},
    {nullptr, "Return", GROUP_DIALOGS, N_("Add to Log, Save")},
    {nullptr, "Escape", GROUP_DIALOGS, N_("Cancel")},
    {nullptr, "Escape", GROUP_DIALOGS, N_("Close History or Nutrients")},
    {nullptr, "Return", GROUP_FOODS, N_("In Fill the Day: log the selected food")},
    {"win.primary-menu", "F10", GROUP_APPLICATION, N_("Main Menu")},
    {"win.nutrients", "<Primary>i", GROUP_APPLICATION, N_("Nutrients")},
    {"win.history", "<Primary>h", GROUP_APPLICATION, N_("History")},
    {"win.fill-day", "<Primary>e", GROUP_APPLICATION, N_("Fill the Day")},
    {"win.my-foods", "<Primary><Shift>m", GROUP_APPLICATION, N_("My Foods")},
    {"win.profile", "<Primary>comma", GROUP_APPLICATION, N_("Profile")},
    {"win.shortcuts", "<Primary>question", GROUP_APPLICATION, N_("Keyboard Shortcuts")},
    {"win.close", "<Primary>w", GROUP_APPLICATION, N_("Close the window")},
    {"app.quit", "<Primary>q", GROUP_APPLICATION, N_("Quit")},
};

// The lines of one column of the window: each group takes its shortcuts and its title.
constexpr guint kShortcutsColumnLines = G_N_ELEMENTS(shortcuts) / 2 + GROUP_COUNT + 1;

GuiState *state_of(gpointer data) { return static_cast<GuiState *>(data); }

void on_search_activated(GSimpleAction *, GVariant *, gpointer state) {
  on_search_clicked(nullptr, state);
}

void on_previous_date_activated(GSimpleAction *, GVariant *, gpointer state) {
  on_prev_date_clicked(nullptr, state);
}

void on_next_date_activated(GSimpleAction *, GVariant *, gpointer state) {
  on_next_date_clicked(nullptr, state);
}

void on_today_activated(GSimpleAction *, GVariant *, gpointer state) {
  on_today_clicked(nullptr, state);
}

void on_history_activated(GSimpleAction *, GVariant *, gpointer state) {
  run_guarded("on_history_activated", [&] { show_history_window(state_of(state)); });
}

void on_profile_activated(GSimpleAction *, GVariant *, gpointer state) {
  show_profile_dialog(nullptr, state);
}

void on_nutrients_activated(GSimpleAction *, GVariant *, gpointer state) {
  run_guarded("on_nutrients_activated", [&] { show_nutrients_window(state_of(state)); });
}

void on_fill_day_activated(GSimpleAction *, GVariant *, gpointer state) {
  run_guarded("on_fill_day_activated", [&] { show_fill_window(state_of(state)); });
}

void on_my_foods_activated(GSimpleAction *, GVariant *, gpointer state) {
  run_guarded("on_my_foods_activated", [&] { show_my_foods_window(state_of(state)); });
}

void on_shortcuts_activated(GSimpleAction *, GVariant *, gpointer state) {
  run_guarded("on_shortcuts_activated", [&] { show_shortcuts_window(state_of(state)); });
}

// F10 opens the primary menu, as in other GNOME programs, and closes it again.
void on_primary_menu_activated(GSimpleAction *, GVariant *, gpointer state) {
  GtkWidget *window = state_of(state)->main_window;
  auto *menu = window ? static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(window), KEY_PRIMARY_MENU))
                      : nullptr;
  if (!menu || !gtk_widget_is_visible(menu)) return;
  GtkToggleButton *toggle = GTK_TOGGLE_BUTTON(menu);
  gtk_toggle_button_set_active(toggle, !gtk_toggle_button_get_active(toggle));
}

void on_close_activated(GSimpleAction *, GVariant *, gpointer state) {
  if (state_of(state)->main_window) gtk_window_close(GTK_WINDOW(state_of(state)->main_window));
}

// Closing the main window ends the application, as "Quit" of the "Profile Required"
// message does.
void on_quit_activated(GSimpleAction *, GVariant *, gpointer state) {
  if (state_of(state)->main_window) gtk_widget_destroy(state_of(state)->main_window);
}

const GActionEntry window_actions[] = {
    {"search", on_search_activated, nullptr, nullptr, nullptr, {}},
    {"previous-date", on_previous_date_activated, nullptr, nullptr, nullptr, {}},
    {"next-date", on_next_date_activated, nullptr, nullptr, nullptr, {}},
    {"today", on_today_activated, nullptr, nullptr, nullptr, {}},
    {"history", on_history_activated, nullptr, nullptr, nullptr, {}},
    {"profile", on_profile_activated, nullptr, nullptr, nullptr, {}},
    {"nutrients", on_nutrients_activated, nullptr, nullptr, nullptr, {}},
    {"fill-day", on_fill_day_activated, nullptr, nullptr, nullptr, {}},
    {"my-foods", on_my_foods_activated, nullptr, nullptr, nullptr, {}},
    {"shortcuts", on_shortcuts_activated, nullptr, nullptr, nullptr, {}},
    {"primary-menu", on_primary_menu_activated, nullptr, nullptr, nullptr, {}},
    {"close", on_close_activated, nullptr, nullptr, nullptr, {}},
};

const GActionEntry application_actions[] = {
    {"quit", on_quit_activated, nullptr, nullptr, nullptr, {}},
};

// GTK 3.24 loses a little memory when a shortcuts window that is still realized is
// destroyed; taken down step by step it frees everything.
void take_down_shortcuts_window(GtkWidget *window) {
  gtk_widget_hide(window);
  gtk_widget_unrealize(window);
  gtk_widget_destroy(window);
}

gboolean on_shortcuts_window_delete_event(GtkWidget *window, GdkEvent *, gpointer) {
  take_down_shortcuts_window(window);
  return TRUE;
}

GtkWidget *shortcut_group(const char *title) {
  return GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_GROUP, "title", title, "visible", TRUE,
                                 nullptr));
}

}  // namespace

void shortcuts_install(GtkApplication *application, GuiState *state) {
  g_action_map_add_action_entries(G_ACTION_MAP(state->main_window), window_actions,
                                  G_N_ELEMENTS(window_actions), state);
  // The application's actions outlive a window; a second window finds them in place.
  if (!g_action_map_lookup_action(G_ACTION_MAP(application), "quit"))
    g_action_map_add_action_entries(G_ACTION_MAP(application), application_actions,
                                    G_N_ELEMENTS(application_actions), state);
  for (const Shortcut &shortcut : shortcuts) {
    if (!shortcut.action) continue;
    const char *accelerators[] = {shortcut.accelerator, nullptr};
    gtk_application_set_accels_for_action(application, shortcut.action, accelerators);
  }
}

void show_shortcuts_window(GuiState *state) {
  GtkWidget *window = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_WINDOW, "modal", TRUE,
                                              "title", _("Keyboard Shortcuts"), nullptr));
  g_signal_connect(window, "delete-event", G_CALLBACK(on_shortcuts_window_delete_event), nullptr);
  // Goes with the main window (in place of destroy-with-parent, which destroys it at once).
  if (state->main_window) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(state->main_window));
    g_signal_connect_object(state->main_window, "destroy", G_CALLBACK(take_down_shortcuts_window),
                            window, G_CONNECT_SWAPPED);
  }

  // Lines enough in a column that every group is on the one page, none behind a page switcher.
  GtkWidget *section = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SECTION, "section-name",
                                               "main", "max-height", kShortcutsColumnLines,
                                               "visible", TRUE, nullptr));
  GtkWidget *groups[GROUP_COUNT];
  for (int g = 0; g < GROUP_COUNT; g++) {
    groups[g] = shortcut_group(_(group_titles[g]));
    gtk_container_add(GTK_CONTAINER(section), groups[g]);
  }
  for (const Shortcut &shortcut : shortcuts) {
    GtkWidget *line = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SHORTCUT, "accelerator",
                                              shortcut.accelerator, "title", _(shortcut.title),
                                              "visible", TRUE, nullptr));
    gtk_container_add(GTK_CONTAINER(groups[shortcut.group]), line);
  }
  gtk_container_add(GTK_CONTAINER(window), section);
  gtk_widget_show(window);
}
