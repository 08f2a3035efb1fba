// SPDX-License-Identifier: GPL-3.0-or-later
// The household measure each entry was logged with ("2 × 1 large egg", "1 cup", "12 fl oz"),
// kept in a table of the log database that the program adds when it is missing, keyed by
// the entry's id. An entry without one (logged by an older version or another program, or
// in grams) reads as grams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/log-entries.h"

struct sqlite3;

// The measure an entry was logged with: |count| times |measure|, each |measure_g| grams.
struct EntryMeasure {
  std::string measure;     // as the food database or the typed unit names it: "1 cup",
                           // "1 fl oz"; empty for none
  double measure_g = 0.0;  // grams of one measure
  double count = 0.0;      // how many of it
};

// Whether |measure| says how an entry of |servings| (of 100 g) was logged: it names a
// measure whose count times weight is the entry's weight to the gram (an entry edited since
// by another program no longer is).
bool entry_measure_fits(const EntryMeasure &measure, double servings);

// Creates the table of kept measures when it is missing and forgets those of entries that
// are gone. Returns 0, or -1 after printing why, or quietly for a log that may only be read
// (which then has no kept measures).
int entry_measures_create(sqlite3 *handle);

// Keeps |measure| (|count| times, |measure_g| grams each) as the one entry |entry_id| of
// the food |food_code| was logged with, replacing any earlier one; a write inside the
// caller's transaction when one is open. Returns 0, or -1 after printing why.
int entry_measure_put(sqlite3 *handle, int64_t entry_id, int32_t food_code, const char *measure,
                      double measure_g, double count);

// Forgets the kept measure of |entry_id|. Returns 0 (also when there was none or the log
// has no such table), or -1 after printing why.
int entry_measure_forget(sqlite3 *handle, int64_t entry_id);

// Gives the entry |to| the kept measure of the entry |from| (a copy of it); with |move|, the
// one of |from| goes. Nothing happens when |from| has none. Returns 0, or -1 after printing
// why.
int entry_measure_copy(sqlite3 *handle, int64_t from, int64_t to, bool move);

// Fills |out| with one item per entry of |entries|, in their order: the measure the entry
// was logged with, or an empty measure when it has none that fits it (entry_measure_fits)
// or the log has no such table. Returns 0, or -1 after printing why (every item empty).
int entry_measures_of(sqlite3 *handle, const LogEntryList *entries, std::vector<EntryMeasure> *out);

// The measure entry |entry_id| of |food_code| and |servings| was logged with: 0 with |*out|
// filled, 1 when it has none (|*out| empty), -1 after printing why.
int entry_measure_get(sqlite3 *handle, int64_t entry_id, int32_t food_code, double servings,
                      EntryMeasure *out);

// Adds an entry as log_entry_add does, with the measure it was logged in (null or an empty
// measure for none), in one transaction; writes its id to |*id| (may be null). Returns 0,
// or -1 after printing why, with nothing added.
int log_entry_add_measured(sqlite3 *handle, int32_t food_code, const char *description,
                           const char *date, double servings, const EntryMeasure *measure,
                           int64_t *id);

// Sets the date and servings of entry |id| as log_entry_update does, and keeps |measure|
// (null or empty: none, the entry then reads in grams) as its measure, in one transaction.
// Returns 0, or -1 after printing why, with nothing changed.
int log_entry_update_measured(sqlite3 *handle, int64_t id, int32_t food_code, const char *date,
                              double servings, const EntryMeasure *measure);

// Deletes entry |id| as log_entry_delete does, with its kept measure, in one transaction.
// Returns 0, or -1 after printing why, with nothing deleted.
int log_entry_delete_measured(sqlite3 *handle, int64_t id);
