// main.cpp - hushtree-cli: privatizes a GEDCOM file from the command line.
#include <cinttypes>  // PRIu64
#include <cstdio>     // std::printf, std::fputs
#include <fstream>    // std::ifstream, std::ofstream
#include <new>        // std::bad_alloc
#include <string>     // std::string
#include <vector>     // std::vector

#include "command_line.h"
#include "file_identity.h"
#include "privatizer.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

using privatize::PrivatizerPass;
using privatize::PrivatizerVariant;

/// Prints the passes and counts the way the console shows a run.
class ConsoleHooks : public privatize::PrivatizerHooks {
 public:
  void PassStarted(PrivatizerPass pass) override {
    const std::string_view text = privatize::PassStatusText(pass, PrivatizerVariant::Console);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  void LivingFound(std::uint64_t count) override { std::printf("%" PRIu64 " living\r", count); }
  void LinesWritten(std::uint64_t count) override { std::printf("%" PRIu64 "\r", count); }
};

int PrintUsage(const hushtree::CommandLine& commandLine) {
  std::fputs(hushtree::UsageText(commandLine.cutoffYear, commandLine.message).c_str(), stdout);
  return kExitFailure;
}

int Run(const std::vector<std::string>& arguments) {
  const hushtree::CommandLine commandLine =
      hushtree::ParseCommandLine(arguments, privatize::CurrentYear());
  switch (commandLine.status) {
    case hushtree::CommandLine::Status::Ok:
      break;
    case hushtree::CommandLine::Status::InvalidOption:
      std::printf("Invalid option %s specified\n\n", commandLine.invalidText.c_str());
      return PrintUsage(commandLine);
    case hushtree::CommandLine::Status::TooManyParameters:
      std::printf("Too many parameters specified\n\n");
      std::printf("FileName=%s Newfile=%s\n", commandLine.source.c_str(),
                  commandLine.destination.c_str());
      return PrintUsage(commandLine);
    case hushtree::CommandLine::Status::MissingValue:
      return PrintUsage(commandLine);
  }
  const std::string& source = commandLine.source;
  const std::string& destination = commandLine.destination;
  if (source.empty() || destination.empty()) return PrintUsage(commandLine);
  // Opening the destination empties it: if it is the source under another name, the source
  // would be gone before it is read.
  if (source == destination || gedtext::NameSameExistingFile(source, destination)) {
    std::printf("File names must be different\n");
    return PrintUsage(commandLine);
  }

  std::ifstream in;
  if (!gedtext::IsDirectory(source)) in.open(source, std::ios::binary);
  if (!in.is_open()) {
    std::printf("Can't open %s", source.c_str());
    return kExitFailure;
  }
  if (privatize::SourceLooksLikeUtf16(in)) {
    std::fprintf(stderr, "%s is a UTF-16 file, which hushtree-cli cannot read; nothing written\n",
                 source.c_str());
    return kExitFailure;
  }

  constexpr std::size_t kOutputBufferSize = std::size_t{1} << 20;
  std::vector<char> outputBuffer(kOutputBufferSize);
  std::ofstream out;
  out.rdbuf()->pubsetbuf(outputBuffer.data(), static_cast<std::streamsize>(outputBuffer.size()));
  out.open(destination, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    std::printf("Can't open %s", destination.c_str());
    return kExitFailure;
  }

  const privatize::PrivatizeOptions options = commandLine.Options();
  const privatize::ConsistentOptions consistent =
      privatize::MakeOptionsConsistent(options, PrivatizerVariant::Console);
  std::fputs(hushtree::OptionsBlock(commandLine, consistent).c_str(), stdout);

  ConsoleHooks hooks;
  const privatize::PrivatizeResult result =
      privatize::RunPrivatizer(in, out, options, PrivatizerVariant::Console, hooks);
  if (result.outcome == privatize::PrivatizeOutcome::ReadFailed) {
    std::fflush(stdout);
    std::fprintf(stderr, "Error reading %s\n", source.c_str());
    return kExitFailure;
  }
  if (result.outcome == privatize::PrivatizeOutcome::RefusedUtf16) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s is a UTF-16 file, which hushtree-cli cannot read\n", source.c_str());
    return kExitFailure;
  }
  bool written = result.outcome == privatize::PrivatizeOutcome::Completed;
  if (out.is_open()) {
    out.close();
    if (out.fail()) written = false;
  }
  if (!written) {
    std::fflush(stdout);
    std::fprintf(stderr, "Error writing %s\n", destination.c_str());
    return kExitFailure;
  }
  std::printf("%" PRIu64 " lines written\n", result.linesWritten);
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = Run(arguments);
    if (std::fflush(stdout) != 0) return kExitFailure;
    return status;
  } catch (const std::bad_alloc&) {
    // Nothing else is thrown: the engine reports every other failure as a return value.
    std::fflush(stdout);
    std::fputs("Out of Memory\n", stderr);
    return kExitFailure;
  }
}
