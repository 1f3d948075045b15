// The program's own icon (the one installed in the hicolor theme), in every
// size it is drawn at, for window title bars and task bars.
#pragma once

#include <QIcon>

namespace quillet {

QIcon ApplicationIcon();

}  // namespace quillet
