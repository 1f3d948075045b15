#include "widgets/kit/CodePageField.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>

#include "base/UserInterface.h"
#include "widgets/kit/Ansi.h"

namespace quillet {
namespace {

// Brings the page holding `field` forward when it sits in a tab.
void ShowPageOf(QWidget* field) {
  for (QWidget* w = field; w != nullptr; w = w->parentWidget()) {
    QWidget* stack = w->parentWidget();
    auto* tabs = qobject_cast<QTabWidget*>(stack != nullptr ? stack->parentWidget() : nullptr);
    if (tabs != nullptr && qobject_cast<QStackedWidget*>(stack) != nullptr && tabs->indexOf(w) >= 0)
      tabs->setCurrentWidget(w);
  }
}

// Puts the focus on `field` with the character at `at` selected.
void FocusCharacter(QWidget* field, qsizetype at, qsizetype length) {
  ShowPageOf(field);
  if (auto* box = qobject_cast<QComboBox*>(field); box != nullptr && box->lineEdit() != nullptr)
    field = box->lineEdit();
  field->setFocus(Qt::OtherFocusReason);
  if (at < 0) return;
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->setSelection(static_cast<int>(at), static_cast<int>(length));
    return;
  }
  auto select = [&](auto* edit) {
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(static_cast<int>(at));
    cursor.setPosition(static_cast<int>(at + length), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
  };
  if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) select(plain);
  else if (auto* rich = qobject_cast<QTextEdit*>(field)) select(rich);
}

// The field's own text, in which the character is looked for again (the
// text OK was given may write line breaks differently).
QString OwnText(const QWidget* field) {
  if (auto* box = qobject_cast<const QComboBox*>(field)) return box->currentText();
  if (auto* line = qobject_cast<const QLineEdit*>(field)) return line->text();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(field)) return plain->toPlainText();
  if (auto* rich = qobject_cast<const QTextEdit*>(field)) return rich->toPlainText();
  return QString();
}

}  // namespace

bool TakeCodePageText(QWidget* field, const QString& text, const CpText& fieldName, CpText* out) {
  QString bad;
  if (ToAnsiExact(text, out, &bad)) return true;
  out->clear();
  const QList<uint> code = bad.toUcs4();
  ShowUnstorableCharacter(fieldName, code.isEmpty() ? 0xFFFD : code.front());
  if (field != nullptr) {
    const QString own = OwnText(field);
    const qsizetype at = own.indexOf(bad);
    FocusCharacter(field, at, bad.size());
  }
  return false;
}

CpText FieldName(const char* context, const char* english) {
  CpText name;
  if (ToAnsiExact(QCoreApplication::translate(context, english), &name)) return name;
  return CpText(english);
}

}  // namespace quillet
