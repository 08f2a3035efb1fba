// SPDX-License-Identifier: GPL-3.0-or-later
// Date strings: a calendar date as "YYYY-MM-DD" in an 11-byte buffer, and its display form.
#pragma once

enum { DATE_STRING_SIZE = 11, DISPLAY_DATE_SIZE = 64 };

// Writes today's local date into |buffer| (DATE_STRING_SIZE bytes); "1970-01-01" when
// the local time cannot be obtained.
void date_today(char *buffer);

// Writes |date| (may be null) in the locale's date form into |out| (DISPLAY_DATE_SIZE
// bytes) and returns |out|.
char *date_to_display(const char *date, char *out);

// Whether |text| (may be null) is a real calendar day written as "YYYY-MM-DD": four digits of
// a year from 0001, two of a month and two of a day that the month has, and nothing more.
bool date_string_is_real(const char *text);
