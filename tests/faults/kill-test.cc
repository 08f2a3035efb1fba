// SPDX-License-Identifier: GPL-3.0-or-later
// No lost data: the real program, driven on the display with xdotool, adds a food to the
// log and is killed (SIGKILL) the moment the entry is in log.db; the entry is still there
// afterwards and the file is sound.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "fault-fixture.h"
#include "fooddb/food-db.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

// Gives up on a window or a row after this long.
constexpr gint64 kPatienceUs = 20 * G_USEC_PER_SEC;

// |text| as a regular expression that matches exactly it.
std::string exact_pattern(const std::string &text) {
  std::string pattern = "^";
  for (char c : text) {
    if (std::string(".^$*+?()[]{}|\\").find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

// Waits for a visible window whose title is |title|; returns its id, or "" after the
// time allowed.
std::string wait_for_window_titled(const std::string &title) {
  const gint64 deadline = g_get_monotonic_time() + kPatienceUs;
  while (g_get_monotonic_time() < deadline) {
    const ProcessResult ids =
        run_process({"xdotool", "search", "--onlyvisible", "--name", exact_pattern(title)});
    if (ids.status == 0 && !ids.out.empty()) return ids.out.substr(0, ids.out.find('\n'));
    g_usleep(50 * 1000);
  }
  return "";
}

// Gives the keyboard to a window and sends it key strokes.
void keys(const std::string &window, const std::vector<std::string> &strokes) {
  EXPECT_EQ(0, run_process({"xdotool", "windowfocus", "--sync", window}).status);
  std::vector<std::string> args = {"xdotool", "key", "--delay", "50"};
  args.insert(args.end(), strokes.begin(), strokes.end());
  EXPECT_EQ(0, run_process(args).status);
}

// The number of rows of food_log as another reader sees it; -1 while it cannot be read.
long long logged_rows(const std::string &path) {
  sqlite3 *db = nullptr;
  long long rows = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM food_log", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      rows = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return rows;
}

class KillTest : public FaultTest {
 protected:
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    FaultTest::TearDown();
  }

  pid_t pid_ = 0;
};

TEST_F(KillTest, EntryAddedJustBeforeSigkillIsStillInTheLog) {
  if (env_or_empty("DISPLAY").empty()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  gchar *xdotool = g_find_program_in_path("xdotool");
  if (!xdotool) GTEST_SKIP() << "needs xdotool";
  g_free(xdotool);
  const std::string exe = env_or_empty("ALIMORA_EXE");
  ASSERT_FALSE(exe.empty());
  ASSERT_FALSE(env_or_empty("X_WINDOW_EXE").empty());

  // The food that the first row of the search shows.
  const std::string search_text = "Apple, raw";
  sqlite3 *food_db = food_db_open(built_food_db_path().c_str());
  ASSERT_NE(nullptr, food_db);
  FoodHitList hits;
  ASSERT_EQ(0, food_search(food_db, search_text.c_str(), &hits));
  ASSERT_LT(0u, hits.count);
  const int32_t food_code = hits.items[0].food_code;
  const std::string description = hits.items[0].description;
  food_hit_list_free(&hits);
  food_db_close(food_db);

  // A complete profile, so that the main window opens without the profile dialog.
  const std::string data_home = PathIn("data");
  const std::string log_dir = data_home + "/alimora";
  const std::string log_path = log_dir + "/log.db";
  std::filesystem::create_directories(log_dir);
  sqlite3 *log = log_db_open(log_path.c_str());
  ASSERT_NE(nullptr, log);
  char bdate[] = "1980-02-29";
  Profile profile{bdate, 180.0, 80.0, 2, 1, 2600};
  ASSERT_EQ(0, profile_save(log, &profile));
  log_db_close(log);

  char today[DATE_STRING_SIZE];
  date_today(today);
  const std::string day_before = today;

  const GPid pid =
      spawn_process({exe}, {"XDG_DATA_HOME=" + data_home, "LC_ALL=C", "LANGUAGE="});
  ASSERT_NE(0, pid);
  pid_ = pid;

  // Main window: Ctrl+F opens the search.
  std::string main_window;
  ASSERT_TRUE(x_window("wait", &main_window)) << "the main window did not appear";
  keys(main_window, {"ctrl+f"});

  // Search dialog: the entry has the focus; the first result is activated from the list.
  const std::string search = wait_for_window_titled("Search Foods");
  ASSERT_NE("", search) << "the search dialog did not open";
  EXPECT_EQ(0, run_process({"xdotool", "windowfocus", "--sync", search}).status);
  EXPECT_EQ(0, run_process({"xdotool", "type", "--delay", "30", search_text}).status);
  g_usleep(1500 * 1000);  // the entry waits for a pause in typing before it searches
  keys(search, {"Tab", "Return"});

  // Add-to-log dialog, titled with the food: "Add to Log" is the button before the
  // last one ("Cancel") in the focus chain, which starts at the servings.
  const std::string add = wait_for_window_titled(description);
  ASSERT_NE("", add) << "the add-to-log dialog for " << description << " did not open";
  EXPECT_EQ(0u, logged_rows(log_path));
  keys(add, {"shift+Tab", "shift+Tab", "Return"});

  // The moment the entry can be read by another connection, the program dies.
  const gint64 deadline = g_get_monotonic_time() + kPatienceUs;
  long long rows = 0;
  while (rows < 1 && g_get_monotonic_time() < deadline) {
    rows = logged_rows(log_path);
    if (rows < 1) g_usleep(2 * 1000);
  }
  ASSERT_EQ(0, kill(pid_, SIGKILL));
  int wait_status = 0;
  ASSERT_EQ(pid_, waitpid(pid_, &wait_status, 0));
  pid_ = 0;
  EXPECT_TRUE(WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == SIGKILL);
  ASSERT_EQ(1, rows) << "the entry never reached log.db";

  date_today(today);
  const std::string day_after = today;

  // The entry survived, whole, and the file is sound and complete.
  sqlite3 *reader = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(log_path.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr));
  sqlite3_stmt *check = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(reader, "PRAGMA integrity_check", -1, &check, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(check));
  EXPECT_STREQ("ok", reinterpret_cast<const char *>(sqlite3_column_text(check, 0)));
  sqlite3_finalize(check);
  DateList dates;
  ASSERT_EQ(0, log_dates(reader, &dates));
  ASSERT_EQ(1u, dates.count);
  const std::string logged_date = dates.items[0];
  date_list_free(&dates);
  EXPECT_TRUE(logged_date == day_before || logged_date == day_after) << logged_date;
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(reader, logged_date.c_str(), &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(food_code, entries.items[0].food_code);
  EXPECT_EQ(description, entries.items[0].description);
  // A food never logged is added at its first household measure: 1 small apple, 165 g.
  EXPECT_EQ(1.65, entries.items[0].servings);
  log_entry_list_free(&entries);
  Profile stored;
  EXPECT_EQ(0, profile_load(reader, &stored));
  EXPECT_EQ(2600, stored.calorie_target);
  profile_clear(&stored);
  sqlite3_close(reader);

  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(log_dir))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(std::set<std::string>{"log.db"}, names) << "no journal was left to replay";
}

}  // namespace
