// SPDX-License-Identifier: GPL-3.0-or-later
// The profile dialog and the "Profile Required" message.
#pragma once

#include <gtk/gtk.h>

// Builds and shows the profile dialog, prefilled from the stored profile; returns at once.
// Has the form of a "clicked" handler; |button| is not used, |state| is the GuiState.
void show_profile_dialog(GtkButton *button, gpointer state);

// "response" of the profile dialog; |state| is the GuiState.
void on_profile_response(GtkDialog *dialog, gint response_id, gpointer state);
