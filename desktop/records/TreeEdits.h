// The changes the topic tree makes to the store: members appended to a
// topic, members moved by drag and drop, and records deleted with their
// files. Each saves the store (telling the person when that fails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/records/TopicTreeModel.h"

namespace quillet {

class CPictureFiles;

// Appends `memberId` to the topic's members (the links record marked
// modified). False when the topic or its links record is gone. Not saved
// here: the record window that adds the member saves both at once, and
// says so once when that fails.
bool AppendMemberToTopic(uint32_t topicId, uint32_t memberId);

// A tree item as a drop sees it: its record, and the topic it is in (its
// own id for a topic item).
struct DropSpot {
  uint32_t recordId = 0;
  uint32_t topicId = 0;
  bool isTopic = false;
};

enum class DropResult : uint8_t {
  kNothing,     // no target, or the receiving topic has no links record
  kOntoItself,  // dropped where it was picked up
  kReordered,   // moved within its topic, just before the target
  kMoved,       // moved to another place: the end of a topic, or before a member
};

struct DropOutcome {
  DropResult result = DropResult::kNothing;
  uint32_t receivingTopic = 0;
  bool saved = true;
};

// Moves the dragged member (`dragged` is never a topic) onto `target`.
// Dropping on a topic item appends to that topic, its own included; on a
// member places it just before that member. Nothing is taken out of a
// topic before the receiving topic is known to exist.
DropOutcome ApplyDrop(const DropSpot& dragged, const DropSpot& target);

// The "Delete Item..." question, string 119 (with the archive box of
// string 120 when `archiveBox`); true for OK. The window layer installs
// the real dialog; without it a message box asks.
using DeleteConfirmFn = bool (*)(bool archiveBox);
DeleteConfirmFn SetDeleteConfirm(DeleteConfirmFn confirm);
bool ConfirmDelete(bool archiveBox);

struct DeleteOutcome {
  bool deleted = false;
  size_t filesRemoved = 0;
  bool saved = true;
};

// Deletes the record of a tree item shown with `icon`. A topic takes its
// members, their pictures' files, its links record and its page with it;
// a member leaves its topic's list, and a picture or sketch takes its
// file. Files are removed only inside `outputFolder`. `pictures` (may be
// null) forgets the removed files. Saves the store.
DeleteOutcome DeleteTreeRecord(uint32_t recordId, TreeIcon icon, const std::string& outputFolder,
                               CPictureFiles* pictures);

}  // namespace quillet
