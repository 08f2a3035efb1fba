// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log's arithmetic: units, the smoothed trend and its rate.
#include "budget/weight-trend.h"

#include <algorithm>
#include <cmath>

double weight_from_kg(double kg, WeightUnit unit) {
  return unit == WeightUnit::kPounds ? kg / kKgPerPound : kg;
}

double weight_to_kg(double value, WeightUnit unit) {
  return unit == WeightUnit::kPounds ? value * kKgPerPound : value;
}

double weight_round_kg(double kg, WeightUnit unit) {
  const double shown = std::round(weight_from_kg(kg, unit) * 10.0) / 10.0;
  const double back = weight_to_kg(shown, unit);
  // Pounds keep more digits, so that 180.0 lb reads back as 180.0 lb.
  return unit == WeightUnit::kPounds ? std::round(back * 1e6) / 1e6 : std::round(back * 10.0) / 10.0;
}

bool weight_in_range(double kg) {
  return std::isfinite(kg) && kg >= kWeightMinKg && kg <= kWeightMaxKg;
}

const char *weight_unit_symbol(WeightUnit unit) {
  return unit == WeightUnit::kPounds ? "lb" : "kg";
}

std::vector<TrendDay> weight_trend(const std::vector<DayWeight> &weights, uint32_t last_day) {
  std::vector<TrendDay> trend;
  if (weights.empty()) return trend;
  const uint32_t first = weights.front().day;
  const uint32_t last = std::max(last_day, weights.back().day);
  trend.reserve(last - first + 1);
  size_t next = 0;
  double value = weights.front().kg;
  for (uint32_t day = first; day <= last; ++day) {
    double kg = NAN;
    // One weight a day; a second one for a day (which the log does not hold) is passed over.
    while (next < weights.size() && weights[next].day <= day) {
      if (weights[next].day == day && std::isnan(kg)) kg = weights[next].kg;
      ++next;
    }
    if (!std::isnan(kg)) value += kTrendSmoothing * (kg - value);
    trend.push_back(TrendDay{day, kg, value});
  }
  return trend;
}

TrendRate weight_trend_rate(const std::vector<TrendDay> &trend, uint32_t day) {
  TrendRate rate{NAN, false, 0.0, 0.0, 0, 0};
  if (trend.empty() || day < trend.front().day) return rate;
  const uint32_t first = trend.front().day;
  const size_t at = std::min<size_t>(day - first, trend.size() - 1);
  rate.trend_kg = trend[at].trend;
  const size_t span = std::min<size_t>(at, kTrendRateDays);
  if (span < static_cast<size_t>(kTrendRateMinDays)) return rate;
  rate.has_rate = true;
  rate.days = static_cast<int>(span);
  rate.from_day = trend[at - span].day;
  rate.kg_per_week = (trend[at].trend - trend[at - span].trend) / static_cast<double>(span) * 7.0;
  rate.kcal_per_day = rate.kg_per_week * kKcalPerKg / 7.0;
  return rate;
}

bool weight_profile_offer(double trend_kg, double profile_kg, WeightUnit unit, double *offer_kg) {
  if (!std::isfinite(trend_kg) || !std::isfinite(profile_kg)) return false;
  // Measured on the weight as offered, so that an offer never names the profile's own weight.
  const double offer = weight_round_kg(trend_kg, unit);
  if (std::fabs(offer - profile_kg) < kProfileOfferKg - 1e-9) return false;
  *offer_kg = offer;
  return true;
}
