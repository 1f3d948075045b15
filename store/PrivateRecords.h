// Private records and the one rule every list follows for them.
//
// bShowPrivate: 1 while private records are shown, 0 while they are hidden.
// One byte for the whole process. The current database sets and clears it;
// a user with a password starts every session with it 0.
//
// While private records are hidden, whatever the program lists or writes
// out (the topic tree, find, My Pictures, category lists, reports, mail,
// exports) leaves out:
//   - every record whose isPrivate is 1 (HiddenPrivate);
//   - every note, picture, sketch and reference that only hidden topics
//     hold: a private topic hides its members with it (CPrivateRule).
// A member that no topic holds is hidden only by its own flag.
#pragma once

#include <cstdint>
#include <unordered_set>

namespace quillet {

class CRecord;
class CRecordStore;

extern uint8_t bShowPrivate;

// True when the record is private and private records are hidden.
bool HiddenPrivate(const CRecord& record);
// The same for a given state of the flag.
inline bool HiddenPrivate(uint32_t isPrivate, bool showPrivate) { return isPrivate != 0 && !showPrivate; }

// The whole rule for one read of a store: built once per list (one walk
// over the topics and their links), then asked per record. Records looked
// at must belong to the store it was built from, which must not change in
// between. With private records shown nothing is hidden and nothing is read.
class CPrivateRule {
 public:
  explicit CPrivateRule(const CRecordStore& store) : CPrivateRule(store, bShowPrivate != 0) {}
  CPrivateRule(const CRecordStore& store, bool showPrivate);

  // True when no list may show the record (see above).
  bool Hidden(const CRecord& record) const;
  // A topic that lists may show (live and not hidden).
  bool ShownTopic(const CRecord& topic) const;
  bool showPrivate() const { return show_; }

 private:
  bool show_;
  // Members of hidden topics that no shown topic holds as well: usually few
  // (a store has few private topics), so a list of 100,000 records does
  // not build a set of all its members to ask this.
  std::unordered_set<uint32_t> held_only_hidden_;
};

}  // namespace quillet
