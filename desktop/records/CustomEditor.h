// The reference window's logic: the six kinds of reference and their
// fields, the reference shown or the pending new one, and OK and Cancel in
// the record windows' common order. The Qt window builds the dialog of the
// kind in View and hands back what was typed, field by field.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/records/RecordCommit.h"
#include "store/RecordFacts.h"

namespace quillet {

class CCustomRecord;

// The kinds, their fields and limits are RecordFacts.h's; the cleared
// window empties kMaxReferenceFields fields.
struct ReferenceKind {
  int windowKind;          // 1 book ... 6 internet, as the New Reference menu numbers them
  int32_t customType;      // the record's customType
  const char* dialogTitle;
  std::vector<const char*> labels;  // one per field, title first, notes last
};

// The six kinds in window-kind order.
const std::vector<ReferenceKind>& ReferenceKinds();
// Null for 0 or an unknown number / type.
const ReferenceKind* KindOfWindow(int windowKind);
const ReferenceKind* KindOfType(int32_t customType);

class CCustomEditor : public CRecordCommit {
 public:
  struct View {
    int windowKind = 0;               // 0 when cleared
    std::vector<CpText> fields;       // as shown, carriage return + line feed
    bool isPrivate = false;
    int okStringId = 0;               // 115 "Add" or 122 "Update"
  };

  CCustomEditor();
  ~CCustomEditor() override;

  const View& view() const { return view_; }
  bool isNew() const { return is_new_; }
  // The reference shown or the pending one's id; 0 when cleared.
  uint32_t referenceId() const;
  const CCustomRecord* pendingReference() const { return pending_.get(); }

  // The kind the next new reference gets (the New Reference menu).
  void SetNewKind(int windowKind) { new_kind_ = windowKind; }
  int newKind() const { return new_kind_; }

  void Clear();
  // The live reference of `id`, shown in its kind's dialog; false (and
  // cleared) when there is none or its type is none of the six.
  bool ShowReference(uint32_t id);
  // A pending reference of the kind set last (a book when none was set).
  void NewReference();
  void Refresh();

  // OK with one typed text per field of the shown kind.
  bool Ok(const std::vector<CpText>& typedFields, bool privateChecked);
  // OK for the HotSync notifier: no message, no command (RunOkQuietly).
  bool OkQuietly(const std::vector<CpText>& typedFields, bool privateChecked);
  void Cancel() { RunCancel(); }
  // "Unused Custom Record Deleted" when there was a pending reference.
  bool DiscardPending();
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;

 protected:
  void TakePrivateFlag() override;
  void ReadTexts() override;
  bool AddOrUpdate() override;
  void ClearWindow() override { Clear(); }
  void DeletePending() override;
  bool TypedTextsFit() const override;
  void ShowSaved() override;

 private:
  CCustomRecord* Current();

  View view_;
  bool is_new_ = false;
  int new_kind_ = 0;
  uint32_t reference_id_ = 0;
  std::unique_ptr<CCustomRecord> pending_;
  std::vector<CpText> typed_;
  bool typed_private_ = false;
  std::vector<CpText> texts_;
};

// The live reference of `id`.
CCustomRecord* FindLiveReference(uint32_t id);

}  // namespace quillet
