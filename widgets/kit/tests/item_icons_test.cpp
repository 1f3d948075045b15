// The record-kind pictures every list shows: each drawing loads and paints
// something at the list sizes, the kinds are told apart, and without a
// desktop icon theme our own drawings are what the lists get.
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include "widgets/kit/ItemIcons.h"

using namespace quillet;

namespace {

const ItemIcon kKinds[] = {ItemIcon::kTopic,   ItemIcon::kNote,      ItemIcon::kSketch,
                           ItemIcon::kPicture, ItemIcon::kReference, ItemIcon::kNothing};

int OpaquePixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
  return n;
}

}  // namespace

class ItemIconsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QIcon::setThemeName(QString()); }

  void EveryDrawingLoadsAndPaintsAtEachSize() {
    for (ItemIcon kind : kKinds) {
      QSvgRenderer svg(ItemIconResource(kind));
      QVERIFY2(svg.isValid(), qPrintable(ItemIconResource(kind)));
      const QIcon& icon = ItemIconFor(kind);
      QVERIFY(!icon.isNull());
      for (int size : {16, 20, 32, 40}) {
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        const int opaque = OpaquePixels(image);
        // Something is drawn, and it is a picture, not a filled square.
        QVERIFY2(opaque > size * size / 8, qPrintable(ItemIconResource(kind)));
        QVERIFY(opaque < size * size);
      }
    }
  }

  void KindsLookDifferentAndShareOneIconEach() {
    for (ItemIcon a : kKinds) {
      QCOMPARE(ItemIconFor(a).cacheKey(), ItemIconFor(a).cacheKey());
      for (ItemIcon b : kKinds) {
        if (a == b) continue;
        QVERIFY(ItemIconFor(a).pixmap(20, 20).toImage() != ItemIconFor(b).pixmap(20, 20).toImage());
      }
    }
    QVERIFY(ItemIconFor(ItemIcon::kNone).isNull());
    QVERIFY(ItemIconResource(ItemIcon::kNone).isEmpty());
  }

  void ThemedKindsFallBackToOurDrawings() {
    QCOMPARE(QString(ItemIconThemeName(ItemIcon::kTopic)), QString("folder"));
    QCOMPARE(QString(ItemIconThemeName(ItemIcon::kSketch)), QString());
    QSvgRenderer svg(ItemIconResource(ItemIcon::kTopic));
    QImage drawn(20, 20, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    svg.render(&p);
    p.end();
    const QImage shown =
        ItemIconFor(ItemIcon::kTopic).pixmap(20, 20).toImage().convertToFormat(drawn.format());
    if (QIcon::hasThemeIcon("folder"))
      QCOMPARE(shown, QIcon::fromTheme("folder").pixmap(20, 20).toImage().convertToFormat(drawn.format()));
    else
      QCOMPARE(shown, drawn);
    // A kind the themes have no icon for is always our drawing.
    QSvgRenderer sketch(ItemIconResource(ItemIcon::kSketch));
    QImage sketched(20, 20, QImage::Format_ARGB32_Premultiplied);
    sketched.fill(Qt::transparent);
    QPainter q(&sketched);
    sketch.render(&q);
    q.end();
    QCOMPARE(ItemIconFor(ItemIcon::kSketch).pixmap(20, 20).toImage().convertToFormat(sketched.format()),
             sketched);
  }
};

QTEST_MAIN(ItemIconsTest)
#include "item_icons_test.moc"
