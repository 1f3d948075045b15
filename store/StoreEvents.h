// What the record store tells the rest of the program about a store file,
// without knowing who listens: log lines, and the moments a backup of the
// file is worth taking.
//
// Both hooks are process-wide and optional; installing one replaces the
// previous one (the installer gets the previous one back). They are called
// on the thread that runs the store operation, which in the program is the
// user-interface thread.
#pragma once

#include <functional>
#include <string>

namespace quillet {

// Why the store is about to change a file that holds another writer's
// records.
enum class StoreBackupReason {
  // A save found that another writer changed the file since this process
  // last loaded or saved it; the file is about to be merged with this
  // process's changes and replaced.
  kMergingSave,
  // The file cannot be read (damaged, not just being written) and is about
  // to be renamed aside so that a working store can take its place.
  kSetAsideDamaged,
};

struct StoreBackupEvent {
  std::string path;  // the store file as the store names it
  StoreBackupReason reason;
  // A descriptor open for reading on the file as it is now, or -1. The
  // store holds the file's lock while the hook runs, so the hook must read
  // through this descriptor (pread) and never open the file through
  // CStoreFile or CRecordStore, which would wait for that lock. The
  // descriptor stays owned by the store.
  int fd = -1;
};

using StoreBackupHook = std::function<void(const StoreBackupEvent&)>;
// Called before a merging save replaces the file and before a damaged file
// is set aside. Returns the hook that was installed before.
StoreBackupHook SetStoreBackupHook(StoreBackupHook hook);
// Calls the installed hook, if any.
void CallStoreBackupHook(const StoreBackupEvent& event);

using StoreLogHook = std::function<void(const std::string& line)>;
// Receives the store's log lines (merges, leftover files removed, files set
// aside). Without a hook the lines go nowhere. Returns the previous hook.
StoreLogHook SetStoreLogHook(StoreLogHook hook);
// printf-style line to the installed hook.
void StoreLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quillet
