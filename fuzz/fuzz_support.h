// fuzz_support.h - what the fuzzing harnesses share: taking choices from the input, an
// independent line splitter, and failing loudly when an invariant breaks.
#pragma once

#include <algorithm>    // std::min
#include <cstddef>      // std::size_t
#include <cstdint>      // std::uint8_t, std::int32_t
#include <cstdio>       // std::fprintf
#include <cstdlib>      // std::abort
#include <limits>       // std::numeric_limits
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

// Each harness defines this entry. libFuzzer calls LLVMFuzzerTestOneInput; the regression test
// compiles every harness under its own name so that one program can replay them all.
#ifndef GEDTOOLS_FUZZ_ENTRY
#define GEDTOOLS_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace gedfuzz {

/// Ends the run with the broken invariant: libFuzzer keeps the input as a crash reproducer.
[[noreturn]] inline void Fail(const char* invariant, std::string_view detail = {}) {
  std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", invariant);
  if (!detail.empty()) {
    std::fprintf(stderr, "  at: %.*s\n", static_cast<int>(std::min<std::size_t>(detail.size(), 400)), detail.data());
  }
  std::abort();
}

inline void Require(bool holds, const char* invariant, std::string_view detail = {}) {
  if (!holds) Fail(invariant, detail);
}

/// Takes option choices from the front of the input; what is left is the GEDCOM text.
class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

  std::uint8_t Byte() {
    if (used >= size) return 0;
    return data[used++];
  }
  bool Flag() { return (Byte() & 1) != 0; }
  /// 0 .. count-1
  unsigned Pick(unsigned count) { return count == 0 ? 0 : Byte() % count; }
  std::int32_t Int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return static_cast<std::int32_t>(value);
  }
  /// The rest of the input.
  std::string_view Rest() const {
    return {reinterpret_cast<const char*>(data) + used, size - used};
  }
  void Skip(std::size_t count) { used = std::min(size, used + count); }

 private:
  const std::uint8_t* data;
  std::size_t size;
  std::size_t used = 0;
};

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct TextLine {
  std::string_view text;    ///< without its terminator
  bool terminated = false;  ///< false only for a last line without one
};

/// Lines as the tools read them: a line ends at CR LF, LF CR, LF or CR, each pair one terminator.
/// A UTF-8 byte-order mark at the very start belongs to no line, unless markAllowed is false
/// (an output whose input had no mark: its first line may begin with the same bytes).
inline std::vector<TextLine> SplitLines(std::string_view data, bool* byteOrderMark = nullptr,
                                        bool markAllowed = true) {
  const bool bom = markAllowed && data.starts_with(kByteOrderMark);
  if (byteOrderMark) *byteOrderMark = bom;
  if (bom) data.remove_prefix(kByteOrderMark.size());
  std::vector<TextLine> lines;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = start;
    while (end < data.size() && data[end] != '\r' && data[end] != '\n') ++end;
    TextLine line{data.substr(start, end - start), end < data.size()};
    lines.push_back(line);
    if (end == data.size()) break;
    const char first = data[end];
    start = end + 1;
    if (start < data.size() && (data[start] == '\r' || data[start] == '\n') && data[start] != first) ++start;
  }
  return lines;
}

constexpr bool IsSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Fields {
  bool blank = false;     ///< empty, or only spaces and tabs: no GEDCOM line at all
  bool hasLevel = false;  ///< false when the first byte after spaces and tabs is no digit
  std::int32_t level = 0;
  std::string_view tag;
  std::string_view value;
};

/// Level, tag and value: white space, digits (saturating), white space, the tag up to white
/// space, exactly one separator, the rest.
inline Fields SplitFields(std::string_view text) {
  Fields fields;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  fields.blank = i == text.size();
  fields.hasLevel = !fields.blank && text[i] >= '0' && text[i] <= '9';
  i = 0;
  while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
  std::int64_t level = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    level = std::min<std::int64_t>(level * 10 + (text[i] - '0'), std::numeric_limits<std::int32_t>::max());
    ++i;
  }
  fields.level = static_cast<std::int32_t>(level);
  while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
  const std::size_t tagStart = i;
  while (i < text.size() && !IsSpace(static_cast<unsigned char>(text[i]))) ++i;
  fields.tag = text.substr(tagStart, i - tagStart);
  if (i < text.size()) ++i;
  fields.value = text.substr(i);
  return fields;
}

constexpr bool IsIdentifierShaped(std::string_view text) {
  return !text.empty() && text.front() == '@' && text.back() == '@';
}

inline std::string StripAt(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '@') out += c;
  }
  return out;
}

/// The number at the end of value, trailing white space ignored, saturating; 0 without digits.
inline std::int32_t TrailingYear(std::string_view value) {
  std::size_t end = value.size();
  while (end > 0 && IsSpace(static_cast<unsigned char>(value[end - 1]))) --end;
  std::size_t start = end;
  while (start > 0 && value[start - 1] >= '0' && value[start - 1] <= '9') --start;
  std::int64_t year = 0;
  for (std::size_t i = start; i < end; ++i) {
    year = std::min<std::int64_t>(year * 10 + (value[i] - '0'), std::numeric_limits<std::int32_t>::max());
  }
  return static_cast<std::int32_t>(year);
}

/// Every line of output ends in CR LF; only the last may lack it, and only when allowed.
inline void RequireCrLfLines(std::string_view output, bool lastMayLackEnd, const char* what) {
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\r') Require(i + 1 < output.size() && output[i + 1] == '\n', what, output.substr(i > 60 ? i - 60 : 0, 80));
    if (output[i] == '\n') Require(i > 0 && output[i - 1] == '\r', what, output.substr(i > 60 ? i - 60 : 0, 80));
  }
  if (!output.empty() && !output.ends_with("\r\n")) Require(lastMayLackEnd, what, "the last line has no CR LF");
}

}  // namespace gedfuzz
