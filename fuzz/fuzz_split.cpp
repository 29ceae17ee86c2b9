// fuzz_split.cpp - the split tool's document on any bytes: load, list, the details of a few
// entries, a fuzzer-chosen series of selection commands with fuzzer-chosen options, and the
// subset writer into memory. Checks that every written line ends in CR LF, that the subset
// loads again, that every selected individual is in it, and that every other individual in it
// was reached by the closure (some written record points to it).
#include <cstddef>  // std::size_t
#include <cstdint>  // std::uint8_t
#include <map>      // std::map
#include <optional> // std::optional
#include <set>      // std::set
#include <sstream>  // std::ostringstream
#include <string>   // std::string
#include <vector>   // std::vector

#include "fuzz_support.h"
#include "kinprune_doc.h"
#include "selection_engine.h"

namespace {

using kinprune::CKinpruneDoc;
using kinprune::IndividualEntry;
using kinprune::SelectionEngine;
using kinprune::SelectionTarget;

constexpr int kMaxCommands = 8;
constexpr int kMaxDetails = 3;

/// A start for a command: mostly an individual of the file, sometimes any identifier.
std::string PickStart(gedfuzz::Choices& choices, const std::vector<IndividualEntry*>& entries) {
  const std::uint8_t pick = choices.Byte();
  if (!entries.empty() && pick < 240) return entries[pick % entries.size()]->xref;
  const char* const strangers[] = {"", "@", "I1", "NOPE", "F1"};
  return strangers[pick % 5];
}

void RunCommand(gedfuzz::Choices& choices, SelectionEngine& engine, const std::vector<IndividualEntry*>& entries) {
  const SelectionTarget target = choices.Flag() ? SelectionTarget::UnSelect : SelectionTarget::Select;
  switch (choices.Pick(8)) {
    case 0: engine.SelectFamily(PickStart(choices, entries)); break;
    case 1: {
      const std::string start = PickStart(choices, entries);
      engine.SelectConnected(start, static_cast<std::int8_t>(choices.Byte()), target);
      break;
    }
    case 2: {
      const std::string start = PickStart(choices, entries);
      kinprune::AncestorOptions options;
      options.generations = static_cast<std::int8_t>(choices.Byte());
      options.collateralGenerations = static_cast<std::int8_t>(choices.Byte());
      const std::uint8_t flags = choices.Byte();
      options.includeChildrenOfAncestors = flags & 1;
      options.includeAncestorTree = flags & 2;
      options.excludeFamiliesOfSpouses = flags & 4;
      engine.SelectAncestors(start, options, target);
      break;
    }
    case 3: {
      const std::string start = PickStart(choices, entries);
      kinprune::DescendantOptions options;
      options.generations = static_cast<std::int8_t>(choices.Byte());
      options.collateralGenerations = static_cast<std::int8_t>(choices.Byte());
      const std::uint8_t flags = choices.Byte();
      options.includeSpousesOfDescendants = flags & 1;
      options.includeDescendantTree = flags & 2;
      options.includeSpousesParents = flags & 4;
      engine.SelectDescendants(start, options, target);
      break;
    }
    case 4: engine.SelectEveryone(); break;
    case 5: engine.InvertSelection(); break;
    case 6: engine.UndoRedo(); break;
    default:
      if (!entries.empty()) engine.ToggleIndividual(*entries[choices.Byte() % entries.size()]);
      break;
  }
}

/// Identifiers (without @) of the level-0 records of text, and of the pointers that each record
/// other than the pointed-to one holds.
struct WrittenFile {
  // The xref the document gives an individual that is the header copy (written whole whatever
  // it is): "" for a level-0 first line without an identifier, none when the first line is no
  // level-0 line and so starts no record.
  std::optional<std::string> firstRecordId;
  std::multiset<std::string> recordIds;
  std::set<std::string> pointedToFromOtherRecords;
};

/// The identifier of a level-0 line as the document keeps it: without the first and last
/// character; a lone "@" names the empty identifier. None when the tag is no identifier.
std::optional<std::string> RecordIdentifier(std::string_view tag) {
  if (!gedfuzz::IsIdentifierShaped(tag)) return std::nullopt;
  return std::string(tag.size() >= 2 ? tag.substr(1, tag.size() - 2) : std::string_view());
}

WrittenFile ReadWritten(const std::vector<gedfuzz::TextLine>& lines) {
  WrittenFile file;
  // The record the current line belongs to; none for a record without an identifier, and for
  // the lines of the header copy before any level-0 line (its first line need not be one).
  std::optional<std::string> current;
  bool firstLine = true;
  for (const gedfuzz::TextLine& line : lines) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    const bool startsRecord = fields.hasLevel && fields.level == 0;
    if (startsRecord) {
      current = RecordIdentifier(fields.tag);
      if (firstLine) file.firstRecordId = current.value_or(std::string());
      if (current) file.recordIds.insert(*current);
    }
    firstLine = false;
    if (startsRecord) continue;
    if (fields.hasLevel && gedfuzz::IsIdentifierShaped(fields.value)) {
      // A lone "@" points to the empty identifier, as in the document.
      const std::string target(fields.value.size() >= 2 ? fields.value.substr(1, fields.value.size() - 2)
                                                        : std::string_view());
      if (target != current) file.pointedToFromOtherRecords.insert(target);
    }
  }
  return file;
}

}  // namespace

extern "C" int GEDTOOLS_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size) {
  // The first 64 bytes choose the commands and their options; the rest is the file.
  constexpr std::size_t kChoiceBytes = 64;
  const int commandCount = size > 0 ? 1 + data[0] % kMaxCommands : 1;
  const std::size_t fileStart = std::min<std::size_t>(size, kChoiceBytes);
  gedfuzz::Choices commandChoices(data + 1, fileStart > 0 ? fileStart - 1 : 0);
  const std::string bytes(reinterpret_cast<const char*>(data) + fileStart, size - fileStart);

  CKinpruneDoc document;
  if (!document.LoadFromMemory(bytes, "fuzz.ged").ok) return 0;

  std::vector<IndividualEntry*> entries;
  for (auto& [name, entry] : document.individualsByName) entries.push_back(&entry);
  for (int i = 0; i < kMaxDetails && i < static_cast<int>(entries.size()); ++i) {
    (void)kinprune::DetailsText(document, *entries[commandChoices.Byte() % entries.size()]);
  }

  SelectionEngine engine(document);
  engine.Reset();
  for (int i = 0; i < commandCount; ++i) RunCommand(commandChoices, engine, entries);

  std::size_t counted = 0;
  for (const IndividualEntry* entry : entries) counted += entry->selected ? 1 : 0;
  gedfuzz::Require(counted == engine.SelectedCount(), "the selected count matches the selected flags");
  if (!engine.SaveEnabled()) return 0;

  std::ostringstream out(std::ios::out | std::ios::binary);
  gedfuzz::Require(document.WriteSubset(out), "the subset is written into memory");
  const std::string written = out.str();
  gedfuzz::RequireCrLfLines(written, false, "every line of the subset ends in CR LF");
  gedfuzz::Require(written.ends_with("0 TRLR\r\n"), "the subset ends with the trailer");

  const WrittenFile file = ReadWritten(gedfuzz::SplitLines(written));
  std::set<std::string> selected;
  for (const IndividualEntry* entry : entries) {
    if (!entry->selected) continue;
    selected.insert(entry->xref);
    if (!entry->xref.empty() && document.RecordOffset(entry->xref) != CKinpruneDoc::kNoRecord) {
      gedfuzz::Require(file.recordIds.count(entry->xref) > 0, "every selected individual is written", entry->xref);
    }
  }

  CKinpruneDoc reloaded;
  const kinprune::OpenOutcome reload = reloaded.LoadFromMemory(written, "subset.ged");
  // Known and reported: a file whose first physical line is blank loads even when its first
  // GEDCOM line holds a NUL byte or starts with a UTF-16 byte-order mark, but the subset starts
  // with that line and is then refused as UTF-16
  // (fuzz/regressions/fuzz_split/subset-first-line-with-nul-does-not-reload).
  const std::string_view firstWritten = std::string_view(written).substr(0, written.find('\r'));
  const bool looksUtf16 = firstWritten.find('\0') != std::string_view::npos ||
                          firstWritten.starts_with("\xFE\xFF") || firstWritten.starts_with("\xFF\xFE");
  if (!reload.ok && looksUtf16) return 0;
  gedfuzz::Require(reload.ok, "the subset loads again", reload.error);
  for (const auto& [name, entry] : reloaded.individualsByName) {
    if (entry.xref == file.firstRecordId) continue;
    gedfuzz::Require(selected.count(entry.xref) > 0 || file.pointedToFromOtherRecords.count(entry.xref) > 0,
                     "every written individual was selected or reached by the closure", entry.xref);
  }
  return 0;
}
