// main.cpp - entry point of kinprune-cli.
#include <cstdio>    // std::fflush
#include <cstdlib>   // std::_Exit
#include <iostream>  // std::cout, std::cerr
#include <memory>    // std::unique_ptr
#include <new>       // std::bad_alloc
#include <string>    // std::string
#include <vector>    // std::vector

#include "kinprune_cli.h"
#include "kinprune_doc.h"

int main(int argc, char** argv) {
  // Binary output: names and details are written byte for byte as the file holds them.
  std::ios::sync_with_stdio(false);
  int status = kinprune::kExitFailure;
  // The loaded document stays until the process ends: on a file of a million individuals,
  // freeing its tables node by node takes longer than the system's release of the memory.
  std::unique_ptr<kinprune::CKinpruneDoc> document;
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    status = kinprune::RunKinpruneCli(args, std::cout, std::cerr, document);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "kinprune-cli: could not write to standard output\n";
      status = kinprune::kExitFailure;
    }
  } catch (const std::bad_alloc&) {
    // The library, not our code, throws this; a file too large for memory ends here.
    std::cerr << "Out of Memory\n";
    status = kinprune::kExitFailure;
  }
  // _Exit runs no exit handlers: everything buffered, in the streams or in stdio, goes out now.
  std::cerr.flush();
  if (std::fflush(nullptr) != 0 && status == kinprune::kExitSuccess) status = kinprune::kExitFailure;
  std::_Exit(status);
}
