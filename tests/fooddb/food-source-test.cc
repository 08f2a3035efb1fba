// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the food database's queries joined to a log with own foods and recipes: a label
// scaled to 100 g with the groups of the food it counts like, a recipe worked out by hand
// from food.db's values, unknown apart from 0, the measures, the reads again after a
// change, and the food database's own foods left exactly as they were.
#include "fooddb/food-source.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "db-connection.h"
#include "food-db-fixture.h"
#include "store/log-db.h"
#include "test-support.h"

namespace {

// food.db's values per 100 g of the foods the recipes use.
struct DbFood {
  int32_t code;
  double kcal, protein, sodium, vitamin_c;
  double groups[FOOD_GROUP_COUNT];
};
const DbFood kBeef = {21500100, 260.0, 25.54, 396.0, 0.0, {0, 0, 0, 0, 3.2, 0}};
const DbFood kOnions = {75117020, 40.0, 1.1, 4.0, 7.4, {0.63, 0, 0, 0, 0, 0}};
const DbFood kMilk = {11111000, 60.0, 3.28, 38.0, 0.0, {0, 0, 0, 0.41, 0, 0}};
const DbFood kGranola = {57228000, 489.0, 13.67, 26.0, 1.2, {0, 0.11, 1.57, 0, 0.88, 12.57}};

OwnItem item(int32_t food_code, double grams) {
  OwnItem one;
  one.food_code = food_code;
  one.grams = grams;
  return one;
}

// Whether two foods' values are the same in every field.
bool same_values(const FoodValues &a, const FoodValues &b) {
  if (a.food_code != b.food_code || a.has_groups != b.has_groups || a.has_energy != b.has_energy ||
      a.kcal != b.kcal || a.groups.key != b.groups.key)
    return false;
  for (int group = 0; group < FOOD_GROUP_COUNT; group++)
    if (a.groups.amounts[group] != b.groups.amounts[group]) return false;
  return true;
}

class FoodSourceTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    food_db_ = food_db_open(food_db_path().c_str());
    ASSERT_NE(nullptr, food_db_);
    log_db_ = log_db_open(PathIn("log.db").c_str());
    ASSERT_NE(nullptr, log_db_);
    food_db_use_log(food_db_, log_db_);
  }
  void TearDown() override {
    food_db_close(food_db_);
    log_db_close(log_db_);
    TempDirTest::TearDown();
  }

  int32_t Save(OwnFood food) {
    OwnFault fault;
    EXPECT_EQ(0, own_food_save(log_db_, &food, &fault)) << fault.message;
    return food.food_code;
  }

  // The shop's granola: 250 kcal, 6 g protein, 120 mg sodium, 0 g fiber and 12 g of added
  // sugars in a serving of 55 g, counting like food.db's granola.
  int32_t SaveGranola(int32_t counts_like = kGranola.code) {
    OwnFood food;
    food.name = "Shop granola";
    food.serving_g = 55;
    food.counts_like = counts_like;
    const std::pair<int, double> label[] = {{SOURCE_ENERGY, 250},
                                            {SOURCE_PROTEIN, 6},
                                            {SOURCE_SODIUM, 120},
                                            {SOURCE_FIBER, 0},
                                            {SOURCE_ADDED_SUGARS, 12 / kAddedSugarGramsPerTsp}};
    for (const auto &value : label) {
      food.values[value.first] = value.second;
      food.known |= 1u << value.first;
    }
    return Save(food);
  }

  // A chili of beef, onions and milk in 4 portions, |cooked_g| once cooked (0: not weighed).
  OwnFood Chili(double cooked_g) {
    OwnFood chili;
    chili.kind = OWN_RECIPE;
    chili.name = "Sunday chili";
    chili.portions = 4;
    chili.cooked_g = cooked_g;
    chili.items = {item(kBeef.code, 500), item(kOnions.code, 200), item(kMilk.code, 300)};
    return chili;
  }

  FoodNutrients Nutrients(int32_t code) {
    FoodNutrients out;
    EXPECT_EQ(0, food_nutrients_of(food_db_, &code, 1, &out));
    return out;
  }

  sqlite3 *food_db_ = nullptr;
  sqlite3 *log_db_ = nullptr;
};

TEST_F(FoodSourceTest, LabelIsScaledTo100GramsWithTheGroupsOfTheFoodItCountsLike) {
  const int32_t code = SaveGranola();
  const double scale = 100.0 / 55.0;
  const FoodNutrients food = Nutrients(code);
  EXPECT_TRUE(food.has_nutrients);
  EXPECT_DOUBLE_EQ(250 * scale, food.values[SOURCE_ENERGY]);
  EXPECT_DOUBLE_EQ(120 * scale, food.values[SOURCE_SODIUM]);
  EXPECT_DOUBLE_EQ(12 / 4.0 * scale, food.values[SOURCE_ADDED_SUGARS]) << "grams to tsp-eq";
  // 0 is known, an empty field unknown.
  EXPECT_FALSE(food.unknown & (1u << SOURCE_FIBER));
  EXPECT_EQ(0.0, food.values[SOURCE_FIBER]);
  EXPECT_TRUE(food.unknown & (1u << SOURCE_CALCIUM));
  EXPECT_TRUE(food.unknown & (1u << SOURCE_SATURATED_FAT));

  FoodValues values;
  ASSERT_EQ(0, food_values_of(food_db_, code, &values));
  EXPECT_TRUE(values.has_energy);
  EXPECT_DOUBLE_EQ(250 * scale, values.kcal);
  ASSERT_TRUE(values.has_groups);
  for (int group = 0; group < FOOD_GROUP_COUNT; group++)
    EXPECT_DOUBLE_EQ(kGranola.groups[group], values.groups.amounts[group]) << group;
  FoodGroupAmounts groups;
  EXPECT_EQ(0, food_equivalents(food_db_, code, &groups));
  EXPECT_EQ(code, groups.key);
  EXPECT_DOUBLE_EQ(kGranola.groups[FOOD_GROUP_OILS], groups.amounts[FOOD_GROUP_OILS]);

  // A serving logged (55 g = 0.55 servings) counts the label's values and the unknown one
  // as missing, never as 0.
  NutrientDay day;
  nutrient_day_clear(&day);
  LogEntry entry{1, code, const_cast<char *>("Shop granola"), const_cast<char *>("2026-12-08"),
                 0.55};
  ASSERT_EQ(0, nutrient_day_add_entries(food_db_, &entry, 1, &day));
  EXPECT_NEAR(250, day.totals.kcal, 1e-9);
  EXPECT_NEAR(6, day.sums[SOURCE_PROTEIN], 1e-9);
  EXPECT_EQ(1u, day.missing[SOURCE_CALCIUM]);
  EXPECT_EQ(0u, day.missing[SOURCE_FIBER]);

  // Its serving is its household measure.
  FoodMeasureList measures{nullptr, 0, 0};
  ASSERT_EQ(0, food_measures(food_db_, code, &measures));
  ASSERT_EQ(1u, measures.count);
  EXPECT_STREQ("1 serving", measures.items[0].description);
  EXPECT_EQ(55.0, measures.items[0].grams);
  food_measure_list_free(&measures);
  std::string name;
  EXPECT_EQ(0, food_describe(food_db_, code, &name));
  EXPECT_EQ("Shop granola", name);
  EXPECT_EQ(0, food_describe(food_db_, kMilk.code, &name));
  EXPECT_EQ("Milk, whole", name);
  EXPECT_EQ(1, food_describe(food_db_, code + 1, &name));

  // The details list names the known values as the food database's columns, per 100 g.
  NutrientList details{nullptr, 0, 0};
  ASSERT_EQ(0, food_nutrients(food_db_, code, &details));
  std::vector<std::string> names;
  for (size_t i = 0; i < details.count; i++) names.push_back(details.items[i].name);
  EXPECT_EQ((std::vector<std::string>{"Energy (kcal)", "Protein (g)", "Fiber, total dietary (g)",
                                      "Sodium (mg)", "Added sugars (tsp eq)"}),
            names);
  ASSERT_EQ(5u, details.count);
  EXPECT_DOUBLE_EQ(6 * scale, details.items[1].value);
  nutrient_list_free(&details);
}

TEST_F(FoodSourceTest, WithoutCountsLikeAFoodCountsNoGroups) {
  const int32_t code = SaveGranola(0);
  FoodValues values;
  ASSERT_EQ(0, food_values_of(food_db_, code, &values));
  EXPECT_FALSE(values.has_groups);
  EXPECT_TRUE(values.has_energy);
  FoodGroupAmounts groups;
  EXPECT_EQ(1, food_equivalents(food_db_, code, &groups));
}

// The hand calculation: the ingredients' food.db values per 100 g times their grams / 100,
// summed, over the dish's weight.
TEST_F(FoodSourceTest, RecipeIsTheSumOfItsIngredientsPerGramOfTheDish) {
  struct Case {
    double cooked_g;
    double dish_g;
  };
  for (const Case &c : {Case{800, 800}, Case{0, 1000}}) {
    SCOPED_TRACE(c.cooked_g);
    const OwnFood saved = Chili(c.cooked_g);
    OwnFood chili = saved;
    chili.name += std::to_string(static_cast<int>(c.cooked_g));
    const int32_t code = Save(chili);
    auto per_100g = [&](double beef, double onions, double milk) {
      return (beef * 500 / 100 + onions * 200 / 100 + milk * 300 / 100) * 100 / c.dish_g;
    };
    const FoodNutrients food = Nutrients(code);
    EXPECT_TRUE(food.has_nutrients);
    EXPECT_NEAR(per_100g(kBeef.kcal, kOnions.kcal, kMilk.kcal), food.values[SOURCE_ENERGY],
                1e-9);
    EXPECT_NEAR(per_100g(kBeef.protein, kOnions.protein, kMilk.protein),
                food.values[SOURCE_PROTEIN], 1e-9);
    EXPECT_NEAR(per_100g(kBeef.sodium, kOnions.sodium, kMilk.sodium), food.values[SOURCE_SODIUM],
                1e-9);
    EXPECT_NEAR(per_100g(kBeef.vitamin_c, kOnions.vitamin_c, kMilk.vitamin_c),
                food.values[SOURCE_VITAMIN_C], 1e-9);
    FoodValues values;
    ASSERT_EQ(0, food_values_of(food_db_, code, &values));
    ASSERT_TRUE(values.has_groups);
    for (int group = 0; group < FOOD_GROUP_COUNT; group++)
      EXPECT_NEAR(per_100g(kBeef.groups[group], kOnions.groups[group], kMilk.groups[group]),
                  values.groups.amounts[group], 1e-12)
          << group;
    // A portion: the dish over its portions.
    FoodMeasureList measures{nullptr, 0, 0};
    ASSERT_EQ(0, food_measures(food_db_, code, &measures));
    ASSERT_EQ(1u, measures.count);
    EXPECT_STREQ("1 portion", measures.items[0].description);
    EXPECT_DOUBLE_EQ(c.dish_g / 4, measures.items[0].grams);
    food_measure_list_free(&measures);
    // The values of the dialog, for the recipe being edited, are the same.
    FoodNutrients edited;
    ASSERT_EQ(0, own_food_values(food_db_, saved, &edited, nullptr));
    EXPECT_DOUBLE_EQ(food.values[SOURCE_ENERGY], edited.values[SOURCE_ENERGY]);
  }
}

// An own food in a recipe: its unknown nutrients are unknown in the recipe, its known ones
// add up; a recipe in a recipe counts as its grams; an ingredient that changes changes it.
TEST_F(FoodSourceTest, NestedOwnIngredientsAndUnknownValues) {
  const int32_t granola = SaveGranola();
  OwnFood bowl;
  bowl.kind = OWN_RECIPE;
  bowl.name = "Bowl";
  bowl.items = {item(granola, 55), item(kMilk.code, 245)};
  const int32_t bowl_code = Save(bowl);
  OwnFood brunch;
  brunch.kind = OWN_RECIPE;
  brunch.name = "Brunch";
  brunch.items = {item(bowl_code, 150), item(kMilk.code, 50)};
  const int32_t brunch_code = Save(brunch);

  const FoodNutrients food = Nutrients(bowl_code);
  EXPECT_NEAR((250 + kMilk.kcal * 2.45) / 3, food.values[SOURCE_ENERGY], 1e-9);
  EXPECT_TRUE(food.unknown & (1u << SOURCE_VITAMIN_C)) << "the label has no vitamin C";
  EXPECT_FALSE(food.unknown & (1u << SOURCE_FIBER));
  const FoodNutrients nested = Nutrients(brunch_code);
  EXPECT_NEAR((food.values[SOURCE_ENERGY] * 1.5 + kMilk.kcal * 0.5) / 2,
              nested.values[SOURCE_ENERGY], 1e-9);

  // The label changes: both recipes follow.
  std::vector<OwnFood> all;
  ASSERT_EQ(0, own_foods_load(log_db_, false, &all));
  all[0].values[SOURCE_ENERGY] = 275;
  Save(all[0]);
  EXPECT_NEAR((275 + kMilk.kcal * 2.45) / 3, Nutrients(bowl_code).values[SOURCE_ENERGY], 1e-9);
  EXPECT_GT(Nutrients(brunch_code).values[SOURCE_ENERGY], nested.values[SOURCE_ENERGY]);
}

// While another program holds the log, the foods read before stay, without a message, and
// the change shows once the lock is gone.
TEST_F(FoodSourceTest, LockedLogKeepsWhatWasReadQuietly) {
  const int32_t code = SaveGranola();
  ASSERT_EQ(1u, food_source_own(food_db_).size());
  sqlite3 *other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(PathIn("log.db").c_str(), &other));
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "UPDATE own_foods SET name = 'Granola, renamed'"));
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "BEGIN EXCLUSIVE; UPDATE own_foods SET serving_g = 60"));
  testing::internal::CaptureStderr();
  {
    DbNoWait no_wait;
    ASSERT_EQ(1u, food_source_own(food_db_).size());
    EXPECT_EQ("Shop granola", food_source_own(food_db_)[0].name);
    FoodValues values;
    EXPECT_EQ(0, food_values_of(food_db_, code, &values));
    EXPECT_DOUBLE_EQ(250 * 100.0 / 55, values.kcal);
  }
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  ASSERT_EQ(SQLITE_OK, exec_sql(other, "ROLLBACK"));
  sqlite3_close(other);
  EXPECT_EQ("Granola, renamed", food_source_own(food_db_)[0].name);
}

// A cycle written into the tables by another program ends: the repeated part counts nothing.
TEST_F(FoodSourceTest, CycleInTheTablesIsCountedOnce) {
  OwnFood a;
  a.kind = OWN_RECIPE;
  a.name = "A";
  a.items = {item(kMilk.code, 100)};
  const int32_t a_code = Save(a);
  OwnFood b = a;
  b.name = "B";
  b.items = {item(a_code, 100)};
  const int32_t b_code = Save(b);
  std::string sql = "INSERT INTO own_items VALUES (" + std::to_string(a_code) + ", 1, " +
                    std::to_string(b_code) + ", 100, '', 0)";
  ASSERT_EQ(SQLITE_OK, exec_sql(log_db_, sql));
  const FoodNutrients food = Nutrients(a_code);
  EXPECT_TRUE(food.has_nutrients);
  EXPECT_NEAR(kMilk.kcal * 100 / 200, food.values[SOURCE_ENERGY], 1e-9);
}

// Another connection's save is seen on the next query; food.db's foods answer as without a
// log, and a read-only log without the tables has none, quietly.
TEST_F(FoodSourceTest, ReadsAgainAfterAChangeAndLeavesFoodDbAsItWas) {
  sqlite3 *plain = food_db_open(food_db_path().c_str());
  ASSERT_NE(nullptr, plain);
  FoodValuesList without{nullptr, 0, 0};
  ASSERT_EQ(0, food_values_all(plain, &without));
  const uint64_t generation = food_source_generation(food_db_);
  EXPECT_TRUE(food_source_own(food_db_).empty());

  sqlite3 *other = log_db_open(PathIn("log.db").c_str());
  ASSERT_NE(nullptr, other);
  OwnFood oats;
  oats.name = "Oats, own";
  oats.serving_g = 40;
  oats.values[SOURCE_ENERGY] = 150;
  oats.known = 1;
  OwnFault fault;
  ASSERT_EQ(0, own_food_save(other, &oats, &fault));
  log_db_close(other);
  ASSERT_EQ(1u, food_source_own(food_db_).size());
  EXPECT_NE(generation, food_source_generation(food_db_));

  FoodValuesList with{nullptr, 0, 0};
  ASSERT_EQ(0, food_values_all(food_db_, &with));
  ASSERT_EQ(without.count + 1, with.count);
  size_t differing = 0;
  for (size_t i = 0; i < without.count; i++)
    if (!same_values(without.items[i], with.items[i])) differing++;
  EXPECT_EQ(0u, differing);
  EXPECT_EQ(oats.food_code, with.items[without.count].food_code);
  EXPECT_DOUBLE_EQ(375, with.items[without.count].kcal);
  food_values_list_free(&with);

  // Mixed with food.db's codes, in the order asked, the foods without values left out.
  const int32_t codes[] = {kMilk.code, oats.food_code, 99999999, kOnions.code, oats.food_code + 5};
  FoodValuesList some{nullptr, 0, 0};
  ASSERT_EQ(0, food_values_some(food_db_, codes, 5, &some));
  ASSERT_EQ(3u, some.count);
  EXPECT_EQ(kMilk.code, some.items[0].food_code);
  EXPECT_EQ(oats.food_code, some.items[1].food_code);
  EXPECT_EQ(kOnions.code, some.items[2].food_code);
  food_values_list_free(&some);
  FoodValues one[5];
  ASSERT_EQ(0, food_values_for(food_db_, codes, 5, one));
  EXPECT_DOUBLE_EQ(kMilk.kcal, one[0].kcal);
  EXPECT_DOUBLE_EQ(375, one[1].kcal);
  EXPECT_FALSE(one[4].has_energy);
  FoodValues plain_milk;
  ASSERT_EQ(0, food_values_of(plain, kMilk.code, &plain_milk));
  EXPECT_TRUE(same_values(plain_milk, one[0]));
  food_values_list_free(&without);

  // Unjoined, an own code is no food.
  FoodValues unknown;
  EXPECT_EQ(1, food_values_of(plain, oats.food_code, &unknown));
  food_db_close(plain);

  // A log that may only be read, made before the own foods' tables, has none.
  sqlite3 *raw = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(PathIn("old.db").c_str(), &raw));
  ASSERT_EQ(SQLITE_OK, exec_sql(raw, "CREATE TABLE food_log (id INTEGER PRIMARY KEY "
                                     "AUTOINCREMENT, food_code INTEGER NOT NULL, description "
                                     "TEXT NOT NULL, date TEXT NOT NULL, servings REAL NOT NULL "
                                     "DEFAULT 1.0)"));
  sqlite3_close(raw);
  sqlite3 *read_only = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(PathIn("old.db").c_str(), &read_only));
  testing::internal::CaptureStderr();
  food_db_use_log(food_db_, read_only);
  EXPECT_TRUE(food_source_own(food_db_).empty());
  EXPECT_EQ(1, food_values_of(food_db_, oats.food_code, &unknown));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  food_db_use_log(food_db_, nullptr);
  log_db_close(read_only);
}

}  // namespace
