#include <gtest/gtest.h>

#include <filesystem>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/Categories.h"
#include "desktop/records/TopicEditor.h"
#include "desktop/shell/EditPending.h"
#include "reports/ReportPaths.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::StoreFixture;

class RecordingTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  void InsertMember(CRecord& r) override { calls.push_back("member " + std::to_string(r.recordId)); }
  void UpdateMember(const CRecord& r) override { calls.push_back("umember " + std::to_string(r.recordId)); }
  void InsertTopic(const CTopicRecord& t) override { calls.push_back("topic " + t.title.bytes()); }
  void UpdateTopic(const CTopicRecord& t) override { calls.push_back("utopic " + t.title.bytes()); }
  void RemoveItem(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
  void RefreshAndSelect(uint32_t id, bool expand) override {
    calls.push_back("select " + std::to_string(id) + (expand ? " expanded" : ""));
  }
  uint32_t CurrentTopic() const override { return 0; }
};

class TopicEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    work = f.AddCategory("Work");
    home = f.AddCategory("home");
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  void TearDown() override { bEditPending = 0; }
  size_t Count(uint32_t kind) { return pDB->CountLive(kind); }

  StoreFixture f;
  RecordingTree tree;
  uint32_t work = 0, home = 0;
};

TEST_F(TopicEditorTest, ClearedWindowListsUnfiledThenSortedCategories) {
  CTopicEditor editor;
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  EXPECT_EQ(editor.view().title, ""_cp);
  EXPECT_EQ(editor.view().categories,
            (std::vector<CategoryEntry>{{" Unfiled..."_cp, 0}, {"home"_cp, home}, {"Work"_cp, work}}));
  EXPECT_EQ(editor.view().selected, 0);
  EXPECT_FALSE(editor.isNew());
  EXPECT_EQ(TreeCategoryEntries(), (std::vector<CategoryEntry>{
                                       {"All Categories"_cp, -1}, {"home"_cp, home}, {"Work"_cp, work},
                                       {"Unfiled"_cp, 0}}));

  // A private category is listed only while private records are shown.
  FindRecord(home)->isPrivate = 1;
  EXPECT_EQ(TreeCategoryEntries(),
            (std::vector<CategoryEntry>{{"All Categories"_cp, -1}, {"Work"_cp, work}, {"Unfiled"_cp, 0}}));
  bShowPrivate = 1;
  EXPECT_EQ(TreeCategoryEntries(), (std::vector<CategoryEntry>{
                                       {"All Categories"_cp, -1}, {"home"_cp, home}, {"Work"_cp, work},
                                       {"Unfiled"_cp, 0}}));
  bShowPrivate = 0;
}

TEST_F(TopicEditorTest, NewTopicIsPendingWithItsLinksAndAGeneratedPageName) {
  f.host.mainCategory = work;
  CTopicEditor editor;
  editor.NewTopic();
  ASSERT_TRUE(editor.isNew());
  const CTopicRecord* topic = editor.pendingTopic();
  const CTopicLinksRecord* links = editor.pendingLinks();
  ASSERT_TRUE(topic && links);
  EXPECT_EQ(links->recordId, topic->recordId + 1);
  EXPECT_EQ(topic->linksId, links->recordId);
  EXPECT_EQ(links->topicId, topic->recordId);
  EXPECT_TRUE(IsPlainFileName(topic->fileName));
  EXPECT_EQ(topic->fileName.substr(topic->fileName.size() - 4), ".htm");
  EXPECT_EQ(editor.view().categories[editor.view().selected].data, work);
  EXPECT_EQ(Count(kKindTopic), 0u);  // nothing in the store yet

  f.host.mainCategory = -1;  // "All Categories" is no topic's category
  editor.NewTopic();
  EXPECT_EQ(editor.view().selected, 0);
}

TEST_F(TopicEditorTest, OkAddsTopicAndLinksSelectsItAndReturnsToViewTopic) {
  CTopicEditor editor;
  editor.NewTopic();
  uint32_t id = editor.topicId();
  bEditPending = 1;
  ASSERT_TRUE(editor.Ok("Garden\r\nplans"_cp, 2));
  CTopicRecord* topic = FindTopic(id);
  ASSERT_NE(topic, nullptr);
  EXPECT_EQ(topic->title, "Garden\nplans"_cp);
  EXPECT_EQ(topic->categoryId, work);
  EXPECT_EQ(topic->flags, kFlagNew);
  ASSERT_NE(FindLinksOfTopic(topic), nullptr);
  EXPECT_EQ(tree.calls, (std::vector<std::string>{"topic Garden\nplans",
                                                  "select " + std::to_string(id) + " expanded"}));
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(f.host.imageListRefreshes, 1);
  EXPECT_EQ(bEditPending, 0);
  EXPECT_FALSE(editor.isNew());
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);  // cleared
  ASSERT_TRUE(f.Reopen());
  EXPECT_NE(FindTopic(id), nullptr);
}

TEST_F(TopicEditorTest, TitlesOver256CharactersAreToldAndCut) {
  CTopicEditor editor;
  editor.NewTopic();
  uint32_t id = editor.topicId();
  ASSERT_TRUE(editor.Ok(CpText(std::string(257, 't')), 0));
  ASSERT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
  EXPECT_EQ(f.ui.messages[0].text,
            "The Title contains more than 256 characters.\nIt will be truncated before saving.");
  EXPECT_EQ(f.ui.messages[0].caption, "Quillet");
  EXPECT_EQ(f.ui.messages[0].flags, kMbOk | kMbIconInformation);
  EXPECT_EQ(FindTopic(id)->title, CpText(std::string(256, 't')));

  f.ui.messages.clear();
  editor.NewTopic();
  ASSERT_TRUE(editor.Ok(CpText(std::string(256, 'u')), 0));
  EXPECT_TRUE(f.ui.messages.empty());
}

TEST_F(TopicEditorTest, ShowingAndUpdatingAnExistingTopic) {
  uint32_t id = f.AddTopic("Line one\nline two", home);
  CTopicEditor editor;
  ASSERT_TRUE(editor.ShowTopic(id));
  EXPECT_EQ(editor.view().okStringId, IDS_UPDATE);
  EXPECT_EQ(editor.view().title, "Line one\r\nline two"_cp);
  EXPECT_EQ(editor.view().categories[editor.view().selected].data, home);
  ASSERT_TRUE(editor.Ok("Renamed"_cp, 0));
  EXPECT_EQ(FindTopic(id)->title, "Renamed"_cp);
  EXPECT_EQ(FindTopic(id)->categoryId, 0u);
  EXPECT_NE(FindTopic(id)->flags & kFlagModified, 0u);
  EXPECT_EQ(tree.calls.front(), "utopic Renamed");
  EXPECT_FALSE(editor.ShowTopic(99999));
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
}

TEST_F(TopicEditorTest, CancelAndModeChangesDeleteThePendingTopicUnsaved) {
  CTopicEditor editor;
  editor.NewTopic();
  bEditPending = 1;
  editor.Cancel();
  EXPECT_EQ(editor.pendingTopic(), nullptr);
  EXPECT_EQ(editor.pendingLinks(), nullptr);
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3058});
  EXPECT_EQ(bEditPending, 0);
  EXPECT_EQ(Count(kKindTopic), 0u);
  EXPECT_EQ(Count(kKindTopicLinks), 0u);

  editor.NewTopic();
  EXPECT_TRUE(editor.DiscardPending());
  EXPECT_FALSE(editor.DiscardPending());
  EXPECT_EQ(Count(kKindTopic), 0u);
}

TEST_F(TopicEditorTest, AFailedSaveKeepsTheWindowAndASecondOkDoesNotAddTwice) {
  CTopicEditor editor;
  editor.NewTopic();
  uint32_t id = editor.topicId();
  std::filesystem::remove_all(f.output);
  EXPECT_FALSE(editor.Ok("Kept"_cp, 0));
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
  EXPECT_TRUE(f.host.commands.empty());
  std::filesystem::create_directories(f.output);
  ASSERT_TRUE(editor.Ok("Kept"_cp, 0));
  EXPECT_EQ(Count(kKindTopic), 1u);
  EXPECT_EQ(FindTopic(id)->title, "Kept"_cp);
}

TEST_F(TopicEditorTest, CategoryNamesThatAreRefusedShowString207) {
  for (const char* name : {"", " ", "   ", "UNFILED", "unfiled", "Unfiled", "WORK", "Home"}) {
    f.ui.messages.clear();
    EXPECT_EQ(AddCategory(CpText(name)), 0u) << '"' << name << '"';
    ASSERT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_BAD_CATEGORY}) << name;
    EXPECT_EQ(f.ui.messages[0].text, "This project already exists or is an invalid name e.g. Unfiled.");
  }
  EXPECT_EQ(pDB->CountLive(kKindCategory), 2u);
  EXPECT_EQ(f.host.categoryRefills, 0);
}

TEST_F(TopicEditorTest, CategoriesAreAddedRenamedAndDeleted) {
  uint32_t id = AddCategory("Travel"_cp);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(f.host.categoryRefills, 1);
  uint32_t topic = f.AddTopic("Trip", id);
  f.ui.messages.clear();

  EXPECT_TRUE(RenameCategory(id, "TRAVEL"_cp));  // its own name in another case
  EXPECT_FALSE(RenameCategory(id, "work"_cp));   // another category's name
  EXPECT_FALSE(RenameCategory(id, "unfiled"_cp));
  EXPECT_EQ(f.ui.MessageIds(), (std::vector<int>{IDS_BAD_CATEGORY, IDS_BAD_CATEGORY}));
  EXPECT_TRUE(RenameCategory(id, "Journeys"_cp));
  auto* category = RecordAs<CCategoryRecord>(FindRecord(id));
  EXPECT_EQ(category->name, "Journeys"_cp);
  EXPECT_NE(category->flags & kFlagModified, 0u);

  EXPECT_TRUE(DeleteCategory(id));
  ASSERT_TRUE(f.Reopen());
  category = RecordAs<CCategoryRecord>(FindRecord(id));
  EXPECT_EQ(category->flags & (kFlagDeleted | kFlagModified), kFlagDeleted | kFlagModified);
  EXPECT_EQ(FindTopic(topic)->categoryId, id);  // topics keep theirs
  EXPECT_NE(AddCategory("Journeys"_cp), 0u);       // a deleted name is free again
}

// A note-like window built on the common order, to see the order itself.
class NoteLikeCommit : public CRecordCommit {
 public:
  NoteLikeCommit(CNoteRecord* note, bool isNew, std::vector<std::string>* steps)
      : note_(note), new_(isNew), steps_(steps) {}
  bool privateChecked = false;

 protected:
  void TakePrivateFlag() override {
    steps_->push_back("private");
    ApplyPrivateFlag(*note_, privateChecked, new_);
  }
  void ReadTexts() override { steps_->push_back("texts"); }
  bool AddOrUpdate() override {
    steps_->push_back("update");
    note_->flags |= kFlagModified;
    return true;
  }
  void ClearWindow() override { steps_->push_back("clear"); }
  void DeletePending() override { steps_->push_back("discard"); }
  bool TypedTextsFit() const override {
    steps_->push_back("fit");
    return textsFit;
  }
  void ShowSaved() override { steps_->push_back("shown"); }

 public:
  bool textsFit = true;

 private:
  CNoteRecord* note_;
  bool new_;
  std::vector<std::string>* steps_;
};

TEST_F(TopicEditorTest, TheCommonOkOrderAndAPrivateRecordLeavingTheTree) {
  uint32_t topic = f.AddTopic("T");
  auto* note = RecordAs<CNoteRecord>(FindRecord(f.AddNote(topic, "n")));
  std::vector<std::string> steps;
  NoteLikeCommit commit(note, false, &steps);
  commit.privateChecked = true;
  bEditPending = 1;
  ASSERT_TRUE(commit.RunOk());
  EXPECT_EQ(steps, (std::vector<std::string>{"private", "texts", "update", "clear"}));
  EXPECT_EQ(note->isPrivate, 1u);
  EXPECT_EQ(tree.calls, std::vector<std::string>{"remove " + std::to_string(note->recordId)});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(f.host.imageListRefreshes, 1);
  EXPECT_EQ(bEditPending, 0);

  // Shown private records keep their item; a failed save stops the order
  // before the window is cleared.
  steps.clear();
  tree.calls.clear();
  bShowPrivate = 1;
  std::filesystem::remove_all(f.output);
  EXPECT_FALSE(commit.RunOk());
  EXPECT_EQ(steps, (std::vector<std::string>{"private", "texts", "update"}));
  EXPECT_TRUE(tree.calls.empty());
  EXPECT_EQ(f.host.commands.size(), 1u);

  steps.clear();
  commit.RunCancel();
  EXPECT_EQ(steps, std::vector<std::string>{"discard"});
  EXPECT_EQ(f.host.commands.back(), 3072u);
}

TEST_F(TopicEditorTest, TheQuietOkChecksTheTextsFirstAndSendsNothing) {
  uint32_t topic = f.AddTopic("T");
  const uint32_t noteId = f.AddNote(topic, "n");
  auto* note = RecordAs<CNoteRecord>(FindRecord(noteId));
  ASSERT_EQ(pDB->Save(), DB_OK);
  std::vector<std::string> steps;
  NoteLikeCommit commit(note, false, &steps);
  commit.privateChecked = true;
  commit.textsFit = false;
  bEditPending = 1;
  // Texts over a limit: nothing touched, nothing told, still pending.
  EXPECT_FALSE(commit.RunOkQuietly());
  EXPECT_EQ(steps, std::vector<std::string>{"fit"});
  EXPECT_EQ(note->isPrivate, 0u);
  EXPECT_EQ(bEditPending, 1);

  steps.clear();
  commit.textsFit = true;
  ASSERT_TRUE(commit.RunOkQuietly());
  EXPECT_EQ(steps, (std::vector<std::string>{"fit", "private", "texts", "update", "shown"}));
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_EQ(f.host.imageListRefreshes, 0);
  EXPECT_EQ(bEditPending, 0);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindRecord(noteId)->isPrivate, 1u);

  // A store that cannot be written: false, and no message either.
  note = RecordAs<CNoteRecord>(FindRecord(noteId));
  NoteLikeCommit again(note, false, &steps);
  std::filesystem::remove_all(f.output);
  bEditPending = 1;
  EXPECT_FALSE(again.RunOkQuietly());
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(bEditPending, 1);
}

TEST(ShownText, LineFeedsBecomeCarriageReturnLineFeedAndNothingIsCut) {
  EXPECT_EQ(ShownText("a\nb"_cp), "a\r\nb"_cp);
  EXPECT_EQ(ShownText("a\r\nb"_cp), "a\r\nb"_cp);
  // A text of the limit with its line breaks is shown whole.
  std::string stored;
  for (int i = 0; i < 100; ++i) stored += std::string(299, 'x') + "\n";
  ASSERT_EQ(stored.size(), 30000u);
  const CpText shown = ShownText(CpText(stored));
  EXPECT_EQ(shown.size(), 30100u);
  EXPECT_EQ(StoredLength(shown), 30000u);
  EXPECT_TRUE(TypedTextFits(shown, 30000));
  EXPECT_FALSE(TypedTextFits(shown + "y"_cp, 30000));
}

}  // namespace
}  // namespace quillet
