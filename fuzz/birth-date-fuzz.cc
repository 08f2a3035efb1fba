// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: a birth date typed in the profile dialog, as the dialog reformats it
// (profile_birth_date_format) and as the calorie target reads it, typed or reformatted.
//
// Input: four bytes for activity level, gender, height and weight (within the dialog's
// ranges), then the typed text. The stored form is either empty or ten characters
// DDDD-DD-DD, and every calorie target is one of the twelve levels.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "budget/calorie-target.h"
#include "ui/profile-dialog.h"

namespace {

bool is_date_string(const char *text) {
  if (strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (!isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

bool is_calorie_level(int kcal) { return kcal >= 1000 && kcal <= 3200 && kcal % 200 == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  const int activity_level = static_cast<int8_t>(data[0]) % 7;  // -6..6, outside 0..4 too
  const int gender = static_cast<int8_t>(data[1]) % 3;          // -2..2
  const double height_cm = 30.0 + data[2] * (270.0 / 255.0);
  const double weight_kg = 1.0 + data[3] * (499.0 / 255.0);
  const std::string typed(reinterpret_cast<const char *>(data) + 4,
                          strnlen(reinterpret_cast<const char *>(data) + 4, size - 4));

  char stored[DATE_STRING_SIZE + 8];
  memset(stored, 0x5a, sizeof stored);
  if (profile_birth_date_format(typed.c_str(), stored) != stored) __builtin_trap();
  if (stored[0] != '\0' && !is_date_string(stored)) __builtin_trap();
  for (size_t i = DATE_STRING_SIZE; i < sizeof stored; ++i)
    if (stored[i] != 0x5a) __builtin_trap();

  if (!is_calorie_level(
          calorie_target_compute(typed.c_str(), activity_level, gender, height_cm, weight_kg)) ||
      !is_calorie_level(
          calorie_target_compute(stored, activity_level, gender, height_cm, weight_kg)))
    __builtin_trap();

  struct tm today = {};
  today.tm_year = 2026 - 1900;
  today.tm_mon = 11;
  today.tm_mday = 6;
  if (calorie_age_years(typed.c_str(), &today) < 0 || calorie_age_years(stored, &today) < 0)
    __builtin_trap();
  // A stored year lies within 0..9999, so on 2026-12-06 the age is at most 2026.
  if (calorie_age_years(stored, &today) > 2026) __builtin_trap();
  return 0;
}
