// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: today's local date as "YYYY-MM-DD".
#include "budget/date-string.h"

#include <cstring>
#include <ctime>

void date_today(char *buffer) {
  const time_t now = time(nullptr);
  struct tm today;
  if (!localtime_r(&now, &today) || strftime(buffer, DATE_STRING_SIZE, "%Y-%m-%d", &today) == 0)
    memcpy(buffer, "1970-01-01", DATE_STRING_SIZE);
}
