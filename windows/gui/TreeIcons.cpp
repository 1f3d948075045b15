#include "windows/gui/TreeIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillet {
namespace {

// Every picture is drawn on a 20-unit grid and scaled, so both sizes match.
void DrawTopic(QPainter& p) {
  // A folder: tab, back, and a lighter front flap.
  p.setPen(QPen(QColor(0x9A, 0x6B, 0x12), 1.0));
  p.setBrush(QColor(0xE8, 0xB8, 0x4A));
  QPainterPath back;
  back.moveTo(2.5, 5.5);
  back.lineTo(7.5, 5.5);
  back.lineTo(9.0, 7.0);
  back.lineTo(17.5, 7.0);
  back.lineTo(17.5, 16.5);
  back.lineTo(2.5, 16.5);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(QColor(0xF8, 0xD6, 0x7A));
  QPainterPath front;
  front.moveTo(2.5, 16.5);
  front.lineTo(4.5, 9.5);
  front.lineTo(19.0, 9.5);
  front.lineTo(17.5, 16.5);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawNote(QPainter& p) {
  // A page with a folded corner and ruled lines.
  p.setPen(QPen(QColor(0x6B, 0x73, 0x80), 1.0));
  p.setBrush(QColor(0xFF, 0xFD, 0xF2));
  QPainterPath page;
  page.moveTo(4.5, 2.5);
  page.lineTo(12.5, 2.5);
  page.lineTo(16.5, 6.5);
  page.lineTo(16.5, 17.5);
  page.lineTo(4.5, 17.5);
  page.closeSubpath();
  p.drawPath(page);
  p.setBrush(QColor(0xE2, 0xE4, 0xE8));
  QPainterPath fold;
  fold.moveTo(12.5, 2.5);
  fold.lineTo(12.5, 6.5);
  fold.lineTo(16.5, 6.5);
  fold.closeSubpath();
  p.drawPath(fold);
  p.setPen(QPen(QColor(0x4A, 0x7F, 0xC1), 1.0));
  for (double y : {9.5, 12.0, 14.5}) p.drawLine(QPointF(6.5, y), QPointF(14.5, y));
}

void DrawSketch(QPainter& p) {
  // A handheld's screen with a drawn line.
  p.setPen(QPen(QColor(0x55, 0x5B, 0x4E), 1.0));
  p.setBrush(QColor(0xD9, 0xE3, 0xC8));
  p.drawRoundedRect(QRectF(3.5, 3.5, 13, 13), 1.5, 1.5);
  QPainterPath line;
  line.moveTo(5.5, 13.5);
  line.cubicTo(7.5, 6.0, 9.5, 15.0, 11.0, 9.0);
  line.cubicTo(12.0, 5.5, 14.0, 8.0, 14.5, 6.0);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x20, 0x28, 0x30), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(line);
}

void DrawImage(QPainter& p) {
  // A framed picture: sky, sun, hills.
  p.setPen(QPen(QColor(0x5A, 0x62, 0x70), 1.0));
  p.setBrush(QColor(0xBF, 0xE0, 0xF7));
  p.drawRect(QRectF(2.5, 4.5, 15, 11));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF5, 0xB8, 0x2E));
  p.drawEllipse(QPointF(13.5, 7.8), 1.8, 1.8);
  p.setBrush(QColor(0x4E, 0x9A, 0x3F));
  QPainterPath hills;
  hills.moveTo(3.0, 15.0);
  hills.lineTo(7.5, 9.5);
  hills.lineTo(10.5, 12.5);
  hills.lineTo(12.5, 10.8);
  hills.lineTo(17.0, 15.0);
  hills.closeSubpath();
  p.drawPath(hills);
}

void DrawReference(QPainter& p) {
  // A closed book, spine to the left, with a bookmark.
  p.setPen(QPen(QColor(0x5E, 0x1F, 0x1F), 1.0));
  p.setBrush(QColor(0xB8, 0x3B, 0x3B));
  p.drawRoundedRect(QRectF(4.5, 2.5, 11.5, 15), 1.2, 1.2);
  p.setBrush(QColor(0xF4, 0xEE, 0xDC));
  p.drawRect(QRectF(14.0, 3.5, 2.0, 13));
  p.setPen(QPen(QColor(0x7E, 0x2A, 0x2A), 1.0));
  p.drawLine(QPointF(6.5, 3.0), QPointF(6.5, 17.0));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF2, 0xC9, 0x4C));
  QPainterPath mark;
  mark.moveTo(10.0, 2.5);
  mark.lineTo(12.0, 2.5);
  mark.lineTo(12.0, 8.0);
  mark.lineTo(11.0, 7.0);
  mark.lineTo(10.0, 8.0);
  mark.closeSubpath();
  p.drawPath(mark);
}

QPixmap Draw(TreeIcon icon, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 20.0, size / 20.0);
  switch (icon) {
    case TreeIcon::kTopic: DrawTopic(p); break;
    case TreeIcon::kNote: DrawNote(p); break;
    case TreeIcon::kSketch: DrawSketch(p); break;
    case TreeIcon::kImage: DrawImage(p); break;
    case TreeIcon::kReference: DrawReference(p); break;
    case TreeIcon::kNone: break;
  }
  return pixmap;
}

QIcon Make(TreeIcon icon) {
  QIcon out;
  out.addPixmap(Draw(icon, 20));
  out.addPixmap(Draw(icon, 40));
  return out;
}

}  // namespace

const QIcon& TreeIconFor(TreeIcon icon) {
  static const QIcon icons[] = {QIcon(), Make(TreeIcon::kTopic), Make(TreeIcon::kNote),
                                Make(TreeIcon::kSketch), Make(TreeIcon::kImage),
                                Make(TreeIcon::kReference)};
  return icons[static_cast<int>(icon)];
}

}  // namespace quillet
