// SPDX-License-Identifier: GPL-3.0-or-later
// Adds up the entries of a day.
#include "budget/day-totals.h"

void day_totals_clear(DayTotals *totals) { *totals = DayTotals{}; }

void day_totals_add(DayTotals *totals, const FoodValues *food, double servings) {
  totals->entries++;
  if (food && food->has_groups) {
    for (int group = 0; group < FOOD_GROUP_COUNT; group++)
      totals->amounts[group] += food->groups.amounts[group] * servings;
  } else {
    totals->without_groups++;
  }
  if (food && food->has_energy)
    totals->kcal += food->kcal * servings;
  else
    totals->without_energy++;
}
