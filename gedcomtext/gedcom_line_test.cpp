// Tests of the line splitter and the identifier helpers.
#include "gedcom_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace gedtext {
namespace {

TEST(SplitGedcomLineTest, SplitsLevelTagAndValue) {
  auto line = SplitGedcomLine("0 @I12@ INDI");
  EXPECT_EQ(line.level, 0);
  EXPECT_EQ(line.tag, "@I12@");
  EXPECT_EQ(line.value, "INDI");

  line = SplitGedcomLine("0 HEAD");
  EXPECT_EQ(line.tag, "HEAD");
  EXPECT_EQ(line.value, "");

  // Exactly one separator is skipped; further blanks belong to the value.
  line = SplitGedcomLine("  01\tNAME  John /Smith/ ");
  EXPECT_EQ(line.level, 1);
  EXPECT_EQ(line.tag, "NAME");
  EXPECT_EQ(line.value, " John /Smith/ ");

  line = SplitGedcomLine("2 DATE\v12 MAR 1950");
  EXPECT_EQ(line.tag, "DATE");
  EXPECT_EQ(line.value, "12 MAR 1950");
}

TEST(SplitGedcomLineTest, LinesWithoutLevelAndOddBytes) {
  auto line = SplitGedcomLine("continued note text");
  EXPECT_EQ(line.level, 0);
  EXPECT_FALSE(line.hasLevel);
  EXPECT_EQ(line.tag, "continued");

  EXPECT_TRUE(SplitGedcomLine(" \t1 NAME x").hasLevel);
  EXPECT_TRUE(SplitGedcomLine("").hasLevel);

  // Bytes above 127 are neither white space nor digits.
  line = SplitGedcomLine("1 N\xC3\xA9M x");
  EXPECT_EQ(line.tag, "N\xC3\xA9M");

  // NUL is an ordinary byte.
  line = SplitGedcomLine(std::string_view("1 A\0B c", 7));
  EXPECT_EQ(line.tag, std::string_view("A\0B", 3));
}

// The splitter as first written, one rule after the other, without the shortcut for the usual
// "<digit> <tag>" start; the real one must split every line the same way.
bool IsSpaceByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

GedcomLine SplitLineStepByStep(std::string_view line) {
  GedcomLine result;
  std::size_t pos = 0;
  const std::size_t size = line.size();
  auto skipSpace = [&] {
    while (pos < size && IsSpaceByte(line[pos])) ++pos;
  };
  std::size_t firstNonBlank = 0;
  while (firstNonBlank < size && (line[firstNonBlank] == ' ' || line[firstNonBlank] == '\t')) {
    ++firstNonBlank;
  }
  result.hasLevel =
      firstNonBlank == size || IsDigit(static_cast<unsigned char>(line[firstNonBlank]));
  skipSpace();
  std::size_t digits = 0;
  result.level = ParseSaturatedDigits(line.substr(pos), &digits);
  pos += digits;
  skipSpace();
  const std::size_t tagStart = pos;
  while (pos < size && !IsSpaceByte(line[pos])) ++pos;
  result.tag = line.substr(tagStart, pos - tagStart);
  if (pos < size) ++pos;
  result.value = line.substr(pos);
  return result;
}

TEST(SplitGedcomLineTest, AgreesWithTheStepByStepSplitOnEveryShortLine) {
  // Every line of up to five bytes over an alphabet of digits, blanks and tag bytes.
  const std::string alphabet = std::string("01 \t\v\rA@x", 9) + std::string(1, '\0');
  std::vector<std::string> lines = {""};
  for (int length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const auto& line : lines) {
      if (static_cast<int>(line.size()) != length - 1) continue;
      for (char c : alphabet) longer.push_back(line + c);
    }
    lines.insert(lines.end(), longer.begin(), longer.end());
  }
  for (const auto& line : lines) {
    const GedcomLine expected = SplitLineStepByStep(line);
    const GedcomLine actual = SplitGedcomLine(line);
    ASSERT_EQ(actual.level, expected.level) << line;
    ASSERT_EQ(actual.hasLevel, expected.hasLevel) << line;
    ASSERT_EQ(actual.tag.data(), expected.tag.data()) << line;
    ASSERT_EQ(actual.tag.size(), expected.tag.size()) << line;
    ASSERT_EQ(actual.value.data(), expected.value.data()) << line;
    ASSERT_EQ(actual.value.size(), expected.value.size()) << line;
  }
}

TEST(SplitGedcomLineTest, AgreesWithTheStepByStepSplitOnLongTags) {
  // Tags of up to thirty bytes, read eight at a time: white space, control bytes that are no
  // white space, '!' (the first byte above the blanks) and bytes above 127 at every position.
  const std::string alphabet = std::string("A!\x1f\x01\x80\xa0\xff \t\v\r@\0", 13);
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    std::string line = round % 2 == 0 ? "1 " : "";
    const std::size_t length = random() % 31;
    for (std::size_t i = 0; i < length; ++i) {
      // Mostly tag bytes, so that long runs without white space occur.
      line += random() % 3 == 0 ? alphabet[random() % alphabet.size()] : 'T';
    }
    const GedcomLine expected = SplitLineStepByStep(line);
    const GedcomLine actual = SplitGedcomLine(line);
    ASSERT_EQ(actual.tag.data(), expected.tag.data()) << line;
    ASSERT_EQ(actual.tag.size(), expected.tag.size()) << line;
    ASSERT_EQ(actual.value.data(), expected.value.data()) << line;
    ASSERT_EQ(actual.value.size(), expected.value.size()) << line;
  }
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(IsGedcomSpace(static_cast<unsigned char>(c)), IsSpaceByte(static_cast<char>(c))) << c;
  }
}

TEST(SplitGedcomLineTest, HugeLevelsSaturate) {
  const auto line = SplitGedcomLine("99999999999999999999999999999999999999999999999999 NOTE x");
  EXPECT_EQ(line.level, kSaturatedNumber);
  EXPECT_EQ(line.tag, "NOTE");
  EXPECT_EQ(SplitGedcomLine("2147483647 X").level, kSaturatedNumber);
  EXPECT_EQ(SplitGedcomLine("2147483646 X").level, kSaturatedNumber - 1);
}

TEST(IdentifierTest, ShapeAndStripping) {
  EXPECT_TRUE(IsIdentifierShaped("@I1@"));
  EXPECT_TRUE(IsIdentifierShaped("@"));
  EXPECT_TRUE(IsIdentifierShaped("@@"));
  EXPECT_FALSE(IsIdentifierShaped(""));
  EXPECT_FALSE(IsIdentifierShaped("@I1"));
  EXPECT_FALSE(IsIdentifierShaped("I1@"));
  EXPECT_EQ(StripAt("@F3@"), "F3");
  EXPECT_EQ(StripAt("@a@b@"), "ab");
  EXPECT_EQ(StripAt("plain"), "plain");
  // The shortcut gives what StripAt gives, and the scratch string only when it must.
  std::string scratch = "old";
  for (std::string_view text : {"@I1@", "@", "@@", "@@@", "@a@b@", "plain", "a@", "@F3", ""}) {
    EXPECT_EQ(StrippedIdentifier(text, scratch), StripAt(text)) << text;
  }
  const std::string_view id = "@I12@";
  EXPECT_EQ(StrippedIdentifier(id, scratch).data(), id.data() + 1);
}

TEST(TrailingYearTest, ReadsTheLastRunOfDigits) {
  EXPECT_EQ(TrailingYear("ABT 1950"), 1950);
  EXPECT_EQ(TrailingYear("1950/51"), 51);
  EXPECT_EQ(TrailingYear("12 MAR 50"), 50);
  EXPECT_EQ(TrailingYear("5 MAY 1950 "), 1950);
  EXPECT_EQ(TrailingYear("5 MAY 1950\t \t"), 1950);
  EXPECT_EQ(TrailingYear("BEF MAY"), 0);
  EXPECT_EQ(TrailingYear(""), 0);
  EXPECT_EQ(TrailingYear("123456789012345678901234567890"), kSaturatedNumber);
}

TEST(BlankLineTest, OnlySpacesAndTabs) {
  EXPECT_TRUE(IsBlankLine(""));
  EXPECT_TRUE(IsBlankLine(" \t "));
  EXPECT_FALSE(IsBlankLine(" \v"));
  EXPECT_FALSE(IsBlankLine("0"));
}

}  // namespace
}  // namespace gedtext
