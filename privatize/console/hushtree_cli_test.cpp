// hushtree_cli_test.cpp - the command line, and the built program end to end.
#include <gtest/gtest.h>
#include <unistd.h>  // link, symlink

#include <filesystem>
#include <string>
#include <vector>

#include "command_line.h"
#include "privatizer.h"
#include "test_support.h"

namespace {

using gedtest::ReadFileBytes;
using gedtest::ShellQuote;
using gedtest::WriteFileBytes;

const std::string kBinary = GEDTOOLS_BINARY_DIR "/privatize/console/hushtree-cli";

std::string Usage(std::int32_t cutoff, const std::string& message) {
  return "hushtree-cli version 1.1\n\n"
         "Usage: hushtree [options] old.ged new.ged\n\n"
         "Options\n"
         "-b           place message as birth date\n"
         "-c YYYY      sets cutoff year (default: " +
         std::to_string(cutoff) +
         ")\n"
         "-c YY        sets cutoff year to current year - YY\n"
         "-d           deletes living individuals\n"
         "-l \"message\" replace \"" +
         message +
         "\" with message\n"
         "-m           no message. same as -l\"\"\n"
         "-n           keep notes for living individuals\n"
         "-r           removes unreferenced GEDCOM lines\n"
         "-x           messages are added using XREF tags\n"
         "-y           replaces dates with year only. This overrides -b -d -l -n & -r\n";
}

const std::string kDefaultMessage = "Living individual, details withheld";
const std::string kRule = std::string(78, '-') + "\n";

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun Cli(const std::string& arguments) {
  CliRun run;
  run.status = gedtest::RunCommand(ShellQuote(kBinary) + " " + arguments, &run.out, &run.err);
  return run;
}

// I1 and I2 living (I2 in the last record before the trailer), I3 dead, F1 their family.
const std::string kSource =
    "0 HEAD\r\n1 CHAR UTF-8\r\n"
    "0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n1 BIRT\r\n2 DATE 1 JAN 1960\r\n2 PLAC York\r\n"
    "1 FAMS @F1@\r\n1 NOTE likes tea\r\n2 CONT a lot\r\n"
    "0 @I3@ INDI\r\n1 NAME Old /Lee/\r\n1 BIRT\r\n2 DATE 1900\r\n1 DEAT\r\n2 DATE 1980\r\n"
    "1 FAMS @F1@\r\n"
    "0 @F1@ FAM\r\n1 HUSB @I3@\r\n1 WIFE @I1@\r\n1 MARR\r\n2 DATE 1985\r\n1 CHIL @I2@\r\n"
    "0 @I4@ INDI\r\n1 NAME Nobody\r\n"
    "0 @I2@ INDI\r\n1 NAME Bo /Lee/\r\n1 BIRT\r\n2 DATE 1990\r\n1 FAMC @F1@\r\n"
    "0 TRLR\r\n";

class HushtreeCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = dir.File("old.ged");
    destination = dir.File("new.ged");
    WriteFileBytes(source, kSource);
  }
  CliRun Privatize(const std::string& options) {
    return Cli(options + " " + ShellQuote(source) + " " + ShellQuote(destination));
  }
  std::string Written() const { return ReadFileBytes(destination); }

  gedtest::ScopedTempDir dir;
  std::string source;
  std::string destination;
};

TEST(CommandLineTest, ParsesOptionsInAnyOrderAndCase) {
  using Status = hushtree::CommandLine::Status;
  auto parse = [](std::vector<std::string> arguments) {
    return hushtree::ParseCommandLine(arguments, 1997);
  };
  hushtree::CommandLine line = parse({"-B", "a.ged", "-c", "80", "-Dx", "b.ged", "-nothing"});
  EXPECT_EQ(line.status, Status::Ok);
  EXPECT_TRUE(line.birthDate && line.deleteLiving && line.retainNotes);
  EXPECT_FALSE(line.xrefMessage);  // only the letter right after "-" counts
  EXPECT_EQ(line.cutoffYear, 1917);
  EXPECT_EQ(line.source, "a.ged");
  EXPECT_EQ(line.destination, "b.ged");
  EXPECT_EQ(line.message, kDefaultMessage);

  EXPECT_EQ(parse({}).cutoffYear, 1917);
  EXPECT_EQ(parse({"-c1850"}).cutoffYear, 1850);
  EXPECT_EQ(parse({"-C", "0"}).cutoffYear, 1997);
  EXPECT_EQ(parse({"-c", "abc"}).cutoffYear, 1997);
  EXPECT_EQ(parse({"-c", " +12x"}).cutoffYear, 1985);
  EXPECT_EQ(parse({"-c", "-3"}).cutoffYear, 2000);
  EXPECT_EQ(parse({"-c", "99999999999999999999999"}).cutoffYear, 2147483647);
  EXPECT_EQ(parse({"-c1850", "-c", "10"}).cutoffYear, 1987);

  line = parse({"-lignored", "-y", "my text", "-L", ""});
  EXPECT_EQ(line.status, Status::Ok);
  EXPECT_EQ(line.message, "");
  EXPECT_EQ(parse({"-l", "-y"}).message, "-y");
  EXPECT_FALSE(parse({"-l", "-y"}).yearOnly);

  line = parse({"-c", "50", "-z"});
  EXPECT_EQ(line.status, Status::InvalidOption);
  EXPECT_EQ(line.invalidText, "z");
  EXPECT_EQ(line.cutoffYear, 1947);
  EXPECT_EQ(parse({"-"}).status, Status::InvalidOption);
  EXPECT_EQ(parse({"-"}).invalidText, "");
  EXPECT_EQ(parse({"a", "-c"}).status, Status::MissingValue);
  EXPECT_EQ(parse({"-l"}).status, Status::MissingValue);
  line = parse({"a", "b", "c", "-z"});
  EXPECT_EQ(line.status, Status::TooManyParameters);
}

TEST_F(HushtreeCliTest, PrintsUsageForEveryArgumentError) {
  const std::int32_t cutoff = privatize::DefaultCutoff();
  CliRun run = Cli("");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Usage(cutoff, kDefaultMessage));

  run = Cli("-c 50 -l 'Private person' -zap a b");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Invalid option zap specified\n\n" +
                         Usage(privatize::CurrentYear() - 50, "Private person"));
  run = Cli("a.ged - b.ged");
  EXPECT_EQ(run.out, "Invalid option  specified\n\n" + Usage(cutoff, kDefaultMessage));
  EXPECT_EQ(run.status, 1);

  run = Cli("one.ged two.ged three.ged");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Too many parameters specified\n\nFileName=one.ged Newfile=two.ged\n" +
                         Usage(cutoff, kDefaultMessage));

  for (const char* arguments : {"a.ged b.ged -c", "-l", "only.ged", "-d -r"}) {
    run = Cli(arguments);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_EQ(run.out, Usage(cutoff, kDefaultMessage)) << arguments;
  }
}

TEST_F(HushtreeCliTest, RefusesTwoNamesOfOneFile) {
  const std::string refused =
      "File names must be different\n" + Usage(privatize::DefaultCutoff(), kDefaultMessage);
  const std::string hardLink = dir.File("hard.ged");
  const std::string softLink = dir.File("soft.ged");
  ASSERT_EQ(::link(source.c_str(), hardLink.c_str()), 0);
  ASSERT_EQ(::symlink(source.c_str(), softLink.c_str()), 0);
  const std::string folder = ShellQuote(dir.Path().string());
  for (const std::string& command :
       {"cd " + folder + " && " + ShellQuote(kBinary) + " old.ged old.ged",
        "cd " + folder + " && " + ShellQuote(kBinary) + " ./old.ged old.ged",
        ShellQuote(kBinary) + " " + ShellQuote(source) + " " + ShellQuote(hardLink),
        ShellQuote(kBinary) + " " + ShellQuote(softLink) + " " + ShellQuote(source)}) {
    std::string out;
    EXPECT_EQ(gedtest::RunCommand(command, &out), 1) << command;
    EXPECT_EQ(out, refused) << command;
    EXPECT_EQ(ReadFileBytes(source), kSource) << command;
  }
}

TEST_F(HushtreeCliTest, ReportsFilesItCannotOpen) {
  const std::string missing = dir.File("missing.ged");
  CliRun run = Cli(ShellQuote(missing) + " " + ShellQuote(destination));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Can't open " + missing);
  EXPECT_FALSE(std::filesystem::exists(destination));

  run = Cli(ShellQuote(dir.Path().string()) + " " + ShellQuote(destination));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Can't open " + dir.Path().string());

  const std::string nowhere = dir.File("no/such/folder.ged");
  run = Cli(ShellQuote(source) + " " + ShellQuote(nowhere));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Can't open " + nowhere);
}

TEST_F(HushtreeCliTest, RefusesUtf16WithoutWriting) {
  WriteFileBytes(source, std::string("\xFF\xFE"
                                     "0\0 \0H\0E\0A\0D\0\r\0\n\0",
                                     18));
  CliRun run = Privatize("");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(source), std::string::npos);
  EXPECT_NE(run.err.find("UTF-16"), std::string::npos);
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(destination));

  WriteFileBytes(destination, "keep me");
  WriteFileBytes(source, std::string("0\0 \0H\0E\0A\0D\0\n\0", 14));  // no mark, NUL bytes
  run = Privatize("");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Written(), "keep me");
}

TEST_F(HushtreeCliTest, RunsWithDefaultsAndPrintsItsProgress) {
  WriteFileBytes(destination, std::string(100000, 'o'));  // overwritten without a question
  CliRun run = Privatize("");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const std::int32_t cutoff = privatize::DefaultCutoff();
  EXPECT_EQ(run.out, kRule + "Options in effect\nCutoff=" + std::to_string(cutoff) +
                         "\nTagging living with \"" + kDefaultMessage + "\" as a note\n" + kRule +
                         "Scanning for living individuals\n1 living\r2 living\r"
                         "\nOutputting new GEDCOM file\n0\r24 lines written\n");
  EXPECT_EQ(Written(),
            "0 HEAD\r\n1 CHAR UTF-8\r\n"
            "0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n1 FAMS @F1@\r\n"
            "1 NOTE Living individual, details withheld\r\n"
            "0 @I3@ INDI\r\n1 NAME Old /Lee/\r\n1 BIRT\r\n2 DATE 1900\r\n1 DEAT\r\n2 DATE 1980\r\n"
            "1 FAMS @F1@\r\n"
            "0 @F1@ FAM\r\n1 HUSB @I3@\r\n1 WIFE @I1@\r\n1 CHIL @I2@\r\n"
            "0 @I4@ INDI\r\n1 NAME Nobody\r\n"
            "0 @I2@ INDI\r\n1 NAME Bo /Lee/\r\n1 FAMC @F1@\r\n"
            "1 NOTE Living individual, details withheld\r\n"
            "0 TRLR\r\n");
}

TEST_F(HushtreeCliTest, EveryOptionEndToEnd) {
  // -d wins over the message and forces -r; the family with a living spouse goes, with the
  // pointers to it.
  CliRun run = Privatize("-c1946 -D -l 'unused text'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kRule +
                         "Options in effect\nCutoff=1946\nRemoving unreferenced data\n"
                         "Deleting living individuals\n" +
                         kRule +
                         "Scanning for living individuals\n1 living\r2 living\r"
                         "\nChecking GEDCOM references"
                         "\nOutputting new GEDCOM file\n0\r9 lines written\n");
  EXPECT_EQ(Written(),
            "0 HEAD\r\n1 CHAR UTF-8\r\n0 @I3@ INDI\r\n1 NAME Old /Lee/\r\n1 BIRT\r\n"
            "2 DATE 1900\r\n1 DEAT\r\n2 DATE 1980\r\n0 TRLR\r\n");

  // -y overrides -d, -r and the message; notes stay.
  run = Privatize("-d -Y -r -n -c 1946 -b");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find("Scanning")),
            kRule +
                "Options in effect\nCutoff=1946\nChanging living individuals dates to years\n"
                "Individuals will not be tagged with a message\nRetaining notes\n" +
                kRule);
  EXPECT_EQ(run.out.find("Checking"), std::string::npos);
  EXPECT_NE(Written().find("1 BIRT\r\n2 DATE 1960\r\n2 PLAC York\r\n1 FAMS @F1@\r\n"
                           "1 NOTE likes tea\r\n2 CONT a lot\r\n"),
            std::string::npos);
  EXPECT_NE(Written().find("0 @I4@ INDI"), std::string::npos);

  run = Privatize("-l '' -c 1946");
  EXPECT_NE(run.out.find("\nIndividuals will not be tagged with a message\n"), std::string::npos);
  EXPECT_EQ(Written().find("NOTE Living"), std::string::npos);

  // -x -m: no shared note record and no line about it.
  run = Privatize("-x -m -c 1946");
  EXPECT_EQ(run.out.find("XREF"), std::string::npos);
  EXPECT_EQ(Written().find("HUSHTREE"), std::string::npos);

  run = Privatize("-x -c 1946 -l Private");
  EXPECT_NE(run.out.find("Tagging living with \"Private\" as a note\n"
                         "Message will be added using XREF tag\n"),
            std::string::npos);
  const std::string tail = "1 NOTE @HUSHTREE@\r\n0 @HUSHTREE@ NOTE\r\n1 CONC Private\r\n0 TRLR\r\n";
  ASSERT_GE(Written().size(), tail.size());
  EXPECT_EQ(Written().substr(Written().size() - tail.size()), tail);
  EXPECT_NE(run.out.find("26 lines written\n"), std::string::npos);

  run = Privatize("-b -n -r -c1946");
  EXPECT_NE(run.out.find("\"" + kDefaultMessage +
                         "\" as the birth date\nRetaining notes\n"
                         "Removing unreferenced data\n" +
                         kRule),
            std::string::npos);
  EXPECT_NE(run.out.find("\nChecking GEDCOM references\nOutputting new GEDCOM file\n"),
            std::string::npos);
  EXPECT_NE(Written().find("0 @I1@ INDI\r\n1 NAME Ann /Lee/\r\n1 BIRT\r\n2 DATE " +
                           kDefaultMessage + "\r\n1 FAMS @F1@\r\n1 NOTE likes tea\r\n0 @I3@"),
            std::string::npos);
  EXPECT_EQ(Written().find("@I4@"), std::string::npos);

  // A cutoff after every birth finds no one living and copies the file.
  run = Privatize("-c 2000");
  EXPECT_NE(run.out.find("Scanning for living individuals\n\nOutputting"), std::string::npos);
  EXPECT_EQ(Written(), kSource);
}

TEST_F(HushtreeCliTest, WriteErrorsFailTheRun) {
  // A file size limit of 512 bytes makes the writes fail (with the signal ignored) while the
  // run is well under way; the partial destination stays.
  const std::string example = GEDTOOLS_SOURCE_DIR "/examples/family.ged";
  std::string out;
  std::string err;
  const int status = gedtest::RunCommand("trap '' XFSZ; ulimit -f 1; " + ShellQuote(kBinary) + " " +
                                             ShellQuote(example) + " " + ShellQuote(destination),
                                         &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Error writing " + destination + "\n");
  EXPECT_EQ(out.find("lines written"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(destination));

  if (std::filesystem::is_character_file("/dev/full")) {
    const CliRun full = Cli(ShellQuote(source) + " /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "Error writing /dev/full\n");
  }
}

TEST_F(HushtreeCliTest, ReportsRunningOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
  // One 40 MiB line must be held whole; 30 MB of address space cannot hold it.
  const std::string note(std::size_t{40} << 20, 'x');
  WriteFileBytes(source, "0 HEAD\r\n1 NOTE " + note + "\r\n0 TRLR\r\n");
  std::string out;
  std::string err;
  const int status = gedtest::RunCommand("ulimit -v 30000; " + ShellQuote(kBinary) + " " +
                                             ShellQuote(source) + " " + ShellQuote(destination),
                                         &out, &err);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "Out of Memory\n");
  EXPECT_EQ(out.find("lines written"), std::string::npos);
}

TEST(HushtreeCliSampleTest, EverySampleFileGivesStableCrLfOutput) {
  gedtest::ScopedTempDir dir;
  const std::string first = dir.File("first.ged");
  const std::string second = dir.File("second.ged");
  for (const auto& sample : gedtest::SampleGedcomFiles()) {
    for (const char* options : {"", "-d -x -n", "-y -c 1900", "-b -r -x"}) {
      const std::string command =
          ShellQuote(kBinary) + " " + options + " " + ShellQuote(sample.string()) + " ";
      std::filesystem::remove(first);
      std::string err;
      const int status = gedtest::RunCommand(command + ShellQuote(first), nullptr, &err);
      if (status == 1 && err.find("UTF-16") != std::string::npos) {
        EXPECT_FALSE(std::filesystem::exists(first)) << sample;
        continue;
      }
      ASSERT_EQ(status, 0) << sample << " " << options << " " << err;
      ASSERT_EQ(gedtest::RunCommand(command + ShellQuote(second)), 0) << sample;
      const std::string written = ReadFileBytes(first);
      EXPECT_EQ(written, ReadFileBytes(second)) << sample << " " << options;
      // Every line ends in CR LF, except a copied last line that had no line end.
      const std::string source = ReadFileBytes(sample);
      const bool sourceEndsOpen = !source.empty() && source.back() != '\n' && source.back() != '\r';
      std::size_t start = 0;
      while (start < written.size()) {
        const std::size_t lf = written.find('\n', start);
        if (lf == std::string::npos) {
          EXPECT_TRUE(sourceEndsOpen) << sample << " " << options;
          EXPECT_EQ(written.find('\r', start), std::string::npos) << sample;
          break;
        }
        ASSERT_GT(lf, start) << sample;
        EXPECT_EQ(written[lf - 1], '\r') << sample << " " << options << " at " << lf;
        EXPECT_EQ(written.find('\r', start), lf - 1) << sample << " at " << lf;
        start = lf + 1;
      }
    }
  }
}

}  // namespace
