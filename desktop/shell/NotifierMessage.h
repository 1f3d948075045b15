// What the main window does and answers when the HotSync notifier sends
// message 0x3400, by its first parameter.
#pragma once

#include <cstdint>

namespace quillet {

enum class NotifierAction : uint8_t {
  kPing,               // 0: saves what the record windows hold; answers the message number
  kNothing,            // 1, 3, 6: stages that need nothing of us
  kSwitchUser,         // 2: the second parameter is the synchronised Palm user's id
  kFilterAllAndStart,  // 5: show every category and go to the start page
  kDefault,            // 4 and anything else: default processing
};

NotifierAction NotifierActionFor(uint32_t wparam);

// The answer the notifier gets back. Default processing of a private
// message answers 0, like every action but the ping.
uint32_t NotifierAnswer(NotifierAction action);

}  // namespace quillet
