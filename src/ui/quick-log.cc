// SPDX-License-Identifier: GPL-3.0-or-later
// The quick log: ranked suggestions under a field of the main window, logging a known food
// at once with its last amount, copying a day to today, and undoing either from an
// in-window notification or with Ctrl+Z.
#include "ui/quick-log.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "budget/date-string.h"
#include "fooddb/food-db.h"
#include "fooddb/food-rank.h"
#include "i18n.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/object-keys.h"
#include "ui/search-dialog.h"
#include "ui/weight-view.h"

namespace {

const guint kNoticeSeconds = 10;  // how long the notification stays without being answered
const double kServingGrams = 100.0;

enum { ROW_TEXT_SIZE = 1024, AMOUNT_TEXT_SIZE = 512, NOTICE_TEXT_SIZE = 1024 };

// One suggestion on show.
struct Suggestion {
  int32_t food_code;
  std::string description;  // as the food database has it
  bool logged;              // the person has logged the food before
  double servings;          // the servings of its last entry, when logged
};

// One food of the person, as its last entry has it.
struct UseRecord {
  int32_t food_code;
  std::string description;
  std::string last_date;
  int last_day;  // day_number of last_date
  double last_servings;
  int64_t last_id;
  uint32_t count;
};

// What Undo takes back: the ids of the entries a write added, and the person's foods that
// the write changed as they were before it (none for a food it logged the first time).
struct UndoRecord {
  LogIdRange added{0, 0, 0};
  std::vector<std::pair<int32_t, std::vector<UseRecord>>> before;  // zero or one record each
  std::function<bool()> other;  // takes back a write of another kind (a weight); true if done
};

// The suggestion that logs the weight the field's text names ("weight 81.4", "81.4 kg").
constexpr int32_t kWeightSuggestion = -1;

// The quick log of one main window; object data of the window, freed with it.
struct QuickLog {
  GuiState *state = nullptr;
  GtkWidget *field = nullptr;
  GtkWidget *popover = nullptr;
  GtkWidget *list = nullptr;
  GtkWidget *copy_button = nullptr;
  GtkWidget *revealer = nullptr;
  GtkWidget *notice_label = nullptr;
  guint notice_timeout = 0;

  FoodIndex index{nullptr, 0, 0};  // read from the food database on first use
  bool index_read = false;
  // The person's foods, newest last entry first: read from the log when the field takes the
  // focus after another part of the window changed the log, and kept up to date by the
  // quick log's own writes (reading them again takes a scan of the whole log).
  std::vector<UseRecord> uses;
  std::vector<FoodRankUse> weights;
  std::unordered_map<int32_t, size_t> use_of;  // food code -> position in |uses|
  bool uses_stale = true;   // read them before the next use
  LogStamp uses_stamp{-1, -1};  // the log as |uses| has it

  std::vector<Suggestion> shown;
  std::vector<GtkWidget *> rows;  // the list's rows, made once and reused
  // The amount texts of the person's foods, made once: food code -> (servings, text).
  std::unordered_map<int32_t, std::pair<double, std::string>> amounts;
  UndoRecord undo;
  int64_t last_id_before_dialog = 0;
  bool uses_stale_before_dialog = true;
};

void quick_log_free(gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  food_index_free(&ql->index);
  delete ql;
}

QuickLog *quick_log_of(GuiState *state) {
  if (!state || !state->main_window) return nullptr;
  return static_cast<QuickLog *>(g_object_get_data(G_OBJECT(state->main_window), KEY_QUICK_LOG));
}

// The day number (days since 1 January of the year 1) of the date string |date|, or -1 when
// it does not read as a calendar day.
int day_number(const char *date) {
  int year = 0, month = 0, day = 0;
  if (!date || sscanf(date, "%d-%d-%d", &year, &month, &day) != 3 || year < 1 || year > 9999 ||
      !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return -1;
  GDate when;
  g_date_clear(&when, 1);
  g_date_set_dmy(&when, static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                 static_cast<GDateYear>(year));
  return static_cast<int>(g_date_get_julian(&when));
}

// Days from day number |day| to |today|; a year when either is unknown.
int days_between(int day, int today) { return day < 0 || today < 0 ? 365 : today - day; }

void read_index(QuickLog *ql) {
  if (ql->index_read) return;
  ql->index_read = true;  // a failure has been reported; the field then suggests nothing
  food_index_load(ql->state->food_db, &ql->index);
  // The list's window is made now, while nothing is typed, not on the first key.
  if (ql->popover && gtk_widget_get_realized(gtk_widget_get_toplevel(ql->field)))
    gtk_widget_realize(ql->popover);
}

// Puts the person's foods in order and renews what the ranking and the rows look up.
void index_uses(QuickLog *ql) {
  char today_text[DATE_STRING_SIZE];
  date_today(today_text);
  const int today = day_number(today_text);
  std::sort(ql->uses.begin(), ql->uses.end(),
            [](const UseRecord &a, const UseRecord &b) { return a.last_id > b.last_id; });
  ql->weights.clear();
  ql->use_of.clear();
  ql->weights.reserve(ql->uses.size());
  for (size_t i = 0; i < ql->uses.size(); i++) {
    const UseRecord &use = ql->uses[i];
    ql->weights.push_back(FoodRankUse{use.food_code,
                                      food_use_weight(use.count, days_between(use.last_day, today))});
    ql->use_of.emplace(use.food_code, i);
  }
  // In food-code order, as the ranking looks them up.
  std::sort(ql->weights.begin(), ql->weights.end(),
            [](const FoodRankUse &a, const FoodRankUse &b) { return a.food_code < b.food_code; });
}

// Whether the log changed since |uses| were read or brought up to date: a write of another
// dialog, or of another program.
bool log_changed(QuickLog *ql) {
  LogStamp now{0, 0};
  if (log_stamp_read(ql->state->log_db, &now) != 0) return true;
  return now.changes != ql->uses_stamp.changes || now.version != ql->uses_stamp.version;
}

// |uses| are as the log is now.
void uses_in_step(QuickLog *ql) {
  ql->uses_stale = false;
  if (log_stamp_read(ql->state->log_db, &ql->uses_stamp) != 0) ql->uses_stale = true;
}

// Reads the person's foods from the log.
void read_uses(QuickLog *ql) {
  ql->uses.clear();
  uses_in_step(ql);
  FoodUseList list{nullptr, 0, 0};
  if (log_food_uses(ql->state->log_db, &list) == 0) {
    ql->uses.reserve(list.count);
    for (size_t i = 0; i < list.count; i++) {
      const FoodUse &use = list.items[i];
      ql->uses.push_back(UseRecord{use.food_code, use.description, use.last_date,
                                   day_number(use.last_date), use.last_servings, use.last_id,
                                   use.count});
    }
  }
  food_use_list_free(&list);
  index_uses(ql);
}

// Counts an entry just added in the person's foods, keeping what the food was before for
// Undo when |for_undo|.
void count_added(QuickLog *ql, const LogEntry &entry, bool for_undo) {
  auto found = ql->use_of.find(entry.food_code);
  bool saved = !for_undo;
  for (const auto &before : ql->undo.before) saved = saved || before.first == entry.food_code;
  if (!saved) {
    std::vector<UseRecord> was;
    if (found != ql->use_of.end()) was.push_back(ql->uses[found->second]);
    ql->undo.before.emplace_back(entry.food_code, was);
  }
  if (found == ql->use_of.end()) {
    ql->uses.push_back(UseRecord{entry.food_code, entry.description, entry.date,
                                 day_number(entry.date), entry.servings, entry.id, 1});
    ql->use_of.emplace(entry.food_code, ql->uses.size() - 1);
    return;
  }
  UseRecord &use = ql->uses[found->second];
  use.description = entry.description;
  use.last_date = entry.date;
  use.last_day = day_number(entry.date);
  use.last_servings = entry.servings;
  use.last_id = entry.id;
  use.count++;
}

// Puts the person's foods back as they were before the write that Undo took back.
void uncount_added(QuickLog *ql) {
  for (const auto &before : ql->undo.before) {
    auto found = ql->use_of.find(before.first);
    if (found == ql->use_of.end()) continue;
    if (before.second.empty()) {
      ql->uses.erase(ql->uses.begin() + static_cast<long>(found->second));
    } else {
      ql->uses[found->second] = before.second.front();
    }
    index_uses(ql);
  }
}

void prepare(QuickLog *ql) {
  read_index(ql);
  if (ql->uses_stale || log_changed(ql)) read_uses(ql);
}

// The food |food_code| of the index, or null (the index is in food-code order).
const FoodIndexEntry *indexed_food(const QuickLog *ql, int32_t food_code) {
  const FoodIndexEntry *begin = ql->index.items;
  const FoodIndexEntry *end = begin + ql->index.count;
  const FoodIndexEntry *at = std::lower_bound(
      begin, end, food_code,
      [](const FoodIndexEntry &entry, int32_t code) { return entry.food_code < code; });
  return at != end && at->food_code == food_code ? at : nullptr;
}

Suggestion suggestion_for(const QuickLog *ql, int32_t food_code, const char *description) {
  Suggestion s{food_code, description ? description : "", false, 1.0};
  auto found = ql->use_of.find(food_code);
  if (found != ql->use_of.end()) {
    s.logged = true;
    s.servings = ql->uses[found->second].last_servings;
  }
  return s;
}

// How the last amount of a food reads: its household measure when the servings are a
// simple number of that measure, as the measure chooser sets them ("1 cup (244 g)",
// "2 × 1 slice (28 g)"), otherwise the servings ("1.50 servings").
void amount_text(sqlite3 *food_db, int32_t food_code, double servings, char *out, size_t size) {
  FoodMeasureList measures{nullptr, 0, 0};
  food_measures(food_db, food_code, &measures);  // a failure leaves the servings
  const FoodMeasure *chosen = nullptr;
  double chosen_amount = 0.0;
  for (size_t i = 0; i < measures.count; i++) {
    const FoodMeasure &m = measures.items[i];
    if (!std::isfinite(m.grams) || m.grams <= 0.0) continue;
    // The chooser offers amounts in steps the person types: quarters are what people use.
    const double amount = std::round(servings * kServingGrams / m.grams * 4.0) / 4.0;
    if (amount < 0.25 || amount > 1000.0) continue;
    if (std::fabs(std::round(amount * m.grams) / kServingGrams - servings) > 0.0051) continue;
    // A whole number of a measure says more than a fraction of another.
    const bool whole = amount == std::floor(amount);
    const bool chosen_whole = chosen && chosen_amount == std::floor(chosen_amount);
    if (!chosen || (whole && !chosen_whole)) {
      chosen = &m;
      chosen_amount = amount;
    }
  }
  if (!chosen) {
    snprintf(out, size, "%.2f %s", servings, _("servings"));
  } else {
    char weight[32];
    snprintf(weight, sizeof weight, "%g", chosen->grams);
    char measure[AMOUNT_TEXT_SIZE - 32];
    snprintf(measure, sizeof measure, _("%s (%s g)"), chosen->description, weight);
    if (chosen_amount == 1.0)
      snprintf(out, size, "%s", measure);
    else
      snprintf(out, size, "%g × %s", chosen_amount, measure);
  }
  food_measure_list_free(&measures);
}

// The text of a suggestion: the description as the food database has it, then, for a food
// logged before, the amount of its last entry.
std::string row_text(QuickLog *ql, const Suggestion &s) {
  if (!s.logged) return s.description;
  auto cached = ql->amounts.find(s.food_code);
  if (cached == ql->amounts.end() || cached->second.first != s.servings) {
    char amount[AMOUNT_TEXT_SIZE];
    amount_text(ql->state->food_db, s.food_code, s.servings, amount, sizeof amount);
    cached = ql->amounts.insert_or_assign(s.food_code, std::make_pair(s.servings, std::string(amount)))
                 .first;
  }
  char text[ROW_TEXT_SIZE];
  snprintf(text, sizeof text, "%s — %s", s.description.c_str(), cached->second.second.c_str());
  return text;
}

void hide_suggestions(QuickLog *ql) {
  ql->shown.clear();
  if (ql->popover) gtk_widget_hide(ql->popover);
}

GtkListBoxRow *selected_row(QuickLog *ql) {
  return ql->list ? gtk_list_box_get_selected_row(GTK_LIST_BOX(ql->list)) : nullptr;
}

// Tells screen readers which suggestion is selected: the focus stays in the field.
void announce_selection(QuickLog *ql) {
  GtkListBoxRow *row = selected_row(ql);
  const char *text = "";
  if (row) {
    GtkWidget *label = gtk_bin_get_child(GTK_BIN(row));
    if (GTK_IS_LABEL(label)) text = gtk_label_get_text(GTK_LABEL(label));
  }
  atk_object_set_description(gtk_widget_get_accessible(ql->field), text);
}

// Gives the list at least |count| rows, hidden until they have a suggestion.
void make_rows(QuickLog *ql, size_t count) {
  while (ql->rows.size() < count) {
    GtkWidget *label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 70);
    GtkWidget *row = gtk_list_box_row_new();
    gtk_widget_set_can_focus(row, FALSE);  // the focus stays in the field
    gtk_container_add(GTK_CONTAINER(row), label);
    gtk_container_add(GTK_CONTAINER(ql->list), row);
    gtk_widget_show(label);
    ql->rows.push_back(row);
  }
}

// Puts |ql->shown| into the list, the first one selected, and shows it under the field. The
// rows are made once and take new texts; rows beyond the suggestions are hidden.
void show_list(QuickLog *ql) {
  if (ql->shown.empty()) {
    hide_suggestions(ql);
    announce_selection(ql);
    return;
  }
  make_rows(ql, ql->shown.size());
  for (size_t i = 0; i < ql->rows.size(); i++) {
    if (i < ql->shown.size()) {
      gtk_label_set_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(ql->rows[i]))),
                         row_text(ql, ql->shown[i]).c_str());
      gtk_widget_show(ql->rows[i]);
    } else {
      gtk_widget_hide(ql->rows[i]);
    }
  }
  gtk_list_box_select_row(GTK_LIST_BOX(ql->list), GTK_LIST_BOX_ROW(ql->rows[0]));
  gtk_widget_show(ql->list);
  gtk_widget_show(ql->popover);
  announce_selection(ql);
}

// The suggestions for the field's text now.
void suggest(QuickLog *ql) {
  prepare(ql);
  ql->shown.clear();
  const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
  double weight_kg = 0.0;
  std::string weight_row;
  if (text && weight_query_read(ql->state, text, &weight_kg, &weight_row))
    ql->shown.push_back(Suggestion{kWeightSuggestion, weight_row, false, weight_kg});
  FoodHitList hits{nullptr, 0, 0};
  if (text && food_rank(&ql->index, text, ql->weights.data(), ql->weights.size(),
                        kQuickLogSuggestions, &hits) == 0) {
    for (size_t i = 0; i < hits.count; i++)
      ql->shown.push_back(suggestion_for(ql, hits.items[i].food_code, hits.items[i].description));
    food_hit_list_free(&hits);
  }
  show_list(ql);
}

// The foods logged last, each once, newest first.
void suggest_recent(QuickLog *ql) {
  prepare(ql);
  ql->shown.clear();
  for (size_t i = 0; i < ql->uses.size() && ql->shown.size() < kQuickLogSuggestions; i++) {
    const UseRecord &use = ql->uses[i];
    const FoodIndexEntry *food = indexed_food(ql, use.food_code);
    ql->shown.push_back(
        suggestion_for(ql, use.food_code, food ? food->description : use.description.c_str()));
  }
  show_list(ql);
}

void move_selection(QuickLog *ql, int step) {
  GtkListBoxRow *row = selected_row(ql);
  const int at = row ? gtk_list_box_row_get_index(row) : -1;
  const int count = static_cast<int>(ql->shown.size());
  const int next = std::min(std::max(at + step, 0), count - 1);
  GtkListBoxRow *target = gtk_list_box_get_row_at_index(GTK_LIST_BOX(ql->list), next);
  if (target) gtk_list_box_select_row(GTK_LIST_BOX(ql->list), target);
  announce_selection(ql);
}

// Whether the keyboard focus of the main window is on the notification's buttons.
bool notice_has_focus(QuickLog *ql) {
  GtkWidget *window = ql->state->main_window;
  GtkWidget *focus = window ? gtk_window_get_focus(GTK_WINDOW(window)) : nullptr;
  return focus && ql->revealer && gtk_widget_is_ancestor(focus, ql->revealer);
}

gboolean on_notice_timeout(gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  // Not while the person is on its "Undo": it goes once the focus has moved on.
  if (notice_has_focus(ql)) return G_SOURCE_CONTINUE;
  ql->notice_timeout = 0;
  if (ql->revealer) gtk_revealer_set_reveal_child(GTK_REVEALER(ql->revealer), FALSE);
  return G_SOURCE_REMOVE;
}

// A control that had the focus and went away with a redraw (an entry's Edit or Delete
// button), turned insensitive ("Copy to Today" once today is on display) or was hidden (the
// notification's buttons) hands the focus to the field, so that the keyboard goes on from
// there rather than from nowhere.
void keep_focus(QuickLog *ql) {
  GtkWidget *window = ql->state->main_window;
  if (!window || !ql->field || !gtk_widget_get_mapped(window)) return;
  GtkWidget *focus = gtk_window_get_focus(GTK_WINDOW(window));
  const bool hidden = notice_has_focus(ql) &&
                      !gtk_revealer_get_reveal_child(GTK_REVEALER(ql->revealer));
  if (!focus || !gtk_widget_is_sensitive(focus) || hidden) gtk_widget_grab_focus(ql->field);
}

void hide_notice(QuickLog *ql) {
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = 0;
  if (ql->revealer) gtk_revealer_set_reveal_child(GTK_REVEALER(ql->revealer), FALSE);
}

// Shows |text| in the notification with "Undo" for a while.
void notify(QuickLog *ql, const char *text) {
  gtk_label_set_text(GTK_LABEL(ql->notice_label), text);
  gtk_revealer_set_reveal_child(GTK_REVEALER(ql->revealer), TRUE);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = g_timeout_add_seconds(kNoticeSeconds, on_notice_timeout, ql);
}

// After a write of the quick log: the view, the person's foods and the field start afresh,
// and the focus stays in the field for the next food.
void after_write(QuickLog *ql) {
  uses_in_step(ql);
  refresh_views(ql->state);
  index_uses(ql);
  gtk_entry_set_text(GTK_ENTRY(ql->field), "");
  hide_suggestions(ql);
  gtk_widget_grab_focus(ql->field);
}

// Logs a food logged before, on the date on display, with the servings of its last entry.
void log_again(QuickLog *ql, const Suggestion &s) {
  GuiState *state = ql->state;
  prepare(ql);  // the person's foods as the log has them, before this write
  LogIdRange added{0, 0, 0};
  if (log_entry_add_kept(state->log_db, s.food_code, s.description.c_str(), state->current_date,
                         s.servings, &added) != 0) {
    // The field keeps its text, so that the person can try again.
    show_write_failure(GTK_WINDOW(state->main_window), _("The food was not added to the log."),
                       sqlite3_errmsg(state->log_db));
    return;
  }
  ql->undo = UndoRecord{added, {}, {}};
  count_added(ql, LogEntry{added.first, s.food_code, const_cast<char *>(s.description.c_str()),
                           state->current_date, s.servings},
              true);
  const std::string logged = row_text(ql, s);
  after_write(ql);
  char text[NOTICE_TEXT_SIZE];
  // Translators: %s is the food just logged with its amount, "Milk, whole — 1 cup (244 g)"
  snprintf(text, sizeof text, _("“%s” logged"), logged.c_str());
  notify(ql, text);
}

// The add-to-log dialog is gone: a food it logged empties the field; otherwise the field
// keeps what was typed. Either way the focus comes back to it.
void on_quick_log_dialog_destroy(GtkWidget *dialog, gpointer data) {
  run_guarded("on_quick_log_dialog_destroy", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (!ql || !ql->field) return;
    const int64_t id = sqlite3_last_insert_rowid(ql->state->log_db);
    if (id != ql->last_id_before_dialog) {
      // The dialog's fields are still there while it goes: what they hold was logged.
      GObject *object = G_OBJECT(dialog);
      auto *spin = static_cast<GtkWidget *>(g_object_get_data(object, KEY_SPIN_QUANTITY));
      auto *calendar = static_cast<GtkWidget *>(g_object_get_data(object, KEY_CALENDAR));
      auto *description = static_cast<const char *>(g_object_get_data(object, KEY_FOOD_DESC));
      if (spin && calendar && description && !ql->uses_stale_before_dialog) {
        char date[DATE_STRING_SIZE];
        calendar_date_string(calendar, date);
        const int32_t code = GPOINTER_TO_INT(g_object_get_data(object, KEY_FOOD_CODE));
        count_added(ql, LogEntry{id, code, const_cast<char *>(description), date,
                                 gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin))},
                    false);
        index_uses(ql);
        uses_in_step(ql);
      }
      gtk_entry_set_text(GTK_ENTRY(ql->field), "");
    }
    hide_suggestions(ql);
    gtk_widget_grab_focus(ql->field);
  });
}

// Moves the add-to-log dialog's calendar to the date on display.
void calendar_to(GtkWidget *calendar, const char *date) {
  int year = 0, month = 0, day = 0;
  if (!calendar || !date || sscanf(date, "%d-%d-%d", &year, &month, &day) != 3) return;
  if (year < 1 || year > 9999 ||
      !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return;
  gtk_calendar_select_month(GTK_CALENDAR(calendar), static_cast<guint>(month - 1),
                            static_cast<guint>(year));
  gtk_calendar_select_day(GTK_CALENDAR(calendar), static_cast<guint>(day));
}

void open_add_dialog(QuickLog *ql, const Suggestion &s) {
  hide_suggestions(ql);
  ql->last_id_before_dialog = sqlite3_last_insert_rowid(ql->state->log_db);
  ql->uses_stale_before_dialog = ql->uses_stale;
  GtkWidget *dialog = add_dialog_open(ql->state, s.food_code, s.description.c_str());
  calendar_to(static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR)),
              ql->state->current_date);
  connect_signal(dialog, "destroy", G_CALLBACK(on_quick_log_dialog_destroy), ql->state);
}

// Enter: logs the selected suggestion, or opens its dialog.
void choose(QuickLog *ql, bool with_dialog) {
  if (!gtk_widget_get_visible(ql->popover) || ql->shown.empty()) {
    const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
    if (!text || text[0] == '\0') return;
    suggest(ql);
  }
  GtkListBoxRow *row = selected_row(ql);
  const int at = row ? gtk_list_box_row_get_index(row) : 0;
  if (at < 0 || static_cast<size_t>(at) >= ql->shown.size()) return;
  const Suggestion s = ql->shown[static_cast<size_t>(at)];
  if (s.food_code == kWeightSuggestion) {
    hide_suggestions(ql);
    if (weight_view_log(ql->state, s.servings)) gtk_entry_set_text(GTK_ENTRY(ql->field), "");
    gtk_widget_grab_focus(ql->field);
  } else if (s.logged && !with_dialog)
    log_again(ql, s);
  else
    open_add_dialog(ql, s);
}

// The entries that the view shows, as their rows' Edit buttons carry them (the strings
// belong to the buttons).
std::vector<LogEntry> entries_on_display(GuiState *state) {
  std::vector<LogEntry> entries;
  if (!state->log_list_box) return entries;
  GList *rows = gtk_container_get_children(GTK_CONTAINER(state->log_list_box));
  for (GList *l = rows; l; l = l->next) {
    if (!GTK_IS_CONTAINER(l->data)) continue;
    GList *children = gtk_container_get_children(GTK_CONTAINER(l->data));
    for (GList *c = children; c; c = c->next) {
      GObject *button = G_OBJECT(c->data);
      auto *description = static_cast<char *>(g_object_get_data(button, KEY_ENTRY_DESC));
      auto *servings = static_cast<const double *>(g_object_get_data(button, KEY_ENTRY_SERVINGS));
      if (!description || !servings) continue;
      entries.push_back(LogEntry{0, GPOINTER_TO_INT(g_object_get_data(button, KEY_ENTRY_FOOD_CODE)),
                                 description, nullptr, *servings});
    }
    g_list_free(children);
  }
  g_list_free(rows);
  return entries;
}

void copy_to_today(QuickLog *ql) {
  GuiState *state = ql->state;
  char today[DATE_STRING_SIZE];
  date_today(today);
  if (strcmp(state->current_date, today) == 0) return;
  prepare(ql);
  std::vector<LogEntry> originals = entries_on_display(state);
  LogIdRange added{0, 0, 0};
  if (log_entries_copy_date(state->log_db, state->current_date, today, &added) != 0) {
    show_write_failure(GTK_WINDOW(state->main_window), _("The entries were not copied to today."),
                       sqlite3_errmsg(state->log_db));
    return;
  }
  ql->undo = UndoRecord{added, {}, {}};
  // The copies are the entries on display, in their order: count them from there rather
  // than reading the log again.
  if (originals.size() == added.count) {
    for (size_t i = 0; i < originals.size(); i++) {
      originals[i].id = added.first + static_cast<int64_t>(i);
      originals[i].date = today;
      count_added(ql, originals[i], true);
    }
  } else {
    ql->uses_stale = true;
  }
  snprintf(state->current_date, sizeof state->current_date, "%s", today);
  if (!ql->uses_stale) uses_in_step(ql);
  refresh_views(state);
  index_uses(ql);
  char text[NOTICE_TEXT_SIZE];
  const int count = static_cast<int>(added.count);
  snprintf(text, sizeof text,
           ngettext("%d entry copied to today", "%d entries copied to today",
                    static_cast<unsigned long>(count)),
           count);
  notify(ql, text);
}

void undo_last(QuickLog *ql) {
  GuiState *state = ql->state;
  if (ql->undo.other) {
    if (!ql->undo.other()) return;  // it said why; the chance to undo stays
    ql->undo = UndoRecord{};
    hide_notice(ql);
    refresh_views(state);
    return;
  }
  if (ql->undo.added.count == 0) return;
  if (log_entries_delete_range(state->log_db, &ql->undo.added) != 0) {
    // The entries stay, and so does the chance to undo them.
    show_write_failure(GTK_WINDOW(state->main_window),
                       _("The last change was not undone; its entries stay in the log."),
                       sqlite3_errmsg(state->log_db));
    return;
  }
  uncount_added(ql);
  ql->undo = UndoRecord{};
  hide_notice(ql);
  uses_in_step(ql);
  refresh_views(state);
}

gboolean on_quick_log_focus_in(GtkWidget *, GdkEvent *, gpointer data) {
  run_guarded("on_quick_log_focus_in", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (ql) prepare(ql);
  });
  return FALSE;
}

// The focus went to another widget of the window: the suggestions go. When the whole window
// loses the focus they stay, for when it comes back.
gboolean on_quick_log_focus_out(GtkWidget *field, GdkEvent *, gpointer data) {
  run_guarded("on_quick_log_focus_out", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    GtkWidget *top = gtk_widget_get_toplevel(field);
    if (ql && GTK_IS_WINDOW(top) && gtk_window_is_active(GTK_WINDOW(top))) hide_suggestions(ql);
  });
  return FALSE;
}

void on_suggestion_activated(GtkListBox *, GtkListBoxRow *row, gpointer data) {
  run_guarded("on_suggestion_activated", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (!ql) return;
    gtk_list_box_select_row(GTK_LIST_BOX(ql->list), row);
    choose(ql, false);
  });
}

void on_quick_log_activated(GSimpleAction *, GVariant *, gpointer data) {
  run_guarded("on_quick_log_activated", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (!ql) return;
    gtk_window_present(GTK_WINDOW(ql->state->main_window));
    gtk_widget_grab_focus(ql->field);
  });
}

void on_undo_activated(GSimpleAction *, GVariant *, gpointer state) {
  on_undo_clicked(nullptr, state);
}

void on_notice_close_clicked(GtkButton *, gpointer data) {
  QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
  if (!ql) return;
  hide_notice(ql);
  keep_focus(ql);
}

// The window is going: its widgets and the notification's timer with it.
void on_quick_log_window_destroy(GtkWidget *, gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = 0;
  ql->field = ql->popover = ql->list = ql->copy_button = ql->revealer = ql->notice_label = nullptr;
  ql->rows.clear();
}

const GActionEntry quick_log_actions[] = {
    {"quick-log", on_quick_log_activated, nullptr, nullptr, nullptr, {}},
    {"undo", on_undo_activated, nullptr, nullptr, nullptr, {}},
};

GtkWidget *build_notification(QuickLog *ql) {
  ql->revealer = gtk_revealer_new();
  gtk_widget_set_halign(ql->revealer, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(ql->revealer, GTK_ALIGN_START);
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_style_context_add_class(gtk_widget_get_style_context(box), "app-notification");
  ql->notice_label = gtk_label_new(nullptr);
  gtk_label_set_ellipsize(GTK_LABEL(ql->notice_label), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_max_width_chars(GTK_LABEL(ql->notice_label), 60);
  GtkWidget *undo = gtk_button_new_with_label(_("Undo"));
  GtkWidget *close = gtk_button_new_from_icon_name("window-close-symbolic", GTK_ICON_SIZE_BUTTON);
  gtk_button_set_relief(GTK_BUTTON(close), GTK_RELIEF_NONE);
  atk_object_set_name(gtk_widget_get_accessible(close), _("Close"));
  gtk_widget_set_tooltip_text(close, _("Close"));
  gtk_box_pack_start(GTK_BOX(box), ql->notice_label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), undo, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), close, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(ql->revealer), box);
  connect_signal(undo, "clicked", G_CALLBACK(on_undo_clicked), ql->state);
  connect_signal(close, "clicked", G_CALLBACK(on_notice_close_clicked), ql->state);
  return ql->revealer;
}

void build_field(QuickLog *ql, GtkWidget *frame_box) {
  ql->field = gtk_entry_new();
  // Translators: placeholder of the quick-log field of the main window
  gtk_entry_set_placeholder_text(GTK_ENTRY(ql->field), _("Log a food…"));
  gtk_entry_set_icon_from_icon_name(GTK_ENTRY(ql->field), GTK_ENTRY_ICON_PRIMARY,
                                    "list-add-symbolic");
  atk_object_set_name(gtk_widget_get_accessible(ql->field), _("Log a food"));
  gtk_widget_set_tooltip_text(ql->field,
                              _("Type a food; Enter logs it again as last time, Shift+Enter "
                                "opens it to choose the amount and the date."));
  gtk_widget_set_margin_start(ql->field, 8);
  gtk_widget_set_margin_end(ql->field, 8);
  gtk_widget_set_margin_bottom(ql->field, 6);
  gtk_box_pack_start(GTK_BOX(frame_box), ql->field, FALSE, FALSE, 0);

  ql->list = gtk_list_box_new();
  gtk_list_box_set_selection_mode(GTK_LIST_BOX(ql->list), GTK_SELECTION_BROWSE);
  gtk_list_box_set_activate_on_single_click(GTK_LIST_BOX(ql->list), TRUE);
  gtk_widget_set_can_focus(ql->list, FALSE);
  // Translators: accessible name of the list of suggestions under the quick-log field
  atk_object_set_name(gtk_widget_get_accessible(ql->list), _("Suggestions"));
  ql->popover = gtk_popover_new(ql->field);
  gtk_popover_set_modal(GTK_POPOVER(ql->popover), FALSE);
  gtk_popover_set_position(GTK_POPOVER(ql->popover), GTK_POS_BOTTOM);
  gtk_container_add(GTK_CONTAINER(ql->popover), ql->list);
  make_rows(ql, kQuickLogSuggestions);
  g_object_set_data(G_OBJECT(ql->field), KEY_QUICK_LOG_LIST, ql->list);

  connect_signal(ql->field, "changed", G_CALLBACK(on_quick_log_changed), ql->state);
  connect_signal(ql->field, "key-press-event", G_CALLBACK(on_quick_log_key_press), ql->state);
  connect_signal(ql->field, "focus-in-event", G_CALLBACK(on_quick_log_focus_in), ql->state);
  connect_signal(ql->field, "focus-out-event", G_CALLBACK(on_quick_log_focus_out), ql->state);
  connect_signal(ql->list, "row-activated", G_CALLBACK(on_suggestion_activated), ql->state);
}

bool is_enter(guint key) {
  return key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter;
}

}  // namespace

GtkWidget *quick_log_install(GuiState *state, GtkWidget *main_box) {
  auto *ql = new QuickLog;
  ql->state = state;
  g_object_set_data_full(G_OBJECT(state->main_window), KEY_QUICK_LOG, ql, quick_log_free);
  g_signal_connect(state->main_window, "destroy", G_CALLBACK(on_quick_log_window_destroy), ql);

  // The frame holds its box: the nav row first, the scrolled list, then the field.
  GtkWidget *frame_box = gtk_bin_get_child(GTK_BIN(state->log_frame));
  GList *children = gtk_container_get_children(GTK_CONTAINER(frame_box));
  GtkWidget *nav = children ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  if (nav) {
    ql->copy_button = gtk_button_new_with_label(_("Copy to Today"));
    gtk_widget_set_tooltip_text(ql->copy_button,
                                _("Log every entry of this date again today"));
    gtk_widget_set_sensitive(ql->copy_button, FALSE);
    gtk_box_pack_start(GTK_BOX(nav), ql->copy_button, FALSE, FALSE, 0);
    connect_signal(ql->copy_button, "clicked", G_CALLBACK(on_copy_to_today_clicked), state);
  }
  build_field(ql, frame_box);

  g_action_map_add_action_entries(G_ACTION_MAP(state->main_window), quick_log_actions,
                                  G_N_ELEMENTS(quick_log_actions), state);

  GtkWidget *overlay = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(overlay), main_box);
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay), build_notification(ql));
  return overlay;
}

void quick_log_view_changed(GuiState *state, bool has_entries) {
  QuickLog *ql = quick_log_of(state);
  if (!ql) return;
  if (!ql->copy_button) return;
  char today[DATE_STRING_SIZE];
  date_today(today);
  gtk_widget_set_sensitive(ql->copy_button,
                           has_entries && strcmp(state->current_date, today) != 0);
  keep_focus(ql);
}

GtkWidget *quick_log_field(GuiState *state) {
  QuickLog *ql = quick_log_of(state);
  return ql ? ql->field : nullptr;
}

GtkWidget *quick_log_copy_button(GuiState *state) {
  QuickLog *ql = quick_log_of(state);
  return ql ? ql->copy_button : nullptr;
}

GtkWidget *quick_log_notification(GuiState *state) {
  QuickLog *ql = quick_log_of(state);
  return ql ? ql->revealer : nullptr;
}

void quick_log_notify_undo(GuiState *state, const char *text, std::function<bool()> undo) {
  QuickLog *ql = quick_log_of(state);
  if (!ql || !ql->revealer) return;
  ql->undo = UndoRecord{};
  ql->undo.other = std::move(undo);
  notify(ql, text);
}

std::vector<std::string> quick_log_suggestion_texts(GuiState *state) {
  std::vector<std::string> texts;
  QuickLog *ql = quick_log_of(state);
  if (!ql || !ql->popover || !gtk_widget_get_visible(ql->popover)) return texts;
  for (size_t i = 0; i < ql->shown.size() && i < ql->rows.size(); i++) {
    GtkWidget *label = gtk_bin_get_child(GTK_BIN(ql->rows[i]));
    texts.emplace_back(GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "");
  }
  return texts;
}

void on_quick_log_changed(GtkEditable *, gpointer state) {
  run_guarded("on_quick_log_changed", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(state));
    if (!ql || !ql->field) return;
    const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
    if (!text || text[0] == '\0')
      hide_suggestions(ql);
    else
      suggest(ql);
  });
}

gboolean on_quick_log_key_press(GtkWidget *, GdkEventKey *event, gpointer state) {
  bool handled = false;
  run_guarded("on_quick_log_key_press", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(state));
    if (!ql || !ql->field) return;
    const guint key = event->keyval;
    const GdkModifierType mods =
        GdkModifierType(event->state & gtk_accelerator_get_default_mod_mask());
    const bool open = gtk_widget_get_visible(ql->popover) && !ql->shown.empty();
    if ((key == GDK_KEY_Down || key == GDK_KEY_KP_Down) && mods == 0) {
      if (open) {
        move_selection(ql, 1);
      } else {
        const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
        if (!text || text[0] == '\0')
          suggest_recent(ql);
        else
          suggest(ql);
      }
      handled = true;
    } else if ((key == GDK_KEY_Up || key == GDK_KEY_KP_Up) && mods == 0 && open) {
      move_selection(ql, -1);
      handled = true;
    } else if (is_enter(key) && (mods == 0 || mods == GDK_SHIFT_MASK)) {
      choose(ql, mods == GDK_SHIFT_MASK);
      handled = true;
    } else if (key == GDK_KEY_Escape && open) {
      hide_suggestions(ql);
      handled = true;
    } else if (key == GDK_KEY_Tab || key == GDK_KEY_ISO_Left_Tab || key == GDK_KEY_KP_Tab) {
      hide_suggestions(ql);  // and the focus moves on
    }
  });
  return handled;
}

void quick_log_food(GuiState *state, int32_t food_code, const char *description, double servings) {
  QuickLog *ql = quick_log_of(state);
  if (ql) log_again(ql, Suggestion{food_code, description ? description : "", true, servings});
}

void on_copy_to_today_clicked(GtkButton *, gpointer state) {
  run_guarded("on_copy_to_today_clicked", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(state));
    if (ql) copy_to_today(ql);
  });
}

void on_undo_clicked(GtkButton *, gpointer state) {
  run_guarded("on_undo_clicked", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(state));
    if (ql) undo_last(ql);
  });
}
