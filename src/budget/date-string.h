// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: a calendar date as "YYYY-MM-DD" in an 11-byte buffer, and its display form.
#pragma once

#include <ctime>

enum { DATE_STRING_SIZE = 11, DISPLAY_DATE_SIZE = 64 };

// The clock that date_today and the window's following of the date read: time() unless
// another one is set (tests set a clock of their own; null puts time() back).
void date_clock_set(time_t (*clock)());
time_t date_clock_now();

// Writes today's local date into |buffer| (DATE_STRING_SIZE bytes); "1970-01-01" when
// the local time cannot be obtained.
void date_today(char *buffer);

// Whether |text| is exactly "YYYY-MM-DD" in digits and names a day of the calendar (from
// the year 1 on).
bool date_string_is_valid(const char *text);

// Writes |date| (may be null), a date as the log stores it, for a label or a table into
// |out| (DISPLAY_DATE_SIZE bytes), in the locale's encoding, and returns |out|: a real day in
// the locale's date form; an empty (or null) date as "(no date)"; any other text as it is
// stored (its bytes that are no printable ASCII as "?", a long one cut) followed by
// "(not a date)", never as another day.
char *date_to_display(const char *date, char *out);
