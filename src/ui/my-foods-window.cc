// SPDX-License-Identifier: GPL-3.0-or-later
// The My Foods window: the list of the person's own foods, recipes and meals, the buttons that
// make, edit and delete them, and Export… and Import… of them as one file.
#include "ui/my-foods-window.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/own-foods-file.h"
#include "store/own-foods.h"
#include "ui/dialog-util.h"
#include "ui/own-food-edit.h"
#include "ui/own-recipe-edit.h"
#include "ui/quick-log-own.h"

namespace {

#define KEY_MY_FOODS_STATE "my-foods-state"
#define KEY_MY_FOODS_VIEW "my-foods-view"
#define KEY_MY_FOODS_LIST_PAGE "my-foods-list-page"
#define KEY_MY_FOODS_EMPTY "my-foods-empty"

GuiState *state_of(GtkWidget *window) {
  return static_cast<GuiState *>(g_object_get_data(G_OBJECT(window), KEY_MY_FOODS_STATE));
}

GtkTreeView *view_of(GtkWidget *window) {
  return GTK_TREE_VIEW(g_object_get_data(G_OBJECT(window), KEY_MY_FOODS_VIEW));
}

const char *kind_text(OwnKind kind) {
  switch (kind) {
    case OWN_RECIPE:
      // Translators: kind of an entry of My Foods
      return _("Recipe");
    case OWN_MEAL:
      // Translators: kind of an entry of My Foods
      return _("Meal");
    case OWN_FOOD:
      break;
  }
  // Translators: kind of an entry of My Foods: one typed from a label
  return _("Food");
}

std::string energy_text(sqlite3 *food_db, const OwnFood &food) {
  const double kcal = own_food_kcal(food_db, food);
  char text[256];
  if (kcal < 0.0) return _("unknown");
  if (food.kind == OWN_FOOD) {
    char grams[32];
    snprintf(grams, sizeof grams, "%g", food.serving_g);
    snprintf(text, sizeof text, _("%.0f kcal per serving (%s g)"), kcal, grams);
  } else if (food.kind == OWN_RECIPE) {
    snprintf(text, sizeof text, _("%.0f kcal per portion"), kcal);
  } else {
    snprintf(text, sizeof text, _("%.0f kcal"), kcal);
  }
  return text;
}

void fill_list(GtkWidget *window) {
  GuiState *state = state_of(window);
  GtkTreeView *view = view_of(window);
  GtkListStore *store = GTK_LIST_STORE(gtk_tree_view_get_model(view));
  int32_t selected = 0;
  GtkTreeIter iter;
  GtkTreeModel *model = nullptr;
  if (gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view), &model, &iter))
    gtk_tree_model_get(model, &iter, MY_FOODS_COL_CODE, &selected, -1);
  gtk_list_store_clear(store);
  for (const OwnFood &food : food_source_own(state->food_db)) {
    if (food.deleted) continue;
    gtk_list_store_insert_with_values(store, &iter, -1, MY_FOODS_COL_CODE, food.food_code,
                                      MY_FOODS_COL_KIND, kind_text(food.kind), MY_FOODS_COL_NAME,
                                      food.name.c_str(), MY_FOODS_COL_ENERGY,
                                      energy_text(state->food_db, food).c_str(), -1);
  }
  if (selected) my_foods_window_select(window, selected);
  // An empty list says how to fill it instead.
  auto *list = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(window), KEY_MY_FOODS_LIST_PAGE));
  auto *hint = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(window), KEY_MY_FOODS_EMPTY));
  const bool empty = gtk_tree_model_iter_n_children(GTK_TREE_MODEL(store), nullptr) == 0;
  if (list) gtk_widget_set_visible(list, !empty);
  if (hint) gtk_widget_set_visible(hint, empty);
}

int32_t selected_code(GtkWidget *window) {
  GtkTreeIter iter;
  GtkTreeModel *model = nullptr;
  int32_t code = 0;
  if (gtk_tree_selection_get_selected(gtk_tree_view_get_selection(view_of(window)), &model, &iter))
    gtk_tree_model_get(model, &iter, MY_FOODS_COL_CODE, &code, -1);
  return code;
}

void tell(GtkWidget *window, GtkMessageType type, const char *title, const char *primary,
          const std::string &secondary) {
  GtkWidget *message = gtk_message_dialog_new(GTK_WINDOW(window), kDialogFlags, type,
                                              GTK_BUTTONS_CLOSE, "%s", primary);
  if (!secondary.empty())
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(message), "%s", secondary.c_str());
  gtk_window_set_title(GTK_WINDOW(message), title);
  window_ignore_held_enter(message);
  g_signal_connect(message, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show_all(message);
}

void select_saved(GtkWidget *window, const OwnFood &food) {
  my_foods_window_reload(state_of(window));
  my_foods_window_select(window, food.food_code);
}

void open_new(GtkWidget *window, OwnKind kind) {
  GuiState *state = state_of(window);
  OwnSaved saved = [window](const OwnFood &food) { select_saved(window, food); };
  if (kind == OWN_FOOD)
    own_food_dialog_open(state, GTK_WINDOW(window), nullptr, nullptr, saved);
  else
    own_recipe_dialog_open(state, GTK_WINDOW(window), nullptr, kind, saved);
}

void on_new_food_clicked(GtkButton *, gpointer window) {
  run_guarded("on_new_food_clicked", [&] { open_new(GTK_WIDGET(window), OWN_FOOD); });
}

void on_new_recipe_clicked(GtkButton *, gpointer window) {
  run_guarded("on_new_recipe_clicked", [&] { open_new(GTK_WIDGET(window), OWN_RECIPE); });
}

void on_new_meal_clicked(GtkButton *, gpointer window) {
  run_guarded("on_new_meal_clicked", [&] { open_new(GTK_WIDGET(window), OWN_MEAL); });
}

void on_edit_clicked(GtkButton *, gpointer data) {
  run_guarded("on_my_foods_edit_clicked", [&] {
    GtkWidget *window = GTK_WIDGET(data);
    GuiState *state = state_of(window);
    const OwnFood *found = food_source_find(state->food_db, selected_code(window));
    if (!found) return;
    const OwnFood food = *found;
    OwnSaved saved = [window](const OwnFood &f) { select_saved(window, f); };
    if (food.kind == OWN_FOOD)
      own_food_dialog_open(state, GTK_WINDOW(window), &food, nullptr, saved);
    else
      own_recipe_dialog_open(state, GTK_WINDOW(window), &food, food.kind, saved);
  });
}

void on_row_activated(GtkTreeView *, GtkTreePath *, GtkTreeViewColumn *, gpointer window) {
  on_edit_clicked(nullptr, window);
}

void on_delete_clicked(GtkButton *, gpointer data) {
  run_guarded("on_my_foods_delete_clicked", [&] {
    GtkWidget *window = GTK_WIDGET(data);
    GuiState *state = state_of(window);
    const OwnFood *found = food_source_find(state->food_db, selected_code(window));
    if (!found) return;
    const OwnFood food = *found;
    const int entries = own_food_entry_count(state->log_db, food.food_code);
    if (entries > 0) {
      GtkWidget *question = gtk_message_dialog_new(
          GTK_WINDOW(window), kDialogFlags, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
          ngettext("“%s” is logged in %d entry. Delete it?",
                   "“%s” is logged in %d entries. Delete it?", static_cast<unsigned long>(entries)),
          food.name.c_str(), entries);
      gtk_message_dialog_format_secondary_text(
          GTK_MESSAGE_DIALOG(question), "%s",
          _("The entries keep their values; it leaves the suggestions and My Foods."));
      gtk_dialog_add_buttons(GTK_DIALOG(question), _("_Cancel"), GTK_RESPONSE_CANCEL,
                             _("_Delete"), GTK_RESPONSE_ACCEPT, nullptr);
      gtk_window_set_title(GTK_WINDOW(question), _("Delete"));
      window_ignore_held_enter(question);
      const gint answer = gtk_dialog_run(GTK_DIALOG(question));
      gtk_widget_destroy(question);
      if (answer != GTK_RESPONSE_ACCEPT) return;
    }
    std::string refusal;
    const int rc = own_food_delete(state->log_db, food.food_code, &refusal);
    char primary[512];
    snprintf(primary, sizeof primary, _("“%s” was not deleted."), food.name.c_str());
    if (rc == 1) {
      tell(window, GTK_MESSAGE_INFO, _("Not Deleted"), primary, refusal);
      return;
    }
    if (rc != 0) {
      show_write_failure(GTK_WINDOW(window), primary, log_db_error_text(state->log_db));
      return;
    }
    own_food_saved(state);
  });
}

std::string chosen_file(GtkWidget *window, bool save) {
  GtkWidget *chooser = gtk_file_chooser_dialog_new(
      save ? _("Export My Foods") : _("Import Foods"), GTK_WINDOW(window),
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, _("_Cancel"),
      GTK_RESPONSE_CANCEL, save ? _("_Export") : _("_Import"), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileFilter *filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, _("Foods (JSON)"));
  gtk_file_filter_add_pattern(filter, "*.json");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  if (save) {
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
    // Translators: the name the export of My Foods proposes for its file
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), _("my-foods.json"));
  }
  std::string path;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    gchar *name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    if (name) path = name;
    g_free(name);
  }
  gtk_widget_destroy(chooser);
  return path;
}

void on_export_clicked(GtkButton *, gpointer data) {
  run_guarded("on_my_foods_export_clicked", [&] {
    const std::string path = chosen_file(GTK_WIDGET(data), true);
    if (!path.empty()) my_foods_export_to(GTK_WIDGET(data), path.c_str());
  });
}

void on_import_clicked(GtkButton *, gpointer data) {
  run_guarded("on_my_foods_import_clicked", [&] {
    const std::string path = chosen_file(GTK_WIDGET(data), false);
    if (!path.empty()) my_foods_import_from(GTK_WIDGET(data), path.c_str());
  });
}

void on_selection_changed(GtkTreeSelection *selection, gpointer data) {
  const bool any = gtk_tree_selection_count_selected_rows(selection) > 0;
  for (const char *key : {"edit-button", "delete-button"}) {
    auto *button = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(data), key));
    if (button) gtk_widget_set_sensitive(button, any);
  }
}

void on_my_foods_destroy(GtkWidget *window, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  if (state->main_window &&
      g_object_get_data(G_OBJECT(state->main_window), KEY_MY_FOODS_WINDOW) == window)
    g_object_set_data(G_OBJECT(state->main_window), KEY_MY_FOODS_WINDOW, nullptr);
}

// Escape closes the window; Delete in the list deletes the selected one, as "Delete" does.
gboolean on_my_foods_key_press(GtkWidget *window, GdkEventKey *event, gpointer) {
  if (event->keyval == GDK_KEY_Delete || event->keyval == GDK_KEY_KP_Delete) {
    if (gtk_window_get_focus(GTK_WINDOW(window)) != GTK_WIDGET(view_of(window))) return FALSE;
    on_delete_clicked(nullptr, window);
    return TRUE;
  }
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  gtk_widget_destroy(window);
  return TRUE;
}

GtkWidget *add_button(GtkWidget *box, const char *label, GCallback handler, GtkWidget *window) {
  GtkWidget *button = gtk_button_new_with_mnemonic(label);
  gtk_box_pack_start(GTK_BOX(box), button, FALSE, FALSE, 0);
  connect_signal(button, "clicked", handler, window);
  return button;
}

// What the window shows while the list is empty: a dim line that says so, and one that says
// how to make a food of one's own. Named "my-foods-empty".
GtkWidget *empty_state() {
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_widget_set_name(box, "my-foods-empty");
  gtk_widget_set_valign(box, GTK_ALIGN_CENTER);
  gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
  // Translators: shown in My Foods while it holds nothing
  GtkWidget *title = gtk_label_new(_("No foods of your own yet"));
  PangoAttrList *attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
  pango_attr_list_insert(attributes, pango_attr_scale_new(PANGO_SCALE_LARGE));
  gtk_label_set_attributes(GTK_LABEL(title), attributes);
  pango_attr_list_unref(attributes);
  GtkWidget *hint = gtk_label_new(
      // Translators: under "No foods of your own yet" in My Foods; the names are those of the
      // window's buttons, of the quick-log field's placeholder and of the offer under it
      _("Make one with New Food…, New Recipe… or New Meal… below, or type its name in the main "
        "window’s “Log a food…” field and choose “Create food” when nothing matches."));
  gtk_label_set_line_wrap(GTK_LABEL(hint), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(hint), 50);
  gtk_label_set_justify(GTK_LABEL(hint), GTK_JUSTIFY_CENTER);
  for (GtkWidget *label : {title, hint}) {
    gtk_style_context_add_class(gtk_widget_get_style_context(label), "dim-label");
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  }
  return box;
}

GtkWidget *build_window(GuiState *state) {
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), _("My Foods"));
  gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(state->main_window));
  gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
  gtk_window_set_default_size(GTK_WINDOW(window), 640, 420);
  window_ignore_held_enter(window);
  g_object_set_data(G_OBJECT(window), KEY_MY_FOODS_STATE, state);

  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  g_object_set(box, "margin", 18, nullptr);
  GtkListStore *store =
      gtk_list_store_new(MY_FOODS_COL_COUNT, G_TYPE_INT, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
  GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  gtk_widget_set_name(view, "my-foods-list");
  g_object_set_data(G_OBJECT(window), KEY_MY_FOODS_VIEW, view);
  atk_object_set_name(gtk_widget_get_accessible(view), _("My Foods"));
  const struct {
    const char *title;
    int column;
  } columns[] = {{N_("Kind"), MY_FOODS_COL_KIND},
                 {N_("Name"), MY_FOODS_COL_NAME},
                 {N_("Energy"), MY_FOODS_COL_ENERGY}};
  for (const auto &c : columns) {
    GtkCellRenderer *cell = gtk_cell_renderer_text_new();
    if (c.column == MY_FOODS_COL_NAME) g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn *column =
        gtk_tree_view_column_new_with_attributes(_(c.title), cell, "text", c.column, nullptr);
    gtk_tree_view_column_set_expand(column, c.column == MY_FOODS_COL_NAME);
    gtk_tree_view_column_set_resizable(column, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(view), column);
  }
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  // The list and, in its place while it is empty, the empty state: one of the two is shown.
  // (A GtkStack here left some of its style data unfreed in every window.)
  GtkWidget *empty = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);  // the room the list has
  gtk_box_pack_start(GTK_BOX(empty), empty_state(), TRUE, TRUE, 0);
  g_object_set_data(G_OBJECT(window), KEY_MY_FOODS_LIST_PAGE, scrolled);
  g_object_set_data(G_OBJECT(window), KEY_MY_FOODS_EMPTY, empty);
  for (GtkWidget *page : {scrolled, empty}) {
    gtk_widget_show_all(page);
    gtk_widget_set_no_show_all(page, TRUE);
    gtk_box_pack_start(GTK_BOX(box), page, TRUE, TRUE, 0);
  }
  gtk_widget_hide(empty);

  GtkWidget *buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_widget_set_name(buttons, "my-foods-buttons");
  add_button(buttons, _("New _Food…"), G_CALLBACK(on_new_food_clicked), window);
  add_button(buttons, _("New _Recipe…"), G_CALLBACK(on_new_recipe_clicked), window);
  add_button(buttons, _("New _Meal…"), G_CALLBACK(on_new_meal_clicked), window);
  GtkWidget *edit = add_button(buttons, _("_Edit…"), G_CALLBACK(on_edit_clicked), window);
  GtkWidget *remove = add_button(buttons, _("_Delete"), G_CALLBACK(on_delete_clicked), window);
  g_object_set_data(G_OBJECT(window), "edit-button", edit);
  g_object_set_data(G_OBJECT(window), "delete-button", remove);
  GtkWidget *import = gtk_button_new_with_mnemonic(_("_Import…"));
  GtkWidget *export_button = gtk_button_new_with_mnemonic(_("E_xport…"));
  gtk_box_pack_end(GTK_BOX(buttons), import, FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(buttons), export_button, FALSE, FALSE, 0);
  connect_signal(export_button, "clicked", G_CALLBACK(on_export_clicked), window);
  connect_signal(import, "clicked", G_CALLBACK(on_import_clicked), window);
  gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window), box);

  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
  connect_signal(selection, "changed", G_CALLBACK(on_selection_changed), window);
  connect_signal(view, "row-activated", G_CALLBACK(on_row_activated), window);
  connect_signal(window, "key-press-event", G_CALLBACK(on_my_foods_key_press), nullptr);
  connect_signal(window, "destroy", G_CALLBACK(on_my_foods_destroy), state);
  fill_list(window);
  on_selection_changed(selection, window);
  return window;
}

}  // namespace

GtkWidget *show_my_foods_window(GuiState *state) {
  if (!state->main_window) return nullptr;
  auto *window = static_cast<GtkWidget *>(
      g_object_get_data(G_OBJECT(state->main_window), KEY_MY_FOODS_WINDOW));
  if (!window) {
    window = build_window(state);
    g_object_set_data(G_OBJECT(state->main_window), KEY_MY_FOODS_WINDOW, window);
    gtk_widget_show_all(window);
  } else {
    fill_list(window);
  }
  gtk_window_present(GTK_WINDOW(window));
  return window;
}

void my_foods_window_reload(GuiState *state) {
  if (!state->main_window) return;
  auto *window = static_cast<GtkWidget *>(
      g_object_get_data(G_OBJECT(state->main_window), KEY_MY_FOODS_WINDOW));
  if (window) fill_list(window);
}

bool my_foods_window_select(GtkWidget *window, int32_t food_code) {
  GtkTreeView *view = view_of(window);
  GtkTreeModel *model = gtk_tree_view_get_model(view);
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    int32_t code = 0;
    gtk_tree_model_get(model, &iter, MY_FOODS_COL_CODE, &code, -1);
    if (code != food_code) continue;
    gtk_tree_selection_select_iter(gtk_tree_view_get_selection(view), &iter);
    GtkTreePath *path = gtk_tree_model_get_path(model, &iter);
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_path_free(path);
    return true;
  }
  return false;
}

bool my_foods_export_to(GtkWidget *window, const char *path) {
  GuiState *state = state_of(window);
  std::string error;
  if (own_foods_write_file(state->log_db, path, &error) != 0) {
    tell(window, GTK_MESSAGE_ERROR, _("Not Exported"), _("My Foods were not exported."), error);
    return false;
  }
  size_t count = 0;
  for (const OwnFood &food : food_source_own(state->food_db)) count += food.deleted ? 0 : 1;
  char text[256];
  snprintf(text, sizeof text,
           ngettext("%lu food, recipe or meal exported.", "%lu foods, recipes and meals exported.",
                    static_cast<unsigned long>(count)),
           static_cast<unsigned long>(count));
  tell(window, GTK_MESSAGE_INFO, _("Exported"), text, path);
  return true;
}

bool my_foods_import_from(GtkWidget *window, const char *path) {
  GuiState *state = state_of(window);
  OwnImport result;
  std::vector<std::string> warnings;
  std::string error;
  if (own_foods_read_file(state->log_db, path, &result, &warnings, &error) != 0) {
    tell(window, GTK_MESSAGE_ERROR, _("Not Imported"),
         _("Nothing was imported: the file was refused."), error);
    return false;
  }
  own_food_saved(state);
  auto names = [](const std::vector<std::string> &list) {
    std::string joined;
    for (const std::string &name : list) joined += (joined.empty() ? "" : ", ") + name;
    return joined;
  };
  std::string details;
  char line[256];
  snprintf(line, sizeof line, ngettext("%lu added", "%lu added", result.added.size()),
           static_cast<unsigned long>(result.added.size()));
  details = std::string(line) + (result.added.empty() ? "" : ": " + names(result.added));
  if (!result.skipped.empty()) {
    snprintf(line, sizeof line,
             ngettext("%lu skipped, already there", "%lu skipped, already there",
                      result.skipped.size()),
             static_cast<unsigned long>(result.skipped.size()));
    details += "\n" + std::string(line) + ": " + names(result.skipped);
  }
  for (const std::string &warning : warnings) details += "\n" + warning;
  tell(window, warnings.empty() ? GTK_MESSAGE_INFO : GTK_MESSAGE_WARNING, _("Imported"),
       _("The foods of the file were imported."), details);
  return true;
}
