// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's drawing function on an image surface: every panel there, the days over budget
// and the days without entries marked, and no cairo error, in wide and tall areas.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>

#include "report/report-range.h"

namespace {

// Colours that nothing else in the chart uses, one per thing to find.
const ChartPalette kMarkedPalette = {
    {1.0, 1.0, 1.0, 1.0},  // background
    {0.0, 0.0, 0.0, 1.0},  // text
    {0.9, 0.9, 0.9, 1.0},  // grid
    {0.0, 1.0, 0.0, 1.0},  // bar: green
    {0.0, 1.0, 0.0, 1.0},  // thin bar
    {1.0, 0.0, 0.0, 1.0},  // over: red
    {0.0, 0.0, 1.0, 1.0},  // empty: blue
};

// Seven days from 2026-12-01: the first over every budget, the third within all of them,
// the others without entries.
RangeSummary Week() {
  RangeSummary summary;
  snprintf(summary.from, sizeof summary.from, "%s", "2026-12-01");
  snprintf(summary.to, sizeof summary.to, "%s", "2026-12-07");
  summary.from_number = date_day_number(summary.from);
  summary.to_number = date_day_number(summary.to);
  summary.budget = FoodGroupAmounts{2000, {2.5, 2.0, 6.0, 3.0, 5.5, 27.0}};
  for (int offset : {0, 2}) {
    RangeDay day = {};
    snprintf(day.date, sizeof day.date, "%s", offset == 0 ? "2026-12-01" : "2026-12-03");
    day.day_number = summary.from_number + offset;
    for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
      day.totals.amounts[group] = summary.budget.amounts[group] * (offset == 0 ? 1.5 : 0.5);
    day.totals.kcal = offset == 0 ? 3000.0 : 1000.0;
    day.totals.entries = 1;
    summary.days.push_back(day);
  }
  return summary;
}

// Counts the pixels of one pure colour (0xRRGGBB) in each cell of a |columns| by |rows|
// grid over the panels (below |top| pixels of title and legend).
std::vector<int> CountPerCell(cairo_surface_t *surface, uint32_t rgb, int columns, int rows,
                              int top) {
  std::vector<int> counts(columns * rows, 0);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  cairo_surface_flush(surface);
  const unsigned char *data = cairo_image_surface_get_data(surface);
  for (int y = top; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t pixel;
      memcpy(&pixel, data + y * stride + x * 4, 4);
      if ((pixel & 0xffffff) == rgb)
        ++counts[(y - top) * rows / (height - top) * columns + x * columns / width];
    }
  return counts;
}

TEST(ChartDraw, EveryPanelShowsOverBudgetWithinBudgetAndEmptyDays) {
  setlocale(LC_ALL, "C.UTF-8");
  const RangeSummary week = Week();
  const struct {
    int width, height, columns, rows;
  } areas[] = {{842, 595, 4, 2}, {1400, 900, 4, 2}, {500, 900, 2, 4}};
  for (const auto &area : areas) {
    SCOPED_TRACE(std::to_string(area.width) + "x" + std::to_string(area.height));
    cairo_surface_t *surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, area.width, area.height);
    cairo_t *cr = cairo_create(surface);
    chart_draw(cr, &week, area.width, area.height, &kMarkedPalette);
    EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_status(cr));
    cairo_destroy(cr);
    // Below the title and the legend: beside the budget line on a wide area, under it on
    // a narrow one; the page's sizes grow with larger areas.
    const double scale = std::clamp(std::min(area.width / 842.0, area.height / 595.0), 1.0, 1.6);
    const int top = static_cast<int>((area.width >= area.height ? 84.0 : 102.0) * scale);
    const std::vector<int> over = CountPerCell(surface, 0xff0000, area.columns, area.rows, top);
    const std::vector<int> within = CountPerCell(surface, 0x00ff00, area.columns, area.rows, top);
    const std::vector<int> empty = CountPerCell(surface, 0x0000ff, area.columns, area.rows, top);
    // Seven panels: the six groups and the energy; the eighth cell stays blank.
    for (int cell = 0; cell < 7; ++cell) {
      SCOPED_TRACE(cell);
      EXPECT_GT(over[cell], 50);
      EXPECT_GT(within[cell], 50);
      EXPECT_GT(empty[cell], 5 * over[cell]) << "five days without entries, each the full height";
    }
    EXPECT_EQ(0, over[7] + within[7] + empty[7]);
    cairo_surface_destroy(surface);
  }
}

TEST(ChartDraw, EmptyRangeShowsOnlyEmptyDaysAndOneDayOnlyItsBar) {
  RangeSummary week = Week();
  week.days.clear();
  RangeSummary one_day = Week();
  one_day.to_number = one_day.from_number;
  snprintf(one_day.to, sizeof one_day.to, "%s", one_day.from);
  one_day.days.resize(1);
  for (const RangeSummary *summary : {&week, &one_day}) {
    SCOPED_TRACE(summary == &week ? "no entries" : "one day");
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 842, 595);
    cairo_t *cr = cairo_create(surface);
    chart_draw(cr, summary, 842, 595, &kMarkedPalette);
    EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_status(cr));
    cairo_destroy(cr);
    const int over = CountPerCell(surface, 0xff0000, 1, 1, 230)[0];
    const int within = CountPerCell(surface, 0x00ff00, 1, 1, 230)[0];
    const int empty = CountPerCell(surface, 0x0000ff, 1, 1, 230)[0];
    EXPECT_EQ(0, within);
    EXPECT_EQ(summary == &week, empty > 0);
    EXPECT_EQ(summary == &week, over == 0);
    cairo_surface_destroy(surface);
  }
}

}  // namespace
