// file_buffer.h - the document's copy of an opened file: one block of memory, filled by read().
#pragma once

#include <sys/types.h>  // off_t

#include <cstddef>      // std::size_t
#include <string_view>  // std::string_view
#include <utility>      // std::move

namespace kinprune {

/// A byte buffer for a whole file. Its memory comes straight from the system (an anonymous
/// mapping), so that nothing is zero-filled by the program before the file's bytes are read
/// into it: each page is first touched by the read itself. The buffer is a copy: later changes
/// to the file do not show through.
class FileBuffer {
 public:
  FileBuffer() = default;
  /// A copy of bytes. Throws std::bad_alloc when no memory can be had.
  explicit FileBuffer(std::string_view bytes);
  FileBuffer(FileBuffer&& other) noexcept { swap(other); }
  FileBuffer& operator=(FileBuffer&& other) noexcept {
    FileBuffer(std::move(other)).swap(*this);
    return *this;
  }
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;
  ~FileBuffer();

  /// Replaces the contents with everything fd yields until its end: a regular file in one read
  /// into a buffer sized from its length (a large one read from its start in two halves at
  /// once, which leaves fd's read position where it was), a pipe or device block by block.
  /// False with errno set on failure (ENOMEM when memory ran out); the contents are unspecified
  /// then.
  bool ReadAll(int fd);

  const char* data() const { return bytes; }
  std::size_t size() const { return length; }
  bool empty() const { return length == 0; }
  std::string_view view() const { return {bytes, length}; }
  bool starts_with(std::string_view prefix) const { return view().starts_with(prefix); }

  void swap(FileBuffer& other) noexcept;

 private:
  /// Makes room for at least minimum bytes, keeping the contents; populate when all of it is
  /// about to be written. Throws std::bad_alloc.
  void Reserve(std::size_t minimum, bool populate = false);
  void Release() noexcept;
  /// ReadAll of a regular file of expected bytes whose read position is at its start: both
  /// halves are read at once, on the calling thread and one more.
  bool ReadInHalves(int fd, std::size_t expected);
  /// Reads fd on to its end behind the bytes held, growing the buffer: from the file offset
  /// from on, or from fd's read position when from is -1.
  bool ReadRest(int fd, off_t from);

  char* bytes = nullptr;
  std::size_t length = 0;
  std::size_t capacity = 0;
};

}  // namespace kinprune
