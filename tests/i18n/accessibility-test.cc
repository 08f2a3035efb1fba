// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader learns through ATK from the main window and the dialogs.
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/entry-dialogs.h"
#include "ui/object-keys.h"
#include "ui/profile-dialog.h"

namespace {

constexpr int kSpaghettiSauce = 27141035;  // 0.4 cup-eq vegetables per serving
const char kSauceRow[] = "27141035  -  Spaghetti sauce  (2.5 servings)";

std::string accessible_name(GtkWidget *widget) {
  const char *name = atk_object_get_name(gtk_widget_get_accessible(widget));
  return name ? name : "";
}

std::string accessible_description(GtkWidget *widget) {
  const char *text = atk_object_get_description(gtk_widget_get_accessible(widget));
  return text ? text : "";
}

// The accessible names of the objects that label |widget| (ATK_RELATION_LABELLED_BY).
std::vector<std::string> labelled_by(GtkWidget *widget) {
  std::vector<std::string> names;
  AtkRelationSet *relations = atk_object_ref_relation_set(gtk_widget_get_accessible(widget));
  if (!relations) return names;
  AtkRelation *relation =
      atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY);
  if (relation) {
    GPtrArray *targets = atk_relation_get_target(relation);
    for (guint i = 0; targets && i < targets->len; ++i) {
      const char *name = atk_object_get_name(ATK_OBJECT(g_ptr_array_index(targets, i)));
      names.emplace_back(name ? name : "");
    }
  }
  g_object_unref(relations);
  return names;
}

// Whether the accessible of |label| names |widget| as what it labels (ATK_RELATION_LABEL_FOR).
bool labels(GtkWidget *label, GtkWidget *widget) {
  AtkRelationSet *relations = atk_object_ref_relation_set(gtk_widget_get_accessible(label));
  if (!relations) return false;
  bool found = false;
  AtkRelation *relation = atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABEL_FOR);
  if (relation) {
    GPtrArray *targets = atk_relation_get_target(relation);
    for (guint i = 0; targets && i < targets->len; ++i)
      if (g_ptr_array_index(targets, i) == gtk_widget_get_accessible(widget)) found = true;
  }
  g_object_unref(relations);
  return found;
}

GtkWidget *dialog_widget(GtkWidget *dialog, const char *key) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), key));
}

class AccessibilityTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  // Logs 2.5 servings of spaghetti sauce today and opens the main window.
  void ActivateWithSauce() {
    ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", today_, 2.5));
    Activate();
  }

  GtkWidget *FirstRowButton(const char *label) {
    GList *rows = gtk_container_get_children(GTK_CONTAINER(state_.log_list_box));
    GtkWidget *button = rows ? find_button(GTK_WIDGET(rows->data), label) : nullptr;
    g_list_free(rows);
    return button;
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(AccessibilityTest, BudgetBarsAreNamedAfterTheirTexts) {
  ActivateWithSauce();

  EXPECT_EQ("Vegetables (cup-eq): 1.0 / 2.5", accessible_name(state_.group_bars[0]));
  EXPECT_EQ("Oils (g): 2.3 / 27.0", accessible_name(state_.group_bars[FOOD_GROUP_COUNT - 1]));
  for (GtkWidget *bar : state_.group_bars) {
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)), accessible_name(bar));
  }
  EXPECT_EQ("Energy (kcal): 163 / 2000", accessible_name(state_.energy_bar));
}

TEST_F(AccessibilityTest, BarNamesFollowEveryRefresh) {
  ActivateWithSauce();
  ASSERT_EQ("Vegetables (cup-eq): 1.0 / 2.5", accessible_name(state_.group_bars[0]));

  // Another day: nothing eaten there.
  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2024-03-05");
  refresh_views(&state_);
  EXPECT_EQ("Vegetables (cup-eq): 0.0 / 2.5", accessible_name(state_.group_bars[0]));

  // A larger calorie target changes the budget half of the name.
  state_.calorie_target = 3000;
  on_today_clicked(nullptr, &state_);
  EXPECT_EQ("Vegetables (cup-eq): 1.0 / 4.0", accessible_name(state_.group_bars[0]));
  EXPECT_EQ("Energy (kcal): 163 / 3000", accessible_name(state_.energy_bar));
}

TEST_F(AccessibilityTest, RowButtonsAreDescribedByTheirEntry) {
  ActivateWithSauce();
  GtkWidget *edit = FirstRowButton("Edit");
  GtkWidget *del = FirstRowButton("Delete");
  ASSERT_NE(nullptr, edit);
  ASSERT_NE(nullptr, del);

  EXPECT_EQ("Edit", accessible_name(edit));
  EXPECT_EQ("Delete", accessible_name(del));
  EXPECT_EQ(kSauceRow, accessible_description(edit));
  EXPECT_EQ(kSauceRow, accessible_description(del));
}

TEST_F(AccessibilityTest, DateArrowsHaveSpokenNames) {
  Activate();
  GtkWidget *prev = find_button(state_.main_window, "◀");
  GtkWidget *next = find_button(state_.main_window, "▶");
  ASSERT_NE(nullptr, prev);
  ASSERT_NE(nullptr, next);
  EXPECT_EQ("Previous logged date", accessible_name(prev));
  EXPECT_EQ("Next logged date", accessible_name(next));
}

TEST_F(AccessibilityTest, ProfileInputsAreLabelledByTheirLabels) {
  Activate();
  show_profile_dialog(nullptr, &state_);
  drain_events();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);

  const struct {
    const char *key;
    const char *label;
  } inputs[] = {
      {KEY_BIRTHDAY_ENTRY, "Birthday:"}, {KEY_HEIGHT_SPIN, "Height (cm):"},
      {KEY_WEIGHT_SPIN, "Weight (kg):"}, {KEY_ACTIVITY_COMBO, "Activity level:"},
      {KEY_GENDER_COMBO, "Gender:"},
  };
  for (const auto &input : inputs) {
    GtkWidget *widget = dialog_widget(dialog, input.key);
    ASSERT_NE(nullptr, widget) << input.key;
    EXPECT_EQ(std::vector<std::string>{input.label}, labelled_by(widget)) << input.key;
  }

  // And the other way round: the birthday label points at the entry.
  GtkWidget *birthday = dialog_widget(dialog, KEY_BIRTHDAY_ENTRY);
  GtkWidget *birthday_label = nullptr;
  for (GtkWidget *label : find_widgets(dialog, GTK_TYPE_LABEL))
    if (g_strcmp0(gtk_label_get_text(GTK_LABEL(label)), "Birthday:") == 0) birthday_label = label;
  ASSERT_NE(nullptr, birthday_label);
  EXPECT_TRUE(labels(birthday_label, birthday));
  EXPECT_FALSE(labels(birthday_label, dialog_widget(dialog, KEY_HEIGHT_SPIN)));
}

TEST_F(AccessibilityTest, AddDialogServingsAndDateAreLabelled) {
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, kSpaghettiSauce, "Spaghetti sauce");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *spin = dialog_widget(dialog, KEY_SPIN_QUANTITY);
  GtkWidget *calendar = dialog_widget(dialog, KEY_CALENDAR);
  ASSERT_NE(nullptr, spin);
  ASSERT_NE(nullptr, calendar);
  EXPECT_EQ(std::vector<std::string>{"Servings:"}, labelled_by(spin));
  EXPECT_EQ(std::vector<std::string>{"Log Date"}, labelled_by(calendar));
}

// The amount and the measure follow the servings in the Tab order, with spoken names, and
// "Servings:" says what a serving is.
TEST_F(AccessibilityTest, AddDialogAmountAndMeasureFollowServings) {
  Activate();
  GtkWidget *dialog = open_add_dialog(&state_, kSpaghettiSauce, "Spaghetti sauce");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *spin = dialog_widget(dialog, KEY_SPIN_QUANTITY);
  ASSERT_NE(nullptr, spin);
  GtkWidget *amount = dialog_widget(spin, KEY_AMOUNT_SPIN);
  GtkWidget *measure = dialog_widget(spin, KEY_MEASURE_COMBO);
  ASSERT_NE(nullptr, amount);
  ASSERT_NE(nullptr, measure);
  EXPECT_EQ("Amount", accessible_name(amount));
  EXPECT_EQ("Measure", accessible_name(measure));
  for (GtkWidget *label : find_widgets(dialog, GTK_TYPE_LABEL)) {
    if (gtk_label_get_mnemonic_widget(GTK_LABEL(label)) != spin) continue;
    gchar *tooltip = gtk_widget_get_tooltip_text(label);
    EXPECT_STREQ("One serving is 100 g of the food.", tooltip);
    g_free(tooltip);
  }

  ASSERT_TRUE(wait_until([&] { return gtk_widget_get_mapped(dialog) != FALSE; }));
  // Without a window manager nobody makes the dialog the active window, as a click would.
  GdkEvent *focus_in = gdk_event_new(GDK_FOCUS_CHANGE);
  focus_in->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(dialog)));
  focus_in->focus_change.in = TRUE;
  gtk_widget_send_focus_change(dialog, focus_in);
  gdk_event_free(focus_in);
  gtk_widget_grab_focus(spin);
  GtkWidget *order[3] = {nullptr, nullptr, nullptr};
  for (GtkWidget *&next : order) {
    g_signal_emit_by_name(dialog, "move-focus", GTK_DIR_TAB_FORWARD);  // what Tab does
    next = gtk_window_get_focus(GTK_WINDOW(dialog));
  }
  EXPECT_EQ(amount, order[0]);
  EXPECT_TRUE(order[1] == measure || (order[1] && gtk_widget_is_ancestor(order[1], measure)));
  EXPECT_EQ(dialog_widget(dialog, KEY_CALENDAR), order[2]);
}

TEST_F(AccessibilityTest, EditDialogServingsAndDateAreLabelled) {
  ActivateWithSauce();
  GtkWidget *edit = FirstRowButton("Edit");
  ASSERT_NE(nullptr, edit);
  gtk_button_clicked(GTK_BUTTON(edit));
  drain_events();

  GtkWidget *dialog = dialog_titled("Spaghetti sauce");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *spin = dialog_widget(dialog, KEY_SPIN_QUANTITY);
  GtkWidget *calendar = dialog_widget(dialog, KEY_CALENDAR);
  ASSERT_NE(nullptr, spin);
  ASSERT_NE(nullptr, calendar);
  EXPECT_EQ(std::vector<std::string>{"Servings:"}, labelled_by(spin));
  EXPECT_EQ(std::vector<std::string>{"Date"}, labelled_by(calendar));
}

}  // namespace
