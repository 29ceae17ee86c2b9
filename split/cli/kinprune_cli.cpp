// kinprune_cli.cpp - command line, listing, details and the scripted split of kinprune-cli.
#include "kinprune_cli.h"

#include <cerrno>       // errno
#include <cstddef>      // std::size_t
#include <filesystem>   // std::filesystem::status
#include <memory>       // std::unique_ptr, std::make_unique
#include <ostream>      // std::ostream
#include <string_view>  // std::string_view
#include <utility>      // std::move

#include "kinprune_doc.h"
#include "selection_engine.h"
#include "split_commands.h"

namespace kinprune {
namespace {

constexpr const char* kUsage =
    R"(NAME
    kinprune-cli - list, inspect and split the individuals of a GEDCOM file

SYNOPSIS
    kinprune-cli list FILE
    kinprune-cli show FILE XREF
    kinprune-cli split [--force] FILE DEST CMD...
    kinprune-cli --help

DESCRIPTION
    kinprune-cli is the script and batch form of the Kinprune split tool. It
    loads the GEDCOM file FILE into memory, builds a selection of individuals
    with the same commands as the desktop program, and saves the selected
    individuals, the families that connect them and every record they refer
    to as a new GEDCOM file. FILE itself is never changed unless it is also
    given as DEST together with --force.

    list FILE
        Prints one line per individual, in the order of the desktop
        program's list (display name, byte by byte): the identifier without
        its @ signs, a tab, and the display name ("Smith, John Jr").

    show FILE XREF
        Prints the details of the individual XREF as the details pane shows
        them: name, identifier, reference number, birth, death, parents and
        spouses, one item per line.

    split FILE DEST CMD...
        Starts with nobody selected, applies the commands CMD from left to
        right, exactly as the desktop commands would, and saves the subset
        to DEST: the header of FILE, the selected individuals and every
        record they need, in the order of FILE, then 0 TRLR. Every line of
        DEST ends in CR LF. DEST is written to a temporary file beside it
        and replaces it only once complete, so a failed save leaves DEST as
        it was.

COMMANDS
    XREF and X name an individual by its identifier, with or without its @
    signs (I12 or @I12@); the identifier ends at the first comma. Options
    follow the individual, separated by commas, in any order.

    family=X
        Selects X, its parents, its brothers and sisters (half siblings
        included), its spouses and its children.

    ancestors=X[,generations=N][,collateral=N][,children][,tree]
              [,exclude-spouses][,unselect]
        Selects X and its ancestors, N generations up (parents are
        generation 1; 0, the default, means all).
        children         also the children of each ancestor family read:
                         brothers and sisters of X and of the ancestors.
        tree             the whole tree hanging from the ancestry: children
                         and spouses of the ancestors are followed further,
                         except through the marriages of X itself.
        exclude-spouses  with tree: do not enter the ancestry of the
                         spouses of X. Without tree it is off.
        collateral=N     afterwards, N further family hops in every
                         direction from the whole result (default 0).
        unselect         clears these individuals instead of selecting.

    descendants=X[,generations=N][,collateral=N][,spouses][,spouses-parents]
                [,tree][,unselect]
        Selects X and its descendants, N generations down (children are
        generation 1; 0, the default, means all).
        spouses          also the spouses of X and of each descendant whose
                         marriages are read.
        spouses-parents  with spouses: also the parents of those spouses.
                         Without spouses it is off.
        tree             the whole tree hanging from the descendants: from
                         the children on, parental families and partners
                         are followed further; the parents of X stay out.
        collateral=N     as for ancestors.
        unselect         clears these individuals instead of selecting.

    tree=X[,generations=N][,unselect]
        Selects everyone connected to X by family links, or, with N
        greater than 0, everyone within N family hops of X (tree=X,
        generations=1 reaches the same people as family=X).

    everyone
        Selects everyone, or clears everyone when everyone is selected.

    invert
        Selects everyone not selected and clears everyone selected.

    undo
        Changes back the individuals that the previous command changed; a
        second undo changes them again.

    toggle=X
        Selects X when it is not selected, otherwise clears it.

OPTIONS
    --force
        Allows DEST to name FILE itself (by any spelling or link); without
        it such a split stops with an error before anything is written.

    --help
        Prints this text and exits.

    --
        Ends the options; later words are taken as FILE, DEST or CMD even
        when they begin with a hyphen.

OUTPUT
    list and show write to standard output; show ends each line with a line
    feed. After each of family, ancestors, descendants and tree, split
    prints "N individuals found" on standard error, N being the number of
    individuals the command changed. When family or tree meets family links
    to records that are not in the file, their identifiers follow on
    standard error, after "There is an error in this GEDCOM file." The
    selection stands all the same.

EXIT STATUS
    0   success.
    1   any error: a usage error, a file that cannot be read (UTF-16 files
        are refused) or written, an XREF or X that names no individual
        ("No individual X"), nobody selected after the last command
        ("Nothing selected"), or DEST naming FILE without --force. Nothing
        is written after an error.

EXAMPLES
    kinprune-cli list family.ged
    kinprune-cli show family.ged @I3@
    kinprune-cli split family.ged hartley.ged ancestors=I6,generations=2,children
    kinprune-cli split family.ged line.ged descendants=I1,spouses family=I7 undo
    kinprune-cli split family.ged others.ged tree=I1 invert
)";

constexpr std::string_view kProgramName = "kinprune-cli";

/// The words of the command line after the options are taken out.
struct CommandLine {
  std::vector<std::string> words;
  bool force = false;
  bool help = false;
  std::string error;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      line.words.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--force") {
      line.force = true;
    } else if (line.error.empty()) {
      line.error = "unknown option '" + arg + "'";
    }
  }
  return line;
}

int UsageError(std::ostream& err, std::string_view message) {
  err << kProgramName << ": " << message << "\nTry '" << kProgramName
      << " --help' for more information.\n";
  return kExitFailure;
}

/// Prints the document's failure to open; the message names the file.
bool Load(CKinpruneDoc& document, const std::string& path, std::ostream& err) {
  const OpenOutcome outcome = document.OnOpenDocument(path);
  if (!outcome.ok) err << outcome.error << '\n';
  return outcome.ok;
}

IndividualEntry* FindNamedIndividual(CKinpruneDoc& document, std::string_view argument,
                                     std::ostream& err) {
  IndividualEntry* entry = document.FindIndividual(XrefArgumentKey(argument));
  if (entry == nullptr) err << "No individual " << argument << '\n';
  return entry;
}

int RunList(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            CKinpruneDoc& document) {
  if (words.size() != 2) return UsageError(err, "list needs exactly one FILE");
  if (!Load(document, words[1], err)) return kExitFailure;
  // The lines go out in blocks: one stream call per line cost more than making the line.
  constexpr std::size_t kBlockSize = std::size_t{64} << 10;
  std::string block;
  block.reserve(kBlockSize);
  auto writeBlock = [&] {
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    block.clear();
  };
  for (const auto& [name, entry] : document.individualsByName) {
    block.append(entry.xref).append(1, '\t').append(entry.name).append(1, '\n');
    if (block.size() >= kBlockSize) writeBlock();
  }
  writeBlock();
  return kExitSuccess;
}

/// The details text with each "\r\n" as "\n", then one "\n" more.
std::string DetailsForTerminal(const std::string& details) {
  std::string text;
  text.reserve(details.size() + 1);
  for (std::size_t i = 0; i < details.size(); ++i) {
    if (details[i] == '\r' && i + 1 < details.size() && details[i + 1] == '\n') continue;
    text.push_back(details[i]);
  }
  text.push_back('\n');
  return text;
}

int RunShow(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            CKinpruneDoc& document) {
  if (words.size() != 3) return UsageError(err, "show needs a FILE and an XREF");
  if (!Load(document, words[1], err)) return kExitFailure;
  const IndividualEntry* entry = FindNamedIndividual(document, words[2], err);
  if (entry == nullptr) return kExitFailure;
  const std::string text = DetailsForTerminal(DetailsText(document, *entry));
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return kExitSuccess;
}

/// Prints each command's result and the missing-records message; progress between passes and
/// the selected count are of no use in a script and are left out.
class StderrReporter : public SelectionReporter {
 public:
  explicit StderrReporter(std::ostream& err) : err(err) {}
  void ShowProgress(std::string_view) override {}
  void ShowStatus(std::string_view text) override { err << text << '\n'; }
  void ShowSelectedCount(std::size_t) override {}
  void ShowMissingRecords(std::string_view message) override { err << message << '\n'; }

 private:
  std::ostream& err;
};

/// The answer --force gives to the question before the opened file is overwritten.
class FixedAnswer : public OverwriteQuestion {
 public:
  explicit FixedAnswer(bool yes) : yes(yes) {}
  bool AskYesNo(std::string_view) override { return yes; }

 private:
  bool yes;
};

void RunSplitCommand(SelectionEngine& engine, CKinpruneDoc& document, const SplitCommand& command) {
  const std::string_view start = XrefArgumentKey(command.individual);
  switch (command.kind) {
    case SplitCommandKind::Family:
      engine.SelectFamily(start);
      break;
    case SplitCommandKind::Ancestors:
      engine.SelectAncestors(start, command.ancestors, command.target);
      break;
    case SplitCommandKind::Descendants:
      engine.SelectDescendants(start, command.descendants, command.target);
      break;
    case SplitCommandKind::Tree:
      engine.SelectConnected(start, command.tree.generations, command.target);
      break;
    case SplitCommandKind::Everyone:
      engine.SelectEveryone();
      break;
    case SplitCommandKind::Invert:
      engine.InvertSelection();
      break;
    case SplitCommandKind::Undo:
      engine.UndoRedo();
      break;
    case SplitCommandKind::Toggle:
      // Checked to exist before any command ran.
      engine.ToggleIndividual(*document.FindIndividual(start));
      break;
  }
}

int RefuseOverwrite(std::ostream& err, const std::string& sourcePath,
                    const std::string& destinationPath) {
  err << kProgramName << ": " << destinationPath << " is the opened file " << sourcePath
      << "; give --force to overwrite it\n";
  return kExitFailure;
}

int RunSplit(const CommandLine& line, std::ostream& err, CKinpruneDoc& document) {
  const std::vector<std::string>& words = line.words;
  if (words.size() < 4) return UsageError(err, "split needs a FILE, a DEST and at least one CMD");
  const std::string& sourcePath = words[1];
  const std::string& destinationPath = words[2];

  std::vector<SplitCommand> commands;
  for (std::size_t i = 3; i < words.size(); ++i) {
    SplitCommandParse parsed = ParseSplitCommand(words[i]);
    if (!parsed.command) return UsageError(err, parsed.error);
    commands.push_back(std::move(*parsed.command));
  }

  if (!Load(document, sourcePath, err)) return kExitFailure;
  for (const SplitCommand& command : commands) {
    const bool namesIndividual = command.kind != SplitCommandKind::Everyone &&
                                 command.kind != SplitCommandKind::Invert &&
                                 command.kind != SplitCommandKind::Undo;
    if (namesIndividual && FindNamedIndividual(document, command.individual, err) == nullptr) {
      return kExitFailure;
    }
  }
  // Refused before the commands run, so that their texts never precede a refusal.
  if (!line.force && document.NamesOpenedFile(destinationPath)) {
    return RefuseOverwrite(err, sourcePath, destinationPath);
  }

  StderrReporter reporter(err);
  SelectionEngine engine(document, &reporter);
  for (const SplitCommand& command : commands) RunSplitCommand(engine, document, command);

  if (!engine.SaveEnabled()) {
    err << "Nothing selected\n";
    return kExitFailure;
  }
  FixedAnswer answer(line.force);
  const SaveOutcome saved = document.OnSaveDocument(destinationPath, answer);
  if (!saved.Saved()) {
    if (saved.result == SaveOutcome::Result::Declined) {
      return RefuseOverwrite(err, sourcePath, destinationPath);
    }
    err << saved.error << '\n';
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace

const char* KinpruneCliUsage() { return kUsage; }

int RunKinpruneCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::unique_ptr<CKinpruneDoc> document;
  return RunKinpruneCli(args, out, err, document);
}

int RunKinpruneCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   std::unique_ptr<CKinpruneDoc>& document) {
  document = std::make_unique<CKinpruneDoc>();
  const CommandLine line = ParseCommandLine(args);
  if (line.help) {
    out << kUsage;
    return kExitSuccess;
  }
  if (!line.error.empty()) return UsageError(err, line.error);
  if (line.words.empty()) return UsageError(err, "missing command: list, show or split");
  const std::string& command = line.words.front();
  if (line.force && command != "split") return UsageError(err, "--force applies to split only");
  if (command == "list") return RunList(line.words, out, err, *document);
  if (command == "show") return RunShow(line.words, out, err, *document);
  if (command == "split") return RunSplit(line, err, *document);
  return UsageError(err, "unknown command '" + command + "'");
}

}  // namespace kinprune
