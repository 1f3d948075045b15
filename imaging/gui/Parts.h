// The picture parts of the main window: the sketch and image windows and
// the image list.
#pragma once

namespace quillet {

// Puts the picture parts' factories into RegisteredShellParts(). The
// program does this before main(); tests call it themselves.
void RegisterImagingParts();

}  // namespace quillet
