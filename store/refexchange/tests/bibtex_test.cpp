// BibTeX files in: the entry syntax, broken entries, and a reference
// manager's export read into the six kinds.
#include <gtest/gtest.h>

#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "store/refexchange/BibTex.h"
#include "store/refexchange/tests/RefTestUtil.h"

namespace quillet::refx {
namespace {

using testing::NoticesOf;
using testing::ReadSample;
using testing::Ref;

// Code-page bytes of UTF-8 text the code page can hold.
CpText CP(const char* utf8) {
  CpText out;
  EXPECT_TRUE(FromUtf8(utf8, &out)) << utf8;
  return out;
}

std::vector<CpText> CPs(std::initializer_list<const char*> utf8) {
  std::vector<CpText> out;
  for (const char* u : utf8) out.push_back(CP(u));
  return out;
}

int LineOf(const std::string& text, const std::string& what) {
  const size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  int line = 1;
  for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
  return line;
}

TEST(BibTexSyntax, StringsConcatenationQuotesAndParentheses) {
  const BibFile f = ParseBibTex(R"(
Some words before the entries, and an address: me@example.org.
@String{pub = "Ulmer"}
@STRING(city = {Stuttgart})
@Book(k1,
  Publisher = pub # " Verlag, " # city,
  title = "Say {"}hi{"} to {Bob}",
  year = 2004, month = mar
)
@preamble{ "\newcommand{\noopsort}[1]{}" }
@comment{ @book{not, title = {an entry}} }
@misc{k2,}
)");
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_TRUE(f.broken.empty());
  const BibEntry& e = f.entries[0];
  EXPECT_EQ(e.type, "book");
  EXPECT_EQ(e.key, "k1");
  EXPECT_EQ(e.line, 5);
  ASSERT_NE(e.Find("publisher"), nullptr);
  EXPECT_EQ(*e.Find("publisher"), "Ulmer Verlag, Stuttgart");
  EXPECT_EQ(*e.Find("title"), R"(Say {"}hi{"} to {Bob})");
  EXPECT_EQ(*e.Find("year"), "2004");
  EXPECT_EQ(*e.Find("month"), "March");
  EXPECT_EQ(f.entries[1].key, "k2");
  EXPECT_TRUE(f.entries[1].fields.empty());
}

// Abbreviations that double each other: 40 of them in a file of about 1 KB
// would spell 16 * 2^39 bytes. Values are cut as they are built.
std::string DoublingMacros(int levels, const char* tail) {
  std::string text = "@string{a0=\"xxxxxxxxxxxxxxxx\"}\n";
  for (int n = 1; n < levels; ++n)
    text += "@string{a" + std::to_string(n) + " = a" + std::to_string(n - 1) + " # a" +
            std::to_string(n - 1) + "}\n";
  return text + tail;
}

TEST(BibTexSyntax, AbbreviationsDoublingEachOtherAreCutAsTheyAreBuilt) {
  const std::string text = DoublingMacros(40, "@book{k, title=a39, author={Ann Lee}}\n@book{small, title=a3}\n");
  ASSERT_LT(text.size(), 2000u);
  const BibFile f = ParseBibTex(text);
  ASSERT_EQ(f.entries.size(), 2u);
  ASSERT_EQ(f.entries[0].fields.size(), 2u);
  EXPECT_TRUE(f.entries[0].fields[0].cut);
  EXPECT_EQ(f.entries[0].fields[0].value.size(), 4 * kFieldLimit);
  EXPECT_FALSE(f.entries[0].fields[1].cut);
  EXPECT_FALSE(f.entries[1].fields[0].cut);
  EXPECT_EQ(f.entries[1].fields[0].value, std::string(128, 'x'));

  const ReadResult r = ReadReferences(text, Format::kBibTex);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[0].size(), kFieldLimit);
  const std::vector<std::string> cut = NoticesOf(r, "k", Notice::What::kCut);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], "title was longer than 120000 characters in the file and was cut");
  EXPECT_TRUE(NoticesOf(r, "small", Notice::What::kCut).empty());
}

TEST(BibTexSyntax, TheSmallDoublingVariantStaysBounded) {
  // Every entry names the largest abbreviation many times: the value stops
  // growing at the limit however many parts are joined.
  std::string tail = "@book{many, title=a25";
  for (int i = 0; i < 60; ++i) tail += " # a25";
  tail += "}\n";
  const ReadResult r = ReadReferences(DoublingMacros(26, tail.c_str()), Format::kBibTex);
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.references.size(), 1u);
  EXPECT_EQ(r.references[0].fields[0].size(), kFieldLimit);
  EXPECT_EQ(NoticesOf(r, "many", Notice::What::kCut).size(), 2u);
}

TEST(BibTexSyntax, BrokenEntriesAreNamedAndReadingGoesOn) {
  const std::string text = R"(@book{nocomma, title = {A} year = {2001}}
@book{good1, title = {First good}}
@book{noequals, title {B}}
@article{unclosed, title = {Runs on,
  year = {1999}
}
@book{good2, title = "Second good"}
@book{, = {x}}
@misc{openquote, title = "never closed
)";
  const BibFile f = ParseBibTex(text);
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[0].key, "good1");
  EXPECT_EQ(f.entries[1].key, "good2");
  ASSERT_EQ(f.broken.size(), 5u);
  EXPECT_EQ(f.broken[0].name, "nocomma");
  EXPECT_EQ(f.broken[0].why, "no comma after title");
  EXPECT_EQ(f.broken[0].line, 1);
  EXPECT_EQ(f.broken[1].name, "noequals");
  EXPECT_EQ(f.broken[1].why, "no \"=\" after title");
  EXPECT_EQ(f.broken[2].name, "unclosed");
  EXPECT_EQ(f.broken[2].why, "a brace is not closed (in title)");
  EXPECT_EQ(f.broken[2].line, 4);
  EXPECT_EQ(f.broken[3].name, "@book");
  EXPECT_EQ(f.broken[4].name, "openquote");
  EXPECT_EQ(f.broken[4].why, "a quote is not closed (in title)");
}

TEST(BibTexSyntax, NothingOfTheFormatIsNoFile) {
  EXPECT_FALSE(ReadBibTex("Just a letter to a friend, me@example.org\n").ok);
  EXPECT_FALSE(ReadReferences("", Format::kBibTex).ok);
  const ReadResult r = ReadReferences("\xEF\xBB\xBF@book{k, title={T}}", Format::kBibTex);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.references.size(), 1u);
}

TEST(BibTexSyntax, MonthsAndDates) {
  EXPECT_EQ(MonthNumber("mar"), 3);
  EXPECT_EQ(MonthNumber("September"), 9);
  EXPECT_EQ(MonthNumber("Sept."), 9);
  EXPECT_EQ(MonthNumber("11"), 11);
  EXPECT_EQ(MonthNumber("13"), 0);
  EXPECT_EQ(MonthNumber("Spring"), 0);
  const ReadResult r = ReadBibTex(R"(
@techreport{a, title = {A}, year = 2003, month = jun, day = 5}
@techreport{b, title = {B}, year = 2003, month = {Spring}}
@techreport{c, title = {C}, date = {2003-06-05/2003-06-07}, year = 2001}
)");
  ASSERT_EQ(r.references.size(), 3u);
  EXPECT_EQ(r.references[0].fields[4], "2003-06-05"_cp);
  EXPECT_EQ(r.references[1].fields[4], "Spring 2003"_cp);
  EXPECT_EQ(r.references[2].fields[4], "2003-06-05/2003-06-07"_cp);
}

TEST(BibTexSyntax, AFileThatSaysItIsLatin1IsReadAsTheCodePage) {
  const std::string latin1 = "% Encoding: ISO8859_1\n@book{k, title = {Gem\xFC" "sebau}}\n";
  const ReadResult r = ReadReferences(latin1, Format::kBibTex);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.references.at(0).fields[0], CpText("Gem\xFC" "sebau"));
  EXPECT_FALSE(r.readAsCodePage);  // it said so itself
  // Without that line the same bytes are not UTF-8: the file is read in
  // the code page all the same, and the summary says so.
  const ReadResult guessed = ReadReferences(latin1.substr(latin1.find('@')), Format::kBibTex);
  ASSERT_TRUE(guessed.ok) << guessed.error;
  EXPECT_EQ(guessed.references.at(0).fields[0], CpText("Gem\xFC" "sebau"));
  EXPECT_TRUE(guessed.readAsCodePage);
  EXPECT_EQ(ReadSummary(guessed),
            "1 entry read, 1 added, 0 skipped, 0 fields moved to Notes, 0 characters replaced; "
            "the file is not UTF-8 and was read as Windows-1252");
  // Windows-1252 quotes and dashes (0x93 0x94 0x96) come in as themselves.
  const ReadResult cp = ReadReferences("@book{q, title = {\x93Hi\x94 \x96 there}}\n", Format::kBibTex);
  ASSERT_TRUE(cp.ok) << cp.error;
  EXPECT_EQ(cp.references.at(0).fields[0], CpText("\x93Hi\x94 \x96 there"));
}

// A reference manager's export: every kind, accents, braces, several
// authors, page ranges, a web address with % and _, an abstract over the
// limit, types of no kind of ours, a broken entry.
TEST(BibTexLibrary, EveryEntryComesInAsItsKind) {
  const std::string text = ReadSample("library.bib");
  const ReadResult r = ReadReferences(text, Format::kBibTex);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.entriesSeen, 11u);
  EXPECT_EQ(r.skipped, 1u);
  ASSERT_EQ(r.references.size(), 10u);

  const ImportedReference* book = Ref(r, "mueller2004");
  ASSERT_TRUE(book);
  EXPECT_EQ(book->customType, kCustomBook);
  EXPECT_EQ(book->fields, CPs({"Die Kunst des Gemüsebaus", "Müller, Hans; Gaßner, Jörg; Østergaard, Bjørn",
                               "Ulmer", "978-3-8001-4436-5", "2004", "1-312",
                               "Second edition, revised.\nAddress: Stuttgart"}));
  EXPECT_EQ(book->line, LineOf(text, "@book{mueller2004"));

  const ImportedReference* journal = Ref(r, "dupont2011");
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->customType, kCustomJournal);
  EXPECT_EQ(journal->fields,
            CPs({"Soil moisture and the pH of raised beds — a Canadian study",
                 "Dupont, François; Lévesque, Amélie; Škoda, Jirí", "Journal of Garden Research", "12", "3",
                 "2011", "245-261", "DOI: 10.1234/jgr.2011.245\nMonth: March"}));
  EXPECT_EQ(NoticesOf(r, "dupont2011", Notice::What::kReplaced),
            std::vector<std::string>{"Author: \"ř\" (U+0159) as \"r\""});

  const ImportedReference* magazine = Ref(r, "kowalski2019");
  ASSERT_TRUE(magazine);
  EXPECT_EQ(magazine->customType, kCustomMagazine);
  EXPECT_EQ(magazine->fields, CPs({"Why the Lódz allotments thrive", "Kowalski, Lukasz; Wisniewska, Zofia",
                                   "Garden Monthly", "7", "11", "2019", "30-33", ""}));
  EXPECT_EQ(NoticesOf(r, "kowalski2019", Notice::What::kReplaced),
            (std::vector<std::string>{"Title: \"Ł\" (U+0141) as \"L\", \"ź\" (U+017A) as \"z\"",
                                      "Author: \"Ł\" (U+0141) as \"L\", \"ś\" (U+015B) as \"s\""}));

  const ImportedReference* paper = Ref(r, "hart2020");
  ASSERT_TRUE(paper);
  EXPECT_EQ(paper->customType, kCustomNewspaper);
  EXPECT_EQ(paper->fields, CPs({"Frost warning issued for the weekend", "The Evening Ledger", "Leeds",
                                "Hart, Olivia", "2020-04-17", "A4", ""}));

  const ImportedReference* report = Ref(r, "nsa2018");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->customType, kCustomReport);
  ASSERT_EQ(report->fields.size(), 6u);
  EXPECT_EQ(report->fields[1], "National Soil Agency"_cp);
  EXPECT_EQ(report->fields[2], "National Soil Agency"_cp);
  // Cut to the limit; a blank the cut ends on goes as well.
  const size_t from = text.find("abstract    = {") + 15;
  std::string abstract = text.substr(from, text.find("},", from) - from).substr(0, kFieldLimit);
  while (abstract.back() == ' ') abstract.pop_back();
  EXPECT_EQ(report->fields[3].bytes(), abstract);
  EXPECT_GE(report->fields[3].size(), kFieldLimit - 1);
  EXPECT_EQ(report->fields[4], "2018"_cp);
  EXPECT_EQ(report->fields[5], "Report no. NSA-TR-18/04"_cp);
  const std::vector<std::string> cut = NoticesOf(r, "nsa2018", Notice::What::kCut);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].rfind("Abstract cut to 30000 characters (it had 3", 0), 0u) << cut[0];

  const ImportedReference* web = Ref(r, "rhs_slugs");
  ASSERT_TRUE(web);
  EXPECT_EQ(web->customType, kCustomInternet);
  EXPECT_EQ(web->fields, CPs({"Slugs and snails: organic control",
                              "https://example.org/advice/slugs_and_snails?print=1&ref=50%25_off",
                              "Accessed 3 May 2021"}));
}

TEST(BibTexLibrary, OtherTypesComeInAsTheNearestKindAndSaySo) {
  const ReadResult r = ReadReferences(ReadSample("library.bib"), Format::kBibTex);
  ASSERT_TRUE(r.ok);
  const ImportedReference* proc = Ref(r, "tanaka2015");
  ASSERT_TRUE(proc);
  EXPECT_EQ(proc->customType, kCustomJournal);
  EXPECT_EQ(proc->fields, CPs({"Rain water harvesting for small plots", "Tanaka, Yuki; O'Brien, Seán",
                               "Proceedings of the 4th Urban Agriculture Conference", "", "", "2015",
                               "112-119", ""}));
  EXPECT_EQ(NoticesOf(r, "tanaka2015", Notice::What::kOtherKind),
            std::vector<std::string>{"@inproceedings came in as Journal Article"});

  const ImportedReference* thesis = Ref(r, "ng2009");
  ASSERT_TRUE(thesis);
  EXPECT_EQ(thesis->customType, kCustomReport);
  EXPECT_EQ(thesis->fields, CPs({"Root architecture of heritage tomato cultivars", "Ng, Wei",
                                 "University of Reading", "", "2009-09", ""}));
  EXPECT_EQ(NoticesOf(r, "ng2009", Notice::What::kOtherKind),
            std::vector<std::string>{"@phdthesis came in as Report"});

  const ImportedReference* online = Ref(r, "frostdates");
  ASSERT_TRUE(online);
  EXPECT_EQ(online->customType, kCustomInternet);
  EXPECT_EQ(online->fields[1], "https://frost.example.net/dates?pc=LS1_4&fmt=%2Fhtml"_cp);
  EXPECT_EQ(NoticesOf(r, "frostdates", Notice::What::kOtherKind),
            std::vector<std::string>{"@online came in as Internet"});

  const ImportedReference* patent = Ref(r, "bell2008");
  ASSERT_TRUE(patent);
  EXPECT_EQ(patent->customType, kCustomBook);
  EXPECT_EQ(patent->fields, CPs({"Self-watering seed tray", "Bell, Arthur; et al.", "", "", "2008", "", ""}));
  EXPECT_EQ(NoticesOf(r, "bell2008", Notice::What::kOtherKind),
            std::vector<std::string>{"@patent came in as Book"});

  // The broken entry is skipped and named; what follows it was read.
  const std::vector<std::string> skipped = NoticesOf(r, "smith2001", Notice::What::kSkipped);
  EXPECT_EQ(skipped, std::vector<std::string>{"skipped: a brace is not closed (in title)"});
  for (const ImportedReference& ref : r.references) EXPECT_NE(ref.entry, "smith2001");
}

TEST(BibTexLibrary, NoticesReadInFileOrder) {
  const ReadResult r = ReadReferences(ReadSample("library.bib"), Format::kBibTex);
  ASSERT_FALSE(r.notices.empty());
  for (size_t i = 1; i < r.notices.size(); ++i) EXPECT_LE(r.notices[i - 1].line, r.notices[i].line);
  const std::string line = r.notices.front().ToString();
  EXPECT_EQ(line.rfind("line ", 0), 0u) << line;
}

TEST(BibTexEntries, AnEntryWithNothingToKeepIsSkipped) {
  const ReadResult r = ReadBibTex("@book{empty, keywords = {x}, file = {a.pdf}}\n@book{k, title = {T}}");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.references.size(), 1u);
  EXPECT_EQ(NoticesOf(r, "empty", Notice::What::kSkipped),
            std::vector<std::string>{"skipped: nothing in it to keep"});

  // Text that shows nothing is nothing to keep either: a byte-order mark, a
  // zero-width space, a soft hyphen and a no-break space alone.
  const ReadResult invisible = ReadBibTex(
      "@book{bom, title = {\xEF\xBB\xBF}}\n"
      "@book{zwsp, title = {\xE2\x80\x8B \xC2\xAD}, author = {\xC2\xA0}}\n"
      "@book{seen, title = {\xE2\x80\x8BT}}\n");
  ASSERT_TRUE(invisible.ok);
  ASSERT_EQ(invisible.references.size(), 1u);
  EXPECT_EQ(invisible.references[0].entry, "seen");
  EXPECT_EQ(invisible.skipped, 2u);
  EXPECT_EQ(NoticesOf(invisible, "bom", Notice::What::kSkipped),
            std::vector<std::string>{"skipped: nothing in it to keep"});
  EXPECT_EQ(NoticesOf(invisible, "zwsp", Notice::What::kSkipped),
            std::vector<std::string>{"skipped: nothing in it to keep"});
}

TEST(BibTexEntries, EditorsStayEditorsAndWebAddressesGoToNotes) {
  const ReadResult r = ReadBibTex(R"(@book{k, title = {Edited}, editor = {Gray, Ann and Li, Bo},
  url = {http://x.org/a_b}, doi = {10.1/x_y}, note = {Signed copy.}}
@misc{h, title = {Site}, howpublished = {\url{http://y.org/p%20q}}})");
  ASSERT_EQ(r.references.size(), 2u);
  EXPECT_EQ(r.references[0].fields[1], ""_cp);
  EXPECT_EQ(r.references[0].fields[6],
            "Signed copy.\nURL: http://x.org/a_b\nDOI: 10.1/x_y\nEditor: Gray, Ann; Li, Bo"_cp);
  EXPECT_EQ(r.references[1].customType, kCustomInternet);
  EXPECT_EQ(r.references[1].fields[1], "http://y.org/p%20q"_cp);
}

}  // namespace
}  // namespace quillet::refx
