// background_worker.cpp - one job at a time on a second thread.
#include "background_worker.h"

#include <system_error>  // std::system_error
#include <utility>       // std::move

namespace gedtext {

BackgroundWorker::BackgroundWorker()
    : thread([this](const std::stop_token& stop) { Work(stop); }) {}

std::unique_ptr<BackgroundWorker> BackgroundWorker::TryCreate() {
  try {
    return std::make_unique<BackgroundWorker>();
  } catch (const std::system_error&) {
    return nullptr;
  }
}

BackgroundWorker::~BackgroundWorker() {
  Wait();
  {
    const std::lock_guard lock(mutex);
    thread.request_stop();
  }
  changed.notify_all();
}

void BackgroundWorker::Start(std::function<void()> job) {
  {
    const std::lock_guard lock(mutex);
    pending = std::move(job);
    running = true;
  }
  busy = true;
  changed.notify_all();
}

void BackgroundWorker::Wait() {
  if (!busy) return;
  std::unique_lock lock(mutex);
  changed.wait(lock, [this] { return !running; });
  busy = false;
}

void BackgroundWorker::Work(const std::stop_token& stop) {
  std::unique_lock lock(mutex);
  for (;;) {
    changed.wait(lock, [&] { return static_cast<bool>(pending) || stop.stop_requested(); });
    if (!pending) return;
    std::function<void()> job = std::move(pending);
    pending = nullptr;
    lock.unlock();
    job();
    lock.lock();
    running = false;
    changed.notify_all();
  }
}

}  // namespace gedtext
