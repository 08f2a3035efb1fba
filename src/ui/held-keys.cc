// SPDX-License-Identifier: GPL-3.0-or-later
// Repeats of a held Enter key go nowhere.
#include "ui/held-keys.h"

namespace {

// Repeats come every 25 to 100 ms after a first delay of at most a second; a press later
// than this after the last one is a new press, should its release have gone to another
// program.
constexpr guint32 kRepeatGapMs = 1500;

bool enter_down = false;
guint32 last_press_time = 0;
guint32 drop_until = 0;  // keys pressed until then go nowhere

bool is_enter(guint keyval) {
  return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

gboolean on_window_key_press(GtkWidget *, GdkEventKey *event, gpointer) {
  if (event->time != GDK_CURRENT_TIME && drop_until != 0 &&
      static_cast<gint32>(event->time - drop_until) <= 0)
    return TRUE;
  return held_enter_press_is_repeat(event->keyval, event->time);
}

// Sees the release in whichever widget of the program it arrives: the press that closed a
// dialog is often released over the window below.
gboolean on_key_release_emission(GSignalInvocationHint *, guint n_values, const GValue *values,
                                 gpointer) {
  if (n_values < 2 || !G_VALUE_HOLDS(&values[1], GDK_TYPE_EVENT)) return TRUE;
  auto *event = static_cast<GdkEvent *>(g_value_get_boxed(&values[1]));
  if (event && event->type == GDK_KEY_RELEASE && is_enter(event->key.keyval)) enter_down = false;
  return TRUE;  // stay installed
}

}  // namespace

bool held_enter_press_is_repeat(guint keyval, guint32 time) {
  if (!is_enter(keyval)) return false;
  if (time == GDK_CURRENT_TIME) return false;
  const bool repeat = enter_down && time - last_press_time < kRepeatGapMs;
  enter_down = true;
  last_press_time = time;
  return repeat;
}

void window_ignore_held_enter(GtkWidget *window) {
  static gulong hook = 0;
  if (hook == 0)
    hook = g_signal_add_emission_hook(g_signal_lookup("key-release-event", GTK_TYPE_WIDGET), 0,
                                      on_key_release_emission, nullptr, nullptr);
  g_signal_connect(window, "key-press-event", G_CALLBACK(on_window_key_press), nullptr);
}

void keys_drop_typed_until(guint32 time) { drop_until = time; }
