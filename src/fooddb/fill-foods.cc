// SPDX-License-Identifier: GPL-3.0-or-later
// The foods of the food database and the own foods as the day's suggestions see them.
#include "fooddb/fill-foods.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "fooddb/amount-text.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/own-foods.h"
#include "store/sql-statement.h"

namespace {

constexpr double kServingGrams = 100.0;

// Each food with its category and whether it holds alcohol (a nutrient value or a count of
// drinks above 0).
const char kFillFoodsSql[] =
    "SELECT f.\"Food code\", f.\"Main food description\", f.\"WWEIA Category number\", "
    "(SELECT n.\"Alcohol (g)\" FROM nutrients n WHERE n.\"Food code\" = f.\"Food code\"), "
    "(SELECT p.\"A_DRINKS (no. of drinks)\" FROM points p WHERE p.FOODCODE = f.\"Food code\") "
    "FROM foods f ORDER BY f.\"Food code\", f.rowid";
// Every household measure, each food's in USDA's order, as food_measures gives them.
const char kFillMeasuresSql[] =
    "SELECT \"Food code\", \"Portion description\", \"Portion weight (g)\" FROM measures "
    "ORDER BY \"Food code\", \"Seq num\", rowid";

std::string text_of(sqlite3_stmt *stmt, int column) {
  const unsigned char *text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char *>(text) : "";
}

// Gives each food of |out| (in food-code order) the amount a food never logged starts at
// (amount_first_measure) as its portion. Returns 0, or -1 after printing why.
int read_first_measures(sqlite3 *food_db, FillFoodTable *out) {
  StatementPtr stmt = sql_prepare(food_db, kFillMeasuresSql);
  if (!stmt) return -1;
  sqlite3_stmt *raw = stmt.get();
  std::vector<std::string> names;
  std::vector<double> grams;
  int32_t code = 0;
  size_t at = 0;  // the food of |code| or the next one in |out|
  // The measures gathered for |code| make its portion.
  auto settle = [&]() {
    while (at < out->foods.size() && out->foods[at].food_code < code) at++;
    if (names.empty() || at >= out->foods.size() || out->foods[at].food_code != code) return;
    std::vector<FoodMeasure> measures;
    for (size_t i = 0; i < names.size(); i++)
      measures.push_back(FoodMeasure{const_cast<char *>(names[i].c_str()), grams[i]});
    const AmountChoice first = amount_first_measure(measures.data(), measures.size());
    if (amount_measure_is_grams(first.measure.c_str())) return;
    out->foods[at].servings = first.count * first.measure_grams / kServingGrams;
    out->measures[at] = first.measure;
    out->measure_grams[at] = first.measure_grams;
  };
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    const int32_t row_code = sqlite3_column_int(raw, 0);
    if (row_code != code) {
      settle();
      names.clear();
      grams.clear();
      code = row_code;
    }
    names.push_back(text_of(raw, 1));
    grams.push_back(sqlite3_column_type(raw, 2) == SQLITE_NULL ? 0.0 : sqlite3_column_double(raw, 2));
  }
  settle();
  if (rc == SQLITE_DONE) return 0;
  sql_report_error(food_db);
  return -1;
}

// The first own food of |table|: they come after every food of the food database.
size_t first_own(const FillFoodTable &table) {
  return static_cast<size_t>(
      std::lower_bound(table.foods.begin(), table.foods.end(), kOwnFoodCodeFirst,
                       [](const FillFood &f, int32_t code) { return f.food_code < code; }) -
      table.foods.begin());
}

void drop_own(FillFoodTable *table) {
  const size_t first = first_own(*table);
  table->foods.resize(first);
  table->descriptions.resize(first);
  table->measures.resize(first);
  table->measure_grams.resize(first);
  table->own_generation = 0;
}

// The food of the food database |food_code| among the first |count| of |table|, or null.
const FillFood *db_food(const FillFoodTable &table, size_t count, int32_t food_code) {
  const auto end = table.foods.begin() + static_cast<std::ptrdiff_t>(count);
  const auto at = std::lower_bound(table.foods.begin(), end, food_code,
                                   [](const FillFood &f, int32_t code) { return f.food_code < code; });
  return at != end && at->food_code == food_code ? &*at : nullptr;
}

// Whether |food_code| holds alcohol: a food of the food database as its row of |table| says,
// an own food when the food it counts like does, a recipe when one of its ingredients does.
// |seen| keeps a recipe that contains itself (stored by another program) from going round.
bool holds_alcohol(const FillFoodTable &table, size_t db_count,
                   const std::map<int32_t, const OwnFood *> &own, int32_t food_code,
                   std::set<int32_t> *seen) {
  if (!food_code_is_own(food_code)) {
    const FillFood *food = db_food(table, db_count, food_code);
    return food && food->alcohol;
  }
  const auto found = own.find(food_code);
  if (found == own.end() || !seen->insert(food_code).second) return false;
  const OwnFood &food = *found->second;
  if (food.kind == OWN_FOOD)
    return food.counts_like > 0 && holds_alcohol(table, db_count, own, food.counts_like, seen);
  for (const OwnItem &item : food.items)
    if (item.grams > 0 && holds_alcohol(table, db_count, own, item.food_code, seen)) return true;
  return false;
}

}  // namespace

int fill_foods_own(sqlite3 *food_db, FillFoodTable *table) {
  const uint64_t generation = food_source_generation(food_db);
  if (generation == table->own_generation) return 0;
  drop_own(table);
  // A copy: working out their values may read the own foods anew.
  const std::vector<OwnFood> own = food_source_own(food_db);
  const size_t db_count = table->foods.size();
  std::map<int32_t, const OwnFood *> by_code;
  for (const OwnFood &food : own) by_code[food.food_code] = &food;
  for (const OwnFood &food : own) {
    if (food.kind == OWN_MEAL) continue;
    FillFood fill{};
    fill.food_code = food.food_code;
    if (food.kind == OWN_FOOD && food.counts_like > 0) {
      const FillFood *like = db_food(*table, db_count, food.counts_like);
      if (like) fill.category = like->category;
    }
    std::set<int32_t> seen;
    fill.alcohol = holds_alcohol(*table, db_count, by_code, food.food_code, &seen);
    // Values it has none of stay unknown (FoodNutrients::unknown), which fill_score heeds.
    if (food_source_values(food_db, food.food_code, &fill.nutrients, &fill.values) < 0) {
      drop_own(table);
      return -1;
    }
    std::string measure;
    double grams = kServingGrams;
    if (food_source_measure(food_db, food.food_code, &measure, &grams) != 0 || !(grams > 0)) {
      measure.clear();
      grams = kServingGrams;
    }
    fill.servings = grams / kServingGrams;
    table->foods.push_back(fill);
    table->descriptions.push_back(food.name);
    table->measures.push_back(measure);
    table->measure_grams.push_back(grams);
  }
  table->own_generation = generation;
  return 0;
}

int fill_foods_load(sqlite3 *food_db, FillFoodTable *out) {
  *out = FillFoodTable{};
  StatementPtr stmt = sql_prepare(food_db, kFillFoodsSql);
  if (!stmt) return -1;
  sqlite3_stmt *raw = stmt.get();
  int rc;
  std::vector<int32_t> codes;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    const int32_t code = sqlite3_column_int(raw, 0);
    if (!codes.empty() && codes.back() == code) continue;  // one food a code
    codes.push_back(code);
    FillFood food{};
    food.food_code = code;
    food.category = sqlite3_column_int(raw, 2);
    food.alcohol = sqlite3_column_double(raw, 3) > 0 || sqlite3_column_double(raw, 4) > 0;
    food.servings = 1.0;
    out->foods.push_back(food);
    out->descriptions.push_back(text_of(raw, 1));
    out->measures.push_back("");
    out->measure_grams.push_back(kServingGrams);
  }
  if (rc != SQLITE_DONE) {
    sql_report_error(food_db);
    *out = FillFoodTable{};
    return -1;
  }

  if (read_first_measures(food_db, out) != 0) {
    *out = FillFoodTable{};
    return -1;
  }

  FoodValuesList values{nullptr, 0, 0};
  if (food_values_all(food_db, &values) != 0) {
    *out = FillFoodTable{};
    return -1;
  }
  // Both lists are in food-code order.
  size_t v = 0;
  for (FillFood &food : out->foods) {
    while (v < values.count && values.items[v].food_code < food.food_code) v++;
    if (v < values.count && values.items[v].food_code == food.food_code)
      food.values = values.items[v];
    else
      food.values = FoodValues{food.food_code, false, {food.food_code, {}}, false, 0.0};
  }
  food_values_list_free(&values);

  std::vector<FoodNutrients> nutrients(codes.size());
  if (food_nutrients_of(food_db, codes.data(), codes.size(), nutrients.data()) != 0) {
    *out = FillFoodTable{};
    return -1;
  }
  for (size_t i = 0; i < codes.size(); i++) out->foods[i].nutrients = nutrients[i];
  if (fill_foods_own(food_db, out) != 0) {
    *out = FillFoodTable{};
    return -1;
  }
  return 0;
}

void fill_foods_use(FillFoodTable *table, const LogEntryList *entries) {
  for (size_t i = 0; i < table->foods.size(); i++) {
    table->foods[i].recent_uses = 0;
    table->foods[i].servings = table->measure_grams[i] / kServingGrams;
  }
  // Per food: how often each amount was logged, and the entry that last logged it.
  std::map<int32_t, std::map<double, std::pair<unsigned, size_t>>> amounts;
  for (size_t i = 0; i < entries->count; i++) {
    const LogEntry &entry = entries->items[i];
    if (!std::isfinite(entry.servings) || entry.servings <= 0) continue;
    auto &counted = amounts[entry.food_code][entry.servings];
    counted.first++;
    counted.second = i;
  }
  for (const auto &food : amounts) {
    auto at = std::lower_bound(
        table->foods.begin(), table->foods.end(), food.first,
        [](const FillFood &f, int32_t code) { return f.food_code < code; });
    if (at == table->foods.end() || at->food_code != food.first) continue;
    unsigned uses = 0;
    double servings = 0;
    std::pair<unsigned, size_t> best{0, 0};
    for (const auto &amount : food.second) {
      uses += amount.second.first;
      if (amount.second > best) {
        best = amount.second;
        servings = amount.first;
      }
    }
    at->recent_uses = uses;
    at->servings = servings;
  }
}

namespace {

// "1 cup (244 g)" for one |measure| of |measure_grams|, "2 × 1 cup (244 g)" for two, when
// |grams| is a whole number of them; "" otherwise.
std::string measured_text(double grams, const char *measure, double measure_grams) {
  if (!(measure_grams > 0)) return "";
  const double count = std::round(grams / measure_grams);
  if (count < 1 || count > 20 || std::fabs(grams - count * measure_grams) > 1e-6 * grams)
    return "";
  char weight[32];
  snprintf(weight, sizeof weight, "%g", measure_grams);
  char named[448];
  snprintf(named, sizeof named, _("%s (%s g)"), measure, weight);
  if (count == 1) return named;
  char text[512];
  snprintf(text, sizeof text, "%g × %s", count, named);
  return text;
}

}  // namespace

std::string fill_portion_text(const FillFoodTable *table, size_t index, sqlite3 *food_db) {
  const double grams = table->foods[index].servings * kServingGrams;
  std::string text;
  if (!table->measures[index].empty())
    text = measured_text(grams, table->measures[index].c_str(), table->measure_grams[index]);
  if (text.empty() && food_db) {
    FoodMeasureList measures{nullptr, 0, 0};
    food_measures(food_db, table->foods[index].food_code, &measures);  // a failure: grams
    for (size_t i = 0; i < measures.count && text.empty(); i++)
      text = measured_text(grams, measures.items[i].description, measures.items[i].grams);
    food_measure_list_free(&measures);
  }
  if (text.empty()) {
    char plain[64];
    snprintf(plain, sizeof plain, "%g g", std::round(grams * 10) / 10);
    text = plain;
  }
  return text;
}
