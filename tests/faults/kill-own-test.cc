// SPDX-License-Identifier: GPL-3.0-or-later
// No half-written meal, no half import: a process logging a meal of ten foods, and
// alimora-foods importing a file of hundreds, are killed (SIGKILL) at random moments, again
// and again; the log then holds whole meals only, the whole file or nothing of it, and is
// sound.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>

#include "fault-fixture.h"

namespace {

// What the log at |path| holds, as another reader sees it: the integrity check's verdict
// and the single number |sql| gives (-1 when it cannot be read).
struct Seen {
  std::string integrity;
  long long number = -1;
};

Seen look(const std::string &path, const char *sql) {
  Seen seen;
  sqlite3 *db = nullptr;
  // Read-write, so that SQLite can roll back the journal the killed writer left.
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      seen.integrity = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      seen.number = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return seen;
}

// Starts |args| and kills it after |delay_ms|; returns whether it was still running.
bool kill_after(const std::vector<std::string> &args, const std::vector<std::string> &settings,
                int delay_ms) {
  const GPid pid = spawn_process(args, settings);
  if (pid <= 0) return false;
  g_usleep(static_cast<gulong>(delay_ms) * 1000);
  const bool running = kill(pid, SIGKILL) == 0;
  int status = 0;
  waitpid(pid, &status, 0);
  return running && WIFSIGNALED(status);
}

using KillOwnTest = FaultTest;

TEST_F(KillOwnTest, KilledWhileLoggingAMealLeavesWholeMealsOnly) {
  const std::string log = PathIn("log.db");
  const std::string writer = required_env("OWN_MEAL_WRITER_EXE");
  MakeDb(log, "CREATE TABLE food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER "
              "NOT NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT "
              "NULL DEFAULT 1.0)");
  GRand *random = g_rand_new_with_seed(20261208);
  int killed = 0;
  for (int round = 0; round < 25; round++) {
    if (kill_after({writer, log}, {}, g_rand_int_range(random, 5, 80))) killed++;
    const Seen seen = look(log, "SELECT count(*) FROM food_log");
    ASSERT_EQ("ok", seen.integrity) << "round " << round;
    ASSERT_GE(seen.number, 0) << "round " << round;
    EXPECT_EQ(0, seen.number % 10) << "round " << round << ": part of a meal";
  }
  g_rand_free(random);
  EXPECT_GT(killed, 20);
  EXPECT_GT(look(log, "SELECT count(*) FROM food_log").number, 0) << "no meal was ever logged";
  // Each meal's ten rows are in one run of ids, in the meal's order.
  EXPECT_EQ(0, look(log, "SELECT count(*) FROM food_log AS a JOIN food_log AS b ON b.id = "
                         "(SELECT min(id) FROM food_log WHERE id > a.id) WHERE b.food_code <> "
                         "11111000 + (a.food_code - 11111000 + 1) % 10")
                   .number);
}

TEST_F(KillOwnTest, KilledWhileImportingLeavesTheWholeFileOrNothing) {
  const std::string foods = required_env("ALIMORA_FOODS_EXE");
  // 300 foods and 60 recipes of five of them each.
  std::string text = R"({"format": "alimora-foods", "version": 1, "foods": [)";
  for (int i = 0; i < 300; i++)
    text += (i ? "," : "") + std::string("{\"name\": \"Food ") + std::to_string(i) +
            "\", \"serving_g\": 50, \"nutrients\": {\"energy_kcal\": 100, \"protein_g\": 3}}";
  text += R"(], "recipes": [)";
  for (int i = 0; i < 60; i++) {
    text += (i ? "," : "") + std::string("{\"name\": \"Recipe ") + std::to_string(i) +
            "\", \"portions\": 2, \"ingredients\": [";
    for (int j = 0; j < 5; j++)
      text += (j ? "," : "") + std::string("{\"name\": \"Food ") + std::to_string(i * 5 + j) +
              "\", \"grams\": 40}";
    text += "]}";
  }
  text += "]}";
  write_file(PathIn("foods.json"), text);

  // Left alone, the import completes; how long it takes here sets when the others are killed,
  // so that on a fast machine and a slow one some are killed before they end.
  const std::string home_done = PathIn("last");
  const gint64 started = g_get_monotonic_time();
  const ProcessResult done =
      run_process({foods, "import", PathIn("foods.json")}, {"XDG_DATA_HOME=" + home_done});
  const int took_ms = static_cast<int>((g_get_monotonic_time() - started) / 1000);
  EXPECT_EQ(0, done.status) << done.err;
  EXPECT_EQ(360, look(home_done + "/alimora/log.db", "SELECT count(*) FROM own_foods").number);

  GRand *random = g_rand_new_with_seed(1208);
  int whole = 0;
  int none = 0;
  for (int round = 0; round < 20; round++) {
    const std::string home = PathIn("home" + std::to_string(round));
    kill_after({foods, "import", PathIn("foods.json")}, {"XDG_DATA_HOME=" + home},
               g_rand_int_range(random, 1, std::max(2, took_ms * 11 / 10)));
    const std::string log = home + "/alimora/log.db";
    if (!g_file_test(log.c_str(), G_FILE_TEST_EXISTS)) {
      none++;
      continue;
    }
    const Seen seen = look(log, "SELECT count(*) FROM own_foods");
    // Killed before the log's tables were made, or after: nothing, or everything.
    if (!seen.integrity.empty()) {
      ASSERT_EQ("ok", seen.integrity) << "round " << round;
    }
    const long long proteins =
        look(log, "SELECT count(*) FROM own_food_nutrients WHERE nutrient = 'protein_g'").number;
    if (seen.number <= 0) {
      none++;
      EXPECT_LE(proteins, 0) << "round " << round;
    } else {
      whole++;
      EXPECT_EQ(360, seen.number) << "round " << round << ": a part imported";
      EXPECT_EQ(300, proteins) << "round " << round;
    }
  }
  EXPECT_GT(none, 0) << "every import ended before its kill: the test proves nothing";
  g_rand_free(random);
  EXPECT_EQ(20, whole + none);
}

}  // namespace
