// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log's arithmetic: kilograms and pounds, the smoothed trend of the daily
// weights, its weekly rate of change and the energy balance that rate implies, and whether
// the trend has moved far enough from the profile's weight to offer the profile an update.
#pragma once

#include <cstdint>
#include <vector>

// The unit the person reads and types weights in; the log keeps kilograms.
enum class WeightUnit { kKilograms = 0, kPounds = 1 };

// The weights the log takes, in kilograms (both included).
constexpr double kWeightMinKg = 20.0;
constexpr double kWeightMaxKg = 400.0;
// Kilograms in a pound (the international avoirdupois pound).
constexpr double kKgPerPound = 0.45359237;
// The share of a day's weight in that day's trend.
constexpr double kTrendSmoothing = 0.1;
// Days of trend the weekly rate is taken over.
constexpr int kTrendRateDays = 14;
// Fewest days of trend that give a rate.
constexpr int kTrendRateMinDays = 7;
// Energy of a kilogram of body weight, kcal.
constexpr double kKcalPerKg = 7700.0;
// How far (kg) the trend must be from the profile's weight before an update is offered.
constexpr double kProfileOfferKg = 1.0;

// |kg| in |unit|, and a number in |unit| in kilograms.
double weight_from_kg(double kg, WeightUnit unit);
double weight_to_kg(double value, WeightUnit unit);

// |kg| rounded to the 0.1 of |unit| that the person sees, in kilograms again: what is stored,
// so that the weight reads back as it was typed.
double weight_round_kg(double kg, WeightUnit unit);

// Whether |kg| is a weight the log takes (kWeightMinKg to kWeightMaxKg, a finite number).
bool weight_in_range(double kg);

// The unit's symbol, untranslated ("kg", "lb").
const char *weight_unit_symbol(WeightUnit unit);

// One logged weight: the day (a day number, consecutive days differ by 1) and kilograms.
struct DayWeight {
  uint32_t day;
  double kg;
};

// The trend of one day.
struct TrendDay {
  uint32_t day;
  double kg;     // the day's weight, or NaN on a day without one
  double trend;  // the smoothed average, kilograms
};

// The trend of every day from the first weight of |weights| (in day order, one per day) to
// |last_day| (or to the last weight, when that is later): the first day's trend is its
// weight; each later day's trend moves kTrendSmoothing of the way from the day before's
// trend to its weight, and a day without a weight keeps the day before's trend. Empty when
// there are no weights.
std::vector<TrendDay> weight_trend(const std::vector<DayWeight> &weights, uint32_t last_day);

// The trend on |day| (NaN before the first weight, or without weights), and the change of
// the trend per week over the kTrendRateDays days ending on |day|: the difference between
// the trend of |day| and that of kTrendRateDays days before (or of the first weight, when
// that is later but at least kTrendRateMinDays days before), scaled to seven days.
struct TrendRate {
  double trend_kg;       // NaN without a trend on |day|
  bool has_rate;         // false with fewer than kTrendRateMinDays days of trend
  double kg_per_week;    // the rate, when has_rate
  double kcal_per_day;   // the energy balance the rate implies (kKcalPerKg), when has_rate
  uint32_t from_day;     // the first day the rate is taken over, when has_rate
  int days;              // days it is taken over (from_day to |day|), when has_rate
};
TrendRate weight_trend_rate(const std::vector<TrendDay> &trend, uint32_t day);

// Whether to offer the profile the weight of |trend_kg|: the trend is kProfileOfferKg or
// more away from |profile_kg|. |*offer_kg| is then the trend rounded to the 0.1 of |unit|.
bool weight_profile_offer(double trend_kg, double profile_kg, WeightUnit unit, double *offer_kg);
