// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the person's foods as the log has them and of the quick log's writes: an entry
// whose id is kept, the entries shown of a day copied all or nothing, and taking such writes
// back (only the rows still as written) and making them again.
#include "store/log-history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "db-connection.h"
#include "store-fixture.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

class LogHistoryTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    db_ = OpenLog();
    ASSERT_NE(nullptr, db_);
  }
  void TearDown() override {
    food_use_list_free(&uses_);
    StoreTest::TearDown();
  }
  void Add(int32_t code, const char *description, const char *date, double servings) {
    ASSERT_EQ(0, log_entry_add(db_, code, description, date, servings));
  }
  std::vector<std::string> Descriptions(const char *date) {
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(db_, date, &list));
    std::vector<std::string> out;
    for (size_t i = 0; i < list.count; i++) out.push_back(list.items[i].description);
    log_entry_list_free(&list);
    return out;
  }
  // The entries of |date| as the log has them now. Free with log_entry_list_free.
  LogEntryList Day(const char *date) {
    LogEntryList list{};
    EXPECT_EQ(0, log_entries_for_date(db_, date, &list));
    return list;
  }
  // A list of entries as a write made them.
  struct Row {
    int64_t id;
    int32_t food_code;
    const char *description, *date;
    double servings;
  };
  static LogEntryList Written(const std::vector<Row> &rows) {
    LogEntryList list{};
    for (const Row &row : rows)
      EXPECT_TRUE(log_entry_list_append(
          &list, LogEntry{row.id, row.food_code, const_cast<char *>(row.description),
                          const_cast<char *>(row.date), row.servings}));
    return list;
  }
  sqlite3 *db_ = nullptr;
  FoodUseList uses_{nullptr, 0, 0};
};

TEST_F(LogHistoryTest, EveryFoodOnceWithItsLastEntryNewestFirst) {
  ASSERT_EQ(0, log_food_uses(db_, &uses_));
  EXPECT_EQ(nullptr, uses_.items);
  EXPECT_EQ(0u, uses_.count);

  Add(11111000, "Milk, whole", "2026-01-01", 2.44);
  Add(63107010, "Banana, raw", "2026-01-01", 1.18);
  Add(11111000, "Milk, whole", "2026-01-02", 1.22);
  Add(92101000, "Coffee, brewed", "2025-12-31", 2.37);  // added last, dated earlier
  ASSERT_EQ(0, log_food_uses(db_, &uses_));
  ASSERT_EQ(3u, uses_.count);
  EXPECT_EQ(92101000, uses_.items[0].food_code);
  EXPECT_EQ(11111000, uses_.items[1].food_code);
  EXPECT_EQ(63107010, uses_.items[2].food_code);
  const FoodUse &milk = uses_.items[1];
  EXPECT_STREQ("Milk, whole", milk.description);
  EXPECT_STREQ("2026-01-02", milk.last_date);
  EXPECT_DOUBLE_EQ(1.22, milk.last_servings);
  EXPECT_EQ(3, milk.last_id);
  EXPECT_EQ(2u, milk.count);
  EXPECT_EQ(1u, uses_.items[2].count);

  food_use_list_free(&uses_);
  EXPECT_EQ(nullptr, uses_.items);
  food_use_list_free(&uses_);
  food_use_list_free(nullptr);
}

TEST_F(LogHistoryTest, ManyFoodsGrowTheListAndAFailedReadLeavesItEmpty) {
  Exec(db_, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 70) "
            "INSERT INTO food_log (food_code, description, date, servings) "
            "SELECT i, 'Food ' || i, '2026-01-01', 1 FROM n");
  ASSERT_EQ(0, log_food_uses(db_, &uses_));
  EXPECT_EQ(70u, uses_.count);
  EXPECT_EQ(128u, uses_.capacity);
  EXPECT_EQ(70, uses_.items[0].food_code);
  food_use_list_free(&uses_);

  Exec(db_, "DROP TABLE food_log");
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_food_uses(db_, &uses_));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("alimora: SQL error"));
  EXPECT_EQ(nullptr, uses_.items);
}

TEST_F(LogHistoryTest, AKeptEntryKnowsItsIdAndCanBeTakenBack) {
  Add(1, "Before", "2026-01-01", 1.0);
  LogIdRange added{};
  ASSERT_EQ(0, log_entry_add_kept(db_, 11111000, "Milk, whole", "2026-01-01", 2.44, &added));
  EXPECT_EQ(2, added.first);
  EXPECT_EQ(2, added.last);
  EXPECT_EQ(1u, added.count);
  LogEntryList written = Written({{2, 11111000, "Milk, whole", "2026-01-01", 2.44}});
  bool taken[1] = {false};
  EXPECT_EQ(0, log_entries_take_back(db_, &written, taken));
  EXPECT_TRUE(taken[0]);
  EXPECT_EQ(std::vector<std::string>{"Before"}, Descriptions("2026-01-01"));
  // Taking back what is already gone is no failure, and deletes nothing.
  EXPECT_EQ(0, log_entries_take_back(db_, &written, taken));
  EXPECT_FALSE(taken[0]);
  log_entry_list_free(&written);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add_kept(db_, 1, nullptr, "2026-01-01", 1.0, &added));
  EXPECT_NE(std::string::npos,
            testing::internal::GetCapturedStderr().find("alimora: cannot add log entry"));
  EXPECT_EQ(0u, added.count);
}

TEST_F(LogHistoryTest, TheEntriesShownAreCopiedInOrderAndTheirCopiesTakenBackTogether) {
  Add(1, "Oatmeal", "2026-01-01", 2.4);
  Add(2, "Other day", "2026-01-02", 1.0);
  Add(3, "Coffee", "2026-01-01", 2.37);
  LogEntryList shown = Day("2026-01-01");
  LogEntryList copies{};
  ASSERT_EQ(0, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-05", &copies));
  ASSERT_EQ(2u, copies.count);
  EXPECT_EQ(4, copies.items[0].id);
  EXPECT_EQ(5, copies.items[1].id);
  EXPECT_STREQ("2026-01-05", copies.items[1].date);
  EXPECT_EQ((std::vector<std::string>{"Oatmeal", "Coffee"}), Descriptions("2026-01-05"));
  EXPECT_EQ((std::vector<std::string>{"Oatmeal", "Coffee"}), Descriptions("2026-01-01"));
  LogEntryList read;
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-01-05", &read));
  EXPECT_DOUBLE_EQ(2.4, read.items[0].servings);
  EXPECT_EQ(1, read.items[0].food_code);
  log_entry_list_free(&read);

  // An entry added after the copy is not taken back with it.
  Add(4, "Later", "2026-01-05", 1.0);
  bool taken[2] = {false, false};
  ASSERT_EQ(0, log_entries_take_back(db_, &copies, taken));
  EXPECT_TRUE(taken[0] && taken[1]);
  EXPECT_EQ(std::vector<std::string>{"Later"}, Descriptions("2026-01-05"));
  log_entry_list_free(&copies);

  // A day without entries copies nothing, and that is no failure.
  LogEntryList none{};
  ASSERT_EQ(0, log_entries_copy_shown(db_, "2026-02-01", &none, "2026-01-05", &copies));
  EXPECT_EQ(0u, copies.count);
  EXPECT_EQ(0, log_entries_take_back(db_, &copies, taken));
  log_entry_list_free(&shown);
}

// Another program changed the day after it was shown: an entry added, one deleted, one with
// other servings. Nothing is copied; the caller is to show the day again and ask.
TEST_F(LogHistoryTest, ACopyOfADayThatChangedSinceItWasShownCopiesNothing) {
  const char *changes[] = {
      "INSERT INTO food_log (food_code, description, date, servings) "
      "VALUES (3, 'Added later', '2026-01-01', 1)",
      "DELETE FROM food_log WHERE description = 'Coffee'",
      "UPDATE food_log SET servings = 3 WHERE description = 'Oatmeal'",
      "UPDATE food_log SET description = 'Other' WHERE description = 'Oatmeal'",
  };
  for (const char *change : changes) {
    Exec(db_, "DELETE FROM food_log");
    Add(1, "Oatmeal", "2026-01-01", 2.4);
    Add(2, "Coffee", "2026-01-01", 2.37);
    LogEntryList shown = Day("2026-01-01");
    Exec(db_, change);
    LogEntryList copies{};
    EXPECT_EQ(1, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-05", &copies))
        << change;
    EXPECT_EQ(0u, copies.count);
    EXPECT_TRUE(Descriptions("2026-01-05").empty()) << change;
    log_entry_list_free(&shown);
  }
  Exec(db_, "DELETE FROM food_log");
  Add(1, "Oatmeal", "2026-01-01", 2.4);
  Add(2, "Coffee", "2026-01-01", 2.37);
  // As shown, the copy goes through.
  LogEntryList shown = Day("2026-01-01");
  LogEntryList copies{};
  EXPECT_EQ(0, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-05", &copies));
  EXPECT_EQ(2u, copies.count);
  log_entry_list_free(&copies);
  log_entry_list_free(&shown);
}

// A food_log made by another tool without AUTOINCREMENT gives a deleted row's id to the next
// row: Undo must not delete that row, nor one whose servings, date or food changed since.
TEST_F(LogHistoryTest, TakingBackDeletesOnlyTheRowsAsWrittenAndPutsThemBack) {
  Exec(db_, "DROP TABLE food_log; CREATE TABLE food_log (id INTEGER PRIMARY KEY, food_code "
            "INTEGER, description TEXT, date TEXT, servings REAL)");
  for (int code = 1; code <= 5; code++) Add(code, "Food", "2026-01-01", 1.0);
  LogEntryList written = Day("2026-01-01");
  ASSERT_EQ(5u, written.count);
  Exec(db_, "DELETE FROM food_log WHERE id = 5");
  Add(9, "Another writer's", "2026-01-01", 1.0);  // takes id 5 again
  Exec(db_, "UPDATE food_log SET servings = 2 WHERE id = 1");
  Exec(db_, "UPDATE food_log SET date = '2026-01-02' WHERE id = 2");
  Exec(db_, "UPDATE food_log SET food_code = 7 WHERE id = 3");
  bool taken[5] = {};
  ASSERT_EQ(0, log_entries_take_back(db_, &written, taken));
  EXPECT_FALSE(taken[0]);
  EXPECT_FALSE(taken[1]);
  EXPECT_FALSE(taken[2]);
  EXPECT_TRUE(taken[3]);
  EXPECT_FALSE(taken[4]);
  EXPECT_EQ((std::vector<std::string>{"Food", "Food", "Another writer's"}),
            Descriptions("2026-01-01"));
  EXPECT_EQ(std::vector<std::string>{"Food"}, Descriptions("2026-01-02"));

  // Redo puts the one taken back again, with a new id.
  LogEntryList gone = Written({{4, 4, "Food", "2026-01-01", 1.0}});
  ASSERT_EQ(0, log_entries_put_back(db_, &gone));
  EXPECT_EQ(6, gone.items[0].id);
  EXPECT_EQ(4u, Descriptions("2026-01-01").size());
  log_entry_list_free(&gone);
  log_entry_list_free(&written);
}

// A copy that fails part-way (here the third row is refused) leaves no copy at all, and so
// does a redo.
TEST_F(LogHistoryTest, ACopyOrRedoThatFailsWritesNothing) {
  for (int i = 1; i <= 5; i++) Add(i, "Food", "2026-01-01", 1.0);
  Exec(db_, "CREATE TEMP TRIGGER refuse BEFORE INSERT ON food_log WHEN NEW.food_code = 3 "
            "AND NEW.date = '2026-01-09' BEGIN SELECT RAISE(ABORT, 'row refused'); END");
  LogEntryList shown = Day("2026-01-01");
  LogEntryList copies{};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-09", &copies));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                   "alimora: cannot add log entry: row refused"));
  EXPECT_EQ(0u, copies.count);
  EXPECT_TRUE(Descriptions("2026-01-09").empty());
  EXPECT_EQ(5u, Descriptions("2026-01-01").size());

  for (size_t i = 0; i < shown.count; i++) {
    free(shown.items[i].date);
    shown.items[i].date = strdup("2026-01-09");
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entries_put_back(db_, &shown));
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Descriptions("2026-01-09").empty());
  EXPECT_EQ(1, shown.items[0].id);  // the ids stay as they were
  log_entry_list_free(&shown);
}

// Another connection holds the log past the wait: the copy and the undo fail whole, each
// after one wait.
TEST_F(LogHistoryTest, ALockedLogCopiesAndTakesBackNothing) {
  Add(1, "Oatmeal", "2026-01-01", 2.4);
  Add(2, "Coffee", "2026-01-01", 2.37);
  LogEntryList shown = Day("2026-01-01");
  LogEntryList copies{};
  ASSERT_EQ(0, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-02", &copies));
  sqlite3 *other = OpenRaw(log_path_);
  Exec(other, "BEGIN EXCLUSIVE");
  db_connection_set_wait(db_, 20);
  LogEntryList again{};
  bool taken[2] = {true, true};
  const unsigned long waits = db_lock_waits;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entries_copy_shown(db_, "2026-01-01", &shown, "2026-01-03", &again));
  EXPECT_EQ(-1, log_entries_take_back(db_, &copies, taken));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(waits + 2, db_lock_waits);
  EXPECT_FALSE(taken[0] || taken[1]);
  EXPECT_NE(std::string::npos, err.find("alimora: cannot copy log entries: database is locked"));
  EXPECT_NE(std::string::npos, err.find("alimora: cannot delete log entries: database is locked"));
  Exec(other, "ROLLBACK");
  EXPECT_TRUE(Descriptions("2026-01-03").empty());
  EXPECT_EQ((std::vector<std::string>{"Oatmeal", "Coffee"}), Descriptions("2026-01-02"));
  log_entry_list_free(&copies);
  log_entry_list_free(&shown);
}

// The day kept with a read is found for that date for as long as nothing writes to the log.
TEST_F(LogHistoryTest, AKeptDayIsFoundUntilTheLogIsWritten) {
  Add(11111000, "Milk, whole", "2026-01-01", 2.0);
  Add(63107010, "Banana, raw", "2026-01-02", 1.0);
  Add(92101000, "Coffee, brewed", "2026-01-01", 1.5);
  LogDayRead kept{nullptr, LogStamp{0, 0}, LogEntryList{nullptr, 0, 0}};
  EXPECT_EQ(nullptr, log_day_read_find(db_, &kept, "2026-01-01"));

  LogEntryList read;
  ASSERT_EQ(0, log_entries_for_date_kept(db_, "2026-01-01", &kept, &read));
  ASSERT_EQ(2u, read.count);
  const LogEntryList *found = log_day_read_find(db_, &kept, "2026-01-01");
  ASSERT_NE(nullptr, found);
  ASSERT_EQ(2u, found->count);
  for (size_t i = 0; i < 2; i++) {
    EXPECT_EQ(read.items[i].id, found->items[i].id);
    EXPECT_STREQ(read.items[i].description, found->items[i].description);
    EXPECT_EQ(read.items[i].servings, found->items[i].servings);
  }
  log_entry_list_free(&read);
  EXPECT_EQ(nullptr, log_day_read_find(db_, &kept, "2026-01-02"));

  // A write through the same connection, even one that leaves the values as they were.
  ASSERT_EQ(0, log_entry_update(db_, found->items[0].id, "2026-01-01", 2.0));
  EXPECT_EQ(nullptr, log_day_read_find(db_, &kept, "2026-01-01"));

  // A commit of another connection.
  ASSERT_EQ(0, log_entries_for_date_kept(db_, "2026-01-01", &kept, &read));
  log_entry_list_free(&read);
  ASSERT_NE(nullptr, log_day_read_find(db_, &kept, "2026-01-01"));
  Exec(OpenRaw(log_path_), "DELETE FROM food_log WHERE food_code = 92101000");
  EXPECT_EQ(nullptr, log_day_read_find(db_, &kept, "2026-01-01"));

  // A failed read keeps nothing.
  Exec(db_, "DROP TABLE food_log");
  EXPECT_EQ(-1, log_entries_for_date_kept(db_, "2026-01-01", &kept, &read));
  EXPECT_EQ(nullptr, kept.date);
  EXPECT_EQ(nullptr, log_day_read_find(db_, &kept, "2026-01-01"));
  log_day_read_free(&kept);
}

// A period read through the index holds what the scan of log_entries_between finds, in its
// order, after every kind of write.
TEST_F(LogHistoryTest, APeriodReadByTheIndexIsTheScansResult) {
  Add(11111000, "Milk, whole", "2026-01-03", 1.0);
  Add(63107010, "Banana, raw", "2026-01-01", 2.0);
  Add(92101000, "Coffee, brewed", "2026-01-02", 1.0);
  Add(11111000, "Milk, whole", "2026-01-01", 0.5);
  Add(63107010, "Banana, raw", "2026-1-2", 1.0);   // no date string; sorts after "2026-01-..."
  Add(63107010, "Banana, raw", "2026-01-01x", 1.0);
  Add(92101000, "Coffee, brewed", "2025-12-31", 1.0);
  LogDateIndex *index = log_date_index_new();
  auto rows = [](const LogEntryList &list) {
    std::string text;
    for (size_t i = 0; i < list.count; i++)
      text += std::to_string(list.items[i].id) + " " + list.items[i].date + " " +
              list.items[i].description + " " + std::to_string(list.items[i].servings) + ";";
    return text;
  };
  struct Period {
    const char *from, *to;
  };
  const Period periods[] = {{"2026-01-01", "2026-01-03"}, {"2026-01-01", "2026-01-01"},
                            {"2025-12-01", "2025-12-31"}, {"2026-01-02", "2026-12-31"},
                            {"2026-01-04", "2026-01-10"}, {"2026-01-03", "2026-01-01"},
                            {"", "9999"}};
  // Each period read before the index is read again after the write (by the scan) and
  // after it (by the ids).
  auto check = [&](const char *when) {
    for (int pass = 0; pass < 2; pass++)
    for (const Period &period : periods) {
      if (pass == 1 && !log_date_index_current(db_, index)) {
        ASSERT_EQ(0, log_date_index_read(db_, index));
        ASSERT_TRUE(log_date_index_current(db_, index));
      }
      LogEntryList scanned, indexed;
      ASSERT_EQ(0, log_entries_between(db_, period.from, period.to, &scanned));
      ASSERT_EQ(0, log_entries_between_indexed(db_, index, period.from, period.to, &indexed));
      EXPECT_EQ(rows(scanned), rows(indexed))
          << when << ", pass " << pass << ": " << period.from << " to " << period.to;
      log_entry_list_free(&scanned);
      log_entry_list_free(&indexed);
    }
  };
  check("first read");
  EXPECT_TRUE(log_date_index_current(db_, index));
  Add(11111000, "Milk, whole", "2026-01-02", 3.0);
  EXPECT_FALSE(log_date_index_current(db_, index)) << "read again after each write";
  check("after an add");
  Exec(db_, "UPDATE food_log SET date = '2026-01-03' WHERE food_code = 92101000");
  check("after a change of date");
  sqlite3 *other = OpenRaw(log_path_);
  Exec(other, "DELETE FROM food_log WHERE description = 'Banana, raw' AND date = '2026-01-01'");
  check("after another connection's delete");
  Exec(other, "INSERT INTO food_log (food_code, description, date, servings) "
              "VALUES (11111000, 'Milk, whole', '2026-01-01', 4.0)");
  check("after another connection's add");
  // A date that is no text (SQLite orders a blob after every text): read by the scan.
  Exec(other, "INSERT INTO food_log (food_code, description, date, servings) "
              "VALUES (11111000, 'Milk, whole', X'323032362D30312D3032', 1.0)");
  check("with a blob date");

  // A log that cannot be read fails as the scan does, with nothing in the list.
  Exec(db_, "DROP TABLE food_log");
  LogEntryList failed;
  EXPECT_EQ(-1, log_entries_between_indexed(db_, index, "2026-01-01", "2026-01-03", &failed));
  EXPECT_EQ(0u, failed.count);
  EXPECT_EQ(nullptr, failed.items);
  log_date_index_free(index);
}

}  // namespace
