#include "store/PrivateRecords.h"

#include <unordered_map>
#include <vector>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {

uint8_t bShowPrivate = 0;

bool HiddenPrivate(const CRecord& record) { return HiddenPrivate(record.isPrivate, bShowPrivate != 0); }

CPrivateRule::CPrivateRule(const CRecordStore& store, bool showPrivate) : show_(showPrivate) {
  if (show_) return;
  // A topic's members are those of the first live links record of its
  // links id, as the tree reads them.
  std::unordered_map<uint32_t, const CTopicLinksRecord*> links;
  std::vector<const CTopicRecord*> topics;
  for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
    const CRecord* r = store.RecordAt(pos);
    if (r == nullptr || !r->IsLive()) continue;
    if (const auto* l = RecordAs<CTopicLinksRecord>(r)) links.emplace(l->recordId, l);
    if (const auto* t = RecordAs<CTopicRecord>(r)) topics.push_back(t);
  }
  for (const CTopicRecord* t : topics) {
    auto it = links.find(t->linksId);
    if (it == links.end()) continue;
    const bool shown = !HiddenPrivate(t->isPrivate, false);
    for (uint32_t member : it->second->memberIds) {
      held_.insert(member);
      if (shown) held_visibly_.insert(member);
    }
  }
}

bool CPrivateRule::Hidden(const CRecord& record) const {
  if (show_) return false;
  if (HiddenPrivate(record.isPrivate, false)) return true;
  switch (record.kind) {
    case kKindNote:
    case kKindImage:
    case kKindCustom:
      return held_.count(record.recordId) != 0 && held_visibly_.count(record.recordId) == 0;
    default:
      return false;
  }
}

bool CPrivateRule::ShownTopic(const CRecord& topic) const {
  return topic.kind == kKindTopic && topic.IsLive() && !Hidden(topic);
}

}  // namespace quillet
