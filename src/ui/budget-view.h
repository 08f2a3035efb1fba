// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's budget bars and food log list, and moving between dates.
#pragma once

#include <gtk/gtk.h>

#include "app/gui-state.h"
#include "budget/date-string.h"
#include "store/log-entries.h"

// Style class of a budget bar whose consumed amount is above its budget.
#define BAR_OVER_BUDGET_CLASS "over-budget"

// Redraws the bars, the two labels and the entry list for the date on display.
void refresh_views(GuiState *state);

// The entries of the date on display as the last refresh_views read them, when the log has
// not changed since (no write through the state's log connection, no commit of another
// connection); otherwise null. Valid until the next refresh_views.
const LogEntryList *refresh_views_entries(GuiState *state);

// Moves the view to |date| (a date string, cut to its first ten bytes) and redraws.
void view_show_date(GuiState *state, const char *date);

// |date| in the locale's date form, as the view's labels show it, in UTF-8; |out| has
// DISPLAY_DATE_SIZE bytes. Returns |out|.
const char *view_date_text(const char *date, char *out);

// "clicked" of the date navigation buttons; |state| is the GuiState.
void on_prev_date_clicked(GtkButton *button, gpointer state);
void on_today_clicked(GtkButton *button, gpointer state);
void on_next_date_clicked(GtkButton *button, gpointer state);

