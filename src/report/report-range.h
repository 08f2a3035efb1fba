// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report over a range of days: the summary of the days with entries, the CSV export
// of the entries and the SVG chart of the six food groups.
#pragma once

#include <cstdint>
#include <vector>

#include "budget/date-string.h"
#include "budget/food-groups.h"

struct sqlite3;

// What to report over a range of days.
struct RangeRequest {
  const char *from;        // first day "YYYY-MM-DD", or null for the first logged day
  const char *to;          // last day "YYYY-MM-DD"
  bool csv;                // the entries as CSV on standard output instead of the summary
  const char *chart_path;  // the SVG chart to write (then no summary), or null
};

// One day that has entries: the sums of its entries' food-group amounts.
struct RangeDay {
  char date[DATE_STRING_SIZE];
  uint32_t day_number;  // days since 1 January of the year 1 (that day is 1)
  double amounts[FOOD_GROUP_COUNT];
};

// The days of a range and the budget they are compared with.
struct RangeSummary {
  char from[DATE_STRING_SIZE];  // the first day of the range
  char to[DATE_STRING_SIZE];    // the last day of the range
  uint32_t from_number;         // day numbers of the two, as in RangeDay
  uint32_t to_number;
  FoodGroupAmounts budget;
  std::vector<RangeDay> days;  // the days with entries, in date order
};

// Reports the range as |request| asks, reading |log_db| (null: no log yet) and |food_db|.
// Returns the exit status: 0, or 1 after printing why.
int report_range(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                 const RangeRequest *request);

// The day number of |date| when it is a "YYYY-MM-DD" calendar date, else 0.
uint32_t date_day_number(const char *date);

// Writes |number| with at most four decimals, "." as the decimal point and no trailing
// zeros, whatever the locale, into |out| (32 bytes); returns |out|.
char *format_plain_number(double number, char *out);

// Writes the chart of |summary| to |path| by way of a temporary file beside it, which is
// renamed into place once complete. Returns false after printing why; no file is left.
bool chart_write_svg(const RangeSummary *summary, const char *path);
