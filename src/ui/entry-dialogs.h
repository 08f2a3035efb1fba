// SPDX-License-Identifier: GPL-3.0-or-later
// Editing and deleting a food log entry from its row in the main window.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

// An entry's row id as object data of |object| (a row's buttons, the edit dialog). Row ids
// are 64-bit, wider than a pointer-sized integer on some systems, so a copy is stored.
void entry_id_set(GObject *object, int64_t id);
// The id stored by entry_id_set, or 0 when there is none.
int64_t entry_id_get(GObject *object);

// "clicked" of a row's "Edit": shows the edit dialog; |state| is the GuiState.
void on_edit_clicked(GtkButton *button, gpointer state);

// "response" of the edit dialog; |state| is the GuiState.
void on_edit_response(GtkDialog *dialog, gint response_id, gpointer state);

// "clicked" of a row's "Delete": asks for confirmation and deletes; |state| is the GuiState.
void on_delete_clicked(GtkButton *button, gpointer state);
