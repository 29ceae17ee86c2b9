// bench_split_phases.cpp - times the phases of a split on one loaded file, each on its own, so
// that a change to one phase can be judged without the noise of the others:
//   bench-split-phases FILE START YOUNGEST [REPEATS] [OUTPUT]
// prints the load, the building of the record index, the first traversal, the best of REPEATS
// further traversals (tree from START, ancestors with tree from YOUNGEST) and the best of
// REPEATS saves of the tree's selection and of everyone to OUTPUT (default /dev/null).
#include <algorithm>  // std::min
#include <chrono>     // std::chrono::steady_clock
#include <cstdio>     // std::printf, std::fprintf
#include <cstdlib>    // std::atoi
#include <string>     // std::string

#include "selection_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best time of repeats calls of run.
template <class Run>
double BestOf(int repeats, Run&& run) {
  double best = 1e300;
  for (int k = 0; k < repeats; ++k) {
    const Clock::time_point start = Clock::now();
    run();
    best = std::min(best, SecondsSince(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench-split-phases FILE START YOUNGEST [REPEATS] [OUTPUT]\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::string start = argv[2];
  const std::string youngest = argv[3];
  const int repeats = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
  const std::string output = argc > 5 ? argv[5] : "/dev/null";

  kinprune::CKinpruneDoc doc;
  Clock::time_point began = Clock::now();
  const kinprune::OpenOutcome opened = doc.OnOpenDocument(path);
  if (!opened.ok) {
    std::fprintf(stderr, "%s\n", opened.error.c_str());
    return 1;
  }
  std::printf("load                 %8.3f s  %zu individuals, %zu records\n", SecondsSince(began),
              doc.individualsByName.size(), doc.recordOffsets.size());

  began = Clock::now();
  doc.RecordIdsInByteOrder();
  std::printf("record index         %8.3f s\n", SecondsSince(began));

  kinprune::SelectionEngine engine(doc);
  using kinprune::SelectionTarget;
  began = Clock::now();
  engine.SelectConnected(start, 0, SelectionTarget::Select);
  std::printf("first tree           %8.3f s  %zu individuals selected\n", SecondsSince(began),
              engine.SelectedCount());

  const double tree = BestOf(repeats, [&] { engine.SelectConnected(start, 0, SelectionTarget::Select); });
  std::printf("tree                 %8.3f s\n", tree);

  kinprune::AncestorOptions ancestors;
  ancestors.includeAncestorTree = true;
  const double ancestorTree =
      BestOf(repeats, [&] { engine.SelectAncestors(youngest, ancestors, SelectionTarget::Select); });
  std::printf("ancestors, tree      %8.3f s\n", ancestorTree);

  engine.SelectConnected(start, 0, SelectionTarget::Select);
  bool saved = true;
  const double save = BestOf(repeats, [&] { saved = saved && doc.SaveSubset(output).Saved(); });
  std::printf("save of the tree     %8.3f s%s\n", save, saved ? "" : "  (a save failed)");

  if (engine.SelectedCount() != doc.individualsByName.size()) engine.SelectEveryone();
  const double saveAll = BestOf(repeats, [&] { saved = saved && doc.SaveSubset(output).Saved(); });
  std::printf("save of everyone     %8.3f s%s\n", saveAll, saved ? "" : "  (a save failed)");
  return saved ? 0 : 1;
}
