// SPDX-License-Identifier: GPL-3.0-or-later
// WCAG 2.1 contrast and the colours of a widget's CSS nodes.
#include "ui/colour-contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double clamp01(double value) { return std::min(1.0, std::max(0.0, value)); }

}  // namespace

double relative_luminance(const Rgb &colour) {
  return 0.2126 * linear(clamp01(colour.red)) + 0.7152 * linear(clamp01(colour.green)) +
         0.0722 * linear(clamp01(colour.blue));
}

double contrast_ratio(const Rgb &a, const Rgb &b) {
  const double la = relative_luminance(a), lb = relative_luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb composite(const GdkRGBA &over, const Rgb &under) {
  const double a = clamp01(over.alpha);
  return Rgb{over.red * a + under.red * (1.0 - a), over.green * a + under.green * (1.0 - a),
             over.blue * a + under.blue * (1.0 - a)};
}

double opacity_for_contrast(const Rgb &ink, const Rgb &ground, double ratio) {
  for (int step = 0; step <= 100; step++) {
    const double alpha = step / 100.0;
    const GdkRGBA over{ink.red, ink.green, ink.blue, alpha};
    if (contrast_ratio(composite(over, ground), ground) >= ratio) return alpha;
  }
  return 1.0;
}

Rgb theme_colour(GtkWidget *widget, const char *name, const Rgb &ground) {
  GdkRGBA colour;
  if (!widget || !gtk_style_context_lookup_color(gtk_widget_get_style_context(widget), name, &colour))
    return ground;
  return composite(colour, ground);
}

void node_colours(GtkWidget *widget, const char *const *nodes, int count, const char *widget_class,
                  GdkRGBA *background, GdkRGBA *border) {
  GtkWidgetPath *path = gtk_widget_path_copy(gtk_widget_get_path(widget));
  if (widget_class) gtk_widget_path_iter_add_class(path, -1, widget_class);
  for (int i = 0; i < count; i++) {
    const int at = gtk_widget_path_append_type(path, G_TYPE_NONE);
    gtk_widget_path_iter_set_object_name(path, at, nodes[i]);
  }
  GtkStyleContext *style = gtk_style_context_new();
  gtk_style_context_set_path(style, path);
  gtk_style_context_set_screen(style, gtk_widget_get_screen(widget));
  GdkRGBA *fill = nullptr, *edge = nullptr;
  gtk_style_context_get(style, GTK_STATE_FLAG_NORMAL, "background-color", &fill,
                        "border-top-color", &edge, nullptr);
  const GdkRGBA none{0.0, 0.0, 0.0, 0.0};
  if (background) *background = fill ? *fill : none;
  if (border) *border = edge ? *edge : none;
  if (fill) gdk_rgba_free(fill);
  if (edge) gdk_rgba_free(edge);
  g_object_unref(style);
  gtk_widget_path_unref(path);
}
