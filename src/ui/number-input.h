// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers typed into spin buttons: "2.5" and the locale's "2,5" both mean two and a half,
// and text that is no number is refused where it was typed instead of becoming another
// number.
#pragma once

#include <gtk/gtk.h>

// Reads |text| as a decimal number written with "." or the locale's decimal separator:
// blanks, an optional sign, digits with at most one separator, blanks. Returns false,
// leaving |*value| alone, for anything else (empty text, letters, a second separator,
// exponents, thousands separators).
bool decimal_parse(const char *text, double *value);

// Makes |spin| read typed text with decimal_parse. Text that is no number leaves the value
// as it was and stays in the field, marked with the "error" style class until it is
// edited.
void spin_button_accept_decimals(GtkWidget *spin);

// Takes the number typed in |spin|, confirmed with Enter or not. Returns true with |*value|
// the value the field then shows (clamped to its range and rounded to its digits); false
// when the text is no number, with the field marked and focused.
bool spin_button_read(GtkWidget *spin, double *value);
