// SPDX-License-Identifier: GPL-3.0-or-later
// What is left of a day and the foods that fill it.
//
// The score of a portion:
//
//   fill  = sum over the food groups under budget of   min(added, left) / budget
//         + 1/4 * sum over the nutrients below goal of min(added, left) / goal
//   over  = sum over the food groups of  (what it takes past the budget) / budget
//         + 2 * sum over the limits (sodium, saturated fat, added sugars) of
//               (what it takes past the limit) / limit
//         + 2 * (its energy past what is left) / calorie target
//   need  = what fill would be for a portion that filled every gap
//   score = fill - over - 1/2 * need * (its energy) / (energy left)
//
// So a food fills each gap at most up to what is left of it, in shares of the goal; a
// nutrient counts a quarter of a food group (there are some twenty of them against six
// groups); what it pushes over costs twice what it fills; and its energy costs half of what
// the same share of the energy left would have to fill: a food scores well when it fills
// the gaps faster than the rest of the day's energy would have to.
#include "budget/day-fill.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "i18n.h"

namespace {

constexpr double kNutrientWeight = 0.25;
constexpr double kOverWeight = 2.0;
constexpr double kEnergyCost = 0.5;  // of the gaps' share of the energy a portion uses
// A suggestion may take the day this far past its calorie target, and no further.
constexpr double kEnergyMargin = 1.10;
// What a portion may add to a limit already passed: 2% of it (46 mg of a 2300 mg sodium limit).
constexpr double kTraceOfLimit = 0.02;
// Less than this is no gap filled: 5% of one food group's budget.
constexpr double kLeastFill = 0.05;
// A food logged lately goes first when it scores at least this share of the best score: the
// best often fills several groups at once, a person's own vegetable one of them well.
constexpr double kRecentShareOfBest = 0.3;

// The nutrients that are limits, and how the day's amount of each reads against it.
bool is_limit_row(int row) {
  return row == ROW_SODIUM || row == ROW_SATURATED_FAT_ENERGY || row == ROW_ADDED_SUGARS_ENERGY;
}

// Foods that are no portion of a meal: fats and oils, condiments, sauces and sugars (WWEIA
// categories 8002 to 8806); and baby foods, baby juice and water, infant formulas and
// human milk (9002 to 9602).
bool is_no_portion(int32_t category) {
  return (category >= 8002 && category <= 8806) || (category >= 9002 && category <= 9602);
}

// The sources |food| has no value of as sums for nutrient_row_amount: 1 for each, 0 for the
// others, into |out| (left alone when there is none). Returns whether there is any.
// (nutrient_row_amount reads one source: of these sums it is not 0 exactly when the source
// of its row is unknown.)
bool unknown_sums(const FoodNutrients &food, double *out) {
  if (food.unknown == 0) return false;  // most foods of the food database
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++)
    out[source] = (food.unknown & (1u << source)) != 0 ? 1.0 : 0.0;
  return true;
}

// A kind of food: the first two digits of an eight-digit food code. The own foods' codes
// (1000000000 up, given in turn) make them one kind: 1000.
int32_t kind_of(int32_t food_code) { return food_code / 1000000; }

// What taking |eaten| to |eaten + added| adds past |limit|.
double past(double eaten, double added, double limit) {
  return std::max(0.0, eaten + added - limit) - std::max(0.0, eaten - limit);
}

// The number |value| with |decimals| places in the locale's form.
std::string number_text(double value, int decimals) {
  char text[64];
  snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// "Potassium" of "Potassium (mg)": the row's translated label without its unit.
std::string row_name(int row) {
  std::string label = _(nutrient_row_info(row)->label);
  const size_t unit = label.rfind(" (");
  if (unit != std::string::npos) label.erase(unit);
  return label;
}

}  // namespace

void fill_left_compute(const FillDay *day, FillLeft *out) {
  *out = FillLeft{};
  out->has_profile = day->has_profile;
  out->goals_status = day->goals.status;
  out->calorie_target = day->calorie_target;
  out->kcal_eaten = day->eaten.totals.kcal;
  out->kcal_left = day->calorie_target - out->kcal_eaten;
  bool any_gap = false;
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    out->group_budget[g] = day->budget.amounts[g];
    out->group_eaten[g] = day->eaten.totals.amounts[g];
    if (out->group_budget[g] > 0 && out->group_eaten[g] < out->group_budget[g]) {
      out->group_left[g] = out->group_budget[g] - out->group_eaten[g];
      any_gap = true;
    }
  }
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const NutrientGoal &goal = day->goals.goals[row];
    const double eaten = nutrient_row_amount(row, day->eaten.sums);
    if (is_limit_row(row) && goal.kind == GOAL_AT_MOST && goal.high > 0) {
      // A share of energy is a limit in kcal: that share of the calorie target.
      out->limit[row] = nutrient_row_is_share(row) ? goal.high * day->calorie_target / 100.0
                                                   : goal.high;
      out->limit_eaten[row] = eaten;
    } else if (goal.kind == GOAL_AT_LEAST && goal.low > 0 && !nutrient_row_is_share(row)) {
      out->nutrient_goal[row] = goal.low;
      // What is less than the last digit shown is met, as the Nutrients window marks it.
      const double shown_step = nutrient_row_info(row)->decimals > 0 ? 0.05 : 0.5;
      if (eaten < goal.low - shown_step) {
        out->nutrient_left[row] = goal.low - eaten;
        any_gap = true;
      }
    }
  }
  for (int g = 0; g < FOOD_GROUP_COUNT; g++)
    if (out->group_left[g] > 0) out->need += out->group_left[g] / out->group_budget[g];
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++)
    if (out->nutrient_left[row] > 0)
      out->need += kNutrientWeight * out->nutrient_left[row] / out->nutrient_goal[row];
  if (out->kcal_left <= 0)
    out->status = FILL_NO_ENERGY_LEFT;
  else
    out->status = any_gap ? FILL_GAPS : FILL_ALL_MET;
}

bool fill_score(const FillLeft *left, const FillFood *food, FillSuggestion *out) {
  const size_t index = out->food;
  *out = FillSuggestion{};
  out->food = index;
  if (food->alcohol || is_no_portion(food->category)) return false;
  if (!(food->servings > 0) || !std::isfinite(food->servings)) return false;
  if (!food->values.has_energy || !std::isfinite(food->values.kcal)) return false;
  const double target = left->calorie_target > 0 ? left->calorie_target : 1;
  out->kcal = food->values.kcal * food->servings;
  if (left->kcal_eaten + out->kcal > kEnergyMargin * target) return false;

  double fill = 0.0;
  double over = 0.0;
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    if (!food->values.has_groups || !(left->group_budget[g] > 0)) continue;
    const double added = food->values.groups.amounts[g] * food->servings;
    if (!std::isfinite(added) || added <= 0) continue;
    out->group_added[g] = std::min(added, left->group_left[g]);
    fill += out->group_added[g] / left->group_budget[g];
    over += past(left->group_eaten[g], added, left->group_budget[g]) / left->group_budget[g];
  }
  double per_serving[NUTRIENT_SOURCE_COUNT];
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++)
    per_serving[source] = food->nutrients.values[source] * food->servings;
  double unknown[NUTRIENT_SOURCE_COUNT];
  const bool any_unknown = unknown_sums(food->nutrients, unknown);
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    // Without a nutrient row only added sugars (from the equivalents) may be known.
    if ((!food->nutrients.has_nutrients && row != ROW_ADDED_SUGARS_ENERGY) ||
        (any_unknown && nutrient_row_amount(row, unknown) != 0.0)) {
      // What it adds is not known (an own food's label may leave values out): it fills
      // nothing, and with the limit passed already it cannot be shown to add no more than a
      // trace. Below the limit it counts nothing over.
      if (left->limit[row] > 0 && left->limit_eaten[row] >= left->limit[row]) return false;
      continue;
    }
    const double added = nutrient_row_amount(row, per_serving);
    if (!std::isfinite(added) || added <= 0) continue;
    if (left->limit[row] > 0) {
      const double limit = left->limit[row];
      const double eaten = left->limit_eaten[row];
      if (eaten >= limit && added > kTraceOfLimit * limit) return false;
      over += kOverWeight * past(eaten, added, limit) / limit;
    } else if (left->nutrient_left[row] > 0) {
      out->nutrient_added[row] = std::min(added, left->nutrient_left[row]);
      fill += kNutrientWeight * out->nutrient_added[row] / left->nutrient_goal[row];
    }
  }
  if (fill < kLeastFill) return false;
  over += kOverWeight * std::max(0.0, out->kcal - std::max(0.0, left->kcal_left)) / target;
  const double kcal_left = std::max(left->kcal_left, 0.01 * target);
  out->score = fill - over - kEnergyCost * left->need * out->kcal / kcal_left;
  return out->score > 0;
}

void fill_suggest(const FillLeft *left, const FillFood *foods, size_t count, size_t limit,
                  std::vector<FillSuggestion> *out) {
  out->clear();
  if (left->status != FILL_GAPS || limit == 0) return;
  std::vector<FillSuggestion> scored;
  double best = 0.0;
  for (size_t i = 0; i < count; i++) {
    FillSuggestion s;
    s.food = i;
    if (!fill_score(left, &foods[i], &s)) continue;
    best = std::max(best, s.score);
    scored.push_back(s);
  }
  auto first = [&](const FillSuggestion &s) {
    return foods[s.food].recent_uses > 0 && s.score >= kRecentShareOfBest * best;
  };
  std::sort(scored.begin(), scored.end(), [&](const FillSuggestion &a, const FillSuggestion &b) {
    const bool a_first = first(a), b_first = first(b);
    if (a_first != b_first) return a_first;
    if (a.score != b.score) return a.score > b.score;
    return foods[a.food].food_code < foods[b.food].food_code;
  });
  std::vector<std::pair<int32_t, int>> kinds;  // kind, foods of it taken
  for (const FillSuggestion &s : scored) {
    const int32_t kind = kind_of(foods[s.food].food_code);
    auto taken = std::find_if(kinds.begin(), kinds.end(),
                              [kind](const std::pair<int32_t, int> &k) { return k.first == kind; });
    if (taken == kinds.end()) taken = kinds.insert(kinds.end(), {kind, 0});
    if (taken->second >= 2) continue;
    taken->second++;
    out->push_back(s);
    if (out->size() == limit) break;
  }
}

std::string fill_adds_text(const FillLeft *left, const FillSuggestion *suggestion) {
  std::string text;
  auto add = [&text](const std::string &part) {
    if (!text.empty()) text += ", ";
    text += part;
  };
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    if (suggestion->group_added[g] < 0.05) continue;
    // Translators: what a suggestion adds to a food group: amount, unit, group ("+1.0
    // cup-eq Vegetables")
    char part[128];
    snprintf(part, sizeof part, _("+%s %s %s"), number_text(suggestion->group_added[g], 1).c_str(),
             food_group_amount_unit(g), food_group_name(g));
    add(part);
  }
  // The two nutrients of which it fills the largest share of what is left.
  int rows[2] = {-1, -1};
  double shares[2] = {0, 0};
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    if (suggestion->nutrient_added[row] <= 0 || left->nutrient_goal[row] <= 0) continue;
    const double share = suggestion->nutrient_added[row] / left->nutrient_goal[row];
    if (rows[0] < 0 || share > shares[0]) {
      rows[1] = rows[0];
      shares[1] = shares[0];
      rows[0] = row;
      shares[0] = share;
    } else if (rows[1] < 0 || share > shares[1]) {
      rows[1] = row;
      shares[1] = share;
    }
  }
  for (int row : rows) {
    if (row < 0) continue;
    const NutrientRowInfo *info = nutrient_row_info(row);
    char part[128];
    snprintf(part, sizeof part, _("+%s %s %s"),
             number_text(suggestion->nutrient_added[row], info->decimals).c_str(), info->unit,
             row_name(row).c_str());
    add(part);
  }
  char energy[64];
  // Translators: the energy of a suggested portion
  snprintf(energy, sizeof energy, _("%s kcal"), number_text(suggestion->kcal, 0).c_str());
  add(energy);
  return text;
}

std::vector<std::string> fill_left_lines(const FillLeft *left) {
  std::vector<std::string> lines;
  char line[256];
  if (!left->has_profile) {
    snprintf(line, sizeof line,
             _("No profile yet: the budget of %d kcal is used and nutrients have no goals. "
               "Enter your birth date, height, weight, activity level and gender in the "
               "profile."),
             left->calorie_target);
    lines.push_back(line);
  } else if (left->goals_status == GOALS_NO_BIRTH_DATE) {
    lines.push_back(_("The profile has no usable birth date: only the food groups and the "
                      "energy count, not the nutrient goals."));
  } else if (left->goals_status == GOALS_NO_GENDER) {
    lines.push_back(_("The profile has no gender: only the food groups and the energy count, "
                      "not the nutrient goals."));
  } else if (left->goals_status == GOALS_UNDER_ONE_YEAR) {
    lines.push_back(_("There are no nutrient goals under one year of age: only the food "
                      "groups and the energy count."));
  }
  if (left->status == FILL_NO_ENERGY_LEFT) {
    snprintf(line, sizeof line,
             _("No energy is left on this day: %s of %d kcal eaten. Nothing is suggested."),
             number_text(left->kcal_eaten, 0).c_str(), left->calorie_target);
    lines.push_back(line);
    return lines;
  }
  snprintf(line, sizeof line, _("%s kcal left of %d"), number_text(left->kcal_left, 0).c_str(),
           left->calorie_target);
  lines.push_back(line);
  if (left->status == FILL_ALL_MET) {
    lines.push_back(_("Every food group and nutrient goal of the day is met: nothing to fill."));
    return lines;
  }
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    if (left->group_left[g] <= 0) continue;
    // Translators: what is left of a food group: name, amount, unit ("Vegetables: 1.7 cup-eq")
    snprintf(line, sizeof line, _("%s: %s %s"), food_group_name(g),
             number_text(left->group_left[g], 1).c_str(), food_group_amount_unit(g));
    lines.push_back(line);
  }
  std::string nutrients;
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    if (left->nutrient_left[row] <= 0) continue;
    const NutrientRowInfo *info = nutrient_row_info(row);
    // Translators: what is left of a nutrient's goal: name, amount, unit ("Potassium 2585 mg")
    snprintf(line, sizeof line, _("%s %s %s"), row_name(row).c_str(),
             number_text(left->nutrient_left[row], info->decimals).c_str(), info->unit);
    if (!nutrients.empty()) nutrients += ", ";
    nutrients += line;
  }
  if (!nutrients.empty()) {
    // Translators: %s is a list of nutrients with what is left of their goals
    std::string text = _("Below their goals: %s");  // a list longer than any buffer
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, nutrients);
    lines.push_back(text);
  }
  return lines;
}
