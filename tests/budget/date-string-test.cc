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

TEST(DateToDisplay, FormatsNormalisesAndPassesOtherTextThrough) {
  char out[DISPLAY_DATE_SIZE];
  // The C locale's date form is MM/DD/YY.
  EXPECT_STREQ("01/05/24", date_to_display("2024-01-05", out));
  EXPECT_STREQ("03/01/24", date_to_display("2024-02-30", out));
  EXPECT_STREQ("abc", date_to_display("abc", out));
  EXPECT_STREQ("", date_to_display(nullptr, out));
  std::string long_text(100, 'z');
  EXPECT_EQ(std::string(63, 'z'), date_to_display(long_text.c_str(), out));
  EXPECT_EQ(out, date_to_display("2024-01-05", out));
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

TEST(DateStringIsReal, TakesOnlyRealDaysInTheFormYYYYMMDD) {
  const struct {
    const char *text;
    bool real;
  } cases[] = {
      {"1990-05-07", true},   {"2024-02-29", true},   {"2000-02-29", true},
      {"0001-01-01", true},   {"9999-12-31", true},   {"2023-02-29", false},
      {"1900-02-29", false},  {"2024-04-31", false},  {"2024-13-01", false},
      {"2024-00-10", false},  {"2024-01-00", false},  {"0000-01-01", false},
      {"1990-5-7", false},    {"07.05.1990", false},  {"1990/05/07", false},
      {"1990-05-07 ", false}, {" 1990-05-07", false}, {"1990-05-0x", false},
      {"", false},            {"YYYY-MM-DD", false},  {nullptr, false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.real, date_string_is_real(c.text)) << (c.text ? c.text : "(null)");
}
