// generation_spin_box.cpp - a digits-only number edit whose arrows stop before its typed range does.
#include "generation_spin_box.h"

#include <QFocusEvent>
#include <QLineEdit>

#include <algorithm>  // std::clamp

namespace {

bool IsAllDigits(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

GenerationSpinBox::GenerationSpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  // Room for six digits beside the arrows; the base class has no value to size itself by.
  constexpr int kArrowRoom = 28;
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + kArrowRoom);
  SetNumber(0);
}

void GenerationSpinBox::SetNumber(int number) { SetText(QString::number(number)); }

QString GenerationSpinBox::Text() const { return lineEdit()->text(); }

void GenerationSpinBox::SetText(const QString& text) {
  lineEdit()->setText(text);
  update();
}

void GenerationSpinBox::SelectAllText() { lineEdit()->selectAll(); }

qint64 GenerationSpinBox::CurrentNumber() const {
  bool isNumber = false;
  const qint64 number = Text().toLongLong(&isNumber);
  return isNumber ? number : 0;
}

void GenerationSpinBox::stepBy(int steps) {
  const qint64 next = std::clamp<qint64>(CurrentNumber() + steps, 0, kArrowMaximum);
  SetText(QString::number(next));
  lineEdit()->selectAll();
}

QValidator::State GenerationSpinBox::validate(QString& input, int& /*pos*/) const {
  return IsAllDigits(input) ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled GenerationSpinBox::stepEnabled() const {
  const qint64 number = CurrentNumber();
  StepEnabled enabled = StepNone;
  if (number < kArrowMaximum) enabled |= StepUpEnabled;
  if (number > 0) enabled |= StepDownEnabled;
  return enabled;
}

void GenerationSpinBox::focusInEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusInEvent(event);
  if (event->reason() != Qt::MouseFocusReason) lineEdit()->selectAll();
}
