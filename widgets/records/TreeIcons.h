// The topic tree's item pictures by tree item kind: the shared record-kind
// icons (widgets/kit/ItemIcons.h).
#pragma once

#include <QIcon>

#include "desktop/records/TopicTreeModel.h"

namespace quillet {

// The same icon object every time for a kind (items share it).
const QIcon& TreeIconFor(TreeIcon icon);

}  // namespace quillet
