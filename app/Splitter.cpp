#include "app/Splitter.h"

#include <QMouseEvent>
#include <QPainter>

#include "desktop/shell/Layout.h"

namespace quillet {

CSplitter::CSplitter(QWidget* mainWindow, std::function<void(int)> moved)
    : QWidget(mainWindow), moved_(std::move(moved)), percent_(kInitialSplitPercent) {
  setObjectName("Quillet");  // the splitter's window class
  setCursor(Qt::SplitHCursor);
  const int width = mainWindow->width();
  setGeometry(width * kInitialSplitPercent / 100, kTopBand, kSplitterWidth,
              std::max(0, mainWindow->height() - kTopBand));
  show();
}

void CSplitter::Place(int clientWidth, int clientHeight) {
  setGeometry(clientWidth * percent_ / 100, kTopBand, kSplitterWidth,
              std::max(0, clientHeight - kTopBand));
}

void CSplitter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(1, 0, 1, height());
  p.setPen(pal.color(QPalette::Mid));
  p.drawLine(width() - 2, 0, width() - 2, height());
  // A small grip in the middle.
  p.setPen(Qt::NoPen);
  p.setBrush(pal.color(QPalette::Mid));
  for (int i = -2; i <= 2; ++i) p.drawEllipse(QPointF(width() / 2.0, height() / 2.0 + i * 6), 1.0, 1.0);
}

void CSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  grabMouse();
}

void CSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  DragTo(mapToParent(event->position().toPoint()).x());
}

void CSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  releaseMouse();
  DragTo(mapToParent(event->position().toPoint()).x());
  if (moved_) moved_(percent_);
}

void CSplitter::DragTo(int clientX) {
  const SplitterStop stop = SplitterDrag(clientX, parentWidget()->width());
  percent_ = stop.percent;
  move(stop.position, y());
}

}  // namespace quillet
