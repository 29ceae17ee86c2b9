// initials.cpp - given names to initials, one character (not one byte) at a time.
#include "initials.h"

#include <cstddef>  // std::size_t

namespace privatize {

namespace {

bool IsContinuationByte(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

/// Length in bytes of the character starting at pos: a UTF-8 lead byte takes the continuation
/// bytes that follow it, up to what the lead byte announces; every other byte stands alone.
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t expected = 1;
  if (lead >= 0xC0 && lead <= 0xDF) {
    expected = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    expected = 3;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    expected = 4;
  }
  std::size_t length = 1;
  while (length < expected && pos + length < text.size() &&
         IsContinuationByte(static_cast<unsigned char>(text[pos + length]))) {
    ++length;
  }
  return length;
}

bool IsWordCharacter(unsigned char first) {
  return first >= 0x80 || (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') ||
         (first >= '0' && first <= '9') || first == '\'';
}

}  // namespace

void ReduceToInitials(std::string_view value, std::string& out) {
  out.clear();
  bool inSurname = false;
  bool atWordStart = true;
  std::size_t pos = 0;
  while (pos < value.size()) {
    const auto first = static_cast<unsigned char>(value[pos]);
    const std::size_t length = CharacterLength(value, pos);
    const std::string_view character = value.substr(pos, length);
    pos += length;
    if (first == '/') {
      inSurname = !inSurname;
      out.append(character);
    } else if (!IsWordCharacter(first)) {
      atWordStart = true;
      out.append(character);
    } else if (inSurname) {
      out.append(character);
    } else if (atWordStart) {
      atWordStart = false;
      out.append(character);
    }
  }
}

std::string ReduceToInitials(std::string_view value) {
  std::string out;
  ReduceToInitials(value, out);
  return out;
}

}  // namespace privatize
