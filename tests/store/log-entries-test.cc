// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the food-log entries: writes, the entries of a date and the logged dates.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store-fixture.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

// Lets every row through except the one whose argument equals the int behind the user
// data; that one raises an SQL error.
void PassRow(sqlite3_context *context, int, sqlite3_value **argv) {
  const int refused = *static_cast<const int *>(sqlite3_user_data(context));
  if (sqlite3_value_int(argv[0]) == refused)
    sqlite3_result_error(context, "row refused", -1);
  else
    sqlite3_result_int(context, 1);
}

// The number of rows that |sql| gives before its step fails; -1 when it does not fail.
int RowsBeforeError(sqlite3 *db, const char *sql) {
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return -1;
  int rows = 0;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) ++rows;
  sqlite3_finalize(stmt);
  return rc == SQLITE_DONE ? -1 : rows;
}

std::vector<int64_t> IdsOf(const LogEntryList &list) {
  std::vector<int64_t> ids;
  for (size_t i = 0; i < list.count; ++i) ids.push_back(list.items[i].id);
  return ids;
}

std::vector<std::string> DatesOf(const DateList &list) {
  std::vector<std::string> dates;
  for (size_t i = 0; i < list.count; ++i) dates.emplace_back(list.items[i]);
  return dates;
}

}  // namespace

class LogEntriesTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    db_ = OpenLog();
    ASSERT_NE(nullptr, db_);
  }

  // Adds |count| entries for |date|, failing the test on any error.
  void AddEntries(int count, const char *date) {
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(0, log_entry_add(db_, 1000 + i, "Apple, raw", date, 1.0));
  }

  sqlite3 *db_ = nullptr;
};

TEST_F(LogEntriesTest, EmptyLogGivesEmptyLists) {
  LogEntryList entries{nullptr, 3, 0};  // stale contents are overwritten, not used
  EXPECT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(0u, entries.count);
  EXPECT_EQ(0u, entries.capacity);

  DateList dates{nullptr, 3, 0};
  EXPECT_EQ(0, log_dates(db_, &dates));
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(0u, dates.count);
  EXPECT_EQ(0u, dates.capacity);
}

TEST_F(LogEntriesTest, AddedEntryReadsBackWithAllItsFields) {
  ASSERT_EQ(0, log_entry_add(db_, 11111000, "Milk, human", "2026-12-06", 2.5));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(32u, entries.capacity);
  EXPECT_EQ(1, entries.items[0].id);
  EXPECT_EQ(11111000, entries.items[0].food_code);
  EXPECT_STREQ("Milk, human", entries.items[0].description);
  EXPECT_STREQ("2026-12-06", entries.items[0].date);
  EXPECT_EQ(2.5, entries.items[0].servings);
  log_entry_list_free(&entries);
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(0u, entries.count);
  EXPECT_EQ(0u, entries.capacity);
  log_entry_list_free(&entries);
  log_entry_list_free(nullptr);
}

TEST_F(LogEntriesTest, ListGrowsFrom32To64To128) {
  struct Step {
    int total;
    size_t capacity;
  };
  int added = 0;
  for (const Step step : {Step{32, 32}, Step{33, 64}, Step{64, 64}, Step{65, 128}}) {
    AddEntries(step.total - added, "2026-01-31");
    added = step.total;
    LogEntryList entries;
    ASSERT_EQ(0, log_entries_for_date(db_, "2026-01-31", &entries));
    EXPECT_EQ(static_cast<size_t>(step.total), entries.count);
    EXPECT_EQ(step.capacity, entries.capacity);
    log_entry_list_free(&entries);
  }

  DateList dates;
  ASSERT_EQ(0, log_dates(db_, &dates));
  EXPECT_EQ(1u, dates.count);
  EXPECT_EQ(32u, dates.capacity);
  date_list_free(&dates);
}

TEST_F(LogEntriesTest, EntriesOfADateComeInIdOrderAndAMovedEntryKeepsItsId) {
  ASSERT_EQ(0, log_entry_add(db_, 1, "first", "2026-12-06", 1.0));
  ASSERT_EQ(0, log_entry_add(db_, 2, "second", "2026-12-05", 1.0));
  ASSERT_EQ(0, log_entry_add(db_, 3, "third", "2026-12-06", 1.0));

  ASSERT_EQ(0, log_entry_update(db_, 2, "2026-12-06", 0.5));

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  EXPECT_EQ((std::vector<int64_t>{1, 2, 3}), IdsOf(entries));
  ASSERT_EQ(3u, entries.count);
  EXPECT_EQ(2, entries.items[1].food_code);
  EXPECT_STREQ("second", entries.items[1].description);
  EXPECT_STREQ("2026-12-06", entries.items[1].date);
  EXPECT_EQ(0.5, entries.items[1].servings);
  log_entry_list_free(&entries);

  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-05", &entries));
  EXPECT_EQ(0u, entries.count);
  log_entry_list_free(&entries);
}

TEST_F(LogEntriesTest, DateMatchIsExactText) {
  ASSERT_EQ(0, log_entry_add(db_, 1, "short date", "2024-1-5", 1.0));
  ASSERT_EQ(0, log_entry_add(db_, 2, "full date", "2024-01-05", 1.0));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db_, "2024-01-05", &entries));
  EXPECT_EQ((std::vector<int64_t>{2}), IdsOf(entries));
  log_entry_list_free(&entries);
}

TEST_F(LogEntriesTest, LoggedDatesAreDistinctAndSortedAsText) {
  for (const char *date : {"2026-12-06", "2025-01-31", "2026-12-06", "2026-02-01", "2025-01-31"})
    ASSERT_EQ(0, log_entry_add(db_, 1, "x", date, 1.0));
  DateList dates;
  ASSERT_EQ(0, log_dates(db_, &dates));
  EXPECT_EQ((std::vector<std::string>{"2025-01-31", "2026-02-01", "2026-12-06"}), DatesOf(dates));
  date_list_free(&dates);
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(0u, dates.count);
  EXPECT_EQ(0u, dates.capacity);
  date_list_free(&dates);
  date_list_free(nullptr);
}

TEST_F(LogEntriesTest, DeleteRemovesOnlyThatEntry) {
  AddEntries(3, "2026-12-06");
  ASSERT_EQ(0, log_entry_delete(db_, 2));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  EXPECT_EQ((std::vector<int64_t>{1, 3}), IdsOf(entries));
  log_entry_list_free(&entries);

  // Ids are never reused.
  AddEntries(1, "2026-12-06");
  ASSERT_EQ(0, log_entry_delete(db_, 4));
  AddEntries(1, "2026-12-06");
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  EXPECT_EQ((std::vector<int64_t>{1, 3, 5}), IdsOf(entries));
  log_entry_list_free(&entries);
}

// Row ids beyond 32 bits (an imported log; AUTOINCREMENT goes on above its largest id)
// reach the entry they belong to and no other.
TEST_F(LogEntriesTest, IdsBeyondThirtyTwoBitsReadAndActOnTheirOwnRow) {
  for (const int64_t big : {int64_t{2147483648}, int64_t{4294967297}, INT64_MAX - 1}) {
    SCOPED_TRACE(big);
    Exec(db_, "DELETE FROM food_log");
    Exec(db_, ("INSERT INTO food_log (id, food_code, description, date, servings) VALUES "
               "(1, 1, 'Other day', '2026-12-01', 1.0), (" + std::to_string(big) +
               ", 2, 'This day', '2026-12-06', 1.0)").c_str());
    ASSERT_EQ(0, log_entry_add(db_, 3, "Added after", "2026-12-06", 1.0));
    LogEntryList entries;
    ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
    EXPECT_EQ((std::vector<int64_t>{big, big + 1}), IdsOf(entries));
    log_entry_list_free(&entries);

    ASSERT_EQ(0, log_entry_update(db_, big, "2026-12-07", 2.0));
    EXPECT_EQ(1, query_int(db_, "SELECT count(*) FROM food_log WHERE id = " +
                                    std::to_string(big) + " AND date = '2026-12-07'"));
    ASSERT_EQ(0, log_entry_delete(db_, big));
    EXPECT_EQ(0, query_int(db_, "SELECT count(*) FROM food_log WHERE id = " + std::to_string(big)));
    EXPECT_EQ(1, query_int(db_, "SELECT count(*) FROM food_log WHERE id = 1 AND date = "
                                "'2026-12-01' AND servings = 1.0"));
  }
}

TEST_F(LogEntriesTest, UpdatingOrDeletingAMissingIdSucceedsAndChangesNothing) {
  ASSERT_EQ(0, log_entry_add(db_, 7, "kept", "2026-12-06", 1.25));
  testing::internal::CaptureStderr();
  EXPECT_EQ(0, log_entry_update(db_, 99, "2000-01-01", 3.0));
  EXPECT_EQ(0, log_entry_delete(db_, 99));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db_, "2026-12-06", &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(1.25, entries.items[0].servings);
  log_entry_list_free(&entries);
  EXPECT_EQ(1, query_int(db_, "SELECT count(*) FROM food_log"));
}

TEST_F(LogEntriesTest, AddWithoutDescriptionOrDateFailsAndAddsNoRow) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add(db_, 1, nullptr, "2026-12-06", 1.0));
  EXPECT_EQ("alimora: cannot add log entry: NOT NULL constraint failed: food_log.description\n",
            testing::internal::GetCapturedStderr());
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add(db_, 1, "x", nullptr, 1.0));
  EXPECT_EQ("alimora: cannot add log entry: NOT NULL constraint failed: food_log.date\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(0, query_int(db_, "SELECT count(*) FROM food_log"));
}

TEST_F(LogEntriesTest, UpdateToANullDateFailsAndKeepsTheRow) {
  ASSERT_EQ(0, log_entry_add(db_, 1, "x", "2026-12-06", 1.0));
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_update(db_, 1, nullptr, 2.0));
  EXPECT_EQ("alimora: cannot update log entry: NOT NULL constraint failed: food_log.date\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(1, query_int(db_,
                        "SELECT count(*) FROM food_log WHERE date = '2026-12-06' AND "
                        "servings = 1.0"));
}

TEST_F(LogEntriesTest, WritesThroughAReadOnlyConnectionFail) {
  ASSERT_EQ(0, log_entry_add(db_, 1, "x", "2026-12-06", 1.0));
  sqlite3 *read_only = OpenRaw(log_path_, SQLITE_OPEN_READONLY);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add(read_only, 2, "y", "2026-12-06", 1.0));
  EXPECT_EQ(-1, log_entry_update(read_only, 1, "2026-12-07", 2.0));
  EXPECT_EQ(-1, log_entry_delete(read_only, 1));
  EXPECT_EQ(
      "alimora: cannot add log entry: attempt to write a readonly database\n"
      "alimora: cannot update log entry: attempt to write a readonly database\n"
      "alimora: cannot delete log entry: attempt to write a readonly database\n",
      testing::internal::GetCapturedStderr());
  EXPECT_EQ(1, query_int(db_, "SELECT count(*) FROM food_log WHERE date = '2026-12-06'"));

  // Reading through it works.
  LogEntryList entries;
  EXPECT_EQ(0, log_entries_for_date(read_only, "2026-12-06", &entries));
  EXPECT_EQ(1u, entries.count);
  log_entry_list_free(&entries);
}

TEST_F(LogEntriesTest, EveryOperationReportsAMissingTable) {
  sqlite3 *empty = OpenRaw(PathIn("empty.db"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entry_add(empty, 1, "x", "2026-12-06", 1.0));
  EXPECT_EQ(-1, log_entry_update(empty, 1, "2026-12-06", 1.0));
  EXPECT_EQ(-1, log_entry_delete(empty, 1));
  LogEntryList entries;
  EXPECT_EQ(-1, log_entries_for_date(empty, "2026-12-06", &entries));
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(0u, entries.count);
  DateList dates;
  EXPECT_EQ(-1, log_dates(empty, &dates));
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(0u, dates.count);
  std::string expected;
  for (int i = 0; i < 5; ++i) expected += "alimora: SQL error: no such table: food_log\n";
  EXPECT_EQ(expected, testing::internal::GetCapturedStderr());
  log_entry_list_free(&entries);
  date_list_free(&dates);
}

TEST_F(LogEntriesTest, NullTextsOfAForeignFileReadAsEmpty) {
  // A log table written by something else, without the NOT NULL constraints.
  sqlite3 *db = OpenRaw(PathIn("foreign.db"));
  Exec(db,
       "CREATE TABLE food_log (id INTEGER PRIMARY KEY, food_code INTEGER, description TEXT, "
       "date TEXT, servings REAL);"
       "INSERT INTO food_log VALUES (1, 5, NULL, '2026-12-06', 1.0);"
       "INSERT INTO food_log VALUES (2, 6, 'with date', NULL, 2.0);"
       "INSERT INTO food_log VALUES (3, 7, 'blob date', X'323032362d31322d3036', 3.0);"
       "INSERT INTO food_log VALUES (4, 8, 'empty date', '', 4.0);"
       "INSERT INTO food_log VALUES (5, 9, 'number date', 20261206, 5.0);");

  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(db, "2026-12-06", &entries));
  ASSERT_EQ(1u, entries.count);
  ASSERT_NE(nullptr, entries.items[0].description);
  EXPECT_STREQ("", entries.items[0].description);
  log_entry_list_free(&entries);

  // A date that is no text (NULL, a blob) belongs with the empty ones to the one day
  // without a date, which is listed once and holds them all.
  DateList dates;
  ASSERT_EQ(0, log_dates(db, &dates));
  EXPECT_EQ((std::vector<std::string>{"", "2026-12-06", "20261206"}), DatesOf(dates));
  date_list_free(&dates);
  ASSERT_EQ(0, log_entries_for_date(db, "", &entries));
  std::vector<int32_t> codes;
  for (size_t i = 0; i < entries.count; ++i) codes.push_back(entries.items[i].food_code);
  EXPECT_EQ((std::vector<int32_t>{6, 7, 8}), codes);
  log_entry_list_free(&entries);
}

TEST_F(LogEntriesTest, FailureInTheMiddleOfAListQueryLeavesTheListEmpty) {
  // The log is a view over a table; its filter raises an error at the 40th row, after
  // the list has already grown past its first capacity.
  sqlite3 *db = OpenRaw(PathIn("failing.db"));
  static const int kRefusedRow = 40;
  ASSERT_EQ(SQLITE_OK,
            sqlite3_create_function(db, "pass_row", 1, SQLITE_UTF8, const_cast<int *>(&kRefusedRow),
                                    PassRow, nullptr, nullptr));
  Exec(db,
       "CREATE TABLE rows (id INTEGER PRIMARY KEY, food_code INTEGER, description TEXT, "
       "date TEXT, servings REAL);"
       "CREATE INDEX rows_by_date ON rows (date);"
       "CREATE VIEW food_log AS SELECT * FROM rows WHERE pass_row(id);"
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) "
       "INSERT INTO rows SELECT i, i, 'food', '2026-12-06', 1.0 FROM n;");

  ASSERT_LT(32, RowsBeforeError(db,
                                "SELECT id FROM food_log WHERE date = '2026-12-06' ORDER "
                                "BY id"))
      << "the rows must stream, so that the list grows before the refused row";
  LogEntryList entries;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_entries_for_date(db, "2026-12-06", &entries));
  EXPECT_EQ("alimora: SQL error: row refused\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, entries.items);
  EXPECT_EQ(0u, entries.count);
  EXPECT_EQ(0u, entries.capacity);
  log_entry_list_free(&entries);

  // Give each row its own date so that the dates stream from the index in id order.
  Exec(db, "UPDATE rows SET date = printf('2026-%02d-%02d', 1 + id / 28, 1 + id % 28)");
  ASSERT_LT(32, RowsBeforeError(db, "SELECT DISTINCT date FROM food_log ORDER BY date"))
      << "the dates must stream, so that the list grows before the refused row";
  DateList dates;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log_dates(db, &dates));
  EXPECT_EQ("alimora: SQL error: row refused\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, dates.items);
  EXPECT_EQ(0u, dates.count);
  EXPECT_EQ(0u, dates.capacity);
  date_list_free(&dates);
}
