#include "widgets/records/CustomWnd.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>

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
namespace {

// The reference kinds' headings and field labels (desktop/records and
// store/RecordFacts.h keep them in English, as the records' own field
// names); shown here under the context "CustomWnd". Listed for the
// catalogue.
[[maybe_unused]] const char* const kShownTexts[] = {
    QT_TRANSLATE_NOOP("CustomWnd", "Book Details"),      QT_TRANSLATE_NOOP("CustomWnd", "Journal Details"),
    QT_TRANSLATE_NOOP("CustomWnd", "Magazine Details"),  QT_TRANSLATE_NOOP("CustomWnd", "Newspaper Details"),
    QT_TRANSLATE_NOOP("CustomWnd", "Report Details"),    QT_TRANSLATE_NOOP("CustomWnd", "Internet Details"),
    QT_TRANSLATE_NOOP("CustomWnd", "Title"),             QT_TRANSLATE_NOOP("CustomWnd", "Author"),
    QT_TRANSLATE_NOOP("CustomWnd", "Publisher"),         QT_TRANSLATE_NOOP("CustomWnd", "ISBN"),
    QT_TRANSLATE_NOOP("CustomWnd", "Year"),              QT_TRANSLATE_NOOP("CustomWnd", "Page(s)"),
    QT_TRANSLATE_NOOP("CustomWnd", "Notes"),             QT_TRANSLATE_NOOP("CustomWnd", "Journal"),
    QT_TRANSLATE_NOOP("CustomWnd", "Volume"),            QT_TRANSLATE_NOOP("CustomWnd", "Issue"),
    QT_TRANSLATE_NOOP("CustomWnd", "Magazine"),          QT_TRANSLATE_NOOP("CustomWnd", "Newspaper"),
    QT_TRANSLATE_NOOP("CustomWnd", "City"),              QT_TRANSLATE_NOOP("CustomWnd", "Reporter"),
    QT_TRANSLATE_NOOP("CustomWnd", "Date"),              QT_TRANSLATE_NOOP("CustomWnd", "Source"),
    QT_TRANSLATE_NOOP("CustomWnd", "Abstract"),          QT_TRANSLATE_NOOP("CustomWnd", "URL"),
    QT_TRANSLATE_NOOP("CustomWnd", "Note"),              QT_TRANSLATE_NOOP("CustomWnd", "field"),
};

QString Shown(const char* english) { return QCoreApplication::translate("CustomWnd", english); }

}  // namespace

CCustomWnd::CCustomWnd() : CChildWnd(kKindCodeCustom, "Custom Window") {}
CCustomWnd::~CCustomWnd() = default;

QWidget* CCustomWnd::CreateDialog(QWidget* host) {
  container_ = new QWidget(host);
  container_->setObjectName("CustomDetails");
  container_layout_ = new QVBoxLayout(container_);
  container_layout_->setContentsMargins(0, 0, 0, 0);
  BuildKind(1);  // the book dialog until a reference says otherwise
  SyncView();
  return container_;
}

void CCustomWnd::BuildKind(int windowKind) {
  const ReferenceKind* kind = KindOfWindow(windowKind);
  if (!kind) kind = KindOfWindow(1);
  if (panel_ && built_kind_ == kind->windowKind) return;
  if (panel_) {
    // Later, not now: the swap may be asked for from one of its own
    // buttons' signals.
    panel_->hide();
    container_layout_->removeWidget(panel_);
    panel_->deleteLater();
  }
  lines_.clear();
  notes_ = nullptr;

  title_ = Shown(kind->dialogTitle);
  RecordDialogFrame frame(container_, "ReferenceDialog", title_);
  panel_ = frame.dialog;
  QWidget* d = frame.dialog;
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(6);
  grid->setColumnStretch(1, 1);
  const int n = static_cast<int>(kind->labels.size());
  MnemonicSet keys = MnemonicSet::BesideMainMenu();
  for (int i = 0; i < n; ++i) {
    auto* label = new QLabel(keys.Mark(QCoreApplication::translate("CustomWnd", "%1:").arg(Shown(kind->labels[i]))), d);
    if (i + 1 < n) {
      auto* edit = new QLineEdit(d);
      edit->setObjectName(kind->labels[i]);
      QObject::connect(edit, &QLineEdit::textEdited, d, [this] { MarkEdited(); });
      grid->addWidget(label, i, 0, Qt::AlignRight);
      grid->addWidget(edit, i, 1);
      TieLabel(label, edit);
      lines_.emplace_back(edit);
    } else {
      notes_ = new QPlainTextEdit(d);
      notes_->setObjectName(kind->labels[i]);
      notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      notes_->setTabChangesFocus(true);
      notes_->setMinimumHeight(notes_->fontMetrics().lineSpacing() * 6);
      QObject::connect(notes_, &QPlainTextEdit::textChanged, d, [this] { MarkEdited(); });
      grid->addWidget(label, i, 0, Qt::AlignRight | Qt::AlignTop);
      grid->addWidget(notes_, i, 1);
      TieLabel(label, notes_);
      grid->setRowStretch(i, 1);
    }
  }
  frame.body->addLayout(grid, 1);
  private_ = new QCheckBox(keys.Mark(QCoreApplication::translate("CustomWnd", "Private")), d);
  private_->setObjectName("Private");
  frame.body->addWidget(private_);
  QObject::connect(private_, &QCheckBox::clicked, d, [this] { MarkEdited(); });
  ok_ = frame.AddButtons();
  QObject::connect(ok_, &QPushButton::clicked, d, [this] { Ok(); });
  QObject::connect(frame.cancel, &QPushButton::clicked, d, [this] { Cancel(); });
  container_layout_->addWidget(panel_);
  built_kind_ = kind->windowKind;
  if (container_->isVisible()) panel_->show();
}

QWidget* CCustomWnd::FocusTarget() { return lines_.empty() ? nullptr : lines_.front().data(); }

QString CCustomWnd::fieldText(int i) const {
  if (i >= 0 && i < static_cast<int>(lines_.size())) return lines_[i]->text();
  if (i == static_cast<int>(lines_.size()) && notes_) return notes_->toPlainText();
  return {};
}

void CCustomWnd::setFieldText(int i, const QString& text) {
  if (i >= 0 && i < static_cast<int>(lines_.size())) lines_[i]->setText(text);
  else if (i == static_cast<int>(lines_.size()) && notes_) notes_->setPlainText(text);
}

QWidget* CCustomWnd::fieldEdit(int i) const {
  if (i >= 0 && i < static_cast<int>(lines_.size())) return lines_[i];
  if (i == static_cast<int>(lines_.size())) return notes_;
  return nullptr;
}

QString CCustomWnd::dialogTitle() const { return title_; }

void CCustomWnd::MarkEdited() {
  if (!syncing_) bEditPending = 1;
}

void CCustomWnd::SyncView() {
  if (!container_) return;
  const CCustomEditor::View& v = editor_.view();
  if (v.windowKind != 0) BuildKind(v.windowKind);
  syncing_ = true;
  for (int i = 0; i < fieldCount(); ++i)
    setFieldText(i, i < static_cast<int>(v.fields.size()) ? FromAnsi(v.fields[i]) : QString());
  private_->setChecked(v.isPrivate);
  ok_->setText(UiText(v.okStringId));
  syncing_ = false;
}

void CCustomWnd::ShowRecord(const TreeItemRef* item) {
  if (item == nullptr) editor_.NewReference();
  else editor_.ShowReference(item->recordId);
  SyncView();
  if (QWidget* first = FocusTarget()) first->setFocus();
}

void CCustomWnd::Refresh() {
  editor_.Refresh();
  SyncView();
}

std::vector<QString> CCustomWnd::TypedFields() const {
  std::vector<QString> typed;
  for (int i = 0; i < fieldCount(); ++i) {
    QString text = fieldText(i);
    text.replace("\n", "\r\n");
    typed.push_back(text);
  }
  return typed;
}

bool CCustomWnd::HasUnsavedEdits() const {
  if (!container_ || !private_) return false;
  const CCustomEditor::View& v = editor_.view();
  if (private_->isChecked() != v.isPrivate) return true;
  for (int i = 0; i < fieldCount(); ++i) {
    const QString shown = i < static_cast<int>(v.fields.size()) ? FromAnsi(v.fields[i]) : QString();
    if (!SameTypedText(fieldText(i), shown)) return true;
  }
  return false;
}

std::string CCustomWnd::EditedRecordName() const {
  if (const CCustomRecord* ref = editor_.isNew() ? nullptr : FindLiveReference(editor_.referenceId()))
    return ref->fields.empty() ? std::string() : StoredRecordName(ref->fields[0]);
  return TypedRecordName(fieldText(0));
}

bool CCustomWnd::SaveEditsQuietly() {
  if (!HasUnsavedEdits()) return true;
  std::vector<CpText> typed;
  for (const QString& field : TypedFields()) {
    CpText bytes;
    if (!ToAnsiExact(field, &bytes)) return false;  // quietly: kept for the person to see
    typed.push_back(std::move(bytes));
  }
  if (!editor_.OkQuietly(typed, private_->isChecked())) return false;
  SyncView();
  return true;
}

void CCustomWnd::DiscardEdits() {
  SyncView();
  bEditPending = 0;
}

std::optional<TypedEdits> CCustomWnd::TakeEdits() const {
  if (!container_ || !private_) return std::nullopt;
  TypedEdits e;
  e.recordId = editor_.isNew() ? 0 : editor_.referenceId();
  e.recordKind = kKindCustom;
  e.windowKind = built_kind_;
  for (int i = 0; i < fieldCount(); ++i) e.texts.push_back(fieldText(i));
  e.isPrivate = private_->isChecked();
  return e;
}

bool CCustomWnd::RestoreEdits(const TypedEdits& e) {
  if (!container_ || e.recordKind != kKindCustom) return false;
  const CCustomRecord* ref = e.recordId != 0 ? FindLiveReference(e.recordId) : nullptr;
  if (ref != nullptr && KindOfType(ref->customType) != nullptr &&
      KindOfType(ref->customType)->windowKind == e.windowKind) {
    editor_.ShowReference(e.recordId);
  } else if (!editor_.isNew() || editor_.view().windowKind != e.windowKind) {
    // New, or gone meanwhile: what was typed becomes a new reference of
    // the same kind.
    editor_.SetNewKind(e.windowKind);
    editor_.NewReference();
  }
  SyncView();
  if (built_kind_ != e.windowKind) return false;
  for (int i = 0; i < fieldCount() && i < static_cast<int>(e.texts.size()); ++i) setFieldText(i, e.texts[i]);
  private_->setChecked(e.isPrivate);
  bEditPending = 1;
  return true;
}

bool CCustomWnd::Ok() {
  // Every field is checked before anything is saved; the first one holding
  // a character the code page cannot hold is named and gets the focus.
  const ReferenceKind* kind = KindOfWindow(built_kind_);
  const std::vector<QString> fields = TypedFields();
  std::vector<CpText> typed;
  for (size_t i = 0; i < fields.size(); ++i) {
    const char* label = kind != nullptr && i < kind->labels.size() ? kind->labels[i] : "field";
    CpText text;
    if (!TakeCodePageText(fieldEdit(static_cast<int>(i)), fields[i], FieldName("CustomWnd", label), &text)) return false;
    typed.push_back(std::move(text));
  }
  const bool saved = editor_.Ok(typed, private_->isChecked());
  // A failed save keeps what was typed; a reference gone meanwhile left
  // the editor cleared.
  if (saved || editor_.referenceId() == 0) SyncView();
  return saved;
}

void CCustomWnd::Cancel() {
  editor_.Cancel();
  SyncView();
}

}  // namespace quillet
