// bench_measure.cpp - runs one command and reports its wall time and peak resident memory:
//   bench-measure RESULT_FILE COMMAND [ARGS...]
// RESULT_FILE receives "seconds peak_kib exit_status"; the command's own output passes through.
// The same numbers as /usr/bin/time -f "%e %M", without needing that package.
#include <sys/resource.h>  // rusage
#include <sys/wait.h>      // wait4, WIFEXITED
#include <unistd.h>        // fork, execvp

#include <chrono>    // std::chrono::steady_clock
#include <cstdio>    // std::perror
#include <fstream>   // std::ofstream
#include <iomanip>   // std::setprecision
#include <iostream>  // std::cerr

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: bench-measure RESULT_FILE COMMAND [ARGS...]\n";
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("bench-measure: fork");
    return 1;
  }
  if (child == 0) {
    ::execvp(argv[2], argv + 2);
    std::perror("bench-measure: exec");
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(child, &status, 0, &usage) < 0) {
    std::perror("bench-measure: wait");
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ofstream result(argv[1]);
  result << std::fixed << std::setprecision(4) << seconds << " " << usage.ru_maxrss << " "
         << exitStatus << "\n";
  return result ? 0 : 1;
}
