// What the reference exchange tests share: the sample files and lookups
// into a read result.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/refexchange/RefExchange.h"

namespace quillet::refx::testing {

inline std::string SampleFile(const std::string& name) {
  return std::string(QUILLET_SOURCE_DIR) + "/store/refexchange/tests/data/" + name;
}

inline std::string ReadSample(const std::string& name) {
  std::ifstream in(SampleFile(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The reference read from the entry of that name; fails the test when
// there is none.
inline const ImportedReference* Ref(const ReadResult& r, const std::string& entry) {
  for (const ImportedReference& ref : r.references)
    if (ref.entry == entry) return &ref;
  ADD_FAILURE() << "no reference from entry " << entry;
  return nullptr;
}

// The notices about one entry, of one kind.
inline std::vector<std::string> NoticesOf(const ReadResult& r, const std::string& entry, Notice::What what) {
  std::vector<std::string> out;
  for (const Notice& n : r.notices)
    if (n.entry == entry && n.what == what) out.push_back(n.text);
  return out;
}

}  // namespace quillet::refx::testing
