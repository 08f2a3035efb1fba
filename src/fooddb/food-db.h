// SPDX-License-Identifier: GPL-3.0-or-later
// Read-only queries on the reference food database: search by description, a food's
// nutrients, a food's food pattern equivalents.
#pragma once

#include <cstddef>
#include <cstdint>

#include "budget/day-totals.h"
#include "budget/nutrient-goals.h"
#include "budget/food-groups.h"

struct sqlite3;

// One search result.
struct FoodHit {
  int32_t food_code;  // "Food code"
  char *description;  // owned, never null
};

struct FoodHitList {
  FoodHit *items;
  size_t count;
  size_t capacity;
};

// One nutrient of a food.
struct NutrientValue {
  char *name;    // owned display name
  double value;  // amount per serving
};

struct NutrientList {
  NutrientValue *items;
  size_t count;
  size_t capacity;
};

// Opens the food database at |path| read-only. Returns the connection, or null after
// printing why.
sqlite3 *food_db_open(const char *path);

// Closes the connection; does nothing for null.
void food_db_close(sqlite3 *handle);

// Fills |out| (emptied first) with at most 100 foods whose description is LIKE
// "%text%", ordered by description. Returns 0, or -1 with |out| empty after printing why.
int food_search(sqlite3 *handle, const char *text, FoodHitList *out);

// Frees every hit and the array; leaves the list empty. Accepts null.
void food_hit_list_free(FoodHitList *list);

// Fills |out| (emptied first) with the nutrient columns of the food's row, in column
// order, with readable fatty-acid names. No row gives 0 and an empty list.
// Returns 0, or -1 with |out| empty after printing why.
int food_nutrients(sqlite3 *handle, int32_t food_code, NutrientList *out);

// Frees every name and the array; leaves the list empty. Accepts null.
void nutrient_list_free(NutrientList *list);

// Writes the food's per-serving equivalents to |out| (key the food code; zeros first).
// Returns 0 when the food has a row, 1 when it has none, -1 after printing an SQL error.
int food_equivalents(sqlite3 *handle, int32_t food_code, FoodGroupAmounts *out);

struct FoodValuesList {
  FoodValues *items;
  size_t count;
  size_t capacity;
};

// Fills |out| (emptied first) with the values of every food that has equivalents or a
// nutrient row, in food-code order, one item per code, with one statement: looking up
// thousands of foods one at a time costs a statement and a file lock each.
// Returns 0, or -1 with |out| empty after printing why. Free with food_values_list_free.
int food_values_all(sqlite3 *handle, FoodValuesList *out);

// Fills |out| (emptied first) with the values of those of the |count| foods of |codes| that
// have equivalents or a nutrient row, in the order of |codes|, with one statement (by way of
// SQLite's json_each; without it, one statement run once per code): for a few hundred
// foods far cheaper than as many food_values_of calls, each of which prepares its own.
// Returns 0, or -1 with |out| empty after printing why.
int food_values_some(sqlite3 *handle, const int32_t *codes, size_t count, FoodValuesList *out);

// Frees the array; leaves the list empty. Accepts null.
void food_values_list_free(FoodValuesList *list);

// Writes the per-serving values of one food to |out|, as food_values_all gives them.
// Returns 0 when the food has equivalents or a nutrient row, 1 when it has neither (|out|
// then holds the code and no values), -1 after printing an SQL error.
int food_values_of(sqlite3 *handle, int32_t food_code, FoodValues *out);

// Writes the values of each of the |count| foods of |codes| to the item of |out| at the
// same place, as food_values_of gives them, by way of food_values_some.
// Returns 0, or -1 after printing an SQL error (every food then without values).
int food_values_for(sqlite3 *handle, const int32_t *codes, size_t count, FoodValues *out);

// One household measure of a food, as USDA writes it.
struct FoodMeasure {
  char *description;  // owned, never null: "1 cup", "1 medium or regular slice"
  double grams;       // weight of the measure in grams, as stored
};

struct FoodMeasureList {
  FoodMeasure *items;
  size_t count;
  size_t capacity;
};

// Fills |out| (emptied first) with the food's household measures in USDA's order. A food
// without measures gives 0 and an empty list. Returns 0, or -1 with |out| empty after
// printing why.
int food_measures(sqlite3 *handle, int32_t food_code, FoodMeasureList *out);

// Frees every description and the array; leaves the list empty. Accepts null.
void food_measure_list_free(FoodMeasureList *list);

// Writes the per-serving nutrient values of each of the |count| foods of |codes| to the
// item of |out| at the same place, with one statement stepped once per food. A food
// without a nutrient row has every nutrient unknown; one without equivalents has no added
// sugars. Returns 0, or -1 after printing an SQL error (every food then unknown).
int food_nutrients_of(sqlite3 *handle, const int32_t *codes, size_t count, FoodNutrients *out);

struct LogEntry;

// Adds the |count| log entries |entries| to |day|, looking their foods up with
// food_nutrients_of. After a failed lookup (-1, printed) every entry adds nothing.
int nutrient_day_add_entries(sqlite3 *handle, const LogEntry *entries, size_t count,
                             NutrientDay *day);
