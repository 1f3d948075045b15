// Record bodies: exact bytes, byte-for-byte round trips of every kind, and
// Assign / Merge / Compare, and what RecordFacts.h says of the kinds.
#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <string>
#include <vector>

#include "store/RecordFacts.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

// Bytes of a store holding the one record `r`, written by Save.
Bytes SavedBytes(std::unique_ptr<CRecord> r, bool add_new = false) {
  ScratchDir dir;
  CRecordStore store("one.dat", dir.path());
  EXPECT_EQ(add_new ? store.AddNew(std::move(r)) : store.Insert(std::move(r)), DB_OK);
  EXPECT_EQ(store.Save(), DB_OK);
  return ReadAll(store.path());
}

// The body bytes of the only entry of a one-record file.
Bytes BodyOf(const Bytes& file) { return Bytes(file.begin() + 12, file.end() - 4); }

TEST(RecordBytes, NewNoteMatchesTheDocumentedLayout) {
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 5;
  note->text = "abc"_cp;
  const Bytes file = SavedBytes(std::move(note), /*add_new=*/true);
  const Bytes expected_body = ByteBuilder().Base(0, 5, 0, 8, 0, 0, 0).U32(0).Str("abc").bytes();
  EXPECT_EQ(BodyOf(file), expected_body);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 12),
            ByteBuilder().Header(1).U32(kKindNote).bytes());
  EXPECT_EQ(Bytes(file.end() - 4, file.end()), ByteBuilder().Marker().bytes());
}

TEST(RecordBytes, FreshSettingsStoreIs66Bytes) {
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  const Bytes file = SavedBytes(std::move(settings), true);
  const Bytes expected = ByteBuilder()
                             .Header(1)
                             .U32(kKindSettings)
                             .Base(0, 0, 0, 8, 0, 0, 0)
                             .U32(0).U32(1).U32(0).U32(0)
                             .Raw(Bytes(6, 0))
                             .Marker()
                             .bytes();
  EXPECT_EQ(file.size(), 66u);
  EXPECT_EQ(file, expected);
}

TEST(RecordBytes, InternetReferenceStoresTypeAndCount) {
  auto ref = std::make_unique<CCustomRecord>();
  ref->customType = kCustomInternet;
  ref->fields = {"Site"_cp, "http://example.org/"_cp, ""_cp};
  const Bytes body = BodyOf(SavedBytes(std::move(ref)));
  // extraWord, then customType -2 and fieldCount 3.
  EXPECT_EQ(Bytes(body.begin() + 32, body.begin() + 38), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x03, 0x00}));
  EXPECT_EQ(body.size(), 38u + 5 + 20 + 1);
}

TEST(RecordBytes, EmptyLinksAndDatalessImageWriteOnlyTheirCounts) {
  const Bytes links = BodyOf(SavedBytes(std::make_unique<CTopicLinksRecord>()));
  EXPECT_EQ(links.size(), 36u);
  EXPECT_EQ(Bytes(links.begin() + 32, links.end()), Bytes(4, 0));

  auto image = std::make_unique<CImageRecord>();
  image->title = "t"_cp;
  const Bytes body = BodyOf(SavedBytes(std::move(image)));
  // base 28 + extraWord 4 + "t" 2 + "" 1 + format, width, height, dataSize.
  EXPECT_EQ(body.size(), 28u + 4 + 2 + 1 + 16);
  EXPECT_EQ(Bytes(body.end() - 4, body.end()), Bytes(4, 0));
}

// One entry of every kind with values nobody here interprets (other flag
// bits, sync words, reserved bytes), Windows-1252 bytes, long strings, empty
// lists and more reference fields than any type has. slotIndex equals the
// position so that the saved file must equal the input exactly.
Bytes EveryKindFile() {
  const std::string long_text(300, 'x');
  const std::string ansi = "caf\xE9 \x93quoted\x94 \x80";
  ByteBuilder b;
  b.Header(12);
  b.U32(0).Base(0, 0, 7, 0x8, 0, 3, 0xDEADBEEF).U32(11).U32(41).U32(12).U32(13)
      .Raw(Bytes{1, 2, 3, 4, 5, 6}).Marker();
  b.U32(1).Base(1, 9, -1, 0x80000000, 1, 0, 0).U32(0x12345678).Raw(Bytes{9, 8, 7, 6, 5, 4}).Marker();
  b.U32(2).Base(2, 10, -1, 0, 0, 0, 0).U32(77).U16(3).Str("list").Str("a").Str("").Str(long_text)
      .Marker();
  b.U32(2).Base(3, 11, -1, 0, 0, 0, 0).U32(0).U16(0).Str("").Marker();
  b.U32(3).Base(4, 12, 5, 4, 0, 0, 0).U32(0).Str(ansi).Marker();
  b.U32(4).Base(5, 13, 0, 8, 1, 0, 0).U32(0).U32(14).U32(12).Str("Topic \xE9").Str("8122026421234.htm")
      .Marker();
  b.U32(5).Base(6, 15, 0, 1, 0, 0, 0).U32(2).Str(std::string(255, 'n')).Marker();
  b.U32(5).Base(7, 16, 0, 0, 0, 0, 0).U32(0).Str(std::string(254, 'm')).Marker();
  b.U32(6).Base(8, 17, 0, 0, 0, 0, 0).U32(0).Str("pic").Str("1.jpg").U32(0).U32(320).U32(480)
      .U32(5).Raw(Bytes{0xFF, 0xD8, 0x00, 0xFF, 0xD9}).Marker();
  b.U32(6).Base(9, 18, 0, 2, 0, 0, 0).U32(0).Str("sketch").Str("").U32(2).U32(160).U32(160).U32(0)
      .Marker();
  b.U32(7).Base(10, 19, 0, 0, 0, 0, 0).U32(0).I32(kCustomJournal).U16(9);
  for (int i = 0; i < 9; ++i) b.Str("field" + std::to_string(i));
  b.Marker();
  b.U32(8).Base(11, 14, 0, 4, 0, 0, 0).U32(13).U32(3).U32(15).U32(17).U32(19).Marker();
  return b.bytes();
}

TEST(RecordRoundTrip, EveryKindSurvivesLoadAndSaveByteForByte) {
  ScratchDir dir;
  const Bytes input = EveryKindFile();
  WriteAll(dir.File("in.dat"), input);
  CRecordStore store("in.dat", dir.path());
  ASSERT_EQ(store.Load(), DB_OK);
  EXPECT_EQ(store.liveCount(), 12u);
  ASSERT_EQ(store.SaveTo(dir.File("out.dat")), DB_OK);
  EXPECT_EQ(ReadAll(dir.File("out.dat")), input);

  // Spot-check that fields landed where the layout says.
  CRecord* r = nullptr;
  ASSERT_EQ(store.FindById(19, &r), DB_OK);
  auto* ref = RecordAs<CCustomRecord>(r);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->customType, kCustomJournal);
  EXPECT_EQ(ref->fieldCount(), 9u);
  EXPECT_EQ(ref->fields[8], "field8"_cp);
  ASSERT_EQ(store.FindById(17, &r), DB_OK);
  auto* image = RecordAs<CImageRecord>(r);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->height, 480u);
  EXPECT_EQ(image->data, (Bytes{0xFF, 0xD8, 0x00, 0xFF, 0xD9}));
  ASSERT_EQ(store.FindById(18, &r), DB_OK);
  EXPECT_TRUE(RecordAs<CImageRecord>(r)->data.empty());
  ASSERT_EQ(store.FindById(0, &r), DB_OK);
  auto* settings = RecordAs<CSettingsRecord>(r);
  EXPECT_EQ(settings->syncWordC, 0xDEADBEEF);
  EXPECT_EQ(settings->lastRecordId, 41u);
  ASSERT_EQ(store.FindById(14, &r), DB_OK);
  EXPECT_EQ(RecordAs<CTopicLinksRecord>(r)->memberIds, (std::vector<uint32_t>{15, 17, 19}));
}

TEST(RecordRoundTrip, StringLengthPrefixesAt254And255And256) {
  for (size_t length : {254u, 255u, 256u, 300u, 65535u}) {
    auto note = std::make_unique<CNoteRecord>();
    note->text = CpText(std::string(length, 'q'));
    const Bytes body = BodyOf(SavedBytes(std::move(note)));
    const size_t prefix = length < 255 ? 1 : 3;
    ASSERT_EQ(body.size(), 32 + prefix + length) << length;
    if (length < 255) {
      EXPECT_EQ(body[32], length);
    } else {
      EXPECT_EQ(body[32], 0xFF);
      EXPECT_EQ(body[33] | (body[34] << 8), static_cast<int>(length));
    }
  }
  // 300 bytes start FF 2C 01.
  auto note = std::make_unique<CNoteRecord>();
  note->text = CpText(std::string(300, 'q'));
  const Bytes body = BodyOf(SavedBytes(std::move(note)));
  EXPECT_EQ(Bytes(body.begin() + 32, body.begin() + 35), (Bytes{0xFF, 0x2C, 0x01}));
}

TEST(RecordFactory, MakesEveryKindWithDefaultsAndNothingElse) {
  for (uint32_t kind = 0; kind < kKindCount; ++kind) {
    auto r = CreateRecord(kind);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, kind);
    EXPECT_EQ(r->slotIndex, -1);
    EXPECT_EQ(r->syncWordA, -1);
    EXPECT_EQ(r->recordId, 0u);
    EXPECT_EQ(r->flags, 0u);
  }
  EXPECT_EQ(CreateRecord(9), nullptr);
  EXPECT_EQ(CreateRecord(0xFFFFFFFF), nullptr);
}

// What the windows, the report and the exchange show and keep comes from
// one table: the names, labels and limits as the people and files see them,
// and the lookups' answers for what is no kind.
TEST(RecordFacts, KindsLimitsFormatsAndReferenceFieldsAreTheKnownOnes) {
  EXPECT_STREQ(RecordKindName(kKindTopicLinks), "topic links");
  EXPECT_STREQ(RecordKindName(kKindImage), "picture");
  EXPECT_STREQ(RecordKindName(kKindCustom), "reference");
  EXPECT_STREQ(RecordKindName(kKindCount), "unknown");
  EXPECT_EQ(kRecordTextLimit, 30000u);
  EXPECT_EQ(kTitleLimit, 256u);
  EXPECT_EQ(kCategoryNameShownLimit, 80u);
  EXPECT_EQ(kImageFormatJpeg, 0u);
  EXPECT_EQ(kImageFormatOther, 1u);
  EXPECT_EQ(kImageFormatSketch, 2u);

  struct Kind {
    int window;
    int32_t type;
    std::vector<std::string> labels;
  };
  const Kind kinds[] = {
      {1, -1, {"Title", "Author", "Publisher", "ISBN", "Year", "Page(s)", "Notes"}},
      {2, -3, {"Title", "Author", "Journal", "Volume", "Issue", "Year", "Page(s)", "Notes"}},
      {3, -4, {"Title", "Author", "Magazine", "Volume", "Issue", "Year", "Page(s)", "Notes"}},
      {4, -5, {"Title", "Newspaper", "City", "Reporter", "Date", "Page(s)", "Notes"}},
      {5, -6, {"Title", "Author", "Source", "Abstract", "Date", "Notes"}},
      {6, -2, {"Title", "URL", "Note"}},
  };
  ASSERT_EQ(kReferenceKinds.size(), std::size(kinds));
  for (const Kind& want : kinds) {
    const ReferenceKindFacts* k = ReferenceKindOfWindow(want.window);
    ASSERT_NE(k, nullptr) << want.window;
    EXPECT_EQ(ReferenceKindOfType(want.type), k) << want.window;
    EXPECT_EQ(k->customType, want.type);
    EXPECT_EQ(CustomTypeFieldCount(want.type), static_cast<int>(want.labels.size())) << want.window;
    EXPECT_EQ(k->fieldLimit, 30000u);
    for (size_t i = 0; i < kMaxReferenceFields; ++i)
      EXPECT_EQ(ReferenceFieldLabelOf(want.type, i), i < want.labels.size() ? want.labels[i] : "")
          << want.window << ", field " << i;
  }
  for (int32_t type : {0, -7, 1, INT32_MIN}) {
    EXPECT_EQ(ReferenceKindOfType(type), nullptr) << type;
    EXPECT_EQ(CustomTypeFieldCount(type), 0) << type;
    EXPECT_STREQ(ReferenceFieldLabelOf(type, 0), "") << type;
  }
  EXPECT_EQ(ReferenceKindOfWindow(0), nullptr);
  EXPECT_EQ(ReferenceKindOfWindow(7), nullptr);
}

TEST(RecordAssign, CopiesEverythingDeeplyAndIgnoresSelf) {
  CImageRecord a;
  a.recordId = 3;
  a.flags = 5;
  a.isPrivate = 1;
  a.syncWordC = 9;
  a.title = "title"_cp;
  a.data = {1, 2, 3};
  a.width = 160;
  CImageRecord b;
  b.Assign(a);
  EXPECT_EQ(b.recordId, 3u);
  EXPECT_EQ(b.isPrivate, 1u);
  EXPECT_EQ(b.syncWordC, 9u);
  EXPECT_EQ(b.title, "title"_cp);
  EXPECT_EQ(b.data, a.data);
  a.data.MutableData()[0] = 42;  // the bytes are shared until one side writes
  EXPECT_EQ(b.data[0], 1);
  EXPECT_EQ(a.data[0], 42);
  b.Assign(b);
  EXPECT_EQ(b.title, "title"_cp);

  CCustomRecord ref;
  ref.customType = kCustomBook;
  ref.fields = {"T"_cp, "A"_cp};
  ref.recordId = 8;
  CCustomRecord copy(ref);
  EXPECT_EQ(copy.fields, ref.fields);
  EXPECT_EQ(copy.recordId, 8u);
  EXPECT_EQ(copy.Compare(ref), kCompareEqual);

  // From another kind only the base fields come over.
  CNoteRecord note;
  note.recordId = 77;
  note.text = "kept"_cp;
  note.Assign(a);
  EXPECT_EQ(note.recordId, 3u);
  EXPECT_EQ(note.text, "kept"_cp);
}

TEST(RecordCompare, LooksOnlyAtTheComparedOwnFields) {
  CImageRecord a, b;
  a.title = b.title = "same"_cp;
  a.data = {1, 2};
  b.data = {3, 4};   // data bytes are not compared...
  b.recordId = 99;   // ...nor base fields
  EXPECT_EQ(a.Compare(b), kCompareEqual);
  b.data = std::vector<uint8_t>{3, 4, 5};  // ...but the data size is
  EXPECT_EQ(a.Compare(b), kCompareDiffers);

  CCustomRecord x, y;
  x.fields = {"one"_cp};
  y.fields = {"two"_cp};  // field texts are not compared, their count is
  EXPECT_EQ(x.Compare(y), kCompareEqual);
  y.fields.emplace_back("more");
  EXPECT_EQ(x.Compare(y), kCompareDiffers);

  CNoteRecord n1, n2;
  n1.text = "Text"_cp;
  n2.text = "text"_cp;  // case-sensitive
  EXPECT_EQ(n1.Compare(n2), kCompareDiffers);
  EXPECT_EQ(n1.Compare(x), kCompareDiffers);  // other kind
}

TEST(TopicLinks, MergeKeepsOwnOrderThenAddsTheOthersMissingMembers) {
  CTopicLinksRecord mine, theirs;
  mine.memberIds = {5, 3, 9};
  mine.recordId = 1;
  theirs.memberIds = {9, 7, 5, 2, 7};
  theirs.topicId = 44;
  theirs.recordId = 2;
  theirs.flags = 4;
  EXPECT_EQ(mine.Merge(theirs), 0u);
  EXPECT_EQ(mine.memberIds, (std::vector<uint32_t>{5, 3, 9, 7, 2}));
  EXPECT_EQ(mine.topicId, 44u);
  EXPECT_EQ(mine.recordId, 2u);
  EXPECT_EQ(mine.flags, 4u);

  CNoteRecord note;
  EXPECT_EQ(note.Merge(mine), 0u);  // a no-op for the other kinds
}

TEST(TopicLinks, CompareIgnoresOrderButNotMembershipOrTopic) {
  CTopicLinksRecord a, b;
  a.memberIds = {1, 2, 3};
  b.memberIds = {3, 1, 2};
  EXPECT_EQ(a.Compare(b), kCompareEqual);
  b.memberIds = {3, 1, 4};
  EXPECT_EQ(a.Compare(b), kCompareMembersDiffer);
  b.memberIds = {3, 1};
  EXPECT_EQ(a.Compare(b), kCompareMembersDiffer);
  b.memberIds = a.memberIds;
  b.topicId = 1;
  EXPECT_EQ(a.Compare(b), kCompareDiffers);

  EXPECT_TRUE(a.RemoveMember(2));
  EXPECT_FALSE(a.RemoveMember(2));
  EXPECT_EQ(a.memberIds, (std::vector<uint32_t>{1, 3}));
  EXPECT_TRUE(a.HasMember(3));
}

TEST(RecordWrite, UnencodableTextOrCountFailsTheSaveAndKeepsTheOldFile) {
  ScratchDir dir;
  CRecordStore store("s.dat", dir.path());
  auto note = std::make_unique<CNoteRecord>();
  CNoteRecord* raw = note.get();
  ASSERT_EQ(store.Insert(std::move(note)), DB_OK);
  ASSERT_EQ(store.Save(), DB_OK);
  const Bytes before = ReadAll(store.path());

  raw->text = CpText(std::string(65536, 'x'));  // one byte more than a length can say
  EXPECT_EQ(store.Save(), DB_ERR_WRITE);
  EXPECT_EQ(ReadAll(store.path()), before);

  raw->text.clear();
  auto list = std::make_unique<CStringListRecord>();
  list->items.assign(65536, "i"_cp);  // more items than a u16 count holds
  ASSERT_EQ(store.Insert(std::move(list)), DB_OK);
  EXPECT_EQ(store.Save(), DB_ERR_WRITE);
  EXPECT_EQ(ReadAll(store.path()), before);
  EXPECT_EQ(dir.Entries().size(), 1u);  // no temporary file left behind
}

}  // namespace
}  // namespace quillet
