// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the dialogs as GNOME lays out dialogs, measured on the real widgets: rows
// 12 px apart and 18 px from the dialog's edges, notes that wrap to the dialog's width
// without stretching the rows, and long measures cut in the middle with a tooltip.
#include <string>
#include <vector>

#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/measure-chooser.h"
#include "ui/object-keys.h"
#include "ui/search-dialog.h"

namespace {

constexpr int kMilk = 11111000;         // "Milk, whole"; "1 cup (244 g)"
constexpr int kPigsFeet = 27221100;     // a measure of 114 characters

struct Box {
  int x, y, width, height;
};

class DialogLayoutTest : public UiTest {
 protected:
  void TearDown() override { TearDownSafely(); }

  // Where |widget| lies in |dialog|'s window.
  static Box BoxOf(GtkWidget *widget, GtkWidget *dialog) {
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(widget, dialog, 0, 0, &x, &y);
    return Box{x, y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
  }

  // The rows of the content area on show, top first (the buttons' box left out).
  static std::vector<GtkWidget *> Rows(GtkWidget *dialog) {
    std::vector<GtkWidget *> rows;
    GtkWidget *cancel = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);

    GList *children = gtk_container_get_children(
        GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))));
    for (GList *l = children; l; l = l->next)
      if (gtk_widget_get_visible(GTK_WIDGET(l->data)) &&
          !(cancel && gtk_widget_is_ancestor(cancel, GTK_WIDGET(l->data))))
        rows.push_back(GTK_WIDGET(l->data));
    g_list_free(children);
    return rows;
  }

  // Every row 18 px from the dialog's sides, the first 18 px from its top, each 12 px
  // below the one before it.
  static void ExpectGnomeLayout(GtkWidget *dialog) {
    ASSERT_TRUE(wait_until([&] { return gtk_widget_get_mapped(dialog); }));
    drain_events();
    const int width = gtk_widget_get_allocated_width(dialog);
    std::vector<GtkWidget *> rows = Rows(dialog);
    ASSERT_FALSE(rows.empty());
    for (size_t i = 0; i < rows.size(); i++) {
      SCOPED_TRACE(G_OBJECT_TYPE_NAME(rows[i]) + std::string(" ") + std::to_string(i) + " " +
                   std::to_string(rows.size()));
      const Box box = BoxOf(rows[i], dialog);
      EXPECT_EQ(18, box.x);
      EXPECT_EQ(18, width - box.x - box.width);
      if (i == 0) EXPECT_EQ(18, box.y);
      else EXPECT_EQ(12, box.y - (BoxOf(rows[i - 1], dialog).y + BoxOf(rows[i - 1], dialog).height));
    }
  }

  GtkWidget *SpinOf(GtkWidget *dialog) {
    return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY));
  }
};

TEST_F(DialogLayoutTest, DialogsKeepTwelvePixelsBetweenRowsAndEighteenFromTheirEdges) {
  StoreCompleteProfile();
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilk, "Milk, whole", "2026-12-08", 2.44));
  Activate();
  {
    SCOPED_TRACE("add to log");
    GtkWidget *dialog = open_add_dialog(&state_, kMilk, "Milk, whole");
    ASSERT_NE(nullptr, dialog);
    ExpectGnomeLayout(dialog);
    // The row's first widget, its label, stands at the edge too.
    GtkWidget *row = Rows(dialog)[0];
    GList *items = gtk_container_get_children(GTK_CONTAINER(row));
    EXPECT_EQ(18, BoxOf(GTK_WIDGET(items->data), dialog).x);
    g_list_free(items);
    gtk_widget_destroy(dialog);
  }
  {
    SCOPED_TRACE("edit");
    snprintf(state_.current_date, sizeof state_.current_date, "%s", "2026-12-08");
    refresh_views(&state_);
    gtk_button_clicked(GTK_BUTTON(find_button(state_.log_list_box, "Edit")));
    drain_events();
    GtkWidget *dialog = dialog_titled("Milk, whole");
    ASSERT_NE(nullptr, dialog);
    ExpectGnomeLayout(dialog);
    gtk_widget_destroy(dialog);
  }
  {
    SCOPED_TRACE("profile");
    gtk_button_clicked(GTK_BUTTON(find_button(state_.main_window, "Profile")));
    drain_events();
    GtkWidget *dialog = dialog_titled("Profile");
    ASSERT_NE(nullptr, dialog);
    ExpectGnomeLayout(dialog);
    gtk_widget_destroy(dialog);
  }
  {
    SCOPED_TRACE("search");
    on_search_clicked(nullptr, &state_);
    drain_events();
    GtkWidget *dialog = dialog_titled("Search Foods");
    ASSERT_NE(nullptr, dialog);
    ExpectGnomeLayout(dialog);
    gtk_widget_destroy(dialog);
  }
  drain_events();
}

// A note about the amount goes below its row and wraps there, however long it is; the row
// and the dialog keep their widths.
TEST_F(DialogLayoutTest, ANoteWrapsBelowItsRowWithoutStretchingIt) {
  StoreCompleteProfile();
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, kMilk, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(wait_until([&] { return gtk_widget_get_mapped(dialog); }));
  GtkWidget *spin = SpinOf(dialog);
  GtkWidget *row = gtk_widget_get_parent(spin);
  const int dialog_width = gtk_widget_get_allocated_width(dialog);
  const int row_width = gtk_widget_get_allocated_width(row);
  // 1000 cups are more servings than may be logged: the note says so.
  ASSERT_TRUE(choose_measure(spin, "1 cup (244 g)"));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(amount_spin_of(spin)), 1000.0);
  drain_events();
  GtkWidget *note = measure_chooser_note(spin);
  ASSERT_NE(nullptr, note);
  ASSERT_TRUE(gtk_widget_is_visible(note));
  const std::string said = gtk_label_get_text(GTK_LABEL(note));
  EXPECT_FALSE(said.empty());
  // Longer than a line of the dialog.
  const std::string longer = said + " " + said + " " + said + " " + said;
  gtk_label_set_text(GTK_LABEL(note), longer.c_str());
  ASSERT_TRUE(wait_until([&] {
    drain_events();
    return BoxOf(note, dialog).x > 0;
  }));
  drain_events();
  EXPECT_EQ(dialog_width, gtk_widget_get_allocated_width(dialog));
  EXPECT_EQ(row_width, gtk_widget_get_allocated_width(row));
  const Box box = BoxOf(note, dialog);
  EXPECT_EQ(18, box.x);
  EXPECT_LE(box.x + box.width, dialog_width - 18);
  // Below the row, on more than one line.
  EXPECT_EQ(12, box.y - (BoxOf(row, dialog).y + BoxOf(row, dialog).height));
  PangoLayout *layout = gtk_label_get_layout(GTK_LABEL(note));
  EXPECT_GT(pango_layout_get_line_count(layout), 1);
  gtk_widget_destroy(dialog);
}

TEST_F(DialogLayoutTest, ALongMeasureIsCutInTheMiddleWithTheWholeOfItAsTooltip) {
  StoreCompleteProfile();
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, kPigsFeet, "Stewed pig's feet, Puerto Rican style");
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(wait_until([&] { return gtk_widget_get_mapped(dialog); }));
  GtkWidget *spin = SpinOf(dialog);
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(spin), KEY_MEASURE_COMBO));
  ASSERT_NE(nullptr, combo);
  // The first item, "100 g", is its own tooltip.
  gchar *tooltip = gtk_widget_get_tooltip_text(combo);
  EXPECT_STREQ("100 g", tooltip);
  g_free(tooltip);
  std::string whole;
  for (const std::string &item : measure_items(spin))
    if (item.size() > whole.size()) whole = item;
  ASSERT_GT(whole.size(), 100u);
  ASSERT_TRUE(choose_measure(spin, whole.c_str()));
  drain_events();
  tooltip = gtk_widget_get_tooltip_text(combo);
  EXPECT_EQ(whole, tooltip ? tooltip : "");
  g_free(tooltip);
  // Cut in the middle, and the dialog no wider than it opened.
  GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
  ASSERT_NE(nullptr, cells);
  PangoEllipsizeMode mode = PANGO_ELLIPSIZE_NONE;
  g_object_get(cells->data, "ellipsize", &mode, nullptr);
  g_list_free(cells);
  EXPECT_EQ(PANGO_ELLIPSIZE_MIDDLE, mode);
  EXPECT_LE(BoxOf(combo, dialog).x + gtk_widget_get_allocated_width(combo),
            gtk_widget_get_allocated_width(dialog) - 18);
  gtk_widget_destroy(dialog);
}

}  // namespace
