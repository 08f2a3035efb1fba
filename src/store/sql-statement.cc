// SPDX-License-Identifier: GPL-3.0-or-later
// The SQLite helpers the log store shares: preparing, stepping and write transactions.
#include "store/sql-statement.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "i18n.h"
#include "store/log-db.h"

void sql_report_error(sqlite3 *handle) {
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
}

StatementPtr sql_try_prepare(sqlite3 *handle, const char *sql) {
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr) == SQLITE_OK) return StatementPtr(stmt);
  sqlite3_finalize(stmt);
  return nullptr;
}

StatementPtr sql_prepare(sqlite3 *handle, const char *sql) {
  StatementPtr stmt = sql_try_prepare(handle, sql);
  if (!stmt) sql_report_error(handle);
  return stmt;
}

int sql_step_row(sqlite3 *handle, sqlite3_stmt *stmt) {
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) return 1;
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
  return -1;
}

bool sql_run(sqlite3 *handle, sqlite3_stmt *stmt, const char *format) {
  if (sqlite3_step(stmt) == SQLITE_DONE) return true;
  fprintf(stderr, format, sqlite3_errmsg(handle));
  return false;
}

bool sql_exec(sqlite3 *handle, const char *sql, const char *format) {
  char *error = nullptr;
  if (sqlite3_exec(handle, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
  fprintf(stderr, format, error ? error : sqlite3_errmsg(handle));
  sqlite3_free(error);
  return false;
}

void sql_bind_text(sqlite3_stmt *stmt, int index, const char *text) {
  if (text)
    sqlite3_bind_text(stmt, index, text, -1, SQLITE_TRANSIENT);
  else
    sqlite3_bind_null(stmt, index);
}

const char *sql_column_text(sqlite3_stmt *stmt, int column) {
  const unsigned char *text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char *>(text) : "";
}

namespace {

// Per connection, why its last rolled-back write failed.
std::mutex failures_lock;
std::map<sqlite3 *, std::string> &failures() {
  static std::map<sqlite3 *, std::string> reasons;
  return reasons;
}

void keep_failure(sqlite3 *handle, const char *reason) {
  std::lock_guard<std::mutex> guard(failures_lock);
  if (reason)
    failures()[handle] = reason;
  else
    failures().erase(handle);
}

}  // namespace

const char *log_db_error_text(sqlite3 *handle) {
  // A failure since then has a message of its own.
  if (sqlite3_errcode(handle) != SQLITE_OK) return sqlite3_errmsg(handle);
  std::lock_guard<std::mutex> guard(failures_lock);
  auto found = failures().find(handle);
  // The strings live until the connection's next transaction or its close.
  return found != failures().end() ? found->second.c_str() : sqlite3_errmsg(handle);
}

void sql_forget_failure(sqlite3 *handle) { keep_failure(handle, nullptr); }

SqlWriteTransaction::SqlWriteTransaction(sqlite3 *handle, const char *format, Mode mode)
    : handle_(handle), format_(format), mode_(mode) {
  if (mode == kJoin && !sqlite3_get_autocommit(handle)) {
    ok_ = true;  // the caller's
    return;
  }
  keep_failure(handle, nullptr);
  ok_ = open_ = sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok_) fprintf(stderr, format, sqlite3_errmsg(handle));
}

SqlWriteTransaction::~SqlWriteTransaction() {
  if (!open_) return;
  // A write failed (or was never committed): the reason outlives the rollback.
  if (sqlite3_errcode(handle_) != SQLITE_OK) keep_failure(handle_, sqlite3_errmsg(handle_));
  if (!sqlite3_get_autocommit(handle_)) sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqlWriteTransaction::commit() {
  if (!open_) return mode_ == kJoin;
  if (sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    fprintf(stderr, format_, sqlite3_errmsg(handle_));
    return false;
  }
  open_ = false;
  return true;
}
