// command_line.cpp - parsing hushtree-cli's arguments and the texts it prints about them.
#include "command_line.h"

#include <limits>  // std::numeric_limits

namespace hushtree {

using privatize::MessagePlacement;
using privatize::ProcessingMode;

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int64_t ParseLeadingInteger(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsCSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 9;
  std::int64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value < kLimit) value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return negative ? -value : value;
}

privatize::PrivatizeOptions CommandLine::Options() const {
  privatize::PrivatizeOptions options;
  options.cutoffYear = cutoffYear;
  options.message = message;
  if (yearOnly) {
    options.mode = ProcessingMode::YearOnly;
  } else if (deleteLiving) {
    options.mode = ProcessingMode::DeleteLiving;
  }
  if (noMessage) {
    options.placement = MessagePlacement::NoMessage;
  } else if (birthDate) {
    options.placement = MessagePlacement::AsBirthDate;
  }
  options.retainNotes = retainNotes;
  options.removeUnreferenced = removeUnreferenced;
  options.xrefMessage = xrefMessage;
  return options;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, std::int32_t currentYear) {
  constexpr std::int32_t kPresumedLifetime = 80;
  CommandLine result;
  result.cutoffYear = currentYear - kPresumedLifetime;
  result.message.assign(privatize::kConsoleDefaultMessage);

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument[0] != '-') {
      if (result.fileNameCount == 0) {
        result.source = argument;
      } else if (result.fileNameCount == 1) {
        result.destination = argument;
      } else {
        result.status = CommandLine::Status::TooManyParameters;
        return result;
      }
      ++result.fileNameCount;
      continue;
    }
    const char letter = argument.size() > 1 ? LowerAscii(argument[1]) : '\0';
    switch (letter) {
      case 'b':
        result.birthDate = true;
        break;
      case 'c': {
        std::string_view value = std::string_view(argument).substr(2);
        if (value.empty()) {
          if (i + 1 >= arguments.size()) {
            result.status = CommandLine::Status::MissingValue;
            return result;
          }
          value = arguments[++i];
        }
        result.cutoffYear = privatize::ResolveCutoff(ParseLeadingInteger(value), currentYear);
        break;
      }
      case 'd':
        result.deleteLiving = true;
        break;
      case 'l':
        if (i + 1 >= arguments.size()) {
          result.status = CommandLine::Status::MissingValue;
          return result;
        }
        result.message = arguments[++i];
        break;
      case 'm':
        result.noMessage = true;
        break;
      case 'n':
        result.retainNotes = true;
        break;
      case 'r':
        result.removeUnreferenced = true;
        break;
      case 'x':
        result.xrefMessage = true;
        break;
      case 'y':
        result.yearOnly = true;
        break;
      default:
        result.status = CommandLine::Status::InvalidOption;
        result.invalidText = argument.substr(1);
        return result;
    }
  }
  return result;
}

std::string UsageText(std::int32_t cutoffYear, std::string_view message) {
  std::string text;
  text.append("hushtree-cli version ").append(kProgramVersion).append("\n\n");
  text.append("Usage: hushtree [options] old.ged new.ged\n\n");
  text.append("Options\n");
  text.append("-b           place message as birth date\n");
  text.append("-c YYYY      sets cutoff year (default: ")
      .append(std::to_string(cutoffYear))
      .append(")\n");
  text.append("-c YY        sets cutoff year to current year - YY\n");
  text.append("-d           deletes living individuals\n");
  text.append("-l \"message\" replace \"").append(message).append("\" with message\n");
  text.append("-m           no message. same as -l\"\"\n");
  text.append("-n           keep notes for living individuals\n");
  text.append("-r           removes unreferenced GEDCOM lines\n");
  text.append("-x           messages are added using XREF tags\n");
  text.append("-y           replaces dates with year only. This overrides -b -d -l -n & -r\n");
  return text;
}

std::string OptionsBlock(const CommandLine& commandLine,
                         const privatize::ConsistentOptions& consistent) {
  const std::string rule = std::string(78, '-') + "\n";
  const privatize::PrivatizeOptions& options = consistent.options;
  const bool deleting = options.mode == ProcessingMode::DeleteLiving;
  std::string text = rule;
  text.append("Options in effect\n");
  text.append("Cutoff=").append(std::to_string(options.cutoffYear)).append("\n");
  if (options.mode == ProcessingMode::YearOnly) {
    text.append("Changing living individuals dates to years\n");
  }
  if (!deleting) {
    if (consistent.shownMessage.empty()) {
      text.append("Individuals will not be tagged with a message\n");
    } else {
      text.append("Tagging living with \"").append(consistent.shownMessage).append("\" ");
      text.append(commandLine.birthDate ? "as the birth date\n" : "as a note\n");
    }
  }
  if (consistent.sharedNoteRecord) text.append("Message will be added using XREF tag\n");
  if (options.retainNotes) text.append("Retaining notes\n");
  if (options.removeUnreferenced) text.append("Removing unreferenced data\n");
  if (deleting) text.append("Deleting living individuals\n");
  text.append(rule);
  return text;
}

}  // namespace hushtree
