// SPDX-License-Identifier: GPL-3.0-or-later
// Where the programs (alimora, alimora-report, alimora-foods) find their files: the food
// database installed with them and the person's log database by the XDG rules of GLib, as
// the window finds it. The test copies of the programs look in the build tree instead
// (ALIMORA_FOOD_DB_DIR, ALIMORA_LOCALEDIR).
#pragma once

#include <glib.h>
#include <glib/gstdio.h>

#include <string>

#include "config.h"

#ifdef ALIMORA_FOOD_DB_DIR
#define PROGRAM_FOOD_DB_DIR ALIMORA_FOOD_DB_DIR
#else
#define PROGRAM_FOOD_DB_DIR FOOD_DB_DIR
#endif
#ifdef ALIMORA_LOCALEDIR
#define PROGRAM_LOCALEDIR ALIMORA_LOCALEDIR
#else
#define PROGRAM_LOCALEDIR LOCALEDIR
#endif

// The food database: food.db in the program's data directory.
static inline std::string program_food_db_path() {
  return std::string(PROGRAM_FOOD_DB_DIR) + "/food.db";
}

// The log database: $XDG_DATA_HOME/alimora/log.db (by default ~/.local/share/alimora/log.db).
static inline std::string user_log_path() {
  gchar *path = g_build_filename(g_get_user_data_dir(), "alimora", "log.db", nullptr);
  std::string out = path ? path : "";
  g_free(path);
  return out;
}

// Makes the directory of the log database at |log_path| when it is missing, for its owner
// alone (the log holds a person's birth date, weight and diet); one that exists keeps its
// mode. Returns false when it cannot be made.
static inline bool user_log_dir_make(const std::string &log_path) {
  gchar *dir = g_path_get_dirname(log_path.c_str());
  const int result = g_mkdir_with_parents(dir, 0700);
  g_free(dir);
  return result == 0;
}
