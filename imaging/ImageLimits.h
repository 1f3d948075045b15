// The largest picture any reader here agrees to hold.
//
// Every decoder takes its sizes from the bytes it is given, and those bytes
// may come from a damaged file or a damaged record. A picture whose size
// would need absurd memory is refused before anything is allocated, so that
// a single bad width cannot take the program down.
#pragma once

#include <cstdint>

namespace quillet {

// 32 megapixels: room for a large camera picture, while a FloatImage of that
// size (16 bytes a pixel) stays near half a gigabyte.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 25;
// No format we read can describe a longer side.
inline constexpr int64_t kMaxImageSide = 65535;

// True when a picture of width x height pixels may be allocated. Zero sides
// are allowed (an empty picture); negative ones are not.
inline bool ImageSizeAllowed(int64_t width, int64_t height) {
  if (width < 0 || height < 0) return false;
  if (width > kMaxImageSide || height > kMaxImageSide) return false;
  return width * height <= kMaxImagePixels;
}

}  // namespace quillet
