// names_test.cpp - display names and their capitalisation.
#include <gtest/gtest.h>

#include "kinprune_doc.h"

using kinprune::CKinpruneDoc;

namespace {

std::string Proper(std::string name) {
  CKinpruneDoc::ProperCaseName(name);
  return name;
}

}  // namespace

TEST(DisplayNameTest, MovesSurnameFirst) {
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("John /Smith/"), "Smith, John");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("/Smith/"), "Smith,");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("John"), "John");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("John /Smith"), "John /Smith");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("John /Smith/ III"), "Smith, John III");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("John //"), "John");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("//"), "");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName(""), "");
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName("// Jr"), "Jr");
  // Slashes inside the surname stay; only the white space next to the surname is trimmed.
  EXPECT_EQ(CKinpruneDoc::BuildDisplayName(" Ann \t/a/b/\v Jr "), "a/b,  Ann Jr ");
}

TEST(ProperCaseNameTest, CapitalisesWords) {
  EXPECT_EQ(Proper("SMITH, JOHN"), "Smith, John");
  EXPECT_EQ(Proper("de la cruz,"), "De La Cruz,");
  EXPECT_EQ(Proper("o'brien-JONES"), "O'Brien-Jones");
  EXPECT_EQ(Proper("!unknown"), "!Unknown");
  EXPECT_EQ(Proper(""), "");
  EXPECT_EQ(Proper("1st smith"), "1st Smith");
  // Bytes above 0x7F are word characters but keep their case.
  EXPECT_EQ(Proper("\xC3\x89MILE ZOLA"), "\xC3\x89mile Zola");
}

TEST(ProperCaseNameTest, McRule) {
  EXPECT_EQ(Proper("MCDONALD, ANGUS"), "McDonald, Angus");
  EXPECT_EQ(Proper("Mcdonald"), "Mcdonald");
  EXPECT_EQ(Proper("McDonald"), "Mcdonald");
  EXPECT_EQ(Proper("mCdonald"), "McDonald");
  EXPECT_EQ(Proper("MC"), "Mc");
  EXPECT_EQ(Proper("M"), "M");
}

TEST(ProperCaseNameTest, RomanNumeralsInCapitals) {
  EXPECT_EQ(Proper("smith, john iii"), "Smith, John III");
  EXPECT_EQ(Proper("HENRY viii, king"), "Henry VIII, King");
  EXPECT_EQ(Proper("xiv"), "XIV");
  EXPECT_EQ(Proper("Ivy"), "Ivy");
  EXPECT_EQ(Proper("vix ivan"), "VIX Ivan");
  EXPECT_EQ(Proper("louis i"), "Louis I");
}
