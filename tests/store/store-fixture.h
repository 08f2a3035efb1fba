// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the log store: a temporary directory and raw SQLite connections.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "test-support.h"

class StoreTest : public TempDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The log database "log.db" in the temporary directory, opened with log_db_open and
  // closed by the fixture. Null (with a test failure) when it cannot be opened.
  sqlite3 *OpenLog();

  // Closes the connection that OpenLog made, if any.
  void CloseLog();

  // A plain SQLite connection to |path|, closed by the fixture.
  sqlite3 *OpenRaw(const std::string &path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);

  // Runs |sql| on |db|, failing the test when it does not succeed.
  static void Exec(sqlite3 *db, const char *sql);

  // The number of rows of |table| in |db|, or -1 (with a test failure) when it cannot be read.
  static int CountRows(sqlite3 *db, const char *table);

  std::string log_path_;

 private:
  sqlite3 *log_db_ = nullptr;
  std::vector<sqlite3 *> raw_handles_;
};
