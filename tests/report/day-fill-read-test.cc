// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the day's suggestions over every food of the real food database, and of reading
// a day and the person's foods from a log.
#include "report/day-fill-read.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "budget/pattern.h"
#include "fooddb/food-db.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "test-support.h"

namespace {

constexpr int32_t kBroccoliRaw = 72201100;
constexpr int32_t kApple = 63101000;
constexpr int32_t kWholeMilk = 11111000;

std::string FoodDbPath() {
  const char *root = std::getenv("ALIMORA_BUILD_ROOT");
  return std::string(root != nullptr ? root : ".") + "/data/food.db";
}

// The build's food database and every food of it, read once for all the tests.
class DayFillFoodsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    food_db_ = food_db_open(FoodDbPath().c_str());
    ASSERT_NE(nullptr, food_db_);
    table_ = new FillFoodTable;
    ASSERT_EQ(0, fill_foods_load(food_db_, table_));
  }
  static void TearDownTestSuite() {
    delete table_;
    table_ = nullptr;
    food_db_close(food_db_);
    food_db_ = nullptr;
  }
  void SetUp() override {
    setlocale(LC_ALL, "C");
    ASSERT_GT(table_->foods.size(), 7000u);
    LogEntryList none{nullptr, 0, 0};
    fill_foods_use(table_, &none);
  }

  // A 2000 kcal day of a woman of 40 with |kcal| eaten, every nutrient at its goal, and
  // every food group met except those named in |open| (amounts eaten 0).
  static FillDay DayWithGaps(double kcal, std::vector<int> open) {
    FillDay day{};
    day.calorie_target = 2000;
    day.budget = pattern_for_calories(2000);
    day.has_profile = true;
    struct tm today{};
    today.tm_year = 2026 - 1900;
    today.tm_mon = 11;
    today.tm_mday = 8;
    nutrient_goals_for("1986-05-01", 0, 2000, &today, &day.goals);
    nutrient_day_clear(&day.eaten);
    day.eaten.totals.kcal = kcal;
    day.eaten.sums[SOURCE_ENERGY] = kcal;
    for (int g = 0; g < FOOD_GROUP_COUNT; g++) day.eaten.totals.amounts[g] = day.budget.amounts[g];
    for (int g : open) day.eaten.totals.amounts[g] = 0;
    // Each "at least" goal met by the one source of its row (copper's factor is 1000).
    const struct {
      int row;
      int source;
      double factor;
    } met[] = {{ROW_PROTEIN, SOURCE_PROTEIN, 1},          {ROW_CARBOHYDRATE, SOURCE_CARBOHYDRATE, 1},
               {ROW_FIBER, SOURCE_FIBER, 1},              {ROW_LINOLEIC_ACID, SOURCE_LINOLEIC_ACID, 1},
               {ROW_LINOLENIC_ACID, SOURCE_LINOLENIC_ACID, 1}, {ROW_CALCIUM, SOURCE_CALCIUM, 1},
               {ROW_IRON, SOURCE_IRON, 1},                {ROW_MAGNESIUM, SOURCE_MAGNESIUM, 1},
               {ROW_PHOSPHORUS, SOURCE_PHOSPHORUS, 1},    {ROW_POTASSIUM, SOURCE_POTASSIUM, 1},
               {ROW_ZINC, SOURCE_ZINC, 1},                {ROW_COPPER, SOURCE_COPPER, 1000},
               {ROW_SELENIUM, SOURCE_SELENIUM, 1},        {ROW_VITAMIN_A, SOURCE_VITAMIN_A, 1},
               {ROW_VITAMIN_E, SOURCE_VITAMIN_E, 1},      {ROW_VITAMIN_D, SOURCE_VITAMIN_D, 1},
               {ROW_VITAMIN_C, SOURCE_VITAMIN_C, 1},      {ROW_THIAMIN, SOURCE_THIAMIN, 1},
               {ROW_RIBOFLAVIN, SOURCE_RIBOFLAVIN, 1},    {ROW_NIACIN, SOURCE_NIACIN, 1},
               {ROW_VITAMIN_B6, SOURCE_VITAMIN_B6, 1},    {ROW_VITAMIN_B12, SOURCE_VITAMIN_B12, 1},
               {ROW_CHOLINE, SOURCE_CHOLINE, 1},          {ROW_VITAMIN_K, SOURCE_VITAMIN_K, 1},
               {ROW_FOLATE, SOURCE_FOLATE, 1}};
    for (const auto &m : met) day.eaten.sums[m.source] = day.goals.goals[m.row].low / m.factor;
    return day;
  }

  std::vector<FillSuggestion> Suggest(const FillDay &day, FillLeft *left) {
    std::vector<FillSuggestion> list;
    fill_day_suggest(&day, table_, kFillSuggestions, left, &list);
    return list;
  }

  // What the rules say of every suggestion: it fills a gap the lines state, it keeps the day
  // within 10% of its target, and it is no alcohol.
  void ExpectSound(const FillDay &day, const FillLeft &left, const std::vector<FillSuggestion> &list) {
    for (const FillSuggestion &s : list) {
      const FillFood &food = table_->foods[s.food];
      SCOPED_TRACE(table_->descriptions[s.food]);
      bool fills = false;
      for (int g = 0; g < FOOD_GROUP_COUNT; g++) fills = fills || (s.group_added[g] > 0 && left.group_left[g] > 0);
      for (int row = 0; row < NUTRIENT_ROW_COUNT; row++)
        fills = fills || (s.nutrient_added[row] > 0 && left.nutrient_left[row] > 0);
      EXPECT_TRUE(fills);
      EXPECT_LE(day.eaten.totals.kcal + food.values.kcal * food.servings, 1.1 * day.calorie_target);
      EXPECT_FALSE(food.alcohol);
      EXPECT_FALSE(food.category >= 7502 && food.category <= 7506);
    }
  }

  static sqlite3 *food_db_;
  static FillFoodTable *table_;
};

sqlite3 *DayFillFoodsTest::food_db_ = nullptr;
FillFoodTable *DayFillFoodsTest::table_ = nullptr;

TEST_F(DayFillFoodsTest, OnlyVegetablesMissingSuggestsVegetables) {
  const FillDay day = DayWithGaps(1400, {FOOD_GROUP_VEGETABLES});
  FillLeft left;
  const std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_EQ(FILL_GAPS, left.status);
  ASSERT_EQ(kFillSuggestions, list.size());
  ExpectSound(day, left, list);
  for (const FillSuggestion &s : list) {
    SCOPED_TRACE(table_->descriptions[s.food]);
    EXPECT_GT(s.group_added[FOOD_GROUP_VEGETABLES], 0.2);
    EXPECT_NE(std::string::npos, fill_adds_text(&left, &s).find("Vegetables"));
  }
  // No more than two foods of one kind.
  for (size_t i = 0; i < list.size(); i++) {
    int same = 0;
    for (const FillSuggestion &t : list)
      same += table_->foods[t.food].food_code / 1000000 == table_->foods[list[i].food].food_code / 1000000;
    EXPECT_LE(same, 2);
  }
}

TEST_F(DayFillFoodsTest, EnergyNearlyUsedUpKeepsToTheTarget) {
  const FillDay day = DayWithGaps(1950, {FOOD_GROUP_VEGETABLES, FOOD_GROUP_FRUITS, FOOD_GROUP_DAIRY});
  FillLeft left;
  const std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  ExpectSound(day, left, list);
  // Light foods: none takes more than the 10% margin allows, and most stay within what is left.
  int within = 0;
  for (const FillSuggestion &s : list) within += s.kcal <= left.kcal_left;
  EXPECT_GE(within, static_cast<int>(list.size()) / 2);

  const FillDay full = DayWithGaps(2000, {FOOD_GROUP_VEGETABLES});
  EXPECT_TRUE(Suggest(full, &left).empty());
  EXPECT_EQ(FILL_NO_ENERGY_LEFT, left.status);
  const FillDay met = DayWithGaps(1500, {});
  EXPECT_TRUE(Suggest(met, &left).empty());
  EXPECT_EQ(FILL_ALL_MET, left.status);
}

TEST_F(DayFillFoodsTest, SodiumOverItsLimitGetsNoMoreThanATrace) {
  FillDay day = DayWithGaps(1200, {FOOD_GROUP_VEGETABLES, FOOD_GROUP_GRAINS, FOOD_GROUP_PROTEIN});
  day.eaten.sums[SOURCE_SODIUM] = 2600;  // the limit is 2300 mg
  FillLeft left;
  const std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  ExpectSound(day, left, list);
  for (const FillSuggestion &s : list) {
    const FillFood &food = table_->foods[s.food];
    SCOPED_TRACE(table_->descriptions[s.food]);
    EXPECT_LE(food.nutrients.values[SOURCE_SODIUM] * food.servings, 0.02 * 2300);
  }
}

TEST_F(DayFillFoodsTest, FrequentFoodsComeFirstWhenTheyFillAGap) {
  // Raw broccoli logged three times at 1.5 servings and once at 1, an apple twice, milk once.
  std::vector<LogEntry> entries = {
      {1, kBroccoliRaw, const_cast<char *>("Broccoli, raw"), const_cast<char *>("2026-12-01"), 1.5},
      {2, kBroccoliRaw, const_cast<char *>("Broccoli, raw"), const_cast<char *>("2026-12-03"), 1.0},
      {3, kBroccoliRaw, const_cast<char *>("Broccoli, raw"), const_cast<char *>("2026-12-05"), 1.5},
      {4, kBroccoliRaw, const_cast<char *>("Broccoli, raw"), const_cast<char *>("2026-12-06"), 1.5},
      {5, kApple, const_cast<char *>("Apple, raw"), const_cast<char *>("2026-12-06"), 2.0},
      {6, kApple, const_cast<char *>("Apple, raw"), const_cast<char *>("2026-12-07"), 2.0},
      {7, kWholeMilk, const_cast<char *>("Milk, whole"), const_cast<char *>("2026-12-07"), 2.44},
  };
  LogEntryList recent{entries.data(), entries.size(), entries.size()};
  fill_foods_use(table_, &recent);
  const FillDay day = DayWithGaps(1400, {FOOD_GROUP_VEGETABLES});
  FillLeft left;
  const std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  const FillFood &first = table_->foods[list[0].food];
  EXPECT_EQ(kBroccoliRaw, first.food_code);
  EXPECT_DOUBLE_EQ(1.5, first.servings);  // the amount logged most often
  EXPECT_EQ(4u, first.recent_uses);
  EXPECT_EQ("150 g", fill_portion_text(table_, list[0].food, nullptr));
  // The apple and the milk fill no gap of this day: not suggested at all.
  for (const FillSuggestion &s : list) {
    EXPECT_NE(kApple, table_->foods[s.food].food_code);
    EXPECT_NE(kWholeMilk, table_->foods[s.food].food_code);
  }
  ExpectSound(day, left, list);
}

TEST_F(DayFillFoodsTest, PortionsAreTheFirstMeasureOrAHundredGrams) {
  for (size_t i = 0; i < table_->foods.size(); i++) {
    if (table_->foods[i].food_code != kWholeMilk) continue;
    EXPECT_EQ("1 cup (244 g)", fill_portion_text(table_, i, food_db_));
    EXPECT_DOUBLE_EQ(2.44, table_->foods[i].servings);
    table_->foods[i].servings = 4.88;
    EXPECT_EQ("2 × 1 cup (244 g)", fill_portion_text(table_, i, food_db_));
    table_->foods[i].servings = 0.61;  // two of its second measure, 1 fl oz (30.5 g)
    EXPECT_EQ("2 × 1 fl oz (30.5 g)", fill_portion_text(table_, i, food_db_));
    EXPECT_EQ("61 g", fill_portion_text(table_, i, nullptr));
    table_->foods[i].servings = 1.0;
    EXPECT_EQ("100 g", fill_portion_text(table_, i, food_db_));
    return;
  }
  FAIL() << "whole milk is not in the food database";
}

// Reading a day and the person's foods from a real log.
class DayFillReadTest : public TempDirTest {
 protected:
  void SetUp() override {
    setlocale(LC_ALL, "C");
    TempDirTest::SetUp();
    food_db_ = food_db_open(FoodDbPath().c_str());
    ASSERT_NE(nullptr, food_db_);
    log_db_ = log_db_open(PathIn("log.db").c_str());
    ASSERT_NE(nullptr, log_db_);
    ASSERT_EQ(0, fill_foods_load(food_db_, &table_));
  }
  void TearDown() override {
    log_db_close(log_db_);
    food_db_close(food_db_);
    TempDirTest::TearDown();
  }
  const FillFood *Food(int32_t code) const {
    for (const FillFood &food : table_.foods)
      if (food.food_code == code) return &food;
    return nullptr;
  }
  sqlite3 *food_db_ = nullptr;
  sqlite3 *log_db_ = nullptr;
  FillFoodTable table_;
};

TEST_F(DayFillReadTest, TheDaySumsAndTheRecentFoodsAreTheLogs) {
  ASSERT_EQ(0, log_entry_add(log_db_, kWholeMilk, "Milk, whole", "2026-12-08", 2.44));
  ASSERT_EQ(0, log_entry_add(log_db_, kApple, "Apple, raw", "2026-12-08", 2.0));
  ASSERT_EQ(0, log_entry_add(log_db_, kApple, "Apple, raw", "2026-12-01", 2.0));
  ASSERT_EQ(0, log_entry_add(log_db_, kApple, "Apple, raw", "2026-11-20", 1.0));
  // 90 days back from 12/08 is 09/10: an entry on 09/09 is too old, one on 09/10 counts.
  ASSERT_EQ(0, log_entry_add(log_db_, kBroccoliRaw, "Broccoli, raw", "2026-09-09", 1.0));
  ASSERT_EQ(0, log_entry_add(log_db_, kWholeMilk, "Milk, whole", "2026-09-10", 1.0));
  ASSERT_EQ(0, log_entry_add(log_db_, kWholeMilk, "Milk, whole", "2026-12-09", 5.0));  // after

  FillDay day;
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &day, &table_));
  EXPECT_FALSE(day.has_profile);
  FoodValues milk, apple;
  ASSERT_EQ(0, food_values_of(food_db_, kWholeMilk, &milk));
  ASSERT_EQ(0, food_values_of(food_db_, kApple, &apple));
  EXPECT_NEAR(2.44 * milk.kcal + 2.0 * apple.kcal, day.eaten.totals.kcal, 1e-9);
  EXPECT_NEAR(2.44 * milk.groups.amounts[FOOD_GROUP_DAIRY], day.eaten.totals.amounts[FOOD_GROUP_DAIRY], 1e-9);
  EXPECT_NEAR(2.0 * apple.groups.amounts[FOOD_GROUP_FRUITS], day.eaten.totals.amounts[FOOD_GROUP_FRUITS], 1e-9);
  EXPECT_EQ(2u, day.eaten.totals.entries);

  EXPECT_EQ(3u, Food(kApple)->recent_uses);
  EXPECT_DOUBLE_EQ(2.0, Food(kApple)->servings);
  EXPECT_EQ(2u, Food(kWholeMilk)->recent_uses);
  EXPECT_EQ(0u, Food(kBroccoliRaw)->recent_uses);
  // A food not logged lately has its first measure: raw broccoli, "1 cup, chopped".
  EXPECT_NE(std::string::npos, fill_portion_text(&table_, Food(kBroccoliRaw) - table_.foods.data(), nullptr).find("1 cup"));

  // With a profile, its goals count.
  Profile profile{const_cast<char *>("1986-05-01"), 165, 60, 1, 0, 1800};
  ASSERT_EQ(0, profile_save(log_db_, &profile));
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 1800, &day, &table_));
  EXPECT_TRUE(day.has_profile);
  EXPECT_EQ(GOALS_FOUND, day.goals.status);
  EXPECT_EQ(1800, day.budget.key);
}

}  // namespace
