// SPDX-License-Identifier: GPL-3.0-or-later
// The budget bars and the food log list of the main window, and date navigation.
#include "ui/budget-view.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "budget/amount-text.h"
#include "budget/day-totals.h"
#include "budget/pattern.h"
#include "fooddb/amount-text.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/entry-measures.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "ui/day-follow.h"
#include "ui/entry-dialogs.h"
#include "ui/fill-window.h"
#include "ui/history-window.h"
#include "ui/nutrients-window.h"
#include "ui/object-keys.h"
#include "utf8-text.h"
#include "ui/day-picker.h"
#include "ui/quick-log.h"
#include "ui/weight-view.h"

#define ENTRY_ROW_CLASS "alimora-entry-row"

namespace {

// Object data of the main window: the LogDayRead of the last refresh_views.
constexpr char kDayReadKey[] = "day-read";

void free_day_read(gpointer data) {
  auto *kept = static_cast<LogDayRead *>(data);
  log_day_read_free(kept);
  delete kept;
}

// The main window's LogDayRead, made on first use; null without a main window.
LogDayRead *day_read_of(GuiState *state) {
  if (!state->main_window) return nullptr;
  auto *kept =
      static_cast<LogDayRead *>(g_object_get_data(G_OBJECT(state->main_window), kDayReadKey));
  if (!kept) {
    kept = new LogDayRead{nullptr, LogStamp{0, 0}, LogEntryList{nullptr, 0, 0}};
    g_object_set_data_full(G_OBJECT(state->main_window), kDayReadKey, kept, free_day_read);
  }
  return kept;
}

// Sums each entry's equivalents times its servings (day_totals_add); entries whose food has
// no equivalents or whose lookup fails add nothing. Without entries (|entries| null: they
// could not be read) everything stays 0.
void sum_consumed(GuiState *state, const LogEntryList *entries, double consumed[FOOD_GROUP_COUNT]) {
  DayTotals totals;
  day_totals_clear(&totals);
  for (size_t i = 0; entries && i < entries->count; i++) {
    FoodValues food = {entries->items[i].food_code, false, {}, false, 0.0};
    food.has_groups = food_equivalents(state->food_db, food.food_code, &food.groups) == 0;
    day_totals_add(&totals, &food, entries->items[i].servings);
  }
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) consumed[g] = totals.amounts[g];
}

// The bar texts in the theme's normal text colour (themes draw them dimmed), and bars over
// budget in orange, which stands apart from the theme's blue in light and dark themes alike
// and for people who cannot tell red from green. The trough's edge against the window and
// the bar against its trough keep a contrast of at least 3:1 (WCAG 2.1, non-text contrast)
// in light and dark themes: the themes' own trough hardly differs from the window in a dark
// theme, nor its blue from the trough.
const char kBarStyle[] =
    "progressbar text { color: @theme_fg_color; }\n"
    "progressbar trough { background-color: @theme_base_color;"
    " border-color: mix(@theme_fg_color, @theme_bg_color, 0.4); }\n"
    "progressbar progress { background-image: none;"
    " background-color: mix(@theme_selected_bg_color, @theme_fg_color, 0.35);"
    " border-color: mix(@theme_selected_bg_color, @theme_fg_color, 0.35); }\n"
    "progressbar." BAR_OVER_BUDGET_CLASS " progress {"
    " background-image: none; background-color: #e66100; border-color: #a33a00; }\n"
    // The day's entries as a compact list, so that a day of ten foods fits the window as it
    // opens: one line a row, with small Edit and Delete buttons.
    "." ENTRY_ROW_CLASS " button { min-height: 0; padding: 0 8px; }\n";

void install_bar_style(GtkWidget *bar) {
  static GdkScreen *styled = nullptr;
  GdkScreen *screen = gtk_widget_get_screen(bar);
  if (!screen || screen == styled) return;
  GtkCssProvider *provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kBarStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
  styled = screen;
}

// Marks a bar whose group is over budget, for the eye and for screen readers.
void mark_over_budget(GtkWidget *bar, bool over) {
  GtkStyleContext *style = gtk_widget_get_style_context(bar);
  if (over)
    gtk_style_context_add_class(style, BAR_OVER_BUDGET_CLASS);
  else
    gtk_style_context_remove_class(style, BAR_OVER_BUDGET_CLASS);
  // Translators: said by screen readers about a food-group bar whose amount is above its budget
  atk_object_set_description(gtk_widget_get_accessible(bar), over ? _("Over budget") : "");
}

void update_bars(GuiState *state, const FoodGroupAmounts &budget,
                 const double consumed[FOOD_GROUP_COUNT]) {
  for (int g = 0; g < FOOD_GROUP_COUNT; g++) {
    GtkWidget *bar = state->group_bars[g];
    if (!bar) continue;
    install_bar_style(bar);
    // A sum of products may land a hair above a budget that it only meets.
    mark_over_budget(bar, consumed[g] > budget.amounts[g] + 1e-9);
    double fraction = budget.amounts[g] > 0 ? consumed[g] / budget.amounts[g] : 0.0;
    if (fraction > 1.0 || std::isnan(fraction)) fraction = 1.0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), fraction);
    char text[128];
    if (amount_is_too_large(consumed[g]))
      snprintf(text, sizeof text, "%s: %s / %.1f", food_group_label(g), amount_too_large_text(),
               budget.amounts[g]);
    else
      snprintf(text, sizeof text, "%s: %.1f / %.1f", food_group_label(g), consumed[g],
               budget.amounts[g]);
    utf8_fit(text, sizeof text);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
    // GTK 3 exposes only the fraction of a progress bar; give screen readers the text too.
    atk_object_set_name(gtk_widget_get_accessible(bar), text);
  }
}

// The energy of the day's entries (by the rule of the day's totals) against the calorie
// target, in the bar after the six food groups.
void update_energy_bar(GuiState *state, const LogEntryList *entries, std::vector<double> *each) {
  GtkWidget *bar = state->energy_bar;
  DayTotals totals;
  day_totals_clear(&totals);
  // One statement for the day's foods: a statement prepared per entry would cost more than
  // the sums themselves.
  const size_t count = entries ? entries->count : 0;
  auto *codes = static_cast<int32_t *>(calloc(count + 1, sizeof(int32_t)));
  auto *values = static_cast<FoodValues *>(calloc(count + 1, sizeof(FoodValues)));
  if (codes && values) {
    for (size_t i = 0; i < count; i++) codes[i] = entries->items[i].food_code;
    const int rc = food_values_for(state->food_db, codes, count, values);
    for (size_t i = 0; i < count; i++) {
      // One entry's energy by the same rule as the day's.
      DayTotals one;
      day_totals_clear(&one);
      day_totals_add(&one, rc == -1 ? nullptr : &values[i], entries->items[i].servings);
      each->push_back(one.without_energy == 0 ? one.kcal : NAN);
      day_totals_add(&totals, rc == -1 ? nullptr : &values[i], entries->items[i].servings);
    }
  } else {
    // Short of memory: one lookup at a time needs no room of its own.
    for (size_t i = 0; i < count; i++) {
      FoodValues one;
      const int rc = food_values_of(state->food_db, entries->items[i].food_code, &one);
      DayTotals alone;
      day_totals_clear(&alone);
      day_totals_add(&alone, rc == -1 ? nullptr : &one, entries->items[i].servings);
      each->push_back(alone.without_energy == 0 ? alone.kcal : NAN);
      day_totals_add(&totals, rc == -1 ? nullptr : &one, entries->items[i].servings);
    }
  }
  free(codes);
  free(values);
  if (!bar) return;
  const int target = state->calorie_target;
  install_bar_style(bar);
  // The bar shows whole kcal, halves rounded up as in the Nutrients window, and is judged
  // on them.
  const double shown = round(totals.kcal);
  mark_over_budget(bar, shown > target);
  double fraction = target > 0 ? totals.kcal / target : 0.0;
  if (fraction > 1.0 || std::isnan(fraction)) fraction = 1.0;
  if (fraction < 0.0) fraction = 0.0;
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), fraction);
  char text[128];
  if (amount_is_too_large(totals.kcal))
    // Translators: the energy bar when the day's entries add up to more than is real:
    // "too large" / calorie target
    snprintf(text, sizeof text, _("Energy (kcal): %s / %d"), amount_too_large_text(), target);
  else
    // Translators: the energy bar after the food-group bars: kcal eaten / calorie target
    snprintf(text, sizeof text, _("Energy (kcal): %.0f / %d"), shown, target);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
  gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
  atk_object_set_name(gtk_widget_get_accessible(bar), text);
}

void clear_container(GtkWidget *container) {
  GList *children = gtk_container_get_children(GTK_CONTAINER(container));
  for (GList *l = children; l; l = l->next) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(children);
}

void connect_clicked(GtkWidget *button, GCallback handler, GuiState *state) {
  g_signal_connect_data(button, "clicked", handler, state, nullptr, GConnectFlags(0));
}

// The amount of an entry as it was logged ("2 × 1 large egg (122 g)", "150 g") and its energy
// ("140 kcal"; "? kcal" when the food database has none), after the row's label.
void add_amount_labels(GtkWidget *row, const LogEntry &entry, const EntryMeasure &measure,
                       double kcal) {
  char amount[512];
  amount_logged_text(entry.servings, measure.measure.c_str(), measure.measure_g, measure.count,
                     amount, sizeof amount);
  utf8_fit(amount, sizeof amount);
  GtkWidget *amount_label = gtk_label_new(amount);
  gtk_label_set_ellipsize(GTK_LABEL(amount_label), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_max_width_chars(GTK_LABEL(amount_label), 30);
  gtk_label_set_xalign(GTK_LABEL(amount_label), 1.0f);
  gtk_widget_set_tooltip_text(amount_label, amount);
  char energy[64];
  if (std::isfinite(kcal))
    // Translators: the energy of one entry of the food log
    snprintf(energy, sizeof energy, _("%.0f kcal"), kcal);
  else
    // Translators: the energy of an entry whose food has no energy value
    snprintf(energy, sizeof energy, "%s", _("? kcal"));
  GtkWidget *energy_label = gtk_label_new(energy);
  gtk_label_set_width_chars(GTK_LABEL(energy_label), 9);
  gtk_label_set_xalign(GTK_LABEL(energy_label), 1.0f);
  gtk_style_context_add_class(gtk_widget_get_style_context(energy_label), "dim-label");
  gtk_box_pack_start(GTK_BOX(row), amount_label, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), energy_label, FALSE, FALSE, 6);
}

GtkWidget *build_entry_row(GuiState *state, const LogEntry &entry, const EntryMeasure &measure,
                           double kcal) {
  GtkWidget *row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_style_context_add_class(gtk_widget_get_style_context(row), ENTRY_ROW_CLASS);

  char text[512];
  snprintf(text, sizeof text, "%d  -  %s  (%.1f %s)", entry.food_code, entry.description,
           entry.servings, _("servings"));
  // A long description is cut by the buffer, maybe inside a character.
  utf8_fit(text, sizeof text);
  GtkWidget *label = gtk_label_new(text);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  // A long description must not push the buttons out of sight: cut it on screen and show
  // the whole text as a tooltip.
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_widget_set_tooltip_text(label, text);
  gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);

  GtkWidget *edit = gtk_button_new_with_label(_("Edit"));
  GtkWidget *del = gtk_button_new_with_label(_("Delete"));
  entry_id_set(G_OBJECT(edit), entry.id);
  g_object_set_data_full(G_OBJECT(edit), KEY_ENTRY_SERVINGS, g_memdup2(&entry.servings,
                         sizeof entry.servings), g_free);
  g_object_set_data_full(G_OBJECT(edit), KEY_ENTRY_DATE, g_strdup(entry.date), g_free);
  g_object_set_data_full(G_OBJECT(edit), KEY_ENTRY_DESC, g_strdup(entry.description), g_free);
  g_object_set_data(G_OBJECT(edit), KEY_ENTRY_FOOD_CODE, GINT_TO_POINTER(entry.food_code));
  entry_id_set(G_OBJECT(del), entry.id);
  connect_clicked(edit, G_CALLBACK(on_edit_clicked), state);
  connect_clicked(del, G_CALLBACK(on_delete_clicked), state);

  // Say which entry the buttons act on.
  atk_object_set_description(gtk_widget_get_accessible(edit), text);
  atk_object_set_description(gtk_widget_get_accessible(del), text);

  gtk_box_pack_end(GTK_BOX(row), del, FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(row), edit, FALSE, FALSE, 0);
  add_amount_labels(row, entry, measure, kcal);
  return row;
}

// One row per entry, or the "No entries" line; nothing when the entries could not be read
// (|entries| null).
void fill_entry_list(GuiState *state, const LogEntryList *entries,
                     const std::vector<double> &kcal) {
  if (!entries) return;
  std::vector<EntryMeasure> measures;
  entry_measures_of(state->log_db, entries, &measures);  // a failure: every entry in grams
  if (entries->count == 0) {
    GtkWidget *label = gtk_label_new(_("No entries for this date."));
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    gtk_container_add(GTK_CONTAINER(state->log_list_box), label);
  }
  for (size_t i = 0; i < entries->count; i++)
    gtk_container_add(GTK_CONTAINER(state->log_list_box),
                      build_entry_row(state, entries->items[i], measures[i],
                                      i < kcal.size() ? kcal[i] : NAN));
}

// |date| in the locale's date form, in UTF-8 whatever the locale's encoding.
const char *display_date(const char *date, char *display) {
  return utf8_from_locale(date_to_display(date, display), DISPLAY_DATE_SIZE);
}

// Moves the view to |date| (cut to a date string) and redraws.
void show_date(GuiState *state, const char *date) {
  snprintf(state->current_date, sizeof state->current_date, "%.10s", date);
  refresh_views(state);
}

}  // namespace

void refresh_views(GuiState *state) {
  // A new day since the last look moves a view of today to the new today.
  day_follow_update(state);
  FoodGroupAmounts budget = pattern_for_calories(state->calorie_target);
  // The entries are read once and serve both the sums and the rows: with no index on the
  // log, each read scans the whole table. A copy stays with the main window for a window
  // opened before the log changes again (refresh_views_entries).
  LogEntryList entries;
  LogDayRead *kept = day_read_of(state);
  const bool read =
      (kept ? log_entries_for_date_kept(state->log_db, state->current_date, kept, &entries)
            : log_entries_for_date(state->log_db, state->current_date, &entries)) == 0;
  double consumed[FOOD_GROUP_COUNT];
  sum_consumed(state, read ? &entries : nullptr, consumed);
  update_bars(state, budget, consumed);

  char display[DISPLAY_DATE_SIZE];
  if (state->budget_label) {
    char text[192];
    snprintf(text, sizeof text, _("USDA Healthy US-Style Eating Pattern (%d kcal) - %s"),
             state->calorie_target, display_date(state->current_date, display));
    utf8_fit(text, sizeof text);
    gtk_label_set_text(GTK_LABEL(state->budget_label), text);
  }

  if (state->log_list_box) clear_container(state->log_list_box);

  if (state->log_frame) {
    char today[DATE_STRING_SIZE];
    date_today(today);
    const char *format = strcmp(state->current_date, today) == 0 ? _("Food Log - %s (Today)")
                                                                  : _("Food Log - %s");
    char text[128];
    snprintf(text, sizeof text, format, display_date(state->current_date, display));
    utf8_fit(text, sizeof text);
    gtk_frame_set_label(GTK_FRAME(state->log_frame), text);
  }

  std::vector<double> kcal;
  update_energy_bar(state, read ? &entries : nullptr, &kcal);
  if (state->log_list_box) {
    fill_entry_list(state, read ? &entries : nullptr, kcal);
    gtk_widget_show_all(state->log_list_box);
  }
  if (state->nutrients_window) nutrients_window_refresh(state, read ? &entries : nullptr);
  day_picker_view_changed(state, display_date(state->current_date, display));
  quick_log_view_changed(state, read && entries.count > 0);
  log_entry_list_free(&entries);
  weight_view_refresh(state);
  history_window_refresh(state);
  fill_window_refresh(state);
}

void view_show_date(GuiState *state, const char *date) { show_date(state, date); }

const char *view_date_text(const char *date, char *out) { return display_date(date, out); }

const LogEntryList *refresh_views_entries(GuiState *state) {
  if (!state->main_window) return nullptr;
  const auto *kept =
      static_cast<const LogDayRead *>(g_object_get_data(G_OBJECT(state->main_window), kDayReadKey));
  return log_day_read_find(state->log_db, kept, state->current_date);
}

void on_prev_date_clicked(GtkButton *, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  DateList dates;
  if (log_dates(state->log_db, &dates) != 0 || dates.count == 0) return;
  size_t i = 0;
  while (i < dates.count && strcmp(dates.items[i], state->current_date) != 0) i++;
  if (i >= 1) show_date(state, dates.items[i - 1]);
  date_list_free(&dates);
}

void on_next_date_clicked(GtkButton *, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  DateList dates;
  if (log_dates(state->log_db, &dates) != 0 || dates.count == 0) return;
  size_t i = 0;
  while (i < dates.count && strcmp(dates.items[i], state->current_date) != 0) i++;
  if (i < dates.count && i + 1 < dates.count) show_date(state, dates.items[i + 1]);
  date_list_free(&dates);
}

void on_today_clicked(GtkButton *, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  date_today(state->current_date);
  refresh_views(state);
}

