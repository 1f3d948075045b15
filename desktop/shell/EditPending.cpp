#include "desktop/shell/EditPending.h"

namespace quillet {

uint8_t bEditPending = 0;

}  // namespace quillet
