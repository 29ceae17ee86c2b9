// doc_test_helpers.h - small helpers shared by the document's tests.
#pragma once

#include <gtest/gtest.h>

#include <sstream>  // std::ostringstream
#include <string>   // std::string
#include <vector>   // std::vector

#include "kinprune_doc.h"

namespace doctest {

/// Loads text into doc; fails the test when the load is refused.
inline void Load(kinprune::CKinpruneDoc& doc, const std::string& text) {
  const kinprune::OpenOutcome outcome = doc.LoadFromMemory(text, "test.ged");
  ASSERT_TRUE(outcome.ok) << outcome.error;
}

/// Marks the individuals with these xrefs as selected (every entry that has the xref).
inline void Select(kinprune::CKinpruneDoc& doc, const std::vector<std::string>& xrefs) {
  for (auto& [name, entry] : doc.individualsByName) {
    for (const std::string& xref : xrefs) {
      if (entry.xref == xref) entry.selected = true;
    }
  }
}

/// The write pass into a string.
inline std::string Subset(kinprune::CKinpruneDoc& doc, kinprune::StatusSink* status = nullptr) {
  std::ostringstream out;
  EXPECT_TRUE(doc.WriteSubset(out, status));
  return out.str();
}

/// Status texts in the order they were shown.
class RecordingSink : public kinprune::StatusSink {
 public:
  void SetStatusText(std::string_view text) override { texts.emplace_back(text); }
  std::vector<std::string> texts;
};

/// Names of individualsByName in order, as "xref=name".
inline std::vector<std::string> Listing(const kinprune::CKinpruneDoc& doc) {
  std::vector<std::string> rows;
  for (const auto& [name, entry] : doc.individualsByName) rows.push_back(entry.xref + "=" + std::string(name));
  return rows;
}

}  // namespace doctest
