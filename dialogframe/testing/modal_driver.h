// modal_driver.h - answering real modal dialogs from a timer, with a watchdog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>  // std::function

/// Answers the modal dialogs that open while a test runs, one scripted answer each, in order.
/// A modal dialog with no answer left, or an answer that never finds its dialog, is closed by
/// the watchdog and recorded as a failure, so a broken test fails instead of hanging.
class ModalDriver : public QObject {
 public:
  using Answer = std::function<void(QWidget*)>;

  ModalDriver();
  ~ModalDriver() override;

  void Expect(Answer answer);
  bool AllAnswered() const { return pending.isEmpty(); }
  const QStringList& Failures() const { return failures; }

 private:
  void Poll();
  void CloseStray(QWidget* modal);

  QTimer timer;
  QList<Answer> pending;
  QPointer<QWidget> lastAnswered;
  int idleTicks = 0;
  QStringList failures;
};

class CJobProgressDlg;

/// The progress dialog on screen, if any.
CJobProgressDlg* VisibleProgressDialog();
/// Presses Cancel on the progress dialog at the job's next look at waiting events, the only
/// moment a user's click can reach it while a job runs.
void ClickCancelAtNextPump();

/// Puts name into a Qt file dialog's name edit and accepts it.
void AcceptFileDialogWith(QWidget* dialog, const QString& name);
/// Presses the message box button with this standard role (QMessageBox::StandardButton).
void PressMessageBoxButton(QWidget* box, int standardButton);
