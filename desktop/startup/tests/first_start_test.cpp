#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/RegistryKey.h"
#include "desktop/startup/FirstStart.h"
#include "platform/palm/PalmSetup.h"
#include "platform/palm/PalmUsers.h"
#include "platform/paths/ProgramPaths.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempRegistry;

std::string Read(const std::string& key, const char* name) {
  CRegistryKey reg;
  if (reg.OpenExistingKey(key) != 0) return "<no key>";
  std::string v;
  return reg.ReadValueString(name, &v, kTextBufferSize) == 0 ? v : "<missing>";
}

std::vector<qplat::palm::PalmUser> Users() {
  std::vector<qplat::palm::PalmUser> users;
  EXPECT_EQ(qplat::palm::ListUsers(&users), 0);
  return users;
}

TEST(FirstStart, PalmUserNamesAreKeptInTheCodePage) {
  EXPECT_EQ(PalmUserNameFor("J\xC3\xB6rg M\xC3\xBCller", "joerg"), "J\xF6rg M\xFCller");
  // A full name the code page cannot hold: the login name.
  EXPECT_EQ(PalmUserNameFor("\xE6\x9D\x8E\xE5\x9B\x9B", "li"), "li");
  EXPECT_EQ(PalmUserNameFor("", "ann"), "ann");
  EXPECT_EQ(PalmUserNameFor("Tab\tName", "tab"), "tab");  // no control characters
  EXPECT_EQ(PalmUserNameFor(std::string(200, 'a'), "long"), "long");
  EXPECT_EQ(PalmUserNameFor("", ""), "User");
  EXPECT_EQ(PalmUserNameFor("\xFF\xFE", "\xC0"), "User");  // neither is UTF-8
}

TEST(FirstStart, AnAccountWithoutPalmDesktopGetsItsLoginUser) {
  TempRegistry tmp;
  PalmSetup done;
  ASSERT_EQ(SetUpPalmDesktopIfMissing(&done), PalmSetupResult::kSetUp);
  const std::string data = tmp.dir() + "data/palm-desktop";
  EXPECT_EQ(done.dataFolder, data);
  EXPECT_EQ(Read(kPalmCoreKey, "Path"), data);
  EXPECT_EQ(Read(kPalmCoreKey, "HotSyncPath"), qplat::LibraryFolder() + "HotSync");
  // The add-on entry the configuration pass registers the program in.
  CRegistryKey addon;
  ASSERT_EQ(addon.OpenExistingKey(std::string(kPalmDesktopKey) + "\\Quillet"), 0);
  uint32_t creator = 0;
  addon.ReadValueDword("Creator", &creator);
  EXPECT_EQ(creator, 0x514C544Eu);

  auto users = Users();
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0].name, done.userName);
  EXPECT_EQ(done.userName, PalmUserNameFor(AccountFullName(), ""));
  EXPECT_FALSE(users[0].hasPassword);
  EXPECT_EQ(done.userFolder, data + "/" + users[0].folder);
  EXPECT_TRUE(fs::is_directory(done.userFolder));
  // An empty store, so no "Please Hotsync" comes up where there is no HotSync.
  EXPECT_EQ(fs::file_size(done.userFolder + "/Quillet/quillet.dat"), 66u);
  EXPECT_EQ(Read(kPalmPreferencesKey, "LastUserName"), done.userName);

  const std::string message = PalmSetUpMessage(done);
  EXPECT_NE(message.find("\"" + done.userName + "\""), std::string::npos) << message;
  EXPECT_NE(message.find(done.userFolder + "/Quillet"), std::string::npos) << message;
  EXPECT_NE(message.find("quillet.dat"), std::string::npos) << message;

  // Said once: the next start finds Palm Desktop set up and adds nobody.
  PalmSetup again;
  EXPECT_EQ(SetUpPalmDesktopIfMissing(&again), PalmSetupResult::kAlreadySetUp);
  EXPECT_EQ(Users().size(), 1u);
}

TEST(FirstStart, ExistingPalmDesktopDataIsLeftAlone) {
  TempRegistry tmp;
  const std::string palm = tmp.MakeDir("Palm");
  {
    CRegistryKey core;
    core.OpenKey(kPalmCoreKey);
    core.WriteValueString("Path", palm);
  }
  EXPECT_EQ(SetUpPalmDesktopIfMissing(nullptr), PalmSetupResult::kAlreadySetUp);
  EXPECT_TRUE(Users().empty());  // no users stays no users
  EXPECT_EQ(Read(kPalmCoreKey, "HotSyncPath"), "<missing>");
  EXPECT_FALSE(fs::exists(tmp.dir() + "data/palm-desktop"));
}

TEST(FirstStart, AFolderThatCannotBeMadeSetsNothingUp) {
  TempRegistry tmp;
  { std::ofstream(tmp.dir() + "data") << "a file where the data folder belongs"; }
  EXPECT_EQ(SetUpPalmDesktopIfMissing(nullptr), PalmSetupResult::kFailed);
  EXPECT_EQ(Read(kPalmCoreKey, "Path"), "<no key>");
  EXPECT_TRUE(Users().empty());
}

TEST(FirstStart, FolderNamesAreShownAsTheyAreAndBytesThatAreNoTextByValue) {
  PalmSetup done;
  done.userName = "Ann";
  done.userFolder = "/home/\xE6\x9D\x8E/palm/Ann";  // messages are UTF-8: any script shows
  std::string message = PalmSetUpMessage(done);
  EXPECT_NE(message.find("\"Ann\""), std::string::npos);
  EXPECT_NE(message.find("/home/\xE6\x9D\x8E/palm/Ann/Quillet"), std::string::npos) << message;
  done.userFolder = "/home/\xFF/palm/Ann";  // a name that is no UTF-8
  message = PalmSetUpMessage(done);
  EXPECT_NE(message.find("/home/<0xFF>/palm/Ann/Quillet"), std::string::npos) << message;
}

}  // namespace
}  // namespace quillet
