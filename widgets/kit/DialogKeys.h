// Keyboard and screen-reader wiring the record windows share: labels tied
// to their fields with Alt+letter mnemonics, and Ctrl+Return for OK and
// Escape for Cancel while the focus is in the window.
#pragma once

#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace quillet {

// Hands out Alt+letter mnemonics within one window: each text gets a '&'
// before its first letter that no earlier text of the window took (case
// aside), or none when every letter is taken. A text that already holds
// one keeps it, and its letter counts as taken.
class MnemonicSet {
 public:
  MnemonicSet() = default;
  // A window inside the main window: the letters of the main menu bar
  // (Alt+F for File ...) are taken from the start, so that a label never
  // competes with a menu for its key.
  static MnemonicSet BesideMainMenu();

  QString Mark(const QString& text);

 private:
  QString used_;  // lower-case letters taken
};

// Ties `label` to `field`: Alt+letter of the label focuses the field, and
// screen readers name the field by the label's text (without the '&' and
// the closing ':').
void TieLabel(QLabel* label, QWidget* field);

// The label's text for screen readers: "&Page(s):" gives "Page(s)".
QString AccessibleText(const QString& labelText);

// In `window` (and everything in it): Ctrl+Return and Ctrl+Enter click
// `ok`, Escape clicks `cancel`, each only while the button is enabled.
void AddOkCancelKeys(QWidget* window, QAbstractButton* ok, QAbstractButton* cancel);

}  // namespace quillet
