// The drawing routines in their Qt form: DIBs to and from device pictures,
// zoomed drawing, capture, copies, palettes, the button face and fonts.
#include <QApplication>
#include <QTest>

#include <vector>

#include "imaging/DibPixels.h"
#include "widgets/pictures/DibDraw.h"

using namespace quillet;

class DibDrawTest : public QObject {
  Q_OBJECT

 private slots:
  void dibsBecomePicturesAndBack() {
    // An 8-bit DIB: its colour table decides the picture's colours.
    PackedDib dib = PackedDib::Allocate(kInfoHeaderSize + 256 * 4 + 4 * 2);
    BitmapInfoHeader h;
    h.biSize = kInfoHeaderSize;
    h.biWidth = 3;
    h.biHeight = 2;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biClrUsed = 256;
    dib.set_info(h);
    uint8_t* table = dib.data() + kInfoHeaderSize;
    table[1 * 4 + 2] = 255;  // entry 1 red
    table[2 * 4 + 0] = 255;  // entry 2 blue
    uint8_t* bits = table + 256 * 4;
    bits[0] = 1;      // bottom row: red, blue, black
    bits[1] = 2;
    bits[4 + 0] = 2;  // top row: blue, black, black
    const QImage picture = dib_to_bitmap(dib);
    QCOMPARE(picture.size(), QSize(3, 2));
    QCOMPARE(picture.pixel(0, 1), qRgb(255, 0, 0));
    QCOMPARE(picture.pixel(1, 1), qRgb(0, 0, 255));
    QCOMPARE(picture.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(picture.pixel(2, 0), qRgb(0, 0, 0));
    QVERIFY(dib_to_bitmap(PackedDib()).isNull());

    // Back as a 24-bit bottom-up DIB; transparency over white.
    QImage glass(2, 1, QImage::Format_ARGB32);
    glass.setPixel(0, 0, qRgba(0, 128, 0, 255));
    glass.setPixel(1, 0, qRgba(0, 0, 0, 0));
    PackedDib back = dib_from_bitmap(glass);
    QCOMPARE(back.info().biBitCount, uint16_t{24});
    QVERIFY(back.info().biHeight > 0);
    const QImage again = dib_to_bitmap(back);
    QCOMPARE(again.pixel(0, 0), qRgb(0, 128, 0));
    QCOMPARE(again.pixel(1, 0), qRgb(255, 255, 255));
    QVERIFY(!dib_from_bitmap(QImage()));
  }

  void drawingStretchesTheSourceRectangle() {
    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    PackedDib dib = RgbToDib(2, 2, rgb.data());
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
      QPainter painter(&target);
      QVERIFY(dib_draw(painter, QRect(0, 0, 8, 8), dib, QRect(1, 0, 1, 1)));  // the green pixel
    }
    QCOMPARE(target.pixel(0, 0), qRgb(0, 255, 0));
    QCOMPARE(target.pixel(7, 7), qRgb(0, 255, 0));
    {
      QPainter painter(&target);
      QVERIFY(dib_draw(painter, QRect(2, 2, 2, 2), PackedDib(), QRect()));  // no DIB: black
    }
    QCOMPARE(target.pixel(3, 3), qRgb(0, 0, 0));
    QCOMPARE(target.pixel(4, 4), qRgb(0, 255, 0));
  }

  void zoomedDrawingTakesDestinationOverZoomPixels() {
    QImage source(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) source.setPixel(x, y, qRgb(x * 20, y * 20, 0));
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
      QPainter painter(&target);
      // At zoom 2 from (3, 4): 4 x 4 source pixels over 8 x 8.
      bitmap_draw_zoomed(painter, 3, 4, 8, 8, 2.0f, 2.0f, source);
    }
    QCOMPARE(qRed(target.pixel(0, 0)), 60);
    QCOMPARE(qGreen(target.pixel(0, 0)), 80);
    QCOMPARE(qRed(target.pixel(7, 7)), 120);
    QCOMPARE(qGreen(target.pixel(7, 7)), 140);
  }

  void captureCopiesAndPalettes() {
    QImage device(5, 4, QImage::Format_RGB32);
    device.fill(qRgb(10, 20, 30));
    device.setPixel(4, 3, qRgb(255, 128, 0));
    FloatImage image;
    QCOMPARE(capture_dc(device, 5, 4, &image), 0);
    QCOMPARE(image.width(), 5);
    QCOMPARE(float_to_byte(image.at(4, 3).green), uint8_t{128});
    QCOMPARE(float_to_byte(image.at(0, 0).blue), uint8_t{30});
    QCOMPARE(capture_dc(QImage(), 5, 4, &image), 1);

    const QImage part = copy_bitmap_rect(device, QRect(3, 2, 2, 2));
    QCOMPARE(part.size(), QSize(2, 2));
    QCOMPARE(part.pixel(1, 1), qRgb(255, 128, 0));
    QCOMPARE(part.format(), device.format());
    QCOMPARE(copy_bitmap_rect(device).size(), device.size());

    const Palette palette = {{255, 0, 0, 0}, {1, 2, 3, 0}};
    QCOMPARE(copy_palette_colors(palette), (QList<QRgb>{qRgb(255, 0, 0), qRgb(1, 2, 3)}));
    QVERIFY(copy_palette_colors(Palette{}).isEmpty());
  }

  void buttonFaceAndFonts() {
    QWidget widget;
    widget.resize(12, 9);
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Button, QColor(0xD4, 0xD0, 0xC8));
    widget.setPalette(pal);
    QImage target(12, 9, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
      QPainter painter(&target);
      fill_button_face(&widget, painter);
    }
    QCOMPARE(target.pixel(11, 8), qRgb(0xD4, 0xD0, 0xC8));

    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);  // 96 dots per inch
    device.setDotsPerMeterY(3780);
    // 12 points at 96 dots per inch: 16 pixels.
    QFont font = point_size_font(&device, "DejaVu Sans", 120, 0, 1 | 4, true);
    QCOMPARE(font.pixelSize(), 16);
    QVERIFY(font.bold());
    QVERIFY(font.underline());
    QVERIFY(!font.italic());
    QCOMPARE(font.stretch(), int{QFont::AnyStretch});
    // Half as wide as high.
    font = point_size_font(&device, "DejaVu Sans", 120, 60, 2 | 8, true);
    QCOMPARE(font.stretch(), 50);
    QVERIFY(font.italic());
    QVERIFY(font.strikeOut());
  }
};

QTEST_MAIN(DibDrawTest)
#include "dib_draw_qtest.moc"
