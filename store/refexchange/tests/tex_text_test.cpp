// TeX text in BibTeX values, Unicode to the code page, and back.
#include <gtest/gtest.h>

#include "store/refexchange/TexText.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

std::string Dec(std::string_view tex, TexMode mode = TexMode::kText) {
  return EncodeUtf8(DecodeTex(tex, mode));
}

TEST(TexDecode, AccentsInEveryWayTheyAreWritten) {
  EXPECT_EQ(Dec(R"(M{\"u}ller)"), "Müller");
  EXPECT_EQ(Dec(R"(M\"uller)"), "Müller");
  EXPECT_EQ(Dec(R"(M\"{u}ller)"), "Müller");
  EXPECT_EQ(Dec(R"(Caf\'e)"), "Café");
  EXPECT_EQ(Dec(R"(Ji\v{r}\'{\i})"), "Jiří");
  EXPECT_EQ(Dec(R"(Fran\c{c}ois)"), "François");
  EXPECT_EQ(Dec(R"(Fran\c cois)"), "François");
  EXPECT_EQ(Dec(R"({\v{S}}koda)"), "Škoda");
  EXPECT_EQ(Dec(R"(Erd\H{o}s)"), "Erdős");
  EXPECT_EQ(Dec(R"(\`a la \^ete \~n)"), "à la ête ñ");
  EXPECT_EQ(Dec(R"(Ga{\ss}ner {\O}stergaard Bj{\o}rn {\ae}sop {\L}{\'o}d{\'z})"),
            "Gaßner Østergaard Bjørn æsop Łódź");
  // An accent TeX has but no precomposed letter keeps its combining mark.
  EXPECT_EQ(Dec(R"(\"x)"), "x\u0308");
  // Already UTF-8 text passes untouched.
  EXPECT_EQ(Dec("Gemüsebau"), "Gemüsebau");
}

TEST(TexDecode, BracesProtectAndGo) {
  EXPECT_EQ(Dec("{Soil} moisture and the {pH} of {Canadian} beds"),
            "Soil moisture and the pH of Canadian beds");
  EXPECT_EQ(Dec("{{Double braced title}}"), "Double braced title");
  EXPECT_EQ(Dec("stray } brace"), "stray brace");
}

TEST(TexDecode, DashesQuotesAndSymbols) {
  EXPECT_EQ(Dec("1990--1995, a---b, a-b"), "1990–1995, a—b, a-b");
  EXPECT_EQ(Dec("``quoted'' and `single' it's"), "“quoted” and ‘single' it's");
  EXPECT_EQ(Dec(R"(50\% \& \$5 \#1 snake\_case a~b)"), "50% & $5 #1 snake_case a b");
  EXPECT_EQ(Dec(R"(\textit{Solanum} \emph{lycopersicum} \LaTeX{} \textendash{} \ldots)"),
            "Solanum lycopersicum LaTeX – …");
  EXPECT_EQ(Dec(R"(H$_2$O and $\alpha$-amylase)"), "H2O and α-amylase");
  EXPECT_EQ(Dec(R"({\noopsort{a}}Zeta \href{http://x.org}{the site})"), "Zeta the site");
}

TEST(TexDecode, UnknownCommandsKeepTheirNamesAndAreListedOnce) {
  std::vector<std::string> unknown;
  auto dec = [&unknown](const char* tex) { return EncodeUtf8(DecodeTex(tex, TexMode::kText, &unknown)); };
  EXPECT_EQ(dec(R"(Introducing {\MP})"), "Introducing MP");
  EXPECT_EQ(dec(R"(\MP\ and \MP{} again)"), "MP and MP again");
  EXPECT_EQ(dec(R"(\Xfoo bar)"), "Xfoo bar");
  EXPECT_EQ(unknown, (std::vector<std::string>{"MP", "Xfoo"}));
  // Known ones: their text, or nothing when they only set the look.
  EXPECT_EQ(dec(R"(370\slash 3033, well\hyphen known, \METAFONT\ and \MetaPost)"),
            "370/3033, well-known, METAFONT and MetaPost");
  EXPECT_EQ(dec(R"($O(n \log n)$ and $\sin x$)"), "O(n log n) and sin x");
  EXPECT_EQ(dec(R"(\textbf{Bold} \textsc{Caps} {\em it} \mbox{box} \BibTeX)"), "Bold Caps it box BibTeX");
  EXPECT_EQ(unknown.size(), 2u);
}

TEST(TexDecode, PagesTakePlainHyphens) {
  EXPECT_EQ(Dec("245--261", TexMode::kPages), "245-261");
  EXPECT_EQ(Dec("245–261", TexMode::kPages), "245-261");
  EXPECT_EQ(Dec("12---14", TexMode::kPages), "12-14");
}

TEST(TexDecode, WhitespaceRunsAndBlankLines) {
  EXPECT_EQ(Dec("  one\n   two\tthree  "), "one two three");
  EXPECT_EQ(Dec("para one\n\npara two\n  \n\n  three"), "para one\npara two\n\nthree");
  EXPECT_EQ(Dec(R"(one\par two)"), "one\ntwo");
}

TEST(TexDecode, WebAddressesAreTakenAsWritten) {
  EXPECT_EQ(Dec("https://example.org/a_b?x=50%25&y={z}", TexMode::kVerbatim),
            "https://example.org/a_b?x=50%25&y=z");
  EXPECT_EQ(Dec(R"(https://example.org/a\_b\%20c)", TexMode::kVerbatim), "https://example.org/a_b%20c");
  EXPECT_EQ(Dec("https://example.org/very/long/\n    path", TexMode::kVerbatim),
            "https://example.org/very/long/path");
  EXPECT_EQ(Dec(R"(see \url{http://a.org/x_y%20z})"), "see http://a.org/x_y%20z");
}

TEST(TexDecode, DeepNestingIsReadWithoutRunningOutOfStack) {
  const std::string deep = std::string(200000, '{') + "core" + std::string(200000, '}');
  EXPECT_EQ(Dec(deep), "core");
  std::string accents;
  for (int i = 0; i < 50000; ++i) accents += "\\'{";
  accents += "e" + std::string(50000, '}');
  EXPECT_FALSE(DecodeTex(accents, TexMode::kText).empty());
}

TEST(TexNames, SplitAtAndOutsideBraces) {
  std::vector<std::u32string> names =
      SplitBibNames(R"(M{\"u}ller, Hans and {Procter and Gamble} AND Doe, J. and others)");
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(EncodeUtf8(names[0]), "Müller, Hans");
  EXPECT_EQ(EncodeUtf8(names[1]), "Procter and Gamble");
  EXPECT_EQ(EncodeUtf8(names[2]), "Doe, J.");
  EXPECT_EQ(EncodeUtf8(names[3]), "et al.");
  EXPECT_TRUE(SplitBibNames("  ").empty());
}

// Whatever the store holds comes back from its BibTeX form unchanged.
TEST(TexEncode, ReadsBackAsTheSameText) {
  const char* const texts[] = {
      "Plain title",
      "50% off_now & #1 at $5",
      R"(back\slash {braces} ~tilde^ caret `grave)",
      "two -- hyphens --- and '' quotes ``here''",
      "en – em — dashes and “curly” ‘quotes’",
      "Müller, Gaßner, Œuvre, Škoda",
      "spaces  inside   runs",
      "line one\nline two\n\nafter a blank line",
      "line\n indented after a break",
      "@home at the start",
      "first\n@line start",
  };
  for (const char* text : texts) {
    EXPECT_EQ(Dec(EncodeTex(text, false)), text) << EncodeTex(text, false);
    EXPECT_EQ(Dec(EncodeTex(text, true)), text) << EncodeTex(text, true);
  }
}

TEST(TexEncode, EscapesOnlyWhereNeededAndProtectsCapitals) {
  EXPECT_EQ(EncodeTex("Café society", false), "Café society");
  EXPECT_EQ(EncodeTex("50% of a_b", false), R"(50\% of a\_b)");
  EXPECT_EQ(EncodeTex("The DNA of Paris", true), "The {DNA} of {Paris}");
  EXPECT_EQ(EncodeTex("iPhone apps", true), "{iPhone} apps");
  EXPECT_EQ(EncodeTexVerbatim("http://a.org/x_y%20{z}"), "http://a.org/x_y%20%7Bz%7D");
}

TEST(CodePageFit, NearestPlainLettersAreToldOnce) {
  std::u32string text;
  ASSERT_TRUE(DecodeUtf8("Łódź, łąka, Œuvre, αβ, Жук, 10\u2009000, x\u200By", &text));
  std::vector<Replacement> replaced;
  const std::string cp = FitCodePage(text, &replaced);
  EXPECT_EQ(cp, "L\xF3" "dz, laka, \x8Cuvre, ab, Zhuk, 10 000, xy");
  std::vector<char32_t> from;
  for (const Replacement& r : replaced) from.push_back(r.from);
  // Each character once, in the order met; "ó" and "Œ" fit as they are,
  // the zero-width space goes without a word.
  EXPECT_EQ(from, (std::vector<char32_t>{0x141, 0x17A, 0x142, 0x105, 0x3B1, 0x3B2, 0x416, 0x443,
                                         0x43A, 0x2009}));
  EXPECT_EQ(DescribeReplacement(replaced[0]), "\"Ł\" (U+0141) as \"L\"");
  EXPECT_EQ(FitCodePage(U"\u4E2D", &replaced), "?");
}

TEST(CodePageFit, DecomposedAccentsAreComposedFirst) {
  std::u32string text;
  ASSERT_TRUE(DecodeUtf8("Linne\u0301a Cafe\u0300", &text));
  std::vector<Replacement> replaced;
  EXPECT_EQ(FitCodePage(ComposeAccents(text), &replaced), "Linn\xE9" "a Caf\xE8");
  EXPECT_TRUE(replaced.empty());
}

TEST(KeyParts, PlainLowerCaseAscii) {
  EXPECT_EQ(AsciiKeyPart("M\xFCller"), "muller");
  EXPECT_EQ(AsciiKeyPart("\xC6r\xF8-Ga\xDF"), "aeroga" "ss");
  EXPECT_EQ(AsciiKeyPart("O'Brien"), "obrien");
  EXPECT_EQ(AsciiKeyPart("\x8A" "koda"), "skoda");
}

}  // namespace
}  // namespace quillet::refx
