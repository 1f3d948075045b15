// AppPaths: the folders and names the whole program works with, filled from
// the settings by the configuration pass and by user selection. Folders end
// in '/'. User-interface thread only.
#pragma once

#include <string>

namespace quillet {

struct AppPathStrings {
  std::string installFolder;   // "InstallPath"
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

// The folder of the running program file, ending in '/' (what
// "InstallPath" is set to); "" when it cannot be told.
std::string ProgramFolder();
// The user's folder for the program's scratch files, ending in '/':
// $XDG_CACHE_HOME/quillet/ (when that is an absolute path), else
// $HOME/.cache/quillet/. Made (mode 0700) when missing; "" when it cannot be.
std::string UserCacheFolder();

// Tests stand in for the running program file (empty restores it).
void SetProgramFileForTesting(const std::string& path);

// The user's data folder of the program, ending in '/':
// $XDG_DATA_HOME/quillet/ when that is an absolute path, else
// $HOME/.local/share/quillet/; "" without either. Not created here.
std::string UserDataFolder();

}  // namespace quillet
