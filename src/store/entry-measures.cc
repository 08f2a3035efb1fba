// SPDX-License-Identifier: GPL-3.0-or-later
// The measures entries were logged with, in the log database.
#include "store/entry-measures.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>

#include "i18n.h"
#include "store/sql-statement.h"

namespace {

// The food code is kept with the measure, so that a row of another program's food_log
// that took the id of a deleted entry does not take its measure too.
const char kCreateMeasuresSql[] =
    "CREATE TABLE IF NOT EXISTS entry_measures (entry_id INTEGER PRIMARY KEY, food_code INTEGER "
    "NOT NULL, measure TEXT NOT NULL, measure_g REAL NOT NULL, count REAL NOT NULL)";
// Measures of entries that another program deleted: looked for first, so that a start
// writes nothing (and waits for no other writer) when there are none.
const char kAnyGoneSql[] =
    "SELECT 1 FROM entry_measures WHERE NOT EXISTS (SELECT 1 FROM food_log WHERE id = "
    "entry_id) LIMIT 1";
const char kForgetGoneSql[] =
    "DELETE FROM entry_measures WHERE NOT EXISTS (SELECT 1 FROM food_log WHERE id = entry_id)";
const char kHasMeasuresSql[] =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'entry_measures'";
const char kPutMeasureSql[] =
    "INSERT OR REPLACE INTO entry_measures (entry_id, food_code, measure, measure_g, count) "
    "VALUES (?1, ?2, ?3, ?4, ?5)";
const char kForgetMeasureSql[] = "DELETE FROM entry_measures WHERE entry_id = ?1";
const char kCopyMeasureSql[] =
    "INSERT OR REPLACE INTO entry_measures (entry_id, food_code, measure, measure_g, count) "
    "SELECT ?2, food_code, measure, measure_g, count FROM entry_measures WHERE entry_id = ?1";
const char kGetMeasureSql[] =
    "SELECT food_code, measure, measure_g, count FROM entry_measures WHERE entry_id = ?1";

// 1 when the log has the table, 0 when not, -1 after printing why.
int has_table(sqlite3 *handle) {
  StatementPtr stmt = sql_prepare(handle, kHasMeasuresSql);
  return stmt ? sql_step_row(handle, stmt.get()) : -1;
}

// Runs a bound write; prints |format| with the connection's message when it fails.
int run_write(sqlite3 *handle, sqlite3_stmt *stmt, const char *format) {
  return sql_run(handle, stmt, format) ? 0 : -1;
}

const char *cannot_keep_format() {
  // Translators: %s is SQLite's reason
  return _("alimora: cannot keep the measure of a log entry: %s\n");
}

bool has_measure(const EntryMeasure *measure) {
  return measure && !measure->measure.empty() && std::isfinite(measure->measure_g) &&
         measure->measure_g > 0 && std::isfinite(measure->count) && measure->count > 0;
}

// The measure of a row of kGetMeasureSql.
EntryMeasure measure_of_row(sqlite3_stmt *stmt) {
  EntryMeasure kept;
  kept.measure = sql_column_text(stmt, 1);
  kept.measure_g = sqlite3_column_double(stmt, 2);
  kept.count = sqlite3_column_double(stmt, 3);
  return kept;
}

}  // namespace

bool entry_measure_fits(const EntryMeasure &measure, double servings) {
  if (!has_measure(&measure) || !std::isfinite(servings)) return false;
  // Amounts are stored to the whole gram: half a gram either way is the same amount.
  return std::fabs(measure.count * measure.measure_g - servings * 100.0) <= 0.5 + 1e-9;
}

int entry_measures_create(sqlite3 *handle) {
  const int present = has_table(handle);
  if (present == -1) return -1;
  if (sqlite3_db_readonly(handle, "main") == 1) return present == 1 ? 0 : -1;
  if (present == 1) {
    StatementPtr any = sql_prepare(handle, kAnyGoneSql);
    if (!any) return -1;
    const int gone = sql_step_row(handle, any.get());
    if (gone != 1) return gone;
  }
  // Translators: %s is SQLite's reason
  const char *format = _("alimora: cannot create measure table: %s\n");
  return sql_exec(handle, present == 1 ? kForgetGoneSql : kCreateMeasuresSql, format) ? 0 : -1;
}

int entry_measure_put(sqlite3 *handle, int64_t entry_id, int32_t food_code, const char *measure,
                      double measure_g, double count) {
  StatementPtr stmt = sql_prepare(handle, kPutMeasureSql);
  if (!stmt) return -1;
  sqlite3_bind_int64(stmt.get(), 1, entry_id);
  sqlite3_bind_int(stmt.get(), 2, food_code);
  sqlite3_bind_text(stmt.get(), 3, measure ? measure : "", -1, SQLITE_TRANSIENT);
  sqlite3_bind_double(stmt.get(), 4, measure_g);
  sqlite3_bind_double(stmt.get(), 5, count);
  return run_write(handle, stmt.get(), cannot_keep_format());
}

int entry_measure_forget(sqlite3 *handle, int64_t entry_id) {
  const int present = has_table(handle);
  if (present != 1) return present;
  StatementPtr stmt = sql_prepare(handle, kForgetMeasureSql);
  if (!stmt) return -1;
  sqlite3_bind_int64(stmt.get(), 1, entry_id);
  return run_write(handle, stmt.get(), cannot_keep_format());
}

int entry_measure_copy(sqlite3 *handle, int64_t from, int64_t to, bool move) {
  const int present = has_table(handle);
  if (present != 1) return present;
  StatementPtr stmt = sql_prepare(handle, kCopyMeasureSql);
  if (!stmt) return -1;
  sqlite3_bind_int64(stmt.get(), 1, from);
  sqlite3_bind_int64(stmt.get(), 2, to);
  if (run_write(handle, stmt.get(), cannot_keep_format()) != 0) return -1;
  return move && from != to ? entry_measure_forget(handle, from) : 0;
}

int entry_measure_get(sqlite3 *handle, int64_t entry_id, int32_t food_code, double servings,
                      EntryMeasure *out) {
  *out = EntryMeasure{};
  const int present = has_table(handle);
  if (present != 1) return present == 0 ? 1 : -1;
  StatementPtr stmt = sql_prepare(handle, kGetMeasureSql);
  if (!stmt) return -1;
  sqlite3_bind_int64(stmt.get(), 1, entry_id);
  const int found = sql_step_row(handle, stmt.get());
  if (found != 1) return found == 0 ? 1 : -1;
  const EntryMeasure kept = measure_of_row(stmt.get());
  if (sqlite3_column_int(stmt.get(), 0) != food_code || !entry_measure_fits(kept, servings)) return 1;
  *out = kept;
  return 0;
}

int entry_measures_of(sqlite3 *handle, const LogEntryList *entries, std::vector<EntryMeasure> *out) {
  out->assign(entries ? entries->count : 0, EntryMeasure{});
  if (!entries || entries->count == 0) return 0;
  const int present = has_table(handle);
  if (present != 1) return present;
  StatementPtr stmt = sql_prepare(handle, kGetMeasureSql);
  if (!stmt) return -1;
  for (size_t i = 0; i < entries->count; i++) {
    const LogEntry &entry = entries->items[i];
    sqlite3_reset(stmt.get());
    sqlite3_bind_int64(stmt.get(), 1, entry.id);
    const int found = sql_step_row(handle, stmt.get());
    if (found == 0) continue;
    if (found != 1) {
      out->assign(entries->count, EntryMeasure{});
      return -1;
    }
    const EntryMeasure kept = measure_of_row(stmt.get());
    if (sqlite3_column_int(stmt.get(), 0) == entry.food_code &&
        entry_measure_fits(kept, entry.servings))
      (*out)[i] = kept;
  }
  return 0;
}

int log_entry_add_measured(sqlite3 *handle, int32_t food_code, const char *description,
                           const char *date, double servings, const EntryMeasure *measure,
                           int64_t *id) {
  if (id) *id = 0;
  SqlWriteTransaction transaction(handle, _("alimora: cannot add log entry: %s\n"),
                                  SqlWriteTransaction::kJoin);
  if (!transaction.ok()) return -1;
  if (log_entry_add(handle, food_code, description, date, servings) != 0) return -1;
  const int64_t added = sqlite3_last_insert_rowid(handle);
  // An id another program's food_log gave again may still have a measure of its own.
  const int kept = has_measure(measure)
                       ? entry_measure_put(handle, added, food_code, measure->measure.c_str(),
                                           measure->measure_g, measure->count)
                       : entry_measure_forget(handle, added);
  if (kept != 0 || !transaction.commit()) return -1;
  if (id) *id = added;
  return 0;
}

int log_entry_update_measured(sqlite3 *handle, int64_t id, int32_t food_code, const char *date,
                              double servings, const EntryMeasure *measure) {
  SqlWriteTransaction transaction(handle, _("alimora: cannot update log entry: %s\n"),
                                  SqlWriteTransaction::kJoin);
  if (!transaction.ok()) return -1;
  if (log_entry_update(handle, id, date, servings) != 0) return -1;
  const int kept = has_measure(measure)
                       ? entry_measure_put(handle, id, food_code, measure->measure.c_str(),
                                           measure->measure_g, measure->count)
                       : entry_measure_forget(handle, id);
  if (kept != 0) return -1;
  return transaction.commit() ? 0 : -1;
}

int log_entry_delete_measured(sqlite3 *handle, int64_t id) {
  SqlWriteTransaction transaction(handle, _("alimora: cannot delete log entry: %s\n"),
                                  SqlWriteTransaction::kJoin);
  if (!transaction.ok()) return -1;
  if (log_entry_delete(handle, id) != 0 || entry_measure_forget(handle, id) != 0) return -1;
  return transaction.commit() ? 0 : -1;
}
