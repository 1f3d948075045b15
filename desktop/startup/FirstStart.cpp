#include "desktop/startup/FirstStart.h"

#include <pwd.h>
#include <unistd.h>

#include <memory>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/Translate.h"
#include "desktop/db/CurrentDatabase.h"
#include "platform/codepage/CodePage.h"
#include "platform/palm/PalmSetup.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

// The code-page form of `utf8` when it is a name Palm Desktop can keep
// (Palm Desktop's user table holds the code-page bytes).
bool AsPalmName(const std::string& utf8, std::string* name) {
  CpText text;
  if (utf8.empty() || !FromUtf8(utf8, &text)) return false;
  if (!qplat::palm::IsValidUserName(text.bytes())) return false;
  *name = text.bytes();
  return true;
}

std::string LoginName() {
  struct passwd entry;
  struct passwd* found = nullptr;
  char buf[4096];
  if (::getpwuid_r(::getuid(), &entry, buf, sizeof buf, &found) == 0 && found && found->pw_name)
    return found->pw_name;
  return "";
}

}  // namespace

std::string AccountFullName() {
  struct passwd entry;
  struct passwd* found = nullptr;
  char buf[4096];
  if (::getpwuid_r(::getuid(), &entry, buf, sizeof buf, &found) != 0 || !found) return "";
  std::string gecos = found->pw_gecos ? found->pw_gecos : "";
  std::string full = gecos.substr(0, gecos.find(','));
  while (!full.empty() && full.back() == ' ') full.pop_back();
  while (!full.empty() && full.front() == ' ') full.erase(0, 1);
  if (!full.empty()) return full;
  return found->pw_name ? found->pw_name : "";
}

std::string PalmUserNameFor(const std::string& fullName, const std::string& loginName) {
  std::string name;
  if (AsPalmName(fullName, &name) || AsPalmName(loginName, &name)) return name;
  return "User";
}

PalmSetupResult SetUpPalmDesktopIfMissing(PalmSetup* done) {
  if (qplat::palm::HasDataFolder()) return PalmSetupResult::kAlreadySetUp;
  PalmSetup setup;
  setup.dataFolder = qplat::palm::DefaultDataFolder();
  std::string what;
  if (qplat::LONG st = qplat::palm::InitDesktop(setup.dataFolder, qplat::palm::DefaultHotSyncPath(), &what)) {
    LogPair("Unable to set up Palm Desktop:", what.c_str());
    DebugError("Cannot set up Palm Desktop (%s): %s", what.c_str(), qplat::RegStatusMessage(st).c_str());
    return PalmSetupResult::kFailed;
  }
  setup.userName = PalmUserNameFor(AccountFullName(), LoginName());
  qplat::palm::PalmUser added;
  if (qplat::LONG st = qplat::palm::AddUserWithFolder(setup.userName, "", "", &added, &setup.userFolder)) {
    LogPair("Unable to add the Palm Desktop user", setup.userName.c_str());
    DebugError("Cannot add the Palm Desktop user: %s", qplat::RegStatusMessage(st).c_str());
    return PalmSetupResult::kFailed;
  }
  // The new user starts with an empty store, as after a first HotSync:
  // there is no HotSync here to ask for.
  const std::string output = setup.userFolder + "/Quillet/";
  CRecordStore fresh(kStoreFileName, output);
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  if (!EnsureFolder(output) || fresh.AddNew(std::move(settings)) != DB_OK || fresh.Save() != DB_OK)
    LogPair("Unable to create database file", fresh.path().c_str());
  LogPair("Palm Desktop set up for", setup.userName.c_str());
  if (done) *done = setup;
  return PalmSetupResult::kSetUp;
}

std::string PalmSetUpMessage(const PalmSetup& done) {
  std::string text = FillIn(translate("FirstStart", "Welcome to Quillet!\n\nThere was no Palm Desktop on this "
                                                    "account yet, so a Palm Desktop user \"%1\" has been set up "
                                                    "for you."),
                            {PathForMessage(done.userName)});
  if (!done.userFolder.empty())
    text += " " + FillIn(translate("FirstStart", "Its records are kept in\n%1"),
                         {PathForMessage(done.userFolder + "/Quillet")});
  text += "\n\n" + translate("FirstStart",
                              "There is no HotSync on Linux: to see your handheld's records here, copy quillet.dat "
                              "from your Palm Desktop folder on another computer into that folder. Quillet! "
                              "notices when the file changes.");
  return text;
}

}  // namespace quillet
