// The start-up configuration pass and the choice of the current Palm user.
//
// The window manager owns one CUserTable for its lifetime: the pass fills
// the settings of every Palm Desktop user with their start-up values, builds
// the user table and opens the start user's store; user selection switches
// the current user. No windows here: the window layer passes in its
// geometry and provides the screen size through IScreenMetrics.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/AppPaths.h"
#include "desktop/db/PalmUserList.h"

namespace quillet {

// One Palm Desktop user, in the order of the Palm user list.
struct PalmUserEntry {
  uint16_t index = 0;
  uint8_t is_current = 0;  // 1 for exactly the current user
  std::string name;
  std::string folder;      // the user's folder name followed by '/'
};

// Where "HelpPath" points when the install folder has no help/index.html.
inline constexpr char kHelpWebAddress[] = "https://www.brightfen.example/help/";
// The program file named in the Palm Desktop add-on entry.
inline constexpr char kAddOnModuleName[] = "quillet";
// The shipped themes, under the data folder ("InstallPath").
inline constexpr char kShippedThemesFolder[] = "template/";

// The smallest default size that is kept on later runs.
inline constexpr int kMinDefaultWidth = 730;
inline constexpr int kMinDefaultHeight = 570;

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// The client area of a maximized window (the screen without task bars and
// the like). The window layer installs the real one.
class IScreenMetrics {
 public:
  virtual ~IScreenMetrics() = default;
  virtual ScreenSize FullScreenClientSize() const = 0;
};

// Installs `metrics` (not owned); null restores the built-in one, which
// answers 1024 x 740. Returns the previous one (null for the built-in).
IScreenMetrics* SetScreenMetrics(IScreenMetrics* metrics);
IScreenMetrics& ScreenMetrics();

// A main window's place: its rectangle in screen pixels (the maximized
// rectangle while maximized) and its state.
struct WindowGeometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool minimized = false;
  bool maximized = false;
};

// 80% of the full-screen client area, centred.
WindowGeometry DefaultPlacement(const ScreenSize& screen);
// Whether the configuration pass writes the default placement.
bool NeedsDefaultPlacement(bool first_run, const WindowGeometry& placement);


// Why the configuration pass opened no store.
enum class StartFailure : uint8_t {
  kNone,
  kNoPalmUsers,       // Palm Desktop lists no user
  kNoPalmDataFolder,  // Palm Desktop's "Path" is empty: the users' folders are nowhere
  kStoreNotOpened,    // the start user's store did not open
  kSettingsUnreadable,  // the settings (and Palm Desktop's users in them) cannot be read at all
};

// Why the settings cannot be read, for a person: the disk that holds them
// is full, or the settings store's own status message; with the file's name.
std::string SettingsUnreadableReason(int32_t status);

class CUserTable {
 public:
  // Fills the settings (program key and every user's key) with their
  // start-up values, builds the table and opens the start user's store.
  // True when that store opened; otherwise failure() says why. Without
  // Palm Desktop's data folder nothing is written for the users: their
  // output folders would be at the root of the file system.
  // It also checks the Palm data folder, every user's folder and output
  // folder, and our own data, state and cache folders (CheckFolderPrivacy).
  bool PrepareConfiguration(bool first_run);
  StartFailure failure() const { return failure_; }
  // With kSettingsUnreadable: the settings store's status code.
  int32_t settingsStatus() const { return settings_status_; }
  // Index of the current entry and its folder; with none current, 0 and
  // the first entry's folder; with no entries, 0 and "".
  uint16_t FindCurrentUser(std::string* folder_out) const;
  // Opens the user's store and makes the user current; the user's folder,
  // or nothing when the table is empty, the index is out of range or the
  // store does not open (then nothing else changes).
  std::optional<std::string> SelectUser(int index, std::string* name_out);
  // Palm Desktop's users read again (one added or removed while the program
  // runs): the entries follow its list, the current user stays current, a
  // user added since gets the start-up values in their settings key. True
  // when a user was added.
  bool ReadUsersAgain();

  std::vector<PalmUserEntry> entries;
  CPalmUserList palmUsers;

 private:
  StartFailure failure_ = StartFailure::kNone;
  int32_t settings_status_ = 0;
};

// Registers the program (kAddOnModuleName in `program_folder`) in Palm
// Desktop's existing add-on entry (the direct subkey of
// "Software\U.S. Robotics\Pilot Desktop" whose "Creator" is 'QLTN');
// creates none.
void RegisterPalmDesktopAddOn(const std::string& program_folder);

// The user's theme folder on the first start: when `themes_folder` does not
// exist it is made and filled with the files of `shipped_folder`; an
// existing folder is left as it is. True when `themes_folder` is a folder
// afterwards.
bool PrepareUserThemes(const std::string& shipped_folder, const std::string& themes_folder);

// Stores the placement in the user's key at exit; nothing while minimized.
void SaveWindowPlacement(const WindowGeometry& window, const std::string& user_folder);

// Folders that hold the user's records must be the user's alone. Each
// existing folder of ours in `folders` (and our settings, data, themes,
// state and cache folders) that still has the mode folders used to be made with (0755, 0775)
// is made 0700; one that the person opened to others otherwise is left as it
// is, and all of those are named in one warning (string 252), each folder
// once per run. Missing folders and those of other users are passed over.
void CheckFolderPrivacy(std::vector<std::string> folders);

}  // namespace quillet
