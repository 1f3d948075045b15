// A small writer of the handheld's bitmap form, for making sketches the way
// the handheld stores them (the desktop itself only ever decodes them).
//
// One bitmap, 1 bit per pixel (set = black), rows padded to 16 bits, numbers
// big-endian: the 16-byte header, for compressed bitmaps the 2-byte size of
// the compressed data, then the rows. Scan-line compression writes each row
// in groups of 8 bytes, each group led by a flag byte whose bits (most
// significant first) mark the bytes that differ from the row above; only
// those bytes follow.
#pragma once

#include <cstdint>
#include <vector>

namespace quillet::cli {

struct SketchBits {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> black;  // width x height, 1 = black

  SketchBits(int w, int h) : width(w), height(h), black(static_cast<size_t>(w) * h, 0) {}
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < width && y < height) black[static_cast<size_t>(y) * width + x] = 1;
  }
};

inline uint16_t SketchRowBytes(int width) { return static_cast<uint16_t>((width + 15) / 16 * 2); }

inline std::vector<uint8_t> PackSketchRow(const SketchBits& bits, int y) {
  std::vector<uint8_t> row(SketchRowBytes(bits.width), 0);
  for (int x = 0; x < bits.width; ++x)
    if (bits.black[static_cast<size_t>(y) * bits.width + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
  return row;
}

// `compress`: scan-line compression, else the rows as they stand.
inline std::vector<uint8_t> EncodeSketch(const SketchBits& bits, bool compress) {
  const uint16_t rowBytes = SketchRowBytes(bits.width);
  std::vector<uint8_t> out;
  auto put16 = [&out](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  };
  put16(static_cast<uint16_t>(bits.width));
  put16(static_cast<uint16_t>(bits.height));
  put16(rowBytes);
  out.push_back(compress ? 0x80 : 0x00);  // flags: compressed
  out.push_back(0x00);
  out.push_back(1);                       // pixel size
  out.push_back(compress ? 2 : 1);        // version: compression came with 2
  put16(0);                               // next depth offset
  out.push_back(0);                       // transparent index
  out.push_back(0);                       // compression type: scan line
  put16(0);                               // reserved

  std::vector<uint8_t> rows;
  std::vector<uint8_t> previous(rowBytes, 0);
  for (int y = 0; y < bits.height; ++y) {
    const std::vector<uint8_t> row = PackSketchRow(bits, y);
    if (!compress) {
      rows.insert(rows.end(), row.begin(), row.end());
      continue;
    }
    for (size_t group = 0; group < rowBytes; group += 8) {
      uint8_t flags = 0;
      std::vector<uint8_t> changed;
      for (size_t k = 0; k < 8 && group + k < rowBytes; ++k) {
        if (row[group + k] != previous[group + k]) {
          flags |= uint8_t(0x80 >> k);
          changed.push_back(row[group + k]);
        }
      }
      rows.push_back(flags);
      rows.insert(rows.end(), changed.begin(), changed.end());
    }
    previous = row;
  }
  // The compressed size counts its own two bytes.
  if (compress) put16(static_cast<uint16_t>(rows.size() + 2));
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

}  // namespace quillet::cli
