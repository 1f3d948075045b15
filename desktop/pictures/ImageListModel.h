// What "My Pictures" lists, read from the current store, and the sort every
// list view uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/records/TopicTreeModel.h"

namespace quillet {

// A list view's row as the sort sees it: the texts of its columns and the
// row's item data.
struct ListRow {
  std::vector<std::string> texts;
  uint32_t data = 0;
  bool operator==(const ListRow&) const = default;
};

// How a column is compared: its text without regard to case, the texts'
// leading decimal numbers, or the texts as dates and times of the locale.
enum class ListCompare : uint8_t { kText = 0, kNumber = 1, kDateTime = 2 };

// <0, 0 or >0.
int CompareListTexts(const std::string& a, const std::string& b, ListCompare how);

// The list views' sort, in place over all rows: a quicksort around the
// text of the middle row in `column`; two rows that compare equal are never
// exchanged. Descending reverses every comparison.
void SortListRows(std::vector<ListRow>* rows, int column, bool ascending, ListCompare how);

// One line of the image list.
struct ImageListLine {
  uint32_t recordId = 0;
  CpText text;          // the title's first line
  bool sketch = false;  // format 2 shows the sketch picture
  bool operator==(const ImageListLine&) const = default;
};

// Every live picture and sketch of the current store in store order whose
// topic passes `filter` (a picture in no topic shows only without a
// filter), leaving out what private records hide (PrivateRecords.h: private
// pictures, and those only private topics hold); sorted by text without
// regard to case.
std::vector<ImageListLine> CollectImageList(const TopicFilter& filter);

}  // namespace quillet
