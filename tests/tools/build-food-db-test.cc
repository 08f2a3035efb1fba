// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the food database builder, run as a separate process on small CSV files.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test-support.h"

namespace fs = std::filesystem;

namespace {

std::string builder_path;  // set by main from the command line

// Runs the builder with |args|; its standard output and standard error together in |out|.
ProcessResult run_builder(const std::vector<std::string> &args) {
  std::vector<std::string> argv = {builder_path};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_process(argv, {}, true);
}

// Each row of |sql| as its column values (NULL as "NULL") joined by '|'.
std::vector<std::string> query(sqlite3 *db, const std::string &sql) {
  std::vector<std::string> rows;
  sqlite3_stmt *stmt = nullptr;
  EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr))
      << sqlite3_errmsg(db) << " in " << sql;
  while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(stmt); i++) {
      if (i > 0) row += '|';
      const unsigned char *text = sqlite3_column_text(stmt, i);
      row += text != nullptr ? reinterpret_cast<const char *>(text) : "NULL";
    }
    rows.push_back(row);
  }
  sqlite3_finalize(stmt);
  return rows;
}

// The columns of |table| as "name|type".
std::vector<std::string> columns_of(sqlite3 *db, const std::string &table) {
  return query(db, "SELECT name, type FROM pragma_table_info('" + table + "') ORDER BY cid");
}

// The schema and every row of the three tables, for comparing two builds.
std::vector<std::string> dump(sqlite3 *db) {
  std::vector<std::string> lines;
  for (const char *table : {"foods", "nutrients", "points"}) {
    for (const std::string &column : columns_of(db, table)) lines.push_back(column);
    for (const std::string &row : query(db, std::string("SELECT * FROM ") + table))
      lines.push_back(row);
  }
  return lines;
}

const char kNutrientHeader[] =
    "Food code,Main food description,WWEIA Category number,WWEIA Category description,"
    "Energy (kcal),\"Sugars, total (g)\",4:0 (g),20:5 n-3 (g),Water (g)\n";
const char kNutrientRows[] =
    "11111000,\"Milk, whole\",1002,\"Milk, whole\",60,4.81,0.067,0.001,88.1\n"
    "63101000,\"Apple, \"\"raw\"\"\",6002,Apples,52,10.39,0,0,85.56\n";
const char kEquivalentHeader[] =
    "FOODCODE,DESCRIPTION,F_TOTAL (cup eq.),V_TOTAL (cup eq.),G_TOTAL (oz. eq.),"
    "PF_TOTAL (oz. eq.),D_TOTAL (cup eq.),OILS (grams),ADD_SUGARS (tsp. eq.),"
    "A_DRINKS (no. of drinks)\n";
const char kEquivalentRows[] =
    "11111000,\"Milk, whole\",0,0,0,0,0.41,0,0,0\n"
    "63101000,\"Apple, \"\"raw\"\"\",0.91,0,0,0,0,0,0,0\n";

const char kMeasureHeader[] =
    "Food code,Main food description,Subcode,Subcode description,WWEIA Category number,"
    "WWEIA Category description,Seq num,Portion description,Portion weight (g)\n";
// Kept: the generic rows with a weight, in file order. Dropped: "Quantity not specified",
// "Guideline amount ...", a brand's subcode, weights 0 and -9.
const char kMeasureRows[] =
    "11111000,\"Milk, whole\",,,1002,\"Milk, whole\",1,1 cup,244\n"
    "11111000,\"Milk, whole\",,,1002,\"Milk, whole\",2,Quantity not specified,244\n"
    "11111000,\"Milk, whole\",,,1002,\"Milk, whole\",3,1 fl oz,30.5\n"
    "11111000,\"Milk, whole\",,,1002,\"Milk, whole\",4,Guideline amount per fl oz of beverage,"
    "2.5\n"
    "11111000,\"Milk, whole\",1000001,A brand,1002,\"Milk, whole\",1,1 carton,250\n"
    "63101000,\"Apple, raw\",,,6002,Apples,1,1 medium,200\n"
    "63101000,\"Apple, raw\",,,6002,Apples,2,1 slice,0\n"
    "63101000,\"Apple, raw\",,,6002,Apples,3,\"1 cup, \"\"sliced\"\"\",-9\n"
    "63101000,\"Apple, raw\",,,6002,Apples,1,1 small,150\n";

class BuildFoodDbTest : public TempDirTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(builder_path.empty()) << "pass the path of build-food-db as the argument";
    TempDirTest::SetUp();
    nutrients_ = PathIn("nutrients.csv");
    equivalents_ = PathIn("equivalents.csv");
    measures_ = PathIn("measures.csv");
    out_ = PathIn("food.db");
  }

  ProcessResult build(const std::string &nutrients, const std::string &equivalents,
                      const std::string &measures = std::string(kMeasureHeader) + kMeasureRows) {
    write_file(nutrients_, nutrients);
    write_file(equivalents_, equivalents);
    write_file(measures_, measures);
    return run_builder(
        {nutrients_.string(), equivalents_.string(), measures_.string(), out_.string()});
  }

  // Opens the built database read-only; the test owns the handle.
  sqlite3 *open_output() {
    sqlite3 *db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(out_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    return db;
  }

  // Every file name in the directory, sorted.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path nutrients_;
  fs::path equivalents_;
  fs::path measures_;
  fs::path out_;
};

TEST_F(BuildFoodDbTest, GoodInputGivesThreeTablesWithTheProgramsColumnNames) {
  const ProcessResult run = build(std::string(kNutrientHeader) + kNutrientRows,
                              std::string(kEquivalentHeader) + kEquivalentRows);
  ASSERT_EQ(0, run.status) << run.out;
  EXPECT_EQ("", run.out);

  sqlite3 *db = open_output();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ((std::vector<std::string>{"Food code|INTEGER", "Main food description|TEXT",
                                      "WWEIA Category number|INTEGER",
                                      "WWEIA Category description|TEXT"}),
            columns_of(db, "foods"));
  EXPECT_EQ((std::vector<std::string>{
                "Food code|INTEGER", "Main food description|TEXT", "WWEIA Category number|INTEGER",
                "WWEIA Category description|TEXT", "Energy (kcal)|REAL", "Sugars, total (g)|REAL",
                "4:0(g)|REAL", "20:5 n-3(g)|REAL", "Water (g)|REAL"}),
            columns_of(db, "nutrients"));
  EXPECT_EQ(
      (std::vector<std::string>{
          "FOODCODE|INTEGER", "DESCRIPTION|TEXT", "F_TOTAL (cup eq)|REAL", "V_TOTAL (cup eq)|REAL",
          "G_TOTAL (oz eq)|REAL", "PF_TOTAL (oz eq)|REAL", "D_TOTAL (cup eq)|REAL",
          "OILS (grams)|REAL", "ADD_SUGARS (tsp eq)|REAL", "A_DRINKS (no. of drinks)|REAL"}),
      columns_of(db, "points"));

  EXPECT_EQ((std::vector<std::string>{"11111000|Milk, whole|1002|Milk, whole",
                                      "63101000|Apple, \"raw\"|6002|Apples"}),
            query(db, "SELECT * FROM foods ORDER BY 1"));
  EXPECT_EQ((std::vector<std::string>{"60.0|0.067|88.1"}),
            query(db,
                  "SELECT \"Energy (kcal)\", \"4:0(g)\", \"Water (g)\" FROM nutrients "
                  "WHERE \"Food code\" = 11111000"));
  EXPECT_EQ((std::vector<std::string>{"0.91|0.0", "0.0|0.41"}),
            query(db,
                  "SELECT \"F_TOTAL (cup eq)\", \"D_TOTAL (cup eq)\" FROM points "
                  "ORDER BY FOODCODE DESC"));
  EXPECT_EQ((std::vector<std::string>{"integer|real"}),
            query(db, "SELECT typeof(FOODCODE), typeof(\"OILS (grams)\") FROM points LIMIT 1"));

  // Each table has an index on its code column.
  EXPECT_EQ((std::vector<std::string>{"foods|Food code", "measures|Food code",
                                      "nutrients|Food code", "points|FOODCODE"}),
            query(db,
                  "SELECT m.tbl_name, i.name FROM sqlite_master AS m, "
                  "pragma_index_info(m.name) AS i WHERE m.type = 'index' ORDER BY 1"));
  sqlite3_close(db);
  EXPECT_EQ(
      (std::vector<std::string>{"equivalents.csv", "food.db", "measures.csv", "nutrients.csv"}),
      files());
}

TEST_F(BuildFoodDbTest, MeasuresKeepTheGenericPortionsWithAWeight) {
  const ProcessResult run = build(std::string(kNutrientHeader) + kNutrientRows,
                                  std::string(kEquivalentHeader) + kEquivalentRows);
  ASSERT_EQ(0, run.status) << run.out;
  sqlite3 *db = open_output();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ((std::vector<std::string>{"Food code|INTEGER", "Seq num|INTEGER",
                                      "Portion description|TEXT", "Portion weight (g)|REAL"}),
            columns_of(db, "measures"));
  EXPECT_EQ((std::vector<std::string>{"11111000|1|1 cup|244.0", "11111000|3|1 fl oz|30.5",
                                      "63101000|1|1 medium|200.0", "63101000|1|1 small|150.0"}),
            query(db, "SELECT * FROM measures ORDER BY rowid"));
  sqlite3_close(db);
}

TEST_F(BuildFoodDbTest, EmptyAmountsBecomeNull) {
  const ProcessResult run =
      build(std::string(kNutrientHeader) + "11111000,Milk,1002,Milk,60,,0.067,0.001,88.1\n",
            std::string(kEquivalentHeader) + "11111000,Milk,0,0,0,0,,0,0,0\n", kMeasureHeader);
  ASSERT_EQ(0, run.status) << run.out;
  sqlite3 *db = open_output();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ((std::vector<std::string>{"NULL|NULL"}),
            query(db,
                  "SELECT \"Sugars, total (g)\", \"D_TOTAL (cup eq)\" "
                  "FROM nutrients, points"));
  sqlite3_close(db);
}

// Later USDA releases write "cup eq" and "oz eq" without periods, may break header cells
// over two lines, and exports may end lines with CRLF and start with a byte order mark.
TEST_F(BuildFoodDbTest, LaterReleaseHeadersBuildTheSameDatabase) {
  ASSERT_EQ(0, build(std::string(kNutrientHeader) + kNutrientRows,
                     std::string(kEquivalentHeader) + kEquivalentRows)
                   .status);
  sqlite3 *db = open_output();
  ASSERT_NE(nullptr, db);
  const std::vector<std::string> expected = dump(db);
  sqlite3_close(db);
  fs::remove(out_);

  const std::string nutrients =
      "\xEF\xBB\xBF"
      "Food code,Main food description,WWEIA Category number,WWEIA Category description,"
      "\"Energy\r\n(kcal)\",\"Sugars, total\n(g)\",\"4:0\n(g)\",\"20:5 n-3 "
      "\n(g)\",\"Water\n(g)\"\r\n"
      "11111000,\"Milk, whole\",1002,\"Milk, whole\",60,4.81,0.067,0.001,88.1\r\n"
      "63101000,\"Apple, \"\"raw\"\"\",6002,Apples,52,10.39,0,0,85.56\r\n";
  const std::string equivalents =
      "FOODCODE,DESCRIPTION,\"F_TOTAL\n(cup eq)\",V_TOTAL (cup eq),G_TOTAL (oz eq),"
      "PF_TOTAL (oz eq),D_TOTAL (cup eq),OILS (grams),\"ADD_SUGARS\r\n(tsp eq)\","
      "A_DRINKS (no. of drinks)\r\n"
      "11111000,\"Milk, whole\",0,0,0,0,0.41,0,0,0\r\n"
      "63101000,\"Apple, \"\"raw\"\"\",0.91,0,0,0,0,0,0,0\r\n";
  const ProcessResult run = build(nutrients, equivalents);
  ASSERT_EQ(0, run.status) << run.out;
  db = open_output();
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(expected, dump(db));
  sqlite3_close(db);
}

// One kind of malformed input: the files to build from and what the message must contain.
struct BadInput {
  const char *name;
  std::string nutrients;
  std::string equivalents;
  std::string where;   // "file:line" in the message
  std::string detail;  // another part of the message
  std::string measures = std::string(kMeasureHeader) + kMeasureRows;
};

void PrintTo(const BadInput &input, std::ostream *os) { *os << input.name; }

// A description that spans lines 2 and 3, so that the next row starts on physical line 4.
const char kTwoLineNutrientRow[] = "11111000,\"Milk,\nwhole\",1002,Milk,60,4.81,0.067,0.001,88.1\n";
const char kTwoLineEquivalentRow[] = "11111000,\"Milk,\nwhole\",0,0,0,0,0.41,0,0,0\n";

std::vector<BadInput> bad_inputs() {
  const std::string good_nutrients = std::string(kNutrientHeader) + kNutrientRows;
  const std::string good_equivalents = std::string(kEquivalentHeader) + kEquivalentRows;
  const std::string nutrients_start = std::string(kNutrientHeader) + kTwoLineNutrientRow;
  const std::string equivalents_start = std::string(kEquivalentHeader) + kTwoLineEquivalentRow;
  const std::string measures_start =
      std::string(kMeasureHeader) + "11111000,\"Milk,\nwhole\",,,1002,Milk,1,1 cup,244\n";
  return {
      {"ShortRow", nutrients_start + "63101000,Apple,6002,Apples,52,10.39\n", good_equivalents,
       "nutrients.csv:4:", "6 fields"},
      {"LongRow", good_nutrients, equivalents_start + "63101000,Apple,0.91,0,0,0,0,0,0,0,7\n",
       "equivalents.csv:4:", "11 fields"},
      {"NonNumericAmount", good_nutrients,
       equivalents_start + "63101000,Apple,0.9l,0,0,0,0,0,0,0\n",
       "equivalents.csv:4:", "\"0.9l\" is not a number"},
      {"InfiniteAmount", nutrients_start + "63101000,Apple,6002,Apples,inf,10.39,0,0,85.56\n",
       good_equivalents, "nutrients.csv:4:", "\"Energy (kcal)\""},
      {"DuplicateFoodCode",
       nutrients_start + "11111000,Milk again,1002,Milk,61,4.81,0.067,0.001,88.1\n",
       good_equivalents, "nutrients.csv:4:", "duplicate food code 11111000 (first on line 2)"},
      {"FoodCodeNotANumber", good_nutrients,
       equivalents_start + "6310100O,Apple,0.91,0,0,0,0,0,0,0\n",
       "equivalents.csv:4:", "\"6310100O\""},
      {"QuoteNeverClosed", nutrients_start + "63101000,\"Apple,6002,Apples,52,10.39,0,0,85.56\n",
       good_equivalents, "nutrients.csv:4:", "never closed"},
      {"FoodMissingFromEquivalents", good_nutrients,
       std::string(kEquivalentHeader) + "11111000,Milk,0,0,0,0,0.41,0,0,0\n",
       "nutrients.csv:3:", "63101000"},
      {"FoodMissingFromNutrients",
       std::string(kNutrientHeader) + "11111000,Milk,1002,Milk,60,4.81,0.067,0.001,88.1\n",
       good_equivalents, "equivalents.csv:3:", "63101000"},
      {"TotalColumnMissing", good_nutrients,
       "FOODCODE,DESCRIPTION,F_TOTAL (cup eq.),V_TOTAL (cup eq.),G_TOTAL (oz. eq.),"
       "PF_TOTAL (oz. eq.),OILS (grams)\n11111000,Milk,0,0,0,0,0\n63101000,Apple,0.91,0,0,0,0\n",
       "equivalents.csv:1:", "D_TOTAL (cup eq)"},
      {"WrongFirstColumn", "Code" + good_nutrients.substr(9), good_equivalents,
       "nutrients.csv:1:", "\"Food code\""},
      {"WeightNotANumber", good_nutrients, good_equivalents, "measures.csv:4:",
       "\"Portion weight (g)\": \"3O.5\" is not a weight in grams",
       measures_start + "11111000,Milk,,,1002,Milk,2,1 fl oz,3O.5\n"},
      {"NegativeWeight", good_nutrients, good_equivalents, "measures.csv:4:", "\"-5\"",
       measures_start + "11111000,Milk,,,1002,Milk,2,1 fl oz,-5\n"},
      {"MeasureOfUnknownFood", good_nutrients, good_equivalents, "measures.csv:4:",
       "food code 11111001 has no row in",
       measures_start + "11111001,Milk,,,1002,Milk,1,1 cup,244\n"},
  };
}

class BadInputTest : public BuildFoodDbTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, FailsNamingFileAndLineAndWritesNoDatabase) {
  const BadInput &input = GetParam();
  const ProcessResult run = build(input.nutrients, input.equivalents, input.measures);
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos,
            run.out.find("build-food-db: " + dir_ + "/" + input.where))
      << run.out;
  EXPECT_NE(std::string::npos, run.out.find(input.detail)) << run.out;
  EXPECT_EQ((std::vector<std::string>{"equivalents.csv", "measures.csv", "nutrients.csv"}),
            files());
}

TEST_P(BadInputTest, LeavesAnEarlierDatabaseAsItWas) {
  const std::string earlier = "an earlier food.db";
  write_file(out_, earlier);
  const BadInput &input = GetParam();
  EXPECT_EQ(1, build(input.nutrients, input.equivalents, input.measures).status);
  EXPECT_EQ(earlier, read_file(out_));
  EXPECT_EQ(
      (std::vector<std::string>{"equivalents.csv", "food.db", "measures.csv", "nutrients.csv"}),
      files());
}

INSTANTIATE_TEST_SUITE_P(Malformed, BadInputTest, ::testing::ValuesIn(bad_inputs()),
                         [](const ::testing::TestParamInfo<BadInput> &info) {
                           return std::string(info.param.name);
                         });

TEST_F(BuildFoodDbTest, MissingInputFileIsNamed) {
  write_file(equivalents_, std::string(kEquivalentHeader) + kEquivalentRows);
  write_file(measures_, std::string(kMeasureHeader) + kMeasureRows);
  const ProcessResult run =
      run_builder({PathIn("absent.csv"), equivalents_.string(), measures_.string(), out_.string()});
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.out.find(PathIn("absent.csv") + ": cannot open"))
      << run.out;
  EXPECT_FALSE(fs::exists(out_));
}

TEST_F(BuildFoodDbTest, WrongNumberOfArgumentsPrintsUsage) {
  const ProcessResult run = run_builder({nutrients_.string()});
  EXPECT_NE(0, run.status);
  EXPECT_NE(std::string::npos, run.out.find("usage:")) << run.out;
}

}  // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) {
    builder_path = argv[1];
  } else if (const char *root = std::getenv("ALIMORA_BUILD_ROOT")) {
    builder_path = std::string(root) + "/tools/build-food-db";
  }
  return RUN_ALL_TESTS();
}
