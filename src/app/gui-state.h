// SPDX-License-Identifier: GPL-3.0-or-later
// The application state record handed to every handler of the main window and its dialogs.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "budget/date-string.h"
#include "budget/food-groups.h"

struct sqlite3;

// One per run. Owns nothing: the handles belong to main, the widgets to GTK.
struct GuiState {
  sqlite3 *food_db;                         // read-only reference database
  sqlite3 *log_db;                          // the user's log database
  int32_t calorie_target;                   // kcal; the budget on display
  GtkWidget *main_window;                   // the application window
  GtkWidget *budget_box;                    // box inside "Daily Budget"
  GtkWidget *log_list_box;                  // one row per entry
  GtkWidget *budget_label;                  // label above the bars
  GtkWidget *log_frame;                     // "Food Log" frame
  char current_date[DATE_STRING_SIZE];      // the date on display
  GtkWidget *group_bars[FOOD_GROUP_COUNT];  // in food-group order
  GtkWidget *history_window;                // the open History window, or null
  GtkWidget *energy_bar;                    // energy eaten against the calorie target
  GtkWidget *nutrients_window;              // the Nutrients window (hidden when closed), or null
};
