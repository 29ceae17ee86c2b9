// modal_driver.cpp - the timer-driven answering of modal dialogs.
#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

namespace {
constexpr int kPollMilliseconds = 20;
// About ten seconds without the expected dialog ends the wait.
constexpr int kWatchdogTicks = 500;
}  // namespace

ModalDriver::ModalDriver() {
  timer.setInterval(kPollMilliseconds);
  connect(&timer, &QTimer::timeout, this, &ModalDriver::Poll);
  timer.start();
}

ModalDriver::~ModalDriver() {
  timer.stop();
}

void ModalDriver::Expect(Answer answer) {
  pending.append(std::move(answer));
  idleTicks = 0;
}

void ModalDriver::Poll() {
  std::erase_if(answers, [this](const auto& entry) { return !shown.StillShown(entry.first); });
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal->isVisible()) {
    if (const int showing = shown.ShowingOf(modal)) {
      CheckStillOpen(modal, answers[showing]);
    } else {
      idleTicks = 0;
      if (pending.isEmpty()) {
        CloseStray(modal);
      } else {
        StartAnswer(modal);
      }
      return;
    }
  }
  if (!pending.isEmpty() && ++idleTicks > kWatchdogTicks) {
    failures.append("an expected modal dialog never opened");
    pending.clear();
  }
}

void ModalDriver::CheckStillOpen(QWidget* dialog, AnswerState& state) {
  // While its answer runs, the dialog may wait on a question of its own or on the answer's
  // next step; only an answer that has returned and left the dialog open is a broken one.
  if (state.answerRunning || ++state.ticksOnTop <= kWatchdogTicks) return;
  state.ticksOnTop = 0;
  failures.append(QString("modal dialog still open after its answer: %1 \"%2\"")
                      .arg(dialog->metaObject()->className(), dialog->windowTitle()));
  CloseModal(dialog);  // may hide it, which ends its showing
}

void ModalDriver::StartAnswer(QWidget* modal) {
  const int showing = shown.Remember(modal);
  answers[showing].answerRunning = true;
  // Answered from the event loop rather than from this timer's slot: an answer may open a
  // further modal dialog, and the timer does not fire again while its slot runs.
  QMetaObject::invokeMethod(
      this,
      [this, answer = pending.takeFirst(), target = QPointer<QWidget>(modal), showing] {
        if (target.isNull() || !target->isVisible()) {
          failures.append("a modal dialog closed before its answer was given");
          return;
        }
        answer(target);
        if (auto answered = answers.find(showing); answered != answers.end()) {
          answered->second.answerRunning = false;
        }
      },
      Qt::QueuedConnection);
}

void ModalDriver::CloseStray(QWidget* modal) {
  failures.append(QString("unexpected modal dialog: %1 \"%2\"")
                      .arg(modal->metaObject()->className(), modal->windowTitle()));
  shown.Remember(modal);
  CloseModal(modal);
}

void AcceptFileDialogWith(QWidget* dialog, const QString& name) {
  auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
  if (fileDialog == nullptr) {
    if (auto* other = qobject_cast<QDialog*>(dialog)) other->reject();
    return;
  }
  // A user types the name into a focused edit, which drops the file preselected in the list;
  // whether the edit has the focus yet depends on when the window system activated the dialog.
  // selectFile() drops the selection either way, and the edit then gets the name as typed.
  fileDialog->selectFile(name);
  if (auto* nameEdit = fileDialog->findChild<QLineEdit*>("fileNameEdit")) nameEdit->setText(name);
  // QFileDialog hides accept(); the dialog's own override still runs through the base.
  static_cast<QDialog*>(fileDialog)->accept();
}

void PressMessageBoxButton(QWidget* box, int standardButton) {
  auto* messageBox = qobject_cast<QMessageBox*>(box);
  if (messageBox == nullptr) {
    if (auto* other = qobject_cast<QDialog*>(box)) other->reject();
    return;
  }
  if (QAbstractButton* button =
          messageBox->button(static_cast<QMessageBox::StandardButton>(standardButton))) {
    button->click();
  } else {
    messageBox->reject();
  }
}
