// SPDX-License-Identifier: GPL-3.0-or-later
// The "Search Foods" dialog and the add-to-log dialog with its nutrient grid.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "app/gui-state.h"

// "clicked" of "Search": builds and shows the search dialog; |state| is the GuiState.
void on_search_clicked(GtkButton *button, gpointer state);

// "search-changed" of the search entry; |store| is the result list store.
void on_search_changed(GtkSearchEntry *entry, gpointer store);

// "activate" of the search entry (Enter): opens the add-to-log dialog for the selected
// result, or for the first one; |view| is the result view.
void on_search_activate(GtkEntry *entry, gpointer view);

// "key-press-event" of the search entry: Down moves the focus to the first result; |view|
// is the result view.
gboolean on_search_key_press(GtkWidget *entry, GdkEventKey *event, gpointer view);

// "row-activated" of the result view: opens the add-to-log dialog; |state| is the GuiState.
void on_food_row_activated(GtkTreeView *view, GtkTreePath *path, GtkTreeViewColumn *column,
                           gpointer state);

// Builds and shows the add-to-log dialog of the food |food_code| (|description|), its
// calendar on today; returns it. "Add to Log" logs the food and refreshes the view.
GtkWidget *add_dialog_open(GuiState *state, int32_t food_code, const char *description);

// "value-changed" of the servings spin button; |dialog| is the add-to-log dialog.
void on_servings_changed(GtkSpinButton *spin, gpointer dialog);

// "response" of the add-to-log dialog; |state| is the GuiState.
void on_add_response(GtkDialog *dialog, gint response_id, gpointer state);

// Rebuilds |grid| with the food's nutrients and equivalents, each times |factor|.
void fill_nutrient_grid(GtkWidget *grid, sqlite3 *handle, int32_t food_code, double factor);
