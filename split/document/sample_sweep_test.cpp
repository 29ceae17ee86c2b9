// sample_sweep_test.cpp - every public sample file: load, details of everyone, save everyone,
// re-load.
#include <gtest/gtest.h>

#include <algorithm>  // std::sort

#include "doc_test_helpers.h"
#include "line_reader.h"
#include "test_support.h"

using kinprune::CKinpruneDoc;

namespace {

// Every line ends in CR LF: no CR or LF stands alone.
bool AllLinesEndInCrLf(const std::string& text) {
  if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

std::vector<std::string> SortedListing(const CKinpruneDoc& doc) {
  auto rows = doctest::Listing(doc);
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The individuals a save of everyone can carry: one per xref that has a record (of two INDI
// records sharing an xref only the later one can be found, and so written).
std::vector<std::string> WritableListing(CKinpruneDoc& doc) {
  std::vector<std::string> rows;
  for (const auto& [xref, entry] : doc.individualByXref) {
    if (doc.RecordOffset(xref) != CKinpruneDoc::kNoRecord) {
      rows.push_back(xref + "=" + std::string(entry->name));
    }
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace

TEST(SampleSweepTest, LoadShowSaveReload) {
  auto files = gedtest::SampleGedcomFiles();
  files.push_back(std::string(GEDTOOLS_SOURCE_DIR) + "/examples/family.ged");
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = gedtest::ReadFileBytes(file);
    CKinpruneDoc doc;
    const auto outcome = doc.OnOpenDocument(file.string());
    if (gedtext::LooksLikeUtf16(bytes)) {
      EXPECT_FALSE(outcome.ok);
      EXPECT_NE(outcome.error.find("UTF-16"), std::string::npos);
      continue;
    }
    ASSERT_TRUE(outcome.ok) << outcome.error;

    for (auto& [name, entry] : doc.individualsByName) {
      const std::string details = kinprune::DetailsText(doc, entry);
      EXPECT_EQ(details.rfind("Name\t", 0), 0u);
      entry.selected = true;
    }
    const std::string saved = doctest::Subset(doc);
    EXPECT_TRUE(AllLinesEndInCrLf(saved));
    EXPECT_EQ(saved.substr(saved.size() - 8), "0 TRLR\r\n");

    CKinpruneDoc again;
    doctest::Load(again, saved);
    EXPECT_EQ(SortedListing(again), WritableListing(doc));
    EXPECT_EQ(again.hasByteOrderMark, doc.hasByteOrderMark);
  }
}
