// gedcom_line.h - splitting one GEDCOM line into level, tag and value, and identifier helpers.
#pragma once

#include <cstdint>      // std::int32_t
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
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

/// Splits a line (without its terminator): skip white space, level digits, skip white space,
/// tag up to white space, one separator skipped, the rest is the value.
GedcomLine SplitGedcomLine(std::string_view line);

/// True for an empty line or one of spaces and tabs only; such lines are no GEDCOM lines.
bool IsBlankLine(std::string_view line);

/// True when the first and the last character are '@' (a lone "@" counts).
constexpr bool IsIdentifierShaped(std::string_view text) {
  return !text.empty() && text.front() == '@' && text.back() == '@';
}

/// Removes every '@' from text. The result overwrites out, whose capacity is reused.
void StripAt(std::string_view text, std::string& out);
std::string StripAt(std::string_view text);

/// The number formed by the run of digits at the very end of value, ignoring trailing white
/// space; 0 when there is none. Saturates at kSaturatedNumber.
std::int32_t TrailingYear(std::string_view value);

/// Reads a run of decimal digits at the start of text, saturating; 0 when there is none.
std::int32_t ParseSaturatedDigits(std::string_view text, std::size_t* consumed = nullptr);

}  // namespace gedtext
