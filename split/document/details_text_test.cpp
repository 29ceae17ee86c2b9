// details_text_test.cpp - the details pane's text for real and broken records.
#include <gtest/gtest.h>

#include "doc_test_helpers.h"

using kinprune::CKinpruneDoc;
using kinprune::DetailsText;
using kinprune::IndividualEntry;
using kinprune::NameOfRecord;
using doctest::Load;

TEST(DetailsTextTest, ShowsFactsParentsAndThreeSpouses) {
  CKinpruneDoc doc;
  Load(doc,
       "0 @I1@ INDI\n1 NAME John /Smith/\n1 REFN 42\n1 BIRT\n2 DATE 1 JAN 1900\n2 PLAC Leeds\n"
       "1 DEAT\n2 DATE 1970\n2 PLAC York\n1 NAME Johnny /Smith/\nNAME not a line\n"
       "1 FAMC @F0@\n1 FAMC not a pointer\n1 FAMS unknown\n1 FAMS @F1@\n1 FAMS @F2@\n"
       "1 FAMS @F3@\n1 FAMS @F4@\n"
       "0 @F0@ FAM\n1 HUSB @I10@\n1 WIFE @I11@\n1 MARR\n2 HUSB\n3 AGE 42\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I20@\n"
       "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I99@\n"
       "0 @F3@ FAM\n1 WIFE @I21@\n1 HUSB @I1@\n"
       "0 @F4@ FAM\n1 WIFE @I22@\n"
       "0 @I10@ INDI\n1 NAME Father /Smith/\n1 NAME Second /Name/\n"
       "0 @I11@ INDI\n1 SEX F\n"
       "0 @I20@ INDI\n1 NAME Wife /One/\n"
       "0 @I21@ INDI\n1 NAME Wife /Three/\n"
       "0 @I22@ INDI\n1 NAME Wife /Four/\n");
  EXPECT_EQ(DetailsText(doc, *doc.FindIndividual("I1")),
            "Name\tJohnny /Smith/\r\nId\tI1\r\nRefn\t42\r\nBirth Date\t1 JAN 1900\r\n"
            "Birth Place\tLeeds\r\nDeath Date\t1970\r\nDeath Place\tYork\r\n\r\n"
            "Father\tFather /Smith/\r\nMother\t\r\n\r\n"
            "Spouses\tWife /One/\r\n\t\r\n\tWife /Three/");
  // The first NAME line names a relative; the individual shown takes the last.
  EXPECT_EQ(NameOfRecord(doc, "I10"), "Father /Smith/");
  EXPECT_EQ(NameOfRecord(doc, "I11"), "");
  EXPECT_EQ(NameOfRecord(doc, "I99"), "");
}

TEST(DetailsTextTest, EmptyFieldsForMissingAndDeepRecords) {
  CKinpruneDoc doc;
  Load(doc,
       "0 @I1@ INDI\n1 FAMC @F9@\n1 FAMS @F9@\n1 DATE 1800\n1 BIRT\n62 BIRT\n63 DATE deep\n"
       "63 BIRT\n64 DATE too deep\n64 PLAC too deep\n"
       "0 @I2@ INDI\n1 FAMS @@\n1 FAMC @\n");
  const std::string empty =
      "\r\nRefn\t\r\nBirth Date\t\r\nBirth Place\t\r\nDeath Date\t\r\nDeath Place\t\r\n\r\n"
      "Father\t\r\nMother\t\r\n\r\nSpouses\t\r\n\t\r\n\t";
  IndividualEntry unknown{"Gone, Person", "NOWHERE"};
  EXPECT_EQ(DetailsText(doc, unknown), "Name\t\r\nId\tNOWHERE" + empty);
  EXPECT_EQ(DetailsText(doc, *doc.FindIndividual("I2")), "Name\t\r\nId\tI2" + empty);
  EXPECT_EQ(DetailsText(doc, *doc.FindIndividual("I1")),
            "Name\t\r\nId\tI1\r\nRefn\t\r\nBirth Date\tdeep\r\nBirth Place\t\r\nDeath Date\t\r\n"
            "Death Place\t\r\n\r\nFather\t\r\nMother\t\r\n\r\nSpouses\t\r\n\t\r\n\t");
}

TEST(DetailsTextTest, ExampleFile) {
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(std::string(GEDTOOLS_SOURCE_DIR) + "/examples/family.ged").ok);
  const IndividualEntry* william = doc.FindIndividual("I3");
  ASSERT_NE(william, nullptr);
  const std::string text = DetailsText(doc, *william);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Name\tWilliam James /Hartley/");
  EXPECT_NE(text.find("\r\nFather\tThomas /Hartley/\r\nMother\tMargaret /ASHWORTH/\r\n"),
            std::string::npos);
}
