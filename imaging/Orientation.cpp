#include "imaging/Orientation.h"

#include <cstring>

namespace quillet {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;

struct TiffReader {
  const uint8_t* tiff;
  size_t size;
  bool big;

  bool U16(size_t at, uint16_t* v) const {
    if (at > size || size - at < 2) return false;
    *v = big ? static_cast<uint16_t>(tiff[at] << 8 | tiff[at + 1])
             : static_cast<uint16_t>(tiff[at + 1] << 8 | tiff[at]);
    return true;
  }
  bool U32(size_t at, uint32_t* v) const {
    if (at > size || size - at < 4) return false;
    uint32_t r = 0;
    for (int i = 0; i < 4; ++i) r |= static_cast<uint32_t>(tiff[at + i]) << (big ? 8 * (3 - i) : 8 * i);
    *v = r;
    return true;
  }
};

// Shown pixel (u, v) -> stored pixel (x, y) of a stored w x h picture.
template <int kOrientation>
inline void StoredPixel(int u, int v, int w, int h, int* x, int* y) {
  switch (kOrientation) {
    case 2: *x = w - 1 - u; *y = v; break;
    case 3: *x = w - 1 - u; *y = h - 1 - v; break;
    case 4: *x = u; *y = h - 1 - v; break;
    case 5: *x = v; *y = u; break;
    case 6: *x = v; *y = h - 1 - u; break;
    case 7: *x = w - 1 - v; *y = h - 1 - u; break;
    case 8: *x = w - 1 - v; *y = u; break;
    default: *x = u; *y = v; break;
  }
}

template <int kOrientation>
void Orient(int w, int h, const uint8_t* stored, const PixelRect& s, const PixelRect& shown,
            uint8_t* out) {
  const size_t stride = static_cast<size_t>(s.width) * 3;
  for (int v = shown.y; v < shown.bottom(); ++v) {
    for (int u = shown.x; u < shown.right(); ++u) {
      int x, y;
      StoredPixel<kOrientation>(u, v, w, h, &x, &y);
      const uint8_t* p = stored + static_cast<size_t>(y - s.y) * stride + static_cast<size_t>(x - s.x) * 3;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      out += 3;
    }
  }
}

}  // namespace

int ExifOrientation(const uint8_t* payload, size_t size) {
  static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (payload == nullptr || size < 6 + 8 || std::memcmp(payload, kExif, 6) != 0) return kOrientationNormal;
  TiffReader r{payload + 6, size - 6, false};
  if (r.tiff[0] == 'M' && r.tiff[1] == 'M') r.big = true;
  else if (!(r.tiff[0] == 'I' && r.tiff[1] == 'I')) return kOrientationNormal;
  uint16_t magic = 0;
  uint32_t ifd = 0;
  if (!r.U16(2, &magic) || magic != 42 || !r.U32(4, &ifd)) return kOrientationNormal;
  uint16_t count = 0;
  if (!r.U16(ifd, &count)) return kOrientationNormal;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = static_cast<size_t>(ifd) + 2 + static_cast<size_t>(i) * 12;
    uint16_t tag = 0, type = 0;
    uint32_t n = 0;
    if (!r.U16(entry, &tag) || !r.U16(entry + 2, &type) || !r.U32(entry + 4, &n)) break;
    if (tag != kOrientationTag) continue;
    uint16_t value = 0;
    if (type != kTypeShort || n < 1 || !r.U16(entry + 8, &value)) return kOrientationNormal;
    return value >= 1 && value <= 8 ? value : kOrientationNormal;
  }
  return kOrientationNormal;
}

std::vector<uint8_t> MakeExifOrientationPayload(int orientation, bool bigEndian) {
  std::vector<uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
  auto put16 = [&](uint16_t v) {
    if (bigEndian) p.insert(p.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    else p.insert(p.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  };
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i)
      p.push_back(static_cast<uint8_t>(v >> (bigEndian ? 8 * (3 - i) : 8 * i)));
  };
  p.push_back(bigEndian ? 'M' : 'I');
  p.push_back(bigEndian ? 'M' : 'I');
  put16(42);
  put32(8);  // IFD0 right after the header
  put16(1);  // one entry
  put16(kOrientationTag);
  put16(kTypeShort);
  put32(1);
  put16(static_cast<uint16_t>(orientation));
  put16(0);
  put32(0);  // no next IFD
  return p;
}

PixelRect StoredRectOf(int orientation, int w, int h, const PixelRect& shown) {
  const int u0 = shown.x, u1 = shown.right(), v0 = shown.y, v1 = shown.bottom();
  auto rect = [](int x0, int x1, int y0, int y1) { return PixelRect{x0, y0, x1 - x0, y1 - y0}; };
  switch (orientation) {
    case 2: return rect(w - u1, w - u0, v0, v1);
    case 3: return rect(w - u1, w - u0, h - v1, h - v0);
    case 4: return rect(u0, u1, h - v1, h - v0);
    case 5: return rect(v0, v1, u0, u1);
    case 6: return rect(v0, v1, h - u1, h - u0);
    case 7: return rect(w - v1, w - v0, h - u1, h - u0);
    case 8: return rect(w - v1, w - v0, u0, u1);
    default: return shown;
  }
}

std::vector<uint8_t> OrientPixels(int orientation, int w, int h, const uint8_t* stored,
                                  const PixelRect& shown) {
  std::vector<uint8_t> out(static_cast<size_t>(shown.width > 0 ? shown.width : 0) *
                           static_cast<size_t>(shown.height > 0 ? shown.height : 0) * 3);
  if (out.empty() || stored == nullptr) return out;
  const PixelRect s = StoredRectOf(orientation, w, h, shown);
  switch (orientation) {
    case 2: Orient<2>(w, h, stored, s, shown, out.data()); break;
    case 3: Orient<3>(w, h, stored, s, shown, out.data()); break;
    case 4: Orient<4>(w, h, stored, s, shown, out.data()); break;
    case 5: Orient<5>(w, h, stored, s, shown, out.data()); break;
    case 6: Orient<6>(w, h, stored, s, shown, out.data()); break;
    case 7: Orient<7>(w, h, stored, s, shown, out.data()); break;
    case 8: Orient<8>(w, h, stored, s, shown, out.data()); break;
    default: Orient<1>(w, h, stored, s, shown, out.data()); break;
  }
  return out;
}

}  // namespace quillet
