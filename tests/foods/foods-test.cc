// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the own foods' JSON file and of alimora-foods run as a real process: the faults
// of a file each refused with the line or key named and nothing imported, the warnings, a
// second import skipped, the list, and an export imported into an empty log that gives
// alimora-report the same day to the last digit.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/own-foods-file.h"
#include "store/own-foods.h"
#include "test-support.h"

namespace fs = std::filesystem;

namespace {

const char kGoodFile[] = R"({"format": "alimora-foods", "version": 1,
 "foods":   [{"name": "Shop granola", "serving_g": 55, "counts_like": 57228000,
              "nutrients": {"energy_kcal": 250, "protein_g": 6, "total_fat_g": 10,
                            "sodium_mg": 120, "added_sugars_g": 12}}],
 "recipes": [{"name": "Sunday chili", "portions": 6, "cooked_g": 1800,
              "ingredients": [{"food_code": 21500100, "grams": 500},
                              {"food_code": 75117020, "grams": 150, "measure": "1 cup", "count": 1},
                              {"name": "Shop granola", "grams": 55}]}],
 "meals":   [{"name": "Usual breakfast",
              "items": [{"food_code": 11111000, "grams": 244}, {"name": "Shop granola", "grams": 55},
                        {"name": "Sunday chili", "grams": 300}]}]}
)";

std::string food_db_file() {
  return std::string(getenv("ALIMORA_BUILD_ROOT") ? getenv("ALIMORA_BUILD_ROOT") : ".") +
         "/data/food.db";
}

class FoodsFileTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    food_db_ = food_db_open(food_db_file().c_str());
    ASSERT_NE(nullptr, food_db_);
    log_db_ = log_db_open(PathIn("log.db").c_str());
    ASSERT_NE(nullptr, log_db_);
    food_db_use_log(food_db_, log_db_);
  }
  void TearDown() override {
    food_db_close(food_db_);
    log_db_close(log_db_);
    TempDirTest::TearDown();
  }

  // Reads |text| as a file; returns the result, the error in |*error|.
  int Import(const std::string &text, std::string *error, OwnImport *result = nullptr,
             std::vector<std::string> *warnings = nullptr) {
    write_file(PathIn("in.json"), text);
    OwnImport unused;
    return own_foods_read_file(log_db_, PathIn("in.json").c_str(), result ? result : &unused,
                               warnings, error);
  }

  size_t Stored() {
    std::vector<OwnFood> foods;
    EXPECT_EQ(0, own_foods_load(log_db_, true, &foods));
    return foods.size();
  }

  sqlite3 *food_db_ = nullptr;
  sqlite3 *log_db_ = nullptr;
};

// Each fault is refused with what names it, and nothing of the file is stored.
TEST_F(FoodsFileTest, BadFilesAreRefusedWithTheLineOrKeyNamed) {
  const std::string head = R"({"format": "alimora-foods", "version": 1, )";
  struct Case {
    std::string text;
    const char *named;  // in the message
  };
  const std::vector<Case> cases = {
      {"{\"format\": \"alimora-foods\",\n \"version\": 1,\n \"foods\": [{\"name\" ]}", "3:"},
      {"[1, 2]", "no JSON object"},
      {R"({"format": "alimora-food", "version": 1})", "key \"format\""},
      {R"({"version": 1})", "key \"format\""},
      {R"({"format": "alimora-foods", "version": 2})", "key \"version\""},
      {R"({"format": "alimora-foods", "version": "1"})", "key \"version\""},
      {head + R"("foods": {"name": "A"}})", "key \"foods\""},
      {head + R"("foods": [{"name": "A", "serving_g": "55"}]})", "key \"foods[0].serving_g\""},
      {head + R"("foods": [{"serving_g": 55}]})", "key \"foods[0].name\""},
      {head + R"("foods": [{"name": "A", "nutrients": {"energy_kcal": true}}]})",
       "key \"foods[0].nutrients.energy_kcal\""},
      {head + R"("foods": [{"name": "A", "counts_like": 1000000001, "nutrients": {"energy_kcal": 1}}]})",
       "key \"foods[0].counts_like\""},
      {head + R"("recipes": [{"name": "R", "ingredients": [{"food_code": 99999999, "grams": 5}]}]})",
       "key \"recipes[0].ingredients[0].food_code\": the food database has no food 99999999"},
      {head + R"("recipes": [{"name": "R", "ingredients": [{"grams": 5}]}]})",
       "key \"recipes[0].ingredients[0]\""},
      {head + R"("recipes": [{"name": "R", "ingredients": [{"food_code": 11111000}]}]})",
       "key \"recipes[0].ingredients[0].grams\""},
      {head + R"("meals": [{"name": "M", "items": [{"name": "Nothing", "grams": 5}]}]})",
       "no own food is named \"Nothing\""},
      {head + R"("meals": [{"name": "M"}]})", "key \"meals[0].items\""},
      // Sound as JSON, refused by the checks of what a person types: the food is named.
      {head + R"("foods": [{"name": "Good", "nutrients": {"energy_kcal": 100}},
                           {"name": "Fat", "nutrients": {"energy_kcal": 100, "total_fat_g": 101}}]})",
       "Fat: "},
      {head + R"("foods": [{"name": "A", "nutrients": {"protein_g": 1}}]})", "A: "},
      {head + R"("recipes": [{"name": "R", "portions": 0, "ingredients": [{"food_code": 11111000, "grams": 5}]}]})",
       "R: "},
      {head + R"("recipes": [{"name": "R", "ingredients": [{"name": "R", "grams": 5}]}]})", "R: "},
  };
  for (const Case &c : cases) {
    std::string error;
    EXPECT_EQ(1, Import(c.text, &error)) << c.text;
    EXPECT_NE(std::string::npos, error.find(c.named)) << c.text << "\n" << error;
    EXPECT_EQ(0u, Stored()) << c.text;
  }
  std::string error;
  OwnImport result;
  EXPECT_EQ(-1, own_foods_read_file(log_db_, PathIn("missing.json").c_str(), &result, nullptr,
                                    &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(FoodsFileTest, UnknownKeysAreIgnoredWithAWarningAndASecondImportSkips) {
  std::string text = kGoodFile;
  text.insert(text.find("\"serving_g\""), "\"colour\": \"brown\", ");
  text.insert(text.find("\"energy_kcal\""), "\"caffeine_mg\": 2, ");
  text.insert(1, "\"author\": \"me\", ");
  std::string error;
  OwnImport result;
  std::vector<std::string> warnings;
  ASSERT_EQ(0, Import(text, &error, &result, &warnings)) << error;
  EXPECT_EQ((std::vector<std::string>{"Shop granola", "Sunday chili", "Usual breakfast"}),
            result.added);
  ASSERT_EQ(3u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("\"author\""));
  EXPECT_NE(std::string::npos, warnings[1].find("\"foods[0].colour\""));
  EXPECT_NE(std::string::npos, warnings[2].find("\"foods[0].nutrients.caffeine_mg\""));

  std::vector<OwnFood> foods;
  ASSERT_EQ(0, own_foods_load(log_db_, false, &foods));
  ASSERT_EQ(3u, foods.size());
  EXPECT_DOUBLE_EQ(3.0, foods[0].values[SOURCE_ADDED_SUGARS]) << "12 g, in teaspoons";
  EXPECT_FALSE(foods[0].known & (1u << SOURCE_FIBER));
  EXPECT_EQ(1800.0, foods[1].cooked_g);
  ASSERT_EQ(3u, foods[1].items.size());
  EXPECT_EQ("1 cup", foods[1].items[1].measure);
  EXPECT_EQ(foods[0].food_code, foods[1].items[2].food_code);
  EXPECT_EQ(foods[1].food_code, foods[2].items[2].food_code);

  ASSERT_EQ(0, Import(text, &error, &result));
  EXPECT_TRUE(result.added.empty());
  EXPECT_EQ(3u, result.skipped.size());
  EXPECT_EQ(3u, Stored());
}

// What a file is written from comes back the same; a deleted ingredient still used is
// written with the recipe that needs it.
TEST_F(FoodsFileTest, ExportReadsBackTheSame) {
  std::string error;
  ASSERT_EQ(0, Import(kGoodFile, &error)) << error;
  std::vector<OwnFood> before;
  ASSERT_EQ(0, own_foods_load(log_db_, false, &before));
  // Numbers that no decimal writes exactly read back as the same doubles.
  before[0].serving_g = 33.3;
  before[0].values[SOURCE_PROTEIN] = 1.0 / 3;
  before[0].values[SOURCE_ADDED_SUGARS] = 2.44 / kAddedSugarGramsPerTsp;
  OwnFault fault;
  ASSERT_EQ(0, own_food_save(log_db_, &before[0], &fault)) << fault.message;
  ASSERT_EQ(0, own_foods_load(log_db_, false, &before));
  ASSERT_EQ(0, own_foods_write_file(log_db_, PathIn("out.json").c_str(), &error)) << error;
  EXPECT_NE(std::string::npos, read_file(PathIn("out.json")).find("\"serving_g\" : 33.3,"));
  EXPECT_NE(std::string::npos, read_file(PathIn("out.json")).find("\"food_code\" : 21500100"));

  sqlite3 *other = log_db_open(PathIn("other.db").c_str());
  ASSERT_NE(nullptr, other);
  OwnImport result;
  ASSERT_EQ(0, own_foods_read_file(other, PathIn("out.json").c_str(), &result, nullptr, &error,
                                   food_db_))
      << error;
  std::vector<OwnFood> after;
  ASSERT_EQ(0, own_foods_load(other, false, &after));
  log_db_close(other);
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); i++) {
    EXPECT_EQ(before[i].name, after[i].name);
    EXPECT_EQ(before[i].food_code, after[i].food_code) << "an empty log gives the same codes";
    EXPECT_EQ(before[i].known, after[i].known);
    for (int s = 0; s < NUTRIENT_SOURCE_COUNT; s++)
      EXPECT_EQ(before[i].values[s], after[i].values[s]) << s;
    EXPECT_EQ(before[i].portions, after[i].portions);
    EXPECT_EQ(before[i].serving_g, after[i].serving_g);
    ASSERT_EQ(before[i].items.size(), after[i].items.size());
    for (size_t j = 0; j < before[i].items.size(); j++) {
      EXPECT_EQ(before[i].items[j].food_code, after[i].items[j].food_code);
      EXPECT_EQ(before[i].items[j].grams, after[i].items[j].grams);
      EXPECT_EQ(before[i].items[j].measure, after[i].items[j].measure);
    }
  }

  // The recipe is deleted (it is logged, so kept) and its granola with it: neither is
  // written any more, and the meal that holds the recipe refuses the recipe's deletion.
  std::string refusal;
  EXPECT_EQ(1, own_food_delete(log_db_, before[1].food_code, &refusal));
  EXPECT_NE(std::string::npos, refusal.find("Usual breakfast"));
  ASSERT_EQ(0, own_food_delete(log_db_, before[2].food_code, &refusal));
  ASSERT_EQ(0, log_entry_add(log_db_, before[1].food_code, "Sunday chili", "2026-12-08", 3));
  ASSERT_EQ(0, own_food_delete(log_db_, before[1].food_code, &refusal));
  ASSERT_EQ(0, own_foods_write_file(log_db_, PathIn("out.json").c_str(), &error));
  const std::string written = read_file(PathIn("out.json"));
  EXPECT_NE(std::string::npos, written.find("Shop granola"));
  EXPECT_EQ(std::string::npos, written.find("Sunday chili"));

  // A deleted food that a recipe still holds (a log another program wrote) goes along.
  ASSERT_EQ(SQLITE_OK, exec_sql(log_db_, "UPDATE own_foods SET deleted = 1 WHERE name = 'Shop "
                                         "granola'; UPDATE own_foods SET deleted = 0 WHERE name "
                                         "= 'Sunday chili'"));
  ASSERT_EQ(0, own_foods_write_file(log_db_, PathIn("out.json").c_str(), &error));
  sqlite3 *third = log_db_open(PathIn("third.db").c_str());
  ASSERT_NE(nullptr, third);
  ASSERT_EQ(0, own_foods_read_file(third, PathIn("out.json").c_str(), &result, nullptr, &error,
                                   food_db_))
      << error;
  EXPECT_EQ((std::vector<std::string>{"Shop granola", "Sunday chili"}), result.added);
  log_db_close(third);
}

// alimora-foods and alimora-report as real processes, each on a log of its own.
class FoodsProgramTest : public TempDirTest {
 protected:
  ProcessResult Run(const char *exe_variable, const std::string &home,
                    const std::vector<std::string> &args) {
    std::vector<std::string> argv = {required_env(exe_variable)};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, {"LANGUAGE", "LANG", "LC_ALL=C", "XDG_DATA_HOME=" + home});
  }
  ProcessResult Foods(const std::string &home, const std::vector<std::string> &args) {
    return Run("ALIMORA_FOODS_EXE", home, args);
  }
  ProcessResult Report(const std::string &home, const std::vector<std::string> &args) {
    return Run("ALIMORA_REPORT_EXE", home, args);
  }
  std::string LogOf(const std::string &home) { return home + "/alimora/log.db"; }
};

TEST_F(FoodsProgramTest, CommandLineAndExitStatus) {
  const std::string home = PathIn("home");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char *out;  // in the output, or null
    const char *err;  // in the errors, or null
  };
  const std::vector<Case> cases = {
      {{}, 2, nullptr, "a command is needed"},
      {{"lists"}, 2, nullptr, "unknown command 'lists'"},
      {{"list", "x"}, 2, nullptr, "list takes no other arguments"},
      {{"import"}, 2, nullptr, "import takes one file"},
      {{"export", "a", "b"}, 2, nullptr, "export takes one file"},
      {{"--help"}, 0, "Usage: alimora-foods list", nullptr},
      {{"--version"}, 0, "alimora-foods ", nullptr},
      {{"--help", "list"}, 2, nullptr, "takes no other arguments"},
      // Without a log: nothing to list, nothing created.
      {{"list"}, 0, nullptr, nullptr},
      {{"import", PathIn("missing.json")}, 1, nullptr, "cannot import"},
  };
  for (const Case &c : cases) {
    const ProcessResult result = Foods(home, c.args);
    const std::string what = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(c.status, result.status) << what << result.err;
    if (c.out) {
      EXPECT_NE(std::string::npos, result.out.find(c.out)) << what << result.out;
    }
    if (c.err) {
      EXPECT_NE(std::string::npos, result.err.find(c.err)) << what << result.err;
    }
    if (c.status == 0 && c.args[0] == "list") {
      EXPECT_EQ("", result.out);
    }
  }
}

// The list's energy is the label's serving, the recipe's portion and the whole meal, by hand
// from food.db's values per 100 g: beef 260 kcal, onions 40, whole milk 60.
TEST_F(FoodsProgramTest, ListGivesKindCodeNameAndEnergy) {
  const std::string home = PathIn("home");
  write_file(PathIn("in.json"), kGoodFile);
  ProcessResult result = Foods(home, {"import", PathIn("in.json")});
  ASSERT_EQ(0, result.status) << result.err;
  EXPECT_EQ("Added: Shop granola\nAdded: Sunday chili\nAdded: Usual breakfast\n", result.out);
  const double chili_per_g = (500 * 2.60 + 150 * 0.40 + 250.0) / 1800;
  const double portion = chili_per_g * 300;
  const double meal = 244 * 0.60 + 250 + chili_per_g * 300;
  char expected[512];
  snprintf(expected, sizeof expected,
           "food\t1000000000\tShop granola\t250 kcal\n"
           "recipe\t1000000001\tSunday chili\t%.0f kcal\n"
           "meal\t2000000000\tUsual breakfast\t%.0f kcal\n",
           portion, meal);
  result = Foods(home, {"list"});
  EXPECT_EQ(0, result.status) << result.err;
  EXPECT_EQ(expected, result.out);
  result = Foods(home, {"import", PathIn("in.json")});
  EXPECT_EQ(0, result.status);
  EXPECT_NE(std::string::npos,
            result.out.find("Skipped, the log has it already: Sunday chili\n"));
}

// Export, import into an empty log, the same entries there: the same report, the same
// nutrients, to the last printed digit. The own granola counts the groups of food.db's.
TEST_F(FoodsProgramTest, ExportedFoodsGiveTheSameReportInAnotherLog) {
  const std::string first = PathIn("first");
  const std::string second = PathIn("second");
  write_file(PathIn("in.json"), kGoodFile);
  ASSERT_EQ(0, Foods(first, {"import", PathIn("in.json")}).status);
  ASSERT_EQ(0, Foods(first, {"export", PathIn("out.json")}).status);
  ASSERT_EQ(0, Foods(second, {"import", PathIn("out.json")}).status);

  struct Logged {
    const char *name;
    double servings;
  };
  const Logged day[] = {{"Shop granola", 0.55}, {"Sunday chili", 3.0}, {"Milk, whole", 2.44}};
  for (const std::string &home : {first, second}) {
    sqlite3 *db = log_db_open(LogOf(home).c_str());
    ASSERT_NE(nullptr, db);
    std::vector<OwnFood> foods;
    ASSERT_EQ(0, own_foods_load(db, false, &foods));
    for (const Logged &entry : day) {
      int32_t code = 11111000;
      for (const OwnFood &food : foods)
        if (food.name == entry.name) code = food.food_code;
      ASSERT_EQ(0, log_entry_add(db, code, entry.name, "2026-12-08", entry.servings));
    }
    // The meal, logged whole.
    std::vector<std::string> names;
    for (const OwnItem &item : foods[2].items) names.push_back(std::to_string(item.food_code));
    ASSERT_EQ(0, own_meal_log(db, foods[2], names, "2026-12-08", nullptr));
    log_db_close(db);
  }
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"2026-12-08"}, {"--nutrients", "2026-12-08"},
        {"--csv", "--from", "2026-12-08", "--to", "2026-12-08"}}) {
    const ProcessResult a = Report(first, args);
    const ProcessResult b = Report(second, args);
    EXPECT_EQ(0, a.status) << a.err;
    EXPECT_EQ(a.out, b.out) << args[0];
    EXPECT_NE(std::string::npos, a.out.find(args[0] == "--csv" ? "Sunday chili" : "08"))
        << a.out;
  }
  // The day's energy by hand: the label's serving, 300 g of the chili, the milk, the meal.
  const double chili_per_g = (500 * 2.60 + 150 * 0.40 + 250.0) / 1800;
  const double kcal = 250 + chili_per_g * 300 + 2.44 * 60 + (244 * 0.60 + 250 + chili_per_g * 300);
  char line[64];
  snprintf(line, sizeof line, "%.0f", kcal);
  const ProcessResult nutrients = Report(first, {"--nutrients", "2026-12-08"});
  const size_t energy = nutrients.out.find("Energy (kcal)");
  ASSERT_NE(std::string::npos, energy) << nutrients.out;
  EXPECT_NE(std::string::npos,
            nutrients.out.substr(energy, nutrients.out.find('\n', energy) - energy).find(line))
      << nutrients.out;
}

}  // namespace
