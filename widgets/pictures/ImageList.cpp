#include "widgets/pictures/ImageList.h"

#include <QApplication>
#include <QKeyEvent>

#include "base/Strings.h"
#include "desktop/shell/Commands.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/ItemIcons.h"
#include "widgets/kit/Palettes.h"
#include "widgets/kit/ReportList.h"
#include "widgets/kit/Translations.h"

namespace quillet {
namespace {

// The list's two pictures: a picture's and a sketch's.
const QIcon& ListIcon(bool sketch) {
  return ItemIconFor(sketch ? ItemIcon::kSketch : ItemIcon::kPicture);
}

TopicFilter CoreFilter(const CategoryFilter& f) {
  TopicFilter t;
  t.mode = f.mode;
  t.categoryId = f.categoryId;
  return t;
}

}  // namespace

CImageListView::CImageListView(CImageList* owner, QWidget* parent) : QTreeWidget(parent), owner_(owner) {}

void CImageListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && owner_->SelectedRecordId() != 0) {
    owner_->OnCommand(CMD_DELETE);
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

CImageList::CImageList() : CListViewObject(kKindCodeImage) {}

CImageList::~CImageList() { delete view_.data(); }

bool CImageList::Create(QWidget* parent) {
  view_ = new CImageListView(this, parent);
  view_->setObjectName("ImageList");
  view_->hide();
  QObject::connect(view_, &QTreeWidget::itemClicked, view_, [this](QTreeWidgetItem*, int) {
    if (IShell* mgr = manager()) mgr->OnImageListClick();
  });
  QObject::connect(view_, &QTreeWidget::itemDoubleClicked, view_, [this](QTreeWidgetItem* item, int) {
    IShell* mgr = manager();
    if (mgr && item) mgr->OnImageListDoubleClick(item->data(0, Qt::UserRole).toUInt());
  });
  return true;
}

void CImageList::Initialize() {
  if (!view_) return;
  SetUpReportList(view_, UiText(IDS_MY_PICTURES));
  // A frame, and the paper of the tree beside it (or the dark palette's
  // own colours, as the tree has them).
  view_->setFrameShape(QFrame::StyledPanel);
  FollowAppPalette(view_, [](const QPalette& app) { return SelectionKept(PaperPalette(app)); });
  // A hidden list is filled when first shown (Show): at start-up My
  // Pictures is not on screen, and a store of thousands of pictures would
  // make all their rows before the window is up.
  if (!view_->isHidden()) Refill();
}

void CImageList::Show(bool show) {
  if (!view_) return;
  // Emptied when the store was reopened (another user, a HotSync): filled
  // again when next shown. A list with rows is kept, so that a click that
  // changes the mode never pulls the clicked row from under the list.
  if (show && view_->topLevelItemCount() == 0) Refill();
  view_->setVisible(show);
}

void CImageList::Move(const QRect& rect) {
  if (view_) view_->setGeometry(rect);
}

void CImageList::Refill() {
  if (!view_) return;
  const uint32_t selected = SelectedRecordId();
  const bool wasVisible = view_->isVisible();
  if (wasVisible) view_->hide();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  view_->clear();
  QList<QTreeWidgetItem*> items;
  for (const ImageListLine& line : CollectImageList(CoreFilter(filter_))) {
    auto* item = new QTreeWidgetItem({FromAnsi(line.text)});
    item->setData(0, Qt::UserRole, QVariant::fromValue<uint>(line.recordId));
    item->setIcon(0, ListIcon(line.sketch));
    item->setToolTip(0, item->text(0));
    items.push_back(item);
  }
  view_->addTopLevelItems(items);
  QApplication::restoreOverrideCursor();
  if (wasVisible) view_->show();
  if (selected != 0) SelectRecord(selected);
}

void CImageList::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  if (!view_) return;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = view_->topLevelItem(i);
    const uint32_t id = item->data(0, Qt::UserRole).toUInt();
    const uint32_t now = RenumberedId(changes, id);
    if (now != id) item->setData(0, Qt::UserRole, QVariant::fromValue<uint>(now));
  }
}

void CImageList::Clear() {
  if (view_) view_->clear();
}

uint32_t CImageList::SelectedRecordId() const {
  if (!view_) return 0;
  const QList<QTreeWidgetItem*> selected = view_->selectedItems();
  return selected.isEmpty() ? 0 : selected.front()->data(0, Qt::UserRole).toUInt();
}

bool CImageList::SelectRecord(uint32_t recordId) {
  if (!view_) return false;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = view_->topLevelItem(i);
    if (item->data(0, Qt::UserRole).toUInt() != recordId) continue;
    view_->setCurrentItem(item);
    view_->scrollToItem(item);
    return true;
  }
  return false;
}

bool CImageList::OnCommand(uint32_t command) {
  IShell* mgr = manager();
  switch (command) {
    case CMD_DELETE_ALL: return true;
    case CMD_IMAGE_CENTER:
      if (mgr && mgr->mode() != kKindCodeImage) mgr->OnCommand(CMD_IMAGE_CENTER);
      return true;
    case CMD_DELETE: {
      const uint32_t id = SelectedRecordId();
      if (id == 0 || !mgr) return true;
      // The record is deleted through the topic tree, which asks first and
      // takes its file and its place in its topic with it.
      if (CTreeObject* tree = mgr->topicTree()) {
        if (!tree->SelectRecord(id) && tree->Filter().mode != 0) {
          tree->SetFilter(CategoryFilter{});
          tree->Refresh();
          tree->SelectRecord(id);
        }
        if (tree->SelectedItem() && tree->SelectedItem()->recordId == id) tree->DeleteSelectedItem();
      }
      Refill();
      mgr->OnCommand(CMD_IMAGE_CENTER);
      return true;
    }
    default: return false;
  }
}

}  // namespace quillet
