// The e-mail object as a part of the main window (File > Send): sends the
// current database's topics with the current user's folders through the
// mail library in our library folder.
#pragma once

namespace quillet {

// Puts the e-mail object's factory into RegisteredShellParts().
void RegisterMailPart();

}  // namespace quillet
