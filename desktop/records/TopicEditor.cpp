#include "desktop/records/TopicEditor.h"

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/RecordKinds.h"

namespace quillet {

CTopicEditor::CTopicEditor() { Clear(); }
CTopicEditor::~CTopicEditor() = default;

uint32_t CTopicEditor::topicId() const {
  return pending_topic_ ? pending_topic_->recordId : topic_id_;
}

CpText CTopicEditor::ReadAuthor() {
  std::string author;
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  key.ReadValueString("Author", &author, kPathBufferSize);
  return CpText(std::move(author));  // the author details are kept as code-page text
}

void CTopicEditor::FillCategories(int64_t selectData) {
  view_.categories = TopicWindowCategoryEntries();
  view_.selected = EntryPosition(view_.categories, selectData);
}

void CTopicEditor::Clear() {
  DeletePending();
  is_new_ = false;
  topic_id_ = 0;
  view_.title.clear();
  view_.author = ReadAuthor();
  FillCategories(0);
  view_.selected = 0;
  view_.okStringId = IDS_ADD;
}

bool CTopicEditor::ShowTopic(uint32_t topicId) {
  Clear();
  CTopicRecord* topic = FindTopic(topicId);
  if (topic == nullptr) return false;
  view_.okStringId = IDS_UPDATE;
  topic_id_ = topic->recordId;
  FillCategories(topic->categoryId);
  view_.title = ShownText(topic->title);
  return true;
}

void CTopicEditor::NewTopic() {
  Clear();
  pending_topic_ = std::make_unique<CTopicRecord>();
  pending_links_ = std::make_unique<CTopicLinksRecord>();
  pending_topic_->recordId = NextRecordId();
  pending_links_->recordId = NextRecordId();
  pending_topic_->linksId = pending_links_->recordId;
  pending_links_->topicId = pending_topic_->recordId;
  std::string output = CurrentOutputFolder();
  pending_topic_->fileName = output.empty() ? GenerateTopicFileName() : FreshFileName(output, ".htm");
  FillCategories(WindowHost().MainCategory());
  is_new_ = true;
}

void CTopicEditor::RefillCategories() {
  int64_t chosen = view_.selected >= 0 && static_cast<size_t>(view_.selected) < view_.categories.size()
                       ? view_.categories[static_cast<size_t>(view_.selected)].data
                       : 0;
  FillCategories(chosen);
}

void CTopicEditor::Refresh() {
  if (is_new_) return;  // a pending topic belongs to no store yet
  if (topic_id_ == 0 || !ShowTopic(topic_id_)) Clear();
}

bool CTopicEditor::Ok(const CpText& typedTitle, int categoryPosition) {
  typed_title_ = typedTitle;
  typed_position_ = categoryPosition;
  return RunOk();
}

bool CTopicEditor::OkQuietly(const CpText& typedTitle, int categoryPosition) {
  typed_title_ = typedTitle;
  typed_position_ = categoryPosition;
  return RunOkQuietly();
}

bool CTopicEditor::TypedTextsFit() const { return TypedTextFits(typed_title_, kTitleLimit); }

void CTopicEditor::ShowSaved() { ShowTopic(topic_id_); }

void CTopicEditor::ReadTexts() {
  title_ = TakeTypedText(typed_title_, kTitleLimit, IDS_TITLE);
  category_id_ = 0;
  if (typed_position_ >= 0 && static_cast<size_t>(typed_position_) < view_.categories.size()) {
    int64_t data = view_.categories[static_cast<size_t>(typed_position_)].data;
    category_id_ = data > 0 ? static_cast<uint32_t>(data) : 0;
  }
}

bool CTopicEditor::AddOrUpdate() {
  if (pDB == nullptr) return false;
  ITopicTreeOps* tree = WindowHost().Tree();
  if (is_new_ && pending_topic_) {
    pending_topic_->title = title_;
    pending_topic_->categoryId = category_id_;
    uint32_t id = pending_topic_->recordId;
    if (pDB->AddNew(std::move(pending_topic_)) != DB_OK ||
        pDB->AddNew(std::move(pending_links_)) != DB_OK) {
      pending_links_.reset();
      ShowStringMessage(IDS_NO_MEMORY, kCaption, kMbOk | kMbIconInformation);
      return false;
    }
    // From here the window edits the added topic: a second OK after a
    // failed save updates it instead of adding it again.
    is_new_ = false;
    topic_id_ = id;
    if (tree != nullptr)
      if (CTopicRecord* added = FindTopic(id)) tree->InsertTopic(*added);
    return true;
  }
  CTopicRecord* topic = FindTopic(topic_id_);
  if (topic == nullptr) return false;
  topic->title = title_;
  topic->categoryId = category_id_;
  topic->flags |= kFlagModified;
  if (tree != nullptr) tree->UpdateTopic(*topic);
  return true;
}

void CTopicEditor::AfterSave() {
  if (ITopicTreeOps* tree = WindowHost().Tree()) tree->RefreshAndSelect(topic_id_, true);
}

void CTopicEditor::DeletePending() {
  pending_topic_.reset();
  pending_links_.reset();
  is_new_ = false;
}

uint32_t CTopicEditor::CancelCommand() const { return CMD_TOPIC_CENTER; }

bool CTopicEditor::DiscardPending() {
  if (!pending_topic_ && !pending_links_) return false;
  DeletePending();
  LogLine("Unused Topic Record Deleted");
  return true;
}

void CTopicEditor::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  topic_id_ = RenumberedId(changes, topic_id_);
}

}  // namespace quillet
