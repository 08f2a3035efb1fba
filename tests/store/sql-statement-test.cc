// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the SQLite helpers the log store shares: the statement guard, preparation with its
// message, and the write transaction.
#include "store/sql-statement.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "db-connection.h"
#include "store-fixture.h"
#include "store/log-db.h"

namespace {

const char kFormat[] = "cannot write: %s\n";

class SqlStatementTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    db_ = OpenRaw(log_path_);
    Exec(db_, "CREATE TABLE t (x INTEGER UNIQUE)");
  }

  // Inserts |x| into t through the transaction's helpers; false after the format's line.
  bool Insert(int x) {
    StatementPtr stmt = sql_prepare(db_, "INSERT INTO t (x) VALUES (?1)");
    if (!stmt) return false;
    sqlite3_bind_int(stmt.get(), 1, x);
    return sql_run(db_, stmt.get(), kFormat);
  }

  sqlite3 *db_ = nullptr;
};

}  // namespace

TEST_F(SqlStatementTest, AFailedPrepareReportsAndGivesNoStatement) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, sql_prepare(db_, "SELECT x FROM missing"));
  EXPECT_EQ("alimora: SQL error: no such table: missing\n",
            testing::internal::GetCapturedStderr());
  // Trying says nothing; the reason stays the connection's.
  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, sql_try_prepare(db_, "SELECT x FROM missing"));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_STREQ("no such table: missing", sqlite3_errmsg(db_));
}

// A statement left open keeps its connection from closing: the guard's is closed.
TEST_F(SqlStatementTest, TheGuardFinalizesAStatementMidStep) {
  for (const bool guarded : {false, true}) {
    sqlite3 *db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
    sqlite3_stmt *left = nullptr;
    {
      StatementPtr stmt = sql_prepare(db, "SELECT 1 UNION ALL SELECT 2");
      ASSERT_NE(nullptr, stmt);
      EXPECT_EQ(1, sql_step_row(db, stmt.get()));
      if (!guarded) left = stmt.release();
    }
    EXPECT_EQ(guarded ? SQLITE_OK : SQLITE_BUSY, sqlite3_close(db)) << guarded;
    if (!guarded) {
      sqlite3_finalize(left);
      EXPECT_EQ(SQLITE_OK, sqlite3_close(db));
    }
  }
}

// A write that fails takes back the writes before it; a commit keeps them.
TEST_F(SqlStatementTest, ATransactionKeepsAllOrNothing) {
  {
    SqlWriteTransaction transaction(db_, kFormat);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(1));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Insert(1));
    EXPECT_EQ("cannot write: UNIQUE constraint failed: t.x\n",
              testing::internal::GetCapturedStderr());
  }
  EXPECT_EQ(0, CountRows(db_, "t"));
  EXPECT_TRUE(sqlite3_get_autocommit(db_));
  {
    SqlWriteTransaction transaction(db_, kFormat);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(1) && Insert(2));
    EXPECT_TRUE(transaction.commit());
  }
  EXPECT_EQ(2, CountRows(db_, "t"));
}

// Inside the caller's transaction an own one fails with the format's line; a joined one
// writes into the caller's and leaves its end to the caller.
TEST_F(SqlStatementTest, ACallersTransactionIsJoinedOrRefused) {
  Exec(db_, "BEGIN");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SqlWriteTransaction(db_, kFormat).ok());
  EXPECT_EQ("cannot write: cannot start a transaction within a transaction\n",
            testing::internal::GetCapturedStderr());
  {
    SqlWriteTransaction transaction(db_, kFormat, SqlWriteTransaction::kJoin);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(1));
    EXPECT_TRUE(transaction.commit());
  }
  EXPECT_FALSE(sqlite3_get_autocommit(db_));
  EXPECT_EQ(1, CountRows(db_, "t"));
  Exec(db_, "ROLLBACK");
  EXPECT_EQ(0, CountRows(db_, "t"));
}

// BEGIN IMMEDIATE waits for another connection's write lock through the busy handler, and
// then says why it could not begin.
TEST_F(SqlStatementTest, ALockedLogIsWaitedForThenReported) {
  sqlite3 *other = OpenRaw(log_path_);
  Exec(other, "BEGIN IMMEDIATE");
  db_connection_set_wait(db_, 30);
  const unsigned long waits = db_lock_waits;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SqlWriteTransaction(db_, kFormat).ok());
  EXPECT_EQ("cannot write: database is locked\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(waits + 1, db_lock_waits);
  Exec(other, "ROLLBACK");
}

// A write that failed inside a transaction is rolled back, which leaves the connection
// without a message: the reason is kept for the person until the next failure or write.
TEST_F(SqlStatementTest, TheReasonAWriteFailedOutlivesItsRollback) {
  {
    SqlWriteTransaction transaction(db_, kFormat);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(1));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Insert(1));  // UNIQUE
    testing::internal::GetCapturedStderr();
  }
  EXPECT_EQ(0, CountRows(db_, "t"));
  EXPECT_STREQ("not an error", sqlite3_errmsg(db_));
  EXPECT_STREQ("UNIQUE constraint failed: t.x", log_db_error_text(db_));
  // A failure since has its own message.
  EXPECT_NE(SQLITE_OK, sqlite3_exec(db_, "INSERT INTO nowhere VALUES (1)", nullptr, nullptr, nullptr));
  EXPECT_STREQ("no such table: nowhere", log_db_error_text(db_));
  // A transaction that commits forgets the reason; one ended behind it rolls nothing back.
  {
    SqlWriteTransaction transaction(db_, kFormat);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(2));
    EXPECT_TRUE(transaction.commit());
  }
  EXPECT_STREQ("not an error", log_db_error_text(db_));
  {
    SqlWriteTransaction transaction(db_, kFormat);
    ASSERT_TRUE(transaction.ok());
    EXPECT_TRUE(Insert(3));
    Exec(db_, "COMMIT");
  }
  EXPECT_STREQ("not an error", log_db_error_text(db_));
  EXPECT_EQ(2, CountRows(db_, "t"));
}
