// main.cpp - lettrim-cli: converts the case of names (and places) of a GEDCOM file from the command line.
#include <unistd.h>  // isatty

#include <cstdio>       // std::fputs, std::printf
#include <fstream>      // std::ifstream, std::ofstream
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "case_conversion.h"
#include "file_identity.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;

constexpr std::string_view kUsage =
    "NAME\n"
    "    lettrim-cli - convert the case of names and places in a GEDCOM file\n"
    "\n"
    "SYNOPSIS\n"
    "    lettrim-cli [-u] [-s] [-p] SOURCE DEST\n"
    "    lettrim-cli --help\n"
    "\n"
    "DESCRIPTION\n"
    "    Reads the GEDCOM file SOURCE and writes a copy to DEST in which personal names,\n"
    "    and on request place names, are rewritten in capitalised form (\"John /Smith/\")\n"
    "    or in upper case (\"JOHN /SMITH/\").\n"
    "\n"
    "    Converted are the values of level-1 NAME and ALIA lines, of level-2 SURN and\n"
    "    GIVN lines and, with -p, of PLAC lines at any level. A converted line is written\n"
    "    in normal form (\"1 NAME John /Smith/\"); every other line is copied unchanged.\n"
    "    A NAME or ALIA value that is a pointer (@I12@) is never changed. Only the ASCII\n"
    "    letters A-Z and a-z change case; accented letters and other bytes above 127 are\n"
    "    kept as they are. Capitalising treats \"Mc\" as a prefix: MCDONALD gives McDonald.\n"
    "\n"
    "    SOURCE may end its lines in CR LF, LF, CR or LF CR and may start with a UTF-8\n"
    "    byte-order mark, which is kept; UTF-16 files are refused. Every line of DEST\n"
    "    ends in CR LF, except a last line that had no line end in SOURCE.\n"
    "\n"
    "    An existing DEST is replaced without asking. DEST must not be SOURCE, under any\n"
    "    name. When the conversion does not complete, DEST is left as far as it was\n"
    "    written and may be invalid.\n"
    "\n"
    "    At the end the program prints the number of names and places changed; NAME and\n"
    "    ALIA lines count as names, PLAC lines as places, SURN and GIVN lines not at all.\n"
    "\n"
    "OPTIONS\n"
    "    -u      Convert to upper case. Without it, each word is capitalised: its first\n"
    "            letter or digit in upper case, the rest in lower case.\n"
    "    -s      Surname only: in NAME and ALIA values convert only the part between\n"
    "            the slashes, where only spaces separate words (o'brien gives O'brien);\n"
    "            leave GIVN lines alone. SURN lines are still converted whole.\n"
    "    -p      Convert the values of PLAC lines too.\n"
    "    -h, --help\n"
    "            Print this text and exit.\n"
    "\n"
    "    Options may be combined (-usp) and may come before, between or after the file\n"
    "    names; \"--\" ends the options.\n"
    "\n"
    "EXIT STATUS\n"
    "    0   The conversion completed.\n"
    "    1   A usage error, a file that cannot be opened, a UTF-16 source, or a read or\n"
    "        write error; the reason is printed on standard error.\n"
    "\n"
    "EXAMPLES\n"
    "    lettrim-cli family.ged familyNew.ged\n"
    "        Capitalise all names: \"JOHN /MCDONALD/\" becomes \"John /McDonald/\".\n"
    "    lettrim-cli -s -p family.ged familyNew.ged\n"
    "        Capitalise surnames and places, keeping given names as they are.\n"
    "    lettrim-cli -up family.ged familyNew.ged\n"
    "        Upper-case names and places.\n";

struct CommandLine {
  casefix::CaseConversionOptions options;
  std::vector<std::string> fileNames;
  bool help = false;
  std::string invalidOption;  // the first unknown option, as given
};

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine command;
  bool optionsEnded = false;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      // A lone "-" would mean standard input, which cannot be sized for the progress; it is
      // taken as a file name and fails to open like any missing file.
      command.fileNames.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help") {
      command.help = true;
    } else {
      for (char letter : argument.substr(1)) {
        switch (letter) {
          case 'u': case 'U': command.options.upperCase = 1; break;
          case 's': case 'S': command.options.surnameOnly = true; break;
          case 'p': case 'P': command.options.convertPlaces = true; break;
          case 'h': case 'H': command.help = true; break;
          default:
            if (command.invalidOption.empty()) command.invalidOption = argument;
        }
      }
    }
  }
  return command;
}

void PrintError(std::string_view text) {
  std::fprintf(stderr, "lettrim-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

int UsageError(std::string_view text) {
  PrintError(text);
  std::fputs("Usage: lettrim-cli [-u] [-s] [-p] SOURCE DEST\n"
             "Try 'lettrim-cli --help' for more information.\n",
             stderr);
  return kExitFailed;
}

// Progress on a terminal only, overwriting one line of standard error; nothing is ever
// stopped from here, and nothing reaches a redirected standard error or standard output.
class TerminalProgress : public gedtext::ProgressHook {
 public:
  TerminalProgress() : enabled(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() {
    if (enabled && shown) std::fputs("\r\033[K", stderr);
  }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void SetStatus(std::string_view text) override { status = text; }
  void Show(int percent) override {
    if (!enabled) return;
    std::fprintf(stderr, "\r%s %d%%", status.c_str(), percent);
    std::fflush(stderr);
    shown = true;
  }
  bool AskStop() override { return false; }

 private:
  bool enabled;
  bool shown = false;
  std::string status;
};

int Convert(const std::string& sourceName, const std::string& destinationName,
            const casefix::CaseConversionOptions& options) {
  if (sourceName.empty()) return UsageError("From file must be specified");
  if (destinationName.empty()) return UsageError("To file must be specified");
  if (sourceName == destinationName || gedtext::NameSameExistingFile(sourceName, destinationName)) {
    return UsageError("From file and To file cannot be the same file");
  }

  std::ifstream source;
  if (!gedtext::IsDirectory(sourceName)) source.open(sourceName, std::ios::binary);
  if (!source.is_open()) {
    PrintError("Error opening " + sourceName);
    return kExitFailed;
  }
  // Refused before the destination is created or emptied, so an existing one survives.
  if (casefix::SourceIsUtf16(source)) {
    casefix::CaseConversionResult refused;
    refused.outcome = gedtext::JobOutcome::WriteFailed;
    refused.failure = casefix::CaseConversionFailure::Utf16Source;
    PrintError(casefix::WarningText(refused, sourceName));
    return kExitFailed;
  }
  std::ofstream destination;
  if (!gedtext::IsDirectory(destinationName)) {
    destination.open(destinationName, std::ios::binary | std::ios::trunc);
  }
  if (!destination.is_open()) {
    PrintError("Error opening " + destinationName);
    return kExitFailed;
  }

  casefix::CaseConversionResult result;
  {
    TerminalProgress progress;
    result = casefix::RunCaseConversion(source, destination, options, progress);
  }
  source.close();
  destination.close();
  if (destination.fail()) casefix::MarkWriteFailed(result);

  std::string warning = casefix::WarningText(result, sourceName);
  // The dialog's fixed texts name no file; here the file is named after them.
  if (result.failure == casefix::CaseConversionFailure::WriteError) warning += " " + destinationName;
  if (result.failure == casefix::CaseConversionFailure::ReadError) warning += " " + sourceName;
  if (!warning.empty()) PrintError(warning);
  const std::string message = casefix::FinalMessageText(result, options);
  std::printf("%s\n", message.c_str());
  if (std::fflush(stdout) != 0) return kExitFailed;
  return result.outcome == gedtext::JobOutcome::Completed ? kExitCompleted : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine command = ParseCommandLine(argc, argv);
  if (command.help) {
    std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitCompleted : kExitFailed;
  }
  if (!command.invalidOption.empty()) return UsageError("invalid option " + command.invalidOption);
  if (command.fileNames.size() > 2) {
    return UsageError("too many file names: " + command.fileNames[2]);
  }
  const std::string sourceName = command.fileNames.size() > 0 ? command.fileNames[0] : "";
  const std::string destinationName = command.fileNames.size() > 1 ? command.fileNames[1] : "";
  return Convert(sourceName, destinationName, command.options);
}
