#include <gtest/gtest.h>

#include <filesystem>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/CustomEditor.h"
#include "desktop/records/DateTexts.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::StoreFixture;

// Typed or stored fields, as code-page text.
std::vector<CpText> Fields(std::initializer_list<std::string> texts) {
  return std::vector<CpText>(texts.begin(), texts.end());
}

class CallTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  void InsertMember(CRecord& r) override { calls.push_back("member " + std::to_string(r.recordId)); }
  void UpdateMember(const CRecord& r) override { calls.push_back("umember " + std::to_string(r.recordId)); }
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
  void RefreshAndSelect(uint32_t, bool) override {}
  uint32_t CurrentTopic() const override { return 0; }
};

class CustomEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    topic = f.AddTopic("Reading");
  }
  void TearDown() override { bEditPending = 0; }

  StoreFixture f;
  CallTree tree;
  uint32_t topic = 0;
};

TEST(ReferenceKinds, TypesFieldCountsAndTitlesAgreeWithTheStore) {
  ASSERT_EQ(ReferenceKinds().size(), 6u);
  for (const ReferenceKind& k : ReferenceKinds()) {
    EXPECT_EQ(k.labels.size(), static_cast<size_t>(CustomTypeFieldCount(k.customType))) << k.dialogTitle;
    EXPECT_STREQ(k.labels.front(), "Title");
    EXPECT_EQ(KindOfType(k.customType), &k);
    EXPECT_EQ(KindOfWindow(k.windowKind), &k);
  }
  EXPECT_EQ(KindOfWindow(2)->labels.size(), 8u);  // journal article
  EXPECT_EQ(KindOfWindow(5)->labels.size(), 6u);  // report
  EXPECT_STREQ(KindOfWindow(5)->labels[5], "Notes");
  EXPECT_STREQ(KindOfWindow(6)->dialogTitle, "Internet Details");
  EXPECT_EQ(KindOfWindow(0), nullptr);
  EXPECT_EQ(KindOfType(-7), nullptr);
}

TEST_F(CustomEditorTest, NewInternetPageStartsWithHttpAndIsStoredOnOk) {
  CCustomEditor editor;
  editor.SetNewKind(6);
  editor.NewReference();
  ASSERT_TRUE(editor.isNew());
  EXPECT_EQ(editor.view().windowKind, 6);
  EXPECT_EQ(editor.view().fields, Fields({"", "http://", ""}));
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  const uint32_t id = editor.referenceId();
  EXPECT_EQ(pDB->CountLive(kKindCustom), 0u);

  bEditPending = 1;
  ASSERT_TRUE(editor.Ok(Fields({"Seed catalogue", "http://seeds.example/", "See page 2\r\nand 3"}), false));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"member " + std::to_string(id)});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(bEditPending, 0);
  EXPECT_EQ(editor.view().windowKind, 0);  // cleared
  ASSERT_TRUE(f.Reopen());
  CCustomRecord* ref = FindLiveReference(id);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->customType, kCustomInternet);
  EXPECT_EQ(ref->fields, Fields({"Seed catalogue", "http://seeds.example/", "See page 2\nand 3"}));
  EXPECT_EQ(ref->flags, kFlagNew);

  // Shown again: its stored URL, not the prefix; carriage returns back.
  ASSERT_TRUE(editor.ShowReference(id));
  EXPECT_EQ(editor.view().fields[1], "http://seeds.example/"_cp);
  EXPECT_EQ(editor.view().fields[2], "See page 2\r\nand 3"_cp);
  EXPECT_EQ(editor.view().okStringId, IDS_UPDATE);
}

TEST_F(CustomEditorTest, EveryKindGetsItsTypeAndFieldCountAndABookWhenNoneWasChosen) {
  CCustomEditor editor;
  editor.NewReference();
  EXPECT_EQ(editor.pendingReference()->customType, kCustomBook);
  for (const ReferenceKind& k : ReferenceKinds()) {
    editor.SetNewKind(k.windowKind);
    editor.NewReference();
    EXPECT_EQ(editor.pendingReference()->customType, k.customType);
    EXPECT_EQ(editor.pendingReference()->fieldCount(), k.labels.size());
  }
  // A report: six fields, its notes the sixth.
  editor.SetNewKind(5);
  editor.NewReference();
  const uint32_t id = editor.referenceId();
  ASSERT_TRUE(editor.Ok(Fields({"Soil survey", "J. Doe", "Council", "Clay", "2004", "Ask for the maps"}), false));
  EXPECT_EQ(FindLiveReference(id)->fields.at(5), "Ask for the maps"_cp);
}

TEST_F(CustomEditorTest, OverlongFieldsAreToldOneByOneAndCut) {
  CCustomEditor editor;
  editor.SetNewKind(6);
  editor.NewReference();
  const uint32_t id = editor.referenceId();
  ASSERT_TRUE(editor.Ok(Fields({std::string(30001, 't'), std::string(30000, 'u'), std::string(40000, 'n')}), false));
  EXPECT_EQ(f.ui.MessageIds(), (std::vector<int>{IDS_TEXT_TOO_LONG, IDS_TEXT_TOO_LONG}));
  EXPECT_EQ(f.ui.messages[0].text,
            "The Note contains more than 30000 characters.\nIt will be truncated before saving.");
  ASSERT_TRUE(f.Reopen());
  const CCustomRecord* ref = FindLiveReference(id);
  EXPECT_EQ(ref->fields[0].size(), 30000u);
  EXPECT_EQ(ref->fields[1].size(), 30000u);
  EXPECT_EQ(ref->fields[2].size(), 30000u);
}

TEST_F(CustomEditorTest, UpdatingKeepsTheRecordsFieldCountAndMarksItModified) {
  const uint32_t id = f.AddReference(topic, "Handbook");  // an internet page, three fields
  CCustomRecord* ref = FindLiveReference(id);
  ref->fields.emplace_back("a fourth field the handheld wrote");
  CCustomEditor editor;
  ASSERT_TRUE(editor.ShowReference(id));
  EXPECT_EQ(editor.view().windowKind, 6);
  ASSERT_EQ(editor.view().fields.size(), 3u);
  ASSERT_TRUE(editor.Ok(Fields({"Handbook, 2nd ed.", "http://example.org/2", "x"}), false));
  ref = FindLiveReference(id);
  EXPECT_EQ(ref->fields, Fields({"Handbook, 2nd ed.", "http://example.org/2", "x",
                                                   "a fourth field the handheld wrote"}));
  EXPECT_NE(ref->flags & kFlagModified, 0u);
  EXPECT_EQ(tree.calls, std::vector<std::string>{"umember " + std::to_string(id)});
}

TEST_F(CustomEditorTest, PrivateReferencesLeaveTheTreeWhileHidden) {
  const uint32_t id = f.AddReference(topic, "Diary");
  CCustomEditor editor;
  ASSERT_TRUE(editor.ShowReference(id));
  ASSERT_TRUE(editor.Ok(Fields({"Diary", "http://d/", ""}), true));
  EXPECT_EQ(tree.calls.front(), "remove " + std::to_string(id));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveReference(id)->isPrivate, 1u);
  ASSERT_TRUE(editor.ShowReference(id));
  EXPECT_TRUE(editor.view().isPrivate);
}

TEST_F(CustomEditorTest, AGoneReferenceOnlyReturnsAndClearsAFailedSaveKeepsIt) {
  const uint32_t id = f.AddReference(topic, "Gone");
  CCustomEditor editor;
  ASSERT_TRUE(editor.ShowReference(id));
  FindRecord(id)->flags |= kFlagDeleted;
  EXPECT_FALSE(editor.Ok(Fields({"x", "y", "z"}), false));
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(editor.referenceId(), 0u);
  EXPECT_TRUE(f.ui.messages.empty());

  f.host.commands.clear();
  editor.SetNewKind(1);
  editor.NewReference();
  const uint32_t fresh = editor.referenceId();
  std::filesystem::remove_all(f.output);
  EXPECT_FALSE(editor.Ok(Fields({"Kept", "", "", "", "", "", ""}), false));
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
  EXPECT_TRUE(f.host.commands.empty());
  std::filesystem::create_directories(f.output);
  ASSERT_TRUE(editor.Ok(Fields({"Kept", "", "", "", "", "", ""}), false));
  EXPECT_EQ(pDB->CountLive(kKindCustom), 1u);
  EXPECT_EQ(FindLiveReference(fresh)->fields[0], "Kept"_cp);
}

TEST_F(CustomEditorTest, CancelAndModeChangesDropThePendingReference) {
  CCustomEditor editor;
  editor.NewReference();
  bEditPending = 1;
  editor.Cancel();
  EXPECT_EQ(editor.pendingReference(), nullptr);
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(bEditPending, 0);
  editor.NewReference();
  EXPECT_TRUE(editor.DiscardPending());
  EXPECT_FALSE(editor.DiscardPending());
  EXPECT_EQ(pDB->CountLive(kKindCustom), 0u);
}

TEST(DateTexts, DayMonthYearWithTwelveHourClock) {
  const DateLocale l = DateLocaleFromFormats("%d/%m/%y", "%I:%M %p");
  ASSERT_TRUE(l.hasDate && l.hasTime && l.twelveHour);
  const DateTime t = ParseDateText("03/04/05 10:30 PM", l);
  EXPECT_EQ(t.year, 2005);
  EXPECT_EQ(t.month, 4);
  EXPECT_EQ(t.day, 3);
  EXPECT_EQ(t.hour, 22);
  EXPECT_EQ(t.minute, 30);
  // Noon and midnight keep their place in the day.
  EXPECT_EQ(ParseDateText("03/04/05 12:15 pm", l).hour, 12);
  EXPECT_EQ(ParseDateText("03/04/05 12:15 am", l).hour, 0);
  EXPECT_EQ(CompareDateTexts("03/04/05 12:15 PM", "03/04/05 1:00 PM", l), -1);
  EXPECT_EQ(CompareDateTexts("04/03/05 1:00 AM", "03/04/05 1:00 AM", l), -1);  // March before April
}

TEST(DateTexts, OrderByEachPartAndZerosForTextsOffThePattern) {
  const DateLocale l = DateLocaleFromFormats("%m/%d/%Y", "%H:%M:%S");
  ASSERT_FALSE(l.twelveHour);
  EXPECT_EQ(CompareDateTexts("12/08/2026 10:30", "12/08/2026 10:31", l), -1);
  EXPECT_EQ(CompareDateTexts("12/08/2026 10:31", "12/08/2026 10:30", l), 1);
  EXPECT_EQ(CompareDateTexts("12/08/2026 10:30", "12/08/2026 10:30-x", l), 0);
  EXPECT_EQ(CompareDateTexts("01/01/2027", "12/31/2026 23:59", l), 1);
  EXPECT_EQ(ParseDateText("1/2/4", l).year, 2004);
  EXPECT_EQ(ParseDateText("1/2/1999", l).year, 3999);
  const DateTime bad = ParseDateText("yesterday", l);
  EXPECT_EQ(bad.year + bad.month + bad.day + bad.hour + bad.minute, 0);
  EXPECT_EQ(ParseDateText("12-08-2026", l).year, 0);  // wrong separator
  EXPECT_EQ(CompareDateTexts("junk", "01/01/2000", l), -1);
  // A date without a readable time compares by its date alone.
  EXPECT_EQ(ParseDateText("12/08/2026 noon", l).day, 8);
  // A run of digits too long for a number is capped, not overflowed.
  EXPECT_EQ(ParseDateText("12/08/2026 99999999999:5", l).minute, 5);
  EXPECT_EQ(CompareDateTexts("99999999999/1/1", "1/1/1", l), 1);
  // Year first, with dashes; a locale whose formats cannot be read parses nothing.
  const DateLocale iso = DateLocaleFromFormats("%Y-%m-%d", "%H:%M");
  EXPECT_EQ(ParseDateText("2026-12-08 07:05", iso).month, 12);
  EXPECT_EQ(ParseDateText("2026-12-08 07:05", iso).minute, 5);
  EXPECT_FALSE(DateLocaleFromFormats("", "").hasDate);
  EXPECT_EQ(ParseDateText("2026-12-08", DateLocale{}).year, 0);
}

TEST(DateTexts, TheProcessLocaleIsRead) {
  // Tests run in the "C" locale: month/day/year, a 24-hour clock.
  const DateLocale l = CurrentDateLocale();
  ASSERT_TRUE(l.hasDate && l.hasTime);
  EXPECT_EQ(l.order, DateLocale::Order::kMonthDayYear);
  EXPECT_EQ(l.dateSeparator, '/');
  EXPECT_FALSE(l.twelveHour);
  EXPECT_EQ(CompareDateTexts("03/04/05 10:30", "04/03/05 10:30"), -1);
}

}  // namespace
}  // namespace quillet
