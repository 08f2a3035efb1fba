// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests of the food search dialog and the add-to-log dialog with its nutrient grid.
#include <glib/gstdio.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "budget/date-string.h"
#include "fooddb/food-db.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/search-dialog.h"

namespace {

using Rows = std::vector<std::pair<int, std::string>>;

const char *const kGroupNames[] = {"Vegetables (cup-eq)", "Fruits (cup-eq)", "Grains (oz-eq)",
                                   "Dairy (cup-eq)",      "Protein (oz-eq)", "Oils (g)"};

// A small food database: one food with both rows, one with nutrients only, one with
// equivalents only, one with neither.
const char kTestFoodSql[] =
    "CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT);"
    "INSERT INTO foods VALUES (1, 'Testfood both'), (2, 'Testfood nutrients only'),"
    "  (3, 'Testfood points only'), (4, 'Testfood neither');"
    "CREATE TABLE nutrients (\"Food code\" INTEGER, \"Main food description\" TEXT,"
    "  \"WWEIA Category number\" INTEGER, \"WWEIA Category description\" TEXT,"
    "  \"Energy (kcal)\" REAL, \"Protein (g)\" REAL, \"Water (g)\" REAL);"
    "INSERT INTO nutrients VALUES (1, 'Testfood both', 1, 'x', 12.5, 1, 0),"
    "  (2, 'Testfood nutrients only', 1, 'x', 12.5, 1, 0.25);"
    "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, \"F_TOTAL (cup eq)\" REAL,"
    "  \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, \"PF_TOTAL (oz eq)\" REAL,"
    "  \"OILS (grams)\" REAL);"
    "INSERT INTO points VALUES (1, 0.5, 1, 1.5, 2, 2.5, 3), (3, 0.5, 1, 1.5, 2, 2.5, 3);";

class SearchDialogTest : public UiTest {
 protected:
  void TearDown() override {
    destroy_toplevels_safely();
    UseRealFoodDb();
    TearDownSafely();
  }

  // Swaps the food database of the state for the small test database.
  void UseTestFoodDb() {
    test_food_path_ = dir_ + "/test-food.db";
    sqlite3 *db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(test_food_path_.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, kTestFoodSql, nullptr, nullptr, nullptr));
    sqlite3_close(db);
    test_food_db_ = food_db_open(test_food_path_.c_str());
    ASSERT_NE(nullptr, test_food_db_);
    real_food_db_ = state_.food_db;
    state_.food_db = test_food_db_;
  }

  void UseRealFoodDb() {
    if (real_food_db_) state_.food_db = real_food_db_;
    real_food_db_ = nullptr;
    food_db_close(test_food_db_);
    test_food_db_ = nullptr;
    if (!test_food_path_.empty()) g_unlink(test_food_path_.c_str());
    test_food_path_.clear();
  }

  // Opens the main window and the search dialog; finds the entry and the result view.
  void OpenSearch() {
    StoreCompleteProfile();
    Activate();
    on_search_clicked(nullptr, &state_);
    drain_events();
    search_dialog_ = dialog_titled("Search Foods");
    ASSERT_NE(nullptr, search_dialog_);
    auto entries = find_widgets(search_dialog_, GTK_TYPE_SEARCH_ENTRY);
    auto views = find_widgets(search_dialog_, GTK_TYPE_TREE_VIEW);
    ASSERT_EQ(1u, entries.size());
    ASSERT_EQ(1u, views.size());
    entry_ = entries[0];
    view_ = views[0];
  }

  // Types |text| and waits until the entry has announced the change.
  void Search(const char *text) {
    bool searched = false;
    gulong id = g_signal_connect_swapped(
        entry_, "search-changed",
        G_CALLBACK(+[](gpointer flag) { *static_cast<bool *>(flag) = true; }), &searched);
    gtk_entry_set_text(GTK_ENTRY(entry_), text);
    EXPECT_TRUE(wait_until([&] { return searched; })) << "no search for " << text;
    g_signal_handler_disconnect(entry_, id);
  }

  Rows Results() const {
    Rows rows;
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(view_));
    GtkTreeIter iter;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
         ok = gtk_tree_model_iter_next(model, &iter)) {
      gint code = 0;
      gchar *description = nullptr;
      gtk_tree_model_get(model, &iter, 0, &code, 1, &description, -1);
      rows.emplace_back(code, description ? description : "");
      g_free(description);
    }
    return rows;
  }

  // Activates the result row showing |description| and returns the dialog it opens.
  GtkWidget *Activate(const char *description) {
    Rows rows = Results();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].second != description) continue;
      GtkTreePath *path = gtk_tree_path_new_from_indices(static_cast<gint>(i), -1);
      gtk_tree_view_row_activated(GTK_TREE_VIEW(view_), path,
                                  gtk_tree_view_get_column(GTK_TREE_VIEW(view_), 0));
      gtk_tree_path_free(path);
      drain_events();
      return dialog_titled(description);
    }
    ADD_FAILURE() << "no result row " << description;
    return nullptr;
  }
  using UiTest::Activate;

  GtkWidget *OpenAddDialog(const char *query, const char *description) {
    Search(query);
    return Activate(description);
  }

  GtkWidget *spin_of(GtkWidget *dialog) {
    return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "spin-quantity"));
  }
  GtkWidget *calendar_of(GtkWidget *dialog) {
    return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "calendar"));
  }
  GtkWidget *grid_of(GtkWidget *dialog) {
    auto grids = find_widgets(dialog, GTK_TYPE_GRID);
    return grids.size() == 1 ? grids[0] : nullptr;
  }

  sqlite3 *real_food_db_ = nullptr;
  sqlite3 *test_food_db_ = nullptr;
  std::string test_food_path_;
  GtkWidget *search_dialog_ = nullptr;
  GtkWidget *entry_ = nullptr;
  GtkWidget *view_ = nullptr;
};

// The text of the cell at |column|, |row| of the nutrient grid; "-" when it is empty.
std::string cell(GtkWidget *grid, int column, int row) {
  GtkWidget *child = gtk_grid_get_child_at(GTK_GRID(grid), column, row);
  if (!child) return "-";
  return GTK_IS_LABEL(child) ? gtk_label_get_text(GTK_LABEL(child)) : "?";
}

// The labels of the grid's rows, without the header above them (row -1) that names the amount.
size_t cell_count(GtkWidget *grid) {
  size_t count = 0;
  for (GtkWidget *label : find_widgets(grid, GTK_TYPE_LABEL)) {
    gint top = 0;
    gtk_container_child_get(GTK_CONTAINER(grid), label, "top-attach", &top, nullptr);
    if (top >= 0) count++;
  }
  return count;
}

std::string lower(std::string text) {
  for (char &c : text) c = static_cast<char>(g_ascii_tolower(c));
  return text;
}

// Counts the foods whose description contains |needle| (ASCII case ignored), straight
// from the database file.
int count_foods_containing(const char *needle) {
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(built_food_db_path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return -1;
  }
  sqlite3_stmt *stmt = nullptr;
  int count = -1;
  if (sqlite3_prepare_v2(db,
                         "SELECT count(*) FROM foods WHERE instr(lower(\"Main food "
                         "description\"), lower(?1)) > 0",
                         -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, needle, -1, SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW) count = sqlite3_column_int(stmt, 0);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return count;
}

std::string today() {
  char date[DATE_STRING_SIZE];
  date_today(date);
  return date;
}

std::string calendar_date(GtkWidget *calendar) {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
  char date[32];
  snprintf(date, sizeof date, "%04u-%02u-%02u", year, month + 1, day);
  return date;
}

TEST_F(SearchDialogTest, SearchDialogOpensOverMainWindowWithEmptyEntryAndList) {
  OpenSearch();
  EXPECT_EQ(GTK_WINDOW(state_.main_window),
            gtk_window_get_transient_for(GTK_WINDOW(search_dialog_)));
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(search_dialog_)));
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(entry_)));
  EXPECT_STREQ("Type to search foods...", gtk_entry_get_placeholder_text(GTK_ENTRY(entry_)));
  EXPECT_TRUE(Results().empty());
  ASSERT_EQ(2u, gtk_tree_view_get_n_columns(GTK_TREE_VIEW(view_)));
  EXPECT_STREQ("Code",
               gtk_tree_view_column_get_title(gtk_tree_view_get_column(GTK_TREE_VIEW(view_), 0)));
  EXPECT_STREQ("Description",
               gtk_tree_view_column_get_title(gtk_tree_view_get_column(GTK_TREE_VIEW(view_), 1)));
}

TEST_F(SearchDialogTest, TypingListsMatchingFoodsInDescriptionOrder) {
  OpenSearch();
  Search("apple");
  Rows rows = Results();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(count_foods_containing("apple"), static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_NE(std::string::npos, lower(rows[i].second).find("apple")) << rows[i].second;
    if (i > 0) {
      EXPECT_LE(rows[i - 1].second, rows[i].second);
    }
  }
  EXPECT_EQ(std::make_pair(64101010, std::string("Apple cider")), rows[0]);

  Search("zzqqxx no such food");
  EXPECT_TRUE(Results().empty());
}

TEST_F(SearchDialogTest, PercentAndUnderscoreActAsWildcards) {
  OpenSearch();
  Search("%");
  EXPECT_EQ(100u, Results().size());

  Search("ap_le");
  Rows rows = Results();
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.size(), static_cast<size_t>(count_foods_containing("apple")));
  for (const auto &row : rows)
    EXPECT_TRUE(g_regex_match_simple("ap.le", row.second.c_str(), G_REGEX_CASELESS,
                                     static_cast<GRegexMatchFlags>(0)))
        << row.second;
}

TEST_F(SearchDialogTest, QueryMatchingMoreThanHundredFoodsShowsHundred) {
  OpenSearch();
  ASSERT_GT(count_foods_containing("a"), 100);
  Search("a");
  EXPECT_EQ(100u, Results().size());
}

TEST_F(SearchDialogTest, ErasingTextEmptiesListWithoutQuery) {
  OpenSearch();
  Search("apple");
  ASSERT_FALSE(Results().empty());

  // A database without tables: any query that runs reports an SQL error.
  sqlite3 *empty = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &empty));
  sqlite3 *real = state_.food_db;
  state_.food_db = empty;

  testing::internal::CaptureStderr();
  Search("");
  std::string erased_errors = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Results().empty());
  EXPECT_EQ("", erased_errors);

  // The same database does show a query that runs: it fails and leaves the list empty.
  testing::internal::CaptureStderr();
  Search("b");
  std::string failed_errors = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Results().empty());
  EXPECT_NE(std::string::npos, failed_errors.find("alimora: SQL error: ")) << failed_errors;

  state_.food_db = real;
  sqlite3_close(empty);
}

TEST_F(SearchDialogTest, CloseDestroysOnlyTheSearchDialog) {
  OpenSearch();
  WidgetWatch dialog(search_dialog_);
  GtkWidget *close = find_button(search_dialog_, "Close");
  ASSERT_NE(nullptr, close);
  gtk_button_clicked(GTK_BUTTON(close));
  drain_events();
  EXPECT_EQ(nullptr, dialog.get());
  ASSERT_NE(nullptr, state_.main_window);
  EXPECT_TRUE(gtk_widget_get_visible(state_.main_window));
}

// A food logged before opens at one serving of 100 g.
TEST_F(SearchDialogTest, ActivatedRowOpensAddDialogWithNutrientsAndEquivalents) {
  OpenSearch();
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2020-01-01", 2.0));
  // Another date on display does not move the calendar away from today.
  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2024-01-03");
  refresh_views(&state_);
  GtkWidget *dialog = OpenAddDialog("apple", "Apple cider");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(dialog)));
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
  EXPECT_NE(nullptr, find_button(dialog, "Add to Log"));
  EXPECT_NE(nullptr, find_button(dialog, "Cancel"));

  GtkWidget *spin = spin_of(dialog);
  GtkWidget *calendar = calendar_of(dialog);
  ASSERT_NE(nullptr, spin);
  ASSERT_NE(nullptr, calendar);
  EXPECT_DOUBLE_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
  double min = 0, max = 0, step = 0;
  gtk_spin_button_get_range(GTK_SPIN_BUTTON(spin), &min, &max);
  gtk_spin_button_get_increments(GTK_SPIN_BUTTON(spin), &step, nullptr);
  EXPECT_DOUBLE_EQ(0.01, min);
  EXPECT_DOUBLE_EQ(100.0, max);
  EXPECT_DOUBLE_EQ(0.5, step);
  EXPECT_EQ(2u, gtk_spin_button_get_digits(GTK_SPIN_BUTTON(spin)));
  EXPECT_EQ(today(), calendar_date(calendar));

  // Each input is labelled for assistive technologies.
  std::vector<GtkWidget *> labelled;
  for (GtkWidget *label : find_widgets(dialog, GTK_TYPE_LABEL)) {
    GtkWidget *target = gtk_label_get_mnemonic_widget(GTK_LABEL(label));
    if (target) labelled.push_back(target);
  }
  EXPECT_NE(labelled.end(), std::find(labelled.begin(), labelled.end(), spin));
  EXPECT_NE(labelled.end(), std::find(labelled.begin(), labelled.end(), calendar));

  GtkWidget *grid = grid_of(dialog);
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ("Nutrient", cell(grid, 0, 0));
  EXPECT_EQ("Value", cell(grid, 1, 0));
  EXPECT_EQ("Energy (kcal)", cell(grid, 0, 1));
  EXPECT_EQ("46.00", cell(grid, 1, 1));
  EXPECT_EQ("Protein (g)", cell(grid, 0, 2));
  EXPECT_EQ("0.10", cell(grid, 1, 2));
  EXPECT_EQ("Butanoic acid (4:0) (g)", cell(grid, 0, 46));
  EXPECT_EQ("DHA (22:6 n-3) (g)", cell(grid, 0, 64));
  EXPECT_EQ("Water (g)", cell(grid, 0, 65));
  EXPECT_EQ("88.24", cell(grid, 1, 65));
  EXPECT_EQ("-", cell(grid, 0, 66));
  EXPECT_EQ("Food Pattern Equivalents", cell(grid, 0, 67));
  EXPECT_EQ("Food Pattern Equivalents", cell(grid, 1, 67));  // spans both columns
  for (int group = 0; group < 6; ++group) EXPECT_EQ(kGroupNames[group], cell(grid, 0, 68 + group));
  EXPECT_EQ("0.00", cell(grid, 1, 68));
  EXPECT_EQ("0.40", cell(grid, 1, 69));
  EXPECT_EQ("-", cell(grid, 0, 74));
  EXPECT_EQ("Nutrients in 100 g", cell(grid, 0, -1));
  EXPECT_EQ(2u + 2 * 65 + 1 + 2 * 6, cell_count(grid));
  EXPECT_EQ(GTK_ALIGN_START, gtk_widget_get_halign(gtk_grid_get_child_at(GTK_GRID(grid), 0, 1)));
  EXPECT_EQ(GTK_ALIGN_END, gtk_widget_get_halign(gtk_grid_get_child_at(GTK_GRID(grid), 1, 1)));
}

TEST_F(SearchDialogTest, ChangingServingsScalesEveryValue) {
  OpenSearch();
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2020-01-01", 2.0));
  GtkWidget *dialog = OpenAddDialog("apple", "Apple cider");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *grid = grid_of(dialog);
  ASSERT_NE(nullptr, grid);
  std::vector<double> single;
  for (int row = 1; row <= 74; ++row)
    if (row != 66 && row != 67) single.push_back(atof(cell(grid, 1, row).c_str()));

  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(dialog)), 2.0);
  drain_events();
  EXPECT_EQ("92.00", cell(grid, 1, 1));
  EXPECT_EQ("0.80", cell(grid, 1, 69));
  size_t i = 0;
  for (int row = 1; row <= 74; ++row) {
    if (row == 66 || row == 67) continue;
    // Each shown value is rounded to two places, so the double may differ by 0.01.
    EXPECT_NEAR(2 * single[i], atof(cell(grid, 1, row).c_str()), 0.0101) << "row " << row;
    ++i;
  }
  EXPECT_EQ(2u + 2 * 65 + 1 + 2 * 6, cell_count(grid));
}

TEST_F(SearchDialogTest, GridLayoutFollowsWhichRowsTheFoodHas) {
  OpenSearch();
  UseTestFoodDb();

  GtkWidget *both = OpenAddDialog("Testfood", "Testfood both");
  ASSERT_NE(nullptr, both);
  GtkWidget *grid = grid_of(both);
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ("Energy (kcal)", cell(grid, 0, 1));
  EXPECT_EQ("12.50", cell(grid, 1, 1));
  EXPECT_EQ("Water (g)", cell(grid, 0, 3));
  EXPECT_EQ("-", cell(grid, 0, 4));
  EXPECT_EQ("Food Pattern Equivalents", cell(grid, 0, 5));
  EXPECT_EQ("Oils (g)", cell(grid, 0, 11));
  EXPECT_EQ("3.00", cell(grid, 1, 11));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(both)), 2.0);
  drain_events();
  EXPECT_EQ("25.00", cell(grid, 1, 1));
  EXPECT_EQ("1.00", cell(grid, 1, 6));
  EXPECT_EQ("6.00", cell(grid, 1, 11));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(both)), 0.1);
  drain_events();
  EXPECT_EQ("0.10", cell(grid, 1, 2));
  gtk_widget_destroy(both);

  GtkWidget *nutrients_only = Activate("Testfood nutrients only");
  ASSERT_NE(nullptr, nutrients_only);
  grid = grid_of(nutrients_only);
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ("Nutrient", cell(grid, 0, 0));
  EXPECT_EQ("Water (g)", cell(grid, 0, 3));
  EXPECT_EQ("0.25", cell(grid, 1, 3));
  EXPECT_EQ(2u + 2 * 3, cell_count(grid));
  gtk_widget_destroy(nutrients_only);

  GtkWidget *points_only = Activate("Testfood points only");
  ASSERT_NE(nullptr, points_only);
  grid = grid_of(points_only);
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ("Nutrient", cell(grid, 0, 0));
  EXPECT_EQ("-", cell(grid, 0, 1));
  EXPECT_EQ("Food Pattern Equivalents", cell(grid, 0, 2));
  EXPECT_EQ("Vegetables (cup-eq)", cell(grid, 0, 3));
  EXPECT_EQ("0.50", cell(grid, 1, 3));
  EXPECT_EQ("Oils (g)", cell(grid, 0, 8));
  EXPECT_EQ(2u + 1 + 2 * 6, cell_count(grid));
  gtk_widget_destroy(points_only);

  GtkWidget *neither = Activate("Testfood neither");
  ASSERT_NE(nullptr, neither);
  grid = grid_of(neither);
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ("Nutrient", cell(grid, 0, 0));
  EXPECT_EQ("Value", cell(grid, 1, 0));
  EXPECT_EQ(2u, cell_count(grid));
}

// An amount of a household measure chosen in the add-to-log dialog, and what gets logged.
struct MeasureCase {
  const char *name;
  int food_code;
  const char *description;
  const char *measure;          // item to choose; null keeps "100 g"
  const char *amount;           // typed into the amount field; null keeps 1
  double servings_by_hand;      // typed into servings afterwards; 0 for none
  double logged;                // servings stored by "Add to Log"; 0: nothing is stored
  const char *header;           // the grid's header just before adding
  const char *note;             // what the dialog says next to the measure ("": nothing)
  const char *kept;             // the amount the entry's row shows, as it was logged
};

void PrintTo(const MeasureCase &c, std::ostream *os) { *os << c.name; }

const char kTooLittle[] = "Less than the smallest amount, 1 g: raise the amount.";
const char kTooMuch[] = "More than the largest amount, 10000 g: lower the amount.";

const MeasureCase kMeasureCases[] = {
    {"DefaultIsOneHundredGrams", 11111000, "Milk, whole", nullptr, nullptr, 0, 1.0,
     "Nutrients in 100 g", "", "100 g"},
    {"OneCupOfWholeMilk", 11111000, "Milk, whole", "1 cup (244 g)", nullptr, 0, 2.44,
     "Nutrients in 244 g", "", "1 cup (244 g)"},
    {"TwoSlicesOfWhiteBread", 51101000, "Bread, white", "1 medium or regular slice (28 g)", "2", 0,
     0.56, "Nutrients in 56 g", "", "2 × 1 medium or regular slice (56 g)"},
    {"TablespoonOfOliveOilKeepsTwoDecimals", 82104000, "Olive oil", "1 tablespoon (14 g)", nullptr,
     0, 0.14, "Nutrients in 14 g", "", "1 tablespoon (14 g)"},
    {"AmountBeyondTheRangeIsRefused", 11111000, "Milk, whole", "1 cup (244 g)", "50", 0, 0,
     "Nutrients in 10000 g", kTooMuch, "3 cup (732 g)"},
    {"OnePatOfButterIsLogged", 81101000, "Butter, stick", "1 pat (7 g)", nullptr, 0, 0.07,
     "Nutrients in 7 g", "", "1 pat (7 g)"},
    {"ANutOfAlmondIsLoggedToTheGram", 42101000, "Almonds, unroasted", "1 nut (1.2 g)", nullptr, 0,
     0.01, "Nutrients in 1 g", "", "1 nut (1.2 g)"},
    {"HalfANutIsRefusedNotStoredLarger", 42101000, "Almonds, unroasted", "1 nut (1.2 g)", "0.4",
     0, 0, "Nutrients in 1 g", kTooLittle, "3 × 1 nut (3.6 g)"},
    {"TwoPatsOfButterAreLogged", 81101000, "Butter, stick", "1 pat (7 g)", "2", 0, 0.14,
     "Nutrients in 14 g", "", "2 × 1 pat (14 g)"},
    {"TenAlmondsAreLogged", 42101000, "Almonds, unroasted", "1 nut (1.2 g)", "10", 0, 0.12,
     "Nutrients in 12 g", "", "10 × 1 nut (12 g)"},
    {"ServingsByHandAfterATooSmallMeasure", 42101000, "Almonds, unroasted", "1 nut (1.2 g)", "0.4",
     0.5, 0.5, "Nutrients in 50 g", "", "50 g"},
    {"ServingsStayEditableByHand", 11111000, "Milk, whole", "1 cup (244 g)", nullptr, 1.5, 1.5,
     "Nutrients in 150 g", "", "150 g"},
};

class MeasureDialogTest : public UiTest, public ::testing::WithParamInterface<MeasureCase> {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    if (HasFatalFailure()) return;
    StoreCompleteProfile();
    Activate();
  }
};

TEST_P(MeasureDialogTest, MeasureTimesAmountSetsTheServingsThatAreLogged) {
  const MeasureCase &c = GetParam();
  // Logged before: the dialog opens at 100 g.
  ASSERT_EQ(0, log_entry_add(state_.log_db, c.food_code, c.description, "2020-01-01", 1.0));
  GtkWidget *dialog = open_add_dialog(&state_, c.food_code, c.description);
  ASSERT_NE(nullptr, dialog);
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "spin-quantity"));
  ASSERT_NE(nullptr, spin);
  GtkWidget *amount = amount_spin_of(spin);
  ASSERT_NE(nullptr, amount);
  EXPECT_DOUBLE_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(amount)));
  ASSERT_FALSE(measure_items(spin).empty());
  EXPECT_EQ("100 g", measure_items(spin)[0]);
  if (c.measure) {
    ASSERT_TRUE(choose_measure(spin, c.measure)) << c.measure;
  }
  if (c.amount) {
    gtk_entry_set_text(GTK_ENTRY(amount), c.amount);
    gtk_spin_button_update(GTK_SPIN_BUTTON(amount));  // as leaving the field does
  }
  if (c.servings_by_hand > 0) {
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), c.servings_by_hand);
    // Servings set by hand are shown as that many times 100 g, and the row still adds up.
    char sum[64];
    snprintf(sum, sizeof sum, "%.2f = %.2f × 100 g", c.servings_by_hand, c.servings_by_hand);
    EXPECT_EQ(sum, measure_row_text(spin));
  }
  drain_events();
  GtkWidget *grid = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "nutrient-grid"));
  ASSERT_NE(nullptr, grid);
  EXPECT_EQ(c.header, cell(grid, 0, -1));
  EXPECT_EQ(2u + 2 * 65 + 1 + 2 * 6, cell_count(grid));
  auto *note = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(spin), "measure-note"));
  ASSERT_NE(nullptr, note);
  EXPECT_STREQ(c.note, gtk_label_get_text(GTK_LABEL(note)));
  EXPECT_EQ(c.note[0] != '\0', gtk_widget_get_visible(note));
  const char *said = atk_object_get_description(gtk_widget_get_accessible(amount));
  EXPECT_STREQ(c.note, said ? said : "");

  WidgetWatch watch(dialog);
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();
  char date[DATE_STRING_SIZE];
  date_today(date);
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, date, &entries));
  if (c.logged == 0) {
    EXPECT_EQ(0u, entries.count) << "stored an amount other than the one chosen";
    ASSERT_NE(nullptr, watch.get()) << "the dialog stays open";
    EXPECT_TRUE(gtk_widget_is_focus(amount));
    // Raising the amount brings the servings within range, and "Add to Log" takes them.
    gtk_entry_set_text(GTK_ENTRY(amount), "3");
    gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
    drain_events();
    log_entry_list_free(&entries);
    ASSERT_EQ(0, log_entries_for_date(state_.log_db, date, &entries));
  }
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(c.food_code, entries.items[0].food_code);
  if (c.logged > 0) {
    EXPECT_DOUBLE_EQ(c.logged, entries.items[0].servings);
  }
  log_entry_list_free(&entries);
  // The row shows the entry as it was logged.
  const std::vector<std::string> rows = entry_row_texts(&state_);
  ASSERT_EQ(1u, rows.size());
  EXPECT_NE(std::string::npos, rows[0].find(std::string(" | ") + c.kept + " | ")) << rows[0];
}

// A food never logged opens at one of its first household measure (passing over one of the
// food raw or with its bone, "yield after ..."), 100 g without measures; what it opens at is
// what "Add to Log" logs, in that measure.
struct FirstAmountCase {
  int food_code;
  const char *description;
  const char *row;  // the servings row as the dialog opens
};

const FirstAmountCase kFirstAmountCases[] = {
    {11111000, "Milk, whole", "2.44 = 1.00 × 1 cup (244 g)"},
    {63107010, "Banana, raw", "1.26 = 1.00 × 1 banana (126 g)"},
    {92101000, "Coffee, brewed", "0.30 = 1.00 × 1 fl oz (30 g)"},
    {20000000, "Meat, NFS", "0.28 = 1.00 × 1 oz, boneless, cooked (28.35 g)"},
    {89901000, "Bacon, for use with vegetables", "1.00 = 1.00 × 100 g"},
};

TEST_F(SearchDialogTest, AFoodNeverLoggedStartsAtItsFirstHouseholdMeasure) {
  StoreCompleteProfile();
  Activate();
  for (const FirstAmountCase &c : kFirstAmountCases) {
    SCOPED_TRACE(c.description);
    GtkWidget *dialog = open_add_dialog(&state_, c.food_code, c.description);
    ASSERT_NE(nullptr, dialog);
    GtkWidget *spin = spin_of(dialog);
    EXPECT_EQ(c.row, measure_row_text(spin));
    char header[64];
    snprintf(header, sizeof header, "Nutrients in %.0f g",
             gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)) * 100);
    EXPECT_EQ(header, cell(grid_of(dialog), 0, -1));
    gtk_widget_destroy(dialog);
  }
  // Logged once, the food opens at one serving again.
  GtkWidget *dialog = open_add_dialog(&state_, 63107010, "Banana, raw");
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();
  EXPECT_EQ(std::vector<std::string>{"63107010  -  Banana, raw  (1.3 servings) | 1 banana (126 g) | 112 kcal"},
            entry_row_texts(&state_));
  dialog = open_add_dialog(&state_, 63107010, "Banana, raw");
  EXPECT_EQ("1.00 = 1.00 × 100 g", measure_row_text(spin_of(dialog)));
  gtk_widget_destroy(dialog);
}

INSTANTIATE_TEST_SUITE_P(Measures, MeasureDialogTest, ::testing::ValuesIn(kMeasureCases),
                         [](const ::testing::TestParamInfo<MeasureCase> &info) {
                           return std::string(info.param.name);
                         });

TEST_F(MeasureDialogTest, ChooserListsTheFoodsMeasuresWithTheirWeights) {
  GtkWidget *milk = open_add_dialog(&state_, 11111000, "Milk, whole");
  ASSERT_NE(nullptr, milk);
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(milk), "spin-quantity"));
  EXPECT_EQ((std::vector<std::string>{"100 g", "1 cup (244 g)", "1 fl oz (30.5 g)",
                                      "1 individual school container (244 g)"}),
            measure_items(spin));
  gtk_widget_destroy(milk);
  drain_events();
  // A food without measures offers only "100 g".
  GtkWidget *plain = open_add_dialog(&state_, 99999999, "No such food");
  ASSERT_NE(nullptr, plain);
  spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(plain), "spin-quantity"));
  EXPECT_EQ(std::vector<std::string>{"100 g"}, measure_items(spin));
  gtk_widget_destroy(plain);
  drain_events();

  // An amount typed but not confirmed still counts when "Add to Log" is pressed.
  GtkWidget *bread = open_add_dialog(&state_, 51101000, "Bread, white");
  ASSERT_NE(nullptr, bread);
  spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(bread), "spin-quantity"));
  ASSERT_TRUE(choose_measure(spin, "1 medium or regular slice (28 g)"));
  gtk_entry_set_text(GTK_ENTRY(amount_spin_of(spin)), "3");
  gtk_button_clicked(GTK_BUTTON(find_button(bread, "Add to Log")));
  drain_events();
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_DOUBLE_EQ(0.84, entries.items[0].servings);
  log_entry_list_free(&entries);
}

TEST_F(SearchDialogTest, FailedNutrientQueryStartsEquivalentsAtRowOne) {
  GtkWidget *grid = gtk_grid_new();
  g_object_ref_sink(grid);
  // A database with equivalents but no nutrients table.
  sqlite3 *db = nullptr;
  std::string path = dir_ + "/points-only.db";
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
  ASSERT_EQ(
      SQLITE_OK,
      sqlite3_exec(db,
                   "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL,"
                   " \"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL,"
                   " \"D_TOTAL (cup eq)\" REAL, \"PF_TOTAL (oz eq)\" REAL,"
                   " \"OILS (grams)\" REAL); INSERT INTO points VALUES (7, 1, 2, 3, 4, 5, 6);",
                   nullptr, nullptr, nullptr));
  testing::internal::CaptureStderr();
  fill_nutrient_grid(grid, db, 7, 1.0);
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, errors.find("alimora: SQL error: ")) << errors;
  EXPECT_EQ("-", cell(grid, 0, 0));
  EXPECT_EQ("Food Pattern Equivalents", cell(grid, 0, 1));
  EXPECT_EQ("Oils (g)", cell(grid, 0, 7));
  EXPECT_EQ("6.00", cell(grid, 1, 7));
  EXPECT_EQ(1u + 2 * 6, cell_count(grid));

  // Refilling replaces every cell.
  testing::internal::CaptureStderr();
  fill_nutrient_grid(grid, db, 8, 1.0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(0u, cell_count(grid));
  sqlite3_close(db);
  g_unlink(path.c_str());
  gtk_widget_destroy(grid);
  g_object_unref(grid);
}

TEST_F(SearchDialogTest, AddToLogWritesChosenDayAndRefreshesThatDay) {
  OpenSearch();
  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2025-03-05");
  refresh_views(&state_);
  std::string fruits_before = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[1]));
  EXPECT_EQ("Fruits (cup-eq): 0.0 / 2.0", fruits_before);

  GtkWidget *dialog = OpenAddDialog("apple", "Apple cider");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch dialog_watch(dialog);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(dialog)), 2.5);
  gtk_calendar_select_month(GTK_CALENDAR(calendar_of(dialog)), 2, 2025);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_of(dialog)), 5);
  GtkWidget *add = find_button(dialog, "Add to Log");
  ASSERT_NE(nullptr, add);
  gtk_button_clicked(GTK_BUTTON(add));
  drain_events();
  EXPECT_EQ(nullptr, dialog_watch.get());

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, "2025-03-05", &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(64101010, entries.items[0].food_code);
  EXPECT_STREQ("Apple cider", entries.items[0].description);
  EXPECT_STREQ("2025-03-05", entries.items[0].date);
  EXPECT_DOUBLE_EQ(2.5, entries.items[0].servings);
  log_entry_list_free(&entries);

  EXPECT_EQ("Fruits (cup-eq): 1.0 / 2.0",
            std::string(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[1]))));
  auto texts = label_texts(state_.log_list_box);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("64101010  -  Apple cider  (2.5 servings)", texts[0]);

  // The search dialog stays open with its results, ready for the next food.
  EXPECT_EQ(search_dialog_, dialog_titled("Search Foods"));
  EXPECT_FALSE(Results().empty());
  GtkWidget *again = Activate("Apple cider");
  ASSERT_NE(nullptr, again);
  EXPECT_DOUBLE_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin_of(again))));
  EXPECT_EQ(today(), calendar_date(calendar_of(again)));
}

TEST_F(SearchDialogTest, AddingToAnotherDayLeavesTheDayOnDisplay) {
  OpenSearch();
  GtkWidget *dialog = OpenAddDialog("apple", "Apple cider");
  ASSERT_NE(nullptr, dialog);
  gtk_calendar_select_month(GTK_CALENDAR(calendar_of(dialog)), 11, 2023);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_of(dialog)), 31);
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  drain_events();

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, "2023-12-31", &entries));
  EXPECT_EQ(1u, entries.count);
  log_entry_list_free(&entries);
  auto texts = label_texts(state_.log_list_box);
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ("No entries for this date.", texts[0]);
}

TEST_F(SearchDialogTest, CancelOrClosingTheAddDialogWritesNothing) {
  OpenSearch();
  WidgetWatch placeholder(find_widgets(state_.log_list_box, GTK_TYPE_LABEL).at(0));

  GtkWidget *cancelled = OpenAddDialog("apple", "Apple cider");
  ASSERT_NE(nullptr, cancelled);
  WidgetWatch cancelled_watch(cancelled);
  gtk_button_clicked(GTK_BUTTON(find_button(cancelled, "Cancel")));
  drain_events();
  EXPECT_EQ(nullptr, cancelled_watch.get());

  GtkWidget *closed = Activate("Apple cider");
  ASSERT_NE(nullptr, closed);
  WidgetWatch closed_watch(closed);
  gtk_window_close(GTK_WINDOW(closed));
  EXPECT_TRUE(wait_until([&] { return closed_watch.get() == nullptr; }));

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  EXPECT_EQ(0u, entries.count);
  log_entry_list_free(&entries);
  EXPECT_NE(nullptr, placeholder.get()) << "the view was redrawn";
  EXPECT_EQ(search_dialog_, dialog_titled("Search Foods"));
}

TEST_F(SearchDialogTest, SearchTypeActivateAndAddFromTheMainWindow) {
  StoreCompleteProfile();
  Activate();
  std::vector<std::string> before;
  for (GtkWidget *bar : state_.group_bars)
    before.emplace_back(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)));

  GtkWidget *search = find_button(state_.main_window, "Search");
  ASSERT_NE(nullptr, search);
  gtk_button_clicked(GTK_BUTTON(search));
  drain_events();
  search_dialog_ = dialog_titled("Search Foods");
  ASSERT_NE(nullptr, search_dialog_);
  entry_ = find_widgets(search_dialog_, GTK_TYPE_SEARCH_ENTRY).at(0);
  view_ = find_widgets(search_dialog_, GTK_TYPE_TREE_VIEW).at(0);

  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2020-01-01", 2.0));
  gtk_entry_set_text(GTK_ENTRY(entry_), "apple cider");
  ASSERT_TRUE(wait_until([&] { return !Results().empty(); }));
  GtkWidget *dialog = Activate("Apple cider");
  ASSERT_NE(nullptr, dialog);
  gtk_button_clicked(GTK_BUTTON(find_button(dialog, "Add to Log")));
  drain_events();

  std::vector<std::string> after;
  for (GtkWidget *bar : state_.group_bars)
    after.emplace_back(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)));
  EXPECT_EQ(before[0], after[0]);
  EXPECT_EQ("Fruits (cup-eq): 0.0 / 2.0", before[1]);
  EXPECT_EQ("Fruits (cup-eq): 0.4 / 2.0", after[1]);
  EXPECT_NEAR(0.2, gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(state_.group_bars[1])), 1e-9);
}

// Whether the focus of |field|'s window is in |field| with all its text selected.
bool focused_and_selected(GtkWidget *field) {
  gint start = 0, end = 0;
  return gtk_window_get_focus(GTK_WINDOW(gtk_widget_get_toplevel(field))) == field &&
         gtk_editable_get_selection_bounds(GTK_EDITABLE(field), &start, &end) && start == 0 &&
         end == static_cast<gint>(g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(field)), -1));
}

TEST_F(SearchDialogTest, KeyboardOnlyFromTheSearchFieldToTheLogAndBack) {
  OpenSearch();
  send_key(entry_, GDK_KEY_Return);  // nothing listed: nothing opens, the focus stays
  send_key(entry_, GDK_KEY_Down);
  EXPECT_EQ(1u, toplevels_of_type(GTK_TYPE_DIALOG).size());
  EXPECT_EQ(entry_, gtk_window_get_focus(GTK_WINDOW(search_dialog_)));

  // Enter at once after typing, before the field has announced the change.
  gtk_entry_set_text(GTK_ENTRY(entry_), "apple cider");
  send_key(entry_, GDK_KEY_Return);
  GtkWidget *dialog = dialog_titled("Apple cider");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  EXPECT_TRUE(focused_and_selected(spin_of(dialog)));
  send_key(spin_of(dialog), GDK_KEY_2);  // types over the selected 1.0
  send_key(spin_of(dialog), GDK_KEY_Return);
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(64101010, entries.items[0].food_code);
  EXPECT_DOUBLE_EQ(2.0, entries.items[0].servings);
  log_entry_list_free(&entries);
  EXPECT_TRUE(focused_and_selected(entry_));  // ready for the next food

  // Down: the first result selected and focused, Enter there opens it; Escape cancels.
  Search("apple");
  send_key(entry_, GDK_KEY_Down);
  EXPECT_EQ(view_, gtk_window_get_focus(GTK_WINDOW(search_dialog_)));
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view_));
  GtkTreePath *first = gtk_tree_path_new_first();
  EXPECT_TRUE(gtk_tree_selection_path_is_selected(selection, first));
  gtk_tree_path_free(first);
  send_key(view_, GDK_KEY_Return);
  WidgetWatch cancelled(dialog_titled(Results()[0].second.c_str()));
  ASSERT_NE(nullptr, cancelled.get());
  send_key(cancelled.get(), GDK_KEY_Escape);
  EXPECT_EQ(nullptr, cancelled.get());

  // Enter in the field opens the selected result rather than the first.
  GtkTreePath *third = gtk_tree_path_new_from_indices(2, -1);
  gtk_tree_selection_select_path(selection, third);
  gtk_tree_path_free(third);
  gtk_widget_grab_focus(entry_);
  send_key(entry_, GDK_KEY_Return);
  EXPECT_NE(nullptr, dialog_titled(Results()[2].second.c_str()));
}

// Enter held down for two seconds in the add dialog: the keyboard repeats the press every
// 33 ms after half a second, and each repeat goes to the window in front, the search
// dialog once the food is logged. One press logs one entry and opens nothing more.
TEST_F(SearchDialogTest, HeldEnterLogsTheFoodOnce) {
  OpenSearch();
  gtk_entry_set_text(GTK_ENTRY(entry_), "apple cider");
  send_key(entry_, GDK_KEY_Return);
  ASSERT_NE(nullptr, dialog_titled("Apple cider"));
  auto in_front = [this]() -> GtkWidget * {
    GtkWidget *add = dialog_titled("Apple cider");
    return add ? add : search_dialog_;
  };
  guint32 time = 100000;
  // The default button answers the press once its release comes, or 250 ms later.
  send_key_at(in_front(), GDK_KEY_PRESS, GDK_KEY_Return, time);
  auto pause = [](int ms) { wait_until([] { return false; }, ms); };
  pause(500);
  EXPECT_EQ(nullptr, dialog_titled("Apple cider")) << "the first press answers";
  for (time += 500; time < 102000; time += 33) {
    send_key_at(in_front(), GDK_KEY_PRESS, GDK_KEY_Return, time);
    pause(33);
  }
  send_key_at(in_front(), GDK_KEY_RELEASE, GDK_KEY_Return, time);
  EXPECT_EQ(nullptr, dialog_titled("Apple cider"));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  EXPECT_EQ(1u, entries.count);
  log_entry_list_free(&entries);

  // The next press is a press again, as is one long after a release that went elsewhere.
  send_key_at(entry_, GDK_KEY_PRESS, GDK_KEY_Return, time + 200);
  send_key_at(entry_, GDK_KEY_RELEASE, GDK_KEY_Return, time + 250);
  GtkWidget *again = dialog_titled("Apple cider");
  ASSERT_NE(nullptr, again);
  gtk_widget_destroy(again);
  drain_events();
  send_key_at(entry_, GDK_KEY_PRESS, GDK_KEY_Return, time + 5000);
  EXPECT_NE(nullptr, dialog_titled("Apple cider"));
}

TEST_F(SearchDialogTest, EnterInTheAmountLogsTheAmountJustTyped) {
  StoreCompleteProfile();
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, 11111000, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  ASSERT_TRUE(choose_measure(spin_of(dialog), "1 cup (244 g)"));
  GtkWidget *amount = amount_spin_of(spin_of(dialog));
  gtk_widget_grab_focus(amount);
  gtk_entry_set_text(GTK_ENTRY(amount), "2");
  send_key(amount, GDK_KEY_Return);
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_DOUBLE_EQ(4.88, entries.items[0].servings);
  log_entry_list_free(&entries);
}

// From the keyboard: Down on the focused chooser steps to the next measure, Enter logs it.
TEST_F(SearchDialogTest, DownAndEnterOnTheMeasureChooserLogTheMeasure) {
  StoreCompleteProfile();
  ASSERT_EQ(0, log_entry_add(state_.log_db, 11111000, "Milk, whole", "2020-01-01", 1.0));
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, 11111000, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  auto *combo =
      static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(spin_of(dialog)), "measure-combo"));
  ASSERT_NE(nullptr, combo);
  gtk_window_present(GTK_WINDOW(dialog));
  gtk_widget_grab_focus(combo);
  GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(dialog));
  ASSERT_TRUE(focus && (focus == combo || gtk_widget_is_ancestor(focus, combo)));
  send_key(focus, GDK_KEY_Down);
  EXPECT_EQ(1, gtk_combo_box_get_active(GTK_COMBO_BOX(combo)));
  send_key(focus, GDK_KEY_Return);
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today().c_str(), &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_DOUBLE_EQ(2.44, entries.items[0].servings);
  log_entry_list_free(&entries);
}

}  // namespace
