// CRecordStore: every record of one store file, held in memory and moved
// between memory and the file all at once.
//
// File layout: u32 formatWord 0x01000000, u32 recordCount, then recordCount
// entries of { u32 kind, body, u32 "DATA" marker }, little-endian, no
// padding. There is no index: identity is the record id in each body, and an
// entry's position is the order it was read or inserted in.
//
// The store owns every record in it. Records obtained by lookup or
// iteration stay owned by the store and remain valid until the next Load, a
// Clear or the store's destruction; a save or reload that brings in another
// writer's changes keeps every record object it keeps, and records the other
// writer removed stay allocated (though no longer in the store) until the
// next such merge. Records are never taken out by this program: removing is
// done by flagging (kFlagDeleted), and every save writes every record.
//
// The file is shared: the HotSync conduit, copies and sync tools may change
// it at any time. The store therefore remembers what the file was when it
// last loaded or saved it (device, inode, size, modification time, and a
// digest of each record as it was then). A save that finds the file changed
// since merges instead of overwriting, by these rules (MergeFrom applies
// them; its steps and the tests name them where they apply or check them):
//  M1  Records are paired by kind and id between the file and what this
//      store last loaded or saved; records sharing both are paired in the
//      order they come. Records added here since are never paired.
//  M2  A record only the file has (the other writer added it) is taken as
//      it is in the file.
//  M3  A record the other writer changed and this process did not takes
//      the file's version, in the record object held here.
//  M4  A record both changed: this process's version wins and the log
//      names the record.
//  M5  A topic's links record both changed merges member by member against
//      the version loaded: members added here are added, members removed
//      here are removed, what the other writer added or removed stays so;
//      the file's order first, the members added here after.
//  M6  One settings record: the file's, with the larger of the two record
//      id counters, and never below an id issued by the merge; a settings
//      record added here is dropped when the file has one.
//  M7  A record added here whose id the file also uses gets a fresh id,
//      issued above both counters and used by neither side; its links
//      membership and the references to it follow, the log names it, and
//      the renumber hook (StoreEvents.h) tells the windows, which hold the
//      old id.
//  M8  A record the other writer removed is dropped unless changed here;
//      then this process's version stays.
//  M9  A record the other writer left as it was stays as it is here,
//      whoever changed it (pointing to the fresh ids of M7).
//  M10 The merged order: the file's records in the file's order, then the
//      records kept by M8, then those added here in the order added.
//  M11 Every record object kept is the same object afterwards; dropped
//      ones stay allocated, no longer in the store, until the next merge.
//  M12 The next merge compares against the file's version of what it took
//      or kept (for a links record, the file's member list); records added
//      here or kept by M8 count as added here again.
//  M13 The merged records become the store in memory and are saved; the
//      log gets one line per merge with its counts (StoreEvents.h), and
//      generation() changes when a record came in, was removed or was
//      renumbered, so that windows know to refresh.
//
// Usage: construct, Load(), then lookups, iterations, AddNew and changes to
// records, each change followed by Save().
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/Record.h"
#include "store/ResultCodes.h"
#include "store/StoreEvents.h"
#include "store/StoreFile.h"

namespace quillet {

inline constexpr uint32_t kFormatWord = 0x01000000;
inline constexpr uint32_t kEntryMarker = 0x41544144;  // "DATA" on disk
inline constexpr uint32_t kSlotGrowth = 2000;

// How long a load that failed waits before reading the file again to tell a
// file being written from a damaged one. Process-wide; 100 ms unless set. A
// file only counts as damaged once it was not written to for the lock wait
// (StoreLockWait), or for a hundred times this delay when that is shorter.
// Returns the previous value.
std::chrono::milliseconds SetStoreSettleDelay(std::chrono::milliseconds delay);

// What one merge did, by records.
struct MergeCounts {
  uint32_t fromOther = 0;    // taken from the file: added or changed by the other writer
  uint32_t fromHere = 0;     // added here, or changed here where the other writer changed or removed it
  uint32_t changedByBoth = 0;  // changed on both sides; this process's version kept
  uint32_t newIds = 0;       // records added here that got a fresh id
  uint32_t removed = 0;      // removed by the other writer and dropped here
  // The records behind newIds: old id -> fresh id, in the order issued.
  // The same list goes to the renumber hook (StoreEvents.h).
  std::vector<RecordIdChange> renumbered;
};

// The digest a record's entry has in a file (kind and body, the slotIndex
// counted as zero): equal digests mean the record is unchanged.
uint64_t RecordDigest(const CRecord& record);

// The name a damaged store file is kept under: the store path followed by
// ".damaged-YYYYMMDD-HHMM" (local time), with "-2", "-3"... when taken.
std::string KeptDamagedName(const std::string& store_path);
// Renames the damaged store file `path` aside under KeptDamagedName, after
// the backup hook (reason kSetAsideDamaged). The caller holds the file's
// lock through `locked_fd`. Returns the kept name, "" when it could not be
// renamed.
std::string SetAsideDamagedStore(const std::string& path, int locked_fd);

class CRecordStore {
 public:
  // path = folder + "/" (unless the folder already ends in '/') + fileName;
  // an empty folder gives fileName alone. Touches no file.
  CRecordStore(const std::string& fileName, const std::string& folder);
  ~CRecordStore();
  CRecordStore(const CRecordStore&) = delete;
  CRecordStore& operator=(const CRecordStore&) = delete;

  // Clears the store and reads the whole file, waiting for the file's lock
  // (StoreLockWait). Per entry the kind is read, then the body; read errors
  // inside a body are not results of their own, and the entry marker is
  // never examined: a body cut off by the end of the file keeps what was
  // read and the load fails at the next entry's kind (DB_ERR_EOF, or
  // DB_ERR_SHORT_READ for one to three bytes); a cut-off body in the last
  // entry fails with DB_ERR_EOF as well (only its marker may be missing or
  // cut). Results: DB_OK; DB_ERR_OPEN (missing, no permission, or
  // locked for longer than the wait); DB_ERR_NO_HEADER / DB_ERR_BAD_FORMAT
  // (nothing loaded); DB_ERR_EOF / DB_ERR_SHORT_READ / DB_ERR_READ (unknown
  // kind), records read before staying loaded. Counts and lengths in the
  // file are never trusted beyond the file's size.
  //
  // A file that changes while it is read (a writer that does not take the
  // lock, rewriting it in place), or that fails or ends in a cut-off body, is
  // read again after a short pause until it reads cleanly, or until it
  // gives the same result twice without changing in between and has not
  // been written to for the lock wait (a writer may pause for seconds), or
  // until the lock wait has passed: only then is a failure returned.
  DbResult Load();
  // Writes every record, in position order, to a temporary file and puts it
  // in the file's place (see StoreFile.h), merging first with whatever
  // another writer changed since this store last loaded or saved the file.
  // A changed file is read as Load reads it (again and again while another
  // program is still writing it, up to the lock wait). A file that is still
  // being written when the wait ends, or that another writer left damaged,
  // is never written over nor moved: the save fails with the read's code
  // (FailureReason tells which of the two it was). On failure the file is
  // untouched and the failing code is returned (DB_ERR_OPEN: locked beyond
  // the wait, or no permission); the records in memory are then this
  // store's, merged with the file's when the merge was done.
  DbResult Save();
  // Writes the records as they are into another file (a copy or a salvage),
  // replacing it without merging; path() and what the store remembers of
  // its own file are unchanged.
  DbResult SaveTo(const std::string& otherPath);
  // Brings in another writer's changes without writing: when the file
  // changed since the last load or save, loads it and merges as Save does;
  // changes made here and not yet saved stay in memory, to be saved next.
  // Waits up to `lockWait` for the lock. DB_OK (*changed tells whether
  // anything came in), or the load's failure with the store unchanged.
  DbResult Reload(bool* changed = nullptr);
  DbResult Reload(bool* changed, std::chrono::milliseconds lockWait);
  // Whether the file now differs from what this store last loaded or saved
  // (also when it never did). Only looks at the file's stamp.
  bool ChangedOnDisk() const;
  // Changes every time records came in from the file (load, merge, reload).
  uint64_t generation() const { return generation_; }
  const MergeCounts& lastMerge() const { return last_merge_; }
  // Saves this object has committed (Save, not SaveTo).
  uint64_t saveCount() const { return save_count_; }
  // The file as the last load found it (also a failed one), or as the last
  // save left it.
  const FileStamp& fileStamp() const { return stamp_; }
  // A sentence saying why `rc`, the result of the last Load, Save or
  // Reload, failed ("quillet.dat is in use by another program ...",
  // "... is being written by another program ...", "... is damaged ...",
  // "... (is the disk full?)").
  std::string FailureReason(DbResult rc) const;
  // The same in the person's language, for a message.
  std::string ShownFailureReason(DbResult rc) const;
  // The last Load, Save or Reload failed because another program kept
  // writing the file (without taking the lock) for longer than the lock
  // wait: the file may well be whole once it is done.
  bool failedWhileBeingWritten() const { return failure_ == Failure::kBeingWritten; }
  // The last Save found the file on disk damaged and refused to write over it.
  bool saveRefusedDamagedFile() const { return failure_ == Failure::kDamagedNotSaved; }
  // errno behind the last DB_ERR_OPEN (EWOULDBLOCK: locked beyond the wait).
  int lastErrno() const { return last_errno_; }

  // The same without a file (fuzzing, tests).
  DbResult LoadFromMemory(const uint8_t* data, size_t size);
  DbResult SaveToMemory(std::vector<uint8_t>* out);
  // Merges the records of `theirs` (just loaded, not changed since) into
  // this store as a save does when the file changed; `theirs` is emptied.
  MergeCounts MergeFrom(CRecordStore& theirs);

  // Puts `record` at the lowest free position, sets its slotIndex and takes
  // ownership. DB_OK, or DB_ERR_NO_MEMORY (the record is then deleted and
  // the store is unchanged).
  DbResult Insert(std::unique_ptr<CRecord> record);
  // For records the user creates: flags = kFlagNew, syncWordA = syncWordB = 0,
  // then Insert. The caller has already given it a fresh record id.
  DbResult AddNew(std::unique_ptr<CRecord> record);

  // The record at the lowest position with this id, whatever its kind and
  // flags. DB_OK or DB_ERR_NOT_FOUND (*out is then null).
  //
  // Looked up in an index of ids made at the first lookup after a load,
  // merge or Clear and kept in step by Insert, so that lookups in a loop
  // over thousands of records stay cheap. Ids are given before a record is
  // inserted; a record whose id is changed while in the store is still
  // found under its new id, and no longer under its old one, but when that
  // makes two records share an id, IdsChanged() must be called for the
  // lower position to win again.
  DbResult FindById(uint32_t id, CRecord** out) const;
  // FindById for a caller looking up many ids of which any number may be
  // missing (a damaged links record names records long gone): a miss costs
  // no pass over the store. The index is made again once before the first
  // miss is believed, so that a record whose id was changed in place is
  // still found. `remade` is the caller's, false before the first lookup
  // and kept across the lookups of one pass over which no id changes.
  // Null when no record has the id.
  CRecord* FindByIdAmongMany(uint32_t id, bool* remade) const;
  // Says that ids of records in the store were changed in place: the next
  // lookup makes the index again.
  void IdsChanged() { id_index_.ready = false; }

  // All records in position order, flagged ones included. DB_OK or
  // DB_ERR_NOT_FOUND at the end.
  DbResult First(CRecord** out);
  DbResult Next(CRecord** out);
  // The records of one kind (0 to 8) in position order; with liveOnly,
  // deleted and archived ones are skipped. Each kind has its own cursor, so
  // iterations over different kinds may be nested, over the same kind not.
  DbResult FirstOfKind(uint32_t kind, CRecord** out, bool liveOnly);
  DbResult NextOfKind(uint32_t kind, CRecord** out, bool liveOnly);

  // Records of `kind` that are neither deleted nor archived.
  uint32_t CountLive(uint32_t kind) const;

  // Deletes every record and the slot array, and forgets what the file was:
  // a save after Clear merges with whatever the file holds.
  void Clear();

  // Direct access without touching any cursor: the record at `position`
  // (below highWater()), or null for an empty or out-of-range position.
  CRecord* RecordAt(uint32_t position) const;
  // Every record of `kind` (live or not, also private ones) in position
  // order, without a cursor: visit(CRecord&). Only the records of that kind
  // are touched, so a list of a few categories costs a pass over one byte
  // per record rather than over a hundred thousand records.
  template <class Visit>
  void ForEachOfKind(uint32_t kind, Visit&& visit) const {
    for (uint32_t pos = 0; pos < high_water_; ++pos)
      if (kinds_[pos] == kind && slots_[pos]) visit(*slots_[pos]);
  }

  const std::string& path() const { return path_; }
  uint32_t liveCount() const { return live_count_; }  // records inserted since the last Clear
  uint32_t capacity() const { return static_cast<uint32_t>(slots_.size()); }
  uint32_t highWater() const { return high_water_; }
  uint32_t formatWord() const { return format_word_; }

 private:
  // FailureReason's sentence, in English or (`shown`) in the person's language.
  std::string Reason(DbResult rc, bool shown) const;
  // What a record was at the last load or save, by position.
  struct BaseEntry {
    uint64_t digest = 0;
    uint32_t id = 0;
    uint32_t kind = 0;
    bool present = false;
    bool stub = false;  // only the kind, id and flags were kept (see known_)
    // 1 + the index in pending_digests_ while `digest` is not worked out yet.
    uint32_t pendingDigest = 0;
  };
  // A picture record's digest left for later by a whole load: the digest of
  // the entry up to its picture bytes, and those bytes. Only a merge asks
  // what records were at the last load, so a load does not spend a third
  // of its time on the pictures' digests; SettleDigests works them out
  // before anything reads base_'s digests.
  struct PendingDigest {
    StoreDigest state;
    PictureBytes rest;
  };
  void SettleDigests();
  using Clock = std::chrono::steady_clock;
  // A record of this store's last load or save, as a load of another
  // writer's version looks it up (sorted by kindId).
  struct KnownRecord {
    uint64_t kindId;
    uint64_t digest;
    bool operator<(const KnownRecord& o) const { return kindId < o.kindId; }
  };
  // The records of the last load or save whose kind and id no other record
  // shares. The digests must be settled first (SettleDigests).
  std::vector<KnownRecord> KnownRecords() const;

  // One whole read of the file through `file`, which is open for reading.
  DbResult ReadAllFrom(CStoreFile& file);
  DbResult LoadEntries(CStoreFile& file, uint32_t recordCount);
  // Load with the retries described above; `locked_fd` >= 0 reads through a
  // descriptor whose lock the caller holds, else the path is opened.
  DbResult LoadUntil(int locked_fd, Clock::time_point deadline);
  DbResult WriteAll(CStoreFile& file, std::vector<BaseEntry>* written);
  // During Save, with the file locked and found changed: backup hook, load
  // the other writer's version, merge (or set a damaged file aside).
  DbResult MergeWithFile(Clock::time_point deadline);
  void ForgetFile();
  // MergeFrom's steps, in the order it takes them (StoreMerge.cpp).
  struct MergeState;
  bool InBase(uint32_t pos) const { return pos < base_.size() && base_[pos].present; }
  bool ChangedHere(uint32_t pos) const;
  void PairWithTheirs(MergeState& m, const CRecordStore& theirs) const;
  void FindCounter(MergeState& m, const CRecordStore& theirs) const;
  void ReissueCollidingIds(MergeState& m) const;
  void TakeFileRecords(MergeState& m, CRecordStore& theirs);
  void MergeMembers(MergeState& m, uint32_t pos, const std::vector<uint32_t>& disk_members);
  void SettleRecordsTheyRemoved(MergeState& m);
  void AppendRecordsAddedHere(MergeState& m);
  void BecomeMerged(MergeState& m, CRecordStore& theirs);
  void RememberWritten(std::vector<BaseEntry> written, const FileStamp& stamp);

  // Id -> lowest position. Dense ids (records are numbered one after the
  // other) use a table indexed by id, others a hash map.
  struct IdIndex {
    static constexpr uint32_t kNone = UINT32_MAX;
    bool ready = false;
    bool dense = false;
    std::vector<uint32_t> table;
    std::unordered_map<uint32_t, uint32_t> map;
    uint32_t Lookup(uint32_t id) const;
    // Notes `id` at `pos` unless a lower position has it; false when the
    // table cannot take it (the index must then be made again).
    bool Note(uint32_t id, uint32_t pos);
  };
  void MakeIdIndex() const;
  void MakeIdIndexNow() const;  // MakeIdIndex without its timing (LoadPhases.h)
  // The index made at the end of a load into an empty store, from the ids
  // the load noted (base_).
  void MakeIdIndexFromLoad() const;
  DbResult ScanForId(uint32_t id, CRecord** out) const;

  std::string path_;
  CStoreFile file_;
  uint32_t live_count_ = 0;
  std::vector<std::unique_ptr<CRecord>> slots_;  // size() is the capacity
  std::vector<uint8_t> kinds_;  // by position, as slots_: each record's kind, kNoKind where none
  static constexpr uint8_t kNoKind = 0xFF;
  static uint8_t KindByte(uint32_t kind) { return kind < kNoKind ? static_cast<uint8_t>(kind) : kNoKind - 1; }
  uint32_t high_water_ = 0;
  uint32_t format_word_ = kFormatWord;
  uint32_t cursor_ = 0;
  uint32_t kind_cursor_[kKindCount] = {};
  uint32_t first_free_hint_ = 0;  // no free position below this one

  // What the file was at the last load or save.
  bool has_snapshot_ = false;
  FileStamp stamp_;
  std::vector<BaseEntry> base_;  // by position; positions past the end were added since
  std::vector<PendingDigest> pending_digests_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> base_members_;  // links records, by position
  // While this store loads another writer's version for a merge: records
  // found unchanged from what the merging store knows are kept as stubs
  // (kind, id, flags), their bodies dropped at once, since the merge keeps
  // its own objects for them. The merge never reads a stub's fields.
  const std::vector<KnownRecord>* known_ = nullptr;
  std::vector<bool> known_used_;
  // Records another writer removed, kept allocated until the next merge.
  std::vector<std::unique_ptr<CRecord>> retired_;
  uint64_t generation_ = 0;
  uint64_t save_count_ = 0;
  MergeCounts last_merge_;
  int last_errno_ = 0;
  // Why the last load, save or reload failed, where the code alone does
  // not say it.
  enum class Failure : uint8_t { kNone, kBeingWritten, kDamagedNotSaved };
  Failure failure_ = Failure::kNone;
  mutable IdIndex id_index_;
};

}  // namespace quillet
