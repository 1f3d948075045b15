// CTopicTree: the topics of the current category filter as root items,
// their notes, pictures, sketches and references as children (in a large
// tree made when their topic is first opened: kMembersMadeAtOnce).
//
// A click opens the record under the pointer (by sending its command to the
// main window), dragging a member moves it within or between topics, the
// Delete key deletes the selected item. The tree's items carry the record
// id and the kind of picture they show.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "desktop/records/PictureFiles.h"
#include "desktop/records/TopicTreeModel.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/records/WindowHost.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CTopicTree;

// The tree window itself: routes mouse and key events to CTopicTree.
class CTopicRowDelegate;

class CTopicTreeView : public QTreeWidget {
  Q_OBJECT
 public:
  CTopicTreeView(CTopicTree* owner, QWidget* parent);
  QTreeWidgetItem* ItemOf(const QModelIndex& index) const { return itemFromIndex(index); }

 protected:
  // A new font or style drops the rows' kept sizes.
  void changeEvent(QEvent* event) override;
  // Members added or taken out: their topic's members are no longer known
  // (TopicTreeItem.h).
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Reference files from the desktop (TopicTreeDrop.cpp).
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The first paint has the rest of the rows measured for the column's
  // width (see the constructor).
  void paintEvent(QPaintEvent* event) override;

 private:
  CTopicTree* owner_;
  CTopicRowDelegate* rows_;
  bool measured_all_ = false;
  QPoint press_pos_;
  bool pressed_on_member_ = false;
  bool press_consumed_ = false;
};

class CTopicTree : public QObject, public CTreeObject, public ITopicTreeOps {
  Q_OBJECT
 public:
  // Where a press landed.
  enum class Hit : uint8_t { kNowhere, kRightOfText, kIndent, kButton, kLabel };

  CTopicTree();
  ~CTopicTree() override;

  // CTreeObject.
  bool Create(QWidget* parent) override;
  void Fill() override;
  void Show(bool show, bool enabled = true) override;
  void Move(const QRect& rect) override;
  void Refresh() override;
  std::optional<TreeItemRef> SelectedItem() const override;
  bool SelectRecord(uint32_t recordId) override;
  bool ShowsRecord(uint32_t recordId) const override { return Find(recordId, false) != nullptr; }
  void ForgetSelection() override;
  std::vector<uint32_t> OpenTopics() const override;
  void ReopenTopics(const std::vector<uint32_t>& topics) override;
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;
  void ClearSelectionMarks() override;
  void SelectCurrent() override;
  uint32_t CurrentTopicId() const override { return CurrentTopic(); }
  void SetCurrentTopicId(uint32_t topicId) override { MakeCurrentTopic(topicId); }
  void DeleteSelectedItem() override { DeleteSelected(true); }
  void ExpandAll() override;
  void CollapseAll() override;
  CategoryFilter Filter() const override { return filter_; }
  void SetFilter(const CategoryFilter& filter) override { filter_ = filter; }
  QWidget* widget() const override;

  // ITopicTreeOps.
  void InsertMember(CRecord& record) override;
  void UpdateMember(const CRecord& record) override;
  void InsertTopic(const CTopicRecord& topic) override;
  void UpdateTopic(const CTopicRecord& topic) override;
  void RemoveItem(uint32_t recordId) override;
  void RefreshAndSelect(uint32_t recordId, bool expand) override;
  uint32_t CurrentTopic() const override;
  void AppendTopicItem(const CTopicRecord& topic) override;
  void AppendMemberItem(uint32_t topicId, const CRecord& member) override;
  void SelectCopy(uint32_t topicId) override;

  // Fills the tree again and selects the record's item (none for 0),
  // hidden meanwhile and with the wait cursor.
  void RefreshSelecting(uint32_t recordId, bool expand);
  // Builds the items anew from texts already read (TopicTreeFill.cpp).
  void Populate(const std::vector<TreeTopicItem>& topics);
  void Populate(std::vector<TreeTopicItem>&& topics);
  // Takes over the rows' members and their texts (the topics are left).
  void Populate(TreeRows&& rows);
  // Makes the items there those of `rows`, keeping the ones that stay;
  // false, having changed nothing, when the tree is empty or too different
  // to be worth it (it is then built anew).
  bool Update(const TreeRows& rows);
  // The item of a record, searched over every item; null when not shown.
  // A member of a topic whose member items are not made yet has them made.
  QTreeWidgetItem* FindItem(uint32_t recordId) const;

  // A fill makes every member item at once while the tree shows at most
  // this many members. A larger tree makes a topic's member items when the
  // topic is first opened, or when one of them is asked for (FindItem, and
  // so selecting, a drop, a record window's change), so that a start on a
  // store of 100,000 records makes its thousands of topics and no more;
  // the items made are those a fill would have made, in the same order.
  static constexpr size_t kMembersMadeAtOnce = 2000;
  void SetMembersMadeAtOnce(size_t most) { members_at_once_ = most; }
  // Makes the topic's member items when they are not made yet.
  void MakeMembers(QTreeWidgetItem* topic) const;
  // Opens a topic, its member items made first.
  void Open(QTreeWidgetItem* topic);
  // Whether a topic's member items are all made (true for a member).
  static bool MembersMade(const QTreeWidgetItem* topic);
  // A topic's members, made as items or not: how many, and their records
  // in order.
  int MemberCount(const QTreeWidgetItem* topic) const;
  std::vector<uint32_t> MemberIds(const QTreeWidgetItem* topic) const;
  static QTreeWidgetItem* TopLevelAncestor(QTreeWidgetItem* item);
  // Shows and selects the item (no expansion unless asked); string 241
  // when there is none.
  bool Select(QTreeWidgetItem* item, bool expand);
  // Deletes the selected item's record, asking first with `ask`.
  void DeleteSelected(bool ask);

  // Pointer handling, called by the view (and by tests).
  Hit HitTest(const QPoint& pos, QTreeWidgetItem** item) const;
  // Sends the command that opens the record of `item` (3058 for none).
  void OpenItem(QTreeWidgetItem* item);
  bool BeginDrag(QTreeWidgetItem* item, const QPoint& viewportPos);
  void DragMove(const QPoint& viewportPos);
  void EndDrag();
  QTreeWidgetItem* dropTarget() const { return drop_target_; }

  // .bib and .ris files dragged from the desktop onto a topic or one of its
  // members are imported into that topic (TopicTreeDrop.cpp).
  static std::vector<std::string> ReferenceFiles(const QMimeData* mime);
  // The topic of the item at a viewport position; 0 over no item.
  uint32_t TopicAt(const QPoint& viewportPos) const;
  // Marks the topic under a file drag; false when there is none to drop on.
  bool FileDragOver(const QMimeData* mime, const QPoint& viewportPos);
  // Imports the files dropped at the position (once the drop has ended);
  // false when nothing is taken.
  bool DropFiles(const QMimeData* mime, const QPoint& viewportPos);

  static uint32_t RecordOf(const QTreeWidgetItem* item);
  static TreeIcon IconOfItem(const QTreeWidgetItem* item);

  // A drag is running; a drop has just ended (both suppress opening).
  static bool dragging;
  static bool drop_ended;

  const TreeFillReport& lastFill() const { return last_fill_; }
  CPictureFiles& pictures() { return *pictures_; }
  // The picture files the fills write through (not owned; null: the tree's
  // own, written at once).
  void UsePictureFiles(CPictureFiles* pictures) { pictures_ = pictures ? pictures : &own_pictures_; }
  QTreeWidget* view() const { return view_; }

 private:
  // The members of topics whose items are not made yet: each such topic
  // names its run here (TopicTreeItem.h), with the texts a fill read.
  struct PendingMembers {
    using Member = TreeRows::Member;  // textAt in `text`
    std::vector<Member> members;
    std::string text;
    // Appends a topic's members from `rows`; the first one's place.
    uint32_t Add(const TreeRows& rows, const TreeRows::Topic& topic);
  };

  QTreeWidgetItem* MakeItem(uint32_t recordId, TreeIcon icon, CpText text) const;
  // FindItem, a member of a topic not made yet found as its topic (make
  // false) or made (true).
  QTreeWidgetItem* Find(uint32_t recordId, bool make) const;
  // Drops the pending members no topic names any more.
  void KeepNamedPending();
  // Whether a fill of `rows` leaves member items to be made when asked.
  bool MakesMembersLater(const TreeRows& rows) const { return rows.members.size() > members_at_once_; }
  void SetDropTarget(QTreeWidgetItem* item);
  void OnCurrentItemChanged(QTreeWidgetItem* current);
  void MakeCurrentTopic(uint32_t topicId);
  void SetAllExpanded(bool expanded);
  TopicFilter CoreFilter() const;

  QPointer<CTopicTreeView> view_;
  QPointer<QLabel> drag_image_;
  CategoryFilter filter_;
  uint32_t current_topic_ = 0;
  uint32_t dragged_id_ = 0;
  uint32_t dragged_topic_ = 0;
  QTreeWidgetItem* drop_target_ = nullptr;
  QBrush drop_target_brush_;
  QBrush drop_target_text_;  // its text colour before, put back with the brush
  CPictureFiles own_pictures_;
  CPictureFiles* pictures_ = &own_pictures_;
  TreeFillReport last_fill_;
  std::unordered_set<uint32_t> open_topics_;  // record ids of the topics open
  size_t members_at_once_ = kMembersMadeAtOnce;
  PendingMembers pending_;
};

}  // namespace quillet
