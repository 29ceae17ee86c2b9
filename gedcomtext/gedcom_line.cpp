// gedcom_line.cpp - the GEDCOM line splitter and identifier helpers.
#include "gedcom_line.h"

namespace gedtext {

std::int32_t ParseSaturatedDigits(std::string_view text, std::size_t* consumed) {
  std::int64_t number = 0;
  std::size_t pos = 0;
  while (pos < text.size() && IsDigit(static_cast<unsigned char>(text[pos]))) {
    if (number < kSaturatedNumber) {
      number = number * 10 + (text[pos] - '0');
      if (number > kSaturatedNumber) number = kSaturatedNumber;
    }
    ++pos;
  }
  if (consumed) *consumed = pos;
  return static_cast<std::int32_t>(number);
}

namespace {

std::size_t SkipGedcomSpace(std::string_view line, std::size_t pos) {
  while (pos < line.size() && IsGedcomSpace(static_cast<unsigned char>(line[pos]))) ++pos;
  return pos;
}

}  // namespace

GedcomLine SplitGedcomLineInGeneral(std::string_view line) {
  GedcomLine result;
  const std::size_t size = line.size();
  std::size_t firstNonBlank = 0;
  while (firstNonBlank < size && (line[firstNonBlank] == ' ' || line[firstNonBlank] == '\t')) {
    ++firstNonBlank;
  }
  result.hasLevel =
      firstNonBlank == size || IsDigit(static_cast<unsigned char>(line[firstNonBlank]));

  std::size_t pos = SkipGedcomSpace(line, 0);
  std::size_t digits = 0;
  result.level = ParseSaturatedDigits(line.substr(pos), &digits);
  SplitTagAndValue(line, pos + digits, result);
  return result;
}

void StripAt(std::string_view text, std::string& out) {
  out.clear();
  for (char c : text) {
    if (c != '@') out.push_back(c);
  }
}

std::string StripAt(std::string_view text) {
  std::string out;
  StripAt(text, out);
  return out;
}

std::int32_t TrailingYear(std::string_view value) {
  std::size_t end = value.size();
  while (end > 0 && IsGedcomSpace(static_cast<unsigned char>(value[end - 1]))) --end;
  std::size_t start = end;
  while (start > 0 && IsDigit(static_cast<unsigned char>(value[start - 1]))) --start;
  return ParseSaturatedDigits(value.substr(start, end - start));
}

}  // namespace gedtext
