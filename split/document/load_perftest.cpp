// load_perftest.cpp - times loading a GEDCOM file, the details of every individual and a save of
// everyone. Built with the tests, not run by them: load_perftest [FILE]
#include <chrono>    // std::chrono::steady_clock
#include <cstdio>    // std::printf
#include <sstream>   // std::ostringstream
#include <string>    // std::string

#include "kinprune_doc.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path =
      argc > 1 ? argv[1] : std::string(GEDTOOLS_SAMPLE_DIR) + "/Queen.ged";
  kinprune::CKinpruneDoc doc;
  auto start = std::chrono::steady_clock::now();
  const kinprune::OpenOutcome opened = doc.OnOpenDocument(path);
  if (!opened.ok) {
    std::fprintf(stderr, "%s\n", opened.error.c_str());
    return 1;
  }
  std::printf("load     %8.3f s  %zu individuals, %zu records, %llu bytes\n", SecondsSince(start),
              doc.individualsByName.size(), doc.recordOffsets.size(),
              static_cast<unsigned long long>(doc.fileLength));

  start = std::chrono::steady_clock::now();
  std::size_t detailBytes = 0;
  for (auto& [name, entry] : doc.individualsByName) {
    detailBytes += kinprune::DetailsText(doc, entry).size();
    entry.selected = true;
  }
  std::printf("details  %8.3f s  %zu bytes\n", SecondsSince(start), detailBytes);

  start = std::chrono::steady_clock::now();
  std::ostringstream out;
  doc.WriteSubset(out);
  std::printf("save all %8.3f s  %zu bytes\n", SecondsSince(start), out.str().size());
  return 0;
}
