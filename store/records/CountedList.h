// Reading the counted lists of record bodies (kind 2 items, kind 7 fields,
// kind 8 members) without trusting the count: a count the rest of the file
// cannot hold is a body cut off by the end of the file, not a reason to
// allocate gigabytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "store/StoreFile.h"

namespace quillet::records {

// Reads up to `count` elements with `read_one` (which returns a DbResult)
// into `out`; stops at the first failed read. `min_bytes` is the least an
// element takes on disk, which bounds how many can possibly follow.
template <class T, class ReadOne>
DbResult ReadCountedList(CStoreFile& file, uint64_t count, uint64_t min_bytes,
                         std::vector<T>* out, ReadOne read_one) {
  out->clear();
  if (count == 0) return DB_OK;
  out->reserve(static_cast<size_t>(std::min<uint64_t>(count, file.Remaining() / min_bytes)));
  for (uint64_t i = 0; i < count; ++i) {
    T element{};
    DbResult rc = read_one(&element);
    if (rc != DB_OK) return rc;
    out->push_back(std::move(element));
  }
  return DB_OK;
}

}  // namespace quillet::records
