// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the test programs: temporary directories, files, SQLite statements and
// child processes.
#include "test-support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

void TempDirTest::SetUp() {
  dir_ = make_temp_dir("alimora-test");
  ASSERT_NE("", dir_) << "cannot make a temporary directory";
}

void TempDirTest::TearDown() {
  if (dir_.empty()) return;
  remove_tree(dir_);
  EXPECT_FALSE(fs::exists(dir_)) << "cannot remove " << dir_;
  dir_.clear();
}

std::string TempDirTest::PathIn(const std::string &name) const { return dir_ + "/" + name; }

std::string make_temp_dir(const std::string &prefix) {
  std::error_code error;
  const fs::path tmp = fs::temp_directory_path(error);
  std::string pattern = ((error ? fs::path("/tmp") : tmp) / (prefix + "-XXXXXX")).string();
  return mkdtemp(pattern.data()) ? pattern : "";
}

void remove_tree(const std::string &dir) {
  if (dir.empty()) return;
  std::error_code ignored;
  // Tests may leave read-only files and directories behind; each directory is opened for
  // its owner before the walk goes into it.
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
  std::error_code walk;
  for (fs::recursive_directory_iterator it(dir, walk), end; !walk && it != end; it.increment(walk))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(dir, ignored);
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string env_or_empty(const char *name) {
  const char *value = g_getenv(name);
  return value ? value : "";
}

std::string required_env(const char *name) {
  const char *value = g_getenv(name);
  EXPECT_NE(nullptr, value) << name << " is not set";
  return value ? value : "";
}

std::string built_food_db_path() {
  const char *root = g_getenv("ALIMORA_BUILD_ROOT");
  return std::string(root ? root : ".") + "/data/food.db";
}

int exec_sql(sqlite3 *db, const std::string &sql, std::string *error) {
  char *message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  if (error) *error = message ? message : "";
  sqlite3_free(message);
  return rc;
}

long long query_int(sqlite3 *db, const std::string &sql) {
  sqlite3_stmt *stmt = nullptr;
  long long value = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    value = sqlite3_column_int64(stmt, 0);
  else
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(stmt);
  return value;
}

namespace {

std::string name_of(const std::string &setting) { return setting.substr(0, setting.find('=')); }

// Null-terminated pointers into |strings|, which must outlive them.
std::vector<char *> c_strings(std::vector<std::string> &strings) {
  std::vector<char *> out;
  for (std::string &s : strings) out.push_back(&s[0]);
  out.push_back(nullptr);
  return out;
}

void merge_stderr_into_stdout(gpointer) { dup2(STDOUT_FILENO, STDERR_FILENO); }

}  // namespace

std::vector<std::string> environment_with(const std::vector<std::string> &settings) {
  std::vector<std::string> env;
  gchar **current = g_get_environ();
  for (gchar **e = current; *e; e++) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string &s : settings)
      if (name_of(entry) == name_of(s)) replaced = true;
    if (!replaced) env.push_back(entry);
  }
  g_strfreev(current);
  for (const std::string &s : settings)
    if (s.find('=') != std::string::npos) env.push_back(s);
  return env;
}

ProcessResult run_process(const std::vector<std::string> &args,
                          const std::vector<std::string> &settings, bool merge_stderr) {
  std::vector<std::string> argv_strings = args, env = environment_with(settings);
  std::vector<char *> argv = c_strings(argv_strings), envp = c_strings(env);
  gchar *out = nullptr, *err = nullptr;
  gint wait_status = 0;
  GError *error = nullptr;
  ProcessResult run;
  if (!g_spawn_sync(nullptr, argv.data(), envp.data(), G_SPAWN_SEARCH_PATH,
                    merge_stderr ? merge_stderr_into_stdout : nullptr, nullptr, &out, &err,
                    &wait_status, &error)) {
    ADD_FAILURE() << "cannot run " << args[0] << ": " << error->message;
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

GPid spawn_process(const std::vector<std::string> &args,
                   const std::vector<std::string> &settings) {
  std::vector<std::string> argv_strings = args, env = environment_with(settings);
  std::vector<char *> argv = c_strings(argv_strings), envp = c_strings(env);
  GPid pid = 0;
  GError *error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), envp.data(),
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                     nullptr, nullptr, &pid, &error)) {
    ADD_FAILURE() << "cannot start " << args[0] << ": " << error->message;
    g_error_free(error);
    return 0;
  }
  return pid;
}

int wait_for_exit(GPid pid, int timeout_ms) {
  int wait_status = 0;
  pid_t waited = 0;
  for (int waited_ms = 0; waited_ms < timeout_ms && waited == 0; waited_ms += 10) {
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

bool x_window(const char *action, std::string *window) {
  const ProcessResult run =
      run_process({required_env("X_WINDOW_EXE"), action, "alimora", "20000"});
  if (window) *window = run.out.substr(0, run.out.find('\n'));
  return run.status == 0;
}

const std::vector<ZoneDate> kZoneDates = {
    {"Europe/Dublin", "2026-01-15", "01/15/26", "winter is negative summer time"},
    {"Europe/Dublin", "2026-12-08", "12/08/26", "winter is negative summer time"},
    {"Africa/Casablanca", "2026-03-01", "03/01/26", "Ramadan is negative summer time"},
    {"Pacific/Apia", "2011-12-30", "12/30/11", "the day Samoa skipped"},
    {"America/Sao_Paulo", "2018-11-04", "11/04/18", "clocks jumped at midnight"},
    {"Asia/Tehran", "2022-03-22", "03/22/22", "clocks jumped at midnight"},
    {"UTC", "2024-02-30", "2024-02-30 (not a date)", "30 February is no day, shown as stored"},
};

bool time_zone_installed(const char *zone) {
  const std::string path = std::string("/usr/share/zoneinfo/") + zone;
  return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR);
}

ScopedTimeZone::ScopedTimeZone(const char *zone) {
  const char *old = getenv("TZ");
  had_ = old != nullptr;
  if (old) old_ = old;
  setenv("TZ", zone, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_)
    setenv("TZ", old_.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

bool locale_installed(const char *locale) {
  const char *current = setlocale(LC_ALL, nullptr);
  const std::string saved = current ? current : "C";
  const bool installed = setlocale(LC_ALL, locale) != nullptr;
  setlocale(LC_ALL, saved.c_str());
  return installed;
}
