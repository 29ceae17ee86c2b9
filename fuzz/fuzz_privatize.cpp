// fuzz_privatize.cpp - the privatizer engine on any bytes, with every mode, placement and flag
// (the variant is fixed per build: GEDTOOLS_FUZZ_DIALOG selects the dialog variant). Checks
// that every output line ends in CR LF (but a copied last line without one), and that the
// record of every individual presumed living - decided here by an independent reading of the
// rules - holds only the lines its mode allows, and that, unless unreferenced records are removed,
// every other record is copied whole.
#include <cstddef>  // std::size_t
#include <cstdint>  // std::uint8_t, std::int32_t
#include <cstdlib>  // std::getenv
#include <fstream>  // std::ofstream
#include <map>      // std::map
#include <set>      // std::set
#include <sstream>  // std::istringstream, std::ostringstream
#include <string>   // std::string
#include <utility>  // std::pair
#include <vector>   // std::vector

#include "fuzz_support.h"
#include "privatizer.h"

namespace {

using privatize::MessagePlacement;
using privatize::PrivatizerVariant;
using privatize::ProcessingMode;

#ifdef GEDTOOLS_FUZZ_DIALOG
constexpr PrivatizerVariant kVariant = PrivatizerVariant::Dialog;
#else
constexpr PrivatizerVariant kVariant = PrivatizerVariant::Console;
#endif
constexpr bool kDialog = kVariant == PrivatizerVariant::Dialog;

class QuietHooks : public privatize::PrivatizerHooks {
 public:
  void PassStarted(privatize::PrivatizerPass) override {}
};

/// What an independent reading of the rules concludes from the input.
struct InputFacts {
  std::set<std::string> living;
  /// (record identifier, line text) of the lines whose parent tag is NOTE: the dialog variant
  /// keeps them in a living record when notes are retained. The parent is the tag of the last
  /// line one level up in the same record, even when that line was dropped.
  std::set<std::pair<std::string, std::string>> underNote;
};

/// Who is living: the scan of the rules, written again here. Blank lines are no lines, a line
/// without a level changes nothing, a level-0 line (or the end of the input) judges the record
/// before it, and the tag stack forgets everything above level 0 at each record.
InputFacts ReadInput(const std::vector<gedfuzz::TextLine>& lines, std::int32_t cutoff, bool deathExempts) {
  InputFacts facts;
  std::map<std::int32_t, std::string> tags;
  std::string current;   // the individual being judged
  std::string recordId;  // the record the line is in
  std::vector<std::string> families;
  bool bornAfter = false;
  bool hasDeath = false;
  const auto judge = [&] {
    if (bornAfter && (!hasDeath || !deathExempts)) {
      facts.living.insert(current);
      facts.living.insert(families.begin(), families.end());
    }
    bornAfter = hasDeath = false;
    families.clear();
  };
  for (const gedfuzz::TextLine& line : lines) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (fields.blank || !fields.hasLevel) continue;
    if (fields.level == 0) {
      judge();
      tags.clear();
      tags[0] = std::string(fields.value);
      recordId = gedfuzz::IsIdentifierShaped(fields.tag) ? gedfuzz::StripAt(fields.tag) : std::string("\x01");
      if (fields.value == "INDI" && gedfuzz::IsIdentifierShaped(fields.tag)) current = recordId;
      continue;
    }
    tags[fields.level] = std::string(fields.tag);
    const auto parent = tags.find(fields.level - 1);
    const std::string_view parentTag = parent == tags.end() ? std::string_view() : std::string_view(parent->second);
    if (parentTag == "NOTE") facts.underNote.emplace(recordId, std::string(line.text));
    if (fields.tag == "DATE" && parentTag == "BIRT") {
      if (gedfuzz::TrailingYear(fields.value) > cutoff) bornAfter = true;
    } else if (parentTag == "DEAT") {
      hasDeath = true;
    } else if (fields.tag == "FAMS") {
      families.push_back(gedfuzz::StripAt(fields.value));
    }
  }
  judge();
  return facts;
}

struct Effective {
  ProcessingMode mode;
  MessagePlacement placement;
  std::string message;
  bool retainNotes;
  bool initialsOnly;
  bool shared;  // the console's shared note record
};

Effective MakeEffective(const privatize::PrivatizeOptions& options) {
  Effective effective{options.mode, options.placement, options.message, options.retainNotes,
                      kDialog && options.initialsOnly, false};
  if (options.placement == MessagePlacement::NoMessage || options.mode != ProcessingMode::RemoveDetails) {
    effective.message.clear();
  }
  if (!kDialog && options.xrefMessage && !effective.message.empty()) {
    effective.message = std::string(privatize::kSharedNoteIdentifier);
    effective.shared = true;
  }
  return effective;
}

bool OnlyInitials(std::string_view value) {
  if (gedfuzz::IsIdentifierShaped(value)) return true;
  bool inSurname = false;
  int length = 0;
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '/') {
      inSurname = !inSurname;
      length = 0;
    } else if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\'' || c >= 0x80)) {
      length = 0;
    } else if ((c & 0xC0) != 0x80 && !inSurname && ++length > 1) {
      return false;
    }
  }
  return true;
}

bool Allowed(const gedfuzz::Fields& fields, std::string_view text, bool underNote, bool individual,
             const Effective& effective) {
  static const std::set<std::string_view> kKeep = {"SEX", "NAME", "FAMS", "FAMC", "CHIL", "HUSB", "WIFE"};
  if (!fields.hasLevel) return false;
  if (kKeep.count(fields.tag) || (effective.retainNotes && fields.tag == "NOTE")) return true;
  if (kDialog && effective.retainNotes && underNote) return true;
  // Initials Only rewrites these lines in every living record, families included.
  if (effective.initialsOnly && (fields.tag == "GIVN" || fields.tag == "ALIA")) return true;
  if (individual && !effective.message.empty()) {
    if (effective.placement == MessagePlacement::AsNote && text == "1 NOTE " + effective.message) return true;
    if (effective.placement == MessagePlacement::AsBirthDate && (text == "1 BIRT" || text == "2 DATE " + effective.message)) {
      return true;
    }
  }
  return false;
}

void CheckLivingRecords(const std::vector<gedfuzz::TextLine>& output, const InputFacts& facts,
                        const Effective& effective) {
  const std::set<std::string>& living = facts.living;
  std::string recordId;
  bool inLiving = false;
  bool individual = false;
  std::string where;  // the record's level-0 line and the offending line, for the report
  std::map<std::int32_t, std::string> tags;
  for (const gedfuzz::TextLine& line : output) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    gedfuzz::Require(!fields.blank, "no blank line is written", line.text);
    if (fields.hasLevel && fields.level == 0) {
      const std::string id = gedfuzz::IsIdentifierShaped(fields.tag) ? gedfuzz::StripAt(fields.tag) : std::string();
      inLiving = gedfuzz::IsIdentifierShaped(fields.tag) && living.count(id) &&
                 !(effective.shared && fields.tag == privatize::kSharedNoteIdentifier);
      individual = fields.value == "INDI";
      recordId = id;
      where = std::string(line.text) + " ... ";
      if (inLiving && individual && effective.mode == ProcessingMode::DeleteLiving && !kDialog) {
        gedfuzz::Fail("DeleteLiving writes no record of a living individual", line.text);
      }
      continue;
    }
    if (!inLiving) continue;
    const std::string at = where + std::string(line.text);
    const bool underNote = facts.underNote.count({recordId, std::string(line.text)}) > 0;
    if (effective.mode == ProcessingMode::YearOnly) {
      if (fields.hasLevel && fields.tag == "DATE") {
        gedfuzz::Require(!fields.value.empty() && fields.value.find_first_not_of("0123456789") == std::string_view::npos,
                         "YearOnly leaves only the year of a living record's date", at);
      }
    } else {
      gedfuzz::Require(Allowed(fields, line.text, underNote, individual, effective),
                       "a living record keeps only the lines its mode allows", at);
    }
    if (effective.initialsOnly && (fields.tag == "NAME" || fields.tag == "GIVN" || fields.tag == "ALIA")) {
      gedfuzz::Require(OnlyInitials(fields.value), "Initials Only leaves one character per given-name word", at);
    }
  }
}

/// True for the level-0 line of a record of someone living.
bool StartsLivingRecord(const gedfuzz::Fields& fields, const std::set<std::string>& living) {
  return fields.hasLevel && fields.level == 0 && gedfuzz::IsIdentifierShaped(fields.tag) &&
         living.count(gedfuzz::StripAt(fields.tag)) > 0;
}

/// The lines the rewrite copies as they stand when no record is removed as unreferenced: the
/// level-0 line of every record and every line of a record of nobody living (lines before the
/// first record and lines without a level included).
std::vector<std::string_view> LinesCopiedWhole(const std::vector<gedfuzz::TextLine>& lines,
                                               const std::set<std::string>& living) {
  std::vector<std::string_view> copied;
  bool inLiving = false;
  for (const gedfuzz::TextLine& line : lines) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (fields.blank) continue;
    if (fields.hasLevel && fields.level == 0) {
      inLiving = StartsLivingRecord(fields, living);
      copied.push_back(line.text);
    } else if (!inLiving) {
      copied.push_back(line.text);
    }
  }
  return copied;
}

/// Every copied line is in the output, in the order of the input.
void RequireCopiedInOrder(const std::vector<std::string_view>& copied, const std::vector<gedfuzz::TextLine>& output) {
  std::size_t next = 0;
  for (const std::string_view text : copied) {
    while (next < output.size() && output[next].text != text) ++next;
    gedfuzz::Require(next < output.size(), "a record of nobody living is copied whole, in order", text);
    ++next;
  }
}

/// When unreferenced records are removed, every record written with an identifier (the shared
/// note record aside) is named by some pointer line of the input.
void RequireWrittenRecordsPointedTo(const std::vector<gedfuzz::TextLine>& input,
                                    const std::vector<gedfuzz::TextLine>& output) {
  std::set<std::string> pointedTo;
  for (const gedfuzz::TextLine& line : input) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (gedfuzz::IsIdentifierShaped(fields.value)) pointedTo.insert(gedfuzz::StripAt(fields.value));
  }
  for (const gedfuzz::TextLine& line : output) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (!fields.hasLevel || fields.level != 0 || !gedfuzz::IsIdentifierShaped(fields.tag)) continue;
    if (!kDialog && fields.tag == privatize::kSharedNoteIdentifier) continue;
    gedfuzz::Require(pointedTo.count(gedfuzz::StripAt(fields.tag)) > 0,
                     "a record that nothing points to is removed as unreferenced", line.text);
  }
}

/// In the console variant, when unreferenced records are removed but the living are not
/// deleted, every pointer of a record of nobody living counts as a reference, so its target is
/// referenced and no pointer line of such a record is dropped: each of these records that is
/// written at all (its level-0 line is in the output) is written whole, in order, as are the
/// lines before the first record.
void RequireReferencedRecordsWhole(const std::vector<gedfuzz::TextLine>& input,
                                   const std::vector<gedfuzz::TextLine>& output,
                                   const std::set<std::string>& living) {
  std::set<std::string_view> writtenStarts;
  for (const gedfuzz::TextLine& line : output) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (fields.hasLevel && fields.level == 0) writtenStarts.insert(line.text);
  }
  std::vector<std::string_view> whole;
  bool inWholeRecord = true;
  for (const gedfuzz::TextLine& line : input) {
    const gedfuzz::Fields fields = gedfuzz::SplitFields(line.text);
    if (fields.blank) continue;
    if (fields.hasLevel && fields.level == 0) {
      inWholeRecord = !StartsLivingRecord(fields, living) && writtenStarts.count(line.text) > 0;
    }
    if (inWholeRecord) whole.push_back(line.text);
  }
  RequireCopiedInOrder(whole, output);
}

}  // namespace

extern "C" int GEDTOOLS_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size) {
  gedfuzz::Choices choices(data, size);
  privatize::PrivatizeOptions options;
  const std::uint8_t flags = choices.Byte();
  options.mode = static_cast<ProcessingMode>(choices.Pick(3));
  options.placement = static_cast<MessagePlacement>(choices.Pick(3));
  options.retainNotes = flags & 1;
  options.removeUnreferenced = flags & 2;
  options.initialsOnly = flags & 4;
  options.forceCutoff = flags & 8;
  options.xrefMessage = flags & 16;
  const char* const messages[] = {"Living individual, details withheld", "", "x", "Privé – détails"};
  options.message = messages[choices.Pick(4)];
  const std::uint8_t cutoffChoice = choices.Byte();
  options.cutoffYear = cutoffChoice < 200 ? 1850 + cutoffChoice : choices.Int32();
  const std::string input(choices.Rest());

  std::istringstream source(input, std::ios::in | std::ios::binary);
  std::ostringstream destination(std::ios::out | std::ios::binary);
  QuietHooks hooks;
  const privatize::PrivatizeResult result = privatize::RunPrivatizer(source, destination, options, kVariant, hooks);
  const std::string output = destination.str();
  if (result.outcome == privatize::PrivatizeOutcome::RefusedUtf16) {
    gedfuzz::Require(output.empty(), "a refused UTF-16 source writes nothing");
    return 0;
  }
  gedfuzz::Require(result.outcome == privatize::PrivatizeOutcome::Completed, "a run in memory completes");

  bool inputMark = false;
  bool outputMark = false;
  const auto in = gedfuzz::SplitLines(input, &inputMark);
  // The output may start with the bytes of a mark without the input doing so: a first line
  // that begins with them after blank lines, which are dropped. Those bytes are then part of
  // that line, not a mark.
  const auto out = gedfuzz::SplitLines(output, &outputMark, inputMark);
  gedfuzz::Require(!inputMark || outputMark, "a byte-order mark is written back");
  const bool lastUnterminated = !in.empty() && !in.back().terminated;
  gedfuzz::RequireCrLfLines(std::string_view(output).substr(outputMark ? 3 : 0), lastUnterminated,
                            "every privatized line ends in CR LF");

  // FUZZ_DUMP=FILE writes the output there, to study a reproducer.
  if (const char* dump = std::getenv("FUZZ_DUMP")) std::ofstream(dump, std::ios::binary) << output;
  const bool deathExempts = !(kDialog && options.forceCutoff);
  const InputFacts facts = ReadInput(in, options.cutoffYear, deathExempts);
  CheckLivingRecords(out, facts, MakeEffective(options));
  const bool removesUnreferenced = options.mode == ProcessingMode::DeleteLiving ||
                                   (options.removeUnreferenced && (kDialog || options.mode != ProcessingMode::YearOnly));
  if (!removesUnreferenced) {
    RequireCopiedInOrder(LinesCopiedWhole(in, facts.living), out);
  } else {
    RequireWrittenRecordsPointedTo(in, out);
    if (!kDialog && options.mode != ProcessingMode::DeleteLiving) {
      RequireReferencedRecordsWhole(in, out, facts.living);
    }
  }
  return 0;
}
