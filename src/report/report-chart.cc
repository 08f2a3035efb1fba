// SPDX-License-Identifier: GPL-3.0-or-later
// The SVG chart of alimora-report: one panel per food group with the daily amounts as bars
// and the budget as a dashed line, in black and grey so that it prints in black and white.
#include <cairo-svg.h>
#include <cairo.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "report/report-range.h"
#include "i18n.h"

namespace {

// An A4 page, landscape, in points.
constexpr double kPageWidth = 842.0;
constexpr double kPageHeight = 595.0;
constexpr double kMargin = 30.0;
constexpr double kPanelsTop = 84.0;
constexpr double kPanelGap = 22.0;
constexpr int kPanelColumns = 3;
constexpr int kPanelRows = 2;
constexpr double kBarGrey = 0.62;
constexpr double kThinBarGrey = 0.4;  // bars too thin for an outline, a day a point or less
constexpr double kGridGrey = 0.85;

// Panel titles, in food-group order (the bar labels of the main window).
const char *const kPanelTitles[FOOD_GROUP_COUNT] = {
    N_("Vegetables (cup-eq)"), N_("Fruits (cup-eq)"),  N_("Grains (oz-eq)"),
    N_("Dairy (cup-eq)"),      N_("Protein (oz-eq)"), N_("Oils (g)"),
};

struct GFreeDeleter {
  void operator()(gchar *text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

enum class Align { kLeft, kCenter, kRight };

// Draws |text| with its baseline at |y|, its left end, middle or right end at |x|.
void show_text(cairo_t *cr, const char *text, double x, double y, Align align) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text, &extents);
  if (align == Align::kCenter) x -= extents.x_advance / 2.0;
  if (align == Align::kRight) x -= extents.x_advance;
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text);
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

void draw_panel(cairo_t *cr, const RangeSummary &summary, int group, double x, double y,
                double width, double height) {
  const double plot_x = x + 36.0;
  const double plot_y = y + 20.0;
  const double plot_width = width - 40.0;
  const double plot_height = height - 36.0;

  const double budget = summary.budget.amounts[group];
  double highest = budget;
  for (const RangeDay &day : summary.days) highest = std::max(highest, day.amounts[group]);
  const double step = axis_step(highest > 0.0 ? highest * 1.1 : 1.0);
  const double top = std::ceil(highest * 1.1 / step) * step;
  auto y_of = [&](double value) { return plot_y + plot_height * (1.0 - value / top); };

  cairo_set_source_rgb(cr, 0, 0, 0);
  set_font(cr, 10.5, true);
  show_text(cr, _(kPanelTitles[group]), x, y + 10.0, Align::kLeft);

  // Grid lines and their values.
  set_font(cr, 7.5, false);
  cairo_set_line_width(cr, 0.5);
  for (double value = 0.0; value <= top + step / 2.0; value += step) {
    char text[32];
    snprintf(text, sizeof text, "%g", value);
    cairo_set_source_rgb(cr, kGridGrey, kGridGrey, kGridGrey);
    cairo_move_to(cr, plot_x, y_of(value));
    cairo_line_to(cr, plot_x + plot_width, y_of(value));
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    show_text(cr, text, plot_x - 4.0, y_of(value) + 2.5, Align::kRight);
  }

  // The bars and the budget line, clipped to the plot.
  cairo_save(cr);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_clip(cr);
  const double slot = plot_width / (summary.to_number - summary.from_number + 1.0);
  const bool outlined = slot >= 3.0;
  const double bar_width = outlined ? slot * 0.7 : slot;
  for (const RangeDay &day : summary.days) {
    const double left = plot_x + (day.day_number - summary.from_number) * slot +
                        (slot - bar_width) / 2.0;
    const double bar_top = y_of(day.amounts[group]);
    cairo_rectangle(cr, left, bar_top, bar_width, plot_y + plot_height - bar_top);
  }
  if (outlined) {
    cairo_set_source_rgb(cr, kBarGrey, kBarGrey, kBarGrey);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
  } else {
    cairo_set_source_rgb(cr, kThinBarGrey, kThinBarGrey, kThinBarGrey);
    cairo_fill(cr);
  }
  const double dashes[] = {6.0, 3.0};
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1.6);
  cairo_set_dash(cr, dashes, 2, 0.0);
  cairo_move_to(cr, plot_x, y_of(budget));
  cairo_line_to(cr, plot_x + plot_width, y_of(budget));
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  cairo_restore(cr);

  // The frame and the first and last day below it.
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.8);
  cairo_rectangle(cr, plot_x, plot_y, plot_width, plot_height);
  cairo_stroke(cr);
  char first[DISPLAY_DATE_SIZE];
  char last[DISPLAY_DATE_SIZE];
  set_font(cr, 7.5, false);
  show_text(cr, date_to_display(summary.from, first), plot_x, plot_y + plot_height + 10.0,
            Align::kLeft);
  if (summary.to_number != summary.from_number)
    show_text(cr, date_to_display(summary.to, last), plot_x + plot_width,
              plot_y + plot_height + 10.0, Align::kRight);
}

void draw_chart(cairo_t *cr, const RangeSummary &summary) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);

  char from[DISPLAY_DATE_SIZE];
  char to[DISPLAY_DATE_SIZE];
  date_to_display(summary.from, from);
  date_to_display(summary.to, to);
  GText title(g_strdup_printf(_("Food groups per day from %s to %s"), from, to));
  GText budget(g_strdup_printf(_("Daily budget of %d kcal (USDA Healthy US-Style Eating Pattern)"),
                               summary.budget.key));
  set_font(cr, 16.0, true);
  show_text(cr, title.get(), kMargin, kMargin + 12.0, Align::kLeft);
  set_font(cr, 10.5, false);
  show_text(cr, budget.get(), kMargin, kMargin + 32.0, Align::kLeft);

  // The legend, at the right: a bar and the dashed budget line.
  const double legend_y = kMargin + 32.0;
  const double right = kPageWidth - kMargin;
  cairo_text_extents_t budget_extents;
  cairo_text_extents(cr, _("Budget"), &budget_extents);
  const double budget_x = right - budget_extents.x_advance;
  show_text(cr, _("Budget"), budget_x, legend_y, Align::kLeft);
  const double dashes[] = {6.0, 3.0};
  cairo_set_line_width(cr, 1.6);
  cairo_set_dash(cr, dashes, 2, 0.0);
  cairo_move_to(cr, budget_x - 30.0, legend_y - 3.5);
  cairo_line_to(cr, budget_x - 6.0, legend_y - 3.5);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0.0);
  const double consumed_right = budget_x - 44.0;
  show_text(cr, _("Consumed"), consumed_right, legend_y, Align::kRight);
  cairo_text_extents_t consumed_extents;
  cairo_text_extents(cr, _("Consumed"), &consumed_extents);
  cairo_rectangle(cr, consumed_right - consumed_extents.x_advance - 16.0, legend_y - 9.0, 10.0,
                  10.0);
  cairo_set_source_rgb(cr, kBarGrey, kBarGrey, kBarGrey);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.6);
  cairo_stroke(cr);

  const double panel_width =
      (kPageWidth - 2 * kMargin - (kPanelColumns - 1) * kPanelGap) / kPanelColumns;
  const double panel_height =
      (kPageHeight - kPanelsTop - kMargin - (kPanelRows - 1) * kPanelGap) / kPanelRows;
  for (int group = 0; group < FOOD_GROUP_COUNT; ++group) {
    const int column = group % kPanelColumns;
    const int row = group / kPanelColumns;
    draw_panel(cr, summary, group, kMargin + column * (panel_width + kPanelGap),
               kPanelsTop + row * (panel_height + kPanelGap), panel_width, panel_height);
  }
}

// Where the SVG goes: the temporary file and the first failure of a write to it.
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

bool chart_write_svg(const RangeSummary *summary, const char *path) {
  GText dir(g_path_get_dirname(path));
  GText base(g_path_get_basename(path));
  std::string temporary = std::string(dir.get()) + "/." + base.get() + ".XXXXXX";
  const int fd = mkstemp(&temporary[0]);
  if (fd == -1) {
    report_chart_failure(path, g_strerror(errno));
    return false;
  }
  // mkstemp makes the file for its owner only; give the chart the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  ChartOutput output = {fdopen(fd, "wb"), 0};
  if (!output.file) {
    report_chart_failure(path, g_strerror(errno));
    close(fd);
    unlink(temporary.c_str());
    return false;
  }

  cairo_surface_t *surface =
      cairo_svg_surface_create_for_stream(write_chart_data, &output, kPageWidth, kPageHeight);
  cairo_t *cr = cairo_create(surface);
  draw_chart(cr, *summary);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);

  if (output.error == 0 && (fflush(output.file) != 0 || fsync(fileno(output.file)) != 0))
    output.error = errno;
  if (fclose(output.file) != 0 && output.error == 0) output.error = errno;
  if (output.error == 0 && status == CAIRO_STATUS_SUCCESS &&
      rename(temporary.c_str(), path) != 0)
    output.error = errno;
  if (output.error == 0 && status == CAIRO_STATUS_SUCCESS) return true;

  report_chart_failure(path, output.error != 0 ? g_strerror(output.error)
                                               : cairo_status_to_string(status));
  unlink(temporary.c_str());
  return false;
}
