// Tests of the page pool under the load's arrays and the tables' node arenas.
#include "page_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace kinprune {
namespace {

constexpr std::size_t kPage = PagePool::kPageSize;

TEST(PagePoolTest, GivenPagesServeTheNextRequestsAndJoinTheirNeighbours) {
  PagePool pool;
  char* first = static_cast<char*>(pool.Take(3 * kPage));
  char* second = static_cast<char*>(pool.Take(5 * kPage - 100));  // rounded up to 5 pages
  std::memset(first, 1, 3 * kPage);
  std::memset(second, 2, 5 * kPage);
  pool.Give(first, 3 * kPage);
  pool.Give(second, 5 * kPage - 100);
  EXPECT_EQ(pool.FreeBytes(), 8 * kPage);

  // The smallest stretch that holds a request serves it; the rest of it stays free.
  char* again = static_cast<char*>(pool.Take(2 * kPage));
  EXPECT_TRUE(again == first || again == second);
  EXPECT_EQ(pool.FreeBytes(), 6 * kPage);
  pool.Give(again, 2 * kPage);

  if (second + 5 * kPage == first || first + 3 * kPage == second) {
    // Neighbouring stretches given back make one that serves a request neither could alone.
    char* whole = static_cast<char*>(pool.Take(8 * kPage));
    EXPECT_EQ(whole, std::min(first, second));
    std::memset(whole, 3, 8 * kPage);
    pool.Give(whole, 8 * kPage);
  }
  pool.ReleaseFree();
  EXPECT_EQ(pool.FreeBytes(), 0u);
}

TEST(PagePoolTest, TakeUpToTakesWhatAFreeStretchHoldsOrNewPages) {
  PagePool pool;
  std::size_t got = 0;
  void* fresh = pool.TakeUpTo(kPage, 4 * kPage, got);
  EXPECT_EQ(got, 4 * kPage);
  pool.Give(fresh, got);

  void* part = pool.TakeUpTo(kPage, 3 * kPage, got);  // no more than asked, from the free one
  EXPECT_EQ(part, fresh);
  EXPECT_EQ(got, 3 * kPage);
  void* rest = pool.TakeUpTo(kPage, 3 * kPage, got);  // only one page is left there
  EXPECT_EQ(got, kPage);
  void* larger = pool.TakeUpTo(2 * kPage, 2 * kPage, got);  // nothing free holds two pages
  EXPECT_EQ(got, 2 * kPage);
  pool.Give(part, 3 * kPage);
  pool.Give(rest, kPage);
  pool.Give(larger, 2 * kPage);
}

TEST(PagePoolTest, ArraysOfBothKindsKeepTheirContents) {
  PagePool pool;
  // Small arrays come from the heap, large ones from the pool; growing copies across the two.
  std::vector<std::uint64_t, PoolAllocator<std::uint64_t>> numbers{PoolAllocator<std::uint64_t>(&pool)};
  for (std::uint64_t k = 0; k < 100000; ++k) numbers.push_back(k * 7);
  for (std::uint64_t k = 0; k < numbers.size(); ++k) ASSERT_EQ(numbers[k], k * 7);
  EXPECT_GT(pool.FreeBytes(), 0u);  // the grown-out-of blocks, for the next arrays
  std::vector<std::uint64_t, PoolAllocator<std::uint64_t>> copy(numbers.size(), 0, numbers.get_allocator());
  std::copy(numbers.begin(), numbers.end(), copy.begin());
  numbers = {};
  EXPECT_EQ(copy.back(), 99999u * 7);
}

TEST(NodeArenaTest, ServesATableAndGivesEverythingBackAtOnce) {
  PagePool pool;
  {
    NodeArena arena(&pool);
    std::pmr::map<std::string, std::uint64_t> table(&arena);
    for (std::uint64_t k = 0; k < 50000; ++k) table.emplace("I" + std::to_string(k), k);
    // Odd sizes and alignments, as a table's strings and nodes ask for them.
    for (std::size_t alignment : {1, 8, 16, 64}) {
      void* place = arena.allocate(13, alignment);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(place) % alignment, 0u);
    }
    // A request larger than any chunk still gets one of its own.
    void* large = arena.allocate(NodeArena::kLargestChunk * 2, 16);
    std::memset(large, 5, NodeArena::kLargestChunk * 2);
    for (std::uint64_t k = 0; k < 50000; k += 997) EXPECT_EQ(table.at("I" + std::to_string(k)), k);
    table.clear();
    arena.Release();
    EXPECT_GT(pool.FreeBytes(), NodeArena::kLargestChunk * 2);
    // After a release the arena starts over from what it gave back.
    const std::size_t freeBefore = pool.FreeBytes();
    table.emplace("again", 1);
    EXPECT_LT(pool.FreeBytes(), freeBefore);
  }
  EXPECT_GT(pool.FreeBytes(), 0u);  // the destructor gave the last chunk back
}

TEST(NodeArenaTest, TwoArenasOverOnePoolOnTwoThreads) {
  PagePool pool;
  // Pages given back by one thread's arrays are taken by the other's arena while it works.
  auto work = [&pool](int seed) {
    NodeArena arena(&pool);
    std::pmr::map<std::uint64_t, std::uint64_t> table(&arena);
    for (int round = 0; round < 20; ++round) {
      std::vector<std::uint64_t, PoolAllocator<std::uint64_t>> scratch(50000, seed, PoolAllocator<std::uint64_t>(&pool));
      for (std::uint64_t k = 0; k < 2000; ++k) table.emplace(round * 2000 + k, scratch[k] + k);
    }
    for (std::uint64_t k = 0; k < 40000; ++k) {
      if (table.at(k) != static_cast<std::uint64_t>(seed) + k % 2000) return false;
    }
    return true;
  };
  bool otherOk = false;
  std::thread other([&] { otherOk = work(2); });
  const bool ok = work(1);
  other.join();
  EXPECT_TRUE(ok);
  EXPECT_TRUE(otherOk);
}

}  // namespace
}  // namespace kinprune
