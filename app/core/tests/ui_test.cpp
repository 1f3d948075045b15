#include <gtest/gtest.h>

#include "app/core/Strings.h"
#include "app/core/UserInterface.h"

namespace quillet {
namespace {

TEST(StringTable, KnownAndUnknownNumbers) {
  EXPECT_STREQ(LoadString(IDS_SAVE_FAILED),
               "There was an error saving the current data to the database.\n\n"
               "Check to make sure the user hasn't been deleted.");
  EXPECT_STREQ(LoadString(IDS_DEFAULT_THEME), "Show Everything.htm");
  EXPECT_STREQ(LoadString(103), "Quillet!");
  EXPECT_STREQ(LoadString(0), "");
  EXPECT_STREQ(LoadString(232), "");
  EXPECT_STREQ(LoadString(99999), "");
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
