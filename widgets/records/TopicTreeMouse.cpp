// Clicks, keys and dragging in the topic tree: where a press lands, the
// command that opens the record under it, the keys that move and open, and
// members dragged within or between topics. Files dragged in from the
// desktop are TopicTreeDrop.cpp's.
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QHeaderView>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "desktop/records/TreeEdits.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "widgets/kit/Palettes.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicTreeItem.h"

namespace quillet {
namespace {

// The rows Qt measures for the column's width (its own default).
constexpr int kRowsMeasured = 1000;

uint32_t CommandForIcon(TreeIcon icon) {
  switch (icon) {
    case TreeIcon::kTopic: return CMD_VIEW_TOPIC;
    case TreeIcon::kNote: return CMD_NOTE;
    case TreeIcon::kReference: return CMD_CUSTOM;
    case TreeIcon::kImage: return CMD_VIEW_IMAGE;
    case TreeIcon::kSketch: return CMD_SKETCH;
    case TreeIcon::kNone: break;
  }
  return 0;
}

}  // namespace

bool CTopicTree::dragging = false;
bool CTopicTree::drop_ended = false;

// --- The view ----------------------------------------------------------------

CTopicTreeView::CTopicTreeView(CTopicTree* owner, QWidget* parent)
    : QTreeWidget(parent),
      owner_(owner),
      rows_(new CTopicRowDelegate(this, [](const QObject* view, const QModelIndex& index) {
        return static_cast<const CTopicTreeView*>(view)->ItemOf(index);
      })) {
  setItemDelegate(rows_);
  // The column is as wide as its texts, which Qt measures over up to a
  // thousand rows around those in view, each text laid out: milliseconds
  // in a large tree. Until the tree is first painted only the rows in view
  // are measured, so that it shows at once; the others right after.
  header()->setResizeContentsPrecision(0);
}

void CTopicTreeView::paintEvent(QPaintEvent* event) {
  QTreeWidget::paintEvent(event);
  if (measured_all_) return;
  measured_all_ = true;
  QTimer::singleShot(0, this, [this] {
    header()->setResizeContentsPrecision(kRowsMeasured);
    header()->resizeSections(QHeaderView::ResizeToContents);
  });
}

void CTopicTreeView::rowsInserted(const QModelIndex& parent, int start, int end) {
  if (QTreeWidgetItem* topic = itemFromIndex(parent); topic && topic->type() == QTreeWidgetItem::UserType)
    static_cast<CTopicTreeItem*>(topic)->ForgetMembers();
  QTreeWidget::rowsInserted(parent, start, end);
}

void CTopicTreeView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  if (QTreeWidgetItem* topic = itemFromIndex(parent); topic && topic->type() == QTreeWidgetItem::UserType)
    static_cast<CTopicTreeItem*>(topic)->ForgetMembers();
  QTreeWidget::rowsAboutToBeRemoved(parent, start, end);
}

void CTopicTreeView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
      event->type() == QEvent::ApplicationFontChange)
    rows_->Forget();
  QTreeWidget::changeEvent(event);
}

void CTopicTreeView::mousePressEvent(QMouseEvent* event) {
  press_pos_ = event->position().toPoint();
  QTreeWidgetItem* item = nullptr;
  const CTopicTree::Hit hit = owner_->HitTest(press_pos_, &item);
  pressed_on_member_ = false;
  press_consumed_ = hit == CTopicTree::Hit::kNowhere || hit == CTopicTree::Hit::kRightOfText ||
                    hit == CTopicTree::Hit::kIndent;
  if (press_consumed_) {
    // The right button's menu comes with the press; the left button's click
    // is complete at the release.
    if (event->button() == Qt::RightButton && hit != CTopicTree::Hit::kIndent) owner_->OpenItem(nullptr);
    return;
  }
  // Selection without expansion; the button still opens and closes.
  if (hit == CTopicTree::Hit::kButton) {
    if (item->isExpanded()) item->setExpanded(false);
    else owner_->Open(item);
  }
  owner_->Select(item, false);
  if (event->button() == Qt::RightButton) owner_->OpenItem(item);
  pressed_on_member_ = event->button() == Qt::LeftButton && item->parent() != nullptr;
}

void CTopicTreeView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (CTopicTree::dragging) {
    owner_->DragMove(pos);
    return;
  }
  if (pressed_on_member_ && (event->buttons() & Qt::LeftButton) &&
      (pos - press_pos_).manhattanLength() >= QApplication::startDragDistance()) {
    pressed_on_member_ = false;
    owner_->BeginDrag(itemAt(press_pos_), pos);
  }
}

void CTopicTreeView::mouseReleaseEvent(QMouseEvent* event) {
  pressed_on_member_ = false;
  if (CTopicTree::dragging) {
    owner_->DragMove(event->position().toPoint());
    owner_->EndDrag();
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  QTreeWidgetItem* item = nullptr;
  const CTopicTree::Hit hit = owner_->HitTest(event->position().toPoint(), &item);
  if (hit == CTopicTree::Hit::kIndent) return;
  if (press_consumed_ || hit == CTopicTree::Hit::kNowhere || hit == CTopicTree::Hit::kRightOfText) {
    owner_->OpenItem(nullptr);
    return;
  }
  owner_->OpenItem(currentItem());
}

void CTopicTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click is two clicks; Qt's own expansion on it is not ours.
  mousePressEvent(event);
}

void CTopicTreeView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
    owner_->DeleteSelected(true);
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
    if (QTreeWidgetItem* item = currentItem()) {
      owner_->Select(item, false);
      owner_->OpenItem(item);
    }
    return;
  }
  // The arrows (and Home, End, Page Up and Down, typing a title's first
  // letters) move as in any tree; the item they reach is opened as a click
  // on it would.
  QTreeWidgetItem* before = currentItem();
  QTreeWidget::keyPressEvent(event);
  QTreeWidgetItem* after = currentItem();
  if (after && after != before) {
    owner_->Select(after, false);
    owner_->OpenItem(after);
  }
}

void CTopicTreeView::contextMenuEvent(QContextMenuEvent* event) {
  if (IShell* mgr = owner_->manager()) mgr->ShowContextMenu(this, event->globalPos());
}

// --- Clicks and drag and drop ---------------------------------------------------------

CTopicTree::Hit CTopicTree::HitTest(const QPoint& pos, QTreeWidgetItem** out) const {
  *out = nullptr;
  if (!view_) return Hit::kNowhere;
  QTreeWidgetItem* item = view_->itemAt(pos);
  if (!item) return Hit::kNowhere;
  *out = item;
  const QRect cell = view_->visualItemRect(item);
  if (pos.x() < cell.left()) {
    const bool onButton = MemberCount(item) > 0 && pos.x() >= cell.left() - view_->indentation();
    return onButton ? Hit::kButton : Hit::kIndent;
  }
  // Icon and text as the item delegate lays them out, with its margins.
  const QFontMetrics fm(item->font(0));
  const int right = cell.left() + view_->iconSize().width() + fm.horizontalAdvance(item->text(0)) + 16;
  return pos.x() > right ? Hit::kRightOfText : Hit::kLabel;
}

void CTopicTree::OpenItem(QTreeWidgetItem* item) {
  if (dragging || drop_ended) return;
  // The keyboard stays in the tree: the window the command shows is for
  // reading, and the arrows go on moving from here.
  const bool focused = view_ && view_->hasFocus();
  if (!item) {
    WindowHost().SendCommand(CMD_TOPIC_CENTER);
  } else if (uint32_t command = CommandForIcon(IconOfItem(item))) {
    WindowHost().SendCommand(command);
  }
  if (focused && view_ && view_->isVisible()) view_->setFocus(Qt::OtherFocusReason);
}

bool CTopicTree::BeginDrag(QTreeWidgetItem* item, const QPoint& viewportPos) {
  if (!view_ || !item || !item->parent()) return false;  // topics stay where they are
  dragged_id_ = RecordOf(item);
  dragged_topic_ = RecordOf(item->parent());
  dragging = true;

  // The drag image: the item's picture and text, following the pointer.
  QWidget* top = view_->window();
  const QString text = item->text(0);
  const QFontMetrics fm(view_->font());
  QPixmap pixmap(24 + fm.horizontalAdvance(text) + 6, std::max(22, fm.height() + 4));
  pixmap.fill(Qt::transparent);
  {
    QPainter p(&pixmap);
    p.setOpacity(0.75);
    p.drawPixmap(1, (pixmap.height() - 20) / 2, item->icon(0).pixmap(20, 20));
    p.setPen(view_->palette().color(QPalette::Text));
    p.drawText(QRect(24, 0, pixmap.width() - 24, pixmap.height()), Qt::AlignVCenter, text);
  }
  delete drag_image_.data();
  drag_image_ = new QLabel(top);
  drag_image_->setAttribute(Qt::WA_TransparentForMouseEvents);
  drag_image_->setPixmap(pixmap);
  drag_image_->resize(pixmap.size());
  drag_image_->show();
  view_->viewport()->setCursor(Qt::DragMoveCursor);
  view_->viewport()->grabMouse();
  DragMove(viewportPos);
  return true;
}

void CTopicTree::SetDropTarget(QTreeWidgetItem* item) {
  if (item == drop_target_) return;
  if (drop_target_) {
    drop_target_->setBackground(0, drop_target_brush_);
    drop_target_->setForeground(0, drop_target_text_);
  }
  drop_target_ = item;
  if (drop_target_) {
    drop_target_brush_ = drop_target_->background(0);
    drop_target_text_ = drop_target_->foreground(0);
    // A pale highlight, its text black or white, whichever reads on it.
    const QColor mark = view_->palette().color(QPalette::Highlight).lighter(160);
    drop_target_->setBackground(0, mark);
    drop_target_->setForeground(0, TextColorOn(mark));
  }
}

void CTopicTree::DragMove(const QPoint& viewportPos) {
  if (!dragging || !view_) return;
  if (drag_image_) {
    const QPoint at = view_->viewport()->mapTo(view_->window(), viewportPos);
    drag_image_->move(at + QPoint(8, 4));
    drag_image_->raise();
  }
  SetDropTarget(view_->itemAt(viewportPos));
}

void CTopicTree::EndDrag() {
  if (!dragging) return;
  if (view_) {
    view_->viewport()->releaseMouse();
    view_->viewport()->unsetCursor();
  }
  delete drag_image_.data();
  dragging = false;
  drop_ended = true;

  QTreeWidgetItem* target = drop_target_;
  SetDropTarget(nullptr);
  if (!target) return;
  const DropSpot from{dragged_id_, dragged_topic_, false};
  const bool onTopic = target->parent() == nullptr;
  const DropSpot to{RecordOf(target), RecordOf(TopLevelAncestor(target)), onTopic};
  const uint32_t target_id = to.recordId;
  const DropOutcome out = ApplyDrop(from, to);
  switch (out.result) {
    case DropResult::kNothing: break;
    case DropResult::kOntoItself:
      Select(target, false);
      Open(TopLevelAncestor(target));
      drop_ended = false;
      break;
    case DropResult::kReordered:
      RefreshSelecting(out.receivingTopic, false);
      Select(FindItem(target_id), false);
      Open(FindItem(out.receivingTopic));
      MakeCurrentTopic(out.receivingTopic);
      WindowHost().RebuildReport(out.receivingTopic);
      WindowHost().SendCommand(CMD_VIEW_TOPIC);
      break;
    case DropResult::kMoved:
      RefreshSelecting(dragged_id_, true);
      MakeCurrentTopic(out.receivingTopic);
      WindowHost().RebuildReport(out.receivingTopic);
      WindowHost().SendCommand(CMD_VIEW_TOPIC);
      break;
  }
  dragged_id_ = dragged_topic_ = 0;
}

}  // namespace quillet
