// Tests of the block-buffered line reader.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

namespace gedtext {
namespace {

struct ReadResult {
  std::vector<std::string> lines;
  std::vector<bool> terminated;
  std::uint64_t consumed = 0;
  bool byteOrderMark = false;
};

ReadResult ReadAllWith(const std::string& bytes, std::size_t blockSize,
                       LineReader::ReadAhead readAhead) {
  std::istringstream in(bytes);
  LineReader reader(in, blockSize, readAhead);
  ReadResult result;
  std::string_view line;
  while (reader.Next(line)) {
    result.lines.emplace_back(line);
    result.terminated.push_back(reader.LastHadTerminator());
  }
  result.consumed = reader.BytesConsumed();
  result.byteOrderMark = reader.HadByteOrderMark();
  return result;
}

// Reads bytes both on this thread and with blocks read on a second thread, which must give
// the same lines.
ReadResult ReadAll(const std::string& bytes, std::size_t blockSize) {
  ReadResult result = ReadAllWith(bytes, blockSize, LineReader::ReadAhead::No);
  const ReadResult ahead = ReadAllWith(bytes, blockSize, LineReader::ReadAhead::OnSecondThread);
  EXPECT_EQ(ahead.lines, result.lines);
  EXPECT_EQ(ahead.terminated, result.terminated);
  EXPECT_EQ(ahead.consumed, result.consumed);
  EXPECT_EQ(ahead.byteOrderMark, result.byteOrderMark);
  return result;
}

// A stream whose reads fail once more than failAfter bytes have been asked for.
class FailingReadStreambuf : public std::streambuf {
 public:
  FailingReadStreambuf(std::string bytes, std::size_t failAfter)
      : bytes(std::move(bytes)), failAfter(failAfter) {}

 protected:
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    const auto wanted = static_cast<std::size_t>(n);
    if (given + wanted > failAfter) throw std::runtime_error("device error");
    const std::size_t count = std::min(wanted, bytes.size() - given);
    std::copy_n(bytes.data() + given, count, s);
    given += count;
    return static_cast<std::streamsize>(count);
  }

 private:
  std::string bytes;
  std::size_t failAfter;
  std::size_t given = 0;
};

TEST(LineReaderTest, AcceptsEveryTerminatorAtEveryBlockBoundary) {
  const std::string input = "0 HEAD\r\n1 A\n\r1 B\n1 C\r1 D\n\n1 E\r\r\n1 F";
  const std::vector<std::string> expected = {"0 HEAD", "1 A", "1 B", "1 C", "1 D",
                                             "",       "1 E", "",    "1 F"};
  for (std::size_t block : {16, 17, 18, 19, 20, 23, 64}) {
    SCOPED_TRACE(block);
    const auto result = ReadAll(input, block);
    EXPECT_EQ(result.lines, expected);
    EXPECT_EQ(result.consumed, input.size());
    EXPECT_FALSE(result.terminated.back());
    EXPECT_TRUE(result.terminated.front());
  }
}

TEST(LineReaderTest, PairSplitAcrossRefill) {
  // CR as the last byte of a block and LF as the first of the next count once.
  std::string input(15, 'x');
  input += "\r\n0 TRLR\r\n";
  const auto result = ReadAll(input, 16);
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[0], std::string(15, 'x'));
  EXPECT_EQ(result.lines[1], "0 TRLR");
}

TEST(LineReaderTest, ReadsLinesLongerThanTheBuffer) {
  const std::string longLine = "1 NOTE " + std::string(100000, 'n');
  const auto result = ReadAll("0 HEAD\n" + longLine + "\n0 TRLR\n", 16);
  ASSERT_EQ(result.lines.size(), 3u);
  EXPECT_EQ(result.lines[1], longLine);
}

TEST(LineReaderTest, FindLineEndFindsTheFirstCrOrLfAtEveryOffset) {
  // Covers the 16-byte search, its scalar tail, and bytes that resemble the terminators.
  for (std::size_t length = 0; length <= 49; ++length) {
    std::string text(length, 'x');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>("\x0b\x0c\x8d\x8a x"[i % 6]);
    SCOPED_TRACE(length);
    EXPECT_EQ(FindLineEnd(text.data(), text.data() + length), text.data() + length);
    for (std::size_t at = 0; at < length; ++at) {
      for (char terminator : {'\n', '\r'}) {
        std::string withEnd = text;
        withEnd[at] = terminator;
        if (at + 3 < length) withEnd[at + 3] = '\n';  // a later one must not win
        EXPECT_EQ(FindLineEnd(withEnd.data(), withEnd.data() + length), withEnd.data() + at);
        // A range that stops just before the terminator must not see it.
        EXPECT_EQ(FindLineEnd(withEnd.data(), withEnd.data() + at), withEnd.data() + at);
      }
    }
  }
}

TEST(LineReaderTest, TerminatorsOnEveryChunkAndBlockBoundary) {
  // Lines of every length from 1 to 40 with each terminator, read with block sizes that put
  // the terminators (and the halves of pairs) on and around 16-byte and block boundaries.
  std::string input;
  std::vector<std::string> expected;
  const char* terminators[] = {"\r\n", "\n\r", "\n", "\r"};
  std::size_t which = 0;
  for (std::size_t length = 1; length <= 40; ++length) {
    for (int repeat = 0; repeat < 4; ++repeat) {
      std::string line(length, static_cast<char>('a' + length % 26));
      expected.push_back(line);
      input += line;
      input += terminators[which++ % 4];
    }
  }
  expected.push_back("end");
  input += "end";
  for (std::size_t block : {16, 17, 31, 32, 33, 47, 48, 64, 1000}) {
    SCOPED_TRACE(block);
    const auto result = ReadAll(input, block);
    EXPECT_EQ(result.lines, expected);
    EXPECT_EQ(result.consumed, input.size());
  }
}

/// Splits bytes one at a time: the rule the reader must follow, without any of its buffering.
ReadResult SplitByteByByte(const std::string& bytes) {
  ReadResult result;
  std::string line;
  for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
    const char c = bytes[pos];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (pos + 1 < bytes.size() && (bytes[pos + 1] == '\r' || bytes[pos + 1] == '\n') &&
        bytes[pos + 1] != c) {
      ++pos;
    }
    result.lines.push_back(line);
    result.terminated.push_back(true);
    line.clear();
  }
  if (!line.empty()) {
    result.lines.push_back(line);
    result.terminated.push_back(false);
  }
  result.consumed = bytes.size();
  return result;
}

TEST(LineReaderTest, AgreesWithAByteByByteSplitOnDenseLineEnds) {
  // Runs of CR and LF in every order, at every distance from the 64-byte search windows and the
  // block ends; PeekHead first on some runs, as the programs call it.
  std::mt19937 random(7);
  const std::string alphabet = "\r\n\r\nab 1";
  for (int round = 0; round < 40; ++round) {
    std::string input(static_cast<std::size_t>(300 + round * 97), 'x');
    for (char& c : input) c = alphabet[random() % alphabet.size()];
    const ReadResult expected = SplitByteByByte(input);
    for (std::size_t block : {16, 17, 63, 64, 65, 130, 256, 4096}) {
      // With blocks read on a second thread, the line ends of each block are found there too.
      for (auto readAhead : {LineReader::ReadAhead::No, LineReader::ReadAhead::OnSecondThread}) {
        SCOPED_TRACE(testing::Message() << "round " << round << " block " << block << " ahead "
                                        << (readAhead == LineReader::ReadAhead::OnSecondThread));
        std::istringstream in(input);
        LineReader reader(in, block, readAhead);
        if (round % 2 == 1) reader.PeekHead();
        ReadResult result;
        std::string_view line;
        while (reader.Next(line)) {
          result.lines.emplace_back(line);
          result.terminated.push_back(reader.LastHadTerminator());
        }
        EXPECT_EQ(result.lines, expected.lines);
        EXPECT_EQ(result.terminated, expected.terminated);
        EXPECT_EQ(reader.BytesConsumed(), expected.consumed);
      }
    }
  }
}

TEST(LineReaderTest, LineEndMaskMarksExactlyTheCrAndLfBytes) {
  std::string bytes(64, 'x');
  bytes[0] = '\r';
  bytes[17] = '\n';
  bytes[40] = '\x8d';  // CR with the high bit set is no line end
  bytes[63] = '\n';
  EXPECT_EQ(LineEndMask(bytes.data()),
            (std::uint64_t{1} << 0) | (std::uint64_t{1} << 17) | (std::uint64_t{1} << 63));
}

TEST(LineReaderTest, ByteOrderMarkIsNotPartOfTheFirstLine) {
  auto result = ReadAll("\xEF\xBB\xBF" "0 HEAD\n", 16);
  EXPECT_TRUE(result.byteOrderMark);
  ASSERT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.lines[0], "0 HEAD");
  EXPECT_EQ(result.consumed, 10u);

  result = ReadAll("0 HEAD\xEF\xBB\xBF\n", 16);
  EXPECT_FALSE(result.byteOrderMark);

  result = ReadAll("\xEF\xBB", 16);
  EXPECT_FALSE(result.byteOrderMark);
  ASSERT_EQ(result.lines.size(), 1u);
}

TEST(LineReaderTest, EmptyInputAndRewind) {
  EXPECT_TRUE(ReadAll("", 16).lines.empty());

  std::istringstream in("a\nb\n");
  LineReader reader(in, 16);
  std::string_view line;
  while (reader.Next(line)) {
  }
  ASSERT_TRUE(reader.Rewind());
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "a");
  EXPECT_EQ(reader.BytesConsumed(), 2u);
}

TEST(LineReaderTest, ReadErrorEndsTheLinesInEitherMode) {
  std::string input;
  for (int i = 0; i < 40; ++i) input += "1 NOTE line " + std::to_string(i) + "\r\n";
  for (auto readAhead : {LineReader::ReadAhead::No, LineReader::ReadAhead::OnSecondThread}) {
    FailingReadStreambuf failing(input, 96);
    std::istream in(&failing);
    LineReader reader(in, 32, readAhead);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line)) lines.emplace_back(line);
    EXPECT_TRUE(reader.ReadFailed());
    // Only lines whose terminator arrived before the failing read are whole; the rest of the
    // last block read comes out as a final line, as at any end of input.
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "1 NOTE line 0");
    EXPECT_EQ(lines[5], "1 NOTE line 5");
    EXPECT_EQ(reader.BytesConsumed(), 96u);
  }
}

TEST(LineReaderTest, RewindWhileTheNextBlockIsBeingRead) {
  std::string input;
  for (int i = 0; i < 1000; ++i) input += "1 NOTE " + std::to_string(i) + "\n";
  std::istringstream in(input);
  LineReader reader(in, 64, LineReader::ReadAhead::OnSecondThread);
  std::string_view line;
  for (int pass = 0; pass < 3; ++pass) {
    SCOPED_TRACE(pass);
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "1 NOTE 0");
    for (int i = 1; i < 50 * (pass + 1); ++i) ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "1 NOTE " + std::to_string(50 * (pass + 1) - 1));
    ASSERT_TRUE(reader.Rewind());
  }
  std::size_t count = 0;
  while (reader.Next(line)) ++count;
  EXPECT_EQ(count, 1000u);
  EXPECT_EQ(reader.BytesConsumed(), input.size());
}

TEST(LineReaderTest, RecognisesUtf16) {
  EXPECT_TRUE(LooksLikeUtf16("\xFF\xFE" "0\0"));
  EXPECT_TRUE(LooksLikeUtf16("\xFE\xFF\0" "0"));
  EXPECT_TRUE(LooksLikeUtf16(std::string_view("0\0 \0H\0", 6)));
  EXPECT_FALSE(LooksLikeUtf16("0 HEAD\r\n"));
  EXPECT_FALSE(LooksLikeUtf16(std::string_view("0 HEAD\n\0", 8)));
  EXPECT_FALSE(LooksLikeUtf16(""));
}

}  // namespace
}  // namespace gedtext
