// RIS files in: tagged lines, entries without their end, and a reference
// manager's export read into the six kinds.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "store/refexchange/Ris.h"
#include "store/refexchange/tests/RefTestUtil.h"

namespace quillet::refx {
namespace {

using testing::NoticesOf;
using testing::ReadSample;
using testing::Ref;

std::vector<CpText> CPs(std::initializer_list<const char*> utf8) {
  std::vector<CpText> out;
  for (const char* u : utf8) {
    CpText cp;
    EXPECT_TRUE(FromUtf8(u, &cp)) << u;
    out.push_back(cp);
  }
  return out;
}

TEST(RisSyntax, TagsContinuationLinesAndEnds) {
  const RisFile f = ParseRis(
      "Provider: a library catalogue\r\n"
      "\r\n"
      "TY  - JOUR\r\n"
      "TI  - A title that goes on\r\n"
      "over two lines\r\n"
      "AB  - First line of the abstract\r\n"
      "second line\r\n"
      "AU - Short, Dash\r\n"
      "ER  -\r\n"
      "TY  - BOOK\n"
      "TI  - No end\n");
  ASSERT_EQ(f.entries.size(), 1u);
  const RisEntry& e = f.entries[0];
  EXPECT_EQ(e.line, 3);
  EXPECT_EQ(e.First({"TI"}), "A title that goes on over two lines");
  EXPECT_EQ(e.First({"AB"}), "First line of the abstract\nsecond line");
  EXPECT_EQ(e.All("AU"), std::vector<std::string>{"Short, Dash"});
  ASSERT_EQ(f.broken.size(), 1u);
  EXPECT_EQ(f.broken[0].line, 10);
  EXPECT_EQ(f.broken[0].name, "\"No end\"");
  EXPECT_EQ(f.broken[0].why, "the file ends before the entry's end (ER)");
}

// A file whose lines end in CR alone reads as the same entries as with LF.
TEST(RisSyntax, LinesEndingInCarriageReturnsAlone) {
  const std::string lf =
      "TY  - JOUR\nTI  - A title that goes on\nover two lines\nAU  - Lee, Ann\nAB  - One\ntwo\nER  - \n"
      "TY  - BOOK\nTI  - Second\nER  - \n";
  std::string cr = lf;
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  const RisFile a = ParseRis(lf), b = ParseRis(cr);
  ASSERT_EQ(b.entries.size(), 2u);
  ASSERT_EQ(a.entries.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(b.entries[i].line, a.entries[i].line);
    EXPECT_EQ(b.entries[i].tags, a.entries[i].tags);
  }
  EXPECT_EQ(b.entries[0].First({"TI"}), "A title that goes on over two lines");
  EXPECT_EQ(b.entries[0].First({"AB"}), "One\ntwo");
  const ReadResult r = ReadReferences(cr, Format::kRis);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.references.size(), 2u);
}

TEST(RisSyntax, ATextWithoutEntriesIsNoRisFile) {
  const ReadResult r = ReadReferences("Author: Smith\nTitle: Not RIS at all\n", Format::kRis);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "no RIS entries in it (no \"TY  - \" line)");
  static const char kWithNul[] = "TY  - BOOK\nTI  - x\0y\nER  - \n";
  const ReadResult binary = ReadReferences(std::string(kWithNul, sizeof kWithNul - 1), Format::kRis);
  EXPECT_FALSE(binary.ok);
  EXPECT_EQ(binary.error, "it is not a text file");
}

// A reference manager's export: every kind, accents (some the code page
// cannot hold), several authors, page ranges, a web address with % and _,
// notes over the limit, types of no kind of ours, an entry without its end.
TEST(RisLibrary, EveryEntryComesInAsItsKind) {
  const ReadResult r = ReadReferences(ReadSample("library.ris"), Format::kRis);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.entriesSeen, 11u);
  EXPECT_EQ(r.skipped, 1u);
  ASSERT_EQ(r.references.size(), 10u);

  const ImportedReference* journal = Ref(r, "17");
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->customType, kCustomJournal);
  EXPECT_EQ(journal->fields,
            CPs({"Nitrogen uptake in mixed cover crops", "Andersson, Linnéa; Çelik, Mehmet; Nguyen, Van An",
                 "Journal of Garden Research", "14", "2", "2013", "101-118",
                 "Open access.\nDOI: 10.1234/jgr.2013.101"}));
  EXPECT_EQ(NoticesOf(r, "17", Notice::What::kReplaced),
            std::vector<std::string>{"Author: \"ễ\" (U+1EC5) as \"e\", \"ă\" (U+0103) as \"a\""});

  const ImportedReference* book = Ref(r, "\"The Allotment Handbook\"");
  ASSERT_TRUE(book);
  EXPECT_EQ(book->customType, kCustomBook);
  EXPECT_EQ(book->fields, CPs({"The Allotment Handbook", "Whitfield, Grace", "Greenleaf Books", "0-19-852663-6",
                               "1998", "256", "Library copy, shelf 635.\nLent to Tom in March."}));

  const ImportedReference* web = Ref(r, "\"Companion planting chart\"");
  ASSERT_TRUE(web);
  EXPECT_EQ(web->customType, kCustomInternet);
  EXPECT_EQ(web->fields, CPs({"Companion planting chart",
                              "https://example.com/guides/companion_planting%202.pdf?id=7_a", "PDF, 2 pages"}));

  const ImportedReference* magazine = Ref(r, "\"Ten tomatoes worth growing\"");
  ASSERT_TRUE(magazine);
  EXPECT_EQ(magazine->customType, kCustomMagazine);
  EXPECT_EQ(magazine->fields, CPs({"Ten tomatoes worth growing", "Brooks, Sam", "Kitchen Garden", "23", "4",
                                   "2018", "44-47", ""}));

  const ImportedReference* paper = Ref(r, "\"Council approves new allotment site\"");
  ASSERT_TRUE(paper);
  EXPECT_EQ(paper->customType, kCustomNewspaper);
  EXPECT_EQ(paper->fields, CPs({"Council approves new allotment site", "Northern Echo", "Darlington",
                                "Reed, Martin", "2019-08-22", "7", ""}));

  const ImportedReference* report = Ref(r, "\"Urban food growing in 2016\"");
  ASSERT_TRUE(report);
  EXPECT_EQ(report->customType, kCustomReport);
  EXPECT_EQ(report->fields,
            CPs({"Urban food growing in 2016", "Greater Manchester Food Board", "GM Food Board",
                 "A survey of 312 growing sites across ten boroughs,\nwith volunteer numbers and yields.",
                 "2017-01", "Internal report"}));

  const ImportedReference* diary = Ref(r, "\"Seed saving diary\"");
  ASSERT_TRUE(diary);
  EXPECT_EQ(diary->fields[6].size(), kFieldLimit);
  EXPECT_EQ(NoticesOf(r, "\"Seed saving diary\"", Notice::What::kCut).size(), 1u);
}

TEST(RisLibrary, OtherTypesComeInAsTheNearestKindAndSaySo) {
  const ReadResult r = ReadReferences(ReadSample("library.ris"), Format::kRis);
  ASSERT_TRUE(r.ok);
  const ImportedReference* chapter = Ref(r, "\"Soil biology\"");
  ASSERT_TRUE(chapter);
  EXPECT_EQ(chapter->customType, kCustomBook);
  EXPECT_EQ(chapter->fields, CPs({"Soil biology", "Park, Jin", "Academic Press", "", "2010", "55-80", ""}));
  EXPECT_EQ(NoticesOf(r, "\"Soil biology\"", Notice::What::kOtherKind),
            std::vector<std::string>{"type CHAP came in as Book"});

  const ImportedReference* conference = Ref(r, "\"Drip irrigation on clay soils\"");
  ASSERT_TRUE(conference);
  EXPECT_EQ(conference->customType, kCustomJournal);
  EXPECT_EQ(conference->fields[2], "Proceedings of the Water in Horticulture Symposium"_cp);
  EXPECT_EQ(conference->fields[1], CPs({"Silva, João"})[0]);

  const ImportedReference* thesis = Ref(r, "\"Pollinator visits to allotment plots\"");
  ASSERT_TRUE(thesis);
  EXPECT_EQ(thesis->customType, kCustomReport);
  EXPECT_EQ(thesis->fields, CPs({"Pollinator visits to allotment plots", "Evans, Rhiannon", "Cardiff University",
                                 "", "2021", ""}));
  EXPECT_EQ(NoticesOf(r, "\"Pollinator visits to allotment plots\"", Notice::What::kOtherKind),
            std::vector<std::string>{"type THES came in as Report"});

  EXPECT_EQ(NoticesOf(r, "\"An entry whose end went missing\"", Notice::What::kSkipped),
            std::vector<std::string>{"skipped: no end (ER) before the next entry"});
}

}  // namespace
}  // namespace quillet::refx
