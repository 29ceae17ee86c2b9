// selection_engine_test.cpp - the selection commands over small hand-written family files.
#include "selection_engine.h"

#include <gtest/gtest.h>

#include <algorithm>  // std::sort
#include <memory>     // std::unique_ptr
#include <string>     // std::string
#include <vector>     // std::vector

#include "test_support.h"

namespace kinprune {
namespace {

class RecordingReporter : public SelectionReporter {
 public:
  void ShowProgress(std::string_view text) override { progress.emplace_back(text); }
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void ShowSelectedCount(std::size_t count) override { counts.push_back(count); }
  void ShowMissingRecords(std::string_view message) override { missing.emplace_back(message); }

  std::vector<std::string> progress;
  std::vector<std::string> statuses;
  std::vector<std::size_t> counts;
  std::vector<std::string> missing;
};

/// A document loaded from a temporary file, with an engine over it.
struct Fixture {
  gedtest::ScopedTempDir dir;
  CKinpruneDoc document;
  RecordingReporter reporter;
  SelectionEngine engine{document, &reporter};
};

std::unique_ptr<Fixture> Load(const std::string& gedcom) {
  auto fixture = std::make_unique<Fixture>();
  const std::string path = fixture->dir.File("family.ged");
  gedtest::WriteFileBytes(path, gedcom);
  const OpenOutcome outcome = fixture->document.OnOpenDocument(path);
  EXPECT_TRUE(outcome.ok) << outcome.error;
  return fixture;
}

/// The xrefs of the selected entries, sorted, separated by blanks.
std::string Selected(const CKinpruneDoc& document) {
  std::vector<std::string> xrefs;
  for (const auto& [name, entry] : document.individualsByName) {
    if (entry.selected) xrefs.push_back(entry.xref);
  }
  std::sort(xrefs.begin(), xrefs.end());
  std::string text;
  for (const std::string& xref : xrefs) text += (text.empty() ? "" : " ") + xref;
  return text;
}

std::size_t CountSelectedEntries(const CKinpruneDoc& document) {
  std::size_t count = 0;
  for (const auto& [name, entry] : document.individualsByName) count += entry.selected ? 1 : 0;
  return count;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "|") + text;
  return joined;
}

// Three generations around ME. SM, the mother of ME's spouse SP, is a sister of ME's father,
// so the spouse's ancestry joins the start's ancestry; LO is related to nobody.
constexpr const char* kFamily =
    "0 HEAD\n1 CHAR UTF-8\n"
    "0 @GF@ INDI\n1 NAME George /Grand/\n1 FAMS @F0@\n"
    "0 @GM@ INDI\n1 NAME Gina /Grand/\n1 FAMS @F0@\n"
    "0 @FA@ INDI\n1 NAME Frank /Grand/\n1 FAMC @F0@\n1 FAMS @F1@\n"
    "0 @UN@ INDI\n1 NAME Uwe /Grand/\n1 FAMC @F0@\n1 FAMS @F5@\n"
    "0 @AU@ INDI\n1 NAME Ada /Aunt/\n1 FAMS @F5@\n"
    "0 @CO@ INDI\n1 NAME Carl /Grand/\n1 FAMC @F5@\n"
    "0 @MO@ INDI\n1 NAME Mona /Mother/\n1 FAMS @F1@\n"
    "0 @ME@ INDI\n1 NAME Max /Grand/\n1 FAMC @F1@\n1 FAMS @F2@\n"
    "0 @SI@ INDI\n1 NAME Sue /Grand/\n1 FAMC @F1@\n"
    "0 @SP@ INDI\n1 NAME Sara /Spouse/\n1 FAMC @F3@\n1 FAMS @F2@\n"
    "0 @SF@ INDI\n1 NAME Sam /Spouse/\n1 FAMS @F3@\n"
    "0 @SM@ INDI\n1 NAME Sonja /Grand/\n1 FAMC @F0@\n1 FAMS @F3@\n"
    "0 @CH@ INDI\n1 NAME Chris /Grand/\n1 FAMC @F2@\n1 FAMS @F4@\n"
    "0 @CS@ INDI\n1 NAME Cleo /Inlaw/\n1 FAMS @F4@\n"
    "0 @GC@ INDI\n1 NAME Gus /Grand/\n1 FAMC @F4@\n"
    "0 @LO@ INDI\n1 NAME Lone /Wolf/\n"
    "0 @F0@ FAM\n1 HUSB @GF@\n1 WIFE @GM@\n1 CHIL @FA@\n1 CHIL @UN@\n1 CHIL @SM@\n"
    "0 @F1@ FAM\n1 HUSB @FA@\n1 WIFE @MO@\n1 CHIL @ME@\n1 CHIL @SI@\n"
    "0 @F2@ FAM\n1 HUSB @ME@\n1 WIFE @SP@\n1 CHIL @CH@\n"
    "0 @F3@ FAM\n1 HUSB @SF@\n1 WIFE @SM@\n1 CHIL @SP@\n"
    "0 @F4@ FAM\n1 HUSB @CH@\n1 WIFE @CS@\n1 CHIL @GC@\n"
    "0 @F5@ FAM\n1 HUSB @UN@\n1 WIFE @AU@\n1 CHIL @CO@\n"
    "0 TRLR\n";

AncestorOptions Ancestors(std::int32_t generations) {
  AncestorOptions options;
  options.generations = generations;
  return options;
}

DescendantOptions Descendants(std::int32_t generations) {
  DescendantOptions options;
  options.generations = generations;
  return options;
}

TEST(FamilySelectionTest, SelectsParentsSiblingsSpousesAndChildren) {
  auto f = Load(kFamily);
  f->engine.SelectFamily("ME");
  EXPECT_EQ(Selected(f->document), "CH FA ME MO SI SP");
  EXPECT_EQ(Joined(f->reporter.progress), "0 individuals found");
  EXPECT_EQ(Joined(f->reporter.statuses), "6 individuals found");
  EXPECT_EQ(f->engine.SelectedCount(), 6u);
  EXPECT_TRUE(f->reporter.missing.empty());

  // Family never unselects and counts only the individuals it changed.
  f->engine.SelectFamily("SI");
  EXPECT_EQ(Selected(f->document), "CH FA ME MO SI SP");
  EXPECT_EQ(f->reporter.statuses.back(), "0 individuals found");

  // A family that names somebody as a child but is not in that person's FAMC is not visited.
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectFamily("LO");
  EXPECT_EQ(Selected(f->document), "LO");
  EXPECT_EQ(f->reporter.statuses.back(), "1 individuals found");
}

TEST(TreeSelectionTest, FloodsTheComponentOrAFixedNumberOfHops) {
  auto f = Load(kFamily);
  f->engine.SelectConnected("GC", 0, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "AU CH CO CS FA GC GF GM ME MO SF SI SM SP UN");
  EXPECT_EQ(f->reporter.statuses.back(), "15 individuals found");

  // UnSelect clears the component and counts only those that were selected.
  f->engine.ToggleIndividual(*f->document.FindIndividual("LO"));
  f->engine.ToggleIndividual(*f->document.FindIndividual("GC"));
  f->engine.SelectConnected("ME", 0, SelectionTarget::UnSelect);
  EXPECT_EQ(Selected(f->document), "LO");
  EXPECT_EQ(f->reporter.statuses.back(), "14 individuals found");

  // Two hops from the grandchild: its parents, then its father's parents (ME and SP).
  f->engine.SelectConnected("GC", 2, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH CS GC LO ME SP");
  f->engine.UndoRedo();
  f->engine.SelectConnected("ME", 1, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH FA LO ME MO SI SP");

  // Two hops from the unmarried SI: parents and brother, then grandparents, uncle and aunt,
  // the brother's wife and child.
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectConnected("SI", 2, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH FA GF GM ME MO SI SM SP UN");
  EXPECT_EQ(Joined(f->reporter.progress).substr(Joined(f->reporter.progress).size() - 39),
            "0 individuals found|1 individuals found");
}

TEST(ApplySelectionTest, ReadIndividualsComeBeforeTheLastGenerationReached) {
  auto f = Load(kFamily);
  // GC sorts after CH and CS but was read, so it is changed (and recorded) first.
  f->engine.SelectConnected("GC", 1, SelectionTarget::Select);
  EXPECT_EQ(f->engine.UndoXrefs(), (std::vector<std::string>{"GC", "CH", "CS"}));
  EXPECT_TRUE(f->engine.UndoValue());

  // Xrefs without an individual are skipped; an explicit result is applied as given.
  XrefSet first = {"ZZ", "SI"};
  XrefSet second = {"AU", "F1", "GC"};
  f->engine.ApplySelection(first, second, SelectionTarget::UnSelect);
  EXPECT_EQ(f->engine.UndoXrefs(), (std::vector<std::string>{"GC"}));
  EXPECT_FALSE(f->engine.UndoValue());
  EXPECT_EQ(f->reporter.statuses.back(), "1 individuals found");
  EXPECT_EQ(Selected(f->document), "CH CS");
}

TEST(AncestorSelectionTest, GenerationsAndChildrenOfAncestors) {
  auto f = Load(kFamily);
  f->engine.SelectAncestors("ME", Ancestors(1), SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA ME MO");

  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->reporter.progress.clear();
  f->engine.SelectAncestors("ME", Ancestors(0), SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA GF GM ME MO");
  EXPECT_EQ(Joined(f->reporter.progress),
            "1 individuals found|3 individuals found|5 individuals found");
  EXPECT_EQ(f->reporter.statuses.back(), "5 individuals found");

  AncestorOptions children = Ancestors(1);
  children.includeChildrenOfAncestors = true;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectAncestors("ME", children, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA ME MO SI");  // no aunts or uncles at one generation

  children.generations = 0;
  f->engine.SelectAncestors("ME", children, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA GF GM ME MO SI SM UN");

  // UnSelect with the same options clears exactly what Select set.
  f->engine.ToggleIndividual(*f->document.FindIndividual("LO"));
  f->engine.SelectAncestors("ME", children, SelectionTarget::UnSelect);
  EXPECT_EQ(Selected(f->document), "LO");
  EXPECT_EQ(f->reporter.statuses.back(), "8 individuals found");
}

TEST(AncestorSelectionTest, AncestorTreeAndFamiliesOfSpouses) {
  auto f = Load(kFamily);
  AncestorOptions tree = Ancestors(0);
  tree.includeAncestorTree = true;
  f->engine.SelectAncestors("ME", tree, SelectionTarget::Select);
  // The start's own marriage stays closed, but SM's marriage leads to SP all the same.
  EXPECT_EQ(Selected(f->document), "AU CO FA GF GM ME MO SF SI SM SP UN");

  tree.excludeFamiliesOfSpouses = true;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectAncestors("ME", tree, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "AU CO FA GF GM ME MO SI SM UN");

  // Without the tree, excluding the spouses' families changes nothing.
  AncestorOptions plain = Ancestors(0);
  plain.excludeFamiliesOfSpouses = true;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectAncestors("ME", plain, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA GF GM ME MO");
}

TEST(AncestorSelectionTest, CollateralGenerationsWidenTheResult) {
  auto f = Load(kFamily);
  AncestorOptions options = Ancestors(1);
  options.collateralGenerations = 1;
  f->engine.SelectAncestors("ME", options, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH FA GF GM ME MO SI SM SP UN");
  EXPECT_EQ(Joined(f->reporter.progress), "1 individuals found|3 individuals found");

  options.collateralGenerations = -3;  // none
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectAncestors("ME", options, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "FA ME MO");
}

TEST(DescendantSelectionTest, GenerationsSpousesAndTheirParents) {
  auto f = Load(kFamily);
  f->engine.SelectDescendants("ME", Descendants(1), SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH ME");
  f->engine.SelectDescendants("ME", Descendants(0), SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH GC ME");
  EXPECT_EQ(f->reporter.statuses.back(), "1 individuals found");

  DescendantOptions spouses = Descendants(1);
  spouses.includeSpousesOfDescendants = true;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectDescendants("ME", spouses, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH ME SP");  // the child's marriage is not read

  spouses.generations = 2;
  spouses.includeSpousesParents = true;
  f->engine.SelectDescendants("ME", spouses, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH CS GC ME SF SM SP");

  // The spouses' parents need the spouses.
  DescendantOptions parentsOnly = Descendants(2);
  parentsOnly.includeSpousesParents = true;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectDescendants("ME", parentsOnly, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH GC ME");

  f->engine.SelectDescendants("ME", spouses, SelectionTarget::UnSelect);
  EXPECT_EQ(Selected(f->document), "");
  EXPECT_FALSE(f->engine.SaveEnabled());
}

TEST(DescendantSelectionTest, DescendantTreeLeavesTheStartsSpouseOut) {
  auto f = Load(kFamily);
  DescendantOptions tree = Descendants(0);
  tree.includeDescendantTree = true;
  f->engine.SelectDescendants("ME", tree, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH CS GC ME");

  tree.includeSpousesOfDescendants = true;
  f->engine.SelectDescendants("ME", tree, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH CS GC ME SP");

  DescendantOptions collateral = Descendants(1);
  collateral.collateralGenerations = 1;
  f->engine.SelectEveryone();
  f->engine.SelectEveryone();
  f->engine.SelectDescendants("GC", collateral, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "CH CS GC");
}

TEST(UndoRedoTest, EveryoneInvertAndTraversals) {
  auto f = Load(kFamily);
  f->engine.ToggleIndividual(*f->document.FindIndividual("FA"));
  f->engine.SelectFamily("ME");
  EXPECT_EQ(f->reporter.statuses.back(), "5 individuals found");
  EXPECT_EQ(f->engine.UndoXrefs(), (std::vector<std::string>{"ME", "CH", "MO", "SI", "SP"}));
  f->engine.UndoRedo();  // only what Family changed goes back
  EXPECT_EQ(Selected(f->document), "FA");
  EXPECT_EQ(f->engine.SelectedCount(), 1u);
  f->engine.UndoRedo();
  EXPECT_EQ(Selected(f->document), "CH FA ME MO SI SP");

  // Everyone selects all unless all are selected; undo swaps back and forth.
  f->engine.SelectEveryone();
  EXPECT_EQ(f->engine.SelectedCount(), 16u);
  f->engine.SelectEveryone();
  EXPECT_EQ(f->engine.SelectedCount(), 0u);
  f->engine.UndoRedo();
  EXPECT_EQ(f->engine.SelectedCount(), 16u);
  f->engine.UndoRedo();
  EXPECT_EQ(f->engine.SelectedCount(), 0u);

  // Invert, undo and undo again invert each time.
  f->engine.ToggleIndividual(*f->document.FindIndividual("LO"));
  f->engine.InvertSelection();
  EXPECT_EQ(f->engine.SelectedCount(), 15u);
  EXPECT_TRUE(f->engine.UndoIsInvert());
  EXPECT_TRUE(f->engine.UndoXrefs().empty());
  f->engine.UndoRedo();
  EXPECT_EQ(Selected(f->document), "LO");
  f->engine.UndoRedo();
  EXPECT_EQ(f->engine.SelectedCount(), 15u);

  // Invert, toggle, undo: only the toggled individual goes back.
  f->engine.ToggleIndividual(*f->document.FindIndividual("GC"));
  EXPECT_EQ(f->engine.SelectedCount(), 14u);
  f->engine.UndoRedo();
  EXPECT_EQ(f->engine.SelectedCount(), 15u);
  EXPECT_TRUE(f->document.FindIndividual("GC")->selected);

  // A traversal that changes nobody leaves an empty record: undo then changes nothing.
  f->engine.SelectFamily("GC");
  EXPECT_EQ(f->reporter.statuses.back(), "0 individuals found");
  f->engine.UndoRedo();
  EXPECT_EQ(f->engine.SelectedCount(), 15u);
  EXPECT_EQ(f->reporter.counts.back(), 15u);
}

TEST(UndoRedoTest, DuplicateXrefsKeepTheCountExact) {
  auto f = Load(
      "0 HEAD\n"
      "0 @D@ INDI\n1 NAME Anna /Dup/\n"
      "0 @D@ INDI\n1 NAME Bert /Dup/\n1 FAMS @F1@\n"
      "0 @E@ INDI\n1 NAME Emil /Else/\n1 FAMS @F1@\n"
      "0 @F1@ FAM\n1 HUSB @D@\n1 WIFE @E@\n0 TRLR\n");
  ASSERT_EQ(f->document.individualsByName.size(), 3u);
  auto check = [&](std::size_t expected) {
    EXPECT_EQ(f->engine.SelectedCount(), expected);
    EXPECT_EQ(CountSelectedEntries(f->document), expected);
    EXPECT_EQ(f->engine.SaveEnabled(), expected != 0);
  };
  f->engine.SelectEveryone();
  check(3);
  f->engine.UndoRedo();
  check(0);
  f->engine.UndoRedo();
  check(3);
  f->engine.SelectEveryone();
  check(0);
  f->engine.SelectFamily("E");  // reaches the later D only
  check(2);
  f->engine.InvertSelection();
  check(1);
  f->engine.SelectEveryone();
  check(3);
  f->engine.UndoRedo();
  check(1);
  f->engine.UndoRedo();
  check(3);
  f->engine.SelectConnected("D", 0, SelectionTarget::UnSelect);
  check(1);
  f->engine.UndoRedo();
  check(3);

  // The list's double-click toggles the entry of its row, whichever D it is.
  f->engine.SelectEveryone();
  IndividualEntry& firstD = f->document.individualsByName.begin()->second;
  ASSERT_EQ(firstD.name, "Dup, Anna");
  f->engine.ToggleIndividual(firstD);
  check(1);
  EXPECT_TRUE(firstD.selected);
  f->engine.UndoRedo();
  check(0);
}

TEST(SelectionStateTest, EmptyDocumentAndReset) {
  auto f = Load("0 HEAD\n0 TRLR\n");
  f->engine.SelectEveryone();
  EXPECT_EQ(f->engine.SelectedCount(), 0u);
  EXPECT_FALSE(f->engine.SaveEnabled());
  f->engine.InvertSelection();
  EXPECT_EQ(f->engine.SelectedCount(), 0u);

  auto g = Load(kFamily);
  g->engine.SelectFamily("ME");
  g->engine.Reset();
  EXPECT_EQ(g->engine.SelectedCount(), CountSelectedEntries(g->document));
  EXPECT_EQ(g->engine.SelectedCount(), 6u);
  EXPECT_TRUE(g->engine.UndoXrefs().empty());
  EXPECT_FALSE(g->engine.UndoValue());
  EXPECT_FALSE(g->engine.UndoIsInvert());
}

// A has a marriage whose record is missing; F1 names a missing husband and child, and carries
// family event lines without pointers, which name nobody.
constexpr const char* kMissing =
    "0 HEAD\n"
    "0 @A@ INDI\n1 NAME Anna /Miss/\n1 FAMS @FX@\n1 FAMC @F1@\n"
    "0 @B@ INDI\n1 NAME Ben /Miss/\n1 FAMC @F1@\n"
    "0 @F1@ FAM\n1 HUSB @ZZ@\n1 HUSB\n2 AGE 42\n1 WIFE Mary Smith\n"
    "1 CHIL @A@\n1 CHIL @B@\n1 CHIL @M1@\n"
    "0 TRLR\n";

TEST(MissingRecordsTest, ListedInTheOrderTheFloodMeetsThem) {
  auto f = Load(kMissing);
  f->engine.SelectConnected("A", 0, SelectionTarget::Select);
  EXPECT_EQ(Selected(f->document), "A B");
  EXPECT_EQ(f->reporter.statuses.back(), "2 individuals found");
  ASSERT_EQ(f->reporter.missing.size(), 1u);
  EXPECT_EQ(f->reporter.missing[0],
            "There is an error in this GEDCOM file.\n\nThe following referenced individuals are "
            "missing:\nFX, M1, ZZ");

  // Family reads only the start and its families: the members are never read.
  auto g = Load(kMissing);
  g->engine.SelectFamily("A");
  EXPECT_EQ(Selected(g->document), "A B");
  ASSERT_EQ(g->reporter.missing.size(), 1u);
  EXPECT_EQ(g->reporter.missing[0].substr(g->reporter.missing[0].rfind('\n') + 1), "FX");

  // Ancestors and descendants skip missing records silently.
  g->engine.SelectAncestors("A", Ancestors(0), SelectionTarget::Select);
  g->engine.SelectDescendants("A", Descendants(0), SelectionTarget::Select);
  EXPECT_EQ(g->reporter.missing.size(), 1u);

  // No message when nothing is missing.
  auto h = Load(kFamily);
  h->engine.SelectConnected("ME", 0, SelectionTarget::Select);
  EXPECT_TRUE(h->reporter.missing.empty());
}

TEST(LinkLinesTest, OnlyPointerValuesOnLevelledLinesAreFollowed) {
  auto f = Load(
      "0 HEAD\n"
      "0 @A@ INDI\n1 NAME Anna /Link/\n1 FAMC F1\n1 NOTE first line\n"
      "bare continuation 1 FAMS @F9@\n1 FAMS @F2@\n2 FAMC @F1@\n"
      "0 @B@ INDI\n1 NAME Ben /Link/\n1 FAMS @F2@\n"
      "0 @C@ INDI\n1 NAME Cid /Link/\n1 FAMS @F1@\n"
      "0 @F1@ FAM\n1 HUSB @C@\n"
      "0 @F2@ FAM\n1 HUSB @A@\n1 WIFE @B@\n1 CHIL @ \n1 CHIL @\n"
      "0 TRLR\n");
  f->engine.SelectFamily("A");
  // "FAMC F1" is no pointer; the line without a level is never read for links; a FAMC at
  // level 2 is a link like any other; a lone "@" points to the empty xref, which is missing.
  EXPECT_EQ(Selected(f->document), "A B C");
  ASSERT_EQ(f->reporter.missing.size(), 0u);
  f->engine.SelectConnected("A", 0, SelectionTarget::Select);
  ASSERT_EQ(f->reporter.missing.size(), 1u);
  EXPECT_EQ(f->reporter.missing[0].substr(f->reporter.missing[0].rfind('\n') + 1), "");
}

TEST(TreeSelectionTest, LargeFloodsChangeIndividualsInByteOrder) {
  // Enough people for the traversal's sets to grow several times and to be sorted by their
  // ids' digits, with identifiers that share their first eight bytes, differ only in length, or
  // hold bytes above 0x7F: the undo record lists them in byte order, and every one of them is
  // reached exactly once.
  std::vector<std::string> xrefs;
  for (int k = 0; k < 6000; ++k) {
    const std::string number = std::to_string(k);
    xrefs.push_back(k % 3 == 0 ? "PERSONXX" + number : k % 3 == 1 ? "P" + number : "\xC3\xA9" + number);
  }
  std::string gedcom = "0 HEAD\n";
  for (std::size_t k = 0; k < xrefs.size(); ++k) {
    gedcom += "0 @" + xrefs[k] + "@ INDI\n1 NAME N /" + std::to_string(k) + "/\n";
    if (k > 0) gedcom += "1 FAMC @FAMILYXX" + std::to_string((k - 1) / 4) + "@\n";
    gedcom += "1 FAMS @FAMILYXX" + std::to_string(k) + "@\n";
  }
  for (std::size_t k = 0; k < xrefs.size(); ++k) {
    gedcom += "0 @FAMILYXX" + std::to_string(k) + "@ FAM\n1 HUSB @" + xrefs[k] + "@\n";
    for (std::size_t child = 4 * k + 1; child <= 4 * k + 4 && child < xrefs.size(); ++child) {
      gedcom += "1 CHIL @" + xrefs[child] + "@\n";
    }
  }
  auto f = Load(gedcom);
  f->engine.SelectConnected(xrefs[77], 0, SelectionTarget::Select);
  std::vector<std::string> expected = xrefs;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(f->engine.UndoXrefs(), expected);
  EXPECT_EQ(f->engine.SelectedCount(), xrefs.size());
  EXPECT_TRUE(f->reporter.missing.empty());

  // A small selection among many individuals takes a lookup per xref: the same order, the
  // start (read) before the family members reached (not read), each part in byte order.
  f->engine.UndoRedo();
  f->engine.SelectFamily(xrefs[77]);
  std::vector<std::string> reached = {xrefs[19],  xrefs[78],  xrefs[79],  xrefs[80],
                                      xrefs[309], xrefs[310], xrefs[311], xrefs[312]};
  std::sort(reached.begin(), reached.end());
  reached.insert(reached.begin(), xrefs[77]);
  EXPECT_EQ(f->engine.UndoXrefs(), reached);
  EXPECT_EQ(f->engine.SelectedCount(), reached.size());
}

}  // namespace
}  // namespace kinprune
