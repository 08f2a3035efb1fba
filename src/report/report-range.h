// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report over a range of days, and what the History window shares with it: the
// entries of a range with their foods' values, the day sums, the summary, the CSV export
// of the entries and the chart of the food groups and the energy.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "budget/day-totals.h"
#include "budget/food-groups.h"
#include "budget/weight-trend.h"
#include "store/log-entries.h"
#include "store/log-history.h"

struct sqlite3;

// What to report over a range of days.
struct RangeRequest {
  const char *from;        // first day "YYYY-MM-DD", or null for the first logged day
  const char *to;          // last day "YYYY-MM-DD"
  bool csv;                // the entries as CSV on standard output instead of the summary
  const char *chart_path;  // the SVG chart to write (then no summary), or null, or "-"
                           // for standard output
  bool every_entry;        // the CSV holds every entry of the log, whatever its date (no
                           // dates were given); the summary and chart keep from..to
};

// One day that has entries: the sums of its entries (day_totals_add).
struct RangeDay {
  char date[DATE_STRING_SIZE];
  uint32_t day_number;  // days since 1 January of the year 1 (that day is 1)
  DayTotals totals;
};

// The days of a range and the budget they are compared with.
struct RangeSummary {
  char from[DATE_STRING_SIZE];  // the first day of the range
  char to[DATE_STRING_SIZE];    // the last day of the range
  uint32_t from_number;         // day numbers of the two, as in RangeDay
  uint32_t to_number;
  FoodGroupAmounts budget;     // key: the calorie target, the energy's budget
  std::vector<RangeDay> days;  // the days with entries, in date order
  // The weight and trend of each day of the range from the first weight on (empty when the
  // range has no trend: then the chart has no weight panel), and the unit they are shown in.
  std::vector<TrendDay> weights;
  WeightUnit weight_unit = WeightUnit::kKilograms;
};

// The entries of a range of days and the values of their foods.
struct RangeData {
  LogEntryList entries;           // ordered by date, then by id
  std::vector<FoodValues> foods;  // the entries' foods that the food database knows, by code
};

// Reads the entries dated |from| to |to| (as text, both included; both null: every entry
// of the log) from |log_db| (null: no log yet, no entries) and the values of their foods from |food_db|: one lookup per
// distinct food for a few, one pass over the food database for many. Returns 0, or, with
// |out| empty after a failed read (the line is printed), -1 when the log could not be read
// and -2 when the food database could not. Free with range_data_free.
// With |index| (and both dates), the entries are read by its ids (log_entries_between_indexed).
int range_data_read(sqlite3 *food_db, sqlite3 *log_db, const char *from, const char *to,
                    RangeData *out, LogDateIndex *index = nullptr);

// Frees the entries and the values; leaves |data| empty.
void range_data_free(RangeData *data);

// Sums |data| per day into |summary| against the budget of |calorie_target|, from |from|
// (null: the first day with entries, or |to| without any) to |to|. Entries whose date is
// no calendar date belong to no day.
void range_summary_make(const RangeData &data, int calorie_target, const char *from,
                        const char *to, RangeSummary *summary);

// Whether |amount| is above |budget| as the summary shows both, with one decimal.
bool range_amount_is_over(double amount, double budget);

// Writes the entries of |data| with valid dates (with |every_date|, all of them) as CSV,
// the header record first, to |out|. With |weights| that hold a weight, each record ends
// with the field weight_kg, the weight of its date, and a day with a weight but no entries
// has a record of its date and weight only; without, the records are the entries' alone.
// Returns false when a write failed.
bool range_csv_write(const RangeData &data, FILE *out, bool every_date,
                     const std::vector<TrendDay> *weights = nullptr);

// Reports the range as |request| asks, reading |log_db| (null: no log yet) and |food_db|.
// Returns the exit status: 0, or 1 after printing why.
int report_range(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                 const RangeRequest *request);

// The day number of |date| when it is a "YYYY-MM-DD" calendar date, else 0.
uint32_t date_day_number(const char *date);

// The number of characters of |text| in the locale's encoding (its bytes when it is not
// text of the locale), as a terminal shows them.
size_t text_width(const char *text);

// |text| padded with blanks to |width| characters, on the right when |left_aligned|, else
// on the left: the columns of the printed reports.
std::string text_padded(const char *text, int width, bool left_aligned);

// Appends |text| to |out| as one CSV field: quoted, with its quotes doubled, when it holds
// a comma, a quote, a carriage return or a line feed.
void append_csv_field(const char *text, std::string *out);

// Writes |number| with at most four decimals, "." as the decimal point and no trailing
// zeros, whatever the locale, into |out| (32 bytes); returns |out|. A number of 1e15 or
// more, or one that four decimals would show as 0, is written in the shortest exponent
// form that reads back exactly ("1e+300"); infinity and NaN give the empty text.
char *format_plain_number(double number, char *out);

// An RGB colour with its opacity, each 0 to 1.
struct ChartColour {
  double red, green, blue, alpha;
};

// The colours of a chart.
struct ChartPalette {
  ChartColour background;  // painted first; alpha 0 leaves the target as it is
  ChartColour text;        // titles, labels, frames, outlines and the budget line
  ChartColour grid;        // the value lines
  ChartColour bar;         // a day's amount within its budget
  ChartColour thin_bar;    // the same as a bar too thin for an outline
  ChartColour over;        // a day's amount over its budget
  ChartColour empty;       // the mark of a day without entries
};

// Black and grey on white, with the days over budget in the budget bars' orange: the
// files of alimora-report and of the History export.
extern const ChartPalette kChartPaperPalette;

// Draws the chart of |summary| on |cr| in a |width| by |height| area at its origin: a
// title, a legend and one panel per food group and one for the energy, each with the
// days' amounts as bars against the budget as a dashed line; days without entries are
// marked as such. The panels are laid out for the area's shape.
void chart_draw(cairo_t *cr, const RangeSummary *summary, double width, double height,
                const ChartPalette *palette);

// The size of the charts that alimora-report writes: an A4 page, landscape, in points.
constexpr double kChartPageWidth = 842.0;
constexpr double kChartPageHeight = 595.0;

// The kinds of file a chart can be written as.
enum class ChartFormat { kSvg, kPng };

// Writes the chart of |summary|, |width| by |height| (points for SVG, pixels for PNG), to
// |path| by way of a temporary file beside it, which is renamed into place once complete.
// Returns false after printing why; no file is left.
bool chart_write(const RangeSummary *summary, const char *path, ChartFormat format,
                 double width, double height);

// Writes the chart of |summary| as an A4 SVG page to |path| (chart_write).
bool chart_write_svg(const RangeSummary *summary, const char *path);

// Writes the entries of |data| as CSV (range_csv_write) to |path| by way of a temporary file
// beside it. Returns false after printing why; no file is left.
bool range_csv_save(const RangeData &data, const char *path,
                    const std::vector<TrendDay> *weights = nullptr);
