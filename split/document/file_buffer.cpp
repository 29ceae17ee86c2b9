// file_buffer.cpp - the anonymous mapping behind the document's file copy.
#include "file_buffer.h"

#include "side_by_side.h"

#include <sys/mman.h>  // ::mmap, ::munmap
#include <sys/stat.h>  // ::fstat
#include <unistd.h>    // ::read

#include <cerrno>   // errno
#include <cstring>  // std::memcpy
#include <new>      // std::bad_alloc
#include <utility>  // std::swap

namespace kinprune {

namespace {

constexpr std::size_t kPageSize = std::size_t{4} << 10;
// Grows of a buffer whose final size is not known (pipes, devices) start here and double.
constexpr std::size_t kFirstUnknownCapacity = std::size_t{1} << 20;
// Regular files from this size on are read in two halves at once.
constexpr std::size_t kTwoHalvesMinimum = std::size_t{8} << 20;

// An anonymous read-write mapping of at least size bytes; size is rounded up in place to whole
// pages. With populate, the system provides all its pages at once instead of one at each first
// touch (about a sixth faster for a file read into it whole). Throws std::bad_alloc.
//
// Transparent huge pages are not asked for: on the machines measured, the kernel's clearing of
// each 2 MiB page made reading a 384 MB file three to four times slower than small pages
// faulted in by the read itself.
char* MapBytes(std::size_t& size, bool populate) {
  size = (size + kPageSize - 1) / kPageSize * kPageSize;
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0);
  void* address = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (address == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(address);
}

// A read from fd's read position rather than from an offset given.
constexpr off_t kReadPosition = -1;

// Reads into data until size bytes are there or the file ends; got counts them. From the file
// offset given on (pread), or from fd's read position for kReadPosition. False with errno set on
// an error.
bool ReadInto(int fd, char* data, std::size_t size, off_t offset, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = offset == kReadPosition
                          ? ::read(fd, data + got, size - got)
                          : ::pread(fd, data + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

FileBuffer::FileBuffer(std::string_view text) {
  Reserve(text.size(), true);
  if (!text.empty()) std::memcpy(bytes, text.data(), text.size());
  length = text.size();
}

FileBuffer::~FileBuffer() {
  Release();
}

void FileBuffer::Release() noexcept {
  if (bytes != nullptr) ::munmap(bytes, capacity);
  bytes = nullptr;
  length = 0;
  capacity = 0;
}

void FileBuffer::swap(FileBuffer& other) noexcept {
  std::swap(bytes, other.bytes);
  std::swap(length, other.length);
  std::swap(capacity, other.capacity);
}

void FileBuffer::Reserve(std::size_t minimum, bool populate) {
  if (minimum <= capacity && bytes != nullptr) return;
  std::size_t size = minimum == 0 ? 1 : minimum;
  char* grown = MapBytes(size, populate);
  if (length > 0) std::memcpy(grown, bytes, length);
  const std::size_t kept = length;
  Release();
  bytes = grown;
  capacity = size;
  length = kept;
}

bool FileBuffer::ReadAll(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  try {
    length = 0;
    // A regular file's length sizes the buffer; one byte more tells at once whether it ended
    // there. Whatever the length said, reading goes on to the end: a file that grew meanwhile,
    // a pipe or a device.
    const std::size_t expected = S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0;
    if (expected >= kTwoHalvesMinimum && ::lseek(fd, 0, SEEK_CUR) == 0) {
      return ReadInHalves(fd, expected);
    }
    // A known length fills every page of the buffer; a guess may leave most of it untouched.
    Reserve(expected > 0 ? expected + 1 : kFirstUnknownCapacity, expected > 0);
    return ReadRest(fd, kReadPosition);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return false;
  }
}

bool FileBuffer::ReadInHalves(int fd, std::size_t expected) {
  // The pages are not asked for ahead: each half's read brings in its own, so the kernel's
  // clearing of fresh pages is shared by the two threads as well as its copying.
  Reserve(expected + 1, false);
  const std::size_t middle = expected / 2;
  std::size_t firstGot = 0;
  std::size_t secondGot = 0;
  bool firstRead = true;
  bool secondRead = true;
  int secondError = 0;
  RunSideBySide([&] { firstRead = ReadInto(fd, bytes, middle, 0, firstGot); },
                [&] {
                  secondRead = ReadInto(fd, bytes + middle, expected - middle,
                                        static_cast<off_t>(middle), secondGot);
                  secondError = errno;
                });
  if (!firstRead) return false;
  // A file that ended before the middle has nothing after it; otherwise the halves join.
  length = firstGot;
  if (firstGot == middle) {
    if (!secondRead) {
      errno = secondError;
      return false;
    }
    length += secondGot;
  }
  // Whatever the length said, reading goes on to the end, for a file that grew meanwhile.
  return ReadRest(fd, static_cast<off_t>(length));
}

bool FileBuffer::ReadRest(int fd, off_t from) {
  for (;;) {
    std::size_t got = 0;
    const bool read = ReadInto(fd, bytes + length, capacity - length, from, got);
    length += got;
    if (from != kReadPosition) from += static_cast<off_t>(got);
    if (!read) return false;
    if (length < capacity) return true;
    Reserve(2 * capacity);
  }
}

}  // namespace kinprune
