// SPDX-License-Identifier: GPL-3.0-or-later
// The small SQLite helpers the log store shares: a statement that finalizes itself, its
// preparation with the SQL error line, one write step, and a write transaction. Internal to
// src/store (and the food database code that links it); no program text calls it.
#pragma once

#include <sqlite3.h>

#include <memory>

// Finalizes a prepared statement when its owner goes out of scope.
struct StatementFinalizer {
  void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prints "alimora: SQL error: " with the connection's message.
void sql_report_error(sqlite3 *handle);

// Prepares |sql| without a message: null when it cannot be prepared (the reason is then the
// connection's message).
StatementPtr sql_try_prepare(sqlite3 *handle, const char *sql);

// Prepares |sql|: null, after sql_report_error, when it cannot be prepared.
StatementPtr sql_prepare(sqlite3 *handle, const char *sql);

// Steps a query once: 1 when it gives a row, 0 when none, -1 after sql_report_error.
int sql_step_row(sqlite3 *handle, sqlite3_stmt *stmt);

// Steps a bound write once: true when it ran to its end, else false after printing |format|
// (one %s) with the connection's message. The statement stays prepared.
bool sql_run(sqlite3 *handle, sqlite3_stmt *stmt, const char *format);

// Runs |sql| (a table definition, say): true, or false after printing |format| (one %s)
// with SQLite's error text.
bool sql_exec(sqlite3 *handle, const char *sql, const char *format);

// Forgets why the last rolled-back write of |handle| failed (it is being closed).
void sql_forget_failure(sqlite3 *handle);

// Binds a text parameter; a null text binds SQL NULL.
void sql_bind_text(sqlite3_stmt *stmt, int index, const char *text);

// The text of a column, the empty text for NULL.
const char *sql_column_text(sqlite3_stmt *stmt, int column);

// A write transaction: BEGIN IMMEDIATE takes the write lock at once (waiting for another
// connection's through the connection's busy handler, as one statement would), and what is
// not committed is rolled back when it goes out of scope; the reason a write failed is then
// kept for log_db_error_text, as the rollback leaves the connection's message empty.
// Statements it holds should be finalized before the commit.
class SqlWriteTransaction {
 public:
  enum Mode {
    kOwn,   // always begins its own; inside the caller's transaction that fails
    kJoin,  // inside the caller's transaction writes into it, leaving it to the caller
  };
  // Begins; prints |format| (one %s) with the connection's message when it cannot.
  SqlWriteTransaction(sqlite3 *handle, const char *format, Mode mode = kOwn);
  ~SqlWriteTransaction();
  SqlWriteTransaction(const SqlWriteTransaction &) = delete;
  SqlWriteTransaction &operator=(const SqlWriteTransaction &) = delete;

  // Whether the writes may go ahead: the transaction began, or the caller's is joined.
  bool ok() const { return ok_; }
  // Commits: true when the writes are in the log (a joined transaction's are the caller's
  // to commit), else false after printing |format| with the connection's message.
  bool commit();

 private:
  sqlite3 *handle_;
  const char *format_;
  Mode mode_;
  bool ok_ = false;
  bool open_ = false;  // begun here and neither committed nor rolled back
};
