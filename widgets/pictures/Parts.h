// The picture parts of the main window: the sketch and image windows and
// the image list.
#pragma once

namespace quillet {

// Puts the picture parts' factories into RegisteredShellParts(); called by
// RegisterParts() (app/parts) and by tests that build a main window.
void RegisterImagingParts();

}  // namespace quillet
