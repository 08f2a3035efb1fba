// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of alimora-report run as a real process on the real food database.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/weight-log.h"
#include "test-support.h"

namespace fs = std::filesystem;

namespace {

// Every file below |dir|, relative to it, sorted.
std::vector<std::string> FilesBelow(const fs::path &dir) {
  std::vector<std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(dir))
    files.push_back(fs::relative(entry.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}

// The line that names the reported day, in the C locale's date form (MM/DD/YY).
std::string DayLine(const char *date) {
  char display[DISPLAY_DATE_SIZE];
  return std::string("Report for ") + date_to_display(date, display) + "\n";
}

std::string ZeroReport2000(const char *date) {
  return DayLine(date) +
         "Daily budget (2000 kcal USDA Healthy US-Style Eating Pattern):\n"
         "\n"
         "Food Group               Budget   Consumed  Remaining\n"
         "-------------------- ---------- ---------- ----------\n"
         "Vegetables                2.5 c       0.0 c       2.5 c \n"
         "Fruits                    2.0 c       0.0 c       2.0 c \n"
         "Grains                    6.0 oz      0.0 oz      6.0 oz\n"
         "Dairy                     3.0 c       0.0 c       3.0 c \n"
         "Protein Foods             5.5 oz      0.0 oz      5.5 oz\n"
         "Oils                     27.0 g       0.0 g      27.0 g \n";
}

// Food codes of the reference database, with their equivalents per serving.
constexpr int32_t kApple = 63101000;        // fruits 0.91
constexpr int32_t kWholeMilk = 11111000;    // dairy 0.41
constexpr int32_t kCheesePizza = 58106230;  // veg 0.12, grains 1.88, dairy 0.66, oils 4.64
constexpr int32_t kBeanSprouts = 75101000;  // vegetables 0.95
constexpr int32_t kUnknownFood = 99999999;  // not in the database

}  // namespace

class ReportTest : public TempDirTest {
 protected:
  void SetUp() override {
    const char *exe = getenv("ALIMORA_REPORT_EXE");
    const char *build_root = getenv("ALIMORA_BUILD_ROOT");
    ASSERT_NE(nullptr, exe) << "ALIMORA_REPORT_EXE is not set";
    ASSERT_NE(nullptr, build_root) << "ALIMORA_BUILD_ROOT is not set";
    exe_ = exe;
    LinkFoodDatabase(fs::path(build_root));

    TempDirTest::SetUp();
    data_home_ = fs::path(dir_) / "data";
    fs::create_directories(data_home_);
    log_path_ = data_home_ / "alimora" / "log.db";
  }

  // The test copy of the program looks for food.db in <build>/tests/food-db-dir; point
  // it at the database built in <build>/data. Other test programs may do the same.
  static void LinkFoodDatabase(const fs::path &build_root) {
    const fs::path target = build_root / "data" / "food.db";
    ASSERT_TRUE(fs::exists(target)) << target << " has not been built";
    const fs::path dir = build_root / "tests" / "food-db-dir";
    const fs::path link = dir / "food.db";
    std::error_code error;
    fs::create_directories(dir, error);
    ASSERT_FALSE(error) << dir << ": " << error.message();
    if (fs::is_symlink(fs::symlink_status(link)) && fs::read_symlink(link) == target) return;
    fs::create_symlink(target, link, error);
    if (error && error != std::errc::file_exists) FAIL() << link << ": " << error.message();
  }

  // Writes a log database with the given stored calorie target (none when below 0).
  void WriteLog(int32_t calorie_target) {
    fs::create_directories(log_path_.parent_path());
    sqlite3 *db = log_db_open(log_path_.c_str());
    ASSERT_NE(nullptr, db);
    if (calorie_target >= 0) {
      char bdate[] = "1980-02-29";
      Profile profile{bdate, 180.0, 80.0, 2, 1, calorie_target};
      EXPECT_EQ(0, profile_save(db, &profile));
    }
    EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2026-12-06", 2.0));
    EXPECT_EQ(0, log_entry_add(db, kWholeMilk, "Milk, whole", "2026-12-06", 4.0));
    EXPECT_EQ(0, log_entry_add(db, kCheesePizza, "Pizza, cheese", "2026-12-06", 3.0));
    EXPECT_EQ(0, log_entry_add(db, kUnknownFood, "Gone from the database", "2026-12-06", 5.0));
    EXPECT_EQ(0, log_entry_add(db, kBeanSprouts, "Bean sprouts, raw", "2026-12-06", 1.0));
    EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2026-12-05", 10.0));
    log_db_close(db);
  }

  // Runs the program with |args| in an untranslated C locale and the temporary data home.
  ProcessResult Run(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {exe_};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv,
                       {"LANGUAGE", "LANG", "LC_ALL=C", "XDG_DATA_HOME=" + data_home_.string()});
  }

  std::string exe_;
  fs::path data_home_;
  fs::path log_path_;
};

TEST_F(ReportTest, KnownFoodsOfADayGiveTheExactReport) {
  WriteLog(2400);
  const std::string before = read_file(log_path_);

  const ProcessResult result = Run({"2026-12-06"});
  EXPECT_EQ(0, result.status);
  EXPECT_EQ("", result.err);
  EXPECT_EQ(
      "Report for 12/06/26\n"
      "Daily budget (2400 kcal USDA Healthy US-Style Eating Pattern):\n"
      "\n"
      "Food Group               Budget   Consumed  Remaining\n"
      "-------------------- ---------- ---------- ----------\n"
      "Vegetables                3.0 c       1.3 c       1.7 c \n"
      "Fruits                    2.0 c       1.8 c       0.2 c \n"
      "Grains                    8.0 oz      5.6 oz      2.4 oz\n"
      "Dairy                     3.0 c       3.6 c      -0.6 c \n"
      "Protein Foods             6.5 oz      0.0 oz      6.5 oz\n"
      "Oils                     32.0 g      13.9 g      18.1 g \n",
      result.out);

  EXPECT_EQ(before, read_file(log_path_)) << "the log database must not be written";
  EXPECT_EQ((std::vector<std::string>{"alimora", "alimora/log.db"}), FilesBelow(data_home_));
}

// -2: a log without the profile table, as a first start on a full disk once left it, or
// another program makes it.
TEST_F(ReportTest, WithoutAUsableStoredTargetTheBudgetIs2000Kcal) {
  for (int32_t stored : {-2, -1, 0}) {
    SCOPED_TRACE(stored == -2 ? "no profile table" : stored < 0 ? "no profile row"
                                                                : "stored target 0");
    fs::remove_all(data_home_ / "alimora");
    WriteLog(stored);
    if (stored == -2) {
      sqlite3 *db = nullptr;
      ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &db));
      EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, "DROP TABLE user_profile", nullptr, nullptr, nullptr));
      sqlite3_close(db);
      for (const std::vector<std::string> &args :
           {std::vector<std::string>{"--from", "2026-12-05", "--to", "2026-12-06"},
            std::vector<std::string>{"--nutrients", "2026-12-05"}}) {
        const ProcessResult other = Run(args);
        EXPECT_EQ(0, other.status) << args[0];
        EXPECT_EQ("", other.err);
      }
    }
    const ProcessResult result = Run({"2026-12-05"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(0u, result.out.find("Report for 12/05/26\n"
                                  "Daily budget (2000 kcal USDA Healthy US-Style Eating "
                                  "Pattern):\n"));
    EXPECT_NE(std::string::npos,
              result.out.find("Fruits                    2.0 c       9.1 c      -7.1 c \n"))
        << result.out;
  }
}

TEST_F(ReportTest, DayWithoutEntriesGivesAZeroReport) {
  WriteLog(-1);
  const ProcessResult result = Run({"2024-02-29"});
  EXPECT_EQ(0, result.status);
  EXPECT_EQ("", result.err);
  EXPECT_EQ(ZeroReport2000("2024-02-29"), result.out);
}

TEST_F(ReportTest, MissingLogDatabaseGivesAZeroReportAndCreatesNothing) {
  char today[DATE_STRING_SIZE];
  date_today(today);
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{}, std::vector<std::string>{"2026-12-06"}}) {
    const ProcessResult result = Run(args);
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    EXPECT_EQ(ZeroReport2000(args.empty() ? today : "2026-12-06"), result.out);
    EXPECT_TRUE(FilesBelow(data_home_).empty());
  }
  // The export of a missing log is its header record.
  const ProcessResult csv = Run({"--csv"});
  EXPECT_EQ(0, csv.status);
  EXPECT_EQ(0u, csv.out.find("date,food_code,")) << csv.out;
  EXPECT_EQ(1, std::count(csv.out.begin(), csv.out.end(), '\n')) << csv.out;
  EXPECT_TRUE(FilesBelow(data_home_).empty());
}

// The reported day is the day asked for, whatever the time zone.
TEST_F(ReportTest, ReportedDayIsTheSameInEveryTimeZone) {
  WriteLog(2400);
  size_t tried = 0;
  for (const ZoneDate &z : kZoneDates) {
    SCOPED_TRACE(std::string(z.zone) + " " + z.date + ": " + z.why);
    int year = 0, month = 0, day = 0;
    sscanf(z.date, "%d-%d-%d", &year, &month, &day);
    // The report takes calendar dates only.
    if (!g_date_valid_dmy(GDateDay(day), GDateMonth(month), GDateYear(year))) continue;
    if (!time_zone_installed(z.zone)) continue;
    ++tried;
    const std::vector<std::string> settings = {"LANGUAGE", "LANG", "LC_ALL=C",
                                               "XDG_DATA_HOME=" + data_home_.string(),
                                               std::string("TZ=") + z.zone};
    const ProcessResult day_report = run_process({exe_, z.date}, settings);
    EXPECT_EQ(0, day_report.status);
    EXPECT_EQ(0u, day_report.out.find(std::string("Report for ") + z.shown + "\n"))
        << day_report.out;
    const ProcessResult range = run_process({exe_, "--from", z.date, "--to", z.date}, settings);
    EXPECT_EQ(0, range.status);
    EXPECT_EQ(0u, range.out.find(std::string("Food log from ") + z.shown + " to " + z.shown))
        << range.out;
  }
  if (tried == 0) GTEST_SKIP() << "the time-zone database (tzdata) is not installed";
}

// A log that a first start on a full disk left without tables holds nothing yet.
TEST_F(ReportTest, LogWithoutAnyTableReadsAsAnEmptyLog) {
  fs::create_directories(log_path_.parent_path());
  write_file(log_path_, "");
  char today[DATE_STRING_SIZE];
  date_today(today);
  const ProcessResult day = Run({"2026-12-06"});
  EXPECT_EQ(0, day.status);
  EXPECT_EQ("", day.err);
  EXPECT_EQ(ZeroReport2000("2026-12-06"), day.out);
  const ProcessResult csv = Run({"--csv"});
  EXPECT_EQ(0, csv.status);
  EXPECT_EQ(1, std::count(csv.out.begin(), csv.out.end(), '\n')) << csv.out;
  const ProcessResult range = Run({"--from", "2026-12-01", "--to", "2026-12-07"});
  EXPECT_EQ(0, range.status);
  EXPECT_EQ("", range.err);
  EXPECT_EQ("", read_file(log_path_)) << "the report writes nothing";
}

TEST_F(ReportTest, BadDateGivesStatus2AndOneLine) {
  WriteLog(2400);
  for (const char *date : {"2026-02-29", "2026-13-01", "2026-00-10", "2026-04-31", "2026-12-00",
                           "2026-12-6", "26-12-06", "2026/12/06", "2026-12-06x", "２026-12-06",
                           "abcd-ef-gh", "", "-", "0000-01-01"}) {
    SCOPED_TRACE(std::string("date '") + date + "'");
    const ProcessResult result = Run({date});
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(0u, result.err.rfind("alimora: ", 0)) << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
    EXPECT_EQ('\n', result.err.empty() ? '\0' : result.err.back());
  }
  EXPECT_EQ(0, Run({"2000-02-29"}).status) << "a leap day is a date";
}

TEST_F(ReportTest, ExtraArgumentsAndUnknownOptionsGiveStatus2) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"2026-12-06", "2026-12-07"},
        std::vector<std::string>{"--version", "extra"}, std::vector<std::string>{"--verbose"}}) {
    const ProcessResult result = Run(args);
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(0u, result.err.rfind("alimora: ", 0)) << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
  }
}

TEST_F(ReportTest, VersionAndHelp) {
  const ProcessResult version = Run({"--version"});
  EXPECT_EQ(0, version.status);
  EXPECT_EQ("alimora-report 0.33\n", version.out);
  EXPECT_EQ("", version.err);

  const ProcessResult help = Run({"--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_EQ(0u, help.out.find("Usage: alimora-report [YYYY-MM-DD]\n"));
  EXPECT_EQ("", help.err);
  // Every option is listed with the others, in one block that ends the help.
  const size_t options = help.out.find("\n  --from ");
  ASSERT_NE(std::string::npos, options) << help.out;
  const std::string block = help.out.substr(options);
  EXPECT_EQ(std::string::npos, block.find("\n\n")) << block;
  for (const char *option : {"--to ", "--csv ", "--chart ", "--nutrients ", "--suggest ", "--help ",
                             "--version "})
    EXPECT_NE(std::string::npos, block.find(std::string("\n  ") + option)) << option;
  EXPECT_TRUE(FilesBelow(data_home_).empty());
}

TEST_F(ReportTest, LogDatabaseThatIsNotADatabaseFailsAndStaysUnchanged) {
  fs::create_directories(log_path_.parent_path());
  const std::string content = "these are notes, not a database\n" + std::string(2000, '.');
  std::ofstream(log_path_, std::ios::binary) << content;

  const ProcessResult result = Run({"2026-12-06"});
  EXPECT_EQ(1, result.status);
  EXPECT_EQ("", result.out);
  EXPECT_EQ("alimora: SQL error: file is not a database\n", result.err);
  EXPECT_EQ(content, read_file(log_path_));
  EXPECT_EQ((std::vector<std::string>{"alimora", "alimora/log.db"}), FilesBelow(data_home_));
}

TEST_F(ReportTest, LogDatabaseWithoutTheTablesFailsAndStaysUnchanged) {
  fs::create_directories(log_path_.parent_path());
  sqlite3 *db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &db));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "CREATE TABLE notes (text)", nullptr, nullptr, nullptr));
  sqlite3_close(db);
  const std::string before = read_file(log_path_);

  const ProcessResult result = Run({"2026-12-06"});
  EXPECT_EQ(1, result.status);
  EXPECT_EQ("", result.out);
  EXPECT_EQ("alimora: SQL error: no such table: food_log\n", result.err);
  EXPECT_EQ(before, read_file(log_path_));
}

// The day of WriteLog against the goals of its profile, a man born 1980-02-29 (Male
// 31-50). By hand from food.db: 2 x 52 + 4 x 60 + 3 x 271 + 30 = 1187 kcal; calcium
// 2 x 6 + 4 x 123 + 3 x 176 + 22 = 1054 mg; copper 534 mcg from 0.534 mg.
TEST_F(ReportTest, NutrientsOfADayAgainstTheProfilesGoals) {
  WriteLog(2400);
  const ProcessResult result = Run({"--nutrients", "2026-12-06"});
  EXPECT_EQ(0, result.status);
  EXPECT_EQ("", result.err);
  EXPECT_EQ(
      "Nutrients on 12/06/26\n"
      "\n"
      "Nutrient                            Eaten       Goal        % of goal  Goal type\n"
      "------------------------------ ---------- ---------- ----------------  ----------\n"
      "Energy and macronutrients\n"
      "Energy (kcal)                        1187       2400              49%  at most\n"
      "Protein (g)                          49.1         56      88% (below)  at least\n"
      "Protein (% kcal)                     16.5      10-35                   range\n"
      "Carbohydrate (g)                    151.8        130             117%  at least\n"
      "Carbohydrate (% kcal)                51.1      45-65                   range\n"
      "Dietary fiber (g)                    13.2       30.8      43% (below)  at least\n"
      "Added sugars (% kcal)                 1.1         10              11%  at most\n"
      "Total fat (% kcal)                   34.1      20-35                   range\n"
      "Saturated fat (% kcal)               15.3         10     153% (above)  at most\n"
      "Linoleic acid (g)                     7.8         17      46% (below)  at least\n"
      "Linolenic acid (g)                    1.0        1.6      63% (below)  at least\n"
      "\n"
      "Minerals\n"
      "Calcium (mg)                       1054.0       1000             105%  at least\n"
      "Iron (mg)                             8.6          8             107%  at least\n"
      "Magnesium (mg)                      148.0        420      35% (below)  at least\n"
      "Phosphorus (mg)                    1107.0        700             158%  at least\n"
      "Potassium (mg)                     1470.0       4700      31% (below)  at least\n"
      "Sodium (mg)                          1951       2300              85%  at most\n"
      "Zinc (mg)                             5.9         11      54% (below)  at least\n"
      "Copper (mcg)                        534.0        900      59% (below)  at least\n"
      "Selenium (mcg)                       62.5         55             114%  at least\n"
      "\n"
      "Vitamins\n"
      "Vitamin A (mcg RAE)                 342.0        900      38% (below)  at least\n"
      "Vitamin E (mg AT)                     3.1         15      21% (below)  at least\n"
      "Vitamin D (mcg)                       4.4         15      29% (below)  at least\n"
      "Vitamin C (mg)                       26.0         90      29% (below)  at least\n"
      "Thiamin (mg)                          1.4        1.2             120%  at least\n"
      "Riboflavin (mg)                       1.3        1.3             102%  at least\n"
      "Niacin (mg)                          11.8         16      74% (below)  at least\n"
      "Vitamin B6 (mg)                       0.6        1.3      46% (below)  at least\n"
      "Vitamin B12 (mcg)                     3.2        2.4             134%  at least\n"
      "Choline (mg)                        142.2        550      26% (below)  at least\n"
      "Vitamin K (mcg)                      68.6        120      57% (below)  at least\n"
      "Folate (mcg DFE)                    523.0        400             131%  at least\n"
      "\n"
      "Goals for Male 31-50: Dietary Guidelines for Americans 2015-2020, Appendix 7.\n"
      "Niacin counts preformed niacin only, while its goal is in niacin equivalents, which "
      "also count niacin made from tryptophan: the share shown is lower than the real one.\n"
      "1 entry has a food without nutrient values; it adds nothing.\n"
      "Added sugars count 16 kcal per teaspoon-equivalent (4 g of sugar at 4 kcal/g).\n"
      "Manganese is left out: the food database has no values for it.\n",
      result.out);

  // German: the catalogue's texts and decimal commas, the same numbers.
  if (!locale_installed("de_DE.UTF-8")) GTEST_SKIP() << "the de_DE.UTF-8 locale is missing";
  const ProcessResult german =
      run_process({exe_, "--nutrients", "2026-12-06"},
                  {"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "XDG_DATA_HOME=" + data_home_.string()});
  EXPECT_EQ(0, german.status);
  for (const char *line : {
           "Nährstoffe am 06.12.2026\n",
           "Energie (kcal)                       1187       2400             49 %  höchstens\n",
           "Protein (g)                          49,1         56  88 % (darunter)  mindestens\n",
           "Protein (% kcal)                     16,5      10-35                   Bereich\n",
           "Gesättigte Fettsäuren (% kcal)       15,3         10  153 % (darüber)  höchstens\n",
           "Calcium (mg)                       1054,0       1000            105 %  mindestens\n",
           "Ziele für Männer 31-50: Dietary Guidelines for Americans 2015-2020, Anhang 7.\n",
           "Niacin zählt nur vorgebildetes Niacin, das Ziel dagegen Niacin-Äquivalente, die auch "
           "aus Tryptophan gebildetes Niacin einschließen: Der angezeigte Anteil ist niedriger "
           "als der wirkliche.\n",
           "Zugesetzter Zucker zählt 16 kcal pro Teelöffel-Äquivalent (4 g Zucker zu 4 kcal/g).\n",
       })
    EXPECT_NE(std::string::npos, german.out.find(line)) << line << german.out;
}

TEST_F(ReportTest, NutrientsWithoutALogHaveNoGoalsButTheDefaultTarget) {
  const ProcessResult result = Run({"--nutrients"});
  EXPECT_EQ(0, result.status);
  EXPECT_NE(std::string::npos,
            result.out.find("Energy (kcal)                           0       2000               "
                            "0%  at most\n"));
  EXPECT_NE(std::string::npos, result.out.find("\nCalcium (mg)                          0.0\n"));
  EXPECT_NE(std::string::npos,
            result.out.find("No goals: the profile has no usable birth date.\n"));
  EXPECT_FALSE(fs::exists(log_path_));
}

// The range of days: the log of WriteLog (2400 kcal) and, on 2026-12-04, whole milk that
// just reaches the dairy budget as shown (2.993 cup-eq) and a food missing from the
// database whose description needs quoting in CSV; one entry before the week, one with a
// date that is no calendar date and one after the week.
class ReportRangeTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    WriteLog(2400);
    sqlite3 *db = log_db_open(log_path_.c_str());
    ASSERT_NE(nullptr, db);
    EXPECT_EQ(0, log_entry_add(db, kWholeMilk, "Milk, whole", "2026-12-04", 7.3));
    EXPECT_EQ(0, log_entry_add(db, kUnknownFood, "Cake, \"birthday\"", "2026-12-04", 1.0));
    EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2026-11-20", 1.0));
    EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2026-12-06 ", 50.0));
    EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2026-12-09", 50.0));
    log_db_close(db);
  }

  // Runs |args| and expects success with nothing on standard error.
  std::string RunOk(const std::vector<std::string> &args) {
    const ProcessResult result = Run(args);
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.err);
    return result.out;
  }
};

TEST_F(ReportRangeTest, SummaryGivesTheDaysAveragesAndMetAndOverCounts) {
  EXPECT_EQ(
      "Food log from 12/01/26 to 12/07/26\n"
      "Days counted (days with entries): 3 of 7\n"
      "\n"
      "Date       Veg. (c)  Fruit (c) Grain (oz)  Dairy (c) Prot. (oz)    Oil (g)\n"
      "12/04/26        0.0        0.0        0.0        3.0        0.0        0.0\n"
      "12/05/26        0.0        9.1        0.0        0.0        0.0        0.0\n"
      "12/06/26        1.3        1.8        5.6        3.6        0.0       13.9\n"
      "\n"
      "Average per day against the daily budget (2400 kcal USDA Healthy US-Style Eating "
      "Pattern):\n"
      "\n"
      "Food Group               Budget    Average   Days met  Days over\n"
      "-------------------- ---------- ---------- ---------- ----------\n"
      "Vegetables                3.0 c       0.4 c         0          0\n"
      "Fruits                    2.0 c       3.6 c         1          1\n"
      "Grains                    8.0 oz      1.9 oz        0          0\n"
      "Dairy                     3.0 c       2.2 c         2          1\n"
      "Protein Foods             6.5 oz      0.0 oz        0          0\n"
      "Oils                     32.0 g       4.6 g         0          0\n"
      "\n"
      "Met: the day's amount reached the budget; over: it went beyond it. A day over\n"
      "the budget also counts as met.\n",
      RunOk({"--from", "2026-12-01", "--to=2026-12-07"}));
}

TEST_F(ReportRangeTest, RangeEndsDefaultToTheFirstLoggedDayAndToday) {
  EXPECT_EQ(0u, RunOk({"--to", "2026-12-07"})
                    .find("Food log from 11/20/26 to 12/07/26\n"
                          "Days counted (days with entries): 4 of 18\n\n"));
  EXPECT_EQ("Food log from 12/10/26 to 12/31/26\n"
            "Days counted (days with entries): 0 of 22\n",
            RunOk({"--from", "2026-12-10", "--to", "2026-12-31"}));
  // A date with --csv is that one day: the header and its two entries.
  const std::string one_day = RunOk({"--csv", "2026-12-04"});
  EXPECT_EQ(3, std::count(one_day.begin(), one_day.end(), '\n')) << one_day;

  char today[DATE_STRING_SIZE];
  char display[DISPLAY_DATE_SIZE];
  date_today(today);
  const std::string whole_log = RunOk({"--from", "2026-11-20"});
  EXPECT_EQ(0u, whole_log.find(std::string("Food log from 11/20/26 to ") +
                               date_to_display(today, display) + "\n"))
      << whole_log;
}

TEST_F(ReportRangeTest, CsvHasOneRecordPerEntryWithPlainNumbersInEveryLocale) {
  const std::string expected =
      "date,food_code,description,servings,grams,vegetables_cup_eq,fruits_cup_eq,grains_oz_eq,"
      "dairy_cup_eq,protein_foods_oz_eq,oils_g,energy_kcal\r\n"
      "2026-12-04,11111000,\"Milk, whole\",7.3,730,0,0,0,2.993,0,0,438\r\n"
      "2026-12-04,99999999,\"Cake, \"\"birthday\"\"\",1,100,,,,,,,\r\n"
      "2026-12-05,63101000,\"Apple, raw\",10,1000,0,9.1,0,0,0,0,520\r\n"
      "2026-12-06,63101000,\"Apple, raw\",2,200,0,1.82,0,0,0,0,104\r\n"
      "2026-12-06,11111000,\"Milk, whole\",4,400,0,0,0,1.64,0,0,240\r\n"
      "2026-12-06,58106230,\"Pizza, cheese\",3,300,0.36,0,5.64,1.98,0,13.92,813\r\n"
      "2026-12-06,99999999,Gone from the database,5,500,,,,,,,\r\n"
      "2026-12-06,75101000,\"Bean sprouts, raw\",1,100,0.95,0,0,0,0,0,30\r\n";
  EXPECT_EQ(expected, RunOk({"--from", "2026-12-04", "--to", "2026-12-06", "--csv"}));

  const ProcessResult german =
      run_process({exe_, "--csv", "--from=2026-12-04", "--to=2026-12-06"},
                  {"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "XDG_DATA_HOME=" + data_home_.string()});
  EXPECT_EQ(0, german.status);
  EXPECT_EQ(expected, german.out);
}

// Without dates the CSV is the whole log, a backup: entries after today and entries whose
// date is no calendar date too. With dates it is the range, as before.
TEST_F(ReportRangeTest, CsvWithoutDatesHoldsEveryEntryOfTheLog) {
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  EXPECT_EQ(0, log_entry_add(db, kApple, "Apple, raw", "2099-01-01", 1.0));
  log_db_close(db);
  const std::string all = RunOk({"--csv"});
  EXPECT_EQ(1 + 12, std::count(all.begin(), all.end(), '\n')) << all;
  EXPECT_NE(std::string::npos, all.find("\r\n2099-01-01,63101000,")) << all;
  EXPECT_NE(std::string::npos, all.find("\r\n2026-12-09,63101000,")) << all;
  EXPECT_NE(std::string::npos, all.find("\r\n2026-12-06 ,63101000,")) << all;

  char today[DATE_STRING_SIZE];
  date_today(today);
  const std::string to_today = RunOk({"--csv", "--to", today});
  EXPECT_EQ(std::string::npos, to_today.find("2099-01-01")) << to_today;
  EXPECT_EQ(std::string::npos, to_today.find("2026-12-06 ,")) << to_today;
}

// Numbers of any size are written so that they read back; infinity and NaN are no amounts.
TEST_F(ReportRangeTest, CsvNumbersReadBackAndNonFiniteOnesAreLeftEmpty) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &db));
  ASSERT_EQ(SQLITE_OK,
            exec_sql(db,
                     "INSERT INTO food_log (food_code, description, date, servings) VALUES "
                     "(63101000, 'big', '2026-11-01', 1e300), "
                     "(63101000, 'endless', '2026-11-02', 1e999), "
                     "(63101000, 'tiny', '2026-11-03', 1e-7)"));
  sqlite3_close(db);
  const std::string csv = RunOk({"--csv", "--from", "2026-11-01", "--to", "2026-11-03"});
  EXPECT_NE(std::string::npos, csv.find("\r\n2026-11-01,63101000,big,1e+300,1e+302,0,")) << csv;
  EXPECT_NE(std::string::npos, csv.find("\r\n2026-11-02,63101000,endless,,,,,,,,,\r\n")) << csv;
  EXPECT_NE(std::string::npos, csv.find("\r\n2026-11-03,63101000,tiny,1e-07,")) << csv;
  EXPECT_EQ(std::string::npos, csv.find("inf")) << csv;
  EXPECT_EQ(std::string::npos, csv.find("nan")) << csv;
}

// The rectangles of |svg| that are stroked and not filled, at least |min_width| by
// |min_height|: the frames of the panels. Fails the test when |svg| is not well-formed.
int CountFrames(const std::string &svg, double min_width, double min_height) {
  struct Count {
    double min_width, min_height;
    int frames = 0;
    bool root_is_svg = false;
    int depth = 0;
  } count{min_width, min_height};
  GMarkupParser parser = {};
  parser.start_element = [](GMarkupParseContext *, const char *element, const char **names,
                            const char **values, gpointer data, GError **) {
    auto *c = static_cast<Count *>(data);
    if (c->depth++ == 0) c->root_is_svg = strcmp(element, "svg") == 0;
    if (strcmp(element, "path") != 0) return;
    const char *d = nullptr, *style = "";
    for (int i = 0; names[i]; ++i) {
      if (strcmp(names[i], "d") == 0) d = values[i];
      if (strcmp(names[i], "style") == 0) style = values[i];
    }
    double x0, y0, x1, y1, x2, y2, x3, y3;
    if (!d || !strstr(style, "fill:none") ||
        sscanf(d, "M %lf %lf L %lf %lf L %lf %lf L %lf %lf Z", &x0, &y0, &x1, &y1, &x2, &y2, &x3,
               &y3) != 8)
      return;
    if (y0 == y1 && x1 == x2 && y2 == y3 && x3 == x0 && x1 - x0 >= c->min_width &&
        y2 - y1 >= c->min_height)
      ++c->frames;
  };
  parser.end_element = [](GMarkupParseContext *, const char *, gpointer data, GError **) {
    --static_cast<Count *>(data)->depth;
  };
  GMarkupParseContext *context = g_markup_parse_context_new(&parser, {}, &count, nullptr);
  GError *error = nullptr;
  const bool parsed = g_markup_parse_context_parse(context, svg.data(), svg.size(), &error) &&
                      g_markup_parse_context_end_parse(context, &error);
  EXPECT_TRUE(parsed) << (error ? error->message : "");
  if (error) g_error_free(error);
  g_markup_parse_context_free(context);
  EXPECT_TRUE(count.root_is_svg);
  return count.frames;
}

TEST_F(ReportRangeTest, NutrientsOverARangeAreTheAveragePerDayWithEntries) {
  // 2026-12-05: ten apples, 520 kcal and 2.6 g protein; 2026-12-06: 1187 kcal and 49.11 g.
  const std::string out = RunOk({"--nutrients", "--from", "2026-12-05", "--to", "2026-12-06"});
  EXPECT_EQ(0u, out.find("Nutrients from 12/05/26 to 12/06/26, average per day with entries\n"
                         "Days counted (days with entries): 2 of 2\n\n"));
  EXPECT_NE(std::string::npos,
            out.find("Energy (kcal)                         854       2400              36%  "
                     "at most\n"));
  EXPECT_NE(std::string::npos,
            out.find("Protein (g)                          25.9         56      46% (below)  "
                     "at least\n"));
  // The week around them: the unknown food and the milk of 2026-12-04 count as a third day.
  const std::string week = RunOk({"--nutrients", "--from=2026-12-01", "--to=2026-12-07"});
  EXPECT_NE(std::string::npos, week.find("Days counted (days with entries): 3 of 7\n"));
  EXPECT_NE(std::string::npos, week.find("2 entries have foods without nutrient values"));
}

TEST_F(ReportRangeTest, NutrientsAsCsvHavePlainNumbersInEveryLocale) {
  const std::string out = RunOk({"--nutrients", "--csv", "2026-12-06"});
  EXPECT_EQ(0u, out.find("nutrient,unit,eaten,goal_low,goal_high,goal_type,percent_of_goal,mark,"
                         "incomplete\r\n"
                         "energy,kcal,1187,,2400,at_most,49.4583,,0\r\n"
                         "protein,g,49.11,56,,at_least,87.6964,below,0\r\n"
                         "protein,% kcal,16.5493,10,35,range,,,0\r\n"));
  EXPECT_NE(std::string::npos, out.find("\r\ncopper,mcg,534,900,,at_least,59.3333,below,0\r\n"));
  EXPECT_EQ(33, std::count(out.begin(), out.end(), '\n'));

  const ProcessResult german =
      run_process({exe_, "--csv", "--nutrients", "2026-12-06"},
                  {"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "XDG_DATA_HOME=" + data_home_.string()});
  EXPECT_EQ(0, german.status);
  EXPECT_EQ(out, german.out);

  const ProcessResult chart = Run({"--nutrients", "--chart", "x.svg"});
  EXPECT_EQ(2, chart.status);
  EXPECT_EQ("alimora: --nutrients cannot be given with --chart\n", chart.err);
}

TEST_F(ReportRangeTest, ChartIsWellFormedSvgWithSevenPanelsAndReplacesTheFile) {
  const fs::path chart = fs::path(dir_) / "week.svg";
  write_file(chart, "an older chart");
  EXPECT_EQ("", RunOk({"--from", "2026-12-01", "--to", "2026-12-07", "--chart", chart}));
  const std::string svg = read_file(chart);
  EXPECT_EQ(0u, svg.find("<?xml")) << svg.substr(0, 100);
  EXPECT_EQ(7, CountFrames(svg, 120.0, 100.0));
  EXPECT_EQ((std::vector<std::string>{"data", "data/alimora", "data/alimora/log.db", "week.svg"}),
            FilesBelow(dir_));

  // Ten years of days draw as thin bars; the chart stays whole.
  EXPECT_EQ("", RunOk({"--from", "2016-12-01", "--to", "2026-12-31", "--chart", chart}));
  EXPECT_EQ(7, CountFrames(read_file(chart), 120.0, 100.0));
}

TEST_F(ReportRangeTest, ChartThatCannotBeWrittenFailsAndLeavesNoFile) {
  fs::create_directories(fs::path(dir_) / "taken.svg");
  for (const fs::path &path : {fs::path(dir_) / "missing" / "week.svg", fs::path(dir_) / "taken.svg"}) {
    SCOPED_TRACE(path);
    const ProcessResult result = Run({"--chart", path, "--csv"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("", result.out) << "nothing is printed when the chart fails";
    EXPECT_EQ(0u, result.err.rfind("alimora: cannot write the chart '" + path.string() + "': ", 0))
        << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
    EXPECT_EQ((std::vector<std::string>{"data", "data/alimora", "data/alimora/log.db",
                                        "taken.svg"}),
              FilesBelow(dir_));
  }
}

// What is at the chart's path: only a regular file is replaced, and it keeps its mode; "-"
// is standard output; a name as long as a directory takes still gets its temporary file.
TEST_F(ReportRangeTest, ChartPathsOfEveryKind) {
  const fs::path dir = fs::path(dir_) / "charts";
  fs::create_directories(dir);
  const std::vector<std::string> range = {"--from", "2026-12-01", "--to", "2026-12-07"};
  auto chart = [&](const std::string &path) {
    std::vector<std::string> args = range;
    args.push_back("--chart");
    args.push_back(path);
    return Run(args);
  };
  struct Case {
    const char *name;
    std::function<bool(const fs::path &)> make;  // false: cannot be made here (skipped)
    std::function<bool(const fs::path &)> unchanged;
  };
  auto is_type = [](fs::file_type type) {
    return [type](const fs::path &p) { return fs::symlink_status(p).type() == type; };
  };
  const Case refused[] = {
      {"fifo", [](const fs::path &p) { return mkfifo(p.c_str(), 0644) == 0; },
       is_type(fs::file_type::fifo)},
      {"device",
       [](const fs::path &p) {
         return geteuid() == 0 && mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
       },
       is_type(fs::file_type::character)},
      {"link to a file",
       [&](const fs::path &p) {
         write_file((dir / "target").string(), "kept");
         return symlink("target", p.c_str()) == 0;
       },
       [&](const fs::path &p) {
         return is_type(fs::file_type::symlink)(p) &&
                read_file((dir / "target").string()) == "kept";
       }},
      {"dangling link", [](const fs::path &p) { return symlink("nowhere", p.c_str()) == 0; },
       [&](const fs::path &p) {
         return is_type(fs::file_type::symlink)(p) && !fs::exists(dir / "nowhere");
       }},
  };
  for (const Case &c : refused) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / (std::string(c.name) + ".svg");
    if (!c.make(path)) continue;
    const ProcessResult result = chart(path.string());
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("alimora: cannot write the chart '" + path.string() + "': not a regular file\n",
              result.err);
    EXPECT_TRUE(c.unchanged(path));
    fs::remove(path);
    fs::remove(dir / "target");
  }
  EXPECT_TRUE(fs::is_empty(dir)) << "no temporary file is left";

  // A read-only file is refused as well and kept as it is, also for root.
  const fs::path read_only = dir / "read-only.svg";
  write_file(read_only.string(), "kept");
  ASSERT_EQ(0, chmod(read_only.c_str(), 0444));
  const ProcessResult refused_read_only = chart(read_only.string());
  EXPECT_EQ(1, refused_read_only.status);
  EXPECT_EQ("alimora: cannot write the chart '" + read_only.string() + "': Permission denied\n",
            refused_read_only.err);
  EXPECT_EQ("kept", read_file(read_only.string()));
  fs::remove(read_only);
  EXPECT_TRUE(fs::is_empty(dir)) << "no temporary file is left";

  // An existing private chart stays private.
  const fs::path private_chart = dir / "private.svg";
  write_file(private_chart.string(), "an older chart");
  ASSERT_EQ(0, chmod(private_chart.c_str(), 0600));
  EXPECT_EQ(0, chart(private_chart.string()).status);
  struct stat info;
  ASSERT_EQ(0, stat(private_chart.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777);
  EXPECT_EQ(0u, read_file(private_chart.string()).find("<?xml"));
  fs::remove(private_chart);

  // Names of 248 to 255 bytes.
  for (size_t length : {248u, 251u, 255u}) {
    const fs::path long_name = dir / (std::string(length - 4, 'c') + ".svg");
    const ProcessResult result = chart(long_name.string());
    EXPECT_EQ(0, result.status) << length << ": " << result.err;
    EXPECT_EQ(0u, read_file(long_name.string()).find("<?xml")) << length;
    fs::remove(long_name);
  }
  EXPECT_TRUE(fs::is_empty(dir)) << "no temporary file is left";

  // "-": the chart on standard output, and no file.
  const ProcessResult out = chart("-");
  EXPECT_EQ(0, out.status);
  EXPECT_EQ(0u, out.out.find("<?xml"));
  EXPECT_EQ(7, CountFrames(out.out, 120.0, 100.0));
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "-"));
  EXPECT_FALSE(fs::exists("-"));
  std::vector<std::string> both = range;
  for (const char *arg : {"--chart", "-", "--csv"}) both.push_back(arg);
  const ProcessResult clash = Run(both);
  EXPECT_EQ(2, clash.status);
  EXPECT_EQ("alimora: --chart - and --csv cannot both write to standard output\n", clash.err);
}

// The number of glyphs cairo drew into |svg|.
int GlyphCount(const std::string &svg) {
  int count = 0;
  for (size_t at = svg.find("href=\"#glyph"); at != std::string::npos;
       at = svg.find("href=\"#glyph", at + 1))
    ++count;
  return count;
}

// In a locale whose encoding is not UTF-8 the chart is drawn whole: the same glyphs as in
// that language's UTF-8 locale.
TEST_F(ReportRangeTest, ChartOfANonUtf8LocaleIsWhole) {
  struct Case {
    const char *language;
    const char *locale;
    const char *utf8_locale;
  };
  const Case cases[] = {{"de", "de_DE.ISO-8859-1", "de_DE.UTF-8"},
                        {"ja", "ja_JP.EUC-JP", "ja_JP.UTF-8"}};
  size_t tried = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.locale);
    if (!locale_installed(c.locale) || !locale_installed(c.utf8_locale)) continue;
    ++tried;
    int glyphs[2] = {0, 0};
    const char *locales[2] = {c.utf8_locale, c.locale};
    for (int i = 0; i < 2; ++i) {
      const ProcessResult result =
          run_process({exe_, "--from", "2026-12-01", "--to", "2026-12-07", "--chart", "-"},
                      {std::string("LANGUAGE=") + c.language, std::string("LC_ALL=") + locales[i],
                       "XDG_DATA_HOME=" + data_home_.string()});
      EXPECT_EQ(0, result.status) << locales[i] << ": " << result.err;
      EXPECT_EQ(7, CountFrames(result.out, 120.0, 100.0)) << locales[i];
      glyphs[i] = GlyphCount(result.out);
    }
    EXPECT_GT(glyphs[0], 300);
    EXPECT_EQ(glyphs[0], glyphs[1]);
  }
  if (tried == 0) GTEST_SKIP() << "neither de_DE.ISO-8859-1 nor ja_JP.EUC-JP is installed";
}

TEST_F(ReportTest, SuggestListsWhatFillsTheDayAsTextAndAsCsvInEveryLocale) {
  WriteLog(2400);
  const ProcessResult text = Run({"--suggest", "--date", "2026-12-06"});
  EXPECT_EQ(0, text.status);
  EXPECT_EQ("", text.err);
  EXPECT_EQ(0u, text.out.find("What is left on 12/06/26\n")) << text.out;
  // Vegetables 1.3 of 3.0 and protein 0.0 of 6.5 are left; dairy (3.6 of 3.0) is met.
  EXPECT_NE(std::string::npos, text.out.find("\n  Vegetables: 1.7 cup-eq\n")) << text.out;
  EXPECT_NE(std::string::npos, text.out.find("\n  Protein Foods: 6.5 oz-eq\n")) << text.out;
  EXPECT_EQ(std::string::npos, text.out.find("Dairy:")) << text.out;
  EXPECT_NE(std::string::npos, text.out.find("\nSuggestions:\n 1. ")) << text.out;
  EXPECT_NE(std::string::npos, text.out.find("\n10. ")) << text.out;

  for (const char *locale : {"LC_ALL=C", "LC_ALL=de_DE.UTF-8"}) {
    SCOPED_TRACE(locale);
    const ProcessResult csv = run_process(
        {exe_, "--suggest", "2026-12-06", "--csv", "--count", "4"},
        {"LANGUAGE", "LANG", locale, "XDG_DATA_HOME=" + data_home_.string()});
    EXPECT_EQ(0, csv.status);
    std::vector<std::string> lines;
    std::istringstream in(csv.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(5u, lines.size()) << csv.out;
    EXPECT_EQ("food_code,description,portion,grams,kcal,vegetables,fruits,grains,dairy,"
              "protein_foods,oils,adds\r",
              lines[0]);
    for (size_t i = 1; i < lines.size(); i++) {
      SCOPED_TRACE(lines[i]);
      // The numbers after the quoted texts: grams, kcal and the six groups, with ".".
      const size_t adds = lines[i].rfind(",\"");
      ASSERT_NE(std::string::npos, adds);
      std::vector<std::string> fields;
      std::string head = lines[i].substr(0, adds);
      for (size_t at; (at = head.rfind(',')) != std::string::npos && fields.size() < 8;
           head.erase(at))
        fields.insert(fields.begin(), head.substr(at + 1));
      ASSERT_EQ(8u, fields.size());
      for (const std::string &number : fields) {
        char *end = nullptr;
        std::strtod(number.c_str(), &end);
        EXPECT_EQ('\0', *end) << number;
        EXPECT_EQ(std::string::npos, number.find(',')) << number;
      }
      EXPECT_GT(std::strtod(fields[0].c_str(), nullptr), 0.0);  // grams
      EXPECT_LE(std::strtod(fields[1].c_str(), nullptr), 0.1 * 2400 + 2400);  // kcal
    }
  }
}

TEST_F(ReportRangeTest, BadRangeArgumentsGiveStatus2AndOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--from"},
      {"--to="},
      {"--chart"},
      {"--from", "2026-13-01"},
      {"--to", "yesterday"},
      {"--from", "2026-12-07", "--to", "2026-12-01"},
      {"--from", "9999-01-01"},
      {"2026-12-06", "--from", "2026-12-01"},
      {"--csv", "--help"},
      {"--version", "--csv"},
      {"--csvx"},
      {"--fromage", "2026-12-01"},
      {"--suggest", "--from", "2026-12-01"},
      {"--suggest", "--chart", "x.svg"},
      {"--suggest", "--nutrients"},
      {"--count", "5"},
      {"--suggest", "--count", "0"},
      {"--suggest", "--count", "101"},
      {"--suggest", "--count", "5x"},
      {"--suggest", "--count", "-3"},
      {"--suggest", "--count"},
      {"--suggest", "--date", "2026-13-01"},
      {"--suggest", "--date", "2026-12-06", "2026-12-07"},
      {"--suggest", "2026-12-06", "--date", "2026-12-07"},
  };
  for (const std::vector<std::string> &args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const ProcessResult result = Run(args);
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("", result.out);
    EXPECT_EQ(0u, result.err.rfind("alimora: ", 0)) << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
  }
  EXPECT_EQ("alimora: the start date 2026-12-07 is after the end date 2026-12-01\n",
            Run({"--from", "2026-12-07", "--to", "2026-12-01"}).err);
}

// The weight log as alimora-report --weights prints it: the table in the chosen unit and
// the CSV in kilograms, which reads back as the weights stored and their trend.
class ReportWeightsTest : public ReportRangeTest {
 protected:
  void SetUp() override {
    ReportRangeTest::SetUp();
    sqlite3 *db = log_db_open(log_path_.c_str());
    ASSERT_NE(nullptr, db);
    // 2026-11-28 to 2026-12-06, without 11-30 and 12-03.
    for (const auto &[date, kg] : std::vector<std::pair<const char *, double>>{
             {"2026-11-28", 82.0},
             {"2026-11-29", 81.0},
             {"2026-12-01", 83.0},
             {"2026-12-02", 80.5},
             {"2026-12-04", 81.2},
             {"2026-12-05", 80.0},
             {"2026-12-06", 79.9}})
      EXPECT_EQ(0, weight_log_set(db, date, kg, nullptr));
    log_db_close(db);
  }
};

// Splits CSV text of plain fields (no quotes) into records of fields.
std::vector<std::vector<std::string>> SplitCsv(const std::string &text) {
  std::vector<std::vector<std::string>> records;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    EXPECT_NE(std::string::npos, end) << "every record ends with CR LF";
    if (end == std::string::npos) break;
    std::vector<std::string> fields;
    const std::string line = text.substr(start, end - start);
    size_t from = 0;
    for (size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1)
      fields.push_back(line.substr(from, comma - from));
    fields.push_back(line.substr(from));
    records.push_back(fields);
    start = end + 2;
  }
  return records;
}

TEST_F(ReportWeightsTest, CsvRoundTripsTheWeightsAndTheirTrend) {
  const std::string csv = RunOk({"--weights", "--csv", "--from", "2026-11-28", "--to",
                                 "2026-12-07"});
  const auto records = SplitCsv(csv);
  ASSERT_EQ(11u, records.size()) << csv;
  EXPECT_EQ((std::vector<std::string>{"date", "weight_kg", "trend_kg"}), records[0]);
  // Each day of the range once; the weight as stored, empty without one; the trend by hand:
  // it starts at the first weight, moves a tenth of the way to each day's weight and stays
  // on a day without one (12-07 carries 12-06's on).
  const char *dates[] = {"2026-11-28", "2026-11-29", "2026-11-30", "2026-12-01", "2026-12-02",
                         "2026-12-03", "2026-12-04", "2026-12-05", "2026-12-06", "2026-12-07"};
  const char *weights[] = {"82", "81", "", "83", "80.5", "", "81.2", "80", "79.9", ""};
  const double trends[] = {82.0,   81.9,   81.9,    82.01,    81.859,
                           81.859, 81.7931, 81.61379, 81.442411, 81.442411};
  for (size_t i = 0; i < 10; ++i) {
    const std::vector<std::string> &record = records[i + 1];
    ASSERT_EQ(3u, record.size()) << i;
    EXPECT_EQ(dates[i], record[0]);
    EXPECT_EQ(weights[i], record[1]) << dates[i];
    EXPECT_NEAR(trends[i], g_ascii_strtod(record[2].c_str(), nullptr), 5e-4) << dates[i];
  }
  // The same in German: the CSV keeps its points and commas.
  const ProcessResult german =
      run_process({exe_, "--weights", "--csv", "--from=2026-11-28", "--to=2026-12-07"},
                  {"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "XDG_DATA_HOME=" + data_home_.string()});
  EXPECT_EQ(0, german.status);
  EXPECT_EQ(csv, german.out);
  // A range that begins later starts from the trend of that day, not from its weight.
  const auto later = SplitCsv(RunOk({"--weights", "--csv", "--from", "2026-12-05", "--to",
                                     "2026-12-05"}));
  ASSERT_EQ(2u, later.size());
  EXPECT_NEAR(81.61379, g_ascii_strtod(later[1][2].c_str(), nullptr), 5e-4);
  // Before the first weight there is nothing to print.
  EXPECT_EQ("date,weight_kg,trend_kg\r\n",
            RunOk({"--weights", "--csv", "--from", "2026-11-01", "--to", "2026-11-27"}));
}

TEST_F(ReportWeightsTest, TableIsInTheChosenUnitAndTheEntriesCsvGainsTheWeight) {
  EXPECT_EQ("Weights from 12/04/26 to 12/06/26 (kg)\n"
            "\n"
            "Date         Weight      Trend\n"
            "12/04/26       81.2       81.8\n"
            "12/05/26       80.0       81.6\n"
            "12/06/26       79.9       81.4\n",
            RunOk({"--weights", "--from", "2026-12-04", "--to", "2026-12-06"}));
  EXPECT_EQ("No weights logged in this range.\n",
            RunOk({"--weights", "--to", "2026-11-01"}));
  sqlite3 *db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, db);
  ASSERT_EQ(0, weight_unit_save(db, 1));
  log_db_close(db);
  EXPECT_NE(std::string::npos,
            RunOk({"--weights", "2026-12-06"}).find("12/06/26      176.1      179.5\n"));

  // The entries' CSV: the weight of each entry's day, and a record for a day weighed
  // without entries.
  const std::string entries = RunOk({"--csv", "--from", "2026-12-03", "--to", "2026-12-05"});
  EXPECT_EQ(0u, entries.find("date,food_code,description,servings,grams,vegetables_cup_eq,"
                             "fruits_cup_eq,grains_oz_eq,dairy_cup_eq,protein_foods_oz_eq,"
                             "oils_g,energy_kcal,weight_kg\r\n"))
      << entries;
  EXPECT_NE(std::string::npos, entries.find("\r\n2026-12-04,11111000,\"Milk, whole\",7.3,730,0,0,"
                                            "0,2.993,0,0,438,81.2\r\n"))
      << entries;
  EXPECT_NE(std::string::npos, entries.find("\r\n2026-12-05,63101000,\"Apple, raw\",10,1000,0,"
                                            "9.1,0,0,0,0,520,80\r\n"))
      << entries;
  EXPECT_EQ(std::string::npos, entries.find("2026-12-03")) << "no weight, no entries";

  // --weights goes with a range, not with a chart, the nutrients or the suggestions.
  for (const char *other : {"--nutrients", "--chart=x.svg", "--suggest"}) {
    const ProcessResult result = Run({"--weights", other});
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("alimora: --weights cannot be given with --chart, --nutrients or --suggest\n",
              result.err);
  }
}
