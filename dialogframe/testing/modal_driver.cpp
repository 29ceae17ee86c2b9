// modal_driver.cpp - the timer-driven answering of modal dialogs.
#include "modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "job_progress_dialog.h"

namespace {
constexpr int kPollMilliseconds = 20;
// About ten seconds without the expected dialog ends the wait.
constexpr int kWatchdogTicks = 500;

void CloseModal(QWidget* modal) {
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else {
    modal->close();
  }
}
}  // namespace

ModalDriver::ModalDriver() {
  timer.setInterval(kPollMilliseconds);
  connect(&timer, &QTimer::timeout, this, &ModalDriver::Poll);
  timer.start();
}

ModalDriver::~ModalDriver() {
  timer.stop();
  for (const Handled& entry : handled) {
    if (entry.dialog) entry.dialog->removeEventFilter(this);
  }
}

void ModalDriver::Expect(Answer answer) {
  pending.append(std::move(answer));
  idleTicks = 0;
}

void ModalDriver::Poll() {
  handled.removeIf([](const Handled& entry) { return entry.dialog.isNull(); });
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal->isVisible()) {
    if (Handled* seen = Find(modal)) {
      CheckStillOpen(*seen);
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

void ModalDriver::CheckStillOpen(Handled& entry) {
  // While its answer runs, the dialog may wait on a question of its own or on the answer's
  // next step; only an answer that has returned and left the dialog open is a broken one.
  if (entry.answerRunning || ++entry.ticksOnTop <= kWatchdogTicks) return;
  entry.ticksOnTop = 0;
  QWidget* dialog = entry.dialog;
  failures.append(QString("modal dialog still open after its answer: %1 \"%2\"")
                      .arg(dialog->metaObject()->className(), dialog->windowTitle()));
  CloseModal(dialog);  // may hide it, which forgets entry
}

void ModalDriver::StartAnswer(QWidget* modal) {
  Handled& entry = Remember(modal);
  entry.answerRunning = true;
  // Answered from the event loop rather than from this timer's slot: an answer may open a
  // further modal dialog, and the timer does not fire again while its slot runs.
  QMetaObject::invokeMethod(
      this,
      [this, answer = pending.takeFirst(), target = QPointer<QWidget>(modal),
       serial = entry.serial] {
        if (target.isNull() || !target->isVisible()) {
          failures.append("a modal dialog closed before its answer was given");
          return;
        }
        answer(target);
        if (Handled* answered = FindSerial(serial)) answered->answerRunning = false;
      },
      Qt::QueuedConnection);
}

void ModalDriver::CloseStray(QWidget* modal) {
  failures.append(QString("unexpected modal dialog: %1 \"%2\"")
                      .arg(modal->metaObject()->className(), modal->windowTitle()));
  Remember(modal);
  CloseModal(modal);
}

ModalDriver::Handled& ModalDriver::Remember(QWidget* modal) {
  modal->installEventFilter(this);
  handled.append({modal, ++lastSerial});
  return handled.last();
}

ModalDriver::Handled* ModalDriver::Find(const QWidget* modal) {
  for (Handled& entry : handled) {
    if (entry.dialog == modal) return &entry;
  }
  return nullptr;
}

ModalDriver::Handled* ModalDriver::FindSerial(int serial) {
  for (Handled& entry : handled) {
    if (entry.serial == serial) return &entry;
  }
  return nullptr;
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event) {
  // A dialog minimised by the window system gets a spontaneous Hide yet stays open.
  if (event->type() == QEvent::Hide) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && !widget->isVisible()) {
      handled.removeIf([widget](const Handled& entry) { return entry.dialog == widget; });
      widget->removeEventFilter(this);
    }
  }
  return QObject::eventFilter(watched, event);
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

CJobProgressDlg* VisibleProgressDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* progress = qobject_cast<CJobProgressDlg*>(widget);
    if (progress != nullptr && progress->isVisible()) return progress;
  }
  return nullptr;
}

void ClickCancelAtNextPump() {
  QMetaObject::invokeMethod(
      qApp,
      [] {
        if (CJobProgressDlg* progress = VisibleProgressDialog()) {
          progress->findChild<QPushButton*>("cancelButton")->click();
        }
      },
      Qt::QueuedConnection);
}
