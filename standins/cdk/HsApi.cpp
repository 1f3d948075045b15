// libHsApi.so: what the quillet-hotsync program publishes about itself in the
// registry store. A manager counts as running while the process it
// recorded is alive, so one that crashed is not taken for a running one.
#include <signal.h>

#include <cerrno>

#include "platform/cdk/Cdk.h"
#include "platform/cdk/HotSyncStore.h"

#define CDK_EXPORT extern "C" __attribute__((visibility("default")))

using namespace qplat;

namespace {

bool Running(const hotsync::ManagerState& s) {
  if (s.processId == 0 || s.processId > 0x7FFFFFFF) return false;
  return ::kill(static_cast<pid_t>(s.processId), 0) == 0 || errno == EPERM;
}

}  // namespace

CDK_EXPORT int32_t HsCheckApiStatus(void) {
  hotsync::ManagerState s;
  if (hotsync::ReadManagerState(&s)) return -1;
  return Running(s) ? 0 : -1;
}

CDK_EXPORT int32_t HsGetSyncStatus(uint32_t* status) {
  if (!status) return -1;
  hotsync::ManagerState s;
  if (hotsync::ReadManagerState(&s)) return -1;
  *status = Running(s) ? s.syncStatus : 0;
  return 0;
}

CDK_EXPORT int32_t HsRefreshConduitInfo(void) {
  hotsync::ManagerState s;
  if (hotsync::ReadManagerState(&s) || !Running(s)) return -1;
  // The quillet-hotsync program reads the registrations afresh for every
  // synchronisation; the count shows that a refresh was asked for.
  HKEY key = nullptr;
  if (RegCreateKey(HKEY_CURRENT_USER, hotsync::kManagerKey, &key)) return -1;
  LONG st = RegSetDword(key, "ConduitInfoRefreshes", s.refreshes + 1);
  RegCloseKey(key);
  return st ? -1 : 0;
}
