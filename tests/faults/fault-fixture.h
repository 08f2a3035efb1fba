// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for the fault tests: a temporary directory and SQLite files made in it.
#pragma once

#include <sqlite3.h>

#include <string>

#include "test-support.h"

class FaultTest : public TempDirTest {
 protected:
  // Creates (or extends) the SQLite file |path| with |sql|, failing the test on an error.
  static void MakeDb(const std::string &path, const std::string &sql);
};
