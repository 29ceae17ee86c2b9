// split_commands.h - the selection commands of `kinprune-cli split`, parsed from their words.
#pragma once

#include <cstdint>      // std::int32_t
#include <optional>     // std::optional
#include <string>       // std::string
#include <string_view>  // std::string_view

#include "selection_engine.h"

namespace kinprune {

enum class SplitCommandKind { Family, Ancestors, Descendants, Tree, Everyone, Invert, Undo, Toggle };

/// One CMD word of the command line, with the options it gave and the defaults for the rest.
struct SplitCommand {
  SplitCommandKind kind = SplitCommandKind::Everyone;
  /// The individual as written on the command line (family, ancestors, descendants, tree,
  /// toggle); XrefArgumentKey() gives the identifier to look up.
  std::string individual;
  SelectionTarget target = SelectionTarget::Select;
  AncestorOptions ancestors;      ///< ancestors=X only
  DescendantOptions descendants;  ///< descendants=X only
  TreeOptions tree;               ///< tree=X only
};

/// The outcome of parsing one CMD word: a command, or the reason it is not one.
struct SplitCommandParse {
  std::optional<SplitCommand> command;
  std::string error;
};

/// Parses one CMD word such as "ancestors=@I1@,generations=2,tree". A dependent option given
/// without its master (exclude-spouses without tree, spouses-parents without spouses) is off,
/// as in the option dialogs.
SplitCommandParse ParseSplitCommand(std::string_view word);

/// The identifier an individual argument names: the argument without its enclosing '@' signs
/// when it has both, otherwise the argument itself. Valid as long as argument is.
std::string_view XrefArgumentKey(std::string_view argument);

}  // namespace kinprune
