// file_buffer_test.cpp - the document's file copy: reading regular files, pipes and folders.
#include <gtest/gtest.h>

#include <fcntl.h>   // ::open
#include <unistd.h>  // ::pipe, ::write, ::close

#include <cerrno>   // errno, EISDIR
#include <string>   // std::string
#include <thread>   // std::thread

#include "file_buffer.h"
#include "test_support.h"

using kinprune::FileBuffer;

namespace {

// Text of size bytes that differs from one position to the next, so that a lost or repeated
// block shows.
std::string Pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t k = 0; k < size; ++k) text[k] = static_cast<char>('a' + (k * 7 + k / 4096) % 26);
  return text;
}

std::string ReadPath(const std::string& path, bool& ok) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  FileBuffer buffer;
  ok = fd >= 0 && buffer.ReadAll(fd);
  if (fd >= 0) ::close(fd);
  return std::string(buffer.view());
}

}  // namespace

TEST(FileBufferTest, ReadsRegularFilesWholeAtAnySize) {
  gedtest::ScopedTempDir folder;
  // Empty, a few bytes, exactly one page, larger than the first guess for unknown sizes, and
  // large enough to be read in two halves at once (an even and an odd length).
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  for (const std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{4096}, 3 * kMiB, 8 * kMiB,
                                 9 * kMiB + 3}) {
    const std::string text = Pattern(size);
    gedtest::WriteFileBytes(folder.File("f.ged"), text);
    bool ok = false;
    EXPECT_EQ(ReadPath(folder.File("f.ged"), ok), text) << size;
    EXPECT_TRUE(ok);
  }
}

TEST(FileBufferTest, ReadsALargeFileFromItsReadPosition) {
  gedtest::ScopedTempDir folder;
  const std::string text = Pattern((std::size_t{9} << 20) + 1);
  gedtest::WriteFileBytes(folder.File("f.ged"), text);
  const int fd = ::open(folder.File("f.ged").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::lseek(fd, 1000, SEEK_SET), 1000);
  FileBuffer buffer;
  EXPECT_TRUE(buffer.ReadAll(fd));
  ::close(fd);
  EXPECT_TRUE(buffer.view() == std::string_view(text).substr(1000));
}

TEST(FileBufferTest, ReadsAPipeOfUnknownLengthToItsEnd) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  // More than the first block and not a multiple of it: the buffer has to grow twice.
  const std::string text = Pattern((std::size_t{5} << 20) / 2 + 17);
  std::thread writer([&] {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(ends[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(ends[1]);
  });
  FileBuffer buffer;
  EXPECT_TRUE(buffer.ReadAll(ends[0]));
  writer.join();
  ::close(ends[0]);
  EXPECT_EQ(buffer.view(), text);
}

TEST(FileBufferTest, RefusesAFolder) {
  gedtest::ScopedTempDir folder;
  const int fd = ::open(folder.Path().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  FileBuffer buffer;
  EXPECT_FALSE(buffer.ReadAll(fd));
  EXPECT_EQ(errno, EISDIR);
  ::close(fd);
}

TEST(FileBufferTest, CopiesMovesAndSwaps) {
  FileBuffer first(std::string_view("0 HEAD\r\n"));
  FileBuffer second(std::string_view(""));
  EXPECT_TRUE(first.starts_with("0 HE"));
  EXPECT_TRUE(second.empty());
  first.swap(second);
  EXPECT_EQ(second.view(), "0 HEAD\r\n");
  EXPECT_TRUE(first.empty());
  FileBuffer moved(std::move(second));
  EXPECT_EQ(moved.view(), "0 HEAD\r\n");
  EXPECT_TRUE(second.empty());
  first = std::move(moved);
  EXPECT_EQ(first.size(), 8u);
  EXPECT_EQ(FileBuffer().view(), "");
}
