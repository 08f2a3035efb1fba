// SPDX-License-Identifier: GPL-3.0-or-later
// A day's totals: the sums of its entries' food-group amounts and energy, the one rule by
// which the window, its History and alimora-report add up a day.
#pragma once

#include <cstdint>

#include "budget/food-groups.h"

// What the sums of entries need of one food, per serving.
struct FoodValues {
  int32_t food_code;
  bool has_groups;          // the food has food pattern equivalents
  FoodGroupAmounts groups;  // its equivalents (key the food code), zeros without
  bool has_energy;          // the food has a nutrient row
  double kcal;              // its energy, 0 without
};

// The sums of the entries of one day. Each entry adds its food's values times its servings.
// An entry whose food has no food pattern equivalents adds nothing to |amounts|, one whose
// food has no nutrient row adds nothing to |kcal|; both are counted, so that a view can say
// what a total leaves out. A food the food database does not know counts as both.
struct DayTotals {
  double amounts[FOOD_GROUP_COUNT];  // eaten, in food-group order and units
  double kcal;                       // energy eaten
  uint32_t entries;                  // entries added
  uint32_t without_groups;           // of those, entries whose food has no equivalents
  uint32_t without_energy;           // of those, entries whose food has no nutrient row
};

// Empties |totals|: no entries, every sum 0.
void day_totals_clear(DayTotals *totals);

// Adds one entry of |servings| servings of |food| to |totals|. A null |food| is a food the
// food database does not know.
void day_totals_add(DayTotals *totals, const FoodValues *food, double servings);
