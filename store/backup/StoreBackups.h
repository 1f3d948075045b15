// CStoreBackups: the copies kept of one store file, and putting one back.
//
// Every store has one folder of its own below the backups folder
// ($XDG_DATA_HOME/quillet/backups/): a Palm user's store is named after the
// user's folder name, any other store after its folder's name and a short
// digest of its absolute path (BackupFolderName). The copies in it are the
// store file's bytes unchanged, named by their UTC time,
// "quillet-YYYYMMDD-HHMMSS.dat"; a second copy within the same second gets
// "-1", "-2"... before ".dat", and a copy of a damaged store that is being
// set aside ends in "-damaged.dat".
//
// Rules kept here:
// - A copy is written like the store itself: into a temporary file beside
//   it, synced, renamed into place (CStoreFile). The store is read under its
//   lock, so a copy never catches a writer half-way.
// - Contents already kept (byte for byte, among copies of the same marking)
//   are not written again; Create then answers with the existing copy.
// - Files are never read whole: they are compared kBackupChunk bytes at a
//   time and copied file to file, so a copy of a store of any size costs a
//   few megabytes of memory at most.
// - Kept: the 10 newest copies, plus the newest unmarked copy of each of
//   the last 14 UTC days (today included); the rest is removed after each
//   new copy.
// - Symbolic links are never followed: the backups folder and the store's
//   folder in it must be real folders (else kFolderIsLink, nothing written),
//   and an entry that is a link is neither listed nor restored.
// - Both folders must be ours and writable by nobody else, like the folder
//   of the program's message socket (qplat::PrivateFolderProblem; else
//   kFolderNotPrivate, nothing written); they are made 0700.
// - Only stores are kept: a file whose header is not a store's is not
//   copied, and a copy that does not load is removed again (kNotAStore).
//   A damaged store that is being set aside is copied as it is.
// - A copy leaves at least twice the store's size and kBackupSpareBytes
//   free on its disk (the store's next save needs room too): the oldest
//   unmarked copies are removed until it does, and when even that is not
//   enough no copy is written (kNoSpace).
// - Temporary files of copies whose writer died are removed at the next
//   scan: the writer's process is gone, or they are an hour old.
// - Restore replaces the store only with a copy that loads cleanly, and only
//   after the current file has itself been copied; the copy and the
//   replacement happen under the store's lock, the replacement in one step.
//
// Results are codes (BackupResult); nothing here throws or talks to the
// person. No Qt. One object per store and use; not thread-safe.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/paths/ProgramPaths.h"
#include "store/StoreFile.h"

namespace quillet {

// The time copies are named by; std::time by default. Tests move it.
using BackupClock = std::function<std::time_t()>;

enum class BackupResult : uint8_t {
  kOk,
  kNoStore,            // the store file does not exist
  kStoreBusy,          // the store file is held by another writer
  kStoreUnreadable,    // the store file cannot be read (not a file, no permission)
  kFolderIsLink,       // the backups folder or the store's folder in it is a symbolic link
  kFolderFailed,       // the folder cannot be made or read, or is not a folder
  kWriteFailed,        // the copy could not be written
  kNotABackup,         // restore: no such regular file (or it is a link)
  kDamaged,            // restore: the copy does not load, or is a damaged store's copy
  kStoreWriteFailed,   // restore: the store file could not be replaced
  kFolderNotPrivate,   // a backup folder belongs to another user or others may write to it
  kNoSpace,            // not enough free disk space for a copy, even without the older copies
  kNotAStore,          // the file to copy is not a store (it does not load)
};

// A short English explanation, e.g. "the store file is in use by another program".
const char* BackupResultText(BackupResult result);
// The same in the person's language, for a message (UTF-8).
std::string ShownBackupResultText(BackupResult result);

inline constexpr int kBackupsKeptNewest = 10;
inline constexpr size_t kBackupChunk = size_t{1} << 20;
inline constexpr int kBackupsKeptDays = 14;
// Free space a copy leaves on its disk besides twice the store's size.
inline constexpr uint64_t kBackupSpareBytes = uint64_t{64} << 20;

// The bytes that may still be written on the disk of `folder`; false when
// that cannot be told (a copy is then written, and fails if it must).
using FreeSpaceFunction = std::function<bool(const std::string& folder, uint64_t* available)>;
// Process-wide; statvfs unless replaced (tests). An empty function puts
// statvfs back. Returns the previous one.
FreeSpaceFunction SetBackupFreeSpaceFunction(FreeSpaceFunction function);

// What a copy holds, read with the store loader.
struct BackupCounts {
  uint32_t records = 0;     // every record in the file, flagged ones included
  uint32_t topics = 0;      // live records of each kind below
  uint32_t notes = 0;
  uint32_t pictures = 0;    // image records that are not sketches
  uint32_t sketches = 0;
  uint32_t references = 0;
};

struct BackupEntry {
  std::string path;          // folder + '/' + name
  std::string name;
  std::time_t taken = 0;     // UTC time from the name
  int sequence = 0;          // the digit added when the second was taken (0: none)
  bool markedDamaged = false;  // a copy of a damaged store
  uint64_t size = 0;
  // Filled by List(..., withCounts = true).
  uint32_t loadResult = 0;   // the loader's result (DB_OK = 0)
  bool damaged = false;      // marked, or does not load
  BackupCounts counts;
};

// "quillet-YYYYMMDD-HHMMSS[-N][-damaged].dat" for a UTC time.
std::string BackupFileName(std::time_t utc, int sequence, bool damaged);
// The reverse; false for any other name.
bool ParseBackupFileName(const std::string& name, std::time_t* utc, int* sequence, bool* damaged);
// "YYYY-MM-DDTHH:MM:SSZ".
std::string FormatUtcTime(std::time_t utc);

// The store path made absolute with every link resolved (the file's own
// when it exists, else its folder's); the path unchanged when neither can be.
std::string AbsoluteStorePath(const std::string& storePath);
// The folder name of a store's copies: `palmUserFolder` (trailing '/'
// dropped) for a Palm user's store; for any other store (empty
// `palmUserFolder`) the name of the store's folder, '-', and the first 8 hex
// digits of the SHA-256 of `absoluteStorePath`.
std::string BackupFolderName(const std::string& absoluteStorePath, const std::string& palmUserFolder);

// Which copies the keeping rule removes, as indexes into `entries` (any
// order): all but the kBackupsKeptNewest newest and the newest unmarked copy
// of each of the last kBackupsKeptDays UTC days up to `now`.
std::vector<size_t> BackupsToRemove(const std::vector<BackupEntry>& entries, std::time_t now);

struct BackupOptions {
  bool markDamaged = false;      // the store is damaged and about to be set aside
  bool callerHoldsLock = false;  // read the store without taking its lock (the caller has it)
  bool rotate = true;            // apply the keeping rule after a new copy
};

class CStoreBackups {
 public:
  // `backupsRoot` is the backups folder (created when missing, like its
  // parents); `folderName` the store's folder in it (BackupFolderName).
  CStoreBackups(std::string storePath, std::string backupsRoot, std::string folderName,
                BackupClock clock = {});

  const std::string& storePath() const { return store_path_; }
  const std::string& folder() const { return folder_; }

  // Copies the store file now. *path gets the copy's path (an existing one
  // with the same contents when *written comes back false). The store is
  // held locked (unless the caller holds it) while it is read, and free
  // again while the copy is synced.
  BackupResult Create(const BackupOptions& options, std::string* path, bool* written = nullptr);

  // Why the last operation found a backup folder unusable (kFolderIsLink,
  // kFolderFailed, kFolderNotPrivate): a sentence for the person; "" when
  // it did not.
  const std::string& folderProblem() const { return folder_problem_; }
  // The same, for saying it in the person's language (base/FolderSentences.h).
  const qplat::PrivateFolderCheck& folderCheck() const { return folder_check_; }
  // The copies the last Create removed to leave free space, oldest first.
  const std::vector<std::string>& droppedForSpace() const { return dropped_; }

  // The copies, newest first. A missing folder is an empty list.
  BackupResult List(std::vector<BackupEntry>* out, bool withCounts) const;
  // The time of the newest unmarked copy taken up to now; 0 when there is
  // none. A copy dated in the future (the clock was wrong once, or the
  // folder came from another machine) says nothing of how fresh the
  // copies are, and is passed over; the store log says so, once a copy.
  std::time_t NewestTaken() const;

  // Replaces the store with `backupPath` after copying the current file
  // (whose copy's path goes to *previousCopy, "" when there was no store
  // file). On any failure the store is unchanged.
  BackupResult Restore(const std::string& backupPath, std::string* previousCopy);

  // Applies the keeping rule now; `keep` (a path) is never removed.
  void Rotate(const std::string& keep = "");

  std::time_t Now() const;

 private:
  // The store file being copied: open under its lock, or plainly when the
  // caller holds the lock.
  struct StoreSource {
    CStoreLock lock;
    int plain = -1;
    int fd = -1;
    ~StoreSource() { Release(); }
    void Release();
  };

  BackupResult CheckFolder(bool create) const;
  BackupResult OpenStore(bool callerHoldsLock, StoreSource* source) const;
  BackupResult KeepFrom(StoreSource& source, const BackupOptions& options, std::string* path,
                        bool* written = nullptr);
  BackupResult RestoreFrom(int chosen, uint64_t size, std::string* previousCopy);
  std::vector<BackupEntry> Scan() const;
  // Removes the oldest unmarked copies until a copy of `size` bytes leaves
  // what a copy must leave free; false when it cannot.
  bool MakeRoomFor(uint64_t size);

  std::string store_path_;
  std::string root_;
  std::string folder_;
  BackupClock clock_;
  mutable std::string folder_problem_;
  mutable qplat::PrivateFolderCheck folder_check_;
  std::vector<std::string> dropped_;
};

// Loads a copy with the store loader: its counts, and the loader's result.
uint32_t ReadBackupCounts(const std::string& path, BackupCounts* counts);

}  // namespace quillet
