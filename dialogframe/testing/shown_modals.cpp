// shown_modals.cpp - remembering answered modal dialogs until they hide.
#include "shown_modals.h"

#include <QDialog>
#include <QEvent>

ShownModals::~ShownModals() {
  for (const Showing& showing : showings) {
    if (showing.modal) showing.modal->removeEventFilter(this);
  }
}

int ShownModals::Remember(QWidget* modal) {
  modal->installEventFilter(this);
  showings.append({modal, ++lastNumber});
  return lastNumber;
}

int ShownModals::ShowingOf(const QWidget* modal) const {
  for (const Showing& showing : showings) {
    if (showing.modal == modal) return showing.number;
  }
  return 0;
}

bool ShownModals::StillShown(int number) const {
  for (const Showing& showing : showings) {
    if (showing.number == number) return !showing.modal.isNull();
  }
  return false;
}

bool ShownModals::eventFilter(QObject* watched, QEvent* event) {
  // Hidden, the widget is free for its next showing. A dialog minimised by the window system
  // gets a spontaneous Hide yet stays visible and answered.
  if (event->type() == QEvent::Hide) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && !widget->isVisible()) {
      showings.removeIf([widget](const Showing& showing) {
        return showing.modal.isNull() || showing.modal == widget;
      });
      widget->removeEventFilter(this);
    }
  }
  return QObject::eventFilter(watched, event);
}

void CloseModal(QWidget* modal) {
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else {
    modal->close();
  }
}
