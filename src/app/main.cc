// SPDX-License-Identifier: GPL-3.0-or-later
// Process start-up and shutdown: locale, both databases, the calorie target, the run.
#include "config.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <clocale>
#include <cstdio>

#include "app/main-window.h"
#include "fooddb/food-db.h"
#include "fooddb/food-source.h"
#include "i18n.h"
#include "store/log-db.h"

// The test copies of the program look for their data in the build tree.
#ifdef ALIMORA_FOOD_DB_DIR
#define FOOD_DB_DIRECTORY ALIMORA_FOOD_DB_DIR
#else
#define FOOD_DB_DIRECTORY FOOD_DB_DIR
#endif
#ifdef ALIMORA_LOCALEDIR
#define LOCALE_DIRECTORY ALIMORA_LOCALEDIR
#else
#define LOCALE_DIRECTORY LOCALEDIR
#endif

static char food_db_path[1024];

int main(int argc, char **argv) {
  setlocale(LC_ALL, "");
  bindtextdomain(GETTEXT_PACKAGE, LOCALE_DIRECTORY);
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
  // The window class, whatever name the executable was started by.
  g_set_prgname("alimora");
  // Nothing here draws with OpenGL. Without this, GDK's X11 backend sets up GLX when it opens
  // the display, which maps the Mesa driver (with LLVM for software rendering): some 55 MB
  // of resident memory and 25 ms of start-up. A value set by the user is kept.
  g_setenv("GDK_GL", "disable", FALSE);

  snprintf(food_db_path, sizeof food_db_path, "%s/food.db", FOOD_DB_DIRECTORY);
  sqlite3 *food_db = food_db_open(food_db_path);
  if (!food_db) return 1;

  char *log_path = g_build_filename(g_get_user_data_dir(), "alimora", "log.db", NULL);
  if (!log_path) {
    food_db_close(food_db);
    return 1;
  }

  // The log holds a person's birth date, weight and diet: directories made here are for
  // their owner alone. Existing ones keep the mode they have.
  char *log_dir = g_path_get_dirname(log_path);
  int mkdir_result = g_mkdir_with_parents(log_dir, 0700);
  g_free(log_dir);
  if (mkdir_result < 0) {
    fprintf(stderr, _("%s: cannot create directory\n"), "alimora");
    food_db_close(food_db);
    g_free(log_path);
    return 1;
  }

  sqlite3 *log_db = log_db_open(log_path);
  if (!log_db) {
    food_db_close(food_db);
    g_free(log_path);
    return 1;
  }
  // Every query of the food database answers for the own foods of the log too.
  food_db_use_log(food_db, log_db);

  Profile profile;
  int32_t target = 2000;
  if (profile_load(log_db, &profile) == 0 && profile.calorie_target >= 1)
    target = profile.calorie_target;
  profile_clear(&profile);

  int status = run_application(food_db, log_db, target, argc, argv);

  log_db_close(log_db);
  food_db_close(food_db);
  g_free(log_path);
  return status;
}
