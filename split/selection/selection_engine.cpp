// selection_engine.cpp - selection state, everyone/invert/undo, and the family-link traversals.
#include "selection_engine.h"

#include <string>  // std::to_string

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

bool Contains(const XrefSet& set, std::string_view xref) { return set.find(xref) != set.end(); }

// Adds xref to set. An xref met again (a family reached from each of its members) costs one
// descent and no node: emplace would build the node, string included, before finding the
// duplicate.
void Insert(XrefSet& set, std::string_view xref) {
  const auto place = set.lower_bound(xref);
  if (place == set.end() || ByteOrder::Less(xref, *place)) set.emplace_hint(place, xref);
}

void InsertUnless(XrefSet& target, std::string_view xref, const XrefSet& exclude) {
  if (!Contains(exclude, xref)) Insert(target, xref);
}

/// Calls fn(tag, xref) for each line of xref's record below its level-0 line whose value is a
/// pointer; xref is the pointer without its '@' signs and lives as long as the document's data.
/// Lines without a level number are never interpreted. False when the record does not exist.
template <class Fn>
bool ForEachLink(CKinpruneDoc& document, std::string_view xref, Fn&& fn) {
  bool atRecordLine = true;
  return document.ReadRecordLines(xref, [&](const DocLine& line) {
    if (atRecordLine) {
      atRecordLine = false;
      return;
    }
    // Only identifier-shaped values are links: family event lines such as "2 HUSB" with an age
    // below them carry no pointer and name nobody.
    if (!line.hasLevel || !CKinpruneDoc::IsPointerValue(line.value)) return;
    fn(line.tag, CKinpruneDoc::PointerXref(line.value));
  });
}

// Moves the nodes of source into target (no copies, no allocation) and empties source. The steps
// of a traversal add what they have read to their done set this way, after the step: no step
// consults the done set it adds to.
void MergeInto(XrefSet& target, XrefSet& source) {
  target.merge(source);
  source.clear();  // merge leaves behind the keys target already had
}

}  // namespace

/// The working sets of one traversal.
struct SelectionEngine::FloodSets {
  XrefSet pendingIndividuals;
  XrefSet doneIndividuals;
  XrefSet pendingFamilies;
  XrefSet doneFamilies;
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

void SelectionEngine::ApplySelection(const XrefSet& first, const XrefSet& second,
                                     SelectionTarget target) {
  const bool value = target == SelectionTarget::Select;
  undoValue = value;
  undoIsInvert = false;
  undoEntries.clear();
  std::size_t changedCount = 0;
  for (const XrefSet* set : {&first, &second}) {
    for (const std::string& xref : *set) {
      IndividualEntry* entry = document.FindIndividual(xref);
      if (entry == nullptr || entry->selected == value) continue;
      SetEntry(*entry, value);
      undoEntries.push_back(entry);
      ++changedCount;
    }
  }
  if (reporter != nullptr) reporter->ShowStatus(IndividualsFound(changedCount));
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
    for (const std::string& person : sets.pendingIndividuals) {
      const bool found = ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
      });
      if (!found) noteMissing(person);
    }
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    for (const std::string& family : sets.pendingFamilies) {
      const bool found = ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
      });
      if (!found) noteMissing(family);
    }
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
  ApplySelection(sets.doneIndividuals, sets.pendingIndividuals, target);
  ReportSelectedCount();
  if (anyMissing && reporter != nullptr) {
    reporter->ShowMissingRecords(std::string(kMissingRecordsIntro) + missingXrefs);
  }
}

void SelectionEngine::SelectAncestors(std::string_view start, const AncestorOptions& options,
                                      SelectionTarget target) {
  FloodSets sets;
  XrefSet spouseAncestryFamilies;

  if (options.includeAncestorTree && options.excludeFamiliesOfSpouses) {
    ForEachLink(document, start, [&](std::string_view tag, std::string_view xref) {
      if (tag == kTagFams) Insert(sets.pendingFamilies, xref);
    });
    Insert(sets.doneIndividuals, start);
    for (const std::string& family : sets.pendingFamilies) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsSpouseTag(tag) && xref != start) Insert(sets.pendingIndividuals, xref);
      });
    }
    sets.pendingFamilies.clear();
    while (!sets.pendingIndividuals.empty()) {
      for (const std::string& person : sets.pendingIndividuals) {
        ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
          if (tag == kTagFamc) InsertUnless(sets.pendingFamilies, xref, spouseAncestryFamilies);
        });
      }
      MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
      for (const std::string& family : sets.pendingFamilies) {
        ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
          if (IsSpouseTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
        });
      }
      MergeInto(spouseAncestryFamilies, sets.pendingFamilies);
    }
    sets.doneIndividuals.clear();
  }

  Insert(sets.pendingIndividuals, start);
  const std::int32_t generations = options.generations;
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    for (const std::string& person : sets.pendingIndividuals) {
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
    }
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    for (const std::string& family : sets.pendingFamilies) {
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
    }
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplySelection(sets.doneIndividuals, sets.pendingIndividuals, target);
  ReportSelectedCount();
}

void SelectionEngine::SelectDescendants(std::string_view start, const DescendantOptions& options,
                                        SelectionTarget target) {
  FloodSets sets;
  XrefSet spousesFound;

  Insert(sets.pendingIndividuals, start);
  const std::int32_t generations = options.generations;
  for (std::int32_t passNo = 0;
       (generations == 0 || passNo < generations) && !sets.pendingIndividuals.empty(); ++passNo) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    for (const std::string& person : sets.pendingIndividuals) {
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
    }
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    for (const std::string& family : sets.pendingFamilies) {
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
    }
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }

  if (options.includeSpousesParents) {
    for (const std::string& spouse : spousesFound) {
      ForEachLink(document, spouse, [&](std::string_view tag, std::string_view xref) {
        if (tag == kTagFamc) Insert(sets.pendingFamilies, xref);
      });
      sets.pendingIndividuals.insert(spouse);
    }
    spousesFound.clear();
    for (const std::string& family : sets.pendingFamilies) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsSpouseTag(tag)) Insert(sets.pendingIndividuals, xref);
      });
    }
    sets.pendingFamilies.clear();
  } else {
    MergeInto(sets.pendingIndividuals, spousesFound);
  }
  MergeInto(sets.pendingIndividuals, sets.doneIndividuals);
  sets.doneFamilies.clear();

  CollateralExpansion(sets, options.collateralGenerations);
  ApplySelection(sets.doneIndividuals, sets.pendingIndividuals, target);
  ReportSelectedCount();
}

void SelectionEngine::CollateralExpansion(FloodSets& sets, std::int32_t collateralGenerations) {
  if (collateralGenerations <= 0) return;
  for (std::int32_t collateralPass = 0;
       collateralPass < collateralGenerations && !sets.pendingIndividuals.empty();
       ++collateralPass) {
    ReportProgressCount(sets.doneIndividuals.size() + sets.pendingIndividuals.size());
    for (const std::string& person : sets.pendingIndividuals) {
      ForEachLink(document, person, [&](std::string_view tag, std::string_view xref) {
        if (IsFamilyLinkTag(tag)) InsertUnless(sets.pendingFamilies, xref, sets.doneFamilies);
      });
    }
    MergeInto(sets.doneIndividuals, sets.pendingIndividuals);
    for (const std::string& family : sets.pendingFamilies) {
      ForEachLink(document, family, [&](std::string_view tag, std::string_view xref) {
        if (IsMemberTag(tag)) InsertUnless(sets.pendingIndividuals, xref, sets.doneIndividuals);
      });
    }
    MergeInto(sets.doneFamilies, sets.pendingFamilies);
  }
}

}  // namespace kinprune
