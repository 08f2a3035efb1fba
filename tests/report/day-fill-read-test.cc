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
#include "fooddb/food-source.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/own-foods.h"
#include "test-support.h"

namespace {

constexpr int32_t kBroccoliRaw = 72201100;
constexpr int32_t kApple = 63101000;
constexpr int32_t kWholeMilk = 11111000;
constexpr int32_t kButter = 81101000;  // a fat, WWEIA category 8002
constexpr int32_t kRedWine = 93401010;

std::string FoodDbPath() {
  const char *root = std::getenv("ALIMORA_BUILD_ROOT");
  return std::string(root != nullptr ? root : ".") + "/data/food.db";
}

// A 2000 kcal day of a woman of 40 with |kcal| eaten, every nutrient at its goal, and
// every food group met except those named in |open| (amounts eaten 0).
FillDay DayWithGaps(double kcal, std::vector<int> open) {
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

// The person's own foods and recipes among the foods of the food database.
class DayFillOwnTest : public DayFillReadTest {
 protected:
  void SetUp() override {
    DayFillReadTest::SetUp();
    food_db_use_log(food_db_, log_db_);
  }

  int32_t Store(OwnFood food) {
    OwnFault fault;
    EXPECT_EQ(0, own_food_save(log_db_, &food, &fault)) << fault.message;
    return food.food_code;
  }

  // An own food from a label: |values| per serving of |serving_g|.
  static OwnFood Label(const char *name, double serving_g,
                       std::vector<std::pair<int, double>> values, int32_t counts_like = 0) {
    OwnFood food;
    food.name = name;
    food.serving_g = serving_g;
    food.counts_like = counts_like;
    for (const auto &value : values) {
      food.values[value.first] = value.second;
      food.known |= 1u << value.first;
    }
    return food;
  }

  // 200 g of mashed greens counting like raw broccoli (1.25 cup-eq of vegetables per
  // 100 g): 2.5 cup-eq, 500 mg of potassium and 20 kcal in its serving.
  int32_t StoreGreenMash(const char *name = "Green mash", double kcal = 20, double potassium = 500) {
    return Store(Label(name, 200,
                       {{SOURCE_ENERGY, kcal}, {SOURCE_POTASSIUM, potassium}, {SOURCE_SODIUM, 20}},
                       kBroccoliRaw));
  }

  // 400 g of raw broccoli in two portions: 200 g a portion.
  int32_t StoreBroccoliSoup() {
    OwnFood soup;
    soup.kind = OWN_RECIPE;
    soup.name = "Broccoli soup";
    soup.portions = 2;
    OwnItem broccoli;
    broccoli.food_code = kBroccoliRaw;
    broccoli.grams = 400;
    soup.items.push_back(broccoli);
    return Store(soup);
  }

  std::vector<FillSuggestion> Suggest(const FillDay &day, FillLeft *left) {
    std::vector<FillSuggestion> list;
    fill_day_suggest(&day, &table_, kFillSuggestions, left, &list);
    return list;
  }

  // The suggestion of |code| in |list|, or null.
  const FillSuggestion *Find(const std::vector<FillSuggestion> &list, int32_t code) const {
    for (const FillSuggestion &s : list)
      if (table_.foods[s.food].food_code == code) return &s;
    return nullptr;
  }

  // The vegetables-only day, with 1000 mg of potassium left to its goal as well.
  static FillDay VegetablesAndPotassiumDay() {
    FillDay day = DayWithGaps(1400, {FOOD_GROUP_VEGETABLES});
    day.eaten.sums[SOURCE_POTASSIUM] -= 1000;
    return day;
  }
};

TEST_F(DayFillOwnTest, OwnFoodsAndRecipesAreOfferedInTheirOwnMeasure) {
  const int32_t mash = StoreGreenMash();
  const int32_t soup = StoreBroccoliSoup();
  ASSERT_EQ(0, fill_foods_own(food_db_, &table_));
  LogEntryList none{nullptr, 0, 0};
  fill_foods_use(&table_, &none);

  const FillDay day = VegetablesAndPotassiumDay();
  FillLeft left;
  std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_EQ(kFillSuggestions, list.size());
  // The mash fills the whole vegetable gap with the least energy: first, by its score alone.
  const FillSuggestion &first = list[0];
  ASSERT_EQ(mash, table_.foods[first.food].food_code);
  EXPECT_EQ("Green mash", table_.descriptions[first.food]);
  EXPECT_EQ("1 serving (200 g)", fill_portion_text(&table_, first.food, food_db_));
  EXPECT_DOUBLE_EQ(2.0, table_.foods[first.food].servings);
  EXPECT_NEAR(2.5, first.group_added[FOOD_GROUP_VEGETABLES], 1e-9);  // 2 × 1.25 cup-eq
  EXPECT_NEAR(500, first.nutrient_added[ROW_POTASSIUM], 1e-9);
  EXPECT_NEAR(20, first.kcal, 1e-9);
  EXPECT_EQ("+2.5 cup-eq Vegetables, +500.0 mg Potassium, 20 kcal", fill_adds_text(&left, &first));

  // The soup by its portion: 200 g of broccoli at 316 mg of potassium and 34 kcal per 100 g.
  const FillSuggestion *portion = Find(list, soup);
  ASSERT_NE(nullptr, portion);
  EXPECT_EQ("1 portion (200 g)", fill_portion_text(&table_, portion->food, food_db_));
  EXPECT_EQ("+2.5 cup-eq Vegetables, +632.0 mg Potassium, 68 kcal", fill_adds_text(&left, portion));

  // Logged twice lately in one portion, the soup comes first, as a USDA food would.
  ASSERT_EQ(0, log_entry_add(log_db_, soup, "Broccoli soup", "2026-12-01", 2.0));
  ASSERT_EQ(0, log_entry_add(log_db_, soup, "Broccoli soup", "2026-12-05", 2.0));
  FillDay read;
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &read, &table_));
  list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(soup, table_.foods[list[0].food].food_code);
  EXPECT_EQ(2u, table_.foods[list[0].food].recent_uses);
  EXPECT_EQ(mash, table_.foods[list[1].food].food_code);
  // Own foods and recipes are one kind: no third of them.
  const int32_t third = StoreGreenMash("Greener mash", 18, 510);
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &read, &table_));
  list = Suggest(day, &left);
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(soup, table_.foods[list[0].food].food_code);
  EXPECT_EQ(third, table_.foods[list[1].food].food_code);
  EXPECT_EQ(nullptr, Find(list, mash));
}

TEST_F(DayFillOwnTest, DeletedOwnFoodsAndSavedMealsAreNotOffered) {
  const int32_t mash = StoreGreenMash();
  const int32_t better = StoreGreenMash("Old mash", 10, 900);
  // Logged long ago: deleting it keeps it, marked deleted, for that entry.
  ASSERT_EQ(0, log_entry_add(log_db_, better, "Old mash", "2026-01-05", 2.0));
  OwnFood meal;
  meal.kind = OWN_MEAL;
  meal.name = "Greens twice";
  OwnItem item;
  item.food_code = better;
  item.grams = 400;
  meal.items.push_back(item);
  const int32_t meal_code = Store(meal);
  ASSERT_TRUE(food_code_is_meal(meal_code));
  const FillDay day = VegetablesAndPotassiumDay();
  FillDay read;
  FillLeft left;
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &read, &table_));
  std::vector<FillSuggestion> list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(better, table_.foods[list[0].food].food_code);
  EXPECT_EQ(mash, table_.foods[list[1].food].food_code);
  for (const FillFood &food : table_.foods) EXPECT_NE(meal_code, food.food_code);

  std::string refusal;
  ASSERT_EQ(0, own_food_delete(log_db_, meal_code, &refusal)) << refusal;
  ASSERT_EQ(0, own_food_delete(log_db_, better, &refusal)) << refusal;
  ASSERT_NE(nullptr, food_source_find(food_db_, better));
  EXPECT_TRUE(food_source_find(food_db_, better)->deleted);
  ASSERT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &read, &table_));
  list = Suggest(day, &left);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(mash, table_.foods[list[0].food].food_code);
  EXPECT_EQ(nullptr, Find(list, better));
  EXPECT_EQ(nullptr, Food(better));
}

TEST_F(DayFillOwnTest, UnknownValuesFillNoGapAndKeepAFoodOffALimitPassed) {
  // 100 g each; "Plain" tells only its energy, "Mystery" its potassium but not its sodium.
  const int32_t mystery = Store(Label("Mystery", 100, {{SOURCE_ENERGY, 10}, {SOURCE_POTASSIUM, 2000}}));
  const int32_t salted = Store(Label("Salted mystery", 100,
                                     {{SOURCE_ENERGY, 10}, {SOURCE_POTASSIUM, 2000}, {SOURCE_SODIUM, 10}}));
  const int32_t plain = Store(Label("Plain", 100, {{SOURCE_ENERGY, 10}}));
  ASSERT_EQ(0, fill_foods_own(food_db_, &table_));
  ASSERT_NE(nullptr, Food(mystery));
  EXPECT_NE(0u, Food(mystery)->nutrients.unknown & (1u << SOURCE_SODIUM));

  const struct {
    const char *what;
    double sodium;  // eaten, of a limit of 2300 mg
    bool mystery, salted;
  } cases[] = {
      {"sodium below its limit", 1000, true, true},
      {"sodium past its limit", 2600, false, true},  // 10 mg is a trace of it; unknown is not
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    FillDay day = DayWithGaps(1400, {});
    day.eaten.sums[SOURCE_POTASSIUM] -= 1500;
    day.eaten.sums[SOURCE_SODIUM] = c.sodium;
    FillLeft left;
    const std::vector<FillSuggestion> list = Suggest(day, &left);
    ASSERT_EQ(FILL_GAPS, left.status);
    EXPECT_EQ(c.mystery, Find(list, mystery) != nullptr);
    EXPECT_EQ(c.salted, Find(list, salted) != nullptr);
    if (const FillSuggestion *found = Find(list, salted)) {
      EXPECT_EQ("+1500.0 mg Potassium, 10 kcal", fill_adds_text(&left, found));
    }
    // Its energy alone fills nothing.
    EXPECT_EQ(nullptr, Find(list, plain));
  }
  // Nor does it fill a food group: it counts like no food.
  const FillDay vegetables = DayWithGaps(1400, {FOOD_GROUP_VEGETABLES});
  FillLeft left;
  EXPECT_EQ(nullptr, Find(Suggest(vegetables, &left), plain));
}

TEST_F(DayFillOwnTest, OwnFoodsAreOfTheKindOfWhatTheyCountLikeAndRecipesOfTheirIngredients) {
  const int32_t spread = Store(Label("Nut spread", 15, {{SOURCE_ENERGY, 100}}, kButter));
  const int32_t spritzer = Store(Label("Spritzer", 200, {{SOURCE_ENERGY, 80}}, kRedWine));
  OwnFood stew;
  stew.kind = OWN_RECIPE;
  stew.name = "Wine stew";
  stew.portions = 4;
  for (const std::pair<int32_t, double> &item : {std::make_pair(kBroccoliRaw, 600.0),
                                                std::make_pair(spritzer, 100.0)}) {
    OwnItem one;
    one.food_code = item.first;
    one.grams = item.second;
    stew.items.push_back(one);
  }
  const int32_t stew_code = Store(stew);
  const int32_t mash = StoreGreenMash();
  ASSERT_EQ(0, fill_foods_own(food_db_, &table_));
  const struct {
    int32_t code;
    int32_t category;
    bool alcohol;
  } cases[] = {{spread, 8002, false}, {spritzer, 7504, true}, {stew_code, 0, true},
               {mash, Food(kBroccoliRaw)->category, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.code);
    ASSERT_NE(nullptr, Food(c.code));
    EXPECT_EQ(c.category, Food(c.code)->category);
    EXPECT_EQ(c.alcohol, Food(c.code)->alcohol);
  }
}

TEST_F(DayFillOwnTest, OldAndReadOnlyLogsReadAsBefore) {
  const size_t db_foods = table_.foods.size();
  // A log made before the own foods' tables, that may only be read.
  sqlite3 *raw = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(PathIn("old.db").c_str(), &raw));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(raw,
                                    "CREATE TABLE food_log (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "food_code INTEGER NOT NULL, description TEXT NOT NULL, "
                                    "date TEXT NOT NULL, servings REAL NOT NULL DEFAULT 1.0);"
                                    "CREATE TABLE user_profile (id INTEGER PRIMARY KEY CHECK "
                                    "(id = 1), bdate TEXT NOT NULL, height_cm REAL NOT NULL, "
                                    "weight_kg REAL NOT NULL, activity_level INTEGER NOT NULL, "
                                    "gender INTEGER NOT NULL, calorie_target INTEGER NOT NULL);"
                                    "INSERT INTO food_log (food_code, description, date, servings) "
                                    "VALUES (11111000, 'Milk, whole', '2026-12-08', 2.44)",
                                    nullptr, nullptr, nullptr));
  sqlite3_close(raw);
  sqlite3 *old = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(PathIn("old.db").c_str(), &old));
  food_db_use_log(food_db_, old);
  testing::internal::CaptureStderr();
  FillDay day;
  EXPECT_EQ(0, fill_day_read(food_db_, old, "2026-12-08", 2000, &day, &table_));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_EQ(db_foods, table_.foods.size());
  EXPECT_EQ(1u, day.eaten.totals.entries);
  EXPECT_EQ(1u, Food(kWholeMilk)->recent_uses);
  EXPECT_DOUBLE_EQ(2.44, Food(kWholeMilk)->servings);
  FillLeft left;
  EXPECT_EQ(kFillSuggestions, Suggest(day, &left).size());
  food_db_use_log(food_db_, nullptr);
  log_db_close(old);

  // The log with an own food, opened read-only: the own food is read and offered.
  const int32_t mash = StoreGreenMash();
  log_db_close(log_db_);
  log_db_ = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(PathIn("log.db").c_str(), &log_db_));
  food_db_use_log(food_db_, log_db_);
  testing::internal::CaptureStderr();
  EXPECT_EQ(0, fill_day_read(food_db_, log_db_, "2026-12-08", 2000, &day, &table_));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_EQ(db_foods + 1, table_.foods.size());
  EXPECT_NE(nullptr, Food(mash));
  const FillDay vegetables = VegetablesAndPotassiumDay();
  const std::vector<FillSuggestion> list = Suggest(vegetables, &left);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(mash, table_.foods[list[0].food].food_code);
}

}  // namespace
