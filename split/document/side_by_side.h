// side_by_side.h - two pieces of work at the same time, on the calling thread and one more.
#pragma once

#include <exception>  // std::exception_ptr, std::current_exception, std::rethrow_exception
#include <memory>     // std::unique_ptr

#include "background_worker.h"

namespace kinprune {

/// Runs here() on the calling thread and there() on a thread of its own at the same time, and
/// returns once both have ended. When no thread can be started, there() runs after here() on
/// the calling thread. An exception of either (here's first) is thrown again on the calling
/// thread once both have ended, so the caller sees an out-of-memory as if the work had run on
/// its own thread. The two must not touch the same data.
template <class Here, class There>
void RunSideBySide(Here&& here, There&& there) {
  const std::unique_ptr<gedtext::BackgroundWorker> worker = gedtext::BackgroundWorker::TryCreate();
  if (!worker) {
    here();
    there();
    return;
  }
  std::exception_ptr thereFailure;
  worker->Start([&] {
    try {
      there();
    } catch (...) {
      thereFailure = std::current_exception();
    }
  });
  std::exception_ptr hereFailure;
  try {
    here();
  } catch (...) {
    hereFailure = std::current_exception();
  }
  worker->Wait();
  if (hereFailure) std::rethrow_exception(hereFailure);
  if (thereFailure) std::rethrow_exception(thereFailure);
}

}  // namespace kinprune
