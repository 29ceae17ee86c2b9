// case_conversion.cpp - the one-pass line rewriter for name and place case conversion.
#include "case_conversion.h"

#include <algorithm>  // std::equal
#include <array>      // std::array
#include <bit>        // std::bit_cast
#include <cstdint>    // std::uint32_t
#include <cstring>    // std::memcmp
#include <limits>     // std::numeric_limits
#include <string>     // std::string

#include "gedcom_line.h"
#include "block_writer.h"
#include "line_reader.h"
#include "output_buffer.h"

namespace casefix {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kFullPercent = 100;
// Output is gathered into one reused string and handed to the stream in blocks of about this
// size, so the per-line cost is an append, not a stream call.
constexpr std::size_t kOutputBlockSize = std::size_t{1} << 18;
// Room for the line that takes the output past the block size before it is written.
constexpr std::size_t kSpareBytes = std::size_t{1} << 16;

using CaseRule = void (*)(std::span<char>);

// The counts are 32-bit for the messages; a file with more lines than that keeps the largest.
void Count(std::int32_t& count) {
  if (count < std::numeric_limits<std::int32_t>::max()) ++count;
}

// Sizes the source from its current position to its end and seeks back. 0 when the stream
// cannot seek; progress then jumps to 100 at the end.
std::uint64_t RemainingSize(std::istream& source) {
  const std::istream::pos_type start = source.tellg();
  if (start == std::istream::pos_type(-1)) {
    source.clear();
    return 0;
  }
  source.seekg(0, std::ios::end);
  const std::istream::pos_type end = source.tellg();
  source.clear();
  source.seekg(start);
  if (end == std::istream::pos_type(-1) || end < start) return 0;
  return static_cast<std::uint64_t>(end - start);
}

// Everything one pass needs, with buffers reused for every line.
class Converter {
 public:
  Converter(std::istream& source, std::ostream& destination, const CaseConversionOptions& options,
            gedtext::ProgressHook& hook)
      : reader(source, gedtext::LineReader::kDefaultBlockSize,
               gedtext::LineReader::ReadAhead::OnSecondThread),
        options(options),
        hook(hook),
        wholeValueRule(options.upperCase ? &UppercaseAll : &CapitalizeWords),
        nameRule(NameRule(options)),
        writer(destination, kOutputBlockSize, kSpareBytes) {}

  CaseConversionResult Run(std::uint64_t sourceSize);

 private:
  static CaseRule NameRule(const CaseConversionOptions& options) {
    if (options.surnameOnly) return options.upperCase ? &UppercaseSurname : &CapitalizeSurname;
    return options.upperCase ? &UppercaseAll : &CapitalizeWords;
  }

  void ConvertLine(std::string_view line);
  // Appends level, a space, tag, a space, value converted by rule (unless rule is null) and
  // CR LF, for line, which holds tag and value; counts the line in *changedCount, unless that
  // is null, when the rule changed the value.
  void AppendConvertedLine(std::string_view line, std::string_view level, std::string_view tag,
                           std::string_view value, CaseRule rule, std::int32_t* changedCount);
  // Copies line as it is, with CR LF unless it is the last line and had no line end.
  void CopyLine(std::string_view line) {
    if (reader.LastHadTerminator()) {
      writer.Buffer().AppendLine(line);
    } else {
      writer.Buffer().Append(line);
    }
  }
  bool ReportProgress(std::uint64_t sourceSize);
  CaseConversionResult Fail(CaseConversionFailure failure);

  gedtext::LineReader reader;
  const CaseConversionOptions& options;
  gedtext::ProgressHook& hook;
  CaseRule wholeValueRule;
  CaseRule nameRule;
  gedtext::BlockWriter writer;
  int lastPercent = 0;
  std::uint64_t nextPercentAt = 0;
  CaseConversionResult result;
};

// True when line reads exactly level, a space, tag, a space and value, as the rewritten line
// would: it can then be copied whole and its value converted in the copy. tag and value are
// the splitter's views into line.
bool AlreadyInWrittenForm(std::string_view line, std::string_view level, std::string_view tag,
                          std::string_view value) {
  const std::size_t tagAt = level.size() + 1;
  const std::size_t valueAt = tagAt + tag.size() + 1;
  // level is the line's own digits or a one-digit text.
  const bool levelAtStart =
      level.data() == line.data() || (level.size() == 1 && !line.empty() && line[0] == level[0]);
  return line.size() == valueAt + value.size() && levelAtStart && line[level.size()] == ' ' &&
         tag.data() == line.data() + tagAt && line[valueAt - 1] == ' ' &&
         (value.empty() || value.data() == line.data() + valueAt);
}

void Converter::AppendConvertedLine(std::string_view line, std::string_view level,
                                    std::string_view tag, std::string_view value, CaseRule rule,
                                    std::int32_t* changedCount) {
  gedtext::OutputBuffer& output = writer.Buffer();
  std::span<char> written;
  if (AlreadyInWrittenForm(line, level, tag, value)) {
    written = output.AppendLineEditable(line).last(value.size());
  } else {
    output.Append(level);
    output.Append(" ");
    output.Append(tag);
    output.Append(" ");
    written = output.AppendEditable(value);
    output.Append(kLineEnd);
  }
  if (rule == nullptr) return;
  // The value is followed by its line end and the rest of the buffer.
  if (rule == &CapitalizeWords && output.Room() + kLineEnd.size() >= kCapitalizeRoom) {
    CapitalizeWordsWithRoom(written);
  } else {
    rule(written);
  }
  if (changedCount != nullptr && !std::equal(written.begin(), written.end(), value.begin())) {
    Count(*changedCount);
  }
}

// The level's digits as the line has them, without leading zeros ("03" gives "3"), so that a
// rewritten line keeps its level exactly, however long the run of digits; empty when the line
// has no level. Leading white space is skipped as the splitter skips it, VT and FF included.
std::string_view LevelDigits(std::string_view line) {
  std::size_t pos = 0;
  while (pos < line.size() && gedtext::IsGedcomSpace(static_cast<unsigned char>(line[pos]))) ++pos;
  const std::size_t start = pos;
  while (pos < line.size() && gedtext::IsDigit(static_cast<unsigned char>(line[pos]))) ++pos;
  std::string_view digits = line.substr(start, pos - start);
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

// Reads the first line, if there is one, and tells whether the source must be refused as
// UTF-16: it starts with a UTF-16 byte-order mark (FF FE or FE FF after a UTF-8 mark are not at
// the start), or its first line, however long, holds a NUL byte.
bool ReadFirstLineRefusingUtf16(gedtext::LineReader& reader, std::string_view& line, bool& haveLine) {
  haveLine = false;
  const std::string_view head = reader.PeekHead();
  if (!reader.HadByteOrderMark() && (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))) {
    return true;
  }
  haveLine = reader.Next(line);
  return haveLine && line.find('\0') != std::string_view::npos;
}

// True when the line starts, after white space, with a digit. Nearly every line starts with
// the digit itself.
bool StartsWithLevel(std::string_view line) {
  if (!line.empty() && gedtext::IsDigit(static_cast<unsigned char>(line[0]))) return true;
  return !LevelDigits(line).empty();
}

// The four bytes of a converted tag as one number, in memory order.
constexpr std::size_t kTagLength = 4;
using TagBytes = std::array<char, kTagLength>;
constexpr auto kName = std::bit_cast<std::uint32_t>(TagBytes{'N', 'A', 'M', 'E'});
constexpr auto kAlia = std::bit_cast<std::uint32_t>(TagBytes{'A', 'L', 'I', 'A'});
constexpr auto kSurn = std::bit_cast<std::uint32_t>(TagBytes{'S', 'U', 'R', 'N'});
constexpr auto kGivn = std::bit_cast<std::uint32_t>(TagBytes{'G', 'I', 'V', 'N'});
constexpr auto kPlac = std::bit_cast<std::uint32_t>(TagBytes{'P', 'L', 'A', 'C'});

// The first four bytes at bytes as one number, to compare with the constants above.
std::uint32_t TagNumber(const char* bytes) {
  std::uint32_t number = 0;
  std::memcpy(&number, bytes, kTagLength);
  return number;
}

// True when the line is surely none of the lines converted: it starts with one level digit, a
// space and a tag whose first four bytes are those of no converted tag. Tells most lines apart
// without splitting them; false means only that the line must be split to know.
bool SurelyNotConverted(std::string_view line) {
  constexpr std::size_t kTagStart = 2;
  if (line.size() < kTagStart + kTagLength || !gedtext::IsDigit(static_cast<unsigned char>(line[0])) ||
      line[1] != ' ' || gedtext::IsGedcomSpace(static_cast<unsigned char>(line[kTagStart]))) {
    return false;
  }
  const std::uint32_t head = TagNumber(line.data() + kTagStart);
  return head != kName && head != kAlia && head != kSurn && head != kGivn && head != kPlac;
}

void Converter::ConvertLine(std::string_view line) {
  if (SurelyNotConverted(line)) {
    CopyLine(line);
    return;
  }
  const gedtext::GedcomLine fields = gedtext::SplitGedcomLine(line);
  const std::string_view tag = fields.tag;
  // Every tag converted has four letters. A line that does not start with a level (such as the
  // rest of a note broken by a bare line end) is text, never a tag, whatever its words look like.
  const bool isGedcomLine = tag.size() == kTagLength && StartsWithLevel(line);
  const std::uint32_t tagNumber = isGedcomLine ? TagNumber(tag.data()) : 0;

  if (isGedcomLine && fields.level == 1 && (tagNumber == kName || tagNumber == kAlia)) {
    // A pointer value names a record, and identifiers are case-sensitive.
    const CaseRule rule = gedtext::IsIdentifierShaped(fields.value) ? nullptr : nameRule;
    AppendConvertedLine(line, "1", tag, fields.value, rule, &result.namesChanged);
  } else if (isGedcomLine && fields.level == 2 &&
             (tagNumber == kSurn || (tagNumber == kGivn && !options.surnameOnly))) {
    AppendConvertedLine(line, "2", tag, fields.value, wholeValueRule, nullptr);
  } else if (isGedcomLine && options.convertPlaces && tagNumber == kPlac) {
    AppendConvertedLine(line, LevelDigits(line), tag, fields.value, wholeValueRule,
                        &result.placesChanged);
  } else {
    CopyLine(line);
  }
}

// Returns true when the user asked to stop.
bool Converter::ReportProgress(std::uint64_t sourceSize) {
  if (sourceSize == 0 || reader.BytesConsumed() < nextPercentAt) return false;
  std::uint64_t percent = reader.BytesConsumed() * kFullPercent / sourceSize;
  // A source that grows while it is read must not push the bar past its end.
  if (percent > kFullPercent) percent = kFullPercent;
  // The first byte count that gives a higher whole percentage, so most lines skip the division.
  nextPercentAt = ((percent + 1) * sourceSize + kFullPercent - 1) / kFullPercent;
  if (static_cast<int>(percent) == lastPercent) return false;
  lastPercent = static_cast<int>(percent);
  hook.Show(lastPercent);
  return hook.AskStop();
}

CaseConversionResult Converter::Fail(CaseConversionFailure failure) {
  result.outcome = gedtext::JobOutcome::WriteFailed;
  result.failure = failure;
  return result;
}

CaseConversionResult Converter::Run(std::uint64_t sourceSize) {
  std::string_view line;
  bool haveLine = false;
  if (ReadFirstLineRefusingUtf16(reader, line, haveLine)) {
    return Fail(CaseConversionFailure::Utf16Source);
  }
  hook.SetStatus(StatusText(options));
  if (reader.HadByteOrderMark()) writer.Buffer().Append(gedtext::kUtf8ByteOrderMark);

  for (; haveLine; haveLine = reader.Next(line)) {
    // Progress counts the line just read, and a stop asked for now leaves that line unwritten;
    // the lines converted before it still reach the destination.
    if (ReportProgress(sourceSize)) {
      if (!writer.Finish()) return Fail(CaseConversionFailure::WriteError);
      result.outcome = gedtext::JobOutcome::Cancelled;
      return result;
    }
    ConvertLine(line);
    if (!writer.HandOverIfFull()) {
      return Fail(CaseConversionFailure::WriteError);
    }
  }
  if (!writer.Finish()) return Fail(CaseConversionFailure::WriteError);
  if (reader.ReadFailed()) return Fail(CaseConversionFailure::ReadError);
  hook.Show(kFullPercent);
  result.outcome = gedtext::JobOutcome::Completed;
  return result;
}

std::string FormatCounts(std::string_view format, std::int32_t names, std::int32_t places) {
  // Only the two %d of a fixed text are replaced; no user text reaches a format string.
  std::string text;
  const std::int32_t counts[] = {names, places};
  std::size_t next = 0;
  for (std::size_t pos = 0; pos < format.size(); ++pos) {
    if (format.compare(pos, 2, "%d") == 0 && next < 2) {
      text += std::to_string(counts[next++]);
      ++pos;
    } else {
      text += format[pos];
    }
  }
  return text;
}

}  // namespace

std::string_view StatusText(const CaseConversionOptions& options) {
  return options.convertPlaces ? kStatusNamesAndPlaces : kStatusNames;
}

std::string FinalMessageText(const CaseConversionResult& result,
                             const CaseConversionOptions& options) {
  if (result.outcome != gedtext::JobOutcome::Completed) return std::string(kAborted);
  return FormatCounts(options.upperCase ? kCompletedUppercase : kCompletedLowercase,
                      result.namesChanged, result.placesChanged);
}

std::string WarningText(const CaseConversionResult& result, std::string_view sourceName) {
  switch (result.failure) {
    case CaseConversionFailure::None:
      return {};
    case CaseConversionFailure::WriteError:
      return std::string(kErrorWriting);
    case CaseConversionFailure::ReadError:
      return std::string(kErrorReading);
    case CaseConversionFailure::Utf16Source:
      return std::string(sourceName) +
             " is a UTF-16 file, which cannot be converted. Save it as UTF-8 first.";
  }
  return {};
}

void MarkWriteFailed(CaseConversionResult& result) {
  result.outcome = gedtext::JobOutcome::WriteFailed;
  if (result.failure == CaseConversionFailure::None) result.failure = CaseConversionFailure::WriteError;
}

bool SourceIsUtf16(std::istream& source) {
  const std::istream::pos_type start = source.tellg();
  // What was read of a pipe could not be put back, and the pass would miss it.
  if (start == std::istream::pos_type(-1)) {
    source.clear();
    return false;
  }
  gedtext::LineReader reader(source);
  std::string_view line;
  bool haveLine = false;
  const bool utf16 = ReadFirstLineRefusingUtf16(reader, line, haveLine);
  source.clear();
  source.seekg(start);
  return utf16;
}

CaseConversionResult RunCaseConversion(std::istream& source, std::ostream& destination,
                                       const CaseConversionOptions& options,
                                       gedtext::ProgressHook& hook) {
  const std::uint64_t sourceSize = RemainingSize(source);
  Converter converter(source, destination, options, hook);
  return converter.Run(sourceSize);
}

}  // namespace casefix
