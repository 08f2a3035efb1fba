// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log and the weight unit in the log database.
#include "store/weight-log.h"

#include <sqlite3.h>

#include <cstring>

#include "i18n.h"
#include "store/sql-statement.h"

namespace {

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

// 1 when the table |name| exists, 0 when not, -1 after printing why.
int has_table(sqlite3 *handle, const char *name) {
  StatementPtr stmt = sql_prepare(handle, kHasWeightTableSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, name);
  return sql_step_row(handle, stmt.get());
}

// Reads the weight of |date|: 0 with |*kg|, 1 for none, -1 after printing why.
int read_weight(sqlite3 *handle, const char *date, double *kg) {
  StatementPtr stmt = sql_prepare(handle, kGetWeightSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, date);
  const int found = sql_step_row(handle, stmt.get());
  if (found != 1) return found == 0 ? 1 : -1;
  *kg = sqlite3_column_double(stmt.get(), 0);
  return 0;
}

// Runs one bound write; prints |format| with the connection's message on failure.
int run_write(sqlite3 *handle, sqlite3_stmt *stmt, const char *format) {
  return sql_run(handle, stmt, format) ? 0 : -1;
}

}  // namespace

int weight_log_create(sqlite3 *handle) {
  // A log that may only be read keeps its tables as they are, and says nothing: it has no
  // weights, and a weight logged into it fails with the reason.
  if (has_table(handle, "weight_log") == 1 && has_table(handle, "weight_preferences") == 1)
    return 0;
  if (sqlite3_db_readonly(handle, "main") == 1) return -1;
  for (const char *sql : {kCreateWeightTableSql, kCreateUnitTableSql})
    if (!sql_exec(handle, sql, _("alimora: cannot create weight table: %s\n"))) return -1;
  return 0;
}

int weight_log_set(sqlite3 *handle, const char *date, double kg, WeightChange *change) {
  const char *format = _("alimora: cannot log weight: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  double previous = 0.0;
  const int had = read_weight(handle, date, &previous);
  if (had == -1) return -1;
  StatementPtr stmt = sql_prepare(handle, kSetWeightSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, date);
  sqlite3_bind_double(stmt.get(), 2, kg);
  if (run_write(handle, stmt.get(), format) != 0) return -1;
  stmt.reset();
  if (!transaction.commit()) return -1;
  if (change) {
    change->date = date;
    change->had_weight = had == 0;
    change->previous_kg = had == 0 ? previous : 0.0;
  }
  return 0;
}

int weight_log_restore(sqlite3 *handle, const WeightChange &change) {
  StatementPtr stmt = sql_prepare(handle, change.had_weight ? kSetWeightSql : kDeleteWeightSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, change.date.c_str());
  if (change.had_weight) sqlite3_bind_double(stmt.get(), 2, change.previous_kg);
  return run_write(handle, stmt.get(), _("alimora: cannot log weight: %s\n"));
}

int weight_log_between(sqlite3 *handle, const char *from, const char *to,
                       std::vector<WeightRecord> *out) {
  out->clear();
  const int exists = has_table(handle, "weight_log");
  if (exists != 1) return exists;
  StatementPtr stmt = sql_prepare(handle, kWeightsBetweenSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, from);
  sql_bind_text(stmt.get(), 2, to);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    out->push_back(
        WeightRecord{sql_column_text(stmt.get(), 0), sqlite3_column_double(stmt.get(), 1)});
  }
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
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
  StatementPtr stmt = sql_prepare(handle, kLoadUnitSql);
  if (!stmt) return -1;
  const int found = sql_step_row(handle, stmt.get());
  if (found == 1) *unit = sqlite3_column_int(stmt.get(), 0) == 1 ? 1 : 0;
  return found == -1 ? -1 : 0;
}

int weight_unit_save(sqlite3 *handle, int unit) {
  StatementPtr stmt = sql_prepare(handle, kSaveUnitSql);
  if (!stmt) return -1;
  sqlite3_bind_int(stmt.get(), 1, unit == 1 ? 1 : 0);
  return run_write(handle, stmt.get(), _("alimora: cannot save the weight unit: %s\n"));
}
