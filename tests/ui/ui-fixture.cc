// SPDX-License-Identifier: GPL-3.0-or-later
// Widget test fixture: temporary log database, real food database, registered application.
#include "ui-fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/main-window.h"
#include "budget/date-string.h"
#include "db-connection.h"
#include "fooddb/food-db.h"
#include "store/entry-measures.h"
#include "ui/held-keys.h"
#include "fooddb/food-source.h"
#include "ui/nutrients-window.h"
#include "ui/object-keys.h"
#include "ui/search-dialog.h"

void drain_events() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

static void collect(GtkWidget *widget, GType type, std::vector<GtkWidget *> *out) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) out->push_back(widget);
  if (GTK_IS_CONTAINER(widget)) {
    GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList *l = children; l; l = l->next) collect(GTK_WIDGET(l->data), type, out);
    g_list_free(children);
    // The header bar's custom title and a frame's label widget are not children.
    if (GTK_IS_FRAME(widget)) {
      GtkWidget *label = gtk_frame_get_label_widget(GTK_FRAME(widget));
      if (label && G_TYPE_CHECK_INSTANCE_TYPE(label, type)) out->push_back(label);
    }
  }
}

std::vector<GtkWidget *> find_widgets(GtkWidget *root, GType type) {
  std::vector<GtkWidget *> out;
  if (root) collect(root, type, &out);
  return out;
}

GtkWidget *find_button(GtkWidget *root, const char *label) {
  for (GtkWidget *button : find_widgets(root, GTK_TYPE_BUTTON)) {
    const char *text = gtk_button_get_label(GTK_BUTTON(button));
    if (text && strcmp(text, label) == 0) return button;
  }
  return nullptr;
}

std::vector<GtkWidget *> toplevels_of_type(GType type, GtkWidget *except) {
  std::vector<GtkWidget *> out;
  GList *tops = gtk_window_list_toplevels();
  for (GList *l = tops; l; l = l->next) {
    GtkWidget *w = GTK_WIDGET(l->data);
    if (w != except && G_TYPE_CHECK_INSTANCE_TYPE(w, type) && gtk_widget_get_visible(w))
      out.push_back(w);
  }
  g_list_free(tops);
  return out;
}

GtkWidget *find_named(GtkWidget *root, const char *name) {
  for (GtkWidget *widget : find_widgets(root, GTK_TYPE_WIDGET))
    if (g_strcmp0(gtk_widget_get_name(widget), name) == 0) return widget;
  return nullptr;
}

NutrientTableRow nutrient_row(GtkWidget *window, const std::string &name) {
  NutrientTableRow found;
  std::vector<GtkWidget *> views = find_widgets(window, GTK_TYPE_TREE_VIEW);
  if (views.size() != 1) return found;
  GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(views[0]));
  int visible = 0;
  GtkTreeIter section, child;
  for (bool s = gtk_tree_model_get_iter_first(model, &section); s;
       s = gtk_tree_model_iter_next(model, &section)) {
    visible++;
    for (bool c = gtk_tree_model_iter_children(model, &child, &section); c;
         c = gtk_tree_model_iter_next(model, &child), visible++) {
      gchar *texts[5], *foreground, *description;
      gtk_tree_model_get(model, &child, NUTRIENT_COLUMN_NAME, &texts[0], NUTRIENT_COLUMN_EATEN,
                         &texts[1], NUTRIENT_COLUMN_GOAL, &texts[2], NUTRIENT_COLUMN_PERCENT,
                         &texts[3], NUTRIENT_COLUMN_KIND, &texts[4], NUTRIENT_COLUMN_FOREGROUND,
                         &foreground, NUTRIENT_COLUMN_DESCRIPTION, &description, -1);
      if (std::string(texts[0]).rfind(name, 0) == 0) {
        for (int i = 0; i < 5; i++) found.cells += std::string(i ? "|" : "") + texts[i];
        found.foreground = foreground ? foreground : "";
        found.description = description ? description : "";
        found.visible_row = visible;
      }
      for (gchar *text : texts) g_free(text);
      g_free(foreground);
      g_free(description);
    }
  }
  return found;
}

double bar_eaten(GtkWidget *bar) {
  const char *text = bar ? gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)) : nullptr;
  const char *colon = text ? strrchr(text, ':') : nullptr;
  return colon ? g_ascii_strtod(colon + 1, nullptr) : -1.0;
}

std::vector<std::string> label_texts(GtkWidget *root) {
  std::vector<std::string> out;
  for (GtkWidget *label : find_widgets(root, GTK_TYPE_LABEL))
    out.emplace_back(gtk_label_get_text(GTK_LABEL(label)));
  return out;
}

namespace {
struct PendingAnswer {
  GType type;
  std::function<void(GtkDialog *)> answer;
  int tries;
};

gboolean try_answer(gpointer data) {
  auto *pending = static_cast<PendingAnswer *>(data);
  std::vector<GtkWidget *> dialogs = toplevels_of_type(pending->type);
  if (dialogs.empty() || !gtk_widget_get_mapped(dialogs.back())) {
    if (++pending->tries < 500) return G_SOURCE_CONTINUE;
    ADD_FAILURE() << "no dialog to answer appeared";
    delete pending;
    return G_SOURCE_REMOVE;
  }
  pending->answer(GTK_DIALOG(dialogs.back()));
  delete pending;
  return G_SOURCE_REMOVE;
}
}  // namespace

void answer_next_dialog(GType type, std::function<void(GtkDialog *)> answer) {
  g_timeout_add(10, try_answer, new PendingAnswer{type, std::move(answer), 0});
}

void UiTest::SetUp() {
  TempDirTest::SetUp();
  log_path_ = PathIn("log.db");
  state_ = GuiState{};
  state_.food_db = food_db_open(built_food_db_path().c_str());
  ASSERT_NE(nullptr, state_.food_db);
  state_.log_db = log_db_open(log_path_.c_str());
  ASSERT_NE(nullptr, state_.log_db);
  food_db_use_log(state_.food_db, state_.log_db);
  state_.calorie_target = 2000;
  app_ = gtk_application_new("io.github.alimora.AlimoraTest", G_APPLICATION_NON_UNIQUE);
  GError *error = nullptr;
  ASSERT_TRUE(g_application_register(G_APPLICATION(app_), nullptr, &error))
      << (error ? error->message : "");
}

void UiTest::StoreCompleteProfile(int target) {
  char bdate[] = "1990-05-07";
  Profile p{bdate, 170.0, 65.0, 1, 0, target};
  ASSERT_EQ(0, profile_save(state_.log_db, &p));
  state_.calorie_target = target;
}

void UiTest::Activate() {
  on_activate(app_, &state_);
  drain_events();
  // As in a run of the program, the main loop then makes the Nutrients window, hidden, once
  // the main window has drawn: every test starts after that, whatever the speed of its build.
  wait_until([&] { return state_.nutrients_window || !state_.main_window; });
}

void UiTest::DestroyAllToplevels() { destroy_toplevels_safely(); }

void UiTest::TearDown() { TearDownSafely(); }

bool wait_until(const std::function<bool()> &done, int timeout_ms) {
  gint64 end = g_get_monotonic_time() + gint64{timeout_ms} * 1000;
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (gtk_events_pending())
      gtk_main_iteration_do(FALSE);
    else
      g_usleep(1000);
  }
  return true;
}

GtkWidget *dialog_titled(const char *title) {
  GtkWidget *found = nullptr;
  for (GtkWidget *dialog : toplevels_of_type(GTK_TYPE_DIALOG)) {
    const char *text = gtk_window_get_title(GTK_WINDOW(dialog));
    if (text && strcmp(text, title) == 0) found = dialog;
  }
  return found;
}

GtkWidget *open_add_dialog(GuiState *state, int code, const char *description) {
  GtkListStore *store = gtk_list_store_new(2, G_TYPE_INT, G_TYPE_STRING);
  gtk_list_store_insert_with_values(store, nullptr, -1, 0, code, 1, description, -1);
  GtkWidget *view =
      GTK_WIDGET(g_object_ref_sink(gtk_tree_view_new_with_model(GTK_TREE_MODEL(store))));
  g_object_unref(store);
  GtkTreePath *path = gtk_tree_path_new_first();
  on_food_row_activated(GTK_TREE_VIEW(view), path, nullptr, state);
  gtk_tree_path_free(path);
  gtk_widget_destroy(view);
  g_object_unref(view);
  drain_events();
  return dialog_titled(description);
}

void send_key(GtkWidget *widget, guint keyval, GdkModifierType modifiers) {
  GtkWidget *top = gtk_widget_get_toplevel(widget);
  GdkWindow *window = gtk_widget_get_window(top);
  GdkDisplay *display = gtk_widget_get_display(top);
  GdkKeymapKey *keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
  ASSERT_TRUE(count > 0 && window) << gdk_keyval_name(keyval);
  if (keys[0].level == 1) modifiers = GdkModifierType(modifiers | GDK_SHIFT_MASK);
  // The key may close the window: the release then goes nowhere.
  g_object_ref(window);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    if (gdk_window_is_destroyed(window)) break;
    GdkEvent *event = gdk_event_new(type);
    event->key = GdkEventKey{type, GDK_WINDOW(g_object_ref(window)), TRUE, GDK_CURRENT_TIME,
                             modifiers, keyval, 0, nullptr, static_cast<guint16>(keys[0].keycode),
                             static_cast<guint8>(keys[0].group), 0};
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  g_object_unref(window);
  g_free(keys);
  drain_events();
}

void send_key_at(GtkWidget *widget, GdkEventType type, guint keyval, guint32 time) {
  GtkWidget *top = gtk_widget_get_toplevel(widget);
  GdkWindow *window = gtk_widget_get_window(top);
  GdkDisplay *display = gtk_widget_get_display(top);
  GdkKeymapKey *keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
  ASSERT_TRUE(count > 0 && window) << gdk_keyval_name(keyval);
  GdkEvent *event = gdk_event_new(type);
  event->key = GdkEventKey{type, GDK_WINDOW(g_object_ref(window)), TRUE, time, GdkModifierType(0),
                           keyval, 0, nullptr, static_cast<guint16>(keys[0].keycode),
                           static_cast<guint8>(keys[0].group), 0};
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_main_do_event(event);
  gdk_event_free(event);
  g_free(keys);
  drain_events();
}

static GtkWidget *measure_combo_of(GtkWidget *servings_spin) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_MEASURE_COMBO));
}

std::vector<std::string> measure_items(GtkWidget *servings_spin) {
  std::vector<std::string> items;
  GtkWidget *combo = measure_combo_of(servings_spin);
  if (!combo) return items;
  GtkTreeModel *model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
  GtkTreeIter iter;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gchar *text = nullptr;
    gtk_tree_model_get(model, &iter, 0, &text, -1);
    items.emplace_back(text ? text : "");
    g_free(text);
  }
  return items;
}

bool choose_measure(GtkWidget *servings_spin, const char *text) {
  std::vector<std::string> items = measure_items(servings_spin);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != text) continue;
    gtk_combo_box_set_active(GTK_COMBO_BOX(measure_combo_of(servings_spin)), static_cast<gint>(i));
    return true;
  }
  return false;
}

GtkWidget *amount_spin_of(GtkWidget *servings_spin) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN));
}

std::string measure_row_text(GtkWidget *servings_spin) {
  GtkWidget *combo = measure_combo_of(servings_spin);
  GtkWidget *amount = amount_spin_of(servings_spin);
  if (!combo || !amount) return "";
  gchar *measure = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
  char text[256];
  snprintf(text, sizeof text, "%.2f = %.2f × %s",
           gtk_spin_button_get_value(GTK_SPIN_BUTTON(servings_spin)),
           gtk_spin_button_get_value(GTK_SPIN_BUTTON(amount)), measure ? measure : "");
  g_free(measure);
  return text;
}

void destroy_toplevels_safely() {
  GList *tops = gtk_window_list_toplevels();
  for (GList *l = tops; l; l = l->next) g_object_ref(l->data);
  for (GList *l = tops; l; l = l->next) {
    // Popups such as the tooltip window belong to GTK, which keeps using them.
    if (gtk_window_get_window_type(GTK_WINDOW(l->data)) == GTK_WINDOW_TOPLEVEL)
      gtk_widget_destroy(GTK_WIDGET(l->data));
  }
  g_list_free_full(tops, g_object_unref);
  drain_events();
}

void UiTest::LockLog(int wait_ms) {
  ASSERT_EQ(nullptr, locker_);
  ASSERT_EQ(SQLITE_OK, sqlite3_open(log_path_.c_str(), &locker_));
  ASSERT_EQ(SQLITE_OK, exec_sql(locker_, "BEGIN EXCLUSIVE; SELECT count(*) FROM food_log"));
  db_connection_set_wait(state_.log_db, wait_ms);
}

void UiTest::UnlockLog() {
  if (!locker_) return;
  exec_sql(locker_, "ROLLBACK");
  sqlite3_close(locker_);
  locker_ = nullptr;
  db_connection_set_wait(state_.log_db, kDbBusyTimeoutMs);
}

std::vector<GtkWidget *> messages_over(GtkWidget *parent) {
  std::vector<GtkWidget *> found;
  for (GtkWidget *message : toplevels_of_type(GTK_TYPE_MESSAGE_DIALOG))
    if (gtk_window_get_transient_for(GTK_WINDOW(message)) == GTK_WINDOW(parent))
      found.push_back(message);
  return found;
}

std::string message_texts(GtkWidget *message) {
  gchar *primary = nullptr, *secondary = nullptr;
  g_object_get(message, "text", &primary, "secondary-text", &secondary, nullptr);
  std::string out = std::string(primary ? primary : "") + "\n" + (secondary ? secondary : "");
  g_free(primary);
  g_free(secondary);
  return out;
}

namespace {
time_t clock_now = 0;
time_t read_clock() { return clock_now; }
}  // namespace

void UiTest::SetClock(const char *local_time) {
  struct tm when = {};
  ASSERT_EQ(6, sscanf(local_time, "%d-%d-%d %d:%d:%d", &when.tm_year, &when.tm_mon, &when.tm_mday,
                      &when.tm_hour, &when.tm_min, &when.tm_sec))
      << local_time;
  when.tm_year -= 1900;
  when.tm_mon -= 1;
  when.tm_isdst = -1;
  clock_now = mktime(&when);
  date_clock_set(read_clock);
}

void UiTest::TearDownSafely() {
  date_clock_set(nullptr);
  keys_drop_typed_until(0);
  UnlockLog();
  destroy_toplevels_safely();
  if (app_) g_object_unref(app_);
  app_ = nullptr;
  if (state_.food_db) food_db_use_log(state_.food_db, nullptr);
  log_db_close(state_.log_db);
  food_db_close(state_.food_db);
  state_ = GuiState{};
  TempDirTest::TearDown();
}

void UiTest::LogMeasured(int code, const char *description, const std::string &date,
                         const char *measure, double grams, double count) {
  const EntryMeasure kept{measure, grams, count};
  ASSERT_EQ(0, log_entry_add_measured(state_.log_db, code, description, date.c_str(),
                                      std::round(count * grams) / 100.0, &kept, nullptr));
}

std::vector<std::string> entry_row_texts(GuiState *state) {
  std::vector<std::string> rows;
  if (!state->log_list_box) return rows;
  GList *children = gtk_container_get_children(GTK_CONTAINER(state->log_list_box));
  for (GList *l = children; l; l = l->next) {
    if (!GTK_IS_BOX(l->data)) continue;
    std::string text;
    GList *items = gtk_container_get_children(GTK_CONTAINER(l->data));
    for (GList *i = items; i; i = i->next) {
      if (!GTK_IS_LABEL(i->data)) continue;
      if (!text.empty()) text += " | ";
      text += gtk_label_get_text(GTK_LABEL(i->data));
    }
    g_list_free(items);
    rows.push_back(text);
  }
  g_list_free(children);
  return rows;
}
