// SPDX-License-Identifier: GPL-3.0-or-later
// Daily calorie target from a profile: Mifflin-St Jeor energy times an activity factor,
// brought to one of the twelve calorie levels of the eating pattern.
#pragma once

#include <ctime>

// Age in whole years on the day |today| (a local broken-down time), for a birth date
// text read with "%d-%d-%d". An absent or unreadable birth date, or one after
// |today|, gives 0.
int calorie_age_years(const char *bdate, const struct tm *today);

// The calorie target (kcal, one of 1000, 1200, ..., 3200) for the profile values, with
// the age taken on the day |today|. Never fails.
int calorie_target_compute_on(const char *bdate, int activity_level, int gender,
                              double height_cm, double weight_kg, const struct tm *today);

// As calorie_target_compute_on, with the age taken on today's local date.
int calorie_target_compute(const char *bdate, int activity_level, int gender,
                           double height_cm, double weight_kg);

// The calorie level (1000..3200 in steps of 200) for a rounded energy in kcal.
int calorie_target_round(int kcal);
