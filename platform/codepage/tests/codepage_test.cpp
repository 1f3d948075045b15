#include <gtest/gtest.h>

#include <sstream>
#include <unordered_set>

#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  CpText back;
  ASSERT_TRUE(FromUtf8(ToUtf8(CpText(all)), &back));
  EXPECT_EQ(back, CpText(all));
}

TEST(CodePage, TheFiveUndefinedBytesBecomeTheirControlAndComeBack) {
  // The code page leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined: each is
  // carried as the C1 control of the same number, two bytes of UTF-8.
  const CpText undefined("\x81\x8D\x8F\x90\x9D");
  const std::string utf8 = ToUtf8(undefined);
  EXPECT_EQ(utf8, "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  CpText back;
  ASSERT_TRUE(FromUtf8(utf8, &back));
  EXPECT_EQ(back, undefined);
}

TEST(CodePage, KnownCharactersBothWays) {
  // e acute, euro sign, left double quote, en dash, y diaeresis.
  const CpText cp("Caf\xE9 \x80 \x93x\x96 \x9F");
  const std::string utf8 = "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x93 \xC5\xB8";
  EXPECT_EQ(ToUtf8(cp), utf8);
  CpText back;
  ASSERT_TRUE(FromUtf8(utf8, &back));
  EXPECT_EQ(back, cp);
}

TEST(CodePage, EveryCharacterOfTheUpperHalfIsItsByte) {
  // The 27 characters 0x80-0x9F defines, as people type them.
  const char32_t chars[] = {U'€', U'‚', U'ƒ', U'„', U'…', U'†', U'‡', U'ˆ', U'‰', U'Š', U'‹', U'Œ', U'Ž', U'‘',
                            U'’', U'“', U'”', U'•', U'–', U'—', U'˜', U'™', U'š', U'›', U'œ', U'ž', U'Ÿ'};
  const unsigned char bytes[] = {0x80, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8E, 0x91,
                                 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9E, 0x9F};
  static_assert(std::size(chars) == std::size(bytes));
  for (size_t i = 0; i < std::size(chars); ++i) {
    std::string utf8;
    AppendUtf8(&utf8, chars[i]);
    CpText cp;
    ASSERT_TRUE(FromUtf8(utf8, &cp)) << std::hex << static_cast<uint32_t>(chars[i]);
    EXPECT_EQ(cp, CpText(std::string(1, static_cast<char>(bytes[i]))));
    EXPECT_EQ(ToUtf8(cp), utf8);
  }
}

TEST(CodePage, RefusesWhatTheCodePageCannotHoldAndNamesIt) {
  CpText out;
  uint32_t bad = 0;
  // "a" then U+0416 (Cyrillic Zhe).
  EXPECT_FALSE(FromUtf8("a\xD0\x96", &out, &bad));
  EXPECT_EQ(bad, 0x0416u);
  EXPECT_EQ(out, CpText("a"));
  // Omega after a euro sign: what came before it is kept as code-page bytes.
  EXPECT_FALSE(FromUtf8("\xE2\x82\xAC\xCE\xA9", &out, &bad));
  EXPECT_EQ(bad, 0x03A9u);
  EXPECT_EQ(out, CpText("\x80"));
  // An emoji beyond the basic plane.
  EXPECT_FALSE(FromUtf8("\xF0\x9F\x98\x80", &out, &bad));
  EXPECT_EQ(bad, 0x1F600u);
  EXPECT_EQ(CodePointLabel(0x03A9), "U+03A9");
  EXPECT_EQ(CodePointLabel(0x1F600), "U+1F600");
}

TEST(CodePage, APathInAMessageShowsWhatTheCodePageCannotByNumber) {
  EXPECT_EQ(TextForMessage("/home/ann/Caf\xC3\xA9.htm"), CpText("/home/ann/Caf\xE9.htm"));
  // Nothing is replaced by a look-alike or dropped: the person sees it is there.
  EXPECT_EQ(TextForMessage("/home/\xE6\x9D\x8E/a\xCE\xA9" "b"), CpText("/home/<U+674E>/a<U+03A9>b"));
  EXPECT_EQ(TextForMessage("bad\xFF\xC3("), CpText("bad<0xFF><0xC3>("));
  EXPECT_EQ(TextForMessage(""), CpText());
}

TEST(CodePage, RefusesBrokenUtf8) {
  CpText out;
  uint32_t bad = 0;
  for (const char* broken : {"\xC3", "\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xE2\x82"}) {
    bad = 0;
    EXPECT_FALSE(FromUtf8(broken, &out, &bad)) << broken;
    EXPECT_EQ(bad, 0xFFFDu);
  }
}

TEST(CodePage, FourByteUtf8IsWritten) {
  std::string out;
  AppendUtf8(&out, 0x1F600);
  EXPECT_EQ(out, "\xF0\x9F\x98\x80");
}

TEST(CpText, HoldsBytesAsGivenAndComparesThem) {
  const CpText cafe("Caf\xE9");
  EXPECT_EQ(cafe.size(), 4u);
  EXPECT_EQ(cafe.bytes(), "Caf\xE9");
  EXPECT_EQ(cafe.view(), std::string_view("Caf\xE9"));
  EXPECT_TRUE(CpText().empty());
  EXPECT_EQ(CpText(std::string("a\0b", 3)).size(), 3u);  // a zero byte is a byte like any other
  EXPECT_LT(CpText("a"), CpText("b"));
  EXPECT_LT(CpText("Z"), CpText("\xE9"));  // bytes, unsigned
  EXPECT_NE(CpText("a"), CpText("A"));
  EXPECT_EQ(CpText("Copy of ") + cafe, CpText("Copy of Caf\xE9"));
  EXPECT_EQ(cafe.substr(3), CpText("\xE9"));
  EXPECT_EQ("Unfiled"_cp, CpText("Unfiled"));
  std::unordered_set<CpText> seen{cafe, CpText("Caf\xE9")};
  EXPECT_EQ(seen.size(), 1u);
  std::ostringstream printed;
  printed << CpText("\x80 \"x\"");
  EXPECT_EQ(printed.str(), "\"\\x80 \\\"x\\\"\"");
}

// Nothing but bytes makes a CpText: no std::string, C string or literal
// turns into one unasked.
static_assert(!std::is_convertible_v<std::string, CpText>);
static_assert(!std::is_convertible_v<const char*, CpText>);
static_assert(!std::is_convertible_v<std::string_view, CpText>);
static_assert(!std::is_convertible_v<CpText, std::string>);

}  // namespace
}  // namespace quillet
