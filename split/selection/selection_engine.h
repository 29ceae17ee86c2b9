// selection_engine.h - the split tool's selection state and the commands that change it.
#pragma once

#include <cstddef>      // std::size_t
#include <cstdint>      // std::int32_t
#include <deque>        // std::deque
#include <set>          // std::set
#include <string>       // std::string
#include <string_view>  // std::string_view
#include <vector>       // std::vector

#include "kinprune_doc.h"

namespace kinprune {

/// The value a selection command writes into the individuals it reaches.
enum class SelectionTarget { Select, UnSelect };

/// Identifiers (without '@' signs) ordered byte by byte as unsigned bytes; this order decides in
/// which order the traversals read records, and so their texts and the undo record.
using XrefSet = std::set<std::string, ByteOrder>;

/// Values of the "Tree Selection Options" dialog.
struct TreeOptions {
  std::int32_t generations = 0;  ///< family hops; 0 = the whole connected component
};

/// Values of the "Ancestor Selection Options" dialog.
struct AncestorOptions {
  std::int32_t generations = 0;            ///< 0 = no limit
  std::int32_t collateralGenerations = 0;  ///< 0 or less = no collateral phase
  bool includeChildrenOfAncestors = false;
  bool includeAncestorTree = false;
  bool excludeFamiliesOfSpouses = false;  ///< effective only with includeAncestorTree
};

/// Values of the "Descendant Selection Options" dialog.
struct DescendantOptions {
  std::int32_t generations = 0;            ///< 0 = no limit
  std::int32_t collateralGenerations = 0;  ///< 0 or less = no collateral phase
  bool includeSpousesOfDescendants = false;
  bool includeDescendantTree = false;
  bool includeSpousesParents = false;  ///< effective only with includeSpousesOfDescendants
};

/// Where the selection commands report. The desktop view shows the texts in its status bar and
/// a message box; the command-line program prints them on standard error.
class SelectionReporter {
 public:
  /// A traversal's progress between its passes ("%d individuals found"), for the message
  /// pane; the result text replaces it when the command ends.
  virtual void ShowProgress(std::string_view text) = 0;
  /// A command's result text ("%d individuals found" with the number of individuals changed),
  /// for the message pane.
  virtual void ShowStatus(std::string_view text) = 0;
  /// The number of selected individuals, after every operation.
  virtual void ShowSelectedCount(std::size_t count) = 0;
  /// The whole text of the message about records that family links point to but that are
  /// missing from the file; shown once, after the selection has been applied.
  virtual void ShowMissingRecords(std::string_view message) = 0;

 protected:
  ~SelectionReporter() = default;
};

/// Opening of the missing-records message; the missing xrefs follow it, separated by ", ".
inline constexpr std::string_view kMissingRecordsIntro =
    "There is an error in this GEDCOM file.\n\nThe following referenced individuals are missing:\n";

/// The selection of one open document and its one-step undo record.
///
/// The selected flags live in the document's entries; this object holds the count and the undo
/// record and runs the commands. It keeps references into the document's individual tables, so
/// Reset() must be called whenever the document loads a file (the entries are replaced then).
/// Every traversal moves the document's read position.
class SelectionEngine {
 public:
  /// reporter may be null: the commands then report nothing.
  explicit SelectionEngine(CKinpruneDoc& document, SelectionReporter* reporter = nullptr);

  void SetReporter(SelectionReporter* newReporter) { reporter = newReporter; }

  /// The state of a freshly shown document: an empty undo record, and the count of the
  /// entries selected (none right after a load).
  void Reset();

  /// Number of entries whose selected flag is set.
  std::size_t SelectedCount() const { return selectedCount; }
  /// Save and Save As are offered exactly while somebody is selected.
  bool SaveEnabled() const { return selectedCount != 0; }
  /// The xrefs of the entries the last operation changed, in the order it changed them.
  std::vector<std::string> UndoXrefs() const;
  bool UndoValue() const { return undoValue; }
  bool UndoIsInvert() const { return undoIsInvert; }

  /// Writes target into every individual named in first, then in second (each in ascending
  /// order) that is not already at it, and records exactly those as the undo record. Xrefs
  /// without an individual are skipped. Reports "%d individuals found" with the number changed.
  void ApplySelection(const XrefSet& first, const XrefSet& second, SelectionTarget target);

  /// Selects everyone, or no one when everyone is already selected.
  void SelectEveryone();
  /// Flips every individual's flag.
  void InvertSelection();
  /// Changes back the entries the last operation changed; a second call changes them again.
  void UndoRedo();
  /// Flips one individual (the list's double-click).
  void ToggleIndividual(IndividualEntry& entry);

  /// The start, its parents, siblings, spouses and children: a one-hop connected flood.
  void SelectFamily(std::string_view start);
  /// Everyone within `generations` family hops of start (0: the whole connected component).
  /// Reports records that the flood tried to read but that are missing.
  void SelectConnected(std::string_view start, std::int32_t generations, SelectionTarget target);
  void SelectAncestors(std::string_view start, const AncestorOptions& options,
                       SelectionTarget target);
  void SelectDescendants(std::string_view start, const DescendantOptions& options,
                         SelectionTarget target);

 private:
  struct FloodSets;

  /// ApplySelection over any two ranges of xrefs in ascending order.
  template <class Xrefs>
  void ApplyToXrefs(const Xrefs& first, const Xrefs& second, SelectionTarget target);

  /// Floods sets from their pending individuals one generation per pass, for generations
  /// passes (0: until nothing is pending): each pass reads the pending individuals' links
  /// (onIndividualLink(pass, tag, linked)) and then the pending families'
  /// (onFamilyLink(pass, tag, linked)), each step moved to its done set once read.
  template <class OnIndividualLink, class OnFamilyLink>
  void FloodByGenerations(FloodSets& sets, std::int32_t generations,
                          OnIndividualLink&& onIndividualLink, OnFamilyLink&& onFamilyLink);
  void CollateralExpansion(FloodSets& sets, std::int32_t collateralGenerations);
  void SetEntry(IndividualEntry& entry, bool value);
  void InvertAll();
  void ReportProgressCount(std::size_t count);
  void ReportSelectedCount();

  CKinpruneDoc& document;
  SelectionReporter* reporter;

  std::size_t selectedCount = 0;
  /// The undo record holds the entries themselves rather than their xrefs, so that two
  /// individuals sharing an xref are each changed back exactly as they were changed.
  std::deque<IndividualEntry*> undoEntries;
  bool undoValue = false;
  bool undoIsInvert = false;
};

}  // namespace kinprune
