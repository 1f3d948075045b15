#include "store/db/CurrentDatabase.h"

#include <strings.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "app/core/DiagnosticLog.h"
#include "app/core/RegistryKey.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
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

// "OutputPath" of the user's key (ends in '/'), "" when unset.
std::string OutputPathOf(const std::string& user_folder) {
  CRegistryKey reg;
  reg.OpenProgramKey(user_folder);
  std::string output;
  reg.ReadValueString("OutputPath", &output, kTextBufferSize);
  return output;
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

void ShowOpenFailed() { ShowStringMessage(IDS_DB_OPEN_FAILED, kCaption, kMbOk | kMbIconInformation); }

void ShowKeptDamaged(const std::string& kept) {
  char text[1024];
  std::snprintf(text, sizeof text, LoadString(IDS_STORE_KEPT_DAMAGED), kept.c_str());
  MessageRequest r;
  r.stringId = IDS_STORE_KEPT_DAMAGED;
  r.text = text;
  r.caption = kCaption;
  r.flags = kMbOk | kMbIconExclamation;
  UI().ShowMessage(r);
}

}  // namespace

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

std::string KeptDamagedName(const std::string& store_path) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, ".damaged-%Y%m%d-%H%M", &local);
  std::string base = store_path + stamp;
  std::string name = base;
  for (int n = 2; FileExists(name); ++n) name = base + "-" + std::to_string(n);
  return name;
}

bool OpenUserStore(const std::string& user_folder) {
  DeleteCurrentStore();
  std::string output = OutputPathOf(user_folder);
  if (output.empty()) return false;
  std::string path = output + kStoreFileName;

  if (!FileExists(path)) {
    UI().ShowInfoDialog(kHotsyncDialog);
    EnsureStoreFile(user_folder);
  }

  pDB = new CRecordStore(kStoreFileName, output);
  TraceNew(pDB);
  DbResult rc = pDB->Load();
  if (rc == DB_ERR_OPEN && FileExists(path)) {
    // The file is there but cannot be opened: the conduit holds it, or we
    // may not read it. It is not damaged, and replacing it would lose it.
    LogValue("Unable to open database:", static_cast<int>(rc));
    DeleteCurrentStore();
    ShowOpenFailed();
    return false;
  }
  if (rc != DB_OK) {
    // Damaged (or vanished meanwhile): keep whatever is there for the
    // support desk and start a fresh store, never delete the user's records.
    LogValue("Database load failed:", static_cast<int>(rc));
    DeleteCurrentStore();
    std::string kept;
    if (FileExists(path)) {
      kept = KeptDamagedName(path);
      if (std::rename(path.c_str(), kept.c_str()) != 0) {
        LogPair("Unable to keep damaged database", path.c_str());
        ShowOpenFailed();
        return false;
      }
      LogPair("Damaged database kept as", kept.c_str());
    }
    EnsureStoreFile(user_folder);
    pDB = new CRecordStore(kStoreFileName, output);
    TraceNew(pDB);
    pDB->Load();
    if (!kept.empty()) ShowKeptDamaged(kept);
  }

  if (!LiveSettings()) {
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 1;
    if (pDB->AddNew(std::move(settings)) == DB_OK) pDB->Save();
  }
  BackupStoreIfStale(path);  // a copy a day, while automatic backups are on
  return true;
}

bool OpenArchive(const std::string& archive_path) {
  DeleteCurrentStore();
  size_t cut = archive_path.rfind('/');
  std::string folder = cut == std::string::npos ? "" : archive_path.substr(0, cut + 1);
  if (!FileExists(archive_path)) ShowOpenFailed();

  pDB = new CRecordStore(kArchiveFileName, folder);
  TraceNew(pDB);
  if (pDB->Load() != DB_OK) {
    // An archive that cannot be read is not replaced and not kept open: a
    // save would overwrite it with an empty store.
    DeleteCurrentStore();
    UI().ShowInfoDialog(kHotsyncDialog);
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

CTopicRecord* FindTopic(uint32_t id) {
  return FirstLive<CTopicRecord>([id](const CTopicRecord& t) { return t.recordId == id; });
}

CTopicLinksRecord* FindLinks(uint32_t id) {
  return FirstLive<CTopicLinksRecord>([id](const CTopicLinksRecord& l) { return l.recordId == id; });
}

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

bool CategoryNameExists(const std::string& name) {
  return FirstLive<CCategoryRecord>([&name](const CCategoryRecord& c) {
           return strcasecmp(c.name.c_str(), name.c_str()) == 0;
         }) != nullptr;
}

}  // namespace quillet
