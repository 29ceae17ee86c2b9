// block_writer.cpp - passes blocks of output to their destination from a second thread, in order.
#include "block_writer.h"

#include <utility>  // std::move

namespace kinprune {

BackgroundBlockWriter::BackgroundBlockWriter(Drain drain)
    : drain(std::move(drain)), thread([this] { Run(); }) {}

BackgroundBlockWriter::~BackgroundBlockWriter() {
  {
    std::unique_lock<std::mutex> lock(mutex);
    WaitIdle(lock);
    stopping = true;
  }
  changed.notify_all();
  thread.join();
}

bool BackgroundBlockWriter::HandOver(std::string& block) {
  std::unique_lock<std::mutex> lock(mutex);
  WaitIdle(lock);
  if (failed) {
    block.clear();
    return false;
  }
  const std::size_t capacity = block.capacity();
  inFlight.swap(block);
  busy = true;
  lock.unlock();
  changed.notify_all();
  block.clear();
  block.reserve(capacity);
  return true;
}

bool BackgroundBlockWriter::Finish() {
  std::unique_lock<std::mutex> lock(mutex);
  WaitIdle(lock);
  return !failed;
}

void BackgroundBlockWriter::WaitIdle(std::unique_lock<std::mutex>& lock) {
  changed.wait(lock, [this] { return !busy; });
}

void BackgroundBlockWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    changed.wait(lock, [this] { return busy || stopping; });
    if (!busy) return;
    // While busy is set only this thread touches inFlight.
    lock.unlock();
    const bool written = drain(inFlight);
    lock.lock();
    if (!written) failed = true;
    inFlight.clear();
    busy = false;
    changed.notify_all();
  }
}

}  // namespace kinprune
