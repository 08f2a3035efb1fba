// SPDX-License-Identifier: GPL-3.0-or-later
// The "Fill the Day" window.
#include "ui/fill-window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "budget/date-string.h"
#include "i18n.h"
#include "report/day-fill-read.h"
#include "ui/dialog-util.h"
#include "ui/quick-log.h"

namespace {

// Object data of the main window: the open window, and the foods of the food database,
// read on the first opening and kept for the run (the own foods among them are brought up to
// date on every fill, by fill_day_read).
#define KEY_FILL_WINDOW "fill-window"
#define KEY_FILL_FOODS "fill-foods"
// Object data of the window.
#define KEY_FILL_VIEW "fill-view"

struct FillView {
  GuiState *state = nullptr;
  GtkWidget *window = nullptr;
  GtkWidget *heading = nullptr;  // "What is left on 12/08/26"
  GtkWidget *left = nullptr;     // the lines of what is left
  GtkWidget *list = nullptr;     // the tree view of the suggestions
  GtkListStore *store = nullptr;
  GtkWidget *empty = nullptr;    // why there is no suggestion
};

FillView *view_of(GtkWidget *window) {
  return window ? static_cast<FillView *>(g_object_get_data(G_OBJECT(window), KEY_FILL_VIEW))
                : nullptr;
}

void free_view(gpointer data) { delete static_cast<FillView *>(data); }

void free_foods(gpointer data) { delete static_cast<FillFoodTable *>(data); }

// The foods of the food database and the own foods, read once a run; null when they cannot
// be read (printed).
FillFoodTable *foods_of(GuiState *state) {
  GObject *owner = G_OBJECT(state->main_window);
  auto *table = static_cast<FillFoodTable *>(g_object_get_data(owner, KEY_FILL_FOODS));
  if (table) return table;
  auto read = std::make_unique<FillFoodTable>();
  if (fill_foods_load(state->food_db, read.get()) != 0) return nullptr;
  table = read.release();
  g_object_set_data_full(owner, KEY_FILL_FOODS, table, free_foods);
  return table;
}

void fill(FillView *view) {
  GuiState *state = view->state;
  char display[DISPLAY_DATE_SIZE];
  char text[256];
  snprintf(text, sizeof text, _("What is left on %s"),
           date_to_display(state->current_date, display));
  gtk_label_set_text(GTK_LABEL(view->heading), text);
  gtk_list_store_clear(view->store);

  FillFoodTable *table = state->main_window ? foods_of(state) : nullptr;
  FillDay day;
  if (!table || fill_day_read(state->food_db, state->log_db, state->current_date,
                              state->calorie_target, &day, table) != 0) {
    gtk_label_set_text(GTK_LABEL(view->left), "");
    gtk_label_set_text(GTK_LABEL(view->empty),
                       _("The food log or the food database cannot be read, so nothing is "
                         "suggested."));
    gtk_widget_show(view->empty);
    return;
  }
  FillLeft left;
  std::vector<FillSuggestion> list;
  fill_day_suggest(&day, table, kFillSuggestions, &left, &list);

  std::string lines;
  for (const std::string &line : fill_left_lines(&left)) {
    if (!lines.empty()) lines += "\n";
    lines += line;
  }
  gtk_label_set_text(GTK_LABEL(view->left), lines.c_str());
  for (const FillSuggestion &s : list) {
    const FillFood &food = table->foods[s.food];
    GtkTreeIter iter;
    gtk_list_store_append(view->store, &iter);
    gtk_list_store_set(view->store, &iter, FILL_COLUMN_DESCRIPTION,
                       table->descriptions[s.food].c_str(), FILL_COLUMN_PORTION,
                       fill_portion_text(table, s.food, state->food_db).c_str(), FILL_COLUMN_ADDS,
                       fill_adds_text(&left, &s).c_str(), FILL_COLUMN_FOOD_CODE,
                       static_cast<gint>(food.food_code), FILL_COLUMN_SERVINGS, food.servings, -1);
  }
  if (list.empty() && left.status == FILL_GAPS) {
    gtk_label_set_text(GTK_LABEL(view->empty),
                       _("No food fills what is left without going over."));
    gtk_widget_show(view->empty);
  } else {
    gtk_widget_set_visible(view->empty, FALSE);
  }
  gtk_widget_set_visible(gtk_widget_get_parent(view->list), !list.empty());
  if (!list.empty()) {
    GtkTreePath *first = gtk_tree_path_new_first();
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->list), first, nullptr, FALSE);
    gtk_tree_path_free(first);
  }
}

// The household measure of the portion of |food_code| that the list shows, when |servings| is
// a whole number of it (the food's first measure); none otherwise, the entry then in grams.
EntryMeasure portion_measure(const FillFoodTable *table, int32_t food_code, double servings) {
  if (!table) return EntryMeasure{};
  auto at = std::lower_bound(table->foods.begin(), table->foods.end(), food_code,
                             [](const FillFood &f, int32_t code) { return f.food_code < code; });
  if (at == table->foods.end() || at->food_code != food_code) return EntryMeasure{};
  const size_t index = static_cast<size_t>(at - table->foods.begin());
  const double each = table->measure_grams[index];
  if (table->measures[index].empty() || !(each > 0)) return EntryMeasure{};
  const double count = std::round(servings * 100.0 / each);
  if (count < 1 || std::fabs(count * each - servings * 100.0) > 1e-6 * servings * 100.0)
    return EntryMeasure{};
  return EntryMeasure{table->measures[index], each, count};
}

// Logs the suggestion at |path| on the date on display, as the quick log logs a food.
void log_path(FillView *view, GtkTreePath *path) {
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter(GTK_TREE_MODEL(view->store), &iter, path)) return;
  gchar *description = nullptr;
  gint food_code = 0;
  double servings = 0;
  gtk_tree_model_get(GTK_TREE_MODEL(view->store), &iter, FILL_COLUMN_DESCRIPTION, &description,
                     FILL_COLUMN_FOOD_CODE, &food_code, FILL_COLUMN_SERVINGS, &servings, -1);
  // The log and the views are redrawn, and with them this list (fill_window_refresh).
  EntryMeasure measure = portion_measure(foods_of(view->state), food_code, servings);
  quick_log_food(view->state, food_code, description ? description : "", servings, &measure);
  g_free(description);
  gtk_widget_grab_focus(view->list);
}

void on_fill_row_activated(GtkTreeView *, GtkTreePath *path, GtkTreeViewColumn *, gpointer data) {
  run_guarded("on_fill_row_activated", [&] { log_path(static_cast<FillView *>(data), path); });
}

// Escape closes the window; Ctrl+Z undoes the last log as in the main window.
gboolean on_fill_window_key_press_event(GtkWidget *window, GdkEventKey *event, gpointer data) {
  auto *view = static_cast<FillView *>(data);
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  if (modifiers == 0 && event->keyval == GDK_KEY_Escape) {
    gtk_widget_destroy(window);
    return TRUE;
  }
  if (modifiers == GDK_CONTROL_MASK && (event->keyval == GDK_KEY_z || event->keyval == GDK_KEY_Z) &&
      view->state->main_window) {
    g_action_group_activate_action(G_ACTION_GROUP(view->state->main_window), "undo", nullptr);
    return TRUE;
  }
  return FALSE;
}

void on_fill_window_destroy(GtkWidget *window, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  if (state->main_window &&
      g_object_get_data(G_OBJECT(state->main_window), KEY_FILL_WINDOW) == window)
    g_object_set_data(G_OBJECT(state->main_window), KEY_FILL_WINDOW, nullptr);
}

GtkWidget *build_window(GuiState *state) {
  auto *view = new FillView;
  view->state = state;
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  view->window = window;
  g_object_set_data_full(G_OBJECT(window), KEY_FILL_VIEW, view, free_view);
  gtk_window_set_title(GTK_WINDOW(window), _("Fill the Day"));
  gtk_window_set_default_size(GTK_WINDOW(window), 960, 640);
  if (state->main_window) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(state->main_window));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
  }
  connect_signal(window, "destroy", G_CALLBACK(on_fill_window_destroy), state);
  connect_signal(window, "key-press-event", G_CALLBACK(on_fill_window_key_press_event), view);

  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(box), 18);
  gtk_container_add(GTK_CONTAINER(window), box);

  view->heading = gtk_label_new("");
  gtk_widget_set_halign(view->heading, GTK_ALIGN_START);
  PangoAttrList *bold = pango_attr_list_new();
  pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
  gtk_label_set_attributes(GTK_LABEL(view->heading), bold);
  pango_attr_list_unref(bold);
  gtk_box_pack_start(GTK_BOX(box), view->heading, FALSE, FALSE, 0);

  view->left = gtk_label_new("");
  gtk_widget_set_halign(view->left, GTK_ALIGN_START);
  gtk_label_set_xalign(GTK_LABEL(view->left), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(view->left), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(view->left), 110);
  gtk_label_set_selectable(GTK_LABEL(view->left), TRUE);
  gtk_widget_set_can_focus(view->left, FALSE);
  GtkWidget *left_scroll = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(left_scroll), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(left_scroll), 120);
  gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(left_scroll), TRUE);
  gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(left_scroll), 240);
  gtk_container_add(GTK_CONTAINER(left_scroll), view->left);
  gtk_box_pack_start(GTK_BOX(box), left_scroll, FALSE, FALSE, 0);

  view->store = gtk_list_store_new(FILL_COLUMN_COUNT, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                   G_TYPE_INT, G_TYPE_DOUBLE);
  view->list = gtk_tree_view_new_with_model(GTK_TREE_MODEL(view->store));
  g_object_unref(view->store);
  // Translators: the spoken name of the list of suggestions of the Fill the Day window
  atk_object_set_name(gtk_widget_get_accessible(view->list), _("Suggestions"));
  const struct {
    const char *title;
    int column;
    int wrap_width;  // 0 for none
  } columns[] = {
      // Translators: the column headings of the Fill the Day window
      {N_("Food"), FILL_COLUMN_DESCRIPTION, 240},
                 {N_("Portion"), FILL_COLUMN_PORTION, 170},
                 {N_("Adds"), FILL_COLUMN_ADDS, 360}};
  for (const auto &c : columns) {
    GtkCellRenderer *cell = gtk_cell_renderer_text_new();
    if (c.wrap_width > 0)
      g_object_set(cell, "wrap-mode", PANGO_WRAP_WORD, "wrap-width", c.wrap_width, nullptr);
    GtkTreeViewColumn *column =
        gtk_tree_view_column_new_with_attributes(_(c.title), cell, "text", c.column, nullptr);
    gtk_tree_view_column_set_resizable(column, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(view->list), column);
  }
  gtk_tree_view_set_activate_on_single_click(GTK_TREE_VIEW(view->list), TRUE);
  connect_signal(view->list, "row-activated", G_CALLBACK(on_fill_row_activated), view);
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), view->list);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);

  view->empty = gtk_label_new("");
  gtk_widget_set_halign(view->empty, GTK_ALIGN_START);
  gtk_label_set_line_wrap(GTK_LABEL(view->empty), TRUE);
  gtk_box_pack_start(GTK_BOX(box), view->empty, FALSE, FALSE, 0);

  GtkWidget *hint = gtk_label_new(
      _("Enter or a click logs a food on this day; Ctrl+Z undoes it. Escape closes."));
  gtk_widget_set_halign(hint, GTK_ALIGN_START);
  gtk_style_context_add_class(gtk_widget_get_style_context(hint), "dim-label");
  gtk_box_pack_start(GTK_BOX(box), hint, FALSE, FALSE, 0);

  gtk_widget_show_all(box);
  return window;
}

}  // namespace

GtkWidget *fill_window_of(GuiState *state) {
  if (!state->main_window) return nullptr;
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(state->main_window), KEY_FILL_WINDOW));
}

void show_fill_window(GuiState *state) {
  GtkWidget *window = fill_window_of(state);
  if (!window) {
    window = build_window(state);
    if (state->main_window)
      g_object_set_data(G_OBJECT(state->main_window), KEY_FILL_WINDOW, window);
  }
  fill(view_of(window));
  gtk_window_present(GTK_WINDOW(window));
  gtk_widget_grab_focus(view_of(window)->list);
}

void fill_window_refresh(GuiState *state) {
  GtkWidget *window = fill_window_of(state);
  if (window) fill(view_of(window));
}

std::vector<std::string> fill_window_left_texts(GtkWidget *window) {
  std::vector<std::string> lines;
  FillView *view = view_of(window);
  if (!view) return lines;
  const std::string text = gtk_label_get_text(GTK_LABEL(view->left));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (gtk_widget_get_visible(view->empty)) lines.push_back(gtk_label_get_text(GTK_LABEL(view->empty)));
  return lines;
}

std::vector<std::string> fill_window_suggestion_texts(GtkWidget *window) {
  std::vector<std::string> texts;
  FillView *view = view_of(window);
  if (!view) return texts;
  GtkTreeModel *model = GTK_TREE_MODEL(view->store);
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    gchar *description = nullptr, *portion = nullptr, *adds = nullptr;
    gtk_tree_model_get(model, &iter, FILL_COLUMN_DESCRIPTION, &description, FILL_COLUMN_PORTION,
                       &portion, FILL_COLUMN_ADDS, &adds, -1);
    texts.push_back(std::string(description) + " — " + portion + ": " + adds);
    g_free(description);
    g_free(portion);
    g_free(adds);
  }
  return texts;
}

bool fill_window_log_row(GtkWidget *window, int row) {
  FillView *view = view_of(window);
  if (!view || row < 0 ||
      row >= gtk_tree_model_iter_n_children(GTK_TREE_MODEL(view->store), nullptr))
    return false;
  GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
  gtk_tree_view_row_activated(GTK_TREE_VIEW(view->list), path, nullptr);
  gtk_tree_path_free(path);
  return true;
}
