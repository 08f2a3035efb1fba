// SPDX-License-Identifier: GPL-3.0-or-later
// The own foods, recipes and meals of a log as one JSON file, to take them to another
// computer or keep them safe: written by "Export..." and alimora-foods export, read by
// "Import..." and alimora-foods import. The file:
//
//   {"format": "alimora-foods", "version": 1,
//    "foods":   [{"name": "Shop granola", "serving_g": 55, "counts_like": 57228000,
//                 "nutrients": {"energy_kcal": 250, "protein_g": 6, "sodium_mg": 120}}],
//    "recipes": [{"name": "Sunday chili", "portions": 6, "cooked_g": 1800,
//                 "ingredients": [{"food_code": 21500100, "grams": 500},
//                                 {"name": "Shop granola", "grams": 55}]}],
//    "meals":   [{"name": "Usual breakfast", "items": [{"food_code": 11111000, "grams": 244}]}]}
//
// Nutrient values are per serving of serving_g grams, keyed as own_nutrient_key names them
// (added sugars in grams); a key left out is unknown. An ingredient or item names a food of
// the food database by "food_code", an own food or recipe of the file or of the log by
// "name"; "measure" and "count" (optional) keep the household measure it was given in.
// Keys that this version does not know are ignored with a warning.
#pragma once

#include <string>
#include <vector>

#include "store/own-foods.h"

struct sqlite3;

// Writes every own food, recipe and meal of |log_db| that is not deleted to |path|, whole or
// not at all. An own food that is deleted but still an ingredient of one written is written
// too, so that the file holds everything its recipes need. Returns 0, or -1 with |*error|
// (translated) saying why.
int own_foods_write_file(sqlite3 *log_db, const char *path, std::string *error);

// Reads the file |path| into |log_db| in one transaction (own_foods_import): the foods whose
// name the log already has are skipped, as |result| tells. Fills |warnings| (emptied first;
// may be null) with the keys that were ignored. The food codes of the file are checked
// against |food_db|, or, when it is null, the food database joined with |log_db| by
// food_db_use_log (none: they are taken as they are). Returns 0, 1 when the file was
// refused with |*error| naming the line or the key (nothing imported), or -1 with |*error|
// saying why it failed (nothing imported).
int own_foods_read_file(sqlite3 *log_db, const char *path, OwnImport *result,
                        std::vector<std::string> *warnings, std::string *error,
                        sqlite3 *food_db = nullptr);
