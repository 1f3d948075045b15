// bEditPending: 1 while a record window holds edits that are not saved.
//
// One byte for the whole process. The record windows set and clear it;
// switching users and the HotSync ping clear it. While it is 1 the main
// window refuses every command that would change the mode, so unsaved
// edits are never thrown away by a click elsewhere.
#pragma once

#include <cstdint>

namespace quillet {

extern uint8_t bEditPending;

}  // namespace quillet
