#include "widgets/kit/ReportList.h"

#include <QHeaderView>
#include <QPalette>
#include <QTreeWidget>

#include "widgets/kit/Palettes.h"

namespace quillet {

void SetUpReportList(QTreeWidget* view, const QString& heading) {
  view->setColumnCount(1);
  view->setHeaderLabels({heading});
  view->header()->setSectionsClickable(false);
  view->header()->setStretchLastSection(true);
  view->setSortingEnabled(false);
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setIconSize(QSize(16, 16));
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The selection looks the same when the list does not have the focus.
  view->setPalette(SelectionKept(view->palette()));
  // Named for screen readers by its heading, as the eye reads it.
  view->setAccessibleName(heading);
}

}  // namespace quillet
