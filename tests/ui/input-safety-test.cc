// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing the user enters is lost or misread: failed writes keep their dialog open and say
// why, an unreadable profile cannot be overwritten with the form's defaults, numbers read
// the same with "." and the locale's separator, and entries are found by their whole id.
#include <sqlite3.h>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "app/main-window.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"
#include "ui/profile-dialog.h"

namespace {

constexpr int kWholeMilk = 11111000;

bool has_error_class(GtkWidget *widget) {
  return gtk_style_context_has_class(gtk_widget_get_style_context(widget), GTK_STYLE_CLASS_ERROR);
}

GtkWidget *object_widget(GtkWidget *dialog, const char *key) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), key));
}

void click(GtkWidget *root, const char *label) {
  GtkWidget *button = find_button(root, label);
  ASSERT_NE(nullptr, button) << label;
  gtk_button_clicked(GTK_BUTTON(button));
  drain_events();
}

class InputSafetyTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
    snprintf(state_.current_date, sizeof state_.current_date, "%s", today_);
  }

  // The stored entries of today as "servings" texts, in id order.
  std::vector<double> TodaysServings() {
    std::vector<double> out;
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(state_.log_db, today_, &list));
    for (size_t i = 0; i < list.count; ++i) out.push_back(list.items[i].servings);
    log_entry_list_free(&list);
    return out;
  }

  GtkWidget *RowButton(const char *label, size_t row = 0) {
    std::vector<GtkWidget *> found;
    for (GtkWidget *button : find_widgets(state_.log_list_box, GTK_TYPE_BUTTON)) {
      const char *text = gtk_button_get_label(GTK_BUTTON(button));
      if (text && strcmp(text, label) == 0) found.push_back(button);
    }
    return row < found.size() ? found[row] : nullptr;
  }

  char today_[DATE_STRING_SIZE];
};

// One kind of write the user makes from a dialog, and how to see that it landed.
struct WriteCase {
  const char *name;
  std::function<GtkWidget *()> open;  // shows the dialog
  const char *spin_key;                                // the number typed into it
  const char *typed;
  const char *button;
  const char *told;  // the message's first line
  std::function<bool()> landed;
};

TEST_F(InputSafetyTest, FailedWritesKeepTheirDialogOpenWithWhatWasTypedAndSayWhy) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kWholeMilk, "Milk, whole", today_, 1.0));
  Activate();
  const WriteCase cases[] = {
      {"add", [this] { return open_add_dialog(&state_, kWholeMilk, "Milk, whole"); },
       KEY_SPIN_QUANTITY, "2.25", "Add to Log", "The food was not added to the log.",
       [this] { return TodaysServings() == std::vector<double>{1.0, 2.25}; }},
      {"edit",
       [this] {
         gtk_button_clicked(GTK_BUTTON(RowButton("Edit")));
         drain_events();
         return dialog_titled("Milk, whole");
       },
       KEY_SPIN_QUANTITY, "3.75", "Save", "The changes to this entry were not saved.",
       [this] { return TodaysServings().at(0) == 3.75; }},
      {"profile",
       [this] {
         gtk_button_clicked(GTK_BUTTON(find_button(state_.main_window, "Profile")));
         drain_events();
         return dialog_titled("Profile");
       },
       KEY_WEIGHT_SPIN, "72.5", "Save", "Your profile was not saved.",
       [this] {
         Profile p;
         const bool saved = profile_load(state_.log_db, &p) == 0 && p.weight_kg == 72.5;
         profile_clear(&p);
         return saved;
       }},
  };
  for (const WriteCase &c : cases) {
    SCOPED_TRACE(c.name);
    GtkWidget *dialog = c.open();
    ASSERT_NE(nullptr, dialog);
    WidgetWatch watch(dialog);
    GtkWidget *spin = object_widget(dialog, c.spin_key);
    gtk_entry_set_text(GTK_ENTRY(spin), c.typed);

    ASSERT_NO_FATAL_FAILURE(LockLog());
    testing::internal::CaptureStderr();
    click(dialog, c.button);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, err.find("alimora: cannot ")) << err;
    EXPECT_NE(std::string::npos, err.find("database is locked")) << err;
    ASSERT_NE(nullptr, watch.get()) << "the dialog closed as if the write had worked";
    EXPECT_STREQ(c.typed, gtk_entry_get_text(GTK_ENTRY(spin)));
    std::vector<GtkWidget *> told = messages_over(dialog);
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(std::string(c.told) + "\nThe log database reported: database is locked",
              message_texts(told[0]));
    GtkMessageType type = GTK_MESSAGE_OTHER;
    g_object_get(told[0], "message-type", &type, nullptr);
    EXPECT_EQ(GTK_MESSAGE_ERROR, type);
    gtk_dialog_response(GTK_DIALOG(told[0]), GTK_RESPONSE_CLOSE);
    drain_events();
    UnlockLog();
    EXPECT_FALSE(c.landed());

    // Trying again once the lock is gone stores exactly what was typed.
    click(dialog, c.button);
    EXPECT_EQ(nullptr, watch.get());
    EXPECT_TRUE(c.landed());
    EXPECT_TRUE(messages_over(state_.main_window).empty());
  }
}

TEST_F(InputSafetyTest, FailedDeleteKeepsTheEntryListedAndSaysSo) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kWholeMilk, "Milk, whole", today_, 1.0));
  Activate();
  ASSERT_NO_FATAL_FAILURE(LockLog());
  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *question) { gtk_dialog_response(question, GTK_RESPONSE_YES); });
  testing::internal::CaptureStderr();
  gtk_button_clicked(GTK_BUTTON(RowButton("Delete")));
  drain_events();
  EXPECT_EQ("alimora: cannot delete log entry: database is locked\n",
            testing::internal::GetCapturedStderr());
  std::vector<GtkWidget *> told = messages_over(state_.main_window);
  ASSERT_EQ(1u, told.size());
  EXPECT_EQ("The entry was not deleted.\nThe log database reported: database is locked",
            message_texts(told[0]));
  UnlockLog();
  EXPECT_NE(nullptr, RowButton("Delete")) << "the entry is still listed";
  EXPECT_EQ(std::vector<double>{1.0}, TodaysServings());
}

// A stored profile that cannot be read (another process holds the file) must not be
// replaced by the form's defaults: Save stays off until "Try Again" has read it.
TEST_F(InputSafetyTest, UnreadableProfileCannotBeOverwrittenUntilItIsRead) {
  char bdate[] = "1980-02-29";
  Profile stored{bdate, 180.0, 80.0, 2, 1, 2600};
  ASSERT_EQ(0, profile_save(state_.log_db, &stored));
  Activate();
  ASSERT_NO_FATAL_FAILURE(LockLog());
  testing::internal::CaptureStderr();
  gtk_button_clicked(GTK_BUTTON(find_button(state_.main_window, "Profile")));
  drain_events();
  EXPECT_EQ("alimora: SQL error: database is locked\n", testing::internal::GetCapturedStderr());
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  GtkWidget *save = find_button(dialog, "Save");
  ASSERT_NE(nullptr, save);
  EXPECT_FALSE(gtk_widget_get_sensitive(save));
  GtkWidget *bar = object_widget(dialog, KEY_PROFILE_INFO_BAR);
  ASSERT_NE(nullptr, bar);
  EXPECT_TRUE(gtk_widget_get_visible(bar));
  const std::vector<std::string> texts = label_texts(bar);
  ASSERT_FALSE(texts.empty());
  EXPECT_NE(std::string::npos, texts[0].find("database is locked")) << texts[0];

  // Even a Save that gets through (Enter, say) stores nothing.
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(object_widget(dialog, KEY_WEIGHT_SPIN)), 79.0);
  gtk_button_clicked(GTK_BUTTON(save));
  drain_events();
  ASSERT_NE(nullptr, watch.get());

  // Still locked: trying again says so again.
  testing::internal::CaptureStderr();
  click(bar, "Try Again");
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(gtk_widget_get_sensitive(save));

  UnlockLog();
  click(bar, "Try Again");
  EXPECT_TRUE(gtk_widget_get_sensitive(save));
  EXPECT_FALSE(gtk_widget_get_visible(bar));
  EXPECT_DOUBLE_EQ(80.0, gtk_spin_button_get_value(
                             GTK_SPIN_BUTTON(object_widget(dialog, KEY_WEIGHT_SPIN))));
  EXPECT_STREQ("1980-02-29",
               gtk_entry_get_text(GTK_ENTRY(object_widget(dialog, KEY_BIRTHDAY_ENTRY))));
  Profile now;
  ASSERT_EQ(0, profile_load(state_.log_db, &now));
  EXPECT_STREQ("1980-02-29", now.bdate);
  EXPECT_EQ(80.0, now.weight_kg);
  EXPECT_EQ(2600, now.calorie_target);
  profile_clear(&now);
}

TEST(DecimalParse, TakesThePointAndTheLocalesSeparatorAndNothingElse) {
  struct Case {
    const char *text;
    bool ok;
    double value;
  };
  const Case both[] = {
      {"2.5", true, 2.5}, {" 180.5 ", true, 180.5}, {"7", true, 7.0}, {".5", true, 0.5},
      {"3.", true, 3.0},  {"-1.5", true, -1.5},     {"+2", true, 2.0}, {"", false, 0},
      {"  ", false, 0},   {".", false, 0},          {"abc", false, 0}, {"2.5x", false, 0},
      {"1.2.3", false, 0}, {"1e3", false, 0},       {"- 1", false, 0}, {"inf", false, 0},
  };
  for (const char *locale : {"C.UTF-8", "de_DE.UTF-8"}) {
    NumericLocale numeric(locale);
    if (!numeric.available()) continue;
    const bool comma = strcmp(locale, "de_DE.UTF-8") == 0;
    std::vector<Case> cases(std::begin(both), std::end(both));
    cases.push_back({"2,5", comma, 2.5});
    cases.push_back({"1.000,5", false, 0});
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(locale) + " \"" + c.text + "\"");
      double value = -99.0;
      EXPECT_EQ(c.ok, decimal_parse(c.text, &value));
      EXPECT_EQ(c.ok ? c.value : -99.0, value);
    }
  }
}

// Typed in the add-to-log dialog under a German locale: what is stored is what was meant,
// and text that is no number stores nothing and is marked where it was typed.
TEST_F(InputSafetyTest, ServingsTypedWithEitherSeparatorAreStoredAsShown) {
  NumericLocale german("de_DE.UTF-8");
  if (!german.available()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  Activate();
  struct Case {
    const char *typed;
    bool stored;
    double servings;
  };
  const Case cases[] = {{"2.5", true, 2.5}, {"2,5", true, 2.5}, {"0,25", true, 0.25}, {"0,125", true, 0.13},
                        {"2.5x", false, 0}, {"zwei", false, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    GtkWidget *dialog = open_add_dialog(&state_, kWholeMilk, "Milk, whole");
    ASSERT_NE(nullptr, dialog);
    WidgetWatch watch(dialog);
    GtkWidget *spin = object_widget(dialog, KEY_SPIN_QUANTITY);
    gtk_entry_set_text(GTK_ENTRY(spin), c.typed);
    const size_t before = TodaysServings().size();
    click(dialog, "Add to Log");
    if (c.stored) {
      EXPECT_EQ(nullptr, watch.get());
      ASSERT_EQ(before + 1, TodaysServings().size());
      EXPECT_DOUBLE_EQ(c.servings, TodaysServings().back());
    } else {
      ASSERT_NE(nullptr, watch.get());
      EXPECT_EQ(before, TodaysServings().size());
      EXPECT_STREQ(c.typed, gtk_entry_get_text(GTK_ENTRY(spin)));
      EXPECT_TRUE(has_error_class(spin));
      // Leaving the field keeps the text and its mark; editing it clears the mark.
      gtk_spin_button_update(GTK_SPIN_BUTTON(spin));
      EXPECT_STREQ(c.typed, gtk_entry_get_text(GTK_ENTRY(spin)));
      EXPECT_DOUBLE_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
      gtk_entry_set_text(GTK_ENTRY(spin), "1,5");
      EXPECT_FALSE(has_error_class(spin));
      gtk_widget_destroy(dialog);
      drain_events();
    }
  }
}

// ps_AF writes its decimal point in two bytes, which a numeric spin button drops: every
// number field starts with its number shown in the locale's form, and stores it.
TEST_F(InputSafetyTest, FieldsStartWithTheirNumberWhereThePointHasTwoBytes) {
  NumericLocale pashto("ps_AF.UTF-8");
  if (!pashto.available()) GTEST_SKIP() << "the ps_AF.UTF-8 locale is not installed";
  const std::string point = localeconv()->decimal_point;
  ASSERT_EQ(2u, point.size());
  ASSERT_EQ(0, log_entry_add(state_.log_db, kWholeMilk, "Milk, whole", today_, 2.5));
  Activate();
  GtkWidget *add = open_add_dialog(&state_, kWholeMilk, "Milk, whole");
  ASSERT_NE(nullptr, add);
  GtkWidget *servings = object_widget(add, KEY_SPIN_QUANTITY);
  EXPECT_EQ("1" + point + "00", gtk_entry_get_text(GTK_ENTRY(servings)));
  EXPECT_EQ("1" + point + "00", gtk_entry_get_text(GTK_ENTRY(amount_spin_of(servings))));
  click(add, "Add to Log");
  EXPECT_EQ((std::vector<double>{2.5, 1.0}), TodaysServings());

  gtk_button_clicked(GTK_BUTTON(RowButton("Edit")));
  drain_events();
  GtkWidget *edit = dialog_titled("Milk, whole");
  ASSERT_NE(nullptr, edit);
  EXPECT_EQ("2" + point + "50",
            gtk_entry_get_text(GTK_ENTRY(object_widget(edit, KEY_SPIN_QUANTITY))));
  gtk_widget_destroy(edit);

  show_profile_dialog(nullptr, &state_);
  drain_events();
  GtkWidget *profile = dialog_titled("Profile");
  ASSERT_NE(nullptr, profile);
  EXPECT_EQ("170" + point + "0",
            gtk_entry_get_text(GTK_ENTRY(object_widget(profile, KEY_HEIGHT_SPIN))));
  gtk_widget_destroy(profile);
  drain_events();
}

// Ids beyond 32 bits travel whole from the row to its buttons and back into the store.
TEST_F(InputSafetyTest, EditAndDeleteActOnExactlyTheRowShown) {
  const std::string insert =
      "INSERT INTO food_log (id, food_code, description, date, servings) VALUES "
      "(1, 1, 'Another day', '2026-01-01', 1.0), "
      "(2147483648, 63101000, 'Apple, raw', '" + std::string(today_) + "', 1.0), "
      "(4294967297, 11111000, 'Milk, whole', '" + std::string(today_) + "', 1.0)";
  ASSERT_EQ(SQLITE_OK, exec_sql(state_.log_db, insert));
  Activate();

  gtk_button_clicked(GTK_BUTTON(RowButton("Edit", 0)));
  drain_events();
  GtkWidget *edit = dialog_titled("Apple, raw");
  ASSERT_NE(nullptr, edit);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(object_widget(edit, KEY_SPIN_QUANTITY)), 3.0);
  click(edit, "Save");
  EXPECT_EQ(1, query_int(state_.log_db, "SELECT count(*) FROM food_log WHERE id = 2147483648 "
                                        "AND servings = 3.0"));

  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *question) { gtk_dialog_response(question, GTK_RESPONSE_YES); });
  gtk_button_clicked(GTK_BUTTON(RowButton("Delete", 1)));
  drain_events();
  EXPECT_EQ(0, query_int(state_.log_db, "SELECT count(*) FROM food_log WHERE id = 4294967297"));
  EXPECT_EQ(1, query_int(state_.log_db, "SELECT count(*) FROM food_log WHERE id = 1"));
  EXPECT_EQ(1, query_int(state_.log_db, "SELECT count(*) FROM food_log WHERE id = 2147483648"));
}

}  // namespace

// Whether a visible label below |root| reads |text|.
bool shows_label(GtkWidget *root, const std::string &text) {
  for (GtkWidget *label : find_widgets(root, GTK_TYPE_LABEL))
    if (gtk_widget_get_visible(label) && text == gtk_label_get_text(GTK_LABEL(label))) return true;
  return false;
}

// A number outside a field's range is refused where it was typed, as text that is no
// number is, and the dialog says the range; nothing is stored until it is within range.
TEST_F(InputSafetyTest, NumbersOutsideAFieldsRangeAreRefusedAndTheRangeIsSaid) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kWholeMilk, "Milk, whole", today_, 1.0));
  Activate();
  auto open_add = [this] { return open_add_dialog(&state_, kWholeMilk, "Milk, whole"); };
  auto open_edit = [this] {
    gtk_button_clicked(GTK_BUTTON(RowButton("Edit")));
    drain_events();
    return dialog_titled("Milk, whole");
  };
  auto open_profile = [this] {
    gtk_button_clicked(GTK_BUTTON(find_button(state_.main_window, "Profile")));
    drain_events();
    return dialog_titled("Profile");
  };
  // What the log holds: today's servings, the profile's height, weight and target.
  auto stored = [this] {
    std::string out;
    for (double servings : TodaysServings()) out += std::to_string(servings) + " ";
    Profile p;
    if (profile_load(state_.log_db, &p) == 0)
      out += std::to_string(p.height_cm) + " " + std::to_string(p.weight_kg) + " " +
             std::to_string(p.calorie_target);
    profile_clear(&p);
    return out;
  };
  struct Case {
    const char *name;
    std::function<GtkWidget *()> open;
    const char *spin_key;
    const char *typed;
    bool by_enter;  // confirmed with Enter in the field, else with the button
    const char *button;
    const char *said;
    const char *corrected;
  };
  const Case cases[] = {
      {"servings 150", open_add, KEY_SPIN_QUANTITY, "150", false, "Add to Log",
       "Enter a number from 0.01 to 100.", "1.5"},
      {"servings 0.004 by Enter", open_add, KEY_SPIN_QUANTITY, "0.004", true, "Add to Log",
       "Enter a number from 0.01 to 100.", "1.5"},
      {"edited servings 150", open_edit, KEY_SPIN_QUANTITY, "150", false, "Save",
       "Enter a number from 0.01 to 100.", "2.5"},
      {"height in metres", open_profile, KEY_HEIGHT_SPIN, "1.80", false, "Save",
       "Enter a number from 30 to 300.", "180"},
      {"weight 501 by Enter", open_profile, KEY_WEIGHT_SPIN, "501", true, "Save",
       "Enter a number from 1 to 500.", "80"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    GtkWidget *dialog = c.open();
    ASSERT_NE(nullptr, dialog);
    WidgetWatch watch(dialog);
    GtkWidget *spin = object_widget(dialog, c.spin_key);
    ASSERT_NE(nullptr, spin);
    EXPECT_FALSE(shows_label(dialog, c.said));
    const std::string before = stored();
    gtk_entry_set_text(GTK_ENTRY(spin), c.typed);
    if (c.by_enter) {
      gtk_widget_grab_focus(spin);
      gtk_editable_set_position(GTK_EDITABLE(spin), -1);
      send_key(spin, GDK_KEY_Return);
    } else {
      click(dialog, c.button);
    }
    ASSERT_NE(nullptr, watch.get()) << "the dialog closed as if the number was taken";
    EXPECT_EQ(before, stored());
    EXPECT_STREQ(c.typed, gtk_entry_get_text(GTK_ENTRY(spin)));
    EXPECT_TRUE(has_error_class(spin));
    EXPECT_TRUE(gtk_widget_is_focus(spin));
    EXPECT_TRUE(shows_label(dialog, c.said));
    EXPECT_STREQ(c.said, atk_object_get_description(gtk_widget_get_accessible(spin)));

    // Editing the number takes the note away; a number within range is stored.
    gtk_entry_set_text(GTK_ENTRY(spin), c.corrected);
    EXPECT_FALSE(shows_label(dialog, c.said));
    EXPECT_FALSE(has_error_class(spin));
    click(dialog, c.button);
    EXPECT_EQ(nullptr, watch.get());
    EXPECT_NE(before, stored());
  }
}
