// SPDX-License-Identifier: GPL-3.0-or-later
// Food log entries: adding, changing, deleting and listing them by date.
#pragma once

#include <cstddef>
#include <cstdint>

struct sqlite3;

// One logged food.
struct LogEntry {
  int64_t id;         // row id, assigned by SQLite (64-bit, as SQLite's rowids are)
  int32_t food_code;  // code in the food database
  char *description;  // owned, never null
  char *date;         // owned date string, never null
  double servings;    // number of servings eaten
};

// The entries of one date, in id order. Empty: items null, count 0, capacity 0.
struct LogEntryList {
  LogEntry *items;
  size_t count;
  size_t capacity;
};

// The distinct dates that have entries, in text order. Each string is owned.
struct DateList {
  char **items;
  size_t count;
  size_t capacity;
};

// The servings that the add and edit dialogs offer; an amount outside them is no amount a
// person logged through the program.
constexpr double kServingsMin = 0.1;
constexpr double kServingsMax = 100.0;

// Whether |servings| is a number within kServingsMin to kServingsMax.
inline bool servings_in_range(double servings) {
  return servings >= kServingsMin && servings <= kServingsMax;  // false for NaN
}

// Adds an entry. Returns 0, or -1 after printing why.
int log_entry_add(sqlite3 *handle, int32_t food_code, const char *description,
                  const char *date, double servings);

// Sets the date and servings of the entry |id|. A missing id is no failure.
// Returns 0, or -1 after printing why.
int log_entry_update(sqlite3 *handle, int64_t id, const char *date, double servings);

// Deletes the entry |id|. A missing id is no failure. Returns 0, or -1 after printing why.
int log_entry_delete(sqlite3 *handle, int64_t id);

// Fills |out| (emptied first) with every entry whose date equals |date|, in id order.
// Returns 0, or -1 with |out| empty after printing why. Free with log_entry_list_free.
int log_entries_for_date(sqlite3 *handle, const char *date, LogEntryList *out);

// Frees every entry and the array; leaves the list empty. Accepts null.
void log_entry_list_free(LogEntryList *list);

// Fills |out| (emptied first) with the distinct logged dates in ascending order.
// Returns 0, or -1 with |out| empty after printing why. Free with date_list_free.
int log_dates(sqlite3 *handle, DateList *out);

// Frees every date and the array; leaves the list empty. Accepts null.
void date_list_free(DateList *list);

// Fills |out| (emptied first) with every entry whose date lies between |from| and |to|
// (both included, compared as text), ordered by date and then by id; with both null, with
// every entry of the log, whatever its date, in the same order. Returns 0, or -1
// with |out| empty after printing why. Free with log_entry_list_free.
int log_entries_between(sqlite3 *handle, const char *from, const char *to, LogEntryList *out);
