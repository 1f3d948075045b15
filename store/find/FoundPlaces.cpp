#include "store/find/FoundPlaces.h"

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
  std::unordered_map<uint32_t, const CTopicLinksRecord*> links;  // first live one by id
  std::vector<const CTopicRecord*> topics;
  first_.reserve(store.highWater());
  for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
    const CRecord* r = store.RecordAt(pos);
    if (r == nullptr) continue;
    first_.emplace(r->recordId, r);
    if (!r->IsLive()) continue;
    if (const auto* l = RecordAs<CTopicLinksRecord>(r)) links.emplace(l->recordId, l);
    if (const auto* t = RecordAs<CTopicRecord>(r)) topics.push_back(t);
  }
  // The tree lists every live topic, each with its links record's members.
  for (const CTopicRecord* t : topics) {
    auto it = links.find(t->linksId);
    if (it == links.end()) continue;
    const bool shown = !Hidden(*t);
    for (uint32_t member : it->second->memberIds) {
      held_.insert(member);
      if (shown) held_visibly_.insert(member);
    }
  }
}

bool CFoundPlaces::IsShownRecordOfItsId(const CRecord* record) const {
  if (record == nullptr) return false;
  auto it = first_.find(record->recordId);
  return it != first_.end() && it->second == record;
}

FoundPlace CFoundPlaces::PlaceOf(uint32_t recordId) const {
  if (recordId == 0) return FoundPlace::kNowhere;
  auto it = first_.find(recordId);
  if (it == first_.end()) return FoundPlace::kNowhere;
  const CRecord& r = *it->second;
  if (!r.IsLive() || !FindableKind(r.kind)) return FoundPlace::kNowhere;
  if (Hidden(r)) return FoundPlace::kHidden;
  if (r.kind == kKindTopic || held_visibly_.count(recordId) != 0) return FoundPlace::kInTree;
  if (held_.count(recordId) != 0) return FoundPlace::kHidden;
  return FoundPlace::kOutsideTree;
}

}  // namespace quillet
