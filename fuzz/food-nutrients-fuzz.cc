// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: food_nutrients on a nutrients table whose column names and values come
// from the input.
//
// Input: byte 0 picks the number of columns after "Food code" (0..15); then one name per
// column, each ended by a zero byte; then, per column, a type byte (NULL, integer, real,
// text, blob) and the value's bytes: 8 for numbers, a length byte and that many for text
// and blobs. Missing bytes read as zeros.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fooddb/food-db.h"

namespace {

// Reads the input front to back; past its end every byte is 0.
class Reader {
 public:
  Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::string until_zero() {
    std::string text;
    while (pos_ < size_ && data_[pos_] != 0) text += static_cast<char>(data_[pos_++]);
    if (pos_ < size_) ++pos_;
    return text;
  }
  std::string bytes(size_t count) {
    std::string text;
    while (count-- > 0) text += static_cast<char>(byte());
    return text;
  }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t pos_ = 0;
};

std::string quoted(const std::string &name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The name food_nutrients shows for a column: line feeds removed.
std::string without_line_feeds(const std::string &name) {
  std::string out;
  for (char c : name)
    if (c != '\n') out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Reader in(data, size);
  const int columns = in.byte() % 16;
  std::vector<std::string> names;
  for (int i = 0; i < columns; ++i) names.push_back(in.until_zero());

  sqlite3 *db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) __builtin_trap();
  std::string create = "CREATE TABLE nutrients (\"Food code\" INTEGER";
  std::string insert = "INSERT INTO nutrients VALUES (?1";
  for (int i = 0; i < columns; ++i) {
    create += ", " + quoted(names[i]);
    insert += ", ?" + std::to_string(i + 2);
  }
  create += ")";
  insert += ")";
  sqlite3_stmt *stmt = nullptr;
  // Names SQLite refuses (duplicates, say) make no table: nothing to test.
  if (sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db, insert.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return 0;
  }
  sqlite3_bind_int(stmt, 1, 7);
  for (int i = 0; i < columns; ++i) {
    const int parameter = i + 2;
    switch (in.byte() % 5) {
      case 0:
        sqlite3_bind_null(stmt, parameter);
        break;
      case 1: {
        int64_t value;
        const std::string raw = in.bytes(sizeof value);
        memcpy(&value, raw.data(), sizeof value);
        sqlite3_bind_int64(stmt, parameter, value);
        break;
      }
      case 2: {
        double value;
        const std::string raw = in.bytes(sizeof value);
        memcpy(&value, raw.data(), sizeof value);
        sqlite3_bind_double(stmt, parameter, value);
        break;
      }
      case 3: {
        const std::string text = in.bytes(in.byte());
        sqlite3_bind_text(stmt, parameter, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        break;
      }
      default: {
        const std::string blob = in.bytes(in.byte());
        sqlite3_bind_blob(stmt, parameter, blob.data(), static_cast<int>(blob.size()),
                          SQLITE_TRANSIENT);
        break;
      }
    }
  }
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) __builtin_trap();

  NutrientList list;
  if (food_nutrients(db, 7, &list) != 0) __builtin_trap();
  // The fifth column on is one nutrient each, in column order, never with a line feed.
  const size_t expected = columns >= 4 ? static_cast<size_t>(columns - 3) : 0;
  if (list.count != expected || list.count > list.capacity) __builtin_trap();
  if (list.count == 0 && list.items != nullptr) __builtin_trap();
  for (size_t i = 0; i < list.count; ++i) {
    const char *name = list.items[i].name;
    if (!name || strchr(name, '\n')) __builtin_trap();
    const std::string column = without_line_feeds(names[i + 3]);
    // A name is shown as it is, unless it is a fatty-acid column given a readable name.
    if (column != name && !strstr(name, ") (g)")) __builtin_trap();
  }
  nutrient_list_free(&list);
  if (list.items || list.count || list.capacity) __builtin_trap();
  nutrient_list_free(&list);

  // Another food has no row: no nutrients.
  if (food_nutrients(db, 8, &list) != 0 || list.count != 0 || list.items) __builtin_trap();
  sqlite3_close(db);
  return 0;
}
