// case_conversion.h - rewriting personal and place names of a GEDCOM file in upper or capitalised case.
#pragma once

#include <cstdint>      // std::int32_t
#include <istream>      // std::istream
#include <ostream>      // std::ostream
#include <span>         // std::span
#include <string>       // std::string
#include <string_view>  // std::string_view

#include "progress_hook.h"

namespace casefix {

/// What one conversion pass does, as chosen in the dialog or on the command line.
struct CaseConversionOptions {
  /// 0: the "Lowercase" choice, which capitalises each word; 1: the "Uppercase" choice.
  int upperCase = 0;
  /// Convert only the surname (between slashes) of NAME and ALIA values; leave GIVN lines alone.
  bool surnameOnly = false;
  /// Convert PLAC values too.
  bool convertPlaces = false;
};

/// Why a pass ended WriteFailed. The front end shows WarningText() for it as a warning before
/// the final message.
enum class CaseConversionFailure {
  None,
  WriteError,   ///< the destination refused a write or a flush (or, seen by the caller, a close)
  ReadError,    ///< the source stream reported an error before its end
  Utf16Source,  ///< the source is UTF-16, which the converter does not read; nothing was written
};

struct CaseConversionResult {
  gedtext::JobOutcome outcome = gedtext::JobOutcome::Completed;
  /// NAME and ALIA lines whose value the conversion changed.
  std::int32_t namesChanged = 0;
  /// PLAC lines whose value the conversion changed.
  std::int32_t placesChanged = 0;
  /// Set whenever outcome is WriteFailed; None otherwise.
  CaseConversionFailure failure = CaseConversionFailure::None;
};

/// Status-line texts, and the fixed message texts. The completion texts hold two %d, for the
/// names and the places changed; CompletionText() fills them in.
inline constexpr std::string_view kStatusNames = "Converting case of names";
inline constexpr std::string_view kStatusNamesAndPlaces = "Converting case of names and places";
inline constexpr std::string_view kCompletedUppercase =
    "Conversion to uppercase completed\n%d names changed, %d places changed";
inline constexpr std::string_view kCompletedLowercase =
    "Conversion to lowercase completed\n%d names changed, %d places changed";
inline constexpr std::string_view kAborted = "Conversion aborted.\nAn invalid file might exist.";
inline constexpr std::string_view kErrorWriting = "Error writing To file";
inline constexpr std::string_view kErrorReading = "Error reading From file";

/// The status-line text a pass with these options shows. Valid for the whole program.
std::string_view StatusText(const CaseConversionOptions& options);

/// The information message shown after a pass: the completion text with both counts for a
/// Completed outcome, else the aborted text.
std::string FinalMessageText(const CaseConversionResult& result,
                             const CaseConversionOptions& options);

/// The warning to show before the final message, or an empty text when result.failure is None.
/// sourceName is the source file's name as the user gave it, for the UTF-16 refusal.
std::string WarningText(const CaseConversionResult& result, std::string_view sourceName);

/// Marks a finished pass as failed by a write error that the caller found itself, such as a
/// failing close of the destination file. A Cancelled pass becomes WriteFailed too, since the
/// destination is then even less complete than the user expects.
void MarkWriteFailed(CaseConversionResult& result);

/// True when the source starts like a UTF-16 file (a UTF-16 byte-order mark, or a NUL byte in
/// its first line). Reads its first line and seeks back to where it was, so a front end can
/// refuse the source before it creates or empties the destination. A stream that cannot seek
/// (a pipe) is not read and gives false; RunCaseConversion still refuses it.
bool SourceIsUtf16(std::istream& source);

/// One pass over source (opened in binary mode, at its start) writing destination (binary, empty).
/// Lines end in CR LF, LF CR, LF or CR in the source and CR LF in the destination; NAME and
/// ALIA (level 1), SURN and GIVN (level 2) and, when asked, PLAC lines are converted and
/// written in normal form; every other line is copied whole. A UTF-8 byte-order mark is kept.
/// The hook gets the status text, each change of the whole percentage followed by AskStop,
/// and 100 at the end. Both streams stay open; the destination is flushed, not closed, so the
/// caller must close it and call MarkWriteFailed when that fails.
CaseConversionResult RunCaseConversion(std::istream& source, std::ostream& destination,
                                       const CaseConversionOptions& options,
                                       gedtext::ProgressHook& hook);

/// The case rules. Only the ASCII letters change; bytes above 127 never do.

/// Every letter a to z becomes upper case.
void UppercaseAll(std::span<char> value);
/// First letter or digit of each word upper case, the rest lower case; anything that is no
/// ASCII letter, digit or byte above 127 starts a new word; "Mc" keeps the next letter a
/// word start (mcdonald gives McDonald).
void CapitalizeWords(std::span<char> value);
/// How many bytes after a value CapitalizeWordsWithRoom may read and rewrite.
inline constexpr std::size_t kCapitalizeRoom = 15;
/// CapitalizeWords for a value followed in memory by at least kCapitalizeRoom bytes of the
/// caller's, such as the unused end of an output buffer: the last bytes of the value are
/// converted in place together with those, without a copy. Of those bytes only ASCII letters
/// may change (in case); a line end after the value stays as it is.
void CapitalizeWordsWithRoom(std::span<char> value);
/// The letters after the first "/" up to the next "/" become upper case; no "/", no change.
void UppercaseSurname(std::span<char> value);
/// The part after the first "/" up to the next "/" is capitalised with only spaces starting
/// words (o'brien gives O'brien), with the same "Mc" rule; no "/", no change.
void CapitalizeSurname(std::span<char> value);

}  // namespace casefix
