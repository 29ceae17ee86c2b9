// block_writer.h - passes blocks of output to their destination from a second thread, in order.
#pragma once

#include <functional>   // std::function
#include <utility>      // std::move
#include <string>       // std::string
#include <string_view>  // std::string_view

#include "background_worker.h"

namespace kinprune {

/// Writes each block handed to it through drain on a thread of its own, so that the next block
/// is gathered while the last one is written. Blocks reach drain one at a time and in the order
/// they were handed over; once drain has failed, the later blocks are dropped, exactly as a
/// writer that stops at its first failed write would never have written them. At most one block
/// is in flight: handing over the next one waits for it.
class BackgroundBlockWriter {
 public:
  using Drain = std::function<bool(std::string_view)>;

  /// Starts the thread; throws std::system_error when no thread can be started.
  explicit BackgroundBlockWriter(Drain drain) : drain(std::move(drain)) {}
  /// Waits until the block in flight is written, then ends the thread.
  ~BackgroundBlockWriter() = default;
  BackgroundBlockWriter(const BackgroundBlockWriter&) = delete;
  BackgroundBlockWriter& operator=(const BackgroundBlockWriter&) = delete;

  /// Waits for the block in flight, then takes block over and leaves an empty buffer of at
  /// least the same capacity in its place. False when a block before this one failed (this one
  /// is then dropped).
  bool HandOver(std::string& block);

  /// Waits until every block handed over is written. False when any of them failed.
  bool Finish();

 private:
  Drain drain;
  std::string inFlight;  // the worker's from the hand-over until it has been waited for
  bool failed = false;   // drain returned false for some block; set by the worker's job
  gedtext::BackgroundWorker worker;  // last: ends (waiting for its job) before the above
};

}  // namespace kinprune
