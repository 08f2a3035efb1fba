// SPDX-License-Identifier: GPL-3.0-or-later
// The goals of Table A7-1 for a profile, a day's nutrient sums and the Nutrients table.
#include "budget/nutrient-goals.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "budget/calorie-target.h"
#include "budget/amount-text.h"
#include "i18n.h"

static_assert(NUTRIENT_SOURCE_COUNT <= 32, "FoodNutrients::unknown has one bit per source");

namespace {

// Table A7-1, "Daily Nutritional Goals for Age-Sex Groups", as in
// data/dga/dga-2015-2020-appendix-7-nutritional-goals.csv (a test compares the two cell by
// cell). Columns in AgeSexGroup order.
const GoalTableRow kGoalTable[] = {
    {"Protein", "g", "RDA",
     {{13, 13}, {19, 19}, {19, 19}, {34, 34}, {34, 34}, {46, 46}, {52, 52}, {46, 46}, {56, 56},
      {46, 46}, {56, 56}, {46, 46}, {56, 56}}},
    {"Protein", "% kcal", "AMDR",
     {{5, 20}, {10, 30}, {10, 30}, {10, 30}, {10, 30}, {10, 30}, {10, 30}, {10, 35}, {10, 35},
      {10, 35}, {10, 35}, {10, 35}, {10, 35}}},
    {"Carbohydrate", "g", "RDA",
     {{130, 130}, {130, 130}, {130, 130}, {130, 130}, {130, 130}, {130, 130}, {130, 130},
      {130, 130}, {130, 130}, {130, 130}, {130, 130}, {130, 130}, {130, 130}}},
    {"Carbohydrate", "% kcal", "AMDR",
     {{45, 65}, {45, 65}, {45, 65}, {45, 65}, {45, 65}, {45, 65}, {45, 65}, {45, 65}, {45, 65},
      {45, 65}, {45, 65}, {45, 65}, {45, 65}}},
    {"Dietary fiber", "g", "14g/1,000 kcal",
     {{14, 14}, {16.8, 16.8}, {19.6, 19.6}, {22.4, 22.4}, {25.2, 25.2}, {25.2, 25.2}, {30.8, 30.8},
      {28, 28}, {33.6, 33.6}, {25.2, 25.2}, {30.8, 30.8}, {22.4, 22.4}, {28, 28}}},
    {"Added sugars", "% kcal", "DGA",
     {{10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10},
      {10, 10}, {10, 10}, {10, 10}, {10, 10}}},
    {"Total fat", "% kcal", "AMDR",
     {{30, 40}, {25, 35}, {25, 35}, {25, 35}, {25, 35}, {25, 35}, {25, 35}, {20, 35}, {20, 35},
      {20, 35}, {20, 35}, {20, 35}, {20, 35}}},
    {"Saturated fat", "% kcal", "DGA",
     {{10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10}, {10, 10},
      {10, 10}, {10, 10}, {10, 10}, {10, 10}}},
    {"Linoleic acid", "g", "AI",
     {{7, 7}, {10, 10}, {10, 10}, {10, 10}, {12, 12}, {11, 11}, {16, 16}, {12, 12}, {17, 17},
      {12, 12}, {17, 17}, {11, 11}, {14, 14}}},
    {"Linolenic acid", "g", "AI",
     {{0.7, 0.7}, {0.9, 0.9}, {0.9, 0.9}, {1, 1}, {1.2, 1.2}, {1.1, 1.1}, {1.6, 1.6}, {1.1, 1.1},
      {1.6, 1.6}, {1.1, 1.1}, {1.6, 1.6}, {1.1, 1.1}, {1.6, 1.6}}},
    {"Calcium", "mg", "RDA",
     {{700, 700}, {1000, 1000}, {1000, 1000}, {1300, 1300}, {1300, 1300}, {1300, 1300},
      {1300, 1300}, {1000, 1000}, {1000, 1000}, {1000, 1000}, {1000, 1000}, {1200, 1200},
      {1000, 1000}}},
    {"Iron", "mg", "RDA",
     {{7, 7}, {10, 10}, {10, 10}, {8, 8}, {8, 8}, {15, 15}, {11, 11}, {18, 18}, {8, 8}, {18, 18},
      {8, 8}, {8, 8}, {8, 8}}},
    {"Magnesium", "mg", "RDA",
     {{80, 80}, {130, 130}, {130, 130}, {240, 240}, {240, 240}, {360, 360}, {410, 410}, {310, 310},
      {400, 400}, {320, 320}, {420, 420}, {320, 320}, {420, 420}}},
    {"Phosphorus", "mg", "RDA",
     {{460, 460}, {500, 500}, {500, 500}, {1250, 1250}, {1250, 1250}, {1250, 1250}, {1250, 1250},
      {700, 700}, {700, 700}, {700, 700}, {700, 700}, {700, 700}, {700, 700}}},
    {"Potassium", "mg", "AI",
     {{3000, 3000}, {3800, 3800}, {3800, 3800}, {4500, 4500}, {4500, 4500}, {4700, 4700},
      {4700, 4700}, {4700, 4700}, {4700, 4700}, {4700, 4700}, {4700, 4700}, {4700, 4700},
      {4700, 4700}}},
    {"Sodium", "mg", "UL",
     {{1500, 1500}, {1900, 1900}, {1900, 1900}, {2200, 2200}, {2200, 2200}, {2300, 2300},
      {2300, 2300}, {2300, 2300}, {2300, 2300}, {2300, 2300}, {2300, 2300}, {2300, 2300},
      {2300, 2300}}},
    {"Zinc", "mg", "RDA",
     {{3, 3}, {5, 5}, {5, 5}, {8, 8}, {8, 8}, {9, 9}, {11, 11}, {8, 8}, {11, 11}, {8, 8}, {11, 11},
      {8, 8}, {11, 11}}},
    {"Copper", "mcg", "RDA",
     {{340, 340}, {440, 440}, {440, 440}, {700, 700}, {700, 700}, {890, 890}, {890, 890},
      {900, 900}, {900, 900}, {900, 900}, {900, 900}, {900, 900}, {900, 900}}},
    {"Manganese", "mg", "AI",
     {{1.2, 1.2}, {1.5, 1.5}, {1.5, 1.5}, {1.6, 1.6}, {1.9, 1.9}, {1.6, 1.6}, {2.2, 2.2},
      {1.8, 1.8}, {2.3, 2.3}, {1.8, 1.8}, {2.3, 2.3}, {1.8, 1.8}, {2.3, 2.3}}},
    {"Selenium", "mcg", "RDA",
     {{20, 20}, {30, 30}, {30, 30}, {40, 40}, {40, 40}, {55, 55}, {55, 55}, {55, 55}, {55, 55},
      {55, 55}, {55, 55}, {55, 55}, {55, 55}}},
    {"Vitamin A", "mcg RAE", "RDA",
     {{300, 300}, {400, 400}, {400, 400}, {600, 600}, {600, 600}, {700, 700}, {900, 900},
      {700, 700}, {900, 900}, {700, 700}, {900, 900}, {700, 700}, {900, 900}}},
    {"Vitamin E", "mg AT", "RDA",
     {{6, 6}, {7, 7}, {7, 7}, {11, 11}, {11, 11}, {15, 15}, {15, 15}, {15, 15}, {15, 15}, {15, 15},
      {15, 15}, {15, 15}, {15, 15}}},
    {"Vitamin D", "IU", "RDA",
     {{600, 600}, {600, 600}, {600, 600}, {600, 600}, {600, 600}, {600, 600}, {600, 600},
      {600, 600}, {600, 600}, {600, 600}, {600, 600}, {600, 600}, {600, 600}}},
    {"Vitamin C", "mg", "RDA",
     {{15, 15}, {25, 25}, {25, 25}, {45, 45}, {45, 45}, {65, 65}, {75, 75}, {75, 75}, {90, 90},
      {75, 75}, {90, 90}, {75, 75}, {90, 90}}},
    {"Thiamin", "mg", "RDA",
     {{0.5, 0.5}, {0.6, 0.6}, {0.6, 0.6}, {0.9, 0.9}, {0.9, 0.9}, {1, 1}, {1.2, 1.2}, {1.1, 1.1},
      {1.2, 1.2}, {1.1, 1.1}, {1.2, 1.2}, {1.1, 1.1}, {1.2, 1.2}}},
    {"Riboflavin", "mg", "RDA",
     {{0.5, 0.5}, {0.6, 0.6}, {0.6, 0.6}, {0.9, 0.9}, {0.9, 0.9}, {1, 1}, {1.3, 1.3}, {1.1, 1.1},
      {1.3, 1.3}, {1.1, 1.1}, {1.3, 1.3}, {1.1, 1.1}, {1.3, 1.3}}},
    {"Niacin", "mg", "RDA",
     {{6, 6}, {8, 8}, {8, 8}, {12, 12}, {12, 12}, {14, 14}, {16, 16}, {14, 14}, {16, 16}, {14, 14},
      {16, 16}, {14, 14}, {16, 16}}},
    {"Vitamin B6", "mg", "RDA",
     {{0.5, 0.5}, {0.6, 0.6}, {0.6, 0.6}, {1, 1}, {1, 1}, {1.2, 1.2}, {1.3, 1.3}, {1.3, 1.3},
      {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}, {1.5, 1.5}, {1.7, 1.7}}},
    {"Vitamin B12", "mcg", "RDA",
     {{0.9, 0.9}, {1.2, 1.2}, {1.2, 1.2}, {1.8, 1.8}, {1.8, 1.8}, {2.4, 2.4}, {2.4, 2.4},
      {2.4, 2.4}, {2.4, 2.4}, {2.4, 2.4}, {2.4, 2.4}, {2.4, 2.4}, {2.4, 2.4}}},
    {"Choline", "mg", "AI",
     {{200, 200}, {250, 250}, {250, 250}, {375, 375}, {375, 375}, {400, 400}, {550, 550},
      {425, 425}, {550, 550}, {425, 425}, {550, 550}, {425, 425}, {550, 550}}},
    {"Vitamin K", "mcg", "AI",
     {{30, 30}, {55, 55}, {55, 55}, {60, 60}, {60, 60}, {75, 75}, {75, 75}, {90, 90}, {120, 120},
      {90, 90}, {120, 120}, {90, 90}, {120, 120}}},
    {"Folate", "mcg DFE", "RDA",
     {{150, 150}, {200, 200}, {200, 200}, {300, 300}, {300, 300}, {400, 400}, {400, 400},
      {400, 400}, {400, 400}, {400, 400}, {400, 400}, {400, 400}, {400, 400}}},
};
constexpr int kGoalTableRows = sizeof kGoalTable / sizeof kGoalTable[0];

const char *const kGroupNames[AGE_SEX_GROUP_COUNT] = {
    // Translators: an age-sex group of the Dietary Guidelines' nutritional goals (years)
    N_("Child 1-3"),
    N_("Female 4-8"),
    N_("Male 4-8"),
    N_("Female 9-13"),
    N_("Male 9-13"),
    N_("Female 14-18"),
    N_("Male 14-18"),
    N_("Female 19-30"),
    N_("Male 19-30"),
    N_("Female 31-50"),
    N_("Male 31-50"),
    N_("Female 51+"),
    N_("Male 51+"),
};

const char *const kSectionTitles[NUTRIENT_SECTION_COUNT] = {
    // Translators: a group of rows of the Nutrients window
    N_("Energy and macronutrients"),
    // Translators: a group of rows of the Nutrients window
    N_("Minerals"),
    // Translators: a group of rows of the Nutrients window
    N_("Vitamins"),
};

// How each row is computed: the source it sums (times |factor|), as % of energy at
// |kcal_per_unit| when that is above 0, against the goals table's row |goal_row| (-1: the
// calorie target) whose values are multiplied by |goal_factor|.
struct RowRule {
  NutrientRowInfo info;
  int source;
  double factor;
  double kcal_per_unit;
  int goal_row;
  double goal_factor;
};

// Goals table rows, in its order (the calorie row not counted).
enum {
  T_PROTEIN, T_PROTEIN_ENERGY, T_CARBOHYDRATE, T_CARBOHYDRATE_ENERGY, T_FIBER,
  T_ADDED_SUGARS, T_TOTAL_FAT, T_SATURATED_FAT, T_LINOLEIC, T_LINOLENIC, T_CALCIUM, T_IRON,
  T_MAGNESIUM, T_PHOSPHORUS, T_POTASSIUM, T_SODIUM, T_ZINC, T_COPPER, T_MANGANESE,
  T_SELENIUM, T_VITAMIN_A, T_VITAMIN_E, T_VITAMIN_D, T_VITAMIN_C, T_THIAMIN, T_RIBOFLAVIN,
  T_NIACIN, T_VITAMIN_B6, T_VITAMIN_B12, T_CHOLINE, T_VITAMIN_K, T_FOLATE, T_COUNT
};

constexpr double kMcgPerIu = 1.0 / 40.0;
constexpr int S_MACRO = SECTION_MACRONUTRIENTS;
constexpr int S_MINERAL = SECTION_MINERALS;
constexpr int S_VITAMIN = SECTION_VITAMINS;

// Translators: the rows of the Nutrients window: a nutrient's name, then its unit (kcal
// kilocalories, g grams, mg milligrams, mcg micrograms, RAE retinol activity equivalents,
// AT alpha-tocopherol, DFE dietary folate equivalents)
const RowRule kRows[NUTRIENT_ROW_COUNT] = {
    {{S_MACRO, N_("Energy (kcal)"), "energy", "kcal", 0}, SOURCE_ENERGY, 1, 0, -1, 1},
    {{S_MACRO, N_("Protein (g)"), "protein", "g", 1}, SOURCE_PROTEIN, 1, 0, T_PROTEIN, 1},
    {{S_MACRO, N_("Protein (% kcal)"), "protein", "% kcal", 1}, SOURCE_PROTEIN, 1, 4,
     T_PROTEIN_ENERGY, 1},
    {{S_MACRO, N_("Carbohydrate (g)"), "carbohydrate", "g", 1}, SOURCE_CARBOHYDRATE, 1, 0,
     T_CARBOHYDRATE, 1},
    {{S_MACRO, N_("Carbohydrate (% kcal)"), "carbohydrate", "% kcal", 1},
     SOURCE_CARBOHYDRATE, 1, 4, T_CARBOHYDRATE_ENERGY, 1},
    {{S_MACRO, N_("Dietary fiber (g)"), "dietary_fiber", "g", 1}, SOURCE_FIBER, 1, 0, T_FIBER,
     1},
    {{S_MACRO, N_("Added sugars (% kcal)"), "added_sugars", "% kcal", 1},
     SOURCE_ADDED_SUGARS, 1, kKcalPerAddedSugarTsp, T_ADDED_SUGARS, 1},
    {{S_MACRO, N_("Total fat (% kcal)"), "total_fat", "% kcal", 1}, SOURCE_TOTAL_FAT, 1,
     9, T_TOTAL_FAT, 1},
    {{S_MACRO, N_("Saturated fat (% kcal)"), "saturated_fat", "% kcal", 1},
     SOURCE_SATURATED_FAT, 1, 9, T_SATURATED_FAT, 1},
    {{S_MACRO, N_("Linoleic acid (g)"), "linoleic_acid", "g", 1}, SOURCE_LINOLEIC_ACID, 1, 0,
     T_LINOLEIC, 1},
    {{S_MACRO, N_("Linolenic acid (g)"), "linolenic_acid", "g", 1}, SOURCE_LINOLENIC_ACID, 1,
     0, T_LINOLENIC, 1},
    {{S_MINERAL, N_("Calcium (mg)"), "calcium", "mg", 1}, SOURCE_CALCIUM, 1, 0, T_CALCIUM, 1},
    {{S_MINERAL, N_("Iron (mg)"), "iron", "mg", 1}, SOURCE_IRON, 1, 0, T_IRON, 1},
    {{S_MINERAL, N_("Magnesium (mg)"), "magnesium", "mg", 1}, SOURCE_MAGNESIUM, 1, 0,
     T_MAGNESIUM, 1},
    {{S_MINERAL, N_("Phosphorus (mg)"), "phosphorus", "mg", 1}, SOURCE_PHOSPHORUS, 1, 0,
     T_PHOSPHORUS, 1},
    {{S_MINERAL, N_("Potassium (mg)"), "potassium", "mg", 1}, SOURCE_POTASSIUM, 1, 0,
     T_POTASSIUM, 1},
    {{S_MINERAL, N_("Sodium (mg)"), "sodium", "mg", 0}, SOURCE_SODIUM, 1, 0, T_SODIUM, 1},
    {{S_MINERAL, N_("Zinc (mg)"), "zinc", "mg", 1}, SOURCE_ZINC, 1, 0, T_ZINC, 1},
    // The food database gives copper in mg, the goals table in mcg.
    {{S_MINERAL, N_("Copper (mcg)"), "copper", "mcg", 1}, SOURCE_COPPER, 1000, 0, T_COPPER, 1},
    {{S_MINERAL, N_("Selenium (mcg)"), "selenium", "mcg", 1}, SOURCE_SELENIUM, 1, 0,
     T_SELENIUM, 1},
    {{S_VITAMIN, N_("Vitamin A (mcg RAE)"), "vitamin_a", "mcg RAE", 1}, SOURCE_VITAMIN_A, 1, 0,
     T_VITAMIN_A, 1},
    {{S_VITAMIN, N_("Vitamin E (mg AT)"), "vitamin_e", "mg AT", 1}, SOURCE_VITAMIN_E, 1, 0,
     T_VITAMIN_E, 1},
    // The goals table gives vitamin D in IU, the food database in mcg.
    {{S_VITAMIN, N_("Vitamin D (mcg)"), "vitamin_d", "mcg", 1}, SOURCE_VITAMIN_D, 1, 0,
     T_VITAMIN_D, kMcgPerIu},
    {{S_VITAMIN, N_("Vitamin C (mg)"), "vitamin_c", "mg", 1}, SOURCE_VITAMIN_C, 1, 0,
     T_VITAMIN_C, 1},
    {{S_VITAMIN, N_("Thiamin (mg)"), "thiamin", "mg", 1}, SOURCE_THIAMIN, 1, 0, T_THIAMIN, 1},
    {{S_VITAMIN, N_("Riboflavin (mg)"), "riboflavin", "mg", 1}, SOURCE_RIBOFLAVIN, 1, 0,
     T_RIBOFLAVIN, 1},
    {{S_VITAMIN, N_("Niacin (mg)"), "niacin", "mg", 1}, SOURCE_NIACIN, 1, 0, T_NIACIN, 1},
    {{S_VITAMIN, N_("Vitamin B6 (mg)"), "vitamin_b6", "mg", 1}, SOURCE_VITAMIN_B6, 1, 0,
     T_VITAMIN_B6, 1},
    {{S_VITAMIN, N_("Vitamin B12 (mcg)"), "vitamin_b12", "mcg", 1}, SOURCE_VITAMIN_B12, 1, 0,
     T_VITAMIN_B12, 1},
    {{S_VITAMIN, N_("Choline (mg)"), "choline", "mg", 1}, SOURCE_CHOLINE, 1, 0, T_CHOLINE, 1},
    {{S_VITAMIN, N_("Vitamin K (mcg)"), "vitamin_k", "mcg", 1}, SOURCE_VITAMIN_K, 1, 0,
     T_VITAMIN_K, 1},
    {{S_VITAMIN, N_("Folate (mcg DFE)"), "folate", "mcg DFE", 1}, SOURCE_FOLATE, 1, 0,
     T_FOLATE, 1},
};

static_assert(T_COUNT == sizeof kGoalTable / sizeof kGoalTable[0],
              "one goal table row per enumerator");

GoalKind kind_of(const char *goal_type) {
  if (strcmp(goal_type, "UL") == 0 || strcmp(goal_type, "DGA") == 0) return GOAL_AT_MOST;
  if (strcmp(goal_type, "AMDR") == 0) return GOAL_RANGE;
  return GOAL_AT_LEAST;  // RDA, AI and the fiber AI's basis
}

// |value| rounded to |decimals| places, as it is shown: marks follow the numbers shown.
double as_shown(double value, int decimals) {
  const double scale = decimals > 0 ? std::pow(10.0, decimals) : 1.0;
  return std::round(value * scale) / scale;
}

// Whether the birth date text reads as three numbers that lie on or before |today|.
bool birth_date_usable(const char *bdate, const struct tm *today) {
  int year = 0, month = 0, day = 0;
  if (!bdate || !today || sscanf(bdate, "%d-%d-%d", &year, &month, &day) != 3) return false;
  const int today_year = today->tm_year + 1900;
  const int today_month = today->tm_mon + 1;
  if (year != today_year) return year < today_year;
  if (month != today_month) return month < today_month;
  return day <= today->tm_mday;
}

void add_note(NutrientNotes *notes, const char *text) {
  if (notes->count >= static_cast<int>(sizeof notes->text / sizeof notes->text[0])) return;
  snprintf(notes->text[notes->count++], sizeof notes->text[0], "%s", text);
}

}  // namespace

void nutrient_day_clear(NutrientDay *day) {
  *day = NutrientDay{};
  day_totals_clear(&day->totals);
}

void nutrient_day_add(NutrientDay *day, const FoodNutrients *food, double servings) {
  FoodValues energy = {food ? food->food_code : 0, false, {0, {0, 0, 0, 0, 0, 0}}, false, 0.0};
  const bool known = food && food->has_nutrients;
  if (known) {
    energy.has_energy = true;
    energy.kcal = food->values[SOURCE_ENERGY];
  }
  day_totals_add(&day->totals, &energy, servings);
  // A food without a nutrient row adds nothing at all (day->totals counts it); one with a
  // row may still lack single values.
  if (known) {
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
      if ((food->unknown & (1u << source)) != 0)
        day->missing[source]++;
      else if (source != SOURCE_ENERGY)
        day->sums[source] += food->values[source] * servings;
    }
  }
  day->sums[SOURCE_ENERGY] = day->totals.kcal;
}

int age_sex_group_for(int age, int gender) {
  if (age < 1) return GROUP_NONE;
  if (age <= 3) return GROUP_CHILD_1_3;
  if (gender != 0 && gender != 1) return GROUP_NONE;
  int female;
  if (age <= 8)
    female = GROUP_FEMALE_4_8;
  else if (age <= 13)
    female = GROUP_FEMALE_9_13;
  else if (age <= 18)
    female = GROUP_FEMALE_14_18;
  else if (age <= 30)
    female = GROUP_FEMALE_19_30;
  else if (age <= 50)
    female = GROUP_FEMALE_31_50;
  else
    female = GROUP_FEMALE_51_PLUS;
  return female + gender;
}

const char *age_sex_group_name(int group) {
  if (group < 0 || group >= AGE_SEX_GROUP_COUNT) return "";
  return _(kGroupNames[group]);
}

const GoalTableRow *goal_table(int *count) {
  *count = kGoalTableRows;
  return kGoalTable;
}

const char *nutrient_section_title(int section) {
  if (section < 0 || section >= NUTRIENT_SECTION_COUNT) return "";
  return _(kSectionTitles[section]);
}

const NutrientRowInfo *nutrient_row_info(int row) {
  if (row < 0 || row >= NUTRIENT_ROW_COUNT) return nullptr;
  return &kRows[row].info;
}

bool nutrient_row_is_share(int row) {
  return row >= 0 && row < NUTRIENT_ROW_COUNT && kRows[row].kcal_per_unit > 0;
}

double nutrient_row_amount(int row, const double *sums) {
  if (row < 0 || row >= NUTRIENT_ROW_COUNT) return 0.0;
  const RowRule &rule = kRows[row];
  const double sum = sums[rule.source];
  return rule.kcal_per_unit > 0 ? sum * rule.kcal_per_unit : sum * rule.factor;
}

void nutrient_goals_for(const char *bdate, int gender, int calorie_target,
                        const struct tm *today, NutrientGoals *out) {
  *out = NutrientGoals{};
  out->group = GROUP_NONE;
  out->goals[ROW_ENERGY] = {GOAL_AT_MOST, static_cast<double>(calorie_target),
                            static_cast<double>(calorie_target)};
  if (!birth_date_usable(bdate, today)) {
    out->status = GOALS_NO_BIRTH_DATE;
    return;
  }
  out->age = calorie_age_years(bdate, today);
  out->group = age_sex_group_for(out->age, gender);
  if (out->group == GROUP_NONE) {
    out->status = out->age < 1 ? GOALS_UNDER_ONE_YEAR : GOALS_NO_GENDER;
    return;
  }
  out->status = GOALS_FOUND;
  out->over_70 = out->age >= 71;
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const RowRule &rule = kRows[row];
    if (rule.goal_row < 0) continue;
    const GoalTableRow &table_row = kGoalTable[rule.goal_row];
    GoalCell cell = table_row.cells[out->group];
    // The table's notes for ages 71 and over.
    if (out->over_70 && rule.goal_row == T_CALCIUM && gender == 1) cell = {1200, 1200};
    if (out->over_70 && rule.goal_row == T_VITAMIN_D) cell = {800, 800};
    out->goals[row] = {kind_of(table_row.goal_type), cell.low * rule.goal_factor,
                       cell.high * rule.goal_factor};
  }
}

void nutrient_table_compute(const NutrientDay *day, uint32_t days, const NutrientGoals *goals,
                            NutrientTable *out) {
  *out = NutrientTable{};
  out->goals = *goals;
  out->entries = day->totals.entries;
  out->without_nutrients = day->totals.without_energy;
  out->days = days > 0 ? days : 1;
  const double kcal = day->totals.kcal;
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const RowRule &rule = kRows[row];
    NutrientLine &line = out->lines[row];
    line.goal = goals->goals[row];
    line.incomplete = day->missing[rule.source] > 0;
    if (rule.kcal_per_unit > 0) {
      // A share of the day's energy: the same for the sums as for their averages.
      line.has_eaten = kcal > 0;
      if (line.has_eaten) line.eaten = 100.0 * rule.kcal_per_unit * day->sums[rule.source] / kcal;
      // The share is uncertain when either of its parts leaves entries out.
      line.incomplete = line.incomplete || day->missing[SOURCE_ENERGY] > 0;
    } else {
      line.has_eaten = true;
      line.eaten = day->sums[rule.source] * rule.factor / out->days;
    }
    if (!line.has_eaten || line.goal.kind == GOAL_NONE) continue;
    const double shown = as_shown(line.eaten, rule.info.decimals);
    switch (line.goal.kind) {
      case GOAL_AT_LEAST:
        if (shown < line.goal.low) line.mark = MARK_BELOW;
        if (line.goal.low > 0) {
          line.has_percent = true;
          line.percent = 100.0 * line.eaten / line.goal.low;
        }
        break;
      case GOAL_AT_MOST:
        if (shown > line.goal.high) line.mark = MARK_ABOVE;
        if (line.goal.high > 0) {
          line.has_percent = true;
          line.percent = 100.0 * line.eaten / line.goal.high;
        }
        break;
      case GOAL_RANGE:
        if (shown < line.goal.low) line.mark = MARK_BELOW;
        if (shown > line.goal.high) line.mark = MARK_ABOVE;
        break;
      case GOAL_NONE:
        break;
    }
  }
}

void nutrient_table_notes(const NutrientTable *table, NutrientNotes *out) {
  out->count = 0;
  char text[256];
  switch (table->goals.status) {
    case GOALS_FOUND:
      snprintf(text, sizeof text,
               _("Goals for %s: Dietary Guidelines for Americans 2015-2020, Appendix 7."),
               age_sex_group_name(table->goals.group));
      add_note(out, text);
      if (table->goals.over_70)
        add_note(out, _("From age 71: vitamin D 20 mcg (800 IU), and calcium 1200 mg for men."));
      // food.db's niacin is the preformed vitamin; the goal counts the niacin made from
      // tryptophan as well.
      add_note(out, _("Niacin counts preformed niacin only, while its goal is in niacin "
                      "equivalents, which also count niacin made from tryptophan: the share "
                      "shown is lower than the real one."));
      break;
    case GOALS_NO_BIRTH_DATE:
      add_note(out, _("No goals: the profile has no usable birth date."));
      break;
    case GOALS_UNDER_ONE_YEAR:
      add_note(out, _("No goals: the Dietary Guidelines give none for children under 1 year."));
      break;
    case GOALS_NO_GENDER:
      add_note(out, _("No goals: from age 4 they depend on the gender, which the profile lacks."));
      break;
  }
  if (table->without_nutrients > 0) {
    snprintf(text, sizeof text,
             ngettext("%u entry has a food without nutrient values; it adds nothing.",
                      "%u entries have foods without nutrient values; they add nothing.",
                      table->without_nutrients),
             table->without_nutrients);
    add_note(out, text);
  }
  bool incomplete = false;
  for (const NutrientLine &line : table->lines) incomplete = incomplete || line.incomplete;
  if (incomplete)
    add_note(out, _("* Some foods have no value for this nutrient: the amount leaves them out."));
  if (!table->lines[ROW_ENERGY].has_eaten || table->lines[ROW_ENERGY].eaten <= 0)
    add_note(out, _("Without energy eaten the shares of energy are not shown."));
  snprintf(text, sizeof text,
           _("Added sugars count %.0f kcal per teaspoon-equivalent (4 g of sugar at 4 kcal/g)."),
           kKcalPerAddedSugarTsp);
  add_note(out, text);
  add_note(out, _("Manganese is left out: the food database has no values for it."));
}

char *nutrient_format_amount(double amount, int decimals, char *out, int size) {
  if (amount_is_too_large(amount)) return amount_to_text(amount, decimals, out, size);
  snprintf(out, size, "%.*f", decimals, as_shown(amount, decimals) + 0.0);
  if (strcmp(out, "-0") == 0 || strcmp(out, "-0.0") == 0) snprintf(out, size, "%.*f", decimals, 0.0);
  return out;
}

namespace {

// |value| with the fewest decimals (at most 2) that show it exactly.
void format_goal_number(double value, char *out, int size) {
  int decimals = 0;
  while (decimals < 2 && std::fabs(value * std::pow(10.0, decimals) -
                                   std::round(value * std::pow(10.0, decimals))) > 1e-9)
    decimals++;
  snprintf(out, size, "%.*f", decimals, value);
}

}  // namespace

char *nutrient_format_goal(const NutrientGoal *goal, char *out, int size) {
  char low[32], high[32];
  switch (goal->kind) {
    case GOAL_NONE:
      snprintf(out, size, "%s", "");
      break;
    case GOAL_AT_LEAST:
      format_goal_number(goal->low, out, size);
      break;
    case GOAL_AT_MOST:
      format_goal_number(goal->high, out, size);
      break;
    case GOAL_RANGE:
      format_goal_number(goal->low, low, sizeof low);
      format_goal_number(goal->high, high, sizeof high);
      snprintf(out, size, "%s-%s", low, high);
      break;
  }
  return out;
}

char *nutrient_format_eaten(int row, const NutrientLine *line, char *out, int size) {
  out[0] = '\0';
  if (!line->has_eaten) return out;
  char amount[64];
  nutrient_format_amount(line->eaten, kRows[row].info.decimals, amount, sizeof amount);
  snprintf(out, size, "%s%s", amount, line->incomplete ? "*" : "");
  return out;
}

char *nutrient_format_percent(const NutrientLine *line, char *out, int size) {
  char percent[64] = "";
  // Translators: the share of a goal that was eaten, "81%"
  if (line->has_percent) snprintf(percent, sizeof percent, _("%.0f%%"), line->percent);
  if (line->mark == MARK_NONE)
    snprintf(out, size, "%s", percent);
  else
    snprintf(out, size, percent[0] ? "%s (%s)" : "%s(%s)", percent,
             nutrient_mark_name(line->mark));
  return out;
}

char *nutrient_percent_heading(char *out, int size) {
  // Translators: a column heading: the share of the goal that was eaten; %% is the percent sign
  snprintf(out, size, _("%% of goal"));
  return out;
}

const char *goal_kind_name(GoalKind kind) {
  switch (kind) {
    // Translators: the kind of a nutritional goal: take in at least this much
    case GOAL_AT_LEAST: return _("at least");
    // Translators: the kind of a nutritional goal: take in no more than this
    case GOAL_AT_MOST: return _("at most");
    // Translators: the kind of a nutritional goal: stay within this range
    case GOAL_RANGE: return _("range");
    case GOAL_NONE: break;
  }
  return "";
}

const char *nutrient_mark_name(NutrientMark mark) {
  switch (mark) {
    // Translators: a nutrient amount lies below its goal
    case MARK_BELOW: return _("below");
    // Translators: a nutrient amount lies above its goal
    case MARK_ABOVE: return _("above");
    case MARK_NONE: break;
  }
  return "";
}
