#include "desktop/records/NoteEditor.h"

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "store/RecordKinds.h"

namespace quillet {

CNoteRecord* FindLiveNote(uint32_t id) {
  if (pDB == nullptr || id == 0) return nullptr;
  CRecord* found = FindRecord(id);
  CNoteRecord* note = RecordAs<CNoteRecord>(found);
  return note != nullptr && note->IsLive() ? note : nullptr;
}

CNoteEditor::CNoteEditor() { Clear(); }
CNoteEditor::~CNoteEditor() = default;

uint32_t CNoteEditor::noteId() const { return pending_ ? pending_->recordId : note_id_; }

CNoteRecord* CNoteEditor::Current() {
  if (is_new_) return pending_.get();
  return FindLiveNote(note_id_);
}

void CNoteEditor::Clear() {
  DeletePending();
  note_id_ = 0;
  view_ = View{};
  view_.okStringId = IDS_ADD;
}

bool CNoteEditor::ShowNote(uint32_t noteId) {
  Clear();
  CNoteRecord* note = FindLiveNote(noteId);
  if (note == nullptr) return false;
  note_id_ = note->recordId;
  view_.okStringId = IDS_UPDATE;
  view_.text = ShownText(note->text);
  view_.isPrivate = note->isPrivate != 0;
  return true;
}

void CNoteEditor::NewNote() {
  Clear();
  pending_ = std::make_unique<CNoteRecord>();
  pending_->recordId = NextRecordId();
  is_new_ = true;
  view_.isPrivate = pending_->isPrivate != 0;
}

void CNoteEditor::Refresh() {
  if (is_new_) return;  // a pending note belongs to no store yet
  if (note_id_ == 0 || !ShowNote(note_id_)) Clear();
}

bool CNoteEditor::Ok(const CpText& typedText, bool privateChecked) {
  typed_text_ = typedText;
  typed_private_ = privateChecked;
  return RunOk();
}

bool CNoteEditor::OkQuietly(const CpText& typedText, bool privateChecked) {
  typed_text_ = typedText;
  typed_private_ = privateChecked;
  return RunOkQuietly();
}

bool CNoteEditor::TypedTextsFit() const { return TypedTextFits(typed_text_, kRecordTextLimit); }

void CNoteEditor::ShowSaved() { ShowNote(note_id_); }

void CNoteEditor::TakePrivateFlag() {
  if (CNoteRecord* note = Current()) ApplyPrivateFlag(*note, typed_private_, is_new_);
}

void CNoteEditor::ReadTexts() { text_ = TakeTypedText(typed_text_, kRecordTextLimit, IDS_NOTE); }

bool CNoteEditor::AddOrUpdate() {
  if (pDB == nullptr) return false;
  ITopicTreeOps* tree = WindowHost().Tree();
  if (is_new_ && pending_) {
    pending_->text = text_;
    const uint32_t id = pending_->recordId;
    if (pDB->AddNew(std::move(pending_)) != DB_OK) {
      ShowStringMessage(IDS_NO_MEMORY, kCaption, kMbOk | kMbIconInformation);
      return false;
    }
    // The window now edits the added note: an OK after a failed save
    // updates it rather than adding it twice.
    is_new_ = false;
    note_id_ = id;
    if (tree != nullptr)
      if (CNoteRecord* added = FindLiveNote(id)) tree->InsertMember(*added);
    return true;
  }
  CNoteRecord* note = FindLiveNote(note_id_);
  if (note == nullptr) return false;
  note->text = text_;
  note->flags |= kFlagModified;
  if (tree != nullptr) tree->UpdateMember(*note);
  return true;
}

void CNoteEditor::DeletePending() {
  pending_.reset();
  is_new_ = false;
}

bool CNoteEditor::DiscardPending() {
  if (!pending_) return false;
  DeletePending();
  LogLine("Unused Note Record Deleted");
  return true;
}

void CNoteEditor::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  note_id_ = RenumberedId(changes, note_id_);
}

}  // namespace quillet
