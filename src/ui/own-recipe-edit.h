// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of a recipe and of a saved meal, made of ingredients picked with the ranked
// search, each in grams or in one of its food's household measures, and "Save as Meal…"
// from the entries of the date on display.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"
#include "ui/own-food-edit.h"

// Opens the dialog of the recipe or meal |food| (null: a new one of |kind|, OWN_RECIPE or
// OWN_MEAL) over |parent|. Each ingredient is a row of the grid "own-items": its
// description, an amount spin button and a measure chooser ("g" first, then the food's
// measures). A recipe also has "own-portions" and "own-cooked" (empty: not weighed). The
// label "own-totals" shows, as it is edited, the values of a portion (a recipe) or of the
// whole meal. Returns the dialog.
GtkWidget *own_recipe_dialog_open(GuiState *state, GtkWindow *parent, const OwnFood *food,
                                  OwnKind kind, OwnSaved saved);

// Adds |food_code| with |grams|, or |count| of its measure |measure| when it is not empty,
// to the ingredients of the dialog |dialog|, as the picker adds a food.
void own_recipe_dialog_add(GtkWidget *dialog, int32_t food_code, const char *description,
                           double grams, const char *measure, double count);

// Opens "Save as Meal" over the main window: the entries of the date on display, each with
// a check box (all checked: the whole day), and the meal's name "own-name". Returns the
// dialog, or null when the date has no entries (which it then says).
GtkWidget *save_meal_dialog_open(GuiState *state);
