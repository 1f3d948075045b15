// Every part of the main window, registered in one place.
//
// The main window manager creates what RegisteredShellParts() holds and
// refuses the modes of a part that is missing. The program calls
// RegisterParts() once, before the main window exists; a part left out here
// is a window the program does not have (all_parts_test checks that none is).
#pragma once

namespace quillet {

// The topic tree, the topic, note and reference windows, the category
// lists and the Properties sheet; the sketch and image windows and the
// picture list; the find window and list; the e-mail object.
void RegisterParts();

}  // namespace quillet
