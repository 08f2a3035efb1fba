// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time tool that turns the USDA FNDDS nutrient values, FPED food pattern equivalents
// and FNDDS portions and weights (CSV files) into the read-only reference food database food.db.
//
// Usage: build-food-db FNDDS.csv FPED.csv PORTIONS.csv OUT.db
//
// All files are read and checked completely before anything is written; the database is
// then built in a temporary file next to OUT.db in one transaction and renamed into place,
// so a failed run leaves any earlier OUT.db as it was.

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

const char kProgram[] = "build-food-db";

// Any reason to stop; the text is printed after the program name.
struct BuildError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One CSV field with the physical line (1-based) on which it starts.
struct CsvField {
  std::string text;
  long line;
};

// One CSV record with the physical line on which it starts.
struct CsvRecord {
  long line;
  std::vector<CsvField> fields;
};

std::string located(const std::string &path, long line, const std::string &what) {
  return path + ":" + std::to_string(line) + ": " + what;
}

std::string quoted(const std::string &text) { return "\"" + text + "\""; }

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BuildError(path + ": cannot open: " + std::strerror(errno));
  std::ostringstream contents;
  contents << in.rdbuf();
  if (in.bad()) throw BuildError(path + ": cannot read: " + std::strerror(errno));
  return contents.str();
}

// Splits RFC 4180 CSV text into records: fields separated by commas, records ended by CRLF,
// LF or CR, fields optionally enclosed in double quotes, a doubled quote inside a quoted field
// standing for one quote, and line breaks allowed inside quoted fields. Lines are counted as
// physical lines of the file so that messages point at the right place. Blank lines are
// skipped; a UTF-8 byte order mark at the start is ignored.
std::vector<CsvRecord> parse_csv(const std::string &path, const std::string &text) {
  std::vector<CsvRecord> records;
  const size_t n = text.size();
  size_t i = 0;
  long line = 1;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;

  // Consumes a line break at i (CRLF, LF or CR) if there is one.
  auto take_line_break = [&]() -> bool {
    if (i >= n) return false;
    if (text[i] == '\r') {
      i += (i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
    } else if (text[i] == '\n') {
      i += 1;
    } else {
      return false;
    }
    line++;
    return true;
  };

  while (i < n) {
    CsvRecord record{line, {}};
    bool blank = true;
    for (;;) {
      CsvField field{std::string(), line};
      if (i < n && text[i] == '"') {
        blank = false;
        const long opened = line;
        i++;
        for (;;) {
          if (i >= n) throw BuildError(located(path, opened, "quoted field is never closed"));
          if (text[i] == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              field.text += '"';
              i += 2;
              continue;
            }
            i++;
            break;
          }
          if (text[i] == '\r' || text[i] == '\n') {
            const size_t start = i;
            take_line_break();
            field.text.append(text, start, i - start);
            continue;
          }
          field.text += text[i++];
        }
        if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
          throw BuildError(located(path, line, "unexpected text after a closing quote"));
      } else {
        while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
          field.text += text[i++];
        if (!field.text.empty()) blank = false;
      }
      record.fields.push_back(std::move(field));
      if (i < n && text[i] == ',') {
        blank = false;
        i++;
        continue;
      }
      take_line_break();
      break;
    }
    if (!blank) records.push_back(std::move(record));
  }
  return records;
}

// Turns a published header cell into the column name used in the database: a line break,
// together with any blanks around it, becomes one blank, and the cell is trimmed.
std::string normalise_header(const std::string &cell) {
  std::string name;
  size_t i = 0;
  while (i < cell.size()) {
    const char c = cell[i];
    if (c == '\r' || c == '\n') {
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
      while (i < cell.size() &&
             (cell[i] == '\r' || cell[i] == '\n' || cell[i] == ' ' || cell[i] == '\t'))
        i++;
      name += ' ';
      continue;
    }
    name += c;
    i++;
  }
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = name.find_last_not_of(" \t");
  return name.substr(first, last - first + 1);
}

// Reads one or more digits at |*at| of |text|; false (|*at| unchanged) when there is none.
bool skip_digits(const std::string &text, size_t *at) {
  size_t end = *at;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') end++;
  if (end == *at) return false;
  *at = end;
  return true;
}

// Nutrient columns: fatty acids take the compact form "18:1(g)", "20:5 n-3(g)", which the
// program turns into display names; every other nutrient keeps its published name.
// A fatty-acid header reads DIGITS:DIGITS, optionally " n-DIGITS", an optional blank, "(g)".
std::string nutrient_column_name(const std::string &cell) {
  const std::string name = normalise_header(cell);
  size_t at = 0;
  if (!skip_digits(name, &at) || at >= name.size() || name[at] != ':') return name;
  at++;
  if (!skip_digits(name, &at)) return name;
  if (name.compare(at, 3, " n-") == 0) {
    size_t after = at + 3;
    if (skip_digits(name, &after)) at = after;
  }
  const std::string acid = name.substr(0, at);
  if (at < name.size() && name[at] == ' ') at++;
  if (name.compare(at, std::string::npos, "(g)") != 0) return name;
  return acid + "(g)";
}

void replace_all(std::string *text, const std::string &from, const std::string &to) {
  size_t at = 0;
  while ((at = text->find(from, at)) != std::string::npos) {
    text->replace(at, from.size(), to);
    at += to.size();
  }
}

// Food pattern columns: units written the way the program's queries spell them,
// "V_TOTAL (cup eq)", "G_TOTAL (oz eq)", "ADD_SUGARS (tsp eq)"; releases that already write
// them without periods are left as they are.
std::string equivalent_column_name(const std::string &cell) {
  std::string name = normalise_header(cell);
  replace_all(&name, "cup eq.", "cup eq");
  replace_all(&name, "oz. eq.", "oz eq");
  replace_all(&name, "tsp. eq.", "tsp eq");
  return name;
}

std::string trimmed(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// Reads a whole decimal number that fits a signed 32-bit integer.
bool parse_int32(const std::string &cell, int32_t *value) {
  const std::string text = trimmed(cell);
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); k++)
    if (text[k] < '0' || text[k] > '9') return false;
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || parsed < std::numeric_limits<int32_t>::min() ||
      parsed > std::numeric_limits<int32_t>::max())
    return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

// Reads a finite decimal number ("12", "-0.5", ".25", "1e-3"); nothing else is accepted
// (no hexadecimal, no "nan" or "inf", no trailing text).
bool parse_amount(const std::string &cell, double *value) {
  const std::string text = trimmed(cell);
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) i++;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') i++, digits++;
  if (i < text.size() && text[i] == '.') {
    i++;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') i++, digits++;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    i++;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) i++;
    size_t exponent_digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') i++, exponent_digits++;
    if (exponent_digits == 0) return false;
  }
  if (i != text.size()) return false;
  // The tool never calls setlocale, so strtod reads '.' as the decimal point.
  const double parsed = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

enum class ColumnType { kInteger, kText, kReal };

const char *type_name(ColumnType type) {
  switch (type) {
    case ColumnType::kInteger:
      return "INTEGER";
    case ColumnType::kText:
      return "TEXT";
    case ColumnType::kReal:
      return "REAL";
  }
  return "";
}

struct Column {
  std::string name;
  ColumnType type;
};

// One checked input file: its columns as they go into the database and its rows. Empty
// INTEGER and REAL cells are stored as NULL.
struct Table {
  std::string path;
  std::vector<Column> columns;
  std::vector<CsvRecord> rows;
  std::unordered_map<int32_t, long> line_of_code;  // food code -> line of its row
};

// Checks the header cells that the program relies on by position.
void expect_header(const Table &table, const CsvRecord &header, size_t index,
                   const std::string &name) {
  const std::string found = normalise_header(header.fields[index].text);
  if (found != name)
    throw BuildError(located(table.path, header.line,
                             "column " + std::to_string(index + 1) + " should be " + quoted(name) +
                                 ", found " + quoted(found)));
}

// Checks every row against the columns: field count, food code, numbers, duplicate codes.
void check_rows(Table *table) {
  const size_t width = table->columns.size();
  for (const CsvRecord &row : table->rows) {
    if (row.fields.size() != width)
      throw BuildError(located(table->path, row.line,
                               "row has " + std::to_string(row.fields.size()) +
                                   " fields, the header has " + std::to_string(width)));
    for (size_t c = 0; c < width; c++) {
      const CsvField &field = row.fields[c];
      const Column &column = table->columns[c];
      if (c == 0) {
        int32_t code = 0;
        if (!parse_int32(field.text, &code))
          throw BuildError(located(table->path, field.line,
                                   "food code " + quoted(field.text) + " is not a whole number"));
        const auto inserted = table->line_of_code.emplace(code, row.line);
        if (!inserted.second)
          throw BuildError(located(table->path, row.line,
                                   "duplicate food code " + std::to_string(code) +
                                       " (first on line " + std::to_string(inserted.first->second) +
                                       ")"));
        continue;
      }
      if (trimmed(field.text).empty()) continue;
      if (column.type == ColumnType::kInteger) {
        int32_t number = 0;
        if (!parse_int32(field.text, &number))
          throw BuildError(
              located(table->path, field.line,
                      quoted(column.name) + ": " + quoted(field.text) + " is not a whole number"));
      } else if (column.type == ColumnType::kReal) {
        double amount = 0.0;
        if (!parse_amount(field.text, &amount))
          throw BuildError(
              located(table->path, field.line,
                      quoted(column.name) + ": " + quoted(field.text) + " is not a number"));
      }
    }
  }
}

void check_unique_names(const Table &table, long header_line) {
  std::unordered_map<std::string, size_t> seen;
  for (size_t c = 0; c < table.columns.size(); c++) {
    const std::string &name = table.columns[c].name;
    if (name.empty())
      throw BuildError(
          located(table.path, header_line, "column " + std::to_string(c + 1) + " has no name"));
    if (!seen.emplace(name, c).second)
      throw BuildError(
          located(table.path, header_line, "column name " + quoted(name) + " appears twice"));
  }
}

std::vector<CsvRecord> read_records(const std::string &path, CsvRecord *header) {
  std::vector<CsvRecord> records = parse_csv(path, read_file(path));
  if (records.empty()) throw BuildError(path + ": empty file, no header row");
  *header = std::move(records.front());
  records.erase(records.begin());
  return records;
}

// FNDDS nutrient values: code, description, WWEIA category number and description, then one
// column per nutrient.
Table read_nutrient_file(const std::string &path) {
  Table table;
  table.path = path;
  CsvRecord header;
  table.rows = read_records(path, &header);
  if (header.fields.size() < 5)
    throw BuildError(located(path, header.line,
                             "expected the food code, description, two WWEIA category "
                             "columns and at least one nutrient, found " +
                                 std::to_string(header.fields.size()) + " columns"));
  expect_header(table, header, 0, "Food code");
  expect_header(table, header, 1, "Main food description");
  expect_header(table, header, 2, "WWEIA Category number");
  expect_header(table, header, 3, "WWEIA Category description");
  table.columns = {{"Food code", ColumnType::kInteger},
                   {"Main food description", ColumnType::kText},
                   {"WWEIA Category number", ColumnType::kInteger},
                   {"WWEIA Category description", ColumnType::kText}};
  for (size_t c = 4; c < header.fields.size(); c++)
    table.columns.push_back({nutrient_column_name(header.fields[c].text), ColumnType::kReal});
  check_unique_names(table, header.line);
  check_rows(&table);
  return table;
}

// FPED: code, description, then one column per food pattern component.
Table read_equivalent_file(const std::string &path) {
  Table table;
  table.path = path;
  CsvRecord header;
  table.rows = read_records(path, &header);
  if (header.fields.size() < 3)
    throw BuildError(located(path, header.line,
                             "expected FOODCODE, DESCRIPTION and the food pattern "
                             "components, found " +
                                 std::to_string(header.fields.size()) + " columns"));
  expect_header(table, header, 0, "FOODCODE");
  expect_header(table, header, 1, "DESCRIPTION");
  table.columns = {{"FOODCODE", ColumnType::kInteger}, {"DESCRIPTION", ColumnType::kText}};
  for (size_t c = 2; c < header.fields.size(); c++)
    table.columns.push_back({equivalent_column_name(header.fields[c].text), ColumnType::kReal});
  check_unique_names(table, header.line);
  // The program's budget reads these six; a file without one of them is of no use.
  static const char *const kNeeded[] = {"V_TOTAL (cup eq)", "F_TOTAL (cup eq)", "G_TOTAL (oz eq)",
                                        "D_TOTAL (cup eq)", "PF_TOTAL (oz eq)", "OILS (grams)"};
  for (const char *needed : kNeeded) {
    bool found = false;
    for (const Column &column : table.columns) found = found || column.name == needed;
    if (!found) throw BuildError(located(path, header.line, "no column " + quoted(needed)));
  }
  check_rows(&table);
  return table;
}

// Both files must describe the same foods.
void check_same_foods(const Table &nutrients, const Table &equivalents) {
  for (const CsvRecord &row : nutrients.rows) {
    int32_t code = 0;
    parse_int32(row.fields[0].text, &code);
    if (equivalents.line_of_code.count(code) == 0)
      throw BuildError(
          located(nutrients.path, row.line,
                  "food code " + std::to_string(code) + " has no row in " + equivalents.path));
  }
  for (const CsvRecord &row : equivalents.rows) {
    int32_t code = 0;
    parse_int32(row.fields[0].text, &code);
    if (nutrients.line_of_code.count(code) == 0)
      throw BuildError(
          located(equivalents.path, row.line,
                  "food code " + std::to_string(code) + " has no row in " + nutrients.path));
  }
}

// FNDDS portions and weights: the household measures of each food. Only the generic rows
// (empty subcode) with a real weight go into the database; "Quantity not specified" (the
// weight a survey assigns when no amount was given) and the "Guideline amount ..." rows are
// no amounts a person eats, and weights -9 and 0 mark portions without a weight.
struct Measure {
  int32_t food_code;
  int32_t seq_num;
  std::string description;
  double grams;
};

struct MeasureFile {
  std::string path;
  std::vector<Measure> kept;
};

MeasureFile read_measure_file(const std::string &path, const Table &nutrients) {
  MeasureFile file;
  file.path = path;
  Table table;  // for the header checks
  table.path = path;
  CsvRecord header;
  const std::vector<CsvRecord> rows = read_records(path, &header);
  static const char *const kColumns[] = {
      "Food code",          "Main food description",      "Subcode",
      "Subcode description", "WWEIA Category number",     "WWEIA Category description",
      "Seq num",            "Portion description",        "Portion weight (g)"};
  const size_t width = sizeof kColumns / sizeof kColumns[0];
  if (header.fields.size() != width)
    throw BuildError(located(path, header.line,
                             "expected the " + std::to_string(width) +
                                 " columns of the portions and weights, found " +
                                 std::to_string(header.fields.size())));
  for (size_t c = 0; c < width; c++) expect_header(table, header, c, kColumns[c]);

  std::unordered_map<std::string, long> line_of_measure;  // code, subcode, seq, text -> line
  for (const CsvRecord &row : rows) {
    if (row.fields.size() != width)
      throw BuildError(located(path, row.line,
                               "row has " + std::to_string(row.fields.size()) +
                                   " fields, the header has " + std::to_string(width)));
    const std::string &code_text = row.fields[0].text;
    const std::string subcode = trimmed(row.fields[2].text);
    const std::string &seq_text = row.fields[6].text;
    const std::string &description = row.fields[7].text;
    const std::string &weight_text = row.fields[8].text;
    Measure measure{0, 0, description, 0.0};
    if (!parse_int32(code_text, &measure.food_code))
      throw BuildError(
          located(path, row.line, "food code " + quoted(code_text) + " is not a whole number"));
    if (nutrients.line_of_code.count(measure.food_code) == 0)
      throw BuildError(located(path, row.line,
                               "food code " + std::to_string(measure.food_code) +
                                   " has no row in " + nutrients.path));
    int32_t number = 0;
    if (!subcode.empty() && !parse_int32(subcode, &number))
      throw BuildError(
          located(path, row.line, "subcode " + quoted(subcode) + " is not a whole number"));
    if (!parse_int32(seq_text, &measure.seq_num))
      throw BuildError(
          located(path, row.line, "\"Seq num\": " + quoted(seq_text) + " is not a whole number"));
    if (trimmed(description).empty())
      throw BuildError(located(path, row.line, "portion without a description"));
    if (!parse_amount(weight_text, &measure.grams) ||
        (measure.grams < 0.0 && measure.grams != -9.0))
      throw BuildError(located(path, row.line,
                               "\"Portion weight (g)\": " + quoted(weight_text) +
                                   " is not a weight in grams"));
    const std::string key = std::to_string(measure.food_code) + "|" + subcode + "|" +
                            std::to_string(measure.seq_num) + "|" + description;
    const auto inserted = line_of_measure.emplace(key, row.line);
    if (!inserted.second)
      throw BuildError(located(path, row.line,
                               "portion " + quoted(description) + " of food code " +
                                   std::to_string(measure.food_code) + " appears twice (first on line " +
                                   std::to_string(inserted.first->second) + ")"));

    if (!subcode.empty() || measure.grams <= 0.0) continue;
    if (description == "Quantity not specified" || description.rfind("Guideline amount", 0) == 0)
      continue;
    file.kept.push_back(std::move(measure));
  }
  return file;
}

std::string quote_identifier(const std::string &name) {
  std::string text = "\"";
  for (char c : name) {
    if (c == '"') text += '"';
    text += c;
  }
  return text + "\"";
}

// The database being written, removed again unless it is renamed into place.
class TempDatabase {
 public:
  explicit TempDatabase(const std::string &target) : target_(target) {
    std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
      throw BuildError(target +
                       ": cannot create a temporary file next to it: " + std::strerror(errno));
    path_ = name.data();
    // mkstemp makes the file private; the database is meant to be read by everyone.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      fail("cannot open");
  }

  ~TempDatabase() {
    if (db_ != nullptr) sqlite3_close(db_);
    if (!path_.empty()) {
      std::remove(path_.c_str());
      std::remove((path_ + "-journal").c_str());
    }
  }

  TempDatabase(const TempDatabase &) = delete;
  TempDatabase &operator=(const TempDatabase &) = delete;

  sqlite3 *db() const { return db_; }

  [[noreturn]] void fail(const std::string &what) const {
    throw BuildError(target_ + ": " + what + ": " +
                     (db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory"));
  }

  void exec(const std::string &sql) {
    char *message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message != nullptr ? message : "unknown error";
      sqlite3_free(message);
      throw BuildError(target_ + ": " + text + " (" + sql.substr(0, 60) + ")");
    }
  }

  // Closes the database and moves it into place.
  void commit() {
    const int rc = sqlite3_close(db_);
    db_ = nullptr;
    if (rc != SQLITE_OK) throw BuildError(target_ + ": cannot close the database");
    if (std::rename(path_.c_str(), target_.c_str()) != 0)
      throw BuildError(target_ + ": cannot rename " + path_ + " to it: " + std::strerror(errno));
    path_.clear();
  }

 private:
  std::string target_;
  std::string path_;
  sqlite3 *db_ = nullptr;
};

// Creates |name| with the given columns of |table| and an index on its first (code) column,
// and inserts one row per CSV row.
void write_table(TempDatabase *out, const std::string &name, const Table &table,
                 const std::vector<size_t> &columns) {
  std::string create = "CREATE TABLE " + quote_identifier(name) + " (";
  std::string insert = "INSERT INTO " + quote_identifier(name) + " VALUES (";
  for (size_t k = 0; k < columns.size(); k++) {
    const Column &column = table.columns[columns[k]];
    if (k > 0) {
      create += ", ";
      insert += ", ";
    }
    create += quote_identifier(column.name) + " " + type_name(column.type);
    insert += "?" + std::to_string(k + 1);
  }
  insert += ")";
  out->exec(create + ")");
  out->exec("CREATE INDEX " + quote_identifier(name + "_code") + " ON " + quote_identifier(name) +
            " (" + quote_identifier(table.columns[columns[0]].name) + ")");

  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(out->db(), insert.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
    out->fail("cannot prepare insert into " + name);
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
  for (const CsvRecord &row : table.rows) {
    for (size_t k = 0; k < columns.size(); k++) {
      const Column &column = table.columns[columns[k]];
      const std::string &text = row.fields[columns[k]].text;
      const int index = static_cast<int>(k + 1);
      int32_t number = 0;
      double amount = 0.0;
      if (column.type == ColumnType::kText) {
        sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
      } else if (column.type == ColumnType::kInteger && parse_int32(text, &number)) {
        sqlite3_bind_int(stmt, index, number);
      } else if (column.type == ColumnType::kReal && parse_amount(text, &amount)) {
        sqlite3_bind_double(stmt, index, amount);
      } else {
        sqlite3_bind_null(stmt, index);  // an empty cell; anything else was rejected
      }
    }
    if (sqlite3_step(stmt) != SQLITE_DONE) out->fail("cannot insert into " + name);
    sqlite3_reset(stmt);
  }
}

// Creates the measures table, indexed on the food code, with the kept portions in file order.
void write_measures(TempDatabase *out, const MeasureFile &measures) {
  out->exec(
      "CREATE TABLE measures (\"Food code\" INTEGER, \"Seq num\" INTEGER, "
      "\"Portion description\" TEXT, \"Portion weight (g)\" REAL)");
  out->exec("CREATE INDEX measures_code ON measures (\"Food code\")");
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(out->db(), "INSERT INTO measures VALUES (?1, ?2, ?3, ?4)", -1, &stmt,
                         nullptr) != SQLITE_OK)
    out->fail("cannot prepare insert into measures");
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
  for (const Measure &measure : measures.kept) {
    sqlite3_bind_int(stmt, 1, measure.food_code);
    sqlite3_bind_int(stmt, 2, measure.seq_num);
    sqlite3_bind_text(stmt, 3, measure.description.data(),
                      static_cast<int>(measure.description.size()), SQLITE_TRANSIENT);
    sqlite3_bind_double(stmt, 4, measure.grams);
    if (sqlite3_step(stmt) != SQLITE_DONE) out->fail("cannot insert into measures");
    sqlite3_reset(stmt);
  }
}

void build(const std::string &nutrient_path, const std::string &equivalent_path,
           const std::string &measure_path, const std::string &out_path) {
  const Table nutrients = read_nutrient_file(nutrient_path);
  const Table equivalents = read_equivalent_file(equivalent_path);
  check_same_foods(nutrients, equivalents);
  const MeasureFile measures = read_measure_file(measure_path, nutrients);

  TempDatabase out(out_path);
  out.exec("PRAGMA journal_mode = OFF");
  out.exec("PRAGMA synchronous = OFF");
  out.exec("BEGIN");
  std::vector<size_t> all_nutrient_columns;
  for (size_t c = 0; c < nutrients.columns.size(); c++) all_nutrient_columns.push_back(c);
  std::vector<size_t> all_equivalent_columns;
  for (size_t c = 0; c < equivalents.columns.size(); c++) all_equivalent_columns.push_back(c);
  write_table(&out, "foods", nutrients, {0, 1, 2, 3});
  write_table(&out, "nutrients", nutrients, all_nutrient_columns);
  write_table(&out, "points", equivalents, all_equivalent_columns);
  write_measures(&out, measures);
  out.exec("COMMIT");
  out.commit();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s FNDDS.csv FPED.csv PORTIONS.csv OUT.db\n", kProgram);
    return 2;
  }
  try {
    build(argv[1], argv[2], argv[3], argv[4]);
  } catch (const BuildError &error) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.what());
    return 1;
  } catch (const std::exception &error) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.what());
    return 1;
  }
  return 0;
}
