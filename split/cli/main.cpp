// main.cpp - entry point of kinprune-cli.
#include <iostream>  // std::cout, std::cerr
#include <new>       // std::bad_alloc
#include <string>    // std::string
#include <vector>    // std::vector

#include "kinprune_cli.h"

int main(int argc, char** argv) {
  // Binary output: names and details are written byte for byte as the file holds them.
  std::ios::sync_with_stdio(false);
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = kinprune::RunKinpruneCli(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "kinprune-cli: could not write to standard output\n";
      return kinprune::kExitFailure;
    }
    return status;
  } catch (const std::bad_alloc&) {
    // The library, not our code, throws this; a file too large for memory ends here.
    std::cerr << "Out of Memory\n";
    return kinprune::kExitFailure;
  }
}
