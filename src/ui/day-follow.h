// SPDX-License-Identifier: GPL-3.0-or-later
// The main window follows the local date: when a new day begins and the day on display was
// today, the view moves to the new today, so that "Today" never labels yesterday and a quick
// log never goes to a day the person did not see.
#pragma once

#include <ctime>

#include "app/gui-state.h"

// Starts following the date for the main window of |state|, today being the date on
// display: a timer to the next local midnight on the real-time clock (which counts the time
// of a suspend, and is set anew when the clock is set), a watch on the time zone
// (/etc/localtime), and the window's focus-in. Call once the window is built.
void day_follow_install(GuiState *state);

// Looks at the local date now. When it is no longer the today the window last knew: the date
// on display moves to the new today if it showed the old one, and the view is redrawn.
// Returns true when the date on display moved, false otherwise (also without a main window).
bool day_follow_check(GuiState *state);

// As day_follow_check, but without the redraw (for refresh_views itself): true when the
// date on display moved.
bool day_follow_update(GuiState *state);

// The first second of the local day after the one of |now| (midnight, or the first second
// that exists when a change of clocks skips midnight).
time_t day_follow_next_midnight(time_t now);
