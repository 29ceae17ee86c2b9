// file_pair_dialog.cpp - the shared main dialog frame.
#include "file_pair_dialog.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>   // std::string
#include <utility>  // std::move

#include "destination_name.h"
#include "file_identity.h"
#include "frame_texts.h"
#include "help_viewer.h"
#include "job_files.h"
#include "job_progress_dialog.h"

namespace {

std::string LocalPath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

// Path names may be as long as the file system allows.
constexpr int kLongestName = 32767;

}  // namespace

CFilePairDlg::CFilePairDlg(FilePairSettings settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings(std::move(settings)),
      prompts(std::make_unique<QtUserPrompts>(this->settings.identity)) {
  setWindowTitle(this->settings.identity.name);
  setWindowIcon(this->settings.identity.icon);
  CreateFileControls();
  CreateCommandButtons();
  CreateHelpAndAboutActions();
  SetCommonToolTips();
}

CFilePairDlg::~CFilePairDlg() = default;

void CFilePairDlg::SetPromptsForTest(std::unique_ptr<UserPrompts> replacement) {
  prompts = std::move(replacement);
}

QString CFilePairDlg::SourceName() const {
  return sourceEdit->text();
}

void CFilePairDlg::CreateFileControls() {
  const FrameTexts& texts = LoadFrameTexts();
  sourceLabel = new QLabel(texts.fromLabel, this);
  sourceEdit = new QLineEdit(this);
  sourceEdit->setObjectName("sourceEdit");
  sourceEdit->setMaxLength(kLongestName);
  sourceLabel->setBuddy(sourceEdit);
  sourceBrowseButton = new QPushButton(texts.browse, this);
  sourceBrowseButton->setObjectName("sourceBrowseButton");
  sourceBrowseButton->setAutoDefault(false);

  destinationLabel = new QLabel(texts.toLabel, this);
  destinationEdit = new QLineEdit(this);
  destinationEdit->setObjectName("destinationEdit");
  destinationEdit->setMaxLength(kLongestName);
  destinationEdit->installEventFilter(this);
  destinationLabel->setBuddy(destinationEdit);
  destinationBrowseButton = new QPushButton(texts.browse, this);
  destinationBrowseButton->setObjectName("destinationBrowseButton");
  destinationBrowseButton->setAutoDefault(false);

  constexpr int kNameWidth = 260;
  sourceEdit->setMinimumWidth(kNameWidth);
  destinationEdit->setMinimumWidth(kNameWidth);

  connect(sourceBrowseButton, &QPushButton::clicked, this, &CFilePairDlg::BrowseSource);
  connect(destinationBrowseButton, &QPushButton::clicked, this, &CFilePairDlg::BrowseDestination);
}

void CFilePairDlg::CreateCommandButtons() {
  const FrameTexts& texts = LoadFrameTexts();
  processButton = new QPushButton(texts.process, this);
  processButton->setObjectName("processButton");
  processButton->setDefault(true);
  exitButton = new QPushButton(texts.exit, this);
  exitButton->setObjectName("exitButton");
  exitButton->setAutoDefault(false);
  connect(processButton, &QPushButton::clicked, this, &CFilePairDlg::Process);
  connect(exitButton, &QPushButton::clicked, this, &CFilePairDlg::reject);
}

void CFilePairDlg::CreateHelpAndAboutActions() {
  // The dialog's context menu stands in for the old system-menu entry; F1 opens the help.
  if (!settings.helpProgram.isEmpty()) {
    helpAction = new QAction(LoadFrameTexts().help, this);
    helpAction->setObjectName("helpAction");
    helpAction->setShortcut(QKeySequence::HelpContents);
    helpAction->setShortcutContext(Qt::WindowShortcut);
    connect(helpAction, &QAction::triggered, this, &CFilePairDlg::ShowHelp);
    addAction(helpAction);
  }
  aboutAction = new QAction(settings.aboutActionText, this);
  aboutAction->setObjectName("aboutAction");
  connect(aboutAction, &QAction::triggered, this, &CFilePairDlg::ShowAbout);
  addAction(aboutAction);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CFilePairDlg::SetCommonToolTips() {
  const FrameTexts& texts = LoadFrameTexts();
  sourceEdit->setToolTip(texts.sourceTip);
  destinationEdit->setToolTip(texts.destinationTip);
  sourceBrowseButton->setToolTip(texts.sourceBrowseTip);
  destinationBrowseButton->setToolTip(texts.destinationBrowseTip);
  exitButton->setToolTip(texts.exitTip);
  processButton->setToolTip(settings.processTip);
}

QGridLayout* CFilePairDlg::CreateFileRows() {
  auto* rows = new QGridLayout;
  rows->addWidget(sourceLabel, 0, 0);
  rows->addWidget(sourceEdit, 0, 1);
  rows->addWidget(sourceBrowseButton, 0, 2);
  rows->addWidget(destinationLabel, 1, 0);
  rows->addWidget(destinationEdit, 1, 1);
  rows->addWidget(destinationBrowseButton, 1, 2);
  rows->setColumnStretch(1, 1);
  return rows;
}

QHBoxLayout* CFilePairDlg::CreateCommandRow() {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(processButton);
  row->addWidget(exitButton);
  return row;
}

void CFilePairDlg::SetTabOrder(const QList<QWidget*>& optionControls) {
  QList<QWidget*> chain{sourceEdit, sourceBrowseButton, destinationEdit, destinationBrowseButton};
  chain.append(optionControls);
  chain.append(processButton);
  chain.append(exitButton);
  for (qsizetype i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

bool CFilePairDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == destinationEdit && event->type() == QEvent::FocusIn) ProposeDestination();
  return QDialog::eventFilter(watched, event);
}

void CFilePairDlg::reject() {
  if (jobRunning) return;
  QDialog::reject();
}

QString CFilePairDlg::RefuseSource(std::istream& source, const QString& sourceName) {
  (void)source;
  (void)sourceName;
  return {};
}

void CFilePairDlg::BrowseSource() {
  const std::optional<QString> chosen = prompts->ChooseSourceFile(this, sourceEdit->text());
  if (!chosen) return;
  sourceEdit->setText(*chosen);
  if (!chosen->isEmpty() && destinationEdit->text().isEmpty()) {
    destinationEdit->setText(ProposeDestinationName(*chosen));
  }
}

void CFilePairDlg::BrowseDestination() {
  const std::optional<QString> chosen =
      prompts->ChooseDestinationFile(this, destinationEdit->text());
  if (!chosen) return;
  destinationEdit->setText(*chosen);
  destinationConfirmed = true;
}

void CFilePairDlg::ProposeDestination() {
  const QString source = sourceEdit->text();
  if (source.isEmpty() || !destinationEdit->text().isEmpty()) return;
  destinationEdit->setText(ProposeDestinationName(source));
}

void CFilePairDlg::ShowAbout() {
  prompts->ShowAbout(this);
}

void CFilePairDlg::ShowHelp() {
  if (helpViewer == nullptr) {
    helpViewer = new HelpViewer(settings.helpTitle, HelpStartPage(settings.helpProgram), this);
  }
  helpViewer->show();
  helpViewer->raise();
  helpViewer->activateWindow();
}

void CFilePairDlg::Process() {
  if (jobRunning || !ReadOptions()) return;
  JobFiles files;
  if (!CheckAndOpen(files)) return;
  RunJobUnderProgress(files);
}

bool CFilePairDlg::FailCheck(const QString& message, QWidget* focusTarget) {
  prompts->ShowWarning(this, message);
  focusTarget->setFocus();
  return false;
}

bool CFilePairDlg::CheckAndOpen(JobFiles& files) {
  const FrameTexts& texts = LoadFrameTexts();
  const QString source = sourceEdit->text();
  const QString destination = destinationEdit->text();
  if (source.isEmpty()) return FailCheck(texts.sourceMissing, sourceEdit);
  if (destination.isEmpty()) return FailCheck(texts.destinationMissing, destinationEdit);

  const std::string sourcePath = LocalPath(source);
  const std::string destinationPath = LocalPath(destination);
  // Two spellings of one file (relative and absolute, a link) would have the job empty its
  // own source.
  if (source == destination || gedtext::NameSameExistingFile(sourcePath, destinationPath)) {
    return FailCheck(texts.sameFile, destinationEdit);
  }
  if (!destinationConfirmed && JobFiles::ExistsAsFile(destinationPath)) {
    if (!prompts->AskYesNo(this, texts.replaceQuestion.arg(destination))) {
      destinationEdit->setFocus();
      return false;
    }
    if (settings.replaceAnswerConfirmsDestination) destinationConfirmed = true;
  }
  if (!files.OpenSource(sourcePath)) return FailCheck(texts.openFailed.arg(source), sourceEdit);
  if (const QString refusal = RefuseSource(files.Source(), source); !refusal.isEmpty()) {
    return FailCheck(refusal, sourceEdit);
  }
  if (!files.OpenDestination(destinationPath)) {
    return FailCheck(texts.openFailed.arg(destination), destinationEdit);
  }
  return true;
}

void CFilePairDlg::RunJobUnderProgress(JobFiles& files) {
  const FrameTexts& texts = LoadFrameTexts();
  jobRunning = true;
  {
    CJobProgressDlg progress(*prompts, settings.progressTitle);
    progress.OpenModeless(this);
    JobReport report = RunJob(files, progress);
    files.Close();
    // A failure the job did not see itself, such as one that shows only when the
    // destination is closed, still ends the job as failed.
    if (files.WriteFailed() || files.ReadFailed()) {
      if (report.warning.isEmpty()) {
        report.warning = files.WriteFailed() ? texts.writeFailed : texts.readFailed;
      }
      report.outcome = gedtext::JobOutcome::WriteFailed;
    }
    if (report.outcome == gedtext::JobOutcome::Completed) destinationConfirmed = false;
    if (!report.warning.isEmpty()) prompts->ShowWarning(&progress, report.warning);
    prompts->ShowInformation(&progress, FinalMessage(report.outcome));
  }
  jobRunning = false;
  activateWindow();
}
