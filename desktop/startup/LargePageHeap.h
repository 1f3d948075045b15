// The heap in large pages, for the start-up of a big store.
//
// Fresh memory reaches a process one page at a time: the first write to
// every 4 KB page is a fault, which on a virtual machine costs tens of
// microseconds. Loading 100,000 records and filling the tree with them
// writes tens of thousands of fresh heap pages. ReserveLargePageHeap grows
// the heap once by a large reserve and asks the kernel to back it with
// large (2 MB) pages where it can, so that the same memory arrives in a few
// dozen faults. Pages are still only taken when first written: the reserve
// costs address space, not memory.
//
// Process-wide: from then on malloc grows the heap `bytes` at a time and
// keeps that much of it when memory is freed, and blocks of up to 32 MB
// come from the heap instead of a mapping of their own. Call once, early in
// main, before other threads start. No Qt.
#pragma once

#include <cstddef>

namespace quillet {

// Returns the bytes advised as large pages; 0 when the heap could not be
// grown where it is or the kernel does not take the advice (nothing is
// lost then: the heap works as before).
size_t ReserveLargePageHeap(size_t bytes);

// Whether the memory at `address` lies in a range advised for large pages
// (read from /proc/self/smaps; for tests and diagnostics).
bool InLargePageRange(const void* address);

}  // namespace quillet
