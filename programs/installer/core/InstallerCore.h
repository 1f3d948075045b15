// The installer's work without any window: queue the handheld application
// for a Palm user, take away an earlier conduit and notifier registration
// and register both afresh, all through the HotSync development-kit
// libraries loaded at run time. Messages go through quillet::UI().
//
// Everything the installer uses lies beside its own program file, never in
// the folder it was started from: the development-kit libraries, the
// conduit and the notifier in lib/quillet/, Quillet.prc in share/quillet/
// (InstallerFolders). It checks that all of them are there before it
// changes anything. Palm user names are code-page bytes, as the user
// library gives them.
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
// In the data folder (InstallerFolders::data).
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

// The text shown for a step's result; "" for success.
std::string ResultMessage(int32_t code);
// Shows ResultMessage(code), if any, as a warning box captioned "Installer".
void ShowResult(int32_t code);
// What a successful run tells: what was queued for whom and registered.
std::string DoneMessage(const std::string& user);

// Where the installer's files are.
struct InstallerFolders {
  std::string libraries;  // instaide, CondMgr, HsApi, the conduit, the notifier
  std::string data;       // Quillet.prc
};
// The folders beside the running program: lib/quillet/ and share/quillet/
// of its prefix (installed or in the build tree).
InstallerFolders FoldersBesideProgram();
// The files the installer needs that `folders` lack (full paths), in a
// fixed order; empty when everything is there.
std::vector<std::string> MissingFiles(const InstallerFolders& folders);
// The message naming those files.
std::string MissingFilesMessage(const std::vector<std::string>& missing);

// "folder/name" whether or not `folder` ends in '/' ("/name" for "").
std::string JoinPath(const std::string& folder, const std::string& name);
// The HotSync folder from the HotSync program's path: a path naming the
// program (".exe" in it, or anything that is not a folder) is cut after
// its last separator; a folder is taken as it is.
std::string HotSyncFolder(const std::string& execPath);

// Takes away the registration of the conduit and of the notifiers at
// `notifierPaths`, with the Conduit Manager looked for in `folder` first.
int32_t UninstallStep(const std::string& folder, const std::vector<std::string>& notifierPaths);
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

  // Checks that every file is in `folders` (a missing one is named in a
  // message, nothing changes) and loads the user library. On failure the
  // exit code is 1.
  bool Start(const InstallerFolders& folders);
  // The Palm users in the library's order (code-page bytes); a failed
  // count shows its message and gives none.
  std::vector<std::string> Users();
  // Queues the handheld application for `user`, records the user, replaces
  // the registrations and shows the outcome: what was done, or what went
  // wrong. Returns the install step's code.
  int32_t Install(const std::string& user);

  int exitCode() const { return exitCode_; }

 private:
  InstallerFolders folders_;
  void* instAide_ = nullptr;
  int exitCode_ = 0;
};

// The text of the start-up failure and of the failed user count.
std::string StartFailedMessage();
std::string UserCountFailedMessage();

}  // namespace installer
