// SPDX-License-Identifier: GPL-3.0-or-later
// What the food log says about the person's habits (the foods they log, how often, their
// last amounts), and the writes of the quick log: an entry whose id is kept, a whole day
// copied to another, and taking such writes back.
#pragma once

#include <cstddef>
#include <cstdint>

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

// As log_entry_add, and writes the new entry's id to |*added| (one id, count 1).
// Returns 0, or -1 after printing why (|*added| then has count 0).
int log_entry_add_kept(sqlite3 *handle, int32_t food_code, const char *description,
                       const char *date, double servings, LogIdRange *added);

// Copies every entry of |from| to the date |to| with one statement, so that either all of
// them are copied or none; the copies come in the order of the originals. Writes the ids
// of the copies to |*added| (count 0 when |from| has no entries). Returns 0, or -1 after
// printing why, with nothing copied.
int log_entries_copy_date(sqlite3 *handle, const char *from, const char *to, LogIdRange *added);

// Deletes the entries of |range| with one statement: all of them or, on failure, none.
// Ids that no longer exist are no failure. Returns 0, or -1 after printing why.
int log_entries_delete_range(sqlite3 *handle, const LogIdRange *range);

// Tells whether the log changed: the changes made through |handle| and the version of the
// file as other connections leave it. Two equal stamps mean the log is as it was.
struct LogStamp {
  int64_t changes;  // rows this connection has inserted, updated or deleted
  int64_t version;  // PRAGMA data_version: moves when another connection commits
};

// Reads the stamp of the log now. Returns 0, or -1 after printing why (|*out| then zero).
int log_stamp_read(sqlite3 *handle, LogStamp *out);
