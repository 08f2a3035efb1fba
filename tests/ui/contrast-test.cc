// SPDX-License-Identifier: GPL-3.0-or-later
// Contrast as WCAG 2.1 measures it, and the figures of the budget bars, their troughs and
// History's bands of days without entries, computed from the colours that the real style
// gives them under Adwaita and under Adwaita's dark variant.
#include "ui/colour-contrast.h"

#include <cstdio>
#include <string>
#include <vector>

#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/history-window.h"

namespace {

Rgb rgb(int red, int green, int blue) { return Rgb{red / 255.0, green / 255.0, blue / 255.0}; }


TEST(ColourContrast, RatiosAsWcagComputesThem) {
  const struct {
    Rgb a, b;
    double ratio;
  } cases[] = {
      {rgb(0, 0, 0), rgb(255, 255, 255), 21.0},
      {rgb(255, 255, 255), rgb(0, 0, 0), 21.0},         // either order
      {rgb(119, 119, 119), rgb(119, 119, 119), 1.0},
      {rgb(118, 118, 118), rgb(255, 255, 255), 4.54},   // the lightest grey for 4.5:1 on white
      {rgb(148, 148, 148), rgb(255, 255, 255), 3.03},
      {rgb(255, 0, 0), rgb(255, 255, 255), 4.0},
      {rgb(0, 0, 255), rgb(0, 0, 0), 2.44},
  };
  for (const auto &c : cases)
    EXPECT_NEAR(c.ratio, contrast_ratio(c.a, c.b), 0.01) << c.ratio;
  EXPECT_NEAR(0.0, relative_luminance(rgb(0, 0, 0)), 1e-9);
  EXPECT_NEAR(1.0, relative_luminance(rgb(255, 255, 255)), 1e-9);

  // Half of black on white is mid grey; no opacity leaves the ground.
  const Rgb half = composite(GdkRGBA{0.0, 0.0, 0.0, 0.5}, rgb(255, 255, 255));
  EXPECT_NEAR(0.5, half.red, 1e-9);
  EXPECT_NEAR(0.2, composite(GdkRGBA{1.0, 1.0, 1.0, 0.0}, Rgb{0.2, 0.2, 0.2}).green, 1e-9);

  // The least opacity for a ratio reaches it, one step less does not.
  const Rgb ink = rgb(238, 238, 236), ground = rgb(53, 53, 53);
  const double alpha = opacity_for_contrast(ink, ground, 3.0);
  EXPECT_GT(alpha, 0.0);
  EXPECT_LT(alpha, 1.0);
  EXPECT_GE(contrast_ratio(composite(GdkRGBA{ink.red, ink.green, ink.blue, alpha}, ground), ground), 3.0);
  EXPECT_LT(contrast_ratio(composite(GdkRGBA{ink.red, ink.green, ink.blue, alpha - 0.01}, ground),
                           ground),
            3.0);
  // A ratio that the full colour does not reach gives the full colour.
  EXPECT_EQ(1.0, opacity_for_contrast(rgb(60, 60, 60), ground, 3.0));
}

class ThemeContrastTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    GtkSettings *settings = gtk_settings_get_default();
    g_object_get(settings, "gtk-theme-name", &theme_, "gtk-application-prefer-dark-theme", &dark_,
                 nullptr);
  }
  void TearDown() override {
    g_object_set(gtk_settings_get_default(), "gtk-theme-name", theme_,
                 "gtk-application-prefer-dark-theme", dark_, nullptr);
    g_free(theme_);
    UiTest::TearDown();
  }
  gchar *theme_ = nullptr;
  gboolean dark_ = FALSE;
};

TEST_F(ThemeContrastTest, BarsTroughsAndBandsKeepThreeToOneInLightAndDarkThemes) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 63101000, "Apple, raw", "2024-01-03", 1.0));
  Activate();
  show_history_window(&state_);
  drain_events();
  ASSERT_NE(nullptr, state_.history_window);
  std::vector<GtkWidget *> areas = find_widgets(state_.history_window, GTK_TYPE_DRAWING_AREA);
  ASSERT_FALSE(areas.empty());
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "Adwaita:dark" : "Adwaita");
    g_object_set(gtk_settings_get_default(), "gtk-theme-name", "Adwaita",
                 "gtk-application-prefer-dark-theme", dark, nullptr);
    drain_events();
    GtkWidget *bar = state_.group_bars[0];
    const Rgb window = theme_colour(state_.main_window, "theme_bg_color", Rgb{1.0, 1.0, 1.0});
    EXPECT_EQ(dark, relative_luminance(window) < 0.2) << "the theme did not change";

    const char *const trough_node[] = {"trough"};
    const char *const progress_node[] = {"trough", "progress"};
    GdkRGBA trough, trough_edge, fill, over;
    node_colours(bar, trough_node, 1, nullptr, &trough, &trough_edge);
    node_colours(bar, progress_node, 2, nullptr, &fill, nullptr);
    node_colours(bar, progress_node, 2, BAR_OVER_BUDGET_CLASS, &over, nullptr);
    const Rgb trough_rgb = composite(trough, window);
    const double edge = contrast_ratio(composite(trough_edge, window), window);
    const double within = contrast_ratio(composite(fill, trough_rgb), trough_rgb);
    const double over_within = contrast_ratio(composite(over, trough_rgb), trough_rgb);

    const ChartPalette palette = history_chart_palette(areas[0]);
    auto on_window = [&](const ChartColour &c) {
      return contrast_ratio(composite(GdkRGBA{c.red, c.green, c.blue, c.alpha}, window), window);
    };
    const double band = on_window(palette.empty);
    const double history_bar = on_window(palette.bar);
    printf("%s: trough edge %.2f, bar on trough %.2f, over budget on trough %.2f, "
           "History band %.2f, History bar %.2f\n",
           dark ? "Adwaita:dark" : "Adwaita", edge, within, over_within, band, history_bar);
    EXPECT_GE(edge, 3.0);
    EXPECT_GE(within, 3.0);
    EXPECT_GE(over_within, 3.0);
    EXPECT_GE(band, 3.0);
    EXPECT_GE(history_bar, 4.5);
    // The bands stay fainter than the bars, which they must not be taken for.
    EXPECT_LT(palette.empty.alpha, palette.bar.alpha);
  }
}

}  // namespace
