// gedcom_gen.cpp - writes a deterministic, realistic GEDCOM file of a chosen size for benchmarks
// and robustness tests: gedcom-gen --individuals N --seed S OUT.ged
#include <algorithm>    // std::min, std::max
#include <charconv>     // std::from_chars
#include <cstdint>      // std::uint64_t
#include <cstdio>       // std::FILE, std::fopen, std::fwrite
#include <iostream>     // std::cout, std::cerr
#include <memory>       // std::unique_ptr
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "family_model.h"
#include "gedcom_writer.h"

namespace {

struct Arguments {
  std::uint64_t individuals = 10000;
  std::uint64_t seed = 1;
  std::uint64_t copies = 1;
  std::string output;
};

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int Usage() {
  std::cerr << "usage: gedcom-gen [--individuals N] [--seed S] [--copies K] OUT.ged\n"
               "Writes a deterministic GEDCOM file of N individuals (default 10000) generated\n"
               "from seed S (default 1). OUT.ged may be - for standard output. --copies K\n"
               "writes the records K times with distinct identifiers (K x N individuals).\n";
  return 1;
}

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if ((arg == "--individuals" || arg == "-n") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], arguments.individuals)) return false;
    } else if ((arg == "--seed" || arg == "-s") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], arguments.seed)) return false;
    } else if (arg == "--copies" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], arguments.copies) || arguments.copies == 0) return false;
    } else if (!arg.empty() && arg.front() != '-' && arguments.output.empty()) {
      arguments.output = arg;
    } else if (arg == "-" && arguments.output.empty()) {
      arguments.output = arg;
    } else {
      return false;
    }
  }
  return !arguments.output.empty() && arguments.individuals > 0;
}

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != stdout) std::fclose(file);
  }
};

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!ParseArguments(argc, argv, arguments)) return Usage();

  const gedgen::Population population =
      gedgen::BuildPopulation(arguments.individuals, arguments.seed);

  std::unique_ptr<std::FILE, FileCloser> file(
      arguments.output == "-" ? stdout : std::fopen(arguments.output.c_str(), "wb"));
  if (!file) {
    std::cerr << "gedcom-gen: cannot create " << arguments.output << "\n";
    return 1;
  }
  const gedgen::WriteSummary summary =
      gedgen::WriteGedcom(population, arguments.seed, file.get(), arguments.copies);
  if (!summary.ok) {
    std::cerr << "gedcom-gen: writing " << arguments.output << " failed\n";
    return 1;
  }
  if (file.get() != stdout && std::fclose(file.release()) != 0) {
    std::cerr << "gedcom-gen: writing " << arguments.output << " failed\n";
    return 1;
  }
  // A machine-readable summary for the benchmark runner, on standard error so that
  // "-" output stays pure GEDCOM.
  std::cerr << "individuals " << population.people.size() * arguments.copies << "\n"
            << "families " << population.families.size() << "\n"
            << "bytes " << summary.bytes << "\n"
            << "largest-component-founder I" << population.largestFounder + 1 << "\n"
            << "largest-component-youngest I" << population.largestYoungest + 1 << "\n"
            << "largest-component-size " << population.largestSize << "\n";
  return 0;
}
