// SPDX-License-Identifier: GPL-3.0-or-later
// Widget tests of editing and deleting food log entries from their rows in the main window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "store/log-entries.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/entry-dialogs.h"
#include "ui/quick-log.h"

namespace {

struct Entry {
  int64_t id;
  int food_code;
  std::string description;
  std::string date;
  double servings;
};

class EntryDialogTest : public UiTest {
 protected:
  void TearDown() override { TearDownSafely(); }

  void SetUp() override {
    UiTest::SetUp();
    if (HasFatalFailure()) return;
    StoreCompleteProfile();
    Activate();
  }

  void ShowDate(const char *date) {
    snprintf(state_.current_date, sizeof state_.current_date, "%s", date);
    refresh_views(&state_);
  }

  std::vector<Entry> Entries(const char *date) {
    std::vector<Entry> out;
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(state_.log_db, date, &list));
    for (size_t i = 0; i < list.count; ++i) {
      const LogEntry &e = list.items[i];
      out.push_back({e.id, e.food_code, e.description, e.date, e.servings});
    }
    log_entry_list_free(&list);
    return out;
  }

  std::vector<GtkWidget *> RowButtons(const char *label) {
    std::vector<GtkWidget *> out;
    for (GtkWidget *button : find_widgets(state_.log_list_box, GTK_TYPE_BUTTON)) {
      const char *text = gtk_button_get_label(GTK_BUTTON(button));
      if (text && strcmp(text, label) == 0) out.push_back(button);
    }
    return out;
  }

  // Clicks the "Edit" of row |row| and returns the dialog titled |title|.
  GtkWidget *OpenEdit(size_t row, const char *title = "Apple cider") {
    std::vector<GtkWidget *> edits = RowButtons("Edit");
    if (row >= edits.size()) return nullptr;
    gtk_button_clicked(GTK_BUTTON(edits[row]));
    drain_events();
    return dialog_titled(title);
  }

  // The first label of the entry list; it goes away whenever the view is redrawn.
  GtkWidget *FirstListLabel() {
    auto labels = find_widgets(state_.log_list_box, GTK_TYPE_LABEL);
    return labels.empty() ? nullptr : labels[0];
  }
};

GtkWidget *spin_of(GtkWidget *dialog) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "spin-quantity"));
}

GtkWidget *calendar_of(GtkWidget *dialog) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), "calendar"));
}

std::string calendar_date(GtkWidget *calendar) {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
  char date[32];
  snprintf(date, sizeof date, "%04u-%02u-%02u", year, month + 1, day);
  return date;
}

std::string today() {
  char date[DATE_STRING_SIZE];
  date_today(date);
  return date;
}

void click(GtkWidget *dialog, const char *label) {
  GtkWidget *button = find_button(dialog, label);
  ASSERT_NE(nullptr, button) << label;
  gtk_button_clicked(GTK_BUTTON(button));
  drain_events();
}

TEST_F(EntryDialogTest, EditDialogShowsTheEntrysServingsDateAndDescription) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 2.5));
  ShowDate("2024-01-03");
  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(dialog)));
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
  EXPECT_NE(nullptr, find_button(dialog, "Save"));
  EXPECT_NE(nullptr, find_button(dialog, "Cancel"));
  ASSERT_NE(nullptr, spin_of(dialog));
  ASSERT_NE(nullptr, calendar_of(dialog));
  EXPECT_DOUBLE_EQ(2.5, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin_of(dialog))));
  EXPECT_EQ("2024-01-03", calendar_date(calendar_of(dialog)));
  EXPECT_EQ(Entries("2024-01-03").at(0).id,
            entry_id_get(G_OBJECT(dialog)));

  bool servings_labelled = false, date_labelled = false;
  for (GtkWidget *label : find_widgets(dialog, GTK_TYPE_LABEL)) {
    GtkWidget *target = gtk_label_get_mnemonic_widget(GTK_LABEL(label));
    const char *text = gtk_label_get_text(GTK_LABEL(label));
    if (target == spin_of(dialog) && strcmp(text, "Servings:") == 0) servings_labelled = true;
    if (target == calendar_of(dialog) && strcmp(text, "Date") == 0) date_labelled = true;
  }
  EXPECT_TRUE(servings_labelled);
  EXPECT_TRUE(date_labelled);
}

TEST_F(EntryDialogTest, ButtonWithoutEntryValuesOpensAGenericDialog) {
  GtkWidget *button = gtk_button_new_with_label("Edit");
  g_object_ref_sink(button);
  on_edit_clicked(GTK_BUTTON(button), &state_);
  drain_events();
  GtkWidget *dialog = dialog_titled("Edit Log Entry");
  ASSERT_NE(nullptr, dialog);
  EXPECT_DOUBLE_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin_of(dialog))));
  EXPECT_EQ(today(), calendar_date(calendar_of(dialog)));
  EXPECT_EQ(0, entry_id_get(G_OBJECT(dialog)));
  gtk_widget_destroy(button);
  g_object_unref(button);
}

TEST_F(EntryDialogTest, SaveWithoutChangeWritesTheSameValuesAndRedraws) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 1.5));
  ShowDate("2024-01-03");
  std::vector<Entry> before = Entries("2024-01-03");
  WidgetWatch row_label(FirstListLabel());
  ASSERT_NE(nullptr, row_label.get());
  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  WidgetWatch dialog_watch(dialog);
  click(dialog, "Save");
  EXPECT_EQ(nullptr, dialog_watch.get());
  EXPECT_EQ(nullptr, row_label.get()) << "the view was not redrawn";
  std::vector<Entry> after = Entries("2024-01-03");
  ASSERT_EQ(1u, after.size());
  EXPECT_EQ(before[0].id, after[0].id);
  EXPECT_EQ(64101010, after[0].food_code);
  EXPECT_EQ("Apple cider", after[0].description);
  EXPECT_DOUBLE_EQ(1.5, after[0].servings);
}

TEST_F(EntryDialogTest, SaveStoresNewServingsAndRedrawsTheBars) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", today().c_str(), 1.0));
  refresh_views(&state_);
  EXPECT_STREQ("Fruits (cup-eq): 0.4 / 2.0",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[1])));
  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(dialog)), 3.0);
  click(dialog, "Save");
  EXPECT_DOUBLE_EQ(3.0, Entries(today().c_str()).at(0).servings);
  EXPECT_STREQ("Fruits (cup-eq): 1.2 / 2.0",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[1])));
}

TEST_F(EntryDialogTest, EnterInServingsSavesTheNumberJustTyped) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", today().c_str(), 1.0));
  refresh_views(&state_);
  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  WidgetWatch watch(dialog);
  gtk_widget_grab_focus(spin_of(dialog));
  gtk_entry_set_text(GTK_ENTRY(spin_of(dialog)), "3");
  send_key(dialog, GDK_KEY_Return);
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
  EXPECT_DOUBLE_EQ(3.0, Entries(today().c_str()).at(0).servings);
}

TEST_F(EntryDialogTest, MeasureOfTheEntrysFoodSetsTheServingsToSave) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 11111000, "Milk, whole", today().c_str(), 1.5));
  refresh_views(&state_);
  GtkWidget *dialog = OpenEdit(0, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  GtkWidget *spin = spin_of(dialog);
  EXPECT_EQ(2u, gtk_spin_button_get_digits(GTK_SPIN_BUTTON(spin)));
  EXPECT_DOUBLE_EQ(1.5, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));  // the stored servings
  EXPECT_EQ("100 g", measure_items(spin).at(0));
  // The row reads as the sum it is from the start: the stored servings in grams.
  EXPECT_EQ("1.50 = 1.50 × 100 g", measure_row_text(spin));
  ASSERT_TRUE(choose_measure(spin, "1 cup (244 g)"));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(amount_spin_of(spin)), 0.5);
  EXPECT_DOUBLE_EQ(1.22, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin)));
  EXPECT_EQ("1.22 = 0.50 × 1 cup (244 g)", measure_row_text(spin));
  click(dialog, "Save");
  EXPECT_DOUBLE_EQ(1.22, Entries(today().c_str()).at(0).servings);
  EXPECT_EQ("11111000  -  Milk, whole  (1.2 servings)", label_texts(state_.log_list_box).at(0));
  // The entry keeps the measure: its row shows it, and the dialog opens in it again.
  EXPECT_EQ(std::vector<std::string>{"11111000  -  Milk, whole  (1.2 servings) | 0.5 cup (122 g) | "
                                     "73 kcal"},
            entry_row_texts(&state_));
  dialog = OpenEdit(0, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("1.22 = 0.50 × 1 cup (244 g)", measure_row_text(spin_of(dialog)));
  // Servings typed by hand are grams from then on.
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(dialog)), 2.0);
  click(dialog, "Save");
  EXPECT_EQ(std::vector<std::string>{"11111000  -  Milk, whole  (2.0 servings) | 200 g | 120 kcal"},
            entry_row_texts(&state_));
  dialog = OpenEdit(0, "Milk, whole");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("2.00 = 2.00 × 100 g", measure_row_text(spin_of(dialog)));
  click(dialog, "Cancel");
}

// An entry logged in a unit the food database does not list as a measure of that food (a
// fluid ounce typed for coffee) opens in it all the same.
TEST_F(EntryDialogTest, AMeasureOfATypedUnitIsOfferedForTheEntry) {
  LogMeasured(92101000, "Coffee, brewed", today(), "1 fl oz", 30.0, 12.0);
  LogMeasured(92101000, "Coffee, brewed", today(), "1 tbsp", 15.0, 2.0);
  refresh_views(&state_);
  GtkWidget *dialog = OpenEdit(1, "Coffee, brewed");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("0.30 = 2.00 × 1 tbsp (15 g)", measure_row_text(spin_of(dialog)));
  EXPECT_EQ("1 tbsp (15 g)", measure_items(spin_of(dialog)).back());
  click(dialog, "Save");
  const std::vector<std::string> rows = entry_row_texts(&state_);
  ASSERT_EQ(2u, rows.size());
  EXPECT_NE(std::string::npos, rows[0].find(" | 12 fl oz (360 g) | ")) << rows[0];
  EXPECT_NE(std::string::npos, rows[1].find(" | 2 tbsp (30 g) | ")) << rows[1];
}

TEST_F(EntryDialogTest, MovingAnEntryToAnotherDateTakesItOffTheList) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 2.0));
  ShowDate("2024-01-03");
  int id = Entries("2024-01-03").at(0).id;
  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  gtk_calendar_select_month(GTK_CALENDAR(calendar_of(dialog)), 1, 2024);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_of(dialog)), 29);
  click(dialog, "Save");

  EXPECT_TRUE(Entries("2024-01-03").empty());
  std::vector<Entry> moved = Entries("2024-02-29");
  ASSERT_EQ(1u, moved.size());
  EXPECT_EQ(id, moved[0].id);
  EXPECT_DOUBLE_EQ(2.0, moved[0].servings);
  EXPECT_STREQ("2024-01-03", state_.current_date);  // the view does not follow the entry
  std::vector<std::string> texts = label_texts(state_.log_list_box);
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ("No entries for this date.", texts[0]);
}

TEST_F(EntryDialogTest, ServingsOutsideTheRangeAreShownAndStoredClamped) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 250.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 0.004));
  ShowDate("2024-01-03");

  GtkWidget *dialog = OpenEdit(0);
  ASSERT_NE(nullptr, dialog);
  EXPECT_DOUBLE_EQ(100.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin_of(dialog))));
  click(dialog, "Save");
  dialog = OpenEdit(1);
  ASSERT_NE(nullptr, dialog);
  EXPECT_DOUBLE_EQ(0.01, gtk_spin_button_get_value(GTK_SPIN_BUTTON(spin_of(dialog))));
  click(dialog, "Save");

  std::vector<Entry> entries = Entries("2024-01-03");
  ASSERT_EQ(2u, entries.size());
  EXPECT_DOUBLE_EQ(100.0, entries[0].servings);
  EXPECT_DOUBLE_EQ(0.01, entries[1].servings);
}

TEST_F(EntryDialogTest, CancelOrClosingChangesNothingAndDoesNotRedraw) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 2.0));
  ShowDate("2024-01-03");
  WidgetWatch row_label(FirstListLabel());
  ASSERT_NE(nullptr, row_label.get());

  GtkWidget *cancelled = OpenEdit(0);
  ASSERT_NE(nullptr, cancelled);
  WidgetWatch cancelled_watch(cancelled);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(cancelled)), 7.0);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_of(cancelled)), 9);
  click(cancelled, "Cancel");
  EXPECT_EQ(nullptr, cancelled_watch.get());

  GtkWidget *closed = OpenEdit(0);
  ASSERT_NE(nullptr, closed);
  WidgetWatch closed_watch(closed);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin_of(closed)), 7.0);
  gtk_window_close(GTK_WINDOW(closed));
  EXPECT_TRUE(wait_until([&] { return closed_watch.get() == nullptr; }));

  std::vector<Entry> entries = Entries("2024-01-03");
  ASSERT_EQ(1u, entries.size());
  EXPECT_DOUBLE_EQ(2.0, entries[0].servings);
  EXPECT_NE(nullptr, row_label.get()) << "the view was redrawn";
}

TEST_F(EntryDialogTest, DateThatIsNoCalendarDayLeavesTheCalendarOnToday) {
  for (const char *date : {"abc", "2024-13-45", "2023-02-29", "0-1-1"}) {
    SCOPED_TRACE(date);
    ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", date, 1.0));
    ShowDate(date);
    GtkWidget *dialog = OpenEdit(0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(today(), calendar_date(calendar_of(dialog)));
    click(dialog, "Save");  // moves the entry to the day the calendar shows
    EXPECT_TRUE(Entries(date).empty());
  }
  EXPECT_EQ(4u, Entries(today().c_str()).size());
}

TEST_F(EntryDialogTest, DeleteAnsweredNoOrClosedChangesNothing) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, 64101010, "Apple cider", "2024-01-03", 2.0));
  ShowDate("2024-01-03");
  WidgetWatch row_label(FirstListLabel());
  ASSERT_NE(nullptr, row_label.get());

  std::string title, text;
  GtkWindow *parent = nullptr;
  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkDialog *question) {
    title = gtk_window_get_title(GTK_WINDOW(question));
    gchar *primary = nullptr;
    g_object_get(question, "text", &primary, nullptr);
    text = primary ? primary : "";
    g_free(primary);
    parent = gtk_window_get_transient_for(GTK_WINDOW(question));
    gtk_dialog_response(question, GTK_RESPONSE_NO);
  });
  gtk_button_clicked(GTK_BUTTON(RowButtons("Delete").at(0)));
  drain_events();
  EXPECT_EQ("Confirm Delete", title);
  EXPECT_EQ("Delete this log entry?", text);
  EXPECT_EQ(GTK_WINDOW(state_.main_window), parent);

  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *question) { gtk_window_close(GTK_WINDOW(question)); });
  gtk_button_clicked(GTK_BUTTON(RowButtons("Delete").at(0)));
  drain_events();

  EXPECT_EQ(1u, Entries("2024-01-03").size());
  EXPECT_NE(nullptr, row_label.get()) << "the view was redrawn";
  EXPECT_TRUE(toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG).empty());
}

TEST_F(EntryDialogTest, DeleteAnsweredYesRemovesTheEntryAndRedraws) {
  LogMeasured(64101010, "Apple cider", "2024-01-03", "1 cup", 200.0, 1.0);
  ASSERT_EQ(0, log_entry_add(state_.log_db, 11000000, "Milk, human", "2024-01-03", 1.0));
  ShowDate("2024-01-03");

  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *question) { gtk_dialog_response(question, GTK_RESPONSE_YES); });
  // Pressed from the keyboard: the button goes with the redraw, and the focus goes on to
  // the quick-log field rather than nowhere.
  gtk_widget_grab_focus(RowButtons("Delete").at(0));
  gtk_button_clicked(GTK_BUTTON(RowButtons("Delete").at(0)));
  drain_events();
  EXPECT_EQ(quick_log_field(&state_), gtk_window_get_focus(GTK_WINDOW(state_.main_window)));
  std::vector<Entry> left = Entries("2024-01-03");
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ("Milk, human", left[0].description);
  EXPECT_EQ(0, query_int(state_.log_db, "SELECT count(*) FROM entry_measures"));  // gone with it
  std::vector<std::string> texts = label_texts(state_.log_list_box);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ("11000000  -  Milk, human  (1.0 servings)", texts[0]);
  EXPECT_EQ(1u, RowButtons("Delete").size());

  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *question) { gtk_dialog_response(question, GTK_RESPONSE_YES); });
  gtk_button_clicked(GTK_BUTTON(RowButtons("Delete").at(0)));
  drain_events();
  EXPECT_TRUE(Entries("2024-01-03").empty());
  texts = label_texts(state_.log_list_box);
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ("No entries for this date.", texts[0]);
  EXPECT_TRUE(toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG).empty());
}

}  // namespace
