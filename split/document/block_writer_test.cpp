// block_writer_test.cpp - order of the blocks, and what happens after a failed write.
#include "block_writer.h"

#include <gtest/gtest.h>

#include <string>  // std::string
#include <vector>  // std::vector

using kinprune::BackgroundBlockWriter;

TEST(BackgroundBlockWriterTest, WritesEveryBlockInOrder) {
  std::vector<std::string> written;
  {
    BackgroundBlockWriter writer([&](std::string_view block) {
      written.emplace_back(block);
      return true;
    });
    std::string block;
    for (int k = 0; k < 100; ++k) {
      block = "block " + std::to_string(k);
      ASSERT_TRUE(writer.HandOver(block));
      EXPECT_TRUE(block.empty());
    }
    EXPECT_TRUE(writer.Finish());
    ASSERT_EQ(written.size(), 100u);
    EXPECT_EQ(written.front(), "block 0");
    EXPECT_EQ(written.back(), "block 99");

    // A block handed over just before the end is still written.
    block = "last";
    ASSERT_TRUE(writer.HandOver(block));
  }
  EXPECT_EQ(written.back(), "last");
}

TEST(BackgroundBlockWriterTest, DropsTheBlocksAfterAFailedOne) {
  std::vector<std::string> written;
  BackgroundBlockWriter writer([&](std::string_view block) {
    written.emplace_back(block);
    return block != "bad";
  });
  std::string block = "good";
  ASSERT_TRUE(writer.HandOver(block));
  block = "bad";
  ASSERT_TRUE(writer.HandOver(block));
  // The failure is known once the next block waits for it.
  block = "after";
  EXPECT_FALSE(writer.HandOver(block));
  EXPECT_TRUE(block.empty());
  block = "later";
  EXPECT_FALSE(writer.HandOver(block));
  EXPECT_FALSE(writer.Finish());
  EXPECT_EQ(written, (std::vector<std::string>{"good", "bad"}));
}
