// Duplicating a topic: a new topic "Copy of <title>" in the same category
// with a copy of every note, picture, sketch and reference of the source,
// each a new desktop-created record, so the next HotSync sends the whole
// copy to the handheld.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillet {

class CPictureFiles;

struct TopicCopyOutcome {
  bool copied = false;     // false: `topicId` names no live topic
  uint32_t topicId = 0;    // the copy
  uint32_t linksId = 0;
  size_t members = 0;      // member copies made
  size_t skippedIds = 0;   // member ids without a live record, left out
  size_t picturesWritten = 0;
  bool saved = false;
};

// Copies the topic `topicId`. Ids are drawn in the order topic, links
// record, then one per member in the source's order. Pictures of the
// copies are written into the user's output folder through `pictures`
// (null: a writer of its own). The tree shows the copy as it is made; the
// store is saved, the copy selected and the main window shown its report.
// The source is left as it was, but for its modified flag.
TopicCopyOutcome DuplicateTopic(uint32_t topicId, CPictureFiles* pictures = nullptr);

}  // namespace quillet
