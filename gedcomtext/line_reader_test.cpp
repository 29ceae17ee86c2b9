// Tests of the block-buffered line reader.
#include "line_reader.h"

#include <gtest/gtest.h>

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

ReadResult ReadAll(const std::string& bytes, std::size_t blockSize) {
  std::istringstream in(bytes);
  LineReader reader(in, blockSize);
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
