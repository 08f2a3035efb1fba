// SPDX-License-Identifier: GPL-3.0-or-later
// Reading what the suggestions of a day need from the two databases: the day's sums, the
// profile's goals and the person's foods of the days before. Shared by the "Fill the Day"
// window and alimora-report --suggest.
#pragma once

#include <sqlite3.h>

#include <vector>

#include "budget/day-fill.h"
#include "fooddb/fill-foods.h"

// Most suggestions of a list.
constexpr size_t kFillSuggestions = 10;

// Reads into |day| the entries of |date| from |log_db| (null: no log yet) and the goals of
// the stored profile with |calorie_target|, brings the own foods of |table| up to date
// (fill_foods_own) and sets the portions and uses of its foods from the entries of the
// kFillRecentDays days that end on |date|. Returns 0, or -1 after printing why.
int fill_day_read(sqlite3 *food_db, sqlite3 *log_db, const char *date, int calorie_target,
                  FillDay *day, FillFoodTable *table);

// What is left of |day| into |left| and its suggestions from |table| into |out|.
void fill_day_suggest(const FillDay *day, const FillFoodTable *table, size_t limit,
                      FillLeft *left, std::vector<FillSuggestion> *out);
