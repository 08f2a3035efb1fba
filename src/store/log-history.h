// SPDX-License-Identifier: GPL-3.0-or-later
// What the food log says about the person's habits (the foods they log, how often, their
// last amounts), and the writes of the quick log: an entry whose id is kept, the entries of
// a day copied to another, and taking such writes back and making them again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/log-entries.h"

struct sqlite3;

// One food of the log, as its last entry has it.
struct FoodUse {
  int32_t food_code;     // code in the food database
  char *description;     // owned, never null: the description of the last entry
  char *last_date;       // owned date string of the last entry, never null
  double last_servings;  // servings of the last entry
  int64_t last_id;       // id of the last entry (the one added last)
  uint32_t count;        // entries of the food in the whole log
};

// Every food of the log once, the one logged last first. Empty: items null, count 0,
// capacity 0.
struct FoodUseList {
  FoodUse *items;
  size_t count;
  size_t capacity;
};

// The ids of the entries that one write added: first to last, both included.
struct LogIdRange {
  int64_t first;
  int64_t last;
  size_t count;  // 0 when the write added nothing
};

// Fills |out| (emptied first) with every food of the log once, newest last entry first,
// read with one statement. Returns 0, or -1 with |out| empty after printing why. Free with
// food_use_list_free.
int log_food_uses(sqlite3 *handle, FoodUseList *out);

// Frees every use and the array; leaves the list empty. Accepts null.
void food_use_list_free(FoodUseList *list);

// Whether the food |food_code| has an entry in the log: 1 when it has, 0 when it has none,
// -1 after printing why.
int log_food_logged(sqlite3 *handle, int32_t food_code);

// As log_entry_add, and writes the new entry's id to |*added| (one id, count 1).
// Returns 0, or -1 after printing why (|*added| then has count 0).
int log_entry_add_kept(sqlite3 *handle, int32_t food_code, const char *description,
                       const char *date, double servings, LogIdRange *added);

// Copies the entries |shown| of the date |from| (as a view showed them, in id order) to the
// date |to|, in one transaction and in their order, when |from| still has exactly these
// entries: the same ids, food codes, descriptions and servings; each copy keeps the measure
// its entry was logged in (entry-measures.h). Fills |copies| (emptied
// first; free with log_entry_list_free) with the copies as written, their ids included.
// Returns 0; 1 when the entries of |from| are no longer those shown (nothing copied);
// -1 after printing why, with nothing copied.
int log_entries_copy_shown(sqlite3 *handle, const char *from, const LogEntryList *shown,
                           const char *to, LogEntryList *copies);

// Takes back the entries |written| (as a write made them): deletes each one whose row still
// has its id, food code, date and servings, all in one transaction, and leaves a row that
// another writer changed, or that took its id after it went, as it is. |taken| (one flag
// per entry) says which were deleted. Their kept measures stay, under ids that no new entry
// takes, for log_entries_put_back. Returns 0, or -1 after printing why, with nothing
// deleted and every flag false.
int log_entries_take_back(sqlite3 *handle, const LogEntryList *written, bool *taken);

// Adds the entries |entries| again (Redo), in their order and in one transaction: all of
// them or none. Each entry gets the id of its new row, and the measure it was logged in
// moves from its old id to the new one. Returns 0, or -1 after printing why.
int log_entries_put_back(sqlite3 *handle, LogEntryList *entries);

// Appends a copy of |entry| (its strings copied) to |list|. Returns false, with |list| as
// it was, when memory runs out.
bool log_entry_list_append(LogEntryList *list, const LogEntry &entry);

// Tells whether the log changed: the changes made through |handle| and the version of the
// file as other connections leave it. Two equal stamps mean the log is as it was.
struct LogStamp {
  int64_t changes;  // rows this connection has inserted, updated or deleted
  int64_t version;  // PRAGMA data_version: moves when another connection commits
};

// Reads the stamp of the log now. Returns 0, or -1 after printing why (|*out| then zero).
int log_stamp_read(sqlite3 *handle, LogStamp *out);

// As log_stamp_read, but a log that another connection holds locked is no failure to
// report: returns 1 then (|*out| zero).
int log_stamp_try(sqlite3 *handle, LogStamp *out);

// Whether the last failure on |handle| was a lock of another connection.
bool log_was_busy(sqlite3 *handle);

// The entries of one date as a read found them, with the stamp of the log taken just before
// that read: while the stamp stays the same they are what a new read would find, so a
// second reader of the same date need not scan the log again.
struct LogDayRead {
  char *date;            // owned; null while nothing is kept
  LogStamp stamp;        // the log just before the read
  LogEntryList entries;  // owned
};

// Reads the entries of |date| into |out| as log_entries_for_date does (same statement, same
// messages, same result) and keeps a copy of them in |kept| with the stamp of the log just
// before the read; what |kept| held goes. When the read fails, or the stamp or the copy
// cannot be had, |kept| keeps nothing.
int log_entries_for_date_kept(sqlite3 *handle, const char *date, LogDayRead *kept,
                              LogEntryList *out);

// The entries kept in |kept| when they are of |date| and the log's stamp is still theirs;
// otherwise (or when the stamp cannot be read) null. Valid until |kept| changes.
const LogEntryList *log_day_read_find(sqlite3 *handle, const LogDayRead *kept, const char *date);

// Frees what |kept| holds and leaves it empty. Accepts null.
void log_day_read_free(LogDayRead *kept);

// Where the entries of each date are in the log: the ids of each date's entries, read in one
// pass, with the stamp of the log just before that pass. A period's entries are then read by
// id instead of by a scan of the whole log, for as long as the stamp stays the same.
struct LogDateIndex;

// An empty index (read on first use). Free with log_date_index_free.
LogDateIndex *log_date_index_new();

// Frees |index|. Accepts null.
void log_date_index_free(LogDateIndex *index);

// Whether |index| has been read and the log has not changed since.
bool log_date_index_current(sqlite3 *handle, const LogDateIndex *index);

// Reads |index| from the log: one pass over every entry (more than a scan of
// log_entries_between costs). Returns 0, or -1 (the index then unread) after printing why.
int log_date_index_read(sqlite3 *handle, LogDateIndex *index);

// Fills |out| (emptied first) exactly as log_entries_between(handle, from, to, out) does
// (both |from| and |to| given): by the ids of |index| when it is current, else by
// log_entries_between's scan (the index is not read here). Returns 0, or -1 with |out|
// empty after printing why.
int log_entries_between_indexed(sqlite3 *handle, LogDateIndex *index, const char *from,
                                const char *to, LogEntryList *out);
