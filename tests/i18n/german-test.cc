// SPDX-License-Identifier: GPL-3.0-or-later
// Alimora in German: the main window, the dialogs and the two programs' output under a
// German locale, with the catalogues built in the build tree.
#include "config.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "app/gui-state.h"
#include "app/main-window.h"
#include "app/shortcuts.h"
#include "budget/date-string.h"
#include "fooddb/food-db.h"
#include "i18n.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "ui/budget-view.h"
#include "ui/object-keys.h"
#include "ui/profile-dialog.h"
#include "ui/search-dialog.h"
#include "ui-fixture.h"

namespace {

bool german_locale_available = false;

constexpr int kSpaghettiSauce = 27141035;  // 0.4 cup-eq vegetables per serving

std::string build_root() {
  const char *root = g_getenv("ALIMORA_BUILD_ROOT");
  return root ? root : ".";
}

std::vector<std::string> button_labels(GtkWidget *root) {
  std::vector<std::string> out;
  for (GtkWidget *button : find_widgets(root, GTK_TYPE_BUTTON)) {
    const char *label = gtk_button_get_label(GTK_BUTTON(button));
    if (label) out.emplace_back(label);
  }
  return out;
}

std::vector<std::string> frame_labels(GtkWidget *root) {
  std::vector<std::string> out;
  for (GtkWidget *frame : find_widgets(root, GTK_TYPE_FRAME)) {
    const char *label = gtk_frame_get_label(GTK_FRAME(frame));
    if (label) out.emplace_back(label);
  }
  return out;
}

bool contains(const std::vector<std::string> &texts, const std::string &text) {
  for (const std::string &t : texts)
    if (t == text) return true;
  return false;
}

// Today in the German date form, DD.MM.YYYY.
std::string german_date(const char *date) {
  const std::string d = date;
  return d.substr(8, 2) + "." + d.substr(5, 2) + "." + d.substr(0, 4);
}

// Runs |args| in a German environment whose data directory is |data_home|.
ProcessResult run_german(const std::vector<std::string> &args, const std::string &data_home) {
  return run_process(args, {"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "XDG_DATA_HOME=" + data_home});
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> words_of(const std::string &line) {
  std::vector<std::string> words;
  gchar **parts = g_strsplit_set(line.c_str(), " ", -1);
  for (gchar **p = parts; *p; ++p)
    if (**p) words.emplace_back(*p);
  g_strfreev(parts);
  return words;
}

class GermanTest : public UiTest {
 protected:
  void SetUp() override {
    if (!german_locale_available) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  void Activate() {
    UiTest::Activate();
    ASSERT_NE(nullptr, state_.main_window);
  }

  // Opens the add-to-log dialog of the spaghetti sauce as the search result list would.
  GtkWidget *OpenAddDialog() {
    return open_add_dialog(&state_, kSpaghettiSauce, "Spaghetti sauce");
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(GermanTest, MainWindowShowsGermanTextsAndDecimalCommas) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", today_, 2.5));
  Activate();

  // The name of the program stays as it is; the window title still comes from the catalogue.
  EXPECT_STREQ("Alimora", gtk_window_get_title(GTK_WINDOW(state_.main_window)));
  GtkWidget *header = gtk_window_get_titlebar(GTK_WINDOW(state_.main_window));
  ASSERT_NE(nullptr, header);
  EXPECT_STREQ("Alimora", gtk_header_bar_get_title(GTK_HEADER_BAR(header)));
  std::vector<std::string> header_buttons = button_labels(header);
  EXPECT_TRUE(contains(header_buttons, "Suchen"));
  EXPECT_TRUE(contains(header_buttons, "Profil"));
  EXPECT_TRUE(contains(header_buttons, "Info"));

  const std::string today = german_date(today_);
  std::vector<std::string> frames = frame_labels(state_.main_window);
  EXPECT_EQ((std::vector<std::string>{"Tagesbudget", "Ernährungstagebuch - " + today + " (heute)"}),
            frames);
  EXPECT_EQ("Gesundes Ernährungsmuster nach US-Art des USDA (2000 kcal) - " + today,
            gtk_label_get_text(GTK_LABEL(state_.budget_label)));

  const char *expected_bars[FOOD_GROUP_COUNT] = {
      "Gemüse (Tassen-Äq.): 1,0 / 2,5",        "Obst (Tassen-Äq.): 0,0 / 2,0",
      "Getreide (Unzen-Äq.): 0,0 / 6,0",       "Milchprodukte (Tassen-Äq.): 0,0 / 3,0",
      "Proteinquellen (Unzen-Äq.): 1,6 / 5,5", "Öle (g): 2,3 / 27,0",
  };
  for (int g = 0; g < FOOD_GROUP_COUNT; ++g) {
    EXPECT_STREQ(expected_bars[g],
                 gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.group_bars[g])));
    EXPECT_STREQ(expected_bars[g],
                 atk_object_get_name(gtk_widget_get_accessible(state_.group_bars[g])));
  }

  // 2.5 servings of 65 kcal, 162.5 shown as 163.
  EXPECT_STREQ("Energie (kcal): 163 / 2000",
               gtk_progress_bar_get_text(GTK_PROGRESS_BAR(state_.energy_bar)));
  EXPECT_STREQ("Energie (kcal): 163 / 2000",
               atk_object_get_name(gtk_widget_get_accessible(state_.energy_bar)));

  std::vector<std::string> rows = label_texts(state_.log_list_box);
  EXPECT_TRUE(contains(rows, "27141035  -  Spaghetti sauce  (2,5 Portionen)"));
  std::vector<std::string> row_buttons = button_labels(state_.log_list_box);
  EXPECT_EQ(2u, row_buttons.size());
  EXPECT_TRUE(contains(row_buttons, "Bearbeiten"));
  EXPECT_TRUE(contains(row_buttons, "Löschen"));
}

TEST_F(GermanTest, AnotherDayShowsItsGermanDateAndNoEntries) {
  Activate();
  std::vector<std::string> nav = button_labels(state_.main_window);
  EXPECT_TRUE(contains(nav, "Heute"));

  snprintf(state_.current_date, sizeof state_.current_date, "%s", "2024-03-05");
  refresh_views(&state_);
  EXPECT_EQ((std::vector<std::string>{"Tagesbudget", "Ernährungstagebuch - 05.03.2024"}),
            frame_labels(state_.main_window));
  EXPECT_EQ((std::vector<std::string>{"Keine Einträge für dieses Datum."}),
            label_texts(state_.log_list_box));
}

TEST_F(GermanTest, ProfileAndAboutDialogsAreGerman) {
  Activate();
  show_profile_dialog(nullptr, &state_);
  drain_events();
  GtkWidget *profile = dialog_titled("Profil");
  ASSERT_NE(nullptr, profile);
  std::vector<std::string> labels = label_texts(profile);
  for (const char *label :
       {"Geburtsdatum:", "Größe (cm):", "Gewicht (kg):", "Aktivitätsniveau:", "Geschlecht:"})
    EXPECT_TRUE(contains(labels, label)) << label;
  std::vector<std::string> buttons = button_labels(profile);
  EXPECT_TRUE(contains(buttons, "Speichern"));
  EXPECT_TRUE(contains(buttons, "Abbrechen"));
  auto *activity = GTK_COMBO_BOX_TEXT(g_object_get_data(G_OBJECT(profile), KEY_ACTIVITY_COMBO));
  ASSERT_NE(nullptr, activity);
  gtk_combo_box_set_active(GTK_COMBO_BOX(activity), 4);
  gchar *activity_text = gtk_combo_box_text_get_active_text(activity);
  EXPECT_STREQ("Extrem aktiv", activity_text);
  g_free(activity_text);
  gtk_widget_destroy(profile);
  drain_events();

  on_about_clicked(nullptr, &state_);
  drain_events();
  GtkWidget *about = dialog_titled("Info zu Alimora");
  ASSERT_NE(nullptr, about);
  gchar *text = nullptr;
  g_object_get(about, "text", &text, nullptr);
  ASSERT_NE(nullptr, text);
  EXPECT_TRUE(g_str_has_prefix(text,
                               "Alimora 0.33\nhttps://github.com/alimora/alimora\n\n"
                               "Copyright © 2026 Die Alimora-Entwickler.\n"))
      << text;
  EXPECT_NE(nullptr, strstr(text, "OHNE JEGLICHE GEWÄHRLEISTUNG")) << text;
  g_free(text);
}

TEST_F(GermanTest, AddDialogShowsGermanLabelsAndDecimalCommas) {
  // Logged before: the dialog opens at one serving.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", "2020-01-01", 1.0));
  Activate();
  GtkWidget *dialog = OpenAddDialog();
  ASSERT_NE(nullptr, dialog);
  std::vector<std::string> buttons = button_labels(dialog);
  EXPECT_TRUE(contains(buttons, "Ins Tagebuch eintragen"));
  EXPECT_TRUE(contains(buttons, "Abbrechen"));
  EXPECT_EQ((std::vector<std::string>{"Datum des Eintrags"}), frame_labels(dialog));

  std::vector<std::string> labels = label_texts(dialog);
  for (const char *label : {"Portionen:", "Nährstoff", "Wert", "Lebensmittelgruppen-Äquivalente",
                            "Gemüse (Tassen-Äq.)", "Öle (g)"})
    EXPECT_TRUE(contains(labels, label)) << label;
  // One serving: 0.4 cup-eq vegetables and 0.92 g oils, printed with a decimal comma.
  EXPECT_TRUE(contains(labels, "0,40"));
  EXPECT_TRUE(contains(labels, "0,92"));
}

TEST_F(GermanTest, SearchDialogIsGerman) {
  Activate();
  on_search_clicked(nullptr, &state_);
  drain_events();
  GtkWidget *dialog = dialog_titled("Lebensmittel suchen");
  ASSERT_NE(nullptr, dialog);
  std::vector<GtkWidget *> entries = find_widgets(dialog, GTK_TYPE_SEARCH_ENTRY);
  ASSERT_EQ(1u, entries.size());
  EXPECT_STREQ("Lebensmittel suchen …", gtk_entry_get_placeholder_text(GTK_ENTRY(entries[0])));
  std::vector<GtkWidget *> views = find_widgets(dialog, GTK_TYPE_TREE_VIEW);
  ASSERT_EQ(1u, views.size());
  EXPECT_STREQ(
      "Code", gtk_tree_view_column_get_title(gtk_tree_view_get_column(GTK_TREE_VIEW(views[0]), 0)));
  EXPECT_STREQ("Beschreibung", gtk_tree_view_column_get_title(
                                   gtk_tree_view_get_column(GTK_TREE_VIEW(views[0]), 1)));
  EXPECT_TRUE(contains(button_labels(dialog), "Schließen"));
}

TEST_F(GermanTest, ShortcutsWindowAndOverBudgetBarSpeakGerman) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kSpaghettiSauce, "Spaghetti sauce", today_, 9.0));
  Activate();
  EXPECT_STREQ("Über dem Budget", atk_object_get_description(gtk_widget_get_accessible(
                                      state_.group_bars[FOOD_GROUP_VEGETABLES])));
  show_shortcuts_window(&state_);
  std::vector<GtkWidget *> windows = toplevels_of_type(GTK_TYPE_SHORTCUTS_WINDOW);
  ASSERT_EQ(1u, windows.size());
  EXPECT_STREQ("Tastenkürzel", gtk_window_get_title(GTK_WINDOW(windows[0])));
  gchar *title = nullptr;
  g_object_get(find_widgets(windows[0], GTK_TYPE_SHORTCUTS_SHORTCUT).at(0), "title", &title,
               nullptr);
  EXPECT_STREQ("Lebensmittel suchen", title);
  g_free(title);
  gtk_widget_destroy(state_.main_window);  // takes the shortcuts window with it
  EXPECT_TRUE(toplevels_of_type(GTK_TYPE_SHORTCUTS_WINDOW).empty());
}

TEST_F(GermanTest, MissingFoodDatabaseIsReportedInGerman) {
  const char *exe = g_getenv("ALIMORA_NO_FOOD_EXE");
  ASSERT_NE(nullptr, exe);
  ProcessResult run = run_german({exe}, dir_);
  EXPECT_EQ(1, run.status);
  const std::string expected_start = "alimora: Datenbank »" + build_root() +
                                     "/tests/no-food-db/food.db« kann nicht geöffnet werden: ";
  EXPECT_EQ(expected_start, run.err.substr(0, expected_start.size())) << run.err;
  // One line: the start above, SQLite's reason and the newline.
  ASSERT_GT(run.err.size(), expected_start.size() + 1) << run.err;
  EXPECT_EQ(run.err.size() - 1, run.err.find('\n')) << run.err;
}

TEST_F(GermanTest, ReportRejectsABadDateInGerman) {
  const char *exe = g_getenv("ALIMORA_REPORT_EXE");
  ASSERT_NE(nullptr, exe);
  ProcessResult run = run_german({exe, "2026-02-30"}, dir_);
  EXPECT_EQ(2, run.status);
  EXPECT_EQ("alimora: »2026-02-30« ist kein Datum; erwartet wird JJJJ-MM-TT\n", run.err);
  EXPECT_EQ("", run.out);
}

TEST_F(GermanTest, ReportPrintsGermanRowsWithDecimalCommas) {
  const char *exe = g_getenv("ALIMORA_REPORT_EXE");
  ASSERT_NE(nullptr, exe);
  // The report reads the log of the data directory: 2.5 servings of sauce on one day.
  ASSERT_EQ(0, g_mkdir_with_parents((dir_ + "/alimora").c_str(), 0700));
  sqlite3 *log = log_db_open((dir_ + "/alimora/log.db").c_str());
  ASSERT_NE(nullptr, log);
  char bdate[] = "1990-05-07";
  Profile profile{bdate, 170.0, 65.0, 1, 0, 2000};
  EXPECT_EQ(0, profile_save(log, &profile));
  EXPECT_EQ(0, log_entry_add(log, kSpaghettiSauce, "Spaghetti sauce", "2026-01-05", 2.5));
  log_db_close(log);

  ProcessResult run = run_german({exe, "2026-01-05"}, dir_);
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("", run.err);
  std::vector<std::string> lines = lines_of(run.out);
  ASSERT_EQ(11u, lines.size()) << run.out;
  EXPECT_EQ("Bericht für 05.01.2026", lines[0]);
  EXPECT_EQ("Tagesbudget (2000 kcal, gesundes Ernährungsmuster nach US-Art des USDA):", lines[1]);
  EXPECT_EQ("", lines[2]);
  EXPECT_EQ((std::vector<std::string>{"Lebensmittelgruppe", "Budget", "Verzehrt", "Rest"}),
            words_of(lines[3]));
  // Rows: name, then budget, consumed and remaining, each with its two-character unit.
  EXPECT_EQ((std::vector<std::string>{"Gemüse", "2,5", "T.", "1,0", "T.", "1,5", "T."}),
            words_of(lines[5]));
  // Names with umlauts keep the columns in line.
  EXPECT_EQ("Gemüse                    2,5 T.      1,0 T.      1,5 T.", lines[5]);
  EXPECT_EQ("Öle                      27,0 g       2,3 g      24,7 g ", lines[10]);
  EXPECT_EQ("Obst                      2,0 T.      0,0 T.      2,0 T.", lines[6]);
  EXPECT_EQ("Getreide                  6,0 oz      0,0 oz      6,0 oz", lines[7]);
  EXPECT_EQ((std::vector<std::string>{"Proteinquellen", "5,5", "oz", "1,6", "oz", "3,9", "oz"}),
            words_of(lines[9]));
  EXPECT_EQ((std::vector<std::string>{"Öle", "27,0", "g", "2,3", "g", "24,7", "g"}),
            words_of(lines[10]));
}

}  // namespace

// Runs under the German locale, with the catalogues of the build tree; a machine without the
// de_DE.UTF-8 locale skips the tests.
int main(int argc, char **argv) {
  gtk_disable_setlocale();
  g_setenv("LANGUAGE", "de", TRUE);
  german_locale_available = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  if (!german_locale_available) setlocale(LC_ALL, "C.UTF-8");
  const std::string locale_dir = build_root() + "/po";
  bindtextdomain(GETTEXT_PACKAGE, locale_dir.c_str());
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    fprintf(stderr, "widget tests need a display (run them under xvfb-run)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
