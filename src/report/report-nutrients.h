// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report --nutrients: the day's nutrients against the nutritional goals of the
// profile's age-sex group, or the average per day with entries over a range.
#pragma once

struct sqlite3;

// What to report: one day (|from| equal to |to|, |range| false) or the days with entries
// from |from| (null: the first logged day) to |to|.
struct NutrientsRequest {
  const char *from;
  const char *to;
  bool range;
  bool csv;  // CSV with "." as the decimal point in every locale
};

// Prints the nutrients table, reading |log_db| (null: no log yet) and |food_db|. Returns
// the exit status: 0, or 1 after printing why.
int report_nutrients(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                     const NutrientsRequest *request);

// The translated lines of alimora-report --help about --nutrients.
const char *nutrients_usage();
