// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard shortcuts of the main window and the application, and the window that
// lists them.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"

// Adds the actions of the main window ("win.search", "win.previous-date", "win.next-date",
// "win.today", "win.history", "win.profile", "win.nutrients", "win.shortcuts",
// "win.primary-menu", "win.close") and of the application
// ("app.quit"), and their accelerators, with those of the quick log's actions
// ("win.quick-log", "win.undo"). |state| has its main window.
void shortcuts_install(GtkApplication *application, GuiState *state);

// Builds and shows the Keyboard Shortcuts window over the main window.
void show_shortcuts_window(GuiState *state);
