// generation_spin_box.h - a digits-only number edit whose arrows stop before its typed range does.
#pragma once

#include <QAbstractSpinBox>

/// The arrows (buttons, Up/Down and Page keys, wheel) move the number between 0 and
/// kArrowMaximum, while any run of digits may be typed: the owning dialog checks the typed
/// number against its own, larger range when it closes, so a too-large number can be reported
/// and corrected instead of being silently clipped.
class GenerationSpinBox : public QAbstractSpinBox {
  Q_OBJECT
 public:
  static constexpr int kArrowMaximum = 16959;

  explicit GenerationSpinBox(QWidget* parent = nullptr);

  void SetNumber(int number);
  /// The typed text as it stands (digits only, possibly empty or out of range).
  QString Text() const;
  void SetText(const QString& text);
  void SelectAllText();

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;

 protected:
  StepEnabled stepEnabled() const override;
  /// Focus from the keyboard or from the dialog's opening selects the number, so that typing
  /// replaces it ("3", not "03"); a click places the cursor as usual.
  void focusInEvent(QFocusEvent* event) override;

 private:
  /// The typed number, or 0 when the text is no number (as the arrows treat it).
  qint64 CurrentNumber() const;
};
