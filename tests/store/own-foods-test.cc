// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the own foods, recipes and meals in log.db: the checks of what a person types,
// saving and renaming, the rules of deletion, logging a meal in one transaction, an import,
// a log made before the tables, and writes that fail.
#include "store/own-foods.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store-fixture.h"
#include "store/entry-measures.h"
#include "store/log-db.h"

namespace {

// A food from a label: |kcal| per serving of |serving_g|.
OwnFood label_food(const char *name, double serving_g, double kcal) {
  OwnFood food;
  food.kind = OWN_FOOD;
  food.name = name;
  food.serving_g = serving_g;
  food.values[SOURCE_ENERGY] = kcal;
  food.known = 1u << SOURCE_ENERGY;
  return food;
}

OwnFood with_items(OwnKind kind, const char *name, std::vector<OwnItem> items) {
  OwnFood food;
  food.kind = kind;
  food.name = name;
  food.items = std::move(items);
  return food;
}

OwnItem item(int32_t food_code, double grams) {
  OwnItem one;
  one.food_code = food_code;
  one.grams = grams;
  return one;
}

class OwnFoodsTest : public StoreTest {
 protected:
  // Saves |food| and expects it to be taken; returns its code.
  static int32_t Save(sqlite3 *db, OwnFood food) {
    OwnFault fault;
    EXPECT_EQ(0, own_food_save(db, &food, &fault)) << fault.message;
    return food.food_code;
  }

  static std::vector<OwnFood> Load(sqlite3 *db, bool with_deleted) {
    std::vector<OwnFood> foods;
    EXPECT_EQ(0, own_foods_load(db, with_deleted, &foods));
    return foods;
  }

  static std::vector<std::string> Names(const std::vector<OwnFood> &foods) {
    std::vector<std::string> names;
    for (const OwnFood &food : foods) names.push_back(food.name);
    return names;
  }
};

using Strings = std::vector<std::string>;

// Each fault of item 8 is found, named by its field, and stores nothing.
TEST_F(OwnFoodsTest, CheckRefusesWhatNoFoodHas) {
  std::vector<OwnFood> all = {label_food("Shop granola", 55, 250)};
  all[0].food_code = kOwnFoodCodeFirst;
  struct Case {
    const char *what;
    OwnFood food;
    OwnField field;
    int source;
  };
  auto changed = [](OwnFood food, void (*change)(OwnFood *)) {
    change(&food);
    return food;
  };
  const OwnFood good = label_food("Oat bar", 40, 180);
  const std::vector<Case> cases = {
      {"empty name", changed(good, [](OwnFood *f) { f->name = "  "; }), OWN_FIELD_NAME, -1},
      {"name taken", changed(good, [](OwnFood *f) { f->name = " Shop granola "; }),
       OWN_FIELD_NAME, -1},
      {"no energy", changed(good, [](OwnFood *f) { f->known = 0; }), OWN_FIELD_VALUE,
       SOURCE_ENERGY},
      {"negative energy", changed(good, [](OwnFood *f) { f->values[SOURCE_ENERGY] = -1; }),
       OWN_FIELD_VALUE, SOURCE_ENERGY},
      {"over 900 kcal per 100 g",
       changed(good, [](OwnFood *f) { f->values[SOURCE_ENERGY] = 40 * 9.01; }),
       OWN_FIELD_VALUE, SOURCE_ENERGY},
      {"over 100 g fat per 100 g",
       changed(good,
               [](OwnFood *f) {
                 f->values[SOURCE_TOTAL_FAT] = 41;
                 f->known |= 1u << SOURCE_TOTAL_FAT;
               }),
       OWN_FIELD_VALUE, SOURCE_TOTAL_FAT},
      {"over 40 g sodium per 100 g",
       changed(good,
               [](OwnFood *f) {
                 f->values[SOURCE_SODIUM] = 16001;
                 f->known |= 1u << SOURCE_SODIUM;
               }),
       OWN_FIELD_VALUE, SOURCE_SODIUM},
      {"negative protein",
       changed(good,
               [](OwnFood *f) {
                 f->values[SOURCE_PROTEIN] = -0.5;
                 f->known |= 1u << SOURCE_PROTEIN;
               }),
       OWN_FIELD_VALUE, SOURCE_PROTEIN},
      {"serving of 0 g", changed(good, [](OwnFood *f) { f->serving_g = 0; }), OWN_FIELD_SERVING,
       -1},
      {"recipe without ingredient", with_items(OWN_RECIPE, "Chili", {}), OWN_FIELD_ITEMS, -1},
      {"0 portions",
       changed(with_items(OWN_RECIPE, "Chili", {item(11111000, 100)}),
               [](OwnFood *f) { f->portions = 0; }),
       OWN_FIELD_PORTIONS, -1},
      {"negative cooked weight",
       changed(with_items(OWN_RECIPE, "Chili", {item(11111000, 100)}),
               [](OwnFood *f) { f->cooked_g = -5; }),
       OWN_FIELD_COOKED, -1},
      {"ingredient of 0 g", with_items(OWN_RECIPE, "Chili", {item(11111000, 0)}),
       OWN_FIELD_ITEMS, -1},
      {"ingredient over 100 kg", with_items(OWN_MEAL, "Feast", {item(11111000, 100000.5)}),
       OWN_FIELD_ITEMS, -1},
      {"unknown own food", with_items(OWN_MEAL, "Feast", {item(kOwnFoodCodeFirst + 7, 10)}),
       OWN_FIELD_ITEMS, -1},
  };
  for (const Case &c : cases) {
    OwnFault fault;
    EXPECT_FALSE(own_food_check(c.food, all, &fault)) << c.what;
    EXPECT_EQ(c.field, fault.field) << c.what;
    EXPECT_FALSE(fault.message.empty()) << c.what;
    if (c.source >= 0) {
      EXPECT_EQ(c.source, fault.source) << c.what;
    }
  }
  // At the limits they are sound: 900 kcal per 100 g, and an own food as an ingredient.
  OwnFault fault;
  EXPECT_TRUE(own_food_check(changed(good, [](OwnFood *f) { f->values[SOURCE_ENERGY] = 360; }),
                             all, &fault))
      << fault.message;
  EXPECT_TRUE(own_food_check(
      with_items(OWN_RECIPE, "Chili", {item(kOwnFoodCodeFirst, 55), item(11111000, 100000)}),
      all, &fault))
      << fault.message;
  // A deleted food gives its name free.
  all[0].deleted = true;
  EXPECT_TRUE(own_food_check(changed(good, [](OwnFood *f) { f->name = "Shop granola"; }), all,
                             &fault));
}

TEST_F(OwnFoodsTest, RecipeCannotContainItselfDirectlyOrThroughAnother) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  const int32_t base = Save(db, with_items(OWN_RECIPE, "Base", {item(11111000, 100)}));
  const int32_t sauce = Save(db, with_items(OWN_RECIPE, "Sauce", {item(base, 50)}));
  OwnFood chili = with_items(OWN_RECIPE, "Chili", {item(sauce, 200), item(11111000, 10)});
  ASSERT_NE(0, Save(db, chili));
  std::vector<OwnFood> all = Load(db, true);
  ASSERT_EQ(3u, all.size());

  // Base takes Base in: direct.
  OwnFood edited = all[0];
  edited.items.push_back(item(base, 5));
  OwnFault fault;
  EXPECT_EQ(1, own_food_save(db, &edited, &fault));
  EXPECT_EQ(OWN_FIELD_ITEMS, fault.field);
  EXPECT_EQ(1, fault.item);
  // Base takes Chili in, which holds Sauce, which holds Base.
  edited = all[0];
  edited.items.push_back(item(all[2].food_code, 5));
  EXPECT_EQ(1, own_food_save(db, &edited, &fault));
  EXPECT_EQ(OWN_FIELD_ITEMS, fault.field);
  EXPECT_NE(std::string::npos, fault.message.find("\"Sauce\"")) << fault.message;
  // Nothing of the refused edits was stored.
  EXPECT_EQ(1u, Load(db, true)[0].items.size());
  // A meal may hold any recipe; a recipe may not hold a meal.
  const int32_t meal = Save(db, with_items(OWN_MEAL, "Lunch", {item(all[2].food_code, 300)}));
  EXPECT_GE(meal, kOwnMealCodeFirst);
  OwnFood with_meal = with_items(OWN_RECIPE, "Odd", {item(meal, 10)});
  EXPECT_EQ(1, own_food_save(db, &with_meal, &fault));
  EXPECT_EQ(0, with_meal.food_code);
}

// Saving gives codes that no food of the food database has, keeps unknown values unknown
// and 0 as 0, and an edit renames the entries that use the food in the same transaction.
TEST_F(OwnFoodsTest, SaveKeepsUnknownApartFromZeroAndRenamesEntries) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  OwnFood granola = label_food("Shop granola", 55, 250);
  granola.values[SOURCE_FIBER] = 0;
  granola.values[SOURCE_ADDED_SUGARS] = 12 / kAddedSugarGramsPerTsp;
  granola.known |= (1u << SOURCE_FIBER) | (1u << SOURCE_ADDED_SUGARS);
  granola.counts_like = 57228000;
  const int32_t code = Save(db, granola);
  EXPECT_EQ(kOwnFoodCodeFirst, code);
  EXPECT_EQ(kOwnFoodCodeFirst + 1, Save(db, label_food("Oat bar", 40, 180)));
  // Added sugars are kept in the grams of the label.
  EXPECT_EQ(12, query_int(db, "SELECT per_serving FROM own_food_nutrients WHERE nutrient = "
                              "'added_sugars_g'"));
  std::vector<OwnFood> all = Load(db, false);
  ASSERT_EQ(2u, all.size());
  EXPECT_EQ(OWN_FOOD, all[0].kind);
  EXPECT_EQ(55.0, all[0].serving_g);
  EXPECT_EQ(57228000, all[0].counts_like);
  EXPECT_TRUE(all[0].known & (1u << SOURCE_FIBER));
  EXPECT_EQ(0.0, all[0].values[SOURCE_FIBER]);
  EXPECT_FALSE(all[0].known & (1u << SOURCE_PROTEIN));
  EXPECT_DOUBLE_EQ(3.0, all[0].values[SOURCE_ADDED_SUGARS]);

  ASSERT_EQ(0, log_entry_add(db, code, "Shop granola", "2026-12-07", 0.55));
  ASSERT_EQ(0, log_entry_add(db, code, "Shop granola", "2026-12-08", 1.1));
  ASSERT_EQ(0, log_entry_add(db, 11111000, "Milk, whole", "2026-12-08", 2.44));
  EXPECT_EQ(2, own_food_entry_count(db, code));
  all[0].name = "Granola, the shop's";
  all[0].values[SOURCE_ENERGY] = 260;
  Save(db, all[0]);
  EXPECT_EQ(2, query_int(db, "SELECT count(*) FROM food_log WHERE description = 'Granola, "
                             "the shop''s'"));
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM food_log WHERE description = 'Milk, whole'"));
  EXPECT_EQ((Strings{"Granola, the shop's", "Oat bar"}), Names(Load(db, false)));
  // A stored food of another kind or a code nobody has is not saved over.
  OwnFood stray = label_food("Stray", 100, 10);
  stray.food_code = kOwnFoodCodeFirst + 50;
  OwnFault fault;
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, own_food_save(db, &stray, &fault));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(2u, Load(db, true).size());
}

TEST_F(OwnFoodsTest, DeleteRefusesAnIngredientKeepsALoggedOneRemovesTheRest) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  const int32_t beans = Save(db, label_food("Own beans", 100, 120));
  const int32_t granola = Save(db, label_food("Shop granola", 55, 250));
  const int32_t spare = Save(db, label_food("Spare", 100, 10));
  const int32_t chili = Save(db, with_items(OWN_RECIPE, "Sunday chili", {item(beans, 400)}));
  ASSERT_EQ(0, log_entry_add(db, granola, "Shop granola", "2026-12-07", 0.55));
  ASSERT_EQ(0, log_entry_add(db, chili, "Sunday chili", "2026-12-07", 3));

  std::string refusal;
  EXPECT_EQ(1, own_food_delete(db, beans, &refusal));
  EXPECT_NE(std::string::npos, refusal.find("\"Sunday chili\"")) << refusal;
  EXPECT_EQ(4u, Load(db, false).size());

  // Logged: kept, out of the list, its entries untouched.
  EXPECT_EQ(0, own_food_delete(db, granola, &refusal));
  EXPECT_EQ((Strings{"Own beans", "Spare", "Sunday chili"}), Names(Load(db, false)));
  std::vector<OwnFood> all = Load(db, true);
  ASSERT_EQ(4u, all.size());
  EXPECT_TRUE(all[1].deleted);
  EXPECT_EQ(250.0, all[1].values[SOURCE_ENERGY]);
  EXPECT_EQ(2, query_int(db, "SELECT count(*) FROM food_log"));
  // Its name is free again, for a food of its own code.
  EXPECT_GT(Save(db, label_food("Shop granola", 50, 230)), spare);

  // Not logged: gone with its values.
  EXPECT_EQ(0, own_food_delete(db, spare, &refusal));
  EXPECT_EQ(0, query_int(db, "SELECT count(*) FROM own_food_nutrients WHERE food_code = " +
                                 std::to_string(spare)));
  // The logged recipe is kept; its ingredient, still needed for the recipe's entries, is
  // then only marked deleted, and the recipe's ingredients stay.
  EXPECT_EQ(0, own_food_delete(db, chili, &refusal));
  EXPECT_EQ(0, own_food_delete(db, beans, &refusal));
  all = Load(db, true);
  EXPECT_EQ((Strings{"Own beans", "Shop granola", "Sunday chili", "Shop granola"}), Names(all));
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM own_items"));
}

// A meal's entries are written in one transaction: all of them, with their ids, or none.
TEST_F(OwnFoodsTest, MealIsLoggedWholeOrNotAtAll) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  OwnFood meal = with_items(OWN_MEAL, "Usual breakfast",
                            {item(11111000, 244), item(kOwnFoodCodeFirst, 55), item(63101000, 50)});
  meal.items[0].measure = "1 cup";  // given as a household measure: its entry keeps it
  meal.items[0].count = 1.0;
  LogEntryList written{nullptr, 0, 0};
  ASSERT_EQ(0, own_meal_log(db, meal, {"Milk, whole", "Shop granola", "Apple, raw"},
                            "2026-12-08", &written));
  ASSERT_EQ(3u, written.count);
  EXPECT_EQ(kOwnFoodCodeFirst, written.items[1].food_code);
  EXPECT_DOUBLE_EQ(0.55, written.items[1].servings);
  EXPECT_STREQ("2026-12-08", written.items[2].date);
  EXPECT_EQ(written.items[0].id + 2, written.items[2].id);
  std::vector<EntryMeasure> measures;
  ASSERT_EQ(0, entry_measures_of(db, &written, &measures));
  ASSERT_EQ(3u, measures.size());
  EXPECT_EQ("1 cup", measures[0].measure);
  EXPECT_DOUBLE_EQ(244.0, measures[0].measure_g);
  EXPECT_TRUE(measures[1].measure.empty());  // in grams
  log_entry_list_free(&written);
  EXPECT_EQ(3, query_int(db, "SELECT count(*) FROM food_log WHERE date = '2026-12-08'"));

  // A trigger makes the third insert fail: the first two go back with it.
  Exec(db, "CREATE TEMP TRIGGER refuse BEFORE INSERT ON food_log WHEN NEW.food_code = 63101000 "
           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, own_meal_log(db, meal, {"Milk, whole", "Shop granola", "Apple, raw"},
                             "2026-12-09", &written));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("refused"));
  EXPECT_EQ(0u, written.count);
  EXPECT_EQ(0, query_int(db, "SELECT count(*) FROM food_log WHERE date = '2026-12-09'"));
  EXPECT_EQ(1, query_int(db, "SELECT count(*) FROM entry_measures"));  // the first meal's
  EXPECT_EQ(1, sqlite3_get_autocommit(db));
}

// The file's own references (-(index + 1)) are resolved, a taken name is skipped and named,
// and one refused food leaves the whole import out.
TEST_F(OwnFoodsTest, ImportSkipsTakenNamesAndIsAllOrNothing) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  Save(db, label_food("Shop granola", 55, 250));
  std::vector<OwnFood> file = {
      label_food("Shop granola", 55, 999),
      label_food("Own beans", 100, 120),
      with_items(OWN_RECIPE, "Chili", {item(-2, 400), item(-1, 55), item(11111000, 100)}),
      with_items(OWN_MEAL, "Breakfast", {item(-3, 300), item(-1, 55)}),
  };
  OwnImport result;
  OwnFault fault;
  ASSERT_EQ(0, own_foods_import(db, file, &result, &fault)) << fault.message;
  EXPECT_EQ((Strings{"Own beans", "Chili", "Breakfast"}), result.added);
  EXPECT_EQ((Strings{"Shop granola"}), result.skipped);
  std::vector<OwnFood> all = Load(db, false);
  ASSERT_EQ(4u, all.size());
  EXPECT_EQ(250.0, all[0].values[SOURCE_ENERGY]) << "the stored one is kept";
  ASSERT_EQ(3u, all[2].items.size());
  EXPECT_EQ(all[1].food_code, all[2].items[0].food_code);
  EXPECT_EQ(all[0].food_code, all[2].items[1].food_code);
  EXPECT_EQ(all[2].food_code, all[3].items[0].food_code);

  // The same again adds nothing.
  ASSERT_EQ(0, own_foods_import(db, file, &result, &fault));
  EXPECT_TRUE(result.added.empty());
  EXPECT_EQ(4u, result.skipped.size());

  // A bad food in the middle: nothing of the file is stored.
  std::vector<OwnFood> bad = {label_food("Pear bar", 40, 150), label_food("Salt", 10, 0),
                              with_items(OWN_RECIPE, "Pie", {item(-1, 100)})};
  bad[1].values[SOURCE_SODIUM] = 5000;
  bad[1].known |= 1u << SOURCE_SODIUM;
  EXPECT_EQ(1, own_foods_import(db, bad, &result, &fault));
  EXPECT_EQ(OWN_FIELD_VALUE, fault.field);
  EXPECT_EQ(0u, fault.message.find("Salt: ")) << fault.message;
  EXPECT_EQ(4u, Load(db, true).size());
}

TEST_F(OwnFoodsTest, OlderLogGainsTheTablesAndReadOnlyOneHasNoOwnFoods) {
  sqlite3 *raw = OpenRaw(log_path_);
  Exec(raw,
       "CREATE TABLE food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER NOT "
       "NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL DEFAULT "
       "1.0)");
  sqlite3 *read_only = nullptr;
  ASSERT_EQ(0, log_db_open_read_only(log_path_.c_str(), &read_only));
  testing::internal::CaptureStderr();
  std::vector<OwnFood> foods = {label_food("left over", 100, 1)};
  EXPECT_EQ(0, own_foods_load(read_only, true, &foods));
  EXPECT_TRUE(foods.empty());
  EXPECT_EQ(-1, own_food_tables_create(read_only));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  log_db_close(read_only);

  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(3, query_int(db, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'own_%' AND "
                             "type = 'table'"));
  EXPECT_EQ(kOwnFoodCodeFirst, Save(db, label_food("Oat bar", 40, 180)));
}

// Held by another writer, a save waits, then fails with nothing written; a log that may
// only be read fails every write with the reason.
TEST_F(OwnFoodsTest, FailedWritesChangeNothing) {
  sqlite3 *db = OpenLog();
  ASSERT_NE(nullptr, db);
  const int32_t code = Save(db, label_food("Oat bar", 40, 180));
  sqlite3 *other = OpenRaw(log_path_);
  sqlite3_busy_timeout(db, 50);
  Exec(other, "BEGIN IMMEDIATE");
  testing::internal::CaptureStderr();
  OwnFood food = label_food("Pear bar", 40, 150);
  OwnFault fault;
  EXPECT_EQ(-1, own_food_save(db, &food, &fault));
  EXPECT_EQ(0, food.food_code);
  std::string refusal;
  EXPECT_EQ(-1, own_food_delete(db, code, &refusal));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("locked"));
  Exec(other, "ROLLBACK");
  EXPECT_EQ(1u, Load(db, true).size());
  EXPECT_EQ(1, sqlite3_get_autocommit(db));
  CloseLog();

  sqlite3 *read_only = OpenRaw(log_path_, SQLITE_OPEN_READONLY);
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, own_food_save(read_only, &food, &fault));
  EXPECT_NE(std::string::npos,
            testing::internal::GetCapturedStderr().find("alimora: cannot save the food: "));
  EXPECT_EQ(1u, Load(read_only, true).size());
}

}  // namespace
