#include "store/refexchange/Unicode.h"

#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "platform/codepage/CodePage.h"

namespace quillet::refx {
namespace {

// Precomposed letters by accent: pairs of base letter and letter with the
// accent, written out so that they can be read.
struct AccentTable {
  char32_t mark;
  const char* pairs;  // UTF-8: base, composed, base, composed ... (spaces ignored)
};

constexpr AccentTable kAccents[] = {
    {0x0300, "AÀ EÈ IÌ OÒ UÙ aà eè iì oò uù NǸ nǹ WẀ wẁ YỲ yỳ"},
    {0x0301, "AÁ EÉ IÍ OÓ UÚ YÝ aá eé ií oó uú yý CĆ cć GǴ gǵ LĹ lĺ NŃ nń RŔ rŕ SŚ sś ZŹ zź "
             "WẂ wẃ KḰ kḱ MḾ mḿ PṔ pṕ ÆǼ æǽ ØǾ øǿ"},
    {0x0302, "AÂ EÊ IÎ OÔ UÛ aâ eê iî oô uû CĈ cĉ GĜ gĝ HĤ hĥ JĴ jĵ SŜ sŝ WŴ wŵ YŶ yŷ"},
    {0x0303, "AÃ NÑ OÕ aã nñ oõ IĨ iĩ UŨ uũ EẼ eẽ YỸ yỹ"},
    {0x0304, "AĀ aā EĒ eē IĪ iī OŌ oō UŪ uū"},
    {0x0306, "AĂ aă EĔ eĕ GĞ gğ IĬ iĭ OŎ oŏ UŬ uŭ"},
    {0x0307, "CĊ cċ EĖ eė GĠ gġ Iİ ZŻ zż"},
    {0x0308, "AÄ EË IÏ OÖ UÜ aä eë iï oö uü yÿ YŸ"},
    {0x030A, "AÅ aå UŮ uů"},
    {0x030B, "OŐ oő UŰ uű"},
    {0x030C, "CČ cč DĎ dď EĚ eě NŇ nň RŘ rř SŠ sš TŤ tť ZŽ zž LĽ lľ"},
    {0x0323, "AẠ aạ EẸ eẹ OỌ oọ"},
    {0x0326, "SȘ sș TȚ tț"},
    {0x0327, "CÇ cç GĢ gģ KĶ kķ LĻ lļ NŅ nņ RŖ rŗ SŞ sş TŢ tţ"},
    {0x0328, "AĄ aą EĘ eę IĮ iį UŲ uų"},
};

// Letters without a decomposition whose nearest plain letters are known.
constexpr std::pair<char32_t, const char*> kPlainLetters[] = {
    {0x0110, "D"},  {0x0111, "d"},  {0x0126, "H"},  {0x0127, "h"},  {0x0131, "i"},
    {0x0132, "IJ"}, {0x0133, "ij"}, {0x0138, "k"},  {0x013F, "L"},  {0x0140, "l"},
    {0x0141, "L"},  {0x0142, "l"},  {0x0149, "n"},  {0x014A, "N"},  {0x014B, "n"},
    {0x0166, "T"},  {0x0167, "t"},  {0x017F, "s"},  {0x01A0, "O"},  {0x01A1, "o"},
    {0x01AF, "U"},  {0x01B0, "u"},  {0x0237, "j"},
    // Signs with a plain spelling.
    {0x2010, "-"},  {0x2011, "-"},  {0x2012, "-"},  {0x2015, "-"},  {0x2212, "-"},
    {0x2032, "'"},  {0x2033, "\""}, {0x2264, "<="}, {0x2265, ">="}, {0x2260, "!="},
    {0x2248, "~"},  {0x2190, "<-"}, {0x2192, "->"}, {0xFB00, "ff"}, {0xFB01, "fi"},
    {0xFB02, "fl"}, {0xFB03, "ffi"}, {0xFB04, "ffl"},
    // Greek, small letters (mu becomes the micro sign, which the code page has).
    {0x03B1, "a"},  {0x03B2, "b"},  {0x03B3, "g"},  {0x03B4, "d"},  {0x03B5, "e"},
    {0x03B6, "z"},  {0x03B7, "e"},  {0x03B8, "th"}, {0x03B9, "i"},  {0x03BA, "k"},
    {0x03BB, "l"},  {0x03BC, "\xB5"}, {0x03BD, "n"}, {0x03BE, "x"}, {0x03BF, "o"},
    {0x03C0, "p"},  {0x03C1, "r"},  {0x03C2, "s"},  {0x03C3, "s"},  {0x03C4, "t"},
    {0x03C5, "y"},  {0x03C6, "f"},  {0x03C7, "ch"}, {0x03C8, "ps"}, {0x03C9, "o"},
    // Greek capitals.
    {0x0391, "A"},  {0x0392, "B"},  {0x0393, "G"},  {0x0394, "D"},  {0x0395, "E"},
    {0x0396, "Z"},  {0x0397, "E"},  {0x0398, "Th"}, {0x0399, "I"},  {0x039A, "K"},
    {0x039B, "L"},  {0x039C, "M"},  {0x039D, "N"},  {0x039E, "X"},  {0x039F, "O"},
    {0x03A0, "P"},  {0x03A1, "R"},  {0x03A3, "S"},  {0x03A4, "T"},  {0x03A5, "Y"},
    {0x03A6, "F"},  {0x03A7, "Ch"}, {0x03A8, "Ps"}, {0x03A9, "O"},
};

// Cyrillic, U+0430 to U+044F; capitals (U+0410 to U+042F) take the same
// letters with the first one in capitals.
constexpr const char* kCyrillic[32] = {
    "a", "b", "v", "g",  "d",  "e",  "zh",   "z", "i", "i", "k",  "l", "m",  "n",  "o",  "p",
    "r", "s", "t", "u",  "f",  "kh", "ts",   "ch", "sh", "shch", "", "y", "", "e", "yu", "ya"};

bool IsInvisible(char32_t c) {
  return c == 0x200B || c == 0x200C || c == 0x200D || c == 0x2060 || c == 0xFEFF || c == 0x00AD;
}

bool IsOddSpace(char32_t c) {
  return (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

struct Tables {
  std::map<std::pair<char32_t, char32_t>, char32_t> compose;
  std::map<char32_t, char32_t> base;  // composed letter -> its base letter
  Tables() {
    for (const AccentTable& t : kAccents) {
      std::u32string pairs;
      DecodeUtf8(t.pairs, &pairs);
      std::u32string letters;
      for (char32_t c : pairs)
        if (c != U' ') letters.push_back(c);
      for (size_t i = 0; i + 1 < letters.size(); i += 2) {
        compose[{letters[i], t.mark}] = letters[i + 1];
        base.emplace(letters[i + 1], letters[i]);
      }
    }
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

// The nearest plain letters of a character the code page cannot hold.
std::string PlainFor(char32_t c) {
  for (const auto& [from, to] : kPlainLetters)
    if (from == c) return to;
  if (c >= 0x0410 && c <= 0x044F) {
    std::string s = kCyrillic[(c - 0x0410) % 32];
    if (c < 0x0430 && !s.empty()) s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
  }
  if (c >= 0x1EA0 && c <= 0x1EF9) {
    // Vietnamese letters with two accents, capital and small in turn.
    static const char kBases[] = "AAAAAAAAAAAAEEEEEEEEIIOOOOOOOOOOOOUUUUUUUYYYY";
    char base = kBases[(c - 0x1EA0) / 2];
    if ((c - 0x1EA0) % 2 == 1) base = static_cast<char>(base - 'A' + 'a');
    return std::string(1, base);
  }
  if (c == 0x0401) return "E";
  if (c == 0x0451) return "e";
  // A letter with accents: its base, itself perhaps accented again.
  const auto& base = TheTables().base;
  for (int depth = 0; depth < 3; ++depth) {
    auto it = base.find(c);
    if (it == base.end()) break;
    c = it->second;
    char byte;
    if (CodePointToCp1252(c, &byte)) return std::string(1, byte);
  }
  return "?";
}

}  // namespace

bool DecodeUtf8(std::string_view text, std::u32string* out, size_t* badOffset) {
  out->clear();
  out->reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp;
    size_t extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else {
      if (badOffset) *badOffset = i;
      return false;
    }
    bool good = i + extra < text.size();
    for (size_t k = 1; good && k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) good = false;
      else cp = (cp << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMinForLength[4] = {0, 0x80, 0x800, 0x10000};
    if (!good || cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      if (badOffset) *badOffset = i;
      return false;
    }
    out->push_back(cp);
    i += extra + 1;
  }
  return true;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(&out, c);
  return out;
}

char32_t ComposeLetter(char32_t base, char32_t mark) {
  if (base == 0x0131) base = U'i';  // a dotless i carries the accents of TeX's \i
  if (base == 0x0237) base = U'j';
  const auto& compose = TheTables().compose;
  auto it = compose.find({base, mark});
  return it == compose.end() ? 0 : it->second;
}

std::u32string ComposeAccents(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c >= 0x0300 && c <= 0x036F && !out.empty()) {
      if (char32_t composed = ComposeLetter(out.back(), c)) {
        out.back() = composed;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::string FitCodePage(std::u32string_view text, std::vector<Replacement>* replaced) {
  std::set<char32_t> told;
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    char byte;
    if (CodePointToCp1252(c, &byte)) {
      out.push_back(byte);
      continue;
    }
    if (IsInvisible(c)) continue;
    std::string plain;
    if (IsOddSpace(c)) plain = " ";
    else if (c >= 0x0300 && c <= 0x036F) plain = "";  // an accent without a letter to carry it
    else plain = PlainFor(c);
    out += plain;
    if (replaced && told.insert(c).second) replaced->push_back({c, plain});
  }
  return out;
}

std::string DescribeReplacement(const Replacement& r) {
  std::string shown;
  if (r.from >= 0x0300 && r.from <= 0x036F) shown = "\xE2\x97\x8C";  // a dotted circle carries the accent
  AppendUtf8(&shown, r.from);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(r.from));
  const std::string to = r.to.empty() ? "nothing" : "\"" + ToUtf8(CpText(r.to)) + "\"";
  return "\"" + shown + "\" (" + code + ") as " + to;
}

std::string CodePageForDisplay(std::string_view utf8) {
  std::u32string text;
  if (!DecodeUtf8(utf8, &text)) {
    text.clear();
    for (unsigned char c : utf8) text.push_back(c < 0x80 ? c : 0xFFFD);
  }
  std::string out;
  for (char32_t c : text) {
    char byte;
    if (CodePointToCp1252(c, &byte)) {
      out.push_back(byte);
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      out += code;
    }
  }
  return out;
}

std::string AsciiKeyPart(std::string_view cp1252) {
  // The code page's own letters with accents (0xC0 to 0xFF) and the few
  // above 0x80.
  static const char* const kLatin1[64] = {
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
      "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "ss",
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
      "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};
  std::string out;
  for (unsigned char c : cp1252) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out.push_back(static_cast<char>(c));
    else if (c >= 'A' && c <= 'Z') out.push_back(static_cast<char>(c - 'A' + 'a'));
    else if (c >= 0xC0) out += kLatin1[c - 0xC0];
    else if (c == 0x8A || c == 0x9A) out += "s";
    else if (c == 0x8E || c == 0x9E) out += "z";
    else if (c == 0x8C || c == 0x9C) out += "oe";
    else if (c == 0x9F) out += "y";
  }
  return out;
}

}  // namespace quillet::refx
