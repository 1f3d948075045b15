#include "widgets/records/NoteWnd.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/Strings.h"
#include "desktop/records/TreeText.h"
#include "desktop/shell/EditPending.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/CodePageField.h"
#include "widgets/kit/DialogKeys.h"
#include "widgets/records/RecordDialog.h"

namespace quillet {

CNoteWnd::CNoteWnd() : CChildWnd(kKindCodeNote, "Note Window") {}
CNoteWnd::~CNoteWnd() = default;

QWidget* CNoteWnd::CreateDialog(QWidget* host) {
  RecordDialogFrame frame(host, "NoteDetails", QCoreApplication::translate("NoteWnd", "Note Details"));
  QWidget* dialog = frame.dialog;

  MnemonicSet keys = MnemonicSet::BesideMainMenu();
  auto* label = new QLabel(keys.Mark(QCoreApplication::translate("NoteWnd", "Note:")), dialog);
  frame.body->addWidget(label);
  text_ = new QPlainTextEdit(dialog);
  text_->setObjectName("Note");
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text_->setMinimumHeight(text_->fontMetrics().lineSpacing() * 10);
  frame.body->addWidget(text_, 1);
  TieLabel(label, text_);

  private_ = new QCheckBox(keys.Mark(QCoreApplication::translate("NoteWnd", "Private")), dialog);
  private_->setObjectName("Private");
  frame.body->addWidget(private_);
  ok_ = frame.AddButtons();

  QObject::connect(ok_, &QPushButton::clicked, dialog, [this] { Ok(); });
  QObject::connect(frame.cancel, &QPushButton::clicked, dialog, [this] { Cancel(); });
  QObject::connect(text_, &QPlainTextEdit::textChanged, dialog, [this] { MarkEdited(); });
  // A changed private flag is an edit too: a mode change must not drop it.
  QObject::connect(private_, &QCheckBox::clicked, dialog, [this] { MarkEdited(); });
  SyncView();
  return dialog;
}

void CNoteWnd::MarkEdited() {
  if (!syncing_) bEditPending = 1;
}

void CNoteWnd::SyncView() {
  if (!text_) return;
  syncing_ = true;
  const CNoteEditor::View& v = editor_.view();
  text_->setPlainText(FromAnsi(v.text));
  private_->setChecked(v.isPrivate);
  ok_->setText(UiText(v.okStringId));
  syncing_ = false;
}

void CNoteWnd::ShowRecord(const TreeItemRef* item) {
  if (item == nullptr) editor_.NewNote();
  else editor_.ShowNote(item->recordId);
  SyncView();
  if (text_) text_->setFocus();
}

void CNoteWnd::Refresh() {
  editor_.Refresh();
  SyncView();
}

bool CNoteWnd::Ok() {
  CpText typed;
  if (!TakeCodePageText(text_, TypedText(text_), LoadString(IDS_NOTE), &typed)) return false;
  const bool saved = editor_.Ok(typed, private_->isChecked());
  if (saved) SyncView();
  return saved;
}

bool CNoteWnd::HasUnsavedEdits() const {
  if (!text_) return false;
  const CNoteEditor::View& v = editor_.view();
  return !SameTypedText(text_->toPlainText(), FromAnsi(v.text)) || private_->isChecked() != v.isPrivate;
}

std::string CNoteWnd::EditedRecordName() const {
  if (const CNoteRecord* note = editor_.isNew() ? nullptr : FindLiveNote(editor_.noteId()))
    return StoredRecordName(note->text);
  return TypedRecordName(text_ ? text_->toPlainText() : QString());
}

bool CNoteWnd::SaveEditsQuietly() {
  if (!HasUnsavedEdits()) return true;
  CpText typed;
  if (!ToAnsiExact(TypedText(text_), &typed)) return false;  // quietly: kept for the person to see
  if (!editor_.OkQuietly(typed, private_->isChecked())) return false;
  SyncView();
  return true;
}

void CNoteWnd::DiscardEdits() {
  SyncView();
  bEditPending = 0;
}

std::optional<TypedEdits> CNoteWnd::TakeEdits() const {
  if (!text_) return std::nullopt;
  TypedEdits e;
  e.recordId = editor_.isNew() ? 0 : editor_.noteId();
  e.recordKind = kKindNote;
  e.texts = {text_->toPlainText()};
  e.isPrivate = private_->isChecked();
  return e;
}

bool CNoteWnd::RestoreEdits(const TypedEdits& e) {
  if (!text_ || e.recordKind != kKindNote || e.texts.size() != 1) return false;
  if (e.recordId != 0 && FindLiveNote(e.recordId) != nullptr) {
    editor_.ShowNote(e.recordId);
  } else if (!editor_.isNew()) {
    // New, or gone meanwhile: what was typed becomes a new note.
    editor_.NewNote();
  }
  SyncView();
  text_->setPlainText(e.texts[0]);
  private_->setChecked(e.isPrivate);
  bEditPending = 1;
  return true;
}

void CNoteWnd::Cancel() {
  editor_.Cancel();
  SyncView();
}

}  // namespace quillet
