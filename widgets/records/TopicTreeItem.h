// The topic tree's items and its rows' delegate (TopicTree*.cpp): each item holds
// its record, picture and text as the store has them; Qt gets the text,
// picture and roles from data() when it asks. A tree of 100,000 members so
// costs one small object each instead of a list of variants, and texts are
// made into Qt strings only for the rows shown.
#pragma once

#include <QCoreApplication>
#include <QStyledItemDelegate>
#include <QTreeWidgetItem>

#include <cstdint>
#include <string>
#include <string_view>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TopicTreeModel.h"
#include "widgets/kit/Ansi.h"
#include "widgets/records/TreeIcons.h"

namespace quillet {

// The tree shows kUntitledText in the person's language.
static_assert(std::string_view(kUntitledText) == "(untitled)");

inline constexpr int kTreeRecordRole = Qt::UserRole;
inline constexpr int kTreeIconRole = Qt::UserRole + 1;

class CTopicTreeItem final : public QTreeWidgetItem {
 public:
  CTopicTreeItem(uint32_t recordId, TreeIcon icon, CpText text)
      : QTreeWidgetItem(UserType), text_(std::move(text)), record_(recordId), icon_(icon) {}

  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          if (!shown_text_.isNull()) return shown_text_;
          // Painting asks for every visible row: no copy of the text here.
          return IsUntitled(text_) ? QCoreApplication::translate("TopicTreeItem", "(untitled)") : FromAnsi(text_);
        case Qt::DecorationRole: return IsPrivate() ? PrivateTreeIconFor(icon_) : TreeIconFor(icon_);
        case Qt::AccessibleTextRole:
          // Screen readers hear what the padlock shows.
          if (IsPrivate())
            return QCoreApplication::translate("TopicTreeItem", "%1 (private)").arg(data(0, Qt::DisplayRole).toString());
          break;
        case kTreeRecordRole: return record_;
        case kTreeIconRole: return static_cast<int>(icon_);
        default: break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

  void setData(int column, int role, const QVariant& value) override {
    if (column == 0) {
      size_stamp_ = 0;
      // Set from outside a fill: the topic's members are no longer known.
      if (QTreeWidgetItem* topic = parent(); topic && topic->type() == UserType)
        static_cast<CTopicTreeItem*>(topic)->ForgetMembers();
    }
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          shown_text_ = value.toString();
          if (shown_text_.isNull()) shown_text_ = QLatin1String("");
          emitDataChanged();
          return;
        case kTreeRecordRole:
          record_ = value.toUInt();
          emitDataChanged();
          return;
        case kTreeIconRole:
          icon_ = static_cast<TreeIcon>(value.toInt());
          emitDataChanged();
          return;
        default: break;
      }
    }
    QTreeWidgetItem::setData(column, role, value);
  }

  uint32_t record() const { return record_; }
  // Whether the item's record is private (then shown only while private
  // records are shown), as the current store has it now.
  bool IsPrivate() const {
    const CRecord* record = FindRecord(record_);
    return record != nullptr && record->isPrivate != 0;
  }
  // A topic's members are known to be those of the digest (TreeRows) until
  // one of them is set or added or taken out (ForgetMembers).
  bool MembersAre(uint64_t digest) const { return members_known_ && members_digest_ == digest; }
  void KnowMembers(uint64_t digest) {
    members_known_ = true;
    members_digest_ = digest;
  }
  void ForgetMembers() { members_known_ = false; }
  bool MembersKnown() const { return members_known_; }
  uint64_t MembersDigest() const { return members_digest_; }
  // A topic whose member items are not made yet: they are the run of
  // `count` members at `first` in its tree's pending members (TopicTree.h),
  // made when the topic is first opened or one of them is asked for. The
  // topic shows its button meanwhile.
  void PendMembers(uint32_t first, uint32_t count) {
    pending_first_ = first;
    pending_count_ = count;
    setChildIndicatorPolicy(count > 0 ? ShowIndicator : DontShowIndicatorWhenChildless);
  }
  bool HasPendingMembers() const { return pending_count_ > 0; }
  uint32_t PendingFirst() const { return pending_first_; }
  uint32_t PendingCount() const { return pending_count_; }
  // The size Qt's delegate found for the row, while `stamp` is the one it
  // was found under (0: none); a change of the text or picture drops it.
  QSize sizeHint(uint32_t stamp) const { return stamp == size_stamp_ ? size_hint_ : QSize(); }
  void keepSizeHint(uint32_t stamp, QSize size) {
    size_stamp_ = stamp;
    size_hint_ = size;
  }
  // Makes the item what a new one for this record, picture and text would
  // be (a text set later is dropped); false when it already was.
  bool Become(uint32_t recordId, TreeIcon icon, std::string_view text) {
    if (record_ == recordId && icon_ == icon && shown_text_.isNull() && text_.view() == text) return false;
    record_ = recordId;
    icon_ = icon;
    text_ = CpText(text);
    shown_text_ = QString();
    size_stamp_ = 0;
    emitDataChanged();
    return true;
  }

 private:
  CpText text_;        // as read from the store, until a text is set
  QString shown_text_;  // a text set later (null: none)
  uint32_t record_;
  TreeIcon icon_;
  uint32_t size_stamp_ = 0;
  QSize size_hint_;
  bool members_known_ = false;
  uint64_t members_digest_ = 0;
  uint32_t pending_first_ = 0;
  uint32_t pending_count_ = 0;
};

// The item as ours; null for an item not made by the tree.
inline CTopicTreeItem* OurItem(QTreeWidgetItem* item) {
  return item != nullptr && item->type() == QTreeWidgetItem::UserType ? static_cast<CTopicTreeItem*>(item)
                                                                      : nullptr;
}
inline const CTopicTreeItem* OurItem(const QTreeWidgetItem* item) {
  return item != nullptr && item->type() == QTreeWidgetItem::UserType ? static_cast<const CTopicTreeItem*>(item)
                                                                      : nullptr;
}

// The rows' delegate: Qt's own, but a row keeps the size it measured. A
// column sized to its contents measures up to a thousand rows whenever any
// item changes, each by laying its text out; a refill after one change so
// measured again only the rows that changed. Whatever the rows' sizes
// depend on besides their text and picture (font, style) drops every size
// kept (Forget).
class CTopicRowDelegate final : public QStyledItemDelegate {
 public:
  using ItemOf = QTreeWidgetItem* (*)(const QObject* view, const QModelIndex& index);
  CTopicRowDelegate(QObject* view, ItemOf itemOf) : QStyledItemDelegate(view), item_of_(itemOf) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QTreeWidgetItem* item = index.column() == 0 ? item_of_(parent(), index) : nullptr;
    CTopicTreeItem* row = item != nullptr && item->type() == QTreeWidgetItem::UserType
                              ? static_cast<CTopicTreeItem*>(item)
                              : nullptr;
    if (row != nullptr) {
      const QSize kept = row->sizeHint(stamp_);
      if (kept.isValid()) return kept;
    }
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (row != nullptr) row->keepSizeHint(stamp_, size);
    return size;
  }
  void Forget() { stamp_ = stamp_ == UINT32_MAX ? 1 : stamp_ + 1; }

 private:
  ItemOf item_of_;
  uint32_t stamp_ = 1;
};

}  // namespace quillet
