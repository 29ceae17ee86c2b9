// fuzz_regression_test.cpp - replays, with the normal compiler, every input the fuzzers ever
// failed on (fuzz/regressions/<harness>/) and sweeps the sample files and a generated file
// through each harness with a spread of options. A broken invariant aborts with its name.
#include <gtest/gtest.h>

#include <cstddef>     // std::size_t
#include <cstdint>     // std::uint8_t
#include <filesystem>  // std::filesystem
#include <string>      // std::string
#include <vector>      // std::vector

#include "robustness_support.h"
#include "test_support.h"

extern "C" {
#ifdef GEDTOOLS_HAVE_FUZZ_SPLIT
int FuzzSplit(const std::uint8_t* data, std::size_t size);
#endif
#ifdef GEDTOOLS_HAVE_FUZZ_PRIVATIZE
int FuzzPrivatizeConsole(const std::uint8_t* data, std::size_t size);
int FuzzPrivatizeDialog(const std::uint8_t* data, std::size_t size);
#endif
#ifdef GEDTOOLS_HAVE_FUZZ_CASEFIX
int FuzzCasefix(const std::uint8_t* data, std::size_t size);
#endif
}

namespace {

namespace fs = std::filesystem;
using Entry = int (*)(const std::uint8_t*, std::size_t);

constexpr std::uintmax_t kLargestSample = 1U << 20;  // bigger samples add time, not cases

void Run(Entry entry, const std::string& input) {
  entry(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

/// Replays the kept inputs of one harness; returns how many there were.
std::size_t ReplayRegressions(Entry entry, const std::string& harness) {
  const fs::path folder = fs::path(GEDTOOLS_SOURCE_DIR) / "fuzz" / "regressions" / harness;
  std::size_t count = 0;
  std::error_code ignored;
  for (const auto& file : fs::directory_iterator(folder, ignored)) {
    if (!file.is_regular_file()) continue;
    SCOPED_TRACE(file.path().string());
    Run(entry, gedtest::ReadFileBytes(file.path()));
    ++count;
  }
  return count;
}

/// The sample files, the example and a generated file, the inputs of the sweeps.
std::vector<std::string> SweepFiles() {
  std::vector<std::string> files;
  for (const fs::path& sample : gedtest::SampleGedcomFiles()) {
    if (fs::file_size(sample) <= kLargestSample) files.push_back(gedtest::ReadFileBytes(sample));
  }
  files.push_back(gedtest::ReadFileBytes(gedrobust::ExampleFile()));
  gedtest::ScopedTempDir dir;
  gedrobust::WriteGeneratedFile(dir.File("generated.ged"), 400, 12);
  files.push_back(gedtest::ReadFileBytes(dir.File("generated.ged")));
  return files;
}

/// Runs entry on every sweep file behind each of the option prefixes.
void Sweep(Entry entry, const std::vector<std::string>& prefixes) {
  const std::vector<std::string> files = SweepFiles();
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (const std::string& prefix : prefixes) {
      SCOPED_TRACE("file " + std::to_string(f) + ", options " + std::to_string(static_cast<unsigned char>(prefix[0])));
      Run(entry, prefix + files[f]);
    }
  }
}

/// Privatizer options: flags, mode, placement, message, cutoff byte (1850 + value).
std::vector<std::string> PrivatizerPrefixes() {
  std::vector<std::string> prefixes;
  const unsigned char flagSets[] = {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F, 0x13};
  for (unsigned mode = 0; mode < 3; ++mode) {
    for (unsigned placement = 0; placement < 3; ++placement) {
      const unsigned char flags = flagSets[(mode * 3 + placement) % std::size(flagSets)];
      const unsigned char cutoff = static_cast<unsigned char>(96 + (mode + placement) % 3 * 50);  // 1946, 1996, 2046
      prefixes.push_back(std::string{static_cast<char>(flags), static_cast<char>(mode), static_cast<char>(placement),
                                     static_cast<char>(mode % 4), static_cast<char>(cutoff)});
    }
  }
  return prefixes;
}

#ifdef GEDTOOLS_HAVE_FUZZ_SPLIT
TEST(FuzzRegressionTest, SplitDocument) {
  ReplayRegressions(FuzzSplit, "fuzz_split");
  // 64 choice bytes: the number of commands, then the commands and their options.
  std::vector<std::string> prefixes;
  for (unsigned seed = 0; seed < 6; ++seed) {
    std::string prefix(64, '\0');
    for (std::size_t i = 0; i < prefix.size(); ++i) prefix[i] = static_cast<char>((seed * 37 + i * 11 + seed * i) % 251);
    prefixes.push_back(prefix);
  }
  Sweep(FuzzSplit, prefixes);
}
#endif

#ifdef GEDTOOLS_HAVE_FUZZ_PRIVATIZE
TEST(FuzzRegressionTest, PrivatizerConsole) {
  ReplayRegressions(FuzzPrivatizeConsole, "fuzz_privatize_console");
  Sweep(FuzzPrivatizeConsole, PrivatizerPrefixes());
}

TEST(FuzzRegressionTest, PrivatizerDialog) {
  ReplayRegressions(FuzzPrivatizeDialog, "fuzz_privatize_dialog");
  Sweep(FuzzPrivatizeDialog, PrivatizerPrefixes());
}
#endif

#ifdef GEDTOOLS_HAVE_FUZZ_CASEFIX
TEST(FuzzRegressionTest, CaseConverter) {
  ReplayRegressions(FuzzCasefix, "fuzz_casefix");
  std::vector<std::string> prefixes;
  for (char options = 0; options < 8; ++options) prefixes.push_back(std::string(1, options));
  Sweep(FuzzCasefix, prefixes);
}
#endif

}  // namespace
