// What the note and reference dialogs share: the heading, a body column
// of readable width, Private/OK/Cancel at the foot, and the typed text as
// the person's edit control would hold it.
#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace quillet {

struct RecordDialogFrame {
  // Makes the dialog in `host` with its bold heading.
  RecordDialogFrame(QWidget* host, const char* objectName, const QString& heading);
  // OK (returned, the default button) and Cancel at the right of the foot.
  QPushButton* AddButtons();

  QWidget* dialog = nullptr;
  QVBoxLayout* body = nullptr;
  QPushButton* cancel = nullptr;
};

// The edit's text with its line breaks as carriage return + line feed, so
// that lengths are counted as they are stored on the handheld's side.
QString TypedText(const QPlainTextEdit* edit);

}  // namespace quillet
