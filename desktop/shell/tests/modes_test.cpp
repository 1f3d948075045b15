#include <gtest/gtest.h>

#include <set>

#include "desktop/shell/Commands.h"
#include "desktop/shell/Menus.h"
#include "desktop/shell/Modes.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

TEST(Modes, EveryModeIsEnteredByItsOwnCommandAndRoundTrips) {
  std::set<uint32_t> commands;
  for (int i = 0; i < kModeCount; ++i) {
    const ModeRow& row = RowOf(static_cast<Mode>(i));
    EXPECT_EQ(static_cast<int>(row.mode), i) << row.name;
    EXPECT_TRUE(commands.insert(row.command).second) << "command used twice: " << row.command;
    auto back = ModeForCommand(row.command);
    ASSERT_TRUE(back.has_value()) << row.name;
    EXPECT_EQ(*back, row.mode);
  }
  EXPECT_FALSE(ModeForCommand(CMD_PRINT).has_value());
  // Shared numbers name the main view: the image modes are all 11, the
  // reference modes 5.
  EXPECT_EQ(RowOf(Mode::NEWCUSTOM).number, 5u);
  EXPECT_EQ(RowOf(Mode::PREVIEWIMAGE).number, 11u);
  EXPECT_EQ(RowOf(Mode::FIND).number, 14u);
  EXPECT_STREQ(RowOf(Mode::VIEWTOPIC).name, "VIEWTOPIC");
}

TEST(Modes, EditsOfAGoneRecordComeBackInTheNewRecordModeOfItsKind) {
  EXPECT_EQ(NewRecordModeFor(kKindTopic), Mode::NEWTOPIC);
  EXPECT_EQ(NewRecordModeFor(kKindNote), Mode::NEWNOTE);
  EXPECT_EQ(NewRecordModeFor(kKindCustom), Mode::NEWCUSTOM);
  EXPECT_EQ(NewRecordModeFor(kKindImage), Mode::NEWIMAGE);
  EXPECT_EQ(NewRecordModeFor(kKindCategory), std::nullopt);
  // Each opens the window of its kind with a new record.
  for (uint32_t kind : {kKindTopic, kKindNote, kKindCustom})
    EXPECT_EQ(RowOf(*NewRecordModeFor(kind)).load, WindowLoad::kNewRecord) << kind;
}

TEST(Modes, NewDropDownIsOnOnlyWhileViewingOrEditingATopic) {
  for (int i = 0; i < kModeCount; ++i) {
    const ModeRow& row = RowOf(static_cast<Mode>(i));
    bool on = row.newDropDownOn || RowOf(row.menu).newItems;
    bool expected = row.mode == Mode::VIEWTOPIC || row.mode == Mode::EDITTOPIC;
    EXPECT_EQ(on, expected) << row.name;
  }
}

TEST(Modes, OnlyTheStartAndViewSetsAllowBackAndForward) {
  for (MenuState s : {MenuState::kStartSet, MenuState::kViewSet})
    EXPECT_TRUE(RowOf(s).back && RowOf(s).forward);
  for (MenuState s : {MenuState::kEditSet, MenuState::kAllOff})
    EXPECT_FALSE(RowOf(s).back || RowOf(s).forward || RowOf(s).printGroup);
  EXPECT_FALSE(RowOf(MenuState::kAllOff).expandCollapse);
  EXPECT_FALSE(RowOf(MenuState::kStartSet).send);
}

TEST(Menus, ResourcesHoldTheirCommandsAndShareTheNewItems) {
  const MenuItem& main = MenuResource(101);
  ASSERT_EQ(main.children.size(), 6u);
  EXPECT_EQ(main.children[0].text, "&File"_cp);
  EXPECT_EQ(main.children[5].text, "&Help"_cp);
  const MenuItem* priv = FindMenuItem(main, CMD_PRIVATE);
  ASSERT_NE(priv, nullptr);
  EXPECT_EQ(priv->text, "Show &Private Records"_cp);
  EXPECT_EQ(FindMenuItem(main, CMD_DUPLICATE), nullptr);

  // The topic item's New submenu holds exactly the drop-down's items.
  const MenuItem& topic = MenuResource(323);
  ASSERT_FALSE(topic.children.empty());
  for (uint32_t c : NewDropDownCommands()) {
    EXPECT_NE(FindMenuItem(MenuResource(321), c), nullptr) << c;
    EXPECT_NE(FindMenuItem(topic.children[0], c), nullptr) << c;
  }
  EXPECT_NE(FindMenuItem(topic, CMD_RESET_ALL), nullptr);
  EXPECT_TRUE(MenuResource(999).children.empty());
}

TEST(Menus, ToolbarHasNineButtonsAndThreeInTheCheckGroup) {
  const auto& buttons = ToolbarButtons();
  ASSERT_EQ(buttons.size(), 9u);
  int checks = 0;
  for (const auto& b : buttons) checks += b.kind == ToolButtonKind::kCheckGroup;
  EXPECT_EQ(checks, 3);
  EXPECT_EQ(buttons[0].kind, ToolButtonKind::kDropDown);
  EXPECT_EQ(buttons[0].command, CMD_NEW_TOPIC);
  EXPECT_FALSE(buttons[4].textShown);  // Forward: image only
}

}  // namespace
}  // namespace quillet
