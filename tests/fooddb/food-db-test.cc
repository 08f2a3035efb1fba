// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the food database queries on the real food.db and on small databases made here.

#include "fooddb/food-db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "food-db-fixture.h"

namespace fs = std::filesystem;

namespace {

const NutrientValue *find_nutrient(const NutrientList &list, const std::string &name) {
  for (size_t i = 0; i < list.count; i++)
    if (name == list.items[i].name) return &list.items[i];
  return nullptr;
}

std::string lower(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Queries on the installed reference database.
class RealFoodDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = food_db_open(food_db_path().c_str());
    ASSERT_NE(nullptr, db_);
  }

  void TearDown() override {
    food_hit_list_free(&hits_);
    nutrient_list_free(&nutrients_);
    food_db_close(db_);
  }

  sqlite3 *db_ = nullptr;
  FoodHitList hits_{nullptr, 0, 0};
  NutrientList nutrients_{nullptr, 0, 0};
};

TEST_F(RealFoodDbTest, SearchFindsFoodsCaseInsensitivelyInDescriptionOrder) {
  ASSERT_EQ(0, food_search(db_, "APPLE, RAW", &hits_));
  const std::vector<std::string> found = descriptions(hits_);
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
  for (const std::string &description : found)
    EXPECT_NE(std::string::npos, lower(description).find("apple, raw")) << description;
  bool apple = false;
  for (size_t i = 0; i < hits_.count; i++)
    apple = apple || (hits_.items[i].food_code == 63101000 &&
                      std::string("Apple, raw") == hits_.items[i].description);
  EXPECT_TRUE(apple);
  EXPECT_EQ(64u, hits_.capacity);
}

TEST_F(RealFoodDbTest, SearchReturnsTheFirstHundredMatchesAndGrowsTo128) {
  ASSERT_EQ(0, food_search(db_, "", &hits_));
  ASSERT_EQ(100u, hits_.count);
  EXPECT_EQ(128u, hits_.capacity);
  const std::vector<std::string> found = descriptions(hits_);
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));

  // No food left out sorts before the last one returned.
  sqlite3_stmt *stmt = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db_,
                                          "SELECT count(*) FROM foods "
                                          "WHERE \"Main food description\" < ?1",
                                          -1, &stmt, nullptr));
  sqlite3_bind_text(stmt, 1, found.back().c_str(), -1, SQLITE_TRANSIENT);
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
  EXPECT_GE(99, sqlite3_column_int(stmt, 0));
  sqlite3_finalize(stmt);
}

TEST_F(RealFoodDbTest, PercentAndUnderscoreInTheTextAreWildcards) {
  FoodHitList plain{nullptr, 0, 0};
  ASSERT_EQ(0, food_search(db_, "5", &plain));
  ASSERT_EQ(0, food_search(db_, "5%", &hits_));
  EXPECT_LT(0u, hits_.count);
  EXPECT_EQ(descriptions(plain), descriptions(hits_));
  food_hit_list_free(&plain);
  food_hit_list_free(&hits_);

  ASSERT_EQ(0, food_search(db_, "Milk_ whole", &hits_));
  const std::vector<std::string> found = descriptions(hits_);
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), "Milk, whole"));
  food_hit_list_free(&hits_);

  ASSERT_EQ(0, food_search(db_, "M%k, wh", &hits_));
  EXPECT_LT(0u, hits_.count);
}

TEST_F(RealFoodDbTest, SearchWithoutMatchesGivesAnEmptyList) {
  ASSERT_EQ(0, food_search(db_, "Milk, whole", &hits_));
  ASSERT_LT(0u, hits_.count);
  // A search refills the list from empty; the caller frees the earlier hits first.
  food_hit_list_free(&hits_);
  ASSERT_EQ(0, food_search(db_, "no food is called this", &hits_));
  EXPECT_EQ(0u, hits_.count);
  EXPECT_EQ(0u, hits_.capacity);
  EXPECT_EQ(nullptr, hits_.items);
}

TEST_F(RealFoodDbTest, WholeMilkHasItsNutrientsInColumnOrderWithReadableFattyAcids) {
  ASSERT_EQ(0, food_nutrients(db_, 11111000, &nutrients_));
  ASSERT_EQ(65u, nutrients_.count);
  EXPECT_STREQ("Energy (kcal)", nutrients_.items[0].name);
  EXPECT_DOUBLE_EQ(60.0, nutrients_.items[0].value);
  EXPECT_STREQ("Sugars, total (g)", nutrients_.items[3].name);
  EXPECT_DOUBLE_EQ(4.81, nutrients_.items[3].value);
  EXPECT_STREQ("Butanoic acid (4:0) (g)", nutrients_.items[45].name);
  EXPECT_DOUBLE_EQ(0.067, nutrients_.items[45].value);
  EXPECT_STREQ("DHA (22:6 n-3) (g)", nutrients_.items[63].name);
  EXPECT_STREQ("Water (g)", nutrients_.items[64].name);
  EXPECT_DOUBLE_EQ(88.1, nutrients_.items[64].value);
  const NutrientValue *epa = find_nutrient(nutrients_, "EPA (20:5 n-3) (g)");
  ASSERT_NE(nullptr, epa);
  EXPECT_DOUBLE_EQ(0.001, epa->value);
  size_t fatty_acids = 0;
  for (size_t i = 0; i < nutrients_.count; i++) {
    if (std::strchr(nutrients_.items[i].name, ':') == nullptr) continue;
    EXPECT_NE(nullptr, std::strstr(nutrients_.items[i].name, ") (g)")) << nutrients_.items[i].name;
    fatty_acids++;
  }
  EXPECT_EQ(19u, fatty_acids);
}

TEST_F(RealFoodDbTest, UnknownFoodHasNoNutrients) {
  ASSERT_EQ(0, food_nutrients(db_, 12345, &nutrients_));
  EXPECT_EQ(0u, nutrients_.count);
  EXPECT_EQ(nullptr, nutrients_.items);
}

TEST_F(RealFoodDbTest, EquivalentsOfMilkAndAppleComeInFoodGroupOrder) {
  FoodGroupAmounts amounts;
  ASSERT_EQ(0, food_equivalents(db_, 11111000, &amounts));
  EXPECT_EQ(11111000, amounts.key);
  EXPECT_DOUBLE_EQ(0.41, amounts.amounts[FOOD_GROUP_DAIRY]);
  EXPECT_DOUBLE_EQ(0.0, amounts.amounts[FOOD_GROUP_FRUITS]);

  ASSERT_EQ(0, food_equivalents(db_, 63101000, &amounts));
  EXPECT_EQ(63101000, amounts.key);
  EXPECT_DOUBLE_EQ(0.91, amounts.amounts[FOOD_GROUP_FRUITS]);
  EXPECT_DOUBLE_EQ(0.0, amounts.amounts[FOOD_GROUP_DAIRY]);
  EXPECT_DOUBLE_EQ(0.0, amounts.amounts[FOOD_GROUP_VEGETABLES]);
}

TEST_F(RealFoodDbTest, UnknownFoodHasNoEquivalentsAndZeroAmounts) {
  FoodGroupAmounts amounts;
  amounts.key = 7;
  for (double &amount : amounts.amounts) amount = 9.5;
  EXPECT_EQ(1, food_equivalents(db_, 12345, &amounts));
  EXPECT_EQ(12345, amounts.key);
  for (double amount : amounts.amounts) EXPECT_EQ(0.0, amount);
}

// The columns behind each source, by the names that the nutrient grid shows.
TEST_F(RealFoodDbTest, NutrientValuesOfADaysFoodsAreTheirColumnsAndUnknownFoodsHaveNone) {
  const char *const names[NUTRIENT_SOURCE_COUNT - 1] = {
      "Energy (kcal)", "Protein (g)", "Carbohydrate (g)", "Fiber, total dietary (g)",
      "Total Fat (g)", "Fatty acids, total saturated (g)", "Octadecadienoic acid (18:2) (g)",
      "Octadecatrienoic acid (18:3) (g)", "Calcium (mg)", "Iron (mg)", "Magnesium (mg)",
      "Phosphorus (mg)", "Potassium (mg)", "Sodium (mg)", "Zinc (mg)", "Copper (mg)",
      "Selenium (mcg)", "Vitamin A, RAE (mcg_RAE)", "Vitamin E (alpha-tocopherol) (mg)",
      "Vitamin D (D2 + D3) (mcg)", "Vitamin C (mg)", "Thiamin (mg)", "Riboflavin (mg)",
      "Niacin (mg)", "Vitamin B-6 (mg)", "Vitamin B-12 (mcg)", "Choline, total (mg)",
      "Vitamin K (phylloquinone) (mcg)", "Folate, DFE (mcg_DFE)"};
  const int32_t codes[] = {11111000, 12345, 58106230, 11111000};
  FoodNutrients foods[4];
  ASSERT_EQ(0, food_nutrients_of(db_, codes, 4, foods));
  for (int i : {0, 2}) {
    SCOPED_TRACE(codes[i]);
    EXPECT_EQ(codes[i], foods[i].food_code);
    EXPECT_TRUE(foods[i].has_nutrients);
    EXPECT_TRUE(foods[i].has_equivalents);
    EXPECT_EQ(0u, foods[i].unknown);
    nutrient_list_free(&nutrients_);
    ASSERT_EQ(0, food_nutrients(db_, codes[i], &nutrients_));
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT - 1; source++) {
      const NutrientValue *value = find_nutrient(nutrients_, names[source]);
      ASSERT_NE(nullptr, value) << names[source];
      EXPECT_EQ(value->value, foods[i].values[source]) << names[source];
    }
  }
  EXPECT_DOUBLE_EQ(60.0, foods[0].values[SOURCE_ENERGY]);
  EXPECT_DOUBLE_EQ(0.0, foods[0].values[SOURCE_ADDED_SUGARS]);
  EXPECT_GT(foods[2].values[SOURCE_ADDED_SUGARS], 0.0) << "pizza has added sugars";
  EXPECT_EQ(0, memcmp(&foods[0], &foods[3], sizeof foods[0])) << "the same food twice";

  EXPECT_EQ(12345, foods[1].food_code);
  EXPECT_FALSE(foods[1].has_nutrients);
  EXPECT_FALSE(foods[1].has_equivalents);
  EXPECT_EQ((1u << NUTRIENT_SOURCE_COUNT) - 1, foods[1].unknown);
  for (double value : foods[1].values) EXPECT_EQ(0.0, value);

  EXPECT_EQ(0, food_nutrients_of(db_, codes, 0, foods)) << "no foods, no statement";
}

TEST_F(RealFoodDbTest, MeasuresOfWholeMilkComeInUsdaOrder) {
  FoodMeasureList measures;
  ASSERT_EQ(0, food_measures(db_, 11111000, &measures));
  std::vector<std::string> texts;
  for (size_t i = 0; i < measures.count; i++)
    texts.push_back(std::string(measures.items[i].description) + " " +
                    std::to_string(measures.items[i].grams));
  EXPECT_EQ((std::vector<std::string>{"1 cup 244.000000", "1 fl oz 30.500000",
                                      "1 individual school container 244.000000"}),
            texts);
  EXPECT_EQ(64u, measures.capacity);
  food_measure_list_free(&measures);

  // Foods of the "as ingredient" kind have no measures: no failure, an empty list.
  ASSERT_EQ(0, food_measures(db_, 12345, &measures));
  EXPECT_EQ(0u, measures.count);
  EXPECT_EQ(nullptr, measures.items);
}

// Queries on small databases made for one test in a temporary directory.
class SmallFoodDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fooddb-test-XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    dir_ = pattern;
    path_ = (dir_ / "food.db").string();
  }

  void TearDown() override {
    food_hit_list_free(&hits_);
    nutrient_list_free(&nutrients_);
    food_db_close(db_);
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Makes the database from |sql| and opens it read-only through food_db_open.
  // Runs |sql| on the file through a connection of its own.
  int exec_on_file(const std::string &sql) {
    sqlite3 *writer = nullptr;
    if (sqlite3_open(path_.c_str(), &writer) != SQLITE_OK) return SQLITE_ERROR;
    const int rc = sqlite3_exec(writer, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    return rc;
  }

  void make(const std::string &sql) {
    sqlite3 *writer = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path_.c_str(), &writer));
    char *message = nullptr;
    const int rc = sqlite3_exec(writer, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message != nullptr ? message : "";
    sqlite3_free(message);
    sqlite3_close(writer);
    ASSERT_EQ(SQLITE_OK, rc) << text;
    db_ = food_db_open(path_.c_str());
    ASSERT_NE(nullptr, db_);
  }

  std::vector<std::string> nutrient_names() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < nutrients_.count; i++) names.push_back(nutrients_.items[i].name);
    return names;
  }

  fs::path dir_;
  std::string path_;
  sqlite3 *db_ = nullptr;
  FoodHitList hits_{nullptr, 0, 0};
  NutrientList nutrients_{nullptr, 0, 0};
};

TEST_F(SmallFoodDbTest, NutrientNamesLoseLineFeedsAndFattyAcidsGetDisplayNames) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE nutrients (\"Food code\" INTEGER, a TEXT, b INTEGER, c TEXT, "
           "\"Energy\n(kcal)\" REAL, \"18:1\n(g)\" REAL, \"18:1(G)\" REAL, \"Iron\r\n(mg)\" REAL, "
           "\"4:0(g)\" REAL, \"22:6 n-3(g)\" REAL, \"4:0 (g)\" REAL);"
           "INSERT INTO nutrients VALUES (1, 'x', 2, 'y', 60, 0.5, 0.25, 1.5, 3, 4, 5);"));
  ASSERT_EQ(0, food_nutrients(db_, 1, &nutrients_));
  EXPECT_EQ((std::vector<std::string>{"Energy(kcal)", "Octadecenoic acid (18:1) (g)", "18:1(G)",
                                      "Iron\r(mg)", "Butanoic acid (4:0) (g)", "DHA (22:6 n-3) (g)",
                                      "4:0 (g)"}),
            nutrient_names());
  ASSERT_EQ(7u, nutrients_.count);
  EXPECT_DOUBLE_EQ(60.0, nutrients_.items[0].value);
  EXPECT_DOUBLE_EQ(0.5, nutrients_.items[1].value);
  EXPECT_DOUBLE_EQ(5.0, nutrients_.items[6].value);
  EXPECT_EQ(64u, nutrients_.capacity);
}

TEST_F(SmallFoodDbTest, NullValuesReadAsZeroAndTextIsConverted) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE nutrients (\"Food code\" INTEGER, a, b, c, n1 REAL, n2 TEXT, n3);"
           "INSERT INTO nutrients VALUES (1, 'x', 2, 'y', NULL, '2.5', 'abc');"
           "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
           "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
           "\"PF_TOTAL (oz eq)\" REAL, \"OILS (grams)\" REAL);"
           "INSERT INTO points VALUES (1, 0.1, NULL, 0.3, NULL, 0.5, 6);"));
  ASSERT_EQ(0, food_nutrients(db_, 1, &nutrients_));
  ASSERT_EQ(3u, nutrients_.count);
  EXPECT_EQ(0.0, nutrients_.items[0].value);
  EXPECT_DOUBLE_EQ(2.5, nutrients_.items[1].value);
  EXPECT_EQ(0.0, nutrients_.items[2].value);

  FoodGroupAmounts amounts;
  ASSERT_EQ(0, food_equivalents(db_, 1, &amounts));
  EXPECT_EQ(1, amounts.key);
  EXPECT_DOUBLE_EQ(0.1, amounts.amounts[FOOD_GROUP_VEGETABLES]);
  EXPECT_EQ(0.0, amounts.amounts[FOOD_GROUP_FRUITS]);
  EXPECT_DOUBLE_EQ(0.3, amounts.amounts[FOOD_GROUP_GRAINS]);
  EXPECT_EQ(0.0, amounts.amounts[FOOD_GROUP_DAIRY]);
  EXPECT_DOUBLE_EQ(0.5, amounts.amounts[FOOD_GROUP_PROTEIN]);
  EXPECT_DOUBLE_EQ(6.0, amounts.amounts[FOOD_GROUP_OILS]);
}

TEST_F(SmallFoodDbTest, FourColumnsOrNoRowGiveNoNutrients) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE nutrients (\"Food code\" INTEGER, a, b, c);"
           "INSERT INTO nutrients VALUES (1, 'x', 2, 'y');"));
  EXPECT_EQ(0, food_nutrients(db_, 1, &nutrients_));
  EXPECT_EQ(0u, nutrients_.count);
  EXPECT_EQ(nullptr, nutrients_.items);
  nutrient_list_free(&nutrients_);
  EXPECT_EQ(0, food_nutrients(db_, 2, &nutrients_));
  EXPECT_EQ(0u, nutrients_.count);
}

TEST_F(SmallFoodDbTest, OnlyTheFirstOfDuplicateRowsIsRead) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE nutrients (\"Food code\" INTEGER, a, b, c, n1 REAL, n2 REAL);"
           "INSERT INTO nutrients VALUES (1, 'x', 2, 'y', 10, 20), (1, 'x', 2, 'y', 30, 40);"
           "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
           "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
           "\"PF_TOTAL (oz eq)\" REAL, \"OILS (grams)\" REAL);"
           "INSERT INTO points VALUES (1, 1, 1, 1, 1, 1, 1), (1, 2, 2, 2, 2, 2, 2);"));
  ASSERT_EQ(0, food_nutrients(db_, 1, &nutrients_));
  ASSERT_EQ(2u, nutrients_.count);
  EXPECT_DOUBLE_EQ(10.0, nutrients_.items[0].value);
  EXPECT_DOUBLE_EQ(20.0, nutrients_.items[1].value);
  FoodGroupAmounts amounts;
  ASSERT_EQ(0, food_equivalents(db_, 1, &amounts));
  EXPECT_DOUBLE_EQ(1.0, amounts.amounts[FOOD_GROUP_OILS]);
}

TEST_F(SmallFoodDbTest, FoodWithoutPointsRowHasZeroEquivalents) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
           "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
           "\"PF_TOTAL (oz eq)\" REAL, \"OILS (grams)\" REAL);"
           "INSERT INTO points VALUES (1, 1, 1, 1, 1, 1, 1);"));
  FoodGroupAmounts amounts;
  for (double &amount : amounts.amounts) amount = -1.0;
  EXPECT_EQ(1, food_equivalents(db_, -5, &amounts));
  EXPECT_EQ(-5, amounts.key);
  for (double amount : amounts.amounts) EXPECT_EQ(0.0, amount);
}

TEST_F(SmallFoodDbTest, AllValuesGiveOneItemPerCodeAsTheSingleLookupsDo) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE nutrients (\"Food code\" INTEGER, \"Energy (kcal)\" REAL);"
           "INSERT INTO nutrients VALUES (1, 10), (1, 30), (2, NULL);"
           "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
           "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
           "\"PF_TOTAL (oz eq)\" REAL, \"OILS (grams)\" REAL);"
           "INSERT INTO points VALUES (3, 0.5, NULL, 0, 0, 0, 4), (1, 1, 1, 1, 1, 1, 1), "
           "(1, 2, 2, 2, 2, 2, 2);"));
  FoodValuesList values{nullptr, 0, 0};
  ASSERT_EQ(0, food_values_all(db_, &values));
  ASSERT_EQ(3u, values.count);
  const FoodValues &one = values.items[0], &two = values.items[1], &three = values.items[2];
  EXPECT_EQ((std::vector<int32_t>{1, 2, 3}),
            (std::vector<int32_t>{one.food_code, two.food_code, three.food_code}));
  EXPECT_TRUE(one.has_groups);
  EXPECT_DOUBLE_EQ(1.0, one.groups.amounts[FOOD_GROUP_OILS]) << "the first of duplicate rows";
  EXPECT_TRUE(one.has_energy);
  EXPECT_DOUBLE_EQ(10.0, one.kcal);
  EXPECT_FALSE(two.has_groups);
  for (double amount : two.groups.amounts) EXPECT_EQ(0.0, amount);
  EXPECT_TRUE(two.has_energy);
  EXPECT_EQ(0.0, two.kcal) << "an empty energy is 0";
  EXPECT_TRUE(three.has_groups);
  EXPECT_FALSE(three.has_energy);
  EXPECT_EQ((std::vector<double>{0.5, 0, 0, 0, 0, 4}),
            std::vector<double>(three.groups.amounts, three.groups.amounts + FOOD_GROUP_COUNT));
  // One food at a time gives the same values, and a code in neither table gives 1.
  for (const FoodValues &all : {one, two, three}) {
    FoodValues single;
    ASSERT_EQ(0, food_values_of(db_, all.food_code, &single));
    EXPECT_EQ(all.food_code, single.food_code);
    EXPECT_EQ(all.has_groups, single.has_groups);
    EXPECT_EQ(all.has_energy, single.has_energy);
    EXPECT_EQ(all.kcal, single.kcal);
    EXPECT_EQ(std::vector<double>(all.groups.amounts, all.groups.amounts + FOOD_GROUP_COUNT),
              std::vector<double>(single.groups.amounts, single.groups.amounts + FOOD_GROUP_COUNT));
  }
  FoodValues unknown;
  EXPECT_EQ(1, food_values_of(db_, 4, &unknown));
  EXPECT_EQ(4, unknown.food_code);
  EXPECT_FALSE(unknown.has_groups || unknown.has_energy);
  // Several at once: the known ones in the order asked, the unknown left out.
  const int32_t codes[] = {3, 4, 1};
  FoodValuesList some{nullptr, 0, 0};
  ASSERT_EQ(0, food_values_some(db_, codes, 3, &some));
  ASSERT_EQ(2u, some.count);
  EXPECT_EQ(3, some.items[0].food_code);
  EXPECT_EQ(three.groups.amounts[FOOD_GROUP_OILS], some.items[0].groups.amounts[FOOD_GROUP_OILS]);
  EXPECT_EQ(1, some.items[1].food_code);
  EXPECT_EQ(one.kcal, some.items[1].kcal);
  food_values_list_free(&some);
  EXPECT_EQ(0, food_values_some(db_, codes, 0, &some));
  EXPECT_EQ(0u, some.count);
  food_values_list_free(&some);
  food_values_list_free(&values);
  food_values_list_free(&values);
  EXPECT_EQ(nullptr, values.items);
}

TEST_F(SmallFoodDbTest, MissingTablesGiveAnSqlErrorLine) {
  ASSERT_NO_FATAL_FAILURE(make("CREATE TABLE other (x);"));
  FoodGroupAmounts amounts;
  for (double &amount : amounts.amounts) amount = -1.0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_equivalents(db_, 11, &amounts));
  EXPECT_EQ("alimora: SQL error: no such table: points\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(11, amounts.key);
  const int32_t code = 11;
  FoodValuesList values{nullptr, 0, 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_values_some(db_, &code, 1, &values));
  EXPECT_EQ("alimora: SQL error: no such table: points\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, values.items);
  for (double amount : amounts.amounts) EXPECT_EQ(0.0, amount);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_search(db_, "milk", &hits_));
  EXPECT_EQ("alimora: SQL error: no such table: foods\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(0u, hits_.count);
  EXPECT_EQ(nullptr, hits_.items);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_nutrients(db_, 11, &nutrients_));
  EXPECT_EQ("alimora: SQL error: no such table: nutrients\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(0u, nutrients_.count);

  FoodMeasureList measures;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_measures(db_, 11, &measures));
  EXPECT_EQ("alimora: SQL error: no such table: measures\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(0u, measures.count);
  EXPECT_EQ(nullptr, measures.items);
}

TEST_F(SmallFoodDbTest, NutrientValuesGiveNullsAsUnknownAndMissingColumnsAsAnSqlError) {
  // Every column the query reads, all NULL but the energy and the calcium.
  const char *const columns[] = {
      "Energy (kcal)", "Protein (g)", "Carbohydrate (g)", "Fiber, total dietary (g)",
      "Total Fat (g)", "Fatty acids, total saturated (g)", "18:2(g)", "18:3(g)", "Calcium (mg)",
      "Iron (mg)", "Magnesium (mg)", "Phosphorus (mg)", "Potassium (mg)", "Sodium (mg)",
      "Zinc (mg)", "Copper (mg)", "Selenium (mcg)", "Vitamin A, RAE (mcg_RAE)",
      "Vitamin E (alpha-tocopherol) (mg)", "Vitamin D (D2 + D3) (mcg)", "Vitamin C (mg)",
      "Thiamin (mg)", "Riboflavin (mg)", "Niacin (mg)", "Vitamin B-6 (mg)",
      "Vitamin B-12 (mcg)", "Choline, total (mg)", "Vitamin K (phylloquinone) (mcg)",
      "Folate, DFE (mcg_DFE)"};
  std::string create = "CREATE TABLE nutrients (\"Food code\" INTEGER";
  for (const char *column : columns) create += std::string(", \"") + column + "\" REAL";
  ASSERT_NO_FATAL_FAILURE(make(create +
                               ");"
                               "CREATE TABLE points (FOODCODE INTEGER, \"ADD_SUGARS (tsp eq)\");"
                               "INSERT INTO nutrients (\"Food code\", \"Energy (kcal)\", "
                               "\"Calcium (mg)\") VALUES (1, 80, 12.5);"
                               "INSERT INTO points VALUES (3, 2.5);"));
  const int32_t codes[] = {1, 3};
  FoodNutrients foods[2];
  ASSERT_EQ(0, food_nutrients_of(db_, codes, 2, foods));
  EXPECT_TRUE(foods[0].has_nutrients);
  EXPECT_FALSE(foods[0].has_equivalents);
  EXPECT_EQ(80.0, foods[0].values[SOURCE_ENERGY]);
  EXPECT_EQ(12.5, foods[0].values[SOURCE_CALCIUM]);
  EXPECT_EQ((1u << NUTRIENT_SOURCE_COUNT) - 1 - (1u << SOURCE_ENERGY) - (1u << SOURCE_CALCIUM),
            foods[0].unknown);
  EXPECT_FALSE(foods[1].has_nutrients);
  EXPECT_TRUE(foods[1].has_equivalents);
  EXPECT_EQ(2.5, foods[1].values[SOURCE_ADDED_SUGARS]);
  EXPECT_EQ((1u << NUTRIENT_SOURCE_COUNT) - 1 - (1u << SOURCE_ADDED_SUGARS), foods[1].unknown);

  // A food database without one of the columns.
  ASSERT_EQ(SQLITE_OK, exec_on_file("ALTER TABLE nutrients DROP COLUMN \"Zinc (mg)\""));
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_nutrients_of(db_, codes, 2, foods));
  EXPECT_EQ("alimora: SQL error: no such column: n.Zinc (mg)\n",
            testing::internal::GetCapturedStderr());
  for (const FoodNutrients &food : foods) {
    EXPECT_FALSE(food.has_nutrients);
    EXPECT_EQ((1u << NUTRIENT_SOURCE_COUNT) - 1, food.unknown);
    for (double value : food.values) EXPECT_EQ(0.0, value);
  }
}

// Views whose columns fail while the statement runs, not when it is prepared.
TEST_F(SmallFoodDbTest, FailedStepsGiveAnSqlErrorLineAndAnEmptyList) {
  ASSERT_NO_FATAL_FAILURE(make(
      "CREATE TABLE good (code INTEGER, description TEXT);"
      "INSERT INTO good VALUES (1, 'apple'), (2, 'pear');"
      "CREATE VIEW foods AS SELECT code AS \"Food code\", description AS \"Main food description\" "
      "FROM good UNION ALL SELECT 3, json_extract('{', '$');"
      "CREATE VIEW nutrients AS SELECT 1 AS \"Food code\", 2, 3, 4, json_extract('{', '$') AS n;"
      "CREATE VIEW points AS SELECT 1 AS FOODCODE, 0 AS \"V_TOTAL (cup eq)\", "
      "0 AS \"F_TOTAL (cup eq)\", 0 AS \"G_TOTAL (oz eq)\", 0 AS \"D_TOTAL (cup eq)\", "
      "0 AS \"PF_TOTAL (oz eq)\", json_extract('{', '$') AS \"OILS (grams)\";"));

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_search(db_, "", &hits_));
  EXPECT_EQ("alimora: SQL error: malformed JSON\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(0u, hits_.count);
  EXPECT_EQ(0u, hits_.capacity);
  EXPECT_EQ(nullptr, hits_.items);

  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_nutrients(db_, 1, &nutrients_));
  EXPECT_EQ("alimora: SQL error: malformed JSON\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(0u, nutrients_.count);

  FoodGroupAmounts amounts;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_equivalents(db_, 1, &amounts));
  EXPECT_EQ("alimora: SQL error: malformed JSON\n", testing::internal::GetCapturedStderr());
  for (double amount : amounts.amounts) EXPECT_EQ(0.0, amount);
}

TEST_F(SmallFoodDbTest, OpeningAMissingFileFailsAndCreatesNothing) {
  const std::string missing = (dir_ / "absent.db").string();
  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, food_db_open(missing.c_str()));
  EXPECT_EQ("alimora: cannot open database '" + missing + "': unable to open database file\n",
            testing::internal::GetCapturedStderr());
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(SmallFoodDbTest, OpeningAFileThatIsNoDatabaseFails) {
  std::ofstream(path_) << "Food code,Main food description\n11111000,Milk\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, food_db_open(path_.c_str()));
  EXPECT_EQ("alimora: cannot open database '" + path_ + "': file is not a database\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(SmallFoodDbTest, TheDatabaseIsOpenedReadOnly) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE foods (\"Food code\" INTEGER, "
           "\"Main food description\" TEXT);"));
  EXPECT_NE(SQLITE_OK,
            sqlite3_exec(db_, "INSERT INTO foods VALUES (1, 'x')", nullptr, nullptr, nullptr));
}

TEST_F(SmallFoodDbTest, SearchCopiesEachHit) {
  ASSERT_NO_FATAL_FAILURE(
      make("CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT);"
           "INSERT INTO foods VALUES (2, 'Beta'), (1, 'alpha'), (3, 'gamma'), (4, NULL);"));
  ASSERT_EQ(0, food_search(db_, "A", &hits_));
  // The default collation orders by bytes, so capitals come first.
  EXPECT_EQ((std::vector<std::string>{"Beta", "alpha", "gamma"}), descriptions(hits_));
  ASSERT_EQ(3u, hits_.count);
  EXPECT_EQ(2, hits_.items[0].food_code);
  EXPECT_EQ(1, hits_.items[1].food_code);
}

TEST(FoodDbListFreeTest, FreeingTwiceOrNullIsHarmless) {
  food_hit_list_free(nullptr);
  nutrient_list_free(nullptr);

  FoodHitList hits{nullptr, 0, 0};
  hits.items = static_cast<FoodHit *>(malloc(2 * sizeof(FoodHit)));
  ASSERT_NE(nullptr, hits.items);
  hits.capacity = 2;
  hits.items[0] = FoodHit{1, strdup("one")};
  hits.count = 1;
  food_hit_list_free(&hits);
  EXPECT_EQ(nullptr, hits.items);
  EXPECT_EQ(0u, hits.count);
  EXPECT_EQ(0u, hits.capacity);
  food_hit_list_free(&hits);

  NutrientList nutrients{nullptr, 0, 0};
  nutrients.items = static_cast<NutrientValue *>(malloc(sizeof(NutrientValue)));
  ASSERT_NE(nullptr, nutrients.items);
  nutrients.capacity = 1;
  nutrients.items[0] = NutrientValue{strdup("Energy (kcal)"), 60.0};
  nutrients.count = 1;
  nutrient_list_free(&nutrients);
  EXPECT_EQ(nullptr, nutrients.items);
  EXPECT_EQ(0u, nutrients.count);
  EXPECT_EQ(0u, nutrients.capacity);
  nutrient_list_free(&nutrients);

  food_db_close(nullptr);
}

}  // namespace
