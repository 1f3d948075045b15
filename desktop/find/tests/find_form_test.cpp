// The find form: its controls, what Find, Cancel and the reset do, and the
// result list's lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/DiagnosticLog.h"
#include "desktop/find/FindForm.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

std::vector<std::string> g_log;
std::vector<std::string> g_debug;
void Log(const char* line) { g_log.emplace_back(line); }
void Debug(const char* line) { g_debug.emplace_back(line); }

size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  size_t n = 0;
  for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

class FindFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bShowPrivate = 0;
    g_log.clear();
    g_debug.clear();
    form_.SetResultsListener([this] { ++refreshes_; });
  }

  template <class T>
  T* Add(uint32_t id) {
    auto r = std::make_unique<T>();
    T* raw = r.get();
    r->recordId = id;
    EXPECT_EQ(store_.Insert(std::move(r)), DB_OK);
    return raw;
  }
  void Topic(uint32_t id, const std::string& title) { Add<CTopicRecord>(id)->title = CpText(title); }
  void Note(uint32_t id, const std::string& text) { Add<CNoteRecord>(id)->text = CpText(text); }
  void Image(uint32_t id, const std::string& title, uint32_t format) {
    auto* i = Add<CImageRecord>(id);
    i->title = CpText(title);
    i->format = format;
  }
  void Reference(uint32_t id, const std::string& title) {
    auto* c = Add<CCustomRecord>(id);
    c->fields = {CpText(title), ""_cp, ""_cp, ""_cp};
  }
  // "id:icon:text" per line.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const FindListLine& l : form_.ListLines())
      out.push_back(std::to_string(l.recordId) + ":" + std::to_string(l.iconId) + ":" + l.text.bytes());
    return out;
  }

  CRecordStore store_{"quillet.dat", ""};
  CFindForm form_{&Log, &Debug};
  int refreshes_ = 0;
};

TEST_F(FindFormTest, StartsWithAnyAndEveryKindAndTheRuleButtonsAreRadioButtons) {
  EXPECT_EQ(form_.searchText(), ""_cp);
  EXPECT_TRUE(form_.RuleChecked(FIND_RULE_ANY));
  EXPECT_FALSE(form_.RuleChecked(FIND_RULE_ALL));
  EXPECT_FALSE(form_.RuleChecked(FIND_RULE_EXACT));
  EXPECT_EQ(form_.Rule(), FIND_RULE_ANY);
  for (auto k : {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom})
    EXPECT_TRUE(form_.KindChecked(k));

  form_.CheckRule(FIND_RULE_EXACT);
  EXPECT_EQ(form_.Rule(), FIND_RULE_EXACT);
  EXPECT_FALSE(form_.RuleChecked(FIND_RULE_ANY));
  form_.CheckRule(FIND_RULE_ALL);
  EXPECT_EQ(form_.Rule(), FIND_RULE_ALL);
  EXPECT_FALSE(form_.RuleChecked(FIND_RULE_EXACT));
  form_.CheckRule(7);  // no such button: nothing changes
  EXPECT_EQ(form_.Rule(), FIND_RULE_ALL);
}

TEST_F(FindFormTest, OnlyTheFirst8191CharactersOfTheSearchTextAreRead) {
  const std::string typed = std::string(8191, 'x') + "TAIL";
  form_.SetSearchText(CpText(typed));
  EXPECT_EQ(form_.searchText().size(), 8191u);
  EXPECT_EQ(form_.searchText(), CpText(std::string(8191, 'x')));
  // A title that matches only with the cut-off tail is not found.
  Topic(2, "xTAIL");
  form_.CheckRule(FIND_RULE_ALL);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), std::vector<std::string>{"0:308:0 Records Found"});
}

TEST_F(FindFormTest, FindEnablesTheCheckedKindsInOrderAndSearchesOnlyThem) {
  Topic(2, "apple tart");
  Note(3, "apple pie\nsecond line");
  Image(4, "apple tree", 0);
  Reference(5, "Apples of the world");
  form_.SetKindChecked(FindKind::kNote, false);
  form_.SetSearchText("apple"_cp);
  form_.PressFind(&store_);
  EXPECT_EQ(g_log, (std::vector<std::string>{"FIND: Topic enabled", "FIND: Image enabled",
                                             "FIND: Custom enabled"}));
  EXPECT_TRUE(form_.engine().IsEnabled(FindKind::kTopic));
  EXPECT_FALSE(form_.engine().IsEnabled(FindKind::kNote));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"2:500:apple tart", "4:362:apple tree",
                                               "5:199:Apples of the world"}));
  EXPECT_EQ(refreshes_, 1);
}

TEST_F(FindFormTest, AnEmptyTextSearchesNothingButStillEnablesTheKinds) {
  Topic(2, "anything");
  form_.PressFind(&store_);
  EXPECT_EQ(g_log.size(), 4u);
  EXPECT_EQ(CountPrefix(g_debug, "NEW "), 0u);
  EXPECT_EQ(Lines(), std::vector<std::string>{"0:308:0 Records Found"});
  EXPECT_EQ(refreshes_, 1);
  // Without a store nothing is found either.
  form_.SetSearchText("anything"_cp);
  form_.PressFind(nullptr);
  EXPECT_EQ(Lines(), std::vector<std::string>{"0:308:0 Records Found"});
}

TEST_F(FindFormTest, LinesAreSortedByTextWithoutRegardToCaseAndCarryTheirKindsPicture) {
  Topic(2, "mango");
  Topic(3, "Banana");
  Note(4, "cherry\nlater lines");  // found by its second line, shown by its first
  Image(5, "Apple drawing", kImageFormatSketch);
  Image(6, "apple photo", 0);
  Reference(7, "banana");  // same text as the topic but for case
  form_.SetSearchText("a"_cp);
  form_.PressFind(&store_);
  // Fill order is topics, references, notes, images; the list shows them
  // sorted, and equal texts keep the fill order (the topic before the
  // reference).
  EXPECT_EQ(Lines(), (std::vector<std::string>{"5:516:Apple drawing", "6:362:apple photo",
                                               "3:500:Banana", "7:199:banana",
                                               "4:513:cherry", "2:500:mango"}));
  form_.SetSearchText("e"_cp);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"5:516:Apple drawing", "6:362:apple photo",
                                               "4:513:cherry"}));
}

TEST_F(FindFormTest, ARecordWithoutATitleHasARowToClick) {
  // Found by a later line, shown by an empty or blank first one: the row
  // reads "(untitled)", as in the tree, and still opens its record.
  Topic(2, "");
  Note(3, "\nheron seen");
  Image(4, " \t", 0);  // nothing to find by: not listed
  Reference(5, "Herons of the marsh");
  form_.SetSearchText("heron"_cp);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"3:513:(untitled)", "5:199:Herons of the marsh"}));
}

TEST_F(FindFormTest, SortingComparesOtherBytesByValue) {
  std::vector<FindListLine> lines = {{CpText("\xE9t\xE9"), 1, 0}, {"zoo"_cp, 2, 0}, {"[x]"_cp, 3, 0},
                                     {"Z"_cp, 4, 0}, {""_cp, 5, 0}};
  SortListLines(&lines);
  std::vector<uint32_t> ids;
  for (const auto& l : lines) ids.push_back(l.recordId);
  // "" < "Z" < "zoo" < "[x]" ('[' is above 'Z') < the accented byte 0xE9.
  EXPECT_EQ(ids, (std::vector<uint32_t>{5, 4, 2, 3, 1}));
}

// The sort compares the lines' first eight folded bytes as one number and
// only lines that begin alike in full; it must order exactly as comparing
// every line byte by byte (a-z as A-Z, shorter first, equal texts in the
// order given). Random lines over a small alphabet, many sharing long
// beginnings, of all lengths around eight.
TEST(FindListOrder, SortAgreesWithTheByteByByteOrder) {
  auto fold = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<unsigned char>(u >= 'a' && u <= 'z' ? u - 32 : u);
  };
  auto before = [&](const FindListLine& a, const FindListLine& b) {
    for (size_t i = 0; i < std::min(a.text.size(), b.text.size()); ++i)
      if (fold(a.text[i]) != fold(b.text[i])) return fold(a.text[i]) < fold(b.text[i]);
    return a.text.size() < b.text.size();
  };
  const std::string alphabet = std::string("aAbB[{ \xE9\xC9\x01") + '\0';
  uint32_t seed = 99;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 9) % n;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<FindListLine> lines;
    for (uint32_t i = 0; i < 60; ++i) {
      std::string t = next(2) ? "Garden r" : "";
      for (uint32_t n = next(12); n > 0; --n) t += alphabet[next(static_cast<uint32_t>(alphabet.size()))];
      lines.push_back({CpText(t), i, 0});
    }
    std::vector<FindListLine> want = lines;
    std::stable_sort(want.begin(), want.end(), before);
    SortListLines(&lines);
    std::vector<uint32_t> got_ids, want_ids;
    for (const auto& l : lines) got_ids.push_back(l.recordId);
    for (const auto& l : want) want_ids.push_back(l.recordId);
    ASSERT_EQ(got_ids, want_ids) << "round " << round;
  }
}

TEST_F(FindFormTest, ResultsLiveUntilTheNextFindCancelOrReset) {
  Topic(2, "pear");
  Note(3, "pear jam");
  form_.SetSearchText("pear"_cp);
  form_.CheckRule(FIND_RULE_EXACT);
  form_.SetKindChecked(FindKind::kImage, false);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), std::vector<std::string>{"2:500:pear"});
  // Reading the lines again keeps the results.
  EXPECT_EQ(Lines(), std::vector<std::string>{"2:500:pear"});
  EXPECT_EQ(CountPrefix(g_debug, "NEW ResultTopic"), 1u);

  form_.ResetForm();
  EXPECT_EQ(form_.searchText(), ""_cp);
  EXPECT_EQ(form_.Rule(), FIND_RULE_ANY);
  EXPECT_TRUE(form_.KindChecked(FindKind::kImage));
  EXPECT_FALSE(form_.engine().IsEnabled(FindKind::kTopic));
  EXPECT_EQ(CountPrefix(g_debug, "DELETE ResultTopic"), 1u);
  // After a reset nothing was searched: no line, not "0 Records Found".
  EXPECT_FALSE(form_.Searched());
  EXPECT_EQ(Lines(), std::vector<std::string>{});
  EXPECT_EQ(refreshes_, 2);

  form_.SetSearchText("PEAR"_cp);
  form_.CheckRule(FIND_RULE_ALL);
  form_.SetKindChecked(FindKind::kTopic, false);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), std::vector<std::string>{"3:513:pear jam"});
  form_.Cancel();
  EXPECT_EQ(form_.searchText(), ""_cp);
  EXPECT_EQ(form_.Rule(), FIND_RULE_ANY);
  EXPECT_TRUE(form_.KindChecked(FindKind::kTopic));
  EXPECT_EQ(CountPrefix(g_debug, "DELETE ResultNote"), 1u);
  EXPECT_EQ(Lines(), std::vector<std::string>{});
  EXPECT_EQ(refreshes_, 4);

  // A search that finds nothing says so, with a count of none.
  form_.SetSearchText("quince"_cp);
  form_.PressFind(&store_);
  EXPECT_TRUE(form_.Searched());
  EXPECT_EQ(form_.ResultCount(), 0u);
  EXPECT_EQ(Lines(), std::vector<std::string>{"0:308:0 Records Found"});
  form_.SetSearchText("pear"_cp);
  form_.PressFind(&store_);
  EXPECT_EQ(form_.ResultCount(), 2u);
}

TEST_F(FindFormTest, PrivateRecordsFollowTheShowPrivateFlag) {
  auto* topic = Add<CTopicRecord>(2);
  topic->title = "secret topic"_cp;
  topic->isPrivate = 1;
  auto* note = Add<CNoteRecord>(3);
  note->text = "secret note"_cp;
  note->isPrivate = 1;
  form_.SetSearchText("secret"_cp);
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), std::vector<std::string>{"0:308:0 Records Found"});
  bShowPrivate = 1;
  form_.PressFind(&store_);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"3:513:secret note", "2:500:secret topic"}));
  bShowPrivate = 0;
}

TEST_F(FindFormTest, LinesOfRecordsDeletedOrHiddenSinceTheSearchAreLeftOut) {
  auto* topic = Add<CTopicRecord>(2);
  topic->title = "plum topic"_cp;
  topic->isPrivate = 1;
  auto* note = Add<CNoteRecord>(3);
  note->text = "plum note"_cp;
  note->isPrivate = 1;
  auto* picture = Add<CImageRecord>(4);
  picture->title = "plum picture"_cp;
  Reference(5, "plum book");
  bShowPrivate = 1;
  form_.SetSearchText("plum"_cp);
  form_.PressFind(&store_);
  ASSERT_EQ(form_.ListLines(&store_).size(), 4u);

  // Private records hidden again: the private note and the private topic
  // go, as they go from the tree.
  bShowPrivate = 0;
  picture->flags |= 1;  // deleted
  EXPECT_EQ(form_.ListLines(&store_).size(), 1u);
  std::vector<uint32_t> ids;
  for (const auto& l : form_.ListLines(&store_)) ids.push_back(l.recordId);
  EXPECT_EQ(ids, (std::vector<uint32_t>{5}));
  EXPECT_FALSE(CFindForm::Openable(&store_, 2));
  EXPECT_TRUE(CFindForm::Openable(&store_, 5));
  EXPECT_FALSE(CFindForm::Openable(&store_, 3));
  EXPECT_FALSE(CFindForm::Openable(&store_, 4));
  EXPECT_FALSE(CFindForm::Openable(&store_, 99));
  EXPECT_FALSE(CFindForm::Openable(&store_, 0));
  EXPECT_FALSE(CFindForm::Openable(nullptr, 2));
  // Without a store to check against, every result is listed; the results
  // themselves are untouched.
  EXPECT_EQ(form_.ListLines().size(), 4u);
  EXPECT_EQ(form_.engine().notes().size(), 1u);

  // Archived (flag bit 1) counts as gone too; with nothing left the list
  // says so.
  for (uint32_t id : {5u}) {
    CRecord* r = nullptr;
    ASSERT_EQ(store_.FindById(id, &r), DB_OK);
    r->flags |= 2;
  }
  const std::vector<FindListLine> left = form_.ListLines(&store_);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].text, "0 Records Found"_cp);
  EXPECT_EQ(left[0].recordId, 0u);
  EXPECT_EQ(left[0].iconId, kFindIconNothing);
}

void Collect(const char* piece) { g_debug.emplace_back(piece); }

TEST(FindFormLog, TheDefaultFormWritesItsResultsToTheDebugChannel) {
  g_debug.clear();
  DebugSink previous = SetDebugSink(Collect);
  {
    CRecordStore store{"quillet.dat", ""};
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = 2;
    t->title = "Kiwi"_cp;
    ASSERT_EQ(store.Insert(std::move(t)), DB_OK);
    CFindForm form;
    form.SetSearchText("kiwi"_cp);
    form.PressFind(&store);
    ASSERT_EQ(form.ListLines().size(), 1u);
  }
  SetDebugSink(previous);
  EXPECT_EQ(CountPrefix(g_debug, "NEW ResultTopic = 0x"), 1u);
  // The form's end deletes the result it still held.
  EXPECT_EQ(CountPrefix(g_debug, "DELETE ResultTopic = 0x"), 1u);
}

}  // namespace
}  // namespace quillet
