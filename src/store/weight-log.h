// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log of the log database: one weight a day in kilograms, and the unit the person
// reads weights in. Both tables are the program's own additions to log.db, made when
// missing, so that a log of an older version opens as before.
#pragma once

#include <string>
#include <vector>

struct sqlite3;

// One logged weight.
struct WeightRecord {
  std::string date;  // "YYYY-MM-DD"
  double kg;
};

// What a write of a day's weight replaced: Undo puts it back.
struct WeightChange {
  std::string date;
  bool had_weight = false;  // the day had a weight before the write
  double previous_kg = 0.0;  // that weight, when had_weight
};

// Creates the weight tables when they are missing. Returns 0, or -1 after printing why, or
// quietly for a log that may only be read (the log then has no weights: reading them gives
// none, writing them fails).
int weight_log_create(sqlite3 *handle);

// Logs |kg| as the weight of |date|, replacing the one it had, in one transaction that waits
// for other writers like every write. Fills |*change| (may be null) with what was there.
// Returns 0, or -1 after printing why, with nothing changed.
int weight_log_set(sqlite3 *handle, const char *date, double kg, WeightChange *change);

// Takes a write back: puts the weight that |change| replaced back, or removes the day's
// weight when it had none. Returns 0, or -1 after printing why, with nothing changed.
int weight_log_restore(sqlite3 *handle, const WeightChange &change);

// Fills |out| (emptied first) with the weights dated |from| to |to| (as text, both included;
// a null bound is open), in date order. A log without the weight table (an older log opened
// read-only) has none. Returns 0, or -1 with |out| empty after printing why.
int weight_log_between(sqlite3 *handle, const char *from, const char *to,
                       std::vector<WeightRecord> *out);

// The weight of |date|: 0 with |*kg| set, 1 when the day has none, -1 after printing why.
int weight_log_get(sqlite3 *handle, const char *date, double *kg);

// The unit the person chose: 0 for kilograms, 1 for pounds. A log without a choice (or
// without the table) gives 0. Returns 0, or -1 (with |*unit| 0) after printing why.
int weight_unit_load(sqlite3 *handle, int *unit);

// Stores the unit (0 kilograms, 1 pounds). Returns 0, or -1 after printing why.
int weight_unit_save(sqlite3 *handle, int unit);
