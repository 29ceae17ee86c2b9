// Tests of the output buffer: what is appended comes out unchanged, also past its capacity.
#include "output_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace gedtext {
namespace {

TEST(OutputBufferTest, KeepsEveryPieceInOrderWhileGrowing) {
  // Pieces that fit, pieces that just overflow and pieces larger than the whole capacity.
  OutputBuffer buffer(8);
  std::string expected;
  for (std::size_t length : {0, 3, 5, 1, 8, 9, 30, 0, 2, 100}) {
    const std::string piece(length, static_cast<char>('a' + length % 26));
    buffer.Append(piece);
    expected += piece;
    buffer.AppendLine(piece);
    expected += piece + "\r\n";
  }
  buffer.Append(std::string_view());
  EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), expected);

  buffer.Clear();
  EXPECT_TRUE(buffer.Empty());
  buffer.AppendLine("");
  EXPECT_EQ(std::string(buffer.Data(), buffer.Size()), "\r\n");
}

}  // namespace
}  // namespace gedtext
