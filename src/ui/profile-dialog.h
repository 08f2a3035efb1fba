// SPDX-License-Identifier: GPL-3.0-or-later
// The profile dialog and the "Profile Required" message.
#pragma once

#include <gtk/gtk.h>

#include "budget/date-string.h"

// Writes the birth date typed as year-month-day (read with "%d-%d-%d") into |out|
// (DATE_STRING_SIZE bytes) as a date string YYYY-MM-DD. Text that does not read as three
// numbers, or numbers that do not fit that form (negative ones, a year above 9999, a month
// or day above 99), leave the empty text. Month and day are otherwise not range-tested.
// Returns |out|.
char *profile_birth_date_format(const char *text, char out[DATE_STRING_SIZE]);

// Builds and shows the profile dialog, prefilled from the stored profile; returns at once.
// Has the form of a "clicked" handler; |button| is not used, |state| is the GuiState.
void show_profile_dialog(GtkButton *button, gpointer state);

// "response" of the profile dialog; |state| is the GuiState.
void on_profile_response(GtkDialog *dialog, gint response_id, gpointer state);
