// SPDX-License-Identifier: GPL-3.0-or-later
// "My Foods": the person's own foods, recipes and saved meals, with their dialogs, deletion,
// and Export… and Import… of them as a file of alimora-foods.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "app/gui-state.h"

// Object data of the main window: the My Foods window while it is open.
#define KEY_MY_FOODS_WINDOW "my-foods-window"

// Columns of the window's list ("my-foods-list").
enum {
  MY_FOODS_COL_CODE,    // int: food_code
  MY_FOODS_COL_KIND,    // string: "Food", "Recipe" or "Meal"
  MY_FOODS_COL_NAME,    // string
  MY_FOODS_COL_ENERGY,  // string: "250 kcal per serving (55 g)"
  MY_FOODS_COL_COUNT
};

// Shows the My Foods window (made on first use) and returns it.
GtkWidget *show_my_foods_window(GuiState *state);

// Reads the list of the open My Foods window again; does nothing when it is not open.
void my_foods_window_reload(GuiState *state);

// Selects the row of |food_code| in the list of |window|; false when there is none.
bool my_foods_window_select(GtkWidget *window, int32_t food_code);

// Writes every own food, recipe and meal to |path| and tells how it went in a message over
// |window|. Returns whether it wrote.
bool my_foods_export_to(GtkWidget *window, const char *path);

// Reads the file |path| into the log and tells in a message over |window| what was added,
// what skipped (already there) and the warnings, or why nothing was. Returns whether it read.
bool my_foods_import_from(GtkWidget *window, const char *path);
