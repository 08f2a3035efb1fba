// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's budget bars, entry list and date navigation, on real widgets.
#include <sqlite3.h>

#include <clocale>
#include <cstring>
#include <string>

#include "budget/date-string.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/entry-dialogs.h"
#include "ui/object-keys.h"

namespace {

// Foods of the reference database with known equivalents per serving.
constexpr int kSpaghettiSauce = 27141035;  // 0.4 cup-eq vegetables
constexpr int kAppleRaw = 63101000;        // 0.91 cup-eq fruits
constexpr int kMilkWhole = 11111000;       // 0.41 cup-eq dairy
constexpr int kNoSuchFood = 99999999;      // not in the database

class BudgetViewTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  std::string BarText(int group) {
    const char *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[group]));
    return text ? text : "";
  }
  double BarFraction(int group) {
    return gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(state_.group_bars[group]));
  }
  std::string FrameLabel() { return gtk_frame_get_label(GTK_FRAME(state_.log_frame)); }
  std::vector<GtkWidget *> Rows() {
    std::vector<GtkWidget *> rows;
    GList *children = gtk_container_get_children(GTK_CONTAINER(state_.log_list_box));
    for (GList *l = children; l; l = l->next) rows.push_back(GTK_WIDGET(l->data));
    g_list_free(children);
    return rows;
  }
  std::string Display(const char *date) {
    char out[DISPLAY_DATE_SIZE];
    return date_to_display(date, out);
  }
  void Click(const char *label) {
    GtkWidget *button = find_button(state_.main_window, label);
    ASSERT_NE(nullptr, button) << label;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(BudgetViewTest, EmptyLogShowsZeroBarsAgainstThe2000KcalBudget) {
  Activate();
  const char *expected[] = {
      "Vegetables (cup-eq): 0.0 / 2.5", "Fruits (cup-eq): 0.0 / 2.0",
      "Grains (oz-eq): 0.0 / 6.0",      "Dairy (cup-eq): 0.0 / 3.0",
      "Protein (oz-eq): 0.0 / 5.5",     "Oils (g): 0.0 / 27.0",
  };
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    EXPECT_EQ(expected[g], BarText(g));
    EXPECT_EQ(0.0, BarFraction(g));
    EXPECT_TRUE(gtk_progress_bar_get_show_text(GTK_PROGRESS_BAR(state_.group_bars[g])));
  }
  EXPECT_EQ("USDA Healthy US-Style Eating Pattern (2000 kcal) - " + Display(today_),
            gtk_label_get_text(GTK_LABEL(state_.budget_label)));
  EXPECT_EQ("Food Log - " + Display(today_) + " (Today)", FrameLabel());
  std::vector<GtkWidget *> rows = Rows();
  ASSERT_EQ(1u, rows.size());
  ASSERT_TRUE(GTK_IS_LABEL(rows[0]));
  EXPECT_STREQ("No entries for this date.", gtk_label_get_text(GTK_LABEL(rows[0])));
}

TEST_F(BudgetViewTest, EntriesAddTheirEquivalentsTimesServings) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", today_, 2.5));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", today_, 4.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kNoSuchFood, "Unknown food", today_, 3.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-01", 9.0));
  Activate();

  // 2.5 servings of 0.4 cup-eq vegetables.
  EXPECT_EQ("Vegetables (cup-eq): 1.0 / 2.5", BarText(FOOD_GROUP_VEGETABLES));
  EXPECT_NEAR(0.4, BarFraction(FOOD_GROUP_VEGETABLES), 1e-9);
  // 4 apples are 3.64 cup-eq fruits: the bar is full and says the real sum.
  EXPECT_EQ("Fruits (cup-eq): 3.6 / 2.0", BarText(FOOD_GROUP_FRUITS));
  EXPECT_EQ(1.0, BarFraction(FOOD_GROUP_FRUITS));
  // The milk belongs to another day.
  EXPECT_EQ("Dairy (cup-eq): 0.0 / 3.0", BarText(FOOD_GROUP_DAIRY));

  std::vector<GtkWidget *> rows = Rows();
  ASSERT_EQ(3u, rows.size());  // the unknown food is listed all the same
  std::vector<std::string> texts = label_texts(rows[2]);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("99999999  -  Unknown food  (3.0 servings)", texts[0]);
  EXPECT_EQ("27141035  -  Spaghetti sauce  (2.5 servings)", label_texts(rows[0])[0]);
}

TEST_F(BudgetViewTest, BarAboveItsBudgetIsMarkedUntilTheSumFallsBack) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", today_, 4.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-01-01", 1.0));
  Activate();
  auto marked = [&](int group) {
    GtkWidget *bar = state_.group_bars[group];
    const char *said = atk_object_get_description(gtk_widget_get_accessible(bar));
    return std::string(gtk_style_context_has_class(gtk_widget_get_style_context(bar),
                                                   BAR_OVER_BUDGET_CLASS) ? "class " : "") +
           (said ? said : "");
  };
  EXPECT_EQ("class Over budget", marked(FOOD_GROUP_FRUITS));  // 3.6 of 2.0
  EXPECT_EQ("", marked(FOOD_GROUP_VEGETABLES));
  snprintf(state_.current_date, sizeof state_.current_date, "2024-01-01");
  refresh_views(&state_);
  EXPECT_EQ("", marked(FOOD_GROUP_FRUITS));  // 0.9 of 2.0
}

TEST_F(BudgetViewTest, EnergyBarAddsTheEntriesKcalAgainstTheCalorieTarget) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", today_, 2.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", today_, 4.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kNoSuchFood, "Unknown food", today_, 3.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-01-01", 40.0));
  Activate();
  GtkWidget *bar = state_.energy_bar;
  ASSERT_NE(nullptr, bar);
  auto marked = [&] {
    return gtk_style_context_has_class(gtk_widget_get_style_context(bar), BAR_OVER_BUDGET_CLASS);
  };

  // 2 servings of 65 kcal and 4 of 52; the unknown food adds nothing.
  const char *text = "Energy (kcal): 338 / 2000";
  EXPECT_STREQ(text, gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)));
  EXPECT_STREQ(text, atk_object_get_name(gtk_widget_get_accessible(bar)));
  EXPECT_TRUE(gtk_progress_bar_get_show_text(GTK_PROGRESS_BAR(bar)));
  EXPECT_NEAR(338.0 / 2000.0, gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)), 1e-9);
  EXPECT_FALSE(marked());
  // Each row after its label: the amount (in grams, as these entries keep no measure) and
  // the energy that entry adds, in the order the entries were logged.
  EXPECT_EQ((std::vector<std::string>{
                "27141035  -  Spaghetti sauce  (2.0 servings) | 200 g | 130 kcal",
                "63101000  -  Apple, raw  (4.0 servings) | 400 g | 208 kcal",
                "99999999  -  Unknown food  (3.0 servings) | 300 g | ? kcal"}),
            entry_row_texts(&state_));

  // 40 apples are 2080 kcal: above the target, the bar is full and orange.
  snprintf(state_.current_date, sizeof state_.current_date, "2024-01-01");
  refresh_views(&state_);
  EXPECT_STREQ("Energy (kcal): 2080 / 2000", gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)));
  EXPECT_EQ(1.0, gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)));
  EXPECT_TRUE(marked());
  EXPECT_STREQ("Over budget", atk_object_get_description(gtk_widget_get_accessible(bar)));

  // A larger target takes the mark away again.
  state_.calorie_target = 2200;
  refresh_views(&state_);
  EXPECT_STREQ("Energy (kcal): 2080 / 2200", gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)));
  EXPECT_FALSE(marked());
}

TEST_F(BudgetViewTest, RowButtonsCarryTheEntry) {
  LogMeasured(kAppleRaw, "Apple, raw", today_, "1 medium (3\" dia)", 150.0, 1.0);
  Activate();
  LogEntryList list;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today_, &list));
  ASSERT_EQ(1u, list.count);
  int64_t id = list.items[0].id;
  log_entry_list_free(&list);

  std::vector<GtkWidget *> rows = Rows();
  ASSERT_EQ(1u, rows.size());
  GtkWidget *edit = find_button(rows[0], "Edit");
  GtkWidget *del = find_button(rows[0], "Delete");
  ASSERT_NE(nullptr, edit);
  ASSERT_NE(nullptr, del);
  EXPECT_EQ(id, entry_id_get(G_OBJECT(edit)));
  EXPECT_EQ(id, entry_id_get(G_OBJECT(del)));
  auto *servings = static_cast<double *>(g_object_get_data(G_OBJECT(edit), KEY_ENTRY_SERVINGS));
  ASSERT_NE(nullptr, servings);
  EXPECT_EQ(1.5, *servings);
  EXPECT_STREQ(today_, static_cast<char *>(g_object_get_data(G_OBJECT(edit), KEY_ENTRY_DATE)));
  EXPECT_STREQ("Apple, raw",
               static_cast<char *>(g_object_get_data(G_OBJECT(edit), KEY_ENTRY_DESC)));

  // Label, amount, energy, "Edit", "Delete" from left to right.
  GList *children = gtk_container_get_children(GTK_CONTAINER(rows[0]));
  std::vector<GtkWidget *> order;
  for (GList *l = children; l; l = l->next)
    if (GTK_IS_LABEL(l->data)) order.push_back(GTK_WIDGET(l->data));
  g_list_free(children);
  ASSERT_EQ(3u, order.size());
  EXPECT_EQ(std::vector<std::string>{"63101000  -  Apple, raw  (1.5 servings) | 1 medium (3\" "
                                     "dia) (150 g) | 78 kcal"},
            entry_row_texts(&state_));
  order.push_back(edit);
  order.push_back(del);
  int previous = -1;
  for (GtkWidget *widget : order) {
    GtkAllocation box;
    gtk_widget_get_allocation(widget, &box);
    EXPECT_LT(previous, box.x);
    previous = box.x;
  }
  // The list scrolls as it always did, with a scroll bar that stays on screen (no overlay).
  GtkWidget *scrolled = gtk_widget_get_ancestor(state_.log_list_box, GTK_TYPE_SCROLLED_WINDOW);
  ASSERT_NE(nullptr, scrolled);
  GtkPolicyType horizontal, vertical;
  gtk_scrolled_window_get_policy(GTK_SCROLLED_WINDOW(scrolled), &horizontal, &vertical);
  EXPECT_EQ(GTK_POLICY_AUTOMATIC, vertical);
  EXPECT_EQ(GTK_POLICY_AUTOMATIC, horizontal);
  EXPECT_FALSE(gtk_scrolled_window_get_overlay_scrolling(GTK_SCROLLED_WINDOW(scrolled)));
}

TEST_F(BudgetViewTest, LongDescriptionIsCutTo511Characters) {
  std::string description(600, 'x');
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, description.c_str(), today_, 1.0));
  Activate();
  std::vector<GtkWidget *> rows = Rows();
  ASSERT_EQ(1u, rows.size());
  std::string text = label_texts(rows[0])[0];
  EXPECT_EQ(511u, text.size());
  EXPECT_EQ("63101000  -  xxx", text.substr(0, 16));
}

// A description cut by the row's buffer inside a character: the label, its tooltip and the
// buttons' descriptions are whole characters, as a screen reader's bus needs them.
TEST_F(BudgetViewTest, DescriptionCutInsideACharacterStaysValidUtf8) {
  for (const char *character : {"\u00e9", "\u20ac", "\U0001F34E"}) {
    SCOPED_TRACE(character);
    std::string description;
    while (description.size() < 600) description += character;
    for (const std::string &prefix : {std::string(), std::string("x"), std::string("xy")}) {
      ASSERT_EQ(
          0, log_entry_add(state_.log_db, kAppleRaw, (prefix + description).c_str(), today_, 1.0));
    }
  }
  Activate();
  std::vector<GtkWidget *> rows = Rows();
  ASSERT_EQ(9u, rows.size());
  for (GtkWidget *row : rows) {
    GtkWidget *label = find_widgets(row, GTK_TYPE_LABEL)[0];
    const char *text = gtk_label_get_text(GTK_LABEL(label));
    EXPECT_TRUE(g_utf8_validate(text, -1, nullptr)) << text;
    EXPECT_LE(strlen(text), 511u);
    EXPECT_GE(strlen(text), 508u) << "cut at the last whole character";
    gchar *tooltip = gtk_widget_get_tooltip_text(label);
    EXPECT_STREQ(text, tooltip);
    g_free(tooltip);
    for (const char *button : {"Edit", "Delete"}) {
      const char *said =
          atk_object_get_description(gtk_widget_get_accessible(find_button(row, button)));
      EXPECT_STREQ(text, said);
    }
  }
}

// The day on display keeps its date in every time zone, in the frame and the budget label.
TEST_F(BudgetViewTest, LabelsShowTheDateOnDisplayInEveryTimeZone) {
  Activate();
  size_t tried = 0;
  for (const ZoneDate &z : kZoneDates) {
    SCOPED_TRACE(std::string(z.zone) + " " + z.date + ": " + z.why);
    if (!time_zone_installed(z.zone)) continue;
    ++tried;
    ScopedTimeZone zone(z.zone);
    snprintf(state_.current_date, sizeof state_.current_date, "%s", z.date);
    refresh_views(&state_);
    char today[DATE_STRING_SIZE];
    date_today(today);
    EXPECT_EQ(std::string("Food Log - ") + z.shown + (strcmp(today, z.date) == 0 ? " (Today)" : ""),
              FrameLabel());
    EXPECT_EQ(std::string("USDA Healthy US-Style Eating Pattern (2000 kcal) - ") + z.shown,
              gtk_label_get_text(GTK_LABEL(state_.budget_label)));
  }
  if (tried == 0) GTEST_SKIP() << "the time-zone database (tzdata) is not installed";
}

// In a locale whose encoding is not UTF-8 the locale's date form reaches the labels
// converted to UTF-8, the same text as in that language's UTF-8 locale.
TEST_F(BudgetViewTest, DatesOfANonUtf8LocaleReachTheLabelsAsUtf8) {
  struct Case {
    const char *locale;
    const char *utf8_locale;
  };
  const Case cases[] = {{"ja_JP.EUC-JP", "ja_JP.UTF-8"}, {"de_DE.ISO-8859-1", "de_DE.UTF-8"}};
  Activate();
  snprintf(state_.current_date, sizeof state_.current_date, "2026-11-30");
  size_t tried = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.locale);
    if (!locale_installed(c.locale) || !locale_installed(c.utf8_locale)) continue;
    ++tried;
    setlocale(LC_TIME, c.utf8_locale);
    char expected[DISPLAY_DATE_SIZE];
    date_to_display(state_.current_date, expected);
    setlocale(LC_ALL, c.locale);
    refresh_views(&state_);
    const std::string frame = FrameLabel();
    const std::string budget = gtk_label_get_text(GTK_LABEL(state_.budget_label));
    setlocale(LC_ALL, "C.UTF-8");
    EXPECT_TRUE(g_utf8_validate(frame.c_str(), -1, nullptr)) << frame;
    EXPECT_EQ(std::string("Food Log - ") + expected, frame);
    EXPECT_EQ(std::string("USDA Healthy US-Style Eating Pattern (2000 kcal) - ") + expected,
              budget);
  }
  if (tried == 0) GTEST_SKIP() << "neither ja_JP.EUC-JP nor de_DE.ISO-8859-1 is installed";
}

TEST_F(BudgetViewTest, FailedEntryReadShowsZeroBarsAndNoPlaceholder) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", today_, 1.0));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(state_.log_db, "ALTER TABLE food_log RENAME TO gone",
                                    nullptr, nullptr, nullptr));
  testing::internal::CaptureStderr();
  Activate();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("alimora: SQL error: no such table: food_log\n"));
  EXPECT_EQ("Fruits (cup-eq): 0.0 / 2.0", BarText(FOOD_GROUP_FRUITS));
  EXPECT_STREQ("Energy (kcal): 0 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_TRUE(Rows().empty());
}

TEST_F(BudgetViewTest, TargetBelowTheLowestLevelUsesThe1000KcalBudget) {
  state_.calorie_target = -50;
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", today_, 1.0));
  Activate();
  EXPECT_EQ("Fruits (cup-eq): 0.9 / 1.0", BarText(FOOD_GROUP_FRUITS));
  EXPECT_NEAR(0.91, BarFraction(FOOD_GROUP_FRUITS), 1e-9);
}

TEST_F(BudgetViewTest, NavigationStepsThroughLoggedDates) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-01-03", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-05", 2.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-05", 1.0));
  Activate();
  ASSERT_STREQ(today_, state_.current_date);

  Click("◀");
  EXPECT_STREQ("2024-01-05", state_.current_date);
  EXPECT_EQ("Food Log - " + Display("2024-01-05"), FrameLabel());
  EXPECT_EQ(2u, Rows().size());
  EXPECT_EQ("Dairy (cup-eq): 1.2 / 3.0", BarText(FOOD_GROUP_DAIRY));
  Click("◀");
  EXPECT_STREQ("2024-01-03", state_.current_date);
  EXPECT_EQ(1u, Rows().size());
  Click("◀");
  EXPECT_STREQ("2024-01-03", state_.current_date);
  Click("▶");
  EXPECT_STREQ("2024-01-05", state_.current_date);
  Click("▶");
  EXPECT_STREQ("2024-01-05", state_.current_date);
  Click("Today");
  EXPECT_STREQ(today_, state_.current_date);
  EXPECT_EQ("Food Log - " + Display(today_) + " (Today)", FrameLabel());
}

// Rows of another program: an empty date is a day like the others, reached by the arrows
// and shown as "(no date)"; one that names no day shows as stored; sums too large to be
// real read "too large" in their bars.
TEST_F(BudgetViewTest, OddDatesAreReachedAndShownAsStoredAndHugeSumsReadTooLarge) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-02-30", 1e308));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-02-30", 1e308));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-03-01", 1.0));
  Activate();
  Click("◀");
  EXPECT_STREQ("2024-03-01", state_.current_date);
  Click("◀");
  EXPECT_STREQ("2024-02-30", state_.current_date);
  EXPECT_EQ("Food Log - 2024-02-30 (not a date)", FrameLabel());
  EXPECT_EQ(2u, Rows().size());
  EXPECT_EQ("Dairy (cup-eq): too large / 3.0", BarText(FOOD_GROUP_DAIRY));
  EXPECT_EQ("Fruits (cup-eq): 0.0 / 2.0", BarText(FOOD_GROUP_FRUITS));
  EXPECT_STREQ("Energy (kcal): too large / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_EQ(1.0, gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(state_.energy_bar)));
  Click("◀");
  EXPECT_STREQ("", state_.current_date);
  EXPECT_EQ("Food Log - (no date)", FrameLabel());
  EXPECT_EQ(1u, Rows().size());
  Click("▶");
  EXPECT_STREQ("2024-02-30", state_.current_date);
}

TEST_F(BudgetViewTest, PreviousFromAnUnloggedDateGoesToTheLatestLoggedDate) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-01-03", 1.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2024-01-05", 1.0));
  Activate();
  snprintf(state_.current_date, sizeof state_.current_date, "2020-06-01");
  refresh_views(&state_);
  Click("▶");  // nothing: the date on display has no entries
  EXPECT_STREQ("2020-06-01", state_.current_date);
  Click("◀");  // forward, to the latest logged date
  EXPECT_STREQ("2024-01-05", state_.current_date);
}

TEST_F(BudgetViewTest, NavigationWithAnEmptyLogDoesNothing) {
  Activate();
  Click("◀");
  EXPECT_STREQ(today_, state_.current_date);
  Click("▶");
  EXPECT_STREQ(today_, state_.current_date);
}

}  // namespace
