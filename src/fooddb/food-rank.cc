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
const float kPlain = 0.5f;
const float kMixtureHead = 1.0f;   // "Apples and pears", "Rice cereal with apples"
const float kMixedDish = 1.5f;     // categories of mixed dishes, sandwiches, soups
const float kBabyFood = 6.0f;      // baby foods, formulas, human milk

const char *const kMinorWords[] = {"a",  "an",   "and", "as", "for", "from", "in",
                                   "of", "on",   "or",  "the", "to", "with", "w"};

// Words that make a food something else than the plain food that its head names.
const char *const kOddWords[] = {"meatless", "imitation", "substitute", "vegetarian", "vegan",
                                 "dry",      "powder",    "mix",        "concentrate"};

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

// One word cut out of a text: its lower-cased bytes and how many clause breaks came before.
struct Token {
  std::string text;
  unsigned clause;
};

// Splits |text| into lower-cased words. An apostrophe inside a word is left out
// ("McDonald's" reads "mcdonalds"); every other byte that is no word byte separates.
void split_words(const char *text, std::vector<Token> *out) {
  out->clear();
  unsigned clause = 0;
  bool pending_break = false;  // a clause break came since the last word
  std::string word;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text);; ++p) {
    const unsigned char c = *p;
    if (c != '\0' && is_word_byte(c)) {
      if (word.empty() && pending_break) {
        ++clause;
        pending_break = false;
      }
      word += static_cast<char>(lower(c));
      continue;
    }
    if (c == '\'' && !word.empty() && is_word_byte(p[1])) continue;
    if (!word.empty()) {
      if (out->size() < kMaxWords) out->push_back(Token{word, clause});
      word.clear();
    }
    if (c == '\0') break;
    if (is_clause_break(static_cast<char>(c)) && !out->empty()) pending_break = true;
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
    // "no added fat": the plain preparation.
    if (first && word_is(w, "no") && i + 2 < n && word_is(words[i + 1], "added") &&
        word_is(words[i + 2], "fat"))
      kind[w.clause] = std::max(kind[w.clause], 1);
  }
  for (unsigned c = 1; c + 1 < clauses; c++)
    if (kind[c] == 0 && kind[c - 1] == 2 && kind[c + 1] == 3) kind[c] = 1;
  for (unsigned c = 1; c < clauses; c++)
    if (kind[c] == 3 && kind[c - 1] != 2 && !(c >= 2 && kind[c - 2] == 2)) kind[c] = 0;

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
  if (raw) score += kRaw;
  if (plain) score += kPlain;
  if (mixture) score -= kMixtureHead;
  if (is_mixed_dish_category(entry->category)) score -= kMixedDish;
  if (baby || is_baby_category(entry->category)) score -= kBabyFood;
  return score;
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
  *entry = FoodIndexEntry{code, nullptr, category, nullptr, nullptr, 0, 0, 0.0f, 0};
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
                 static_cast<uint8_t>(is_odd_word(at, t.text.size()))};
    if (t.clause == 0) entry->head_words++;
    at += t.text.size() + 1;
  }
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

// Everyday words that the food database spells otherwise: a typed word equal to one of
// them also stands for the words given.
struct Alias {
  const char *typed;
  const char *meant[3];  // up to three words; null after the last
};

const Alias kAliases[] = {
    {"soda", {"soft", "drink"}},  {"pop", {"soft", "drink"}},   {"coke", {"soft", "drink", "cola"}},
    {"donut", {"doughnut", nullptr}}, {"yoghurt", {"yogurt", nullptr}},
    {"burger", {"hamburger", nullptr}}, {"hotdog", {"frankfurter", nullptr}},
    {"oj", {"orange", "juice"}}, {"catsup", {"ketchup", nullptr}},
    {"veggie", {"vegetable", nullptr}}, {"mac", {"macaroni", nullptr}},
};

// The typed words, and once more with the first word that has an alias put as it is meant.
std::vector<std::vector<QueryWord>> query_variants(const std::vector<QueryWord> &query) {
  std::vector<std::vector<QueryWord>> variants{query};
  for (size_t i = 0; i < query.size(); i++) {
    for (const Alias &alias : kAliases) {
      if (!same_word(query[i].text.c_str(), query[i].text.size(), alias.typed,
                     strlen(alias.typed)))
        continue;
      std::vector<QueryWord> variant(query.begin(), query.begin() + static_cast<long>(i));
      for (const char *word : alias.meant)
        if (word) variant.push_back(QueryWord{word});
      variant.insert(variant.end(), query.begin() + static_cast<long>(i) + 1, query.end());
      variants.push_back(variant);
      return variants;
    }
  }
  return variants;
}

// How one description fits the typed words; false when a typed word is missing from it.
bool score_entry(const FoodIndexEntry &entry, const std::vector<QueryWord> &query, float *score) {
  bool matched[kMaxWords] = {};
  float total = entry.base_score;
  for (const QueryWord &q : query) {
    const char *qt = q.text.c_str();
    const size_t ql = q.text.size();
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
      if (w.clause == 0) value += kInHead;
      if (i == 0) value += kFirstWord;
      // A word already taken by another typed word counts less the second time.
      if (matched[i]) value -= kWholeWord;
      if (value > best) {
        best = value;
        best_word = i;
      }
    }
    if (best_word < 0) return false;
    matched[best_word] = true;
    total += best;
  }
  for (uint16_t i = 0; i < entry.word_count; i++) {
    if (matched[i]) continue;
    const FoodWord &w = entry.words[i];
    // A word said twice ("Egg omelet or scrambled egg") was typed once.
    bool repeated = false;
    for (uint16_t j = 0; j < entry.word_count && !repeated; j++)
      repeated = matched[j] && entry.words[j].length == w.length &&
                 memcmp(entry.words[j].text, w.text, w.length) == 0;
    if (repeated) continue;
    const bool minor = w.generic || w.minor;
    if (w.clause != 0 && w.odd)
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

double food_use_weight(unsigned count, int days_ago) {
  if (count == 0) return 0.0;
  if (days_ago < 0) days_ago = 0;
  // Each use counts, with diminishing returns; a use last week counts as much as about
  // fifteen uses a year ago.
  return std::log2(1.0 + count) + 4.0 / (1.0 + days_ago / 7.0);
}

int food_rank(const FoodIndex *index, const char *text, const FoodRankUse *uses, size_t use_count,
              size_t limit, FoodHitList *out) {
  *out = FoodHitList{nullptr, 0, 0};
  try {
    std::vector<Token> tokens;
    split_words(text ? text : "", &tokens);
    std::vector<QueryWord> query;
    for (const Token &t : tokens) query.push_back(QueryWord{t.text});
    if (query.empty() || limit == 0 || !index) return 0;

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

    const std::vector<std::vector<QueryWord>> variants = query_variants(query);
    std::vector<Candidate> found;
    for (size_t i = 0; i < index->count; i++) {
      bool any = false;
      float best = 0.0f;
      for (const std::vector<QueryWord> &variant : variants) {
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
  } catch (const std::bad_alloc &) {
    report_memory_exhausted();
    food_hit_list_free(out);
    return -1;
  }
  return 0;
}
