#include "windows/gui/TopicTree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "app/gui/Ansi.h"
#include "app/gui/WndMgr.h"
#include "app/shell/Commands.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/db/CurrentDatabase.h"
#include "windows/gui/TreeIcons.h"

namespace quillet {
namespace {

constexpr int kRecordRole = Qt::UserRole;
constexpr int kIconRole = Qt::UserRole + 1;
// The tree's paper colour.
const QColor kTreeBackground(0xF7, 0xF3, 0xE9);

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

bool HiddenPrivate(const CRecord& record) { return record.isPrivate != 0 && bShowPrivate == 0; }

// One item: its record, picture and text held as the store has them; Qt
// gets the text, picture and roles from data() when it asks. A tree of
// 100,000 members so costs one small object each instead of a list of
// variants, and texts are made into Qt strings only for the rows shown.
class CTopicTreeItem final : public QTreeWidgetItem {
 public:
  CTopicTreeItem(uint32_t recordId, TreeIcon icon, std::string text)
      : QTreeWidgetItem(UserType), text_(std::move(text)), record_(recordId), icon_(icon) {}

  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          if (!shown_text_.isNull()) return shown_text_;
          // Painting asks for every visible row: no copy of the text here.
          return IsUntitled(text_) ? QString::fromLatin1(kUntitledText) : FromAnsi(text_);
        case Qt::DecorationRole: return TreeIconFor(icon_);
        case kRecordRole: return record_;
        case kIconRole: return static_cast<int>(icon_);
        default: break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

  void setData(int column, int role, const QVariant& value) override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          shown_text_ = value.toString();
          if (shown_text_.isNull()) shown_text_ = QLatin1String("");
          emitDataChanged();
          return;
        case kRecordRole:
          record_ = value.toUInt();
          emitDataChanged();
          return;
        case kIconRole:
          icon_ = static_cast<TreeIcon>(value.toInt());
          emitDataChanged();
          return;
        default: break;
      }
    }
    QTreeWidgetItem::setData(column, role, value);
  }

 private:
  std::string text_;    // as read from the store, until a text is set
  QString shown_text_;  // a text set later (null: none)
  uint32_t record_;
  TreeIcon icon_;
};

// Restores the cursor however a refresh ends.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

bool CTopicTree::dragging = false;
bool CTopicTree::drop_ended = false;

// --- The view ----------------------------------------------------------------

CTopicTreeView::CTopicTreeView(CTopicTree* owner, QWidget* parent)
    : QTreeWidget(parent), owner_(owner) {}

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
  if (hit == CTopicTree::Hit::kButton) item->setExpanded(!item->isExpanded());
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
  if (CWndMgr* mgr = owner_->manager()) mgr->ShowContextMenu(this, event->globalPos());
}

// --- The tree ------------------------------------------------------------------

CTopicTree::CTopicTree() : CTreeObject(kKindCodeTopic) {}

CTopicTree::~CTopicTree() {
  delete drag_image_.data();
  delete view_.data();
}

bool CTopicTree::Create(QWidget* parent) {
  view_ = new CTopicTreeView(this, parent);
  view_->setObjectName("TopicTree");
  view_->setColumnCount(1);
  view_->setHeaderHidden(true);
  view_->setRootIsDecorated(true);
  view_->setIconSize(QSize(20, 20));
  view_->setIndentation(18);
  view_->setUniformRowHeights(true);
  view_->setExpandsOnDoubleClick(false);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  view_->header()->setStretchLastSection(false);
  view_->setTextElideMode(Qt::ElideNone);
  view_->setFrameShape(QFrame::StyledPanel);
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->setAcceptDrops(true);  // reference files from the desktop
  view_->viewport()->setAcceptDrops(true);
  QPalette pal = view_->palette();
  pal.setColor(QPalette::Base, kTreeBackground);
  // The selection stays visible when the focus is elsewhere.
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  view_->setPalette(pal);
  view_->setStyleSheet(
      "QTreeView#TopicTree { show-decoration-selected: 0; }"
      "QTreeView#TopicTree::item { padding: 1px 2px; }");
  connect(view_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
  view_->hide();
  return true;
}

QWidget* CTopicTree::widget() const { return view_; }

uint32_t CTopicTree::RecordOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kRecordRole).toUInt() : 0;
}

TreeIcon CTopicTree::IconOfItem(const QTreeWidgetItem* item) {
  return item ? static_cast<TreeIcon>(item->data(0, kIconRole).toInt()) : TreeIcon::kNone;
}

QTreeWidgetItem* CTopicTree::MakeItem(uint32_t recordId, TreeIcon icon, std::string text) const {
  return new CTopicTreeItem(recordId, icon, std::move(text));
}

TopicFilter CTopicTree::CoreFilter() const { return {filter_.mode, filter_.categoryId}; }

void CTopicTree::Populate(const std::vector<TreeTopicItem>& topics) {
  Populate(std::vector<TreeTopicItem>(topics));
}

void CTopicTree::Populate(std::vector<TreeTopicItem>&& topics) {
  view_->clear();
  QList<QTreeWidgetItem*> roots;
  roots.reserve(static_cast<qsizetype>(topics.size()));
  for (TreeTopicItem& topic : topics) {
    QTreeWidgetItem* root = MakeItem(topic.recordId, TreeIcon::kTopic, std::move(topic.text));
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(topic.members.size()));
    for (TreeMemberItem& m : topic.members)
      children.append(MakeItem(m.recordId, m.icon, std::move(m.text)));
    root->addChildren(children);
    roots.append(root);
  }
  view_->addTopLevelItems(roots);
}

void CTopicTree::Fill() {
  if (!view_) return;
  const QSignalBlocker block(view_);
  Populate(CollectTopicTree(CoreFilter(), CurrentOutputFolder(), pictures_, &last_fill_));
}

void CTopicTree::Show(bool show, bool enabled) {
  if (!view_) return;
  view_->setEnabled(enabled);
  view_->setVisible(show);
}

void CTopicTree::Move(const QRect& rect) {
  if (view_) view_->setGeometry(rect);
}

void CTopicTree::RefreshSelecting(uint32_t recordId, bool expand) {
  if (!view_) return;
  const bool shown = view_->isVisible();
  WaitCursor wait;
  if (shown) view_->hide();
  Fill();
  if (recordId != 0) {
    if (QTreeWidgetItem* item = FindItem(recordId)) {
      Select(item, false);
      if (expand) TopLevelAncestor(item)->setExpanded(true);
    }
  }
  if (shown) view_->show();
  view_->viewport()->update();
}

void CTopicTree::Refresh() {
  // The selected record stays selected when it is still shown.
  RefreshSelecting(RecordOf(view_ ? view_->currentItem() : nullptr), false);
}

void CTopicTree::RefreshAndSelect(uint32_t recordId, bool expand) {
  RefreshSelecting(recordId, expand);
}

std::optional<TreeItemRef> CTopicTree::SelectedItem() const {
  QTreeWidgetItem* item = view_ ? view_->currentItem() : nullptr;
  if (!item || !item->isSelected()) return std::nullopt;
  TreeItemRef ref;
  ref.recordId = RecordOf(item);
  const CRecord* record = FindRecord(ref.recordId);
  ref.recordKind = record ? record->kind : (item->parent() ? 0u : kKindTopic);
  ref.handle = item;
  return ref;
}

QTreeWidgetItem* CTopicTree::FindItem(uint32_t recordId) const {
  if (!view_ || recordId == 0) return nullptr;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = view_->topLevelItem(i);
    if (RecordOf(root) == recordId) return root;
    for (int j = 0; j < root->childCount(); ++j)
      if (RecordOf(root->child(j)) == recordId) return root->child(j);
  }
  return nullptr;
}

QTreeWidgetItem* CTopicTree::TopLevelAncestor(QTreeWidgetItem* item) {
  while (item && item->parent()) item = item->parent();
  return item;
}

bool CTopicTree::Select(QTreeWidgetItem* item, bool expand) {
  if (!view_ || !item) {
    ShowStringMessage(IDS_NOT_IN_TOPICS, kCaption, kMbOk | kMbIconExclamation);
    return false;
  }
  if (expand) item->setExpanded(true);
  view_->scrollToItem(item);
  view_->setCurrentItem(item);
  item->setSelected(true);
  return true;
}

bool CTopicTree::SelectRecord(uint32_t recordId) { return Select(FindItem(recordId), false); }

void CTopicTree::ForgetSelection() {
  current_topic_ = 0;
  if (!view_) return;
  const QSignalBlocker block(view_);
  view_->setCurrentItem(nullptr);
  view_->clearSelection();
}

void CTopicTree::ClearSelectionMarks() {
  if (!view_) return;
  // The highlight goes; the topic that was current stays current for the
  // New commands.
  const uint32_t keep = current_topic_;
  view_->clearSelection();
  current_topic_ = keep;
}

void CTopicTree::SelectCurrent() {
  if (!view_) return;
  if (QTreeWidgetItem* item = view_->currentItem()) item->setSelected(true);
}

void CTopicTree::SetAllExpanded(bool expanded) {
  if (!view_) return;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) view_->topLevelItem(i)->setExpanded(expanded);
}

void CTopicTree::ExpandAll() { SetAllExpanded(true); }
void CTopicTree::CollapseAll() { SetAllExpanded(false); }

void CTopicTree::MakeCurrentTopic(uint32_t topicId) { current_topic_ = topicId; }

void CTopicTree::OnCurrentItemChanged(QTreeWidgetItem* current) {
  drop_ended = false;
  if (QTreeWidgetItem* root = TopLevelAncestor(current)) current_topic_ = RecordOf(root);
}

uint32_t CTopicTree::CurrentTopic() const {
  uint32_t topic = current_topic_;
  if (view_)
    if (QTreeWidgetItem* selected = view_->currentItem())
      if (selected->isSelected()) topic = RecordOf(TopLevelAncestor(selected));
  return FindTopic(topic) != nullptr ? topic : 0;
}

// --- Changes from the record windows ---------------------------------------------

void CTopicTree::InsertMember(CRecord& record) {
  const uint32_t topic = CurrentTopic();
  if (topic == 0) return;
  if (!AppendMemberToTopic(topic, record.recordId)) return;
  if (view_ && !HiddenPrivate(record)) {
    if (QTreeWidgetItem* root = FindItem(topic); root && !root->parent()) {
      TreeMemberItem entry = MemberItem(record, TextCut::kMarked);
      QTreeWidgetItem* item = MakeItem(entry.recordId, entry.icon, entry.text);
      root->addChild(item);
      root->setExpanded(true);
      Select(item, false);
    }
  }
  MakeCurrentTopic(topic);
  WindowHost().RebuildReport(topic);
}

void CTopicTree::UpdateMember(const CRecord& record) {
  if (record.isPrivate) return;
  if (QTreeWidgetItem* item = FindItem(record.recordId))
    item->setText(0, FromAnsi(ShownItemText(MemberItemText(record, TextCut::kMarked))));
}

void CTopicTree::InsertTopic(const CTopicRecord& topic) {
  if (view_ && CoreFilter().Passes(topic) && !HiddenPrivate(topic) && !FindItem(topic.recordId)) {
    int pos = 0;
    const int n = view_->topLevelItemCount();
    while (pos < n) {
      QTreeWidgetItem* root = view_->topLevelItem(pos);
      // By the titles themselves: an empty one shows a text of its own.
      const CTopicRecord* shown = FindTopic(RecordOf(root));
      const std::string title = shown ? shown->title : ToAnsi(root->text(0));
      if (CompareTopics(title, RecordOf(root), topic.title, topic.recordId) > 0) break;
      ++pos;
    }
    view_->insertTopLevelItem(pos, MakeItem(topic.recordId, TreeIcon::kTopic, topic.title));
  }
  MakeCurrentTopic(topic.recordId);
  WindowHost().RebuildReport(topic.recordId);
}

void CTopicTree::UpdateTopic(const CTopicRecord& topic) {
  if (QTreeWidgetItem* item = FindItem(topic.recordId); item && !item->parent())
    item->setText(0, FromAnsi(ShownItemText(topic.title)));
}

void CTopicTree::RemoveItem(uint32_t recordId) {
  QTreeWidgetItem* item = FindItem(recordId);
  if (!item) return;
  QTreeWidgetItem* topic = item->parent();
  const bool wasCurrent = view_ && view_->currentItem() == item;
  delete item;
  // The selection goes to the member's topic, not to whichever neighbour
  // the tree would pick.
  if (wasCurrent && topic) Select(topic, false);
}

void CTopicTree::AppendTopicItem(const CTopicRecord& topic) {
  if (view_ && CoreFilter().Passes(topic) && !HiddenPrivate(topic) && !FindItem(topic.recordId))
    view_->addTopLevelItem(MakeItem(topic.recordId, TreeIcon::kTopic, topic.title));
}

void CTopicTree::AppendMemberItem(uint32_t topicId, const CRecord& member) {
  if (!view_ || HiddenPrivate(member)) return;
  if (QTreeWidgetItem* root = FindItem(topicId); root && !root->parent()) {
    const TreeMemberItem entry = MemberItem(member, TextCut::kPlain);
    root->addChild(MakeItem(entry.recordId, entry.icon, entry.text));
  }
}

void CTopicTree::SelectCopy(uint32_t topicId) {
  if (Select(FindItem(topicId), true)) MakeCurrentTopic(topicId);
}

// --- Delete ----------------------------------------------------------------------

void CTopicTree::DeleteSelected(bool ask) {
  QTreeWidgetItem* item = view_ ? view_->currentItem() : nullptr;
  if (!item) return;
  if (ask && !ConfirmDelete(true)) {
    SaveStoreOrTell();
    return;
  }
  const uint32_t id = RecordOf(item);
  const uint32_t topic = item->parent() ? RecordOf(TopLevelAncestor(item)) : 0;
  const bool focused = view_->hasFocus();
  const DeleteOutcome out = DeleteTreeRecord(id, IconOfItem(item), CurrentOutputFolder(), pictures_);
  if (!out.deleted) return;
  if (current_topic_ == id) current_topic_ = 0;
  delete item;
  WindowHost().RefreshImageLists();
  // A member's topic is shown as it is now, without the member; a deleted
  // topic leaves the topic centre.
  QTreeWidgetItem* root = topic ? FindItem(topic) : nullptr;
  if (root) {
    Select(root, false);
    MakeCurrentTopic(topic);
    WindowHost().SendCommand(CMD_VIEW_TOPIC);
  } else {
    WindowHost().SendCommand(CMD_TOPIC_CENTER);
  }
  if (focused && view_ && view_->isVisible()) view_->setFocus(Qt::OtherFocusReason);
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
    const bool onButton = item->childCount() > 0 && pos.x() >= cell.left() - view_->indentation();
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
  if (drop_target_) drop_target_->setBackground(0, drop_target_brush_);
  drop_target_ = item;
  if (drop_target_) {
    drop_target_brush_ = drop_target_->background(0);
    drop_target_->setBackground(0, view_->palette().color(QPalette::Highlight).lighter(160));
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
      TopLevelAncestor(target)->setExpanded(true);
      drop_ended = false;
      break;
    case DropResult::kReordered:
      RefreshSelecting(out.receivingTopic, false);
      Select(FindItem(target_id), false);
      if (QTreeWidgetItem* root = FindItem(out.receivingTopic)) root->setExpanded(true);
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
