// SPDX-License-Identifier: GPL-3.0-or-later
// The person's foods as the food log has them, and the quick log's writes and their undo.
#include "store/log-history.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "i18n.h"
#include "store/entry-measures.h"
#include "store/log-entries.h"
#include "store/sql-statement.h"

namespace {

// SQLite takes the other columns of a group from the row that holds its max(id): the last
// entry of each food.
const char kFoodUsesSql[] =
    "SELECT food_code, description, date, servings, max(id), count(*) FROM food_log "
    "GROUP BY food_code ORDER BY max(id) DESC";
const char kDayEntriesSql[] =
    "SELECT id, food_code, description, servings FROM food_log WHERE date = ?1 ORDER BY id";
const char kAddEntrySql[] =
    "INSERT INTO food_log (food_code, description, date, servings) VALUES (?1, ?2, ?3, ?4)";
// A row is taken back only while it is the one written: another tool's food_log without
// AUTOINCREMENT gives a deleted row's id to the next row it adds.
const char kTakeBackSql[] =
    "DELETE FROM food_log WHERE id = ?1 AND food_code = ?2 AND date = ?3 AND servings = ?4";
const char kDataVersionSql[] = "PRAGMA data_version";
const char kFoodLoggedSql[] = "SELECT 1 FROM food_log WHERE food_code = ?1 LIMIT 1";

constexpr size_t kFirstCapacity = 32;

void report_memory_exhausted() { fprintf(stderr, "%s", _("alimora: memory exhausted\n")); }

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

// Whether the entries of |date| are exactly |shown|; false, with |*failed| set after a
// message, when they cannot be read.
bool day_is_as_shown(sqlite3 *handle, const char *date, const LogEntryList *shown, bool *failed) {
  *failed = false;
  StatementPtr stmt = sql_prepare(handle, kDayEntriesSql);
  if (!stmt) {
    *failed = true;
    return false;
  }
  sqlite3_bind_text(stmt.get(), 1, date, -1, SQLITE_TRANSIENT);
  size_t i = 0;
  bool same = true;
  int rc = SQLITE_DONE;
  while (same && (rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    if (i >= shown->count) {
      same = false;
      break;
    }
    const LogEntry &entry = shown->items[i++];
    same = sqlite3_column_int64(stmt.get(), 0) == entry.id &&
           sqlite3_column_int(stmt.get(), 1) == entry.food_code &&
           strcmp(sql_column_text(stmt.get(), 2), entry.description) == 0 &&
           sqlite3_column_double(stmt.get(), 3) == entry.servings;
  }
  if (same && rc != SQLITE_DONE) {
    sql_report_error(handle);
    *failed = true;
    same = false;
  }
  return same && i == shown->count;
}

// Inserts |entry| on |date| with the prepared insert |stmt|; returns the new id, or 0 after
// printing why.
int64_t insert_entry(sqlite3 *handle, sqlite3_stmt *stmt, const LogEntry &entry, const char *date) {
  sqlite3_reset(stmt);
  sqlite3_bind_int(stmt, 1, entry.food_code);
  sqlite3_bind_text(stmt, 2, entry.description, -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt, 3, date, -1, SQLITE_TRANSIENT);
  sqlite3_bind_double(stmt, 4, entry.servings);
  if (!sql_run(handle, stmt, _("alimora: cannot add log entry: %s\n"))) return 0;
  return sqlite3_last_insert_rowid(handle);
}

// Reads the stamp of the log now without a message: false (|*out| zero) when it cannot be
// read.
bool read_stamp(sqlite3 *handle, LogStamp *out) {
  *out = LogStamp{0, 0};
  StatementPtr stmt = sql_try_prepare(handle, kDataVersionSql);
  if (!stmt) return false;
  const int rc = sqlite3_step(stmt.get());
  const int64_t version = rc == SQLITE_ROW ? sqlite3_column_int64(stmt.get(), 0) : 0;
  stmt.reset();
  if (rc != SQLITE_ROW) return false;
  *out = LogStamp{sqlite3_total_changes64(handle), version};
  return true;
}

}  // namespace

int log_food_uses(sqlite3 *handle, FoodUseList *out) {
  *out = FoodUseList{nullptr, 0, 0};
  StatementPtr stmt = sql_prepare(handle, kFoodUsesSql);
  if (!stmt) return -1;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    if (!make_room(out)) {
      report_memory_exhausted();
      food_use_list_free(out);
      return -1;
    }
    FoodUse &use = out->items[out->count];
    use.food_code = sqlite3_column_int(stmt.get(), 0);
    use.description = strdup(sql_column_text(stmt.get(), 1));
    use.last_date = strdup(sql_column_text(stmt.get(), 2));
    use.last_servings = sqlite3_column_double(stmt.get(), 3);
    use.last_id = sqlite3_column_int64(stmt.get(), 4);
    const sqlite3_int64 count = sqlite3_column_int64(stmt.get(), 5);
    use.count = count > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(count);
    if (!use.description || !use.last_date) {
      free(use.description);
      free(use.last_date);
      report_memory_exhausted();
      food_use_list_free(out);
      return -1;
    }
    out->count++;
  }
  stmt.reset();
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(handle);
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

int log_food_logged(sqlite3 *handle, int32_t food_code) {
  StatementPtr stmt = sql_prepare(handle, kFoodLoggedSql);
  if (!stmt) return -1;
  sqlite3_bind_int(stmt.get(), 1, food_code);
  return sql_step_row(handle, stmt.get());
}

int log_entry_add_kept(sqlite3 *handle, int32_t food_code, const char *description,
                       const char *date, double servings, LogIdRange *added) {
  *added = LogIdRange{0, 0, 0};
  if (log_entry_add(handle, food_code, description, date, servings) != 0) return -1;
  const int64_t id = sqlite3_last_insert_rowid(handle);
  *added = LogIdRange{id, id, 1};
  return 0;
}

bool log_entry_list_append(LogEntryList *list, const LogEntry &entry) {
  if (list->count == list->capacity) {
    const size_t grown = list->capacity == 0 ? kFirstCapacity : list->capacity * 2;
    void *larger =
        grown > SIZE_MAX / sizeof(LogEntry) ? nullptr : realloc(list->items, grown * sizeof(LogEntry));
    if (!larger) return false;
    list->items = static_cast<LogEntry *>(larger);
    list->capacity = grown;
  }
  char *description = strdup(entry.description ? entry.description : "");
  char *date = strdup(entry.date ? entry.date : "");
  if (!description || !date) {
    free(description);
    free(date);
    return false;
  }
  list->items[list->count++] = LogEntry{entry.id, entry.food_code, description, date, entry.servings};
  return true;
}

int log_entries_copy_shown(sqlite3 *handle, const char *from, const LogEntryList *shown,
                           const char *to, LogEntryList *copies) {
  *copies = LogEntryList{nullptr, 0, 0};
  const char *format = _("alimora: cannot copy log entries: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  bool failed = false;
  if (!day_is_as_shown(handle, from, shown, &failed)) return failed ? -1 : 1;
  StatementPtr stmt = sql_prepare(handle, kAddEntrySql);
  bool ok = stmt != nullptr;
  for (size_t i = 0; ok && i < shown->count; i++) {
    LogEntry copy = shown->items[i];
    copy.date = const_cast<char *>(to);
    copy.id = insert_entry(handle, stmt.get(), copy, to);
    // The copy is logged in the measure the entry was.
    ok = copy.id != 0 && entry_measure_copy(handle, shown->items[i].id, copy.id, false) == 0;
    if (ok && !log_entry_list_append(copies, copy)) {
      report_memory_exhausted();
      ok = false;
    }
  }
  stmt.reset();
  if (ok && transaction.commit()) return 0;
  log_entry_list_free(copies);
  return -1;
}

int log_entries_take_back(sqlite3 *handle, const LogEntryList *written, bool *taken) {
  for (size_t i = 0; i < written->count; i++) taken[i] = false;
  if (written->count == 0) return 0;
  const char *format = _("alimora: cannot delete log entries: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  StatementPtr stmt = sql_prepare(handle, kTakeBackSql);
  bool ok = stmt != nullptr;
  for (size_t i = 0; ok && i < written->count; i++) {
    const LogEntry &entry = written->items[i];
    sqlite3_reset(stmt.get());
    sqlite3_bind_int64(stmt.get(), 1, entry.id);
    sqlite3_bind_int(stmt.get(), 2, entry.food_code);
    sqlite3_bind_text(stmt.get(), 3, entry.date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(stmt.get(), 4, entry.servings);
    ok = sql_run(handle, stmt.get(), format);
    taken[i] = ok && sqlite3_changes(handle) > 0;
  }
  stmt.reset();
  if (ok && transaction.commit()) return 0;
  for (size_t i = 0; i < written->count; i++) taken[i] = false;
  return -1;
}

int log_entries_put_back(sqlite3 *handle, LogEntryList *entries) {
  if (entries->count == 0) return 0;
  const char *format = _("alimora: cannot add log entry: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  StatementPtr stmt = sql_prepare(handle, kAddEntrySql);
  bool ok = stmt != nullptr;
  std::vector<int64_t> ids;
  for (size_t i = 0; ok && i < entries->count; i++) {
    const int64_t id = insert_entry(handle, stmt.get(), entries->items[i], entries->items[i].date);
    // Taking an entry back left its measure under its old id, which no entry takes again.
    ok = id != 0 && entry_measure_copy(handle, entries->items[i].id, id, true) == 0;
    ids.push_back(id);
  }
  stmt.reset();
  if (!ok || !transaction.commit()) return -1;
  for (size_t i = 0; i < entries->count; i++) entries->items[i].id = ids[i];
  return 0;
}

int log_stamp_read(sqlite3 *handle, LogStamp *out) {
  if (read_stamp(handle, out)) return 0;
  sql_report_error(handle);
  return -1;
}

bool log_was_busy(sqlite3 *handle) {
  const int code = sqlite3_errcode(handle) & 0xff;
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

int log_stamp_try(sqlite3 *handle, LogStamp *out) {
  if (read_stamp(handle, out)) return 0;
  if (log_was_busy(handle)) return 1;
  sql_report_error(handle);
  return -1;
}

int log_entries_for_date_kept(sqlite3 *handle, const char *date, LogDayRead *kept,
                              LogEntryList *out) {
  log_day_read_free(kept);
  LogStamp stamp{0, 0};
  const bool stamped = read_stamp(handle, &stamp);
  const int rc = log_entries_for_date(handle, date, out);
  if (rc != 0 || !stamped) return rc;
  LogEntryList copy{nullptr, 0, 0};
  if (out->count > 0) {
    copy.items = static_cast<LogEntry *>(calloc(out->count, sizeof(LogEntry)));
    if (!copy.items) return rc;
    copy.capacity = out->count;
  }
  for (size_t i = 0; i < out->count; i++) {
    const LogEntry &entry = out->items[i];
    char *description = strdup(entry.description);
    char *entry_date = strdup(entry.date);
    if (!description || !entry_date) {
      free(description);
      free(entry_date);
      log_entry_list_free(&copy);
      return rc;
    }
    copy.items[copy.count++] =
        LogEntry{entry.id, entry.food_code, description, entry_date, entry.servings};
  }
  kept->date = strdup(date);
  if (!kept->date) {
    log_entry_list_free(&copy);
    return rc;
  }
  kept->stamp = stamp;
  kept->entries = copy;
  return rc;
}

const LogEntryList *log_day_read_find(sqlite3 *handle, const LogDayRead *kept, const char *date) {
  if (!kept || !kept->date || strcmp(kept->date, date) != 0) return nullptr;
  LogStamp now{0, 0};
  if (!read_stamp(handle, &now)) return nullptr;
  if (now.changes != kept->stamp.changes || now.version != kept->stamp.version) return nullptr;
  return &kept->entries;
}

void log_day_read_free(LogDayRead *kept) {
  if (!kept) return;
  free(kept->date);
  log_entry_list_free(&kept->entries);
  *kept = LogDayRead{nullptr, LogStamp{0, 0}, LogEntryList{nullptr, 0, 0}};
}

struct LogDateIndex {
  bool read = false;    // |ids| and |stamp| hold a pass over the log
  bool usable = false;  // every date was text: text order is the index's order
  LogStamp stamp{0, 0};
  std::map<std::string, std::vector<int64_t>> ids;  // date -> ids of its entries, ascending
};

namespace {

const char kDateIdsSql[] = "SELECT id, date FROM food_log ORDER BY id";
const char kEntryByIdSql[] =
    "SELECT id, food_code, description, date, servings FROM food_log WHERE id = ?1";

// One pass over the log: the ids of each date. Returns false after printing why.
bool read_date_index(sqlite3 *handle, LogDateIndex *index) {
  index->read = false;
  index->usable = false;
  index->ids.clear();
  if (!read_stamp(handle, &index->stamp)) {
    sql_report_error(handle);
    return false;
  }
  StatementPtr stmt = sql_prepare(handle, kDateIdsSql);
  if (!stmt) return false;
  bool usable = true;
  std::vector<int64_t> *last = nullptr;
  std::string last_date;
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    if (sqlite3_column_type(stmt.get(), 1) != SQLITE_TEXT) {
      usable = false;  // SQLite orders numbers and blobs apart from text
      continue;
    }
    const char *date = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 1));
    const size_t length = static_cast<size_t>(sqlite3_column_bytes(stmt.get(), 1));
    if (!last || last_date.size() != length || memcmp(last_date.data(), date, length) != 0) {
      last_date.assign(date, length);
      last = &index->ids[last_date];
    }
    last->push_back(sqlite3_column_int64(stmt.get(), 0));
  }
  stmt.reset();
  if (rc != SQLITE_DONE) {
    sql_report_error(handle);
    index->ids.clear();
    return false;
  }
  index->read = true;
  index->usable = usable;
  if (!usable) index->ids.clear();
  return true;
}

// Reads the entries of |index| dated |from| to |to| by their ids into |out|. Returns false
// when it cannot (the scan that follows says why), with |*missing| set when an id is no
// longer there.
bool read_by_ids(sqlite3 *handle, const LogDateIndex &index, const char *from, const char *to,
                 LogEntryList *out, bool *missing) {
  *missing = false;
  StatementPtr stmt = sql_try_prepare(handle, kEntryByIdSql);
  if (!stmt) return false;
  const std::string first(from), final(to);
  bool ok = true;
  for (auto it = index.ids.lower_bound(first); ok && it != index.ids.end() && it->first <= final;
       ++it) {
    for (const int64_t id : it->second) {
      sqlite3_reset(stmt.get());
      sqlite3_bind_int64(stmt.get(), 1, id);
      const int rc = sqlite3_step(stmt.get());
      if (rc != SQLITE_ROW) {
        // Every id is there while the stamp holds: a missing one only makes the index stale.
        if (rc == SQLITE_DONE) *missing = true;
        ok = false;
        break;
      }
      if (out->count == out->capacity) {
        const size_t grown = out->capacity == 0 ? kFirstCapacity : out->capacity * 2;
        void *larger = grown > SIZE_MAX / sizeof(LogEntry)
                           ? nullptr
                           : realloc(out->items, grown * sizeof(LogEntry));
        if (!larger) {
          ok = false;
          break;
        }
        out->items = static_cast<LogEntry *>(larger);
        out->capacity = grown;
      }
      LogEntry &entry = out->items[out->count];
      entry.id = sqlite3_column_int64(stmt.get(), 0);
      entry.food_code = sqlite3_column_int(stmt.get(), 1);
      entry.description = strdup(sql_column_text(stmt.get(), 2));
      entry.date = strdup(sql_column_text(stmt.get(), 3));
      entry.servings = sqlite3_column_double(stmt.get(), 4);
      if (!entry.description || !entry.date) {
        free(entry.description);
        free(entry.date);
        ok = false;
        break;
      }
      ++out->count;
    }
  }
  return ok;
}

}  // namespace

LogDateIndex *log_date_index_new() { return new LogDateIndex; }

void log_date_index_free(LogDateIndex *index) { delete index; }

bool log_date_index_current(sqlite3 *handle, const LogDateIndex *index) {
  LogStamp now{0, 0};
  return index && index->read && read_stamp(handle, &now) &&
         now.changes == index->stamp.changes && now.version == index->stamp.version;
}

int log_date_index_read(sqlite3 *handle, LogDateIndex *index) {
  return read_date_index(handle, index) ? 0 : -1;
}

int log_entries_between_indexed(sqlite3 *handle, LogDateIndex *index, const char *from,
                                const char *to, LogEntryList *out) {
  *out = LogEntryList{nullptr, 0, 0};
  if (!index || !from || !to) return log_entries_between(handle, from, to, out);
  // One read transaction: the stamp compared and the rows read see the same log. Without
  // one, or with an index that is not the log's, the log is scanned as usual.
  const bool in_transaction = !sqlite3_get_autocommit(handle);
  if (!in_transaction && sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
    return log_entries_between(handle, from, to, out);
  bool ok = index->usable && log_date_index_current(handle, index);
  bool missing = false;
  if (ok) ok = read_by_ids(handle, *index, from, to, out, &missing);
  if (!ok) {
    if (missing) index->read = false;
    log_entry_list_free(out);
  }
  if (!in_transaction) sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
  return ok ? 0 : log_entries_between(handle, from, to, out);
}
