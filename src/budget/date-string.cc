// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: today's local date as "YYYY-MM-DD", and a date in the locale's form.
#include "budget/date-string.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "config.h"
#include "i18n.h"

namespace {

// The characters of a stored text that is no date shown before its mark; more are cut.
constexpr size_t kShownStoredChars = 24;

// Copies |text|, one of the program's translated texts, into |out| (|size| bytes) in the
// locale's encoding, the one strftime writes the dates in: the window has gettext give its
// texts in UTF-8 whatever the locale. A text that does not convert is copied as it is.
void copy_in_locale_encoding(const char *text, char *out, size_t size) {
  snprintf(out, size, "%s", text);
  const char *bound = bind_textdomain_codeset(GETTEXT_PACKAGE, nullptr);
  const char *locale = nl_langinfo(CODESET);
  if (!bound || strcasecmp(bound, "UTF-8") != 0 || strcasecmp(locale, "UTF-8") == 0) return;
  char target[64];
  snprintf(target, sizeof target, "%s//TRANSLIT", locale);
  iconv_t convert = iconv_open(target, "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) return;
  char converted[DISPLAY_DATE_SIZE];
  char *in = const_cast<char *>(text);
  size_t in_left = strlen(text);
  char *to = converted;
  size_t to_left = sizeof converted - 1;
  if (iconv(convert, &in, &in_left, &to, &to_left) != static_cast<size_t>(-1) && in_left == 0) {
    *to = '\0';
    snprintf(out, size, "%s", converted);
  }
  iconv_close(convert);
}

}  // namespace

bool date_string_is_valid(const char *text) {
  if (!text || strlen(text) != DATE_STRING_SIZE - 1) return false;
  for (int i = 0; i < DATE_STRING_SIZE - 1; ++i) {
    const bool is_dash = i == 4 || i == 7;
    if (is_dash ? text[i] != '-' : (text[i] < '0' || text[i] > '9')) return false;
  }
  auto number = [text](int from, int digits) {
    int value = 0;
    for (int i = from; i < from + digits; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  const int year = number(0, 4);
  const int month = number(5, 2);
  const int day = number(8, 2);
  static const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
}
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
  if (!date || date[0] == '\0') {
    // Translators: a log entry's date is empty: it belongs to no day
    copy_in_locale_encoding(_("(no date)"), out, DISPLAY_DATE_SIZE);
    return out;
  }
  if (!date_string_is_valid(date)) {
    // As stored, so that it can be found and mended; one line of plain characters.
    char stored[kShownStoredChars + 4];
    size_t length = 0;
    for (; date[length] && length < kShownStoredChars; ++length) {
      const unsigned char c = static_cast<unsigned char>(date[length]);
      stored[length] = c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    }
    if (date[length]) {
      memcpy(stored + length, "...", 3);
      length += 3;
    }
    stored[length] = '\0';
    char format[DISPLAY_DATE_SIZE];
    // Translators: %s is a log entry's date as stored, which names no day ("2026-02-30")
    copy_in_locale_encoding(_("%s (not a date)"), format, sizeof format);
    if (!strstr(format, "%s")) snprintf(format, sizeof format, "%s", "%s (not a date)");
    snprintf(out, DISPLAY_DATE_SIZE, format, stored);
    return out;
  }
  struct tm tm = {};
  tm.tm_year = (date[0] - '0') * 1000 + (date[1] - '0') * 100 + (date[2] - '0') * 10 +
               (date[3] - '0') - 1900;
  tm.tm_mon = (date[5] - '0') * 10 + (date[6] - '0') - 1;
  tm.tm_mday = (date[8] - '0') * 10 + (date[9] - '0');
  // The weekday and the day of the year from the calendar alone: in UTC, at noon, no time
  // zone can move the day. mktime would, in zones whose clocks jump at midnight or whose
  // winter time counts as negative summer time (Europe/Dublin), and on days a zone left
  // out (Pacific/Apia skipped 30 December 2011).
  tm.tm_hour = 12;
  timegm(&tm);
  if (strftime(out, DISPLAY_DATE_SIZE, "%x", &tm) == 0) out[0] = '\0';
  return out;
}
