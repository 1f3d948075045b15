#include "desktop/pictures/ImageListModel.h"

#include <cctype>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/DateTexts.h"
#include "desktop/records/TreeText.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

int CompareFolded(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(FoldCase1252(a[i]));
    const unsigned char y = static_cast<unsigned char>(FoldCase1252(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The text's leading decimal number: blanks, a sign, digits; 0 without
// digits. Held at the ends of the 64-bit range rather than wrapping.
int64_t LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = INT64_MAX / 10 - 9;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (value > kLimit) {
      value = INT64_MAX;
      continue;
    }
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

const std::string& TextOf(const ListRow& row, int column) {
  static const std::string kEmpty;
  return column >= 0 && static_cast<size_t>(column) < row.texts.size() ? row.texts[column] : kEmpty;
}

struct Sorter {
  std::vector<ListRow>& rows;
  int column;
  int sign;
  ListCompare how;

  int Compare(const std::string& a, const std::string& b) const { return sign * CompareListTexts(a, b, how); }

  void Sort(int lo, int hi) {
    // The smaller part is sorted by recursion, the larger in this loop, so
    // the depth stays logarithmic whatever the order of the rows.
    while (lo < hi) {
      const std::string pivot = TextOf(rows[(lo + hi) / 2], column);
      int i = lo, j = hi;
      while (i <= j) {
        while (Compare(TextOf(rows[i], column), pivot) < 0) ++i;
        while (Compare(TextOf(rows[j], column), pivot) > 0) --j;
        if (i <= j) {
          if (Compare(TextOf(rows[i], column), TextOf(rows[j], column)) != 0) std::swap(rows[i], rows[j]);
          ++i;
          --j;
        }
      }
      if (j - lo < hi - i) {
        Sort(lo, j);
        lo = i;
      } else {
        Sort(i, hi);
        hi = j;
      }
    }
  }
};

}  // namespace

int CompareListTexts(const std::string& a, const std::string& b, ListCompare how) {
  switch (how) {
    case ListCompare::kNumber: {
      const int64_t x = LeadingNumber(a), y = LeadingNumber(b);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case ListCompare::kDateTime: return CompareDateTexts(a, b);
    case ListCompare::kText: break;
  }
  return CompareFolded(a, b);
}

void SortListRows(std::vector<ListRow>* rows, int column, bool ascending, ListCompare how) {
  if (rows == nullptr || rows->size() < 2) return;
  Sorter sorter{*rows, column, ascending ? 1 : -1, how};
  sorter.Sort(0, static_cast<int>(rows->size()) - 1);
}

std::vector<ImageListLine> CollectImageList(const TopicFilter& filter) {
  std::vector<ImageListLine> lines;
  if (pDB == nullptr) return lines;

  // Which topic each member belongs to, in one pass over topics and links;
  // only a filter asks (the unfiltered list at start-up would map every
  // member of a large store for nothing).
  std::unordered_map<uint32_t, const CTopicRecord*> topicOf;
  CRecord* r = nullptr;
  if (filter.mode != 0) {
    std::unordered_map<uint32_t, const CTopicRecord*> topics;
    for (DbResult rc = pDB->FirstOfKind(kKindTopic, &r, true); rc == DB_OK;
         rc = pDB->NextOfKind(kKindTopic, &r, true))
      if (const auto* topic = RecordAs<CTopicRecord>(r)) topics.emplace(topic->recordId, topic);
    for (DbResult rc = pDB->FirstOfKind(kKindTopicLinks, &r, true); rc == DB_OK;
         rc = pDB->NextOfKind(kKindTopicLinks, &r, true)) {
      const auto* links = RecordAs<CTopicLinksRecord>(r);
      if (links == nullptr) continue;
      auto topic = topics.find(links->topicId);
      if (topic == topics.end() || topic->second->linksId != links->recordId) continue;
      for (uint32_t member : links->memberIds) topicOf.emplace(member, topic->second);
    }
  }

  // Pictures of a private topic are hidden with it, as in the tree.
  const CPrivateRule rule(*pDB);
  std::vector<ListRow> rows;
  std::unordered_map<uint32_t, bool> sketches;
  for (DbResult rc = pDB->FirstOfKind(kKindImage, &r, true); rc == DB_OK; rc = pDB->NextOfKind(kKindImage, &r, true)) {
    const auto* image = RecordAs<CImageRecord>(r);
    if (image == nullptr) continue;
    if (rule.Hidden(*image)) continue;
    if (filter.mode != 0) {
      auto topic = topicOf.find(image->recordId);
      if (topic == topicOf.end() || !filter.Passes(*topic->second)) continue;
    }
    ListRow row;
    row.texts.push_back(std::string(FirstLine(image->title.view())));  // the sort compares the code-page bytes
    row.data = image->recordId;
    rows.push_back(std::move(row));
    sketches[image->recordId] = image->format == kImageFormatSketch;
  }
  SortListRows(&rows, 0, true, ListCompare::kText);

  lines.reserve(rows.size());
  for (ListRow& row : rows) {
    ImageListLine line;
    line.recordId = row.data;
    line.text = CpText(std::move(row.texts[0]));
    line.sketch = sketches[row.data];
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace quillet
