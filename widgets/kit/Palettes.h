// Colours that go together. Every background we choose comes with the text
// colour drawn on it, and a chosen background gives way to the desktop's
// own when the desktop is dark.
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace quillet {

// The paper look of the topic tree and My Pictures.
inline const QColor kPaper(0xF7, 0xF3, 0xE9);
inline const QColor kPaperText(0x1A, 0x1A, 0x1A);

// True when the palette is a dark one: its window or its base (the
// background of lists and fields) is darker than middle grey.
bool IsDarkPalette(const QPalette& palette);

// `palette` with the paper look (paper base, dark text) when it is a light
// palette; a dark palette is given back as it is, its own base and text
// staying together.
QPalette PaperPalette(const QPalette& palette);

// `palette` with the selection looking the same when its view does not
// have the focus.
QPalette SelectionKept(QPalette palette);

// Black or white, whichever stands out more against `background`.
QColor TextColorOn(const QColor& background);

// Gives `view` the palette `make` builds from the application's palette,
// now and again each time the application's palette changes (the desktop
// switching between a light and a dark theme).
void FollowAppPalette(QWidget* view, QPalette (*make)(const QPalette&));

}  // namespace quillet
