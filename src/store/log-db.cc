// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user log database: opening it with its two tables, and the single profile row.
#include "store/log-db.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "db-connection.h"
#include "i18n.h"
#include "store/entry-measures.h"
#include "store/own-foods.h"
#include "store/sql-statement.h"
#include "store/weight-log.h"

namespace {

const char kCreateLogTableSql[] =
    "CREATE TABLE IF NOT EXISTS food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code "
    "INTEGER NOT NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL "
    "DEFAULT 1.0)";

const char kCreateProfileTableSql[] =
    "CREATE TABLE IF NOT EXISTS user_profile (  id INTEGER PRIMARY KEY CHECK (id = 1),  bdate "
    "TEXT NOT NULL,  height_cm REAL NOT NULL,  weight_kg REAL NOT NULL,  activity_level INTEGER "
    "NOT NULL,  gender INTEGER NOT NULL,  calorie_target INTEGER NOT NULL)";

const char kSaveProfileSql[] =
    "INSERT OR REPLACE INTO user_profile (id, bdate, height_cm, weight_kg, activity_level, "
    "gender, calorie_target) VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6)";

// Whether the log has any table at all.
const char kAnyTableSql[] = "SELECT 1 FROM sqlite_master WHERE type = 'table' LIMIT 1";

// Whether the log has the profile table.
const char kProfileTableSql[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'user_profile'";

const char kLoadProfileSql[] =
    "SELECT bdate, height_cm, weight_kg, activity_level, gender, calorie_target FROM "
    "user_profile WHERE id = 1";

// Creates |path| as an empty file that only its owner may read and write, unless it exists.
// SQLite gives its journal the mode of the database, so both stay private. A symbolic
// link whose target is missing (the log kept on another disk, say) is followed: its target
// is made the same way. A failure here is left to sqlite3_open, which reports it. Returns
// whether the file was made here.
bool create_private_file(const char *path) {
  if (path[0] == '\0' || strcmp(path, ":memory:") == 0) return false;  // SQLite's own
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  struct stat link;
  if (fd < 0 && errno == EEXIST && lstat(path, &link) == 0 && S_ISLNK(link.st_mode) &&
      access(path, F_OK) != 0 && errno == ENOENT)
    fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// Whether the file |path| holds a table, as far as a connection of its own can tell; a
// file it cannot read holds none.
bool has_any_table(const char *path) {
  sqlite3 *raw = nullptr;
  bool found = false;
  if (sqlite3_open_v2(path, &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    StatementPtr stmt = sql_try_prepare(raw, kAnyTableSql);
    found = stmt && sqlite3_step(stmt.get()) == SQLITE_ROW;
  }
  sqlite3_close(raw);
  return found;
}

// Removes |path|, a file this start made, with SQLite's journal beside it, unless another
// connection has meanwhile made the log's tables in it. A link followed by
// create_private_file stays; the file made at its end goes.
void remove_made_file(const char *path) {
  char *target = realpath(path, nullptr);
  struct stat info;
  if (target && stat(target, &info) == 0 && S_ISREG(info.st_mode) && !has_any_table(target)) {
    unlink(target);
    unlink((std::string(target) + "-journal").c_str());
  }
  free(target);
}

// Creates both tables in one transaction, so that a log is made whole or not at all (a
// full disk once left a food_log without its user_profile). Returns false after printing
// the line of the table that could not be made.
bool create_tables(sqlite3 *handle) {
  const bool begun = sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  bool made =
      sql_exec(handle, kCreateLogTableSql, _("alimora: cannot create log table: %s\n")) &&
      sql_exec(handle, kCreateProfileTableSql, _("alimora: cannot create profile table: %s\n"));
  if (made && begun && sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    // The commit is where a full disk shows: the tables were written there.
    fprintf(stderr, _("alimora: cannot create log table: %s\n"), sqlite3_errmsg(handle));
    made = false;
  }
  if (!made && sqlite3_get_autocommit(handle) == 0)
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
  return made;
}

}  // namespace

sqlite3 *log_db_open(const char *path) {
  if (db_path_is_special(path)) {
    fprintf(stderr, _("alimora: cannot open log database '%s': %s\n"), path,
            _("not a regular file"));
    return nullptr;
  }
  const bool created = create_private_file(path);
  sqlite3 *handle = nullptr;
  if (sqlite3_open(path, &handle) != SQLITE_OK) {
    fprintf(stderr, _("alimora: cannot open log database '%s': %s\n"), path,
            sqlite3_errmsg(handle));
    sqlite3_close(handle);
    if (created) remove_made_file(path);
    return nullptr;
  }
  db_connection_configure(handle);
  if (!create_tables(handle)) {
    sqlite3_close(handle);
    // A log made just now and left without its tables (the disk is full, say) is no log:
    // it goes, so that the next start begins afresh. A log that was there stays.
    if (created) remove_made_file(path);
    return nullptr;
  }
  // Without its weight tables (a log the user may only read, say) the log still opens:
  // it then has no weights, and logging one says why it failed.
  weight_log_create(handle);
  entry_measures_create(handle);
  // The same for the own foods: without their tables the log has none.
  own_food_tables_create(handle);
  return handle;
}

// The connection may write only so that SQLite can roll back the journal a crashed writer
// left behind (it refuses to read the file until that is done); query_only keeps every
// statement from changing the file. A file the user may not write is opened read-only by
// SQLite all the same.

int log_db_open_read_only(const char *path, sqlite3 **out) {
  *out = nullptr;
  struct stat info;
  if (stat(path, &info) != 0 && errno == ENOENT) return 1;
  if (db_path_is_special(path)) {
    fprintf(stderr, _("alimora: cannot open log database '%s': %s\n"), path,
            _("not a regular file"));
    return -1;
  }
  sqlite3 *raw = nullptr;
  int rc = sqlite3_open_v2(path, &raw, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    db_connection_configure(raw);
    rc = sqlite3_exec(raw, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    fprintf(stderr, _("alimora: cannot open log database '%s': %s\n"), path, sqlite3_errmsg(raw));
    sqlite3_close(raw);
    return -1;
  }
  // A log whose tables were never made (a first start that found the disk full) holds
  // nothing yet: it reads as no log at all.
  StatementPtr tables = sql_prepare(raw, kAnyTableSql);
  if (!tables) {
    sqlite3_close(raw);
    return -1;
  }
  rc = sqlite3_step(tables.get());
  tables.reset();
  if (rc == SQLITE_DONE) {
    sqlite3_close(raw);
    return 1;
  }
  if (rc != SQLITE_ROW) {
    sql_report_error(raw);
    sqlite3_close(raw);
    return -1;
  }
  *out = raw;
  return 0;
}

void log_db_close(sqlite3 *handle) {
  if (!handle) return;
  sql_forget_failure(handle);
  sqlite3_close(handle);
}

int profile_save(sqlite3 *handle, const Profile *profile) {
  StatementPtr stmt = sql_prepare(handle, kSaveProfileSql);
  if (!stmt) return -1;
  sqlite3_stmt *raw = stmt.get();
  sql_bind_text(raw, 1, profile->bdate);
  sqlite3_bind_double(raw, 2, profile->height_cm);
  sqlite3_bind_double(raw, 3, profile->weight_kg);
  sqlite3_bind_int(raw, 4, profile->activity_level);
  sqlite3_bind_int(raw, 5, profile->gender);
  sqlite3_bind_int(raw, 6, profile->calorie_target);

  const int rc = sqlite3_step(raw);
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, _("alimora: cannot save profile: %s\n"), sqlite3_errmsg(handle));
  return -1;
}

int profile_load(sqlite3 *handle, Profile *out) {
  *out = Profile{};
  StatementPtr stmt = sql_prepare(handle, kLoadProfileSql);
  if (!stmt) return -1;
  sqlite3_stmt *raw = stmt.get();

  const int found = sql_step_row(handle, raw);
  if (found != 1) return found == 0 ? 1 : -1;
  const unsigned char *bdate = sqlite3_column_text(raw, 0);
  // A failed copy leaves the birth date null, which makes the profile incomplete.
  out->bdate = bdate ? strdup(reinterpret_cast<const char *>(bdate)) : nullptr;
  out->height_cm = sqlite3_column_double(raw, 1);
  out->weight_kg = sqlite3_column_double(raw, 2);
  out->activity_level = sqlite3_column_int(raw, 3);
  out->gender = sqlite3_column_int(raw, 4);
  out->calorie_target = sqlite3_column_int(raw, 5);
  return 0;
}

int profile_load_stored(sqlite3 *handle, Profile *out) {
  *out = Profile{};
  StatementPtr stmt = sql_prepare(handle, kProfileTableSql);
  if (!stmt) return -1;
  const int rc = sqlite3_step(stmt.get());
  stmt.reset();
  if (rc == SQLITE_DONE) return 1;
  if (rc != SQLITE_ROW) {
    sql_report_error(handle);
    return -1;
  }
  return profile_load(handle, out);
}

void profile_clear(Profile *profile) {
  if (!profile) return;
  free(profile->bdate);
  profile->bdate = nullptr;
}

bool profile_is_complete(int result, const Profile *profile) {
  if (result == 1 || !profile) return false;
  if (static_cast<uint32_t>(profile->gender) >= 2) return false;
  if (!profile->bdate) return false;
  return profile->bdate[0] != '\0';
}
