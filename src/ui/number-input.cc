// SPDX-License-Identifier: GPL-3.0-or-later
// Decimal input of spin buttons in any locale.
#include "ui/number-input.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "i18n.h"

namespace {

// Set on a spin button whose text was refused, until its next output: the text stays.
constexpr char kKeepTextKey[] = "alimora-keep-text";
// The label that says why a spin button's number was refused (spin_button_set_note).
constexpr char kNoteKey[] = "alimora-note-label";
// Set on a spin button while its note shows the range; the next edit clears it.
constexpr char kRangeShownKey[] = "alimora-range-shown";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

double round_to_digits(double value, guint digits) {
  const double scale = std::pow(10.0, static_cast<double>(digits));
  return std::round(value * scale) / scale;
}

bool within_range(GtkSpinButton *spin, double value) {
  double min = 0.0, max = 0.0;
  gtk_spin_button_get_range(spin, &min, &max);
  return value >= min && value <= max;
}

// Marks |spin| as refused and says the range it takes.
void refuse_out_of_range(GtkWidget *spin) {
  double min = 0.0, max = 0.0;
  gtk_spin_button_get_range(GTK_SPIN_BUTTON(spin), &min, &max);
  char low[32], high[32], text[128];
  snprintf(low, sizeof low, "%g", min);
  snprintf(high, sizeof high, "%g", max);
  // Translators: said next to a number field whose typed number lies outside its range,
  // for example "Enter a number from 0.1 to 100."
  snprintf(text, sizeof text, _("Enter a number from %s to %s."), low, high);
  gtk_style_context_add_class(gtk_widget_get_style_context(spin), GTK_STYLE_CLASS_ERROR);
  atk_object_set_description(gtk_widget_get_accessible(spin), text);
  auto *note = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(spin), kNoteKey));
  if (note) {
    gtk_label_set_text(GTK_LABEL(note), text);
    gtk_widget_show(note);
  } else {
    gtk_widget_set_tooltip_text(spin, text);
  }
  g_object_set_data(G_OBJECT(spin), kRangeShownKey, GINT_TO_POINTER(1));
}

gint on_spin_input(GtkSpinButton *spin, gdouble *new_value, gpointer) {
  double value = 0.0;
  if (decimal_parse(gtk_entry_get_text(GTK_ENTRY(spin)), &value)) {
    value = round_to_digits(value, gtk_spin_button_get_digits(spin));
    if (within_range(spin, value)) {
      *new_value = value;
      return TRUE;
    }
    // Out of range: GTK would clamp it silently. Keep the value and the text, as for text
    // that is no number, and say what the field takes.
    *new_value = gtk_spin_button_get_value(spin);
    g_object_set_data(G_OBJECT(spin), kKeepTextKey, GINT_TO_POINTER(1));
    refuse_out_of_range(GTK_WIDGET(spin));
    return GTK_INPUT_ERROR;
  }
  // GTK goes on to set whatever is in *new_value: keep the value, and the text with it.
  *new_value = gtk_spin_button_get_value(spin);
  g_object_set_data(G_OBJECT(spin), kKeepTextKey, GINT_TO_POINTER(1));
  gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(spin)),
                              GTK_STYLE_CLASS_ERROR);
  return GTK_INPUT_ERROR;
}

gboolean on_spin_output(GtkSpinButton *spin, gpointer) {
  const bool keep = g_object_get_data(G_OBJECT(spin), kKeepTextKey) != nullptr;
  g_object_set_data(G_OBJECT(spin), kKeepTextKey, nullptr);
  return keep;  // TRUE: the text is left as typed
}

void on_spin_text_changed(GtkEditable *spin, gpointer) {
  gtk_style_context_remove_class(gtk_widget_get_style_context(GTK_WIDGET(spin)),
                                 GTK_STYLE_CLASS_ERROR);
  if (!g_object_get_data(G_OBJECT(spin), kRangeShownKey)) return;
  // Text set by GTK for a refused number (its own output) leaves the note alone.
  if (g_object_get_data(G_OBJECT(spin), kKeepTextKey)) return;
  g_object_set_data(G_OBJECT(spin), kRangeShownKey, nullptr);
  atk_object_set_description(gtk_widget_get_accessible(GTK_WIDGET(spin)), "");
  auto *note = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(spin), kNoteKey));
  if (note) {
    gtk_label_set_text(GTK_LABEL(note), "");
    gtk_widget_hide(note);
  } else {
    gtk_widget_set_tooltip_text(GTK_WIDGET(spin), nullptr);
  }
}

}  // namespace

bool decimal_parse(const char *text, double *value) {
  if (!text) return false;
  const char *locale_point = localeconv()->decimal_point;
  const size_t locale_point_length = locale_point ? strlen(locale_point) : 0;

  std::string number;  // the text in the C locale's form
  const char *c = text;
  while (is_blank(*c)) ++c;
  if (*c == '+' || *c == '-') number += *c++;
  bool digits = false, point = false;
  for (;; ++c) {
    if (*c >= '0' && *c <= '9') {
      number += *c;
      digits = true;
    } else if (!point && *c == '.') {
      number += '.';
      point = true;
    } else if (!point && locale_point_length > 0 &&
               strncmp(c, locale_point, locale_point_length) == 0) {
      number += '.';
      point = true;
      c += locale_point_length - 1;
    } else {
      break;
    }
  }
  while (is_blank(*c)) ++c;
  if (*c != '\0' || !digits) return false;
  const double parsed = g_ascii_strtod(number.c_str(), nullptr);
  if (!std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

void spin_button_accept_decimals(GtkWidget *spin) {
  // A numeric spin button drops every keystroke that is not a digit or the locale's own
  // separator: "2.5" typed under a German locale arrives as "25". Take any text and judge
  // it as a whole instead.
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), FALSE);
  g_signal_connect(spin, "input", G_CALLBACK(on_spin_input), nullptr);
  g_signal_connect(spin, "output", G_CALLBACK(on_spin_output), nullptr);
  g_signal_connect(spin, "changed", G_CALLBACK(on_spin_text_changed), nullptr);
  // The text was written while the spin button was still numeric, which drops a decimal
  // separator of more than one byte (ps_AF's): write it again.
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin),
                            gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
}

void spin_button_set_note(GtkWidget *spin, GtkWidget *note) {
  g_object_set_data(G_OBJECT(spin), kNoteKey, note);
}

bool spin_button_read(GtkWidget *spin, double *value) {
  double typed = 0.0;
  if (!decimal_parse(gtk_entry_get_text(GTK_ENTRY(spin)), &typed)) {
    gtk_style_context_add_class(gtk_widget_get_style_context(spin), GTK_STYLE_CLASS_ERROR);
    gtk_widget_grab_focus(spin);
    return false;
  }
  if (!within_range(GTK_SPIN_BUTTON(spin),
                    round_to_digits(typed, gtk_spin_button_get_digits(GTK_SPIN_BUTTON(spin))))) {
    refuse_out_of_range(spin);
    gtk_widget_grab_focus(spin);
    return false;
  }
  gtk_spin_button_update(GTK_SPIN_BUTTON(spin));
  *value = gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin));
  return true;
}
