// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a real process: first start, the start-up failures, a normal close.
#include <gtest/gtest.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "store/log-db.h"

namespace {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

std::string env_or_die(const char *name) {
  const char *value = g_getenv(name);
  EXPECT_NE(nullptr, value) << name << " is not set";
  return value ? value : "";
}

// The environment of this process with the given variables replaced.
std::vector<std::string> environment_with(const std::vector<std::string> &settings) {
  std::vector<std::string> env;
  gchar **current = g_get_environ();
  for (gchar **e = current; *e; e++) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string &s : settings)
      if (entry.compare(0, s.find('=') + 1, s, 0, s.find('=') + 1) == 0) replaced = true;
    if (!replaced) env.push_back(entry);
  }
  g_strfreev(current);
  for (const std::string &s : settings) env.push_back(s);
  return env;
}

std::vector<char *> c_strings(std::vector<std::string> &strings) {
  std::vector<char *> out;
  for (std::string &s : strings) out.push_back(&s[0]);
  out.push_back(nullptr);
  return out;
}

ProcessResult run_sync(const std::string &exe, const std::vector<std::string> &settings) {
  std::vector<std::string> args = {exe};
  std::vector<std::string> env = environment_with(settings);
  std::vector<char *> argv = c_strings(args), envp = c_strings(env);
  gchar *out = nullptr, *err = nullptr;
  gint wait_status = 0;
  GError *error = nullptr;
  ProcessResult run;
  if (!g_spawn_sync(nullptr, argv.data(), envp.data(), G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                    &err, &wait_status, &error)) {
    ADD_FAILURE() << "cannot run " << exe << ": " << error->message;
    g_error_free(error);
    return run;
  }
  if (WIFEXITED(wait_status)) run.status = WEXITSTATUS(wait_status);
  run.out = out ? out : "";
  run.err = err ? err : "";
  g_free(out);
  g_free(err);
  return run;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string &path, const std::string &contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/alimora-startup-XXXXXX";
    ASSERT_NE(nullptr, g_mkdtemp(tmpl));
    dir_ = tmpl;
    data_home_ = dir_ + "/data";
    exe_ = env_or_die("ALIMORA_EXE");
  }
  void TearDown() override {
    std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(0, system(command.c_str()));
  }
  std::string dir_, data_home_, exe_;
};

TEST_F(StartupTest, MissingFoodDatabaseExitsWithStatus1AndCreatesNothing) {
  std::string exe = env_or_die("ALIMORA_NO_FOOD_EXE");
  ProcessResult run = run_sync(exe, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  EXPECT_EQ(1, run.status);
  std::string build_root = env_or_die("ALIMORA_BUILD_ROOT");
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
  ProcessResult run = run_sync(exe_, {"XDG_DATA_HOME=" + blocker + "/deeper", "LC_ALL=C", "LANGUAGE="});
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

  ProcessResult run = run_sync(exe_, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
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

// Starts the program on the test's display; returns its pid.
GPid spawn_on_display(const std::string &exe, const std::vector<std::string> &settings) {
  std::vector<std::string> args = {exe};
  std::vector<std::string> env = environment_with(settings);
  std::vector<char *> argv = c_strings(args), envp = c_strings(env);
  GPid pid = 0;
  GError *error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), envp.data(), G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                     nullptr, &pid, &error)) {
    ADD_FAILURE() << error->message;
    g_error_free(error);
  }
  return pid;
}

// Runs the x-window helper ("wait" or "close") for the program's main window.
bool x_window(const char *action) {
  std::vector<std::string> args = {env_or_die("X_WINDOW_EXE"), action, "alimora", "20000"};
  std::vector<char *> argv = c_strings(args);
  gint status = 0;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                    nullptr, nullptr, &status, nullptr))
    return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Waits at most 20 s for the process to end; kills it when it does not. Returns its
// wait status, or -1 when it had to be killed.
int wait_for_exit(GPid pid) {
  int wait_status = 0;
  pid_t waited = 0;
  for (int i = 0; i < 2000 && waited == 0; i++) {
    waited = waitpid(pid, &wait_status, WNOHANG);
    if (waited == 0) g_usleep(10 * 1000);
  }
  if (waited == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &wait_status, 0);
    wait_status = -1;
  }
  g_spawn_close_pid(pid);
  return wait_status;
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

TEST_F(StartupTest, FirstStartCreatesTheDirectoryAndTheLogWithItsTwoTables) {
  if (!g_getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  umask(022);
  GPid pid = spawn_on_display(exe_, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  ASSERT_NE(0, pid);
  EXPECT_TRUE(x_window("wait")) << "the main window did not appear";
  // The profile dialog is open over the window on a first start; end the process.
  kill(pid, SIGTERM);
  wait_for_exit(pid);

  struct stat st;
  std::string alimora_dir = data_home_ + "/alimora";
  ASSERT_EQ(0, g_stat(alimora_dir.c_str(), &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(0755u, st.st_mode & 07777);
  EXPECT_EQ((std::vector<std::string>{"food_log", "user_profile"}),
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

  GPid pid = spawn_on_display(exe_, {"XDG_DATA_HOME=" + data_home_, "LC_ALL=C", "LANGUAGE="});
  ASSERT_NE(0, pid);
  EXPECT_TRUE(x_window("close")) << "the main window did not appear";
  int wait_status = wait_for_exit(pid);
  ASSERT_NE(-1, wait_status) << "the program did not end after its window was closed";
  ASSERT_TRUE(WIFEXITED(wait_status));
  EXPECT_EQ(0, WEXITSTATUS(wait_status));
}

}  // namespace
