// SPDX-License-Identifier: GPL-3.0-or-later
// The weight of the main window with real widgets: Ctrl+M and Enter log the day's weight,
// a second one replaces it and Ctrl+Z brings the first back; refused text stays with a
// message; the quick-log field's "Log weight" suggestion; pounds; the offer to update the
// profile, accepted and declined; the weight in History's table.
#include "ui/weight-view.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "budget/calorie-target.h"
#include "budget/date-string.h"
#include "store/weight-log.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/history-window.h"
#include "ui/quick-log.h"

namespace {

class WeightViewTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);  // 65 kg
    date_today(today_);
  }

  GtkWidget *Field() { return weight_view_field(&state_); }

  // Ctrl+M, then |text| and Enter in the weight field.
  void Enter(const char *text) {
    send_key(state_.main_window, GDK_KEY_m, GDK_CONTROL_MASK);
    EXPECT_EQ(Field(), gtk_window_get_focus(GTK_WINDOW(state_.main_window)));
    gtk_entry_set_text(GTK_ENTRY(Field()), text);
    send_key(Field(), GDK_KEY_Return);
  }

  // Today's weight, or NaN.
  double Today() {
    double kg = NAN;
    return weight_log_get(state_.log_db, today_, &kg) == 0 ? kg : NAN;
  }

  std::string NoticeText() {
    for (const std::string &text : label_texts(quick_log_notification(&state_)))
      if (!text.empty()) return text;
    return "";
  }

  bool OfferShown() {
    return gtk_revealer_get_reveal_child(GTK_REVEALER(weight_view_offer(&state_)));
  }

  std::string FieldText() { return gtk_entry_get_text(GTK_ENTRY(Field())); }

  std::string ShownToday() {
    char shown[DISPLAY_DATE_SIZE];
    return date_to_display(today_, shown);
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(WeightViewTest, EnterLogsTheWeightASecondReplacesItAndUndoPutsItBack) {
  Activate();
  // After the frames, at the end of the window's box.
  GtkWidget *box = gtk_widget_get_parent(state_.log_frame);
  GList *children = gtk_container_get_children(GTK_CONTAINER(box));
  EXPECT_EQ(state_.log_frame, g_list_nth_data(children, 1));
  EXPECT_TRUE(gtk_widget_is_ancestor(Field(), GTK_WIDGET(g_list_last(children)->data)));
  g_list_free(children);
  EXPECT_EQ("", FieldText());

  Enter("81.4");
  EXPECT_DOUBLE_EQ(81.4, Today());
  EXPECT_EQ("Weight 81.4 kg logged for " + ShownToday(), NoticeText());
  EXPECT_EQ("81.4", FieldText());
  EXPECT_NE(std::string::npos,
            std::string(gtk_label_get_text(GTK_LABEL(weight_view_trend_label(&state_))))
                .find("Trend 81.4 kg"));
  // The trend reads beside the field, within the row's height: no line of the window goes
  // from the food log to it.
  GtkWidget *trend = weight_view_trend_label(&state_);
  ASSERT_TRUE(wait_until([&] {
    return gtk_widget_get_allocated_height(trend) > 1 && gtk_widget_get_allocated_height(Field()) > 1;
  }));
  int field_x = 0, field_y = 0, trend_x = 0, trend_y = 0;
  gtk_widget_translate_coordinates(Field(), state_.main_window, 0, 0, &field_x, &field_y);
  gtk_widget_translate_coordinates(trend, state_.main_window, 0, 0, &trend_x, &trend_y);
  EXPECT_GT(trend_x, field_x);
  EXPECT_LT(trend_y, field_y + gtk_widget_get_allocated_height(Field()));
  EXPECT_GT(trend_y + gtk_widget_get_allocated_height(trend), field_y);

  Enter(" 80.9 kg ");
  EXPECT_DOUBLE_EQ(80.9, Today());
  EXPECT_EQ("Weight 80.9 kg logged for " + ShownToday() + " in place of 81.4 kg", NoticeText());
  EXPECT_EQ(1, query_int(state_.log_db, "SELECT count(*) FROM weight_log"));

  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_DOUBLE_EQ(81.4, Today());
  EXPECT_EQ("81.4", FieldText());
  EXPECT_EQ("Undone: the weight 80.9 kg", NoticeText());
  // One undo per write: a second Ctrl+Z leaves the first weight.
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_DOUBLE_EQ(81.4, Today());
}

// Whatever is no weight is refused where it was typed: the text stays, the message says
// what to type, and nothing is stored.
TEST_F(WeightViewTest, TextThatIsNoWeightStaysWithAMessage) {
  Activate();
  struct Case {
    const char *text;
    const char *message;
  };
  const Case cases[] = {
      {"", "Type your weight in kg, such as 81.4."},
      {"   ", "Type your weight in kg, such as 81.4."},
      {"abc", "“abc” is not a weight. Type a number, such as 81.4."},
      {"81.4.5", "“81.4.5” is not a weight. Type a number, such as 81.4."},
      {"1e2", "“1e2” is not a weight. Type a number, such as 81.4."},
      {"81.4 stone", "“81.4 stone” is not a weight. Type a number, such as 81.4."},
      {"19.9", "Type a weight from 20 to 400 kg."},
      {"400.1", "Type a weight from 20 to 400 kg."},
      {"-81", "Type a weight from 20 to 400 kg."},
      {"900 lb", "Type a weight from 44.1 to 881.8 lb."},
  };
  GtkWidget *error = weight_view_error_label(&state_);
  for (const Case &c : cases) {
    Enter(c.text);
    EXPECT_EQ(c.text, FieldText()) << c.text;
    EXPECT_TRUE(gtk_widget_get_visible(error)) << c.text;
    EXPECT_STREQ(c.message, gtk_label_get_text(GTK_LABEL(error))) << c.text;
    EXPECT_EQ(Field(), gtk_window_get_focus(GTK_WINDOW(state_.main_window)));
  }
  EXPECT_EQ(0, query_int(state_.log_db, "SELECT count(*) FROM weight_log"));
  // Typing again takes the message away; the limits themselves are taken.
  gtk_entry_set_text(GTK_ENTRY(Field()), "2");
  EXPECT_FALSE(gtk_widget_get_visible(error));
  Enter("20");
  EXPECT_DOUBLE_EQ(20.0, Today());
  Enter("400");
  EXPECT_DOUBLE_EQ(400.0, Today());
}

TEST_F(WeightViewTest, GermanDecimalsReadAsInTheOtherNumberFields) {
  NumericLocale german("de_DE.UTF-8");
  if (!german.available()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  double kg = 0.0;
  std::string why;
  EXPECT_TRUE(weight_text_read("81,4", WeightUnit::kKilograms, &kg, &why));
  EXPECT_DOUBLE_EQ(81.4, kg);
  EXPECT_TRUE(weight_text_read("81.4", WeightUnit::kKilograms, &kg, &why));
  EXPECT_DOUBLE_EQ(81.4, kg);
  EXPECT_FALSE(weight_text_read("1.081,4", WeightUnit::kKilograms, &kg, &why));
  EXPECT_EQ("81,4 kg", weight_text(81.4, WeightUnit::kKilograms));
}

// "weight 81.4" and "81.4 kg" offer "Log weight 81.4 kg" before the foods; Enter logs it
// and Ctrl+Z undoes it. A bare number or a weight outside the log's range offers none.
TEST_F(WeightViewTest, QuickLogFieldOffersTheWeightFirst) {
  Activate();
  GtkWidget *field = quick_log_field(&state_);
  send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
  struct Case {
    const char *text;
    const char *first;  // the first suggestion, or null for none that logs a weight
  };
  const Case cases[] = {
      {"weight 81.4", "Log weight 81.4 kg"}, {"Weight: 81.4 kg", "Log weight 81.4 kg"},
      {"81.4 kg", "Log weight 81.4 kg"},     {"81.4kg", "Log weight 81.4 kg"},
      {"weight 180 lb", "Log weight 180.0 lb"}, {"81.4", nullptr},
      {"weight", nullptr},                  {"weight 500", nullptr},
      {"5 kg", nullptr},                    {"weightless", nullptr},
  };
  for (const Case &c : cases) {
    gtk_entry_set_text(GTK_ENTRY(field), c.text);
    drain_events();
    const std::vector<std::string> shown = quick_log_suggestion_texts(&state_);
    const bool weight_first = !shown.empty() && shown[0].rfind("Log weight", 0) == 0;
    if (c.first) {
      ASSERT_TRUE(weight_first) << c.text;
      EXPECT_EQ(c.first, shown[0]) << c.text;
    } else {
      EXPECT_FALSE(weight_first) << c.text;
    }
  }
  gtk_entry_set_text(GTK_ENTRY(field), "81.4 kg");
  drain_events();
  send_key(field, GDK_KEY_Return);
  EXPECT_DOUBLE_EQ(81.4, Today());
  EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(field)));
  EXPECT_EQ(field, gtk_window_get_focus(GTK_WINDOW(state_.main_window)));
  EXPECT_EQ("81.4", FieldText());
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_TRUE(std::isnan(Today()));
  EXPECT_EQ("", FieldText());
}

// In pounds the field, its unit and the messages are in pounds; the log keeps kilograms.
TEST_F(WeightViewTest, PoundsChosenInTheProfileAreTypedAndShown) {
  ASSERT_EQ(0, weight_unit_save(state_.log_db, 1));
  Activate();
  Enter("180");
  EXPECT_NEAR(180.0 * kKgPerPound, Today(), 1e-6);
  EXPECT_EQ("180.0", FieldText());
  EXPECT_EQ("Weight 180.0 lb logged for " + ShownToday(), NoticeText());
  Enter("90 kg");
  EXPECT_DOUBLE_EQ(90.0, Today());
  EXPECT_EQ("198.4", FieldText());
  Enter("30");
  EXPECT_STREQ("Type a weight from 44.1 to 881.8 lb.",
               gtk_label_get_text(GTK_LABEL(weight_view_error_label(&state_))));
}

// The profile says 65 kg; a trend 1 kg or more away is offered, once, in the notification:
// declined, it stays away until the trend moves a kilogram further; accepted, the profile's
// weight and the calorie target follow. Nothing else changes the profile.
TEST_F(WeightViewTest, TrendFarFromTheProfileOffersAnUpdate) {
  Activate();
  Enter("65.5");
  EXPECT_FALSE(OfferShown());
  Enter("80");  // the only weight of the log: the trend is 80 kg
  ASSERT_TRUE(OfferShown());
  const int target = calorie_target_compute("1990-05-07", 1, 0, 170.0, 80.0);
  char expected[128];
  snprintf(expected, sizeof expected,
           "Update the profile to 80.0 kg? Your target becomes %d kcal.", target);
  EXPECT_STREQ(expected, gtk_label_get_text(GTK_LABEL(weight_view_offer_label(&state_))));
  Profile stored;
  ASSERT_EQ(0, profile_load(state_.log_db, &stored));
  EXPECT_DOUBLE_EQ(65.0, stored.weight_kg);
  profile_clear(&stored);

  // "Keep": the same weight is not offered again.
  gtk_button_clicked(GTK_BUTTON(find_button(weight_view_offer(&state_), "Keep")));
  drain_events();
  EXPECT_FALSE(OfferShown());
  Enter("80.5");
  EXPECT_FALSE(OfferShown());
  Enter("81.2");
  ASSERT_TRUE(OfferShown());

  gtk_button_clicked(GTK_BUTTON(weight_view_offer_button(&state_)));
  drain_events();
  EXPECT_FALSE(OfferShown());
  ASSERT_EQ(0, profile_load(state_.log_db, &stored));
  EXPECT_DOUBLE_EQ(81.2, stored.weight_kg);
  EXPECT_EQ(calorie_target_compute("1990-05-07", 1, 0, 170.0, 81.2), stored.calorie_target);
  EXPECT_EQ(stored.calorie_target, state_.calorie_target);
  EXPECT_STREQ("1990-05-07", stored.bdate);
  profile_clear(&stored);
}

TEST_F(WeightViewTest, HistoryShowsTheWeightInItsTable) {
  Activate();
  Enter("81.4");
  show_history_window(&state_);
  drain_events();
  GtkWidget *window = state_.history_window;
  ASSERT_NE(nullptr, window);
  std::vector<GtkWidget *> tables = find_widgets(window, GTK_TYPE_TREE_VIEW);
  ASSERT_EQ(1u, tables.size());
  GtkTreeView *table = GTK_TREE_VIEW(tables[0]);
  const int columns = static_cast<int>(gtk_tree_view_get_n_columns(table));
  GtkTreeViewColumn *weight = gtk_tree_view_get_column(table, columns - 1);
  EXPECT_STREQ("Weight (kg)", gtk_tree_view_column_get_title(weight));
  GtkTreeModel *model = gtk_tree_view_get_model(table);
  const int rows = gtk_tree_model_iter_n_children(model, nullptr);
  ASSERT_EQ(7, rows);
  GtkTreeIter iter;
  ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, rows - 1));
  gchar *last = nullptr;
  gchar *before = nullptr;
  gtk_tree_model_get(model, &iter, columns - 1, &last, -1);
  ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, rows - 2));
  gtk_tree_model_get(model, &iter, columns - 1, &before, -1);
  EXPECT_STREQ("81.4", last);
  EXPECT_STREQ("", before);
  g_free(last);
  g_free(before);
  // A replaced weight shows at once.
  Enter("80.9");
  ASSERT_TRUE(gtk_tree_model_iter_nth_child(model, &iter, nullptr, rows - 1));
  gtk_tree_model_get(model, &iter, columns - 1, &last, -1);
  EXPECT_STREQ("80.9", last);
  g_free(last);
}

}  // namespace
