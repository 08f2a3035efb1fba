// SPDX-License-Identifier: GPL-3.0-or-later
// The quick log of the main window: a field at the bottom of the "Food Log" frame whose
// ranked suggestions log a food in a few keys, "Copy to Today" in the nav row, and the
// in-window notification that offers to undo either (or any other change that added
// entries, quick_log_offer_undo), and to redo what it undid, for as long as it shows.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/gui-state.h"
#include "store/entry-measures.h"
#include "store/log-entries.h"

// Object data of the main window: the quick log's own record.
#define KEY_QUICK_LOG "quick-log"
// Object data of the quick-log field: the list box of its suggestions.
#define KEY_QUICK_LOG_LIST "quick-log-list"

// Most suggestions shown at once.
constexpr size_t kQuickLogSuggestions = 10;

// Builds the quick-log field at the end of the "Food Log" frame, "Copy to Today" after "▶"
// in its nav row and the notification over |main_box|, and adds the window actions
// "win.quick-log" (the field takes the focus), "win.undo" and "win.redo" (enabled while the
// notification offers Undo or Redo, and no text field with text has the focus). Call once the frames are built. Returns what the main window holds in place of
// |main_box|: an overlay with |main_box| inside.
GtkWidget *quick_log_install(GuiState *state, GtkWidget *main_box);

// Called after every redraw of the view (refresh_views): the log may have changed, and the
// date on display has entries (|has_entries|) or not. A focus that the redraw took away
// goes to the field. Does nothing without a quick log.
void quick_log_view_changed(GuiState *state, bool has_entries);

// The quick-log field of the main window, or null.
GtkWidget *quick_log_field(GuiState *state);

// The "Copy to Today" button of the main window, or null.
GtkWidget *quick_log_copy_button(GuiState *state);

// Tells in the notification that |description| was logged on |date| (a date string), not on
// the date on display, with a "Show" button that shows that date.
void quick_log_tell_other_day(GuiState *state, const char *description, const char *date);

// The box shown under the field in place of the suggestions when no food matches what is
// typed (hidden otherwise), or null. Its first child is the line that says so.
GtkWidget *quick_log_no_match_box(GuiState *state);

// The notification's revealer, or null.
GtkWidget *quick_log_notification(GuiState *state);

// The texts of the suggestions on show, top first; empty while the list is hidden.
std::vector<std::string> quick_log_suggestion_texts(GuiState *state);

// Logs |servings| servings of the food |food_code| on the date on display as a quick log of
// a suggestion does: the views are redrawn, and the notification names the food and offers
// Undo. A failed write is told in a message and logs nothing. Does nothing without a quick log.
// With |measure| (that many of it make the servings), the entry keeps it. When a new day has
// begun that the view did not show yet, the view moves to it and says so, and nothing is
// logged, as with Enter in the quick-log field.
void quick_log_food(GuiState *state, int32_t food_code, const char *description, double servings,
                    const EntryMeasure *measure = nullptr);

// "changed" of the field: ranks the foods for its text and shows the suggestions.
void on_quick_log_changed(GtkEditable *field, gpointer state);

// "key-press-event" of the field: Up and Down move through the suggestions (Down on an empty
// field lists the foods logged last), Enter logs the selected one (or opens the add-to-log
// dialog for a food never logged, and with Shift for any food), Escape hides the list.
gboolean on_quick_log_key_press(GtkWidget *field, GdkEventKey *event, gpointer state);

// "clicked" of "Copy to Today": copies the entries of the date on display to today.
void on_copy_to_today_clicked(GtkButton *button, gpointer state);

// Undo of what the notification names, while it offers "Undo" (the action behind Ctrl+Z).
void on_undo_clicked(GtkButton *button, gpointer state);

// Undo of a change to the food log. A write of the window that added entries calls this
// once the view is redrawn: the notification says |text| ("“Milk, whole” logged") with
// "Undo", which takes back the entries |written| (as written, ids included; taken over,
// |written| is left empty), those that are still as written, for as long as the
// notification shows. Undo then says what it deleted, with "Redo".
void quick_log_offer_undo(GuiState *state, const char *text, LogEntryList *written);

// Shows |text| in the notification with "Undo" for a change other than to the food log (a
// weight): Undo (and Ctrl+Z) then calls |undo|, which takes it back and returns whether it
// did (it told the person why not), and the notification says "Undone: " and |name|.
void quick_log_notify_undo(GuiState *state, const char *text, const char *name,
                           std::function<bool()> undo);
