// The browser pane for screen readers: the page shown is a document whose
// text is the page's words (without the marks the text layout puts where
// frames and pictures are) and whose links are its children, each named
// by its words, reachable with Tab and followed with Enter or the
// reader's press action.
#pragma once

#include <QString>

class QTextFragment;

namespace quillet {

class PaneBrowser;

// Makes the pane known to Qt's accessibility (once per process; the
// pane's constructor calls it).
void InstallPaneAccessible();

// `text` without the layout's marks: U+FFFC where a picture stands and
// U+FDD0, U+FDD1 where a table or frame begins and ends.
QString PlainPageText(QString text);

// The words of a piece of a link: its text, or a picture's alternative
// text, without the layout's marks.
QString LinkWords(const QTextFragment& fragment);

// Tells a listening screen reader which link of `pane` has the focus, when
// one has it.
void AnnounceFocusedLink(PaneBrowser* pane);

}  // namespace quillet
