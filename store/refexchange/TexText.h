// BibTeX field values as text and back: TeX accents, special letters,
// dashes, quotes and protecting braces into Unicode on the way in; TeX
// escapes, only where a character would otherwise mean something to TeX,
// on the way out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet::refx {

enum class TexMode : uint8_t {
  kText,      // ordinary text: "--" is an en dash, braces protect, whitespace runs are one space
  kPages,     // as text, but every dash between numbers is a plain "-"
  kVerbatim,  // a web address: taken as written, only "\%", "\_" and the like unescaped, no spaces
};

// A field's value as it stood between its outer braces or quotes (UTF-8,
// inner braces kept) to text. A blank line (a run of whitespace holding n
// >= 2 line feeds) gives n - 1 line feeds; any other whitespace run one
// space; leading and trailing whitespace goes. Commands that only set the
// look of text go; a command of no known meaning keeps its name as text
// ("\MP" is "MP") and is added once to `unknown` (may be null).
std::u32string DecodeTex(std::string_view value, TexMode mode, std::vector<std::string>* unknown = nullptr);

// The names of an author or editor field, split at " and " outside braces,
// each decoded; "others" is "et al.".
std::vector<std::u32string> SplitBibNames(std::string_view value);

// UTF-8 text as a BibTeX value (without the outer braces) that DecodeTex
// reads back as the same text: the characters TeX gives a meaning escaped,
// dashes, quote pairs and extra spaces kept as they are, each line feed
// run written one longer. With `protectCapitals`, words with capitals after
// the first word (or inside a word) are braced so that styles keep them.
std::string EncodeTex(std::string_view utf8, bool protectCapitals);

// A web address as a BibTeX value: written as it is, braces and
// backslashes percent-encoded so that the value stays whole.
std::string EncodeTexVerbatim(std::string_view utf8);

}  // namespace quillet::refx
