// SPDX-License-Identifier: GPL-3.0-or-later
// Amounts typed with a food, as people say them: "2 eggs", "1 cup milk", "milk 1 cup",
// "200 g rice", "1 1/2 slices toast", "a banana", "12 fl oz beer". Reading the text and
// finding the food's own measure for it are plain functions, without widgets.
#pragma once

#include <cstddef>
#include <string>

#include "fooddb/food-db.h"

enum class AmountUnit {
  kNone,  // a bare count: "2 eggs"; the word after it may name one of the food's measures
  kGram,
  kKilogram,
  kOunce,
  kPound,
  kMilliliter,
  kLiter,
  kFluidOunce,
  kCup,
  kTablespoon,
  kTeaspoon,
};

enum class AmountRead {
  kNoAmount,    // the whole text names a food
  kAmount,      // an amount and the food's words
  kUnreadable,  // a number that is not one ("1/0", "1.2.3", "0"): nothing is guessed
};

struct AmountText {
  AmountRead read = AmountRead::kNoAmount;
  double count = 0.0;   // above 0 for kAmount
  AmountUnit unit = AmountUnit::kNone;
  std::string food;     // the text without the amount and its unit
  // With a bare count: the word right after (or, with the amount at the end, right after)
  // the count, and the food's words without it, for when it names a measure ("slices").
  std::string measure_word;
  std::string food_without_word;
};

// Reads |text|: an amount before the food ("2 eggs", "1/2 cup oatmeal", "a banana") or at
// its end ("milk 1 cup", "toast 2 slices"). Numbers are whole, decimal with "." or
// |decimal_point|, fractions ("1/2", "1 1/2", "½"). Words that only start with a digit
// ("2%", "7up") are food words.
AmountText amount_text_read(const char *text, char decimal_point);

enum class AmountFit {
  kOk,
  kNoMeasure,    // a volume or measure word the food has no measure for
  kOutOfRange,   // the count, or what it weighs, lies outside what an entry takes
};

// A measure as an entry keeps it: |count| times |measure| ("1 cup", "1 fl oz", "1 g"),
// each |measure_grams|.
struct AmountChoice {
  AmountFit fit = AmountFit::kNoMeasure;
  double count = 0.0;
  std::string measure;
  double measure_grams = 0.0;
  double grams = 0.0;  // count x measure_grams, to the whole gram
  bool own_measure = false;  // a measure of the food in the very unit or word typed, or grams
};

// Smallest and largest amount of an entry, in grams (0.01 and 100 servings of 100 g), and
// the largest count of a measure, as the dialogs take them.
constexpr double kAmountMinGrams = 1.0;
constexpr double kAmountMaxGrams = 10000.0;
constexpr double kAmountMaxCount = 1000.0;

// Finds what |text| (read with amount_text_read, kAmount) means for a food with the
// |count| measures |measures| in USDA's order. Weights convert directly; volumes only
// through one of the food's own volume measures; a measure word picks the food's measure
// that names it, singular or plural, when |use_word| (the food was found without that word):
// of several, the medium or regular one, then one it begins, then one that names it later,
// and a part of the food ("1 slice, crust not eaten") last; a bare count takes the measure
// that names a word of the food ("1 egg") or else the first one of the food as served (of
// sizes listed from the smallest, the medium one), or 100 g without measures.
AmountChoice amount_choose(const AmountText &text, bool use_word, const FoodMeasure *measures,
                           size_t count);

// The unit or measure word |text| (kAmount) was typed with, as a message that the food has no
// such measure names it: the measure word ("slice"), else the volume unit ("cup", "tbsp",
// "fl oz"); weights convert directly and need none.
std::string amount_unit_word(const AmountText &text);

// How a kept amount reads: "1 cup (240 g)", "12 fl oz (360 g)", "2 × 1 egg (55 g)",
// "200 g". Writes at most |size| bytes to |out|.
void amount_choice_text(double count, const char *measure, double measure_grams, char *out,
                        size_t size);

// The amount a food never logged before starts at: one of its first household measure (USDA
// lists the usual one first), passing over a measure of something else ("1 cup, dry,
// yields") and one without a weight, and one of a part of the food ("1 slice, crust not
// eaten") while it has another; 100 g ("1 g" 100 times) when it has none.
AmountChoice amount_first_measure(const FoodMeasure *measures, size_t count);

// Whether |measure| is a measure in grams ("1 g", "100 g"): an amount in it reads in grams.
bool amount_measure_is_grams(const char *measure);

// How an entry of |servings| (of 100 g) reads in the food log, as it was logged: |count|
// times |measure| with the weight of them all to 0.1 g, "1 cup (240 g)", "12 fl oz (360 g)",
// "2 × 1 large egg (122 g)"; "150 g" without a measure (null or empty) or with one in grams.
// Writes at most |size| bytes to |out|.
void amount_logged_text(double servings, const char *measure, double measure_grams, double count,
                        char *out, size_t size);
