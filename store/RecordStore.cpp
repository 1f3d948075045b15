#include "store/RecordStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <thread>

#include "store/RecordKinds.h"
#include "store/StoreEvents.h"

namespace quillet {
namespace {

std::atomic<int64_t> g_settle_ms{100};

// A file written to this recently may still be being written.
std::chrono::milliseconds QuietAge() { return std::chrono::milliseconds(10 * g_settle_ms.load()); }

std::chrono::nanoseconds FileAge(const FileStamp& stamp) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now) - std::chrono::nanoseconds(stamp.mtimeNs);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::chrono::milliseconds SetStoreSettleDelay(std::chrono::milliseconds delay) {
  return std::chrono::milliseconds(g_settle_ms.exchange(delay.count()));
}

uint64_t RecordDigest(const CRecord& record) {
  CStoreFile sink;
  sink.OpenDigestSink();
  sink.BeginDigest();
  sink.WriteU32(record.kind);
  record.WriteBody(sink);
  return sink.EndDigest();
}

std::string KeptDamagedName(const std::string& store_path) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, ".damaged-%Y%m%d-%H%M", &local);
  std::string base = store_path + stamp;
  std::string name = base;
  for (int n = 2; FileExists(name); ++n) name = base + "-" + std::to_string(n);
  return name;
}

std::string SetAsideDamagedStore(const std::string& path, int locked_fd) {
  // The file a symbolic link names is the one set aside; the link stays
  // and the fresh store is made where it points.
  std::string target = path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  StoreBackupEvent event{path, StoreBackupReason::kSetAsideDamaged, locked_fd};
  CallStoreBackupHook(event);
  const std::string kept = KeptDamagedName(target);
  if (::rename(target.c_str(), kept.c_str()) != 0) {
    StoreLog("Unable to keep damaged database %s", target.c_str());
    return std::string();
  }
  StoreLog("Damaged database kept as %s", kept.c_str());
  return kept;
}

CRecordStore::CRecordStore(const std::string& fileName, const std::string& folder) {
  if (folder.empty()) {
    path_ = fileName;
  } else {
    path_ = folder;
    if (path_.back() != '/') path_ += '/';
    path_ += fileName;
  }
}

CRecordStore::~CRecordStore() {
  Clear();
  file_.Close();
}

void CRecordStore::Clear() {
  id_index_ = IdIndex{};
  slots_.clear();
  slots_.shrink_to_fit();
  live_count_ = 0;
  high_water_ = 0;
  first_free_hint_ = 0;
  ForgetFile();
}

void CRecordStore::ForgetFile() {
  has_snapshot_ = false;
  base_.clear();
  base_.shrink_to_fit();
  base_members_.clear();
}

// --- Load -----------------------------------------------------------------------

DbResult CRecordStore::Load() {
  retired_.clear();
  Clear();
  stamp_ = FileStamp{};
  if (path_.empty()) return DB_ERR_NO_NAME;
  return LoadUntil(-1, Clock::now() + StoreLockWait());
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
    if (locked_fd >= 0) {
      rc = file_.OpenForReadLocked(locked_fd);
    } else {
      const auto left = std::max<Clock::duration>(deadline - Clock::now(), Clock::duration::zero());
      rc = file_.OpenForRead(path_, std::chrono::duration_cast<std::chrono::milliseconds>(left));
    }
    if (rc != DB_OK) {
      last_errno_ = file_.error();
      file_.Close();
      return rc;
    }
    rc = ReadAllFrom(file_);
    const bool cut = file_.FirstReadError() != DB_OK;
    const FileStamp before = file_.OpenStamp();
    const FileStamp after = file_.StampNow();
    file_.Close();
    // A writer that takes no lock shows itself by changing the file while we
    // read it, or by putting another file in its place.
    const FileStamp named = locked_fd >= 0 ? after : StampOfPath(path_);
    const bool steady = before == after && after == named;
    const bool clean = steady && rc == DB_OK && !cut;
    // Failing the same way twice, unchanged in between and not written to
    // for a while, is damage; anything else may be a writer still at work.
    const bool quiet = FileAge(after) >= QuietAge();
    const bool same_twice =
        steady && quiet && previous.steady && previous.rc == rc && previous.stamp == after;
    if (clean || same_twice || Clock::now() >= deadline) {
      stamp_ = after;
      if (rc == DB_OK) {
        has_snapshot_ = true;
      } else {
        ForgetFile();
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
  uint32_t format = 0;
  if (file.ReadU32(&format) != DB_OK) return DB_ERR_NO_HEADER;
  if (format != kFormatWord) return DB_ERR_BAD_FORMAT;
  uint32_t record_count = 0;
  DbResult rc = file.ReadU32(&record_count);
  if (rc == DB_OK && record_count > 0) rc = LoadEntries(file, record_count);
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
    // says how the file ended.
    record->ReadBody(file);
    uint64_t digest = file.EndDigest();
    const bool rewritten_differently = file.DigestedOddForm() || file.FirstReadError() != DB_OK;
    uint32_t marker = 0;
    file.ReadU32(&marker);  // "DATA" by convention; neither its value nor its read is examined
    // The digest stands for the record as a save would write it.
    if (rewritten_differently) digest = RecordDigest(*record);
    BaseEntry entry{digest, record->recordId, kind, true};
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

// --- Save -----------------------------------------------------------------------

DbResult CRecordStore::Save() {
  if (path_.empty()) return DB_ERR_NO_NAME;
  const Clock::time_point deadline = Clock::now() + StoreLockWait();
  for (int attempt = 0;; ++attempt) {
    last_errno_ = 0;
    const auto left = std::max<Clock::duration>(deadline - Clock::now(), Clock::duration::zero());
    DbResult rc = file_.Rewrite(path_, std::chrono::duration_cast<std::chrono::milliseconds>(left));
    if (rc != DB_OK) {
      last_errno_ = file_.error();
      return rc;
    }
    if (file_.TargetExisted() && (!has_snapshot_ || file_.TargetStamp() != stamp_)) {
      rc = MergeWithFile(deadline);
      if (rc != DB_OK) {
        file_.Close();
        return rc;
      }
    }
    // A writer that takes no lock may have renamed another file into place
    // while we merged: merge with that one instead of replacing it.
    if (file_.TargetExisted() && attempt < 3) {
      const FileStamp locked = file_.TargetStamp();
      const FileStamp named = StampOfPath(file_.TargetPath());
      if (named.exists && (named.device != locked.device || named.inode != locked.inode)) {
        file_.Close();
        continue;
      }
    }
    std::vector<BaseEntry> written;
    rc = WriteAll(file_, &written);
    if (rc != DB_OK) {
      file_.Close();  // discards the temporary file; the old one stays
      return rc;
    }
    rc = file_.Commit();
    if (rc == DB_ERR_OPEN && file_.LostCreateRace() && attempt < 3) continue;
    if (rc == DB_OK) {
      RememberWritten(std::move(written), file_.CommittedStamp());
      ++save_count_;
    }
    return rc;
  }
}

DbResult CRecordStore::MergeWithFile(Clock::time_point deadline) {
  const int fd = file_.TargetFd();
  StoreBackupEvent event{path_, StoreBackupReason::kMergingSave, fd};
  CallStoreBackupHook(event);
  CRecordStore theirs(path_, "");
  const std::vector<KnownRecord> known = KnownRecords();
  theirs.known_ = &known;
  DbResult rc = theirs.LoadUntil(fd, deadline);
  if (rc != DB_OK) {
    // The other writer left a file that reads the same broken way twice: it
    // is kept aside, and this store takes its place.
    if (SetAsideDamagedStore(file_.TargetPath(), fd).empty()) return rc;
    file_.TargetSetAside();
    return DB_OK;
  }
  last_merge_ = MergeFrom(theirs);
  return DB_OK;
}

DbResult CRecordStore::SaveTo(const std::string& otherPath) {
  last_errno_ = 0;
  DbResult rc = file_.Rewrite(otherPath);
  if (rc != DB_OK) {
    last_errno_ = file_.error();
    return rc;
  }
  rc = WriteAll(file_, nullptr);
  if (rc != DB_OK) {
    file_.Close();
    return rc;
  }
  return file_.Commit();
}

DbResult CRecordStore::SaveToMemory(std::vector<uint8_t>* out) {
  DbResult rc = file_.RewriteMemory(out);
  if (rc == DB_OK) rc = WriteAll(file_, nullptr);
  if (rc != DB_OK) {
    file_.Close();
    return rc;
  }
  return file_.Commit();
}

DbResult CRecordStore::WriteAll(CStoreFile& file, std::vector<BaseEntry>* written) {
  DbResult rc = file.WriteU32(format_word_);
  if (rc != DB_OK) return rc;
  rc = file.WriteU32(live_count_);
  if (written) written->assign(high_water_, BaseEntry{});
  if (rc != DB_OK || live_count_ == 0) return rc;
  uint32_t count = 0;
  for (uint32_t pos = 0; pos < high_water_ && count < live_count_; ++pos) {
    const CRecord* record = slots_[pos].get();
    if (record == nullptr) continue;
    if (written) file.BeginDigest();
    rc = file.WriteU32(record->kind);
    if (rc == DB_OK) rc = record->WriteBody(file);
    if (written) (*written)[pos] = BaseEntry{file.EndDigest(), record->recordId, record->kind, true};
    if (rc == DB_OK) rc = file.WriteU32(kEntryMarker);
    if (rc != DB_OK) return rc;
    ++count;
  }
  // Fewer records than the count announced would make a file that lies
  // about its length; never commit one.
  return count == live_count_ ? DB_OK : DB_ERR_NOT_FOUND;
}

void CRecordStore::RememberWritten(std::vector<BaseEntry> written, const FileStamp& stamp) {
  base_ = std::move(written);
  base_members_.clear();
  for (uint32_t pos = 0; pos < high_water_; ++pos)
    if (const auto* links = RecordAs<CTopicLinksRecord>(slots_[pos].get()))
      base_members_[pos] = links->memberIds;
  stamp_ = stamp;
  has_snapshot_ = true;
}

// --- Reload ---------------------------------------------------------------------

DbResult CRecordStore::Reload(bool* changed) { return Reload(changed, StoreLockWait()); }

DbResult CRecordStore::Reload(bool* changed, std::chrono::milliseconds lockWait) {
  if (changed) *changed = false;
  if (path_.empty()) return DB_ERR_NO_NAME;
  last_errno_ = 0;
  CStoreLock lock;
  DbResult rc = lock.Acquire(path_, O_RDONLY, lockWait);
  if (rc != DB_OK) {
    last_errno_ = lock.error();
    return rc;
  }
  if (has_snapshot_ && lock.Stamp() == stamp_) return DB_OK;
  RemoveStoreLeftovers(path_);
  CRecordStore theirs(path_, "");
  const std::vector<KnownRecord> known = KnownRecords();
  theirs.known_ = &known;
  rc = theirs.LoadUntil(lock.fd(), Clock::now() + StoreLockWait());
  if (rc != DB_OK) return rc;
  last_merge_ = MergeFrom(theirs);
  if (changed) *changed = true;
  return DB_OK;
}

bool CRecordStore::ChangedOnDisk() const { return !has_snapshot_ || StampOfPath(path_) != stamp_; }

std::string CRecordStore::FailureReason(DbResult rc) const {
  const std::string name = BaseName(path_);
  char text[256];
  switch (rc) {
    case DB_OK: return std::string();
    case DB_ERR_NO_NAME: return "The database has no file name.";
    case DB_ERR_OPEN:
      switch (last_errno_) {
        case EWOULDBLOCK:
          std::snprintf(text, sizeof text, "%s is in use by another program (waited %lld seconds).",
                        name.c_str(), static_cast<long long>(StoreLockWait().count() / 1000));
          return text;
        case ENOENT: return name + " does not exist.";
        case EACCES:
        case EPERM: return "There is no permission to open " + name + ".";
        case EISDIR: return name + " is not a file.";
        case 0: return name + " could not be opened.";
        default: return name + " could not be opened: " + std::strerror(last_errno_) + ".";
      }
    case DB_ERR_WRITE: return name + " could not be written (is the disk full?).";
    case DB_ERR_NO_MEMORY: return "There is not enough memory.";
    default:
      std::snprintf(text, sizeof text, "%s is damaged (result %u).", name.c_str(), rc);
      return text;
  }
}

// --- Records ----------------------------------------------------------------------

DbResult CRecordStore::Insert(std::unique_ptr<CRecord> record) {
  if (!record) return DB_ERR_NO_MEMORY;
  // Positions are only ever emptied all at once (Clear, a merge), so every
  // position below the hint is taken and the search can start there.
  uint32_t pos = first_free_hint_;
  while (pos < slots_.size() && slots_[pos] != nullptr) ++pos;
  if (pos == slots_.size()) {
    try {
      slots_.resize(slots_.size() + kSlotGrowth);
    } catch (const std::bad_alloc&) {
      return DB_ERR_NO_MEMORY;
    } catch (const std::length_error&) {
      return DB_ERR_NO_MEMORY;
    }
  }
  record->slotIndex = static_cast<int32_t>(pos);
  if (id_index_.ready && !id_index_.Note(record->recordId, pos)) id_index_.ready = false;
  slots_[pos] = std::move(record);
  first_free_hint_ = pos + 1;
  ++live_count_;
  if (pos >= high_water_) high_water_ = pos + 1;
  return DB_OK;
}

DbResult CRecordStore::AddNew(std::unique_ptr<CRecord> record) {
  if (!record) return DB_ERR_NO_MEMORY;
  record->flags = 0;
  record->flags = kFlagNew;
  record->syncWordA = 0;
  record->syncWordB = 0;
  return Insert(std::move(record));
}

CRecord* CRecordStore::RecordAt(uint32_t position) const {
  return position < high_water_ ? slots_[position].get() : nullptr;
}

uint32_t CRecordStore::IdIndex::Lookup(uint32_t id) const {
  if (dense) return id < table.size() ? table[id] : kNone;
  auto it = map.find(id);
  return it == map.end() ? kNone : it->second;
}

bool CRecordStore::IdIndex::Note(uint32_t id, uint32_t pos) {
  if (!dense) {
    auto [it, added] = map.emplace(id, pos);
    if (!added && pos < it->second) it->second = pos;
    return true;
  }
  if (id >= table.size()) {
    // Records added after the load: the table grows in steps while the ids
    // stay dense.
    if (id > 4u * (table.size() + 1024u)) return false;
    table.resize(std::max<size_t>(static_cast<size_t>(id) + 1, table.size() + table.size() / 2),
                 kNone);
  }
  if (table[id] == kNone || pos < table[id]) table[id] = pos;
  return true;
}

void CRecordStore::MakeIdIndex() const {
  IdIndex& index = id_index_;
  uint32_t max_id = 0, count = 0;
  for (uint32_t pos = 0; pos < high_water_; ++pos)
    if (const CRecord* r = slots_[pos].get()) {
      max_id = std::max(max_id, r->recordId);
      ++count;
    }
  index.table.clear();
  index.map.clear();
  index.dense = max_id <= 4u * count + 1024u;
  if (index.dense) {
    index.table.shrink_to_fit();
    index.table.assign(static_cast<size_t>(max_id) + 1, IdIndex::kNone);
  } else {
    index.table.shrink_to_fit();
    index.map.reserve(count);
  }
  for (uint32_t pos = 0; pos < high_water_; ++pos)
    if (const CRecord* r = slots_[pos].get()) index.Note(r->recordId, pos);
  index.ready = true;
}

DbResult CRecordStore::ScanForId(uint32_t id, CRecord** out) const {
  for (uint32_t pos = 0; pos < high_water_; ++pos) {
    CRecord* record = slots_[pos].get();
    if (record != nullptr && record->recordId == id) {
      *out = record;
      return DB_OK;
    }
  }
  return DB_ERR_NOT_FOUND;
}

DbResult CRecordStore::FindById(uint32_t id, CRecord** out) const {
  *out = nullptr;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!id_index_.ready) MakeIdIndex();
    const uint32_t pos = id_index_.Lookup(id);
    if (pos == IdIndex::kNone) break;
    CRecord* record = pos < high_water_ ? slots_[pos].get() : nullptr;
    if (record != nullptr && record->recordId == id) {
      *out = record;
      return DB_OK;
    }
    // The record there was given another id in place: index again.
    id_index_.ready = false;
  }
  // Not in the index. A record given this id in place would not be either:
  // make sure before saying there is none.
  if (ScanForId(id, out) != DB_OK) return DB_ERR_NOT_FOUND;
  id_index_.ready = false;
  return DB_OK;
}

DbResult CRecordStore::First(CRecord** out) {
  cursor_ = 0;
  return Next(out);
}

DbResult CRecordStore::Next(CRecord** out) {
  *out = nullptr;
  for (; cursor_ < high_water_; ++cursor_) {
    if (CRecord* record = slots_[cursor_].get()) {
      *out = record;
      ++cursor_;
      return DB_OK;
    }
  }
  return DB_ERR_NOT_FOUND;
}

DbResult CRecordStore::FirstOfKind(uint32_t kind, CRecord** out, bool liveOnly) {
  if (kind >= kKindCount) {
    *out = nullptr;
    return DB_ERR_NOT_FOUND;
  }
  kind_cursor_[kind] = 0;
  return NextOfKind(kind, out, liveOnly);
}

DbResult CRecordStore::NextOfKind(uint32_t kind, CRecord** out, bool liveOnly) {
  *out = nullptr;
  if (kind >= kKindCount) return DB_ERR_NOT_FOUND;
  uint32_t& cursor = kind_cursor_[kind];
  for (; cursor < high_water_; ++cursor) {
    CRecord* record = slots_[cursor].get();
    if (record == nullptr || record->kind != kind) continue;
    if (liveOnly && !record->IsLive()) continue;
    *out = record;
    ++cursor;
    return DB_OK;
  }
  return DB_ERR_NOT_FOUND;
}

uint32_t CRecordStore::CountLive(uint32_t kind) const {
  uint32_t count = 0;
  for (uint32_t pos = 0; pos < high_water_; ++pos) {
    const CRecord* record = slots_[pos].get();
    if (record != nullptr && record->kind == kind && record->IsLive()) ++count;
  }
  return count;
}

}  // namespace quillet
