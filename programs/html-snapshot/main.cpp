// html-snapshot FILE.html OUT.png [WIDTH [HEIGHT]]
//
// Loads FILE.html into a QTextBrowser of WIDTH x HEIGHT pixels (default
// 800 x 600) and writes what the widget shows to OUT.png. With HEIGHT 0 the
// widget grows to the whole document, so one picture shows the full page.
// Pictures and links are resolved relative to the file's folder, as they are
// when the browser pane loads a page. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: html-snapshot FILE.html OUT.png [WIDTH [HEIGHT]]\n");
    return 2;
  }
  const QString in = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  const int width = argc > 3 ? std::atoi(argv[3]) : 800;
  int height = argc > 4 ? std::atoi(argv[4]) : 600;
  if (width <= 0 || height < 0) {
    std::fprintf(stderr, "html-snapshot: bad size\n");
    return 2;
  }
  QFileInfo info(in);
  if (!info.isReadable()) {
    std::fprintf(stderr, "html-snapshot: cannot read %s\n", argv[1]);
    return 1;
  }

  QTextBrowser browser;
  browser.resize(width, height > 0 ? height : 600);
  browser.setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
  if (height == 0) {
    // Lay the document out at the widget's width, then grow to fit it.
    browser.document()->setTextWidth(browser.viewport()->width());
    const int docHeight = static_cast<int>(browser.document()->size().height());
    browser.resize(width, docHeight + browser.frameWidth() * 2 + 4);
  }
  browser.show();
  app.processEvents();
  if (!browser.grab().save(out, "PNG")) {
    std::fprintf(stderr, "html-snapshot: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s\n", argv[2]);
  return 0;
}
