// io_fault_test.cpp - the three command-line programs under I/O faults, end to end: every fault
// ends with a message and exit status 1, never with a success message, and never harms the source.
#include <gtest/gtest.h>

#include <sys/stat.h>   // mkfifo, chmod
#include <unistd.h>     // geteuid, truncate, link, symlink

#include <cerrno>       // errno
#include <cstdio>       // popen, pclose, std::FILE
#include <filesystem>   // std::filesystem
#include <fstream>      // std::ifstream
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "robustness_support.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using gedrobust::CommandResult;
using gedrobust::Program;

class IoFaultTest : public ::testing::TestWithParam<gedrobust::ProgramKind> {
 protected:
  void SetUp() override {
    program = gedrobust::FindProgram(GetParam());
    if (!program) GTEST_SKIP() << gedrobust::ProgramName(GetParam()) << " is not built yet";
    source = dir.File("family.ged");
    fs::copy_file(gedrobust::ExampleFile(), source);
    original = gedtest::ReadFileBytes(source);
  }

  /// Runs the program's job on source and destination.
  CommandResult Run(const std::string& from, const std::string& to) const {
    return gedrobust::RunJob(*program, from, to);
  }

  /// A fault: exit status 1, some message, none of the program's success texts, and the
  /// source as it was.
  void ExpectCleanFailure(const CommandResult& result, std::string_view namedPath = {}) const {
    EXPECT_EQ(result.status, 1) << result.Describe();
    EXPECT_FALSE(result.AllOutput().empty()) << "no message at all";
    if (!namedPath.empty()) ExpectNamed(result, namedPath);
    for (std::string_view success : program->successTexts) {
      EXPECT_EQ(result.AllOutput().find(success), std::string::npos)
          << "success text \"" << success << "\" after a failure: " << result.Describe();
    }
    EXPECT_EQ(gedtest::ReadFileBytes(source), original) << "the source was changed";
  }

  void ExpectNamed(const CommandResult& result, std::string_view path) const {
    EXPECT_NE(result.AllOutput().find(path), std::string::npos)
        << "the message does not name " << path << ": " << result.Describe();
  }

  /// A failed write: as any fault, and the message names the destination.
  void ExpectWriteFailure(const CommandResult& result, std::string_view destination) const {
    ExpectCleanFailure(result);
    if (KnownFault("message-names-file").empty()) ExpectNamed(result, destination);
  }

  /// The reason to skip a case that fails for a reported fault, or empty.
  std::string KnownFault(std::string_view fault) const {
    return gedrobust::KnownFault(program->kind, fault);
  }

  gedtest::ScopedTempDir dir;
  std::optional<Program> program;
  std::string source;
  std::string original;
};

TEST_P(IoFaultTest, ControlRunSucceedsAndWritesEveryLineInCrLf) {
  const std::string destination = dir.File("out.ged");
  const CommandResult result = Run(source, destination);
  ASSERT_EQ(result.status, 0) << result.Describe();
  const std::string written = gedtest::ReadFileBytes(destination);
  ASSERT_FALSE(written.empty());
  EXPECT_TRUE(gedrobust::EveryLineEndsInCrLf(written));
  EXPECT_NE(written.find("0 TRLR\r\n"), std::string::npos);
  EXPECT_EQ(gedtest::ReadFileBytes(source), original);
}

// A private copy of /dev/full, so that a program that replaces its destination by renaming a
// temporary file over it can do no harm to the system's device.
TEST_P(IoFaultTest, DestinationOnFullDevice) {
  const std::string full = dir.File("full");
  if (!gedrobust::MakeFullDevice(full)) GTEST_SKIP() << "cannot make a full device node here";
  if (const std::string known = KnownFault("full-device"); !known.empty()) GTEST_SKIP() << known;
  ExpectWriteFailure(Run(source, full), full);
  EXPECT_TRUE(fs::is_character_file(full)) << "the device node was replaced by a file";
}

TEST_P(IoFaultTest, DestinationOnFullFileSystem) {
  // A file system too small for the result: the write fails part way, on a real file.
  gedrobust::ScopedTmpfs small(dir.Path() / "small", 64 * 1024);
  if (!small.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here: " << small.Error();
  const std::string big = dir.File("big.ged");
  gedrobust::WriteGeneratedFile(big, 3000, 2);
  const std::string bigOriginal = gedtest::ReadFileBytes(big);
  const std::string destination = (small.Path() / "out.ged").string();
  const CommandResult result = Run(big, destination);
  ExpectWriteFailure(result, destination);
  EXPECT_EQ(gedtest::ReadFileBytes(big), bigOriginal);
}

// The same as a full disk, without root: the file size limit stops the writes part way
// (SIGXFSZ ignored, so the writes fail with EFBIG instead of killing the program).
TEST_P(IoFaultTest, DestinationBeyondFileSizeLimit) {
  const std::string big = dir.File("big.ged");
  gedrobust::WriteGeneratedFile(big, 3000, 2);
  const std::string destination = dir.File("out.ged");
  const CommandResult result =
      gedrobust::RunShell("trap '' XFSZ; ulimit -f 64; " + gedrobust::JobCommand(*program, big, destination));
  ExpectWriteFailure(result, destination);
}

TEST_P(IoFaultTest, DestinationInMissingFolder) {
  const std::string destination = dir.File("no-such-folder/out.ged");
  ExpectCleanFailure(Run(source, destination), destination);
  EXPECT_FALSE(fs::exists(dir.Path() / "no-such-folder"));
}

TEST_P(IoFaultTest, DestinationInReadOnlyFolder) {
  // Root writes into a folder without write permission, so a read-only mount stands in.
  const fs::path folder = dir.Path() / "read-only";
  gedrobust::ScopedTmpfs readOnly(folder, 64 * 1024, /*readOnly=*/true);
  if (!readOnly.Mounted()) {
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() == 0) GTEST_SKIP() << "running as root and cannot mount: " << readOnly.Error();
  }
  const std::string destination = (folder / "out.ged").string();
  ExpectCleanFailure(Run(source, destination), destination);
  EXPECT_FALSE(fs::exists(destination));
}

TEST_P(IoFaultTest, DestinationIsAFolder) {
  const std::string destination = dir.File("folder");
  fs::create_directory(destination);
  ExpectCleanFailure(Run(source, destination), destination);
  EXPECT_TRUE(fs::is_directory(destination));
}

TEST_P(IoFaultTest, SourceMissing) {
  const std::string missing = dir.File("missing.ged");
  const std::string destination = dir.File("out.ged");
  ExpectCleanFailure(Run(missing, destination), missing);
}

TEST_P(IoFaultTest, SourceIsAFolder) {
  const std::string folder = dir.File("folder.ged");
  fs::create_directory(folder);
  ExpectCleanFailure(Run(folder, dir.File("out.ged")), folder);
}

TEST_P(IoFaultTest, SourceUnreadable) {
  fs::permissions(source, fs::perms::none);
  if (std::ifstream(source).is_open()) {
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    GTEST_SKIP() << "permissions do not stop this user (root) from reading";
  }
  const CommandResult result = Run(source, dir.File("out.ged"));
  fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
  ExpectCleanFailure(result, source);
}

// A pipe cannot be read twice nor sized in advance: a program either refuses it or copes with
// it completely, but never writes a short file and reports success.
TEST_P(IoFaultTest, SourceIsAPipe) {
  if (const std::string known = KnownFault("pipe"); !known.empty()) GTEST_SKIP() << known;
  const std::string expectedFile = dir.File("expected.ged");
  ASSERT_EQ(Run(source, expectedFile).status, 0);
  const std::string pipe = dir.File("pipe.ged");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string destination = dir.File("out.ged");
  // The writer end: cat blocks until the program opens the pipe; the timeout ends a writer that
  // is never read (a program that refuses before opening).
  const std::string feed = "(timeout 20 cat " + gedtest::ShellQuote(source) + " > " +
                           gedtest::ShellQuote(pipe) + " &) ; ";
  const CommandResult result = gedrobust::RunShell(feed + gedrobust::JobCommand(*program, pipe, destination));
  if (result.status == 0) {
    EXPECT_EQ(gedtest::ReadFileBytes(destination), gedtest::ReadFileBytes(expectedFile))
        << "reported success on a pipe but wrote something else";
  } else {
    ExpectCleanFailure(result);
  }
  gedrobust::RunShell("timeout 2 cat " + gedtest::ShellQuote(pipe) + " > /dev/null");  // unblock a leftover writer
}

TEST_P(IoFaultTest, DestinationIsTheSourceUnderAnotherName) {
  const fs::path folder = dir.Path();
  fs::create_directory(folder / "sub");
  fs::create_symlink(source, folder / "symbolic.ged");
  fs::create_hard_link(source, folder / "hard.ged");
  const std::vector<std::string> names = {
      source,                                    // the very same text
      (folder / "." / "family.ged").string(),    // another spelling
      (folder / "sub" / ".." / "family.ged").string(),
      (folder / "symbolic.ged").string(),        // a symbolic link
      (folder / "hard.ged").string(),            // a hard link
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ExpectCleanFailure(Run(source, name));
  }
  // Relative to the working folder, as a user types it.
  const CommandResult relative = gedrobust::RunShell(
      "cd " + gedtest::ShellQuote(folder.string()) + " && " +
      gedrobust::JobCommand(*program, "family.ged", "./family.ged"));
  ExpectCleanFailure(relative);
}

// The programs read, write, load or sort on a second thread where they can. Where the system
// gives them no thread (a process limit reached), they do the same work on one, with the same
// result. The limit binds only a user other than root, so the run changes to nobody's.
TEST_P(IoFaultTest, NoSecondThreadGivesTheSameResult) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  if (gedrobust::RunShell("command -v setpriv && command -v prlimit").status != 0) {
    GTEST_SKIP() << "setpriv and prlimit are needed";
  }
  // Large enough that the split tool loads it in two halves.
  const std::string big = dir.File("big.ged");
  gedrobust::WriteGeneratedFile(big, 15000, 3);
  fs::permissions(dir.Path(), fs::perms::all);
  // The other user may not reach the build tree (a clone in a private folder): a copy of the
  // program beside the files serves.
  Program copy = *program;
  copy.binary = dir.File(fs::path(program->binary).filename().string());
  fs::copy_file(program->binary, copy.binary);
  const std::string withThreads = dir.File("with-threads.ged");
  const std::string withoutThreads = dir.File("without-threads.ged");
  const CommandResult normal = Run(big, withThreads);
  ASSERT_EQ(normal.status, 0) << normal.Describe();
  // The leak checker of a sanitizer build needs a thread of its own at exit.
  const CommandResult limited = gedrobust::RunShell(
      "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" "
      "setpriv --reuid=65534 --regid=65534 --clear-groups prlimit --nproc=1:1 " +
      gedrobust::JobCommand(copy, big, withoutThreads));
  ASSERT_EQ(limited.status, 0) << limited.Describe();
  EXPECT_EQ(gedtest::ReadFileBytes(withoutThreads), gedtest::ReadFileBytes(withThreads));
}

INSTANTIATE_TEST_SUITE_P(Programs, IoFaultTest,
                         ::testing::Values(gedrobust::ProgramKind::Kinprune,
                                           gedrobust::ProgramKind::Hushtree,
                                           gedrobust::ProgramKind::Lettrim),
                         [](const auto& info) { return gedrobust::ProgramName(info.param, true); });

// The split tool may save over the file it opened (--force): the original must survive a
// failed save byte for byte, because the new file replaces it only when complete.
class KinpruneOverwriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program = gedrobust::FindProgram(gedrobust::ProgramKind::Kinprune);
    if (!program) GTEST_SKIP() << "kinprune-cli is not built yet";
  }
  std::optional<Program> program;
  gedtest::ScopedTempDir dir;
};

TEST_F(KinpruneOverwriteTest, ForcedSaveOverTheOpenedFileReplacesIt) {
  const std::string file = dir.File("family.ged");
  gedrobust::WriteGeneratedFile(file, 300, 4);
  const CommandResult result = gedrobust::RunShell(
      program->binary + " split --force " + gedtest::ShellQuote(file) + " " +
      gedtest::ShellQuote(file) + " everyone");
  ASSERT_EQ(result.status, 0) << result.Describe();
  const std::string written = gedtest::ReadFileBytes(file);
  EXPECT_TRUE(gedrobust::EveryLineEndsInCrLf(written));
  EXPECT_NE(written.find("0 TRLR\r\n"), std::string::npos);
  // The replaced file loads again and still lists everyone.
  const CommandResult listed = gedrobust::RunShell(program->binary + " list " + gedtest::ShellQuote(file));
  ASSERT_EQ(listed.status, 0) << listed.Describe();
  EXPECT_EQ(gedrobust::CountLines(listed.out), 300U);
}

TEST_F(KinpruneOverwriteTest, DiskFullWhileSavingOverTheOpenedFileKeepsTheOriginal) {
  const std::string known = gedrobust::KnownFault(gedrobust::ProgramKind::Kinprune, "force-disk-full");
  if (!known.empty()) GTEST_SKIP() << "known fault, reported: " << known;
  const std::string generated = dir.File("generated.ged");
  gedrobust::WriteGeneratedFile(generated, 2000, 6);
  const std::string original = gedtest::ReadFileBytes(generated);
  // Room for the file once and a little more, not for a second copy.
  gedrobust::ScopedTmpfs disk(dir.Path() / "disk", original.size() + original.size() / 4);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Error();
  const std::string file = (disk.Path() / "family.ged").string();
  fs::copy_file(generated, file);
  const CommandResult result = gedrobust::RunShell(
      program->binary + " split --force " + gedtest::ShellQuote(file) + " " +
      gedtest::ShellQuote(file) + " everyone");
  EXPECT_EQ(result.status, 1) << result.Describe();
  EXPECT_FALSE(result.err.empty()) << "no message";
  EXPECT_TRUE(gedtest::ReadFileBytes(file) == original) << "the opened file did not survive";
  // Nothing but the original is left behind on the full disk.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(disk.Path())) ++entries;
  EXPECT_EQ(entries, 1U) << "a temporary file was left on the full disk";
}

// The privatizer reads its source once per pass. A source that shrinks between the passes
// must not yield a short destination reported as complete.
TEST(HushtreeBetweenPassesTest, SourceTruncatedBetweenPassesIsReported) {
  const std::optional<Program> program = gedrobust::FindProgram(gedrobust::ProgramKind::Hushtree);
  if (!program) GTEST_SKIP() << "hushtree-cli is not built yet";
  const std::string known = gedrobust::KnownFault(gedrobust::ProgramKind::Hushtree, "truncated-between-passes");
  if (!known.empty()) GTEST_SKIP() << "known fault, reported: " << known;
  gedtest::ScopedTempDir dir;
  const std::string source = dir.File("big.ged");
  gedrobust::WriteGeneratedFile(source, 60000, 9);
  const auto size = fs::file_size(source);
  const std::string destination = dir.File("out.ged");
  const gedrobust::TriggeredRun run = gedrobust::RunAndActOnOutput(
      program->binary + " " + gedtest::ShellQuote(source) + " " + gedtest::ShellQuote(destination),
      "Outputting new GEDCOM file", [&] { fs::resize_file(source, size / 2); });
  if (!run.acted) GTEST_SKIP() << "the last pass never started: " << run.result.Describe();
  if (run.finishedBeforeAct) GTEST_SKIP() << "the run ended before the source could be cut";
  EXPECT_EQ(run.result.status, 1) << run.result.Describe();
  EXPECT_EQ(run.result.out.find("lines written"), std::string::npos) << run.result.Describe();
}

}  // namespace
