#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"
#include "platform/palm/PalmUsers.h"
#include "store/PrivateRecords.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempRegistry;

// Writes down every call, in order, as one word each.
class RecordingWindows : public IUserWindows {
 public:
  std::vector<std::string> calls;
  std::vector<uint32_t> commands;
  std::string menuText;
  bool pending[4] = {false, false, false, false};

  void RefreshTopicWindowCategories() override { calls.push_back("categories"); }
  void ForgetTreeSelection() override { calls.push_back("forget"); }
  void ResetTrees() override { calls.push_back("trees"); }
  void EmptyListViews() override { calls.push_back("lists"); }
  void RefreshTopicWindow() override { calls.push_back("topic"); }
  void RefreshImageWindow() override { calls.push_back("image"); }
  void RefreshCustomWindow() override { calls.push_back("custom"); }
  void RefreshFindWindow() override { calls.push_back("find"); }
  bool DiscardPending(PendingWindow w) override {
    static const char* kNames[] = {"Topic", "Note", "Custom", "Image"};
    int i = static_cast<int>(w);
    calls.push_back(std::string("discard") + kNames[i]);
    if (!pending[i]) return false;
    pending[i] = false;
    LogLine((std::string("Unused ") + kNames[i] + " Record Deleted").c_str());
    return true;
  }
  void SetPrivateMenuText(const std::string& text) override { menuText = text; }
  void RebuildTree() override { calls.push_back("rebuild"); }
  void ClearCurrentList() override { calls.push_back("clearlist"); }
  void SendCommand(uint32_t c) override { commands.push_back(c); }
};

// Two Palm users with their stores, set up by the start-up pass, the log
// switched on in the temporary folder.
class UserSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An installed program: bin/quillet with the user library in
    // lib/quillet/ beside it.
    install_ = tmp_.MakeDir("install/lib/quillet");
    std::string palm = tmp_.MakeDir("Palm");
    palm.pop_back();
    fs::create_symlink(std::string(QUILLET_LIB_DIR) + "/libUserData.so", install_ + "libUserData.so");
    SetProgramFileForTesting(tmp_.dir() + "install/bin/quillet");
    previous_ui_ = SetUI(&ui_);
    CRegistryKey reg;
    reg.OpenKey(kPalmCoreKey);
    reg.WriteValueString("Path", palm);
    reg.OpenProgramKey();
    reg.WriteValueString("LogPath", tmp_.dir());
    reg.WriteValueDword("Log", 1);
    ASSERT_EQ(qplat::palm::AddUser("Ann", "Ann", "", &ann_), 0);
    ASSERT_EQ(qplat::palm::AddUser("Bob", "Bob", "", &bob_), 0);
    reg.WriteValueString("LastUsername", "Ann");
    ASSERT_TRUE(table_.PrepareConfiguration(true));
    std::string folder;
    table_.FindCurrentUser(&folder);
    AppPaths.userFolder = folder;
    StartLog();
    SetUserTable(&table_);
    SetUserWindows(&windows_);
    bShowPrivate = 0;
    ui_ = RecordingUI();  // the start-up pass's "Please Hotsync..." for the new stores
  }
  void TearDown() override {
    SetUserWindows(nullptr);
    SetUserTable(nullptr);
    SetPasswordPrompt(nullptr);
    SetLogEnabled(false);
    DeleteCurrentStore();
    SetProgramFileForTesting("");
    SetUI(previous_ui_);
    bShowPrivate = 0;
    bEditPending = 0;
  }
  std::string Log() { return ReadFileBytes(tmp_.dir() + "log.txt"); }
  // The log's entries after its header.
  std::vector<std::string> LogEntries() {
    std::string log = Log();
    std::vector<std::string> lines;
    size_t start = log.find("\r\n\r\n");
    start = start == std::string::npos ? 0 : start + 4;
    for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(log.substr(start, end - start));
    return lines;
  }
  uint32_t StoredPrivate(const std::string& folder) {
    CRegistryKey key;
    key.OpenProgramKey(folder);
    uint32_t v = 99;
    key.ReadValueDword("Private", &v);
    return v;
  }

  TempRegistry tmp_;
  std::string install_;
  qplat::palm::PalmUser ann_, bob_;
  CUserTable table_;
  RecordingWindows windows_;
  RecordingUI ui_;
  IUserInterface* previous_ui_ = nullptr;
};

TEST_F(UserSwitchTest, SwitchesToTheNamedUserAndRefreshesEveryWindowInOrder) {
  ASSERT_NE(pDB, nullptr);
  bEditPending = 1;
  ASSERT_TRUE(SwitchUser("Bob"));
  EXPECT_EQ(AppPaths.userFolder, "Bob/");
  ASSERT_NE(pDB, nullptr);
  EXPECT_NE(pDB->path().find("/Bob/"), std::string::npos) << pDB->path();
  EXPECT_EQ(CurrentUserName(), "Bob");
  EXPECT_EQ(bEditPending, 0);
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"categories", "forget", "trees", "lists",
                                                       "topic", "image", "custom", "find"}));
  EXPECT_EQ(windows_.commands, std::vector<uint32_t>{3037});
  std::string log = Log();
  size_t a = log.find("Switch Users...\r\n");
  size_t b = log.find("Switch Users: Refresh Topic Window\r\n");
  size_t c = log.find("Switch Users: Refresh Image Window\r\n");
  size_t d = log.find("Switch Users: Refresh Custom Window\r\n");
  size_t e = log.find("Switch Users: Refresh Find Window\r\n");
  ASSERT_NE(a, std::string::npos);
  EXPECT_TRUE(a < b && b < c && c < d && d < e && e != std::string::npos) << log;
}

TEST_F(UserSwitchTest, UnknownNamesAndNamesInAnotherCaseKeepTheCurrentStore) {
  CRecordStore* before = pDB;
  for (const char* name : {"bob", "BOB", "Bob ", "", "Carol"}) {
    EXPECT_FALSE(SwitchUser(name)) << name;
    EXPECT_EQ(pDB, before);
    EXPECT_EQ(AppPaths.userFolder, "Ann/");
  }
  EXPECT_TRUE(windows_.calls.empty());
  EXPECT_TRUE(windows_.commands.empty());
}

TEST_F(UserSwitchTest, NotifierUserIdSwitchesThroughTheName) {
  ASSERT_TRUE(SwitchUserById(bob_.id));
  EXPECT_EQ(AppPaths.userFolder, "Bob/");
  EXPECT_FALSE(SwitchUserById(987654));  // HotSync of a user we do not know
  EXPECT_EQ(AppPaths.userFolder, "Bob/");
}

TEST_F(UserSwitchTest, WithoutThePalmUserLibraryNobodyCanBeSwitchedTo) {
  // The library stays loaded for the table; the list is built afresh for
  // a program whose library folder lacks it.
  SetProgramFileForTesting(tmp_.MakeDir("empty") + "bin/quillet");
  CRecordStore* before = pDB;
  EXPECT_FALSE(SwitchUser("Ann"));
  EXPECT_FALSE(SwitchUser("Bob"));
  EXPECT_EQ(pDB, before);
}

TEST_F(UserSwitchTest, AUserAddedSinceStartUpDoesNotShiftWhoseStoreOpens) {
  // Carol now comes first in the Palm list but not in the table built at
  // start-up: Bob must still get Bob's store, Carol none.
  qplat::palm::PalmUser carol;
  ASSERT_EQ(qplat::palm::RemoveUser("Ann"), 0);
  ASSERT_EQ(qplat::palm::AddUser("Carol", "Carol", "", &carol), 0);
  ASSERT_TRUE(SwitchUser("Bob"));
  EXPECT_EQ(AppPaths.userFolder, "Bob/");
  EXPECT_FALSE(SwitchUser("Carol"));
  EXPECT_EQ(AppPaths.userFolder, "Bob/");
}

TEST_F(UserSwitchTest, SwitchingTakesTheNewUsersPrivateChoice) {
  bShowPrivate = 1;  // Ann unlocked her private records
  ASSERT_TRUE(SwitchUser("Bob"));
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(windows_.menuText, "Show Private Records");
}

// "Show Private Records" lasts for the session only when a password
// guards it: whoever starts the program next must give the password again.
TEST_F(UserSwitchTest, AUserWithAPasswordAlwaysStartsWithPrivateRecordsHidden) {
  ASSERT_TRUE(TogglePrivateRecords());  // Ann has no password yet
  ASSERT_EQ(StoredPrivate("Ann/"), 1u);
  bShowPrivate = 0;
  LoadPrivateChoice();  // the next start: her stored choice counts
  EXPECT_EQ(bShowPrivate, 1);

  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  LoadPrivateChoice();
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(StoredPrivate("Ann/"), 1u);  // kept as it was
  EXPECT_TRUE(ui_.dialogs.empty());      // nothing asked at start

  // Unlocking with the password shows them for this session only.
  ui_.passwords = {"secret"};
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 1);
  LoadPrivateChoice();
  EXPECT_EQ(bShowPrivate, 0);

  // A HotSync of the same user reopens the store but keeps what this
  // session unlocked.
  ui_.passwords = {"secret"};
  ASSERT_TRUE(TogglePrivateRecords());
  ASSERT_TRUE(SwitchUserById(ann_.id));
  EXPECT_EQ(bShowPrivate, 1);

  // Switching to a password user and back hides them too.
  ASSERT_EQ(qplat::palm::SetUserPassword("Bob", "other"), 0);
  {
    CRegistryKey key;
    key.OpenProgramKey("Bob/");
    key.WriteValueDword("Private", 1);
  }
  ASSERT_TRUE(SwitchUser("Bob"));
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(windows_.menuText, "Show Private Records");
  ASSERT_TRUE(SwitchUser("Ann"));
  EXPECT_EQ(bShowPrivate, 0);  // Ann's unlocking ended with her session
  ASSERT_EQ(qplat::palm::SetUserPassword("Bob", ""), 0);
  ASSERT_TRUE(SwitchUser("Bob"));
  EXPECT_EQ(bShowPrivate, 1);  // without a password the stored choice holds
}

TEST_F(UserSwitchTest, DiscardWithNothingPendingLogsOnlyTheCleanUpLine) {
  size_t before = LogEntries().size();
  DiscardPendingRecords();
  std::vector<std::string> entries = LogEntries();
  ASSERT_EQ(entries.size(), before + 1);
  EXPECT_EQ(entries.back(), "Unused Record Clean Up");
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"discardTopic", "discardNote",
                                                       "discardCustom", "discardImage"}));
}

TEST_F(UserSwitchTest, DiscardAsksTopicNoteCustomImageInThatOrder) {
  windows_.pending[0] = windows_.pending[3] = true;
  DiscardPendingRecords();
  std::vector<std::string> entries = LogEntries();
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(entries[entries.size() - 3], "Unused Record Clean Up");
  EXPECT_EQ(entries[entries.size() - 2], "Unused Topic Record Deleted");
  EXPECT_EQ(entries[entries.size() - 1], "Unused Image Record Deleted");
  EXPECT_FALSE(windows_.pending[0] || windows_.pending[3]);
}

TEST_F(UserSwitchTest, ShowingWithoutAPasswordAsksNothingAndHidingNeverAsks) {
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 1);
  EXPECT_TRUE(ui_.dialogs.empty());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(StoredPrivate("Ann/"), 1u);
  EXPECT_EQ(windows_.menuText, "Hide Private Records");
  EXPECT_EQ(windows_.calls, (std::vector<std::string>{"rebuild", "clearlist"}));
  EXPECT_EQ(windows_.commands, std::vector<uint32_t>{3037});

  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_TRUE(ui_.dialogs.empty());
  EXPECT_EQ(StoredPrivate("Ann/"), 0u);
  EXPECT_EQ(windows_.menuText, "Show Private Records");
  EXPECT_EQ(windows_.commands, (std::vector<uint32_t>{3037, 3037}));
}

TEST_F(UserSwitchTest, AWrongPasswordIsToldAndTheDialogAsksAgain) {
  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  ui_.passwords = {"Secret", "secret"};
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(ui_.dialogs, (std::vector<int>{543, 543}));
  EXPECT_EQ(ui_.MessageIds(), std::vector<int>{111});
  EXPECT_EQ(ui_.messages[0].text, "Incorrect password.");
  EXPECT_EQ(ui_.messages[0].caption, "Quillet!");
  EXPECT_EQ(ui_.messages[0].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(bShowPrivate, 1);
}

TEST_F(UserSwitchTest, CancellingTheDialogKeepsPrivateRecordsHidden) {
  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  ui_.passwords = {"guess"};  // then the person cancels
  EXPECT_FALSE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(StoredPrivate("Ann/"), 0u);
  EXPECT_TRUE(windows_.commands.empty());
  EXPECT_EQ(ui_.MessageIds(), std::vector<int>{111});
}

TEST_F(UserSwitchTest, AnInstalledDialogGetsTheUserNameAndTheCheck) {
  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  std::string asked_for;
  std::vector<bool> answers;
  SetPasswordPrompt([&](const std::string& user, const PasswordCheck& check) {
    asked_for = user;
    answers.push_back(check("nope"));
    answers.push_back(check("secret"));
    return answers.back();
  });
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(asked_for, "Ann");
  EXPECT_EQ(answers, (std::vector<bool>{false, true}));
  EXPECT_TRUE(ui_.dialogs.empty());
}

TEST_F(UserSwitchTest, ThePasswordIsCheckedForTheCurrentUserLookedUpNow) {
  // A user listed before the current one is added and removed since start
  // up: the current user's position in the Palm list is not what it was.
  ASSERT_TRUE(SwitchUser("Bob"));
  ASSERT_EQ(qplat::palm::RemoveUser("Ann"), 0);
  ASSERT_EQ(qplat::palm::SetUserPassword("Bob", "secret"), 0);
  ui_ = RecordingUI();  // the person cancels the dialog
  EXPECT_FALSE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(ui_.dialogs, std::vector<int>{543});  // asked, not waved through
  ui_.passwords = {"secret"};
  EXPECT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 1);
}

TEST_F(UserSwitchTest, AUserPalmDesktopNoLongerKnowsNeverCountsAsWithoutPassword) {
  ASSERT_EQ(qplat::palm::RemoveUser("Ann"), 0);  // the current user
  EXPECT_FALSE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(StoredPrivate("Ann/"), 0u);
  EXPECT_TRUE(ui_.dialogs.empty());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_NE(ui_.messages[0].text.find("does not know the user \"Ann\""), std::string::npos);
  EXPECT_TRUE(windows_.commands.empty());

  // Another user who took the name since has another folder: still not
  // the one these records belong to.
  qplat::palm::PalmUser other;
  ASSERT_EQ(qplat::palm::AddUser("Ann", "Ann2", "", &other), 0);
  EXPECT_FALSE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(ui_.messages.size(), 2u);
}

TEST_F(UserSwitchTest, PasswordsAreComparedAsCodePageBytes) {
  // "pé" as Palm Desktop keeps it: its Windows-1252 bytes.
  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "p\xE9"), 0);
  ui_.passwords = {"p\xC3\xA9", "p\xE9"};  // the UTF-8 bytes do not pass
  ASSERT_TRUE(TogglePrivateRecords());
  EXPECT_EQ(ui_.dialogs, (std::vector<int>{543, 543}));
  EXPECT_EQ(ui_.MessageIds(), std::vector<int>{IDS_BAD_PASSWORD});
  EXPECT_EQ(bShowPrivate, 1);
}

TEST_F(UserSwitchTest, AnAnswerGivenAfterTheUserChangedShowsNothing) {
  ASSERT_EQ(qplat::palm::SetUserPassword("Ann", "secret"), 0);
  SetPasswordPrompt([&](const std::string&, const PasswordCheck& check) {
    // Meanwhile another user became the current one.
    EXPECT_TRUE(SwitchUser("Bob"));
    return check("secret");
  });
  EXPECT_FALSE(TogglePrivateRecords());
  EXPECT_EQ(bShowPrivate, 0);
  EXPECT_EQ(StoredPrivate("Ann/"), 0u);
  EXPECT_EQ(StoredPrivate("Bob/"), 0u);
}

}  // namespace
}  // namespace quillet
