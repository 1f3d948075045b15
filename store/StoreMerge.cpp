// Merging another writer's version of the store file into the store in
// memory (CRecordStore::MergeFrom); the rules are in RecordStore.h.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"

namespace quillet {
namespace {

// A record's identity across the two versions: kind, id and, for the rare
// id that several records of one kind share, which of them it is.
class KeyMaker {
 public:
  uint64_t Next(uint32_t kind, uint32_t id) {
    const uint64_t kind_id = (static_cast<uint64_t>(id) << 4) | kind;
    const uint64_t occurrence = seen_[kind_id]++;
    return (occurrence << 36) | kind_id;
  }

 private:
  std::unordered_map<uint64_t, uint32_t> seen_;
};

const char* KindName(uint32_t kind) {
  static const char* const kNames[] = {"settings", "reserved", "string list", "category", "topic",
                                       "note",     "picture",  "reference",   "topic links"};
  return kind < kKindCount ? kNames[kind] : "unknown";
}

uint32_t CounterOf(const CRecord* r) {
  const auto* s = RecordAs<CSettingsRecord>(r);
  return s ? s->lastRecordId : 0;
}

}  // namespace

MergeCounts CRecordStore::MergeFrom(CRecordStore& theirs) {
  enum class Side : uint8_t { kEmpty, kSame, kChanged, kAdded };
  MergeCounts counts;
  retired_.clear();

  // What this process did since the last load or save.
  const uint32_t mine_count = high_water_;
  std::vector<Side> side(mine_count, Side::kEmpty);
  std::unordered_map<uint64_t, uint32_t> mine_by_key;
  std::unordered_set<uint32_t> ids_used;
  uint32_t counter = 0;
  {
    KeyMaker keys;
    for (uint32_t p = 0; p < mine_count; ++p) {
      const CRecord* r = slots_[p].get();
      if (r == nullptr) continue;
      ids_used.insert(r->recordId);
      if (r->kind == kKindSettings && r->IsLive()) counter = std::max(counter, CounterOf(r));
      if (p < base_.size() && base_[p].present) {
        mine_by_key[keys.Next(base_[p].kind, base_[p].id)] = p;
        side[p] = RecordDigest(*r) == base_[p].digest ? Side::kSame : Side::kChanged;
      } else {
        side[p] = Side::kAdded;
      }
    }
  }

  // The other writer's records, by the same identity.
  const uint32_t their_count = theirs.high_water_;
  std::unordered_set<uint32_t> ids_on_disk;
  bool disk_has_settings = false;
  for (uint32_t i = 0; i < their_count; ++i) {
    const CRecord* d = theirs.slots_[i].get();
    if (d == nullptr) continue;
    ids_on_disk.insert(d->recordId);
    ids_used.insert(d->recordId);
    if (d->kind == kKindSettings && d->IsLive()) {
      counter = std::max(counter, CounterOf(d));
      disk_has_settings = true;
    }
  }

  // Records added here whose id the other writer used for a record of its
  // own get fresh ids; references to them follow.
  std::unordered_map<uint32_t, uint32_t> fresh;
  for (uint32_t p = 0; p < mine_count; ++p) {
    const CRecord* r = slots_[p].get();
    if (side[p] != Side::kAdded || r->kind == kKindSettings || r->recordId == 0) continue;
    if (!ids_on_disk.count(r->recordId) || fresh.count(r->recordId)) continue;
    do ++counter;
    while (counter == 0 || ids_used.count(counter));
    ids_used.insert(counter);
    fresh[r->recordId] = counter;
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
  auto keep = [&](std::unique_ptr<CRecord> r, const BaseEntry* as_on_disk) {
    const uint32_t pos = static_cast<uint32_t>(merged.size());
    merged_base.push_back(as_on_disk ? *as_on_disk : BaseEntry{});
    merged.push_back(std::move(r));
    return pos;
  };

  // The file's records in the file's order, each with this process's
  // changes applied.
  std::vector<bool> matched(mine_count, false);
  {
    KeyMaker keys;
    for (uint32_t i = 0; i < their_count; ++i) {
      CRecord* d = theirs.slots_[i].get();
      if (d == nullptr) continue;
      const uint64_t key = keys.Next(d->kind, d->recordId);
      const BaseEntry as_on_disk = i < theirs.base_.size() ? theirs.base_[i] : BaseEntry{};
      std::vector<uint32_t> disk_members;
      if (const auto* l = RecordAs<CTopicLinksRecord>(d)) disk_members = l->memberIds;

      auto found = mine_by_key.find(key);
      if (found == mine_by_key.end()) {
        // Added by the other writer (or never known here).
        const uint32_t pos = keep(std::move(theirs.slots_[i]), &as_on_disk);
        if (d->kind == kKindTopicLinks) merged_members[pos] = std::move(disk_members);
        ++counts.fromOther;
        continue;
      }
      const uint32_t p = found->second;
      matched[p] = true;
      CRecord* r = slots_[p].get();
      const bool disk_changed = as_on_disk.digest != base_[p].digest;
      if (side[p] == Side::kSame) {
        if (disk_changed) {
          r->Assign(*d);
          ++counts.fromOther;
        }
      } else if (r->kind == kKindSettings) {
        // Only the counter is ever changed here: the file's version with
        // the larger counter.
        if (disk_changed) {
          auto* s = static_cast<CSettingsRecord*>(r);
          const uint32_t mine_counter = s->lastRecordId;
          const uint32_t mine_modified = s->flags & kFlagModified;
          s->Assign(*d);
          s->lastRecordId = std::max(mine_counter, s->lastRecordId);
          s->flags |= mine_modified;
        }
        ++counts.fromHere;
      } else if (r->kind == kKindTopicLinks && disk_changed) {
        // Member by member against the version loaded here.
        auto* mine = static_cast<CTopicLinksRecord*>(r);
        const auto* disk = static_cast<const CTopicLinksRecord*>(d);
        static const std::vector<uint32_t> kNone;
        auto b = base_members_.find(p);
        const std::vector<uint32_t>& base_list = b == base_members_.end() ? kNone : b->second;
        const std::unordered_set<uint32_t> base_set(base_list.begin(), base_list.end());
        const std::unordered_set<uint32_t> mine_set(mine->memberIds.begin(), mine->memberIds.end());
        std::vector<uint32_t> result;
        result.reserve(disk->memberIds.size() + mine->memberIds.size());
        for (uint32_t m : disk->memberIds)
          if (!base_set.count(m) || mine_set.count(m)) result.push_back(m);  // not removed here
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
        if (disk_changed) {
          ++counts.changedByBoth;
          StoreLog("Record %u (%s) was changed here and by another program: this program's version kept",
                   r->recordId, KindName(r->kind));
        }
        follow_references(r);
        ++counts.fromHere;
      }
      const uint32_t pos = keep(std::move(slots_[p]), &as_on_disk);
      if (r->kind == kKindTopicLinks) merged_members[pos] = std::move(disk_members);
    }
  }

  // Records the other writer no longer has: kept when changed here (this
  // process's version wins), otherwise the other writer removed them.
  for (uint32_t p = 0; p < mine_count; ++p) {
    if ((side[p] != Side::kSame && side[p] != Side::kChanged) || matched[p]) continue;
    if (side[p] == Side::kChanged) {
      follow_references(slots_[p].get());
      keep(std::move(slots_[p]), nullptr);
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
    if (side[p] != Side::kAdded) continue;
    CRecord* r = slots_[p].get();
    if (r->kind == kKindSettings && disk_has_settings && settings != nullptr) {
      // One settings record per store: the file's, with the larger counter.
      settings->lastRecordId = std::max(settings->lastRecordId, CounterOf(r));
      retired_.push_back(std::move(slots_[p]));
      continue;
    }
    r->recordId = renamed(r->recordId);
    follow_references(r);
    keep(std::move(slots_[p]), nullptr);
    ++counts.fromHere;
  }
  if (settings != nullptr && settings->lastRecordId < counter) {
    settings->lastRecordId = counter;
    settings->flags |= kFlagModified;
  }

  // The merged records become the store.
  const uint32_t total = static_cast<uint32_t>(merged.size());
  const size_t capacity = total == 0 ? 0 : ((total + kSlotGrowth - 1) / kSlotGrowth) * kSlotGrowth;
  merged.resize(std::max(capacity, static_cast<size_t>(total)));
  slots_ = std::move(merged);
  for (uint32_t pos = 0; pos < total; ++pos) slots_[pos]->slotIndex = static_cast<int32_t>(pos);
  live_count_ = high_water_ = first_free_hint_ = total;
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
  return counts;
}

}  // namespace quillet
