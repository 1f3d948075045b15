// What the program shows for a record whose title (or first line) has
// nothing to show. The handheld lets titles and first lines be empty; such a
// record must still have a row to click in the tree and the find list and a
// heading in its report. The stored text stays as it is.
#pragma once

#include <string>
#include <string_view>

#include "platform/codepage/CpText.h"

namespace quillet {

inline constexpr char kUntitledText[] = "(untitled)";

// True when the first line of `text` holds nothing but blanks (spaces,
// tabs, a carriage return).
inline bool IsUntitled(std::string_view text) {
  for (char c : text.substr(0, text.find('\n')))
    if (c != ' ' && c != '\t' && c != '\r') return false;
  return true;
}

inline bool IsUntitled(const CpText& text) { return IsUntitled(text.view()); }

// `text` as it is, or kUntitledText when it IsUntitled.
inline CpText ShownTitle(const CpText& text) { return IsUntitled(text) ? CpText(kUntitledText) : text; }

}  // namespace quillet
