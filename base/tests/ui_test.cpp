#include <gtest/gtest.h>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

TEST(StringTable, KnownAndUnknownNumbers) {
  EXPECT_EQ(LoadString(IDS_SAVE_FAILED).bytes(),
               "There was an error saving the current data to the database.\n\n"
               "Check to make sure the user hasn't been deleted.");
  EXPECT_EQ(LoadString(IDS_DEFAULT_THEME).bytes(), "Show Everything.htm");
  EXPECT_EQ(LoadString(103).bytes(), "Quillet!");
  EXPECT_EQ(LoadString(0).bytes(), "");
  EXPECT_EQ(LoadString(232).bytes(), "");
  EXPECT_EQ(LoadString(99999).bytes(), "");
}

TEST(StringTable, TextsAreCodePageTextThatLivesOnAfterTheCall) {
  const CpText& first = LoadString(IDS_APP_TITLE);
  const CpText& again = LoadString(IDS_APP_TITLE);
  EXPECT_EQ(&first, &again);  // one table, made once
  EXPECT_TRUE(LoadString(99999).empty());
}

TEST(UserInterface, AnUnstorableCharacterIsNamedWithItsField) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ShowUnstorableCharacter(CpText("Note"), 0x03A9);
  ShowUnstorableCharacter(CpText("caf\xE9 name"), 0x1F600);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{IDS_UNSTORABLE_CHARACTER, IDS_UNSTORABLE_CHARACTER}));
  EXPECT_EQ(ui.messages[0].text,
            "The Note contains the character U+03A9, which the handheld cannot store.\n"
            "Please remove or replace it and try again.");
  // The field's name is code-page text and goes in as its bytes.
  EXPECT_EQ(ui.messages[1].text.rfind("The caf\xE9 name contains the character U+1F600,", 0), 0u);
  EXPECT_EQ(ui.messages[0].flags & kMbIconMask, unsigned(kMbIconExclamation));
}

TEST(UserInterface, RecordingFormSeesMessagesAndAnswersFromItsQueue) {
  RecordingUI ui;
  ui.messageAnswers = {kIdYes};
  {
    ScopedUI scope(&ui);
    EXPECT_EQ(ShowStringMessage(IDS_DELETE_ALL, kCaption, kMbYesNo | kMbIconExclamation), kIdYes);
    EXPECT_EQ(ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbOk), kIdOk);
  }
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{189, 231}));
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_TRUE(ui.Showed(231));
  EXPECT_FALSE(ui.Showed(240));
  // Outside the scope the quiet form answers, and the recording form hears nothing.
  ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbOk);
  EXPECT_EQ(ui.messages.size(), 2u);
}

TEST(UserInterface, EmptyQueuesMeanCancel) {
  RecordingUI ui;
  std::string s;
  EXPECT_FALSE(ui.ChooseOpenFile({}, &s));
  EXPECT_FALSE(ui.AskPassword(543, &s));
  EXPECT_EQ(ui.dialogs, std::vector<int>{543});
  ui.passwords = {"secret"};
  EXPECT_TRUE(ui.AskPassword(543, &s));
  EXPECT_EQ(s, "secret");
}

}  // namespace
}  // namespace quillet
