// SPDX-License-Identifier: GPL-3.0-or-later
// Where a food stands among the quick log's suggestions for a text, as the main window ranks
// them for the person whose log is given: for bench/keyboard-day.sh, which types a query key
// by key and stops once the food it means is on top.
//   quick-log-rank FOOD.db LOG.db FOOD_CODE TEXT
// Prints the place of the food (0 for the first suggestion), or -1 when it is not among the
// suggestions. Exits 1 when a database cannot be read.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "budget/date-string.h"
#include "fooddb/amount-rank.h"
#include "fooddb/food-db.h"
#include "fooddb/food-rank.h"
#include "store/log-history.h"
#include "ui/quick-log.h"

int main(int argc, char **argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s FOOD.db LOG.db FOOD_CODE TEXT\n", argv[0]);
    return 2;
  }
  sqlite3 *food_db = food_db_open(argv[1]);
  sqlite3 *log_db = nullptr;
  if (!food_db || sqlite3_open_v2(argv[2], &log_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    return 1;
  sqlite3_busy_timeout(log_db, 3000);
  FoodIndex index;
  FoodUseList uses;
  if (food_index_load(food_db, &index) != 0 || log_food_uses(log_db, &uses) != 0) return 1;
  // The keyboard day logs today and the day before, nothing earlier.
  char today[DATE_STRING_SIZE];
  date_today(today);
  std::vector<FoodRankUse> weights;
  for (size_t i = 0; i < uses.count; i++) {
    const int days_ago = strcmp(uses.items[i].last_date, today) == 0 ? 0 : 1;
    weights.push_back(
        FoodRankUse{uses.items[i].food_code, food_use_weight(uses.items[i].count, days_ago)});
  }
  const int32_t code = static_cast<int32_t>(strtol(argv[3], nullptr, 10));
  int place = -1;
  // A text with an amount ranks as the field ranks it, by the measures it names.
  const AmountText typed = amount_text_read(argv[4], '.');
  if (typed.read == AmountRead::kAmount) {
    std::vector<AmountHit> hits;
    if (amount_rank(food_db, &index, typed, weights.data(), weights.size(), kQuickLogSuggestions,
                    &hits) != 0)
      return 1;
    for (size_t i = 0; i < hits.size() && place < 0; i++)
      if (hits[i].food_code == code) place = static_cast<int>(i);
  } else {
    FoodHitList hits;
    if (food_rank(&index, argv[4], weights.data(), weights.size(), kQuickLogSuggestions,
                  &hits) != 0)
      return 1;
    for (size_t i = 0; i < hits.count && place < 0; i++)
      if (hits.items[i].food_code == code) place = static_cast<int>(i);
    food_hit_list_free(&hits);
  }
  printf("%d\n", place);
  food_use_list_free(&uses);
  food_index_free(&index);
  sqlite3_close(log_db);
  food_db_close(food_db);
  return 0;
}
