// robustness_support.h - running the built command-line programs and arranging faults for them.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint64_t
#include <filesystem>   // std::filesystem::path
#include <functional>   // std::function
#include <ostream>      // std::ostream
#include <optional>     // std::optional
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

namespace gedrobust {

enum class ProgramKind { Kinprune, Hushtree, Lettrim };

/// Prints the program's name in test names and messages.
void PrintTo(ProgramKind kind, std::ostream* out);

/// A built command-line program and the texts it prints only after a successful job.
struct Program {
  ProgramKind kind;
  std::string binary;
  std::vector<std::string> successTexts;
};

/// "kinprune-cli", or "KinpruneCli" when the name must be a test-name identifier.
std::string ProgramName(ProgramKind kind, bool identifier = false);

/// The program in the build tree, or nothing when it has not been built (yet).
std::optional<Program> FindProgram(ProgramKind kind);

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
  std::string AllOutput() const { return out + err; }
  /// Status and both outputs, for failure messages.
  std::string Describe() const;
};

/// Runs a shell command line, capturing both outputs.
CommandResult RunShell(const std::string& command);

/// The shell command of each program's ordinary job from one file to another: kinprune-cli
/// saves everyone, hushtree-cli privatizes with its defaults, lettrim-cli capitalises names and
/// places.
std::string JobCommand(const Program& program, const std::string& from, const std::string& to);
CommandResult RunJob(const Program& program, const std::string& from, const std::string& to);

/// The example file of the project.
std::string ExampleFile();

/// Writes a generated GEDCOM file of the given size.
void WriteGeneratedFile(const std::string& path, std::uint64_t individuals, std::uint64_t seed);

/// True when text is not empty and every line ends in CR LF (no bare CR or LF anywhere).
bool EveryLineEndsInCrLf(std::string_view text);
std::size_t CountLines(std::string_view text);

/// A tmpfs of the given size mounted at path (created if needed) for the lifetime of the object.
/// Mounting needs root; when it is not possible, Mounted() is false and Error() says why.
class ScopedTmpfs {
 public:
  ScopedTmpfs(std::filesystem::path path, std::uint64_t bytes, bool readOnly = false);
  ~ScopedTmpfs();
  ScopedTmpfs(const ScopedTmpfs&) = delete;
  ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;
  bool Mounted() const { return mounted; }
  const std::string& Error() const { return error; }
  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
  bool mounted = false;
  std::string error;
};

/// A command run with its standard output watched: act runs once, as soon as trigger has
/// appeared in the output, while the command goes on.
struct TriggeredRun {
  CommandResult result;
  bool acted = false;
  bool finishedBeforeAct = false;  ///< the output had already ended when trigger was seen
};
TriggeredRun RunAndActOnOutput(const std::string& command, std::string_view trigger,
                               const std::function<void()>& act);

/// Creates a character device at path that behaves like /dev/full (needs root); true when it
/// exists and refuses writes with "no space".
bool MakeFullDevice(const std::string& path);

/// Faults found in the other programs and reported, which the tests skip with this reason
/// until they are fixed (empty: not known, test it). fault names the test's case.
std::string KnownFault(ProgramKind kind, std::string_view fault);

}  // namespace gedrobust
