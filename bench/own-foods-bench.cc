// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the own foods on the real food database and a log holding 500 own foods and
// 100 recipes: logging a meal of ten foods (one transaction, synced), a recipe's values as
// its dialog works them out on each edit, the values of a day's entries with own foods
// among them (the bars and the Nutrients window), the same right after a change (the own
// foods are read again), every food's values as History and the report read them, and the
// suggestions of Fill the Day with the own foods among every other food.
//
// As in alimora-bench: single runs, 100 repetitions, mean, median, deviation and worst run.
#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fooddb/fill-foods.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "report/day-fill-read.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/own-foods.h"

namespace {

constexpr int kRuns = 100;
constexpr int kOwnFoods = 500;
constexpr int kRecipes = 100;
constexpr int kIngredients = 10;

// Foods of food.db that the recipes and meals use.
const int32_t kDbFoods[] = {11111000, 21500100, 75117020, 63101000, 57228000,
                            11112110, 51101000, 71000100, 74101000, 56205000};

using Clock = std::chrono::steady_clock;

double max_of(const std::vector<double> &values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

struct Bench {
  std::string dir;
  sqlite3 *food_db = nullptr;
  sqlite3 *log_db = nullptr;
  std::vector<OwnFood> foods;  // as stored, codes given
  OwnFood meal;
  std::vector<std::string> meal_descriptions;
  OwnFood recipe;              // of ten ingredients, five of them own
  LogEntryList day{nullptr, 0, 0};  // 30 entries, 10 of them own foods or recipes
};

Bench bench;

std::string food_db_path() {
  const char *root = g_getenv("ALIMORA_BUILD_ROOT");
  return std::string(root ? root : ".") + "/data/food.db";
}

OwnItem item(int32_t food_code, double grams) {
  OwnItem one;
  one.food_code = food_code;
  one.grams = grams;
  return one;
}

// 500 own foods from labels, 100 recipes of ten ingredients (food.db foods and own foods),
// imported in one transaction; a meal of ten foods; a day of 30 entries.
bool fill_log() {
  std::vector<OwnFood> file;
  for (int i = 0; i < kOwnFoods; i++) {
    OwnFood food;
    food.name = "Own food " + std::to_string(i);
    food.serving_g = 30 + i % 70;
    food.counts_like = kDbFoods[i % 10];
    for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source += 2) {
      food.values[source] = 1 + (i + source) % 7;
      food.known |= 1u << source;
    }
    food.values[SOURCE_ENERGY] = 50 + i % 200;
    file.push_back(food);
  }
  for (int r = 0; r < kRecipes; r++) {
    OwnFood recipe;
    recipe.kind = OWN_RECIPE;
    recipe.name = "Recipe " + std::to_string(r);
    recipe.portions = 4;
    for (int j = 0; j < kIngredients; j++)
      recipe.items.push_back(j % 2 ? item(kDbFoods[j], 50 + j)
                                   : item(-((r * 5 + j) % kOwnFoods) - 1, 40 + j));
    file.push_back(recipe);
  }
  OwnImport result;
  OwnFault fault;
  if (own_foods_import(bench.log_db, file, &result, &fault) != 0) {
    fprintf(stderr, "own-foods-bench: %s\n", fault.message.c_str());
    return false;
  }
  if (own_foods_load(bench.log_db, false, &bench.foods) != 0) return false;

  bench.meal.kind = OWN_MEAL;
  bench.meal.name = "Ten foods";
  for (int i = 0; i < 10; i++) {
    const int32_t code = i < 5 ? kDbFoods[i] : bench.foods[i * 37].food_code;
    bench.meal.items.push_back(item(code, 100 + i));
    bench.meal_descriptions.push_back("Food " + std::to_string(i));
  }
  // The recipe being edited: ten ingredients, five own, one of them a recipe.
  bench.recipe.kind = OWN_RECIPE;
  bench.recipe.name = "Being edited";
  bench.recipe.portions = 6;
  for (int j = 0; j < kIngredients; j++)
    bench.recipe.items.push_back(
        j % 2 ? item(kDbFoods[j], 100)
              : item(bench.foods[j == 0 ? kOwnFoods + 3 : j * 50].food_code, 80));

  for (int e = 0; e < 30; e++) {
    const int32_t code = e % 3 == 0 ? bench.foods[(e * 61) % (kOwnFoods + kRecipes)].food_code
                                    : kDbFoods[e % 10];
    if (log_entry_add(bench.log_db, code, "Entry", "2026-12-08", 1.5) != 0) return false;
  }
  // A profile, so that the suggestions weigh the nutrient goals too.
  Profile profile{const_cast<char *>("1986-05-01"), 165, 60, 1, 0, 2000};
  if (profile_save(bench.log_db, &profile) != 0) return false;
  return log_entries_for_date(bench.log_db, "2026-12-08", &bench.day) == 0;
}

bool open_databases() {
  char tmpl[] = "/tmp/own-foods-bench-XXXXXX";
  if (!g_mkdtemp(tmpl)) return false;
  bench.dir = tmpl;
  bench.food_db = food_db_open(food_db_path().c_str());
  bench.log_db = log_db_open((bench.dir + "/log.db").c_str());
  if (!bench.food_db || !bench.log_db) return false;
  food_db_use_log(bench.food_db, bench.log_db);
  return fill_log();
}

void close_databases() {
  log_entry_list_free(&bench.day);
  food_db_close(bench.food_db);
  log_db_close(bench.log_db);
  if (!bench.dir.empty()) {
    g_unlink((bench.dir + "/log.db").c_str());
    g_rmdir(bench.dir.c_str());
  }
}

benchmark::internal::Benchmark *single_runs(benchmark::internal::Benchmark *b) {
  const char *runs = g_getenv("ALIMORA_BENCH_RUNS");
  const int repetitions = runs ? atoi(runs) : kRuns;
  return b->Iterations(1)
      ->Repetitions(repetitions > 0 ? repetitions : kRuns)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->ComputeStatistics("max", max_of)
      ->ReportAggregatesOnly(true);
}

// Times |run| once per repetition.
template <typename Run>
void timed(benchmark::State &s, Run run) {
  for (auto _ : s) {
    const Clock::time_point start = Clock::now();
    const bool ok = run();
    s.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!ok) s.SkipWithError("failed");
  }
}

// Times |run| once per repetition, each right after |food| was saved with another energy, so
// that every run follows a change of the own foods.
template <typename Run>
void timed_after_change(benchmark::State &s, OwnFood food, Run run, const char *what) {
  int edit = 0;
  for (auto _ : s) {
    food.values[SOURCE_ENERGY] = 100 + edit++ % 50;
    OwnFault fault;
    if (own_food_save(bench.log_db, &food, &fault) != 0) s.SkipWithError("save");
    const Clock::time_point start = Clock::now();
    if (!run()) s.SkipWithError(what);
    s.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}

// The values of the day's 30 entries, as the bars and the Nutrients window ask for them.
bool day_values() {
  std::vector<int32_t> codes;
  for (size_t i = 0; i < bench.day.count; i++) codes.push_back(bench.day.items[i].food_code);
  std::vector<FoodValues> values(codes.size());
  NutrientDay day;
  nutrient_day_clear(&day);
  return food_values_for(bench.food_db, codes.data(), codes.size(), values.data()) == 0 &&
         nutrient_day_add_entries(bench.food_db, bench.day.items, bench.day.count, &day) == 0;
}

void register_benchmarks() {
  single_runs(benchmark::RegisterBenchmark("own_meal_log/10 foods", [](benchmark::State &s) {
    timed(s, [] {
      LogEntryList written{nullptr, 0, 0};
      const bool ok = own_meal_log(bench.log_db, bench.meal, bench.meal_descriptions,
                                   "2026-12-09", &written) == 0;
      log_entry_list_free(&written);
      return ok;
    });
  }));
  single_runs(benchmark::RegisterBenchmark(
      "own_food_values/recipe of 10 being edited", [](benchmark::State &s) {
        int edit = 0;
        timed(s, [&edit] {
          bench.recipe.items[edit % kIngredients].grams = 60 + edit % 50;  // a keystroke
          edit++;
          FoodNutrients nutrients;
          FoodValues values;
          return own_food_values(bench.food_db, bench.recipe, &nutrients, &values) == 0;
        });
      }));
  single_runs(benchmark::RegisterBenchmark(
      "day values/30 entries, 10 own (500 foods, 100 recipes)",
      [](benchmark::State &s) { timed(s, day_values); }));
  single_runs(benchmark::RegisterBenchmark(
      "day values/after a change (own foods read again)", [](benchmark::State &s) {
        timed_after_change(s, bench.foods[1], day_values, "values");
      }));
  single_runs(benchmark::RegisterBenchmark(
      "food_values_all/7083 foods and 600 own", [](benchmark::State &s) {
        timed(s, [] {
          FoodValuesList all{nullptr, 0, 0};
          const bool ok = food_values_all(bench.food_db, &all) == 0 && all.count > 7000;
          food_values_list_free(&all);
          return ok;
        });
      }));
  single_runs(benchmark::RegisterBenchmark(
      "food_values_all/7083 foods, no log joined", [](benchmark::State &s) {
        timed(s, [] {
          food_db_use_log(bench.food_db, nullptr);
          FoodValuesList all{nullptr, 0, 0};
          const bool ok = food_values_all(bench.food_db, &all) == 0 && all.count > 7000;
          food_values_list_free(&all);
          food_db_use_log(bench.food_db, bench.log_db);
          return ok;
        });
      }));
  single_runs(benchmark::RegisterBenchmark("food_values_of/food.db food, own log joined",
                                           [](benchmark::State &s) {
                                             timed(s, [] {
                                               FoodValues values;
                                               return food_values_of(bench.food_db, 11111000,
                                                                     &values) == 0;
                                             });
                                           }));

  // Fill the Day on the day after the one of 30 entries: nothing eaten yet, so every gap is
  // open and every food is scored; the entries of the days before count as recent uses.
  static FillFoodTable table;
  single_runs(benchmark::RegisterBenchmark("fill_foods_load/7083 foods and 600 own",
                                           [](benchmark::State &s) {
                                             timed(s, [] {
                                               return fill_foods_load(bench.food_db, &table) == 0;
                                             });
                                           }));
  // What every refresh of the open window does: read the day, score every food.
  auto suggest = [] {
    FillDay day;
    FillLeft left;
    std::vector<FillSuggestion> list;
    if (fill_day_read(bench.food_db, bench.log_db, "2026-12-10", 2000, &day, &table) != 0)
      return false;
    fill_day_suggest(&day, &table, kFillSuggestions, &left, &list);
    return list.size() == kFillSuggestions;
  };
  single_runs(benchmark::RegisterBenchmark(
      "fill the day/read and suggest, 600 own", [suggest](benchmark::State &s) {
        if (table.foods.empty() && fill_foods_load(bench.food_db, &table) != 0)
          s.SkipWithError("fill_foods_load");
        timed(s, suggest);
      }));
  single_runs(benchmark::RegisterBenchmark(
      "fill the day/read and suggest after a change", [suggest](benchmark::State &s) {
        if (table.foods.empty() && fill_foods_load(bench.food_db, &table) != 0)
          s.SkipWithError("fill_foods_load");
        timed_after_change(s, bench.foods[2], suggest, "suggest");
      }));
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!open_databases()) {
    fprintf(stderr, "own-foods-bench: cannot make the databases\n");
    close_databases();
    return 1;
  }
  register_benchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  close_databases();
  return 0;
}
