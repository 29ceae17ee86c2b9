// kinprune_view.cpp - the find edit, the individual list and the details pane, and the selection
// commands that work on the highlighted individual.
#include "kinprune_view.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QValidator>

#include <algorithm>  // std::max

#include "individual_list_model.h"
#include "long_message_box.h"
#include "selection_option_dialogs.h"
#include "status_panes.h"
#include "ui_texts.h"
#include "wait_cursor.h"

namespace {

using kinprune::SelectionTarget;

/// Refuses text wider than the edit can show, so the find edit never scrolls sideways and what
/// is searched for is always in view.
class FittingTextValidator : public QValidator {
 public:
  explicit FittingTextValidator(QLineEdit* edit) : QValidator(edit), edit(edit) {}
  State validate(QString& input, int& /*pos*/) const override {
    constexpr int kFrameAndCursor = 8;
    const int room = edit->contentsRect().width() - kFrameAndCursor;
    return edit->fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
  }

 private:
  QLineEdit* edit;
};

/// Dialog units of the window's font, the measure the window's proportions are given in.
int HorizontalDialogUnits(const QFontMetrics& metrics, int units) {
  return metrics.averageCharWidth() * units / 4;
}

/// The details pane's tab stop: every label of the details text ("Name", "Birth Place", ...)
/// fits before it with a blank to spare, so the values form one column in any font; never
/// narrower than the given dialog units.
qreal DetailsTabStop(const QFontMetrics& metrics, int units) {
  static constexpr const char* kLabels[] = {
      "Name",       "Id",          "Refn",   "Birth Date", "Birth Place",
      "Death Date", "Death Place", "Father", "Mother",     "Spouses"};
  int widest = 0;
  for (const char* label : kLabels) {
    widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(label)));
  }
  const int gap = HorizontalDialogUnits(metrics, 4);
  return std::max(HorizontalDialogUnits(metrics, units), widest + gap);
}

SelectionTarget TargetOf(int outcome) {
  return outcome == SelectOptionsDlg::UnSelected ? SelectionTarget::UnSelect
                                                 : SelectionTarget::Select;
}

QString Text(std::string_view bytes) { return TextFromBytes(bytes); }

}  // namespace

CKinpruneView::CKinpruneView(kinprune::CKinpruneDoc& document, StatusPanes& panes,
                             QWidget* parent)
    : QWidget(parent), document(document), panes(panes), selection(document, this) {
  setObjectName(QStringLiteral("kinpruneView"));
  setProperty(kHelpProperty, kViewHelp);
  CreateControls();
}

CKinpruneView::~CKinpruneView() { selection.SetReporter(nullptr); }

void CKinpruneView::CreateControls() {
  const QFontMetrics metrics(font());
  constexpr int kFindWidthUnits = 135;
  constexpr int kListWidthUnits = 136;
  constexpr int kTabStopUnits = 40;
  constexpr int kMarginUnits = 7;
  constexpr int kOuterMarginPixels = 14;

  findEdit = new QLineEdit(this);
  findEdit->setObjectName(QStringLiteral("findEdit"));
  findEdit->setProperty(kHelpProperty, kControlHelpBase + kFindId);
  findEdit->setFixedWidth(HorizontalDialogUnits(metrics, kFindWidthUnits));
  findEdit->setValidator(new FittingTextValidator(findEdit));
  // A file dropped anywhere on the window is opened by the window, not typed in as its name.
  findEdit->setAcceptDrops(false);
  connect(findEdit, &QLineEdit::textEdited, this, &CKinpruneView::OnFindTextEdited);

  model = new IndividualListModel(this);
  list = new QTreeView(this);
  list->setObjectName(QStringLiteral("individualList"));
  list->setProperty(kHelpProperty, kControlHelpBase + kListId);
  list->setModel(model);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);  // keeps scrolling a million rows instant
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setIconSize(QSize(16, 16));
  list->header()->setSectionsClickable(false);
  list->header()->setStretchLastSection(true);
  list->setFixedWidth(HorizontalDialogUnits(metrics, kListWidthUnits));
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected) { OnListSelectionChanged(selected); });
  connect(list, &QTreeView::doubleClicked, this, [this] { ToggleIndividual(); });
  connect(list, &QTreeView::customContextMenuRequested, this, [this](const QPoint& position) {
    emit listContextMenuRequested(list->viewport()->mapToGlobal(position));
  });

  detailsEdit = new QPlainTextEdit(this);
  detailsEdit->setObjectName(QStringLiteral("detailsEdit"));
  detailsEdit->setProperty(kHelpProperty, kControlHelpBase + kDetailsId);
  detailsEdit->setReadOnly(true);
  detailsEdit->setAcceptDrops(false);
  detailsEdit->viewport()->setAcceptDrops(false);
  detailsEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  detailsEdit->setTabStopDistance(DetailsTabStop(detailsEdit->fontMetrics(), kTabStopUnits));

  const int margin = HorizontalDialogUnits(metrics, kMarginUnits);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(margin, margin, kOuterMarginPixels, kOuterMarginPixels);
  layout->setHorizontalSpacing(HorizontalDialogUnits(metrics, 9));
  layout->addWidget(findEdit, 0, 0);
  layout->addWidget(list, 1, 0);
  layout->addWidget(detailsEdit, 1, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(1, 1);
}

void CKinpruneView::OnInitialUpdate() {
  findEdit->setText(Text(findText));  // textEdited is not emitted: no search starts
  detailsEdit->clear();
  // Reset counts the selected individuals, which the list's status pane then shows.
  selection.Reset();
  FillList();
  emit saveEnabledChanged(selection.SaveEnabled());
}

void CKinpruneView::ReleaseRows() {
  rowsBeforeLoad = std::size_t(model->rowCount());
  model->Clear();
}

void CKinpruneView::RestoreRows() {
  if (document.individualsByName.size() != rowsBeforeLoad) {
    OnInitialUpdate();
    return;
  }
  model->Fill(document, {});
}

void CKinpruneView::FillList() {
  const QString previousMessage = panes.PaneText(StatusPanes::MessagePane);
  {
    WaitCursor wait;
    list->setUpdatesEnabled(false);
    panes.SetPaneText(StatusPanes::IndividualCountPane,
                      QString::number(document.individualsByName.size()));
    model->Fill(document, [this](int percent) {
      panes.SetPaneText(StatusPanes::MessagePane, UiText::AddingItems(percent));
    });
    list->setUpdatesEnabled(true);
  }
  panes.SetPaneText(StatusPanes::MessagePane, previousMessage);
  panes.SetPaneText(StatusPanes::SelectedCountPane, QString::number(selection.SelectedCount()));
}

void CKinpruneView::OnFindTextEdited(const QString& text) {
  const QByteArray typed = model->NameBytes(text);
  findText.assign(typed.constData(), std::size_t(typed.size()));
  kinprune::CKinpruneDoc::ProperCaseName(findText);
  // An exact match is the first of its equal names; otherwise the first name after the text.
  const auto found = document.individualsByName.lower_bound(findText);
  if (found == document.individualsByName.end()) return;
  const QModelIndex row = model->index(found->second.listRow);
  if (!row.isValid()) return;
  list->scrollTo(row, QAbstractItemView::EnsureVisible);
  list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
}

void CKinpruneView::OnListSelectionChanged(const QItemSelection& selected) {
  // Losing the highlight leaves the last details standing; only a newly highlighted row
  // replaces them.
  if (selected.indexes().isEmpty()) return;
  const kinprune::IndividualEntry* entry = model->EntryAt(selected.indexes().first().row());
  if (entry != nullptr) ShowDetails(*entry);
}

void CKinpruneView::ShowDetails(const kinprune::IndividualEntry& entry) {
  QString text = Text(kinprune::DetailsText(document, entry));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  detailsEdit->setPlainText(text);
}

kinprune::IndividualEntry* CKinpruneView::StartIndividual() const {
  const QModelIndex current = list->selectionModel()->currentIndex();
  if (!current.isValid() || !list->selectionModel()->isSelected(current)) return nullptr;
  return model->EntryAt(current.row());
}

void CKinpruneView::ShowSelectionChange() {
  model->RefreshAllFlags();
  ShowSelectedCount(selection.SelectedCount());
  emit saveEnabledChanged(selection.SaveEnabled());
}

void CKinpruneView::OnSelectFamily() {
  kinprune::IndividualEntry* start = StartIndividual();
  if (start == nullptr) return;
  WaitCursor wait;
  selection.SelectFamily(start->xref);
  ShowSelectionChange();
}

void CKinpruneView::OnSelectAncestors() {
  kinprune::IndividualEntry* start = StartIndividual();
  if (start == nullptr) return;
  CAncestorSelectDlg dialog(this);
  connect(&dialog, &SelectOptionsDlg::helpRequested, this, &CKinpruneView::helpRequested);
  const int outcome = dialog.DoModal();
  if (outcome == SelectOptionsDlg::Cancelled) return;
  const AncestorDlgValues values = dialog.Values();
  kinprune::AncestorOptions options;
  options.generations = values.generations;
  options.collateralGenerations = values.collateralGenerations;
  options.includeChildrenOfAncestors = values.includeChildrenOfAncestors != 0;
  options.includeAncestorTree = values.includeAncestorTree != 0;
  options.excludeFamiliesOfSpouses = values.excludeFamiliesOfSpouses != 0;
  WaitCursor wait;
  selection.SelectAncestors(start->xref, options, TargetOf(outcome));
  ShowSelectionChange();
}

void CKinpruneView::OnSelectDescendants() {
  kinprune::IndividualEntry* start = StartIndividual();
  if (start == nullptr) return;
  CDescendantSelectDlg dialog(this);
  connect(&dialog, &SelectOptionsDlg::helpRequested, this, &CKinpruneView::helpRequested);
  const int outcome = dialog.DoModal();
  if (outcome == SelectOptionsDlg::Cancelled) return;
  const DescendantDlgValues values = dialog.Values();
  kinprune::DescendantOptions options;
  options.generations = values.generations;
  options.collateralGenerations = values.collateralGenerations;
  options.includeSpousesOfDescendants = values.includeSpousesOfDescendants != 0;
  options.includeDescendantTree = values.includeDescendantTree != 0;
  options.includeSpousesParents = values.includeSpousesParents != 0;
  WaitCursor wait;
  selection.SelectDescendants(start->xref, options, TargetOf(outcome));
  ShowSelectionChange();
}

void CKinpruneView::OnSelectTree() {
  kinprune::IndividualEntry* start = StartIndividual();
  if (start == nullptr) return;
  CTreeSelectDlg dialog(this);
  connect(&dialog, &SelectOptionsDlg::helpRequested, this, &CKinpruneView::helpRequested);
  const int outcome = dialog.exec();
  if (outcome == SelectOptionsDlg::Cancelled) return;
  WaitCursor wait;
  selection.SelectConnected(start->xref, dialog.Values().generations, TargetOf(outcome));
  ShowSelectionChange();
}

void CKinpruneView::OnSelectEveryone() {
  WaitCursor wait;
  selection.SelectEveryone();
  ShowSelectionChange();
}

void CKinpruneView::OnInvertSelection() {
  WaitCursor wait;
  selection.InvertSelection();
  ShowSelectionChange();
}

void CKinpruneView::OnUndoRedo() {
  WaitCursor wait;
  selection.UndoRedo();
  ShowSelectionChange();
}

void CKinpruneView::ToggleIndividual() {
  kinprune::IndividualEntry* entry = StartIndividual();
  if (entry == nullptr) return;
  selection.ToggleIndividual(*entry);
  model->RefreshFlag(entry->listRow);
  ShowSelectedCount(selection.SelectedCount());
  emit saveEnabledChanged(selection.SaveEnabled());
}

int CKinpruneView::HelpContextOf(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    const QVariant context = widget->property(kHelpProperty);
    if (context.isValid()) return context.toInt();
  }
  return 0;
}

int CKinpruneView::HelpContextOfFocus() const {
  // The window's focus child, which is kept while another window (such as help) is in front.
  const QWidget* focused = window()->focusWidget();
  for (const QWidget* control : {static_cast<const QWidget*>(findEdit),
                                 static_cast<const QWidget*>(list),
                                 static_cast<const QWidget*>(detailsEdit)}) {
    if (focused == control || control->isAncestorOf(focused)) {
      return control->property(kHelpProperty).toInt();
    }
  }
  return 0;
}

void CKinpruneView::ShowProgress(std::string_view text) {
  panes.SetPaneText(StatusPanes::MessagePane, Text(text));
}

void CKinpruneView::ShowStatus(std::string_view text) {
  panes.SetPaneText(StatusPanes::MessagePane, Text(text));
}

void CKinpruneView::ShowSelectedCount(std::size_t count) {
  panes.SetPaneText(StatusPanes::SelectedCountPane, QString::number(count));
}

void CKinpruneView::ShowMissingRecords(std::string_view message) {
  ArrowCursor arrow;
  // A large file can miss thousands of records; their list scrolls inside the box.
  LongMessageBox box(UiText::ProgramName(), Text(message), this);
  box.exec();
}
