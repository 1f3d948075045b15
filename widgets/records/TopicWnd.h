// CTopicWnd: the "Topic Details" window, where a topic is created or its
// title and category changed.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "desktop/records/TopicEditor.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CTopicWnd : public CChildWnd {
 public:
  CTopicWnd();
  ~CTopicWnd() override;

  void ShowRecord(const TreeItemRef* item) override;
  bool DiscardPendingRecord() override { return editor_.DiscardPending(); }
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override { editor_.FollowRenumbered(changes); }
  void Refresh() override;
  QWidget* FocusTarget() override { return title_; }
  bool HasUnsavedEdits() const override;
  std::string EditedRecordName() const override;
  bool SaveEdits() override { return Ok(); }
  bool SaveEditsQuietly() override;
  void DiscardEdits() override;
  std::optional<TypedEdits> TakeEdits() const override;
  bool RestoreEdits(const TypedEdits& edits) override;

  // The buttons' actions.
  bool Ok();
  void Cancel();
  void Change();
  void AddCategory();
  // The category lists changed elsewhere.
  void RefillCategories();

  CTopicEditor& editor() { return editor_; }
  QPlainTextEdit* titleEdit() const { return title_; }
  QComboBox* categoryList() const { return category_; }
  QPushButton* okButton() const { return ok_; }
  QLabel* authorText() const { return author_; }

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  // Mirrors the editor's view into the dialog.
  void SyncView();
  void MarkEdited();

  CTopicEditor editor_;
  QPointer<QPlainTextEdit> title_;
  QPointer<QComboBox> category_;
  QPointer<QLabel> author_;
  QPointer<QPushButton> ok_;
  bool syncing_ = false;
};

}  // namespace quillet
