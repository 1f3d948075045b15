#include <gtest/gtest.h>

#include <filesystem>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/NoteEditor.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::StoreFixture;

// Records what the editor asks of the tree; inserted members join the
// current topic the way the real tree makes them.
class MemberTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  uint32_t current = 0;
  void InsertMember(CRecord& r) override {
    calls.push_back("member " + std::to_string(r.recordId));
    if (current != 0) AppendMemberToTopicForTest(r.recordId);
  }
  void UpdateMember(const CRecord& r) override { calls.push_back("umember " + std::to_string(r.recordId)); }
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
  void RefreshAndSelect(uint32_t, bool) override {}
  uint32_t CurrentTopic() const override { return current; }

 private:
  void AppendMemberToTopicForTest(uint32_t id) {
    FindLinksOfTopic(FindTopic(current))->memberIds.push_back(id);
  }
};

class NoteEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    topic = f.AddTopic("Garden");
    tree.current = topic;
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  void TearDown() override { bEditPending = 0; }

  StoreFixture f;
  MemberTree tree;
  uint32_t topic = 0;
};

TEST_F(NoteEditorTest, NewNoteIsPendingUntilOkThenStoredWithLineFeedsOnly) {
  CNoteEditor editor;
  editor.NewNote();
  ASSERT_TRUE(editor.isNew());
  const uint32_t id = editor.noteId();
  EXPECT_NE(id, 0u);
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  EXPECT_FALSE(editor.view().isPrivate);
  EXPECT_EQ(pDB->CountLive(kKindNote), 0u);

  bEditPending = 1;
  ASSERT_TRUE(editor.Ok("Plant tomatoes\r\nafter the frost"_cp, false));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"member " + std::to_string(id)});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(f.host.imageListRefreshes, 1);
  EXPECT_EQ(bEditPending, 0);
  EXPECT_FALSE(editor.isNew());
  EXPECT_EQ(editor.noteId(), 0u);  // cleared
  EXPECT_TRUE(f.ui.messages.empty());

  // On disk: the text with line feeds, a desktop-created record, a member.
  ASSERT_TRUE(f.Reopen());
  CNoteRecord* note = FindLiveNote(id);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->text, "Plant tomatoes\nafter the frost"_cp);
  EXPECT_EQ(note->flags, kFlagNew);
  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{id});

  // Shown again with carriage returns; OK reads Update.
  ASSERT_TRUE(editor.ShowNote(id));
  EXPECT_EQ(editor.view().text, "Plant tomatoes\r\nafter the frost"_cp);
  EXPECT_EQ(editor.view().okStringId, IDS_UPDATE);
  EXPECT_FALSE(editor.isNew());
}

TEST_F(NoteEditorTest, TextsOfTheLimitPassOneMoreIsToldAndCut) {
  CNoteEditor editor;
  editor.NewNote();
  uint32_t id = editor.noteId();
  ASSERT_TRUE(editor.Ok(CpText(std::string(30000, 'a')), false));
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(FindLiveNote(id)->text.size(), 30000u);

  editor.NewNote();
  id = editor.noteId();
  ASSERT_TRUE(editor.Ok(CpText(std::string(30001, 'b')), false));
  ASSERT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
  EXPECT_EQ(f.ui.messages[0].text,
            "The Note contains more than 30000 characters.\nIt will be truncated before saving.");
  EXPECT_EQ(f.ui.messages[0].caption, "Quillet");
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveNote(id)->text, CpText(std::string(30000, 'b')));

  // The limit counts characters as stored: the carriage returns the edit
  // control adds are not counted, so a shown note of the limit with many
  // lines is saved whole and without a word.
  std::string lines;
  for (int i = 0; i < 10000; ++i) lines += "ab\r\n";  // 40000 typed, 30000 stored
  editor.NewNote();
  id = editor.noteId();
  ASSERT_TRUE(editor.Ok(CpText(lines), false));
  EXPECT_EQ(f.ui.messages.size(), 1u);  // only the one above
  const std::string& stored = FindLiveNote(id)->text.bytes();
  EXPECT_EQ(stored.find('\r'), std::string::npos);
  EXPECT_EQ(stored.size(), 30000u);

  // An unchanged note of 30000 characters with 100 line breaks, shown and
  // saved again, keeps every character.
  std::string full;
  for (int i = 0; i < 100; ++i) full += std::string(299, 'n') + "\n";
  const uint32_t kept = f.AddNote(topic, full);
  ASSERT_TRUE(editor.ShowNote(kept));
  EXPECT_EQ(editor.view().text.size(), 30100u);
  ASSERT_TRUE(editor.Ok(editor.view().text, false));
  EXPECT_EQ(f.ui.messages.size(), 1u);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveNote(kept)->text, CpText(full));
}

TEST_F(NoteEditorTest, TheQuietOkSavesWhatFitsAndLeavesTheRestUntouched) {
  const uint32_t id = f.AddNote(topic, "old");
  ASSERT_EQ(pDB->Save(), DB_OK);
  CNoteEditor editor;
  ASSERT_TRUE(editor.ShowNote(id));
  bEditPending = 1;
  EXPECT_FALSE(editor.OkQuietly(CpText(std::string(30001, 'x')), true));
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(FindLiveNote(id)->text, "old"_cp);
  EXPECT_EQ(FindLiveNote(id)->isPrivate, 0u);
  EXPECT_EQ(bEditPending, 1);

  ASSERT_TRUE(editor.OkQuietly("new\r\ntext"_cp, false));
  EXPECT_EQ(bEditPending, 0);
  EXPECT_TRUE(f.host.commands.empty());
  // The window goes on showing the note, now as saved.
  EXPECT_EQ(editor.noteId(), id);
  EXPECT_EQ(editor.view().text, "new\r\ntext"_cp);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveNote(id)->text, "new\ntext"_cp);

  // A new note becomes a member and the window shows it as added.
  editor.NewNote();
  const uint32_t fresh = editor.noteId();
  ASSERT_TRUE(editor.OkQuietly("half typed"_cp, false));
  EXPECT_FALSE(editor.isNew());
  EXPECT_EQ(editor.noteId(), fresh);
  EXPECT_EQ(editor.view().okStringId, IDS_UPDATE);
  EXPECT_EQ(f.MembersOf(topic).back(), fresh);
}

TEST_F(NoteEditorTest, UpdatingMarksModifiedAndRenewsTheItem) {
  const uint32_t id = f.AddNote(topic, "old");
  CNoteEditor editor;
  ASSERT_TRUE(editor.ShowNote(id));
  ASSERT_TRUE(editor.Ok("new text"_cp, false));
  CNoteRecord* note = FindLiveNote(id);
  EXPECT_EQ(note->text, "new text"_cp);
  EXPECT_EQ(note->flags, kFlagNew | kFlagModified);
  EXPECT_EQ(tree.calls, std::vector<std::string>{"umember " + std::to_string(id)});
  EXPECT_EQ(pDB->CountLive(kKindNote), 1u);
  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{id});
}

TEST_F(NoteEditorTest, PrivateFlagTakesTheItemAwayOnlyWhileHidden) {
  const uint32_t id = f.AddNote(topic, "secret");
  CNoteEditor editor;
  ASSERT_TRUE(editor.ShowNote(id));
  EXPECT_FALSE(editor.view().isPrivate);
  ASSERT_TRUE(editor.Ok("secret"_cp, true));
  EXPECT_EQ(FindLiveNote(id)->isPrivate, 1u);
  EXPECT_EQ(tree.calls.front(), "remove " + std::to_string(id));

  // Shown again it reads private; unchecking clears it.
  tree.calls.clear();
  bShowPrivate = 1;
  ASSERT_TRUE(editor.ShowNote(id));
  EXPECT_TRUE(editor.view().isPrivate);
  ASSERT_TRUE(editor.Ok("secret"_cp, true));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"umember " + std::to_string(id)});
  ASSERT_TRUE(editor.ShowNote(id));
  ASSERT_TRUE(editor.Ok("secret"_cp, false));
  EXPECT_EQ(FindLiveNote(id)->isPrivate, 0u);

  // A new private note never had an item to take away.
  bShowPrivate = 0;
  tree.calls.clear();
  editor.NewNote();
  const uint32_t fresh = editor.noteId();
  ASSERT_TRUE(editor.Ok("hidden"_cp, true));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"member " + std::to_string(fresh)});
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveNote(fresh)->isPrivate, 1u);
}

TEST_F(NoteEditorTest, AFailedSaveKeepsTheTextAndASecondOkDoesNotAddTwice) {
  CNoteEditor editor;
  editor.NewNote();
  const uint32_t id = editor.noteId();
  std::filesystem::remove_all(f.output);
  EXPECT_FALSE(editor.Ok("keep me"_cp, false));
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_EQ(editor.noteId(), id);  // not cleared
  std::filesystem::create_directories(f.output);
  ASSERT_TRUE(editor.Ok("keep me"_cp, false));
  EXPECT_EQ(pDB->CountLive(kKindNote), 1u);
  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{id});
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveNote(id)->text, "keep me"_cp);
}

TEST_F(NoteEditorTest, CancelAndModeChangesDropThePendingNote) {
  CNoteEditor editor;
  editor.NewNote();
  bEditPending = 1;
  editor.Cancel();
  EXPECT_EQ(editor.pendingNote(), nullptr);
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(bEditPending, 0);
  editor.NewNote();
  EXPECT_TRUE(editor.DiscardPending());
  EXPECT_FALSE(editor.DiscardPending());
  EXPECT_EQ(pDB->CountLive(kKindNote), 0u);
  EXPECT_TRUE(tree.calls.empty());
}

TEST_F(NoteEditorTest, OnlyLiveNotesAreShown) {
  const uint32_t note = f.AddNote(topic, "gone");
  FindRecord(note)->flags |= kFlagDeleted;
  CNoteEditor editor;
  EXPECT_FALSE(editor.ShowNote(note));
  EXPECT_FALSE(editor.ShowNote(topic));  // a topic is no note
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  // A note deleted while shown: OK has nothing to save.
  const uint32_t other = f.AddNote(topic, "x");
  ASSERT_TRUE(editor.ShowNote(other));
  FindRecord(other)->flags |= kFlagDeleted;
  EXPECT_FALSE(editor.Ok("y"_cp, false));
  EXPECT_TRUE(f.host.commands.empty());
}

}  // namespace
}  // namespace quillet
