// SPDX-License-Identifier: GPL-3.0-or-later
// The Nutrients window on real widgets: its table, its marks, and how it follows the main
// window's date and log.
#include <string>
#include <vector>

#include "app/main-window.h"
#include "budget/date-string.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/nutrients-window.h"

namespace {

constexpr int kMilkWhole = 11111000;  // per serving 60 kcal, 123 mg calcium, 38 mg sodium
constexpr int kNoSuchFood = 99999999;

class NutrientsWindowTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);  // a woman born 1990-05-07: Female 31-50
    date_today(today_);
  }

  // Opens the window with Ctrl+I, as the keyboard would.
  GtkWidget *Open() {
    send_key(state_.main_window, GDK_KEY_i, GDK_CONTROL_MASK);
    return state_.nutrients_window;
  }

  // Closes the window as its close button does, which only hides it.
  bool Close(GtkWidget *window) {
    gtk_window_close(GTK_WINDOW(window));
    return wait_until([&] { return !gtk_widget_get_visible(window); });
  }

  GtkTreeView *View() {
    std::vector<GtkWidget *> views = find_widgets(state_.nutrients_window, GTK_TYPE_TREE_VIEW);
    return views.size() == 1 ? GTK_TREE_VIEW(views[0]) : nullptr;
  }

  NutrientTableRow Find(const std::string &name) { return nutrient_row(state_.nutrients_window, name); }

  std::string Label(const char *key) {
    auto *label = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(state_.nutrients_window), key));
    return label ? gtk_label_get_text(GTK_LABEL(label)) : "";
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(NutrientsWindowTest, CtrlIOpensTheDaysTableInThreeGroups) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kNoSuchFood, "Unknown food", today_, 1.0));
  Activate();
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_STREQ("Nutrients", gtk_window_get_title(GTK_WINDOW(window)));
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(window)));
  EXPECT_TRUE(gtk_widget_get_visible(window));
  GtkTreeView *view = View();
  ASSERT_NE(nullptr, view);
  EXPECT_EQ(GTK_WIDGET(view), gtk_window_get_focus(GTK_WINDOW(window)));
  EXPECT_STREQ("Nutrients", atk_object_get_name(gtk_widget_get_accessible(GTK_WIDGET(view))));
  std::vector<std::string> titles;
  for (int c = 0; c < static_cast<int>(gtk_tree_view_get_n_columns(view)); c++)
    titles.push_back(gtk_tree_view_column_get_title(gtk_tree_view_get_column(view, c)));
  EXPECT_EQ((std::vector<std::string>{"Nutrient", "Eaten", "Goal", "% of goal", "Goal type"}),
            titles);

  GtkTreeModel *model = gtk_tree_view_get_model(view);
  std::vector<std::string> sections;
  std::vector<int> rows;
  GtkTreeIter section;
  for (bool s = gtk_tree_model_get_iter_first(model, &section); s;
       s = gtk_tree_model_iter_next(model, &section)) {
    gchar *title = nullptr;
    gtk_tree_model_get(model, &section, NUTRIENT_COLUMN_NAME, &title, -1);
    sections.push_back(title);
    g_free(title);
    rows.push_back(gtk_tree_model_iter_n_children(model, &section));
  }
  EXPECT_EQ((std::vector<std::string>{"Energy and macronutrients", "Minerals", "Vitamins"}),
            sections);
  EXPECT_EQ((std::vector<int>{11, 9, 12}), rows);

  // Two servings of whole milk against the goals of a woman of 36; the unknown food adds
  // nothing. The energy is the energy bar's.
  EXPECT_STREQ("Energy (kcal): 120 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_EQ("Energy (kcal)|120|2000|6%|at most", Find("Energy").cells);
  EXPECT_EQ("Calcium (mg)|246.0|1000|25% (below)|at least", Find("Calcium").cells);
  EXPECT_EQ("Sodium (mg)|76|2300|3%|at most", Find("Sodium").cells);
  EXPECT_EQ("Copper (mcg)|2.0|900|0% (below)|at least", Find("Copper").cells);
  EXPECT_EQ("Vitamin D (mcg)|2.2|15|15% (below)|at least", Find("Vitamin D").cells);
  // 6.56 g protein are 26.24 of 120 kcal; 6.4 g fat 57.6 kcal.
  EXPECT_EQ("Protein (% kcal)|21.9|10-35||range", Find("Protein (%").cells);
  EXPECT_EQ("Total fat (% kcal)|48.0|20-35|(above)|range", Find("Total fat").cells);

  const std::string notes = Label("nutrient-notes");
  EXPECT_NE(std::string::npos, notes.find("Goals for Female 31-50"));
  EXPECT_NE(std::string::npos, notes.find("1 entry has a food without nutrient values"));
  EXPECT_NE(std::string::npos, notes.find("16 kcal per teaspoon-equivalent"));
  EXPECT_NE(std::string::npos, notes.find("Manganese is left out"));
  EXPECT_NE(std::string::npos, notes.find("Niacin counts preformed niacin only"));
  char display[DISPLAY_DATE_SIZE];
  EXPECT_EQ(std::string("Nutrients on ") + date_to_display(today_, display),
            Label("nutrient-heading"));

  // Ctrl+I again brings the same window forward; Escape and the close button close it,
  // and Ctrl+I shows it again.
  EXPECT_EQ(window, Open());
  send_key(GTK_WIDGET(view), GDK_KEY_Escape);
  EXPECT_TRUE(wait_until([&] { return !gtk_widget_get_visible(window); }));
  EXPECT_EQ(window, Open());
  EXPECT_TRUE(gtk_widget_get_visible(window));
  EXPECT_TRUE(Close(window));
  EXPECT_EQ(window, Open());
  EXPECT_TRUE(gtk_widget_get_visible(window));
  EXPECT_EQ("Calcium (mg)|246.0|1000|25% (below)|at least", Find("Calcium").cells);
}

TEST_F(NutrientsWindowTest, MarkedRowsAreOrangeAndSayWhichWay) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.0));
  Activate();
  ASSERT_NE(nullptr, Open());
  const NutrientTableRow calcium = Find("Calcium");
  EXPECT_EQ(NUTRIENT_MARK_COLOR, calcium.foreground);
  EXPECT_EQ("Below the goal of at least 1000", calcium.description);
  const NutrientTableRow fat = Find("Total fat");
  EXPECT_EQ(NUTRIENT_MARK_COLOR, fat.foreground);
  EXPECT_EQ("Above the range of 20-35", fat.description);
  const NutrientTableRow sodium = Find("Sodium");
  EXPECT_EQ("", sodium.foreground);
  EXPECT_EQ("", sodium.description);

  // Screen readers find the description on each cell of the row.
  AtkObject *table = gtk_widget_get_accessible(GTK_WIDGET(View()));
  ASSERT_TRUE(ATK_IS_TABLE(table));
  for (int column : {0, 3}) {
    AtkObject *cell = atk_table_ref_at(ATK_TABLE(table), calcium.visible_row, column);
    ASSERT_NE(nullptr, cell);
    EXPECT_STREQ("Below the goal of at least 1000", atk_object_get_description(cell));
    g_object_unref(cell);
  }

  // 60 servings are 3600 kcal and 2280 mg sodium: above the target, not above the limit.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 58.0));
  refresh_views(&state_);
  EXPECT_EQ("Energy (kcal)|3600|2000|180% (above)|at most", Find("Energy").cells);
  EXPECT_EQ("Above the limit of at most 2000", Find("Energy").description);
  EXPECT_EQ("Sodium (mg)|2280|2300|99%|at most", Find("Sodium").cells);
  EXPECT_EQ("", Find("Calcium").foreground);
}

TEST_F(NutrientsWindowTest, FollowsTheDateTheLogAndTheProfile) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-03", 1.0));
  Activate();
  ASSERT_NE(nullptr, Open());
  EXPECT_EQ("Calcium (mg)|0.0|1000|0% (below)|at least", Find("Calcium").cells);
  EXPECT_EQ("Protein (% kcal)||10-35||range", Find("Protein (%").cells);
  EXPECT_NE(std::string::npos,
            Label("nutrient-notes").find("Without energy eaten the shares of energy"));

  on_prev_date_clicked(nullptr, &state_);
  ASSERT_STREQ("2024-01-03", state_.current_date);
  EXPECT_EQ("Calcium (mg)|123.0|1000|12% (below)|at least", Find("Calcium").cells);
  char display[DISPLAY_DATE_SIZE];
  EXPECT_EQ(std::string("Nutrients on ") + date_to_display("2024-01-03", display),
            Label("nutrient-heading"));

  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-03", 9.0));
  refresh_views(&state_);
  EXPECT_EQ("Calcium (mg)|1230.0|1000|123%|at least", Find("Calcium").cells);

  // A profile without a usable birth date: no goals but the calorie target.
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(state_.log_db, "UPDATE user_profile SET bdate = 'soon'",
                                    nullptr, nullptr, nullptr));
  refresh_views(&state_);
  EXPECT_EQ("Calcium (mg)|1230.0|||", Find("Calcium").cells);
  EXPECT_EQ("Energy (kcal)|600|2000|30%|at most", Find("Energy").cells);
  EXPECT_NE(std::string::npos,
            Label("nutrient-notes").find("No goals: the profile has no usable birth date."));
  // Without a goal there is no share of niacin to explain.
  EXPECT_EQ(std::string::npos, Label("nutrient-notes").find("Niacin counts"));
}

// The window opens with the entries that refresh_views read, but only while no write came
// after: one through the window's own connection or one of another program. A closed window
// shown again is filled anew when the log or the date changed while it was hidden.
TEST_F(NutrientsWindowTest, OpensWithTheLogAsItIsNotAsTheMainWindowLastReadIt) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 1.0));
  Activate();
  ASSERT_NE(nullptr, Open());
  EXPECT_EQ("Calcium (mg)|123.0|1000|12% (below)|at least", Find("Calcium").cells);
  gtk_widget_destroy(state_.nutrients_window);

  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 1.0));
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("Calcium (mg)|246.0|1000|25% (below)|at least", Find("Calcium").cells);

  // Closed, then a write with no refresh_views after it.
  ASSERT_TRUE(Close(window));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 1.0));
  EXPECT_EQ(window, Open());
  EXPECT_EQ("Calcium (mg)|369.0|1000|37% (below)|at least", Find("Calcium").cells);

  // Closed, then another date shown: refresh_views only marks the hidden window.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2024-01-03", 4.0));
  ASSERT_TRUE(Close(window));
  on_prev_date_clicked(nullptr, &state_);
  ASSERT_STREQ("2024-01-03", state_.current_date);
  EXPECT_EQ("Calcium (mg)|369.0|1000|37% (below)|at least", Find("Calcium").cells);
  EXPECT_EQ(window, Open());
  EXPECT_EQ("Calcium (mg)|492.0|1000|49% (below)|at least", Find("Calcium").cells);
  on_today_clicked(nullptr, &state_);
  gtk_widget_destroy(state_.nutrients_window);

  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  const std::string add = std::string("INSERT INTO food_log (food_code, description, date, "
                                      "servings) VALUES (11111000, 'Milk, whole', '") +
                          today_ + "', 2.0)";
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, add.c_str(), nullptr, nullptr, nullptr));
  sqlite3_close(other);
  window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("Calcium (mg)|615.0|1000|62% (below)|at least", Find("Calcium").cells);
  nutrients_window_refresh(&state_);
  EXPECT_EQ("Calcium (mg)|615.0|1000|62% (below)|at least", Find("Calcium").cells);

  // The same from another program while the window is closed.
  ASSERT_TRUE(Close(window));
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, add.c_str(), nullptr, nullptr, nullptr));
  sqlite3_close(other);
  EXPECT_EQ(window, Open());
  EXPECT_EQ("Calcium (mg)|861.0|1000|86% (below)|at least", Find("Calcium").cells);
}

// The rows are refilled in place: a section the person closed stays closed, a mark that goes
// takes its description from the cells, and a section opened again describes its marks.
TEST_F(NutrientsWindowTest, RefillsKeepClosedSectionsAndUpdateTheDescriptions) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.0));
  Activate();
  ASSERT_NE(nullptr, Open());
  GtkTreeView *view = View();
  AtkObject *table = gtk_widget_get_accessible(GTK_WIDGET(view));
  ASSERT_TRUE(ATK_IS_TABLE(table));
  auto cell_description = [&](const NutrientTableRow &row, int column) {
    AtkObject *cell = atk_table_ref_at(ATK_TABLE(table), row.visible_row, column);
    std::string text =
        cell && atk_object_get_description(cell) ? atk_object_get_description(cell) : "";
    if (cell) g_object_unref(cell);
    return text;
  };
  EXPECT_EQ("Below the goal of at least 1000", cell_description(Find("Calcium"), 1));

  // Ten servings more: calcium (1476 mg) is no longer below its goal.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 10.0));
  refresh_views(&state_);
  const NutrientTableRow calcium = Find("Calcium");
  EXPECT_EQ("Calcium (mg)|1476.0|1000|148%|at least", calcium.cells);
  EXPECT_EQ("", calcium.description);
  for (int column : {0, 4}) EXPECT_EQ("", cell_description(calcium, column));

  // The minerals closed: a refill leaves them closed.
  GtkTreePath *minerals = gtk_tree_path_new_from_indices(1, -1);
  gtk_tree_view_collapse_row(view, minerals);
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 1.0));
  refresh_views(&state_);
  EXPECT_FALSE(gtk_tree_view_row_expanded(view, minerals));
  EXPECT_EQ("Calcium (mg)|1599.0|1000|160%|at least", Find("Calcium").cells);

  // Opened again, the marked rows of the minerals are described: 13 servings of milk are
  // below the goal of iron.
  gtk_tree_view_expand_row(view, minerals, FALSE);
  gtk_tree_path_free(minerals);
  const NutrientTableRow iron = Find("Iron");
  ASSERT_FALSE(iron.description.empty());
  EXPECT_EQ(iron.description, cell_description(iron, 2));
}

// Once the main window has drawn its first frame the window is made, hidden, for Ctrl+I to
// show; a main window gone before its first frame leaves nothing pending.
TEST_F(NutrientsWindowTest, IsMadeAheadAfterTheMainWindowsFirstFrame) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.0));
  Activate();
  ASSERT_TRUE(wait_until([&] { return state_.nutrients_window != nullptr; }));
  GtkWidget *made = state_.nutrients_window;
  EXPECT_FALSE(gtk_widget_get_visible(made));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 1.0));
  refresh_views(&state_);
  EXPECT_EQ(made, Open());
  EXPECT_TRUE(gtk_widget_get_visible(made));
  EXPECT_EQ("Calcium (mg)|369.0|1000|37% (below)|at least", Find("Calcium").cells);

  gtk_widget_destroy(state_.main_window);
  drain_events();
  ASSERT_EQ(nullptr, state_.nutrients_window);
  on_activate(app_, &state_);
  gtk_widget_destroy(state_.main_window);
  drain_events();
  EXPECT_EQ(nullptr, state_.nutrients_window);
}

TEST_F(NutrientsWindowTest, ClosingTheMainWindowTakesTheNutrientsWindowAlong) {
  Activate();
  WidgetWatch watch(Open());
  ASSERT_NE(nullptr, watch.get());
  gtk_widget_destroy(state_.main_window);
  drain_events();
  EXPECT_EQ(nullptr, watch.get());
  EXPECT_EQ(nullptr, state_.nutrients_window);
  EXPECT_EQ(nullptr, state_.energy_bar);
}

}  // namespace
