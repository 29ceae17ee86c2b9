// modal_driver.h - test-only helpers that answer modal dialogs and message boxes from a timer,
// with a watchdog that closes whatever is left so a broken test fails instead of hanging.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>  // std::function
#include <memory>      // std::make_shared

namespace modaltest {

/// Runs action on the next visible modal widget other than notThis, polling every few
/// milliseconds; gives up after a while so a missing dialog shows as a failed check later.
inline void AnswerNextModal(std::function<void(QWidget*)> action, QWidget* notThis = nullptr) {
  auto* timer = new QTimer(qApp);
  auto polls = std::make_shared<int>(0);
  QPointer<QWidget> excluded(notThis);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, polls, excluded, action] {
    constexpr int kMaxPolls = 1000;  // ten seconds
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && modal != excluded.data()) {
      timer->stop();
      timer->deleteLater();
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

/// Presses the button of the next message box that has the given role, and hands its text out.
inline void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* text = nullptr,
                                 QWidget* notThis = nullptr) {
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

/// While it lives, closes every modal widget once the deadline has passed and remembers that
/// it had to.
class Watchdog {
 public:
  explicit Watchdog(int milliseconds = 30000) {
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
  bool Fired() const { return fired; }

 private:
  QTimer timer;
  bool fired = false;
};

}  // namespace modaltest
