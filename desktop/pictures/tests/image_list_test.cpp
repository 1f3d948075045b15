// "My Pictures": what it lists for each category and the list views' sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/pictures/ImageListModel.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

std::vector<ListRow> Rows(const std::vector<std::string>& texts) {
  std::vector<ListRow> rows;
  uint32_t data = 1;
  for (const std::string& t : texts) rows.push_back(ListRow{{t, "second " + t}, data++});
  return rows;
}

std::vector<std::string> Texts(const std::vector<ListRow>& rows) {
  std::vector<std::string> out;
  for (const ListRow& r : rows) out.push_back(r.texts[0]);
  return out;
}

TEST(ListSortTest, TextIgnoresCaseAndRowsMoveWhole) {
  // Letters of the code page fold too: "\xC9" sorts with "\xE9", after
  // every ASCII letter.
  std::vector<ListRow> rows = Rows({"pear", "Apple", "\xE9t\xE9", "fig", "apple pie", "\xC9" "clair", "banana"});
  SortListRows(&rows, 0, true, ListCompare::kText);
  EXPECT_EQ(Texts(rows), (std::vector<std::string>{"Apple", "apple pie", "banana", "fig", "pear",
                                                   "\xC9" "clair", "\xE9t\xE9"}));
  // Every column and the item data travel with the row.
  for (const ListRow& r : rows) EXPECT_EQ(r.texts[1], "second " + r.texts[0]);
  EXPECT_EQ(rows[0].data, 2u);
  SortListRows(&rows, 0, false, ListCompare::kText);
  EXPECT_EQ(Texts(rows).front(), "\xE9t\xE9");
  EXPECT_EQ(Texts(rows).back(), "Apple");
}

TEST(ListSortTest, EqualTextsAreNeverExchanged) {
  // "b" and "B" compare equal; the sort only exchanges rows that differ, so
  // rows of equal text keep their order when nothing else lies between.
  std::vector<ListRow> rows = Rows({"b", "B", "b"});
  SortListRows(&rows, 0, true, ListCompare::kText);
  EXPECT_EQ(Texts(rows), (std::vector<std::string>{"b", "B", "b"}));
  EXPECT_EQ(rows[0].data, 1u);
  EXPECT_EQ(rows[1].data, 2u);
  std::vector<ListRow> same = Rows(std::vector<std::string>(5000, "same"));
  SortListRows(&same, 0, true, ListCompare::kText);
  for (size_t i = 0; i < same.size(); ++i) ASSERT_EQ(same[i].data, i + 1);
}

TEST(ListSortTest, NumbersAndDatesCompareAsSuch) {
  std::vector<ListRow> rows = Rows({"10 cows", "9 hens", "-3 debts", "x", "100", "  42"});
  SortListRows(&rows, 0, true, ListCompare::kNumber);
  EXPECT_EQ(Texts(rows), (std::vector<std::string>{"-3 debts", "x", "9 hens", "10 cows", "  42", "100"}));
  // A number too long for 64 bits is held at the top, not wrapped.
  EXPECT_GT(CompareListTexts("99999999999999999999999", "1", ListCompare::kNumber), 0);
  EXPECT_LT(CompareListTexts("-99999999999999999999999", "-1", ListCompare::kNumber), 0);
  // Dates by the locale's order (the tests run in the C locale: month first).
  EXPECT_LT(CompareListTexts("12/31/2025", "01/02/2026", ListCompare::kDateTime), 0);
  EXPECT_GT(CompareListTexts("01/02/2026", "12/31/2025", ListCompare::kDateTime), 0);
  // As plain text the same two sort the other way.
  EXPECT_GT(CompareListTexts("12/31/2025", "01/02/2026", ListCompare::kText), 0);
}

TEST(ListSortTest, AgreesWithAPlainSortOnManyOrders) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    std::vector<std::string> texts;
    const int n = 1 + static_cast<int>(rng() % 300);
    for (int i = 0; i < n; ++i) texts.push_back(std::string(1, static_cast<char>('a' + rng() % 6)) + std::to_string(rng() % 40));
    if (round % 3 == 1) std::sort(texts.begin(), texts.end());
    if (round % 3 == 2) std::sort(texts.rbegin(), texts.rend());
    std::vector<ListRow> rows = Rows(texts);
    SortListRows(&rows, 0, round % 2 == 0, ListCompare::kText);
    std::vector<std::string> want = texts;
    std::sort(want.begin(), want.end());
    if (round % 2 == 1) std::reverse(want.begin(), want.end());
    ASSERT_EQ(Texts(rows), want) << "round " << round;
  }
}

class ImageListTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(f.opened); }
  void TearDown() override { bShowPrivate = 0; }
  testing::StoreFixture f;
};

TEST_F(ImageListTest, ListsPicturesAndSketchesByTheirTopicsCategory) {
  const uint32_t birds = f.AddCategory("Birds");
  const uint32_t owls = f.AddTopic("Owls", birds);
  const uint32_t loose = f.AddTopic("Loose ends", 0);
  const uint32_t barn = f.AddImage(owls, "barn owl\nat dusk", {1});
  const uint32_t sketch = f.AddImage(owls, "Owl sketch", {2}, kImageFormatSketch);
  const uint32_t gate = f.AddImage(loose, "Gate", {3});
  const uint32_t hidden = f.AddImage(loose, "Diary", {4});
  RecordAs<CImageRecord>(FindRecord(hidden))->isPrivate = 1;
  const uint32_t gone = f.AddImage(loose, "Gone", {5});
  FindRecord(gone)->flags |= kFlagDeleted;
  // A picture in no topic.
  auto orphan = std::make_unique<CImageRecord>();
  orphan->recordId = NextRecordId();
  orphan->title = "adrift"_cp;
  const uint32_t adrift = orphan->recordId;
  pDB->AddNew(std::move(orphan));

  const std::vector<ImageListLine> all = CollectImageList(TopicFilter{});
  EXPECT_EQ(all, (std::vector<ImageListLine>{{adrift, "adrift"_cp, false},
                                              {barn, "barn owl"_cp, false},
                                              {gate, "Gate"_cp, false},
                                              {sketch, "Owl sketch"_cp, true}}));
  EXPECT_EQ(CollectImageList(TopicFilter{1, birds}),
            (std::vector<ImageListLine>{{barn, "barn owl"_cp, false}, {sketch, "Owl sketch"_cp, true}}));
  EXPECT_EQ(CollectImageList(TopicFilter{2, 0}), (std::vector<ImageListLine>{{gate, "Gate"_cp, false}}));
  bShowPrivate = 1;
  EXPECT_EQ(CollectImageList(TopicFilter{2, 0}),
            (std::vector<ImageListLine>{{hidden, "Diary"_cp, false}, {gate, "Gate"_cp, false}}));
}

// My Pictures hides a private topic's pictures with it, as the tree and
// find do; a picture another, shown topic also holds stays listed.
TEST_F(ImageListTest, PicturesOfAPrivateTopicAreHiddenWithIt) {
  const uint32_t birds = f.AddCategory("Birds");
  const uint32_t secret = f.AddTopic("Secret nests", birds, true);
  const uint32_t owls = f.AddTopic("Owls", birds);
  const uint32_t nest = f.AddImage(secret, "Nest site", {1});
  const uint32_t shared = f.AddImage(owls, "Shared owl", {2});
  CTopicLinksRecord* links = f.LinksOf(secret);
  ASSERT_NE(links, nullptr);
  links->memberIds.push_back(shared);

  for (const TopicFilter& filter : {TopicFilter{}, TopicFilter{1, birds}})
    EXPECT_EQ(CollectImageList(filter), (std::vector<ImageListLine>{{shared, "Shared owl"_cp, false}}))
        << filter.mode;
  bShowPrivate = 1;
  EXPECT_EQ(CollectImageList(TopicFilter{}),
            (std::vector<ImageListLine>{{nest, "Nest site"_cp, false}, {shared, "Shared owl"_cp, false}}));
}

}  // namespace
}  // namespace quillet
