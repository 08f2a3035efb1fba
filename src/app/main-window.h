// SPDX-License-Identifier: GPL-3.0-or-later
// The application object, the main window and the About message.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "app/gui-state.h"

// Fills a GuiState, creates and runs the GtkApplication with the unchanged arguments.
// Returns the run's status.
int run_application(sqlite3 *food_db, sqlite3 *log_db, int32_t calorie_target, int argc,
                    char **argv);

// "activate": builds the main window (or presents it when it already exists), draws the
// first view and asks for the profile when the stored one is incomplete.
void on_activate(GtkApplication *application, gpointer state);

// "clicked" of "About": shows the About message.
void on_about_clicked(GtkButton *button, gpointer state);
