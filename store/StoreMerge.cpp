// Merging another writer's version of the store file into the store in
// memory (CRecordStore::MergeFrom), by the rules M1 to M13 in RecordStore.h.
//
// A merge runs inside a save of a store of 100,000 records. It pairs the
// records of both sides by sorting their (kind, id) lists rather than by
// looking each one up, and finds the file's ids by binary search in a sorted
// array; hash tables hold only what is keyed by id and usually small: the
// fresh ids of renumbered records, the member lists of links records, and
// the members of one links record while it is merged. It looks at what
// changed here only for the records the other writer changed too, and for
// those it no longer has: a record the other writer left as it was stays as
// it is here, whoever changed it.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "store/RecordFacts.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"

namespace quillet {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;

// A record's identity across the two versions: kind and id; records that
// share both are paired in the order they come.
struct Ref {
  uint64_t kind_id;
  uint32_t pos;
  bool operator<(const Ref& o) const { return kind_id != o.kind_id ? kind_id < o.kind_id : pos < o.pos; }
};

uint64_t KindId(uint32_t kind, uint32_t id) { return (static_cast<uint64_t>(id) << 4) | kind; }

uint32_t CounterOf(const CRecord* r) {
  const auto* s = RecordAs<CSettingsRecord>(r);
  return s ? s->lastRecordId : 0;
}

bool SortedHas(const std::vector<uint32_t>& sorted, uint32_t id) {
  return std::binary_search(sorted.begin(), sorted.end(), id);
}

}  // namespace

// What the steps of one merge hand on to each other.
struct CRecordStore::MergeState {
  uint32_t mine_count = 0;   // this store's positions before the merge
  uint32_t their_count = 0;  // the file's positions
  MergeCounts counts;
  // M1: their position -> ours (kNone: unpaired), and ours that have one.
  std::vector<uint32_t> partner;
  std::vector<bool> matched;
  // M6, M7: the larger of both sides' counters, and the ids the file uses.
  uint32_t counter = 0;
  bool disk_has_settings = false;
  std::vector<uint32_t> their_ids;  // sorted
  // M7: id of a record added here -> its fresh id.
  std::unordered_map<uint32_t, uint32_t> fresh;
  // The store being made, with what the file holds for each record.
  std::vector<std::unique_ptr<CRecord>> merged;
  std::vector<BaseEntry> merged_base;
  std::unordered_map<uint32_t, std::vector<uint32_t>> merged_members;

  uint32_t Renamed(uint32_t id) const {
    auto it = fresh.find(id);
    return it == fresh.end() || id == 0 ? id : it->second;
  }
  // M7: a topic's or links record's references to renumbered records.
  void FollowReferences(CRecord* r) const {
    if (fresh.empty()) return;
    if (auto* t = RecordAs<CTopicRecord>(r)) {
      t->linksId = Renamed(t->linksId);
      t->categoryId = Renamed(t->categoryId);
    } else if (auto* l = RecordAs<CTopicLinksRecord>(r)) {
      l->topicId = Renamed(l->topicId);
      for (uint32_t& m : l->memberIds) m = Renamed(m);
    }
  }
  // Appends `r` to the merged store (M10). `as_on_disk`: what the file
  // holds for the record now (null: nothing), which is what the next merge
  // compares against (M12), with the file's member list for links records.
  void Keep(std::unique_ptr<CRecord> r, const BaseEntry* as_on_disk, std::vector<uint32_t>* members) {
    const uint32_t pos = static_cast<uint32_t>(merged.size());
    merged_base.push_back(as_on_disk ? *as_on_disk : BaseEntry{});
    if (as_on_disk != nullptr && members != nullptr) merged_members[pos] = std::move(*members);
    merged.push_back(std::move(r));
  }
};

bool CRecordStore::ChangedHere(uint32_t pos) const { return RecordDigest(*slots_[pos]) != base_[pos].digest; }

// M1: pairs the file's records with the ones this store loaded or saved, by
// a merge of both sides' (kind, id) lists sorted.
void CRecordStore::PairWithTheirs(MergeState& m, const CRecordStore& theirs) const {
  m.partner.assign(m.their_count, kNone);
  m.matched.assign(m.mine_count, false);
  std::vector<Ref> mine, other;
  mine.reserve(m.mine_count);
  other.reserve(m.their_count);
  for (uint32_t p = 0; p < m.mine_count; ++p)
    if (slots_[p] && InBase(p)) mine.push_back({KindId(base_[p].kind, base_[p].id), p});
  for (uint32_t i = 0; i < m.their_count; ++i)
    if (const CRecord* d = theirs.slots_[i].get()) other.push_back({KindId(d->kind, d->recordId), i});
  std::sort(mine.begin(), mine.end());
  std::sort(other.begin(), other.end());
  size_t a = 0, b = 0;
  while (a < mine.size() && b < other.size()) {
    if (mine[a].kind_id < other[b].kind_id) {
      ++a;
    } else if (other[b].kind_id < mine[a].kind_id) {
      ++b;
    } else {
      m.partner[other[b].pos] = mine[a].pos;
      m.matched[mine[a].pos] = true;
      ++a;
      ++b;
    }
  }
}

// M6, M7: the counter both sides issue ids from (the larger of the two),
// and the ids the file uses.
void CRecordStore::FindCounter(MergeState& m, const CRecordStore& theirs) const {
  m.their_ids.reserve(m.their_count);
  for (uint32_t i = 0; i < m.their_count; ++i) {
    const CRecord* d = theirs.slots_[i].get();
    if (d == nullptr) continue;
    m.their_ids.push_back(d->recordId);
    if (d->kind == kKindSettings && d->IsLive()) {
      m.counter = std::max(m.counter, CounterOf(d));
      m.disk_has_settings = true;
    }
  }
  std::sort(m.their_ids.begin(), m.their_ids.end());
  for (uint32_t p = 0; p < m.mine_count; ++p)
    if (slots_[p] && slots_[p]->kind == kKindSettings && slots_[p]->IsLive())
      m.counter = std::max(m.counter, CounterOf(slots_[p].get()));
}

// M7: records added here whose id the file uses for a record of its own
// get fresh ids, above both counters and used by neither side. The records
// keep their old ids until they are appended (AppendRecordsAddedHere).
void CRecordStore::ReissueCollidingIds(MergeState& m) const {
  std::vector<uint32_t> our_ids;  // made only when an id must be issued
  for (uint32_t p = 0; p < m.mine_count; ++p) {
    const CRecord* r = slots_[p].get();
    if (r == nullptr || InBase(p) || r->kind == kKindSettings || r->recordId == 0) continue;
    if (!SortedHas(m.their_ids, r->recordId) || m.fresh.count(r->recordId)) continue;
    if (our_ids.empty()) {
      for (uint32_t q = 0; q < m.mine_count; ++q)
        if (slots_[q]) our_ids.push_back(slots_[q]->recordId);
      std::sort(our_ids.begin(), our_ids.end());
    }
    do ++m.counter;
    while (m.counter == 0 || SortedHas(m.their_ids, m.counter) || SortedHas(our_ids, m.counter));
    m.fresh[r->recordId] = m.counter;
    m.counts.renumbered.push_back({r->recordId, m.counter});
    ++m.counts.newIds;
  }
}

// M5: the links record at `pos`, changed here and by the other writer,
// member by member against the version loaded here: the file's members
// less those removed here, then those added here (under their fresh ids).
void CRecordStore::MergeMembers(MergeState& m, uint32_t pos, const std::vector<uint32_t>& disk_members) {
  auto* mine = static_cast<CTopicLinksRecord*>(slots_[pos].get());
  static const std::vector<uint32_t> kNoMembers;
  auto b = base_members_.find(pos);
  const std::vector<uint32_t>& base_list = b == base_members_.end() ? kNoMembers : b->second;
  const std::unordered_set<uint32_t> base_set(base_list.begin(), base_list.end());
  const std::unordered_set<uint32_t> mine_set(mine->memberIds.begin(), mine->memberIds.end());
  std::vector<uint32_t> result;
  result.reserve(disk_members.size() + mine->memberIds.size());
  for (uint32_t id : disk_members)
    if (!base_set.count(id) || mine_set.count(id)) result.push_back(id);
  std::unordered_set<uint32_t> in_result(result.begin(), result.end());
  for (uint32_t id : mine->memberIds) {
    if (base_set.count(id)) continue;
    const uint32_t renamed = m.Renamed(id);
    if (in_result.insert(renamed).second) result.push_back(renamed);
  }
  mine->memberIds = std::move(result);
  mine->topicId = m.Renamed(mine->topicId);
  ++m.counts.changedByBoth;
  ++m.counts.fromHere;
  StoreLog("Record %u (%s) was changed here and by another program: members merged", mine->recordId,
           RecordKindName(mine->kind));
}

// The file's records in the file's order (M10), each with this process's
// changes applied: what only the file has (M2), what only the other writer
// changed (M3), what both changed (M4, M5, M6), what only this process
// changed (M9).
void CRecordStore::TakeFileRecords(MergeState& m, CRecordStore& theirs) {
  for (uint32_t i = 0; i < m.their_count; ++i) {
    CRecord* d = theirs.slots_[i].get();
    if (d == nullptr) continue;
    const BaseEntry as_on_disk = i < theirs.base_.size() ? theirs.base_[i] : BaseEntry{};
    auto* disk_links = RecordAs<CTopicLinksRecord>(d);
    const uint32_t p = m.partner[i];
    if (p == kNone) {
      // M2: added by the other writer (or never known here). Never a stub:
      // a stub is only made for a record this store knows, and is paired.
      std::vector<uint32_t> members;
      if (disk_links) members = disk_links->memberIds;
      m.Keep(std::move(theirs.slots_[i]), &as_on_disk, disk_links ? &members : nullptr);
      ++m.counts.fromOther;
      continue;
    }
    CRecord* r = slots_[p].get();
    // What the file's version of a links record lists, for the next merge.
    std::vector<uint32_t>* disk_members = disk_links ? &disk_links->memberIds : nullptr;
    if (as_on_disk.digest != base_[p].digest) {
      // The other writer changed it; so did this process?
      if (!ChangedHere(p)) {
        // M3, M11: the file's version, in the object held here.
        r->Assign(*d);
        ++m.counts.fromOther;
      } else if (r->kind == kKindSettings) {
        // M6: only the counter is ever changed here: the file's version
        // with the larger counter.
        auto* s = static_cast<CSettingsRecord*>(r);
        const uint32_t mine_counter = s->lastRecordId;
        const uint32_t mine_modified = s->flags & kFlagModified;
        s->Assign(*d);
        s->lastRecordId = std::max(mine_counter, s->lastRecordId);
        s->flags |= mine_modified;
        ++m.counts.fromHere;
      } else if (disk_links != nullptr) {
        MergeMembers(m, p, disk_links->memberIds);  // M5
      } else {
        // M4, with M7's references followed.
        ++m.counts.changedByBoth;
        ++m.counts.fromHere;
        StoreLog("Record %u (%s) was changed here and by another program: this program's version kept",
                 r->recordId, RecordKindName(r->kind));
        m.FollowReferences(r);
      }
    } else {
      // M9: unchanged in the file (often only a stub of it was loaded):
      // whatever it is here stands, pointing to the fresh ids of M7. The
      // file's member list is the one loaded here (M12).
      if (!m.fresh.empty() && (r->kind == kKindTopic || r->kind == kKindTopicLinks) && ChangedHere(p))
        m.FollowReferences(r);
      auto b = base_members_.find(p);
      disk_members = b == base_members_.end() ? nullptr : &b->second;
    }
    m.Keep(std::move(slots_[p]), &as_on_disk, disk_members);
  }
}

// M8: records the other writer no longer has: kept when changed here (this
// process's version wins), otherwise dropped, allocated still (M11).
void CRecordStore::SettleRecordsTheyRemoved(MergeState& m) {
  for (uint32_t p = 0; p < m.mine_count; ++p) {
    if (!slots_[p] || !InBase(p) || m.matched[p]) continue;
    if (ChangedHere(p)) {
      m.FollowReferences(slots_[p].get());
      m.Keep(std::move(slots_[p]), nullptr, nullptr);
      ++m.counts.fromHere;
    } else {
      retired_.push_back(std::move(slots_[p]));
      ++m.counts.removed;
    }
  }
}

// M10: records added here, in the order they were added, under their fresh
// ids (M7); M6: one settings record, whose counter covers every id issued.
void CRecordStore::AppendRecordsAddedHere(MergeState& m) {
  CSettingsRecord* settings = nullptr;
  for (auto& r : m.merged)
    if (r->kind == kKindSettings && r->IsLive()) {
      settings = static_cast<CSettingsRecord*>(r.get());
      break;
    }
  for (uint32_t p = 0; p < m.mine_count; ++p) {
    if (!slots_[p] || InBase(p)) continue;
    CRecord* r = slots_[p].get();
    if (r->kind == kKindSettings && m.disk_has_settings && settings != nullptr) {
      // One settings record per store: the file's, with the larger counter.
      settings->lastRecordId = std::max(settings->lastRecordId, CounterOf(r));
      retired_.push_back(std::move(slots_[p]));
      continue;
    }
    r->recordId = m.Renamed(r->recordId);
    m.FollowReferences(r);
    m.Keep(std::move(slots_[p]), nullptr, nullptr);
    ++m.counts.fromHere;
  }
  if (settings != nullptr && settings->lastRecordId < m.counter) {
    settings->lastRecordId = m.counter;
    settings->flags |= kFlagModified;
  }
}

// M12, M13: the merged records become the store, and what the file holds
// of each is what the next merge compares against; `theirs` is emptied.
void CRecordStore::BecomeMerged(MergeState& m, CRecordStore& theirs) {
  const uint32_t total = static_cast<uint32_t>(m.merged.size());
  const size_t capacity = ((total + kSlotGrowth - 1) / kSlotGrowth) * kSlotGrowth;
  m.merged.resize(capacity);
  slots_ = std::move(m.merged);
  kinds_.assign(slots_.size(), kNoKind);
  for (uint32_t pos = 0; pos < total; ++pos) {
    slots_[pos]->slotIndex = static_cast<int32_t>(pos);
    kinds_[pos] = KindByte(slots_[pos]->kind);
  }
  live_count_ = high_water_ = first_free_hint_ = total;
  id_index_.ready = false;  // positions and ids changed
  cursor_ = std::min(cursor_, high_water_);
  for (uint32_t& c : kind_cursor_) c = std::min(c, high_water_);
  base_ = std::move(m.merged_base);
  base_members_ = std::move(m.merged_members);
  has_snapshot_ = theirs.has_snapshot_;
  stamp_ = theirs.stamp_;
  theirs.retired_.clear();
  theirs.Clear();
  if (m.counts.fromOther > 0 || m.counts.removed > 0 || m.counts.newIds > 0) ++generation_;
}

MergeCounts CRecordStore::MergeFrom(CRecordStore& theirs) {
  SettleDigests();
  theirs.SettleDigests();
  MergeState m;
  retired_.clear();  // M11: what the last merge dropped
  m.mine_count = high_water_;
  m.their_count = theirs.high_water_;
  PairWithTheirs(m, theirs);
  FindCounter(m, theirs);
  ReissueCollidingIds(m);
  m.merged.reserve(static_cast<size_t>(m.mine_count) + m.their_count);
  m.merged_base.reserve(m.merged.capacity());
  TakeFileRecords(m, theirs);
  SettleRecordsTheyRemoved(m);
  AppendRecordsAddedHere(m);
  BecomeMerged(m, theirs);

  // M13, M7: the log, and whoever holds the old ids follows.
  const MergeCounts& counts = m.counts;
  StoreLog("Merged %s with another program's changes: %u from it, %u from here, %u changed on "
           "both sides, %u new ids, %u removed by it",
           path_.c_str(), counts.fromOther, counts.fromHere, counts.changedByBoth, counts.newIds,
           counts.removed);
  for (const RecordIdChange& c : counts.renumbered)
    StoreLog("Record %u added here now has id %u: another program used its id", c.from, c.to);
  CallStoreRenumberHook(StoreRenumberEvent{this, path_, counts.renumbered});
  return std::move(m.counts);
}

}  // namespace quillet
