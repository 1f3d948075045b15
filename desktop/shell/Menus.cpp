#include "desktop/shell/Menus.h"

#include "desktop/shell/Commands.h"

namespace quillet {
namespace {

// The menus' texts are the program's own, code-page text like the string
// table's.
MenuItem Item(uint32_t command, const char* text) { return MenuItem{command, CpText(text), {}}; }
MenuItem Separator() { return MenuItem{}; }
MenuItem Submenu(const char* text, std::vector<MenuItem> children) {
  return MenuItem{0, CpText(text), std::move(children)};
}

std::vector<MenuItem> NewItems() {
  return {Item(CMD_NEW_NOTE, "New &Note"), Item(CMD_NEW_IMAGE, "New &Image"),
          Submenu("New &Reference",
                  {Item(CMD_NEW_BOOK, "&Book"), Item(CMD_NEW_INTERNET, "&Internet"),
                   Item(CMD_NEW_JOURNAL, "&Journal Article"),
                   Item(CMD_NEW_MAGAZINE, "&Magazine Article"),
                   Item(CMD_NEW_NEWSPAPER, "&Newspaper Article"),
                   Item(CMD_NEW_REPORT, "&Report")})};
}

std::vector<MenuItem> ThemeItems() {
  return {Item(CMD_EDIT_DEFAULT_EDITOR, "&Edit Using Default Editor"),
          Item(CMD_EDIT_NOTEPAD, "Edit Using &Text Editor"), Separator(),
          Item(CMD_RESET_ALL, "&Reset All"), Item(CMD_OPEN_FOLDER, "&Open Folder")};
}

MenuItem MainMenu() {
  return Submenu(
      "", {Submenu("&File", {Item(CMD_SAVE_AS, "Save &As..."),
                             Item(CMD_EXPORT_PDF, "&Export as PDF..."), Separator(),
                             Item(CMD_PRINT, "&Print..."),
                             Item(CMD_PRINT_PREVIEW, "Print Preview..."),
                             Item(CMD_PAGE_SETUP, "&Page Setup..."), Separator(),
                             Item(CMD_SEND, "&Send"), Separator(),
                             Item(CMD_RESTORE_BACKUP, "Restore From &Backup..."), Separator(),
                             Item(CMD_IMPORT_REFERENCES, "&Import References..."),
                             Item(CMD_EXPORT_REFERENCES, "Export &References..."), Separator(),
                             Item(CMD_EXIT, "E&xit")}),
           Submenu("&Edit", {Item(CMD_COPY, "&Copy"), Separator(),
                             Item(CMD_EXPAND_ALL, "E&xpand All"),
                             Item(CMD_COLLAPSE_ALL, "C&ollapse All"), Separator(),
                             Item(CMD_DELETE_ALL, "&Delete All"), Separator(),
                             Item(CMD_PROPERTIES, "&Properties...")}),
           Submenu("&Themes", ThemeItems()),
           Submenu("&User", {Item(CMD_CHANGE_DEFAULT, "&Change Default")}),
           Submenu("&View", {Item(CMD_BACK, "< &Back"), Item(CMD_FORWARD, "&Forward >"),
                             Item(CMD_REFRESH, "&Refresh"), Separator(),
                             Item(CMD_START, "&Start Page"),
                             Item(CMD_TOPIC_CENTER, "&Topic Center"),
                             Item(CMD_IMAGE_CENTER, "&Image Center"), Separator(),
                             Item(CMD_PRIVATE, "Show &Private Records")}),
           Submenu("&Help", {Item(CMD_HELP_CONTENTS, "&Contents"),
                             Item(CMD_FEEDBACK, "C&omments && Feedback"),
                             Item(CMD_SUPPORT, "B&rightfen On-line Support")})});
}

MenuItem TopicItemMenu() {
  std::vector<MenuItem> items;
  items.push_back(Submenu("&New", NewItems()));
  for (MenuItem i : {Item(CMD_SAVE_AS, "&Save As..."), Separator(), Item(CMD_EDIT_TOPIC, "&Edit"),
                     Item(CMD_COPY, "&Copy"), Item(CMD_DUPLICATE, "&Duplicate"), Separator(),
                     Item(CMD_DELETE, "&Delete"), Separator(), Item(CMD_PRINT, "&Print..."),
                     Item(CMD_PRINT_PREVIEW, "Print Preview..."), Separator(),
                     Item(CMD_SEND, "Send"), Separator()})
    items.push_back(std::move(i));
  items.push_back(Submenu("&Themes", ThemeItems()));
  return Submenu("", std::move(items));
}

}  // namespace

const MenuItem& MenuResource(int id) {
  static const MenuItem kEmpty;
  static const MenuItem kMain = MainMenu();
  static const MenuItem kTreeItem = Submenu("", {Item(CMD_DELETE, "&Delete")});
  static const MenuItem kNewDropDown = Submenu("", NewItems());
  static const MenuItem kTopicItem = TopicItemMenu();
  static const MenuItem kImageItem =
      Submenu("", {Item(CMD_IMAGE_EDIT, "&Edit"), Item(CMD_IMAGE_VIEW, "&View")});
  switch (id) {
    case 101: return kMain;
    case 320: return kTreeItem;
    case 321: return kNewDropDown;
    case 323: return kTopicItem;
    case 556: return kImageItem;
    default: return kEmpty;
  }
}

const MenuItem* FindMenuItem(const MenuItem& menu, uint32_t command) {
  for (const MenuItem& child : menu.children) {
    if (child.command == command && command != 0) return &child;
    if (const MenuItem* found = FindMenuItem(child, command)) return found;
  }
  return nullptr;
}

const std::vector<ToolButton>& ToolbarButtons() {
  static const std::vector<ToolButton> kButtons = {
      {CMD_NEW_TOPIC, "New Topic", 234, true, ToolButtonKind::kDropDown},
      {0, "", 0, false, ToolButtonKind::kSeparator},
      {CMD_START, "Start", 117, true, ToolButtonKind::kButton},
      {CMD_BACK, "Back", 108, true, ToolButtonKind::kButton},
      {CMD_FORWARD, "Forward", 110, false, ToolButtonKind::kButton},
      {0, "", 0, false, ToolButtonKind::kSeparator},
      {CMD_TOPIC_CENTER, "My Topics", 109, true, ToolButtonKind::kCheckGroup},
      {CMD_IMAGE_CENTER, "My Pictures", 201, true, ToolButtonKind::kCheckGroup},
      {CMD_FIND, "Find", 116, false, ToolButtonKind::kCheckGroup},
  };
  return kButtons;
}

const std::vector<uint32_t>& NewDropDownCommands() {
  static const std::vector<uint32_t> k = {CMD_NEW_NOTE,     CMD_NEW_IMAGE,     CMD_NEW_BOOK,
                                          CMD_NEW_JOURNAL,  CMD_NEW_MAGAZINE,  CMD_NEW_NEWSPAPER,
                                          CMD_NEW_INTERNET, CMD_NEW_REPORT};
  return k;
}

const std::vector<uint32_t>& PrintGroupCommands() {
  static const std::vector<uint32_t> k = {CMD_PRINT,      CMD_PRINT_PREVIEW,
                                          CMD_COPY,       CMD_EDIT_NOTEPAD,
                                          CMD_EDIT_DEFAULT_EDITOR, CMD_PAGE_SETUP,
                                          // what is shown, written elsewhere
                                          CMD_SAVE_AS,    CMD_EXPORT_PDF};
  return k;
}

const std::vector<uint32_t>& EnableAllToolbarButtons() {
  static const std::vector<uint32_t> k = {CMD_NEW_TOPIC, CMD_START,        CMD_BACK,
                                          CMD_FORWARD,   CMD_FIND,         CMD_TOPIC_CENTER,
                                          CMD_IMAGE_CENTER};
  return k;
}

const std::vector<uint32_t>& EnableAllMenuItems() {
  static const std::vector<uint32_t> k = {
      CMD_FIND,  CMD_RESET_ALL,   CMD_OPEN_FOLDER, CMD_EDIT_DEFAULT_EDITOR, CMD_TOPIC_CENTER,
      CMD_PRIVATE, CMD_IMAGE_CENTER, CMD_START,    CMD_BACK,  CMD_FORWARD, CMD_NOTE,
      CMD_EDIT_NOTEPAD, CMD_HELP_CONTENTS};
  return k;
}

const std::vector<uint32_t>& CheckGroupButtons() {
  static const std::vector<uint32_t> k = {CMD_TOPIC_CENTER, CMD_IMAGE_CENTER, CMD_FIND};
  return k;
}

}  // namespace quillet
