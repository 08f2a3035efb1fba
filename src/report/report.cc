// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-report: prints the plain-text food-group budget report of one day of the food log,
// or, over a range of days, a summary, the entries as CSV or a chart (report-range.h).
#include <glib.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "program-paths.h"
#include "report/report-nutrients.h"
#include "report/report-range.h"
#include "report/report-weights.h"
#include "report/report-suggest.h"
#include "budget/date-string.h"
#include "budget/day-totals.h"
#include "budget/food-groups.h"
#include "budget/pattern.h"
#include "config.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/log-entries.h"


namespace {

enum ExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// The calorie target used when the profile holds no usable one.
constexpr int kDefaultCalorieTarget = 2000;

struct FoodDbCloser {
  void operator()(sqlite3 *handle) const { food_db_close(handle); }
};
struct LogDbCloser {
  void operator()(sqlite3 *handle) const { log_db_close(handle); }
};
struct EntryListFreer {
  void operator()(LogEntryList *list) const { log_entry_list_free(list); }
};

void print_usage() {
  printf("%s",
         _("Usage: alimora-report [YYYY-MM-DD]\n"
           "       alimora-report [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--csv] [--chart FILE.svg]\n"
           "Print the food-group budget of a day, what the food log holds for it and what\n"
           "remains. Without a date, today is reported.\n"
           "\n"
           "With --from or --to, summarise the days with entries from the first date (by\n"
           "default the first logged day) to the second (by default today): each day's\n"
           "amounts, the average per day against the budget and the days each group's\n"
           "budget was met and was over.\n"));
  printf("\n%s\n", nutrients_usage());
  printf("%s\n", suggest_usage());
  printf("%s\n",
         _("Usage: alimora-report --weights [YYYY-MM-DD] [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
           "                      [--csv]\n"
           "Print the weight log: each day's weight and its trend, the smoothed average of\n"
           "the weights, from the first weight (or --from) to today (or --to), in the unit\n"
           "chosen in the profile. With --csv, the same in kilograms as CSV, with the header\n"
           "date,weight_kg,trend_kg.\n"));
  printf("%s",
         _("  --from YYYY-MM-DD  first day of the range\n"
           "  --to YYYY-MM-DD    last day of the range\n"
           "  --csv              print the range's entries as CSV instead of the summary\n"
           "  --chart FILE.svg   draw the range as a chart of the six food groups into FILE.svg\n"
           "  --nutrients        print the nutrients against the goals instead of the budget\n"
           "  --suggest          print what is left of a day and foods that fill it\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n"));
}

// The stored calorie target, or the default when there is no profile row or it holds a
// target below 1. Returns false after a failed read (the line is already printed).
bool read_calorie_target(sqlite3 *log_db, int *target) {
  *target = kDefaultCalorieTarget;
  if (!log_db) return true;
  Profile profile;
  const int rc = profile_load_stored(log_db, &profile);
  if (rc == 0 && profile.calorie_target >= 1) *target = profile.calorie_target;
  profile_clear(&profile);
  return rc != -1;
}

// Adds the entries of |date| to |totals| (day_totals_add). Returns false after a failed read.
bool add_day(sqlite3 *food_db, sqlite3 *log_db, const char *date, DayTotals *totals) {
  if (!log_db) return true;
  LogEntryList entries;
  if (log_entries_for_date(log_db, date, &entries) != 0) return false;
  std::unique_ptr<LogEntryList, EntryListFreer> entries_guard(&entries);
  for (size_t i = 0; i < entries.count; ++i) {
    FoodValues values;
    const int rc = food_values_of(food_db, entries.items[i].food_code, &values);
    if (rc == -1) return false;
    day_totals_add(totals, rc == 0 ? &values : nullptr, entries.items[i].servings);
  }
  return true;
}

// What the command line asks for.
struct ReportOptions {
  const char *date = nullptr;   // the day of the one-day report
  const char *from = nullptr;   // --from
  const char *to = nullptr;     // --to
  bool csv = false;             // --csv
  const char *chart = nullptr;  // --chart
  bool nutrients = false;       // --nutrients
  bool weights = false;         // --weights
  bool suggest = false;         // --suggest
  const char *count = nullptr;  // --count
};

bool is_range_report(const ReportOptions &options) {
  return options.from || options.to || options.csv || options.chart;
}

int print_report(const ReportOptions &options) {
  std::unique_ptr<sqlite3, FoodDbCloser> food_db(food_db_open(program_food_db_path().c_str()));
  if (!food_db) return kExitFailure;

  sqlite3 *log_handle = nullptr;
  if (log_db_open_read_only(user_log_path().c_str(), &log_handle) == -1) return kExitFailure;
  std::unique_ptr<sqlite3, LogDbCloser> log_db(log_handle);
  // Own foods and recipes of the log count like the food database's foods.
  if (log_db) food_db_use_log(food_db.get(), log_db.get());

  int target = kDefaultCalorieTarget;
  if (!read_calorie_target(log_db.get(), &target)) return kExitFailure;

  char today[DATE_STRING_SIZE];
  date_today(today);
  if (options.weights) {
    const bool range = options.from || options.to;
    WeightsRequest request = {range ? options.from : options.date,
                              range ? options.to : options.date, options.csv};
    return report_weights(log_db.get(), &request);
  }
  if (options.suggest) {
    SuggestRequest request = {options.date ? options.date : today,
                              options.count ? strtoul(options.count, nullptr, 10) : 0,
                              options.csv};
    return report_suggest(food_db.get(), log_db.get(), target, &request);
  }
  if (options.nutrients) {
    const bool range = options.from || options.to;
    const char *day = options.date ? options.date : today;
    NutrientsRequest request = {range ? options.from : day,
                                range ? (options.to ? options.to : today) : day, range,
                                options.csv};
    return report_nutrients(food_db.get(), log_db.get(), target, &request);
  }
  if (is_range_report(options)) {
    // Without dates, the CSV is the whole log: a backup that leaves nothing out.
    const bool every_entry = options.csv && !options.date && !options.from && !options.to;
    RangeRequest request = {options.date ? options.date : options.from,
                            options.date ? options.date : options.to ? options.to : today,
                            options.csv, options.chart, every_entry};
    return report_range(food_db.get(), log_db.get(), target, &request);
  }

  const char *date = options.date ? options.date : today;
  DayTotals totals;
  day_totals_clear(&totals);
  if (!add_day(food_db.get(), log_db.get(), date, &totals)) return kExitFailure;
  FoodGroupAmounts consumed = {0, {}};
  std::copy(std::begin(totals.amounts), std::end(totals.amounts), consumed.amounts);

  const FoodGroupAmounts budget = pattern_for_calories(target);
  char display[DISPLAY_DATE_SIZE];
  printf(_("Report for %s\n"), date_to_display(date, display));
  budget_report_print(&budget, &consumed);
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the report: %s\n"), g_strerror(errno));
    return kExitFailure;
  }
  return kExitOk;
}

// If |argument| is the option |name|, sets |*value| to its value, given as "NAME=VALUE" or
// as the next argument (then |*index| moves past it), and returns true. A missing or empty
// value leaves |*value| null.
bool take_option(const char *name, int argc, char **argv, int *index, const char **value) {
  const char *argument = argv[*index];
  const size_t length = strlen(name);
  if (strncmp(argument, name, length) != 0) return false;
  if (argument[length] == '=') {
    *value = argument[length + 1] ? argument + length + 1 : nullptr;
    return true;
  }
  if (argument[length] != '\0') return false;
  *value = *index + 1 < argc && argv[*index + 1][0] ? argv[++*index] : nullptr;
  return true;
}

// Reads the command line into |options|. Returns -1 when the report is to be made, else
// the exit status after printing the help, the version or the line that says what is wrong.
int parse_arguments(int argc, char **argv, ReportOptions *options) {
  for (int i = 1; i < argc; ++i) {
    const char *argument = argv[i];
    if (strcmp(argument, "--help") == 0 || strcmp(argument, "--version") == 0) {
      if (argc > 2) {
        fprintf(stderr, _("alimora: %s takes no other arguments\n"), argument);
        return kExitUsage;
      }
      if (argument[2] == 'h')
        print_usage();
      else
        printf("alimora-report %s\n", PACKAGE_VERSION);
      return kExitOk;
    }
    const char *value = nullptr;
    const char **target = nullptr;
    if (take_option("--from", argc, argv, &i, &value)) {
      target = &options->from;
    } else if (take_option("--to", argc, argv, &i, &value)) {
      target = &options->to;
    } else if (take_option("--chart", argc, argv, &i, &value)) {
      target = &options->chart;
    } else if (strcmp(argument, "--weights") == 0) {
      options->weights = true;
      continue;
    } else if (take_option("--date", argc, argv, &i, &value)) {
      if (value && options->date) {
        fprintf(stderr, "%s",
                _("alimora: too many arguments; usage: alimora-report [YYYY-MM-DD]\n"));
        return kExitUsage;
      }
      target = &options->date;
    } else if (take_option("--count", argc, argv, &i, &value)) {
      target = &options->count;
    } else if (strcmp(argument, "--suggest") == 0) {
      options->suggest = true;
      continue;
    } else if (strcmp(argument, "--nutrients") == 0) {
      options->nutrients = true;
      continue;
    } else if (strcmp(argument, "--csv") == 0) {
      options->csv = true;
      continue;
    } else if (argument[0] == '-' && argument[1] != '\0') {
      fprintf(stderr, _("alimora: unknown option '%s'; see alimora-report --help\n"), argument);
      return kExitUsage;
    } else if (options->date) {
      fprintf(stderr, "%s",
              _("alimora: too many arguments; usage: alimora-report [YYYY-MM-DD]\n"));
      return kExitUsage;
    } else {
      options->date = argument;
      continue;
    }
    if (!value) {
      fprintf(stderr, _("alimora: option '%s' needs a value; see alimora-report --help\n"),
              argument);
      return kExitUsage;
    }
    *target = value;
  }

  for (const char *date : {options->date, options->from, options->to}) {
    if (date && !date_string_is_valid(date)) {
      fprintf(stderr, _("alimora: '%s' is not a date; expected YYYY-MM-DD\n"), date);
      return kExitUsage;
    }
  }
  if (options->chart && strcmp(options->chart, "-") == 0 && options->csv) {
    fprintf(stderr, "%s", _("alimora: --chart - and --csv cannot both write to standard output\n"));
    return kExitUsage;
  }
  if (options->date && (options->from || options->to)) {
    fprintf(stderr, "%s", _("alimora: a date cannot be given with --from or --to\n"));
    return kExitUsage;
  }
  if (options->weights && (options->chart || options->nutrients || options->suggest)) {
    fprintf(stderr, "%s",
            _("alimora: --weights cannot be given with --chart, --nutrients or --suggest\n"));
    return kExitUsage;
  }
  if (options->suggest && (options->from || options->to || options->chart || options->nutrients)) {
    fprintf(stderr, "%s",
            _("alimora: --suggest is for one day: it cannot be given with --from, --to, "
              "--chart or --nutrients\n"));
    return kExitUsage;
  }
  if (options->count) {
    char *end = nullptr;
    errno = 0;
    const unsigned long count = strtoul(options->count, &end, 10);
    if (!options->suggest || *end != '\0' || errno != 0 || options->count[0] < '0' ||
        options->count[0] > '9' || count < 1 || count > 100) {
      fprintf(stderr, "%s",
              _("alimora: --count takes a whole number from 1 to 100, with --suggest\n"));
      return kExitUsage;
    }
  }
  if (options->nutrients && options->chart) {
    fprintf(stderr, "%s", _("alimora: --nutrients cannot be given with --chart\n"));
    return kExitUsage;
  }
  if (options->from) {
    char today[DATE_STRING_SIZE];
    date_today(today);
    const char *to = options->to ? options->to : today;
    if (strcmp(options->from, to) > 0) {
      fprintf(stderr, _("alimora: the start date %s is after the end date %s\n"), options->from,
              to);
      return kExitUsage;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char **argv) {
  setlocale(LC_ALL, "");
  bindtextdomain(GETTEXT_PACKAGE, PROGRAM_LOCALEDIR);
  textdomain(GETTEXT_PACKAGE);

  ReportOptions options;
  const int status = parse_arguments(argc, argv, &options);
  if (status != -1) return status;
  return print_report(options);
}
