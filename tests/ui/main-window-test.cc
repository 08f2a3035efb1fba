// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its widget tree, the header bar, About, and a second activation.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/main-window.h"
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

  // The budget label comes first in the budget box, then the six bars in food-group order.
  GList *children = gtk_container_get_children(GTK_CONTAINER(state_.budget_box));
  ASSERT_EQ(7u, g_list_length(children));
  EXPECT_EQ(state_.budget_label, children->data);
  int g = 0;
  for (GList *l = children->next; l; l = l->next, g++) EXPECT_EQ(state_.group_bars[g], l->data);
  g_list_free(children);
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
}

struct Accelerator {
  const char *action;
  const char *accelerator;
};

TEST_F(MainWindowTest, EveryActionHasItsAccelerator) {
  Activate();
  const Accelerator expected[] = {
      {"win.search", "<Primary>f"},         {"win.previous-date", "<Alt>Left"},
      {"win.next-date", "<Alt>Right"},      {"win.today", "<Alt>Home"},
      {"win.profile", "<Primary>comma"},    {"win.shortcuts", "<Primary>question"},
      {"win.close", "<Primary>w"},          {"app.quit", "<Primary>q"},
  };
  for (const Accelerator &a : expected) {
    gchar **accels = gtk_application_get_accels_for_action(app_, a.action);
    ASSERT_NE(nullptr, accels[0]) << a.action;
    EXPECT_STREQ(a.accelerator, accels[0]) << a.action;
    g_strfreev(accels);
    const char *name = strchr(a.action, '.') + 1;
    GActionGroup *group = strncmp(a.action, "app.", 4) == 0 ? G_ACTION_GROUP(app_)
                                                            : G_ACTION_GROUP(state_.main_window);
    EXPECT_TRUE(g_action_group_has_action(group, name)) << a.action;
  }
}

TEST_F(MainWindowTest, AltArrowsAndAltHomeMoveTheDateAsTheButtonsDo) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-03", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-05", 1.0));
  Activate();
  char today[DATE_STRING_SIZE];
  date_today(today);
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  EXPECT_STREQ("2024-01-05", state_.current_date);
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  EXPECT_STREQ("2024-01-03", state_.current_date);
  send_key(state_.main_window, GDK_KEY_Right, GDK_MOD1_MASK);
  EXPECT_STREQ("2024-01-05", state_.current_date);
  send_key(state_.main_window, GDK_KEY_Home, GDK_MOD1_MASK);
  EXPECT_STREQ(today, state_.current_date);
  // Without Alt the arrows only move the focus.
  send_key(state_.main_window, GDK_KEY_Left);
  EXPECT_STREQ(today, state_.current_date);
}

TEST_F(MainWindowTest, ControlKeysOpenSearchProfileAndShortcuts) {
  Activate();
  send_key(state_.main_window, GDK_KEY_f, GDK_CONTROL_MASK);
  GtkWidget *search = dialog_titled("Search Foods");
  ASSERT_NE(nullptr, search);
  gtk_widget_destroy(search);
  drain_events();

  send_key(state_.main_window, GDK_KEY_comma, GDK_CONTROL_MASK);
  GtkWidget *profile = dialog_titled("Profile");
  ASSERT_NE(nullptr, profile);
  gtk_widget_destroy(profile);
  drain_events();

  send_key(state_.main_window, GDK_KEY_question, GDK_CONTROL_MASK);
  std::vector<GtkWidget *> windows = toplevels_of_type(GTK_TYPE_SHORTCUTS_WINDOW);
  ASSERT_EQ(1u, windows.size());
  EXPECT_STREQ("Keyboard Shortcuts", gtk_window_get_title(GTK_WINDOW(windows[0])));
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(windows[0])));
  // Every action with an accelerator is listed, with that accelerator.
  std::vector<std::string> listed;
  for (GtkWidget *line : find_widgets(windows[0], GTK_TYPE_SHORTCUTS_SHORTCUT)) {
    gchar *accelerator = nullptr, *title = nullptr;
    g_object_get(line, "accelerator", &accelerator, "title", &title, nullptr);
    listed.push_back(std::string(accelerator) + " " + title);
    g_free(accelerator);
    g_free(title);
  }
  for (const char *line : {"<Primary>f Search foods", "<Alt>Left Previous logged date",
                           "<Alt>Right Next logged date", "<Alt>Home Today",
                           "<Primary>comma Profile", "<Primary>question Keyboard Shortcuts",
                           "<Primary>w Close the window", "<Primary>q Quit"})
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), line)) << line;
  EXPECT_EQ(12u, listed.size());
}

TEST_F(MainWindowTest, ControlWAndControlQCloseTheWindow) {
  for (guint key : {GDK_KEY_w, GDK_KEY_q}) {
    Activate();
    ASSERT_NE(nullptr, state_.main_window);
    send_key(state_.main_window, key, GDK_CONTROL_MASK);
    EXPECT_TRUE(wait_until([&] { return state_.main_window == nullptr; })) << gdk_keyval_name(key);
  }
}

}  // namespace
