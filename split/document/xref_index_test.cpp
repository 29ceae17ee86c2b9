// xref_index_test.cpp - the hash index beside the identifier maps.
#include <gtest/gtest.h>

#include <cstdint>  // std::uint64_t
#include <map>      // std::map
#include <string>   // std::string, std::to_string

#include "kinprune_doc.h"
#include "xref_index.h"

using kinprune::XrefIndex;

namespace {

using Map = std::map<std::string, std::uint64_t>;

// Identifiers that share their first eight bytes, differ only in length or in a byte past the
// eighth, hold zero bytes, or are empty: the cases a head-and-size comparison must get right.
Map AwkwardKeys() {
  Map map;
  std::uint64_t value = 0;
  for (const std::string& key :
       {std::string(""), std::string("I"), std::string("I1"), std::string("I1\0", 3),
        std::string("ABCDEFGH"), std::string("ABCDEFGH\0", 9), std::string("ABCDEFGHI"),
        std::string("ABCDEFGHJ"), std::string("ABCDEFGHIJKLMNOPQ"),
        std::string("ABCDEFGHIJKLMNOPR"), std::string("\xff\xfe"), std::string("@")}) {
    map.emplace(key, value++);
  }
  return map;
}

}  // namespace

TEST(XrefIndexTest, FindsExactlyTheKeysOfTheMap) {
  Map map = AwkwardKeys();
  XrefIndex<std::uint64_t> index;
  for (auto& entry : map) index.Add(entry);
  ASSERT_EQ(index.size(), map.size());
  for (auto& entry : map) {
    const auto* slot = index.Find(entry.first);
    ASSERT_NE(slot, nullptr) << entry.first;
    EXPECT_EQ(slot->entry, &entry);
    EXPECT_EQ(slot->value, entry.second);
  }
  for (const char* absent :
       {"ABCDEFG", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOPQR", "I2", "ABCDEFGHK"}) {
    EXPECT_EQ(index.Find(absent), nullptr) << absent;
  }
  EXPECT_EQ(index.Find(std::string("I1\0\0", 4)), nullptr);
}

TEST(XrefIndexTest, IdsCountAdditionsAndSurviveGrowth) {
  Map map;
  XrefIndex<std::uint64_t> index;
  for (std::uint64_t k = 0; k < 5000; ++k) {
    auto [entry, added] = map.emplace("X" + std::to_string(k * 7919 % 100003), k);
    ASSERT_TRUE(added);
    EXPECT_EQ(index.Add(*entry), k);
  }
  std::size_t visited = 0;
  index.ForEach([&](const XrefIndex<std::uint64_t>::Slot& slot) {
    EXPECT_EQ(slot.id, slot.value);  // added in value order above
    ++visited;
  });
  EXPECT_EQ(visited, map.size());
  for (auto& entry : map) ASSERT_EQ(index.Find(entry.first)->id, entry.second);
  index.Clear();
  EXPECT_EQ(index.Find("X0"), nullptr);
}

TEST(XrefIndexTest, RebuildFindsEveryKeyOfAMapLargerThanOneStretch) {
  // A small map, built on one thread, and one large enough for the table to be filled in several
  // rounds by two threads, some entries running over the middle of the table or round from its
  // end to its start; each built twice to see that nothing of the first build remains.
  for (const std::uint64_t keys : {3000, 600000}) {
    Map map;
    for (std::uint64_t k = 0; k < keys; ++k) map.emplace("I" + std::to_string(k), k);
    for (auto& entry : AwkwardKeys()) map.emplace(entry.first, entry.second + 1000000);
    XrefIndex<std::uint64_t> index;
    index.Add(*map.begin());
    for (int build = 0; build < 2; ++build) {
      index.Rebuild(map);
      ASSERT_EQ(index.size(), map.size());
      EXPECT_EQ(index.IdsInMapOrder(), map.size());
      std::uint32_t id = 0;
      for (auto& entry : map) {
        const auto* slot = index.Find(entry.first);
        ASSERT_NE(slot, nullptr) << entry.first;
        ASSERT_EQ(slot->entry, &entry);
        ASSERT_EQ(slot->value, entry.second);
        ASSERT_EQ(slot->id, id++);
      }
      std::size_t visited = 0;
      index.ForEach([&](const XrefIndex<std::uint64_t>::Slot&) { ++visited; });
      EXPECT_EQ(visited, map.size());
      for (const std::string& absent : {"I" + std::to_string(keys), std::string("I-1"),
                                       std::string("ABCDEFGHK"), std::string("J1")}) {
        EXPECT_EQ(index.Find(absent), nullptr) << absent;
      }
    }
    auto [late, added] = map.emplace("LATE", 7);
    ASSERT_TRUE(added);
    EXPECT_EQ(index.Add(*late), map.size() - 1);
    EXPECT_EQ(index.Find("LATE")->value, 7u);
    EXPECT_EQ(index.IdsInMapOrder(), map.size() - 1);  // a later addition is not in map order
  }
}

TEST(XrefIndexTest, DocumentLookupsFollowTheMapsAfterChangesBehindTheirBack) {
  // The document's indexes are rebuilt when a map no longer has their size.
  kinprune::CKinpruneDoc doc;
  ASSERT_TRUE(doc.LoadFromMemory("0 @I1@ INDI\n1 NAME A /B/\n0 @F1@ FAM\n", "t.ged").ok);
  EXPECT_EQ(doc.RecordOffset("F1"), 25u);
  EXPECT_NE(doc.FindIndividual("I1"), nullptr);
  doc.recordOffsets.emplace("LATE", 7);
  EXPECT_EQ(doc.RecordOffset("LATE"), 7u);
  EXPECT_EQ(doc.RecordOffset("GONE"), kinprune::CKinpruneDoc::kNoRecord);
  EXPECT_EQ(doc.recordOffsets.at("GONE"), kinprune::CKinpruneDoc::kNoRecord);
  // Ids: F1, I1 and LATE in byte order, then GONE as it was added.
  EXPECT_EQ(doc.RecordIdsInByteOrder(), 3u);
  const auto gone = doc.FindOrAddRecord("GONE");
  EXPECT_EQ(gone.id, 3u);
  EXPECT_EQ(gone.Xref(), "GONE");
  EXPECT_EQ(gone.offset, kinprune::CKinpruneDoc::kNoRecord);
  EXPECT_EQ(doc.FindOrAddRecord("I1").id, 1u);
  EXPECT_EQ(doc.FindOrAddRecord("LATE").offset, 7u);
  doc.individualByXref.clear();
  EXPECT_EQ(doc.FindIndividual("I1"), nullptr);
}
