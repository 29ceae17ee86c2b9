// tag_stack.cpp - entries by level, dense for ordinary levels, sparse for absurd ones.
#include "tag_stack.h"

#include <algorithm>  // std::fill

namespace privatize {

TagStack::Kind TagStack::KindOf(std::string_view tag) {
  if (tag == "BIRT") return Kind::Birth;
  if (tag == "DEAT") return Kind::Death;
  if (tag == "NOTE") return Kind::Note;
  return Kind::Other;
}

void TagStack::Set(std::int32_t level, std::string_view tag) {
  if (level < 0) return;
  const Kind kind = KindOf(tag);
  if (level == 0) {
    std::fill(dense.begin() + 1, dense.begin() + highestDenseSet + 1, Kind::Other);
    highestDenseSet = 0;
    deep.clear();
    dense[0] = kind;
    return;
  }
  if (level < kDenseLevels) {
    dense[static_cast<std::size_t>(level)] = kind;
    highestDenseSet = std::max(highestDenseSet, level);
    return;
  }
  if (kind == Kind::Other) {
    deep.erase(level);
  } else {
    deep[level] = kind;
  }
}

TagStack::Kind TagStack::ParentOf(std::int32_t level) const {
  if (level <= 0) return Kind::Other;
  const std::int32_t parent = level - 1;
  if (parent < kDenseLevels) return dense[static_cast<std::size_t>(parent)];
  const auto found = deep.find(parent);
  return found == deep.end() ? Kind::Other : found->second;
}

}  // namespace privatize
