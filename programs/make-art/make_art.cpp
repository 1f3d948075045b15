// Draws the main program's toolbar pictures and splash picture.
//
//   make-art OUTDIR
//
// The pictures are committed under widgets/kit/art/; run this again after
// changing a drawing. Each toolbar picture is drawn at 20 x 20 and at
// 40 x 40 (for high-density screens) in three states: normal, hot and
// disabled.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x2b, 0x3a, 0x55);
const QColor kQuill(0x2f, 0x6f, 0xb0);
const QColor kLeaf(0x3f, 0x9b, 0x5a);
const QColor kPaper(0xfb, 0xf8, 0xef);
const QColor kAmber(0xe8, 0xa3, 0x2e);

using Drawing = std::function<void(QPainter&)>;

// All drawings use a 20 x 20 design grid.
void DrawNewTopic(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kPaper);
  QPainterPath page;
  page.moveTo(4, 2.5); page.lineTo(12.5, 2.5); page.lineTo(16, 6); page.lineTo(16, 17.5);
  page.lineTo(4, 17.5); page.closeSubpath();
  p.drawPath(page);
  p.drawLine(QPointF(12.5, 2.5), QPointF(12.5, 6));
  p.drawLine(QPointF(12.5, 6), QPointF(16, 6));
  p.setPen(QPen(kInk.lighter(160), 1));
  for (double y : {9.0, 11.5, 14.0}) p.drawLine(QPointF(6.5, y), QPointF(13.5, y));
  // the star of "new"
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  QPainterPath star;
  for (int i = 0; i < 10; ++i) {
    double r = (i % 2) ? 2.0 : 4.6;
    double a = -M_PI / 2 + i * M_PI / 5;
    QPointF pt(15 + r * std::cos(a), 15 + r * std::sin(a));
    i ? star.lineTo(pt) : star.moveTo(pt);
  }
  star.closeSubpath();
  p.drawPath(star);
}

void DrawStart(QPainter& p) {
  p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kPaper);
  QPainterPath house;
  house.moveTo(4, 9.5); house.lineTo(10, 4); house.lineTo(16, 9.5); house.lineTo(16, 17);
  house.lineTo(4, 17); house.closeSubpath();
  p.drawPath(house);
  p.setBrush(kQuill);
  p.drawRect(QRectF(8.3, 11.5, 3.4, 5.5));
  p.setPen(QPen(QColor(0xc0, 0x45, 0x3a), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath roof;
  roof.moveTo(2.5, 10.5); roof.lineTo(10, 3); roof.lineTo(17.5, 10.5);
  p.drawPath(roof);
}

void DrawArrow(QPainter& p, bool back) {
  p.save();
  if (!back) { p.translate(20, 0); p.scale(-1, 1); }
  QLinearGradient g(0, 4, 0, 16);
  g.setColorAt(0, kLeaf.lighter(130));
  g.setColorAt(1, kLeaf.darker(115));
  p.setBrush(g);
  p.setPen(QPen(kLeaf.darker(160), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath a;
  a.moveTo(2.5, 10); a.lineTo(9.5, 3.5); a.lineTo(9.5, 7); a.lineTo(17, 7); a.lineTo(17, 13);
  a.lineTo(9.5, 13); a.lineTo(9.5, 16.5); a.closeSubpath();
  p.drawPath(a);
  p.restore();
}

void DrawTopics(QPainter& p) {
  // a small tree of topic folders
  p.setPen(QPen(kInk, 1.0));
  p.drawLine(QPointF(5, 7), QPointF(5, 15.5));
  p.drawLine(QPointF(5, 11), QPointF(9, 11));
  p.drawLine(QPointF(5, 15.5), QPointF(9, 15.5));
  auto folder = [&](double x, double y, QColor c) {
    p.setPen(QPen(c.darker(150), 1.0));
    p.setBrush(c);
    QPainterPath f;
    f.moveTo(x, y); f.lineTo(x + 3, y); f.lineTo(x + 4, y + 1); f.lineTo(x + 8.5, y + 1);
    f.lineTo(x + 8.5, y + 5); f.lineTo(x, y + 5); f.closeSubpath();
    p.drawPath(f);
  };
  folder(1.5, 2, kAmber);
  folder(9, 8.5, kQuill.lighter(140));
  folder(9, 13, kLeaf.lighter(140));
}

void DrawPictures(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(2.5, 3.5, 15, 13), 1.5, 1.5);
  QLinearGradient sky(0, 5, 0, 15);
  sky.setColorAt(0, QColor(0x8e, 0xc5, 0xee));
  sky.setColorAt(1, QColor(0xd8, 0xee, 0xfb));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(QRectF(4, 5, 12, 10));
  p.setBrush(QColor(0xf4, 0xc4, 0x30));
  p.drawEllipse(QPointF(12.8, 7.8), 1.6, 1.6);
  p.setBrush(kLeaf);
  QPainterPath hill;
  hill.moveTo(4, 15); hill.lineTo(8, 9.5); hill.lineTo(11, 13); hill.lineTo(13, 11);
  hill.lineTo(16, 15); hill.closeSubpath();
  p.drawPath(hill);
}

void DrawFind(QPainter& p) {
  // The handle amber inside an ink outline, as the other pictures are
  // filled inside theirs: it stays in sight on a dark toolbar too.
  p.setPen(QPen(kInk, 3.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.5, 12.5), QPointF(17, 17));
  p.setPen(QPen(kAmber, 1.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.5, 12.5), QPointF(17, 17));
  QRadialGradient g(QPointF(7, 7), 6);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, QColor(0xc9, 0xe2, 0xf5));
  p.setBrush(g);
  p.setPen(QPen(kInk, 1.6));
  p.drawEllipse(QPointF(8.5, 8.5), 5.2, 5.2);
}

QImage Render(const Drawing& d, int size, int state) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 20.0, size / 20.0);
  d(p);
  p.end();
  if (state == 2) {  // disabled: grey, faded
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        QColor c = img.pixelColor(x, y);
        int g = qGray(c.rgb());
        img.setPixelColor(x, y, QColor(g, g, g, c.alpha() / 2));
      }
  } else if (state == 1) {  // hot: a little brighter
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        QColor c = img.pixelColor(x, y);
        if (c.alpha()) img.setPixelColor(x, y, c.lighter(112));
      }
  }
  return img;
}

QImage Splash() {
  QImage img(250, 300, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, 300);
  bg.setColorAt(0, QColor(0x1f, 0x3b, 0x63));
  bg.setColorAt(1, QColor(0x3a, 0x6f, 0xa8));
  p.fillRect(img.rect(), bg);
  // a page with a quill
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawRoundedRect(QRectF(63, 48, 124, 150), 6, 6);
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(58, 42, 124, 150), 6, 6);
  p.setPen(QPen(QColor(0xb8, 0xc4, 0xd4), 2));
  for (int y = 72; y < 180; y += 16) p.drawLine(72, y, 168, y);
  QPainterPath quill;
  quill.moveTo(118, 176);
  quill.cubicTo(140, 120, 170, 70, 205, 30);
  quill.cubicTo(190, 80, 165, 125, 124, 178);
  quill.closeSubpath();
  QLinearGradient qg(118, 176, 205, 30);
  qg.setColorAt(0, QColor(0xe8, 0xa3, 0x2e));
  qg.setColorAt(1, QColor(0xfc, 0xe9, 0xb8));
  p.setPen(QPen(QColor(0x8a, 0x5a, 0x12), 1.2));
  p.setBrush(qg);
  p.drawPath(quill);
  p.drawLine(QPointF(118, 176), QPointF(112, 190));
  QFont title("DejaVu Serif", 26, QFont::Bold);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 206, 250, 40), Qt::AlignCenter, "Quillet!");
  QFont small("DejaVu Sans", 9);
  p.setFont(small);
  p.setPen(QColor(0xd6, 0xe4, 0xf5));
  p.drawText(QRectF(0, 244, 250, 20), Qt::AlignCenter, "Notes, references and pictures");
  p.drawText(QRectF(0, 262, 250, 20), Qt::AlignCenter, "from your handheld");
  p.drawText(QRectF(0, 280, 250, 16), Qt::AlignCenter, "Starting\u2026");
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-art OUTDIR\n");
    return 2;
  }
  QDir out(argv[1]);
  out.mkpath(".");
  const std::pair<const char*, Drawing> drawings[] = {
      {"newtopic", DrawNewTopic},
      {"start", DrawStart},
      {"back", [](QPainter& p) { DrawArrow(p, true); }},
      {"forward", [](QPainter& p) { DrawArrow(p, false); }},
      {"topics", DrawTopics},
      {"pictures", DrawPictures},
      {"find", DrawFind},
  };
  const char* states[] = {"", "-hot", "-disabled"};
  for (const auto& [name, d] : drawings)
    for (int s = 0; s < 3; ++s)
      for (int size : {20, 40}) {
        QString file = QString("%1%2%3.png").arg(name, states[s], size == 40 ? "@2x" : "");
        Render(d, size, s).save(out.filePath(file));
      }
  Splash().save(out.filePath("splash.png"));
  return 0;
}
