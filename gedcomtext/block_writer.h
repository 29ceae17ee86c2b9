// block_writer.h - output collected in blocks and written on a second thread.
#pragma once

#include <cstddef>  // std::size_t
#include <memory>   // std::unique_ptr
#include <ostream>  // std::ostream

#include "background_worker.h"
#include "output_buffer.h"

namespace gedtext {

/// Output collected in one buffer while the block before it is written to the stream on a
/// second thread, so that the kernel's copy of one block runs beside the making of the next.
/// The stream belongs to the writer until Finish. A failed write shows at the next hand-over
/// or at Finish, one block later than a write on this thread would show it; the bytes that
/// reach the stream are the same. When no second thread can be started, each block is written
/// on the calling thread as it is handed over.
class BlockWriter {
 public:
  /// blockSize: how much is collected before it is handed over; spare: room past it for the
  /// line that crosses it.
  BlockWriter(std::ostream& out, std::size_t blockSize, std::size_t spare);
  /// Waits for the write in hand; what is still collected is dropped, so call Finish first.
  ~BlockWriter() = default;

  OutputBuffer& Buffer() { return *collecting; }

  /// Hands the collected block over once it is full. False once the stream has failed.
  bool HandOverIfFull() { return collecting->Size() < blockSize ? !failed : HandOver(); }
  /// Hands the collected bytes over, if any. False once the stream has failed.
  bool HandOver();
  /// Writes out everything collected, waits for it and flushes the stream. False once the
  /// stream has failed.
  bool Finish();

 private:
  bool WaitForWrite();

  std::ostream& out;
  std::size_t blockSize;
  OutputBuffer first;
  OutputBuffer second;
  OutputBuffer* collecting = &first;
  OutputBuffer* writing = &second;  // the worker's from Start until waited for
  bool writeFailed = false;         // set by the worker's job
  bool failed = false;
  // None when no thread could be started: blocks are then written on the calling thread.
  std::unique_ptr<BackgroundWorker> worker;  // last, so that it ends before the buffers
};

}  // namespace gedtext
