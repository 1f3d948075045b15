// bShowPrivate: 1 while private records are shown, 0 while they are hidden.
//
// One byte for the whole process. The current database sets and clears it
// (mirroring the user's "Private" setting); lists, windows and the find
// engine leave out records whose isPrivate is 1 while it is 0.
#pragma once

#include <cstdint>

namespace quillet {

extern uint8_t bShowPrivate;

}  // namespace quillet
