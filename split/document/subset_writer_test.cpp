// subset_writer_test.cpp - the reference closure, the trimming of written records, the output
// form, the status texts and the safe replacement of the destination.
#include <gtest/gtest.h>
#include <sys/resource.h>  // setrlimit

#include <csignal>     // std::signal
#include <filesystem>  // std::filesystem
#include <random>      // std::mt19937
#include <thread>      // std::thread

#include "doc_test_helpers.h"
#include "test_support.h"

using kinprune::CKinpruneDoc;
using kinprune::SaveOutcome;
using doctest::Load;
using doctest::Select;
using doctest::Subset;

namespace {

// Joins lines with CR LF, the form the writer produces.
std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) text.append(line).append("\r\n");
  return text;
}

class ScriptedQuestion : public kinprune::OverwriteQuestion {
 public:
  explicit ScriptedQuestion(bool answer) : answer(answer) {}
  bool AskYesNo(std::string_view question) override {
    asked.emplace_back(question);
    return answer;
  }
  bool answer;
  std::vector<std::string> asked;
};

const char* const kFamily =
    "0 HEAD\n1 SUBM @U1@\n"
    "0 @U1@ SUBM\n1 NOTE @N9@\n"
    "0 @I1@ INDI\n1 NAME Tom /Lee/\n1 FAMS @F1@\n1 NOTE @N1@\n1 SOUR @S9@\n"
    "0 @I2@ INDI\n1 NAME Ann /Roe/\n1 FAMS @F1@\n1 NOTE @N2@\n"
    "0 @I3@ INDI\n1 NAME Bob /Lee/\n1 FAMC @F1@\n"
    "0 @I4@ INDI\n1 NAME Cat /Lee/\n1 FAMC @F1@\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n2 PEDI birth\n1 CHIL @I4@\n"
    "2 PEDI adopted\n3 NOTE deep\n1 MARR\n2 DATE 1900\n1 NOTE @N3@\n"
    "0 @N1@ NOTE one\n0 @N2@ NOTE two\n0 @N3@ NOTE three\n1 SOUR @S1@\n"
    "0 @S1@ SOUR\n1 REPO @R1@\n0 @R1@ REPO\n0 @N9@ NOTE nine\n"
    "0 TRLR\n";

}  // namespace

TEST(SubsetWriterTest, TrimsFamiliesToWrittenMembers) {
  CKinpruneDoc doc;
  Load(doc, kFamily);
  Select(doc, {"I1", "I4"});
  EXPECT_EQ(Subset(doc), Crlf({"0 HEAD ", "1 SUBM @U1@",
                               "0 @U1@ SUBM",
                               "0 @I1@ INDI", "1 NAME Tom /Lee/", "1 FAMS @F1@", "1 NOTE @N1@",
                               "1 SOUR @S9@",
                               "0 @I4@ INDI", "1 NAME Cat /Lee/", "1 FAMC @F1@",
                               "0 @F1@ FAM", "1 HUSB @I1@", "1 CHIL @I4@", "2 PEDI adopted",
                               "3 NOTE deep", "1 MARR", "2 DATE 1900", "1 NOTE @N3@",
                               "0 @N1@ NOTE one", "0 @N3@ NOTE three", "1 SOUR @S1@",
                               "0 @S1@ SOUR", "1 REPO @R1@", "0 @R1@ REPO",
                               "0 TRLR"}));
  // The header's submitter is written but not followed, so its note and the pointer to it are
  // left out, as is the note of the unwritten I2. S9 has no record: the pointer to it stays.
}

TEST(SubsetWriterTest, AssociatesBringTheirFamilies) {
  CKinpruneDoc doc;
  Load(doc,
       "0 @I1@ INDI\n1 ASSO @I5@\n2 RELA Godfather\n1 NOTE @N1@\n"
       "0 @I5@ INDI\n1 FAMS @F2@\n1 ALIA @I1@\n"
       "0 @I6@ INDI\n1 FAMS @F2@\n"
       "0 @F2@ FAM\n1 HUSB @I5@\n1 WIFE @I6@\n1 NOTE @N1@\n"
       "0 @N1@ NOTE\n");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 @I1@ INDI", "1 ASSO @I5@", "2 RELA Godfather", "1 NOTE @N1@",
                               "0 @I5@ INDI", "1 FAMS @F2@", "1 ALIA @I1@",
                               "0 @F2@ FAM", "1 HUSB @I5@", "1 NOTE @N1@",
                               "0 @N1@ NOTE", "0 TRLR"}));
}

TEST(SubsetWriterTest, ClosureDoesNotDependOnXrefOrder) {
  // A child's line carries a citation. Whether the family or the child is met first in the
  // closure must not decide whether the citation and its source are written.
  for (const char* child : {"A2", "Z2"}) {
    SCOPED_TRACE(child);
    const std::string c = child;
    CKinpruneDoc doc;
    Load(doc, "0 HEAD\n"
              "0 @M1@ INDI\n1 FAMS @F1@\n1 ASSO @" + c + "@\n"
              "0 @" + c + "@ INDI\n1 FAMC @F1@\n"
              "0 @F1@ FAM\n1 HUSB @M1@\n1 CHIL @" + c + "@\n2 SOUR @S1@\n3 NOTE @N1@\n"
              "0 @S1@ SOUR\n0 @N1@ NOTE\n");
    Select(doc, {"M1"});
    const std::string out = Subset(doc);
    EXPECT_NE(out.find("1 CHIL @" + c + "@\r\n2 SOUR @S1@\r\n3 NOTE @N1@\r\n"), std::string::npos);
    EXPECT_NE(out.find("0 @S1@ SOUR\r\n0 @N1@ NOTE\r\n0 TRLR\r\n"), std::string::npos);
  }

  // A member line under a member line stays conditional on its own target.
  CKinpruneDoc doc;
  Load(doc, "0 HEAD\n0 @I1@ INDI\n1 FAMS @F1@\n1 NOTE @N2@\n"
            "0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I2@\n2 ASSO @I3@\n3 NOTE @N1@\n"
            "0 @N1@ NOTE\n0 @N2@ NOTE\n1 NOTE @I2@\n0 @I2@ INDI\n0 @I3@ INDI\n");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 HEAD ", "0 @I1@ INDI", "1 FAMS @F1@", "1 NOTE @N2@",
                               "0 @F1@ FAM", "1 HUSB @I1@", "1 CHIL @I2@",
                               "0 @N2@ NOTE", "1 NOTE @I2@", "0 @I2@ INDI", "0 TRLR"}));
}

TEST(SubsetWriterTest, RecordsWithAllTargetsNeededAreWrittenWholeOthersTrimmed) {
  // I1 and I2 are selected: their own records go out whole, a pointer to a missing record and
  // the lines under it included. F2 names only selected people, so it is written whole too; F1
  // also names the unselected I3, whose line and the note under it are left out.
  CKinpruneDoc doc;
  Load(doc, "0 HEAD\n"
            "0 @I1@ INDI\n1 FAMS @F1@\n1 ASSO @I9@\n2 NOTE @N1@\n"
            "0 @I2@ INDI\n1 FAMS @F1@\n1 FAMS @F2@\n"
            "0 @F1@ FAM\n1 HUSB @I1@\n2 NOTE @N2@\n1 WIFE @I2@\n1 CHIL @I3@\n2 NOTE @N3@\n"
            "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n2 _X y\n"
            "0 @I3@ INDI\n1 FAMC @F1@\n0 @N1@ NOTE\n0 @N2@ NOTE\n0 @N3@ NOTE\n");
  Select(doc, {"I1", "I2"});
  EXPECT_EQ(Subset(doc), Crlf({"0 HEAD ",
                               "0 @I1@ INDI", "1 FAMS @F1@", "1 ASSO @I9@", "2 NOTE @N1@",
                               "0 @I2@ INDI", "1 FAMS @F1@", "1 FAMS @F2@",
                               "0 @F1@ FAM", "1 HUSB @I1@", "2 NOTE @N2@", "1 WIFE @I2@",
                               "0 @F2@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "2 _X y",
                               "0 @N1@ NOTE", "0 @N2@ NOTE", "0 TRLR"}));
}

TEST(SubsetWriterTest, HeaderTargetsAreFollowedOnlyWhenASelectedRecordPointsToThem) {
  // U1 is needed from the header alone, so its note N9 is left out; once a selected individual
  // points to U1 as well, U1's record is read and N9 comes along. A record that several
  // selected individuals and families point to is written once.
  const std::string text = std::string(kFamily);
  CKinpruneDoc doc;
  Load(doc, text);
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc).find("0 @N9@ NOTE nine"), std::string::npos);

  std::string pointing = text;
  pointing.replace(pointing.find("1 SOUR @S9@\n"), 12, "1 SUBM @U1@\n");
  CKinpruneDoc again;
  Load(again, pointing);
  Select(again, {"I1", "I2", "I3"});
  const std::string out = Subset(again);
  EXPECT_NE(out.find("0 @U1@ SUBM\r\n1 NOTE @N9@\r\n"), std::string::npos);
  EXPECT_NE(out.find("0 @N9@ NOTE nine\r\n"), std::string::npos);
  for (const char* record : {"0 @U1@ SUBM\r\n", "0 @F1@ FAM\r\n", "0 @N3@ NOTE three\r\n"}) {
    const std::size_t first = out.find(record);
    EXPECT_NE(first, std::string::npos) << record;
    EXPECT_EQ(out.find(record, first + 1), std::string::npos) << record;
  }
}

TEST(SubsetWriterTest, ReachesRecordsThatSortBeforeTheCurrentOne) {
  CKinpruneDoc doc;
  Load(doc, "0 @Z1@ INDI\n1 NOTE @Y1@\n0 @Y1@ NOTE\n1 SOUR @B1@\n0 @B1@ SOUR\n1 NOTE @A1@\n"
            "0 @A1@ NOTE\n1 SOUR @X1@\n0 @X1@ SOUR\n0 @Q1@ NOTE\n");
  Select(doc, {"Z1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 @Z1@ INDI", "1 NOTE @Y1@", "0 @Y1@ NOTE", "1 SOUR @B1@",
                               "0 @B1@ SOUR", "1 NOTE @A1@", "0 @A1@ NOTE", "1 SOUR @X1@",
                               "0 @X1@ SOUR", "0 TRLR"}));
}

TEST(SubsetWriterTest, SkipLevelsAndOddLines) {
  CKinpruneDoc doc;
  // Blank lines, lines without a level number, a tab inside a value, CR LF CR LF in a record.
  Load(doc, "\xEF\xBB\xBF" "0 HEAD\r\n1 CHAR UTF-8\r\n\r\n"
            "0 @I1@ INDI\r\n1 NOTE a\tb\r\ncontinued note\r\n\r\n\r\n1 FAMS @F1@\r\n"
            "0 @I2@ INDI\r\n"
            "0 @F1@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I2@\r\nloose text\r\n2 NOTE x\r\n  \t\r\n"
            "1 MARR\r\n99999999999 DEEP\r\n1 CHIL @I2@\r\n 2 NOTE gone\r\nextra\r\n1 _NOTE kept\r\n"
            "0 no xref record\r\n0 TRLR\r\n");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), "\xEF\xBB\xBF" + Crlf({"0 HEAD ", "1 CHAR UTF-8",
                                                "0 @I1@ INDI", "1 NOTE a\tb", "continued note",
                                                "1 FAMS @F1@",
                                                "0 @F1@ FAM", "1 HUSB @I1@", "1 MARR",
                                                "2147483647 DEEP", "1 _NOTE kept", "0 TRLR"}));
}

TEST(SubsetWriterTest, WholeRecordsComeOutInOutputFormWhereverAnOddLineStands) {
  // Records written whole in a CR LF file, with lines that are not in output form at the start,
  // in the middle and at the end of a run of lines that are: a tab after the tag, a blank after
  // the tag and nothing else, a level "01", an LF alone, a blank line, records ended by "00" and
  // by an indented level 0, the last line of the file without a terminator.
  CKinpruneDoc doc;
  Load(doc, "0 HEAD\r\n"
            "0 @I1@ INDI\r\n1 NAME A /B/\r\n1 NOTE  two blanks\r\n1 SEX\tM\r\n1 NOTE @N1@\r\n"
            "1 BIRT \r\n01 NOTE @N4@\r\n"
            "0 @N1@ NOTE one\n1 CONT x\r\n\r\n1 CONT y\r\n00 @N2@ NOTE two\r\n1 CONT z\r\n"
            " 0 @N3@ NOTE three\r\n1 CONT w\r\n0 @N4@ NOTE four\r\n1 CONT end");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 HEAD ",
                               "0 @I1@ INDI", "1 NAME A /B/", "1 NOTE  two blanks", "1 SEX M",
                               "1 NOTE @N1@", "1 BIRT", "1 NOTE @N4@",
                               "0 @N1@ NOTE one", "1 CONT x", "1 CONT y",
                               "0 @N4@ NOTE four", "1 CONT end",
                               "0 TRLR"}));
}

TEST(SubsetWriterTest, ManyRecordsComeOutInFileOrder) {
  // Enough records for the sorts by offset to go through buckets; the list's order (by name)
  // runs against the file's, and each individual's note lies far from it in the file. With
  // more selected individuals than one block of the scan takes, each block read in two halves
  // at once, every pointer is queued as if the records were read one by one, and pointers
  // without a record get their table entries in file order.
  struct Case {
    int people;
    int danglingEvery;  // 0: none
  };
  for (const Case& sizes : {Case{12000, 0}, Case{70000, 997}}) {
    SCOPED_TRACE(sizes.people);
    std::string text = "0 HEAD\r\n";
    std::string notes;
    for (int id = 0; id < sizes.people; ++id) {
      const std::string number = std::to_string(id);
      text += "0 @I" + number + "@ INDI\r\n1 NAME " + std::to_string(sizes.people - id) + " /B/\r\n";
      if (sizes.danglingEvery != 0 && id % sizes.danglingEvery == 0) text += "1 SOUR @M" + number + "@\r\n";
      text += "1 NOTE @N" + number + "@\r\n";
      notes += "0 @N" + number + "@ NOTE n" + number + "\r\n";
    }
    text += notes;
    CKinpruneDoc doc;
    Load(doc, text);
    for (auto& [name, entry] : doc.individualsByName) entry.selected = true;
    EXPECT_TRUE(Subset(doc) == "0 HEAD \r\n" + text.substr(8) + "0 TRLR\r\n");
    if (sizes.danglingEvery == 0) continue;
    std::uint32_t previousId = 0;
    for (int id = 0; id < sizes.people; id += sizes.danglingEvery) {
      const CKinpruneDoc::RecordRef missing = doc.FindOrAddRecord("M" + std::to_string(id));
      EXPECT_EQ(missing.offset, CKinpruneDoc::kNoRecord);
      if (id > 0) {
        EXPECT_GT(missing.id, previousId) << id;
      }
      previousId = missing.id;
    }
  }
}

TEST(SubsetWriterTest, SelectedRecordsPointersWhateverTheirLines) {
  // A selected individual's lines are gone through for pointers: blank lines, CR and LF CR line
  // ends, a line without a level (never a pointer, even ending in '@'), values that merely end
  // in '@' or have a blank after it, and a level written "00", which ends the record.
  CKinpruneDoc doc;
  Load(doc,
       "0 HEAD\n"
       "0 @I1@ INDI\n1 NAME A /B/\n \t \n1 NOTE @N1@\r2 SOUR @S1@\n\rjunk @N2@\n"
       "1 NOTE text@\n1 NOTE @N3@ \n00 @N4@ NOTE four\n1 SOUR @S2@\n"
       "0 @N1@ NOTE one\n0 @N2@ NOTE two\n0 @N3@ NOTE three\n0 @S1@ SOUR\n0 @S2@ SOUR\n");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 HEAD ",
                               "0 @I1@ INDI", "1 NAME A /B/", "1 NOTE @N1@", "2 SOUR @S1@",
                               "junk @N2@", "1 NOTE text@", "1 NOTE @N3@ ",
                               "0 @N1@ NOTE one", "0 @S1@ SOUR",
                               "0 TRLR"}));
}

TEST(SubsetWriterTest, FirstRecordIsWrittenOnceAsTheHeaderCopy) {
  CKinpruneDoc doc;
  Load(doc, "0 @I1@ INDI\n1 FAMS @F1@\n0 @I2@ INDI\n1 FAMS @F1@\n"
            "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n");
  Select(doc, {"I1"});
  EXPECT_EQ(Subset(doc), Crlf({"0 @I1@ INDI", "1 FAMS @F1@", "0 @F1@ FAM", "1 HUSB @I1@",
                               "0 TRLR"}));
}

TEST(SubsetWriterTest, ShowsTheFourStatusTexts) {
  CKinpruneDoc doc;
  Load(doc, "0 @I1@ INDI\n");
  Select(doc, {"I1"});
  doctest::RecordingSink sink;
  Subset(doc, &sink);
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"Scanning Individuals 0%",
                                                  "Locating references...", "File written"}));

  std::string many = "0 HEAD\n";
  for (int i = 0; i < 8; ++i) many += "0 @I" + std::to_string(i) + "@ INDI\n";
  Load(doc, many);
  Select(doc, {"I0", "I1", "I2", "I3"});
  sink.texts.clear();
  Subset(doc, &sink);
  EXPECT_EQ(sink.texts,
            (std::vector<std::string>{"Scanning Individuals 0%", "Scanning Individuals 12%",
                                      "Scanning Individuals 25%", "Scanning Individuals 37%",
                                      "Scanning Individuals 50%", "Scanning Individuals 62%",
                                      "Scanning Individuals 75%", "Scanning Individuals 87%",
                                      "Locating references...", "Writing File 0%",
                                      "Writing File 25%", "Writing File 50%", "Writing File 75%",
                                      "File written"}));
}

TEST(SubsetWriterTest, ReportsAFailingStream) {
  CKinpruneDoc doc;
  Load(doc, kFamily);
  Select(doc, {"I1"});
  gedtest::FailingStreambuf buffer(10);
  std::ostream out(&buffer);
  EXPECT_FALSE(doc.WriteSubset(out));
}

TEST(SaveSubsetTest, ReplacesTheDestinationOnlyAfterACompleteWrite) {
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("source.ged");
  gedtest::WriteFileBytes(source, kFamily);
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(source).ok);
  Select(doc, {"I3"});
  const std::string expected = Subset(doc);

  const std::string dest = dir.File("dest.ged");
  gedtest::WriteFileBytes(dest, "old contents");
  std::filesystem::permissions(dest, std::filesystem::perms(0640));
  doctest::RecordingSink sink;
  SaveOutcome outcome = doc.SaveSubset(dest, &sink);
  ASSERT_TRUE(outcome.Saved()) << outcome.error;
  EXPECT_EQ(gedtest::ReadFileBytes(dest), expected);
  EXPECT_EQ(sink.texts.back(), "File written");
  EXPECT_EQ(std::filesystem::status(dest).permissions(), std::filesystem::perms(0640));

  // A write that fails part way (here the file size limit) leaves the old file and no
  // temporary file behind.
  gedtest::WriteFileBytes(dest, "old contents");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  outcome = doc.SaveSubset(dest);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(outcome.result, SaveOutcome::Result::Failed);
  EXPECT_NE(outcome.error.find(dest), std::string::npos);
  EXPECT_EQ(gedtest::ReadFileBytes(dest), "old contents");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 2u);

  // Folders that do not exist or are folders themselves.
  EXPECT_FALSE(doc.SaveSubset(dir.File("no/such/folder.ged")).Saved());
  EXPECT_FALSE(doc.SaveSubset(dir.Path().string()).Saved());
}

TEST(SaveSubsetTest, WritesIntoDevicesAndPipesInsteadOfReplacingThem) {
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("source.ged");
  gedtest::WriteFileBytes(source, kFamily);
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(source).ok);
  Select(doc, {"I3"});
  const std::string expected = Subset(doc);

  // A pipe gets the subset and stays a pipe.
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(gedtest::RunCommand("mkfifo " + gedtest::ShellQuote(pipe)), 0);
  std::string received;
  std::thread reader([&] { received = gedtest::ReadFileBytes(pipe); });
  const SaveOutcome toPipe = doc.SaveSubset(pipe);
  reader.join();
  EXPECT_TRUE(toPipe.Saved()) << toPipe.error;
  EXPECT_EQ(received, expected);
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));

  // A full device fails with its name and is still the device afterwards.
  if (std::filesystem::is_character_file("/dev/full")) {
    const SaveOutcome toFull = doc.SaveSubset("/dev/full");
    EXPECT_EQ(toFull.result, SaveOutcome::Result::Failed);
    EXPECT_NE(toFull.error.find("/dev/full"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
  }
}

TEST(SaveSubsetTest, AsksBeforeOverwritingTheOpenedFile) {
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("source.ged");
  gedtest::WriteFileBytes(source, kFamily);
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(source).ok);
  Select(doc, {"I1"});
  const std::string expected = Subset(doc);

  ScriptedQuestion no(false);
  EXPECT_EQ(doc.OnSaveDocument(source, no).result, SaveOutcome::Result::Declined);
  EXPECT_EQ(no.asked, std::vector<std::string>{std::string(kinprune::kOverwriteOriginalQuestion)});
  EXPECT_EQ(gedtest::ReadFileBytes(source), kFamily);

  // Another spelling of the same file, and a link to it, are the opened file too.
  const std::string link = dir.File("link.ged");
  std::filesystem::create_symlink(source, link);
  const std::string spelled = dir.Path().string() + "/./source.ged";
  for (const std::string& path : {spelled, link}) {
    ScriptedQuestion ask(false);
    EXPECT_EQ(doc.OnSaveDocument(path, ask).result, SaveOutcome::Result::Declined) << path;
    EXPECT_EQ(ask.asked.size(), 1u);
  }

  // Yes: the subset replaces the original, read from memory; through the link the link stays.
  ScriptedQuestion yes(true);
  ASSERT_TRUE(doc.OnSaveDocument(link, yes).Saved());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(gedtest::ReadFileBytes(source), expected);

  ScriptedQuestion unused(false);
  ASSERT_TRUE(doc.OnSaveDocument(dir.File("SOURCE.ged"), unused).Saved());
  EXPECT_TRUE(unused.asked.empty());
  EXPECT_EQ(doc.sourcePath, source);
}

TEST(SubsetWriterTest, SameSubsetWhateverTheXrefsAreCalled) {
  // Random files written twice, once with identifiers numbered upwards and once downwards: the
  // subsets must be the same file apart from the identifiers.
  constexpr int kRecords = 40;
  auto name = [](int id, bool reversed) {
    const int number = reversed ? 999 - id : id;
    return "X" + std::to_string(number);
  };
  const char* const tags[] = {"FAMS", "FAMC", "CHIL", "HUSB", "WIFE", "ASSO", "ALIA", "NOTE", "SOUR"};
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> lines;  // "@<id>@" stands for a pointer, replaced below
    std::vector<bool> selected(kRecords);
    for (int id = 0; id < kRecords; ++id) {
      const bool person = id % 3 != 2;
      lines.push_back("0 @" + std::to_string(id) + "@ " + (person ? "INDI" : "FAM"));
      if (person) lines.push_back("1 NAME P" + std::to_string(100 + id) + " /S/");
      selected[id] = random() % 10 == 0;
      int level = 1;
      for (int k = random() % 6; k > 0; --k) {
        const int target = random() % (kRecords + 3);  // a few dangling ones
        lines.push_back(std::to_string(level) + " " + tags[random() % 9] + " @" +
                        std::to_string(target) + "@");
        level = random() % 2 ? std::min(level + 1, 4) : 1 + random() % level;
      }
    }
    std::string outputs[2];
    for (int version = 0; version < 2; ++version) {
      std::string text = "0 HEAD\n";
      for (const std::string& line : lines) {
        const std::size_t at = line.find('@');
        if (at == std::string::npos) {
          text += line + "\n";
          continue;
        }
        const std::size_t end = line.find('@', at + 1);
        const int id = std::stoi(line.substr(at + 1, end - at - 1));
        text += line.substr(0, at + 1) + name(id, version == 1) + line.substr(end) + "\n";
      }
      CKinpruneDoc doc;
      Load(doc, text);
      for (auto& [display, entry] : doc.individualsByName) {
        entry.selected = selected[std::stoi(std::string(display.substr(display.find('P') + 1))) - 100];
      }
      outputs[version] = Subset(doc);
      if (version == 1) {
        // Back to the upward names.
        std::string& out = outputs[1];
        for (std::size_t at = out.find("@X"); at != std::string::npos; at = out.find("@X", at + 1)) {
          const std::size_t end = out.find('@', at + 1);
          const int id = 999 - std::stoi(out.substr(at + 2, end - at - 2));
          out.replace(at + 1, end - at - 1, name(id, false));
        }
      }
    }
    ASSERT_EQ(outputs[0], outputs[1]);
  }
}

TEST(SaveSubsetTest, ManyBlocksWithoutStatusTexts) {
  // Without a status sink the blocks are written by a second thread; the file must still be the
  // stream's bytes, and a write failing after the first blocks must still fail the save.
  std::string text = "0 HEAD\n";
  const std::string note(200, 'n');
  for (int id = 0; id < 20000; ++id) {
    text += "0 @I" + std::to_string(id) + "@ INDI\n1 NAME A" + std::to_string(id) + " /B/\n1 NOTE " +
            note + "\n";
  }
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("source.ged");
  gedtest::WriteFileBytes(source, text);
  CKinpruneDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(source).ok);
  for (auto& [name, entry] : doc.individualsByName) entry.selected = true;
  const std::string expected = Subset(doc);
  ASSERT_GT(expected.size(), std::size_t{3} << 20);

  const std::string dest = dir.File("dest.ged");
  SaveOutcome outcome = doc.SaveSubset(dest);
  ASSERT_TRUE(outcome.Saved()) << outcome.error;
  EXPECT_TRUE(gedtest::ReadFileBytes(dest) == expected);

  gedtest::WriteFileBytes(dest, "old contents");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = std::size_t{3} << 19;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  outcome = doc.SaveSubset(dest);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(outcome.result, SaveOutcome::Result::Failed);
  // The reason is the failed write's own, taken on the thread that wrote.
  EXPECT_NE(outcome.error.find(dest + " (File too large)"), std::string::npos) << outcome.error;
  EXPECT_EQ(gedtest::ReadFileBytes(dest), "old contents");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 2u);
}
