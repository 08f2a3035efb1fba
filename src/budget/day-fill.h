// SPDX-License-Identifier: GPL-3.0-or-later
// What fills the rest of a day: what is left of its food-group budget, its nutrient goals
// and its energy, and the foods whose usual portion fills most of that without going over.
// Pure computations; the foods and the day come from the databases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "budget/day-totals.h"
#include "budget/food-groups.h"
#include "budget/nutrient-goals.h"

// The day as it stands.
struct FillDay {
  int calorie_target;       // kcal
  FoodGroupAmounts budget;  // the budget of the calorie target
  NutrientDay eaten;        // the day's entries: food groups and energy in totals, nutrients
  NutrientGoals goals;      // the person's goals (without goals only the groups count)
  bool has_profile;         // false: no profile row, |calorie_target| is the default
};

enum FillStatus {
  FILL_GAPS,            // something is left to fill and energy is left to fill it with
  FILL_ALL_MET,         // every food group and every "at least" goal is met
  FILL_NO_ENERGY_LEFT,  // the day has reached its calorie target
};

// What is left of a day, in the units of the bars and of the Nutrients table.
struct FillLeft {
  FillStatus status;
  bool has_profile;
  GoalsStatus goals_status;
  int calorie_target;
  double kcal_eaten;
  double kcal_left;                         // target less eaten; below 0 past the target
  double group_budget[FOOD_GROUP_COUNT];
  double group_eaten[FOOD_GROUP_COUNT];
  double group_left[FOOD_GROUP_COUNT];      // budget less eaten while under it, else 0
  double nutrient_goal[NUTRIENT_ROW_COUNT];  // of the "at least" rows with a goal, else 0
  double nutrient_left[NUTRIENT_ROW_COUNT];  // goal less eaten while below it, else 0
  // The limits: sodium in mg, saturated fat and added sugars as kcal (their limit a share
  // of the calorie target). 0 for the other rows.
  double limit[NUTRIENT_ROW_COUNT];
  double limit_eaten[NUTRIENT_ROW_COUNT];
  double need;  // the score a portion that filled every gap would have, over is left out
};

// Works out what is left of |day|.
void fill_left_compute(const FillDay *day, FillLeft *out);

// One food that may be suggested, with the portion it would be logged in.
struct FillFood {
  int32_t food_code;
  int32_t category;         // WWEIA category number, 0 when unknown
  bool alcohol;             // the food holds alcohol
  FoodValues values;        // per serving (100 g)
  FoodNutrients nutrients;  // per serving
  double servings;          // the portion, in servings of 100 g
  uint32_t recent_uses;     // entries of the food in the last 90 days
};

// One suggestion: the food and what its portion adds.
struct FillSuggestion {
  size_t food;                                // index of the food in the list ranked
  double score;                               // see fill_score
  double kcal;
  double group_added[FOOD_GROUP_COUNT];       // to the groups that have a gap, at most the gap
  double nutrient_added[NUTRIENT_ROW_COUNT];  // to the "at least" rows below their goal, capped
};

// How far back the foods of the person count as theirs.
constexpr int kFillRecentDays = 90;

// Scores the portion of |food| against |left| into |out| (out->food is left alone).
// Returns false when the food is not to be suggested: it holds alcohol, it is a fat, a
// condiment, a sugar, a baby food or an infant formula, its energy is unknown, it would take the day more than 10% over its
// calorie target, it adds more than a trace to a limit already passed or has no value for
// one, or it fills no gap. A value it has none of (FoodNutrients::unknown) fills no gap.
bool fill_score(const FillLeft *left, const FillFood *food, FillSuggestion *out);

// Fills |out| (emptied first) with at most |limit| suggestions for |left| from the |count|
// foods of |foods|, best first: the person's recent foods whose score is at least 30% of the
// best one, then every other food by score; at most two foods of one kind (the first two
// digits of the food code; the own foods and recipes, from 1000000000 up, are one kind).
// Empty unless left->status is FILL_GAPS.
void fill_suggest(const FillLeft *left, const FillFood *foods, size_t count, size_t limit,
                  std::vector<FillSuggestion> *out);

// What a suggestion adds, translated: "+1.0 cup-eq Vegetables, +420 mg Potassium, 90 kcal":
// each food group it fills, the two nutrients of |left| of whose goals it fills the largest
// shares, then its energy.
std::string fill_adds_text(const FillLeft *left, const FillSuggestion *suggestion);

// What is left, translated, one line each: what the profile lacks for the goals, then the
// energy ("700 kcal left of 2000"), the food groups under budget ("Vegetables: 1.7
// cup-eq"), and one line of the nutrients below their goals ("Below their goals: Potassium
// 2585 mg, Fiber 10.2 g"), or what the status says instead.
std::vector<std::string> fill_left_lines(const FillLeft *left);
