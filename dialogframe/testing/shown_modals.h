// shown_modals.h - the modal dialogs a test has already answered, for as long as they stay shown.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

/// Remembers modal widgets until they hide, so that each showing of a dialog gets one answer.
/// An answered dialog can be the active modal widget again before it closes: its answer may
/// open a question of its own (a file dialog asks before replacing a file), and once that is
/// answered the dialog is back on top until its answer returns. It must not pass for a new
/// dialog then, however the polls fall between the events.
class ShownModals : public QObject {
 public:
  ShownModals() = default;
  explicit ShownModals(QObject* parent) : QObject(parent) {}
  ~ShownModals() override;

  /// Remembers modal until it hides and returns the number of this showing.
  int Remember(QWidget* modal);
  /// The number of modal's remembered showing, or 0 when it has not been remembered since it
  /// last showed.
  int ShowingOf(const QWidget* modal) const;
  bool StillShown(int showing) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Showing {
    QPointer<QWidget> modal;
    int number = 0;  // tells this showing from a later one of the same widget
  };

  QList<Showing> showings;
  int lastNumber = 0;
};

/// Closes a modal widget the way its close button would: a dialog is rejected.
void CloseModal(QWidget* modal);
