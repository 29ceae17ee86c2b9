// job_files.cpp - opening, watching and closing the files of a job.
#include "job_files.h"

#include <sys/stat.h>  // stat, S_ISDIR

#include <filesystem>    // std::filesystem::file_size
#include <ios>           // std::ios_base
#include <system_error>  // std::error_code

#include "file_identity.h"

namespace {

// The library reports a failed read or write of a file buffer by throwing ios_base::failure
// from inside the buffer; we want a flag and an end of file instead.
template <typename Transfer, typename Result>
Result Guarded(bool& failed, Result onFailure, Transfer transfer) {
  try {
    return transfer();
  } catch (const std::ios_base::failure&) {
    failed = true;
    return onFailure;
  }
}

}  // namespace

WatchedFilebuf::int_type WatchedFilebuf::underflow() {
  return Guarded(failed, traits_type::eof(), [this] { return std::filebuf::underflow(); });
}

std::streamsize WatchedFilebuf::xsgetn(char_type* s, std::streamsize n) {
  return Guarded(failed, std::streamsize{0}, [&] { return std::filebuf::xsgetn(s, n); });
}

WatchedFilebuf::int_type WatchedFilebuf::overflow(int_type c) {
  const int_type result =
      Guarded(failed, traits_type::eof(), [&] { return std::filebuf::overflow(c); });
  if (traits_type::eq_int_type(result, traits_type::eof()) &&
      !traits_type::eq_int_type(c, traits_type::eof())) {
    failed = true;
  }
  return result;
}

std::streamsize WatchedFilebuf::xsputn(const char_type* s, std::streamsize n) {
  const std::streamsize written =
      Guarded(failed, std::streamsize{0}, [&] { return std::filebuf::xsputn(s, n); });
  if (written != n) failed = true;
  return written;
}

int WatchedFilebuf::sync() {
  const int result = Guarded(failed, -1, [this] { return std::filebuf::sync(); });
  if (result != 0) failed = true;
  return result;
}

bool WatchedFilebuf::CloseChecked() {
  if (!is_open()) return !failed;
  if (pubsync() != 0) failed = true;
  if (close() == nullptr) failed = true;
  return !failed;
}

JobFiles::JobFiles() : source(&sourceBuffer), destination(&destinationBuffer) {}

bool JobFiles::ExistsAsFile(const std::string& name) {
  // Whether it exists, not whether it can be read: a file that only its owner's writes may
  // reach would otherwise be emptied without the replace question. stat() neither opens the
  // file nor waits on a named pipe.
  struct stat status {};
  return ::stat(name.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool JobFiles::OpenSource(const std::string& name) {
  // A folder opens for reading on Linux but cannot be read; it is no source.
  if (gedtext::IsDirectory(name)) return false;
  if (sourceBuffer.open(name, std::ios_base::in | std::ios_base::binary) == nullptr) return false;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(name, error);
  sourceSize = error ? 0 : static_cast<std::uint64_t>(size);
  return true;
}

bool JobFiles::OpenDestination(const std::string& name) {
  constexpr auto kMode = std::ios_base::out | std::ios_base::trunc | std::ios_base::binary;
  return destinationBuffer.open(name, kMode) != nullptr;
}

void JobFiles::Close() {
  if (closed) return;
  closed = true;
  if (!destinationBuffer.CloseChecked() || destination.bad()) writeFailed = true;
  sourceBuffer.close();
  if (sourceBuffer.Failed() || source.bad()) readFailed = true;
}
