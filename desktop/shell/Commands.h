// Command numbers of the main window. Menus, the toolbar, the record windows,
// the lists and tests all "send" these to the one dispatcher.
#pragma once

#include <cstdint>

namespace quillet {

enum Command : uint32_t {
  // File
  CMD_PRINT = 187,
  CMD_PRINT_PREVIEW = 320,
  CMD_PAGE_SETUP = 562,
  CMD_SEND = 3003,
  CMD_RESTORE_BACKUP = 32790,
  CMD_IMPORT_REFERENCES = 32801,
  CMD_EXPORT_REFERENCES = 32802,
  CMD_EXPORT_PDF = 32803,
  CMD_EXIT = 40001,
  // Edit
  CMD_COPY = 3090,
  CMD_EXPAND_ALL = 568,
  CMD_COLLAPSE_ALL = 569,
  CMD_DELETE_ALL = 305,
  CMD_PROPERTIES = 312,
  // Themes
  CMD_EDIT_DEFAULT_EDITOR = 3066,
  CMD_EDIT_NOTEPAD = 521,
  CMD_RESET_ALL = 500,
  CMD_OPEN_FOLDER = 431,
  // User
  CMD_CHANGE_DEFAULT = 572,
  // View
  CMD_BACK = 1006,
  CMD_FORWARD = 1007,
  CMD_START = 3037,
  CMD_TOPIC_CENTER = 3058,
  CMD_IMAGE_CENTER = 327,
  CMD_PRIVATE = 541,
  CMD_REFRESH = 32804,
  // Help
  CMD_HELP_CONTENTS = 274,
  CMD_FEEDBACK = 275,
  CMD_SUPPORT = 276,
  // New drop-down and record commands
  CMD_NEW_NOTE = 414,
  CMD_NEW_IMAGE = 416,
  CMD_NEW_CUSTOM = 417,
  CMD_NEW_TOPIC = 418,
  CMD_NEW_BOOK = 544,
  CMD_NEW_JOURNAL = 545,
  CMD_NEW_MAGAZINE = 546,
  CMD_NEW_NEWSPAPER = 547,
  CMD_NEW_REPORT = 32774,
  CMD_NEW_INTERNET = 549,
  CMD_FIND = 156,
  CMD_EDIT_TOPIC = 3060,
  CMD_DUPLICATE = 448,
  CMD_DELETE = 3031,
  CMD_SAVE_AS = 32773,
  CMD_OPEN_ARCHIVE = 307,
  CMD_CLOSE_ARCHIVE = 314,
  // Mode commands sent by the tree, lists and record windows
  CMD_VIEW_TOPIC = 3072,
  CMD_CUSTOM = 161,
  CMD_NOTE = 3051,
  CMD_SKETCH = 3070,
  CMD_VIEW_IMAGE = 3079,
  CMD_PREVIEW_IMAGE = 3080,
  // Image list context menu (goes to the image window)
  CMD_IMAGE_EDIT = 250,
  CMD_IMAGE_VIEW = 3007,
};

// The private message the HotSync notifier sends the main window.
inline constexpr uint32_t kNotifierMessage = 0x3400;

}  // namespace quillet
