#include <gtest/gtest.h>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/UserInterface.h"
#include "desktop/db/PalmUserList.h"
#include "platform/palm/PalmUsers.h"
#include "platform/palm/UserData.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

using testing::ReadFileBytes;
using testing::TempRegistry;

void SetInstallPath(const std::string& folder) {
  CRegistryKey reg;
  reg.OpenProgramKey();
  reg.WriteValueString("InstallPath", folder);
}

TEST(PalmUserList, ListsUsersFromTheLibraryInOurLibraryFolder) {
  TempRegistry tmp;
  // The data folder is no place for libraries: it is not looked in.
  SetInstallPath(tmp.dir());
  SetProgramFileForTesting(std::string(QUILLET_BIN_DIR) + "/quillet");
  {
    CRegistryKey reg;
    reg.OpenProgramKey();
    reg.WriteValueString("LogPath", tmp.dir());
    reg.WriteValueDword("Log", 1);
  }
  StartLog();
  qplat::palm::PalmUser ann, bob;
  ASSERT_EQ(qplat::palm::AddUser("Ann", "AnnS", "", &ann), 0);
  ASSERT_EQ(qplat::palm::AddUser("Bob", "", "secret", &bob), 0);

  RecordingUI ui;
  ScopedUI scope(&ui);
  CPalmUserList list;
  ASSERT_TRUE(list.Build());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(list.userCount, 2);
  EXPECT_EQ(list.Count(), 2);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0]->index, 0);
  EXPECT_EQ(list.entries[0]->userId, ann.id);
  EXPECT_EQ(list.entries[0]->name, "Ann");
  EXPECT_EQ(list.entries[0]->folder, "AnnS/");
  EXPECT_EQ(list.entries[1]->folder, "Bob/");
  EXPECT_EQ(list.UserIdAt(1), bob.id);
  EXPECT_EQ(list.UserIdAt(2), 0u);
  EXPECT_EQ(list.NameOf(bob.id), "Bob");
  EXPECT_STREQ(list.nameBuffer, "Bob");
  EXPECT_EQ(list.FolderOf(ann.id), "AnnS/");
  EXPECT_STREQ(list.folderBuffer, "AnnS");
  EXPECT_EQ(list.NameOf(12345), "");
  EXPECT_EQ(list.IdFromPath("AnnS/"), 0u);

  // Names compare byte for byte.
  EXPECT_EQ(list.IndexByName("Bob"), 1);
  EXPECT_EQ(list.IndexByName("bob"), -1);
  EXPECT_EQ(list.IndexByName("Bob "), -1);
  EXPECT_EQ(list.UserIdByName("Ann"), ann.id);
  EXPECT_EQ(list.UserIdByName("ANN"), 0u);

  // No password: anything passes. A password: only its own text.
  EXPECT_TRUE(list.CheckPassword(ann.id, ""));
  EXPECT_TRUE(list.CheckPassword(ann.id, "whatever"));
  EXPECT_TRUE(list.CheckPassword(bob.id, "secret"));
  EXPECT_FALSE(list.CheckPassword(bob.id, ""));
  EXPECT_FALSE(list.CheckPassword(bob.id, "Secret"));
  EXPECT_FALSE(list.CheckPassword(bob.id, "secret" + std::string(26, ' ')));  // 32 bytes
  // Nobody Palm Desktop knows: no text passes, the empty one included.
  EXPECT_FALSE(list.CheckPassword(0, ""));
  EXPECT_FALSE(list.CheckPassword(12345, ""));
  EXPECT_FALSE(list.CheckPassword(12345, "secret"));
  SetLogEnabled(false);

  std::string log = ReadFileBytes(tmp.dir() + "log.txt");
  EXPECT_NE(log.find("\r\npPalmUser[0] = 0x"), std::string::npos);
  EXPECT_NE(log.find("\r\npPalmUser[1] = 0x"), std::string::npos);
  SetProgramFileForTesting("");
}

TEST(PalmUserList, MissingLibraryLeavesAnEmptyList) {
  TempRegistry tmp;
  SetInstallPath(std::string(QUILLET_DATA_DIR) + "/");
  SetProgramFileForTesting(tmp.dir() + "bin/quillet");  // no lib/quillet/libUserData.so there
  qplat::palm::PalmUser ann;
  ASSERT_EQ(qplat::palm::AddUser("Ann", "", "", &ann), 0);
  RecordingUI ui;
  ScopedUI scope(&ui);
  CPalmUserList list;
  EXPECT_FALSE(list.Build());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kUserDataLoadFailed);
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_EQ(ui.messages[0].flags, unsigned(kMbOk | kMbIconError));
  EXPECT_EQ(list.userCount, 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(list.IndexByName("Ann"), 0);  // empty list: 0, not -1
  EXPECT_EQ(list.UserIdAt(0), 0u);
  EXPECT_EQ(list.NameOf(ann.id), "");
  EXPECT_FALSE(list.CheckPassword(ann.id, ""));
  SetProgramFileForTesting("");
}

}  // namespace
}  // namespace quillet
