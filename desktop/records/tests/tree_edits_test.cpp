#include <gtest/gtest.h>

#include <filesystem>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TreeEdits.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::MakeJpeg;
using testing::StoreFixture;
using Ids = std::vector<uint32_t>;

class TreeEditsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    t1 = f.AddTopic("First");
    t2 = f.AddTopic("Second");
    a = f.AddNote(t1, "a");
    b = f.AddNote(t1, "b");
    c = f.AddNote(t1, "c");
    x = f.AddNote(t2, "x");
    y = f.AddNote(t2, "y");
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  DropSpot Member(uint32_t id, uint32_t topic) { return {id, topic, false}; }
  DropSpot Topic(uint32_t id) { return {id, id, true}; }

  StoreFixture f;
  uint32_t t1, t2, a, b, c, x, y;
};

TEST_F(TreeEditsTest, DroppingOnTheOwnTopicMovesToItsEnd) {
  DropOutcome out = ApplyDrop(Member(a, t1), Topic(t1));
  EXPECT_EQ(out.result, DropResult::kMoved);
  EXPECT_EQ(out.receivingTopic, t1);
  EXPECT_EQ(f.MembersOf(t1), (Ids{b, c, a}));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.MembersOf(t1), (Ids{b, c, a}));
}

TEST_F(TreeEditsTest, DroppingOnASiblingPlacesJustBeforeIt) {
  EXPECT_EQ(ApplyDrop(Member(c, t1), Member(a, t1)).result, DropResult::kReordered);
  EXPECT_EQ(f.MembersOf(t1), (Ids{c, a, b}));
  EXPECT_EQ(ApplyDrop(Member(c, t1), Member(b, t1)).result, DropResult::kReordered);
  EXPECT_EQ(f.MembersOf(t1), (Ids{a, c, b}));
  EXPECT_NE(f.LinksOf(t1)->flags & kFlagModified, 0u);
}

TEST_F(TreeEditsTest, DroppingOnAnotherTopicsMemberPlacesJustBeforeItThere) {
  DropOutcome out = ApplyDrop(Member(b, t1), Member(y, t2));
  EXPECT_EQ(out.result, DropResult::kMoved);
  EXPECT_EQ(out.receivingTopic, t2);
  EXPECT_EQ(f.MembersOf(t1), (Ids{a, c}));
  EXPECT_EQ(f.MembersOf(t2), (Ids{x, b, y}));
  EXPECT_EQ(ApplyDrop(Member(x, t2), Topic(t1)).result, DropResult::kMoved);
  EXPECT_EQ(f.MembersOf(t1), (Ids{a, c, x}));
  EXPECT_EQ(f.MembersOf(t2), (Ids{b, y}));
}

TEST_F(TreeEditsTest, DropsThatGoNowhereChangeNothing) {
  EXPECT_EQ(ApplyDrop(Member(a, t1), Member(a, t1)).result, DropResult::kOntoItself);
  EXPECT_EQ(ApplyDrop(Member(a, t1), DropSpot{}).result, DropResult::kNothing);
  // A target whose topic lost its links record: the member stays where it was.
  FindLinksOfTopic(FindTopic(t2))->flags |= kFlagDeleted;
  EXPECT_EQ(ApplyDrop(Member(a, t1), Topic(t2)).result, DropResult::kNothing);
  EXPECT_EQ(f.MembersOf(t1), (Ids{a, b, c}));
  // Topics are never dragged.
  EXPECT_EQ(ApplyDrop(Topic(t1), Topic(t2)).result, DropResult::kNothing);
}

// The window that adds the member saves (once, with its record).
TEST_F(TreeEditsTest, AppendingAMemberMarksTheListForTheNextSave) {
  uint32_t z = f.AddNote(0, "loose");
  ASSERT_TRUE(AppendMemberToTopic(t2, z));
  EXPECT_EQ(f.MembersOf(t2), (Ids{x, y, z}));
  EXPECT_NE(f.LinksOf(t2)->flags & kFlagModified, 0u);
  ASSERT_EQ(pDB->Save(), DB_OK);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.MembersOf(t2), (Ids{x, y, z}));
  EXPECT_FALSE(AppendMemberToTopic(999, z));
}

TEST_F(TreeEditsTest, DeletingATopicTakesItsMembersPicturesAndPageButNothingElsewhere) {
  uint32_t pic = f.AddImage(t1, "Pic", MakeJpeg(8, 8), kImageFormatJpeg, "pic.jpg");
  uint32_t sketch = f.AddImage(t1, "Sk", {1}, kImageFormatSketch, "sk.jpg");
  // A crafted name must not reach the file beside the output folder.
  uint32_t crafted = f.AddImage(t1, "Evil", MakeJpeg(8, 8), kImageFormatJpeg, "../victim.jpg");
  // A damaged list naming the other topic must not delete it.
  f.LinksOf(t1)->memberIds.push_back(t2);
  for (const char* name : {"pic.jpg", "sk.jpg"}) StoreFixture::Touch(f.output + name);
  StoreFixture::Touch(f.output + "../victim.jpg");
  std::string page = FindTopic(t1)->fileName;
  StoreFixture::Touch(f.output + page);
  uint32_t links = FindTopic(t1)->linksId;

  DeleteOutcome out = DeleteTreeRecord(t1, TreeIcon::kTopic, f.output, nullptr);
  EXPECT_TRUE(out.deleted);
  EXPECT_EQ(out.filesRemoved, 3u);
  EXPECT_FALSE(StoreFixture::Exists(f.output + "pic.jpg"));
  EXPECT_FALSE(StoreFixture::Exists(f.output + "sk.jpg"));
  EXPECT_FALSE(StoreFixture::Exists(f.output + page));
  EXPECT_TRUE(StoreFixture::Exists(f.output + "../victim.jpg"));

  ASSERT_TRUE(f.Reopen());
  for (uint32_t id : {t1, links, a, b, c, pic, sketch, crafted})
    EXPECT_NE(FindRecord(id)->flags & kFlagDeleted, 0u) << id;
  for (uint32_t id : {t2, x, y}) EXPECT_TRUE(FindRecord(id)->IsLive()) << id;
}

TEST_F(TreeEditsTest, DeletingAMemberLeavesItsTopicAndTakesItsFile) {
  uint32_t pic = f.AddImage(t2, "Pic", MakeJpeg(8, 8), kImageFormatJpeg, "p.jpg");
  StoreFixture::Touch(f.output + "p.jpg");
  ASSERT_EQ(pDB->Save(), DB_OK);

  EXPECT_TRUE(DeleteTreeRecord(b, TreeIcon::kNote, f.output, nullptr).deleted);
  DeleteOutcome out = DeleteTreeRecord(pic, TreeIcon::kImage, f.output, nullptr);
  EXPECT_EQ(out.filesRemoved, 1u);
  EXPECT_FALSE(StoreFixture::Exists(f.output + "p.jpg"));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.MembersOf(t1), (Ids{a, c}));
  EXPECT_EQ(f.MembersOf(t2), (Ids{x, y}));
  EXPECT_NE(FindRecord(b)->flags & kFlagDeleted, 0u);
  EXPECT_NE(f.LinksOf(t1)->flags & kFlagModified, 0u);
  // Deleting what is already gone does nothing.
  EXPECT_FALSE(DeleteTreeRecord(b, TreeIcon::kNote, f.output, nullptr).deleted);
}

TEST_F(TreeEditsTest, ConfirmingAsksString119UnlessADialogIsInstalled) {
  f.ui.messageAnswers = {kIdCancel, kIdOk};
  EXPECT_FALSE(ConfirmDelete(true));
  EXPECT_TRUE(ConfirmDelete(true));
  EXPECT_EQ(f.ui.MessageIds(), (std::vector<int>{119, 119}));
  static bool asked_with_box = false;
  DeleteConfirmFn previous = SetDeleteConfirm([](bool box) {
    asked_with_box = box;
    return true;
  });
  EXPECT_TRUE(ConfirmDelete(true));
  EXPECT_TRUE(asked_with_box);
  SetDeleteConfirm(previous);
}

TEST_F(TreeEditsTest, AFailedSaveIsToldWithString231) {
  std::filesystem::remove_all(f.output);  // the store file cannot be written now
  DeleteOutcome out = DeleteTreeRecord(a, TreeIcon::kNote, f.output, nullptr);
  EXPECT_TRUE(out.deleted);
  EXPECT_FALSE(out.saved);
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
}

}  // namespace
}  // namespace quillet
