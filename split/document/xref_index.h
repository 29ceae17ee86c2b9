// xref_index.h - a hash index beside an identifier-keyed std::map, for lookups by identifier.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint32_t, std::uint64_t
#include <cstring>      // std::memcpy
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <utility>      // std::pair
#include <vector>       // std::vector

namespace kinprune {

/// The first eight bytes of xref (zero bytes past its end) as one number; with the size it
/// tells identifiers of up to eight bytes apart without looking at them again.
inline std::uint64_t XrefHead(std::string_view xref) noexcept {
  std::uint64_t head = 0;
  if (xref.size() >= 8) {
    std::memcpy(&head, xref.data(), 8);
  } else if (!xref.empty()) {
    std::memcpy(&head, xref.data(), xref.size());
  }
  return head;
}

/// A hash of an identifier whose head is XrefHead(xref).
inline std::uint64_t HashXref(std::string_view xref, std::uint64_t head) noexcept {
  constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
  std::uint64_t hash = (xref.size() * kMultiplier) ^ head;
  hash *= kMultiplier;
  hash ^= hash >> 29;
  for (std::size_t k = 8; k < xref.size(); k += 8) {
    hash = (hash ^ XrefHead(xref.substr(k))) * kMultiplier;
    hash ^= hash >> 29;
  }
  hash *= 0xd6e8feb86659fd93u;
  return hash ^ (hash >> 32);
}

/// Finds the entries of a std::map<std::string, Value> by key in constant time. The map stays
/// the owner and the source of every order; the index holds pointers to its entries, which a
/// std::map never moves, with a copy of each value (values must not change while indexed) and
/// the first bytes of each key, so that most lookups touch one slot and nothing else. Whoever
/// adds to or removes from the map keeps the index in step (or clears and rebuilds it).
///
/// Every entry gets an id, 0 for the first one added, 1 for the next and so on; ids stay as
/// they are when the index grows, so they can number arrays beside the index.
template <class Value>
class XrefIndex {
 public:
  using Entry = std::pair<const std::string, Value>;

  struct Slot {
    std::uint64_t head = 0;
    std::uint32_t size = 0;
    std::uint32_t id = 0;
    Value value{};
    Entry* entry = nullptr;  // nullptr: a free slot
  };

  void Clear() {
    slotTable.clear();
    count = 0;
  }
  std::size_t size() const { return count; }

  /// Room for entries entries without growing.
  void Reserve(std::size_t entries) {
    const std::size_t capacity = entries + entries / 4 + 16;
    if (capacity > slotTable.size()) Rehash(capacity);
  }

  /// Adds entry, whose key must not be in the index yet; returns its id.
  std::uint32_t Add(Entry& entry) {
    if (5 * (count + 1) > 4 * slotTable.size()) Rehash(2 * slotTable.size() + 16);
    const std::string_view key = entry.first;
    const std::uint64_t head = XrefHead(key);
    const auto id = static_cast<std::uint32_t>(count);
    Place(HashXref(key, head),
          Slot{head, static_cast<std::uint32_t>(key.size()), id, entry.second, &entry});
    ++count;
    return id;
  }

  /// The slot of key xref, or nullptr. Valid until the next Add.
  const Slot* Find(std::string_view xref) const {
    if (count == 0) return nullptr;
    const std::uint64_t head = XrefHead(xref);
    std::size_t k = Home(HashXref(xref, head));
    for (;;) {
      const Slot& slot = slotTable[k];
      if (slot.entry == nullptr) return nullptr;
      if (slot.head == head && slot.size == xref.size() &&
          (xref.size() <= 8 || std::string_view(slot.entry->first).substr(8) == xref.substr(8))) {
        return &slot;
      }
      if (++k == slotTable.size()) k = 0;
    }
  }

  /// Asks the processor to fetch the slot where a lookup of xref starts; only a hint.
  void Prefetch(std::string_view xref) const {
#if defined(__GNUC__) || defined(__clang__)
    if (count != 0) __builtin_prefetch(&slotTable[Home(HashXref(xref, XrefHead(xref)))]);
#else
    (void)xref;
#endif
  }

  /// Asks the processor to fetch, for writing, the slot where an Add of xref starts looking;
  /// only a hint, and only of use while the table does not grow (after Reserve).
  void PrefetchForAdd(std::string_view xref) const {
#if defined(__GNUC__) || defined(__clang__)
    if (!slotTable.empty()) __builtin_prefetch(&slotTable[Home(HashXref(xref, XrefHead(xref)))], 1);
#else
    (void)xref;
#endif
  }

  /// Calls fn(const Slot&) for every entry, in no particular order.
  template <class Fn>
  void ForEach(Fn&& fn) const {
    for (const Slot& slot : slotTable) {
      if (slot.entry != nullptr) fn(slot);
    }
  }

 private:
  // The first slot to try for hash: hash scaled to the table's size.
  std::size_t Home(std::uint64_t hash) const {
    __extension__ typedef unsigned __int128 Wide;
    return static_cast<std::size_t>((static_cast<Wide>(hash) * slotTable.size()) >> 64);
  }

  void Place(std::uint64_t hash, const Slot& slot) {
    std::size_t k = Home(hash);
    while (slotTable[k].entry != nullptr) {
      if (++k == slotTable.size()) k = 0;
    }
    slotTable[k] = slot;
  }

  // The table, at most four fifths full, with linear probing (ids are limited to 32 bits; a
  // map of four billion identifiers does not fit in memory beside its file anyway).
  void Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slotTable);
    for (const Slot& slot : old) {
      if (slot.entry != nullptr) Place(HashXref(slot.entry->first, slot.head), slot);
    }
  }

  std::vector<Slot> slotTable;
  std::size_t count = 0;
};

}  // namespace kinprune
