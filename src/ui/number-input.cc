// SPDX-License-Identifier: GPL-3.0-or-later
// Decimal input of spin buttons in any locale.
#include "ui/number-input.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// Set on a spin button whose text was refused, until its next output: the text stays.
constexpr char kKeepTextKey[] = "alimora-keep-text";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

double round_to_digits(double value, guint digits) {
  const double scale = std::pow(10.0, static_cast<double>(digits));
  return std::round(value * scale) / scale;
}

gint on_spin_input(GtkSpinButton *spin, gdouble *new_value, gpointer) {
  double value = 0.0;
  if (decimal_parse(gtk_entry_get_text(GTK_ENTRY(spin)), &value)) {
    *new_value = round_to_digits(value, gtk_spin_button_get_digits(spin));
    return TRUE;
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
}

bool spin_button_read(GtkWidget *spin, double *value) {
  double typed = 0.0;
  if (!decimal_parse(gtk_entry_get_text(GTK_ENTRY(spin)), &typed)) {
    gtk_style_context_add_class(gtk_widget_get_style_context(spin), GTK_STYLE_CLASS_ERROR);
    gtk_widget_grab_focus(spin);
    return false;
  }
  gtk_spin_button_update(GTK_SPIN_BUTTON(spin));
  *value = gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin));
  return true;
}
