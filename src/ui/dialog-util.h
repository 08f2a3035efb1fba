// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the dialogs: their flags, and a guard that keeps C++ exceptions
// out of GTK's C frames.
#pragma once

#include <gtk/gtk.h>

#include <cstdio>
#include <exception>

#include "budget/date-string.h"
#include "i18n.h"

// Modal, and destroyed with the main window.
constexpr GtkDialogFlags kDialogFlags =
    static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT);

// Runs |body| so that no C++ exception reaches GTK's C frames; an exception is reported
// on standard error with the handler's name.
template <typename Body>
void run_guarded(const char *handler, Body body) noexcept {
  try {
    body();
  } catch (const std::exception &e) {
    // Translators: the first %s is the name of a function of the program.
    fprintf(stderr, _("alimora: %s failed: %s\n"), handler, e.what());
  } catch (...) {
    // Translators: %s is the name of a function of the program.
    fprintf(stderr, _("alimora: %s failed\n"), handler);
  }
}

// Connects |handler| to |signal| of |instance| with |data| as user data.
inline void connect_signal(gpointer instance, const char *signal, GCallback handler,
                           gpointer data) {
  g_signal_connect_data(instance, signal, handler, data, nullptr, static_cast<GConnectFlags>(0));
}

// The spin button's value, taking a number that was typed but not yet confirmed with Enter.
inline double spin_button_value(GtkWidget *spin) {
  gtk_spin_button_update(GTK_SPIN_BUTTON(spin));
  return gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin));
}

// Writes the calendar's selected day as a date string "YYYY-MM-DD" into |out|
// (DATE_STRING_SIZE bytes); the calendar counts months from 0.
inline void calendar_date_string(GtkWidget *calendar, char *out) {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
  snprintf(out, DATE_STRING_SIZE, "%04u-%02u-%02u", year, month + 1, day);
}

// Enter in |field| (an entry or a spin button) answers its dialog with the default response;
// a spin button takes the typed number first.
inline void field_activates_default(GtkWidget *field) {
  gtk_entry_set_activates_default(GTK_ENTRY(field), TRUE);
}

// Puts the focus into |field| with its whole text selected, ready to be typed over.
inline void focus_and_select(GtkWidget *field) {
  gtk_widget_grab_focus(field);
  gtk_editable_select_region(GTK_EDITABLE(field), 0, -1);
}
