// selection_engine.cpp - selection state, everyone/invert/undo, and the family-link traversals.
#include "selection_engine.h"

#include <algorithm>  // std::sort, std::fill, std::min, std::max
#include <array>      // std::array
#include <bit>        // std::endian
#include <cstdint>    // std::uint32_t, std::uint64_t
#include <cstring>    // std::memcpy
#include <iterator>   // std::size
#include <memory>     // std::unique_ptr, std::make_unique
#include <string>     // std::to_string
#include <vector>     // std::vector

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

// Copies of the xrefs one traversal keeps, in blocks that never move. The pointer values the
// xrefs come from lie all over the file; the copies of one step lie together, so going through
// a step (hashing each xref to fetch its record) touches little memory.
class XrefStore {
 public:
  /// A copy of xref that lives as long as the store.
  std::string_view Keep(std::string_view xref) {
    if (xref.empty()) return {};
    if (xref.size() > kBlockSize - used) {
      blocks.push_back(std::make_unique<char[]>(std::max(kBlockSize, xref.size())));
      used = 0;
    }
    char* copy = blocks.back().get() + used;
    std::memcpy(copy, xref.data(), xref.size());
    used += xref.size();
    return {copy, xref.size()};
  }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{64} << 10;
  std::vector<std::unique_ptr<char[]>> blocks;
  std::size_t used = kBlockSize;  // of the last block; full until there is one
};

// A set of xrefs for one traversal: membership by hash, iteration in byte order. The xrefs are
// views of copies in the traversal's store, made when an xref first enters one of its sets.
class ViewSet {
 public:
  explicit ViewSet(XrefStore& store) : store(store) {}

  bool Contains(std::string_view xref) const {
    return table.Find(xref, XrefHead(xref)) != nullptr;
  }

  void Insert(std::string_view xref) {
    if (table.FullAfter(items.size())) {
      table.Rehash(table.Capacity() == 0 ? 16 : 2 * table.Capacity());
    }
    const std::uint64_t head = XrefHead(xref);
    if (table.Find(xref, head) != nullptr) return;
    Add(store.Keep(xref), head);
  }

  /// Inserts the xrefs of other, a set of the same traversal.
  void InsertAll(ViewSet& other) {
    const std::size_t total = items.size() + other.items.size();
    // Grown once to the size the insertions need, rather than by doubling on the way.
    if (table.FullAfter(total)) table.Rehash(2 * total + 16);
    for (const Item& item : other.items) {
      const std::uint64_t head = XrefHead(item.xref);
      // Kept in the store already.
      if (table.Find(item.xref, head) == nullptr) Add(item.xref, head);
    }
  }

  /// The xrefs in byte order. Valid until the next change of this set.
  const std::vector<std::string_view>& Sorted() {
    if (!sorted) {
      std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.order != b.order) return a.order < b.order;
        return ByteOrder::Less(a.xref, b.xref);
      });
    }
    sorted = true;
    views.clear();
    views.reserve(items.size());
    for (const Item& item : items) views.push_back(item.xref);
    return views;
  }

  std::size_t size() const { return items.size(); }
  bool empty() const { return items.empty(); }
  void clear() {
    table.Empty();
    items.clear();
    views.clear();
    sorted = true;
  }

 private:
  struct Slot {
    std::uint64_t head = 0;
    std::uint32_t size = 0;
    bool used = false;  // an empty xref may have no data pointer, so it cannot mark the slot
    const char* data = nullptr;

    bool Used() const { return used; }
    std::string_view Key() const { return {data, size}; }
  };

  // An xref with its first eight bytes as a number that orders as the bytes do (zero bytes past
  // the end), so that sorting seldom has to visit the bytes themselves, which lie all over the
  // file: only xrefs with equal numbers are compared in full.
  struct Item {
    std::uint64_t order;
    std::string_view xref;
  };

  // Adds a kept xref that is not in the set; the table has room for it.
  void Add(std::string_view kept, std::uint64_t head) {
    table.Place(Slot{head, static_cast<std::uint32_t>(kept.size()), true, kept.data()});
    items.push_back(Item{OrderOfHead(head), kept});
    sorted = items.size() < 2;
  }

  static std::uint64_t OrderOfHead(std::uint64_t head) {
    if constexpr (std::endian::native == std::endian::big) {
      return head;
    } else {
      return __builtin_bswap64(head);
    }
  }

  XrefStore& store;
  XrefSlotTable<Slot> table;
  std::vector<Item> items;
  std::vector<std::string_view> views;  // Sorted()'s result
  bool sorted = true;
};

bool Contains(const ViewSet& set, std::string_view xref) { return set.Contains(xref); }
void Insert(ViewSet& set, std::string_view xref) { set.Insert(xref); }

void InsertUnless(ViewSet& target, std::string_view xref, const ViewSet& exclude) {
  if (!exclude.Contains(xref)) target.Insert(xref);
}

/// One record of a traversal step: the xref read, and the offset of its record's level-0 line
/// (CKinpruneDoc::kNoRecord when the file has no such record).
struct StepRecord {
  std::string_view xref;
  std::uint64_t offset;
};

/// Calls fn(tag, xref) for each line of the record at offset below its level-0 line whose value
/// is a pointer; xref is the pointer without its '@' signs and lives as long as the document's
/// data. Lines without a level number are never interpreted. False when there is no record.
template <class Fn>
bool ForEachLinkAt(CKinpruneDoc& document, std::uint64_t offset, Fn&& fn) {
  DocLine line;
  if (!document.BeginRecordAt(offset, line)) return false;
  while (document.NextRecordLine(line)) {
    // Only identifier-shaped values are links: family event lines such as "2 HUSB" with an age
    // below them carry no pointer and name nobody.
    if (!line.hasLevel || !CKinpruneDoc::IsPointerValue(line.value)) continue;
    fn(line.tag, CKinpruneDoc::PointerXref(line.value));
  }
  return true;
}

/// ForEachLinkAt for the record of xref.
template <class Fn>
bool ForEachLink(CKinpruneDoc& document, std::string_view xref, Fn&& fn) {
  return ForEachLinkAt(document, document.RecordOffset(xref), fn);
}

/// ForEachLinkAt for a record of a step.
template <class Fn>
bool ForEachLink(CKinpruneDoc& document, const StepRecord& record, Fn&& fn) {
  return ForEachLinkAt(document, record.offset, fn);
}

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

// Calls read(StepRecord) for each of xrefs in turn. The records of a step lie all over the
// file, so while one is read, the index slot of an xref further on is fetched, and a nearer one
// is looked up and the start of its record fetched. Each xref is looked up once, in its turn's
// order, so the record table changes (missing records are added) exactly as it would with the
// lookups made one by one.
template <class Read>
void ForEachInTurn(CKinpruneDoc& document, const std::vector<std::string_view>& xrefs, Read&& read) {
  constexpr std::size_t kEntriesAhead = 8;
  constexpr std::size_t kRecordsAhead = 4;
  std::array<std::uint64_t, kRecordsAhead> offsets{};  // by position modulo kRecordsAhead
  auto lookUp = [&](std::size_t k) {
    const std::uint64_t offset = document.RecordOffset(xrefs[k]);
    offsets[k % kRecordsAhead] = offset;
    PrefetchRecordBytes(document, offset);
  };
  for (std::size_t k = 0; k < kRecordsAhead && k < xrefs.size(); ++k) lookUp(k);
  for (std::size_t k = 0; k < xrefs.size(); ++k) {
    if (k + kEntriesAhead < xrefs.size()) document.PrefetchRecordEntry(xrefs[k + kEntriesAhead]);
    const StepRecord record{xrefs[k], offsets[k % kRecordsAhead]};
    if (k + kRecordsAhead < xrefs.size()) lookUp(k + kRecordsAhead);
    read(record);
  }
}

// Adds the xrefs of source to target and empties source. The steps of a traversal add what they
// have read to their done set this way, after the step: no step consults the done set it adds
// to.
void MergeInto(ViewSet& target, ViewSet& source) {
  target.InsertAll(source);
  source.clear();
}

}  // namespace

/// The working sets of one traversal.
struct SelectionEngine::FloodSets {
  XrefStore store;  // first: outlives the sets that view into it
  ViewSet pendingIndividuals{store};
  ViewSet doneIndividuals{store};
  ViewSet pendingFamilies{store};
  ViewSet doneFamilies{store};
};

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
  FloodSets sets;
  std::string missingXrefs;
  bool anyMissing = false;
  auto noteMissing = [&](std::string_view xref) {
    if (!missingXrefs.empty()) missingXrefs += ", ";
    missingXrefs += xref;
    anyMissing = true;
  };

  Insert(sets.pendingIndividuals, start);
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size());
    ForEachInTurn(document, sets.pendingIndividuals.Sorted(), [&](const StepRecord& person) {
      const bool found = ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
      });
      if (!found) noteMissing(person.xref);
    });
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      const bool found = ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
      });
      if (!found) noteMissing(family.xref);
    });
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
  ApplyToXrefs(sets.doneIndividuals.Sorted(), sets.pendingIndividuals.Sorted(), target);
  ReportSelectedCount();
  if (anyMissing && reporter != nullptr) {
    reporter->ShowMissingRecords(std::string(kMissingRecordsIntro) + missingXrefs);
  }
}

void SelectionEngine::SelectAncestors(std::string_view start, const AncestorOptions& options,
                                      SelectionTarget target) {
  FloodSets sets;
  ViewSet spouseAncestryFamilies{sets.store};

  if (options.includeAncestorTree && options.excludeFamiliesOfSpouses) {
    ForEachLink(document, start, [&](std::string_view tag, std::string_view xref) {
      if (tag == kTagFams) Insert(sets.pendingFamilies, xref);
    });
    Insert(sets.doneIndividuals, start);
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsSpouseTag(tag) && xref != start) Insert(sets.pendingIndividuals, xref);
      });
    });
    sets.pendingFamilies.clear();
    while (!sets.pendingIndividuals.empty()) {
      ForEachInTurn(document, sets.pendingIndividuals.Sorted(), [&](const StepRecord& person) {
        ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
          if (tag == kTagFamc) InsertUnless(sets.pendingFamilies, xref, spouseAncestryFamilies);
        });
      });
      MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
      ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
        ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
          if (IsSpouseTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
        });
      });
      MergeInto(spouseAncestryFamilies, sets.pendingFamilies);
    }
    sets.doneIndividuals.clear();
  }

  Insert(sets.pendingIndividuals, start);
  const std::int32_t generations = options.generations;
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    ForEachInTurn(document, sets.pendingIndividuals.Sorted(), [&](const StepRecord& person) {
      ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (tag == kTagFamc) {
          InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
        } else if (options.includeAncestorTree && tag == kTagFams) {
          if (passNo == 0) {
            // The start's own marriages stay closed: the tree hangs from its ancestry only.
            Insert(sets.doneFamilies, xref);
          } else if (!Contains(sets.doneFamilies, xref) &&
                     !Contains(spouseAncestryFamilies, xref)) {
            Insert(sets.pendingFamilies, xref);
          }
        }
      });
    });
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (tag == kTagChil) {
          if (options.includeAncestorTree) {
            InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
          } else if (options.includeChildrenOfAncestors) {
            Insert(sets.doneIndividuals, xref);  // selected, never read
          }
        } else if (IsSpouseTag(tag)) {
          InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
        }
      });
    });
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplyToXrefs(sets.doneIndividuals.Sorted(), sets.pendingIndividuals.Sorted(), target);
  ReportSelectedCount();
}

void SelectionEngine::SelectDescendants(std::string_view start, const DescendantOptions& options,
                                        SelectionTarget target) {
  FloodSets sets;
  ViewSet spousesFound{sets.store};

  Insert(sets.pendingIndividuals, start);
  const std::int32_t generations = options.generations;
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    ForEachInTurn(document, sets.pendingIndividuals.Sorted(), [&](const StepRecord& person) {
      ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (tag == kTagFams) {
          InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
        } else if (options.includeDescendantTree && tag == kTagFamc) {
          if (passNo == 0) {
            // The start's parental families stay closed: the tree hangs from its descendants.
            Insert(sets.doneFamilies, xref);
          } else {
            InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
          }
        }
      });
    });
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsSpouseTag(tag)) {
          if (passNo != 0 && options.includeDescendantTree) {
            InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
          } else if (options.includeSpousesOfDescendants) {
            InsertUnless(spousesFound, xref, sets.doneIndividuals);
          }
        } else if (tag == kTagChil) {
          InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
        }
      });
    });
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }

  if (options.includeSpousesParents) {
    ForEachInTurn(document, spousesFound.Sorted(), [&](const StepRecord& spouse) {
      ForEachLink(document, spouse, [&](std::string_view tag, std::string_view xref) {
        if (tag == kTagFamc) Insert(sets.pendingFamilies, xref);
      });
      sets.pendingIndividuals.Insert(spouse.xref);
    });
    spousesFound.clear();
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsSpouseTag(tag)) Insert(sets.pendingIndividuals, xref);
      });
    });
    sets.pendingFamilies.clear();
  } else {
    MergeInto(sets.pendingIndividuals, spousesFound);
  }
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplyToXrefs(sets.doneIndividuals.Sorted(), sets.pendingIndividuals.Sorted(), target);
  ReportSelectedCount();
}

void SelectionEngine::CollateralExpansion(FloodSets& sets, std::int32_t collateralGenerations) {
  if (collateralGenerations <= 0) return;
  for (std::int32_t collateralPass = 0;
       collateralPass < collateralGenerations && !sets.pendingIndividuals.empty();
       ++collateralPass) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    ForEachInTurn(document, sets.pendingIndividuals.Sorted(), [&](const StepRecord& person) {
      ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
      });
    });
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    ForEachInTurn(document, sets.pendingFamilies.Sorted(), [&](const StepRecord& family) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
      });
    });
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
}

}  // namespace kinprune
