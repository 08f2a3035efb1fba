// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: date_to_display with the input as the date text. The display form
// always ends within its buffer, and a text that is not three numbers joined by dashes is
// shown as it is, cut to 63 bytes.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "ui/budget-view.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setlocale(LC_ALL, "C");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data),
                         strnlen(reinterpret_cast<const char *>(data), size));
  // Guard bytes after the buffer catch a write past its end even without a sanitizer.
  char out[DISPLAY_DATE_SIZE + 16];
  memset(out, 0x5a, sizeof out);
  if (date_to_display(text.c_str(), out) != out) __builtin_trap();
  if (strnlen(out, DISPLAY_DATE_SIZE) >= DISPLAY_DATE_SIZE) __builtin_trap();
  for (size_t i = DISPLAY_DATE_SIZE; i < sizeof out; ++i)
    if (out[i] != 0x5a) __builtin_trap();
  int year, month, day;
  if (sscanf(text.c_str(), "%d-%d-%d", &year, &month, &day) != 3 &&
      text.substr(0, DISPLAY_DATE_SIZE - 1) != out)
    __builtin_trap();
  if (date_to_display(nullptr, out) != out || out[0] != '\0') __builtin_trap();
  return 0;
}
