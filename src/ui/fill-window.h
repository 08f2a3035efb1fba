// SPDX-License-Identifier: GPL-3.0-or-later
// The "Fill the Day" window: what is left of the day on display (energy, food groups under
// budget, nutrients below their goal) and about ten foods whose usual portion fills it.
// Enter or a click on one logs it on that day as the quick log does, with Undo.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/gui-state.h"

// Columns of the window's list.
enum FillColumn {
  FILL_COLUMN_DESCRIPTION,  // the food's description
  FILL_COLUMN_PORTION,      // "1 cup (244 g)"
  FILL_COLUMN_ADDS,         // "+1.0 cup-eq Vegetables, +420 mg Potassium, 90 kcal"
  FILL_COLUMN_FOOD_CODE,    // int
  FILL_COLUMN_SERVINGS,     // double: the portion in servings
  FILL_COLUMN_COUNT
};

// Opens the window for the date on display, or brings the open one forward with its list
// computed again.
void show_fill_window(GuiState *state);

// The open window, or null.
GtkWidget *fill_window_of(GuiState *state);

// Computes the open window's list again for the date on display (after every refresh_views).
// Does nothing when the window is not open.
void fill_window_refresh(GuiState *state);

// The texts on show: the lines of what is left, and one "description — portion: adds" line a
// suggestion.
std::vector<std::string> fill_window_left_texts(GtkWidget *window);
std::vector<std::string> fill_window_suggestion_texts(GtkWidget *window);

// Logs the suggestion at |row| (0 the first), as activating it does. Returns false when
// there is no such row.
bool fill_window_log_row(GtkWidget *window, int row);
