// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report --suggest: the day's suggestions as text or CSV.
#include "report/report-suggest.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "report/day-fill-read.h"
#include "report/report-range.h"
#include "i18n.h"

namespace {

std::string plain_number(double value, const char *format) {
  char text[G_ASCII_DTOSTR_BUF_SIZE];
  return g_ascii_formatd(text, sizeof text, format, value);
}

void print_csv(sqlite3 *food_db, const FillFoodTable &table,
               const std::vector<FillSuggestion> &list, const FillLeft &left) {
  fputs("food_code,description,portion,grams,kcal,vegetables,fruits,grains,dairy,"
        "protein_foods,oils,adds\r\n",
        stdout);
  for (const FillSuggestion &s : list) {
    const FillFood &food = table.foods[s.food];
    std::string record = std::to_string(food.food_code) + ",";
    append_csv_field(table.descriptions[s.food].c_str(), &record);
    record += ",";
    append_csv_field(fill_portion_text(&table, s.food, food_db).c_str(), &record);
    record += "," + plain_number(food.servings * 100.0, "%.1f") + "," +
              plain_number(s.kcal, "%.0f");
    for (double added : s.group_added) record += "," + plain_number(added, "%.2f");
    record += ",";
    append_csv_field(fill_adds_text(&left, &s).c_str(), &record);
    record += "\r\n";
    fwrite(record.data(), 1, record.size(), stdout);
  }
}

void print_text(sqlite3 *food_db, const FillFoodTable &table,
                const std::vector<FillSuggestion> &list, const FillLeft &left, const char *date) {
  char display[DISPLAY_DATE_SIZE];
  char heading[256];
  // Translators: the heading of the Fill the Day window and of alimora-report --suggest;
  // %s is the day
  snprintf(heading, sizeof heading, _("What is left on %s"), date_to_display(date, display));
  printf("%s\n", heading);
  for (const std::string &line : fill_left_lines(&left)) printf("  %s\n", line.c_str());
  if (list.empty()) {
    if (left.status == FILL_GAPS) printf("\n%s\n", _("No food fills what is left without going over."));
    return;
  }
  printf("\n%s\n", _("Suggestions:"));
  int number = 0;
  for (const FillSuggestion &s : list) {
    const FillFood &food = table.foods[s.food];
    // Translators: a suggestion of alimora-report --suggest: its place, description, food
    // code; then its portion, grams and what it adds
    printf(_("%2d. %s (%d)\n    %s, %s g: %s\n"), ++number, table.descriptions[s.food].c_str(),
           food.food_code, fill_portion_text(&table, s.food, food_db).c_str(),
           plain_number(food.servings * 100.0, "%.0f").c_str(), fill_adds_text(&left, &s).c_str());
  }
}

}  // namespace

int report_suggest(sqlite3 *food_db, sqlite3 *log_db, int calorie_target,
                   const SuggestRequest *request) {
  FillFoodTable table;
  if (fill_foods_load(food_db, &table) != 0) return 1;
  FillDay day;
  if (fill_day_read(food_db, log_db, request->date, calorie_target, &day, &table) != 0) return 1;
  FillLeft left;
  std::vector<FillSuggestion> list;
  fill_day_suggest(&day, &table, request->count ? request->count : kFillSuggestions, &left,
                   &list);
  if (request->csv) {
    print_csv(food_db, table, list, left);
    // A script reading the CSV learns from standard error why it is empty.
    if (list.empty())
      for (const std::string &line : fill_left_lines(&left)) fprintf(stderr, "%s\n", line.c_str());
  } else {
    print_text(food_db, table, list, left, request->date);
  }
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return 1;
  }
  return 0;
}

const char *suggest_usage() {
  return _("       alimora-report --suggest [--date YYYY-MM-DD] [--count N] [--csv]\n"
           "Print what is left of a day's food-group budget, energy and nutrient goals, and\n"
           "up to N foods (10 by default, at most 100) whose usual portion fills it best;\n"
           "with --csv, as CSV with \".\" as the decimal point.\n");
}
