// SPDX-License-Identifier: GPL-3.0-or-later
// A held Enter key: the keyboard repeats it, and each repeat arrives as another press.
// Answering a dialog with every repeat, and opening the next one with the next, would log
// a food once per repeat; a repeat of Enter goes nowhere instead: one press, one answer.
#pragma once

#include <gtk/gtk.h>

// Makes |window| ignore the repeats of an Enter key held down. The first press acts as
// before, also when it arrived in another window of the program.
void window_ignore_held_enter(GtkWidget *window);

// Whether a press of |keyval| at |time| (milliseconds, as in GdkEventKey) is a repeat of an
// Enter key held down, and takes note of the press. A press at time 0 (GDK_CURRENT_TIME,
// made by a program rather than the keyboard) is never a repeat.
bool held_enter_press_is_repeat(guint keyval, guint32 time);

// The window did not answer the keyboard until |time| (milliseconds, as in GdkEventKey): it
// waited for the log. The keys pressed until then, which arrive only now, go nowhere in
// every window that ignores held Enter keys.
void keys_drop_typed_until(guint32 time);
