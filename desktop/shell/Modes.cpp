#include "desktop/shell/Modes.h"

#include "desktop/shell/Commands.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

using L = ListShown;
using C = ComboShown;
using W = RecordWindow;
using D = WindowLoad;
using B = BrowserShows;
using M = MenuState;

// One row per mode, in Mode order.
//  mode, name, number, command,
//  tree shown, marks cleared, selects current, list, combo, theme box,
//  window, load, browser, menu, New on, pressed button
constexpr ModeRow kRows[kModeCount] = {
    {Mode::START, "START", 0, CMD_START, true, true, false, L::kNone, C::kTopicTreeFilter, false,
     W::kNone, D::kNothing, B::kStartPage, M::kStartSet, false, 0},
    {Mode::TOPIC, "TOPIC", 1, CMD_TOPIC_CENTER, true, true, false, L::kNone, C::kTopicTreeFilter,
     false, W::kNone, D::kNothing, B::kTopicCenter, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::VIEWTOPIC, "VIEWTOPIC", 2, CMD_VIEW_TOPIC, true, false, false, L::kNone,
     C::kTopicTreeFilter, true, W::kNone, D::kNothing, B::kTopicReport, M::kViewSet, true,
     CMD_TOPIC_CENTER},
    {Mode::NEWTOPIC, "NEWTOPIC", 3, CMD_NEW_TOPIC, true, false, true, L::kNone,
     C::kTopicTreeFilter, false, W::kTopic, D::kNewRecord, B::kHidden, M::kEditSet, false,
     CMD_TOPIC_CENTER},
    {Mode::EDITTOPIC, "EDITTOPIC", 4, CMD_EDIT_TOPIC, true, false, false, L::kNone,
     C::kTopicTreeFilter, false, W::kTopic, D::kSelectedRecord, B::kHidden, M::kEditSet, true,
     CMD_TOPIC_CENTER},
    {Mode::CUSTOM, "CUSTOM", 5, CMD_CUSTOM, true, false, false, L::kNone, C::kTopicFirst, false,
     W::kCustom, D::kSelectedRecord, B::kHidden, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::NEWCUSTOM, "NEWCUSTOM", 5, CMD_NEW_CUSTOM, true, false, false, L::kNone,
     C::kTopicFirst, false, W::kCustom, D::kNewRecord, B::kHidden, M::kEditSet, false,
     CMD_TOPIC_CENTER},
    {Mode::NOTE, "NOTE", 8, CMD_NOTE, true, false, false, L::kNone, C::kTopicFirst, false,
     W::kNote, D::kSelectedRecord, B::kHidden, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::NEWNOTE, "NEWNOTE", 8, CMD_NEW_NOTE, true, false, false, L::kNone, C::kTopicFirst,
     false, W::kNote, D::kNewRecord, B::kHidden, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::SKETCH, "SKETCH", 10, CMD_SKETCH, true, false, false, L::kNone, C::kTopicFirst, false,
     W::kSketch, D::kSelectedRecord, B::kHidden, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::IMAGE, "IMAGE", 11, CMD_IMAGE_CENTER, false, false, false, L::kImageList,
     C::kImageListFilter, false, W::kNone, D::kNothing, B::kImageCenter, M::kAllOff, false,
     CMD_IMAGE_CENTER},
    {Mode::NEWIMAGE, "NEWIMAGE", 11, CMD_NEW_IMAGE, true, false, false, L::kNone, C::kTopicFirst,
     false, W::kImage, D::kNewRecord, B::kHidden, M::kEditSet, false, CMD_TOPIC_CENTER},
    {Mode::VIEWIMAGE, "VIEWIMAGE", 11, CMD_VIEW_IMAGE, true, false, false, L::kNone,
     C::kTopicTreeFilter, false, W::kImage, D::kSelectedRecord, B::kHidden, M::kEditSet, false,
     CMD_TOPIC_CENTER},
    {Mode::PREVIEWIMAGE, "PREVIEWIMAGE", 11, CMD_PREVIEW_IMAGE, false, false, false,
     L::kImageList, C::kImageListFilter, false, W::kNone, D::kNothing, B::kSelectedImageFile,
     M::kAllOff, false, CMD_IMAGE_CENTER},
    {Mode::FIND, "FIND", 14, CMD_FIND, false, false, false, L::kFindList, C::kNone, false,
     W::kFind, D::kNothing, B::kHidden, M::kAllOff, false, CMD_FIND},
};

//  back, forward, send, print group, delete all, expand/collapse, New items
constexpr MenuStateRow kMenuStates[4] = {
    {true, true, false, false, false, true, false},  // start set
    {true, true, true, true, true, true, true},      // view set (Send also needs e-mail)
    {false, false, false, false, false, true, false},  // edit set
    {false, false, false, false, false, false, false},  // all off
};

}  // namespace

const ModeRow& RowOf(Mode mode) { return kRows[static_cast<int>(mode)]; }

std::optional<Mode> ModeForCommand(uint32_t command) {
  for (const ModeRow& row : kRows)
    if (row.command == command) return row.mode;
  return std::nullopt;
}

const MenuStateRow& RowOf(MenuState state) { return kMenuStates[static_cast<int>(state)]; }

std::optional<Mode> NewRecordModeFor(uint32_t recordKind) {
  switch (recordKind) {
    case kKindTopic: return Mode::NEWTOPIC;
    case kKindNote: return Mode::NEWNOTE;
    case kKindCustom: return Mode::NEWCUSTOM;
    case kKindImage: return Mode::NEWIMAGE;
    default: return std::nullopt;
  }
}

}  // namespace quillet
