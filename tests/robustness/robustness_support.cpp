// robustness_support.cpp - running the built command-line programs and arranging faults for them.
#include "robustness_support.h"

#include <sys/stat.h>       // mknod
#include <sys/sysmacros.h>  // makedev
#include <sys/wait.h>  // WIFEXITED
#include <unistd.h>    // access, geteuid

#include <cstdio>     // popen, std::fread, std::fopen
#include <cstdlib>    // std::getenv
#include <memory>     // std::unique_ptr
#include <stdexcept>  // std::runtime_error

#include "family_model.h"
#include "gedcom_writer.h"
#include "test_support.h"

#ifndef GEDTOOLS_BINARY_DIR
#define GEDTOOLS_BINARY_DIR "."
#endif
#ifndef GEDTOOLS_SOURCE_DIR
#define GEDTOOLS_SOURCE_DIR "."
#endif

namespace gedrobust {

namespace fs = std::filesystem;

std::string ProgramName(ProgramKind kind, bool identifier) {
  switch (kind) {
    case ProgramKind::Kinprune: return identifier ? "KinpruneCli" : "kinprune-cli";
    case ProgramKind::Hushtree: return identifier ? "HushtreeCli" : "hushtree-cli";
    case ProgramKind::Lettrim: return identifier ? "LettrimCli" : "lettrim-cli";
  }
  return {};
}

void PrintTo(ProgramKind kind, std::ostream* out) { *out << ProgramName(kind); }

std::optional<Program> FindProgram(ProgramKind kind) {
  const fs::path build = GEDTOOLS_BINARY_DIR;
  Program program{kind, {}, {}};
  switch (kind) {
    case ProgramKind::Kinprune:
      program.binary = (build / "split" / "cli" / "kinprune-cli").string();
      break;
    case ProgramKind::Hushtree:
      program.binary = (build / "privatize" / "console" / "hushtree-cli").string();
      program.successTexts = {"lines written"};
      break;
    case ProgramKind::Lettrim:
      program.binary = (build / "casefix" / "cli" / "lettrim-cli").string();
      program.successTexts = {"completed", "names changed"};
      break;
  }
  if (::access(program.binary.c_str(), X_OK) != 0) return std::nullopt;
  return program;
}

std::string CommandResult::Describe() const {
  return "exit status " + std::to_string(status) + "\n--- standard output:\n" +
         out.substr(0, 2000) + "\n--- standard error:\n" + err.substr(0, 2000);
}

CommandResult RunShell(const std::string& command) {
  CommandResult result;
  result.status = gedtest::RunCommand(command, &result.out, &result.err);
  return result;
}

std::string JobCommand(const Program& program, const std::string& from, const std::string& to) {
  const std::string files = gedtest::ShellQuote(from) + " " + gedtest::ShellQuote(to);
  switch (program.kind) {
    case ProgramKind::Kinprune: return program.binary + " split " + files + " everyone";
    case ProgramKind::Hushtree: return program.binary + " " + files;
    case ProgramKind::Lettrim: return program.binary + " -p " + files;
  }
  return {};
}

CommandResult RunJob(const Program& program, const std::string& from, const std::string& to) {
  return RunShell(JobCommand(program, from, to));
}

std::string ExampleFile() { return (fs::path(GEDTOOLS_SOURCE_DIR) / "examples" / "family.ged").string(); }

void WriteGeneratedFile(const std::string& path, std::uint64_t individuals, std::uint64_t seed) {
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const gedgen::Population population = gedgen::BuildPopulation(individuals, seed);
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "wb"));
  if (!file || !gedgen::WriteGedcom(population, seed, file.get()).ok) {
    throw std::runtime_error("cannot write " + path);
  }
}

bool EveryLineEndsInCrLf(std::string_view text) {
  if (text.size() < 2 || !text.ends_with("\r\n")) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

std::size_t CountLines(std::string_view text) {
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  return lines;
}

ScopedTmpfs::ScopedTmpfs(fs::path where, std::uint64_t bytes, bool readOnly) : path(std::move(where)) {
  fs::create_directories(path);
  if (::geteuid() != 0) {
    error = "mounting needs root";
    return;
  }
  const std::string options = "size=" + std::to_string(bytes) + (readOnly ? ",ro" : "");
  const CommandResult mount =
      RunShell("mount -t tmpfs -o " + options + " tmpfs " + gedtest::ShellQuote(path.string()));
  mounted = mount.status == 0;
  if (!mounted) error = mount.err.empty() ? mount.Describe() : mount.err;
}

ScopedTmpfs::~ScopedTmpfs() {
  if (mounted) RunShell("umount " + gedtest::ShellQuote(path.string()) + " || umount -l " + gedtest::ShellQuote(path.string()));
}

TriggeredRun RunAndActOnOutput(const std::string& command, std::string_view trigger,
                               const std::function<void()>& act) {
  TriggeredRun run;
  gedtest::ScopedTempDir dir;
  const std::string errFile = dir.File("stderr");
  FILE* pipe = ::popen((command + " 2>" + gedtest::ShellQuote(errFile)).c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
    run.result.out.append(chunk, got);
    if (!run.acted && run.result.out.find(trigger) != std::string::npos) {
      act();
      run.acted = true;
      run.finishedBeforeAct = got < sizeof chunk && std::feof(pipe);
    }
  }
  const int status = ::pclose(pipe);
  run.result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.result.err = gedtest::ReadFileBytes(errFile);
  return run;
}

bool MakeFullDevice(const std::string& path) {
  constexpr unsigned kMemoryDevices = 1;  // the major and minor numbers of /dev/full
  constexpr unsigned kFull = 7;
  if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(kMemoryDevices, kFull)) != 0) return false;
  std::FILE* full = std::fopen(path.c_str(), "wb");
  if (full == nullptr) return false;
  const bool rejected = std::fputc('x', full) == EOF || std::fflush(full) != 0;
  std::fclose(full);
  return rejected;
}

std::string KnownFault(ProgramKind kind, std::string_view fault) {
  // GEDTOOLS_IGNORE_KNOWN_FAULTS=1 runs these cases anyway, to see whether they are fixed.
  if (const char* ignore = std::getenv("GEDTOOLS_IGNORE_KNOWN_FAULTS"); ignore && *ignore == '1') return {};
  struct Entry {
    ProgramKind kind;
    std::string_view fault;
    std::string_view reason;
  };
  // Faults found and not fixed yet are listed here with their reason; none is open now.
  static constexpr Entry kKnown[] = {
      {ProgramKind::Hushtree, "", ""},
  };
  for (const Entry& entry : kKnown) {
    if (!entry.fault.empty() && entry.kind == kind && entry.fault == fault) {
      return std::string(entry.reason);
    }
  }
  return {};
}

}  // namespace gedrobust
