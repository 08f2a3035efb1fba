// SPDX-License-Identifier: GPL-3.0-or-later
// The "Search Foods" dialog and the add-to-log dialog with its scaled nutrient grid.
#include "ui/search-dialog.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "budget/date-string.h"
#include "budget/food-groups.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/entry-measures.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/held-keys.h"
#include "ui/measure-chooser.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"
#include "ui/quick-log.h"

namespace {

// Columns of the search result store.
enum { RESULT_COLUMN_CODE, RESULT_COLUMN_DESCRIPTION, RESULT_COLUMN_COUNT };

enum { VALUE_TEXT_SIZE = 32 };

GtkWidget *markup_label(const char *markup, GtkAlign align) {
  GtkWidget *label = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(label), markup);
  gtk_widget_set_halign(label, align);
  return label;
}

GtkWidget *plain_label(const char *text, GtkAlign align) {
  GtkWidget *label = gtk_label_new(text);
  gtk_widget_set_halign(label, align);
  return label;
}

// One row of the grid: |name| at the start of column 0, |value| in column 1 at the end.
void attach_value_row(GtkGrid *grid, int row, const char *name, double value) {
  char text[VALUE_TEXT_SIZE];
  snprintf(text, sizeof text, "%.2f", value);
  gtk_grid_attach(grid, plain_label(name, GTK_ALIGN_START), 0, row, 1, 1);
  gtk_grid_attach(grid, plain_label(text, GTK_ALIGN_END), 1, row, 1, 1);
}

GtkWidget *scrolled_window_for(GtkWidget *child) {
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), child);
  return scrolled;
}

void append_text_column(GtkTreeView *view, const char *title, int model_column, bool expand) {
  GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
  GtkTreeViewColumn *column =
      gtk_tree_view_column_new_with_attributes(title, renderer, "text", model_column, nullptr);
  gtk_tree_view_column_set_expand(column, expand);
  gtk_tree_view_append_column(view, column);
}

void build_search_dialog(GuiState *state) {
  GtkWidget *dialog =
      gtk_dialog_new_with_buttons(_("Search Foods"), GTK_WINDOW(state->main_window), kDialogFlags,
                                  _("Close"), GTK_RESPONSE_CLOSE, nullptr);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 600, 450);
  window_ignore_held_enter(dialog);
  GtkBox *content = GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));

  GtkWidget *entry = gtk_search_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(entry), _("Type to search foods..."));
  gtk_box_pack_start(content, entry, FALSE, FALSE, 6);

  GtkListStore *store = gtk_list_store_new(RESULT_COLUMN_COUNT, G_TYPE_INT, G_TYPE_STRING);
  GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);  // the view holds the only reference from here on
  append_text_column(GTK_TREE_VIEW(view), _("Code"), RESULT_COLUMN_CODE, false);
  append_text_column(GTK_TREE_VIEW(view), _("Description"), RESULT_COLUMN_DESCRIPTION, true);

  g_object_set_data(G_OBJECT(entry), KEY_GUI_STATE, state);
  connect_signal(entry, "search-changed", G_CALLBACK(on_search_changed), store);
  connect_signal(view, "row-activated", G_CALLBACK(on_food_row_activated), state);
  g_object_set_data(G_OBJECT(view), KEY_SEARCH_ENTRY, entry);
  connect_signal(entry, "activate", G_CALLBACK(on_search_activate), view);
  connect_signal(entry, "key-press-event", G_CALLBACK(on_search_key_press), view);
  // Escape in the field, which the search entry takes for itself, closes the dialog.
  g_signal_connect_swapped(entry, "stop-search", G_CALLBACK(gtk_window_close), dialog);

  gtk_box_pack_start(content, scrolled_window_for(view), TRUE, TRUE, 0);

  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
  connect_signal(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
}

void fill_result_store(GtkSearchEntry *entry, GtkListStore *store) {
  auto *state = static_cast<GuiState *>(g_object_get_data(G_OBJECT(entry), KEY_GUI_STATE));
  const char *text = gtk_entry_get_text(GTK_ENTRY(entry));
  gtk_list_store_clear(store);
  if (!state || !text || text[0] == '\0') return;

  FoodHitList hits;
  if (food_search(state->food_db, text, &hits) != 0) return;
  for (size_t i = 0; i < hits.count; ++i) {
    GtkTreeIter iter;
    gtk_list_store_append(store, &iter);
    gtk_list_store_set(store, &iter, RESULT_COLUMN_CODE, hits.items[i].food_code,
                       RESULT_COLUMN_DESCRIPTION, hits.items[i].description, -1);
  }
  food_hit_list_free(&hits);
}

// The search field of the result view's dialog is kept on the add-to-log dialog, so that the
// focus can go back to it when the food is logged.
void keep_search_entry(GtkWidget *dialog, GtkTreeView *view) {
  auto *entry = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(view), KEY_SEARCH_ENTRY));
  if (entry)
    g_object_set_data_full(G_OBJECT(dialog), KEY_SEARCH_ENTRY, g_object_ref(entry),
                           g_object_unref);
}

// Brings the search dialog back to the front with its text selected, so that the next food
// can be typed at once. Nothing happens when the search dialog has gone meanwhile.
void return_to_search(GtkWidget *entry) {
  GtkWidget *top = gtk_widget_get_toplevel(entry);
  if (!gtk_widget_is_toplevel(top) || !gtk_widget_get_visible(top)) return;
  gtk_window_present(GTK_WINDOW(top));
  focus_and_select(entry);
}

// The result list for the text in the field now: the field itself waits a moment after the
// last key before it announces a change.
void search_now(GtkWidget *entry, GtkTreeView *view) {
  fill_result_store(GTK_SEARCH_ENTRY(entry), GTK_LIST_STORE(gtk_tree_view_get_model(view)));
}

// Enter in the search field: opens the selected result, or the first one.
void activate_result(GtkWidget *entry, GtkTreeView *view) {
  GtkTreeModel *model = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &model, &iter)) {
    search_now(entry, view);
    model = gtk_tree_view_get_model(view);
    if (!gtk_tree_model_get_iter_first(model, &iter)) return;
  }
  GtkTreePath *path = gtk_tree_model_get_path(model, &iter);
  gtk_tree_view_row_activated(view, path, gtk_tree_view_get_column(view, 0));
  gtk_tree_path_free(path);
}

// Down in the search field: the focus goes to the results with the first one selected.
void focus_results(GtkWidget *entry, GtkTreeView *view) {
  search_now(entry, view);
  GtkTreeIter iter;
  if (!gtk_tree_model_get_iter_first(gtk_tree_view_get_model(view), &iter)) return;
  GtkTreePath *path = gtk_tree_path_new_first();
  gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
  gtk_tree_path_free(path);
  gtk_widget_grab_focus(GTK_WIDGET(view));
}

void build_add_dialog(GtkTreeView *view, GtkTreePath *path, GuiState *state) {
  GtkTreeModel *model = gtk_tree_view_get_model(view);
  GtkTreeIter iter;
  if (!model || !path || !gtk_tree_model_get_iter(model, &iter, path)) return;
  gint food_code = 0;
  gchar *description = nullptr;
  gtk_tree_model_get(model, &iter, RESULT_COLUMN_CODE, &food_code, RESULT_COLUMN_DESCRIPTION,
                     &description, -1);
  GtkWidget *dialog = add_dialog_open(state, food_code, description ? description : "");
  keep_search_entry(dialog, view);
  g_free(description);
}

// Adds the entry the dialog shows. Returns false, the dialog staying open, when the servings
// are no number or the write failed (the user has been told).
bool add_to_log(GtkDialog *dialog, GuiState *state) {
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY));
  auto *calendar = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR));
  int32_t food_code = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), KEY_FOOD_CODE));
  auto *description = static_cast<const char *>(g_object_get_data(G_OBJECT(dialog), KEY_FOOD_DESC));
  if (!spin || !calendar) return true;

  double servings = 0.0;
  if (!measure_chooser_commit(spin) || !spin_button_read(spin, &servings)) return false;
  char date[DATE_STRING_SIZE];
  calendar_date_string(calendar, date);

  EntryMeasure measure;
  measure_chooser_get(spin, &measure.measure, &measure.measure_g, &measure.count);
  if (log_entry_add_measured(state->log_db, food_code, description ? description : "", date,
                             servings, &measure, nullptr) != 0) {
    show_write_failure(GTK_WINDOW(dialog), _("The food was not added to the log."),
                       log_db_error_text(state->log_db));
    return false;
  }
  refresh_views(state);
  if (strcmp(date, state->current_date) != 0)
    quick_log_tell_other_day(state, description ? description : "", date);
  return true;
}

}  // namespace

GtkWidget *add_dialog_open(GuiState *state, int32_t food_code, const char *description) {
  const char *title = description ? description : "";

  GtkWidget *dialog = gtk_dialog_new_with_buttons(title, GTK_WINDOW(state->main_window),
                                                  kDialogFlags, _("Add to Log"), GTK_RESPONSE_OK,
                                                  _("Cancel"), GTK_RESPONSE_CANCEL, nullptr);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 500, 500);
  window_ignore_held_enter(dialog);
  GtkBox *content = GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));

  GtkWidget *servings_row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget *servings_label = gtk_label_new(_("Servings:"));
  GtkWidget *spin = gtk_spin_button_new_with_range(kServingsMin, kServingsMax, 0.5);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 2);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 1.0);
  spin_button_accept_decimals(spin);
  gtk_label_set_mnemonic_widget(GTK_LABEL(servings_label), spin);
  gtk_box_pack_start(GTK_BOX(servings_row), servings_label, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(servings_row), spin, FALSE, FALSE, 6);
  measure_chooser_add(servings_row, servings_label, spin, state->food_db, food_code);
  // A food never logged starts at one of its usual measure, not at 100 g.
  if (log_food_logged(state->log_db, food_code) == 0)
    measure_chooser_start_first(spin, state->food_db, food_code);
  gtk_box_pack_start(content, servings_row, FALSE, FALSE, 6);
  gtk_box_pack_start(content, measure_chooser_note(spin), FALSE, FALSE, 6);

  GtkWidget *frame = gtk_frame_new(_("Log Date"));
  GtkWidget *calendar = gtk_calendar_new();  // starts on today
  gtk_container_add(GTK_CONTAINER(frame), calendar);
  gtk_label_set_mnemonic_widget(GTK_LABEL(gtk_frame_get_label_widget(GTK_FRAME(frame))), calendar);
  gtk_box_pack_start(content, frame, FALSE, FALSE, 6);

  g_object_set_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY, spin);
  g_object_set_data(G_OBJECT(dialog), KEY_CALENDAR, calendar);
  g_object_set_data(G_OBJECT(dialog), KEY_FOOD_CODE, GINT_TO_POINTER(food_code));
  g_object_set_data_full(G_OBJECT(dialog), KEY_FOOD_DESC, g_strdup(title), g_free);
  g_object_set_data(G_OBJECT(dialog), KEY_FOOD_DB, state->food_db);

  GtkWidget *grid = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  gtk_grid_set_row_spacing(GTK_GRID(grid), 2);
  g_object_set_data(G_OBJECT(dialog), KEY_NUTRIENT_GRID, grid);
  fill_nutrient_grid(grid, state->food_db, food_code, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
  nutrient_grid_name_amount(grid, spin);
  gtk_box_pack_start(content, scrolled_window_for(grid), TRUE, TRUE, 0);

  connect_signal(spin, "value-changed", G_CALLBACK(on_servings_changed), dialog);
  connect_signal(dialog, "response", G_CALLBACK(on_add_response), state);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  field_activates_default(spin);

  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
  focus_and_select(spin);
  return dialog;
}

void on_search_clicked(GtkButton *, gpointer state) {
  run_guarded("on_search_clicked", [&] { build_search_dialog(static_cast<GuiState *>(state)); });
}

void on_search_changed(GtkSearchEntry *entry, gpointer store) {
  run_guarded("on_search_changed", [&] { fill_result_store(entry, GTK_LIST_STORE(store)); });
}

void on_food_row_activated(GtkTreeView *view, GtkTreePath *path, GtkTreeViewColumn *,
                           gpointer state) {
  run_guarded("on_food_row_activated",
              [&] { build_add_dialog(view, path, static_cast<GuiState *>(state)); });
}

void on_servings_changed(GtkSpinButton *spin, gpointer dialog) {
  run_guarded("on_servings_changed", [&] {
    auto *grid = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_NUTRIENT_GRID));
    auto *handle = static_cast<sqlite3 *>(g_object_get_data(G_OBJECT(dialog), KEY_FOOD_DB));
    int32_t food_code = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), KEY_FOOD_CODE));
    if (!grid) return;
    fill_nutrient_grid(grid, handle, food_code, gtk_spin_button_get_value(spin));
  });
}

void on_add_response(GtkDialog *dialog, gint response_id, gpointer state) {
  bool done = true;
  run_guarded("on_add_response", [&] {
    if (response_id == GTK_RESPONSE_OK) done = add_to_log(dialog, static_cast<GuiState *>(state));
  });
  // A failed write keeps the dialog open, with what was entered.
  if (!done) return;
  auto *search_entry =
      static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SEARCH_ENTRY));
  if (search_entry) g_object_ref(search_entry);
  gtk_widget_destroy(GTK_WIDGET(dialog));
  if (!search_entry) return;
  run_guarded("on_add_response", [&] { return_to_search(search_entry); });
  g_object_unref(search_entry);
}

void on_search_activate(GtkEntry *entry, gpointer view) {
  run_guarded("on_search_activate",
              [&] { activate_result(GTK_WIDGET(entry), GTK_TREE_VIEW(view)); });
}

gboolean on_search_key_press(GtkWidget *entry, GdkEventKey *event, gpointer view) {
  bool handled = false;
  run_guarded("on_search_key_press", [&] {
    // Down stays in the field while there is nothing to go to.
    if (event->keyval == GDK_KEY_Down || event->keyval == GDK_KEY_KP_Down) {
      focus_results(entry, GTK_TREE_VIEW(view));
      handled = true;
    }
  });
  return handled;
}

void fill_nutrient_grid(GtkWidget *grid_widget, sqlite3 *handle, int32_t food_code, double factor) {
  GtkGrid *grid = GTK_GRID(grid_widget);
  GList *children = gtk_container_get_children(GTK_CONTAINER(grid));
  for (GList *l = children; l; l = l->next) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(children);

  int equivalents_row = 1;
  NutrientList nutrients;
  if (food_nutrients(handle, food_code, &nutrients) == 0) {
    gtk_grid_attach(grid, markup_label(_("<b>Nutrient</b>"), GTK_ALIGN_START), 0, 0, 1, 1);
    gtk_grid_attach(grid, markup_label(_("<b>Value</b>"), GTK_ALIGN_END), 1, 0, 1, 1);
    for (size_t k = 0; k < nutrients.count; ++k)
      attach_value_row(grid, static_cast<int>(k) + 1, nutrients.items[k].name,
                       nutrients.items[k].value * factor);
    equivalents_row = static_cast<int>(nutrients.count) + 2;  // one row left empty
    nutrient_list_free(&nutrients);
  }

  FoodGroupAmounts equivalents;
  if (food_equivalents(handle, food_code, &equivalents) == 0) {
    gtk_grid_attach(grid, markup_label(_("<b>Food Pattern Equivalents</b>"), GTK_ALIGN_START), 0,
                    equivalents_row, 2, 1);
    for (int group = 0; group < FOOD_GROUP_COUNT; ++group)
      attach_value_row(grid, equivalents_row + 1 + group, food_group_label(group),
                       equivalents.amounts[group] * factor);
  }

  gtk_widget_show_all(grid_widget);
}
