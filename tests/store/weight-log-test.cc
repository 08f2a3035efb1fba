// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the weight log in log.db: one weight a day, a replaced weight and its undo, the
// range read, the unit, a log made before the weight tables, and writes that fail.
#include "store/weight-log.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "store-fixture.h"
#include "store/log-db.h"

namespace {

class WeightLogTest : public StoreTest {
 protected:
  // The weights of |db| as "date kg".
  static std::vector<std::string> Weights(sqlite3 *db, const char *from = nullptr,
                                          const char *to = nullptr) {
    std::vector<WeightRecord> records;
    EXPECT_EQ(0, weight_log_between(db, from, to, &records));
    std::vector<std::string> out;
    for (const WeightRecord &record : records) {
      char text[64];
      snprintf(text, sizeof text, "%s %.1f", record.date.c_str(), record.kg);
      out.emplace_back(text);
    }
    return out;
  }
};

using Strings = std::vector<std::string>;

TEST_F(WeightLogTest, OneWeightADayReplacedAndPutBack) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  WeightChange first;
  ASSERT_EQ(0, weight_log_set(db, "2026-12-07", 81.4, &first));
  EXPECT_EQ("2026-12-07", first.date);
  EXPECT_FALSE(first.had_weight);
  WeightChange second;
  ASSERT_EQ(0, weight_log_set(db, "2026-12-07", 80.9, &second));
  EXPECT_TRUE(second.had_weight);
  EXPECT_DOUBLE_EQ(81.4, second.previous_kg);
  ASSERT_EQ(0, weight_log_set(db, "2026-12-05", 82.0, nullptr));
  EXPECT_EQ((Strings{"2026-12-05 82.0", "2026-12-07 80.9"}), Weights(db));
  EXPECT_EQ(2, query_int(db, "SELECT count(*) FROM weight_log"));

  double kg = 0.0;
  EXPECT_EQ(0, weight_log_get(db, "2026-12-07", &kg));
  EXPECT_DOUBLE_EQ(80.9, kg);
  EXPECT_EQ(1, weight_log_get(db, "2026-12-06", &kg));

  // Undo of the replacement brings the first weight back; undo of the first removes it.
  ASSERT_EQ(0, weight_log_restore(db, second));
  EXPECT_EQ((Strings{"2026-12-05 82.0", "2026-12-07 81.4"}), Weights(db));
  ASSERT_EQ(0, weight_log_restore(db, first));
  EXPECT_EQ((Strings{"2026-12-05 82.0"}), Weights(db));
}

TEST_F(WeightLogTest, RangeBoundsAreIncludedAndOpenWhenNull) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  for (const char *date : {"2026-11-30", "2026-12-01", "2026-12-02", "2026-12-03"})
    ASSERT_EQ(0, weight_log_set(db, date, 70.0, nullptr));
  EXPECT_EQ((Strings{"2026-12-01 70.0", "2026-12-02 70.0"}),
            Weights(db, "2026-12-01", "2026-12-02"));
  EXPECT_EQ(3u, Weights(db, "2026-12-01").size());
  EXPECT_EQ(2u, Weights(db, nullptr, "2026-12-01").size());
  EXPECT_TRUE(Weights(db, "2027-01-01").empty());
}

TEST_F(WeightLogTest, UnitIsKilogramsUntilPoundsAreChosen) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  int unit = -1;
  EXPECT_EQ(0, weight_unit_load(db, &unit));
  EXPECT_EQ(0, unit);
  ASSERT_EQ(0, weight_unit_save(db, 1));
  EXPECT_EQ(0, weight_unit_load(db, &unit));
  EXPECT_EQ(1, unit);
  ASSERT_EQ(0, weight_unit_save(db, 0));
  EXPECT_EQ(0, weight_unit_load(db, &unit));
  EXPECT_EQ(0, unit);
}

// A log of an older version has the two tables only: opening it adds the weight tables and
// leaves the others as they were; read-only it has no weights and says nothing.
TEST_F(WeightLogTest, OlderLogGainsTheTablesAndReadsAsNoWeightsWhenReadOnly) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw,
       "CREATE TABLE food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER NOT "
       "NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL DEFAULT "
       "1.0)");
  Exec(raw,
       "CREATE TABLE user_profile (  id INTEGER PRIMARY KEY CHECK (id = 1),  bdate TEXT NOT "
       "NULL,  height_cm REAL NOT NULL,  weight_kg REAL NOT NULL,  activity_level INTEGER NOT "
       "NULL,  gender INTEGER NOT NULL,  calorie_target INTEGER NOT NULL)");
  const long long old_tables =
      query_int(raw, "SELECT count(*) FROM sqlite_master WHERE name IN ('food_log', "
                     "'user_profile') AND sql LIKE '%servings REAL NOT NULL DEFAULT 1.0)'");
  ASSERT_EQ(1, old_tables);

  sqlite3 *read_only = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(log_path_.c_str(), &read_only));
  testing::internal::CaptureStderr();
  EXPECT_TRUE(Weights(read_only).empty());
  double kg = 0.0;
  EXPECT_EQ(1, weight_log_get(read_only, "2026-12-07", &kg));
  int unit = -1;
  EXPECT_EQ(0, weight_unit_load(read_only, &unit));
  EXPECT_EQ(0, unit);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  log_db_close(read_only);

  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM sqlite_master WHERE name = 'weight_log'"));
  EXPECT_EQ(old_tables,
            query_int(db, "SELECT count(*) FROM sqlite_master WHERE name IN ('food_log', "
                          "'user_profile') AND sql LIKE '%servings REAL NOT NULL DEFAULT 1.0)'"));
  EXPECT_EQ(4, query_int(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name "
                             "NOT LIKE 'sqlite_%' AND name NOT LIKE 'own_%' AND name <> "
                             "'entry_measures'"));
  ASSERT_EQ(0, weight_log_set(db, "2026-12-07", 81.4, nullptr));
  EXPECT_EQ((Strings{"2026-12-07 81.4"}), Weights(db));
}

// A write that fails changes nothing and says why; a read-only log fails every write.
TEST_F(WeightLogTest, FailedWritesChangeNothing) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  ASSERT_EQ(0, weight_log_set(db, "2026-12-07", 81.4, nullptr));
  CloseLog();

  sqlite3 *read_only = OpenRaw(log_path_, SQLITE_OPEN_READONLY);
  testing::internal::CaptureStderr();
  WeightChange change;
  change.date = "sentinel";
  EXPECT_EQ(-1, weight_log_set(read_only, "2026-12-07", 90.0, &change));
  EXPECT_EQ("sentinel", change.date) << "a failed write reports no change";
  EXPECT_EQ(-1, weight_unit_save(read_only, 1));
  WeightChange back{"2026-12-07", false, 0.0};
  EXPECT_EQ(-1, weight_log_restore(read_only, back));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("alimora: cannot log weight: ")) << err;
  EXPECT_NE(std::string::npos, err.find("alimora: cannot save the weight unit: ")) << err;
  EXPECT_EQ((Strings{"2026-12-07 81.4"}), Weights(read_only));

  // Held by another writer, the write waits, then gives up with nothing changed.
  sqlite3 *writer = OpenRaw(log_path_);
  sqlite3 *other = OpenRaw(log_path_);
  sqlite3_busy_timeout(writer, 50);
  Exec(other, "BEGIN IMMEDIATE");
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, weight_log_set(writer, "2026-12-08", 80.0, nullptr));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("locked"));
  Exec(other, "ROLLBACK");
  EXPECT_EQ((Strings{"2026-12-07 81.4"}), Weights(writer));
  // Once the lock is gone the same connection writes, outside any transaction left open.
  EXPECT_EQ(0, weight_log_set(writer, "2026-12-08", 80.0, nullptr));
  EXPECT_EQ(1, sqlite3_get_autocommit(writer));
}

}  // namespace
