// command_line.h - hushtree-cli's arguments, usage text and options block.
#pragma once

#include <cstdint>      // std::int32_t, std::int64_t
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "privatizer.h"

namespace hushtree {

inline constexpr std::string_view kProgramVersion = "1.1";

/// What the command line asked for. The single-letter options are kept as given; their
/// interplay is settled by Options() and the engine.
struct CommandLine {
  enum class Status {
    Ok,
    InvalidOption,      ///< invalidText holds the argument after its "-"
    TooManyParameters,  ///< a third file name
    MissingValue,       ///< -c or -l with nothing after them
  };

  Status status = Status::Ok;
  std::string invalidText;
  std::string source;
  std::string destination;
  std::int32_t fileNameCount = 0;
  std::int32_t cutoffYear = 0;
  std::string message;
  bool birthDate = false;           // -b
  bool deleteLiving = false;        // -d
  bool noMessage = false;           // -m
  bool retainNotes = false;         // -n
  bool removeUnreferenced = false;  // -r
  bool xrefMessage = false;         // -x
  bool yearOnly = false;            // -y

  /// The engine's options: -y wins over -d, -m over -b.
  privatize::PrivatizeOptions Options() const;
};

/// Parses the arguments after the program name, left to right, stopping at the first error.
/// currentYear resolves short cutoff values (tests pass a fixed one).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, std::int32_t currentYear);

/// Reads a decimal integer as the C library's atoi does (leading white space, an optional sign,
/// digits up to the first non-digit; 0 without digits), saturating instead of overflowing.
std::int64_t ParseLeadingInteger(std::string_view text);

/// The usage text, showing the cutoff and the message in force.
std::string UsageText(std::int32_t cutoffYear, std::string_view message);

/// The block of options in effect printed before the run.
std::string OptionsBlock(const CommandLine& commandLine,
                         const privatize::ConsistentOptions& consistent);

}  // namespace hushtree
