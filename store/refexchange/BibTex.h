// BibTeX files: the entry syntax, the mapping of entry types and fields to
// the six reference kinds, and writing references as entries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/refexchange/RefExchange.h"

namespace quillet::refx {

struct BibField {
  std::string name;   // lower case
  std::string value;  // as written between the outer braces or quotes, strings joined; UTF-8
  bool cut = false;   // the value was longer than the parser keeps and was cut
};

struct BibEntry {
  std::string type;   // lower case, without "@"
  std::string key;
  std::vector<BibField> fields;
  int line = 0;
  // The first field of that (lower-case) name, or null.
  const std::string* Find(std::string_view name) const;
};

struct BibBroken {
  int line = 0;
  std::string name;  // the key, or "@type" when there was none
  std::string why;
  std::string whyShown;  // the same in the person's language
};

struct BibFile {
  std::vector<BibEntry> entries;
  std::vector<BibBroken> broken;
};

// The entries of a BibTeX text (UTF-8). Text outside entries is a comment;
// @comment and @preamble are passed over, @string abbreviations are used
// where their names stand. An entry that does not parse is listed as
// broken and reading goes on at the next line that starts with "@".
BibFile ParseBibTex(std::string_view text);

ReadResult ReadBibTex(std::string_view text);
WriteResult WriteBibTex(const std::vector<const CCustomRecord*>& references);

// The number (1 to 12) of a month written as a number, a name or its
// first three letters (English); 0 otherwise.
int MonthNumber(std::string_view text);

}  // namespace quillet::refx
