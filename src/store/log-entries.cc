// SPDX-License-Identifier: GPL-3.0-or-later
// Food log entries in the log database: adding, changing, deleting and listing them.
#include "store/log-entries.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "i18n.h"
#include "store/sql-statement.h"

namespace {

const char kAddEntrySql[] =
    "INSERT INTO food_log (food_code, description, date, servings) VALUES (?1, ?2, ?3, ?4)";
const char kUpdateEntrySql[] = "UPDATE food_log SET date = ?1, servings = ?2 WHERE id = ?3";
const char kDeleteEntrySql[] = "DELETE FROM food_log WHERE id = ?1";
// A date that is no text (NULL or a blob, from another program) belongs to no day: it
// is listed, once, as the empty date, whose entries it joins.
const char kEntriesForDateSql[] =
    "SELECT id, food_code, description, date, servings FROM food_log WHERE date = ?1 OR "
    "(?1 = '' AND typeof(date) <> 'text') ORDER BY id";
const char kDatesSql[] =
    "SELECT DISTINCT CASE WHEN typeof(date) = 'text' THEN date ELSE '' END AS day FROM food_log "
    "ORDER BY day";

// The first capacity of a list; after that it doubles.
constexpr size_t kFirstCapacity = 32;

// Steps a bound write statement once and finalizes it. On failure prints |format| with
// the connection's message, read after the finalize.
int run_write(sqlite3 *handle, StatementPtr stmt, const char *format) {
  const int rc = sqlite3_step(stmt.get());
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, format, sqlite3_errmsg(handle));
  return -1;
}

// Makes room for one more item in |*items| (|count| used of |*capacity|): 32 first,
// then twice as many. Returns false, with the array untouched, when memory runs out.
template <typename Item>
bool grow_if_full(Item **items, size_t count, size_t *capacity) {
  if (count < *capacity) return true;
  const size_t new_capacity = *capacity == 0 ? kFirstCapacity : *capacity * 2;
  if (new_capacity > SIZE_MAX / sizeof(Item)) return false;
  void *grown = realloc(*items, new_capacity * sizeof(Item));
  if (!grown) return false;
  *items = static_cast<Item *>(grown);
  *capacity = new_capacity;
  return true;
}

}  // namespace

int log_entry_add(sqlite3 *handle, int32_t food_code, const char *description, const char *date,
                  double servings) {
  StatementPtr stmt = sql_prepare(handle, kAddEntrySql);
  if (!stmt) return -1;
  sqlite3_bind_int(stmt.get(), 1, food_code);
  sql_bind_text(stmt.get(), 2, description);
  sql_bind_text(stmt.get(), 3, date);
  sqlite3_bind_double(stmt.get(), 4, servings);
  return run_write(handle, std::move(stmt), _("alimora: cannot add log entry: %s\n"));
}

int log_entry_update(sqlite3 *handle, int64_t id, const char *date, double servings) {
  StatementPtr stmt = sql_prepare(handle, kUpdateEntrySql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, date);
  sqlite3_bind_double(stmt.get(), 2, servings);
  sqlite3_bind_int64(stmt.get(), 3, id);
  return run_write(handle, std::move(stmt), _("alimora: cannot update log entry: %s\n"));
}

int log_entry_delete(sqlite3 *handle, int64_t id) {
  StatementPtr stmt = sql_prepare(handle, kDeleteEntrySql);
  if (!stmt) return -1;
  sqlite3_bind_int64(stmt.get(), 1, id);
  return run_write(handle, std::move(stmt), _("alimora: cannot delete log entry: %s\n"));
}

int log_entries_for_date(sqlite3 *handle, const char *date, LogEntryList *out) {
  *out = LogEntryList{nullptr, 0, 0};
  StatementPtr stmt = sql_prepare(handle, kEntriesForDateSql);
  if (!stmt) return -1;
  sql_bind_text(stmt.get(), 1, date);

  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    const int64_t id = sqlite3_column_int64(stmt.get(), 0);
    const int32_t food_code = sqlite3_column_int(stmt.get(), 1);
    const char *description = sql_column_text(stmt.get(), 2);
    const char *entry_date = sql_column_text(stmt.get(), 3);
    const double servings = sqlite3_column_double(stmt.get(), 4);

    if (!grow_if_full(&out->items, out->count, &out->capacity)) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      log_entry_list_free(out);
      return -1;
    }
    char *description_copy = strdup(description);
    char *date_copy = strdup(entry_date);
    if (!description_copy || !date_copy) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      free(description_copy);
      free(date_copy);
      log_entry_list_free(out);
      return -1;
    }
    out->items[out->count++] = LogEntry{id, food_code, description_copy, date_copy, servings};
  }
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
  log_entry_list_free(out);
  return -1;
}

void log_entry_list_free(LogEntryList *list) {
  if (!list) return;
  for (size_t i = 0; i < list->count; ++i) {
    free(list->items[i].description);
    free(list->items[i].date);
  }
  free(list->items);
  *list = LogEntryList{nullptr, 0, 0};
}

int log_dates(sqlite3 *handle, DateList *out) {
  *out = DateList{nullptr, 0, 0};
  StatementPtr stmt = sql_prepare(handle, kDatesSql);
  if (!stmt) return -1;

  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    const char *date = sql_column_text(stmt.get(), 0);
    if (!grow_if_full(&out->items, out->count, &out->capacity)) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      date_list_free(out);
      return -1;
    }
    char *copy = strdup(date);
    if (!copy) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      date_list_free(out);
      return -1;
    }
    out->items[out->count++] = copy;
  }
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
  date_list_free(out);
  return -1;
}

void date_list_free(DateList *list) {
  if (!list) return;
  for (size_t i = 0; i < list->count; ++i) free(list->items[i]);
  free(list->items);
  *list = DateList{nullptr, 0, 0};
}

namespace {

const char kEntriesBetweenSql[] =
    "SELECT id, food_code, description, date, servings FROM food_log "
    "WHERE date BETWEEN ?1 AND ?2 ORDER BY date, id";
const char kAllEntriesSql[] =
    "SELECT id, food_code, description, date, servings FROM food_log ORDER BY date, id";

}  // namespace

int log_entries_between(sqlite3 *handle, const char *from, const char *to, LogEntryList *out) {
  *out = LogEntryList{nullptr, 0, 0};
  const bool every_entry = !from && !to;
  StatementPtr stmt = sql_prepare(handle, every_entry ? kAllEntriesSql : kEntriesBetweenSql);
  if (!stmt) return -1;
  if (!every_entry) {
    sql_bind_text(stmt.get(), 1, from);
    sql_bind_text(stmt.get(), 2, to);
  }

  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    if (!grow_if_full(&out->items, out->count, &out->capacity)) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      log_entry_list_free(out);
      return -1;
    }
    LogEntry &entry = out->items[out->count];
    entry.id = sqlite3_column_int64(stmt.get(), 0);
    entry.food_code = sqlite3_column_int(stmt.get(), 1);
    entry.description = strdup(sql_column_text(stmt.get(), 2));
    entry.date = strdup(sql_column_text(stmt.get(), 3));
    entry.servings = sqlite3_column_double(stmt.get(), 4);
    if (!entry.description || !entry.date) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      free(entry.description);
      free(entry.date);
      log_entry_list_free(out);
      return -1;
    }
    ++out->count;
  }
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
  log_entry_list_free(out);
  return -1;
}
