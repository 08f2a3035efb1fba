// SPDX-License-Identifier: GPL-3.0-or-later
#include "fooddb/amount-rank.h"

#include <algorithm>
#include <unordered_set>

namespace {

// How many of the best-ranked foods are looked at for the ones that have the measure typed:
// enough that "2 slices w" reaches the breads, few enough for a keystroke.
constexpr size_t kMeasurePool = 60;

bool is_volume(AmountUnit unit) {
  switch (unit) {
    case AmountUnit::kMilliliter:
    case AmountUnit::kLiter:
    case AmountUnit::kFluidOunce:
    case AmountUnit::kCup:
    case AmountUnit::kTablespoon:
    case AmountUnit::kTeaspoon:
      return true;
    default:
      return false;
  }
}

// Ranks |words| and appends to |out| the foods not already there with what |typed| means
// for them; with |use_word| only those that have a measure of its word. With |sort_volume|
// the best |pool| are ordered by how their measures fit before |limit| are kept.
int add_hits(sqlite3 *food_db, const FoodIndex *index, const AmountText &typed,
             const std::string &words, bool use_word, bool sort_volume, bool some_words,
             const FoodRankUse *uses, size_t use_count, size_t limit,
             std::vector<AmountHit> *out, std::unordered_set<int32_t> *seen) {
  if (words.empty() || out->size() >= limit) return 0;
  const size_t pool = use_word || sort_volume ? std::max(limit, kMeasurePool) : limit;
  FoodHitList hits{nullptr, 0, 0};
  if ((some_words ? food_rank_some_words : food_rank)(index, words.c_str(), uses, use_count, pool,
                                                      &hits) != 0)
    return -1;
  std::vector<AmountHit> found;
  std::vector<int> order;  // what sorts them: 0 used or in the unit, 1 through another, 2 none
  for (size_t i = 0; i < hits.count; i++) {
    const int32_t code = hits.items[i].food_code;
    if (seen->count(code)) continue;
    FoodMeasureList measures{nullptr, 0, 0};
    if (food_measures(food_db, code, &measures) != 0) {
      food_hit_list_free(&hits);
      return -1;
    }
    AmountChoice amount = amount_choose(typed, use_word, measures.items, measures.count);
    food_measure_list_free(&measures);
    if (use_word && amount.fit == AmountFit::kNoMeasure) continue;
    bool used = false;
    for (size_t u = 0; u < use_count && !used; u++)
      used = uses[u].food_code == code && uses[u].weight > 0.0;
    order.push_back(used || amount.own_measure ? 0 : amount.fit == AmountFit::kNoMeasure ? 2 : 1);
    found.push_back(AmountHit{code, hits.items[i].description, std::move(amount)});
  }
  food_hit_list_free(&hits);
  std::vector<size_t> at(found.size());
  for (size_t i = 0; i < at.size(); i++) at[i] = i;
  if (sort_volume)
    std::stable_sort(at.begin(), at.end(), [&](size_t a, size_t b) { return order[a] < order[b]; });
  for (size_t i : at) {
    if (out->size() >= limit) break;
    seen->insert(found[i].food_code);
    out->push_back(std::move(found[i]));
  }
  return 0;
}

}  // namespace

int amount_rank(sqlite3 *food_db, const FoodIndex *index, const AmountText &typed,
                const FoodRankUse *uses, size_t use_count, size_t limit,
                std::vector<AmountHit> *out, bool some_words) {
  out->clear();
  if (typed.read != AmountRead::kAmount) return 0;
  std::unordered_set<int32_t> seen;
  int rc = 0;
  if (typed.unit == AmountUnit::kNone && !typed.measure_word.empty())
    rc = add_hits(food_db, index, typed, typed.food_without_word, true, false, some_words, uses,
                  use_count, limit, out, &seen);
  if (rc == 0)
    rc = add_hits(food_db, index, typed, typed.food, false, is_volume(typed.unit), some_words,
                  uses, use_count, limit, out, &seen);
  if (rc != 0) out->clear();
  return rc;
}
