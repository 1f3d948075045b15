// The installer's work without any window: queue the handheld application
// for a Palm user, take away an earlier conduit and notifier registration
// and register both afresh, all through the HotSync development-kit
// libraries loaded at run time. Messages go through quillet::UI().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace installer {

// What is handed to HotSync.
inline constexpr char kCreator[] = "QLTN";
inline constexpr char kConduitLibrary[] = "libQuilletConduit10.so";
inline constexpr char kNotifierLibrary[] = "libQuilletNotify10.so";
inline constexpr char kConduitFolder[] = "Quillet";  // also the conduit's module name
inline constexpr char kConduitFile[] = "Quillet.dat";
inline constexpr char kRemoteDatabase[] = "QuilletDB";
inline constexpr int32_t kConduitPriority = 2;
inline constexpr char kConduitInfo[] = "";
inline constexpr int32_t kConduitIntegrate = 0;
inline constexpr int32_t kConduitType = 1;  // an application conduit
// Relative to the folder the installer was started in.
inline constexpr char kHandheldApplication[] = "Quillet.prc";

inline constexpr char kProgramKey[] = "Software\\Brightfen\\Quillet\\";
inline constexpr char kCaption[] = "Installer";
inline constexpr char kUserCountCaption[] = "InstAide";
inline constexpr char kSupportAddress[] = "https://www.brightfen.example/support/";

// Results of the installer's own steps, beside the Conduit Manager's codes.
enum : int32_t {
  kOk = 0,
  kCondMgrLoadFailed = -1201,
  kCondMgrInvalid = -1202,
  kHsApiNotFound = -1203,
  kLibraryMissing = -1204,
  kHotSyncBusy = -1205,
};

// The text shown for a step's result; "" when nothing is shown.
std::string ResultMessage(int32_t code);
// Shows ResultMessage(code), if any, as a warning box captioned "Installer".
void ShowResult(int32_t code);

// "folder/name" whether or not `folder` ends in '/' ("/name" for "").
std::string JoinPath(const std::string& folder, const std::string& name);
// The HotSync folder from the HotSync program's path: a path naming the
// program (".exe" in it, or anything that is not a folder) is cut after
// its last separator; a folder is taken as it is.
std::string HotSyncFolder(const std::string& execPath);

// Takes away the registration of the conduit and the notifier at
// `notifierPath`, with the Conduit Manager looked for in `folder` first.
int32_t UninstallStep(const std::string& folder, const std::string& notifierPath);
// Registers the conduit and notifier found in `installPath` (a folder),
// with the Conduit Manager and the HotSync API looked for in `folder`.
int32_t InstallStep(const std::string& folder, const std::string& installPath);

// One run of the installer, as the window drives it.
class CInstaller {
 public:
  CInstaller();
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // Loads the user library from the first of `folders` that has it. On
  // failure shows the start-up message and sets the exit code to 1.
  bool Start(const std::vector<std::string>& folders);
  // The Palm users in the library's order; a failed count shows its
  // message and gives none.
  std::vector<std::string> Users();
  // Queues the handheld application for `user`, records the user, replaces
  // the registrations and shows the outcome. Returns the install step's code.
  int32_t Install(const std::string& user);

  int exitCode() const { return exitCode_; }

 private:
  void* instAide_ = nullptr;
  int exitCode_ = 0;
};

// The text of the start-up failure and of the failed user count.
std::string StartFailedMessage();
std::string UserCountFailedMessage();

}  // namespace installer
