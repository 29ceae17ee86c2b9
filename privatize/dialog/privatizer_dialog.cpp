// privatizer_dialog.cpp - Hushtree's options, their enabling rules and the privatizing job.
#include "privatizer_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstdio>   // std::fputs
#include <cstdlib>  // std::exit
#include <new>      // std::bad_alloc

#include "job_files.h"
#include "job_progress_dialog.h"

namespace {

using privatize::MessagePlacement;
using privatize::ProcessingMode;

// The radio buttons' ids are the enumerations' values, in the order of the controls.
constexpr int kRemoveDetails = static_cast<int>(ProcessingMode::RemoveDetails);
constexpr int kYearOnly = static_cast<int>(ProcessingMode::YearOnly);
constexpr int kDeleteLiving = static_cast<int>(ProcessingMode::DeleteLiving);
constexpr int kAsNote = static_cast<int>(MessagePlacement::AsNote);
constexpr int kAsBirthDate = static_cast<int>(MessagePlacement::AsBirthDate);
constexpr int kNoMessage = static_cast<int>(MessagePlacement::NoMessage);

// The engine keeps at most this much of a message.
constexpr int kLongestMessage = 255;

// A spin box leaves a text that is no value (an emptied box) as it is when the focus leaves or
// Enter is pressed, instead of quietly going back to the last value, so that Process refuses it
// with its message and the user can correct it.
class CutoffSpinBox : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    if (hasAcceptableInput()) {
      QSpinBox::focusOutEvent(event);
      return;
    }
    QCoreApplication::sendEvent(lineEdit(), event);
    QWidget::focusOutEvent(event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !hasAcceptableInput()) {
      event->ignore();  // on to the default button
      return;
    }
    QSpinBox::keyPressEvent(event);
  }
};

QRadioButton* MakeRadio(const QString& text, const char* name, QWidget* parent) {
  auto* radio = new QRadioButton(text, parent);
  radio->setObjectName(name);
  return radio;
}

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent) {
  auto* check = new QCheckBox(text, parent);
  check->setObjectName(name);
  return check;
}

}  // namespace

CPrivatizerDlg::CPrivatizerDlg(QWidget* parent)
    : CFilePairDlg(MakeSettings(LoadHushtreeTexts()), parent), texts(LoadHushtreeTexts()) {
  options.message = texts.defaultMessage.toStdString();
  CreateProcessingControls();
  CreateMessageControls();
  CreateFlagAndCutoffControls();
  SetOptionToolTips();
  LayOutControls();
  ConnectEnablingRules();
}

FilePairSettings CPrivatizerDlg::MakeSettings(const HushtreeTexts& texts) {
  FilePairSettings settings = FilePairSettingsFor(texts, QStringLiteral("hushtree"));
  settings.replaceAnswerConfirmsDestination = true;
  return settings;
}

void CPrivatizerDlg::CreateProcessingControls() {
  processingGroup = new QGroupBox(texts.processingGroup, this);
  removeDetailsRadio = MakeRadio(texts.removeDetails, "removeDetailsRadio", processingGroup);
  yearOnlyRadio = MakeRadio(texts.yearOnly, "yearOnlyRadio", processingGroup);
  deleteLivingRadio = MakeRadio(texts.deleteLiving, "deleteLivingRadio", processingGroup);
  processingMode = new QButtonGroup(this);
  processingMode->addButton(removeDetailsRadio, kRemoveDetails);
  processingMode->addButton(yearOnlyRadio, kYearOnly);
  processingMode->addButton(deleteLivingRadio, kDeleteLiving);
  removeDetailsRadio->setChecked(true);
}

void CPrivatizerDlg::CreateMessageControls() {
  messageGroup = new QGroupBox(texts.messageGroup, this);
  messageGroup->setObjectName("messageGroup");
  messageEdit = new QLineEdit(texts.defaultMessage, messageGroup);
  messageEdit->setObjectName("messageEdit");
  messageEdit->setMaxLength(kLongestMessage);
  asNoteRadio = MakeRadio(texts.asNote, "asNoteRadio", messageGroup);
  asBirthDateRadio = MakeRadio(texts.asBirthDate, "asBirthDateRadio", messageGroup);
  noMessageRadio = MakeRadio(texts.noMessage, "noMessageRadio", messageGroup);
  messagePlacement = new QButtonGroup(this);
  messagePlacement->addButton(asNoteRadio, kAsNote);
  messagePlacement->addButton(asBirthDateRadio, kAsBirthDate);
  messagePlacement->addButton(noMessageRadio, kNoMessage);
  asNoteRadio->setChecked(true);
}

void CPrivatizerDlg::CreateFlagAndCutoffControls() {
  retainNotesCheck = MakeCheck(texts.retainNotes, "retainNotesCheck", this);
  removeUnreferencedCheck = MakeCheck(texts.removeUnreferenced, "removeUnreferencedCheck", this);
  initialsOnlyCheck = MakeCheck(texts.initialsOnly, "initialsOnlyCheck", this);
  cutoffLabel = new QLabel(texts.cutoffLabel, this);
  cutoffSpin = new CutoffSpinBox(this);
  cutoffSpin->setObjectName("cutoffSpin");
  cutoffSpin->setRange(kLowestCutoff, kHighestCutoff);
  cutoffSpin->setGroupSeparatorShown(false);
  cutoffSpin->setValue(privatize::DefaultCutoff());
  cutoffLabel->setBuddy(cutoffSpin);
  forceCutoffCheck = MakeCheck(texts.forceCutoff, "forceCutoffCheck", this);
}

void CPrivatizerDlg::SetOptionToolTips() {
  cutoffSpin->setToolTip(texts.cutoffTip);
  messageEdit->setToolTip(texts.messageTip);
  removeDetailsRadio->setToolTip(texts.removeDetailsTip);
  yearOnlyRadio->setToolTip(texts.yearOnlyTip);
  deleteLivingRadio->setToolTip(texts.deleteLivingTip);
  asNoteRadio->setToolTip(texts.asNoteTip);
  asBirthDateRadio->setToolTip(texts.asBirthDateTip);
  noMessageRadio->setToolTip(texts.noMessageTip);
  retainNotesCheck->setToolTip(texts.retainNotesTip);
  removeUnreferencedCheck->setToolTip(texts.removeUnreferencedTip);
  forceCutoffCheck->setToolTip(texts.forceCutoffTip);
  initialsOnlyCheck->setToolTip(texts.initialsOnlyTip);
}

void CPrivatizerDlg::LayOutControls() {
  auto* modes = new QVBoxLayout(processingGroup);
  modes->addWidget(removeDetailsRadio);
  modes->addWidget(yearOnlyRadio);
  modes->addWidget(deleteLivingRadio);
  modes->addStretch();

  auto* message = new QVBoxLayout(messageGroup);
  message->addWidget(messageEdit);
  auto* placements = new QHBoxLayout;
  placements->addWidget(asNoteRadio);
  placements->addWidget(asBirthDateRadio);
  placements->addWidget(noMessageRadio);
  message->addLayout(placements);

  auto* groups = new QHBoxLayout;
  groups->addWidget(processingGroup);
  groups->addWidget(messageGroup, 1);

  auto* flags = new QHBoxLayout;
  flags->addWidget(retainNotesCheck);
  flags->addWidget(removeUnreferencedCheck);
  flags->addWidget(initialsOnlyCheck);
  flags->addStretch();

  auto* cutoff = new QHBoxLayout;
  cutoff->addWidget(cutoffLabel);
  cutoff->addWidget(cutoffSpin);
  cutoff->addWidget(forceCutoffCheck);
  cutoff->addStretch();

  auto* column = new QVBoxLayout(this);
  column->addLayout(CreateFileRows());
  column->addLayout(groups);
  column->addLayout(flags);
  column->addLayout(cutoff);
  column->addLayout(CreateCommandRow());
  SetTabOrder({removeDetailsRadio, yearOnlyRadio, deleteLivingRadio, messageEdit, asNoteRadio,
               asBirthDateRadio, noMessageRadio, retainNotesCheck, removeUnreferencedCheck,
               initialsOnlyCheck, cutoffSpin, forceCutoffCheck});
}

void CPrivatizerDlg::ConnectEnablingRules() {
  // Clicks only: the rules follow what the user did, not what the radio buttons show.
  connect(processingMode, &QButtonGroup::idClicked, this, &CPrivatizerDlg::OnProcessingModeClicked);
  connect(messagePlacement, &QButtonGroup::idClicked, this, &CPrivatizerDlg::OnPlacementClicked);
}

void CPrivatizerDlg::SetEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
  for (QWidget* control : controls) control->setEnabled(enabled);
}

void CPrivatizerDlg::OnProcessingModeClicked(int mode) {
  const bool messageAvailable = mode == kRemoveDetails;
  const bool flagsAvailable = mode != kDeleteLiving;
  SetEnabled({messageGroup, messageEdit, asNoteRadio, asBirthDateRadio, noMessageRadio},
             messageAvailable);
  SetEnabled({retainNotesCheck, removeUnreferencedCheck, initialsOnlyCheck}, flagsAvailable);
}

void CPrivatizerDlg::OnPlacementClicked(int placement) {
  messageEdit->setEnabled(placement != kNoMessage);
}

bool CPrivatizerDlg::ReadCutoff(int& cutoff) {
  bool isInteger = false;
  const int value = cutoffSpin->cleanText().toInt(&isInteger);
  QString complaint;
  if (!isInteger) {
    complaint = texts.notAnInteger;
  } else if (value < kLowestCutoff || value > kHighestCutoff) {
    complaint = texts.integerOutOfRange.arg(kLowestCutoff).arg(kHighestCutoff);
  }
  if (!complaint.isEmpty()) {
    // No run with a cutoff the user did not mean: the dialog stays open for the correction.
    Prompts().ShowWarning(this, complaint);
    cutoffSpin->setFocus();
    cutoffSpin->selectAll();
    return false;
  }
  cutoff = value;
  return true;
}

bool CPrivatizerDlg::ReadOptions() {
  int cutoff = 0;
  if (!ReadCutoff(cutoff)) return false;
  options.cutoffYear = privatize::ResolveCutoff(cutoff);
  options.mode = static_cast<ProcessingMode>(processingMode->checkedId());
  options.placement = static_cast<MessagePlacement>(messagePlacement->checkedId());
  options.message = messageEdit->text().toStdString();
  options.retainNotes = retainNotesCheck->isChecked();
  options.removeUnreferenced = removeUnreferencedCheck->isChecked();
  options.initialsOnly = initialsOnlyCheck->isChecked();
  options.forceCutoff = forceCutoffCheck->isChecked();
  options.xrefMessage = false;
  return true;
}

QString CPrivatizerDlg::RefuseSource(std::istream& source, const QString& sourceName) {
  if (!privatize::SourceLooksLikeUtf16(source)) return {};
  return texts.utf16Source.arg(sourceName);
}

JobReport CPrivatizerDlg::RunJob(JobFiles& files, CJobProgressDlg& progress) {
  privatize::ProgressHookAdapter hooks(progress);
  privatize::PrivatizeResult result;
  try {
    result = privatize::RunPrivatizer(files.Source(), files.Destination(), options,
                                      privatize::PrivatizerVariant::Dialog, hooks);
  } catch (const std::bad_alloc&) {
    EndForLackOfMemory(files);
  }

  JobReport report;
  switch (result.outcome) {
    case privatize::PrivatizeOutcome::Completed:
      progress.Show(CJobProgressDlg::kUpper);
      report.outcome = gedtext::JobOutcome::Completed;
      break;
    case privatize::PrivatizeOutcome::Cancelled:
      report.outcome = gedtext::JobOutcome::Cancelled;
      break;
    case privatize::PrivatizeOutcome::ReadFailed:
      report = {gedtext::JobOutcome::WriteFailed, texts.readFailed};
      break;
    case privatize::PrivatizeOutcome::WriteFailed:
      report = {gedtext::JobOutcome::WriteFailed, texts.writeFailed};
      break;
    case privatize::PrivatizeOutcome::RefusedUtf16:
      report = {gedtext::JobOutcome::WriteFailed, texts.utf16Source.arg(SourceName())};
      break;
  }
  ShowCleanUp(files, progress);
  return report;
}

void CPrivatizerDlg::ShowCleanUp(JobFiles& files, CJobProgressDlg& progress) {
  // The engine has already released its identifier sets; the steps stay visible so that a
  // run ends the way users know it.
  constexpr int kQuarter = 25;
  progress.SetStatusText(texts.cleaningUp);
  progress.Show(0);
  files.Close();
  for (int position = kQuarter; position <= CJobProgressDlg::kUpper; position += kQuarter) {
    progress.Show(position);
  }
}

void CPrivatizerDlg::EndForLackOfMemory(JobFiles& files) {
  files.Close();
  std::fputs("Out of Memory\n", stderr);
  Prompts().ShowWarning(this, texts.outOfMemory);
  std::exit(EXIT_FAILURE);
}

QString CPrivatizerDlg::FinalMessage(gedtext::JobOutcome outcome) const {
  return outcome == gedtext::JobOutcome::Completed ? texts.written : texts.aborted;
}
