// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: today's local date as "YYYY-MM-DD", and a date in the locale's form.
#include "budget/date-string.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

void date_today(char *buffer) {
  const time_t now = time(nullptr);
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

bool date_string_is_real(const char *text) {
  if (!text || strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return false;
  auto number = [&](int at, int digits) {
    int value = 0;
    for (int i = at; i < at + digits; i++) value = value * 10 + (text[i] - '0');
    return value;
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}
