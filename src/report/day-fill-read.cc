// SPDX-License-Identifier: GPL-3.0-or-later
// The day and the person's foods, as the suggestions see them.
#include "report/day-fill-read.h"

#include <glib.h>

#include <ctime>
#include <memory>

#include "budget/date-string.h"
#include "budget/pattern.h"
#include "fooddb/food-db.h"
#include "store/log-db.h"
#include "store/log-entries.h"

namespace {

struct EntryListFreer {
  void operator()(LogEntryList *list) const { log_entry_list_free(list); }
};

// The date |days| days before |date| into |out|; |date| itself when it is no calendar date.
void date_before(const char *date, int days, char *out) {
  g_strlcpy(out, date, DATE_STRING_SIZE);
  GDate parsed;
  g_date_clear(&parsed, 1);
  int year, month, day;
  if (sscanf(date, "%4d-%2d-%2d", &year, &month, &day) != 3 ||
      !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return;
  g_date_set_dmy(&parsed, static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                 static_cast<GDateYear>(year));
  if (g_date_get_julian(&parsed) > static_cast<guint32>(days)) g_date_subtract_days(&parsed, days);
  g_date_strftime(out, DATE_STRING_SIZE, "%Y-%m-%d", &parsed);
}

}  // namespace

int fill_day_read(sqlite3 *food_db, sqlite3 *log_db, const char *date, int calorie_target,
                  FillDay *day, FillFoodTable *table) {
  *day = FillDay{};
  day->calorie_target = calorie_target;
  day->budget = pattern_for_calories(calorie_target);
  nutrient_day_clear(&day->eaten);

  Profile profile{};
  const int loaded = log_db ? profile_load(log_db, &profile) : 1;
  if (loaded == -1) return -1;
  day->has_profile = loaded == 0;
  const time_t now = time(nullptr);
  struct tm today;
  const struct tm *today_or_null = localtime_r(&now, &today);
  nutrient_goals_for(loaded == 0 ? profile.bdate : nullptr, loaded == 0 ? profile.gender : -1,
                     calorie_target, today_or_null, &day->goals);
  profile_clear(&profile);

  LogEntryList recent{nullptr, 0, 0};
  std::unique_ptr<LogEntryList, EntryListFreer> recent_guard(&recent);
  if (log_db) {
    char from[DATE_STRING_SIZE];
    date_before(date, kFillRecentDays - 1, from);
    if (log_entries_between(log_db, from, date, &recent) != 0) return -1;
  }
  // The day's own entries are the last of the period: its sums by the rules of the bars
  // (food groups) and of the Nutrients window (energy and nutrients).
  LogEntryList today_entries{nullptr, 0, 0};
  for (size_t i = 0; i < recent.count; i++) {
    if (strcmp(recent.items[i].date, date) != 0) continue;
    if (!today_entries.items) today_entries.items = &recent.items[i];
    today_entries.count++;
  }
  if (today_entries.count > 0) {
    if (nutrient_day_add_entries(food_db, today_entries.items, today_entries.count,
                                 &day->eaten) != 0)
      return -1;
    std::vector<int32_t> codes(today_entries.count);
    std::vector<FoodValues> values(today_entries.count);
    for (size_t i = 0; i < today_entries.count; i++) codes[i] = today_entries.items[i].food_code;
    if (food_values_for(food_db, codes.data(), codes.size(), values.data()) != 0) return -1;
    DayTotals groups;
    day_totals_clear(&groups);
    for (size_t i = 0; i < today_entries.count; i++)
      day_totals_add(&groups, &values[i], today_entries.items[i].servings);
    std::copy(std::begin(groups.amounts), std::end(groups.amounts),
              std::begin(day->eaten.totals.amounts));
  }
  // The own foods as the log now holds them: one may have been added, changed or deleted
  // since the table was read.
  if (fill_foods_own(food_db, table) != 0) return -1;
  fill_foods_use(table, &recent);
  return 0;
}

void fill_day_suggest(const FillDay *day, const FillFoodTable *table, size_t limit,
                      FillLeft *left, std::vector<FillSuggestion> *out) {
  fill_left_compute(day, left);
  fill_suggest(left, table->foods.data(), table->foods.size(), limit, out);
}
