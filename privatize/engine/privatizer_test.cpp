// privatizer_test.cpp - the scanning passes, the rewrite rules of both variants, progress,
// stopping and I/O failures.
#include "privatizer.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "initials.h"
#include "line_reader.h"
#include "privatizer_passes.h"
#include "test_support.h"

namespace privatize {
namespace {

using Variant = PrivatizerVariant;
constexpr std::int32_t kCutoff = 1946;

/// Joins lines, each ended by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

class RecordingHooks : public PrivatizerHooks {
 public:
  explicit RecordingHooks(int stopAtReport = 0) : stopAtReport(stopAtReport) {}
  void PassStarted(PrivatizerPass pass) override {
    passes.push_back(pass);
    percents.emplace_back();
  }
  bool PercentRead(int percent) override {
    percents.back().push_back(percent);
    return stopAtReport > 0 && ++reports >= stopAtReport;
  }
  void LivingFound(std::uint64_t count) override { livingCounts.push_back(count); }
  void LinesWritten(std::uint64_t count) override { writtenCounts.push_back(count); }
  void RunEnded(gedtext::JobOutcome outcome, std::uint64_t lines) override {
    ended = true;
    endOutcome = outcome;
    endLines = lines;
  }

  std::vector<PrivatizerPass> passes;
  std::vector<std::vector<int>> percents;
  std::vector<std::uint64_t> livingCounts;
  std::vector<std::uint64_t> writtenCounts;
  bool ended = false;
  gedtext::JobOutcome endOutcome = gedtext::JobOutcome::WriteFailed;
  std::uint64_t endLines = 0;

 private:
  int stopAtReport;
  int reports = 0;
};

PrivatizeOptions DefaultOptions(Variant variant) {
  PrivatizeOptions options;
  options.cutoffYear = kCutoff;
  options.message.assign(variant == Variant::Console ? kConsoleDefaultMessage
                                                     : kDialogDefaultMessage);
  return options;
}

struct RunOutput {
  std::string written;
  PrivatizeResult result;
};

RunOutput RunWithHooks(const std::string& input, const PrivatizeOptions& options, Variant variant,
                       RecordingHooks& hooks) {
  std::istringstream in(input, std::ios::binary);
  std::ostringstream out(std::ios::binary);
  RunOutput output;
  output.result = RunPrivatizer(in, out, options, variant, hooks);
  output.written = out.str();
  return output;
}

std::string Privatize(const std::string& input, const PrivatizeOptions& options, Variant variant) {
  RecordingHooks hooks;
  RunOutput output = RunWithHooks(input, options, variant, hooks);
  EXPECT_EQ(output.result.outcome, PrivatizeOutcome::Completed);
  return output.written;
}

/// Runs the scanning passes alone, as a run would, and hands back the sets.
void Scan(const std::string& input, const PrivatizeOptions& options, Variant variant,
          PrivatizerSets& sets, std::uint64_t* livingCount = nullptr) {
  std::istringstream in(input, std::ios::binary);
  gedtext::LineReader reader(in);
  RecordingHooks hooks;
  const ConsistentOptions consistent = MakeOptionsConsistent(options, variant);
  PassContext context(reader, hooks, variant, consistent, input.size());
  FillKeepTagSet(sets.keepTagSet, consistent.options.retainNotes);
  std::uint64_t count = 0;
  ASSERT_EQ(ScanLiving(context, sets, count), PassStatus::Completed);
  if (consistent.options.removeUnreferenced) {
    ASSERT_EQ(ScanReferences(context, sets), PassStatus::Completed);
    if (variant == Variant::Dialog) {
      ASSERT_EQ(ScanUnlinked(context, sets), PassStatus::Completed);
    }
  }
  if (livingCount) *livingCount = count;
}

std::string Individual(std::string_view id, std::string_view birthDate,
                       std::string_view extra = {}) {
  std::string text = "0 @" + std::string(id) + "@ INDI\r\n1 BIRT\r\n2 DATE ";
  text.append(birthDate).append("\r\n").append(extra);
  return text;
}

TEST(ScanLivingTest, JudgesBirthYearsAgainstTheCutoff) {
  const std::string input =
      "0 HEAD\r\n" + Individual("I1", "1946") + Individual("I2", "1947") +
      Individual("I3", "ABT 1950") + Individual("I4", "1950/51") +
      Individual("I5", "5 MAY 1950 \t") +  // trailing blanks do not hide the year
      Individual("I6", "UNKNOWN") +
      "0 @I7@ INDI\r\n1 CHR\r\n2 DATE 1990\r\n" +  // only a birth date can make someone living
      Individual("I8", "1920", "1 BIRT\r\n2 DATE 1960\r\n") +  // any BIRT date after the cutoff
      "0 TRLR\r\n";
  PrivatizerSets sets;
  std::uint64_t living = 0;
  Scan(input, DefaultOptions(Variant::Console), Variant::Console, sets, &living);
  EXPECT_FALSE(sets.livingSet.Contains("I1"));
  EXPECT_TRUE(sets.livingSet.Contains("I2"));
  EXPECT_TRUE(sets.livingSet.Contains("I3"));
  EXPECT_FALSE(sets.livingSet.Contains("I4"));
  EXPECT_TRUE(sets.livingSet.Contains("I5"));
  EXPECT_FALSE(sets.livingSet.Contains("I6"));
  EXPECT_FALSE(sets.livingSet.Contains("I7"));
  EXPECT_TRUE(sets.livingSet.Contains("I8"));
  EXPECT_EQ(living, 4u);
}

TEST(ScanLivingTest, DeathExemptsOnlyWithSubordinateLinesUnlessForced) {
  const std::string input = "0 HEAD\r\n" + Individual("I1", "1960", "1 DEAT Y\r\n") +
                            Individual("I2", "1960", "1 DEAT\r\n2 DATE 2001\r\n") +
                            Individual("I3", "1960", "1 DEAT\r\n2 PLAC Leeds\r\n") +
                            // the residence, not the death, is the place's parent
                            Individual("I4", "1960", "1 DEAT\r\n1 RESI\r\n2 PLAC Leeds\r\n") +
                            "0 TRLR\r\n";
  for (Variant variant : {Variant::Console, Variant::Dialog}) {
    PrivatizerSets sets;
    Scan(input, DefaultOptions(variant), variant, sets);
    EXPECT_TRUE(sets.livingSet.Contains("I1"));
    EXPECT_FALSE(sets.livingSet.Contains("I2"));
    EXPECT_FALSE(sets.livingSet.Contains("I3"));
    EXPECT_TRUE(sets.livingSet.Contains("I4"));
  }
  PrivatizeOptions forced = DefaultOptions(Variant::Dialog);
  forced.forceCutoff = true;
  PrivatizerSets dialogSets;
  Scan(input, forced, Variant::Dialog, dialogSets);
  EXPECT_TRUE(dialogSets.livingSet.Contains("I2"));
  EXPECT_TRUE(dialogSets.livingSet.Contains("I3"));
  // The console offers no forced cutoff: a death always exempts there.
  PrivatizerSets consoleSets;
  Scan(input, forced, Variant::Console, consoleSets);
  EXPECT_FALSE(consoleSets.livingSet.Contains("I2"));
}

// The ones of ids that the console variant's scan of input, with the default options, finds
// living, in the order given.
std::vector<std::string> LivingAmong(const std::string& input, std::initializer_list<const char*> ids) {
  PrivatizerSets sets;
  Scan(input, DefaultOptions(Variant::Console), Variant::Console, sets);
  std::vector<std::string> living;
  for (const char* id : ids) {
    if (sets.livingSet.Contains(id)) living.emplace_back(id);
  }
  return living;
}

TEST(ScanLivingTest, OnlyWholeTagsCountAsBirthsAndDeaths) {
  // BIRTH and DEATH are other tags than BIRT and DEAT; a tab ends a tag like a space does.
  const std::string input =
      "0 HEAD\r\n" + Individual("I1", "1900", "1 BIRTH\r\n2 DATE 1990\r\n") +
      Individual("I2", "1960", "1 DEATH\r\n2 PLAC Leeds\r\n") +
      Individual("I3", "1960", "1 DEAT\tY\r\n2 PLAC Leeds\r\n") +
      "0 @I4@ INDI\r\n1 BIRT\t\r\n2 DATE 1990\r\n0 TRLR\r\n";
  EXPECT_EQ(LivingAmong(input, {"I1", "I2", "I3", "I4"}), (std::vector<std::string>{"I2", "I4"}));
}

TEST(ScanLivingTest, RemembersFamiliesAndJudgesTheLastRecordAtTheEnd) {
  std::string input = "0 HEAD\r\n" + Individual("I1", "1960");
  for (int i = 0; i < 100000; ++i) input += "1 FAMS @F" + std::to_string(i) + "@\r\n";
  input += Individual("i1", "1900", "1 FAMS @Fx@\r\n");
  input += Individual("I9", "1970", "1 FAMS @F@@9@");  // no trailer, no final line end
  PrivatizerSets sets;
  Scan(input, DefaultOptions(Variant::Console), Variant::Console, sets);
  EXPECT_TRUE(sets.livingSet.Contains("I1"));
  EXPECT_TRUE(sets.livingSet.Contains("F0"));
  EXPECT_TRUE(sets.livingSet.Contains("F99999"));
  EXPECT_FALSE(sets.livingSet.Contains("i1"));
  EXPECT_FALSE(sets.livingSet.Contains("Fx"));
  EXPECT_TRUE(sets.livingSet.Contains("I9"));
  EXPECT_TRUE(sets.livingSet.Contains("F9"));
}

TEST(ScanLivingTest, RecordsDoNotInheritStateFromTheRecordBefore) {
  // I2's stray level-2 line would find DEAT as its parent if the tag stack kept I1's entries.
  const std::string input = "0 HEAD\r\n" + Individual("I1", "1900", "1 DEAT\r\n2 DATE 1970\r\n") +
                            "0 @I2@ INDI\r\n2 SOUR stray\r\n1 BIRT\r\n2 DATE 1960\r\n" +
                            // a blank line or a line without a level ends no record
                            Individual("I3", "1990", "\r\n  \t\r\ncontinued note text\r\n") +
                            "1 DEAT\r\n2 DATE 2010\r\n0 TRLR\r\n";
  EXPECT_EQ(LivingAmong(input, {"I2", "I3"}), (std::vector<std::string>{"I2"}));
}

// A small family: I1 living (born 1960), married to I2 (dead), child I3 (born 1920),
// I4 alone and unreferenced, a note record N1 pointed to by I3.
const std::string kFamily = Lines({"0 HEAD",
                                   "1 SUBM @U1@",
                                   "0 @U1@ SUBM",
                                   "1 NAME Submitter",
                                   "0 @I1@ INDI",
                                   "1 NAME John Paul /Smith/",
                                   "2 GIVN John Paul",
                                   "1 ALIA Jack /Smith/",
                                   "1 SEX M",
                                   "1 BIRT",
                                   "2 DATE 5 MAY 1960",
                                   "2 PLAC Leeds",
                                   "3 NOTE born at home",
                                   "1 OCCU Teacher",
                                   "1 FAMS @F1@",
                                   "1 NOTE Lives in Leeds",
                                   "2 CONT still",
                                   "1 CHAN",
                                   "2 DATE 1 JAN 2000",
                                   "0 @I2@ INDI",
                                   "1 NAME Mary /Jones/",
                                   "1 BIRT",
                                   "2 DATE 1900",
                                   "1 DEAT",
                                   "2 DATE 1970",
                                   "1 FAMS @F1@",
                                   "0 @F1@ FAM",
                                   "1 HUSB @I1@",
                                   "1 WIFE @I2@",
                                   "1 MARR",
                                   "2 DATE 1980",
                                   "1 CHIL @I3@",
                                   "0 @I3@ INDI",
                                   "1 NAME Child /Smith/",
                                   "1 BIRT",
                                   "2 DATE 1920",
                                   "1 FAMC @F1@",
                                   "1 NOTE @N1@",
                                   "0 @I4@ INDI",
                                   "1 NAME Loner",
                                   "0 @N1@ NOTE A shared note",
                                   "0 TRLR"});

TEST(WritePrivatizedTest, RemoveDetailsKeepsOnlyLinkingLinesAndAddsTheNote) {
  const std::string expected = Lines({"0 HEAD",
                                      "1 SUBM @U1@",
                                      "0 @U1@ SUBM",
                                      "1 NAME Submitter",
                                      "0 @I1@ INDI",
                                      "1 NAME John Paul /Smith/",
                                      "1 SEX M",
                                      "1 FAMS @F1@",
                                      "1 NOTE Living individual, details withheld",
                                      "0 @I2@ INDI",
                                      "1 NAME Mary /Jones/",
                                      "1 BIRT",
                                      "2 DATE 1900",
                                      "1 DEAT",
                                      "2 DATE 1970",
                                      "1 FAMS @F1@",
                                      "0 @F1@ FAM",
                                      "1 HUSB @I1@",
                                      "1 WIFE @I2@",
                                      "1 CHIL @I3@",
                                      "0 @I3@ INDI",
                                      "1 NAME Child /Smith/",
                                      "1 BIRT",
                                      "2 DATE 1920",
                                      "1 FAMC @F1@",
                                      "1 NOTE @N1@",
                                      "0 @I4@ INDI",
                                      "1 NAME Loner",
                                      "0 @N1@ NOTE A shared note",
                                      "0 TRLR"});
  RecordingHooks hooks;
  const RunOutput output =
      RunWithHooks(kFamily, DefaultOptions(Variant::Console), Variant::Console, hooks);
  EXPECT_EQ(output.written, expected);
  EXPECT_EQ(output.result.linesWritten, 30u);
  EXPECT_EQ(output.result.livingCount, 1u);
  EXPECT_EQ(hooks.livingCounts, std::vector<std::uint64_t>({1}));
  EXPECT_EQ(hooks.writtenCounts, std::vector<std::uint64_t>({0}));
  EXPECT_TRUE(hooks.ended);
  EXPECT_EQ(hooks.endOutcome, gedtext::JobOutcome::Completed);
  EXPECT_EQ(hooks.endLines, 30u);
  EXPECT_EQ(hooks.passes, std::vector<PrivatizerPass>(
                              {PrivatizerPass::ScanLiving, PrivatizerPass::WritePrivatized}));
}

TEST(WritePrivatizedTest, RetainedNotesDifferBetweenVariants) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.retainNotes = true;
  const std::string console = Privatize(kFamily, options, Variant::Console);
  EXPECT_NE(console.find("1 FAMS @F1@\r\n1 NOTE Lives in Leeds\r\n1 NOTE Living individual"),
            std::string::npos);
  EXPECT_EQ(console.find("2 CONT still"), std::string::npos);
  // Each line is judged by its own tag: a NOTE under a dropped event stays.
  EXPECT_NE(console.find("1 SEX M\r\n3 NOTE born at home\r\n1 FAMS"), std::string::npos);

  options.message.assign(kDialogDefaultMessage);
  const std::string dialog = Privatize(kFamily, options, Variant::Dialog);
  // A note under a dropped event stays and lands under the preceding kept line.
  EXPECT_NE(dialog.find("1 SEX M\r\n3 NOTE born at home\r\n1 FAMS @F1@\r\n1 NOTE Lives in Leeds\r\n"
                        "2 CONT still\r\n1 NOTE Living Individual, details withheld\r\n"),
            std::string::npos);
}

TEST(WritePrivatizedTest, BirthDatePlacementReplacesTheBirthEvent) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.placement = MessagePlacement::AsBirthDate;
  const std::string written = Privatize(kFamily, options, Variant::Console);
  EXPECT_NE(written.find("0 @I1@ INDI\r\n1 NAME John Paul /Smith/\r\n1 SEX M\r\n1 BIRT\r\n"
                         "2 DATE Living individual, details withheld\r\n1 FAMS @F1@\r\n"
                         "0 @I2@ INDI\r\n"),
            std::string::npos);
  // The living family gets no replacement birth (it has none) and no note.
  EXPECT_NE(written.find("0 @F1@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I2@\r\n1 CHIL @I3@\r\n0 @I3@"),
            std::string::npos);
}

TEST(WritePrivatizedTest, YearOnlyCutsDatesAndTheDialogDropsNotes) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.mode = ProcessingMode::YearOnly;
  options.removeUnreferenced = true;  // the console turns it off under YearOnly
  const std::string console = Privatize(kFamily, options, Variant::Console);
  EXPECT_NE(
      console.find("1 BIRT\r\n2 DATE 1960\r\n2 PLAC Leeds\r\n3 NOTE born at home\r\n"
                   "1 OCCU Teacher\r\n1 FAMS @F1@\r\n1 NOTE Lives in Leeds\r\n2 CONT still\r\n"
                   "1 CHAN\r\n2 DATE 2000\r\n0 @I2@ INDI\r\n"),
      std::string::npos);
  EXPECT_NE(console.find("1 MARR\r\n2 DATE 1980\r\n"), std::string::npos);
  EXPECT_NE(console.find("0 @I4@ INDI"), std::string::npos);
  EXPECT_EQ(console.find("Living individual"), std::string::npos);

  const std::string undated =
      Privatize("0 @I1@ INDI\r\n1 BIRT\r\n2 DATE 1960\r\n1 EVEN\r\n2 DATE ABT\r\n", options,
                Variant::Console);
  EXPECT_EQ(undated, "0 @I1@ INDI\r\n1 BIRT\r\n2 DATE 1960\r\n1 EVEN\r\n2 DATE 0\r\n");

  options.message.assign(kDialogDefaultMessage);
  options.removeUnreferenced = false;
  const std::string dialog = Privatize(kFamily, options, Variant::Dialog);
  EXPECT_NE(dialog.find("1 BIRT\r\n2 DATE 1960\r\n2 PLAC Leeds\r\n1 OCCU Teacher\r\n"
                        "1 FAMS @F1@\r\n1 CHAN\r\n2 DATE 2000\r\n0 @I2@ INDI\r\n"),
            std::string::npos);
  options.retainNotes = true;
  const std::string kept = Privatize(kFamily, options, Variant::Dialog);
  EXPECT_NE(kept.find("1 NOTE Lives in Leeds\r\n2 CONT still\r\n"), std::string::npos);
  // The dialog keeps Remove Unreferenced Data under YearOnly.
  options.removeUnreferenced = true;
  EXPECT_EQ(Privatize(kFamily, options, Variant::Dialog).find("0 @I4@ INDI"), std::string::npos);
}

TEST(WritePrivatizedTest, RemoveUnreferencedDropsRecordsAndPointersOnce) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.removeUnreferenced = true;
  const std::string input = Lines({"0 HEAD", "0 @I1@ INDI", "1 NAME Alone", "1 ASSO @I2@",
                                   "0 @I2@ INDI", "1 NAME Known by the dropped one", "0 @I3@ INDI",
                                   "1 FAMC @F9@", "2 PEDI birth", "1 NAME After", "0 TRLR"});
  // I1 is dropped as unreferenced, yet its pointer still keeps I2; the pointer to the missing
  // family F9 counts too, but F9 is never defined, so nothing more happens.
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "0 @I2@ INDI", "1 NAME Known by the dropped one", "0 TRLR"}));
  const std::string withTarget =
      input + Lines({"0 @I5@ INDI", "1 ASSO @I3@", "1 SOUR @S1@", "2 PAGE 5", "1 NAME Still"});
  EXPECT_EQ(Privatize(withTarget, options, Variant::Console),
            Lines({"0 HEAD", "0 @I2@ INDI", "1 NAME Known by the dropped one", "0 @I3@ INDI",
                   "1 FAMC @F9@", "2 PEDI birth", "1 NAME After", "0 TRLR"}));
}

TEST(WritePrivatizedTest, DroppedPointerSubtreesEndAtTheirLevelWhateverTheLinesLookLike) {
  // Lines that the rewrite copies without splitting them (a level digit first, no pointer at
  // the end) sit inside, after and beside a dropped pointer's subtree.
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.mode = ProcessingMode::DeleteLiving;
  const std::string input =
      Lines({"0 HEAD", "1 _REF @I1@", "0 @I1@ INDI", "1 BIRT", "2 DATE 1900", "1 ASSO @I2@",
             "2 RELA friend@",
             "3 NOTE deeper", "10 _DEEP also dropped", " 2 NOTE spaced, dropped", "1 NAME Kept@",
             "10 _DEEP kept", " 1 NOTE spaced, kept", "1 NOTE @", "0 @I2@ INDI", "1 BIRT",
             "2 DATE 2000", "0 TRLR"});
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "1 _REF @I1@", "0 @I1@ INDI", "1 BIRT", "2 DATE 1900", "1 NAME Kept@",
                   "10 _DEEP kept", " 1 NOTE spaced, kept", "1 NOTE @", "0 TRLR"}));
}

TEST(WritePrivatizedTest, ConsoleDeleteLivingRemovesFamiliesOfTheLiving) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.mode = ProcessingMode::DeleteLiving;
  EXPECT_EQ(Privatize(kFamily, options, Variant::Console),
            Lines({"0 HEAD", "1 SUBM @U1@", "0 @U1@ SUBM", "1 NAME Submitter", "0 @I2@ INDI",
                   "1 NAME Mary /Jones/", "1 BIRT", "2 DATE 1900", "1 DEAT", "2 DATE 1970",
                   "0 @I3@ INDI", "1 NAME Child /Smith/", "1 BIRT", "2 DATE 1920", "1 NOTE @N1@",
                   "0 @N1@ NOTE A shared note", "0 TRLR"}));
}

TEST(WritePrivatizedTest, DialogDeleteLivingCountsReferencesByItsThreeRules) {
  PrivatizeOptions options = DefaultOptions(Variant::Dialog);
  options.mode = ProcessingMode::DeleteLiving;
  // I3's FAMC counts although F1 is living (second rule), so F1 stays, privatized.
  EXPECT_EQ(Privatize(kFamily, options, Variant::Dialog), Lines({"0 HEAD",
                                                                 "1 SUBM @U1@",
                                                                 "0 @U1@ SUBM",
                                                                 "1 NAME Submitter",
                                                                 "0 @I2@ INDI",
                                                                 "1 NAME Mary /Jones/",
                                                                 "1 BIRT",
                                                                 "2 DATE 1900",
                                                                 "1 DEAT",
                                                                 "2 DATE 1970",
                                                                 "1 FAMS @F1@",
                                                                 "0 @F1@ FAM",
                                                                 "1 WIFE @I2@",
                                                                 "1 CHIL @I3@",
                                                                 "0 @I3@ INDI",
                                                                 "1 NAME Child /Smith/",
                                                                 "1 BIRT",
                                                                 "2 DATE 1920",
                                                                 "1 FAMC @F1@",
                                                                 "1 NOTE @N1@",
                                                                 "0 @N1@ NOTE A shared note",
                                                                 "0 TRLR"}));

  // Without the child nothing but the living husband's FAMS names F1: it goes, and the wife,
  // referenced only from it, is left without a family and goes too in the dialog. The source
  // record that points to her is itself unreferenced.
  const std::string couple =
      Lines({"0 HEAD", "0 @I1@ INDI", "1 BIRT", "2 DATE 1960", "1 FAMS @F1@", "1 ASSO @I2@",
             "0 @I2@ INDI", "1 BIRT", "2 DATE 1900", "1 FAMS @F1@", "0 @F1@ FAM", "1 HUSB @I1@",
             "1 WIFE @I2@", "0 @S1@ SOUR", "1 NOTE @I2@", "0 TRLR"});
  PrivatizerSets sets;
  Scan(couple, options, Variant::Dialog, sets);
  EXPECT_FALSE(sets.referencedSet.Contains("I1"));  // living individual's lines never count
  EXPECT_FALSE(sets.referencedSet.Contains("F1"));  // FAMS of a non-living individual to F1
  EXPECT_TRUE(sets.referencedSet.Contains("I2"));
  EXPECT_TRUE(sets.unlinkedSet.Contains("I2"));
  EXPECT_EQ(Privatize(couple, options, Variant::Dialog), Lines({"0 HEAD", "0 TRLR"}));

  options.message.assign(kConsoleDefaultMessage);
  EXPECT_EQ(Privatize(couple, options, Variant::Console),
            Lines({"0 HEAD", "0 @I2@ INDI", "1 BIRT", "2 DATE 1900", "0 TRLR"}));
}

TEST(WritePrivatizedTest, DialogInitialsOnlyShortensNamesButNeverPointers) {
  PrivatizeOptions options = DefaultOptions(Variant::Dialog);
  options.initialsOnly = true;
  const std::string input =
      Lines({"0 @I1@ INDI", "1 NAME J\xC3\xBCrgen Paul /M\xC3\xBCller/", "2 GIVN J\xC3\xBCrgen",
             "1 ALIA @I7@", "1 BIRT", "2 DATE 1960", "0 TRLR"});
  const std::string expected =
      Lines({"0 @I1@ INDI", "1 NAME J P /M\xC3\xBCller/", "2 GIVN J", "1 ALIA @I7@",
             "1 NOTE Living Individual, details withheld", "0 TRLR"});
  EXPECT_EQ(Privatize(input, options, Variant::Dialog), expected);
  options.mode = ProcessingMode::YearOnly;
  EXPECT_EQ(Privatize(input, options, Variant::Dialog),
            Lines({"0 @I1@ INDI", "1 NAME J P /M\xC3\xBCller/", "2 GIVN J", "1 ALIA @I7@", "1 BIRT",
                   "2 DATE 1960", "0 TRLR"}));
  // The console offers no initials.
  options.mode = ProcessingMode::RemoveDetails;
  EXPECT_NE(Privatize(input, options, Variant::Console).find("Paul"), std::string::npos);
}

TEST(WritePrivatizedTest, SharedNoteRecordStandsBeforeTheTrailerOrAtTheEnd) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.xrefMessage = true;
  options.message = "Private";
  const std::string input = Lines({"0 HEAD", "0 @I1@ INDI", "1 BIRT", "2 DATE 1960", "0 TRLR"});
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "0 @I1@ INDI", "1 NOTE @HUSHTREE@", "0 @HUSHTREE@ NOTE",
                   "1 CONC Private", "0 TRLR"}));
  // No trailer and no final line end: the note and the record still close the file.
  EXPECT_EQ(Privatize("0 HEAD\n0 @I1@ INDI\n1 BIRT\n2 DATE 1960\n1 OCCU x\n1 NAME Last", options,
                      Variant::Console),
            Lines({"0 HEAD", "0 @I1@ INDI", "1 NAME Last", "1 NOTE @HUSHTREE@", "0 @HUSHTREE@ NOTE",
                   "1 CONC Private"}));
  options.placement = MessagePlacement::AsBirthDate;
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "0 @I1@ INDI", "1 BIRT", "2 DATE @HUSHTREE@", "0 @HUSHTREE@ NOTE",
                   "1 CONC Private", "0 TRLR"}));
  options.placement = MessagePlacement::NoMessage;
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "0 @I1@ INDI", "0 TRLR"}));
  // The dialog never writes the shared record.
  options.placement = MessagePlacement::AsNote;
  EXPECT_EQ(Privatize(input, options, Variant::Dialog),
            Lines({"0 HEAD", "0 @I1@ INDI", "1 NOTE Private", "0 TRLR"}));
}

TEST(WritePrivatizedTest, ReadsEveryLineEndAndWritesCrLf) {
  const PrivatizeOptions options = DefaultOptions(Variant::Console);
  const std::string expected =
      Lines({"0 HEAD", "0 @I1@ INDI", "1 NOTE Living individual, details withheld", "0 TRLR"});
  for (const char* end : {"\n", "\r", "\r\n", "\n\r"}) {
    std::string input;
    for (const char* line : {"0 HEAD", "0 @I1@ INDI", "1 BIRT", "2 DATE 1960", "0 TRLR"}) {
      input.append(line).append(end);
    }
    EXPECT_EQ(Privatize(input, options, Variant::Console), expected);
  }
  // LF LF is a line end and a blank line; blank lines vanish.
  EXPECT_EQ(Privatize("0 HEAD\n\n  \n0 TRLR", options, Variant::Console), "0 HEAD\r\n0 TRLR");

  // A line feed inside the message is a line end the rewrite writes: CR LF, never a bare LF,
  // wherever the message goes.
  PrivatizeOptions twoLines = options;
  twoLines.message = "Private\nperson";
  const std::string living = Lines({"0 @I1@ INDI", "1 BIRT", "2 DATE 1960", "0 TRLR"});
  for (Variant variant : {Variant::Console, Variant::Dialog}) {
    EXPECT_EQ(Privatize(living, twoLines, variant),
              Lines({"0 @I1@ INDI", "1 NOTE Private", "person", "0 TRLR"}));
  }
  twoLines.placement = MessagePlacement::AsBirthDate;
  EXPECT_EQ(Privatize(living, twoLines, Variant::Console),
            Lines({"0 @I1@ INDI", "1 BIRT", "2 DATE Private", "person", "0 TRLR"}));
  twoLines.placement = MessagePlacement::AsNote;
  twoLines.xrefMessage = true;
  EXPECT_EQ(Privatize(living, twoLines, Variant::Console),
            Lines({"0 @I1@ INDI", "1 NOTE @HUSHTREE@", "0 @HUSHTREE@ NOTE", "1 CONC Private",
                   "person", "0 TRLR"}));

  // A long note in a living record goes whole; no piece of it is taken for a record.
  const std::string longText(100000, 'x');
  const std::string longInput = "0 @I1@ INDI\r\n1 BIRT\r\n2 DATE 1960\r\n1 NOTE " + longText +
                                " 0 @X1@ INDI\r\n0 @I2@ INDI\r\n1 NOTE " + longText + "\r\n";
  EXPECT_EQ(Privatize(longInput, options, Variant::Console),
            "0 @I1@ INDI\r\n1 NOTE Living individual, details withheld\r\n0 @I2@ INDI\r\n1 NOTE " +
                longText + "\r\n");
}

TEST(WritePrivatizedTest, LinesWithoutLevelBelongToTheRecordInProgress) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.removeUnreferenced = true;
  const std::string input =
      Lines({"0 HEAD", "1 NOTE see", "bare continuation", "0 @I1@ INDI", "1 BIRT", "2 DATE 1960",
             "1 NOTE secret", "more secret", "1 FAMS @F1@", "0 @F1@ FAM", "1 HUSB @I1@",
             "1 SOUR @S9@", "orphan text", "1 WIFE @I1@", "0 TRLR"});
  // The pointer to the missing S9 is kept (it counts as a reference); I1 is referenced.
  EXPECT_EQ(Privatize(input, options, Variant::Console),
            Lines({"0 HEAD", "1 NOTE see", "bare continuation", "0 @I1@ INDI", "1 FAMS @F1@",
                   "1 NOTE Living individual, details withheld", "0 @F1@ FAM", "1 HUSB @I1@",
                   "1 WIFE @I1@", "0 TRLR"}));
  // Under DeleteLiving the pointer to the living I9 does not count, so I9 goes, and so do the
  // pointer line and everything under it, bare text included.
  options.mode = ProcessingMode::DeleteLiving;
  const std::string dropped =
      Lines({"0 HEAD", "1 SUBM @I1@", "0 @I1@ INDI", "1 ASSO @I9@", "2 RELA friend",
             "text under a dropped pointer", "1 NAME Kept", "0 @I9@ INDI", "1 BIRT", "2 DATE 1960",
             "0 @X1@ NOTE", "text of a dropped record", "0 TRLR"});
  EXPECT_EQ(Privatize(dropped, options, Variant::Console),
            Lines({"0 HEAD", "1 SUBM @I1@", "0 @I1@ INDI", "1 NAME Kept", "0 TRLR"}));
}

TEST(WritePrivatizedTest, KeepsTheByteOrderMarkAndSurvivesJunk) {
  const PrivatizeOptions options = DefaultOptions(Variant::Console);
  EXPECT_EQ(Privatize("\xEF\xBB\xBF\r\n0 HEAD\r\n", options, Variant::Console),
            "\xEF\xBB\xBF"
            "0 HEAD\r\n");
  PrivatizeOptions removing = options;
  removing.removeUnreferenced = true;
  EXPECT_EQ(Privatize("\xEF\xBB\xBF"
                      "0 @X@ NOTE\r\n0 TRLR\r\n",
                      removing, Variant::Console),
            "\xEF\xBB\xBF"
            "0 TRLR\r\n");

  const std::string levels(50, '9');
  const std::string junk = "0 HEAD\r\n0 @I1@ INDI\r\n1 BIRT\r\n2 DATE 99999999999999999999\r\n" +
                           levels + " DATE x\r\n" + std::string("1 N\0TE \xFF\xFE", 9) +
                           "\r\n@\r\n0 @ INDI\r\n1 FAMS @\r\n";
  for (Variant variant : {Variant::Console, Variant::Dialog}) {
    for (ProcessingMode mode :
         {ProcessingMode::RemoveDetails, ProcessingMode::YearOnly, ProcessingMode::DeleteLiving}) {
      PrivatizeOptions each = DefaultOptions(variant);
      each.mode = mode;
      each.initialsOnly = each.retainNotes = each.removeUnreferenced = true;
      const std::string written = Privatize(junk, each, variant);
      EXPECT_EQ(written, Privatize(junk, each, variant));
    }
  }
  PrivatizeOptions yearOnly = options;
  yearOnly.mode = ProcessingMode::YearOnly;
  EXPECT_NE(Privatize(junk, yearOnly, Variant::Console)
                .find("2 DATE 2147483647\r\n2147483647 DATE 0\r\n"),
            std::string::npos);
}

TEST(RunPrivatizerTest, DialogReportsPercentagesPerPassAndStops) {
  PrivatizeOptions options = DefaultOptions(Variant::Dialog);
  options.removeUnreferenced = true;
  RecordingHooks hooks;
  const RunOutput full = RunWithHooks(kFamily, options, Variant::Dialog, hooks);
  ASSERT_EQ(full.result.outcome, PrivatizeOutcome::Completed);
  EXPECT_EQ(hooks.passes, std::vector<PrivatizerPass>(
                              {PrivatizerPass::ScanLiving, PrivatizerPass::ScanReferences,
                               PrivatizerPass::ScanUnlinked, PrivatizerPass::WritePrivatized}));
  ASSERT_EQ(hooks.percents.size(), 4u);
  for (const auto& pass : hooks.percents) {
    ASSERT_FALSE(pass.empty());
    EXPECT_GT(pass.front(), 0);
    EXPECT_EQ(pass.back(), 100);  // terminators count, so the whole file is 100
    for (std::size_t i = 1; i < pass.size(); ++i) EXPECT_GT(pass[i], pass[i - 1]);
  }
  EXPECT_TRUE(hooks.livingCounts.empty());
  EXPECT_TRUE(hooks.writtenCounts.empty());

  // Stopping in the rewrite leaves what was written so far, a prefix of the full output.
  const int reportsBeforeWrite = static_cast<int>(
      hooks.percents[0].size() + hooks.percents[1].size() + hooks.percents[2].size());
  RecordingHooks stopping(reportsBeforeWrite + 10);
  const RunOutput stopped = RunWithHooks(kFamily, options, Variant::Dialog, stopping);
  EXPECT_EQ(stopped.result.outcome, PrivatizeOutcome::Cancelled);
  EXPECT_EQ(stopping.endOutcome, gedtext::JobOutcome::Cancelled);
  EXPECT_FALSE(stopped.written.empty());
  EXPECT_LT(stopped.written.size(), full.written.size());
  EXPECT_EQ(full.written.compare(0, stopped.written.size(), stopped.written), 0);

  RecordingHooks early(1);
  const RunOutput scanStopped = RunWithHooks(kFamily, options, Variant::Dialog, early);
  EXPECT_EQ(scanStopped.result.outcome, PrivatizeOutcome::Cancelled);
  EXPECT_TRUE(scanStopped.written.empty());
  EXPECT_EQ(early.passes.size(), 1u);
}

TEST(RunPrivatizerTest, ConsoleReportsEveryThousandLinesWritten) {
  std::string input = "0 HEAD\r\n";
  for (int i = 0; i < 1500; ++i) input += "0 @N" + std::to_string(i) + "@ NOTE\r\n";
  input += Individual("I1", "1960");
  for (int i = 0; i < 3; ++i) input += "1 OCCU dropped\r\n";
  RecordingHooks hooks;
  const RunOutput output =
      RunWithHooks(input, DefaultOptions(Variant::Console), Variant::Console, hooks);
  // 0 before the first line; 1000 before line 1001; dropped lines leave the count at 1502.
  EXPECT_EQ(hooks.writtenCounts, std::vector<std::uint64_t>({0, 1000}));
  EXPECT_EQ(output.result.linesWritten, 1503u);
}

/// A source whose reads fail after some bytes, as a failing disk would.
class FailingSource : public std::streambuf {
 public:
  FailingSource(std::string text, std::size_t failAt) : text(std::move(text)), failAt(failAt) {}

 protected:
  int_type underflow() override {
    if (position >= failAt) throw std::runtime_error("read error");
    if (position >= text.size()) return traits_type::eof();
    current = text[position];
    setg(&current, &current, &current + 1);
    ++position;
    return traits_type::to_int_type(current);
  }
  pos_type seekoff(off_type offset, std::ios::seekdir dir, std::ios::openmode) override {
    position = dir == std::ios::beg ? static_cast<std::size_t>(offset)
                                    : text.size() + static_cast<std::size_t>(offset);
    setg(nullptr, nullptr, nullptr);
    return pos_type(static_cast<off_type>(position));
  }
  pos_type seekpos(pos_type pos, std::ios::openmode mode) override {
    return seekoff(off_type(pos), std::ios::beg, mode);
  }

 private:
  std::string text;
  std::size_t failAt;
  std::size_t position = 0;
  char current = 0;
};

TEST(RunPrivatizerTest, ReadAndWriteFailuresAreNoCompletedRun) {
  const PrivatizeOptions options = DefaultOptions(Variant::Console);
  {
    FailingSource failing(kFamily, 100);
    std::istream in(&failing);
    std::ostringstream out;
    RecordingHooks hooks;
    const PrivatizeResult result = RunPrivatizer(in, out, options, Variant::Console, hooks);
    EXPECT_EQ(result.outcome, PrivatizeOutcome::ReadFailed);
    EXPECT_EQ(hooks.endOutcome, gedtext::JobOutcome::WriteFailed);
  }
  for (std::size_t capacity : {std::size_t{0}, std::size_t{10}, std::size_t{300}}) {
    std::istringstream in(kFamily);
    gedtest::FailingStreambuf full(capacity);
    std::ostream out(&full);
    RecordingHooks hooks;
    const PrivatizeResult result = RunPrivatizer(in, out, options, Variant::Console, hooks);
    EXPECT_EQ(result.outcome, PrivatizeOutcome::WriteFailed) << capacity;
  }
  {
    std::istringstream in(
        std::string("\xFF\xFE"
                    "0\0 \0H\0",
                    8));
    std::ostringstream out;
    RecordingHooks hooks;
    EXPECT_EQ(RunPrivatizer(in, out, options, Variant::Console, hooks).outcome,
              PrivatizeOutcome::RefusedUtf16);
    EXPECT_TRUE(out.str().empty());
    std::istringstream nul(std::string("0 HE\0AD\r\n", 9));
    EXPECT_TRUE(SourceLooksLikeUtf16(nul));
    std::istringstream plain(kFamily);
    EXPECT_FALSE(SourceLooksLikeUtf16(plain));
    EXPECT_EQ(plain.tellg(), 0);
  }
}

// Replaces the source's bytes when a chosen pass starts, as another program writing the file
// between the passes would.
class SourceChangingHooks : public RecordingHooks {
 public:
  SourceChangingHooks(std::istringstream& source, PrivatizerPass when, std::string replacement)
      : source(source), when(when), replacement(std::move(replacement)) {}
  void PassStarted(PrivatizerPass pass) override {
    RecordingHooks::PassStarted(pass);
    if (pass == when) source.str(replacement);
  }

 private:
  std::istringstream& source;
  PrivatizerPass when;
  std::string replacement;
};

TEST(RunPrivatizerTest, SourceThatChangesSizeBetweenPassesIsAReadFailure) {
  const std::string shorter = kFamily.substr(0, kFamily.size() / 2);
  const std::string longer = std::string(kFamily) + "0 @N9@ NOTE added later\r\n";
  for (const std::string& replacement : {shorter, longer}) {
    for (PrivatizerPass when : {PrivatizerPass::ScanReferences, PrivatizerPass::WritePrivatized}) {
      std::istringstream in{std::string(kFamily)};
      std::ostringstream out;
      SourceChangingHooks hooks(in, when, replacement);
      PrivatizeOptions options = DefaultOptions(Variant::Console);
      options.removeUnreferenced = true;
      const PrivatizeResult result = RunPrivatizer(in, out, options, Variant::Console, hooks);
      EXPECT_EQ(result.outcome, PrivatizeOutcome::ReadFailed);
      EXPECT_EQ(hooks.endOutcome, gedtext::JobOutcome::WriteFailed);
    }
  }
  // A source that stays as it was runs to the end.
  std::istringstream in{std::string(kFamily)};
  std::ostringstream out;
  SourceChangingHooks hooks(in, PrivatizerPass::WritePrivatized, std::string(kFamily));
  EXPECT_EQ(RunPrivatizer(in, out, DefaultOptions(Variant::Console), Variant::Console, hooks).outcome,
            PrivatizeOutcome::Completed);
}

TEST(OptionsTest, MakesOptionsConsistentPerVariant) {
  PrivatizeOptions options = DefaultOptions(Variant::Console);
  options.mode = ProcessingMode::YearOnly;
  options.removeUnreferenced = true;
  ConsistentOptions console = MakeOptionsConsistent(options, Variant::Console);
  EXPECT_TRUE(console.effectiveMessage.empty());
  EXPECT_FALSE(console.options.removeUnreferenced);
  ConsistentOptions dialog = MakeOptionsConsistent(options, Variant::Dialog);
  EXPECT_TRUE(dialog.options.removeUnreferenced);

  options.mode = ProcessingMode::DeleteLiving;
  options.removeUnreferenced = false;
  options.xrefMessage = true;
  console = MakeOptionsConsistent(options, Variant::Console);
  EXPECT_TRUE(console.options.removeUnreferenced);
  EXPECT_TRUE(console.effectiveMessage.empty());
  EXPECT_FALSE(console.sharedNoteRecord);

  options.mode = ProcessingMode::RemoveDetails;
  console = MakeOptionsConsistent(options, Variant::Console);
  EXPECT_TRUE(console.sharedNoteRecord);
  EXPECT_EQ(console.effectiveMessage, "@HUSHTREE@");
  EXPECT_EQ(console.shownMessage, kConsoleDefaultMessage);
  options.placement = MessagePlacement::NoMessage;
  EXPECT_FALSE(MakeOptionsConsistent(options, Variant::Console).sharedNoteRecord);
}

TEST(OptionsTest, ResolvesCutoffYears) {
  EXPECT_EQ(ResolveCutoff(80, 1997), 1917);
  EXPECT_EQ(ResolveCutoff(1850, 1997), 1850);
  EXPECT_EQ(ResolveCutoff(1000, 2026), 1000);
  EXPECT_EQ(ResolveCutoff(999, 2026), 1027);
  EXPECT_EQ(ResolveCutoff(0, 2026), 2026);
  EXPECT_EQ(ResolveCutoff(-5, 2026), 2031);
  EXPECT_EQ(ResolveCutoff(std::int64_t{1} << 40, 2026), 2147483647);
  EXPECT_EQ(ResolveCutoff(-(std::int64_t{1} << 40), 2026), 2147483647);
  EXPECT_EQ(DefaultCutoff(), CurrentYear() - 80);
  EXPECT_GE(CurrentYear(), 2024);
}

TEST(ReduceToInitialsTest, KeepsWordStartsAndTheSurname) {
  EXPECT_EQ(ReduceToInitials("John Paul /Smith/"), "J P /Smith/");
  EXPECT_EQ(ReduceToInitials("Mary-Ann"), "M-A");
  EXPECT_EQ(ReduceToInitials("O'Brien Jr."), "O J.");
  EXPECT_EQ(ReduceToInitials("Jean /de la Tour/ Junior"), "J /de la Tour/ J");
  // "/" only toggles the surname: it does not start a word.
  EXPECT_EQ(ReduceToInitials("Ann/Lee/Bo"), "A/Lee/");
  EXPECT_EQ(ReduceToInitials("J\xC3\xBCrgen"), "J");
  EXPECT_EQ(ReduceToInitials("\xC3\x89mile \xE2\x82\xAC"
                             "uro"),
            "\xC3\x89 \xE2\x82\xAC");
  EXPECT_EQ(ReduceToInitials("\xE9mile Z\xE9"), "\xE9 Z");  // Latin-1 bytes, one each
  EXPECT_EQ(ReduceToInitials("\xC3"), "\xC3");              // a lead byte cut short
  EXPECT_EQ(ReduceToInitials(""), "");
}

}  // namespace
}  // namespace privatize
