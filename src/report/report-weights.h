// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log over a range of days, as alimora-report --weights prints it and as the
// History window shows it: each day's weight and trend.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "budget/weight-trend.h"

struct sqlite3;

// Writes the date string of the day number |day| (date_day_number's numbering) into |out|
// (DATE_STRING_SIZE bytes).
void date_of_day_number(uint32_t day, char *out);

// The trend of each day from |from| (null: the first weight) to |to| (null: the last
// weight), both "YYYY-MM-DD": every weight of the log up to |to| counts, so that the trend
// of the first day shown is what it was on that day. Days before the first weight are left
// out. |log_db| null (no log yet) has no weights. Returns 0, or -1 with |out| empty after
// printing why.
int weight_trend_read(sqlite3 *log_db, const char *from, const char *to,
                      std::vector<TrendDay> *out);

// Writes |days| as CSV: the header record "date,weight_kg,trend_kg", then one record a day,
// the weight empty on a day without one, plain numbers whatever the locale, lines ending in
// CR LF. Returns false when a write failed.
bool weight_csv_write(const std::vector<TrendDay> &days, FILE *out);

struct RangeSummary;

// Fills the weights of |summary| (weight_trend_read over its range) and their unit, the one
// chosen in the profile dialog. Returns 0, or -1 with no weights after printing why.
int range_summary_read_weights(sqlite3 *log_db, RangeSummary *summary);

// What alimora-report --weights prints.
struct WeightsRequest {
  const char *from;  // first day, or null for the first weight
  const char *to;    // last day, or null for today
  bool csv;          // CSV (weight_csv_write) instead of the table
};

// Prints the weights and trends of the range: a table in the unit of the profile dialog,
// or CSV in kilograms. Returns the exit status: 0, or 1 after printing why.
int report_weights(sqlite3 *log_db, const WeightsRequest *request);
