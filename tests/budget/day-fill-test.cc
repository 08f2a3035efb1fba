// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of what is left of a day and of the foods suggested to fill it, on made-up foods.
#include "budget/day-fill.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "budget/pattern.h"

namespace {

// A 2000 kcal day of a woman of 40 with |kcal| eaten and the food groups at |groups|.
FillDay MakeDay(double kcal, const double (&groups)[FOOD_GROUP_COUNT], bool with_goals = true) {
  FillDay day{};
  day.calorie_target = 2000;
  day.budget = pattern_for_calories(2000);
  day.has_profile = true;
  nutrient_day_clear(&day.eaten);
  day.eaten.totals.kcal = kcal;
  day.eaten.sums[SOURCE_ENERGY] = kcal;
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) day.eaten.totals.amounts[g] = groups[g];
  struct tm today{};
  today.tm_year = 2026 - 1900;
  today.tm_mon = 11;
  today.tm_mday = 8;
  nutrient_goals_for(with_goals ? "1986-05-01" : "", 0, 2000, &today, &day.goals);
  return day;
}

// Every group met: vegetables 2.5, fruits 2, grains 6, dairy 3, protein 5.5, oils 27.
const double kAllMet[FOOD_GROUP_COUNT] = {2.5, 2.0, 6.0, 3.0, 5.5, 27.0};
const double kNothing[FOOD_GROUP_COUNT] = {0, 0, 0, 0, 0, 0};

// A food of |kcal| and the food groups |groups| per serving, in a portion of |servings|.
FillFood MakeFood(int32_t code, double kcal, const double (&groups)[FOOD_GROUP_COUNT],
                  double servings = 1.0) {
  FillFood food{};
  food.food_code = code;
  food.category = 6402;  // vegetables
  food.values.food_code = code;
  food.values.has_groups = true;
  food.values.groups.key = code;
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) food.values.groups.amounts[g] = groups[g];
  food.values.has_energy = true;
  food.values.kcal = kcal;
  food.nutrients.food_code = code;
  food.nutrients.has_nutrients = true;
  food.nutrients.values[SOURCE_ENERGY] = kcal;
  food.servings = servings;
  return food;
}

const double kVegetableCup[FOOD_GROUP_COUNT] = {1.0, 0, 0, 0, 0, 0};
const double kFruitCup[FOOD_GROUP_COUNT] = {0, 1.0, 0, 0, 0, 0};
const double kVegetablesAndFruits[FOOD_GROUP_COUNT] = {2.5, 2.0, 0, 0, 0, 0};

class DayFillTest : public ::testing::Test {
 protected:
  void SetUp() override { setlocale(LC_ALL, "C"); }
};

TEST_F(DayFillTest, LeftHoldsTheGapsTheLimitsAndTheStatus) {
  const double groups[FOOD_GROUP_COUNT] = {0.5, 2.5, 6.0, 1.0, 5.5, 27.0};
  FillDay day = MakeDay(1500, groups);
  day.eaten.sums[SOURCE_SODIUM] = 2500;
  day.eaten.sums[SOURCE_POTASSIUM] = 1000;
  FillLeft left;
  fill_left_compute(&day, &left);
  EXPECT_EQ(FILL_GAPS, left.status);
  EXPECT_DOUBLE_EQ(500, left.kcal_left);
  EXPECT_DOUBLE_EQ(2.0, left.group_left[FOOD_GROUP_VEGETABLES]);
  EXPECT_DOUBLE_EQ(0.0, left.group_left[FOOD_GROUP_FRUITS]);  // over budget: no gap
  EXPECT_DOUBLE_EQ(2.0, left.group_left[FOOD_GROUP_DAIRY]);
  EXPECT_DOUBLE_EQ(3700, left.nutrient_left[ROW_POTASSIUM]);  // an "at least" goal of 4700
  EXPECT_DOUBLE_EQ(0.0, left.nutrient_left[ROW_SODIUM]);      // a limit, never a gap
  EXPECT_DOUBLE_EQ(2300, left.limit[ROW_SODIUM]);
  EXPECT_DOUBLE_EQ(2500, left.limit_eaten[ROW_SODIUM]);
  // Saturated fat and added sugars: 10% of the calorie target, in kcal.
  EXPECT_DOUBLE_EQ(200, left.limit[ROW_SATURATED_FAT_ENERGY]);
  EXPECT_DOUBLE_EQ(200, left.limit[ROW_ADDED_SUGARS_ENERGY]);
  // Shares of energy are never gaps.
  EXPECT_DOUBLE_EQ(0.0, left.nutrient_left[ROW_PROTEIN_ENERGY]);

  FillDay full = MakeDay(2000, kNothing);
  fill_left_compute(&full, &left);
  EXPECT_EQ(FILL_NO_ENERGY_LEFT, left.status);

  FillDay met = MakeDay(1800, kAllMet, false);
  fill_left_compute(&met, &left);
  EXPECT_EQ(FILL_ALL_MET, left.status);
  std::vector<FillSuggestion> list;
  const FillFood food = MakeFood(75100000, 30, kVegetableCup);
  fill_suggest(&left, &food, 1, 10, &list);
  EXPECT_TRUE(list.empty());
}

TEST_F(DayFillTest, ScoreRefusesWhatMustNeverBeSuggested) {
  // Vegetables and fruits missing, 300 kcal left.
  const double groups[FOOD_GROUP_COUNT] = {0, 0, 6.0, 3.0, 5.5, 27.0};
  FillDay day = MakeDay(1700, groups, false);
  day.goals.goals[ROW_SODIUM] = {GOAL_AT_MOST, 2300, 2300};  // the one goal of the day
  day.eaten.sums[SOURCE_SODIUM] = 2400;                     // past it
  FillLeft left;
  fill_left_compute(&day, &left);

  struct Case {
    const char *what;
    void (*change)(FillFood *);
    bool suggested;
  } cases[] = {
      {"a plain vegetable", [](FillFood *) {}, true},
      {"alcohol", [](FillFood *f) { f->alcohol = true; }, false},
      {"a baby food", [](FillFood *f) { f->category = 9006; }, false},
      {"a condiment", [](FillFood *f) { f->category = 8406; }, false},
      {"energy unknown", [](FillFood *f) { f->values.has_energy = false; }, false},
      {"no portion", [](FillFood *f) { f->servings = 0; }, false},
      // 1700 + 500 = 2200 kcal: 10% over the target is still allowed, more is not.
      {"exactly 10% over", [](FillFood *f) { f->values.kcal = 500; }, true},
      {"past 10% over", [](FillFood *f) { f->values.kcal = 501; }, false},
      {"a trace of sodium", [](FillFood *f) { f->nutrients.values[SOURCE_SODIUM] = 40; }, true},
      {"more sodium", [](FillFood *f) { f->nutrients.values[SOURCE_SODIUM] = 60; }, false},
      // Past the limit, sodium that is not known may be more than a trace.
      {"sodium unknown", [](FillFood *f) { f->nutrients.unknown = 1u << SOURCE_SODIUM; }, false},
      {"another value unknown", [](FillFood *f) { f->nutrients.unknown = 1u << SOURCE_IRON; }, true},
      {"fills no gap",
       [](FillFood *f) { f->values.groups.amounts[0] = f->values.groups.amounts[1] = 0; },
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    FillFood food = MakeFood(75100000, 30, kVegetablesAndFruits);
    c.change(&food);
    FillSuggestion s;
    s.food = 0;
    EXPECT_EQ(c.suggested, fill_score(&left, &food, &s));
  }
}

TEST_F(DayFillTest, AGapIsFilledAtMostUpToWhatIsLeft) {
  const double groups[FOOD_GROUP_COUNT] = {2.0, 2.0, 6.0, 3.0, 5.5, 27.0};
  FillDay day = MakeDay(1000, groups, false);
  FillLeft left;
  fill_left_compute(&day, &left);
  FillFood small = MakeFood(75100000, 24, kVegetableCup, 0.5);  // 0.5 cup-eq: fills the gap
  FillFood big = MakeFood(75100001, 24, kVegetableCup, 2.0);    // 2 cup-eq: 1.5 over budget
  FillSuggestion a, b;
  a.food = b.food = 0;
  ASSERT_TRUE(fill_score(&left, &small, &a));
  EXPECT_DOUBLE_EQ(0.5, a.group_added[FOOD_GROUP_VEGETABLES]);
  // The big portion fills no more, pushes the group over and costs more energy.
  if (fill_score(&left, &big, &b)) {
    EXPECT_DOUBLE_EQ(0.5, b.group_added[FOOD_GROUP_VEGETABLES]);
    EXPECT_LT(b.score, a.score);
  }
  EXPECT_EQ("+0.5 cup-eq Vegetables, 12 kcal", fill_adds_text(&left, &a));
}

TEST_F(DayFillTest, RecentFoodsFirstWhenTheyFillWellAndKindsDoNotFillTheList) {
  FillDay day = MakeDay(1000, kNothing, false);
  FillLeft left;
  fill_left_compute(&day, &left);
  std::vector<FillFood> foods;
  // Five vegetables of one kind (75...), the best of them filling the most.
  for (int i = 0; i < 5; i++) foods.push_back(MakeFood(75100000 + i, 30, kVegetableCup, 1.0 + 0.1 * i));
  // A fruit the person logs, filling less than the best vegetable but more than half.
  foods.push_back(MakeFood(63101000, 60, kFruitCup, 1.0));
  foods.back().recent_uses = 4;
  // A fruit the person logs that fills little: not first.
  foods.push_back(MakeFood(63102000, 20, kFruitCup, 0.15));
  foods.back().recent_uses = 9;
  std::vector<FillSuggestion> list;
  fill_suggest(&left, foods.data(), foods.size(), 10, &list);
  // The recent fruit that fills well, then by score the two best vegetables (no third of
  // their kind), then the recent fruit that fills little.
  std::vector<int32_t> codes;
  for (const FillSuggestion &s : list) codes.push_back(foods[s.food].food_code);
  EXPECT_EQ((std::vector<int32_t>{63101000, 75100004, 75100003, 63102000}), codes);
  for (size_t i = 2; i < list.size(); i++) EXPECT_GE(list[i - 1].score, list[i].score);

  fill_suggest(&left, foods.data(), foods.size(), 1, &list);
  EXPECT_EQ(1u, list.size());
}

TEST_F(DayFillTest, LinesSayWhatIsLeftOrWhyNothingIs) {
  const double groups[FOOD_GROUP_COUNT] = {1.0, 2.0, 6.0, 3.0, 5.5, 27.0};
  FillDay day = MakeDay(1300, groups, false);
  FillLeft left;
  fill_left_compute(&day, &left);
  std::vector<std::string> lines = fill_left_lines(&left);
  ASSERT_EQ(3u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("no usable birth date"));
  EXPECT_EQ("700 kcal left of 2000", lines[1]);
  EXPECT_EQ("Vegetables: 1.5 cup-eq", lines[2]);

  day.has_profile = false;
  fill_left_compute(&day, &left);
  EXPECT_NE(std::string::npos, fill_left_lines(&left)[0].find("No profile yet"));

  day.eaten.totals.kcal = 2100;
  fill_left_compute(&day, &left);
  lines = fill_left_lines(&left);
  EXPECT_NE(std::string::npos, lines.back().find("No energy is left on this day: 2100 of 2000 kcal"));
}

}  // namespace
