// selection_engine.cpp - selection state, everyone/invert/undo, and the family-link traversals.
#include "selection_engine.h"

#include <algorithm>  // std::sort, std::all_of, std::min, std::max
#include <array>      // std::array
#include <cstdint>    // std::uint32_t, std::uint64_t
#include <iterator>   // std::size
#include <string>     // std::to_string
#include <vector>     // std::vector

#include "radix_sort.h"

namespace kinprune {
namespace {

constexpr std::string_view kTagFamc = "FAMC";
constexpr std::string_view kTagFams = "FAMS";
constexpr std::string_view kTagHusb = "HUSB";
constexpr std::string_view kTagWife = "WIFE";
constexpr std::string_view kTagChil = "CHIL";

bool IsSpouseTag(std::string_view tag) { return tag == kTagHusb || tag == kTagWife; }
bool IsFamilyLinkTag(std::string_view tag) { return tag == kTagFamc || tag == kTagFams; }
bool IsMemberTag(std::string_view tag) { return tag == kTagChil || IsSpouseTag(tag); }

std::string IndividualsFound(std::size_t count) {
  return std::to_string(count) + " individuals found";
}

using RecordRef = CKinpruneDoc::RecordRef;

// A set of records for one traversal: membership by record id, a bit each, and iteration in the
// identifiers' byte order. Ids below idsInByteOrder follow that order already, so sorting a step
// compares identifiers only for records added to the table during the traversal (missing ones).
class RecordSet {
 public:
  explicit RecordSet(std::size_t idsInByteOrder)
      : idsInByteOrder(idsInByteOrder), bits(idsInByteOrder / kBitsPerWord + 1, 0) {}

  bool Contains(const RecordRef& record) const {
    const std::size_t word = record.id / kBitsPerWord;
    return word < bits.size() && (bits[word] & BitOf(record.id)) != 0;
  }

  void Insert(const RecordRef& record) {
    const std::size_t word = record.id / kBitsPerWord;
    if (word >= bits.size()) bits.resize(std::max(word + 1, 2 * bits.size()), 0);
    if ((bits[word] & BitOf(record.id)) != 0) return;
    bits[word] |= BitOf(record.id);
    items.push_back(record);
    sorted = items.size() < 2;
  }

  /// Inserts the records of other.
  void InsertAll(const RecordSet& other) {
    for (const RecordRef& record : other.items) Insert(record);
  }

  /// The records in their identifiers' byte order. Valid until the next change of this set.
  const std::vector<RecordRef>& Sorted() {
    if (!sorted) {
      const bool allInByteOrder = std::all_of(items.begin(), items.end(), [this](const RecordRef& record) {
        return record.id < idsInByteOrder;
      });
      if (allInByteOrder && items.size() >= kRadixSortFrom) {
        SortByDigits<32>(items, [](const RecordRef& record) { return record.id; });
      } else {
        std::sort(items.begin(), items.end(), [this](const RecordRef& a, const RecordRef& b) {
          if (a.id < idsInByteOrder && b.id < idsInByteOrder) return a.id < b.id;
          return ByteOrder::Less(a.Xref(), b.Xref());
        });
      }
      sorted = true;
    }
    return items;
  }

  /// The identifiers of Sorted().
  std::vector<std::string_view> SortedXrefs() {
    std::vector<std::string_view> xrefs;
    xrefs.reserve(items.size());
    for (const RecordRef& record : Sorted()) xrefs.push_back(record.Xref());
    return xrefs;
  }

  std::size_t size() const { return items.size(); }
  bool empty() const { return items.empty(); }
  void clear() {
    for (const RecordRef& record : items) bits[record.id / kBitsPerWord] &= ~BitOf(record.id);
    items.clear();
    sorted = true;
  }

 private:
  static constexpr std::size_t kBitsPerWord = 64;
  // Below this many records a comparison sort is as quick as counting digits.
  static constexpr std::size_t kRadixSortFrom = 4096;
  static std::uint64_t BitOf(std::uint32_t id) { return std::uint64_t{1} << (id % kBitsPerWord); }

  std::size_t idsInByteOrder;
  std::vector<std::uint64_t> bits;  // by id; grows for ids added during the traversal
  std::vector<RecordRef> items;
  bool sorted = true;
};

bool Contains(const RecordSet& set, const RecordRef& record) { return set.Contains(record); }
void Insert(RecordSet& set, const RecordRef& record) { set.Insert(record); }

void InsertUnless(RecordSet& target, const RecordRef& record, const RecordSet& exclude) {
  if (!exclude.Contains(record)) target.Insert(record);
}

// The tags of the links the traversals follow; pointers under other tags (sources, notes,
// media) are not looked up.
bool IsTraversalTag(std::string_view tag) { return IsFamilyLinkTag(tag) || IsMemberTag(tag); }

// Asks for the first bytes of the record at offset, which is about to be read; only a hint.
void PrefetchRecordBytes(const CKinpruneDoc& document, std::uint64_t offset) {
#if defined(__GNUC__) || defined(__clang__)
  // An individual's family links come last in its record, some hundred bytes on.
  constexpr std::uint64_t kCacheLine = 64;
  constexpr std::uint64_t kLines = 4;
  if (offset >= document.fileLength) return;
  const char* start = document.fileData.data() + offset;
  const std::uint64_t lines = std::min(kLines, (document.fileLength - offset + kCacheLine - 1) / kCacheLine);
  for (std::uint64_t k = 0; k < lines; ++k) __builtin_prefetch(start + k * kCacheLine);
#else
  (void)document;
  (void)offset;
#endif
}

// The links read but not yet handed on, oldest first: each link's table lookup is started when it
// is read and finished some links later, so that the lookups of several records are under way
// at once.
class PendingLinks {
 public:
  bool Full() const { return count == kCapacity; }
  bool Empty() const { return count == 0; }

  void Push(CKinpruneDoc& document, std::string_view tag, std::string_view xref) {
    document.PrefetchRecordEntry(xref);
    links[(first + count++) % kCapacity] = Link{tag, xref};
  }

  /// Looks up the oldest link and calls onLink(tag, record) with it.
  template <class OnLink>
  void PopInto(CKinpruneDoc& document, OnLink& onLink) {
    const Link link = links[first];
    first = (first + 1) % kCapacity;
    --count;
    onLink(link.tag, document.FindOrAddRecord(link.xref));
  }

 private:
  struct Link {
    std::string_view tag;
    std::string_view xref;
  };
  static constexpr std::size_t kCapacity = 8;
  std::array<Link, kCapacity> links{};
  std::size_t first = 0;
  std::size_t count = 0;
};

/// Reads the records one after another and calls onLink(tag, record) for each line below a
/// level-0 line whose tag is FAMC, FAMS, HUSB, WIFE or CHIL and whose value is a pointer, with
/// the table entry of the record pointed to (added as missing when the file has none), in the
/// order of the records and of their lines; onMissing(record) for each record the file does not
/// have. Lines without a level number are never interpreted. The records lie all over the file,
/// so the first bytes of a record some turns on are fetched while one is read, and each link
/// is handed on only some links after it was read (all of them before this returns).
template <class OnLink, class OnMissing>
void ReadLinks(CKinpruneDoc& document, const std::vector<RecordRef>& records, OnLink&& onLink,
               OnMissing&& onMissing) {
  constexpr std::size_t kRecordsAhead = 8;
  PendingLinks pending;
  for (std::size_t k = 0; k < kRecordsAhead && k < records.size(); ++k) {
    PrefetchRecordBytes(document, records[k].offset);
  }
  DocLine line;
  for (std::size_t k = 0; k < records.size(); ++k) {
    if (k + kRecordsAhead < records.size()) PrefetchRecordBytes(document, records[k + kRecordsAhead].offset);
    if (!document.BeginRecordAt(records[k].offset, line)) {
      onMissing(records[k]);
      continue;
    }
    while (document.NextPointerLine(line)) {
      // Only identifier-shaped values are links: family event lines such as "2 HUSB" with an
      // age below them carry no pointer and name nobody.
      if (!line.hasLevel || !IsTraversalTag(line.tag) || !CKinpruneDoc::IsPointerValue(line.value)) {
        continue;
      }
      if (pending.Full()) pending.PopInto(document, onLink);
      pending.Push(document, line.tag, CKinpruneDoc::PointerXref(line.value));
    }
  }
  while (!pending.Empty()) pending.PopInto(document, onLink);
}

/// ReadLinks for steps that pass over missing records in silence.
template <class OnLink>
void ReadLinks(CKinpruneDoc& document, const std::vector<RecordRef>& records, OnLink&& onLink) {
  ReadLinks(document, records, onLink, [](const RecordRef&) {});
}

// Adds the records of source to target and empties source. The steps of a traversal add what
// they have read to their done set this way, after the step: no step consults the done set it
// adds to.
void MergeInto(RecordSet& target, RecordSet& source) {
  target.InsertAll(source);
  source.clear();
}

}  // namespace

/// The working sets of one traversal.
struct SelectionEngine::FloodSets {
  explicit FloodSets(CKinpruneDoc& document) : idsInByteOrder(document.RecordIdsInByteOrder()) {}

  std::size_t idsInByteOrder;  // first: the sets are made with it
  RecordSet pendingIndividuals{idsInByteOrder};
  RecordSet doneIndividuals{idsInByteOrder};
  RecordSet pendingFamilies{idsInByteOrder};
  RecordSet doneFamilies{idsInByteOrder};
};

template <class OnIndividualLink, class OnFamilyLink>
void SelectionEngine::FloodByGenerations(FloodSets& sets, std::int32_t generations,
                                         OnIndividualLink&& onIndividualLink,
                                         OnFamilyLink&& onFamilyLink) {
  for (std::int32_t pass = 0;
       (generations == 0 || pass < generations) && !sets.pendingIndividuals.empty(); ++pass) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    ReadLinks(document, sets.pendingIndividuals.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
      onIndividualLink(pass, tag, linked);
    });
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ReadLinks(document, sets.pendingFamilies.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
      onFamilyLink(pass, tag, linked);
    });
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
}

SelectionEngine::SelectionEngine(CKinpruneDoc& document, SelectionReporter* reporter)
    : document(document), reporter(reporter) {}

void SelectionEngine::Reset() {
  // Counted rather than zeroed, so the count matches the flags whatever the document holds.
  selectedCount = 0;
  for (const auto& [name, entry] : document.individualsByName) selectedCount += entry.selected;
  undoEntries.clear();
  undoValue = false;
  undoIsInvert = false;
}

std::vector<std::string> SelectionEngine::UndoXrefs() const {
  std::vector<std::string> xrefs;
  xrefs.reserve(undoEntries.size());
  for (const IndividualEntry* entry : undoEntries) xrefs.push_back(entry->xref);
  return xrefs;
}

void SelectionEngine::SetEntry(IndividualEntry& entry, bool value) {
  if (entry.selected == value) return;
  entry.selected = value;
  if (value) {
    ++selectedCount;
  } else {
    --selectedCount;
  }
}

void SelectionEngine::ReportProgressCount(std::size_t count) {
  if (reporter != nullptr) reporter->ShowProgress(IndividualsFound(count));
}

void SelectionEngine::ReportSelectedCount() {
  if (reporter != nullptr) reporter->ShowSelectedCount(selectedCount);
}

namespace {

// Calls fn(entry) for the individual of each xref of the ascending range xrefs that has one, in
// the range's order. A long range is matched against the identifier table in one ordered walk
// side by side with it, a short one by a lookup per xref.
template <class Xrefs, class Fn>
void ForEachIndividual(CKinpruneDoc& document, const Xrefs& xrefs, Fn&& fn) {
  const IndividualByXref& table = document.individualByXref;
  constexpr std::size_t kWalkRatio = 16;
  if (std::size(xrefs) * kWalkRatio < table.size()) {
    for (std::string_view xref : xrefs) {
      if (IndividualEntry* entry = document.FindIndividual(xref)) fn(*entry);
    }
    return;
  }
  auto it = table.begin();
  for (std::string_view xref : xrefs) {
    while (it != table.end() && ByteOrder::Less(it->first, xref)) ++it;
    if (it == table.end()) return;
    if (std::string_view(it->first) == xref) fn(*it->second);
  }
}

}  // namespace

template <class Xrefs>
void SelectionEngine::ApplyToXrefs(const Xrefs& first, const Xrefs& second,
                                   SelectionTarget target) {
  const bool value = target == SelectionTarget::Select;
  undoValue = value;
  undoIsInvert = false;
  undoEntries.clear();
  std::size_t changedCount = 0;
  auto apply = [&](IndividualEntry& entry) {
    if (entry.selected == value) return;
    SetEntry(entry, value);
    undoEntries.push_back(&entry);
    ++changedCount;
  };
  ForEachIndividual(document, first, apply);
  ForEachIndividual(document, second, apply);
  if (reporter != nullptr) reporter->ShowStatus(IndividualsFound(changedCount));
}

void SelectionEngine::ApplySelection(const XrefSet& first, const XrefSet& second,
                                     SelectionTarget target) {
  ApplyToXrefs(first, second, target);
}


void SelectionEngine::SelectEveryone() {
  const std::size_t individualCount = document.individualsByName.size();
  const bool value = selectedCount != individualCount;
  undoValue = value;
  undoIsInvert = false;
  undoEntries.clear();
  for (auto& [name, entry] : document.individualsByName) {
    if (entry.selected == value) continue;
    SetEntry(entry, value);
    undoEntries.push_back(&entry);
  }
  ReportSelectedCount();
}

void SelectionEngine::InvertAll() {
  undoIsInvert = true;
  undoEntries.clear();
  selectedCount = 0;
  for (auto& [name, entry] : document.individualsByName) {
    entry.selected = !entry.selected;
    if (entry.selected) ++selectedCount;
  }
}

void SelectionEngine::InvertSelection() {
  InvertAll();
  ReportSelectedCount();
}

void SelectionEngine::UndoRedo() {
  if (undoIsInvert) {
    InvertAll();
  } else {
    undoValue = !undoValue;
    // Each recorded entry was changed by the last operation and nothing has touched it since,
    // so writing the value back changes every one of them; SetEntry keeps the count exact
    // even so.
    for (IndividualEntry* entry : undoEntries) SetEntry(*entry, undoValue);
  }
  ReportSelectedCount();
}

void SelectionEngine::ToggleIndividual(IndividualEntry& entry) {
  undoEntries.clear();
  undoValue = !entry.selected;
  SetEntry(entry, undoValue);
  undoIsInvert = false;
  undoEntries.push_back(&entry);
  ReportSelectedCount();
}

void SelectionEngine::SelectFamily(std::string_view start) {
  SelectConnected(start, 1, SelectionTarget::Select);
}

void SelectionEngine::SelectConnected(std::string_view start, std::int32_t generations,
                                      SelectionTarget target) {
  FloodSets sets{document};
  std::string missingXrefs;
  bool anyMissing = false;
  auto noteMissing = [&](const RecordRef& record) {
    if (!missingXrefs.empty()) missingXrefs += ", ";
    missingXrefs += record.Xref();
    anyMissing = true;
  };

  Insert(sets.pendingIndividuals, document.FindOrAddRecord(start));
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size());
    ReadLinks(
        document, sets.pendingIndividuals.Sorted(),
        [&](std::string_view tag, const RecordRef& linked) {
          if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, linked, sets.doneFamilies);
        },
        noteMissing);
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ReadLinks(
        document, sets.pendingFamilies.Sorted(),
        [&](std::string_view tag, const RecordRef& linked) {
          if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
        },
        noteMissing);
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
  ApplyToXrefs(sets.doneIndividuals.SortedXrefs(), sets.pendingIndividuals.SortedXrefs(), target);
  ReportSelectedCount();
  if (anyMissing && reporter != nullptr) {
    reporter->ShowMissingRecords(std::string(kMissingRecordsIntro) + missingXrefs);
  }
}

void SelectionEngine::SelectAncestors(std::string_view start, const AncestorOptions& options,
                                      SelectionTarget target) {
  FloodSets sets{document};
  RecordSet spouseAncestryFamilies{sets.idsInByteOrder};

  if (options.includeAncestorTree && options.excludeFamiliesOfSpouses) {
    const RecordRef startRecord = document.FindOrAddRecord(start);
    ReadLinks(document, {startRecord}, [&](std::string_view tag, const RecordRef& linked) {
      if (tag == kTagFams) Insert(sets.pendingFamilies, linked);
    });
    Insert(sets.doneIndividuals, startRecord);
    ReadLinks(document, sets.pendingFamilies.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
      if (IsSpouseTag(tag) && linked.Xref() != start) Insert(sets.pendingIndividuals, linked);
    });
    sets.pendingFamilies.clear();
    while (!sets.pendingIndividuals.empty()) {
      ReadLinks(document, sets.pendingIndividuals.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
        if (tag == kTagFamc) InsertUnless(sets.pendingFamilies, linked, spouseAncestryFamilies);
      });
      MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
      ReadLinks(document, sets.pendingFamilies.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
        if (IsSpouseTag(tag)) InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
      });
      MergeInto(spouseAncestryFamilies, sets.pendingFamilies);
    }
    sets.doneIndividuals.clear();
  }

  Insert(sets.pendingIndividuals, document.FindOrAddRecord(start));
  FloodByGenerations(
      sets, options.generations,
      [&](std::int32_t passNo, std::string_view tag, const RecordRef& linked) {
        if (tag == kTagFamc) {
          InsertUnless(sets.pendingFamilies, linked, sets.doneFamilies);
        } else if (options.includeAncestorTree && tag == kTagFams) {
          if (passNo == 0) {
            // The start's own marriages stay closed: the tree hangs from its ancestry only.
            Insert(sets.doneFamilies, linked);
          } else if (!Contains(sets.doneFamilies, linked) &&
                     !Contains(spouseAncestryFamilies, linked)) {
            Insert(sets.pendingFamilies, linked);
          }
        }
      },
      [&](std::int32_t, std::string_view tag, const RecordRef& linked) {
        if (tag == kTagChil) {
          if (options.includeAncestorTree) {
            InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
          } else if (options.includeChildrenOfAncestors) {
            Insert(sets.doneIndividuals, linked);  // selected, never read
          }
        } else if (IsSpouseTag(tag)) {
          InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
        }
      });
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplyToXrefs(sets.doneIndividuals.SortedXrefs(), sets.pendingIndividuals.SortedXrefs(), target);
  ReportSelectedCount();
}

void SelectionEngine::SelectDescendants(std::string_view start, const DescendantOptions& options,
                                        SelectionTarget target) {
  FloodSets sets{document};
  RecordSet spousesFound{sets.idsInByteOrder};

  Insert(sets.pendingIndividuals, document.FindOrAddRecord(start));
  FloodByGenerations(
      sets, options.generations,
      [&](std::int32_t passNo, std::string_view tag, const RecordRef& linked) {
        if (tag == kTagFams) {
          InsertUnless(sets.pendingFamilies, linked, sets.doneFamilies);
        } else if (options.includeDescendantTree && tag == kTagFamc) {
          if (passNo == 0) {
            // The start's parental families stay closed: the tree hangs from its descendants.
            Insert(sets.doneFamilies, linked);
          } else {
            InsertUnless(sets.pendingFamilies, linked, sets.doneFamilies);
          }
        }
      },
      [&](std::int32_t passNo, std::string_view tag, const RecordRef& linked) {
        if (IsSpouseTag(tag)) {
          if (passNo != 0 && options.includeDescendantTree) {
            InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
          } else if (options.includeSpousesOfDescendants) {
            InsertUnless(spousesFound, linked, sets.doneIndividuals);
          }
        } else if (tag == kTagChil) {
          InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
        }
      });

  if (options.includeSpousesParents) {
    ReadLinks(document, spousesFound.Sorted(), [&](std::string_view tag, const RecordRef& linked) {
      if (tag == kTagFamc) Insert(sets.pendingFamilies, linked);
    });
    MergeInto(sets.pendingIndividuals, spousesFound);
    ReadLinks(document, sets.pendingFamilies.Sorted(),
              [&](std::string_view tag, const RecordRef& linked) {
                if (IsSpouseTag(tag)) Insert(sets.pendingIndividuals, linked);
              });
    sets.pendingFamilies.clear();
  } else {
    MergeInto(sets.pendingIndividuals, spousesFound);
  }
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplyToXrefs(sets.doneIndividuals.SortedXrefs(), sets.pendingIndividuals.SortedXrefs(), target);
  ReportSelectedCount();
}

void SelectionEngine::CollateralExpansion(FloodSets& sets, std::int32_t collateralGenerations) {
  if (collateralGenerations <= 0) return;
  FloodByGenerations(
      sets, collateralGenerations,
      [&](std::int32_t, std::string_view tag, const RecordRef& linked) {
        if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, linked, sets.doneFamilies);
      },
      [&](std::int32_t, std::string_view tag, const RecordRef& linked) {
        if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, linked, sets.doneIndividuals);
      });
}

}  // namespace kinprune
