// The main menu (resource 101) and the context menus, built from the menu
// data of desktop/shell/Menus.h, and the enabled state of every command.
//
// The enable operations of the rebar and the modes act here: a command with
// a main-menu item greys or enables that item; a command without one (the
// archive commands, Find) still keeps its state, so that the same
// operations work whatever the menu holds.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/codepage/CpText.h"

#include "desktop/shell/Menus.h"

namespace quillet {

class CMenus : public QObject {
  Q_OBJECT
 public:
  using CommandFn = std::function<void(uint32_t command)>;

  // Builds menu 101 into `bar`; choosing an item calls `send`.
  CMenus(QMenuBar* bar, CommandFn send);

  void SetEnabled(uint32_t command, bool enabled);
  bool IsEnabled(uint32_t command) const;
  // Changes the text of the main-menu item (the private-records item).
  void SetText(uint32_t command, const QString& text);
  QString Text(uint32_t command) const;
  // The main-menu action of `command`, or null.
  QAction* Action(uint32_t command) const;

  // A context menu from resource `id`; `enabled` decides each item (null:
  // all enabled). Its items call `send`. The caller owns the menu.
  QMenu* BuildMenu(int id, const std::function<bool(uint32_t)>& enabled, QWidget* parent) const;

 private:
  void AddItems(QMenu* menu, const MenuItem& item, bool mainMenu,
                const std::function<bool(uint32_t)>& enabled) const;

  CommandFn send_;
  mutable std::map<uint32_t, QAction*> actions_;  // main-menu items
  std::map<uint32_t, bool> state_;
};

}  // namespace quillet
