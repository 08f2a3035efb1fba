// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of today's date string and of the display form of a date.
#include "budget/date-string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "test-support.h"

TEST(DateToday, WritesTheLocalDateAsTenCharacters) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const time_t before = time(nullptr);
    char buffer[DATE_STRING_SIZE + 4];
    memset(buffer, '#', sizeof buffer);
    date_today(buffer);
    const time_t after = time(nullptr);

    struct tm local;
    ASSERT_NE(nullptr, localtime_r(&after, &local));
    char expected[64];
    snprintf(expected, sizeof expected, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday);
    if (before / 60 != after / 60) continue;  // a minute (and maybe a day) went by
    EXPECT_STREQ(expected, buffer);
    EXPECT_EQ(10u, strlen(buffer));
    EXPECT_EQ('#', buffer[DATE_STRING_SIZE]) << "wrote past the 11-byte buffer";
    return;
  }
}

// A stored date shows as the day it names, or, when it names none, as it is stored and
// marked: never as another day (30 February once showed as 1 March).
TEST(DateToDisplay, ShowsRealDaysAndMarksTheRestAsStored) {
  const std::string long_text(100, 'z');
  const struct {
    const char *date;
    const char *shown;
  } cases[] = {
      // The C locale's date form is MM/DD/YY.
      {"2024-01-05", "01/05/24"},
      {"2024-02-29", "02/29/24"},
      {"0001-01-01", "01/01/01"},
      {"2024-02-30", "2024-02-30 (not a date)"},
      {"2023-02-29", "2023-02-29 (not a date)"},
      {"2024-13-01", "2024-13-01 (not a date)"},
      {"2024-04-31", "2024-04-31 (not a date)"},
      {"0000-01-01", "0000-01-01 (not a date)"},
      {"2024-1-5", "2024-1-5 (not a date)"},
      {"2024-01-05 08:00", "2024-01-05 08:00 (not a date)"},
      {"abc", "abc (not a date)"},
      {"a\tb\nc\xc3\xa9", "a?b?c?? (not a date)"},
      {long_text.c_str(), "zzzzzzzzzzzzzzzzzzzzzzzz... (not a date)"},
      {"", "(no date)"},
      {nullptr, "(no date)"},
  };
  for (const auto &example : cases) {
    SCOPED_TRACE(example.date ? example.date : "null");
    char out[DISPLAY_DATE_SIZE];
    EXPECT_STREQ(example.shown, date_to_display(example.date, out));
    EXPECT_EQ(out, date_to_display(example.date, out));
    EXPECT_EQ(example.shown[0] != '(' && !strstr(example.shown, "(not a date)"),
              date_string_is_valid(example.date));
  }
}

TEST(DateToDisplay, ShowsTheSameDayInEveryTimeZone) {
  size_t tried = 0;
  for (const ZoneDate &z : kZoneDates) {
    SCOPED_TRACE(std::string(z.zone) + " " + z.date + ": " + z.why);
    if (!time_zone_installed(z.zone)) continue;
    ++tried;
    ScopedTimeZone zone(z.zone);
    char out[DISPLAY_DATE_SIZE];
    EXPECT_STREQ(z.shown, date_to_display(z.date, out));
  }
  if (tried == 0) GTEST_SKIP() << "the time-zone database (tzdata) is not installed";
}
