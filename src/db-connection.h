// SPDX-License-Identifier: GPL-3.0-or-later
// What every SQLite connection of the program shares: how long it waits for another
// process's lock, strict identifier quoting, and the refusal of files that are no
// regular files.
#pragma once

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>

// How long a statement waits for a lock held by another connection (a second instance,
// alimora-report, a backup, the sqlite3 shell) before it fails.
constexpr int kDbBusyTimeoutMs = 5000;

// Sets up a freshly opened connection. Without the double-quoted-string fallback a name
// in double quotes that is no column is an error instead of a text literal, so a food
// database that lacks a column fails its queries rather than returning that name as data.
inline void db_connection_configure(sqlite3 *handle) {
  sqlite3_busy_timeout(handle, kDbBusyTimeoutMs);
  sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

// Whether |path| exists as something other than a regular file (a FIFO, a device, a
// directory). Opening a FIFO blocks until a writer comes, so such paths are refused
// before SQLite opens them. A missing path is no special file.
inline bool db_path_is_special(const char *path) {
  struct stat info;
  if (stat(path, &info) != 0) return false;
  return !S_ISREG(info.st_mode);
}
