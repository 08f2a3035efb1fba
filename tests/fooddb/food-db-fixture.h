// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the food database tests: where the build's food.db is, and search results as text.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "fooddb/food-db.h"

// The food database that the build made from the USDA files.
inline std::string food_db_path() {
  const char *root = std::getenv("ALIMORA_BUILD_ROOT");
  return std::string(root != nullptr ? root : ".") + "/data/food.db";
}

// The descriptions of |hits|, in their order.
inline std::vector<std::string> descriptions(const FoodHitList &hits) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < hits.count; i++) texts.push_back(hits.items[i].description);
  return texts;
}
