// Names for screen readers where Qt gives none of its own: drop-down
// lists named by their purpose rather than by the entry chosen, and the
// scroll bars of every view.
#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace quillet {

// Names `box` and its list of entries `name`; `description` says more
// where the name alone is not enough. A screen reader then says the
// name, and the chosen entry as its value (Qt on its own says only the
// entry, or nothing while the box is empty).
void NameComboBox(QComboBox* box, const QString& name, const QString& description = QString());

// Gives every scroll bar under `root` that has no name one from its
// direction ("Vertical scroll bar"), described by the view it scrolls.
// Scroll bars are made with their views, so once the views exist is enough.
void NameScrollBars(QWidget* root);

}  // namespace quillet
