// SPDX-License-Identifier: GPL-3.0-or-later
// The Healthy US-Style Eating Pattern: daily food-group budgets by calorie level,
// and the plain-text budget report.
#pragma once

#include "food-groups.h"

// The budget for |calories| kcal, interpolated linearly between the table's levels and
// clamped to the 1000 and 3200 kcal rows. Never fails, allocates nothing.
FoodGroupAmounts pattern_for_calories(int calories);

// The 2000 kcal budget.
FoodGroupAmounts pattern_default(void);

// Prints the budget, consumed and remaining amounts as a table on standard output.
// The key of |consumed| is not used.
void budget_report_print(const FoodGroupAmounts *budget, const FoodGroupAmounts *consumed);
