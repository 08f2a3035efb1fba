// SPDX-License-Identifier: GPL-3.0-or-later
// Summed amounts as the tables and labels show them. Rows of another program (1e308
// servings, say) can add up to numbers of hundreds of digits, or to infinity: such a sum
// shows as "too large" rather than breaking its table or leaving its chart blank.
#pragma once

#include <cstddef>

// The smallest magnitude shown as "too large": no day of real food comes near it, and a
// number below it keeps to the width of the report's columns.
constexpr double kTooLargeAmount = 1e6;

// Whether |amount| shows as "too large": not finite, or kTooLargeAmount or more either way.
bool amount_is_too_large(double amount);

// Writes |amount| with |decimals| decimals in the locale's form (printf's "%.*f"), or the
// translated "too large", into |out| (|size| bytes) and returns |out|.
char *amount_to_text(double amount, int decimals, char *out, size_t size);

// The translated "too large" on its own.
const char *amount_too_large_text();
