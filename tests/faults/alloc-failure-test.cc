// SPDX-License-Identifier: GPL-3.0-or-later
// Memory exhaustion in the list queries of the log store and the food database: each
// allocation of a successful call is made to fail in turn, and the call must report it
// once, hand back an empty list and leave no block behind.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>

#include "alloc-fault.h"
#include "fault-fixture.h"
#include "fooddb/food-db.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

const char kMemoryExhausted[] = "alimora: memory exhausted\n";

// What one run of a query under the allocation counter gave.
struct Run {
  int result = 0;
  unsigned long calls = 0;  // allocation calls made
  size_t live = 0;          // blocks still allocated afterwards
  std::string err;          // what it wrote to standard error
};

// Runs |query| on a list that holds a stale item (which must be overwritten, not freed)
// with the |fail_at|-th allocation failing (0: none). After a success the list is checked
// by |inspect| and freed within the counted run, so |live| counts what the query leaked.
template <typename List, typename Item, typename Query, typename Inspect, typename Free>
Run RunCounted(unsigned long fail_at, Query query, Inspect inspect, Free free_list) {
  Item stale{};
  List list{&stale, 1, 1};
  Run run;
  testing::internal::CaptureStderr();
  alloc_fault::arm(fail_at);
  run.result = query(&list);
  const bool emptied = list.items == nullptr && list.count == 0 && list.capacity == 0;
  if (run.result == 0) inspect(list);
  free_list(&list);
  run.calls = alloc_fault::disarm();
  run.live = alloc_fault::live_blocks();
  run.err = testing::internal::GetCapturedStderr();
  if (run.result != 0) {
    EXPECT_TRUE(emptied) << "a failed query hands back an empty list";
  }
  free_list(&list);  // a second free is harmless
  return run;
}

// Counts the allocations of a successful |query| (which must be |expected_calls|), then
// fails each of them in turn.
template <typename List, typename Item, typename Query, typename Inspect, typename Free>
void SweepAllocations(unsigned long expected_calls, Query query, Inspect inspect, Free free_list) {
  const Run ok = RunCounted<List, Item>(0, query, inspect, free_list);
  ASSERT_EQ(0, ok.result) << ok.err;
  EXPECT_EQ("", ok.err);
  EXPECT_EQ(0u, ok.live) << "the list's free operation releases every block";
  ASSERT_EQ(expected_calls, ok.calls);

  for (unsigned long n = 1; n <= ok.calls; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(ok.calls) + " fails");
    const Run failed = RunCounted<List, Item>(
        n, query, [](const List &) {}, free_list);
    EXPECT_EQ(-1, failed.result);
    EXPECT_EQ(kMemoryExhausted, failed.err);
    EXPECT_EQ(0u, failed.live) << "everything gathered is freed";
  }
}

class AllocFailureTest : public FaultTest {
 protected:
  void SetUp() override {
    FaultTest::SetUp();
    log_ = log_db_open(PathIn("log.db").c_str());
    ASSERT_NE(nullptr, log_);
  }
  void TearDown() override {
    log_db_close(log_);
    food_db_close(food_);
    FaultTest::TearDown();
  }

  sqlite3 *log_ = nullptr;
  sqlite3 *food_ = nullptr;
};

TEST_F(AllocFailureTest, EntriesOfADateSurviveEveryFailedAllocation) {
  // 33 entries: the array grows twice (32, then 64) and each entry copies two strings.
  const int kEntries = 33;
  for (int i = 0; i < kEntries; ++i) {
    const std::string description = "Food number " + std::to_string(i);
    ASSERT_EQ(0, log_entry_add(log_, 1000 + i, description.c_str(), "2026-12-06", 1.5));
  }
  ASSERT_EQ(0, log_entry_add(log_, 1, "another day", "2026-12-07", 1.0));

  SweepAllocations<LogEntryList, LogEntry>(
      2 + 2 * kEntries,
      [this](LogEntryList *out) { return log_entries_for_date(log_, "2026-12-06", out); },
      [&](const LogEntryList &list) {
        ASSERT_EQ(static_cast<size_t>(kEntries), list.count);
        EXPECT_EQ(64u, list.capacity);
        EXPECT_STREQ("Food number 32", list.items[32].description);
        EXPECT_STREQ("2026-12-06", list.items[32].date);
      },
      log_entry_list_free);
}

TEST_F(AllocFailureTest, LoggedDatesSurviveEveryFailedAllocation) {
  const int kDates = 33;
  for (int i = 0; i < kDates; ++i) {
    char date[16];
    snprintf(date, sizeof date, "2026-%02d-%02d", 1 + i / 28, 1 + i % 28);
    ASSERT_EQ(0, log_entry_add(log_, 1, "x", date, 1.0));
    ASSERT_EQ(0, log_entry_add(log_, 2, "y", date, 1.0));
  }

  SweepAllocations<DateList, char *>(
      2 + kDates, [this](DateList *out) { return log_dates(log_, out); },
      [&](const DateList &list) {
        ASSERT_EQ(static_cast<size_t>(kDates), list.count);
        EXPECT_EQ(64u, list.capacity);
        EXPECT_STREQ("2026-01-01", list.items[0]);
        EXPECT_STREQ("2026-02-05", list.items[kDates - 1]);
      },
      date_list_free);
}

TEST_F(AllocFailureTest, FoodSearchSurvivesEveryFailedAllocation) {
  // 70 matching foods: the pattern, two growths of the array (64, then 128), a copy each.
  const int kFoods = 70;
  std::string sql =
      "CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT);"
      "INSERT INTO foods VALUES (1, 'Unrelated'), (2, NULL);";
  for (int i = 0; i < kFoods; ++i)
    sql += "INSERT INTO foods VALUES (" + std::to_string(100 + i) + ", 'Test food " +
           std::to_string(1000 + i) + "');";
  ASSERT_NO_FATAL_FAILURE(MakeDb(PathIn("food.db"), sql));
  food_ = food_db_open(PathIn("food.db").c_str());
  ASSERT_NE(nullptr, food_);

  SweepAllocations<FoodHitList, FoodHit>(
      1 + 2 + kFoods, [this](FoodHitList *out) { return food_search(food_, "test FOOD", out); },
      [&](const FoodHitList &list) {
        ASSERT_EQ(static_cast<size_t>(kFoods), list.count);
        EXPECT_EQ(128u, list.capacity);
        EXPECT_EQ(169, list.items[kFoods - 1].food_code);
        EXPECT_STREQ("Test food 1069", list.items[kFoods - 1].description);
      },
      food_hit_list_free);
}

TEST_F(AllocFailureTest, FoodNutrientsSurviveEveryFailedAllocation) {
  food_ = food_db_open(built_food_db_path().c_str());
  ASSERT_NE(nullptr, food_);
  // Whole milk: every nutrient column needs a working copy of its name and the item's
  // copy, each fatty-acid column one more for its display name, and the list grows from
  // 64 to 128 items.
  NutrientList probe;
  ASSERT_EQ(0, food_nutrients(food_, 11111000, &probe));
  const size_t nutrients = probe.count;
  size_t fatty_acids = 0;
  for (size_t i = 0; i < probe.count; ++i)
    if (strchr(probe.items[i].name, ':') && strstr(probe.items[i].name, ") (g)")) ++fatty_acids;
  nutrient_list_free(&probe);
  ASSERT_LT(64u, nutrients);
  ASSERT_EQ(19u, fatty_acids);

  SweepAllocations<NutrientList, NutrientValue>(
      2 * nutrients + fatty_acids + 2,
      [this](NutrientList *out) { return food_nutrients(food_, 11111000, out); },
      [&](const NutrientList &list) {
        ASSERT_EQ(nutrients, list.count);
        EXPECT_EQ(128u, list.capacity);
        EXPECT_STREQ("Energy (kcal)", list.items[0].name);
      },
      nutrient_list_free);
}

TEST_F(AllocFailureTest, FoodNutrientsWithLineFeedsAndFattyAcidNamesOnASmallTable) {
  ASSERT_NO_FATAL_FAILURE(
      MakeDb(PathIn("food.db"),
             "CREATE TABLE nutrients (\"Food code\" INTEGER, a, b, c, \"Energy\n(kcal)\" REAL, "
             "\"18:1\n(g)\" REAL, \"\n\" REAL);"
             "INSERT INTO nutrients VALUES (7, 'x', 1, 'y', 60, 0.5, 1);"));
  food_ = food_db_open(PathIn("food.db").c_str());
  ASSERT_NE(nullptr, food_);
  SweepAllocations<NutrientList, NutrientValue>(
      3 + 1 + 1 + 3, [this](NutrientList *out) { return food_nutrients(food_, 7, out); },
      [&](const NutrientList &list) {
        ASSERT_EQ(3u, list.count);
        EXPECT_STREQ("Energy(kcal)", list.items[0].name);
        EXPECT_STREQ("Octadecenoic acid (18:1) (g)", list.items[1].name);
        EXPECT_STREQ("", list.items[2].name);
      },
      nutrient_list_free);
}

TEST_F(AllocFailureTest, ProfileWhoseBirthDateCannotBeCopiedLoadsAsIncomplete) {
  char bdate[] = "1980-02-29";
  Profile stored{bdate, 180.0, 80.0, 2, 1, 2600};
  ASSERT_EQ(0, profile_save(log_, &stored));

  Profile loaded;
  testing::internal::CaptureStderr();
  alloc_fault::arm(1);
  const int result = profile_load(log_, &loaded);
  const unsigned long calls = alloc_fault::disarm();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1u, calls);
  EXPECT_EQ(0, result);
  EXPECT_EQ("", err) << "a lost birth date copy is not reported";
  EXPECT_EQ(nullptr, loaded.bdate);
  EXPECT_EQ(180.0, loaded.height_cm);
  EXPECT_EQ(80.0, loaded.weight_kg);
  EXPECT_EQ(2, loaded.activity_level);
  EXPECT_EQ(1, loaded.gender);
  EXPECT_EQ(2600, loaded.calorie_target);
  EXPECT_FALSE(profile_is_complete(result, &loaded));
  EXPECT_EQ(0u, alloc_fault::live_blocks());
  profile_clear(&loaded);
}

TEST_F(AllocFailureTest, WritesAndEquivalentsAllocateNothingOfTheirOwn) {
  food_ = food_db_open(built_food_db_path().c_str());
  ASSERT_NE(nullptr, food_);
  char bdate[] = "1980-02-29";
  Profile profile{bdate, 180.0, 80.0, 2, 1, 2600};
  FoodGroupAmounts amounts;

  // Every allocation of our own code fails; none is made, so all of these succeed.
  alloc_fault::arm(1);
  EXPECT_EQ(0, log_entry_add(log_, 11111000, "Milk, whole", "2026-12-06", 1.0));
  EXPECT_EQ(0, log_entry_update(log_, 1, "2026-12-07", 2.0));
  EXPECT_EQ(0, profile_save(log_, &profile));
  EXPECT_EQ(0, food_equivalents(food_, 11111000, &amounts));
  EXPECT_EQ(0, log_entry_delete(log_, 1));
  EXPECT_EQ(0u, alloc_fault::disarm());
}

}  // namespace
