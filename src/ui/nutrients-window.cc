// SPDX-License-Identifier: GPL-3.0-or-later
// The Nutrients window: a table of the day's nutrients against the person's goals.
#include "ui/nutrients-window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "budget/nutrient-goals.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "ui/budget-view.h"

namespace {

#define KEY_NUTRIENT_STORE "nutrient-store"
#define KEY_NUTRIENT_VIEW "nutrient-view"
#define KEY_NUTRIENT_HEADING "nutrient-heading"
#define KEY_NUTRIENT_NOTES "nutrient-notes"
#define KEY_NUTRIENT_FILLED "nutrient-filled"
#define KEY_NUTRIENT_PREPARING "nutrient-preparing"

// What the table on display was made from. A closed window is only hidden; shown again, it
// is filled again only when a change came while it was hidden or the log is not as it was.
struct Filled {
  bool stale = true;     // refresh_views ran while the window was hidden
  bool stamped = false;  // |stamp| was read
  LogStamp stamp{};      // the log just before the table was made
};

Filled *filled_of(GtkWidget *window) {
  return static_cast<Filled *>(g_object_get_data(G_OBJECT(window), KEY_NUTRIENT_FILLED));
}

// The table for the date on display: the stored profile gives the goals, the day's
// entries the amounts (|given|, else those of the last refresh_views while the log is
// unchanged, else read now). A failed read (printed) shows as no entries or no profile.
void compute_table(GuiState *state, const LogEntryList *given, NutrientTable *table) {
  NutrientDay day;
  nutrient_day_clear(&day);
  if (!given) given = refresh_views_entries(state);
  if (given) {
    nutrient_day_add_entries(state->food_db, given->items, given->count, &day);
  } else {
    LogEntryList entries;
    if (log_entries_for_date(state->log_db, state->current_date, &entries) == 0)
      nutrient_day_add_entries(state->food_db, entries.items, entries.count, &day);
    log_entry_list_free(&entries);
  }

  Profile profile{};
  const int loaded = profile_load(state->log_db, &profile);
  const time_t now = time(nullptr);
  struct tm today;
  const struct tm *today_or_null = localtime_r(&now, &today);
  NutrientGoals goals;
  nutrient_goals_for(loaded == 0 ? profile.bdate : nullptr, loaded == 0 ? profile.gender : -1,
                     state->calorie_target, today_or_null, &goals);
  profile_clear(&profile);
  nutrient_table_compute(&day, 1, &goals, table);
}

// What a mark says, for the tooltip and the accessible description.
std::string mark_description(const NutrientLine &line) {
  char goal[64];
  char text[192];
  nutrient_format_goal(&line.goal, goal, sizeof goal);
  if (line.mark == MARK_BELOW && line.goal.kind == GOAL_RANGE)
    snprintf(text, sizeof text, _("Below the range of %s"), goal);
  else if (line.mark == MARK_ABOVE && line.goal.kind == GOAL_RANGE)
    snprintf(text, sizeof text, _("Above the range of %s"), goal);
  else if (line.mark == MARK_BELOW)
    snprintf(text, sizeof text, _("Below the goal of at least %s"), goal);
  else if (line.mark == MARK_ABOVE)
    snprintf(text, sizeof text, _("Above the limit of at most %s"), goal);
  else
    text[0] = '\0';
  return text;
}

bool same_text(const gchar *a, const char *b) {
  return a && b ? strcmp(a, b) == 0 : a == b;
}

// Puts |line| into the row at |iter| unless the row shows it already: an unchanged row is
// neither redrawn nor measured again. Returns whether the row's description changed.
bool set_line(GtkTreeStore *store, GtkTreeIter *iter, int row, const NutrientLine &line) {
  const NutrientRowInfo *info = nutrient_row_info(row);
  char eaten[64];
  nutrient_format_eaten(row, &line, eaten, sizeof eaten);
  char goal[64];
  nutrient_format_goal(&line.goal, goal, sizeof goal);
  char percent[96];
  nutrient_format_percent(&line, percent, sizeof percent);
  const std::string described = mark_description(line);
  const char *texts[] = {_(info->label), eaten, goal, percent, goal_kind_name(line.goal.kind),
                         line.mark != MARK_NONE ? NUTRIENT_MARK_COLOR : nullptr};
  const int weight = line.mark != MARK_NONE ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL;
  const char *description = described.empty() ? nullptr : described.c_str();

  gchar *shown[6] = {};
  gchar *shown_description = nullptr;
  int shown_weight = 0;
  gtk_tree_model_get(GTK_TREE_MODEL(store), iter, NUTRIENT_COLUMN_NAME, &shown[0],
                     NUTRIENT_COLUMN_EATEN, &shown[1], NUTRIENT_COLUMN_GOAL, &shown[2],
                     NUTRIENT_COLUMN_PERCENT, &shown[3], NUTRIENT_COLUMN_KIND, &shown[4],
                     NUTRIENT_COLUMN_FOREGROUND, &shown[5], NUTRIENT_COLUMN_WEIGHT, &shown_weight,
                     NUTRIENT_COLUMN_DESCRIPTION, &shown_description, -1);
  bool same = shown_weight == weight;
  for (int i = 0; i < 6; i++) {
    same = same && same_text(shown[i], texts[i]);
    g_free(shown[i]);
  }
  const bool same_description = same_text(shown_description, description);
  g_free(shown_description);
  if (same && same_description) return false;
  gtk_tree_store_set(store, iter, NUTRIENT_COLUMN_NAME, texts[0], NUTRIENT_COLUMN_EATEN, eaten,
                     NUTRIENT_COLUMN_GOAL, goal, NUTRIENT_COLUMN_PERCENT, percent,
                     NUTRIENT_COLUMN_KIND, texts[4], NUTRIENT_COLUMN_FOREGROUND, texts[5],
                     NUTRIENT_COLUMN_WEIGHT, weight, NUTRIENT_COLUMN_DESCRIPTION, description,
                     -1);
  return !same_description;
}

// Fills the store with the table: the first time its sections and rows, later the rows in
// place, so that the view keeps which sections are open. The rows whose description changed
// go to |described| (their index in the table).
void fill_store(GtkTreeStore *store, const NutrientTable &table, std::vector<int> *described) {
  GtkTreeModel *model = GTK_TREE_MODEL(store);
  const bool empty = gtk_tree_model_iter_n_children(model, nullptr) == 0;
  GtkTreeIter section, iter;
  int current = -1;
  for (int row = 0; row < NUTRIENT_ROW_COUNT; row++) {
    const NutrientRowInfo *info = nutrient_row_info(row);
    if (info->section != current) {
      if (empty) {
        gtk_tree_store_append(store, &section, nullptr);
        gtk_tree_store_set(store, &section, NUTRIENT_COLUMN_NAME,
                           nutrient_section_title(info->section), NUTRIENT_COLUMN_WEIGHT,
                           PANGO_WEIGHT_BOLD, -1);
      } else if (!(current < 0 ? gtk_tree_model_get_iter_first(model, &section)
                               : gtk_tree_model_iter_next(model, &section))) {
        return;  // not the rows this function made: nothing to fill in
      }
      current = info->section;
      if (!empty && !gtk_tree_model_iter_children(model, &iter, &section)) return;
    } else if (!empty && !gtk_tree_model_iter_next(model, &iter)) {
      return;
    }
    if (empty) gtk_tree_store_append(store, &iter, &section);
    if (set_line(store, &iter, row, table.lines[row])) described->push_back(row);
  }
}

// GTK 3 gives screen readers the cells' texts but not the tooltip column: put what a mark
// means into the accessible description of each cell of a row, an empty one where the mark
// went. |wanted|(row, section, described) picks the rows, by their index in the table, their
// section and whether they have a description now. Only the rows of open sections have cells.
template <typename Wanted>
void describe_cells(GtkWidget *view, Wanted wanted) {
  AtkObject *table = gtk_widget_get_accessible(view);
  GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
  const int columns = static_cast<int>(gtk_tree_view_get_n_columns(GTK_TREE_VIEW(view)));
  if (!ATK_IS_TABLE(table) || columns == 0) return;
  GtkTreeIter section;
  int visible_row = 0;
  int row = 0;
  int section_number = 0;
  for (bool more = gtk_tree_model_get_iter_first(model, &section); more;
       more = gtk_tree_model_iter_next(model, &section), section_number++) {
    visible_row++;
    GtkTreePath *path = gtk_tree_model_get_path(model, &section);
    const bool open = gtk_tree_view_row_expanded(GTK_TREE_VIEW(view), path);
    gtk_tree_path_free(path);
    GtkTreeIter child;
    for (bool has = gtk_tree_model_iter_children(model, &child, &section); has;
         has = gtk_tree_model_iter_next(model, &child), row++) {
      if (!open) continue;
      const int cell_row = visible_row++;
      gchar *description = nullptr;
      gtk_tree_model_get(model, &child, NUTRIENT_COLUMN_DESCRIPTION, &description, -1);
      if (wanted(row, section_number, description != nullptr)) {
        for (int column = 0; column < columns; column++) {
          AtkObject *cell = atk_table_ref_at(ATK_TABLE(table), cell_row, column);
          if (!cell) continue;
          atk_object_set_description(cell, description ? description : "");
          g_object_unref(cell);
        }
      }
      g_free(description);
    }
  }
}

// A section opened by the person: its cells are new, and the marked ones get their
// descriptions.
void on_nutrient_row_expanded(GtkTreeView *view, GtkTreeIter *, GtkTreePath *path, gpointer) {
  if (gtk_tree_path_get_depth(path) != 1) return;
  const int opened = gtk_tree_path_get_indices(path)[0];
  describe_cells(GTK_WIDGET(view), [opened](int, int section, bool described) {
    return described && section == opened;
  });
}

void on_nutrients_window_destroy(GtkWidget *window, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  if (state->nutrients_window == window) state->nutrients_window = nullptr;
}

// Escape and the close button hide the window: opened again, it need not be built again.
gboolean on_nutrients_window_key_press_event(GtkWidget *window, GdkEventKey *event, gpointer) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  gtk_widget_hide(window);
  return TRUE;
}

GtkTreeViewColumn *append_column(GtkWidget *view, const char *title, int column, float xalign) {
  GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
  g_object_set(renderer, "xalign", xalign, nullptr);
  GtkTreeViewColumn *tree_column = gtk_tree_view_column_new_with_attributes(
      title, renderer, "text", column, "foreground", NUTRIENT_COLUMN_FOREGROUND, "weight",
      NUTRIENT_COLUMN_WEIGHT, nullptr);
  gtk_tree_view_column_set_alignment(tree_column, xalign);
  gtk_tree_view_append_column(GTK_TREE_VIEW(view), tree_column);
  return tree_column;
}

// The width in pixels of |text| laid out by |layout|.
int text_width_in(PangoLayout *layout, const char *text) {
  pango_layout_set_text(layout, text ? text : "", -1);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  return width;
}

// Gives each column a fixed width that holds its heading and the widest of its texts in
// the model, and the rows one height: left to itself the tree view measures every cell with
// its renderer before its first frame and on every change, which costs more than all the
// rest of a refresh. Returns the width of the columns together.
int fit_columns(GtkWidget *view) {
  // Room around a cell's text and a heading's label (the renderer's padding, the header
  // button and its border), and for the expander and the indentation of a row of a group.
  constexpr int kMargin = 16;
  gint expander = 16;
  gtk_widget_style_get(view, "expander-size", &expander, nullptr);
  const int indent = 2 * (expander + 8);

  GtkTreeView *tree = GTK_TREE_VIEW(view);
  // One layout in the view's font, bold as the marked rows are, for every text.
  PangoLayout *layout = gtk_widget_create_pango_layout(view, nullptr);
  PangoAttrList *attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);
  int widest[NUTRIENT_COLUMN_KIND + 1] = {};
  for (int column = 0; column <= NUTRIENT_COLUMN_KIND; column++)
    widest[column] =
        text_width_in(layout, gtk_tree_view_column_get_title(gtk_tree_view_get_column(tree, column)));
  GtkTreeModel *model = gtk_tree_view_get_model(tree);
  GtkTreeIter section, row;
  for (bool s = gtk_tree_model_get_iter_first(model, &section); s;
       s = gtk_tree_model_iter_next(model, &section)) {
    gchar *title = nullptr;
    gtk_tree_model_get(model, &section, NUTRIENT_COLUMN_NAME, &title, -1);
    widest[0] = std::max(widest[0], text_width_in(layout, title));
    g_free(title);
    for (bool r = gtk_tree_model_iter_children(model, &row, &section); r;
         r = gtk_tree_model_iter_next(model, &row)) {
      for (int column = 0; column <= NUTRIENT_COLUMN_KIND; column++) {
        gchar *text = nullptr;
        gtk_tree_model_get(model, &row, column, &text, -1);
        widest[column] = std::max(widest[column], text_width_in(layout, text));
        g_free(text);
      }
    }
  }
  g_object_unref(layout);
  int total = 0;
  for (int column = 0; column <= NUTRIENT_COLUMN_KIND; column++) {
    const int width = widest[column] + kMargin + (column == 0 ? indent : 0);
    GtkTreeViewColumn *tree_column = gtk_tree_view_get_column(tree, column);
    if (gtk_tree_view_column_get_sizing(tree_column) != GTK_TREE_VIEW_COLUMN_FIXED)
      gtk_tree_view_column_set_sizing(tree_column, GTK_TREE_VIEW_COLUMN_FIXED);
    if (gtk_tree_view_column_get_fixed_width(tree_column) != width)
      gtk_tree_view_column_set_fixed_width(tree_column, width);
    total += width;
  }
  if (!gtk_tree_view_get_fixed_height_mode(tree)) gtk_tree_view_set_fixed_height_mode(tree, TRUE);
  return total;
}

GtkWidget *build_window(GuiState *state) {
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), _("Nutrients"));
  gtk_window_set_default_size(GTK_WINDOW(window), 620, 680);
  if (state->main_window) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(state->main_window));
    gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
  }
  g_signal_connect(window, "destroy", G_CALLBACK(on_nutrients_window_destroy), state);
  g_signal_connect(window, "key-press-event", G_CALLBACK(on_nutrients_window_key_press_event),
                   nullptr);
  g_signal_connect(window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
  g_object_set_data_full(G_OBJECT(window), KEY_NUTRIENT_FILLED, new Filled,
                         [](gpointer data) { delete static_cast<Filled *>(data); });

  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(box), 12);
  gtk_container_add(GTK_CONTAINER(window), box);

  GtkWidget *heading = gtk_label_new("");
  gtk_widget_set_halign(heading, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), heading, FALSE, FALSE, 0);

  GtkTreeStore *store = gtk_tree_store_new(NUTRIENT_COLUMN_COUNT, G_TYPE_STRING, G_TYPE_STRING,
                                           G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                                           G_TYPE_STRING, G_TYPE_INT, G_TYPE_STRING);
  GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  gtk_tree_view_set_tooltip_column(GTK_TREE_VIEW(view), NUTRIENT_COLUMN_DESCRIPTION);
  gtk_tree_view_set_enable_search(GTK_TREE_VIEW(view), TRUE);
  gtk_tree_view_set_search_column(GTK_TREE_VIEW(view), NUTRIENT_COLUMN_NAME);
  atk_object_set_name(gtk_widget_get_accessible(view), _("Nutrients"));
  GtkTreeViewColumn *name = append_column(view, _("Nutrient"), NUTRIENT_COLUMN_NAME, 0.0f);
  gtk_tree_view_column_set_expand(name, TRUE);
  append_column(view, _("Eaten"), NUTRIENT_COLUMN_EATEN, 1.0f);
  append_column(view, _("Goal"), NUTRIENT_COLUMN_GOAL, 1.0f);
  char percent_heading[64];
  append_column(view, nutrient_percent_heading(percent_heading, sizeof percent_heading),
                NUTRIENT_COLUMN_PERCENT, 1.0f);
  append_column(view, _("Goal type"), NUTRIENT_COLUMN_KIND, 0.0f);

  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);

  GtkWidget *notes = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(notes), TRUE);
  gtk_label_set_xalign(GTK_LABEL(notes), 0.0f);
  gtk_label_set_max_width_chars(GTK_LABEL(notes), 70);
  gtk_label_set_selectable(GTK_LABEL(notes), TRUE);
  gtk_widget_set_can_focus(notes, FALSE);
  gtk_box_pack_start(GTK_BOX(box), notes, FALSE, FALSE, 0);

  g_object_set_data(G_OBJECT(window), KEY_NUTRIENT_STORE, store);
  g_object_set_data(G_OBJECT(window), KEY_NUTRIENT_VIEW, view);
  g_object_set_data(G_OBJECT(window), KEY_NUTRIENT_HEADING, heading);
  g_object_set_data(G_OBJECT(window), KEY_NUTRIENT_NOTES, notes);
  g_signal_connect(view, "row-expanded", G_CALLBACK(on_nutrient_row_expanded), nullptr);
  gtk_widget_show_all(box);
  gtk_widget_grab_focus(view);
  return window;
}

// A label set to the text it shows already would still be measured and laid out anew.
void set_label_text(GtkLabel *label, const char *text) {
  if (strcmp(gtk_label_get_text(label), text) != 0) gtk_label_set_text(label, text);
}

// Fills the window for the date on display (see compute_table for |given|).
void fill(GuiState *state, const LogEntryList *given) {
  GtkWidget *window = state->nutrients_window;
  Filled *filled = filled_of(window);
  filled->stamped = log_stamp_read(state->log_db, &filled->stamp) == 0;
  filled->stale = false;
  NutrientTable table;
  compute_table(state, given, &table);

  auto *store = static_cast<GtkTreeStore *>(g_object_get_data(G_OBJECT(window), KEY_NUTRIENT_STORE));
  auto *view = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(window), KEY_NUTRIENT_VIEW));
  const bool first = gtk_tree_model_iter_n_children(GTK_TREE_MODEL(store), nullptr) == 0;
  std::vector<int> described;
  fill_store(store, table, &described);
  const int columns_width = fit_columns(view);
  if (first) {
    // A new window is wide enough for its columns, without a horizontal scroll bar.
    int width = 0, height = 0;
    gtk_window_get_default_size(GTK_WINDOW(window), &width, &height);
    gtk_window_set_default_size(GTK_WINDOW(window), std::max(width, columns_width + 48), height);
    gtk_tree_view_expand_all(GTK_TREE_VIEW(view));
  }
  std::sort(described.begin(), described.end());
  describe_cells(view, [&described](int row, int, bool) {
    return std::binary_search(described.begin(), described.end(), row);
  });

  char display[DISPLAY_DATE_SIZE];
  char text[192];
  snprintf(text, sizeof text, _("Nutrients on %s"), date_to_display(state->current_date, display));
  set_label_text(GTK_LABEL(g_object_get_data(G_OBJECT(window), KEY_NUTRIENT_HEADING)), text);

  NutrientNotes notes;
  nutrient_table_notes(&table, &notes);
  std::string joined;
  for (int i = 0; i < notes.count; i++) {
    if (i > 0) joined += '\n';
    joined += notes.text[i];
  }
  set_label_text(GTK_LABEL(g_object_get_data(G_OBJECT(window), KEY_NUTRIENT_NOTES)),
                 joined.c_str());
}

// Whether the hidden window shows what a new one would.
bool shows_the_log(GuiState *state) {
  const Filled *filled = filled_of(state->nutrients_window);
  LogStamp now;
  return !filled->stale && filled->stamped && log_stamp_read(state->log_db, &now) == 0 &&
         now.changes == filled->stamp.changes && now.version == filled->stamp.version;
}

// The window made ahead of its first opening, kept with the main window until it is made.
struct Preparing {
  GuiState *state = nullptr;
  GtkWidget *main_window = nullptr;
  gulong first_draw = 0;  // the main window's "draw" handler, or 0
  guint idle = 0;         // the pending build, or 0
  ~Preparing() {
    if (idle) g_source_remove(idle);
  }
};

gboolean on_prepare_idle(gpointer data) {
  auto *preparing = static_cast<Preparing *>(data);
  preparing->idle = 0;
  GuiState *state = preparing->state;
  if (state->main_window == preparing->main_window && !state->nutrients_window) {
    state->nutrients_window = build_window(state);
    fill(state, nullptr);
    // The styles and sizes of the window are worked out now, so that its first showing
    // finds them. (It is not realized ahead: an unmapped realized window leaves GTK with
    // style data it does not free.)
    GtkRequisition minimum, natural;
    gtk_widget_get_preferred_size(state->nutrients_window, &minimum, &natural);
  }
  // Frees |preparing|.
  g_object_set_data(G_OBJECT(preparing->main_window), KEY_NUTRIENT_PREPARING, nullptr);
  return G_SOURCE_REMOVE;
}

gboolean on_main_window_first_draw(GtkWidget *window, cairo_t *, gpointer data) {
  auto *preparing = static_cast<Preparing *>(data);
  g_signal_handler_disconnect(window, preparing->first_draw);
  preparing->first_draw = 0;
  preparing->idle = g_idle_add_full(G_PRIORITY_LOW, on_prepare_idle, preparing, nullptr);
  return FALSE;
}

}  // namespace

void nutrients_window_prepare(GuiState *state) {
  if (!state->main_window || state->nutrients_window ||
      g_object_get_data(G_OBJECT(state->main_window), KEY_NUTRIENT_PREPARING))
    return;
  auto *preparing = new Preparing;
  preparing->state = state;
  preparing->main_window = state->main_window;
  preparing->first_draw = g_signal_connect_after(
      state->main_window, "draw", G_CALLBACK(on_main_window_first_draw), preparing);
  g_object_set_data_full(G_OBJECT(state->main_window), KEY_NUTRIENT_PREPARING, preparing,
                         [](gpointer data) { delete static_cast<Preparing *>(data); });
}

void nutrients_window_refresh(GuiState *state, const LogEntryList *entries) {
  GtkWidget *window = state->nutrients_window;
  if (!window) return;
  if (!gtk_widget_get_visible(window)) {
    filled_of(window)->stale = true;
    return;
  }
  fill(state, entries);
}

void show_nutrients_window(GuiState *state) {
  if (!state->nutrients_window) {
    state->nutrients_window = build_window(state);
    fill(state, nullptr);
  } else if (!gtk_widget_get_visible(state->nutrients_window) && !shows_the_log(state)) {
    fill(state, nullptr);
  }
  gtk_window_present(GTK_WINDOW(state->nutrients_window));
}
