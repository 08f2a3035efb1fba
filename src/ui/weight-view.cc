// SPDX-License-Identifier: GPL-3.0-or-later
// The weight of the main window: logging a day's weight from its field or from the quick-log
// field, the trend line, Undo through the quick log's notification, and the offer to bring
// the profile's weight (and so the calorie target) to the trend.
#include "ui/weight-view.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "budget/calorie-target.h"
#include "budget/date-string.h"
#include "i18n.h"
#include "report/report-range.h"
#include "store/log-db.h"
#include "store/log-history.h"
#include "store/weight-log.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/history-window.h"
#include "ui/number-input.h"
#include "ui/quick-log.h"
#include "utf8-text.h"

namespace {

// Object data of the main window: its WeightView.
constexpr char kWeightViewKey[] = "weight-view";

// The weight row and the offer of one main window; object data of the window.
struct WeightView {
  GuiState *state = nullptr;
  GtkWidget *field = nullptr;
  GtkWidget *unit_label = nullptr;
  GtkWidget *trend_label = nullptr;
  GtkWidget *error_label = nullptr;
  GtkWidget *offer = nullptr;  // the revealer
  GtkWidget *offer_label = nullptr;
  GtkWidget *offer_update = nullptr;
  GtkWidget *offer_keep = nullptr;
  std::string field_text;  // what the last refresh put into the field
  // The unit as the last refresh read it: the quick-log field's keys read no log.
  WeightUnit unit = WeightUnit::kKilograms;
  double offer_kg = NAN;     // the weight on offer
  double declined_kg = NAN;  // the weight last declined: not offered again until the trend
                             // moves away from it too
  // The energy eaten on average over the days of the last trend line, and the log as it was
  // read: the food log takes a scan to sum, and a weight's write leaves it as it was.
  uint32_t eaten_from = 0, eaten_to = 0;
  double eaten = NAN;
  LogStamp eaten_stamp{-1, -1};
};

WeightView *view_of(GuiState *state) {
  if (!state || !state->main_window) return nullptr;
  return static_cast<WeightView *>(g_object_get_data(G_OBJECT(state->main_window), kWeightViewKey));
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Whether |text| (from |at|) ends with a unit: then |*unit| is it and |*end| where it starts.
bool ends_with_unit(const std::string &text, WeightUnit *unit, size_t *end) {
  struct Suffix {
    const char *text;
    WeightUnit unit;
  };
  static const Suffix suffixes[] = {{"kg", WeightUnit::kKilograms}, {"lbs", WeightUnit::kPounds},
                                    {"lb", WeightUnit::kPounds}};
  for (const Suffix &suffix : suffixes) {
    const size_t length = strlen(suffix.text);
    if (text.size() >= length &&
        g_ascii_strcasecmp(text.c_str() + text.size() - length, suffix.text) == 0) {
      *unit = suffix.unit;
      *end = text.size() - length;
      return true;
    }
  }
  return false;
}

std::string trimmed(const char *text) {
  std::string out = text ? text : "";
  while (!out.empty() && is_blank(out.back())) out.pop_back();
  size_t start = 0;
  while (start < out.size() && is_blank(out[start])) ++start;
  return out.substr(start);
}

// Reads a number with an optional unit after it. Returns false when it is no number.
bool read_number_and_unit(const std::string &text, WeightUnit *unit, double *value,
                          bool *had_unit) {
  std::string number = text;
  size_t end = 0;
  *had_unit = ends_with_unit(text, unit, &end);
  if (*had_unit) number = text.substr(0, end);
  return decimal_parse(number.c_str(), value);
}

// The limits of the log in |unit|, as the messages say them.
std::string limit_text(double kg, WeightUnit unit) {
  char text[32];
  snprintf(text, sizeof text, "%g", std::round(weight_from_kg(kg, unit) * 10.0) / 10.0);
  return text;
}

std::string format_kcal(double kcal) {
  char text[32];
  snprintf(text, sizeof text, "%'d", static_cast<int>(std::lround(kcal)));
  return text;
}

void set_error(WeightView *view, const char *text) {
  if (!view->error_label) return;
  gtk_label_set_text(GTK_LABEL(view->error_label), text ? text : "");
  gtk_widget_set_visible(view->error_label, text && text[0] != '\0');
  GtkStyleContext *style = gtk_widget_get_style_context(view->field);
  if (text && text[0] != '\0')
    gtk_style_context_add_class(style, GTK_STYLE_CLASS_ERROR);
  else
    gtk_style_context_remove_class(style, GTK_STYLE_CLASS_ERROR);
  atk_object_set_description(gtk_widget_get_accessible(view->field), text ? text : "");
}

// Every weight of the log up to |to| (null: all), as day numbers; false after a failed read.
bool read_weights(sqlite3 *log_db, const char *to, std::vector<DayWeight> *out) {
  std::vector<WeightRecord> records;
  if (weight_log_between(log_db, nullptr, to, &records) != 0) return false;
  out->clear();
  out->reserve(records.size());
  for (const WeightRecord &record : records) {
    const uint32_t day = date_day_number(record.date.c_str());
    if (day != 0 && weight_in_range(record.kg)) out->push_back(DayWeight{day, record.kg});
  }
  return true;
}

// The average energy eaten per day with entries from |from_day| to |to_day|, or NaN.
double average_eaten(GuiState *state, uint32_t from_day, uint32_t to_day) {
  char from[DATE_STRING_SIZE];
  char to[DATE_STRING_SIZE];
  GDate date;
  g_date_clear(&date, 1);
  for (auto [number, out] : {std::pair<uint32_t, char *>{from_day, from}, {to_day, to}}) {
    g_date_set_julian(&date, number);
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d", g_date_get_year(&date),
             static_cast<int>(g_date_get_month(&date)), g_date_get_day(&date));
    snprintf(out, DATE_STRING_SIZE, "%.10s", text);
  }
  RangeData data{};
  double average = NAN;
  if (range_data_read(state->food_db, state->log_db, from, to, &data) == 0) {
    RangeSummary summary{};
    range_summary_make(data, state->calorie_target, from, to, &summary);
    double sum = 0.0;
    for (const RangeDay &day : summary.days) sum += day.totals.kcal;
    if (!summary.days.empty()) average = sum / static_cast<double>(summary.days.size());
  }
  range_data_free(&data);
  return average;
}

bool same_stamp(const LogStamp &a, const LogStamp &b) {
  return a.changes == b.changes && a.version == b.version;
}

// average_eaten, kept in |view| for as long as the log is as it was.
double kept_average_eaten(WeightView *view, uint32_t from_day, uint32_t to_day) {
  LogStamp now{0, 0};
  const bool stamped = log_stamp_read(view->state->log_db, &now) == 0;
  if (stamped && view->eaten_from == from_day && view->eaten_to == to_day &&
      same_stamp(now, view->eaten_stamp))
    return view->eaten;
  view->eaten = average_eaten(view->state, from_day, to_day);
  view->eaten_from = from_day;
  view->eaten_to = to_day;
  view->eaten_stamp = stamped ? now : LogStamp{-1, -1};
  return view->eaten;
}

// The trend line of the date on display.
std::string trend_line(WeightView *view, WeightUnit unit) {
  GuiState *state = view->state;
  std::vector<DayWeight> weights;
  const uint32_t day = date_day_number(state->current_date);
  if (day == 0 || !read_weights(state->log_db, state->current_date, &weights) || weights.empty())
    return "";
  const TrendRate rate = weight_trend_rate(weight_trend(weights, day), day);
  if (std::isnan(rate.trend_kg)) return "";
  char text[512];
  const std::string trend = weight_text(rate.trend_kg, unit);
  if (!rate.has_rate) {
    // Translators: %s is the smoothed weight, "80.6 kg"
    snprintf(text, sizeof text, _("Trend %s; its weekly change shows after a week of weights"),
             trend.c_str());
    return text;
  }
  char change[64];
  snprintf(change, sizeof change, "%+.1f %s", weight_from_kg(rate.kg_per_week, unit),
           weight_unit_symbol(unit));
  const std::string balance =
      (rate.kcal_per_day >= 0.5 ? "+" : "") + format_kcal(rate.kcal_per_day);
  const double eaten = kept_average_eaten(view, rate.from_day, day);
  if (std::isnan(eaten)) {
    // Translators: the smoothed weight, its change a week ("-0.4 kg") and the energy balance
    // that change implies ("-440")
    snprintf(text, sizeof text, _("Trend %s, %s a week (%s kcal a day)"),
             trend.c_str(), change, balance.c_str());
    return text;
  }
  // Translators: the smoothed weight, its change a week ("-0.4 kg"), the energy balance that
  // change implies ("-440"), the energy eaten on average ("1,850") and the days of both
  snprintf(text, sizeof text,
           _("Trend %s, %s a week (%s kcal a day); eaten %s kcal a day in the same %d days"),
           trend.c_str(), change, balance.c_str(), format_kcal(eaten).c_str(), rate.days);
  return text;
}

void hide_offer(WeightView *view) {
  view->offer_kg = NAN;
  if (view->offer) gtk_revealer_set_reveal_child(GTK_REVEALER(view->offer), FALSE);
}

// After a weight was logged: offers the profile the trend's weight when it is far enough
// from the profile's, unless the person declined that weight already.
void consider_offer(WeightView *view) {
  GuiState *state = view->state;
  if (!view->offer) return;
  Profile profile;
  const int loaded = profile_load(state->log_db, &profile);
  const bool complete = profile_is_complete(loaded, &profile);
  std::vector<DayWeight> weights;
  const WeightUnit unit = weight_unit_of(state);
  double offer_kg = 0.0;
  bool offer = false;
  int target = 0;
  if (complete && read_weights(state->log_db, nullptr, &weights) && !weights.empty()) {
    const std::vector<TrendDay> trend = weight_trend(weights, weights.back().day);
    offer = weight_profile_offer(trend.back().trend, profile.weight_kg, unit, &offer_kg) &&
            !(std::fabs(offer_kg - view->declined_kg) < kProfileOfferKg);
    if (offer)
      target = calorie_target_compute(profile.bdate, profile.activity_level, profile.gender,
                                      profile.height_cm, offer_kg);
  }
  profile_clear(&profile);
  if (!offer) {
    hide_offer(view);
    return;
  }
  view->offer_kg = offer_kg;
  char text[256];
  // Translators: the trend's weight ("80.6 kg") and the calorie target it gives ("1,950")
  snprintf(text, sizeof text, _("Update the profile to %s? Your target becomes %s kcal."),
           weight_text(offer_kg, unit).c_str(), format_kcal(target).c_str());
  gtk_label_set_text(GTK_LABEL(view->offer_label), text);
  gtk_revealer_set_reveal_child(GTK_REVEALER(view->offer), TRUE);
}

void on_weight_field_changed(GtkEditable *, gpointer data) {
  WeightView *view = view_of(static_cast<GuiState *>(data));
  if (view) set_error(view, nullptr);
}

void on_weight_action(GSimpleAction *, GVariant *, gpointer data) {
  run_guarded("on_weight_action", [&] {
    WeightView *view = view_of(static_cast<GuiState *>(data));
    if (!view || !view->field) return;
    gtk_window_present(GTK_WINDOW(view->state->main_window));
    focus_and_select(view->field);
  });
}

void on_weight_button_clicked(GtkButton *, gpointer data) {
  WeightView *view = view_of(static_cast<GuiState *>(data));
  if (view && view->field) on_weight_entry_activate(GTK_ENTRY(view->field), data);
}

void on_weight_window_destroy(GtkWidget *, gpointer data) {
  auto *view = static_cast<WeightView *>(data);
  view->field = view->unit_label = view->trend_label = view->error_label = nullptr;
  view->offer = view->offer_label = view->offer_update = view->offer_keep = nullptr;
}

const GActionEntry weight_actions[] = {
    {"weight", on_weight_action, nullptr, nullptr, nullptr, {}},
};

}  // namespace

bool weight_text_read(const char *text, WeightUnit unit, double *kg, std::string *why) {
  const std::string typed = trimmed(text);
  char message[256];
  if (typed.empty()) {
    // Translators: said under the weight field when Enter was pressed on an empty field
    snprintf(message, sizeof message, _("Type your weight in %s, such as %s."),
             weight_unit_symbol(unit), unit == WeightUnit::kPounds ? "180" : "81.4");
    *why = message;
    return false;
  }
  double value = 0.0;
  bool had_unit = false;
  WeightUnit typed_unit = unit;
  if (!read_number_and_unit(typed, &typed_unit, &value, &had_unit)) {
    // Translators: said under the weight field; %s is what was typed
    snprintf(message, sizeof message, _("“%s” is not a weight. Type a number, such as %s."),
             typed.c_str(), unit == WeightUnit::kPounds ? "180" : "81.4");
    *why = message;
    return false;
  }
  const double in_kg = weight_to_kg(value, typed_unit);
  if (!weight_in_range(in_kg)) {
    // Translators: said under the weight field, such as "Type a weight from 20 to 400 kg."
    snprintf(message, sizeof message, _("Type a weight from %s to %s %s."),
             limit_text(kWeightMinKg, typed_unit).c_str(),
             limit_text(kWeightMaxKg, typed_unit).c_str(), weight_unit_symbol(typed_unit));
    *why = message;
    return false;
  }
  *kg = weight_round_kg(in_kg, typed_unit);
  why->clear();
  return true;
}

bool weight_query_read(GuiState *state, const char *text, double *kg, std::string *row) {
  std::string typed = trimmed(text);
  // "weight 81.4", "Weight: 81.4 kg", or the word of the person's language.
  bool named = false;
  // Translators: the word that, typed before a number in the quick-log field, logs a weight
  const char *words[] = {"weight", _("weight")};
  for (const char *word : words) {
    const size_t length = strlen(word);
    if (typed.size() > length && g_ascii_strncasecmp(typed.c_str(), word, length) == 0) {
      typed = trimmed(typed.c_str() + length);
      if (!typed.empty() && typed[0] == ':') typed = trimmed(typed.c_str() + 1);
      named = true;
      break;
    }
  }
  WeightView *view = view_of(state);
  WeightUnit unit = view ? view->unit : WeightUnit::kKilograms;
  double value = 0.0;
  bool had_unit = false;
  if (!read_number_and_unit(typed, &unit, &value, &had_unit) || (!named && !had_unit))
    return false;
  const double in_kg = weight_to_kg(value, unit);
  if (!weight_in_range(in_kg)) return false;
  *kg = weight_round_kg(in_kg, unit);
  char text_row[128];
  // Translators: the quick-log field's suggestion for "weight 81.4"; %s is "81.4 kg"
  snprintf(text_row, sizeof text_row, _("Log weight %s"), weight_text(*kg, unit).c_str());
  *row = text_row;
  return true;
}

WeightUnit weight_unit_of(GuiState *state) {
  int unit = 0;
  if (!state || !state->log_db || weight_unit_load(state->log_db, &unit) != 0) unit = 0;
  return unit == 1 ? WeightUnit::kPounds : WeightUnit::kKilograms;
}

std::string weight_text(double kg, WeightUnit unit) {
  char text[64];
  snprintf(text, sizeof text, "%.1f %s", weight_from_kg(kg, unit), weight_unit_symbol(unit));
  return text;
}

GtkWidget *weight_view_build(GuiState *state) {
  auto *view = new WeightView;
  view->state = state;
  g_object_set_data_full(G_OBJECT(state->main_window), kWeightViewKey, view,
                         [](gpointer data) { delete static_cast<WeightView *>(data); });
  g_signal_connect(state->main_window, "destroy", G_CALLBACK(on_weight_window_destroy), view);

  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  GtkWidget *row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
  // Translators: the label of the main window's weight field; W is its mnemonic
  GtkWidget *label = gtk_label_new_with_mnemonic(_("_Weight:"));
  view->field = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(view->field), 7);
  gtk_entry_set_input_purpose(GTK_ENTRY(view->field), GTK_INPUT_PURPOSE_NUMBER);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), view->field);
  gtk_widget_set_tooltip_text(view->field,
                              _("The weight of the date on display; Enter logs it, in place "
                                "of the one the date has"));
  view->unit_label = gtk_label_new("kg");
  GtkWidget *button = gtk_button_new_with_label(_("Log Weight"));
  // The trend reads beside the field, in the row's height of two lines, so that it takes
  // no line of the window from the food log.
  view->trend_label = gtk_label_new("");
  gtk_label_set_xalign(GTK_LABEL(view->trend_label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(view->trend_label), TRUE);
  gtk_widget_set_hexpand(view->trend_label, TRUE);
  gtk_widget_set_margin_start(view->trend_label, 6);
  gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), view->field, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), view->unit_label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), view->trend_label, TRUE, TRUE, 0);

  view->error_label = gtk_label_new("");
  gtk_label_set_xalign(GTK_LABEL(view->error_label), 0.0f);
  gtk_style_context_add_class(gtk_widget_get_style_context(view->error_label),
                              GTK_STYLE_CLASS_ERROR);
  gtk_widget_set_no_show_all(view->error_label, TRUE);
  gtk_box_pack_start(GTK_BOX(box), view->error_label, FALSE, FALSE, 0);

  connect_signal(view->field, "activate", G_CALLBACK(on_weight_entry_activate), state);
  connect_signal(view->field, "changed", G_CALLBACK(on_weight_field_changed), state);
  connect_signal(button, "clicked", G_CALLBACK(on_weight_button_clicked), state);
  g_action_map_add_action_entries(G_ACTION_MAP(state->main_window), weight_actions,
                                  G_N_ELEMENTS(weight_actions), state);
  return box;
}

void weight_view_install_offer(GuiState *state, GtkWidget *overlay) {
  WeightView *view = view_of(state);
  if (!view) return;
  view->offer = gtk_revealer_new();
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_style_context_add_class(gtk_widget_get_style_context(box), "app-notification");
  view->offer_label = gtk_label_new(nullptr);
  gtk_label_set_line_wrap(GTK_LABEL(view->offer_label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(view->offer_label), 64);
  view->offer_update = gtk_button_new_with_label(_("Update Profile"));
  // Translators: the button that declines the offer to update the profile's weight
  view->offer_keep = gtk_button_new_with_label(_("Keep"));
  gtk_box_pack_start(GTK_BOX(box), view->offer_label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), view->offer_update, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), view->offer_keep, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(view->offer), box);
  connect_signal(view->offer_update, "clicked", G_CALLBACK(on_weight_offer_update_clicked), state);
  connect_signal(view->offer_keep, "clicked", G_CALLBACK(on_weight_offer_keep_clicked), state);

  // Under the quick log's notification, so that both can show at once.
  GtkWidget *stack = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_widget_set_halign(stack, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(stack, GTK_ALIGN_START);
  GtkWidget *notice = quick_log_notification(state);
  if (notice && gtk_widget_get_parent(notice) == overlay) {
    g_object_ref(notice);
    gtk_container_remove(GTK_CONTAINER(overlay), notice);
    gtk_box_pack_start(GTK_BOX(stack), notice, FALSE, FALSE, 0);
    g_object_unref(notice);
  }
  gtk_box_pack_start(GTK_BOX(stack), view->offer, FALSE, FALSE, 0);
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay), stack);
}

void weight_view_refresh(GuiState *state) {
  WeightView *view = view_of(state);
  if (!view || !view->field) return;
  const WeightUnit unit = view->unit = weight_unit_of(state);
  gtk_label_set_text(GTK_LABEL(view->unit_label), weight_unit_symbol(unit));
  // What the person is typing stays.
  const char *typed = gtk_entry_get_text(GTK_ENTRY(view->field));
  if (!gtk_widget_has_focus(view->field) || view->field_text == typed) {
    double kg = 0.0;
    char text[32] = "";
    if (weight_log_get(state->log_db, state->current_date, &kg) == 0)
      snprintf(text, sizeof text, "%.1f", weight_from_kg(kg, unit));
    view->field_text = text;
    if (strcmp(typed, text) != 0) {
      g_signal_handlers_block_by_func(view->field, (gpointer)on_weight_field_changed, state);
      gtk_entry_set_text(GTK_ENTRY(view->field), text);
      g_signal_handlers_unblock_by_func(view->field, (gpointer)on_weight_field_changed, state);
    }
  }
  gtk_label_set_text(GTK_LABEL(view->trend_label), trend_line(view, unit).c_str());
}

bool weight_view_log(GuiState *state, double kg) {
  WeightView *view = view_of(state);
  if (!view) return false;
  WeightChange change;
  LogStamp before{0, 0};
  const bool eaten_kept =
      log_stamp_read(state->log_db, &before) == 0 && same_stamp(before, view->eaten_stamp);
  if (weight_log_set(state->log_db, state->current_date, kg, &change) != 0) {
    show_write_failure(GTK_WINDOW(state->main_window), _("The weight was not logged."),
                       log_db_error_text(state->log_db));
    return false;
  }
  // Only the weight changed: the food log, and the energy eaten, are as they were.
  if (eaten_kept) log_stamp_read(state->log_db, &view->eaten_stamp);
  set_error(view, nullptr);
  view->field_text.clear();
  if (view->field) gtk_entry_set_text(GTK_ENTRY(view->field), "");
  // The food log is as it was: the weight row and History follow, the budget stays.
  weight_view_refresh(state);
  history_window_refresh(state);

  const WeightUnit unit = weight_unit_of(state);
  char shown[DISPLAY_DATE_SIZE];
  utf8_from_locale(date_to_display(change.date.c_str(), shown), sizeof shown);
  char text[512];
  if (change.had_weight)
    // Translators: the weight logged ("81.4 kg"), its date and the weight it replaced
    snprintf(text, sizeof text, _("Weight %s logged for %s in place of %s"),
             weight_text(kg, unit).c_str(), shown, weight_text(change.previous_kg, unit).c_str());
  else
    // Translators: the weight logged ("81.4 kg") and its date
    snprintf(text, sizeof text, _("Weight %s logged for %s"), weight_text(kg, unit).c_str(),
             shown);
  // Translators: what Undo took back, after "Undone: ": "the weight 81.4 kg"
  char name[128];
  snprintf(name, sizeof name, _("the weight %s"), weight_text(kg, unit).c_str());
  quick_log_notify_undo(state, text, name, [state, change]() {
    if (weight_log_restore(state->log_db, change) != 0) {
      show_write_failure(GTK_WINDOW(state->main_window),
                         _("The weight was not undone; it stays in the log."),
                         log_db_error_text(state->log_db));
      return false;
    }
    // The field shows the weight put back, unless the person is typing in it.
    if (WeightView *kept = view_of(state)) hide_offer(kept);
    return true;
  });
  consider_offer(view);
  return true;
}

void on_weight_entry_activate(GtkEntry *entry, gpointer data) {
  run_guarded("on_weight_entry_activate", [&] {
    auto *state = static_cast<GuiState *>(data);
    WeightView *view = view_of(state);
    if (!view) return;
    double kg = 0.0;
    std::string why;
    if (!weight_text_read(gtk_entry_get_text(entry), weight_unit_of(state), &kg, &why)) {
      set_error(view, why.c_str());
      gtk_widget_grab_focus(GTK_WIDGET(entry));
      return;
    }
    // Logged: the keyboard goes on from the quick-log field, where Ctrl+Z takes it back.
    if (weight_view_log(state, kg)) {
      GtkWidget *field = quick_log_field(state);
      gtk_widget_grab_focus(field ? field : GTK_WIDGET(entry));
    }
  });
}

GtkWidget *weight_view_field(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->field : nullptr;
}

GtkWidget *weight_view_trend_label(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->trend_label : nullptr;
}

GtkWidget *weight_view_error_label(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->error_label : nullptr;
}

GtkWidget *weight_view_offer(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->offer : nullptr;
}

GtkWidget *weight_view_offer_label(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->offer_label : nullptr;
}

GtkWidget *weight_view_offer_button(GuiState *state) {
  WeightView *view = view_of(state);
  return view ? view->offer_update : nullptr;
}

void on_weight_offer_update_clicked(GtkButton *, gpointer data) {
  run_guarded("on_weight_offer_update_clicked", [&] {
    auto *state = static_cast<GuiState *>(data);
    WeightView *view = view_of(state);
    if (!view || std::isnan(view->offer_kg)) return;
    Profile profile;
    const int loaded = profile_load(state->log_db, &profile);
    if (!profile_is_complete(loaded, &profile)) {
      profile_clear(&profile);
      hide_offer(view);
      return;
    }
    profile.weight_kg = view->offer_kg;
    profile.calorie_target = calorie_target_compute(profile.bdate, profile.activity_level,
                                                    profile.gender, profile.height_cm,
                                                    profile.weight_kg);
    const int saved = profile_save(state->log_db, &profile);
    const int target = profile.calorie_target;
    profile_clear(&profile);
    if (saved != 0) {
      // The offer stays, for another try.
      show_write_failure(GTK_WINDOW(state->main_window), _("Your profile was not saved."),
                         log_db_error_text(state->log_db));
      return;
    }
    state->calorie_target = target;
    hide_offer(view);
    refresh_views(state);
    if (view->field) gtk_widget_grab_focus(view->field);
  });
}

void on_weight_offer_keep_clicked(GtkButton *, gpointer data) {
  run_guarded("on_weight_offer_keep_clicked", [&] {
    WeightView *view = view_of(static_cast<GuiState *>(data));
    if (!view) return;
    view->declined_kg = view->offer_kg;
    hide_offer(view);
    if (view->field) gtk_widget_grab_focus(view->field);
  });
}
