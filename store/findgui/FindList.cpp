#include "store/findgui/FindList.h"

#include <QHeaderView>

#include "app/core/Strings.h"
#include "app/gui/Ansi.h"
#include "app/gui/ItemIcons.h"
#include "app/gui/WndMgr.h"
#include "store/db/CurrentDatabase.h"

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
  // A report with one column: single selection, shown even without the
  // focus, no sorting by the header (the lines come sorted).
  view_->setColumnCount(1);
  view_->setHeaderLabels({FromAnsi(LoadString(IDS_SEARCH_RESULTS))});
  view_->header()->setSectionsClickable(false);
  view_->header()->setStretchLastSection(true);
  view_->setSortingEnabled(false);
  view_->setRootIsDecorated(false);
  view_->setItemsExpandable(false);
  view_->setUniformRowHeights(true);
  view_->setAllColumnsShowFocus(true);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setIconSize(QSize(16, 16));
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QPalette palette = view_->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  view_->setPalette(palette);
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
  QList<QTreeWidgetItem*> items;
  for (const FindListLine& line : form_->ListLines(pDB)) {
    auto* item = new QTreeWidgetItem({FromAnsi(line.text)});
    item->setData(0, Qt::UserRole, QVariant::fromValue<uint>(line.recordId));
    item->setIcon(0, FindIconFor(line.iconId));
    item->setToolTip(0, item->text(0));
    items.push_back(item);
  }
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
  if (CWndMgr* mgr = manager()) mgr->OnFindListClick(id);
}

}  // namespace quillet
