// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the measures entries are kept in: written with the entry or not at all, read back
// only for the entry they belong to, copied with Copy to Today, kept across Undo and Redo,
// and absent from a log of an older version.
#include "store/entry-measures.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store-fixture.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/log-history.h"

namespace {

const int32_t kMilk = 11111000;
const int32_t kCoffee = 92101000;

class EntryMeasuresTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    db_ = OpenLog();
    ASSERT_NE(nullptr, db_);
  }
  // Adds an entry of |count| times |measure| of |grams| each; returns its id.
  int64_t AddMeasured(int32_t code, const char *date, const char *measure, double grams,
                      double count) {
    const EntryMeasure kept{measure, grams, count};
    int64_t id = 0;
    EXPECT_EQ(0, log_entry_add_measured(db_, code, "Food", date, count * grams / 100.0, &kept, &id));
    return id;
  }
  // The measures of the entries of |date|, as "2 × 1 cup/240", "" for none.
  std::vector<std::string> Measures(const char *date) {
    LogEntryList day{};
    EXPECT_EQ(0, log_entries_for_date(db_, date, &day));
    std::vector<EntryMeasure> measures;
    EXPECT_EQ(0, entry_measures_of(db_, &day, &measures));
    EXPECT_EQ(day.count, measures.size());
    std::vector<std::string> out;
    for (const EntryMeasure &m : measures) {
      char text[128] = "";
      if (!m.measure.empty()) snprintf(text, sizeof text, "%g × %s/%g", m.count, m.measure.c_str(), m.measure_g);
      out.emplace_back(text);
    }
    log_entry_list_free(&day);
    return out;
  }
  sqlite3 *db_ = nullptr;
};

TEST_F(EntryMeasuresTest, AnEntryKeepsTheMeasureItWasLoggedInAndOneWithoutReadsNone) {
  const int64_t cup = AddMeasured(kCoffee, "2026-01-01", "1 cup", 240.0, 1.0);
  const int64_t beer = AddMeasured(14, "2026-01-01", "1 fl oz", 30.0, 12.0);
  ASSERT_EQ(0, log_entry_add(db_, kMilk, "Milk", "2026-01-01", 1.5));  // an older version's
  EXPECT_EQ((std::vector<std::string>{"1 × 1 cup/240", "12 × 1 fl oz/30", ""}),
            Measures("2026-01-01"));
  EntryMeasure got;
  ASSERT_EQ(0, entry_measure_get(db_, beer, 14, 3.6, &got));
  EXPECT_EQ("1 fl oz", got.measure);
  EXPECT_DOUBLE_EQ(12.0, got.count);
  EXPECT_DOUBLE_EQ(30.0, got.measure_g);
  // Not for another food, nor for servings that are no longer its weight.
  EXPECT_EQ(1, entry_measure_get(db_, cup, kMilk, 2.4, &got));
  EXPECT_EQ(1, entry_measure_get(db_, cup, kCoffee, 2.6, &got));
  EXPECT_TRUE(got.measure.empty());
  EXPECT_EQ(0, entry_measure_get(db_, cup, kCoffee, 2.404, &got));  // the same gram
}

TEST_F(EntryMeasuresTest, FitsOnlyTheWeightToTheGram) {
  const struct {
    EntryMeasure measure;
    double servings;
    bool fits;
  } cases[] = {
      {{"1 large egg", 61.0, 2.0}, 1.22, true},
      {{"1 large egg", 61.0, 2.0}, 1.225, true},
      {{"1 large egg", 61.0, 2.0}, 1.23, false},
      {{"1 tsp", 4.2, 1.0}, 0.04, true},  // 4.2 g stored as 4 g
      {{"", 61.0, 2.0}, 1.22, false},
      {{"1 cup", 0.0, 2.0}, 0.0, false},
      {{"1 cup", 240.0, 0.0}, 0.0, false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.fits, entry_measure_fits(c.measure, c.servings))
        << c.measure.measure << " " << c.measure.count << " at " << c.servings;
}

TEST_F(EntryMeasuresTest, AnEditKeepsTheNewMeasureAndGramsForgetIt) {
  const int64_t id = AddMeasured(kCoffee, "2026-01-01", "1 cup", 240.0, 1.0);
  const EntryMeasure two{"1 mug (8 fl oz)", 240.0, 2.0};
  ASSERT_EQ(0, log_entry_update_measured(db_, id, kCoffee, "2026-01-02", 4.8, &two));
  EXPECT_EQ(std::vector<std::string>{"2 × 1 mug (8 fl oz)/240"}, Measures("2026-01-02"));
  ASSERT_EQ(0, log_entry_update_measured(db_, id, kCoffee, "2026-01-02", 3.0, nullptr));
  EXPECT_EQ(std::vector<std::string>{""}, Measures("2026-01-02"));
}

TEST_F(EntryMeasuresTest, ADeletedEntryTakesItsMeasureAndAFailedWriteLeavesNone) {
  const int64_t id = AddMeasured(kCoffee, "2026-01-01", "1 cup", 240.0, 1.0);
  ASSERT_EQ(0, log_entry_delete_measured(db_, id));
  EXPECT_TRUE(Measures("2026-01-01").empty());
  EXPECT_EQ(0, CountRows(db_, "entry_measures"));

  // A refused entry keeps no measure either.
  Exec(db_, "CREATE TEMP TRIGGER refuse BEFORE INSERT ON food_log BEGIN SELECT "
            "RAISE(ABORT, 'refused'); END");
  const EntryMeasure cup{"1 cup", 240.0, 1.0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add_measured(db_, kCoffee, "Coffee", "2026-01-01", 2.4, &cup, nullptr));
  EXPECT_NE(std::string::npos,
            testing::internal::GetCapturedStderr().find("alimora: cannot add log entry"));
  EXPECT_EQ(0, CountRows(db_, "entry_measures"));
  // And a measure that cannot be kept takes the entry back with it.
  Exec(db_, "DROP TRIGGER refuse");
  Exec(db_, "CREATE TEMP TRIGGER refuse BEFORE INSERT ON entry_measures BEGIN SELECT "
            "RAISE(ABORT, 'refused'); END");
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add_measured(db_, kCoffee, "Coffee", "2026-01-01", 2.4, &cup, nullptr));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("refused"));
  EXPECT_EQ(0, CountRows(db_, "food_log"));
}

// Copy to Today copies each entry's measure; Undo leaves the measures where no entry takes
// them, and Redo gives them to the entries it puts back.
TEST_F(EntryMeasuresTest, CopiesAndUndoneEntriesKeepTheirMeasures) {
  AddMeasured(kCoffee, "2026-01-01", "1 cup", 240.0, 1.0);
  ASSERT_EQ(0, log_entry_add(db_, kMilk, "Milk", "2026-01-01", 0.3));
  AddMeasured(14, "2026-01-01", "1 fl oz", 30.0, 12.0);
  LogEntryList shown{};
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-01-01", &shown));
  LogEntryList copies{};
  ASSERT_EQ(0, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-05", &copies));
  const std::vector<std::string> logged = Measures("2026-01-01");
  EXPECT_EQ(logged, Measures("2026-01-05"));

  bool taken[3] = {};
  ASSERT_EQ(0, log_entries_take_back(db_, &copies, taken));
  EXPECT_TRUE(Measures("2026-01-05").empty());
  ASSERT_EQ(0, log_entries_put_back(db_, &copies));
  EXPECT_EQ(logged, Measures("2026-01-05"));
  EXPECT_EQ(4, CountRows(db_, "entry_measures"));  // none left behind
  log_entry_list_free(&copies);
  log_entry_list_free(&shown);
}

// An id of another program's food_log (no AUTOINCREMENT) that a deleted entry had never brings
// that entry's measure to the row that takes it again; the next start forgets such measures.
TEST_F(EntryMeasuresTest, AReusedIdTakesNoMeasureOfTheEntryBefore) {
  Exec(db_, "DROP TABLE food_log; CREATE TABLE food_log (id INTEGER PRIMARY KEY, food_code "
            "INTEGER, description TEXT, date TEXT, servings REAL)");
  const int64_t id = AddMeasured(kCoffee, "2026-01-01", "1 cup", 240.0, 1.0);
  Exec(db_, "DELETE FROM food_log");  // another program deletes it
  ASSERT_EQ(0, log_entry_add(db_, kCoffee, "Coffee", "2026-01-01", 2.4));  // and adds another
  EXPECT_EQ(std::vector<std::string>{"1 × 1 cup/240"}, Measures("2026-01-01"));  // same amount
  Exec(db_, "UPDATE food_log SET food_code = 1");
  EXPECT_EQ(std::vector<std::string>{""}, Measures("2026-01-01"));
  // An entry added here without a measure forgets the one its id had.
  Exec(db_, "DELETE FROM food_log");
  int64_t again = 0;
  ASSERT_EQ(0, log_entry_add_measured(db_, kCoffee, "Coffee", "2026-01-01", 2.4, nullptr, &again));
  EXPECT_EQ(id, again);
  EXPECT_EQ(std::vector<std::string>{""}, Measures("2026-01-01"));

  AddMeasured(kCoffee, "2026-01-02", "1 cup", 240.0, 1.0);
  Exec(db_, "DELETE FROM food_log WHERE date = '2026-01-02'");
  CloseLog();
  db_ = OpenLog();
  ASSERT_NE(nullptr, db_);
  EXPECT_EQ(0, CountRows(db_, "entry_measures"));
}

// A log of an older version gains the table on start; one opened only for reading has none,
// reads every entry in grams and says nothing.
TEST_F(EntryMeasuresTest, AnOlderLogGainsTheTableAndAReadOnlyOneHasNoMeasures) {
  ASSERT_EQ(0, log_entry_add(db_, kMilk, "Milk", "2026-01-01", 1.0));
  Exec(db_, "DROP TABLE entry_measures");
  CloseLog();
  sqlite3 *read_only = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(log_path_.c_str(), &read_only));
  testing::internal::CaptureStderr();
  LogEntryList day{};
  ASSERT_EQ(0, log_entries_for_date(read_only, "2026-01-01", &day));
  std::vector<EntryMeasure> measures;
  EXPECT_EQ(0, entry_measures_of(read_only, &day, &measures));
  ASSERT_EQ(1u, measures.size());
  EXPECT_TRUE(measures[0].measure.empty());
  EntryMeasure got;
  EXPECT_EQ(1, entry_measure_get(read_only, day.items[0].id, kMilk, 1.0, &got));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  log_entry_list_free(&day);
  log_db_close(read_only);

  db_ = OpenLog();
  ASSERT_NE(nullptr, db_);
  EXPECT_EQ(0, CountRows(db_, "entry_measures"));
  AddMeasured(kMilk, "2026-01-01", "1 cup", 244.0, 1.0);
  EXPECT_EQ((std::vector<std::string>{"", "1 × 1 cup/244"}), Measures("2026-01-01"));
}

// Another writer's transaction left open: a measure written inside it is part of it.
TEST_F(EntryMeasuresTest, AMeasurePutInsideATransactionGoesWithIt) {
  ASSERT_EQ(0, log_entry_add(db_, kMilk, "Milk", "2026-01-01", 2.44));
  Exec(db_, "BEGIN");
  ASSERT_EQ(0, entry_measure_put(db_, 1, kMilk, "1 cup", 244.0, 1.0));
  Exec(db_, "ROLLBACK");
  EXPECT_EQ(std::vector<std::string>{""}, Measures("2026-01-01"));
  Exec(db_, "BEGIN");
  ASSERT_EQ(0, entry_measure_put(db_, 1, kMilk, "1 cup", 244.0, 1.0));
  Exec(db_, "COMMIT");
  EXPECT_EQ(std::vector<std::string>{"1 × 1 cup/244"}, Measures("2026-01-01"));
}

}  // namespace
