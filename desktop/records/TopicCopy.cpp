#include "desktop/records/TopicCopy.h"

#include <memory>
#include <vector>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

// A fresh copy of a member with its own id; null for kinds a topic does
// not hold.
std::unique_ptr<CRecord> CopyMember(const CRecord& source) {
  std::unique_ptr<CRecord> copy;
  switch (source.kind) {
    case kKindNote:
    case kKindImage: {
      copy = CreateRecord(source.kind);
      copy->Assign(source);
      break;
    }
    case kKindCustom:
      copy = std::make_unique<CCustomRecord>(*RecordAs<CCustomRecord>(&source));
      break;
    default: return nullptr;
  }
  copy->recordId = NextRecordId();
  copy->isPrivate = source.isPrivate != 0 ? 1 : 0;
  return copy;
}

}  // namespace

TopicCopyOutcome DuplicateTopic(uint32_t topicId, CPictureFiles* pictures) {
  TopicCopyOutcome out;
  CTopicRecord* source = pDB != nullptr ? FindTopic(topicId) : nullptr;
  if (source == nullptr) return out;
  LogLine("Begin Copy Routine");

  auto topic = std::make_unique<CTopicRecord>();
  topic->recordId = NextRecordId();
  auto links = std::make_unique<CTopicLinksRecord>();
  links->recordId = NextRecordId();
  topic->linksId = links->recordId;
  topic->title = LoadString(IDS_COPY_OF) + source->title;
  topic->categoryId = source->categoryId;
  // A private topic's copy carries its title and members: it stays private.
  topic->isPrivate = source->isPrivate != 0 ? 1 : 0;
  out.topicId = topic->recordId;
  out.linksId = links->recordId;
  // The source's members, read before anything is added: adding may move
  // records in the store.
  std::vector<uint32_t> memberIds;
  if (const CTopicLinksRecord* sourceLinks = FindLinks(source->linksId)) memberIds = sourceLinks->memberIds;
  source->flags |= kFlagModified;

  if (pDB->AddNew(std::move(topic)) != DB_OK || pDB->AddNew(std::move(links)) != DB_OK) {
    LogLine("End Copy Routine");
    return out;
  }
  out.copied = true;
  CTopicRecord* copyTopic = FindTopic(out.topicId);
  CTopicLinksRecord* copyLinks = FindLinks(out.linksId);
  ITopicTreeOps* tree = WindowHost().Tree();
  if (tree != nullptr && copyTopic != nullptr) tree->AppendTopicItem(*copyTopic);

  const std::string output = CurrentOutputFolder();
  CPictureFiles ownPictures;
  if (pictures == nullptr) pictures = &ownPictures;

  for (uint32_t id : memberIds) {
    const CRecord* member = FindRecord(id);
    // An id whose record is gone (or deleted) is left out of the copy, as
    // the tree leaves it out of the source; the rest is still copied.
    if (member == nullptr || !member->IsLive()) {
      ++out.skippedIds;
      continue;
    }
    std::unique_ptr<CRecord> copy = CopyMember(*member);
    if (!copy) continue;
    auto* image = RecordAs<CImageRecord>(copy.get());
    if (image != nullptr)
      image->fileName = output.empty() ? GenerateImageFileName() : FreshFileName(output, ".jpg");
    const uint32_t copyId = copy->recordId;
    if (pDB->AddNew(std::move(copy)) != DB_OK) continue;
    CRecord* added = FindRecord(copyId);
    if (image != nullptr && !output.empty()) {
      const auto* addedImage = RecordAs<CImageRecord>(added);
      if (pictures->Write(output + OutputFileName(addedImage->fileName), *addedImage) ==
          CPictureFiles::Outcome::kWritten)
        ++out.picturesWritten;
      WindowHost().RefreshImageLists();
    }
    copyLinks = FindLinks(out.linksId);
    if (copyLinks != nullptr) copyLinks->memberIds.push_back(copyId);
    ++out.members;
    if (tree != nullptr && !HiddenPrivate(*added)) tree->AppendMemberItem(out.topicId, *added);
  }

  out.saved = SaveStoreOrTell();
  bEditPending = 0;
  LogLine("End Copy Routine");
  if (tree != nullptr) tree->SelectCopy(out.topicId);
  WindowHost().SendCommand(CMD_VIEW_TOPIC);
  return out;
}

}  // namespace quillet
