// SPDX-License-Identifier: GPL-3.0-or-later
// The weight trend, its weekly rate and the profile offer against computations done by
// hand, and the conversions between kilograms and pounds.
#include "budget/weight-trend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "budget/calorie-target.h"

namespace {

// Sixty days from day 1000: 90.0 kg on days 0 to 19, then 85.0 kg; every fourth day of the
// second part (20, 24, 28, ...) and days 7 and 13 have no weight.
std::vector<DayWeight> sixty_days() {
  std::vector<DayWeight> weights;
  for (uint32_t i = 0; i < 60; ++i) {
    if (i == 7 || i == 13 || (i >= 20 && i % 4 == 0)) continue;
    weights.push_back(DayWeight{1000 + i, i < 20 ? 90.0 : 85.0});
  }
  return weights;
}

// The weighed days among days 20..|last| of sixty_days.
int weighed_since_20(int last) {
  int count = 0;
  for (int i = 20; i <= last; ++i) count += i % 4 != 0;
  return count;
}

}  // namespace

// By hand: while every weight is 90.0 the trend stays 90.0, gaps or not. From day 20 each
// weighed day takes a tenth of the distance to 85.0 and a day without a weight keeps it,
// so after k weighed days the trend is 85 + 5 × 0.9^k; on day 59, k = 30 (40 days, 10 of
// them without a weight). The rate compares day 59 with day 45 (k = 19): 5 × (0.9^30 −
// 0.9^19) over 14 days, times 7 for a week; the energy is that rate × 7,700 / 7 a day.
TEST(WeightTrendTest, SixtyDaysWithGapsFollowTheHandComputation) {
  const std::vector<DayWeight> weights = sixty_days();
  ASSERT_EQ(48u, weights.size());
  const std::vector<TrendDay> trend = weight_trend(weights, 1059);
  ASSERT_EQ(60u, trend.size());
  EXPECT_EQ(1000u, trend.front().day);
  EXPECT_EQ(1059u, trend.back().day);
  for (int i = 0; i < 20; ++i) EXPECT_DOUBLE_EQ(90.0, trend[i].trend) << "day " << i;
  EXPECT_TRUE(std::isnan(trend[7].kg));
  EXPECT_TRUE(std::isnan(trend[20].kg));
  EXPECT_DOUBLE_EQ(85.0, trend[21].kg);
  // Day 20 has no weight: the trend carries over; day 21 is the first step.
  EXPECT_DOUBLE_EQ(90.0, trend[20].trend);
  EXPECT_NEAR(89.5, trend[21].trend, 1e-9);
  EXPECT_NEAR(89.05, trend[22].trend, 1e-9);
  EXPECT_NEAR(88.645, trend[23].trend, 1e-9);
  EXPECT_NEAR(88.645, trend[24].trend, 1e-9);  // no weight on day 24
  for (int i = 20; i < 60; ++i)
    EXPECT_NEAR(85.0 + 5.0 * std::pow(0.9, weighed_since_20(i)), trend[i].trend, 1e-9)
        << "day " << i;
  EXPECT_EQ(30, weighed_since_20(59));
  EXPECT_EQ(19, weighed_since_20(45));
  EXPECT_NEAR(85.2120, trend[59].trend, 5e-5);

  const TrendRate rate = weight_trend_rate(trend, 1059);
  ASSERT_TRUE(rate.has_rate);
  EXPECT_EQ(14, rate.days);
  EXPECT_EQ(1045u, rate.from_day);
  const double by_hand = 5.0 * (std::pow(0.9, 30) - std::pow(0.9, 19)) / 14.0 * 7.0;
  EXPECT_NEAR(by_hand, rate.kg_per_week, 1e-9);
  EXPECT_NEAR(-0.2317, rate.kg_per_week, 5e-5);
  EXPECT_NEAR(by_hand * 1100.0, rate.kcal_per_day, 1e-6);
  EXPECT_NEAR(85.2120, rate.trend_kg, 5e-5);

  // The profile still says 90 kg: the offer is the trend to 0.1 kg, 85.2 kg, and the target
  // that weight gives by the usual rule.
  double offer = 0.0;
  ASSERT_TRUE(weight_profile_offer(rate.trend_kg, 90.0, WeightUnit::kKilograms, &offer));
  EXPECT_DOUBLE_EQ(85.2, offer);
  tm today{};
  today.tm_year = 2026 - 1900;
  today.tm_mon = 11;
  today.tm_mday = 8;
  // Male, 40, 180 cm, moderate (1.55): (10 × 85.2 + 6.25 × 180 − 5 × 40 + 5) × 1.55 =
  // 2762.1 kcal, level 2800; at 90 kg it was 2836.5, level 2800 as well.
  EXPECT_EQ(2800, calorie_target_compute_on("1986-06-01", 2, 1, 180.0, offer, &today));
  // The profile is within 1 kg of the trend: no offer.
  EXPECT_FALSE(weight_profile_offer(rate.trend_kg, 85.9, WeightUnit::kKilograms, &offer));
  EXPECT_TRUE(weight_profile_offer(rate.trend_kg, 86.2, WeightUnit::kKilograms, &offer));
  EXPECT_FALSE(weight_profile_offer(rate.trend_kg, 84.5, WeightUnit::kKilograms, &offer));
  EXPECT_FALSE(weight_profile_offer(NAN, 84.5, WeightUnit::kKilograms, &offer));
}

// Days after the last weight keep its trend; the rate wants a week of trend and takes the
// days there are up to fourteen; before the first weight there is no trend.
TEST(WeightTrendTest, RateNeedsAWeekAndTheTrendEndsWhereAsked) {
  const std::vector<DayWeight> weights = {{500, 80.0}, {502, 81.0}};
  const std::vector<TrendDay> trend = weight_trend(weights, 510);
  ASSERT_EQ(11u, trend.size());
  EXPECT_NEAR(80.1, trend.back().trend, 1e-9);
  EXPECT_TRUE(weight_trend(weights, 400).back().day == 502);
  EXPECT_TRUE(weight_trend({}, 510).empty());

  EXPECT_FALSE(weight_trend_rate(trend, 506).has_rate);  // six days
  const TrendRate week = weight_trend_rate(trend, 507);
  ASSERT_TRUE(week.has_rate);
  EXPECT_EQ(7, week.days);
  EXPECT_NEAR(0.1, week.kg_per_week, 1e-9);
  EXPECT_NEAR(110.0, week.kcal_per_day, 1e-6);
  EXPECT_TRUE(std::isnan(weight_trend_rate(trend, 499).trend_kg));
  // A day after the trend's end reads its last day.
  EXPECT_NEAR(80.1, weight_trend_rate(trend, 600).trend_kg, 1e-9);
}

TEST(WeightTrendTest, UnitsRoundToWhatThePersonSees) {
  EXPECT_NEAR(180.0, weight_from_kg(weight_round_kg(weight_to_kg(180.0, WeightUnit::kPounds),
                                                    WeightUnit::kPounds),
                                    WeightUnit::kPounds),
              1e-6);
  EXPECT_NEAR(81.6466, weight_to_kg(180.0, WeightUnit::kPounds), 1e-4);
  EXPECT_DOUBLE_EQ(81.4, weight_round_kg(81.44, WeightUnit::kKilograms));
  EXPECT_DOUBLE_EQ(81.5, weight_round_kg(81.45000001, WeightUnit::kKilograms));
  EXPECT_STREQ("kg", weight_unit_symbol(WeightUnit::kKilograms));
  EXPECT_STREQ("lb", weight_unit_symbol(WeightUnit::kPounds));
  // The log's range, both ends included.
  EXPECT_TRUE(weight_in_range(20.0));
  EXPECT_TRUE(weight_in_range(400.0));
  EXPECT_FALSE(weight_in_range(19.99));
  EXPECT_FALSE(weight_in_range(400.01));
  EXPECT_FALSE(weight_in_range(NAN));
  EXPECT_FALSE(weight_in_range(INFINITY));
  // In pounds the offer is the trend to 0.1 lb.
  double offer = 0.0;
  ASSERT_TRUE(weight_profile_offer(80.0, 82.0, WeightUnit::kPounds, &offer));
  EXPECT_NEAR(176.4, weight_from_kg(offer, WeightUnit::kPounds), 1e-6);
}
