// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the eating-pattern budget: table rows, interpolation, clamps and the text report.
#include "budget/pattern.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

struct Expected {
  int calories;
  int key;
  double amounts[FOOD_GROUP_COUNT];
};

void ExpectBudget(const Expected &expected) {
  SCOPED_TRACE(std::to_string(expected.calories) + " kcal");
  const FoodGroupAmounts budget = pattern_for_calories(expected.calories);
  EXPECT_EQ(expected.key, budget.key);
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
    EXPECT_NEAR(expected.amounts[group], budget.amounts[group], 1e-9) << "group " << group;
}

std::string CaptureReport(const FoodGroupAmounts &budget, const FoodGroupAmounts &consumed) {
  testing::internal::CaptureStdout();
  budget_report_print(&budget, &consumed);
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(PatternForCalories, LevelsGiveTheirTableRowsExactly) {
  const Expected rows[] = {
      {1000, 1000, {1.0, 1.0, 3.0, 2.0, 2.0, 13.0}},
      {1200, 1200, {1.5, 1.0, 4.0, 2.0, 2.0, 17.0}},
      {1400, 1400, {1.5, 1.5, 5.0, 2.5, 4.0, 17.0}},
      {1600, 1600, {2.0, 1.5, 5.0, 2.5, 5.0, 22.0}},
      {1800, 1800, {2.5, 1.5, 6.0, 3.0, 5.0, 24.0}},
      {2000, 2000, {2.5, 2.0, 6.0, 3.0, 5.5, 27.0}},
      {2200, 2200, {3.0, 2.0, 7.0, 3.0, 6.0, 29.0}},
      {2400, 2400, {3.0, 2.0, 8.0, 3.0, 6.5, 32.0}},
      {2600, 2600, {3.5, 2.0, 9.0, 3.0, 6.5, 34.0}},
      {2800, 2800, {3.5, 2.5, 10.0, 3.0, 7.0, 36.0}},
      {3000, 3000, {4.0, 2.5, 10.0, 3.0, 7.0, 40.0}},
      {3200, 3200, {4.0, 2.5, 10.0, 3.0, 7.0, 44.0}},
  };
  for (const Expected &row : rows) {
    const FoodGroupAmounts budget = pattern_for_calories(row.calories);
    EXPECT_EQ(row.key, budget.key);
    for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
      EXPECT_DOUBLE_EQ(row.amounts[group], budget.amounts[group])
          << row.calories << " kcal, group " << group;
  }
}

TEST(PatternForCalories, InterpolatesBetweenNeighbouringLevels) {
  const Expected examples[] = {
      {1001, 1001, {1.0025, 1.0, 3.005, 2.0, 2.0, 13.02}},
      {1100, 1100, {1.25, 1.0, 3.5, 2.0, 2.0, 15.0}},
      {2100, 2100, {2.75, 2.0, 6.5, 3.0, 5.75, 28.0}},
      {2150, 2150, {2.875, 2.0, 6.75, 3.0, 5.875, 28.5}},
      {3100, 3100, {4.0, 2.5, 10.0, 3.0, 7.0, 42.0}},
      {3199, 3199, {4.0, 2.5, 10.0, 3.0, 7.0, 43.98}},
      {1201, 1201, {1.5, 1.0025, 4.005, 2.0025, 2.01, 17.0}},
  };
  for (const Expected &example : examples) ExpectBudget(example);
}

TEST(PatternForCalories, ClampsToTheLowestAndHighestRows) {
  for (int calories : {999, 0, -5, INT_MIN})
    ExpectBudget({calories, 1000, {1.0, 1.0, 3.0, 2.0, 2.0, 13.0}});
  for (int calories : {3201, 5000, INT_MAX})
    ExpectBudget({calories, 3200, {4.0, 2.5, 10.0, 3.0, 7.0, 44.0}});
}

TEST(PatternDefault, IsThe2000KcalRow) {
  const FoodGroupAmounts fallback = pattern_default();
  const FoodGroupAmounts level = pattern_for_calories(2000);
  EXPECT_EQ(2000, fallback.key);
  EXPECT_EQ(level.key, fallback.key);
  const double expected[FOOD_GROUP_COUNT] = {2.5, 2.0, 6.0, 3.0, 5.5, 27.0};
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    EXPECT_EQ(expected[group], fallback.amounts[group]);
    EXPECT_EQ(level.amounts[group], fallback.amounts[group]);
  }
}

TEST(BudgetReport, PrintsTitleHeadingRuleAndSixRows) {
  const FoodGroupAmounts budget = pattern_for_calories(2000);
  const FoodGroupAmounts consumed = {12345, {1.3, 0.0, 6.5, 0.7, 2.0, 30.0}};
  EXPECT_EQ(
      "Daily budget (2000 kcal USDA Healthy US-Style Eating Pattern):\n"
      "\n"
      "Food Group               Budget   Consumed  Remaining\n"
      "-------------------- ---------- ---------- ----------\n"
      "Vegetables                2.5 c       1.3 c       1.2 c \n"
      "Fruits                    2.0 c       0.0 c       2.0 c \n"
      "Grains                    6.0 oz      6.5 oz     -0.5 oz\n"
      "Dairy                     3.0 c       0.7 c       2.3 c \n"
      "Protein Foods             5.5 oz      2.0 oz      3.5 oz\n"
      "Oils                     27.0 g      30.0 g      -3.0 g \n",
      CaptureReport(budget, consumed));
}

TEST(BudgetReport, TitleShowsTheBudgetKeyAndWideNumbersAreNotCut) {
  const FoodGroupAmounts budget = pattern_for_calories(999);
  const FoodGroupAmounts consumed = {0, {0.0, 0.0, 0.0, 0.0, 0.0, 123456.7}};
  const std::string report = CaptureReport(budget, consumed);
  EXPECT_EQ(0u, report.find("Daily budget (1000 kcal USDA Healthy US-Style Eating Pattern):\n\n"));
  EXPECT_NE(std::string::npos,
            report.find("Oils                     13.0 g  123456.7 g  -123443.7 g \n"));
}

// Sums of entries of another program (1e308 servings) are no amounts to print digit by
// digit: they read "too large" in the columns of the number and its unit, and the other
// rows stay as they are.
TEST(BudgetReport, AmountsTooLargeToBeRealKeepTheColumns) {
  const FoodGroupAmounts budget = pattern_for_calories(2000);
  const struct {
    double eaten;
    const char *row;
  } cases[] = {
      {8.2e307, "Dairy                     3.0 c    too large   too large\n"},
      {HUGE_VAL, "Dairy                     3.0 c    too large   too large\n"},
      {NAN, "Dairy                     3.0 c    too large   too large\n"},
      {-HUGE_VAL, "Dairy                     3.0 c    too large   too large\n"},
      {1e6, "Dairy                     3.0 c    too large -999997.0 c \n"},
      {999999.9, "Dairy                     3.0 c  999999.9 c  -999996.9 c \n"},
      {-2.0, "Dairy                     3.0 c      -2.0 c       5.0 c \n"},
  };
  for (const auto &example : cases) {
    SCOPED_TRACE(example.eaten);
    FoodGroupAmounts consumed = {0, {1.3, 0.0, 0.0, 0.0, 0.0, 0.0}};
    consumed.amounts[3] = example.eaten;
    const std::string report = CaptureReport(budget, consumed);
    EXPECT_NE(std::string::npos, report.find(example.row)) << report;
    EXPECT_NE(std::string::npos,
              report.find("Vegetables                2.5 c       1.3 c       1.2 c \n"));
    EXPECT_EQ(std::string::npos, report.find("inf")) << report;
  }
}
