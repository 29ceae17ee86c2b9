// xref_set_test.cpp - the identifier set keeps its keys, its order and its balance.
#include "xref_set.h"

#include <gtest/gtest.h>

#include <algorithm>  // std::shuffle
#include <cmath>      // std::log2
#include <random>     // std::mt19937
#include <set>        // std::set
#include <string>
#include <vector>

namespace privatize {
namespace {

TEST(XrefSetTest, EveryRotationKeepsTheTreeBalanced) {
  const std::vector<std::vector<std::string>> orders = {{"A", "B", "C"},
                                                        {"C", "B", "A"},
                                                        {"A", "C", "B"},
                                                        {"C", "A", "B"},
                                                        {"M", "F", "T", "C", "H", "A"},
                                                        {"M", "F", "T", "C", "H", "G"},
                                                        {"M", "F", "T", "P", "W", "Z"},
                                                        {"M", "F", "T", "P", "W", "N"}};
  for (const auto& order : orders) {
    XrefSet set;
    for (const auto& key : order) EXPECT_TRUE(set.Insert(key));
    EXPECT_TRUE(set.CheckInvariantsForTest());
    EXPECT_EQ(set.Size(), order.size());
    for (const auto& key : order) EXPECT_TRUE(set.Contains(key));
  }
  XrefSet three;
  for (const char* key : {"A", "C", "B"}) three.Insert(key);
  EXPECT_EQ(three.HeightForTest(), 2);
}

TEST(XrefSetTest, ManyKeysStayFindableInLogarithmicHeight) {
  std::vector<std::string> keys;
  for (int i = 0; i < 20000; ++i) keys.push_back("I" + std::to_string(i));
  std::vector<std::string> shuffled = keys;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));

  for (const auto* sequence : {&keys, &shuffled}) {
    XrefSet set;
    for (const auto& key : *sequence) EXPECT_TRUE(set.Insert(key));
    for (const auto& key : *sequence) EXPECT_FALSE(set.Insert(key)) << key;
    ASSERT_TRUE(set.CheckInvariantsForTest());
    EXPECT_EQ(set.Size(), keys.size());
    const double limit = 1.45 * std::log2(static_cast<double>(keys.size()) + 2);
    EXPECT_LE(set.HeightForTest(), static_cast<int>(limit));
    for (const auto& key : keys) EXPECT_TRUE(set.Contains(key) && set.ContainsLikely(key));
    // Absent keys that look like the present ones, so that they meet filter bits and slots
    // of other keys.
    for (int i = 20000; i < 60000; ++i) {
      const std::string absent = "I" + std::to_string(i);
      ASSERT_FALSE(set.Contains(absent) || set.ContainsLikely(absent)) << absent;
    }
    EXPECT_FALSE(set.Contains("I20000"));
    EXPECT_FALSE(set.Contains("I"));
    EXPECT_FALSE(set.Contains(""));
  }
}

// Keys of a stem and a number are also told by a bit per number: keys whose stems or digits
// differ (a leading zero counts) must never share a bit, and keys of stems past the bit maps'
// limit must still be found.
TEST(XrefSetTest, NumberedKeysAreToldApartByStemAndDigits) {
  const std::vector<std::string> alike = {"I5",
                                          "I05",
                                          "I005",
                                          std::string("I\0"
                                                      "5",
                                                      3),
                                          std::string("I\0"
                                                      "05",
                                                      4),
                                          "5",
                                          "05",
                                          "I0",
                                          "I00",
                                          "0",
                                          "I1234567",
                                          "1234567",
                                          "12345678",
                                          "I12345678",
                                          "A1B2",
                                          "A1B02",
                                          "A1C2",
                                          "@5",
                                          "I9999999"};
  for (std::size_t present = 0; present < alike.size(); ++present) {
    XrefSet set;
    ASSERT_TRUE(set.Insert(alike[present]));
    for (std::size_t other = 0; other < alike.size(); ++other) {
      EXPECT_EQ(set.Contains(alike[other]), other == present) << alike[present] << " / " << other;
      EXPECT_EQ(set.ContainsLikely(alike[other]), other == present)
          << alike[present] << " / " << other;
    }
    EXPECT_TRUE(set.CheckInvariantsForTest());
  }

  // Bit maps for the largest numbers of several stems run out of the words allowed for them:
  // keys beyond them are found all the same.
  XrefSet large;
  std::vector<std::string> largeKeys;
  for (const char* stem : {"A", "B", "C", "D", "E"}) {
    for (const char* number : {"9999999", "5", "0000000", "9999998"})
      largeKeys.push_back(std::string(stem) + number);
  }
  for (const auto& key : largeKeys) ASSERT_TRUE(large.Insert(key)) << key;
  for (const auto& key : largeKeys) EXPECT_TRUE(large.Contains(key) && !large.Insert(key)) << key;
  for (const char* absent : {"A9999997", "E9999997", "E6", "E000000", "F5"}) {
    EXPECT_FALSE(large.Contains(absent) || large.ContainsLikely(absent)) << absent;
  }
  EXPECT_TRUE(large.CheckInvariantsForTest());

  // Random operations over keys of many stems (more than get a bit map), numbers of every
  // length and a few bytes that are no digits, against std::set.
  std::mt19937 random(11);
  const std::string stems[] = {
      "",  "I", "F", "S", "N", "R", "M", "P",   "X", "I0", "F1", "@", "Ab", std::string(1, '\0'),
      "Q", "T", "U", "V", "W", "Y", "Z", "SOUR"};
  auto randomKey = [&] {
    std::string key = stems[random() % std::size(stems)];
    const int digits = static_cast<int>(random() % 9);
    for (int i = 0; i < digits; ++i)
      key.push_back(static_cast<char>('0' + random() % (i == 0 ? 3 : 10)));
    if (random() % 16 == 0) key.push_back(':');
    return key;
  };
  XrefSet set;
  std::set<std::string> model;
  for (int step = 0; step < 60000; ++step) {
    const std::string key = randomKey();
    switch (random() % 4) {
      case 0:
        ASSERT_EQ(set.Insert(key), model.insert(key).second) << key;
        break;
      case 1:
        ASSERT_EQ(set.InsertLikelyPresent(XrefSet::MakeProbe(key)), model.insert(key).second)
            << key;
        break;
      case 2:
        ASSERT_EQ(set.Contains(key), model.count(key) == 1) << key;
        break;
      default:
        ASSERT_EQ(set.ContainsLikely(key), model.count(key) == 1) << key;
        break;
    }
  }
  EXPECT_EQ(set.Size(), model.size());
  EXPECT_TRUE(set.CheckInvariantsForTest());
  set.Destroy();
  for (const auto& key : model) ASSERT_FALSE(set.Contains(key)) << key;
  EXPECT_TRUE(set.Insert("I5"));
  EXPECT_TRUE(set.CheckInvariantsForTest());
}

TEST(XrefSetTest, ComparesCaseSensitiveUnsignedBytes) {
  XrefSet set;
  EXPECT_TRUE(set.Insert("F1"));
  EXPECT_FALSE(set.Contains("f1"));
  EXPECT_TRUE(set.Insert("f1"));
  EXPECT_TRUE(set.Insert("F"));  // a proper prefix is a key of its own
  EXPECT_TRUE(set.Insert("F10"));
  EXPECT_TRUE(set.Insert("\xC3\xA9"));  // sorts after every ASCII key
  EXPECT_TRUE(set.Insert(std::string("N\0L", 3)));
  EXPECT_TRUE(set.Insert("z"));
  EXPECT_TRUE(set.CheckInvariantsForTest());
  EXPECT_TRUE(set.Contains(std::string("N\0L", 3)));
  EXPECT_FALSE(set.Contains("N"));
  EXPECT_TRUE(set.Contains("\xC3\xA9"));
  EXPECT_EQ(set.Size(), 7u);
}

TEST(XrefSetTest, KeysAroundTheEighthByteOrderLikeTheirBytes) {
  // Keys that agree in their first eight bytes, keys that end with NUL bytes (which look like
  // the padding of a shorter key), and long keys that differ only after the eighth byte.
  std::vector<std::string> keys;
  for (std::size_t length = 0; length <= 18; ++length) {
    keys.push_back(std::string(length, 'A'));
    keys.push_back(std::string(length, '\0'));
    keys.push_back(std::string(length, '\xFF'));
    if (length > 0) {
      std::string lastDiffers(length, 'A');
      lastDiffers.back() = 'B';
      keys.push_back(lastDiffers);
      std::string nulInside(length, 'A');
      nulInside[length / 2] = '\0';
      keys.push_back(nulInside);
    }
  }
  XrefSet set;
  std::set<std::string> reference;
  for (const auto& key : keys) {
    EXPECT_EQ(set.Insert(key), reference.insert(key).second) << key.size();
  }
  EXPECT_EQ(set.Size(), reference.size());
  EXPECT_TRUE(set.CheckInvariantsForTest());
  for (const auto& key : reference) {
    EXPECT_TRUE(set.Contains(key)) << key.size();
    EXPECT_TRUE(set.ContainsLikely(key)) << key.size();
    EXPECT_FALSE(set.Insert(key));
    EXPECT_FALSE(set.Contains(key + 'C'));
    EXPECT_FALSE(set.ContainsLikely(key + 'C'));
  }
  EXPECT_FALSE(set.Contains("AAAAAAAAC"));
  EXPECT_FALSE(set.Contains(std::string(19, 'A')));
}

TEST(XrefSetTest, KeysThatDifferOnlyInTheirLastByte) {
  // They share one stretch of the hash index, so long runs of taken slots form, also across
  // the end of the index; every key must stay findable and no absent one found.
  XrefSet set;
  std::set<std::string> reference;
  for (const std::string stem : {"", "F", "I12", "LONGER-THAN-EIGHT-"}) {
    for (int last = 0; last < 256; last += (stem.empty() ? 1 : 2)) {
      const std::string key = stem + static_cast<char>(last);
      EXPECT_EQ(set.Insert(key), reference.insert(key).second);
    }
  }
  EXPECT_TRUE(set.CheckInvariantsForTest());
  for (const std::string stem : {"F", "I12", "LONGER-THAN-EIGHT-"}) {
    for (int last = 0; last < 256; ++last) {
      const std::string key = stem + static_cast<char>(last);
      const bool present = reference.count(key) == 1;
      EXPECT_EQ(set.Contains(key), present) << stem << last;
      EXPECT_EQ(set.ContainsLikely(key), present) << stem << last;
    }
  }
}

TEST(XrefSetTest, SpansManyNodeBlocks) {
  // More keys than one block of nodes holds, inserted in an order that rotates across blocks.
  XrefSet set;
  for (int i = 0; i < 30000; ++i) set.Insert("I" + std::to_string((i * 7919) % 30000));
  EXPECT_EQ(set.Size(), 30000u);
  EXPECT_TRUE(set.CheckInvariantsForTest());
  for (int i = 0; i < 30000; i += 97) EXPECT_TRUE(set.Contains("I" + std::to_string(i)));
  EXPECT_FALSE(set.Contains("I30000"));
}

TEST(XrefSetTest, AReservedIndexFindsKeysBelowAndBeyondTheReservation) {
  // Reserved while empty, reserved again with keys in it (smaller and larger than the index
  // already is), then filled past the reservation so that the index still has to grow.
  XrefSet set;
  set.ReserveIndex(0);
  EXPECT_FALSE(set.Contains("I1"));
  EXPECT_FALSE(set.ContainsLikely("I1"));
  set.ReserveIndex(100);
  EXPECT_FALSE(set.Contains("I1"));
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(set.Insert("I" + std::to_string(i)));
  set.ReserveIndex(10);
  set.ReserveIndex(3000);
  for (int i = 0; i < 50; ++i) EXPECT_FALSE(set.Insert("I" + std::to_string(i)));
  for (int i = 50; i < 5000; ++i) EXPECT_TRUE(set.Insert("I" + std::to_string(i)));
  EXPECT_EQ(set.Size(), 5000u);
  EXPECT_TRUE(set.CheckInvariantsForTest());
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(set.ContainsLikely("I" + std::to_string(i))) << i;
  EXPECT_FALSE(set.Contains("I5000"));
  set.Destroy();
  set.ReserveIndex(64);
  EXPECT_TRUE(set.Insert("F1"));
  EXPECT_TRUE(set.Contains("F1"));
}

TEST(XrefSetTest, OneProbeAnswersForEverySet) {
  // A probe made once must find and insert exactly like its key in sets of different sizes,
  // including keys longer than eight bytes and the empty key.
  XrefSet small;
  XrefSet large;
  for (int i = 0; i < 3000; ++i) large.Insert("F" + std::to_string(i));
  small.Insert("F7");
  for (const std::string key : {"F7", "F2999", "F3000", "", "FAMILY-WITH-A-LONG-NAME"}) {
    const XrefSet::Probe probe = XrefSet::MakeProbe(key);
    EXPECT_EQ(small.Contains(probe), small.Contains(key)) << key;
    EXPECT_EQ(large.Contains(probe), large.Contains(key)) << key;
    EXPECT_EQ(large.ContainsLikely(probe), large.Contains(key)) << key;
  }
  const std::string longKey = "FAMILY-WITH-A-LONG-NAME";
  EXPECT_TRUE(small.Insert(XrefSet::MakeProbe(longKey)));
  EXPECT_FALSE(small.Insert(XrefSet::MakeProbe(longKey)));
  EXPECT_TRUE(small.Contains(longKey));
  EXPECT_TRUE(small.CheckInvariantsForTest());
}

TEST(XrefSetTest, DestroyEmptiesTheSetForReuse) {
  XrefSet set;
  for (int i = 0; i < 1000; ++i) set.Insert(std::to_string(i));
  set.Destroy();
  EXPECT_TRUE(set.Empty());
  EXPECT_FALSE(set.Contains("5"));
  EXPECT_EQ(set.HeightForTest(), 0);
  EXPECT_TRUE(set.Insert("5"));
  EXPECT_TRUE(set.Contains("5"));
  set.Destroy();
  set.Destroy();
  EXPECT_TRUE(set.Empty());
}

TEST(XrefSetTest, DeferredTreeInsertionsGiveTheSameAnswersAndTree) {
  // Short and long keys, with repeats, in an order that needs every kind of rotation.
  std::vector<std::string> keys;
  std::mt19937 random(11);
  for (int i = 0; i < 30000; ++i) {
    const auto number = std::to_string(random() % 20000);
    keys.push_back(i % 3 == 0 ? "SOURCE_RECORD_" + number : "I" + number);
  }
  XrefSet direct;
  XrefSet deferred;
  deferred.DeferTreeInsertions();
  // A deferral that begins on a tree with keys links the later ones one by one, in order.
  XrefSet partly;
  constexpr std::size_t kBeforeDeferral = 100;
  std::set<std::string> model;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::string& key = keys[i];
    const bool isNew = model.insert(key).second;
    ASSERT_EQ(direct.Insert(key), isNew) << key;
    // Inserting past the filter must still set the key's bits in it, or Contains would miss.
    const bool inserted =
        i % 2 == 0 ? deferred.Insert(key) : deferred.InsertLikelyPresent(XrefSet::MakeProbe(key));
    ASSERT_EQ(inserted, isNew) << key;
    ASSERT_TRUE(deferred.Contains(key));
    if (i == kBeforeDeferral) partly.DeferTreeInsertions();
    ASSERT_EQ(partly.Insert(key), isNew) << key;
  }
  deferred.LinkDeferredInBackground();
  partly.LinkDeferredInBackground();
  // Lookups while the tree is being built on the other thread.
  for (const auto& key : keys) ASSERT_TRUE(deferred.ContainsLikely(key));
  EXPECT_FALSE(deferred.Contains("I20000"));
  EXPECT_TRUE(deferred.CheckInvariantsForTest());
  EXPECT_EQ(deferred.Size(), model.size());
  // Built from the sorted keys at once: the least height that many keys can have.
  int leastHeight = 0;
  while ((std::size_t{1} << leastHeight) - 1 < model.size()) ++leastHeight;
  EXPECT_EQ(deferred.HeightForTest(), leastHeight);
  EXPECT_LT(deferred.HeightForTest(), direct.HeightForTest());
  EXPECT_TRUE(partly.CheckInvariantsForTest());
  EXPECT_EQ(partly.HeightForTest(), direct.HeightForTest());
  EXPECT_EQ(partly.Size(), model.size());

  // After the deferral, insertions go straight into the tree again.
  EXPECT_TRUE(deferred.Insert("I20000"));
  EXPECT_FALSE(deferred.Insert(keys[1]));
  EXPECT_TRUE(deferred.CheckInvariantsForTest());

  // A set destroyed while deferring, or while its tree is being built, can be used again.
  XrefSet abandoned;
  abandoned.DeferTreeInsertions();
  for (const auto& key : keys) abandoned.Insert(key);
  abandoned.Destroy();
  EXPECT_TRUE(abandoned.Empty());
  EXPECT_TRUE(abandoned.Insert("I1"));
  abandoned.DeferTreeInsertions();
  for (const auto& key : keys) abandoned.Insert(key);
  abandoned.LinkDeferredInBackground();
  abandoned.Destroy();
  EXPECT_TRUE(abandoned.Insert("I2"));
  EXPECT_TRUE(abandoned.CheckInvariantsForTest());
}

TEST(XrefSetTest, AProbesHeadHoldsTheFirstEightBytesInOrder) {
  // Every length around the four- and eight-byte loads, bytes on both sides of 0x80.
  std::mt19937 random(5);
  const std::string bytes(
      "\x00\x01\x7f\x80\xfe\xff"
      "AZaz09@",
      13);
  for (int round = 0; round < 3000; ++round) {
    std::string key(random() % 13, ' ');
    for (char& c : key) c = bytes[random() % bytes.size()];
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      expected = (expected << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    }
    ASSERT_EQ(XrefSet::MakeProbe(key).head, expected) << round;
  }
}

}  // namespace
}  // namespace privatize
