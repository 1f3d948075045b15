#include <gtest/gtest.h>

#include "base/UserInterface.h"
#include "desktop/shell/UnsavedEdits.h"
#include "store/RecordStore.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

class FakeEdits : public IUnsavedEdits {
 public:
  std::string name = "Garden plans";
  bool saveWorks = true;
  int saves = 0, discards = 0;
  std::string EditedRecordName() const override { return name; }
  bool SaveEdits() override {
    ++saves;
    return saveWorks;
  }
  void DiscardEdits() override { ++discards; }
};

TEST(UnsavedEdits, TheQuestionNamesTheRecordAndOffersSaveDiscardCancel) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  FakeEdits edits;
  ui.messageAnswers = {kIdCancel};
  EXPECT_EQ(SettleUnsavedEdits(&edits), EditsSettled::kCancelled);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Save changes to \"Garden plans\"?");
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_EQ(ui.messages[0].flags & kMbButtonsMask, unsigned(kMbSaveDiscardCancel));
  // Enter saves: no default other than the first button.
  EXPECT_EQ(ui.messages[0].flags & kMbDefaultMask, 0u);
  EXPECT_EQ(edits.saves + edits.discards, 0);

  edits.name.clear();
  ui.messageAnswers = {kIdCancel};
  SettleUnsavedEdits(&edits);
  EXPECT_EQ(ui.messages[1].text, "Save changes to the new record?");
}

TEST(UnsavedEdits, SaveRunsTheWindowsOkAndAFailedOkStopsTheAction) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  FakeEdits edits;
  ui.messageAnswers = {kIdYes};
  EXPECT_EQ(SettleUnsavedEdits(&edits), EditsSettled::kSaved);
  EXPECT_EQ(edits.saves, 1);

  edits.saveWorks = false;
  ui.messageAnswers = {kIdYes};
  const EditsSettled s = SettleUnsavedEdits(&edits);
  EXPECT_EQ(s, EditsSettled::kCancelled);
  EXPECT_FALSE(MayGoOn(s));
  EXPECT_EQ(edits.discards, 0);
}

TEST(UnsavedEdits, DiscardGivesTheEditsUpAndNothingPendingAsksNothing) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  FakeEdits edits;
  ui.messageAnswers = {kIdNo};
  EXPECT_EQ(SettleUnsavedEdits(&edits), EditsSettled::kDiscarded);
  EXPECT_EQ(edits.discards, 1);
  EXPECT_EQ(edits.saves, 0);
  EXPECT_EQ(SettleUnsavedEdits(nullptr), EditsSettled::kNothingPending);
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(UnsavedEdits, WithoutAFormNothingIsSavedOrThrownAway) {
  FakeEdits edits;
  EXPECT_EQ(SettleUnsavedEdits(&edits), EditsSettled::kCancelled);
  EXPECT_EQ(edits.saves + edits.discards, 0);
}

TEST(StoreContext, AReopenedStoreOrAnotherUserNoLongerMatches) {
  CRecordStore a("quillet.dat", "/tmp/ann/");
  CRecordStore b("quillet.dat", "/tmp/bob/");
  const StoreContext asked = CurrentStoreContext(&a, "Ann/");
  EXPECT_EQ(asked, CurrentStoreContext(&a, "Ann/"));
  EXPECT_NE(asked, CurrentStoreContext(&b, "Ann/"));
  EXPECT_NE(asked, CurrentStoreContext(&a, "Bob/"));
  EXPECT_EQ(asked.storePath, "/tmp/ann/quillet.dat");
  NoteStoreReopened();
  // The same object and user, but the file was opened again meanwhile.
  EXPECT_NE(asked, CurrentStoreContext(&a, "Ann/"));
}

}  // namespace
}  // namespace quillet
