// The keyboard's way to the commands: the desktop's standard keys (where it
// has one for the command) on the main menu's items and on the toolbar
// commands that have no menu item, and names for the controls that show
// only a picture.
#pragma once

#include <QKeySequence>
#include <QList>

#include <cstdint>
#include <functional>

class QWidget;

namespace quillet {

class CMenus;
class CRebar;

// The keys of a command (none for most).
QList<QKeySequence> ShortcutsOf(uint32_t command);

// Puts the keys on the main menu's items; the toolbar commands without a
// menu item get actions of `window` that send their command while their
// button is enabled. Toolbar tips name the key; every button and the theme
// box get an accessible name.
void InstallShortcuts(QWidget* window, CMenus* menus, CRebar* rebar,
                      const std::function<void(uint32_t)>& send);

}  // namespace quillet
