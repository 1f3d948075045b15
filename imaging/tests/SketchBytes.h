// Handheld sketch bytes for the sketch window's tests: 1-bit, uncompressed,
// white with black pixels wherever `black(x, y)` says.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace quillet::testing {

inline std::vector<uint8_t> OneBitSketch(int width, int height,
                                         const std::function<bool(int, int)>& black) {
  const int rowBytes = ((width + 15) / 16) * 2;  // the handheld pads rows to words
  std::vector<uint8_t> bytes(16, 0);
  bytes[0] = static_cast<uint8_t>(width >> 8);
  bytes[1] = static_cast<uint8_t>(width);
  bytes[2] = static_cast<uint8_t>(height >> 8);
  bytes[3] = static_cast<uint8_t>(height);
  bytes[4] = static_cast<uint8_t>(rowBytes >> 8);
  bytes[5] = static_cast<uint8_t>(rowBytes);
  bytes[8] = 1;  // pixel size
  for (int y = 0; y < height; ++y) {
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < width; ++x)
      if (black(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return bytes;
}

// A 40 x 30 sketch: a black 10 x 5 block at (4, 6) and a black column at x 30.
inline bool TestMark(int x, int y) {
  return (x >= 4 && x < 14 && y >= 6 && y < 11) || x == 30;
}
inline std::vector<uint8_t> TestSketch() { return OneBitSketch(40, 30, TestMark); }

}  // namespace quillet::testing
