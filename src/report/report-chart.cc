// SPDX-License-Identifier: GPL-3.0-or-later
// The chart of a range of days, for the files of alimora-report and for the History window:
// one panel per food group and one for the energy, with the daily amounts as bars and the
// budget as a dashed line.
#include <cairo-svg.h>
#include <cairo.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "budget/amount-text.h"
#include "config.h"
#include "i18n.h"
#include "report/report-file.h"
#include "report/report-range.h"
#include "utf8-text.h"

// Prints in black and white: the bars grey with black outlines, the over-budget orange as a
// darker grey.
const ChartPalette kChartPaperPalette = {
    {1.0, 1.0, 1.0, 1.0},          // background
    {0.0, 0.0, 0.0, 1.0},          // text
    {0.85, 0.85, 0.85, 1.0},       // grid
    {0.62, 0.62, 0.62, 1.0},       // bar
    {0.4, 0.4, 0.4, 1.0},          // thin bar
    {0xe6 / 255.0, 0x61 / 255.0, 0.0, 1.0},  // over, #e66100
    {0.93, 0.93, 0.93, 1.0},       // empty
};

namespace {

// The layout of an A4 page in points; other sizes scale it.
constexpr double kMargin = 30.0;
constexpr double kPanelGap = 22.0;
constexpr int kPanelCount = FOOD_GROUP_COUNT + 1;  // the groups and the energy
constexpr int kEnergyPanel = FOOD_GROUP_COUNT;

struct GFreeDeleter {
  void operator()(gchar *text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

enum class Align { kLeft, kCenter, kRight };

void set_colour(cairo_t *cr, const ChartColour &colour) {
  cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, colour.alpha);
}

// Whether gettext gives this program's texts in UTF-8, as the window asks it to, rather
// than in the locale's encoding, as alimora-report keeps them for the terminal.
bool texts_are_utf8() {
  const char *codeset = bind_textdomain_codeset(GETTEXT_PACKAGE, nullptr);
  if (codeset) return g_ascii_strcasecmp(codeset, "UTF-8") == 0;
  const char *charset = nullptr;
  return g_get_charset(&charset);
}

// |text|, made of the program's texts and numbers, as cairo takes it: UTF-8 only. A text
// that is no UTF-8 would leave the chart blank.
GText as_utf8(const char *text) {
  return GText(texts_are_utf8() ? g_utf8_make_valid(text, -1) : utf8_dup_from_locale(text));
}

// The locale's form of |date| in the encoding of the program's texts, into |out|.
char *chart_date(const char *date, char out[DISPLAY_DATE_SIZE]) {
  date_to_display(date, out);
  return texts_are_utf8() ? utf8_from_locale(out, DISPLAY_DATE_SIZE) : out;
}

double text_width(cairo_t *cr, const char *text) {
  GText utf8 = as_utf8(text);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, utf8.get(), &extents);
  return extents.x_advance;
}

// Draws |text| with its baseline at |y|, its left end, middle or right end at |x|; returns
// its width.
double show_text(cairo_t *cr, const char *text, double x, double y, Align align) {
  GText utf8 = as_utf8(text);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, utf8.get(), &extents);
  if (align == Align::kCenter) x -= extents.x_advance / 2.0;
  if (align == Align::kRight) x -= extents.x_advance;
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, utf8.get());
  return extents.x_advance;
}

void set_font(cairo_t *cr, double size, bool bold) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

// A step for the value axis from 0 to |top|: 1, 2 or 5 times a power of ten, giving at
// most five steps.
double axis_step(double top) {
  const double rough = top / 5.0;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double factor : {1.0, 2.0, 5.0})
    if (factor * power >= rough) return factor * power;
  return 10.0 * power;
}

// What one panel shows: its title, each day's value and the budget.
struct PanelValues {
  const char *title;
  double budget;
  int panel;  // a food group, or kEnergyPanel
};

double day_value(const RangeDay &day, int panel) {
  return panel == kEnergyPanel ? day.totals.kcal : day.totals.amounts[panel];
}

// Everything a panel needs that does not change from panel to panel.
struct ChartFrame {
  const RangeSummary *summary;
  const ChartPalette *palette;
  double scale;                    // of the A4 page's sizes
  std::vector<bool> without_entries;  // per day of the range
};

// The value axis of a panel: the value |top| at the plot's top, 0 at its bottom.
struct Axis {
  double plot_y;
  double plot_height;
  double top;
};

double axis_y(const Axis &axis, double value) {
  return axis.plot_y + axis.plot_height * (1.0 - value / axis.top);
}

void draw_bars(cairo_t *cr, const ChartFrame &frame, const PanelValues &values, const Axis &axis,
               double plot_x, double plot_width) {
  const RangeSummary &summary = *frame.summary;
  const ChartPalette &palette = *frame.palette;
  const double slot = plot_width / (summary.to_number - summary.from_number + 1.0);
  const bool outlined = slot >= 3.0 * frame.scale;
  const double bar_width = outlined ? slot * 0.7 : slot;
  const double plot_top = axis.plot_y;
  const double bottom = axis.plot_y + axis.plot_height;

  // Days without entries: a pale band the height of the plot, not a bar of zero.
  if (outlined) {
    for (size_t i = 0; i < frame.without_entries.size(); ++i)
      if (frame.without_entries[i])
        cairo_rectangle(cr, plot_x + i * slot + (slot - bar_width) / 2.0, plot_top, bar_width,
                        bottom - plot_top);
    set_colour(cr, palette.empty);
    cairo_fill(cr);
  }

  for (bool over : {false, true}) {
    for (const RangeDay &day : summary.days) {
      const double value = day_value(day, values.panel);
      if (range_amount_is_over(value, values.budget) != over) continue;
      const double left = plot_x + (day.day_number - summary.from_number) * slot +
                          (slot - bar_width) / 2.0;
      // A sum too large to be real fills the plot (clipped) rather than setting its scale.
      const double bar_top = amount_is_too_large(value) ? plot_top : axis_y(axis, value);
      cairo_rectangle(cr, left, bar_top, bar_width, bottom - bar_top);
    }
    set_colour(cr, over ? palette.over : outlined ? palette.bar : palette.thin_bar);
    if (outlined) {
      cairo_fill_preserve(cr);
      set_colour(cr, palette.text);
      cairo_set_line_width(cr, 0.6 * frame.scale);
      cairo_stroke(cr);
    } else {
      cairo_fill(cr);
    }
  }
}

void draw_panel(cairo_t *cr, const ChartFrame &frame, const PanelValues &values, double x,
                double y, double width, double height) {
  const RangeSummary &summary = *frame.summary;
  const ChartPalette &palette = *frame.palette;
  const double s = frame.scale;
  const double plot_x = x + 36.0 * s;
  const double plot_y = y + 20.0 * s;
  const double plot_width = width - 40.0 * s;
  const double plot_height = height - 36.0 * s;
  if (plot_width <= 0.0 || plot_height <= 0.0) return;

  double highest = values.budget;
  for (const RangeDay &day : summary.days) {
    const double value = day_value(day, values.panel);
    if (!amount_is_too_large(value)) highest = std::max(highest, value);
  }
  const double step = axis_step(highest > 0.0 ? highest * 1.1 : 1.0);
  const Axis axis = {plot_y, plot_height,
                     highest > 0.0 ? std::ceil(highest * 1.1 / step) * step : step};

  set_colour(cr, palette.text);
  set_font(cr, 10.5 * s, true);
  show_text(cr, values.title, x, y + 10.0 * s, Align::kLeft);

  // Grid lines and their values.
  set_font(cr, 7.5 * s, false);
  cairo_set_line_width(cr, 0.5 * s);
  for (double value = 0.0; value <= axis.top + step / 2.0; value += step) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    set_colour(cr, palette.grid);
    cairo_move_to(cr, plot_x, axis_y(axis, value));
    cairo_line_to(cr, plot_x + plot_width, axis_y(axis, value));
    cairo_stroke(cr);
    set_colour(cr, palette.text);
    show_text(cr, text, plot_x - 4.0 * s, axis_y(axis, value) + 2.5 * s, Align::kRight);
  }

  // The bars and the budget line, clipped to the plot.
  cairo_save(cr);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_clip(cr);
  draw_bars(cr, frame, values, axis, plot_x, plot_width);
  const double dashes[] = {6.0 * s, 3.0 * s};
  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 1.6 * s);
  cairo_set_dash(cr, dashes, 2, 0.0);
  cairo_move_to(cr, plot_x, axis_y(axis, values.budget));
  cairo_line_to(cr, plot_x + plot_width, axis_y(axis, values.budget));
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  cairo_restore(cr);

  // The frame and the first and last day below it.
  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 0.8 * s);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_stroke(cr);
  char first[DISPLAY_DATE_SIZE];
  char last[DISPLAY_DATE_SIZE];
  set_font(cr, 7.5 * s, false);
  show_text(cr, chart_date(summary.from, first), plot_x, plot_y + plot_height + 10.0 * s,
            Align::kLeft);
  if (summary.to_number != summary.from_number)
    show_text(cr, chart_date(summary.to, last), plot_x + plot_width,
              plot_y + plot_height + 10.0 * s, Align::kRight);
}

// The weight panel: each day's weight as a point and the trend as a line, on the days of the
// other panels, with a value axis around the weights rather than from 0.
void draw_weight_panel(cairo_t *cr, const ChartFrame &frame, double x, double y, double width,
                       double height) {
  const RangeSummary &summary = *frame.summary;
  const ChartPalette &palette = *frame.palette;
  const double s = frame.scale;
  const double plot_x = x + 36.0 * s;
  const double plot_y = y + 20.0 * s;
  const double plot_width = width - 40.0 * s;
  const double plot_height = height - 36.0 * s;
  if (plot_width <= 0.0 || plot_height <= 0.0 || summary.weights.empty()) return;
  const WeightUnit unit = summary.weight_unit;

  double low = INFINITY, high = -INFINITY;
  for (const TrendDay &day : summary.weights) {
    for (double kg : {day.kg, day.trend}) {
      if (std::isnan(kg)) continue;
      low = std::min(low, weight_from_kg(kg, unit));
      high = std::max(high, weight_from_kg(kg, unit));
    }
  }
  const double step = axis_step(std::max(high - low, 1.0) * 1.2);
  const double bottom_value = std::floor((low - step * 0.1) / step) * step;
  const double top_value = std::ceil((high + step * 0.1) / step) * step;
  auto value_y = [&](double value) {
    return plot_y + plot_height * (1.0 - (value - bottom_value) / (top_value - bottom_value));
  };
  const double slot = plot_width / (summary.to_number - summary.from_number + 1.0);
  auto day_x = [&](uint32_t day) { return plot_x + (day - summary.from_number + 0.5) * slot; };

  char title[64];
  snprintf(title, sizeof title, _("Weight (%s)"), weight_unit_symbol(unit));
  set_colour(cr, palette.text);
  set_font(cr, 10.5 * s, true);
  show_text(cr, title, x, y + 10.0 * s, Align::kLeft);

  set_font(cr, 7.5 * s, false);
  cairo_set_line_width(cr, 0.5 * s);
  for (double value = bottom_value; value <= top_value + step / 2.0; value += step) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    set_colour(cr, palette.grid);
    cairo_move_to(cr, plot_x, value_y(value));
    cairo_line_to(cr, plot_x + plot_width, value_y(value));
    cairo_stroke(cr);
    set_colour(cr, palette.text);
    show_text(cr, text, plot_x - 4.0 * s, value_y(value) + 2.5 * s, Align::kRight);
  }

  cairo_save(cr);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_clip(cr);
  // The trend: one line through every day.
  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 1.6 * s);
  bool first = true;
  for (const TrendDay &day : summary.weights) {
    const double px = day_x(day.day), py = value_y(weight_from_kg(day.trend, unit));
    if (first)
      cairo_move_to(cr, px, py);
    else
      cairo_line_to(cr, px, py);
    first = false;
  }
  if (summary.weights.size() == 1) cairo_rel_line_to(cr, 0.1, 0.0);
  cairo_stroke(cr);
  // The weights: a dot a day, smaller where the days are narrow.
  const double radius = std::clamp(slot * 0.3, 1.0 * s, 3.0 * s);
  set_colour(cr, palette.bar);
  for (const TrendDay &day : summary.weights) {
    if (std::isnan(day.kg)) continue;
    cairo_new_sub_path(cr);
    cairo_arc(cr, day_x(day.day), value_y(weight_from_kg(day.kg, unit)), radius, 0.0, 2.0 * M_PI);
  }
  cairo_fill_preserve(cr);
  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 0.5 * s);
  cairo_stroke(cr);
  cairo_restore(cr);

  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 0.8 * s);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_stroke(cr);
  char first_day[DISPLAY_DATE_SIZE];
  char last_day[DISPLAY_DATE_SIZE];
  set_font(cr, 7.5 * s, false);
  show_text(cr, chart_date(summary.from, first_day), plot_x, plot_y + plot_height + 10.0 * s,
            Align::kLeft);
  if (summary.to_number != summary.from_number)
    show_text(cr, chart_date(summary.to, last_day), plot_x + plot_width,
              plot_y + plot_height + 10.0 * s, Align::kRight);
}

// A legend sample: a box filled with |fill| (outlined in the text colour when |outlined|),
// then |text|; returns the x after it.
double legend_box(cairo_t *cr, const ChartPalette &palette, const ChartColour &fill,
                  bool outlined, const char *text, double x, double y, double s) {
  cairo_rectangle(cr, x, y - 9.0 * s, 10.0 * s, 10.0 * s);
  set_colour(cr, fill);
  if (outlined) {
    cairo_fill_preserve(cr);
    set_colour(cr, palette.text);
    cairo_set_line_width(cr, 0.6 * s);
    cairo_stroke(cr);
  } else {
    cairo_fill(cr);
  }
  set_colour(cr, palette.text);
  return x + 16.0 * s + show_text(cr, text, x + 16.0 * s, y, Align::kLeft) + 18.0 * s;
}

void draw_legend(cairo_t *cr, const ChartPalette &palette, double x, double y, double s) {
  x = legend_box(cr, palette, palette.bar, true, _("Consumed"), x, y, s);
  x = legend_box(cr, palette, palette.over, true, _("Over budget"), x, y, s);
  x = legend_box(cr, palette, palette.empty, false, _("No entries"), x, y, s);
  const double dashes[] = {6.0 * s, 3.0 * s};
  set_colour(cr, palette.text);
  cairo_set_line_width(cr, 1.6 * s);
  cairo_set_dash(cr, dashes, 2, 0.0);
  cairo_move_to(cr, x, y - 3.5 * s);
  cairo_line_to(cr, x + 24.0 * s, y - 3.5 * s);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  show_text(cr, _("Budget"), x + 30.0 * s, y, Align::kLeft);
}

}  // namespace

void chart_draw(cairo_t *cr, const RangeSummary *summary, double width, double height,
                const ChartPalette *palette) {
  // Sizes grow with a large area; below the page's size they stay, so that text stays legible.
  const double s = std::clamp(std::min(width / kChartPageWidth, height / kChartPageHeight),
                              1.0, 1.6);
  cairo_save(cr);
  if (palette->background.alpha > 0.0) {
    set_colour(cr, palette->background);
    cairo_paint(cr);
  }

  ChartFrame frame = {summary, palette, s, {}};
  if (summary->to_number >= summary->from_number && summary->from_number != 0) {
    frame.without_entries.assign(summary->to_number - summary->from_number + 1, true);
    for (const RangeDay &day : summary->days)
      if (day.day_number >= summary->from_number && day.day_number <= summary->to_number)
        frame.without_entries[day.day_number - summary->from_number] = false;
  }

  char from[DISPLAY_DATE_SIZE];
  char to[DISPLAY_DATE_SIZE];
  chart_date(summary->from, from);
  chart_date(summary->to, to);
  GText title(g_strdup_printf(_("Food groups per day from %s to %s"), from, to));
  GText budget(g_strdup_printf(_("Daily budget of %d kcal (USDA Healthy US-Style Eating Pattern)"),
                               summary->budget.key));
  const double margin = kMargin * s;
  set_colour(cr, palette->text);
  set_font(cr, 16.0 * s, true);
  show_text(cr, title.get(), margin, margin + 12.0 * s, Align::kLeft);
  set_font(cr, 10.5 * s, false);
  const double budget_width =
      show_text(cr, budget.get(), margin, margin + 32.0 * s, Align::kLeft);
  // The legend follows the budget line when there is room, else goes below it.
  const double legend_width = text_width(cr, _("Consumed")) + text_width(cr, _("Over budget")) +
                              text_width(cr, _("No entries")) + text_width(cr, _("Budget")) +
                              132.0 * s;
  const bool legend_beside = margin + budget_width + 24.0 * s + legend_width <= width - margin;
  const double legend_y = legend_beside ? margin + 32.0 * s : margin + 50.0 * s;
  draw_legend(cr, *palette, legend_beside ? width - margin - legend_width : margin, legend_y, s);

  // Four panels a row on a wide area, two on a tall one.
  const int columns = width >= height ? 4 : 2;
  const int rows = (kPanelCount + columns - 1) / columns;
  const double gap = kPanelGap * s;
  const double panels_top = legend_y + 22.0 * s;
  const double panel_width = (width - 2 * margin - (columns - 1) * gap) / columns;
  const double panel_height = (height - panels_top - margin - (rows - 1) * gap) / rows;
  for (int panel = 0; panel < kPanelCount; ++panel) {
    const PanelValues values = {
        panel == kEnergyPanel ? _("Energy (kcal)") : food_group_label(panel),
        panel == kEnergyPanel ? static_cast<double>(summary->budget.key)
                              : summary->budget.amounts[panel],
        panel};
    draw_panel(cr, frame, values, margin + (panel % columns) * (panel_width + gap),
               panels_top + (panel / columns) * (panel_height + gap), panel_width, panel_height);
  }
  // The weight takes the place after the energy, which the panels leave free.
  if (!summary->weights.empty())
    draw_weight_panel(cr, frame, margin + (kPanelCount % columns) * (panel_width + gap),
                      panels_top + (kPanelCount / columns) * (panel_height + gap), panel_width,
                      panel_height);
  cairo_restore(cr);
}

namespace {

// Where the chart goes: the temporary file and the first failure of a write to it.
struct ChartOutput {
  FILE *file;
  int error;
};

cairo_status_t write_chart_data(void *closure, const unsigned char *data, unsigned int length) {
  auto *output = static_cast<ChartOutput *>(closure);
  if (output->error == 0 && fwrite(data, 1, length, output->file) != length)
    output->error = errno ? errno : EIO;
  return output->error == 0 ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

void report_chart_failure(const char *path, const char *why) {
  fprintf(stderr, _("alimora: cannot write the chart '%s': %s\n"), path, why);
}

}  // namespace

// Draws the chart of |summary| into |output| in |format|. Returns the first failure of the
// drawing or of the surface: a chart that cairo could not draw whole is no chart.
static cairo_status_t draw_chart_to(ChartOutput *output, const RangeSummary *summary,
                                    ChartFormat format, double width, double height) {
  cairo_surface_t *surface =
      format == ChartFormat::kSvg
          ? cairo_svg_surface_create_for_stream(write_chart_data, output, width, height)
          : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                       static_cast<int>(height));
  cairo_t *cr = cairo_create(surface);
  chart_draw(cr, summary, width, height, &kChartPaperPalette);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && format == ChartFormat::kPng)
    status = cairo_surface_write_to_png_stream(surface, write_chart_data, output);
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  return status;
}

bool chart_write(const RangeSummary *summary, const char *path, ChartFormat format,
                 double width, double height) {
  // "-" is standard output, written as it is drawn.
  if (strcmp(path, "-") == 0) {
    ChartOutput output = {stdout, 0};
    const cairo_status_t status = draw_chart_to(&output, summary, format, width, height);
    if (output.error == 0 && fflush(stdout) != 0) output.error = errno;
    if (output.error == 0 && status == CAIRO_STATUS_SUCCESS) return true;
    report_chart_failure(
        path, output.error != 0 ? g_strerror(output.error) : cairo_status_to_string(status));
    return false;
  }

  OutputFile file;
  const int open_error = output_file_open(path, &file);
  if (open_error != 0) {
    report_chart_failure(path, output_file_error_text(open_error));
    return false;
  }
  ChartOutput output = {file.file, 0};
  const cairo_status_t status = draw_chart_to(&output, summary, format, width, height);
  int error = output.error;
  if (error == 0 && status != CAIRO_STATUS_SUCCESS) error = EIO;
  error = output_file_commit(&file, error);
  if (error == 0) return true;
  report_chart_failure(path, output.error == 0 && status != CAIRO_STATUS_SUCCESS
                                 ? cairo_status_to_string(status)
                                 : g_strerror(error));
  return false;
}

bool chart_write_svg(const RangeSummary *summary, const char *path) {
  return chart_write(summary, path, ChartFormat::kSvg, kChartPageWidth, kChartPageHeight);
}
