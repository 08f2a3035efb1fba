// SPDX-License-Identifier: GPL-3.0-or-later
// Amount and household measure next to the servings of the add-to-log and edit dialogs.
#include "ui/measure-chooser.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fooddb/amount-text.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "ui/dialog-util.h"
#include "ui/number-input.h"
#include "ui/object-keys.h"
#include "utf8-text.h"

namespace {

const double kServingGrams = 100.0;  // the food database's amounts are per 100 g

enum { GRAMS_TEXT_SIZE = 32, MEASURE_TEXT_SIZE = 512, HEADER_TEXT_SIZE = 128 };

// The measure texts can be long ("1 small drumstick (from hen, approx 11 to 13 lb bird)
// ..."); the chooser shows their start and their weight, its list the whole text.
const int kMeasureMinChars = 13;  // "1 cup (244 g)"
const int kMeasureMaxChars = 28;
const int kAmountChars = 4;  // "1.00"; longer amounts scroll

// The measures a chooser offers, in its order: "100 g" first, then the food's own.
struct MeasureItems {
  std::vector<std::string> names;  // as the food database names them; "100 g" first
  std::vector<double> grams;       // weight of one
};

void free_measure_items(gpointer data) { delete static_cast<MeasureItems *>(data); }

MeasureItems *measure_items_of(GtkWidget *combo) {
  return combo ? static_cast<MeasureItems *>(g_object_get_data(G_OBJECT(combo), KEY_MEASURE_GRAMS))
               : nullptr;
}

// Appends |name| of |grams| to the chooser, as "1 cup (244 g)".
void append_measure(GtkWidget *combo, MeasureItems *items, const char *name, double grams) {
  char weight[GRAMS_TEXT_SIZE];
  snprintf(weight, sizeof weight, "%g", grams);
  char text[MEASURE_TEXT_SIZE];
  // Translators: a household measure as USDA writes it (in English) and its weight in
  // grams, for example "1 cup (244 g)".
  snprintf(text, sizeof text, _("%s (%s g)"), name, weight);
  utf8_fit(text, sizeof text);
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), text);
  items->names.emplace_back(name);
  items->grams.push_back(grams);
}

GtkWidget *measure_combo_for(sqlite3 *food_db, int32_t food_code) {
  GtkWidget *combo = gtk_combo_box_text_new();
  FoodMeasureList measures{nullptr, 0, 0};
  food_measures(food_db, food_code, &measures);  // a failure leaves only "100 g"

  auto *items = new MeasureItems;
  g_object_set_data_full(G_OBJECT(combo), KEY_MEASURE_GRAMS, items, free_measure_items);
  gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), _("100 g"));
  items->names.emplace_back("100 g");
  items->grams.push_back(kServingGrams);
  for (size_t i = 0; i < measures.count; ++i) {
    const FoodMeasure &measure = measures.items[i];
    if (!std::isfinite(measure.grams) || measure.grams <= 0.0) continue;
    append_measure(combo, items, measure.description, measure.grams);
  }
  food_measure_list_free(&measures);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);

  GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
  for (GList *l = cells; l; l = l->next)
    g_object_set(l->data, "ellipsize", PANGO_ELLIPSIZE_MIDDLE, "width-chars", kMeasureMinChars,
                 "max-width-chars", kMeasureMaxChars, nullptr);
  g_list_free(cells);
  return combo;
}

// The chooser cuts a long measure in the middle: its tooltip has the whole of it.
void show_whole_measure(GtkComboBox *combo, gpointer) {
  gchar *text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
  gtk_widget_set_tooltip_text(GTK_WIDGET(combo), text);
  g_free(text);
}

// Set on the servings spin button while amount and measure give servings outside its
// range, and while the servings are being set from them.
constexpr char kOutsideKey[] = "alimora-measure-outside";
constexpr char kApplyingKey[] = "alimora-measure-applying";

GtkWidget *measure_note_of(GtkWidget *servings_spin) {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_MEASURE_NOTE));
}

// Says next to the measure that amount and measure lie outside the servings' range, or
// (|text| null) nothing.
void say_outside(GtkWidget *servings_spin, const char *text) {
  g_object_set_data(G_OBJECT(servings_spin), kOutsideKey, GINT_TO_POINTER(text ? 1 : 0));
  // Screen readers say it with the amount, where the focus goes.
  auto *amount = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN));
  if (amount) atk_object_set_description(gtk_widget_get_accessible(amount), text ? text : "");
  GtkWidget *note = measure_note_of(servings_spin);
  if (!note) return;
  gtk_label_set_text(GTK_LABEL(note), text ? text : "");
  gtk_widget_set_visible(note, text != nullptr);
}

void on_amount_changed(GtkSpinButton *, gpointer servings_spin);
void on_measure_changed(GtkComboBox *, gpointer servings_spin);

// Shows servings set by hand as that many times "100 g", so that the row still reads as
// the sum it is ("1.50 = 1.50 × 100 g"), without setting the servings again.
void show_servings_as_grams(GtkWidget *servings_spin) {
  GObject *servings = G_OBJECT(servings_spin);
  auto *amount = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_AMOUNT_SPIN));
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_MEASURE_COMBO));
  if (!amount || !combo) return;
  g_signal_handlers_block_by_func(amount, reinterpret_cast<gpointer>(on_amount_changed), servings_spin);
  g_signal_handlers_block_by_func(combo, reinterpret_cast<gpointer>(on_measure_changed), servings_spin);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(amount),
                            gtk_spin_button_get_value(GTK_SPIN_BUTTON(servings_spin)));
  g_signal_handlers_unblock_by_func(combo, reinterpret_cast<gpointer>(on_measure_changed), servings_spin);
  g_signal_handlers_unblock_by_func(amount, reinterpret_cast<gpointer>(on_amount_changed), servings_spin);
}

// Servings changed by hand no longer follow amount and measure: those show the servings
// in grams instead.
void on_servings_value_changed(GtkSpinButton *spin, gpointer) {
  if (g_object_get_data(G_OBJECT(spin), kApplyingKey)) return;
  if (g_object_get_data(G_OBJECT(spin), kOutsideKey)) say_outside(GTK_WIDGET(spin), nullptr);
  show_servings_as_grams(GTK_WIDGET(spin));
}

// Sets the servings to amount x grams of the chosen measure / 100, to two decimals. When
// that lies outside the servings' range, the servings cannot show it: the note next to
// the measure says so, and the dialog stores nothing until it is within range.
void apply_measure(GtkWidget *servings_spin) {
  GObject *servings = G_OBJECT(servings_spin);
  auto *amount_spin = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_AMOUNT_SPIN));
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_MEASURE_COMBO));
  if (!amount_spin || !combo) return;
  const MeasureItems *items = measure_items_of(combo);
  const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
  const double weight = items && active > 0 && static_cast<size_t>(active) < items->grams.size()
                            ? items->grams[static_cast<size_t>(active)]
                            : kServingGrams;
  const double amount = gtk_spin_button_get_value(GTK_SPIN_BUTTON(amount_spin));
  // Whole grams give servings of two decimals.
  const double wanted = std::round(amount * weight) / 100.0;
  double min = 0.0, max = 0.0;
  gtk_spin_button_get_range(GTK_SPIN_BUTTON(servings_spin), &min, &max);
  char limit[GRAMS_TEXT_SIZE];
  char text[HEADER_TEXT_SIZE] = "";
  if (wanted < min) {
    snprintf(limit, sizeof limit, "%g", min * kServingGrams);
    // Translators: said next to the household measure when amount and measure weigh less
    // than the servings field takes; %s is a number of grams.
    snprintf(text, sizeof text, _("Less than the smallest amount, %s g: raise the amount."), limit);
  } else if (wanted > max) {
    snprintf(limit, sizeof limit, "%g", max * kServingGrams);
    // Translators: as above, for more than the servings field takes.
    snprintf(text, sizeof text, _("More than the largest amount, %s g: lower the amount."), limit);
  }
  g_object_set_data(G_OBJECT(servings_spin), kApplyingKey, GINT_TO_POINTER(1));
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(servings_spin), wanted);  // clamped if outside
  g_object_set_data(G_OBJECT(servings_spin), kApplyingKey, nullptr);
  say_outside(servings_spin, wanted < min || wanted > max ? text : nullptr);
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

  GtkWidget *combo = measure_combo_for(food_db, food_code);
  atk_object_set_name(gtk_widget_get_accessible(combo), _("Measure"));

  // Says why amount and measure cannot be taken, or why a typed number is refused.
  GtkWidget *note = gtk_label_new("");
  gtk_style_context_add_class(gtk_widget_get_style_context(note), GTK_STYLE_CLASS_ERROR);
  gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
  gtk_label_set_xalign(GTK_LABEL(note), 0.0f);
  gtk_label_set_max_width_chars(GTK_LABEL(note), 40);
  gtk_widget_set_no_show_all(note, TRUE);

  // "Servings: [2.44] = [1] × [1 cup (244 g)]": the row reads as the sum it is, so that the
  // amount is not taken for a second servings field.
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new("="), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), amount, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new("×"), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), combo, FALSE, FALSE, 6);
  g_object_set_data(G_OBJECT(servings_spin), KEY_MEASURE_NOTE, note);
  spin_button_set_note(servings_spin, note);
  spin_button_set_note(amount, note);
  connect_signal(servings_spin, "value-changed", G_CALLBACK(on_servings_value_changed), nullptr);
  g_object_set_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN, amount);
  g_object_set_data(G_OBJECT(servings_spin), KEY_MEASURE_COMBO, combo);
  connect_signal(amount, "value-changed", G_CALLBACK(on_amount_changed), servings_spin);
  connect_signal(combo, "changed", G_CALLBACK(on_measure_changed), servings_spin);
  connect_signal(combo, "changed", G_CALLBACK(show_whole_measure), nullptr);
  show_whole_measure(GTK_COMBO_BOX(combo), nullptr);
  // The servings the dialog opens with (an entry's, in the edit dialog), in grams.
  show_servings_as_grams(servings_spin);
  g_signal_connect(combo, "key-press-event", G_CALLBACK(on_measure_key_press), nullptr);
  gtk_container_forall(GTK_CONTAINER(combo), connect_measure_key_press, nullptr);
}

GtkWidget *measure_chooser_note(GtkWidget *servings_spin) {
  return servings_spin ? measure_note_of(servings_spin) : nullptr;
}

bool measure_chooser_commit(GtkWidget *servings_spin) {
  auto *amount =
      static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(servings_spin), KEY_AMOUNT_SPIN));
  double value = 0.0;
  if (!amount) return true;
  if (!spin_button_read(amount, &value)) return false;
  // Amount and measure outside the servings' range: the note says so; nothing is stored.
  if (g_object_get_data(G_OBJECT(servings_spin), kOutsideKey)) {
    gtk_style_context_add_class(gtk_widget_get_style_context(amount), GTK_STYLE_CLASS_ERROR);
    gtk_widget_grab_focus(amount);
    return false;
  }
  return true;
}

void nutrient_grid_name_amount(GtkWidget *grid, GtkWidget *servings_spin) {
  attach_amount_header(grid, gtk_spin_button_get_value(GTK_SPIN_BUTTON(servings_spin)));
  g_signal_connect_data(servings_spin, "value-changed",
                        G_CALLBACK(on_servings_changed_name_amount), grid, nullptr,
                        G_CONNECT_AFTER);
}

void measure_chooser_set(GtkWidget *servings_spin, const char *measure, double measure_g,
                         double count) {
  GObject *servings = G_OBJECT(servings_spin);
  auto *amount = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_AMOUNT_SPIN));
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_MEASURE_COMBO));
  MeasureItems *items = measure_items_of(combo);
  if (!amount || !items || !measure || !(measure_g > 0) || !(count > 0)) return;
  int at = 0;
  double shown = count;
  if (amount_measure_is_grams(measure)) {
    shown = count * measure_g / kServingGrams;  // so many times "100 g"
  } else {
    at = -1;
    for (size_t i = 1; i < items->names.size() && at < 0; i++)
      if (items->names[i] == measure && items->grams[i] == measure_g) at = static_cast<int>(i);
    // A measure of a unit typed ("1 fl oz") that the food database does not list as such.
    if (at < 0) {
      append_measure(combo, items, measure, measure_g);
      at = static_cast<int>(items->names.size()) - 1;
    }
  }
  g_signal_handlers_block_by_func(amount, reinterpret_cast<gpointer>(on_amount_changed), servings_spin);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(amount), shown);
  g_signal_handlers_unblock_by_func(amount, reinterpret_cast<gpointer>(on_amount_changed), servings_spin);
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), at);  // sets the servings from both
  apply_measure(servings_spin);
}

bool measure_chooser_get(GtkWidget *servings_spin, std::string *measure, double *measure_g,
                         double *count) {
  GObject *servings = G_OBJECT(servings_spin);
  auto *amount = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_AMOUNT_SPIN));
  auto *combo = static_cast<GtkWidget *>(g_object_get_data(servings, KEY_MEASURE_COMBO));
  const MeasureItems *items = measure_items_of(combo);
  if (!amount || !items) return false;
  const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
  if (active <= 0 || static_cast<size_t>(active) >= items->names.size()) return false;
  const double each = items->grams[static_cast<size_t>(active)];
  const double times = gtk_spin_button_get_value(GTK_SPIN_BUTTON(amount));
  const double grams = gtk_spin_button_get_value(GTK_SPIN_BUTTON(servings_spin)) * kServingGrams;
  // Servings typed by hand since: the amount is theirs, in grams.
  if (std::fabs(std::round(times * each) - grams) > 0.5 + 1e-9) return false;
  *measure = items->names[static_cast<size_t>(active)];
  *measure_g = each;
  *count = times;
  return true;
}

void measure_chooser_start_first(GtkWidget *servings_spin, sqlite3 *food_db, int32_t food_code) {
  FoodMeasureList measures{nullptr, 0, 0};
  food_measures(food_db, food_code, &measures);  // a failure leaves 100 g
  const AmountChoice first = amount_first_measure(measures.items, measures.count);
  food_measure_list_free(&measures);
  measure_chooser_set(servings_spin, first.measure.c_str(), first.measure_grams, first.count);
}
