// Reference files dragged from the desktop onto the topic tree: a .bib or
// .ris file dropped on a topic, or on one of its members, is imported into
// that topic. Dragging members between topics is TopicTreeMouse.cpp's.
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "desktop/records/ReferenceTransfer.h"
#include "widgets/kit/Ansi.h"
#include "widgets/records/TopicTree.h"

namespace quillet {

std::vector<std::string> CTopicTree::ReferenceFiles(const QMimeData* mime) {
  std::vector<std::string> files;
  if (mime == nullptr || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string path = ToPath(url.toLocalFile());
    if (IsReferenceFileName(path)) files.push_back(path);
  }
  return files;
}

uint32_t CTopicTree::TopicAt(const QPoint& viewportPos) const {
  return view_ ? RecordOf(TopLevelAncestor(view_->itemAt(viewportPos))) : 0;
}

bool CTopicTree::FileDragOver(const QMimeData* mime, const QPoint& viewportPos) {
  QTreeWidgetItem* topic = view_ ? TopLevelAncestor(view_->itemAt(viewportPos)) : nullptr;
  const bool takes = topic != nullptr && !ReferenceFiles(mime).empty();
  SetDropTarget(takes ? topic : nullptr);
  return takes;
}

bool CTopicTree::DropFiles(const QMimeData* mime, const QPoint& viewportPos) {
  SetDropTarget(nullptr);
  const std::vector<std::string> files = ReferenceFiles(mime);
  const uint32_t topic = TopicAt(viewportPos);
  if (files.empty() || topic == 0) return false;
  // The import asks and tells with message boxes: it runs once the drop
  // has ended, so that the program the files came from is not kept waiting.
  QTimer::singleShot(0, this, [files, topic] {
    for (const std::string& path : files) ImportReferenceFile(topic, path);
  });
  return true;
}

void CTopicTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (CTopicTree::ReferenceFiles(event->mimeData()).empty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void CTopicTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (owner_->FileDragOver(event->mimeData(), event->position().toPoint())) event->acceptProposedAction();
  else event->ignore();
}

void CTopicTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
  owner_->FileDragOver(nullptr, QPoint());
  event->accept();
}

void CTopicTreeView::dropEvent(QDropEvent* event) {
  if (owner_->DropFiles(event->mimeData(), event->position().toPoint())) event->acceptProposedAction();
  else event->ignore();
}

}  // namespace quillet
