// SPDX-License-Identifier: GPL-3.0-or-later
// The edit dialog and the delete confirmation of a food log entry.
#include "ui/entry-dialogs.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <exception>

#include "app/gui-state.h"
#include "budget/date-string.h"
#include "i18n.h"
#include "store/entry-measures.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/held-keys.h"
#include "ui/measure-chooser.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"

namespace {

// Moves |calendar| to |date| when it reads as a real calendar day; otherwise the calendar
// stays where it is. Out-of-range numbers would make GtkCalendar complain or select a day
// that its month does not have.
void calendar_show_date(GtkCalendar *calendar, const char *date) {
  int year = 0, month = 0, day = 0;
  if (!date || sscanf(date, "%d-%d-%d", &year, &month, &day) != 3) return;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                        static_cast<GDateYear>(year)))
    return;
  gtk_calendar_select_month(calendar, static_cast<guint>(month - 1), static_cast<guint>(year));
  gtk_calendar_select_day(calendar, static_cast<guint>(day));
}

void build_edit_dialog(GtkButton *button, GuiState *state) {
  GObject *source = G_OBJECT(button);
  int64_t id = entry_id_get(source);
  auto *stored_servings =
      static_cast<const double *>(g_object_get_data(source, KEY_ENTRY_SERVINGS));
  double servings = stored_servings ? *stored_servings : 1.0;
  auto *date = static_cast<const char *>(g_object_get_data(source, KEY_ENTRY_DATE));
  auto *description = static_cast<const char *>(g_object_get_data(source, KEY_ENTRY_DESC));
  int32_t food_code = GPOINTER_TO_INT(g_object_get_data(source, KEY_ENTRY_FOOD_CODE));

  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      description ? description : _("Edit Log Entry"), GTK_WINDOW(state->main_window), kDialogFlags,
      _("Save"), GTK_RESPONSE_OK, _("Cancel"), GTK_RESPONSE_CANCEL, nullptr);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 400, 350);
  window_ignore_held_enter(dialog);
  GtkBox *content = GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));

  GtkWidget *servings_row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  GtkWidget *servings_label = gtk_label_new(_("Servings:"));
  GtkWidget *spin = gtk_spin_button_new_with_range(kServingsMin, kServingsMax, 0.5);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 2);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), servings);  // clamped to the range
  spin_button_accept_decimals(spin);
  gtk_label_set_mnemonic_widget(GTK_LABEL(servings_label), spin);
  gtk_box_pack_start(GTK_BOX(servings_row), servings_label, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(servings_row), spin, FALSE, FALSE, 6);
  measure_chooser_add(servings_row, servings_label, spin, state->food_db, food_code);
  // The entry opens in the measure it was logged in; one without reads in grams.
  EntryMeasure kept;
  if (entry_measure_get(state->log_db, id, food_code, servings, &kept) == 0)
    measure_chooser_set(spin, kept.measure.c_str(), kept.measure_g, kept.count);
  gtk_box_pack_start(content, servings_row, FALSE, FALSE, 6);
  gtk_box_pack_start(content, measure_chooser_note(spin), FALSE, FALSE, 6);

  GtkWidget *frame = gtk_frame_new(_("Date"));
  GtkWidget *calendar = gtk_calendar_new();
  calendar_show_date(GTK_CALENDAR(calendar), date);
  gtk_container_add(GTK_CONTAINER(frame), calendar);
  gtk_label_set_mnemonic_widget(GTK_LABEL(gtk_frame_get_label_widget(GTK_FRAME(frame))), calendar);
  gtk_box_pack_start(content, frame, FALSE, FALSE, 6);

  g_object_set_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY, spin);
  g_object_set_data(G_OBJECT(dialog), KEY_CALENDAR, calendar);
  g_object_set_data(G_OBJECT(dialog), KEY_ENTRY_FOOD_CODE, GINT_TO_POINTER(food_code));
  entry_id_set(G_OBJECT(dialog), id);

  g_signal_connect_data(dialog, "response", G_CALLBACK(on_edit_response), state, nullptr,
                        static_cast<GConnectFlags>(0));
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  field_activates_default(spin);
  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
}

// Stores what the dialog shows. Returns false, the dialog staying open, when the servings
// are no number or the write failed (the user has been told).
bool save_edit(GtkDialog *dialog, GuiState *state) {
  auto *spin = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY));
  auto *calendar = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), KEY_CALENDAR));
  int64_t id = entry_id_get(G_OBJECT(dialog));
  if (!spin || !calendar) return true;

  double servings = 0.0;
  if (!measure_chooser_commit(spin) || !spin_button_read(spin, &servings)) return false;
  char date[DATE_STRING_SIZE];
  calendar_date_string(calendar, date);

  const int32_t food_code =
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), KEY_ENTRY_FOOD_CODE));
  EntryMeasure measure;
  measure_chooser_get(spin, &measure.measure, &measure.measure_g, &measure.count);
  if (log_entry_update_measured(state->log_db, id, food_code, date, servings, &measure) != 0) {
    show_write_failure(GTK_WINDOW(dialog), _("The changes to this entry were not saved."),
                       log_db_error_text(state->log_db));
    return false;
  }
  refresh_views(state);
  return true;
}

void confirm_delete(GtkButton *button, GuiState *state) {
  int64_t id = entry_id_get(G_OBJECT(button));
  GtkWidget *question =
      gtk_message_dialog_new(GTK_WINDOW(state->main_window), kDialogFlags, GTK_MESSAGE_QUESTION,
                             GTK_BUTTONS_YES_NO, "%s", _("Delete this log entry?"));
  gtk_window_set_title(GTK_WINDOW(question), _("Confirm Delete"));
  window_ignore_held_enter(question);
  // Keep the dialog alive across the nested loop even if its parent goes meanwhile.
  g_object_ref(question);
  gint answer = gtk_dialog_run(GTK_DIALOG(question));
  gtk_widget_destroy(question);
  g_object_unref(question);

  if (answer != GTK_RESPONSE_YES) return;
  if (log_entry_delete_measured(state->log_db, id) != 0) {
    // The view stays as it is, with the entry listed: a refresh now would most likely fail
    // for the same reason and show an empty day.
    show_write_failure(GTK_WINDOW(state->main_window), _("The entry was not deleted."),
                       log_db_error_text(state->log_db));
    return;
  }
  refresh_views(state);
}

}  // namespace

void entry_id_set(GObject *object, int64_t id) {
  g_object_set_data_full(object, KEY_ENTRY_ID, g_memdup2(&id, sizeof id), g_free);
}

int64_t entry_id_get(GObject *object) {
  auto *id = static_cast<const int64_t *>(g_object_get_data(object, KEY_ENTRY_ID));
  return id ? *id : 0;
}

void on_edit_clicked(GtkButton *button, gpointer state) {
  run_guarded("on_edit_clicked",
              [&] { build_edit_dialog(button, static_cast<GuiState *>(state)); });
}

void on_edit_response(GtkDialog *dialog, gint response_id, gpointer state) {
  bool done = true;
  run_guarded("on_edit_response", [&] {
    if (response_id == GTK_RESPONSE_OK) done = save_edit(dialog, static_cast<GuiState *>(state));
  });
  if (done) gtk_widget_destroy(GTK_WIDGET(dialog));
}

void on_delete_clicked(GtkButton *button, gpointer state) {
  run_guarded("on_delete_clicked", [&] { confirm_delete(button, static_cast<GuiState *>(state)); });
}
