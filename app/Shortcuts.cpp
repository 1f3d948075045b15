#include "app/Shortcuts.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QToolButton>
#include <QWidget>

#include "app/MenuBar.h"
#include "app/Rebar.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/Menus.h"

namespace quillet {
namespace {

// The desktop's keys for a standard action; `fallback` where the desktop
// has none.
QList<QKeySequence> Standard(QKeySequence::StandardKey key, const char* fallback) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  if (keys.isEmpty()) keys.append(QKeySequence(QString::fromLatin1(fallback)));
  return keys;
}

QList<QKeySequence> Plain(const char* key) { return {QKeySequence(QString::fromLatin1(key))}; }

}  // namespace

QList<QKeySequence> ShortcutsOf(uint32_t command) {
  switch (command) {
    case CMD_NEW_TOPIC: return Standard(QKeySequence::New, "Ctrl+N");
    case CMD_FIND: return Standard(QKeySequence::Find, "Ctrl+F");
    case CMD_PRINT: return Standard(QKeySequence::Print, "Ctrl+P");
    case CMD_PRINT_PREVIEW: return Plain("Ctrl+Shift+P");
    case CMD_SAVE_AS: return Standard(QKeySequence::SaveAs, "Ctrl+Shift+S");
    case CMD_SEND: return Plain("Ctrl+E");
    case CMD_EXIT: return Standard(QKeySequence::Quit, "Ctrl+Q");
    case CMD_HELP_CONTENTS: return Standard(QKeySequence::HelpContents, "F1");
    case CMD_REFRESH: return Standard(QKeySequence::Refresh, "F5");
    case CMD_BACK: return Standard(QKeySequence::Back, "Alt+Left");
    case CMD_FORWARD: return Standard(QKeySequence::Forward, "Alt+Right");
    case CMD_COPY: return Standard(QKeySequence::Copy, "Ctrl+C");
    default: return {};
  }
}

void InstallShortcuts(QWidget* window, CMenus* menus, CRebar* rebar,
                      const std::function<void(uint32_t)>& send) {
  const uint32_t keyed[] = {CMD_NEW_TOPIC, CMD_FIND,  CMD_PRINT, CMD_PRINT_PREVIEW,
                            CMD_SAVE_AS,   CMD_SEND,  CMD_EXIT,  CMD_HELP_CONTENTS,
                            CMD_REFRESH,   CMD_BACK,  CMD_FORWARD, CMD_COPY};
  for (uint32_t command : keyed) {
    const QList<QKeySequence> keys = ShortcutsOf(command);
    if (QAction* item = menus ? menus->Action(command) : nullptr) {
      item->setShortcuts(keys);
      continue;
    }
    // A toolbar command only: the window carries its keys.
    auto* action = new QAction(window);
    action->setObjectName(QString("key%1").arg(command));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, [rebar, send, command] {
      if (!rebar || rebar->ButtonEnabled(command)) send(command);
    });
    window->addAction(action);
  }
  if (!rebar) return;
  for (const ToolButton& b : ToolbarButtons()) {
    QToolButton* button = rebar->button(b.command);
    if (!button) continue;
    button->setAccessibleName(button->text());
    const QList<QKeySequence> keys = ShortcutsOf(b.command);
    // The button's text and its key, e.g. "Find (Ctrl+F)".
    if (!keys.isEmpty())
      button->setToolTip(QCoreApplication::translate("Shortcuts", "%1 (%2)")
                             .arg(button->text(), keys.first().toString(QKeySequence::NativeText)));
  }
  if (QComboBox* box = rebar->themeBox())
    box->setAccessibleName(QCoreApplication::translate("Shortcuts", "Theme"));
}

}  // namespace quillet
