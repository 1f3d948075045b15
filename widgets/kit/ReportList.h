// The one-column lists beside the tree (My Pictures, the search results):
// a report of rows under one heading.
#pragma once

#include <QString>

class QTreeWidget;

namespace quillet {

// Makes `view` such a list: one column headed `heading`, one selection
// shown even without the focus, no sorting by the header (the rows come
// sorted), no editing, 16-pixel icons.
void SetUpReportList(QTreeWidget* view, const QString& heading);

}  // namespace quillet
