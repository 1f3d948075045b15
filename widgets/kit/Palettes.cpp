#include "widgets/kit/Palettes.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cmath>

namespace quillet {
namespace {

// Keeps a view's palette made from the application's. Qt tells the
// application of a new palette, not the widgets that set one of their own.
class PaletteFollower : public QObject {
 public:
  PaletteFollower(QWidget* view, QPalette (*make)(const QPalette&)) : QObject(view), view_(view), make_(make) {
    qApp->installEventFilter(this);
    Apply();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) Apply();
    return false;
  }

 private:
  void Apply() {
    const QPalette palette = make_(QApplication::palette(view_));
    view_->setPalette(palette);
    // A view with a style sheet does not hand a new palette on to the
    // viewport its rows are drawn in.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(view_)) area->viewport()->setPalette(palette);
  }
  QWidget* view_;  // our parent
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
