// The main window's fifteen modes and what each one shows, as data.
//
// The window manager does not decide per mode in code: it looks the mode up
// here and applies the row. Windows that a later release adds only fill in
// their rows' targets.
#pragma once

#include <cstdint>
#include <optional>

namespace quillet {

// Mode numbers as stored in the manager's `mode`. Several modes share a
// number: the number names the main view, the mode name what happens in it.
enum class Mode : uint8_t {
  START, TOPIC, VIEWTOPIC, NEWTOPIC, EDITTOPIC, CUSTOM, NEWCUSTOM, NOTE, NEWNOTE,
  SKETCH, IMAGE, NEWIMAGE, VIEWIMAGE, PREVIEWIMAGE, FIND,
};
inline constexpr int kModeCount = 15;

enum class ListShown : uint8_t { kNone, kImageList, kFindList };
enum class ComboShown : uint8_t { kNone, kTopicTreeFilter, kTopicFirst, kImageListFilter };
enum class RecordWindow : uint8_t { kNone, kTopic, kImage, kSketch, kNote, kCustom, kFind };
enum class WindowLoad : uint8_t { kNothing, kNewRecord, kSelectedRecord };
enum class BrowserShows : uint8_t {
  kHidden, kStartPage, kTopicCenter, kImageCenter, kTopicReport, kSelectedImageFile,
};
enum class MenuState : uint8_t { kStartSet, kViewSet, kEditSet, kAllOff };

struct ModeRow {
  Mode mode;
  const char* name;       // as logged: "Entering <name> Mode"
  uint32_t number;        // stored in the manager's `mode`
  uint32_t command;       // the command that enters it
  bool treeShown;
  bool treeMarksCleared;  // selection marks cleared on entry
  bool treeSelectsCurrent;  // NEWTOPIC: the item of the current selection is selected
  ListShown list;
  ComboShown combo;
  bool themeBoxShown;
  RecordWindow window;
  WindowLoad load;
  BrowserShows browser;
  MenuState menu;
  bool newDropDownOn;     // EDITTOPIC and VIEWTOPIC enable the New drop-down items
  uint32_t pressedButton; // 0: none pressed
};

const ModeRow& RowOf(Mode mode);
// The mode a command enters, if it is a mode command.
std::optional<Mode> ModeForCommand(uint32_t command);

// The mode that makes a new record of `recordKind` (store kind): where
// edits typed into a record that is gone when the store was reopened are
// shown again. None for kinds the desktop never makes.
std::optional<Mode> NewRecordModeFor(uint32_t recordKind);

// Which groups a menu state enables.
struct MenuStateRow {
  bool back, forward, send, printGroup, deleteAll, expandCollapse, newItems;
};
const MenuStateRow& RowOf(MenuState state);

}  // namespace quillet
