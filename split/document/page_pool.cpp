// page_pool.cpp - PagePool and NodeArena.
#include "page_pool.h"

#include <sys/mman.h>  // mmap, munmap

#include <algorithm>  // std::max, std::min
#include <cstdint>    // std::uintptr_t

namespace kinprune {

void* PagePool::NewPages(std::size_t bytes) {
  void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (address == MAP_FAILED) throw std::bad_alloc();
  return address;
}

char* PagePool::TakeFront(Stretch* stretch, std::size_t size) {
  char* taken = stretch->begin;
  stretch->begin += size;
  stretch->size -= size;
  if (stretch->size == 0) free.erase(free.begin() + (stretch - free.data()));
  return taken;
}

void* PagePool::Take(std::size_t bytes) {
  const std::size_t size = RoundToPages(bytes);
  {
    const std::lock_guard<std::mutex> guard(lock);
    Stretch* best = nullptr;
    for (Stretch& stretch : free) {
      if (stretch.size >= size && (best == nullptr || stretch.size < best->size)) best = &stretch;
    }
    if (best != nullptr) return TakeFront(best, size);
  }
  return NewPages(size);
}

void* PagePool::TakeUpTo(std::size_t atLeast, std::size_t atMost, std::size_t& got) {
  atLeast = RoundToPages(atLeast);
  atMost = std::max(atLeast, RoundToPages(atMost));
  {
    const std::lock_guard<std::mutex> guard(lock);
    Stretch* largest = nullptr;
    for (Stretch& stretch : free) {
      if (largest == nullptr || stretch.size > largest->size) largest = &stretch;
    }
    if (largest != nullptr && largest->size >= atLeast) {
      got = std::min(largest->size, atMost);
      return TakeFront(largest, got);
    }
  }
  void* fresh = NewPages(atMost);
  got = atMost;
  return fresh;
}

void PagePool::Give(void* address, std::size_t bytes) noexcept {
  if (address == nullptr || bytes == 0) return;
  const std::size_t size = RoundToPages(bytes);
  const std::lock_guard<std::mutex> guard(lock);
  try {
    AddFree(static_cast<char*>(address), size);
  } catch (const std::bad_alloc&) {
    // No room to note it: the pages go back to the system at once.
    ::munmap(address, size);
  }
}

void PagePool::AddFree(char* begin, std::size_t size) {
  const auto before = std::find_if(free.begin(), free.end(), [&](const Stretch& stretch) {
    return stretch.begin + stretch.size == begin;
  });
  const auto after = std::find_if(free.begin(), free.end(), [&](const Stretch& stretch) {
    return stretch.begin == begin + size;
  });
  if (before != free.end() && after != free.end()) {
    before->size += size + after->size;
    free.erase(after);
  } else if (before != free.end()) {
    before->size += size;
  } else if (after != free.end()) {
    after->begin = begin;
    after->size += size;
  } else {
    free.push_back(Stretch{begin, size});
  }
}

void PagePool::ReleaseFree() noexcept {
  const std::lock_guard<std::mutex> guard(lock);
  for (const Stretch& stretch : free) ::munmap(stretch.begin, stretch.size);
  free.clear();
}

std::size_t PagePool::FreeBytes() const {
  const std::lock_guard<std::mutex> guard(lock);
  std::size_t total = 0;
  for (const Stretch& stretch : free) total += stretch.size;
  return total;
}

void* NodeArena::do_allocate(std::size_t bytes, std::size_t alignment) {
  // Alignments are powers of two.
  auto aligned = [alignment](char* at) {
    const auto value = reinterpret_cast<std::uintptr_t>(at);
    return at + (((value + alignment - 1) & ~(alignment - 1)) - value);
  };
  char* place = aligned(next);
  if (next == nullptr || static_cast<std::size_t>(end - place) < bytes) {
    NextChunk(bytes + alignment);
    place = aligned(next);
  }
  next = place + bytes;
  return place;
}

void NodeArena::NextChunk(std::size_t bytes) {
  const std::size_t need = PagePool::RoundToPages(bytes);
  chunks.reserve(chunks.size() + 1);  // before the pages are taken, so that none are lost
  std::size_t got = 0;
  char* chunk = static_cast<char*>(
      pool->TakeUpTo(std::max(need, kFirstChunk), std::max(need, nextChunkSize), got));
  chunks.push_back(Chunk{chunk, got});
  next = chunk;
  end = chunk + got;
  nextChunkSize = std::min(nextChunkSize * 2, kLargestChunk);
}

void NodeArena::Release() noexcept {
  for (const Chunk& chunk : chunks) pool->Give(chunk.begin, chunk.size);
  chunks.clear();
  next = nullptr;
  end = nullptr;
  nextChunkSize = kFirstChunk;
}

}  // namespace kinprune
