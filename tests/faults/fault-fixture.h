// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the fault tests: a temporary directory, SQLite files made in it, and
// byte-for-byte snapshots of files.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Full name of |name| inside the temporary directory.
  std::string PathIn(const std::string &name) const;

  // Creates (or extends) the SQLite file |path| with |sql|, failing the test on an error.
  static void MakeDb(const std::string &path, const std::string &sql);

  std::string dir_;
};

// The path of the food database built in the build tree.
std::string built_food_db_path();

// The whole content of a file ("" when it cannot be read).
std::string read_file(const std::string &path);

// Replaces the content of a file.
void write_file(const std::string &path, const std::string &content);

// Runs |sql| on |db|; returns SQLite's result and, in |error|, its message.
int exec_sql(sqlite3 *db, const std::string &sql, std::string *error = nullptr);

// The single integer that |sql| selects on |db|, or -1 (with a test failure).
long long query_int(sqlite3 *db, const std::string &sql);
