#include "widgets/records/PropertiesSheet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Strings.h"
#include "desktop/records/Categories.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/users/UserSwitch.h"
#include "widgets/kit/Accessibility.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/CodePageField.h"
#include "widgets/kit/DialogKeys.h"

namespace quillet {

// The rename editor of the category list: a refused name comes back into
// it.
class CCategoryNameDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setObjectName("CategoryRename");
      last_ = line;
    }
    return editor;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    QStyledItemDelegate::setEditorData(editor, index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line != nullptr && !retyped_.isNull()) line->setText(retyped_);
    retyped_ = QString();
  }

  // What the next editor starts with instead of the row's name.
  void Retype(const QString& typed) { retyped_ = typed; }
  // The editor made last, while it exists (one closing may still be
  // waiting to be deleted beside it).
  QLineEdit* lastEditor() const { return last_.data(); }

 private:
  mutable QString retyped_;
  mutable QPointer<QLineEdit> last_;
};

namespace {

constexpr int kIdRole = Qt::UserRole;
// Names the field in the message about a character the code page cannot hold.
const char* const kCategoryNameField = QT_TRANSLATE_NOOP("PropertiesSheet", "category name");

QLabel* Note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// --- Categories --------------------------------------------------------------

CCategoriesPage::CCategoriesPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(tr("New Category"), this);
  auto* row = new QHBoxLayout(group);
  name_ = new QLineEdit(group);
  name_->setObjectName("CategoryName");
  name_->setAccessibleName(tr("New category name"));
  auto* add = new QPushButton(tr("&Add"), group);
  add->setObjectName("CategoryAdd");
  add->setAutoDefault(false);
  row->addWidget(name_, 1);
  row->addWidget(add);
  layout->addWidget(group);

  list_ = new QTreeWidget(this);
  list_->setObjectName("CategoryList");
  list_->setColumnCount(1);
  list_->setHeaderLabels({UiText(IDS_CATEGORIES)});
  list_->header()->setStretchLastSection(true);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  delegate_ = new CCategoryNameDelegate(list_);
  list_->setItemDelegate(delegate_);
  list_->installEventFilter(this);
  layout->addWidget(list_, 1);

  // What the list also does by keys and in place, shown as buttons: a
  // double click or F2 renames, the Delete key deletes.
  auto* edits = new QHBoxLayout();
  rename_ = new QPushButton(tr("&Rename"), this);
  rename_->setObjectName("CategoryRenameButton");
  rename_->setAccessibleName(tr("Rename the selected category"));
  rename_->setAutoDefault(false);
  delete_ = new QPushButton(tr("&Delete"), this);
  delete_->setObjectName("CategoryDeleteButton");
  delete_->setAccessibleName(tr("Delete the selected category"));
  delete_->setAutoDefault(false);
  edits->addStretch(1);
  edits->addWidget(rename_);
  edits->addWidget(delete_);
  layout->addLayout(edits);
  connect(rename_, &QPushButton::clicked, this, &CCategoriesPage::RenameSelected);
  connect(delete_, &QPushButton::clicked, this, &CCategoriesPage::DeleteSelected);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &CCategoriesPage::FollowSelection);

  connect(add, &QPushButton::clicked, this, &CCategoriesPage::AddTyped);
  connect(name_, &QLineEdit::returnPressed, this, &CCategoriesPage::AddTyped);
  connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
    if (!filling_) OnRenamed(item);
  });
  connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (!list_->currentItem() || !list_->currentItem()->isSelected()) return;
    QMenu menu(this);
    QAction* rename = menu.addAction(tr("&Rename"));
    QAction* del = menu.addAction(tr("&Delete"));
    QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(pos));
    if (chosen == rename) RenameSelected();
    if (chosen == del) DeleteSelected();
  });
  Refill();
}

void CCategoriesPage::FollowSelection() {
  QTreeWidgetItem* item = list_->currentItem();
  const bool chosen = item != nullptr && item->isSelected();
  rename_->setEnabled(chosen);
  delete_->setEnabled(chosen);
}

void CCategoriesPage::RenameSelected() {
  QTreeWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected()) return;
  list_->editItem(item, 0);
}

void CCategoriesPage::Refill() {
  filling_ = true;
  list_->clear();
  for (const CategoryEntry& e : SortedCategories()) {
    auto* item = new QTreeWidgetItem(list_, {FromAnsi(e.text)});
    item->setData(0, kIdRole, QVariant::fromValue<qlonglong>(e.data));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  filling_ = false;
  FollowSelection();
}

void CCategoriesPage::AddTyped() {
  CpText name;
  if (!TakeCodePageText(name_, name_->text(), FieldName("PropertiesSheet", kCategoryNameField), &name)) return;
  if (AddCategory(name) == 0) return;
  Refill();
  name_->clear();
}

void CCategoriesPage::OnRenamed(QTreeWidgetItem* item) {
  // The row's editor is still handing its text over: the rows are filled
  // again once it has closed, never under it.
  const int64_t id = item->data(0, kIdRole).toLongLong();
  const QString typed = item->text(0);
  QTimer::singleShot(0, this, [this, id, typed] { ApplyRename(id, typed); });
}

void CCategoriesPage::ApplyRename(int64_t id, const QString& typed) {
  CpText name;
  const bool storable = ToAnsiExact(typed, &name);
  if (storable) RenameCategory(static_cast<uint32_t>(id), name);
  // Refused or not, the rows show the store's names in their order.
  Refill();
  if (!storable) EditAgain(id, typed);
}

void CCategoriesPage::EditAgain(int64_t id, const QString& typed) {
  QTreeWidgetItem* row = nullptr;
  for (int i = 0; i < list_->topLevelItemCount() && row == nullptr; ++i)
    if (list_->topLevelItem(i)->data(0, kIdRole).toLongLong() == id) row = list_->topLevelItem(i);
  QLineEdit* editor = nullptr;
  if (row != nullptr) {
    list_->setCurrentItem(row);
    delegate_->Retype(typed);
    list_->editItem(row, 0);
    editor = delegate_->lastEditor();
  }
  CpText unused;
  TakeCodePageText(editor, typed, FieldName("PropertiesSheet", kCategoryNameField), &unused);
}

QLineEdit* CCategoriesPage::renameEditor() const { return delegate_->lastEditor(); }

void CCategoriesPage::DeleteSelected() {
  QTreeWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected()) return;
  if (!ConfirmDelete(false)) return;
  DeleteCategory(static_cast<uint32_t>(item->data(0, kIdRole).toLongLong()));
  Refill();
}

bool CCategoriesPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelected();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// --- The sheet ------------------------------------------------------------------

CPropertiesSheet::CPropertiesSheet(QWidget* owner, int startPage, SwitchFn switchUser)
    : QDialog(owner), switch_user_(std::move(switchUser)) {
  setWindowTitle(UiText(IDS_APP_TITLE));
  setObjectName("PropertiesSheet");
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(MakeAuthorPage(), UiText(IDS_AUTHOR));
  tabs_->addTab(MakeUserPage(), UiText(IDS_DEFAULT_USER));
  categories_ = new CCategoriesPage(tabs_);
  tabs_->addTab(categories_, UiText(IDS_CATEGORIES));
  tabs_->addTab(MakeLoggingPage(), UiText(IDS_LOGGING));
  layout->addWidget(tabs_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Apply()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  connect(tabs_, &QTabWidget::currentChanged, this, &CPropertiesSheet::ShowPage);
  const int page = startPage >= 0 && startPage < 4 ? startPage : 0;
  tabs_->setCurrentIndex(page);
  ShowPage(page);
  resize(430, 360);
}

QWidget* CPropertiesSheet::MakeAuthorPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* form = new QFormLayout;
  const char* labels[] = {QT_TR_NOOP("&Name:"), QT_TR_NOOP("&Title:"), QT_TR_NOOP("&E-mail:"), QT_TR_NOOP("&Phone:")};
  for (size_t i = 0; i < author_.size(); ++i) {
    author_[i] = new QLineEdit(page);
    author_[i]->setMaxLength(static_cast<int>(kAuthorFieldLimit));
    form->addRow(tr(labels[i]), author_[i]);
  }
  layout->addLayout(form);
  layout->addWidget(Note(tr("This information appears in themes with an {AUTHOR} tag."), page));
  layout->addStretch(1);
  return page;
}

QWidget* CPropertiesSheet::MakeUserPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* group = new QGroupBox(tr("Current User"), page);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(Note(tr("Select the default user for Hotsync operations..."), group));
  auto* form = new QFormLayout;
  user_list_ = new QComboBox(group);
  user_list_->setObjectName("1224");
  NameComboBox(user_list_, tr("User name"), tr("The default user for HotSync operations"));
  user_path_ = new QLineEdit(group);
  user_path_->setObjectName("1223");
  user_path_->setReadOnly(true);
  form->addRow(tr("User &Name:"), user_list_);
  form->addRow(tr("User &Path:"), user_path_);
  inner->addLayout(form);
  layout->addWidget(group);
  layout->addStretch(1);
  connect(user_list_, &QComboBox::currentIndexChanged, this,
          [this](int index) { user_path_->setText(FromPath(UserPathText(index))); });
  return page;
}

QWidget* CPropertiesSheet::MakeLoggingPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* group = new QGroupBox(tr("Enable Logging"), page);
  auto* inner = new QVBoxLayout(group);
  log_check_ = new QCheckBox(tr("Enable Program &Logging"), group);
  log_check_->setObjectName("1055");
  inner->addWidget(log_check_);
  auto* folderLabel = new QLabel(tr("Log.txt file l&ocation:"), group);
  inner->addWidget(folderLabel);
  auto* row = new QHBoxLayout;
  log_folder_ = new QLineEdit(group);
  TieLabel(folderLabel, log_folder_);
  log_folder_->setObjectName("1179");
  log_folder_->setMaxLength(511);
  auto* browse = new QPushButton(tr("&Browse"), group);
  browse->setObjectName("1178");
  browse->setAutoDefault(false);
  row->addWidget(log_folder_, 1);
  row->addWidget(browse);
  inner->addLayout(row);
  layout->addWidget(group);
  layout->addStretch(1);
  connect(browse, &QPushButton::clicked, this, [this] {
    std::string folder;
    if (BrowseLogFolder(&folder)) log_folder_->setText(FromPath(folder));
  });
  return page;
}

// A page is read when it is first shown, as a sheet creates its pages.
void CPropertiesSheet::ShowPage(int page) {
  if (page < 0 || page > 3 || shown_[static_cast<size_t>(page)]) return;
  shown_[static_cast<size_t>(page)] = true;
  switch (page) {
    case kPageAuthor: {
      const AuthorDetails d = ReadAuthorDetails();
      author_[0]->setText(FromAnsi(d.name));
      author_[1]->setText(FromAnsi(d.title));
      author_[2]->setText(FromAnsi(d.email));
      author_[3]->setText(FromAnsi(d.phone));
      break;
    }
    case kPageDefaultUser: {
      const DefaultUserChoice choice = ReadDefaultUserChoice();
      const QSignalBlocker block(user_list_);
      user_list_->clear();
      user_names_ = choice.names;
      for (const std::string& name : choice.names) user_list_->addItem(FromAnsi(CpText(name)));
      user_list_->setCurrentIndex(choice.selected);
      user_path_->setText(choice.selected >= 0 ? FromPath(UserPathText(choice.selected)) : QString());
      break;
    }
    case kPageCategories: categories_->Refill(); break;
    case kPageLogging: {
      const LoggingChoice choice = ReadLoggingChoice();
      log_check_->setChecked(choice.enabled);
      log_folder_->setText(FromPath(choice.folder));
      break;
    }
    default: break;
  }
}

bool CPropertiesSheet::Apply() {
  // Every author field is checked before any page is applied.
  static const char* const kAuthorFields[] = {
      QT_TRANSLATE_NOOP("PropertiesSheet", "author's name"), QT_TRANSLATE_NOOP("PropertiesSheet", "author's title"),
      QT_TRANSLATE_NOOP("PropertiesSheet", "author's e-mail"), QT_TRANSLATE_NOOP("PropertiesSheet", "author's phone")};
  std::array<CpText, 4> author;
  if (shown_[kPageAuthor]) {
    for (size_t i = 0; i < author_.size(); ++i)
      if (!TakeCodePageText(author_[i], author_[i]->text(), FieldName("PropertiesSheet", kAuthorFields[i]),
                            &author[i]))
        return false;
    WriteAuthorDetails({author[0], author[1], author[2], author[3]});
  }
  const int user = user_list_ != nullptr ? user_list_->currentIndex() : -1;
  if (shown_[kPageDefaultUser] && user >= 0 && static_cast<size_t>(user) < user_names_.size()) {
    // The name as the user table holds it, not as the list shows it.
    const std::string& name = user_names_[static_cast<size_t>(user)];
    if (switch_user_) switch_user_(name);
    else ApplyDefaultUser(name);
  }
  if (shown_[kPageLogging]) ApplyLoggingChoice({log_check_->isChecked(), ToPath(log_folder_->text())});
  return true;
}

bool CPropertiesSheet::Open(QWidget* owner, int startPage, SwitchFn switchUser) {
  CPropertiesSheet sheet(owner, startPage, std::move(switchUser));
  return sheet.exec() == QDialog::Accepted;
}

}  // namespace quillet
