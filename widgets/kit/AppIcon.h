// The program's own icon (the one installed in the hicolor theme), in every
// size it is drawn at, for window title bars and task bars.
#pragma once

#include <QIcon>

namespace quillet {

QIcon ApplicationIcon();

// Where Qt knows no icon theme of the desktop's (no platform theme for
// this desktop: its theme is "" or the bare "hicolor"), the one the
// desktop's settings name (gtk-icon-theme-name in
// $XDG_CONFIG_HOME/gtk-3.0 or gtk-4.0/settings.ini), else the first of the
// common full themes installed, so that message boxes, toolbars and lists
// show the pictures the desktop's other programs show. A theme Qt already
// follows is kept. Returns the theme in use afterwards.
QString FollowDesktopIconTheme();

}  // namespace quillet
