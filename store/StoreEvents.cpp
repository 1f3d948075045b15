#include "store/StoreEvents.h"

#include <cstdarg>
#include <cstdio>

namespace quillet {
namespace {

// Function-local so that a hook installed from a static initializer
// elsewhere finds them constructed.
StoreBackupHook& BackupHook() {
  static StoreBackupHook hook;
  return hook;
}

StoreLogHook& LogHook() {
  static StoreLogHook hook;
  return hook;
}

}  // namespace

StoreBackupHook SetStoreBackupHook(StoreBackupHook hook) {
  StoreBackupHook previous = std::move(BackupHook());
  BackupHook() = std::move(hook);
  return previous;
}

void CallStoreBackupHook(const StoreBackupEvent& event) {
  if (BackupHook()) BackupHook()(event);
}

StoreLogHook SetStoreLogHook(StoreLogHook hook) {
  StoreLogHook previous = std::move(LogHook());
  LogHook() = std::move(hook);
  return previous;
}

void StoreLog(const char* format, ...) {
  if (!LogHook()) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  LogHook()(line);
}

}  // namespace quillet
