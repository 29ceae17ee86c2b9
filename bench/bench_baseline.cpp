// bench_baseline.cpp - the two floors every tool is measured against:
//   bench-baseline scan FILE   read FILE in 1 MiB blocks and count line ends (one sequential pass)
//   bench-baseline load FILE   read FILE whole into one fresh buffer, then count line ends
#include <fcntl.h>     // open
#include <sys/stat.h>  // fstat
#include <unistd.h>    // read, close

#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint64_t
#include <cstring>      // std::memchr
#include <iostream>     // std::cout, std::cerr
#include <memory>       // std::unique_ptr
#include <string_view>  // std::string_view

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

/// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(const char* path) : fd(::open(path, O_RDONLY)) {}
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd; }

 private:
  int fd;
};

std::uint64_t CountLineEnds(const char* data, std::size_t size) {
  std::uint64_t count = 0;
  const char* end = data + size;
  for (const char* p = data; p < end; ++count) {
    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (p == nullptr) break;
    ++p;
  }
  return count;
}

/// Reads until size bytes are in or the file ends; false on a read error.
bool ReadFully(int fd, char* data, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, data + got, size - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

int Scan(const FileDescriptor& file, std::uint64_t& lines, std::uint64_t& bytes) {
  std::unique_ptr<char[]> block(new char[kBlockSize]);
  for (;;) {
    std::size_t got = 0;
    if (!ReadFully(file.Get(), block.get(), kBlockSize, got)) return 1;
    if (got == 0) return 0;
    lines += CountLineEnds(block.get(), got);
    bytes += got;
  }
}

int Load(const FileDescriptor& file, std::uint64_t& lines, std::uint64_t& bytes) {
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) return 1;
  const auto size = static_cast<std::size_t>(info.st_size);
  // Deliberately not zero-filled: the first touch is the read itself, as in a tool's load.
  std::unique_ptr<char[]> data(new char[size + 1]);
  std::size_t got = 0;
  if (!ReadFully(file.Get(), data.get(), size, got)) return 1;
  bytes = got;
  lines = CountLineEnds(data.get(), got);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string_view(argv[1]) != "scan" && std::string_view(argv[1]) != "load")) {
    std::cerr << "usage: bench-baseline scan|load FILE\n";
    return 1;
  }
  FileDescriptor file(argv[2]);
  if (file.Get() < 0) {
    std::cerr << "bench-baseline: cannot open " << argv[2] << "\n";
    return 1;
  }
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
  const int status = std::string_view(argv[1]) == "scan" ? Scan(file, lines, bytes)
                                                         : Load(file, lines, bytes);
  if (status != 0) {
    std::cerr << "bench-baseline: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::cout << "lines " << lines << " bytes " << bytes << "\n";
  return 0;
}
