// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a real process: first start, the start-up failures, a normal close.
#include <gtest/gtest.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <set>
#include <string>
#include <vector>

#include "store/log-db.h"
#include "test-support.h"

namespace {

class StartupTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    data_home_ = dir_ + "/data";
    exe_ = required_env("ALIMORA_EXE");
  }
  std::string data_home_, exe_;
};

TEST_F(StartupTest, MissingFoodDatabaseExitsWithStatus1AndCreatesNothing) {
  std::string exe = required_env("ALIMORA_NO_FOOD_EXE");
  ProcessResult run =
      run_process({exe}, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  EXPECT_EQ(1, run.status);
  std::string build_root = required_env("ALIMORA_BUILD_ROOT");
  EXPECT_EQ("alimora: cannot open database '" + build_root +
                "/tests/no-food-db/food.db': unable to open database file\n",
            run.err);
  EXPECT_EQ("", run.out);
  EXPECT_FALSE(g_file_test(data_home_.c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(StartupTest, UncreatableDirectoryPrintsOnlyItsLineAndExitsWith1) {
  // A regular file where the data directory should be: no directory can be made below it.
  std::string blocker = dir_ + "/not-a-directory";
  write_file(blocker, "x");
  ProcessResult run =
      run_process({exe_}, {"XDG_DATA_HOME=" + blocker + "/deeper", "LC_ALL=C", "LANGUAGE="});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("alimora: cannot create directory\n", run.err);
}

TEST_F(StartupTest, LogThatIsNotADatabaseExitsWith1AndStaysUnchanged) {
  std::string alimora_dir = data_home_ + "/alimora";
  ASSERT_EQ(0, g_mkdir_with_parents(alimora_dir.c_str(), 0755));
  std::string log = alimora_dir + "/log.db";
  std::string garbage;
  for (int i = 0; i < 4096; i++) garbage += static_cast<char>((i * 131 + 7) % 251);
  write_file(log, garbage);

  ProcessResult run =
      run_process({exe_}, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("alimora: cannot create log table: file is not a database\n", run.err);
  EXPECT_EQ(garbage, read_file(log));
  // SQLite left no journal or other file beside it.
  GDir *d = g_dir_open(alimora_dir.c_str(), 0, nullptr);
  ASSERT_NE(nullptr, d);
  std::set<std::string> names;
  while (const char *name = g_dir_read_name(d)) names.insert(name);
  g_dir_close(d);
  EXPECT_EQ(std::set<std::string>{"log.db"}, names);
}

std::vector<std::string> table_names(const std::string &path) {
  std::vector<std::string> names;
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return names;
  }
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db,
                         "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                         "'sqlite_%' ORDER BY name",
                         -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW)
      names.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return names;
}

TEST_F(StartupTest, FirstStartCreatesTheDirectoryAndTheLogWithItsTables) {
  if (!g_getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  umask(022);
  GPid pid = spawn_process({exe_}, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  ASSERT_NE(0, pid);
  EXPECT_TRUE(x_window("wait")) << "the main window did not appear";
  // The profile dialog is open over the window on a first start; end the process.
  kill(pid, SIGTERM);
  wait_for_exit(pid);

  struct stat st;
  std::string alimora_dir = data_home_ + "/alimora";
  ASSERT_EQ(0, g_stat(alimora_dir.c_str(), &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(0700u, st.st_mode & 07777) << "only its owner may read a person's log";
  ASSERT_EQ(0, g_stat((alimora_dir + "/log.db").c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 07777);
  // The food log and the profile, and the program's own: the measures entries were logged
  // in, the weight log's two tables and the own foods' three.
  EXPECT_EQ((std::vector<std::string>{"entry_measures", "food_log", "own_food_nutrients",
                                      "own_foods", "own_items", "user_profile", "weight_log",
                                      "weight_preferences"}),
            table_names(alimora_dir + "/log.db"));
}

TEST_F(StartupTest, ClosingTheMainWindowEndsTheRunWithStatus0) {
  if (!g_getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  std::string alimora_dir = data_home_ + "/alimora";
  ASSERT_EQ(0, g_mkdir_with_parents(alimora_dir.c_str(), 0755));
  sqlite3 *log = log_db_open((alimora_dir + "/log.db").c_str());
  ASSERT_NE(nullptr, log);
  char bdate[] = "1980-02-29";
  Profile profile{bdate, 180.0, 80.0, 2, 1, 2600};
  ASSERT_EQ(0, profile_save(log, &profile));
  log_db_close(log);
  ASSERT_EQ(0, chmod((alimora_dir + "/log.db").c_str(), 0644));

  GPid pid = spawn_process({exe_}, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  ASSERT_NE(0, pid);
  EXPECT_TRUE(x_window("close")) << "the main window did not appear";
  int wait_status = wait_for_exit(pid);
  ASSERT_NE(-1, wait_status) << "the program did not end after its window was closed";
  ASSERT_TRUE(WIFEXITED(wait_status));
  EXPECT_EQ(0, WEXITSTATUS(wait_status));
  // What existed keeps its mode.
  struct stat st;
  ASSERT_EQ(0, g_stat(alimora_dir.c_str(), &st));
  EXPECT_EQ(0755u, st.st_mode & 07777);
  ASSERT_EQ(0, g_stat((alimora_dir + "/log.db").c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 07777);
}

}  // namespace
