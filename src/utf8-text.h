// SPDX-License-Identifier: GPL-3.0-or-later
// Texts for GTK and cairo, which take UTF-8 only: a text cut to its buffer keeps whole
// characters, and what the C library writes in the locale's encoding (strftime's dates,
// gettext's texts without a UTF-8 codeset) is converted first. A screen reader's bus
// aborts the program on a text that is no UTF-8, and cairo draws nothing after one.
#pragma once

#include <glib.h>

#include <cstddef>
#include <cstring>

// Makes |text|, a terminated text in a buffer of |size| bytes, valid UTF-8 within that
// buffer: a character cut off at the end (by snprintf) goes, and bytes that are no UTF-8
// become U+FFFD as far as they fit.
inline void utf8_fit(char *text, size_t size) {
  if (size == 0) return;
  const char *end = nullptr;
  if (g_utf8_validate(text, -1, &end)) return;
  const size_t valid = static_cast<size_t>(end - text);
  const size_t rest = strlen(end);
  // A sequence cut short by the end of the text.
  if (g_utf8_get_char_validated(end, static_cast<gssize>(rest)) == static_cast<gunichar>(-2)) {
    text[valid] = '\0';
    return;
  }
  gchar *repaired = g_utf8_make_valid(text, -1);
  size_t length = strlen(repaired);
  if (length > size - 1) {
    length = size - 1;
    while (length > 0 && (static_cast<unsigned char>(repaired[length]) & 0xC0) == 0x80) --length;
  }
  memcpy(text, repaired, length);
  text[length] = '\0';
  g_free(repaired);
}

// Converts |text| in place from the locale's encoding to UTF-8 within its buffer of |size|
// bytes (a text that does not convert is repaired as by utf8_fit), and returns |text|.
// In a UTF-8 locale only the repair can change it.
inline char *utf8_from_locale(char *text, size_t size) {
  const char *charset = nullptr;
  if (!g_get_charset(&charset)) {
    gchar *converted = g_locale_to_utf8(text, -1, nullptr, nullptr, nullptr);
    if (converted) {
      g_strlcpy(text, converted, size);
      g_free(converted);
    }
  }
  utf8_fit(text, size);
  return text;
}

// A newly allocated UTF-8 copy of |text|, which is in the locale's encoding (g_free it).
inline gchar *utf8_dup_from_locale(const char *text) {
  const char *charset = nullptr;
  gchar *converted =
      g_get_charset(&charset) ? nullptr : g_locale_to_utf8(text, -1, nullptr, nullptr, nullptr);
  if (!converted) converted = g_utf8_make_valid(text, -1);
  return converted;
}
