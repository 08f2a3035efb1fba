// SPDX-License-Identifier: GPL-3.0-or-later
// The person's own foods, recipes and saved meals, kept in tables of the log database that
// the program adds when they are missing (a log of an older version opens as before).
//
// An own food is typed from a label: a serving in grams and the label's values per serving.
// A recipe is a list of ingredients (foods of the food database, own foods or other recipes)
// with their grams, made into a number of portions, optionally weighed once cooked. Both
// get a food code from kOwnFoodCodeFirst up, which no food of the food database has, and
// food_log rows refer to them like to any other food (servings = grams / 100). A saved meal
// is a named list of foods with their grams; logging it adds one food_log row per item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "budget/nutrient-goals.h"
#include "store/log-entries.h"

struct sqlite3;

// Codes of own foods and recipes: 1000000000 up. Codes of meals: 2000000000 up. The food
// database's codes have eight digits.
constexpr int32_t kOwnFoodCodeFirst = 1000000000;
constexpr int32_t kOwnMealCodeFirst = 2000000000;

inline bool food_code_is_own(int32_t food_code) { return food_code >= kOwnFoodCodeFirst; }
inline bool food_code_is_meal(int32_t food_code) { return food_code >= kOwnMealCodeFirst; }

enum OwnKind {
  OWN_FOOD = 1,    // from a label
  OWN_RECIPE = 2,  // from ingredients
  OWN_MEAL = 3,    // a list of foods logged together
};

// An ingredient of a recipe or an item of a meal.
struct OwnItem {
  int32_t food_code = 0;  // a food of the food database, an own food or a recipe
  double grams = 0.0;     // how much of it
  std::string measure;    // the household measure it was given in ("1 cup"), empty for grams
  double count = 0.0;     // how many of that measure, when |measure| is not empty
};

// One own food, recipe or meal as stored.
struct OwnFood {
  int32_t food_code = 0;  // 0 for one not saved yet
  OwnKind kind = OWN_FOOD;
  std::string name;       // unique among the ones not deleted, whatever their kind
  // An own food: the label's serving and its values per serving.
  double serving_g = 100.0;               // grams of one serving; 100 for "per 100 g"
  int32_t counts_like = 0;                // a food of the food database whose food pattern
                                          // equivalents per gram it counts, 0 for none
  double values[NUTRIENT_SOURCE_COUNT] = {};  // per serving, in the units of NutrientSource
                                              // (added sugars in teaspoon-equivalents)
  uint32_t known = 0;                     // bit 1 << source: a value was given (else unknown)
  // A recipe: its portions and, optionally, its weight once cooked.
  double portions = 1.0;
  double cooked_g = 0.0;  // 0 when not weighed: the portions then share the raw weight
  // A recipe's ingredients, a meal's items, in their order.
  std::vector<OwnItem> items;
  bool deleted = false;  // deleted while logged: kept for the entries that use it
};

// The JSON key of a nutrient source in files of alimora-foods ("energy_kcal", "protein_g",
// "added_sugars_g", ...), for |source| in 0 .. NUTRIENT_SOURCE_COUNT - 1, else null.
const char *own_nutrient_key(int source);

// Grams of added sugars in one teaspoon-equivalent: labels give grams, the food pattern
// equivalents teaspoons.
constexpr double kAddedSugarGramsPerTsp = 4.0;

// Creates the tables of own foods when they are missing. Returns 0, or -1 after printing
// why, or quietly for a log that may only be read (which then has no own foods).
int own_food_tables_create(sqlite3 *handle);

// A number that grows with every write of own foods this program committed, whatever the
// connection, so that what is kept from them can tell it must be read again.
uint64_t own_foods_changes();

// Fills |out| (emptied first) with every own food, recipe and meal, in food-code order;
// with |with_deleted| false, without the deleted ones. A log without the tables has none.
// Returns 0, or -1 with |out| empty after printing why; with |quiet_when_busy|, a log that
// another program holds locked fails without a message (the reads on each key).
int own_foods_load(sqlite3 *handle, bool with_deleted, std::vector<OwnFood> *out,
                   bool quiet_when_busy = false);

// Where a check found a fault, so that a dialog can put its message next to the field.
enum OwnField {
  OWN_FIELD_NONE,
  OWN_FIELD_NAME,
  OWN_FIELD_SERVING,
  OWN_FIELD_VALUE,     // the nutrient of OwnFault::source
  OWN_FIELD_PORTIONS,
  OWN_FIELD_COOKED,
  OWN_FIELD_ITEMS,     // the item of OwnFault::item, or the list when it is -1
};

struct OwnFault {
  OwnField field = OWN_FIELD_NONE;
  int source = -1;      // OWN_FIELD_VALUE: the nutrient
  int item = -1;        // OWN_FIELD_ITEMS: the item
  std::string message;  // translated, for the person
};

// Checks |food| against the others of |all| (as own_foods_load gives them, with the deleted
// ones): a name that is empty or another's; for a food, energy missing or negative, a
// negative value, a serving of 0 g or more than 100 kg, a value no real food has (more than
// 900 kcal, 100 g of fat or 40 g of sodium per 100 g); for a recipe or a meal, no item,
// an item of 0 g or more than 100 kg, an item that is no food of |all| and not of the food
// database (its codes below kOwnFoodCodeFirst count as known), 0 portions, a cooked weight
// of 0 or less when given, a recipe that contains itself directly or through another.
// Returns true when it is sound, else false with |*fault| filled.
bool own_food_check(const OwnFood &food, const std::vector<OwnFood> &all, OwnFault *fault);

// Saves |food| in one transaction that waits for other writers like every write: a new one
// (food_code 0) gets the next free code of its kind, written back to |food|; a stored one
// replaces what was stored, and the entries of the food log that use it take its new name.
// Checks it first with own_food_check. Returns 0, 1 with |*fault| filled when the check
// refused it (nothing written), or -1 after printing why (nothing written).
int own_food_save(sqlite3 *handle, OwnFood *food, OwnFault *fault);

// The number of food_log entries that use |food_code|, or -1 after printing why.
int own_food_entry_count(sqlite3 *handle, int32_t food_code);

// Deletes the own food, recipe or meal |food_code| in one transaction: removed when no entry
// uses it, else marked deleted so that its entries keep their values. One that is an
// ingredient of a recipe not deleted is refused: |*refusal| then names the recipe.
// Returns 0, 1 when refused, or -1 after printing why (nothing changed).
int own_food_delete(sqlite3 *handle, int32_t food_code, std::string *refusal);

// Logs every item of the meal |meal| on |date| as one food_log row each (servings = grams /
// 100, described by |descriptions|, one per item, each keeping the measure its item was given
// in, entry-measures.h), in one transaction: all or none.
// Fills |written| (emptied first; may be null) with the rows as written, ids included, for
// Undo. Returns 0, or -1 after printing why (nothing logged).
int own_meal_log(sqlite3 *handle, const OwnFood &meal, const std::vector<std::string> &descriptions,
                 const char *date, LogEntryList *written);

// What an import did: the names it added and the names it skipped (already there).
struct OwnImport {
  std::vector<std::string> added;
  std::vector<std::string> skipped;
};

// Adds |foods| (read from a file, codes 0; a recipe's or meal's items that name another food
// of the file carry its index in |foods| as -(index + 1) in place of a code) in one
// transaction: one whose name is already taken is skipped, every other is checked with
// own_food_check. Returns 0, 1 with |*fault| filled for the first that was refused (nothing
// imported; |fault->message| names it), or -1 after printing why (nothing imported).
int own_foods_import(sqlite3 *handle, std::vector<OwnFood> foods, OwnImport *result,
                     OwnFault *fault);
