// SPDX-License-Identifier: GPL-3.0-or-later
// What every SQLite connection of the program shares: how long it waits for another
// process's lock, strict identifier quoting, and the refusal of files that are no
// regular files.
#pragma once

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

// How long a statement waits for a lock held by another connection (a second instance,
// alimora-report, a backup, the sqlite3 shell) before it fails.
constexpr int kDbBusyTimeoutMs = 5000;

// Whether the statements run now must not wait for another process's lock: the window's
// reads on each key. Set with DbNoWait. One thread uses the connections.
inline int db_no_wait_depth = 0;
// How many times a statement began to wait for a lock (for the tests).
inline unsigned long db_lock_waits = 0;

// The busy handler of every connection: waits for the lock, as sqlite3_busy_timeout does, for
// at most |timeout| (milliseconds, as an integer), or not at all under DbNoWait.
inline int db_busy_wait(void *timeout, int count) {
  if (db_no_wait_depth > 0) return 0;
  const int limit = static_cast<int>(reinterpret_cast<intptr_t>(timeout));
  static const int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
  constexpr int kDelayCount = static_cast<int>(sizeof delays / sizeof delays[0]);
  if (count == 0) db_lock_waits++;
  int waited = 0;
  for (int i = 0; i < count && i < kDelayCount; i++) waited += delays[i];
  if (count >= kDelayCount) waited += (count - kDelayCount + 1) * delays[kDelayCount - 1];
  int delay = count < kDelayCount ? delays[count] : delays[kDelayCount - 1];
  if (waited + delay > limit) delay = limit - waited;
  if (delay <= 0) return 0;
  sqlite3_sleep(delay);
  return 1;
}

// Makes |handle| wait at most |timeout_ms| for another connection's lock.
inline void db_connection_set_wait(sqlite3 *handle, int timeout_ms) {
  sqlite3_busy_handler(handle, db_busy_wait,
                       reinterpret_cast<void *>(static_cast<intptr_t>(timeout_ms)));
}

// While one lives, no statement waits for a lock: it fails at once with SQLITE_BUSY.
struct DbNoWait {
  DbNoWait() { db_no_wait_depth++; }
  ~DbNoWait() { db_no_wait_depth--; }
  DbNoWait(const DbNoWait &) = delete;
  DbNoWait &operator=(const DbNoWait &) = delete;
};

// Sets up a freshly opened connection. Without the double-quoted-string fallback a name
// in double quotes that is no column is an error instead of a text literal, so a food
// database that lacks a column fails its queries rather than returning that name as data.
inline void db_connection_configure(sqlite3 *handle) {
  db_connection_set_wait(handle, kDbBusyTimeoutMs);
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
