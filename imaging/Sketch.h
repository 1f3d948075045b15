// Handheld sketches: the bitmap bytes of a format-2 image record, decoded
// into a FloatImage for showing, copying and writing as JPEG.
//
// The bytes are the handheld's own bitmap form, numbers big-endian: a 16-byte
// header, optional parts, then the rows (stored, scan-line or run-length
// compressed). Only the first bitmap is decoded, always with the handheld's
// fixed palettes. The decoder never reads past the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/FloatImage.h"

namespace quillet {

inline constexpr size_t kSketchHeaderSize = 16;

// Bits of the first flag byte.
inline constexpr uint8_t kSketchCompressed = 0x80;
inline constexpr uint8_t kSketchHasColorTable = 0x40;
inline constexpr uint8_t kSketchHasTransparency = 0x20;
inline constexpr uint8_t kSketchIndirect = 0x10;
inline constexpr uint8_t kSketchForScreen = 0x08;
inline constexpr uint8_t kSketchDirectColor = 0x04;

enum SketchCompression : uint8_t {
  kSketchScanLine = 0,
  kSketchRunLength = 1,
  kSketchPackBits = 2,
};

struct SketchHeader {
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t row_bytes = 0;
  uint8_t flags = 0;  // the first flag byte
  uint8_t pixel_size = 0;
  uint8_t version = 0;
  uint16_t next_depth_offset = 0;
  uint8_t transparent_index = 0;
  uint8_t compression_type = 0;
};

// False when fewer than 16 bytes are given.
bool ReadSketchHeader(const uint8_t* bytes, size_t size, SketchHeader* header);

// What a decode found, for callers that report on it.
struct SketchDecodeInfo {
  SketchHeader header;
  size_t rows_offset = 0;       // where the rows begin
  uint32_t rows_complete = 0;   // rows whose bytes were all there
  bool truncated = false;       // the data ended before the last row
};

// Decodes `bytes` into `image` (created at the sketch's size, opaque white).
// Returns row bytes x height, or 0 when nothing could be decoded: fewer bytes
// than a header, or a size the image refuses. Data that end early leave the
// rows not reached white (the row in progress keeps what it received).
uint32_t DecodeSketch(const uint8_t* bytes, size_t size, FloatImage* image,
                       SketchDecodeInfo* info = nullptr);

// Decodes the sketch and writes it as a JPEG of quality 100 to `path`. An
// empty path writes nothing. 0 on success (or empty path), 1 when the sketch
// could not be decoded or the file not written.
int WriteSketchFile(const uint8_t* bytes, size_t size, const std::string& path);

// The fixed palette of a pixel size (1, 2, 4 or 8 bits: 2, 4, 16 or 256
// entries); null for any other size. Built once, constant afterwards.
const FloatPixel* SketchPalette(int pixel_size);

}  // namespace quillet
