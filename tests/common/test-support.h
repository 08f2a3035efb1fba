// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the test programs: a fixture with a temporary directory, whole-file
// reads and writes, raw SQLite statements, and running other programs as real processes.
#pragma once

#include <glib.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

// A fixture that makes a fresh temporary directory before each test and removes it, with
// everything below it, afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Full name of |name| inside the temporary directory.
  std::string PathIn(const std::string &name) const;

  std::string dir_;  // the temporary directory; "" until SetUp has made it
};

// Makes a new directory <prefix>-XXXXXX in the temporary directory of the system; returns
// its name, or "" when it cannot.
std::string make_temp_dir(const std::string &prefix);

// Removes |dir| and everything below it, read-only files and directories included.
void remove_tree(const std::string &dir);

// The whole content of a file ("" when it cannot be read).
std::string read_file(const std::string &path);

// Replaces the content of a file, creating it when it does not exist.
void write_file(const std::string &path, const std::string &content);

// The value of the environment variable |name|, or "" when it is not set.
std::string env_or_empty(const char *name);

// The value of the environment variable |name|; "" with a test failure when it is not set.
std::string required_env(const char *name);

// The path of the food database built in the build tree.
std::string built_food_db_path();

// Runs |sql| on |db|; returns SQLite's result and, in |error|, its message.
int exec_sql(sqlite3 *db, const std::string &sql, std::string *error = nullptr);

// The single integer that |sql| selects on |db|, or -1 (with a test failure).
long long query_int(sqlite3 *db, const std::string &sql);

// The environment of this process with |settings| applied: "NAME=value" sets a variable,
// a plain "NAME" removes it.
std::vector<std::string> environment_with(const std::vector<std::string> &settings);

// What a program run to its end did.
struct ProcessResult {
  int status = -1;  // exit status, or -1 when it could not run or did not exit normally
  std::string out;  // standard output (with standard error when they were merged)
  std::string err;  // standard error
};

// Runs |args| (the program, looked up in PATH when it has no slash, and its arguments) to
// its end in this process's environment with |settings| applied (see environment_with).
// With |merge_stderr| the program's standard error goes to the same pipe as its output.
// A program that cannot be started adds a test failure.
ProcessResult run_process(const std::vector<std::string> &args,
                          const std::vector<std::string> &settings = {},
                          bool merge_stderr = false);

// Starts |args| in the background, as run_process would; returns its pid, to be ended with
// wait_for_exit, or 0 (with a test failure) when it cannot be started.
GPid spawn_process(const std::vector<std::string> &args,
                   const std::vector<std::string> &settings = {});

// Waits at most |timeout_ms| for the process |pid| to end and kills it when it does not.
// Returns its wait status, or -1 when it had to be killed.
int wait_for_exit(GPid pid, int timeout_ms = 20000);

// Runs the x-window helper ($X_WINDOW_EXE) with |action| ("wait" or "close") on the
// program's main window; returns whether it succeeded and, in |window|, the window's id.
bool x_window(const char *action, std::string *window = nullptr);

// A date that time zones have tried to move: the day it is in |zone| and its display form
// in the C locale (MM/DD/YY), which must be the same day.
struct ZoneDate {
  const char *zone;   // a name of the time-zone database
  const char *date;   // "YYYY-MM-DD"
  const char *shown;  // date_to_display in the C locale
  const char *why;
};
// Dublin's winter (negative summer time), Casablanca in Ramadan, the day Apia skipped,
// clocks that jump at midnight in Sao Paulo and Tehran, a stored date that is no day in UTC.
extern const std::vector<ZoneDate> kZoneDates;

// Whether the time-zone database has |zone|.
bool time_zone_installed(const char *zone);

// Sets TZ to |zone| while alive, as a user's environment would.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char *zone);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone &) = delete;
  ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

// Whether |locale| (such as "ja_JP.EUC-JP") is installed: setlocale accepts it.
bool locale_installed(const char *locale);
