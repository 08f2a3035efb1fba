// SPDX-License-Identifier: GPL-3.0-or-later
// The food database queries on hostile files: a table missing, foreign values in every
// column, unusual column names and very long descriptions. Each failure gives its one
// line and an empty result, and the read-only file keeps its bytes.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "fault-fixture.h"
#include "fooddb/food-db.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

const char kFoodsSql[] =
    "CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT);"
    "INSERT INTO foods VALUES (1, 'Apple, raw'), (2, 'Milk, whole');";
const char kNutrientsSql[] =
    "CREATE TABLE nutrients (\"Food code\" INTEGER, \"Main food description\" TEXT, "
    "\"WWEIA Category number\" INTEGER, \"WWEIA Category description\" TEXT, "
    "\"Energy (kcal)\" REAL, \"18:1(g)\" REAL);"
    "INSERT INTO nutrients VALUES (1, 'Apple, raw', 1, 'Fruit', 52, 0.01);";
const char kPointsSql[] =
    "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
    "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
    "\"PF_TOTAL (oz eq)\" REAL, \"OILS (grams)\" REAL);"
    "INSERT INTO points VALUES (1, 0, 0.91, 0, 0, 0, 0);";

class HostileFoodTest : public FaultTest {
 protected:
  void TearDown() override {
    food_hit_list_free(&hits_);
    nutrient_list_free(&nutrients_);
    food_db_close(db_);
    FaultTest::TearDown();
  }

  // Makes |name| from |sql| and opens it with food_db_open.
  void Open(const std::string &name, const std::string &sql) {
    path_ = PathIn(name);
    ASSERT_NO_FATAL_FAILURE(MakeDb(path_, sql));
    food_db_close(db_);
    db_ = food_db_open(path_.c_str());
    ASSERT_NE(nullptr, db_);
  }

  std::vector<std::string> Descriptions() const {
    std::vector<std::string> texts;
    for (size_t i = 0; i < hits_.count; ++i) texts.emplace_back(hits_.items[i].description);
    return texts;
  }

  std::string path_;
  sqlite3 *db_ = nullptr;
  FoodHitList hits_{nullptr, 0, 0};
  NutrientList nutrients_{nullptr, 0, 0};
};

TEST_F(HostileFoodTest, EachMissingTableFailsOnlyItsOwnQuery) {
  struct Case {
    const char *missing;
    std::string sql;
  };
  const Case cases[] = {
      {"foods", std::string(kNutrientsSql) + kPointsSql},
      {"nutrients", std::string(kFoodsSql) + kPointsSql},
      {"points", std::string(kFoodsSql) + kNutrientsSql},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("without ") + c.missing);
    ASSERT_NO_FATAL_FAILURE(Open(std::string("no-") + c.missing + ".db", c.sql));
    const std::string before = read_file(path_);
    const std::string line = std::string("alimora: SQL error: no such table: ") + c.missing + "\n";
    const bool has_foods = std::string(c.missing) != "foods";
    const bool has_nutrients = std::string(c.missing) != "nutrients";
    const bool has_points = std::string(c.missing) != "points";

    testing::internal::CaptureStderr();
    EXPECT_EQ(has_foods ? 0 : -1, food_search(db_, "apple", &hits_));
    EXPECT_EQ(has_foods ? "" : line, testing::internal::GetCapturedStderr());
    EXPECT_EQ(has_foods ? 1u : 0u, hits_.count);
    food_hit_list_free(&hits_);

    testing::internal::CaptureStderr();
    EXPECT_EQ(has_nutrients ? 0 : -1, food_nutrients(db_, 1, &nutrients_));
    EXPECT_EQ(has_nutrients ? "" : line, testing::internal::GetCapturedStderr());
    EXPECT_EQ(has_nutrients ? 2u : 0u, nutrients_.count);
    nutrient_list_free(&nutrients_);

    FoodGroupAmounts amounts;
    testing::internal::CaptureStderr();
    EXPECT_EQ(has_points ? 0 : -1, food_equivalents(db_, 1, &amounts));
    EXPECT_EQ(has_points ? "" : line, testing::internal::GetCapturedStderr());
    EXPECT_EQ(has_points ? 0.91 : 0.0, amounts.amounts[FOOD_GROUP_FRUITS]);

    food_db_close(db_);
    db_ = nullptr;
    EXPECT_EQ(before, read_file(path_)) << "the queries changed the file";
  }
}

// A column that a query names in double quotes and the file lacks is an SQL error, never
// the column's name read back as a text.
TEST_F(HostileFoodTest, EachMissingColumnFailsItsQueryInsteadOfBecomingData) {
  struct Case {
    const char *missing;
    std::string sql;
  };
  const Case cases[] = {
      {"Main food description",
       "CREATE TABLE foods (\"Food code\" INTEGER, \"Description\" TEXT);"
       "INSERT INTO foods VALUES (1, 'Apple, raw');" + std::string(kNutrientsSql) + kPointsSql},
      {"Food code",
       "CREATE TABLE foods (code INTEGER, \"Main food description\" TEXT);"
       "INSERT INTO foods VALUES (1, 'Apple, raw');" + std::string(kNutrientsSql) + kPointsSql},
      {"OILS (grams)",
       std::string(kFoodsSql) + kNutrientsSql +
           "CREATE TABLE points (FOODCODE INTEGER, \"V_TOTAL (cup eq)\" REAL, "
           "\"F_TOTAL (cup eq)\" REAL, \"G_TOTAL (oz eq)\" REAL, \"D_TOTAL (cup eq)\" REAL, "
           "\"PF_TOTAL (oz eq)\" REAL, \"OILS\" REAL);"
           "INSERT INTO points VALUES (1, 0, 0.91, 0, 0, 0, 39.5);"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.missing);
    ASSERT_NO_FATAL_FAILURE(Open(std::string("column-") + std::to_string(&c - cases) + ".db", c.sql));
    const std::string line = std::string("alimora: SQL error: no such column: ") + c.missing + "\n";
    const bool in_points = std::string(c.missing) == "OILS (grams)";
    testing::internal::CaptureStderr();
    const int result = in_points ? [&] {
      FoodGroupAmounts amounts;
      return food_equivalents(db_, 1, &amounts);
    }() : food_search(db_, "a", &hits_);
    EXPECT_EQ(-1, result);
    EXPECT_EQ(line, testing::internal::GetCapturedStderr());
    EXPECT_EQ(0u, hits_.count);
  }
}

// A FIFO, a directory or a device in place of a database is refused at once: opening a
// FIFO would wait for a writer forever, with no window and no message.
TEST_F(HostileFoodTest, DatabasesThatAreNoRegularFilesAreRefusedWithoutBlocking) {
  const std::string fifo = PathIn("fifo.db");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string directory = PathIn("directory.db");
  ASSERT_EQ(0, mkdir(directory.c_str(), 0700));
  for (const std::string &path : {fifo, directory, std::string("/dev/null")}) {
    SCOPED_TRACE(path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, food_db_open(path.c_str()));
    EXPECT_EQ(nullptr, log_db_open(path.c_str()));
    EXPECT_EQ("alimora: cannot open database '" + path + "': not a regular file\n" +
                  "alimora: cannot open log database '" + path + "': not a regular file\n",
              testing::internal::GetCapturedStderr());
  }
}

TEST_F(HostileFoodTest, TruncatedFoodDatabaseIsRefusedAtOpen) {
  const std::string full = read_file(built_food_db_path());
  ASSERT_LT(64u * 1024u, full.size());
  const std::string path = PathIn("food.db");
  for (size_t length : {size_t{4096}, full.size() / 2, full.size() - 4096}) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    const std::string cut = full.substr(0, length);
    write_file(path, cut);
    testing::internal::CaptureStderr();
    sqlite3 *db = food_db_open(path.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, db);
    food_db_close(db);
    EXPECT_EQ("alimora: cannot open database '" + path + "': database disk image is malformed\n",
              err);
    EXPECT_EQ(cut, read_file(path));
  }
}

TEST_F(HostileFoodTest, ForeignValuesInEveryColumnReadWithoutFailing) {
  ASSERT_NO_FATAL_FAILURE(
      Open("foreign.db",
           "CREATE TABLE foods (\"Food code\", \"Main food description\");"
           "INSERT INTO foods VALUES (NULL, 'Food a: null code'), ('text', 'Food b: text code'),"
           "  (7.9, 'Food c: real code'), (4294967297, 'Food d: code beyond 32 bits'),"
           "  (5, x'466f6f6420653a20626c6f62'), (6, 42);"
           "CREATE TABLE nutrients (\"Food code\", a, b, c, n1, n2, n3, n4, n5, n6);"
           "INSERT INTO nutrients VALUES (1, NULL, NULL, NULL, NULL, 'text', '2.5kg', x'00ff', "
           "  '1e999', -0.0);"
           "CREATE TABLE points (FOODCODE, \"V_TOTAL (cup eq)\", \"F_TOTAL (cup eq)\", "
           "  \"G_TOTAL (oz eq)\", \"D_TOTAL (cup eq)\", \"PF_TOTAL (oz eq)\", \"OILS (grams)\");"
           "INSERT INTO points VALUES (1, 'lots', NULL, '0.5', x'31', 1e308, -2);"));
  const std::string before = read_file(path_);

  FoodGroupAmounts amounts;
  testing::internal::CaptureStderr();
  const int search_result = food_search(db_, "Food ", &hits_);
  const int nutrients_result = food_nutrients(db_, 1, &nutrients_);
  const int equivalents_result = food_equivalents(db_, 1, &amounts);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());

  // SQLite's LIKE matches no blob, so the food with a blob description is not found.
  ASSERT_EQ(0, search_result);
  EXPECT_EQ((std::vector<std::string>{"Food a: null code", "Food b: text code", "Food c: real code",
                                      "Food d: code beyond 32 bits"}),
            Descriptions());
  ASSERT_EQ(4u, hits_.count);
  EXPECT_EQ(0, hits_.items[0].food_code);
  EXPECT_EQ(0, hits_.items[1].food_code);
  EXPECT_EQ(7, hits_.items[2].food_code);

  ASSERT_EQ(0, nutrients_result);
  ASSERT_EQ(6u, nutrients_.count);
  EXPECT_EQ(0.0, nutrients_.items[0].value);
  EXPECT_EQ(0.0, nutrients_.items[1].value);
  EXPECT_EQ(2.5, nutrients_.items[2].value);
  EXPECT_EQ(0.0, nutrients_.items[3].value);
  EXPECT_TRUE(std::isinf(nutrients_.items[4].value));

  ASSERT_EQ(0, equivalents_result);
  EXPECT_EQ(0.0, amounts.amounts[FOOD_GROUP_VEGETABLES]);
  EXPECT_EQ(0.0, amounts.amounts[FOOD_GROUP_FRUITS]);
  EXPECT_EQ(0.5, amounts.amounts[FOOD_GROUP_GRAINS]);
  EXPECT_EQ(1.0, amounts.amounts[FOOD_GROUP_DAIRY]);
  EXPECT_EQ(1e308, amounts.amounts[FOOD_GROUP_PROTEIN]);
  EXPECT_EQ(-2.0, amounts.amounts[FOOD_GROUP_OILS]);

  food_db_close(db_);
  db_ = nullptr;
  EXPECT_EQ(before, read_file(path_));
}

TEST_F(HostileFoodTest, ColumnNamesWithLineBreaksAndGreatLength) {
  const std::string long_name(10000, 'n');
  std::string long_with_line_feeds;
  for (int i = 0; i < 2500; ++i) long_with_line_feeds += "ab\ncd";
  ASSERT_NO_FATAL_FAILURE(
      Open("names.db",
           "CREATE TABLE nutrients (\"Food code\", a, b, c, \"\n\", \"\n\n18:1(g)\n\", "
           "\"18:1(g)\r\", \"\r\n\", \"" +
               long_name + "\", \"" + long_with_line_feeds +
               "\");"
               "INSERT INTO nutrients VALUES (1, 0, 0, 0, 1, 2, 3, 4, 5, 6);"));
  ASSERT_EQ(0, food_nutrients(db_, 1, &nutrients_));
  ASSERT_EQ(6u, nutrients_.count);
  EXPECT_STREQ("", nutrients_.items[0].name) << "a name of line feeds only is empty";
  EXPECT_STREQ("Octadecenoic acid (18:1) (g)", nutrients_.items[1].name);
  EXPECT_STREQ("18:1(g)\r", nutrients_.items[2].name) << "carriage returns stay";
  EXPECT_STREQ("\r", nutrients_.items[3].name);
  EXPECT_EQ(long_name, nutrients_.items[4].name);
  std::string without_line_feeds;
  for (int i = 0; i < 2500; ++i) without_line_feeds += "abcd";
  EXPECT_EQ(without_line_feeds, nutrients_.items[5].name);
  EXPECT_EQ(6.0, nutrients_.items[5].value);
}

TEST_F(HostileFoodTest, TenThousandCharacterDescriptionIsFoundAndLoggedWhole) {
  std::string description = "Very long food ";
  while (description.size() < 10000) description += "with ever more words ";
  description.resize(10000);
  ASSERT_NO_FATAL_FAILURE(Open("long.db",
                               "CREATE TABLE foods (\"Food code\" INTEGER, "
                               "\"Main food description\" TEXT);"
                               "INSERT INTO foods VALUES (3, '" +
                                   description + "'), (4, 'Short food');"));

  // Searching for the whole description, and for its last words.
  ASSERT_EQ(0, food_search(db_, description.c_str(), &hits_));
  EXPECT_EQ(std::vector<std::string>{description}, Descriptions());
  food_hit_list_free(&hits_);
  ASSERT_EQ(0, food_search(db_, description.substr(9990).c_str(), &hits_));
  ASSERT_EQ(1u, hits_.count);
  EXPECT_EQ(3, hits_.items[0].food_code);

  sqlite3 *log = log_db_open(PathIn("log.db").c_str());
  ASSERT_NE(nullptr, log);
  ASSERT_EQ(0, log_entry_add(log, hits_.items[0].food_code, hits_.items[0].description,
                             "2026-12-06", 1.0));
  LogEntryList entries;
  ASSERT_EQ(0, log_entries_for_date(log, "2026-12-06", &entries));
  ASSERT_EQ(1u, entries.count);
  EXPECT_EQ(description, entries.items[0].description);
  log_entry_list_free(&entries);
  log_db_close(log);
}

// Search texts that could break a query built by hand: the text only ever travels as a
// bound parameter inside "%...%".
TEST_F(HostileFoodTest, SearchTextIsMatchedAsALikePatternAndNothingElse) {
  ASSERT_NO_FATAL_FAILURE(
      Open("texts.db",
           "CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT);"
           "INSERT INTO foods VALUES (1, 'Joe''s pie'), (2, 'A \"quoted\" cake'),"
           "  (3, 'Path C:\\dir\\file'), (4, '50% less fat'), (5, 'snake_case food'),"
           "  (6, 'Plain food'), (7, CAST(x'4261642062797465733a20fffe' AS TEXT)),"
           "  (8, '');"));
  const std::string before = read_file(path_);
  struct Case {
    std::string text;
    std::vector<std::string> found;
  };
  const std::string bad_bytes = "Bad bytes: \xff\xfe";
  const std::vector<std::string> all_sorted = {"",           "50% less fat",   "A \"quoted\" cake",
                                               bad_bytes,    "Joe's pie",      "Path C:\\dir\\file",
                                               "Plain food", "snake_case food"};
  const Case cases[] = {
      {"'", {"Joe's pie"}},
      {"'; DROP TABLE foods; --", {}},
      {"\"", {"A \"quoted\" cake"}},
      {"\\dir\\", {"Path C:\\dir\\file"}},
      {"\\", {"Path C:\\dir\\file"}},
      {"%", all_sorted},
      {"0%", {"50% less fat"}},
      {"_",
       {"50% less fat", "A \"quoted\" cake", bad_bytes, "Joe's pie", "Path C:\\dir\\file",
        "Plain food", "snake_case food"}},
      {"e_c", {"snake_case food"}},
      {"\xff\xfe", {bad_bytes}},
      {"\xc3\xa9", {}},
      {std::string(10000, 'x'), {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE("search text of " + std::to_string(c.text.size()) +
                 " bytes: " + c.text.substr(0, 30));
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, food_search(db_, c.text.c_str(), &hits_));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(c.found, Descriptions());
    food_hit_list_free(&hits_);
  }
  EXPECT_EQ(8, query_int(db_, "SELECT count(*) FROM foods"));
  food_db_close(db_);
  db_ = nullptr;
  EXPECT_EQ(before, read_file(path_));
}

TEST_F(HostileFoodTest, PatternBeyondSqliteLimitIsAnSqlError) {
  ASSERT_NO_FATAL_FAILURE(Open("limit.db", kFoodsSql));
  const std::string text(60000, 'a');
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, food_search(db_, text.c_str(), &hits_));
  EXPECT_EQ("alimora: SQL error: LIKE or GLOB pattern too complex\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(nullptr, hits_.items);
  EXPECT_EQ(0u, hits_.count);
}

}  // namespace
