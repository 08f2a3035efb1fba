// SPDX-License-Identifier: GPL-3.0-or-later
// The Healthy US-Style Eating Pattern table, its interpolation by calorie level, and the
// plain-text budget report.
#include "budget/pattern.h"

#include <cstdio>

#include <cstdlib>
#include <cstring>
#include <string>
#include "budget/amount-text.h"
#include "i18n.h"

namespace {

// Daily amounts per calorie level, in food-group order: vegetables (cup-eq), fruits
// (cup-eq), grains (oz-eq), dairy (cup-eq), protein foods (oz-eq), oils (g).
constexpr FoodGroupAmounts kPattern[] = {
    {1000, {1.0, 1.0, 3.0, 2.0, 2.0, 13.0}},  {1200, {1.5, 1.0, 4.0, 2.0, 2.0, 17.0}},
    {1400, {1.5, 1.5, 5.0, 2.5, 4.0, 17.0}},  {1600, {2.0, 1.5, 5.0, 2.5, 5.0, 22.0}},
    {1800, {2.5, 1.5, 6.0, 3.0, 5.0, 24.0}},  {2000, {2.5, 2.0, 6.0, 3.0, 5.5, 27.0}},
    {2200, {3.0, 2.0, 7.0, 3.0, 6.0, 29.0}},  {2400, {3.0, 2.0, 8.0, 3.0, 6.5, 32.0}},
    {2600, {3.5, 2.0, 9.0, 3.0, 6.5, 34.0}},  {2800, {3.5, 2.5, 10.0, 3.0, 7.0, 36.0}},
    {3000, {4.0, 2.5, 10.0, 3.0, 7.0, 40.0}}, {3200, {4.0, 2.5, 10.0, 3.0, 7.0, 44.0}},
};
constexpr int kPatternRows = sizeof kPattern / sizeof kPattern[0];
constexpr int kDefaultRow = 5;  // 2000 kcal

}  // namespace

FoodGroupAmounts pattern_for_calories(int calories) {
  if (calories <= kPattern[0].key) return kPattern[0];
  if (calories >= kPattern[kPatternRows - 1].key) return kPattern[kPatternRows - 1];

  int upper = 1;
  while (kPattern[upper].key < calories) ++upper;
  const FoodGroupAmounts &high = kPattern[upper];
  const FoodGroupAmounts &low = kPattern[upper - 1];
  const double f = static_cast<double>(calories - low.key) / (high.key - low.key);

  FoodGroupAmounts result;
  result.key = calories;
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
    result.amounts[group] = (high.amounts[group] - low.amounts[group]) * f + low.amounts[group];
  return result;
}

FoodGroupAmounts pattern_default(void) { return kPattern[kDefaultRow]; }

namespace {

// |text| padded with blanks to |width| characters, on the right when |left_aligned|, else on
// the left. printf pads by bytes, which puts a translated name with accented letters out
// of line; padding by characters first keeps the columns straight.
// The characters of |text| in the locale's encoding (its bytes when it is not such text).
size_t text_length(const char *text) {
  size_t length = mbstowcs(nullptr, text, 0);
  return length == static_cast<size_t>(-1) ? strlen(text) : length;
}

std::string padded(const char *text, int width, bool left_aligned) {
  const size_t length = text_length(text);
  std::string out = text;
  if (length < static_cast<size_t>(width)) {
    std::string blanks(width - length, ' ');
    out = left_aligned ? out + blanks : blanks + out;
  }
  return out;
}

}  // namespace

void budget_report_print(const FoodGroupAmounts *budget, const FoodGroupAmounts *consumed) {
  printf(_("Daily budget (%d kcal USDA Healthy US-Style Eating Pattern):\n\n"), budget->key);
  printf(_("%-20s %10s %10s %10s\n"), padded(_("Food Group"), 20, true).c_str(),
         padded(_("Budget"), 10, false).c_str(), padded(_("Consumed"), 10, false).c_str(),
         padded(_("Remaining"), 10, false).c_str());
  printf("%-20s %10s %10s %10s\n", "--------------------", "----------", "----------",
         "----------");
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    const char *unit = food_group_unit(group);
    const double amount = budget->amounts[group];
    const double eaten = consumed->amounts[group];
    const std::string name = padded(food_group_name(group), 20, true);
    if (!amount_is_too_large(eaten) && !amount_is_too_large(amount - eaten)) {
      printf(_("%-20s %8.1f %s %8.1f %s %8.1f %s\n"), name.c_str(), amount, unit, eaten, unit,
             amount - eaten, unit);
      continue;
    }
    // "too large" takes the place of the number and its unit, in the same columns.
    printf("%s", name.c_str());
    for (double value : {amount, eaten, amount - eaten}) {
      char number[64];
      snprintf(number, sizeof number, "%8.1f %s", value, unit);
      const int width = 9 + static_cast<int>(text_length(unit));  // as "%8.1f %s"
      printf(" %s", amount_is_too_large(value)
                        ? padded(amount_too_large_text(), width, false).c_str()
                        : number);
    }
    printf("\n");
  }
}
