// CNoteWnd: the "Note Details" window, where a note is written into the
// current topic or an existing note's text and private flag changed.
#pragma once

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "desktop/records/NoteEditor.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CNoteWnd : public CChildWnd {
 public:
  CNoteWnd();
  ~CNoteWnd() override;

  void ShowRecord(const TreeItemRef* item) override;
  bool DiscardPendingRecord() override { return editor_.DiscardPending(); }
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override { editor_.FollowRenumbered(changes); }
  void Refresh() override;
  QWidget* FocusTarget() override { return text_; }
  bool HasUnsavedEdits() const override;
  std::string EditedRecordName() const override;
  bool SaveEdits() override { return Ok(); }
  bool SaveEditsQuietly() override;
  void DiscardEdits() override;
  std::optional<TypedEdits> TakeEdits() const override;
  bool RestoreEdits(const TypedEdits& edits) override;

  bool Ok();
  void Cancel();

  CNoteEditor& editor() { return editor_; }
  QPlainTextEdit* noteEdit() const { return text_; }
  QCheckBox* privateBox() const { return private_; }
  QPushButton* okButton() const { return ok_; }

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  void SyncView();
  void MarkEdited();

  CNoteEditor editor_;
  QPointer<QPlainTextEdit> text_;
  QPointer<QCheckBox> private_;
  QPointer<QPushButton> ok_;
  bool syncing_ = false;
};

}  // namespace quillet
