// Filling the topic tree. A fill after a change to one record (the usual
// case: every record window's OK refreshes the tree) finds nearly every
// item as it was, so the items are kept and only what differs is changed:
// a text, a picture, a member come or gone, a topic moved by its new title.
// A tree that differs in many topics, or an empty one, is built anew. Either
// way the tree ends as a tree built anew would be: the same items in the
// same order with the same texts and pictures, every topic closed, no item
// current or selected, scrolled to the top.
#include <QScrollBar>

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "base/StartMoments.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicTreeItem.h"

namespace quillet {
namespace {

// More topics to move, add or take out than this, and the tree is built
// anew: moving an item among thousands costs about as much as making it.
constexpr size_t kMostTopicMoves = 256;

QList<QTreeWidgetItem*> MemberItems(const TreeRows& rows, uint32_t first, uint32_t count) {
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(count));
  for (uint32_t m = first; m < first + count; ++m)
    items.append(new CTopicTreeItem(rows.members[m].recordId, rows.members[m].icon,
                                    CpText(rows.TextOf(rows.members[m]))));
  return items;
}

// Positions (in `from`) of a longest run of values that increases, as the
// values are met: the items that may stay where they are while the others
// move around them.
std::vector<bool> LongestRising(const std::vector<int>& from) {
  std::vector<int> tails;             // index into `from` of the last value of each length
  std::vector<int> before(from.size(), -1);
  for (int i = 0; i < static_cast<int>(from.size()); ++i) {
    if (from[i] < 0) continue;
    auto at = std::lower_bound(tails.begin(), tails.end(), from[i],
                               [&](int t, int value) { return from[t] < value; });
    if (at != tails.begin()) before[i] = *(at - 1);
    if (at == tails.end()) tails.push_back(i);
    else *at = i;
  }
  std::vector<bool> stays(from.size(), false);
  for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = before[i]) stays[i] = true;
  return stays;
}

// A topic's members made those of `rows`: the runs at both ends whose
// records are the same keep their items (texts and pictures brought up to
// date), the rest between them is replaced, or changed in place when it
// keeps its length. Each item is looked at once.
void UpdateMembers(QTreeWidgetItem* topic, const TreeRows& rows, const TreeRows::Topic& row) {
  const int had = topic->childCount();
  const int want = static_cast<int>(row.memberCount);
  const TreeRows::Member* members = rows.members.data() + row.firstMember;
  // The item at `child` brought up to `member` when it shows that record.
  auto keep = [&](int child, const TreeRows::Member& member) {
    CTopicTreeItem* item = OurItem(topic->child(child));
    if (item == nullptr || item->record() != member.recordId) return false;
    item->Become(member.recordId, member.icon, rows.TextOf(member));
    return true;
  };
  int front = 0;
  while (front < had && front < want && keep(front, members[front])) ++front;
  int back = 0;
  while (back < had - front && back < want - front && keep(had - 1 - back, members[want - 1 - back])) ++back;
  if (had - back - front == want - back - front) {
    for (int i = front; i < had - back; ++i)
      if (CTopicTreeItem* item = OurItem(topic->child(i)))
        item->Become(members[i].recordId, members[i].icon, rows.TextOf(members[i]));
    return;
  }
  for (int i = had - back - 1; i >= front; --i) delete topic->takeChild(i);
  topic->insertChildren(front, MemberItems(rows, row.firstMember + front, want - back - front));
}

}  // namespace

QTreeWidgetItem* CTopicTree::MakeItem(uint32_t recordId, TreeIcon icon, CpText text) const {
  return new CTopicTreeItem(recordId, icon, std::move(text));
}

void CTopicTree::Populate(const std::vector<TreeTopicItem>& topics) {
  Populate(std::vector<TreeTopicItem>(topics));
}

void CTopicTree::Populate(std::vector<TreeTopicItem>&& topics) {
  view_->clear();
  pending_ = PendingMembers{};
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

void CTopicTree::Populate(TreeRows&& rows) {
  view_->clear();
  const bool later = MakesMembersLater(rows);
  QList<QTreeWidgetItem*> roots;
  roots.reserve(static_cast<qsizetype>(rows.topics.size()));
  for (const TreeRows::Topic& topic : rows.topics) {
    auto* root = new CTopicTreeItem(topic.recordId, TreeIcon::kTopic, CpText(topic.text));
    // The rows' members become the pending ones as they are: each topic's
    // run stays where the read put it.
    if (later) root->PendMembers(topic.firstMember, topic.memberCount);
    else root->addChildren(MemberItems(rows, topic.firstMember, topic.memberCount));
    root->KnowMembers(topic.membersDigest);
    roots.append(root);
  }
  pending_ = PendingMembers{};
  if (later) {
    pending_.members = std::move(rows.members);
    pending_.text = std::move(rows.memberText);
  }
  view_->addTopLevelItems(roots);
}

bool CTopicTree::Update(const TreeRows& rows) {
  const int had = view_->topLevelItemCount();
  const int want = static_cast<int>(rows.topics.size());
  if (had == 0) return false;

  // Where each topic to show is now (-1: not shown yet).
  std::vector<int> from(static_cast<size_t>(want), -1);
  bool aligned = had == want;
  for (int i = 0; i < want && aligned; ++i) {
    const CTopicTreeItem* item = OurItem(view_->topLevelItem(i));
    aligned = item != nullptr && item->record() == rows.topics[i].recordId;
    from[i] = i;
  }
  if (!aligned) {
    std::unordered_map<uint32_t, int> at;
    at.reserve(static_cast<size_t>(had));
    for (int i = 0; i < had; ++i) {
      const CTopicTreeItem* item = OurItem(view_->topLevelItem(i));
      if (item == nullptr || !at.emplace(item->record(), i).second) return false;  // not ours, or twice
    }
    size_t fresh = 0;
    for (int i = 0; i < want; ++i) {
      auto it = at.find(rows.topics[i].recordId);
      if (it == at.end()) {
        if (++fresh > kMostTopicMoves) return false;
        from[i] = -1;
      } else {
        from[i] = it->second;
        it->second = -1;  // taken: the same topic once more is built anew
      }
      if (from[i] < 0 && it != at.end()) return false;
    }
    const std::vector<bool> stays = LongestRising(from);
    const size_t staying = static_cast<size_t>(std::count(stays.begin(), stays.end(), true));
    if ((static_cast<size_t>(want) - staying) + (static_cast<size_t>(had) - staying) > kMostTopicMoves)
      return false;
    // Out go the topics that move or are no longer shown, from the last
    // one up so that the positions still hold; the others keep their order.
    std::vector<bool> kept(static_cast<size_t>(had), false);
    for (int i = 0; i < want; ++i)
      if (stays[i]) kept[from[i]] = true;
    std::unordered_map<int, QTreeWidgetItem*> moving;  // by their old position
    for (int i = had - 1; i >= 0; --i) {
      if (kept[i]) continue;
      QTreeWidgetItem* item = view_->takeTopLevelItem(i);
      if (std::find(from.begin(), from.end(), i) != from.end()) moving.emplace(i, item);
      else delete item;
    }
    // In they come where they now belong.
    for (int i = 0; i < want; ++i) {
      if (stays[i]) continue;
      QTreeWidgetItem* item = nullptr;
      if (from[i] >= 0) {
        item = moving[from[i]];
      } else {
        // Without members yet: they come with the others' below.
        item = new CTopicTreeItem(rows.topics[i].recordId, TreeIcon::kTopic, CpText(rows.topics[i].text));
      }
      view_->insertTopLevelItem(i, item);
    }
  }
  // In a large tree the topics whose member items are not made keep their
  // members to be made when asked, those whose members changed, and those
  // without items, get this fill's; in a small one every topic's items are
  // made.
  const bool later = MakesMembersLater(rows);
  size_t named = 0;  // pending members a topic still names
  for (int i = 0; i < want; ++i) {
    QTreeWidgetItem* item = view_->topLevelItem(i);
    const TreeRows::Topic& row = rows.topics[i];
    CTopicTreeItem* topic = OurItem(item);
    if (topic != nullptr) topic->Become(row.recordId, TreeIcon::kTopic, row.text);
    if (later && topic != nullptr && topic->HasPendingMembers() && topic->MembersAre(row.membersDigest)) {
      named += topic->PendingCount();
    } else if (later && topic != nullptr && (topic->HasPendingMembers() || item->childCount() == 0)) {
      topic->PendMembers(pending_.Add(rows, row), row.memberCount);
      topic->KnowMembers(row.membersDigest);
      named += row.memberCount;
    } else if (topic == nullptr || topic->HasPendingMembers() || !topic->MembersAre(row.membersDigest)) {
      if (topic != nullptr) topic->PendMembers(0, 0);  // made now, from this fill's rows
      UpdateMembers(item, rows, row);
      if (topic != nullptr) topic->KnowMembers(row.membersDigest);
    }
    // A tree built anew has every topic closed.
    if (open_topics_.count(row.recordId) != 0) item->setExpanded(false);
  }
  // The runs no topic names any more are dropped once they are most of the
  // list.
  if (named == 0) pending_ = PendingMembers{};
  else if (pending_.members.size() > 2 * named + 64) KeepNamedPending();
  return true;
}

void CTopicTree::KeepNamedPending() {
  PendingMembers kept;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    CTopicTreeItem* topic = OurItem(view_->topLevelItem(i));
    if (topic == nullptr || !topic->HasPendingMembers()) continue;
    const uint32_t first = static_cast<uint32_t>(kept.members.size());
    for (uint32_t k = topic->PendingFirst(); k < topic->PendingFirst() + topic->PendingCount(); ++k) {
      PendingMembers::Member m = pending_.members[k];
      const size_t at = kept.text.size();
      kept.text.append(pending_.text, m.textAt, m.textSize);
      m.textAt = static_cast<uint32_t>(at);
      kept.members.push_back(m);
    }
    topic->PendMembers(first, topic->PendingCount());
  }
  pending_ = std::move(kept);
}

void CTopicTree::Fill() {
  if (!view_) return;
  const QSignalBlocker block(view_);
  NoteStartMoment("until the tree");
  TreeRows rows = ReadTopicTree(CoreFilter(), CurrentOutputFolder(), pictures_, &last_fill_);
  NoteStartMoment("tree read");
  // Nothing current, selected or marked as a drop target, as in a tree
  // built anew; the caller selects what it wants.
  SetDropTarget(nullptr);
  view_->selectionModel()->clear();
  if (!Update(rows)) Populate(std::move(rows));  // leaves `repaired`
  open_topics_.clear();  // closed all, and the signals that say so blocked
  view_->verticalScrollBar()->setValue(0);
  view_->horizontalScrollBar()->setValue(0);
  FinishTreeRead(rows, &last_fill_);
  NoteStartMoment("tree items");
}

}  // namespace quillet
