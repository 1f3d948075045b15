// CSplitter: the 5-pixel bar between the left pane and the right side.
//
// Dragging it with the left button moves it with the pointer, stopping at 1
// and 99 percent of the client width; when the button is let go the window
// manager lays everything out again at the new percentage.
#pragma once

#include <QWidget>

#include <functional>

namespace quillet {

class CSplitter : public QWidget {
  Q_OBJECT
 public:
  // `moved` gets the new percentage when a drag ends.
  CSplitter(QWidget* mainWindow, std::function<void(int percent)> moved);

  int percent() const { return percent_; }
  void SetPercent(int percent) { percent_ = percent; }
  // Places the bar at its percentage of a client area.
  void Place(int clientWidth, int clientHeight);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DragTo(int clientX);

  std::function<void(int)> moved_;
  int percent_;
  bool dragging_ = false;
};

}  // namespace quillet
