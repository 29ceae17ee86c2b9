// kinprune_view.h - the find edit, the individual list and the details pane, and the selection
// commands that work on the highlighted individual.
#pragma once

#include <QWidget>

#include <string>  // std::string

#include "kinprune_doc.h"
#include "selection_engine.h"

class IndividualListModel;
class QItemSelection;
class QLineEdit;
class QPlainTextEdit;
class QTreeView;
class StatusPanes;

class CKinpruneView : public QWidget, private kinprune::SelectionReporter {
  Q_OBJECT
 public:
  static constexpr int kControlHelpBase = 0x70000;
  /// Help number of the window itself, where no control is.
  static constexpr int kViewHelp = 0x20065;
  static constexpr int kListId = 1000;
  static constexpr int kFindId = 1001;
  static constexpr int kDetailsId = 1032;
  /// Name of the dynamic property that carries a widget's help number.
  static constexpr const char* kHelpProperty = "helpContext";

  CKinpruneView(kinprune::CKinpruneDoc& document, StatusPanes& panes, QWidget* parent = nullptr);
  ~CKinpruneView() override;

  /// Shows the document as freshly loaded: the list refilled, the details empty, nobody
  /// selected and an empty undo record.
  void OnInitialUpdate();
  /// Before a load: the list lets go of the document's entries, which the load replaces.
  void ReleaseRows();
  /// After a failed load, which leaves the document as it was: the same rows again, with the
  /// selection and its undo record kept. A load that ran out of memory leaves the document
  /// empty instead; the view then shows it as freshly loaded, since the selection and its undo
  /// record pointed at entries that are gone.
  void RestoreRows();

  void OnSelectFamily();
  void OnSelectAncestors();
  void OnSelectDescendants();
  void OnSelectTree();
  void OnSelectEveryone();
  void OnInvertSelection();
  void OnUndoRedo();
  /// Flips the highlighted individual (the list's double-click).
  void ToggleIndividual();

  /// The individual the commands start from: the list row that is both current and selected.
  kinprune::IndividualEntry* StartIndividual() const;
  const kinprune::SelectionEngine& Selection() const { return selection; }

  /// Help number for a point of the window: the control's, or the window's own.
  static int HelpContextOf(const QWidget* widget);
  /// Help number of the control that has the focus, or 0 when none of them has it.
  int HelpContextOfFocus() const;

 signals:
  void saveEnabledChanged(bool enabled);
  void helpRequested(int contextNumber);
  void listContextMenuRequested(const QPoint& globalPosition);

 private:
  void CreateControls();
  void FillList();
  void OnFindTextEdited(const QString& text);
  void OnListSelectionChanged(const QItemSelection& selected);
  void ShowDetails(const kinprune::IndividualEntry& entry);
  void ShowSelectionChange();

  void ShowProgress(std::string_view text) override;
  void ShowStatus(std::string_view text) override;
  void ShowSelectedCount(std::size_t count) override;
  void ShowMissingRecords(std::string_view message) override;

  kinprune::CKinpruneDoc& document;
  StatusPanes& panes;
  kinprune::SelectionEngine selection;
  /// What type-to-find last searched for, capitalised as the names are.
  std::string findText;

  QLineEdit* findEdit = nullptr;
  QTreeView* list = nullptr;
  QPlainTextEdit* detailsEdit = nullptr;
  IndividualListModel* model = nullptr;
  /// The rows ReleaseRows let go of, to tell whether a failed load left the document as it was.
  std::size_t rowsBeforeLoad = 0;
};
