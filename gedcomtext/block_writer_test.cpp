// Tests of the block writer: bytes reach the stream in order, and a failed stream is reported.
#include "block_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "test_support.h"

namespace gedtext {
namespace {

TEST(BlockWriterTest, EveryByteArrivesInOrderAcrossHandOvers) {
  std::ostringstream out;
  std::string expected;
  {
    BlockWriter writer(out, 64, 16);
    for (int line = 0; line < 2000; ++line) {
      const std::string text = "1 NOTE line " + std::to_string(line) + std::string(line % 90, 'x');
      writer.Buffer().AppendLine(text);
      expected += text + "\r\n";
      ASSERT_TRUE(writer.HandOverIfFull());
    }
    EXPECT_TRUE(writer.HandOver());
    EXPECT_TRUE(writer.HandOver());  // nothing collected: nothing to do
    writer.Buffer().Append("tail");
    expected += "tail";
    EXPECT_TRUE(writer.Finish());
  }
  EXPECT_EQ(out.str(), expected);
}

TEST(BlockWriterTest, AFailedStreamIsReportedAndNeverTakenBack) {
  gedtest::FailingStreambuf failing(1000);
  std::ostream out(&failing);
  BlockWriter writer(out, 256, 64);
  bool reported = false;
  int handOversAfterFailure = 0;
  for (int line = 0; line < 200 && !reported; ++line) {
    writer.Buffer().AppendLine("1 NOTE " + std::string(40, 'n'));
    if (!writer.HandOverIfFull()) reported = true;
    if (failing.Written().size() >= 1000) ++handOversAfterFailure;
  }
  // The failure shows at the hand-over after the block that failed, at the latest.
  EXPECT_TRUE(reported);
  EXPECT_LE(handOversAfterFailure, 20);
  EXPECT_FALSE(writer.HandOver());
  EXPECT_FALSE(writer.Finish());
  EXPECT_EQ(failing.Written().size(), 1000u);
}

}  // namespace
}  // namespace gedtext
