// modal_driver.h - answering real modal dialogs from a timer, with a watchdog.
#pragma once

#include <QEvent>
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
///
/// Each showing of a dialog gets one answer. A dialog keeps it until it hides: while its answer
/// runs it may open questions of its own (QFileDialog asks before replacing a file) and becomes
/// the active modal widget again once they close, and that must not pass for a new dialog,
/// however the polls fall between the events.
class ModalDriver : public QObject {
 public:
  using Answer = std::function<void(QWidget*)>;

  ModalDriver();
  ~ModalDriver() override;

  void Expect(Answer answer);
  bool AllAnswered() const { return pending.isEmpty(); }
  const QStringList& Failures() const { return failures; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  /// A dialog shown now that has had its answer, or was closed as a stray.
  struct Handled {
    QPointer<QWidget> dialog;
    int serial = 0;              // tells this showing from a later one of the same dialog
    bool answerRunning = false;  // queued or on the stack
    int ticksOnTop = 0;          // polls that found it on top after its answer had returned
  };

  void Poll();
  void CheckStillOpen(Handled& handled);
  void StartAnswer(QWidget* modal);
  void CloseStray(QWidget* modal);
  Handled& Remember(QWidget* modal);
  Handled* Find(const QWidget* modal);
  Handled* FindSerial(int serial);

  QTimer timer;
  QList<Answer> pending;
  QList<Handled> handled;
  int lastSerial = 0;
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
