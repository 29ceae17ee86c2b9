// modal_driver.h - test-only helpers that answer modal dialogs and message boxes from a timer,
// with a watchdog that closes whatever is left so a broken test fails instead of hanging.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>  // std::function
#include <memory>      // std::make_shared

namespace modaltest {

/// The modal widgets an answer has been given to, each for as long as it stays shown. An
/// answered dialog can be the active modal widget again before it closes: its answer may open
/// a question of its own (a file dialog asks before replacing a file), and once that is
/// answered the dialog is back on top until its answer returns. No later answer may take it
/// for the dialog it waits for, however the polls fall between the events.
class AnsweredModals : public QObject {
 public:
  static AnsweredModals& Instance() {
    static QPointer<AnsweredModals> instance;
    if (instance.isNull()) instance = new AnsweredModals(qApp);
    return *instance;
  }

  bool Contains(const QWidget* modal) const {
    for (const QPointer<QWidget>& answered : answeredModals) {
      if (answered == modal) return true;
    }
    return false;
  }

  void Add(QWidget* modal) {
    modal->installEventFilter(this);
    answeredModals.append(modal);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Hidden, the widget is free for its next showing; a spontaneous Hide (minimised by the
    // window system) leaves it visible and answered.
    if (event->type() == QEvent::Hide) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget != nullptr && !widget->isVisible()) {
        answeredModals.removeIf([widget](const QPointer<QWidget>& answered) {
          return answered.isNull() || answered == widget;
        });
        widget->removeEventFilter(this);
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  explicit AnsweredModals(QObject* parent) : QObject(parent) {}

  QList<QPointer<QWidget>> answeredModals;
};

/// Runs action on the next visible modal widget that no earlier action was given (while it
/// stays shown) and that is not notThis, polling every few milliseconds; gives up after a
/// while so a missing dialog shows as a failed check later.
inline void AnswerNextModal(std::function<void(QWidget*)> action, QWidget* notThis = nullptr) {
  auto* timer = new QTimer(qApp);
  auto polls = std::make_shared<int>(0);
  QPointer<QWidget> excluded(notThis);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, polls, excluded, action] {
    constexpr int kMaxPolls = 1000;  // ten seconds
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && modal != excluded.data() &&
        !AnsweredModals::Instance().Contains(modal)) {
      timer->stop();
      timer->deleteLater();
      AnsweredModals::Instance().Add(modal);
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
