// The "Note Details" window's logic: the note shown or the pending new
// note, what the dialog shows, and OK and Cancel in the record windows'
// common order. The Qt dialog mirrors View and hands back what was typed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "desktop/records/RecordCommit.h"

namespace quillet {

class CNoteRecord;

class CNoteEditor : public CRecordCommit {
 public:
  struct View {
    CpText text;            // with carriage return + line feed
    bool isPrivate = false;
    int okStringId = 0;     // 115 "Add" or 122 "Update"
  };

  CNoteEditor();
  ~CNoteEditor() override;

  const View& view() const { return view_; }
  bool isNew() const { return is_new_; }
  // The note shown, or the pending one's id; 0 when cleared.
  uint32_t noteId() const;
  const CNoteRecord* pendingNote() const { return pending_.get(); }

  // Not new, no note, empty text, not private, OK reading "Add". A pending
  // note is deleted.
  void Clear();
  // The live note of `noteId`; false (and cleared) when there is none.
  bool ShowNote(uint32_t noteId);
  // A pending note with a fresh id.
  void NewNote();
  // After the store was reopened: the note shown may be gone.
  void Refresh();

  bool Ok(const CpText& typedText, bool privateChecked);
  // OK for the HotSync notifier: no message, no command (RunOkQuietly).
  bool OkQuietly(const CpText& typedText, bool privateChecked);
  void Cancel() { RunCancel(); }
  // A mode change or the program's end: the pending note goes
  // ("Unused Note Record Deleted"). True when there was one.
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
  // The record OK works on: the pending one or the shown one (looked up
  // again, the store may have changed meanwhile).
  CNoteRecord* Current();

  View view_;
  bool is_new_ = false;
  uint32_t note_id_ = 0;
  std::unique_ptr<CNoteRecord> pending_;
  CpText typed_text_;
  bool typed_private_ = false;
  CpText text_;
};

// The live note of `id`, walking the notes as the window does.
CNoteRecord* FindLiveNote(uint32_t id);

}  // namespace quillet
