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
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == lastAnswered || !modal->isVisible()) {
    if (!pending.isEmpty() && ++idleTicks > kWatchdogTicks) {
      failures.append("an expected modal dialog never opened");
      pending.clear();
    }
    return;
  }
  idleTicks = 0;
  if (pending.isEmpty()) {
    CloseStray(modal);
    return;
  }
  lastAnswered = modal;
  // Answered from the event loop rather than from this timer's slot: an answer may open a
  // further modal dialog, and the timer does not fire again while its slot runs.
  QMetaObject::invokeMethod(
      this,
      [answer = pending.takeFirst(), target = QPointer<QWidget>(modal)] {
        if (target) answer(target);
      },
      Qt::QueuedConnection);
}

void ModalDriver::CloseStray(QWidget* modal) {
  failures.append(QString("unexpected modal dialog: %1 \"%2\"")
                      .arg(modal->metaObject()->className(), modal->windowTitle()));
  lastAnswered = modal;
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else {
    modal->close();
  }
}

void AcceptFileDialogWith(QWidget* dialog, const QString& name) {
  auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
  if (fileDialog == nullptr) {
    if (auto* other = qobject_cast<QDialog*>(dialog)) other->reject();
    return;
  }
  if (auto* nameEdit = fileDialog->findChild<QLineEdit*>("fileNameEdit")) {
    nameEdit->setText(name);
  } else {
    fileDialog->selectFile(name);
  }
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
