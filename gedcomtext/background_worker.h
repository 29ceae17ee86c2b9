// background_worker.h - one job at a time on a second thread.
#pragma once

#include <condition_variable>  // std::condition_variable
#include <functional>          // std::function
#include <memory>              // std::unique_ptr
#include <mutex>               // std::mutex
#include <thread>              // std::jthread

namespace gedtext {

/// Runs one job at a time on its own thread, so that a block's read or write through the
/// kernel runs beside the work on another block. What a job touches belongs to it from Start
/// until the Wait that follows; Wait makes everything the job wrote visible to the caller.
class BackgroundWorker {
 public:
  /// Starts the thread; throws std::system_error when no thread can be started.
  BackgroundWorker();
  /// A started worker, or none when no thread can be started (the system's limits), in which
  /// case the caller does the work itself.
  static std::unique_ptr<BackgroundWorker> TryCreate();
  /// Waits for the job in hand, then ends the thread.
  ~BackgroundWorker();
  BackgroundWorker(const BackgroundWorker&) = delete;
  BackgroundWorker& operator=(const BackgroundWorker&) = delete;

  /// Hands job to the thread. The previous job must have been waited for.
  void Start(std::function<void()> job);
  /// Waits until the job in hand, if any, has run.
  void Wait();
  /// True between Start and the Wait that follows it.
  bool Busy() const { return busy; }

 private:
  void Work(const std::stop_token& stop);

  std::mutex mutex;
  std::condition_variable changed;
  std::function<void()> pending;  // set by Start, taken by the thread
  bool running = false;           // the thread holds a job it has not finished
  bool busy = false;              // the caller's view: Start called, Wait not yet
  std::jthread thread;            // last, so that it starts once the members above exist
};

}  // namespace gedtext
