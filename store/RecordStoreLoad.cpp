// CRecordStore: loading the file, reading it again while a writer is at
// work, and bringing in another writer's changes (Reload).
#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "store/LoadPhases.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

std::atomic<int64_t> g_settle_ms{100};

// A file written to this recently may still be being written: a writer
// that takes no lock may pause for seconds between two pieces. The whole
// lock wait, unless the settle delay was shortened (tests) below a
// hundredth of it.
std::chrono::milliseconds QuietAge() {
  return std::min(StoreLockWait(), std::chrono::milliseconds(100 * g_settle_ms.load()));
}

std::chrono::nanoseconds FileAge(const FileStamp& stamp) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now) - std::chrono::nanoseconds(stamp.mtimeNs);
}

}  // namespace

std::chrono::milliseconds SetStoreSettleDelay(std::chrono::milliseconds delay) {
  return std::chrono::milliseconds(g_settle_ms.exchange(delay.count()));
}

// --- Load -----------------------------------------------------------------------

DbResult CRecordStore::Load() {
  retired_.clear();
  Clear();
  stamp_ = FileStamp{};
  failure_ = Failure::kNone;
  if (path_.empty()) return DB_ERR_NO_NAME;
  if (!load_timing::g_on) return LoadUntil(-1, Clock::now() + StoreLockWait());
  load_timing::Begin();
  const int64_t begun = load_timing::NowNs();
  const DbResult rc = LoadUntil(-1, Clock::now() + StoreLockWait());
  load_timing::g_now.totalNs = load_timing::NowNs() - begun;
  load_timing::Publish();
  return rc;
}

DbResult CRecordStore::LoadUntil(int locked_fd, Clock::time_point deadline) {
  struct Attempt {
    bool steady = false;
    DbResult rc = DB_OK;
    FileStamp stamp;
  } previous;
  for (;;) {
    Clear();
    last_errno_ = 0;
    if (known_ != nullptr) known_used_.assign(known_->size(), false);
    DbResult rc;
    {
      const load_timing::Span timed(&StoreLoadPhases::openNs);
      if (locked_fd >= 0) {
        rc = file_.OpenForReadLocked(locked_fd);
      } else {
        const auto left = std::max<Clock::duration>(deadline - Clock::now(), Clock::duration::zero());
        rc = file_.OpenForRead(path_, std::chrono::duration_cast<std::chrono::milliseconds>(left));
      }
    }
    if (rc != DB_OK) {
      last_errno_ = file_.error();
      file_.Close();
      return rc;
    }
    rc = ReadAllFrom(file_);
    const bool cut = file_.FirstReadError() != DB_OK;
    FileStamp before, after, named;
    {
      const load_timing::Span timed(&StoreLoadPhases::closeNs);
      before = file_.OpenStamp();
      after = file_.StampNow();
      file_.Close();
      // A writer that takes no lock shows itself by changing the file while
      // we read it, or by putting another file in its place.
      named = locked_fd >= 0 ? after : StampOfPath(path_);
    }
    const bool steady = before == after && after == named;
    const bool clean = steady && rc == DB_OK && !cut;
    // Failing the same way twice, unchanged in between and not written to
    // for a while, is damage; anything else may be a writer still at work.
    const bool quiet = FileAge(after) >= QuietAge();
    const bool same_twice =
        steady && quiet && previous.steady && previous.rc == rc && previous.stamp == after;
    if (clean || same_twice || Clock::now() >= deadline) {
      stamp_ = after;
      failure_ = Failure::kNone;
      if (rc == DB_OK) {
        has_snapshot_ = true;
      } else {
        ForgetFile();
        // Out of time while the file still changed, or was written to too
        // recently to tell: another program is at work on it, and that is
        // what the person is told, not that it is damaged.
        if (!same_twice) failure_ = Failure::kBeingWritten;
      }
      ++generation_;
      return rc;
    }
    previous = {steady, rc, after};
    const auto pause = std::min<Clock::duration>(std::chrono::milliseconds(g_settle_ms.load()),
                                                 deadline - Clock::now());
    if (pause > Clock::duration::zero()) std::this_thread::sleep_for(pause);
  }
}

DbResult CRecordStore::LoadFromMemory(const uint8_t* data, size_t size) {
  retired_.clear();
  Clear();
  stamp_ = FileStamp{};
  file_.OpenMemory(data, size);
  DbResult rc = ReadAllFrom(file_);
  file_.Close();
  if (rc == DB_OK) has_snapshot_ = true;
  else ForgetFile();
  ++generation_;
  return rc;
}

DbResult CRecordStore::ReadAllFrom(CStoreFile& file) {
  // A whole load reads the file into one buffer of its own, on a second
  // thread while the records are parsed behind it, and every picture refers
  // to its bytes there (PictureBytes.h). A load for a merge keeps only the
  // few records the other writer changed: their pictures get bytes of their
  // own, and the others' are dropped at once.
  std::shared_ptr<CPictureArena> arena;
  bool streamed = false;
  if (known_ == nullptr) {
    const load_timing::Span timed(&StoreLoadPhases::pictureMemoryNs);
    arena = CPictureArena::Create(static_cast<size_t>(file.Remaining()));
    streamed = arena && file.StreamInto(arena);
  }
  DbResult rc = DB_OK;
  uint32_t format = 0;
  uint32_t record_count = 0;
  if (file.ReadU32(&format) != DB_OK) {
    rc = DB_ERR_NO_HEADER;
  } else if (format != kFormatWord) {
    rc = DB_ERR_BAD_FORMAT;
  } else if ((rc = file.ReadU32(&record_count)) == DB_OK && record_count != 0) {
    if (!streamed) file.UsePictureArena(arena);
    const bool fresh = high_water_ == 0;
    rc = LoadEntries(file, record_count);
    if (fresh && known_ == nullptr) MakeIdIndexFromLoad();
  }
  const uint64_t streamed_bytes = file.EndStream();
  file.UsePictureArena(nullptr);
  if (arena) {
    const load_timing::Span timed(&StoreLoadPhases::pictureMemoryNs);
    if (streamed) arena->Keep(static_cast<size_t>(streamed_bytes));
    arena->Trim();
  }
  return rc;
}

DbResult CRecordStore::LoadEntries(CStoreFile& file, uint32_t record_count) {
  // The count is not trusted: each entry takes at least its kind word, so a
  // count beyond the file's size simply runs into the end of the file.
  for (uint32_t i = 0; i < record_count; ++i) {
    file.BeginDigest();
    uint32_t kind = 0;
    DbResult rc = file.ReadU32(&kind);
    if (rc != DB_OK) {
      file.EndDigest();
      return rc;
    }
    std::unique_ptr<CRecord> record = CreateRecord(kind);
    if (!record) {
      file.EndDigest();
      return DB_ERR_READ;
    }
    // Read errors inside the body are not the load's result: a body cut off
    // by the end of the file keeps what was read, and the next kind read
    // says how the file ended. The last entry has no next kind read, so a
    // cut there is reported here (its marker may be missing: a body read
    // whole is a whole record).
    record->ReadBody(file);
    const DbResult body_error = file.FirstReadError();
    uint64_t digest = file.EndDigest();
    PendingDigest pending;
    const bool deferred = file.TakeDeferredDigest(&pending.state, &pending.rest);
    const bool rewritten_differently = file.DigestedOddForm() || body_error != DB_OK;
    uint32_t marker = 0;
    file.ReadU32(&marker);  // "DATA" by convention; neither its value nor its read is examined
    // The digest stands for the record as a save would write it.
    if (rewritten_differently) digest = RecordDigest(*record);
    BaseEntry entry{digest, record->recordId, kind, true};
    if (deferred && !rewritten_differently) {
      pending_digests_.push_back(std::move(pending));
      entry.pendingDigest = static_cast<uint32_t>(pending_digests_.size());
    }
    if (known_ != nullptr && !rewritten_differently) {
      // Loading another writer's version for a merge: a record the merging
      // store knows unchanged needs no body here (the first one of its
      // kind and id only; the merge pairs them in order).
      const KnownRecord probe{(static_cast<uint64_t>(record->recordId) << 4) | kind, 0};
      auto it = std::lower_bound(known_->begin(), known_->end(), probe);
      if (it != known_->end() && it->kindId == probe.kindId && it->digest == digest) {
        const size_t at = static_cast<size_t>(it - known_->begin());
        if (!known_used_[at]) {
          known_used_[at] = true;
          std::unique_ptr<CRecord> stub = CreateRecord(kind);
          stub->recordId = record->recordId;
          stub->flags = record->flags;
          record = std::move(stub);
          entry.stub = true;
        }
      }
    }
    {
      const load_timing::Span timed(&StoreLoadPhases::insertNs);
      if (load_timing::g_on) ++load_timing::g_now.records;
      std::vector<uint32_t> members;
      if (const auto* links = RecordAs<CTopicLinksRecord>(record.get())) members = links->memberIds;
      CRecord* raw = record.get();
      rc = Insert(std::move(record));
      if (rc != DB_OK) return rc;
      const uint32_t pos = static_cast<uint32_t>(raw->slotIndex);
      if (base_.size() <= pos) base_.resize(pos + 1);
      base_[pos] = entry;
      if (kind == kKindTopicLinks && !entry.stub) base_members_[pos] = std::move(members);
    }
    // A cut-off body ends the file (every byte left was read into it), so
    // this is what the next kind read would have said.
    if (body_error != DB_OK) return body_error == DB_ERR_READ ? DB_ERR_READ : DB_ERR_EOF;
  }
  return DB_OK;
}

std::vector<CRecordStore::KnownRecord> CRecordStore::KnownRecords() const {
  std::vector<KnownRecord> known;
  known.reserve(base_.size());
  for (uint32_t p = 0; p < base_.size() && p < high_water_; ++p)
    if (base_[p].present && slots_[p])
      known.push_back({(static_cast<uint64_t>(base_[p].id) << 4) | base_[p].kind, base_[p].digest});
  std::stable_sort(known.begin(), known.end());
  // Keys several records share are left out: those are read in full.
  std::vector<KnownRecord> unique;
  unique.reserve(known.size());
  for (size_t i = 0; i < known.size(); ++i) {
    const bool shared = (i > 0 && known[i - 1].kindId == known[i].kindId) ||
                        (i + 1 < known.size() && known[i + 1].kindId == known[i].kindId);
    if (!shared) unique.push_back(known[i]);
  }
  return unique;
}

// --- Reload ---------------------------------------------------------------------

DbResult CRecordStore::Reload(bool* changed) { return Reload(changed, StoreLockWait()); }

DbResult CRecordStore::Reload(bool* changed, std::chrono::milliseconds lockWait) {
  if (changed) *changed = false;
  if (path_.empty()) return DB_ERR_NO_NAME;
  last_errno_ = 0;
  failure_ = Failure::kNone;
  CStoreLock lock;
  DbResult rc = lock.Acquire(path_, O_RDONLY, lockWait);
  if (rc != DB_OK) {
    last_errno_ = lock.error();
    return rc;
  }
  if (has_snapshot_ && lock.Stamp() == stamp_) return DB_OK;
  RemoveStoreLeftovers(path_);
  CRecordStore theirs(path_, "");
  SettleDigests();
  const std::vector<KnownRecord> known = KnownRecords();
  theirs.known_ = &known;
  rc = theirs.LoadUntil(lock.fd(), Clock::now() + StoreLockWait());
  if (rc != DB_OK) {
    failure_ = theirs.failure_;
    return rc;
  }
  last_merge_ = MergeFrom(theirs);
  if (changed) *changed = true;
  return DB_OK;
}

bool CRecordStore::ChangedOnDisk() const { return !has_snapshot_ || StampOfPath(path_) != stamp_; }

}  // namespace quillet
