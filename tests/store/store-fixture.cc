// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the log store: a temporary directory and raw SQLite connections.
#include "store-fixture.h"

#include "store/log-db.h"

void StoreTest::SetUp() {
  TempDirTest::SetUp();
  log_path_ = PathIn("log.db");
}

void StoreTest::TearDown() {
  CloseLog();
  for (sqlite3 *db : raw_handles_) sqlite3_close(db);
  raw_handles_.clear();
  TempDirTest::TearDown();
}

sqlite3 *StoreTest::OpenLog() {
  CloseLog();
  log_db_ = log_db_open(log_path_.c_str());
  EXPECT_NE(nullptr, log_db_) << "cannot open " << log_path_;
  return log_db_;
}

void StoreTest::CloseLog() {
  log_db_close(log_db_);
  log_db_ = nullptr;
}

sqlite3 *StoreTest::OpenRaw(const std::string &path, int flags) {
  sqlite3 *db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  EXPECT_EQ(SQLITE_OK, rc) << sqlite3_errmsg(db);
  raw_handles_.push_back(db);
  return db;
}

void StoreTest::Exec(sqlite3 *db, const char *sql) {
  std::string error;
  const int rc = exec_sql(db, sql, &error);
  EXPECT_EQ(SQLITE_OK, rc) << sql << ": " << error;
}

int StoreTest::CountRows(sqlite3 *db, const char *table) {
  const std::string sql = std::string("SELECT count(*) FROM ") + table;
  sqlite3_stmt *stmt = nullptr;
  int count = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    count = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  EXPECT_NE(-1, count) << sql << ": " << sqlite3_errmsg(db);
  return count;
}
