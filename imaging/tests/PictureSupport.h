// Pictures the image window's tests are made of: photo-like scenes drawn
// here, camera JPEGs with an EXIF orientation tag written here, and .bmp
// files of every depth the window reads.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/JpegFile.h"
#include "imaging/Orientation.h"
#include "imaging/Ppm.h"

namespace quillet::testing {

// An upright scene: sky, sun, hills and grain, with a red block in its
// top-left corner and a blue one in its bottom-right so that a picture
// turned the wrong way shows it.
inline RgbPicture Scene(int width, int height, unsigned seed = 1, double grain = 6.0) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, grain);
  const double sunX = width * 0.7, sunY = height * 0.25, sunR = std::min(width, height) * 0.1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double c[3];
      const double hill = height * (0.55 + 0.06 * std::sin(x * 6.0 / width));
      if (y < hill) {
        const double t = static_cast<double>(y) / hill;
        c[0] = 110 + 120 * t;
        c[1] = 160 + 60 * t;
        c[2] = 230 - 40 * t;
      } else {
        const double t = (y - hill) / std::max(1.0, height - hill);
        c[0] = 70 + 40 * t;
        c[1] = 140 - 50 * t;
        c[2] = 60 - 20 * t;
      }
      if (std::hypot(x - sunX, y - sunY) < sunR) c[0] = 255, c[1] = 230, c[2] = 150;
      if (x < width / 6 && y < height / 6) c[0] = 220, c[1] = 30, c[2] = 30;
      if (x >= width - width / 6 && y >= height - height / 6) c[0] = 30, c[1] = 40, c[2] = 220;
      for (int k = 0; k < 3; ++k) {
        const double v = c[k] + (grain > 0 ? noise(rng) : 0.0);
        p.rgb[(static_cast<size_t>(y) * width + x) * 3 + k] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
  return p;
}

// A landscape photograph, drawn: evening sky and sun, hazy mountains, a
// wooded hill, a lake with the sky in it, a meadow, and a camera's grain.
// Everything scales with the size, so any size shows the same view.
inline RgbPicture Photo(int width, int height, unsigned seed = 7) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  std::mt19937 rng(seed);
  std::normal_distribution<double> grain(0.0, 3.5);
  const double w = width, h = height, s = std::min(w, h);
  auto mix = [](double a, double b, double t) { return a + (b - a) * std::clamp(t, 0.0, 1.0); };
  auto sky = [&](double y, double* c) {
    const double t = y / (0.62 * h);
    c[0] = mix(38, 250, t * t);
    c[1] = mix(86, 196, t);
    c[2] = mix(168, 160, t);
  };
  const double sunX = 0.7 * w, sunY = 0.42 * h, sunR = 0.045 * s;
  // Trees along the hill: positions and sizes fixed by the seed.
  std::vector<std::array<double, 3>> trees;
  for (int i = 0; i < 24; ++i)
    trees.push_back({std::uniform_real_distribution<double>(0, w)(rng), 0, 0.02 * s + 0.025 * s * (rng() % 100) / 100.0});
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double fx = x / w;
      double c[3];
      sky(y, c);
      const double d = std::hypot(x - sunX, y - sunY);
      const double glow = std::exp(-d / (0.12 * s));
      c[0] = mix(c[0], 255, glow * 0.8);
      c[1] = mix(c[1], 226, glow * 0.7);
      c[2] = mix(c[2], 170, glow * 0.5);
      if (d < sunR) c[0] = 255, c[1] = 243, c[2] = 205;
      const double far = h * (0.47 + 0.05 * std::sin(fx * 9.1) + 0.025 * std::sin(fx * 31.0 + 1.0));
      if (y > far) {
        const double t = (y - far) / (0.2 * h);
        c[0] = mix(120, 92, t);
        c[1] = mix(122, 104, t);
        c[2] = mix(158, 140, t);
      }
      const double hill = h * (0.6 + 0.04 * std::sin(fx * 5.3 + 2.0) + 0.012 * std::sin(fx * 47.0));
      if (y > hill) {
        const double t = (y - hill) / (0.15 * h);
        c[0] = mix(78, 34, t);
        c[1] = mix(118, 72, t);
        c[2] = mix(56, 36, t);
      }
      for (const auto& tree : trees) {
        const double base = h * (0.6 + 0.04 * std::sin(tree[0] / w * 5.3 + 2.0)) + 0.01 * h;
        const double top = base - 2.6 * tree[2];
        if (y > top && y < base && std::abs(x - tree[0]) < (y - top) / (base - top) * tree[2] * 0.6) {
          c[0] = 24 + 10 * ((x + y) % 3);
          c[1] = 58 + 6 * ((x * 7 + y) % 4);
          c[2] = 30;
        }
      }
      const double lakeTop = 0.72 * h, lakeBottom = 0.84 * h;
      if (y >= lakeTop && y < lakeBottom) {
        // The sky upside down, darker, in ripples.
        const double mirror = lakeTop - (y - lakeTop) * 3.2 + 6 * std::sin(x * 0.09 + y * 0.7);
        sky(std::max(0.0, mirror), c);
        const double dm = std::hypot(x - sunX, (lakeTop + (lakeTop - sunY) * 0.3) - y);
        const double shine = std::exp(-dm / (0.08 * s)) * (0.6 + 0.4 * std::sin(y * 1.3));
        for (int k = 0; k < 3; ++k) c[k] = c[k] * 0.72 + 60 * shine;
      } else if (y >= lakeBottom) {
        const double t = (y - lakeBottom) / (h - lakeBottom);
        const double blade = 14 * std::sin(x * 0.8 + std::sin(y * 0.3) * 3.0);
        c[0] = mix(150, 96, t) + blade;
        c[1] = mix(168, 124, t) + blade;
        c[2] = mix(70, 44, t);
      }
      for (int k = 0; k < 3; ++k) {
        const double v = c[k] + grain(rng);
        p.rgb[(static_cast<size_t>(y) * width + x) * 3 + k] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
  return p;
}

// Pure noise: what no JPEG squeezes small.
inline RgbPicture Noise(int width, int height, unsigned seed = 3) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  std::mt19937 rng(seed);
  for (uint8_t& b : p.rgb) b = static_cast<uint8_t>(rng() & 0xFF);
  return p;
}

// The pixels a camera stores for an upright picture when it tags them with
// `orientation`: stored pixel (x, y) is the shown pixel the tag maps it to.
inline RgbPicture StoredFor(const RgbPicture& upright, int orientation) {
  const bool swap = orientation >= 5;
  RgbPicture s;
  s.width = swap ? upright.height : upright.width;
  s.height = swap ? upright.width : upright.height;
  s.rgb.resize(upright.rgb.size());
  const int W = s.width, H = s.height;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      int u = x, v = y;
      switch (orientation) {
        case 2: u = W - 1 - x; v = y; break;
        case 3: u = W - 1 - x; v = H - 1 - y; break;
        case 4: u = x; v = H - 1 - y; break;
        case 5: u = y; v = x; break;
        case 6: u = H - 1 - y; v = x; break;
        case 7: u = H - 1 - y; v = W - 1 - x; break;
        case 8: u = y; v = W - 1 - x; break;
        default: break;
      }
      std::memcpy(&s.rgb[(static_cast<size_t>(y) * W + x) * 3],
                  &upright.rgb[(static_cast<size_t>(v) * upright.width + u) * 3], 3);
    }
  }
  return s;
}

inline std::vector<uint8_t> EncodeJpeg(const RgbPicture& p, int quality) {
  std::vector<uint8_t> out(p.rgb.size() + (1 << 16));
  if (!JpegFile::write_rgb_memory(out.data(), out.size(), p.rgb.data(), p.width, p.height, true, quality))
    return {};
  out.resize(JpegFile::jpeg_memory_size());
  return out;
}

// `jpeg` with an EXIF APP1 segment holding `orientation`, put after the
// JFIF segment as cameras do.
inline std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation,
                                                bool bigEndian = false) {
  const std::vector<uint8_t> payload = MakeExifOrientationPayload(orientation, bigEndian);
  size_t at = 2;
  if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0) at = 4 + (jpeg[4] << 8 | jpeg[5]);
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<long>(at));
  const size_t length = payload.size() + 2;
  out.insert(out.end(), {0xFF, 0xE1, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), jpeg.begin() + static_cast<long>(at), jpeg.end());
  return out;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A .bmp file: 14-byte file header, 40-byte header, colour table, rows
// bottom-up. `indices` are one palette index a pixel for 1, 4 and 8 bits;
// for 24 bits `rgb` is used.
inline std::vector<uint8_t> BmpFile(int width, int height, int bits, const std::vector<uint8_t>& indices,
                                    const std::vector<uint32_t>& table /* 0x00RRGGBB */,
                                    const std::vector<uint8_t>& rgb = {}, uint32_t compression = 0) {
  const size_t rowBytes = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  const size_t tableBytes = table.size() * 4;
  const size_t offset = 14 + 40 + tableBytes;
  std::vector<uint8_t> f(offset + rowBytes * height, 0);
  auto put16 = [&](size_t at, uint16_t v) { f[at] = v & 0xFF; f[at + 1] = v >> 8; };
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) f[at + i] = (v >> (8 * i)) & 0xFF; };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, static_cast<uint32_t>(offset));
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);
  put16(28, static_cast<uint16_t>(bits));
  put32(30, compression);
  put32(34, static_cast<uint32_t>(rowBytes * height));
  put32(46, static_cast<uint32_t>(table.size()));
  for (size_t i = 0; i < table.size(); ++i) put32(54 + i * 4, table[i]);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &f[offset + static_cast<size_t>(height - 1 - y) * rowBytes];
    for (int x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      if (bits == 24) {
        row[x * 3] = rgb[i * 3 + 2];
        row[x * 3 + 1] = rgb[i * 3 + 1];
        row[x * 3 + 2] = rgb[i * 3];
      } else if (bits == 8) {
        row[x] = indices[i];
      } else if (bits == 4) {
        row[x / 2] |= static_cast<uint8_t>(indices[i] << ((x & 1) ? 0 : 4));
      } else if (bits == 1) {
        row[x / 8] |= static_cast<uint8_t>(indices[i] << (7 - (x & 7)));
      }
    }
  }
  return f;
}

// Mean absolute difference per byte.
inline double MeanDiff(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return n ? sum / static_cast<double>(n) : 0.0;
}

}  // namespace quillet::testing
