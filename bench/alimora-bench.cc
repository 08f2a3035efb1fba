// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the interactive paths on the real food database and a ten-year log: the
// food search and its keystroke path, the main window's refresh and its two log queries,
// the nutrient grid of the add-to-log dialog with its servings change, and alimora-report's
// summary, CSV export and chart over the whole log; the quick log's ranking per keystroke,
// a quick log and a copy to today; with 500 own foods and 100 recipes in the log, the
// keystroke again, a saved meal of 10 foods logged, and a recipe's totals as it is edited.
//
// Every benchmark times single runs (one iteration per repetition, 100 repetitions) and
// reports their mean, median, standard deviation and maximum ("max", the worst run).
// The widget benchmarks need a display; without one they are skipped with a note.
#include <benchmark/benchmark.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/gui-state.h"
#include "app/main-window.h"
#include "fooddb/food-db.h"
#include "report/day-fill-read.h"
#include "report/report-range.h"
#include "fooddb/food-rank.h"
#include "fooddb/food-source.h"
#include "store/log-db.h"
#include "store/log-entries.h"
#include "store/log-history.h"
#include "store/own-foods.h"
#include "ui/budget-view.h"
#include "ui/history-window.h"
#include "ui/measure-chooser.h"
#include "ui/nutrients-window.h"
#include "ui/object-keys.h"
#include "ui/own-recipe-edit.h"
#include "ui/quick-log.h"
#include "ui/quick-log-own.h"
#include "ui/search-dialog.h"
#include "ui/weight-view.h"

namespace {

constexpr int kRuns = 100;           // repetitions of every benchmark (ALIMORA_BENCH_RUNS)
constexpr int kLogDays = 3650;       // ten years
constexpr int kEntriesPerDay = 20;   // about 73,000 entries in all
constexpr int kBusyDayIndex = 1825;  // the day with 30 entries, in the middle
constexpr int kBusyDayEntries = 30;
constexpr int32_t kGridFoodCode = 11111000;  // "Milk, whole": 65 nutrients and equivalents
constexpr const char *kGridFoodSearch = "milk, whole";

// The texts typed into the search: many hits, fewer, a word, two words, no hit.
// The last text matches nothing, while the text one keystroke shorter has 29 hits.
const char *const kSearchTexts[] = {"a", "ch", "milk", "chicken breast", "chicken breastx"};

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Times one run: the wall-clock time becomes the run's time, and the processor time of this
// thread the counter "cpu_ms" (what the run cost when other processes took turns).
class RunTimer {
 public:
  RunTimer() : wall_(Clock::now()), cpu_(thread_cpu_seconds()) {}
  void Stop(benchmark::State &s) { Stop(s, Clock::now()); }
  // The run's time ends at |end|, its processor time now.
  void Stop(benchmark::State &s, Clock::time_point end) {
    s.SetIterationTime(std::chrono::duration<double>(end - wall_).count());
    s.counters["cpu_ms"] = (thread_cpu_seconds() - cpu_) * 1000.0;
  }
  Clock::time_point started() const { return wall_; }

 private:
  static double thread_cpu_seconds() {
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
  }
  Clock::time_point wall_;
  double cpu_;
};

double max_of(const std::vector<double> &values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// What the benchmarks work on: both databases, and the widgets once a display is there.
struct Bench {
  std::string dir;        // temporary directory holding the log
  std::string log_path;   // dir/log.db
  std::string busy_date;  // the day with 30 entries
  GuiState state{};
  GtkApplication *app = nullptr;
  GtkWidget *search_dialog = nullptr;
  GtkWidget *search_entry = nullptr;
  GtkListStore *result_store = nullptr;
  GtkWidget *add_dialog = nullptr;
  int draws = 0;  // "draw" emissions of the watched toplevels, completed
};

Bench bench;

std::string food_db_path() {
  const char *root = g_getenv("ALIMORA_BUILD_ROOT");
  return std::string(root ? root : ".") + "/data/food.db";
}

// Every food of the reference database, code and description.
std::vector<std::pair<int32_t, std::string>> all_foods(sqlite3 *food_db) {
  std::vector<std::pair<int32_t, std::string>> foods;
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(food_db, "SELECT \"Food code\", \"Main food description\" FROM foods", -1,
                         &stmt, nullptr) != SQLITE_OK)
    return foods;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    const unsigned char *text = sqlite3_column_text(stmt, 1);
    foods.emplace_back(sqlite3_column_int(stmt, 0),
                       text ? reinterpret_cast<const char *>(text) : "");
  }
  sqlite3_finalize(stmt);
  return foods;
}

std::string date_string(const GDate *date) {
  char text[DATE_STRING_SIZE];
  g_date_strftime(text, sizeof text, "%Y-%m-%d", date);
  return text;
}

// Fills the log with ten years of 20 entries a day of real foods (30 on one day) and a weight
// every day, in one transaction, and stores a complete profile.
bool generate_log(sqlite3 *log_db, sqlite3 *food_db) {
  std::vector<std::pair<int32_t, std::string>> foods = all_foods(food_db);
  if (foods.empty()) {
    fprintf(stderr, "alimora-bench: no foods in %s\n", food_db_path().c_str());
    return false;
  }
  std::mt19937 random(20240607);
  std::uniform_int_distribution<size_t> pick_food(0, foods.size() - 1);
  std::uniform_int_distribution<int> pick_half_servings(1, 6);  // 0.5 to 3 servings

  std::normal_distribution<double> scale_noise(0.0, 0.6);  // a day's water, kg
  if (sqlite3_exec(log_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  sqlite3_stmt *weigh = nullptr;
  if (sqlite3_prepare_v2(log_db, "INSERT INTO weight_log (date, kg) VALUES (?1, ?2)", -1, &weigh,
                         nullptr) != SQLITE_OK)
    return false;
  GDate *day = g_date_new_dmy(1, G_DATE_JANUARY, 2015);
  bool ok = true;
  for (int d = 0; d < kLogDays && ok; d++, g_date_add_days(day, 1)) {
    std::string date = date_string(day);
    int entries = kEntriesPerDay;
    if (d == kBusyDayIndex) {
      bench.busy_date = date;
      entries = kBusyDayEntries;
    }
    // Ten years of a slow swing between 70 and 80 kg.
    sqlite3_bind_text(weigh, 1, date.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(weigh, 2, 75.0 + 5.0 * std::sin(d / 400.0) + scale_noise(random));
    ok = sqlite3_step(weigh) == SQLITE_DONE;
    sqlite3_reset(weigh);
    for (int e = 0; e < entries && ok; e++) {
      const auto &food = foods[pick_food(random)];
      ok = log_entry_add(log_db, food.first, food.second.c_str(), date.c_str(),
                         pick_half_servings(random) * 0.5) == 0;
    }
  }
  g_date_free(day);
  sqlite3_finalize(weigh);
  if (sqlite3_exec(log_db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
    ok = false;

  char bdate[] = "1990-05-07";
  Profile profile{bdate, 170.0, 65.0, 1, 0, 2000};
  return ok && profile_save(log_db, &profile) == 0;
}

bool open_databases() {
  char tmpl[] = "/tmp/alimora-bench-XXXXXX";
  if (!g_mkdtemp(tmpl)) {
    perror("alimora-bench: cannot make a temporary directory");
    return false;
  }
  bench.dir = tmpl;
  bench.log_path = bench.dir + "/log.db";
  bench.state.food_db = food_db_open(food_db_path().c_str());
  bench.state.log_db = log_db_open(bench.log_path.c_str());
  bench.state.calorie_target = 2000;
  if (!bench.state.food_db || !bench.state.log_db) return false;
  food_db_use_log(bench.state.food_db, bench.state.log_db);

  Clock::time_point start = Clock::now();
  if (!generate_log(bench.state.log_db, bench.state.food_db)) return false;
  fprintf(stderr, "alimora-bench: log of %d days generated in %.1f s; busy day %s\n", kLogDays,
          seconds_since(start), bench.busy_date.c_str());

  // For comparison only: what an index on the date would change. The program's own log
  // never has one.
  if (g_getenv("ALIMORA_BENCH_DATE_INDEX")) {
    if (sqlite3_exec(bench.state.log_db, "CREATE INDEX food_log_date ON food_log (date)", nullptr,
                     nullptr, nullptr) != SQLITE_OK)
      return false;
    fprintf(stderr, "alimora-bench: note: the log has an index on its date column\n");
  }
  return true;
}

void close_databases() {
  if (bench.state.food_db) food_db_use_log(bench.state.food_db, nullptr);
  log_db_close(bench.state.log_db);
  food_db_close(bench.state.food_db);
  bench.state.log_db = bench.state.food_db = nullptr;
  if (!bench.dir.empty()) {
    g_unlink((bench.dir + "/chart.svg").c_str());
    g_unlink((bench.dir + "/data/alimora/log.db").c_str());
    g_rmdir((bench.dir + "/data/alimora").c_str());
    g_rmdir((bench.dir + "/data").c_str());
    g_unlink(bench.log_path.c_str());
    g_rmdir(bench.dir.c_str());
  }
}

// Applies the settings every benchmark shares: single runs, real time in milliseconds, the
// worst run as "max", aggregates only.
benchmark::internal::Benchmark *single_runs(benchmark::internal::Benchmark *b) {
  // Fewer runs, for a look under a profiler.
  const char *runs = g_getenv("ALIMORA_BENCH_RUNS");
  int repetitions = runs ? atoi(runs) : kRuns;
  return b->Iterations(1)
      ->Repetitions(repetitions > 0 ? repetitions : kRuns)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->ComputeStatistics("max", max_of)
      ->ReportAggregatesOnly(true);
}

// ---- Queries on their own -------------------------------------------------------------

void register_query_benchmarks() {
  for (const char *text : kSearchTexts) {
    std::string name = std::string("food_search/\"") + text + "\"";
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [text](benchmark::State &s) {
      for (auto _ : s) {
        FoodHitList hits;
        RunTimer timer;
        int rc = food_search(bench.state.food_db, text, &hits);
        timer.Stop(s);
        if (rc != 0) s.SkipWithError("food_search failed");
        s.counters["hits"] = static_cast<double>(hits.count);
        food_hit_list_free(&hits);
      }
    }));
  }

  single_runs(
      benchmark::RegisterBenchmark("food_measures/Milk, whole (3)", [](benchmark::State &s) {
        for (auto _ : s) {
          FoodMeasureList measures;
          RunTimer timer;
          int rc = food_measures(bench.state.food_db, kGridFoodCode, &measures);
          timer.Stop(s);
          if (rc != 0 || measures.count != 3) s.SkipWithError("wrong measures");
          food_measure_list_free(&measures);
        }
      }));

  single_runs(
      benchmark::RegisterBenchmark("log_entries_for_date/30 of 73k", [](benchmark::State &s) {
        for (auto _ : s) {
          LogEntryList entries;
          RunTimer timer;
          int rc = log_entries_for_date(bench.state.log_db, bench.busy_date.c_str(), &entries);
          timer.Stop(s);
          if (rc != 0 || entries.count != kBusyDayEntries) s.SkipWithError("wrong entries");
          log_entry_list_free(&entries);
        }
      }));

  // What History reads for a period ending on the busy day: the entries and their foods.
  for (int days : {7, 30}) {
    std::string name = "log_entries_between/" + std::to_string(days) + " days";
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [days](benchmark::State &s) {
      GDate end;
      g_date_clear(&end, 1);
      g_date_set_parse(&end, bench.busy_date.c_str());
      GDate start = end;
      g_date_subtract_days(&start, days - 1);
      const std::string from = date_string(&start);
      for (auto _ : s) {
        LogEntryList entries;
        RunTimer timer;
        int rc = log_entries_between(bench.state.log_db, from.c_str(), bench.busy_date.c_str(),
                                     &entries);
        timer.Stop(s);
        if (rc != 0) s.SkipWithError("log_entries_between failed");
        s.counters["entries"] = static_cast<double>(entries.count);
        log_entry_list_free(&entries);
      }
    }));
    name = "range_data_read/" + std::to_string(days) + " days";
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [days](benchmark::State &s) {
      GDate end;
      g_date_clear(&end, 1);
      g_date_set_parse(&end, bench.busy_date.c_str());
      GDate start = end;
      g_date_subtract_days(&start, days - 1);
      const std::string from = date_string(&start);
      for (auto _ : s) {
        RangeData data;
        RunTimer timer;
        int rc = range_data_read(bench.state.food_db, bench.state.log_db, from.c_str(),
                                 bench.busy_date.c_str(), &data);
        timer.Stop(s);
        if (rc != 0) s.SkipWithError("range_data_read failed");
        s.counters["foods"] = static_cast<double>(data.foods.size());
        range_data_free(&data);
      }
    }));
  }

  single_runs(benchmark::RegisterBenchmark("log_dates/3650 dates", [](benchmark::State &s) {
    for (auto _ : s) {
      DateList dates;
      RunTimer timer;
      int rc = log_dates(bench.state.log_db, &dates);
      timer.Stop(s);
      if (rc != 0 || dates.count != kLogDays) s.SkipWithError("wrong dates");
      date_list_free(&dates);
    }
  }));
}

// ---- alimora-report over the whole log -------------------------------------------------

constexpr int kReportRuns = 20;  // each run is a whole process of a few hundred ms

// The processor time, user and system, of the waited-for children so far.
double children_cpu_seconds() {
  struct rusage usage;
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the report program ($ALIMORA_REPORT_EXE) over the ten years of the log with |options|,
// its output to /dev/null, as a whole process: start-up, both databases, the work, the exit.
// "cpu_ms" is the processor time of the process.
void register_report_benchmarks() {
  const char *exe = g_getenv("ALIMORA_REPORT_EXE");
  if (!exe) {
    fprintf(stderr, "alimora-bench: note: ALIMORA_REPORT_EXE is not set, the report is skipped\n");
    return;
  }
  // The program reads $XDG_DATA_HOME/alimora/log.db: a link to the generated log.
  const std::string data_home = bench.dir + "/data";
  if (g_mkdir_with_parents((data_home + "/alimora").c_str(), 0700) != 0 ||
      symlink(bench.log_path.c_str(), (data_home + "/alimora/log.db").c_str()) != 0) {
    perror("alimora-bench: cannot link the log for the report");
    return;
  }
  const std::string chart = bench.dir + "/chart.svg";
  const struct {
    const char *name;
    std::vector<std::string> options;
  } kForms[] = {
      {"alimora-report summary/3650 days, 73k entries", {}},
      {"alimora-report --csv/73k entries", {"--csv"}},
      {"alimora-report --chart/3650 days", {"--chart", chart}},
  };
  for (const auto &form : kForms) {
    std::vector<std::string> args = {exe, "--from", "2015-01-01", "--to", "2024-12-31"};
    args.insert(args.end(), form.options.begin(), form.options.end());
    auto *b = benchmark::RegisterBenchmark(form.name, [=](benchmark::State &s) {
      std::vector<char *> argv;
      for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
      argv.push_back(nullptr);
      gchar **envp = g_environ_setenv(g_get_environ(), "XDG_DATA_HOME", data_home.c_str(), TRUE);
      for (auto _ : s) {
        const double cpu = children_cpu_seconds();
        const Clock::time_point start = Clock::now();
        int status = -1;
        GError *error = nullptr;
        const bool ran = g_spawn_sync(nullptr, argv.data(), envp, G_SPAWN_STDOUT_TO_DEV_NULL,
                                      nullptr, nullptr, nullptr, nullptr, &status, &error);
        s.SetIterationTime(seconds_since(start));
        s.counters["cpu_ms"] = (children_cpu_seconds() - cpu) * 1000.0;
        if (!ran || !g_spawn_check_wait_status(status, nullptr))
          s.SkipWithError(error ? error->message : "alimora-report failed");
        g_clear_error(&error);
      }
      g_strfreev(envp);
    });
    single_runs(b);
    if (!g_getenv("ALIMORA_BENCH_RUNS")) b->Repetitions(kReportRuns);
  }
}

// ---- Widgets --------------------------------------------------------------------------

void drain_events() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// Lets at least one frame interval pass, so that GTK's frame clock paints the next change
// at once instead of waiting for its next frame slot.
void settle() {
  drain_events();
  g_usleep(20 * 1000);
  drain_events();
}

// The draws of one watched toplevel: how many it finished, and when it finished the last.
struct Drawn {
  int count = 0;
  Clock::time_point last;
};
#define KEY_BENCH_DRAWN "bench-drawn"

gboolean on_toplevel_drawn(GtkWidget *, cairo_t *, gpointer data) {
  bench.draws++;
  auto *drawn = static_cast<Drawn *>(data);
  drawn->count++;
  drawn->last = Clock::now();
  return FALSE;
}

// Counts the draws of |toplevel| in bench.draws and in its own Drawn, once however often
// it is called.
void watch_draws(GtkWidget *toplevel) {
  if (g_object_get_data(G_OBJECT(toplevel), KEY_BENCH_DRAWN)) return;
  auto *drawn = new Drawn;
  g_object_set_data_full(G_OBJECT(toplevel), KEY_BENCH_DRAWN, drawn,
                         [](gpointer data) { delete static_cast<Drawn *>(data); });
  g_signal_connect_after(toplevel, "draw", G_CALLBACK(on_toplevel_drawn), drawn);
}

// What |toplevel| has drawn; nothing while it is not watched.
Drawn drawn_of(GtkWidget *toplevel) {
  const auto *drawn =
      static_cast<const Drawn *>(g_object_get_data(G_OBJECT(toplevel), KEY_BENCH_DRAWN));
  return drawn ? *drawn : Drawn{};
}

// Runs the main loop until |done| says so; false after a second without.
template <typename Done>
bool run_main_loop_until(Done done) {
  gint64 end = g_get_monotonic_time() + G_USEC_PER_SEC;
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (gtk_events_pending())
      gtk_main_iteration_do(FALSE);
    else
      g_usleep(50);
  }
  return true;
}

// Runs the main loop until a watched toplevel has drawn since |draws_before| (layout and
// paint of the change just made). Returns false after a second without a draw.
bool run_until_drawn(int draws_before) {
  return run_main_loop_until([=] { return bench.draws != draws_before; });
}

// Runs the main loop until |toplevel| has drawn since it had drawn |draws_before| times;
// false after a second without.
bool run_until_window_drawn(GtkWidget *toplevel, int draws_before) {
  return run_main_loop_until([=] { return drawn_of(toplevel).count != draws_before; });
}

// The newest visible dialog titled |title|, or null.
GtkWidget *dialog_titled(const char *title) {
  GtkWidget *found = nullptr;
  GList *tops = gtk_window_list_toplevels();
  for (GList *l = tops; l; l = l->next) {
    GtkWidget *w = GTK_WIDGET(l->data);
    const char *text = gtk_window_get_title(GTK_WINDOW(w));
    if (GTK_IS_DIALOG(w) && gtk_widget_get_visible(w) && text && strcmp(text, title) == 0)
      found = w;
  }
  g_list_free(tops);
  return found;
}

GtkWidget *first_of_type(GtkWidget *root, GType type) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(root, type)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget *found = nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList *l = children; l && !found; l = l->next)
    found = first_of_type(GTK_WIDGET(l->data), type);
  g_list_free(children);
  return found;
}

// The main window on the busy day, as on_activate builds it for a complete profile.
bool open_main_window() {
  bench.app = gtk_application_new("io.github.alimora.AlimoraBench", G_APPLICATION_NON_UNIQUE);
  GError *error = nullptr;
  if (!g_application_register(G_APPLICATION(bench.app), nullptr, &error)) {
    fprintf(stderr, "alimora-bench: cannot register the application: %s\n", error->message);
    g_error_free(error);
    return false;
  }
  on_activate(bench.app, &bench.state);
  if (!bench.state.main_window) return false;
  watch_draws(bench.state.main_window);
  snprintf(bench.state.current_date, sizeof bench.state.current_date, "%s",
           bench.busy_date.c_str());
  refresh_views(&bench.state);
  settle();
  return true;
}

// The real search dialog; its entry's own "search-changed" connection is blocked so that
// only the benchmark calls on_search_changed.
bool open_search_dialog() {
  on_search_clicked(nullptr, &bench.state);
  drain_events();
  bench.search_dialog = dialog_titled("Search Foods");
  if (!bench.search_dialog) return false;
  bench.search_entry = first_of_type(bench.search_dialog, GTK_TYPE_SEARCH_ENTRY);
  GtkWidget *view = first_of_type(bench.search_dialog, GTK_TYPE_TREE_VIEW);
  if (!bench.search_entry || !view) return false;
  bench.result_store = GTK_LIST_STORE(gtk_tree_view_get_model(GTK_TREE_VIEW(view)));
  g_signal_handlers_block_by_func(bench.search_entry, reinterpret_cast<gpointer>(on_search_changed),
                                  bench.result_store);
  watch_draws(bench.search_dialog);
  settle();
  return true;
}

void search_for(const char *text) {
  gtk_entry_set_text(GTK_ENTRY(bench.search_entry), text);
  on_search_changed(GTK_SEARCH_ENTRY(bench.search_entry), bench.result_store);
}

// The add-to-log dialog of "Milk, whole", opened by activating its row in the search dialog.
bool open_add_dialog() {
  search_for(kGridFoodSearch);
  GtkWidget *view = first_of_type(bench.search_dialog, GTK_TYPE_TREE_VIEW);
  GtkTreeModel *model = GTK_TREE_MODEL(bench.result_store);
  GtkTreeIter iter;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gint code = 0;
    gchar *description = nullptr;
    gtk_tree_model_get(model, &iter, 0, &code, 1, &description, -1);
    if (code == kGridFoodCode) {
      GtkTreePath *path = gtk_tree_model_get_path(model, &iter);
      on_food_row_activated(GTK_TREE_VIEW(view), path, nullptr, &bench.state);
      gtk_tree_path_free(path);
      drain_events();
      bench.add_dialog = dialog_titled(description);
    }
    g_free(description);
    if (bench.add_dialog) break;
  }
  if (!bench.add_dialog) return false;
  watch_draws(bench.add_dialog);
  settle();
  return true;
}

GtkWidget *nutrient_grid() {
  return static_cast<GtkWidget *>(g_object_get_data(G_OBJECT(bench.add_dialog), KEY_NUTRIENT_GRID));
}

GtkSpinButton *servings_spin() {
  return GTK_SPIN_BUTTON(g_object_get_data(G_OBJECT(bench.add_dialog), KEY_SPIN_QUANTITY));
}

// Whether a run of a benchmark saw no redraw; shared by its repetitions.
using RedrawMissing = std::shared_ptr<bool>;

// A run that waited in vain for its window's draw: it counts with the second it waited and
// says so, in its "missed_draw" counter and once on stderr. (An error in some of the
// repetitions only would stop the program where the library sums them up.)
void note_missed_draw(benchmark::State &s, const RedrawMissing &missing, const char *what) {
  if (!*missing) fprintf(stderr, "alimora-bench: %s\n", what);
  *missing = true;
  s.counters["missed_draw"] = 1;
}

// Times |action| alone, or |action| followed by the main loop up to the finished redraw of
// the changed window. |prepare| runs untimed before each run.
template <typename Prepare, typename Action>
void time_widget_runs(benchmark::State &s, const RedrawMissing &missing, bool with_redraw,
                      Prepare prepare, Action action) {
  for (auto _ : s) {
    prepare();
    settle();
    int draws_before = bench.draws;
    RunTimer timer;
    action();
    bool drawn = !with_redraw || run_until_drawn(draws_before);
    timer.Stop(s);
    if (!drawn) note_missed_draw(s, missing, "the window was not redrawn");
  }
}

// A write to the first entry of the busy day: its servings plus |more|. With 0 it changes
// nothing in the log but its stamp; what was kept from a read before it is stale after it.
bool change_log(double more) {
  LogEntryList entries;
  if (log_entries_for_date(bench.state.log_db, bench.busy_date.c_str(), &entries) != 0 ||
      entries.count == 0) {
    log_entry_list_free(&entries);
    return false;
  }
  const LogEntry first = entries.items[0];
  const int rc = log_entry_update(bench.state.log_db, first.id, first.date, first.servings + more);
  log_entry_list_free(&entries);
  return rc == 0;
}

bool touch_log() { return change_log(0.0); }

void register_widget_benchmarks() {
  for (bool redraw : {false, true}) {
    std::string name = redraw ? "refresh_views+redraw/30 entries" : "refresh_views/30 entries";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      time_widget_runs(
          s, missing, redraw, [] {}, [] { refresh_views(&bench.state); });
    }));
  }

  // The energy bar's share of refresh_views: in each run the refresh is timed twice, with
  // the bar and with the bar taken out of the state (refresh_views then leaves it alone),
  // so that both see the same load; share_ms and share_cpu_ms are the differences.
  single_runs(benchmark::RegisterBenchmark(
      "refresh_views energy bar share/30 entries", [](benchmark::State &s) {
        GtkWidget *energy_bar = bench.state.energy_bar;
        auto cpu_seconds = [] {
          struct timespec ts;
          clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
          return ts.tv_sec + ts.tv_nsec / 1e9;
        };
        for (auto _ : s) {
          double wall[2], cpu[2];
          for (int with_bar = 1; with_bar >= 0; with_bar--) {
            bench.state.energy_bar = with_bar ? energy_bar : nullptr;
            settle();
            const Clock::time_point start = Clock::now();
            const double cpu_start = cpu_seconds();
            refresh_views(&bench.state);
            wall[with_bar] = seconds_since(start);
            cpu[with_bar] = cpu_seconds() - cpu_start;
          }
          bench.state.energy_bar = energy_bar;
          s.SetIterationTime(wall[1]);
          s.counters["cpu_ms"] = cpu[1] * 1000.0;
          s.counters["without_ms"] = wall[0] * 1000.0;
          s.counters["share_ms"] = (wall[1] - wall[0]) * 1000.0;
          s.counters["share_cpu_ms"] = (cpu[1] - cpu[0]) * 1000.0;
        }
        bench.state.energy_bar = energy_bar;
      }));

  // Ctrl+I on the busy day, up to the end of the Nutrients window's first "draw". The window
  // of the previous run is closed untimed, as by its close button (which hides it), or
  // destroyed (|destroy|); |before| runs after that, untimed too, and the main loop with it.
  struct Opening {
    const char *name;
    bool destroy;
    bool (*before)();
  };
  static const Opening kOpenings[] = {
      {"Nutrients open+first frame/30 entries", false, [] { return true; }},
      // An entry's servings changed while the window was closed (half a serving more, then
      // less again in the next run), and the main window shown the change.
      {"Nutrients open+first frame after an edit/30 entries", false,
       [] {
         static int runs = 0;
         if (!change_log(++runs % 2 ? 0.5 : -0.5)) return false;
         refresh_views(&bench.state);
         return true;
       }},
      // A write to the log that no refresh_views followed (another program's, say): the
      // window reads the day's entries itself.
      {"Nutrients open+first frame after a write/30 entries", false, touch_log},
      // The first opening in a run of the program: the window made ahead once the main
      // window has drawn, never shown yet.
      {"Nutrients open+first frame made ahead/30 entries", true,
       [] {
         nutrients_window_prepare(&bench.state);
         gtk_widget_queue_draw(bench.state.main_window);
         settle();
         return bench.state.nutrients_window != nullptr;
       }},
      // Ctrl+I before that: the window built and filled within the opening.
      {"Nutrients open+first frame of a new window/30 entries", true, [] { return true; }},
  };
  for (const Opening &opening : kOpenings) {
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(
        benchmark::RegisterBenchmark(opening.name, [&opening, missing](benchmark::State &s) {
          // The main window as the last change to the log left it.
          refresh_views(&bench.state);
          for (auto _ : s) {
            if (GtkWidget *previous = bench.state.nutrients_window) {
              if (opening.destroy)
                gtk_widget_destroy(previous);
              else
                gtk_window_close(GTK_WINDOW(previous));
            }
            settle();
            if (!opening.before()) {
              s.SkipWithError("cannot prepare the run");
              break;
            }
            // The focus back in the main window, as a window manager gives it when the window
            // above closes: opening takes it away again, and the main window is drawn anew.
            gtk_window_present(GTK_WINDOW(bench.state.main_window));
            settle();
            GtkWidget *hidden = bench.state.nutrients_window;
            const int draws_before = hidden ? drawn_of(hidden).count : 0;
            const int main_draws_before = drawn_of(bench.state.main_window).count;
            RunTimer timer;
            show_nutrients_window(&bench.state);
            GtkWidget *window = bench.state.nutrients_window;
            watch_draws(window);
            const bool drawn = run_until_window_drawn(window, window == hidden ? draws_before : 0);
            // The time is that of the end of the window's first "draw"; the main loop's turn
            // that drew it can go on with other windows (the main window's redraw as it loses
            // the focus), timed as loop_ms.
            const Clock::time_point loop_end = Clock::now();
            timer.Stop(s, drawn ? drawn_of(window).last : loop_end);
            s.counters["loop_ms"] =
                std::chrono::duration<double, std::milli>(loop_end - timer.started()).count();
            s.counters["main_window_draws"] =
                drawn_of(bench.state.main_window).count - main_draws_before;
            if (!drawn) note_missed_draw(s, missing, "the Nutrients window was not drawn");
          }
          // The rows after it find the day as refresh_views read it.
          refresh_views(&bench.state);
        }));
  }

  // The refresh as refresh_views makes it after a food was logged or deleted: with the
  // entries it has just read, the busy day's 30 in one run and 29 of them in the next, so
  // that every run changes the table.
  for (bool redraw : {false, true}) {
    std::string name =
        redraw ? "Nutrients refresh+redraw/30 entries" : "Nutrients refresh/30 entries";
    RedrawMissing missing = std::make_shared<bool>(false);
    std::shared_ptr<int> runs = std::make_shared<int>(0);  // of all the repetitions
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      show_nutrients_window(&bench.state);
      watch_draws(bench.state.nutrients_window);
      settle();
      LogEntryList entries;
      if (log_entries_for_date(bench.state.log_db, bench.busy_date.c_str(), &entries) != 0 ||
          entries.count != 30) {
        log_entry_list_free(&entries);
        s.SkipWithError("cannot read the day's entries");
        return;
      }
      LogEntryList shown = entries;  // the same items, all or all but the last
      time_widget_runs(
          s, missing, redraw, [&] { shown.count = entries.count - (++*runs % 2); },
          [&] { nutrients_window_refresh(&bench.state, &shown); });
      log_entry_list_free(&entries);
      // The main window's benchmarks time it without the Nutrients window.
      if (redraw && bench.state.nutrients_window) {
        gtk_widget_destroy(bench.state.nutrients_window);
        settle();
      }
    }));
  }

  for (bool redraw : {false, true}) {
    for (const char *text : kSearchTexts) {
      std::string name =
          std::string(redraw ? "keystroke+redraw" : "keystroke") + "/\"" + text + "\"";
      // The list holds the results of the text one character shorter, as when typing.
      std::string before(text, strlen(text) - 1);
      RedrawMissing missing = std::make_shared<bool>(false);
      single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
        if (!bench.search_dialog && !open_search_dialog()) {
          s.SkipWithError("cannot open the search dialog");
          return;
        }
        // The entry shows the new text before the timed call, as after a keystroke.
        time_widget_runs(
            s, missing, redraw,
            [&] {
              search_for(before.c_str());
              settle();
              gtk_entry_set_text(GTK_ENTRY(bench.search_entry), text);
            },
            [&] { on_search_changed(GTK_SEARCH_ENTRY(bench.search_entry), bench.result_store); });
        s.counters["rows"] =
            gtk_tree_model_iter_n_children(GTK_TREE_MODEL(bench.result_store), nullptr);
      }));
    }
  }

  RedrawMissing not_watched = std::make_shared<bool>(false);
  single_runs(
      benchmark::RegisterBenchmark("fill_nutrient_grid/65 nutrients", [=](benchmark::State &s) {
        if (!bench.add_dialog &&
            !((bench.search_dialog || open_search_dialog()) && open_add_dialog())) {
          s.SkipWithError("cannot open the add-to-log dialog");
          return;
        }
        time_widget_runs(
            s, not_watched, false, [] {},
            [] { fill_nutrient_grid(nutrient_grid(), bench.state.food_db, kGridFoodCode, 1.0); });
      }));

  // Changing the servings emits "value-changed", whose handler rebuilds the grid.
  for (bool redraw : {false, true}) {
    std::string name = redraw ? "on_servings_changed+redraw/1 to 2" : "on_servings_changed/1 to 2";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      if (!bench.add_dialog) {
        s.SkipWithError("no add-to-log dialog");
        return;
      }
      time_widget_runs(
          s, missing, redraw, [] { gtk_spin_button_set_value(servings_spin(), 1.0); },
          [] { gtk_spin_button_set_value(servings_spin(), 2.0); });
    }));
  }
}

// Opening the add-to-log dialog of "Milk, whole" (its three measures in the chooser) and
// choosing "1 cup (244 g)" in it, which sets the servings to 2.44 and so rebuilds the grid.
void register_measure_benchmarks() {
  // Times on_food_row_activated alone: building the dialog, its queries and show_all.
  auto open_milk = [](benchmark::State &s) -> GtkWidget * {
    GtkListStore *store = gtk_list_store_new(2, G_TYPE_INT, G_TYPE_STRING);
    gtk_list_store_insert_with_values(store, nullptr, -1, 0, kGridFoodCode, 1, "Milk, whole", -1);
    GtkWidget *view =
        GTK_WIDGET(g_object_ref_sink(gtk_tree_view_new_with_model(GTK_TREE_MODEL(store))));
    g_object_unref(store);
    GtkTreePath *path = gtk_tree_path_new_first();
    RunTimer timer;
    on_food_row_activated(GTK_TREE_VIEW(view), path, nullptr, &bench.state);
    timer.Stop(s);
    gtk_tree_path_free(path);
    gtk_widget_destroy(view);
    g_object_unref(view);
    drain_events();
    // The new dialog, not the one the grid benchmarks keep open with the same title.
    GtkWidget *found = nullptr;
    GList *tops = gtk_window_list_toplevels();
    for (GList *l = tops; l; l = l->next)
      if (GTK_IS_DIALOG(l->data) && l->data != bench.add_dialog &&
          g_strcmp0(gtk_window_get_title(GTK_WINDOW(l->data)), "Milk, whole") == 0)
        found = GTK_WIDGET(l->data);
    g_list_free(tops);
    return found;
  };

  single_runs(benchmark::RegisterBenchmark(
      "on_food_row_activated/Milk, whole with 3 measures", [=](benchmark::State &s) {
        for (auto _ : s) {
          settle();
          GtkWidget *dialog = open_milk(s);
          if (!dialog) {
            s.SkipWithError("no add-to-log dialog");
            break;
          }
          s.counters["measures"] = static_cast<double>(
              gtk_tree_model_iter_n_children(
                  gtk_combo_box_get_model(GTK_COMBO_BOX(g_object_get_data(
                      G_OBJECT(g_object_get_data(G_OBJECT(dialog), KEY_SPIN_QUANTITY)),
                      KEY_MEASURE_COMBO))),
                  nullptr) -
              1);
          gtk_widget_destroy(dialog);
          drain_events();
        }
      }));

  // The measures' share of the opening: the amount, the chooser and its query, without the
  // rest of the dialog.
  single_runs(benchmark::RegisterBenchmark(
      "measure_chooser_add/Milk, whole", [](benchmark::State &s) {
        for (auto _ : s) {
          GtkWidget *row = g_object_ref_sink(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6));
          GtkWidget *label = gtk_label_new("Servings:");
          GtkWidget *spin = gtk_spin_button_new_with_range(0.1, 100.0, 0.5);
          gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 6);
          gtk_box_pack_start(GTK_BOX(row), spin, FALSE, FALSE, 6);
          RunTimer timer;
          measure_chooser_add(row, label, spin, bench.state.food_db, kGridFoodCode);
          timer.Stop(s);
          gtk_widget_destroy(row);
          g_object_unref(row);
        }
      }));

  for (bool redraw : {false, true}) {
    std::string name = redraw ? "on_measure_changed+redraw/100 g to 1 cup"
                              : "on_measure_changed/100 g to 1 cup";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      if (!bench.add_dialog) {
        s.SkipWithError("no add-to-log dialog");
        return;
      }
      auto *combo = GTK_COMBO_BOX(
          g_object_get_data(G_OBJECT(servings_spin()), KEY_MEASURE_COMBO));
      time_widget_runs(
          s, missing, redraw, [=] { gtk_combo_box_set_active(combo, 0); },
          [=] { gtk_combo_box_set_active(combo, 1); });
      s.counters["servings"] = gtk_spin_button_get_value(servings_spin());
    }));
  }
}

// ---- History ----------------------------------------------------------------------------


void close_history() {
  if (bench.state.history_window) gtk_widget_destroy(bench.state.history_window);
  drain_events();
}

GtkWidget *history_button(const char *label) {
  GList *queue = g_list_prepend(nullptr, bench.state.history_window);
  GtkWidget *button = nullptr;
  while (queue && !button) {
    GtkWidget *widget = GTK_WIDGET(queue->data);
    queue = g_list_delete_link(queue, queue);
    if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)) &&
        strcmp(gtk_button_get_label(GTK_BUTTON(widget)), label) == 0)
      button = widget;
    else if (GTK_IS_CONTAINER(widget))
      queue = g_list_concat(queue, gtk_container_get_children(GTK_CONTAINER(widget)));
  }
  g_list_free(queue);
  return button;
}

// Opening History on the busy day (7 or 30 days) to its
// first drawn frame; moving it a period back; redrawing it at another size.
void register_history_benchmarks() {
  for (int days : {7, 30}) {
    std::string name = "history open+first frame/" + std::to_string(days) + " days";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      if (*missing) {
        s.SkipWithError("History was not drawn");
        return;
      }
      for (auto _ : s) {
        close_history();
        settle();
        const int draws_before = bench.draws;
        RunTimer timer;
        show_history_window(&bench.state, days);
        watch_draws(bench.state.history_window);
        const bool drawn = run_until_drawn(draws_before);
        timer.Stop(s);
        if (!drawn) {
          *missing = true;
          s.SkipWithError("History was not drawn");
        }
      }
    }));
  }

  for (bool redraw : {false, true})
  for (int days : {7, 30}) {
    std::string name = std::string(redraw ? "history previous period+redraw/"
                                          : "history previous period/") +
                       std::to_string(days) + " days";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      if (!bench.state.history_window) {
        show_history_window(&bench.state);
        watch_draws(bench.state.history_window);
      }
      GtkWidget *previous = history_button("◀");
      time_widget_runs(
          s, missing, redraw,
          [&] {
            history_window_show_days(bench.state.history_window, bench.busy_date.c_str(), days);
          },
          [&] { gtk_button_clicked(GTK_BUTTON(previous)); });
    }));
  }

  // The same after a write to the log: the first read of a period reads the ids of every
  // date again (one pass over the log) before it reads the period by them.
  for (int days : {7, 30}) {
    std::string name = "history previous period after a write/" + std::to_string(days) + " days";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      if (!bench.state.history_window) {
        show_history_window(&bench.state);
        watch_draws(bench.state.history_window);
      }
      GtkWidget *previous = history_button("◀");
      bool touched = true;
      time_widget_runs(
          s, missing, false,
          [&] {
            history_window_show_days(bench.state.history_window, bench.busy_date.c_str(), days);
            touched = touch_log() && touched;
          },
          [&] { gtk_button_clicked(GTK_BUTTON(previous)); });
      if (!touched) s.SkipWithError("cannot write the log");
    }));
  }

  // A redraw of the whole window, as after an expose or a change of theme. (A resize of the
  // toplevel gets no new frame from Xvfb without a window manager; the chart's own drawing
  // at a new size is the next row.)
  RedrawMissing missing = std::make_shared<bool>(false);
  single_runs(benchmark::RegisterBenchmark("history redraw/30 days", [=](benchmark::State &s) {
    if (!bench.state.history_window) {
      show_history_window(&bench.state, 30);
      watch_draws(bench.state.history_window);
    }
    history_window_show_days(bench.state.history_window, bench.busy_date.c_str(), 30);
    time_widget_runs(
        s, missing, true, [] {},
        [] { gtk_widget_queue_draw(bench.state.history_window); });
  }));

  // The chart alone, drawn at the size it has in the window on an image surface.
  single_runs(benchmark::RegisterBenchmark("chart_draw/30 days 900x430", [](benchmark::State &s) {
    RangeData data;
    GDate end;
    g_date_clear(&end, 1);
    g_date_set_parse(&end, bench.busy_date.c_str());
    GDate start = end;
    g_date_subtract_days(&start, 29);
    const std::string from = date_string(&start);
    if (range_data_read(bench.state.food_db, bench.state.log_db, from.c_str(),
                        bench.busy_date.c_str(), &data) != 0) {
      s.SkipWithError("range_data_read failed");
      return;
    }
    RangeSummary summary;
    range_summary_make(data, 2000, from.c_str(), bench.busy_date.c_str(), &summary);
    range_data_free(&data);
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 900, 430);
    for (auto _ : s) {
      cairo_t *cr = cairo_create(surface);
      RunTimer timer;
      chart_draw(cr, &summary, 900, 430, &kChartPaperPalette);
      cairo_surface_flush(surface);
      timer.Stop(s);
      cairo_destroy(cr);
    }
    cairo_surface_destroy(surface);
  }));
}

// ---- Weight ---------------------------------------------------------------------------

// Logging a weight on the busy day, in place of the one it has, as Enter in the weight field
// does: the write, the view with the trend line, the notification and the profile offer,
// alone and to the finished redraw.
void register_weight_benchmarks() {
  for (bool redraw : {false, true}) {
    std::string name = redraw ? "weight log+redraw/10 years of weights"
                              : "weight log/10 years of weights";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      close_history();
      snprintf(bench.state.current_date, sizeof bench.state.current_date, "%s",
               bench.busy_date.c_str());
      refresh_views(&bench.state);
      double kg = 74.0;
      bool logged = true;
      time_widget_runs(
          s, missing, redraw, [&] { kg = kg == 74.0 ? 74.5 : 74.0; },
          [&] { logged = weight_view_log(&bench.state, kg) && logged; });
      if (!logged) s.SkipWithError("the weight was not logged");
    }));
  }
}

// ---- Quick log ----------------------------------------------------------------------

// The texts typed into the quick-log field, one key at a time; on the ten-year log nearly
// every food has been logged, so every suggestion shows its last amount, the costliest case.
// "1 cup whole milk" and "2 scrambled eggs" also look up each suggestion's measures; "2 slices w"
// and "12 fl oz b" those of the sixty best; "grandma lasagna" finds no food with both words.
const char *const kQuickLogTexts[] = {"m",          "mi", "mil", "milk", "whole milk",
                                      "chicken breast", "qqq", "1 cup whole milk",
                                      "2 scrambled eggs", "2 slices w", "12 fl oz b",
                                      "grandma lasagna"};

std::vector<FoodRankUse> ranking_uses() {
  std::vector<FoodRankUse> weights;
  FoodUseList uses;
  if (log_food_uses(bench.state.log_db, &uses) != 0) return weights;
  for (size_t i = 0; i < uses.count; i++)
    weights.push_back(FoodRankUse{uses.items[i].food_code, food_use_weight(uses.items[i].count, 30)});
  food_use_list_free(&uses);
  return weights;
}

void register_ranking_benchmarks() {
  single_runs(benchmark::RegisterBenchmark("food_index_load/7083 foods", [](benchmark::State &s) {
    for (auto _ : s) {
      FoodIndex index;
      RunTimer timer;
      int rc = food_index_load(bench.state.food_db, &index);
      timer.Stop(s);
      if (rc != 0) s.SkipWithError("food_index_load failed");
      food_index_free(&index);
    }
  }));
  single_runs(benchmark::RegisterBenchmark("log_food_uses/73k entries", [](benchmark::State &s) {
    for (auto _ : s) {
      FoodUseList uses;
      RunTimer timer;
      int rc = log_food_uses(bench.state.log_db, &uses);
      timer.Stop(s);
      if (rc != 0) s.SkipWithError("log_food_uses failed");
      s.counters["foods"] = static_cast<double>(uses.count);
      food_use_list_free(&uses);
    }
  }));
  for (const char *text : kQuickLogTexts) {
    std::string name = std::string("food_rank/\"") + text + "\"";
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [text](benchmark::State &s) {
      static FoodIndex index{nullptr, 0, 0};
      static std::vector<FoodRankUse> uses = ranking_uses();
      if (!index.items && food_index_load(bench.state.food_db, &index) != 0) {
        s.SkipWithError("food_index_load failed");
        return;
      }
      for (auto _ : s) {
        FoodHitList hits;
        RunTimer timer;
        int rc = food_rank(&index, text, uses.data(), uses.size(), kQuickLogSuggestions, &hits);
        timer.Stop(s);
        if (rc != 0) s.SkipWithError("food_rank failed");
        s.counters["hits"] = static_cast<double>(hits.count);
        food_hit_list_free(&hits);
      }
    }));
  }
}

// A key as the field receives it.
gboolean press_in_field(guint keyval, GdkModifierType modifiers = GdkModifierType(0)) {
  GdkEventKey event{};
  event.type = GDK_KEY_PRESS;
  event.keyval = keyval;
  event.state = modifiers;
  return on_quick_log_key_press(quick_log_field(&bench.state), &event, &bench.state);
}

// Puts |text| into the field without the field's own "changed" handler: the benchmark calls
// it itself.
void field_text(const char *text) {
  GtkWidget *field = quick_log_field(&bench.state);
  g_signal_handlers_block_by_func(field, reinterpret_cast<gpointer>(on_quick_log_changed),
                                  &bench.state);
  gtk_entry_set_text(GTK_ENTRY(field), text);
  g_signal_handlers_unblock_by_func(field, reinterpret_cast<gpointer>(on_quick_log_changed),
                                    &bench.state);
}

// The search dialog and the add-to-log dialogs of the benchmarks before are modal: while
// they are open nobody types into the main window. They go before the quick log's runs.
void close_dialogs() {
  GList *tops = gtk_window_list_toplevels();
  for (GList *l = tops; l; l = l->next)
    if (GTK_IS_DIALOG(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(tops);
  bench.search_dialog = bench.search_entry = bench.add_dialog = nullptr;
  bench.result_store = nullptr;
  drain_events();
}

void register_quick_log_benchmarks() {
  GtkWidget *field = quick_log_field(&bench.state);
  if (!field) return;
  // The field takes the focus once: the index and the person's foods are read then.
  gtk_widget_grab_focus(field);
  on_quick_log_changed(GTK_EDITABLE(field), &bench.state);  // reads both
  field_text("m");
  on_quick_log_changed(GTK_EDITABLE(field), &bench.state);
  field_text("");
  on_quick_log_changed(GTK_EDITABLE(field), &bench.state);

  for (bool redraw : {false, true}) {
    for (const char *text : kQuickLogTexts) {
      std::string name =
          std::string(redraw ? "quick-log keystroke+redraw" : "quick-log keystroke") + "/\"" +
          text + "\"";
      std::string before(text, strlen(text) - 1);
      RedrawMissing missing = std::make_shared<bool>(false);
      single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
        close_dialogs();
        time_widget_runs(
            s, missing, redraw,
            [&] {
              field_text(before.c_str());
              on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state);
              settle();
              field_text(text);
            },
            [] { on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state); });
        s.counters["rows"] = static_cast<double>(quick_log_suggestion_texts(&bench.state).size());
      }));
    }
  }

  // The first key after a redraw of the view, as after every quick log: the view rebuilt
  // its rows, then "m" is typed into the empty field.
  {
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(
        "quick-log keystroke after refresh_views/\"m\"", [=](benchmark::State &s) {
          close_dialogs();
          time_widget_runs(
              s, missing, false,
              [] {
                field_text("");
                on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state);
                refresh_views(&bench.state);
                settle();
                field_text("m");
              },
              [] { on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state); });
        }));
  }

  // Down in the empty field: the foods logged last.
  for (bool redraw : {false, true}) {
    std::string name = redraw ? "quick-log Down, empty field+redraw/10 recent foods"
                              : "quick-log Down, empty field/10 recent foods";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      time_widget_runs(
          s, missing, redraw,
          [] {
            field_text("");
            on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state);
          },
          [] { press_in_field(GDK_KEY_Down); });
    }));
  }

  // Enter on "whole milk": one entry on the busy day, the view redrawn, the notification
  // shown. Undo after each run, untimed, keeps the log as it was.
  for (bool redraw : {false, true}) {
    std::string name = redraw ? "quick log Enter+redraw/busy day of 30 entries"
                              : "quick log Enter/busy day of 30 entries";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      time_widget_runs(
          s, missing, redraw,
          [] {
            on_undo_clicked(nullptr, &bench.state);
            field_text("whole milk");
            on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state);
          },
          [] { press_in_field(GDK_KEY_Return); });
      on_undo_clicked(nullptr, &bench.state);
    }));
  }

  // "Copy to Today" on the busy day: 30 entries in one statement, today shown. Undo and the
  // step back to the busy day are untimed.
  for (bool redraw : {false, true}) {
    std::string name =
        redraw ? "Copy to Today+redraw/30 entries" : "Copy to Today/30 entries";
    RedrawMissing missing = std::make_shared<bool>(false);
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      time_widget_runs(
          s, missing, redraw,
          [] {
            on_undo_clicked(nullptr, &bench.state);
            snprintf(bench.state.current_date, sizeof bench.state.current_date, "%s",
                     bench.busy_date.c_str());
            refresh_views(&bench.state);
          },
          [] { on_copy_to_today_clicked(nullptr, &bench.state); });
      on_undo_clicked(nullptr, &bench.state);
      snprintf(bench.state.current_date, sizeof bench.state.current_date, "%s",
               bench.busy_date.c_str());
      refresh_views(&bench.state);
    }));
  }
}

// ---- Fill the Day ------------------------------------------------------------------------

// The day after the last logged one: nothing eaten yet, so that every gap is open and every
// food is scored, with 90 days of 20 entries before it.
std::string day_after_the_log() {
  std::string day = "2025-01-01";
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(bench.state.log_db, "SELECT date(max(date), '+1 day') FROM food_log", -1,
                         &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
    day = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  return day;
}

// The suggestions of a day: reading every food once (the first opening of the window),
// reading the day and the 90 days before it, and scoring every food against what is left.
void register_fill_benchmarks() {
  static FillFoodTable table;
  static const std::string fresh_day = day_after_the_log();
  single_runs(benchmark::RegisterBenchmark("fill_foods_load/7083 foods", [](benchmark::State &s) {
    for (auto _ : s) {
      RunTimer timer;
      int rc = fill_foods_load(bench.state.food_db, &table);
      timer.Stop(s);
      if (rc != 0) s.SkipWithError("fill_foods_load failed");
    }
  }));
  single_runs(benchmark::RegisterBenchmark(
      "fill_day_read/a new day, 90 days of 73k", [](benchmark::State &s) {
        if (table.foods.empty() && fill_foods_load(bench.state.food_db, &table) != 0)
          s.SkipWithError("fill_foods_load failed");
        for (auto _ : s) {
          FillDay day;
          RunTimer timer;
          int rc = fill_day_read(bench.state.food_db, bench.state.log_db, fresh_day.c_str(),
                                 bench.state.calorie_target, &day, &table);
          timer.Stop(s);
          if (rc != 0) s.SkipWithError("fill_day_read failed");
        }
      }));
  single_runs(benchmark::RegisterBenchmark("fill_day_suggest/7083 foods, a new day", [](benchmark::State &s) {
    static FillDay day;
    if (table.foods.empty() && fill_foods_load(bench.state.food_db, &table) != 0)
      s.SkipWithError("fill_foods_load failed");
    if (fill_day_read(bench.state.food_db, bench.state.log_db, fresh_day.c_str(),
                      bench.state.calorie_target, &day, &table) != 0)
      s.SkipWithError("fill_day_read failed");
    for (auto _ : s) {
      FillLeft left;
      std::vector<FillSuggestion> list;
      RunTimer timer;
      fill_day_suggest(&day, &table, kFillSuggestions, &left, &list);
      timer.Stop(s);
      s.counters["suggestions"] = static_cast<double>(list.size());
    }
  }));
}

void close_widgets() {
  GList *tops = gtk_window_list_toplevels();
  for (GList *l = tops; l; l = l->next) g_object_ref(l->data);
  for (GList *l = tops; l; l = l->next)
    if (gtk_window_get_window_type(GTK_WINDOW(l->data)) == GTK_WINDOW_TOPLEVEL)
      gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free_full(tops, g_object_unref);
  drain_events();
  if (bench.app) g_object_unref(bench.app);
  bench.app = nullptr;
}

}  // namespace

// ---- Own foods, recipes and meals ----------------------------------------------------

constexpr int kOwnFoods = 500;
constexpr int kOwnRecipes = 100;

// Adds 500 own foods typed from labels and 100 recipes of 4 to 8 ingredients (food database
// foods and own foods) to the log, in one import, named as people name them ("Shop granola
// 17", "Sunday chili 3"); and one meal of 10 foods. Returns the meal's code, or 0.
int32_t add_own_foods() {
  static int32_t meal_code = 0;
  if (meal_code) return meal_code;
  const char *const makers[] = {"Shop", "Homemade", "Organic", "Aunt May's", "Corner bakery",
                                "Farm", "Market", "Mountain", "Sunny", "Classic"};
  const char *const foods[] = {"granola", "muesli", "bread", "yogurt", "cookies", "protein bar",
                               "soup", "pasta sauce", "crackers", "cheese"};
  const char *const styles[] = {"Sunday", "Quick", "Grandma's", "Spicy", "Green"};
  const char *const dishes[] = {"chili", "stew", "curry", "lasagna", "salad",
                                "casserole", "soup", "pancakes", "smoothie", "stir fry"};
  const std::vector<std::pair<int32_t, std::string>> db = all_foods(bench.state.food_db);
  if (db.size() < 100) return 0;
  std::vector<OwnFood> all;
  std::mt19937 random(28);
  for (int i = 0; i < kOwnFoods; i++) {
    OwnFood food;
    food.kind = OWN_FOOD;
    food.name = std::string(makers[i % 10]) + " " + foods[(i / 10) % 10] + " " + std::to_string(i / 100 + 1);
    food.serving_g = 30 + static_cast<double>(random() % 120);
    food.values[SOURCE_ENERGY] = food.serving_g * (0.5 + static_cast<double>(random() % 300) / 100.0);
    food.values[SOURCE_PROTEIN] = food.serving_g * 0.08;
    food.values[SOURCE_TOTAL_FAT] = food.serving_g * 0.05;
    food.values[SOURCE_SODIUM] = food.serving_g * 2;
    food.known = (1u << SOURCE_ENERGY) | (1u << SOURCE_PROTEIN) | (1u << SOURCE_TOTAL_FAT) |
                 (1u << SOURCE_SODIUM);
    food.counts_like = i % 3 == 0 ? db[random() % db.size()].first : 0;
    all.push_back(food);
  }
  for (int i = 0; i < kOwnRecipes; i++) {
    OwnFood recipe;
    recipe.kind = OWN_RECIPE;
    recipe.name = std::string(styles[i % 5]) + " " + dishes[(i / 5) % 10] + " " + std::to_string(i / 50 + 1);
    recipe.portions = 2 + random() % 6;
    const int count = 4 + static_cast<int>(random() % 5);
    for (int k = 0; k < count; k++) {
      OwnItem item;
      item.food_code = k == 0 ? -(static_cast<int32_t>(random() % kOwnFoods) + 1)
                              : db[random() % db.size()].first;
      item.grams = 20 + static_cast<double>(random() % 400);
      recipe.items.push_back(item);
    }
    all.push_back(recipe);
  }
  OwnFood meal;
  meal.kind = OWN_MEAL;
  meal.name = "Usual breakfast";
  for (int k = 0; k < 10; k++)
    meal.items.push_back(OwnItem{k % 2 ? db[(k * 613) % db.size()].first
                                       : -(static_cast<int32_t>(k * 37) + 1),
                                 50.0 + k * 10, "", 0});
  all.push_back(meal);
  OwnImport result;
  OwnFault fault;
  if (own_foods_import(bench.state.log_db, all, &result, &fault) != 0) {
    fprintf(stderr, "alimora-bench: own foods not imported: %s\n", fault.message.c_str());
    return 0;
  }
  for (const OwnFood &own : food_source_own(bench.state.food_db))
    if (own.kind == OWN_MEAL) meal_code = own.food_code;
  return meal_code;
}

GtkWidget *widget_named(GtkWidget *root, const char *name) {
  if (g_strcmp0(gtk_widget_get_name(root), name) == 0) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget *found = nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList *l = children; l && !found; l = l->next) found = widget_named(GTK_WIDGET(l->data), name);
  g_list_free(children);
  return found;
}

const char *const kOwnQuickLogTexts[] = {"m", "mil", "granola", "shop granola", "chili",
                                         "sunday chili", "1 serving shop granola"};

// Registered last: the own foods they add stay in the log, which the benchmarks before
// measure without them.
void register_own_food_benchmarks() {
  GtkWidget *field = quick_log_field(&bench.state);
  if (!field) return;
  for (bool redraw : {false, true}) {
    for (const char *text : kOwnQuickLogTexts) {
      std::string name = std::string(redraw ? "quick-log keystroke+redraw" : "quick-log keystroke") +
                         ", 500 own foods, 100 recipes/\"" + text + "\"";
      std::string before(text, strlen(text) - 1);
      RedrawMissing missing = std::make_shared<bool>(false);
      single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
        close_dialogs();
        if (!add_own_foods()) {
          s.SkipWithError("the own foods were not added");
          return;
        }
        time_widget_runs(
            s, missing, redraw,
            [&] {
              field_text(before.c_str());
              on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state);
              settle();
              field_text(text);
            },
            [] { on_quick_log_changed(GTK_EDITABLE(quick_log_field(&bench.state)), &bench.state); });
        s.counters["rows"] = static_cast<double>(quick_log_suggestion_texts(&bench.state).size());
      }));
    }
  }
  // The own part of the index made again, as after every change of an own food.
  single_runs(benchmark::RegisterBenchmark(
      "own_index_update/500 own foods, 100 recipes, 1 meal", [](benchmark::State &s) {
        static FoodIndex index{nullptr, 0, 0};
        if (!add_own_foods() || (!index.items && food_index_load(bench.state.food_db, &index) != 0)) {
          s.SkipWithError("no index");
          return;
        }
        for (auto _ : s) {
          OwnIndexPart part;  // new: the whole own part is made
          RunTimer timer;
          own_index_update(bench.state.food_db, &index, &part);
          timer.Stop(s);
          s.counters["entries"] = static_cast<double>(index.count);
        }
      }));
  // A saved meal of 10 foods logged from the quick log: one transaction, the view redrawn,
  // the notification with its Undo. Undo after each run, untimed, keeps the log as it was.
  for (bool whole : {false, true}) {
    std::string name = whole ? "quick log Enter on a meal/10 foods, busy day"
                             : "own_meal_log/10 foods";
    single_runs(benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &s) {
      close_dialogs();
      const int32_t code = add_own_foods();
      const OwnFood *found = code ? food_source_find(bench.state.food_db, code) : nullptr;
      if (!found) {
        s.SkipWithError("no meal");
        return;
      }
      const OwnFood meal = *found;
      std::vector<std::string> descriptions(meal.items.size(), "Food");
      snprintf(bench.state.current_date, sizeof bench.state.current_date, "%s",
               bench.busy_date.c_str());
      for (auto _ : s) {
        LogEntryList written{nullptr, 0, 0};
        RunTimer timer;
        int rc = 0;
        if (whole)
          quick_log_own_choose(&bench.state, code);
        else
          rc = own_meal_log(bench.state.log_db, meal, descriptions, bench.state.current_date, &written);
        timer.Stop(s);
        if (rc != 0) s.SkipWithError("own_meal_log failed");
        if (whole) {
          on_undo_clicked(nullptr, &bench.state);
        } else {
          std::unique_ptr<bool[]> taken(new bool[written.count ? written.count : 1]());
          log_entries_take_back(bench.state.log_db, &written, taken.get());
        }
        log_entry_list_free(&written);
      }
    }));
  }
  // The recipe dialog's totals after an amount is changed, for 8 ingredients.
  single_runs(benchmark::RegisterBenchmark(
      "recipe totals as edited/8 ingredients", [](benchmark::State &s) {
        close_dialogs();
        if (!add_own_foods()) {
          s.SkipWithError("the own foods were not added");
          return;
        }
        GtkWidget *dialog = own_recipe_dialog_open(&bench.state, GTK_WINDOW(bench.state.main_window),
                                                   nullptr, OWN_RECIPE, nullptr);
        const std::vector<OwnFood> &own = food_source_own(bench.state.food_db);
        const int32_t codes[] = {11111000, 63107010, 21500100, 56205000, 75117020, 75105000,
                                 own.empty() ? 57228000 : own[0].food_code, 57228000};
        for (int32_t code : codes) own_recipe_dialog_add(dialog, code, "Food", 100, "", 0);
        GtkWidget *spin = widget_named(dialog, "own-item-amount-0");
        double grams = 100;
        for (auto _ : s) {
          grams = grams == 100 ? 150 : 100;
          RunTimer timer;
          gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), grams);
          timer.Stop(s);
        }
        gtk_widget_destroy(dialog);
      }));
}

int main(int argc, char **argv) {
  setlocale(LC_ALL, "");  // as the program does at start-up
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  if (!open_databases()) {
    close_databases();
    return 1;
  }
  register_query_benchmarks();
  register_ranking_benchmarks();
  register_report_benchmarks();
  register_fill_benchmarks();

  bool widgets = gtk_init_check(&argc, &argv);
  if (!widgets) {
    fprintf(stderr,
            "alimora-bench: note: no display, the widget benchmarks are skipped "
            "(run under xvfb-run)\n");
  } else if (!open_main_window()) {
    fprintf(stderr, "alimora-bench: cannot open the main window\n");
    close_widgets();
    close_databases();
    return 1;
  } else {
    register_widget_benchmarks();
    register_measure_benchmarks();
    register_history_benchmarks();
    register_weight_benchmarks();
    register_quick_log_benchmarks();
    register_own_food_benchmarks();
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (widgets) close_widgets();
  close_databases();
  return 0;
}
