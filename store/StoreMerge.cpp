// Merging another writer's version of the store file into the store in
// memory (CRecordStore::MergeFrom); the rules are in RecordStore.h.
//
// A merge runs inside a save of a store of 100,000 records, so it works in
// sorted arrays rather than hash tables, and looks at what changed here
// only for the records the other writer changed too: a record the other
// writer left as it was stays as it is here, whoever changed it.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

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

const char* KindName(uint32_t kind) {
  static const char* const kNames[] = {"settings", "reserved", "string list", "category", "topic",
                                       "note",     "picture",  "reference",   "topic links"};
  return kind < kKindCount ? kNames[kind] : "unknown";
}

uint32_t CounterOf(const CRecord* r) {
  const auto* s = RecordAs<CSettingsRecord>(r);
  return s ? s->lastRecordId : 0;
}

bool SortedHas(const std::vector<uint32_t>& sorted, uint32_t id) {
  return std::binary_search(sorted.begin(), sorted.end(), id);
}

}  // namespace

MergeCounts CRecordStore::MergeFrom(CRecordStore& theirs) {
  MergeCounts counts;
  retired_.clear();
  const uint32_t mine_count = high_water_;
  const uint32_t their_count = theirs.high_water_;
  auto is_base = [this](uint32_t p) { return p < base_.size() && base_[p].present; };
  auto changed_here = [this](uint32_t p) { return RecordDigest(*slots_[p]) != base_[p].digest; };

  // Pair the file's records with the ones this store loaded or saved.
  std::vector<uint32_t> partner(their_count, kNone);  // their position -> ours
  std::vector<bool> matched(mine_count, false);
  {
    std::vector<Ref> mine, other;
    mine.reserve(mine_count);
    other.reserve(their_count);
    for (uint32_t p = 0; p < mine_count; ++p)
      if (slots_[p] && is_base(p)) mine.push_back({KindId(base_[p].kind, base_[p].id), p});
    for (uint32_t i = 0; i < their_count; ++i)
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
        partner[other[b].pos] = mine[a].pos;
        matched[mine[a].pos] = true;
        ++a;
        ++b;
      }
    }
  }

  // The counter both sides issue ids from, and the ids the file uses.
  uint32_t counter = 0;
  bool disk_has_settings = false;
  std::vector<uint32_t> their_ids;
  their_ids.reserve(their_count);
  for (uint32_t i = 0; i < their_count; ++i) {
    const CRecord* d = theirs.slots_[i].get();
    if (d == nullptr) continue;
    their_ids.push_back(d->recordId);
    if (d->kind == kKindSettings && d->IsLive()) {
      counter = std::max(counter, CounterOf(d));
      disk_has_settings = true;
    }
  }
  std::sort(their_ids.begin(), their_ids.end());
  for (uint32_t p = 0; p < mine_count; ++p)
    if (slots_[p] && slots_[p]->kind == kKindSettings && slots_[p]->IsLive())
      counter = std::max(counter, CounterOf(slots_[p].get()));

  // Records added here whose id the other writer used for a record of its
  // own get fresh ids; references to them follow.
  std::unordered_map<uint32_t, uint32_t> fresh;
  std::vector<uint32_t> our_ids;  // made only when an id must be issued
  for (uint32_t p = 0; p < mine_count; ++p) {
    const CRecord* r = slots_[p].get();
    if (r == nullptr || is_base(p) || r->kind == kKindSettings || r->recordId == 0) continue;
    if (!SortedHas(their_ids, r->recordId) || fresh.count(r->recordId)) continue;
    if (our_ids.empty()) {
      for (uint32_t q = 0; q < mine_count; ++q)
        if (slots_[q]) our_ids.push_back(slots_[q]->recordId);
      std::sort(our_ids.begin(), our_ids.end());
    }
    do ++counter;
    while (counter == 0 || SortedHas(their_ids, counter) || SortedHas(our_ids, counter));
    fresh[r->recordId] = counter;
    counts.renumbered.push_back({r->recordId, counter});
    ++counts.newIds;
  }
  auto renamed = [&fresh](uint32_t id) {
    auto it = fresh.find(id);
    return it == fresh.end() || id == 0 ? id : it->second;
  };
  auto follow_references = [&](CRecord* r) {
    if (fresh.empty()) return;
    if (auto* t = RecordAs<CTopicRecord>(r)) {
      t->linksId = renamed(t->linksId);
      t->categoryId = renamed(t->categoryId);
    } else if (auto* l = RecordAs<CTopicLinksRecord>(r)) {
      l->topicId = renamed(l->topicId);
      for (uint32_t& m : l->memberIds) m = renamed(m);
    }
  };

  std::vector<std::unique_ptr<CRecord>> merged;
  std::vector<BaseEntry> merged_base;
  std::unordered_map<uint32_t, std::vector<uint32_t>> merged_members;
  merged.reserve(static_cast<size_t>(mine_count) + their_count);
  merged_base.reserve(merged.capacity());
  // `as_on_disk`: what the file holds for the record now (null: nothing),
  // which is what the next save compares against.
  auto keep = [&](std::unique_ptr<CRecord> r, const BaseEntry* as_on_disk, std::vector<uint32_t>* members) {
    const uint32_t pos = static_cast<uint32_t>(merged.size());
    merged_base.push_back(as_on_disk ? *as_on_disk : BaseEntry{});
    if (as_on_disk != nullptr && members != nullptr) merged_members[pos] = std::move(*members);
    merged.push_back(std::move(r));
  };

  // The file's records in the file's order, each with this process's
  // changes applied.
  for (uint32_t i = 0; i < their_count; ++i) {
    CRecord* d = theirs.slots_[i].get();
    if (d == nullptr) continue;
    const BaseEntry as_on_disk = i < theirs.base_.size() ? theirs.base_[i] : BaseEntry{};
    auto* disk_links = RecordAs<CTopicLinksRecord>(d);
    const uint32_t p = partner[i];
    if (p == kNone) {
      // Added by the other writer (or never known here). Never a stub: a
      // stub is only made for a record this store knows, and is paired.
      std::vector<uint32_t> members;
      if (disk_links) members = disk_links->memberIds;
      keep(std::move(theirs.slots_[i]), &as_on_disk, disk_links ? &members : nullptr);
      ++counts.fromOther;
      continue;
    }
    CRecord* r = slots_[p].get();
    // What the file's version of a links record lists, for the next merge.
    std::vector<uint32_t>* disk_members = disk_links ? &disk_links->memberIds : nullptr;
    if (as_on_disk.digest != base_[p].digest) {
      // The other writer changed it; so did this process?
      if (!changed_here(p)) {
        r->Assign(*d);
        ++counts.fromOther;
      } else if (r->kind == kKindSettings) {
        // Only the counter is ever changed here: the file's version with
        // the larger counter.
        auto* s = static_cast<CSettingsRecord*>(r);
        const uint32_t mine_counter = s->lastRecordId;
        const uint32_t mine_modified = s->flags & kFlagModified;
        s->Assign(*d);
        s->lastRecordId = std::max(mine_counter, s->lastRecordId);
        s->flags |= mine_modified;
        ++counts.fromHere;
      } else if (disk_links != nullptr) {
        // Member by member against the version loaded here: the file's
        // members less those removed here, then those added here.
        auto* mine = static_cast<CTopicLinksRecord*>(r);
        static const std::vector<uint32_t> kNoMembers;
        auto b = base_members_.find(p);
        const std::vector<uint32_t>& base_list = b == base_members_.end() ? kNoMembers : b->second;
        const std::unordered_set<uint32_t> base_set(base_list.begin(), base_list.end());
        const std::unordered_set<uint32_t> mine_set(mine->memberIds.begin(), mine->memberIds.end());
        std::vector<uint32_t> result;
        result.reserve(disk_links->memberIds.size() + mine->memberIds.size());
        for (uint32_t m : disk_links->memberIds)
          if (!base_set.count(m) || mine_set.count(m)) result.push_back(m);
        std::unordered_set<uint32_t> in_result(result.begin(), result.end());
        for (uint32_t m : mine->memberIds) {
          if (base_set.count(m)) continue;
          const uint32_t id = renamed(m);
          if (in_result.insert(id).second) result.push_back(id);
        }
        mine->memberIds = std::move(result);
        mine->topicId = renamed(mine->topicId);
        ++counts.changedByBoth;
        ++counts.fromHere;
        StoreLog("Record %u (%s) was changed here and by another program: members merged",
                 mine->recordId, KindName(mine->kind));
      } else {
        ++counts.changedByBoth;
        ++counts.fromHere;
        StoreLog("Record %u (%s) was changed here and by another program: this program's version kept",
                 r->recordId, KindName(r->kind));
        follow_references(r);
      }
    } else {
      // Unchanged in the file (often only a stub of it was loaded): whatever
      // it is here stands, pointing to the fresh ids of what was added here.
      if (!fresh.empty() && (r->kind == kKindTopic || r->kind == kKindTopicLinks) && changed_here(p))
        follow_references(r);
      auto b = base_members_.find(p);
      disk_members = b == base_members_.end() ? nullptr : &b->second;
    }
    keep(std::move(slots_[p]), &as_on_disk, disk_members);
  }

  // Records the other writer no longer has: kept when changed here (this
  // process's version wins), otherwise the other writer removed them.
  for (uint32_t p = 0; p < mine_count; ++p) {
    if (!slots_[p] || !is_base(p) || matched[p]) continue;
    if (changed_here(p)) {
      follow_references(slots_[p].get());
      keep(std::move(slots_[p]), nullptr, nullptr);
      ++counts.fromHere;
    } else {
      retired_.push_back(std::move(slots_[p]));
      ++counts.removed;
    }
  }

  // Records added here, in the order they were added.
  CSettingsRecord* settings = nullptr;
  for (auto& r : merged)
    if (r->kind == kKindSettings && r->IsLive()) {
      settings = static_cast<CSettingsRecord*>(r.get());
      break;
    }
  for (uint32_t p = 0; p < mine_count; ++p) {
    if (!slots_[p] || is_base(p)) continue;
    CRecord* r = slots_[p].get();
    if (r->kind == kKindSettings && disk_has_settings && settings != nullptr) {
      // One settings record per store: the file's, with the larger counter.
      settings->lastRecordId = std::max(settings->lastRecordId, CounterOf(r));
      retired_.push_back(std::move(slots_[p]));
      continue;
    }
    r->recordId = renamed(r->recordId);
    follow_references(r);
    keep(std::move(slots_[p]), nullptr, nullptr);
    ++counts.fromHere;
  }
  if (settings != nullptr && settings->lastRecordId < counter) {
    settings->lastRecordId = counter;
    settings->flags |= kFlagModified;
  }

  // The merged records become the store.
  const uint32_t total = static_cast<uint32_t>(merged.size());
  const size_t capacity = ((total + kSlotGrowth - 1) / kSlotGrowth) * kSlotGrowth;
  merged.resize(capacity);
  slots_ = std::move(merged);
  for (uint32_t pos = 0; pos < total; ++pos) slots_[pos]->slotIndex = static_cast<int32_t>(pos);
  live_count_ = high_water_ = first_free_hint_ = total;
  id_index_.ready = false;  // positions and ids changed
  cursor_ = std::min(cursor_, high_water_);
  for (uint32_t& c : kind_cursor_) c = std::min(c, high_water_);
  base_ = std::move(merged_base);
  base_members_ = std::move(merged_members);
  has_snapshot_ = theirs.has_snapshot_;
  stamp_ = theirs.stamp_;
  theirs.retired_.clear();
  theirs.Clear();
  if (counts.fromOther > 0 || counts.removed > 0 || counts.newIds > 0) ++generation_;

  StoreLog("Merged %s with another program's changes: %u from it, %u from here, %u changed on "
           "both sides, %u new ids, %u removed by it",
           path_.c_str(), counts.fromOther, counts.fromHere, counts.changedByBoth, counts.newIds,
           counts.removed);
  for (const RecordIdChange& c : counts.renumbered)
    StoreLog("Record %u added here now has id %u: another program used its id", c.from, c.to);
  // The merged records are the store now: whoever holds the old ids follows.
  CallStoreRenumberHook(StoreRenumberEvent{this, path_, counts.renumbered});
  return counts;
}

}  // namespace quillet
