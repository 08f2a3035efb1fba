// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of a recipe and of a saved meal: ingredients picked with the ranked search, an
// amount in grams or in a household measure each, a recipe's portions and cooked weight, and
// the values of a portion (or of the whole meal) as they are edited; and "Save as Meal".
#include "ui/own-recipe-edit.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-entries.h"
#include "ui/dialog-util.h"
#include "ui/number-input.h"

namespace {

#define KEY_RECIPE_DIALOG "own-recipe-dialog"
#define KEY_SAVE_MEAL_DIALOG "own-save-meal-dialog"

// Ingredients the list shows before it scrolls, and the space between them.
constexpr int kItemRowsShown = 8;
constexpr int kItemRowSpacing = 6;

struct Measure {
  std::string description;  // as the food database writes it; empty for grams
  double grams;             // of one
};

struct ItemRow {
  int32_t food_code = 0;
  std::string description;
  std::vector<Measure> measures;  // grams first
  size_t measure = 0;             // the one chosen
  double count = 100.0;           // of it
};

struct RecipeDialog {
  GuiState *state = nullptr;
  OwnFood food;  // as stored, or the new one
  OwnSaved saved;
  GtkWidget *dialog = nullptr;
  GtkWidget *name = nullptr;
  GtkWidget *grid = nullptr;
  GtkWidget *portions = nullptr;  // a recipe's
  GtkWidget *cooked = nullptr;
  GtkWidget *totals = nullptr;
  std::vector<ItemRow> rows;
  bool building = false;  // the grid is being made: its signals are not edits
};

void recipe_dialog_free(gpointer data) { delete static_cast<RecipeDialog *>(data); }

RecipeDialog *recipe_of(GtkWidget *dialog) {
  return static_cast<RecipeDialog *>(g_object_get_data(G_OBJECT(dialog), KEY_RECIPE_DIALOG));
}

std::string number_text(double value) {
  char text[64];
  snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::vector<Measure> measures_of(sqlite3 *food_db, int32_t code) {
  std::vector<Measure> out{Measure{"", 1.0}};
  FoodMeasureList list{nullptr, 0, 0};
  food_measures(food_db, code, &list);  // a failure leaves grams only
  for (size_t i = 0; i < list.count; i++)
    if (std::isfinite(list.items[i].grams) && list.items[i].grams > 0.0)
      out.push_back(Measure{list.items[i].description, list.items[i].grams});
  food_measure_list_free(&list);
  return out;
}

// The dialog's food as it is typed; |sound| false when a number is no number.
OwnFood typed_food(RecipeDialog *rd, bool *sound, bool mark) {
  OwnFood food = rd->food;
  *sound = true;
  gchar *name = g_strstrip(g_strdup(gtk_entry_get_text(GTK_ENTRY(rd->name))));
  food.name = name;
  g_free(name);
  food.items.clear();
  for (const ItemRow &row : rd->rows) {
    OwnItem item;
    item.food_code = row.food_code;
    const Measure &m = row.measures[row.measure];
    item.grams = row.count * m.grams;
    if (!m.description.empty()) {
      item.measure = m.description;
      item.count = row.count;
    }
    food.items.push_back(item);
  }
  if (rd->portions) {
    double portions = 0.0;
    if (decimal_parse(gtk_entry_get_text(GTK_ENTRY(rd->portions)), &portions)) {
      food.portions = portions;
    } else {
      *sound = false;
      if (mark) {
        auto *note = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(rd->portions), "note"));
        if (note) {
          gtk_label_set_text(GTK_LABEL(note), _("Type the number of portions."));
          gtk_widget_show(note);
        }
        gtk_widget_grab_focus(rd->portions);
      }
    }
    gchar *cooked = g_strstrip(g_strdup(gtk_entry_get_text(GTK_ENTRY(rd->cooked))));
    double grams = 0.0;
    if (cooked[0] == '\0') {
      food.cooked_g = 0.0;
    } else if (decimal_parse(cooked, &grams)) {
      food.cooked_g = grams;
    } else {
      *sound = false;
      if (mark) {
        auto *note = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(rd->cooked), "note"));
        if (note) {
          gtk_label_set_text(GTK_LABEL(note),
                             _("Type the weight of the cooked dish in grams, or leave it empty."));
          gtk_widget_show(note);
        }
        gtk_widget_grab_focus(rd->cooked);
      }
    }
    g_free(cooked);
  }
  return food;
}

std::string amount(double value) {
  char text[64];
  snprintf(text, sizeof text, value != 0.0 && std::fabs(value) < 10.0 ? "%.2g" : "%.0f", value);
  if (std::fabs(value) >= 1.0 && std::fabs(value) < 10.0) snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// The values of a portion (a recipe) or of the whole meal, as typed now.
void show_totals(RecipeDialog *rd) {
  bool sound = true;
  OwnFood food = typed_food(rd, &sound, false);
  const bool meal = food.kind == OWN_MEAL;
  if (meal) {
    food.kind = OWN_RECIPE;
    food.portions = 1.0;
    food.cooked_g = 0.0;
  }
  FoodNutrients nutrients{};
  FoodValues values{};
  const double portions = food.portions > 0.0 ? food.portions : 0.0;
  if (food.items.empty() || !sound || portions <= 0.0 ||
      own_food_values(rd->state->food_db, food, &nutrients, &values) != 0) {
    gtk_label_set_text(GTK_LABEL(rd->totals),
                       food.items.empty() ? _("Add the ingredients with the search above.") : "");
    return;
  }
  const double grams = own_recipe_grams(food) / portions;
  const double factor = grams / 100.0;
  char line[512];
  const std::string kcal = values.has_energy ? amount(values.kcal * factor) : std::string("?");
  if (meal)
    // Translators: the totals of the meal dialog: its weight and its energy
    snprintf(line, sizeof line, _("The whole meal (%.0f g): %s kcal"), grams, kcal.c_str());
  else
    // Translators: the totals of the recipe dialog: a portion's weight and its energy
    snprintf(line, sizeof line, _("A portion (%.0f g): %s kcal"), grams, kcal.c_str());
  std::string text = line;
  text += "\n";
  for (int group = 0; group < FOOD_GROUP_COUNT; group++) {
    if (group > 0) text += ", ";
    text += food_group_name(group);
    text += " ";
    text += values.has_groups ? amount(values.groups.amounts[group] * factor) : std::string("?");
    text += " ";
    text += food_group_amount_unit(group);
  }
  text += "\n";
  const struct {
    int source;
    const char *name;
    const char *unit;
  } shown[] = {{SOURCE_PROTEIN, N_("Protein"), "g"},
               {SOURCE_CARBOHYDRATE, N_("Carbohydrate"), "g"},
               {SOURCE_TOTAL_FAT, N_("Total fat"), "g"},
               {SOURCE_SODIUM, N_("Sodium"), "mg"}};
  for (size_t i = 0; i < G_N_ELEMENTS(shown); i++) {
    if (i > 0) text += ", ";
    text += _(shown[i].name);
    text += " ";
    const bool unknown = !nutrients.has_nutrients || (nutrients.unknown & (1u << shown[i].source));
    // Translators: a nutrient value that is not known
    text += unknown ? _("unknown") : amount(nutrients.values[shown[i].source] * factor) + " " + shown[i].unit;
  }
  gtk_label_set_text(GTK_LABEL(rd->totals), text.c_str());
}

void rebuild_grid(RecipeDialog *rd);

void on_amount_changed(GtkSpinButton *spin, gpointer data) {
  auto *rd = static_cast<RecipeDialog *>(data);
  if (rd->building) return;
  const size_t at = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(spin), "row"));
  if (at < rd->rows.size()) rd->rows[at].count = gtk_spin_button_get_value(spin);
  show_totals(rd);
}

void on_measure_changed(GtkComboBox *combo, gpointer data) {
  auto *rd = static_cast<RecipeDialog *>(data);
  if (rd->building) return;
  const size_t at = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(combo), "row"));
  const int chosen = gtk_combo_box_get_active(combo);
  if (at >= rd->rows.size() || chosen < 0) return;
  ItemRow &row = rd->rows[at];
  // The amount stays what it weighs, in the new measure.
  const double grams = row.count * row.measures[row.measure].grams;
  row.measure = static_cast<size_t>(chosen);
  const double count = std::round(grams / row.measures[row.measure].grams * 100.0) / 100.0;
  row.count = count > 0.0 ? count : 1.0;
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(combo), "amount"));
  rd->building = true;
  if (spin) gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), row.count);
  rd->building = false;
  show_totals(rd);
}

void on_remove_clicked(GtkButton *button, gpointer data) {
  auto *rd = static_cast<RecipeDialog *>(data);
  const size_t at = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(button), "row"));
  if (at >= rd->rows.size()) return;
  rd->rows.erase(rd->rows.begin() + static_cast<long>(at));
  rebuild_grid(rd);
  show_totals(rd);
}

// The height of |count| rows of ingredients: each as tall as the tallest of an amount's spin
// button, a measure chooser and a remove button, as the theme draws them.
int item_rows_height(int count) {
  // Measured inside a window of their own: the style of a widget without one is never freed.
  GtkWidget *window = gtk_offscreen_window_new();
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_container_add(GTK_CONTAINER(window), box);
  GtkWidget *widgets[] = {gtk_spin_button_new_with_range(0.0, 1.0, 1.0), gtk_combo_box_text_new(),
                          gtk_button_new_from_icon_name("list-remove-symbolic",
                                                        GTK_ICON_SIZE_BUTTON)};
  for (GtkWidget *widget : widgets) gtk_box_pack_start(GTK_BOX(box), widget, FALSE, FALSE, 0);
  gtk_widget_show_all(box);  // a hidden widget asks for no room
  int row = 0;
  for (GtkWidget *widget : widgets) {
    int natural = 0;
    gtk_widget_get_preferred_height(widget, nullptr, &natural);
    row = std::max(row, natural);
  }
  gtk_widget_destroy(window);
  return count * row + (count - 1) * kItemRowSpacing;
}

void rebuild_grid(RecipeDialog *rd) {
  rd->building = true;
  GList *children = gtk_container_get_children(GTK_CONTAINER(rd->grid));
  for (GList *l = children; l; l = l->next) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(children);
  for (size_t i = 0; i < rd->rows.size(); i++) {
    const ItemRow &row = rd->rows[i];
    const int top = static_cast<int>(i);
    GtkWidget *label = gtk_label_new(row.description.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_width_chars(GTK_LABEL(label), 26);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 36);
    gtk_widget_set_tooltip_text(label, row.description.c_str());
    gtk_widget_set_hexpand(label, TRUE);
    GtkWidget *spin = gtk_spin_button_new_with_range(0.0, 1000000.0, 1.0);
    gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 2);
    gtk_entry_set_width_chars(GTK_ENTRY(spin), 7);
    spin_button_accept_decimals(spin);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), row.count);
    char name[64];
    snprintf(name, sizeof name, "own-item-amount-%d", top);
    gtk_widget_set_name(spin, name);
    char spoken[512];
    // Translators: the spoken name of an ingredient's amount; %s is the food
    snprintf(spoken, sizeof spoken, _("Amount of %s"), row.description.c_str());
    atk_object_set_name(gtk_widget_get_accessible(spin), spoken);
    field_activates_default(spin);
    GtkWidget *combo = gtk_combo_box_text_new();
    snprintf(name, sizeof name, "own-item-measure-%d", top);
    gtk_widget_set_name(combo, name);
    for (const Measure &m : row.measures) {
      if (m.description.empty()) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), "g");
      } else {
        char text[512];
        snprintf(text, sizeof text, _("%s (%s g)"), m.description.c_str(),
                 number_text(m.grams).c_str());
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), text);
      }
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), static_cast<int>(row.measure));
    GtkWidget *remove = gtk_button_new_from_icon_name("list-remove-symbolic", GTK_ICON_SIZE_BUTTON);
    // Translators: tooltip and spoken name of the button that takes an ingredient out
    gtk_widget_set_tooltip_text(remove, _("Remove"));
    atk_object_set_name(gtk_widget_get_accessible(remove), _("Remove"));
    for (GtkWidget *w : {spin, combo, remove})
      g_object_set_data(G_OBJECT(w), "row", GSIZE_TO_POINTER(i));
    g_object_set_data(G_OBJECT(combo), "amount", spin);
    connect_signal(spin, "value-changed", G_CALLBACK(on_amount_changed), rd);
    connect_signal(combo, "changed", G_CALLBACK(on_measure_changed), rd);
    connect_signal(remove, "clicked", G_CALLBACK(on_remove_clicked), rd);
    gtk_grid_attach(GTK_GRID(rd->grid), label, 0, top, 1, 1);
    gtk_grid_attach(GTK_GRID(rd->grid), spin, 1, top, 1, 1);
    gtk_grid_attach(GTK_GRID(rd->grid), combo, 2, top, 1, 1);
    gtk_grid_attach(GTK_GRID(rd->grid), remove, 3, top, 1, 1);
  }
  gtk_widget_show_all(rd->grid);
  rd->building = false;
}

void add_row(RecipeDialog *rd, int32_t code, const std::string &description, double grams,
             const std::string &measure, double count) {
  ItemRow row;
  row.food_code = code;
  row.description = description;
  row.measures = measures_of(rd->state->food_db, code);
  row.count = grams;
  if (!measure.empty()) {
    for (size_t i = 1; i < row.measures.size(); i++) {
      if (row.measures[i].description == measure) {
        row.measure = i;
        row.count = count > 0.0 ? count : grams / row.measures[i].grams;
        break;
      }
    }
  }
  rd->rows.push_back(row);
}

// A food picked with what was typed with it: that amount, else one of its first measure
// (100 g without measures).
void add_picked(RecipeDialog *rd, int32_t code, const std::string &description,
                const AmountText &typed) {
  const std::vector<Measure> measures = measures_of(rd->state->food_db, code);
  std::vector<FoodMeasure> list;
  for (size_t i = 1; i < measures.size(); i++)
    list.push_back(FoodMeasure{const_cast<char *>(measures[i].description.c_str()), measures[i].grams});
  if (typed.read == AmountRead::kAmount) {
    const AmountChoice choice =
        amount_choose(typed, !typed.measure_word.empty(), list.data(), list.size());
    if (choice.fit == AmountFit::kOk) {
      add_row(rd, code, description, choice.grams, choice.measure, choice.count);
      return;
    }
    // Not guessed: the food comes in at its first measure, and the note says why.
    std::string why;
    if (choice.fit == AmountFit::kNoMeasure) {
      char text[256];
      snprintf(text, sizeof text, _("no %s measure for this food: pick one"),
               amount_unit_word(typed).c_str());
      why = text;
    } else {
      why = _("not from 1 g to 10000 g: pick an amount");
    }
    OwnFault fault;
    fault.field = OWN_FIELD_ITEMS;
    fault.item = static_cast<int>(rd->rows.size());
    fault.message = description + ": " + why;
    if (measures.size() > 1)
      add_row(rd, code, description, measures[1].grams, measures[1].description, 1.0);
    else
      add_row(rd, code, description, 100.0, "", 0.0);
    own_dialog_show_fault(rd->dialog, fault);
    return;
  }
  if (measures.size() > 1)
    add_row(rd, code, description, measures[1].grams, measures[1].description, 1.0);
  else
    add_row(rd, code, description, 100.0, "", 0.0);
}

void recipe_dialog_save(RecipeDialog *rd) {
  own_dialog_clear_notes(rd->dialog);
  bool sound = true;
  OwnFood food = typed_food(rd, &sound, true);
  if (!sound) return;
  own_dialog_store(rd->state, rd->dialog, &food,
                   food.kind == OWN_MEAL ? _("The meal was not saved.")
                                         : _("The recipe was not saved."),
                   rd->saved);
}

void on_recipe_field_changed(GtkEditable *, gpointer data) {
  run_guarded("on_recipe_field_changed", [&] { show_totals(static_cast<RecipeDialog *>(data)); });
}

GtkWidget *row_label(const char *text, GtkWidget *field) {
  GtkWidget *label = gtk_label_new_with_mnemonic(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), field);
  return label;
}

// A line of the dialog: a label, its field and the field's note.
void attach_field(GtkWidget *grid, int top, const char *label, GtkWidget *field, const char *note_name) {
  GtkWidget *note = own_note_label(note_name);
  g_object_set_data(G_OBJECT(field), "note", note);
  gtk_grid_attach(GTK_GRID(grid), row_label(label, field), 0, top, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), field, 1, top, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), note, 2, top, 1, 1);
}

// ---- Save as Meal ----

struct SaveMeal {
  GuiState *state = nullptr;
  GtkWidget *dialog = nullptr;
  GtkWidget *name = nullptr;
  std::vector<std::pair<GtkWidget *, OwnItem>> entries;  // check box, item
};

void save_meal_free(gpointer data) { delete static_cast<SaveMeal *>(data); }

void save_meal_save(SaveMeal *sm) {
  own_dialog_clear_notes(sm->dialog);
  OwnFood meal;
  meal.kind = OWN_MEAL;
  gchar *name = g_strstrip(g_strdup(gtk_entry_get_text(GTK_ENTRY(sm->name))));
  meal.name = name;
  g_free(name);
  for (const auto &entry : sm->entries)
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(entry.first)))
      meal.items.push_back(entry.second);
  own_dialog_store(sm->state, sm->dialog, &meal, _("The meal was not saved."), nullptr);
}

}  // namespace

void own_recipe_dialog_add(GtkWidget *dialog, int32_t food_code, const char *description,
                           double grams, const char *measure, double count) {
  RecipeDialog *rd = recipe_of(dialog);
  if (!rd) return;
  add_row(rd, food_code, description ? description : "", grams, measure ? measure : "", count);
  rebuild_grid(rd);
  show_totals(rd);
}

GtkWidget *own_recipe_dialog_open(GuiState *state, GtkWindow *parent, const OwnFood *food,
                                  OwnKind kind, OwnSaved saved) {
  auto *rd = new RecipeDialog;
  rd->state = state;
  rd->saved = std::move(saved);
  if (food) rd->food = *food;
  else rd->food.kind = kind;
  const bool meal = rd->food.kind == OWN_MEAL;
  const bool is_new = rd->food.food_code == 0;
  const char *title = meal ? (is_new ? _("New Meal") : _("Edit Meal"))
                           : (is_new ? _("New Recipe") : _("Edit Recipe"));
  GtkWidget *dialog = rd->dialog = own_dialog_new(title, parent);
  g_object_set_data_full(G_OBJECT(dialog), KEY_RECIPE_DIALOG, rd, recipe_dialog_free);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));

  GtkWidget *count = is_new || meal ? nullptr : own_entry_count_label(state, rd->food.food_code);
  if (count) gtk_box_pack_start(GTK_BOX(content), count, FALSE, FALSE, 0);

  GtkWidget *fields = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(fields), 6);
  gtk_grid_set_column_spacing(GTK_GRID(fields), 12);
  rd->name = gtk_entry_new();
  gtk_widget_set_name(rd->name, "own-name");
  gtk_entry_set_width_chars(GTK_ENTRY(rd->name), 30);
  gtk_entry_set_text(GTK_ENTRY(rd->name), rd->food.name.c_str());
  field_activates_default(rd->name);
  attach_field(fields, 0, _("_Name:"), rd->name, "own-note-name");
  if (!meal) {
    rd->portions = gtk_entry_new();
    gtk_widget_set_name(rd->portions, "own-portions");
    gtk_entry_set_width_chars(GTK_ENTRY(rd->portions), 8);
    gtk_entry_set_text(GTK_ENTRY(rd->portions), number_text(rd->food.portions).c_str());
    field_activates_default(rd->portions);
    attach_field(fields, 1, _("_Portions:"), rd->portions, "own-note-portions");
    rd->cooked = gtk_entry_new();
    gtk_widget_set_name(rd->cooked, "own-cooked");
    gtk_entry_set_width_chars(GTK_ENTRY(rd->cooked), 8);
    // Translators: placeholder of the cooked weight of the recipe dialog
    gtk_entry_set_placeholder_text(GTK_ENTRY(rd->cooked), _("not weighed"));
    if (rd->food.cooked_g > 0.0)
      gtk_entry_set_text(GTK_ENTRY(rd->cooked), number_text(rd->food.cooked_g).c_str());
    field_activates_default(rd->cooked);
    attach_field(fields, 2, _("_Cooked weight (g):"), rd->cooked, "own-note-cooked");
  }
  gtk_box_pack_start(GTK_BOX(content), fields, FALSE, FALSE, 0);

  GtkWidget *picker = food_picker_new(
      state, PICK_FOOD_DB | PICK_OWN,
      meal ? _("Add a food: “2 eggs”, “1 cup milk”…") : _("Add an ingredient: “500 g beans”, “1 cup rice”…"),
      [rd](int32_t code, const std::string &description, const AmountText &typed) {
        add_picked(rd, code, description, typed);
        rebuild_grid(rd);
        show_totals(rd);
      });
  gtk_box_pack_start(GTK_BOX(content), picker, FALSE, FALSE, 0);

  rd->grid = gtk_grid_new();
  gtk_widget_set_name(rd->grid, "own-items");
  gtk_grid_set_row_spacing(GTK_GRID(rd->grid), kItemRowSpacing);
  gtk_grid_set_column_spacing(GTK_GRID(rd->grid), 8);
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_widget_set_name(scrolled, "own-items-scrolled");
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  // Room for eight ingredients even once the picker's list has gone and the dialog shrunk
  // back to what it needs; a larger dialog gives the list the rest.
  gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scrolled),
                                             item_rows_height(kItemRowsShown));
  gtk_container_add(GTK_CONTAINER(scrolled), rd->grid);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(content), own_note_label("own-note-items"), FALSE, FALSE, 0);

  rd->totals = gtk_label_new(nullptr);
  gtk_widget_set_name(rd->totals, "own-totals");
  gtk_label_set_xalign(GTK_LABEL(rd->totals), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(rd->totals), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(rd->totals), 70);
  gtk_label_set_selectable(GTK_LABEL(rd->totals), TRUE);
  gtk_box_pack_start(GTK_BOX(content), rd->totals, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), own_note_label("own-note-general"), FALSE, FALSE, 0);

  for (const OwnItem &item : rd->food.items) {
    std::string description;
    if (food_describe(state->food_db, item.food_code, &description) != 0)
      description = number_text(item.food_code);
    add_row(rd, item.food_code, description, item.grams, item.measure, item.count);
  }
  rebuild_grid(rd);
  show_totals(rd);
  if (rd->portions) connect_signal(rd->portions, "changed", G_CALLBACK(on_recipe_field_changed), rd);
  if (rd->cooked) connect_signal(rd->cooked, "changed", G_CALLBACK(on_recipe_field_changed), rd);
  connect_signal(dialog, "response",
                 G_CALLBACK((on_own_dialog_response<RecipeDialog, recipe_dialog_save>)), rd);
  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_window_set_default_size(GTK_WINDOW(dialog), 720, -1);
  gtk_widget_show_all(dialog);
  gtk_widget_grab_focus(rd->food.name.empty() ? rd->name : food_picker_entry(picker));
  return dialog;
}

GtkWidget *save_meal_dialog_open(GuiState *state) {
  LogEntryList entries{nullptr, 0, 0};
  if (log_entries_for_date(state->log_db, state->current_date, &entries) != 0 || entries.count == 0) {
    log_entry_list_free(&entries);
    GtkWidget *message = gtk_message_dialog_new(
        GTK_WINDOW(state->main_window), kDialogFlags, GTK_MESSAGE_INFO, GTK_BUTTONS_CLOSE, "%s",
        _("This date has no entries to save as a meal."));
    gtk_window_set_title(GTK_WINDOW(message), _("Save as Meal"));
    g_signal_connect(message, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show_all(message);
    return nullptr;
  }
  auto *sm = new SaveMeal;
  sm->state = state;
  GtkWidget *dialog = sm->dialog =
      own_dialog_new(_("Save as Meal"), GTK_WINDOW(state->main_window));
  g_object_set_data_full(G_OBJECT(dialog), KEY_SAVE_MEAL_DIALOG, sm, save_meal_free);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  GtkWidget *fields = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(fields), 12);
  sm->name = gtk_entry_new();
  gtk_widget_set_name(sm->name, "own-name");
  gtk_entry_set_width_chars(GTK_ENTRY(sm->name), 30);
  field_activates_default(sm->name);
  attach_field(fields, 0, _("_Name:"), sm->name, "own-note-name");
  gtk_box_pack_start(GTK_BOX(content), fields, FALSE, FALSE, 0);
  GtkWidget *heading = gtk_label_new(_("The entries it is made of:"));
  gtk_label_set_xalign(GTK_LABEL(heading), 0.0f);
  gtk_box_pack_start(GTK_BOX(content), heading, FALSE, FALSE, 0);
  GtkWidget *list = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_widget_set_name(list, "own-items");
  for (size_t i = 0; i < entries.count; i++) {
    const LogEntry &entry = entries.items[i];
    OwnItem item;
    item.food_code = entry.food_code;
    item.grams = std::round(entry.servings * 100.0 * 100.0) / 100.0;
    char text[1024];
    snprintf(text, sizeof text, "%s — %s g", entry.description, number_text(item.grams).c_str());
    GtkWidget *check = gtk_check_button_new_with_label(text);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), TRUE);
    gtk_box_pack_start(GTK_BOX(list), check, FALSE, FALSE, 0);
    sm->entries.emplace_back(check, item);
  }
  log_entry_list_free(&entries);
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scrolled), TRUE);
  gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scrolled), 320);
  gtk_container_add(GTK_CONTAINER(scrolled), list);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(content), own_note_label("own-note-items"), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), own_note_label("own-note-general"), FALSE, FALSE, 0);
  connect_signal(dialog, "response",
                 G_CALLBACK((on_own_dialog_response<SaveMeal, save_meal_save>)), sm);
  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
  gtk_widget_grab_focus(sm->name);
  return dialog;
}
