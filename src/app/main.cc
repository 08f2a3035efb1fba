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
#include "program-paths.h"
#include "store/log-db.h"

int main(int argc, char **argv) {
  setlocale(LC_ALL, "");
  bindtextdomain(GETTEXT_PACKAGE, PROGRAM_LOCALEDIR);
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
  // The window class, whatever name the executable was started by.
  g_set_prgname("alimora");
  // Nothing here draws with OpenGL. Without this, GDK's X11 backend sets up GLX when it opens
  // the display, which maps the Mesa driver (with LLVM for software rendering): some 55 MB
  // of resident memory and 25 ms of start-up. A value set by the user is kept.
  g_setenv("GDK_GL", "disable", FALSE);

  sqlite3 *food_db = food_db_open(program_food_db_path().c_str());
  if (!food_db) return 1;

  const std::string log_path = user_log_path();
  if (log_path.empty() || !user_log_dir_make(log_path)) {
    fprintf(stderr, _("%s: cannot create directory\n"), "alimora");
    food_db_close(food_db);
    return 1;
  }

  sqlite3 *log_db = log_db_open(log_path.c_str());
  if (!log_db) {
    food_db_close(food_db);
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
  return status;
}
