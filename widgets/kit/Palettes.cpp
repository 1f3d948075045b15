#include "widgets/kit/Palettes.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cmath>

namespace quillet {
namespace {

// Keeps a view's palette made from the application's.
class PaletteFollower : public QObject {
 public:
  PaletteFollower(QWidget* view, QPalette (*make)(const QPalette&)) : QObject(view), make_(make) {
    view->installEventFilter(this);
    Apply(view);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange) Apply(static_cast<QWidget*>(watched));
    return false;
  }

 private:
  void Apply(QWidget* view) { view->setPalette(make_(QApplication::palette(view))); }
  QPalette (*make_)(const QPalette&);
};

}  // namespace

bool IsDarkPalette(const QPalette& palette) {
  return palette.color(QPalette::Window).lightnessF() < 0.5 || palette.color(QPalette::Base).lightnessF() < 0.5;
}

QPalette PaperPalette(const QPalette& palette) {
  if (IsDarkPalette(palette)) return palette;
  QPalette paper = palette;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    paper.setColor(group, QPalette::Base, kPaper);
    paper.setColor(group, QPalette::Text, kPaperText);
  }
  paper.setColor(QPalette::Disabled, QPalette::Base, kPaper);
  return paper;
}

QPalette SelectionKept(QPalette palette) {
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  return palette;
}

QColor TextColorOn(const QColor& background) {
  // The relative luminance at which black and white stand out alike.
  auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const double luminance = 0.2126 * channel(background.redF()) + 0.7152 * channel(background.greenF()) +
                           0.0722 * channel(background.blueF());
  return luminance > 0.179 ? QColor(Qt::black) : QColor(Qt::white);
}

void FollowAppPalette(QWidget* view, QPalette (*make)(const QPalette&)) {
  if (view) new PaletteFollower(view, make);
}

}  // namespace quillet
