// modal_driver.h - answering real modal dialogs from a timer, with a watchdog.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>  // std::function
#include <map>

#include "shown_modals.h"

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

 private:
  /// How the answer of one showing of a dialog (or the closing of a stray) is going.
  struct AnswerState {
    bool answerRunning = false;  // queued or on the stack
    int ticksOnTop = 0;          // polls that found it on top after its answer had returned
  };

  void Poll();
  void CheckStillOpen(QWidget* dialog, AnswerState& state);
  void StartAnswer(QWidget* modal);
  void CloseStray(QWidget* modal);

  QTimer timer;
  QList<Answer> pending;
  ShownModals shown;
  std::map<int, AnswerState> answers;  // by showing
  int idleTicks = 0;
  QStringList failures;
};

/// Puts name into a Qt file dialog's name edit and accepts it.
void AcceptFileDialogWith(QWidget* dialog, const QString& name);
/// Presses the message box button with this standard role (QMessageBox::StandardButton).
void PressMessageBoxButton(QWidget* box, int standardButton);
