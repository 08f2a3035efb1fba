// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report over a range of days: gathers the entries of the range with their foods'
// values, sums them per day and prints the summary or the entries as CSV.
#include "report/report-range.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "budget/amount-text.h"
#include "budget/pattern.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "report/report-file.h"
#include "report/report-weights.h"
#include "store/log-entries.h"

namespace {

struct FoodValuesListFreer {
  void operator()(FoodValuesList *list) const { food_values_list_free(list); }
};
struct RangeDataFreer {
  void operator()(RangeData *data) const { range_data_free(data); }
};

// What a food missing from the food database counts as: nothing.
const FoodValues kUnknownFood = {0, false, {0, {0.0, 0.0, 0.0, 0.0, 0.0, 0.0}}, false, 0.0};

// Up to this many distinct foods are looked up one by one (with one statement); more are
// read in one pass over the food database, which costs about as much as this many lookups.
constexpr size_t kSingleLookupLimit = 1000;

// The CSV header record; the field names are a file format and stay untranslated.
const char kCsvHeader[] =
    "date,food_code,description,servings,grams,vegetables_cup_eq,fruits_cup_eq,grains_oz_eq,"
    "dairy_cup_eq,protein_foods_oz_eq,oils_g,energy_kcal\r\n";

// The values of |food_code| in |foods| (in food-code order), or null when it is unknown.
const FoodValues *find_food(const std::vector<FoodValues> &foods, int32_t food_code) {
  const auto found = std::lower_bound(
      foods.begin(), foods.end(), food_code,
      [](const FoodValues &values, int32_t code) { return values.food_code < code; });
  return found != foods.end() && found->food_code == food_code ? &*found : nullptr;
}

// Fills |foods| with the values of the foods of |entries| that the food database knows,
// in food-code order. Returns false after a failed read.
bool read_foods(sqlite3 *food_db, const LogEntryList &entries, std::vector<FoodValues> *foods) {
  std::vector<int32_t> codes;
  for (size_t i = 0; i < entries.count; ++i) codes.push_back(entries.items[i].food_code);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  if (codes.empty()) return true;
  if (codes.size() <= kSingleLookupLimit) {
    FoodValuesList some{nullptr, 0, 0};
    if (food_values_some(food_db, codes.data(), codes.size(), &some) != 0) return false;
    std::unique_ptr<FoodValuesList, FoodValuesListFreer> some_guard(&some);
    foods->assign(some.items, some.items + some.count);
    return true;
  }
  FoodValuesList all{nullptr, 0, 0};
  if (food_values_all(food_db, &all) != 0) return false;
  std::unique_ptr<FoodValuesList, FoodValuesListFreer> all_guard(&all);
  for (size_t i = 0; i < all.count; ++i)
    if (std::binary_search(codes.begin(), codes.end(), all.items[i].food_code))
      foods->push_back(all.items[i]);
  return true;
}

// |amount| as the summary prints it with one decimal, read back: met and over are judged
// on the numbers the reader sees, in the summary and the chart alike.
double as_shown(double amount) {
  char text[64];
  snprintf(text, sizeof text, "%.1f", amount);
  return strtod(text, nullptr);
}

void print_summary(const RangeSummary &summary) {
  char from[DISPLAY_DATE_SIZE];
  char to[DISPLAY_DATE_SIZE];
  date_to_display(summary.from, from);
  date_to_display(summary.to, to);
  const int days_in_range = static_cast<int>(summary.to_number - summary.from_number) + 1;
  const int days_counted = static_cast<int>(summary.days.size());
  printf(_("Food log from %s to %s\n"), from, to);
  printf(_("Days counted (days with entries): %d of %d\n"), days_counted, days_in_range);
  if (days_counted == 0) return;

  // The date column is as wide as the widest displayed date or its heading.
  size_t date_width = text_width(_("Date"));
  std::vector<std::string> shown_dates;
  for (const RangeDay &day : summary.days) {
    char display[DISPLAY_DATE_SIZE];
    shown_dates.push_back(date_to_display(day.date, display));
    date_width = std::max(date_width, text_width(display));
  }

  printf("\n%s", text_padded(_("Date"), static_cast<int>(date_width), true).c_str());
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
    printf(" %s", text_padded(food_group_column(group), 10, false).c_str());
  printf("\n");
  for (size_t i = 0; i < summary.days.size(); ++i) {
    printf("%s", text_padded(shown_dates[i].c_str(), static_cast<int>(date_width), true).c_str());
    for (double amount : summary.days[i].totals.amounts) {
      char text[64];
      printf(" %s", text_padded(amount_to_text(amount, 1, text, sizeof text), 10, false).c_str());
    }
    printf("\n");
  }

  printf(_("\nAverage per day against the daily budget (%d kcal USDA Healthy US-Style Eating "
           "Pattern):\n\n"),
         summary.budget.key);
  printf("%s %s %s %s %s\n", text_padded(_("Food Group"), 20, true).c_str(),
         text_padded(_("Budget"), 10, false).c_str(), text_padded(_("Average"), 10, false).c_str(),
         text_padded(_("Days met"), 10, false).c_str(),
         text_padded(_("Days over"), 10, false).c_str());
  printf("%-20s %10s %10s %10s %10s\n", "--------------------", "----------", "----------",
         "----------", "----------");
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    const double budget = summary.budget.amounts[group];
    double total = 0.0;
    int met = 0;
    int over = 0;
    for (const RangeDay &day : summary.days) {
      total += day.totals.amounts[group];
      if (as_shown(day.totals.amounts[group]) >= as_shown(budget)) ++met;
      if (range_amount_is_over(day.totals.amounts[group], budget)) ++over;
    }
    const char *unit = food_group_unit(group);
    const double average = total / days_counted;
    char shown[64];
    if (amount_is_too_large(average))  // in the place of the number and its unit
      snprintf(shown, sizeof shown, "%s",
               text_padded(amount_too_large_text(), 9 + static_cast<int>(text_width(unit)), false)
                   .c_str());
    else
      snprintf(shown, sizeof shown, "%8.1f %s", average, unit);
    printf("%s %8.1f %s %s %8d %10d\n", text_padded(food_group_name(group), 20, true).c_str(),
           budget, unit, shown, met, over);
  }
  printf("%s", _("\nMet: the day's amount reached the budget; over: it went beyond it. A day over\n"
                 "the budget also counts as met.\n"));
}


void append_csv_number(double number, std::string *out) {
  char text[32];
  out->push_back(',');
  out->append(format_plain_number(number, text));
}

}  // namespace

// Appends |text| to |out| as one CSV field: quoted, with its quotes doubled, when it holds
// a comma, a quote, a carriage return or a line feed.
void append_csv_field(const char *text, std::string *out) {
  if (!strpbrk(text, ",\"\r\n")) {
    out->append(text);
    return;
  }
  out->push_back('"');
  for (const char *c = text; *c; ++c) {
    if (*c == '"') out->push_back('"');
    out->push_back(*c);
  }
  out->push_back('"');
}

size_t text_width(const char *text) {
  const size_t length = mbstowcs(nullptr, text, 0);
  return length == static_cast<size_t>(-1) ? strlen(text) : length;
}

std::string text_padded(const char *text, int width, bool left_aligned) {
  const size_t length = text_width(text);
  std::string out = text;
  if (length < static_cast<size_t>(width)) {
    const std::string blanks(width - length, ' ');
    out = left_aligned ? out + blanks : blanks + out;
  }
  return out;
}

bool range_amount_is_over(double amount, double budget) {
  return as_shown(amount) > as_shown(budget);
}

bool range_csv_write(const RangeData &data, FILE *out, bool every_date,
                     const std::vector<TrendDay> *weights) {
  std::string record;
  if (weights && std::none_of(weights->begin(), weights->end(),
                              [](const TrendDay &day) { return !std::isnan(day.kg); }))
    weights = nullptr;
  if (weights) {
    std::string header = kCsvHeader;
    header.insert(header.size() - 2, ",weight_kg");
    fputs(header.c_str(), out);
  } else {
    fputs(kCsvHeader, out);
  }
  size_t next_weight = 0;
  // The days with a weight before |day| (all of them for 0) that have no entries: a record of
  // their own, in date order among the entries.
  auto weights_before = [&](uint32_t day) {
    for (; weights && next_weight < weights->size() &&
           (day == 0 || (*weights)[next_weight].day < day);
         ++next_weight) {
      const TrendDay &weighed = (*weights)[next_weight];
      if (std::isnan(weighed.kg)) continue;
      char date[DATE_STRING_SIZE];
      date_of_day_number(weighed.day, date);
      record.assign(date).append(",,,,,,,,,,,");
      append_csv_number(weighed.kg, &record);
      record.append("\r\n");
      fwrite(record.data(), 1, record.size(), out);
    }
  };
  // The weight of |day|, NaN without one.
  auto weight_of = [&](uint32_t day) {
    if (!weights) return static_cast<double>(NAN);
    auto at = std::lower_bound(weights->begin(), weights->end(), day,
                               [](const TrendDay &d, uint32_t number) { return d.day < number; });
    return at != weights->end() && at->day == day ? at->kg : static_cast<double>(NAN);
  };
  for (size_t i = 0; i < data.entries.count; ++i) {
    const LogEntry &entry = data.entries.items[i];
    const uint32_t day = date_day_number(entry.date);
    if (!every_date && day == 0) continue;
    if (day != 0) weights_before(day);
    if (weights && next_weight < weights->size() && (*weights)[next_weight].day == day)
      ++next_weight;
    const FoodValues *found = find_food(data.foods, entry.food_code);
    const FoodValues &values = found ? *found : kUnknownFood;
    record.clear();
    append_csv_field(entry.date, &record);
    record.append(",").append(std::to_string(entry.food_code)).append(",");
    append_csv_field(entry.description, &record);
    append_csv_number(entry.servings, &record);
    append_csv_number(entry.servings * 100.0, &record);
    for (double per_serving : values.groups.amounts) {
      if (values.has_groups)
        append_csv_number(per_serving * entry.servings, &record);
      else
        record.push_back(',');
    }
    if (values.has_energy)
      append_csv_number(values.kcal * entry.servings, &record);
    else
      record.push_back(',');
    if (weights) {
      const double kg = weight_of(day);
      if (std::isnan(kg))
        record.push_back(',');
      else
        append_csv_number(kg, &record);
    }
    record.append("\r\n");
    fwrite(record.data(), 1, record.size(), out);
  }
  weights_before(0);
  return !ferror(out);
}

bool range_csv_save(const RangeData &data, const char *path,
                    const std::vector<TrendDay> *weights) {
  OutputFile output;
  int error = output_file_open(path, &output);
  if (error == 0)
    error = output_file_commit(&output,
                               range_csv_write(data, output.file, false, weights) ? 0 : EIO);
  if (error == 0) return true;
  fprintf(stderr, _("alimora: cannot write the file '%s': %s\n"), path,
          output_file_error_text(error));
  return false;
}

int range_data_read(sqlite3 *food_db, sqlite3 *log_db, const char *from, const char *to,
                    RangeData *out, LogDateIndex *index) {
  out->entries = LogEntryList{nullptr, 0, 0};
  out->foods.clear();
  if (!log_db) return 0;
  const int read = index ? log_entries_between_indexed(log_db, index, from, to, &out->entries)
                         : log_entries_between(log_db, from, to, &out->entries);
  if (read != 0) return -1;
  if (!read_foods(food_db, out->entries, &out->foods)) {
    range_data_free(out);
    return -2;
  }
  return 0;
}

void range_data_free(RangeData *data) {
  log_entry_list_free(&data->entries);
  data->foods.clear();
}

void range_summary_make(const RangeData &data, int calorie_target, const char *from,
                        const char *to, RangeSummary *summary) {
  summary->budget = pattern_for_calories(calorie_target);
  summary->days.clear();
  for (size_t i = 0; i < data.entries.count; ++i) {
    const LogEntry &entry = data.entries.items[i];
    // An entry whose date is no calendar date belongs to no day of the range.
    const uint32_t number = date_day_number(entry.date);
    if (number == 0 || strcmp(entry.date, to) > 0) continue;
    if (summary->days.empty() || summary->days.back().day_number != number) {
      RangeDay day = {};
      snprintf(day.date, sizeof day.date, "%s", entry.date);
      day.day_number = number;
      day_totals_clear(&day.totals);
      summary->days.push_back(day);
    }
    day_totals_add(&summary->days.back().totals, find_food(data.foods, entry.food_code),
                   entry.servings);
  }
  const char *first = from ? from : summary->days.empty() ? to : summary->days.front().date;
  snprintf(summary->from, sizeof summary->from, "%s", first);
  snprintf(summary->to, sizeof summary->to, "%s", to);
  summary->from_number = date_day_number(summary->from);
  summary->to_number = date_day_number(summary->to);
}

uint32_t date_day_number(const char *date) {
  if (!date_string_is_valid(date)) return 0;
  const int year = atoi(date);
  const int month = atoi(date + 5);
  const int day = atoi(date + 8);
  GDate value;
  g_date_clear(&value, 1);
  g_date_set_dmy(&value, static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                 static_cast<GDateYear>(year));
  return g_date_get_julian(&value);
}

char *format_plain_number(double number, char *out) {
  // Infinity and NaN are no amounts: the field stays empty, as for an unknown value.
  if (!std::isfinite(number)) {
    out[0] = '\0';
    return out;
  }
  // Numbers too large for sixteen digits, or too small to show in four decimals, take the
  // shortest exponent form that reads back as the same number.
  if (std::fabs(number) >= 1e15 || (number != 0.0 && std::fabs(number) < 0.00005)) {
    for (const char *format : {"%.15g", "%.16g", "%.17g"}) {
      g_ascii_formatd(out, 32, format, number);
      if (g_ascii_strtod(out, nullptr) == number) break;
    }
    return out;
  }
  g_ascii_formatd(out, 32, "%.4f", number);
  char *point = strchr(out, '.');
  if (point) {
    char *end = out + strlen(out);
    while (end > point + 1 && end[-1] == '0') --end;
    if (end == point + 1) --end;
    *end = '\0';
  }
  if (strcmp(out, "-0") == 0) strcpy(out, "0");
  return out;
}

int report_range(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                 const RangeRequest *request) {
  // Without dates the CSV is the backup of the whole log, future days and dates that are
  // no calendar dates included; the summary and the chart still end on |to|.
  const bool every_entry = request->every_entry && !request->from;
  RangeData data;
  if (range_data_read(food_db, log_db, every_entry ? nullptr : (request->from ? request->from : ""),
                      every_entry ? nullptr : request->to, &data) != 0)
    return 1;
  std::unique_ptr<RangeData, RangeDataFreer> data_guard(&data);
  RangeSummary summary;
  range_summary_make(data, calorie_target, request->from, request->to, &summary);

  if (request->chart_path && range_summary_read_weights(log_db, &summary) != 0) return 1;
  if (request->chart_path && !chart_write_svg(&summary, request->chart_path)) return 1;
  // The CSV of a log with weights has the weight of each day too, as History's has.
  std::vector<TrendDay> weights;
  if (request->csv && weight_trend_read(log_db, every_entry ? nullptr : request->from,
                                        every_entry ? nullptr : request->to, &weights) != 0)
    return 1;
  if (request->csv)
    range_csv_write(data, stdout, every_entry, &weights);
  else if (!request->chart_path)
    print_summary(summary);
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return 1;
  }
  return 0;
}
