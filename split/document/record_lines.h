// record_lines.h - how the document's reader sees a line's end and a record's end, for the walks
// that pass over lines without taking them apart.
#pragma once

#include <cstdint>  // std::uint64_t

namespace kinprune {

/// Offset just past the terminator of a line that ends at end (a CR or LF, with at most one more
/// CR or LF), as the document's reader counts it.
inline std::uint64_t PastLineEnd(const char* data, std::uint64_t end, std::uint64_t length) {
  if (end >= length) return length;
  ++end;
  if (end < length && (data[end] == '\r' || data[end] == '\n')) ++end;
  return end;
}

/// True when the line whose first byte after blanks is data[first] has level 0: its level number
/// is a run of zeros (a line without a level number has none).
inline bool IsLevelZero(const char* data, std::uint64_t first, std::uint64_t end) {
  if (data[first] < '0' || data[first] > '9') return false;
  for (std::uint64_t k = first; k < end && data[k] >= '0' && data[k] <= '9'; ++k) {
    if (data[k] != '0') return false;
  }
  return true;
}

}  // namespace kinprune
