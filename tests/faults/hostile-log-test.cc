// SPDX-License-Identifier: GPL-3.0-or-later
// The log store on hostile files: truncated or damaged, read-only, locked by another
// connection, or with a profile table of another shape. Each failure gives its one line,
// nothing crashes, and a file that nothing was asked to change keeps its bytes.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "db-connection.h"
#include "fault-fixture.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

constexpr int kEntries = 300;  // enough rows to fill several pages of the file

// The names in a directory.
std::set<std::string> names_in(const std::string &dir) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

// What a child process wrote to standard error and how it ended.
struct ChildRun {
  bool skipped = false;  // the child could not give up the superuser's rights
  std::string err;
  int status = -1;
};

// Runs |body| in a child process without the superuser's rights (when the test has them),
// so that file permissions bind it as they bind a user; collects its standard error.
ChildRun run_unprivileged(const std::string &dir, const std::function<void()> &body) {
  ChildRun run;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    ADD_FAILURE() << "pipe";
    return run;
  }
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    dup2(pipe_fds[1], STDERR_FILENO);
    if (geteuid() == 0) {
      const gid_t nogroup = 65534;
      const uid_t nobody = 65534;
      if (setgroups(1, &nogroup) != 0 || setgid(nogroup) != 0 || setuid(nobody) != 0) _exit(77);
    }
    if (access(dir.c_str(), X_OK) != 0) _exit(77);
    body();
    fflush(stderr);
    _exit(0);
  }
  close(pipe_fds[1]);
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0) run.err.append(buffer, got);
  close(pipe_fds[0]);
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  run.skipped = run.status == 77;
  return run;
}

// A transcript line for a result, written between the program's own lines.
void note(const char *what, int result) { fprintf(stderr, "[%s %d]\n", what, result); }

class HostileLogTest : public FaultTest {
 protected:
  void SetUp() override {
    FaultTest::SetUp();
    log_path_ = PathIn("log.db");
  }

  // A log with a complete profile and kEntries entries on 2026-12-06, closed again.
  void MakeFilledLog() {
    sqlite3 *db = log_db_open(log_path_.c_str());
    ASSERT_NE(nullptr, db);
    char bdate[] = "1980-02-29";
    Profile profile{bdate, 180.0, 80.0, 2, 1, 2600};
    ASSERT_EQ(0, profile_save(db, &profile));
    // One transaction, so that filling the file takes one sync rather than hundreds.
    ASSERT_EQ(SQLITE_OK, exec_sql(db, "BEGIN"));
    for (int i = 0; i < kEntries; ++i)
      EXPECT_EQ(0, log_entry_add(db, 11111000 + i, "Milk, whole, with a longer description",
                                 "2026-12-06", 1.0 + i));
    ASSERT_EQ(SQLITE_OK, exec_sql(db, "COMMIT"));
    log_db_close(db);
  }

  std::string log_path_;
};

TEST_F(HostileLogTest, TruncatedLogIsRefusedAtOpenAndLeftAsItWas) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  const std::string full = read_file(log_path_);
  ASSERT_LT(8u * 4096u, full.size());

  // Inside the header, after the first page, halfway, one page short.
  for (size_t length :
       {size_t{50}, size_t{100}, size_t{4096}, full.size() / 2, full.size() - 4096}) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    const std::string cut = full.substr(0, length);
    write_file(log_path_, cut);
    testing::internal::CaptureStderr();
    sqlite3 *db = log_db_open(log_path_.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, db);
    log_db_close(db);
    EXPECT_EQ("alimora: cannot create log table: database disk image is malformed\n", err);
    EXPECT_EQ(cut, read_file(log_path_));
    EXPECT_EQ(std::set<std::string>{"log.db"}, names_in(dir_)) << "no journal left behind";
  }
}

TEST_F(HostileLogTest, DamagedPagesFailTheReadsWithAnSqlErrorAndEmptyLists) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  // The schema on the first page and the tables' first pages survive; the four pages after
  // them, which hold rows of the log, do not.
  sqlite3 *raw = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(log_path_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr));
  const size_t roots = static_cast<size_t>(query_int(raw, "SELECT max(rootpage) FROM sqlite_master"));
  sqlite3_close(raw);
  std::string damaged = read_file(log_path_);
  ASSERT_LT((roots + 4) * 4096u, damaged.size());
  for (size_t i = roots * 4096; i < (roots + 4) * 4096; ++i)
    damaged[i] = static_cast<char>(i * 7 + 3);
  write_file(log_path_, damaged);

  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  LogEntryList entries;
  DateList dates;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entries_for_date(db, "2026-12-06", &entries));
  EXPECT_EQ(-1, log_dates(db, &dates));
  EXPECT_EQ(
      "alimora: SQL error: database disk image is malformed\n"
      "alimora: SQL error: database disk image is malformed\n",
      testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(0u, entries.count);
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(0u, dates.count);
  log_entry_list_free(&entries);
  date_list_free(&dates);
  log_db_close(db);
  EXPECT_EQ(damaged, read_file(log_path_)) << "reading changed the file";
}

TEST_F(HostileLogTest, ReadOnlyLogFileRefusesEveryWriteAndKeepsItsBytes) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  ASSERT_EQ(0, chmod(log_path_.c_str(), 0444));
  ASSERT_EQ(0, chmod(dir_.c_str(), 0777));
  const std::string before = read_file(log_path_);

  const ChildRun run = run_unprivileged(dir_, [&] {
    sqlite3 *db = log_db_open(log_path_.c_str());
    note("open", db != nullptr);
    if (!db) return;
    note("add", log_entry_add(db, 1, "Apple", "2026-12-06", 1.0));
    note("update", log_entry_update(db, 1, "2026-12-07", 2.0));
    note("delete", log_entry_delete(db, 1));
    char bdate[] = "1990-01-01";
    Profile profile{bdate, 170.0, 60.0, 1, 0, 1800};
    note("save", profile_save(db, &profile));
    LogEntryList entries;
    note("entries", log_entries_for_date(db, "2026-12-06", &entries));
    note("count", static_cast<int>(entries.count));
    log_entry_list_free(&entries);
    Profile loaded;
    note("load", profile_load(db, &loaded));
    note("target", loaded.calorie_target);
    profile_clear(&loaded);
    log_db_close(db);
  });
  if (run.skipped) GTEST_SKIP() << "cannot run a process without the superuser's rights";
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(
      "[open 1]\n"
      "alimora: cannot add log entry: attempt to write a readonly database\n[add -1]\n"
      "alimora: cannot update log entry: attempt to write a readonly database\n[update -1]\n"
      "alimora: cannot delete log entry: attempt to write a readonly database\n[delete -1]\n"
      "alimora: cannot save profile: attempt to write a readonly database\n[save -1]\n"
      "[entries 0]\n[count 300]\n[load 0]\n[target 2600]\n",
      run.err);
  EXPECT_EQ(before, read_file(log_path_));
  EXPECT_EQ(std::set<std::string>{"log.db"}, names_in(dir_));
}

TEST_F(HostileLogTest, ReadOnlyFileWithoutTablesCannotBeSetUp) {
  write_file(log_path_, "");
  ASSERT_EQ(0, chmod(log_path_.c_str(), 0444));
  ASSERT_EQ(0, chmod(dir_.c_str(), 0777));

  const ChildRun run = run_unprivileged(dir_, [&] {
    sqlite3 *db = log_db_open(log_path_.c_str());
    note("open", db != nullptr);
    log_db_close(db);
  });
  if (run.skipped) GTEST_SKIP() << "cannot run a process without the superuser's rights";
  EXPECT_EQ("alimora: cannot create log table: attempt to write a readonly database\n[open 0]\n",
            run.err);
  EXPECT_EQ("", read_file(log_path_));
}

TEST_F(HostileLogTest, ReadOnlyDirectoryRefusesWritesThatNeedAJournal) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  ASSERT_EQ(0, chmod(log_path_.c_str(), 0666));
  ASSERT_EQ(0, chmod(dir_.c_str(), 0555));
  const std::string before = read_file(log_path_);

  const ChildRun run = run_unprivileged(dir_, [&] {
    sqlite3 *db = log_db_open(log_path_.c_str());
    note("open", db != nullptr);
    if (!db) return;
    note("add", log_entry_add(db, 1, "Apple", "2026-12-06", 1.0));
    LogEntryList entries;
    note("entries", log_entries_for_date(db, "2026-12-06", &entries));
    note("count", static_cast<int>(entries.count));
    log_entry_list_free(&entries);
    log_db_close(db);
    // Nor can a new log be made there.
    const std::string other = dir_ + "/other.db";
    db = log_db_open(other.c_str());
    note("open other", db != nullptr);
    log_db_close(db);
  });
  if (run.skipped) GTEST_SKIP() << "cannot run a process without the superuser's rights";
  EXPECT_EQ(
      "[open 1]\n"
      "alimora: cannot add log entry: attempt to write a readonly database\n[add -1]\n"
      "[entries 0]\n[count 300]\n"
      "alimora: cannot open log database '" +
          dir_ + "/other.db': unable to open database file\n[open other 0]\n",
      run.err);
  EXPECT_EQ(before, read_file(log_path_));
  EXPECT_EQ(std::set<std::string>{"log.db"}, names_in(dir_));
}

TEST_F(HostileLogTest, WritesFailWhileAnotherConnectionHoldsAWriteTransaction) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  sqlite3_busy_timeout(db, 0);  // as if the lock outlasted the wait
  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other,
                                "BEGIN IMMEDIATE;"
                                "INSERT INTO food_log (food_code, description, date, servings) "
                                "VALUES (9, 'pending', '2026-12-08', 1.0)"));
  const std::string before = read_file(log_path_);

  char bdate[] = "1990-01-01";
  Profile profile{bdate, 170.0, 60.0, 1, 0, 1800};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add(db, 1, "Apple", "2026-12-06", 1.0));
  EXPECT_EQ(-1, log_entry_update(db, 1, "2026-12-07", 2.0));
  EXPECT_EQ(-1, log_entry_delete(db, 1));
  EXPECT_EQ(-1, profile_save(db, &profile));
  EXPECT_EQ(
      "alimora: cannot add log entry: database is locked\n"
      "alimora: cannot update log entry: database is locked\n"
      "alimora: cannot delete log entry: database is locked\n"
      "alimora: cannot save profile: database is locked\n",
      testing::internal::GetCapturedStderr());

  // Reading goes on: the other transaction is not committed yet.
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db, "2026-12-06", &entries));
  EXPECT_EQ(static_cast<size_t>(kEntries), entries.count);
  log_entry_list_free(&entries);
  ASSERT_EQ(0, log_entries_for_date(db, "2026-12-08", &entries));
  EXPECT_EQ(0u, entries.count);
  log_entry_list_free(&entries);
  EXPECT_EQ(before, read_file(log_path_));

  // Once it commits, the log holds its row and nothing of the failed writes.
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "COMMIT"));
  sqlite3_close(other);
  EXPECT_EQ(kEntries + 1, query_int(db, "SELECT count(*) FROM food_log"));
  EXPECT_EQ(1, query_int(db,
                         "SELECT count(*) FROM food_log WHERE id = 1 AND "
                         "date = '2026-12-06' AND servings = 1.0"));
  Profile loaded;
  ASSERT_EQ(0, profile_load(db, &loaded));
  EXPECT_STREQ("1980-02-29", loaded.bdate);
  EXPECT_EQ(2600, loaded.calorie_target);
  profile_clear(&loaded);
  log_db_close(db);
}

TEST_F(HostileLogTest, ExclusiveLockFailsTheOpenAndTheReads) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  sqlite3_busy_timeout(db, 0);  // as if the lock outlasted the wait; the open below waits
  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other,
                                "BEGIN EXCLUSIVE;"
                                "DELETE FROM food_log"));

  LogEntryList entries;
  DateList dates;
  Profile loaded;
  testing::internal::CaptureStderr();
  sqlite3 *second = log_db_open(log_path_.c_str());
  EXPECT_EQ(-1, log_entries_for_date(db, "2026-12-06", &entries));
  EXPECT_EQ(-1, log_dates(db, &dates));
  EXPECT_EQ(-1, profile_load(db, &loaded));
  EXPECT_EQ(
      "alimora: cannot create log table: database is locked\n"
      "alimora: SQL error: database is locked\n"
      "alimora: SQL error: database is locked\n"
      "alimora: SQL error: database is locked\n",
      testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, second);
  log_db_close(second);
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(nullptr, loaded.bdate);
  EXPECT_FALSE(profile_is_complete(-1, &loaded));

  ASSERT_EQ(SQLITE_OK, exec_sql(other, "ROLLBACK"));
  sqlite3_close(other);
  ASSERT_EQ(0, log_entries_for_date(db, "2026-12-06", &entries));
  EXPECT_EQ(static_cast<size_t>(kEntries), entries.count) << "the rolled-back delete lost nothing";
  log_entry_list_free(&entries);
  log_db_close(db);
}

// Another process (a backup, the report, the sqlite3 shell) holds a write transaction for
// part of the wait: each write and read waits for it and lands after it.
TEST_F(HostileLogTest, LockHeldForPartOfTheWaitDelaysTheWritesWithoutLosingThem) {
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  const unsigned long waits = db_lock_waits;

  struct Case {
    const char *lock;  // how the other connection holds the file
    std::function<int()> operation;
  };
  char bdate[] = "1975-06-01";
  Profile profile{bdate, 180.0, 80.0, 2, 1, 2600};
  LogEntryList entries;
  const Case cases[] = {
      {"BEGIN IMMEDIATE", [&] { return log_entry_add(db, 9, "Late", "2026-12-09", 1.0); }},
      {"BEGIN EXCLUSIVE", [&] { return log_entry_update(db, 1, "2026-12-10", 3.0); }},
      {"BEGIN IMMEDIATE", [&] { return log_entry_delete(db, 2); }},
      {"BEGIN EXCLUSIVE", [&] { return profile_save(db, &profile); }},
      {"BEGIN EXCLUSIVE", [&] {
         int rc = log_entries_for_date(db, "2026-12-06", &entries);
         log_entry_list_free(&entries);
         return rc;
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.lock);
    sqlite3 *other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &other));
    ASSERT_EQ(SQLITE_OK, exec_sql(other, std::string(c.lock) + "; SELECT count(*) FROM food_log"));
    std::thread holder([other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      exec_sql(other, "COMMIT");
    });
    testing::internal::CaptureStderr();
    const int rc = c.operation();
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    holder.join();
    sqlite3_close(other);
    EXPECT_EQ(0, rc);
  }
  EXPECT_GE(db_lock_waits, waits + 5) << "each operation waited for the lock";
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM food_log WHERE description = 'Late'"));
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM food_log WHERE id = 1 AND servings = 3.0"));
  EXPECT_EQ(0, query_int(db, "SELECT count(*) FROM food_log WHERE id = 2"));
  EXPECT_EQ(2600, query_int(db, "SELECT calorie_target FROM user_profile"));
  log_db_close(db);
}

// A writer that died in the middle of a transaction leaves a hot journal; the report may
// roll it back (SQLite reads nothing until that is done) and otherwise leaves the file as
// it is.
TEST_F(HostileLogTest, ReportRollsBackAHotJournalAndOtherwiseChangesNothing) {
  const std::string exe = required_env("ALIMORA_REPORT_EXE");
  ASSERT_FALSE(exe.empty());
  const std::string data_home = PathIn("data");
  ASSERT_EQ(0, g_mkdir_with_parents((data_home + "/alimora").c_str(), 0700));
  log_path_ = data_home + "/alimora/log.db";
  ASSERT_NO_FATAL_FAILURE(MakeFilledLog());
  const std::vector<std::string> report = {exe, "2026-12-06"};
  const std::vector<std::string> env = {"XDG_DATA_HOME=" + data_home, "LC_ALL=C", "LANGUAGE="};

  const std::string before = read_file(log_path_);
  ProcessResult clean = run_process(report, env);
  EXPECT_EQ(0, clean.status) << clean.err;
  EXPECT_NE(std::string::npos, clean.out.find("Daily budget (2600 kcal")) << clean.out;
  EXPECT_EQ(before, read_file(log_path_)) << "the report changed the log";

  // A writer with a tiny page cache spills its changes into the file, then dies.
  const pid_t pid = fork();
  ASSERT_NE(-1, pid);
  if (pid == 0) {
    sqlite3 *db = nullptr;
    if (sqlite3_open(log_path_.c_str(), &db) != SQLITE_OK) _exit(1);
    exec_sql(db, "PRAGMA cache_size = 1; BEGIN; DELETE FROM food_log; "
                 "UPDATE user_profile SET calorie_target = 1000");
    _exit(0);
  }
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  ASSERT_TRUE(WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0);
  ASSERT_LT(0u, read_file(log_path_ + "-journal").size()) << "no hot journal was left";

  ProcessResult after_crash = run_process(report, env);
  EXPECT_EQ(0, after_crash.status) << after_crash.err;
  EXPECT_EQ(clean.out, after_crash.out);
  EXPECT_EQ("", after_crash.err);
  EXPECT_TRUE(read_file(log_path_ + "-journal").empty()) << "the journal was not rolled back";
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(kEntries, query_int(db, "SELECT count(*) FROM food_log"));
  EXPECT_EQ(2600, query_int(db, "SELECT calorie_target FROM user_profile"));
  log_db_close(db);
}

TEST_F(HostileLogTest, ProfileTablesOfOtherShapes) {
  struct Case {
    const char *name;
    const char *sql;       // makes the user_profile table and its row
    int load_result;       // what profile_load returns
    const char *bdate;     // the loaded birth date, or null
    int gender;            // the loaded gender
    bool complete;         // what profile_is_complete says
    int save_result;       // what profile_save returns
    const char *save_err;  // the line that a failed save writes
  };
  const Case cases[] = {
      {"extra column without a default",
       "CREATE TABLE user_profile (id INTEGER PRIMARY KEY, bdate TEXT, height_cm REAL, "
       "weight_kg REAL, activity_level INTEGER, gender INTEGER, calorie_target INTEGER, "
       "note TEXT NOT NULL);"
       "INSERT INTO user_profile VALUES (1, '1980-02-29', 180, 80, 2, 1, 2600, 'x');",
       0, "1980-02-29", 1, true, -1,
       "alimora: cannot save profile: NOT NULL constraint failed: user_profile.note\n"},
      {"columns in another order and text in number columns",
       "CREATE TABLE user_profile (calorie_target, gender, activity_level, weight_kg, "
       "height_cm, bdate, id INTEGER PRIMARY KEY);"
       "INSERT INTO user_profile VALUES ('many', 'female', 'lazy', 'heavy', 'tall', "
       "'1980-02-29', 1);",
       0, "1980-02-29", 0, true, 0, ""},
      {"a null birth date",
       "CREATE TABLE user_profile (id INTEGER PRIMARY KEY, bdate TEXT, height_cm REAL, "
       "weight_kg REAL, activity_level INTEGER, gender INTEGER, calorie_target INTEGER);"
       "INSERT INTO user_profile VALUES (1, NULL, 180, 80, 2, 1, 2600);",
       0, nullptr, 1, false, 0, ""},
      {"a row with another id only",
       "CREATE TABLE user_profile (id INTEGER PRIMARY KEY, bdate TEXT, height_cm REAL, "
       "weight_kg REAL, activity_level INTEGER, gender INTEGER, calorie_target INTEGER);"
       "INSERT INTO user_profile VALUES (2, '1980-02-29', 180, 80, 2, 1, 2600);",
       1, nullptr, 0, false, 0, ""},
      {"a view",
       "CREATE VIEW user_profile AS SELECT 1 AS id, '1980-02-29' AS bdate, 180.0 AS height_cm, "
       "80.0 AS weight_kg, 2 AS activity_level, 1 AS gender, 2600 AS calorie_target;",
       0, "1980-02-29", 1, true, -1,
       "alimora: SQL error: cannot modify user_profile because it is a view\n"},
  };
  int file_number = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathIn("profile-" + std::to_string(++file_number) + ".db");
    ASSERT_NO_FATAL_FAILURE(MakeDb(path, c.sql));
    sqlite3 *db = log_db_open(path.c_str());
    ASSERT_NE(nullptr, db);
    log_db_close(db);
    const std::string before = read_file(path);

    db = log_db_open(path.c_str());
    ASSERT_NE(nullptr, db);
    Profile loaded;
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.load_result, profile_load(db, &loaded));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(c.bdate != nullptr, loaded.bdate != nullptr);
    if (c.bdate && loaded.bdate) {
      EXPECT_STREQ(c.bdate, loaded.bdate);
    }
    EXPECT_EQ(c.gender, loaded.gender);
    EXPECT_EQ(c.complete, profile_is_complete(c.load_result, &loaded));
    profile_clear(&loaded);
    log_db_close(db);
    EXPECT_EQ(before, read_file(path)) << "opening and loading changed the file";

    db = log_db_open(path.c_str());
    ASSERT_NE(nullptr, db);
    char bdate[] = "1990-01-01";
    Profile profile{bdate, 170.0, 60.0, 1, 0, 1800};
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.save_result, profile_save(db, &profile));
    EXPECT_EQ(c.save_err, testing::internal::GetCapturedStderr());
    if (c.save_result == 0) {
      ASSERT_EQ(0, profile_load(db, &loaded));
      EXPECT_STREQ("1990-01-01", loaded.bdate);
      EXPECT_EQ(1800, loaded.calorie_target);
      profile_clear(&loaded);
    }
    log_db_close(db);
    if (c.save_result != 0) {
      EXPECT_EQ(before, read_file(path)) << "a failed save changed the file";
    }
  }
}

}  // namespace
