// SPDX-License-Identifier: GPL-3.0-or-later
// The Fill the Day window on real widgets: opened by its key, what it says is left, logging
// a suggestion with Enter and taking it back with Ctrl+Z, the own foods among the
// suggestions as alimora-report --suggest lists them.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "budget/date-string.h"
#include "store/log-entries.h"
#include "store/own-foods.h"
#include "ui-fixture.h"
#include "ui/budget-view.h"
#include "ui/fill-window.h"
#include "ui/quick-log.h"

namespace {

constexpr int kMilkWhole = 11111000;
constexpr int kBroccoliRaw = 72201100;

class FillWindowTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    StoreCompleteProfile(2000);
    date_today(today_);
  }

  GtkWidget *Open() {
    send_key(state_.main_window, GDK_KEY_e, GDK_CONTROL_MASK);
    return fill_window_of(&state_);
  }

  GtkTreeView *List(GtkWidget *window) {
    std::vector<GtkWidget *> views = find_widgets(window, GTK_TYPE_TREE_VIEW);
    return views.size() == 1 ? GTK_TREE_VIEW(views[0]) : nullptr;
  }

  size_t Entries(const char *date) {
    LogEntryList list;
    EXPECT_EQ(0, log_entries_for_date(state_.log_db, date, &list));
    const size_t count = list.count;
    log_entry_list_free(&list);
    return count;
  }

  // Stores |food| as the log's own food; returns its code.
  int32_t Store(OwnFood food) {
    OwnFault fault;
    EXPECT_EQ(0, own_food_save(state_.log_db, &food, &fault)) << fault.message;
    return food.food_code;
  }

  // The date |days| before today.
  std::string DaysAgo(int days) {
    GDate *date = g_date_new();
    g_date_set_time_t(date, time(nullptr));
    g_date_subtract_days(date, days);
    char text[DATE_STRING_SIZE];
    g_date_strftime(text, sizeof text, "%Y-%m-%d", date);
    g_date_free(date);
    return text;
  }

  // The suggestions of alimora-report --suggest for today on a copy of the log, in the form
  // of fill_window_suggestion_texts: "description — portion: adds".
  std::vector<std::string> ReportSuggestions() {
    namespace fs = std::filesystem;
    const fs::path home = fs::path(dir_) / "report-home";
    fs::create_directories(home / "alimora");
    fs::copy_file(log_path_, home / "alimora" / "log.db", fs::copy_options::overwrite_existing);
    const ProcessResult result =
        run_process({required_env("ALIMORA_REPORT_EXE"), "--suggest", "--date", today_},
                    {"XDG_DATA_HOME=" + home.string(), "LC_ALL=C.UTF-8", "LANGUAGE"});
    EXPECT_EQ(0, result.status) << result.err;
    // " 1. Description (code)" then "    portion, 200 g: adds".
    std::vector<std::string> texts;
    std::istringstream in(result.out);
    std::string line;
    while (std::getline(in, line) && line != "Suggestions:") {
    }
    for (std::string head, body; std::getline(in, head) && std::getline(in, body);) {
      const size_t dot = head.find(". ");
      const size_t code = head.rfind(" (");
      const size_t grams = body.rfind(" g: ");
      const size_t comma = body.rfind(", ", grams);
      if (dot == std::string::npos || code == std::string::npos || grams == std::string::npos ||
          comma == std::string::npos) {
        ADD_FAILURE() << head << "\n" << body;
        break;
      }
      texts.push_back(head.substr(dot + 2, code - dot - 2) + " — " + body.substr(4, comma - 4) +
                      ": " + body.substr(grams + 4));
    }
    return texts;
  }

  char today_[DATE_STRING_SIZE];
};

TEST_F(FillWindowTest, CtrlEOpensWhatIsLeftAndLogsTheFirstSuggestionWithUndo) {
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.44));
  Activate();
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_STREQ("Fill the Day", gtk_window_get_title(GTK_WINDOW(window)));
  EXPECT_EQ(GTK_WINDOW(state_.main_window), gtk_window_get_transient_for(GTK_WINDOW(window)));
  GtkTreeView *list = List(window);
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(GTK_WIDGET(list), gtk_window_get_focus(GTK_WINDOW(window)));

  // A cup of whole milk (146 kcal) of 2000: the rest is left, and every group has a gap.
  std::vector<std::string> left = fill_window_left_texts(window);
  ASSERT_GE(left.size(), 7u);
  EXPECT_EQ("1854 kcal left of 2000", left[0]);
  EXPECT_EQ("Vegetables: 2.5 cup-eq", left[1]);
  EXPECT_EQ("Dairy: 2.0 cup-eq", left[4]);
  EXPECT_EQ(0u, left.back().rfind("Below their goals: ", 0));

  std::vector<std::string> suggestions = fill_window_suggestion_texts(window);
  ASSERT_EQ(10u, suggestions.size());
  for (const std::string &s : suggestions) EXPECT_NE(std::string::npos, s.find(" kcal")) << s;

  // Enter logs the selected (first) suggestion on the day on display; the list is made anew.
  const std::string first = suggestions[0];
  send_key(GTK_WIDGET(list), GDK_KEY_Return);
  EXPECT_EQ(2u, Entries(today_));
  // Logged in the household measure of its portion, as the main window's row shows.
  const size_t dash = first.find(" — ");
  ASSERT_NE(std::string::npos, dash);
  const std::string portion = first.substr(dash + 5, first.find(": ", dash) - dash - 5);
  const std::vector<std::string> rows = entry_row_texts(&state_);
  ASSERT_EQ(2u, rows.size());
  EXPECT_NE(std::string::npos, rows[1].find(" | " + portion.substr(0, portion.find(" ("))))
      << rows[1] << " for " << portion;
  GtkWidget *notice = quick_log_notification(&state_);
  ASSERT_NE(nullptr, notice);
  EXPECT_TRUE(gtk_revealer_get_reveal_child(GTK_REVEALER(notice)));
  EXPECT_NE(fill_window_left_texts(window)[0], left[0]);

  // Ctrl+Z in the window undoes it, and the list is as before.
  send_key(GTK_WIDGET(list), GDK_KEY_z, GDK_CONTROL_MASK);
  EXPECT_EQ(1u, Entries(today_));
  EXPECT_EQ(left, fill_window_left_texts(window));
  EXPECT_EQ(first, fill_window_suggestion_texts(window)[0]);

  // Escape closes it.
  WidgetWatch watch(window);
  send_key(GTK_WIDGET(list), GDK_KEY_Escape);
  EXPECT_EQ(nullptr, fill_window_of(&state_));
  EXPECT_TRUE(wait_until([&] { return watch.get() == nullptr; }));
}

// A suggestion chosen after midnight, before the window saw the new day, logs nothing on
// either day: the view moves to the new day and says so; the next Enter logs on it.
TEST_F(FillWindowTest, ASuggestionIsNeverLoggedOnADayThePersonDidNotSee) {
  ScopedTimeZone zone("UTC");
  SetClock("2026-12-08 23:00:00");
  Activate();
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  GtkTreeView *list = List(window);
  ASSERT_NE(nullptr, list);
  SetClock("2026-12-09 00:00:07");
  send_key(GTK_WIDGET(list), GDK_KEY_Return);
  EXPECT_EQ(0u, Entries("2026-12-08"));
  EXPECT_EQ(0u, Entries("2026-12-09"));
  EXPECT_STREQ("2026-12-09", state_.current_date);
  const std::vector<std::string> notice = label_texts(quick_log_notification(&state_));
  ASSERT_FALSE(notice.empty());
  EXPECT_EQ(0u, notice[0].find("A new day has begun")) << notice[0];
  window = fill_window_of(&state_);
  ASSERT_NE(nullptr, window);
  send_key(GTK_WIDGET(List(window)), GDK_KEY_Return);
  EXPECT_EQ(1u, Entries("2026-12-09"));
}

TEST_F(FillWindowTest, FollowsTheDateOnDisplayAndSaysWhenNoEnergyIsLeft) {
  char yesterday[DATE_STRING_SIZE] = "2020-01-01";
  // A day of 21 cups of milk: far past 2000 kcal.
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", yesterday, 51.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kBroccoliRaw, "Broccoli, raw", today_, 1.0));
  Activate();
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(10u, fill_window_suggestion_texts(window).size());

  on_prev_date_clicked(nullptr, &state_);
  drain_events();
  ASSERT_STREQ(yesterday, state_.current_date);
  EXPECT_TRUE(fill_window_suggestion_texts(window).empty());
  std::vector<std::string> left = fill_window_left_texts(window);
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(0u, left.back().rfind("No energy is left on this day", 0)) << left.back();
  EXPECT_FALSE(fill_window_log_row(window, 0));
  EXPECT_EQ(1u, Entries(yesterday));
}

TEST_F(FillWindowTest, OwnFoodsAreOfferedAsTheReportListsThemAndLoggedInTheirMeasure) {
  // 200 g of greens counting like raw broccoli, rich in vitamins C and K, and a soup of 400 g
  // of broccoli in two portions; both logged lately, so that they come first.
  OwnFood mash;
  mash.name = "Green mash";
  mash.serving_g = 200;
  mash.counts_like = kBroccoliRaw;
  for (const std::pair<NutrientSource, double> &value :
       {std::make_pair(SOURCE_ENERGY, 20.0), std::make_pair(SOURCE_POTASSIUM, 500.0),
        std::make_pair(SOURCE_VITAMIN_C, 80.0), std::make_pair(SOURCE_VITAMIN_K, 100.0)}) {
    mash.values[value.first] = value.second;
    mash.known |= 1u << value.first;
  }
  const int32_t mash_code = Store(mash);
  OwnFood soup;
  soup.kind = OWN_RECIPE;
  soup.name = "Broccoli soup";
  soup.portions = 2;
  OwnItem broccoli;
  broccoli.food_code = kBroccoliRaw;
  broccoli.grams = 400;
  soup.items.push_back(broccoli);
  const int32_t soup_code = Store(soup);
  ASSERT_EQ(0, log_entry_add(state_.log_db, mash_code, "Green mash", DaysAgo(3).c_str(), 2.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, soup_code, "Broccoli soup", DaysAgo(2).c_str(), 2.0));
  ASSERT_EQ(0, log_entry_add(state_.log_db, kMilkWhole, "Milk, whole", today_, 2.44));
  // The report first: no window waits on the display while it runs.
  const std::vector<std::string> reported = ReportSuggestions();
  Activate();
  GtkWidget *window = Open();
  ASSERT_NE(nullptr, window);

  const std::vector<std::string> suggestions = fill_window_suggestion_texts(window);
  ASSERT_EQ(10u, suggestions.size());
  int mash_row = -1;
  bool soup_seen = false;
  for (size_t i = 0; i < 2; i++) {
    if (suggestions[i].rfind("Green mash — 1 serving (200 g): +2.5 cup-eq Vegetables, ", 0) == 0)
      mash_row = static_cast<int>(i);
    soup_seen = soup_seen || suggestions[i].rfind("Broccoli soup — 1 portion (200 g): +2.5 "
                                                  "cup-eq Vegetables, ", 0) == 0;
  }
  EXPECT_NE(-1, mash_row) << testing::PrintToString(suggestions);
  EXPECT_TRUE(soup_seen) << suggestions[0] << "\n" << suggestions[1];
  EXPECT_EQ(reported, suggestions);

  // Logged from the window in its measure, as the main window's row shows.
  ASSERT_NE(-1, mash_row);
  ASSERT_TRUE(fill_window_log_row(window, mash_row));
  const std::vector<std::string> rows = entry_row_texts(&state_);
  ASSERT_EQ(2u, rows.size());
  EXPECT_NE(std::string::npos, rows[1].find("Green mash")) << rows[1];
  EXPECT_NE(std::string::npos, rows[1].find(" | 1 serving")) << rows[1];

  // Deleted while the window is open, the soup is offered no more.
  std::string refusal;
  ASSERT_EQ(0, own_food_delete(state_.log_db, soup_code, &refusal)) << refusal;
  fill_window_refresh(&state_);
  for (const std::string &text : fill_window_suggestion_texts(window))
    EXPECT_EQ(std::string::npos, text.find("Broccoli soup")) << text;
}

}  // namespace
