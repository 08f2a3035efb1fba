// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the log store: a temporary directory and raw SQLite helpers.
#include "store-fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "store/log-db.h"

void StoreTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "alimora-store-XXXXXX").string();
  ASSERT_NE(nullptr, mkdtemp(pattern.data()));
  dir_ = pattern;
  log_path_ = PathIn("log.db");
}

void StoreTest::TearDown() {
  CloseLog();
  for (sqlite3 *db : raw_handles_) sqlite3_close(db);
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::string StoreTest::PathIn(const char *name) const { return dir_ + "/" + name; }

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
  char *error = nullptr;
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
  EXPECT_EQ(SQLITE_OK, rc) << sql << ": " << (error ? error : "");
  sqlite3_free(error);
}

long long StoreTest::QueryInt(sqlite3 *db, const char *sql) {
  sqlite3_stmt *stmt = nullptr;
  long long value = -1;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    value = sqlite3_column_int64(stmt, 0);
  else
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(stmt);
  return value;
}

std::string StoreTest::ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
