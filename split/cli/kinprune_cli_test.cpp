// kinprune_cli_test.cpp - kinprune-cli end to end through the built program, and its CMD words.
#include <gtest/gtest.h>

#include <filesystem>  // std::filesystem
#include <set>         // std::set
#include <string>      // std::string
#include <vector>      // std::vector

#include "kinprune_cli.h"
#include "kinprune_doc.h"
#include "selection_engine.h"
#include "split_commands.h"
#include "test_support.h"

namespace kinprune {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = GEDTOOLS_BINARY_DIR "/split/cli/kinprune-cli";

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::string command = gedtest::ShellQuote(kProgram);
  for (const std::string& arg : args) command += " " + gedtest::ShellQuote(arg);
  CliRun run;
  run.status = gedtest::RunCommand(command, &run.out, &run.err);
  return run;
}

// LF line ends, a name needing capitals, a missing family and a family event line without a
// pointer ("1 HUSB" with an age below it).
constexpr const char* kSmall =
    "0 HEAD\n1 SOUR TEST\n1 SUBM @U1@\n"
    "0 @U1@ SUBM\n1 NAME Submitter\n"
    "0 @I1@ INDI\n1 NAME john /SMITH/\n1 FAMS @F1@\n1 NOTE @N1@\n"
    "0 @I2@ INDI\n1 NAME Mary /Jones/\n1 FAMS @F1@\n"
    "0 @I3@ INDI\n1 NAME Ann /Smith/\n1 FAMC @F1@\n1 FAMS @F9@\n"
    "0 @I4@ INDI\n1 NAME Zed /Other/\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 HUSB\n2 AGE 42\n"
    "0 @N1@ NOTE A note\n"
    "0 TRLR\n";

class KinpruneCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir.File("small.ged");
    gedtest::WriteFileBytes(file, kSmall);
  }
  gedtest::ScopedTempDir dir;
  std::string file;
};

bool EveryLineEndsInCrLf(const std::string& bytes) {
  if (bytes.empty() || bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n") return false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) return false;
  }
  return true;
}

TEST_F(KinpruneCliTest, ListPrintsXrefsAndNamesInListOrder) {
  const CliRun run = Cli({"list", file});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "I2\tJones, Mary\nI4\tOther, Zed\nI3\tSmith, Ann\nI1\tSmith, John\n");
  EXPECT_EQ(run.err, "");

  const CliRun missing = Cli({"list", dir.File("absent.ged")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("absent.ged"), std::string::npos);
}

TEST_F(KinpruneCliTest, ShowPrintsTheDetailsTextWithLineFeeds) {
  CKinpruneDoc document;
  ASSERT_TRUE(document.OnOpenDocument(file).ok);
  std::string expected = DetailsText(document, *document.FindIndividual("I3"));
  for (std::size_t at; (at = expected.find("\r\n")) != std::string::npos;) {
    expected.replace(at, 2, "\n");
  }
  expected += "\n";

  for (const std::string xref : {"I3", "@I3@"}) {
    const CliRun run = Cli({"show", file, xref});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
  }
  const CliRun unknown = Cli({"show", file, "@I9@"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "No individual @I9@\n");
}

TEST_F(KinpruneCliTest, SplitWritesTheTrimmedSubsetAndReportsEachCommand) {
  const std::string dest = dir.File("out.ged");
  const CliRun run = Cli({"split", file, dest, "family=@I3@", "toggle=I2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  // Family reads I3's families: F9 is missing, the pointerless HUSB line names nobody.
  EXPECT_EQ(run.err,
            "3 individuals found\n"
            "There is an error in this GEDCOM file.\n\n"
            "The following referenced individuals are missing:\nF9\n");
  EXPECT_EQ(gedtest::ReadFileBytes(dest),
            "0 HEAD \r\n1 SOUR TEST\r\n1 SUBM @U1@\r\n"
            "0 @U1@ SUBM\r\n1 NAME Submitter\r\n"
            "0 @I1@ INDI\r\n1 NAME john /SMITH/\r\n1 FAMS @F1@\r\n1 NOTE @N1@\r\n"
            "0 @I3@ INDI\r\n1 NAME Ann /Smith/\r\n1 FAMC @F1@\r\n1 FAMS @F9@\r\n"
            "0 @F1@ FAM\r\n1 HUSB @I1@\r\n1 CHIL @I3@\r\n1 HUSB\r\n2 AGE 42\r\n"
            "0 @N1@ NOTE A note\r\n"
            "0 TRLR\r\n");
}

TEST_F(KinpruneCliTest, CommandsRunLeftToRightAsTheDesktopCommandsWould) {
  struct Case {
    std::vector<std::string> commands;
    std::string individuals;  // xrefs of the written individuals, as list prints them
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"everyone"}, "I2 I4 I3 I1", ""},
      {{"everyone", "invert", "toggle=I4"}, "I4", ""},
      {{"toggle=I4", "invert", "undo"}, "I4", ""},
      {{"tree=I2"}, "I2 I3 I1",
       "3 individuals found\nThere is an error in this GEDCOM file.\n\n"
       "The following referenced individuals are missing:\nF9\n"},
      {{"tree=I2,generations=1"}, "I2 I3 I1", "3 individuals found\n"},
      {{"everyone", "tree=I2,unselect"}, "I4",
       "3 individuals found\nThere is an error in this GEDCOM file.\n\n"
       "The following referenced individuals are missing:\nF9\n"},
      {{"ancestors=I3,generations=1"}, "I2 I3 I1", "3 individuals found\n"},
      {{"ancestors=I3", "ancestors=I3,unselect", "undo"}, "I2 I3 I1",
       "3 individuals found\n3 individuals found\n"},
      {{"descendants=I1"}, "I3 I1", "2 individuals found\n"},
      {{"descendants=I1,spouses"}, "I2 I3 I1", "3 individuals found\n"},
      {{"descendants=I1,spouses-parents"}, "I3 I1", "2 individuals found\n"},
      {{"descendants=I3,collateral=1"}, "I2 I3 I1", "3 individuals found\n"},
      {{"family=I1", "undo", "toggle=@I4@"}, "I4", "3 individuals found\n"},
  };
  const std::string dest = dir.File("cases.ged");
  for (const Case& c : cases) {
    std::vector<std::string> args = {"split", file, dest};
    args.insert(args.end(), c.commands.begin(), c.commands.end());
    fs::remove(dest);
    const CliRun run = Cli(args);
    const std::string label = c.commands.front() + "...";
    EXPECT_EQ(run.status, 0) << label << run.err;
    EXPECT_EQ(run.err, c.err) << label;
    const CliRun listed = Cli({"list", dest});
    std::string xrefs;
    for (std::size_t at = 0; at < listed.out.size();) {
      const std::size_t tab = listed.out.find('\t', at);
      xrefs += (xrefs.empty() ? "" : " ") + listed.out.substr(at, tab - at);
      at = listed.out.find('\n', tab) + 1;
    }
    EXPECT_EQ(xrefs, c.individuals) << label;
  }
}

TEST_F(KinpruneCliTest, ErrorsExitOneAndWriteNothing) {
  const std::string dest = dir.File("never.ged");
  struct Case {
    std::vector<std::string> args;
    std::string errStart;
  };
  const std::vector<Case> cases = {
      {{}, "kinprune-cli: missing command"},
      {{"frobnicate"}, "kinprune-cli: unknown command 'frobnicate'"},
      {{"list"}, "kinprune-cli: list needs exactly one FILE"},
      {{"show", file}, "kinprune-cli: show needs a FILE and an XREF"},
      {{"split", file, dest}, "kinprune-cli: split needs"},
      {{"split", "--bogus", file, dest, "everyone"}, "kinprune-cli: unknown option '--bogus'"},
      {{"list", "--force", file}, "kinprune-cli: --force applies to split only"},
      {{"split", file, dest, "family"}, "kinprune-cli: invalid command 'family'"},
      {{"split", file, dest, "everyone=I1"}, "kinprune-cli: invalid command"},
      {{"split", file, dest, "family=I1,tree"}, "kinprune-cli: invalid command"},
      {{"split", file, dest, "tree=I1,collateral=2"}, "kinprune-cli: invalid command"},
      {{"split", file, dest, "ancestors=I1,generations=-1"}, "kinprune-cli: invalid command"},
      {{"split", file, dest, "ancestors=I1,generations=99999999999"},
       "kinprune-cli: invalid command"},
      {{"split", file, dest, "ancestors=I1,spouses"}, "kinprune-cli: invalid command"},
      {{"split", file, dest, "everyone", "toggle=I7"}, "No individual I7\n"},
      {{"split", file, dest, "tree=@X@,generations=2"}, "No individual @X@\n"},
      {{"split", file, dest, "everyone", "everyone"}, "Nothing selected\n"},
      {{"split", file, dest, "family=I4", "toggle=I4"}, "1 individuals found\nNothing selected\n"},
      {{"split", dir.File("absent.ged"), dest, "everyone"}, ""},
      {{"split", file, dir.File("no/such/folder/out.ged"), "everyone"}, ""},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args.back();
    EXPECT_EQ(run.status, 1) << label;
    EXPECT_EQ(run.out, "") << label;
    EXPECT_EQ(run.err.substr(0, c.errStart.size()), c.errStart) << label;
    EXPECT_FALSE(run.err.empty()) << label;
    EXPECT_FALSE(fs::exists(dest)) << label;
  }
}

TEST_F(KinpruneCliTest, HelpPrintsTheUsage) {
  const CliRun run = Cli({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, KinpruneCliUsage());
  EXPECT_NE(run.out.find("SYNOPSIS"), std::string::npos);
  EXPECT_NE(run.out.find("EXIT STATUS"), std::string::npos);
  EXPECT_EQ(Cli({"split", file, "x.ged", "everyone", "--help"}).status, 0);
}

TEST_F(KinpruneCliTest, OverwritingTheOpenedFileNeedsForce) {
  const std::string original = gedtest::ReadFileBytes(file);
  const std::string otherSpelling = (dir.Path() / "." / "small.ged").string();
  const std::string link = dir.File("link.ged");
  fs::create_symlink(file, link);
  for (const std::string& dest : {file, otherSpelling, link}) {
    const CliRun run = Cli({"split", file, dest, "everyone"});
    EXPECT_EQ(run.status, 1) << dest;
    EXPECT_NE(run.err.find("--force"), std::string::npos) << dest;
    EXPECT_EQ(gedtest::ReadFileBytes(file), original) << dest;
  }
  const CliRun forced = Cli({"split", "--force", file, file, "family=I4"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(gedtest::ReadFileBytes(file),
            "0 HEAD \r\n1 SOUR TEST\r\n1 SUBM @U1@\r\n0 @U1@ SUBM\r\n1 NAME Submitter\r\n"
            "0 @I4@ INDI\r\n1 NAME Zed /Other/\r\n0 TRLR\r\n");
}

TEST_F(KinpruneCliTest, WritesIntoAPipeWithoutReplacingIt) {
  const std::string pipe = dir.File("pipe");
  const std::string copy = dir.File("copy.ged");
  ASSERT_EQ(gedtest::RunCommand("mkfifo " + gedtest::ShellQuote(pipe)), 0);
  const int status = gedtest::RunCommand(
      "timeout 30 cat " + gedtest::ShellQuote(pipe) + " > " + gedtest::ShellQuote(copy) + " & " +
      gedtest::ShellQuote(kProgram) + " split " + gedtest::ShellQuote(file) + " " +
      gedtest::ShellQuote(pipe) + " family=I4; s=$?; wait; exit $s");
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_EQ(gedtest::ReadFileBytes(copy),
            "0 HEAD \r\n1 SOUR TEST\r\n1 SUBM @U1@\r\n0 @U1@ SUBM\r\n1 NAME Submitter\r\n"
            "0 @I4@ INDI\r\n1 NAME Zed /Other/\r\n0 TRLR\r\n");
}

TEST(SplitCommandTest, OptionsDefaultsAndDependents) {
  SplitCommandParse parsed = ParseSplitCommand(
      "ancestors=@I1@,generations=3,collateral=2,children,tree,exclude-spouses,unselect");
  ASSERT_TRUE(parsed.command) << parsed.error;
  EXPECT_EQ(parsed.command->kind, SplitCommandKind::Ancestors);
  EXPECT_EQ(XrefArgumentKey(parsed.command->individual), "I1");
  EXPECT_EQ(parsed.command->ancestors.generations, 3);
  EXPECT_EQ(parsed.command->ancestors.collateralGenerations, 2);
  EXPECT_TRUE(parsed.command->ancestors.includeChildrenOfAncestors);
  EXPECT_TRUE(parsed.command->ancestors.includeAncestorTree);
  EXPECT_TRUE(parsed.command->ancestors.excludeFamiliesOfSpouses);
  EXPECT_EQ(parsed.command->target, SelectionTarget::UnSelect);

  parsed = ParseSplitCommand("ancestors=I1,exclude-spouses");
  ASSERT_TRUE(parsed.command);
  EXPECT_FALSE(parsed.command->ancestors.excludeFamiliesOfSpouses);  // needs tree
  EXPECT_EQ(parsed.command->target, SelectionTarget::Select);
  EXPECT_EQ(parsed.command->ancestors.generations, 0);

  parsed = ParseSplitCommand("descendants=I1,spouses-parents,tree");
  ASSERT_TRUE(parsed.command);
  EXPECT_FALSE(parsed.command->descendants.includeSpousesParents);  // needs spouses
  EXPECT_TRUE(parsed.command->descendants.includeDescendantTree);
  parsed = ParseSplitCommand("descendants=I1,spouses-parents,spouses,generations=0007");
  ASSERT_TRUE(parsed.command);
  EXPECT_TRUE(parsed.command->descendants.includeSpousesParents);
  EXPECT_EQ(parsed.command->descendants.generations, 7);

  parsed = ParseSplitCommand("tree=I1,generations=2,unselect");
  ASSERT_TRUE(parsed.command);
  EXPECT_EQ(parsed.command->tree.generations, 2);
  EXPECT_EQ(parsed.command->target, SelectionTarget::UnSelect);

  EXPECT_EQ(XrefArgumentKey("@"), "@");
  EXPECT_EQ(XrefArgumentKey("@@"), "");
  EXPECT_EQ(XrefArgumentKey("@I1"), "@I1");
  for (const char* bad : {"", "tree=", "toggle", "undo,unselect", "tree=I1,generations",
                          "tree=I1,generations=x", "tree=I1,unselect=1", "family=I1,unselect",
                          "descendants=I1,children", "ancestors=I1,spouses-parents"}) {
    EXPECT_FALSE(ParseSplitCommand(bad).command) << bad;
  }
}

/// The xrefs of a file's individuals with their display names, as list prints them.
std::set<std::string> ListedIndividuals(const std::string& path) {
  const CliRun run = Cli({"list", path});
  std::set<std::string> lines;
  for (std::size_t at = 0; at < run.out.size();) {
    const std::size_t end = run.out.find('\n', at);
    lines.insert(run.out.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

TEST(KinpruneCliSampleTest, EverySampleFileListsShowsAndSplits) {
  gedtest::ScopedTempDir dir;
  const std::string dest = dir.File("subset.ged");
  for (const fs::path& sample : gedtest::SampleGedcomFiles()) {
    SCOPED_TRACE(sample.filename().string());
    CKinpruneDoc document;
    const OpenOutcome opened = document.OnOpenDocument(sample.string());
    const CliRun listed = Cli({"list", sample.string()});
    if (!opened.ok) {
      EXPECT_EQ(listed.status, 1);
      EXPECT_EQ(listed.err, opened.error + "\n");
      continue;
    }
    ASSERT_EQ(listed.status, 0) << listed.err;
    if (document.individualsByName.empty()) {
      EXPECT_EQ(Cli({"split", sample.string(), dest, "everyone"}).err, "Nothing selected\n");
      continue;
    }

    // Details of the first and the last individual of the list.
    for (const IndividualEntry* entry : {&document.individualsByName.begin()->second,
                                         &document.individualsByName.rbegin()->second}) {
      const CliRun shown = Cli({"show", sample.string(), "@" + entry->xref + "@"});
      EXPECT_EQ(shown.status, 0) << shown.err;
      EXPECT_FALSE(shown.out.empty());
    }

    // Everyone: every distinct individual comes back with its name.
    CliRun split = Cli({"split", sample.string(), dest, "everyone"});
    ASSERT_EQ(split.status, 0) << split.err;
    std::string written = gedtest::ReadFileBytes(dest);
    EXPECT_TRUE(EveryLineEndsInCrLf(written));
    std::set<std::string> expected;
    for (const auto& [xref, entry] : document.individualByXref) {
      expected.insert(xref + "\t" + std::string(entry->name));
    }
    std::set<std::string> reloaded = ListedIndividuals(dest);
    for (const std::string& line : expected) EXPECT_EQ(reloaded.count(line), 1u) << line;

    // A few traversals from the middle of the list: the selection is all written.
    const IndividualEntry& middle =
        std::next(document.individualsByName.begin(),
                  static_cast<long>(document.individualsByName.size() / 2))
            ->second;
    const std::vector<std::vector<std::string>> runs = {
        {"tree=" + middle.xref},
        {"ancestors=" + middle.xref + ",tree,exclude-spouses,collateral=1"},
        {"descendants=" + middle.xref + ",spouses,spouses-parents", "family=" + middle.xref},
    };
    for (const std::vector<std::string>& commands : runs) {
      SCOPED_TRACE(commands.front());
      std::vector<std::string> args = {"split", sample.string(), dest};
      args.insert(args.end(), commands.begin(), commands.end());
      split = Cli(args);
      ASSERT_EQ(split.status, 0) << split.err;
      written = gedtest::ReadFileBytes(dest);
      EXPECT_TRUE(EveryLineEndsInCrLf(written));
      EXPECT_EQ(written.substr(written.size() - 8), "0 TRLR\r\n");

      CKinpruneDoc again;
      ASSERT_TRUE(again.OnOpenDocument(sample.string()).ok);
      SelectionEngine engine(again);
      for (const std::string& command : commands) {
        const SplitCommand parsed = *ParseSplitCommand(command).command;
        const std::string_view start = XrefArgumentKey(parsed.individual);
        if (parsed.kind == SplitCommandKind::Tree) {
          engine.SelectConnected(start, 0, SelectionTarget::Select);
        } else if (parsed.kind == SplitCommandKind::Ancestors) {
          engine.SelectAncestors(start, parsed.ancestors, SelectionTarget::Select);
        } else if (parsed.kind == SplitCommandKind::Descendants) {
          engine.SelectDescendants(start, parsed.descendants, SelectionTarget::Select);
        } else {
          engine.SelectFamily(start);
        }
      }
      reloaded = ListedIndividuals(dest);
      for (const auto& [xref, entry] : again.individualByXref) {
        if (entry->selected) {
          EXPECT_EQ(reloaded.count(xref + "\t" + std::string(entry->name)), 1u) << xref;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kinprune
