#include "store/findgui/FindList.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/core/Strings.h"
#include "app/gui/Ansi.h"
#include "app/gui/WndMgr.h"
#include "store/db/CurrentDatabase.h"

namespace quillet {
namespace {

// The pictures are drawn on a 16-unit grid and scaled, so both sizes match.
void DrawTopic(QPainter& p) {
  p.setPen(QPen(QColor(0x9A, 0x6B, 0x12), 1.0));
  p.setBrush(QColor(0xE8, 0xB8, 0x4A));
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(6.0, 3.5);
  back.lineTo(7.5, 5.0);
  back.lineTo(14.5, 5.0);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(QColor(0xF8, 0xD6, 0x7A));
  QPainterPath front;
  front.moveTo(1.5, 13.5);
  front.lineTo(3.0, 7.5);
  front.lineTo(15.5, 7.5);
  front.lineTo(14.5, 13.5);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawNote(QPainter& p) {
  p.setPen(QPen(QColor(0x6B, 0x73, 0x80), 1.0));
  p.setBrush(QColor(0xFF, 0xFD, 0xF2));
  QPainterPath page;
  page.moveTo(3.5, 1.5);
  page.lineTo(10.0, 1.5);
  page.lineTo(13.5, 5.0);
  page.lineTo(13.5, 14.5);
  page.lineTo(3.5, 14.5);
  page.closeSubpath();
  p.drawPath(page);
  p.setPen(QPen(QColor(0x4A, 0x7F, 0xC1), 1.0));
  for (double y : {7.5, 10.0, 12.5}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
}

void DrawSketch(QPainter& p) {
  p.setPen(QPen(QColor(0x55, 0x5B, 0x4E), 1.0));
  p.setBrush(QColor(0xD9, 0xE3, 0xC8));
  p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.2, 1.2);
  QPainterPath line;
  line.moveTo(4.5, 11.0);
  line.cubicTo(6.0, 5.0, 7.5, 12.0, 9.0, 7.5);
  line.cubicTo(9.8, 4.8, 11.0, 6.5, 11.5, 5.0);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x20, 0x28, 0x30), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(line);
}

void DrawImage(QPainter& p) {
  p.setPen(QPen(QColor(0x5A, 0x62, 0x70), 1.0));
  p.setBrush(QColor(0xBF, 0xE0, 0xF7));
  p.drawRect(QRectF(1.5, 3.5, 13, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF5, 0xB8, 0x2E));
  p.drawEllipse(QPointF(11.0, 6.2), 1.5, 1.5);
  p.setBrush(QColor(0x4E, 0x9A, 0x3F));
  QPainterPath hills;
  hills.moveTo(2.0, 12.0);
  hills.lineTo(6.0, 7.5);
  hills.lineTo(8.5, 10.0);
  hills.lineTo(10.0, 8.8);
  hills.lineTo(14.0, 12.0);
  hills.closeSubpath();
  p.drawPath(hills);
}

void DrawReference(QPainter& p) {
  p.setPen(QPen(QColor(0x5E, 0x1F, 0x1F), 1.0));
  p.setBrush(QColor(0xB8, 0x3B, 0x3B));
  p.drawRoundedRect(QRectF(3.5, 1.5, 9.5, 13), 1.0, 1.0);
  p.setBrush(QColor(0xF4, 0xEE, 0xDC));
  p.drawRect(QRectF(11.5, 2.5, 1.5, 11));
  p.setPen(QPen(QColor(0x7E, 0x2A, 0x2A), 1.0));
  p.drawLine(QPointF(5.5, 2.0), QPointF(5.5, 14.0));
}

void DrawNothing(QPainter& p) {
  // A magnifying glass over an empty page.
  p.setPen(QPen(QColor(0x50, 0x58, 0x66), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(QColor(0xE8, 0xF1, 0xFA));
  p.drawEllipse(QPointF(6.5, 6.5), 4.0, 4.0);
  p.drawLine(QPointF(9.5, 9.5), QPointF(14.0, 14.0));
}

QPixmap Draw(int iconId, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  switch (iconId) {
    case kFindIconTopic: DrawTopic(p); break;
    case kFindIconNote: DrawNote(p); break;
    case kFindIconSketch: DrawSketch(p); break;
    case kFindIconImage: DrawImage(p); break;
    case kFindIconReference: DrawReference(p); break;
    case kFindIconNothing: DrawNothing(p); break;
    default: break;
  }
  return pixmap;
}

QIcon Make(int iconId) {
  QIcon out;
  out.addPixmap(Draw(iconId, 16));
  out.addPixmap(Draw(iconId, 32));
  return out;
}

}  // namespace

QIcon FindIconFor(int iconId) {
  static const int ids[] = {kFindIconTopic, kFindIconReference, kFindIconNote,
                            kFindIconSketch, kFindIconImage,     kFindIconNothing};
  static const QIcon icons[] = {Make(ids[0]), Make(ids[1]), Make(ids[2]),
                                Make(ids[3]), Make(ids[4]), Make(ids[5])};
  for (size_t i = 0; i < std::size(ids); ++i)
    if (ids[i] == iconId) return icons[i];
  return QIcon();
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
