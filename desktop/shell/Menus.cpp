#include "desktop/shell/Menus.h"

#include "base/Translate.h"
#include "desktop/shell/Commands.h"

namespace quillet {
namespace {

// The menus' texts are the program's own, in English (ASCII, so the same
// in the code page); the menus show them in the person's language.
MenuItem Item(uint32_t command, const char* text) { return MenuItem{command, CpText(text), {}}; }
MenuItem Separator() { return MenuItem{}; }
MenuItem Submenu(const char* text, std::vector<MenuItem> children) {
  return MenuItem{0, CpText(text), std::move(children)};
}

std::vector<MenuItem> NewItems() {
  return {Item(CMD_NEW_NOTE, QT_TRANSLATE_NOOP("Menus", "New &Note")), Item(CMD_NEW_IMAGE, QT_TRANSLATE_NOOP("Menus", "New &Image")),
          Submenu(QT_TRANSLATE_NOOP("Menus", "New &Reference"),
                  {Item(CMD_NEW_BOOK, QT_TRANSLATE_NOOP("Menus", "&Book")), Item(CMD_NEW_INTERNET, QT_TRANSLATE_NOOP("Menus", "&Internet")),
                   Item(CMD_NEW_JOURNAL, QT_TRANSLATE_NOOP("Menus", "&Journal Article")),
                   Item(CMD_NEW_MAGAZINE, QT_TRANSLATE_NOOP("Menus", "&Magazine Article")),
                   Item(CMD_NEW_NEWSPAPER, QT_TRANSLATE_NOOP("Menus", "&Newspaper Article")),
                   Item(CMD_NEW_REPORT, QT_TRANSLATE_NOOP("Menus", "&Report"))})};
}

std::vector<MenuItem> ThemeItems() {
  return {Item(CMD_EDIT_DEFAULT_EDITOR, QT_TRANSLATE_NOOP("Menus", "&Edit Using Default Editor")),
          Item(CMD_EDIT_NOTEPAD, QT_TRANSLATE_NOOP("Menus", "Edit Using &Text Editor")), Separator(),
          Item(CMD_RESET_ALL, QT_TRANSLATE_NOOP("Menus", "&Reset All")), Item(CMD_OPEN_FOLDER, QT_TRANSLATE_NOOP("Menus", "&Open Folder"))};
}

MenuItem MainMenu() {
  return Submenu(
      "", {Submenu(QT_TRANSLATE_NOOP("Menus", "&File"), {Item(CMD_SAVE_AS, QT_TRANSLATE_NOOP("Menus", "Save &As...")),
                             Item(CMD_EXPORT_PDF, QT_TRANSLATE_NOOP("Menus", "&Export as PDF...")), Separator(),
                             Item(CMD_PRINT, QT_TRANSLATE_NOOP("Menus", "&Print...")),
                             Item(CMD_PRINT_PREVIEW, QT_TRANSLATE_NOOP("Menus", "Print Preview...")),
                             Item(CMD_PAGE_SETUP, QT_TRANSLATE_NOOP("Menus", "&Page Setup...")), Separator(),
                             Item(CMD_SEND, QT_TRANSLATE_NOOP("Menus", "&Send")), Separator(),
                             Item(CMD_RESTORE_BACKUP, QT_TRANSLATE_NOOP("Menus", "Restore From &Backup...")), Separator(),
                             Item(CMD_IMPORT_REFERENCES, QT_TRANSLATE_NOOP("Menus", "&Import References...")),
                             Item(CMD_EXPORT_REFERENCES, QT_TRANSLATE_NOOP("Menus", "Export &References...")), Separator(),
                             Item(CMD_EXIT, QT_TRANSLATE_NOOP("Menus", "E&xit"))}),
           Submenu(QT_TRANSLATE_NOOP("Menus", "&Edit"), {Item(CMD_COPY, QT_TRANSLATE_NOOP("Menus", "&Copy")), Separator(),
                             Item(CMD_EXPAND_ALL, QT_TRANSLATE_NOOP("Menus", "E&xpand All")),
                             Item(CMD_COLLAPSE_ALL, QT_TRANSLATE_NOOP("Menus", "C&ollapse All")), Separator(),
                             Item(CMD_DELETE_ALL, QT_TRANSLATE_NOOP("Menus", "&Delete All")), Separator(),
                             Item(CMD_PROPERTIES, QT_TRANSLATE_NOOP("Menus", "&Properties..."))}),
           Submenu(QT_TRANSLATE_NOOP("Menus", "&Themes"), ThemeItems()),
           Submenu(QT_TRANSLATE_NOOP("Menus", "&User"), {Item(CMD_CHANGE_DEFAULT, QT_TRANSLATE_NOOP("Menus", "&Change Default"))}),
           Submenu(QT_TRANSLATE_NOOP("Menus", "&View"), {Item(CMD_BACK, QT_TRANSLATE_NOOP("Menus", "< &Back")), Item(CMD_FORWARD, QT_TRANSLATE_NOOP("Menus", "&Forward >")),
                             Item(CMD_REFRESH, QT_TRANSLATE_NOOP("Menus", "&Refresh")), Separator(),
                             Item(CMD_START, QT_TRANSLATE_NOOP("Menus", "&Start Page")),
                             Item(CMD_TOPIC_CENTER, QT_TRANSLATE_NOOP("Menus", "&Topic Center")),
                             Item(CMD_IMAGE_CENTER, QT_TRANSLATE_NOOP("Menus", "&Image Center")), Separator(),
                             Item(CMD_PRIVATE, QT_TRANSLATE_NOOP("Menus", "Show &Private Records"))}),
           Submenu(QT_TRANSLATE_NOOP("Menus", "&Help"), {Item(CMD_HELP_CONTENTS, QT_TRANSLATE_NOOP("Menus", "&Contents")),
                             Item(CMD_FEEDBACK, QT_TRANSLATE_NOOP("Menus", "C&omments && Feedback")),
                             Item(CMD_SUPPORT, QT_TRANSLATE_NOOP("Menus", "B&rightfen On-line Support"))})});
}

MenuItem TopicItemMenu() {
  std::vector<MenuItem> items;
  items.push_back(Submenu(QT_TRANSLATE_NOOP("Menus", "&New"), NewItems()));
  for (MenuItem i : {Item(CMD_SAVE_AS, QT_TRANSLATE_NOOP("Menus", "&Save As...")), Separator(), Item(CMD_EDIT_TOPIC, QT_TRANSLATE_NOOP("Menus", "&Edit")),
                     Item(CMD_COPY, QT_TRANSLATE_NOOP("Menus", "&Copy")), Item(CMD_DUPLICATE, QT_TRANSLATE_NOOP("Menus", "&Duplicate")), Separator(),
                     Item(CMD_DELETE, QT_TRANSLATE_NOOP("Menus", "&Delete")), Separator(), Item(CMD_PRINT, QT_TRANSLATE_NOOP("Menus", "&Print...")),
                     Item(CMD_PRINT_PREVIEW, QT_TRANSLATE_NOOP("Menus", "Print Preview...")), Separator(),
                     Item(CMD_SEND, QT_TRANSLATE_NOOP("Menus", "Send")), Separator()})
    items.push_back(std::move(i));
  items.push_back(Submenu(QT_TRANSLATE_NOOP("Menus", "&Themes"), ThemeItems()));
  return Submenu("", std::move(items));
}

}  // namespace

const MenuItem& MenuResource(int id) {
  static const MenuItem kEmpty;
  static const MenuItem kMain = MainMenu();
  static const MenuItem kTreeItem = Submenu("", {Item(CMD_DELETE, QT_TRANSLATE_NOOP("Menus", "&Delete"))});
  static const MenuItem kNewDropDown = Submenu("", NewItems());
  static const MenuItem kTopicItem = TopicItemMenu();
  static const MenuItem kImageItem =
      Submenu("", {Item(CMD_IMAGE_EDIT, QT_TRANSLATE_NOOP("Menus", "&Edit")), Item(CMD_IMAGE_VIEW, QT_TRANSLATE_NOOP("Menus", "&View"))});
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
