// SPDX-License-Identifier: GPL-3.0-or-later
// The names and units of the six food groups, written once for the window and the reports.
#include "budget/food-groups.h"

#include "i18n.h"

namespace {

const char *const kGroupLabels[FOOD_GROUP_COUNT] = {
    // Translators: bar label; cup-eq is cup-equivalents
    N_("Vegetables (cup-eq)"),
    // Translators: bar label; cup-eq is cup-equivalents
    N_("Fruits (cup-eq)"),
    // Translators: bar label; oz-eq is ounce-equivalents
    N_("Grains (oz-eq)"),
    // Translators: bar label; cup-eq is cup-equivalents
    N_("Dairy (cup-eq)"),
    // Translators: bar label; oz-eq is ounce-equivalents
    N_("Protein (oz-eq)"),
    // Translators: bar label; g is grams
    N_("Oils (g)"),
};

const char *const kGroupNames[FOOD_GROUP_COUNT] = {
    N_("Vegetables"), N_("Fruits"), N_("Grains"), N_("Dairy"), N_("Protein Foods"), N_("Oils"),
};

const char *const kGroupUnits[FOOD_GROUP_COUNT] = {
    // Translators: abbreviated units of the budget report (cup, ounce, gram); keep them
    // two characters wide, padding with a blank.
    N_("c "), N_("c "), N_("oz"), N_("c "), N_("oz"), N_("g "),
};

const char *const kGroupAmountUnits[FOOD_GROUP_COUNT] = {
    // Translators: units after an amount ("+1.0 cup-eq Vegetables"): cup-equivalents,
    // ounce-equivalents, grams
    N_("cup-eq"), N_("cup-eq"), N_("oz-eq"), N_("cup-eq"), N_("oz-eq"), N_("g"),
};

const char *const kGroupColumns[FOOD_GROUP_COUNT] = {
    // Translators: column heading of the day lines of alimora-report, at most 10
    // characters; c is cups, as in the budget report
    N_("Veg. (c)"),
    // Translators: column heading, at most 10 characters
    N_("Fruit (c)"),
    // Translators: column heading, at most 10 characters; oz is ounces
    N_("Grain (oz)"),
    // Translators: column heading, at most 10 characters
    N_("Dairy (c)"),
    // Translators: column heading, at most 10 characters
    N_("Prot. (oz)"),
    // Translators: column heading, at most 10 characters; g is grams
    N_("Oil (g)"),
};

const char *translated(const char *const (&texts)[FOOD_GROUP_COUNT], int group) {
  if (group < 0 || group >= FOOD_GROUP_COUNT) return "";
  return _(texts[group]);
}

}  // namespace

const char *food_group_label(int group) { return translated(kGroupLabels, group); }
const char *food_group_name(int group) { return translated(kGroupNames, group); }
const char *food_group_amount_unit(int group) { return translated(kGroupAmountUnits, group); }
const char *food_group_unit(int group) { return translated(kGroupUnits, group); }
const char *food_group_column(int group) { return translated(kGroupColumns, group); }
