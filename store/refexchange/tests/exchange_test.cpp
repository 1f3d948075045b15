// References out and back in, into a topic of a store, and the files
// around them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/RefExchange.h"
#include "store/refexchange/tests/RefTestUtil.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet::refx {
namespace {

using quillet::testing::ScratchDir;

std::unique_ptr<CCustomRecord> Reference(uint32_t id, int32_t type, std::vector<std::string> fields) {
  auto r = std::make_unique<CCustomRecord>();
  r->recordId = id;
  r->customType = type;
  for (std::string& field : fields) r->fields.emplace_back(std::move(field));
  return r;
}

// One reference of every kind, with what trips writers up: accents of the
// code page, TeX's special characters, quotes and dashes, several authors,
// page ranges, notes over several lines, web addresses with % _ and ~.
std::vector<std::unique_ptr<CCustomRecord>> EveryKind() {
  std::vector<std::unique_ptr<CCustomRecord>> refs;
  refs.push_back(Reference(10, kCustomBook,
                           {"Die Kunst des Gem\xFCsebaus \x96 Band 2", "M\xFCller, Hans; Ga\xDFner, J\xF6rg",
                            "Ulmer & S\xF6hne", "978-3-8001-4436-5", "2004", "1-312",
                            "Second edition.\nSigned; 50% off_price {sale}\n\nShelf \\B3 ~ ^"}));
  refs.push_back(Reference(11, kCustomInternet,
                           {"Slugs \x93" "and\x94 snails", "https://example.org/a_b?x=50%25&y=~z#top",
                            "Accessed 3 May 2021"}));
  refs.push_back(Reference(12, kCustomJournal,
                           {"Soil moisture and the pH of raised beds", "Dupont, Fran\xE7ois; L\xE9vesque, Am\xE9lie; \x8Akoda, Jan",
                            "Journal of Garden Research", "12", "3", "2011", "245-261", ""}));
  refs.push_back(Reference(13, kCustomMagazine,
                           {"Ten tomatoes -- worth ''growing''", "Brooks, Sam", "Kitchen Garden", "23", "4", "2018",
                            "44-47", "Came with seeds."}));
  refs.push_back(Reference(14, kCustomNewspaper,
                           {"Frost warning", "The Evening Ledger", "Leeds", "Hart, Olivia; Reed, Martin", "2020-04-17",
                            "A4", ""}));
  refs.push_back(Reference(15, kCustomReport,
                           {"Compost quality: 2018 survey", "National Soil Agency", "National Soil Agency",
                            "Samples were taken.\nMost schemes passed.", "2018", "Report no. NSA-TR-18/04"}));
  refs.push_back(Reference(16, kCustomReport,
                           {"Urban food growing", "Greater Manchester Food Board", "GM Food Board", "", "2017-01-15",
                            ""}));
  return refs;
}

std::vector<const CCustomRecord*> View(const std::vector<std::unique_ptr<CCustomRecord>>& refs) {
  std::vector<const CCustomRecord*> out;
  for (const auto& r : refs) out.push_back(r.get());
  return out;
}

class RoundTrip : public ::testing::TestWithParam<Format> {};

TEST_P(RoundTrip, EveryKindComesBackWithTheSameFields) {
  const auto refs = EveryKind();
  const WriteResult written = WriteReferences(View(refs), GetParam());
  EXPECT_EQ(written.written, refs.size());
  EXPECT_TRUE(written.notices.empty());
  const ReadResult back = ReadReferences(written.text, GetParam());
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_TRUE(back.notices.empty()) << back.notices.front().ToString() << "\n" << written.text;
  ASSERT_EQ(back.references.size(), refs.size()) << written.text;
  for (size_t i = 0; i < refs.size(); ++i) {
    EXPECT_EQ(back.references[i].customType, refs[i]->customType) << i;
    EXPECT_EQ(back.references[i].fields, refs[i]->fields) << i << "\n" << written.text;
  }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RoundTrip, ::testing::Values(Format::kBibTex, Format::kRis),
                         [](const auto& info) { return info.param == Format::kBibTex ? "BibTeX" : "RIS"; });

TEST(WriteBibTex, EntriesAsManagersExpectThem) {
  const auto refs = EveryKind();
  const std::string text = WriteReferences(View(refs), Format::kBibTex).text;
  EXPECT_NE(text.find("@book{muller2004,\n  title = {Die {Kunst} des {Gemüsebaus} – {Band} 2},\n"
                      "  author = {Müller, Hans and Gaßner, Jörg},\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("  pages = {1--312}"), std::string::npos);
  EXPECT_NE(text.find("@misc{slugs,\n  title = {Slugs “and” snails},\n"
                      "  url = {https://example.org/a_b?x=50%25&y=~z#top},"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("@article{brooks2018,\n  entrysubtype = {magazine},"), std::string::npos) << text;
  EXPECT_NE(text.find("@article{hart2020,\n  entrysubtype = {newspaper},"), std::string::npos) << text;
  EXPECT_NE(text.find("@techreport{agency2018,"), std::string::npos) << text;
  EXPECT_NE(text.find("  note = {Second edition.\n\nSigned; 50\\% off\\_price \\{sale\\}\n\n\nShelf"),
            std::string::npos)
      << text;
}

TEST(WriteBibTex, KeysAreMadeUnique) {
  std::vector<std::unique_ptr<CCustomRecord>> refs;
  for (uint32_t id = 1; id <= 3; ++id)
    refs.push_back(Reference(id, kCustomBook, {"T", "M\xFCller, Hans", "", "", "2004", "", ""}));
  refs.push_back(Reference(4, kCustomBook, {"T", "Hans M\xFCller", "", "", "2004a", "", ""}));
  refs.push_back(Reference(5, kCustomBook, {"", "", "", "", "", "", "Only notes"}));
  refs.push_back(Reference(6, 7, {"A record of no known kind"}));
  const WriteResult w = WriteReferences(View(refs), Format::kBibTex);
  EXPECT_EQ(w.written, 5u);
  for (const char* key : {"@book{muller2004,", "@book{muller2004a,", "@book{muller2004b,",
                          "@book{muller2004c,", "@book{ref,"})
    EXPECT_NE(w.text.find(key), std::string::npos) << key << "\n" << w.text;
  ASSERT_EQ(w.notices.size(), 1u);
  EXPECT_EQ(w.notices[0].ToString(), "record 6: left out: not a reference of a known kind");
}

TEST(WriteRis, TaggedLinesEndInCrLf) {
  const auto refs = EveryKind();
  const std::string text = WriteReferences(View(refs), Format::kRis).text;
  EXPECT_EQ(text.rfind("TY  - BOOK\r\nTI  - Die Kunst des Gemüsebaus – Band 2\r\nAU  - Müller, Hans\r\n"
                       "AU  - Gaßner, Jörg\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("SP  - 1\r\nEP  - 312\r\n"), std::string::npos);
  EXPECT_NE(text.find("N1  - Signed; 50% off_price {sale}\r\nN1  - \r\nN1  - Shelf"), std::string::npos);
  EXPECT_NE(text.find("TY  - ELEC\r\n"), std::string::npos);
  EXPECT_NE(text.find("TY  - MGZN\r\n"), std::string::npos);
  EXPECT_NE(text.find("TY  - NEWS\r\nTI  - Frost warning\r\nT2  - The Evening Ledger\r\nCY  - Leeds\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("TY  - RPRT\r\n"), std::string::npos);
  size_t lines = 0, crlf = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      ++lines;
      crlf += i > 0 && text[i - 1] == '\r';
    }
  EXPECT_GT(lines, 40u);
  EXPECT_EQ(crlf, lines);
}

// Record text cannot start an entry of its own or make the file unreadable:
// a lone carriage return, a NUL and other controls are written as spaces and
// counted; a CR LF pair is a line break like a line feed.
TEST_P(RoundTrip, ControlCharactersInFieldsAreWrittenAsSpaces) {
  std::vector<std::unique_ptr<CCustomRecord>> refs;
  refs.push_back(Reference(20, kCustomBook,
                           {std::string("Real\rER  - \rTY  - BOOK\rTI  - Injected", 37), "Lee, Ann",
                            std::string("Pub\0lisher\x1B[31m", 15), "", "2001", "", "one\r\ntwo"}));
  refs.push_back(Reference(21, kCustomInternet, {"Clean", "http://x.org", "tab\there"}));
  const WriteResult w = WriteReferences(View(refs), GetParam());
  EXPECT_EQ(w.written, 2u);
  EXPECT_EQ(w.text.find('\0'), std::string::npos);
  EXPECT_EQ(w.text.find('\x1B'), std::string::npos);
  size_t crs = 0;
  for (size_t i = 0; i < w.text.size(); ++i)
    if (w.text[i] == '\r') {
      ++crs;
      EXPECT_TRUE(i + 1 < w.text.size() && w.text[i + 1] == '\n') << "a carriage return alone at " << i;
    }
  if (GetParam() == Format::kBibTex) {
    EXPECT_EQ(crs, 0u);
  }
  ASSERT_EQ(w.notices.size(), 1u);
  EXPECT_EQ(w.notices[0].ToString(), "record 20: 5 control characters were written as a space");

  // Our own reader takes the file back whole, with one entry per record.
  const ReadResult r = ReadReferences(w.text, GetParam());
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[0], "Real ER  -  TY  - BOOK TI  - Injected"_cp);
  EXPECT_EQ(r.references[0].fields[2], "Pub lisher [31m"_cp);
}

// Read the other way: a file's controls come in as the writers would put
// them out (CR LF is a line break, other controls are spaces, told), a name
// never holds a line break, and what was read is written and read back
// unchanged.
TEST_P(RoundTrip, ControlCharactersInFilesAreReadAsTheWritersWouldWriteThem) {
  const std::string file =
      GetParam() == Format::kBibTex
          ? std::string("@book{k,\n  title = {Real\rtitle \x1B[1mbold},\n"
                        "  author = {Lee, Ann and {Brown\\\\ Bo} and Gray,\n  Cy},\n"
                        "  note = {one\r\ntwo\rthree}\n}\n")
          : std::string("TY  - BOOK\nTI  - Real\rtitle \x1B[1mbold\nAU  - Lee, Ann\nAU  - Brown Bo\n"
                        "AU  - Gray, Cy\nN1  - one\rtwo\nER  - \n");
  const ReadResult r = ReadReferences(file, GetParam());
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.references.size(), 1u);
  const std::vector<CpText>& f = r.references[0].fields;
  EXPECT_EQ(f[0], "Real title  [1mbold"_cp);
  EXPECT_EQ(f[1], "Lee, Ann; Brown Bo; Gray, Cy"_cp);
  for (const CpText& field : f)
    for (char c : field.view())
      EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t')
          << "control " << int(c) << " in [" << field.c_str() << "]";
  for (const std::string& name : SplitStoredNames(f[1].view()))
    EXPECT_EQ(name.find_first_of("\r\n"), std::string::npos) << name;
  ASSERT_EQ(r.notices.size(), 1u);
  EXPECT_EQ(r.notices[0].ToString().substr(r.notices[0].ToString().find(": ") + 2),
            GetParam() == Format::kBibTex ? "1 control character was read as a space"
                                          : "3 control characters were read as a space");

  std::vector<std::unique_ptr<CCustomRecord>> refs;
  std::vector<std::string> texts;
  for (const CpText& field : f) texts.push_back(field.bytes());
  refs.push_back(Reference(30, r.references[0].customType, texts));
  const WriteResult w = WriteReferences(View(refs), GetParam());
  EXPECT_TRUE(w.notices.empty()) << w.notices.front().ToString();
  const ReadResult back = ReadReferences(w.text, GetParam());
  ASSERT_TRUE(back.ok) << back.error;
  ASSERT_EQ(back.references.size(), 1u);
  EXPECT_EQ(back.references[0].fields, f) << w.text;
}

// A store with a topic (2, links 3) holding a note (4); ids issued from 5.
class TopicStore : public ::testing::Test {
 protected:
  void SetUp() override {
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 5;
    settings_ = settings.get();
    store_.AddNew(std::move(settings));
    auto topic = std::make_unique<CTopicRecord>();
    topic->recordId = 2;
    topic->linksId = 3;
    topic_ = topic.get();
    store_.AddNew(std::move(topic));
    auto links = std::make_unique<CTopicLinksRecord>();
    links->recordId = 3;
    links->topicId = 2;
    links->memberIds = {4};
    links_ = links.get();
    store_.AddNew(std::move(links));
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 4;
    store_.AddNew(std::move(note));
    links_->flags = 0;
  }

  uint32_t NextId() {
    settings_->flags |= kFlagModified;
    return ++settings_->lastRecordId;
  }

  std::vector<ImportedReference> Two() {
    return {{kCustomBook, {"A book"_cp, ""_cp, ""_cp, ""_cp, ""_cp, ""_cp, ""_cp}, "a", 1},
            {kCustomInternet, {"A site"_cp, "http://x.org"_cp, ""_cp}, "b", 5}};
  }

  ScratchDir dir_;
  CRecordStore store_{"refs.dat", dir_.path()};
  CSettingsRecord* settings_ = nullptr;
  CTopicRecord* topic_ = nullptr;
  CTopicLinksRecord* links_ = nullptr;
};

TEST_F(TopicStore, ReferencesJoinTheTopicAsNewRecords) {
  std::vector<uint32_t> added;
  ASSERT_EQ(AddToTopic(store_, 2, Two(), [this] { return NextId(); }, &added), AddResult::kOk);
  EXPECT_EQ(added, (std::vector<uint32_t>{6, 7}));
  EXPECT_EQ(links_->memberIds, (std::vector<uint32_t>{4, 6, 7}));
  EXPECT_EQ(links_->flags, kFlagModified);
  ASSERT_EQ(store_.Save(), DB_OK);

  CRecordStore again("refs.dat", dir_.path());
  ASSERT_EQ(again.Load(), DB_OK);
  CRecord* r = nullptr;
  ASSERT_EQ(again.FindById(7, &r), DB_OK);
  const CCustomRecord* site = RecordAs<CCustomRecord>(r);
  ASSERT_TRUE(site);
  EXPECT_EQ(site->customType, kCustomInternet);
  EXPECT_EQ(site->fields, (std::vector<CpText>{"A site"_cp, "http://x.org"_cp, ""_cp}));
  EXPECT_EQ(site->flags, kFlagNew);
  EXPECT_EQ(site->isPrivate, 0u);
  ASSERT_EQ(again.FindById(0, &r), DB_OK);
  EXPECT_EQ(RecordAs<CSettingsRecord>(r)->lastRecordId, 7u);
}

TEST_F(TopicStore, NoTopicOrNoLinksAddsNothing) {
  const uint32_t before = store_.highWater();
  std::vector<uint32_t> added{99};
  EXPECT_EQ(AddToTopic(store_, 9, Two(), [this] { return NextId(); }, &added), AddResult::kNoTopic);
  EXPECT_EQ(AddToTopic(store_, 4, Two(), [this] { return NextId(); }, &added), AddResult::kNoTopic);
  EXPECT_TRUE(added.empty());
  topic_->linksId = 8;
  EXPECT_EQ(AddToTopic(store_, 2, Two(), [this] { return NextId(); }, nullptr), AddResult::kNoLinks);
  topic_->linksId = 3;
  topic_->flags |= kFlagDeleted;
  EXPECT_EQ(AddToTopic(store_, 2, Two(), [this] { return NextId(); }, nullptr), AddResult::kNoTopic);
  EXPECT_EQ(store_.highWater(), before);
  EXPECT_EQ(links_->memberIds, std::vector<uint32_t>{4});
  EXPECT_EQ(settings_->lastRecordId, 5u);
}

TEST_F(TopicStore, CollectsTheTopicsLiveReferencesInMemberOrder) {
  store_.AddNew(Reference(20, kCustomBook, {"Twenty"}));
  store_.AddNew(Reference(21, kCustomBook, {"Secret"}));
  store_.AddNew(Reference(22, kCustomBook, {"Gone"}));
  store_.AddNew(Reference(23, kCustomBook, {"Elsewhere"}));
  CRecord* r = nullptr;
  store_.FindById(21, &r);
  r->isPrivate = 1;
  store_.FindById(22, &r);
  r->flags |= kFlagDeleted;
  links_->memberIds = {22, 21, 4, 20, 20, 99};

  auto titles = [](const std::vector<const CCustomRecord*>& refs) {
    std::vector<std::string> out;
    for (const CCustomRecord* ref : refs) out.push_back(ref->fields[0].bytes());
    return out;
  };
  bool found = false;
  EXPECT_EQ(titles(CollectReferences(store_, 2, false, &found)), std::vector<std::string>{"Twenty"});
  EXPECT_TRUE(found);
  EXPECT_EQ(titles(CollectReferences(store_, 2, true)), (std::vector<std::string>{"Secret", "Twenty"}));
  EXPECT_EQ(titles(CollectReferences(store_, 0, false)), (std::vector<std::string>{"Twenty", "Elsewhere"}));
  EXPECT_TRUE(CollectReferences(store_, 77, true, &found).empty());
  EXPECT_FALSE(found);

  // A private topic hides its references from every export while private
  // records are hidden: the topic counts as none, and the whole store's
  // export leaves out what only it holds.
  topic_->isPrivate = 1;
  EXPECT_TRUE(CollectReferences(store_, 2, false, &found).empty());
  EXPECT_FALSE(found);
  EXPECT_EQ(titles(CollectReferences(store_, 0, false)), std::vector<std::string>{"Elsewhere"});
  EXPECT_EQ(titles(CollectReferences(store_, 2, true, &found)), (std::vector<std::string>{"Secret", "Twenty"}));
  EXPECT_TRUE(found);
  EXPECT_EQ(titles(CollectReferences(store_, 0, true)), (std::vector<std::string>{"Twenty", "Secret", "Elsewhere"}));
}

TEST(ReferenceFiles, FormatByNameAndFilesThatCannotBeUsed) {
  Format f;
  EXPECT_TRUE(FormatOfPath("a/Library.BIB", &f));
  EXPECT_EQ(f, Format::kBibTex);
  EXPECT_TRUE(FormatOfPath("x.ris", &f));
  EXPECT_EQ(f, Format::kRis);
  EXPECT_FALSE(FormatOfPath("x.txt", &f));
  EXPECT_FALSE(FormatOfPath("bib", &f));

  ScratchDir dir;
  EXPECT_EQ(ReadReferenceFile(dir.File("missing.bib")).error, "it cannot be read: No such file or directory");
  // Another name: the text tells the format, or that it is neither.
  quillet::testing::WriteAll(dir.File("notes.txt"), {'h', 'i', '\n'});
  EXPECT_EQ(ReadReferenceFile(dir.File("notes.txt")).error, "it holds neither BibTeX entries nor RIS entries");
  const std::string ris = "\xEF\xBB\xBFTY  - BOOK\r\nTI  - Kept\r\nER  - \r\n";
  quillet::testing::WriteAll(dir.File("refs.txt"), quillet::testing::Bytes(ris.begin(), ris.end()));
  const ReadResult asRis = ReadReferenceFile(dir.File("refs.txt"));
  ASSERT_EQ(asRis.references.size(), 1u) << asRis.error;
  EXPECT_EQ(asRis.references[0].fields[0], CpText("Kept"));
  const std::string bib = "% from the tool\n  @Article {a1, title = {Also kept}}\n";
  quillet::testing::WriteAll(dir.File("refs.bibtex"), quillet::testing::Bytes(bib.begin(), bib.end()));
  const ReadResult asBib = ReadReferenceFile(dir.File("refs.bibtex"));
  ASSERT_EQ(asBib.references.size(), 1u) << asBib.error;
  EXPECT_EQ(asBib.references[0].customType, kCustomJournal);
  EXPECT_TRUE(FormatOfText("x\nTY - JOUR\n@book{k,}", &f));
  EXPECT_EQ(f, Format::kRis);
  EXPECT_FALSE(FormatOfText("mail me @ home {soon}\nTYPE - x", &f));
  ::mkdir(dir.File("folder.ris").c_str(), 0700);
  EXPECT_EQ(ReadReferenceFile(dir.File("folder.ris")).error, "it is not a file");
  // A pipe under the name is refused at once, not waited on.
  ASSERT_EQ(::mkfifo(dir.File("pipe.bib").c_str(), 0600), 0);
  EXPECT_EQ(ReadReferenceFile(dir.File("pipe.bib")).error, "it is not a file");

  // A damaged copy of a good UTF-8 file: read in the code page its letters
  // would all come in wrong, so nothing of it is used.
  std::string text = testing::ReadSample("library.bib");
  text.insert(text.find("Stuttgart"), "\xFF\xFE");
  quillet::testing::WriteAll(dir.File("damaged.bib"), quillet::testing::Bytes(text.begin(), text.end()));
  const ReadResult damaged = ReadReferenceFile(dir.File("damaged.bib"));
  EXPECT_FALSE(damaged.ok);
  EXPECT_TRUE(damaged.references.empty());
  EXPECT_EQ(damaged.error.rfind("it is not UTF-8 text (line ", 0), 0u) << damaged.error;
  // A file all in the code page is read as such, and the result says so.
  const std::string latin1 = "TY  - BOOK\r\nTI  - Gem\xFCsebau \x96 Band 2\r\nER  - \r\n";
  quillet::testing::WriteAll(dir.File("latin1.ris"), quillet::testing::Bytes(latin1.begin(), latin1.end()));
  const ReadResult cp = ReadReferenceFile(dir.File("latin1.ris"));
  ASSERT_TRUE(cp.ok) << cp.error;
  EXPECT_TRUE(cp.readAsCodePage);
  EXPECT_EQ(cp.references.at(0).fields[0], CpText("Gem\xFCsebau \x96 Band 2"));
  EXPECT_NE(ReadSummary(cp).find("read as Windows-1252"), std::string::npos);

  const ReadResult good = ReadReferenceFile(testing::SampleFile("library.ris"));
  EXPECT_TRUE(good.ok);
  EXPECT_EQ(good.references.size(), 10u);
}

TEST(ReferenceFiles, WritingReplacesWholeAndNeverFollowsALink) {
  ScratchDir dir;
  const std::string out = dir.File("out.bib");
  std::string error;
  ASSERT_TRUE(WriteFileReplacing(out, "first", &error)) << error;
  ASSERT_TRUE(WriteFileReplacing(out, "second", &error)) << error;
  EXPECT_EQ(quillet::testing::ReadAll(out), quillet::testing::Bytes({'s', 'e', 'c', 'o', 'n', 'd'}));

  // A link planted where the file goes is replaced; its target is untouched.
  quillet::testing::WriteAll(dir.File("target"), {'k', 'e', 'e', 'p'});
  ASSERT_EQ(::symlink(dir.File("target").c_str(), dir.File("link.ris").c_str()), 0);
  ASSERT_TRUE(WriteFileReplacing(dir.File("link.ris"), "new", &error)) << error;
  EXPECT_EQ(quillet::testing::ReadAll(dir.File("target")), quillet::testing::Bytes({'k', 'e', 'e', 'p'}));
  struct stat st;
  ASSERT_EQ(::lstat(dir.File("link.ris").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));

  // A folder in the way: an error, and no temporary file left behind.
  ::mkdir(dir.File("taken.bib").c_str(), 0700);
  EXPECT_FALSE(WriteFileReplacing(dir.File("taken.bib"), "x", &error));
  EXPECT_NE(error.find("taken.bib"), std::string::npos);
  std::vector<std::string> left = dir.Entries();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"link.ris", "out.bib", "taken.bib", "target"}));
}

}  // namespace
}  // namespace quillet::refx

namespace quillet::refx {
namespace {

// Files shaped as reference tools write them, with what those tools have
// and our kinds have no field for.
std::vector<std::unique_ptr<CCustomRecord>> AsRecords(const ReadResult& r) {
  std::vector<std::unique_ptr<CCustomRecord>> out;
  uint32_t id = 100;
  for (const ImportedReference& ref : r.references) {
    auto rec = std::make_unique<CCustomRecord>();
    rec->recordId = id++;
    rec->customType = ref.customType;
    rec->fields = ref.fields;
    out.push_back(std::move(rec));
  }
  return out;
}

// Written in both formats and read back, every reference is the same.
void ExpectSameAfterExport(const ReadResult& first) {
  const auto records = AsRecords(first);
  for (Format f : {Format::kBibTex, Format::kRis}) {
    const WriteResult w = WriteReferences(View(records), f);
    const ReadResult back = ReadReferences(w.text, f);
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.references.size(), first.references.size()) << w.text;
    for (size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(back.references[i].customType, first.references[i].customType) << w.text;
      EXPECT_EQ(back.references[i].fields, first.references[i].fields) << w.text;
    }
  }
}

std::string Export(const ReadResult& r, Format f) { return WriteReferences(View(AsRecords(r)), f).text; }

TEST(ToolFiles, ABracedNameIsOneNameBothWays) {
  const ReadResult r = ReadReferences(
      "@book{fda, title = {Guidance}, author = {{U.S. Food and Drug Administration}}, year = 2019}\n"
      "@book{nhlbi, title = {Report}, author = {{National Heart, Lung and Blood Institute} and Smith, John},\n"
      "  year = 2001}\n",
      Format::kBibTex);
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[book::kAuthor], CpText("U.S. Food and Drug Administration"));
  EXPECT_EQ(r.references[1].fields[book::kAuthor], CpText("National Heart, Lung and Blood Institute; Smith, John"));
  const std::string bib = Export(r, Format::kBibTex);
  EXPECT_NE(bib.find("author = {{U.S. Food and Drug Administration}}"), std::string::npos) << bib;
  EXPECT_NE(bib.find("author = {{National Heart, Lung and Blood Institute} and Smith, John}"), std::string::npos)
      << bib;
  const std::string ris = Export(r, Format::kRis);
  EXPECT_NE(ris.find("AU  - U.S. Food and Drug Administration\r\nPY"), std::string::npos) << ris;
  EXPECT_NE(ris.find("AU  - National Heart, Lung and Blood Institute\r\nAU  - Smith, John\r\n"), std::string::npos)
      << ris;
  ExpectSameAfterExport(r);
  // Names typed as "Last, First and Last, First" are still two names.
  EXPECT_EQ(SplitStoredNames("Gray, Ann and Li, Bo"), (std::vector<std::string>{"Gray, Ann", "Li, Bo"}));
  EXPECT_EQ(SplitStoredNames("Smith and Sons; Jones"), (std::vector<std::string>{"Smith and Sons", "Jones"}));
}

TEST(ToolFiles, FieldsWithoutAPlaceGoToNotesAndComeBack) {
  const ReadResult r = ReadReferences(
      "@misc{site, title = {Garden blog}, url = {https://example.org/blog}, author = {Hart, Olivia},\n"
      "  year = {2012}, howpublished = {Online}, abstract = {All about beans.}, keywords = {beans, soil},\n"
      "  note = {Visited twice.}}\n"
      "@book{ed, title = {Collected}, editor = {Gray, Ann and Li, Bo}, author = {Moss, Kim}, month = may,\n"
      "  address = {Leeds}, edition = {2nd}, series = {Garden Notes}, year = 2010}\n",
      Format::kBibTex);
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[web::kNotes],
            CpText("Visited twice.\nPublished: Online\nAuthor: Hart, Olivia\nYear: 2012\nKeywords: beans, soil\n"
                   "Abstract: All about beans."));
  EXPECT_EQ(r.references[1].fields[book::kAuthor], CpText("Moss, Kim"));
  EXPECT_EQ(r.references[1].fields[book::kNotes],
            CpText("Month: May\nEditor: Gray, Ann; Li, Bo\nAddress: Leeds\nEdition: 2nd\nSeries: Garden Notes"));
  EXPECT_EQ(r.movedToNotes, 10u);
  EXPECT_EQ(ReadSummary(r), "2 entries read, 2 added, 0 skipped, 10 fields moved to Notes, 0 characters replaced");

  const std::string bib = Export(r, Format::kBibTex);
  for (const char* field : {"  author = {Hart, Olivia},\n", "  year = {2012},\n", "  howpublished = {Online},\n",
                            "  keywords = {beans, soil},\n", "  abstract = {All about beans.},\n",
                            "  note = {Visited twice.}\n", "  editor = {Gray, Ann and Li, Bo},\n",
                            "  month = {May},\n", "  address = {Leeds},\n", "  series = {Garden Notes}\n"})
    EXPECT_NE(bib.find(field), std::string::npos) << field << "\n" << bib;
  const std::string ris = Export(r, Format::kRis);
  for (const char* line : {"AU  - Hart, Olivia\r\n", "PY  - 2012\r\n", "KW  - beans, soil\r\n",
                           "AB  - All about beans.\r\n", "ED  - Gray, Ann\r\nED  - Li, Bo\r\n", "CY  - Leeds\r\n",
                           "ET  - 2nd\r\n", "T3  - Garden Notes\r\n"})
    EXPECT_NE(ris.find(line), std::string::npos) << line << "\n" << ris;
  ExpectSameAfterExport(r);

  // RIS web pages keep their authors, year and keywords the same way.
  const ReadResult web = ReadReferences(
      "TY  - WEB\r\nTI  - Slugs\r\nUR  - https://example.org/s\r\nAU  - Reed, Martin\r\nPY  - 2020\r\n"
      "KW  - pests\r\nKW  - slugs\r\nER  - \r\n",
      Format::kRis);
  ASSERT_EQ(web.references.size(), 1u);
  EXPECT_EQ(web.references[0].fields[web::kNotes], CpText("Author: Reed, Martin\nYear: 2020\nKeywords: pests; slugs"));
  ExpectSameAfterExport(web);
}

TEST(ToolFiles, TexCommandsKeepTheirWords) {
  const ReadResult r = ReadReferences(
      "@article{a, title = {Introducing {\\MP}}, year = 2001}\n"
      "@article{b, title = {{\\LuaTeX}: Howling to the moon}, year = 2002}\n"
      "@article{c, title = {Report 370\\slash 3033 on \\emph{beans}}, year = 2003}\n"
      "@article{d, title = {Sorting in $O(n \\log n)$ with \\MP\\ and \\TeX}, year = 2004}\n",
      Format::kBibTex);
  ASSERT_EQ(r.references.size(), 4u);
  EXPECT_EQ(r.references[0].fields[0], CpText("Introducing MP"));
  EXPECT_EQ(r.references[1].fields[0], CpText("LuaTeX: Howling to the moon"));
  EXPECT_EQ(r.references[2].fields[0], CpText("Report 370/3033 on beans"));
  EXPECT_EQ(r.references[3].fields[0], CpText("Sorting in O(n log n) with MP and TeX"));
  EXPECT_EQ(r.unknownCommands, std::vector<std::string>{"MP"});
  EXPECT_NE(ReadSummary(r).find("; TeX commands kept as their names: \\MP"), std::string::npos) << ReadSummary(r);
  ExpectSameAfterExport(r);
}

TEST(ToolFiles, CrossrefCommentsAndJoinedFiles) {
  const ReadResult r = ReadReferences(
      "@incollection{ch, title = {Beans}, author = {Moss, Kim}, crossref = {coll}, pages = {1--9}}\n"
      "@article{com, title = {With a comment},\n"
      "% a line of comment, as tools allow\n"
      "  journal = {Soil}, year = 2011}\n"
      "@book{coll, title = {The Garden Book}, publisher = {Ulmer}, year = 2004}\n",
      Format::kBibTex);
  ASSERT_EQ(r.references.size(), 3u) << (r.notices.empty() ? "" : r.notices[0].ToString());
  EXPECT_EQ(r.references[0].fields,
            (std::vector<CpText>{CpText("Beans"), CpText("Moss, Kim"), CpText("The Garden Book"), CpText(""),
                                 CpText(""), CpText("2004"), CpText("1-9"), CpText("")}));
  EXPECT_EQ(r.references[1].fields[article::kJournal], CpText("Soil"));
  EXPECT_EQ(r.skipped, 0u);

  // Two RIS files joined: the second one's byte-order mark starts a line.
  const ReadResult joined = ReadReferences(
      "\xEF\xBB\xBFTY  - BOOK\r\nTI  - First\r\nER  - \r\n\xEF\xBB\xBFTY  - BOOK\r\nTI  - Second\r\nER  - \r\n",
      Format::kRis);
  ASSERT_EQ(joined.references.size(), 2u);
  EXPECT_EQ(joined.references[1].fields[0], CpText("Second"));
  EXPECT_TRUE(joined.notices.empty());
}

TEST(ToolFiles, DatesAreWrittenAsTheFormatsReadThem) {
  const ReadResult r = ReadReferences(
      "TY  - NEWS\r\nTI  - Frost\r\nT2  - Ledger\r\nDA  - 2019/07/04/\r\nER  - \r\n"
      "TY  - BOOK\r\nTI  - Years\r\nPY  - 1957/1990\r\nER  - \r\n",
      Format::kRis);
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[news::kDate], CpText("2019-07-04"));
  EXPECT_EQ(r.references[1].fields[book::kYear], CpText("1957/1990"));
  const std::string bib = Export(r, Format::kBibTex);
  EXPECT_NE(bib.find("  date = {2019-07-04},\n  year = {2019}"), std::string::npos) << bib;
  EXPECT_NE(bib.find("  year = {1957/1990}"), std::string::npos) << bib;
  const std::string ris = Export(r, Format::kRis);
  EXPECT_NE(ris.find("DA  - 2019/07/04/\r\n"), std::string::npos) << ris;
  EXPECT_NE(ris.find("PY  - 1957/1990\r\n"), std::string::npos) << ris;
  ExpectSameAfterExport(r);
  // A newspaper date stored with slashes is still written as biblatex reads it.
  std::vector<std::unique_ptr<CCustomRecord>> typed;
  typed.push_back(Reference(1, kCustomNewspaper, {"T", "P", "", "", "2019/07/04", "", ""}));
  EXPECT_NE(WriteReferences(View(typed), Format::kBibTex).text.find("date = {2019-07-04}"), std::string::npos);
}

}  // namespace
}  // namespace quillet::refx

namespace quillet::refx {
namespace {

TEST(ToolFiles, TitlesWithNoCharacterOfTheCodePage) {
  const ReadResult bib = ReadReferences(
      "@book{wang2001, title = {\xE4\xB8\xAD\xE5\x9B\xBD\xE5\x8E\x86\xE5\x8F\xB2}, year = 2001}\n"
      "@book{li2002, title = {\xE5\x8E\x86\xE5\x8F\xB2}, title_romanized = {Lishi}, year = 2002}\n"
      "@book{mix, title = {\xE5\x8E\x86 Beans}, year = 2003}\n",
      Format::kBibTex);
  ASSERT_EQ(bib.references.size(), 3u);
  EXPECT_EQ(bib.references[0].fields[0], CpText("wang2001"));
  EXPECT_EQ(bib.references[1].fields[0], CpText("Lishi"));
  EXPECT_EQ(bib.references[2].fields[0], CpText("? Beans"));  // a word of its own is left: kept
  EXPECT_EQ(testing::NoticesOf(bib, "li2002", Notice::What::kReplaced),
            std::vector<std::string>{"Title: no character of it is in the code page; \"Lishi\" stands in for it"});

  // RIS without an ID or a translated title: nothing stands in, the entry goes.
  const ReadResult ris = ReadReferences(
      "TY  - BOOK\r\nTI  - \xE4\xB8\xAD\xE5\x9B\xBD\r\nPY  - 2001\r\nER  - \r\n"
      "TY  - BOOK\r\nTI  - \xE4\xB8\xAD\xE5\x9B\xBD\r\nTT  - China\r\nER  - \r\n",
      Format::kRis);
  ASSERT_EQ(ris.references.size(), 1u);
  EXPECT_EQ(ris.references[0].fields[0], CpText("China"));
  EXPECT_EQ(ris.skipped, 1u);
  EXPECT_EQ(ReadSummary(ris).rfind("2 entries read, 1 added, 1 skipped, 0 fields moved to Notes, ", 0), 0u)
      << ReadSummary(ris);
}

}  // namespace
}  // namespace quillet::refx
