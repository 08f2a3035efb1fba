// SPDX-License-Identifier: GPL-3.0-or-later
// Own foods, recipes and meals among the quick log's suggestions and in the dialogs' food
// pickers, meals logged in one write, and the buttons that make own foods and meals from the
// main window.
#include "ui/quick-log-own.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "db-connection.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/own-food-edit.h"
#include "ui/own-recipe-edit.h"
#include "ui/quick-log.h"

namespace {

#define KEY_QUICK_LOG_OWN "quick-log-own"
#define KEY_OWN_SEARCH_INDEX "own-search-index"

// The own part of the quick log's index, object data of the main window.
struct QuickLogOwn {
  OwnIndexPart part;
};

// The dialogs' index, object data of the main window.
struct SearchIndex {
  FoodIndex index{nullptr, 0, 0};
  bool read = false;
  OwnIndexPart part;
};

void search_index_free(gpointer data) {
  auto *search = static_cast<SearchIndex *>(data);
  food_index_free(&search->index);
  delete search;
}

template <typename T>
T *window_record(GuiState *state, const char *key, GDestroyNotify free_it) {
  if (!state || !state->main_window) return nullptr;
  auto *record = static_cast<T *>(g_object_get_data(G_OBJECT(state->main_window), key));
  if (!record) {
    record = new T;
    g_object_set_data_full(G_OBJECT(state->main_window), key, record, free_it);
  }
  return record;
}

void quick_log_own_free(gpointer data) { delete static_cast<QuickLogOwn *>(data); }

// "changed" of the quick-log field: the no-match box's button names what is typed.
void on_field_changed(GtkEditable *field, gpointer data) {
  auto *button = static_cast<GtkWidget *>(data);
  char label[512];
  // Translators: button under the quick-log field when no food matches; %s is what was typed
  snprintf(label, sizeof label, _("Create food “%s”"), gtk_entry_get_text(GTK_ENTRY(field)));
  gtk_button_set_label(GTK_BUTTON(button), label);
}

// The food the "Create food" button made: the field ranks its text again, which now finds it.
void after_created(GuiState *state) {
  GtkWidget *field = quick_log_field(state);
  if (!field) return;
  gtk_widget_grab_focus(field);
  gtk_editable_set_position(GTK_EDITABLE(field), -1);
  g_signal_emit_by_name(field, "changed");
}

void on_create_food_clicked(GtkButton *, gpointer data) {
  run_guarded("on_create_food_clicked", [&] {
    auto *state = static_cast<GuiState *>(data);
    GtkWidget *field = quick_log_field(state);
    if (!field || !state->main_window) return;
    const std::string name = gtk_entry_get_text(GTK_ENTRY(field));
    GtkWidget *box = quick_log_no_match_box(state);
    GtkWidget *popover = box ? gtk_widget_get_ancestor(box, GTK_TYPE_POPOVER) : nullptr;
    if (popover) gtk_widget_hide(popover);
    own_food_dialog_open(state, GTK_WINDOW(state->main_window), nullptr, name.c_str(),
                         [state](const OwnFood &) { after_created(state); });
  });
}

void on_save_meal_clicked(GtkButton *, gpointer data) {
  run_guarded("on_save_meal_clicked", [&] { save_meal_dialog_open(static_cast<GuiState *>(data)); });
}

}  // namespace

double own_food_kcal(sqlite3 *food_db, const OwnFood &food) {
  if (food.kind == OWN_FOOD)
    return food.known & (1u << SOURCE_ENERGY) ? food.values[SOURCE_ENERGY] : -1.0;
  // A meal counts as a recipe of one portion: the sum of its items.
  OwnFood dish = food;
  if (dish.kind == OWN_MEAL) {
    dish.kind = OWN_RECIPE;
    dish.portions = 1.0;
    dish.cooked_g = 0.0;
  }
  FoodNutrients nutrients{};
  FoodValues values{};
  if (own_food_values(food_db, dish, &nutrients, &values) != 0 || !values.has_energy) return -1.0;
  const double portions = dish.portions > 0.0 ? dish.portions : 1.0;
  return values.kcal * own_recipe_grams(dish) / portions / 100.0;
}

std::string own_meal_label(sqlite3 *food_db, const OwnFood &meal) {
  const double kcal = own_food_kcal(food_db, meal);
  const unsigned long count = static_cast<unsigned long>(meal.items.size());
  char text[1024];
  if (kcal >= 0.0)
    // Translators: a saved meal among the foods: its name, its foods and its energy
    snprintf(text, sizeof text, ngettext("%s (meal, %lu food, %.0f kcal)",
                                         "%s (meal, %lu foods, %.0f kcal)", count),
             meal.name.c_str(), count, kcal);
  else
    // Translators: a saved meal among the foods whose energy is unknown
    snprintf(text, sizeof text, ngettext("%s (meal, %lu food)", "%s (meal, %lu foods)", count),
             meal.name.c_str(), count);
  return text;
}

void own_index_update(sqlite3 *food_db, FoodIndex *index, OwnIndexPart *part) {
  if (part->base == static_cast<size_t>(-1)) {
    // What the food database put there: the codes below the own ones.
    size_t base = index->count;
    while (base > 0 && food_code_is_own(index->items[base - 1].food_code)) base--;
    part->base = base;
    part->generation = ~food_source_generation(food_db);
  }
  const uint64_t generation = food_source_generation(food_db);
  if (generation == part->generation) return;
  part->generation = generation;
  food_index_truncate(index, part->base);
  for (const OwnFood &own : food_source_own(food_db)) {
    if (own.deleted) continue;
    const std::string text = own.kind == OWN_MEAL ? own_meal_label(food_db, own) : own.name;
    if (food_index_append(index, own.food_code, text.c_str(), 0) != 0) break;
  }
}

const FoodIndex *own_search_index(GuiState *state) {
  auto *search = window_record<SearchIndex>(state, KEY_OWN_SEARCH_INDEX, search_index_free);
  if (!search) return nullptr;
  if (!search->read) {
    search->read = true;  // a failure was printed; the pickers then find only own foods
    food_index_load(state->food_db, &search->index);
  }
  DbNoWait no_wait;  // a key never waits for another program's lock: the foods read before stay
  own_index_update(state->food_db, &search->index, &search->part);
  return &search->index;
}

bool own_meal_log_shown(GuiState *state, const OwnFood &meal) {
  std::vector<std::string> descriptions;
  for (const OwnItem &item : meal.items) {
    std::string description;
    if (food_describe(state->food_db, item.food_code, &description) != 0) {
      char code[32];
      snprintf(code, sizeof code, "%d", item.food_code);
      description = code;
    }
    descriptions.push_back(description);
  }
  LogEntryList written{nullptr, 0, 0};
  if (own_meal_log(state->log_db, meal, descriptions, state->current_date, &written) != 0) {
    show_write_failure(GTK_WINDOW(state->main_window), _("The meal was not added to the log."),
                       log_db_error_text(state->log_db));
    log_entry_list_free(&written);
    return false;
  }
  refresh_views(state);
  char text[1024];
  const unsigned long count = static_cast<unsigned long>(written.count);
  // Translators: the notification after a saved meal was logged; %s is its name
  snprintf(text, sizeof text, ngettext("“%s” logged (%lu entry)", "“%s” logged (%lu entries)", count),
           meal.name.c_str(), count);
  quick_log_offer_undo(state, text, &written);
  log_entry_list_free(&written);
  return true;
}

void quick_log_own_index(GuiState *state, FoodIndex *index) {
  auto *own = window_record<QuickLogOwn>(state, KEY_QUICK_LOG_OWN, quick_log_own_free);
  DbNoWait no_wait;  // called on each key: a locked log leaves the own foods read before
  if (own) own_index_update(state->food_db, index, &own->part);
}

bool quick_log_own_choose(GuiState *state, int32_t food_code) {
  if (!food_code_is_meal(food_code)) return false;
  const OwnFood *found = food_source_find(state->food_db, food_code);
  if (!found) return true;
  const OwnFood meal = *found;  // the source may read the log again while it is logged
  GtkWidget *field = quick_log_field(state);
  if (own_meal_log_shown(state, meal) && field) {
    gtk_entry_set_text(GTK_ENTRY(field), "");
    gtk_widget_grab_focus(field);
  }
  return true;
}

void quick_log_own_no_match_enter(GuiState *state) {
  GtkWidget *button = state && state->main_window
                          ? static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(state->main_window),
                                                                       KEY_CREATE_FOOD_BUTTON))
                          : nullptr;
  GtkWidget *box = quick_log_no_match_box(state);
  if (button && box && gtk_widget_get_visible(box)) gtk_button_clicked(GTK_BUTTON(button));
}

void quick_log_own_view_changed(GuiState *state, bool has_entries) {
  auto *save = state->main_window ? static_cast<GtkWidget *>(g_object_get_data(
                                        G_OBJECT(state->main_window), KEY_SAVE_MEAL_BUTTON))
                                  : nullptr;
  if (save) gtk_widget_set_sensitive(save, has_entries);
}

void quick_log_own_install(GuiState *state) {
  GtkWidget *field = quick_log_field(state);
  GtkWidget *box = quick_log_no_match_box(state);
  if (field && box) {
    GtkWidget *create = gtk_button_new_with_label("");
    gtk_widget_set_halign(create, GTK_ALIGN_START);
    gtk_widget_set_can_focus(create, FALSE);  // Enter in the field presses it
    gtk_widget_set_tooltip_text(create, _("Type in a food from its label (Enter)"));
    gtk_container_add(GTK_CONTAINER(box), create);
    gtk_widget_show(create);
    on_field_changed(GTK_EDITABLE(field), create);
    g_signal_connect_object(field, "changed", G_CALLBACK(on_field_changed), create,
                            G_CONNECT_AFTER);
    connect_signal(create, "clicked", G_CALLBACK(on_create_food_clicked), state);
    g_object_set_data(G_OBJECT(state->main_window), KEY_CREATE_FOOD_BUTTON, create);
  }
  GtkWidget *copy = quick_log_copy_button(state);
  GtkWidget *nav = copy ? gtk_widget_get_parent(copy) : nullptr;
  if (nav) {
    // Translators: button of the Food Log's nav row
    GtkWidget *save = gtk_button_new_with_label(_("Save as Meal…"));
    gtk_widget_set_tooltip_text(save, _("Keep entries of this date as a meal to log in one step"));
    gtk_widget_set_sensitive(save, FALSE);  // until a redraw shows entries
    gtk_box_pack_start(GTK_BOX(nav), save, FALSE, FALSE, 0);
    connect_signal(save, "clicked", G_CALLBACK(on_save_meal_clicked), state);
    g_object_set_data(G_OBJECT(state->main_window), KEY_SAVE_MEAL_BUTTON, save);
  }
}
