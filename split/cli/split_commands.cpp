// split_commands.cpp - parsing the CMD words of `kinprune-cli split`.
#include "split_commands.h"

#include <charconv>      // std::from_chars
#include <system_error>  // std::errc
#include <utility>       // std::move
#include <vector>        // std::vector

namespace kinprune {
namespace {

struct CommandName {
  std::string_view name;
  SplitCommandKind kind;
  bool takesIndividual;
};

constexpr CommandName kCommandNames[] = {
    {"family", SplitCommandKind::Family, true},
    {"ancestors", SplitCommandKind::Ancestors, true},
    {"descendants", SplitCommandKind::Descendants, true},
    {"tree", SplitCommandKind::Tree, true},
    {"toggle", SplitCommandKind::Toggle, true},
    {"everyone", SplitCommandKind::Everyone, false},
    {"invert", SplitCommandKind::Invert, false},
    {"undo", SplitCommandKind::Undo, false},
};

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t comma = text.find(',');
    parts.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return parts;
    text.remove_prefix(comma + 1);
  }
}

/// A count option's value: decimal digits only, within the range of a 32-bit signed integer.
std::optional<std::int32_t> ParseCount(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

/// Applies one option word to command; returns an error text, empty on success.
std::string ApplyOption(SplitCommand& command, std::string_view option) {
  const std::size_t equals = option.find('=');
  const std::string_view name = option.substr(0, equals);
  const bool hasValue = equals != std::string_view::npos;
  const std::string_view value = hasValue ? option.substr(equals + 1) : std::string_view();
  const SplitCommandKind kind = command.kind;
  const bool isAncestors = kind == SplitCommandKind::Ancestors;
  const bool isDescendants = kind == SplitCommandKind::Descendants;
  const bool isTree = kind == SplitCommandKind::Tree;

  if (name == "generations" || name == "collateral") {
    const bool collateral = name == "collateral";
    if (!(isAncestors || isDescendants || (isTree && !collateral))) {
      return "option '" + std::string(name) + "' does not apply here";
    }
    const std::optional<std::int32_t> count = ParseCount(value);
    if (!hasValue || !count) {
      return "option '" + std::string(name) + "' needs a whole number from 0 to 2147483647";
    }
    std::int32_t& field = isTree          ? command.tree.generations
                          : isAncestors   ? (collateral ? command.ancestors.collateralGenerations
                                                        : command.ancestors.generations)
                                          : (collateral ? command.descendants.collateralGenerations
                                                        : command.descendants.generations);
    field = *count;
    return {};
  }
  if (hasValue) return "option '" + std::string(name) + "' takes no value";
  if (name == "unselect" && (isAncestors || isDescendants || isTree)) {
    command.target = SelectionTarget::UnSelect;
  } else if (name == "tree" && isAncestors) {
    command.ancestors.includeAncestorTree = true;
  } else if (name == "tree" && isDescendants) {
    command.descendants.includeDescendantTree = true;
  } else if (name == "children" && isAncestors) {
    command.ancestors.includeChildrenOfAncestors = true;
  } else if (name == "exclude-spouses" && isAncestors) {
    command.ancestors.excludeFamiliesOfSpouses = true;
  } else if (name == "spouses" && isDescendants) {
    command.descendants.includeSpousesOfDescendants = true;
  } else if (name == "spouses-parents" && isDescendants) {
    command.descendants.includeSpousesParents = true;
  } else {
    return "unknown option '" + std::string(name) + "'";
  }
  return {};
}

// 'text' in single quotes. Built by appending: GCC 12 at -O3 takes "'" + std::string for an
// overlapping copy (-Wrestrict) and fails a -Werror build.
std::string Quoted(std::string_view text) {
  std::string quoted(1, '\'');
  quoted.append(text);
  quoted += '\'';
  return quoted;
}

SplitCommandParse Failure(std::string_view word, const std::string& reason) {
  return {std::nullopt, "invalid command '" + std::string(word) + "': " + reason};
}

}  // namespace

std::string_view XrefArgumentKey(std::string_view argument) {
  if (argument.size() >= 2 && argument.front() == '@' && argument.back() == '@') {
    return argument.substr(1, argument.size() - 2);
  }
  return argument;
}

SplitCommandParse ParseSplitCommand(std::string_view word) {
  const std::vector<std::string_view> parts = SplitAtCommas(word);
  const std::string_view head = parts.front();
  const std::size_t equals = head.find('=');
  const std::string_view name = head.substr(0, equals);

  const CommandName* found = nullptr;
  for (const CommandName& candidate : kCommandNames) {
    if (candidate.name == name) found = &candidate;
  }
  if (found == nullptr) return Failure(word, "unknown command '" + std::string(name) + "'");

  SplitCommand command;
  command.kind = found->kind;
  if (found->takesIndividual) {
    if (equals == std::string_view::npos || equals + 1 == head.size()) {
      return Failure(word, Quoted(name) + " needs an individual: " + std::string(name) + "=XREF");
    }
    command.individual = std::string(head.substr(equals + 1));
  } else if (equals != std::string_view::npos || parts.size() > 1) {
    return Failure(word, Quoted(name) + " takes no individual and no options");
  }

  const bool takesOptions = command.kind == SplitCommandKind::Ancestors ||
                            command.kind == SplitCommandKind::Descendants ||
                            command.kind == SplitCommandKind::Tree;
  if (!takesOptions && parts.size() > 1) {
    return Failure(word, Quoted(name) + " takes no options");
  }
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string reason = ApplyOption(command, parts[i]);
    if (!reason.empty()) return Failure(word, reason);
  }

  // A dependent option is off while its master is off, as in the option dialogs.
  if (!command.ancestors.includeAncestorTree) command.ancestors.excludeFamiliesOfSpouses = false;
  if (!command.descendants.includeSpousesOfDescendants) {
    command.descendants.includeSpousesParents = false;
  }
  return {std::move(command), {}};
}

}  // namespace kinprune
