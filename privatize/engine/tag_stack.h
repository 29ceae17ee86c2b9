// tag_stack.h - the tags of the lines above the current one, for the parent-tag tests.
#pragma once

#include <array>        // std::array
#include <cstdint>      // std::int32_t, std::uint8_t
#include <map>          // std::map
#include <string_view>  // std::string_view

namespace privatize {

/// One entry per level: entry n holds the tag of the most recent line of level n in the current
/// record (entry 0 what the pass puts there). Only the tags that a parent test asks about are
/// told apart, so an entry is a small code and setting one never allocates for ordinary levels.
class TagStack {
 public:
  enum class Kind : std::uint8_t { Other, Birth, Death, Note };

  static Kind KindOf(std::string_view tag) {
    if (tag.size() != 4) return Kind::Other;
    if (tag == "BIRT") return Kind::Birth;
    if (tag == "DEAT") return Kind::Death;
    if (tag == "NOTE") return Kind::Note;
    return Kind::Other;
  }

  /// Sets entry level. At level 0 every entry above 0 is cleared first: a record never inherits
  /// a parent tag from the record before it.
  void Set(std::int32_t level, std::string_view tag) {
    if (level > 0 && level < kDenseLevels) {
      dense[static_cast<std::size_t>(level)] = KindOf(tag);
      if (level > highestDenseSet) highestDenseSet = level;
      return;
    }
    SetOutsideDenseLevels(level, KindOf(tag));
  }

  /// Entry level - 1; Other for level 0 or below.
  Kind ParentOf(std::int32_t level) const {
    if (level > 0 && level <= kDenseLevels) return dense[static_cast<std::size_t>(level - 1)];
    return DeepParentOf(level);
  }

 private:
  /// Set for level 0 (which starts a record), negative levels and levels past the dense ones.
  void SetOutsideDenseLevels(std::int32_t level, Kind kind);
  Kind DeepParentOf(std::int32_t level) const;

  // Real files stay far below this; deeper levels (junk input) go to the sparse map, which
  // holds only entries that are not Other.
  static constexpr std::int32_t kDenseLevels = 256;

  std::array<Kind, kDenseLevels> dense{};
  std::int32_t highestDenseSet = 0;
  std::map<std::int32_t, Kind> deep;
};

}  // namespace privatize
