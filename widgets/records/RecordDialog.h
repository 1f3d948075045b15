// What the note and reference dialogs share: the heading, a body column
// of readable width, Private/OK/Cancel at the foot, and the typed text as
// the person's edit control would hold it.
#pragma once

#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <string>

#include "platform/codepage/CpText.h"

namespace quillet {

struct RecordDialogFrame {
  // Makes the dialog in `host` with its bold heading.
  RecordDialogFrame(QWidget* host, const char* objectName, const QString& heading);
  // OK (returned, the default button) and Cancel at the right of the foot;
  // Ctrl+Return clicks OK and Escape Cancel anywhere in the dialog.
  QPushButton* AddButtons();

  QWidget* dialog = nullptr;
  QVBoxLayout* body = nullptr;
  QPushButton* cancel = nullptr;
};

// The edit's text with its line breaks as carriage return + line feed, as
// the record windows hand texts to their logic.
QString TypedText(const QPlainTextEdit* edit);

// Whether a dialog's text says what the store's text (as shown) says, line
// breaks written either way.
bool SameTypedText(QString typed, QString shown);

// A new record's name for "Save changes to ...?": the first line of what was
// typed, cut as the tree cuts a member's text (UTF-8: only the question
// shows it, and shows it as it was typed).
std::string TypedRecordName(const QString& typed);
// A stored record's text for that question: its first line, cut the same way.
std::string StoredRecordName(const CpText& text);

}  // namespace quillet
