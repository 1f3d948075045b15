// The current database: the one record store the program works on, for the
// current Palm user (or an archive), and the lookups every window shares.
//
// pDB is owned here. Opening a store or an archive first deletes the current
// one. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreMessages.h"

namespace quillet {

extern CRecordStore* pDB;

inline constexpr char kStoreFileName[] = "quillet.dat";
inline constexpr char kArchiveFileName[] = "Quillet.arc";
// The "Please Hotsync..." dialog.
inline constexpr int kHotsyncDialog = 371;

// Creates a fresh store file (one settings record, lastRecordId 1) for the
// user when the user's "OutputPath" names a folder without "quillet.dat".
// True when the file exists afterwards; false when "OutputPath" is empty or
// the fresh file could not be written.
bool EnsureStoreFile(const std::string& user_folder);

// Makes the user's "quillet.dat" the current store: shows dialog 371 and
// creates a fresh file when there is none; sets a damaged file aside (see
// KeptDamagedName, after the store's backup hook) and starts a fresh one;
// adds a settings record when the store has none. Loading waits for a file
// another program holds (StoreLockWait) and reads a file that is being
// written again until it is whole.
//
// When the file is the one already open (the same user again, as after a
// HotSync), the open store reloads it instead: another writer's changes are
// merged in, record objects and changes not yet saved are kept, a vanished
// or damaged file is replaced by the records in memory.
//
// False when "OutputPath" is empty or the file exists but cannot be opened
// (held by the conduit beyond the wait, no permission, no regular file, or
// still being written by another program when the wait ended): such a
// file is never replaced nor set aside, string 107 with the reason is shown
// once, and the store that was open stays open and usable. Every file set
// aside is named to the person once (string 250).
bool OpenUserStore(const std::string& user_folder);

// Makes "Quillet.arc" in the folder of `archive_path` the current store,
// whatever the chosen file is called. On a load failure shows dialog 371,
// asks the main window to close and returns false (no store open).
bool OpenArchive(const std::string& archive_path);

// String 107 ("Unable to open the database...") followed by `reason`, as a
// failed open or reload tells the person.
void TellStoreOpenFailed(const std::string& reason);

// Why the last OpenUserStore returned false ("" when it did not): the
// store's reason, or that the user has no records folder.
const std::string& LastStoreOpenFailure();

// Deletes the current store, if any, with its "DELETE pDB" trace.
void DeleteCurrentStore();

// KeptDamagedName (the name a damaged store file is kept under) is the
// store's, in store/RecordStore.h.

// How the current database asks the main window to close (after a failed
// archive open). Tests and the window layer install one; null by default.
using CloseMainWindowFn = void (*)();
CloseMainWindowFn SetCloseMainWindowHook(CloseMainWindowFn hook);

// Issues the next record id from the settings record (marking it modified);
// 1 without a settings record. The caller saves the store.
uint32_t NextRecordId();

// Lookups. None of them moves the store's iteration cursors, so they may be
// called while a caller walks a kind. "Live" means neither deleted nor
// archived. All give null without a current store.
CRecord* FindRecord(uint32_t id);  // any record; null for id 0
CTopicRecord* FindTopic(uint32_t id);
CTopicLinksRecord* FindLinks(uint32_t id);
CTopicLinksRecord* FindLinksOfTopic(const CTopicRecord* topic);
// The topic whose links record holds `member_id`.
CTopicRecord* FindTopicOfMember(uint32_t member_id);
// A live category with this name, compared without regard to case.
bool CategoryNameExists(const CpText& name);

}  // namespace quillet
