// The pictures of the record kinds, shared by the topic tree, the find result
// list and the picture list: the desktop's icon theme where it has a fitting
// icon, our own drawings (art/items/*.svg) otherwise. One source for every
// list, so the same kind looks the same everywhere.
#pragma once

#include <QIcon>

namespace quillet {

enum class ItemIcon { kNone, kTopic, kNote, kSketch, kPicture, kReference, kNothing };

// The same icon object every time for a kind (list items share it); an empty
// icon for kNone. Call only after the QApplication exists.
const QIcon& ItemIconFor(ItemIcon icon);

// The name of the desktop theme icon tried first for a kind, or "" where the
// themes have nothing fitting (sketches, references); and the resource path
// of our own drawing.
const char* ItemIconThemeName(ItemIcon icon);
QString ItemIconResource(ItemIcon icon);

}  // namespace quillet
