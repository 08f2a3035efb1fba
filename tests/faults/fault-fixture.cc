// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the fault tests: a temporary directory and SQLite files made in it.
#include "fault-fixture.h"

void FaultTest::MakeDb(const std::string &path, const std::string &sql) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db)) << path;
  std::string error;
  const int rc = exec_sql(db, sql, &error);
  sqlite3_close(db);
  ASSERT_EQ(SQLITE_OK, rc) << error;
}
