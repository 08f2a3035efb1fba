// SPDX-License-Identifier: GPL-3.0-or-later
// The quick log of the main window with real widgets: Ctrl+L, the suggestions, Enter on a
// known and on an unknown food, Down in the empty field, Ctrl+Z and Redo while the notification
// shows, Copy to Today of the entries shown with its undo, a held lock that never freezes the
// field, the date followed past midnight; and Escape in the search field, the "= amount ×" row.
#include "ui/quick-log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "app/shortcuts.h"
#include "budget/date-string.h"
#include "db-connection.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/day-follow.h"
#include "ui/object-keys.h"

namespace {

constexpr int kMilk = 11111000;    // "Milk, whole"; "1 cup (244 g)"
constexpr int kBanana = 63107010;  // "Banana, raw"
constexpr int kCoffee = 92101000;  // "Coffee, brewed"

std::string date_before(int days) {
  GDateTime *now = g_date_time_new_now_local();
  GDateTime *then = g_date_time_add_days(now, -days);
  gchar *text = g_date_time_format(then, "%Y-%m-%d");
  std::string date = text;
  g_free(text);
  g_date_time_unref(then);
  g_date_time_unref(now);
  return date;
}

class QuickLogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
    yesterday_ = date_before(1);
  }

  void Log(int code, const char *description, const std::string &date, double servings) {
    ASSERT_EQ(0, log_entry_add(state_.log_db, code, description, date.c_str(), servings));
  }

  // Entries of |date| as "description servings".
  std::vector<std::string> Entries(const std::string &date) {
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(state_.log_db, date.c_str(), &list));
    std::vector<std::string> out;
    for (size_t i = 0; i < list.count; i++) {
      char text[256];
      snprintf(text, sizeof text, "%s %.2f", list.items[i].description, list.items[i].servings);
      out.emplace_back(text);
    }
    log_entry_list_free(&list);
    return out;
  }

  GtkWidget *Field() { return quick_log_field(&state_); }

  // The rows of the entry list on display.
  size_t Rows() {
    GList *rows = gtk_container_get_children(GTK_CONTAINER(state_.log_list_box));
    const size_t count = g_list_length(rows);
    g_list_free(rows);
    return count;
  }

  // Types |text| into the field, which takes the focus first, as Ctrl+L gives it.
  void Type(const char *text) {
    if (!FieldHasFocus()) send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
    gtk_entry_set_text(GTK_ENTRY(Field()), text);
    drain_events();
  }

  // Enter in the field opens "New Food" (nothing matched all the words); it is closed again.
  void EnterOpensNewFood() {
    send_key(Field(), GDK_KEY_Return);
    GtkWidget *create = dialog_titled("New Food");
    ASSERT_NE(nullptr, create);
    gtk_widget_destroy(create);
    drain_events();
  }

  bool FieldHasFocus() {
    return gtk_window_get_focus(GTK_WINDOW(state_.main_window)) == Field();
  }

  bool NoticeShown() {
    return gtk_revealer_get_reveal_child(GTK_REVEALER(quick_log_notification(&state_)));
  }

  std::string NoticeText() {
    for (const std::string &text : label_texts(quick_log_notification(&state_)))
      if (!text.empty()) return text;
    return "";
  }

  // The message dialog over the main window, answered and closed; "" when there is none.
  std::string TakeMessage() {
    std::vector<GtkWidget *> messages = messages_over(state_.main_window);
    if (messages.empty()) return "";
    std::string text = message_texts(messages.back());
    gtk_widget_destroy(messages.back());
    drain_events();
    return text;
  }

  char today_[DATE_STRING_SIZE];
  std::string yesterday_;
};

TEST_F(QuickLogTest, TheFieldEndsTheFoodLogFrameAndCtrlLFocusesIt) {
  Activate();
  GtkWidget *field = Field();
  ASSERT_NE(nullptr, field);
  EXPECT_STREQ("Log a food…", gtk_entry_get_placeholder_text(GTK_ENTRY(field)));
  EXPECT_STREQ("Log a food", atk_object_get_name(gtk_widget_get_accessible(field)));
  // Last in the frame's box, after the nav row and the scrolled list.
  GtkWidget *box = gtk_bin_get_child(GTK_BIN(state_.log_frame));
  GList *children = gtk_container_get_children(GTK_CONTAINER(box));
  ASSERT_EQ(3u, g_list_length(children));
  EXPECT_EQ(field, g_list_last(children)->data);
  EXPECT_TRUE(GTK_IS_SCROLLED_WINDOW(g_list_nth_data(children, 1)));
  // "Copy to Today" follows "▶" and the date button in the nav row, then "Save as Meal…".
  GList *nav = gtk_container_get_children(GTK_CONTAINER(children->data));
  ASSERT_EQ(6u, g_list_length(nav));
  EXPECT_STREQ("▶", gtk_button_get_label(GTK_BUTTON(g_list_nth_data(nav, 2))));
  EXPECT_EQ(quick_log_copy_button(&state_), g_list_nth_data(nav, 4));
  EXPECT_STREQ("Save as Meal…", gtk_button_get_label(GTK_BUTTON(g_list_nth_data(nav, 5))));
  g_list_free(nav);
  g_list_free(children);
  // The main box sits in an overlay, whose notification is hidden.
  EXPECT_TRUE(GTK_IS_OVERLAY(gtk_bin_get_child(GTK_BIN(state_.main_window))));
  EXPECT_FALSE(NoticeShown());
  // Every control of the notification says what it is.
  std::vector<GtkWidget *> buttons = find_widgets(quick_log_notification(&state_), GTK_TYPE_BUTTON);
  ASSERT_EQ(3u, buttons.size());
  EXPECT_STREQ("Undo", gtk_button_get_label(GTK_BUTTON(buttons[0])));
  EXPECT_STREQ("Show", gtk_button_get_label(GTK_BUTTON(buttons[1])));
  EXPECT_STREQ("Close", atk_object_get_name(gtk_widget_get_accessible(buttons[2])));

  gtk_widget_grab_focus(find_button(state_.log_frame, "Today"));
  EXPECT_FALSE(FieldHasFocus());
  send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
  EXPECT_TRUE(FieldHasFocus());
}

// Ctrl+L and Ctrl+Z are the accelerators of their actions and are listed in the Keyboard
// Shortcuts window with what they do.
TEST_F(QuickLogTest, TheKeyboardShortcutsWindowListsTheQuickLogKeys) {
  Activate();
  const struct {
    const char *action, *accelerator;
  } keys[] = {{"win.quick-log", "<Primary>l"}, {"win.undo", "<Primary>z"}};
  for (const auto &k : keys) {
    gchar **accels = gtk_application_get_accels_for_action(app_, k.action);
    EXPECT_TRUE(accels[0] && strcmp(k.accelerator, accels[0]) == 0) << k.action;
    g_strfreev(accels);
  }
  show_shortcuts_window(&state_);
  drain_events();
  std::vector<GtkWidget *> windows = toplevels_of_type(GTK_TYPE_SHORTCUTS_WINDOW);
  ASSERT_EQ(1u, windows.size());
  std::vector<std::string> listed;
  for (GtkWidget *line : find_widgets(windows[0], GTK_TYPE_SHORTCUTS_SHORTCUT)) {
    gchar *accelerator = nullptr, *title = nullptr;
    g_object_get(line, "accelerator", &accelerator, "title", &title, nullptr);
    listed.push_back(std::string(accelerator ? accelerator : "") + " " + (title ? title : ""));
    g_free(accelerator);
    g_free(title);
  }
  for (const char *expected : {"<Primary>l Log a food", "<Primary>z Undo the last quick log or copy",
                               "<Shift>Return Open the suggested food to choose the amount"})
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), expected)) << expected;
}

// A known food shows the amount of its last entry as it was logged, or in grams when that
// entry keeps no measure (an older version's, another program's).
TEST_F(QuickLogTest, SuggestionsBeginWithTheDescriptionAndKnownFoodsShowTheirLastAmount) {
  LogMeasured(kMilk, "Milk, whole", yesterday_, "1 cup", 244.0, 1.0);
  Log(kBanana, "Banana, raw", yesterday_, 1.33);
  Activate();
  Type("mil");
  std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty());
  EXPECT_LE(texts.size(), kQuickLogSuggestions);
  EXPECT_EQ("Milk, whole — 1 cup (244 g)", texts[0]);  // the person's own first
  EXPECT_EQ("Milk, NFS", texts[1]);
  Type("banana");
  texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("Banana, raw — 133 g", texts[0]);
  // Emptying the field hides the list.
  Type("");
  EXPECT_TRUE(quick_log_suggestion_texts(&state_).empty());

  // A change that another dialog makes, or another program, shows at the next key: 122 g
  // are no longer the cup the entry was logged in.
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, yesterday_.c_str(), &entries));
  ASSERT_EQ(0, log_entry_update(state_.log_db, entries.items[0].id, yesterday_.c_str(), 1.22));
  log_entry_list_free(&entries);
  Type("milk");
  EXPECT_EQ("Milk, whole — 122 g", quick_log_suggestion_texts(&state_).at(0));
  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "INSERT INTO food_log (food_code, description, date, "
                                       "servings) VALUES (11100000, 'Milk, NFS', '2020-01-01', 1)"));
  sqlite3_close(other);
  Type("milk ");
  texts = quick_log_suggestion_texts(&state_);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ("Milk, NFS — 100 g", texts[1]);
}

// Text that no food matches gets a line that says so, not an empty field that seems stuck.
TEST_F(QuickLogTest, WhenNoFoodMatchesTheFieldSaysSo) {
  Activate();
  GtkWidget *none = quick_log_no_match_box(&state_);
  ASSERT_NE(nullptr, none);
  EXPECT_FALSE(gtk_widget_get_visible(none));
  Type("qqqzzz");
  EXPECT_TRUE(quick_log_suggestion_texts(&state_).empty());
  EXPECT_TRUE(gtk_widget_is_visible(none));
  EXPECT_EQ((std::vector<std::string>{"No food matches “qqqzzz”", "Create food “qqqzzz”"}),
            label_texts(none));
  // Enter logs nothing and keeps the text: it offers to make the food, named as typed.
  ASSERT_NO_FATAL_FAILURE(EnterOpensNewFood());
  EXPECT_TRUE(Entries(today_).empty());
  EXPECT_STREQ("qqqzzz", gtk_entry_get_text(GTK_ENTRY(Field())));
  // Down says it again; Escape hides the line.
  gtk_widget_grab_focus(Field());
  send_key(Field(), GDK_KEY_Down);
  EXPECT_TRUE(gtk_widget_is_visible(none));
  send_key(Field(), GDK_KEY_Escape);
  EXPECT_FALSE(gtk_widget_is_visible(none));
  // A match brings the suggestions back in its place; punctuation alone says nothing.
  Type("milk");
  EXPECT_FALSE(quick_log_suggestion_texts(&state_).empty());
  EXPECT_FALSE(gtk_widget_get_visible(none));
  Type(" ,;");
  EXPECT_FALSE(gtk_widget_is_visible(none));
}

// Text that no food has all the words of offers the foods that have some of them, but
// chooses none: Enter still offers to make the food, and Down goes to the first of them.
TEST_F(QuickLogTest, TextThatNoFoodHasAllTheWordsOfOffersFoodsWithSomeButChoosesNone) {
  Activate();
  GtkWidget *none = quick_log_no_match_box(&state_);
  for (const char *typed : {"grandma lasagna", "1 cup grandma lasagna"}) {
    SCOPED_TRACE(typed);
    Type(typed);
    const std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
    ASSERT_FALSE(texts.empty());
    for (const std::string &text : texts) EXPECT_EQ(0u, text.find("Lasagna")) << text;
    EXPECT_TRUE(gtk_widget_is_visible(none));
    const std::string line =
        std::string("No food has all of “") + typed + "”; above are foods with some of them.";
    EXPECT_EQ((std::vector<std::string>{line, std::string("Create food “") + typed + "”"}),
              label_texts(none));
    EXPECT_STREQ(line.c_str(), atk_object_get_description(gtk_widget_get_accessible(Field())));
  }
  EXPECT_NE(std::string::npos, quick_log_suggestion_texts(&state_).at(0).find(": 1 cup"));
  ASSERT_NO_FATAL_FAILURE(EnterOpensNewFood());
  EXPECT_TRUE(Entries(today_).empty());
  gtk_widget_grab_focus(Field());
  Type("grandma lasagna");
  const std::string first = quick_log_suggestion_texts(&state_).at(0);
  send_key(Field(), GDK_KEY_Down);
  send_key(Field(), GDK_KEY_Return);
  GtkWidget *add = dialog_titled(first.c_str());
  ASSERT_NE(nullptr, add) << first;
  gtk_widget_destroy(add);
  drain_events();
  // A word that starts no word of any food, alone, still matches nothing.
  Type("qqqzzz lasagnaqq");
  EXPECT_TRUE(quick_log_suggestion_texts(&state_).empty());
}

TEST_F(QuickLogTest, EnterOnAKnownFoodLogsItAgainAndCtrlZTakesItBack) {
  LogMeasured(kMilk, "Milk, whole", yesterday_, "1 cup", 244.0, 1.0);
  Activate();
  send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
  Type("whole milk");
  send_key(Field(), GDK_KEY_Return);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries(today_));
  // The field is empty and keeps the focus; the notification names what was logged.
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(Field())));
  EXPECT_TRUE(FieldHasFocus());
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ("“Milk, whole — 1 cup (244 g)” logged", NoticeText());
  EXPECT_NE(nullptr, find_button(quick_log_notification(&state_), "Undo"));
  EXPECT_EQ("Dairy (cup-eq): 1.0 / 3.0",
            std::string(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[3]))));

  // The next food at once, then Ctrl+Z takes back only the last one.
  Type("milk");
  send_key(Field(), GDK_KEY_Return);
  EXPECT_EQ(2u, Entries(today_).size());
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries(today_));
  // What went is said, with Redo for as long as that shows.
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ("Undone: Milk, whole", NoticeText());
  EXPECT_NE(nullptr, find_button(quick_log_notification(&state_), "Redo"));
  // Nothing more to undo: a second Ctrl+Z leaves the first entry.
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(1u, Entries(today_).size());
  // Ctrl+Shift+Z logs it again, and Undo is there once more.
  send_key(state_.main_window, GDK_KEY_Z, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
  EXPECT_EQ(2u, Entries(today_).size());
  EXPECT_EQ("“Milk, whole — 1 cup (244 g)” logged", NoticeText());
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(1u, Entries(today_).size());
  EXPECT_EQ(2u, Entries(yesterday_).size() + Entries(today_).size());
  // The suggestions know what the log holds without reading it again.
  Type("");
  send_key(Field(), GDK_KEY_Down);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole — 1 cup (244 g)"},
            quick_log_suggestion_texts(&state_));
}

TEST_F(QuickLogTest, EnterOnANewFoodOpensTheAddDialogOnTheDateOnDisplay) {
  Log(kCoffee, "Coffee, brewed", yesterday_, 2.37);
  Activate();
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);  // to yesterday
  ASSERT_EQ(yesterday_, state_.current_date);
  Type("banana");
  send_key(Field(), GDK_KEY_Return);
  GtkWidget *dialog = dialog_titled("Banana, raw");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *calendar = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR));
  char date[DATE_STRING_SIZE];
  guint y = 0, m = 0, d = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar), &y, &m, &d);
  snprintf(date, sizeof date, "%04u-%02u-%02u", y, m + 1, d);
  EXPECT_EQ(yesterday_, date);
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();
  // A food never logged starts at its first household measure: one banana.
  EXPECT_EQ((std::vector<std::string>{"Coffee, brewed 2.37", "Banana, raw 1.26"}),
            Entries(yesterday_));
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(Field())));
  EXPECT_TRUE(FieldHasFocus());
  // From now on the banana is one of the person's foods, with the amount just logged.
  Type("banana");
  ASSERT_FALSE(quick_log_suggestion_texts(&state_).empty());
  EXPECT_EQ("Banana, raw — 1 banana (126 g)", quick_log_suggestion_texts(&state_)[0]);

  // Cancel keeps what was typed.
  Type("apple");
  send_key(Field(), GDK_KEY_Return);
  dialog = dialog_titled("Apple, raw");
  ASSERT_NE(nullptr, dialog);
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Cancel")));
  drain_events();
  EXPECT_STREQ("apple", gtk_entry_get_text(GTK_ENTRY(Field())));
  EXPECT_EQ(2u, Entries(yesterday_).size());

  // Shift+Enter opens the dialog for a known food too, instead of logging it.
  Type("coffee brewed");
  send_key(Field(), GDK_KEY_Return, GDK_SHIFT_MASK);
  dialog = dialog_titled("Coffee, brewed");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(2u, Entries(yesterday_).size());
  gtk_widget_destroy(dialog);
  drain_events();
}

TEST_F(QuickLogTest, DownInTheEmptyFieldListsTheFoodsLoggedLast) {
  LogMeasured(kMilk, "Milk, whole", date_before(3), "1 cup", 244.0, 1.0);
  LogMeasured(kBanana, "Banana, raw", date_before(2), "1 banana", 126.0, 1.0);
  Log(kMilk, "Milk, whole", date_before(1), 1.22);
  Activate();
  gtk_widget_grab_focus(Field());
  send_key(Field(), GDK_KEY_Down);
  std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_EQ(2u, texts.size());
  // The last milk was logged in grams, not in the cup before it.
  EXPECT_EQ("Milk, whole — 122 g", texts[0]);
  EXPECT_EQ("Banana, raw — 1 banana (126 g)", texts[1]);
  // Down again selects the second, Enter logs it on the date on display, Escape hides.
  send_key(Field(), GDK_KEY_Down);
  send_key(Field(), GDK_KEY_Return);
  EXPECT_EQ(std::vector<std::string>{"Banana, raw 1.26"}, Entries(today_));
  send_key(Field(), GDK_KEY_Down);
  EXPECT_EQ(2u, quick_log_suggestion_texts(&state_).size());
  // Logged again in the banana it was logged in.
  EXPECT_EQ("Banana, raw — 1 banana (126 g)", quick_log_suggestion_texts(&state_)[0]);
  send_key(Field(), GDK_KEY_Escape);
  EXPECT_TRUE(quick_log_suggestion_texts(&state_).empty());
}

TEST_F(QuickLogTest, AQuickLogOnALockedLogSaysSoAndKeepsTheText) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Activate();
  Type("whole milk");
  ASSERT_NO_FATAL_FAILURE(LockLog());
  send_key(Field(), GDK_KEY_Return);
  EXPECT_NE(std::string::npos, TakeMessage().find("The food was not added to the log."));
  EXPECT_STREQ("whole milk", gtk_entry_get_text(GTK_ENTRY(Field())));
  EXPECT_FALSE(NoticeShown());
  UnlockLog();
  EXPECT_TRUE(Entries(today_).empty());
  send_key(Field(), GDK_KEY_Return);  // and again, once the lock is gone
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries(today_));
}

TEST_F(QuickLogTest, CopyToTodayCopiesTheWholeDayAndUndoTakesItBack) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Log(kBanana, "Banana, raw", yesterday_, 1.18);
  Log(kCoffee, "Coffee, brewed", yesterday_, 2.37);
  Activate();
  GtkWidget *copy = quick_log_copy_button(&state_);
  ASSERT_NE(nullptr, copy);
  EXPECT_STREQ("Copy to Today", gtk_button_get_label(GTK_BUTTON(copy)));
  EXPECT_FALSE(gtk_widget_get_sensitive(copy));  // today on display
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  ASSERT_EQ(yesterday_, state_.current_date);
  EXPECT_TRUE(gtk_widget_get_sensitive(copy));

  // Pressed from the keyboard: the button turns insensitive, and the focus goes on to the
  // field rather than staying on it.
  gtk_widget_grab_focus(copy);
  gtk_button_clicked(GTK_BUTTON(copy));
  drain_events();
  EXPECT_STREQ(today_, state_.current_date);
  EXPECT_FALSE(gtk_widget_get_sensitive(copy));
  EXPECT_TRUE(FieldHasFocus());
  EXPECT_EQ(Entries(yesterday_), Entries(today_));
  GList *rows = gtk_container_get_children(GTK_CONTAINER(state_.log_list_box));
  EXPECT_EQ(3u, g_list_length(rows));
  g_list_free(rows);
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ("3 entries copied to today", NoticeText());

  // The same for "Undo", which goes with the notification.
  GtkWidget *undo = find_button(quick_log_notification(&state_), "Undo");
  gtk_widget_grab_focus(undo);
  gtk_button_clicked(GTK_BUTTON(undo));
  drain_events();
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ("Undone: Milk, whole; Banana, raw; Coffee, brewed", NoticeText());
  EXPECT_STREQ("Redo", gtk_button_get_label(GTK_BUTTON(undo)));
  EXPECT_TRUE(FieldHasFocus());
  EXPECT_TRUE(Entries(today_).empty());
  EXPECT_EQ(3u, Entries(yesterday_).size());
  EXPECT_EQ(std::vector<std::string>{"No entries for this date."},
            label_texts(state_.log_list_box));
}

// Another connection holds the log past the wait: nothing is copied, the view stays on the
// day, and once the lock is gone the copy goes through whole.
TEST_F(QuickLogTest, CopyToTodayUnderAHeldLockCopiesNothing) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Log(kBanana, "Banana, raw", yesterday_, 1.18);
  Activate();
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  ASSERT_NO_FATAL_FAILURE(LockLog());
  gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
  drain_events();
  const std::string message = TakeMessage();
  EXPECT_NE(std::string::npos, message.find("The entries were not copied to today."));
  EXPECT_NE(std::string::npos, message.find("locked"));
  EXPECT_EQ(yesterday_, state_.current_date);
  EXPECT_FALSE(NoticeShown());
  UnlockLog();
  EXPECT_TRUE(Entries(today_).empty());

  gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
  drain_events();
  EXPECT_EQ(2u, Entries(today_).size());

  // An undo that cannot write says so and leaves the copies; a later one succeeds.
  ASSERT_NO_FATAL_FAILURE(LockLog());
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_NE(std::string::npos, TakeMessage().find("The last change was not undone"));
  UnlockLog();
  EXPECT_EQ(2u, Entries(today_).size());
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_TRUE(Entries(today_).empty());
}

TEST_F(QuickLogTest, EscapeInTheSearchFieldClosesTheSearchDialog) {
  Activate();
  send_key(state_.main_window, GDK_KEY_f, GDK_CONTROL_MASK);
  GtkWidget *search = dialog_titled("Search Foods");
  ASSERT_NE(nullptr, search);
  WidgetWatch watch(search);
  GtkWidget *entry = find_widgets(search, GTK_TYPE_SEARCH_ENTRY).at(0);
  gtk_entry_set_text(GTK_ENTRY(entry), "milk");
  gtk_widget_grab_focus(entry);
  send_key(entry, GDK_KEY_Escape);
  EXPECT_EQ(nullptr, watch.get());
  EXPECT_EQ(nullptr, dialog_titled("Search Foods"));
}

TEST_F(QuickLogTest, TheAmountReadsAsAFactorOfTheMeasure) {
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, kMilk, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY));
  GtkWidget *row = gtk_widget_get_parent(spin);
  std::vector<std::string> texts;
  GList *children = gtk_container_get_children(GTK_CONTAINER(row));
  for (GList *l = children; l; l = l->next) {
    GtkWidget *child = GTK_WIDGET(l->data);
    // The note on amounts out of range stays hidden until there is one.
    if (GTK_IS_LABEL(child) && gtk_widget_get_visible(child))
      texts.emplace_back(gtk_label_get_text(GTK_LABEL(child)));
    else if (child == spin) texts.emplace_back("[servings]");
    else if (child == amount_spin_of(spin)) texts.emplace_back("[amount]");
    else if (GTK_IS_COMBO_BOX(child)) texts.emplace_back("[measure]");
  }
  g_list_free(children);
  EXPECT_EQ((std::vector<std::string>{"Servings:", "[servings]", "=", "[amount]", "×",
                                      "[measure]"}),
            texts);
  EXPECT_STREQ("Amount", atk_object_get_name(gtk_widget_get_accessible(amount_spin_of(spin))));
}

// Undo exists while its notification shows, and Ctrl+Z in a field with text is the field's.
TEST_F(QuickLogTest, UndoEndsWithItsNotificationAndGivesWayToTheTextTyped) {
  LogMeasured(kMilk, "Milk, whole", yesterday_, "1 cup", 244.0, 1.0);
  Activate();
  Type("whole milk");
  send_key(Field(), GDK_KEY_Return);
  ASSERT_EQ(1u, Entries(today_).size());
  ASSERT_TRUE(NoticeShown());
  // The next food is being typed: Ctrl+Z goes to the field, the entry stays.
  Type("eggg");
  send_key(Field(), GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(1u, Entries(today_).size());
  EXPECT_STREQ("eggg", gtk_entry_get_text(GTK_ENTRY(Field())));
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ("“Milk, whole — 1 cup (244 g)” logged", NoticeText());
  // Emptied, the field has no text to undo: Ctrl+Z is the notification's again.
  Type("");
  send_key(Field(), GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_TRUE(Entries(today_).empty());
  EXPECT_EQ("Undone: Milk, whole", NoticeText());
  // Redo while that shows; once the notification is gone, neither key changes the log.
  send_key(Field(), GDK_KEY_Z, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
  ASSERT_EQ(1u, Entries(today_).size());
  GtkWidget *close = find_widgets(quick_log_notification(&state_), GTK_TYPE_BUTTON).back();
  gtk_button_clicked(GTK_BUTTON(close));
  drain_events();
  EXPECT_FALSE(NoticeShown());
  send_key(Field(), GDK_KEY_z, GDK_CONTROL_MASK);
  on_undo_clicked(nullptr, &state_);
  EXPECT_EQ(1u, Entries(today_).size());
  GAction *undo = g_action_map_lookup_action(G_ACTION_MAP(state_.main_window), "undo");
  EXPECT_FALSE(g_action_get_enabled(undo));
}

// Undo deletes a row only while it is the one logged: not when another program changed its
// servings, nor a row of another writer that took the id of one deleted meanwhile.
TEST_F(QuickLogTest, UndoLeavesRowsThatChangedSinceAndSaysSo) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Log(kBanana, "Banana, raw", yesterday_, 1.18);
  Activate();
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
  drain_events();
  ASSERT_EQ(2u, Entries(today_).size());
  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other, ("UPDATE food_log SET servings = 3 WHERE date = '" +
                                        std::string(today_) + "' AND food_code = " +
                                        std::to_string(kMilk)).c_str()));
  sqlite3_close(other);
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 3.00"}, Entries(today_));
  EXPECT_EQ("Undone: Banana, raw\n1 entry was changed or deleted since and stays as it is.",
            NoticeText());

  // A quick log whose row is changed before Undo: nothing is deleted, and the notice says so.
  Type("banana");
  send_key(Field(), GDK_KEY_Return);
  ASSERT_EQ(2u, Entries(today_).size());
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "UPDATE food_log SET date = '2020-01-01' WHERE id = "
                                       "(SELECT max(id) FROM food_log)"));
  sqlite3_close(other);
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(1u, Entries("2020-01-01").size());
  EXPECT_EQ("Nothing undone: the entry was changed or deleted since.", NoticeText());
  EXPECT_EQ(nullptr, find_button(quick_log_notification(&state_), "Redo"));
}

// Another writer's amounts that the dialogs would refuse are never logged again as they are.
TEST_F(QuickLogTest, AnAmountOutOfRangeOpensTheAddDialogInsteadOfBeingLoggedAgain) {
  for (const double servings : {-1.0, 1e12, 0.0, 100.5}) {
    SCOPED_TRACE(servings);
    ASSERT_EQ(SQLITE_OK, exec_sql(state_.log_db, "DELETE FROM food_log"));
    Log(kMilk, "Milk, whole", yesterday_, servings);
    if (!state_.main_window) Activate();
    Type("whole milk");
    send_key(Field(), GDK_KEY_Return);
    EXPECT_TRUE(Entries(today_).empty());
    GtkWidget *dialog = dialog_titled("Milk, whole");
    ASSERT_NE(nullptr, dialog);
    gtk_widget_destroy(dialog);
    drain_events();
  }
  // A last amount in range is logged again at once, as always.
  Log(kMilk, "Milk, whole", yesterday_, 100.0);
  Type("whole milk");
  send_key(Field(), GDK_KEY_Return);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 100.00"}, Entries(today_));
}

// Another program holds the log locked: the keys in the field never wait, the field says
// once that the log is busy, and the suggestions are those read before.
TEST_F(QuickLogTest, KeysInTheFieldNeverWaitForALockedLog) {
  LogMeasured(kMilk, "Milk, whole", yesterday_, "1 cup", 244.0, 1.0);
  Activate();
  Type("mil");
  ASSERT_NO_FATAL_FAILURE(LockLog(200));
  const unsigned long waits = db_lock_waits;
  for (const char *text : {"milk", "whole milk", "", "milk"}) Type(text);
  send_key(Field(), GDK_KEY_Down);
  EXPECT_EQ(waits, db_lock_waits);
  EXPECT_STREQ("dialog-warning-symbolic",
               gtk_entry_get_icon_name(GTK_ENTRY(Field()), GTK_ENTRY_ICON_SECONDARY));
  gchar *tooltip = gtk_entry_get_icon_tooltip_text(GTK_ENTRY(Field()), GTK_ENTRY_ICON_SECONDARY);
  EXPECT_NE(nullptr, strstr(tooltip ? tooltip : "", "The food log is busy"));
  g_free(tooltip);
  // A screen reader hears it too, before the suggestion selected.
  const std::string description =
      atk_object_get_description(gtk_widget_get_accessible(Field())) ?: "";
  EXPECT_EQ(0u, description.find("The food log is busy")) << description;
  EXPECT_NE(std::string::npos, description.find(". Milk, ")) << description;
  std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("Milk, whole — 1 cup (244 g)", texts[0]);
  // Copy to Today waits once, as a dialog's write does, and says it was not saved.
  UnlockLog();
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  ASSERT_EQ(yesterday_, state_.current_date);
  ASSERT_NO_FATAL_FAILURE(LockLog(200));
  const unsigned long before_copy = db_lock_waits;
  gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
  drain_events();
  EXPECT_EQ(before_copy + 1, db_lock_waits);
  EXPECT_NE(std::string::npos, TakeMessage().find("The entries were not copied to today."));
  UnlockLog();
  Type("milk ");
  EXPECT_EQ(nullptr, gtk_entry_get_icon_name(GTK_ENTRY(Field()), GTK_ENTRY_ICON_SECONDARY));
}

// The keys typed while a quick log waited for the lock arrive after it: they go nowhere, so
// that a second Enter neither answers the "Not Saved" message unseen nor logs a food later.
TEST_F(QuickLogTest, KeysTypedWhileAWriteWaitedGoNowhere) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Activate();
  Type("whole milk");
  ASSERT_NO_FATAL_FAILURE(LockLog(300));
  send_key_at(Field(), GDK_KEY_PRESS, GDK_KEY_Return, 100000);  // waits 300 ms, then fails
  ASSERT_EQ(1u, messages_over(state_.main_window).size());
  UnlockLog();
  // Pressed during the wait, by the X server's clock.
  send_key_at(Field(), GDK_KEY_RELEASE, GDK_KEY_Return, 100050);
  send_key_at(Field(), GDK_KEY_PRESS, GDK_KEY_Return, 100150);
  send_key_at(Field(), GDK_KEY_RELEASE, GDK_KEY_Return, 100200);
  EXPECT_EQ(1u, messages_over(state_.main_window).size());
  EXPECT_NE(std::string::npos, TakeMessage().find("The food was not added to the log."));
  EXPECT_TRUE(Entries(today_).empty());
  // A key pressed after the wait acts.
  gtk_widget_grab_focus(Field());
  send_key_at(Field(), GDK_KEY_PRESS, GDK_KEY_Return, 110000);
  send_key_at(Field(), GDK_KEY_RELEASE, GDK_KEY_Return, 110050);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries(today_));
}

// A lock that ends while a quick log waits for it: the food is logged, and the field no
// longer says that the log is busy.
TEST_F(QuickLogTest, AQuickLogThatWaitedOutTheLockLogsAndTheBusyNoteGoes) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Activate();
  Type("whole milk");
  ASSERT_NO_FATAL_FAILURE(LockLog(kDbBusyTimeoutMs));
  std::thread other([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    exec_sql(locker_, "ROLLBACK");
  });
  send_key(Field(), GDK_KEY_Return);
  other.join();
  UnlockLog();
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries(today_));
  EXPECT_TRUE(NoticeShown());
  EXPECT_EQ(nullptr, gtk_entry_get_icon_name(GTK_ENTRY(Field()), GTK_ENTRY_ICON_SECONDARY));
  const char *description = atk_object_get_description(gtk_widget_get_accessible(Field()));
  EXPECT_EQ(nullptr, strstr(description ? description : "", "busy"));
}

// Copy to Today copies what the view showed: when another program changed the day since, the
// view shows it again and asks.
TEST_F(QuickLogTest, CopyToTodayCopiesTheEntriesShownOrAsksWhenTheDayChanged) {
  Log(kMilk, "Milk, whole", yesterday_, 2.44);
  Log(kBanana, "Banana, raw", yesterday_, 1.18);
  Activate();
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  ASSERT_EQ(2u, Rows());
  // Another program adds to the day after it was drawn, once before each answer.
  auto add_elsewhere = [&] {
    sqlite3 *other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
    ASSERT_EQ(SQLITE_OK,
              exec_sql(other, ("INSERT INTO food_log (food_code, description, date, servings) "
                               "VALUES (92101000, 'Coffee, brewed', '" + yesterday_ + "', 2.37)")
                                  .c_str()));
    sqlite3_close(other);
  };
  size_t shown = 2;
  for (const GtkResponseType answer : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
    add_elsewhere();
    shown++;
    gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
    drain_events();
    EXPECT_TRUE(Entries(today_).empty());
    EXPECT_EQ(shown, Rows());  // drawn again
    std::vector<GtkWidget *> messages = messages_over(state_.main_window);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("The entries of this date changed after they were shown.\n"
              "Copy the " + std::to_string(shown) + " entries shown now to today?",
              message_texts(messages[0]));
    gtk_dialog_response(GTK_DIALOG(messages[0]), answer);
    drain_events();
  }
  EXPECT_EQ(4u, Entries(today_).size());
  EXPECT_STREQ(today_, state_.current_date);
  EXPECT_EQ("4 entries copied to today", NoticeText());
}

// The window follows the local date, by a clock of the test's own.
class QuickLogMidnightTest : public QuickLogTest {
 protected:
  void SetUp() override {
    QuickLogTest::SetUp();
    // An hour before midnight: the window's real timer does not fire during a test.
    SetClock("2026-12-08 23:00:00");
  }
  // The window gets the focus, as when the person comes back to it.
  void FocusIn() {
    GdkEvent *event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(state_.main_window)));
    event->focus_change.in = TRUE;
    gtk_widget_send_focus_change(state_.main_window, event);
    gdk_event_free(event);
    drain_events();
  }
  std::string FrameLabel() { return gtk_frame_get_label(GTK_FRAME(state_.log_frame)); }
  ScopedTimeZone zone_{"UTC"};
};

TEST_F(QuickLogMidnightTest, AViewOfTodayMovesToTheNewDayAndTodayLabelsNoOtherDay) {
  Log(kMilk, "Milk, whole", "2026-12-08", 2.44);
  Activate();
  ASSERT_STREQ("2026-12-08", state_.current_date);
  EXPECT_EQ("Food Log - 12/08/26 (Today)", FrameLabel());
  SetClock("2026-12-09 00:00:07");
  EXPECT_TRUE(day_follow_check(&state_));  // what the timer, the time zone and focus-in run
  EXPECT_STREQ("2026-12-09", state_.current_date);
  EXPECT_EQ("Food Log - 12/09/26 (Today)", FrameLabel());
  // Another day on display stays there at the next midnight, and is no longer "Today".
  send_key(state_.main_window, GDK_KEY_Left, GDK_MOD1_MASK);
  ASSERT_STREQ("2026-12-08", state_.current_date);
  EXPECT_TRUE(gtk_widget_get_sensitive(quick_log_copy_button(&state_)));
  SetClock("2026-12-10 00:00:01");
  EXPECT_FALSE(day_follow_check(&state_));
  EXPECT_STREQ("2026-12-08", state_.current_date);
  EXPECT_EQ("Food Log - 12/08/26", FrameLabel());
  // Back on today, the focus coming back to the window is enough to follow the date.
  on_today_clicked(nullptr, &state_);
  SetClock("2026-12-11 00:00:01");
  FocusIn();
  EXPECT_STREQ("2026-12-11", state_.current_date);
  EXPECT_EQ("Food Log - 12/11/26 (Today)", FrameLabel());
  // Any redraw after midnight moves a view of the old today before it draws.
  SetClock("2026-12-12 00:00:01");
  refresh_views(&state_);
  EXPECT_STREQ("2026-12-12", state_.current_date);
  EXPECT_EQ("Food Log - 12/12/26 (Today)", FrameLabel());
}

// Enter after midnight, before the window looked at the date: the view moves to the new day
// first, and the food goes there only with the next Enter, once the person has seen it.
TEST_F(QuickLogMidnightTest, AQuickLogNeverGoesToADayThePersonDidNotSee) {
  Log(kMilk, "Milk, whole", "2026-12-07", 2.44);
  Activate();
  Type("whole milk");
  SetClock("2026-12-09 00:00:07");
  send_key(Field(), GDK_KEY_Return);
  EXPECT_TRUE(Entries("2026-12-08").empty());
  EXPECT_TRUE(Entries("2026-12-09").empty());
  EXPECT_STREQ("2026-12-09", state_.current_date);
  EXPECT_EQ("A new day has begun: the log now shows today, 12/09/26. Press Enter to log the "
            "food on it.",
            NoticeText());
  EXPECT_STREQ("whole milk", gtk_entry_get_text(GTK_ENTRY(Field())));
  send_key(Field(), GDK_KEY_Return);
  EXPECT_EQ(std::vector<std::string>{"Milk, whole 2.44"}, Entries("2026-12-09"));
}

// The timer's next midnight, also on days that a change of clocks makes shorter or longer,
// and where midnight itself is skipped.
TEST(DayFollowTest, TheNextMidnightIsTheFirstSecondOfTheNextLocalDay) {
  const struct {
    const char *zone;
    const char *now_utc;       // "YYYY-MM-DD HH:MM:SS"
    const char *midnight_utc;  // the first second of the next local day
  } cases[] = {
      {"UTC", "2026-12-08 23:59:59", "2026-12-09 00:00:00"},
      {"UTC", "2026-12-08 00:00:00", "2026-12-09 00:00:00"},
      {"Europe/Berlin", "2026-03-28 23:30:00", "2026-03-29 22:00:00"},  // a day of 23 hours
      {"Europe/Berlin", "2026-10-25 12:00:00", "2026-10-25 23:00:00"},  // a day of 25 hours
      {"America/Sao_Paulo", "2018-11-03 15:00:00", "2018-11-04 03:00:00"},  // 00:00 skipped
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.now_utc);
    if (!time_zone_installed(c.zone)) continue;
    ScopedTimeZone zone(c.zone);
    auto utc = [](const char *text) {
      struct tm when = {};
      sscanf(text, "%d-%d-%d %d:%d:%d", &when.tm_year, &when.tm_mon, &when.tm_mday, &when.tm_hour,
             &when.tm_min, &when.tm_sec);
      when.tm_year -= 1900;
      when.tm_mon -= 1;
      return timegm(&when);
    };
    EXPECT_EQ(utc(c.midnight_utc) - utc(c.now_utc),
              day_follow_next_midnight(utc(c.now_utc)) - utc(c.now_utc));
  }
}

}  // namespace

// Amounts typed with the food are logged at once with what the first suggestion says, the
// grams of USDA's measure of that food times the count, and kept in that measure: re-logging
// every food of the day on another day, copying the day, undoing and redoing the copy and
// saving an entry's edit dialog give back the very amounts and measures shown.
TEST_F(QuickLogTest, AnAmountTypedWithTheFoodIsLoggedAtOnceWithoutADialog) {
  struct Case {
    const char *typed;
    const char *first;   // the first suggestion
    const char *logged;  // the entry it makes
    const char *row;     // the amount its row in the food log shows
  };
  const Case cases[] = {
      // 1 egg is 55 g: 2 × 55 g.
      {"2 scrambled eggs", "Egg omelet or scrambled egg, NS as to fat: 2 × 1 egg (55 g)",
       "Egg omelet or scrambled egg, NS as to fat 1.10", "2 × 1 egg (110 g)"},
      {"200 g white rice", "Rice, white, cooked, NS as to fat: 200 g",
       "Rice, white, cooked, NS as to fat 2.00", "200 g"},
      // 1 pat is 7 g, under the old smallest amount of 10 g.
      {"1 pat butter stick", "Butter, stick: 1 pat (7 g)", "Butter, stick 0.07", "1 pat (7 g)"},
      // 1 fl oz is 30 g: 12 × 30 g.
      {"12 fl oz beer", "Beer: 12 fl oz (360 g)", "Beer 3.60", "12 fl oz (360 g)"},
      {"whole milk 1 cup", "Milk, whole: 1 cup (244 g)", "Milk, whole 2.44", "1 cup (244 g)"},
      // 1 cup, cooked is 240 g: half of it.
      {"1/2 cup oatmeal regular water",
       "Oatmeal, regular or quick, made with water, NS as to fat: 0.5 × 1 cup, cooked (240 g)",
       "Oatmeal, regular or quick, made with water, NS as to fat 1.20",
       "0.5 × 1 cup, cooked (120 g)"},
  };
  Activate();
  std::vector<std::string> logged;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    Type(c.typed);
    std::vector<std::string> shown = quick_log_suggestion_texts(&state_);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(c.first, shown[0]);
    send_key(Field(), GDK_KEY_Return);
    EXPECT_TRUE(messages_over(state_.main_window).empty());
    logged.push_back(c.logged);
    EXPECT_EQ(logged, Entries(today_));
    EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(Field())));
    const std::vector<std::string> rows = entry_row_texts(&state_);
    ASSERT_EQ(logged.size(), rows.size());
    EXPECT_NE(std::string::npos, rows.back().find(std::string(" | ") + c.row + " | ")) << rows.back();
  }
  const std::vector<std::string> day = entry_row_texts(&state_);

  // Each food again, by its name, on yesterday.
  view_show_date(&state_, yesterday_.c_str());
  for (const Case &c : cases) {
    const std::string entry = c.logged;
    const std::string name = entry.substr(0, entry.rfind(' '));
    SCOPED_TRACE(name);
    Type(name.c_str());
    send_key(Field(), GDK_KEY_Return);
  }
  EXPECT_EQ(day, entry_row_texts(&state_));

  // Copied to today, undone and done again.
  gtk_button_clicked(GTK_BUTTON(quick_log_copy_button(&state_)));
  drain_events();
  ASSERT_EQ(today_, std::string(state_.current_date));
  std::vector<std::string> twice = day;
  twice.insert(twice.end(), day.begin(), day.end());
  EXPECT_EQ(twice, entry_row_texts(&state_));
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(day, entry_row_texts(&state_));
  send_key(state_.main_window, GDK_KEY_Z, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
  EXPECT_EQ(twice, entry_row_texts(&state_));

  // The edit dialog opens in the measure, and saving it keeps it.
  gtk_button_clicked(GTK_BUTTON(find_button(state_.log_list_box, "Edit")));
  drain_events();
  GtkWidget *dialog = dialog_titled("Egg omelet or scrambled egg, NS as to fat");
  ASSERT_NE(nullptr, dialog);
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY));
  EXPECT_EQ("1.10 = 2.00 × 1 egg (55 g)", measure_row_text(spin));
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Save")));
  drain_events();
  EXPECT_EQ(twice, entry_row_texts(&state_));
}

// An amount the food has no measure for is said, not guessed; Enter opens the dialog.
TEST_F(QuickLogTest, AVolumeTheFoodHasNoMeasureForIsSaidAndLogsNothing) {
  Activate();
  send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
  Type("1 cup butter stick");
  std::vector<std::string> shown = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ("Butter, stick: 1 cup (224 g)", shown[0]);
  Type("1 tsp banana raw");
  shown = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ("Banana, raw: 1 tsp (3.125 g)", shown[0]);
  Type("20 kg banana raw");
  shown = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ("Banana, raw: not from 1 g to 10000 g: pick an amount", shown[0]);
  Type("1 cup coffee brewed");
  shown = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(0u, Entries(today_).size());
}
