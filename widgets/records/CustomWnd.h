// CCustomWnd: the reference window. It shows the dialog of the reference's
// kind (book, journal, magazine, newspaper, report, internet page) and
// builds it again whenever the kind changes.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "desktop/records/CustomEditor.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CCustomWnd : public CChildWnd {
 public:
  CCustomWnd();
  ~CCustomWnd() override;

  void ShowRecord(const TreeItemRef* item) override;
  bool DiscardPendingRecord() override { return editor_.DiscardPending(); }
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override { editor_.FollowRenumbered(changes); }
  void Refresh() override;
  void SetNewRecordKind(int kind) override { editor_.SetNewKind(kind); }
  QWidget* FocusTarget() override;
  bool HasUnsavedEdits() const override;
  std::string EditedRecordName() const override;
  bool SaveEdits() override { return Ok(); }
  bool SaveEditsQuietly() override;
  void DiscardEdits() override;
  std::optional<TypedEdits> TakeEdits() const override;
  bool RestoreEdits(const TypedEdits& edits) override;

  bool Ok();
  void Cancel();

  CCustomEditor& editor() { return editor_; }
  // The window kind whose dialog is built (1 book ... 6 internet).
  int builtKind() const { return built_kind_; }
  int fieldCount() const { return static_cast<int>(lines_.size()) + (notes_ ? 1 : 0); }
  // Field i's text as shown; the last field is the multi-line notes.
  QString fieldText(int i) const;
  void setFieldText(int i, const QString& text);
  QWidget* fieldEdit(int i) const;
  QCheckBox* privateBox() const { return private_; }
  QPushButton* okButton() const { return ok_; }
  QString dialogTitle() const;

 protected:
  QWidget* CreateDialog(QWidget* host) override;

 private:
  // Replaces the present kind's dialog with that of `windowKind`.
  void BuildKind(int windowKind);
  void SyncView();
  void MarkEdited();
  // The fields as the dialog holds them, line breaks as CR LF.
  std::vector<QString> TypedFields() const;

  CCustomEditor editor_;
  QPointer<QWidget> container_;
  QPointer<QVBoxLayout> container_layout_;
  QPointer<QWidget> panel_;
  int built_kind_ = 0;
  std::vector<QPointer<QLineEdit>> lines_;
  QPointer<QPlainTextEdit> notes_;
  QPointer<QCheckBox> private_;
  QPointer<QPushButton> ok_;
  QString title_;
  bool syncing_ = false;
};

}  // namespace quillet
