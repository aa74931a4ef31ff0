#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace clipvex {
namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kAccent(30, 110, 200);
const QColor kRed(200, 30, 30);
const QColor kGreen(30, 150, 60);

// All drawing is on a 24 x 24 grid scaled to the icon size.
void Page(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 5, r.top());
  path.lineTo(r.right(), r.top() + 5);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 5, r.top()), QPointF(r.right() - 5, r.top() + 5));
  p.drawLine(QPointF(r.right() - 5, r.top() + 5), QPointF(r.right(), r.top() + 5));
}

void Film(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(70, 70, 70));
  p.drawRect(r);
  p.setBrush(kPaper);
  p.setPen(Qt::NoPen);
  for (qreal x = r.left() + 1.5; x < r.right() - 1; x += 4) {
    p.drawRect(QRectF(x, r.top() + 1, 2, 2));
    p.drawRect(QRectF(x, r.bottom() - 3, 2, 2));
  }
  p.setBrush(QColor(150, 190, 230));
  p.drawRect(QRectF(r.left() + 2, r.top() + 4.5, r.width() - 4, r.height() - 9));
}

void Triangle(QPainter& p, qreal x, qreal y, qreal w, qreal h, bool right, const QColor& color) {
  QPolygonF t;
  if (right) {
    t << QPointF(x, y) << QPointF(x + w, y + h / 2) << QPointF(x, y + h);
  } else {
    t << QPointF(x + w, y) << QPointF(x, y + h / 2) << QPointF(x + w, y + h);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(t);
}

void Magnifier(QPainter& p, bool plus) {
  p.setPen(QPen(kInk, 2));
  p.setBrush(QColor(220, 235, 250));
  p.drawEllipse(QRectF(3, 3, 12, 12));
  p.setPen(QPen(kInk, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(14, 14), QPointF(21, 21));
  p.setPen(QPen(kAccent, 2));
  p.drawLine(QPointF(6, 9), QPointF(12, 9));
  if (plus) p.drawLine(QPointF(9, 6), QPointF(9, 12));
}

void Flag(QPainter& p, bool in) {
  const qreal pole = in ? 6 : 18;
  p.setPen(QPen(kInk, 2));
  p.drawLine(QPointF(pole, 3), QPointF(pole, 21));
  QPolygonF flag;
  const qreal dir = in ? 1 : -1;
  flag << QPointF(pole, 4) << QPointF(pole + dir * 12, 8) << QPointF(pole, 12);
  p.setPen(Qt::NoPen);
  p.setBrush(in ? kGreen : kRed);
  p.drawPolygon(flag);
  p.setPen(QPen(kInk, 1.5));
  p.drawLine(QPointF(in ? 3 : 15, 21), QPointF(in ? 9 : 21, 21));
}

void Scissors(QPainter& p) {
  p.setPen(QPen(kInk, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(3, 14, 6, 6));
  p.drawEllipse(QRectF(15, 14, 6, 6));
  p.setPen(QPen(QColor(120, 120, 130), 2));
  p.drawLine(QPointF(8, 15), QPointF(17, 3));
  p.drawLine(QPointF(16, 15), QPointF(7, 3));
}

void Clipboard(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(190, 150, 90));
  p.drawRoundedRect(QRectF(3, 4, 14, 17), 2, 2);
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(QRectF(7, 2, 6, 4));
}

void Draw(QPainter& p, Glyph glyph) {
  switch (glyph) {
    case Glyph::New:
      Page(p, QRectF(5, 2, 14, 20));
      p.setPen(QPen(kGreen, 2.5));
      p.drawLine(QPointF(15, 15), QPointF(21, 15));
      p.drawLine(QPointF(18, 12), QPointF(18, 18));
      break;
    case Glyph::Open: {
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(QColor(230, 190, 80));
      p.drawRect(QRectF(2, 6, 18, 14));
      QPolygonF lid;
      lid << QPointF(5, 10) << QPointF(23, 10) << QPointF(20, 20) << QPointF(2, 20);
      p.setBrush(QColor(250, 215, 110));
      p.drawPolygon(lid);
      break;
    }
    case Glyph::Save:
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
      p.setBrush(kPaper);
      p.drawRect(QRectF(6, 3, 12, 7));
      p.setBrush(QColor(60, 60, 60));
      p.drawRect(QRectF(7, 14, 10, 7));
      break;
    case Glyph::Cut:
      Scissors(p);
      break;
    case Glyph::Copy:
      Page(p, QRectF(3, 2, 12, 15));
      Page(p, QRectF(9, 7, 12, 15));
      break;
    case Glyph::Paste:
      Clipboard(p);
      Page(p, QRectF(10, 9, 11, 13));
      break;
    case Glyph::PasteEnd:
      Clipboard(p);
      Page(p, QRectF(10, 9, 11, 13));
      p.setPen(QPen(kRed, 2));
      p.drawLine(QPointF(22, 3), QPointF(22, 12));
      Triangle(p, 17, 4.5, 4, 6, true, kRed);
      break;
    case Glyph::Stop:
      p.setPen(QPen(kInk, 1));
      p.setBrush(kRed);
      p.drawRoundedRect(QRectF(4, 4, 16, 16), 3, 3);
      break;
    case Glyph::ColorFade: {
      QLinearGradient gradient(QPointF(3, 0), QPointF(21, 0));
      gradient.setColorAt(0, QColor(230, 40, 40));
      gradient.setColorAt(0.5, QColor(250, 220, 60));
      gradient.setColorAt(1, QColor(40, 80, 220));
      p.setPen(QPen(kInk, 1));
      p.setBrush(gradient);
      p.drawRect(QRectF(3, 5, 18, 14));
      break;
    }
    case Glyph::Sound: {
      QPolygonF speaker;
      speaker << QPointF(3, 9) << QPointF(7, 9) << QPointF(12, 4) << QPointF(12, 20) << QPointF(7, 15)
              << QPointF(3, 15);
      p.setPen(QPen(kInk, 1));
      p.setBrush(QColor(90, 90, 90));
      p.drawPolygon(speaker);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(kAccent, 1.8));
      p.drawArc(QRectF(10, 8, 6, 8), -60 * 16, 120 * 16);
      p.drawArc(QRectF(9, 4, 12, 16), -60 * 16, 120 * 16);
      break;
    }
    case Glyph::Print:
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(kPaper);
      p.drawRect(QRectF(2, 5, 20, 14));
      p.setPen(QPen(kAccent, 1.6));
      for (qreal y = 9; y <= 15; y += 3) p.drawLine(QPointF(5, y), QPointF(y == 15 ? 13 : 19, y));
      break;
    case Glyph::Arrow: {
      QPolygonF arrow;
      arrow << QPointF(6, 2) << QPointF(6, 19) << QPointF(10, 15) << QPointF(13, 22) << QPointF(16, 21)
            << QPointF(13, 14) << QPointF(18, 14);
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(Qt::white);
      p.drawPolygon(arrow);
      break;
    }
    case Glyph::ZoomIn:
      Magnifier(p, true);
      break;
    case Glyph::ZoomOut:
      Magnifier(p, false);
      break;
    case Glyph::ZoomImage:
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(QColor(150, 200, 240));
      p.drawRect(QRectF(2, 4, 20, 16));
      p.setPen(Qt::NoPen);
      p.setBrush(kGreen);
      p.drawPolygon(QPolygonF() << QPointF(3, 19) << QPointF(10, 10) << QPointF(16, 19));
      p.setBrush(QColor(250, 220, 60));
      p.drawEllipse(QRectF(15, 6, 4, 4));
      break;
    case Glyph::Text:
      Page(p, QRectF(4, 2, 16, 20));
      p.setPen(QPen(kInk, 1.2));
      for (qreal y = 8; y <= 18; y += 3) p.drawLine(QPointF(7, y), QPointF(17, y));
      break;
    case Glyph::InFlag:
      Flag(p, true);
      break;
    case Glyph::OutFlag:
      Flag(p, false);
      break;
    case Glyph::PageLeft:
      Triangle(p, 2, 6, 9, 12, false, kInk);
      Triangle(p, 11, 6, 9, 12, false, kInk);
      p.fillRect(QRectF(1, 6, 2, 12), kInk);
      break;
    case Glyph::FrameLeft:
      Triangle(p, 7, 6, 10, 12, false, kInk);
      break;
    case Glyph::FrameRight:
      Triangle(p, 7, 6, 10, 12, true, kInk);
      break;
    case Glyph::PageRight:
      Triangle(p, 4, 6, 9, 12, true, kInk);
      Triangle(p, 13, 6, 9, 12, true, kInk);
      p.fillRect(QRectF(21, 6, 2, 12), kInk);
      break;
    case Glyph::Preview:
      Film(p, QRectF(1, 5, 22, 14));
      break;
    case Glyph::Update:
      Film(p, QRectF(1, 5, 22, 14));
      p.setPen(QPen(kGreen, 2.2));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(7, 7, 10, 10), 30 * 16, 280 * 16);
      break;
    case Glyph::Play:
      Triangle(p, 6, 3, 14, 18, true, kGreen);
      break;
  }
}

}  // namespace

QIcon GlyphIcon(Glyph glyph, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 24.0, size / 24.0);
  Draw(painter, glyph);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace clipvex
