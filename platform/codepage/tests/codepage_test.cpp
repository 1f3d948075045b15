#include <gtest/gtest.h>

#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(all), &back));
  EXPECT_EQ(back, all);
}

TEST(CodePage, KnownCharactersBothWays) {
  // e acute, euro sign, left double quote, en dash, y diaeresis.
  const std::string cp = "Caf\xE9 \x80 \x93x\x96 \x9F";
  const std::string utf8 = "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x93 \xC5\xB8";
  EXPECT_EQ(Cp1252ToUtf8(cp), utf8);
  std::string back;
  ASSERT_TRUE(Utf8ToCp1252(utf8, &back));
  EXPECT_EQ(back, cp);
}

TEST(CodePage, RefusesWhatTheCodePageCannotHoldAndNamesIt) {
  std::string out;
  uint32_t bad = 0;
  // "a" then U+0416 (Cyrillic Zhe).
  EXPECT_FALSE(Utf8ToCp1252("a\xD0\x96", &out, &bad));
  EXPECT_EQ(bad, 0x0416u);
  EXPECT_EQ(out, "a");
  // An emoji beyond the basic plane.
  EXPECT_FALSE(Utf8ToCp1252("\xF0\x9F\x98\x80", &out, &bad));
  EXPECT_EQ(bad, 0x1F600u);
}

TEST(CodePage, RefusesBrokenUtf8) {
  std::string out;
  uint32_t bad = 0;
  for (const char* broken : {"\xC3", "\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xE2\x82"}) {
    bad = 0;
    EXPECT_FALSE(Utf8ToCp1252(broken, &out, &bad)) << broken;
    EXPECT_EQ(bad, 0xFFFDu);
  }
}

TEST(CodePage, FourByteUtf8IsWritten) {
  std::string out;
  AppendUtf8(&out, 0x1F600);
  EXPECT_EQ(out, "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace quillet
