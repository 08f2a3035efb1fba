// SPDX-License-Identifier: GPL-3.0-or-later
// The person's own foods, recipes and saved meals in the quick log and the food pickers of
// the dialogs: their part of the ranked index, renewed whenever they change; a meal logged
// from a suggestion in one write with one Undo; "Create food" when nothing matches; and
// "Save as Meal…" in the nav row of the Food Log.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/gui-state.h"
#include "fooddb/food-rank.h"
#include "store/own-foods.h"

// Object data of the main window: the "Save as Meal…" button of the nav row.
#define KEY_SAVE_MEAL_BUTTON "save-meal-button"
// Object data of the main window: the "Create food" button of the quick log's no-match box.
#define KEY_CREATE_FOOD_BUTTON "create-food-button"

// What of an index is the food database's and which own foods the rest was made from.
struct OwnIndexPart {
  size_t base = static_cast<size_t>(-1);  // entries of the food database; unknown at first
  uint64_t generation = 0;                // food_source_generation the rest was made from
};

// Brings the own part of |index| (a food database index of food_index_load, in food-code
// order) up to date with the own foods |food_db| resolves: every own food and recipe by its
// name and every meal by own_meal_label, after the food database's foods.
void own_index_update(sqlite3 *food_db, FoodIndex *index, OwnIndexPart *part);

// How a meal shows among foods: "Usual breakfast (meal, 4 foods, 650 kcal)".
std::string own_meal_label(sqlite3 *food_db, const OwnFood &meal);

// The energy of |food|'s serving (an own food), portion (a recipe) or whole (a meal), in
// kcal; negative when unknown.
double own_food_kcal(sqlite3 *food_db, const OwnFood &food);

// The index the dialogs' food pickers rank: the food database and the own foods, up to date.
const FoodIndex *own_search_index(GuiState *state);

// Logs every item of |meal| on the date on display in one write: the views are redrawn and
// the notification names the meal with one Undo for all of it. A failed write is told and
// logs nothing. Returns whether it logged.
bool own_meal_log_shown(GuiState *state, const OwnFood &meal);

// Adds the own part to the quick log's |index| and renews it when the own foods changed.
void quick_log_own_index(GuiState *state, FoodIndex *index);

// Enter on the quick log's suggestion |food_code|: a meal is logged here (true); any other
// food is left to the quick log (false).
bool quick_log_own_choose(GuiState *state, int32_t food_code);

// Enter while nothing matches the quick log's text: opens the food dialog with that name.
void quick_log_own_no_match_enter(GuiState *state);

// After a redraw of the view: "Save as Meal…" is there for a date with entries.
void quick_log_own_view_changed(GuiState *state, bool has_entries);

// Adds "Create food “…”" to the quick log's no-match box and "Save as Meal…" after the nav
// row's buttons. Call after quick_log_install.
void quick_log_own_install(GuiState *state);
