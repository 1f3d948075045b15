// The topic tree: its window, what is selected and current, the changes
// the record windows make to single items, and Delete. Filling it is
// TopicTreeFill.cpp's; clicks, keys and dragging are TopicTreeMouse.cpp's.
#include "widgets/records/TopicTree.h"

#include <QApplication>
#include <QHeaderView>

#include <algorithm>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Palettes.h"
#include "widgets/records/TopicTreeItem.h"
#include "widgets/records/TreeIcons.h"

namespace quillet {
namespace {

// Restores the cursor however a refresh ends.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

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
  // Paper with dark text in a light palette, the palette's own base and
  // text in a dark one; the selection stays visible when the focus is
  // elsewhere.
  FollowAppPalette(view_, [](const QPalette& app) { return SelectionKept(PaperPalette(app)); });
  view_->setAccessibleName(tr("Topics"));
  view_->setAccessibleDescription(tr("The topics with their notes, pictures and references"));
  // The one column's header is hidden; a screen reader still reads its title.
  view_->setHeaderLabels({tr("Topic")});
  view_->setStyleSheet(
      "QTreeView#TopicTree { show-decoration-selected: 0; }"
      "QTreeView#TopicTree::item { padding: 1px 2px; }");
  connect(view_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
  // The open topics, so that a refill closes them without asking every
  // topic (Qt answers that slowly).
  // A topic opened by the keyboard or from outside the tree gets its member
  // items here (the tree's own ways make them before they open it).
  connect(view_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (item->parent()) return;
    open_topics_.insert(RecordOf(item));
    MakeMembers(item);
  });
  connect(view_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (!item->parent()) open_topics_.erase(RecordOf(item));
  });
  view_->hide();
  return true;
}

QWidget* CTopicTree::widget() const { return view_; }

uint32_t CTopicTree::RecordOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kTreeRecordRole).toUInt() : 0;
}

TreeIcon CTopicTree::IconOfItem(const QTreeWidgetItem* item) {
  return item ? static_cast<TreeIcon>(item->data(0, kTreeIconRole).toInt()) : TreeIcon::kNone;
}

TopicFilter CTopicTree::CoreFilter() const { return {filter_.mode, filter_.categoryId}; }

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
  // The topics the user opened stay open where they are still shown.
  const std::vector<uint32_t> open = OpenTopics();
  Fill();
  ReopenTopics(open);
  if (recordId != 0) {
    if (QTreeWidgetItem* item = FindItem(recordId)) {
      Select(item, false);
      if (expand) Open(TopLevelAncestor(item));
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

QTreeWidgetItem* CTopicTree::FindItem(uint32_t recordId) const { return Find(recordId, true); }

QTreeWidgetItem* CTopicTree::Find(uint32_t recordId, bool make) const {
  if (!view_ || recordId == 0) return nullptr;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = view_->topLevelItem(i);
    if (RecordOf(root) == recordId) return root;
    if (const CTopicTreeItem* topic = OurItem(root); topic != nullptr && topic->HasPendingMembers()) {
      const uint32_t first = topic->PendingFirst();
      for (uint32_t k = first; k < first + topic->PendingCount(); ++k) {
        if (pending_.members[k].recordId != recordId) continue;
        if (!make) return root;
        MakeMembers(root);
        return root->child(static_cast<int>(k - first));
      }
      continue;
    }
    for (int j = 0; j < root->childCount(); ++j)
      if (RecordOf(root->child(j)) == recordId) return root->child(j);
  }
  return nullptr;
}

// --- Member items made when asked -------------------------------------------------

uint32_t CTopicTree::PendingMembers::Add(const TreeRows& rows, const TreeRows::Topic& topic) {
  const uint32_t first = static_cast<uint32_t>(members.size());
  for (uint32_t m = topic.firstMember; m < topic.firstMember + topic.memberCount; ++m) {
    Member member = rows.members[m];
    member.textAt = static_cast<uint32_t>(text.size());
    members.push_back(member);
    text.append(rows.TextOf(rows.members[m]));
  }
  return first;
}

void CTopicTree::MakeMembers(QTreeWidgetItem* item) const {
  CTopicTreeItem* topic = OurItem(item);
  if (topic == nullptr || !topic->HasPendingMembers()) return;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(topic->PendingCount()));
  const uint32_t first = topic->PendingFirst();
  for (uint32_t k = first; k < first + topic->PendingCount(); ++k) {
    const PendingMembers::Member& m = pending_.members[k];
    items.append(new CTopicTreeItem(m.recordId, m.icon,
                                    CpText(std::string_view(pending_.text.data() + m.textAt, m.textSize))));
  }
  // The items are the members the fill read: the topic's members stay
  // known (adding them would forget them).
  const bool known = topic->MembersKnown();
  const uint64_t digest = topic->MembersDigest();
  topic->PendMembers(0, 0);
  topic->insertChildren(0, items);
  if (known) topic->KnowMembers(digest);
}

void CTopicTree::Open(QTreeWidgetItem* topic) {
  if (topic == nullptr) return;
  MakeMembers(topic);
  topic->setExpanded(true);
}

bool CTopicTree::MembersMade(const QTreeWidgetItem* topic) {
  const CTopicTreeItem* ours = OurItem(topic);
  return ours == nullptr || !ours->HasPendingMembers();
}

int CTopicTree::MemberCount(const QTreeWidgetItem* topic) const {
  if (topic == nullptr) return 0;
  const CTopicTreeItem* ours = OurItem(topic);
  return topic->childCount() + (ours != nullptr ? static_cast<int>(ours->PendingCount()) : 0);
}

std::vector<uint32_t> CTopicTree::MemberIds(const QTreeWidgetItem* topic) const {
  std::vector<uint32_t> ids;
  if (topic == nullptr) return ids;
  if (const CTopicTreeItem* ours = OurItem(topic); ours != nullptr && ours->HasPendingMembers()) {
    for (uint32_t k = ours->PendingFirst(); k < ours->PendingFirst() + ours->PendingCount(); ++k)
      ids.push_back(pending_.members[k].recordId);
  }
  for (int j = 0; j < topic->childCount(); ++j) ids.push_back(RecordOf(topic->child(j)));
  return ids;
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
  if (expand) Open(item);
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
  // Another store's topics may carry the same numbers: none opens again.
  for (uint32_t id : open_topics_)
    if (QTreeWidgetItem* item = Find(id, false)) item->setExpanded(false);
  open_topics_.clear();
}

std::vector<uint32_t> CTopicTree::OpenTopics() const {
  return std::vector<uint32_t>(open_topics_.begin(), open_topics_.end());
}

void CTopicTree::ReopenTopics(const std::vector<uint32_t>& topics) {
  if (!view_) return;
  for (uint32_t id : topics)
    if (QTreeWidgetItem* item = Find(id, false); item && !item->parent() && RecordOf(item) == id) Open(item);
}

void CTopicTree::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  if (changes.empty()) return;
  current_topic_ = RenumberedId(changes, current_topic_);
  dragged_id_ = RenumberedId(changes, dragged_id_);
  dragged_topic_ = RenumberedId(changes, dragged_topic_);
  std::unordered_set<uint32_t> open;
  for (uint32_t id : open_topics_) open.insert(RenumberedId(changes, id));
  open_topics_ = std::move(open);
  if (!view_) return;
  // The items stay where they are, selected or not; only the record they
  // stand for has another number now.
  auto follow = [&changes](QTreeWidgetItem* item) {
    const uint32_t id = RecordOf(item);
    const uint32_t now = RenumberedId(changes, id);
    if (now != id) item->setData(0, kTreeRecordRole, now);
  };
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = view_->topLevelItem(i);
    follow(root);
    for (int j = 0; j < root->childCount(); ++j) follow(root->child(j));
  }
  // Members whose items are not made yet are made with their new numbers.
  for (PendingMembers::Member& m : pending_.members) m.recordId = RenumberedId(changes, m.recordId);
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
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* topic = view_->topLevelItem(i);
    if (expanded) Open(topic);
    else topic->setExpanded(false);
  }
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
      MakeMembers(root);  // the new one comes after those there
      root->addChild(item);
      Open(root);
      Select(item, false);
    }
  }
  // Its page is built when the record window, its save done, shows the
  // topic: not here, before the save (twice, and a page for a member that
  // may not be saved).
  MakeCurrentTopic(topic);
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
      CpText title;
      if (shown) title = shown->title;
      else ToAnsiExact(root->text(0), &title);  // a text the tree was given: the code page's own
      if (CompareTopics(title.view(), RecordOf(root), topic.title.view(), topic.recordId) > 0) break;
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
    MakeMembers(root);
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

}  // namespace quillet
