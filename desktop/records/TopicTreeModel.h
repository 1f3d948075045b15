// What the topic tree shows, read from the current store: the topics that
// pass the category filter, each with its members in the order of its
// links record, sorted for display.
//
// Reading the tree also looks after the store: a member id whose record is
// gone is dropped from its links record, a picture without a usable file
// name gets one, and every shown JPEG picture is written to its file in
// the output folder (reports and the image list use those files), at once
// or, when the picture files write in the background, later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/records/TreeText.h"

namespace quillet {

class CPictureFiles;
class CRecord;
class CTopicRecord;

// The item pictures, by the record they show.
enum class TreeIcon : uint8_t { kNone, kTopic, kNote, kSketch, kImage, kReference };
// kNone for records the tree does not show as members.
TreeIcon IconOf(const CRecord& record);

// Which topics the tree shows: all (mode 0), one category's (mode 1) or
// those without a category (mode 2).
struct TopicFilter {
  int mode = 0;
  uint32_t categoryId = 0;
  bool Passes(const CTopicRecord& topic) const;
  bool operator==(const TopicFilter&) const = default;
};
// The filter for a category list entry: -1 all, 0 Unfiled, else its id.
TopicFilter FilterForCategory(int64_t category);

struct TreeMemberItem {
  uint32_t recordId = 0;
  TreeIcon icon = TreeIcon::kNone;
  CpText text;
};

struct TreeTopicItem {
  uint32_t recordId = 0;
  CpText text;  // the whole title: topics are not cut
  std::vector<TreeMemberItem> members;
};

struct TreeFillReport {
  size_t topics = 0;
  size_t members = 0;
  size_t droppedIds = 0;     // member ids without a record, taken out
  size_t namedPictures = 0;  // pictures that were given a file name
  size_t picturesWritten = 0;
  size_t picturesKept = 0;   // files already written from the same bytes
  size_t picturesQueued = 0;  // left to the background writer
  bool saved = true;         // false when a repair could not be saved
};

// The item of one member, its text cut as asked.
TreeMemberItem MemberItem(const CRecord& record, TextCut cut);

// The tree as one read of the store gives it: the topics sorted, each
// naming its members' run in `members` (in the order of its links record).
// The members' texts (cut plainly) are copied into one buffer as they are
// read, where a fill can take them over whole; the topics' titles are views
// of the records' own bytes, good while the store is not changed. A read
// that repaired the store (`repaired`) has not saved it yet, so that
// nothing moves under the views: FinishTreeRead saves it once they are
// used.
struct TreeRows {
  struct Member {
    uint32_t recordId;
    uint32_t textAt;  // in memberText
    uint32_t textSize;
    TreeIcon icon;
  };
  struct Topic {
    uint32_t recordId;
    std::string_view text;  // the whole title
    uint32_t firstMember;
    uint32_t memberCount;
    // A digest of the members' ids, pictures and texts in order: a fill can
    // tell a topic whose members are as they were without looking at them.
    uint64_t membersDigest;
  };
  std::vector<Topic> topics;
  std::vector<Member> members;
  std::string memberText;  // the members' texts one after the other
  bool repaired = false;
  std::string_view TextOf(const Member& m) const { return {memberText.data() + m.textAt, m.textSize}; }
};

// Reads the tree from the current store. Pictures are written into
// `outputFolder` (ends in '/'; "" writes none) through `pictures` (null:
// none are written).
TreeRows ReadTopicTree(const TopicFilter& filter, const std::string& outputFolder,
                       CPictureFiles* pictures, TreeFillReport* report);
// Saves what the read repaired (report->saved false when that failed).
void FinishTreeRead(const TreeRows& rows, TreeFillReport* report);

// The same read with the texts copied: the topics come sorted.
std::vector<TreeTopicItem> CollectTopicTree(const TopicFilter& filter,
                                            const std::string& outputFolder,
                                            CPictureFiles* pictures, TreeFillReport* report);

inline bool TopicItemLess(const TreeTopicItem& a, const TreeTopicItem& b) {
  return CompareTopics(a.text.view(), a.recordId, b.text.view(), b.recordId) < 0;
}
void SortTopicItems(std::vector<TreeTopicItem>* topics);

}  // namespace quillet
