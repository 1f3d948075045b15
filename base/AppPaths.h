// AppPaths: the folders and names the whole program works with, filled from
// the settings by the configuration pass and by user selection. Folders end
// in '/'. User-interface thread only.
//
// Where things are on this system (platform/paths/ProgramPaths.h has the
// layout): "InstallPath" names the read-only data folder share/quillet/
// (pages, help, shipped themes and their pristine copies); our libraries
// are in lib/quillet/. Everything the program writes goes to the user's
// folders below: settings under $XDG_CONFIG_HOME/quillet/, the editable
// themes and other lasting data under $XDG_DATA_HOME/quillet/, the log
// under $XDG_STATE_HOME/quillet/, scratch files under
// $XDG_CACHE_HOME/quillet/.
#pragma once

#include <string>

namespace quillet {

struct AppPathStrings {
  std::string installFolder;   // "InstallPath": the read-only data folder
  std::string logFolder;       // "LogPath"
  std::string helpPath;        // "HelpPath"
  std::string outputFolder;    // the user's "OutputPath"
  std::string templateFolder;  // the user's "TemplatePath"
  std::string databasePath;    // the user's "DatabasePath"
  std::string userFolder;      // the current user's folder name, with its '/'
  std::string currentTheme;    // the user's "LastTemplate"

  void Clear() { *this = AppPathStrings{}; }
};

extern AppPathStrings AppPaths;

// Each string holds at most this many bytes (the program's path buffers
// are 260 bytes with their terminating zero).
inline constexpr size_t kAppPathMax = 259;
// Cuts `text` to kAppPathMax bytes.
std::string FitAppPath(const std::string& text);

// --- Where the program is ---------------------------------------------------
// Each is "" when it cannot be told.

// The folder of the running program file (bin/).
std::string ProgramFolder();
// Our shared libraries (lib/quillet/ beside bin/).
std::string LibraryFolder();
// The read-only data folder (share/quillet/ beside bin/): what
// "InstallPath" is set to.
std::string InstallDataFolder();
// Tests stand in for the running program file (empty restores it).
void SetProgramFileForTesting(const std::string& path);

// --- The user's folders -----------------------------------------------------
// Named only; whoever writes there creates them (EnsureFolder).

// $XDG_DATA_HOME/quillet/: lasting data of ours.
std::string UserDataFolder();
// $XDG_DATA_HOME/quillet/themes/: the editable themes ("TemplatePath").
std::string UserThemesFolder();
// $XDG_STATE_HOME/quillet/: the diagnostic log's default folder.
std::string StateFolder();
// $XDG_CACHE_HOME/quillet/: scratch files that may go at any time.
std::string CacheFolder();
// CacheFolder(), made when missing; "" when it cannot be.
std::string UserCacheFolder();

// Makes `folder` and the folders above it (private to the user); true when
// it is a folder afterwards.
bool EnsureFolder(const std::string& folder);

}  // namespace quillet
