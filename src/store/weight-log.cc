// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log and the weight unit in the log database.
#include "store/weight-log.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "i18n.h"

namespace {

struct StatementFinalizer {
  void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

const char kCreateWeightTableSql[] =
    "CREATE TABLE IF NOT EXISTS weight_log (date TEXT PRIMARY KEY, kg REAL NOT NULL)";
const char kCreateUnitTableSql[] =
    "CREATE TABLE IF NOT EXISTS weight_preferences (id INTEGER PRIMARY KEY CHECK (id = 1), "
    "unit INTEGER NOT NULL)";
const char kHasWeightTableSql[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1";
const char kGetWeightSql[] = "SELECT kg FROM weight_log WHERE date = ?1";
const char kSetWeightSql[] = "INSERT OR REPLACE INTO weight_log (date, kg) VALUES (?1, ?2)";
const char kDeleteWeightSql[] = "DELETE FROM weight_log WHERE date = ?1";
const char kWeightsBetweenSql[] =
    "SELECT date, kg FROM weight_log WHERE (?1 IS NULL OR date >= ?1) AND (?2 IS NULL OR date "
    "<= ?2) ORDER BY date";
const char kLoadUnitSql[] = "SELECT unit FROM weight_preferences WHERE id = 1";
const char kSaveUnitSql[] = "INSERT OR REPLACE INTO weight_preferences (id, unit) VALUES (1, ?1)";

StatementPtr prepare(sqlite3 *handle, const char *sql) {
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr) != SQLITE_OK) {
    fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return StatementPtr(stmt);
}

void bind_text(sqlite3_stmt *stmt, int index, const char *text) {
  if (text)
    sqlite3_bind_text(stmt, index, text, -1, SQLITE_TRANSIENT);
  else
    sqlite3_bind_null(stmt, index);
}

// 1 when the table |name| exists, 0 when not, -1 after printing why.
int has_table(sqlite3 *handle, const char *name) {
  StatementPtr stmt = prepare(handle, kHasWeightTableSql);
  if (!stmt) return -1;
  bind_text(stmt.get(), 1, name);
  const int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_ROW) return 1;
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
  return -1;
}

// Reads the weight of |date|: 0 with |*kg|, 1 for none, -1 after printing why.
int read_weight(sqlite3 *handle, const char *date, double *kg) {
  StatementPtr stmt = prepare(handle, kGetWeightSql);
  if (!stmt) return -1;
  bind_text(stmt.get(), 1, date);
  const int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_ROW) {
    *kg = sqlite3_column_double(stmt.get(), 0);
    return 0;
  }
  if (rc == SQLITE_DONE) return 1;
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
  return -1;
}

// Runs one bound write; prints |format| with the connection's message on failure.
int run_write(sqlite3 *handle, sqlite3_stmt *stmt, const char *format) {
  if (sqlite3_step(stmt) == SQLITE_DONE) return 0;
  fprintf(stderr, format, sqlite3_errmsg(handle));
  return -1;
}

// A write transaction that takes the write lock at once (waiting for other writers through
// the busy timeout) and rolls back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(sqlite3 *handle) : handle_(handle) {
    open_ = sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~WriteTransaction() {
    if (open_) sqlite3_exec(handle_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  bool open() const { return open_; }
  bool commit() {
    if (!open_) return false;
    if (sqlite3_exec(handle_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    open_ = false;
    return true;
  }

 private:
  sqlite3 *handle_;
  bool open_ = false;
};

}  // namespace

int weight_log_create(sqlite3 *handle) {
  // A log that may only be read keeps its tables as they are, and says nothing: it has no
  // weights, and a weight logged into it fails with the reason.
  if (has_table(handle, "weight_log") == 1 && has_table(handle, "weight_preferences") == 1)
    return 0;
  if (sqlite3_db_readonly(handle, "main") == 1) return -1;
  for (const char *sql : {kCreateWeightTableSql, kCreateUnitTableSql}) {
    char *error = nullptr;
    if (sqlite3_exec(handle, sql, nullptr, nullptr, &error) != SQLITE_OK) {
      fprintf(stderr, _("alimora: cannot create weight table: %s\n"),
              error ? error : sqlite3_errmsg(handle));
      sqlite3_free(error);
      return -1;
    }
  }
  return 0;
}

int weight_log_set(sqlite3 *handle, const char *date, double kg, WeightChange *change) {
  WriteTransaction transaction(handle);
  if (!transaction.open()) {
    fprintf(stderr, _("alimora: cannot log weight: %s\n"), sqlite3_errmsg(handle));
    return -1;
  }
  double previous = 0.0;
  const int had = read_weight(handle, date, &previous);
  if (had == -1) return -1;
  StatementPtr stmt = prepare(handle, kSetWeightSql);
  if (!stmt) return -1;
  bind_text(stmt.get(), 1, date);
  sqlite3_bind_double(stmt.get(), 2, kg);
  if (run_write(handle, stmt.get(), _("alimora: cannot log weight: %s\n")) != 0) return -1;
  stmt.reset();
  if (!transaction.commit()) {
    fprintf(stderr, _("alimora: cannot log weight: %s\n"), sqlite3_errmsg(handle));
    return -1;
  }
  if (change) {
    change->date = date;
    change->had_weight = had == 0;
    change->previous_kg = had == 0 ? previous : 0.0;
  }
  return 0;
}

int weight_log_restore(sqlite3 *handle, const WeightChange &change) {
  StatementPtr stmt = prepare(handle, change.had_weight ? kSetWeightSql : kDeleteWeightSql);
  if (!stmt) return -1;
  bind_text(stmt.get(), 1, change.date.c_str());
  if (change.had_weight) sqlite3_bind_double(stmt.get(), 2, change.previous_kg);
  return run_write(handle, stmt.get(), _("alimora: cannot log weight: %s\n"));
}

int weight_log_between(sqlite3 *handle, const char *from, const char *to,
                       std::vector<WeightRecord> *out) {
  out->clear();
  const int exists = has_table(handle, "weight_log");
  if (exists != 1) return exists;
  StatementPtr stmt = prepare(handle, kWeightsBetweenSql);
  if (!stmt) return -1;
  bind_text(stmt.get(), 1, from);
  bind_text(stmt.get(), 2, to);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    const unsigned char *date = sqlite3_column_text(stmt.get(), 0);
    out->push_back(WeightRecord{date ? reinterpret_cast<const char *>(date) : "",
                                sqlite3_column_double(stmt.get(), 1)});
  }
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
  out->clear();
  return -1;
}

int weight_log_get(sqlite3 *handle, const char *date, double *kg) {
  const int exists = has_table(handle, "weight_log");
  if (exists != 1) return exists == 0 ? 1 : -1;
  return read_weight(handle, date, kg);
}

int weight_unit_load(sqlite3 *handle, int *unit) {
  *unit = 0;
  const int exists = has_table(handle, "weight_preferences");
  if (exists != 1) return exists;
  StatementPtr stmt = prepare(handle, kLoadUnitSql);
  if (!stmt) return -1;
  const int rc = sqlite3_step(stmt.get());
  if (rc == SQLITE_ROW) {
    *unit = sqlite3_column_int(stmt.get(), 0) == 1 ? 1 : 0;
    return 0;
  }
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
  return -1;
}

int weight_unit_save(sqlite3 *handle, int unit) {
  StatementPtr stmt = prepare(handle, kSaveUnitSql);
  if (!stmt) return -1;
  sqlite3_bind_int(stmt.get(), 1, unit == 1 ? 1 : 0);
  return run_write(handle, stmt.get(), _("alimora: cannot save the weight unit: %s\n"));
}
