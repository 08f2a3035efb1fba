// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the widget test programs: a fixed C locale and a display.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>

// The widget tests need a display; run them under a virtual X server (xvfb-run).
int main(int argc, char **argv) {
  // Fixed, untranslated texts and "." as the decimal point, whatever the environment says.
  gtk_disable_setlocale();
  setlocale(LC_ALL, "C.UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    fprintf(stderr, "widget tests need a display (run them under xvfb-run)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
