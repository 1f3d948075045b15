// The find engine: word splitting, matching, which records and fields are
// searched, and the result lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "store/PrivateRecords.h"
#include "store/find/FoundPlaces.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/find/FindEngine.h"

namespace quillet {
namespace {

using Words = std::vector<std::string>;

TEST(FindSplit, SeparatorsQuotesAndEmptyWords) {
  EXPECT_EQ(SplitWords("apple"), Words{"apple"});
  EXPECT_EQ(SplitWords("apple, pear"), (Words{"apple", "", "pear"}));
  EXPECT_EQ(SplitWords("apple  pear"), (Words{"apple", "", "pear"}));
  EXPECT_EQ(SplitWords("a+b,c d"), (Words{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitWords("apple "), (Words{"apple", ""}));
  EXPECT_EQ(SplitWords(""), Words{""});
  // Quotes keep spaces; commas and '+' still end words inside them.
  EXPECT_EQ(SplitWords("\"big apple\" pear"), (Words{"big apple", "pear"}));
  EXPECT_EQ(SplitWords("\"big apple\""), Words{"big apple"});
  EXPECT_EQ(SplitWords("\"a,b c\""), (Words{"a", "b c"}));
  EXPECT_EQ(SplitWords("\"open quote"), Words{"open quote"});
  EXPECT_EQ(SplitWords("\""), Words{""});
  // Many words: no limit.
  std::string many;
  for (int i = 0; i < 50; ++i) many += "w" + std::to_string(i) + " ";
  EXPECT_EQ(SplitWords(many).size(), 51u);
}

TEST(FindMatch, OnlyAsciiLettersFoldAndEmptyWordsMatchNothing) {
  EXPECT_TRUE(ContainsWord("The Quick Fox", "quick"));
  EXPECT_TRUE(ContainsWord("the quick fox", "QUICK F"));
  EXPECT_FALSE(ContainsWord("the quick fox", ""));
  EXPECT_FALSE(ContainsWord("", "a"));
  EXPECT_FALSE(ContainsWord("ab", "abc"));
  // Windows-1252 e-acute (E9) and E-acute (C9) are different bytes.
  EXPECT_TRUE(ContainsWord("caf\xE9", "CAF\xE9"));
  EXPECT_FALSE(ContainsWord("caf\xE9", "caf\xC9"));
  // Bytes outside a-z are compared as they are: '[' is not '{'.
  EXPECT_FALSE(ContainsWord("[x]", "{X}"));
  EXPECT_TRUE(EqualsWord("Paris", "PARIS"));
  EXPECT_FALSE(EqualsWord("Paris trip", "paris"));
  EXPECT_FALSE(EqualsWord("", ""));
}

// The prepared word the engine searches with must answer exactly as the
// plain byte-by-byte comparison: random fields and words over a small
// alphabet (both cases, a zero byte, bytes above 127, bytes that differ
// from a letter only in the case bit) so that matches,
// near misses and repeats are frequent.
TEST(FindMatch, PreparedWordAnswersAsThePlainComparison) {
  const std::string alphabet = std::string("aAbBzZ[{@` \xE9\xC9\xFF\n") + '\0';
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  auto random_text = [&](size_t max) {
    std::string t(next(static_cast<uint32_t>(max + 1)), ' ');
    for (char& c : t) c = alphabet[next(static_cast<uint32_t>(alphabet.size()))];
    return t;
  };
  size_t contained = 0, equal = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string field = random_text(round % 2 ? 40 : 120);  // long ones go sixteen at a time
    std::string word = random_text(6);
    // Often a piece of the field itself, its letters' cases changed.
    if (round % 3 == 0 && !field.empty()) {
      const size_t from = next(static_cast<uint32_t>(field.size()));
      word = field.substr(from, 1 + next(6));
      for (char& c : word)
        if (next(2) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (round % 7 == 0) word = field;
    const CFindWord prepared(word);
    const bool occurs = prepared.OccursIn(field.data(), field.size());
    const bool equals = prepared.Equals(field.data(), field.size());
    ASSERT_EQ(occurs, ContainsWord(field, word)) << "field \"" << field << "\" word \"" << word << "\"";
    ASSERT_EQ(equals, EqualsWord(field, word)) << "field \"" << field << "\" word \"" << word << "\"";
    contained += occurs;
    equal += equals;
  }
  // The inputs reached both answers of both questions.
  EXPECT_GT(contained, 2000u);
  EXPECT_LT(contained, 19000u);
  EXPECT_GT(equal, 500u);
}

TEST(FindMatch, PreparedWordOnLongFieldsAndRepeats) {
  // A word whose last byte repeats inside it, found only at the very end.
  std::string field(5000, 'a');
  field += "abab";
  EXPECT_TRUE(CFindWord("BAB").OccursIn(field.data(), field.size()));
  EXPECT_FALSE(CFindWord("bb").OccursIn(field.data(), field.size()));
  EXPECT_TRUE(CFindWord("AAAB").OccursIn(field.data(), field.size()));
  // Text after a zero byte is not part of the field.
  const std::string cut = std::string("garden") + '\0' + "river";
  EXPECT_FALSE(CFindWord("river").OccursIn(cut.data(), cut.size()));
  EXPECT_TRUE(CFindWord("GARDEN").Equals(cut.data(), cut.size()));
  EXPECT_FALSE(CFindWord("GARDEN").Equals(cut.data(), 5));
  // A word with a zero byte is the word up to it.
  EXPECT_TRUE(CFindWord(std::string("gar") + '\0' + "x").OccursIn(cut.data(), cut.size()));
  EXPECT_FALSE(CFindWord("").OccursIn(cut.data(), cut.size()));
}

class FindTest : public ::testing::Test {
 protected:
  void SetUp() override { bShowPrivate = 0; }
  void TearDown() override { bShowPrivate = 0; }

  template <class T>
  T* Add(uint32_t id, uint32_t flags = 0, uint32_t isPrivate = 0) {
    auto r = std::make_unique<T>();
    T* raw = r.get();
    r->recordId = id;
    EXPECT_EQ(store_.Insert(std::move(r)), DB_OK);
    raw->flags = flags;
    raw->isPrivate = isPrivate;
    return raw;
  }
  CTopicRecord* Topic(uint32_t id, const std::string& title, uint32_t category = 0) {
    auto* t = Add<CTopicRecord>(id);
    t->title = CpText(title);
    t->categoryId = category;
    return t;
  }
  CNoteRecord* Note(uint32_t id, const std::string& text) {
    auto* n = Add<CNoteRecord>(id);
    n->text = CpText(text);
    return n;
  }
  // "KIND:ID" for every entry in fill order.
  std::vector<std::string> Run(const std::string& text, int rule) {
    engine_.ClearResults();
    for (auto k : {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom})
      engine_.EnableKind(k);
    engine_.Find(store_, CpText(text), rule);
    std::vector<std::string> out;
    for (const auto& e : engine_.FillOrder()) {
      const char* k = e.kind == FindKind::kTopic  ? "T"
                      : e.kind == FindKind::kNote ? "N"
                      : e.kind == FindKind::kImage ? "I"
                                                   : "R";
      out.push_back(std::string(k) + std::to_string(e.recordId));
    }
    return out;
  }
  using List = std::vector<std::string>;

  CRecordStore store_{"quillet.dat", ""};
  CFindEngine engine_;
};

TEST_F(FindTest, AnyAllAndTheEmptyWordsBetweenSeparators) {
  Note(2, "apples are red");
  Note(3, "Pears are GREEN and so are APPLES");
  Note(4, "plums");
  EXPECT_EQ(Run("pear, plum", FIND_RULE_ANY), (List{"N3", "N4"}));
  EXPECT_EQ(Run("apples  pears", FIND_RULE_ALL), List{});  // the empty word never matches
  EXPECT_EQ(Run("apples pears", FIND_RULE_ALL), List{"N3"});  // other order, other case
  EXPECT_EQ(Run("apples pears", FIND_RULE_ANY), (List{"N2", "N3"}));
  EXPECT_EQ(Run("", FIND_RULE_ANY), List{});
}

TEST_F(FindTest, QuotedWordsMustAppearTogether) {
  Note(2, "green and pears");
  Note(3, "pears green");
  Note(4, "two pears  green");  // two spaces
  EXPECT_EQ(Run("\"pears green\"", FIND_RULE_ALL), List{"N3"});
  EXPECT_EQ(Run("pears green", FIND_RULE_ALL), (List{"N2", "N3", "N4"}));
}

TEST_F(FindTest, ExactComparesWholeFieldsIncludingTheCategoryName) {
  Add<CCategoryRecord>(20)->name = "Travel"_cp;
  Topic(2, "Paris");
  Topic(3, "Paris trip");
  Topic(4, "Rome", 20);
  Topic(5, "Unfiled topic", 0);
  Note(6, "paris");
  EXPECT_EQ(Run("PARIS", FIND_RULE_EXACT), (List{"T2", "N6"}));
  EXPECT_EQ(Run("travel", FIND_RULE_EXACT), List{"T4"});
  EXPECT_EQ(Run("trav", FIND_RULE_ANY), List{"T4"});
  EXPECT_EQ(Run("Paris, trip", FIND_RULE_EXACT), List{});  // never split
}

TEST_F(FindTest, CategoryLookupToleratesMissingDeletedAndWrongKinds) {
  Add<CCategoryRecord>(20, kFlagDeleted)->name = "Old"_cp;
  Note(21, "Notes are not categories");
  Topic(2, "a", 20);    // a deleted category still names the topic
  Topic(3, "b", 21);    // id of a note: no category name
  Topic(4, "c", 999);   // no such record
  EXPECT_EQ(Run("old", FIND_RULE_ANY), List{"T2"});
  EXPECT_EQ(Run("notes", FIND_RULE_ANY), List{"N21"});
}

TEST_F(FindTest, SearchedFieldsPerKind) {
  auto* ref = Add<CCustomRecord>(2);
  ref->customType = kCustomJournal;
  ref->fields = {"Title"_cp, "Author"_cp, "Journal"_cp, "1"_cp, "2"_cp, "1999"_cp, "3-4"_cp, "eighth-field"_cp, "ninth"_cp};
  auto* img = Add<CImageRecord>(3);
  img->title = "Sunset"_cp;
  img->fileName = "hidden-in-file-name.jpg";
  auto* topic = Topic(4, "Topic");
  topic->fileName = "8122026.htm";
  EXPECT_EQ(Run("eighth", FIND_RULE_ANY), List{"R2"});
  EXPECT_EQ(Run("ninth", FIND_RULE_ANY), List{});
  EXPECT_EQ(Run("sunset", FIND_RULE_ANY), List{"I3"});
  EXPECT_EQ(Run("hidden", FIND_RULE_ANY), List{});
  EXPECT_EQ(Run("8122026", FIND_RULE_ANY), List{});
  EXPECT_EQ(Run("1999", FIND_RULE_EXACT), List{"R2"});
}

TEST_F(FindTest, LiveOnlyAndPrivateOnlyWhileShown) {
  Add<CNoteRecord>(2, kFlagDeleted)->text = "word"_cp;
  Add<CNoteRecord>(3, kFlagArchived)->text = "word"_cp;
  Add<CNoteRecord>(4, kFlagModified)->text = "word"_cp;
  Add<CNoteRecord>(5, 0, 1)->text = "word"_cp;
  Add<CImageRecord>(6, 0, 1)->title = "word"_cp;
  Add<CTopicRecord>(7, 0, 1)->title = "word"_cp;  // the tree hides private topics too
  auto* ref = Add<CCustomRecord>(8, 0, 1);
  ref->fields = {"word"_cp};
  EXPECT_EQ(Run("word", FIND_RULE_ANY), (List{"N4"}));
  bShowPrivate = 1;
  EXPECT_EQ(Run("word", FIND_RULE_ANY), (List{"T7", "R8", "N4", "N5", "I6"}));
}

// A topic with its links record holding `members`.
void AddTopicWith(CRecordStore& store, uint32_t id, uint32_t linksId, const std::string& title,
                  uint32_t isPrivate, std::vector<uint32_t> members) {
  auto t = std::make_unique<CTopicRecord>();
  t->recordId = id;
  t->linksId = linksId;
  t->title = CpText(title);
  t->isPrivate = isPrivate;
  auto l = std::make_unique<CTopicLinksRecord>();
  l->recordId = linksId;
  l->topicId = id;
  l->memberIds = std::move(members);
  ASSERT_EQ(store.Insert(std::move(t)), DB_OK);
  ASSERT_EQ(store.Insert(std::move(l)), DB_OK);
}

TEST_F(FindTest, WhatOnlyHiddenTopicsHoldIsHiddenWithThem) {
  AddTopicWith(store_, 10, 11, "Secret topic", 1, {20, 21});
  AddTopicWith(store_, 12, 13, "Office move", 0, {21});
  Note(20, "plan in the secret topic");        // only the private topic holds it
  Note(21, "plan in both topics");             // a shown topic holds it too
  Note(22, "plan that belongs to no topic");   // opened in its window
  EXPECT_EQ(Run("plan", FIND_RULE_ANY), (List{"N21", "N22"}));
  EXPECT_EQ(Run("secret", FIND_RULE_ANY), List{});

  CFoundPlaces places(store_);
  EXPECT_EQ(places.PlaceOf(10), FoundPlace::kHidden);
  EXPECT_EQ(places.PlaceOf(12), FoundPlace::kInTree);
  EXPECT_EQ(places.PlaceOf(20), FoundPlace::kHidden);
  EXPECT_EQ(places.PlaceOf(21), FoundPlace::kInTree);
  EXPECT_EQ(places.PlaceOf(22), FoundPlace::kOutsideTree);
  EXPECT_EQ(places.PlaceOf(11), FoundPlace::kNowhere);  // a links record is no result
  EXPECT_EQ(places.PlaceOf(99), FoundPlace::kNowhere);

  bShowPrivate = 1;
  EXPECT_EQ(Run("plan", FIND_RULE_ANY), (List{"N20", "N21", "N22"}));
  EXPECT_EQ(Run("secret", FIND_RULE_ANY), (List{"T10", "N20"}));
  EXPECT_EQ(CFoundPlaces(store_).PlaceOf(20), FoundPlace::kInTree);
}

// The rule every list follows: what find hides, the image list, exports,
// reports and category lists hide too.
TEST_F(FindTest, PrivateRuleHidesPrivateRecordsAndWhatOnlyPrivateTopicsHold) {
  AddTopicWith(store_, 10, 11, "Secret topic", 1, {20, 30, 40, 41});
  AddTopicWith(store_, 12, 13, "Office move", 0, {41, 42});
  Note(20, "in the secret topic");
  Add<CImageRecord>(30);   // a picture only the private topic holds
  Add<CCustomRecord>(40);  // a reference only the private topic holds
  Add<CImageRecord>(41);   // held by both topics
  Add<CNoteRecord>(42, 0, 1);  // private itself, in a shown topic
  Add<CImageRecord>(43);   // in no topic
  Add<CCategoryRecord>(50, 0, 1);
  Add<CCategoryRecord>(51);
  auto hidden = [this](const CPrivateRule& rule) {
    std::vector<uint32_t> ids;
    for (uint32_t pos = 0; pos < store_.highWater(); ++pos)
      if (rule.Hidden(*store_.RecordAt(pos))) ids.push_back(store_.RecordAt(pos)->recordId);
    return ids;
  };
  EXPECT_EQ(hidden(CPrivateRule(store_)), (std::vector<uint32_t>{10, 20, 30, 40, 42, 50}));
  EXPECT_FALSE(CPrivateRule(store_).ShownTopic(*store_.RecordAt(0)));
  EXPECT_TRUE(CPrivateRule(store_).ShownTopic(*store_.RecordAt(2)));
  EXPECT_TRUE(HiddenPrivate(*store_.RecordAt(0)));
  // Shown, nothing is hidden; the state can also be given.
  EXPECT_TRUE(hidden(CPrivateRule(store_, true)).empty());
  bShowPrivate = 1;
  EXPECT_TRUE(hidden(CPrivateRule(store_)).empty());
  EXPECT_FALSE(HiddenPrivate(*store_.RecordAt(0)));
  EXPECT_EQ(hidden(CPrivateRule(store_, false)).size(), 6u);
  // A deleted private topic holds nothing any more: its members follow
  // their own flag.
  bShowPrivate = 0;
  store_.RecordAt(0)->flags = kFlagDeleted;
  EXPECT_EQ(hidden(CPrivateRule(store_)), (std::vector<uint32_t>{10, 42, 50}));
}

TEST_F(FindTest, AnIdHeldTwiceIsListedOnceByTheFirstRecordFound) {
  Note(5, "duplicate from the conduit");
  Note(5, "duplicate from the conduit, second copy");
  Note(6, "duplicate kept apart");
  EXPECT_EQ(Run("duplicate", FIND_RULE_ANY), (List{"N5", "N6"}));
  ASSERT_EQ(engine_.notes().size(), 2u);
  EXPECT_EQ(engine_.notes()[0]->text, "duplicate from the conduit"_cp);
  // Only the second copy matches: it is listed.
  EXPECT_EQ(Run("second copy", FIND_RULE_ALL), (List{"N5"}));
  EXPECT_EQ(engine_.notes()[0]->text, "duplicate from the conduit, second copy"_cp);
  // Another kind with the same id: topics are searched first and keep it.
  Topic(5, "duplicate as a topic");
  EXPECT_EQ(Run("duplicate", FIND_RULE_ANY), (List{"T5", "N6"}));
  EXPECT_TRUE(engine_.notes().size() == 1u && engine_.notes()[0]->recordId == 6u);

  // A deleted record of an id does not hide a live one with it.
  Add<CNoteRecord>(7, kFlagDeleted)->text = "ghost"_cp;
  Note(7, "ghost alive");
  EXPECT_EQ(Run("ghost", FIND_RULE_ANY), List{"N7"});
  EXPECT_EQ(engine_.notes()[0]->text, "ghost alive"_cp);
}

// A topic and a note sharing an id: with ALL the topic matches only one
// word and is taken out again, and the note that matches them all is
// listed under the id.
TEST_F(FindTest, ARecordIsNotLostBecauseAnotherRecordHasItsId) {
  Topic(50, "alpha topic");
  Note(50, "alpha note");
  EXPECT_EQ(Run("alpha note", FIND_RULE_ALL), List{"N50"});
  EXPECT_EQ(Run("alpha topic", FIND_RULE_ALL), List{"T50"});
  EXPECT_EQ(Run("ALPHA NOTE", FIND_RULE_EXACT), List{"N50"});
  // With ANY both match; the id is listed once, by the topic.
  EXPECT_EQ(Run("alpha", FIND_RULE_ANY), List{"T50"});
  // A private note behind a topic of its id stays hidden while private
  // records are.
  Add<CNoteRecord>(51, 0, /*isPrivate=*/1)->text = "beta private"_cp;
  Topic(51, "beta topic");
  EXPECT_EQ(Run("beta private", FIND_RULE_ALL), List{});
}

TEST_F(FindTest, ResultsFollowRecordsAMergeRenumbered) {
  Topic(4, "merge topic");
  Note(5, "merge note");
  Note(6, "merge other");
  Run("merge", FIND_RULE_ANY);
  engine_.FollowRenumbered({RecordIdChange{5, 40}, RecordIdChange{4, 41}, RecordIdChange{99, 100}});
  std::vector<uint32_t> ids;
  for (const FindListEntry& e : engine_.FillOrder()) ids.push_back(e.recordId);
  EXPECT_EQ(ids, (std::vector<uint32_t>{41, 40, 6}));
  EXPECT_EQ(engine_.notes()[0]->text, "merge note"_cp);
  engine_.FollowRenumbered({});
  EXPECT_EQ(engine_.notes()[0]->recordId, 40u);
}

TEST_F(FindTest, OneResultPerRecordAndAllRemovesPartialMatches) {
  Note(2, "alpha beta");
  Note(3, "alpha");
  Topic(4, "alpha beta gamma");
  EXPECT_EQ(Run("alpha beta alpha", FIND_RULE_ANY), (List{"T4", "N2", "N3"}));
  EXPECT_EQ(Run("alpha beta", FIND_RULE_ALL), (List{"T4", "N2"}));
  EXPECT_EQ(engine_.notes().size(), 1u);
  EXPECT_EQ(engine_.topics().size(), 1u);
  // A record after a removed one is unaffected.
  Note(5, "beta alpha");
  EXPECT_EQ(Run("alpha beta", FIND_RULE_ALL), (List{"T4", "N2", "N5"}));
}

TEST_F(FindTest, FillOrderTopicsReferencesNotesImagesAndResultTexts) {
  Add<CImageRecord>(2)->title = "x sketch"_cp;
  Note(3, "x first line\nsecond line");
  Add<CCustomRecord>(4)->fields = {"x ref title"_cp, "x author"_cp};
  Topic(5, "x topic");
  Add<CImageRecord>(6)->title = "x photo"_cp;
  static_cast<CImageRecord*>(store_.RecordAt(0))->format = kImageFormatSketch;
  EXPECT_EQ(Run("x", FIND_RULE_ANY), (List{"T5", "R4", "N3", "I2", "I6"}));
  const auto list = engine_.FillOrder();
  EXPECT_EQ(list[2].text, "x first line"_cp);
  EXPECT_EQ(list[1].text, "x ref title"_cp);
  EXPECT_EQ(list[3].format, kImageFormatSketch);
  EXPECT_EQ(list[4].format, kImageFormatJpeg);

  Note(7, std::string(9000, 'y'));
  Run("y", FIND_RULE_ANY);
  ASSERT_EQ(engine_.notes().size(), 1u);
  EXPECT_EQ(engine_.notes()[0]->text.size(), kResultTextMax);
}

TEST_F(FindTest, OnlyEnabledKindsAndClearResultsDisablesThem) {
  Note(2, "w");
  Topic(3, "w");
  engine_.EnableKind(FindKind::kNote);
  engine_.Find(store_, "w"_cp, FIND_RULE_ANY);
  ASSERT_EQ(engine_.FillOrder().size(), 1u);
  EXPECT_EQ(engine_.FillOrder()[0].recordId, 2u);
  engine_.ClearResults();
  EXPECT_TRUE(engine_.FillOrder().empty());
  EXPECT_FALSE(engine_.IsEnabled(FindKind::kNote));
  engine_.Find(store_, "w"_cp, FIND_RULE_ANY);
  EXPECT_TRUE(engine_.FillOrder().empty());
}

std::vector<std::string> g_lines;
void Capture(const char* line) { g_lines.push_back(line); }

TEST(FindLog, EnablingCreatingAndDeletingResultsIsLogged) {
  g_lines.clear();
  CRecordStore store("x", "");
  auto note = std::make_unique<CNoteRecord>();
  note->text = "hello"_cp;
  note->recordId = 2;
  ASSERT_EQ(store.Insert(std::move(note)), DB_OK);
  {
    CFindEngine engine(&Capture, &Capture);
    engine.EnableKind(FindKind::kNote);
    engine.EnableKind(FindKind::kCustom);
    engine.Find(store, "hello"_cp, FIND_RULE_ANY);
  }
  ASSERT_EQ(g_lines.size(), 4u);
  EXPECT_EQ(g_lines[0], "FIND: Note enabled");
  EXPECT_EQ(g_lines[1], "FIND: Custom enabled");
  EXPECT_EQ(g_lines[2].rfind("NEW ResultNote = 0x", 0), 0u);
  EXPECT_EQ(g_lines[3], "DELETE" + g_lines[2].substr(3));
}

bool g_wanted = false;
bool Wanted() { return g_wanted; }

TEST(FindLog, DebugLinesAreMadeOnlyWhileWanted) {
  CRecordStore store("x", "");
  for (uint32_t id : {2u, 3u}) {
    auto note = std::make_unique<CNoteRecord>();
    note->text = id == 2 ? "apple pear"_cp : "apple"_cp;
    note->recordId = id;
    ASSERT_EQ(store.Insert(std::move(note)), DB_OK);
  }
  g_lines.clear();
  g_wanted = false;
  CFindEngine engine(nullptr, &Capture, &Wanted);
  engine.EnableKind(FindKind::kNote);
  engine.Find(store, "apple pear"_cp, FIND_RULE_ALL);
  EXPECT_TRUE(g_lines.empty());
  EXPECT_EQ(engine.notes().size(), 1u);
  // Wanted again: the next search deletes and makes its results with lines,
  // the record that matched one word of two among them.
  g_wanted = true;
  engine.Find(store, "apple pear"_cp, FIND_RULE_ALL);
  ASSERT_EQ(g_lines.size(), 4u);
  EXPECT_EQ(g_lines[0].rfind("DELETE ResultNote = 0x", 0), 0u);
  EXPECT_EQ(g_lines[1].rfind("NEW ResultNote = 0x", 0), 0u);
  EXPECT_EQ(g_lines[2].rfind("NEW ResultNote = 0x", 0), 0u);
  EXPECT_EQ(g_lines[3], "DELETE" + g_lines[2].substr(3));
  EXPECT_EQ(engine.notes().size(), 1u);
  g_wanted = false;
}

// The engine against the rules written out plainly: one walk per kind, the
// plain comparisons, a result made for the first matching word and taken
// out again when ALL or EXACT is not met. Random stores (private, deleted
// and archived records, categories, topics holding members, ids held
// twice) and random search texts; the lists and the order of the debug
// lines must agree.
struct ReferenceFind {
  std::vector<std::string> results;  // "T12:text" in fill order
  std::vector<std::string> lines;    // "NEW ResultNote" / "DELETE ResultNote"
};

ReferenceFind FindPlainly(const CRecordStore& store, const std::string& text, int rule) {
  ReferenceFind out;
  if (text.empty()) return out;
  const std::vector<std::string> words =
      rule == FIND_RULE_EXACT ? std::vector<std::string>{text} : SplitWords(text);
  const CFoundPlaces places(store);
  std::vector<std::string> lists[4];
  std::set<uint32_t> listed;  // the ids in any result list
  const uint32_t kinds[4] = {kKindTopic, kKindNote, kKindImage, kKindCustom};
  const char* names[4] = {"ResultTopic", "ResultNote", "ResultImage", "ResultCustom"};
  const char* tags[4] = {"T", "N", "I", "R"};
  for (int k = 0; k < 4; ++k) {
    for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
      const CRecord* r = store.RecordAt(pos);
      if (!r || r->kind != kinds[k] || !r->IsLive()) continue;
      if (!places.RecordOpenable(r)) continue;
      std::vector<std::string> fields;
      std::string shown;
      if (const auto* t = RecordAs<CTopicRecord>(r)) {
        fields.push_back(t->title.bytes());
        std::string name;
        for (uint32_t p = 0; p < store.highWater() && t->categoryId != 0; ++p)
          if (const auto* c = RecordAs<CCategoryRecord>(store.RecordAt(p)); c && c->recordId == t->categoryId) {
            name = c->name.bytes();
            break;
          }
        fields.push_back(name);
        shown = t->title.bytes();
      } else if (const auto* n = RecordAs<CNoteRecord>(r)) {
        fields.push_back(n->text.bytes());
        shown = n->text.bytes();
      } else if (const auto* i = RecordAs<CImageRecord>(r)) {
        fields.push_back(i->title.bytes());
        shown = i->title.bytes();
      } else if (const auto* c = RecordAs<CCustomRecord>(r)) {
        for (size_t f = 0; f < c->fields.size() && f < 8; ++f) fields.push_back(c->fields[f].bytes());
        shown = c->fields.empty() ? std::string() : c->fields[0].bytes();
      }
      shown = shown.substr(0, std::min({shown.find('\n'), shown.find('\0'), kResultTextMax}));
      bool added = false, all = true;
      for (const std::string& w : words) {
        bool matched = false;
        for (const std::string& f : fields)
          matched = matched || (rule == FIND_RULE_EXACT ? EqualsWord(f, w) : ContainsWord(f, w));
        if (!matched) {
          all = false;
          continue;
        }
        // Added only while its id is in no result list.
        if (added || listed.count(r->recordId) != 0) continue;
        added = true;
        listed.insert(r->recordId);
        lists[k].push_back(tags[k] + std::to_string(r->recordId) + ":" + shown);
        out.lines.push_back(std::string("NEW ") + names[k]);
      }
      if (rule != FIND_RULE_ANY && added && !all) {
        lists[k].pop_back();
        listed.erase(r->recordId);
        out.lines.push_back(std::string("DELETE ") + names[k]);
      }
    }
  }
  for (int k : {0, 3, 1, 2}) out.results.insert(out.results.end(), lists[k].begin(), lists[k].end());
  return out;
}

std::vector<std::string> g_engine_lines;
void CaptureKind(const char* line) {
  // "NEW ResultNote = 0x..." without the address.
  const std::string l(line);
  g_engine_lines.push_back(l.substr(0, l.find(" = ")));
}

TEST(FindEngineAgainstPlainRules, RandomStoresAndSearches) {
  const char* vocabulary[] = {"garden", "GARDEN", "river", "Rive", "stone", "st\xE9ne",
                              "river garden", "a", "", "\"", ","};
  uint32_t seed = 777;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 10) % n;
  };
  auto phrase = [&](int words) {
    std::string t;
    for (int i = 0; i < words; ++i) {
      if (i) t += " ,+\n\0"[next(5)];
      t += vocabulary[next(11)];
    }
    return t;
  };
  size_t found_any = 0;
  for (int round = 0; round < 60; ++round) {
    bShowPrivate = static_cast<uint8_t>(round % 2);
    CRecordStore store("quillet.dat", "");
    std::vector<uint32_t> members;
    for (int i = 0; i < 120; ++i) {
      // Ids from a small range: some are held twice.
      const uint32_t id = 2 + next(110);
      std::unique_ptr<CRecord> r;
      switch (next(6)) {
        case 0: {
          auto t = std::make_unique<CTopicRecord>();
          t->title = CpText(phrase(1 + static_cast<int>(next(3))));
          t->categoryId = next(3) ? 0 : 2 + next(110);
          t->linksId = 200 + id;
          auto l = std::make_unique<CTopicLinksRecord>();
          l->recordId = 200 + id;
          l->topicId = id;
          for (int m = 0; m < 4; ++m) l->memberIds.push_back(2 + next(110));
          ASSERT_EQ(store.Insert(std::move(l)), DB_OK);
          r = std::move(t);
          break;
        }
        case 1: {
          auto c = std::make_unique<CCategoryRecord>();
          c->name = CpText(phrase(1));
          r = std::move(c);
          break;
        }
        case 2: {
          auto im = std::make_unique<CImageRecord>();
          im->title = CpText(phrase(2));
          im->format = next(3);
          r = std::move(im);
          break;
        }
        case 3: {
          auto c = std::make_unique<CCustomRecord>();
          const uint32_t n = next(11);
          for (uint32_t f = 0; f < n; ++f) c->fields.push_back(CpText(phrase(1 + static_cast<int>(next(2)))));
          r = std::move(c);
          break;
        }
        default: {
          auto n = std::make_unique<CNoteRecord>();
          n->text = CpText(phrase(1 + static_cast<int>(next(5))));
          r = std::move(n);
          break;
        }
      }
      r->recordId = id;
      r->isPrivate = next(5) == 0;
      const uint32_t flags = next(8);
      ASSERT_EQ(store.Insert(std::move(r)), DB_OK);
      store.RecordAt(store.highWater() - 1)->flags = flags == 0 ? kFlagDeleted : flags == 1 ? kFlagArchived : 0;
    }
    // The lists' rule and find's places agree on every record find shows.
    const CPrivateRule rule(store);
    const CFoundPlaces places(store);
    for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
      const CRecord* r = store.RecordAt(pos);
      if (!r->IsLive() || !places.IsShownRecordOfItsId(r)) continue;
      if (r->kind != kKindTopic && r->kind != kKindNote && r->kind != kKindImage && r->kind != kKindCustom)
        continue;
      ASSERT_EQ(rule.Hidden(*r), places.PlaceOf(r->recordId) == FoundPlace::kHidden)
          << "round " << round << " record " << r->recordId;
    }
    for (int search = 0; search < 12; ++search) {
      const int rule = static_cast<int>(next(3));
      const std::string text = search % 4 == 0 ? vocabulary[next(8)] : phrase(1 + static_cast<int>(next(3)));
      const ReferenceFind want = FindPlainly(store, text, rule);
      g_engine_lines.clear();
      CFindEngine engine(nullptr, &CaptureKind);
      for (auto k : {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom})
        engine.EnableKind(k);
      engine.Find(store, CpText(text), rule);
      std::vector<std::string> got;
      for (const FindListEntry& e : engine.FillOrder()) {
        const char* tag = e.kind == FindKind::kTopic ? "T" : e.kind == FindKind::kNote ? "N"
                          : e.kind == FindKind::kImage ? "I" : "R";
        got.push_back(tag + std::to_string(e.recordId) + ":" + e.text.bytes());
      }
      ASSERT_EQ(got, want.results) << "round " << round << " rule " << rule << " text \"" << text << "\"";
      ASSERT_EQ(g_engine_lines, want.lines) << "round " << round << " rule " << rule;
      found_any += !got.empty();
    }
  }
  bShowPrivate = 0;
  EXPECT_GT(found_any, 100u);  // the searches found things, not only nothing
}

}  // namespace
}  // namespace quillet
