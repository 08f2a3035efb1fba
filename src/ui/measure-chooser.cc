// SPDX-License-Identifier: GPL-3.0-or-later
// Amount and household measure next to the servings of the add-to-log and edit dialogs.
#include "ui/measure-chooser.h"

#include <cmath>
#include <cstdio>

#include "fooddb/food-db.h"
#include "i18n.h"
#include "ui/dialog-util.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"

namespace {

const double kServingGrams = 100.0;  // the food database's amounts are per 100 g

enum { GRAMS_TEXT_SIZE = 32, MEASURE_TEXT_SIZE = 512, HEADER_TEXT_SIZE = 128 };

// The measure texts can be long ("1 small drumstick (from hen, approx 11 to 13 lb bird)
// ..."); the chooser shows their start and their weight, its list the whole text.
const int kMeasureMinChars = 13;  // "1 cup (244 g)"
const int kMeasureMaxChars = 28;
const int kAmountChars = 4;  // "1.00"; longer amounts scroll

GtkWidget *measure_combo_for(sqlite3 *food_db, int32_t food_code, double **grams_out) {
  GtkWidget *combo = gtk_combo_box_text_new();
  FoodMeasureList measures{nullptr, 0, 0};
  food_measures(food_db, food_code, &measures);  // a failure leaves only "100 g"

  double *grams = g_new(double, measures.count + 1);
  size_t items = 0;
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), _("100 g"));
  grams[items++] = kServingGrams;
  for (size_t i = 0; i < measures.count; ++i) {
    const FoodMeasure &measure = measures.items[i];
    if (!std::isfinite(measure.grams) || measure.grams <= 0.0) continue;
    char weight[GRAMS_TEXT_SIZE];
    snprintf(weight, sizeof weight, "%g", measure.grams);
    char text[MEASURE_TEXT_SIZE];
    // Translators: a household measure as USDA writes it (in English) and its weight in
    // grams, for example "1 cup (244 g)".
    snprintf(text, sizeof text, _("%s (%s g)"), measure.description, weight);
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), text);
    grams[items++] = measure.grams;
  }
  food_measure_list_free(&measures);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);

  GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
  for (GList *l = cells; l; l = l->next)
    g_object_set(l->data, "ellipsize", PANGO_ELLIPSIZE_MIDDLE, "width-chars", kMeasureMinChars,
                 "max-width-chars", kMeasureMaxChars, nullptr);
  g_list_free(cells);
  *grams_out = grams;
  return combo;
}

// Sets the servings to amount x grams of the chosen measure / 100, to two decimals.
void apply_measure(GtkWidget *servings_spin) {
  GObject *servings = G_OBJECT(servings_spin);
  auto *amount_spin = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_AMOUNT_SPIN));
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_MEASURE_COMBO));
  if (!amount_spin || !combo) return;
  auto *grams = static_cast<const double *>(g_object_get_data(G_OBJECT(combo), KEY_MEASURE_GRAMS));
  const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
  const double weight = grams && active > 0 ? grams[active] : kServingGrams;
  const double amount = gtk_spin_button_get_value(GTK_SPIN_BUTTON(amount_spin));
  // Whole grams give servings of two decimals; the spin button clamps them to its range.
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(servings_spin), std::round(amount * weight) / 100.0);
}

void attach_amount_header(GtkWidget *grid, double servings) {
  char grams[GRAMS_TEXT_SIZE];
  snprintf(grams, sizeof grams, "%.0f", servings * kServingGrams);
  char text[HEADER_TEXT_SIZE];
  // Translators: %s is a number of grams; the nutrient values below are for that amount.
  snprintf(text, sizeof text, _("Nutrients in %s g"), grams);
  char *markup = g_markup_printf_escaped("<b>%s</b>", text);
  GtkWidget *label = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(label), markup);
  g_free(markup);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  // Row -1 lies above the grid's own rows, which keep their numbers.
  gtk_grid_attach(GTK_GRID(grid), label, 0, -1, 2, 1);
  gtk_widget_show(label);
}

void on_amount_changed(GtkSpinButton *, gpointer servings_spin) {
  run_guarded("on_amount_changed", [&] { apply_measure(GTK_WIDGET(servings_spin)); });
}

void on_measure_changed(GtkComboBox *, gpointer servings_spin) {
  run_guarded("on_measure_changed", [&] { apply_measure(GTK_WIDGET(servings_spin)); });
}

// Runs after on_servings_changed has rebuilt the grid, which took the old header with it.
void on_servings_changed_name_amount(GtkSpinButton *spin, gpointer grid) {
  run_guarded("on_servings_changed_name_amount", [&] {
    attach_amount_header(GTK_WIDGET(grid), gtk_spin_button_get_value(spin));
  });
}

// Enter on the chooser answers the dialog, as it does in the dialog's other fields; Space
// and Alt+Down still open the list, and Up and Down still step through it.
gboolean on_measure_key_press(GtkWidget *widget, GdkEventKey *event, gpointer) {
  const guint key = event->keyval;
  if (key != GDK_KEY_Return && key != GDK_KEY_KP_Enter && key != GDK_KEY_ISO_Enter) return FALSE;
  if (event->state & gtk_accelerator_get_default_mod_mask()) return FALSE;
  // Not gtk_window_activate_default: the button inside the chooser receives the default
  // itself, so that would open the list.
  GtkWidget *toplevel = gtk_widget_get_toplevel(widget);
  GtkWidget *answer = GTK_IS_WINDOW(toplevel) ? gtk_window_get_default_widget(GTK_WINDOW(toplevel))
                                              : nullptr;
  return answer && gtk_widget_is_sensitive(answer) && gtk_widget_activate(answer);
}

// The chooser's keys arrive at the button inside it, which would open the list on Enter.
void connect_measure_key_press(GtkWidget *child, gpointer) {
  g_signal_connect(child, "key-press-event", G_CALLBACK(on_measure_key_press), nullptr);
}

}  // namespace

void measure_chooser_add(GtkWidget *row, GtkWidget *servings_label, GtkWidget *servings_spin,
                         sqlite3 *food_db, int32_t food_code) {
  gtk_widget_set_tooltip_text(servings_label, _("One serving is 100 g of the food."));

  GtkWidget *amount = gtk_spin_button_new_with_range(0.01, 1000.0, 1.0);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(amount), 2);
  gtk_entry_set_width_chars(GTK_ENTRY(amount), kAmountChars);
  spin_button_accept_decimals(amount);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(amount), 1.0);
  atk_object_set_name(gtk_widget_get_accessible(amount), _("Amount"));
  field_activates_default(amount);

  double *grams = nullptr;
  GtkWidget *combo = measure_combo_for(food_db, food_code, &grams);
  g_object_set_data_full(G_OBJECT(combo), KEY_MEASURE_GRAMS, grams, g_free);
  atk_object_set_name(gtk_widget_get_accessible(combo), _("Measure"));

  // "Servings: [2.44] = [1] × [1 cup (244 g)]": the row reads as the sum it is, so that the
  // amount is not taken for a second servings field.
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new("="), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), amount, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new("×"), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), combo, FALSE, FALSE, 6);
  g_object_set_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN, amount);
  g_object_set_data(G_OBJECT(servings_spin), KEY_MEASURE_COMBO, combo);
  connect_signal(amount, "value-changed", G_CALLBACK(on_amount_changed), servings_spin);
  connect_signal(combo, "changed", G_CALLBACK(on_measure_changed), servings_spin);
  g_signal_connect(combo, "key-press-event", G_CALLBACK(on_measure_key_press), nullptr);
  gtk_container_forall(GTK_CONTAINER(combo), connect_measure_key_press, nullptr);
}

bool measure_chooser_commit(GtkWidget *servings_spin) {
  auto *amount =
      static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN));
  double value = 0.0;
  return !amount || spin_button_read(amount, &value);
}

void nutrient_grid_name_amount(GtkWidget *grid, GtkWidget *servings_spin) {
  attach_amount_header(grid, gtk_spin_button_get_value(GTK_SPIN_BUTTON(servings_spin)));
  g_signal_connect_data(servings_spin, "value-changed",
                        G_CALLBACK(on_servings_changed_name_amount), grid, nullptr,
                        G_CONNECT_AFTER);
}
