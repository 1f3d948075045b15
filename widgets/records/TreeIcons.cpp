#include "widgets/records/TreeIcons.h"

#include "widgets/kit/ItemIcons.h"

namespace quillet {

const QIcon& TreeIconFor(TreeIcon icon) {
  switch (icon) {
    case TreeIcon::kTopic: return ItemIconFor(ItemIcon::kTopic);
    case TreeIcon::kNote: return ItemIconFor(ItemIcon::kNote);
    case TreeIcon::kSketch: return ItemIconFor(ItemIcon::kSketch);
    case TreeIcon::kImage: return ItemIconFor(ItemIcon::kPicture);
    case TreeIcon::kReference: return ItemIconFor(ItemIcon::kReference);
    case TreeIcon::kNone: break;
  }
  return ItemIconFor(ItemIcon::kNone);
}

}  // namespace quillet
