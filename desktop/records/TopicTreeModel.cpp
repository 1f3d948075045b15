#include "desktop/records/TopicTreeModel.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/WindowHost.h"
#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"

namespace quillet {

TreeIcon IconOf(const CRecord& record) {
  switch (record.kind) {
    case kKindTopic: return TreeIcon::kTopic;
    case kKindNote: return TreeIcon::kNote;
    case kKindImage:
      return static_cast<const CImageRecord&>(record).format == kImageFormatSketch ? TreeIcon::kSketch
                                                                                 : TreeIcon::kImage;
    case kKindCustom: return TreeIcon::kReference;
    default: return TreeIcon::kNone;
  }
}

bool TopicFilter::Passes(const CTopicRecord& topic) const {
  switch (mode) {
    case 1: return topic.categoryId == categoryId;
    case 2: return topic.categoryId == 0;
    default: return true;
  }
}

TopicFilter FilterForCategory(int64_t category) {
  if (category < 0) return {0, 0};
  if (category == 0) return {2, 0};
  return {1, static_cast<uint32_t>(category)};
}

TreeMemberItem MemberItem(const CRecord& record, TextCut cut) {
  return {record.recordId, IconOf(record), MemberItemText(record, cut)};
}

void SortTopicItems(std::vector<TreeTopicItem>* topics) {
  std::sort(topics->begin(), topics->end(), TopicItemLess);
}

namespace {

// One pass over the store instead of a search per member: a tree of
// thousands of members would otherwise walk the store thousands of times.
// The maps keep the record a search would find: the first in position
// order (any record for ids, live ones for links).
//
// Record ids are issued one after the other, so they are dense: a table
// indexed by id is one allocation where a hash map makes one per record.
// A store whose ids are spread far wider than its records uses the maps.
struct StoreIndex {
  std::vector<CRecord*> table;  // by id, when dense
  std::vector<CTopicLinksRecord*> linksTable;
  std::unordered_map<uint32_t, CRecord*> byId;
  std::unordered_map<uint32_t, CTopicLinksRecord*> liveLinks;
  std::vector<CTopicRecord*> liveTopics;
  bool dense = false;

  explicit StoreIndex(const CRecordStore& store) {
    uint32_t maxId = 0, count = 0;
    for (uint32_t pos = 0; pos < store.highWater(); ++pos)
      if (const CRecord* r = store.RecordAt(pos)) {
        maxId = std::max(maxId, r->recordId);
        ++count;
      }
    dense = maxId <= 4u * count + 1024u;
    if (dense) {
      table.assign(static_cast<size_t>(maxId) + 1, nullptr);
      linksTable.assign(static_cast<size_t>(maxId) + 1, nullptr);
    } else {
      byId.reserve(count);
    }
    for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
      CRecord* r = store.RecordAt(pos);
      if (r == nullptr) continue;
      if (dense) {
        if (table[r->recordId] == nullptr) table[r->recordId] = r;
      } else {
        byId.emplace(r->recordId, r);
      }
      if (!r->IsLive()) continue;
      if (auto* links = RecordAs<CTopicLinksRecord>(r)) {
        if (dense) {
          if (linksTable[links->recordId] == nullptr) linksTable[links->recordId] = links;
        } else {
          liveLinks.emplace(links->recordId, links);
        }
      }
      if (auto* topic = RecordAs<CTopicRecord>(r)) liveTopics.push_back(topic);
    }
  }
  CRecord* Find(uint32_t id) const {
    if (id == 0) return nullptr;
    if (dense) return id < table.size() ? table[id] : nullptr;
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
  }
  CTopicLinksRecord* Links(uint32_t id) const {
    if (dense) return id < linksTable.size() ? linksTable[id] : nullptr;
    auto it = liveLinks.find(id);
    return it == liveLinks.end() ? nullptr : it->second;
  }
};

// A digest of the members' ids, pictures and texts, eight bytes at a time
// (each text after its length, so that no two lists run together alike);
// every step multiplies and folds the high bits down, as 64-bit hashes of
// the MurmurHash kind do.
constexpr uint64_t kDigestStart = 0x9e3779b97f4a7c15ull;
inline uint64_t Step(uint64_t digest, uint64_t word) {
  digest = (digest ^ word) * 0xff51afd7ed558ccdull;
  return digest ^ (digest >> 32);
}
uint64_t MixMember(uint64_t digest, const TreeRows::Member& m) {
  digest = Step(digest, (uint64_t{m.recordId} << 32) | (uint64_t{static_cast<uint8_t>(m.icon)} << 24) |
                            static_cast<uint64_t>(m.text.size()));
  const char* p = m.text.data();
  size_t n = m.text.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    digest = Step(digest, word);
  }
  if (n > 0) {
    uint64_t word = 0;
    std::memcpy(&word, p, n);
    digest = Step(digest, word);
  }
  return digest;
}

}  // namespace

TreeRows ReadTopicTree(const TopicFilter& filter, const std::string& outputFolder,
                       CPictureFiles* pictures, TreeFillReport* report) {
  TreeFillReport local;
  TreeFillReport& r = report != nullptr ? *report : local;
  r = TreeFillReport{};
  TreeRows rows;
  if (pDB == nullptr) return rows;

  StoreIndex index(*pDB);
  rows.topics.reserve(index.liveTopics.size());
  for (CTopicRecord* topic : index.liveTopics) {
    if (!filter.Passes(*topic) || HiddenPrivate(*topic)) continue;
    TreeRows::Topic& item = rows.topics.emplace_back();
    item.recordId = topic->recordId;
    item.text = topic->title.view();
    item.firstMember = static_cast<uint32_t>(rows.members.size());
    item.memberCount = 0;
    item.membersDigest = kDigestStart;
    ++r.topics;

    CTopicLinksRecord* links = index.Links(topic->linksId);
    if (links == nullptr) continue;
    for (size_t i = 0; i < links->memberIds.size();) {
      CRecord* member = index.Find(links->memberIds[i]);
      if (member == nullptr) {
        links->memberIds.erase(links->memberIds.begin() + static_cast<std::ptrdiff_t>(i));
        links->flags |= kFlagModified;
        ++r.droppedIds;
        rows.repaired = true;
        continue;
      }
      ++i;
      // A member flagged deleted or archived (by the handheld) is gone for
      // the person, though its id stays listed until the conduit says more.
      if (!member->IsLive() || HiddenPrivate(*member)) continue;
      const TreeIcon icon = IconOf(*member);
      if (icon == TreeIcon::kNone || icon == TreeIcon::kTopic) continue;

      if (auto* image = RecordAs<CImageRecord>(member)) {
        if (!IsPlainFileName(image->fileName)) {
          image->fileName = outputFolder.empty() ? GenerateImageFileName()
                                                 : FreshFileName(outputFolder, ".jpg");
          image->flags |= kFlagModified;
          ++r.namedPictures;
          rows.repaired = true;
        }
        if (pictures != nullptr && !outputFolder.empty()) {
          switch (pictures->Request(outputFolder + OutputFileName(image->fileName), *image)) {
            case CPictureFiles::Outcome::kWritten: ++r.picturesWritten; break;
            case CPictureFiles::Outcome::kKept: ++r.picturesKept; break;
            case CPictureFiles::Outcome::kQueued: ++r.picturesQueued; break;
            case CPictureFiles::Outcome::kNotJpeg: break;
          }
        }
      }
      rows.members.push_back({member->recordId, icon, MemberItemTextView(*member)});
      item.membersDigest = MixMember(item.membersDigest, rows.members.back());
      ++item.memberCount;
      ++r.members;
    }
  }
  // By their keys, made once each, then the topics put in that order.
  std::vector<std::pair<TopicOrderKey, uint32_t>> order;
  order.reserve(rows.topics.size());
  for (uint32_t i = 0; i < rows.topics.size(); ++i)
    order.emplace_back(TopicKey(rows.topics[i].text, rows.topics[i].recordId), i);
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TreeRows::Topic> sorted;
  sorted.reserve(rows.topics.size());
  for (const auto& o : order) sorted.push_back(rows.topics[o.second]);
  rows.topics.swap(sorted);
  return rows;
}

void FinishTreeRead(const TreeRows& rows, TreeFillReport* report) {
  if (!rows.repaired) return;
  const bool saved = SaveStoreOrTell();
  if (report != nullptr) report->saved = saved;
}

std::vector<TreeTopicItem> CollectTopicTree(const TopicFilter& filter,
                                            const std::string& outputFolder,
                                            CPictureFiles* pictures, TreeFillReport* report) {
  TreeFillReport local;
  TreeFillReport* r = report != nullptr ? report : &local;
  const TreeRows rows = ReadTopicTree(filter, outputFolder, pictures, r);
  std::vector<TreeTopicItem> topics;
  topics.reserve(rows.topics.size());
  for (const TreeRows::Topic& t : rows.topics) {
    TreeTopicItem& item = topics.emplace_back();
    item.recordId = t.recordId;
    item.text = CpText(t.text);
    item.members.reserve(t.memberCount);
    for (uint32_t m = t.firstMember; m < t.firstMember + t.memberCount; ++m)
      item.members.push_back({rows.members[m].recordId, rows.members[m].icon, CpText(rows.members[m].text)});
  }
  FinishTreeRead(rows, r);
  return topics;
}

}  // namespace quillet
