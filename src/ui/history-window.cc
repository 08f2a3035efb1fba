// SPDX-License-Identifier: GPL-3.0-or-later
// The History window: a chart and a table of the days ending on a date, read from the log
// and summed as alimora-report sums them, drawn by the report's own chart code.
#include "ui/history-window.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "budget/amount-text.h"
#include "i18n.h"
#include "utf8-text.h"
#include "report/report-range.h"
#include "report/report-weights.h"
#include "ui/budget-view.h"
#include "ui/colour-contrast.h"
#include "ui/dialog-util.h"

namespace {

// Object data of the window: its HistoryView; of each file filter of the export dialog:
// the HistoryExport it stands for.
constexpr char kHistoryViewKey[] = "history-view";
constexpr char kExportKindKey[] = "export-kind";
// Object data of the main window: the LogDateIndex that History reads its periods by.
constexpr char kDateIndexKey[] = "log-date-index";

// The table's columns: the day as shown, the six group amounts and the energy as shown
// (empty on a day without entries), the weight (empty on a day without one), and the day as
// a date string.
enum {
  COLUMN_DAY = 0,
  COLUMN_FIRST_GROUP,
  COLUMN_ENERGY = COLUMN_FIRST_GROUP + FOOD_GROUP_COUNT,
  COLUMN_WEIGHT,
  COLUMN_DATE,
  COLUMN_COUNT
};

constexpr int kShortPeriod = 7;
constexpr int kLongPeriod = 30;

// Everything one History window shows and the widgets that show it; owned by the window.
struct HistoryView {
  GuiState *state = nullptr;
  GtkWidget *window = nullptr;
  GtkWidget *short_toggle = nullptr;   // "7 Days"
  GtkWidget *long_toggle = nullptr;    // "30 Days"
  GtkWidget *period_label = nullptr;   // first and last day
  GtkWidget *export_button = nullptr;  // "Export…"
  GtkWidget *message = nullptr;        // why nothing is shown
  GtkWidget *status = nullptr;         // what the last export did
  GtkWidget *chart = nullptr;          // the drawing area
  GtkWidget *table = nullptr;          // the tree view
  GtkListStore *store = nullptr;       // the table's rows; owned by the tree view
  GtkTreeViewColumn *weight_column = nullptr;  // its heading names the unit
  char end_date[DATE_STRING_SIZE] = "";
  int days = kShortPeriod;
  bool readable = false;  // the log's entries of the period could be read
  RangeData data{};
  RangeSummary summary{};
  GtkFileChooserNative *chooser = nullptr;  // the open export dialog, or null

  ~HistoryView() {
    close_chooser();
    range_data_free(&data);
  }

  // An export dialog still open goes with the window and no longer answers to it.
  void close_chooser() {
    if (!chooser) return;
    g_signal_handlers_disconnect_by_data(chooser, this);
    gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(chooser));
    g_object_unref(chooser);
    chooser = nullptr;
  }
};

void free_view(gpointer view) { delete static_cast<HistoryView *>(view); }

HistoryView *view_of(GtkWidget *window) {
  return static_cast<HistoryView *>(g_object_get_data(G_OBJECT(window), kHistoryViewKey));
}

// Writes the date string of the day |number| (a day number of date_day_number) into |out|.
void date_of_number(uint32_t number, char *out) {
  GDate date;
  g_date_clear(&date, 1);
  g_date_set_julian(&date, number);
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d", g_date_get_year(&date),
           static_cast<int>(g_date_get_month(&date)), g_date_get_day(&date));
  snprintf(out, DATE_STRING_SIZE, "%.10s", text);
}

// The day number of the last day shown: |end_date|, or today when it is no calendar date.
uint32_t end_number(const char *end_date) {
  const uint32_t number = date_day_number(end_date);
  if (number != 0) return number;
  char today[DATE_STRING_SIZE];
  date_today(today);
  return date_day_number(today);
}

void format_amount(double amount, char *out, size_t size) { amount_to_text(amount, 1, out, size); }

// Energy in whole kilocalories, as the main window's energy bar shows it.
void format_energy(double kcal, char *out, size_t size) {
  // Halves up, as the energy bar rounds; a sum past any real day reads "too large".
  if (amount_is_too_large(kcal))
    snprintf(out, size, "%s", amount_too_large_text());
  else
    snprintf(out, size, "%.0f", std::round(kcal));
}

// Writes one day into the row at |iter|: its amounts from |day|, or empty cells when null,
// and its weight from |weight| (in |unit|), or an empty cell when null or without one.
void set_row(GtkListStore *store, GtkTreeIter *iter, const char *date, const RangeDay *day,
             const TrendDay *weight, WeightUnit unit) {
  char shown[DISPLAY_DATE_SIZE];
  gtk_list_store_set(store, iter, COLUMN_DAY,
                     utf8_from_locale(date_to_display(date, shown), sizeof shown), COLUMN_DATE,
                     date, -1);
  char text[64];
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    text[0] = '\0';
    if (day) format_amount(day->totals.amounts[group], text, sizeof text);
    gtk_list_store_set(store, iter, COLUMN_FIRST_GROUP + group, text, -1);
  }
  text[0] = '\0';
  if (day) format_energy(day->totals.kcal, text, sizeof text);
  gtk_list_store_set(store, iter, COLUMN_ENERGY, text, -1);
  text[0] = '\0';
  if (weight && !std::isnan(weight->kg)) format_amount(weight_from_kg(weight->kg, unit), text, sizeof text);
  gtk_list_store_set(store, iter, COLUMN_WEIGHT, text, -1);
}

// Fills the table with one row per day of the period, oldest first. Rows that are there
// already are rewritten in place, so that the cursor stays where it was; new rows get the
// cursor on the last day, the date the period ends on, so that Enter shows that day.
void fill_table(HistoryView *view) {
  GtkTreeModel *model = GTK_TREE_MODEL(view->store);
  const RangeSummary &summary = view->summary;
  const int rows = view->readable ? static_cast<int>(summary.to_number - summary.from_number + 1)
                                  : 0;
  const bool new_rows = gtk_tree_model_iter_n_children(model, nullptr) != rows;
  if (new_rows) gtk_list_store_clear(view->store);
  GtkTreeIter iter;
  bool have_row = gtk_tree_model_get_iter_first(model, &iter);
  size_t next_day = 0;
  size_t next_weight = 0;
  for (int i = 0; i < rows; ++i) {
    const uint32_t number = summary.from_number + i;
    char date[DATE_STRING_SIZE];
    date_of_number(number, date);
    while (next_day < summary.days.size() && summary.days[next_day].day_number < number)
      ++next_day;
    const RangeDay *day = next_day < summary.days.size() &&
                                  summary.days[next_day].day_number == number
                              ? &summary.days[next_day]
                              : nullptr;
    while (next_weight < summary.weights.size() && summary.weights[next_weight].day < number)
      ++next_weight;
    const TrendDay *weight = next_weight < summary.weights.size() &&
                                     summary.weights[next_weight].day == number
                                 ? &summary.weights[next_weight]
                                 : nullptr;
    if (!have_row) gtk_list_store_append(view->store, &iter);
    set_row(view->store, &iter, date, day, weight, summary.weight_unit);
    if (have_row) have_row = gtk_tree_model_iter_next(model, &iter);
  }
  if (new_rows && rows > 0) {
    GtkTreePath *last = gtk_tree_path_new_from_indices(rows - 1, -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->table), last, nullptr, FALSE);
    gtk_tree_path_free(last);
  }
}

// The ids of each date of the log, kept with the main window for every History window it
// opens, and the pending read of them after a change to the log.
struct DateIndex {
  GuiState *state = nullptr;
  LogDateIndex *index = nullptr;
  guint idle = 0;  // the pending read, or 0
  ~DateIndex() {
    if (idle) g_source_remove(idle);
    log_date_index_free(index);
  }
};

// The main window's DateIndex, made on first use; null without a main window.
DateIndex *date_index_of(GuiState *state) {
  if (!state->main_window) return nullptr;
  auto *kept =
      static_cast<DateIndex *>(g_object_get_data(G_OBJECT(state->main_window), kDateIndexKey));
  if (!kept) {
    kept = new DateIndex;
    kept->state = state;
    kept->index = log_date_index_new();
    g_object_set_data_full(G_OBJECT(state->main_window), kDateIndexKey, kept,
                           [](gpointer data) { delete static_cast<DateIndex *>(data); });
  }
  return kept;
}

// Reads the date index again when the main loop has nothing else to do, so that the next
// period, and the next History window, are read by it instead of by a scan of the log.
gboolean on_history_index_idle(gpointer data) {
  auto *kept = static_cast<DateIndex *>(data);
  kept->idle = 0;
  if (!log_date_index_current(kept->state->log_db, kept->index))
    log_date_index_read(kept->state->log_db, kept->index);
  return G_SOURCE_REMOVE;
}

// Reads the period's entries and their foods and shows them.
void load(HistoryView *view) {
  const uint32_t last = end_number(view->end_date);
  char from[DATE_STRING_SIZE];
  char to[DATE_STRING_SIZE];
  date_of_number(last - (view->days - 1), from);
  date_of_number(last, to);
  snprintf(view->end_date, sizeof view->end_date, "%s", to);

  range_data_free(&view->data);
  DateIndex *kept = date_index_of(view->state);
  const int read = range_data_read(view->state->food_db, view->state->log_db, from, to,
                                   &view->data, kept ? kept->index : nullptr);
  view->readable = read == 0;
  // Say which file failed: a food database replaced or damaged under the window is no fault
  // of the food log.
  if (read != 0)
    gtk_label_set_text(GTK_LABEL(view->message),
                       read == -2 ? _("The food database cannot be read, so no days are shown.")
                                  : _("The food log cannot be read, so no days are shown."));
  range_summary_make(view->data, view->state->calorie_target, from, to, &view->summary);
  view->summary.weights.clear();
  if (view->readable) range_summary_read_weights(view->state->log_db, &view->summary);
  if (!view->readable) view->summary.days.clear();
  if (view->weight_column) {
    char title[64];
    // Translators: the heading of the History table's weight column; %s is "kg" or "lb"
    snprintf(title, sizeof title, _("Weight (%s)"), weight_unit_symbol(view->summary.weight_unit));
    gtk_tree_view_column_set_title(view->weight_column, title);
  }
  // A period read after a change to the log was read by a scan: the index follows later.
  if (view->readable && kept && !kept->idle &&
      !log_date_index_current(view->state->log_db, kept->index))
    kept->idle = g_idle_add_full(G_PRIORITY_LOW, on_history_index_idle, kept, nullptr);

  char first[DISPLAY_DATE_SIZE];
  char final[DISPLAY_DATE_SIZE];
  char text[192];
  snprintf(text, sizeof text, "%s – %s",
           utf8_from_locale(date_to_display(from, first), sizeof first),
           utf8_from_locale(date_to_display(to, final), sizeof final));
  gtk_label_set_text(GTK_LABEL(view->period_label), text);
  gtk_widget_set_visible(view->message, !view->readable);
  gtk_widget_set_sensitive(view->export_button, view->readable);
  fill_table(view);
  gtk_widget_queue_draw(view->chart);
}

ChartColour colour_of(const GdkRGBA &rgba, double alpha) {
  return ChartColour{rgba.red, rgba.green, rgba.blue, rgba.alpha * alpha};
}

}  // namespace

ChartPalette history_chart_palette(GtkWidget *area) {
  GtkStyleContext *style = gtk_widget_get_style_context(area);
  GdkRGBA text;
  gtk_style_context_get_color(style, gtk_style_context_get_state(style), &text);
  const Rgb ground = theme_colour(area, "theme_bg_color", Rgb{1.0, 1.0, 1.0});
  const Rgb ink = composite(text, ground);
  // As faint as they may be while they keep 3:1 against the window (WCAG 2.1, non-text
  // contrast): the bands of the days without entries; the bars stand out more.
  const double band = std::max(0.08, opacity_for_contrast(ink, ground, 3.0));
  const double bar = std::max(0.45, opacity_for_contrast(ink, ground, 4.5));
  ChartPalette palette = kChartPaperPalette;
  palette.background = ChartColour{0.0, 0.0, 0.0, 0.0};
  palette.text = colour_of(text, 1.0);
  palette.grid = colour_of(text, 0.18);
  palette.bar = colour_of(text, bar);
  palette.thin_bar = colour_of(text, std::min(1.0, bar + 0.15));
  palette.empty = colour_of(text, band);
  return palette;
}

namespace {

// The chart in the theme's text colour on the window's own background, with the budget
// bars' orange for the days over budget.
gboolean on_history_chart_draw(GtkWidget *area, cairo_t *cr, gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  if (!view->readable) return FALSE;
  const ChartPalette palette = history_chart_palette(area);
  chart_draw(cr, &view->summary, gtk_widget_get_allocated_width(area),
             gtk_widget_get_allocated_height(area), &palette);
  return FALSE;
}

void on_history_period_toggled(GtkToggleButton *toggle, gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  if (!gtk_toggle_button_get_active(toggle)) return;
  view->days = GTK_WIDGET(toggle) == view->long_toggle ? kLongPeriod : kShortPeriod;
  load(view);
}

// Moves the period by |periods| whole periods.
void move_period(HistoryView *view, int periods) {
  const int64_t last = static_cast<int64_t>(end_number(view->end_date)) +
                       static_cast<int64_t>(periods) * view->days;
  // Nothing before the year 1 or after the year 9999.
  if (last < view->days || last > date_day_number("9999-12-31")) return;
  date_of_number(static_cast<uint32_t>(last), view->end_date);
  load(view);
}

void on_history_previous_clicked(GtkButton *, gpointer data) {
  move_period(static_cast<HistoryView *>(data), -1);
}

void on_history_next_clicked(GtkButton *, gpointer data) {
  move_period(static_cast<HistoryView *>(data), 1);
}

// Alt+Left and Alt+Right move the period, as in the main window they move the date;
// Escape closes the window.
gboolean on_history_window_key_press_event(GtkWidget *window, GdkEventKey *event, gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  if (modifiers == GDK_MOD1_MASK && (event->keyval == GDK_KEY_Left || event->keyval == GDK_KEY_KP_Left)) {
    move_period(view, -1);
    return TRUE;
  }
  if (modifiers == GDK_MOD1_MASK &&
      (event->keyval == GDK_KEY_Right || event->keyval == GDK_KEY_KP_Right)) {
    move_period(view, 1);
    return TRUE;
  }
  if (modifiers == 0 && event->keyval == GDK_KEY_Escape) {
    gtk_window_close(GTK_WINDOW(window));
    return TRUE;
  }
  return FALSE;
}

// A day's row opens that day in the main window.
void on_history_row_activated(GtkTreeView *table, GtkTreePath *path, GtkTreeViewColumn *,
                              gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  GtkTreeModel *model = gtk_tree_view_get_model(table);
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter(model, &iter, path)) return;
  gchar *date = nullptr;
  gtk_tree_model_get(model, &iter, COLUMN_DATE, &date, -1);
  if (date) {
    snprintf(view->state->current_date, sizeof view->state->current_date, "%.10s", date);
    g_free(date);
    refresh_views(view->state);
  }
}

void on_history_window_destroy(GtkWidget *window, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  if (state->history_window == window) state->history_window = nullptr;
  // The export dialog holds the window as its parent; it goes first.
  if (HistoryView *view = view_of(window)) view->close_chooser();
}

bool has_suffix(const char *name, const char *suffix) {
  const size_t length = strlen(name);
  const size_t suffix_length = strlen(suffix);
  return length >= suffix_length &&
         g_ascii_strcasecmp(name + length - suffix_length, suffix) == 0;
}

const char *const kExportSuffixes[] = {".svg", ".png", ".csv"};

void on_history_export_response(GtkNativeDialog *chooser, gint response, gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  if (response == GTK_RESPONSE_ACCEPT) {
    gchar *name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    if (name) {
      // The kind follows the name's suffix; a name without one gets the chosen filter's.
      int kind = -1;
      for (int i = 0; i < 3; ++i)
        if (has_suffix(name, kExportSuffixes[i])) kind = i;
      if (kind == -1) {
        GtkFileFilter *filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(chooser));
        kind = filter ? GPOINTER_TO_INT(g_object_get_data(G_OBJECT(filter), kExportKindKey)) : 0;
        gchar *named = g_strconcat(name, kExportSuffixes[kind], nullptr);
        g_free(name);
        name = named;
      }
      history_window_export(view->window, name, static_cast<HistoryExport>(kind));
      g_free(name);
    }
  }
  view->chooser = nullptr;
  g_object_unref(chooser);
}

void add_filter(GtkFileChooser *chooser, const char *name, const char *pattern, int kind) {
  GtkFileFilter *filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name);
  gtk_file_filter_add_pattern(filter, pattern);
  g_object_set_data(G_OBJECT(filter), kExportKindKey, GINT_TO_POINTER(kind));
  gtk_file_chooser_add_filter(chooser, filter);
}

void on_history_export_clicked(GtkButton *, gpointer data) {
  auto *view = static_cast<HistoryView *>(data);
  if (view->chooser) return;  // one export at a time
  GtkFileChooserNative *chooser = gtk_file_chooser_native_new(
      _("Export History"), GTK_WINDOW(view->window), GTK_FILE_CHOOSER_ACTION_SAVE, _("_Export"),
      _("_Cancel"));
  GtkFileChooser *files = GTK_FILE_CHOOSER(chooser);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
  // Translators: a kind of file in the export dialog of the History window
  add_filter(files, _("SVG image (*.svg)"), "*.[sS][vV][gG]", 0);
  // Translators: a kind of file in the export dialog of the History window
  add_filter(files, _("PNG image (*.png)"), "*.[pP][nN][gG]", 1);
  // Translators: a kind of file in the export dialog of the History window
  add_filter(files, _("CSV table (*.csv)"), "*.[cC][sS][vV]", 2);
  char name[64];
  snprintf(name, sizeof name, "alimora-%s-%s.svg", view->summary.from, view->summary.to);
  gtk_file_chooser_set_current_name(files, name);
  view->chooser = chooser;
  g_signal_connect(chooser, "response", G_CALLBACK(on_history_export_response), view);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

GtkWidget *new_button(const char *label, const char *name, GCallback handler, HistoryView *view) {
  GtkWidget *button = gtk_button_new_with_label(label);
  if (name) {
    gtk_widget_set_tooltip_text(button, name);
    atk_object_set_name(gtk_widget_get_accessible(button), name);
  }
  connect_signal(button, "clicked", handler, view);
  return button;
}

GtkWidget *build_toolbar(HistoryView *view) {
  GtkWidget *bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);

  GtkWidget *periods = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_style_context_add_class(gtk_widget_get_style_context(periods), GTK_STYLE_CLASS_LINKED);
  view->short_toggle = gtk_radio_button_new_with_label(nullptr, _("7 Days"));
  view->long_toggle = gtk_radio_button_new_with_label_from_widget(
      GTK_RADIO_BUTTON(view->short_toggle), _("30 Days"));
  for (GtkWidget *toggle : {view->short_toggle, view->long_toggle}) {
    gtk_toggle_button_set_mode(GTK_TOGGLE_BUTTON(toggle), FALSE);
    gtk_box_pack_start(GTK_BOX(periods), toggle, FALSE, FALSE, 0);
  }
  gtk_toggle_button_set_active(
      GTK_TOGGLE_BUTTON(view->days == kLongPeriod ? view->long_toggle : view->short_toggle), TRUE);
  for (GtkWidget *toggle : {view->short_toggle, view->long_toggle})
    connect_signal(toggle, "toggled", G_CALLBACK(on_history_period_toggled), view);
  gtk_box_pack_start(GTK_BOX(bar), periods, FALSE, FALSE, 0);

  // Translators: spoken name and tooltip of the History window's "◀" button
  GtkWidget *previous = new_button("◀", _("Previous period"),
                                   G_CALLBACK(on_history_previous_clicked), view);
  // Translators: spoken name and tooltip of the History window's "▶" button
  GtkWidget *next = new_button("▶", _("Next period"), G_CALLBACK(on_history_next_clicked), view);
  view->period_label = gtk_label_new("");
  gtk_box_pack_start(GTK_BOX(bar), previous, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(bar), view->period_label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(bar), next, FALSE, FALSE, 0);

  view->export_button =
      new_button(_("Export…"), nullptr, G_CALLBACK(on_history_export_clicked), view);
  gtk_box_pack_end(GTK_BOX(bar), view->export_button, FALSE, FALSE, 0);
  return bar;
}

GtkWidget *build_table(HistoryView *view) {
  view->store = gtk_list_store_new(COLUMN_COUNT, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                   G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                   G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
  view->table = gtk_tree_view_new_with_model(GTK_TREE_MODEL(view->store));
  g_object_unref(view->store);
  // Translators: the spoken name of the History window's table of days
  atk_object_set_name(gtk_widget_get_accessible(view->table), _("Days of the period"));
  // Columns of fixed widths and rows of one height: the view need not measure every cell
  // before it shows the first frame. Each column is as wide as its heading or its widest
  // possible text, whichever is wider.
  char sample_date[DISPLAY_DATE_SIZE];
  date_to_display("2000-12-28", sample_date);
  for (int column = COLUMN_DAY; column < COLUMN_DATE; ++column) {
    GtkCellRenderer *cell = gtk_cell_renderer_text_new();
    if (column != COLUMN_DAY) g_object_set(cell, "xalign", 1.0f, nullptr);
    const char *title = column == COLUMN_DAY      ? _("Date")
                        : column == COLUMN_ENERGY ? _("Energy (kcal)")
                        : column == COLUMN_WEIGHT ? _("Weight (kg)")
                                                  : food_group_label(column - COLUMN_FIRST_GROUP);
    GtkTreeViewColumn *tree_column =
        gtk_tree_view_column_new_with_attributes(title, cell, "text", column, nullptr);
    int title_width = 0, text_width = 0;
    // Themes set the headings in bold.
    PangoLayout *layout = gtk_widget_create_pango_layout(view->table, title);
    PangoAttrList *bold = pango_attr_list_new();
    pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    pango_layout_set_attributes(layout, bold);
    pango_attr_list_unref(bold);
    pango_layout_get_pixel_size(layout, &title_width, nullptr);
    pango_layout_set_attributes(layout, nullptr);
    pango_layout_set_text(layout, column == COLUMN_DAY ? sample_date : "88888.8", -1);
    pango_layout_get_pixel_size(layout, &text_width, nullptr);
    g_object_unref(layout);
    // The headings of numbers stand over their numbers' right edge.
    if (column != COLUMN_DAY) gtk_tree_view_column_set_alignment(tree_column, 1.0f);
    gtk_tree_view_column_set_sizing(tree_column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(tree_column, MAX(title_width, text_width) + 24);
    gtk_tree_view_append_column(GTK_TREE_VIEW(view->table), tree_column);
    if (column == COLUMN_WEIGHT) view->weight_column = tree_column;
  }
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view->table), TRUE);
  connect_signal(view->table, "row-activated", G_CALLBACK(on_history_row_activated), view);
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), view->table);
  return scrolled;
}

GtkWidget *build_window(GuiState *state, int days) {
  auto *view = new HistoryView;
  view->state = state;
  view->days = days == kLongPeriod ? kLongPeriod : kShortPeriod;
  snprintf(view->end_date, sizeof view->end_date, "%s", state->current_date);

  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  view->window = window;
  g_object_set_data_full(G_OBJECT(window), kHistoryViewKey, view, free_view);
  gtk_window_set_title(GTK_WINDOW(window), _("History"));
  gtk_window_set_default_size(GTK_WINDOW(window), 1160, 720);  // every column in view
  if (state->main_window) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(state->main_window));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
  }
  connect_signal(window, "destroy", G_CALLBACK(on_history_window_destroy), state);
  connect_signal(window, "key-press-event", G_CALLBACK(on_history_window_key_press_event), view);

  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  gtk_container_add(GTK_CONTAINER(window), box);
  gtk_box_pack_start(GTK_BOX(box), build_toolbar(view), FALSE, FALSE, 0);

  view->message = gtk_label_new(_("The food log cannot be read, so no days are shown."));
  gtk_widget_set_halign(view->message, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), view->message, FALSE, FALSE, 0);
  view->status = gtk_label_new("");
  gtk_widget_set_halign(view->status, GTK_ALIGN_START);
  gtk_label_set_ellipsize(GTK_LABEL(view->status), PANGO_ELLIPSIZE_MIDDLE);
  gtk_box_pack_start(GTK_BOX(box), view->status, FALSE, FALSE, 0);

  GtkWidget *paned = gtk_paned_new(GTK_ORIENTATION_VERTICAL);
  view->chart = gtk_drawing_area_new();
  gtk_widget_set_size_request(view->chart, 480, 320);
  // Translators: the spoken name of the History window's chart
  atk_object_set_name(gtk_widget_get_accessible(view->chart), _("Chart of the period"));
  connect_signal(view->chart, "draw", G_CALLBACK(on_history_chart_draw), view);
  gtk_paned_pack1(GTK_PANED(paned), view->chart, TRUE, FALSE);
  gtk_paned_pack2(GTK_PANED(paned), build_table(view), TRUE, FALSE);
  gtk_paned_set_position(GTK_PANED(paned), 430);
  gtk_box_pack_start(GTK_BOX(box), paned, TRUE, TRUE, 0);

  gtk_widget_show_all(box);
  gtk_widget_hide(view->status);
  load(view);
  return window;
}

}  // namespace

void show_history_window(GuiState *state, int days) {
  if (!state->history_window) state->history_window = build_window(state, days);
  gtk_window_present(GTK_WINDOW(state->history_window));
  gtk_widget_grab_focus(view_of(state->history_window)->table);
}

void history_window_refresh(GuiState *state) {
  if (state->history_window) load(view_of(state->history_window));
}

void history_window_show_days(GtkWidget *window, const char *end_date, int days) {
  HistoryView *view = view_of(window);
  snprintf(view->end_date, sizeof view->end_date, "%s", end_date ? end_date : "");
  GtkWidget *toggle = days == kLongPeriod ? view->long_toggle : view->short_toggle;
  if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)))
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), TRUE);  // loads
  else
    load(view);
}

void history_window_period(GtkWidget *window, char *from, char *to) {
  const HistoryView *view = view_of(window);
  snprintf(from, DATE_STRING_SIZE, "%s", view->summary.from);
  snprintf(to, DATE_STRING_SIZE, "%s", view->summary.to);
}

bool history_window_export(GtkWidget *window, const char *path, HistoryExport kind) {
  HistoryView *view = view_of(window);
  bool saved = false;
  if (view->readable) {
    if (kind == HistoryExport::kCsv) {
      saved = range_csv_save(view->data, path, &view->summary.weights);
    } else if (kind == HistoryExport::kSvg) {
      saved = chart_write(&view->summary, path, ChartFormat::kSvg, kChartPageWidth,
                          kChartPageHeight);
    } else {
      const int width = gtk_widget_get_allocated_width(view->chart);
      const int height = gtk_widget_get_allocated_height(view->chart);
      const bool shown = width > 1 && height > 1;
      saved = chart_write(&view->summary, path, ChartFormat::kPng,
                          shown ? width : kChartPageWidth, shown ? height : kChartPageHeight);
    }
  }
  gchar *name = g_filename_display_name(path);
  char text[1024];
  snprintf(text, sizeof text, saved ? _("Saved %s.") : _("Could not save %s."), name);
  g_free(name);
  gtk_label_set_text(GTK_LABEL(view->status), text);
  gtk_widget_show(view->status);
  return saved;
}
