// SPDX-License-Identifier: GPL-3.0-or-later
// Summed amounts as the tables and labels show them, "too large" beyond what is real.
#include "budget/amount-text.h"

#include <cmath>
#include <cstdio>

#include "i18n.h"

bool amount_is_too_large(double amount) {
  return !std::isfinite(amount) || std::fabs(amount) >= kTooLargeAmount;
}

const char *amount_too_large_text() {
  // Translators: an amount (of a food group, of energy, of a nutrient) that is too large to
  // be real or shown, such as the sum of entries of 1e308 servings; keep it short
  return _("too large");
}

char *amount_to_text(double amount, int decimals, char *out, size_t size) {
  if (amount_is_too_large(amount))
    snprintf(out, size, "%s", amount_too_large_text());
  else
    snprintf(out, size, "%.*f", decimals, amount);
  return out;
}
