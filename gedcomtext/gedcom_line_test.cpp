// Tests of the line splitter and the identifier helpers.
#include "gedcom_line.h"

#include <gtest/gtest.h>

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
