// Outside actions the person asked for: passed to the desktop, and when it
// cannot, a box that says so and what to do.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/shell/Desktop.h"
#include "testing/RecordingDesktop.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

class OutsideActions : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quillet-desktop-XXXXXX";
    dir_ = std::string(::mkdtemp(tmpl)) + "/";
    std::ofstream(dir_ + "Show Everything.htm") << "<html></html>";
  }
  void TearDown() override {
    SetDesktop(previous_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const MessageRequest& OnlyMessage() {
    EXPECT_EQ(ui_.messages.size(), 1u);
    static const MessageRequest none;
    return ui_.messages.empty() ? none : ui_.messages.back();
  }

  std::string dir_;
  RecordingUI ui_;
  ScopedUI scope_{&ui_};
  RecordingDesktop desktop_;
  IDesktop* previous_ = SetDesktop(&desktop_);
};

TEST_F(OutsideActions, WhatTheDesktopTakesIsToldNothing) {
  const std::string theme = dir_ + "Show Everything.htm";
  EXPECT_TRUE(EditThemeOrTell(theme, false));
  EXPECT_TRUE(EditThemeOrTell(theme, true));
  EXPECT_TRUE(OpenPathOrTell(dir_));
  EXPECT_TRUE(OpenAddressOrTell("https://example.org/help"));
  EXPECT_EQ(desktop_.requests, (std::vector<RecordingDesktop::Request>{{"edit", theme},
                                                                       {"plain", theme},
                                                                       {"open", dir_},
                                                                       {"address", "https://example.org/help"}}));
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(OutsideActions, EachFailureSaysWhatFailedAndWhatToDo) {
  desktop_.answer = false;
  const std::string theme = dir_ + "Show Everything.htm";
  EXPECT_FALSE(EditThemeOrTell(theme, false));
  const MessageRequest editor = OnlyMessage();
  EXPECT_EQ(editor.caption, kCaption);
  EXPECT_EQ(editor.flags, kMbOk | kMbIconExclamation);
  EXPECT_NE(editor.text.find("could not be opened in a text editor:\n\n" + theme + "\n\n"), std::string::npos);
  EXPECT_NE(editor.text.find("default application for plain text"), std::string::npos);

  ui_.messages.clear();
  EXPECT_FALSE(EditThemeOrTell(dir_ + "gone.htm", true));
  EXPECT_NE(OnlyMessage().text.find("does not exist"), std::string::npos);
  EXPECT_NE(OnlyMessage().text.find("Reset All"), std::string::npos);

  ui_.messages.clear();
  EXPECT_FALSE(OpenPathOrTell(dir_));
  EXPECT_EQ(OnlyMessage().text.rfind("The folder could not be opened:\n\n" + dir_, 0), 0u);
  EXPECT_NE(OnlyMessage().text.find("file manager"), std::string::npos);

  ui_.messages.clear();
  EXPECT_FALSE(OpenPathOrTell(theme));
  EXPECT_EQ(OnlyMessage().text.rfind("The file could not be opened:", 0), 0u);

  ui_.messages.clear();
  EXPECT_FALSE(OpenPathOrTell(dir_ + "no such folder/"));
  EXPECT_EQ(OnlyMessage().text.rfind("The folder could not be opened because it does not exist", 0), 0u);

  ui_.messages.clear();
  EXPECT_FALSE(OpenAddressOrTell("https://example.org/caf\xc3\xa9"));
  // The address as it is: messages are UTF-8.
  EXPECT_NE(OnlyMessage().text.find("https://example.org/caf\xc3\xa9\n\n"), std::string::npos);
  EXPECT_NE(OnlyMessage().text.find("web browser"), std::string::npos);
}

// The terminal editor is the last resort only; a graphical editor comes
// from QUILLET_TEXT_EDITOR, never from VISUAL (often a terminal program).
TEST_F(OutsideActions, EditorSettingsAreReadByKind) {
  ::setenv("QUILLET_TEXT_EDITOR", "my-editor --new", 1);
  ::setenv("VISUAL", "vim", 1);
  ::setenv("EDITOR", "nano", 1);
  EXPECT_EQ(PlainTextEditor(), "my-editor --new");
  EXPECT_EQ(TerminalEditor(), "vim");
  ::unsetenv("VISUAL");
  EXPECT_EQ(TerminalEditor(), "nano");
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", dir_.c_str(), 1);  // no editor on it
  ::unsetenv("QUILLET_TEXT_EDITOR");
  EXPECT_EQ(PlainTextEditor(), "");
  ::setenv("PATH", path.c_str(), 1);
  ::unsetenv("EDITOR");
  EXPECT_EQ(TerminalEditor(), "");
}

}  // namespace
}  // namespace quillet
