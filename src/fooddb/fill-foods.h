// SPDX-License-Identifier: GPL-3.0-or-later
// The foods that may fill a day, read once from the food database with their usual
// portions, the person's own foods and recipes with theirs, and the foods of the last days
// at the amount they are logged in.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "budget/day-fill.h"
#include "store/log-entries.h"

// Every food of the food database, in food-code order, with the amount a food never logged
// starts at (amount_first_measure) as its portion (100 g without a measure); after them (their
// codes are higher) the own foods and recipes of the log joined to the food database, with
// their own measure ("1 serving", "1 portion") as portion.
struct FillFoodTable {
  std::vector<FillFood> foods;
  std::vector<std::string> descriptions;  // an own food's or recipe's name
  std::vector<std::string> measures;  // the portion's measure ("1 cup"), "" for 100 g
  std::vector<double> measure_grams;  // its weight, 100 for 100 g
  uint64_t own_generation = 0;  // food_source_generation of the own foods held; 0: none
};

// Fills |out| (emptied first) from |food_db| with five statements, then the own foods with
// fill_foods_own. Returns 0, or -1 with |out| empty after printing why.
int fill_foods_load(sqlite3 *food_db, FillFoodTable *out);

// Makes the own foods and recipes of |table| those of the log joined to |food_db|
// (food_db_use_log) as it now holds them, when they have changed since they were put in:
// every one not deleted, with its values as food-source works them out, the category and
// alcohol of the food it counts like (a recipe: no category, alcohol when an ingredient
// holds some). Saved meals are left out: a meal is no food of its own, it has no values and
// logging it logs its items. Without a log, or with one without own foods, the table holds
// none. Their portions are their measures until fill_foods_use sets them.
// Returns 0, or -1 with no own food in |table| after printing why.
int fill_foods_own(sqlite3 *food_db, FillFoodTable *table);

// Sets the recent uses and portions of the foods of |table| from |entries|, the entries of
// the last days: a food logged among them gets the amount it was logged in most often (the
// latest of equal counts) and the number of its entries; every other food its measure.
// An entry of a food the table does not hold is passed over.
void fill_foods_use(FillFoodTable *table, const LogEntryList *entries);

// The portion of food |index| as shown: "1 cup (244 g)", "2 × 1 slice (28 g)" when the
// amount is a whole number of its first household measure or, looked up in |food_db|
// (may be null), of another of its measures; else "150 g".
std::string fill_portion_text(const FillFoodTable *table, size_t index, sqlite3 *food_db);
