// fuzz_casefix.cpp - the case converter on any bytes with every option: it never changes a
// line's level, tag or the number of lines, changes nothing but the case of ASCII letters in
// the values it converts, copies every other line whole, and ends every line in CR LF (but a
// copied last line that had no line end).
#include <cstddef>  // std::size_t
#include <cstdint>  // std::uint8_t
#include <sstream>  // std::istringstream, std::ostringstream

#include "case_conversion.h"
#include "fuzz_support.h"

namespace {

class SilentHook : public gedtext::ProgressHook {
 public:
  void SetStatus(std::string_view) override {}
  void Show(int) override {}
  bool AskStop() override { return false; }
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

/// True for a line like "\f1 NAME x": a level after white space other than spaces and tabs.
bool StartsWithLevelAfterControl(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && gedfuzz::IsSpace(static_cast<unsigned char>(text[i]))) ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

bool Convertible(const gedfuzz::Fields& fields, bool places) {
  if (!fields.hasLevel) return false;
  if (fields.level == 1 && (fields.tag == "NAME" || fields.tag == "ALIA")) return true;
  if (fields.level == 2 && (fields.tag == "SURN" || fields.tag == "GIVN")) return true;
  return places && fields.tag == "PLAC";
}

}  // namespace

extern "C" int GEDTOOLS_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size) {
  gedfuzz::Choices choices(data, size);
  casefix::CaseConversionOptions options;
  const std::uint8_t flags = choices.Byte();
  options.upperCase = flags & 1;
  options.surnameOnly = (flags & 2) != 0;
  options.convertPlaces = (flags & 4) != 0;
  const std::string input(choices.Rest());

  std::istringstream source(input, std::ios::in | std::ios::binary);
  std::ostringstream destination(std::ios::out | std::ios::binary);
  SilentHook hook;
  const casefix::CaseConversionResult result = casefix::RunCaseConversion(source, destination, options, hook);
  const std::string output = destination.str();

  if (result.failure == casefix::CaseConversionFailure::Utf16Source) {
    gedfuzz::Require(output.empty(), "a refused UTF-16 source writes nothing");
    return 0;
  }
  gedfuzz::Require(result.outcome == gedtext::JobOutcome::Completed, "a conversion into memory completes");

  bool inputMark = false;
  bool outputMark = false;
  const auto in = gedfuzz::SplitLines(input, &inputMark);
  const auto out = gedfuzz::SplitLines(output, &outputMark);
  gedfuzz::Require(inputMark == outputMark, "a byte-order mark is kept, and only then written");
  const bool lastUnterminated = !in.empty() && !in.back().terminated;
  gedfuzz::RequireCrLfLines(std::string_view(output).substr(outputMark ? 3 : 0), lastUnterminated,
                            "every converted line ends in CR LF");
  gedfuzz::Require(in.size() == out.size(), "the line count is unchanged");
  for (std::size_t i = 0; i < in.size(); ++i) {
    const gedfuzz::Fields before = gedfuzz::SplitFields(in[i].text);
    const gedfuzz::Fields after = gedfuzz::SplitFields(out[i].text);
    gedfuzz::Require(before.level == after.level, "the level is unchanged", in[i].text);
    gedfuzz::Require(before.tag == after.tag, "the tag is unchanged", in[i].text);
    // The converter takes a level after a form feed or vertical tab as a level, as the line
    // splitter does, and may convert such a line; only lines without digits are copied for sure.
    if (Convertible(before, options.convertPlaces) || (!before.hasLevel && StartsWithLevelAfterControl(in[i].text))) {
      gedfuzz::Require(EqualIgnoringAsciiCase(before.value, after.value),
                       "a converted value changes only the case of ASCII letters", in[i].text);
    } else {
      gedfuzz::Require(in[i].text == out[i].text, "a line that is not converted is copied whole", in[i].text);
    }
  }
  return 0;
}
