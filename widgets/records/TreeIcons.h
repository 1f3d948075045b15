// The topic tree's item pictures by tree item kind: the shared record-kind
// icons (widgets/kit/ItemIcons.h).
#pragma once

#include <QIcon>

#include "desktop/records/TopicTreeModel.h"

namespace quillet {

// The same icon object every time for a kind (items share it).
const QIcon& TreeIconFor(TreeIcon icon);
// The kind's icon with a small padlock in its lower right corner, for a
// private record while private records are shown.
const QIcon& PrivateTreeIconFor(TreeIcon icon);

}  // namespace quillet
