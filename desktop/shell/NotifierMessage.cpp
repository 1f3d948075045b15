#include "desktop/shell/NotifierMessage.h"

#include "desktop/shell/Commands.h"

namespace quillet {

NotifierAction NotifierActionFor(uint32_t wparam) {
  switch (wparam) {
    case 0: return NotifierAction::kPing;
    case 1:
    case 3:
    case 6: return NotifierAction::kNothing;
    case 2: return NotifierAction::kSwitchUser;
    case 5: return NotifierAction::kFilterAllAndStart;
    default: return NotifierAction::kDefault;
  }
}

uint32_t NotifierAnswer(NotifierAction action) {
  return action == NotifierAction::kPing ? kNotifierMessage : 0;
}

}  // namespace quillet
