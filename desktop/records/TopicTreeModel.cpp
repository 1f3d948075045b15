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

// The records the tree reads, found through the store's id index and the
// kind of each position rather than by a pass over every record: a tree of
// thousands of members would otherwise walk the store thousands of times,
// and one pass touches all hundred thousand records of a large store. The
// lookups keep the record a search would find: the first in position order
// (any record for ids, live ones for links).
struct StoreIndex {
  const CRecordStore& store;
  bool remade = false;  // FindByIdAmongMany's
  // Live links by id, made only when a topic's links are not the first
  // record with their id.
  std::unordered_map<uint32_t, CTopicLinksRecord*> liveLinks;
  bool linksMapped = false;

  explicit StoreIndex(const CRecordStore& s) : store(s) {}
  CRecord* Find(uint32_t id) {
    return id == 0 ? nullptr : store.FindByIdAmongMany(id, &remade);
  }
  CTopicLinksRecord* Links(uint32_t id) {
    CRecord* first = id == 0 ? nullptr : store.FindByIdAmongMany(id, &remade);
    if (first != nullptr && first->IsLive())
      if (auto* links = RecordAs<CTopicLinksRecord>(first)) return links;
    if (!linksMapped) {
      linksMapped = true;
      store.ForEachOfKind(kKindTopicLinks, [&](CRecord& r) {
        if (auto* links = RecordAs<CTopicLinksRecord>(&r); links != nullptr && r.IsLive())
          liveLinks.emplace(r.recordId, links);
      });
    }
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
uint64_t MixMember(uint64_t digest, const TreeRows::Member& m, std::string_view text) {
  digest = Step(digest, (uint64_t{m.recordId} << 32) | (uint64_t{static_cast<uint8_t>(m.icon)} << 24) |
                            static_cast<uint64_t>(text.size()));
  const char* p = text.data();
  size_t n = text.size();
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
  // The topics shown, with their links, first: the members' lists are
  // then sized once.
  std::vector<std::pair<CTopicRecord*, CTopicLinksRecord*>> shown;
  size_t listed = 0;
  pDB->ForEachOfKind(kKindTopic, [&](CRecord& record) {
    auto* topic = RecordAs<CTopicRecord>(&record);
    if (topic == nullptr || !record.IsLive() || !filter.Passes(*topic) || HiddenPrivate(*topic)) return;
    CTopicLinksRecord* links = index.Links(topic->linksId);
    if (links != nullptr) listed += links->memberIds.size();
    shown.emplace_back(topic, links);
  });
  // Each member is a record: a links record that lists ids over and over
  // does not size the lists beyond the store.
  listed = std::min<size_t>(listed, pDB->highWater());
  rows.topics.reserve(shown.size());
  rows.members.reserve(listed);
  rows.memberText.reserve(listed * kMemberTextLimit);
  for (auto [topic, links] : shown) {
    TreeRows::Topic& item = rows.topics.emplace_back();
    item.recordId = topic->recordId;
    item.text = topic->title.view();
    item.firstMember = static_cast<uint32_t>(rows.members.size());
    item.memberCount = 0;
    item.membersDigest = kDigestStart;
    ++r.topics;

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
      const std::string_view text = MemberItemTextView(*member);
      rows.members.push_back({member->recordId, static_cast<uint32_t>(rows.memberText.size()),
                              static_cast<uint32_t>(text.size()), icon});
      rows.memberText.append(text);
      item.membersDigest = MixMember(item.membersDigest, rows.members.back(), text);
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
      item.members.push_back({rows.members[m].recordId, rows.members[m].icon, CpText(rows.TextOf(rows.members[m]))});
  }
  FinishTreeRead(rows, r);
  return topics;
}

}  // namespace quillet
