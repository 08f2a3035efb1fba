// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the reference food database file as the build makes it from the USDA data.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "food-db-fixture.h"

namespace {

class FoodDbFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SQLITE_OK,
              sqlite3_open_v2(food_db_path().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr));
  }

  void TearDown() override { sqlite3_close(db_); }

  // The first column of every row of |sql|, as text.
  std::vector<std::string> column(const std::string &sql) {
    std::vector<std::string> values;
    sqlite3_stmt *stmt = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr))
        << sqlite3_errmsg(db_);
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char *text = sqlite3_column_text(stmt, 0);
      values.push_back(text != nullptr ? reinterpret_cast<const char *>(text) : "NULL");
    }
    sqlite3_finalize(stmt);
    return values;
  }

  std::string one(const std::string &sql) {
    const std::vector<std::string> values = column(sql);
    return values.size() == 1 ? values[0] : "(" + std::to_string(values.size()) + " rows)";
  }

  sqlite3 *db_ = nullptr;
};

TEST_F(FoodDbFileTest, EachTableHoldsEveryFoodOnce) {
  EXPECT_EQ("7083", one("SELECT count(*) FROM foods"));
  EXPECT_EQ("7083", one("SELECT count(*) FROM nutrients"));
  EXPECT_EQ("7083", one("SELECT count(*) FROM points"));
  EXPECT_EQ("7083", one("SELECT count(DISTINCT \"Food code\") FROM foods"));
  EXPECT_EQ("7083", one("SELECT count(*) FROM foods AS f JOIN nutrients AS n USING (\"Food code\") "
                        "JOIN points AS p ON p.FOODCODE = f.\"Food code\" "
                        "WHERE f.\"Main food description\" = p.DESCRIPTION"));
}

TEST_F(FoodDbFileTest, EachTableHasAnIndexOnItsCodeColumn) {
  EXPECT_EQ((std::vector<std::string>{"foods:Food code", "measures:Food code",
                                      "nutrients:Food code", "points:FOODCODE"}),
            column("SELECT m.tbl_name || ':' || i.name FROM sqlite_master AS m, "
                   "pragma_index_info(m.name) AS i WHERE m.type = 'index' ORDER BY 1"));
}

TEST_F(FoodDbFileTest, NutrientColumnsFollowTheUsdaOrderWithCompactFattyAcidNames) {
  const std::vector<std::string> names =
      column("SELECT name FROM pragma_table_info('nutrients') ORDER BY cid");
  ASSERT_EQ(69u, names.size());
  EXPECT_EQ((std::vector<std::string>{"Food code", "Main food description", "WWEIA Category number",
                                      "WWEIA Category description", "Energy (kcal)", "Protein (g)",
                                      "Carbohydrate (g)", "Sugars, total (g)"}),
            std::vector<std::string>(names.begin(), names.begin() + 8));
  EXPECT_EQ((std::vector<std::string>{
                "Alcohol (g)", "4:0(g)",      "6:0(g)",   "8:0(g)",  "10:0(g)", "12:0(g)",
                "14:0(g)",     "16:0(g)",     "18:0(g)",  "16:1(g)", "18:1(g)", "20:1(g)",
                "22:1(g)",     "18:2(g)",     "18:3(g)",  "18:4(g)", "20:4(g)", "20:5 n-3(g)",
                "22:5 n-3(g)", "22:6 n-3(g)", "Water (g)"}),
            std::vector<std::string>(names.begin() + 48, names.end()));
  EXPECT_EQ((std::vector<std::string>{"INTEGER", "TEXT", "INTEGER", "TEXT"}),
            column("SELECT type FROM pragma_table_info('nutrients') WHERE cid < 4 ORDER BY cid"));
  EXPECT_EQ("65", one("SELECT count(*) FROM pragma_table_info('nutrients') "
                      "WHERE cid >= 4 AND type = 'REAL'"));
}

TEST_F(FoodDbFileTest, PointsColumnsSpellUnitsWithoutPeriods) {
  EXPECT_EQ((std::vector<std::string>{"FOODCODE", "DESCRIPTION", "F_TOTAL (cup eq)"}),
            column("SELECT name FROM pragma_table_info('points') WHERE cid < 3 ORDER BY cid"));
  EXPECT_EQ("39", one("SELECT count(*) FROM pragma_table_info('points')"));
  EXPECT_EQ("0", one("SELECT count(*) FROM pragma_table_info('points') WHERE name LIKE '%eq.%'"));
  EXPECT_EQ("6", one("SELECT count(*) FROM pragma_table_info('points') WHERE name IN "
                     "('V_TOTAL (cup eq)', 'F_TOTAL (cup eq)', 'G_TOTAL (oz eq)', "
                     "'D_TOTAL (cup eq)', 'PF_TOTAL (oz eq)', 'OILS (grams)')"));
  EXPECT_EQ("1", one("SELECT count(*) FROM pragma_table_info('points') "
                     "WHERE name = 'ADD_SUGARS (tsp eq)'"));
}

// The generic household measures with a real weight, without "Quantity not specified" and
// the "Guideline amount ..." rows; 18 foods ("..., for use on a sandwich") have no others.
TEST_F(FoodDbFileTest, MeasuresHoldTheGenericPortionsAPersonEats) {
  EXPECT_EQ("24358", one("SELECT count(*) FROM measures"));
  EXPECT_EQ("7040", one("SELECT count(DISTINCT \"Food code\") FROM measures"));
  EXPECT_EQ("0", one("SELECT count(*) FROM measures WHERE \"Portion weight (g)\" <= 0 "
                     "OR \"Portion description\" = 'Quantity not specified' "
                     "OR \"Portion description\" LIKE 'Guideline amount%'"));
  EXPECT_EQ("0", one("SELECT count(*) FROM measures AS m LEFT JOIN foods AS f "
                     "USING (\"Food code\") WHERE f.\"Food code\" IS NULL"));
  EXPECT_EQ((std::vector<std::string>{"1 cup|244.0", "1 fl oz|30.5",
                                      "1 individual school container|244.0"}),
            column("SELECT \"Portion description\" || '|' || \"Portion weight (g)\" "
                   "FROM measures WHERE \"Food code\" = 11111000 ORDER BY \"Seq num\""));
  EXPECT_EQ("28.0", one("SELECT \"Portion weight (g)\" FROM measures WHERE \"Food code\" = "
                        "51101000 AND \"Portion description\" = '1 medium or regular slice'"));
  EXPECT_EQ("50.0", one("SELECT \"Portion weight (g)\" FROM measures WHERE \"Food code\" = "
                        "31101010 AND \"Portion description\" = '1 egg'"));
}

}  // namespace
