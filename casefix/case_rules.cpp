// case_rules.cpp - the four ASCII-only case rules applied to NAME, ALIA, SURN, GIVN and PLAC values.
#include <algorithm>  // std::min
#include <array>      // std::array
#include <cstddef>    // std::size_t
#include <cstring>    // std::memcpy
#include <span>       // std::span

#if defined(__SSE2__)
#include <emmintrin.h>  // _mm_loadu_si128, _mm_cmplt_epi8, _mm_movemask_epi8
#endif

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

namespace {

// CapitalizeWords from pos on, where wordStart tells whether the byte before pos ended a word.
void CapitalizeWordsFrom(std::span<char> value, std::size_t pos, bool wordStart) {
  // Every byte goes through the upper-case table at a word start and the lower-case one
  // elsewhere; bytes that are no letters map to themselves in both. Only "Mc" takes a branch.
  const std::size_t size = value.size();
  for (; pos < size; ++pos) {
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

#if defined(__SSE2__)
constexpr std::size_t kChunk = 16;
static_assert(kCapitalizeRoom == kChunk - 1, "the last chunk may start at the value's last byte");

// Bytes whose value, moved by offset, lies in [first, first + count): SSE2 compares are
// signed, so the range is moved to the bottom of the signed bytes.
__m128i InRange(__m128i bytes, char first, int count) {
  const __m128i moved = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(-128 - first)));
  return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + count)));
}

// Capitalises the 16 bytes at p, none of which starts an "Mc" (the caller checked); returns
// whether the last of them is a word byte, which tells whether the next byte starts a word.
bool CapitalizeChunk(char* p, bool previousIsWord) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i caseBit = _mm_set1_epi8(static_cast<char>(kCaseBit));
  const __m128i folded = _mm_or_si128(bytes, caseBit);
  const __m128i letters = InRange(folded, 'a', 26);
  const __m128i words = _mm_or_si128(_mm_or_si128(letters, InRange(bytes, '0', 10)),
                                     _mm_cmplt_epi8(bytes, _mm_setzero_si128()));
  // Byte i starts a word when byte i - 1 is no word byte; byte 0 looks at the chunk before.
  const __m128i before = _mm_or_si128(_mm_slli_si128(words, 1),
                                      _mm_cvtsi32_si128(previousIsWord ? 0xFF : 0));
  const __m128i starts = _mm_andnot_si128(before, letters);
  // Letters are lowered by setting the case bit, and word starts raised by flipping it back.
  const __m128i lowered = _mm_or_si128(bytes, _mm_and_si128(letters, caseBit));
  const __m128i result = _mm_xor_si128(lowered, _mm_and_si128(starts, caseBit));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), result);
  return (_mm_movemask_epi8(words) >> (kChunk - 1)) != 0;
}

// True when an "m" in the 16 bytes at p is followed by a "c" (either case), or the last byte is
// an "m": the "Mc" rule may apply, and the bytes are left to CapitalizeWordsFrom.
bool MayHoldMc(const char* p) {
  const __m128i folded = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                      _mm_set1_epi8(static_cast<char>(kCaseBit)));
  const auto ms = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, _mm_set1_epi8('m'))));
  const auto cs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, _mm_set1_epi8('c'))));
  return (ms & ((cs >> 1) | (1u << (kChunk - 1)))) != 0;
}
#endif

}  // namespace

namespace {

// CapitalizeWords sixteen bytes at a time. With room after the value the last few bytes are
// converted in place with the bytes that follow: a byte's result depends only on it and the
// byte before, so what follows changes nothing in the value, and of what follows only letters
// change. Without room they go through a padded copy (zero bytes are no word bytes and no
// letters, so they change nothing before them).
void CapitalizeWordsByChunks(std::span<char> value, bool roomAfter) {
#if defined(__SSE2__)
  bool previousIsWord = false;
  for (std::size_t pos = 0; pos < value.size(); pos += kChunk) {
    const std::size_t count = std::min(kChunk, value.size() - pos);
    const bool copied = count < kChunk && !roomAfter;
    std::array<char, kChunk> padded{};
    char* chunk = value.data() + pos;
    if (copied) {
      std::memcpy(padded.data(), chunk, count);
      chunk = padded.data();
    }
    // An "m" and "c" found past the value only send it the slow way, which stops at its end.
    if (MayHoldMc(chunk)) {
      CapitalizeWordsFrom(value, pos, !previousIsWord);
      return;
    }
    previousIsWord = CapitalizeChunk(chunk, previousIsWord);
    if (copied) std::memcpy(value.data() + pos, padded.data(), count);
  }
#else
  (void)roomAfter;
  CapitalizeWordsFrom(value, 0, true);
#endif
}

}  // namespace

void CapitalizeWords(std::span<char> value) { CapitalizeWordsByChunks(value, false); }

void CapitalizeWordsWithRoom(std::span<char> value) { CapitalizeWordsByChunks(value, true); }

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
