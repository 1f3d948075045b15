// CRecordStore: the records in memory (positions, the id index, iteration)
// and the store's shared parts. Loading and reloading are in
// RecordStoreLoad.cpp, saving in RecordStoreSave.cpp, merging in
// StoreMerge.cpp.
#include "store/RecordStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/Translate.h"
#include "store/LoadPhases.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}


}  // namespace

uint64_t RecordDigest(const CRecord& record) {
  CStoreFile sink;
  sink.OpenDigestSink();
  sink.BeginDigest();
  sink.WriteU32(record.kind);
  record.WriteBody(sink);
  return sink.EndDigest();
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
  kinds_.clear();
  kinds_.shrink_to_fit();
  live_count_ = 0;
  high_water_ = 0;
  first_free_hint_ = 0;
  ForgetFile();
}

void CRecordStore::ForgetFile() {
  has_snapshot_ = false;
  base_.clear();
  base_.shrink_to_fit();
  pending_digests_.clear();
  pending_digests_.shrink_to_fit();
  base_members_.clear();
}

std::string CRecordStore::FailureReason(DbResult rc) const { return Reason(rc, false); }
std::string CRecordStore::ShownFailureReason(DbResult rc) const { return Reason(rc, true); }

std::string CRecordStore::Reason(DbResult rc, bool shown) const {
  // The same words for the log (English) and for the person (translated).
  auto say = [shown](const char* english, std::initializer_list<std::string_view> args = {}) {
    return FillIn(shown ? translate("RecordStore", english) : std::string(english), args);
  };
  const std::string name = BaseName(path_);
  const std::string waited = std::to_string(StoreLockWait().count() / 1000);
  switch (rc) {
    case DB_OK: return std::string();
    case DB_ERR_NO_NAME: return say(QT_TRANSLATE_NOOP("RecordStore", "The database has no file name."));
    case DB_ERR_OPEN:
      switch (last_errno_) {
        case EWOULDBLOCK:
          return say(QT_TRANSLATE_NOOP("RecordStore", "%1 is in use by another program (waited %2 seconds)."),
                     {name, waited});
        case ENOENT: {
          // A save into a folder that is gone: the user's folder was removed.
          const size_t slash = path_.rfind('/');
          struct stat st;
          if (slash != std::string::npos && slash > 0 && ::stat(path_.substr(0, slash).c_str(), &st) != 0)
            return say(QT_TRANSLATE_NOOP("RecordStore", "The folder of %1 no longer exists (was the user deleted?)."),
                       {name});
          return say(QT_TRANSLATE_NOOP("RecordStore", "%1 does not exist."), {name});
        }
        case EACCES:
        case EPERM: return say(QT_TRANSLATE_NOOP("RecordStore", "There is no permission to open %1."), {name});
        case EISDIR: return say(QT_TRANSLATE_NOOP("RecordStore", "%1 is a folder, not a file."), {name});
        case EINVAL:
          return say(QT_TRANSLATE_NOOP("RecordStore",
                                       "%1 is not an ordinary file (a pipe, a device or a socket) and cannot be read."),
                     {name});
        case 0: return say(QT_TRANSLATE_NOOP("RecordStore", "%1 could not be opened."), {name});
        default:
          return say(QT_TRANSLATE_NOOP("RecordStore", "%1 could not be opened: %2."), {name, std::strerror(last_errno_)});
      }
    case DB_ERR_WRITE:
      switch (last_errno_) {
        case ENOSPC:
        case EDQUOT: return say(QT_TRANSLATE_NOOP("RecordStore", "%1 could not be written: the disk is full."), {name});
        case 0: return say(QT_TRANSLATE_NOOP("RecordStore", "%1 could not be written (is the disk full?)."), {name});
        default:
          return say(QT_TRANSLATE_NOOP("RecordStore", "%1 could not be written: %2."), {name, std::strerror(last_errno_)});
      }
    case DB_ERR_NO_MEMORY: return say(QT_TRANSLATE_NOOP("RecordStore", "There is not enough memory."));
    default:
      if (failure_ == Failure::kBeingWritten)
        return say(QT_TRANSLATE_NOOP("RecordStore",
                                     "%1 is being written by another program (waited %2 seconds for it to finish); "
                                     "try again when that program is done."),
                   {name, waited});
      if (failure_ == Failure::kDamagedNotSaved)
        return say(QT_TRANSLATE_NOOP("RecordStore",
                                     "%1 on the disk is damaged (result %2), so it was not written over; "
                                     "your changes are kept until it can be saved."),
                   {name, std::to_string(rc)});
      return say(QT_TRANSLATE_NOOP("RecordStore", "%1 is damaged (result %2)."), {name, std::to_string(rc)});
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
      kinds_.resize(slots_.size() + kSlotGrowth, kNoKind);  // first: never shorter than slots_
      slots_.resize(slots_.size() + kSlotGrowth);
    } catch (const std::bad_alloc&) {
      return DB_ERR_NO_MEMORY;
    } catch (const std::length_error&) {
      return DB_ERR_NO_MEMORY;
    }
  }
  record->slotIndex = static_cast<int32_t>(pos);
  if (id_index_.ready && !id_index_.Note(record->recordId, pos)) id_index_.ready = false;
  kinds_[pos] = KindByte(record->kind);
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
  const int64_t begun = load_timing::g_on ? load_timing::NowNs() : 0;
  MakeIdIndexNow();
  if (load_timing::g_on) load_timing::NoteIdIndex(load_timing::NowNs() - begun);
}

namespace {

// Makes `index` from each position's id (idAt(pos, &id): false for an
// empty position), in two passes: the largest id and the count first, to
// choose between a table and a map.
template <class IdIndex, class IdAt>
void MakeIndex(IdIndex& index, uint32_t positions, IdAt&& idAt) {
  uint32_t max_id = 0, count = 0, id = 0;
  for (uint32_t pos = 0; pos < positions; ++pos)
    if (idAt(pos, &id)) {
      max_id = std::max(max_id, id);
      ++count;
    }
  index.table.clear();
  index.map.clear();
  index.dense = max_id <= 4u * count + 1024u;
  index.table.shrink_to_fit();
  if (index.dense) index.table.assign(static_cast<size_t>(max_id) + 1, IdIndex::kNone);
  else index.map.reserve(count);
  for (uint32_t pos = 0; pos < positions; ++pos)
    if (idAt(pos, &id)) index.Note(id, pos);
  index.ready = true;
}

}  // namespace

void CRecordStore::MakeIdIndexNow() const {
  MakeIndex(id_index_, high_water_, [this](uint32_t pos, uint32_t* id) {
    const CRecord* r = slots_[pos].get();
    if (r != nullptr) *id = r->recordId;
    return r != nullptr;
  });
}

void CRecordStore::MakeIdIndexFromLoad() const {
  // Every record a load put into the empty store has its entry in base_,
  // with its id: the index is made from that array without going back to
  // a hundred thousand records scattered over the heap.
  const load_timing::Span timed(&StoreLoadPhases::idIndexNs);
  const uint32_t positions = static_cast<uint32_t>(std::min<size_t>(high_water_, base_.size()));
  for (uint32_t pos = positions; pos < high_water_; ++pos)
    if (slots_[pos]) return;  // a record without an entry: left to the first lookup
  MakeIndex(id_index_, positions, [this](uint32_t pos, uint32_t* id) {
    if (!base_[pos].present || !slots_[pos]) return false;
    *id = base_[pos].id;
    return true;
  });
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

CRecord* CRecordStore::FindByIdAmongMany(uint32_t id, bool* remade) const {
  auto at = [&]() -> CRecord* {
    const uint32_t pos = id_index_.Lookup(id);
    CRecord* record = pos < high_water_ ? slots_[pos].get() : nullptr;
    return record != nullptr && record->recordId == id ? record : nullptr;
  };
  if (!id_index_.ready) {
    MakeIdIndex();
    *remade = true;
  }
  if (CRecord* record = at()) return record;
  if (*remade) return nullptr;
  MakeIdIndex();
  *remade = true;
  return at();
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
    if (kinds_[cursor] != kind) continue;
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

void CRecordStore::SettleDigests() {
  if (pending_digests_.empty()) return;
  for (BaseEntry& entry : base_) {
    if (entry.pendingDigest == 0) continue;
    PendingDigest& pending = pending_digests_[entry.pendingDigest - 1];
    pending.state.Update(pending.rest.data(), pending.rest.size());
    entry.digest = pending.state.Final();
    entry.pendingDigest = 0;
  }
  pending_digests_.clear();
  pending_digests_.shrink_to_fit();
}

}  // namespace quillet
