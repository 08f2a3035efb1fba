// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog of an own food typed from a label, and the ranked food picker that it, the
// recipe dialog and the meal dialog share.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/gui-state.h"
#include "fooddb/amount-text.h"
#include "store/own-foods.h"
#include "ui/dialog-util.h"

// Which foods a picker offers.
enum FoodPickerKinds {
  PICK_FOOD_DB = 1,     // foods of the food database
  PICK_OWN = 2,         // own foods and recipes
  PICK_MEALS = 4,       // saved meals
};

// Called with the food picked and the amount typed with it (kNoAmount when none).
using FoodPicked = std::function<void(int32_t food_code, const std::string &description,
                                      const AmountText &typed)>;

// A search field with the foods ranked for its text under it, as the quick-log field ranks
// them; Down and Up move through them, Enter (or a click) picks one and empties the field.
// The field is named "food-picker-entry", the list "food-picker-list".
GtkWidget *food_picker_new(GuiState *state, int kinds, const char *placeholder,
                           FoodPicked picked);

// The search field of the picker |picker|.
GtkWidget *food_picker_entry(GtkWidget *picker);

// Called once a dialog has saved |food| (its code filled in).
using OwnSaved = std::function<void(const OwnFood &food)>;

// Opens the dialog of the own food |food| (null: a new one named |name|, which may be null)
// over |parent|. Save checks and stores it; a fault is said next to its field and nothing is
// stored, with what was typed kept. The fields are named "own-name", "own-serving",
// "own-per-100g", "own-value-N" (N a NutrientSource), their notes "own-note-name",
// "own-note-serving", "own-note-value-N"; the line that says how many entries use the food
// "own-entry-count", the "Counts like" line "own-counts-like". Returns the dialog.
GtkWidget *own_food_dialog_open(GuiState *state, GtkWindow *parent, const OwnFood *food,
                                const char *name, OwnSaved saved);

// Shows the fault of a refused save in |dialog| (one of the own dialogs): its message next to
// the field it is about, which takes the focus.
void own_dialog_show_fault(GtkWidget *dialog, const OwnFault &fault);

// A note of an own dialog, named |name| ("own-note-..."): hidden until it says something.
GtkWidget *own_note_label(const char *name);

// Hides every note below |root| and unmarks every field.
void own_dialog_clear_notes(GtkWidget *root);

// The own dialogs' shared ending of a save: the views are redrawn (entries that use the food
// change with it) and the My Foods window, when open, shows the list anew.
void own_food_saved(GuiState *state);

// Makes an own dialog titled |title| over |parent| with "Cancel" and "Save", Save the default
// response. Returns the dialog; its "response" is connected by the caller.
GtkWidget *own_dialog_new(const char *title, GtkWindow *parent);

// The line of an edit dialog that says how many entries the own food |food_code| is logged
// in, named "own-entry-count"; null when it is in none.
GtkWidget *own_entry_count_label(GuiState *state, int32_t food_code);

// Saves |food| (its code filled in) from the own dialog |dialog|. A refused save shows its
// fault in the dialog and a failed write says |not_saved| (translated) over it; the dialog
// stays then with what was typed. Once stored, the dialog is destroyed, the views are redrawn
// (own_food_saved) and |saved|, when set, is called. Returns whether it stored.
bool own_dialog_store(GuiState *state, GtkWidget *dialog, OwnFood *food, const char *not_saved,
                      OwnSaved saved);

// The "response" handler of an own dialog whose record is a |Record|: Save calls |save| with
// it, every other answer destroys the dialog.
template <typename Record, void (*save)(Record *)>
void on_own_dialog_response(GtkDialog *dialog, gint response, gpointer record) {
  run_guarded("on_own_dialog_response", [&] {
    if (response == GTK_RESPONSE_ACCEPT)
      save(static_cast<Record *>(record));
    else
      gtk_widget_destroy(GTK_WIDGET(dialog));
  });
}
