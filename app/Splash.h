// The splash window shown while the window manager builds everything.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillet {

class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 250;
  static constexpr int kHeight = 300;

  // Creates, centres on the screen and shows the splash at once.
  CSplashWnd();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

}  // namespace quillet
