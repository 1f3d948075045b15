#include "platform/palm/PalmSetup.h"

#include <vector>

#include "platform/paths/ProgramPaths.h"

namespace qplat::palm {
namespace {

class Key {
 public:
  ~Key() {
    if (h) RegCloseKey(h);
  }
  HKEY h = nullptr;
};

LONG ReadString(HKEY key, const char* name, std::string* out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  out->clear();
  if (LONG st = RegGetValue(key, name, &type, &data)) return st;
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  out->assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
  return ERROR_SUCCESS;
}

}  // namespace

std::string DefaultDataFolder() {
  std::string data = XdgDataHome();
  return data.empty() ? "" : data + "palm-desktop";
}

std::string DefaultHotSyncPath() { return LibraryFolder() + "HotSync"; }

std::string DataFolder() {
  Key core;
  std::string path;
  if (RegOpenKey(HKEY_CURRENT_USER, kCoreKey, &core.h) != ERROR_SUCCESS) return "";
  if (ReadString(core.h, "Path", &path) != ERROR_SUCCESS) return "";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool HasDataFolder() { return !DataFolder().empty(); }

LONG InitDesktop(const std::string& dataFolder, const std::string& hotSyncPath, std::string* failedWhat) {
  if (dataFolder.empty() || dataFolder[0] != '/' || !MakeFolders(dataFolder, 0700)) {
    if (failedWhat) *failedWhat = dataFolder;
    return ERROR_PATH_NOT_FOUND;
  }
  auto fail = [&](const char* what, LONG st) {
    if (failedWhat) *failedWhat = what;
    return st;
  };
  Key core, prefs, addon;
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kCoreKey, &core.h)) return fail(kCoreKey, st);
  if (LONG st = RegSetString(core.h, "Path", dataFolder)) return fail("Path", st);
  if (LONG st = RegSetString(core.h, "HotSyncPath", hotSyncPath)) return fail("HotSyncPath", st);
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kPreferencesKey, &prefs.h)) return fail(kPreferencesKey, st);
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kQuilletAddOnKey, &addon.h)) return fail(kQuilletAddOnKey, st);
  if (LONG st = RegSetDword(addon.h, "Creator", kQuilletCreator)) return fail("Creator", st);
  return ERROR_SUCCESS;
}

LONG AddUserWithFolder(const std::string& name, const std::string& folder, const std::string& password,
                       PalmUser* added, std::string* userFolder) {
  const std::string data = DataFolder();
  if (data.empty()) return ERROR_PATH_NOT_FOUND;
  PalmUser user;
  if (LONG st = AddUser(name, folder, password, &user)) return st;
  const std::string path = data + "/" + user.folder;
  if (!MakeFolders(path, 0700)) {
    RemoveUser(name);
    return ERROR_PATH_NOT_FOUND;
  }
  // The first user becomes the one Palm Desktop last showed.
  Key prefs;
  std::string last;
  if (RegCreateKey(HKEY_CURRENT_USER, kPreferencesKey, &prefs.h) == ERROR_SUCCESS &&
      (ReadString(prefs.h, "LastUserName", &last) != ERROR_SUCCESS || last.empty()))
    RegSetString(prefs.h, "LastUserName", name);
  if (added) *added = user;
  if (userFolder) *userFolder = path;
  return ERROR_SUCCESS;
}

}  // namespace qplat::palm
