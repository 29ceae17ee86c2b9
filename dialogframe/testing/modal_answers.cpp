// modal_answers.cpp - one-at-a-time answers to modal dialogs, and the watchdog behind them.
#include "modal_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>

#include <memory>  // std::make_shared

#include "shown_modals.h"

namespace modaltest {
namespace {

/// The dialogs answered so far, shared by every pending answer; kept by the application so
/// that it lasts exactly as long as the widgets it watches can.
ShownModals& AnsweredModals() {
  const QString name = QStringLiteral("modaltestAnsweredModals");
  auto* answered = qApp->findChild<ShownModals*>(name, Qt::FindDirectChildrenOnly);
  if (answered == nullptr) {
    answered = new ShownModals(qApp);  // owned by the application
    answered->setObjectName(name);
  }
  return *answered;
}

}  // namespace

void AnswerNextModal(std::function<void(QWidget*)> action, QWidget* notThis) {
  auto* timer = new QTimer(qApp);  // owned by the application until it deletes itself
  auto polls = std::make_shared<int>(0);
  QPointer<QWidget> excluded(notThis);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, polls, excluded, action] {
    constexpr int kMaxPolls = 1000;  // ten seconds
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && modal != excluded.data() &&
        AnsweredModals().ShowingOf(modal) == 0) {
      timer->stop();
      timer->deleteLater();
      AnsweredModals().Remember(modal);
      action(modal);
      return;
    }
    if (++*polls > kMaxPolls) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* text, QWidget* notThis) {
  AnswerNextModal(
      [button, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
          modal->close();
          return;
        }
        if (text != nullptr) *text = box->text();
        QAbstractButton* pressed = box->button(button);
        if (pressed == nullptr) pressed = box->buttons().value(0);
        if (pressed != nullptr) pressed->click();
      },
      notThis);
}

Watchdog::Watchdog(int milliseconds) {
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [this] {
    fired = true;
    for (int i = 0; i < 10; ++i) {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) break;
      modal->close();
    }
    // Keep closing whatever opens next; the test has failed already.
    timer.start(100);
  });
  timer.start(milliseconds);
}

}  // namespace modaltest
