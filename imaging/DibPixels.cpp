#include "imaging/DibPixels.h"

#include <cstring>

#include "imaging/ImageLimits.h"

namespace quillet {

bool DibToRgb(const PackedDib& dib, int* width, int* height, std::vector<uint8_t>* rgb) {
  BitmapInfoHeader h;
  if (!dib_info(dib, &h) || h.biSize != kInfoHeaderSize) return false;
  if (h.biCompression == kBiRle8 || h.biCompression == kBiRle4) {
    const PackedDib expanded = dib_expand_rle(dib);
    return expanded && DibToRgb(expanded, width, height, rgb);
  }
  if (h.biCompression != kBiRgb) return false;
  const uint32_t bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  const bool topDown = h.biHeight < 0;
  const int64_t w = h.biWidth;
  const int64_t rows = topDown ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  if (w <= 0 || rows <= 0 || !ImageSizeAllowed(w, rows)) return false;

  const uint32_t colors = dib_color_count(dib);
  if (bits <= 8 && colors == 0) return false;
  const size_t tableAt = kInfoHeaderSize;
  const size_t bitsAt = dib_bits_offset(dib);
  const uint64_t rowBytes = dib_row_bytes(w, bits);
  if (bitsAt > dib.size() || rowBytes * static_cast<uint64_t>(rows) > dib.size() - bitsAt) return false;
  const uint8_t* table = dib.data() + tableAt;
  const uint8_t* data = dib.data() + bitsAt;

  rgb->assign(static_cast<size_t>(w) * static_cast<size_t>(rows) * 3, 0);
  for (int64_t y = 0; y < rows; ++y) {
    const uint8_t* row = data + static_cast<size_t>(topDown ? y : rows - 1 - y) * rowBytes;
    uint8_t* out = rgb->data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
    for (int64_t x = 0; x < w; ++x, out += 3) {
      if (bits == 24) {
        out[0] = row[x * 3 + 2];
        out[1] = row[x * 3 + 1];
        out[2] = row[x * 3];
        continue;
      }
      uint32_t index;
      if (bits == 8) index = row[x];
      else if (bits == 4) index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
      else index = (row[x / 8] >> (7 - (x & 7))) & 1;
      // An index beyond the table shows black, as the screen shows it.
      if (index >= colors) continue;
      out[0] = table[index * 4 + 2];
      out[1] = table[index * 4 + 1];
      out[2] = table[index * 4];
    }
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(rows);
  return true;
}

PackedDib RgbToDib(int width, int height, const uint8_t* rgb) {
  if (rgb == nullptr || width <= 0 || height <= 0 || !ImageSizeAllowed(width, height)) return PackedDib();
  const size_t rowBytes = static_cast<size_t>(dib_row_bytes(width, 24));
  PackedDib dib = PackedDib::Allocate(kInfoHeaderSize + rowBytes * static_cast<size_t>(height));
  if (!dib) return dib;
  BitmapInfoHeader h;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = kBiRgb;
  h.biSizeImage = static_cast<uint32_t>(rowBytes * static_cast<size_t>(height));
  h.biXPelsPerMeter = 3780;
  h.biYPelsPerMeter = 3780;
  dib.set_info(h);
  uint8_t* bits = dib.data() + kInfoHeaderSize;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * rowBytes;
    const uint8_t* in = rgb + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3];
    }
  }
  return dib;
}

}  // namespace quillet
