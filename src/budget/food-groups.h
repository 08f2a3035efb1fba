// SPDX-License-Identifier: GPL-3.0-or-later
// The six food groups of the eating pattern and the record that holds one amount per group.
#pragma once

#include <cstdint>

// The food groups, always in this order.
enum FoodGroup {
  FOOD_GROUP_VEGETABLES = 0, // cup-equivalents
  FOOD_GROUP_FRUITS,         // cup-equivalents
  FOOD_GROUP_GRAINS,         // ounce-equivalents
  FOOD_GROUP_DAIRY,          // cup-equivalents
  FOOD_GROUP_PROTEIN,        // ounce-equivalents
  FOOD_GROUP_OILS,           // grams
  FOOD_GROUP_COUNT
};

// One amount per food group, keyed by a calorie level (a budget) or a food code
// (a food's equivalents per serving).
struct FoodGroupAmounts {
  int32_t key;                       // kcal for a budget, food code for a food
  double amounts[FOOD_GROUP_COUNT];  // in food-group order and units
};

// The names of a group, translated, for |group| in 0 .. FOOD_GROUP_COUNT - 1 (else ""):
// its label with its unit, "Vegetables (cup-eq)", on the bars, the chart panels and the
// History table;
const char *food_group_label(int group);
// its name, "Vegetables", in the rows of the text reports;
const char *food_group_name(int group);
// its unit, "cup-eq", "oz-eq" or "g", after an amount in running text;
const char *food_group_amount_unit(int group);
// its unit in two characters, "c ", in the text reports;
const char *food_group_unit(int group);
// its column heading of at most ten characters, "Veg. (c)", in the range summary.
const char *food_group_column(int group);
