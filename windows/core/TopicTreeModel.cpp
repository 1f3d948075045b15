#include "windows/core/TopicTreeModel.h"

#include <algorithm>
#include <unordered_map>

#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/db/CurrentDatabase.h"
#include "windows/core/PictureFiles.h"
#include "windows/core/WindowHost.h"

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

bool Hidden(const CRecord& record) { return record.isPrivate != 0 && bShowPrivate == 0; }

}  // namespace

std::vector<TreeTopicItem> CollectTopicTree(const TopicFilter& filter,
                                            const std::string& outputFolder,
                                            CPictureFiles* pictures, TreeFillReport* report) {
  TreeFillReport local;
  TreeFillReport& r = report != nullptr ? *report : local;
  r = TreeFillReport{};
  std::vector<TreeTopicItem> topics;
  if (pDB == nullptr) return topics;

  StoreIndex index(*pDB);
  bool changed = false;
  topics.reserve(index.liveTopics.size());
  for (CTopicRecord* topic : index.liveTopics) {
    if (!filter.Passes(*topic) || Hidden(*topic)) continue;
    TreeTopicItem& item = topics.emplace_back();
    item.recordId = topic->recordId;
    item.text = topic->title;
    ++r.topics;

    CTopicLinksRecord* links = index.Links(topic->linksId);
    if (links == nullptr) continue;
    item.members.reserve(links->memberIds.size());
    for (size_t i = 0; i < links->memberIds.size();) {
      CRecord* member = index.Find(links->memberIds[i]);
      if (member == nullptr) {
        links->memberIds.erase(links->memberIds.begin() + static_cast<std::ptrdiff_t>(i));
        links->flags |= kFlagModified;
        ++r.droppedIds;
        changed = true;
        continue;
      }
      ++i;
      // A member flagged deleted or archived (by the handheld) is gone for
      // the person, though its id stays listed until the conduit says more.
      if (!member->IsLive() || Hidden(*member)) continue;
      TreeMemberItem entry = MemberItem(*member, TextCut::kPlain);
      if (entry.icon == TreeIcon::kNone || entry.icon == TreeIcon::kTopic) continue;

      if (auto* image = RecordAs<CImageRecord>(member)) {
        if (!IsPlainFileName(image->fileName)) {
          image->fileName = outputFolder.empty() ? GenerateImageFileName()
                                                 : FreshFileName(outputFolder, ".jpg");
          image->flags |= kFlagModified;
          ++r.namedPictures;
          changed = true;
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
      item.members.push_back(std::move(entry));
      ++r.members;
    }
  }
  if (changed) r.saved = SaveStoreOrTell();
  SortTopicItems(&topics);
  return topics;
}

}  // namespace quillet
