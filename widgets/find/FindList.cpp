#include "widgets/find/FindList.h"


#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/ItemIcons.h"
#include "widgets/kit/ReportList.h"

namespace quillet {

QIcon FindIconFor(int iconId) {
  switch (iconId) {
    case kFindIconTopic: return ItemIconFor(ItemIcon::kTopic);
    case kFindIconReference: return ItemIconFor(ItemIcon::kReference);
    case kFindIconNote: return ItemIconFor(ItemIcon::kNote);
    case kFindIconSketch: return ItemIconFor(ItemIcon::kSketch);
    case kFindIconImage: return ItemIconFor(ItemIcon::kPicture);
    case kFindIconNothing: return ItemIconFor(ItemIcon::kNothing);
    default: return QIcon();
  }
}

namespace {

// One line of the list: its text as the store has it, made into a Qt string
// only when a row is painted or asked for, its record and its picture. A
// search that finds tens of thousands of records so makes one small object
// per line, not a list of values.
class CFindListItem final : public QTreeWidgetItem {
 public:
  CFindListItem(FindListLine line)
      : QTreeWidgetItem(UserType), text_(std::move(line.text)), record_(line.recordId), icon_(line.iconId) {}

  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole: return FromAnsi(text_);
        case Qt::DecorationRole: return FindIconFor(icon_);
        case Qt::UserRole: return QVariant::fromValue<uint>(record_);
        default: break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

 private:
  CpText text_;
  uint32_t record_;
  int icon_;
};

}  // namespace

CFindList::CFindList(std::shared_ptr<CFindForm> form)
    : CListViewObject(kKindCodeFind), form_(std::move(form)) {
  form_->SetResultsListener([this] { Refill(); });
}

CFindList::~CFindList() {
  form_->SetResultsListener(nullptr);
  form_->ClearResults();
  delete view_.data();
}

bool CFindList::Create(QWidget* parent) {
  view_ = new QTreeWidget(parent);
  view_->setObjectName("FindList");
  view_->hide();
  QObject::connect(view_, &QTreeWidget::itemClicked, view_,
                   [this](QTreeWidgetItem* item, int) { Clicked(item); });
  return true;
}

void CFindList::Initialize() {
  if (!view_) return;
  SetUpReportList(view_, UiText(IDS_SEARCH_RESULTS));
  Refill();
}

void CFindList::Show(bool show) {
  if (!view_) return;
  // The results outlive the mode; what changed meanwhile shows on return.
  if (show) Refill();
  view_->setVisible(show);
}

void CFindList::Move(const QRect& rect) {
  if (view_) view_->setGeometry(rect);
}

void CFindList::Refill() {
  if (!view_) return;
  view_->clear();
  std::vector<FindListLine> lines = form_->ListLines(pDB);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(lines.size()));
  for (FindListLine& line : lines) items.push_back(new CFindListItem(std::move(line)));
  view_->addTopLevelItems(items);
}

void CFindList::Clear() {
  if (view_) view_->clear();
}

uint32_t CFindList::SelectedRecordId() const {
  if (!view_) return 0;
  const QList<QTreeWidgetItem*> selected = view_->selectedItems();
  return selected.isEmpty() ? 0 : selected.front()->data(0, Qt::UserRole).toUInt();
}

void CFindList::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  if (changes.empty()) return;
  const uint32_t selected = RenumberedId(changes, SelectedRecordId());
  form_->FollowRenumbered(changes);
  if (!view_ || view_->topLevelItemCount() == 0) return;
  Refill();
  if (selected == 0) return;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = view_->topLevelItem(i);
    if (item->data(0, Qt::UserRole).toUInt() == selected) {
      view_->setCurrentItem(item);
      break;
    }
  }
}

void CFindList::Clicked(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const uint32_t id = item->data(0, Qt::UserRole).toUInt();
  // The "0 Records Found" line names no record.
  if (id == 0) return;
  // A record deleted, or made hidden, since the search is not opened.
  if (!CFindForm::Openable(pDB, id)) {
    Refill();
    return;
  }
  if (IShell* mgr = manager()) mgr->OnFindListClick(id);
}

}  // namespace quillet
