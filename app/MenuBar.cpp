#include "app/MenuBar.h"

#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {

CMenus::CMenus(QMenuBar* bar, CommandFn send) : QObject(bar), send_(std::move(send)) {
  for (const MenuItem& top : MenuResource(101).children) {
    QMenu* menu = bar->addMenu(MenuText(top.text));
    AddItems(menu, top, true, nullptr);
  }
}

void CMenus::AddItems(QMenu* menu, const MenuItem& item, bool mainMenu,
                      const std::function<bool(uint32_t)>& enabled) const {
  for (const MenuItem& child : item.children) {
    if (child.IsSeparator()) {
      menu->addSeparator();
    } else if (child.IsSubmenu()) {
      AddItems(menu->addMenu(MenuText(child.text)), child, mainMenu, enabled);
    } else {
      QAction* action = menu->addAction(MenuText(child.text));
      const uint32_t command = child.command;
      action->setData(command);
      connect(action, &QAction::triggered, this, [this, command] { send_(command); });
      if (mainMenu) {
        actions_[command] = action;
        action->setObjectName(QString("menu%1").arg(command));
      } else if (enabled) {
        action->setEnabled(enabled(command));
      }
    }
  }
}

void CMenus::SetEnabled(uint32_t command, bool enabled) {
  state_[command] = enabled;
  if (QAction* a = Action(command)) a->setEnabled(enabled);
}

bool CMenus::IsEnabled(uint32_t command) const {
  if (QAction* a = Action(command)) return a->isEnabled();
  auto it = state_.find(command);
  return it == state_.end() || it->second;
}

void CMenus::SetText(uint32_t command, const QString& text) {
  if (QAction* a = Action(command)) a->setText(text);
}

QString CMenus::Text(uint32_t command) const {
  QAction* a = Action(command);
  return a ? a->text() : QString();
}

QAction* CMenus::Action(uint32_t command) const {
  auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* CMenus::BuildMenu(int id, const std::function<bool(uint32_t)>& enabled,
                         QWidget* parent) const {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QString("menu%1").arg(id));
  AddItems(menu, MenuResource(id), false, enabled ? enabled : [](uint32_t) { return true; });
  return menu;
}

}  // namespace quillet
