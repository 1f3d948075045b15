// What the record store tells the rest of the program about a store file,
// without knowing who listens: log lines, and the moments a backup of the
// file is worth taking.
//
// Both hooks are process-wide and optional; installing one replaces the
// previous one (the installer gets the previous one back). They are called
// on the thread that runs the store operation, which in the program is the
// user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// A record added here that got a fresh id in a merge, because another
// writer had used its id for a record of its own.
struct RecordIdChange {
  uint32_t from = 0;
  uint32_t to = 0;
};
// `id` as it is after `changes`: the new id of a renumbered record, any
// other id as it is (0 stays 0).
uint32_t RenumberedId(const std::vector<RecordIdChange>& changes, uint32_t id);

class CRecordStore;

struct StoreRenumberEvent {
  const CRecordStore* store = nullptr;  // the store whose records were renumbered
  std::string path;             // its file as the store names it
  std::vector<RecordIdChange> changes;
};

using StoreRenumberHook = std::function<void(const StoreRenumberEvent&)>;
// Called when a merge (a merging save or a reload) gave records added here
// fresh ids, once the merged records are the store, so that whoever holds
// the old ids (windows, the tree, the selection) can follow them before
// the save goes on. The hook must not load, save or reload any store: the
// store may hold its file's lock. Returns the previous hook.
StoreRenumberHook SetStoreRenumberHook(StoreRenumberHook hook);
void CallStoreRenumberHook(const StoreRenumberEvent& event);

using StoreLogHook = std::function<void(const std::string& line)>;
// Receives the store's log lines (merges, leftover files removed, files set
// aside). Without a hook the lines go nowhere. Returns the previous hook.
StoreLogHook SetStoreLogHook(StoreLogHook hook);
// printf-style line to the installed hook.
void StoreLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quillet
