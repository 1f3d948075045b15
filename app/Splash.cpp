#include "app/Splash.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

namespace quillet {

CSplashWnd::CSplashWnd()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::Tool),
      picture_(":/art/splash.png") {
  setObjectName("QuilletSplashWnd");
  setWindowTitle("QuilletSplash");
  setFixedSize(kWidth, kHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() / 2 - kWidth / 2, area.y() + area.height() / 2 - kHeight / 2);
  }
  show();
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.drawPixmap(0, 0, picture_);
}

}  // namespace quillet
