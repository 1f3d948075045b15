// Where the windows can show a record the find engine may find: in the
// topic tree, only in its own window (a member of no topic), or nowhere
// while private records are hidden.
//
// The topic tree shows every live topic that is not hidden, and under it
// the live members of its links record that are not hidden. So a note,
// picture, sketch or reference that only hidden topics hold is hidden with
// them, and one that no topic holds can be opened in its window but never
// selected in the tree. Whatever the windows open by id is the first record
// of that id in store order (FindById); find, which lists each id once,
// judges every record by its own place instead (PlaceOfRecord), so that a
// record written twice by the conduit, or sharing its id through damage,
// is still found.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillet {

class CRecord;
class CRecordStore;
class CTopicLinksRecord;
class CTopicRecord;

enum class FoundPlace : uint8_t {
  kNowhere,      // no live topic, note, picture, sketch or reference of that id
  kHidden,       // private, or held only by private topics, while those are hidden
  kInTree,       // a topic, or a member of a topic the tree shows
  kOutsideTree,  // a member of no topic: its window opens it directly
};

class CFoundPlaces {
 public:
  // Reads the store once; follows bShowPrivate as it is now.
  explicit CFoundPlaces(const CRecordStore& store);
  // The same, read along a walk of the caller's own over a store of
  // `highWater` positions: Add every record in position order, then Finish
  // before the first question.
  explicit CFoundPlaces(uint32_t highWater);
  void Add(const CRecord* record);
  void Finish();

  FoundPlace PlaceOf(uint32_t recordId) const;
  // True for the record the windows show for its id (the first one).
  bool IsShownRecordOfItsId(const CRecord* record) const;
  // Shown somewhere: in the tree or in its own window.
  bool Openable(uint32_t recordId) const {
    const FoundPlace p = PlaceOf(recordId);
    return p == FoundPlace::kInTree || p == FoundPlace::kOutsideTree;
  }
  // The place of this very record, judged by its own state and flags (not
  // by the first record of its id): what find uses, so that a record is
  // not lost because an earlier record shares its id.
  FoundPlace PlaceOfRecord(const CRecord* record) const;
  bool RecordOpenable(const CRecord* record) const {
    const FoundPlace p = PlaceOfRecord(record);
    return p == FoundPlace::kInTree || p == FoundPlace::kOutsideTree;
  }

 private:
  const CRecord* First(uint32_t id) const;
  bool Held(uint32_t id, bool visibly) const;

  void UseMaps();

  // Record ids are issued one after the other: while they are dense (none
  // far above the number of positions), tables indexed by id stand in for
  // the maps (no hashing).
  bool dense_ = true;
  uint32_t dense_limit_ = 0;
  std::vector<const CRecord*> first_table_;
  std::vector<uint8_t> held_table_;  // 1: held by a live topic, 2: by one the tree shows
  std::unordered_map<uint32_t, const CRecord*> first_;  // by id, first in store order
  std::unordered_set<uint32_t> held_;          // member ids of any live topic
  std::unordered_set<uint32_t> held_visibly_;  // member ids of a topic the tree shows
  // While the walk lasts: the first live links record of each id, the live
  // topics.
  std::vector<const CTopicLinksRecord*> links_table_;
  std::unordered_map<uint32_t, const CTopicLinksRecord*> links_;
  std::vector<const CTopicRecord*> topics_;
};

}  // namespace quillet
