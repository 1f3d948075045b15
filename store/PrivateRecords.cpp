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
  store.ForEachOfKind(kKindTopicLinks, [&](const CRecord& r) {
    if (const auto* l = RecordAs<CTopicLinksRecord>(&r); l && r.IsLive()) links.emplace(l->recordId, l);
  });
  store.ForEachOfKind(kKindTopic, [&](const CRecord& r) {
    if (const auto* t = RecordAs<CTopicRecord>(&r); t && r.IsLive()) topics.push_back(t);
  });
  // Members of the hidden topics first, then those a shown topic holds
  // too taken out again.
  std::vector<const CTopicLinksRecord*> shown;
  shown.reserve(topics.size());
  for (const CTopicRecord* t : topics) {
    auto it = links.find(t->linksId);
    if (it == links.end()) continue;
    if (HiddenPrivate(t->isPrivate, false)) {
      held_only_hidden_.insert(it->second->memberIds.begin(), it->second->memberIds.end());
    } else {
      shown.push_back(it->second);
    }
  }
  if (held_only_hidden_.empty()) return;
  for (const CTopicLinksRecord* l : shown)
    for (uint32_t member : l->memberIds) held_only_hidden_.erase(member);
}

bool CPrivateRule::Hidden(const CRecord& record) const {
  if (show_) return false;
  if (HiddenPrivate(record.isPrivate, false)) return true;
  switch (record.kind) {
    case kKindNote:
    case kKindImage:
    case kKindCustom:
      return held_only_hidden_.count(record.recordId) != 0;
    default:
      return false;
  }
}

bool CPrivateRule::ShownTopic(const CRecord& topic) const {
  return topic.kind == kKindTopic && topic.IsLive() && !Hidden(topic);
}

}  // namespace quillet
