// SPDX-License-Identifier: GPL-3.0-or-later
// The quick log: ranked suggestions under a field of the main window, logging a known food
// at once with its last amount, copying the entries shown of a day to today, and undoing
// either (then redoing it) from an in-window notification or with Ctrl+Z (Ctrl+Shift+Z),
// without waiting for another program's lock on a key.
#include "ui/quick-log.h"

#include <sqlite3.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "budget/date-string.h"
#include "db-connection.h"
#include "fooddb/amount-rank.h"
#include "fooddb/amount-text.h"
#include "fooddb/food-db.h"
#include "fooddb/food-rank.h"
#include "i18n.h"
#include "store/entry-measures.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "ui/budget-view.h"
#include "ui/day-follow.h"
#include "ui/dialog-util.h"
#include "ui/entry-dialogs.h"
#include "ui/object-keys.h"
#include "ui/quick-log-own.h"
#include "ui/search-dialog.h"
#include "ui/weight-view.h"
#include "utf8-text.h"

namespace {

const guint kNoticeSeconds = 10;  // how long the notification stays without being answered
const double kServingGrams = 100.0;

enum { ROW_TEXT_SIZE = 1024, AMOUNT_TEXT_SIZE = 512, NOTICE_TEXT_SIZE = 1024 };

// The suggestion that logs the weight the field's text names ("weight 81.4", "81.4 kg").
constexpr int32_t kWeightSuggestion = -1;

// One suggestion on show.
struct Suggestion {
  int32_t food_code;
  std::string description;  // as the food database has it
  bool logged;              // the person has logged the food before
  double servings;          // the servings of its last entry, when logged
  bool typed_amount = false;  // the field names an amount: |amount| is what Enter logs
  AmountChoice amount;        // typed, or the measure the last entry was logged in (fit kOk)
  std::string unit_word;      // the unit or measure word typed, for saying it has none
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

// What the notification offers.
enum class Notice {
  NONE,   // hidden
  UNDO,   // a change, with "Undo"
  REDO,   // what Undo took back, with "Redo"
  PLAIN,  // a message without a button
};

// The quick log of one main window; object data of the window, freed with it.
struct QuickLog {
  GuiState *state = nullptr;
  GtkWidget *field = nullptr;
  GtkWidget *popover = nullptr;
  GtkWidget *list = nullptr;
  GtkWidget *none_box = nullptr;    // in the list's place when no food matches
  GtkWidget *none_label = nullptr;
  GtkWidget *copy_button = nullptr;
  GtkWidget *revealer = nullptr;
  GtkWidget *notice_label = nullptr;
  GtkWidget *notice_button = nullptr;  // "Undo" or "Redo"
  GtkWidget *show_button = nullptr;    // shows |notice_date|, for a food logged on another day
  std::string notice_date;
  guint notice_timeout = 0;
  Notice notice = Notice::NONE;
  // What "Undo" takes back, while the notification offers it: the entries the change added,
  // as written. What "Redo" puts back, while the notification offers that, and what the
  // notification said of the change.
  LogEntryList undo_entries{nullptr, 0, 0};
  LogEntryList redo_entries{nullptr, 0, 0};
  std::string done_text;
  // The person's foods that the change to undo changed, as they were before it (none for a
  // food it logged the first time).
  std::vector<std::pair<int32_t, std::vector<UseRecord>>> before;  // zero or one record each
  // What "Undo" takes back when the change was of another kind (a weight), and its name.
  std::function<bool()> undo_other;
  std::string undo_other_name;
  bool busy = false;  // the last look at the log found it locked by another program
  // No food has all the words typed: the suggestions have some of them, none is chosen
  // until the person moves to one, and Enter does what it does when nothing matches.
  bool some_words = false;

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
  // The measures the last entries of the person's foods were logged in, read once each:
  // entry id -> measure (empty for none).
  std::unordered_map<int64_t, EntryMeasure> kept_measures;
  int64_t last_id_before_dialog = 0;
  bool uses_stale_before_dialog = true;
};

void quick_log_free(gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  food_index_free(&ql->index);
  log_entry_list_free(&ql->undo_entries);
  log_entry_list_free(&ql->redo_entries);
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

// |uses| are as the log is now.
void uses_in_step(QuickLog *ql) {
  ql->uses_stale = false;
  if (log_stamp_read(ql->state->log_db, &ql->uses_stamp) != 0) ql->uses_stale = true;
}

const char *busy_text() {
  // Translators: tooltip of the warning icon of the quick-log field
  return _("The food log is busy: another program is using it. The suggestions are those "
           "read before, and a food logged now waits for the log.");
}

// What a screen reader says of the field: |text| (the suggestion selected, or that nothing
// matches), after the busy note while the log is busy, which the icon shows only to the eye.
void describe_field(QuickLog *ql, const char *text) {
  if (!ql->field) return;
  std::string description = ql->busy ? busy_text() : "";
  if (ql->busy && text && *text) description += " ";
  description += text ? text : "";
  atk_object_set_description(gtk_widget_get_accessible(ql->field), description.c_str());
}

// The field says once, by an icon and its tooltip (and to screen readers, by its
// description), that the log is locked by another program and the suggestions are those
// read before; the icon and the note go with the lock.
void set_busy(QuickLog *ql, bool busy) {
  if (busy == ql->busy || !ql->field) return;
  ql->busy = busy;
  GtkEntry *field = GTK_ENTRY(ql->field);
  gtk_entry_set_icon_from_icon_name(field, GTK_ENTRY_ICON_SECONDARY,
                                    busy ? "dialog-warning-symbolic" : nullptr);
  if (busy) gtk_entry_set_icon_tooltip_text(field, GTK_ENTRY_ICON_SECONDARY, busy_text());
  describe_field(ql, "");
}

// Reads the person's foods from the log. When another program holds the log, the foods
// read before stay, to be read again at the next look.
void read_uses(QuickLog *ql) {
  FoodUseList list{nullptr, 0, 0};
  LogStamp stamp{0, 0};
  const int stamped = log_stamp_try(ql->state->log_db, &stamp);
  const int rc = stamped == 1 ? -1 : log_food_uses(ql->state->log_db, &list);
  if (rc != 0 && (stamped == 1 || log_was_busy(ql->state->log_db))) {
    set_busy(ql, true);
    ql->uses_stale = true;
    return;
  }
  set_busy(ql, false);
  ql->uses.clear();
  ql->kept_measures.clear();  // an entry may have been edited
  ql->uses_stamp = stamp;
  ql->uses_stale = stamped != 0;
  if (rc == 0) {
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
  for (const auto &before : ql->before) saved = saved || before.first == entry.food_code;
  if (!saved) {
    std::vector<UseRecord> was;
    if (found != ql->use_of.end()) was.push_back(ql->uses[found->second]);
    ql->before.emplace_back(entry.food_code, was);
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
  for (const auto &before : ql->before) {
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

// Brings the person's foods up to date with the log before they are used. Called on each
// key, so it never waits for another program's lock: a locked log leaves what was read.
void prepare(QuickLog *ql) {
  read_index(ql);
  quick_log_own_index(ql->state, &ql->index);
  DbNoWait no_wait;
  LogStamp now{0, 0};
  const int rc = log_stamp_try(ql->state->log_db, &now);
  if (rc == 1) {
    set_busy(ql, true);
    return;
  }
  set_busy(ql, false);
  if (ql->uses_stale || rc != 0 || now.changes != ql->uses_stamp.changes ||
      now.version != ql->uses_stamp.version)
    read_uses(ql);
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

// The measure the entry |id| was logged in, read from the log the first time without
// waiting for another program's lock (none while the log is busy).
const EntryMeasure *kept_measure(QuickLog *ql, const UseRecord &use) {
  auto found = ql->kept_measures.find(use.last_id);
  if (found != ql->kept_measures.end()) return &found->second;
  if (ql->busy) return nullptr;
  EntryMeasure measure;
  int rc;
  {
    DbNoWait no_wait;
    rc = entry_measure_get(ql->state->log_db, use.last_id, use.food_code, use.last_servings,
                           &measure);
  }
  if (rc == -1) return nullptr;
  return &ql->kept_measures.emplace(use.last_id, measure).first->second;
}

Suggestion suggestion_for(QuickLog *ql, int32_t food_code, const char *description) {
  Suggestion s{food_code, description ? description : "", false, 1.0, false, {}, {}};
  auto found = ql->use_of.find(food_code);
  if (found != ql->use_of.end()) {
    const UseRecord &use = ql->uses[found->second];
    s.logged = true;
    s.servings = use.last_servings;
    // Logged again as it was logged last.
    const EntryMeasure *kept = kept_measure(ql, use);
    if (kept && !kept->measure.empty()) {
      s.amount.fit = AmountFit::kOk;
      s.amount.count = kept->count;
      s.amount.measure = kept->measure;
      s.amount.measure_grams = kept->measure_g;
      s.amount.grams = s.servings * kServingGrams;
    }
  }
  return s;
}

// The text of a suggestion: the description as the food database has it, then, for a food
// logged before, the amount of its last entry.
std::string row_text(QuickLog *, const Suggestion &s) {
  if (s.typed_amount) {
    char amount[AMOUNT_TEXT_SIZE];
    if (s.amount.fit == AmountFit::kOk) {
      amount_choice_text(s.amount.count, s.amount.measure.c_str(), s.amount.measure_grams, amount,
                         sizeof amount);
    } else if (s.amount.fit == AmountFit::kNoMeasure) {
      // Translators: after a suggestion of the quick-log field when the typed amount's unit
      // ("cup", "slice") is no measure of that food; Enter then opens the add dialog
      snprintf(amount, sizeof amount, _("no %s measure for this food: pick one"),
               s.unit_word.c_str());
    } else {
      // Translators: after a suggestion when the typed amount lies outside what an entry takes
      snprintf(amount, sizeof amount, "%s", _("not from 1 g to 10000 g: pick an amount"));
    }
    char text[ROW_TEXT_SIZE];
    snprintf(text, sizeof text, "%s: %s", s.description.c_str(), amount);
    return text;
  }
  if (!s.logged && s.amount.fit != AmountFit::kOk) return s.description;
  char amount[AMOUNT_TEXT_SIZE];
  if (s.amount.fit == AmountFit::kOk)
    amount_choice_text(s.amount.count, s.amount.measure.c_str(), s.amount.measure_grams, amount,
                       sizeof amount);
  else
    amount_logged_text(s.servings, nullptr, 0.0, 0.0, amount, sizeof amount);
  char text[ROW_TEXT_SIZE];
  snprintf(text, sizeof text, "%s — %s", s.description.c_str(), amount);
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
  describe_field(ql, text);
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
  if (ql->some_words) {
    char line[NOTICE_TEXT_SIZE];
    // Translators: under the suggestions of the quick-log field when no food has all the
    // words typed; %s is what was typed
    snprintf(line, sizeof line, _("No food has all of “%s”; above are foods with some of them."),
             gtk_entry_get_text(GTK_ENTRY(ql->field)));
    gtk_label_set_text(GTK_LABEL(ql->none_label), line);
    gtk_widget_show(ql->none_box);
  } else {
    gtk_widget_hide(ql->none_box);
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
  if (ql->some_words) {
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(ql->list), GTK_SELECTION_SINGLE);
    gtk_list_box_unselect_all(GTK_LIST_BOX(ql->list));
  } else {
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(ql->list), GTK_SELECTION_BROWSE);
    gtk_list_box_select_row(GTK_LIST_BOX(ql->list), GTK_LIST_BOX_ROW(ql->rows[0]));
  }
  gtk_widget_show(ql->list);
  gtk_widget_show(ql->popover);
  if (ql->some_words)
    describe_field(ql, gtk_label_get_text(GTK_LABEL(ql->none_label)));
  else
    announce_selection(ql);
}

// Whether |text| has a word to look for: letters or digits, not only punctuation.
bool has_word(const char *text) {
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p)
    if (g_ascii_isalnum(*p) || *p >= 0x80) return true;
  return false;
}

// No food matches |text|: the list says so in place of the suggestions.
void show_no_match(QuickLog *ql, const char *text) {
  char line[NOTICE_TEXT_SIZE];
  // Translators: shown under the quick-log field; %s is what was typed
  snprintf(line, sizeof line, _("No food matches “%s”"), text);
  gtk_label_set_text(GTK_LABEL(ql->none_label), line);
  gtk_widget_hide(ql->list);
  gtk_widget_show(ql->none_box);
  gtk_widget_show(ql->popover);
  describe_field(ql, line);
}

// The suggestions for a text that names an amount ("2 eggs", "1 cup milk"): the foods that
// have a measure of a measure word first ("1 pat butter"), then those the other words find.
// Returns false when the text names no amount.
bool suggest_with_amount(QuickLog *ql, const char *text) {
  const struct lconv *locale = localeconv();
  const char point = locale && locale->decimal_point && locale->decimal_point[0]
                         ? locale->decimal_point[0]
                         : '.';
  const AmountText typed = amount_text_read(text, point);
  if (typed.read != AmountRead::kAmount) return false;
  std::vector<AmountHit> hits;
  const size_t room = kQuickLogSuggestions - ql->shown.size();
  if (amount_rank(ql->state->food_db, &ql->index, typed, ql->weights.data(), ql->weights.size(),
                  room, &hits) != 0)
    return true;
  if (hits.empty() && ql->shown.empty()) {
    if (amount_rank(ql->state->food_db, &ql->index, typed, ql->weights.data(),
                    ql->weights.size(), room, &hits, true) != 0)
      return true;
    ql->some_words = !hits.empty();
  }
  const std::string unit_word = amount_unit_word(typed);
  for (AmountHit &hit : hits) {
    Suggestion s = suggestion_for(ql, hit.food_code, hit.description.c_str());
    s.typed_amount = true;
    s.amount = std::move(hit.amount);
    s.unit_word = unit_word;
    ql->shown.push_back(std::move(s));
  }
  return true;
}

// The suggestions for the field's text now.
void suggest(QuickLog *ql) {
  prepare(ql);
  ql->shown.clear();
  ql->some_words = false;
  const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
  double weight_kg = 0.0;
  std::string weight_row;
  if (text && weight_query_read(ql->state, text, &weight_kg, &weight_row))
    ql->shown.push_back(Suggestion{kWeightSuggestion, weight_row, false, weight_kg, false, {}, {}});
  if (text && suggest_with_amount(ql, text)) {
    if (ql->shown.empty())
      show_no_match(ql, text);
    else
      show_list(ql);
    return;
  }
  FoodHitList hits{nullptr, 0, 0};
  if (text && food_rank(&ql->index, text, ql->weights.data(), ql->weights.size(),
                        kQuickLogSuggestions, &hits) == 0) {
    for (size_t i = 0; i < hits.count; i++)
      ql->shown.push_back(suggestion_for(ql, hits.items[i].food_code, hits.items[i].description));
    food_hit_list_free(&hits);
  }
  if (ql->shown.empty() && text &&
      food_rank_some_words(&ql->index, text, ql->weights.data(), ql->weights.size(),
                           kQuickLogSuggestions, &hits) == 0) {
    for (size_t i = 0; i < hits.count; i++)
      ql->shown.push_back(suggestion_for(ql, hits.items[i].food_code, hits.items[i].description));
    ql->some_words = hits.count > 0;
    food_hit_list_free(&hits);
  }
  if (ql->shown.empty() && text && has_word(text))
    show_no_match(ql, text);
  else
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

// Whether the person is typing: the focus is in a text field that holds text. Ctrl+Z and
// Ctrl+Shift+Z then belong to the field, never to the log.
bool typing_in_field(QuickLog *ql) {
  GtkWidget *window = ql->state->main_window;
  GtkWidget *focus = window ? gtk_window_get_focus(GTK_WINDOW(window)) : nullptr;
  if (!focus || !GTK_IS_EDITABLE(focus)) return false;
  gchar *text = gtk_editable_get_chars(GTK_EDITABLE(focus), 0, -1);
  const bool typed = text && text[0] != '\0';
  g_free(text);
  return typed;
}

// "win.undo" and "win.redo" exist while the notification offers them, and give way to the
// text field the person types in.
void update_actions(QuickLog *ql) {
  GtkWidget *window = ql->state->main_window;
  if (!window) return;
  const bool typing = typing_in_field(ql);
  const struct {
    const char *name;
    Notice offered;
  } actions[] = {{"undo", Notice::UNDO}, {"redo", Notice::REDO}};
  for (const auto &a : actions) {
    GAction *action = g_action_map_lookup_action(G_ACTION_MAP(window), a.name);
    if (G_IS_SIMPLE_ACTION(action))
      g_simple_action_set_enabled(G_SIMPLE_ACTION(action), ql->notice == a.offered && !typing);
  }
}

// The notification goes, and with it what it offered to undo or redo.
void hide_notice(QuickLog *ql) {
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = 0;
  if (ql->revealer) gtk_revealer_set_reveal_child(GTK_REVEALER(ql->revealer), FALSE);
  ql->notice = Notice::NONE;
  ql->undo_other = nullptr;
  log_entry_list_free(&ql->undo_entries);
  log_entry_list_free(&ql->redo_entries);
  ql->before.clear();
  update_actions(ql);
}

gboolean on_notice_timeout(gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  // Not while the person is on its button: it goes once the focus has moved on.
  if (notice_has_focus(ql)) return G_SOURCE_CONTINUE;
  ql->notice_timeout = 0;
  hide_notice(ql);
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
                      (!gtk_revealer_get_reveal_child(GTK_REVEALER(ql->revealer)) ||
                       !gtk_widget_get_visible(focus));
  if (!focus || !gtk_widget_is_sensitive(focus) || hidden) gtk_widget_grab_focus(ql->field);
}

// Shows |text| in the notification for a while, with "Undo" or "Redo" as |kind| says. What
// it offered before goes, except what the new notice offers.
void show_notice(QuickLog *ql, const char *text, Notice kind) {
  if (!ql->revealer) return;
  ql->notice = kind;
  if (kind != Notice::UNDO) ql->undo_other = nullptr;
  if (kind != Notice::UNDO) {
    log_entry_list_free(&ql->undo_entries);
    ql->before.clear();
  }
  if (kind != Notice::REDO) log_entry_list_free(&ql->redo_entries);
  gtk_widget_hide(ql->show_button);
  gtk_label_set_text(GTK_LABEL(ql->notice_label), text);
  gtk_widget_set_tooltip_text(ql->notice_label, text);
  gtk_button_set_label(GTK_BUTTON(ql->notice_button), kind == Notice::REDO ? _("Redo") : _("Undo"));
  gtk_widget_set_visible(ql->notice_button, kind == Notice::UNDO || kind == Notice::REDO);
  gtk_revealer_set_reveal_child(GTK_REVEALER(ql->revealer), TRUE);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = g_timeout_add_seconds(kNoticeSeconds, on_notice_timeout, ql);
  update_actions(ql);
  keep_focus(ql);
}

// A write of the window added |written| (taken over): the person's foods count the entries,
// and the notification says |text| with "Undo", which takes back these entries only.
void offer_undo(QuickLog *ql, const char *text, LogEntryList *written) {
  set_busy(ql, false);  // the write went through: the log is free again
  ql->before.clear();
  if (!ql->uses_stale) {
    for (size_t i = 0; i < written->count; i++) count_added(ql, written->items[i], true);
    index_uses(ql);
    uses_in_step(ql);
  }
  log_entry_list_free(&ql->undo_entries);
  ql->undo_other = nullptr;
  ql->undo_entries = *written;
  *written = LogEntryList{nullptr, 0, 0};
  ql->done_text = text;
  show_notice(ql, text, Notice::UNDO);
}

// A write that had to wait for another program's lock froze the window from the key or click
// that asked for it: the keys typed meanwhile, which arrive only now, go nowhere, so that
// nothing typed then logs a food later, unseen.
struct LockWait {
  guint32 start = gtk_get_current_event_time();
  gint64 began = g_get_monotonic_time();
  ~LockWait() {
    if (start != GDK_CURRENT_TIME)
      keys_drop_typed_until(start +
                            static_cast<guint32>((g_get_monotonic_time() - began) / 1000));
  }
};

// After a write of the quick log: the view and the field start afresh, and the focus stays
// in the field for the next food.
void after_write(QuickLog *ql) {
  refresh_views(ql->state);
  gtk_entry_set_text(GTK_ENTRY(ql->field), "");
  hide_suggestions(ql);
  gtk_widget_grab_focus(ql->field);
}

void open_add_dialog(QuickLog *ql, const Suggestion &s);

// Logs a food logged before, on the date on display, with the servings of its last entry.
// An amount the dialogs would not take (another program's -1, or 10^12 servings) is not
// logged again: the food opens in the add dialog instead.
void log_again(QuickLog *ql, const Suggestion &s) {
  if (!servings_in_range(s.servings)) {
    open_add_dialog(ql, s);
    return;
  }
  GuiState *state = ql->state;
  prepare(ql);  // the person's foods as the log has them, before this write
  // The measure Enter logs: the one typed, or the one the last entry was logged in.
  EntryMeasure measure;
  if (s.amount.fit == AmountFit::kOk && !amount_measure_is_grams(s.amount.measure.c_str()))
    measure = EntryMeasure{s.amount.measure, s.amount.measure_grams, s.amount.count};
  LogIdRange added{0, 0, 0};
  int rc;
  {
    LockWait wait;
    int64_t id = 0;
    rc = log_entry_add_measured(state->log_db, s.food_code, s.description.c_str(),
                                state->current_date, s.servings, &measure, &id);
    if (rc == 0) added = LogIdRange{id, id, 1};
  }
  if (rc != 0) {
    // The field keeps its text, so that the person can try again.
    show_write_failure(GTK_WINDOW(state->main_window), _("The food was not added to the log."),
                       log_db_error_text(state->log_db));
    return;
  }
  ql->kept_measures[added.first] = measure;
  LogEntryList written{nullptr, 0, 0};
  log_entry_list_append(&written, LogEntry{added.first, s.food_code,
                                           const_cast<char *>(s.description.c_str()),
                                           state->current_date, s.servings});
  const std::string logged = row_text(ql, s);
  after_write(ql);
  char text[NOTICE_TEXT_SIZE];
  // Translators: %s is the food just logged with its amount, "Milk, whole — 1 cup (244 g)"
  snprintf(text, sizeof text, _("“%s” logged"), logged.c_str());
  offer_undo(ql, text, &written);
  log_entry_list_free(&written);
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

void open_add_dialog(QuickLog *ql, const Suggestion &s) {
  hide_suggestions(ql);
  ql->last_id_before_dialog = sqlite3_last_insert_rowid(ql->state->log_db);
  ql->uses_stale_before_dialog = ql->uses_stale;
  GtkWidget *dialog = add_dialog_open(ql->state, s.food_code, s.description.c_str());
  calendar_select_date(static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR)),
                       ql->state->current_date);
  connect_signal(dialog, "destroy", G_CALLBACK(on_quick_log_dialog_destroy), ql->state);
}

// A new day began while the view still showed the old one as today: the view moves to the
// new day, and says so. The food is then logged only once the person has seen that day.
bool day_moved(QuickLog *ql) {
  if (!day_follow_check(ql->state)) return false;
  char display[DISPLAY_DATE_SIZE];
  char text[NOTICE_TEXT_SIZE];
  snprintf(text, sizeof text,
           // Translators: %s is the new day's date, in the locale's form
           _("A new day has begun: the log now shows today, %s. Press Enter to log the food on "
             "it."),
           utf8_from_locale(date_to_display(ql->state->current_date, display), sizeof display));
  utf8_fit(text, sizeof text);
  show_notice(ql, text, Notice::PLAIN);
  return true;
}

// Enter: logs the selected suggestion, or opens its dialog.
void choose(QuickLog *ql, bool with_dialog) {
  if (!gtk_widget_get_visible(ql->popover) || ql->shown.empty()) {
    const char *text = gtk_entry_get_text(GTK_ENTRY(ql->field));
    if (!text || text[0] == '\0') return;
    suggest(ql);
  }
  if (ql->shown.empty()) {
    quick_log_own_no_match_enter(ql->state);
    return;
  }
  GtkListBoxRow *row = selected_row(ql);
  if (!row && ql->some_words) {
    quick_log_own_no_match_enter(ql->state);
    return;
  }
  const int at = row ? gtk_list_box_row_get_index(row) : 0;
  if (at < 0 || static_cast<size_t>(at) >= ql->shown.size()) return;
  Suggestion s = ql->shown[static_cast<size_t>(at)];
  if (day_moved(ql)) return;
  if (quick_log_own_choose(ql->state, s.food_code)) return;
  if (s.food_code == kWeightSuggestion) {
    hide_suggestions(ql);
    if (weight_view_log(ql->state, s.servings)) gtk_entry_set_text(GTK_ENTRY(ql->field), "");
    gtk_widget_grab_focus(ql->field);
    return;
  }
  if (s.typed_amount) {
    // What the row says is logged at once; an amount the food has no measure for, or one
    // outside the range, is picked in the dialog.
    if (s.amount.fit == AmountFit::kOk && !with_dialog) {
      s.servings = s.amount.grams / kServingGrams;
      s.typed_amount = false;
      log_again(ql, s);
    } else {
      open_add_dialog(ql, s);
    }
    return;
  }
  if (s.logged && !with_dialog)
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
      auto *date = static_cast<char *>(g_object_get_data(button, KEY_ENTRY_DATE));
      if (!description || !servings || !date) continue;
      entries.push_back(LogEntry{entry_id_get(button),
                                 GPOINTER_TO_INT(g_object_get_data(button, KEY_ENTRY_FOOD_CODE)),
                                 description, date, *servings});
    }
    g_list_free(children);
  }
  g_list_free(rows);
  return entries;
}

void copy_to_today(QuickLog *ql);

void on_day_changed_response(GtkDialog *dialog, gint response, gpointer data) {
  run_guarded("on_day_changed_response", [&] {
    gtk_widget_destroy(GTK_WIDGET(dialog));
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (ql && response == GTK_RESPONSE_ACCEPT) copy_to_today(ql);
  });
}

// The entries of the day changed after they were shown (another program wrote): the view
// shows them as they are now, and the person is asked whether to copy those.
void ask_copy_again(QuickLog *ql) {
  GuiState *state = ql->state;
  refresh_views(state);
  const size_t count = entries_on_display(state).size();
  if (count == 0) return;
  GtkWidget *message = gtk_message_dialog_new(
      GTK_WINDOW(state->main_window), kDialogFlags, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s",
      _("The entries of this date changed after they were shown."));
  gtk_message_dialog_format_secondary_text(
      GTK_MESSAGE_DIALOG(message),
      ngettext("Copy the %d entry shown now to today?", "Copy the %d entries shown now to today?",
               static_cast<unsigned long>(count)),
      static_cast<int>(count));
  gtk_dialog_add_buttons(GTK_DIALOG(message), _("_Cancel"), GTK_RESPONSE_CANCEL,
                         _("Copy to Today"), GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(message), GTK_RESPONSE_ACCEPT);
  gtk_window_set_title(GTK_WINDOW(message), _("Copy to Today"));
  window_ignore_held_enter(message);
  connect_signal(message, "response", G_CALLBACK(on_day_changed_response), state);
  gtk_widget_show_all(message);
}

// Copies the entries on display, as shown, to today.
void copy_to_today(QuickLog *ql) {
  GuiState *state = ql->state;
  if (day_follow_check(state)) return;  // a new day: the view moved to it
  char today[DATE_STRING_SIZE];
  date_today(today);
  if (strcmp(state->current_date, today) == 0) return;
  prepare(ql);
  const std::vector<LogEntry> shown = entries_on_display(state);
  const LogEntryList shown_list{const_cast<LogEntry *>(shown.data()), shown.size(), shown.size()};
  LogEntryList copies{nullptr, 0, 0};
  int rc;
  {
    LockWait wait;
    rc = log_entries_copy_shown(state->log_db, state->current_date, &shown_list, today, &copies);
  }
  if (rc == 1) {
    ask_copy_again(ql);
    return;
  }
  if (rc != 0) {
    show_write_failure(GTK_WINDOW(state->main_window), _("The entries were not copied to today."),
                       log_db_error_text(state->log_db));
    return;
  }
  snprintf(state->current_date, sizeof state->current_date, "%s", today);
  refresh_views(state);
  char text[NOTICE_TEXT_SIZE];
  const int count = static_cast<int>(copies.count);
  snprintf(text, sizeof text,
           ngettext("%d entry copied to today", "%d entries copied to today",
                    static_cast<unsigned long>(count)),
           count);
  offer_undo(ql, text, &copies);
  log_entry_list_free(&copies);
}

// The descriptions of |entries|, as a notice names them: "Milk, whole; Banana, raw".
std::string entry_names(const LogEntryList &entries) {
  std::string names;
  for (size_t i = 0; i < entries.count; i++) {
    if (i > 0) names += "; ";
    names += entries.items[i].description;
  }
  return names;
}

// Undo: takes back the entries of the change the notification names, those that are still
// as written, and says what went; "Redo" then puts them back.
void undo_last(QuickLog *ql) {
  GuiState *state = ql->state;
  if (ql->notice == Notice::UNDO && ql->undo_other) {
    if (!ql->undo_other()) return;  // it said why; the chance to undo stays
    ql->undo_other = nullptr;
    refresh_views(state);
    char undone[NOTICE_TEXT_SIZE];
    snprintf(undone, sizeof undone, _("Undone: %s"), ql->undo_other_name.c_str());
    show_notice(ql, undone, Notice::PLAIN);
    return;
  }
  if (ql->notice != Notice::UNDO || ql->undo_entries.count == 0) return;
  const LogEntryList &written = ql->undo_entries;
  std::unique_ptr<bool[]> taken(new bool[written.count]());
  int rc;
  {
    LockWait wait;
    rc = log_entries_take_back(state->log_db, &written, taken.get());
  }
  if (rc != 0) {
    // The entries stay, and so does the chance to undo them.
    show_write_failure(GTK_WINDOW(state->main_window),
                       _("The last change was not undone; its entries stay in the log."),
                       log_db_error_text(state->log_db));
    return;
  }
  set_busy(ql, false);
  LogEntryList gone{nullptr, 0, 0};
  size_t left = 0;
  for (size_t i = 0; i < written.count; i++) {
    if (taken[i])
      log_entry_list_append(&gone, written.items[i]);
    else
      left++;
  }
  if (left == 0)
    uncount_added(ql);
  else
    ql->uses_stale = true;  // which of the food's entries is now its last is the log's to say
  if (!ql->uses_stale) uses_in_step(ql);
  refresh_views(state);

  if (gone.count == 0) {
    show_notice(ql,
                ngettext("Nothing undone: the entry was changed or deleted since.",
                         "Nothing undone: the entries were changed or deleted since.",
                         static_cast<unsigned long>(left)),
                Notice::PLAIN);
  } else {
    char undone[NOTICE_TEXT_SIZE];
    // Translators: %s names the entries that Undo deleted: "Milk, whole; Banana, raw"
    snprintf(undone, sizeof undone, _("Undone: %s"), entry_names(gone).c_str());
    utf8_fit(undone, sizeof undone);
    std::string text = undone;
    if (left > 0) {
      char kept[256];
      snprintf(kept, sizeof kept,
               ngettext("%d entry was changed or deleted since and stays as it is.",
                        "%d entries were changed or deleted since and stay as they are.",
                        static_cast<unsigned long>(left)),
               static_cast<int>(left));
      text = text + "\n" + kept;
    }
    log_entry_list_free(&ql->undo_entries);
    show_notice(ql, text.c_str(), Notice::REDO);
    ql->redo_entries = gone;
    gone = LogEntryList{nullptr, 0, 0};
  }
  log_entry_list_free(&gone);
  if (ql->field && ql->revealer && notice_has_focus(ql)) gtk_widget_grab_focus(ql->field);
}

// Redo: logs again what Undo took back, and offers to undo it once more.
void redo_last(QuickLog *ql) {
  if (ql->notice != Notice::REDO || ql->redo_entries.count == 0) return;
  GuiState *state = ql->state;
  int rc;
  {
    LockWait wait;
    rc = log_entries_put_back(state->log_db, &ql->redo_entries);
  }
  if (rc != 0) {
    show_write_failure(GTK_WINDOW(state->main_window),
                       _("What was undone was not logged again."), log_db_error_text(state->log_db));
    return;
  }
  LogEntryList again = ql->redo_entries;
  ql->redo_entries = LogEntryList{nullptr, 0, 0};
  refresh_views(state);
  const std::string text = ql->done_text;
  offer_undo(ql, text.c_str(), &again);
  log_entry_list_free(&again);
  if (ql->field && ql->revealer && notice_has_focus(ql)) gtk_widget_grab_focus(ql->field);
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
    // The focus went to another widget of the window: the suggestions go. When only the
    // window lost the keyboard for a moment (the field is still its focus widget), they stay.
    if (ql && GTK_IS_WINDOW(top) && gtk_window_is_active(GTK_WINDOW(top)) &&
        gtk_window_get_focus(GTK_WINDOW(top)) != field)
      hide_suggestions(ql);
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

void on_undo_activated(GSimpleAction *, GVariant *, gpointer data) {
  run_guarded("on_undo_activated", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (ql && !typing_in_field(ql)) undo_last(ql);
  });
}

void on_redo_activated(GSimpleAction *, GVariant *, gpointer data) {
  run_guarded("on_redo_activated", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (ql && !typing_in_field(ql)) redo_last(ql);
  });
}

// The focus moved: Ctrl+Z goes to a text field the person types in.
void on_window_set_focus(GtkWindow *, GtkWidget *, gpointer data) {
  QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
  if (ql) update_actions(ql);
}

// The notification's button: "Undo", or "Redo" after an undo.
void on_notice_button_clicked(GtkButton *, gpointer data) {
  run_guarded("on_notice_button_clicked", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (ql && ql->notice == Notice::REDO)
      redo_last(ql);
    else if (ql)
      undo_last(ql);
  });
}

void on_notice_close_clicked(GtkButton *, gpointer data) {
  QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
  if (!ql) return;
  hide_notice(ql);
  keep_focus(ql);
}

// "Show" of the notification of a food logged on another day: that day.
void on_notice_show_clicked(GtkButton *, gpointer data) {
  run_guarded("on_notice_show_clicked", [&] {
    QuickLog *ql = quick_log_of(static_cast<GuiState *>(data));
    if (!ql) return;
    const std::string date = ql->notice_date;
    hide_notice(ql);
    view_show_date(ql->state, date.c_str());
    keep_focus(ql);
  });
}

// The window is going: its widgets and the notification's timer with it.
void on_quick_log_window_destroy(GtkWidget *, gpointer data) {
  auto *ql = static_cast<QuickLog *>(data);
  if (ql->notice_timeout) g_source_remove(ql->notice_timeout);
  ql->notice_timeout = 0;
  ql->field = ql->popover = ql->list = ql->copy_button = ql->revealer = ql->notice_label = nullptr;
  ql->notice_button = nullptr;
  ql->none_box = ql->none_label = ql->show_button = nullptr;
  ql->rows.clear();
}

const GActionEntry quick_log_actions[] = {
    {"quick-log", on_quick_log_activated, nullptr, nullptr, nullptr, {}},
    {"undo", on_undo_activated, nullptr, nullptr, nullptr, {}},
    {"redo", on_redo_activated, nullptr, nullptr, nullptr, {}},
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
  GtkWidget *undo = ql->notice_button = gtk_button_new_with_label(_("Undo"));
  // Translators: button of the notification of a food logged on another day than the one shown
  ql->show_button = gtk_button_new_with_label(_("Show"));
  gtk_widget_set_no_show_all(ql->show_button, TRUE);
  GtkWidget *close = gtk_button_new_from_icon_name("window-close-symbolic", GTK_ICON_SIZE_BUTTON);
  gtk_button_set_relief(GTK_BUTTON(close), GTK_RELIEF_NONE);
  atk_object_set_name(gtk_widget_get_accessible(close), _("Close"));
  gtk_widget_set_tooltip_text(close, _("Close"));
  gtk_box_pack_start(GTK_BOX(box), ql->notice_label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), undo, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), ql->show_button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), close, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(ql->revealer), box);
  connect_signal(ql->show_button, "clicked", G_CALLBACK(on_notice_show_clicked), ql->state);
  connect_signal(undo, "clicked", G_CALLBACK(on_notice_button_clicked), ql->state);
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
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(box), ql->list);
  // When nothing matches: a line that says so; what the person may do about it follows the
  // line in the same box.
  ql->none_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  g_object_set(ql->none_box, "margin", 12, nullptr);
  ql->none_label = gtk_label_new(nullptr);
  gtk_label_set_xalign(GTK_LABEL(ql->none_label), 0.0f);
  gtk_label_set_ellipsize(GTK_LABEL(ql->none_label), PANGO_ELLIPSIZE_END);
  gtk_label_set_max_width_chars(GTK_LABEL(ql->none_label), 60);
  gtk_style_context_add_class(gtk_widget_get_style_context(ql->none_label), "dim-label");
  gtk_container_add(GTK_CONTAINER(ql->none_box), ql->none_label);
  gtk_widget_show(ql->none_label);
  gtk_widget_set_no_show_all(ql->none_box, TRUE);
  gtk_container_add(GTK_CONTAINER(box), ql->none_box);
  gtk_widget_show(box);
  gtk_container_add(GTK_CONTAINER(ql->popover), box);
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
  update_actions(ql);
  g_signal_connect_after(state->main_window, "set-focus", G_CALLBACK(on_window_set_focus), state);

  GtkWidget *overlay = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(overlay), main_box);
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay), build_notification(ql));
  return overlay;
}

void quick_log_view_changed(GuiState *state, bool has_entries) {
  QuickLog *ql = quick_log_of(state);
  if (!ql) return;
  quick_log_own_view_changed(state, has_entries);
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

void quick_log_tell_other_day(GuiState *state, const char *description, const char *date) {
  QuickLog *ql = quick_log_of(state);
  if (!ql || !ql->revealer || !date) return;
  char shown[DISPLAY_DATE_SIZE];
  char text[NOTICE_TEXT_SIZE];
  // Translators: the first %s is the food logged, the second the date it was logged on
  snprintf(text, sizeof text, _("“%s” logged on %s"), description ? description : "",
           view_date_text(date, shown));
  // The notification offers to show that day, not to undo: the dialog's entry is edited or
  // deleted in its own row.
  show_notice(ql, text, Notice::PLAIN);
  ql->notice_date = date;
  gtk_widget_show(ql->show_button);
}

GtkWidget *quick_log_no_match_box(GuiState *state) {
  QuickLog *ql = quick_log_of(state);
  return ql ? ql->none_box : nullptr;
}

GtkWidget *quick_log_notification(GuiState *state) {
  QuickLog *ql = quick_log_of(state);
  return ql ? ql->revealer : nullptr;
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
    update_actions(ql);
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
    } else if (key == GDK_KEY_Escape && gtk_widget_get_visible(ql->popover)) {
      hide_suggestions(ql);
      handled = true;
    } else if (key == GDK_KEY_Tab || key == GDK_KEY_ISO_Left_Tab || key == GDK_KEY_KP_Tab) {
      hide_suggestions(ql);  // and the focus moves on
    }
  });
  return handled;
}

void quick_log_food(GuiState *state, int32_t food_code, const char *description, double servings,
                    const EntryMeasure *measure) {
  QuickLog *ql = quick_log_of(state);
  if (!ql || day_moved(ql)) return;
  Suggestion s{food_code, description ? description : "", true, servings, false, {}, {}};
  if (measure && entry_measure_fits(*measure, servings)) {
    s.amount.fit = AmountFit::kOk;
    s.amount.count = measure->count;
    s.amount.measure = measure->measure;
    s.amount.measure_grams = measure->measure_g;
    s.amount.grams = servings * kServingGrams;
  }
  log_again(ql, s);
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

void quick_log_notify_undo(GuiState *state, const char *text, const char *name,
                           std::function<bool()> undo) {
  QuickLog *ql = quick_log_of(state);
  if (!ql || !ql->revealer) return;
  log_entry_list_free(&ql->undo_entries);
  ql->before.clear();
  show_notice(ql, text, Notice::UNDO);
  ql->undo_other = std::move(undo);
  ql->undo_other_name = name ? name : "";
}

void quick_log_offer_undo(GuiState *state, const char *text, LogEntryList *written) {
  QuickLog *ql = quick_log_of(state);
  if (ql) offer_undo(ql, text, written);
}
