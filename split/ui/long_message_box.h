// long_message_box.h - a message box for texts of any length: an OK button, no icon, and the
// text scrolling inside the box once it would not fit on the screen.
#pragma once

#include <QDialog>

class QLabel;
class QScrollArea;

/// Looks and acts like a message box with only an OK button and no icon, but a text of
/// thousands of lines (every missing record of a large file) scrolls instead of pushing the
/// box and its button off the screen.
class LongMessageBox : public QDialog {
  Q_OBJECT
 public:
  LongMessageBox(const QString& caption, const QString& text, QWidget* parent = nullptr);

  QString text() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FitToScreen();

  QLabel* label;
  QScrollArea* scrollArea;
};
