// SPDX-License-Identifier: GPL-3.0-or-later
// The person's own foods, recipes and saved meals in the log database.
#include "store/own-foods.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "i18n.h"
#include "store/entry-measures.h"
#include "store/sql-statement.h"

namespace {

const char kCreateFoodsSql[] =
    "CREATE TABLE IF NOT EXISTS own_foods (food_code INTEGER PRIMARY KEY, kind INTEGER NOT "
    "NULL, name TEXT NOT NULL, serving_g REAL NOT NULL DEFAULT 100, counts_like INTEGER NOT "
    "NULL DEFAULT 0, portions REAL NOT NULL DEFAULT 1, cooked_g REAL NOT NULL DEFAULT 0, "
    "deleted INTEGER NOT NULL DEFAULT 0)";
// A nutrient without a row is unknown; the value is per serving, in the unit of its key.
const char kCreateNutrientsSql[] =
    "CREATE TABLE IF NOT EXISTS own_food_nutrients (food_code INTEGER NOT NULL, nutrient TEXT "
    "NOT NULL, per_serving REAL NOT NULL, PRIMARY KEY (food_code, nutrient))";
const char kCreateItemsSql[] =
    "CREATE TABLE IF NOT EXISTS own_items (owner INTEGER NOT NULL, position INTEGER NOT NULL, "
    "food_code INTEGER NOT NULL, grams REAL NOT NULL, measure TEXT NOT NULL DEFAULT '', count "
    "REAL NOT NULL DEFAULT 0, PRIMARY KEY (owner, position))";
const char *const kTableNames[] = {"own_foods", "own_food_nutrients", "own_items"};

const char kHasTableSql[] = "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1";
const char kLoadFoodsSql[] =
    "SELECT food_code, kind, name, serving_g, counts_like, portions, cooked_g, deleted FROM "
    "own_foods WHERE ?1 OR deleted = 0 ORDER BY food_code";
const char kLoadNutrientsSql[] =
    "SELECT food_code, nutrient, per_serving FROM own_food_nutrients";
const char kLoadItemsSql[] =
    "SELECT owner, food_code, grams, measure, count FROM own_items ORDER BY owner, position";
const char kSaveFoodSql[] =
    "INSERT OR REPLACE INTO own_foods (food_code, kind, name, serving_g, counts_like, portions, "
    "cooked_g, deleted) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 0)";
const char kClearNutrientsSql[] = "DELETE FROM own_food_nutrients WHERE food_code = ?1";
const char kClearItemsSql[] = "DELETE FROM own_items WHERE owner = ?1";
const char kDeleteFoodSql[] = "DELETE FROM own_foods WHERE food_code = ?1";
const char kMarkDeletedSql[] = "UPDATE own_foods SET deleted = 1 WHERE food_code = ?1";
const char kSaveNutrientSql[] =
    "INSERT INTO own_food_nutrients (food_code, nutrient, per_serving) VALUES (?1, ?2, ?3)";
const char kSaveItemSql[] =
    "INSERT INTO own_items (owner, position, food_code, grams, measure, count) VALUES (?1, ?2, "
    "?3, ?4, ?5, ?6)";
const char kRenameEntriesSql[] =
    "UPDATE food_log SET description = ?2 WHERE food_code = ?1 AND description <> ?2";
const char kEntryCountSql[] = "SELECT count(*) FROM food_log WHERE food_code = ?1";
// The highest code of a kind, whether an own food or an entry holds it: a code once logged
// is never given to another food, not even after its food was removed.
const char kHighestCodeSql[] =
    "SELECT max(code) FROM (SELECT max(food_code) AS code FROM own_foods WHERE food_code "
    "BETWEEN ?1 AND ?2 UNION ALL SELECT max(food_code) FROM food_log WHERE food_code BETWEEN ?1 "
    "AND ?2)";
const char kItemOfSql[] = "SELECT owner FROM own_items WHERE food_code = ?1";
const char kAddEntrySql[] =
    "INSERT INTO food_log (food_code, description, date, servings) VALUES (?1, ?2, ?3, ?4)";

const char *const kNutrientKeys[NUTRIENT_SOURCE_COUNT] = {
    "energy_kcal",      "protein_g",       "carbohydrate_g",  "fiber_g",
    "total_fat_g",      "saturated_fat_g", "linoleic_acid_g", "linolenic_acid_g",
    "calcium_mg",       "iron_mg",         "magnesium_mg",    "phosphorus_mg",
    "potassium_mg",     "sodium_mg",       "zinc_mg",         "copper_mg",
    "selenium_mcg",     "vitamin_a_mcg_rae", "vitamin_e_mg",  "vitamin_d_mcg",
    "vitamin_c_mg",     "thiamin_mg",      "riboflavin_mg",   "niacin_mg",
    "vitamin_b6_mg",    "vitamin_b12_mcg", "choline_mg",      "vitamin_k_mcg",
    "folate_mcg_dfe",   "added_sugars_g",
};

// What a value no real food has: per 100 g.
constexpr double kMaxKcalPer100g = 900.0;
constexpr double kMaxFatPer100g = 100.0;
constexpr double kMaxSodiumMgPer100g = 40000.0;
constexpr double kMaxGrams = 100000.0;  // of a serving, an ingredient, a cooked dish
constexpr double kMaxPortions = 10000.0;

uint64_t own_changes = 0;
bool quiet_busy = false;  // a read that must not speak of another program's lock

void report_sql_error(sqlite3 *handle) {
  const int code = sqlite3_errcode(handle) & 0xff;
  if (quiet_busy && (code == SQLITE_BUSY || code == SQLITE_LOCKED)) return;
  sql_report_error(handle);
}

StatementPtr prepare(sqlite3 *handle, const char *sql) {
  StatementPtr stmt = sql_try_prepare(handle, sql);
  if (!stmt) report_sql_error(handle);
  return stmt;
}

// 1 when every table of own foods exists, 0 when one is missing, -1 after printing why.
int has_tables(sqlite3 *handle) {
  StatementPtr stmt = prepare(handle, kHasTableSql);
  if (!stmt) return -1;
  for (const char *name : kTableNames) {
    sqlite3_reset(stmt.get());
    sqlite3_bind_text(stmt.get(), 1, name, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE) return 0;
    if (rc != SQLITE_ROW) {
      report_sql_error(handle);
      return -1;
    }
  }
  return 1;
}

// Whether the connection was told to change nothing (PRAGMA query_only).
bool query_only(sqlite3 *handle) {
  StatementPtr stmt = sql_try_prepare(handle, "PRAGMA query_only");
  return stmt && sqlite3_step(stmt.get()) == SQLITE_ROW && sqlite3_column_int(stmt.get(), 0) != 0;
}

// Commits |transaction|, counting the change; prints why it could not (everything is then
// rolled back).
bool commit(SqlWriteTransaction *transaction) {
  if (!transaction->commit()) return false;
  own_changes++;
  return true;
}

// Runs the statement |sql| with the one code |code|.
bool run_with_code(sqlite3 *handle, const char *sql, int32_t code, const char *format) {
  StatementPtr stmt = prepare(handle, sql);
  if (!stmt) return false;
  sqlite3_bind_int(stmt.get(), 1, code);
  return sql_run(handle, stmt.get(), format);
}

int source_of_key(const char *key) {
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++)
    if (strcmp(kNutrientKeys[source], key) == 0) return source;
  return -1;
}

// A stored value in the unit of its key, as OwnFood holds it, and back.
double from_key_unit(int source, double value) {
  return source == SOURCE_ADDED_SUGARS ? value / kAddedSugarGramsPerTsp : value;
}
double to_key_unit(int source, double value) {
  return source == SOURCE_ADDED_SUGARS ? value * kAddedSugarGramsPerTsp : value;
}

// |name| without the blanks around it.
std::string trimmed(const std::string &name) {
  const char *blanks = " \t\n\r\f\v";
  const size_t first = name.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return name.substr(first, name.find_last_not_of(blanks) - first + 1);
}

std::string format_message(const char *format, const std::string &name) {
  char text[512];
  snprintf(text, sizeof text, format, name.c_str());
  return text;
}

const OwnFood *find_in(const std::vector<OwnFood> &all, int32_t food_code) {
  for (const OwnFood &food : all)
    if (food.food_code == food_code) return &food;
  return nullptr;
}

void fail(OwnFault *fault, OwnField field, const char *message, int source = -1, int item = -1) {
  fault->field = field;
  fault->source = source;
  fault->item = item;
  fault->message = message;
}

// Whether a recipe |from| (looked up in |all|, with |food| standing for its stored self)
// reaches |target| through its ingredients; fills |*through| with the last recipe on the
// way that holds it. |seen| keeps the walk finite whatever the stored recipes hold.
bool reaches(const OwnFood &food, const std::vector<OwnFood> &all, int32_t from, int32_t target,
             std::set<int32_t> *seen, std::string *through) {
  if (!seen->insert(from).second) return false;
  const OwnFood *recipe = from == food.food_code ? &food : find_in(all, from);
  if (!recipe || recipe->kind != OWN_RECIPE) return false;
  for (const OwnItem &item : recipe->items) {
    if (item.food_code == target) {
      *through = recipe->name;
      return true;
    }
    if (food_code_is_own(item.food_code) &&
        reaches(food, all, item.food_code, target, seen, through))
      return true;
  }
  return false;
}

// Fills |out| with the rows of |stmt| as foods, keyed by code in |index|.
bool read_foods(sqlite3 *handle, sqlite3_stmt *stmt, std::vector<OwnFood> *out) {
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    OwnFood food;
    food.food_code = sqlite3_column_int(stmt, 0);
    const int kind = sqlite3_column_int(stmt, 1);
    food.kind = kind == OWN_RECIPE ? OWN_RECIPE : kind == OWN_MEAL ? OWN_MEAL : OWN_FOOD;
    food.name = sql_column_text(stmt, 2);
    food.serving_g = sqlite3_column_double(stmt, 3);
    food.counts_like = sqlite3_column_int(stmt, 4);
    food.portions = sqlite3_column_double(stmt, 5);
    food.cooked_g = sqlite3_column_double(stmt, 6);
    food.deleted = sqlite3_column_int(stmt, 7) != 0;
    out->push_back(std::move(food));
  }
  if (rc == SQLITE_DONE) return true;
  report_sql_error(handle);
  return false;
}

// The code a new one of |kind| gets: one past the highest in use, from the first of its kind.
int32_t next_code(sqlite3 *handle, OwnKind kind) {
  const int32_t first = kind == OWN_MEAL ? kOwnMealCodeFirst : kOwnFoodCodeFirst;
  const int32_t last = kind == OWN_MEAL ? INT32_MAX : kOwnMealCodeFirst - 1;
  StatementPtr stmt = prepare(handle, kHighestCodeSql);
  if (!stmt) return 0;
  sqlite3_bind_int(stmt.get(), 1, first);
  sqlite3_bind_int(stmt.get(), 2, last);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) {
    report_sql_error(handle);
    return 0;
  }
  if (sqlite3_column_type(stmt.get(), 0) == SQLITE_NULL) return first;
  const int64_t highest = sqlite3_column_int64(stmt.get(), 0);
  if (highest >= last) {
    fprintf(stderr, "%s", _("alimora: no food code is left for another food\n"));
    return 0;
  }
  return static_cast<int32_t>(highest + 1);
}

// Writes |food| (its code given) with its values and items, replacing what was stored.
bool write_food(sqlite3 *handle, const OwnFood &food) {
  const char *format = _("alimora: cannot save the food: %s\n");
  StatementPtr stmt = prepare(handle, kSaveFoodSql);
  if (!stmt) return false;
  sqlite3_bind_int(stmt.get(), 1, food.food_code);
  sqlite3_bind_int(stmt.get(), 2, food.kind);
  const std::string name = trimmed(food.name);
  sqlite3_bind_text(stmt.get(), 3, name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_double(stmt.get(), 4, food.kind == OWN_FOOD ? food.serving_g : 100.0);
  sqlite3_bind_int(stmt.get(), 5, food.kind == OWN_FOOD ? food.counts_like : 0);
  sqlite3_bind_double(stmt.get(), 6, food.kind == OWN_RECIPE ? food.portions : 1.0);
  sqlite3_bind_double(stmt.get(), 7, food.kind == OWN_RECIPE ? food.cooked_g : 0.0);
  if (!sql_run(handle, stmt.get(), format)) return false;
  if (!run_with_code(handle, kClearNutrientsSql, food.food_code, format) ||
      !run_with_code(handle, kClearItemsSql, food.food_code, format))
    return false;
  if (food.kind == OWN_FOOD) {
    stmt = prepare(handle, kSaveNutrientSql);
    if (!stmt) return false;
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
      if ((food.known & (1u << source)) == 0) continue;
      sqlite3_reset(stmt.get());
      sqlite3_bind_int(stmt.get(), 1, food.food_code);
      sqlite3_bind_text(stmt.get(), 2, kNutrientKeys[source], -1, SQLITE_STATIC);
      sqlite3_bind_double(stmt.get(), 3, to_key_unit(source, food.values[source]));
      if (!sql_run(handle, stmt.get(), format)) return false;
    }
  } else {
    stmt = prepare(handle, kSaveItemSql);
    if (!stmt) return false;
    for (size_t i = 0; i < food.items.size(); i++) {
      const OwnItem &item = food.items[i];
      sqlite3_reset(stmt.get());
      sqlite3_bind_int(stmt.get(), 1, food.food_code);
      sqlite3_bind_int64(stmt.get(), 2, static_cast<int64_t>(i));
      sqlite3_bind_int(stmt.get(), 3, item.food_code);
      sqlite3_bind_double(stmt.get(), 4, item.grams);
      sqlite3_bind_text(stmt.get(), 5, item.measure.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(stmt.get(), 6, item.measure.empty() ? 0.0 : item.count);
      if (!sql_run(handle, stmt.get(), format)) return false;
    }
  }
  if (food.kind == OWN_MEAL) return true;
  // Entries take the food's new name.
  stmt = prepare(handle, kRenameEntriesSql);
  if (!stmt) return false;
  sqlite3_bind_int(stmt.get(), 1, food.food_code);
  sqlite3_bind_text(stmt.get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
  return sql_run(handle, stmt.get(), format);
}

}  // namespace

const char *own_nutrient_key(int source) {
  if (source < 0 || source >= NUTRIENT_SOURCE_COUNT) return nullptr;
  return kNutrientKeys[source];
}

uint64_t own_foods_changes() { return own_changes; }

int own_food_tables_create(sqlite3 *handle) {
  const int exists = has_tables(handle);
  if (exists == 1) return 0;
  // A log that may only be read keeps its tables as they are, and says nothing: it has no
  // own foods, and saving one fails with the reason.
  if (exists == -1 || sqlite3_db_readonly(handle, "main") == 1 || query_only(handle)) return -1;
  const char *format = _("alimora: cannot create the tables of own foods: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  for (const char *sql : {kCreateFoodsSql, kCreateNutrientsSql, kCreateItemsSql})
    if (!sql_exec(handle, sql, format)) return -1;
  return commit(&transaction) ? 0 : -1;
}

int own_foods_load(sqlite3 *handle, bool with_deleted, std::vector<OwnFood> *out,
                   bool quiet_when_busy) {
  out->clear();
  struct Quiet {
    bool before = quiet_busy;
    explicit Quiet(bool quiet) { quiet_busy = quiet_busy || quiet; }
    ~Quiet() { quiet_busy = before; }
  } quiet(quiet_when_busy);
  const int exists = has_tables(handle);
  if (exists != 1) return exists;
  // One read transaction, so that the three tables are read as one state of the log.
  const bool begun = sqlite3_get_autocommit(handle) &&
                     sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  bool ok = false;
  {
    StatementPtr foods = prepare(handle, kLoadFoodsSql);
    StatementPtr nutrients = prepare(handle, kLoadNutrientsSql);
    StatementPtr items = prepare(handle, kLoadItemsSql);
    if (foods && nutrients && items) {
      sqlite3_bind_int(foods.get(), 1, with_deleted ? 1 : 0);
      ok = read_foods(handle, foods.get(), out);
      std::map<int32_t, size_t> index;
      for (size_t i = 0; i < out->size(); i++) index[(*out)[i].food_code] = i;
      int rc;
      while (ok && (rc = sqlite3_step(nutrients.get())) == SQLITE_ROW) {
        auto at = index.find(sqlite3_column_int(nutrients.get(), 0));
        const int source = source_of_key(sql_column_text(nutrients.get(), 1));
        if (at == index.end() || source < 0) continue;
        OwnFood &food = (*out)[at->second];
        food.values[source] = from_key_unit(source, sqlite3_column_double(nutrients.get(), 2));
        food.known |= 1u << source;
      }
      if (ok && rc != SQLITE_DONE) {
        report_sql_error(handle);
        ok = false;
      }
      while (ok && (rc = sqlite3_step(items.get())) == SQLITE_ROW) {
        auto at = index.find(sqlite3_column_int(items.get(), 0));
        if (at == index.end()) continue;
        OwnItem item;
        item.food_code = sqlite3_column_int(items.get(), 1);
        item.grams = sqlite3_column_double(items.get(), 2);
        item.measure = sql_column_text(items.get(), 3);
        item.count = sqlite3_column_double(items.get(), 4);
        (*out)[at->second].items.push_back(std::move(item));
      }
      if (ok && rc != SQLITE_DONE) {
        report_sql_error(handle);
        ok = false;
      }
    }
  }
  if (begun) sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
  if (ok) return 0;
  out->clear();
  return -1;
}

bool own_food_check(const OwnFood &food, const std::vector<OwnFood> &all, OwnFault *fault) {
  *fault = OwnFault{};
  const std::string name = trimmed(food.name);
  if (name.empty()) {
    fail(fault, OWN_FIELD_NAME, _("Enter a name."));
    return false;
  }
  for (const OwnFood &other : all) {
    if (other.deleted || (food.food_code != 0 && other.food_code == food.food_code)) continue;
    if (trimmed(other.name) == name) {
      fault->field = OWN_FIELD_NAME;
      fault->message = format_message(_("There is already a food named \"%s\"."), name);
      return false;
    }
  }
  if (food.kind == OWN_FOOD) {
    if (!(food.serving_g > 0) || !(food.serving_g <= kMaxGrams)) {
      fail(fault, OWN_FIELD_SERVING, _("Enter a serving of more than 0 g and at most 100 kg."));
      return false;
    }
    if ((food.known & (1u << SOURCE_ENERGY)) == 0) {
      fail(fault, OWN_FIELD_VALUE, _("Enter the energy (kcal) of a serving."), SOURCE_ENERGY);
      return false;
    }
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
      if ((food.known & (1u << source)) == 0) continue;
      if (!std::isfinite(food.values[source]) || food.values[source] < 0) {
        fail(fault, OWN_FIELD_VALUE, _("Enter 0 or more."), source);
        return false;
      }
    }
    const double per_100g = 100.0 / food.serving_g;
    struct Limit {
      int source;
      double most;
      const char *message;
    };
    const Limit limits[] = {
        {SOURCE_ENERGY, kMaxKcalPer100g, N_("No food has more than 900 kcal per 100 g.")},
        {SOURCE_TOTAL_FAT, kMaxFatPer100g, N_("No food has more than 100 g of fat per 100 g.")},
        {SOURCE_SATURATED_FAT, kMaxFatPer100g,
         N_("No food has more than 100 g of fat per 100 g.")},
        {SOURCE_SODIUM, kMaxSodiumMgPer100g,
         N_("No food has more than 40 g of sodium per 100 g.")},
    };
    for (const Limit &limit : limits) {
      if ((food.known & (1u << limit.source)) == 0) continue;
      // A little above the limit for the rounding of the label's values.
      if (food.values[limit.source] * per_100g > limit.most * (1 + 1e-9)) {
        fail(fault, OWN_FIELD_VALUE, _(limit.message), limit.source);
        return false;
      }
    }
    return true;
  }
  if (food.items.empty()) {
    fail(fault, OWN_FIELD_ITEMS,
         food.kind == OWN_RECIPE ? _("Add an ingredient.") : _("Add a food."));
    return false;
  }
  for (size_t i = 0; i < food.items.size(); i++) {
    const OwnItem &item = food.items[i];
    const int index = static_cast<int>(i);
    if (!(item.grams > 0) || !(item.grams <= kMaxGrams)) {
      fail(fault, OWN_FIELD_ITEMS, _("Enter an amount of more than 0 g and at most 100 kg."),
           -1, index);
      return false;
    }
    if (item.food_code <= 0) {
      fail(fault, OWN_FIELD_ITEMS, _("This is no food."), -1, index);
      return false;
    }
    if (!food_code_is_own(item.food_code)) continue;
    if (food.food_code != 0 && item.food_code == food.food_code) {
      fail(fault, OWN_FIELD_ITEMS, _("A recipe cannot contain itself."), -1, index);
      return false;
    }
    const OwnFood *used = find_in(all, item.food_code);
    if (!used || used->deleted || used->kind == OWN_MEAL) {
      fail(fault, OWN_FIELD_ITEMS, _("This is no food."), -1, index);
      return false;
    }
    if (food.kind == OWN_RECIPE && food.food_code != 0 && used->kind == OWN_RECIPE) {
      std::set<int32_t> seen;
      std::string through;
      if (reaches(food, all, item.food_code, food.food_code, &seen, &through)) {
        fault->field = OWN_FIELD_ITEMS;
        fault->item = index;
        fault->message = format_message(
            _("A recipe cannot contain itself: \"%s\" contains this recipe."), through);
        return false;
      }
    }
  }
  if (food.kind == OWN_RECIPE) {
    if (!(food.portions > 0) || !(food.portions <= kMaxPortions)) {
      fail(fault, OWN_FIELD_PORTIONS, _("Enter more than 0 portions."));
      return false;
    }
    if (!(food.cooked_g >= 0) || !(food.cooked_g <= kMaxGrams)) {
      fail(fault, OWN_FIELD_COOKED, _("Enter a cooked weight of more than 0 g and at most 100 kg."));
      return false;
    }
  }
  return true;
}

int own_food_save(sqlite3 *handle, OwnFood *food, OwnFault *fault) {
  *fault = OwnFault{};
  const char *format = _("alimora: cannot save the food: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  std::vector<OwnFood> all;
  if (own_foods_load(handle, true, &all) != 0) return -1;
  if (food->food_code != 0) {
    const OwnFood *stored = find_in(all, food->food_code);
    if (!stored || stored->kind != food->kind) {
      fprintf(stderr, format, _("no such food"));
      return -1;
    }
  }
  if (!own_food_check(*food, all, fault)) return 1;
  OwnFood saved = *food;
  saved.name = trimmed(saved.name);
  if (saved.food_code == 0) {
    saved.food_code = next_code(handle, saved.kind);
    if (saved.food_code == 0) return -1;
  }
  if (!write_food(handle, saved) || !commit(&transaction)) return -1;
  *food = saved;
  food->deleted = false;
  return 0;
}

int own_food_entry_count(sqlite3 *handle, int32_t food_code) {
  StatementPtr stmt = prepare(handle, kEntryCountSql);
  if (!stmt) return -1;
  sqlite3_bind_int(stmt.get(), 1, food_code);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) {
    report_sql_error(handle);
    return -1;
  }
  return sqlite3_column_int(stmt.get(), 0);
}

int own_food_delete(sqlite3 *handle, int32_t food_code, std::string *refusal) {
  refusal->clear();
  const char *format = _("alimora: cannot delete the food: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  std::vector<OwnFood> all;
  if (own_foods_load(handle, true, &all) != 0) return -1;
  const OwnFood *food = find_in(all, food_code);
  if (!food) return 0;
  // Which recipes and meals hold it: a live one refuses, a deleted one still needs it for
  // the entries that use that one.
  bool held = false;
  for (const OwnFood &owner : all) {
    for (const OwnItem &item : owner.items) {
      if (item.food_code != food_code) continue;
      if (!owner.deleted) {
        *refusal = format_message(owner.kind == OWN_RECIPE
                                      ? _("It is an ingredient of the recipe \"%s\".")
                                      : _("It is a food of the meal \"%s\"."),
                                  owner.name);
        return 1;
      }
      held = true;
    }
  }
  const int entries = own_food_entry_count(handle, food_code);
  if (entries < 0) return -1;
  if (entries > 0 || held) {
    if (!run_with_code(handle, kMarkDeletedSql, food_code, format)) return -1;
  } else if (!run_with_code(handle, kDeleteFoodSql, food_code, format) ||
             !run_with_code(handle, kClearNutrientsSql, food_code, format) ||
             !run_with_code(handle, kClearItemsSql, food_code, format)) {
    return -1;
  }
  return commit(&transaction) ? 0 : -1;
}

int own_meal_log(sqlite3 *handle, const OwnFood &meal, const std::vector<std::string> &descriptions,
                 const char *date, LogEntryList *written) {
  if (written) log_entry_list_free(written);
  const char *format = _("alimora: cannot add log entry: %s\n");
  if (descriptions.size() != meal.items.size()) {
    fprintf(stderr, format, _("a food of the meal has no description"));
    return -1;
  }
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  StatementPtr stmt = prepare(handle, kAddEntrySql);
  if (!stmt) return -1;
  std::vector<int64_t> ids;
  for (size_t i = 0; i < meal.items.size(); i++) {
    sqlite3_reset(stmt.get());
    sqlite3_bind_int(stmt.get(), 1, meal.items[i].food_code);
    sqlite3_bind_text(stmt.get(), 2, descriptions[i].c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt.get(), 3, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(stmt.get(), 4, meal.items[i].grams / 100.0);
    if (!sql_run(handle, stmt.get(), format)) return -1;
    const int64_t id = sqlite3_last_insert_rowid(handle);
    ids.push_back(id);
    // Each entry keeps the measure its item was given in ("1 cup"), as a dialog's would.
    const OwnItem &item = meal.items[i];
    const int kept = !item.measure.empty() && item.count > 0
                         ? entry_measure_put(handle, id, item.food_code, item.measure.c_str(),
                                             item.grams / item.count, item.count)
                         : entry_measure_forget(handle, id);
    if (kept != 0) return -1;
  }
  stmt.reset();
  if (written && !meal.items.empty()) {
    written->items = static_cast<LogEntry *>(calloc(meal.items.size(), sizeof(LogEntry)));
    if (!written->items) {
      fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
      return -1;
    }
    written->capacity = meal.items.size();
    for (size_t i = 0; i < meal.items.size(); i++) {
      char *description = strdup(descriptions[i].c_str());
      char *day = strdup(date);
      if (!description || !day) {
        free(description);
        free(day);
        log_entry_list_free(written);
        fprintf(stderr, "%s", _("alimora: memory exhausted\n"));
        return -1;
      }
      written->items[written->count++] =
          LogEntry{ids[i], meal.items[i].food_code, description, day, meal.items[i].grams / 100.0};
    }
  }
  if (!commit(&transaction)) {
    if (written) log_entry_list_free(written);
    return -1;
  }
  return 0;
}

int own_foods_import(sqlite3 *handle, std::vector<OwnFood> foods, OwnImport *result,
                     OwnFault *fault) {
  *result = OwnImport{};
  *fault = OwnFault{};
  const char *format = _("alimora: cannot import the foods: %s\n");
  SqlWriteTransaction transaction(handle, format);
  if (!transaction.ok()) return -1;
  std::vector<OwnFood> all;
  if (own_foods_load(handle, true, &all) != 0) return -1;
  // The codes the foods of the file take: a taken name's food, or the next free code.
  std::vector<int32_t> codes(foods.size(), 0);
  std::vector<bool> skipped(foods.size(), false);
  int32_t next_food = 0;
  int32_t next_meal = 0;
  for (size_t i = 0; i < foods.size(); i++) {
    const std::string name = trimmed(foods[i].name);
    for (const OwnFood &stored : all)
      if (!stored.deleted && trimmed(stored.name) == name) {
        codes[i] = stored.food_code;
        skipped[i] = true;
      }
    if (skipped[i]) continue;
    int32_t &next = foods[i].kind == OWN_MEAL ? next_meal : next_food;
    if (next == 0) next = next_code(handle, foods[i].kind);
    if (next == 0) return -1;
    codes[i] = next++;
  }
  for (size_t i = 0; i < foods.size(); i++) {
    foods[i].food_code = codes[i];
    foods[i].deleted = false;
    for (OwnItem &item : foods[i].items) {
      if (item.food_code >= 0) continue;
      const size_t index = static_cast<size_t>(-(static_cast<int64_t>(item.food_code) + 1));
      item.food_code = index < codes.size() ? codes[index] : 0;
    }
  }
  for (size_t i = 0; i < foods.size(); i++)
    if (!skipped[i]) all.push_back(foods[i]);
  for (size_t i = 0; i < foods.size(); i++) {
    if (skipped[i]) continue;
    if (!own_food_check(foods[i], all, fault)) {
      fault->message = trimmed(foods[i].name) + ": " + fault->message;
      return 1;
    }
  }
  for (size_t i = 0; i < foods.size(); i++) {
    if (skipped[i]) {
      result->skipped.push_back(trimmed(foods[i].name));
      continue;
    }
    if (!write_food(handle, foods[i])) return -1;
    result->added.push_back(trimmed(foods[i].name));
  }
  if (!commit(&transaction)) {
    *result = OwnImport{};
    return -1;
  }
  return 0;
}
