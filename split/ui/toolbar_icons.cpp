// toolbar_icons.cpp - the toolbar pictures and the list's selected-arrow, drawn at start-up.
#include "toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kToolWidth = 26;
constexpr int kToolHeight = 24;
constexpr int kRowIconSize = 16;

const QColor kInk(40, 40, 40);
const QColor kBlue(30, 90, 200);
const QColor kGreen(40, 140, 60);
const QColor kSkin(235, 190, 140);
const QColor kFolder(230, 190, 70);

/// A small person: head and shoulders, centred at x with the head's top at y.
void Person(QPainter& p, qreal x, qreal y, qreal scale, const QColor& body) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kSkin);
  p.drawEllipse(QRectF(x - 2.5 * scale, y, 5 * scale, 5 * scale));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(x - 4 * scale, y + 5.5 * scale, 8 * scale, 6 * scale), 2, 2);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
  p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QLineF shaft(to, from);
  QLineF left = shaft;
  left.setLength(5);
  left.setAngle(shaft.angle() + 35);
  QLineF right = shaft;
  right.setLength(5);
  right.setAngle(shaft.angle() - 35);
  p.drawLine(left);
  p.drawLine(right);
}

void DrawOpen(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kFolder.darker(115));
  p.drawRect(QRectF(3, 6, 18, 13));
  p.setBrush(kFolder);
  QPainterPath front;
  front.moveTo(3, 19);
  front.lineTo(7, 10);
  front.lineTo(24, 10);
  front.lineTo(20, 19);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawSaveAs(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kBlue);
  p.drawRect(QRectF(5, 3, 16, 18));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 3, 10, 7));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(8, 14, 10, 7));
}

void DrawFamily(QPainter& p) {
  Person(p, 7, 3, 1.0, kBlue);
  Person(p, 19, 3, 1.0, QColor(200, 60, 90));
  Person(p, 13, 11, 0.8, kGreen);
}

void DrawAncestors(QPainter& p) {
  Person(p, 7, 1, 0.8, kBlue);
  Person(p, 19, 1, 0.8, kBlue);
  Person(p, 13, 13, 0.8, kGreen);
  Arrow(p, QPointF(13, 12), QPointF(13, 4), kInk);
}

void DrawDescendants(QPainter& p) {
  Person(p, 13, 1, 0.8, kGreen);
  Person(p, 7, 13, 0.8, kBlue);
  Person(p, 19, 13, 0.8, kBlue);
  Arrow(p, QPointF(13, 11), QPointF(13, 21), kInk);
}

void DrawTree(QPainter& p) {
  p.setPen(QPen(kInk, 1.5));
  p.drawLine(QPointF(13, 5), QPointF(5, 18));
  p.drawLine(QPointF(13, 5), QPointF(21, 18));
  p.drawLine(QPointF(5, 18), QPointF(21, 18));
  p.setBrush(kGreen);
  for (const QPointF& node : {QPointF(13, 5), QPointF(5, 18), QPointF(21, 18), QPointF(13, 18)}) {
    p.drawEllipse(node, 3, 3);
  }
}

void DrawEveryone(QPainter& p) {
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column) {
      Person(p, 5 + column * 8, 1 + row * 11, 0.65, kBlue);
    }
  }
}

void DrawInvert(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kBlue);
  p.drawPie(QRectF(4, 3, 18, 18), 90 * 16, 180 * 16);
  p.setBrush(Qt::white);
  p.drawPie(QRectF(4, 3, 18, 18), -90 * 16, 180 * 16);
}

void DrawUndoRedo(QPainter& p) {
  p.setPen(QPen(kBlue, 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(5, 5, 16, 14), 30 * 16, 240 * 16);
  Arrow(p, QPointF(18, 4), QPointF(20, 9), kBlue);
}

void DrawAbout(QPainter& p) {
  p.setPen(QPen(kBlue, 1.5));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(4, 2, 19, 19));
  p.setPen(QPen(kBlue, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawPoint(QPointF(13.5, 7));
  p.drawLine(QPointF(13.5, 10.5), QPointF(13.5, 16));
}

void DrawContextHelp(QPainter& p) {
  QPainterPath pointer;
  pointer.moveTo(3, 3);
  pointer.lineTo(3, 17);
  pointer.lineTo(6.5, 13.5);
  pointer.lineTo(9, 19);
  pointer.lineTo(11, 18);
  pointer.lineTo(8.5, 12.5);
  pointer.lineTo(13, 12.5);
  pointer.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(Qt::white);
  p.drawPath(pointer);
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(15);
  p.setFont(font);
  p.setPen(kBlue);
  p.drawText(QRectF(13, 3, 12, 19), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

QIcon ToolbarIcon(ToolbarPicture picture) {
  QPixmap pixmap(kToolWidth, kToolHeight);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (picture) {
    case ToolbarPicture::Open: DrawOpen(painter); break;
    case ToolbarPicture::SaveAs: DrawSaveAs(painter); break;
    case ToolbarPicture::Family: DrawFamily(painter); break;
    case ToolbarPicture::Ancestors: DrawAncestors(painter); break;
    case ToolbarPicture::Descendants: DrawDescendants(painter); break;
    case ToolbarPicture::Tree: DrawTree(painter); break;
    case ToolbarPicture::Everyone: DrawEveryone(painter); break;
    case ToolbarPicture::Invert: DrawInvert(painter); break;
    case ToolbarPicture::UndoRedo: DrawUndoRedo(painter); break;
    case ToolbarPicture::About: DrawAbout(painter); break;
    case ToolbarPicture::ContextHelp: DrawContextHelp(painter); break;
  }
  painter.end();
  return QIcon(pixmap);
}

QIcon SelectedArrowIcon() {
  QPixmap pixmap(kRowIconSize, kRowIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  arrow.moveTo(1, 6);
  arrow.lineTo(8, 6);
  arrow.lineTo(8, 2);
  arrow.lineTo(15, 8);
  arrow.lineTo(8, 14);
  arrow.lineTo(8, 10);
  arrow.lineTo(1, 10);
  arrow.closeSubpath();
  painter.setPen(QPen(kBlue.darker(140), 1));
  painter.setBrush(kBlue);
  painter.drawPath(arrow);
  painter.end();
  return QIcon(pixmap);
}

QIcon EmptyRowIcon() {
  QPixmap pixmap(kRowIconSize, kRowIconSize);
  pixmap.fill(Qt::transparent);
  return QIcon(pixmap);
}
