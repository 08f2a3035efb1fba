// SPDX-License-Identifier: GPL-3.0-or-later
// Going to any day: a button in the nav row of the "Food Log" frame, labelled with the date
// on display, whose popover holds a calendar; the days of the shown month that have entries
// are marked. Picking a day shows it, logged or not.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"

// Object data of the main window: the day picker's own record.
#define KEY_DAY_PICKER "day-picker"

// Adds the date button at the end of |nav| and the window action "win.go-to-date", which
// opens its calendar. Call once, while the main window is built.
void day_picker_add(GuiState *state, GtkWidget *nav);

// Called by refresh_views: the date on display reads |date_text| (in the locale's form).
// Does nothing without a day picker.
void day_picker_view_changed(GuiState *state, const char *date_text);

// The date button, or null.
GtkWidget *day_picker_button(GuiState *state);

// The calendar of its popover, or null.
GtkWidget *day_picker_calendar(GuiState *state);

// "day-selected" of the calendar: shows the day picked and closes the popover.
void on_day_picked(GtkCalendar *calendar, gpointer state);
