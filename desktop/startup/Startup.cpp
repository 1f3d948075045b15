#include "desktop/startup/Startup.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "platform/paths/ProgramPaths.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// 'QLTN', first character in the most significant byte.
constexpr uint32_t kCreatorQltn = (uint32_t('Q') << 24) | (uint32_t('L') << 16) | (uint32_t('T') << 8) | 'N';
constexpr size_t kMaxAddOnSubkeys = 1000;
constexpr size_t kMaxSubkeyName = 260;

class BuiltInScreen : public IScreenMetrics {
 public:
  ScreenSize FullScreenClientSize() const override { return {1024, 740}; }
};

BuiltInScreen g_builtin_screen;
IScreenMetrics* g_screen = &g_builtin_screen;

// The open folders already told about in this run: the person is warned
// once, not at every pass.
std::vector<std::string>& WarnedFolders() {
  static std::vector<std::string> warned;
  return warned;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void ShowText(const std::string& text, const std::string& caption, unsigned flags) {
  MessageRequest r;
  r.text = text;
  r.caption = caption;
  r.flags = flags;
  UI().ShowMessage(r);
}

}  // namespace

IScreenMetrics* SetScreenMetrics(IScreenMetrics* metrics) {
  IScreenMetrics* previous = g_screen == &g_builtin_screen ? nullptr : g_screen;
  g_screen = metrics ? metrics : &g_builtin_screen;
  return previous;
}

IScreenMetrics& ScreenMetrics() { return *g_screen; }

WindowGeometry DefaultPlacement(const ScreenSize& screen) {
  WindowGeometry g;
  g.width = screen.width * 4 / 5;  // 80%, truncated
  g.height = screen.height * 4 / 5;
  g.x = (screen.width - g.width) / 2;
  g.y = (screen.height - g.height) / 2;
  return g;
}

bool NeedsDefaultPlacement(bool first_run, const WindowGeometry& placement) {
  return first_run || placement.width < kMinDefaultWidth || placement.height < kMinDefaultHeight;
}

// A Palm user's settings key with its start-up values: the output folder
// (made when missing), the store's folder, the author and the theme folder;
// values the user set are kept.
namespace {
void PrepareUserKey(const PalmUserEntry& entry, const std::string& palm_path, const std::string& templates) {
  CRegistryKey key;
  key.OpenProgramKey(entry.folder);
  const std::string output = palm_path + "/" + entry.folder + "Quillet/";
  key.WriteValueString("OutputPath", output);
  // Without a Palm data folder the path would start at the root.
  if (!palm_path.empty() && !qplat::MakeFolders(output, 0700))
    LogPair("Unable to create folder", output.c_str());
  key.WriteValueString("DatabasePath", entry.folder);

  std::string text;
  key.ReadValueString("Author", &text, kTextBufferSize);
  if (text.empty()) key.WriteValueString("Author", entry.name);

  uint32_t is_private = 0;
  key.ReadValueDword("Private", &is_private);
  if (is_private == 0) key.WriteValueDword("Private", 0);

  key.ReadValueString("Title", &text, kTextBufferSize);
  key.ReadValueString("Email", &text, kTextBufferSize);
  key.ReadValueString("Phone", &text, kTextBufferSize);

  key.WriteValueString("TemplatePath", templates);

  key.ReadValueString("LastTemplate", &text, kPathBufferSize);
  if (text.empty()) key.WriteValueString("LastTemplate", ToUtf8(LoadString(IDS_DEFAULT_THEME)));
}
}  // namespace

bool CUserTable::PrepareConfiguration(bool first_run) {
  CRegistryKey& reg = AppRegistry();
  reg.OpenProgramKey();

  // "InstallPath" is the read-only data folder; the add-on entry names the
  // program itself.
  std::string install = FitAppPath(InstallDataFolder());
  reg.WriteValueString("InstallPath", install);
  AppPaths.installFolder = install;

  if (first_run) RegisterPalmDesktopAddOn(ProgramFolder());
  // Palm's keys are read through a key of their own, so that the program
  // key stays open for the writes in between.
  reg.OpenProgramKey();
  reg.WriteValueString("Version", LoadString(IDS_VERSION).bytes());

  std::string last_user;
  reg.ReadValueString("LastUsername", &last_user, kPathBufferSize);
  if (last_user.empty()) {
    CRegistryKey palm;
    palm.ReadPalmLastUserName(&last_user);
    reg.WriteValueString("LastUsername", last_user);
  }

  std::string log_folder;
  reg.ReadValueString("LogPath", &log_folder, kPathBufferSize);
  if (log_folder.empty()) {
    log_folder = FitAppPath(StateFolder());
    reg.WriteValueString("LogPath", log_folder);
  }
  AppPaths.logFolder = log_folder;

  uint32_t log = 0;
  reg.ReadValueDword("Log", &log);
  if (log == 0) reg.WriteValueDword("Log", 0);

  std::string help = install + "help/index.html";
  if (!FileExists(help)) help = kHelpWebAddress;
  reg.WriteValueString("HelpPath", help);
  AppPaths.helpPath = FitAppPath(help);

  reg.OpenProgramKey();
  reg.ReadValueString("LastUsername", &last_user, kPathBufferSize);
  entries.clear();
  palmUsers.Build();
  std::string start_folder;
  if (!palmUsers.entries.empty()) {
    // A name Palm Desktop no longer knows (the user was removed) starts
    // with the first user rather than with nobody.
    const PalmUserListEntry* start = palmUsers.entries.front().get();
    for (const auto& e : palmUsers.entries) {
      if (!last_user.empty() && e->name == last_user) {
        start = e.get();
        break;
      }
    }
    start_folder = start->folder;
  }

  std::string palm_path;
  {
    CRegistryKey core;
    core.OpenPalmCoreKey();
    core.ReadValueString("Path", &palm_path, kPathBufferSize);
  }
  failure_ = StartFailure::kNone;
  if (palm_path.empty() && !palmUsers.entries.empty()) {
    // Every user's folder is relative to it: without it the records would
    // be looked for at the root of the file system and never saved.
    LogLine("Palm Desktop data folder (\"Path\") is not set: no store opened");
    failure_ = StartFailure::kNoPalmDataFolder;
    DeleteCurrentStore();
    return false;
  }
  // The themes the user edits are the user's own copies; the shipped ones
  // in the data folder are never written.
  std::string templates = UserThemesFolder();
  if (templates.empty() || !PrepareUserThemes(install + kShippedThemesFolder, templates))
    templates = install + kShippedThemesFolder;
  templates = FitAppPath(templates);

  ScreenSize screen = ScreenMetrics().FullScreenClientSize();
  WindowGeometry placement = DefaultPlacement(screen);
  bool write_placement = NeedsDefaultPlacement(first_run, placement);

  for (const auto& user : palmUsers.entries) {
    PalmUserEntry entry;
    entry.index = user->index;
    entry.name = user->name;
    entry.folder = user->folder;

    PrepareUserKey(entry, palm_path, templates);
    const std::string output = palm_path + "/" + entry.folder + "Quillet/";
    AppPaths.outputFolder = FitAppPath(output);
    AppPaths.databasePath = FitAppPath(output);
    AppPaths.templateFolder = templates;

    CRegistryKey key;
    key.OpenProgramKey(entry.folder);
    entry.is_current = 0;
    if (!start_folder.empty() && entry.folder == start_folder) {
      entry.is_current = 1;
      key.WriteValueString("UserPath", entry.folder);
    }

    if (write_placement) {
      key.WriteValueDword("x", static_cast<uint32_t>(placement.x));
      key.WriteValueDword("y", static_cast<uint32_t>(placement.y));
      key.WriteValueDword("w", static_cast<uint32_t>(placement.width));
      key.WriteValueDword("h", static_cast<uint32_t>(placement.height));
    }
    entries.push_back(entry);
  }
  std::vector<std::string> folders;
  if (!palm_path.empty()) {
    folders.push_back(palm_path);
    for (const PalmUserEntry& e : entries) {
      folders.push_back(palm_path + "/" + e.folder);
      folders.push_back(palm_path + "/" + e.folder + "Quillet/");
    }
  }
  CheckFolderPrivacy(std::move(folders));
  if (start_folder.empty()) {  // no Palm users: no store to open
    // Palm Desktop's users are in the settings: when those cannot be read
    // at all (a full disk keeps the store from even opening), that is what
    // the person must hear, not that Palm Desktop needs setting up.
    qplat::HKEY probe = nullptr;
    const qplat::LONG st = qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, "Software", &probe);
    if (probe) qplat::RegCloseKey(probe);
    if (st != qplat::ERROR_SUCCESS && st != qplat::ERROR_FILE_NOT_FOUND) {
      LogPair("Settings unreadable:", SettingsUnreadableReason(st).c_str());
      failure_ = StartFailure::kSettingsUnreadable;
      settings_status_ = st;
    } else {
      failure_ = StartFailure::kNoPalmUsers;
    }
    DeleteCurrentStore();
    return false;
  }
  if (!OpenUserStore(start_folder)) {
    failure_ = StartFailure::kStoreNotOpened;
    return false;
  }
  return true;
}

void CheckFolderPrivacy(std::vector<std::string> folders) {
  const std::string config = qplat::XdgConfigHome();
  for (const std::string& own : {config.empty() ? std::string() : config + qplat::kUserFolderName,
                                 UserDataFolder(), UserThemesFolder(), StateFolder(), CacheFolder()})
    if (!own.empty()) folders.push_back(own);
  std::string open;
  for (const std::string& folder : folders) {
    switch (CheckFolderAccess(folder, true)) {
      case FolderAccess::kTightened:
        LogPair("Folder made private:", folder.c_str());
        break;
      case FolderAccess::kOpen: {
        LogPair("Folder open to other users:", folder.c_str());
        std::vector<std::string>& warned = WarnedFolders();
        if (std::find(warned.begin(), warned.end(), folder) != warned.end()) break;
        warned.push_back(folder);
        open += PathForMessage(folder) + "\n";
        break;
      }
      default:
        break;
    }
  }
  if (open.empty()) return;
  std::string text = UiString(IDS_FOLDERS_OPEN_TO_OTHERS);
  const size_t slot = text.find("%s");
  if (slot != std::string::npos) text.replace(slot, 2, open);
  ShowFilledStringMessage(IDS_FOLDERS_OPEN_TO_OTHERS, text, kMbOk | kMbIconExclamation);
}

std::string SettingsUnreadableReason(int32_t status) {
  const std::string file = qplat::RegStoreFile();
  std::string folder = file.substr(0, file.rfind('/') + 1);
  // The folder may not exist yet: ask the nearest one that does.
  struct statvfs fs;
  bool full = false;
  while (!folder.empty()) {
    if (::statvfs(folder.c_str(), &fs) == 0) {
      full = fs.f_bavail == 0 || fs.f_favail == 0;
      break;
    }
    folder.pop_back();
    folder = folder.substr(0, folder.rfind('/') + 1);
  }
  if (full || status == qplat::ERROR_DISK_FULL) return "The disk that holds " + file + " is full.";
  return qplat::RegStatusMessage(status) + " (" + file + ")";
}

uint16_t CUserTable::FindCurrentUser(std::string* folder_out) const {
  folder_out->clear();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].is_current) {
      *folder_out = entries[i].folder;
      return static_cast<uint16_t>(i);
    }
  }
  if (!entries.empty()) *folder_out = entries[0].folder;
  return 0;
}

bool CUserTable::ReadUsersAgain() {
  if (failure_ != StartFailure::kNone) return false;  // nothing was set up to add to
  std::optional<PalmUserEntry> current;
  for (const PalmUserEntry& e : entries)
    if (e.is_current) current = e;
  if (!palmUsers.Build()) return false;
  std::string palm_path;
  CRegistryKey().ReadPalmPath(&palm_path);
  // The theme folder the users share, as start-up chose it.
  const std::string templates = AppPaths.templateFolder;
  std::vector<PalmUserEntry> now;
  now.reserve(palmUsers.entries.size());
  size_t added = 0;
  for (const auto& user : palmUsers.entries) {
    PalmUserEntry entry;
    entry.index = user->index;
    entry.name = user->name;
    entry.folder = user->folder;
    const bool known = std::any_of(entries.begin(), entries.end(), [&](const PalmUserEntry& e) {
      return e.name == entry.name && e.folder == entry.folder;
    });
    if (!known) {
      if (palm_path.empty() || templates.empty()) continue;  // no folder to give the user
      PrepareUserKey(entry, palm_path, templates);
      LogPair("Palm user added while running:", entry.name.c_str());
      ++added;
    }
    entry.is_current = current && entry.name == current->name && entry.folder == current->folder ? 1 : 0;
    if (entry.is_current) current.reset();
    now.push_back(std::move(entry));
  }
  // The open user's store stays theirs even when Palm Desktop dropped them.
  if (current) now.push_back(*current);
  entries = std::move(now);
  return added > 0;
}

std::optional<std::string> CUserTable::SelectUser(int index, std::string* name_out) {
  if (entries.empty() || index < 0 || static_cast<size_t>(index) >= entries.size()) return std::nullopt;
  PalmUserEntry& entry = entries[static_cast<size_t>(index)];
  if (name_out) *name_out = entry.name;

  std::string palm_path;
  CRegistryKey().ReadPalmPath(&palm_path);
  EnsureStoreFile(entry.folder);
  if (!OpenUserStore(entry.folder)) return std::nullopt;

  for (auto& e : entries) e.is_current = 0;
  entry.is_current = 1;

  CRegistryKey& reg = AppRegistry();
  reg.OpenProgramKey();
  reg.WriteValueString("UserPath", entry.folder);
  reg.WriteValueString("LastUsername", entry.name);

  CRegistryKey key;
  key.OpenProgramKey(entry.folder);
  key.ReadValueString("OutputPath", &AppPaths.outputFolder, kPathBufferSize);
  key.ReadValueString("DatabasePath", &AppPaths.databasePath, kPathBufferSize);
  key.ReadValueString("TemplatePath", &AppPaths.templateFolder, kPathBufferSize);
  return entry.folder;
}

bool PrepareUserThemes(const std::string& shipped_folder, const std::string& themes_folder) {
  struct stat st;
  if (::stat(themes_folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!EnsureFolder(themes_folder)) {
    LogPair("Unable to create folder", themes_folder.c_str());
    return false;
  }
  // First start: the user's folder gets the shipped themes and their
  // pictures. A file that cannot be copied is left out, as Reset All does.
  std::error_code ec;
  for (fs::directory_iterator it(shipped_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::error_code copy_ec;
    fs::copy_file(it->path(), fs::path(themes_folder) / it->path().filename(),
                  fs::copy_options::skip_existing, copy_ec);
    if (copy_ec) LogPair("Unable to copy theme", it->path().c_str());
  }
  return true;
}

void RegisterPalmDesktopAddOn(const std::string& program_folder) {
  std::vector<std::string> subkeys;
  {
    CRegistryKey desktop;
    if (desktop.OpenExistingKey(kPalmDesktopKey) != 0) {
      ShowText(translate("Startup", "Failed to Open Palm Desktop, please stop the install, set-up the Palm "
                                    "Desktop and try again."),
               translate("Startup", "Error"), kMbOk);
      return;
    }
    std::string name;
    for (qplat::DWORD i = 0; subkeys.size() < kMaxAddOnSubkeys &&
                             qplat::RegEnumKey(desktop.key, i, &name) == qplat::ERROR_SUCCESS;
         ++i) {
      if (name.size() < kMaxSubkeyName) subkeys.push_back(std::string(kPalmDesktopKey) + "\\" + name);
    }
  }
  for (const auto& path : subkeys) {
    CRegistryKey addon;
    // The entry was just listed: it is opened, never created here.
    if (addon.OpenExistingKey(path) != 0) {
      ShowText(PathForMessage(path), translate("Startup", "Failed To Open"), kMbOk);
      continue;
    }
    uint32_t creator = 0;
    addon.ReadValueDword("Creator", &creator);
    if (creator == kCreatorQltn) {
      addon.WriteValueDword("Integrate", 1);
      addon.WriteValueString("Name", "Quillet!");
      addon.WriteValueString("Module", program_folder + kAddOnModuleName);
    }
  }
}

void SaveWindowPlacement(const WindowGeometry& window, const std::string& user_folder) {
  CRegistryKey key;
  key.OpenProgramKey(user_folder);
  if (window.minimized) return;
  key.WriteValueDword("x", static_cast<uint32_t>(window.x));
  key.WriteValueDword("y", static_cast<uint32_t>(window.y));
  key.WriteValueDword("w", static_cast<uint32_t>(window.width));
  key.WriteValueDword("h", static_cast<uint32_t>(window.height));
  key.WriteValueDword("maximized", window.maximized ? 1 : 0);
}

}  // namespace quillet
