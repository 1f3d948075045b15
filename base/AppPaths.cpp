#include "base/AppPaths.h"

#include "platform/paths/ProgramPaths.h"

namespace quillet {

AppPathStrings AppPaths;

namespace {

std::string Under(const std::string& base, const char* name) {
  return base.empty() ? "" : base + name;
}

}  // namespace

std::string FitAppPath(const std::string& text) {
  return text.size() > kAppPathMax ? text.substr(0, kAppPathMax) : text;
}

std::string ProgramFolder() { return qplat::ProgramFolder(); }
std::string LibraryFolder() { return qplat::LibraryFolder(); }
std::string InstallDataFolder() { return qplat::DataFolder(); }
void SetProgramFileForTesting(const std::string& path) { qplat::SetProgramFileForTesting(path); }

std::string UserDataFolder() { return Under(qplat::XdgDataHome(), qplat::kUserFolderName); }
std::string UserThemesFolder() { return Under(UserDataFolder(), "themes/"); }
std::string StateFolder() { return Under(qplat::XdgStateHome(), qplat::kUserFolderName); }
std::string CacheFolder() { return Under(qplat::XdgCacheHome(), qplat::kUserFolderName); }

bool EnsureFolder(const std::string& folder) { return qplat::MakeFolders(folder, 0700); }

std::string UserCacheFolder() {
  const std::string folder = CacheFolder();
  return !folder.empty() && EnsureFolder(folder) ? folder : "";
}

}  // namespace quillet
