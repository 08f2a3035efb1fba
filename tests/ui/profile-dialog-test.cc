// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests of the profile dialog and the "Profile Required" message.
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/main-window.h"
#include "budget/calorie-target.h"
#include "budget/pattern.h"
#include "store/log-db.h"
#include "store/weight-log.h"
#include "ui-fixture.h"
#include "ui/profile-dialog.h"

namespace {

const char kRequiredText[] = "Your profile must be fully configured before you can use Alimora.";

// While alive, answers every message dialog that appears with |response| and counts them.
class MessageWatch {
 public:
  explicit MessageWatch(gint response) : response_(response) {
    source_ = g_timeout_add(5, &MessageWatch::Tick, this);
  }
  ~MessageWatch() { g_source_remove(source_); }
  MessageWatch(const MessageWatch &) = delete;
  MessageWatch &operator=(const MessageWatch &) = delete;

  int seen() const { return seen_; }

 private:
  static gboolean Tick(gpointer data) {
    auto *self = static_cast<MessageWatch *>(data);
    for (GtkWidget *message : toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG)) {
      if (!gtk_widget_get_mapped(message)) continue;
      ++self->seen_;
      gtk_dialog_response(GTK_DIALOG(message), self->response_);
    }
    return G_SOURCE_CONTINUE;
  }

  gint response_;
  guint source_ = 0;
  int seen_ = 0;
};

// The stored profile row, copied out of the record.
struct Stored {
  int result = -1;
  std::string bdate;
  bool has_bdate = false;
  double height_cm = 0, weight_kg = 0;
  int activity_level = 0, gender = 0, calorie_target = 0;
};

class ProfileDialogTest : public UiTest {
 protected:
  void TearDown() override { TearDownSafely(); }

  Stored Load() {
    Profile p;
    Stored s;
    s.result = profile_load(state_.log_db, &p);
    s.has_bdate = p.bdate != nullptr;
    if (p.bdate) s.bdate = p.bdate;
    s.height_cm = p.height_cm;
    s.weight_kg = p.weight_kg;
    s.activity_level = p.activity_level;
    s.gender = p.gender;
    s.calorie_target = p.calorie_target;
    profile_clear(&p);
    return s;
  }

  void Store(const char *bdate, double height, double weight, int activity, int gender,
             int target) {
    std::string copy = bdate;
    Profile p{&copy[0], height, weight, activity, gender, target};
    ASSERT_EQ(0, profile_save(state_.log_db, &p));
  }

  static GtkWidget *input(GtkWidget *dialog, const char *key) {
    return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), key));
  }
  static std::string birthday(GtkWidget *d) {
    return gtk_entry_get_text(GTK_ENTRY(input(d, "birthday-entry")));
  }
  static double height(GtkWidget *d) {
    return gtk_spin_button_get_value(GTK_SPIN_BUTTON(input(d, "height-spin")));
  }
  static double weight(GtkWidget *d) {
    return gtk_spin_button_get_value(GTK_SPIN_BUTTON(input(d, "weight-spin")));
  }
  static std::string active_text(GtkWidget *d, const char *key) {
    gchar *text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(input(d, key)));
    std::string out = text ? text : "(none)";
    g_free(text);
    return out;
  }

  // Opens the dialog from the "Profile" button of the main window.
  GtkWidget *OpenFromButton() {
    GtkWidget *button = find_button(state_.main_window, "Profile");
    if (!button) return nullptr;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
    return dialog_titled("Profile");
  }

  static void Fill(GtkWidget *d, const char *bdate, double height_cm, double weight_kg,
                   int activity, int gender) {
    gtk_entry_set_text(GTK_ENTRY(input(d, "birthday-entry")), bdate);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(input(d, "height-spin")), height_cm);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(input(d, "weight-spin")), weight_kg);
    gtk_combo_box_set_active(GTK_COMBO_BOX(input(d, "activity-combo")), activity);
    gtk_combo_box_set_active(GTK_COMBO_BOX(input(d, "gender-combo")), gender);
  }

  static void Click(GtkWidget *dialog, const char *label) {
    GtkWidget *button = find_button(dialog, label);
    ASSERT_NE(nullptr, button) << label;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
  }
};

TEST_F(ProfileDialogTest, FirstStartOpensEmptyProfileDialogOverTheWindow) {
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  ASSERT_NE(nullptr, state_.main_window);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(dialog)));
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
  EXPECT_TRUE(gtk_widget_get_visible(state_.main_window));

  EXPECT_EQ("", birthday(dialog));
  EXPECT_STREQ("YYYY-MM-DD",
               gtk_entry_get_placeholder_text(GTK_ENTRY(input(dialog, "birthday-entry"))));
  EXPECT_DOUBLE_EQ(30.0, height(dialog));
  EXPECT_DOUBLE_EQ(1.0, weight(dialog));
  EXPECT_EQ("Sedentary", active_text(dialog, "activity-combo"));
  EXPECT_EQ("Female", active_text(dialog, "gender-combo"));
  EXPECT_EQ("Kilograms (kg)", active_text(dialog, "weight-unit-combo"));
  EXPECT_NE(nullptr, find_button(dialog, "Save"));
  EXPECT_NE(nullptr, find_button(dialog, "Cancel"));

  // Each input is labelled by the text beside it.
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"Birthday:", "birthday-entry"},
      {"Height (cm):", "height-spin"},
      {"Weight (kg):", "weight-spin"},
      {"Activity level:", "activity-combo"},
      {"Gender:", "gender-combo"},
      {"Weight unit:", "weight-unit-combo"}};
  for (const auto &row : rows) {
    GtkWidget *label = nullptr;
    for (GtkWidget *candidate : find_widgets(dialog, GTK_TYPE_LABEL))
      if (row.first == gtk_label_get_text(GTK_LABEL(candidate))) label = candidate;
    ASSERT_NE(nullptr, label) << row.first;
    EXPECT_EQ(input(dialog, row.second.c_str()), gtk_label_get_mnemonic_widget(GTK_LABEL(label)))
        << row.first;
  }
}

TEST_F(ProfileDialogTest, CancelOnFirstStartAsksAndOkOpensFreshDialog) {
  Activate();
  GtkWidget *first = dialog_titled("Profile");
  ASSERT_NE(nullptr, first);
  WidgetWatch first_watch(first);
  gtk_entry_set_text(GTK_ENTRY(input(first, "birthday-entry")), "1990-01-01");

  std::string title, text;
  GtkWindow *parent = nullptr;
  bool has_quit = false;
  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkDialog *message) {
    title = gtk_window_get_title(GTK_WINDOW(message));
    gchar *primary = nullptr;
    g_object_get(message, "text", &primary, nullptr);
    text = primary ? primary : "";
    g_free(primary);
    parent = gtk_window_get_transient_for(GTK_WINDOW(message));
    has_quit = find_button(GTK_WIDGET(message), "Quit") != nullptr;
    gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(message), "OK")));
  });
  Click(first, "Cancel");

  EXPECT_EQ(nullptr, first_watch.get());
  EXPECT_EQ("Profile Required", title);
  EXPECT_EQ(kRequiredText, text);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), parent);
  EXPECT_TRUE(has_quit);
  GtkWidget *second = dialog_titled("Profile");
  ASSERT_NE(nullptr, second);
  EXPECT_EQ("", birthday(second));  // what was typed before is gone
  EXPECT_EQ(1, Load().result);
  EXPECT_TRUE(toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG).empty());
}

TEST_F(ProfileDialogTest, QuitOrClosingTheRequiredMessageDestroysTheMainWindow) {
  for (bool by_button : {true, false}) {
    SCOPED_TRACE(by_button ? "Quit" : "closed");
    Activate();
    GtkWidget *window = state_.main_window;
    ASSERT_NE(nullptr, window);
    WidgetWatch window_watch(window);
    GtkWidget *dialog = dialog_titled("Profile");
    ASSERT_NE(nullptr, dialog);
    answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkDialog *message) {
      if (by_button)
        gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(message), "Quit")));
      else
        gtk_window_close(GTK_WINDOW(message));
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
    drain_events();
    EXPECT_EQ(nullptr, window_watch.get());
    EXPECT_EQ(nullptr, dialog_titled("Profile"));
    destroy_toplevels_safely();
  }
}

TEST_F(ProfileDialogTest, QuitEndsTheApplicationRunWithStatus0) {
  GtkApplication *app =
      gtk_application_new("io.github.alimora.AlimoraRunTest", G_APPLICATION_NON_UNIQUE);
  g_signal_connect(app, "activate", G_CALLBACK(on_activate), &state_);
  bool asked = false;
  answer_next_dialog(GTK_TYPE_DIALOG, [&](GtkDialog *profile) {
    EXPECT_STREQ("Profile", gtk_window_get_title(GTK_WINDOW(profile)));
    answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkDialog *message) {
      asked = true;
      gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(message), "Quit")));
    });
    gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(profile), "Cancel")));
  });
  // Should the run not end by itself, end it so that the test fails instead of hanging.
  guint guard = g_timeout_add_seconds(
      30,
      +[](gpointer a) -> gboolean {
        ADD_FAILURE() << "the application run did not end";
        g_application_quit(G_APPLICATION(a));
        return G_SOURCE_REMOVE;
      },
      app);
  int status = g_application_run(G_APPLICATION(app), 0, nullptr);
  g_source_remove(guard);
  EXPECT_EQ(0, status);
  EXPECT_TRUE(asked);
  EXPECT_EQ(nullptr, state_.main_window);
  g_object_unref(app);
}

TEST_F(ProfileDialogTest, SaveStoresBirthDateInDateForm) {
  StoreCompleteProfile();
  Activate();
  struct Case {
    const char *typed;
    const char *stored;
    bool warned;  // the dialog says, before Save, that this is no real date in its form
  };
  const Case cases[] = {
      {"1990-5-7", "1990-05-07", true},
      {"85-12-1", "0085-12-01", true},
      {"2024-02-31", "2024-02-31", true},  // month and day are not checked against the calendar
      {"abc", "", true},
      // Numbers that would not fit the form give no birth date rather than a garbled one.
      {"-1-5-7", "", true},
      {"12345-1-1", "", true},
      {"2000-123-1", "", true},
      {"2000-02-29", "2000-02-29", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    GtkWidget *dialog = OpenFromButton();
    ASSERT_NE(nullptr, dialog);
    WidgetWatch dialog_watch(dialog);
    Fill(dialog, c.typed, 170, 65, 1, 0);
    GtkWidget *warning = input(dialog, "birthday-warning");
    ASSERT_NE(nullptr, warning);
    EXPECT_EQ(c.warned, gtk_widget_is_visible(warning));
    EXPECT_EQ(c.warned, gtk_entry_get_icon_name(GTK_ENTRY(input(dialog, "birthday-entry")),
                                                GTK_ENTRY_ICON_SECONDARY) != nullptr);
    MessageWatch watch(GTK_RESPONSE_OK);
    Click(dialog, "Save");
    EXPECT_EQ(nullptr, dialog_watch.get());
    EXPECT_EQ(0, watch.seen()) << "a successful save asks for nothing";
    EXPECT_EQ(nullptr, dialog_titled("Profile"));
    Stored stored = Load();
    ASSERT_EQ(0, stored.result);
    EXPECT_EQ(c.stored, stored.bdate);
    EXPECT_EQ(calorie_target_compute(c.stored, 1, 0, 170, 65), stored.calorie_target);
  }
}

// The field shows its form, and a stored or typed text that is no real date in it is warned
// of at once; the start of a date being typed only once the focus leaves.
TEST_F(ProfileDialogTest, ABirthDateThatIsNoRealDateIsWarnedOf) {
  Store("1990-02-30", 170, 65, 1, 0, 2000);
  Activate();
  GtkWidget *dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  GtkWidget *entry = input(dialog, "birthday-entry");
  GtkWidget *warning = input(dialog, "birthday-warning");
  EXPECT_STREQ("YYYY-MM-DD", gtk_entry_get_placeholder_text(GTK_ENTRY(entry)));
  EXPECT_TRUE(gtk_widget_is_visible(warning));
  EXPECT_EQ(std::vector<std::string>{"Not a real date in the form YYYY-MM-DD."},
            std::vector<std::string>{gtk_label_get_text(GTK_LABEL(warning))});
  gtk_entry_set_text(GTK_ENTRY(entry), "1990-0");
  EXPECT_FALSE(gtk_widget_is_visible(warning));
  GdkEvent *focus_out = gdk_event_new(GDK_FOCUS_CHANGE);
  focus_out->focus_change.in = FALSE;
  gtk_widget_event(entry, focus_out);
  gdk_event_free(focus_out);
  EXPECT_TRUE(gtk_widget_is_visible(warning));
  gtk_entry_set_text(GTK_ENTRY(entry), "1990-05-07");
  EXPECT_FALSE(gtk_widget_is_visible(warning));
  gtk_entry_set_text(GTK_ENTRY(entry), "");
  EXPECT_FALSE(gtk_widget_is_visible(warning));
  // The placeholder goes while the field has the focus: the form is told by its tooltip and
  // to screen readers, while no warning is shown.
  const std::string form = "Your date of birth, in the form YYYY-MM-DD, such as 1990-05-07";
  gchar *tooltip = gtk_widget_get_tooltip_text(entry);
  EXPECT_EQ(form, tooltip ? tooltip : "");
  g_free(tooltip);
  EXPECT_EQ(form, atk_object_get_description(gtk_widget_get_accessible(entry)));
  gtk_entry_set_text(GTK_ENTRY(entry), "1990-02-30");
  EXPECT_STREQ("Not a real date in the form YYYY-MM-DD.",
               atk_object_get_description(gtk_widget_get_accessible(entry)));
  Click(dialog, "Cancel");
}

TEST_F(ProfileDialogTest, EnterInAFieldSavesWithTheNumberJustTyped) {
  StoreCompleteProfile();
  Activate();
  GtkWidget *dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  GtkWidget *weight = input(dialog, "weight-spin");
  gtk_widget_grab_focus(weight);
  gtk_entry_set_text(GTK_ENTRY(weight), "80");
  send_key(weight, GDK_KEY_Return);
  // The default button shows itself pressed for a moment before it answers.
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  EXPECT_DOUBLE_EQ(80, Load().weight_kg);
}

TEST_F(ProfileDialogTest, SaveStoresTargetAndRedrawsTheBudgetAtOnce) {
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  const int expected = calorie_target_compute("1985-06-15", 3, 1, 185.5, 90);
  ASSERT_NE(2000, expected);
  Fill(dialog, "1985-6-15", 185.5, 90, 3, 1);
  Click(dialog, "Save");

  Stored stored = Load();
  ASSERT_EQ(0, stored.result);
  EXPECT_EQ("1985-06-15", stored.bdate);
  EXPECT_DOUBLE_EQ(185.5, stored.height_cm);
  EXPECT_DOUBLE_EQ(90.0, stored.weight_kg);
  EXPECT_EQ(3, stored.activity_level);
  EXPECT_EQ(1, stored.gender);
  EXPECT_EQ(expected, stored.calorie_target);
  EXPECT_EQ(expected, state_.calorie_target);

  char kcal[32];
  snprintf(kcal, sizeof kcal, "(%d kcal)", expected);
  std::string label = gtk_label_get_text(GTK_LABEL(state_.budget_label));
  EXPECT_NE(std::string::npos, label.find(kcal)) << label;
  char bar[128];
  snprintf(bar, sizeof bar, "Vegetables (cup-eq): 0.0 / %.1f",
           pattern_for_calories(expected).amounts[0]);
  EXPECT_STREQ(bar, gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[0])));

  // The next dialog shows what was stored.
  GtkWidget *again = OpenFromButton();
  ASSERT_NE(nullptr, again);
  EXPECT_EQ("1985-06-15", birthday(again));
  EXPECT_DOUBLE_EQ(185.5, height(again));
  EXPECT_DOUBLE_EQ(90.0, weight(again));
  EXPECT_EQ("Very active", active_text(again, "activity-combo"));
  EXPECT_EQ("Male", active_text(again, "gender-combo"));
}

// The weight unit comes after the five rows; Save stores it with the profile, Cancel does
// not, and the main window's weight field follows it.
TEST_F(ProfileDialogTest, WeightUnitIsChosenAfterTheProfileRowsAndSavedWithThem) {
  StoreCompleteProfile(2400);
  Activate();
  GtkWidget *dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  GtkWidget *unit = input(dialog, "weight-unit-combo");
  ASSERT_NE(nullptr, unit);
  GtkWidget *grid = gtk_widget_get_parent(unit);
  int row = -1;
  gtk_container_child_get(GTK_CONTAINER(grid), unit, "top-attach", &row, nullptr);
  EXPECT_EQ(7, row);  // after the birth date warning of row 6
  gtk_combo_box_set_active(GTK_COMBO_BOX(unit), 1);
  Click(dialog, "Cancel");
  int stored = -1;
  ASSERT_EQ(0, weight_unit_load(state_.log_db, &stored));
  EXPECT_EQ(0, stored);

  dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  gtk_combo_box_set_active(GTK_COMBO_BOX(input(dialog, "weight-unit-combo")), 1);
  Click(dialog, "Save");
  ASSERT_EQ(0, weight_unit_load(state_.log_db, &stored));
  EXPECT_EQ(1, stored);
  EXPECT_DOUBLE_EQ(65.0, Load().weight_kg) << "the profile's weight stays in kilograms";
  bool pounds_shown = false;
  for (const std::string &text : label_texts(state_.main_window)) pounds_shown |= text == "lb";
  EXPECT_TRUE(pounds_shown);
  dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Pounds (lb)", active_text(dialog, "weight-unit-combo"));
  Click(dialog, "Cancel");
}

TEST_F(ProfileDialogTest, CancelWithCompleteProfileClosesQuietly) {
  StoreCompleteProfile(2400);
  Activate();
  EXPECT_EQ(nullptr, dialog_titled("Profile"));
  GtkWidget *dialog = OpenFromButton();
  ASSERT_NE(nullptr, dialog);
  WidgetWatch dialog_watch(dialog);
  EXPECT_EQ("1990-05-07", birthday(dialog));
  EXPECT_DOUBLE_EQ(170.0, height(dialog));
  EXPECT_DOUBLE_EQ(65.0, weight(dialog));
  EXPECT_EQ("Light", active_text(dialog, "activity-combo"));
  EXPECT_EQ("Female", active_text(dialog, "gender-combo"));

  gtk_entry_set_text(GTK_ENTRY(input(dialog, "birthday-entry")), "2001-01-01");
  MessageWatch watch(GTK_RESPONSE_OK);
  Click(dialog, "Cancel");
  EXPECT_EQ(nullptr, dialog_watch.get());
  EXPECT_EQ(0, watch.seen());
  EXPECT_EQ("1990-05-07", Load().bdate);
  EXPECT_EQ(2400, state_.calorie_target);
  ASSERT_NE(nullptr, state_.main_window);
}

TEST_F(ProfileDialogTest, StoredValuesOutsideTheChoicesShowNoActiveItem) {
  Store("1990-05-07", 500, 0.5, 7, 5, 1800);
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");  // gender 5: not complete
  ASSERT_NE(nullptr, dialog);
  EXPECT_DOUBLE_EQ(300.0, height(dialog));
  EXPECT_DOUBLE_EQ(1.0, weight(dialog));
  EXPECT_EQ("(none)", active_text(dialog, "activity-combo"));
  EXPECT_EQ("(none)", active_text(dialog, "gender-combo"));
}

TEST_F(ProfileDialogTest, SaveWithoutGenderBehavesAsCancel) {
  Store("1990-05-07", 170, 65, 1, 5, 1800);
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch dialog_watch(dialog);
  gtk_entry_set_text(GTK_ENTRY(input(dialog, "birthday-entry")), "1970-01-01");
  MessageWatch watch(GTK_RESPONSE_OK);
  Click(dialog, "Save");
  EXPECT_EQ(nullptr, dialog_watch.get());
  EXPECT_EQ(1, watch.seen());
  Stored stored = Load();
  EXPECT_EQ("1990-05-07", stored.bdate);
  EXPECT_EQ(5, stored.gender);
  EXPECT_EQ(1800, stored.calorie_target);
  EXPECT_EQ(2000, state_.calorie_target);
  EXPECT_NE(nullptr, dialog_titled("Profile"));  // the "OK" of the message opened a new one
}

TEST_F(ProfileDialogTest, SaveWithoutActivityStoresMinusOneAndSedentaryTarget) {
  Store("1990-05-07", 170, 65, 9, 5, 1800);
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  gtk_combo_box_set_active(GTK_COMBO_BOX(input(dialog, "gender-combo")), 1);
  MessageWatch watch(GTK_RESPONSE_OK);
  Click(dialog, "Save");
  EXPECT_EQ(0, watch.seen());
  Stored stored = Load();
  EXPECT_EQ(-1, stored.activity_level);
  EXPECT_EQ(1, stored.gender);
  EXPECT_EQ(calorie_target_compute("1990-05-07", 0, 1, 170, 65), stored.calorie_target);
}

TEST_F(ProfileDialogTest, FailedSaveKeepsTheDialogAndStateAndCancelStillAsks) {
  Activate();
  GtkWidget *dialog = dialog_titled("Profile");
  ASSERT_NE(nullptr, dialog);
  WidgetWatch profile_dialog(dialog);
  // Another connection holds a lock on the file past the wait, so the save cannot complete.
  ASSERT_NO_FATAL_FAILURE(LockLog());
  Fill(dialog, "1990-5-7", 170, 65, 1, 0);
  {
    MessageWatch watch(GTK_RESPONSE_CLOSE);
    testing::internal::CaptureStderr();
    Click(dialog, "Save");
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, errors.find("alimora: cannot save profile: ")) << errors;
    EXPECT_TRUE(wait_until([&] { return watch.seen() == 1; }));  // "Your profile was not saved."
  }
  UnlockLog();
  ASSERT_NE(nullptr, profile_dialog.get()) << "what was typed is still there to try again";
  EXPECT_EQ("1990-5-7", birthday(dialog));
  EXPECT_EQ(2000, state_.calorie_target);
  EXPECT_EQ(1, Load().result);
  ASSERT_NE(nullptr, state_.main_window);

  // Giving up brings the "Profile Required" message, as on any cancel of an incomplete one.
  MessageWatch quit(GTK_RESPONSE_CLOSE);
  Click(dialog, "Cancel");
  EXPECT_EQ(1, quit.seen());
  EXPECT_EQ(nullptr, state_.main_window);  // the message was answered with "Quit"
}

}  // namespace
