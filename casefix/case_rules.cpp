// case_rules.cpp - the four ASCII-only case rules applied to NAME, ALIA, SURN, GIVN and PLAC values.
#include <array>    // std::array
#include <cstddef>  // std::size_t
#include <span>     // std::span

#include "case_conversion.h"

namespace casefix {
namespace {

constexpr bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr char ToUpper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char ToLower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Bytes above 127 are parts of UTF-8 (or other 8-bit) letters: treating them as separators
// would capitalise the letter after every accented one (MÜLLER must not become MÜLler).
constexpr bool IsWordByte(unsigned char c) {
  return IsLower(static_cast<char>(c)) || IsUpper(static_cast<char>(c)) || (c >= '0' && c <= '9') ||
         c > 127;
}

// The same test as a table, one load per byte in the loops over whole values.
constexpr std::array<bool, 256> kWordBytes = [] {
  std::array<bool, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c) table[c] = IsWordByte(static_cast<unsigned char>(c));
  return table;
}();

constexpr bool IsWordCharacter(char c) { return kWordBytes[static_cast<unsigned char>(c)]; }

// The bit that tells an ASCII lower-case letter from its upper-case one.
constexpr unsigned char kCaseBit = 'a' - 'A';

constexpr std::array<unsigned char, 256> CaseTable(char (*convert)(char)) {
  std::array<unsigned char, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c) {
    table[c] = static_cast<unsigned char>(convert(static_cast<char>(c)));
  }
  return table;
}
constexpr std::array<unsigned char, 256> kUpperBytes = CaseTable(ToUpper);
constexpr std::array<unsigned char, 256> kLowerBytes = CaseTable(ToLower);

// Upper-cases value[pos], which starts a word. Returns true when it made an "Mc": the "c"
// after it is lowered and consumed (pos advanced), and the next character starts a word again.
bool StartWord(std::span<char> value, std::size_t& pos, std::size_t end) {
  value[pos] = ToUpper(value[pos]);
  if (value[pos] == 'M' && pos + 1 < end && (value[pos + 1] == 'c' || value[pos + 1] == 'C')) {
    value[pos + 1] = 'c';
    ++pos;
    return true;
  }
  return false;
}

// The part between the first "/" and the next one (or the end): [begin, end). Empty and
// begin == value.size() when there is no "/".
struct SurnameRange {
  std::size_t begin;
  std::size_t end;
};

SurnameRange FindSurname(std::span<const char> value) {
  std::size_t begin = 0;
  while (begin < value.size() && value[begin] != '/') ++begin;
  if (begin == value.size()) return {begin, begin};
  ++begin;
  std::size_t end = begin;
  while (end < value.size() && value[end] != '/') ++end;
  return {begin, end};
}

}  // namespace

void UppercaseAll(std::span<char> value) {
  for (char& c : value) c = ToUpper(c);
}

void CapitalizeWords(std::span<char> value) {
  // Every byte goes through the upper-case table at a word start and the lower-case one
  // elsewhere; bytes that are no letters map to themselves in both. Only "Mc" takes a branch.
  bool wordStart = true;
  const std::size_t size = value.size();
  for (std::size_t pos = 0; pos < size; ++pos) {
    const auto c = static_cast<unsigned char>(value[pos]);
    if (wordStart && (c | kCaseBit) == 'm' && pos + 1 < size &&
        (static_cast<unsigned char>(value[pos + 1]) | kCaseBit) == 'c') {
      value[pos] = 'M';
      value[pos + 1] = 'c';
      ++pos;  // the letter after "Mc" starts a word again
      continue;
    }
    value[pos] = static_cast<char>(wordStart ? kUpperBytes[c] : kLowerBytes[c]);
    wordStart = !kWordBytes[c];
  }
}

void UppercaseSurname(std::span<char> value) {
  const SurnameRange surname = FindSurname(value);
  UppercaseAll(value.subspan(surname.begin, surname.end - surname.begin));
}

void CapitalizeSurname(std::span<char> value) {
  const SurnameRange surname = FindSurname(value);
  bool wordStart = true;
  for (std::size_t pos = surname.begin; pos < surname.end; ++pos) {
    const char c = value[pos];
    if (c == ' ') {
      wordStart = true;
    } else if (wordStart) {
      wordStart = StartWord(value, pos, surname.end);
    } else {
      value[pos] = ToLower(c);
    }
  }
}

}  // namespace casefix
