// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the log database file, its tables and the profile row.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include "store-fixture.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

const char kLogTableSql[] =
    "CREATE TABLE food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER NOT "
    "NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL DEFAULT "
    "1.0)";
const char kProfileTableSql[] =
    "CREATE TABLE user_profile (  id INTEGER PRIMARY KEY CHECK (id = 1),  bdate TEXT NOT NULL,  "
    "height_cm REAL NOT NULL,  weight_kg REAL NOT NULL,  activity_level INTEGER NOT NULL,  "
    "gender INTEGER NOT NULL,  calorie_target INTEGER NOT NULL)";

// The (type, name, sql) rows of the schema, in name order.
std::vector<std::vector<std::string>> SchemaOf(sqlite3 *db) {
  std::vector<std::vector<std::string>> rows;
  sqlite3_stmt *stmt = nullptr;
  EXPECT_EQ(SQLITE_OK,
            sqlite3_prepare_v2(db, "SELECT type, name, sql FROM sqlite_master ORDER BY name", -1,
                               &stmt, nullptr));
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int column = 0; column < 3; ++column) {
      const unsigned char *text = sqlite3_column_text(stmt, column);
      row.emplace_back(text ? reinterpret_cast<const char *>(text) : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(stmt);
  return rows;
}

Profile MakeProfile(char *bdate, int32_t gender, int32_t calorie_target) {
  return Profile{bdate, 170.0, 65.5, 2, gender, calorie_target};
}

// Raises an SQL error whenever it is evaluated.
void RefuseRow(sqlite3_context *context, int, sqlite3_value **) {
  sqlite3_result_error(context, "row refused", -1);
}

}  // namespace

using LogDbTest = StoreTest;

// The two tables of the food log and the profile, exactly as they are, and the program's
// own: the measures entries were logged in, the weight log's and the own foods' tables.
TEST_F(LogDbTest, FirstOpenCreatesTheTablesAndNoRows) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);

  const std::vector<std::vector<std::string>> expected = {
      {"table", "entry_measures",
       "CREATE TABLE entry_measures (entry_id INTEGER PRIMARY KEY, food_code INTEGER NOT NULL, "
       "measure TEXT NOT NULL, measure_g REAL NOT NULL, count REAL NOT NULL)"},
      {"table", "food_log", kLogTableSql},
      {"table", "own_food_nutrients",
       "CREATE TABLE own_food_nutrients (food_code INTEGER NOT NULL, nutrient TEXT NOT NULL, "
       "per_serving REAL NOT NULL, PRIMARY KEY (food_code, nutrient))"},
      {"table", "own_foods",
       "CREATE TABLE own_foods (food_code INTEGER PRIMARY KEY, kind INTEGER NOT NULL, name TEXT "
       "NOT NULL, serving_g REAL NOT NULL DEFAULT 100, counts_like INTEGER NOT NULL DEFAULT 0, "
       "portions REAL NOT NULL DEFAULT 1, cooked_g REAL NOT NULL DEFAULT 0, deleted INTEGER NOT "
       "NULL DEFAULT 0)"},
      {"table", "own_items",
       "CREATE TABLE own_items (owner INTEGER NOT NULL, position INTEGER NOT NULL, food_code "
       "INTEGER NOT NULL, grams REAL NOT NULL, measure TEXT NOT NULL DEFAULT '', count REAL NOT "
       "NULL DEFAULT 0, PRIMARY KEY (owner, position))"},
      {"index", "sqlite_autoindex_own_food_nutrients_1", ""},
      {"index", "sqlite_autoindex_own_items_1", ""},
      {"index", "sqlite_autoindex_weight_log_1", ""},
      {"table", "sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)"},
      {"table", "user_profile", kProfileTableSql},
      {"table", "weight_log", "CREATE TABLE weight_log (date TEXT PRIMARY KEY, kg REAL NOT NULL)"},
      {"table", "weight_preferences",
       "CREATE TABLE weight_preferences (id INTEGER PRIMARY KEY CHECK (id = 1), unit INTEGER NOT "
       "NULL)"},
  };
  EXPECT_EQ(expected, SchemaOf(db));
  EXPECT_EQ(0, query_int(db, "SELECT count(*) FROM food_log"));
  EXPECT_EQ(0, query_int(db, "SELECT count(*) FROM user_profile"));

  Profile profile = MakeProfile(nullptr, 1, 1800);
  EXPECT_EQ(1, profile_load(db, &profile));
  EXPECT_EQ(nullptr, profile.bdate);
  EXPECT_EQ(0.0, profile.height_cm);
  EXPECT_EQ(0, profile.gender);
  EXPECT_EQ(0, profile.calorie_target);
  EXPECT_FALSE(profile_is_complete(1, &profile));
}

TEST_F(LogDbTest, OpeningAnExistingFileChangesNothingInIt) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  char bdate[] = "1980-02-29";
  Profile profile = MakeProfile(bdate, 1, 2400);
  ASSERT_EQ(0, profile_save(db, &profile));
  ASSERT_EQ(0, log_entry_add(db, 11111000, "Milk", "2026-12-06", 1.5));
  CloseLog();
  const std::string before = read_file(log_path_);
  ASSERT_FALSE(before.empty());

  db = OpenLog();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM food_log"));
  Profile loaded;
  EXPECT_EQ(0, profile_load(db, &loaded));
  EXPECT_EQ(2400, loaded.calorie_target);
  profile_clear(&loaded);
  CloseLog();
  EXPECT_EQ(before, read_file(log_path_));
}

TEST_F(LogDbTest, ExistingTablesOfAnotherShapeAreLeftAsTheyAre) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw, "CREATE TABLE food_log (id INTEGER PRIMARY KEY, note TEXT)");
  ASSERT_NE(nullptr, OpenLog());
  bool found = false;
  for (const std::vector<std::string> &item : SchemaOf(raw)) {
    if (item[1] != "food_log") continue;
    EXPECT_EQ("CREATE TABLE food_log (id INTEGER PRIMARY KEY, note TEXT)", item[2]);
    found = true;
  }
  EXPECT_TRUE(found);
}

// The log holds a person's birth date, weight and diet: a new file and its journal are
// for the owner alone, whatever the umask; an existing file keeps its mode.
TEST_F(LogDbTest, NewLogAndItsJournalArePrivateAndExistingFilesKeepTheirMode) {
  const mode_t old_umask = umask(022);
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  struct stat info;
  ASSERT_EQ(0, stat(log_path_.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777);
  Exec(db, "BEGIN; INSERT INTO food_log (food_code, description, date) VALUES (1, 'a', 'b')");
  ASSERT_EQ(0, stat((log_path_ + "-journal").c_str(), &info)) << "a write has a journal";
  EXPECT_EQ(0600u, info.st_mode & 07777);
  Exec(db, "COMMIT");
  CloseLog();

  ASSERT_EQ(0, chmod(log_path_.c_str(), 0640));
  ASSERT_NE(nullptr, OpenLog());
  ASSERT_EQ(0, stat(log_path_.c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 07777);
  umask(old_umask);
}

// log.db as a symbolic link to a file not made yet (the log kept on another disk, say):
// the link is followed, and the file made at its end is private too.
TEST_F(LogDbTest, DanglingLinkGetsAPrivateFileAtItsEnd) {
  const mode_t old_umask = umask(022);
  const std::string target = PathIn("elsewhere.db");
  ASSERT_EQ(0, symlink("elsewhere.db", log_path_.c_str()));
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  struct stat info;
  ASSERT_EQ(0, lstat(log_path_.c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(0, stat(target.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777);
  EXPECT_EQ(2, query_int(db,
                         "SELECT count(*) FROM sqlite_master WHERE name IN ('food_log', "
                         "'user_profile')"));
  CloseLog();
  umask(old_umask);
}

// A first start on a full disk (here: a file size limit) makes no log: the file it began
// with goes, so that nothing takes it for a log later. With 1 KiB not even the first table
// fits; with 12 KiB the log table fits and the profile table does not, which once left a
// log.db that every alimora-report command failed on.
TEST_F(LogDbTest, FirstOpenThatCannotWriteLeavesNoFileBehind) {
  struct rlimit old_limit;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old_limit));
  void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
  struct stat info;
  for (rlim_t limit : {rlim_t{1024}, rlim_t{12 * 1024}}) {
    SCOPED_TRACE(testing::Message() << "file size limit " << limit);
    struct rlimit small = old_limit;
    small.rlim_cur = limit;
    testing::internal::CaptureStderr();
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    sqlite3 *db = log_db_open(log_path_.c_str());
    setrlimit(RLIMIT_FSIZE, &old_limit);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, db);
    log_db_close(db);
    EXPECT_EQ(0u, err.find("alimora: cannot create ")) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_NE(0, lstat(log_path_.c_str(), &info)) << "a half-made log.db was left behind";
    EXPECT_NE(0, lstat((log_path_ + "-journal").c_str(), &info));
  }

  // A file that was there before is not this program's to remove: neither an empty one nor
  // a log that has one of the tables.
  for (const char *sql : {"", kLogTableSql}) {
    SCOPED_TRACE(sql);
    unlink(log_path_.c_str());
    if (sql[0] == '\0') {
      write_file(log_path_, "");
    } else {
      Exec(OpenRaw(log_path_), sql);
    }
    const std::string before = read_file(log_path_);
    struct rlimit small = old_limit;
    small.rlim_cur = before.size();
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    testing::internal::CaptureStderr();
    sqlite3 *db = log_db_open(log_path_.c_str());
    testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_EQ(nullptr, db);
    log_db_close(db);
    EXPECT_EQ(before, read_file(log_path_));
  }
  signal(SIGXFSZ, old_handler);
}

TEST_F(LogDbTest, MissingDirectoryIsAnOpenFailure) {
  const std::string path = PathIn("absent/log.db");
  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, log_db_open(path.c_str()));
  EXPECT_EQ("alimora: cannot open log database '" + path + "': unable to open database file\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(LogDbTest, FileThatIsNotADatabaseFailsAndStaysUnchanged) {
  const std::string content(4096, 'x');
  FILE *file = fopen(log_path_.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  fwrite(content.data(), 1, content.size(), file);
  fclose(file);

  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, log_db_open(log_path_.c_str()));
  EXPECT_EQ("alimora: cannot create log table: file is not a database\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(content, read_file(log_path_));
}

TEST_F(LogDbTest, LogTableThatCannotBeCreatedStopsBeforeTheProfileTable) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw, "CREATE TABLE other (x); CREATE INDEX food_log ON other (x)");

  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, log_db_open(log_path_.c_str()));
  EXPECT_EQ("alimora: cannot create log table: there is already an index named food_log\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(0, query_int(raw, "SELECT count(*) FROM sqlite_master WHERE name = 'user_profile'"));
}

TEST_F(LogDbTest, ProfileTableThatCannotBeCreatedFailsTheOpen) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw, "CREATE TABLE other (x); CREATE INDEX user_profile ON other (x)");

  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, log_db_open(log_path_.c_str()));
  EXPECT_EQ("alimora: cannot create profile table: there is already an index named user_profile\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(LogDbTest, ReadOnlyFileWithoutTablesCannotBeSetUp) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
  FILE *file = fopen(log_path_.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  fclose(file);
  ASSERT_EQ(0, chmod(log_path_.c_str(), 0444));

  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, log_db_open(log_path_.c_str()));
  EXPECT_EQ("alimora: cannot create log table: attempt to write a readonly database\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(LogDbTest, CloseAcceptsNull) { log_db_close(nullptr); }

TEST_F(LogDbTest, SavedProfileLoadsBackAndTheRecordIsNotChanged) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  char bdate[] = "1980-02-29";
  Profile profile{bdate, 182.5, 77.25, 3, 1, 2800};
  ASSERT_EQ(0, profile_save(db, &profile));
  EXPECT_EQ(bdate, profile.bdate);
  EXPECT_STREQ("1980-02-29", bdate);

  Profile loaded;
  ASSERT_EQ(0, profile_load(db, &loaded));
  ASSERT_NE(nullptr, loaded.bdate);
  EXPECT_NE(bdate, loaded.bdate);
  EXPECT_STREQ("1980-02-29", loaded.bdate);
  EXPECT_EQ(182.5, loaded.height_cm);
  EXPECT_EQ(77.25, loaded.weight_kg);
  EXPECT_EQ(3, loaded.activity_level);
  EXPECT_EQ(1, loaded.gender);
  EXPECT_EQ(2800, loaded.calorie_target);
  EXPECT_TRUE(profile_is_complete(0, &loaded));

  profile_clear(&loaded);
  EXPECT_EQ(nullptr, loaded.bdate);
  EXPECT_EQ(2800, loaded.calorie_target);
  profile_clear(&loaded);
  profile_clear(nullptr);
}

TEST_F(LogDbTest, SavingAgainReplacesTheOneRow) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  char first_date[] = "1970-01-01";
  char second_date[] = "1999-12-31";
  Profile first = MakeProfile(first_date, 0, 1600);
  Profile second = MakeProfile(second_date, 1, 2200);
  ASSERT_EQ(0, profile_save(db, &first));
  ASSERT_EQ(0, profile_save(db, &second));

  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM user_profile"));
  EXPECT_EQ(1, query_int(db, "SELECT id FROM user_profile"));
  Profile loaded;
  ASSERT_EQ(0, profile_load(db, &loaded));
  EXPECT_STREQ("1999-12-31", loaded.bdate);
  EXPECT_EQ(1, loaded.gender);
  EXPECT_EQ(2200, loaded.calorie_target);
  profile_clear(&loaded);
}

TEST_F(LogDbTest, SavingANullBirthDateFailsAndKeepsTheStoredRow) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  char bdate[] = "1985-06-15";
  Profile stored = MakeProfile(bdate, 0, 1800);
  ASSERT_EQ(0, profile_save(db, &stored));

  Profile without_date = MakeProfile(nullptr, 1, 3000);
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, profile_save(db, &without_date));
  EXPECT_EQ("alimora: cannot save profile: NOT NULL constraint failed: user_profile.bdate\n",
            testing::internal::GetCapturedStderr());

  Profile loaded;
  ASSERT_EQ(0, profile_load(db, &loaded));
  EXPECT_STREQ("1985-06-15", loaded.bdate);
  EXPECT_EQ(1800, loaded.calorie_target);
  profile_clear(&loaded);
}

TEST_F(LogDbTest, SavingThroughAReadOnlyConnectionFails) {
  ASSERT_NE(nullptr, OpenLog());
  sqlite3 *read_only = OpenRaw(log_path_, SQLITE_OPEN_READONLY);
  char bdate[] = "1985-06-15";
  Profile profile = MakeProfile(bdate, 0, 1800);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, profile_save(read_only, &profile));
  EXPECT_EQ("alimora: cannot save profile: attempt to write a readonly database\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(0, query_int(read_only, "SELECT count(*) FROM user_profile"));
}

TEST_F(LogDbTest, ProfileTableWithoutAColumnIsAnSqlError) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw, "CREATE TABLE user_profile (id INTEGER PRIMARY KEY, bdate TEXT, height_cm REAL)");
  Exec(raw, "INSERT INTO user_profile VALUES (1, '1980-01-01', 180)");
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);

  char stack_text[] = "not owned";
  Profile loaded{stack_text, 1.0, 2.0, 3, 1, 2000};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, profile_load(db, &loaded));
  EXPECT_EQ("alimora: SQL error: no such column: weight_kg\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, loaded.bdate);
  EXPECT_EQ(0.0, loaded.height_cm);
  EXPECT_EQ(0.0, loaded.weight_kg);
  EXPECT_EQ(0, loaded.activity_level);
  EXPECT_EQ(0, loaded.gender);
  EXPECT_EQ(0, loaded.calorie_target);
  EXPECT_FALSE(profile_is_complete(-1, &loaded));

  char bdate[] = "1980-01-01";
  Profile profile = MakeProfile(bdate, 1, 2000);
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, profile_save(db, &profile));
  EXPECT_EQ("alimora: SQL error: table user_profile has no column named weight_kg\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(LogDbTest, LoadWhoseStepFailsLeavesTheRecordEmpty) {
  // A profile "table" that is a view raising an error as its row is read.
  sqlite3 *db = OpenRaw(log_path_);
  ASSERT_EQ(SQLITE_OK, sqlite3_create_function(db, "refuse_row", 0, SQLITE_UTF8, nullptr, RefuseRow,
                                               nullptr, nullptr));
  Exec(db,
       "CREATE VIEW user_profile AS SELECT 1 AS id, '1980-01-01' AS bdate, 180.0 AS height_cm, "
       "80.0 AS weight_kg, 1 AS activity_level, 1 AS gender, refuse_row() AS calorie_target");

  Profile loaded;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, profile_load(db, &loaded));
  EXPECT_EQ("alimora: SQL error: row refused\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, loaded.bdate);
  EXPECT_EQ(0, loaded.gender);
  EXPECT_EQ(0, loaded.calorie_target);
}

TEST_F(LogDbTest, StoredRowsAreTakenAsTheyAreAndJudgedByGenderAndBirthDate) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  struct Case {
    const char *bdate;
    int32_t gender;
    bool complete;
  };
  const Case cases[] = {
      {"1980-02-29", 1, true},   {"1980-02-29", 0, true}, {"1980-02-29", 2, false},
      {"1980-02-29", -1, false}, {"", 1, false},          {"not a date", 0, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.bdate) + " gender " + std::to_string(c.gender));
    Profile profile{const_cast<char *>(c.bdate), 0.0, 0.0, 9, c.gender, -5};
    ASSERT_EQ(0, profile_save(db, &profile));
    Profile loaded;
    ASSERT_EQ(0, profile_load(db, &loaded));
    EXPECT_EQ(c.gender, loaded.gender);
    EXPECT_EQ(9, loaded.activity_level);
    EXPECT_EQ(-5, loaded.calorie_target);
    EXPECT_EQ(c.complete, profile_is_complete(0, &loaded));
    profile_clear(&loaded);
  }
}

TEST(ProfileIsComplete, AppliesEachRule) {
  char date[] = "1980-02-29";
  char empty[] = "";
  Profile complete{date, 0.0, 0.0, 0, 1, 0};
  EXPECT_TRUE(profile_is_complete(0, &complete));
  EXPECT_FALSE(profile_is_complete(1, &complete)) << "no profile row";

  for (int32_t gender : {2, -1, INT32_MIN, INT32_MAX}) {
    Profile profile{date, 170.0, 70.0, 2, gender, 2000};
    EXPECT_FALSE(profile_is_complete(0, &profile)) << "gender " << gender;
  }
  Profile no_date{nullptr, 170.0, 70.0, 2, 0, 2000};
  EXPECT_FALSE(profile_is_complete(0, &no_date));
  Profile empty_date{empty, 170.0, 70.0, 2, 0, 2000};
  EXPECT_FALSE(profile_is_complete(0, &empty_date));
}
