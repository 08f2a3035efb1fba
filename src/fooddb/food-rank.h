// SPDX-License-Identifier: GPL-3.0-or-later
// Ranked food suggestions: the words of every description held in memory, so that each
// keystroke of the quick-log field ranks all foods without a query, and the person's own
// foods come first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fooddb/food-db.h"

struct sqlite3;

// One word of a description, lower-cased, with where it stands.
struct FoodWord {
  const char *text;   // points into FoodIndexEntry::words_text; NUL-terminated
  uint16_t length;    // bytes
  uint8_t clause;     // 0 for the head (the text before the first comma), then 1, 2, ...
  uint8_t generic;    // 1 in a qualifier that says "not further specified" ("NFS", "NS as to")
  uint8_t minor;      // 1 for a word such as "and", "with", "of"
  uint8_t odd;        // 1 for a word that makes the food something else ("meatless", "dry")
  uint8_t form;       // 1 for a word of a restaurant, school-lunch, fast-food or brand form
  uint8_t negated;    // 1 for a word that the description denies ("milk" of "non-dairy milk")
  uint8_t noun;       // in the head: 1 for the thing the food is ("sauce" of "Spaghetti sauce
                      // with meat"), 2 for a word that qualifies it ("spaghetti"), 3 for
                      // one of what it is made with ("meat"); 0 elsewhere
  uint8_t alternative;  // in the head: which of its "or" alternatives ("Taco or tostada") it is in
  uint8_t open_choice;  // 1 for one of the choices an "NS as to" leaves open ("brewed" of
                        // "Coffee, NS as to brewed or instant")
};

// One food as the ranking sees it.
struct FoodIndexEntry {
  int32_t food_code;    // "Food code"
  char *description;    // owned copy of "Main food description", never null
  int32_t category;     // "WWEIA Category number", 0 when the food database has none
  char *words_text;     // owned: the lower-cased words, each NUL-terminated
  FoodWord *words;      // owned array of word_count words, in description order
  uint16_t word_count;  // words in the description
  uint16_t head_words;  // words of the head (clause 0)
  float base_score;     // what the description scores before any query: generic forms higher
  float dish_cost;      // what base_score takes off for a dish or a mixture
  size_t description_length;  // bytes of the description
};

// Every food of the food database. Empty: items null, count 0, capacity 0.
struct FoodIndex {
  FoodIndexEntry *items;
  size_t count;
  size_t capacity;
};

// How much the person uses a food: foods with a weight above 0 come before all others
// that match, heavier first.
struct FoodRankUse {
  int32_t food_code;
  double weight;  // food_use_weight of its entries
};

// Fills |out| (emptied first) with every food of the food database. Returns 0, or -1 with
// |out| empty after printing why. Free with food_index_free.
int food_index_load(sqlite3 *handle, FoodIndex *out);

// Frees every entry and the array; leaves the index empty. Accepts null.
void food_index_free(FoodIndex *index);

// Adds one food after the last entry of |index|, as food_index_load reads it; the caller keeps
// the index in food-code order. Returns 0, or -1 when memory runs out (printed).
int food_index_append(FoodIndex *index, int32_t food_code, const char *description,
                      int32_t category);

// Frees the entries of |index| from |count| on, which leaves its first |count|.
void food_index_truncate(FoodIndex *index, size_t count);

// The weight of a food logged |count| times, the last time |days_ago| days ago (0 today):
// more often and more recently weigh more. 0 when |count| is 0.
double food_use_weight(unsigned count, int days_ago);

// Fills |out| (emptied first) with at most |limit| foods of |index| whose description has,
// for every word of |text|, a word that starts with it (in any order and case; singular and
// plural forms match each other). Punctuation in |text| only separates words, so "%", "_"
// and quotes match nothing but themselves. Foods in |uses| (|use_count| of them, any
// order) come first, by weight; then the others by how well their description fits: the
// head before a mention, plain and unspecified forms and shorter descriptions before
// dishes, mixtures and baby foods; the thing the typed words name (the last word before
// "with": "spaghetti" of "spaghetti with meat sauce") before foods it only qualifies
// ("Spaghetti sauce with meat"); plain forms before restaurant, school-lunch, fast-food and
// brand forms; mixed alcoholic drinks after all others unless the text names alcohol or the
// drink. Everyday words that the food database words otherwise ("toast", "fries", "cola")
// also stand for its wording (the table kEverydayWords of food-rank.cc). Words such as
// "with" and "and" need not match. Text without words gives an empty list.
// Returns 0, or -1 with |out| empty after printing why. Free with food_hit_list_free.
int food_rank(const FoodIndex *index, const char *text, const FoodRankUse *uses,
              size_t use_count, size_t limit, FoodHitList *out);

// For a text that no food has all the words of ("steamed broccoli", "banana bread"): the
// foods that have the most of its words that any food has (not counting "with", "and", ...),
// each ranked as food_rank ranks it for the words it has; nothing when no food has any, and
// nothing for a text of one word. Returns 0, or -1 with |out| empty after printing why.
// Free with food_hit_list_free.
int food_rank_some_words(const FoodIndex *index, const char *text, const FoodRankUse *uses,
                         size_t use_count, size_t limit, FoodHitList *out);
