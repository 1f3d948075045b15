// libCondMgr.so: conduit and notifier registration in the registry store
// (layout in HotSyncStore.h), read by the quillet-hotsync program.
#include <cstring>
#include <string>
#include <vector>

#include "platform/cdk/Cdk.h"
#include "platform/cdk/HotSyncStore.h"
#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

#define CDK_EXPORT extern "C" __attribute__((visibility("default")))

using namespace qplat;

namespace {

// Longest text the Conduit Manager keeps for a conduit or notifier value.
constexpr size_t kMaxValue = 259;

class Key {
 public:
  ~Key() {
    if (h) RegCloseKey(h);
  }
  HKEY h = nullptr;
};

int32_t OpenConduit(const char* creator, Key* key) {
  if (!hotsync::IsValidCreator(creator)) return kCmErrInvalidCreator;
  Key conduits;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, hotsync::kConduitsKey, &conduits.h);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrNotInstalled;
  if (st) return kCmErrRegistryAccess;
  st = RegOpenKey(conduits.h, creator, &key->h);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrNotInstalled;
  return st ? kCmErrRegistryAccess : 0;
}

int32_t SetText(const char* creator, const char* name, const char* text) {
  if (!text) return kCmErrInvalidPointer;
  if (std::strlen(text) > kMaxValue) return kCmErrUnableToSetValue;
  Key key;
  if (int32_t st = OpenConduit(creator, &key)) return st;
  return RegSetString(key.h, name, text) ? kCmErrUnableToSetValue : 0;
}

int32_t SetNumber(const char* creator, const char* name, int32_t value) {
  Key key;
  if (int32_t st = OpenConduit(creator, &key)) return st;
  return RegSetDword(key.h, name, static_cast<DWORD>(value)) ? kCmErrUnableToSetValue : 0;
}

}  // namespace

CDK_EXPORT int32_t CmGetHotSyncExecPath(char* path, int32_t* size) {
  if (!path || !size || *size <= 0) return kCmErrInvalidPointer;
  path[0] = 0;
  Key core;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, palm::kCoreKey, &core.h);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrValueNotFound;
  if (st) return kCmErrRegistryAccess;
  DWORD type = 0;
  std::vector<uint8_t> data;
  st = RegGetValue(core.h, "HotSyncPath", &type, &data);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrValueNotFound;
  if (st) return kCmErrRegistryAccess;
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  if (n == 0) return kCmErrValueNotFound;
  if (static_cast<int32_t>(n) + 1 > *size) {
    *size = static_cast<int32_t>(n) + 1;
    return kCmErrBufferTooSmall;
  }
  std::memcpy(path, data.data(), n);
  path[n] = 0;
  *size = static_cast<int32_t>(n) + 1;
  return 0;
}

CDK_EXPORT int32_t CmRemoveConduitByCreatorID(const char* creator) {
  if (!hotsync::IsValidCreator(creator)) return kCmErrInvalidCreator;
  Key conduits;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, hotsync::kConduitsKey, &conduits.h);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrNotInstalled;
  if (st) return kCmErrRegistryAccess;
  st = RegDeleteTree(conduits.h, creator);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrNotInstalled;
  return st ? kCmErrUnableToDelete : 0;
}

CDK_EXPORT int32_t CmInstallCreator(const char* creator, int32_t type) {
  if (!hotsync::IsValidCreator(creator)) return kCmErrInvalidCreator;
  if (type != kCmConduitApplication) return kCmErrInvalidConduitType;
  Key conduits, key;
  if (RegCreateKey(HKEY_CURRENT_USER, hotsync::kConduitsKey, &conduits.h)) return kCmErrRegistryAccess;
  bool created = false;
  if (RegCreateKey(conduits.h, creator, &key.h, &created)) return kCmErrUnableToCreate;
  if (!created) return kCmErrCreatorInUse;
  return RegSetDword(key.h, "Type", static_cast<DWORD>(type)) ? kCmErrUnableToCreate : 0;
}

CDK_EXPORT int32_t CmSetCreatorName(const char* creator, const char* conduitPath) {
  return SetText(creator, "Name", conduitPath);
}
CDK_EXPORT int32_t CmSetCreatorDirectory(const char* creator, const char* folder) {
  return SetText(creator, "Directory", folder);
}
CDK_EXPORT int32_t CmSetCreatorFile(const char* creator, const char* file) {
  return SetText(creator, "File", file);
}
CDK_EXPORT int32_t CmSetCreatorRemote(const char* creator, const char* database) {
  return SetText(creator, "Remote", database);
}
CDK_EXPORT int32_t CmSetCreatorModule(const char* creator, const char* module) {
  return SetText(creator, "Module", module);
}
CDK_EXPORT int32_t CmSetCreatorPriority(const char* creator, int32_t priority) {
  // The manager runs conduits in priority order 0 (first) to 4 (last).
  if (priority < 0 || priority > 4) return kCmErrUnableToSetValue;
  return SetNumber(creator, "Priority", priority);
}
CDK_EXPORT int32_t CmSetCreatorInfo(const char* creator, const char* info) {
  return SetText(creator, "Info", info);
}
CDK_EXPORT int32_t CmSetCreatorIntegrate(const char* creator, int32_t integrate) {
  return SetNumber(creator, "Integrate", integrate);
}

CDK_EXPORT int32_t NmRegister(const char* notifierPath) {
  if (!notifierPath) return kCmErrInvalidPointer;
  if (!*notifierPath || std::strlen(notifierPath) > kMaxValue) return kCmErrUnableToSetValue;
  return hotsync::AddNotifier(notifierPath) ? kCmErrRegistryAccess : 0;
}

CDK_EXPORT int32_t NmUnregister(const char* notifierPath) {
  if (!notifierPath) return kCmErrInvalidPointer;
  LONG st = hotsync::RemoveNotifier(notifierPath);
  if (st == ERROR_FILE_NOT_FOUND) return kCmErrValueNotFound;
  return st ? kCmErrRegistryAccess : 0;
}
