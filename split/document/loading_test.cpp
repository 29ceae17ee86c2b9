// loading_test.cpp - the line reader, the load pass, the tables and the open lifecycle.
#include <gtest/gtest.h>

#include <algorithm>  // std::stable_sort, std::replace, std::is_sorted
#include <map>        // std::map
#include <random>     // std::mt19937

#include "doc_test_helpers.h"
#include "test_support.h"

using kinprune::CKinpruneDoc;
using kinprune::DocLine;
using doctest::Listing;
using doctest::Load;

namespace {

struct Line {
  std::int32_t level;
  std::string tag, value;
  bool hasLevel;
  bool operator==(const Line&) const = default;
};

std::vector<Line> ReadAll(const std::string& text) {
  CKinpruneDoc doc;
  EXPECT_TRUE(doc.LoadFromMemory(text, "t.ged").ok);
  std::vector<Line> lines;
  doc.readPos = 0;
  DocLine line;
  while (doc.ReadLine(line)) {
    lines.push_back({line.level, std::string(line.tag), std::string(line.value), line.hasLevel});
  }
  EXPECT_EQ(doc.readPos, doc.fileLength);
  return lines;
}

}  // namespace

TEST(LineReaderTest, EndsLinesOnlyAtCrOrLf) {
  const std::vector<Line> expected = {{0, "HEAD", "", true}, {1, "NOTE", "a", true}, {0, "TRLR", "", true}};
  EXPECT_EQ(ReadAll("0 HEAD\r\n1 NOTE a\r\n0 TRLR\r\n"), expected);
  EXPECT_EQ(ReadAll("0 HEAD\n1 NOTE a\n0 TRLR\n"), expected);
  EXPECT_EQ(ReadAll("0 HEAD\r1 NOTE a\r0 TRLR\r"), expected);
  EXPECT_EQ(ReadAll("0 HEAD\n\r1 NOTE a\n\r0 TRLR"), expected);

  // Tabs and other control bytes belong to the value; they never split a line.
  const auto withTab = ReadAll("1 NOTE a\tb\x01" "c\r\n1 FAMS @F1@\r\n");
  ASSERT_EQ(withTab.size(), 2u);
  EXPECT_EQ(withTab[0].value, "a\tb\x01" "c");
  EXPECT_EQ(withTab[1].tag, "FAMS");

  // A control byte that stops the tag begins the value.
  const auto control = ReadAll("1 NA\x01ME x\n1\x02NAME y\n");
  ASSERT_EQ(control.size(), 2u);
  EXPECT_EQ(control[0], (Line{1, "NA", "\x01ME x", true}));
  EXPECT_EQ(control[1], (Line{1, "", "\x02NAME y", true}));

  // Exactly one separator after the tag; leading blanks before level and tag are skipped.
  EXPECT_EQ(ReadAll(" \t2\t NOTE  two \n")[0], (Line{2, "NOTE", " two ", true}));
  EXPECT_EQ(ReadAll("1 NOTE\t\tx")[0], (Line{1, "NOTE", "\tx", true}));
  // The last line needs no terminator; its last byte is kept.
  EXPECT_EQ(ReadAll("0 TRLR")[0], (Line{0, "TRLR", "", true}));
}

// The reader looks for line ends eight bytes at a time; control bytes just below and above CR,
// tabs and bytes from 0x80 at every position of a word must neither end a line nor hide an end.
TEST(LineReaderTest, FindsEveryLineEndWhereverItFallsInAWord) {
  const std::string filler("aZ \t\x01\x0c\x0e\x0f\x7f\x80\x8d\x8a\xff", 13);
  const std::string ends[] = {"\r\n", "\n", "\r", "\n\r"};
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    std::vector<std::string> values;
    for (int k = 0, lines = 1 + static_cast<int>(random() % 12); k < lines; ++k) {
      std::string value = "v";
      for (std::size_t n = random() % 40; n > 0; --n) value += filler[random() % filler.size()];
      values.push_back(value);
      text += "1 NOTE " + value;
      if (k + 1 < lines || random() % 2) text += ends[random() % 4];
    }
    const std::vector<Line> lines = ReadAll(text);
    ASSERT_EQ(lines.size(), values.size()) << round;
    for (std::size_t k = 0; k < values.size(); ++k) {
      EXPECT_EQ(lines[k], (Line{1, "NOTE", values[k], true})) << round << " " << k;
    }
  }
}

TEST(LineReaderTest, SkipsBlankLinesAndByteOrderMark) {
  const std::vector<Line> expected = {{0, "HEAD", "", true}, {1, "NOTE", "x", true}};
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF" "0 HEAD\r\n1 NOTE x\r\n"), expected);
  EXPECT_EQ(ReadAll("\r\n  \r\n0 HEAD\r\n\r\n\r\n \t \n1 NOTE x\r\n\r\n"), expected);

  CKinpruneDoc doc;
  Load(doc, "\xEF\xBB\xBF" "0 @I1@ INDI\r\n1 NAME A /B/\r\n");
  EXPECT_TRUE(doc.hasByteOrderMark);
  EXPECT_EQ(doc.recordOffsets.at("I1"), 3u);
  ASSERT_EQ(doc.individualsByName.size(), 1u);
  EXPECT_EQ(doc.individualsByName.begin()->first, "B, A");
}

TEST(LineReaderTest, LinesWithoutLevelStayUninterpreted) {
  const auto lines = ReadAll("1 NOTE start\nFAMS @F9@\n  text\n99999999999999 DEEP x\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], (Line{CKinpruneDoc::kSaturatedLevel, "", "", false}));
  EXPECT_EQ(lines[2], (Line{CKinpruneDoc::kSaturatedLevel, "", "", false}));
  EXPECT_EQ(lines[3], (Line{CKinpruneDoc::kSaturatedLevel, "DEEP", "x", true}));

  CKinpruneDoc doc;
  Load(doc, "1 NOTE x\nFAMS @F9@\n");
  doc.readPos = 0;
  DocLine line;
  ASSERT_TRUE(doc.ReadLine(line));
  ASSERT_TRUE(doc.ReadLine(line));
  EXPECT_EQ(line.text, "FAMS @F9@");

  // The string form reuses the caller's strings.
  std::int32_t level = -1;
  std::string tag = "old", value = "old";
  doc.readPos = 0;
  ASSERT_TRUE(doc.ReadLine(level, tag, value));
  EXPECT_EQ(level, 1);
  EXPECT_EQ(tag, "NOTE");
  ASSERT_TRUE(doc.ReadLine(level, tag, value));
  EXPECT_EQ(level, CKinpruneDoc::kSaturatedLevel);
  EXPECT_TRUE(tag.empty() && value.empty());
  EXPECT_FALSE(doc.ReadLine(level, tag, value));
  EXPECT_EQ(level, 0);
}

TEST(LoadPassTest, FillsRecordOffsetsAndIndividuals) {
  CKinpruneDoc doc;
  const std::string text =
      "0 HEAD\r\n1 SUBM @U1@\r\n"
      "0 @U1@ SUBM\r\n"
      "0 @I1@ INDI\r\n1 NAME john /SMITH/\r\n"
      "0 @i1@ INDI\r\n"
      "0 @F1@ FAM\r\n1 HUSB @I1@\r\n"
      "0 @I2@ INDI \r\n1 NAME Not /Indi/\r\n"
      "0 TRLR\r\n";
  Load(doc, text);
  EXPECT_EQ(doc.recordOffsets.size(), 5u);
  EXPECT_EQ(doc.recordOffsets.at("U1"), text.find("0 @U1@"));
  EXPECT_EQ(doc.recordOffsets.at("F1"), text.find("0 @F1@"));
  EXPECT_EQ(doc.recordOffsets.count("HEAD"), 0u);
  // "INDI " is no individual; identifiers are case-sensitive.
  EXPECT_EQ(Listing(doc), (std::vector<std::string>{"i1=!Unknown", "I1=Smith, John"}));
  EXPECT_EQ(doc.FindIndividual("I1")->name, "Smith, John");
  EXPECT_EQ(doc.FindIndividual("I2"), nullptr);

  // The find-or-add lookup remembers a dangling xref as missing.
  EXPECT_EQ(doc.RecordOffset("NOPE"), CKinpruneDoc::kNoRecord);
  EXPECT_EQ(doc.recordOffsets.at("NOPE"), CKinpruneDoc::kNoRecord);
  EXPECT_EQ(doc.FindIndividual("NOPE"), nullptr);
}

TEST(LoadPassTest, LaterNamesAndDuplicatesAndOddRecords) {
  CKinpruneDoc doc;
  Load(doc,
       "0 @I1@ INDI\n1 NAME First /One/\n2 NAME Second /Two/\n"
       "0 @I2@ INDI\n1 NAME Ann /Same/\n"
       "0 @I3@ INDI\n1 NAME Ann /Same/\n1 NAME //\n"
       "0 @I2@ INDI\n1 NAME Ann /Same/\n"
       "0 X1 INDI\n1 NAME No /Xref/\n"
       "0 @I5@ INDI\nNAME Wrong /Line/\n1 NOTE\n");
  // The record on the first line is found like any other.
  EXPECT_EQ(doc.RecordOffset("I1"), 0u);
  EXPECT_EQ(Listing(doc), (std::vector<std::string>{"I3=!Unknown", "I5=!Unknown", "I2=Same, Ann",
                                                     "I2=Same, Ann", "I1=Two, Second", "=Xref, No"}));
  // The later of two records with one xref wins in both tables.
  auto second = std::next(doc.individualsByName.find("Same, Ann"));
  EXPECT_EQ(doc.FindIndividual("I2"), &second->second);
  EXPECT_EQ(doc.recordOffsets.at("I2"), doc.fileData.view().find("0 @I2@ INDI\n1 NAME Ann /Same/\n0 X1"));
  EXPECT_NE(doc.FindIndividual(""), nullptr);
  for (const auto& [name, entry] : doc.individualsByName) EXPECT_FALSE(entry.selected);
}

// The tables a file of individuals should give, built beside the file: individuals in file
// order, and for each xref the last of its records.
struct ExpectedTables {
  std::string text = "0 HEAD\n";
  std::vector<std::pair<std::string, std::string>> individuals;  // name, xref in file order
  std::map<std::string, std::string> nameOfXref;                  // the later one wins
  std::map<std::string, std::uint64_t> offsetOfXref;

  /// Appends an individual's record, with more lines after the name if given.
  void AddIndividual(const std::string& xref, const std::string& name, const std::string& more = {}) {
    offsetOfXref[xref] = text.size();
    text += "0 @" + xref + "@ INDI\n1 NAME " + name + "\n" + more;
    std::string shown = CKinpruneDoc::BuildDisplayName(name);
    CKinpruneDoc::ProperCaseName(shown);
    individuals.emplace_back(shown, xref);
    nameOfXref[xref] = shown;
  }

  /// The three tables of doc, loaded from text, hold what the file says, in byte order and,
  /// among equal names, in file order.
  void ExpectIn(const CKinpruneDoc& doc) {
    std::stable_sort(individuals.begin(), individuals.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& [name, entry] : doc.individualsByName) listed.emplace_back(name, entry.xref);
    EXPECT_TRUE(listed == individuals);
    std::map<std::string, std::uint64_t> offsets(doc.recordOffsets.begin(), doc.recordOffsets.end());
    EXPECT_TRUE(offsets == offsetOfXref);
    std::map<std::string, std::string> byXref;
    for (const auto& [xref, entry] : doc.individualByXref) byXref[xref] = entry->name;
    EXPECT_TRUE(byXref == nameOfXref);
    EXPECT_TRUE(std::is_sorted(doc.recordOffsets.begin(), doc.recordOffsets.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
  }
};

// The tables are sorted in bulk with a 16-byte prefix before the rest of each string is looked
// at; names and identifiers around that length, with shared prefixes, zero bytes and bytes from
// 0x80 must come out exactly as byte-by-byte order and file order put them.
TEST(LoadPassTest, TablesOrderLikeBytesWhateverTheLengthOfNamesAndXrefs) {
  const std::vector<std::string> parts = {"a", "A", "ab", std::string("ab\0", 3), "abcdefghijklmnop",
                                          "abcdefghijklmnopq", "abcdefghijklmno", "\xc3\xa9",
                                          "Smith, John Jr", "Smith, John", "zz"};
  std::mt19937 random(7);
  auto pick = [&] {
    std::string text = parts[random() % parts.size()];
    if (random() % 2) text += parts[random() % parts.size()];
    return text;
  };
  for (int round = 0; round < 40; ++round) {
    ExpectedTables expected;
    for (int k = 0; k < 60; ++k) {
      std::string xref = pick();
      std::replace(xref.begin(), xref.end(), ' ', '_');
      std::replace(xref.begin(), xref.end(), '\0', '0');
      // Without slashes the value is the whole name, so names may end in a zero byte.
      expected.AddIndividual(xref, random() % 2 ? "/" + pick() + "/" : pick());
    }
    CKinpruneDoc doc;
    Load(doc, expected.text);
    expected.ExpectIn(doc);
  }
}

TEST(LoadPassTest, ManyKeysAlikeInTheirFirstBytesAndRepeated) {
  // Names and identifiers drawn from small pools, so most occur several times, built from
  // shared heads of 0 to 32 bytes and tails whose bytes (zero, control, bytes above 0x7F) may
  // differ anywhere: the keys agree in their first 8, 16, 24 or 32 bytes in long runs.
  std::mt19937 random(23);
  auto makePool = [&](std::size_t count, const std::vector<std::string>& heads, const std::string& tailBytes) {
    std::vector<std::string> pool;
    for (std::size_t k = 0; k < count; ++k) {
      std::string text = heads[random() % heads.size()];
      for (std::size_t n = random() % 13; n > 0; --n) text += tailBytes[random() % tailBytes.size()];
      pool.push_back(text.empty() ? "x" : text);
    }
    return pool;
  };
  const std::vector<std::string> names =
      makePool(300, {"", "Abercrom", "Abercrombie, ", "Abercrombie-Smythe, Wilhe", "Abercrombie-Smythe, Wilhelmina T"},
               std::string("\x00\x01" "aAzZ09,\x7f\x80\xff", 13));
  const std::vector<std::string> xrefs =
      makePool(900, {"", "I0000000", "I000000000000", "I00000000000000000000", "I0000000000000000000000000000000"},
               "aZ9\x7f\x80\xff_");

  // Several MiB, so that the file is scanned in two parts and equal keys fall in both: a fault
  // in a part's order shows in how the parts' keys are merged (the trees themselves would put
  // distinct keys right whatever order they came in).
  const std::string padding = "1 NOTE " + std::string(400, 'x') + "\n";
  ExpectedTables expected;
  while (expected.text.size() < (std::size_t{5} << 20)) {
    expected.AddIndividual(xrefs[random() % xrefs.size()], names[random() % names.size()], padding);
  }
  CKinpruneDoc doc;
  Load(doc, expected.text);
  expected.ExpectIn(doc);
}

namespace {

// A file of several MiB (large files are scanned in two parts at once) and the tables and
// status texts it must give, worked out here without the document.
struct LargeFile {
  std::string text;
  std::vector<std::pair<std::string, std::string>> listing;  // name, xref; equal names in file order
  std::map<std::string, std::string> nameOfXref;             // the later individual wins
  std::map<std::string, std::uint64_t> offsetOfXref;         // the later record wins
  std::vector<std::string> statusTexts;
};

// Individuals whose names and identifiers repeat all over the file (so that equal ones fall in
// both parts), families, a padding note per individual, then trailer lines.
LargeFile MakeLargeFile(const std::string& lineEnd, const std::string& trailer) {
  const std::vector<std::string> names = {"John /Smith/", "john /smith/ jr", "Anne", "/McDonald/",
                                          "Mary Anne /Smith/", "Wilhelmina Theodora /Abercrombie-Smythe/",
                                          "/Smith/", "\xc3\xa9mile /\xc3\x89tienne/"};
  const std::string padding(180, 'x');
  LargeFile file;
  std::string& text = file.text;
  text = "\xEF\xBB\xBF" "0 HEAD" + lineEnd;
  std::mt19937 random(5);
  for (int k = 0; text.size() < (std::size_t{5} << 20); ++k) {
    // Every 500th identifier is used again much later; every 700th is empty ("@@").
    const std::string xref = k % 700 == 699 ? ""
                             : k % 500 == 0 ? "D" + std::to_string(k % 3)
                                            : "I" + std::to_string(k);
    const std::string name = names[random() % names.size()];
    file.offsetOfXref[xref] = text.size();
    text += "0 @" + xref + "@ INDI" + lineEnd + "1 NAME " + name + lineEnd + "1 NOTE " + padding +
            lineEnd + "2 CONT " + padding + lineEnd;
    if (k % 3 == 0) {
      const std::string family = "F" + std::to_string(k % 1000);
      file.offsetOfXref[family] = text.size();
      text += "0 @" + family + "@ FAM" + lineEnd + "1 HUSB @" + xref + "@" + lineEnd;
    }
    std::string shown = CKinpruneDoc::BuildDisplayName(name);
    CKinpruneDoc::ProperCaseName(shown);
    file.listing.emplace_back(shown, xref);
    file.nameOfXref[xref] = shown;
  }
  text += trailer;
  std::stable_sort(file.listing.begin(), file.listing.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  // One text per whole percent of the file read, counted at the end of each non-blank line.
  int shown = -1;
  for (std::size_t pos = 3; pos < text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    std::size_t next = end;
    if (next < text.size()) ++next;
    if (next < text.size() && (text[next] == '\r' || text[next] == '\n')) ++next;
    const int percent = static_cast<int>(next * 100 / text.size());
    if (end > pos && percent != shown) {
      shown = percent;
      file.statusTexts.push_back("Loading File " + std::to_string(percent) + "%");
    }
    pos = next;
  }
  return file;
}

}  // namespace

TEST(LoadPassTest, LargeFilesGiveTheSameTablesAsSmallOnes) {
  // A long run of notes after the individuals leaves the second half without a record start
  // but the trailer's.
  std::string notes;
  while (notes.size() < (std::size_t{6} << 20)) notes += "2 CONT " + std::string(100, 'n') + "\n";
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"\r\n", "0 TRLR\r\n"}, {"\n", "0 TRLR"}, {"\r", "\r\r0 @T1@ NOTE\r"},
      {"\n", "0 @T1@ NOTE\n" + notes + "0 TRLR\n"}};
  for (const auto& [lineEnd, trailer] : variants) {
    LargeFile file = MakeLargeFile(lineEnd, trailer);
    if (trailer.find("T1") != std::string::npos) {
      file.offsetOfXref["T1"] = file.text.size() - trailer.size() + trailer.find('0');
    }
    CKinpruneDoc doc;
    doctest::RecordingSink sink;
    ASSERT_TRUE(doc.LoadFromMemory(file.text, "large.ged", &sink).ok);

    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& [name, entry] : doc.individualsByName) listed.emplace_back(name, entry.xref);
    EXPECT_TRUE(listed == file.listing) << "line end " << lineEnd.size();
    std::map<std::string, std::uint64_t> offsets(doc.recordOffsets.begin(), doc.recordOffsets.end());
    EXPECT_TRUE(offsets == file.offsetOfXref);
    std::map<std::string, std::string> byXref;
    for (const auto& [xref, entry] : doc.individualByXref) byXref[xref] = entry->name;
    EXPECT_TRUE(byXref == file.nameOfXref);
    EXPECT_EQ(sink.texts, file.statusTexts);

    // The header record is still the first line after the byte-order mark.
    DocLine line;
    doc.readPos = 0;
    ASSERT_TRUE(doc.ReadLine(line));
    EXPECT_EQ(line.start, 3u);
  }
}

TEST(LoadPassTest, EachIdentifierReachesItsLatestIndividual) {
  // Every name is unique, so the name behind an individualByXref entry tells which individual
  // it is. A few identifiers (and the empty one) are each shared by hundreds of individuals all
  // over a file scanned in two parts, so runs of one identifier cross every boundary of the
  // work: the parts, and wherever the identifier table is split up.
  const std::string padding = "1 NOTE " + std::string(300, 'p') + "\n";
  std::string text = "0 HEAD\n";
  std::map<std::string, std::string> latestName;
  std::map<std::string, std::string> xrefOfName;
  for (int k = 0; text.size() < (std::size_t{5} << 20); ++k) {
    const std::string xref = k % 5 == 0 ? "I" + std::to_string(k) : k % 5 == 1 ? "" : "S" + std::to_string(k % 17);
    const std::string name = "Given" + std::to_string(k) + " /Surname/";
    text += "0 @" + xref + "@ INDI\n1 NAME " + name + "\n" + padding;
    std::string shown = CKinpruneDoc::BuildDisplayName(name);
    CKinpruneDoc::ProperCaseName(shown);
    latestName[xref] = shown;
    xrefOfName[shown] = xref;
  }
  CKinpruneDoc doc;
  Load(doc, text);
  ASSERT_EQ(doc.individualByXref.size(), latestName.size());
  for (const auto& [xref, entry] : doc.individualByXref) {
    ASSERT_NE(entry, nullptr) << xref;
    EXPECT_EQ(entry->name, latestName[xref]) << xref;
    EXPECT_EQ(entry->xref, xref);
  }
  ASSERT_EQ(doc.individualsByName.size(), xrefOfName.size());
  for (const auto& [name, entry] : doc.individualsByName) EXPECT_EQ(entry.xref, xrefOfName[std::string(name)]) << name;
}

TEST(LoadPassTest, ByteOrderIsTheOrderOfStdString) {
  std::mt19937 random(11);
  const std::string alphabet("\x00\x01" "aAzZ09@\x7f\x80\xff", 12);
  for (int round = 0; round < 20000; ++round) {
    std::string a, b;
    const std::size_t common = random() % 20;
    for (std::size_t k = 0; k < common; ++k) a += alphabet[random() % alphabet.size()];
    b = a;
    for (std::size_t k = random() % 4; k > 0; --k) a += alphabet[random() % alphabet.size()];
    for (std::size_t k = random() % 4; k > 0; --k) b += alphabet[random() % alphabet.size()];
    EXPECT_EQ(kinprune::ByteOrder::Less(a, b), a < b) << a << " / " << b;
    EXPECT_EQ(kinprune::ByteOrder::Less(b, a), b < a) << a << " / " << b;
  }
}

// The scan tells most lines by their first bytes, found 64 bytes at a time; lines that only
// look like NAME lines, odd levels and blank lines must give the same tables wherever in those
// 64 bytes they fall.
TEST(LoadPassTest, NameLinesAreToldApartWhereverTheyFall) {
  const std::string records =
      "0 @I1@ INDI\n1 NAMES Not /This/\n1 NAME Real /One/\n1 NAMEX No /No/\n"
      "0 @I2@ INDI\n10 NAME Ten /Level/\n"
      "0 @I3@ INDI\n  1 NAME Indented /Line/\n"
      "0 @I4@ INDI\n1 NAME\n"
      "0 @I5@ INDI\r\n\r\n\r\n1 NAME Blank /Lines/\r\n"
      "0 @I6@ INDI\n01 NAME Leading /Zero/\n"
      "00 @I7@ INDI\n1 NAME Double /Zero/\n"
      "0 @I8@ INDI\n1\tNAME Tab /Sep/\n2 NAME Deeper /Level/\n1 NOTE\n"
      "0 TRLR";
  const std::vector<std::string> expected{"I4=!Unknown",      "I8=Level, Deeper", "I2=Level, Ten",
                                          "I3=Line, Indented", "I5=Lines, Blank",  "I1=One, Real",
                                          "I7=Zero, Double",   "I6=Zero, Leading"};
  for (std::size_t shift = 0; shift < 64; ++shift) {
    const std::string head = "0 HEAD\n1 NOTE " + std::string(shift, 'x') + "\n" + std::string(shift % 3, '\n');
    CKinpruneDoc doc;
    Load(doc, head + records);
    EXPECT_EQ(Listing(doc), expected) << "shift " << shift;
    EXPECT_EQ(doc.RecordOffset("I1"), head.size()) << "shift " << shift;
  }
}

TEST(LoadPassTest, ShowsEachLoadingPercentOnce) {
  CKinpruneDoc doc;
  doctest::RecordingSink sink;
  std::string text;
  for (int i = 0; i < 300; ++i) text += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME A /B/\r\n";
  ASSERT_TRUE(doc.LoadFromMemory(text, "t.ged", &sink).ok);
  ASSERT_FALSE(sink.texts.empty());
  EXPECT_EQ(sink.texts.back(), "Loading File 100%");
  std::set<std::string> distinct(sink.texts.begin(), sink.texts.end());
  EXPECT_EQ(distinct.size(), sink.texts.size());
  EXPECT_LE(sink.texts.size(), 101u);

  // Runs of blank lines span whole percents: the percents still go up one text at a time, and
  // those the lines before a run reach are shown before the run is passed.
  std::string gaps;
  for (int i = 0; i < 40; ++i) {
    gaps += "0 @I" + std::to_string(i) + "@ INDI\n1 NAME A /B/\n1 SEX F\n" + std::string(i % 7 == 0 ? 500 : 3, '\n');
  }
  gaps += "0 TRLR\n";
  doctest::RecordingSink gapSink;
  ASSERT_TRUE(doc.LoadFromMemory(gaps, "g.ged", &gapSink).ok);
  ASSERT_FALSE(gapSink.texts.empty());
  EXPECT_EQ(gapSink.texts.back(), "Loading File 100%");
  auto percentOf = [](const std::string& text) { return std::stoi(text.substr(13)); };
  for (std::size_t k = 1; k < gapSink.texts.size(); ++k) {
    EXPECT_LT(percentOf(gapSink.texts[k - 1]), percentOf(gapSink.texts[k]));
  }
  // The first record's lines end within the first percents.
  EXPECT_EQ(gapSink.texts.front(), "Loading File 0%");

  doctest::RecordingSink empty;
  ASSERT_TRUE(doc.LoadFromMemory("", "e.ged", &empty).ok);
  EXPECT_TRUE(empty.texts.empty());
  EXPECT_TRUE(doc.individualsByName.empty() && doc.recordOffsets.empty());
}

TEST(OpenDocumentTest, EachLoadStartsFromEmptyTables) {
  // The tables' nodes are given back all at once when a document is cleared; entries added
  // after a load (a pointer to a missing record) go with them, and the next load starts clean.
  const std::string first = "0 @I1@ INDI\n1 NAME Ann /Lee/\n0 @F1@ FAM\n1 HUSB @I1@\n";
  const std::string second = "0 HEAD\n0 @I2@ INDI\n1 NAME Bob /Kay/\n0 @I3@ INDI\n";
  CKinpruneDoc doc;
  for (int round = 0; round < 3; ++round) {
    Load(doc, first);
    EXPECT_EQ(doc.RecordOffset("NOWHERE"), CKinpruneDoc::kNoRecord);
    EXPECT_EQ(doc.recordOffsets.size(), 3u);
    EXPECT_EQ(Listing(doc), (std::vector<std::string>{"I1=Lee, Ann"}));

    Load(doc, second);
    EXPECT_EQ(Listing(doc), (std::vector<std::string>{"I3=!Unknown", "I2=Kay, Bob"}));
    std::map<std::string, std::uint64_t> offsets(doc.recordOffsets.begin(), doc.recordOffsets.end());
    EXPECT_EQ(offsets, (std::map<std::string, std::uint64_t>{{"I2", 7}, {"I3", 36}}));
    ASSERT_NE(doc.FindIndividual("I2"), nullptr);
    EXPECT_EQ(doc.FindIndividual("I2")->name, "Kay, Bob");
    EXPECT_EQ(doc.FindIndividual("I1"), nullptr);
    EXPECT_EQ(doc.RecordOffset("I3"), 36u);
  }
}

TEST(OpenDocumentTest, RefusesUtf16AndKeepsThePreviousDocument) {
  gedtest::ScopedTempDir dir;
  const std::string good = dir.File("good.ged");
  gedtest::WriteFileBytes(good, "0 @I1@ INDI\r\n1 NAME A /B/\r\n");
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(good).ok);
  doc.individualsByName.begin()->second.selected = true;

  const std::string wide = dir.File("wide.ged");
  gedtest::WriteFileBytes(wide, std::string("\xFF\xFE" "0\0 \0H\0", 8));
  auto outcome = doc.OnOpenDocument(wide);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find(wide), std::string::npos);
  EXPECT_NE(outcome.error.find("UTF-16"), std::string::npos);
  const std::string noBom = dir.File("nobom.ged");
  gedtest::WriteFileBytes(noBom, std::string("0\0 \0H\0E\0", 8));
  EXPECT_FALSE(doc.OnOpenDocument(noBom).ok);

  outcome = doc.OnOpenDocument(dir.File("missing.ged"));
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("missing.ged"), std::string::npos);
  EXPECT_FALSE(doc.OnOpenDocument(dir.Path().string()).ok);

  // Nothing of the previous document changed.
  EXPECT_EQ(doc.sourcePath, good);
  ASSERT_EQ(doc.individualsByName.size(), 1u);
  EXPECT_TRUE(doc.individualsByName.begin()->second.selected);
  EXPECT_EQ(doc.FindIndividual("I1"), &doc.individualsByName.begin()->second);

  // A new open starts from a clean selection.
  ASSERT_TRUE(doc.OnOpenDocument(good).ok);
  EXPECT_FALSE(doc.individualsByName.begin()->second.selected);

  doc.DeleteContents();
  EXPECT_TRUE(doc.individualsByName.empty() && doc.recordOffsets.empty() &&
              doc.individualByXref.empty());
  EXPECT_EQ(doc.sourcePath, good);
}

TEST(OpenDocumentTest, ReadsTheExampleFile) {
  CKinpruneDoc doc;
  const std::string path = std::string(GEDTOOLS_SOURCE_DIR) + "/examples/family.ged";
  ASSERT_TRUE(doc.OnOpenDocument(path).ok);
  EXPECT_EQ(doc.fileLength, gedtest::ReadFileBytes(path).size());
  EXPECT_GT(doc.individualsByName.size(), 0u);
  for (const auto& [xref, entry] : doc.individualByXref) {
    EXPECT_EQ(entry->xref, xref);
    EXPECT_NE(doc.RecordOffset(xref), CKinpruneDoc::kNoRecord);
  }
}
