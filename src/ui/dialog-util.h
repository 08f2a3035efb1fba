// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the dialogs: their flags, and a guard that keeps C++ exceptions
// out of GTK's C frames.
#pragma once

#include <gtk/gtk.h>

#include <cstdio>
#include <exception>
#include <initializer_list>

#include "budget/date-string.h"
#include "i18n.h"
#include "ui/held-keys.h"

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

// Tells the user, over |parent|, that a change to their data did not happen: |what| (already
// translated) and the database's |reason|. The message is answered on its own; whatever
// |parent| holds stays there, so that the user can try again or cancel.
inline GtkWidget *show_write_failure(GtkWindow *parent, const char *what, const char *reason) {
  GtkWidget *message = gtk_message_dialog_new(parent, kDialogFlags, GTK_MESSAGE_ERROR,
                                              GTK_BUTTONS_CLOSE, "%s", what);
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(message),
                                           _("The log database reported: %s"), reason);
  gtk_window_set_title(GTK_WINDOW(message), _("Not Saved"));
  window_ignore_held_enter(message);
  g_signal_connect(message, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show_all(message);
  return message;
}

// Writes the calendar's selected day as a date string "YYYY-MM-DD" into |out|
// (DATE_STRING_SIZE bytes); the calendar counts months from 0.
inline void calendar_date_string(GtkWidget *calendar, char *out) {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
  snprintf(out, DATE_STRING_SIZE, "%04u-%02u-%02u", year, month + 1, day);
}

// Moves |calendar| to the date string |date| and selects its day; a text that is no calendar
// day leaves the calendar as it is. Returns whether it moved.
inline bool calendar_select_date(GtkWidget *calendar, const char *date) {
  int year = 0, month = 0, day = 0;
  if (!calendar || !date || sscanf(date, "%d-%d-%d", &year, &month, &day) != 3) return false;
  if (year < 1 || year > 9999 ||
      !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return false;
  // No day first: the day selected now may be one that the new month does not have.
  gtk_calendar_select_day(GTK_CALENDAR(calendar), 0);
  gtk_calendar_select_month(GTK_CALENDAR(calendar), static_cast<guint>(month - 1),
                            static_cast<guint>(year));
  gtk_calendar_select_day(GTK_CALENDAR(calendar), static_cast<guint>(day));
  return true;
}

// Space of the GNOME layout: between the rows of a dialog, and from its edges.
constexpr int kDialogRowSpacing = 12;
constexpr int kDialogEdge = 18;

// Lays out the content of |dialog| as GNOME lays out dialogs: its rows 12 px apart and 18 px
// from the dialog's edges. Each row of the content area is packed with half the spacing
// around it; a horizontal box's first and last widgets keep their space inside the row only,
// so that they line up with the edge. Call once the content is packed.
inline void dialog_lay_out_content(GtkDialog *dialog) {
  GtkWidget *content = gtk_dialog_get_content_area(dialog);
  const int half = kDialogRowSpacing / 2;
  gtk_container_set_border_width(GTK_CONTAINER(content), 0);
  gtk_box_set_spacing(GTK_BOX(content), 0);
  gtk_widget_set_margin_start(content, kDialogEdge);
  gtk_widget_set_margin_end(content, kDialogEdge);
  gtk_widget_set_margin_top(content, kDialogEdge - half);
  gtk_widget_set_margin_bottom(content, kDialogEdge - half);
  GList *rows = gtk_container_get_children(GTK_CONTAINER(content));
  for (GList *l = rows; l; l = l->next) {
    GtkWidget *row = GTK_WIDGET(l->data);
    gboolean expand = FALSE, fill = FALSE;
    guint padding = 0;
    GtkPackType pack = GTK_PACK_START;
    gtk_box_query_child_packing(GTK_BOX(content), row, &expand, &fill, &padding, &pack);
    gtk_box_set_child_packing(GTK_BOX(content), row, expand, fill, half, pack);
    if (!GTK_IS_BOX(row) ||
        gtk_orientable_get_orientation(GTK_ORIENTABLE(row)) != GTK_ORIENTATION_HORIZONTAL)
      continue;
    GList *items = gtk_container_get_children(GTK_CONTAINER(row));
    GList *last = g_list_last(items);
    for (GList *item : {items, last}) {
      if (!item) continue;
      GtkWidget *widget = GTK_WIDGET(item->data);
      gtk_box_query_child_packing(GTK_BOX(row), widget, &expand, &fill, &padding, &pack);
      gtk_box_set_child_packing(GTK_BOX(row), widget, expand, fill, 0, pack);
      if (items != last) {
        if (item == items) gtk_widget_set_margin_end(widget, gtk_widget_get_margin_end(widget) + padding);
        else gtk_widget_set_margin_start(widget, gtk_widget_get_margin_start(widget) + padding);
      }
    }
    g_list_free(items);
  }
  g_list_free(rows);
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
