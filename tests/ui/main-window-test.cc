// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its widget tree, the header bar, About, and a second activation.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/main-window.h"
#include "app/shortcuts.h"
#include "store/log-entries.h"
#include "ui-fixture.h"

namespace {

class MainWindowTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2400);
  }
  int X(GtkWidget *widget) {
    GtkAllocation box;
    gtk_widget_get_allocation(widget, &box);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(widget, state_.main_window, 0, 0, &x, &y);
    return x;
  }
};

TEST_F(MainWindowTest, BuildsTheWindowWithItsFramesAndBars) {
  Activate();
  ASSERT_NE(nullptr, state_.main_window);
  EXPECT_TRUE(GTK_IS_APPLICATION_WINDOW(state_.main_window));
  EXPECT_STREQ("Alimora", gtk_window_get_title(GTK_WINDOW(state_.main_window)));
  int width = 0, height = 0;
  gtk_window_get_default_size(GTK_WINDOW(state_.main_window), &width, &height);
  EXPECT_EQ(700, width);
  EXPECT_EQ(550, height);
  EXPECT_TRUE(gtk_widget_get_visible(state_.main_window));

  std::vector<GtkWidget *> frames = find_widgets(state_.main_window, GTK_TYPE_FRAME);
  ASSERT_EQ(2u, frames.size());
  EXPECT_STREQ("Daily Budget", gtk_frame_get_label(GTK_FRAME(frames[0])));
  EXPECT_EQ(state_.log_frame, frames[1]);
  EXPECT_EQ(state_.budget_box, gtk_bin_get_child(GTK_BIN(frames[0])));

  // The budget label comes first in the budget box, then the six bars in food-group order,
  // and last the energy bar.
  GList *children = gtk_container_get_children(GTK_CONTAINER(state_.budget_box));
  ASSERT_EQ(8u, g_list_length(children));
  EXPECT_EQ(state_.budget_label, children->data);
  int g = 0;
  for (GList *l = children->next; l->next; l = l->next, g++)
    EXPECT_EQ(state_.group_bars[g], l->data);
  EXPECT_EQ(FOOD_GROUP_COUNT, g);
  EXPECT_EQ(state_.energy_bar, g_list_last(children)->data);
  g_list_free(children);
  EXPECT_STREQ("Energy (kcal): 0 / 2400",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_EQ(std::string("USDA Healthy US-Style Eating Pattern (2400 kcal) - "),
            std::string(gtk_label_get_text(GTK_LABEL(state_.budget_label))).substr(0, 51));
  EXPECT_STREQ("Vegetables (cup-eq): 0.0 / 3.0",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[0])));

  // The log list sits in a scrolled window below the three navigation buttons.
  EXPECT_NE(nullptr, gtk_widget_get_ancestor(state_.log_list_box, GTK_TYPE_SCROLLED_WINDOW));
  GtkWidget *prev = find_button(state_.log_frame, "◀");
  GtkWidget *today = find_button(state_.log_frame, "Today");
  GtkWidget *next = find_button(state_.log_frame, "▶");
  ASSERT_TRUE(prev && today && next);
  EXPECT_LT(X(prev), X(today));
  EXPECT_LT(X(today), X(next));
}

TEST_F(MainWindowTest, HeaderBarReadsSearchTitleProfileAbout) {
  Activate();
  GtkWidget *header = gtk_window_get_titlebar(GTK_WINDOW(state_.main_window));
  ASSERT_TRUE(GTK_IS_HEADER_BAR(header));
  EXPECT_STREQ("Alimora", gtk_header_bar_get_title(GTK_HEADER_BAR(header)));
  EXPECT_TRUE(gtk_header_bar_get_show_close_button(GTK_HEADER_BAR(header)));
  GtkWidget *search = find_button(header, "Search");
  GtkWidget *profile = find_button(header, "Profile");
  GtkWidget *about = find_button(header, "About");
  ASSERT_TRUE(search && profile && about);
  EXPECT_LT(X(search), X(profile));
  EXPECT_LT(X(profile), X(about));
  // The close button, an internal child of the bar, is the last thing on the right.
  // Packed from the end, About comes first, so it sits next to the close button.
  GtkPackType about_pack, profile_pack, search_pack;
  gint about_position, profile_position;
  gtk_container_child_get(GTK_CONTAINER(header), about, "pack-type", &about_pack, "position",
                          &about_position, nullptr);
  gtk_container_child_get(GTK_CONTAINER(header), profile, "pack-type", &profile_pack, "position",
                          &profile_position, nullptr);
  gtk_container_child_get(GTK_CONTAINER(header), search, "pack-type", &search_pack, nullptr);
  EXPECT_EQ(GTK_PACK_START, search_pack);
  EXPECT_EQ(GTK_PACK_END, about_pack);
  EXPECT_EQ(GTK_PACK_END, profile_pack);
  EXPECT_LT(about_position, profile_position);
}

// The label and action of each item of the primary menu, one section after the other.
std::vector<std::vector<std::string>> menu_sections(GMenuModel *menu) {
  std::vector<std::vector<std::string>> sections;
  for (int s = 0; s < g_menu_model_get_n_items(menu); s++) {
    GMenuModel *section = g_menu_model_get_item_link(menu, s, G_MENU_LINK_SECTION);
    sections.emplace_back();
    for (int i = 0; section && i < g_menu_model_get_n_items(section); i++) {
      gchar *label = nullptr, *action = nullptr;
      g_menu_model_get_item_attribute(section, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
      g_menu_model_get_item_attribute(section, i, G_MENU_ATTRIBUTE_ACTION, "s", &action);
      sections.back().push_back(std::string(label ? label : "") + " " + (action ? action : ""));
      g_free(label);
      g_free(action);
    }
    if (section) g_object_unref(section);
  }
  return sections;
}

TEST_F(MainWindowTest, PrimaryMenuHasNutrientsAndHistoryBeforeItsHelpSection) {
  Activate();
  GtkWidget *header = gtk_window_get_titlebar(GTK_WINDOW(state_.main_window));
  std::vector<GtkWidget *> menus = find_widgets(header, GTK_TYPE_MENU_BUTTON);
  ASSERT_EQ(1u, menus.size());
  EXPECT_STREQ("Main Menu", atk_object_get_name(gtk_widget_get_accessible(menus[0])));
  EXPECT_EQ((std::vector<std::vector<std::string>>{
                {"Nutrients win.nutrients", "History win.history", "Fill the Day win.fill-day",
                "My Foods win.my-foods"},
                {"Keyboard Shortcuts win.shortcuts"}}),
            menu_sections(gtk_menu_button_get_menu_model(GTK_MENU_BUTTON(menus[0]))));

  g_action_group_activate_action(G_ACTION_GROUP(state_.main_window), "history", nullptr);
  drain_events();
  ASSERT_NE(nullptr, state_.history_window);
  EXPECT_STREQ("History", gtk_window_get_title(GTK_WINDOW(state_.history_window)));
  // It goes with the main window.
  WidgetWatch watch(state_.history_window);
  gtk_widget_destroy(state_.main_window);
  drain_events();
  EXPECT_EQ(nullptr, watch.get());
  EXPECT_EQ(nullptr, state_.history_window);
}

TEST_F(MainWindowTest, AboutShowsTheVersionAndClosesOnAnyResponse) {
  Activate();
  GtkWidget *about = find_button(state_.main_window, "About");
  ASSERT_NE(nullptr, about);
  for (int response : {GTK_RESPONSE_CLOSE, GTK_RESPONSE_DELETE_EVENT}) {
    gtk_button_clicked(GTK_BUTTON(about));
    drain_events();
    std::vector<GtkWidget *> dialogs = toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG);
    ASSERT_EQ(1u, dialogs.size());
    GtkWidget *dialog = dialogs[0];
    EXPECT_STREQ("About Alimora", gtk_window_get_title(GTK_WINDOW(dialog)));
    EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(dialog)));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    gchar *text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, strncmp(text, "Alimora 0.33\n", 13)) << text;
    g_free(text);

    gtk_dialog_response(GTK_DIALOG(dialog), response);
    drain_events();
    EXPECT_TRUE(toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG).empty());
    EXPECT_TRUE(gtk_widget_get_visible(state_.main_window));
  }
}

TEST_F(MainWindowTest, SecondActivationPresentsTheSameWindow) {
  Activate();
  GtkWidget *first = state_.main_window;
  GtkWidget *first_label = state_.budget_label;
  Activate();
  EXPECT_EQ(first, state_.main_window);
  EXPECT_EQ(first_label, state_.budget_label);
  EXPECT_EQ(1u, toplevels_of_type(GTK_TYPE_APPLICATION_WINDOW).size());
}

TEST_F(MainWindowTest, CompleteProfileOpensNoDialogAtStart) {
  Activate();
  EXPECT_TRUE(toplevels_of_type(GTK_TYPE_DIALOG).empty());
}

TEST_F(MainWindowTest, ClosingTheWindowForgetsItsWidgets) {
  Activate();
  gtk_widget_destroy(state_.main_window);
  drain_events();
  EXPECT_EQ(nullptr, state_.main_window);
  EXPECT_EQ(nullptr, state_.log_list_box);
  EXPECT_EQ(nullptr, state_.group_bars[0]);
  EXPECT_EQ(nullptr, state_.energy_bar);
}

std::string accelerator_of(GtkApplication *app, const char *action) {
  gchar **accels = gtk_application_get_accels_for_action(app, action);
  std::string first = accels[0] ? accels[0] : "";
  g_strfreev(accels);
  return first;
}

TEST_F(MainWindowTest, AltKeysMoveTheDateAsTheButtonsDo) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-03", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-05", 1.0));
  Activate();
  char today[DATE_STRING_SIZE];
  date_today(today);
  const struct {
    guint key;
    const char *action, *accelerator, *date;
  } steps[] = {{GDK_KEY_Left, "win.previous-date", "<Alt>Left", "2024-01-05"},
               {GDK_KEY_Left, "win.previous-date", "<Alt>Left", "2024-01-03"},
               {GDK_KEY_Right, "win.next-date", "<Alt>Right", "2024-01-05"},
               {GDK_KEY_Home, "win.today", "<Alt>Home", today}};
  for (const auto &step : steps) {
    EXPECT_EQ(step.accelerator, accelerator_of(app_, step.action));
    send_key(state_.main_window, step.key, GDK_MOD1_MASK);
    EXPECT_STREQ(step.date, state_.current_date) << step.action;
  }
}

// F10 opens the primary menu and closes it again, as in other GNOME programs.
TEST_F(MainWindowTest, F10OpensAndClosesThePrimaryMenu) {
  Activate();
  GtkWidget *header = gtk_window_get_titlebar(GTK_WINDOW(state_.main_window));
  std::vector<GtkWidget *> menus = find_widgets(header, GTK_TYPE_MENU_BUTTON);
  ASSERT_EQ(1u, menus.size());
  EXPECT_EQ("F10", accelerator_of(app_, "win.primary-menu"));
  GtkWidget *popover = GTK_WIDGET(gtk_menu_button_get_popover(GTK_MENU_BUTTON(menus[0])));
  ASSERT_NE(nullptr, popover);
  send_key(state_.main_window, GDK_KEY_F10);
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(menus[0])));
  EXPECT_TRUE(wait_until([&] { return gtk_widget_get_mapped(popover); }));
  send_key(state_.main_window, GDK_KEY_F10);
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(menus[0])));
}

// Every accelerator of the program has its line in the Keyboard Shortcuts window, and every
// line is on show at once: none waits behind the window's page switcher.
TEST_F(MainWindowTest, TheShortcutsWindowShowsEveryAcceleratorOnOnePage) {
  Activate();
  show_shortcuts_window(&state_);
  drain_events();
  std::vector<GtkWidget *> windows = toplevels_of_type(GTK_TYPE_SHORTCUTS_WINDOW);
  ASSERT_EQ(1u, windows.size());
  std::vector<GtkWidget *> lines = find_widgets(windows[0], GTK_TYPE_SHORTCUTS_SHORTCUT);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(wait_until([&] {
    return std::all_of(lines.begin(), lines.end(), gtk_widget_get_mapped);
  })) << "some lines are on another page";
  std::vector<std::string> listed;
  for (GtkWidget *line : lines) {
    gchar *accelerator = nullptr;
    g_object_get(line, "accelerator", &accelerator, nullptr);
    listed.push_back(accelerator ? accelerator : "");
    g_free(accelerator);
  }
  gchar **actions = gtk_application_list_action_descriptions(app_);
  int accelerators = 0;
  for (gchar **action = actions; *action; action++) {
    gchar **accels = gtk_application_get_accels_for_action(app_, *action);
    for (gchar **accel = accels; *accel; accel++, accelerators++)
      EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), *accel)) << *action;
    g_strfreev(accels);
  }
  g_strfreev(actions);
  EXPECT_GE(accelerators, 13);  // Ctrl+F, L, Z, H, I, comma, ?, W, Q, F10 and the Alt keys
}

TEST_F(MainWindowTest, ControlKeysOpenTheirWindowsOrCloseTheMainWindow) {
  const struct {
    const char *action, *accelerator;
    guint key;
    const char *opens;  // null: the main window closes
  } cases[] = {{"win.search", "<Primary>f", GDK_KEY_f, "Search Foods"},
               {"win.profile", "<Primary>comma", GDK_KEY_comma, "Profile"},
               {"win.shortcuts", "<Primary>question", GDK_KEY_question, "Keyboard Shortcuts"},
               {"win.history", "<Primary>h", GDK_KEY_h, "History"},
               {"win.nutrients", "<Primary>i", GDK_KEY_i, "Nutrients"},
               {"win.close", "<Primary>w", GDK_KEY_w, nullptr},
               {"app.quit", "<Primary>q", GDK_KEY_q, nullptr}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.action);
    if (!state_.main_window) Activate();
    EXPECT_EQ(c.accelerator, accelerator_of(app_, c.action));
    send_key(state_.main_window, c.key, GDK_CONTROL_MASK);
    if (!c.opens) {
      EXPECT_TRUE(wait_until([&] { return state_.main_window == nullptr; }));
      continue;
    }
    GtkWidget *opened = nullptr;
    for (GtkWidget *window : toplevels_of_type(GTK_TYPE_WINDOW, state_.main_window)) {
      const char *title = gtk_window_get_title(GTK_WINDOW(window));
      if (title && strcmp(title, c.opens) == 0) opened = window;
    }
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(opened)));
    // Closed, it goes, or it hides (the Nutrients window, kept to be shown again).
    WidgetWatch watch(opened);
    gtk_window_close(GTK_WINDOW(opened));
    EXPECT_TRUE(wait_until([&] { return !watch.get() || !gtk_widget_get_visible(watch.get()); }));
  }
}

}  // namespace
