// Draws the application icon: writes it as SVG (the scalable icon) and as
// PNG in the sizes of the hicolor icon theme, from one description.
//
//   make-icon OUTDIR
//
// Writes OUTDIR/scalable/apps/quillet.svg and OUTDIR/NxN/apps/quillet.png.
// The results are committed under packaging/icons/hicolor/; run this again
// after changing the drawing.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>

namespace {

// One shape on a 64 x 64 grid, in SVG path syntax limited to absolute
// M, L, C and Z.
struct Shape {
  const char* path;
  const char* fill;    // "none" for no fill
  const char* stroke;  // "none" for no outline
  double width;
};

const Shape kIcon[] = {
    // the rounded tile
    {"M16 4 L48 4 C54.63 4 60 9.37 60 16 L60 48 C60 54.63 54.63 60 48 60 L16 60 "
     "C9.37 60 4 54.63 4 48 L4 16 C4 9.37 9.37 4 16 4 Z",
     "#2f6fb0", "none", 0},
    // the sheet of paper with its folded corner
    {"M15 12 L40 12 L48 20 L48 54 L15 54 Z", "#fbf8ef", "#2b3a55", 2},
    {"M40 12 L40 20 L48 20 Z", "#e4dcc5", "#2b3a55", 2},
    // lines of writing
    {"M20 28 L37 28", "none", "#8793a8", 2.5},
    {"M20 35 L40 35", "none", "#8793a8", 2.5},
    {"M20 42 L34 42", "none", "#8793a8", 2.5},
    // the quill
    {"M58 5 C45 8 35 18 31 33 L29 41 L34 36 C47 32 56 21 58 5 Z", "#e8a32e", "#2b3a55", 1.5},
    {"M56 8 L25 48", "none", "#2b3a55", 2},
};

QPainterPath Parse(const QString& d) {
  QPainterPath path;
  const QStringList tokens = d.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
  QChar command;
  QList<double> numbers;
  auto flush = [&] {
    if (command == 'M' && numbers.size() == 2) path.moveTo(numbers[0], numbers[1]);
    else if (command == 'L' && numbers.size() == 2) path.lineTo(numbers[0], numbers[1]);
    else if (command == 'C' && numbers.size() == 6)
      path.cubicTo(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]);
    else if (command == 'Z') path.closeSubpath();
    else return;
    numbers.clear();
  };
  for (const QString& t : tokens) {
    if (t.size() >= 1 && t[0].isLetter()) {
      command = t[0];
      numbers.clear();
      if (command == 'Z') flush();
      if (t.size() > 1) numbers << t.mid(1).toDouble();
    } else {
      numbers << t.toDouble();
    }
    flush();
  }
  return path;
}

QImage Render(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  for (const Shape& s : kIcon) {
    const QString fill = s.fill, stroke = s.stroke;
    p.setBrush(fill == "none" ? QBrush(Qt::NoBrush) : QBrush(QColor(fill)));
    if (stroke == "none") p.setPen(Qt::NoPen);
    else p.setPen(QPen(QColor(stroke), s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(Parse(s.path));
  }
  return image;
}

QString Svg() {
  QString text;
  QTextStream out(&text);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n";
  for (const Shape& s : kIcon) {
    out << "  <path d=\"" << s.path << "\" fill=\"" << s.fill << "\"";
    if (QString(s.stroke) != "none")
      out << " stroke=\"" << s.stroke << "\" stroke-width=\"" << s.width
          << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    out << "/>\n";
  }
  out << "</svg>\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-icon OUTDIR\n");
    return 2;
  }
  QDir out(argv[1]);
  out.mkpath("scalable/apps");
  QFile svg(out.filePath("scalable/apps/quillet.svg"));
  if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  svg.write(Svg().toUtf8());
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString("%1x%1/apps").arg(size);
    out.mkpath(folder);
    if (!Render(size).save(out.filePath(folder + "/quillet.png"))) return 1;
  }
  return 0;
}
