// SPDX-License-Identifier: GPL-3.0-or-later
// The daily calorie target: Mifflin-St Jeor energy times an activity factor, brought to a
// calorie level of the eating pattern.
#include "budget/calorie-target.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace {

// Activity factors, indexed by the profile's activity level (sedentary .. extra active).
constexpr double kActivityFactors[] = {1.2, 1.375, 1.55, 1.725, 1.9};
constexpr uint32_t kActivityLevelCount = sizeof kActivityFactors / sizeof kActivityFactors[0];

constexpr int kLowestLevelKcal = 1000;
constexpr int kHighestLevelKcal = 3200;
constexpr int kLevelStepKcal = 200;

double activity_factor(int activity_level) {
  const uint32_t index = static_cast<uint32_t>(activity_level);
  return index < kActivityLevelCount ? kActivityFactors[index] : kActivityFactors[0];
}

// Mifflin-St Jeor: -161 for women, +5 for men, nothing for any other value.
double gender_term_kcal(int gender) {
  if (gender == 0) return -161.0;
  if (gender == 1) return 5.0;
  return 0.0;
}

}  // namespace

int calorie_age_years(const char *bdate, const struct tm *today) {
  int birth_year = 0;
  int birth_month = 0;
  int birth_day = 0;
  if (!bdate || !today || sscanf(bdate, "%d-%d-%d", &birth_year, &birth_month, &birth_day) != 3)
    return 0;
  const int year = today->tm_year + 1900;
  const int month = today->tm_mon + 1;
  const int day = today->tm_mday;
  // Computed in 64 bits: a birth year far from today cannot overflow.
  int64_t age = static_cast<int64_t>(year) - birth_year;
  if (month < birth_month || (month == birth_month && day < birth_day)) --age;
  if (age < 0) return 0;
  return age > INT32_MAX ? INT32_MAX : static_cast<int>(age);
}

int calorie_target_round(int kcal) {
  // Widened so that kcal near the int limits neither overflows nor wraps.
  const int64_t level =
      (static_cast<int64_t>(kcal) + kLevelStepKcal / 2) / kLevelStepKcal * kLevelStepKcal;
  if (level < kLowestLevelKcal + 1) return kLowestLevelKcal;
  if (level >= kHighestLevelKcal) return kHighestLevelKcal;
  return static_cast<int>(level);
}

int calorie_target_compute_on(const char *bdate, int activity_level, int gender, double height_cm,
                              double weight_kg, const struct tm *today) {
  const int age = calorie_age_years(bdate, today);
  const double s1 = 10.0 * weight_kg + 6.25 * height_cm;
  const double s2 = s1 + (-5.0 * age);
  const double s3 = s2 + gender_term_kcal(gender);
  const double energy = s3 * activity_factor(activity_level);
  const double rounded = std::round(energy);
  // Energies that do not fit an int (or are not numbers) end at the nearest end level.
  if (!(rounded >= INT32_MIN)) return kLowestLevelKcal;
  if (rounded > INT32_MAX) return kHighestLevelKcal;
  return calorie_target_round(static_cast<int>(rounded));
}

int calorie_target_compute(const char *bdate, int activity_level, int gender, double height_cm,
                           double weight_kg) {
  const time_t now = time(nullptr);
  struct tm today_storage;
  const struct tm *today = localtime_r(&now, &today_storage);
  // Without a local date (today null) the age is taken as 0.
  return calorie_target_compute_on(bdate, activity_level, gender, height_cm, weight_kg, today);
}
