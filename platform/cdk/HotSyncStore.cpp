#include "platform/cdk/HotSyncStore.h"

#include <cstring>

namespace qplat::hotsync {
namespace {

class Key {
 public:
  ~Key() {
    if (h) RegCloseKey(h);
  }
  HKEY h = nullptr;
};

std::string AsText(const std::vector<uint8_t>& data) {
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  return std::string(data.begin(), data.begin() + n);
}

uint32_t AsNumber(const std::vector<uint8_t>& data) {
  uint32_t v = 0;
  if (data.size() == sizeof v) std::memcpy(&v, data.data(), sizeof v);
  return v;
}

}  // namespace

bool IsValidCreator(const char* creator) {
  if (!creator) return false;
  for (int i = 0; i < 4; ++i) {
    unsigned char c = static_cast<unsigned char>(creator[i]);
    if (c < 0x20 || c > 0x7E || c == '/' || c == '\\') return false;
  }
  return creator[4] == 0;
}

LONG ListNotifiers(std::vector<std::string>* paths) {
  paths->clear();
  Key key;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, kNotifiersKey, &key.h);
  if (st == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (st) return st;
  std::string name;
  DWORD type = 0;
  std::vector<uint8_t> data;
  for (DWORD i = 0;; ++i) {
    st = RegEnumValue(key.h, i, &name, &type, &data);
    if (st == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (st) return st;
    if (type == REG_SZ && !data.empty()) paths->push_back(AsText(data));
  }
}

// The list is rewritten whole so that its value names stay "0", "1", ...
// without gaps after a removal.
static LONG WriteNotifiers(const std::vector<std::string>& paths) {
  Key key;
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kNotifiersKey, &key.h)) return st;
  if (LONG st = RegDeleteTree(key.h, "")) return st;
  for (size_t i = 0; i < paths.size(); ++i)
    if (LONG st = RegSetString(key.h, std::to_string(i), paths[i])) return st;
  return ERROR_SUCCESS;
}

LONG AddNotifier(const std::string& path) {
  std::vector<std::string> paths;
  if (LONG st = ListNotifiers(&paths)) return st;
  for (const auto& p : paths)
    if (p == path) return ERROR_SUCCESS;
  paths.push_back(path);
  return WriteNotifiers(paths);
}

LONG RemoveNotifier(const std::string& path) {
  std::vector<std::string> paths;
  if (LONG st = ListNotifiers(&paths)) return st;
  std::vector<std::string> kept;
  for (const auto& p : paths)
    if (p != path) kept.push_back(p);
  if (kept.size() == paths.size()) return ERROR_FILE_NOT_FOUND;
  return WriteNotifiers(kept);
}

static LONG ReadConduit(HKEY parent, const std::string& creator, Conduit* conduit) {
  Key key;
  if (LONG st = RegOpenKey(parent, creator, &key.h)) return st;
  conduit->creator = creator;
  conduit->numbers.clear();
  conduit->texts.clear();
  std::string name;
  DWORD type = 0;
  std::vector<uint8_t> data;
  for (DWORD i = 0;; ++i) {
    LONG st = RegEnumValue(key.h, i, &name, &type, &data);
    if (st == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (st) return st;
    if (type == REG_DWORD)
      conduit->numbers[name] = AsNumber(data);
    else
      conduit->texts[name] = AsText(data);
  }
}

LONG ListConduits(std::vector<Conduit>* conduits) {
  conduits->clear();
  Key key;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, kConduitsKey, &key.h);
  if (st == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (st) return st;
  std::string name;
  for (DWORD i = 0;; ++i) {
    st = RegEnumKey(key.h, i, &name);
    if (st == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (st) return st;
    Conduit c;
    if ((st = ReadConduit(key.h, name, &c))) return st;
    conduits->push_back(std::move(c));
  }
}

LONG FindConduit(const std::string& creator, Conduit* conduit) {
  Key key;
  if (LONG st = RegOpenKey(HKEY_CURRENT_USER, kConduitsKey, &key.h)) return st;
  return ReadConduit(key.h, creator, conduit);
}

LONG ReadManagerState(ManagerState* state) {
  *state = ManagerState{};
  Key key;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, kManagerKey, &key.h);
  if (st == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (st) return st;
  struct {
    const char* name;
    uint32_t* out;
  } fields[] = {{"ProcessId", &state->processId},
                {"SyncStatus", &state->syncStatus},
                {"ConduitInfoRefreshes", &state->refreshes}};
  for (auto& f : fields) {
    DWORD type = 0;
    std::vector<uint8_t> data;
    st = RegGetValue(key.h, f.name, &type, &data);
    if (st == ERROR_FILE_NOT_FOUND) continue;
    if (st) return st;
    if (type == REG_DWORD) *f.out = AsNumber(data);
  }
  return ERROR_SUCCESS;
}

LONG PublishManagerState(uint32_t processId, uint32_t syncStatus) {
  Key key;
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kManagerKey, &key.h)) return st;
  if (LONG st = RegSetDword(key.h, "ProcessId", processId)) return st;
  return RegSetDword(key.h, "SyncStatus", syncStatus);
}

}  // namespace qplat::hotsync
