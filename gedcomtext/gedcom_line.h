// gedcom_line.h - splitting one GEDCOM line into level, tag and value, and identifier helpers.
#pragma once

#include <bit>          // std::countr_zero, std::endian
#include <cstddef>      // std::size_t
#include <cstring>      // std::memcpy
#include <cstdint>      // std::int32_t, std::uint64_t
#include <limits>       // std::numeric_limits
#include <string>       // std::string
#include <string_view>  // std::string_view

namespace gedtext {

/// Largest level, year or count that a decimal run of digits can yield: longer runs saturate.
inline constexpr std::int32_t kSaturatedNumber = std::numeric_limits<std::int32_t>::max();

/// One line split into its fields. tag and value point into the line that was split and stay
/// valid as long as it does.
struct GedcomLine {
  std::int32_t level = 0;  ///< 0 when the line has no digits; saturates at kSaturatedNumber
  std::string_view tag;
  std::string_view value;
  /// False for a line that is not blank but whose first byte after spaces and tabs is no digit
  /// (such as the rest of a note that held a bare line feed). Such a line never starts a record.
  bool hasLevel = true;
};

/// The splitter's white space: space, tab, LF, VT, FF and CR. Bytes above 127 are not.
constexpr bool IsGedcomSpace(unsigned char c) {
  constexpr std::uint64_t kSpaceBits = (std::uint64_t{1} << ' ') | (std::uint64_t{1} << '\t') |
                                       (std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\v') |
                                       (std::uint64_t{1} << '\f') | (std::uint64_t{1} << '\r');
  return c <= ' ' && ((kSpaceBits >> c) & 1) != 0;
}
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

/// The first white-space byte of line at or after pos, or the line's size when there is none.
/// Looks at eight bytes at a time where the line has them: a byte below '!' is found with a few
/// arithmetic steps, and only such a byte can be white space.
inline std::size_t FindGedcomSpace(std::string_view line, std::size_t pos) {
  const std::size_t size = line.size();
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (size - pos >= sizeof(std::uint64_t)) {
      std::uint64_t word;
      std::memcpy(&word, line.data() + pos, sizeof word);
      // The lowest byte flagged is the first one below '!' (bytes above 127 never are); flags
      // above it can be false, so only it is used.
      const std::uint64_t belowBang = (word - kEveryByte * '!') & ~word & kHighBits;
      if (belowBang == 0) {
        pos += sizeof word;
        continue;
      }
      pos += static_cast<std::size_t>(std::countr_zero(belowBang)) / 8;
      if (IsGedcomSpace(static_cast<unsigned char>(line[pos]))) return pos;
      ++pos;  // a control byte that is no white space belongs to the tag
    }
  }
  while (pos < size && !IsGedcomSpace(static_cast<unsigned char>(line[pos]))) ++pos;
  return pos;
}

/// Splits a line whose level has been read, from pos on: skip white space, tag up to white
/// space, one separator skipped, the rest is the value.
inline void SplitTagAndValue(std::string_view line, std::size_t pos, GedcomLine& result) {
  const std::size_t size = line.size();
  while (pos < size && IsGedcomSpace(static_cast<unsigned char>(line[pos]))) ++pos;
  const std::size_t tagStart = pos;
  pos = FindGedcomSpace(line, pos);
  result.tag = std::string_view(line.data() + tagStart, pos - tagStart);
  if (pos < size) ++pos;  // exactly one separator; further blanks belong to the value
  result.value = std::string_view(line.data() + pos, size - pos);
}

/// SplitGedcomLine for lines that do not start with one level digit and a space.
GedcomLine SplitGedcomLineInGeneral(std::string_view line);

/// Splits a line (without its terminator): skip white space, level digits, skip white space,
/// tag up to white space, one separator skipped, the rest is the value.
inline GedcomLine SplitGedcomLine(std::string_view line) {
  // Nearly every line starts with one level digit and a space: no leading blanks to skip and
  // no number that could saturate.
  if (line.size() >= 2 && IsDigit(static_cast<unsigned char>(line[0])) && line[1] == ' ') {
    GedcomLine result;
    result.level = line[0] - '0';
    SplitTagAndValue(line, 2, result);
    return result;
  }
  return SplitGedcomLineInGeneral(line);
}

/// True for an empty line or one of spaces and tabs only; such lines are no GEDCOM lines.
inline bool IsBlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

/// True when the line's first byte is a digit from 1 to 9: the line then has a level, the level
/// is not 0, and the line is not blank, so it cannot start a record. Tells this without a split.
constexpr bool StartsWithNonZeroLevel(std::string_view line) {
  return !line.empty() && line.front() >= '1' && line.front() <= '9';
}

/// True when the line's last byte is '@'. A value that is not empty ends its line, so a line for
/// which this is false has no identifier-shaped value. Tells this without a split.
constexpr bool MayEndInIdentifier(std::string_view line) {
  return !line.empty() && line.back() == '@';
}

/// True when the first and the last character are '@' (a lone "@" counts).
constexpr bool IsIdentifierShaped(std::string_view text) {
  return !text.empty() && text.front() == '@' && text.back() == '@';
}

/// Removes every '@' from text. The result overwrites out, whose capacity is reused.
void StripAt(std::string_view text, std::string& out);
std::string StripAt(std::string_view text);

/// StripAt(text) without a copy where one is not needed: for an identifier with '@' only at its
/// two ends (nearly every one) the view between them; otherwise StripAt(text, scratch) and a
/// view of scratch. The view lives as long as text and scratch stay unchanged.
inline std::string_view StrippedIdentifier(std::string_view text, std::string& scratch) {
  if (text.size() >= 2 && text.front() == '@' && text.back() == '@') {
    const std::string_view inner = text.substr(1, text.size() - 2);
    if (inner.find('@') == std::string_view::npos) return inner;
  }
  StripAt(text, scratch);
  return scratch;
}

/// The number formed by the run of digits at the very end of value, ignoring trailing white
/// space; 0 when there is none. Saturates at kSaturatedNumber.
std::int32_t TrailingYear(std::string_view value);

/// Reads a run of decimal digits at the start of text, saturating; 0 when there is none.
std::int32_t ParseSaturatedDigits(std::string_view text, std::size_t* consumed = nullptr);

}  // namespace gedtext
