// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the fault tests: a temporary directory, SQLite files made in it, and
// byte-for-byte snapshots of files.
#include "fault-fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

void FaultTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "alimora-faults-XXXXXX").string();
  ASSERT_NE(nullptr, mkdtemp(pattern.data()));
  dir_ = pattern;
}

void FaultTest::TearDown() {
  if (dir_.empty()) return;
  std::error_code ignored;
  // Tests may leave read-only files and directories behind.
  for (const auto &entry : std::filesystem::recursive_directory_iterator(dir_, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(dir_, ignored);
}

std::string FaultTest::PathIn(const std::string &name) const { return dir_ + "/" + name; }

void FaultTest::MakeDb(const std::string &path, const std::string &sql) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db)) << path;
  std::string error;
  const int rc = exec_sql(db, sql, &error);
  sqlite3_close(db);
  ASSERT_EQ(SQLITE_OK, rc) << error;
}

std::string built_food_db_path() {
  const char *root = std::getenv("ALIMORA_BUILD_ROOT");
  return std::string(root ? root : ".") + "/data/food.db";
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

int exec_sql(sqlite3 *db, const std::string &sql, std::string *error) {
  char *message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  if (error) *error = message ? message : "";
  sqlite3_free(message);
  return rc;
}

long long query_int(sqlite3 *db, const std::string &sql) {
  sqlite3_stmt *stmt = nullptr;
  long long value = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    value = sqlite3_column_int64(stmt, 0);
  else
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(stmt);
  return value;
}
