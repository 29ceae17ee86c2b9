// output_buffer.h - bytes collected for one large write, appended with plain copies.
#pragma once

#include <cstddef>      // std::size_t
#include <cstring>      // std::memcpy
#include <memory>       // std::unique_ptr
#include <span>         // std::span
#include <string_view>  // std::string_view

namespace gedtext {

/// A growable byte buffer for output that is handed on in large blocks. Appending is a capacity
/// test and a memcpy (std::string::append does more per call, which shows at twenty million
/// short lines); the capacity only grows for a single piece larger than what is left.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::size_t initialCapacity)
      : bytes(std::make_unique<char[]>(initialCapacity)), capacity(initialCapacity) {}

  void Append(std::string_view piece) {
    if (piece.size() > capacity - used) Grow(piece.size());
    // A view may be empty with a null data pointer, which memcpy must not see.
    if (!piece.empty()) std::memcpy(bytes.get() + used, piece.data(), piece.size());
    used += piece.size();
  }

  /// Appends piece and returns the copy in the buffer, to be changed in place. Valid until the
  /// next call that appends.
  std::span<char> AppendEditable(std::string_view piece) {
    Append(piece);
    return {bytes.get() + used - piece.size(), piece.size()};
  }

  /// Appends line followed by CR LF.
  void AppendLine(std::string_view line) { AppendLineEditable(line); }

  /// Appends line followed by CR LF and returns the copy of line (without the CR LF), to be
  /// changed in place. Valid until the next call that appends.
  std::span<char> AppendLineEditable(std::string_view line) {
    constexpr std::size_t kLineEndLength = 2;
    if (line.size() + kLineEndLength > capacity - used) Grow(line.size() + kLineEndLength);
    char* at = bytes.get() + used;
    if (!line.empty()) std::memcpy(at, line.data(), line.size());
    at[line.size()] = '\r';
    at[line.size() + 1] = '\n';
    used += line.size() + kLineEndLength;
    return {at, line.size()};
  }

  /// Bytes that can be appended before the buffer grows.
  std::size_t Room() const { return capacity - used; }
  const char* Data() const { return bytes.get(); }
  std::size_t Size() const { return used; }
  bool Empty() const { return used == 0; }
  void Clear() { used = 0; }

 private:
  void Grow(std::size_t extra) {
    std::size_t newCapacity = capacity * 2;
    if (newCapacity < used + extra) newCapacity = used + extra;
    auto grown = std::make_unique<char[]>(newCapacity);
    if (used > 0) std::memcpy(grown.get(), bytes.get(), used);
    bytes = std::move(grown);
    capacity = newCapacity;
  }

  std::unique_ptr<char[]> bytes;
  std::size_t capacity;
  std::size_t used = 0;
};

}  // namespace gedtext
