// RIS files: tagged lines ("TY  - JOUR" ... "ER  - "), the mapping of
// reference types and tags to the six kinds, and writing references.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/refexchange/RefExchange.h"

namespace quillet::refx {

struct RisEntry {
  int line = 0;  // the TY line
  std::vector<std::pair<std::string, std::string>> tags;  // in file order, TY included; UTF-8
  // Every value of a tag, in file order.
  std::vector<std::string> All(std::string_view tag) const;
  // The first non-empty value of the first tag that has one.
  std::string First(std::initializer_list<std::string_view> tags) const;
};

struct RisBroken {
  int line = 0;
  std::string name;
  std::string why;
  std::string whyShown;  // the same in the person's language
};

struct RisFile {
  std::vector<RisEntry> entries;
  std::vector<RisBroken> broken;
};

// The entries of a RIS text (UTF-8, lines ending in LF or CR LF). A line
// that is no tag continues the value before it. An entry without its "ER"
// (the next "TY" or the end of the file comes first) is broken.
RisFile ParseRis(std::string_view text);

ReadResult ReadRis(std::string_view text);
// Lines end in CR LF, as the format asks.
WriteResult WriteRis(const std::vector<const CCustomRecord*>& references);

}  // namespace quillet::refx
