// SPDX-License-Identifier: GPL-3.0-or-later
// Colour contrast as WCAG 2.1 measures it (relative luminance, contrast ratio), and the
// colours that the style of a widget gives its CSS nodes: for bars and bands that have to
// stand apart from what is around them in light and dark themes alike.
#pragma once

#include <gtk/gtk.h>

// An opaque colour, each channel 0 to 1 in sRGB.
struct Rgb {
  double red, green, blue;
};

// The relative luminance of |colour|, 0 (black) to 1 (white).
double relative_luminance(const Rgb &colour);

// The contrast ratio of two colours, 1 (the same) to 21 (black on white); the order does
// not matter.
double contrast_ratio(const Rgb &a, const Rgb &b);

// |over| with its alpha painted on |under|.
Rgb composite(const GdkRGBA &over, const Rgb &under);

// The least opacity (in steps of 1/100) at which |ink| painted on |ground| has a contrast of
// at least |ratio| with |ground|; 1 when even the full colour has less.
double opacity_for_contrast(const Rgb &ink, const Rgb &ground, double ratio);

// The colour named |name| of the theme ("theme_bg_color"), as |widget|'s style has it, on
// |ground|; |ground| itself when the theme has no such colour.
Rgb theme_colour(GtkWidget *widget, const char *name, const Rgb &ground);

// The background and the top border colour of a CSS node below |widget|: |nodes| names
// the nodes from |widget|'s own down (for a progress bar {"trough", "progress"}), |count|
// of them; |widget_class| is a style class added to |widget|'s node first, or null.
void node_colours(GtkWidget *widget, const char *const *nodes, int count, const char *widget_class,
                  GdkRGBA *background, GdkRGBA *border);
