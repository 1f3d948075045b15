#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TopicCopy.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::MakeJpeg;
using testing::StoreFixture;

class CopyTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  void InsertMember(CRecord&) override {}
  void UpdateMember(const CRecord&) override {}
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t) override {}
  void RefreshAndSelect(uint32_t, bool) override {}
  uint32_t CurrentTopic() const override { return 0; }
  void AppendTopicItem(const CTopicRecord& t) override { calls.push_back("topic " + t.title.bytes()); }
  void AppendMemberItem(uint32_t topic, const CRecord& m) override {
    calls.push_back("member " + std::to_string(topic) + " " + std::to_string(m.recordId));
  }
  void SelectCopy(uint32_t topic) override { calls.push_back("select " + std::to_string(topic)); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t RecordCount() {
  uint32_t n = 0;
  for (uint32_t i = 0; i < pDB->highWater(); ++i) n += pDB->RecordAt(i) != nullptr ? 1 : 0;
  return n;
}

class TopicCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    home = f.AddCategory("Home");
    source = f.AddTopic("Garden plans", home);
    first = f.AddNote(source, "Tomatoes\nafter the frost");
    picture = f.AddImage(source, "The bed", MakeJpeg(24, 16, 2), kImageFormatJpeg, "bed.jpg");
    second = f.AddNote(source, "Beans");
    StoreFixture::Touch(f.output + "bed.jpg");
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  void TearDown() override { bEditPending = 0; }

  StoreFixture f;
  CopyTree tree;
  uint32_t home = 0, source = 0, first = 0, picture = 0, second = 0;
};

TEST_F(TopicCopyTest, CopyHasNewIdsInOrderTheSourcesCategoryAndItsMembersInOrder) {
  const uint32_t before = RecordCount();
  const std::vector<uint32_t> sourceMembers = f.MembersOf(source);
  bEditPending = 1;
  const TopicCopyOutcome out = DuplicateTopic(source);
  ASSERT_TRUE(out.copied);
  EXPECT_TRUE(out.saved);
  EXPECT_EQ(out.members, 3u);
  EXPECT_EQ(RecordCount(), before + 5);
  EXPECT_EQ(out.linksId, out.topicId + 1);

  ASSERT_TRUE(f.Reopen());  // all of it is on disk
  const CTopicRecord* copy = FindTopic(out.topicId);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->title, "Copy of Garden plans"_cp);
  EXPECT_EQ(copy->categoryId, home);
  EXPECT_EQ(copy->fileName, "");
  EXPECT_EQ(copy->flags, kFlagNew);
  const CTopicLinksRecord* links = FindLinks(copy->linksId);
  ASSERT_NE(links, nullptr);
  EXPECT_EQ(links->recordId, out.linksId);
  EXPECT_EQ(links->flags, kFlagNew);
  EXPECT_EQ(links->topicId, 0u);
  // One id per member, drawn in the source's order after the links record.
  EXPECT_EQ(links->memberIds, (std::vector<uint32_t>{out.linksId + 1, out.linksId + 2, out.linksId + 3}));
  const auto* note = RecordAs<CNoteRecord>(FindRecord(links->memberIds[0]));
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->text, "Tomatoes\nafter the frost"_cp);
  EXPECT_EQ(note->flags, kFlagNew);
  EXPECT_EQ(RecordAs<CNoteRecord>(FindRecord(links->memberIds[2]))->text, "Beans"_cp);

  // The source is unchanged but for its modified flag.
  const CTopicRecord* original = FindTopic(source);
  EXPECT_EQ(original->title, "Garden plans"_cp);
  EXPECT_EQ(original->flags, kFlagNew | kFlagModified);
  EXPECT_EQ(f.MembersOf(source), sourceMembers);

  EXPECT_EQ(tree.calls, (std::vector<std::string>{
                            "topic Copy of Garden plans",
                            "member " + std::to_string(out.topicId) + " " + std::to_string(links->memberIds[0]),
                            "member " + std::to_string(out.topicId) + " " + std::to_string(links->memberIds[1]),
                            "member " + std::to_string(out.topicId) + " " + std::to_string(links->memberIds[2]),
                            "select " + std::to_string(out.topicId)}));
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(bEditPending, 0);
}

TEST_F(TopicCopyTest, PictureCopyGetsItsOwnJpegFileAndTheSourceFileIsUntouched) {
  const std::string sourceBytes = ReadFile(f.output + "bed.jpg");
  const TopicCopyOutcome out = DuplicateTopic(source);
  const auto* image = RecordAs<CImageRecord>(FindRecord(f.MembersOf(out.topicId)[1]));
  ASSERT_NE(image, nullptr);
  EXPECT_NE(image->fileName, "bed.jpg");
  ASSERT_GT(image->fileName.size(), 4u);
  EXPECT_EQ(image->fileName.substr(image->fileName.size() - 4), ".jpg");
  EXPECT_EQ(image->data, RecordAs<CImageRecord>(FindRecord(picture))->data);
  EXPECT_EQ(image->title, "The bed"_cp);
  EXPECT_EQ(out.picturesWritten, 1u);
  const std::string copyBytes = ReadFile(f.output + image->fileName);
  ASSERT_GE(copyBytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(copyBytes[0]), 0xFF);  // a JPEG
  EXPECT_EQ(static_cast<unsigned char>(copyBytes[1]), 0xD8);
  EXPECT_EQ(ReadFile(f.output + "bed.jpg"), sourceBytes);
  EXPECT_EQ(f.host.imageListRefreshes, 1);
}

TEST_F(TopicCopyTest, SketchesAndReferencesAreCopiedSketchesWriteNoFile) {
  const uint32_t topic = f.AddTopic("Mixed");
  f.AddImage(topic, "Layout", {1, 2, 3, 4}, kImageFormatSketch, "layout.jpg");
  const uint32_t ref = f.AddReference(topic, "Handbook\nsecond line");
  const TopicCopyOutcome out = DuplicateTopic(topic);
  ASSERT_EQ(out.members, 2u);
  EXPECT_EQ(out.picturesWritten, 0u);
  const std::vector<uint32_t> members = f.MembersOf(out.topicId);
  const auto* sketch = RecordAs<CImageRecord>(FindRecord(members[0]));
  ASSERT_NE(sketch, nullptr);
  EXPECT_EQ(sketch->format, kImageFormatSketch);
  EXPECT_FALSE(StoreFixture::Exists(f.output + sketch->fileName));
  const auto* copy = RecordAs<CCustomRecord>(FindRecord(members[1]));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fields, RecordAs<CCustomRecord>(FindRecord(ref))->fields);
  EXPECT_EQ(copy->customType, kCustomInternet);
  EXPECT_NE(copy->recordId, ref);
}

TEST_F(TopicCopyTest, PrivateMembersStayPrivateWithoutAnItemWhileHidden) {
  const uint32_t secret = f.AddNote(source, "diary", true);
  RecordAs<CNoteRecord>(FindRecord(secret))->isPrivate = 7;  // any non-zero value is private
  const TopicCopyOutcome out = DuplicateTopic(source);
  const std::vector<uint32_t> members = f.MembersOf(out.topicId);
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(FindRecord(members[3])->isPrivate, 1u);
  EXPECT_EQ(FindRecord(members[0])->isPrivate, 0u);
  for (const std::string& call : tree.calls)
    EXPECT_EQ(call.find(" " + std::to_string(members[3])), std::string::npos) << call;

  tree.calls.clear();
  bShowPrivate = 1;
  const TopicCopyOutcome shown = DuplicateTopic(source);
  EXPECT_EQ(tree.calls.size(), 6u);  // topic, four members, select
  EXPECT_NE(shown.topicId, out.topicId);
  EXPECT_EQ(FindTopic(shown.topicId)->isPrivate, 0u);

  // The copy of a private topic is private too.
  FindTopic(source)->isPrivate = 1;
  EXPECT_EQ(FindTopic(DuplicateTopic(source).topicId)->isPrivate, 1u);
}

TEST_F(TopicCopyTest, IdsWithoutALiveRecordAreLeftOutAndTheRestIsSaved) {
  CTopicLinksRecord* links = f.LinksOf(source);
  links->memberIds.insert(links->memberIds.begin() + 1, 99999);
  FindRecord(second)->flags |= kFlagDeleted;
  const TopicCopyOutcome out = DuplicateTopic(source);
  EXPECT_EQ(out.skippedIds, 2u);
  EXPECT_EQ(out.members, 2u);
  EXPECT_TRUE(out.saved);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.MembersOf(out.topicId).size(), 2u);
}

TEST_F(TopicCopyTest, OnlyLiveTopicsAreCopiedAndAFailedSaveIsTold) {
  const uint32_t before = RecordCount();
  EXPECT_FALSE(DuplicateTopic(first).copied);  // a note item is no topic
  EXPECT_FALSE(DuplicateTopic(0).copied);
  const uint32_t gone = f.AddTopic("Gone");
  FindRecord(gone)->flags |= kFlagDeleted;
  EXPECT_FALSE(DuplicateTopic(gone).copied);
  EXPECT_EQ(RecordCount(), before + 2);  // only the deleted topic and its links
  EXPECT_TRUE(tree.calls.empty());
  EXPECT_TRUE(f.host.commands.empty());

  std::filesystem::remove_all(f.output);
  const TopicCopyOutcome out = DuplicateTopic(source);
  EXPECT_TRUE(out.copied);
  EXPECT_FALSE(out.saved);
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{231});
}

}  // namespace
}  // namespace quillet
