// SPDX-License-Identifier: GPL-3.0-or-later
// The Nutrients window: the day on display against the nutritional goals of the profile's
// age-sex group. It follows the date on display and every change to the log.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"
#include "store/log-entries.h"

// Columns of the window's tree model.
enum NutrientColumn {
  NUTRIENT_COLUMN_NAME,         // "Calcium (mg)", or a section's title
  NUTRIENT_COLUMN_EATEN,        // "812.4", "812.4*"
  NUTRIENT_COLUMN_GOAL,         // "1000", "10-35"
  NUTRIENT_COLUMN_PERCENT,      // "81% (below)"
  NUTRIENT_COLUMN_KIND,         // "at least", "at most", "range"
  NUTRIENT_COLUMN_FOREGROUND,   // the mark's colour, or null
  NUTRIENT_COLUMN_WEIGHT,       // bold for section titles and marked rows
  NUTRIENT_COLUMN_DESCRIPTION,  // what the mark means, for the tooltip and screen readers
  NUTRIENT_COLUMN_COUNT
};

// The colour of a row outside its goal: the over-budget orange of the bars.
#define NUTRIENT_MARK_COLOR "#e66100"

// Opens the Nutrients window for the date on display, or brings the open one forward. A
// window closed before is shown again, filled anew if the log changed since.
void show_nutrients_window(GuiState *state);

// Builds the Nutrients window, hidden, once the main window has drawn its first frame and
// the main loop has nothing else to do, so that opening it needs only to show it. Does
// nothing when there is no main window or the Nutrients window exists.
void nutrients_window_prepare(GuiState *state);

// Refills the open Nutrients window (state->nutrients_window) for the date on display,
// from |entries|, the entries of that date that the caller has just read, or, when it is
// null, from those the last refresh_views read if the log has not changed since, else from
// the entries it reads itself. A closed (hidden) window is refilled when it is shown again.
void nutrients_window_refresh(GuiState *state, const LogEntryList *entries = nullptr);
