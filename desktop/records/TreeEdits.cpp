#include "desktop/records/TreeEdits.h"

#include <algorithm>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/WindowHost.h"
#include "reports/ReportPaths.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

DeleteConfirmFn g_confirm = nullptr;

CTopicLinksRecord* LiveLinksOf(uint32_t topicId) {
  CTopicRecord* topic = FindTopic(topicId);
  return topic != nullptr ? FindLinksOfTopic(topic) : nullptr;
}

// Inserts `id` just before `before` (at the end when `before` is not listed).
void InsertBefore(CTopicLinksRecord* links, uint32_t id, uint32_t before) {
  auto& ids = links->memberIds;
  ids.insert(std::find(ids.begin(), ids.end(), before), id);
}

bool RemovePictureFile(const std::string& folder, const CImageRecord& image,
                       CPictureFiles* pictures) {
  // Forgotten first: a background write of the file ends before it goes.
  if (pictures != nullptr && IsPlainFileName(image.fileName))
    pictures->Forget(folder + OutputFileName(image.fileName));
  return RemoveOutputFile(folder, image.fileName);
}

}  // namespace

bool AppendMemberToTopic(uint32_t topicId, uint32_t memberId) {
  CTopicLinksRecord* links = LiveLinksOf(topicId);
  if (links == nullptr) return false;
  links->memberIds.push_back(memberId);
  links->flags |= kFlagModified;
  return true;
}

DropOutcome ApplyDrop(const DropSpot& dragged, const DropSpot& target) {
  DropOutcome out;
  if (target.recordId == 0 || dragged.recordId == 0 || dragged.isTopic) return out;
  if (!target.isTopic && target.recordId == dragged.recordId) {
    out.result = DropResult::kOntoItself;
    out.receivingTopic = dragged.topicId;
    return out;
  }

  CTopicLinksRecord* receiving = LiveLinksOf(target.isTopic ? target.recordId : target.topicId);
  if (receiving == nullptr) return out;
  out.receivingTopic = target.isTopic ? target.recordId : target.topicId;

  if (!target.isTopic && target.topicId == dragged.topicId) {
    receiving->RemoveMember(dragged.recordId);
    InsertBefore(receiving, dragged.recordId, target.recordId);
    receiving->flags |= kFlagModified;
    out.result = DropResult::kReordered;
  } else {
    if (CTopicLinksRecord* present = LiveLinksOf(dragged.topicId)) {
      present->RemoveMember(dragged.recordId);
      present->flags |= kFlagModified;
    }
    if (target.isTopic)
      receiving->memberIds.push_back(dragged.recordId);
    else
      InsertBefore(receiving, dragged.recordId, target.recordId);
    receiving->flags |= kFlagModified;
    out.result = DropResult::kMoved;
  }
  out.saved = SaveStoreOrTell();
  return out;
}

DeleteConfirmFn SetDeleteConfirm(DeleteConfirmFn confirm) {
  DeleteConfirmFn previous = g_confirm;
  g_confirm = confirm;
  return previous;
}

bool ConfirmDelete(bool archiveBox) {
  if (g_confirm != nullptr) return g_confirm(archiveBox);
  MessageRequest request;
  request.stringId = IDS_DELETE_ITEMS;
  request.text = UiString(IDS_DELETE_ITEMS);
  request.caption = translate("TreeEdits", "Delete Item...");
  request.flags = kMbOkCancel | kMbIconQuestion;
  return UI().ShowMessage(request) == kIdOk;
}

DeleteOutcome DeleteTreeRecord(uint32_t recordId, TreeIcon icon, const std::string& outputFolder,
                               CPictureFiles* pictures) {
  DeleteOutcome out;
  if (pDB == nullptr) return out;
  if (icon == TreeIcon::kTopic) {
    CTopicRecord* topic = FindTopic(recordId);
    if (topic == nullptr) return out;
    if (CTopicLinksRecord* links = FindLinksOfTopic(topic)) {
      for (uint32_t id : links->memberIds) {
        CRecord* member = FindRecord(id);
        // Only what a topic can hold goes with it: a damaged list naming a
        // topic or a category must not take that record along.
        TreeIcon kind = member != nullptr ? IconOf(*member) : TreeIcon::kNone;
        if (kind == TreeIcon::kNone || kind == TreeIcon::kTopic) continue;
        member->flags |= kFlagDeleted;
        if (auto* image = RecordAs<CImageRecord>(member))
          out.filesRemoved += RemovePictureFile(outputFolder, *image, pictures);
      }
      links->flags |= kFlagDeleted;
    }
    out.filesRemoved += RemoveOutputFile(outputFolder, topic->fileName);
    topic->flags |= kFlagDeleted;
  } else {
    CRecord* record = FindRecord(recordId);
    if (record == nullptr || !record->IsLive()) return out;
    if (CTopicRecord* topic = FindTopicOfMember(recordId)) {
      if (CTopicLinksRecord* links = FindLinksOfTopic(topic)) {
        links->RemoveMember(recordId);
        links->flags |= kFlagModified;
      }
    }
    record->flags |= kFlagDeleted;
    if (auto* image = RecordAs<CImageRecord>(record))
      out.filesRemoved += RemovePictureFile(outputFolder, *image, pictures);
  }
  out.deleted = true;
  out.saved = SaveStoreOrTell();
  return out;
}

}  // namespace quillet
