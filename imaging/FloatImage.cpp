#include "imaging/FloatImage.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "imaging/ImageLimits.h"
#include "imaging/JpegFile.h"

namespace quillet {

int FloatImage::create_for_overwrite(int32_t width, int32_t height) {
  release();
  if (!ImageSizeAllowed(width, height)) return 1;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  // Plain memory: FloatPixel is an aggregate of floats, so the allocation
  // holds the pixels without constructing them.
  FloatPixel* p = static_cast<FloatPixel*>(std::malloc((count ? count : 1) * sizeof(FloatPixel)));
  if (!p) return 1;
  pixels_.reset(p);
  count_ = count;
  width_ = width;
  height_ = height;
  return 0;
}

int FloatImage::create(int32_t width, int32_t height) {
  if (create_for_overwrite(width, height) != 0) return 1;
  std::fill(pixels_.get(), pixels_.get() + count_, FloatPixel{});  // opaque white
  return 0;
}

void FloatImage::release() {
  pixels_.reset();
  count_ = 0;
  width_ = 0;
  height_ = 0;
}

int FloatImage::load(const char* path) {
  if (BMP_io::load(path, this) == 0) return 0;
  return JPEG_io::load(path, this) == 0 ? 0 : 1;
}

int FloatImage::load_jpeg_memory(const uint8_t* bytes, size_t count) {
  return JPEG_io::load_memory(bytes, count, this) == 0 ? 0 : 1;
}

namespace {

// The packed RGB buffer the JPEG writers take: red, green, blue, top row
// first; alpha is dropped.
RgbBuffer PackRgb(const FloatImage& image) {
  const size_t n = image.pixel_count();
  const size_t bytes = n * 3;
  RgbBuffer rgb(static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1)));
  if (!rgb) return rgb;
  const FloatPixel* p = image.pixels();
  for (size_t i = 0; i < n; ++i) {
    rgb[i * 3] = float_to_byte(p[i].red);
    rgb[i * 3 + 1] = float_to_byte(p[i].green);
    rgb[i * 3 + 2] = float_to_byte(p[i].blue);
  }
  return rgb;
}

}  // namespace

int FloatImage::save_jpeg(const char* path, int quality) {
  if (!pixels_ || count_ == 0) return 0;
  RgbBuffer rgb = PackRgb(*this);
  if (!rgb) return 1;
  return JpegFile::write_rgb(path, rgb.get(), width_, height_, true, quality) ? 0 : 1;
}

int FloatImage::save_jpeg_memory(uint8_t* dest, size_t capacity, int quality) {
  memory_size_ = 0;
  if (!pixels_ || count_ == 0) return 0;
  RgbBuffer rgb = PackRgb(*this);
  if (!rgb) return 1;
  int ok = JpegFile::write_rgb_memory(dest, capacity, rgb.get(), width_, height_, true, quality);
  memory_size_ = JpegFile::jpeg_memory_size();
  return ok ? 0 : 1;
}

const DibSection* FloatImage::to_dib_section() {
  dib_section_.reset();
  if (!pixels_ || count_ == 0) return nullptr;
  auto section = std::unique_ptr<DibSection>(new (std::nothrow) DibSection);
  if (!section) return nullptr;
  const int32_t padded = (width_ + 3) / 4 * 4;
  section->padded_width = padded;
  BitmapInfoHeader& h = section->header;
  h.biSize = kInfoHeaderSize;
  h.biWidth = padded;
  h.biHeight = height_;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = kBiRgb;
  h.biSizeImage = static_cast<uint32_t>(static_cast<size_t>(height_) * padded * 3);
  h.biXPelsPerMeter = 3780;  // 96 dots per inch
  h.biYPelsPerMeter = 3780;
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  try {
    section->bits.assign(h.biSizeImage, 0);  // padding columns stay black
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  const size_t stride = section->row_stride();
  for (int32_t y = 0; y < height_; ++y) {
    // Bottom-up: the image's top row is the last row in memory.
    uint8_t* out = section->bits.data() + static_cast<size_t>(height_ - 1 - y) * stride;
    const FloatPixel* in = pixels_.get() + static_cast<size_t>(y) * width_;
    for (int32_t x = 0; x < width_; ++x) {
      out[x * 3] = float_to_byte(in[x].blue);
      out[x * 3 + 1] = float_to_byte(in[x].green);
      out[x * 3 + 2] = float_to_byte(in[x].red);
    }
  }
  dib_section_ = std::move(section);
  return dib_section_.get();
}

int FloatImage::capture_bits(const uint8_t* bits, size_t size, int32_t width, int32_t height) {
  release();
  // The rows are checked before the pixels are made: every pixel is then
  // set below.
  if (!ImageSizeAllowed(width, height)) return 1;
  const size_t stride = dib_row_bytes(width, 24);
  if (!bits || size < stride * static_cast<size_t>(height)) return 1;
  if (create_for_overwrite(width, height) != 0) return 1;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * stride;
    FloatPixel* out = pixels_.get() + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      out[x].blue = byte_to_float(row[x * 3]);
      out[x].green = byte_to_float(row[x * 3 + 1]);
      out[x].red = byte_to_float(row[x * 3 + 2]);
      out[x].alpha = 1.0f;
    }
  }
  return 0;
}

}  // namespace quillet
