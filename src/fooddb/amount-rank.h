// SPDX-License-Identifier: GPL-3.0-or-later
// The foods a text with an amount suggests ("2 slices white br", "12 fl oz be"), each with
// what the amount means for it: the quick-log field's order, without widgets, so that the
// window and the benchmarks rank alike.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fooddb/amount-text.h"
#include "fooddb/food-rank.h"

struct AmountHit {
  int32_t food_code;
  std::string description;
  AmountChoice amount;  // what |typed| logs of it (fit kNoMeasure: it has no such measure)
};

// Fills |out| (emptied first) with at most |limit| foods for |typed| (read as kAmount by
// amount_text_read): with a measure word ("2 slices white bread"), first the foods the other
// words find that have a measure of it; then the foods all the words find. With a volume
// ("12 fl oz beer"), those that have a measure in that very unit come before those whose
// amount is worked out through another of their volumes, and those with no volume at all
// come last. Foods in |uses| stay first among their like, as food_rank has them; so does
// its order otherwise. Measures are read from |food_db| (own foods answer too). With
// |some_words| the foods are those food_rank_some_words finds for the words. Returns 0, or
// -1 with |out| empty after printing why.
int amount_rank(sqlite3 *food_db, const FoodIndex *index, const AmountText &typed,
                const FoodRankUse *uses, size_t use_count, size_t limit,
                std::vector<AmountHit> *out, bool some_words = false);
