#include "programs/installer/core/InstallerCore.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "base/Translate.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "platform/cdk/Cdk.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/registry/Registry.h"

namespace installer {
namespace {

// Path and name buffers of the development-kit calls.
constexpr int32_t kPathBuffer = 260;
constexpr int32_t kUserNameBuffer = 261;

class CLibrary {
 public:
  CLibrary() = default;
  ~CLibrary() { Release(); }
  CLibrary(const CLibrary&) = delete;
  CLibrary& operator=(const CLibrary&) = delete;

  bool Load(const std::string& path) {
    Release();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
  }
  void Release() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
  }
  void Take(CLibrary& other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  bool loaded() const { return handle_ != nullptr; }
  template <typename Fn>
  Fn Find(const char* name) const {
    return handle_ ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
  }

 private:
  void* handle_ = nullptr;
};

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int32_t AskHotSyncFolder(const CLibrary& condMgr, std::string* folder) {
  auto getPath = condMgr.Find<CmGetHotSyncExecPathFn>("CmGetHotSyncExecPath");
  if (!getPath) return kCondMgrInvalid;
  char path[kPathBuffer] = {};
  int32_t size = kPathBuffer;
  if (int32_t st = getPath(path, &size)) return st;
  path[kPathBuffer - 1] = 0;
  *folder = HotSyncFolder(path);
  return kOk;
}

// Loads the Conduit Manager from `folder`, then prefers the copy in the
// HotSync folder, which matches the HotSync that is installed.
int32_t LoadConduitManager(const std::string& folder, CLibrary* condMgr, std::string* hotSyncFolder) {
  if (!condMgr->Load(JoinPath(folder, kCondMgrLibrary))) return kCondMgrLoadFailed;
  if (int32_t st = AskHotSyncFolder(*condMgr, hotSyncFolder)) return st;
  CLibrary local;
  if (local.Load(JoinPath(*hotSyncFolder, kCondMgrLibrary))) condMgr->Take(local);
  return kOk;
}

int32_t LoadHotSyncApi(const std::string& hotSyncFolder, const std::string& folder, CLibrary* hsApi) {
  if (hsApi->Load(JoinPath(hotSyncFolder, kHsApiLibrary))) return kOk;
  if (hsApi->Load(JoinPath(folder, kHsApiLibrary))) return kOk;
  return kHsApiNotFound;
}

// Nothing may change while HotSync is synchronising. *running tells whether
// the manager runs (and so needs telling about the new registrations).
int32_t HotSyncGuard(const CLibrary& hsApi, bool* running) {
  auto check = hsApi.Find<HsStatusFn>("HsCheckApiStatus");
  *running = check && check() == 0;
  if (!*running) return kOk;
  auto syncStatus = hsApi.Find<HsGetSyncStatusFn>("HsGetSyncStatus");
  uint32_t status = 1;
  if (!syncStatus || syncStatus(&status) != 0 || status != 0) return kHotSyncBusy;
  return kOk;
}

void Refresh(const CLibrary& hsApi) {
  if (auto refresh = hsApi.Find<HsStatusFn>("HsRefreshConduitInfo")) refresh();
}

std::string ReadString(qplat::HKEY key, const char* name) {
  qplat::DWORD type = 0;
  std::vector<uint8_t> data;
  if (qplat::RegGetValue(key, name, &type, &data) || type != qplat::REG_SZ) return "";
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  // The path buffer holds 259 bytes and the zero.
  if (n > size_t(kPathBuffer - 1)) n = kPathBuffer - 1;
  return std::string(data.begin(), data.begin() + n);
}

void Show(const std::string& text, const char* caption, unsigned icon) {
  quillet::MessageRequest r;
  r.text = text;
  r.caption = caption;
  r.flags = quillet::kMbOk | icon;
  quillet::UI().ShowMessage(r);
}

}  // namespace

std::string ResultMessage(int32_t code) {
  switch (code) {
    case kOk: return "";
    case kCondMgrLoadFailed: return quillet::translate("Installer", "Error: CondMgr.dll could not be loaded!\n");
    case kLibraryMissing: return quillet::translate("Installer", "Error: the conduit or the notifier library is missing!\n");
    case kCondMgrInvalid: return quillet::translate("Installer", "Error: invalid CondMgr.dll!\n");
    case kHsApiNotFound: return quillet::translate("Installer", "Error: HSAPI.dll not found!\n");
    case kHotSyncBusy: return quillet::translate("Installer", "Error: HotSync in progress!\n");
    case -1000: return quillet::translate("Installer", "Error: Unknown Conduit Manager error!\n");
    case -1001: return quillet::translate("Installer", "Error: Conduit Manager, index out of range!\n");
    case -1002: return quillet::translate("Installer", "Error: Conduit Manager, unable to delete conduit!\n");
    case -1003: return quillet::translate("Installer", "Error: Conduit Manager, conduit not previously installed!\n");
    case -1004: return quillet::translate("Installer", "Error: Conduit Manager, out of memory!\n");
    case -1005: return quillet::translate("Installer", "Error: Conduit Manager, creator id already in use!\n");
    case -1006: return quillet::translate("Installer", "Error: Conduit Manager, unable to access registry!\n");
    case -1007: return quillet::translate("Installer", "Error: Conduit Manager, unable to create conduit!\n");
    case -1008: return quillet::translate("Installer", "Error: Conduit Manager, unable to set conduit value!\n");
    case -1009: return quillet::translate("Installer", "Error: Conduit Manager, invalid handle passed!\n");
    case -1010: return quillet::translate("Installer", "Error: Conduit Manager, buffer too small!\n");
    case -1011: return quillet::translate("Installer", "Error: Conduit Manager, value not found!\n");
    case -1012: return quillet::translate("Installer", "Error: Conduit Manager, invalid creator id!\n");
    case -1013: return quillet::translate("Installer", "Error: Conduit Manager, invalid pointer passed!\n");
    case -1014: return quillet::translate("Installer", "Error: Conduit Manager, unable to install conduit!\n");
    case -1015: return quillet::translate("Installer", "Error: Conduit Manager, invalid conduit type!\n");
    case -1016: return quillet::translate("Installer", "Error: Conduit Manager, invalid COM port type!\n");
    case -1017: return quillet::translate("Installer", "Error: Conduit Manager, function no longer supported!\n");
    default: return quillet::translate("Installer", "Unknown error occurred!\n");
  }
}

void ShowResult(int32_t code) {
  std::string text = ResultMessage(code);
  if (!text.empty()) Show(text, kCaption, quillet::kMbIconExclamation);
}

std::string DoneMessage(const std::string& user) {
  // The Palm user name is code-page text; the message is UTF-8.
  return quillet::FillIn(quillet::translate("Installer",
                                            "Quillet! is set up for HotSync.\n\n%1 is queued for the next HotSync of "
                                            "%2, and the Quillet! conduit and notifier are registered with HotSync."),
                         {kHandheldApplication, quillet::ToUtf8(quillet::CpText(user))});
}

InstallerFolders FoldersBesideProgram() {
  return {qplat::LibraryFolder(), qplat::DataFolder()};
}

std::vector<std::string> MissingFiles(const InstallerFolders& folders) {
  std::vector<std::string> missing;
  for (const char* name : {kInstAideLibrary, kCondMgrLibrary, kHsApiLibrary, kConduitLibrary, kNotifierLibrary}) {
    const std::string path = folders.libraries.empty() ? name : JoinPath(folders.libraries, name);
    if (folders.libraries.empty() || !FileExists(path)) missing.push_back(path);
  }
  const std::string prc = folders.data.empty() ? kHandheldApplication : JoinPath(folders.data, kHandheldApplication);
  if (folders.data.empty() || !FileExists(prc)) missing.push_back(prc);
  return missing;
}

std::string MissingFilesMessage(const std::vector<std::string>& missing) {
  std::string list;
  for (const auto& path : missing) list += quillet::PathForMessage(path) + "\n";
  const char* text = missing.size() == 1
                         ? QT_TRANSLATE_NOOP("Installer",
                                             "The installer cannot go on: this file is missing:\n\n%1\nNothing was "
                                             "changed. Please install Quillet! again, or contact support at %2.")
                         : QT_TRANSLATE_NOOP("Installer",
                                             "The installer cannot go on: these files are missing:\n\n%1\nNothing "
                                             "was changed. Please install Quillet! again, or contact support at %2.");
  return quillet::FillIn(quillet::translate("Installer", text), {list, kSupportAddress});
}

std::string StartFailedMessage() {
  return quillet::FillIn(
      quillet::translate("Installer", "Unable to initialize the installer.  Please contact support at %1."),
      {kSupportAddress});
}

std::string UserCountFailedMessage() {
  return quillet::FillIn(
      quillet::translate("Installer", "Unable to get the user count.  Please contact support at %1."),
      {kSupportAddress});
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  // An empty folder gives "/name", never a bare name that the loader
  // would look for along its own search path.
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string HotSyncFolder(const std::string& execPath) {
  bool names_program = execPath.find(".exe") != std::string::npos || !FolderExists(execPath);
  if (!names_program) return execPath;
  size_t cut = execPath.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : execPath.substr(0, cut);
}

int32_t UninstallStep(const std::string& folder, const std::vector<std::string>& notifierPaths) {
  CLibrary condMgr, hsApi;
  std::string hotSync;
  if (int32_t st = LoadConduitManager(folder, &condMgr, &hotSync)) return st;
  auto remove = condMgr.Find<CmCreatorFn>("CmRemoveConduitByCreatorID");
  auto unregister = condMgr.Find<NmPathFn>("NmUnregister");
  if (!remove || !unregister) return kCondMgrInvalid;
  if (int32_t st = AskHotSyncFolder(condMgr, &hotSync)) return st;
  if (int32_t st = LoadHotSyncApi(hotSync, folder, &hsApi)) return st;
  bool running = false;
  if (int32_t st = HotSyncGuard(hsApi, &running)) return st;

  int32_t removed = remove(kCreator);
  for (const auto& path : notifierPaths) unregister(path.c_str());
  if (running) Refresh(hsApi);
  return removed < 0 ? removed : kOk;
}

int32_t InstallStep(const std::string& folder, const std::string& installPath) {
  const std::string conduit = JoinPath(installPath, kConduitLibrary);
  const std::string notifier = JoinPath(installPath, kNotifierLibrary);
  if (!FileExists(conduit) || !FileExists(notifier)) return kLibraryMissing;

  CLibrary condMgr, hsApi;
  std::string hotSync;
  if (int32_t st = LoadConduitManager(folder, &condMgr, &hotSync)) return st;
  auto install = condMgr.Find<CmCreatorNumberFn>("CmInstallCreator");
  auto module = condMgr.Find<CmCreatorTextFn>("CmSetCreatorModule");
  auto directory = condMgr.Find<CmCreatorTextFn>("CmSetCreatorDirectory");
  auto file = condMgr.Find<CmCreatorTextFn>("CmSetCreatorFile");
  auto remote = condMgr.Find<CmCreatorTextFn>("CmSetCreatorRemote");
  auto name = condMgr.Find<CmCreatorTextFn>("CmSetCreatorName");
  auto priority = condMgr.Find<CmCreatorNumberFn>("CmSetCreatorPriority");
  auto info = condMgr.Find<CmCreatorTextFn>("CmSetCreatorInfo");
  auto integrate = condMgr.Find<CmCreatorNumberFn>("CmSetCreatorIntegrate");
  auto registerNotifier = condMgr.Find<NmPathFn>("NmRegister");
  if (!install || !module || !directory || !file || !remote || !name || !priority || !info ||
      !integrate || !registerNotifier)
    return kCondMgrInvalid;

  if (int32_t st = AskHotSyncFolder(condMgr, &hotSync)) return st;
  if (int32_t st = LoadHotSyncApi(hotSync, folder, &hsApi)) return st;
  bool running = false;
  if (int32_t st = HotSyncGuard(hsApi, &running)) return st;

  // A creator code that is still registered keeps its settings.
  if (install(kCreator, kConduitType) == 0) {
    if (int32_t st = name(kCreator, conduit.c_str())) return st;
    if (int32_t st = directory(kCreator, kConduitFolder)) return st;
    if (int32_t st = file(kCreator, kConduitFile)) return st;
    if (int32_t st = remote(kCreator, kRemoteDatabase)) return st;
    if (int32_t st = module(kCreator, kConduitFolder)) return st;
    if (int32_t st = priority(kCreator, kConduitPriority)) return st;
    if (int32_t st = info(kCreator, kConduitInfo)) return st;
    integrate(kCreator, kConduitIntegrate);
  }
  if (int32_t st = registerNotifier(notifier.c_str())) return st;
  if (running) Refresh(hsApi);
  return kOk;
}

CInstaller::CInstaller() = default;

CInstaller::~CInstaller() {
  if (instAide_) dlclose(instAide_);
}

bool CInstaller::Start(const InstallerFolders& folders) {
  folders_ = folders;
  const std::vector<std::string> missing = MissingFiles(folders);
  if (!missing.empty()) {
    Show(MissingFilesMessage(missing), kCaption, quillet::kMbIconExclamation);
    exitCode_ = 1;
    return false;
  }
  instAide_ = dlopen(JoinPath(folders.libraries, kInstAideLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (instAide_) return true;
  Show(StartFailedMessage(), kCaption, quillet::kMbIconInformation);
  exitCode_ = 1;
  return false;
}

std::vector<std::string> CInstaller::Users() {
  std::vector<std::string> users;
  auto count = instAide_ ? reinterpret_cast<PltGetUserCountFn>(dlsym(instAide_, "PltGetUserCount")) : nullptr;
  auto get = instAide_ ? reinterpret_cast<PltGetUserFn>(dlsym(instAide_, "PltGetUser")) : nullptr;
  int32_t n = count ? count() : -1;
  if (n < 0) {
    Show(UserCountFailedMessage(), kUserCountCaption, quillet::kMbIconInformation);
    return users;
  }
  for (int32_t i = 0; i < n && get; ++i) {
    char name[kUserNameBuffer] = {};
    int32_t size = kUserNameBuffer;
    get(uint32_t(i), name, &size);
    name[kUserNameBuffer - 1] = 0;
    users.push_back(name);
  }
  return users;
}

int32_t CInstaller::Install(const std::string& user) {
  if (!instAide_) {
    exitCode_ = 1;
    return kCondMgrLoadFailed;
  }
  auto queue = reinterpret_cast<PltInstallFileFn>(dlsym(instAide_, "PltInstallFile"));
  const std::string prc = JoinPath(folders_.data, kHandheldApplication);
  if (queue) queue(user.c_str(), prc.c_str());

  std::string installPath;
  qplat::HKEY key = nullptr;
  if (qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key) == qplat::ERROR_SUCCESS) {
    installPath = ReadString(key, "InstallPath");
    qplat::RegSetString(key, "LastUsername", user);
    qplat::RegCloseKey(key);
  }
  // The notifier registered now, and one an earlier installation may have
  // registered from the folder in "InstallPath".
  const std::string libraries = folders_.libraries;
  std::vector<std::string> notifiers{JoinPath(libraries, kNotifierLibrary)};
  if (!installPath.empty()) {
    const std::string earlier = JoinPath(installPath, kNotifierLibrary);
    if (earlier != notifiers[0]) notifiers.push_back(earlier);
  }

  UninstallStep(libraries, notifiers);
  int32_t result = InstallStep(libraries, libraries);
  if (result == kOk) Show(DoneMessage(user), kCaption, quillet::kMbIconInformation);
  else ShowResult(result);
  if (result != kOk) exitCode_ = 1;
  return result;
}

}  // namespace installer
