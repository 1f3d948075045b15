// The topic tree's item pictures: topic, note, sketch, picture and
// reference, 20 x 20 pixels (drawn at twice the size for dense screens).
#pragma once

#include <QIcon>

#include "windows/core/TopicTreeModel.h"

namespace quillet {

// The same icon object every time for a kind (items share it).
const QIcon& TreeIconFor(TreeIcon icon);

}  // namespace quillet
