// SPDX-License-Identifier: GPL-3.0-or-later
// The foods that may fill a day, read once from the food database with their usual
// portions, and the person's own foods of the last days at the amount they log them in.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "budget/day-fill.h"
#include "store/log-entries.h"

// Every food of the food database, in food-code order, with the amount a food never logged
// starts at (amount_first_measure) as its portion (100 g without a measure).
struct FillFoodTable {
  std::vector<FillFood> foods;
  std::vector<std::string> descriptions;
  std::vector<std::string> measures;  // the portion's measure ("1 cup"), "" for 100 g
  std::vector<double> measure_grams;  // its weight, 100 for 100 g
};

// Fills |out| (emptied first) from |food_db| with five statements. Returns 0, or -1 with
// |out| empty after printing why.
int fill_foods_load(sqlite3 *food_db, FillFoodTable *out);

// Sets the recent uses and portions of the foods of |table| from |entries|, the entries of
// the last days: a food logged among them gets the amount it was logged in most often (the
// latest of equal counts) and the number of its entries; every other food its measure.
// An entry of a food the table does not hold is passed over.
void fill_foods_use(FillFoodTable *table, const LogEntryList *entries);

// The portion of food |index| as shown: "1 cup (244 g)", "2 × 1 slice (28 g)" when the
// amount is a whole number of its first household measure or, looked up in |food_db|
// (may be null), of another of its measures; else "150 g".
std::string fill_portion_text(const FillFoodTable *table, size_t index, sqlite3 *food_db);
