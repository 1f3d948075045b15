#include "store/find/FoundPlaces.h"

#include <algorithm>
#include <vector>

#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

bool FindableKind(uint32_t kind) {
  return kind == kKindTopic || kind == kKindNote || kind == kKindImage || kind == kKindCustom;
}

}  // namespace

CFoundPlaces::CFoundPlaces(const CRecordStore& store) : CFoundPlaces(store.highWater()) {
  for (uint32_t pos = 0; pos < store.highWater(); ++pos) Add(store.RecordAt(pos));
  Finish();
}

CFoundPlaces::CFoundPlaces(uint32_t highWater) : dense_limit_(4u * highWater + 1024u) {
  first_table_.reserve(static_cast<size_t>(highWater) + 1);
}

void CFoundPlaces::UseMaps() {
  dense_ = false;
  for (uint32_t id = 0; id < first_table_.size(); ++id)
    if (first_table_[id] != nullptr) first_.emplace(id, first_table_[id]);
  for (uint32_t id = 0; id < links_table_.size(); ++id)
    if (links_table_[id] != nullptr) links_.emplace(id, links_table_[id]);
  first_table_ = {};
  links_table_ = {};
}

void CFoundPlaces::Add(const CRecord* r) {
  if (r == nullptr) return;
  const uint32_t id = r->recordId;
  if (dense_ && id > dense_limit_) UseMaps();
  if (dense_) {
    if (id >= first_table_.size()) first_table_.resize(std::max<size_t>(id + 1, first_table_.size() * 2), nullptr);
    if (first_table_[id] == nullptr) first_table_[id] = r;
  } else {
    first_.emplace(id, r);
  }
  if (!r->IsLive()) return;
  if (const auto* l = RecordAs<CTopicLinksRecord>(r)) {
    if (dense_) {
      if (id >= links_table_.size()) links_table_.resize(first_table_.size(), nullptr);
      if (links_table_[id] == nullptr) links_table_[id] = l;
    } else {
      links_.emplace(id, l);
    }
  }
  if (const auto* t = RecordAs<CTopicRecord>(r)) topics_.push_back(t);
}

void CFoundPlaces::Finish() {
  if (dense_) held_table_.assign(first_table_.size(), 0);
  // The tree lists every live topic, each with its links record's members.
  for (const CTopicRecord* t : topics_) {
    const CTopicLinksRecord* l = nullptr;
    if (dense_) {
      l = t->linksId < links_table_.size() ? links_table_[t->linksId] : nullptr;
    } else {
      auto it = links_.find(t->linksId);
      l = it == links_.end() ? nullptr : it->second;
    }
    if (l == nullptr) continue;
    const bool shown = !HiddenPrivate(*t);
    for (uint32_t member : l->memberIds) {
      if (dense_) {
        if (member < held_table_.size()) held_table_[member] |= shown ? 3 : 1;
        continue;
      }
      held_.insert(member);
      if (shown) held_visibly_.insert(member);
    }
  }
  links_table_ = {};
  links_ = {};
  topics_ = {};
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
  return PlaceOfRecord(First(recordId));
}

FoundPlace CFoundPlaces::PlaceOfRecord(const CRecord* record) const {
  if (record == nullptr || record->recordId == 0) return FoundPlace::kNowhere;
  const uint32_t recordId = record->recordId;
  const CRecord& r = *record;
  if (!r.IsLive() || !FindableKind(r.kind)) return FoundPlace::kNowhere;
  if (HiddenPrivate(r)) return FoundPlace::kHidden;
  if (r.kind == kKindTopic || Held(recordId, true)) return FoundPlace::kInTree;
  if (Held(recordId, false)) return FoundPlace::kHidden;
  return FoundPlace::kOutsideTree;
}

}  // namespace quillet
