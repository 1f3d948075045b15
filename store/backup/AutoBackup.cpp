#include "store/backup/AutoBackup.h"

#include <unistd.h>

#include <set>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/FolderSentences.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/Translate.h"
#include "platform/codepage/CodePage.h"
#include "platform/registry/Registry.h"
#include "store/StoreEvents.h"

namespace quillet {
namespace {

constexpr char kStoreName[] = "quillet.dat";
constexpr std::time_t kStaleAfter = 24 * 60 * 60;

std::string g_root;
BackupClock g_clock;
BackupNoticeHook g_notice;
std::set<std::string> g_told;  // the problems told since the root was set

// Tells the person `text` (UTF-8; paths in it) once per `problem`.
void TellOnce(const std::string& problem, const std::string& text) {
  if (!g_told.insert(problem).second) return;
  MessageRequest request;
  request.text = PathForMessage(text);
  request.caption = kCaptionBang;
  request.flags = kMbOk | kMbIconExclamation;
  if (g_notice) g_notice(request);
  else UI().ShowMessage(request);
}

// The folder names of the users' settings keys, with their "OutputPath".
template <class Visit>
void ForEachUserOutput(Visit visit) {
  qplat::HKEY program = nullptr;
  if (qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, ProgramKey, &program) != qplat::ERROR_SUCCESS) return;
  std::string name;
  for (qplat::DWORD i = 0; qplat::RegEnumKey(program, i, &name) == qplat::ERROR_SUCCESS; ++i) {
    qplat::HKEY user = nullptr;
    if (qplat::RegOpenKey(program, name, &user) != qplat::ERROR_SUCCESS) continue;
    std::vector<uint8_t> data;
    qplat::DWORD type = 0;
    std::string output;
    if (qplat::RegGetValue(user, "OutputPath", &type, &data) == qplat::ERROR_SUCCESS &&
        type == qplat::REG_SZ) {
      output.assign(data.begin(), data.end());
      while (!output.empty() && output.back() == '\0') output.pop_back();
    }
    qplat::RegCloseKey(user);
    if (output.empty()) continue;
    if (output.back() != '/') output += '/';
    if (!visit(name, output + kStoreName)) break;
  }
  qplat::RegCloseKey(program);
}

void LogCopy(BackupReason reason, const std::string& text, const std::string& detail) {
  const std::string head = std::string("Backup (") + BackupReasonName(reason) + ") " + text;
  LogPair(head.c_str(), detail.c_str());
}

bool Copy(const std::string& storePath, BackupReason reason, bool lockHeld) {
  if (g_root.empty() || storePath.empty()) return false;
  CStoreBackups backups = BackupsOfStore(storePath, g_root, g_clock);
  if (reason == BackupReason::kBeforeMerge) {
    // Another program writing all the time must not fill the disk with
    // copies: one for the merges of a quarter of an hour.
    const std::time_t newest = backups.NewestTaken();
    if (newest != 0 && backups.Now() - newest < kMergeBackupEvery) {
      LogCopy(reason, "skipped, the newest copy is recent:", FormatUtcTime(newest));
      return true;
    }
  }
  BackupOptions options;
  options.markDamaged = reason == BackupReason::kDamagedSetAside;
  options.callerHoldsLock = lockHeld;
  std::string path;
  bool written = false;
  const BackupResult rc = backups.Create(options, &path, &written);
  for (const std::string& dropped : backups.droppedForSpace())
    LogCopy(reason, "removed for free space:", dropped);
  if (!backups.droppedForSpace().empty() || rc == BackupResult::kNoSpace)
    TellOnce("space",
             FillIn(rc == BackupResult::kNoSpace
                        ? translate("AutoBackup",
                                    "The disk of %1 is nearly full. Quillet! keeps room for saving your records "
                                    "there: it takes no more backups of %2 until there is more room.\n\n"
                                    "Free some space on that disk.")
                        : translate("AutoBackup",
                                    "The disk of %1 is nearly full. Quillet! keeps room for saving your records "
                                    "there: it removed the oldest backups of %2 to make room.\n\n"
                                    "Free some space on that disk."),
                    {backups.folder(), storePath}));
  if (rc != BackupResult::kOk) {
    LogCopy(reason, std::string("failed: ") + BackupResultText(rc) + ":", storePath);
    if (!backups.folderProblem().empty() &&
        (rc == BackupResult::kFolderIsLink || rc == BackupResult::kFolderFailed ||
         rc == BackupResult::kFolderNotPrivate))
      TellOnce("folder " + backups.folderProblem(),
               FillIn(translate("AutoBackup", "%1\n\nQuillet! takes no backups of %2 until then."),
                      {PrivateFolderSentence(backups.folderCheck(), BackupFolderPurpose()), storePath}));
    return false;
  }
  LogCopy(reason, written ? "written:" : "unchanged since:", path);
  return true;
}

}  // namespace

const char* BackupReasonName(BackupReason reason) {
  switch (reason) {
    case BackupReason::kRequested: return "requested";
    case BackupReason::kUserStoreOpened: return "daily";
    case BackupReason::kBeforeHotSync: return "before HotSync";
    case BackupReason::kBeforeDeleteAll: return "before Delete All";
    case BackupReason::kBeforeMerge: return "before merge";
    case BackupReason::kDamagedSetAside: return "damaged";
    case BackupReason::kBeforeRestore: return "before restore";
  }
  return "unknown";
}

std::string DefaultBackupsRoot() {
  const std::string data = UserDataFolder();
  return data.empty() ? std::string() : data + "backups/";
}

std::string PalmUserFolderOfStore(const std::string& storePath) {
  const std::string wanted = AbsoluteStorePath(storePath);
  std::string found;
  ForEachUserOutput([&](const std::string& folder, const std::string& store) {
    if (AbsoluteStorePath(store) != wanted) return true;
    found = folder;
    return false;
  });
  return found;
}

CStoreBackups BackupsOfStore(const std::string& storePath, const std::string& backupsRoot,
                             BackupClock clock) {
  const std::string absolute = AbsoluteStorePath(storePath);
  return CStoreBackups(storePath, backupsRoot, BackupFolderName(absolute, PalmUserFolderOfStore(storePath)),
                       std::move(clock));
}

void SetAutomaticBackupsRoot(const std::string& root) {
  g_root = root;
  g_told.clear();
}

BackupNoticeHook SetBackupNoticeHook(BackupNoticeHook hook) {
  BackupNoticeHook previous = std::move(g_notice);
  g_notice = std::move(hook);
  return previous;
}
const std::string& AutomaticBackupsRoot() { return g_root; }
void SetAutomaticBackupClock(BackupClock clock) { g_clock = std::move(clock); }

bool BackupStoreNow(const std::string& storePath, BackupReason reason) {
  return Copy(storePath, reason, false);
}

bool BackupLockedStoreNow(const std::string& storePath, BackupReason reason) {
  return Copy(storePath, reason, true);
}

void ConnectStoreBackupHook() {
  SetStoreBackupHook([](const StoreBackupEvent& event) {
    BackupLockedStoreNow(event.path, event.reason == StoreBackupReason::kMergingSave
                                         ? BackupReason::kBeforeMerge
                                         : BackupReason::kDamagedSetAside);
  });
}

bool BackupStoreIfStale(const std::string& storePath) {
  if (g_root.empty() || storePath.empty()) return false;
  CStoreBackups backups = BackupsOfStore(storePath, g_root, g_clock);
  const std::time_t newest = backups.NewestTaken();
  if (newest != 0 && backups.Now() - newest <= kStaleAfter) return true;
  return Copy(storePath, BackupReason::kUserStoreOpened, false);
}

int BackupAllUserStores(BackupReason reason) {
  if (g_root.empty()) return 0;
  std::vector<std::string> stores;
  ForEachUserOutput([&](const std::string&, const std::string& store) {
    if (::access(store.c_str(), F_OK) == 0) stores.push_back(store);
    return true;
  });
  int copied = 0;
  for (const std::string& store : stores) copied += Copy(store, reason, false) ? 1 : 0;
  return copied;
}

}  // namespace quillet
