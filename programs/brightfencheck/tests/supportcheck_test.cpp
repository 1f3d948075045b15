#include "programs/brightfencheck/core/SupportCheck.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/UserInterface.h"
#include "platform/palm/UserData.h"
#include "platform/registry/Registry.h"
#include "programs/brightfencheck/tests/CabinetReadBack.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace brightfen {
namespace {

using namespace qplat;
using quillet::RecordingUI;
using quillet::ScopedUI;
using quillet::testing::ReadFileBytes;
using quillet::testing::TempRegistry;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

void SetString(HKEY hive, const std::string& key, const std::string& name, const std::string& value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKey(hive, key, &k), ERROR_SUCCESS);
  ASSERT_EQ(RegSetString(k, name, value), ERROR_SUCCESS);
  RegCloseKey(k);
}

int PalmDesktop(const std::string& args) {
  std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-palm-desktop " + args + " >/dev/null 2>&1";
  int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::vector<std::string> CabinetNames(const std::vector<FilePair>& files) {
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.cabinetName);
  return names;
}

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

class FakeView : public IDiagnosticView {
 public:
  std::vector<std::string> products;
  std::vector<CheckStep> ticks;
  bool startDisabled = false;
  bool offeredSave = false;
  bool closed = false;
  void ClearProducts() override { products.clear(); }
  void AddProduct(const std::string& name) override { products.push_back(name); }
  void TickStep(CheckStep step) override { ticks.push_back(step); }
  void DisableStart() override { startDisabled = true; }
  void OfferSave() override { offeredSave = true; }
  void CloseProgram() override { closed = true; }
};

// A machine with Quillet! installed in its own folder and the Palm Desktop
// stand-in set up with a data folder.
class SupportCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install_ = tmp_.MakeDir("install");
    palm_ = tmp_.dir() + "palm";
    temp_ = tmp_.MakeDir("temp");
    WriteFile(install_ + "quillet", "#!");
    WriteFile(install_ + "template/default.htm", "<html>{TOPIC}</html>");
    WriteFile(install_ + "template/extra.css", "body{}");
    std::filesystem::create_directories(install_ + "template/sub");
    SetString(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet", "InstallPath", install_);
    ASSERT_EQ(PalmDesktop("init --path " + palm_), 0);
  }

  void AddUser(const std::string& name) { ASSERT_EQ(PalmDesktop("user add " + name), 0); }

  TempRegistry tmp_;
  RecordingUI ui_;
  ScopedUI scoped_{&ui_};
  std::string install_, palm_, temp_;
};

TEST_F(SupportCheckTest, OnlyQuilletInstalledIsListedWithItsThemes) {
  // A key without its program file does not count.
  SetString(HKEY_CURRENT_USER, "Software\\Brightfen\\Zanderly", "InstallPath", tmp_.MakeDir("zanderly"));
  CSupportCheck check(temp_, nullptr);
  const auto& products = check.EnumerateProducts();
  ASSERT_EQ(products.size(), 1u);
  EXPECT_STREQ(products[0].product->displayName, "Quillet! v1.x (English)");
  EXPECT_EQ(products[0].installFolder, install_);

  check.CollectFiles();
  auto names = CabinetNames(check.Files());
  EXPECT_TRUE(Has(names, "Quillet!\\Templates\\default.htm"));
  EXPECT_TRUE(Has(names, "Quillet!\\Templates\\extra.css"));
  EXPECT_TRUE(Has(names, "regreport.txt"));
  ASSERT_FALSE(check.Files().empty());
  EXPECT_EQ(check.Files()[0].source, install_ + "template/default.htm");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SupportCheckTest, AnInstalledQuilletIsFoundThroughItsDataFolder) {
  // Installed: "InstallPath" is prefix/share/quillet/, the program is in
  // prefix/bin/.
  const std::string data = tmp_.MakeDir("prefix/share/quillet");
  WriteFile(data + "template/plain.htm", "<html></html>");
  SetString(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet", "InstallPath", data);
  CSupportCheck check(temp_, nullptr);
  EXPECT_TRUE(check.EnumerateProducts().empty());  // no program yet
  WriteFile(tmp_.dir() + "prefix/bin/quillet", "#!");
  const auto& products = check.EnumerateProducts();
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(products[0].installFolder, data);
  check.CollectFiles();
  EXPECT_TRUE(Has(CabinetNames(check.Files()), "Quillet!\\Templates\\plain.htm"));
}

TEST_F(SupportCheckTest, ProductsSharingAKeyAreEachCheckedForTheirProgram) {
  std::string pelorin = tmp_.MakeDir("pelorin");
  WriteFile(pelorin + "PelorinDE.exe", "");
  WriteFile(pelorin + "Templates/t.htm", "t");
  SetString(HKEY_CURRENT_USER, "Software\\Brightfen\\Pelorin", "InstallPath", pelorin);
  CSupportCheck check(temp_, nullptr);
  const auto& products = check.EnumerateProducts();
  ASSERT_EQ(products.size(), 2u);
  EXPECT_STREQ(products[0].product->displayName, "Pelorin Meeting v2.x (German)");
  EXPECT_STREQ(products[1].product->displayName, "Quillet! v1.x (English)");
  check.CollectFiles();
  EXPECT_TRUE(Has(CabinetNames(check.Files()), "PelorinDE\\Templates\\t.htm"));
}

TEST_F(SupportCheckTest, EveryUserGivesLogConduitAndBackupEntries) {
  AddUser("Alice");
  AddUser("Bob");
  WriteFile(palm_ + "/Alice/Hotsync.Log", "alice log");
  WriteFile(palm_ + "/Alice/Quillet/quillet.dat", "data");
  WriteFile(palm_ + "/Bob/ToDo/todo.dat", "todo");
  WriteFile(palm_ + "/Bob/Backup/QuilletDB.pdb", "q");
  WriteFile(palm_ + "/Bob/Backup/Saved_Preferences.prc", "p");
  WriteFile(palm_ + "/Bob/Backup/Unlisted.pdb", "u");

  CSupportCheck check(temp_, nullptr);
  check.EnumerateProducts();
  check.CollectFiles();
  ASSERT_EQ(check.Users().size(), 2u);
  EXPECT_EQ(check.Users()[0].folder, "Alice");
  auto names = CabinetNames(check.Files());
  EXPECT_TRUE(Has(names, "Alice\\Hotsync.Log"));
  EXPECT_TRUE(Has(names, "Bob\\Hotsync.Log"));
  EXPECT_TRUE(Has(names, "Alice\\Quillet\\quillet.dat"));
  EXPECT_TRUE(Has(names, "Bob\\ToDo\\todo.dat"));
  EXPECT_FALSE(Has(names, "Bob\\Backup\\Unlisted.pdb"));
  // Backups in the table's order, only those that exist.
  auto first = std::find(names.begin(), names.end(), "Bob\\Backup\\Saved_Preferences.prc");
  auto second = std::find(names.begin(), names.end(), "Bob\\Backup\\QuilletDB.pdb");
  ASSERT_NE(first, names.end());
  ASSERT_NE(second, names.end());
  EXPECT_LT(first, second);
  EXPECT_FALSE(Has(names, "Alice\\Backup\\QuilletDB.pdb"));
  // Conduit folders come in table order: Quillet before ToDo.
  EXPECT_LT(std::find(names.begin(), names.end(), "Alice\\Quillet\\quillet.dat"),
            std::find(names.begin(), names.end(), "Bob\\ToDo\\todo.dat"));
}

TEST_F(SupportCheckTest, MissingUserLibraryIsReportedAndCollectionGoesOn) {
  SetString(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop\\Core", "HotSyncPath",
            tmp_.dir() + "nohotsync/HotSync");
  CSupportCheck check(temp_, nullptr);
  check.EnumerateProducts();
  check.CollectFiles();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, kUserDataLoadFailed);
  EXPECT_EQ(ui_.messages[0].caption, "Brightfen Check");
  EXPECT_TRUE(ui_.messages[0].flags & quillet::kMbIconError);
  EXPECT_TRUE(check.Users().empty());
  EXPECT_TRUE(Has(CabinetNames(check.Files()), "Quillet!\\Templates\\default.htm"));
  // Each reading of the users asks again.
  std::vector<PalmUserFolder> users;
  EXPECT_FALSE(CSupportCheck::ReadPalmUsers(&users));
  EXPECT_EQ(ui_.messages.size(), 2u);
}

TEST_F(SupportCheckTest, RegistryReportHasTheExportsInOrder) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet\\Alice", &k), ERROR_SUCCESS);
  RegSetString(k, "OutputPath", "C:\\Palm\\Alice");
  RegSetDword(k, "Log", 1);
  const uint8_t blob[] = {1, 255};
  RegSetValue(k, "Blob", REG_BINARY, blob, 2);
  RegCloseKey(k);
  SetString(HKEY_LOCAL_MACHINE, "Software\\Brightfen\\Quillet", "Version", "1.1");

  CSupportCheck check(temp_, nullptr);
  ASSERT_TRUE(check.WriteRegistryReport());
  // The file has carriage return and line feed at every line end.
  const std::string file = ReadFileBytes(temp_ + "regreport.txt");
  std::string text;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\n') EXPECT_TRUE(i > 0 && file[i - 1] == '\r') << "bare line feed at " << i;
    if (file[i] == '\r') EXPECT_TRUE(i + 1 < file.size() && file[i + 1] == '\n') << "bare CR at " << i;
    if (file[i] != '\r') text += file[i];
  }
  EXPECT_EQ(text, CSupportCheck::RegistryReportText());
  // It says first that passwords are left out, then the Windows version.
  EXPECT_EQ(text.rfind(std::string(kPasswordNote) + "\nWinMajor = ", 0), 0u) << text;
  EXPECT_NE(text.find("\nWinMinor = "), std::string::npos);
  EXPECT_NE(text.find("\nWindows Registry Editor Version 5.00\n"), std::string::npos);
  EXPECT_NE(text.find("\"OutputPath\"=\"C:\\\\Palm\\\\Alice\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Log\"=dword:00000001\n"), std::string::npos);
  EXPECT_NE(text.find("\"Blob\"=hex:01,ff\n"), std::string::npos);
  size_t hkcu = text.find("\n[HKEY_CURRENT_USER\\Software\\Brightfen]\n");
  size_t sub = text.find("\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Quillet\\Alice]\n");
  size_t hklm = text.find("\n[HKEY_LOCAL_MACHINE\\Software\\Brightfen]\n");
  size_t palm = text.find("\n[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop]\n");
  ASSERT_NE(hkcu, std::string::npos);
  ASSERT_NE(sub, std::string::npos);
  ASSERT_NE(hklm, std::string::npos);
  ASSERT_NE(palm, std::string::npos);
  EXPECT_LT(hkcu, sub);
  EXPECT_LT(sub, hklm);
  EXPECT_LT(hklm, palm);
  EXPECT_NE(text.find("\"Version\"=\"1.1\"", hklm), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 6), "\nDone\n");

  // A value over the report's data buffer ends its key's export there.
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software\\Brightfen\\Zanderly", &k), ERROR_SUCCESS);
  RegSetString(k, "Huge", std::string(3000, 'x'));
  RegSetString(k, "After", "never");
  RegCloseKey(k);
  text = CSupportCheck::RegistryReportText();
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Brightfen\\Zanderly]"), std::string::npos);
  EXPECT_EQ(text.find("never"), std::string::npos);
}

TEST_F(SupportCheckTest, DiagnosticPacksAndCopiesTheCabinet) {
  AddUser("Alice");
  AddUser("Bob");
  WriteFile(palm_ + "/Alice/Hotsync.Log", "alice log");
  WriteFile(palm_ + "/Bob/Hotsync.Log", "bob log");
  std::string dest = tmp_.MakeDir("mail");
  WriteFile(dest + "BrightfenCheckReport1.zip", "old report");
  ui_.folders.push_back(dest.substr(0, dest.size() - 1));  // no trailing '/'

  CSupportCheck check(temp_, nullptr);
  FakeView view;
  EXPECT_TRUE(RunDiagnostic(&check, &view));
  EXPECT_EQ(view.products, std::vector<std::string>{"Quillet! v1.x (English)"});
  EXPECT_EQ(view.ticks, (std::vector<CheckStep>{kStepProducts, kStepDatabases, kStepRegistry, kStepReport}));
  EXPECT_TRUE(view.startDisabled);
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(check.Files().empty()) << "the file list is released after the cabinet";

  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "The report file saved successfully.\n\nPlease send BrightfenCheckReport1.zip to "
            "support@brightfen.example now.");
  EXPECT_EQ(ui_.messages[0].caption, "BrightfenCheck Report");
  EXPECT_TRUE(ui_.messages[0].flags & quillet::kMbIconInformation);

  EXPECT_EQ(ReadFileBytes(dest + "BrightfenCheckReport1.zip"), ReadFileBytes(temp_ + "BrightfenCheckReport1.zip"));
  auto rb = testing::ReadCabinet(dest + "BrightfenCheckReport1.zip", tmp_.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  EXPECT_EQ(rb.files["Alice\\Hotsync.Log"], "alice log");
  EXPECT_EQ(rb.files["Bob\\Hotsync.Log"], "bob log");
  EXPECT_EQ(rb.files["Quillet!\\Templates\\default.htm"], "<html>{TOPIC}</html>");
  EXPECT_EQ(rb.files["regreport.txt"], ReadFileBytes(temp_ + "regreport.txt"));
  EXPECT_EQ(rb.files.count("Quillet!\\Templates\\sub"), 0u) << "folders drop out";
}

TEST_F(SupportCheckTest, CancelledFolderKeepsTheCabinetAndAsksAgain) {
  CSupportCheck check(temp_, nullptr);
  FakeView view;
  EXPECT_FALSE(RunDiagnostic(&check, &view));
  EXPECT_EQ(view.ticks.size(), 4u);
  EXPECT_FALSE(view.closed);
  EXPECT_TRUE(view.offeredSave);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(check.HasCabinet());
  const std::string cabinet = ReadFileBytes(temp_ + "BrightfenCheckReport1.zip");

  // Cancelled a second time: still there.
  view.offeredSave = false;
  EXPECT_FALSE(SaveReport(&check, &view));
  EXPECT_TRUE(view.offeredSave);
  EXPECT_FALSE(view.closed);

  // Then a folder: the same cabinet, without making it again.
  std::string dest = tmp_.MakeDir("mail");
  ui_.folders.push_back(dest);
  EXPECT_TRUE(SaveReport(&check, &view));
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.ticks.size(), 4u);
  EXPECT_EQ(ReadFileBytes(dest + "BrightfenCheckReport1.zip"), cabinet);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_TRUE(ui_.messages[0].flags & quillet::kMbIconInformation);
}

TEST_F(SupportCheckTest, PasswordDigestsNeverReachTheCabinet) {
  ASSERT_EQ(PalmDesktop("user add Alice --password secret"), 0);
  SetString(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet\\Mail", "SmtpPassword", "hunter2");
  // The digest as the user library stores it: an unsalted MD5 of "secret".
  const std::string digest_hex = "5e,be,22,94,ec,d0,e0,f0";

  CSupportCheck check(temp_, nullptr);
  FakeView view;
  std::string dest = tmp_.MakeDir("mail");
  ui_.folders.push_back(dest);
  ASSERT_TRUE(RunDiagnostic(&check, &view));
  auto rb = testing::ReadCabinet(dest + "BrightfenCheckReport1.zip", tmp_.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  const std::string report = rb.files["regreport.txt"];
  EXPECT_NE(report.find("\"Password\"=\"<removed>\"\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\"SmtpPassword\"=\"<removed>\"\r\n"), std::string::npos) << report;
  EXPECT_EQ(report.find(digest_hex), std::string::npos) << report;
  EXPECT_EQ(report.find("hunter2"), std::string::npos) << report;
  EXPECT_EQ(report.rfind(kPasswordNote, 0), 0u);
  // The rest of the user's key is there as before.
  EXPECT_NE(report.find("\"Name\"=\"Alice\""), std::string::npos) << report;
}

TEST_F(SupportCheckTest, UnattendedRunWritesTheCabinetOrSaysWhy) {
  AddUser("Alice");
  WriteFile(palm_ + "/Alice/Hotsync.Log", "alice log");
  std::string dest = tmp_.MakeDir("desk");
  CSupportCheck check(temp_, nullptr);
  std::string error;
  ASSERT_TRUE(RunUnattended(&check, dest, &error)) << error;
  EXPECT_TRUE(ui_.messages.empty());
  auto rb = testing::ReadCabinet(dest + "BrightfenCheckReport1.zip", tmp_.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  EXPECT_EQ(rb.files["Alice\\Hotsync.Log"], "alice log");

  CSupportCheck again(tmp_.MakeDir("temp2"), nullptr);
  EXPECT_FALSE(RunUnattended(&again, tmp_.dir() + "missing", &error));
  EXPECT_EQ(error, "the folder " + tmp_.dir() + "missing does not exist");
}

TEST_F(SupportCheckTest, FailedCabinetIsReportedAsNotSaved) {
  // Something that is not a cabinet sits where the cabinet would go.
  std::filesystem::create_directories(temp_ + "BrightfenCheckReport1.zip/x");
  std::string dest = tmp_.MakeDir("mail");
  ui_.folders.push_back(dest);
  CSupportCheck check(temp_, nullptr);
  FakeView view;
  EXPECT_TRUE(RunDiagnostic(&check, &view));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "The report file DID NOT save successfully.\n\nPlease contact support@brightfen.example.");
  EXPECT_TRUE(ui_.messages[0].flags & quillet::kMbIconError);
  EXPECT_FALSE(std::filesystem::exists(dest + "BrightfenCheckReport1.zip"));
  // Nothing is left half-written in the temporary folder.
  for (const auto& e : std::filesystem::directory_iterator(temp_))
    EXPECT_EQ(e.path().filename().string().find("BrightfenCheckReport1.zip."), std::string::npos);
}

TEST_F(SupportCheckTest, CraftedNamesNeverLeaveTheirFolders) {
  AddUser("Alice");
  // A user folder rewritten in the store to climb out of the data folder.
  HKEY users = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop\\Users", &users), ERROR_SUCCESS);
  std::string id;
  ASSERT_EQ(RegEnumKey(users, 0, &id), ERROR_SUCCESS);
  HKEY alice = nullptr;
  ASSERT_EQ(RegOpenKey(users, id, &alice), ERROR_SUCCESS);
  RegSetString(alice, "Directory", "../outside");
  RegCloseKey(alice);
  RegCloseKey(users);
  WriteFile(tmp_.dir() + "outside/Hotsync.Log", "not ours");
  // A theme file whose name reads as a path inside the cabinet.
  WriteFile(install_ + "template/..\\..\\evil.htm", "evil");
  std::string dest = tmp_.MakeDir("mail");
  ui_.folders.push_back(dest);

  CSupportCheck check(temp_, nullptr);
  FakeView view;
  ASSERT_TRUE(RunDiagnostic(&check, &view));
  EXPECT_TRUE(check.Users().empty());
  auto rb = testing::ReadCabinet(dest + "BrightfenCheckReport1.zip", tmp_.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  for (const auto& [name, bytes] : rb.files) {
    EXPECT_TRUE(IsSafeCabinetName(name)) << name;
    EXPECT_NE(bytes, "not ours") << name;
  }
  EXPECT_EQ(rb.files.count("Quillet!\\Templates\\default.htm"), 1u);
  // Only the report lands in the chosen folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dest), {}), 1);
}

}  // namespace
}  // namespace brightfen
