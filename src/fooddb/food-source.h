// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that resolves a food code to what it stands for, whether the food is in the
// food database or is one of the person's own foods and recipes in the log database. Once
// food_db_use_log has joined the two, every query of food-db.h on the food database's
// connection (values, nutrients, equivalents, measures) answers for own codes too, so that
// the bars, the Nutrients window, History and alimora-report count them without knowing
// which is which. A recipe's values are computed here, from its ingredients' values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "budget/day-totals.h"
#include "budget/nutrient-goals.h"
#include "store/own-foods.h"

struct sqlite3;

// Makes the queries on |food_db| answer for the own foods and recipes of |log_db| too (null:
// no longer). The own foods are read when first needed and again whenever the log database
// has changed since (a write of this program or of another); a log without their tables has
// none. |log_db| must stay open until this is undone or |food_db| is closed.
void food_db_use_log(sqlite3 *food_db, sqlite3 *log_db);

// The food database whose queries answer for the own foods of |log_db| (the last joined), or
// null.
sqlite3 *food_source_food_db_of(sqlite3 *log_db);

// The own foods, recipes and meals that are not deleted, as the log now holds them, in
// food-code order; empty without a log. Valid until the next call on |food_db|.
const std::vector<OwnFood> &food_source_own(sqlite3 *food_db);

// The own food, recipe or meal |food_code| (deleted or not), or null.
const OwnFood *food_source_find(sqlite3 *food_db, int32_t food_code);

// A number that changes whenever the own foods read from the log change, so that a view that
// keeps something made from them (the quick log's index) knows when to make it again.
uint64_t food_source_generation(sqlite3 *food_db);

// Whether the queries on |food_db| look |food_code| up here: an own code, with a log joined.
bool food_source_answers(sqlite3 *food_db, int32_t food_code);

// The values per 100 g of the own food or recipe |food_code| as the queries of food-db.h
// give them (either pointer may be null). Returns 0, 1 when it is no own food or recipe
// of the log (|nutrients| then all unknown, |values| without values), -1 after printing an
// SQL error.
int food_source_values(sqlite3 *food_db, int32_t food_code, FoodNutrients *nutrients,
                       FoodValues *values);

// Fills |out| (emptied first) with the values of every own food and recipe that has some,
// deleted ones included (entries still use them), in food-code order.
void food_source_values_all(sqlite3 *food_db, std::vector<FoodValues> *out);

// The household measure of an own food or recipe: "1 serving" of its serving's grams (none
// for a serving of 100 g), "1 portion" of a recipe's dish over its portions. Returns 0,
// or 1 when it has none.
int food_source_measure(sqlite3 *food_db, int32_t food_code, std::string *description,
                        double *grams);

// The description of |food_code|: the food database's "Main food description" or the own
// food's name. Returns 0, 1 when no food has that code, -1 after printing why.
int food_describe(sqlite3 *food_db, int32_t food_code, std::string *out);

// The weight of a recipe's dish: its cooked weight, or the sum of its ingredients' grams.
double own_recipe_grams(const OwnFood &recipe);

// The values per 100 g (one serving, as for every food) of the own food or recipe |food|,
// which need not be saved: its label's values scaled to 100 g, and the equivalents of the
// food it counts like; for a recipe, the sums of its ingredients' values for their grams
// (ingredients resolved through |food_db|, own ones included) over the dish's weight. A
// nutrient that an ingredient with grams has no value for is unknown in the recipe. A
// recipe that contains itself counts nothing of the repeated part.
// Returns 0, or -1 after printing an SQL error (|nutrients| and |values| then hold nothing).
int own_food_values(sqlite3 *food_db, const OwnFood &food, FoodNutrients *nutrients,
                    FoodValues *values);
