#include "widgets/kit/ItemIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace quillet {
namespace {

const char* DrawingName(ItemIcon icon) {
  switch (icon) {
    case ItemIcon::kTopic: return "topic";
    case ItemIcon::kNote: return "note";
    case ItemIcon::kSketch: return "sketch";
    case ItemIcon::kPicture: return "picture";
    case ItemIcon::kReference: return "reference";
    case ItemIcon::kNothing: return "nothing";
    case ItemIcon::kNone: break;
  }
  return "";
}

// Our drawing at the list sizes (16 and 20 pixels) and twice those for dense
// screens, rendered here so that no image plugin is needed at run time.
QIcon Drawing(ItemIcon icon) {
  QSvgRenderer svg(ItemIconResource(icon));
  QIcon out;
  if (!svg.isValid()) return out;
  for (int size : {16, 20, 32, 40}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    svg.render(&p);
    p.end();
    out.addPixmap(pixmap);
  }
  return out;
}

QIcon Make(ItemIcon icon) {
  if (icon == ItemIcon::kNone) return QIcon();
  const QIcon own = Drawing(icon);
  const char* themed = ItemIconThemeName(icon);
  return *themed ? QIcon::fromTheme(QString::fromLatin1(themed), own) : own;
}

}  // namespace

const char* ItemIconThemeName(ItemIcon icon) {
  switch (icon) {
    case ItemIcon::kTopic: return "folder";
    case ItemIcon::kNote: return "text-x-generic";
    case ItemIcon::kPicture: return "image-x-generic";
    case ItemIcon::kNothing: return "edit-find";
    default: return "";
  }
}

QString ItemIconResource(ItemIcon icon) {
  if (icon == ItemIcon::kNone) return QString();
  return QStringLiteral(":/art/items/%1.svg").arg(QString::fromLatin1(DrawingName(icon)));
}

const QIcon& ItemIconFor(ItemIcon icon) {
  static const QIcon icons[] = {Make(ItemIcon::kNone),    Make(ItemIcon::kTopic),
                                Make(ItemIcon::kNote),    Make(ItemIcon::kSketch),
                                Make(ItemIcon::kPicture), Make(ItemIcon::kReference),
                                Make(ItemIcon::kNothing)};
  return icons[static_cast<int>(icon)];
}

}  // namespace quillet
