// tag_stack.cpp - entries by level, dense for ordinary levels, sparse for absurd ones.
#include "tag_stack.h"

#include <algorithm>  // std::fill

namespace privatize {

void TagStack::SetOutsideDenseLevels(std::int32_t level, Kind kind) {
  if (level < 0) return;
  if (level == 0) {
    std::fill(dense.begin() + 1, dense.begin() + highestDenseSet + 1, Kind::Other);
    highestDenseSet = 0;
    deep.clear();
    dense[0] = kind;
    return;
  }
  if (kind == Kind::Other) {
    deep.erase(level);
  } else {
    deep[level] = kind;
  }
}

TagStack::Kind TagStack::DeepParentOf(std::int32_t level) const {
  if (level <= 0) return Kind::Other;
  const auto found = deep.find(level - 1);
  return found == deep.end() ? Kind::Other : found->second;
}

}  // namespace privatize
