#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/TopicTreeModel.h"
#include "reports/ReportPaths.h"
#include "store/PrivateRecords.h"
#include "testing/TempRegistry.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::MakeJpeg;
using testing::ReadFileBytes;
using testing::StoreFixture;

TEST(TreeText, MemberTextsAreFirstLinesCutPlainOrMarked) {
  std::string s61(61, 'a');
  EXPECT_EQ(CutMemberText(s61, TextCut::kPlain), CpText(std::string(60, 'a')));
  EXPECT_EQ(CutMemberText(s61, TextCut::kMarked), CpText(std::string(57, 'a') + "..."));
  EXPECT_EQ(CutMemberText(std::string(60, 'b'), TextCut::kMarked), CpText(std::string(60, 'b')));
  EXPECT_EQ(FirstLine("first\nsecond"), "first");
  EXPECT_EQ(FirstLine("\nsecond"), "");
  EXPECT_EQ(FirstLine("only"), "only");
}

TEST(TreeText, TopicsCompareByTenCharactersWithoutCaseThenById) {
  // Equal in their first ten characters: the smaller id comes first.
  EXPECT_LT(CompareTopics("projects 2004 beta", 5, "Projects 2004 alpha", 9), 0);
  EXPECT_GT(CompareTopics("Projects 2004 alpha", 9, "projects 2004 beta", 5), 0);
  EXPECT_LT(CompareTopics("Apple", 9, "banana", 1), 0);
  EXPECT_LT(CompareTopics("Ab", 9, "abc", 1), 0);  // a prefix sorts first
  // Windows-1252 capitals outside ASCII fold too: "\xC9t\xE9" is "Été".
  EXPECT_LT(CompareTopics("\xC9t\xE9", 1, "\xE9t\xE9", 2), 0);
  EXPECT_EQ(FoldCase1252('\xC9'), '\xE9');
  EXPECT_EQ(FoldCase1252('\xD7'), '\xD7');  // the multiplication sign has no case
  EXPECT_EQ(CompareTopics("Same", 3, "Same", 3), 0);
}

// The keys the fill sorts by must order topics exactly as CompareTopics:
// random titles over letters of both cases (ASCII and Windows-1252), other
// bytes, a zero byte, of lengths around ten, many sharing beginnings, and
// ids that repeat.
TEST(TreeText, TopicKeysOrderAsCompareTopics) {
  const std::string alphabet = std::string("aAzZ \xC9\xE9\xD7\xF7\x8A\x9A[{") + '\0';
  uint32_t seed = 5;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string a = next(2) ? "Projects 20" : "";
    std::string b = next(2) ? a : "projects 20";
    for (uint32_t n = next(13); n > 0; --n) a += alphabet[next(static_cast<uint32_t>(alphabet.size()))];
    for (uint32_t n = next(13); n > 0; --n) b += alphabet[next(static_cast<uint32_t>(alphabet.size()))];
    if (next(4) == 0) b = a;
    const uint32_t ida = next(4), idb = next(4);
    const int want = CompareTopics(a, ida, b, idb);
    const TopicOrderKey ka = TopicKey(a, ida), kb = TopicKey(b, idb);
    ASSERT_EQ(ka < kb, want < 0) << '"' << a << "\" " << ida << " / \"" << b << "\" " << idb;
    ASSERT_EQ(kb < ka, want > 0) << '"' << a << "\" " << ida << " / \"" << b << "\" " << idb;
  }
}

class TreeModelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(f.opened); }
  StoreFixture f;
};

TEST_F(TreeModelTest, TopicsAreSortedAndMembersKeepTheirListOrder) {
  uint32_t beta = f.AddTopic("projects 2004 beta");
  uint32_t alpha = f.AddTopic("Projects 2004 alpha");
  uint32_t apple = f.AddTopic("apple");
  uint32_t n1 = f.AddNote(alpha, std::string(61, 'n') + "\nsecond line");
  uint32_t r1 = f.AddReference(alpha, "A reference\nwith two lines");
  uint32_t s1 = f.AddImage(alpha, "Sketch", {1, 2, 3}, kImageFormatSketch, "s.jpg");

  TreeFillReport report;
  auto topics = CollectTopicTree({}, f.output, nullptr, &report);
  ASSERT_EQ(topics.size(), 3u);
  EXPECT_EQ(topics[0].recordId, apple);
  EXPECT_EQ(topics[1].recordId, beta);   // the older of the two equal prefixes
  EXPECT_EQ(topics[2].recordId, alpha);
  ASSERT_EQ(topics[2].members.size(), 3u);
  EXPECT_EQ(topics[2].members[0].recordId, n1);
  EXPECT_EQ(topics[2].members[0].text, CpText(std::string(60, 'n')));
  EXPECT_EQ(topics[2].members[0].icon, TreeIcon::kNote);
  EXPECT_EQ(topics[2].members[1].recordId, r1);
  EXPECT_EQ(topics[2].members[1].text, "A reference"_cp);
  EXPECT_EQ(topics[2].members[1].icon, TreeIcon::kReference);
  EXPECT_EQ(topics[2].members[2].recordId, s1);
  EXPECT_EQ(topics[2].members[2].icon, TreeIcon::kSketch);
  EXPECT_EQ(report.topics, 3u);
  EXPECT_EQ(report.members, 3u);
  EXPECT_EQ(report.droppedIds, 0u);
}

TEST_F(TreeModelTest, FiltersByCategoryAndHidesPrivateRecordsUntilShown) {
  uint32_t work = f.AddCategory("Work");
  uint32_t t_work = f.AddTopic("Work topic", work);
  uint32_t t_unfiled = f.AddTopic("Loose topic");
  uint32_t t_private = f.AddTopic("Secret topic", 0, true);
  f.AddNote(t_work, "public");
  uint32_t hidden = f.AddNote(t_work, "private", true);

  auto ids = [&](const TopicFilter& filter) {
    std::vector<uint32_t> out;
    for (auto& t : CollectTopicTree(filter, "", nullptr, nullptr)) out.push_back(t.recordId);
    return out;
  };
  EXPECT_EQ(ids(FilterForCategory(-1)), (std::vector<uint32_t>{t_unfiled, t_work}));
  EXPECT_EQ(ids(FilterForCategory(work)), std::vector<uint32_t>{t_work});
  EXPECT_EQ(ids(FilterForCategory(0)), std::vector<uint32_t>{t_unfiled});
  EXPECT_EQ(CollectTopicTree(FilterForCategory(work), "", nullptr, nullptr)[0].members.size(), 1u);

  bShowPrivate = 1;
  EXPECT_EQ(ids(FilterForCategory(0)), (std::vector<uint32_t>{t_unfiled, t_private}));
  auto shown = CollectTopicTree(FilterForCategory(work), "", nullptr, nullptr);
  ASSERT_EQ(shown[0].members.size(), 2u);
  EXPECT_EQ(shown[0].members[1].recordId, hidden);
}

TEST_F(TreeModelTest, MemberIdsWithoutARecordAreDroppedAndSaved) {
  uint32_t topic = f.AddTopic("Topic");
  uint32_t note = f.AddNote(topic, "kept");
  f.LinksOf(topic)->memberIds.insert(f.LinksOf(topic)->memberIds.begin(), 4242);
  f.LinksOf(topic)->memberIds.push_back(4343);
  // A deleted member is not shown but keeps its place: it still exists.
  uint32_t gone = f.AddNote(topic, "deleted on the handheld");
  FindRecord(gone)->flags |= kFlagDeleted;
  ASSERT_EQ(pDB->Save(), DB_OK);

  TreeFillReport report;
  auto topics = CollectTopicTree({}, f.output, nullptr, &report);
  EXPECT_EQ(report.droppedIds, 2u);
  EXPECT_TRUE(report.saved);
  ASSERT_EQ(topics[0].members.size(), 1u);
  EXPECT_EQ(topics[0].members[0].recordId, note);

  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.MembersOf(topic), (std::vector<uint32_t>{note, gone}));
  EXPECT_NE(f.LinksOf(topic)->flags & kFlagModified, 0u);
}

// A damaged file: a topic's links share their id with a record before
// them, another topic names links that are not there, a third names a
// note as its links. Each topic is still listed, with the members its own
// live links give.
TEST_F(TreeModelTest, LinksAreFoundPastEarlierRecordsWithTheirIdAndMissingLinksGiveNoMembers) {
  uint32_t early = f.AddTopic("early");
  uint32_t stray = f.AddNote(early, "stray note");
  uint32_t shared = f.AddTopic("shared links id");
  uint32_t member = f.AddNote(shared, "member of shared");
  uint32_t orphan = f.AddTopic("orphan");
  uint32_t odd = f.AddTopic("odd");
  auto* sharedTopic = RecordAs<CTopicRecord>(FindRecord(shared));
  auto* orphanTopic = RecordAs<CTopicRecord>(FindRecord(orphan));
  auto* oddTopic = RecordAs<CTopicRecord>(FindRecord(odd));
  ASSERT_TRUE(sharedTopic && orphanTopic && oddTopic);
  FindRecord(stray)->recordId = sharedTopic->linksId;  // before the links, with their id
  orphanTopic->linksId = 987654;
  oddTopic->linksId = member;
  pDB->IdsChanged();

  TreeFillReport report;
  auto topics = CollectTopicTree({}, "", nullptr, &report);
  ASSERT_EQ(topics.size(), 4u);
  EXPECT_EQ(topics[0].recordId, early);
  EXPECT_TRUE(topics[0].members.empty());  // its only member now has another id
  EXPECT_EQ(topics[1].recordId, odd);
  EXPECT_TRUE(topics[1].members.empty());
  EXPECT_EQ(topics[2].recordId, orphan);
  EXPECT_TRUE(topics[2].members.empty());
  EXPECT_EQ(topics[3].recordId, shared);
  ASSERT_EQ(topics[3].members.size(), 1u);
  EXPECT_EQ(topics[3].members[0].recordId, member);
  EXPECT_EQ(topics[3].members[0].text, "member of shared"_cp);
  EXPECT_EQ(report.droppedIds, 1u);
}

TEST_F(TreeModelTest, PicturesGetPlainNamesAndTheirFilesInTheOutputFolderOnly) {
  uint32_t topic = f.AddTopic("Album");
  uint32_t unnamed = f.AddImage(topic, "Unnamed", MakeJpeg(16, 12, 1));
  uint32_t crafted = f.AddImage(topic, "Crafted", MakeJpeg(16, 12, 2), kImageFormatJpeg,
                                "../outside.jpg");
  ASSERT_EQ(pDB->Save(), DB_OK);

  CPictureFiles pictures;
  TreeFillReport report;
  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.namedPictures, 2u);
  EXPECT_EQ(report.picturesWritten, 2u);
  for (uint32_t id : {unnamed, crafted}) {
    auto* image = RecordAs<CImageRecord>(FindRecord(id));
    ASSERT_TRUE(IsPlainFileName(image->fileName)) << image->fileName;
    EXPECT_EQ(image->fileName.substr(image->fileName.size() - 4), ".jpg");
    EXPECT_TRUE(StoreFixture::Exists(f.output + image->fileName));
  }
  EXPECT_FALSE(StoreFixture::Exists(f.output + "../outside.jpg"));
  ASSERT_TRUE(f.Reopen());  // the names were saved
  EXPECT_TRUE(IsPlainFileName(RecordAs<CImageRecord>(FindRecord(crafted))->fileName));
}

TEST_F(TreeModelTest, ARefillKeepsFilesWrittenFromTheSameBytesAndRewritesChangedOnes) {
  uint32_t topic = f.AddTopic("Album");
  uint32_t a = f.AddImage(topic, "A", MakeJpeg(40, 30, 1), kImageFormatJpeg, "a.jpg");
  f.AddImage(topic, "B", MakeJpeg(40, 30, 2), kImageFormatJpeg, "b.jpg");
  f.AddImage(topic, "Sketch", {9, 9, 9}, kImageFormatSketch, "sketch.jpg");

  CPictureFiles pictures;
  TreeFillReport report;
  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesWritten, 2u);
  EXPECT_FALSE(StoreFixture::Exists(f.output + "sketch.jpg"));  // not JPEG data
  std::string first_a = ReadFileBytes(f.output + "a.jpg");
  ASSERT_FALSE(first_a.empty());

  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesWritten, 0u);
  EXPECT_EQ(report.picturesKept, 2u);

  // The file a fresh run writes is the one that was kept.
  CPictureFiles fresh;
  fs::remove(f.output + "a.jpg");
  CollectTopicTree({}, f.output, &fresh, &report);
  EXPECT_EQ(ReadFileBytes(f.output + "a.jpg"), first_a);

  // New bytes, a removed file and a file changed by someone else are all
  // written again.
  RecordAs<CImageRecord>(FindRecord(a))->data = MakeJpeg(40, 30, 7);
  fs::remove(f.output + "b.jpg");
  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesWritten, 2u);
  EXPECT_NE(ReadFileBytes(f.output + "a.jpg"), first_a);
  EXPECT_TRUE(StoreFixture::Exists(f.output + "b.jpg"));

  std::string b_bytes = ReadFileBytes(f.output + "b.jpg");
  StoreFixture::Touch(f.output + "b.jpg");
  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesWritten, 1u);
  EXPECT_EQ(ReadFileBytes(f.output + "b.jpg"), b_bytes);
}

TEST_F(TreeModelTest, UndecodablePictureDataWritesNoFile) {
  uint32_t topic = f.AddTopic("Album");
  f.AddImage(topic, "Broken", {0xFF, 0xD8, 0x00, 0x01}, kImageFormatJpeg, "broken.jpg");
  CPictureFiles pictures;
  TreeFillReport report;
  auto topics = CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesWritten, 0u);
  EXPECT_EQ(topics[0].members.size(), 1u);  // still listed
  EXPECT_FALSE(StoreFixture::Exists(f.output + "broken.jpg"));
}

}  // namespace
}  // namespace quillet
