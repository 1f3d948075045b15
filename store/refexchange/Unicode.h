// Unicode text between the exchange files and the store: decoding UTF-8,
// composing letters with combining accents, and fitting text into the code
// page, with the nearest plain letter for what the code page cannot hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet::refx {

// UTF-8 to code points. False (with *out holding what came before) at the
// first byte sequence that is not UTF-8; *badOffset (may be null) is then
// its offset.
bool DecodeUtf8(std::string_view utf8, std::u32string* out, size_t* badOffset = nullptr);
std::string EncodeUtf8(std::u32string_view text);

// Combining accents (U+0300 block) put on the letter before them where a
// precomposed letter exists ("e" + U+0301 is "é"); others are kept.
std::u32string ComposeAccents(std::u32string_view text);

// The precomposed form of `base` with the combining accent `mark`; 0 when
// there is none.
char32_t ComposeLetter(char32_t base, char32_t mark);

// A character the code page could not hold and what was written instead.
struct Replacement {
  char32_t from;
  std::string to;  // code-page bytes (plain letters, may be empty)
};

// Code points to Windows-1252 bytes. A character the code page cannot hold
// becomes its nearest plain letter(s) ("ł" l, "ő" o, "α" a, "ж" zh), a few
// signs their plain spelling ("≤" <=), anything else "?"; each such
// character is listed once in *replaced (may be null). Invisible format
// characters (zero-width spaces, byte-order marks) are dropped without
// a word.
std::string FitCodePage(std::u32string_view text, std::vector<Replacement>* replaced);

// "ł" (U+0142) as "l", for notices.
std::string DescribeReplacement(const Replacement& r);

// UTF-8 text for a message box, which shows code-page text: characters
// the code page cannot hold are written as their number ("U+0141").
std::string CodePageForDisplay(std::string_view utf8);

// Plain lower-case ASCII letters and digits of code-page text, accents
// taken off ("Müller" muller, "Ærø" aero), everything else dropped; for
// citation keys.
std::string AsciiKeyPart(std::string_view cp1252);

}  // namespace quillet::refx
