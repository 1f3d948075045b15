// The program's working picture: floating-point pixels, top row first.
//
// Pictures are decoded into a FloatImage (from .bmp, JPEG or a handheld
// sketch), shown through the 24-bit section it makes, and encoded from it as
// JPEG. Byte <-> float conversions use fixed constants everywhere so that a
// picture survives a round trip unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imaging/PackedDib.h"

namespace quillet {

struct FloatPixel {
  float red = 1.0f;
  float green = 1.0f;
  float blue = 1.0f;
  float alpha = 1.0f;
};

namespace detail {
// The conversion of every byte, worked out once at compile time: decoders
// convert millions of them.
struct ByteToFloatTable {
  float value[256] = {};
  constexpr ByteToFloatTable() {
    for (int b = 0; b < 256; ++b) {
      double v = b * 0.003921569;
      value[b] = static_cast<float>(v > 1.0 ? 1.0 : v);
    }
  }
};
inline constexpr ByteToFloatTable kByteToFloat;
}  // namespace detail

// byte x 0.003921569 (the float nearest 1/255), clamped to 0.0 - 1.0.
inline float byte_to_float(uint8_t value) { return detail::kByteToFloat.value[value]; }

// value x 255 truncated toward zero, clamped to 0 - 255.
inline uint8_t float_to_byte(float value) {
  float v = value * 255;
  // Compare before converting: a float beyond int range (or NaN) must not
  // reach the conversion.
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

// The 24-bit picture that to_dib_section makes for showing: a 40-byte header
// (width padded to a multiple of 4 pixels, bottom-up rows, 96 dots per inch),
// one white colour entry, and the bits. The window hands it to the screen.
struct DibSection {
  BitmapInfoHeader header;
  uint8_t white_entry[4] = {255, 255, 255, 0};  // blue, green, red, reserved
  int32_t padded_width = 0;
  std::vector<uint8_t> bits;  // header.biSizeImage bytes, rows of padded_width x 3

  size_t row_stride() const { return static_cast<size_t>(padded_width) * 3; }
};

class FloatImage {
 public:
  FloatImage() = default;
  FloatImage(const FloatImage&) = delete;
  FloatImage& operator=(const FloatImage&) = delete;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // width x height pixels, row-major, top row first; null without pixels.
  FloatPixel* pixels() { return pixels_.get(); }
  const FloatPixel* pixels() const { return pixels_.get(); }
  size_t pixel_count() const { return count_; }
  FloatPixel& at(int32_t x, int32_t y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const FloatPixel& at(int32_t x, int32_t y) const {
    return pixels_[static_cast<size_t>(y) * width_ + x];
  }

  // Sets the size and makes every pixel opaque white. 0 on success; non-zero
  // (and no pixels) when the memory cannot be had or the size is absurd.
  int create(int32_t width, int32_t height);
  // The same, but the pixels are left as the memory was: for a caller that
  // sets every channel of every pixel at once, so that a large picture is
  // not written twice.
  int create_for_overwrite(int32_t width, int32_t height);
  // Forgets the pixels: 0 x 0, as every loader starts.
  void release();

  // A .bmp (24-bit, uncompressed) or, failing that, a JPEG file. 0 or 1.
  int load(const char* path);
  // JPEG bytes. 0 or 1.
  int load_jpeg_memory(const uint8_t* bytes, size_t count);

  // Encodes the pixels as a colour JPEG. Without pixels nothing is written
  // and the result is 0. Otherwise 0 on success, 1 when the JPEG could not be
  // written (for memory: did not fit `capacity`).
  int save_jpeg(const char* path, int quality);
  int save_jpeg_memory(uint8_t* dest, size_t capacity, int quality);
  // Bytes the last save_jpeg_memory of this image wrote (the capacity when
  // the JPEG did not fit, so that a size check refuses it).
  size_t jpeg_memory_size() const { return memory_size_; }

  // Replaces the image's section with a new one of the current pixels; null
  // without pixels or memory. The image owns the section.
  const DibSection* to_dib_section();
  const DibSection* dib_section() const { return dib_section_.get(); }

  // The data half of capturing a device context: takes a 24-bit bottom-up
  // copy (rows of ((width x 24 + 31) / 32) x 4 bytes, blue, green, red) as
  // the new pixels. 0, or 1 when the memory cannot be had or `size` is too
  // small for the rows.
  int capture_bits(const uint8_t* bits, size_t size, int32_t width, int32_t height);

 private:
  struct PixelFree {
    void operator()(FloatPixel* p) const { std::free(p); }
  };

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::unique_ptr<FloatPixel[], PixelFree> pixels_;
  size_t count_ = 0;
  std::unique_ptr<DibSection> dib_section_;
  size_t memory_size_ = 0;
};

// The two file readers every FloatImage load goes through. Results: 0
// success, -1 failure (with a line on the debug channel).
namespace BMP_io {
// 24-bit uncompressed files give pixels; other depths give 0 and a 0 x 0
// image; compressed files fail.
int load(const char* path, FloatImage* image);
// The same reader over bytes in memory; `name` stands for the path in traces.
int load_memory(const uint8_t* bytes, size_t size, const char* name, FloatImage* image);
}  // namespace BMP_io

namespace JPEG_io {
int load(const char* path, FloatImage* image);
int load_memory(const uint8_t* bytes, size_t count, FloatImage* image);
}  // namespace JPEG_io

}  // namespace quillet
