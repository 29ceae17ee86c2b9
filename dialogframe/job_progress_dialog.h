// job_progress_dialog.h - the modeless progress dialog that a running job reports to.
#pragma once

#include <QDialog>
#include <QPointer>
#include <string_view>  // std::string_view

#include "progress_hook.h"

QT_BEGIN_NAMESPACE
class QLabel;
class QProgressBar;
class QPushButton;
QT_END_NAMESPACE

class UserPrompts;

/// Status line, bar, percentage text and Cancel. The job runs on the user-interface thread, so
/// waiting events are processed only when the job reports a new percentage or asks whether to
/// stop; Cancel merely records a request that the job picks up there.
class CJobProgressDlg : public QDialog, public gedtext::ProgressHook {
  Q_OBJECT

 public:
  /// prompts asks the cancel question; programName is not needed here since prompts carry it.
  CJobProgressDlg(UserPrompts& prompts, const QString& title);
  /// Enables the owner again if OpenModeless disabled it.
  ~CJobProgressDlg() override;

  /// Disables an enabled owner and shows the dialog above it. Always succeeds in Qt; the
  /// result is kept so that callers need not assume it.
  bool OpenModeless(QWidget* owner);

  void SetStatusText(const QString& text);
  /// Processes waiting events, then moves the bar and refreshes the percentage text.
  void SetProgress(int position);
  /// Processes waiting events, then returns and clears the cancel request.
  bool TakeCancelRequest();

  // gedtext::ProgressHook
  void SetStatus(std::string_view text) override;
  void Show(int percent) override;
  bool AskStop() override;

  static constexpr int kLower = 0;
  static constexpr int kUpper = 100;

 public slots:
  /// Cancel, Esc and Enter only record the request; the window stays.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void LayOutControls();
  void RefreshPercentText(int position);
  void PumpWaitingMessages();

  UserPrompts& prompts;
  QLabel* statusLabel = nullptr;
  QLabel* percentLabel = nullptr;
  QProgressBar* bar = nullptr;
  QPushButton* cancelButton = nullptr;
  bool cancelRequest = false;
  QPointer<QWidget> disabledOwner;
};
