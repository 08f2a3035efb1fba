// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog of an own food: its name, its serving and the label's values per serving (empty
// when the label does not say), and the food of the food database it counts like. Also the
// ranked food picker of the own dialogs.
#include "ui/own-food-edit.h"

#include <sqlite3.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fooddb/food-rank.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-db.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/my-foods-window.h"
#include "ui/number-input.h"
#include "ui/quick-log-own.h"

namespace {

#define KEY_FOOD_PICKER "food-picker"
#define KEY_FOOD_DIALOG "own-food-dialog"

constexpr size_t kPickerRows = 8;

// ---- The picker ----

struct Picker {
  GuiState *state = nullptr;
  int kinds = 0;
  GtkWidget *entry = nullptr;
  GtkWidget *list = nullptr;
  FoodPicked picked;
  std::vector<std::pair<int32_t, std::string>> hits;  // the rows of |list|, top first
  AmountText typed;
  bool found_without_word = false;  // the hits were found without the typed measure word
};

char decimal_point() {
  const struct lconv *locale = localeconv();
  return locale && locale->decimal_point && locale->decimal_point[0] ? locale->decimal_point[0]
                                                                     : '.';
}

bool offered(const Picker *picker, int32_t code) {
  if (food_code_is_meal(code)) return picker->kinds & PICK_MEALS;
  if (food_code_is_own(code)) return picker->kinds & PICK_OWN;
  return picker->kinds & PICK_FOOD_DB;
}

// Keeps those of |hits| that |picker| offers, up to its rows, and frees |hits|.
void add_hits(Picker *picker, FoodHitList *hits) {
  for (size_t i = 0; i < hits->count && picker->hits.size() < kPickerRows; i++)
    if (offered(picker, hits->items[i].food_code))
      picker->hits.emplace_back(hits->items[i].food_code, hits->items[i].description);
  food_hit_list_free(hits);
}

void picker_rank(Picker *picker) {
  GList *rows = gtk_container_get_children(GTK_CONTAINER(picker->list));
  for (GList *l = rows; l; l = l->next) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(rows);
  picker->hits.clear();
  const char *text = gtk_entry_get_text(GTK_ENTRY(picker->entry));
  picker->typed = amount_text_read(text, decimal_point());
  const std::string words = picker->typed.read == AmountRead::kAmount ? picker->typed.food : text;
  const FoodIndex *index = own_search_index(picker->state);
  FoodHitList hits{nullptr, 0, 0};
  // "1 medium onion": a food named by all the words comes first; without one, the food is
  // found by its words without the measure's ("onion"), and the measure then by that word,
  // as in the quick-log field.
  picker->found_without_word = false;
  if (index && !words.empty() && food_rank(index, words.c_str(), nullptr, 0, 40, &hits) == 0) {
    add_hits(picker, &hits);
    const AmountText &typed = picker->typed;
    if (picker->hits.empty() && typed.read == AmountRead::kAmount &&
        !typed.measure_word.empty() && !typed.food_without_word.empty() &&
        food_rank(index, typed.food_without_word.c_str(), nullptr, 0, 40, &hits) == 0) {
      add_hits(picker, &hits);
      picker->found_without_word = !picker->hits.empty();
    }
  }
  for (const auto &hit : picker->hits) {
    GtkWidget *label = gtk_label_new(hit.second.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 50);
    // The list is left out of the dialog's show_all, and so is what it holds: each row is
    // shown here.
    gtk_widget_show(label);
    gtk_container_add(GTK_CONTAINER(picker->list), label);
  }
  gtk_widget_set_visible(picker->list, !picker->hits.empty());
  GtkListBoxRow *first = gtk_list_box_get_row_at_index(GTK_LIST_BOX(picker->list), 0);
  if (first) gtk_list_box_select_row(GTK_LIST_BOX(picker->list), first);
}

void picker_pick(Picker *picker, int at) {
  if (at < 0 || static_cast<size_t>(at) >= picker->hits.size()) return;
  const auto hit = picker->hits[static_cast<size_t>(at)];
  AmountText typed = picker->typed;
  // A word that found the food ("scrambled" of "2 scrambled eggs") names no measure.
  if (!picker->found_without_word) typed.measure_word.clear();
  gtk_entry_set_text(GTK_ENTRY(picker->entry), "");
  // The list has gone: the dialog gives back the room it took.
  GtkWidget *top = gtk_widget_get_toplevel(picker->entry);
  if (GTK_IS_WINDOW(top)) gtk_window_resize(GTK_WINDOW(top), 1, 1);
  if (picker->picked) picker->picked(hit.first, hit.second, typed);
  gtk_widget_grab_focus(picker->entry);
}

void on_picker_changed(GtkEditable *, gpointer data) {
  run_guarded("on_picker_changed", [&] { picker_rank(static_cast<Picker *>(data)); });
}

void on_picker_activate(GtkEntry *, gpointer data) {
  run_guarded("on_picker_activate", [&] {
    auto *picker = static_cast<Picker *>(data);
    // Enter in the empty field is the dialog's Enter, so that a food just picked can be
    // saved from where the keyboard is.
    if (picker->hits.empty() && gtk_entry_get_text_length(GTK_ENTRY(picker->entry)) == 0) {
      GtkWidget *top = gtk_widget_get_toplevel(picker->entry);
      if (GTK_IS_WINDOW(top)) gtk_window_activate_default(GTK_WINDOW(top));
      return;
    }
    GtkListBoxRow *row = gtk_list_box_get_selected_row(GTK_LIST_BOX(picker->list));
    picker_pick(picker, row ? gtk_list_box_row_get_index(row) : 0);
  });
}

void on_picker_row_activated(GtkListBox *, GtkListBoxRow *row, gpointer data) {
  run_guarded("on_picker_row_activated", [&] {
    picker_pick(static_cast<Picker *>(data), gtk_list_box_row_get_index(row));
  });
}

gboolean on_picker_key_press(GtkWidget *, GdkEventKey *event, gpointer data) {
  auto *picker = static_cast<Picker *>(data);
  const int step = event->keyval == GDK_KEY_Down || event->keyval == GDK_KEY_KP_Down ? 1
                   : event->keyval == GDK_KEY_Up || event->keyval == GDK_KEY_KP_Up   ? -1
                                                                                     : 0;
  if (step == 0 || picker->hits.empty()) return FALSE;
  GtkListBoxRow *row = gtk_list_box_get_selected_row(GTK_LIST_BOX(picker->list));
  int at = (row ? gtk_list_box_row_get_index(row) : -1) + step;
  at = std::max(0, std::min(at, static_cast<int>(picker->hits.size()) - 1));
  GtkListBoxRow *target = gtk_list_box_get_row_at_index(GTK_LIST_BOX(picker->list), at);
  if (target) gtk_list_box_select_row(GTK_LIST_BOX(picker->list), target);
  return TRUE;
}

void picker_free(gpointer data) { delete static_cast<Picker *>(data); }

// ---- The food dialog ----

// A value of the label: its nutrient, its name with the unit it is typed in, and what one
// of that unit is in the nutrient's own unit.
struct ValueRow {
  int source;
  const char *label;
  double typed_per_stored;  // typed value = stored value x this
};

const ValueRow kMainValues[] = {
    {SOURCE_ENERGY, N_("Energy (kcal):"), 1.0},
    {SOURCE_PROTEIN, N_("Protein (g):"), 1.0},
    {SOURCE_CARBOHYDRATE, N_("Carbohydrate (g):"), 1.0},
    {SOURCE_FIBER, N_("Dietary fiber (g):"), 1.0},
    {SOURCE_TOTAL_FAT, N_("Total fat (g):"), 1.0},
    {SOURCE_SATURATED_FAT, N_("Saturated fat (g):"), 1.0},
    {SOURCE_SODIUM, N_("Sodium (mg):"), 1.0},
    {SOURCE_ADDED_SUGARS, N_("Added sugars (g):"), kAddedSugarGramsPerTsp},
};

const ValueRow kMoreValues[] = {
    {SOURCE_LINOLEIC_ACID, N_("Linoleic acid (g):"), 1.0},
    {SOURCE_LINOLENIC_ACID, N_("Linolenic acid (g):"), 1.0},
    {SOURCE_CALCIUM, N_("Calcium (mg):"), 1.0},
    {SOURCE_IRON, N_("Iron (mg):"), 1.0},
    {SOURCE_MAGNESIUM, N_("Magnesium (mg):"), 1.0},
    {SOURCE_PHOSPHORUS, N_("Phosphorus (mg):"), 1.0},
    {SOURCE_POTASSIUM, N_("Potassium (mg):"), 1.0},
    {SOURCE_ZINC, N_("Zinc (mg):"), 1.0},
    {SOURCE_COPPER, N_("Copper (mg):"), 1.0},
    {SOURCE_SELENIUM, N_("Selenium (mcg):"), 1.0},
    {SOURCE_VITAMIN_A, N_("Vitamin A (mcg RAE):"), 1.0},
    {SOURCE_VITAMIN_E, N_("Vitamin E (mg AT):"), 1.0},
    {SOURCE_VITAMIN_D, N_("Vitamin D (mcg):"), 1.0},
    {SOURCE_VITAMIN_C, N_("Vitamin C (mg):"), 1.0},
    {SOURCE_THIAMIN, N_("Thiamin (mg):"), 1.0},
    {SOURCE_RIBOFLAVIN, N_("Riboflavin (mg):"), 1.0},
    {SOURCE_NIACIN, N_("Niacin (mg):"), 1.0},
    {SOURCE_VITAMIN_B6, N_("Vitamin B6 (mg):"), 1.0},
    {SOURCE_VITAMIN_B12, N_("Vitamin B12 (mcg):"), 1.0},
    {SOURCE_CHOLINE, N_("Choline (mg):"), 1.0},
    {SOURCE_VITAMIN_K, N_("Vitamin K (mcg):"), 1.0},
    {SOURCE_FOLATE, N_("Folate (mcg DFE):"), 1.0},
};

struct FoodDialog {
  GuiState *state = nullptr;
  OwnFood food;  // as stored, or the new one
  OwnSaved saved;
  GtkWidget *dialog = nullptr;
  GtkWidget *name = nullptr;
  GtkWidget *serving = nullptr;
  GtkWidget *per_100g = nullptr;
  GtkWidget *values[NUTRIENT_SOURCE_COUNT] = {};
  double typed_per_stored[NUTRIENT_SOURCE_COUNT] = {};
  GtkWidget *counts_label = nullptr;
  GtkWidget *counts_clear = nullptr;
  int32_t counts_like = 0;
};

void food_dialog_free(gpointer data) { delete static_cast<FoodDialog *>(data); }

GtkWidget *find_named(GtkWidget *root, const char *name) {
  if (!root) return nullptr;
  if (g_strcmp0(gtk_widget_get_name(root), name) == 0) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget *found = nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList *l = children; l && !found; l = l->next) found = find_named(GTK_WIDGET(l->data), name);
  g_list_free(children);
  // An expander's or a frame's child is a child of its container too; a popover is not.
  return found;
}

void set_note(GtkWidget *dialog, const char *name, const char *text) {
  GtkWidget *note = find_named(dialog, name);
  if (!note) return;
  gtk_label_set_text(GTK_LABEL(note), text ? text : "");
  gtk_widget_set_visible(note, text && text[0]);
}

void mark_field(GtkWidget *field) {
  if (!field) return;
  gtk_style_context_add_class(gtk_widget_get_style_context(field), "error");
  // A field in a closed expander: the expander opens to show it.
  for (GtkWidget *up = gtk_widget_get_parent(field); up; up = gtk_widget_get_parent(up))
    if (GTK_IS_EXPANDER(up)) gtk_expander_set_expanded(GTK_EXPANDER(up), TRUE);
  gtk_widget_grab_focus(field);
}

void show_counts_like(FoodDialog *fd) {
  std::string text;
  if (fd->counts_like != 0) {
    std::string description;
    if (food_describe(fd->state->food_db, fd->counts_like, &description) != 0) {
      char code[32];
      snprintf(code, sizeof code, "%d", fd->counts_like);
      description = code;
    }
    char line[1024];
    // Translators: in the own food dialog; %s is a food of the food database
    snprintf(line, sizeof line, _("Counts the food groups of “%s”."), description.c_str());
    text = line;
  } else {
    text = _("Counts no food groups. Pick a food of the database it is like to count its "
             "food groups.");
  }
  gtk_label_set_text(GTK_LABEL(fd->counts_label), text.c_str());
  gtk_widget_set_sensitive(fd->counts_clear, fd->counts_like != 0);
}

void on_counts_clear_clicked(GtkButton *, gpointer data) {
  auto *fd = static_cast<FoodDialog *>(data);
  fd->counts_like = 0;
  show_counts_like(fd);
}

void on_per_100g_toggled(GtkToggleButton *toggle, gpointer data) {
  auto *fd = static_cast<FoodDialog *>(data);
  const bool per_100g = gtk_toggle_button_get_active(toggle);
  if (per_100g) gtk_entry_set_text(GTK_ENTRY(fd->serving), "100");
  gtk_widget_set_sensitive(fd->serving, !per_100g);
}

std::string number_text(double value) {
  char text[64];
  snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// Reads the dialog into |food|. A field that is no number gets its note; returns false then.
bool read_food(FoodDialog *fd, OwnFood *food) {
  bool sound = true;
  GtkWidget *first_bad = nullptr;
  const char *not_a_number = _("Type a number, or leave it empty when the label does not say.");
  gchar *name = g_strstrip(g_strdup(gtk_entry_get_text(GTK_ENTRY(fd->name))));
  food->name = name;
  g_free(name);
  double serving = 0.0;
  if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(fd->per_100g))) {
    serving = 100.0;
  } else if (!decimal_parse(gtk_entry_get_text(GTK_ENTRY(fd->serving)), &serving)) {
    set_note(fd->dialog, "own-note-serving", _("Type the serving's weight in grams."));
    first_bad = fd->serving;
    sound = false;
  }
  food->serving_g = serving;
  food->known = 0;
  for (int source = 0; source < NUTRIENT_SOURCE_COUNT; source++) {
    food->values[source] = 0.0;
    if (!fd->values[source]) continue;
    const char *text = gtk_entry_get_text(GTK_ENTRY(fd->values[source]));
    gchar *blank = g_strstrip(g_strdup(text));
    const bool empty = blank[0] == '\0';
    g_free(blank);
    if (empty) continue;
    double value = 0.0;
    if (!decimal_parse(text, &value)) {
      char note[64];
      snprintf(note, sizeof note, "own-note-value-%d", source);
      set_note(fd->dialog, note, not_a_number);
      gtk_style_context_add_class(gtk_widget_get_style_context(fd->values[source]), "error");
      if (!first_bad) first_bad = fd->values[source];
      sound = false;
      continue;
    }
    food->values[source] = value / fd->typed_per_stored[source];
    food->known |= 1u << source;
  }
  food->counts_like = fd->counts_like;
  if (first_bad) mark_field(first_bad);
  return sound;
}

void food_dialog_save(FoodDialog *fd) {
  own_dialog_clear_notes(fd->dialog);
  OwnFood food = fd->food;
  food.kind = OWN_FOOD;
  if (!read_food(fd, &food)) return;
  own_dialog_store(fd->state, fd->dialog, &food, _("The food was not saved."), fd->saved);
}

GtkWidget *grid_label(const char *text) {
  GtkWidget *label = gtk_label_new_with_mnemonic(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  return label;
}

void add_value_rows(FoodDialog *fd, GtkWidget *grid, const ValueRow *rows, size_t count) {
  for (size_t i = 0; i < count; i++) {
    const ValueRow &row = rows[i];
    GtkWidget *label = grid_label(_(row.label));
    GtkWidget *entry = gtk_entry_new();
    char name[64];
    snprintf(name, sizeof name, "own-value-%d", row.source);
    gtk_widget_set_name(entry, name);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 8);
    gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_NUMBER);
    if (row.source != SOURCE_ENERGY)
      // Translators: placeholder of a nutrient field of the own food dialog
      gtk_entry_set_placeholder_text(GTK_ENTRY(entry), _("unknown"));
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
    atk_object_set_name(gtk_widget_get_accessible(entry), _(row.label));
    field_activates_default(entry);
    const int source = row.source;
    if (fd->food.known & (1u << source))
      gtk_entry_set_text(GTK_ENTRY(entry), number_text(fd->food.values[source] * row.typed_per_stored).c_str());
    snprintf(name, sizeof name, "own-note-value-%d", row.source);
    const int top = static_cast<int>(i);
    gtk_grid_attach(GTK_GRID(grid), label, 0, top, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), entry, 1, top, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), own_note_label(name), 2, top, 1, 1);
    fd->values[source] = entry;
    fd->typed_per_stored[source] = row.typed_per_stored;
  }
}

GtkWidget *value_grid() {
  GtkWidget *grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  return grid;
}

}  // namespace

GtkWidget *food_picker_new(GuiState *state, int kinds, const char *placeholder, FoodPicked picked) {
  auto *picker = new Picker;
  picker->state = state;
  picker->kinds = kinds;
  picker->picked = std::move(picked);
  GtkWidget *box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  g_object_set_data_full(G_OBJECT(box), KEY_FOOD_PICKER, picker, picker_free);
  picker->entry = gtk_search_entry_new();
  gtk_widget_set_name(picker->entry, "food-picker-entry");
  if (placeholder) gtk_entry_set_placeholder_text(GTK_ENTRY(picker->entry), placeholder);
  if (placeholder) atk_object_set_name(gtk_widget_get_accessible(picker->entry), placeholder);
  picker->list = gtk_list_box_new();
  gtk_widget_set_name(picker->list, "food-picker-list");
  gtk_widget_set_can_focus(picker->list, FALSE);
  gtk_list_box_set_activate_on_single_click(GTK_LIST_BOX(picker->list), TRUE);
  gtk_widget_set_no_show_all(picker->list, TRUE);
  gtk_box_pack_start(GTK_BOX(box), picker->entry, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), picker->list, FALSE, FALSE, 0);
  connect_signal(picker->entry, "changed", G_CALLBACK(on_picker_changed), picker);
  connect_signal(picker->entry, "activate", G_CALLBACK(on_picker_activate), picker);
  connect_signal(picker->entry, "key-press-event", G_CALLBACK(on_picker_key_press), picker);
  connect_signal(picker->list, "row-activated", G_CALLBACK(on_picker_row_activated), picker);
  return box;
}

GtkWidget *food_picker_entry(GtkWidget *picker) {
  auto *record = static_cast<Picker *>(g_object_get_data(G_OBJECT(picker), KEY_FOOD_PICKER));
  return record ? record->entry : nullptr;
}

void own_dialog_show_fault(GtkWidget *dialog, const OwnFault &fault) {
  // Where each field's fault is said, and the field; the names of a value and of an
  // ingredient's amount end in the number of its nutrient or its item.
  static const struct {
    OwnField field;
    const char *note;
    const char *widget;
  } places[] = {
      {OWN_FIELD_NAME, "own-note-name", "own-name"},
      {OWN_FIELD_SERVING, "own-note-serving", "own-serving"},
      {OWN_FIELD_VALUE, "own-note-value-", "own-value-"},
      {OWN_FIELD_PORTIONS, "own-note-portions", "own-portions"},
      {OWN_FIELD_COOKED, "own-note-cooked", "own-cooked"},
      {OWN_FIELD_ITEMS, "own-note-items", "own-item-amount-"},
  };
  std::string note = "own-note-general";
  std::string field;
  for (const auto &place : places) {
    if (place.field != fault.field) continue;
    note = place.note;
    field = place.widget;
    if (fault.field == OWN_FIELD_VALUE) {
      note += std::to_string(fault.source);
      field += std::to_string(fault.source);
    } else if (fault.field == OWN_FIELD_ITEMS) {
      // The list as a whole has no field of its own.
      field = fault.item >= 0 ? field + std::to_string(fault.item) : std::string();
    }
  }
  if (!find_named(dialog, note.c_str())) note = "own-note-general";
  set_note(dialog, note.c_str(), fault.message.c_str());
  if (!field.empty()) mark_field(find_named(dialog, field.c_str()));
}

GtkWidget *own_note_label(const char *name) {
  GtkWidget *note = gtk_label_new(nullptr);
  gtk_widget_set_name(note, name);
  gtk_label_set_xalign(GTK_LABEL(note), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(note), 40);
  gtk_style_context_add_class(gtk_widget_get_style_context(note), "error");
  gtk_widget_set_no_show_all(note, TRUE);
  return note;
}

void own_dialog_clear_notes(GtkWidget *root) {
  const char *name = gtk_widget_get_name(root);
  if (GTK_IS_LABEL(root) && g_str_has_prefix(name, "own-note-")) {
    gtk_label_set_text(GTK_LABEL(root), "");
    gtk_widget_hide(root);
  }
  if (GTK_IS_ENTRY(root))
    gtk_style_context_remove_class(gtk_widget_get_style_context(root), "error");
  if (!GTK_IS_CONTAINER(root)) return;
  GList *children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList *l = children; l; l = l->next) own_dialog_clear_notes(GTK_WIDGET(l->data));
  g_list_free(children);
}

void own_food_saved(GuiState *state) {
  if (state->main_window) refresh_views(state);
  my_foods_window_reload(state);
}

GtkWidget *own_dialog_new(const char *title, GtkWindow *parent) {
  GtkWidget *dialog = gtk_dialog_new_with_buttons(title, parent, kDialogFlags, _("_Cancel"),
                                                  GTK_RESPONSE_CANCEL, _("_Save"),
                                                  GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  window_ignore_held_enter(dialog);
  return dialog;
}

GtkWidget *own_entry_count_label(GuiState *state, int32_t food_code) {
  const int entries = own_food_entry_count(state->log_db, food_code);
  if (entries <= 0) return nullptr;
  char text[256];
  snprintf(text, sizeof text,
           ngettext("Logged in %d entry: saving changes it too.",
                    "Logged in %d entries: saving changes them all.",
                    static_cast<unsigned long>(entries)),
           entries);
  GtkWidget *count = gtk_label_new(text);
  gtk_widget_set_name(count, "own-entry-count");
  gtk_label_set_xalign(GTK_LABEL(count), 0.0f);
  return count;
}

bool own_dialog_store(GuiState *state, GtkWidget *dialog, OwnFood *food, const char *not_saved,
                      OwnSaved saved) {
  OwnFault fault;
  const int rc = own_food_save(state->log_db, food, &fault);
  if (rc == 1) {
    own_dialog_show_fault(dialog, fault);
    return false;
  }
  if (rc != 0) {
    show_write_failure(GTK_WINDOW(dialog), not_saved, log_db_error_text(state->log_db));
    return false;
  }
  // |saved| is a copy: the dialog's record, which may hold the original, goes with it.
  gtk_widget_destroy(dialog);
  own_food_saved(state);
  if (saved) saved(*food);
  return true;
}

// "notify::expanded" of "More nutrients": its fields are there only while it is open.
static void on_more_expanded(GObject *expander, GParamSpec *, gpointer more_values) {
  gtk_widget_set_visible(GTK_WIDGET(more_values),
                         gtk_expander_get_expanded(GTK_EXPANDER(expander)));
}

GtkWidget *own_food_dialog_open(GuiState *state, GtkWindow *parent, const OwnFood *food,
                                const char *name, OwnSaved saved) {
  auto *fd = new FoodDialog;
  fd->state = state;
  fd->saved = std::move(saved);
  if (food) fd->food = *food;
  if (!food && name) fd->food.name = name;
  fd->counts_like = fd->food.counts_like;
  const bool is_new = fd->food.food_code == 0;
  GtkWidget *dialog = fd->dialog =
      own_dialog_new(is_new ? _("New Food") : _("Edit Food"), parent);
  g_object_set_data_full(G_OBJECT(dialog), KEY_FOOD_DIALOG, fd, food_dialog_free);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));

  GtkWidget *count = is_new ? nullptr : own_entry_count_label(state, fd->food.food_code);
  if (count) gtk_box_pack_start(GTK_BOX(content), count, FALSE, FALSE, 0);

  GtkWidget *grid = value_grid();
  GtkWidget *name_label = grid_label(_("_Name:"));
  fd->name = gtk_entry_new();
  gtk_widget_set_name(fd->name, "own-name");
  gtk_entry_set_text(GTK_ENTRY(fd->name), fd->food.name.c_str());
  gtk_entry_set_width_chars(GTK_ENTRY(fd->name), 30);
  gtk_label_set_mnemonic_widget(GTK_LABEL(name_label), fd->name);
  field_activates_default(fd->name);
  gtk_grid_attach(GTK_GRID(grid), name_label, 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), fd->name, 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), own_note_label("own-note-name"), 2, 0, 1, 1);

  GtkWidget *serving_label = grid_label(_("Serving (_g):"));
  fd->serving = gtk_entry_new();
  gtk_widget_set_name(fd->serving, "own-serving");
  gtk_entry_set_width_chars(GTK_ENTRY(fd->serving), 8);
  gtk_entry_set_text(GTK_ENTRY(fd->serving), number_text(fd->food.serving_g).c_str());
  gtk_label_set_mnemonic_widget(GTK_LABEL(serving_label), fd->serving);
  field_activates_default(fd->serving);
  // Translators: check button of the own food dialog: the label's values are per 100 g
  fd->per_100g = gtk_check_button_new_with_mnemonic(_("Values per _100 g"));
  gtk_widget_set_name(fd->per_100g, "own-per-100g");
  GtkWidget *serving_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_box_pack_start(GTK_BOX(serving_box), fd->serving, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(serving_box), fd->per_100g, FALSE, FALSE, 0);
  gtk_grid_attach(GTK_GRID(grid), serving_label, 0, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), serving_box, 1, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), own_note_label("own-note-serving"), 2, 1, 1, 1);
  gtk_box_pack_start(GTK_BOX(content), grid, FALSE, FALSE, 0);

  GtkWidget *heading = grid_label(_("The label's values per serving; empty when it does not say:"));
  gtk_box_pack_start(GTK_BOX(content), heading, FALSE, FALSE, 0);
  GtkWidget *main_values = value_grid();
  add_value_rows(fd, main_values, kMainValues, G_N_ELEMENTS(kMainValues));
  gtk_box_pack_start(GTK_BOX(content), main_values, FALSE, FALSE, 0);
  GtkWidget *expander = gtk_expander_new_with_mnemonic(_("_More nutrients"));
  GtkWidget *more_values = value_grid();
  gtk_widget_set_margin_top(more_values, 6);
  add_value_rows(fd, more_values, kMoreValues, G_N_ELEMENTS(kMoreValues));
  gtk_container_add(GTK_CONTAINER(expander), more_values);
  // GTK's expander lets Tab into a closed expander's child while it is visible, and so into
  // fields nobody sees: the child is shown only while the expander is open.
  gtk_widget_show_all(more_values);
  gtk_widget_set_no_show_all(more_values, TRUE);
  gtk_widget_hide(more_values);
  connect_signal(expander, "notify::expanded", G_CALLBACK(on_more_expanded), more_values);
  gtk_box_pack_start(GTK_BOX(content), expander, FALSE, FALSE, 0);

  fd->counts_label = gtk_label_new(nullptr);
  gtk_widget_set_name(fd->counts_label, "own-counts-like");
  gtk_label_set_xalign(GTK_LABEL(fd->counts_label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(fd->counts_label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(fd->counts_label), 60);
  // Translators: button of the own food dialog that drops its "counts like" food
  fd->counts_clear = gtk_button_new_with_mnemonic(_("No _Food Groups"));
  GtkWidget *counts_row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_box_pack_start(GTK_BOX(counts_row), fd->counts_label, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(counts_row), fd->counts_clear, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), counts_row, FALSE, FALSE, 0);
  GtkWidget *picker = food_picker_new(
      state, PICK_FOOD_DB,
      // Translators: placeholder of the "counts like" search of the own food dialog
      _("Counts like a food of the database…"),
      [fd](int32_t code, const std::string &, const AmountText &) {
        fd->counts_like = code;
        show_counts_like(fd);
      });
  gtk_box_pack_start(GTK_BOX(content), picker, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), own_note_label("own-note-general"), FALSE, FALSE, 0);
  show_counts_like(fd);
  if (fd->food.serving_g == 100.0 && !is_new)
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(fd->per_100g), TRUE);
  connect_signal(fd->per_100g, "toggled", G_CALLBACK(on_per_100g_toggled), fd);
  connect_signal(fd->counts_clear, "clicked", G_CALLBACK(on_counts_clear_clicked), fd);
  connect_signal(dialog, "response",
                 G_CALLBACK((on_own_dialog_response<FoodDialog, food_dialog_save>)), fd);
  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
  if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(fd->per_100g)))
    gtk_widget_set_sensitive(fd->serving, FALSE);
  gtk_widget_grab_focus(fd->food.name.empty() ? fd->name : fd->serving);
  return dialog;
}
