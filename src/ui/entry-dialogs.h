// SPDX-License-Identifier: GPL-3.0-or-later
// Editing and deleting a food log entry from its row in the main window.
#pragma once

#include <gtk/gtk.h>

// "clicked" of a row's "Edit": shows the edit dialog; |state| is the GuiState.
void on_edit_clicked(GtkButton *button, gpointer state);

// "response" of the edit dialog; |state| is the GuiState.
void on_edit_response(GtkDialog *dialog, gint response_id, gpointer state);

// "clicked" of a row's "Delete": asks for confirmation and deletes; |state| is the GuiState.
void on_delete_clicked(GtkButton *button, gpointer state);
