// SPDX-License-Identifier: GPL-3.0-or-later
// Own foods, recipes and saved meals on real widgets: My Foods and its dialogs driven from the
// keyboard, faults told next to their fields with nothing stored, the entries an edit
// changes, deletion refused or asked, a recipe and a meal summed by hand against the bars
// and the Nutrients window, and each of them logged from the quick-log field.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "store/log-entries.h"
#include "store/own-foods.h"
#include "ui-fixture.h"
#include "ui/my-foods-window.h"
#include "ui/own-food-edit.h"
#include "ui/own-recipe-edit.h"
#include "ui/quick-log-own.h"
#include "ui/quick-log.h"

namespace {

constexpr int kMilk = 11111000;     // "Milk, whole": "1 cup" 244 g
constexpr int kBanana = 63107010;   // "Banana, raw": "1 banana" 126 g
constexpr int kCoffee = 92101000;   // "Coffee, brewed"
constexpr int kBeef = 21500100;     // "Ground beef, cooked": "1 oz, cooked" 28.35 g
constexpr int kRice = 56205000;     // "Rice, cooked, NFS": "1 cup, cooked" 158 g
constexpr int kOnion = 75117020;    // "Onions, raw": "1 slice" 15 g
constexpr int kCabbage = 75105000;  // "Cabbage, red, raw": "1 cup" 90 g
constexpr int kGranola = 57228000;  // "Granola, homemade"

class OwnFoodsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  // Stores |food| as the log's own food; returns its code.
  int32_t Store(OwnFood food) {
    OwnFault fault;
    EXPECT_EQ(0, own_food_save(state_.log_db, &food, &fault)) << fault.message;
    return food.food_code;
  }

  OwnFood Label(const char *name, double serving_g, double kcal) {
    OwnFood food;
    food.kind = OWN_FOOD;
    food.name = name;
    food.serving_g = serving_g;
    food.values[SOURCE_ENERGY] = kcal;
    food.known = 1u << SOURCE_ENERGY;
    return food;
  }

  std::vector<OwnFood> Stored() {
    std::vector<OwnFood> all;
    EXPECT_EQ(0, own_foods_load(state_.log_db, false, &all));
    return all;
  }

  size_t EntriesToday() {
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(state_.log_db, today_, &list));
    const size_t count = list.count;
    log_entry_list_free(&list);
    return count;
  }

  // Opens My Foods with its shortcut, as the keyboard would.
  GtkWidget *OpenMyFoods() {
    send_key(state_.main_window, GDK_KEY_M, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    return static_cast<GtkWidget *>(
        g_object_get_data(G_OBJECT(state_.main_window), KEY_MY_FOODS_WINDOW));
  }

  // The rows of the My Foods list as "kind|name|energy".
  std::vector<std::string> ListRows(GtkWidget *window) {
    std::vector<std::string> rows;
    GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(find_named(window, "my-foods-list")));
    GtkTreeIter iter;
    for (bool more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
      gchar *kind, *name, *energy;
      gtk_tree_model_get(model, &iter, MY_FOODS_COL_KIND, &kind, MY_FOODS_COL_NAME, &name,
                         MY_FOODS_COL_ENERGY, &energy, -1);
      rows.push_back(std::string(kind) + "|" + name + "|" + energy);
      g_free(kind);
      g_free(name);
      g_free(energy);
    }
    return rows;
  }

  void Set(GtkWidget *dialog, const char *name, const char *text) {
    GtkWidget *entry = find_named(dialog, name);
    ASSERT_NE(nullptr, entry) << name;
    gtk_entry_set_text(GTK_ENTRY(entry), text);
  }

  std::string Text(GtkWidget *dialog, const char *name) {
    GtkWidget *widget = find_named(dialog, name);
    if (!widget) return "";
    if (GTK_IS_LABEL(widget)) return gtk_widget_get_visible(widget) ? gtk_label_get_text(GTK_LABEL(widget)) : "";
    return gtk_entry_get_text(GTK_ENTRY(widget));
  }

  // Enter in the field |name| of |dialog|, which has the focus first; returns whether the
  // dialog then went (the default button answers a moment after the key, as it shows).
  bool Enter(GtkWidget *dialog, const char *name) {
    GtkWidget *field = find_named(dialog, name);
    EXPECT_NE(nullptr, field) << name;
    if (!field) return false;
    WidgetWatch watch(dialog);
    gtk_widget_grab_focus(field);
    send_key(field, GDK_KEY_Return);
    return wait_until([&] { return watch.get() == nullptr; }, 1000);
  }

  // Types |text| into the quick-log field.
  void Type(const char *text) {
    send_key(state_.main_window, GDK_KEY_l, GDK_CONTROL_MASK);
    gtk_entry_set_text(GTK_ENTRY(quick_log_field(&state_)), text);
    drain_events();
  }

  std::string Message(GtkWidget *parent) {
    std::vector<GtkWidget *> messages = messages_over(parent);
    if (messages.empty()) return "";
    std::string text = message_texts(messages.back());
    gtk_widget_destroy(messages.back());
    drain_events();
    return text;
  }

  double KcalPer100g(int32_t code) {
    FoodValues values{};
    EXPECT_EQ(0, food_values_of(state_.food_db, code, &values));
    return values.kcal;
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(OwnFoodsTest, AFoodTypedFromItsLabelIsLoggedByItsServings) {
  Activate();
  GtkWidget *window = OpenMyFoods();
  ASSERT_NE(nullptr, window);
  EXPECT_STREQ("My Foods", gtk_window_get_title(GTK_WINDOW(window)));
  send_key(window, GDK_KEY_f, GDK_MOD1_MASK);  // New _Food…
  ASSERT_TRUE(wait_until([] { return dialog_titled("New Food") != nullptr; }, 1000));
  GtkWidget *dialog = dialog_titled("New Food");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(find_named(dialog, "own-name"), gtk_window_get_focus(GTK_WINDOW(dialog)));
  EXPECT_EQ("Counts no food groups. Pick a food of the database it is like to count its food "
            "groups.",
            Text(dialog, "own-counts-like"));
  Set(dialog, "own-name", "Shop granola");
  Set(dialog, "own-serving", "55");
  Set(dialog, "own-value-0", "250");
  Set(dialog, "own-value-1", "6");
  Set(dialog, "own-value-4", "10");
  Set(dialog, "own-value-13", "120");
  Set(dialog, "own-value-29", "8");  // added sugars in grams: 2 teaspoons
  // Counts like the food database's granola, picked with the ranked search, which Tab
  // reaches from the last value past the closed "More nutrients".
  GtkWidget *search = find_named(dialog, "food-picker-entry");
  gtk_widget_grab_focus(find_named(dialog, "own-value-29"));
  gtk_widget_child_focus(dialog, GTK_DIR_TAB_FORWARD);
  EXPECT_TRUE(GTK_IS_EXPANDER(gtk_window_get_focus(GTK_WINDOW(dialog))));
  gtk_widget_child_focus(dialog, GTK_DIR_TAB_FORWARD);
  EXPECT_EQ(search, gtk_window_get_focus(GTK_WINDOW(dialog)));
  gtk_entry_set_text(GTK_ENTRY(search), "granola homemade");
  drain_events();
  // What the search offers can be read: each row shows its food's name.
  GtkWidget *offers = find_named(dialog, "food-picker-list");
  ASSERT_TRUE(gtk_widget_is_visible(offers));
  GtkListBoxRow *top = gtk_list_box_get_row_at_index(GTK_LIST_BOX(offers), 0);
  ASSERT_NE(nullptr, top);
  GtkWidget *top_label = gtk_bin_get_child(GTK_BIN(top));
  EXPECT_TRUE(gtk_widget_is_visible(top_label));
  EXPECT_STREQ("Granola, homemade", gtk_label_get_text(GTK_LABEL(top_label)));
  gtk_widget_grab_focus(search);
  send_key(search, GDK_KEY_Return);
  EXPECT_EQ("Counts the food groups of “Granola, homemade”.", Text(dialog, "own-counts-like"));
  ASSERT_TRUE(Enter(dialog, "own-value-29")) << "Enter saves and closes the dialog";

  std::vector<OwnFood> stored = Stored();
  ASSERT_EQ(1u, stored.size());
  const OwnFood &food = stored[0];
  EXPECT_EQ("Shop granola", food.name);
  EXPECT_EQ(55.0, food.serving_g);
  EXPECT_EQ(kGranola, food.counts_like);
  EXPECT_EQ(250.0, food.values[SOURCE_ENERGY]);
  EXPECT_DOUBLE_EQ(2.0, food.values[SOURCE_ADDED_SUGARS]);
  EXPECT_TRUE(food.known & (1u << SOURCE_SODIUM));
  EXPECT_FALSE(food.known & (1u << SOURCE_FIBER)) << "an empty field is unknown, not 0";
  EXPECT_EQ((std::vector<std::string>{"Food|Shop granola|250 kcal per serving (55 g)"}),
            ListRows(window));

  // Two servings from the quick-log field: 110 g, 500 kcal, 12 g protein.
  Type("2 servings shop granola");
  const std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(0u, texts[0].rfind("Shop granola", 0)) << texts[0];
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  LogEntryList list;
  ASSERT_EQ(0, log_entries_for_date(state_.log_db, today_, &list));
  ASSERT_EQ(1u, list.count);
  EXPECT_EQ(food.food_code, list.items[0].food_code);
  EXPECT_NEAR(1.10, list.items[0].servings, 1e-9);
  log_entry_list_free(&list);
  EXPECT_STREQ("Energy (kcal): 500 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  // Logged once, it comes first with its last amount, which Enter logs again.
  Type("granola");
  const std::vector<std::string> again = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(again.empty());
  EXPECT_EQ("Shop granola — 2 × 1 serving (55 g)", again[0]);
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  EXPECT_STREQ("Energy (kcal): 1000 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_STREQ("Energy (kcal): 500 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  send_key(state_.main_window, GDK_KEY_i, GDK_CONTROL_MASK);
  ASSERT_NE(nullptr, state_.nutrients_window);
  EXPECT_EQ(0u, nutrient_row(state_.nutrients_window, "Protein (g)").cells.rfind("Protein (g)|12.0|", 0))
      << nutrient_row(state_.nutrients_window, "Protein (g)").cells;
}

TEST_F(OwnFoodsTest, BadInputIsToldNextToItsFieldAndStoresNothing) {
  Store(Label("Shop granola", 55, 250));
  struct Case {
    const char *name, *serving, *energy, *protein, *fat;
    const char *note;  // where the message shows
    const char *field;  // which field takes the focus
  } cases[] = {
      {"", "55", "250", "", "", "own-note-name", "own-name"},
      {"Shop granola", "55", "250", "", "", "own-note-name", "own-name"},  // taken
      {"Bar", "55", "", "6", "", "own-note-value-0", "own-value-0"},        // energy missing
      {"Bar", "55", "-5", "", "", "own-note-value-0", "own-value-0"},
      {"Bar", "50", "500", "", "", "own-note-value-0", "own-value-0"},  // 1000 kcal per 100 g
      {"Bar", "50", "250", "", "60", "own-note-value-4", "own-value-4"},  // 120 g fat per 100 g
      {"Bar", "0", "250", "", "", "own-note-serving", "own-serving"},
      {"Bar", "55", "250", "six", "", "own-note-value-1", "own-value-1"},
  };
  Activate();
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.serving + " " + c.energy + " " + c.protein + " " + c.fat);
    GtkWidget *dialog = own_food_dialog_open(&state_, GTK_WINDOW(state_.main_window), nullptr,
                                             nullptr, nullptr);
    Set(dialog, "own-name", c.name);
    Set(dialog, "own-serving", c.serving);
    Set(dialog, "own-value-0", c.energy);
    Set(dialog, "own-value-1", c.protein);
    Set(dialog, "own-value-4", c.fat);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    drain_events();
    EXPECT_TRUE(gtk_widget_get_visible(dialog)) << "a refused save keeps the dialog";
    EXPECT_FALSE(Text(dialog, c.note).empty()) << c.note;
    EXPECT_EQ(find_named(dialog, c.field), gtk_window_get_focus(GTK_WINDOW(dialog)));
    EXPECT_EQ(c.energy, Text(dialog, "own-value-0")) << "what was typed stays";
    EXPECT_EQ(c.protein, Text(dialog, "own-value-1"));
    EXPECT_EQ(1u, Stored().size());
    if (std::string(c.protein) == "six") {
      EXPECT_EQ("Type a number, or leave it empty when the label does not say.",
                Text(dialog, c.note));
    }
    gtk_widget_destroy(dialog);
  }
  // Put right, the same dialog saves, and its notes go.
  GtkWidget *dialog = own_food_dialog_open(&state_, GTK_WINDOW(state_.main_window), nullptr,
                                           "Shop granola", nullptr);
  Set(dialog, "own-value-0", "200");
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  drain_events();
  ASSERT_FALSE(Text(dialog, "own-note-name").empty());
  Set(dialog, "own-name", "Oat bar");
  WidgetWatch watch(dialog);
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  drain_events();
  EXPECT_EQ(nullptr, watch.get());
  EXPECT_EQ(2u, Stored().size());
}

TEST_F(OwnFoodsTest, AnEditSaysHowManyEntriesItChangesAndChangesThem) {
  const int32_t code = Store(Label("Shop granola", 50, 200));
  for (int i = 0; i < 3; i++)
    ASSERT_EQ(0, log_entry_add(state_.log_db, code, "Shop granola", today_, 0.5));
  Activate();
  EXPECT_STREQ("Energy (kcal): 600 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  GtkWidget *window = OpenMyFoods();
  ASSERT_TRUE(my_foods_window_select(window, code));
  gtk_button_clicked(GTK_BUTTON(find_button(window, "_Edit…")));
  drain_events();
  GtkWidget *dialog = dialog_titled("Edit Food");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Logged in 3 entries: saving changes them all.", Text(dialog, "own-entry-count"));
  EXPECT_EQ("200", Text(dialog, "own-value-0"));
  Set(dialog, "own-value-0", "240");
  EXPECT_TRUE(Enter(dialog, "own-value-0"));
  // Each entry is 50 g, one serving: 3 x 240 kcal.
  EXPECT_STREQ("Energy (kcal): 720 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_EQ((std::vector<std::string>{"Food|Shop granola|240 kcal per serving (50 g)"}),
            ListRows(window));
}

TEST_F(OwnFoodsTest, DeletingAnIngredientIsRefusedAndALoggedFoodAsksFirst) {
  const int32_t granola = Store(Label("Shop granola", 55, 250));
  OwnFood chili;
  chili.kind = OWN_RECIPE;
  chili.name = "Sunday chili";
  chili.portions = 2;
  chili.items = {OwnItem{granola, 110, "", 0}, OwnItem{kBeef, 200, "", 0}};
  Store(chili);
  const int32_t bar = Store(Label("Oat bar", 40, 180));
  ASSERT_EQ(0, log_entry_add(state_.log_db, bar, "Oat bar", today_, 0.4));
  Activate();
  GtkWidget *window = OpenMyFoods();
  GtkWidget *remove = find_button(window, "_Delete");

  ASSERT_TRUE(my_foods_window_select(window, granola));
  gtk_button_clicked(GTK_BUTTON(remove));
  drain_events();
  const std::string refusal = Message(window);
  EXPECT_NE(std::string::npos, refusal.find("“Shop granola” was not deleted.")) << refusal;
  EXPECT_NE(std::string::npos, refusal.find("Sunday chili")) << refusal;
  EXPECT_EQ(3u, Stored().size());

  // A logged food: the question comes first, and No keeps it.
  std::string question;
  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkDialog *asked) {
    question = message_texts(GTK_WIDGET(asked));
    gtk_dialog_response(asked, GTK_RESPONSE_CANCEL);
  });
  ASSERT_TRUE(my_foods_window_select(window, bar));
  gtk_button_clicked(GTK_BUTTON(remove));
  drain_events();
  EXPECT_EQ(0u, question.rfind("“Oat bar” is logged in 1 entry. Delete it?", 0)) << question;
  EXPECT_EQ(3u, Stored().size());
  // Delete in the list asks the same; Yes deletes it.
  answer_next_dialog(GTK_TYPE_MESSAGE_DIALOG,
                     [](GtkDialog *asked) { gtk_dialog_response(asked, GTK_RESPONSE_ACCEPT); });
  ASSERT_TRUE(my_foods_window_select(window, bar));
  gtk_widget_grab_focus(find_named(window, "my-foods-list"));
  send_key(window, GDK_KEY_Delete);
  EXPECT_EQ(2u, Stored().size());
  EXPECT_EQ(2u, ListRows(window).size());
  EXPECT_EQ(1u, EntriesToday()) << "its entry stays, with its values";
  EXPECT_STREQ("Energy (kcal): 180 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
}

TEST_F(OwnFoodsTest, ARecipeOfFourMeasuredIngredientsSumsThemAsAHandCalculationDoes) {
  Activate();
  GtkWidget *window = OpenMyFoods();
  send_key(window, GDK_KEY_r, GDK_MOD1_MASK);  // New _Recipe…
  ASSERT_TRUE(wait_until([] { return dialog_titled("New Recipe") != nullptr; }, 1000));
  GtkWidget *dialog = dialog_titled("New Recipe");
  ASSERT_NE(nullptr, dialog);
  Set(dialog, "own-name", "Sunday chili");
  Set(dialog, "own-portions", "4");
  // The first ingredient with its amount typed in the search, the others by their measure.
  GtkWidget *search = find_named(dialog, "food-picker-entry");
  gtk_entry_set_text(GTK_ENTRY(search), "2 cups cooked rice");
  drain_events();
  gtk_widget_grab_focus(search);
  send_key(search, GDK_KEY_Return);
  own_recipe_dialog_add(dialog, kBeef, "Ground beef, cooked", 0, "1 oz, cooked", 16);
  own_recipe_dialog_add(dialog, kOnion, "Onions, raw", 0, "1 slice", 4);
  own_recipe_dialog_add(dialog, kCabbage, "Cabbage, red, raw", 90, "", 0);
  // The cabbage's amount as a measure: 90 g are one cup.
  GtkWidget *measure = find_named(dialog, "own-item-measure-3");
  ASSERT_NE(nullptr, measure);
  gtk_combo_box_set_active(GTK_COMBO_BOX(measure), 1);
  EXPECT_EQ(1.0, gtk_spin_button_get_value(GTK_SPIN_BUTTON(find_named(dialog, "own-item-amount-3"))));

  const struct {
    int32_t code;
    double grams;
  } parts[] = {{kRice, 316}, {kBeef, 453.6}, {kOnion, 60}, {kCabbage, 90}};
  double grams = 0.0, kcal = 0.0, groups[FOOD_GROUP_COUNT] = {};
  for (const auto &part : parts) {
    FoodValues values{};
    ASSERT_EQ(0, food_values_of(state_.food_db, part.code, &values));
    grams += part.grams;
    kcal += values.kcal * part.grams / 100.0;
    for (int g = 0; g < FOOD_GROUP_COUNT; g++) groups[g] += values.groups.amounts[g] * part.grams / 100.0;
  }
  const std::string totals = Text(dialog, "own-totals");
  char expected[128];
  snprintf(expected, sizeof expected, "A portion (%.0f g): %.0f kcal", grams / 4, kcal / 4);
  EXPECT_EQ(0u, totals.rfind(expected, 0)) << totals;
  // Cooked down to 800 g: a portion is a quarter of that.
  Set(dialog, "own-cooked", "800");
  snprintf(expected, sizeof expected, "A portion (200 g): %.0f kcal", kcal / 4);
  EXPECT_EQ(0u, Text(dialog, "own-totals").rfind(expected, 0)) << Text(dialog, "own-totals");
  ASSERT_TRUE(Enter(dialog, "own-name"));

  std::vector<OwnFood> stored = Stored();
  ASSERT_EQ(1u, stored.size());
  ASSERT_EQ(4u, stored[0].items.size());
  for (const OwnItem &item : stored[0].items) EXPECT_FALSE(item.measure.empty()) << item.food_code;
  EXPECT_EQ(kRice, stored[0].items[0].food_code);
  EXPECT_EQ("1 cup, cooked", stored[0].items[0].measure);
  EXPECT_EQ(2.0, stored[0].items[0].count);
  EXPECT_NEAR(453.6, stored[0].items[1].grams, 0.01);
  EXPECT_EQ(800.0, stored[0].cooked_g);

  // 300 g of the cooked dish from the quick-log field: 3/8 of everything that went in.
  Type("300 g sunday chili");
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  ASSERT_EQ(1u, EntriesToday());
  const double part = 300.0 / 800.0;
  EXPECT_NEAR(std::round(kcal * part), bar_eaten(state_.energy_bar), 1.0);
  for (int g = 0; g < FOOD_GROUP_COUNT; g++)
    EXPECT_NEAR(groups[g] * part, bar_eaten(state_.group_bars[g]), 0.051) << g;
  // A portion is a quarter of the cooked dish: 200 g more.
  Type("1 portion sunday chili");
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  ASSERT_EQ(2u, EntriesToday());
  EXPECT_NEAR(std::round(kcal * 500.0 / 800.0), bar_eaten(state_.energy_bar), 1.0);
}

TEST_F(OwnFoodsTest, RecipeFaultsAreToldNextToTheirFields) {
  const struct Case {
    const char *portions, *cooked;
    double grams;  // of the one ingredient; negative for none
    const char *note;
  } cases[] = {
      {"4", "", -1, "own-note-items"},
      {"0", "", 100, "own-note-portions"},
      {"four", "", 100, "own-note-portions"},
      {"4", "heavy", 100, "own-note-cooked"},
      {"4", "", 0, "own-note-items"},
      {"4", "", 200000, "own-note-items"},
  };
  Activate();
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.portions) + " " + c.cooked + " " + std::to_string(c.grams));
    GtkWidget *dialog = own_recipe_dialog_open(&state_, GTK_WINDOW(state_.main_window), nullptr,
                                               OWN_RECIPE, nullptr);
    Set(dialog, "own-name", "Stew");
    Set(dialog, "own-portions", c.portions);
    Set(dialog, "own-cooked", c.cooked);
    if (c.grams >= 0) own_recipe_dialog_add(dialog, kRice, "Rice, cooked, NFS", c.grams, "", 0);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    drain_events();
    EXPECT_TRUE(gtk_widget_get_visible(dialog));
    EXPECT_FALSE(Text(dialog, c.note).empty()) << c.note;
    EXPECT_EQ(c.portions, Text(dialog, "own-portions"));
    EXPECT_TRUE(Stored().empty());
    gtk_widget_destroy(dialog);
  }
}

// An ingredient typed with its amount in the recipe's search: the measure a word names, and
// an amount the food has no measure for told, not guessed.
TEST_F(OwnFoodsTest, AnIngredientTypedWithItsAmountTakesItsMeasureOrSaysItHasNone) {
  const struct Case {
    const char *typed;
    const char *measure;  // of the row added
    double count;
    const char *note;     // "" for none
  } cases[] = {
      // The measure word is no word of the food: it is found without it.
      {"2 leaf cabbage red raw", "1 leaf", 2, ""},
      {"1 slice onions raw", "1 slice", 1, ""},
      // A word of the food's name is no measure word: its first measure.
      {"2 onions raw", "1 slice", 2, ""},
      // A volume converts through one of the food's own volume measures: a sixteenth of its cup.
      {"2 tbsp cabbage red raw", "g", 11, ""},
      // Without one it is told, and the food comes in at its first measure.
      {"1 cup creamsicle", "1 sicle", 1, "Creamsicle: no cup measure for this food: pick one"},
  };
  Activate();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    GtkWidget *dialog = own_recipe_dialog_open(&state_, GTK_WINDOW(state_.main_window), nullptr,
                                               OWN_RECIPE, nullptr);
    GtkWidget *search = find_named(dialog, "food-picker-entry");
    gtk_entry_set_text(GTK_ENTRY(search), c.typed);
    drain_events();
    gtk_widget_grab_focus(search);
    send_key(search, GDK_KEY_Return);
    GtkWidget *measure = find_named(dialog, "own-item-measure-0");
    ASSERT_NE(nullptr, measure) << "no ingredient was added";
    gchar *shown = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(measure));
    EXPECT_EQ(0u, std::string(shown ? shown : "").rfind(c.measure, 0)) << (shown ? shown : "");
    g_free(shown);
    EXPECT_EQ(c.count,
              gtk_spin_button_get_value(GTK_SPIN_BUTTON(find_named(dialog, "own-item-amount-0"))));
    EXPECT_EQ(c.note, Text(dialog, "own-note-items"));
    gtk_widget_destroy(dialog);
  }
}

TEST_F(OwnFoodsTest, AMealSavedFromTodaysEntriesLogsInOneWriteWithOneUndo) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilk, "Milk, whole", today_, 2.44));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kBanana, "Banana, raw", today_, 1.26));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kCoffee, "Coffee, brewed", today_, 2.4));
  Activate();
  auto *save = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(state_.main_window), KEY_SAVE_MEAL_BUTTON));
  ASSERT_NE(nullptr, save);
  EXPECT_TRUE(gtk_widget_get_sensitive(save));
  gtk_button_clicked(GTK_BUTTON(save));
  drain_events();
  GtkWidget *dialog = dialog_titled("Save as Meal");
  ASSERT_NE(nullptr, dialog);
  std::vector<GtkWidget *> checks = find_widgets(find_named(dialog, "own-items"), GTK_TYPE_CHECK_BUTTON);
  ASSERT_EQ(3u, checks.size());
  for (GtkWidget *check : checks) EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check)));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(checks[2]), FALSE);  // not the coffee
  Set(dialog, "own-name", "Usual breakfast");
  ASSERT_TRUE(Enter(dialog, "own-name"));
  std::vector<OwnFood> stored = Stored();
  ASSERT_EQ(1u, stored.size());
  EXPECT_EQ(OWN_MEAL, stored[0].kind);
  ASSERT_EQ(2u, stored[0].items.size());
  EXPECT_EQ(kMilk, stored[0].items[0].food_code);
  EXPECT_NEAR(244.0, stored[0].items[0].grams, 1e-9);
  EXPECT_NEAR(126.0, stored[0].items[1].grams, 1e-9);

  const double kcal = KcalPer100g(kMilk) * 2.44 + KcalPer100g(kBanana) * 1.26;
  const double before = bar_eaten(state_.energy_bar);
  char label[128];
  snprintf(label, sizeof label, "Usual breakfast (meal, 2 foods, %.0f kcal)", kcal);
  Type("usual breakfast");
  const std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(label, texts[0]);
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  EXPECT_EQ(5u, EntriesToday());
  EXPECT_NEAR(before + kcal, bar_eaten(state_.energy_bar), 1.0);
  EXPECT_EQ("", std::string(gtk_entry_get_text(GTK_ENTRY(quick_log_field(&state_)))));
  std::vector<std::string> notice = label_texts(quick_log_notification(&state_));
  ASSERT_FALSE(notice.empty());
  EXPECT_EQ("“Usual breakfast” logged (2 entries)", notice[0]);
  // One Undo takes back the whole meal.
  send_key(state_.main_window, GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(3u, EntriesToday());
}

TEST_F(OwnFoodsTest, AMealMadeByHandTakesItsFoodsByTheirMeasures) {
  Activate();
  GtkWidget *window = OpenMyFoods();
  send_key(window, GDK_KEY_m, GDK_MOD1_MASK);  // New _Meal…
  ASSERT_TRUE(wait_until([] { return dialog_titled("New Meal") != nullptr; }, 1000));
  GtkWidget *dialog = dialog_titled("New Meal");
  EXPECT_EQ(nullptr, find_named(dialog, "own-portions")) << "a meal has no portions";
  Set(dialog, "own-name", "Usual breakfast");
  GtkWidget *search = find_named(dialog, "food-picker-entry");
  for (const char *typed : {"1 cup whole milk", "1 banana raw"}) {
    gtk_entry_set_text(GTK_ENTRY(search), typed);
    drain_events();
    gtk_widget_grab_focus(search);
    send_key(search, GDK_KEY_Return);
    EXPECT_STREQ("", gtk_entry_get_text(GTK_ENTRY(search))) << typed;
  }
  const double kcal = KcalPer100g(kMilk) * 2.44 + KcalPer100g(kBanana) * 1.26;
  char expected[128];
  snprintf(expected, sizeof expected, "The whole meal (370 g): %.0f kcal", kcal);
  EXPECT_EQ(0u, Text(dialog, "own-totals").rfind(expected, 0)) << Text(dialog, "own-totals");
  ASSERT_TRUE(Enter(dialog, "own-name"));
  std::vector<OwnFood> stored = Stored();
  ASSERT_EQ(1u, stored.size());
  EXPECT_EQ(OWN_MEAL, stored[0].kind);
  ASSERT_EQ(2u, stored[0].items.size());
  EXPECT_EQ(kMilk, stored[0].items[0].food_code);
  EXPECT_EQ("1 cup", stored[0].items[0].measure);
  EXPECT_EQ(kBanana, stored[0].items[1].food_code);
  EXPECT_EQ("1 banana", stored[0].items[1].measure);
  EXPECT_EQ((std::vector<std::string>{"Meal|Usual breakfast|" + std::to_string(static_cast<int>(std::lround(kcal))) + " kcal"}),
            ListRows(window));
}

TEST_F(OwnFoodsTest, NothingMatchingOffersToCreateTheFoodWithThatName) {
  Activate();
  // A day without entries has nothing to save as a meal.
  auto *save = static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(state_.main_window), KEY_SAVE_MEAL_BUTTON));
  ASSERT_NE(nullptr, save);
  EXPECT_FALSE(gtk_widget_get_sensitive(save));
  Type("zzqx granola");
  GtkWidget *box = quick_log_no_match_box(&state_);
  ASSERT_TRUE(gtk_widget_get_visible(box));
  EXPECT_NE(nullptr, find_button(box, "Create food “zzqx granola”"));
  send_key(quick_log_field(&state_), GDK_KEY_Return);
  GtkWidget *dialog = dialog_titled("New Food");
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("zzqx granola", Text(dialog, "own-name"));
  Set(dialog, "own-value-0", "120");
  ASSERT_TRUE(Enter(dialog, "own-value-0"));
  const std::vector<std::string> texts = quick_log_suggestion_texts(&state_);
  ASSERT_FALSE(texts.empty()) << "the field finds what it made";
  EXPECT_EQ("zzqx granola", texts[0]);
}

// Which page of My Foods is on view: "list", "empty", or "" when neither or both.
std::string Showing(GtkWidget *window) {
  const bool list = gtk_widget_get_mapped(find_named(window, "my-foods-list"));
  const bool empty = gtk_widget_get_mapped(find_named(window, "my-foods-empty"));
  return list == empty ? "" : list ? "list" : "empty";
}

TEST_F(OwnFoodsTest, AnEmptyMyFoodsSaysHowToAddOneUntilItHoldsOne) {
  Activate();
  GtkWidget *window = OpenMyFoods();
  ASSERT_NE(nullptr, window);
  GtkWidget *empty = find_named(window, "my-foods-empty");
  ASSERT_NE(nullptr, empty);
  drain_events();
  EXPECT_EQ("empty", Showing(window));
  const std::vector<std::string> texts = label_texts(empty);
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ("No foods of your own yet", texts[0]);
  for (const char *named : {"New Food…", "New Recipe…", "New Meal…", "“Log a food…”", "“Create food”"})
    EXPECT_NE(std::string::npos, texts[1].find(named)) << named;
  for (GtkWidget *label : find_widgets(empty, GTK_TYPE_LABEL))
    EXPECT_TRUE(gtk_style_context_has_class(gtk_widget_get_style_context(label), "dim-label"));
  // Centred in the room the list has.
  GtkWidget *room = gtk_widget_get_parent(empty);
  int x = 0, y = 0;
  ASSERT_TRUE(gtk_widget_translate_coordinates(empty, room, gtk_widget_get_allocated_width(empty) / 2,
                                               gtk_widget_get_allocated_height(empty) / 2, &x, &y));
  EXPECT_NEAR(gtk_widget_get_allocated_width(room) / 2, x, 1);
  EXPECT_NEAR(gtk_widget_get_allocated_height(room) / 2, y, 1);
  EXPECT_GT(gtk_widget_get_allocated_height(room), gtk_widget_get_allocated_height(empty));

  // The first food made puts the list in its place, and deleting it brings the hint back.
  send_key(window, GDK_KEY_f, GDK_MOD1_MASK);  // New _Food…
  ASSERT_TRUE(wait_until([] { return dialog_titled("New Food") != nullptr; }, 1000));
  GtkWidget *dialog = dialog_titled("New Food");
  Set(dialog, "own-name", "Oat bar");
  Set(dialog, "own-value-0", "180");
  ASSERT_TRUE(Enter(dialog, "own-value-0"));
  drain_events();
  EXPECT_EQ("list", Showing(window));
  EXPECT_EQ(1u, ListRows(window).size());
  gtk_button_clicked(GTK_BUTTON(find_button(window, "_Delete")));
  drain_events();
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ("empty", Showing(window));

  // Opened again over a stored food, it shows the list at once.
  Store(Label("Shop granola", 55, 250));
  gtk_widget_destroy(window);
  drain_events();
  window = OpenMyFoods();
  ASSERT_NE(nullptr, window);
  drain_events();
  EXPECT_EQ("list", Showing(window));
}

TEST_F(OwnFoodsTest, TheIngredientListShowsEightRowsBeforeItScrolls) {
  Activate();
  GtkWidget *dialog = own_recipe_dialog_open(&state_, GTK_WINDOW(state_.main_window), nullptr,
                                             OWN_RECIPE, nullptr);
  GtkWidget *scrolled = find_named(dialog, "own-items-scrolled");
  ASSERT_NE(nullptr, scrolled);
  GtkAdjustment *scroll = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(scrolled));
  auto fits = [&] {
    return gtk_adjustment_get_page_size(scroll) > 0.0 &&
           gtk_adjustment_get_upper(scroll) <= gtk_adjustment_get_page_size(scroll) + 0.5;
  };
  for (int i = 0; i < 7; i++) own_recipe_dialog_add(dialog, kRice, "Rice, cooked, NFS", 100, "", 0);
  // The eighth through the search, whose list takes room while it is open and gives it back
  // after the pick.
  GtkWidget *search = find_named(dialog, "food-picker-entry");
  gtk_entry_set_text(GTK_ENTRY(search), "1 slice onions raw");
  drain_events();
  gtk_widget_grab_focus(search);
  send_key(search, GDK_KEY_Return);
  ASSERT_NE(nullptr, find_named(dialog, "own-item-amount-7"));
  EXPECT_TRUE(wait_until(fits, 2000))
      << "eight rows need " << gtk_adjustment_get_upper(scroll) << " px, the list shows "
      << gtk_adjustment_get_page_size(scroll);
  GtkAllocation row;
  gtk_widget_get_allocation(find_named(dialog, "own-item-amount-7"), &row);
  EXPECT_GE(gtk_widget_get_allocated_height(scrolled), 8 * row.height);
  // A ninth scrolls: the list does not grow without end.
  own_recipe_dialog_add(dialog, kCabbage, "Cabbage, red, raw", 90, "", 0);
  EXPECT_TRUE(wait_until([&] { return !fits(); }, 2000));
  gtk_widget_destroy(dialog);
}

TEST_F(OwnFoodsTest, ExportAndImportTellWhatTheyDid) {
  const int32_t granola = Store(Label("Shop granola", 55, 250));
  OwnFood breakfast;
  breakfast.kind = OWN_MEAL;
  breakfast.name = "Usual breakfast";
  breakfast.items = {OwnItem{kMilk, 244, "1 cup", 1}, OwnItem{granola, 55, "", 0}};
  Store(breakfast);
  Activate();
  GtkWidget *window = OpenMyFoods();
  const std::string path = PathIn("foods.json");
  ASSERT_TRUE(my_foods_export_to(window, path.c_str()));
  EXPECT_NE(std::string::npos, Message(window).find("2 foods, recipes and meals exported."));

  ASSERT_TRUE(my_foods_import_from(window, path.c_str()));
  std::string told = Message(window);
  EXPECT_NE(std::string::npos, told.find("0 added")) << told;
  EXPECT_NE(std::string::npos, told.find("2 skipped, already there: Shop granola, Usual breakfast")) << told;
  EXPECT_EQ(2u, ListRows(window).size());

  const std::string bad = PathIn("bad.json");
  ASSERT_TRUE(g_file_set_contents(bad.c_str(), "{\"format\": \"alimora-foods\", \"version\": 1,\n \"foods\": [", -1, nullptr));
  EXPECT_FALSE(my_foods_import_from(window, bad.c_str()));
  told = Message(window);
  EXPECT_EQ(0u, told.rfind("Nothing was imported: the file was refused.\n", 0)) << told;
  EXPECT_GT(told.size(), std::string("Nothing was imported: the file was refused.\n").size())
      << "the reason follows";
  EXPECT_EQ(2u, Stored().size());
}

}  // namespace
