// CStoreFile: the file wrapper under the record store.
//
// A store file is only ever read whole (OpenForRead, then Read until done) or
// written whole (Rewrite, then Write, then Commit). Reads and writes go
// through a 64 KB buffer, so the store can ask for one field at a time without
// one system call per field; the bytes on disk are the same. A whole load
// instead has the file read into the picture arena by a second thread
// (StreamInto) and takes its fields from there. The same calls
// also read from and write to memory (OpenMemory, RewriteMemory) and feed a
// digest without storing anything (OpenDigestSink).
//
// Sharing: every reader and writer of a store file holds an exclusive
// advisory lock (flock) on it while it has the file open (CStoreLock). A
// file someone else holds is waited for, with growing pauses, for up to
// StoreLockWait() (10 seconds unless changed); only then does the open fail
// with DB_ERR_OPEN. Nothing is shown to the person while it waits.
//
// Replacing: Rewrite never touches the existing file. It writes into a fresh
// temporary file in the same folder (".quillet.dat.tmp-PID-N"), which Commit
// syncs and then puts in the file's place:
//  - an ordinary file is replaced by renaming the temporary file over it, in
//    one step; the new file gets the old one's owner, group and mode (the
//    owner and group as far as this process may set them);
//  - a symbolic link is followed, and the file it points to is replaced in
//    its own folder, so the link stays a link;
//  - a file with more than one name (hard links) cannot be renamed over
//    without splitting the names, so it is rewritten in place: its old bytes
//    are first copied to ".quillet.dat.keep-PID-INODE" and synced, a note
//    ".quillet.dat.inplace-PID-INODE" says that the file is about to be
//    written over, then the new bytes are written over the file, which is
//    synced and cut to length. The rules that make this safe against a save
//    cut off at any point are at the top of StoreFileInPlace.cpp;
//  - a file that does not exist yet is created by a hard link to the
//    temporary file, which fails rather than replace a file another process
//    created meanwhile (the store then merges with it).
// Close without Commit throws the temporary file away and leaves the old file
// exactly as it was. Temporary and kept files of saves that were interrupted
// (their process is gone) are removed, or put back, the next time the file is
// opened or rewritten.
//
// Modes: temporary and kept files are created 0600 (narrower when the file
// they replace is narrower) and only then given the replaced file's mode, so
// no one can read them who could not read the file. A new store file is
// 0600.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/PictureBytes.h"
#include "store/ResultCodes.h"

namespace quillet {

// What a file was at one moment: enough to tell that another writer has
// replaced or rewritten it since. Two stamps are equal when both name no
// file, or the same file with the same size and modification time.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t mtimeNs = 0;  // modification time, nanoseconds since the epoch
  bool operator==(const FileStamp& o) const {
    return exists == o.exists &&
           (!exists || (device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs));
  }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// The stamp of the file `path` names now (symbolic links followed).
FileStamp StampOfPath(const std::string& path);
// The stamp of an open file.
FileStamp StampOfDescriptor(int fd);

// How long an open waits for a file someone else holds locked. Process-wide;
// 10 seconds unless set. Returns the previous value.
std::chrono::milliseconds StoreLockWait();
std::chrono::milliseconds SetStoreLockWait(std::chrono::milliseconds wait);
// Whether Commit syncs the data to the disk (true unless set). Turning it off
// is for fuzzing and benchmarks of the rest; the program never does.
bool SetStoreSync(bool sync);

// The steps of putting a new file in place, each taken just after the hook
// (below) has seen it. An ordinary save takes kSyncNewFile, kPutInPlace,
// kSyncFolder; an in-place rewrite (a file with several names) takes
// kSyncNewFile, kCopyKeep (once per piece copied), kSyncKeep, kWriteMark,
// kSyncMark, kSyncFolder, kOverwrite (once per piece), kCutToLength,
// kSyncStore, kRemoveMark, kRemoveKeep; both end with kRemoveTemp. An open
// that finishes a cut-off in-place rewrite takes kPutBack once per piece it
// copies back over the file.
enum class StoreStep {
  kNewFileCreated,  // the temporary file exists (before it gets its owner and mode)
  kSyncNewFile,     // fsync of the finished temporary file
  kPutInPlace,      // the rename (or link) that puts it in the old file's place
  kSyncFolder,      // fsync of the folder, so that the names last
  kCopyKeep,        // in place: one piece of the old bytes into the kept copy
  kSyncKeep,        // in place: fsync of the kept copy
  kWriteMark,       // in place: the note that the file is being written over
  kSyncMark,        // in place: fsync of that note
  kOverwrite,       // in place: one piece of the new bytes over the file
  kCutToLength,     // in place: ftruncate to the new length
  kSyncStore,       // in place: fsync of the file written over
  kRemoveMark,      // in place: removing the note
  kRemoveKeep,      // in place: removing the kept copy
  kRemoveTemp,      // removing the temporary file
  kPutBack,         // finishing a cut-off rewrite: one piece copied back over the file
};
const char* StoreStepName(StoreStep step);
// Called before each step of a save; returning false makes that step fail
// as if the system had refused it. For tests (watching the order, failing a
// sync, ending the process at a step); the program never sets one. Process-
// wide; null for none. Returns the previous hook.
using StoreStepHook = bool (*)(StoreStep step);
StoreStepHook SetStoreStepHook(StoreStepHook hook);

// A 64-bit digest of a byte stream, the same however the stream is cut into
// pieces. Not cryptographic: it tells a changed record from an unchanged one.
class StoreDigest {
 public:
  StoreDigest() { Reset(); }
  void Reset();
  void Update(const void* data, size_t n);
  uint64_t Final() const;

 private:
  static constexpr size_t kStripe = 32;
  void Stripe(const uint8_t* p);
  uint64_t lane_[4] = {};
  uint64_t length_ = 0;
  uint8_t tail_[kStripe] = {};
  size_t tail_n_ = 0;
};

// An exclusive lock on a store file, taken the way every reader and writer
// of store files takes it. Released by Release or destruction.
class CStoreLock {
 public:
  CStoreLock() = default;
  ~CStoreLock() { Release(); }
  CStoreLock(const CStoreLock&) = delete;
  CStoreLock& operator=(const CStoreLock&) = delete;

  // Opens `path` (symbolic links followed) with `flags` (O_RDONLY or O_RDWR)
  // and locks it, waiting up to `wait` for another holder to let go. The lock
  // is always on the file the path names at the moment it is granted.
  // The open never blocks: a pipe, device or socket at the path is refused
  // at once. DB_OK; DB_ERR_NO_NAME; DB_ERR_OPEN when the file is missing,
  // is no regular file (error() says EISDIR for a folder, EINVAL for a pipe,
  // device or socket), may not be opened, or was still locked when the wait
  // ran out (error() then says EWOULDBLOCK).
  DbResult Acquire(const std::string& path, int flags, std::chrono::milliseconds wait);
  DbResult Acquire(const std::string& path, int flags) { return Acquire(path, flags, StoreLockWait()); }
  void Release();
  bool held() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // errno of the last failed Acquire (0 after a success).
  int error() const { return error_; }
  // The locked file now.
  FileStamp Stamp() const { return StampOfDescriptor(fd_); }

 private:
  int fd_ = -1;
  int error_ = 0;
};

class CStoreFile {
 public:
  CStoreFile();
  ~CStoreFile();  // Close(): an uncommitted rewrite is discarded
  CStoreFile(const CStoreFile&) = delete;
  CStoreFile& operator=(const CStoreFile&) = delete;

  // Opens an existing regular file for reading, holding its lock (waiting as
  // described above). DB_OK, DB_ERR_NO_NAME for an empty path, DB_ERR_OPEN
  // when it cannot be opened (missing, not a regular file, no permission, or
  // locked for longer than the wait; error() says which).
  DbResult OpenForRead(const std::string& path) { return OpenForRead(path, StoreLockWait()); }
  DbResult OpenForRead(const std::string& path, std::chrono::milliseconds wait);
  // Reads a file through a descriptor someone else opened and holds locked
  // (the store reading the file it is about to replace). Not owned.
  DbResult OpenForReadLocked(int fd);
  // Reads `size` bytes at `data`, which must stay valid until Close.
  DbResult OpenMemory(const uint8_t* data, size_t size);
  // Starts replacing `path` (which need not exist). DB_OK, DB_ERR_NO_NAME or
  // DB_ERR_OPEN (the temporary file cannot be created, or the existing file
  // cannot be opened for writing, or stays locked by someone else).
  DbResult Rewrite(const std::string& path) { return Rewrite(path, StoreLockWait()); }
  DbResult Rewrite(const std::string& path, std::chrono::milliseconds wait);
  // Writes into `out` (emptied first) instead of a file; Commit finishes.
  DbResult RewriteMemory(std::vector<uint8_t>* out);
  // Writes go nowhere; only a digest running (BeginDigest) sees them.
  DbResult OpenDigestSink();
  // Finishes a Rewrite: writes out the buffer, syncs the data to disk and
  // puts the new file in the old one's place (see above). DB_OK, or
  // DB_ERR_WRITE when any write so far failed or this step fails; the old
  // file is then untouched, except when only the sync of the folder after
  // the rename failed (CommittedStamp() then tells the new file). DB_ERR_OPEN when the file did not exist at
  // Rewrite and another process created it since (LostCreateRace()). The
  // file is closed afterwards either way.
  DbResult Commit();
  // Closes whatever is open, discarding an uncommitted rewrite. Always DB_OK.
  DbResult Close();
  bool IsOpen() const { return mode_ != Mode::kClosed; }

  // During a Rewrite: whether the file existed, its stamp and a descriptor
  // open for reading and writing that holds its lock (-1 when it did not
  // exist). The store reads another writer's version through it.
  bool TargetExisted() const { return lock_.held(); }
  FileStamp TargetStamp() const { return lock_.held() ? lock_.Stamp() : FileStamp{}; }
  int TargetFd() const { return lock_.fd(); }
  // The path Rewrite writes to: `path` with symbolic links resolved.
  const std::string& TargetPath() const { return target_path_; }
  // After a Commit that put the new file in place: the stamp of the file as
  // written. Also set when Commit then failed to sync the folder (the new
  // bytes are in place, but may not last a crash of the system).
  const FileStamp& CommittedStamp() const { return committed_stamp_; }
  bool LostCreateRace() const { return lost_create_race_; }
  // The existing file was renamed aside during the Rewrite (it was
  // damaged): Commit then puts the new file in its place by renaming,
  // never writing over the renamed one.
  void TargetSetAside() { target_links_ = 0; }
  // After OpenForRead: the stamp of the file when it was opened, and now.
  const FileStamp& OpenStamp() const { return open_stamp_; }
  FileStamp StampNow() const;
  // errno of the last failed open (EWOULDBLOCK: still locked after the wait).
  int error() const { return error_; }

  // Reads exactly n bytes. DB_OK, DB_ERR_READ (system failure or not open
  // for reading), DB_ERR_EOF (no bytes came) or DB_ERR_SHORT_READ (some came).
  // Bytes already in the buffer are handed out here, without a call: a load
  // reads most records a few bytes at a time.
  DbResult Read(void* buffer, size_t n) {
    if (mode_ == Mode::kRead && n <= buffer_len_ - buffer_pos_) {
      std::memcpy(buffer, src_ + buffer_pos_, n);
      buffer_pos_ += n;
      consumed_ += n;
      return DB_OK;
    }
    return ReadBeyondBuffer(buffer, n);
  }
  // Writes n bytes. DB_OK, or DB_ERR_WRITE when this or an earlier write of
  // the same rewrite failed (errors are sticky: Commit will refuse).
  DbResult Write(const void* buffer, size_t n);

  // Writes n bytes of the file open for reading at `fd`, from `offset`, as
  // Write would (copied inside the kernel where it can, not through this
  // process's memory). DB_OK; DB_ERR_READ when `fd` cannot be read or ends
  // before, DB_ERR_WRITE when writing fails; either way the rewrite as a
  // whole then fails.
  DbResult WriteFromFile(int fd, uint64_t offset, uint64_t n);

  // Little-endian helpers. A failed read leaves *value unchanged.
  DbResult ReadU8(uint8_t* value) { return Read(value, 1); }
  DbResult ReadU16(uint16_t* value) {
    uint8_t b[2];
    const DbResult rc = Read(b, 2);
    if (rc == DB_OK) *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return rc;
  }
  DbResult ReadU32(uint32_t* value) {
    uint8_t b[4];
    const DbResult rc = Read(b, 4);
    if (rc == DB_OK)
      *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return rc;
  }
  DbResult ReadI32(int32_t* value) {
    uint32_t u = 0;
    const DbResult rc = ReadU32(&u);
    if (rc == DB_OK) *value = static_cast<int32_t>(u);
    return rc;
  }
  DbResult WriteU8(uint8_t value);
  DbResult WriteU16(uint16_t value);
  DbResult WriteU32(uint32_t value);
  DbResult WriteI32(int32_t value);

  // Reads exactly n bytes of a picture into *out: into the picture arena
  // when one is set and has room (a slice of it), else into bytes of their
  // own. Results as Read; *out is empty after a failure.
  DbResult ReadPicture(size_t n, PictureBytes* out);
  // The buffer ReadPicture puts picture bytes into while reading (null: each
  // picture gets bytes of its own). Kept until Close or the next call.
  void UsePictureArena(std::shared_ptr<CPictureArena> arena) { arena_ = std::move(arena); }

  // A whole load: right after OpenForRead, the whole file is read into
  // `arena` (empty, with room for the file) by a second thread, front to
  // back, while the caller's reads take the bytes behind it; pictures are
  // then slices of the arena where the file has them (no copy), and the
  // kernel's copying and the arena's fresh pages cost the reads nothing
  // while the other processor is free. The reads behave as from the file:
  // a file that turns out shorter ends where it ends. Without a second
  // thread the same reads take the file a piece at a time themselves.
  // False (nothing changed) when the file is not open for reading from its
  // start, or the arena has no room.
  bool StreamInto(std::shared_ptr<CPictureArena> arena);
  // Ends that reading (waiting for the thread): the number of bytes of the
  // file in the arena. 0 when nothing was streamed. Close calls it too.
  uint64_t EndStream();

  // Length-prefixed text: one length byte below 255, else 0xFF and a u16.
  // ReadString empties *text first; a length that runs past the end of the
  // file reads what is left (never allocating more than the file holds) and
  // fails like a read cut off by the end of the file.
  DbResult ReadString(std::string* text);
  // A text longer than kMaxStringBytes cannot be encoded: DB_ERR_WRITE and
  // nothing is written (the rewrite as a whole then fails).
  DbResult WriteString(const std::string& text);

  static constexpr size_t kMaxStringBytes = 65535;

  // Bytes not yet read of a file open for reading (0 otherwise). Readers of
  // counted lists use it to refuse counts the file cannot possibly hold.
  uint64_t Remaining() const;
  // Reads and drops whatever is left, as a read running into the end of the
  // file would (a claimed size the file cannot hold).
  void SkipToEnd();
  // The code of the first read that failed since OpenForRead, or DB_OK.
  // Record bodies do not report their read errors; the store asks here
  // whether a body was cut off.
  DbResult FirstReadError() const { return first_read_error_; }
  // Counts a failure seen by a caller (e.g. a count the file cannot hold) as
  // a read error, as if the read had run into the end of the file.
  void NoteReadError(DbResult code);

  // Digest of the bytes read or written between BeginDigest and EndDigest.
  // Bytes 4 to 7 after BeginDigest count as zeros: started at a record
  // entry, they are the record's slotIndex, which is only its position.
  // Also tells whether a string was read in a form Write would not give back
  // (a long length prefix for a short text), so the bytes read are not the
  // bytes a save would write.
  void BeginDigest();
  uint64_t EndDigest();
  // A streamed load's picture bytes are not fed to the digest as they are
  // read: when they end the digested bytes, EndDigest leaves them out and
  // this hands over the digest up to them and the bytes (true, once), for
  // the digest to be finished later: state.Update(rest), then Final().
  bool TakeDeferredDigest(StoreDigest* state, PictureBytes* rest);
  bool DigestedOddForm() const { return odd_form_; }

 private:
  enum class Mode { kClosed, kRead, kWrite, kDigestSink };

  DbResult ReadBeyondBuffer(void* buffer, size_t n);
  // Streaming: waits until the bytes up to `end` are in the arena or the
  // file has ended; buffer_len_ then says how far the bytes go.
  void WaitForBytes(size_t end);
  DbResult Fill();
  DbResult FlushBuffer();
  void Feed(const uint8_t* data, size_t n);
  // Reading: feeds the digest the bytes handed out of the buffer since the
  // last feed (Read leaves them there, so a record's fields reach the digest
  // in one piece rather than a few bytes at a time).
  void FeedHandedOut();
  DbResult CommitInPlace(bool* keep_temp);
  void ResetState();

  int fd_ = -1;
  bool owns_fd_ = false;
  Mode mode_ = Mode::kClosed;
  std::vector<uint8_t> buffer_;
  const uint8_t* src_ = nullptr;  // read: the bytes being handed out
  size_t buffer_pos_ = 0;   // read: next byte to hand out; write: bytes held
  size_t buffer_len_ = 0;   // read: bytes valid at src_
  uint64_t file_size_ = 0;  // read: size at open
  uint64_t consumed_ = 0;   // read: bytes handed out so far
  uint64_t file_offset_ = 0;  // read: where the next Fill reads
  bool memory_source_ = false;
  std::vector<uint8_t>* memory_out_ = nullptr;
  DbResult first_read_error_ = DB_OK;
  bool write_failed_ = false;
  CStoreLock lock_;         // the existing file, read or being replaced
  std::string target_path_;
  std::string temp_path_;
  uint32_t target_links_ = 0;
  FileStamp open_stamp_;
  FileStamp committed_stamp_;
  bool lost_create_race_ = false;
  int error_ = 0;
  bool digesting_ = false;
  uint64_t digest_pos_ = 0;
  size_t digest_from_ = 0;  // read: buffer position from which the digest was not fed yet
  // Streamed load: picture bytes left out of the digest, and the digest up
  // to them (see TakeDeferredDigest).
  bool deferred_ = false;
  PictureBytes deferred_rest_;
  StoreDigest deferred_state_;
  StoreDigest digest_;
  bool odd_form_ = false;
  std::shared_ptr<CPictureArena> arena_;
  struct Stream;
  std::unique_ptr<Stream> stream_;  // read: the whole file streamed into arena_
};

// Removes the temporary files of interrupted saves of `target` (and puts a
// kept copy back when an in-place rewrite was cut off half-way). Only files
// of processes that are gone, or of this one, are touched; files an
// interrupted rewrite that cannot be finished still needs are left. Called
// by OpenForRead, Rewrite, Reload and the backups; returns how many files
// were removed.
int RemoveStoreLeftovers(const std::string& target);

}  // namespace quillet
