// The program's menus and toolbar as data, built by the Qt layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"

namespace quillet {

struct MenuItem {
  uint32_t command = 0;    // 0 with an empty text: separator; 0 with children: submenu
  CpText text;             // with '&' marking the access key, "&&" a literal '&'
  std::vector<MenuItem> children;

  bool IsSeparator() const { return command == 0 && text.empty(); }
  bool IsSubmenu() const { return !children.empty(); }
};

// Menu resources by number: 101 (main menu: one submenu per top-level menu),
// 320 (tree item), 321 (New Topic drop-down), 323 (topic item), 556 (image
// list item). Unknown numbers give an empty item.
const MenuItem& MenuResource(int id);

// Finds the item for `command` anywhere below `menu`; null when absent.
const MenuItem* FindMenuItem(const MenuItem& menu, uint32_t command);

enum class ToolButtonKind : uint8_t { kButton, kDropDown, kCheckGroup, kSeparator };

struct ToolButton {
  uint32_t command;
  const char* text;   // the button's label (tooltip when not shown)
  int stringId;
  bool textShown;
  ToolButtonKind kind;
};

// The nine toolbar positions in order, separators included.
const std::vector<ToolButton>& ToolbarButtons();

// The New drop-down items that the New switch enables or greys.
const std::vector<uint32_t>& NewDropDownCommands();
// The print group.
const std::vector<uint32_t>& PrintGroupCommands();
// What EnableAll switches on.
const std::vector<uint32_t>& EnableAllToolbarButtons();
const std::vector<uint32_t>& EnableAllMenuItems();
// The check-group buttons ResetToolbarChecks releases.
const std::vector<uint32_t>& CheckGroupButtons();

}  // namespace quillet
