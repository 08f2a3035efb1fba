// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile date texts: birth dates as the profile dialog reformats them and as the calorie
// target reads them, and logged dates as the view displays them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "budget/calorie-target.h"
#include "budget/date-string.h"
#include "ui/budget-view.h"
#include "ui/profile-dialog.h"
#include "utf8-text.h"

namespace {

// 2026-12-06 as a local broken-down time.
struct tm FixedToday() {
  struct tm today = {};
  today.tm_year = 2026 - 1900;
  today.tm_mon = 11;
  today.tm_mday = 6;
  return today;
}

bool IsCalorieLevel(int kcal) { return kcal >= 1000 && kcal <= 3200 && kcal % 200 == 0; }

const char *const kHostileDates[] = {
    "-1-1-1",
    "99999-99-99",
    "2024-02-31",
    "0-0-0",
    "2147483647-2147483647-2147483647",
    "-2147483648--2147483648--2147483648",
    "99999999999999999999-1-1",
    "1990-01-01-01",
    "1990--01-01",
    " 1990 - 01 - 01",
    "\xff\xfe-1-1",
    "1990-1-1\xff",
    "%s%n%x-%d",
    "",
};

TEST(HostileBirthDate, ProfileFormIsADateStringOrEmpty) {
  struct Case {
    const char *typed;
    const char *stored;
  };
  const Case cases[] = {
      {"-1-1-1", ""},
      {"99999-99-99", ""},
      {"2024-02-31", "2024-02-31"},
      {"0-0-0", "0000-00-00"},
      {"9999-99-99", "9999-99-99"},
      {"2147483647-1-1", ""},
      {"99999999999999999999-1-1", ""},
      {"1990-01-01-01", "1990-01-01"},
      {" 1990 - 01 - 01", ""},
      {" 1990- 1- 1", "1990-01-01"},
      {"\xff\xfe-1-1", ""},
      {"1990-1-1\xff", "1990-01-01"},
      {"%s%n%x-%d", ""},
      {"", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    char out[DATE_STRING_SIZE];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(out, profile_birth_date_format(c.typed, out));
    EXPECT_STREQ(c.stored, out);
  }
  char out[DATE_STRING_SIZE];
  EXPECT_STREQ("", profile_birth_date_format(nullptr, out));
  const std::string long_text = "1990-05-07" + std::string(10000, '9');
  EXPECT_STREQ("", profile_birth_date_format(long_text.c_str(), out))
      << "the day does not fit in two digits";
  const std::string long_tail = "1990-05-07 " + std::string(10000, '9');
  EXPECT_STREQ("1990-05-07", profile_birth_date_format(long_tail.c_str(), out));
}

TEST(HostileBirthDate, CalorieTargetIsAlwaysALevel) {
  const struct tm today = FixedToday();
  for (const char *bdate : kHostileDates) {
    SCOPED_TRACE(bdate);
    EXPECT_TRUE(IsCalorieLevel(calorie_target_compute(bdate, 2, 1, 180.0, 80.0)));
    EXPECT_TRUE(IsCalorieLevel(calorie_target_compute_on(bdate, 2, 1, 180.0, 80.0, &today)));
  }
  // 80 kg and 180 cm, male, moderately active: 1930.0 kcal at age 0 times 1.55.
  const int age_zero = calorie_target_compute_on(nullptr, 2, 1, 180.0, 80.0, &today);
  EXPECT_EQ(3000, age_zero);
  // A birth date that lies ahead counts as age 0.
  EXPECT_EQ(age_zero, calorie_target_compute_on("99999-99-99", 2, 1, 180.0, 80.0, &today));
  // Year -1 is 2027 years ago: the energy is far below the lowest level.
  EXPECT_EQ(2027, calorie_age_years("-1-1-1", &today));
  EXPECT_EQ(1000, calorie_target_compute_on("-1-1-1", 2, 1, 180.0, 80.0, &today));
  // 31 February is read as it stands: on 6 December the birthday has passed.
  EXPECT_EQ(2, calorie_age_years("2024-02-31", &today));
  EXPECT_EQ(calorie_target_compute_on("2024-01-01", 2, 1, 180.0, 80.0, &today),
            calorie_target_compute_on("2024-02-31", 2, 1, 180.0, 80.0, &today));
}

TEST(HostileLoggedDate, DisplayFormStaysInItsBuffer) {
  const char *const dates[] = {
      "-2147483648-1-1",    "2147483647-1-1",  "1-2147483647-1", "1-1-2147483647",
      "1--2147483648-1",    "1-1--2147483648", "0-0-0",          "2024-02-30",
      "99999999999999-1-1", "\xff\xfe",        "%x%n%s",         "",
  };
  for (const char *date : dates) {
    SCOPED_TRACE(date);
    char out[DISPLAY_DATE_SIZE + 8];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(out, date_to_display(date, out));
    EXPECT_GT(static_cast<size_t>(DISPLAY_DATE_SIZE), strlen(out));
    EXPECT_EQ('x', out[DISPLAY_DATE_SIZE]) << "nothing written past the buffer";
  }
  char out[DISPLAY_DATE_SIZE];
  EXPECT_STREQ("%x%n%s (not a date)", date_to_display("%x%n%s", out)) << "text is no format";
  const std::string long_text(10000, '7');
  EXPECT_EQ(std::string(24, '7') + "... (not a date)", date_to_display(long_text.c_str(), out));
}

}  // namespace

namespace {

// Texts cut by a buffer, or not UTF-8 at all, as GTK and cairo must never get them.
TEST(Utf8Fit, KeepsWholeCharactersWithinTheBuffer) {
  struct Case {
    const char *name;
    std::string text;
    size_t size;
    std::string fitted;
  };
  const Case cases[] = {
      {"plain", "abc", 8, "abc"},
      {"whole two-byte", "a\xc3\xa9", 8, "a\xc3\xa9"},
      {"cut two-byte", "ab\xc3", 8, "ab"},
      {"cut three-byte", "ab\xe2\x82", 8, "ab"},
      {"cut four-byte", "a\xf0\x9f\x8d", 8, "a"},
      {"bad byte inside", "a\xff!", 8, "a\xef\xbf\xbd!"},
      {"repair cut to the buffer", "\xff\xff\xff", 8, "\xef\xbf\xbd\xef\xbf\xbd"},
      {"empty", "", 1, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> buffer(std::max(c.size, c.text.size() + 1), '\0');
    memcpy(buffer.data(), c.text.c_str(), c.text.size() + 1);
    utf8_fit(buffer.data(), c.size);
    EXPECT_EQ(c.fitted, buffer.data());
    EXPECT_TRUE(g_utf8_validate(buffer.data(), -1, nullptr));
    EXPECT_LT(strlen(buffer.data()), c.size);
  }
}

}  // namespace
