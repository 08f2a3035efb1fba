// SPDX-License-Identifier: GPL-3.0-or-later
// Reading amounts typed with a food and matching them to the food's household measures.
#include "fooddb/amount-text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "i18n.h"

namespace {

struct UnitName {
  const char *words;  // one or two lower-case words
  AmountUnit unit;
};

const UnitName kUnitNames[] = {
    {"fl oz", AmountUnit::kFluidOunce}, {"fluid ounce", AmountUnit::kFluidOunce},
    {"fluid ounces", AmountUnit::kFluidOunce}, {"floz", AmountUnit::kFluidOunce},
    {"g", AmountUnit::kGram}, {"gram", AmountUnit::kGram}, {"grams", AmountUnit::kGram},
    {"kg", AmountUnit::kKilogram}, {"kilogram", AmountUnit::kKilogram},
    {"kilograms", AmountUnit::kKilogram}, {"oz", AmountUnit::kOunce},
    {"ounce", AmountUnit::kOunce}, {"ounces", AmountUnit::kOunce}, {"lb", AmountUnit::kPound},
    {"lbs", AmountUnit::kPound}, {"pound", AmountUnit::kPound}, {"pounds", AmountUnit::kPound},
    {"ml", AmountUnit::kMilliliter}, {"milliliter", AmountUnit::kMilliliter},
    {"milliliters", AmountUnit::kMilliliter}, {"l", AmountUnit::kLiter},
    {"liter", AmountUnit::kLiter}, {"liters", AmountUnit::kLiter}, {"litre", AmountUnit::kLiter},
    {"litres", AmountUnit::kLiter}, {"cup", AmountUnit::kCup}, {"cups", AmountUnit::kCup},
    {"c", AmountUnit::kCup}, {"tbsp", AmountUnit::kTablespoon},
    {"tablespoon", AmountUnit::kTablespoon}, {"tablespoons", AmountUnit::kTablespoon},
    {"tsp", AmountUnit::kTeaspoon}, {"teaspoon", AmountUnit::kTeaspoon},
    {"teaspoons", AmountUnit::kTeaspoon},
};

// Grams of one unit of weight, 0 for the others.
double unit_grams(AmountUnit unit) {
  switch (unit) {
    case AmountUnit::kGram: return 1.0;
    case AmountUnit::kKilogram: return 1000.0;
    case AmountUnit::kOunce: return 28.349523125;
    case AmountUnit::kPound: return 453.59237;
    default: return 0.0;
  }
}

// Millilitres of one unit of volume (US measures), 0 for the others.
double unit_ml(AmountUnit unit) {
  switch (unit) {
    case AmountUnit::kMilliliter: return 1.0;
    case AmountUnit::kLiter: return 1000.0;
    case AmountUnit::kFluidOunce: return 29.5735295625;
    case AmountUnit::kCup: return 8 * 29.5735295625;
    case AmountUnit::kTablespoon: return 29.5735295625 / 2;
    case AmountUnit::kTeaspoon: return 29.5735295625 / 6;
    default: return 0.0;
  }
}

// The name a kept measure of one unit has.
const char *unit_measure(AmountUnit unit) {
  switch (unit) {
    case AmountUnit::kGram: return "1 g";
    case AmountUnit::kKilogram: return "1 kg";
    case AmountUnit::kOunce: return "1 oz";
    case AmountUnit::kPound: return "1 lb";
    case AmountUnit::kMilliliter: return "1 ml";
    case AmountUnit::kLiter: return "1 l";
    case AmountUnit::kFluidOunce: return "1 fl oz";
    case AmountUnit::kCup: return "1 cup";
    case AmountUnit::kTablespoon: return "1 tbsp";
    case AmountUnit::kTeaspoon: return "1 tsp";
    default: return "";
  }
}

std::vector<std::string> split_words(const char *text) {
  std::vector<std::string> words;
  std::string word;
  const char *start = text ? text : "";
  for (const char *p = start; ; p++) {
    // A comma between digits is a decimal comma ("1,5"), elsewhere it separates words.
    const bool digit_comma = *p == ',' && p > start && std::isdigit(static_cast<unsigned char>(p[-1])) &&
                             std::isdigit(static_cast<unsigned char>(p[1]));
    const bool blank = *p == '\0' || *p == ' ' || *p == '\t' || *p == '\n' ||
                       (*p == ',' && !digit_comma);
    if (!blank) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
    if (*p == '\0') break;
  }
  return words;
}

enum class Number { kNotANumber, kNumber, kBroken };

// Reads one word as a number: digits with at most one decimal separator, "a/b", or one of
// the common fraction characters. A word of digits and separators that reads as no number
// is broken; one with other characters ("2%") is no number.
Number read_number(const std::string &word, char decimal_point, double *value) {
  static const struct { const char *text; double value; } kFractions[] = {
      {"½", 0.5}, {"¼", 0.25}, {"¾", 0.75}, {"⅓", 1.0 / 3}, {"⅔", 2.0 / 3}, {"⅛", 0.125}};
  for (const auto &f : kFractions)
    if (word == f.text) {
      *value = f.value;
      return Number::kNumber;
    }
  if (word.empty()) return Number::kNotANumber;
  bool digits_only = true;
  for (char c : word)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != decimal_point && c != '/')
      digits_only = false;
  if (!digits_only) return Number::kNotANumber;
  if (!std::isdigit(static_cast<unsigned char>(word[0])) && word[0] != '.' &&
      word[0] != decimal_point)
    return Number::kNotANumber;
  const size_t slash = word.find('/');
  if (slash != std::string::npos) {
    const std::string top = word.substr(0, slash), bottom = word.substr(slash + 1);
    if (top.empty() || bottom.empty() || top.size() > 6 || bottom.size() > 6) return Number::kBroken;
    for (char c : top + bottom)
      if (!std::isdigit(static_cast<unsigned char>(c))) return Number::kBroken;
    const double b = std::atof(bottom.c_str());
    if (b == 0.0) return Number::kBroken;
    *value = std::atof(top.c_str()) / b;
    return *value > 0.0 ? Number::kNumber : Number::kBroken;
  }
  double whole = 0.0, part = 0.0, scale = 1.0;
  bool seen_point = false, seen_digit = false;
  for (char c : word) {
    if (c == '.' || c == decimal_point) {
      if (seen_point) return Number::kBroken;
      seen_point = true;
    } else {
      seen_digit = true;
      if (seen_point) {
        scale /= 10.0;
        part += (c - '0') * scale;
      } else {
        whole = whole * 10.0 + (c - '0');
      }
    }
  }
  if (!seen_digit || whole > 1e7) return Number::kBroken;
  *value = whole + part;
  return *value > 0.0 ? Number::kNumber : Number::kBroken;
}

// Reads the count that begins at words[at]: a number, optionally followed by a fraction
// ("1 1/2"). Returns the words used (0 when none, -1 for a broken number).
int read_count(const std::vector<std::string> &words, size_t at, char decimal_point,
               double *count) {
  double first = 0.0;
  const Number n = read_number(words[at], decimal_point, &first);
  if (n == Number::kBroken) return -1;
  if (n == Number::kNotANumber) return 0;
  double second = 0.0;
  // "1 1/2", "1 ½": a whole number and a fraction after it.
  const bool fraction_next =
      at + 1 < words.size() && (words[at + 1].find('/') != std::string::npos ||
                                static_cast<unsigned char>(words[at + 1][0]) >= 0x80);
  if (fraction_next && first == std::floor(first) &&
      read_number(words[at + 1], decimal_point, &second) == Number::kNumber && second < 1.0) {
    *count = first + second;
    return 2;
  }
  *count = first;
  return 1;
}

// The unit named by words[at] (and words[at + 1]); the words used, 0 for none.
int read_unit(const std::vector<std::string> &words, size_t at, AmountUnit *unit) {
  if (at >= words.size()) return 0;
  if (at + 1 < words.size()) {
    const std::string two = words[at] + " " + words[at + 1];
    for (const auto &u : kUnitNames)
      if (two == u.words) {
        *unit = u.unit;
        return 2;
      }
  }
  for (const auto &u : kUnitNames)
    if (words[at] == u.words) {
      *unit = u.unit;
      return 1;
    }
  return 0;
}

std::string join(const std::vector<std::string> &words, size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to && i < words.size(); i++) {
    if (!text.empty()) text += ' ';
    text += words[i];
  }
  return text;
}

// A word without a plural ending, for comparing "slices" with "slice", "eggs" with "egg".
std::string singular(std::string word) {
  if (word.size() > 3 && word.compare(word.size() - 3, 3, "ies") == 0)
    return word.substr(0, word.size() - 3) + "y";
  if (word.size() > 3 && (word.compare(word.size() - 3, 3, "hes") == 0 ||
                          word.compare(word.size() - 3, 3, "oes") == 0))
    return word.substr(0, word.size() - 2);
  if (word.size() > 2 && word.back() == 's' && word[word.size() - 2] != 's') word.pop_back();
  return word;
}

// The words of a measure's name after its number, up to a comma or parenthesis: "1 medium
// or regular slice (28 g)" gives "medium", "or", "regular", "slice".
std::vector<std::string> measure_words(const char *description, double *number) {
  std::string head(description ? description : "");
  const size_t cut = head.find_first_of(",(");
  if (cut != std::string::npos) head.resize(cut);
  std::vector<std::string> words = split_words(head.c_str());
  *number = 1.0;
  if (!words.empty()) {
    double value = 0.0;
    const int used = read_count(words, 0, '.', &value);
    if (used > 0) {
      *number = value;
      words.erase(words.begin(), words.begin() + used);
    }
  }
  return words;
}

// Whether a measure is of something else than the food as it is ("1 cup, dry, yields").
bool measure_is_other(const char *description) {
  return description && strstr(description, "yield") != nullptr;
}

// Whether a measure is of a part of the food as it is served ("1 slice, crust not eaten").
bool measure_is_part(const char *description) {
  return description && strstr(description, "not eaten") != nullptr;
}

// The usual one of a food's sizes: where |first| is a size ("1 small", "1 small or thin/very
// thin slice"), USDA lists the sizes from the smallest, and "2 toast" or "an apple" mean
// the medium or regular one. Returns |first| when it is no size or there is none such.
const FoodMeasure *usual_size(const FoodMeasure *measures, size_t count,
                              const FoodMeasure *first) {
  double number = 1.0;
  const std::vector<std::string> words = measure_words(first->description, &number);
  if (words.empty() || (words[0] != "small" && words[0] != "large" && words[0] != "extra"))
    return first;
  for (size_t i = 0; i < count; i++) {
    if (!(std::isfinite(measures[i].grams) && measures[i].grams > 0.0) ||
        measure_is_other(measures[i].description) || measure_is_part(measures[i].description))
      continue;
    const std::vector<std::string> other = measure_words(measures[i].description, &number);
    if (!other.empty() && (other[0] == "medium" || other[0] == "regular")) return &measures[i];
  }
  return first;
}

AmountChoice finish(double count, const std::string &measure, double measure_grams) {
  AmountChoice c;
  c.count = count;
  c.measure = measure;
  c.measure_grams = measure_grams;
  c.grams = std::round(count * measure_grams);
  const bool in_range = count > 0.0 && count <= kAmountMaxCount && c.grams >= kAmountMinGrams &&
                        c.grams <= kAmountMaxGrams;
  c.fit = in_range ? AmountFit::kOk : AmountFit::kOutOfRange;
  return c;
}

bool usable(const FoodMeasure &m) { return std::isfinite(m.grams) && m.grams > 0.0; }

}  // namespace

AmountText amount_text_read(const char *text, char decimal_point) {
  AmountText out;
  const std::vector<std::string> words = split_words(text);
  out.food = join(words, 0, words.size());
  if (words.size() < 2) {
    double value = 0.0;
    if (words.size() == 1 && read_number(words[0], decimal_point, &value) == Number::kBroken)
      out.read = AmountRead::kUnreadable;
    return out;
  }
  // The amount first: a count ("a", "an", a number), a unit, the food.
  double count = 0.0;
  int used = 0;
  if (words[0] == "a" || words[0] == "an") {
    count = 1.0;
    used = 1;
  } else {
    used = read_count(words, 0, decimal_point, &count);
  }
  size_t food_from = 0, food_to = words.size();
  size_t after = 0;  // where the unit or measure word would be
  if (used < 0) {
    out.read = AmountRead::kUnreadable;
    return out;
  }
  if (used > 0) {
    after = static_cast<size_t>(used);
    food_from = after;
  } else {
    // The amount at the end: "milk 1 cup", "toast 2 slices", "rice 200 g".
    size_t at = words.size();
    for (size_t i = words.size(); i-- > 1;) {
      double value = 0.0;
      if (read_number(words[i], decimal_point, &value) != Number::kNotANumber) {
        at = i;
        break;
      }
    }
    if (at == words.size()) return out;
    // "1 1/2" at the end: the fraction is read with the number before it.
    if (at >= 2 && words[at].find('/') != std::string::npos) {
      double value = 0.0;
      if (read_number(words[at - 1], decimal_point, &value) == Number::kNumber) at--;
    }
    used = read_count(words, at, decimal_point, &count);
    if (used < 0) {
      out.read = AmountRead::kUnreadable;
      return out;
    }
    after = at + static_cast<size_t>(used);
    AmountUnit unit = AmountUnit::kNone;
    const int unit_words = read_unit(words, after, &unit);
    const size_t rest = words.size() - after - static_cast<size_t>(unit_words);
    if (at == 0 || rest > (unit_words ? 0u : 1u)) return out;  // a number inside the name
    food_from = 0;
    food_to = at;
  }
  AmountUnit unit = AmountUnit::kNone;
  const int unit_words = read_unit(words, after, &unit);
  if (food_from == after) food_from += static_cast<size_t>(unit_words);
  std::vector<std::string> food(words.begin() + static_cast<long>(food_from),
                                words.begin() + static_cast<long>(food_to));
  std::string word;
  std::vector<std::string> without = food;
  if (unit == AmountUnit::kNone) {
    if (after < food_to && after >= food_from) {
      word = words[after];
      without.erase(without.begin() + static_cast<long>(after - food_from));
    } else if (after < words.size() && after >= food_to) {
      word = words[after];  // "toast 2 slices"
      food.push_back(word);
    }
  }
  if (food.empty() || (unit == AmountUnit::kNone && food_to < words.size() && word.empty())) {
    out.read = AmountRead::kNoAmount;
    return out;
  }
  out.read = AmountRead::kAmount;
  out.count = count;
  out.unit = unit;
  out.food = join(food, 0, food.size());
  if (food_to < words.size() && !word.empty()) {
    out.food = join(food, 0, food.size() - 1);
    out.food_without_word = out.food;
  } else {
    out.food_without_word = join(without, 0, without.size());
  }
  out.measure_word = word;
  return out;
}

AmountChoice amount_choose(const AmountText &text, bool use_word, const FoodMeasure *measures,
                           size_t count) {
  AmountChoice none;
  if (text.read != AmountRead::kAmount) return none;
  if (const double grams = unit_grams(text.unit); grams > 0.0) {
    AmountChoice c = finish(text.count, unit_measure(text.unit), grams);
    c.own_measure = true;
    return c;
  }
  if (const double ml = unit_ml(text.unit); ml > 0.0) {
    // The first of the food's volume measures gives its weight per millilitre; the one of
    // the unit typed is taken as it is.
    const FoodMeasure *through = nullptr;
    double through_ml = 0.0;
    for (size_t i = 0; i < count; i++) {
      if (!usable(measures[i]) || measure_is_other(measures[i].description)) continue;
      double number = 1.0;
      const std::vector<std::string> words = measure_words(measures[i].description, &number);
      AmountUnit unit = AmountUnit::kNone;
      const int used = read_unit(words, 0, &unit);
      if (used == 0 || unit_ml(unit) == 0.0) continue;
      if (unit == text.unit) {
        AmountChoice c =
            finish(text.count * number, measures[i].description, measures[i].grams / number);
        c.own_measure = true;
        return c;
      }
      if (!through) {
        through = &measures[i];
        through_ml = unit_ml(unit) * number;
      }
    }
    if (!through) return none;
    return finish(text.count, unit_measure(text.unit), through->grams / through_ml * ml);
  }
  // A measure word: of the food's measures that name it, the usual size first ("1 medium or
  // regular slice" for "slices"), then one it begins, then one that names it later, and last
  // one of a part of the food or of something else ("1 slice, crust not eaten"); USDA's
  // order among equals.
  if (use_word && !text.measure_word.empty()) {
    const std::string wanted = singular(text.measure_word);
    const FoodMeasure *best = nullptr;
    int best_rank = 0;
    for (size_t i = 0; i < count; i++) {
      if (!usable(measures[i])) continue;
      double number = 1.0;
      const std::vector<std::string> words = measure_words(measures[i].description, &number);
      int rank = -1;
      bool usual = false;
      for (size_t w = 0; w < words.size(); w++) {
        if (words[w] == "medium" || words[w] == "regular") usual = true;
        if (rank < 0 && singular(words[w]) == wanted) rank = w == 0 ? 1 : 2;
      }
      if (rank < 0) continue;
      if (measure_is_other(measures[i].description) || measure_is_part(measures[i].description))
        rank = 3;
      else if (usual)
        rank = 0;
      if (!best || rank < best_rank) {
        best = &measures[i];
        best_rank = rank;
      }
    }
    if (!best) return none;
    double number = 1.0;
    measure_words(best->description, &number);
    AmountChoice c = finish(text.count * number, best->description, best->grams / number);
    c.own_measure = true;
    return c;
  }
  // A bare count: the measure that names the food ("1 egg"), else the first one of the food
  // as it is served, of its sizes the usual one ("2 toast": two regular slices).
  const std::vector<std::string> food = split_words(text.food.c_str());
  const FoodMeasure *first = nullptr, *first_part = nullptr;
  for (size_t i = 0; i < count; i++) {
    if (!usable(measures[i]) || measure_is_other(measures[i].description)) continue;
    if (measure_is_part(measures[i].description)) {
      if (!first_part) first_part = &measures[i];
    } else if (!first) {
      first = &measures[i];
    }
    double number = 1.0;
    for (const std::string &w : measure_words(measures[i].description, &number))
      for (const std::string &f : food)
        if (singular(w) == singular(f))
          return finish(text.count * number, measures[i].description, measures[i].grams / number);
  }
  if (first) first = usual_size(measures, count, first);
  if (!first) first = first_part;
  if (!first) return finish(text.count, "100 g", 100.0);
  double number = 1.0;
  measure_words(first->description, &number);
  return finish(text.count * number, first->description, first->grams / number);
}

void amount_choice_text(double count, const char *measure, double measure_grams, char *out,
                        size_t size) {
  char weight[32];
  snprintf(weight, sizeof weight, "%g", std::round(count * measure_grams * 10.0) / 10.0);
  const char *name = measure ? measure : "";
  if (strcmp(name, "1 g") == 0) {
    snprintf(out, size, "%s g", weight);
    return;
  }
  char each[32];
  snprintf(each, sizeof each, "%g", measure_grams);
  if (count == 1.0) {
    // Translators: a household measure and its weight in grams, "1 cup (244 g)"
    snprintf(out, size, _("%s (%s g)"), name, each);
    return;
  }
  // "1 fl oz" and the other plain units read as "12 fl oz (360 g)".
  double number = 1.0;
  std::vector<std::string> words = measure_words(name, &number);
  AmountUnit unit = AmountUnit::kNone;
  const std::string rest = strncmp(name, "1 ", 2) == 0 ? name + 2 : "";
  if (!rest.empty() && read_unit(words, 0, &unit) == static_cast<int>(words.size()) &&
      split_words(rest.c_str()).size() == words.size()) {
    char text[64];
    snprintf(text, sizeof text, "%g %s", count, rest.c_str());
    snprintf(out, size, _("%s (%s g)"), text, weight);
    return;
  }
  char measure_text[512];
  snprintf(measure_text, sizeof measure_text, _("%s (%s g)"), name, each);
  snprintf(out, size, "%g × %s", count, measure_text);
}

AmountChoice amount_first_measure(const FoodMeasure *measures, size_t count) {
  // A measure of a part of the food ("1 slice, crust not eaten") only when it has no other.
  for (const bool parts : {false, true})
    for (size_t i = 0; i < count; i++) {
      if (!usable(measures[i]) || measure_is_other(measures[i].description) ||
          measure_is_part(measures[i].description) != parts)
        continue;
      const AmountChoice first = finish(1.0, measures[i].description, measures[i].grams);
      if (first.fit == AmountFit::kOk) return first;
    }
  return finish(100.0, unit_measure(AmountUnit::kGram), 1.0);
}

bool amount_measure_is_grams(const char *measure) {
  return measure && (strcmp(measure, "1 g") == 0 || strcmp(measure, "100 g") == 0);
}

void amount_logged_text(double servings, const char *measure, double measure_grams, double count,
                        char *out, size_t size) {
  if (!measure || measure[0] == '\0' || amount_measure_is_grams(measure)) {
    snprintf(out, size, "%g g", std::round(servings * 1000.0) / 10.0);
    return;
  }
  char weight[32];
  snprintf(weight, sizeof weight, "%g", std::round(count * measure_grams * 10.0) / 10.0);
  // "1 fl oz" and the other plain units read as "12 fl oz (360 g)", as amount_choice_text
  // writes them.
  double number = 1.0;
  const std::vector<std::string> words = measure_words(measure, &number);
  AmountUnit unit = AmountUnit::kNone;
  const bool plain_unit = strncmp(measure, "1 ", 2) == 0 &&
                          read_unit(words, 0, &unit) == static_cast<int>(words.size()) &&
                          split_words(measure + 2).size() == words.size();
  char named[512];
  if (count == 1.0) {
    snprintf(named, sizeof named, "%s", measure);
  } else if (plain_unit) {
    snprintf(named, sizeof named, "%g %s", count, measure + 2);
  } else {
    snprintf(named, sizeof named, "%g × %s", count, measure);
  }
  // Translators: a household measure and its weight in grams, "1 cup (244 g)"
  snprintf(out, size, _("%s (%s g)"), named, weight);
}

std::string amount_unit_word(const AmountText &text) {
  if (text.unit == AmountUnit::kNone) return text.measure_word;
  switch (text.unit) {
    case AmountUnit::kCup: return "cup";
    case AmountUnit::kTablespoon: return "tbsp";
    case AmountUnit::kTeaspoon: return "tsp";
    case AmountUnit::kFluidOunce: return "fl oz";
    case AmountUnit::kMilliliter: return "ml";
    case AmountUnit::kLiter: return "l";
    default: return "";
  }
}
