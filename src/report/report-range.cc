// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report over a range of days: gathers the entries of the range, sums them per day
// and prints the summary or the entries as CSV.
#include "report/report-range.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "budget/pattern.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/log-entries.h"

namespace {

struct EntryListFreer {
  void operator()(LogEntryList *list) const { log_entry_list_free(list); }
};
struct FoodValuesListFreer {
  void operator()(FoodValuesList *list) const { food_values_list_free(list); }
};

// What a food missing from the food database counts as: nothing.
const FoodValues kUnknownFood = {0, false, {0, {0.0, 0.0, 0.0, 0.0, 0.0, 0.0}}, false, 0.0};

// Column headings of the day lines, in food-group order.
const char *const kDayColumns[FOOD_GROUP_COUNT] = {
    // Translators: column heading of the day lines of alimora-report, at most 10
    // characters; c is cups, as in the budget report
    N_("Veg. (c)"),
    // Translators: column heading, at most 10 characters
    N_("Fruit (c)"),
    // Translators: column heading, at most 10 characters; oz is ounces
    N_("Grain (oz)"),
    // Translators: column heading, at most 10 characters
    N_("Dairy (c)"),
    // Translators: column heading, at most 10 characters
    N_("Prot. (oz)"),
    // Translators: column heading, at most 10 characters; g is grams
    N_("Oil (g)"),
};
// Row names and units of the averages, as in the one-day report.
const char *const kGroupNames[FOOD_GROUP_COUNT] = {
    N_("Vegetables"), N_("Fruits"), N_("Grains"), N_("Dairy"), N_("Protein Foods"), N_("Oils"),
};
const char *const kGroupUnits[FOOD_GROUP_COUNT] = {
    N_("c "), N_("c "), N_("oz"), N_("c "), N_("oz"), N_("g "),
};

// The CSV header record; the field names are a file format and stay untranslated.
const char kCsvHeader[] =
    "date,food_code,description,servings,grams,vegetables_cup_eq,fruits_cup_eq,grains_oz_eq,"
    "dairy_cup_eq,protein_foods_oz_eq,oils_g,energy_kcal\r\n";

// The values of |food_code| in |foods| (in food-code order), or kUnknownFood.
const FoodValues &food_values(const FoodValuesList &foods, int32_t food_code) {
  const FoodValues *begin = foods.items;
  const FoodValues *end = begin + foods.count;
  const FoodValues *found = std::lower_bound(
      begin, end, food_code,
      [](const FoodValues &values, int32_t code) { return values.food_code < code; });
  return found != end && found->food_code == food_code ? *found : kUnknownFood;
}

// The number of characters of |text| in the locale's encoding (its bytes when it is not
// text of the locale).
size_t text_width(const char *text) {
  const size_t length = mbstowcs(nullptr, text, 0);
  return length == static_cast<size_t>(-1) ? strlen(text) : length;
}

// |text| padded with blanks to |width| characters, on the right when |left_aligned|, else
// on the left.
std::string padded(const char *text, int width, bool left_aligned) {
  const size_t length = text_width(text);
  std::string out = text;
  if (length < static_cast<size_t>(width)) {
    const std::string blanks(width - length, ' ');
    out = left_aligned ? out + blanks : blanks + out;
  }
  return out;
}

// |amount| as the summary prints it with one decimal, read back: met and over are judged
// on the numbers the reader sees.
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

  printf("\n%s", padded(_("Date"), static_cast<int>(date_width), true).c_str());
  for (const char *column : kDayColumns) printf(" %s", padded(_(column), 10, false).c_str());
  printf("\n");
  for (size_t i = 0; i < summary.days.size(); ++i) {
    printf("%s", padded(shown_dates[i].c_str(), static_cast<int>(date_width), true).c_str());
    for (double amount : summary.days[i].amounts) printf(" %10.1f", amount);
    printf("\n");
  }

  printf(_("\nAverage per day against the daily budget (%d kcal USDA Healthy US-Style Eating "
           "Pattern):\n\n"),
         summary.budget.key);
  printf("%s %s %s %s %s\n", padded(_("Food Group"), 20, true).c_str(),
         padded(_("Budget"), 10, false).c_str(), padded(_("Average"), 10, false).c_str(),
         padded(_("Days met"), 10, false).c_str(), padded(_("Days over"), 10, false).c_str());
  printf("%-20s %10s %10s %10s %10s\n", "--------------------", "----------", "----------",
         "----------", "----------");
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    const double budget = summary.budget.amounts[group];
    double total = 0.0;
    int met = 0;
    int over = 0;
    for (const RangeDay &day : summary.days) {
      total += day.amounts[group];
      if (as_shown(day.amounts[group]) >= as_shown(budget)) ++met;
      if (as_shown(day.amounts[group]) > as_shown(budget)) ++over;
    }
    const char *unit = _(kGroupUnits[group]);
    printf("%s %8.1f %s %8.1f %s %8d %10d\n", padded(_(kGroupNames[group]), 20, true).c_str(),
           budget, unit, total / days_counted, unit, met, over);
  }
  printf("%s", _("\nMet: the day's amount reached the budget; over: it went beyond it. A day over\n"
                 "the budget also counts as met.\n"));
}

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

void append_csv_number(double number, std::string *out) {
  char text[32];
  out->push_back(',');
  out->append(format_plain_number(number, text));
}

// Writes the entries of the range with valid dates as CSV records on standard output.
void print_csv(const LogEntryList &entries, const FoodValuesList &foods) {
  std::string record;
  fputs(kCsvHeader, stdout);
  for (size_t i = 0; i < entries.count; ++i) {
    const LogEntry &entry = entries.items[i];
    if (date_day_number(entry.date) == 0) continue;
    const FoodValues &values = food_values(foods, entry.food_code);
    record.assign(entry.date);
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
    record.append("\r\n");
    fwrite(record.data(), 1, record.size(), stdout);
  }
}

}  // namespace

uint32_t date_day_number(const char *date) {
  if (strlen(date) != DATE_STRING_SIZE - 1) return 0;
  for (int i = 0; i < DATE_STRING_SIZE - 1; ++i) {
    const bool is_dash = i == 4 || i == 7;
    if (is_dash ? date[i] != '-' : !g_ascii_isdigit(date[i])) return 0;
  }
  const int year = atoi(date);
  const int month = atoi(date + 5);
  const int day = atoi(date + 8);
  if (!g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return 0;
  GDate value;
  g_date_clear(&value, 1);
  g_date_set_dmy(&value, static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                 static_cast<GDateYear>(year));
  return g_date_get_julian(&value);
}

char *format_plain_number(double number, char *out) {
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
  LogEntryList entries{nullptr, 0, 0};
  if (log_db && log_entries_between(log_db, request->from ? request->from : "", request->to,
                                    &entries) != 0)
    return 1;
  std::unique_ptr<LogEntryList, EntryListFreer> entries_guard(&entries);

  FoodValuesList foods{nullptr, 0, 0};
  if (entries.count > 0 && food_values_all(food_db, &foods) != 0) return 1;
  std::unique_ptr<FoodValuesList, FoodValuesListFreer> foods_guard(&foods);

  RangeSummary summary;
  summary.budget = pattern_for_calories(calorie_target);
  for (size_t i = 0; i < entries.count; ++i) {
    const LogEntry &entry = entries.items[i];
    // An entry whose date is no calendar date belongs to no day of the range.
    const uint32_t number = date_day_number(entry.date);
    if (number == 0) continue;
    const FoodValues &values = food_values(foods, entry.food_code);
    if (summary.days.empty() || summary.days.back().day_number != number) {
      RangeDay day = {};
      snprintf(day.date, sizeof day.date, "%s", entry.date);
      day.day_number = number;
      summary.days.push_back(day);
    }
    for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
      summary.days.back().amounts[group] += values.groups.amounts[group] * entry.servings;
  }

  const char *from = request->from ? request->from
                     : summary.days.empty() ? request->to
                                            : summary.days.front().date;
  snprintf(summary.from, sizeof summary.from, "%s", from);
  snprintf(summary.to, sizeof summary.to, "%s", request->to);
  summary.from_number = date_day_number(summary.from);
  summary.to_number = date_day_number(summary.to);

  if (request->chart_path && !chart_write_svg(&summary, request->chart_path)) return 1;
  if (request->csv)
    print_csv(entries, foods);
  else if (!request->chart_path)
    print_summary(summary);
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return 1;
  }
  return 0;
}
