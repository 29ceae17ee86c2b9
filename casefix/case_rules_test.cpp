// case_rules_test.cpp - the four case rules, their word boundaries and the Mc prefix.
#include <gtest/gtest.h>

#include <cctype>  // std::isalpha
#include <random>  // std::mt19937
#include <string>  // std::string

#include "case_conversion.h"

namespace {

using Rule = void (*)(std::span<char>);

std::string Apply(Rule rule, std::string value) {
  rule(value);
  return value;
}

TEST(CaseRulesTest, UppercaseAllChangesOnlyAsciiLetters) {
  EXPECT_EQ(Apply(casefix::UppercaseAll, "john /o'brien-smith/ 3rd"), "JOHN /O'BRIEN-SMITH/ 3RD");
  EXPECT_EQ(Apply(casefix::UppercaseAll, "m\xC3\xbcller"), "M\xC3\xbcLLER");  // ü stays
  EXPECT_EQ(Apply(casefix::UppercaseAll, ""), "");
  EXPECT_EQ(Apply(casefix::UppercaseAll, "`az{@"), "`AZ{@");
}

TEST(CaseRulesTest, CapitalizeWordsStartsWordsAfterNonWordCharacters) {
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "john /o'brien-smith/"), "John /O'Brien-Smith/");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "JOHN /SMITH/"), "John /Smith/");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "3RD st. louis"), "3rd St. Louis");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "  x\ty,z"), "  X\tY,Z");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "boston, suffolk, massachusetts"),
            "Boston, Suffolk, Massachusetts");
}

TEST(CaseRulesTest, CapitalizeWordsKeepsBytesAbove127InsideTheWord) {
  // UTF-8 Ü is C3 9C, É is C3 89: neither changes, and neither starts a new word.
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "M\xC3\x9CLLER"), "M\xC3\x9Cller");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "\xC3\x89MILE ZOLA"), "\xC3\x89mile Zola");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "\xFF\xFE"), "\xFF\xFE");
}

// CapitalizeWords as first written, one byte and one rule at a time.
std::string CapitalizeWordsByteByByte(std::string value) {
  auto isLower = [](char c) { return c >= 'a' && c <= 'z'; };
  auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
  auto isWord = [&](char c) {
    return isLower(c) || isUpper(c) || (c >= '0' && c <= '9') ||
           static_cast<unsigned char>(c) > 127;
  };
  bool wordStart = true;
  for (std::size_t pos = 0; pos < value.size(); ++pos) {
    const char c = value[pos];
    if (!isWord(c)) {
      wordStart = true;
    } else if (wordStart) {
      if (isLower(c)) value[pos] = static_cast<char>(c - 'a' + 'A');
      wordStart = false;
      if (value[pos] == 'M' && pos + 1 < value.size() &&
          (value[pos + 1] == 'c' || value[pos + 1] == 'C')) {
        value[pos + 1] = 'c';
        ++pos;
        wordStart = true;
      }
    } else if (isUpper(c)) {
      value[pos] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return value;
}

TEST(CaseRulesTest, CapitalizeWordsAgreesWithTheByteByByteRules) {
  // Dense in the letters of "Mc" and in the bytes next to the letters and the case bit; and,
  // without "m" and "c", values long enough to be converted many bytes at a time.
  const std::string alphabets[] = {"mMcCaZz@[`{09 '-/\x80\xc3\xff\x0d",
                                   "aAzZbY@[`{09/:\x7f\x80\xc3\xff\x0d\x01 '-"};
  std::mt19937 random(3);
  for (const std::string& alphabet : alphabets) {
    for (int round = 0; round < 20000; ++round) {
      std::string value(random() % 70, ' ');
      for (char& c : value) c = alphabet[random() % alphabet.size()];
      ASSERT_EQ(Apply(casefix::CapitalizeWords, value), CapitalizeWordsByteByByte(value)) << value;
    }
  }
}

TEST(CaseRulesTest, CapitalizeWordsWithRoomLeavesWhatFollowsButItsLetters) {
  // The value is followed by a line end and bytes of the same alphabet, "m" and "c" among
  // them: the value comes out as CapitalizeWords gives it, and after it only letters may
  // change, and only in case.
  const std::string alphabet = "mMcCaZz@[`{09 '-/\x80\xc3\xff\x0d";
  std::mt19937 random(5);
  for (int round = 0; round < 20000; ++round) {
    std::string value(random() % 40, ' ');
    for (char& c : value) c = alphabet[random() % alphabet.size()];
    std::string after = "\r\n" + std::string(casefix::kCapitalizeRoom - 2, ' ');
    for (std::size_t k = 2; k < after.size(); ++k) after[k] = alphabet[random() % alphabet.size()];
    std::string buffer = value + after;
    casefix::CapitalizeWordsWithRoom(std::span<char>(buffer.data(), value.size()));
    ASSERT_EQ(buffer.substr(0, value.size()), CapitalizeWordsByteByByte(value)) << value;
    for (std::size_t k = 0; k < after.size(); ++k) {
      const char got = buffer[value.size() + k];
      const bool letter = std::isalpha(static_cast<unsigned char>(after[k])) != 0;
      ASSERT_TRUE(got == after[k] || (letter && (got ^ 0x20) == after[k]))
          << value << " + " << after;
    }
  }
}

TEST(CaseRulesTest, McPrefixKeepsTheNextLetterAWordStart) {
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "mcdonald"), "McDonald");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "MCMILLAN"), "McMillan");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "MC"), "Mc");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "M"), "M");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "emma mccoy"), "Emma McCoy");
  // Only at a word start: the "mc" inside a word is plain lower case.
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "HAMCOCK"), "Hamcock");
  EXPECT_EQ(Apply(casefix::CapitalizeWords, "mc-x"), "Mc-X");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "ian /mcdonald/"), "ian /McDonald/");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "/MC/"), "/Mc/");
}

TEST(CaseRulesTest, UppercaseSurnameTouchesOnlyTheFirstSlashedPart) {
  EXPECT_EQ(Apply(casefix::UppercaseSurname, "john /smith/ jr"), "john /SMITH/ jr");
  EXPECT_EQ(Apply(casefix::UppercaseSurname, "john /smith"), "john /SMITH");
  EXPECT_EQ(Apply(casefix::UppercaseSurname, "john smith"), "john smith");
  EXPECT_EQ(Apply(casefix::UppercaseSurname, "a /b/ c /d/"), "a /B/ c /d/");
  EXPECT_EQ(Apply(casefix::UppercaseSurname, "/"), "/");
}

TEST(CaseRulesTest, CapitalizeSurnameStartsWordsOnlyAtSpaces) {
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "john /o'brien/"), "john /O'brien/");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "/VAN DER BERG/"), "/Van Der Berg/");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "JOHN /SMITH-JONES/ JR"), "JOHN /Smith-jones/ JR");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "JOHN SMITH"), "JOHN SMITH");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "x /M\xC3\x9CLLER"), "x /M\xC3\x9Cller");
  EXPECT_EQ(Apply(casefix::CapitalizeSurname, "x //"), "x //");
}

}  // namespace
