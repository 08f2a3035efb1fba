// SPDX-License-Identifier: GPL-3.0-or-later
// Logs a meal of ten foods into the log database given, again and again, until it is
// killed: the kill tests end it at any moment and then look at what the log holds.
#include <string>
#include <vector>

#include "store/log-db.h"
#include "store/own-foods.h"

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  sqlite3 *db = log_db_open(argv[1]);
  if (!db) return 1;
  OwnFood meal;
  meal.kind = OWN_MEAL;
  meal.name = "Ten foods";
  std::vector<std::string> descriptions;
  for (int i = 0; i < 10; i++) {
    OwnItem item;
    item.food_code = 11111000 + i;
    item.grams = 10.0 * (i + 1);
    meal.items.push_back(item);
    descriptions.push_back("Food " + std::to_string(i));
  }
  for (;;)
    if (own_meal_log(db, meal, descriptions, "2026-12-08", nullptr) != 0) return 1;
}
