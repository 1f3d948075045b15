#include "desktop/db/CurrentDatabase.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/StartMoments.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "store/StoreEvents.h"
#include "store/backup/AutoBackup.h"

namespace quillet {

CRecordStore* pDB = nullptr;

namespace {

CloseMainWindowFn g_close_main_window = nullptr;

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

void TraceNew(const CRecordStore* db) {
  DebugTrace("NEW pDB = 0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(db));
}

void TraceDelete(const CRecordStore* db) {
  DebugTrace("DELETE pDB = 0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(db));
}

std::string g_last_open_failure;

// "OutputPath" of the user's key (ends in '/'), "" when unset; *status (when
// given) is the settings' status code of the failed open or read.
std::string OutputPathOf(const std::string& user_folder, int32_t* status = nullptr) {
  CRegistryKey reg;
  reg.OpenProgramKey(user_folder);
  std::string output;
  if (reg.key) reg.ReadValueString("OutputPath", &output, kTextBufferSize);
  if (status) *status = reg.status;
  return output;
}

// Why a user has no store to open: no records folder in the settings, or
// settings that could not be read at all.
std::string NoOutputPathReason(int32_t status) {
  switch (status) {
    case qplat::ERROR_SUCCESS:
    case qplat::ERROR_FILE_NOT_FOUND:
      return "No folder for the user's records is set (\"OutputPath\" of the user's settings is empty).";
    case qplat::ERROR_DISK_FULL:
      return "The settings could not be read: the disk is full.";
    default: {
      char text[160];
      std::snprintf(text, sizeof text, "The settings could not be read (status %d).", static_cast<int>(status));
      return text;
    }
  }
}

// The first live settings record, without touching the store's cursors.
CSettingsRecord* LiveSettings() {
  if (!pDB) return nullptr;
  for (uint32_t i = 0; i < pDB->highWater(); ++i) {
    CRecord* r = pDB->RecordAt(i);
    if (r && r->IsLive())
      if (auto* s = RecordAs<CSettingsRecord>(r)) return s;
  }
  return nullptr;
}

// The first live record of kind T for which `match` holds, in position order.
template <class T, class Match>
T* FirstLive(Match match) {
  if (!pDB) return nullptr;
  for (uint32_t i = 0; i < pDB->highWater(); ++i) {
    CRecord* r = pDB->RecordAt(i);
    if (!r || !r->IsLive()) continue;
    if (T* t = RecordAs<T>(r); t && match(*t)) return t;
  }
  return nullptr;
}

// String 107, followed by why the store could not be opened.
void ShowOpenFailed(const std::string& reason = std::string()) {
  std::string text = UiString(IDS_DB_OPEN_FAILED);
  if (!reason.empty()) text += "\n\n" + reason;
  ShowFilledStringMessage(IDS_DB_OPEN_FAILED, text, kMbOk | kMbIconInformation);
}

void ShowKeptDamaged(const std::string& kept) {
  char text[1024];
  std::snprintf(text, sizeof text, UiString(IDS_STORE_KEPT_DAMAGED).c_str(),
                PathForMessage(kept).c_str());
  ShowFilledStringMessage(IDS_STORE_KEPT_DAMAGED, text, kMbOk | kMbIconExclamation);
}

// The store's own log lines (merges, files set aside, leftovers removed)
// go to the diagnostic log.
const bool g_store_log_installed = [] {
  SetStoreLogHook([](const std::string& line) { LogLine(line.c_str()); });
  return true;
}();

void AddSettingsIfMissing() {
  if (LiveSettings()) return;
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  if (pDB->AddNew(std::move(settings)) == DB_OK) pDB->Save();
}

// Sets the damaged file at `path` aside, provided it is still the file
// `store` found damaged: a file that changed since is not judged by an
// older reading. The kept name, or "" (changed since, or not renamed).
std::string SetAsideIfUnchanged(const std::string& path, const CRecordStore& store, bool* changed) {
  *changed = false;
  CStoreLock lock;
  if (lock.Acquire(path, O_RDONLY) != DB_OK) return std::string();
  if (lock.Stamp() != store.fileStamp()) {
    *changed = true;
    return std::string();
  }
  return SetAsideDamagedStore(path, lock.fd());
}

}  // namespace

void TellStoreOpenFailed(const std::string& reason) { ShowOpenFailed(reason); }

const std::string& LastStoreOpenFailure() { return g_last_open_failure; }

void DeleteCurrentStore() {
  if (!pDB) return;
  TraceDelete(pDB);
  delete pDB;
  pDB = nullptr;
}

CloseMainWindowFn SetCloseMainWindowHook(CloseMainWindowFn hook) {
  CloseMainWindowFn previous = g_close_main_window;
  g_close_main_window = hook;
  return previous;
}

bool EnsureStoreFile(const std::string& user_folder) {
  std::string output = OutputPathOf(user_folder);
  if (output.empty()) return false;
  if (FileExists(output + kStoreFileName)) return true;

  CRecordStore fresh(kStoreFileName, output);
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  DbResult rc = fresh.AddNew(std::move(settings));
  if (rc == DB_OK) rc = fresh.Save();
  if (rc != DB_OK) {
    LogPair("Unable to create database file", fresh.path().c_str());
    return false;
  }
  return true;
}

namespace {
bool OpenUserStoreFor(const std::string& user_folder);
}  // namespace

bool OpenUserStore(const std::string& user_folder) {
  g_last_open_failure.clear();
  const bool opened = OpenUserStoreFor(user_folder);
  if (!opened && g_last_open_failure.empty()) g_last_open_failure = "The records could not be opened.";
  if (opened) g_last_open_failure.clear();
  return opened;
}

namespace {

// The reason shown with string 107, remembered for the start-up window.
void OpenFailed(const std::string& reason) {
  g_last_open_failure = reason;
  ShowOpenFailed(reason);
}

bool OpenUserStoreFor(const std::string& user_folder) {
  (void)g_store_log_installed;
  int32_t settings_status = 0;
  std::string output = OutputPathOf(user_folder, &settings_status);
  // Without a folder there is nothing to open; whatever store is open stays.
  if (output.empty()) {
    g_last_open_failure = NoOutputPathReason(settings_status);
    return false;
  }
  std::string path = output + kStoreFileName;

  // The store that is open again (a HotSync of the current user, a reopen):
  // bring in what the other writer changed, keeping every record object
  // and whatever this process has not saved yet.
  if (pDB != nullptr && pDB->path() == path) {
    DbResult rc = FileExists(path) ? pDB->Reload() : DB_ERR_OPEN;
    if (rc == DB_OK) {
      AddSettingsIfMissing();
      BackupStoreIfStale(path);
      return true;
    }
    // Held beyond the wait, or still being written by another program when
    // the wait ended: nothing is damaged, nothing is replaced.
    if ((rc == DB_ERR_OPEN && FileExists(path)) || pDB->failedWhileBeingWritten()) {
      LogValue("Unable to open database:", static_cast<int>(rc));
      OpenFailed(pDB->ShownFailureReason(rc));
      return false;
    }
    // Gone, or damaged: the records in memory are the last good ones. A
    // damaged file is kept aside; then they are written in its place.
    std::string kept;
    if (rc != DB_ERR_OPEN) {
      CRecordStore probe(kStoreFileName, output);
      bool changed = false;
      const DbResult probed = probe.Load();
      if (probed != DB_OK && !probe.failedWhileBeingWritten()) kept = SetAsideIfUnchanged(path, probe, &changed);
      if (kept.empty() && FileExists(path)) {
        OpenFailed(probed != DB_OK ? probe.ShownFailureReason(probed) : pDB->ShownFailureReason(rc));
        return false;
      }
    }
    if (const DbResult saved = pDB->Save(); saved != DB_OK) {
      OpenFailed(pDB->ShownFailureReason(saved));
      return false;
    }
    if (!kept.empty()) ShowKeptDamaged(kept);
    AddSettingsIfMissing();
    return true;
  }

  if (!FileExists(path)) {
    UI().ShowInfoDialog(kHotsyncDialog);
    EnsureStoreFile(user_folder);
  }
  auto fresh = std::make_unique<CRecordStore>(kStoreFileName, output);
  TraceNew(fresh.get());
  NoteStartMoment("until the store");
  DbResult rc = fresh->Load();
  NoteStartMoment("store load");
  std::string kept;
  for (int tries = 0; rc != DB_OK; ++tries) {
    if ((rc == DB_ERR_OPEN && FileExists(path)) || fresh->failedWhileBeingWritten()) {
      // The file is there but cannot be opened: the conduit held it for
      // longer than we wait, or we may not read it, or another program was
      // still writing it when the wait ended. It is not damaged, and
      // replacing it would lose it; the store that was open stays open.
      LogValue("Unable to open database:", static_cast<int>(rc));
      OpenFailed(fresh->ShownFailureReason(rc));
      TraceDelete(fresh.get());
      return false;
    }
    // Damaged (or vanished meanwhile): keep whatever is there for the
    // support desk and start a fresh store, never delete the user's records.
    LogValue("Database load failed:", static_cast<int>(rc));
    if (FileExists(path)) {
      bool changed = false;
      kept = SetAsideIfUnchanged(path, *fresh, &changed);
      if (changed && tries < 3) {
        rc = fresh->Load();  // somebody wrote it meanwhile: judge the new file
        continue;
      }
      if (kept.empty()) {
        OpenFailed(fresh->ShownFailureReason(rc));
        TraceDelete(fresh.get());
        return false;
      }
    }
    EnsureStoreFile(user_folder);
    TraceDelete(fresh.get());
    fresh = std::make_unique<CRecordStore>(kStoreFileName, output);
    TraceNew(fresh.get());
    fresh->Load();
    break;
  }
  DeleteCurrentStore();
  pDB = fresh.release();
  if (!kept.empty()) ShowKeptDamaged(kept);
  AddSettingsIfMissing();
  BackupStoreIfStale(path);  // a copy a day, while automatic backups are on
  NoteStartMoment("daily backup");
  return true;
}

}  // namespace

bool OpenArchive(const std::string& archive_path) {
  (void)g_store_log_installed;
  DeleteCurrentStore();
  size_t cut = archive_path.rfind('/');
  std::string folder = cut == std::string::npos ? "" : archive_path.substr(0, cut + 1);
  if (!FileExists(archive_path)) ShowOpenFailed();

  pDB = new CRecordStore(kArchiveFileName, folder);
  TraceNew(pDB);
  const DbResult rc = pDB->Load();
  if (rc != DB_OK) {
    // An archive that cannot be read is not replaced and not kept open: a
    // save would overwrite it with an empty store. Say why it was refused
    // (the "no records yet" dialog would point the wrong way here).
    const std::string reason = pDB->ShownFailureReason(rc);
    DeleteCurrentStore();
    ShowOpenFailed(reason);
    if (g_close_main_window) g_close_main_window();
    return false;
  }
  return true;
}

uint32_t NextRecordId() {
  CSettingsRecord* settings = LiveSettings();
  if (!settings) return 1;
  settings->lastRecordId += 1;
  settings->flags |= kFlagModified;
  return settings->lastRecordId;
}

CRecord* FindRecord(uint32_t id) {
  if (!pDB || id == 0) return nullptr;
  CRecord* r = nullptr;
  return pDB->FindById(id, &r) == DB_OK ? r : nullptr;
}

// The first live record of kind T with this id. When the first record of
// any kind with the id is one, the store's id index gives it at once;
// otherwise (a deleted or other-kind record comes first) the store is read.
template <class T>
T* FirstLiveWithId(uint32_t id) {
  if (!pDB) return nullptr;
  CRecord* first = nullptr;
  if (pDB->FindById(id, &first) != DB_OK) return nullptr;
  if (first->IsLive())
    if (T* t = RecordAs<T>(first)) return t;
  return FirstLive<T>([id](const T& t) { return t.recordId == id; });
}

CTopicRecord* FindTopic(uint32_t id) { return FirstLiveWithId<CTopicRecord>(id); }

CTopicLinksRecord* FindLinks(uint32_t id) { return FirstLiveWithId<CTopicLinksRecord>(id); }

CTopicLinksRecord* FindLinksOfTopic(const CTopicRecord* topic) {
  if (!topic) return nullptr;
  return FindLinks(topic->linksId);
}

CTopicRecord* FindTopicOfMember(uint32_t member_id) {
  CTopicLinksRecord* links =
      FirstLive<CTopicLinksRecord>([member_id](const CTopicLinksRecord& l) { return l.HasMember(member_id); });
  // A member of no topic has no topic, even if some topic has no links record.
  if (!links) return nullptr;
  uint32_t links_id = links->recordId;
  return FirstLive<CTopicRecord>([links_id](const CTopicRecord& t) { return t.linksId == links_id; });
}

bool CategoryNameExists(const CpText& name) {
  return FirstLive<CCategoryRecord>([&name](const CCategoryRecord& c) {
           return strcasecmp(c.name.c_str(), name.c_str()) == 0;
         }) != nullptr;
}

}  // namespace quillet
