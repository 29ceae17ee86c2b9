// case_conversion_test.cpp - the conversion pass: line rules, normal forms, counts, progress and failures.
#include <gtest/gtest.h>

#include <algorithm>  // std::count, std::copy_n, std::min
#include <ios>        // std::ios_base::failure
#include <fstream>    // std::ifstream
#include <sstream>    // std::istringstream, std::ostringstream
#include <string>     // std::string
#include <vector>     // std::vector

#include "case_conversion.h"
#include "gedcom_line.h"
#include "line_reader.h"
#include "test_support.h"

namespace {

using casefix::CaseConversionFailure;
using casefix::CaseConversionOptions;
using casefix::CaseConversionResult;
using gedtext::JobOutcome;

struct Conversion {
  CaseConversionResult result;
  std::string output;
  gedtest::RecordingHook hook;
};

CaseConversionOptions Options(int upperCase, bool surnameOnly = false, bool convertPlaces = false) {
  CaseConversionOptions options;
  options.upperCase = upperCase;
  options.surnameOnly = surnameOnly;
  options.convertPlaces = convertPlaces;
  return options;
}

Conversion Convert(const std::string& input, const CaseConversionOptions& options, int stopAtCall = 0) {
  Conversion run{{}, {}, gedtest::RecordingHook(stopAtCall)};
  std::istringstream source(input, std::ios::binary);
  std::ostringstream destination(std::ios::binary);
  run.result = casefix::RunCaseConversion(source, destination, options, run.hook);
  run.output = destination.str();
  return run;
}

std::string ConvertText(const std::string& input, const CaseConversionOptions& options) {
  return Convert(input, options).output;
}

TEST(CaseConversionTest, NameLinesFollowTheChosenRule) {
  const std::string name = "1 NAME JOHN /MCDONALD/ jr\r\n";
  EXPECT_EQ(ConvertText(name, Options(0)), "1 NAME John /McDonald/ Jr\r\n");
  EXPECT_EQ(ConvertText(name, Options(1)), "1 NAME JOHN /MCDONALD/ JR\r\n");
  EXPECT_EQ(ConvertText(name, Options(0, true)), "1 NAME JOHN /McDonald/ jr\r\n");
  EXPECT_EQ(ConvertText("1 NAME john /smith/ jr\r\n", Options(1, true)),
            "1 NAME john /SMITH/ jr\r\n");
  EXPECT_EQ(ConvertText("1 ALIA JOHN /SMITH/\r\n", Options(0)), "1 ALIA John /Smith/\r\n");
}

TEST(CaseConversionTest, OnlyTheRecognisedLinesAreConverted) {
  const std::string input =
      "0 @I1@ INDI\r\n"
      "1 NAME JOHN /SMITH/\r\n"
      "2 GIVN JOHN\r\n"
      "2 SURN O'BRIEN\r\n"
      "2 NAME NESTED /NAME/\r\n"
      "1 name lower /tag/\r\n"
      "1 BIRT\r\n"
      "2 PLAC boston, suffolk\r\n"
      "3 NOTE SOME TEXT\r\n"
      "0 @R1@ REPO\r\n"
      "1 NAME CITY LIBRARY\r\n";
  EXPECT_EQ(ConvertText(input, Options(0)),
            "0 @I1@ INDI\r\n"
            "1 NAME John /Smith/\r\n"
            "2 GIVN John\r\n"
            "2 SURN O'Brien\r\n"
            "2 NAME NESTED /NAME/\r\n"
            "1 name lower /tag/\r\n"
            "1 BIRT\r\n"
            "2 PLAC boston, suffolk\r\n"
            "3 NOTE SOME TEXT\r\n"
            "0 @R1@ REPO\r\n"
            "1 NAME City Library\r\n");
  // Surname only: GIVN is copied, SURN still takes the whole-value rule, the slashed part of
  // the NAME only spaces split.
  EXPECT_EQ(ConvertText("1 NAME JOHN /O'BRIEN/\r\n2 GIVN JOHN\r\n2 SURN O'BRIEN\r\n",
                        Options(0, true)),
            "1 NAME JOHN /O'brien/\r\n2 GIVN JOHN\r\n2 SURN O'Brien\r\n");
  // Places at any level, and only when asked.
  const std::string places = "3 PLAC boston, suffolk, massachusetts\r\n1 PLAC x\r\n";
  EXPECT_EQ(ConvertText(places, Options(0, false, true)),
            "3 PLAC Boston, Suffolk, Massachusetts\r\n1 PLAC X\r\n");
  EXPECT_EQ(ConvertText(places, Options(1, true, true)),
            "3 PLAC BOSTON, SUFFOLK, MASSACHUSETTS\r\n1 PLAC X\r\n");
  EXPECT_EQ(ConvertText(places, Options(1)), places);
}

TEST(CaseConversionTest, ConvertedLinesAreWrittenInNormalForm) {
  const CaseConversionOptions options = Options(0, false, true);
  EXPECT_EQ(ConvertText("  01   NAME john\r\n", options), "1 NAME John\r\n");
  EXPECT_EQ(ConvertText("1 NAME\r\n", options), "1 NAME \r\n");
  EXPECT_EQ(ConvertText("\t2\tSURN\tsmith\r\n", options), "2 SURN Smith\r\n");
  EXPECT_EQ(ConvertText("002 GIVN  ann \r\n", options), "2 GIVN  Ann \r\n");  // value keeps blanks
  EXPECT_EQ(ConvertText("  012 PLAC paris\r\n", options), "12 PLAC Paris\r\n");
  // An unchanged value is still written in normal form, and a converted last line without a
  // line end gets one.
  EXPECT_EQ(ConvertText(" 1  NAME John /Smith/", options), "1 NAME John /Smith/\r\n");
  // Lines already in normal form are converted in a copy of the whole line: an empty value,
  // a level of two digits, a value that starts with a blank, a last line without a line end.
  EXPECT_EQ(ConvertText("1 NAME \r\n12 PLAC paris\r\n1 NAME  john\r\n2 SURN smith", options),
            "1 NAME \r\n12 PLAC Paris\r\n1 NAME  John\r\n2 SURN Smith\r\n");
  // Copied lines keep their blanks.
  EXPECT_EQ(ConvertText("  1   BIRT  \r\n", options), "  1   BIRT  \r\n");
  // VT and FF before the level are white space like blanks: the line has a level.
  EXPECT_EQ(ConvertText("\v1 NAME john\r\n\f \v2 SURN smith\r\n\f3 PLAC rome\r\n", options),
            "1 NAME John\r\n2 SURN Smith\r\n3 PLAC Rome\r\n");
  // A PLAC level is written as read, however many digits it has, without its leading zeros.
  EXPECT_EQ(ConvertText("0099999999999 PLAC rome\r\n000 PLAC oslo\r\n", options),
            "99999999999 PLAC Rome\r\n0 PLAC Oslo\r\n");
}

TEST(CaseConversionTest, CountsOnlyChangedNameAndPlaceLines) {
  const std::string input =
      "1 NAME John /SMITH/\r\n"   // changed
      "1 NAME John /Smith/\r\n"   // unchanged
      "1 ALIA JACK\r\n"           // changed
      "1 NAME JOHN\r\n"           // no slash: unchanged under surname only
      "2 SURN SMITH\r\n"          // never counted
      "2 GIVN JOHN\r\n"           // never counted
      "2 PLAC paris\r\n"          // changed
      "2 PLAC Paris\r\n";         // unchanged
  const Conversion lower = Convert(input, Options(0, false, true));
  EXPECT_EQ(lower.result.outcome, JobOutcome::Completed);
  EXPECT_EQ(lower.result.namesChanged, 3);
  EXPECT_EQ(lower.result.placesChanged, 1);
  EXPECT_EQ(casefix::FinalMessageText(lower.result, Options(0)),
            "Conversion to lowercase completed\n3 names changed, 1 places changed");

  const Conversion surnames = Convert(input, Options(0, true, false));
  EXPECT_EQ(surnames.result.namesChanged, 1);
  EXPECT_EQ(surnames.result.placesChanged, 0);

  const Conversion upper = Convert(input, Options(1, false, true));
  EXPECT_EQ(upper.result.namesChanged, 2);  // JACK and JOHN are upper case already
  EXPECT_EQ(upper.result.placesChanged, 2);
  EXPECT_EQ(casefix::FinalMessageText(upper.result, Options(1)),
            "Conversion to uppercase completed\n2 names changed, 2 places changed");

  const Conversion empty = Convert("", Options(1));
  EXPECT_EQ(empty.output, "");
  EXPECT_EQ(empty.result.outcome, JobOutcome::Completed);
  EXPECT_EQ(casefix::FinalMessageText(empty.result, Options(1)),
            "Conversion to uppercase completed\n0 names changed, 0 places changed");
  EXPECT_EQ(empty.hook.percents, std::vector<int>{100});
}

TEST(CaseConversionTest, ReadsWholeLinesOfAnyLengthAndEveryTerminator) {
  // A line far beyond any fixed buffer is converted or copied as one line.
  const std::string longName(5000, 'x');
  const std::string longNote = "1 NOTE " + std::string(3000, 'Y');
  const Conversion run = Convert("1 NAME " + longName + "\n" + longNote + "\n", Options(1));
  EXPECT_EQ(run.output, "1 NAME " + std::string(5000, 'X') + "\r\n" + longNote + "\r\n");
  EXPECT_EQ(run.result.namesChanged, 1);
  const std::string longTag(300, 'T');
  EXPECT_EQ(ConvertText("1 " + longTag + " v\n", Options(1)), "1 " + longTag + " v\r\n");

  // CR LF, LF CR, LF and CR each end one line; all become CR LF.
  EXPECT_EQ(ConvertText("1 NAME a\r\n1 NAME b\n\r1 NAME c\n1 NAME d\r1 NAME e", Options(1)),
            "1 NAME A\r\n1 NAME B\r\n1 NAME C\r\n1 NAME D\r\n1 NAME E\r\n");
}

TEST(CaseConversionTest, BlankAndLevelLessLinesAreCopiedAsRead) {
  // LF LF is a line and a blank line; a terminator pair counts once.
  EXPECT_EQ(ConvertText("0 HEAD\n\n1 NAME a\r\n\r\n", Options(1)),
            "0 HEAD\r\n\r\n1 NAME A\r\n\r\n");
  EXPECT_EQ(ConvertText("   \t\n", Options(1)), "   \t\r\n");
  // Text without a level is never taken for a tag, even when it reads like one.
  EXPECT_EQ(ConvertText("NAME john\nPLAC paris\r\n  x NAME y", Options(1, false, true)),
            "NAME john\r\nPLAC paris\r\n  x NAME y");
}

TEST(CaseConversionTest, PointerNamesStayUnchangedButInNormalForm) {
  const std::string input = "1 ALIA @i12@\r\n 01  NAME @i7@\r\n1 NAME @\r\n2 SURN @x@\r\n";
  for (int upper = 0; upper <= 1; ++upper) {
    const Conversion run = Convert(input, Options(upper));
    EXPECT_EQ(run.output, "1 ALIA @i12@\r\n1 NAME @i7@\r\n1 NAME @\r\n2 SURN @X@\r\n");
    EXPECT_EQ(run.result.namesChanged, 0);
  }
  // Only the whole value counts as a pointer.
  EXPECT_EQ(ConvertText("1 NAME @a b\r\n", Options(1)), "1 NAME @A B\r\n");
}

TEST(CaseConversionTest, ByteOrderMarkIsKeptAtTheStart) {
  const std::string bom = std::string(gedtext::kUtf8ByteOrderMark);
  EXPECT_EQ(ConvertText(bom + "0 HEAD\r\n1 NAME m\xC3\x9CLLER\r\n", Options(0)),
            bom + "0 HEAD\r\n1 NAME M\xC3\x9Cller\r\n");
  EXPECT_EQ(ConvertText(bom + "1 NAME x", Options(1)), bom + "1 NAME X\r\n");
  EXPECT_EQ(ConvertText(bom, Options(1)), bom);
}

TEST(CaseConversionTest, RefusesUtf16WithoutWritingAnything) {
  const std::string littleEndian("\xFF\xFE" "0\0 \0H\0E\0A\0D\0\r\0\n\0", 18);
  const std::string nulInFirstLine("0\0 \0H\0E\0A\0D\0\n\0", 14);
  for (const std::string& input : {littleEndian, nulInFirstLine, std::string("\xFE\xFF\0" "0", 4)}) {
    const Conversion run = Convert(input, Options(1));
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.result.outcome, JobOutcome::WriteFailed);
    EXPECT_EQ(run.result.failure, CaseConversionFailure::Utf16Source);
    const std::string warning = casefix::WarningText(run.result, "tree.ged");
    EXPECT_NE(warning.find("tree.ged"), std::string::npos);
    EXPECT_NE(warning.find("UTF-16"), std::string::npos);
    EXPECT_EQ(casefix::FinalMessageText(run.result, Options(1)),
              "Conversion aborted.\nAn invalid file might exist.");
    std::istringstream source(input, std::ios::binary);
    EXPECT_TRUE(casefix::SourceIsUtf16(source));
    EXPECT_EQ(source.tellg(), 0);
  }
  std::istringstream plain("0 HEAD\r\n1 NOTE \0", std::ios::binary);
  EXPECT_FALSE(casefix::SourceIsUtf16(plain));
  EXPECT_EQ(plain.tellg(), 0);

  // FF FE after a UTF-8 byte-order mark is not at the start, so no UTF-16 mark; a NUL in the
  // first line still is.
  const std::string bom = std::string(gedtext::kUtf8ByteOrderMark);
  std::istringstream marked(bom + "\xFF\xFE x\r\n", std::ios::binary);
  EXPECT_FALSE(casefix::SourceIsUtf16(marked));
  EXPECT_EQ(ConvertText(bom + "\xFE\xFF x\r\n1 NAME a", Options(1)), bom + "\xFE\xFF x\r\n1 NAME A\r\n");
  EXPECT_EQ(Convert(bom + std::string("0\0 \0H\0", 6), Options(1)).result.failure,
            CaseConversionFailure::Utf16Source);
  // The NUL may come late in a first line longer than any read block.
  const std::string longFirstLine = "0 " + std::string(gedtext::LineReader::kDefaultBlockSize + 10, 'x') +
                                    std::string(1, '\0') + "\r\n1 NAME a\r\n";
  EXPECT_EQ(Convert(longFirstLine, Options(1)).result.failure, CaseConversionFailure::Utf16Source);
  EXPECT_EQ(Convert(longFirstLine, Options(1)).output, "");
  std::istringstream longSource(longFirstLine, std::ios::binary);
  EXPECT_TRUE(casefix::SourceIsUtf16(longSource));
  EXPECT_EQ(longSource.tellg(), 0);
}

TEST(CaseConversionTest, ReportsStatusAndEveryPercentOnceEndingAt100) {
  std::string input;
  for (int i = 0; i < 1000; ++i) input += "1 NAME person /number/\n";  // LF only: 23 bytes a line
  const Conversion names = Convert(input, Options(0));
  EXPECT_EQ(names.hook.statuses, std::vector<std::string>{"Converting case of names"});
  ASSERT_EQ(names.hook.percents.size(), 101u);  // 1..100 while reading, then 100 at the end
  for (int percent = 1; percent <= 100; ++percent) EXPECT_EQ(names.hook.percents[percent - 1], percent);
  EXPECT_EQ(names.hook.percents.back(), 100);

  // Long lines move the bar several percent at once: 10, 80 and 10 of 100 bytes.
  const Conversion jumps =
      Convert("0 HEADER\r\n" + std::string(78, 'x') + "\r\n" + "1 NAME x\r\n", Options(0));
  EXPECT_EQ(jumps.hook.percents, (std::vector<int>{10, 90, 100, 100}));

  const Conversion places = Convert("1 PLAC x\r\n", Options(0, false, true));
  EXPECT_EQ(places.hook.statuses, std::vector<std::string>{"Converting case of names and places"});
  EXPECT_EQ(places.hook.percents, (std::vector<int>{100, 100}));
}

TEST(CaseConversionTest, CancelStopsAtAPercentChangeAndKeepsWhatWasWritten) {
  std::string input;
  for (int i = 0; i < 100; ++i) input += "1 NAME abcdefgh\r\n";  // 17 bytes: one percent a line
  const Conversion run = Convert(input, Options(1), /*stopAtCall=*/3);
  EXPECT_EQ(run.result.outcome, JobOutcome::Cancelled);
  EXPECT_EQ(run.result.failure, CaseConversionFailure::None);
  EXPECT_EQ(run.hook.percents, (std::vector<int>{1, 2, 3}));
  // The progress of a line is reported before it is converted, so the third line, whose
  // percentage was answered with a stop, is not written and not counted.
  EXPECT_EQ(run.output, "1 NAME ABCDEFGH\r\n1 NAME ABCDEFGH\r\n");
  EXPECT_EQ(run.result.namesChanged, 2);

  // A stop at the very first report leaves an empty destination (but a byte-order mark).
  const Conversion first = Convert("\xEF\xBB\xBF" "1 NAME a\r\n1 NAME b\r\n", Options(1), 1);
  EXPECT_EQ(first.result.outcome, JobOutcome::Cancelled);
  EXPECT_EQ(first.output, "\xEF\xBB\xBF");
  EXPECT_EQ(first.hook.percents, std::vector<int>{56});  // 3 + 10 of 23 bytes
  EXPECT_EQ(casefix::FinalMessageText(run.result, Options(1)),
            "Conversion aborted.\nAn invalid file might exist.");
}

TEST(CaseConversionTest, WriteErrorsEndTheJobAsWriteFailed) {
  std::string input;
  for (int i = 0; i < 50000; ++i) input += "1 NAME abcdefgh\r\n";
  for (std::size_t capacity : {std::size_t{0}, std::size_t{100}, input.size() - 1}) {
    gedtest::FailingStreambuf failing(capacity);
    std::ostream destination(&failing);
    std::istringstream source(input, std::ios::binary);
    gedtest::RecordingHook hook;
    const CaseConversionResult result =
        casefix::RunCaseConversion(source, destination, Options(0), hook);
    EXPECT_EQ(result.outcome, JobOutcome::WriteFailed) << capacity;
    EXPECT_EQ(result.failure, CaseConversionFailure::WriteError);
    EXPECT_EQ(casefix::WarningText(result, "a.ged"), "Error writing To file");
    EXPECT_LT(hook.percents.size(), 101u) << "no final 100 after a failed write";
  }
  // A failing close seen by the caller turns even a completed job into a failed one.
  CaseConversionResult closed;
  closed.namesChanged = 4;
  casefix::MarkWriteFailed(closed);
  EXPECT_EQ(closed.outcome, JobOutcome::WriteFailed);
  EXPECT_EQ(casefix::WarningText(closed, "a.ged"), "Error writing To file");
}

// Fails every read after the first `good` bytes, like a disk error in the middle of a file.
class FailingReadStreambuf : public std::streambuf {
 public:
  FailingReadStreambuf(std::string data, std::size_t good) : data(std::move(data)), good(good) {}

 protected:
  int_type underflow() override {
    if (offset >= good) throw std::ios_base::failure("read error");
    const std::size_t size = std::min(good - offset, std::size_t{64});
    std::copy_n(data.data() + offset, size, chunk);
    offset += size;
    setg(chunk, chunk, chunk + size);
    return traits_type::to_int_type(chunk[0]);
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    if (off == 0 && dir == std::ios_base::end) return pos_type(static_cast<off_type>(data.size()));
    if (off == 0 && dir == std::ios_base::cur) return pos_type(static_cast<off_type>(offset));
    return pos_type(off_type(-1));
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode) override {
    if (pos != pos_type(0) || offset > 0) return pos_type(off_type(-1));
    return pos;
  }

 private:
  std::string data;
  std::size_t good;
  std::size_t offset = 0;
  char chunk[64];
};

TEST(CaseConversionTest, ReadErrorIsNoCompletedJob) {
  std::string input;
  for (int i = 0; i < 100; ++i) input += "1 NAME abcdefgh\r\n";
  FailingReadStreambuf failing(input, 500);
  std::istream source(&failing);
  std::ostringstream destination(std::ios::binary);
  gedtest::RecordingHook hook;
  const CaseConversionResult result =
      casefix::RunCaseConversion(source, destination, Options(1), hook);
  EXPECT_EQ(result.outcome, JobOutcome::WriteFailed);
  EXPECT_EQ(result.failure, CaseConversionFailure::ReadError);
  EXPECT_EQ(casefix::WarningText(result, "a.ged"), "Error reading From file");
  EXPECT_TRUE(hook.percents.empty() || hook.percents.back() < 100);
}

// Hands out its text in small pieces and cannot seek, like a pipe.
class PipeStreambuf : public std::streambuf {
 public:
  explicit PipeStreambuf(std::string data) : data(std::move(data)) {}

 protected:
  int_type underflow() override {
    if (offset >= data.size()) return traits_type::eof();
    const std::size_t size = std::min(data.size() - offset, sizeof chunk);
    std::copy_n(data.data() + offset, size, chunk);
    offset += size;
    setg(chunk, chunk, chunk + size);
    return traits_type::to_int_type(chunk[0]);
  }

 private:
  std::string data;
  std::size_t offset = 0;
  char chunk[7];
};

TEST(CaseConversionTest, PipeSourceIsConvertedWhole) {
  PipeStreambuf pipe("0 HEAD\r\n1 NAME john /smith/\r\n0 TRLR\r\n");
  std::istream source(&pipe);
  // Examining a pipe would consume what the pass must read, since it cannot seek back.
  EXPECT_FALSE(casefix::SourceIsUtf16(source));
  std::ostringstream destination(std::ios::binary);
  gedtest::RecordingHook hook;
  const CaseConversionResult result =
      casefix::RunCaseConversion(source, destination, Options(0), hook);
  EXPECT_EQ(result.outcome, JobOutcome::Completed);
  EXPECT_EQ(result.namesChanged, 1);
  EXPECT_EQ(destination.str(), "0 HEAD\r\n1 NAME John /Smith/\r\n0 TRLR\r\n");
  EXPECT_EQ(hook.percents, std::vector<int>{100});  // no size, so only the final 100

  // The pass itself still refuses UTF-16 from a pipe, writing nothing.
  PipeStreambuf utf16Pipe(std::string("\xFF\xFE" "0\0 \0H\0", 8));
  std::istream utf16Source(&utf16Pipe);
  std::ostringstream untouched(std::ios::binary);
  const CaseConversionResult refused =
      casefix::RunCaseConversion(utf16Source, untouched, Options(0), hook);
  EXPECT_EQ(refused.failure, CaseConversionFailure::Utf16Source);
  EXPECT_EQ(untouched.str(), "");
}

// Every real sample converts without changing the shape of any line.
TEST(CaseConversionTest, SampleFilesKeepTheirLinesLevelsAndTags) {
  const std::vector<std::filesystem::path> samples = gedtest::SampleGedcomFiles();
  if (samples.empty()) GTEST_SKIP() << "no sample folder";
  for (const auto& file : samples) {
    const std::string input = gedtest::ReadFileBytes(file);
    for (int choice = 0; choice < 8; ++choice) {
      const CaseConversionOptions options = Options(choice & 1, (choice & 2) != 0, (choice & 4) != 0);
      const Conversion run = Convert(input, options);
      std::istringstream head(input, std::ios::binary);
      if (casefix::SourceIsUtf16(head)) {
        EXPECT_EQ(run.result.failure, CaseConversionFailure::Utf16Source) << file;
        EXPECT_EQ(run.output, "") << file;
        continue;
      }
      ASSERT_EQ(run.result.outcome, JobOutcome::Completed) << file;

      std::istringstream sourceStream(input, std::ios::binary);
      std::istringstream outputStream(run.output, std::ios::binary);
      gedtext::LineReader sourceLines(sourceStream);
      gedtext::LineReader outputLines(outputStream);
      std::string_view sourceLine, outputLine;
      std::size_t lines = 0;
      std::size_t outputOffset = 0;
      while (sourceLines.Next(sourceLine)) {
        ASSERT_TRUE(outputLines.Next(outputLine)) << file << " line " << lines;
        ++lines;
        const auto before = gedtext::SplitGedcomLine(sourceLine);
        const auto after = gedtext::SplitGedcomLine(outputLine);
        EXPECT_EQ(before.level, after.level) << file << " line " << lines;
        EXPECT_EQ(before.tag, after.tag) << file << " line " << lines;
        outputOffset = outputLines.BytesConsumed();
        const bool copiedLastLine = !sourceLines.LastHadTerminator() && sourceLine == outputLine;
        if (!copiedLastLine) {
          EXPECT_EQ(run.output.compare(outputOffset - 2, 2, "\r\n"), 0) << file << " line " << lines;
        }
      }
      EXPECT_FALSE(outputLines.Next(outputLine)) << file;
      EXPECT_EQ(outputOffset, run.output.size()) << file;
      EXPECT_EQ(sourceLines.HadByteOrderMark(), outputLines.HadByteOrderMark()) << file;
    }
  }
}

TEST(CaseConversionTest, ExampleFileCapitalisesNames) {
  const std::string input = gedtest::ReadFileBytes(GEDTOOLS_SOURCE_DIR "/examples/family.ged");
  ASSERT_FALSE(input.empty());
  const Conversion run = Convert(input, Options(1, false, true));
  EXPECT_EQ(run.result.outcome, JobOutcome::Completed);
  EXPECT_GT(run.result.namesChanged, 0);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'),
            std::count(input.begin(), input.end(), '\n'));
}

}  // namespace
