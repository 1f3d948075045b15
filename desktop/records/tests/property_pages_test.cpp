#include <gtest/gtest.h>

#include <filesystem>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "desktop/records/PropertyPages.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"
#include "testing/TempRegistry.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::ReadFileBytes;
using testing::StoreFixture;

std::string ReadString(const std::string& subkey, const char* name) {
  CRegistryKey key;
  key.OpenProgramKey(subkey);
  std::string v;
  return key.ReadValueString(name, &v, kTextBufferSize) == 0 ? v : "<missing>";
}

TEST(PropertyPages, AuthorDetailsGoToTheUsersKeyCutTo259) {
  StoreFixture f;
  AuthorDetails details{CpText(std::string(300, 'n')), "Editor"_cp, "ann@example.org"_cp, "555 0100"_cp};
  WriteAuthorDetails(details);
  EXPECT_EQ(ReadString("Ann/", "Author"), std::string(259, 'n'));
  EXPECT_EQ(ReadString("Ann/", "Email"), "ann@example.org");
  AuthorDetails back = ReadAuthorDetails();
  EXPECT_EQ(back.name, CpText(std::string(259, 'n')));
  EXPECT_EQ(back.title, "Editor"_cp);
  EXPECT_EQ(back.phone, "555 0100"_cp);
}

TEST(PropertyPages, DefaultUserPageSelectsTheCurrentFolderAndShowsItsPath) {
  StoreFixture f;
  CUserTable table;
  table.entries = {{0, 0, "Bob", "Bob/"}, {1, 1, "Ann", "Ann/"}};
  SetUserTable(&table);
  DefaultUserChoice choice = ReadDefaultUserChoice();
  EXPECT_EQ(choice.names, (std::vector<std::string>{"Bob", "Ann"}));
  EXPECT_EQ(choice.selected, 1);
  // The folder that holds Ann's records, as it is on disk.
  EXPECT_EQ(UserPathText(1), f.output);
  EXPECT_TRUE(std::filesystem::is_directory(UserPathText(1)));
  EXPECT_EQ(UserPathText(0), "Bob/");  // Bob has no "OutputPath"
  EXPECT_EQ(UserPathText(5), "");
  SetUserTable(nullptr);
  EXPECT_TRUE(ReadDefaultUserChoice().names.empty());
}

TEST(PropertyPages, ApplyingTheLoggingPageRestartsTheLogThenSwitchesIt) {
  StoreFixture f;
  std::string install = f.registry.MakeDir("install");
  std::string logs = f.registry.MakeDir("logs");
  {
    CRegistryKey key;
    key.OpenProgramKey();
    key.WriteValueString("InstallPath", install);
    key.WriteValueDword("Log", 0);
  }
  StartLog();
  // A folder typed without its separator still means that folder.
  ApplyLoggingChoice({true, logs.substr(0, logs.size() - 1)});
  EXPECT_EQ(ReadString("", "LogPath"), logs);
  LoggingChoice now = ReadLoggingChoice();
  EXPECT_TRUE(now.enabled);
  EXPECT_EQ(now.folder, logs);
  // Switched on: the log begins at once in the chosen folder (nothing is
  // ever written beside the program's data).
  EXPECT_EQ(LogFilePath(), logs + "log.txt");
  LogLine("after apply");
  const std::string log = ReadFileBytes(logs + "log.txt");
  EXPECT_EQ(log.rfind("*** LOG START ***\r\n", 0), 0u) << log;
  EXPECT_NE(log.find("after apply\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(install + "log.txt"));

  ApplyLoggingChoice({false, logs});
  EXPECT_EQ(LogFilePath(), logs + "log.txt");
  EXPECT_FALSE(LogEnabled());
  EXPECT_FALSE(ReadLoggingChoice().enabled);
}

TEST(PropertyPages, BrowseAddsTheSeparatorAndCancelChangesNothing) {
  StoreFixture f;
  std::string folder = "unchanged";
  EXPECT_FALSE(BrowseLogFolder(&folder));
  EXPECT_EQ(folder, "unchanged");
  f.ui.folders = {"/home/ann/logs"};
  EXPECT_TRUE(BrowseLogFolder(&folder));
  EXPECT_EQ(folder, "/home/ann/logs/");
}

}  // namespace
}  // namespace quillet
