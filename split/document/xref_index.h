// xref_index.h - a hash index beside an identifier-keyed std::map, for lookups by identifier.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint64_t
#include <cstring>      // std::memcpy
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <utility>      // std::pair
#include <vector>       // std::vector

namespace kinprune {

/// A hash of an identifier's bytes: eight bytes at a time, then a final mix.
inline std::uint64_t HashXref(std::string_view xref) noexcept {
  constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
  std::uint64_t hash = xref.size() * kMultiplier;
  std::size_t k = 0;
  for (; k + 8 <= xref.size(); k += 8) {
    std::uint64_t word;
    std::memcpy(&word, xref.data() + k, 8);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  std::uint64_t tail = 0;
  for (std::size_t shift = 0; k < xref.size(); ++k, shift += 8) {
    tail |= std::uint64_t{static_cast<unsigned char>(xref[k])} << shift;
  }
  hash = (hash ^ tail) * kMultiplier;
  hash ^= hash >> 32;
  hash *= 0xd6e8feb86659fd93u;
  return hash ^ (hash >> 32);
}

/// Finds the entries of a std::map<std::string, Value> by key in constant time. The map stays
/// the owner and the source of every order; the index holds pointers to its entries, which a
/// std::map never moves. Whoever adds to or removes from the map keeps the index in step (or
/// clears and rebuilds it).
template <class Value>
class XrefIndex {
 public:
  using Entry = std::pair<const std::string, Value>;

  void Clear() {
    slots.clear();
    count = 0;
  }
  std::size_t size() const { return count; }

  /// Room for count entries without growing.
  void Reserve(std::size_t entries) {
    std::size_t capacity = 16;
    while (2 * capacity < 3 * entries) capacity *= 2;
    if (capacity > slots.size()) Rehash(capacity);
  }

  /// Adds entry, whose key must not be in the index yet.
  void Add(Entry& entry) {
    if (4 * (count + 1) > 3 * slots.size()) Rehash(slots.empty() ? 16 : 2 * slots.size());
    Place(Slot{HashXref(entry.first), &entry});
    ++count;
  }

  /// The entry with key xref, or nullptr.
  Entry* Find(std::string_view xref) const {
    if (count == 0) return nullptr;
    const std::uint64_t hash = HashXref(xref);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t k = hash & mask;; k = (k + 1) & mask) {
      const Slot& slot = slots[k];
      if (slot.entry == nullptr) return nullptr;
      if (slot.hash == hash && std::string_view(slot.entry->first) == xref) return slot.entry;
    }
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    Entry* entry = nullptr;  // nullptr: a free slot
  };

  void Place(const Slot& slot) {
    const std::size_t mask = slots.size() - 1;
    std::size_t k = slot.hash & mask;
    while (slots[k].entry != nullptr) k = (k + 1) & mask;
    slots[k] = slot;
  }

  void Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots);
    for (const Slot& slot : old) {
      if (slot.entry != nullptr) Place(slot);
    }
  }

  std::vector<Slot> slots;  // a power of two in size, at most three quarters used
  std::size_t count = 0;
};

}  // namespace kinprune
