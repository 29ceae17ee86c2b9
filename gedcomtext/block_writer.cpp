// block_writer.cpp - output collected in blocks and written on a second thread.
#include "block_writer.h"

#include <utility>  // std::swap

namespace gedtext {

BlockWriter::BlockWriter(std::ostream& out, std::size_t blockSize, std::size_t spare)
    : out(out),
      blockSize(blockSize),
      first(blockSize + spare),
      second(blockSize + spare),
      worker(BackgroundWorker::TryCreate()) {}

bool BlockWriter::WaitForWrite() {
  if (worker) worker->Wait();
  if (writeFailed) failed = true;
  return !failed;
}

bool BlockWriter::HandOver() {
  if (!WaitForWrite()) {
    collecting->Clear();
    return false;
  }
  if (collecting->Empty()) return true;
  std::swap(collecting, writing);
  collecting->Clear();
  auto write = [this, block = writing] {
    out.write(block->Data(), static_cast<std::streamsize>(block->Size()));
    if (!out) writeFailed = true;
  };
  if (!worker) {
    write();
    return WaitForWrite();
  }
  worker->Start(write);
  return true;
}

bool BlockWriter::Finish() {
  HandOver();
  if (!WaitForWrite()) return false;
  out.flush();
  if (!out) failed = true;
  return !failed;
}

}  // namespace gedtext
