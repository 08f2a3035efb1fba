// SPDX-License-Identifier: GPL-3.0-or-later
// Ranked food suggestions: every description split into lower-cased words once, then each
// typed text matched word by word and scored, the person's own foods first.
#include "fooddb/food-rank.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "i18n.h"

namespace {

const size_t kFirstCapacity = 64;  // entries of the index's first allocation
const size_t kMaxWords = 64;       // words of a description or a typed text that count

// Scores. A typed word that is a whole word of the description counts more than one that
// only starts a word; a word of the head more than one of a qualifier; the first word of
// the description most.
const float kWholeWord = 3.0f;
const float kWordStart = 1.0f;
const float kInHead = 2.0f;
const float kFirstWord = 1.5f;
const float kLetterShort = 0.05f;  // each letter that a started word still lacks
// Words of the description that nothing typed stands for.
const float kUnmatchedHead = 2.0f;      // "Almond" of "Almond milk" for "milk"
const float kUnmatchedHeadMinor = 0.3f; // "or" of "Frankfurter or hot dog"
const float kUnmatchedWord = 0.5f;      // "whole" of "Milk, whole" for "milk"
const float kUnmatchedOddity = 1.5f;    // "meatless" of "Chicken, meatless" for "chicken"
const float kUnmatchedMinor = 0.05f;    // words of "NS as to fat", "of", "with"
// What the description says before anything is typed.
const float kNotFurtherSpecified = 1.2f;  // "NFS"
const float kNotSpecifiedAsTo = 0.9f;     // "NS as to fat"
const float kRaw = 1.25f;
const float kRawUnusual = 1.0f;  // "Ground beef, raw": meat, fish and eggs are eaten cooked
const float kPlain = 0.5f;
const float kMixtureHead = 1.0f;   // "Apples and pears", "Rice cereal with apples"
const float kMixedDish = 1.5f;     // categories of mixed dishes, sandwiches, soups
const float kBabyFood = 6.0f;      // baby foods, formulas, human milk
// Forms of a food, and what the typed words say of them.
const float kUnmatchedForm = 3.0f;   // "restaurant", "school", "(Kellogg's ...)" not typed
const float kNegatedMatch = 4.0f;    // a typed word that the description denies
const float kQualifierOnly = 4.5f;   // the thing typed only qualifies the food's own thing
const float kUnaskedAlcohol = 8.0f;  // a mixed alcoholic drink when no alcohol is named
const float kEverydayReading = 0.25f;  // the database's wording of everyday words, if tied
const float kOpenChoice = 1.5f;  // a typed word found among the choices of an "NS as to"
const float kMinorMatch = 0.5f;
const size_t kMostDroppedWords = 3;  // of a text that no food has all the words of  // a typed "with", "and", ... found in the description

const char *const kMinorWords[] = {"a",  "an",   "and", "as", "for", "from", "in",
                                   "of", "on",   "or",  "the", "to", "with", "w"};

// Words that make a food something else than the plain food that its head names.
const char *const kOddWords[] = {"meatless", "imitation", "substitute", "vegetarian", "vegan",
                                 "dry",      "dried",     "powder",     "mix",        "concentrate"};

// Words of a form that is not the plain, generic food: where it was made or served.
const char *const kFormWords[] = {"restaurant", "school", "cafeteria", "fast", "lunch", "meal"};

// Words that deny the next word or two of their clause ("non-dairy milk", "no added fat").
const char *const kNegations[] = {"non", "no", "without"};

// Typed words that name alcohol: with one of them a mixed alcoholic drink is what is meant.
const char *const kAlcoholWords[] = {
    "alcohol", "alcoholic", "rum",     "vodka",  "gin",   "whiskey", "whisky",   "bourbon",
    "scotch",  "brandy",    "tequila", "liquor", "liqueur", "cocktail", "wine",  "beer",
    "sake",    "margarita", "martini", "mojito", "daiquiri", "sangria", "spiked", "cognac"};

// The WWEIA category of liquor and cocktails: mixed drinks such as "Rum and cola".
const int32_t kMixedAlcoholCategory = 7506;

bool is_one_of(const char *word, size_t length, const char *const *list, size_t count) {
  for (size_t i = 0; i < count; i++)
    if (strlen(list[i]) == length && memcmp(list[i], word, length) == 0) return true;
  return false;
}

bool is_minor_word(const char *word, size_t length) {
  return is_one_of(word, length, kMinorWords, sizeof kMinorWords / sizeof *kMinorWords);
}

bool is_odd_word(const char *word, size_t length) {
  return is_one_of(word, length, kOddWords, sizeof kOddWords / sizeof *kOddWords);
}

bool is_form_word(const char *word, size_t length) {
  return is_one_of(word, length, kFormWords, sizeof kFormWords / sizeof *kFormWords);
}

bool is_negation(const char *word, size_t length) {
  return is_one_of(word, length, kNegations, sizeof kNegations / sizeof *kNegations);
}

bool is_alcohol_word(const char *word, size_t length) {
  return is_one_of(word, length, kAlcoholWords, sizeof kAlcoholWords / sizeof *kAlcoholWords);
}

bool word_is(const FoodWord &word, const char *text) {
  return word.length == strlen(text) && memcmp(word.text, text, word.length) == 0;
}

// Bytes that belong to words: ASCII letters and digits, and every byte of a UTF-8
// sequence, which is compared as it is.
bool is_word_byte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Where a clause ends: the head runs to the first comma, semicolon or parenthesis.
bool is_clause_break(char c) { return c == ',' || c == ';' || c == '(' || c == ')'; }

// One word cut out of a text: its lower-cased bytes, how many clause breaks came before,
// and how it was written.
struct Token {
  std::string text;
  unsigned clause;
  bool capital = false;      // began with a capital letter
  bool in_brackets = false;  // inside parentheses
  bool alternative = false;  // a "/" came since the last word ("Hot chocolate / Cocoa")
};

// Splits |text| into lower-cased words. An apostrophe inside a word is left out
// ("McDonald's" reads "mcdonalds"); every other byte that is no word byte separates.
void split_words(const char *text, std::vector<Token> *out) {
  out->clear();
  unsigned clause = 0;
  bool pending_break = false;  // a clause break came since the last word
  bool brackets = false, slash = false, capital = false;
  std::string word;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text);; ++p) {
    const unsigned char c = *p;
    if (c != '\0' && is_word_byte(c)) {
      if (word.empty()) {
        if (pending_break) ++clause;
        pending_break = false;
        capital = c >= 'A' && c <= 'Z';
      }
      word += static_cast<char>(lower(c));
      continue;
    }
    if (c == '\'' && !word.empty() && is_word_byte(p[1])) continue;
    if (!word.empty()) {
      if (out->size() < kMaxWords) out->push_back(Token{word, clause, capital, brackets, slash});
      word.clear();
      slash = false;
    }
    if (c == '\0') break;
    if (is_clause_break(static_cast<char>(c)) && !out->empty()) pending_break = true;
    if (c == '(') brackets = true;
    if (c == ')') brackets = false;
    if (c == '/') slash = true;
  }
}

// The singular forms a word may stand for besides itself: without "s", without "es", and
// "ies" turned into "y" ("tomatoes" -> "tomato", "berries" -> "berry", "cheeses" ->
// "cheese"). Words of three letters or fewer, and words in "ss", "us" or "is", have none.
struct Forms {
  size_t lengths[2];  // prefixes of the word that may be its singular
  size_t count;
  size_t y_stem;      // length of the stem before "ies", which takes a "y"; 0 when none
};

Forms singular_forms(const char *word, size_t length) {
  Forms forms{{0, 0}, 0, 0};
  if (length < 4 || word[length - 1] != 's') return forms;
  const char before = word[length - 2];
  if (before != 's' && before != 'u' && before != 'i') forms.lengths[forms.count++] = length - 1;
  if (before == 'e' && length >= 5) forms.lengths[forms.count++] = length - 2;
  if (before == 'e' && word[length - 3] == 'i' && length >= 5) forms.y_stem = length - 3;
  return forms;
}

// Whether |a| and |b| are the same word, one perhaps the plural of the other.
bool same_word(const char *a, size_t a_length, const char *b, size_t b_length) {
  if (a_length == b_length && memcmp(a, b, a_length) == 0) return true;
  // Forms differ by two letters at most and share all but the last three.
  const size_t shorter = a_length < b_length ? a_length : b_length;
  const size_t longer = a_length < b_length ? b_length : a_length;
  if (longer - shorter > 2 || shorter < 3 || memcmp(a, b, shorter - 3 > 0 ? shorter - 3 : 0) != 0)
    return false;
  const Forms fa = singular_forms(a, a_length);
  const Forms fb = singular_forms(b, b_length);
  // A plural against the plain word.
  for (size_t i = 0; i < fa.count; i++)
    if (fa.lengths[i] == b_length && memcmp(a, b, b_length) == 0) return true;
  for (size_t i = 0; i < fb.count; i++)
    if (fb.lengths[i] == a_length && memcmp(a, b, a_length) == 0) return true;
  // "berries" against "berry".
  if (fa.y_stem && b_length == fa.y_stem + 1 && b[fa.y_stem] == 'y' &&
      memcmp(a, b, fa.y_stem) == 0)
    return true;
  if (fb.y_stem && a_length == fb.y_stem + 1 && a[fb.y_stem] == 'y' &&
      memcmp(a, b, fb.y_stem) == 0)
    return true;
  // Two plurals of one word.
  for (size_t i = 0; i < fa.count; i++)
    for (size_t j = 0; j < fb.count; j++)
      if (fa.lengths[i] == fb.lengths[j] && memcmp(a, b, fa.lengths[i]) == 0) return true;
  return false;
}

bool is_baby_category(int32_t category) {
  return (category >= 9002 && category <= 9406) || category == 9602;
}

bool is_mixed_dish_category(int32_t category) { return category >= 3002 && category <= 3802; }

// Whether "raw" is the usual form of a food of |category|: fruits, vegetables, garlic and
// herbs, and foods without a category (the person's own). Raw fish, meat, eggs or batter
// are not what "salmon", "ground beef" or "egg white" means: they come after a cooked form.
bool raw_is_usual(int32_t category) {
  return category == 0 || (category >= 6002 && category <= 6804) || category == 8406 ||
         category == 9999;
}

// What a description scores before anything is typed, and which of its words only say
// that something is not specified.
float describe(FoodIndexEntry *entry) {
  FoodWord *words = entry->words;
  const uint16_t n = entry->word_count;
  // Clauses that say "not (further) specified": "NFS", "NS as to fat", and the list that
  // an "NS as to" opens ("NS as to regular, quick, or instant").
  unsigned clauses = n ? words[n - 1].clause + 1u : 0u;
  std::vector<int> kind(clauses, 0);  // 1 generic, 2 opens with "ns", 3 opens with "or"
  for (uint16_t i = 0; i < n; i++) {
    const FoodWord &w = words[i];
    const bool first = i == 0 || words[i - 1].clause != w.clause;
    if (w.clause == 0) continue;
    if (word_is(w, "nfs")) kind[w.clause] = std::max(kind[w.clause], 1);
    if (first && word_is(w, "ns")) kind[w.clause] = 2;
    if (first && word_is(w, "or") && kind[w.clause] == 0) kind[w.clause] = 3;
    // "cooked" alone: how the food is eaten, said of no particular way; "regular" alone: the
    // usual form ("Mayonnaise, regular" before "..., light").
    if (first && (word_is(w, "cooked") || word_is(w, "regular")) &&
        (i + 1 == n || words[i + 1].clause != w.clause))
      kind[w.clause] = std::max(kind[w.clause], 1);
    // "no added fat": the plain preparation.
    if (first && word_is(w, "no") && i + 2 < n && word_is(words[i + 1], "added") &&
        word_is(words[i + 2], "fat"))
      kind[w.clause] = std::max(kind[w.clause], 1);
  }
  std::vector<bool> open(clauses, false);  // the clauses of an "NS as to" list
  for (unsigned c = 1; c < clauses; c++) open[c] = kind[c] == 2;
  for (unsigned c = 1; c + 1 < clauses; c++)
    if (kind[c] == 0 && kind[c - 1] == 2 && kind[c + 1] == 3) {
      kind[c] = 1;
      open[c] = true;
    }
  for (unsigned c = 1; c < clauses; c++) {
    if (kind[c] == 3 && kind[c - 1] != 2 && !(c >= 2 && kind[c - 2] == 2)) kind[c] = 0;
    if (kind[c] == 3) open[c] = true;
  }
  for (uint16_t i = 0; i < n; i++) {
    FoodWord &w = words[i];
    w.open_choice = w.clause < clauses && open[w.clause] && !word_is(w, "ns") &&
                            !word_is(w, "as") && !word_is(w, "to") && !word_is(w, "or")
                        ? 1
                        : 0;
  }

  float score = 0.0f;
  bool nfs = false, ns = false, raw = false, plain = false, mixture = false, baby = false;
  for (uint16_t i = 0; i < n; i++) {
    FoodWord &w = words[i];
    w.generic = w.clause < clauses && kind[w.clause] != 0 ? 1 : 0;
    if (word_is(w, "nfs")) nfs = true;
    if (w.clause > 0 && kind[w.clause] == 2) ns = true;
    if (w.clause > 0 && word_is(w, "raw")) raw = true;
    if (w.clause > 0 && word_is(w, "plain")) plain = true;
    if (w.clause == 0 && (word_is(w, "with") || word_is(w, "and"))) mixture = true;
    if (word_is(w, "infant") || word_is(w, "toddler") ||
        (word_is(w, "baby") && i + 1 < n && word_is(words[i + 1], "food")))
      baby = true;
  }
  if (nfs) score += kNotFurtherSpecified;
  else if (ns) score += kNotSpecifiedAsTo;
  if (raw) score += raw_is_usual(entry->category) ? kRaw : -kRawUnusual;
  if (plain) score += kPlain;
  entry->dish_cost = (mixture ? kMixtureHead : 0.0f) +
                     (is_mixed_dish_category(entry->category) ? kMixedDish : 0.0f);
  score -= entry->dish_cost;
  if (baby || is_baby_category(entry->category)) score -= kBabyFood;
  return score;
}

// Marks the words of |entry| that say a form (restaurant, school lunch, fast food, a brand
// in parentheses), the words that a "non", "no" or "without" denies, and in the head the
// thing the food is against the words that qualify it: the head is read as alternatives
// ("Egg omelet or scrambled egg", "Hot chocolate / Cocoa"), each up to its first "with",
// "and", "in", ..., whose last word is the thing.
void mark_words(FoodIndexEntry *entry, const std::vector<Token> &tokens) {
  FoodWord *words = entry->words;
  const uint16_t n = entry->word_count;
  for (uint16_t i = 0; i < n; i++) {
    FoodWord &w = words[i];
    const Token &t = tokens[i];
    w.form = is_form_word(w.text, w.length) || (t.in_brackets && t.capital) ||
             (i > 0 && word_is(w, "food") && word_is(words[i - 1], "fast"));
    if (!is_negation(w.text, w.length)) continue;
    const bool two = word_is(w, "non") || (i + 1 < n && word_is(words[i + 1], "added"));
    for (uint16_t j = i + 1; j < n && j <= i + (two ? 2 : 1) && words[j].clause == w.clause; j++)
      words[j].negated = 1;
  }
  uint16_t start = 0;  // first word of the alternative
  unsigned alternative = 0;
  for (uint16_t i = 0; i <= entry->head_words; i++) {
    const bool joins = i < entry->head_words && (word_is(words[i], "or") || word_is(words[i], "and"));
    if (i < entry->head_words && !joins && !tokens[i].alternative) continue;
    // The words of the alternative before its "with", "in", ...: the last is the thing;
    // those after it say what the thing is made with or of.
    uint16_t last = start;
    while (last < i && !words[last].minor) last++;
    for (uint16_t j = start; j < i; j++) {
      words[j].noun = j + 1 == last ? 1 : j < last ? 2 : 3;
      words[j].alternative = static_cast<uint8_t>(std::min(alternative, 255u));
    }
    if (joins) words[i].alternative = static_cast<uint8_t>(std::min(alternative, 255u));
    // "and" and "/" join the parts of a mixture ("Iced Tea / Lemonade"), "or" alternatives.
    if (i < entry->head_words && word_is(words[i], "or")) alternative++;
    start = static_cast<uint16_t>(joins ? i + 1 : i);
  }
}

void entry_free(FoodIndexEntry *entry) {
  free(entry->description);
  free(entry->words_text);
  free(entry->words);
}

// Fills |entry| for one food. Returns false when memory runs out (|entry| then owns
// nothing).
bool entry_fill(FoodIndexEntry *entry, int32_t code, const char *description, int32_t category,
                std::vector<Token> *tokens) {
  *entry = FoodIndexEntry{code, nullptr, category, nullptr, nullptr, 0, 0, 0.0f, 0.0f, 0};
  split_words(description, tokens);
  size_t bytes = 0;
  for (const Token &t : *tokens) bytes += t.text.size() + 1;
  entry->description = strdup(description);
  entry->words_text = static_cast<char *>(malloc(bytes ? bytes : 1));
  entry->words = static_cast<FoodWord *>(malloc((tokens->empty() ? 1 : tokens->size()) *
                                                sizeof(FoodWord)));
  if (!entry->description || !entry->words_text || !entry->words) {
    entry_free(entry);
    *entry = FoodIndexEntry{};
    return false;
  }
  char *at = entry->words_text;
  for (const Token &t : *tokens) {
    memcpy(at, t.text.c_str(), t.text.size() + 1);
    FoodWord &w = entry->words[entry->word_count++];
    w = FoodWord{at, static_cast<uint16_t>(t.text.size()),
                 static_cast<uint8_t>(std::min(t.clause, 255u)), 0,
                 static_cast<uint8_t>(is_minor_word(at, t.text.size())),
                 static_cast<uint8_t>(is_odd_word(at, t.text.size())), 0, 0, 0, 0, 0};
    if (t.clause == 0) entry->head_words++;
    at += t.text.size() + 1;
  }
  mark_words(entry, *tokens);
  entry->base_score = describe(entry);
  entry->description_length = strlen(description);
  return true;
}

bool make_room(FoodIndex *index) {
  if (index->count < index->capacity) return true;
  const size_t grown = index->capacity == 0 ? kFirstCapacity : index->capacity * 2;
  if (grown > static_cast<size_t>(-1) / sizeof(FoodIndexEntry)) return false;
  auto *larger = static_cast<FoodIndexEntry *>(realloc(index->items, grown * sizeof(FoodIndexEntry)));
  if (!larger) return false;
  index->items = larger;
  index->capacity = grown;
  return true;
}

const char kIndexSql[] =
    "SELECT \"Food code\", \"Main food description\", \"WWEIA Category number\" FROM foods "
    "ORDER BY \"Food code\"";
// A food database without categories still ranks, without the category's judgement.
const char kIndexWithoutCategorySql[] =
    "SELECT \"Food code\", \"Main food description\", 0 FROM foods ORDER BY \"Food code\"";

// One typed word.
struct QueryWord {
  std::string text;
};

// Everyday words and the database's wording for them. A typed phrase (its words in a row,
// singular or plural) also stands for the words meant, in its place; the food then has to
// fit one reading or the other, and the better fit counts.
struct EverydayWords {
  const char *typed;      // one or more words, lower case
  const char *meant;      // the database's words for them
  bool alone;             // only when the phrase is all that is typed
  const char *not_after;  // a word before the phrase that keeps it as it is, or null
};

const EverydayWords kEverydayWords[] = {
    // Spellings and short names.
    {"soda", "soft drink", false, nullptr},
    {"pop", "soft drink", true, nullptr},
    {"coke", "soft drink cola", false, nullptr},
    {"coke", "cola", false, nullptr},  // "rum and coke"
    {"cola", "soft drink cola", false, nullptr},
    {"black coffee", "coffee brewed", false, nullptr},
    {"donut", "doughnut", false, nullptr},
    {"yoghurt", "yogurt", false, nullptr},
    {"burger", "hamburger", false, nullptr},
    {"hotdog", "frankfurter", false, nullptr},
    {"oj", "orange juice", false, nullptr},
    {"catsup", "ketchup", false, nullptr},
    {"veggie", "vegetable", false, nullptr},
    {"mac", "macaroni", false, nullptr},
    {"milkshake", "milk shake", false, nullptr},
    {"spaghetti", "pasta", true, nullptr},
    {"wine", "wine table", true, nullptr},  // not rice wine
    {"chili", "chili con carne", true, nullptr},  // the dish, not the pepper
    {"ramen", "noodle soup", false, nullptr},
    {"blt", "bacon lettuce tomato sandwich", false, nullptr},
    {"sparkling water", "carbonated water", false, nullptr},
    {"seltzer", "carbonated water", false, nullptr},
    {"string cheese", "cheese mozzarella", false, nullptr},
    {"banana bread", "cake banana", false, nullptr},
    {"corn on the cob", "corn fresh cooked", false, nullptr},
    // A way of cooking that the database words as "cooked" for most foods.
    {"steamed", "cooked", false, nullptr},
    {"egg", "egg whole", true, nullptr},     // not the white or the yolk alone
    {"eggs", "egg whole", true, nullptr},
    // Dishes that the database names by what they are made of.
    {"toast", "bread toasted", false, "french"},  // not French toast
    {"fries", "french fries", false, nullptr},
    {"salad", "lettuce salad", true, nullptr},
    {"green salad", "lettuce salad", false, nullptr},
    {"garden salad", "lettuce salad", false, nullptr},
    {"side salad", "lettuce salad", false, nullptr},
    {"mixed salad", "lettuce salad", false, nullptr},
    {"tossed salad", "lettuce salad", false, nullptr},
    // Drinks as they are poured: coffee with milk is a coffee with milk in it or the brewed
    // coffee it is made with, tea is tea of leaves before herbal infusions.
    {"coffee with milk", "coffee cafe con leche", false, nullptr},
    {"coffee and milk", "coffee cafe con leche", false, nullptr},
    {"white coffee", "coffee cafe con leche", false, nullptr},
    {"coffee with milk", "coffee brewed", false, nullptr},
    {"coffee and milk", "coffee brewed", false, nullptr},
    {"tea", "tea leaf", false, nullptr},
};

std::vector<std::string> words_of(const char *phrase) {
  std::vector<std::string> words;
  std::string word;
  for (const char *p = phrase;; ++p) {
    if (*p == ' ' || *p == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (*p == '\0') break;
    } else {
      word += *p;
    }
  }
  return words;
}

bool same_text(const std::string &a, const std::string &b) {
  return same_word(a.c_str(), a.size(), b.c_str(), b.size());
}

// One reading of the typed words.
struct QueryVariant {
  std::vector<QueryWord> words;
  float cost;  // 0 for the words as typed
};

// The typed words, and each reading that the table of everyday words gives them.
std::vector<QueryVariant> query_variants(const std::vector<QueryWord> &query) {
  std::vector<QueryVariant> variants{QueryVariant{query, 0.0f}};
  for (const EverydayWords &entry : kEverydayWords) {
    const std::vector<std::string> typed = words_of(entry.typed);
    if (typed.size() > query.size() || (entry.alone && typed.size() != query.size())) continue;
    for (size_t i = 0; i + typed.size() <= query.size(); i++) {
      bool fits = true;
      for (size_t k = 0; k < typed.size() && fits; k++) fits = same_text(query[i + k].text, typed[k]);
      if (!fits || (entry.not_after && i > 0 && same_text(query[i - 1].text, entry.not_after)))
        continue;
      QueryVariant variant{std::vector<QueryWord>(query.begin(), query.begin() + static_cast<long>(i)),
                           kEverydayReading};
      for (const std::string &word : words_of(entry.meant)) variant.words.push_back(QueryWord{word});
      variant.words.insert(variant.words.end(), query.begin() + static_cast<long>(i + typed.size()),
                           query.end());
      variants.push_back(variant);
      break;
    }
  }
  return variants;
}

// The typed word that names the thing meant: the last one before the first "with", "and",
// "in", ... ("spaghetti" of "spaghetti with meat sauce"), else the last one.
size_t thing_of(const std::vector<QueryWord> &query) {
  for (size_t i = 1; i < query.size(); i++)
    if (is_minor_word(query[i].text.c_str(), query[i].text.size())) return i - 1;
  return query.empty() ? 0 : query.size() - 1;
}

// Whether the typed words name alcohol, or deny something themselves.
bool names_alcohol(const std::vector<QueryWord> &query) {
  for (const QueryWord &q : query)
    if (is_alcohol_word(q.text.c_str(), q.text.size())) return true;
  return false;
}

bool denies(const std::vector<QueryWord> &query) {
  for (const QueryWord &q : query)
    if (is_negation(q.text.c_str(), q.text.size())) return true;
  return false;
}

// One reading of the typed words, with what the scoring asks of it.
struct Reading {
  std::vector<QueryWord> words;
  float cost;              // 0 for the words as typed
  size_t thing;            // the word that names the thing meant
  bool alcohol;            // the words name alcohol
  bool denies;             // the words say "no", "non" or "without" themselves
  std::vector<bool> minor; // per word: "with", "and", ..., which may match nothing
};

Reading reading_of(const QueryVariant &variant) {
  Reading r{variant.words, variant.cost, thing_of(variant.words), names_alcohol(variant.words),
            denies(variant.words), {}};
  for (const QueryWord &q : r.words)
    r.minor.push_back(r.words.size() > 1 && is_minor_word(q.text.c_str(), q.text.size()));
  return r;
}

// How one description fits the typed words; false when a typed word is missing from it.
bool score_entry(const FoodIndexEntry &entry, const Reading &reading, float *score) {
  bool matched[kMaxWords] = {};
  float total = entry.base_score - reading.cost;
  bool thing_is_thing = false, thing_qualifies = false, names_first = false;
  size_t named = 0, named_in_head = 0;  // words other than "with", "and", ...; of them in the head
  for (size_t k = 0; k < reading.words.size(); k++) {
    const char *qt = reading.words[k].text.c_str();
    const size_t ql = reading.words[k].text.size();
    float best = -1.0f;
    int best_word = -1;
    for (uint16_t i = 0; i < entry.word_count; i++) {
      const FoodWord &w = entry.words[i];
      if (w.text[0] != qt[0]) continue;
      float value;
      if (same_word(w.text, w.length, qt, ql))
        value = kWholeWord;
      else if (w.length > ql && memcmp(w.text, qt, ql) == 0)
        // A word still being typed is more likely the shorter word: "mil", "milk", "millet".
        value = kWordStart - std::min(kWordStart / 2, kLetterShort * (w.length - ql));
      else
        continue;
      if (reading.minor[k] && w.minor) {
        value = kMinorMatch;
      } else {
        if (w.clause == 0) value += kInHead;
        if (i == 0) value += kFirstWord;
      }
      // A choice the description leaves open fits less than a food that is what was typed:
      // "coffee brewed" means "Coffee, brewed", not "Coffee, NS as to brewed or instant".
      if (w.open_choice) value -= kOpenChoice;
      // A word already taken by another typed word counts less the second time.
      if (matched[i]) value -= kWholeWord;
      if (w.negated && !reading.denies) value -= kNegatedMatch;
      if (k == reading.thing) {
        // "Egg omelet or scrambled egg": the thing may be named in any of the alternatives.
        if (w.noun == 1) thing_is_thing = true;
        if (w.noun >= 2) thing_qualifies = true;
      }
      if (value > best) {
        best = value;
        best_word = i;
      }
    }
    if (best_word < 0) {
      if (reading.minor[k]) continue;  // "bagel with cream cheese" fits "Bagel, cream cheese"
      return false;
    }
    matched[best_word] = true;
    names_first = names_first || best_word == 0;
    if (!reading.minor[k]) {
      named++;
      if (entry.words[best_word].clause == 0) named_in_head++;
    }
    total += best;
  }
  if (thing_qualifies && !thing_is_thing) total -= kQualifierOnly;
  // Alternatives of the head that nothing typed stands for ("tostada" of "Taco or tostada").
  uint32_t alternatives_named = 0;
  for (uint16_t i = 0; i < entry.head_words; i++)
    if (matched[i] && entry.words[i].alternative < 32) alternatives_named |= 1u << entry.words[i].alternative;
  // A dish named by all the typed words is what is meant, not a plain food of its parts.
  if (named >= 2 && named == named_in_head) total += entry.dish_cost;
  if (entry.category == kMixedAlcoholCategory && !reading.alcohol && !names_first)
    total -= kUnaskedAlcohol;
  for (uint16_t i = 0; i < entry.word_count; i++) {
    if (matched[i]) continue;
    const FoodWord &w = entry.words[i];
    // A word said twice ("Egg omelet or scrambled egg") was typed once.
    bool repeated = false;
    for (uint16_t j = 0; j < entry.word_count && !repeated; j++)
      repeated = matched[j] && entry.words[j].length == w.length &&
                 memcmp(entry.words[j].text, w.text, w.length) == 0;
    if (repeated) continue;
    const bool other = w.clause == 0 && w.alternative < 32 && alternatives_named != 0 &&
                       !(alternatives_named & (1u << w.alternative));
    const bool minor = w.generic || w.minor || other;
    if (w.form)
      total -= kUnmatchedForm;
    else if (w.clause != 0 && w.odd)
      total -= kUnmatchedOddity;
    else if (w.clause == 0)
      total -= minor ? kUnmatchedHeadMinor : kUnmatchedHead;
    else
      total -= minor ? kUnmatchedMinor : kUnmatchedWord;
  }
  *score = total;
  return true;
}

struct Candidate {
  size_t entry;   // position in the index
  double weight;  // the person's use; 0 for foods never logged
  float score;    // fit of the description
};

void report_memory_exhausted() { fprintf(stderr, "%s", _("alimora: memory exhausted\n")); }

}  // namespace

int food_index_load(sqlite3 *handle, FoodIndex *out) {
  *out = FoodIndex{nullptr, 0, 0};
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(handle, kIndexSql, -1, &stmt, nullptr) != SQLITE_OK &&
      sqlite3_prepare_v2(handle, kIndexWithoutCategorySql, -1, &stmt, nullptr) != SQLITE_OK) {
    fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
    return -1;
  }
  int rc;
  try {
    std::vector<Token> tokens;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const unsigned char *text = sqlite3_column_text(stmt, 1);
      const char *description = text ? reinterpret_cast<const char *>(text) : "";
      if (!make_room(out) ||
          !entry_fill(&out->items[out->count], sqlite3_column_int(stmt, 0), description,
                      sqlite3_column_int(stmt, 2), &tokens)) {
        report_memory_exhausted();
        sqlite3_finalize(stmt);
        food_index_free(out);
        return -1;
      }
      out->count++;
    }
  } catch (const std::bad_alloc &) {
    report_memory_exhausted();
    sqlite3_finalize(stmt);
    food_index_free(out);
    return -1;
  }
  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE) return 0;
  fprintf(stderr, _("alimora: SQL error: %s\n"), sqlite3_errmsg(handle));
  food_index_free(out);
  return -1;
}

void food_index_free(FoodIndex *index) {
  if (!index) return;
  for (size_t i = 0; i < index->count; i++) entry_free(&index->items[i]);
  free(index->items);
  *index = FoodIndex{nullptr, 0, 0};
}

int food_index_append(FoodIndex *index, int32_t food_code, const char *description,
                      int32_t category) {
  try {
    std::vector<Token> tokens;
    if (make_room(index) && entry_fill(&index->items[index->count], food_code,
                                       description ? description : "", category, &tokens)) {
      index->count++;
      return 0;
    }
  } catch (const std::bad_alloc &) {
  }
  report_memory_exhausted();
  return -1;
}

void food_index_truncate(FoodIndex *index, size_t count) {
  while (index->count > count) entry_free(&index->items[--index->count]);
}

double food_use_weight(unsigned count, int days_ago) {
  if (count == 0) return 0.0;
  if (days_ago < 0) days_ago = 0;
  // Each use counts, with diminishing returns; a use last week counts as much as about
  // fifteen uses a year ago.
  return std::log2(1.0 + count) + 4.0 / (1.0 + days_ago / 7.0);
}

namespace {

// The words of |text|, as the ranking reads them.
std::vector<QueryWord> query_of(const char *text) {
  std::vector<Token> tokens;
  split_words(text ? text : "", &tokens);
  std::vector<QueryWord> query;
  for (const Token &t : tokens) query.push_back(QueryWord{t.text});
  return query;
}

// Whether a word of |entry| is |word| or starts with it, as the ranking matches them.
bool starts_a_word(const FoodIndexEntry &entry, const std::string &word) {
  const char *qt = word.c_str();
  const size_t ql = word.size();
  for (uint16_t i = 0; i < entry.word_count; i++) {
    const FoodWord &w = entry.words[i];
    if (w.text[0] != qt[0]) continue;
    if (same_word(w.text, w.length, qt, ql) || (w.length > ql && memcmp(w.text, qt, ql) == 0))
      return true;
  }
  return false;
}

std::vector<Reading> readings_of(const std::vector<QueryWord> &query) {
  std::vector<Reading> readings;
  for (const QueryVariant &variant : query_variants(query)) readings.push_back(reading_of(variant));
  return readings;
}

// Ranks the foods of |index| by the readings |readings_for| gives each (null: the food is
// not among them) and fills |out| with the best |limit|, the person's foods first.
template <typename ReadingsFor>
int rank_foods(const FoodIndex *index, ReadingsFor readings_for, const FoodRankUse *uses,
               size_t use_count, size_t limit, FoodHitList *out) {
  // Uses in food-code order are looked up as they are; others are sorted first.
  auto by_code = [](const FoodRankUse &a, const FoodRankUse &b) {
    return a.food_code < b.food_code;
  };
  const FoodRankUse *begin = uses ? uses : nullptr;
  const FoodRankUse *end = uses ? uses + use_count : nullptr;
  std::vector<FoodRankUse> copy;
  if (!std::is_sorted(begin, end, by_code)) {
    copy.assign(begin, end);
    std::sort(copy.begin(), copy.end(), by_code);
    begin = copy.data();
    end = copy.data() + copy.size();
  }
  auto weight_of = [&](int32_t code) {
    const FoodRankUse *it = std::lower_bound(
        begin, end, code,
        [](const FoodRankUse &use, int32_t value) { return use.food_code < value; });
    return it != end && it->food_code == code ? it->weight : 0.0;
  };

  std::vector<Candidate> found;
  for (size_t i = 0; i < index->count; i++) {
    const std::vector<Reading> *variants = readings_for(i);
    if (!variants) continue;
    bool any = false;
    float best = 0.0f;
    for (const Reading &variant : *variants) {
      float score = 0.0f;
      if (!score_entry(index->items[i], variant, &score)) continue;
      if (!any || score > best) best = score;
      any = true;
    }
    if (any) found.push_back(Candidate{i, weight_of(index->items[i].food_code), best});
  }
  auto better = [&](const Candidate &a, const Candidate &b) {
    if ((a.weight > 0) != (b.weight > 0)) return a.weight > 0;
    if (a.weight != b.weight) return a.weight > b.weight;
    if (a.score != b.score) return a.score > b.score;
    const size_t la = index->items[a.entry].description_length;
    const size_t lb = index->items[b.entry].description_length;
    if (la != lb) return la < lb;
    return index->items[a.entry].food_code < index->items[b.entry].food_code;
  };
  const size_t keep = std::min(limit, found.size());
  std::partial_sort(found.begin(), found.begin() + keep, found.end(), better);

  out->items = static_cast<FoodHit *>(malloc((keep ? keep : 1) * sizeof(FoodHit)));
  if (!out->items) {
    report_memory_exhausted();
    return -1;
  }
  out->capacity = keep ? keep : 1;
  for (size_t k = 0; k < keep; k++) {
    const FoodIndexEntry &entry = index->items[found[k].entry];
    char *copy = strdup(entry.description);
    if (!copy) {
      report_memory_exhausted();
      food_hit_list_free(out);
      return -1;
    }
    out->items[out->count++] = FoodHit{entry.food_code, copy};
  }
  return 0;
}

}  // namespace

int food_rank(const FoodIndex *index, const char *text, const FoodRankUse *uses, size_t use_count,
              size_t limit, FoodHitList *out) {
  *out = FoodHitList{nullptr, 0, 0};
  try {
    const std::vector<QueryWord> query = query_of(text);
    if (query.empty() || limit == 0 || !index) return 0;
    const std::vector<Reading> readings = readings_of(query);
    return rank_foods(index, [&](size_t) { return &readings; }, uses, use_count, limit, out);
  } catch (const std::bad_alloc &) {
    report_memory_exhausted();
    food_hit_list_free(out);
    return -1;
  }
}

int food_rank_some_words(const FoodIndex *index, const char *text, const FoodRankUse *uses,
                         size_t use_count, size_t limit, FoodHitList *out) {
  *out = FoodHitList{nullptr, 0, 0};
  try {
    const std::vector<QueryWord> query = query_of(text);
    if (limit == 0 || !index) return 0;
    // The words a food may lack ("with", "and", ... need not be found in any case).
    std::vector<size_t> named;
    for (size_t i = 0; i < query.size() && named.size() < 32; i++)
      if (!is_minor_word(query[i].text.c_str(), query[i].text.size())) named.push_back(i);
    if (named.size() < 2) return 0;
    // Which of them each food has, and the most any food has.
    std::vector<uint32_t> has(index->count, 0);
    int most = 0;
    for (size_t f = 0; f < index->count; f++) {
      for (size_t k = 0; k < named.size(); k++)
        if (starts_a_word(index->items[f], query[named[k]].text)) has[f] |= 1u << k;
      most = std::max(most, __builtin_popcount(has[f]));
    }
    if (most == 0 || most == static_cast<int>(named.size())) return 0;
    // Foods with the most of them, each ranked by the words it has.
    std::map<uint32_t, std::vector<Reading>> by_words;
    return rank_foods(
        index,
        [&](size_t f) -> const std::vector<Reading> * {
          if (__builtin_popcount(has[f]) != most) return nullptr;
          auto found = by_words.find(has[f]);
          if (found == by_words.end()) {
            std::vector<QueryWord> words;
            for (size_t i = 0, k = 0; i < query.size(); i++) {
              const bool is_named = k < named.size() && named[k] == i;
              if (!is_named || (has[f] & (1u << k))) words.push_back(query[i]);
              if (is_named) k++;
            }
            found = by_words.emplace(has[f], readings_of(words)).first;
          }
          return &found->second;
        },
        uses, use_count, limit, out);
  } catch (const std::bad_alloc &) {
    report_memory_exhausted();
    food_hit_list_free(out);
    return -1;
  }
}
