// SPDX-License-Identifier: GPL-3.0-or-later
// The History window on real widgets: its table against alimora-report, its periods, its
// rows opening a day in the main window, its exports and an unreadable log.
#include <cairo.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/history-window.h"

namespace fs = std::filesystem;

namespace {

constexpr int kAppleRaw = 63101000;     // 0.91 cup-eq fruits
constexpr int kMilkWhole = 11111000;    // 0.41 cup-eq dairy
constexpr int kCheesePizza = 58106230;  // veg 0.12, grains 1.88, dairy 0.66, oils 4.64
constexpr int kNoSuchFood = 99999999;   // not in the database

using Table = std::vector<std::vector<std::string>>;

// A week ending on 2026-12-07 with entries on three of its days (one of them only of a food
// the database does not know), and entries just before and after it.
class HistoryTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    struct {
      int code;
      const char *description, *date;
      double servings;
    } entries[] = {{kAppleRaw, "Apple, raw", "2026-11-30", 3.0},
                   {kAppleRaw, "Apple, raw", "2026-12-02", 2.0},
                   {kMilkWhole, "Milk, whole", "2026-12-02", 4.0},
                   {kCheesePizza, "Pizza, cheese", "2026-12-04", 1.5},
                   {kNoSuchFood, "Gone from the database", "2026-12-05", 3.0},
                   {kAppleRaw, "Apple, raw", "2026-12-08", 1.0}};
    for (const auto &e : entries)
      ASSERT_EQ(0, log_entry_add(state_.log_db, e.code, e.description, e.date, e.servings));
    snprintf(state_.current_date, sizeof state_.current_date, "%s", "2026-12-07");
  }

  GtkWidget *Open() {
    show_history_window(&state_);
    drain_events();
    return state_.history_window;
  }

  static GtkWidget *TableOf(GtkWidget *window) {
    std::vector<GtkWidget *> views = find_widgets(window, GTK_TYPE_TREE_VIEW);
    return views.empty() ? nullptr : views[0];
  }

  // The table's cells as shown, row by row: the day, six amounts and the energy.
  static Table Cells(GtkWidget *window) {
    Table table;
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(TableOf(window)));
    GtkTreeIter iter;
    for (bool row = gtk_tree_model_get_iter_first(model, &iter); row;
         row = gtk_tree_model_iter_next(model, &iter)) {
      table.emplace_back();
      for (int column = 0; column < 1 + FOOD_GROUP_COUNT + 1; ++column) {
        gchar *text = nullptr;
        gtk_tree_model_get(model, &iter, column, &text, -1);
        table.back().push_back(text ? text : "");
        g_free(text);
      }
    }
    return table;
  }

  // The row of the table's cursor, or -1.
  static int CursorRow(GtkWidget *window) {
    GtkTreePath *cursor = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(TableOf(window)), &cursor, nullptr);
    const int row = cursor ? gtk_tree_path_get_indices(cursor)[0] : -1;
    if (cursor) gtk_tree_path_free(cursor);
    return row;
  }

  static std::string Period(GtkWidget *window) {
    char from[DATE_STRING_SIZE], to[DATE_STRING_SIZE];
    history_window_period(window, from, to);
    return std::string(from) + " " + to;
  }

  // Runs alimora-report on a copy of the fixture's log; returns its standard output.
  std::string Report(const std::vector<std::string> &args) {
    const fs::path home = fs::path(dir_) / "report-home";
    fs::create_directories(home / "alimora");
    fs::copy_file(log_path_, home / "alimora" / "log.db", fs::copy_options::overwrite_existing);
    std::vector<std::string> command = {required_env("ALIMORA_REPORT_EXE")};
    command.insert(command.end(), args.begin(), args.end());
    const ProcessResult result =
        run_process(command, {"XDG_DATA_HOME=" + home.string(), "LC_ALL=C.UTF-8", "LANGUAGE"});
    EXPECT_EQ(0, result.status) << result.err;
    return result.out;
  }
};

// The day lines of the range summary: the displayed day and its six amounts.
Table ReportDayLines(const std::string &summary) {
  Table lines;
  std::istringstream in(summary);
  std::string line;
  bool in_days = false;
  while (std::getline(in, line)) {
    if (line.rfind("Date ", 0) == 0) {
      in_days = true;
      continue;
    }
    if (!in_days) continue;
    if (line.empty()) break;
    std::istringstream fields(line);
    lines.emplace_back();
    for (std::string field; fields >> field;) lines.back().push_back(field);
  }
  return lines;
}

TEST_F(HistoryTest, TableShowsTheWeekWithTheReportsSums) {
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_STREQ("History", gtk_window_get_title(GTK_WINDOW(window)));
  EXPECT_EQ("2026-12-01 2026-12-07", Period(window));

  const Table cells = Cells(window);
  ASSERT_EQ(7u, cells.size());
  const std::vector<std::string> empty(7, "");
  // Days without entries are empty, not zero; a day of unknown food only is zero.
  EXPECT_EQ("12/01/26", cells[0][0]);
  EXPECT_EQ(empty, std::vector<std::string>(cells[0].begin() + 1, cells[0].end()));
  EXPECT_EQ((std::vector<std::string>{"12/02/26", "0.0", "1.8", "0.0", "1.6", "0.0", "0.0"}),
            std::vector<std::string>(cells[1].begin(), cells[1].end() - 1));
  EXPECT_EQ((std::vector<std::string>{"12/05/26", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0"}),
            cells[4]);
  EXPECT_EQ(empty, std::vector<std::string>(cells[6].begin() + 1, cells[6].end()));

  // Each day with entries reads as alimora-report's day line of the same week.
  Table days_with_entries;
  for (const auto &row : cells)
    if (!row[1].empty()) days_with_entries.emplace_back(row.begin(), row.end() - 1);
  EXPECT_EQ(ReportDayLines(Report({"--from", "2026-12-01", "--to", "2026-12-07"})),
            days_with_entries);

  // The energy is the sum of the report's CSV energies of that day.
  std::istringstream csv(Report({"--csv", "--from", "2026-12-02", "--to", "2026-12-02"}));
  std::string record;
  std::getline(csv, record);  // the header
  double energy = 0.0;
  while (std::getline(csv, record)) energy += std::stod(record.substr(record.rfind(',') + 1));
  char expected[32];
  // In whole kcal, as the energy bar shows them.
  snprintf(expected, sizeof expected, "%.0f", std::round(energy));
  EXPECT_GT(energy, 0.0);
  EXPECT_EQ(expected, cells[1][7]);
  EXPECT_EQ(std::string::npos, cells[1][7].find('.'));
  // The headings of the numbers stand over the numbers' right edge, the date's over its left.
  GtkTreeView *table = GTK_TREE_VIEW(find_widgets(window, GTK_TYPE_TREE_VIEW).at(0));
  EXPECT_EQ(0.0f, gtk_tree_view_column_get_alignment(gtk_tree_view_get_column(table, 0)));
  for (int column = 1; column <= 7; column++)
    EXPECT_EQ(1.0f, gtk_tree_view_column_get_alignment(gtk_tree_view_get_column(table, column)))
        << column;
}

// Entries of another program with 1e308 servings add up to more than a double holds (the
// energy) or to a number of 300 digits (the dairy): such sums read "too large" in the
// table and the report, and the other days and groups stay as they are.
TEST_F(HistoryTest, SumsTooLargeToBeRealReadTooLarge) {
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", "2026-12-03", 1e308));
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  const Table cells = Cells(window);
  ASSERT_EQ(7u, cells.size());
  EXPECT_EQ((std::vector<std::string>{"12/03/26", "0.0", "0.0", "0.0", "too large", "0.0", "0.0",
                                      "too large"}),
            cells[2]);
  EXPECT_EQ((std::vector<std::string>{"12/02/26", "0.0", "1.8", "0.0", "1.6", "0.0", "0.0"}),
            std::vector<std::string>(cells[1].begin(), cells[1].end() - 1));
  const std::string summary = Report({"--from", "2026-12-01", "--to", "2026-12-07"});
  EXPECT_EQ(std::string::npos, summary.find("inf")) << summary;
  EXPECT_EQ(std::string::npos, summary.find("0000000000")) << summary;
  const Table lines = ReportDayLines(summary);
  ASSERT_EQ(4u, lines.size()) << summary;
  EXPECT_EQ((std::vector<std::string>{"12/03/26", "0.0", "0.0", "0.0", "too", "large", "0.0",
                                      "0.0"}),
            lines[1]);
}

TEST_F(HistoryTest, TogglesAndArrowsMoveByWholePeriods) {
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  GtkWidget *week = find_button(window, "7 Days");
  GtkWidget *month = find_button(window, "30 Days");
  GtkWidget *previous = find_button(window, "◀");
  GtkWidget *next = find_button(window, "▶");
  ASSERT_TRUE(week && month && previous && next);
  EXPECT_STREQ("Previous period", atk_object_get_name(gtk_widget_get_accessible(previous)));
  EXPECT_STREQ("Next period", atk_object_get_name(gtk_widget_get_accessible(next)));
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(week)));

  gtk_button_clicked(GTK_BUTTON(month));
  EXPECT_EQ("2026-11-08 2026-12-07", Period(window));
  EXPECT_EQ(30u, Cells(window).size());
  EXPECT_EQ(29, CursorRow(window)) << "on the last day, where the period ends";
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(week)));
  gtk_button_clicked(GTK_BUTTON(previous));
  EXPECT_EQ("2026-10-09 2026-11-07", Period(window));
  send_key(window, GDK_KEY_Right, GDK_MOD1_MASK);
  EXPECT_EQ("2026-11-08 2026-12-07", Period(window));
  EXPECT_EQ("0.0", Cells(window)[22][1]) << "2026-11-30 has the apples";

  gtk_button_clicked(GTK_BUTTON(week));
  EXPECT_EQ("2026-12-01 2026-12-07", Period(window));
  send_key(window, GDK_KEY_Left, GDK_MOD1_MASK);
  EXPECT_EQ("2026-11-24 2026-11-30", Period(window));
  EXPECT_EQ("2.7", Cells(window)[6][2]);
  gtk_button_clicked(GTK_BUTTON(next));
  gtk_button_clicked(GTK_BUTTON(next));
  EXPECT_EQ("2026-12-08 2026-12-14", Period(window));
  EXPECT_STREQ("2026-12-07", state_.current_date) << "History moves on its own";

  // Escape closes it, and the state forgets it.
  WidgetWatch watch(window);
  send_key(window, GDK_KEY_Escape);
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  EXPECT_EQ(nullptr, state_.history_window);
}

TEST_F(HistoryTest, ActivatingARowShowsThatDayAndChangesFollow) {
  Activate();  // shows today
  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2026-12-07");
  refresh_views(&state_);
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(window)));
  GtkWidget *table = TableOf(window);
  // It opens with the cursor on the date on display: Enter at once shows that day again.
  EXPECT_TRUE(gtk_widget_is_focus(table));  // its window's focus widget, whatever X says
  EXPECT_EQ(6, CursorRow(window));
  send_key(window, GDK_KEY_Return);
  EXPECT_STREQ("2026-12-07", state_.current_date);
  GtkTreePath *path = gtk_tree_path_new_from_indices(3, -1);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(table), path, nullptr, FALSE);
  gtk_tree_view_row_activated(GTK_TREE_VIEW(table), path,
                              gtk_tree_view_get_column(GTK_TREE_VIEW(table), 0));
  drain_events();
  EXPECT_STREQ("2026-12-04", state_.current_date);
  EXPECT_NE(std::string::npos,
            std::string(gtk_frame_get_label(GTK_FRAME(state_.log_frame))).find("12/04/26"));
  EXPECT_EQ("2026-12-01 2026-12-07", Period(window)) << "the period stays";

  // An entry added in the main window shows at the next refresh; the cursor stays.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2026-12-04", 1.0));
  refresh_views(&state_);
  EXPECT_EQ("0.9", Cells(window)[3][2]);
  GtkTreePath *cursor = nullptr;
  gtk_tree_view_get_cursor(GTK_TREE_VIEW(table), &cursor, nullptr);
  ASSERT_NE(nullptr, cursor);
  EXPECT_EQ(0, gtk_tree_path_compare(path, cursor));
  gtk_tree_path_free(cursor);
  gtk_tree_path_free(path);

  // A new calorie target is a new budget, and Ctrl+H brings back the same window.
  state_.calorie_target = 3000;
  refresh_views(&state_);
  show_history_window(&state_);
  EXPECT_EQ(window, state_.history_window);
}

// A window opened from the main window reads its periods by an index of the log's dates,
// read again after every write, whoever wrote: the table shows the log as it is.
TEST_F(HistoryTest, PeriodsFollowEveryWriteToTheLog) {
  Activate();
  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2026-12-07");
  refresh_views(&state_);
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("0.0", Cells(window)[3][2]);  // fruits on 2026-12-04
  history_window_show_days(window, "2026-12-07", 30);
  history_window_show_days(window, "2026-12-07", 7);
  drain_events();
  EXPECT_EQ("0.0", Cells(window)[3][2]);

  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(other,
                                    "INSERT INTO food_log (food_code, description, date, servings) "
                                    "VALUES (63101000, 'Apple, raw', '2026-12-04', 2.0)",
                                    nullptr, nullptr, nullptr));
  history_window_show_days(window, "2026-12-07", 7);
  EXPECT_EQ("1.8", Cells(window)[3][2]) << "another program's add";
  drain_events();
  history_window_show_days(window, "2026-12-07", 7);
  EXPECT_EQ("1.8", Cells(window)[3][2]);

  EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, "DELETE FROM food_log WHERE date = '2026-12-02'",
                                    nullptr, nullptr, nullptr));
  sqlite3_close(other);
  history_window_show_days(window, "2026-12-07", 7);
  EXPECT_EQ("", Cells(window)[1][2]) << "another program's delete";

  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2026-12-02", 1.0));
  history_window_show_days(window, "2026-12-07", 7);
  EXPECT_EQ("0.9", Cells(window)[1][2]) << "an add without a refresh";
  drain_events();
  gtk_widget_destroy(window);
  ASSERT_EQ(0, log_entry_add(state_.log_db, kAppleRaw, "Apple, raw", "2026-12-02", 1.0));
  window = Open();
  EXPECT_EQ("1.8", Cells(window)[1][2]) << "a new window";
}

TEST_F(HistoryTest, UnreadableLogShowsAMessageAndNoDays) {
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  ASSERT_EQ(7u, Cells(window).size());
  LockLog();
  history_window_refresh(&state_);
  UnlockLog();
  EXPECT_TRUE(Cells(window).empty()) << "no row of zeros";
  bool message = false;
  for (GtkWidget *label : find_widgets(window, GTK_TYPE_LABEL))
    if (gtk_widget_get_visible(label) &&
        strcmp(gtk_label_get_text(GTK_LABEL(label)),
               "The food log cannot be read, so no days are shown.") == 0)
      message = true;
  EXPECT_TRUE(message);
  EXPECT_FALSE(gtk_widget_get_sensitive(find_button(window, "Export…")));
  EXPECT_FALSE(history_window_export(window, PathIn("nothing.csv").c_str(), HistoryExport::kCsv));
  EXPECT_FALSE(fs::exists(PathIn("nothing.csv")));

  // Readable again, the days come back.
  history_window_refresh(&state_);
  EXPECT_EQ(7u, Cells(window).size());

  // A food database replaced by a file without its tables under the running window: the
  // message names the food database, and the days come back with the real one.
  sqlite3 *food_db = state_.food_db;
  sqlite3 *empty = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &empty));
  state_.food_db = empty;
  testing::internal::CaptureStderr();
  history_window_refresh(&state_);
  testing::internal::GetCapturedStderr();
  state_.food_db = food_db;
  sqlite3_close(empty);
  EXPECT_TRUE(Cells(window).empty());
  std::vector<std::string> shown;
  for (GtkWidget *label : find_widgets(window, GTK_TYPE_LABEL))
    if (gtk_widget_get_visible(label) && strstr(gtk_label_get_text(GTK_LABEL(label)), "cannot"))
      shown.emplace_back(gtk_label_get_text(GTK_LABEL(label)));
  EXPECT_EQ(std::vector<std::string>{"The food database cannot be read, so no days are shown."},
            shown);
  history_window_refresh(&state_);
  EXPECT_EQ(7u, Cells(window).size());
}

TEST_F(HistoryTest, ExportWritesWholeFilesOrNone) {
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);

  const std::string svg = PathIn("week.svg");
  ASSERT_TRUE(history_window_export(window, svg.c_str(), HistoryExport::kSvg));
  const std::string text = read_file(svg);
  GMarkupParser parser = {};
  GMarkupParseContext *context = g_markup_parse_context_new(&parser, {}, nullptr, nullptr);
  EXPECT_TRUE(g_markup_parse_context_parse(context, text.data(), text.size(), nullptr) &&
              g_markup_parse_context_end_parse(context, nullptr));
  g_markup_parse_context_free(context);
  EXPECT_NE(std::string::npos, text.find("<svg"));

  const std::string png = PathIn("week.png");
  ASSERT_TRUE(history_window_export(window, png.c_str(), HistoryExport::kPng));
  cairo_surface_t *image = cairo_image_surface_create_from_png(png.c_str());
  EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(image));
  EXPECT_GT(cairo_image_surface_get_width(image), 100);
  cairo_surface_destroy(image);

  // The CSV is alimora-report's for the same days.
  const std::string csv = PathIn("week.csv");
  ASSERT_TRUE(history_window_export(window, csv.c_str(), HistoryExport::kCsv));
  EXPECT_EQ(Report({"--csv", "--from", "2026-12-01", "--to", "2026-12-07"}), read_file(csv));

  // A directory that is not there, or a name taken by a directory: no file, and the window
  // says so.
  fs::create_directories(PathIn("taken.csv"));
  for (const std::string &path : {PathIn("missing/week.svg"), PathIn("taken.csv")}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(history_window_export(window, path.c_str(), HistoryExport::kCsv));
    EXPECT_FALSE(history_window_export(window, path.c_str(), HistoryExport::kSvg));
    const std::vector<std::string> texts = label_texts(window);
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Could not save " + path + "."));
  }
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir_))
    if (entry.path().filename() != "report-home") names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"log.db", "taken.csv", "week.csv", "week.png", "week.svg"}),
            names);
}

TEST_F(HistoryTest, ExportButtonAsksForTheFileAndItsKind) {
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  GtkWidget *button = find_button(window, "Export…");
  ASSERT_NE(nullptr, button);
  auto chooser = [] {
    std::vector<GtkWidget *> dialogs = toplevels_of_type(GTK_TYPE_FILE_CHOOSER_DIALOG);
    return dialogs.empty() ? nullptr : dialogs.back();
  };

  // A name without a suffix gets the chosen kind's.
  gtk_button_clicked(GTK_BUTTON(button));
  ASSERT_TRUE(wait_until([&] { return chooser() != nullptr; }));
  GtkWidget *dialog = chooser();
  EXPECT_STREQ("Export History", gtk_window_get_title(GTK_WINDOW(dialog)));
  GSList *filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
  ASSERT_EQ(3u, g_slist_length(filters));
  gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), GTK_FILE_FILTER(filters->next->data));
  g_slist_free(filters);
  gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), dir_.c_str());
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "week");
  drain_events();
  GtkWidget *accept = find_button(dialog, "_Export");
  ASSERT_NE(nullptr, accept);
  gtk_button_clicked(GTK_BUTTON(accept));
  ASSERT_TRUE(wait_until([&] { return fs::exists(PathIn("week.png")); }));
  cairo_surface_t *image = cairo_image_surface_create_from_png(PathIn("week.png").c_str());
  EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(image));
  cairo_surface_destroy(image);

  // A window closed while its export dialog is open takes the dialog with it.
  gtk_button_clicked(GTK_BUTTON(button));
  ASSERT_TRUE(wait_until([&] { return chooser() != nullptr; }));
  WidgetWatch watch(window);
  gtk_widget_destroy(window);
  drain_events();
  EXPECT_EQ(nullptr, watch.get()) << "the window is freed, dialog or not";
  EXPECT_EQ(nullptr, chooser());
  EXPECT_EQ(nullptr, state_.history_window);
}

}  // namespace
