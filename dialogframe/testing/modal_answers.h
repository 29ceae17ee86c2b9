// modal_answers.h - answering modal dialogs and message boxes one at a time from a timer, with a
// watchdog that closes whatever is left so a broken test fails instead of hanging. Unlike
// ModalDriver, these leave dialogs nobody asked for to other answerers.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>  // std::function

namespace modaltest {

/// Runs action on the next visible modal widget that no earlier action was given (while it
/// stays shown) and that is not notThis, polling every few milliseconds; gives up after a
/// while so a missing dialog shows as a failed check later.
void AnswerNextModal(std::function<void(QWidget*)> action, QWidget* notThis = nullptr);

/// Presses the button of the next message box that has the given role, and hands its text out.
void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* text = nullptr,
                          QWidget* notThis = nullptr);

/// While it lives, closes every modal widget once the deadline has passed and remembers that
/// it had to.
class Watchdog {
 public:
  explicit Watchdog(int milliseconds = 30000);
  bool Fired() const { return fired; }

 private:
  QTimer timer;
  bool fired = false;
};

}  // namespace modaltest
