// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report --suggest: what is left of a day and the foods that fill it, the list of
// the "Fill the Day" window.
#pragma once

#include <sqlite3.h>

#include <cstddef>

struct SuggestRequest {
  const char *date;  // the day
  size_t count;      // most suggestions; 0 for the window's number
  bool csv;          // CSV with "." as the decimal point in every locale
};

// Prints what is left of the day and its suggestions, reading |log_db| (null: no log yet)
// and |food_db|. Returns the exit status: 0, or 1 after printing why.
int report_suggest(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                   const SuggestRequest *request);

// The translated lines of alimora-report --help about --suggest.
const char *suggest_usage();
