#include <sys/stat.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/startup/Startup.h"
#include "platform/files/SafeFiles.h"
#include "platform/palm/PalmUsers.h"
#include "platform/palm/UserData.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempRegistry;

class FixedScreen : public IScreenMetrics {
 public:
  FixedScreen(int w, int h) : size_{w, h} {}
  ScreenSize FullScreenClientSize() const override { return size_; }

 private:
  ScreenSize size_;
};

// A machine with Palm Desktop set up: a Palm data folder, an installed
// program (prefix/bin/quillet, the user library in prefix/lib/quillet/, the
// data folder prefix/share/quillet/), and the users the test adds.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = tmp_.MakeDir("prefix");
    install_ = tmp_.MakeDir("prefix/share/quillet");
    palm_ = tmp_.MakeDir("Palm");
    palm_.pop_back();  // Palm's "Path" is stored without its separator
    fs::create_directories(prefix_ + "lib/quillet");
    fs::create_symlink(std::string(QUILLET_LIB_DIR) + "/libUserData.so", Library());
    SetProgramFileForTesting(prefix_ + "bin/quillet");
    previous_screen_ = SetScreenMetrics(&screen_);
    previous_ui_ = SetUI(&ui_);
    CRegistryKey reg;
    reg.OpenKey(kPalmCoreKey);
    reg.WriteValueString("Path", palm_);
    reg.OpenKey(std::string(kPalmDesktopKey) + "\\Quillet");
    reg.WriteValueDword("Creator", 0x514C544E);
  }
  void TearDown() override {
    DeleteCurrentStore();
    SetProgramFileForTesting("");
    SetScreenMetrics(previous_screen_);
    SetUI(previous_ui_);
  }
  void AddUser(const std::string& name, const std::string& folder) {
    ASSERT_EQ(qplat::palm::AddUser(name, folder, "", nullptr), 0);
  }
  std::string Str(const std::string& key, const char* name) {
    CRegistryKey reg;
    reg.OpenKey(key);
    std::string v;
    return reg.ReadValueString(name, &v, kTextBufferSize) == 0 ? v : "<missing>";
  }
  int64_t Num(const std::string& key, const char* name) {
    CRegistryKey reg;
    reg.OpenKey(key);
    uint32_t v = 0;
    return reg.ReadValueDword(name, &v) == 0 ? static_cast<int32_t>(v) : -1;
  }
  void SetStr(const std::string& key, const char* name, const std::string& v) {
    CRegistryKey reg;
    reg.OpenKey(key);
    reg.WriteValueString(name, v);
  }
  void SetNum(const std::string& key, const char* name, uint32_t v) {
    CRegistryKey reg;
    reg.OpenKey(key);
    reg.WriteValueDword(name, v);
  }

  std::string Library() const { return prefix_ + "lib/quillet/libUserData.so"; }
  std::string Themes() const { return tmp_.dir() + "data/quillet/themes/"; }

  TempRegistry tmp_;
  std::string prefix_, install_, palm_;
  FixedScreen screen_{1024, 740};
  IScreenMetrics* previous_screen_ = nullptr;
  RecordingUI ui_;
  IUserInterface* previous_ui_ = nullptr;
};

TEST_F(StartupTest, FirstRunWithTwoUsersWhereLastUsernameNamesTheSecond) {
  AddUser("Ann", "AnnS");
  AddUser("Bob", "Bob");
  SetStr(ProgramKey, "LastUsername", "Bob");

  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(true));

  // Program key.
  EXPECT_EQ(Str(ProgramKey, "InstallPath"), install_);
  EXPECT_EQ(AppPaths.installFolder, install_);
  EXPECT_EQ(Str(ProgramKey, "Version"), "1.1.0");
  EXPECT_EQ(Str(ProgramKey, "LastUsername"), "Bob");
  EXPECT_EQ(Str(ProgramKey, "LogPath"), tmp_.dir() + "state/quillet/");
  EXPECT_EQ(Num(ProgramKey, "Log"), 0);
  EXPECT_EQ(Str(ProgramKey, "HelpPath"), kHelpWebAddress);  // no help/index.html here
  EXPECT_EQ(Str(ProgramKey, "UserPath"), "<missing>");      // only SelectUser writes it

  // The table, in Palm's order, with only Bob current.
  ASSERT_EQ(table.entries.size(), 2u);
  EXPECT_EQ(table.entries[0].name, "Ann");
  EXPECT_EQ(table.entries[0].folder, "AnnS/");
  EXPECT_EQ(table.entries[0].is_current, 0);
  EXPECT_EQ(table.entries[1].index, 1);
  EXPECT_EQ(table.entries[1].is_current, 1);
  std::string folder;
  EXPECT_EQ(table.FindCurrentUser(&folder), 1);
  EXPECT_EQ(folder, "Bob/");
  EXPECT_EQ(Str(UserKey("Bob/"), "UserPath"), "Bob/");
  EXPECT_EQ(Str(UserKey("AnnS/"), "UserPath"), "<missing>");

  for (const auto& [name, f] : {std::pair<std::string, std::string>{"Ann", "AnnS/"}, {"Bob", "Bob/"}}) {
    SCOPED_TRACE(name);
    std::string key = UserKey(f);
    std::string output = palm_ + "/" + f + "Quillet/";
    EXPECT_EQ(Str(key, "OutputPath"), output);
    EXPECT_TRUE(fs::is_directory(output));
    EXPECT_EQ(Str(key, "DatabasePath"), f);
    EXPECT_EQ(Str(key, "Author"), name);
    EXPECT_EQ(Num(key, "Private"), 0);
    EXPECT_EQ(Str(key, "TemplatePath"), Themes());
    EXPECT_EQ(Str(key, "LastTemplate"), "Show Everything.htm");
    EXPECT_EQ(Num(key, "x"), 102);
    EXPECT_EQ(Num(key, "y"), 74);
    EXPECT_EQ(Num(key, "w"), 819);
    EXPECT_EQ(Num(key, "h"), 592);
  }
  // After the loop AppPaths holds the last user's values.
  EXPECT_EQ(AppPaths.outputFolder, palm_ + "/Bob/Quillet/");
  EXPECT_EQ(AppPaths.templateFolder, Themes());
  EXPECT_TRUE(fs::is_directory(Themes()));

  // Bob's store was opened: a new user, so the Hotsync dialog and a fresh file.
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(pDB->path(), palm_ + "/Bob/Quillet/quillet.dat");
  EXPECT_EQ(ui_.dialogs, std::vector<int>{371});
  EXPECT_FALSE(fs::exists(palm_ + "/AnnS/Quillet/quillet.dat"));

  // The first run registered the add-on.
  std::string addon = std::string(kPalmDesktopKey) + "\\Quillet";
  EXPECT_EQ(Num(addon, "Integrate"), 1);
  EXPECT_EQ(Str(addon, "Name"), "Quillet!");
  EXPECT_EQ(Str(addon, "Module"), prefix_ + "bin/quillet");
}

// Another local user must not read the records: the folders that hold them
// are taken back to 0700 where they still have the old default modes, and
// a folder the person opened is named in one warning.
TEST_F(StartupTest, RecordFoldersAreMadePrivateAndOpenOnesAreToldOnce) {
  AddUser("Ann", "Ann");
  AddUser("Bob", "Bob");
  const std::string ann = palm_ + "/Ann/", bob = palm_ + "/Bob/";
  fs::create_directories(ann + "Quillet");
  fs::create_directories(bob + "Quillet");
  for (const std::string& f : {palm_, ann, ann + "Quillet/", bob})
    ASSERT_EQ(::chmod(f.c_str(), 0755), 0) << f;
  ASSERT_EQ(::chmod((bob + "Quillet/").c_str(), 0750), 0);  // as the person set it
  auto mode = [](const std::string& f) {
    struct stat st;
    return ::stat(f.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  };

  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(true));
  for (const std::string& f : {palm_, ann, ann + "Quillet/", bob}) EXPECT_EQ(mode(f), 0700u) << f;
  EXPECT_EQ(mode(bob + "Quillet/"), 0750u);
  EXPECT_EQ(mode(Themes()), 0700u);
  ASSERT_EQ(ui_.MessageIds(), std::vector<int>{252});
  const std::string& text = ui_.messages[0].text;
  EXPECT_NE(text.find("\n\n" + bob + "Quillet/\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(ann), std::string::npos) << text;
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconExclamation);

  // Once a run: the next pass says nothing more about that folder, but a
  // newly opened one is told.
  ASSERT_TRUE(table.PrepareConfiguration(false));
  EXPECT_EQ(ui_.MessageIds(), std::vector<int>{252});
  ASSERT_EQ(::chmod(ann.c_str(), 0701), 0);
  ASSERT_TRUE(table.PrepareConfiguration(false));
  ASSERT_EQ(ui_.MessageIds(), (std::vector<int>{252, 252}));
  EXPECT_NE(ui_.messages[1].text.find(ann + "\n"), std::string::npos);
  EXPECT_EQ(ui_.messages[1].text.find(bob), std::string::npos);
}

// `command` run as another local account ("nobody", uid 65534); its exit
// status.
int RunAsOtherUser(const std::string& command) {
  const std::string line = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c '" + command + "' 2>/dev/null";
  return std::system(line.c_str());
}

// Another account on the same machine must read neither the store nor the
// pictures: checked as such an account, where this machine lets a test
// become another user.
TEST_F(StartupTest, AnotherLocalUserCannotReadTheRecordsOrTheirFiles) {
  if (::geteuid() != 0 || std::system("command -v setpriv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs root and setpriv to act as a second account";
  // Everything above the Palm data folder may be passed through, as a
  // home folder of a default install is; the data folder itself as the
  // person set it (entered, not listed).
  ASSERT_EQ(::chmod(tmp_.dir().c_str(), 0711), 0);
  ASSERT_EQ(::chmod(palm_.c_str(), 0711), 0);
  std::ofstream(tmp_.dir() + "open.txt") << "anyone";
  ASSERT_EQ(::chmod((tmp_.dir() + "open.txt").c_str(), 0644), 0);
  ASSERT_EQ(RunAsOtherUser("cat " + tmp_.dir() + "open.txt >/dev/null"), 0)
      << "the other account cannot read even an open file: the check below would prove nothing";

  AddUser("Ann", "Ann");
  const std::string ann = palm_ + "/Ann/";
  fs::create_directories(ann);
  ASSERT_EQ(::chmod(ann.c_str(), 0755), 0);  // as the Palm Desktop stand-in made it
  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(true));
  const std::string output = ann + "Quillet/";
  ASSERT_TRUE(fs::exists(output + "quillet.dat"));
  ASSERT_EQ(ReplaceFileContents(output + "8122026421234.jpg", "private picture"), 0);

  EXPECT_NE(RunAsOtherUser("ls " + ann), 0);
  EXPECT_NE(RunAsOtherUser("cat " + output + "quillet.dat >/dev/null"), 0);
  EXPECT_NE(RunAsOtherUser("cat " + output + "8122026421234.jpg >/dev/null"), 0);
  // A picture stays the user's even where the person opened the folders.
  ASSERT_EQ(::chmod(ann.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(output.c_str(), 0755), 0);
  EXPECT_EQ(RunAsOtherUser("ls " + output + " >/dev/null"), 0);
  EXPECT_NE(RunAsOtherUser("cat " + output + "8122026421234.jpg >/dev/null"), 0);
}

TEST_F(StartupTest, LaterRunsKeepValuesThatAreSetAndFillOnlyEmptyOnes) {
  AddUser("Ann", "Ann");
  SetStr(std::string(kPalmPreferencesKey), "LastUserName", "Ann");
  SetNum(ProgramKey, "Log", 1);
  SetStr(ProgramKey, "LogPath", "/var/log/q/");
  std::string key = UserKey("Ann/");
  SetNum(key, "Private", 1);
  SetStr(key, "Author", "A. Writer");
  SetStr(key, "LastTemplate", "Notebook.htm");
  SetNum(key, "x", 5);
  SetNum(key, "w", 900);
  fs::create_directories(install_ + "help");
  { std::ofstream(install_ + "help/index.html") << "<html></html>"; }

  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(false));
  // Empty "LastUsername": taken from Palm's "LastUserName".
  EXPECT_EQ(Str(ProgramKey, "LastUsername"), "Ann");
  EXPECT_EQ(table.entries.at(0).is_current, 1);
  EXPECT_EQ(Num(ProgramKey, "Log"), 1);
  EXPECT_EQ(Str(ProgramKey, "LogPath"), "/var/log/q/");
  EXPECT_EQ(AppPaths.logFolder, "/var/log/q/");
  EXPECT_EQ(Str(ProgramKey, "HelpPath"), install_ + "help/index.html");
  EXPECT_EQ(Num(key, "Private"), 1);
  EXPECT_EQ(Str(key, "Author"), "A. Writer");
  EXPECT_EQ(Str(key, "LastTemplate"), "Notebook.htm");
  // 80% of 1024 x 740 is big enough: the stored placement stays.
  EXPECT_EQ(Num(key, "x"), 5);
  EXPECT_EQ(Num(key, "w"), 900);
  // The add-on is only registered on the first run.
  EXPECT_EQ(Num(std::string(kPalmDesktopKey) + "\\Quillet", "Integrate"), -1);

  // A small screen: the default placement is written again.
  FixedScreen small(800, 600);
  SetScreenMetrics(&small);
  ASSERT_TRUE(table.PrepareConfiguration(false));
  EXPECT_EQ(Num(key, "x"), 80);
  EXPECT_EQ(Num(key, "y"), 60);
  EXPECT_EQ(Num(key, "w"), 640);
  EXPECT_EQ(Num(key, "h"), 480);
  SetScreenMetrics(&screen_);
}

TEST_F(StartupTest, ARemovedLastUserStartsWithTheFirstUser) {
  AddUser("Ann", "Ann");
  AddUser("Bob", "Bob");
  SetStr(ProgramKey, "LastUsername", "Carl");
  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(false));
  EXPECT_EQ(table.entries[0].is_current, 1);
  EXPECT_EQ(table.entries[1].is_current, 0);
  EXPECT_EQ(pDB->path(), palm_ + "/Ann/Quillet/quillet.dat");
}

TEST_F(StartupTest, NoUsersOrNoLibraryMeansNoStore) {
  CUserTable table;
  EXPECT_FALSE(table.PrepareConfiguration(false));
  EXPECT_EQ(table.failure(), StartFailure::kNoPalmUsers);
  EXPECT_TRUE(table.entries.empty());
  std::string folder = "x";
  EXPECT_EQ(table.FindCurrentUser(&folder), 0);
  EXPECT_EQ(folder, "");
  EXPECT_FALSE(table.SelectUser(0, nullptr).has_value());

  AddUser("Ann", "Ann");
  fs::remove(Library());
  EXPECT_FALSE(table.PrepareConfiguration(false));
  EXPECT_EQ(pDB, nullptr);
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_EQ(ui_.messages.back().text, kUserDataLoadFailed);
}

TEST_F(StartupTest, WithoutPalmDesktopsDataFolderNothingIsOpenedOrWrittenForTheUsers) {
  AddUser("Ann", "Ann");
  SetStr(kPalmCoreKey, "Path", "");
  CUserTable table;
  EXPECT_FALSE(table.PrepareConfiguration(true));
  EXPECT_EQ(table.failure(), StartFailure::kNoPalmDataFolder);
  EXPECT_EQ(pDB, nullptr);
  // No output folder at the root of the file system, no "Please Hotsync".
  EXPECT_EQ(Str(std::string(ProgramKey) + "Ann/", "OutputPath"), "<missing>");
  EXPECT_TRUE(ui_.dialogs.empty());
  EXPECT_TRUE(ui_.messages.empty());

  // With the folder set up again the next start opens the store.
  SetStr(kPalmCoreKey, "Path", palm_);
  EXPECT_TRUE(table.PrepareConfiguration(false));
  EXPECT_EQ(table.failure(), StartFailure::kNone);
  EXPECT_EQ(pDB->path(), palm_ + "/Ann/Quillet/quillet.dat");
}

TEST_F(StartupTest, SelectUserSwitchesTheCurrentUserAndItsPaths) {
  AddUser("Ann", "AnnS");
  AddUser("Bob", "Bob");
  SetStr(ProgramKey, "LastUsername", "Bob");
  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(false));
  std::string name;
  std::optional<std::string> folder = table.SelectUser(0, &name);
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(*folder, "AnnS/");
  EXPECT_EQ(name, "Ann");
  EXPECT_EQ(table.entries[0].is_current, 1);
  EXPECT_EQ(table.entries[1].is_current, 0);
  EXPECT_EQ(Str(ProgramKey, "UserPath"), "AnnS/");
  EXPECT_EQ(Str(ProgramKey, "LastUsername"), "Ann");
  EXPECT_EQ(AppPaths.outputFolder, palm_ + "/AnnS/Quillet/");
  EXPECT_EQ(AppPaths.databasePath, "AnnS/");
  EXPECT_EQ(pDB->path(), palm_ + "/AnnS/Quillet/quillet.dat");
  // The store file was made before opening: no second Hotsync dialog.
  EXPECT_EQ(ui_.dialogs.size(), 1u);

  EXPECT_FALSE(table.SelectUser(2, &name).has_value());
  EXPECT_FALSE(table.SelectUser(-1, &name).has_value());

  // A user whose store cannot open: nothing changes.
  SetStr(UserKey("Bob/"), "OutputPath", "");
  EXPECT_FALSE(table.SelectUser(1, &name).has_value());
  EXPECT_EQ(table.entries[0].is_current, 1);
  EXPECT_EQ(Str(ProgramKey, "LastUsername"), "Ann");
}

TEST_F(StartupTest, AddOnRegistrationUpdatesOnlyTheQuilletEntry) {
  std::string other = std::string(kPalmDesktopKey) + "\\Other";
  SetNum(other, "Creator", 0x41424344);
  RegisterPalmDesktopAddOn("/opt/quillet/bin/");
  EXPECT_EQ(Num(std::string(kPalmDesktopKey) + "\\Quillet", "Integrate"), 1);
  EXPECT_EQ(Str(std::string(kPalmDesktopKey) + "\\Quillet", "Module"), "/opt/quillet/bin/quillet");
  EXPECT_EQ(Num(other, "Integrate"), -1);
  EXPECT_EQ(Str(other, "Name"), "<missing>");
  EXPECT_TRUE(ui_.messages.empty());

  // Without Palm Desktop's key: the message, and no key is created.
  qplat::HKEY root = nullptr;
  ASSERT_EQ(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, "Software", &root), 0);
  ASSERT_EQ(qplat::RegDeleteTree(root, "U.S. Robotics"), 0);
  qplat::RegCloseKey(root);
  RegisterPalmDesktopAddOn("/opt/quillet/bin/");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "Failed to Open Palm Desktop, please stop the install, set-up the Palm Desktop and try again.");
  EXPECT_EQ(ui_.messages[0].caption, "Error");
  qplat::HKEY probe = nullptr;
  EXPECT_EQ(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, kPalmDesktopKey, &probe), qplat::ERROR_FILE_NOT_FOUND);
}

TEST_F(StartupTest, PlacementRuleAndSavedPlacement) {
  WindowGeometry g = DefaultPlacement({1024, 740});
  EXPECT_EQ(g.width, 819);
  EXPECT_EQ(g.height, 592);
  EXPECT_EQ(g.x, 102);
  EXPECT_EQ(g.y, 74);
  EXPECT_TRUE(NeedsDefaultPlacement(true, g));
  EXPECT_FALSE(NeedsDefaultPlacement(false, g));
  WindowGeometry small = DefaultPlacement({800, 600});
  EXPECT_EQ(small.width, 640);
  EXPECT_EQ(small.height, 480);
  EXPECT_TRUE(NeedsDefaultPlacement(false, small));
  EXPECT_TRUE(NeedsDefaultPlacement(false, DefaultPlacement({1280, 712})));  // h 569

  std::string key = UserKey("Ann/");
  SaveWindowPlacement({10, 20, 800, 600, true, false}, "Ann/");  // minimized: nothing
  EXPECT_EQ(Num(key, "x"), -1);
  SaveWindowPlacement({-4, -4, 1032, 748, false, true}, "Ann/");
  EXPECT_EQ(Num(key, "x"), -4);
  EXPECT_EQ(Num(key, "y"), -4);
  EXPECT_EQ(Num(key, "w"), 1032);
  EXPECT_EQ(Num(key, "h"), 748);
  EXPECT_EQ(Num(key, "Maximized"), 1);  // read back the way window creation reads it
  SaveWindowPlacement({30, 40, 700, 500, false, false}, "Ann/");
  EXPECT_EQ(Num(key, "maximized"), 0);
  EXPECT_EQ(Num(key, "x"), 30);
}

TEST_F(StartupTest, TheFirstStartGivesTheUserCopiesOfTheShippedThemes) {
  AddUser("Ann", "Ann");
  fs::create_directories(install_ + "template/pics");
  { std::ofstream(install_ + "template/Plain.htm") << "shipped"; }
  { std::ofstream(install_ + "template/band.png") << "png"; }
  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(true));
  EXPECT_EQ(Str(UserKey("Ann/"), "TemplatePath"), Themes());
  EXPECT_EQ(testing::ReadFileBytes(Themes() + "Plain.htm"), "shipped");
  EXPECT_EQ(testing::ReadFileBytes(Themes() + "band.png"), "png");
  EXPECT_FALSE(fs::exists(Themes() + "pics"));  // files only, as Reset All copies

  // Later starts leave the user's folder as the user left it.
  { std::ofstream(Themes() + "Plain.htm") << "edited"; }
  fs::remove(Themes() + "band.png");
  ASSERT_TRUE(table.PrepareConfiguration(false));
  EXPECT_EQ(testing::ReadFileBytes(Themes() + "Plain.htm"), "edited");
  EXPECT_FALSE(fs::exists(Themes() + "band.png"));
}

TEST_F(StartupTest, WithoutAUsableThemeFolderTheShippedOneIsUsed) {
  AddUser("Ann", "Ann");
  // A file where the user's data folder should be.
  { std::ofstream(tmp_.dir() + "data") << "in the way"; }
  CUserTable table;
  ASSERT_TRUE(table.PrepareConfiguration(true));
  EXPECT_EQ(Str(UserKey("Ann/"), "TemplatePath"), install_ + "template/");
  EXPECT_FALSE(PrepareUserThemes(install_ + "template/", tmp_.dir() + "data"));
}

}  // namespace
}  // namespace quillet
