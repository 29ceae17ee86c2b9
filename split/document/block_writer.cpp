// block_writer.cpp - passes blocks of output to their destination from a second thread, in order.
#include "block_writer.h"

namespace kinprune {

bool BackgroundBlockWriter::HandOver(std::string& block) {
  worker.Wait();
  if (failed) {
    block.clear();
    return false;
  }
  const std::size_t capacity = block.capacity();
  inFlight.swap(block);
  block.clear();
  block.reserve(capacity);
  worker.Start([this] {
    if (!drain(inFlight)) failed = true;
    inFlight.clear();
  });
  return true;
}

bool BackgroundBlockWriter::Finish() {
  worker.Wait();
  return !failed;
}

}  // namespace kinprune
