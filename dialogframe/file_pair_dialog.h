// file_pair_dialog.h - the main dialog frame shared by the converter programs: From/To names,
// checks, job run.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <istream>  // std::istream
#include <memory>   // std::unique_ptr

#include "progress_hook.h"
#include "user_prompts.h"

QT_BEGIN_NAMESPACE
class QAction;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
QT_END_NAMESPACE

class CJobProgressDlg;
class HelpViewer;
class JobFiles;

/// What a program tells the frame about itself.
struct FilePairSettings {
  ProgramIdentity identity;
  QString progressTitle;    ///< title of the progress dialog
  QString aboutActionText;  ///< "&About Lettrim..."
  QString processTip;       ///< tool tip of the Process button
  QString helpProgram;      ///< folder name of the help pages ("lettrim"); empty for no help
  QString helpTitle;        ///< title of the help window
  /// A Yes to the replace question also skips the question on later runs, until a run completes.
  bool replaceAnswerConfirmsDestination = false;
};

/// How a job ended, and the warning to show before its final message (empty for none).
struct JobReport {
  gedtext::JobOutcome outcome = gedtext::JobOutcome::Completed;
  QString warning;
};

/// The main dialog of a converter program without its options and its job: the two file
/// names with Browse buttons, the destination proposal, the checks before a job, the replace
/// question, the job run under a CJobProgressDlg and the final message.
class CFilePairDlg : public QDialog {
  Q_OBJECT

 public:
  ~CFilePairDlg() override;

  /// True when the user has agreed to writing over the destination, so no replace question is
  /// asked: set by choosing the destination with Browse, cleared by a completed job.
  bool DestinationConfirmed() const { return destinationConfirmed; }

  /// Test entry point: every question, message and file dialog goes to prompts from now on.
  void SetPromptsForTest(std::unique_ptr<UserPrompts> replacement);

  /// Runs the job over the names and options on screen, as the Process button does.
  void Process();

 public slots:
  /// Exit and Esc end the program, but not while a job runs.
  void reject() override;

 protected:
  explicit CFilePairDlg(FilePairSettings settings, QWidget* parent = nullptr);

  /// Reads the program's option controls. On a value that fails its check, shows the message,
  /// moves the focus to the control and returns false; no job starts then.
  virtual bool ReadOptions() { return true; }
  /// A non-empty warning when the opened source is one the job cannot read; no destination is
  /// created or emptied then.
  virtual QString RefuseSource(std::istream& source, const QString& sourceName);
  /// The job over the opened files. It may close them itself (JobFiles::Close).
  virtual JobReport RunJob(JobFiles& files, CJobProgressDlg& progress) = 0;
  /// The information message after a job with this outcome.
  virtual QString FinalMessage(gedtext::JobOutcome outcome) const = 0;

  UserPrompts& Prompts() { return *prompts; }
  QString SourceName() const;

  /// From and To rows: label, edit, Browse.
  QGridLayout* CreateFileRows();
  /// Process and Exit, right-aligned.
  QHBoxLayout* CreateCommandRow();
  /// The tab order: file controls, then optionControls, then Process and Exit.
  void SetTabOrder(const QList<QWidget*>& optionControls);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateFileControls();
  void CreateCommandButtons();
  void CreateHelpAndAboutActions();
  void SetCommonToolTips();

  void BrowseSource();
  void BrowseDestination();
  void ProposeDestination();
  void ShowAbout();
  void ShowHelp();

  bool CheckAndOpen(JobFiles& files);
  bool FailCheck(const QString& message, QWidget* focusTarget);
  void RunJobUnderProgress(JobFiles& files);

  FilePairSettings settings;
  std::unique_ptr<UserPrompts> prompts;
  bool destinationConfirmed = false;
  bool jobRunning = false;

  QLabel* sourceLabel = nullptr;
  QLineEdit* sourceEdit = nullptr;
  QPushButton* sourceBrowseButton = nullptr;
  QLabel* destinationLabel = nullptr;
  QLineEdit* destinationEdit = nullptr;
  QPushButton* destinationBrowseButton = nullptr;
  QPushButton* processButton = nullptr;
  QPushButton* exitButton = nullptr;
  QAction* helpAction = nullptr;
  QAction* aboutAction = nullptr;
  HelpViewer* helpViewer = nullptr;
};
