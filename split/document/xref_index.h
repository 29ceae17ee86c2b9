// xref_index.h - a hash index beside an identifier-keyed std::map, for lookups by identifier.
#pragma once

#include <algorithm>    // std::fill
#include <array>        // std::array
#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint32_t, std::uint64_t
#include <cstring>      // std::memcpy
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <utility>      // std::pair
#include <vector>       // std::vector

#include "side_by_side.h"

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

/// Open addressing with linear probing over places keyed by identifier, at most four fifths
/// full. A Slot has the members head (XrefHead of its key) and size (the key's length) and the
/// functions Used() and Key(); a default-constructed Slot is free. The table never owns the
/// bytes of a key: they live as long as the slot, elsewhere.
template <class Slot>
class XrefSlotTable {
 public:
  std::size_t Capacity() const { return places.size(); }
  void Release() { places.clear(); }
  void Empty() { std::fill(places.begin(), places.end(), Slot{}); }

  /// True when one more slot would fill the table beyond four fifths.
  bool FullAfter(std::size_t used) const { return 5 * (used + 1) > 4 * places.size(); }

  /// The slot of xref, whose head is XrefHead(xref), or nullptr.
  const Slot* Find(std::string_view xref, std::uint64_t head) const {
    if (places.empty()) return nullptr;
    std::size_t k = Home(HashXref(xref, head));
    for (;;) {
      const Slot& slot = places[k];
      if (!slot.Used()) return nullptr;
      if (slot.head == head && slot.size == xref.size() &&
          (xref.size() <= 8 || slot.Key().substr(8) == xref.substr(8))) {
        return &slot;
      }
      if (++k == places.size()) k = 0;
    }
  }

  /// The place where a lookup of xref, whose head is XrefHead(xref), starts.
  std::size_t HomeOf(std::string_view xref, std::uint64_t head) const {
    return Home(HashXref(xref, head));
  }

  /// Puts slot, whose key is not in the table yet, into the first free place from its home.
  void Place(const Slot& slot) { PlaceFrom(slot, HomeOf(slot.Key(), slot.head)); }

  /// Place for a slot whose home is known already.
  void PlaceFrom(const Slot& slot, std::size_t home) {
    std::size_t k = home;
    while (places[k].Used()) {
      if (++k == places.size()) k = 0;
    }
    places[k] = slot;
  }

  /// PlaceFrom without going round the end of the table or past limit: false, and nothing
  /// placed, when the places from home up to limit are all used.
  bool PlaceBefore(const Slot& slot, std::size_t home, std::size_t limit) {
    for (std::size_t k = home; k < limit; ++k) {
      if (!places[k].Used()) {
        places[k] = slot;
        return true;
      }
    }
    return false;
  }

  /// The table with capacity places, every used slot placed again.
  void Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(places);
    for (const Slot& slot : old) {
      if (slot.Used()) Place(slot);
    }
  }

  /// Asks the processor to fetch the place where a lookup or a Place of xref starts; only a
  /// hint, and only of use while the table does not grow. A lookup often goes on past its home
  /// (the table may be four fifths full), so the cache line after the home's is fetched too.
  void PrefetchHome(std::string_view xref, bool forWriting) const {
#if defined(__GNUC__) || defined(__clang__)
    constexpr std::size_t kCacheLine = 64;
    // The place a cache line's width on: in the line after the home's when slots divide a line.
    constexpr std::size_t kNextLine = (kCacheLine + sizeof(Slot) - 1) / sizeof(Slot);
    if (places.empty()) return;
    const std::size_t home = Home(HashXref(xref, XrefHead(xref)));
    if (forWriting) {
      __builtin_prefetch(&places[home], 1);
    } else {
      __builtin_prefetch(&places[home]);
      if (home + kNextLine < places.size()) __builtin_prefetch(&places[home + kNextLine]);
    }
#else
    (void)xref;
    (void)forWriting;
#endif
  }

  /// Asks the processor to fetch, for writing, the place home; only a hint.
  void PrefetchPlace(std::size_t home) const {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(&places[home], 1);
#else
    (void)home;
#endif
  }

  /// Calls fn(const Slot&) for every used slot, in no particular order.
  template <class Fn>
  void ForEach(Fn&& fn) const {
    for (const Slot& slot : places) {
      if (slot.Used()) fn(slot);
    }
  }

 private:
  // The first place to try for hash: hash scaled to the table's size.
  std::size_t Home(std::uint64_t hash) const {
    __extension__ typedef unsigned __int128 Wide;
    return static_cast<std::size_t>((static_cast<Wide>(hash) * places.size()) >> 64);
  }

  std::vector<Slot> places;
};

/// Finds the entries of a std::map<std::string, Value> by key in constant time. The map stays
/// the owner and the source of every order; the index holds pointers to its entries, which a
/// std::map never moves, with a copy of each value (values must not change while indexed) and
/// the first bytes of each key, so that most lookups touch one slot and nothing else. Whoever
/// adds to or removes from the map keeps the index in step (or clears and rebuilds it).
///
/// Every entry gets an id, 0 for the first one added, 1 for the next and so on; ids stay as
/// they are when the index grows, so they can number arrays beside the index. Ids are limited
/// to 32 bits: a map of four billion identifiers does not fit in memory beside its file anyway.
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

    bool Used() const { return entry != nullptr; }
    std::string_view Key() const { return entry->first; }
  };

  void Clear() {
    table.Release();
    count = 0;
    idsInMapOrder = 0;
  }
  std::size_t size() const { return count; }
  /// The ids below this number were given by the last Rebuild, in the map's order; entries
  /// added since have larger ids in the order they were added.
  std::size_t IdsInMapOrder() const { return idsInMapOrder; }

  /// Room for entries entries without growing.
  void Reserve(std::size_t entries) {
    const std::size_t capacity = entries + entries / 4 + 16;
    if (capacity > table.Capacity()) table.Rehash(capacity);
  }

  /// Adds entry, whose key must not be in the index yet; returns its id.
  std::uint32_t Add(Entry& entry) {
    if (table.FullAfter(count)) table.Rehash(2 * table.Capacity() + 16);
    const std::string_view key = entry.first;
    const auto id = static_cast<std::uint32_t>(count);
    const auto size = static_cast<std::uint32_t>(key.size());
    table.Place(Slot{XrefHead(key), size, id, entry.second, &entry});
    ++count;
    return id;
  }

  /// Clears the index and adds every entry of map, a std::map whose keys and values are those of
  /// Entry, ids in the map's order. The table is larger than the processor's caches, so it is
  /// filled one stretch after another: each round places the entries whose home lies in its
  /// stretch, in the map's order, and every other entry waits for its own round. A large map is
  /// placed by two threads, one for each half of the table. An entry that would run over the
  /// end of its half (or round the end of the table) is placed after the others.
  template <class Map>
  void Rebuild(Map& map) {
    constexpr std::size_t kTwoThreadsFrom = std::size_t{1} << 16;
    Clear();
    Reserve(map.size());
    std::vector<Entry*> entries;
    entries.reserve(map.size());
    for (Entry& entry : map) entries.push_back(&entry);
    std::vector<std::uint32_t> homes(entries.size());  // by id; the capacity fits 32 bits
    const std::size_t capacity = table.Capacity();
    std::vector<std::uint32_t> overrunFirst;   // would run over the end of the first half
    std::vector<std::uint32_t> overrunSecond;  // would go round the end of the table
    if (entries.size() < kTwoThreadsFrom) {
      FindHomes(entries, homes, 0, entries.size());
      PlaceInStretches(entries, homes, 0, capacity, overrunSecond);
    } else {
      const std::size_t middleId = entries.size() / 2;
      RunSideBySide([&] { FindHomes(entries, homes, 0, middleId); },
                    [&] { FindHomes(entries, homes, middleId, entries.size()); });
      const std::size_t middle = capacity / 2;
      RunSideBySide([&] { PlaceInStretches(entries, homes, 0, middle, overrunFirst); },
                    [&] { PlaceInStretches(entries, homes, middle, capacity, overrunSecond); });
    }
    for (const auto* overrun : {&overrunFirst, &overrunSecond}) {
      for (const std::uint32_t id : *overrun) table.PlaceFrom(SlotOf(*entries[id], id), homes[id]);
    }
    count = entries.size();
    idsInMapOrder = count;
  }

  /// The slot of key xref, or nullptr. Valid until the next Add.
  const Slot* Find(std::string_view xref) const {
    if (count == 0) return nullptr;
    return table.Find(xref, XrefHead(xref));
  }

  /// Asks the processor to fetch the slot where a lookup of xref starts; only a hint.
  void Prefetch(std::string_view xref) const {
    if (count != 0) table.PrefetchHome(xref, false);
  }

  /// Calls fn(const Slot&) for every entry, in no particular order.
  template <class Fn>
  void ForEach(Fn&& fn) const {
    table.ForEach(fn);
  }

 private:
  // Calls place(id) for each id, in ascending order, whose home lies in [first, last). The
  // entries of a round are far apart in the map, so the entry and the home of an id some calls
  // ahead are fetched meanwhile.
  template <class Place>
  void ForEachIdInStretch(const std::vector<Entry*>& entries,
                          const std::vector<std::uint32_t>& homes, std::size_t first,
                          std::size_t last, Place&& place) {
    constexpr std::size_t kAhead = 16;
    const std::size_t end = entries.size();
    std::size_t scanned = 0;
    auto nextInStretch = [&]() {
      while (scanned < end && (homes[scanned] < first || homes[scanned] >= last)) ++scanned;
      if (scanned == end) return end;
      FetchEntry(entries[scanned]);
      table.PrefetchPlace(homes[scanned]);
      return scanned++;
    };
    std::array<std::size_t, kAhead> ahead{};
    for (std::size_t& id : ahead) id = nextInStretch();
    for (std::size_t k = 0;; k = (k + 1) % kAhead) {
      const std::size_t id = ahead[k];
      if (id == end) return;
      ahead[k] = nextInStretch();
      place(id);
    }
  }

  static Slot SlotOf(Entry& entry, std::size_t id) {
    const std::string_view key = entry.first;
    return Slot{XrefHead(key), static_cast<std::uint32_t>(key.size()),
                static_cast<std::uint32_t>(id), entry.second, &entry};
  }

  // The homes of the entries with ids in [first, last).
  void FindHomes(const std::vector<Entry*>& entries, std::vector<std::uint32_t>& homes,
                 std::size_t first, std::size_t last) const {
    for (std::size_t id = first; id < last; ++id) {
      const std::string_view key = entries[id]->first;
      homes[id] = static_cast<std::uint32_t>(table.HomeOf(key, XrefHead(key)));
    }
  }

  // Places the entries whose home lies in [first, last) within those places, stretch by
  // stretch; the ids of those that would run past last go to overrun, in ascending order.
  // Touches no place outside [first, last), so two calls on halves can run at once.
  void PlaceInStretches(std::vector<Entry*>& entries, const std::vector<std::uint32_t>& homes,
                        std::size_t first, std::size_t last, std::vector<std::uint32_t>& overrun) {
    constexpr std::size_t kStretchBytes = std::size_t{16} << 20;
    const std::size_t rounds = (last - first) * sizeof(Slot) / kStretchBytes + 1;
    for (std::size_t round = 0; round < rounds; ++round) {
      const std::size_t from = first + (last - first) * round / rounds;
      const std::size_t to = first + (last - first) * (round + 1) / rounds;
      ForEachIdInStretch(entries, homes, from, to, [&](std::size_t id) {
        if (!table.PlaceBefore(SlotOf(*entries[id], id), homes[id], last)) {
          overrun.push_back(static_cast<std::uint32_t>(id));
        }
      });
    }
  }

  // Asks the processor for the key and value of entry; only a hint.
  static void FetchEntry(const Entry* entry) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(entry);
    __builtin_prefetch(reinterpret_cast<const char*>(entry) + sizeof(Entry) - 1);
#else
    (void)entry;
#endif
  }

  XrefSlotTable<Slot> table;
  std::size_t count = 0;
  std::size_t idsInMapOrder = 0;
};

}  // namespace kinprune
