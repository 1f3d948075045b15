#include "widgets/records/TopicWnd.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PropertyPages.h"
#include "desktop/records/TreeText.h"
#include "desktop/shell/EditPending.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/CodePageField.h"
#include "widgets/kit/DialogKeys.h"
#include "widgets/records/Parts.h"
#include "widgets/records/RecordDialog.h"

namespace quillet {

CTopicWnd::CTopicWnd() : CChildWnd(kKindCodeTopic, "Topic Window") {}
CTopicWnd::~CTopicWnd() = default;

QWidget* CTopicWnd::CreateDialog(QWidget* host) {
  auto* dialog = new QWidget(host);
  dialog->setObjectName("TopicDetails");
  // On a wide pane the fields keep a readable width at the left.
  auto* frame = new QHBoxLayout(dialog);
  frame->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(dialog);
  panel->setMaximumWidth(640);
  frame->addWidget(panel, 10);
  frame->addStretch(1);
  auto* outer = new QVBoxLayout(panel);
  outer->setContentsMargins(16, 12, 16, 12);
  outer->setSpacing(10);

  auto* heading = new QLabel(QCoreApplication::translate("TopicWnd", "Topic Details"), dialog);
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  heading->setFont(bold);
  outer->addWidget(heading);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(8);
  grid->setColumnStretch(1, 1);

  title_ = new QPlainTextEdit(dialog);
  title_->setObjectName("Title");
  title_->setTabChangesFocus(true);
  title_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  const int line = title_->fontMetrics().lineSpacing();
  title_->setFixedHeight(line * 3 + 12);
  MnemonicSet keys = MnemonicSet::BesideMainMenu();
  auto* titleLabel = new QLabel(keys.Mark(QCoreApplication::translate("TopicWnd", "Title:")), dialog);
  TieLabel(titleLabel, title_);
  grid->addWidget(titleLabel, 0, 0, Qt::AlignRight | Qt::AlignTop);
  grid->addWidget(title_, 0, 1, 1, 2);

  category_ = new QComboBox(dialog);
  category_->setObjectName("Category");
  category_->setMinimumContentsLength(20);
  auto* categoryLabel = new QLabel(keys.Mark(QCoreApplication::translate("TopicWnd", "Category:")), dialog);
  TieLabel(categoryLabel, category_);
  auto* add = new QPushButton(keys.Mark(UiText(IDS_ADD)), dialog);
  add->setObjectName("CategoryAdd");
  add->setAccessibleName(QCoreApplication::translate("TopicWnd", "Add category"));
  add->setAutoDefault(false);
  grid->addWidget(categoryLabel, 1, 0, Qt::AlignRight);
  grid->addWidget(category_, 1, 1);
  grid->addWidget(add, 1, 2);

  author_ = new QLabel(dialog);
  author_->setObjectName("Author");
  author_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* change = new QPushButton(keys.Mark(QCoreApplication::translate("TopicWnd", "Change")), dialog);
  change->setObjectName("AuthorChange");
  change->setAccessibleName(QCoreApplication::translate("TopicWnd", "Change author"));
  change->setAutoDefault(false);
  auto* authorLabel = new QLabel(QCoreApplication::translate("TopicWnd", "Author:"), dialog);
  // The author is shown, not typed: the label names the text beside it.
  author_->setAccessibleName(QCoreApplication::translate("TopicWnd", "Author"));
  grid->addWidget(authorLabel, 2, 0, Qt::AlignRight);
  grid->addWidget(author_, 2, 1);
  grid->addWidget(change, 2, 2);
  outer->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(dialog);
  ok_->setObjectName("OK");
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QCoreApplication::translate("TopicWnd", "Cancel"), dialog);
  cancel->setObjectName("Cancel");
  for (QPushButton* b : {ok_.data(), cancel}) b->setMinimumWidth(88);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  outer->addLayout(buttons);
  AddOkCancelKeys(dialog, ok_, cancel);
  outer->addStretch(1);

  QObject::connect(ok_, &QPushButton::clicked, dialog, [this] { Ok(); });
  QObject::connect(cancel, &QPushButton::clicked, dialog, [this] { Cancel(); });
  QObject::connect(change, &QPushButton::clicked, dialog, [this] { Change(); });
  QObject::connect(add, &QPushButton::clicked, dialog, [this] { AddCategory(); });
  QObject::connect(title_, &QPlainTextEdit::textChanged, dialog, [this] { MarkEdited(); });
  QObject::connect(category_, &QComboBox::activated, dialog, [this](int) { MarkEdited(); });

  SyncView();
  return dialog;
}

void CTopicWnd::MarkEdited() {
  if (!syncing_) bEditPending = 1;
}

void CTopicWnd::SyncView() {
  if (!title_) return;
  syncing_ = true;
  const CTopicEditor::View& v = editor_.view();
  title_->setPlainText(FromAnsi(v.title));  // the edit keeps line feeds only
  category_->clear();
  for (const CategoryEntry& e : v.categories) category_->addItem(FromAnsi(e.text));
  category_->setCurrentIndex(v.selected);
  author_->setText(FromAnsi(v.author));
  ok_->setText(UiText(v.okStringId));
  syncing_ = false;
}

void CTopicWnd::ShowRecord(const TreeItemRef* item) {
  if (item == nullptr) {
    editor_.NewTopic();
  } else {
    // The window edits topics; from a member it shows that member's topic.
    uint32_t id = item->recordId;
    if (item->recordKind != kKindTopic)
      if (const CTopicRecord* owner = FindTopicOfMember(id)) id = owner->recordId;
    editor_.ShowTopic(id);
  }
  SyncView();
  if (title_) title_->setFocus();
}

void CTopicWnd::Refresh() {
  editor_.Refresh();
  SyncView();
}

bool CTopicWnd::Ok() {
  // The dialog shows the stored line feeds as line breaks; the title's
  // length is counted as the person's edit control would count it.
  QString typed = title_->toPlainText();
  typed.replace("\n", "\r\n");
  CpText title;
  if (!TakeCodePageText(title_, typed, LoadString(IDS_TITLE), &title)) return false;
  const bool saved = editor_.Ok(title, category_->currentIndex());
  if (saved) SyncView();
  return saved;
}

bool CTopicWnd::HasUnsavedEdits() const {
  if (!title_) return false;
  const CTopicEditor::View& v = editor_.view();
  return !SameTypedText(title_->toPlainText(), FromAnsi(v.title)) || category_->currentIndex() != v.selected;
}

std::string CTopicWnd::EditedRecordName() const {
  if (const CTopicRecord* topic = editor_.isNew() ? nullptr : FindTopic(editor_.topicId()))
    return StoredRecordName(topic->title);
  return TypedRecordName(title_ ? title_->toPlainText() : QString());
}

bool CTopicWnd::SaveEditsQuietly() {
  if (!HasUnsavedEdits()) return true;
  CpText typed;
  if (!ToAnsiExact(TypedText(title_), &typed)) return false;  // quietly: kept for the person to see
  if (!editor_.OkQuietly(typed, category_->currentIndex())) return false;
  SyncView();
  return true;
}

void CTopicWnd::DiscardEdits() {
  SyncView();
  bEditPending = 0;
}

std::optional<TypedEdits> CTopicWnd::TakeEdits() const {
  if (!title_) return std::nullopt;
  TypedEdits e;
  e.recordId = editor_.isNew() ? 0 : editor_.topicId();
  e.recordKind = kKindTopic;
  e.texts = {title_->toPlainText()};
  const auto& entries = editor_.view().categories;
  const int at = category_->currentIndex();
  e.category = at >= 0 && static_cast<size_t>(at) < entries.size() ? entries[static_cast<size_t>(at)].data : 0;
  return e;
}

bool CTopicWnd::RestoreEdits(const TypedEdits& e) {
  if (!title_ || e.recordKind != kKindTopic || e.texts.size() != 1) return false;
  if (e.recordId != 0 && FindTopic(e.recordId) != nullptr) {
    editor_.ShowTopic(e.recordId);
  } else if (!editor_.isNew()) {
    // New, or gone meanwhile: what was typed becomes a new topic.
    editor_.NewTopic();
  }
  SyncView();
  title_->setPlainText(e.texts[0]);
  // The category chosen, when the reloaded store still has it.
  const int at = EntryPosition(editor_.view().categories, e.category);
  category_->setCurrentIndex(at);
  bEditPending = 1;
  return true;
}

void CTopicWnd::Cancel() {
  editor_.Cancel();
  SyncView();
}

void CTopicWnd::Change() {
  OpenPreferences(dialog(), kPageAuthor);
  if (author_) author_->setText(FromAnsi(ReadAuthorDetails().name));
}

void CTopicWnd::AddCategory() {
  OpenPreferences(dialog(), kPageCategories);
  RefillCategories();
}

void CTopicWnd::RefillCategories() {
  if (!category_) return;
  editor_.ChooseCategory(category_->currentIndex());
  editor_.RefillCategories();
  syncing_ = true;
  const CTopicEditor::View& v = editor_.view();
  category_->clear();
  for (const CategoryEntry& e : v.categories) category_->addItem(FromAnsi(e.text));
  category_->setCurrentIndex(v.selected);
  syncing_ = false;
}

}  // namespace quillet
