#include "store/find/FoundPlaces.h"

#include <algorithm>
#include <vector>

#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

bool Hidden(const CRecord& r) { return r.isPrivate != 0 && bShowPrivate == 0; }

bool FindableKind(uint32_t kind) {
  return kind == kKindTopic || kind == kKindNote || kind == kKindImage || kind == kKindCustom;
}

}  // namespace

CFoundPlaces::CFoundPlaces(const CRecordStore& store) {
  uint32_t max_id = 0, count = 0;
  for (uint32_t pos = 0; pos < store.highWater(); ++pos)
    if (const CRecord* r = store.RecordAt(pos)) {
      max_id = std::max(max_id, r->recordId);
      ++count;
    }
  dense_ = max_id <= 4u * count + 1024u;
  std::unordered_map<uint32_t, const CTopicLinksRecord*> links;  // first live one by id
  std::vector<const CTopicLinksRecord*> links_table;
  std::vector<const CTopicRecord*> topics;
  if (dense_) {
    first_table_.assign(static_cast<size_t>(max_id) + 1, nullptr);
    held_table_.assign(static_cast<size_t>(max_id) + 1, 0);
    links_table.assign(static_cast<size_t>(max_id) + 1, nullptr);
  } else {
    first_.reserve(store.highWater());
  }
  for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
    const CRecord* r = store.RecordAt(pos);
    if (r == nullptr) continue;
    if (dense_) {
      if (first_table_[r->recordId] == nullptr) first_table_[r->recordId] = r;
    } else {
      first_.emplace(r->recordId, r);
    }
    if (!r->IsLive()) continue;
    if (const auto* l = RecordAs<CTopicLinksRecord>(r)) {
      if (dense_) {
        if (links_table[l->recordId] == nullptr) links_table[l->recordId] = l;
      } else {
        links.emplace(l->recordId, l);
      }
    }
    if (const auto* t = RecordAs<CTopicRecord>(r)) topics.push_back(t);
  }
  // The tree lists every live topic, each with its links record's members.
  for (const CTopicRecord* t : topics) {
    const CTopicLinksRecord* l = nullptr;
    if (dense_) {
      l = t->linksId < links_table.size() ? links_table[t->linksId] : nullptr;
    } else {
      auto it = links.find(t->linksId);
      l = it == links.end() ? nullptr : it->second;
    }
    if (l == nullptr) continue;
    const bool shown = !Hidden(*t);
    for (uint32_t member : l->memberIds) {
      if (dense_) {
        if (member < held_table_.size()) held_table_[member] |= shown ? 3 : 1;
        continue;
      }
      held_.insert(member);
      if (shown) held_visibly_.insert(member);
    }
  }
}

const CRecord* CFoundPlaces::First(uint32_t id) const {
  if (dense_) return id < first_table_.size() ? first_table_[id] : nullptr;
  auto it = first_.find(id);
  return it == first_.end() ? nullptr : it->second;
}

bool CFoundPlaces::Held(uint32_t id, bool visibly) const {
  if (dense_) return id < held_table_.size() && (held_table_[id] & (visibly ? 2 : 1)) != 0;
  return visibly ? held_visibly_.count(id) != 0 : held_.count(id) != 0;
}

bool CFoundPlaces::IsShownRecordOfItsId(const CRecord* record) const {
  return record != nullptr && First(record->recordId) == record;
}

FoundPlace CFoundPlaces::PlaceOf(uint32_t recordId) const {
  if (recordId == 0) return FoundPlace::kNowhere;
  const CRecord* first = First(recordId);
  if (first == nullptr) return FoundPlace::kNowhere;
  const CRecord& r = *first;
  if (!r.IsLive() || !FindableKind(r.kind)) return FoundPlace::kNowhere;
  if (Hidden(r)) return FoundPlace::kHidden;
  if (r.kind == kKindTopic || Held(recordId, true)) return FoundPlace::kInTree;
  if (Held(recordId, false)) return FoundPlace::kHidden;
  return FoundPlace::kOutsideTree;
}

}  // namespace quillet
