// SPDX-License-Identifier: GPL-3.0-or-later
// The weight of the main window: a field that logs the weight of the date on display, a
// line with its trend, weekly rate and energy balance, the quick-log field's "Log weight"
// suggestion, and the notification that offers the profile the trend's weight.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "app/gui-state.h"
#include "budget/weight-trend.h"

// Reads |text| as a weight typed in |unit| ("81.4", the locale's "81,4", with or without a
// unit "kg" or "lb" after it, which then counts instead). Returns true with |*kg| the
// weight in kilograms rounded to the 0.1 shown, or false with |*why| the message that says
// what is wrong (empty text, no number, outside 20 to 400 kg).
bool weight_text_read(const char *text, WeightUnit unit, double *kg, std::string *why);

// Whether the quick-log field's |text| names a weight: "weight 81.4" (with or without a
// unit) or a number followed by "kg" or "lb", within 20 to 400 kg. Then |*kg| is the weight
// and |*row| the suggestion's text, "Log weight 81.4 kg". A number without a unit is in the
// unit of the last redraw of the main window: the keys of the field read nothing from the log.
bool weight_query_read(GuiState *state, const char *text, double *kg, std::string *row);

// The unit the person chose in the profile dialog, kilograms when none (or unreadable).
WeightUnit weight_unit_of(GuiState *state);

// |kg| as the person reads it: "81.4 kg" or "179.5 lb", in the locale's number form.
std::string weight_text(double kg, WeightUnit unit);

// Builds the weight row for the end of the main window's box and adds the window action
// "win.weight" (the field takes the focus). Call before quick_log_install.
GtkWidget *weight_view_build(GuiState *state);

// Puts the offer notification under the quick log's one in |overlay| (what quick_log_install
// returned). Call after quick_log_install.
void weight_view_install_offer(GuiState *state, GtkWidget *overlay);

// Fills the field with the weight of the date on display (unless the person is typing in
// it) and the trend line. Called by every redraw of the main window.
void weight_view_refresh(GuiState *state);

// Logs |kg| as the weight of the date on display, with the notification that offers Undo and
// then, when the trend is far enough from the profile's weight, the offer to update it.
// Returns false after telling the person why it failed (the field keeps its text).
bool weight_view_log(GuiState *state, double kg);

// "activate" of the weight field: logs what it holds, or says what is wrong with it.
void on_weight_entry_activate(GtkEntry *entry, gpointer state);

// The weight field, the trend line, the line that says what is wrong with a typed weight,
// the offer's revealer and label, and its "Update" button; null without a main window.
GtkWidget *weight_view_field(GuiState *state);
GtkWidget *weight_view_trend_label(GuiState *state);
GtkWidget *weight_view_error_label(GuiState *state);
GtkWidget *weight_view_offer(GuiState *state);
GtkWidget *weight_view_offer_label(GuiState *state);
GtkWidget *weight_view_offer_button(GuiState *state);

// "clicked" of the offer's "Update Profile" and "Keep" buttons.
void on_weight_offer_update_clicked(GtkButton *button, gpointer state);
void on_weight_offer_keep_clicked(GtkButton *button, gpointer state);
