// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the nutritional goals, a day's nutrient sums and the Nutrients table.
#include "budget/nutrient-goals.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The fields of one CSV record (minimal quoting, no line feeds inside fields).
std::vector<std::string> csv_fields(const std::string &line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      fields.emplace_back();
    else if (c != '\r')
      fields.back() += c;
  }
  return fields;
}

std::vector<std::vector<std::string>> goals_csv() {
  const char *root = getenv("ALIMORA_SOURCE_ROOT");
  EXPECT_NE(nullptr, root) << "ALIMORA_SOURCE_ROOT is not set";
  std::ifstream in(std::string(root ? root : ".") +
                   "/data/dga/dga-2015-2020-appendix-7-nutritional-goals.csv");
  std::vector<std::vector<std::string>> records;
  std::string line;
  while (std::getline(in, line)) records.push_back(csv_fields(line));
  return records;
}

TEST(NutrientGoalsTest, GoalTableIsTheDataFileCellByCell) {
  const std::vector<std::vector<std::string>> csv = goals_csv();
  int count = 0;
  const GoalTableRow *table = goal_table(&count);
  // The header, the calorie levels, then one record per table row.
  ASSERT_EQ(static_cast<size_t>(count) + 2, csv.size());
  ASSERT_EQ(16u, csv[0].size());
  for (int group = 0; group < AGE_SEX_GROUP_COUNT; group++) {
    setlocale(LC_ALL, "C");
    EXPECT_EQ(csv[0][3 + group], age_sex_group_name(group));
  }
  EXPECT_EQ("Calorie level(s) assessed", csv[1][0]);
  for (int row = 0; row < count; row++) {
    const std::vector<std::string> &record = csv[row + 2];
    SCOPED_TRACE(record[0] + ", " + record[1]);
    ASSERT_EQ(16u, record.size());
    EXPECT_EQ(record[0], table[row].nutrient);
    EXPECT_EQ(record[1], table[row].unit);
    EXPECT_EQ(record[2], table[row].goal_type);
    for (int group = 0; group < AGE_SEX_GROUP_COUNT; group++) {
      const std::string cell = record[3 + group];
      double low = 0, high = 0;
      const size_t dash = cell.find('-');
      if (dash != std::string::npos) {
        low = std::stod(cell.substr(0, dash));
        high = std::stod(cell.substr(dash + 1));
      } else {
        EXPECT_EQ(cell[0] == '<', record[2] == "DGA") << "a limit is written <10";
        low = high = std::stod(cell.substr(cell[0] == '<' ? 1 : 0));
      }
      EXPECT_EQ(low, table[row].cells[group].low) << record[0] << " " << csv[0][3 + group];
      EXPECT_EQ(high, table[row].cells[group].high) << record[0] << " " << csv[0][3 + group];
    }
  }
}

TEST(NutrientGoalsTest, AgeAndGenderChooseTheGroup) {
  const struct {
    int age, female, male;
  } cases[] = {
      {0, GROUP_NONE, GROUP_NONE},
      {1, GROUP_CHILD_1_3, GROUP_CHILD_1_3},
      {3, GROUP_CHILD_1_3, GROUP_CHILD_1_3},
      {4, GROUP_FEMALE_4_8, GROUP_MALE_4_8},
      {8, GROUP_FEMALE_4_8, GROUP_MALE_4_8},
      {9, GROUP_FEMALE_9_13, GROUP_MALE_9_13},
      {13, GROUP_FEMALE_9_13, GROUP_MALE_9_13},
      {14, GROUP_FEMALE_14_18, GROUP_MALE_14_18},
      {18, GROUP_FEMALE_14_18, GROUP_MALE_14_18},
      {19, GROUP_FEMALE_19_30, GROUP_MALE_19_30},
      {30, GROUP_FEMALE_19_30, GROUP_MALE_19_30},
      {31, GROUP_FEMALE_31_50, GROUP_MALE_31_50},
      {50, GROUP_FEMALE_31_50, GROUP_MALE_31_50},
      {51, GROUP_FEMALE_51_PLUS, GROUP_MALE_51_PLUS},
      {70, GROUP_FEMALE_51_PLUS, GROUP_MALE_51_PLUS},
      {71, GROUP_FEMALE_51_PLUS, GROUP_MALE_51_PLUS},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.female, age_sex_group_for(c.age, 0)) << "female, age " << c.age;
    EXPECT_EQ(c.male, age_sex_group_for(c.age, 1)) << "male, age " << c.age;
  }
  EXPECT_EQ(GROUP_CHILD_1_3, age_sex_group_for(2, 7)) << "1-3 does not depend on the gender";
  EXPECT_EQ(GROUP_NONE, age_sex_group_for(40, 2));
  EXPECT_EQ(GROUP_NONE, age_sex_group_for(-3, 1));
}

struct tm day_of(int year, int month, int day) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  return t;
}

TEST(NutrientGoalsTest, GoalsComeInTheTableUnitsWithTheNotesFrom71) {
  const struct tm today = day_of(2026, 12, 6);
  NutrientGoals goals;
  // 70 on the day before the 71st birthday, then 71.
  const struct {
    const char *bdate;
    int gender, age;
    bool over_70;
    double calcium, vitamin_d_mcg;
  } cases[] = {
      {"1956-12-07", 1, 69, false, 1000, 15},  {"1955-12-07", 1, 70, false, 1000, 15},
      {"1955-12-06", 1, 71, true, 1200, 20},   {"1955-12-06", 0, 71, true, 1200, 20},
      {"1990-12-06", 0, 36, false, 1000, 15},  {"2015-01-01", 1, 11, false, 1300, 15},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bdate);
    nutrient_goals_for(c.bdate, c.gender, 2200, &today, &goals);
    EXPECT_EQ(GOALS_FOUND, goals.status);
    EXPECT_EQ(c.age, goals.age);
    EXPECT_EQ(c.over_70, goals.over_70);
    EXPECT_EQ(GOAL_AT_LEAST, goals.goals[ROW_CALCIUM].kind);
    EXPECT_EQ(c.calcium, goals.goals[ROW_CALCIUM].low);
    EXPECT_DOUBLE_EQ(c.vitamin_d_mcg, goals.goals[ROW_VITAMIN_D].low);
  }

  nutrient_goals_for("1990-12-06", 1, 2200, &today, &goals);
  EXPECT_EQ(GROUP_MALE_31_50, goals.group);
  const struct {
    int row;
    GoalKind kind;
    double low, high;
  } expected[] = {
      {ROW_ENERGY, GOAL_AT_MOST, 2200, 2200},  // the calorie target
      {ROW_PROTEIN, GOAL_AT_LEAST, 56, 56},
      {ROW_PROTEIN_ENERGY, GOAL_RANGE, 10, 35},
      {ROW_FIBER, GOAL_AT_LEAST, 30.8, 30.8},
      {ROW_ADDED_SUGARS_ENERGY, GOAL_AT_MOST, 10, 10},
      {ROW_TOTAL_FAT_ENERGY, GOAL_RANGE, 20, 35},
      {ROW_SATURATED_FAT_ENERGY, GOAL_AT_MOST, 10, 10},
      {ROW_SODIUM, GOAL_AT_MOST, 2300, 2300},
      {ROW_COPPER, GOAL_AT_LEAST, 900, 900},  // mcg, as the eaten amount
      {ROW_SELENIUM, GOAL_AT_LEAST, 55, 55},
      {ROW_FOLATE, GOAL_AT_LEAST, 400, 400},
  };
  for (const auto &e : expected) {
    EXPECT_EQ(e.kind, goals.goals[e.row].kind) << nutrient_row_info(e.row)->label;
    EXPECT_DOUBLE_EQ(e.low, goals.goals[e.row].low) << nutrient_row_info(e.row)->label;
    EXPECT_DOUBLE_EQ(e.high, goals.goals[e.row].high) << nutrient_row_info(e.row)->label;
  }
}

TEST(NutrientGoalsTest, WithoutAGroupOnlyTheEnergyHasAGoal) {
  const struct tm today = day_of(2026, 12, 6);
  const struct {
    const char *bdate;
    int gender;
    GoalsStatus status;
  } cases[] = {
      {nullptr, 0, GOALS_NO_BIRTH_DATE},      {"", 1, GOALS_NO_BIRTH_DATE},
      {"abc", 1, GOALS_NO_BIRTH_DATE},        {"2026-12-07", 1, GOALS_NO_BIRTH_DATE},
      {"2026-01-01", 0, GOALS_UNDER_ONE_YEAR}, {"1990-01-01", 2, GOALS_NO_GENDER},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bdate ? c.bdate : "(null)");
    NutrientGoals goals;
    nutrient_goals_for(c.bdate, c.gender, 1800, &today, &goals);
    EXPECT_EQ(c.status, goals.status);
    EXPECT_EQ(GROUP_NONE, goals.group);
    EXPECT_EQ(GOAL_AT_MOST, goals.goals[ROW_ENERGY].kind);
    EXPECT_EQ(1800, goals.goals[ROW_ENERGY].high);
    for (int row = ROW_PROTEIN; row < NUTRIENT_ROW_COUNT; row++)
      EXPECT_EQ(GOAL_NONE, goals.goals[row].kind) << nutrient_row_info(row)->label;
  }
  NutrientGoals toddler;
  nutrient_goals_for("2024-12-06", 5, 1000, &today, &toddler);
  EXPECT_EQ(GROUP_CHILD_1_3, toddler.group);
  EXPECT_EQ(700, toddler.goals[ROW_CALCIUM].low);
}

FoodNutrients food_with(int32_t code, std::initializer_list<std::pair<int, double>> values) {
  FoodNutrients food{};
  food.food_code = code;
  food.has_nutrients = true;
  food.has_equivalents = true;
  for (const auto &value : values) food.values[value.first] = value.second;
  return food;
}

TEST(NutrientGoalsTest, DayAddsEachFoodTimesServingsAndCountsWhatIsMissing) {
  FoodNutrients bread = food_with(1, {{SOURCE_ENERGY, 250}, {SOURCE_PROTEIN, 9},
                                      {SOURCE_CALCIUM, 150}, {SOURCE_COPPER, 0.2},
                                      {SOURCE_VITAMIN_D, 0.5}, {SOURCE_ADDED_SUGARS, 1.5}});
  bread.unknown = 1u << SOURCE_VITAMIN_K;  // NULL in the food's row
  FoodNutrients no_row{};
  no_row.food_code = 2;
  no_row.unknown = (1u << NUTRIENT_SOURCE_COUNT) - 1;

  NutrientDay day;
  nutrient_day_clear(&day);
  nutrient_day_add(&day, &bread, 2.5);
  nutrient_day_add(&day, &no_row, 3.0);
  nutrient_day_add(&day, nullptr, 1.0);

  // By hand: 2.5 servings of the bread; the other two add nothing.
  EXPECT_EQ(3u, day.totals.entries);
  EXPECT_EQ(2u, day.totals.without_energy);
  EXPECT_DOUBLE_EQ(625.0, day.totals.kcal);
  EXPECT_DOUBLE_EQ(625.0, day.sums[SOURCE_ENERGY]);
  EXPECT_DOUBLE_EQ(22.5, day.sums[SOURCE_PROTEIN]);
  EXPECT_DOUBLE_EQ(375.0, day.sums[SOURCE_CALCIUM]);
  EXPECT_DOUBLE_EQ(3.75, day.sums[SOURCE_ADDED_SUGARS]);
  EXPECT_EQ(0.0, day.sums[SOURCE_VITAMIN_K]);
  EXPECT_EQ(1u, day.missing[SOURCE_VITAMIN_K]);
  EXPECT_EQ(0u, day.missing[SOURCE_CALCIUM]) << "foods without a row count in the totals only";

  const struct tm today = day_of(2026, 12, 6);
  NutrientGoals goals;
  nutrient_goals_for("1990-12-06", 0, 2000, &today, &goals);
  NutrientTable table;
  nutrient_table_compute(&day, 1, &goals, &table);
  EXPECT_EQ(2u, table.without_nutrients);
  EXPECT_DOUBLE_EQ(625.0, table.lines[ROW_ENERGY].eaten);
  EXPECT_DOUBLE_EQ(31.25, table.lines[ROW_ENERGY].percent);
  EXPECT_EQ(MARK_NONE, table.lines[ROW_ENERGY].mark);
  EXPECT_DOUBLE_EQ(500.0, table.lines[ROW_COPPER].eaten) << "mg in the food database, mcg here";
  EXPECT_DOUBLE_EQ(1.25, table.lines[ROW_VITAMIN_D].eaten);
  EXPECT_DOUBLE_EQ(37.5, table.lines[ROW_CALCIUM].percent);
  EXPECT_EQ(MARK_BELOW, table.lines[ROW_CALCIUM].mark);
  EXPECT_TRUE(table.lines[ROW_VITAMIN_K].incomplete);
  EXPECT_FALSE(table.lines[ROW_CALCIUM].incomplete);

  // Two days' sums give the average per day.
  nutrient_table_compute(&day, 2, &goals, &table);
  EXPECT_DOUBLE_EQ(312.5, table.lines[ROW_ENERGY].eaten);
  EXPECT_DOUBLE_EQ(11.25, table.lines[ROW_PROTEIN].eaten);
}

TEST(NutrientGoalsTest, SharesOfEnergyFollowTheDaysEnergy) {
  const struct tm today = day_of(2026, 12, 6);
  NutrientGoals goals;
  nutrient_goals_for("1990-12-06", 1, 2000, &today, &goals);

  // 2000 kcal with 50 g protein (200 kcal, 10%), 300 g carbohydrate (1200 kcal, 60%),
  // 100 g fat (900 kcal, 45%: above 35), 30 g saturated fat (270 kcal, 13.5%: above 10) and
  // 15 tsp-eq added sugars (240 kcal at 16 kcal each, 12%: above 10).
  const FoodNutrients food =
      food_with(1, {{SOURCE_ENERGY, 1000}, {SOURCE_PROTEIN, 25}, {SOURCE_CARBOHYDRATE, 150},
                    {SOURCE_TOTAL_FAT, 50}, {SOURCE_SATURATED_FAT, 15}, {SOURCE_ADDED_SUGARS, 7.5}});
  NutrientDay day;
  nutrient_day_clear(&day);
  nutrient_day_add(&day, &food, 2.0);
  NutrientTable table;
  nutrient_table_compute(&day, 1, &goals, &table);
  const struct {
    int row;
    double eaten;
    NutrientMark mark;
    bool has_percent;
    double percent;
  } expected[] = {
      {ROW_PROTEIN_ENERGY, 10.0, MARK_NONE, false, 0},  // the range's lower end counts as in
      {ROW_CARBOHYDRATE_ENERGY, 60.0, MARK_NONE, false, 0},
      {ROW_TOTAL_FAT_ENERGY, 45.0, MARK_ABOVE, false, 0},
      {ROW_SATURATED_FAT_ENERGY, 13.5, MARK_ABOVE, true, 135.0},
      {ROW_ADDED_SUGARS_ENERGY, 12.0, MARK_ABOVE, true, 120.0},
  };
  for (const auto &e : expected) {
    const NutrientLine &line = table.lines[e.row];
    SCOPED_TRACE(nutrient_row_info(e.row)->label);
    EXPECT_TRUE(line.has_eaten);
    EXPECT_NEAR(e.eaten, line.eaten, 1e-9);
    EXPECT_EQ(e.mark, line.mark);
    EXPECT_EQ(e.has_percent, line.has_percent);
    if (e.has_percent) {
      EXPECT_NEAR(e.percent, line.percent, 1e-9);
    }
  }
  // The shares do not change with the number of days averaged.
  nutrient_table_compute(&day, 3, &goals, &table);
  EXPECT_NEAR(45.0, table.lines[ROW_TOTAL_FAT_ENERGY].eaten, 1e-9);

  // Less protein than 10% of energy lies below the range.
  const FoodNutrients lean = food_with(2, {{SOURCE_ENERGY, 1000}, {SOURCE_PROTEIN, 20}});
  nutrient_day_clear(&day);
  nutrient_day_add(&day, &lean, 1.0);
  nutrient_table_compute(&day, 1, &goals, &table);
  EXPECT_NEAR(8.0, table.lines[ROW_PROTEIN_ENERGY].eaten, 1e-9);
  EXPECT_EQ(MARK_BELOW, table.lines[ROW_PROTEIN_ENERGY].mark);

  // Without energy eaten there are no shares, and no marks on them.
  nutrient_day_clear(&day);
  nutrient_day_add(&day, nullptr, 1.0);
  nutrient_table_compute(&day, 1, &goals, &table);
  for (int row : {ROW_PROTEIN_ENERGY, ROW_CARBOHYDRATE_ENERGY, ROW_ADDED_SUGARS_ENERGY,
                  ROW_TOTAL_FAT_ENERGY, ROW_SATURATED_FAT_ENERGY}) {
    EXPECT_FALSE(table.lines[row].has_eaten) << nutrient_row_info(row)->label;
    EXPECT_EQ(MARK_NONE, table.lines[row].mark) << nutrient_row_info(row)->label;
  }
  EXPECT_TRUE(table.lines[ROW_PROTEIN].has_eaten);
  EXPECT_EQ(MARK_BELOW, table.lines[ROW_PROTEIN].mark);
}

TEST(NutrientGoalsTest, AmountsAndGoalsAreShownInTheirForms) {
  setlocale(LC_ALL, "C");
  char text[64];
  EXPECT_STREQ("1158", nutrient_format_amount(1157.6, 0, text, sizeof text));
  EXPECT_STREQ("0.0", nutrient_format_amount(-0.01, 1, text, sizeof text));
  const NutrientGoal at_least = {GOAL_AT_LEAST, 0.7, 0.7};
  const NutrientGoal at_most = {GOAL_AT_MOST, 2300, 2300};
  const NutrientGoal range = {GOAL_RANGE, 10, 35};
  const NutrientGoal none = {GOAL_NONE, 0, 0};
  EXPECT_STREQ("0.7", nutrient_format_goal(&at_least, text, sizeof text));
  EXPECT_STREQ("2300", nutrient_format_goal(&at_most, text, sizeof text));
  EXPECT_STREQ("10-35", nutrient_format_goal(&range, text, sizeof text));
  EXPECT_STREQ("", nutrient_format_goal(&none, text, sizeof text));

  // The footnotes name the group, what niacin counts, the added-sugar factor and the
  // missing manganese.
  const struct tm today = day_of(2026, 12, 6);
  NutrientGoals goals;
  nutrient_goals_for("1940-01-01", 1, 2000, &today, &goals);
  NutrientDay day;
  nutrient_day_clear(&day);
  NutrientTable table;
  nutrient_table_compute(&day, 1, &goals, &table);
  NutrientNotes notes;
  nutrient_table_notes(&table, &notes);
  std::string all;
  for (int i = 0; i < notes.count; i++) all += std::string(notes.text[i]) + "\n";
  EXPECT_EQ(
      "Goals for Male 51+: Dietary Guidelines for Americans 2015-2020, Appendix 7.\n"
      "From age 71: vitamin D 20 mcg (800 IU), and calcium 1200 mg for men.\n"
      "Niacin counts preformed niacin only, while its goal is in niacin equivalents, which "
      "also count niacin made from tryptophan: the share shown is lower than the real one.\n"
      "Without energy eaten the shares of energy are not shown.\n"
      "Added sugars count 16 kcal per teaspoon-equivalent (4 g of sugar at 4 kcal/g).\n"
      "Manganese is left out: the food database has no values for it.\n",
      all);
}

}  // namespace
