// Finding the first of a few given bytes in a text, eight bytes at a time.
// Record texts and reference rows are short but many; a byte-by-byte loop
// over them was a good part of a report's build.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillet {

// The first position at or after `from` (before `n`) holding one of Cs, or
// `n`. A byte equal to c becomes a zero byte of word ^ (c in every byte),
// and (v - 0x01..) & ~v & 0x80.. flags the lowest zero byte of v exactly
// (flags above it may be false, so only the lowest is used).
template <char... Cs>
size_t FindFirstOf(const char* text, size_t from, size_t n) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighs = 0x8080808080808080ull;
  size_t i = from;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= n; i += 8) {
      uint64_t word;
      std::memcpy(&word, text + i, 8);
      uint64_t hits = 0;
      ((hits |= [](uint64_t v) { return (v - kOnes) & ~v & kHighs; }(
            word ^ (kOnes * static_cast<unsigned char>(Cs)))),
       ...);
      if (hits != 0) return i + static_cast<size_t>(std::countr_zero(hits)) / 8;
    }
  }
  for (; i < n; ++i) {
    char c = text[i];
    if (((c == Cs) || ...)) return i;
  }
  return n;
}

}  // namespace quillet
