// SPDX-License-Identifier: GPL-3.0-or-later
// The History window: the 7 or 30 days ending on a date as a chart of the food groups and
// the energy against the budget, and as a table; its days open in the main window, and what
// it shows can be exported as SVG, PNG or CSV.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"
#include "report/report-range.h"

// Opens the History window for the |days| days (7 or 30) ending on the date on display,
// transient for the main window; presents it as it is when it is open already
// (state->history_window).
void show_history_window(GuiState *state, int days = 7);

// Reads the days of an open History window again and redraws it; does nothing when none is
// open. Called at the end of every refresh of the main window.
void history_window_refresh(GuiState *state);

// Shows in |window| the |days| days (7 or 30) ending on |end_date| ("YYYY-MM-DD"; another
// text means today), as its toggles and arrows do.
void history_window_show_days(GtkWidget *window, const char *end_date, int days);

// The first and last day |window| shows, into DATE_STRING_SIZE buffers.
void history_window_period(GtkWidget *window, char *from, char *to);

// The kinds of file History exports.
enum class HistoryExport { kSvg, kPng, kCsv };

// Writes what |window| shows to |path| as |kind|: the chart as an A4 page (SVG) or an image
// of the chart's size on screen (PNG), or the period's entries in alimora-report's CSV
// format. The file is complete or not there. Returns false after printing why (and saying
// so in the window).
bool history_window_export(GtkWidget *window, const char *path, HistoryExport kind);

// The colours of the History chart drawn in |area|: the theme's text colour on the window's
// background, the bands of days without entries and the bars strong enough to keep 3:1
// and 4.5:1 against it.
ChartPalette history_chart_palette(GtkWidget *area);
