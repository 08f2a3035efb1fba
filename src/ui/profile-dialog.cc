// SPDX-License-Identifier: GPL-3.0-or-later
// The profile dialog, which stores the profile and its calorie target, and the
// "Profile Required" message that follows it while no usable profile is stored.
#include "ui/profile-dialog.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>

#include "app/gui-state.h"
#include "budget/calorie-target.h"
#include "budget/date-string.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/weight-log.h"
#include "ui/budget-view.h"
#include "ui/dialog-util.h"
#include "ui/held-keys.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"

namespace {

enum { ACTIVITY_LEVEL_COUNT = 5, GENDER_COUNT = 2 };

// Response of the "Try Again" button of the bar that says the profile could not be read.
enum { RESPONSE_RELOAD = 1 };

GtkWidget *dialog_input(GtkDialog *dialog, const char *key) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(dialog), key));
}

// One labelled input in |row| of the form: the label right-aligned in column 0.
void attach_row(GtkGrid *grid, int row, const char *text, GtkWidget *input) {
  GtkWidget *label = gtk_label_new(text);
  gtk_widget_set_halign(label, GTK_ALIGN_END);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), input);
  gtk_grid_attach(grid, label, 0, row, 1, 1);
  gtk_grid_attach(grid, input, 1, row, 1, 1);
}

// Selects item |index|, or none when the stored value is no item of the combo box.
void combo_set_stored(GtkWidget *combo, int32_t index, int count) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), index >= 0 && index < count ? index : -1);
}

void on_unread_bar_response(GtkDialog *dialog, gint response_id, gpointer bar);

// What the birth date field takes. GTK 3 shows the placeholder only while the field has no
// focus, and the dialog opens with the focus in it: the form is also its tooltip and what
// a screen reader says of it.
const char *birthday_form_text() {
  // Translators: tooltip of the profile dialog's birth date field
  return _("Your date of birth, in the form YYYY-MM-DD, such as 1990-05-07");
}

// Whether |text| is the start of a date in the form YYYY-MM-DD, still being typed.
bool starts_date_form(const char *text) {
  const size_t length = strlen(text);
  if (length >= 10) return false;
  for (size_t i = 0; i < length; i++)
    if ((i == 4 || i == 7) ? text[i] != '-' : !g_ascii_isdigit(text[i])) return false;
  return true;
}

// Shows the birth date's warning when the field holds text that is no real date in the form
// YYYY-MM-DD, and hides it when the text is one, or empty. The start of a date being typed
// ("1990-0") is warned of only when the focus leaves the field, or when |now|.
void warn_of_birthday(GtkWidget *birthday, bool now) {
  auto *warning = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(birthday), KEY_BIRTHDAY_WARNING));
  if (!warning) return;
  const char *text = gtk_entry_get_text(GTK_ENTRY(birthday));
  const bool odd = text && text[0] != '\0' && !date_string_is_real(text);
  const bool show = odd && (now || !starts_date_form(text));
  gtk_widget_set_visible(warning, show);
  gtk_entry_set_icon_from_icon_name(GTK_ENTRY(birthday), GTK_ENTRY_ICON_SECONDARY,
                                    show ? "dialog-warning-symbolic" : nullptr);
  gtk_entry_set_icon_tooltip_text(GTK_ENTRY(birthday), GTK_ENTRY_ICON_SECONDARY,
                                  show ? gtk_label_get_text(GTK_LABEL(warning)) : nullptr);
  atk_object_set_description(gtk_widget_get_accessible(birthday),
                             show ? gtk_label_get_text(GTK_LABEL(warning)) : birthday_form_text());
}

void on_birthday_changed(GtkEditable *birthday, gpointer) {
  run_guarded("on_birthday_changed", [&] { warn_of_birthday(GTK_WIDGET(birthday), false); });
}

gboolean on_birthday_focus_out(GtkWidget *birthday, GdkEvent *, gpointer) {
  run_guarded("on_birthday_focus_out", [&] { warn_of_birthday(birthday, true); });
  return FALSE;
}

// The bar that says the stored profile could not be read, with "Try Again"; hidden until
// then.
GtkWidget *build_unread_bar(GtkDialog *dialog) {
  GtkWidget *bar = gtk_info_bar_new_with_buttons(_("Try Again"), RESPONSE_RELOAD, nullptr);
  gtk_info_bar_set_message_type(GTK_INFO_BAR(bar), GTK_MESSAGE_ERROR);
  GtkWidget *label = gtk_label_new(nullptr);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(bar))), label);
  gtk_widget_set_no_show_all(bar, TRUE);
  g_object_set_data(G_OBJECT(dialog), KEY_PROFILE_INFO_BAR, bar);
  g_object_set_data(G_OBJECT(dialog), KEY_PROFILE_INFO_LABEL, label);
  g_signal_connect_swapped(bar, "response", G_CALLBACK(on_unread_bar_response), dialog);
  return bar;
}

// Prefills the form from the stored profile. When it cannot be read, the form must not
// be saved: it would put its defaults in place of the stored row. Save then stays
// insensitive and the bar says why, until a read succeeds. |first| is true while the
// form still holds its defaults.
void fill_from_stored(GtkDialog *dialog, GuiState *state, bool first) {
  Profile stored;
  const int result = profile_load(state->log_db, &stored);
  auto *bar = dialog_input(dialog, KEY_PROFILE_INFO_BAR);
  auto *label = dialog_input(dialog, KEY_PROFILE_INFO_LABEL);
  if (result == -1) {
    char text[512];
    snprintf(text, sizeof text,
             _("Your stored profile could not be read (%s). It cannot be changed until it "
               "is read."),
             log_db_error_text(state->log_db));
    if (label) gtk_label_set_text(GTK_LABEL(label), text);
    if (bar) {
      gtk_widget_set_no_show_all(bar, FALSE);
      gtk_widget_show_all(bar);
    }
    g_object_set_data(G_OBJECT(dialog), KEY_PROFILE_UNREAD, GINT_TO_POINTER(1));
    gtk_dialog_set_response_sensitive(dialog, GTK_RESPONSE_OK, FALSE);
    if (first) gtk_combo_box_set_active(GTK_COMBO_BOX(dialog_input(dialog, KEY_GENDER_COMBO)), 0);
    return;
  }
  g_object_set_data(G_OBJECT(dialog), KEY_PROFILE_UNREAD, nullptr);
  gtk_dialog_set_response_sensitive(dialog, GTK_RESPONSE_OK, TRUE);
  if (bar) gtk_widget_hide(bar);
  // The weight unit, read with the profile: a unit that cannot be read shows kilograms, and
  // is stored only when another one is chosen.
  int unit = 0;
  weight_unit_load(state->log_db, &unit);
  g_object_set_data(G_OBJECT(dialog), KEY_WEIGHT_UNIT_STORED, GINT_TO_POINTER(unit));
  if (GtkWidget *combo = dialog_input(dialog, KEY_WEIGHT_UNIT_COMBO))
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), unit == 1 ? 1 : 0);
  if (result == 0) {
    if (stored.bdate && stored.bdate[0] != '\0')
      gtk_entry_set_text(GTK_ENTRY(dialog_input(dialog, KEY_BIRTHDAY_ENTRY)), stored.bdate);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(dialog_input(dialog, KEY_HEIGHT_SPIN)),
                              stored.height_cm);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(dialog_input(dialog, KEY_WEIGHT_SPIN)),
                              stored.weight_kg);
    combo_set_stored(dialog_input(dialog, KEY_ACTIVITY_COMBO), stored.activity_level,
                     ACTIVITY_LEVEL_COUNT);
    combo_set_stored(dialog_input(dialog, KEY_GENDER_COMBO), stored.gender, GENDER_COUNT);
    profile_clear(&stored);
  } else {
    gtk_combo_box_set_active(GTK_COMBO_BOX(dialog_input(dialog, KEY_GENDER_COMBO)), 0);
  }
}

void on_unread_bar_response(GtkDialog *dialog, gint response_id, gpointer) {
  run_guarded("on_unread_bar_response", [&] {
    auto *state = static_cast<GuiState *>(g_object_get_data(G_OBJECT(dialog), KEY_GUI_STATE));
    if (response_id == RESPONSE_RELOAD && state) fill_from_stored(dialog, state, false);
  });
}

void build_profile_dialog(GuiState *state) {
  GtkWidget *dialog = gtk_dialog_new_with_buttons(_("Profile"), GTK_WINDOW(state->main_window),
                                                  kDialogFlags, _("Save"), GTK_RESPONSE_OK,
                                                  _("Cancel"), GTK_RESPONSE_CANCEL, nullptr);
  window_ignore_held_enter(dialog);

  GtkWidget *grid = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);

  GtkWidget *birthday = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(birthday), "YYYY-MM-DD");
  gtk_widget_set_tooltip_text(birthday, birthday_form_text());
  atk_object_set_description(gtk_widget_get_accessible(birthday), birthday_form_text());
  GtkWidget *height = gtk_spin_button_new_with_range(30, 300, 0.5);
  GtkWidget *weight = gtk_spin_button_new_with_range(1, 500, 0.5);
  GtkWidget *activity = gtk_combo_box_text_new();
  const char *activity_names[ACTIVITY_LEVEL_COUNT] = {_("Sedentary"), _("Light"), _("Moderate"),
                                                      _("Very active"), _("Extra active")};
  for (const char *name : activity_names)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(activity), name);
  gtk_combo_box_set_active(GTK_COMBO_BOX(activity), 0);
  GtkWidget *gender = gtk_combo_box_text_new();
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(gender), _("Female"));
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(gender), _("Male"));

  attach_row(GTK_GRID(grid), 0, _("Birthday:"), birthday);
  attach_row(GTK_GRID(grid), 1, _("Height (cm):"), height);
  attach_row(GTK_GRID(grid), 2, _("Weight (kg):"), weight);
  attach_row(GTK_GRID(grid), 3, _("Activity level:"), activity);
  attach_row(GTK_GRID(grid), 4, _("Gender:"), gender);
  g_object_set_data(G_OBJECT(dialog), KEY_GUI_STATE, state);

  g_object_set_data(G_OBJECT(dialog), KEY_BIRTHDAY_ENTRY, birthday);
  g_object_set_data(G_OBJECT(dialog), KEY_HEIGHT_SPIN, height);
  g_object_set_data(G_OBJECT(dialog), KEY_WEIGHT_SPIN, weight);
  g_object_set_data(G_OBJECT(dialog), KEY_ACTIVITY_COMBO, activity);
  g_object_set_data(G_OBJECT(dialog), KEY_GENDER_COMBO, gender);
  spin_button_accept_decimals(height);
  spin_button_accept_decimals(weight);
  // Below the five rows: the range of a height or weight that was refused.
  GtkWidget *note = gtk_label_new("");
  gtk_style_context_add_class(gtk_widget_get_style_context(note), GTK_STYLE_CLASS_ERROR);
  gtk_widget_set_halign(note, GTK_ALIGN_START);
  gtk_widget_set_no_show_all(note, TRUE);
  gtk_grid_attach(GTK_GRID(grid), note, 1, 5, 1, 1);
  spin_button_set_note(height, note);
  spin_button_set_note(weight, note);
  // Below them: a birth date that is no real date in its form (Save stores it as before).
  GtkWidget *warning = gtk_label_new(_("Not a real date in the form YYYY-MM-DD."));
  gtk_style_context_add_class(gtk_widget_get_style_context(warning), GTK_STYLE_CLASS_WARNING);
  gtk_widget_set_halign(warning, GTK_ALIGN_START);
  gtk_label_set_xalign(GTK_LABEL(warning), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(warning), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(warning), 30);
  gtk_widget_set_no_show_all(warning, TRUE);
  gtk_grid_attach(GTK_GRID(grid), warning, 1, 6, 1, 1);
  g_object_set_data(G_OBJECT(birthday), KEY_BIRTHDAY_WARNING, warning);
  g_object_set_data(G_OBJECT(dialog), KEY_BIRTHDAY_WARNING, warning);
  connect_signal(birthday, "changed", G_CALLBACK(on_birthday_changed), nullptr);
  connect_signal(birthday, "focus-out-event", G_CALLBACK(on_birthday_focus_out), nullptr);
  // After them: the unit the weight log reads and takes weights in.
  GtkWidget *unit = gtk_combo_box_text_new();
  // Translators: an item of the profile dialog's "Weight unit:"
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(unit), _("Kilograms (kg)"));
  // Translators: an item of the profile dialog's "Weight unit:"
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(unit), _("Pounds (lb)"));
  gtk_combo_box_set_active(GTK_COMBO_BOX(unit), 0);  // until the stored one is read
  attach_row(GTK_GRID(grid), 7, _("Weight unit:"), unit);
  g_object_set_data(G_OBJECT(dialog), KEY_WEIGHT_UNIT_COMBO, unit);

  GtkBox *content = GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
  gtk_box_pack_start(content, grid, TRUE, TRUE, 0);
  gtk_box_pack_start(content, build_unread_bar(GTK_DIALOG(dialog)), FALSE, FALSE, 0);
  fill_from_stored(GTK_DIALOG(dialog), state, true);
  g_signal_connect_data(dialog, "response", G_CALLBACK(on_profile_response), state, nullptr,
                        static_cast<GConnectFlags>(0));
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  for (GtkWidget *field : {birthday, height, weight}) field_activates_default(field);
  dialog_lay_out_content(GTK_DIALOG(dialog));
  gtk_widget_show_all(dialog);
  warn_of_birthday(birthday, true);
}

// What became of "Save".
enum class SaveOutcome {
  kSaved,     // stored; the dialog goes
  kNoGender,  // nothing to store: no gender is chosen, which counts as Cancel
  kKeptOpen,  // not stored, and the dialog stays with what was typed: the stored profile
              // is unread, a number is no number, or the write failed (the user was told)
};

SaveOutcome save_profile(GtkDialog *dialog, GuiState *state) {
  GtkWidget *birthday = dialog_input(dialog, KEY_BIRTHDAY_ENTRY);
  GtkWidget *height = dialog_input(dialog, KEY_HEIGHT_SPIN);
  GtkWidget *weight = dialog_input(dialog, KEY_WEIGHT_SPIN);
  GtkWidget *activity = dialog_input(dialog, KEY_ACTIVITY_COMBO);
  GtkWidget *gender = dialog_input(dialog, KEY_GENDER_COMBO);
  if (!birthday || !height || !weight || !activity || !gender) return SaveOutcome::kNoGender;
  // Never store the form's defaults over a profile that could not be read.
  if (g_object_get_data(G_OBJECT(dialog), KEY_PROFILE_UNREAD)) return SaveOutcome::kKeptOpen;

  gint gender_index = gtk_combo_box_get_active(GTK_COMBO_BOX(gender));
  if (gender_index != 0 && gender_index != 1) return SaveOutcome::kNoGender;

  Profile profile;
  if (!spin_button_read(height, &profile.height_cm) ||
      !spin_button_read(weight, &profile.weight_kg))
    return SaveOutcome::kKeptOpen;
  char bdate[DATE_STRING_SIZE];
  profile_birth_date_format(gtk_entry_get_text(GTK_ENTRY(birthday)), bdate);
  profile.bdate = bdate;
  profile.activity_level = gtk_combo_box_get_active(GTK_COMBO_BOX(activity));
  profile.gender = gender_index;
  profile.calorie_target = calorie_target_compute(bdate, profile.activity_level, profile.gender,
                                                  profile.height_cm, profile.weight_kg);
  GtkWidget *unit = dialog_input(dialog, KEY_WEIGHT_UNIT_COMBO);
  const int stored_unit =
      GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), KEY_WEIGHT_UNIT_STORED));
  const int chosen_unit = unit ? gtk_combo_box_get_active(GTK_COMBO_BOX(unit)) : 0;
  if (unit && chosen_unit != stored_unit &&
      weight_unit_save(state->log_db, chosen_unit == 1 ? 1 : 0) != 0) {
    show_write_failure(GTK_WINDOW(dialog), _("Your profile was not saved."),
                       log_db_error_text(state->log_db));
    return SaveOutcome::kKeptOpen;
  }
  g_object_set_data(G_OBJECT(dialog), KEY_WEIGHT_UNIT_STORED, GINT_TO_POINTER(chosen_unit));
  if (profile_save(state->log_db, &profile) != 0) {
    show_write_failure(GTK_WINDOW(dialog), _("Your profile was not saved."),
                       log_db_error_text(state->log_db));
    return SaveOutcome::kKeptOpen;
  }

  state->calorie_target = profile.calorie_target;
  refresh_views(state);
  return SaveOutcome::kSaved;
}

// While the stored profile is not usable, offers a new profile dialog or the end of the
// application.
void insist_on_profile(GuiState *state) {
  Profile stored;
  int result = profile_load(state->log_db, &stored);
  bool complete = profile_is_complete(result, &stored);
  profile_clear(&stored);
  if (complete) return;

  GtkWidget *window = state->main_window;
  GtkWidget *message = gtk_message_dialog_new(
      GTK_WINDOW(window), kDialogFlags, GTK_MESSAGE_ERROR, GTK_BUTTONS_NONE, "%s",
      _("Your profile must be fully configured before you can use Alimora."));
  gtk_window_set_title(GTK_WINDOW(message), _("Profile Required"));
  window_ignore_held_enter(message);
  gtk_dialog_add_buttons(GTK_DIALOG(message), _("OK"), GTK_RESPONSE_OK, _("Quit"),
                         GTK_RESPONSE_CLOSE, nullptr);
  // Both windows stay valid objects across the nested loop, whatever happens in it.
  g_object_ref(message);
  if (window) g_object_ref(window);
  gint answer = gtk_dialog_run(GTK_DIALOG(message));
  gtk_widget_destroy(message);
  g_object_unref(message);

  if (answer == GTK_RESPONSE_OK)
    show_profile_dialog(nullptr, state);
  else if (window)
    gtk_widget_destroy(window);  // closing the main window ends the application
  if (window) g_object_unref(window);
}

}  // namespace

char *profile_birth_date_format(const char *text, char out[DATE_STRING_SIZE]) {
  out[0] = '\0';
  int year = 0, month = 0, day = 0;
  if (!text || sscanf(text, "%9d-%9d-%9d", &year, &month, &day) != 3) return out;
  if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) return out;
  snprintf(out, DATE_STRING_SIZE, "%04u-%02u-%02u", static_cast<unsigned>(year),
           static_cast<unsigned>(month), static_cast<unsigned>(day));
  return out;
}

void show_profile_dialog(GtkButton *, gpointer state) {
  run_guarded("show_profile_dialog", [&] { build_profile_dialog(static_cast<GuiState *>(state)); });
}

void on_profile_response(GtkDialog *dialog, gint response_id, gpointer data) {
  auto *state = static_cast<GuiState *>(data);
  SaveOutcome outcome = SaveOutcome::kNoGender;
  run_guarded("on_profile_response", [&] {
    if (response_id == GTK_RESPONSE_OK) outcome = save_profile(dialog, state);
  });
  if (outcome == SaveOutcome::kKeptOpen) return;
  // Whatever was typed is discarded with the dialog.
  gtk_widget_destroy(GTK_WIDGET(dialog));
  if (outcome == SaveOutcome::kSaved) return;
  run_guarded("on_profile_response", [&] { insist_on_profile(state); });
}
