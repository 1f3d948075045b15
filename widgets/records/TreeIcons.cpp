#include "widgets/records/TreeIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <iterator>

#include "widgets/kit/ItemIcons.h"

namespace quillet {
namespace {

// A padlock over the lower right third of a square picture of `size`
// pixels: a dark body and shackle inside a light outline, so that it shows
// on light and dark rows alike.
void DrawPadlock(QPainter* p, int size) {
  const qreal unit = size / 16.0;
  const QRectF body(size - 8 * unit, size - 6 * unit, 7.5 * unit, 5.5 * unit);
  QPainterPath shackle;
  const QRectF arc(body.left() + 1.5 * unit, body.top() - 4 * unit, body.width() - 3 * unit, 7 * unit);
  shackle.arcMoveTo(arc, 0);
  shackle.arcTo(arc, 0, 180);
  p->setRenderHint(QPainter::Antialiasing);
  p->setBrush(Qt::NoBrush);
  p->setPen(QPen(QColor(255, 255, 255), 3.2 * unit));
  p->drawPath(shackle);
  p->setPen(QPen(QColor(255, 255, 255), 1.6 * unit));
  p->setBrush(QColor(255, 255, 255));
  p->drawRoundedRect(body.adjusted(-0.6 * unit, -0.6 * unit, 0.6 * unit, 0.6 * unit), unit, unit);
  p->setPen(QPen(QColor(60, 60, 60), 1.4 * unit));
  p->setBrush(Qt::NoBrush);
  p->drawPath(shackle);
  p->setPen(Qt::NoPen);
  p->setBrush(QColor(60, 60, 60));
  p->drawRoundedRect(body, unit, unit);
}

QIcon WithPadlock(const QIcon& icon) {
  QIcon out;
  for (int size : {16, 20, 22, 32, 40, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    icon.paint(&p, QRect(0, 0, size, size));
    DrawPadlock(&p, size);
    p.end();
    out.addPixmap(pixmap);
  }
  return out;
}

}  // namespace

const QIcon& TreeIconFor(TreeIcon icon) {
  switch (icon) {
    case TreeIcon::kTopic: return ItemIconFor(ItemIcon::kTopic);
    case TreeIcon::kNote: return ItemIconFor(ItemIcon::kNote);
    case TreeIcon::kSketch: return ItemIconFor(ItemIcon::kSketch);
    case TreeIcon::kImage: return ItemIconFor(ItemIcon::kPicture);
    case TreeIcon::kReference: return ItemIconFor(ItemIcon::kReference);
    case TreeIcon::kNone: break;
  }
  return ItemIconFor(ItemIcon::kNone);
}

const QIcon& PrivateTreeIconFor(TreeIcon icon) {
  static const QIcon icons[] = {
      WithPadlock(TreeIconFor(TreeIcon::kNone)),  WithPadlock(TreeIconFor(TreeIcon::kTopic)),
      WithPadlock(TreeIconFor(TreeIcon::kNote)),  WithPadlock(TreeIconFor(TreeIcon::kSketch)),
      WithPadlock(TreeIconFor(TreeIcon::kImage)), WithPadlock(TreeIconFor(TreeIcon::kReference))};
  const auto at = static_cast<size_t>(icon);
  return at < std::size(icons) ? icons[at] : icons[0];
}

}  // namespace quillet
