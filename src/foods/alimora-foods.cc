// SPDX-License-Identifier: GPL-3.0-or-later
// alimora-foods: lists the own foods, recipes and saved meals of the food log, writes them
// to a JSON file and reads such a file into the food log.
#include <glib.h>
#include <sqlite3.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "program-paths.h"
#include "store/log-db.h"
#include "store/own-foods-file.h"
#include "store/own-foods.h"

namespace {

enum ExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct FoodDbCloser {
  void operator()(sqlite3 *handle) const { food_db_close(handle); }
};
struct LogDbCloser {
  void operator()(sqlite3 *handle) const { log_db_close(handle); }
};
using FoodDb = std::unique_ptr<sqlite3, FoodDbCloser>;
using LogDb = std::unique_ptr<sqlite3, LogDbCloser>;

void print_usage() {
  printf("%s",
         _("Usage: alimora-foods list\n"
           "       alimora-foods export FILE\n"
           "       alimora-foods import FILE\n"
           "List the own foods, recipes and saved meals of the food log, one a line: its\n"
           "kind, its food code, its name and its energy (a food's serving, a recipe's\n"
           "portion, a whole meal). Write them all to the JSON file FILE, or read such a\n"
           "file into the food log: the ones whose name the log has already are skipped.\n"
           "\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"));
}

const char *kind_name(OwnKind kind) {
  return kind == OWN_FOOD ? _("food") : kind == OWN_RECIPE ? _("recipe") : _("meal");
}

// The energy of what one line stands for: a food's serving, a recipe's portion, a meal's
// items. Returns false when it is not known (a meal: when no item's energy is known);
// |*partial| tells a meal that some item's energy is missing from.
bool line_kcal(sqlite3 *food_db, const OwnFood &food, double *kcal, bool *partial) {
  *kcal = 0.0;
  *partial = false;
  if (food.kind == OWN_FOOD) {
    *kcal = food.values[SOURCE_ENERGY];
    return (food.known & (1u << SOURCE_ENERGY)) != 0;
  }
  if (food.kind == OWN_RECIPE) {
    FoodValues values;
    if (food_values_of(food_db, food.food_code, &values) != 0 || !values.has_energy) return false;
    const double portion_g = own_recipe_grams(food) / food.portions;
    *kcal = values.kcal * portion_g / 100.0;
    return true;
  }
  bool any = false;
  for (const OwnItem &item : food.items) {
    FoodValues values;
    if (food_values_of(food_db, item.food_code, &values) == 0 && values.has_energy) {
      *kcal += values.kcal * item.grams / 100.0;
      any = true;
    } else {
      *partial = true;
    }
  }
  return any;
}

int list_foods(sqlite3 *food_db, sqlite3 *log_db) {
  if (!log_db) return kExitOk;
  food_db_use_log(food_db, log_db);
  const std::vector<OwnFood> foods = food_source_own(food_db);  // a copy: the lookups below
  for (const OwnFood &food : foods) {
    double kcal = 0.0;
    bool partial = false;
    char energy[64] = "";
    if (line_kcal(food_db, food, &kcal, &partial)) {
      snprintf(energy, sizeof energy, _("%.0f kcal"), kcal);
      if (partial) strncat(energy, " *", sizeof energy - strlen(energy) - 1);
    } else {
      snprintf(energy, sizeof energy, "%s", _("energy unknown"));
    }
    printf("%s\t%d\t%s\t%s\n", kind_name(food.kind), food.food_code, food.name.c_str(), energy);
  }
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, _("alimora: cannot write the list: %s\n"), g_strerror(errno));
    return kExitFailure;
  }
  return kExitOk;
}

int export_foods(sqlite3 *log_db, const char *path) {
  // Without a log there is nothing to write but an empty file: an in-memory log stands in.
  LogDb empty;
  if (!log_db) {
    empty.reset(log_db_open(":memory:"));
    if (!empty) return kExitFailure;
    log_db = empty.get();
  }
  std::string error;
  if (own_foods_write_file(log_db, path, &error) != 0) {
    fprintf(stderr, _("alimora: cannot export to '%s': %s\n"), path, error.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

int import_foods(sqlite3 *food_db, const char *path) {
  const std::string log_path = user_log_path();
  if (log_path.empty() || !user_log_dir_make(log_path)) {
    fprintf(stderr, _("%s: cannot create directory\n"), "alimora");
    return kExitFailure;
  }
  LogDb log_db(log_db_open(log_path.c_str()));
  if (!log_db) return kExitFailure;
  OwnImport result;
  std::vector<std::string> warnings;
  std::string error;
  const int rc = own_foods_read_file(log_db.get(), path, &result, &warnings, &error, food_db);
  for (const std::string &warning : warnings)
    fprintf(stderr, _("alimora: %s: %s\n"), path, warning.c_str());
  if (rc != 0) {
    fprintf(stderr, _("alimora: cannot import '%s': %s\n"), path, error.c_str());
    return kExitFailure;
  }
  for (const std::string &name : result.added) printf(_("Added: %s\n"), name.c_str());
  for (const std::string &name : result.skipped)
    printf(_("Skipped, the log has it already: %s\n"), name.c_str());
  return kExitOk;
}

}  // namespace

int main(int argc, char **argv) {
  setlocale(LC_ALL, "");
  bindtextdomain(GETTEXT_PACKAGE, PROGRAM_LOCALEDIR);
  textdomain(GETTEXT_PACKAGE);

  if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "--version") == 0)) {
    if (argc > 2) {
      fprintf(stderr, _("alimora: %s takes no other arguments\n"), argv[1]);
      return kExitUsage;
    }
    if (argv[1][2] == 'h')
      print_usage();
    else
      printf("alimora-foods %s\n", PACKAGE_VERSION);
    return kExitOk;
  }
  const char *command = argc >= 2 ? argv[1] : nullptr;
  const bool with_file =
      command && (strcmp(command, "export") == 0 || strcmp(command, "import") == 0);
  const bool list = command && strcmp(command, "list") == 0;
  if (!list && !with_file) {
    if (command)
      fprintf(stderr, _("alimora: unknown command '%s'; see alimora-foods --help\n"), command);
    else
      fprintf(stderr, "%s", _("alimora: a command is needed; see alimora-foods --help\n"));
    return kExitUsage;
  }
  if (argc != (with_file ? 3 : 2) || (with_file && argv[2][0] == '\0')) {
    fprintf(stderr, _("alimora: %s takes %s; see alimora-foods --help\n"), command,
            with_file ? _("one file") : _("no other arguments"));
    return kExitUsage;
  }

  FoodDb food_db(food_db_open(program_food_db_path().c_str()));
  if (!food_db) return kExitFailure;
  if (strcmp(command, "import") == 0) return import_foods(food_db.get(), argv[2]);

  sqlite3 *log_handle = nullptr;
  if (log_db_open_read_only(user_log_path().c_str(), &log_handle) == -1) return kExitFailure;
  LogDb log_db(log_handle);
  if (list) return list_foods(food_db.get(), log_db.get());
  return export_foods(log_db.get(), argv[2]);
}
