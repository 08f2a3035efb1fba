// SPDX-License-Identifier: GPL-3.0-or-later
// Read-only queries on the reference food database: opening it, searching foods by
// description, reading a food's nutrients and its food pattern equivalents.

#include "fooddb/food-db.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "db-connection.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-entries.h"

namespace {

// Short fatty-acid column names of the nutrients table and the names shown for them.
struct FattyAcidName {
  const char *column;
  const char *display;
};

const FattyAcidName fatty_acid_names[] = {
    {"4:0(g)", "Butanoic acid (4:0) (g)"},
    {"6:0(g)", "Hexanoic acid (6:0) (g)"},
    {"8:0(g)", "Octanoic acid (8:0) (g)"},
    {"10:0(g)", "Decanoic acid (10:0) (g)"},
    {"12:0(g)", "Dodecanoic acid (12:0) (g)"},
    {"14:0(g)", "Tetradecanoic acid (14:0) (g)"},
    {"16:0(g)", "Hexadecanoic acid (16:0) (g)"},
    {"18:0(g)", "Octadecanoic acid (18:0) (g)"},
    {"16:1(g)", "Hexadecenoic acid (16:1) (g)"},
    {"18:1(g)", "Octadecenoic acid (18:1) (g)"},
    {"20:1(g)", "Eicosenoic acid (20:1) (g)"},
    {"22:1(g)", "Docosenoic acid (22:1) (g)"},
    {"18:2(g)", "Octadecadienoic acid (18:2) (g)"},
    {"18:3(g)", "Octadecatrienoic acid (18:3) (g)"},
    {"18:4(g)", "Octadecatetraenoic acid (18:4) (g)"},
    {"20:4(g)", "Eicosatetraenoic acid (20:4) (g)"},
    {"20:5 n-3(g)", "EPA (20:5 n-3) (g)"},
    {"22:5 n-3(g)", "DPA (22:5 n-3) (g)"},
    {"22:6 n-3(g)", "DHA (22:6 n-3) (g)"},
};

const size_t kFirstCapacity = 64;  // items of a list's first allocation

// Gives |*items| room for one more item when |count| has reached |*capacity|: 64 items
// first, then twice as many. Returns false, leaving the array as it was, when memory runs out.
template <typename Item>
bool list_make_room(Item **items, size_t count, size_t *capacity) {
  if (count < *capacity) return true;
  const size_t grown = *capacity == 0 ? kFirstCapacity : *capacity * 2;
  if (grown < *capacity || grown > static_cast<size_t>(-1) / sizeof(Item)) return false;
  Item *larger = static_cast<Item *>(realloc(*items, grown * sizeof(Item)));
  if (larger == nullptr) return false;
  *items = larger;
  *capacity = grown;
  return true;
}

// Frees the string |owned| of each counted item of |list|, then the array, and leaves the
// list empty, so that it can be filled or freed again. Accepts null.
template <typename List, typename Item>
void list_free(List *list, char *Item::*owned) {
  if (list == nullptr) return;
  if (owned != nullptr)
    for (size_t i = 0; i < list->count; i++) free(list->items[i].*owned);
  free(list->items);
  *list = List{nullptr, 0, 0};
}

void report_sql_error(sqlite3 *handle) {
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
}

void report_memory_exhausted() { fprintf(stderr, _("alimora: memory exhausted\n")); }

// A copy of |name| without its line feeds, or null when memory runs out.
char *name_without_line_feeds(const char *name) {
  char *copy = static_cast<char *>(malloc(strlen(name) + 1));
  if (copy == nullptr) return nullptr;
  char *end = copy;
  for (const char *c = name; *c != '\0'; c++)
    if (*c != '\n') *end++ = *c;
  *end = '\0';
  return copy;
}

// Replaces |*name| by the display name of a fatty-acid column it equals. Returns false when
// the replacement cannot be allocated (|*name| is then unchanged).
bool use_fatty_acid_name(char **name) {
  for (const FattyAcidName &entry : fatty_acid_names) {
    if (strcmp(*name, entry.column) != 0) continue;
    char *display = strdup(entry.display);
    if (display == nullptr) return false;
    free(*name);
    *name = display;
    return true;
  }
  return true;
}

}  // namespace

sqlite3 *food_db_open(const char *path) {
  if (db_path_is_special(path)) {
    fprintf(stderr, _("alimora: cannot open database '%s': %s\n"), path, _("not a regular file"));
    return nullptr;
  }
  sqlite3 *handle = nullptr;
  int rc = sqlite3_open_v2(path, &handle, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK) {
    db_connection_configure(handle);
    // SQLite reads the file only when it first needs to, so a file that is not a
    // database would otherwise open without complaint and fail every query later.
    rc = sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    fprintf(stderr, _("alimora: cannot open database '%s': %s\n"), path, sqlite3_errmsg(handle));
    sqlite3_close(handle);
    return nullptr;
  }
  return handle;
}

void food_db_close(sqlite3 *handle) {
  food_db_use_log(handle, nullptr);
  if (handle != nullptr) sqlite3_close(handle);
}

void food_hit_list_free(FoodHitList *list) { list_free(list, &FoodHit::description); }

static const char kSearchSql[] =
    "SELECT \"Food code\", \"Main food description\" FROM foods "
    "WHERE \"Main food description\" LIKE ?1 ORDER BY \"Main food description\" LIMIT 100";

int food_search(sqlite3 *handle, const char *text, FoodHitList *out) {
  *out = FoodHitList{nullptr, 0, 0};

  const size_t length = strlen(text);
  char *pattern = static_cast<char *>(malloc(length + 3));
  if (pattern == nullptr) {
    report_memory_exhausted();
    return -1;
  }
  pattern[0] = '%';
  memcpy(pattern + 1, text, length);
  pattern[length + 1] = '%';
  pattern[length + 2] = '\0';

  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kSearchSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    free(pattern);
    return -1;
  }
  sqlite3_bind_text(stmt, 1, pattern, -1, SQLITE_TRANSIENT);

  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const int32_t code = sqlite3_column_int(stmt, 0);
    const unsigned char *description = sqlite3_column_text(stmt, 1);
    if (!list_make_room(&out->items, out->count, &out->capacity)) goto out_of_memory;
    out->items[out->count].food_code = code;
    out->items[out->count].description =
        strdup(description != nullptr ? reinterpret_cast<const char *>(description) : "");
    if (out->items[out->count].description == nullptr) goto out_of_memory;
    out->count++;
  }

  sqlite3_finalize(stmt);
  free(pattern);
  if (rc == SQLITE_DONE) return 0;
  report_sql_error(handle);
  food_hit_list_free(out);
  return -1;

out_of_memory:
  report_memory_exhausted();
  sqlite3_finalize(stmt);
  free(pattern);
  food_hit_list_free(out);
  return -1;
}

void nutrient_list_free(NutrientList *list) { list_free(list, &NutrientValue::name); }

// The nutrients of an own food or recipe as a list, named as the food database's columns
// are: only those it has a value for.
static int own_nutrient_list(sqlite3 *handle, int32_t food_code, NutrientList *out) {
  static const char *const names[NUTRIENT_SOURCE_COUNT] = {
      "Energy (kcal)", "Protein (g)", "Carbohydrate (g)", "Fiber, total dietary (g)",
      "Total Fat (g)", "Fatty acids, total saturated (g)", "Octadecadienoic acid (18:2) (g)",
      "Octadecatrienoic acid (18:3) (g)", "Calcium (mg)", "Iron (mg)", "Magnesium (mg)",
      "Phosphorus (mg)", "Potassium (mg)", "Sodium (mg)", "Zinc (mg)", "Copper (mg)",
      "Selenium (mcg)", "Vitamin A, RAE (mcg_RAE)", "Vitamin E (alpha-tocopherol) (mg)",
      "Vitamin D (D2 + D3) (mcg)", "Vitamin C (mg)", "Thiamin (mg)", "Riboflavin (mg)",
      "Niacin (mg)", "Vitamin B-6 (mg)", "Vitamin B-12 (mcg)", "Choline, total (mg)",
      "Vitamin K (phylloquinone) (mcg)", "Folate, DFE (mcg_DFE)", "Added sugars (tsp eq)"};
  FoodNutrients food;
  const int rc = food_source_values(handle, food_code, &food, nullptr);
  if (rc != 0) return rc < 0 ? -1 : 0;
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
    if (food.unknown & (1u << source)) continue;
    if (!list_make_room(&out->items, out->count, &out->capacity) ||
        (out->items[out->count].name = strdup(names[source])) == nullptr) {
      report_memory_exhausted();
      nutrient_list_free(out);
      return -1;
    }
    out->items[out->count++].value = food.values[source];
  }
  return 0;
}

static const char kNutrientsSql[] = "SELECT * FROM nutrients WHERE \"Food code\" = ?1";

int food_nutrients(sqlite3 *handle, int32_t food_code, NutrientList *out) {
  *out = NutrientList{nullptr, 0, 0};
  if (food_source_answers(handle, food_code)) return own_nutrient_list(handle, food_code, out);

  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kNutrientsSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  sqlite3_bind_int(stmt, 1, food_code);

  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_DONE) {
    sqlite3_finalize(stmt);
    return 0;
  }
  if (rc != SQLITE_ROW) {
    report_sql_error(handle);
    sqlite3_finalize(stmt);
    return -1;
  }

  const int columns = sqlite3_column_count(stmt);
  char *name = nullptr;  // working copy of the current column's name
  for (int i = 4; i < columns; i++) {
    const char *column_name = sqlite3_column_name(stmt, i);
    name = name_without_line_feeds(column_name != nullptr ? column_name : "");
    if (name == nullptr || !use_fatty_acid_name(&name)) goto out_of_memory;
    const double value = sqlite3_column_double(stmt, i);
    if (!list_make_room(&out->items, out->count, &out->capacity)) goto out_of_memory;
    out->items[out->count].name = strdup(name);
    if (out->items[out->count].name == nullptr) goto out_of_memory;
    out->items[out->count].value = value;
    out->count++;
    free(name);
    name = nullptr;
  }
  sqlite3_finalize(stmt);
  return 0;

out_of_memory:
  report_memory_exhausted();
  free(name);
  sqlite3_finalize(stmt);
  nutrient_list_free(out);
  return -1;
}

static const char kEquivalentsSql[] =
    "SELECT   COALESCE(\"V_TOTAL (cup eq)\", 0),   COALESCE(\"F_TOTAL (cup eq)\", 0),   "
    "COALESCE(\"G_TOTAL (oz eq)\", 0),   COALESCE(\"D_TOTAL (cup eq)\", 0),   "
    "COALESCE(\"PF_TOTAL (oz eq)\", 0),   COALESCE(\"OILS (grams)\", 0) "
    "FROM points WHERE FOODCODE = ?1 LIMIT 1";

int food_equivalents(sqlite3 *handle, int32_t food_code, FoodGroupAmounts *out) {
  out->key = food_code;
  for (double &amount : out->amounts) amount = 0.0;
  if (food_source_answers(handle, food_code)) {
    FoodValues values;
    const int rc = food_source_values(handle, food_code, nullptr, &values);
    if (rc != 0) return rc;
    *out = values.groups;
    return values.has_groups ? 0 : 1;
  }

  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kEquivalentsSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  sqlite3_bind_int(stmt, 1, food_code);

  int result;
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    for (int group = 0; group < FOOD_GROUP_COUNT; group++)
      out->amounts[group] = sqlite3_column_double(stmt, group);
    result = 0;
  } else if (rc == SQLITE_DONE) {
    result = 1;
  } else {
    report_sql_error(handle);
    result = -1;
  }
  sqlite3_finalize(stmt);
  return result;
}

// The values of the foods of |codes|: their first row of equivalents and of nutrients.
#define FOOD_VALUES_SELECT(codes)                                                           \
  "SELECT c.code, p.FOODCODE IS NOT NULL, COALESCE(p.\"V_TOTAL (cup eq)\", 0), "            \
  "COALESCE(p.\"F_TOTAL (cup eq)\", 0), COALESCE(p.\"G_TOTAL (oz eq)\", 0), "               \
  "COALESCE(p.\"D_TOTAL (cup eq)\", 0), COALESCE(p.\"PF_TOTAL (oz eq)\", 0), "              \
  "COALESCE(p.\"OILS (grams)\", 0), n.\"Food code\" IS NOT NULL, "                          \
  "COALESCE(n.\"Energy (kcal)\", 0) "                                                      \
  "FROM " codes " AS c "                                                                   \
  "LEFT JOIN points AS p ON p.rowid = (SELECT rowid FROM points WHERE FOODCODE = c.code LIMIT 1) " \
  "LEFT JOIN nutrients AS n ON n.rowid = "                                                 \
  "(SELECT rowid FROM nutrients WHERE \"Food code\" = c.code LIMIT 1) "

static const char kAllValuesSql[] = FOOD_VALUES_SELECT(
    "(SELECT FOODCODE AS code FROM points UNION SELECT \"Food code\" FROM nutrients)")
    "ORDER BY c.code";
static const char kOneFoodValuesSql[] = FOOD_VALUES_SELECT("(SELECT ?1 AS code)");

// Reads one row of FOOD_VALUES_SELECT into |values|.
static void read_food_values(sqlite3_stmt *stmt, FoodValues *values) {
  values->food_code = sqlite3_column_int(stmt, 0);
  values->has_groups = sqlite3_column_int(stmt, 1) != 0;
  values->groups.key = values->food_code;
  for (int group = 0; group < FOOD_GROUP_COUNT; group++)
    values->groups.amounts[group] = sqlite3_column_double(stmt, 2 + group);
  values->has_energy = sqlite3_column_int(stmt, 8) != 0;
  values->kcal = sqlite3_column_double(stmt, 9);
}

int food_values_all(sqlite3 *handle, FoodValuesList *out) {
  *out = FoodValuesList{nullptr, 0, 0};
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kAllValuesSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (!list_make_room(&out->items, out->count, &out->capacity)) {
      report_memory_exhausted();
      sqlite3_finalize(stmt);
      food_values_list_free(out);
      return -1;
    }
    read_food_values(stmt, &out->items[out->count++]);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) {
    report_sql_error(handle);
    food_values_list_free(out);
    return -1;
  }
  // The own foods' codes come after every code of the food database.
  std::vector<FoodValues> own;
  food_source_values_all(handle, &own);
  for (const FoodValues &values : own) {
    if (!list_make_room(&out->items, out->count, &out->capacity)) {
      report_memory_exhausted();
      food_values_list_free(out);
      return -1;
    }
    out->items[out->count++] = values;
  }
  return 0;
}

int food_values_of(sqlite3 *handle, int32_t food_code, FoodValues *out) {
  *out = FoodValues{food_code, false, {food_code, {0, 0, 0, 0, 0, 0}}, false, 0.0};
  if (food_source_answers(handle, food_code)) {
    const int rc = food_source_values(handle, food_code, nullptr, out);
    if (rc != 0) return rc;
    return out->has_groups || out->has_energy ? 0 : 1;
  }
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kOneFoodValuesSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  sqlite3_bind_int(stmt, 1, food_code);
  int result;
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    read_food_values(stmt, out);
    result = out->has_groups || out->has_energy ? 0 : 1;
  } else {
    report_sql_error(handle);
    result = -1;
  }
  sqlite3_finalize(stmt);
  return result;
}

// The foods of a JSON array of codes, in its order: one statement for all of them.
static const char kSomeFoodValuesSql[] = FOOD_VALUES_SELECT(
    "(SELECT key AS position, value AS code FROM json_each(?1))") "ORDER BY c.position";

// Adds the row |stmt| stands on to |out| when the food has values. Returns false when
// memory ran out (after saying so).
static bool add_food_values_row(sqlite3_stmt *stmt, FoodValuesList *out) {
  if (sqlite3_column_int(stmt, 1) == 0 && sqlite3_column_int(stmt, 8) == 0) return true;
  if (!list_make_room(&out->items, out->count, &out->capacity)) {
    report_memory_exhausted();
    return false;
  }
  read_food_values(stmt, &out->items[out->count++]);
  return true;
}

// food_values_some for codes among which are own ones: the food database's foods with one
// statement, the own ones from the log, merged in the order of |codes|.
static int food_values_some_own(sqlite3 *handle, const int32_t *codes, size_t count,
                                FoodValuesList *out) {
  std::vector<int32_t> db_codes;
  for (size_t i = 0; i < count; i++)
    if (!food_source_answers(handle, codes[i])) db_codes.push_back(codes[i]);
  FoodValuesList db{nullptr, 0, 0};
  if (food_values_some(handle, db_codes.data(), db_codes.size(), &db) != 0) return -1;
  size_t next = 0;
  for (size_t i = 0; i < count; i++) {
    FoodValues values;
    if (food_source_answers(handle, codes[i])) {
      const int rc = food_source_values(handle, codes[i], nullptr, &values);
      if (rc < 0) {
        food_values_list_free(&db);
        food_values_list_free(out);
        return -1;
      }
      if (rc != 0 || !(values.has_groups || values.has_energy)) continue;
    } else if (next < db.count && db.items[next].food_code == codes[i]) {
      values = db.items[next++];
    } else {
      continue;
    }
    if (!list_make_room(&out->items, out->count, &out->capacity)) {
      report_memory_exhausted();
      food_values_list_free(&db);
      food_values_list_free(out);
      return -1;
    }
    out->items[out->count++] = values;
  }
  food_values_list_free(&db);
  return 0;
}

int food_values_some(sqlite3 *handle, const int32_t *codes, size_t count, FoodValuesList *out) {
  *out = FoodValuesList{nullptr, 0, 0};
  if (count == 0) return 0;
  for (size_t i = 0; i < count; i++)
    if (food_source_answers(handle, codes[i])) return food_values_some_own(handle, codes, count, out);
  sqlite3_stmt *stmt = nullptr;
  // With SQLite's JSON functions (built in since 3.38) one statement reads them all.
  if (sqlite3_prepare_v2(handle, kSomeFoodValuesSql, -1, &stmt, nullptr) == SQLITE_OK) {
    std::string array = "[";
    for (size_t i = 0; i < count; i++) array += (i ? "," : "") + std::to_string(codes[i]);
    array += "]";
    sqlite3_bind_text(stmt, 1, array.c_str(), -1, SQLITE_TRANSIENT);
    int rc;
    bool ok = true;
    while (ok && (rc = sqlite3_step(stmt)) == SQLITE_ROW) ok = add_food_values_row(stmt, out);
    if (ok && rc != SQLITE_DONE) {
      report_sql_error(handle);
      ok = false;
    }
    sqlite3_finalize(stmt);
    if (ok) return 0;
    food_values_list_free(out);
    return -1;
  }
  // Without them, one statement run once per code.
  if (sqlite3_prepare_v2(handle, kOneFoodValuesSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  bool ok = true;
  for (size_t i = 0; i < count && ok; i++) {
    sqlite3_bind_int(stmt, 1, codes[i]);
    if (sqlite3_step(stmt) != SQLITE_ROW) {
      report_sql_error(handle);
      ok = false;
    } else {
      ok = add_food_values_row(stmt, out);
    }
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  if (ok) return 0;
  food_values_list_free(out);
  return -1;
}

int food_values_for(sqlite3 *handle, const int32_t *codes, size_t count, FoodValues *out) {
  for (size_t i = 0; i < count; i++)
    out[i] = FoodValues{codes[i], false, {codes[i], {0, 0, 0, 0, 0, 0}}, false, 0.0};
  FoodValuesList found;
  if (food_values_some(handle, codes, count, &found) != 0) return -1;
  // The list keeps the order of |codes| and leaves out the foods without values.
  size_t next = 0;
  for (size_t i = 0; i < count && next < found.count; i++)
    if (found.items[next].food_code == codes[i]) out[i] = found.items[next++];
  food_values_list_free(&found);
  return 0;
}

void food_values_list_free(FoodValuesList *list) {
  list_free(list, static_cast<char *FoodValues::*>(nullptr));
}

void food_measure_list_free(FoodMeasureList *list) {
  list_free(list, &FoodMeasure::description);
}

static const char kMeasuresSql[] =
    "SELECT \"Portion description\", \"Portion weight (g)\" FROM measures "
    "WHERE \"Food code\" = ?1 ORDER BY \"Seq num\", rowid";

int food_measures(sqlite3 *handle, int32_t food_code, FoodMeasureList *out) {
  *out = FoodMeasureList{nullptr, 0, 0};
  if (food_source_answers(handle, food_code)) {
    std::string description;
    double grams = 0.0;
    if (food_source_measure(handle, food_code, &description, &grams) != 0) return 0;
    if (!list_make_room(&out->items, out->count, &out->capacity) ||
        (out->items[0].description = strdup(description.c_str())) == nullptr) {
      report_memory_exhausted();
      food_measure_list_free(out);
      return -1;
    }
    out->items[0].grams = grams;
    out->count = 1;
    return 0;
  }

  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kMeasuresSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  sqlite3_bind_int(stmt, 1, food_code);

  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const unsigned char *description = sqlite3_column_text(stmt, 0);
    const double grams = sqlite3_column_double(stmt, 1);
    if (!list_make_room(&out->items, out->count, &out->capacity)) goto out_of_memory;
    out->items[out->count].description =
        strdup(description != nullptr ? reinterpret_cast<const char *>(description) : "");
    if (out->items[out->count].description == nullptr) goto out_of_memory;
    out->items[out->count].grams = grams;
    out->count++;
  }

  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE) return 0;
  report_sql_error(handle);
  food_measure_list_free(out);
  return -1;

out_of_memory:
  report_memory_exhausted();
  sqlite3_finalize(stmt);
  food_measure_list_free(out);
  return -1;
}

// The nutrient columns of FoodNutrients in NutrientSource order (added sugars, from the
// food pattern equivalents, come last), then whether the food has each of the two rows.
static const char kFoodNutrientsSql[] =
    "SELECT n.\"Energy (kcal)\", n.\"Protein (g)\", n.\"Carbohydrate (g)\", "
    "n.\"Fiber, total dietary (g)\", n.\"Total Fat (g)\", n.\"Fatty acids, total saturated (g)\", "
    "n.\"18:2(g)\", n.\"18:3(g)\", n.\"Calcium (mg)\", n.\"Iron (mg)\", n.\"Magnesium (mg)\", "
    "n.\"Phosphorus (mg)\", n.\"Potassium (mg)\", n.\"Sodium (mg)\", n.\"Zinc (mg)\", "
    "n.\"Copper (mg)\", n.\"Selenium (mcg)\", n.\"Vitamin A, RAE (mcg_RAE)\", "
    "n.\"Vitamin E (alpha-tocopherol) (mg)\", n.\"Vitamin D (D2 + D3) (mcg)\", "
    "n.\"Vitamin C (mg)\", n.\"Thiamin (mg)\", n.\"Riboflavin (mg)\", n.\"Niacin (mg)\", "
    "n.\"Vitamin B-6 (mg)\", n.\"Vitamin B-12 (mcg)\", n.\"Choline, total (mg)\", "
    "n.\"Vitamin K (phylloquinone) (mcg)\", n.\"Folate, DFE (mcg_DFE)\", "
    "p.\"ADD_SUGARS (tsp eq)\", n.\"Food code\" IS NOT NULL, p.FOODCODE IS NOT NULL "
    "FROM (SELECT ?1 AS code) AS c "
    "LEFT JOIN nutrients AS n ON n.rowid = "
    "(SELECT rowid FROM nutrients WHERE \"Food code\" = c.code LIMIT 1) "
    "LEFT JOIN points AS p ON p.rowid = (SELECT rowid FROM points WHERE FOODCODE = c.code LIMIT 1)";

// Reads one row of kFoodNutrientsSql into |food|.
static void read_food_nutrients(sqlite3_stmt *stmt, int32_t food_code, FoodNutrients *food) {
  *food = FoodNutrients{};
  food->food_code = food_code;
  food->has_nutrients = sqlite3_column_int(stmt, NUTRIENT_SOURCE_COUNT) != 0;
  food->has_equivalents = sqlite3_column_int(stmt, NUTRIENT_SOURCE_COUNT + 1) != 0;
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
    if (sqlite3_column_type(stmt, source) == SQLITE_NULL)
      food->unknown |= 1u << source;
    else
      food->values[source] = sqlite3_column_double(stmt, source);
  }
}

int food_nutrients_of(sqlite3 *handle, const int32_t *codes, size_t count, FoodNutrients *out) {
  for (size_t i = 0; i < count; i++) {
    out[i] = FoodNutrients{};
    out[i].food_code = codes[i];
    out[i].unknown = (1u << NUTRIENT_SOURCE_COUNT) - 1;
  }
  if (count == 0) return 0;
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kFoodNutrientsSql, -1, &stmt, nullptr) != SQLITE_OK) {
    report_sql_error(handle);
    return -1;
  }
  int result = 0;
  for (size_t i = 0; i < count && result == 0; i++) {
    if (food_source_answers(handle, codes[i])) {
      if (food_source_values(handle, codes[i], &out[i], nullptr) < 0) result = -1;
      continue;
    }
    sqlite3_bind_int(stmt, 1, codes[i]);
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      read_food_nutrients(stmt, codes[i], &out[i]);
    } else {
      report_sql_error(handle);
      result = -1;
    }
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  if (result != 0) {
    for (size_t i = 0; i < count; i++) {
      out[i] = FoodNutrients{};
      out[i].food_code = codes[i];
      out[i].unknown = (1u << NUTRIENT_SOURCE_COUNT) - 1;
    }
  }
  return result;
}

int nutrient_day_add_entries(sqlite3 *handle, const LogEntry *entries, size_t count,
                             NutrientDay *day) {
  FoodNutrients *foods = static_cast<FoodNutrients *>(calloc(count + 1, sizeof *foods));
  int32_t *codes = static_cast<int32_t *>(calloc(count + 1, sizeof *codes));
  int rc = -1;
  if (foods && codes) {
    for (size_t i = 0; i < count; i++) codes[i] = entries[i].food_code;
    rc = food_nutrients_of(handle, codes, count, foods);
  } else {
    report_memory_exhausted();
  }
  for (size_t i = 0; i < count; i++)
    nutrient_day_add(day, rc == 0 ? &foods[i] : nullptr, entries[i].servings);
  free(codes);
  free(foods);
  return rc;
}
