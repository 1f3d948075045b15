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

StoreRenumberHook& RenumberHook() {
  static StoreRenumberHook hook;
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

uint32_t RenumberedId(const std::vector<RecordIdChange>& changes, uint32_t id) {
  if (id == 0) return id;
  for (const RecordIdChange& c : changes)
    if (c.from == id) return c.to;
  return id;
}

StoreRenumberHook SetStoreRenumberHook(StoreRenumberHook hook) {
  StoreRenumberHook previous = std::move(RenumberHook());
  RenumberHook() = std::move(hook);
  return previous;
}

void CallStoreRenumberHook(const StoreRenumberEvent& event) {
  if (RenumberHook() && !event.changes.empty()) RenumberHook()(event);
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
