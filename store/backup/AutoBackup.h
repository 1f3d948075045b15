// Where the program keeps the copies of its stores, and the moments it takes
// one without being asked.
//
// The backups folder is $XDG_DATA_HOME/quillet/backups/. A store is a Palm
// user's store when it is the "quillet.dat" in the "OutputPath" of one of
// the users' settings keys; its copies are then filed under that user's
// folder name, so the program and quillet-cli find the same copies.
//
// Automatic copies are off until the program names the backups folder
// (SetAutomaticBackupsRoot): libraries that open stores are used by tools
// and tests too, which must not write into the user's data folder unasked.
// Once on, each trigger below copies the store file; a failure is written to
// the diagnostic log and never stops what the trigger guards (the person's
// command, the HotSync) — the store itself is untouched either way.
// Merges come often while another program writes: a merge is copied only
// when the newest copy is kMergeBackupEvery old (HotSync, Delete All and
// the others always copy). A backups folder that cannot be used (a link,
// another user's, writable by others), and copies removed or refused for
// free space, are also told to the person, once per process and problem,
// through the notice hook below.
//
// User-interface thread only (the settings and the clock are process-wide).
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "base/UserInterface.h"
#include "store/backup/StoreBackups.h"

namespace quillet {

// A merge is copied only when the newest copy is at least this old.
inline constexpr std::time_t kMergeBackupEvery = 15 * 60;

// Why a copy is taken: the moments that take one.
enum class BackupReason : uint8_t {
  kRequested,         // the person asked (quillet-cli backup create)
  kUserStoreOpened,   // a user's store was opened and the newest copy is over a day old
  kBeforeHotSync,     // a HotSync is about to let the conduit at the file
  kBeforeDeleteAll,   // Edit > Delete All was confirmed
  kBeforeMerge,       // a save is about to merge another writer's changes
  kDamagedSetAside,   // the store does not load and is being set aside (copy marked damaged)
  kBeforeRestore,     // a copy is about to replace the store
};
const char* BackupReasonName(BackupReason reason);

// $XDG_DATA_HOME/quillet/backups/ (or under ~/.local/share); "" when there
// is no data folder.
std::string DefaultBackupsRoot();

// The Palm user's folder name whose "OutputPath" holds this store, "" when
// it is no user's store.
std::string PalmUserFolderOfStore(const std::string& storePath);

// The copies of `storePath` below `backupsRoot`.
CStoreBackups BackupsOfStore(const std::string& storePath, const std::string& backupsRoot,
                             BackupClock clock = {});

// Switches automatic copies on (a backups folder) or off (""). Off at start.
// What was told about the copies is forgotten: a new folder is told afresh.
void SetAutomaticBackupsRoot(const std::string& root);
const std::string& AutomaticBackupsRoot();
// Tests move the time the automatic copies are named and judged by.
void SetAutomaticBackupClock(BackupClock clock);

// How problems of the automatic copies reach the person. A copy is often
// taken inside a save, with the store's lock held, where no box may wait
// for an answer: the program installs a hook that shows the message later,
// from its event loop. Without a hook, UI().ShowMessage at once. Returns
// the previous hook.
using BackupNoticeHook = std::function<void(const MessageRequest&)>;
BackupNoticeHook SetBackupNoticeHook(BackupNoticeHook hook);

// The trigger: copies `storePath` now (marked as damaged for
// kDamagedSetAside). True when a copy of the current contents exists
// afterwards; false when automatic copies are off or the copy failed
// (logged). A merge's copy is skipped (true) when the newest copy is
// younger than kMergeBackupEvery. The store layer calls it at its moments,
// with the lock free.
bool BackupStoreNow(const std::string& storePath, BackupReason reason);
// The same, for a caller that holds the store's lock at that moment (the
// file is then read without taking it again).
bool BackupLockedStoreNow(const std::string& storePath, BackupReason reason);

// Connects the store layer's moments (a save about to merge another
// writer's changes, a damaged file about to be set aside) to the copies
// above. The store holds the file's lock then, so the copy reads it
// without taking the lock again.
void ConnectStoreBackupHook();

// Opening a user's store: a copy when the newest unmarked copy is more than
// a day old (or there is none). True when nothing was needed or it was taken.
bool BackupStoreIfStale(const std::string& storePath);

// Before a HotSync: every Palm user's store that exists (the synchronised
// user is only named after the conduit has run). The number copied.
int BackupAllUserStores(BackupReason reason);

}  // namespace quillet
