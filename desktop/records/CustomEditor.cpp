#include "desktop/records/CustomEditor.h"

#include <algorithm>
#include <iterator>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "store/RecordKinds.h"

namespace quillet {

const std::vector<ReferenceKind>& ReferenceKinds() {
  static const std::vector<ReferenceKind> kinds = [] {
    // The dialogs' titles, in window-kind order.
    static const char* const kDialogTitles[] = {"Book Details",      "Journal Details", "Magazine Details",
                                                "Newspaper Details", "Report Details",  "Internet Details"};
    static_assert(std::size(kDialogTitles) == kReferenceKinds.size());
    std::vector<ReferenceKind> out;
    for (const ReferenceKindFacts& k : kReferenceKinds)
      out.push_back({k.windowKind, k.customType, kDialogTitles[k.windowKind - 1],
                     {k.labels.begin(), k.labels.begin() + k.fieldCount}});
    return out;
  }();
  return kinds;
}

const ReferenceKind* KindOfWindow(int windowKind) {
  for (const ReferenceKind& k : ReferenceKinds())
    if (k.windowKind == windowKind) return &k;
  return nullptr;
}

const ReferenceKind* KindOfType(int32_t customType) {
  for (const ReferenceKind& k : ReferenceKinds())
    if (k.customType == customType) return &k;
  return nullptr;
}

CCustomRecord* FindLiveReference(uint32_t id) {
  if (pDB == nullptr || id == 0) return nullptr;
  CCustomRecord* ref = RecordAs<CCustomRecord>(FindRecord(id));
  return ref != nullptr && ref->IsLive() ? ref : nullptr;
}

CCustomEditor::CCustomEditor() { Clear(); }
CCustomEditor::~CCustomEditor() = default;

uint32_t CCustomEditor::referenceId() const { return pending_ ? pending_->recordId : reference_id_; }

CCustomRecord* CCustomEditor::Current() {
  if (is_new_) return pending_.get();
  return FindLiveReference(reference_id_);
}

void CCustomEditor::Clear() {
  DeletePending();
  reference_id_ = 0;
  view_ = View{};
  view_.fields.assign(kMaxReferenceFields, CpText());
  view_.okStringId = IDS_ADD;
}

bool CCustomEditor::ShowReference(uint32_t id) {
  Clear();
  CCustomRecord* ref = FindLiveReference(id);
  const ReferenceKind* kind = ref != nullptr ? KindOfType(ref->customType) : nullptr;
  if (kind == nullptr) return false;
  reference_id_ = ref->recordId;
  view_.windowKind = kind->windowKind;
  // The dialog has one edit per field of its kind; a record read with
  // fewer fields leaves the rest empty, more are kept but not shown.
  view_.fields.assign(kind->labels.size(), CpText());
  for (size_t i = 0; i < view_.fields.size() && i < ref->fields.size(); ++i)
    view_.fields[i] = ShownText(ref->fields[i]);
  view_.isPrivate = ref->isPrivate != 0;
  view_.okStringId = IDS_UPDATE;
  return true;
}

void CCustomEditor::NewReference() {
  Clear();
  const ReferenceKind* kind = KindOfWindow(new_kind_);
  if (kind == nullptr) kind = KindOfWindow(1);
  pending_ = std::make_unique<CCustomRecord>();
  pending_->recordId = NextRecordId();
  pending_->customType = kind->customType;
  pending_->fields.assign(kind->labels.size(), CpText());
  if (kind->customType == kCustomInternet) pending_->fields[1] = LoadString(IDS_HTTP_PREFIX);
  is_new_ = true;
  view_.windowKind = kind->windowKind;
  view_.fields = pending_->fields;
  view_.isPrivate = false;
}

void CCustomEditor::Refresh() {
  if (is_new_) return;  // a pending reference belongs to no store yet
  if (reference_id_ == 0 || !ShowReference(reference_id_)) Clear();
}

bool CCustomEditor::Ok(const std::vector<CpText>& typedFields, bool privateChecked) {
  if (Current() == nullptr) {
    // Nothing to save (the reference went away meanwhile): back to the
    // topic, the window cleared.
    bEditPending = 0;
    WindowHost().SendCommand(CMD_VIEW_TOPIC);
    Clear();
    return false;
  }
  typed_ = typedFields;
  typed_private_ = privateChecked;
  return RunOk();
}

bool CCustomEditor::OkQuietly(const std::vector<CpText>& typedFields, bool privateChecked) {
  if (Current() == nullptr) return false;
  typed_ = typedFields;
  typed_private_ = privateChecked;
  return RunOkQuietly();
}

bool CCustomEditor::TypedTextsFit() const {
  for (const CpText& typed : typed_)
    if (!TypedTextFits(typed, kReferenceFieldLimit)) return false;
  return true;
}

void CCustomEditor::ShowSaved() { ShowReference(reference_id_); }

void CCustomEditor::TakePrivateFlag() {
  if (CCustomRecord* ref = Current()) ApplyPrivateFlag(*ref, typed_private_, is_new_);
}

void CCustomEditor::ReadTexts() {
  texts_.clear();
  for (const CpText& typed : typed_)
    texts_.push_back(TakeTypedText(typed, kReferenceFieldLimit, IDS_NOTE));
}

bool CCustomEditor::AddOrUpdate() {
  if (pDB == nullptr) return false;
  CCustomRecord* ref = Current();
  if (ref == nullptr) return false;
  // Only the record's own fields are set: its count is what the handheld
  // reads it with.
  for (size_t i = 0; i < ref->fields.size() && i < texts_.size(); ++i) ref->fields[i] = texts_[i];
  ITopicTreeOps* tree = WindowHost().Tree();
  if (is_new_ && pending_) {
    const uint32_t id = pending_->recordId;
    if (pDB->AddNew(std::move(pending_)) != DB_OK) {
      ShowStringMessage(IDS_NO_MEMORY, kCaption, kMbOk | kMbIconInformation);
      return false;
    }
    is_new_ = false;
    reference_id_ = id;
    if (tree != nullptr)
      if (CCustomRecord* added = FindLiveReference(id)) tree->InsertMember(*added);
    return true;
  }
  ref->flags |= kFlagModified;
  if (tree != nullptr) tree->UpdateMember(*ref);
  return true;
}

void CCustomEditor::DeletePending() {
  pending_.reset();
  is_new_ = false;
}

bool CCustomEditor::DiscardPending() {
  if (!pending_) return false;
  DeletePending();
  LogLine("Unused Custom Record Deleted");
  return true;
}

void CCustomEditor::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  reference_id_ = RenumberedId(changes, reference_id_);
}

}  // namespace quillet
