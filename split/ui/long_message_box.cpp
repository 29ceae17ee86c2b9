// long_message_box.cpp - a message box for texts of any length.
#include "long_message_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>  // std::min, std::max

LongMessageBox::LongMessageBox(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent), label(new QLabel(text)), scrollArea(new QScrollArea(this)) {
  setObjectName(QStringLiteral("longMessageBox"));
  setWindowTitle(caption);
  setModal(true);
  label->setObjectName(QStringLiteral("longMessageText"));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  scrollArea->setFrameShape(QFrame::NoFrame);
  scrollArea->setWidgetResizable(true);
  scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollArea->setWidget(label);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setCenterButtons(style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, this));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scrollArea, 1);
  layout->addWidget(buttons);
}

QString LongMessageBox::text() const {
  return label->text();
}

void LongMessageBox::showEvent(QShowEvent* event) {
  FitToScreen();
  QDialog::showEvent(event);
}

void LongMessageBox::FitToScreen() {
  // As wide as the longest line (with a letter to spare for rounding) up to what a message box
  // would take, as tall as the text needs up to half the screen; beyond that the text scrolls.
  // The scroll bar is either always there or never, so that its coming and going cannot
  // narrow the text into more lines than were measured.
  const QRect available = screen()->availableGeometry();
  const QFontMetrics metrics = label->fontMetrics();
  const int widest = std::min(std::max(available.width() / 2, 200), 500);
  const int longestLine = metrics.boundingRect(QRect(), 0, label->text()).width();
  const int textWidth = std::min(widest, longestLine + metrics.averageCharWidth());
  const int textHeight = label->heightForWidth(textWidth);
  const int shownHeight = std::min(textHeight, available.height() / 2);
  const bool scrolls = textHeight > shownHeight;
  scrollArea->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  const int scrollBarRoom = scrolls ? scrollArea->verticalScrollBar()->sizeHint().width() : 0;
  scrollArea->setFixedSize(textWidth + scrollBarRoom, shownHeight);
  adjustSize();
}
