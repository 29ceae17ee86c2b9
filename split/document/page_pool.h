// page_pool.h - memory taken from the system in whole pages and handed round again within a
// load: arrays given back are reused by later arrays and by the tables' node arenas.
#pragma once

#include <cstddef>          // std::size_t, std::max_align_t
#include <limits>           // std::numeric_limits
#include <memory_resource>  // std::pmr::memory_resource
#include <mutex>            // std::mutex
#include <new>              // std::bad_alloc
#include <vector>           // std::vector

namespace kinprune {

/// Pages from the system, kept when given back so that the next request is served from them:
/// a page the system hands out costs a fault at its first touch, and a page handed round again
/// does not. A load touches several times the memory it keeps (scan arrays, sort scratch, the
/// tables' nodes), one after another.
///
/// Safe to use from several threads at once. Everything taken must be given back before the
/// pool goes; ReleaseFree returns the pages nobody holds to the system.
class PagePool {
 public:
  static constexpr std::size_t kPageSize = 4096;

  PagePool() = default;
  PagePool(const PagePool&) = delete;
  PagePool& operator=(const PagePool&) = delete;
  ~PagePool() { ReleaseFree(); }

  /// bytes (rounded up to whole pages) in one piece: the smallest free stretch that holds them,
  /// or new pages. Throws std::bad_alloc.
  void* Take(std::size_t bytes);
  /// A stretch of between atLeast and atMost bytes (whole pages; atLeast <= atMost), as large as
  /// a free stretch allows, or atMost new bytes when none holds atLeast. Its size is written to
  /// got. Throws std::bad_alloc.
  void* TakeUpTo(std::size_t atLeast, std::size_t atMost, std::size_t& got);
  /// Gives back what Take or TakeUpTo handed out, with the size asked for (or got).
  void Give(void* address, std::size_t bytes) noexcept;
  /// Returns every free stretch to the system.
  void ReleaseFree() noexcept;

  /// Bytes in free stretches; for tests.
  std::size_t FreeBytes() const;

  static std::size_t RoundToPages(std::size_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max() - (kPageSize - 1)) throw std::bad_alloc();
    return (bytes + kPageSize - 1) / kPageSize * kPageSize;
  }

 private:
  struct Stretch {
    char* begin;
    std::size_t size;
  };
  static void* NewPages(std::size_t bytes);
  void AddFree(char* begin, std::size_t size);  // joins the neighbours it touches
  char* TakeFront(Stretch* stretch, std::size_t size);  // size <= stretch->size; lock held

  mutable std::mutex lock;
  std::vector<Stretch> free;  // few: the load's arrays and chunks number in the hundreds
};

/// An allocator of T over a PagePool for large arrays; small ones come from the heap, where a
/// whole page each would waste more than it saves.
template <class T>
class PoolAllocator {
 public:
  using value_type = T;
  static constexpr std::size_t kPoolFrom = std::size_t{64} << 10;  // bytes

  explicit PoolAllocator(PagePool* pool) noexcept : pool(pool) {}
  template <class U>
  PoolAllocator(const PoolAllocator<U>& other) noexcept : pool(other.Pool()) {}

  T* allocate(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kPoolFrom) return static_cast<T*>(::operator new(bytes));
    return static_cast<T*>(pool->Take(bytes));
  }
  void deallocate(T* data, std::size_t count) noexcept {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kPoolFrom) {
      ::operator delete(data);
    } else {
      pool->Give(data, bytes);
    }
  }

  PagePool* Pool() const noexcept { return pool; }
  template <class U>
  bool operator==(const PoolAllocator<U>& other) const noexcept {
    return pool == other.Pool();
  }

 private:
  PagePool* pool;
};

/// Memory for a table's nodes: handed out in order from chunks of a PagePool and given back all
/// at once by Release, never one by one. One arena is used by one thread at a time.
class NodeArena : public std::pmr::memory_resource {
 public:
  static constexpr std::size_t kFirstChunk = std::size_t{64} << 10;
  static constexpr std::size_t kLargestChunk = std::size_t{8} << 20;

  explicit NodeArena(PagePool* pool) noexcept : pool(pool) {}
  NodeArena(const NodeArena&) = delete;
  NodeArena& operator=(const NodeArena&) = delete;
  ~NodeArena() override { Release(); }

  /// Gives every chunk back to the pool; what was handed out is gone.
  void Release() noexcept;

 private:
  struct Chunk {
    char* begin;
    std::size_t size;
  };

  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void*, std::size_t, std::size_t) noexcept override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }
  void NextChunk(std::size_t bytes);

  PagePool* pool;
  std::vector<Chunk> chunks;
  char* next = nullptr;
  char* end = nullptr;
  std::size_t nextChunkSize = kFirstChunk;
};

}  // namespace kinprune
