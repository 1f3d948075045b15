#include "imaging/Sketch.h"

#include <cstring>
#include <vector>

namespace quillet {
namespace {

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

FloatPixel Colour(int red, int green, int blue) {
  return FloatPixel{red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f};
}
FloatPixel Grey(int value) { return Colour(value, value, value); }

struct Palettes {
  FloatPixel bits1[2];
  FloatPixel bits2[4];
  FloatPixel bits4[16];
  FloatPixel bits8[256];

  Palettes() {
    bits1[0] = Grey(255);
    bits1[1] = Grey(0);
    for (int i = 0; i < 4; ++i) bits2[i] = Grey((3 - i) * 85);
    for (int i = 0; i < 16; ++i) bits4[i] = Grey((15 - i) * 17);

    // The colour cube: red slowest, then blue, green fastest; the first half
    // takes the three light blues, the second the three dark ones, whose
    // last entry (black) gives way to the greys.
    static const int kSteps[6] = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
    int i = 0;
    for (int half = 0; half < 2; ++half) {
      for (int r = 0; r < 6; ++r) {
        for (int b = half * 3; b < half * 3 + 3; ++b) {
          for (int g = 0; g < 6; ++g) {
            if (i < 215) bits8[i++] = Colour(kSteps[r], kSteps[g], kSteps[b]);
          }
        }
      }
    }
    static const int kGreys[10] = {0x11, 0x22, 0x44, 0x55, 0x77, 0x88, 0xAA, 0xBB, 0xDD, 0xEE};
    for (int g = 0; g < 10; ++g) bits8[i++] = Grey(kGreys[g]);
    bits8[i++] = Colour(0xC0, 0xC0, 0xC0);
    bits8[i++] = Colour(0x80, 0x00, 0x00);
    bits8[i++] = Colour(0x80, 0x00, 0x80);
    bits8[i++] = Colour(0x00, 0x80, 0x00);
    bits8[i++] = Colour(0x00, 0x80, 0x80);
    while (i < 256) bits8[i++] = Grey(0);
  }
};

const Palettes& GetPalettes() {
  static const Palettes palettes;
  return palettes;
}

// One stored row into pixels, most significant bits first. Pixels the row's
// bytes do not reach keep their colour.
void ConvertRow(const uint8_t* row, uint32_t row_bytes, int pixel_size,
                const FloatPixel* palette, FloatPixel* out, int width) {
  const int per_byte = 8 / pixel_size;
  const unsigned mask = (1u << pixel_size) - 1;
  const int limit = static_cast<int>(
      row_bytes * static_cast<uint64_t>(per_byte) < static_cast<uint64_t>(width)
          ? row_bytes * per_byte
          : width);
  if (pixel_size == 8) {
    for (int x = 0; x < limit; ++x) out[x] = palette[row[x]];
    return;
  }
  int x = 0;
  for (uint32_t i = 0; x < limit; ++i) {
    const unsigned byte = row[i];
    for (int shift = 8 - pixel_size; shift >= 0 && x < limit; shift -= pixel_size, ++x) {
      out[x] = palette[(byte >> shift) & mask];
    }
  }
}

}  // namespace

bool ReadSketchHeader(const uint8_t* bytes, size_t size, SketchHeader* h) {
  if (!bytes || size < kSketchHeaderSize) return false;
  h->width = Be16(bytes);
  h->height = Be16(bytes + 2);
  h->row_bytes = Be16(bytes + 4);
  h->flags = bytes[6];
  h->pixel_size = bytes[8];
  h->version = bytes[9];
  h->next_depth_offset = Be16(bytes + 10);
  h->transparent_index = bytes[12];
  h->compression_type = bytes[13];
  return true;
}

const FloatPixel* SketchPalette(int pixel_size) {
  const Palettes& p = GetPalettes();
  switch (pixel_size) {
    case 1: return p.bits1;
    case 2: return p.bits2;
    case 4: return p.bits4;
    case 8: return p.bits8;
    default: return nullptr;
  }
}

uint32_t DecodeSketch(const uint8_t* bytes, size_t size, FloatImage* image,
                       SketchDecodeInfo* info) {
  SketchDecodeInfo local;
  SketchDecodeInfo& d = info ? *info : local;
  d = SketchDecodeInfo();
  if (!ReadSketchHeader(bytes, size, &d.header)) {
    image->release();
    return 0;
  }
  const SketchHeader& h = d.header;
  if (image->create(h.width, h.height) != 0) return 0;

  // The optional parts, each only when its flag is set; the colour table is
  // skipped because the fixed palettes are always used.
  size_t pos = kSketchHeaderSize;
  bool parts_present = true;
  auto skip = [&](size_t n) {
    if (size - pos < n) {
      pos = size;
      return false;
    }
    pos += n;
    return true;
  };
  if (h.flags & kSketchHasColorTable) {
    if (size - pos < 2) {
      parts_present = skip(2);
    } else {
      const size_t entries = Be16(bytes + pos);
      pos += 2;
      parts_present = skip(entries * 4);
    }
  }
  if (parts_present && (h.flags & kSketchDirectColor)) parts_present = skip(8);
  if (parts_present && (h.flags & kSketchCompressed)) parts_present = skip(2);
  d.rows_offset = pos;
  if (!parts_present) {
    d.truncated = h.height > 0;
    return static_cast<uint32_t>(h.row_bytes) * h.height;
  }

  enum class Rows { kStored, kScanLine, kRunLength, kPackBits };
  Rows mode = Rows::kStored;
  if (h.flags & kSketchCompressed) {
    switch (h.compression_type) {
      case kSketchScanLine: mode = Rows::kScanLine; break;
      case kSketchRunLength: mode = Rows::kRunLength; break;
      case kSketchPackBits: mode = Rows::kPackBits; break;
      default: mode = Rows::kStored; break;
    }
  }

  // One row buffer, zero at first: scan-line rows build on the row before,
  // which is what the buffer holds when the next row starts.
  const uint32_t row_bytes = h.row_bytes;
  std::vector<uint8_t> current(row_bytes);
  const FloatPixel* palette = SketchPalette(h.pixel_size);

  for (uint32_t y = 0; y < h.height; ++y) {
    bool whole = true;
    switch (mode) {
      case Rows::kStored: {
        const size_t n = size - pos < row_bytes ? size - pos : row_bytes;
        if (n) std::memcpy(current.data(), bytes + pos, n);
        pos += n;
        whole = n == row_bytes;
        break;
      }
      case Rows::kScanLine:
        // Groups of 8 bytes behind a flag byte: a set bit (most significant
        // first) brings a new byte, a clear one repeats the row above. The
        // current buffer still holds the row above, so a repeat is no work.
        for (uint32_t group = 0; group < row_bytes && whole; group += 8) {
          if (pos >= size) {
            whole = false;
            break;
          }
          const uint8_t flag = bytes[pos++];
          if (flag == 0) continue;
          const uint32_t n = row_bytes - group < 8 ? row_bytes - group : 8;
          for (uint32_t k = 0; k < n; ++k) {
            if (flag & (0x80u >> k)) {
              if (pos >= size) {
                whole = false;
                break;
              }
              current[group + k] = bytes[pos++];
            }
          }
        }
        break;
      case Rows::kRunLength: {
        // (count, value) pairs; a run never spills beyond its row.
        uint32_t filled = 0;
        while (filled < row_bytes) {
          if (size - pos < 2) {
            whole = false;
            break;
          }
          const uint32_t count = bytes[pos];
          const uint8_t value = bytes[pos + 1];
          pos += 2;
          const uint32_t n = count < row_bytes - filled ? count : row_bytes - filled;
          std::memset(current.data() + filled, value, n);
          filled += n;
        }
        break;
      }
      case Rows::kPackBits:
        // Not decoded: the row stays as the buffer holds it.
        break;
    }
    if (palette && row_bytes && h.width) {
      ConvertRow(current.data(), row_bytes, h.pixel_size, palette, &image->at(0, y), h.width);
    }
    if (!whole) {
      d.truncated = true;
      break;
    }
    ++d.rows_complete;
  }
  return row_bytes * h.height;
}

int WriteSketchFile(const uint8_t* bytes, size_t size, const std::string& path) {
  if (path.empty()) return 0;
  FloatImage image;
  if (DecodeSketch(bytes, size, &image) == 0 || image.pixel_count() == 0) return 1;
  return image.save_jpeg(path.c_str(), 100);
}

}  // namespace quillet
