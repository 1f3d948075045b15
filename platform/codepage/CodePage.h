// The Windows-1252 code page: the bytes of every record text, the string
// table and the Palm user names, and their UTF-8 form for the file system,
// URLs and terminals. This is the only place the two are converted outside
// the widgets (which convert to and from QString in widgets/kit/Ansi.h).
//
// Every byte has a UTF-8 form: the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// number, as the Windows conversion does, so a round trip keeps every byte.
// The other way is strict: text that is not valid UTF-8, or holds a
// character the code page cannot represent, is refused, never replaced.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage/CpText.h"

namespace quillet {

// Code-page text to UTF-8. Never fails.
std::string ToUtf8(const CpText& text);

// UTF-8 to code-page text. False when the text is not valid UTF-8 or holds
// a character the code page cannot represent; `*out` then holds the text
// converted before that point and `*badChar` (when given) the offending code
// point (0xFFFD for invalid UTF-8).
bool FromUtf8(std::string_view utf8, CpText* out, uint32_t* badChar = nullptr);

// A file name, path or address (UTF-8) inside a message (code-page text):
// as itself where the code page holds it; a character it cannot hold is
// written as its number, "<U+03A9>", and a byte that is no UTF-8 as
// "<0xFF>", so the person sees that something is there and what.
CpText TextForMessage(std::string_view utf8);

// A file name, path or address inside a message (UTF-8): as itself, except
// that a byte that is no UTF-8 is written as its value, "<0xFF>", so the
// message stays text and the person sees what is there.
std::string PathForMessage(std::string_view bytes);

// How a message names a character: "U+03A9", "U+1F600" (ASCII, so the same
// in both encodings).
std::string CodePointLabel(uint32_t codePoint);
// How a message shows a character it names (UTF-8): the character in quotes
// and its number, "“Ω” (U+03A9)"; only the number for a control character,
// a surrogate or what is beyond Unicode.
std::string CharacterForMessage(uint32_t codePoint);

namespace codepage_detail {
// Unicode code points of the bytes 0x80-0x9F.
inline constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace codepage_detail

// The Unicode code point of a code-page byte (every byte has one).
inline uint32_t Cp1252ToCodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? codepage_detail::kCp1252High[byte - 0x80] : byte;
}

// The code-page byte of a Unicode code point; false when there is none.
bool CodePointToCp1252(uint32_t codePoint, char* byte);

// Appends the UTF-8 form of a code point (up to U+10FFFF).
void AppendUtf8(std::string* out, uint32_t codePoint);

}  // namespace quillet
