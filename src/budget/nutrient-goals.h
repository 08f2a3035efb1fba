// SPDX-License-Identifier: GPL-3.0-or-later
// A day's nutrients against the daily nutritional goals of the person's age-sex group
// (Dietary Guidelines for Americans 2015-2020, Appendix 7, Table A7-1): the goals for a
// profile, the sums of a day's entries and the table that the Nutrients window and
// alimora-report show. Pure computations; the food values come from the food database.
#pragma once

#include <cstdint>
#include <ctime>

#include "budget/day-totals.h"

// What the sums are made of: one value per serving of a food, in the food database's units.
// Added sugars come from the food pattern equivalents, everything else from the nutrients.
enum NutrientSource {
  SOURCE_ENERGY,           // kcal
  SOURCE_PROTEIN,          // g
  SOURCE_CARBOHYDRATE,     // g
  SOURCE_FIBER,            // g
  SOURCE_TOTAL_FAT,        // g
  SOURCE_SATURATED_FAT,    // g
  SOURCE_LINOLEIC_ACID,    // g, 18:2
  SOURCE_LINOLENIC_ACID,   // g, 18:3
  SOURCE_CALCIUM,          // mg
  SOURCE_IRON,             // mg
  SOURCE_MAGNESIUM,        // mg
  SOURCE_PHOSPHORUS,       // mg
  SOURCE_POTASSIUM,        // mg
  SOURCE_SODIUM,           // mg
  SOURCE_ZINC,             // mg
  SOURCE_COPPER,           // mg
  SOURCE_SELENIUM,         // mcg
  SOURCE_VITAMIN_A,        // mcg RAE
  SOURCE_VITAMIN_E,        // mg alpha-tocopherol
  SOURCE_VITAMIN_D,        // mcg
  SOURCE_VITAMIN_C,        // mg
  SOURCE_THIAMIN,          // mg
  SOURCE_RIBOFLAVIN,       // mg
  SOURCE_NIACIN,           // mg
  SOURCE_VITAMIN_B6,       // mg
  SOURCE_VITAMIN_B12,      // mcg
  SOURCE_CHOLINE,          // mg
  SOURCE_VITAMIN_K,        // mcg
  SOURCE_FOLATE,           // mcg DFE
  SOURCE_ADDED_SUGARS,     // tsp-eq, from the food pattern equivalents
  NUTRIENT_SOURCE_COUNT
};

// Energy of one teaspoon-equivalent of added sugars: 4 g of sugar at 4 kcal/g, the factor
// of the Healthy Eating Index scoring.
constexpr double kKcalPerAddedSugarTsp = 16.0;

// One food's values per serving.
struct FoodNutrients {
  int32_t food_code;
  bool has_nutrients;                    // the food has a nutrient row
  bool has_equivalents;                  // the food has a row of food pattern equivalents
  double values[NUTRIENT_SOURCE_COUNT];  // 0 where unknown
  uint32_t unknown;                      // bit 1 << source: no value (no row, or NULL)
};

// The sums of a day's entries (or of several days').
struct NutrientDay {
  DayTotals totals;  // entries and energy, added up by day_totals_add
  double sums[NUTRIENT_SOURCE_COUNT];
  // Entries whose food has a nutrient row but no value for that sum (added sugars: no
  // food pattern equivalents); foods without a nutrient row count in totals only.
  uint32_t missing[NUTRIENT_SOURCE_COUNT];
};

void nutrient_day_clear(NutrientDay *day);

// Adds one entry of |servings| servings of |food| (null: a food the database does not
// know). The energy is added by the same rule as the food-group sums; a food without a
// nutrient row adds nothing.
void nutrient_day_add(NutrientDay *day, const FoodNutrients *food, double servings);

// The age-sex groups of the goals table, in its order.
enum AgeSexGroup {
  GROUP_CHILD_1_3,
  GROUP_FEMALE_4_8,
  GROUP_MALE_4_8,
  GROUP_FEMALE_9_13,
  GROUP_MALE_9_13,
  GROUP_FEMALE_14_18,
  GROUP_MALE_14_18,
  GROUP_FEMALE_19_30,
  GROUP_MALE_19_30,
  GROUP_FEMALE_31_50,
  GROUP_MALE_31_50,
  GROUP_FEMALE_51_PLUS,
  GROUP_MALE_51_PLUS,
  AGE_SEX_GROUP_COUNT,
  GROUP_NONE = -1
};

// The group for an age in whole years and a gender (0 female, 1 male): Child 1-3 for ages
// 1 to 3 of either gender, GROUP_NONE below 1 year or for another gender from 4 on.
int age_sex_group_for(int age, int gender);

// The translated name of a group ("Female 31-50"), "" for GROUP_NONE.
const char *age_sex_group_name(int group);

// One cell of the goals table: a single value has low == high; a range "10-35" low 10,
// high 35; a limit "<10" low == high == 10.
struct GoalCell {
  double low;
  double high;
};

// One row of the goals table as the data file writes it.
struct GoalTableRow {
  const char *nutrient;  // "Vitamin A"
  const char *unit;      // "mcg RAE"
  const char *goal_type;  // "RDA", "AI", "UL", "AMDR", "DGA" or "14g/1,000 kcal"
  GoalCell cells[AGE_SEX_GROUP_COUNT];
};

// The goals table, without its calorie-level row, in the data file's order.
const GoalTableRow *goal_table(int *count);

// The rows of the Nutrients table, in their order, in three sections.
enum NutrientRow {
  ROW_ENERGY,
  ROW_PROTEIN,
  ROW_PROTEIN_ENERGY,
  ROW_CARBOHYDRATE,
  ROW_CARBOHYDRATE_ENERGY,
  ROW_FIBER,
  ROW_ADDED_SUGARS_ENERGY,
  ROW_TOTAL_FAT_ENERGY,
  ROW_SATURATED_FAT_ENERGY,
  ROW_LINOLEIC_ACID,
  ROW_LINOLENIC_ACID,
  ROW_CALCIUM,
  ROW_IRON,
  ROW_MAGNESIUM,
  ROW_PHOSPHORUS,
  ROW_POTASSIUM,
  ROW_SODIUM,
  ROW_ZINC,
  ROW_COPPER,
  ROW_SELENIUM,
  ROW_VITAMIN_A,
  ROW_VITAMIN_E,
  ROW_VITAMIN_D,
  ROW_VITAMIN_C,
  ROW_THIAMIN,
  ROW_RIBOFLAVIN,
  ROW_NIACIN,
  ROW_VITAMIN_B6,
  ROW_VITAMIN_B12,
  ROW_CHOLINE,
  ROW_VITAMIN_K,
  ROW_FOLATE,
  NUTRIENT_ROW_COUNT
};

enum NutrientSection { SECTION_MACRONUTRIENTS, SECTION_MINERALS, SECTION_VITAMINS,
                       NUTRIENT_SECTION_COUNT };

// The translated heading of a section ("Minerals").
const char *nutrient_section_title(int section);

// How a row is described.
struct NutrientRowInfo {
  int section;         // NutrientSection
  const char *label;   // untranslated name and unit, "Calcium (mg)"; translate with _()
  const char *key;     // name in CSV output, "calcium"
  const char *unit;    // unit in CSV output, "mg", "% kcal"
  int decimals;        // of the eaten amount: 0 for energy and sodium, else 1
};

const NutrientRowInfo *nutrient_row_info(int row);

// Whether row |row| is a share of the day's energy ("% kcal").
bool nutrient_row_is_share(int row);

// What |sums| (one value per NutrientSource: NutrientDay::sums, or FoodNutrients::values
// times servings) come to on row |row|: the amount in the row's unit, or for a share of
// energy the kcal of its source. 0 for a row out of range.
double nutrient_row_amount(int row, const double *sums);

// What a goal asks.
enum GoalKind {
  GOAL_NONE,      // no goal
  GOAL_AT_LEAST,  // an RDA or AI: at least |low|
  GOAL_AT_MOST,   // an upper limit: at most |high|
  GOAL_RANGE      // an AMDR: from |low| to |high|, as % of energy
};

struct NutrientGoal {
  GoalKind kind;
  double low;
  double high;
};

// Why there are goals or not.
enum GoalsStatus {
  GOALS_FOUND,
  GOALS_NO_BIRTH_DATE,  // none, unreadable, or after today
  GOALS_UNDER_ONE_YEAR,
  GOALS_NO_GENDER       // from 4 years on the goals differ by gender
};

// The goals of one person, in the units of the Nutrients table (vitamin D in mcg, copper
// in mcg). The energy row's goal is the calorie target (at most), whatever the status.
struct NutrientGoals {
  GoalsStatus status;
  int group;  // AgeSexGroup, GROUP_NONE unless GOALS_FOUND
  int age;    // whole years, by the rule of the calorie target
  bool over_70;  // the table's notes for 71 and over are applied
  NutrientGoal goals[NUTRIENT_ROW_COUNT];
};

// The goals for the birth date text |bdate| (may be null) and |gender| on the day |today|.
void nutrient_goals_for(const char *bdate, int gender, int calorie_target,
                        const struct tm *today, NutrientGoals *out);

enum NutrientMark { MARK_NONE, MARK_BELOW, MARK_ABOVE };

// One row of the table.
struct NutrientLine {
  bool has_eaten;      // false for a % of energy row of a day without energy
  double eaten;        // in the row's unit; for several days the average per day
  bool incomplete;     // some entries gave no value: the amount leaves them out
  NutrientGoal goal;
  bool has_percent;    // % of goal: for "at least" and "at most" goals with an amount
  double percent;
  NutrientMark mark;   // below an "at least" goal, above an "at most" one, outside a range
};

struct NutrientTable {
  NutrientGoals goals;
  uint32_t entries;            // entries counted
  uint32_t without_nutrients;  // of those, entries whose food has no nutrient row
  uint32_t days;               // days averaged (1 for one day)
  NutrientLine lines[NUTRIENT_ROW_COUNT];
};

// The table for the sums of |day| over |days| days (at least 1) against |goals|.
void nutrient_table_compute(const NutrientDay *day, uint32_t days, const NutrientGoals *goals,
                            NutrientTable *out);

// The footnotes of a table, translated, in the order shown.
struct NutrientNotes {
  int count;
  char text[8][256];
};

void nutrient_table_notes(const NutrientTable *table, NutrientNotes *out);

// The amount of a line as shown: |decimals| places in the locale's form.
char *nutrient_format_amount(double amount, int decimals, char *out, int size);

// A goal's number or range as shown ("1000", "0.7", "10-35"), in the locale's form.
char *nutrient_format_goal(const NutrientGoal *goal, char *out, int size);

// The eaten amount of a line as shown: "812.4", with "*" when it leaves entries out, ""
// without an amount.
char *nutrient_format_eaten(int row, const NutrientLine *line, char *out, int size);

// The % of goal of a line with its mark: "81%", "81% (below)", "(above)", "".
char *nutrient_format_percent(const NutrientLine *line, char *out, int size);

// The translated heading of the % of goal column, "% of goal", into |out|.
char *nutrient_percent_heading(char *out, int size);

// The translated name of a goal's kind: "at least", "at most", "range", "".
const char *goal_kind_name(GoalKind kind);

// The translated word of a mark: "below", "above", "".
const char *nutrient_mark_name(NutrientMark mark);
