// SPDX-License-Identifier: GPL-3.0-or-later
// Test fixture for widget tests: a temporary log database, the real food database, a
// registered application and helpers to drive the main loop and find widgets.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "app/gui-state.h"
#include "store/log-db.h"
#include "test-support.h"

class UiTest : public TempDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores a complete profile (so activation opens no profile dialog) with |target| kcal.
  void StoreCompleteProfile(int target = 2000);
  // Logs |count| times |measure| (|grams| each) of the food |code| on |date| as the dialogs
  // and the quick log do: the entry keeps its measure.
  void LogMeasured(int code, const char *description, const std::string &date, const char *measure,
                   double grams, double count);
  // Runs on_activate on the fixture's application and state, then drains events.
  void Activate();
  // Destroys every toplevel window left open by a test.
  void DestroyAllToplevels();
  // As TearDown, but closes the windows with destroy_toplevels_safely.
  void TearDownSafely();
  // Another connection holds the log under an exclusive lock, as a backup or the sqlite3
  // shell may; the fixture's connection gives up after |wait_ms| instead of its usual wait.
  void LockLog(int wait_ms = 50);
  // Ends that lock; the fixture's connection waits as usual again.
  void UnlockLog();
  // The program's clock stands at |local_time| ("YYYY-MM-DD HH:MM:SS" in the time zone now
  // set) until the next call or the end of the test; it does not move by itself.
  void SetClock(const char *local_time);

  GtkApplication *app_ = nullptr;
  GuiState state_{};
  std::string log_path_;  // dir_/log.db
  sqlite3 *locker_ = nullptr;  // the connection of LockLog
};

// Processes pending GTK events until none is left.
void drain_events();

// All widgets below |root| (included) of the given GType, in tree order.
std::vector<GtkWidget *> find_widgets(GtkWidget *root, GType type);

// The first button below |root| whose label is |label|, or null.
GtkWidget *find_button(GtkWidget *root, const char *label);

// The visible toplevel windows of the given GType other than |except|.
std::vector<GtkWidget *> toplevels_of_type(GType type, GtkWidget *except = nullptr);

// Schedules |answer| to run from a timeout while a nested gtk_dialog_run is active; it
// receives the newest GtkDialog toplevel (of |type|) and must answer it. Returns at once.
void answer_next_dialog(GType type, std::function<void(GtkDialog *)> answer);

// Texts of the labels directly or indirectly inside |root|, in tree order.
std::vector<std::string> label_texts(GtkWidget *root);

// Runs the main loop until |done| returns true or |timeout_ms| have passed; returns
// whether |done| became true.
bool wait_until(const std::function<bool()> &done, int timeout_ms = 5000);

// The visible message dialogs transient for |parent|, oldest first.
std::vector<GtkWidget *> messages_over(GtkWidget *parent);

// The primary and secondary text of a message dialog, joined by a line feed.
std::string message_texts(GtkWidget *message);

// The newest visible GtkDialog toplevel whose title is |title|, or null.
GtkWidget *dialog_titled(const char *title);

// Activates the food |code| (|description|) as a row of the search dialog's result list
// would, then drains events; returns the add-to-log dialog that opened, or null.
GtkWidget *open_add_dialog(GuiState *state, int code, const char *description);

// Presses and releases |keyval| with |modifiers| in the toplevel window of |widget|, as the
// keyboard would (Shift is added for keys typed with it), then drains events.
void send_key(GtkWidget *widget, guint keyval, GdkModifierType modifiers = GdkModifierType(0));

// Sends one key event of |type| (a press or a release) of |keyval| at |time| (ms, as the X
// server stamps it) to the toplevel window of |widget|, then drains events. A key held
// down arrives as presses without releases.
void send_key_at(GtkWidget *widget, GdkEventType type, guint keyval, guint32 time);

// The items of the measure chooser next to |servings_spin| ("100 g", "1 cup (244 g)", ...).
std::vector<std::string> measure_items(GtkWidget *servings_spin);

// Chooses the item |text| of the measure chooser next to |servings_spin|; false when there
// is no such item.
bool choose_measure(GtkWidget *servings_spin, const char *text);

// The amount spin button next to |servings_spin|, or null.
GtkWidget *amount_spin_of(GtkWidget *servings_spin);

// The servings row as it reads: "1.50 = 1.50 × 100 g" (servings, amount, chosen measure).
std::string measure_row_text(GtkWidget *servings_spin);

// The rows of the main window's food log as they read: the labels of each row joined by
// " | " ("11111000  -  Milk, whole  (2.4 servings) | 1 cup (244 g) | 149 kcal").
std::vector<std::string> entry_row_texts(GuiState *state);

// The first widget below |root| (included) whose name (gtk_widget_set_name) is |name|, or
// null.
GtkWidget *find_named(GtkWidget *root, const char *name);

// The row of the Nutrients window |window| whose first cell begins with |name|: its five
// texts joined by "|", its colour and its description, and its place among the visible rows
// (-1 and empty texts when there is none).
struct NutrientTableRow {
  std::string cells;
  std::string foreground;
  std::string description;
  int visible_row = -1;
};
NutrientTableRow nutrient_row(GtkWidget *window, const std::string &name);

// The number a budget bar's text shows as eaten: 2.5 of "Vegetables (cup-eq): 2.5 / 3.0".
double bar_eaten(GtkWidget *bar);

// Destroys every toplevel window of the program (not GTK's own popups, such as the tooltip
// window), holding a reference to each while it goes, so that dialogs destroyed together
// with their parent are not touched after being freed.
void destroy_toplevels_safely();

// Sets LC_NUMERIC to |name| while alive; available() says whether the system has it.
class NumericLocale {
 public:
  explicit NumericLocale(const char *name) {
    old_ = setlocale(LC_NUMERIC, nullptr);
    available_ = setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~NumericLocale() { setlocale(LC_NUMERIC, old_.c_str()); }
  bool available() const { return available_; }

 private:
  std::string old_;
  bool available_ = false;
};

// Follows a widget without keeping it alive: get() turns null once the widget is
// finalized. The weak pointer is removed when the watch goes out of scope.
class WidgetWatch {
 public:
  explicit WidgetWatch(GtkWidget *widget) : widget_(widget) {
    if (widget_)
      g_object_add_weak_pointer(G_OBJECT(widget_), reinterpret_cast<gpointer *>(&widget_));
  }
  ~WidgetWatch() {
    if (widget_)
      g_object_remove_weak_pointer(G_OBJECT(widget_), reinterpret_cast<gpointer *>(&widget_));
  }
  WidgetWatch(const WidgetWatch &) = delete;
  WidgetWatch &operator=(const WidgetWatch &) = delete;

  GtkWidget *get() const { return widget_; }

 private:
  GtkWidget *widget_;
};
