// lettrim_cli_test.cpp - lettrim-cli end to end through the built program.
#include <gtest/gtest.h>

#include <filesystem>  // std::filesystem::create_symlink
#include <fstream>     // std::ifstream
#include <sstream>     // std::ostringstream
#include <string>      // std::string

#include "case_conversion.h"
#include "test_support.h"

namespace {

const std::string kProgram = GEDTOOLS_BINARY_DIR "/casefix/cli/lettrim-cli";

struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
};

Outcome RunCli(const std::string& arguments) {
  Outcome outcome;
  outcome.status = gedtest::RunCommand(gedtest::ShellQuote(kProgram) + " " + arguments + " </dev/null",
                                       &outcome.out, &outcome.err);
  return outcome;
}

const std::string kSource =
    "\xEF\xBB\xBF"
    "0 HEAD\n"
    "0 @I1@ INDI\n"
    "1 NAME JOHN /MCDONALD/\n"
    "2 GIVN JOHN\n"
    "2 SURN MCDONALD\n"
    "1 ALIA @i12@\n"
    "1 BIRT\n"
    "2 PLAC st. louis, missouri\n"
    "0 TRLR";

struct Expectation {
  const char* options;
  const char* name;
  const char* givn;
  const char* surn;
  const char* plac;
  const char* message;
};

TEST(LettrimCliTest, ConvertsWithEveryOptionCombination) {
  const Expectation cases[] = {
      {"", "John /McDonald/", "John", "McDonald", "st. louis, missouri",
       "Conversion to lowercase completed\n1 names changed, 0 places changed\n"},
      {"-u", "JOHN /MCDONALD/", "JOHN", "MCDONALD", "st. louis, missouri",
       "Conversion to uppercase completed\n0 names changed, 0 places changed\n"},
      {"-s", "JOHN /McDonald/", "JOHN", "McDonald", "st. louis, missouri",
       "Conversion to lowercase completed\n1 names changed, 0 places changed\n"},
      {"-p", "John /McDonald/", "John", "McDonald", "St. Louis, Missouri",
       "Conversion to lowercase completed\n1 names changed, 1 places changed\n"},
      {"-u -s", "JOHN /MCDONALD/", "JOHN", "MCDONALD", "st. louis, missouri",
       "Conversion to uppercase completed\n0 names changed, 0 places changed\n"},
      {"-u -p", "JOHN /MCDONALD/", "JOHN", "MCDONALD", "ST. LOUIS, MISSOURI",
       "Conversion to uppercase completed\n0 names changed, 1 places changed\n"},
      {"-s -p", "JOHN /McDonald/", "JOHN", "McDonald", "St. Louis, Missouri",
       "Conversion to lowercase completed\n1 names changed, 1 places changed\n"},
      {"-usp", "JOHN /MCDONALD/", "JOHN", "MCDONALD", "ST. LOUIS, MISSOURI",
       "Conversion to uppercase completed\n0 names changed, 1 places changed\n"},
  };
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("in.ged");
  const std::string destination = dir.File("out.ged");
  gedtest::WriteFileBytes(source, kSource);
  for (const Expectation& expected : cases) {
    // An existing destination is replaced without a question.
    gedtest::WriteFileBytes(destination, std::string(100000, 'z'));
    const Outcome run = RunCli(std::string(expected.options) + " " + gedtest::ShellQuote(source) +
                               " " + gedtest::ShellQuote(destination));
    EXPECT_EQ(run.status, 0) << expected.options << run.err;
    EXPECT_EQ(run.out, expected.message) << expected.options;
    EXPECT_EQ(run.err, "") << expected.options;
    EXPECT_EQ(gedtest::ReadFileBytes(destination),
              std::string("\xEF\xBB\xBF") + "0 HEAD\r\n0 @I1@ INDI\r\n1 NAME " + expected.name +
                  "\r\n2 GIVN " + expected.givn + "\r\n2 SURN " + expected.surn +
                  "\r\n1 ALIA @i12@\r\n1 BIRT\r\n2 PLAC " + expected.plac + "\r\n0 TRLR")
        << expected.options;
  }
  // Options may follow the file names.
  const Outcome late = RunCli(gedtest::ShellQuote(source) + " " + gedtest::ShellQuote(destination) + " -P -U");
  EXPECT_EQ(late.status, 0);
  EXPECT_EQ(late.out, "Conversion to uppercase completed\n0 names changed, 1 places changed\n");
}

TEST(LettrimCliTest, RefusesBadCommandLinesAndFiles) {
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("in.ged");
  const std::string destination = dir.File("out.ged");
  gedtest::WriteFileBytes(source, kSource);
  const std::string quotedSource = gedtest::ShellQuote(source);

  const Outcome none = RunCli("");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("From file must be specified"), std::string::npos);
  const Outcome one = RunCli(quotedSource);
  EXPECT_EQ(one.status, 1);
  EXPECT_NE(one.err.find("To file must be specified"), std::string::npos);
  const Outcome invalid = RunCli("-x " + quotedSource + " " + gedtest::ShellQuote(destination));
  EXPECT_EQ(invalid.status, 1);
  EXPECT_NE(invalid.err.find("invalid option -x"), std::string::npos);
  EXPECT_EQ(RunCli(quotedSource + " a b").status, 1);
  EXPECT_FALSE(std::filesystem::exists(destination));

  // The same file, by text and by identity.
  for (const std::string& other :
       {source, dir.Path().string() + "/./in.ged", dir.File("link.ged")}) {
    if (other == dir.File("link.ged")) std::filesystem::create_symlink(source, other);
    const Outcome same = RunCli(quotedSource + " " + gedtest::ShellQuote(other));
    EXPECT_EQ(same.status, 1) << other;
    EXPECT_NE(same.err.find("From file and To file cannot be the same file"), std::string::npos);
    EXPECT_EQ(gedtest::ReadFileBytes(source), kSource);
  }

  const Outcome missing = RunCli(gedtest::ShellQuote(dir.File("missing.ged")) + " " +
                                 gedtest::ShellQuote(destination));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Error opening " + dir.File("missing.ged")), std::string::npos);
  const Outcome folder = RunCli(quotedSource + " " + gedtest::ShellQuote(dir.Path().string()));
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("Error opening"), std::string::npos);

  // A UTF-16 source is refused before an existing destination is touched.
  const std::string utf16 = dir.File("utf16.ged");
  gedtest::WriteFileBytes(utf16, std::string("\xFF\xFE" "0\0 \0H\0E\0A\0D\0\r\0\n\0", 18));
  gedtest::WriteFileBytes(destination, "keep me");
  const Outcome refused = RunCli(gedtest::ShellQuote(utf16) + " " + gedtest::ShellQuote(destination));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("UTF-16"), std::string::npos);
  EXPECT_NE(refused.err.find(utf16), std::string::npos);
  EXPECT_EQ(gedtest::ReadFileBytes(destination), "keep me");
}

TEST(LettrimCliTest, ReadsASourceFromAPipe) {
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("in.ged");
  const std::string fifo = dir.File("fifo.ged");
  const std::string destination = dir.File("out.ged");
  gedtest::WriteFileBytes(source, kSource);
  ASSERT_EQ(gedtest::RunCommand("mkfifo " + gedtest::ShellQuote(fifo)), 0);
  std::string out;
  const int status = gedtest::RunCommand(
      "cat " + gedtest::ShellQuote(source) + " > " + gedtest::ShellQuote(fifo) + " & " +
          gedtest::ShellQuote(kProgram) + " -u " + gedtest::ShellQuote(fifo) + " " +
          gedtest::ShellQuote(destination) + " </dev/null; status=$?; wait; exit $status",
      &out);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "Conversion to uppercase completed\n0 names changed, 0 places changed\n");
  const std::string converted = gedtest::ReadFileBytes(destination);
  EXPECT_NE(converted.find("\r\n1 NAME JOHN /MCDONALD/\r\n"), std::string::npos);
  EXPECT_EQ(converted.size(), kSource.size() + 8);  // eight LF became CR LF
}

TEST(LettrimCliTest, WriteAndReadErrorsAreReportedWithTheFileAndNotCompleted) {
  // Another program's test may have replaced the device by a plain file; then it proves nothing.
  if (!std::filesystem::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full device";
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("in.ged");
  gedtest::WriteFileBytes(source, kSource);
  const Outcome full = RunCli(gedtest::ShellQuote(source) + " /dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "lettrim-cli: Error writing To file /dev/full\n");
  EXPECT_EQ(full.out, "Conversion aborted.\nAn invalid file might exist.\n");

  // A read error names the source.
  if (!std::filesystem::exists("/proc/self/mem")) return;
  const std::string destination = dir.File("out.ged");
  const Outcome unreadable = RunCli("/proc/self/mem " + gedtest::ShellQuote(destination));
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_EQ(unreadable.err, "lettrim-cli: Error reading From file /proc/self/mem\n");
  EXPECT_EQ(unreadable.out, "Conversion aborted.\nAn invalid file might exist.\n");
}

TEST(LettrimCliTest, HelpDescribesEveryOption) {
  const Outcome help = RunCli("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"SYNOPSIS", "lettrim-cli [-u] [-s] [-p] SOURCE DEST", "-u", "-s", "-p",
                           "EXIT STATUS"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
}

TEST(LettrimCliTest, ExampleFileConvertsLikeTheEngine) {
  gedtest::ScopedTempDir dir;
  const std::string destination = dir.File("out.ged");
  const Outcome run = RunCli(gedtest::ShellQuote(GEDTOOLS_SOURCE_DIR "/examples/family.ged") + " " +
                             gedtest::ShellQuote(destination) + " -p");
  EXPECT_EQ(run.status, 0);
  const std::string output = gedtest::ReadFileBytes(destination);
  EXPECT_NE(output.find("1 NAME Margaret /Ashworth/\r\n"), std::string::npos);
  EXPECT_NE(output.find("2 PLAC Leeds, Yorkshire, England\r\n"), std::string::npos);
}

// The program writes exactly what the engine writes, for every sample and a few option sets.
TEST(LettrimCliTest, SampleFilesMatchTheEngine) {
  const auto samples = gedtest::SampleGedcomFiles();
  if (samples.empty()) GTEST_SKIP() << "no sample folder";
  gedtest::ScopedTempDir dir;
  const std::string destination = dir.File("out.ged");
  struct Choice {
    const char* flags;
    casefix::CaseConversionOptions options;
  };
  const Choice choices[] = {{"", {0, false, false}}, {"-usp", {1, true, true}}, {"-p", {0, false, true}}};
  for (const auto& file : samples) {
    for (const Choice& choice : choices) {
      std::filesystem::remove(destination);
      const Outcome run = RunCli(std::string(choice.flags) + " " + gedtest::ShellQuote(file.string()) +
                                 " " + gedtest::ShellQuote(destination));
      std::ifstream source(file, std::ios::binary);
      std::ostringstream expected(std::ios::binary);
      gedtest::RecordingHook hook;
      const auto result = casefix::RunCaseConversion(source, expected, choice.options, hook);
      if (result.failure == casefix::CaseConversionFailure::Utf16Source) {
        EXPECT_EQ(run.status, 1) << file;
        EXPECT_FALSE(std::filesystem::exists(destination)) << file;
        continue;
      }
      EXPECT_EQ(run.status, 0) << file << run.err;
      EXPECT_EQ(run.out, casefix::FinalMessageText(result, choice.options) + "\n") << file;
      EXPECT_EQ(gedtest::ReadFileBytes(destination), expected.str()) << file << choice.flags;
    }
  }
}

}  // namespace
