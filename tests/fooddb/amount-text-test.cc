// SPDX-License-Identifier: GPL-3.0-or-later
// Amounts typed with a food: what each typed text means, what is refused, and which of a
// food's household measures it picks.
#include "fooddb/amount-text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct ReadCase {
  const char *typed;
  AmountRead read;
  double count;
  AmountUnit unit;
  const char *food;
  const char *measure_word;
  const char *food_without_word;
};

const ReadCase kReadCases[] = {
    {"2 eggs", AmountRead::kAmount, 2, AmountUnit::kNone, "eggs", "eggs", ""},
    {"2 scrambled eggs", AmountRead::kAmount, 2, AmountUnit::kNone, "scrambled eggs", "scrambled",
     "eggs"},
    {"1 cup milk", AmountRead::kAmount, 1, AmountUnit::kCup, "milk", "", "milk"},
    {"milk 1 cup", AmountRead::kAmount, 1, AmountUnit::kCup, "milk", "", "milk"},
    {"200 g rice", AmountRead::kAmount, 200, AmountUnit::kGram, "rice", "", "rice"},
    {"1/2 cup oatmeal", AmountRead::kAmount, 0.5, AmountUnit::kCup, "oatmeal", "", "oatmeal"},
    {"1 1/2 slices toast", AmountRead::kAmount, 1.5, AmountUnit::kNone, "slices toast", "slices",
     "toast"},
    {"toast 1 1/2 slices", AmountRead::kAmount, 1.5, AmountUnit::kNone, "toast", "slices",
     "toast"},
    {"a banana", AmountRead::kAmount, 1, AmountUnit::kNone, "banana", "banana", ""},
    {"12 fl oz beer", AmountRead::kAmount, 12, AmountUnit::kFluidOunce, "beer", "", "beer"},
    {"1 pat butter", AmountRead::kAmount, 1, AmountUnit::kNone, "pat butter", "pat", "butter"},
    {"2 tbsp peanut butter", AmountRead::kAmount, 2, AmountUnit::kTablespoon, "peanut butter", "",
     "peanut butter"},
    {"1.5 cups Milk", AmountRead::kAmount, 1.5, AmountUnit::kCup, "milk", "", "milk"},
    {"1,5 l juice", AmountRead::kAmount, 1.5, AmountUnit::kLiter, "juice", "", "juice"},
    {"½ cup rice", AmountRead::kAmount, 0.5, AmountUnit::kCup, "rice", "", "rice"},
    {"1 ½ cup rice", AmountRead::kAmount, 1.5, AmountUnit::kCup, "rice", "", "rice"},
    {"steak 8 oz", AmountRead::kAmount, 8, AmountUnit::kOunce, "steak", "", "steak"},
    {"0.25 kg cheese", AmountRead::kAmount, 0.25, AmountUnit::kKilogram, "cheese", "", "cheese"},
    {"1 lb ground beef", AmountRead::kAmount, 1, AmountUnit::kPound, "ground beef", "",
     "ground beef"},
    {"2 tsp sugar", AmountRead::kAmount, 2, AmountUnit::kTeaspoon, "sugar", "", "sugar"},
    {"330 ml cola", AmountRead::kAmount, 330, AmountUnit::kMilliliter, "cola", "", "cola"},
    // No amount: a food name alone, or numbers that belong to the name.
    {"whole milk", AmountRead::kNoAmount, 0, AmountUnit::kNone, "whole milk", "", ""},
    {"2% milk", AmountRead::kNoAmount, 0, AmountUnit::kNone, "2% milk", "", ""},
    {"milk 2%", AmountRead::kNoAmount, 0, AmountUnit::kNone, "milk 2%", "", ""},
    {"7up", AmountRead::kNoAmount, 0, AmountUnit::kNone, "7up", "", ""},
    {"2", AmountRead::kNoAmount, 0, AmountUnit::kNone, "2", "", ""},
    {"2 cups", AmountRead::kNoAmount, 0, AmountUnit::kNone, "2 cups", "", ""},
    {"", AmountRead::kNoAmount, 0, AmountUnit::kNone, "", "", ""},
    // Refused: numbers that are none.
    {"1/0 cup milk", AmountRead::kUnreadable, 0, AmountUnit::kNone, "1/0 cup milk", "", ""},
    {"0 eggs", AmountRead::kUnreadable, 0, AmountUnit::kNone, "0 eggs", "", ""},
    {"1.2.3 g rice", AmountRead::kUnreadable, 0, AmountUnit::kNone, "1.2.3 g rice", "", ""},
    {"rice 1/ g", AmountRead::kUnreadable, 0, AmountUnit::kNone, "rice 1/ g", "", ""},
};

TEST(AmountTextRead, TypedTextsMeanTheirAmounts) {
  for (const ReadCase &c : kReadCases) {
    SCOPED_TRACE(c.typed);
    const AmountText t = amount_text_read(c.typed, ',');
    EXPECT_EQ(t.read, c.read);
    if (c.read != AmountRead::kAmount) continue;
    EXPECT_DOUBLE_EQ(t.count, c.count);
    EXPECT_EQ(t.unit, c.unit);
    EXPECT_EQ(t.food, c.food);
    EXPECT_EQ(t.measure_word, c.measure_word);
    if (c.unit == AmountUnit::kNone) {
      EXPECT_EQ(t.food_without_word, c.food_without_word);
    }
  }
}

TEST(AmountTextRead, TheLocaleSeparatorOnlyWhereItIsOne) {
  EXPECT_NE(amount_text_read("1,5 l juice", '.').read, AmountRead::kAmount);
  EXPECT_DOUBLE_EQ(amount_text_read("1.5 l juice", ',').count, 1.5);
}

// USDA's measures of a few foods, in their order.
const FoodMeasure kEgg[] = {{const_cast<char *>("1 egg"), 55.0},
                            {const_cast<char *>("1 cup"), 135.0}};
const FoodMeasure kButter[] = {{const_cast<char *>("1 cup"), 224.0},
                               {const_cast<char *>("1 tablespoon"), 14.0},
                               {const_cast<char *>("1 stick"), 113.0},
                               {const_cast<char *>("1 pat"), 7.0}};
const FoodMeasure kBeer[] = {{const_cast<char *>("1 fl oz"), 30.0},
                             {const_cast<char *>("1 can or bottle (12 fl oz)"), 360.0}};
const FoodMeasure kOatmeal[] = {{const_cast<char *>("1 cup, cooked"), 240.0},
                                {const_cast<char *>("1 cup, dry, yields"), 485.0},
                                {const_cast<char *>("1 oz, dry, yields"), 170.0}};
const FoodMeasure kRice[] = {{const_cast<char *>("1 cup, cooked"), 158.0}};
const FoodMeasure kToast[] = {{const_cast<char *>("1 medium or regular slice"), 25.0},
                              {const_cast<char *>("1 thin slice"), 18.0}};
// USDA lists a part of the slice first.
const FoodMeasure kWhiteBread[] = {{const_cast<char *>("1 slice, crust not eaten"), 12.0},
                                   {const_cast<char *>("1 thin slice"), 19.0},
                                   {const_cast<char *>("1 medium or regular slice"), 26.0},
                                   {const_cast<char *>("1 cup, cubes"), 30.0}};
const FoodMeasure kApple[] = {{const_cast<char *>("1 medium (3\" dia)"), 182.0}};
// Sizes from the smallest, as USDA lists many fruits and breads.
const FoodMeasure kSizedApple[] = {{const_cast<char *>("1 small"), 149.0},
                                   {const_cast<char *>("1 medium"), 200.0},
                                   {const_cast<char *>("1 large"), 242.0},
                                   {const_cast<char *>("1 cup"), 125.0}};
const FoodMeasure kCrustFirst[] = {{const_cast<char *>("1 slice, crust not eaten"), 15.0},
                                   {const_cast<char *>("1 slice"), 25.0}};
const FoodMeasure kLargeFirst[] = {{const_cast<char *>("1 large"), 50.0},
                                   {const_cast<char *>("1 cup"), 240.0}};
const FoodMeasure kSizedBread[] = {{const_cast<char *>("1 small or thin/very thin slice"), 21.0},
                                   {const_cast<char *>("1 medium or regular slice"), 29.0},
                                   {const_cast<char *>("1 large or thick slice"), 39.0}};


struct ChooseCase {
  const char *typed;
  bool use_word;
  const FoodMeasure *measures;
  size_t count;
  AmountFit fit;
  double grams;
  const char *shown;  // amount_choice_text
  const char *row;    // amount_logged_text: how the entry it logs reads in the food log
};

#define MEASURES(m) m, sizeof m / sizeof m[0]

const ChooseCase kChooseCases[] = {
    {"2 eggs", false, MEASURES(kEgg), AmountFit::kOk, 110, "2 × 1 egg (55 g)", "2 × 1 egg (110 g)"},
    {"2 scrambled eggs", false, MEASURES(kEgg), AmountFit::kOk, 110, "2 × 1 egg (55 g)", "2 × 1 egg (110 g)"},
    {"1 pat butter", true, MEASURES(kButter), AmountFit::kOk, 7, "1 pat (7 g)", "1 pat (7 g)"},
    {"2 tbsp butter", false, MEASURES(kButter), AmountFit::kOk, 28, "2 tablespoon (28 g)", "2 tablespoon (28 g)"},
    // A teaspoon through the food's cup: 224 g / 48.
    {"1 tsp butter", false, MEASURES(kButter), AmountFit::kOk, 5, "1 tsp (4.66667 g)", "1 tsp (4.7 g)"},
    {"12 fl oz beer", false, MEASURES(kBeer), AmountFit::kOk, 360, "12 fl oz (360 g)", "12 fl oz (360 g)"},
    {"1/2 cup oatmeal", false, MEASURES(kOatmeal), AmountFit::kOk, 120,
     "0.5 × 1 cup, cooked (240 g)", "0.5 × 1 cup, cooked (120 g)"},
    {"200 g rice", false, MEASURES(kRice), AmountFit::kOk, 200, "200 g", "200 g"},
    {"8 oz rice", false, MEASURES(kRice), AmountFit::kOk, 227, "8 oz (226.8 g)", "8 oz (226.8 g)"},
    {"1 1/2 slices toast", true, MEASURES(kToast), AmountFit::kOk, 38,
     "1.5 × 1 medium or regular slice (25 g)", "1.5 × 1 medium or regular slice (37.5 g)"},
    {"2 thin slices toast", true, MEASURES(kToast), AmountFit::kOk, 36,
     "2 × 1 thin slice (18 g)", "2 × 1 thin slice (36 g)"},
    {"2 slices white bread", true, MEASURES(kWhiteBread), AmountFit::kOk, 52,
     "2 × 1 medium or regular slice (26 g)", "2 × 1 medium or regular slice (52 g)"},
    {"2 thin slices white bread", true, MEASURES(kWhiteBread), AmountFit::kOk, 38,
     "2 × 1 thin slice (19 g)", "2 × 1 thin slice (38 g)"},
    {"white bread 3 slices", true, MEASURES(kWhiteBread), AmountFit::kOk, 78,
     "3 × 1 medium or regular slice (26 g)", "3 × 1 medium or regular slice (78 g)"},
    {"2 cups white bread", false, MEASURES(kWhiteBread), AmountFit::kOk, 60,
     "2 × 1 cup, cubes (30 g)", "2 × 1 cup, cubes (60 g)"},
    {"a apple", false, MEASURES(kApple), AmountFit::kOk, 182, "1 medium (3\" dia) (182 g)", "1 medium (3\" dia) (182 g)"},
    {"2 medium apples", true, MEASURES(kApple), AmountFit::kOk, 364,
     "2 × 1 medium (3\" dia) (182 g)", "2 × 1 medium (3\" dia) (364 g)"},
    // A bare count takes the usual of the sizes USDA lists from the smallest.
    {"an apple", false, MEASURES(kSizedApple), AmountFit::kOk, 200, "1 medium (200 g)", "1 medium (200 g)"},
    {"2 toast", false, MEASURES(kSizedBread), AmountFit::kOk, 58,
     "2 × 1 medium or regular slice (29 g)", "2 × 1 medium or regular slice (58 g)"},
    {"2 rye toast", false, MEASURES(kCrustFirst), AmountFit::kOk, 50, "2 × 1 slice (25 g)",
     "2 × 1 slice (50 g)"},
    {"2 muffins", false, MEASURES(kLargeFirst), AmountFit::kOk, 100, "2 × 1 large (50 g)",
     "2 × 1 large (100 g)"},
    {"2 small apples", true, MEASURES(kSizedApple), AmountFit::kOk, 298, "2 × 1 small (149 g)",
     "2 × 1 small (298 g)"},
    {"2 slices bread", true, MEASURES(kSizedBread), AmountFit::kOk, 58,
     "2 × 1 medium or regular slice (29 g)", "2 × 1 medium or regular slice (58 g)"},
    {"3 cookies", false, nullptr, 0, AmountFit::kOk, 300, "3 × 100 g (100 g)", "300 g"},
    // Said instead of guessed: a volume, or a measure word, the food has no measure for.
    {"1 cup rice", false, MEASURES(kEgg), AmountFit::kOk, 135, "1 cup (135 g)", "1 cup (135 g)"},
    {"1 cup apple", false, MEASURES(kApple), AmountFit::kNoMeasure, 0, nullptr, nullptr},
    {"2 slices apple", true, MEASURES(kApple), AmountFit::kNoMeasure, 0, nullptr, nullptr},
    {"1 cup cookies", false, nullptr, 0, AmountFit::kNoMeasure, 0, nullptr, nullptr},
    // The range of an entry: 1 g to 10000 g, at most 1000 of a measure.
    {"0.1 g salt", false, nullptr, 0, AmountFit::kOutOfRange, 0, nullptr, nullptr},
    {"1 g salt", false, nullptr, 0, AmountFit::kOk, 1, "1 g", "1 g"},
    {"11 kg rice", false, MEASURES(kRice), AmountFit::kOutOfRange, 11000, nullptr, nullptr},
    {"1001 pat butter", true, MEASURES(kButter), AmountFit::kOutOfRange, 7007, nullptr, nullptr},
};

TEST(AmountChoose, PicksTheFoodsOwnMeasure) {
  for (const ChooseCase &c : kChooseCases) {
    SCOPED_TRACE(c.typed);
    const AmountText t = amount_text_read(c.typed, '.');
    ASSERT_EQ(t.read, AmountRead::kAmount);
    const AmountChoice choice = amount_choose(t, c.use_word, c.measures, c.count);
    EXPECT_EQ(choice.fit, c.fit);
    if (c.fit == AmountFit::kNoMeasure) continue;
    EXPECT_DOUBLE_EQ(choice.grams, c.grams);
    if (!c.shown) continue;
    char text[512];
    amount_choice_text(choice.count, choice.measure.c_str(), choice.measure_grams, text,
                       sizeof text);
    EXPECT_STREQ(text, c.shown);
    ASSERT_NE(nullptr, c.row);
    amount_logged_text(choice.grams / 100.0, choice.measure.c_str(), choice.measure_grams,
                       choice.count, text, sizeof text);
    EXPECT_STREQ(text, c.row);
  }
}

// A food never logged starts at one of its first measure that is of the food as eaten, or
// at 100 g.
TEST(AmountFirstMeasure, OneOfTheFirstMeasureOfTheFoodAsItIs) {
  const FoodMeasure kUnweighed[] = {{const_cast<char *>("1 cup"), 0.0},
                                    {const_cast<char *>("1 bowl"), -1.0},
                                    {const_cast<char *>("1 serving"), 310.0}};
  const FoodMeasure kHuge[] = {{const_cast<char *>("1 keg"), 50000.0},
                               {const_cast<char *>("1 can"), 360.0}};
  const struct {
    const char *name;
    const FoodMeasure *measures;
    size_t count;
    const char *row;
  } cases[] = {
      {"egg", MEASURES(kEgg), "1 egg (55 g)"},
      {"beer", MEASURES(kBeer), "1 fl oz (30 g)"},
      {"oatmeal", MEASURES(kOatmeal), "1 cup, cooked (240 g)"},
      {"toast", MEASURES(kToast), "1 medium or regular slice (25 g)"},
      // USDA's first, even a small one; a part of the food only when there is nothing else.
      {"sizes from the smallest", MEASURES(kSizedApple), "1 small (149 g)"},
      {"a part first", MEASURES(kCrustFirst), "1 slice (25 g)"},
      {"without a weight", MEASURES(kUnweighed), "1 serving (310 g)"},
      {"beyond the range", MEASURES(kHuge), "1 can (360 g)"},
      {"without measures", nullptr, 0, "100 g"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const AmountChoice first = amount_first_measure(c.measures, c.count);
    EXPECT_EQ(first.fit, AmountFit::kOk);
    EXPECT_DOUBLE_EQ(first.grams, first.count * first.measure_grams);
    char text[512];
    amount_logged_text(first.grams / 100.0, first.measure.c_str(), first.measure_grams,
                       first.count, text, sizeof text);
    EXPECT_STREQ(text, c.row);
  }
  const FoodMeasure kOnlyPart[] = {{const_cast<char *>("1 slice, crust not eaten"), 15.0}};
  EXPECT_EQ("1 slice, crust not eaten", amount_first_measure(MEASURES(kOnlyPart)).measure);
  const FoodMeasure kOnlyOther[] = {{const_cast<char *>("1 cup, dry, yields"), 485.0}};
  EXPECT_TRUE(amount_measure_is_grams(amount_first_measure(MEASURES(kOnlyOther)).measure.c_str()));
}

TEST(AmountLoggedText, EntriesWithoutAMeasureReadInGrams) {
  char text[512];
  amount_logged_text(1.5, nullptr, 0, 0, text, sizeof text);
  EXPECT_STREQ(text, "150 g");
  amount_logged_text(0.075, "", 0, 0, text, sizeof text);
  EXPECT_STREQ(text, "7.5 g");
  amount_logged_text(2.0, "100 g", 100, 2, text, sizeof text);
  EXPECT_STREQ(text, "200 g");
  amount_logged_text(2.4, "1 cup (8 fl oz)", 240, 1, text, sizeof text);
  EXPECT_STREQ(text, "1 cup (8 fl oz) (240 g)");
}

TEST(AmountChoose, NoAmountMeansNoChoice) {
  EXPECT_EQ(amount_choose(amount_text_read("butter", '.'), false, MEASURES(kButter)).fit,
            AmountFit::kNoMeasure);
  EXPECT_EQ(amount_choose(amount_text_read("0 pat butter", '.'), true, MEASURES(kButter)).fit,
            AmountFit::kNoMeasure);
}

TEST(AmountChoiceText, KeptAmountsReadAsLogged) {
  char text[512];
  amount_choice_text(1, "1 cup", 240, text, sizeof text);
  EXPECT_STREQ(text, "1 cup (240 g)");
  amount_choice_text(2, "1 cup", 240, text, sizeof text);
  EXPECT_STREQ(text, "2 cup (480 g)");
  amount_choice_text(3, "1 medium or regular slice", 25, text, sizeof text);
  EXPECT_STREQ(text, "3 × 1 medium or regular slice (25 g)");
  amount_choice_text(2, "1 g", 1, text, 4);
  EXPECT_EQ(strlen(text), 3u);  // cut to the buffer
}

}  // namespace
