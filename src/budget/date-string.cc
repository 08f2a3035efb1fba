// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: today's local date as "YYYY-MM-DD", and a date in the locale's form.
#include "budget/date-string.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {
time_t (*date_clock)() = nullptr;
}  // namespace

void date_clock_set(time_t (*clock)()) { date_clock = clock; }

time_t date_clock_now() { return date_clock ? date_clock() : time(nullptr); }

void date_today(char *buffer) {
  const time_t now = date_clock_now();
  struct tm today;
  if (!localtime_r(&now, &today) || strftime(buffer, DATE_STRING_SIZE, "%Y-%m-%d", &today) == 0)
    memcpy(buffer, "1970-01-01", DATE_STRING_SIZE);
}

char *date_to_display(const char *date, char *out) {
  out[0] = '\0';
  if (!date) return out;
  int year = 0, month = 0, day = 0;
  if (sscanf(date, "%d-%d-%d", &year, &month, &day) == 3) {
    struct tm tm = {};
    // Numbers at the bottom of int's range stay there rather than overflow.
    tm.tm_year = year < INT_MIN + 1900 ? INT_MIN : year - 1900;
    tm.tm_mon = month == INT_MIN ? INT_MIN : month - 1;
    tm.tm_mday = day;
    // The calendar alone normalises the date (30 February is 1 March): in UTC, at noon, no
    // time zone can move it. mktime would, in zones whose clocks jump at midnight or whose
    // winter time counts as negative summer time (Europe/Dublin), and on days a zone left
    // out (Pacific/Apia skipped 30 December 2011).
    tm.tm_hour = 12;
    timegm(&tm);
    if (strftime(out, DISPLAY_DATE_SIZE, "%x", &tm) == 0) out[0] = '\0';
  } else {
    snprintf(out, DISPLAY_DATE_SIZE, "%.63s", date);
  }
  return out;
}
