// SPDX-License-Identifier: GPL-3.0-or-later
// The own foods and recipes of the log database as foods of the food database's queries:
// which log a food database's connection reads them from, when they are read again, and
// their values per 100 g, a recipe's from its ingredients'.
#include "fooddb/food-source.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "fooddb/food-db.h"
#include "i18n.h"

namespace {

// What one own food or recipe comes to per 100 g.
struct OwnValues {
  FoodNutrients nutrients;
  FoodValues values;
};

// The own foods of one food database's connection.
struct Source {
  sqlite3 *log = nullptr;
  bool loaded = false;
  int64_t data_version = 0;   // of |log| when they were read
  uint64_t changes = 0;       // own_foods_changes() when they were read
  uint64_t generation = 1;
  std::vector<OwnFood> all;   // deleted ones included, in food-code order
  std::vector<OwnFood> live;  // without the deleted ones
  std::map<int32_t, size_t> index;         // code -> item of |all|
  std::map<int32_t, OwnValues> computed;   // values worked out since they were read
  uint64_t cuts = 0;  // times a recipe was met inside itself (stored by another program)
  // The food database's values of the foods the own ones count like or are made of, read
  // in one pass once they are needed after a read of the log (the food database never
  // changes; the set of codes does).
  bool usda_read = false;
  std::map<int32_t, std::pair<FoodNutrients, FoodValues>> usda;
};

std::map<sqlite3 *, Source> &sources() {
  static std::map<sqlite3 *, Source> registry;
  return registry;
}

const std::vector<OwnFood> kNone;

// The log's data version: it changes whenever another connection commits. -1 when it
// cannot be read.
int64_t data_version(sqlite3 *log) {
  sqlite3_stmt *stmt = nullptr;
  int64_t version = -1;
  if (sqlite3_prepare_v2(log, "PRAGMA data_version", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    version = sqlite3_column_int64(stmt, 0);
  sqlite3_finalize(stmt);
  return version;
}

// The source of |food_db| with its foods as the log now holds them, or null without a log.
// A failed read keeps what was read before (and is tried again next time); one that failed
// because another program holds the log says nothing, as the reads on each key do not.
Source *current(sqlite3 *food_db) {
  auto found = sources().find(food_db);
  if (found == sources().end()) return nullptr;
  Source &source = found->second;
  const int64_t version = data_version(source.log);
  const uint64_t changes = own_foods_changes();
  if (source.loaded && version == source.data_version && changes == source.changes)
    return &source;
  std::vector<OwnFood> all;
  if (own_foods_load(source.log, true, &all, true) != 0) return &source;
  source.all = std::move(all);
  source.live.clear();
  source.index.clear();
  source.computed.clear();
  for (size_t i = 0; i < source.all.size(); i++) {
    source.index[source.all[i].food_code] = i;
    if (!source.all[i].deleted) source.live.push_back(source.all[i]);
  }
  source.usda_read = false;
  source.loaded = true;
  source.data_version = version;
  source.changes = changes;
  source.generation++;
  return &source;
}

const OwnFood *find(const Source &source, int32_t food_code) {
  auto at = source.index.find(food_code);
  return at == source.index.end() ? nullptr : &source.all[at->second];
}

constexpr uint32_t kAllUnknown = (1u << NUTRIENT_SOURCE_COUNT) - 1;

void clear_values(int32_t food_code, FoodNutrients *nutrients, FoodValues *values) {
  *nutrients = FoodNutrients{};
  nutrients->food_code = food_code;
  nutrients->unknown = kAllUnknown;
  *values = FoodValues{food_code, false, {food_code, {0, 0, 0, 0, 0, 0}}, false, 0.0};
}

int compute(sqlite3 *food_db, Source *source, const OwnFood &food, std::set<int32_t> *visiting,
            OwnValues *out);

// The values per 100 g of the own food |food_code| of |source|, worked out once per read.
// Returns 0, 1 when it is no own food or recipe (or one being worked out already: a recipe
// that holds itself), -1 after printing an SQL error.
int values_of(sqlite3 *food_db, Source *source, int32_t food_code, std::set<int32_t> *visiting,
              OwnValues *out) {
  auto done = source->computed.find(food_code);
  if (done != source->computed.end()) {
    *out = done->second;
    return 0;
  }
  const OwnFood *food = find(*source, food_code);
  if (!food || food->kind == OWN_MEAL || visiting->count(food_code)) return 1;
  // |food| stays valid: nothing reads the log again while the values are worked out.
  const uint64_t cuts = source->cuts;
  const int rc = compute(food_db, source, *food, visiting, out);
  if (rc == 0 && cuts == source->cuts) source->computed[food_code] = *out;
  return rc;
}

// Reads, in one statement for the nutrients and one for the values, the food database's
// values of every food the own foods count like or are made of that |source| does not keep
// yet. Returns 0, or -1 after printing an SQL error.
int read_usda(sqlite3 *food_db, Source *source) {
  if (source->usda_read) return 0;
  std::vector<int32_t> codes;
  auto want = [&](int32_t code) {
    if (code > 0 && !food_code_is_own(code) && !source->usda.count(code)) codes.push_back(code);
  };
  for (const OwnFood &food : source->all) {
    want(food.counts_like);
    for (const OwnItem &item : food.items) want(item.food_code);
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  if (!codes.empty()) {
    std::vector<FoodNutrients> nutrients(codes.size());
    std::vector<FoodValues> values(codes.size());
    if (food_nutrients_of(food_db, codes.data(), codes.size(), nutrients.data()) != 0 ||
        food_values_for(food_db, codes.data(), codes.size(), values.data()) != 0)
      return -1;
    for (size_t i = 0; i < codes.size(); i++)
      source->usda[codes[i]] = std::make_pair(nutrients[i], values[i]);
  }
  source->usda_read = true;
  return 0;
}

// The kept values of the food database's food |food_code|, or null.
const std::pair<FoodNutrients, FoodValues> *kept_usda(const Source &source, int32_t food_code) {
  auto found = source.usda.find(food_code);
  return found == source.usda.end() ? nullptr : &found->second;
}

// An own food: its label's values per serving, per 100 g.
int compute_label(sqlite3 *food_db, const Source &source, const OwnFood &food, OwnValues *out) {
  FoodNutrients &nutrients = out->nutrients;
  FoodValues &values = out->values;
  if (!(food.serving_g > 0)) return 0;
  const double scale = 100.0 / food.serving_g;
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
    if ((food.known & (1u << source)) == 0) continue;
    nutrients.values[source] = food.values[source] * scale;
    nutrients.unknown &= ~(1u << source);
  }
  nutrients.has_nutrients = (food.known & (1u << SOURCE_ENERGY)) != 0;
  values.has_energy = nutrients.has_nutrients;
  values.kcal = nutrients.values[SOURCE_ENERGY];
  if (food.counts_like > 0 && !food_code_is_own(food.counts_like)) {
    // The food it counts like gives its equivalents per 100 g, which are those per gram
    // times 100 whatever the serving.
    FoodValues like;
    if (const auto *kept = kept_usda(source, food.counts_like))
      like = kept->second;
    else if (food_values_of(food_db, food.counts_like, &like) < 0)
      return -1;
    values.has_groups = like.has_groups;
    for (int group = 0; group < FOOD_GROUP_COUNT; group++)
      values.groups.amounts[group] = like.groups.amounts[group];
    nutrients.has_equivalents = like.has_groups;
  }
  return 0;
}

// A recipe: the sums of its ingredients for their grams, per 100 g of the dish.
int compute_recipe(sqlite3 *food_db, Source *source, const OwnFood &recipe,
                   std::set<int32_t> *visiting, OwnValues *out) {
  const double dish = own_recipe_grams(recipe);
  if (!(dish > 0)) return 0;
  // The ingredients of the food database: kept, or read now in one pass.
  std::vector<int32_t> codes;
  for (const OwnItem &item : recipe.items)
    if (item.grams > 0 && !food_code_is_own(item.food_code) && !kept_usda(*source, item.food_code))
      codes.push_back(item.food_code);
  std::vector<FoodNutrients> db_nutrients(codes.size());
  std::vector<FoodValues> db_values(codes.size());
  if (!codes.empty() &&
      (food_nutrients_of(food_db, codes.data(), codes.size(), db_nutrients.data()) != 0 ||
       food_values_for(food_db, codes.data(), codes.size(), db_values.data()) != 0))
    return -1;

  FoodNutrients &nutrients = out->nutrients;
  FoodValues &values = out->values;
  nutrients.unknown = 0;
  bool any = false;
  size_t next_db = 0;
  if (recipe.food_code != 0) visiting->insert(recipe.food_code);
  for (const OwnItem &item : recipe.items) {
    if (!(item.grams > 0)) continue;
    OwnValues one;
    if (food_code_is_own(item.food_code)) {
      clear_values(item.food_code, &one.nutrients, &one.values);
      const int rc = values_of(food_db, source, item.food_code, visiting, &one);
      if (rc < 0) {
        visiting->erase(recipe.food_code);
        return -1;
      }
      // The recipe itself, met again inside: the repeated part counts nothing (0, not
      // unknown), and what was worked out around it is not kept.
      if (rc == 1 && visiting->count(item.food_code)) {
        source->cuts++;
        any = true;
        continue;
      }
    } else if (const auto *kept = kept_usda(*source, item.food_code)) {
      one.nutrients = kept->first;
      one.values = kept->second;
    } else {
      one.nutrients = db_nutrients[next_db];
      one.values = db_values[next_db];
      next_db++;
    }
    any = true;
    const double servings = item.grams / 100.0;
    nutrients.unknown |= one.nutrients.has_nutrients ? one.nutrients.unknown : kAllUnknown;
    for (int s = 0; s < NUTRIENT_SOURCE_COUNT; s++)
      nutrients.values[s] += one.nutrients.values[s] * servings;
    if (one.values.has_groups) {
      values.has_groups = true;
      for (int group = 0; group < FOOD_GROUP_COUNT; group++)
        values.groups.amounts[group] += one.values.groups.amounts[group] * servings;
    }
  }
  if (recipe.food_code != 0) visiting->erase(recipe.food_code);
  if (!any) {
    clear_values(recipe.food_code, &out->nutrients, &out->values);
    return 0;
  }
  const double scale = 100.0 / dish;
  for (int s = 0; s < NUTRIENT_SOURCE_COUNT; s++) {
    if (nutrients.unknown & (1u << s))
      nutrients.values[s] = 0.0;
    else
      nutrients.values[s] *= scale;
  }
  for (double &amount : values.groups.amounts) amount *= scale;
  nutrients.has_nutrients = (nutrients.unknown & (1u << SOURCE_ENERGY)) == 0;
  nutrients.has_equivalents = values.has_groups;
  values.has_energy = nutrients.has_nutrients;
  values.kcal = nutrients.values[SOURCE_ENERGY];
  return 0;
}

int compute(sqlite3 *food_db, Source *source, const OwnFood &food, std::set<int32_t> *visiting,
            OwnValues *out) {
  clear_values(food.food_code, &out->nutrients, &out->values);
  int rc = 0;
  // One read of the food database's values for all own foods, not one a food.
  if (read_usda(food_db, source) != 0) return -1;
  if (food.kind == OWN_FOOD)
    rc = compute_label(food_db, *source, food, out);
  else if (food.kind == OWN_RECIPE)
    rc = compute_recipe(food_db, source, food, visiting, out);
  if (rc != 0) clear_values(food.food_code, &out->nutrients, &out->values);
  return rc;
}

}  // namespace

void food_db_use_log(sqlite3 *food_db, sqlite3 *log_db) {
  if (!food_db) return;
  if (!log_db) {
    sources().erase(food_db);
    return;
  }
  Source &source = sources()[food_db];
  if (source.log == log_db) return;
  const uint64_t generation = source.generation + 1;
  source = Source{};
  source.log = log_db;
  source.generation = generation;
}

sqlite3 *food_source_food_db_of(sqlite3 *log_db) {
  for (const auto &source : sources())
    if (source.second.log == log_db) return source.first;
  return nullptr;
}

const std::vector<OwnFood> &food_source_own(sqlite3 *food_db) {
  Source *source = current(food_db);
  return source ? source->live : kNone;
}

const OwnFood *food_source_find(sqlite3 *food_db, int32_t food_code) {
  Source *source = current(food_db);
  return source ? find(*source, food_code) : nullptr;
}

uint64_t food_source_generation(sqlite3 *food_db) {
  Source *source = current(food_db);
  return source ? source->generation : 0;
}

bool food_source_answers(sqlite3 *food_db, int32_t food_code) {
  return food_code_is_own(food_code) && sources().count(food_db) != 0;
}

int food_source_values(sqlite3 *food_db, int32_t food_code, FoodNutrients *nutrients,
                       FoodValues *values) {
  FoodNutrients unused_nutrients;
  FoodValues unused_values;
  if (!nutrients) nutrients = &unused_nutrients;
  if (!values) values = &unused_values;
  clear_values(food_code, nutrients, values);
  Source *source = current(food_db);
  if (!source || !food_code_is_own(food_code)) return 1;
  OwnValues found;
  std::set<int32_t> visiting;
  const int rc = values_of(food_db, source, food_code, &visiting, &found);
  if (rc != 0) return rc;
  *nutrients = found.nutrients;
  *values = found.values;
  return 0;
}

void food_source_values_all(sqlite3 *food_db, std::vector<FoodValues> *out) {
  out->clear();
  Source *source = current(food_db);
  if (!source) return;
  // The log is looked at once, not once per food.
  for (const OwnFood &food : source->all) {
    if (food.kind == OWN_MEAL) continue;
    OwnValues found;
    std::set<int32_t> visiting;
    if (values_of(food_db, source, food.food_code, &visiting, &found) == 0 &&
        (found.values.has_groups || found.values.has_energy))
      out->push_back(found.values);
  }
}

int food_source_measure(sqlite3 *food_db, int32_t food_code, std::string *description,
                        double *grams) {
  const OwnFood *food = food_source_find(food_db, food_code);
  if (!food || food->kind == OWN_MEAL) return 1;
  if (food->kind == OWN_FOOD) {
    // A serving of 100 g is the food's serving already.
    if (!(food->serving_g > 0) || food->serving_g == 100.0) return 1;
    *description = "1 serving";
    *grams = food->serving_g;
    return 0;
  }
  const double dish = own_recipe_grams(*food);
  if (!(dish > 0) || !(food->portions > 0)) return 1;
  *description = "1 portion";
  *grams = dish / food->portions;
  return 0;
}

int food_describe(sqlite3 *food_db, int32_t food_code, std::string *out) {
  out->clear();
  if (food_code_is_own(food_code)) {
    const OwnFood *food = food_source_find(food_db, food_code);
    if (!food) return 1;
    *out = food->name;
    return 0;
  }
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(food_db,
                         "SELECT \"Main food description\" FROM foods WHERE \"Food code\" = ?1",
                         -1, &stmt, nullptr) != SQLITE_OK) {
    fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(food_db));
    sqlite3_finalize(stmt);
    return -1;
  }
  sqlite3_bind_int(stmt, 1, food_code);
  const int rc = sqlite3_step(stmt);
  int result = 1;
  if (rc == SQLITE_ROW) {
    const unsigned char *text = sqlite3_column_text(stmt, 0);
    *out = text ? reinterpret_cast<const char *>(text) : "";
    result = 0;
  } else if (rc != SQLITE_DONE) {
    fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(food_db));
    result = -1;
  }
  sqlite3_finalize(stmt);
  return result;
}

double own_recipe_grams(const OwnFood &recipe) {
  if (recipe.cooked_g > 0) return recipe.cooked_g;
  double grams = 0.0;
  for (const OwnItem &item : recipe.items)
    if (item.grams > 0) grams += item.grams;
  return grams;
}

int own_food_values(sqlite3 *food_db, const OwnFood &food, FoodNutrients *nutrients,
                    FoodValues *values) {
  OwnValues out;
  clear_values(food.food_code, &out.nutrients, &out.values);
  Source *source = current(food_db);
  Source none;
  std::set<int32_t> visiting;
  const int rc = compute(food_db, source ? source : &none, food, &visiting, &out);
  if (rc != 0) clear_values(food.food_code, &out.nutrients, &out.values);
  if (nutrients) *nutrients = out.nutrients;
  if (values) *values = out.values;
  return rc == 0 ? 0 : -1;
}
