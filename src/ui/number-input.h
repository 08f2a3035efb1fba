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

// Makes |spin| read typed text with decimal_parse. Text that is no number, or a number
// outside the field's range, leaves the value as it was and stays in the field, marked
// with the "error" style class until it is edited; for a number outside the range the
// field's note (spin_button_set_note), or else its tooltip, says the range.
void spin_button_accept_decimals(GtkWidget *spin);

// Makes the label |note| the place where |spin| says the range of a refused number; it is
// hidden while there is nothing to say.
void spin_button_set_note(GtkWidget *spin, GtkWidget *note);

// Takes the number typed in |spin|, confirmed with Enter or not. Returns true with |*value|
// the value the field then shows (rounded to its digits); false when the text is no number
// or a number outside the field's range, with the field marked and focused. A value set
// by the program (one read from the log, shown clamped) is taken as shown.
bool spin_button_read(GtkWidget *spin, double *value);
