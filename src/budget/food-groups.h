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
