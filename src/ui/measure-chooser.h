// SPDX-License-Identifier: GPL-3.0-or-later
// The amount and household measure that the add-to-log and edit dialogs offer next to the
// number of servings (one serving is 100 g of the food).
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>

struct sqlite3;

// Packs "=", an amount spin button (1 by default), "×" and a chooser of the food's measures
// ("100 g" first, then USDA's measures with their weight, "1 cup (244 g)") into |row| after
// the servings spin button, and gives |servings_label| a tooltip saying what a serving is.
// Choosing a measure or changing the amount sets |servings_spin| to amount x grams / 100,
// rounded to two decimals; the servings stay editable by hand. When that lies outside the
// servings' range, a note says so (and measure_chooser_commit refuses) until amount,
// measure or servings change; the same note says the range of a typed number that the
// servings or the amount refuse. The caller packs the note (measure_chooser_note) below
// |row|, where it wraps to the dialog's width. A measure too long for the chooser is cut
// in the middle, with the whole of it in the chooser's tooltip.
void measure_chooser_add(GtkWidget *row, GtkWidget *servings_label, GtkWidget *servings_spin,
                         sqlite3 *food_db, int32_t food_code);

// The note of the measure chooser of |servings_spin|, hidden while it has nothing to say, or
// null.
GtkWidget *measure_chooser_note(GtkWidget *servings_spin);

// Takes an amount that was typed but not yet confirmed into the servings, before they are
// read. Returns false when the amount is no number or out of its range, or when amount and
// measure give servings outside the servings' range (the amount is then marked and
// focused); true otherwise, also when |servings_spin| has no measure chooser.
bool measure_chooser_commit(GtkWidget *servings_spin);

// Keeps a header above the nutrient grid naming the amount its values are for
// ("Nutrients in 244 g"), renewed after every rebuild of the grid by a change of servings.
void nutrient_grid_name_amount(GtkWidget *grid, GtkWidget *servings_spin);

// Shows |count| times |measure| of |measure_g| grams in the measure chooser of
// |servings_spin|, and the servings they make: one of the food's measures, or one added to
// the chooser for a unit the food database does not list ("1 fl oz"); a measure in grams
// shows as that many times "100 g".
void measure_chooser_set(GtkWidget *servings_spin, const char *measure, double measure_g,
                         double count);

// The measure the servings of |servings_spin| follow: true with its name, weight and count
// when one of the food's measures is chosen and the servings are that many of it; false for
// "100 g" and for servings typed by hand.
bool measure_chooser_get(GtkWidget *servings_spin, std::string *measure, double *measure_g,
                         double *count);

// Shows the amount a food never logged starts at (amount_first_measure) in the measure
// chooser of |servings_spin|, for the food |food_code| of |food_db|.
void measure_chooser_start_first(GtkWidget *servings_spin, sqlite3 *food_db, int32_t food_code);
