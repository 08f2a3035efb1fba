// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report --nutrients: the table of the Nutrients window as text or CSV.
#include "report/report-nutrients.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "report/report-range.h"
#include "budget/date-string.h"
#include "budget/nutrient-goals.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

// The goals of the stored profile on today's date. Returns false after a failed read.
bool read_goals(sqlite3 *log_db, int calorie_target, NutrientGoals *goals) {
  Profile profile{};
  const int loaded = log_db ? profile_load_stored(log_db, &profile) : 1;
  const time_t now = time(nullptr);
  struct tm today;
  const struct tm *today_or_null = localtime_r(&now, &today);
  nutrient_goals_for(loaded == 0 ? profile.bdate : nullptr, loaded == 0 ? profile.gender : -1,
                     calorie_target, today_or_null, goals);
  profile_clear(&profile);
  return loaded != -1;
}

void print_text(const NutrientTable &table) {
  char percent_heading[64];
  nutrient_percent_heading(percent_heading, sizeof percent_heading);
  printf("%s %s %s %s  %s\n", text_padded(_("Nutrient"), 30, true).c_str(),
         text_padded(_("Eaten"), 10, false).c_str(), text_padded(_("Goal"), 10, false).c_str(),
         text_padded(percent_heading, 16, false).c_str(), _("Goal type"));
  printf("%-30s %10s %10s %16s  %s\n", "------------------------------", "----------",
         "----------", "----------------", "----------");
  int section = -1;
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const NutrientRowInfo *info = nutrient_row_info(row);
    const NutrientLine &line = table.lines[row];
    if (info->section != section) {
      section = info->section;
      printf("%s%s\n", row > 0 ? "\n" : "", nutrient_section_title(section));
    }
    char eaten[64];
    nutrient_format_eaten(row, &line, eaten, sizeof eaten);
    char goal[64];
    nutrient_format_goal(&line.goal, goal, sizeof goal);
    char percent[96];
    nutrient_format_percent(&line, percent, sizeof percent);
    std::string printed = text_padded(_(info->label), 30, true) + " " +
                          text_padded(eaten, 10, false) + " " + text_padded(goal, 10, false) + " " +
                          text_padded(percent, 16, false) + "  " + goal_kind_name(line.goal.kind);
    while (!printed.empty() && printed.back() == ' ') printed.pop_back();
    printf("%s\n", printed.c_str());
  }
  NutrientNotes notes;
  nutrient_table_notes(&table, &notes);
  printf("\n");
  for (int i = 0; i < notes.count; i++) printf("%s\n", notes.text[i]);
}

// The kinds and marks as CSV words: a file format, not translated.
const char *csv_kind(GoalKind kind) {
  switch (kind) {
    case GOAL_AT_LEAST:
      return "at_least";
    case GOAL_AT_MOST:
      return "at_most";
    case GOAL_RANGE:
      return "range";
    case GOAL_NONE:
      break;
  }
  return "";
}

const char *csv_mark(NutrientMark mark) {
  return mark == MARK_BELOW ? "below" : mark == MARK_ABOVE ? "above" : "";
}

void print_csv(const NutrientTable &table) {
  fputs("nutrient,unit,eaten,goal_low,goal_high,goal_type,percent_of_goal,mark,incomplete\r\n",
        stdout);
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const NutrientRowInfo *info = nutrient_row_info(row);
    const NutrientLine &line = table.lines[row];
    char number[32];
    std::string record = std::string(info->key) + "," + info->unit + ",";
    if (line.has_eaten) record += format_plain_number(line.eaten, number);
    record += ",";
    if (line.goal.kind == GOAL_AT_LEAST || line.goal.kind == GOAL_RANGE)
      record += format_plain_number(line.goal.low, number);
    record += ",";
    if (line.goal.kind == GOAL_AT_MOST || line.goal.kind == GOAL_RANGE)
      record += format_plain_number(line.goal.high, number);
    record += std::string(",") + csv_kind(line.goal.kind) + ",";
    if (line.has_percent) record += format_plain_number(line.percent, number);
    record += std::string(",") + csv_mark(line.mark) + "," + (line.incomplete ? "1" : "0");
    record += "\r\n";
    fwrite(record.data(), 1, record.size(), stdout);
  }
}

}  // namespace

int report_nutrients(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                     const NutrientsRequest *request) {
  NutrientGoals goals;
  if (!read_goals(log_db, calorie_target, &goals)) return 1;

  LogEntryList entries{nullptr, 0, 0};
  if (log_db && log_entries_between(log_db, request->from ? request->from : "", request->to,
                                    &entries) != 0)
    return 1;

  // The entries of valid dates, counted per day: they are in date order.
  NutrientDay day;
  nutrient_day_clear(&day);
  uint32_t days = 0;
  uint32_t last_day = 0;
  const char *first_date = nullptr;
  size_t kept = 0;
  for (size_t i = 0; i < entries.count; ++i) {
    const uint32_t number = date_day_number(entries.items[i].date);
    if (number == 0) continue;
    if (number != last_day) {
      ++days;
      last_day = number;
      if (!first_date) first_date = entries.items[i].date;
    }
    // Keep the entry in place of those skipped, for one lookup of them all.
    if (kept != i) std::swap(entries.items[kept], entries.items[i]);
    ++kept;
  }
  const int rc = nutrient_day_add_entries(food_db, entries.items, kept, &day);
  NutrientTable table;
  nutrient_table_compute(&day, days, &goals, &table);

  char from_display[DISPLAY_DATE_SIZE];
  char to_display[DISPLAY_DATE_SIZE];
  char from[DATE_STRING_SIZE];
  snprintf(from, sizeof from, "%s",
           request->from ? request->from : first_date ? first_date : request->to);
  log_entry_list_free(&entries);
  if (rc != 0) return 1;

  if (request->csv) {
    print_csv(table);
  } else if (request->range) {
    printf(_("Nutrients from %s to %s, average per day with entries\n"),
           date_to_display(from, from_display), date_to_display(request->to, to_display));
    const uint32_t in_range = date_day_number(request->to) - date_day_number(from) + 1;
    printf(_("Days counted (days with entries): %d of %d\n"), static_cast<int>(days),
           static_cast<int>(in_range));
    printf("\n");
    print_text(table);
  } else {
    printf(_("Nutrients on %s"), date_to_display(request->to, to_display));
    printf("\n\n");
    print_text(table);
  }
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return 1;
  }
  return 0;
}

const char *nutrients_usage() {
  return _("       alimora-report --nutrients [YYYY-MM-DD] [--from YYYY-MM-DD] [--to YYYY-MM-DD] "
           "[--csv]\n"
           "Print the nutrients of a day (today by default) against the daily goals of the\n"
           "profile's age-sex group; with --from or --to, the average per day with entries;\n"
           "with --csv, as CSV with \".\" as the decimal point.\n");
}
