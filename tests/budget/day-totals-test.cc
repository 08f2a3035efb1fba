// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of a day's totals.
#include "budget/day-totals.h"

#include <gtest/gtest.h>

namespace {

FoodValues food(int32_t code, bool has_groups, double amount, bool has_energy, double kcal) {
  FoodValues values{code, has_groups, {code, {}}, has_energy, kcal};
  for (int group = 0; group < FOOD_GROUP_COUNT; group++)
    values.groups.amounts[group] = has_groups ? amount * (group + 1) : 0.0;
  return values;
}

TEST(DayTotalsTest, EntriesAddTheirValuesTimesServingsAndMissingValuesAreCounted) {
  const FoodValues complete = food(1, true, 0.5, true, 200.0);
  const FoodValues groups_only = food(2, true, 1.0, false, 0.0);
  const FoodValues energy_only = food(3, false, 0.0, true, 50.0);
  DayTotals totals;
  day_totals_clear(&totals);
  day_totals_add(&totals, &complete, 2.0);
  day_totals_add(&totals, &groups_only, 0.5);
  day_totals_add(&totals, &energy_only, 3.0);
  day_totals_add(&totals, nullptr, 4.0);

  EXPECT_EQ(4u, totals.entries);
  EXPECT_EQ(2u, totals.without_groups) << "the energy-only food and the unknown one";
  EXPECT_EQ(2u, totals.without_energy) << "the groups-only food and the unknown one";
  EXPECT_DOUBLE_EQ(2.0 * 200.0 + 3.0 * 50.0, totals.kcal);
  for (int group = 0; group < FOOD_GROUP_COUNT; group++)
    EXPECT_DOUBLE_EQ(2.0 * 0.5 * (group + 1) + 0.5 * 1.0 * (group + 1), totals.amounts[group])
        << "group " << group;

  day_totals_clear(&totals);
  EXPECT_EQ(0u, totals.entries);
  EXPECT_EQ(0.0, totals.kcal);
  for (double amount : totals.amounts) EXPECT_EQ(0.0, amount);
}

}  // namespace
