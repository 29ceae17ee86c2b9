// progress_driver.cpp - reaching the job progress dialog from a test.
#include "progress_driver.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "job_progress_dialog.h"

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

std::optional<ProgressSnapshot> VisibleProgressTexts() {
  CJobProgressDlg* progress = VisibleProgressDialog();
  if (progress == nullptr) return std::nullopt;
  return ProgressSnapshot{progress->windowTitle(),
                          progress->findChild<QLabel*>("statusLabel")->text(),
                          progress->findChild<QLabel*>("percentLabel")->text()};
}
