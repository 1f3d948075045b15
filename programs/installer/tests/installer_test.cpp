#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Translate.h"
#include "base/UserInterface.h"
#include "platform/cdk/Cdk.h"
#include "platform/cdk/HotSyncStore.h"
#include "platform/palm/PalmUsers.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/registry/Registry.h"
#include "programs/installer/core/InstallerCore.h"
#include "testing/RecordingUI.h"

namespace installer {
namespace {

namespace fs = std::filesystem;
using qplat::hotsync::Conduit;

const std::string kBin = std::string(QUILLET_BIN_DIR) + "/";
const std::string kLib = std::string(QUILLET_LIB_DIR) + "/";
const std::string kData = std::string(QUILLET_DATA_DIR) + "/";
const InstallerFolders kBuilt{kLib, kData};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A machine with Palm Desktop set up in a scratch folder; the installer's
// files are the build's (lib/quillet/ and share/quillet/), and the test
// runs in a folder that holds none of them.
class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qinst-XXXXXX";
    dir_ = std::string(mkdtemp(tmpl)) + "/";
    setenv("QUILLET_REGISTRY", (dir_ + "registry.db").c_str(), 1);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldCwd_ = cwd;
    ASSERT_EQ(Run("quillet-palm-desktop init --path " + dir_ + "palm"), 0);
    fs::create_directories(dir_ + "elsewhere");
    ASSERT_EQ(chdir((dir_ + "elsewhere").c_str()), 0);
    scoped_ = new quillet::ScopedUI(&ui_);
  }
  void TearDown() override {
    delete scoped_;
    qplat::SetProgramFileForTesting("");
    if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    unsetenv("QUILLET_REGISTRY");
    fs::remove_all(dir_);
  }

  static int Run(const std::string& command, std::string* out = nullptr) {
    FILE* p = popen((kBin + command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int st = pclose(p);
    if (out) *out = text;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  void AddUser(const std::string& name) { ASSERT_EQ(Run("quillet-palm-desktop user add '" + name + "'"), 0); }
  void SetInstallPath(const std::string& path) {
    qplat::HKEY key = nullptr;
    ASSERT_EQ(qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key), 0);
    ASSERT_EQ(qplat::RegSetString(key, "InstallPath", path), 0);
    qplat::RegCloseKey(key);
  }
  void SetHotSyncPath(const std::string& path) {
    qplat::HKEY key = nullptr;
    ASSERT_EQ(qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, qplat::palm::kCoreKey, &key), 0);
    ASSERT_EQ(qplat::RegSetString(key, "HotSyncPath", path), 0);
    qplat::RegCloseKey(key);
  }
  std::string ProgramValue(const char* name) {
    qplat::HKEY key = nullptr;
    if (qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key)) return "<no key>";
    qplat::DWORD type = 0;
    std::vector<uint8_t> data;
    std::string v = qplat::RegGetValue(key, name, &type, &data) ? "<none>" : std::string(data.begin(), data.end());
    qplat::RegCloseKey(key);
    return v;
  }
  std::vector<std::string> Notifiers() {
    std::vector<std::string> paths;
    EXPECT_EQ(qplat::hotsync::ListNotifiers(&paths), 0);
    return paths;
  }
  bool HasConduit(Conduit* c = nullptr) {
    Conduit local;
    return qplat::hotsync::FindConduit(kCreator, c ? c : &local) == 0;
  }
  // A library folder of our own with copies of the installer's libraries,
  // without `leaveOut`.
  std::string MakeLibraryFolder(const std::string& name, const std::string& leaveOut = "") {
    std::string f = dir_ + name + "/";
    fs::create_directories(f);
    for (const char* lib : {kInstAideLibrary, kCondMgrLibrary, kHsApiLibrary, kConduitLibrary, kNotifierLibrary})
      if (lib != leaveOut) fs::copy_file(kLib + lib, f + lib);
    return f;
  }
  int32_t RunInstaller(const std::string& user, CInstaller* core, const InstallerFolders& folders = kBuilt) {
    EXPECT_TRUE(core->Start(folders));
    return core->Install(user);
  }
  std::string QueuedPrc(const std::string& userFolder) {
    return dir_ + "palm/" + userFolder + "/Install/" + kHandheldApplication;
  }
  void ExpectDone(const std::string& user) {
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, DoneMessage(user));
    EXPECT_EQ(ui_.messages[0].caption, "Installer");
    EXPECT_EQ(ui_.messages[0].flags, unsigned(quillet::kMbIconInformation));
    ui_.messages.clear();
  }

  std::string dir_, oldCwd_;
  quillet::RecordingUI ui_;
  quillet::ScopedUI* scoped_ = nullptr;
};

TEST_F(InstallerTest, RegistersConduitAndNotifierAndQueuesTheApplication) {
  AddUser("Ann Smith");
  AddUser("Bob");
  CInstaller core;
  ASSERT_TRUE(core.Start(kBuilt));
  EXPECT_EQ(core.Users(), (std::vector<std::string>{"Ann Smith", "Bob"}));
  EXPECT_EQ(core.Install("Bob"), kOk);
  ExpectDone("Bob");
  EXPECT_EQ(core.exitCode(), 0);

  Conduit c;
  ASSERT_TRUE(HasConduit(&c));
  EXPECT_EQ(c.texts["Name"], kLib + kConduitLibrary);
  EXPECT_EQ(c.texts["Directory"], "Quillet");
  EXPECT_EQ(c.texts["File"], "Quillet.dat");
  EXPECT_EQ(c.texts["Remote"], "QuilletDB");
  EXPECT_EQ(c.texts["Module"], "Quillet");
  EXPECT_EQ(c.texts["Info"], "");
  EXPECT_EQ(c.numbers["Type"], 1u);
  EXPECT_EQ(c.numbers["Priority"], 2u);
  EXPECT_EQ(c.numbers["Integrate"], 0u);
  EXPECT_EQ(Notifiers(), (std::vector<std::string>{kLib + kNotifierLibrary}));
  EXPECT_EQ(ProgramValue("LastUsername"), "Bob");

  // The queued file is the one in the data folder, for Bob only.
  std::string queued = Slurp(QueuedPrc("Bob"));
  EXPECT_EQ(queued.size(), 80u);
  EXPECT_EQ(queued, Slurp(kData + kHandheldApplication));
  EXPECT_EQ(queued.substr(60, 8), "applQLTN");
  EXPECT_FALSE(fs::exists(QueuedPrc("AnnSmith")));
}

TEST_F(InstallerTest, StartedFromAnotherFolderFindsItsFilesBesideItself) {
  AddUser("Ann");
  // The current folder holds files of the same names that must not be used.
  const std::string here = dir_ + "elsewhere/";
  { std::ofstream(here + kHandheldApplication) << "not the application"; }
  fs::copy_file(kLib + kNotifierLibrary, here + kNotifierLibrary);
  qplat::SetProgramFileForTesting(kBin + "quillet-installer");
  const InstallerFolders folders = FoldersBesideProgram();
  EXPECT_TRUE(fs::equivalent(folders.libraries, kLib));
  EXPECT_TRUE(fs::equivalent(folders.data, kData));
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core, folders), kOk);
  ExpectDone("Ann");
  Conduit c;
  ASSERT_TRUE(HasConduit(&c));
  EXPECT_EQ(c.texts["Name"], folders.libraries + kConduitLibrary);
  EXPECT_EQ(Notifiers(), (std::vector<std::string>{folders.libraries + kNotifierLibrary}));
  EXPECT_EQ(Slurp(QueuedPrc("Ann")), Slurp(kData + kHandheldApplication));
}

TEST_F(InstallerTest, PalmUserNamesStayInTheCodePage) {
  AddUser("J\xC3\xB6rg");  // typed in UTF-8, kept by Palm Desktop in the code page
  CInstaller core;
  ASSERT_TRUE(core.Start(kBuilt));
  ASSERT_EQ(core.Users(), (std::vector<std::string>{"J\xF6rg"}));
  EXPECT_EQ(core.Install("J\xF6rg"), kOk);
  ExpectDone("J\xF6rg");
  EXPECT_EQ(ProgramValue("LastUsername"), "J\xF6rg");
  // The user's folder is named with plain letters: "J\xF6rg" is "Jorg".
  EXPECT_TRUE(fs::exists(QueuedPrc("Jorg")));
}

TEST_F(InstallerTest, SecondRunReplacesTheEarlierRegistration) {
  AddUser("Ann");
  {
    CInstaller first;
    ASSERT_EQ(RunInstaller("Ann", &first), kOk);
  }
  qplat::HKEY key = nullptr;
  ASSERT_EQ(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER,
                              std::string(qplat::hotsync::kConduitsKey) + "\\" + kCreator, &key), 0);
  ASSERT_EQ(qplat::RegSetDword(key, "Priority", 4), 0);
  ASSERT_EQ(qplat::RegSetString(key, "Name", "/old/conduit.so"), 0);
  qplat::RegCloseKey(key);
  ui_.messages.clear();

  CInstaller second;
  EXPECT_EQ(RunInstaller("Ann", &second), kOk);
  ExpectDone("Ann");
  Conduit c;
  ASSERT_TRUE(HasConduit(&c));
  EXPECT_EQ(c.numbers["Priority"], 2u);
  EXPECT_EQ(c.texts["Name"], kLib + kConduitLibrary);
  // Registered once, not once per run.
  EXPECT_EQ(Notifiers(), (std::vector<std::string>{kLib + kNotifierLibrary}));
}

TEST_F(InstallerTest, AnEarlierInstallationsNotifierIsTakenAway) {
  AddUser("Ann");
  // An earlier installation registered from the folder it named as
  // "InstallPath" (stored here without its closing separator).
  const std::string old = MakeLibraryFolder("old");
  {
    CInstaller first;
    ASSERT_EQ(RunInstaller("Ann", &first, {old, kData}), kOk);
  }
  ASSERT_EQ(Notifiers(), (std::vector<std::string>{old + kNotifierLibrary}));
  SetInstallPath(old.substr(0, old.size() - 1));
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core), kOk);
  EXPECT_EQ(Notifiers(), (std::vector<std::string>{kLib + kNotifierLibrary}));
}

TEST_F(InstallerTest, HotSyncInProgressChangesNothing) {
  AddUser("Ann");
  {
    CInstaller first;
    ASSERT_EQ(RunInstaller("Ann", &first), kOk);
  }
  ui_.messages.clear();
  qplat::HKEY key = nullptr;
  ASSERT_EQ(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER,
                              std::string(qplat::hotsync::kConduitsKey) + "\\" + kCreator, &key), 0);
  ASSERT_EQ(qplat::RegSetDword(key, "Priority", 4), 0);
  qplat::RegCloseKey(key);
  // This test process stands in for a manager in the middle of a sync.
  ASSERT_EQ(qplat::hotsync::PublishManagerState(uint32_t(getpid()), 1), 0);
  fs::remove(QueuedPrc("Ann"));

  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core), kHotSyncBusy);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Error: HotSync in progress!\n");
  EXPECT_EQ(ui_.messages[0].caption, "Installer");
  EXPECT_EQ(ui_.messages[0].flags, unsigned(quillet::kMbIconExclamation));
  EXPECT_EQ(core.exitCode(), 1);
  // Neither the removal nor the registration ran: the old entry is intact.
  Conduit c;
  ASSERT_TRUE(HasConduit(&c));
  EXPECT_EQ(c.numbers["Priority"], 4u);
  EXPECT_EQ(Notifiers().size(), 1u);
  qplat::hotsync::ManagerState s;
  ASSERT_EQ(qplat::hotsync::ReadManagerState(&s), 0);
  EXPECT_EQ(s.refreshes, 0u);
  // The handheld application is queued all the same.
  EXPECT_TRUE(fs::exists(QueuedPrc("Ann")));
}

TEST_F(InstallerTest, IdleManagerIsToldToRereadItsConduits) {
  AddUser("Ann");
  ASSERT_EQ(qplat::hotsync::PublishManagerState(uint32_t(getpid()), 0), 0);
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core), kOk);
  EXPECT_TRUE(HasConduit());
  qplat::hotsync::ManagerState s;
  ASSERT_EQ(qplat::hotsync::ReadManagerState(&s), 0);
  EXPECT_EQ(s.refreshes, 2u);  // after the removal and after the registration
}

TEST_F(InstallerTest, ManagerThatDiedIsNotTakenForARunningOne) {
  AddUser("Ann");
  pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(qplat::hotsync::PublishManagerState(uint32_t(child), 1), 0);
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core), kOk);
  EXPECT_TRUE(HasConduit());
}

TEST_F(InstallerTest, AMissingFileIsNamedAndNothingChanges) {
  AddUser("Ann");
  {
    CInstaller first;
    ASSERT_EQ(RunInstaller("Ann", &first), kOk);
  }
  ui_.messages.clear();
  fs::remove(QueuedPrc("Ann"));
  const std::string partial = MakeLibraryFolder("partial", kConduitLibrary);
  const std::string noData = dir_ + "nodata/";
  CInstaller core;
  EXPECT_FALSE(core.Start({partial, noData}));
  EXPECT_EQ(core.exitCode(), 1);
  const std::vector<std::string> missing{partial + kConduitLibrary, noData + kHandheldApplication};
  EXPECT_EQ(MissingFiles({partial, noData}), missing);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, MissingFilesMessage(missing));
  EXPECT_NE(ui_.messages[0].text.find(partial + kConduitLibrary + "\n"), std::string::npos);
  EXPECT_EQ(ui_.messages[0].caption, "Installer");
  EXPECT_EQ(ui_.messages[0].flags, unsigned(quillet::kMbIconExclamation));
  // Nobody could be chosen, nothing was queued, the earlier registration
  // stays as it was.
  EXPECT_EQ(core.Install("Ann"), kCondMgrLoadFailed);
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_FALSE(fs::exists(QueuedPrc("Ann")));
  Conduit c;
  ASSERT_TRUE(HasConduit(&c));
  EXPECT_EQ(c.texts["Name"], kLib + kConduitLibrary);
  EXPECT_EQ(Notifiers(), (std::vector<std::string>{kLib + kNotifierLibrary}));
  // Without a program folder at all, every file is missing.
  EXPECT_EQ(MissingFiles({"", ""}).size(), 6u);
}

TEST_F(InstallerTest, LibraryWithoutTheConduitManagerFunctionsIsInvalid) {
  AddUser("Ann");
  // A library that loads but is not the Conduit Manager.
  const std::string fake = MakeLibraryFolder("fake", kCondMgrLibrary);
  fs::create_symlink(kLib + kHsApiLibrary, fake + kCondMgrLibrary);
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core, {fake, kData}), kCondMgrInvalid);
  EXPECT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Error: invalid CondMgr.dll!\n");
  EXPECT_FALSE(HasConduit());
}

TEST_F(InstallerTest, HotSyncApiThatLoadsInNeitherFolder) {
  AddUser("Ann");
  const std::string broken = MakeLibraryFolder("broken", kHsApiLibrary);
  { std::ofstream(broken + kHsApiLibrary) << "not a library"; }
  fs::create_directories(dir_ + "hs");
  SetHotSyncPath(dir_ + "hs/HotSync.exe");
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core, {broken, kData}), kHsApiNotFound);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Error: HSAPI.dll not found!\n");
  EXPECT_FALSE(HasConduit());
}

TEST_F(InstallerTest, NoHotSyncProgramIsAConduitManagerError) {
  AddUser("Ann");
  qplat::HKEY key = nullptr;
  ASSERT_EQ(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, qplat::palm::kCoreKey, &key), 0);
  ASSERT_EQ(qplat::RegDeleteValue(key, "HotSyncPath"), 0);
  qplat::RegCloseKey(key);
  CInstaller core;
  EXPECT_EQ(RunInstaller("Ann", &core), -1011);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Error: Conduit Manager, value not found!\n");
}

TEST_F(InstallerTest, AUserLibraryThatDoesNotLoadShowsSupportAddress) {
  const std::string broken = MakeLibraryFolder("broken", kInstAideLibrary);
  { std::ofstream(broken + kInstAideLibrary) << "not a library"; }
  CInstaller core;
  EXPECT_FALSE(core.Start({broken, kData}));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "Unable to initialize the installer.  Please contact support at "
            "https://www.brightfen.example/support/.");
  EXPECT_EQ(ui_.messages[0].caption, "Installer");
  EXPECT_EQ(ui_.messages[0].flags, unsigned(quillet::kMbIconInformation));
  EXPECT_EQ(core.exitCode(), 1);
}

TEST_F(InstallerTest, UnreadableUserListGoesOnWithNoUsers) {
  CInstaller core;
  ASSERT_TRUE(core.Start(kBuilt));
  // A folder where the registry file should be cannot be opened.
  setenv("QUILLET_REGISTRY", dir_.c_str(), 1);
  EXPECT_TRUE(core.Users().empty());
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].caption, "InstAide");
  EXPECT_EQ(ui_.messages[0].text, UserCountFailedMessage());
}

TEST(InstallerMessages, EveryCodeHasItsText) {
  EXPECT_EQ(ResultMessage(0), "");
  // These two said nothing at all: the person would never learn that
  // nothing was registered.
  EXPECT_EQ(ResultMessage(kCondMgrLoadFailed), "Error: CondMgr.dll could not be loaded!\n");
  EXPECT_EQ(ResultMessage(kLibraryMissing), "Error: the conduit or the notifier library is missing!\n");
  EXPECT_EQ(ResultMessage(-1000), "Error: Unknown Conduit Manager error!\n");
  EXPECT_EQ(ResultMessage(-1005), "Error: Conduit Manager, creator id already in use!\n");
  EXPECT_EQ(ResultMessage(-1017), "Error: Conduit Manager, function no longer supported!\n");
  for (int32_t code : {-1018, -999, -1200, -1206, 1, 5})
    EXPECT_EQ(ResultMessage(code), "Unknown error occurred!\n") << code;
  for (int32_t code = -1017; code <= -1000; ++code)
    EXPECT_NE(ResultMessage(code).find("Conduit Manager"), std::string::npos) << code;
}

TEST(InstallerMessages, TextsAreUtf8AndComeFromTheCatalogue) {
  // The Palm user name is code-page text; the message shows its character.
  EXPECT_EQ(DoneMessage("J\xF6rg"),
            "Quillet! is set up for HotSync.\n\nQuillet.prc is queued for the next HotSync of J\u00f6rg, and the "
            "Quillet! conduit and notifier are registered with HotSync.");
  EXPECT_EQ(MissingFilesMessage({"/opt/q/lib/libQuilletNotify10.so"}),
            "The installer cannot go on: this file is missing:\n\n/opt/q/lib/libQuilletNotify10.so\n\nNothing was "
            "changed. Please install Quillet! again, or contact support at https://www.brightfen.example/support/.");
  EXPECT_EQ(MissingFilesMessage({"/a", "/b"}),
            "The installer cannot go on: these files are missing:\n\n/a\n/b\n\nNothing was changed. Please install "
            "Quillet! again, or contact support at https://www.brightfen.example/support/.");

  struct Catalogue {
    static std::string Lookup(const char* context, const char* source) {
      if (std::string(context) != "Installer") return "";
      if (std::string(source).rfind("Quillet! is set up", 0) == 0) return "%2: %1 ok";
      return "<" + std::string(source) + ">";
    }
  };
  const quillet::TranslateFn before = quillet::SetTranslator(&Catalogue::Lookup);
  EXPECT_EQ(ResultMessage(kHotSyncBusy), "<Error: HotSync in progress!\n>");
  EXPECT_EQ(ResultMessage(-1206), "<Unknown error occurred!\n>");
  EXPECT_EQ(ResultMessage(0), "");
  // The translation may put the user before the file.
  EXPECT_EQ(DoneMessage("Sam"), "Sam: Quillet.prc ok");
  EXPECT_EQ(StartFailedMessage(),
            "<Unable to initialize the installer.  Please contact support at https://www.brightfen.example/support/.>");
  quillet::SetTranslator(before);
}

TEST(InstallerPaths, HotSyncFolderFromTheProgramPath) {
  EXPECT_EQ(HotSyncFolder("/opt/palm/HotSync.exe"), "/opt/palm");
  EXPECT_EQ(HotSyncFolder("/opt/palm/quillet-hotsync"), "/opt/palm");  // no such folder: a program
  EXPECT_EQ(HotSyncFolder("/tmp"), "/tmp");                            // a folder stays
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("", "b"), "/b");
}

// The HotSync stand-in calls the notifier that the installer registered,
// from wherever it was installed.
TEST_F(InstallerTest, HotSyncCallsTheRegisteredNotifier) {
  AddUser("Ann");
  const std::string folder = MakeLibraryFolder("inst");
  CInstaller core;
  ASSERT_EQ(RunInstaller("Ann", &core, {folder, kData}), kOk);
  std::string out;
  EXPECT_EQ(Run("quillet-hotsync --stage 0 --user-id 7", &out), 0) << out;
  const std::string lib = folder + kNotifierLibrary;
  EXPECT_NE(out.find(lib + ": GetNotifierVersion -> 0"), std::string::npos) << out;
  EXPECT_NE(out.find(lib + ": HS_Notify(0, 7) -> "), std::string::npos) << out;
  EXPECT_EQ(out.find(kLib + kNotifierLibrary), std::string::npos) << out;
  // Finished: no longer counts as running.
  qplat::hotsync::ManagerState s;
  ASSERT_EQ(qplat::hotsync::ReadManagerState(&s), 0);
  EXPECT_EQ(s.processId, 0u);
}

}  // namespace
}  // namespace installer
