// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: food_search with the input as the search text, on a small foods table
// to which the same text is added as a description for the run.
//
// The text found must be among the hits (a text always matches itself as a LIKE pattern),
// there are never more than 100, they come in byte order, and a plain text of letters,
// digits, blanks and commas is contained in every description found, apart from case.
#include <sqlite3.h>
#include <strings.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fooddb/food-db.h"

namespace {

sqlite3 *db = nullptr;
sqlite3_stmt *add_food = nullptr;
sqlite3_stmt *remove_food = nullptr;

const char *const kDescriptions[] = {
    "Apple, raw",
    "Pineapple, raw",
    "Milk, whole",
    "Milk, 2% fat",
    "Joe's \"best\" pie",
    "C:\\path\\to\\food",
    "snake_case food",
    "100% juice",
    "Crème brûlée",
    "Süßkartoffel, gekocht",
    "Tofu 豆腐",
    "Bad bytes \xff\xfe",
    "",
    "Bread, white",
    "Bread, whole-wheat",
};

bool plain(const std::string &text) {
  for (unsigned char c : text)
    if (!isalnum(c) && c != ' ' && c != ',') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  if (sqlite3_open(":memory:", &db) != SQLITE_OK ||
      sqlite3_exec(db, "CREATE TABLE foods (\"Food code\" INTEGER, \"Main food description\" TEXT)",
                   nullptr, nullptr, nullptr) != SQLITE_OK)
    __builtin_trap();
  int code = 1;
  for (const char *description : kDescriptions) {
    std::string sql = "INSERT INTO foods VALUES (" + std::to_string(code++) + ", ?1)";
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) __builtin_trap();
    sqlite3_bind_text(stmt, 1, description, -1, SQLITE_STATIC);
    if (sqlite3_step(stmt) != SQLITE_DONE) __builtin_trap();
    sqlite3_finalize(stmt);
  }
  if (sqlite3_prepare_v2(db, "INSERT INTO foods VALUES (-1, ?1)", -1, &add_food, nullptr) !=
          SQLITE_OK ||
      sqlite3_prepare_v2(db, "DELETE FROM foods WHERE \"Food code\" = -1", -1, &remove_food,
                         nullptr) != SQLITE_OK)
    __builtin_trap();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The text ends at the first zero byte, as a C string does.
  const std::string text(reinterpret_cast<const char *>(data),
                         strnlen(reinterpret_cast<const char *>(data), size));

  sqlite3_bind_text(add_food, 1, text.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(add_food) != SQLITE_DONE) __builtin_trap();
  sqlite3_reset(add_food);

  FoodHitList hits;
  const int result = food_search(db, text.c_str(), &hits);
  // SQLite refuses LIKE patterns above 50000 bytes; anything shorter must work.
  if (result != 0) {
    if (text.size() + 2 <= 50000 || hits.items || hits.count) __builtin_trap();
  } else {
    if (hits.count > 100 || hits.count > hits.capacity) __builtin_trap();
    bool found_itself = false;
    for (size_t i = 0; i < hits.count; ++i) {
      const char *description = hits.items[i].description;
      if (!description) __builtin_trap();
      if (i > 0 && strcmp(hits.items[i - 1].description, description) > 0) __builtin_trap();
      if (hits.items[i].food_code == -1) found_itself = found_itself || text == description;
      if (plain(text) && !strcasestr(description, text.c_str())) __builtin_trap();
    }
    if (!found_itself) __builtin_trap();
  }
  food_hit_list_free(&hits);
  food_hit_list_free(&hits);

  if (sqlite3_step(remove_food) != SQLITE_DONE) __builtin_trap();
  sqlite3_reset(remove_food);
  return 0;
}
