// SPDX-License-Identifier: GPL-3.0-or-later
// The weight log over a range of days: reading it with its trend, its CSV and its table.
#include "report/report-weights.h"

#include <glib.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "budget/date-string.h"
#include "i18n.h"
#include "report/report-range.h"
#include "store/weight-log.h"

void date_of_day_number(uint32_t day, char *out) {
  GDate date;
  g_date_clear(&date, 1);
  if (day == 0) day = 1;
  g_date_set_julian(&date, day);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d", g_date_get_year(&date),
           static_cast<int>(g_date_get_month(&date)), g_date_get_day(&date));
  snprintf(out, DATE_STRING_SIZE, "%.10s", text);
}

int weight_trend_read(sqlite3 *log_db, const char *from, const char *to,
                      std::vector<TrendDay> *out) {
  out->clear();
  if (!log_db) return 0;
  std::vector<WeightRecord> records;
  if (weight_log_between(log_db, nullptr, to, &records) != 0) return -1;
  std::vector<DayWeight> weights;
  weights.reserve(records.size());
  for (const WeightRecord &record : records) {
    const uint32_t day = date_day_number(record.date.c_str());
    // A row that is no calendar day or no weight the log takes is no weight.
    if (day != 0 && weight_in_range(record.kg)) weights.push_back(DayWeight{day, record.kg});
  }
  if (weights.empty()) return 0;
  const uint32_t last = to ? date_day_number(to) : weights.back().day;
  const uint32_t first = from ? date_day_number(from) : 0;
  std::vector<TrendDay> trend = weight_trend(weights, last);
  for (const TrendDay &day : trend)
    if (day.day >= first && day.day <= last) out->push_back(day);
  return 0;
}

int range_summary_read_weights(sqlite3 *log_db, RangeSummary *summary) {
  summary->weight_unit = WeightUnit::kKilograms;
  int unit = 0;
  if (log_db && weight_unit_load(log_db, &unit) == 0 && unit == 1)
    summary->weight_unit = WeightUnit::kPounds;
  if (summary->from_number == 0 || summary->to_number < summary->from_number) {
    summary->weights.clear();
    return 0;
  }
  return weight_trend_read(log_db, summary->from, summary->to, &summary->weights);
}

bool weight_csv_write(const std::vector<TrendDay> &days, FILE *out) {
  std::string text = "date,weight_kg,trend_kg\r\n";
  for (const TrendDay &day : days) {
    char date[DATE_STRING_SIZE];
    char number[32];
    date_of_day_number(day.day, date);
    text += date;
    text += ',';
    if (!std::isnan(day.kg)) text += format_plain_number(day.kg, number);
    text += ',';
    text += format_plain_number(std::round(day.trend * 1000.0) / 1000.0, number);
    text += "\r\n";
  }
  return fwrite(text.data(), 1, text.size(), out) == text.size();
}

int report_weights(sqlite3 *log_db, const WeightsRequest *request) {
  char today[DATE_STRING_SIZE];
  date_today(today);
  const char *to = request->to ? request->to : today;
  std::vector<TrendDay> days;
  if (weight_trend_read(log_db, request->from, to, &days) != 0) return 1;
  if (request->csv) {
    weight_csv_write(days, stdout);
  } else {
    int unit_number = 0;
    if (log_db) weight_unit_load(log_db, &unit_number);
    const WeightUnit unit = unit_number == 1 ? WeightUnit::kPounds : WeightUnit::kKilograms;
    if (days.empty()) {
      printf("%s", _("No weights logged in this range.\n"));
    } else {
      char first[DATE_STRING_SIZE];
      char shown_first[DISPLAY_DATE_SIZE];
      char shown_last[DISPLAY_DATE_SIZE];
      date_of_day_number(days.front().day, first);
      date_to_display(first, shown_first);
      date_to_display(to, shown_last);
      // Translators: the title of alimora-report --weights; the dates and the unit ("kg")
      printf(_("Weights from %s to %s (%s)\n\n"), shown_first, shown_last,
             weight_unit_symbol(unit));
      std::vector<std::string> shown;
      size_t date_width = text_width(_("Date"));
      for (const TrendDay &day : days) {
        char date[DATE_STRING_SIZE];
        char display[DISPLAY_DATE_SIZE];
        date_of_day_number(day.day, date);
        shown.push_back(date_to_display(date, display));
        date_width = std::max(date_width, text_width(display));
      }
      const int width = static_cast<int>(date_width);
      printf("%s %s %s\n", text_padded(_("Date"), width, true).c_str(),
             text_padded(_("Weight"), 10, false).c_str(),
             text_padded(_("Trend"), 10, false).c_str());
      for (size_t i = 0; i < days.size(); ++i) {
        char weight[32] = "";
        if (!std::isnan(days[i].kg))
          snprintf(weight, sizeof weight, "%.1f", weight_from_kg(days[i].kg, unit));
        printf("%s %s %10.1f\n", text_padded(shown[i].c_str(), width, true).c_str(),
               text_padded(weight, 10, false).c_str(), weight_from_kg(days[i].trend, unit));
      }
    }
  }
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return 1;
  }
  return 0;
}
