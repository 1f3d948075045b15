#include "widgets/kit/DialogKeys.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QPointer>
#include <QShortcut>

#include "desktop/shell/Menus.h"
#include "widgets/kit/Accessibility.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {

MnemonicSet MnemonicSet::BesideMainMenu() {
  MnemonicSet set;
  // Resource 101: the main menu, one submenu per menu of the bar.
  for (const MenuItem& menu : MenuResource(101).children)
    set.Mark(MenuText(menu.text));
  return set;
}

QString MnemonicSet::Mark(const QString& text) {
  const qsizetype marked = text.indexOf('&');
  if (marked >= 0 && marked + 1 < text.size() && text[marked + 1] != '&') {
    used_ += text[marked + 1].toLower();
    return text;
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!c.isLetterOrNumber() || used_.contains(c.toLower())) continue;
    used_ += c.toLower();
    return text.left(i) + '&' + text.mid(i);
  }
  return text;
}

QString AccessibleText(const QString& labelText) {
  QString text;
  for (qsizetype i = 0; i < labelText.size(); ++i) {
    if (labelText[i] == '&') {
      if (i + 1 < labelText.size() && labelText[i + 1] == '&') text += labelText[++i];
      continue;
    }
    text += labelText[i];
  }
  text = text.trimmed();
  if (text.endsWith(':')) text.chop(1);
  return text;
}

void TieLabel(QLabel* label, QWidget* field) {
  if (label == nullptr || field == nullptr) return;
  label->setBuddy(field);
  if (auto* box = qobject_cast<QComboBox*>(field)) NameComboBox(box, AccessibleText(label->text()));
  else field->setAccessibleName(AccessibleText(label->text()));
}

void AddOkCancelKeys(QWidget* window, QAbstractButton* ok, QAbstractButton* cancel) {
  auto press = [](QPointer<QAbstractButton> button) {
    return [button] {
      if (button && button->isEnabled()) button->click();
    };
  };
  const QPointer<QAbstractButton> okButton(ok), cancelButton(cancel);
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(keys, window);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, press(okButton));
  }
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(escape, &QShortcut::activated, window, press(cancelButton));
}

}  // namespace quillet
