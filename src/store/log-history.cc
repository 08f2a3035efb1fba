// SPDX-License-Identifier: GPL-3.0-or-later
// The person's foods as the food log has them, and the quick log's writes and their undo.
#include "store/log-history.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "i18n.h"
#include "store/log-entries.h"

namespace {

// SQLite takes the other columns of a group from the row that holds its max(id): the last
// entry of each food.
const char kFoodUsesSql[] =
    "SELECT food_code, description, date, servings, max(id), count(*) FROM food_log "
    "GROUP BY food_code ORDER BY max(id) DESC";
const char kCopyDateSql[] =
    "INSERT INTO food_log (food_code, description, date, servings) "
    "SELECT food_code, description, ?2, servings FROM food_log WHERE date = ?1 ORDER BY id";
const char kDeleteRangeSql[] = "DELETE FROM food_log WHERE id BETWEEN ?1 AND ?2";
const char kDataVersionSql[] = "PRAGMA data_version";

constexpr size_t kFirstCapacity = 32;

void report_sql_error(sqlite3 *handle) {
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
}

void report_memory_exhausted() { fprintf(stderr, "%s", _("alimora: memory exhausted\n")); }

const char *column_text(sqlite3_stmt *stmt, int column) {
  const unsigned char *text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char *>(text) : "";
}

bool make_room(FoodUseList *list) {
  if (list->count < list->capacity) return true;
  const size_t grown = list->capacity == 0 ? kFirstCapacity : list->capacity * 2;
  if (grown > SIZE_MAX / sizeof(FoodUse)) return false;
  void *larger = realloc(list->items, grown * sizeof(FoodUse));
  if (!larger) return false;
  list->items = static_cast<FoodUse *>(larger);
  list->capacity = grown;
  return true;
}

// Steps a bound write once and finalizes it; prints |format| with the connection's message
// when it does not complete.
int run_write(sqlite3 *handle, sqlite3_stmt *stmt, const char *format) {
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, format, sqlite3_errmsg(handle));
  return -1;
}

// The ids of the rows that the write just completed on |handle| added: SQLite numbers the
// rows of one statement one after another, and nothing else writes in between.
LogIdRange added_rows(sqlite3 *handle) {
  const int changes = sqlite3_changes(handle);
  if (changes <= 0) return LogIdRange{0, 0, 0};
  const int64_t last = sqlite3_last_insert_rowid(handle);
  return LogIdRange{last - changes + 1, last, static_cast<size_t>(changes)};
}

}  // namespace

int log_food_uses(sqlite3 *handle, FoodUseList *out) {
  *out = FoodUseList{nullptr, 0, 0};
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kFoodUsesSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    sqlite3_finalize(stmt);
    return -1;
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (!make_room(out)) {
      report_memory_exhausted();
      sqlite3_finalize(stmt);
      food_use_list_free(out);
      return -1;
    }
    FoodUse &use = out->items[out->count];
    use.food_code = sqlite3_column_int(stmt, 0);
    use.description = strdup(column_text(stmt, 1));
    use.last_date = strdup(column_text(stmt, 2));
    use.last_servings = sqlite3_column_double(stmt, 3);
    use.last_id = sqlite3_column_int64(stmt, 4);
    const sqlite3_int64 count = sqlite3_column_int64(stmt, 5);
    use.count = count > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(count);
    if (!use.description || !use.last_date) {
      free(use.description);
      free(use.last_date);
      report_memory_exhausted();
      sqlite3_finalize(stmt);
      food_use_list_free(out);
      return -1;
    }
    out->count++;
  }
  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE) return 0;
  report_sql_error(handle);
  food_use_list_free(out);
  return -1;
}

void food_use_list_free(FoodUseList *list) {
  if (!list) return;
  for (size_t i = 0; i < list->count; i++) {
    free(list->items[i].description);
    free(list->items[i].last_date);
  }
  free(list->items);
  *list = FoodUseList{nullptr, 0, 0};
}

int log_entry_add_kept(sqlite3 *handle, int32_t food_code, const char *description,
                       const char *date, double servings, LogIdRange *added) {
  *added = LogIdRange{0, 0, 0};
  if (log_entry_add(handle, food_code, description, date, servings) != 0) return -1;
  const int64_t id = sqlite3_last_insert_rowid(handle);
  *added = LogIdRange{id, id, 1};
  return 0;
}

int log_entries_copy_date(sqlite3 *handle, const char *from, const char *to, LogIdRange *added) {
  *added = LogIdRange{0, 0, 0};
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kCopyDateSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    sqlite3_finalize(stmt);
    return -1;
  }
  sqlite3_bind_text(stmt, 1, from, -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt, 2, to, -1, SQLITE_TRANSIENT);
  if (run_write(handle, stmt, _("alimora: cannot copy log entries: %s\n")) != 0) return -1;
  *added = added_rows(handle);
  return 0;
}

int log_entries_delete_range(sqlite3 *handle, const LogIdRange *range) {
  if (range->count == 0) return 0;
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kDeleteRangeSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    sqlite3_finalize(stmt);
    return -1;
  }
  sqlite3_bind_int64(stmt, 1, range->first);
  sqlite3_bind_int64(stmt, 2, range->last);
  return run_write(handle, stmt, _("alimora: cannot delete log entries: %s\n"));
}

int log_stamp_read(sqlite3 *handle, LogStamp *out) {
  *out = LogStamp{0, 0};
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kDataVersionSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    sqlite3_finalize(stmt);
    return -1;
  }
  const int rc = sqlite3_step(stmt);
  const int64_t version = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW) {
    report_sql_error(handle);
    return -1;
  }
  *out = LogStamp{sqlite3_total_changes64(handle), version};
  return 0;
}
