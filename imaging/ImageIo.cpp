// BMP_io and JPEG_io: the readers behind FloatImage::load.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/DiagnosticLog.h"
#include "imaging/FloatImage.h"
#include "imaging/JpegFile.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int LoadBmp(DibReader& file, const char* name, FloatImage* image) {
  image->release();

  uint8_t file_header[14];
  if (file.Read(file_header, sizeof file_header) != sizeof file_header ||
      Le16(file_header) != kBmpFileType) {
    return -1;
  }
  uint8_t raw[kInfoHeaderSize];
  if (file.Read(raw, sizeof raw) != sizeof raw) return -1;
  const BitmapInfoHeader h = parse_info_header(raw);
  if (h.biCompression != kBiRgb) {
    DebugTrace("Can only read uncompressed BMP images");
    return -1;
  }
  if (!file.Seek(Le32(file_header + 10))) return -1;
  // Only 24-bit pictures have pixels here; the image window reads the other
  // depths itself.
  if (h.biBitCount != 24) return 0;

  // A negative height marks rows stored top-down.
  const bool top_down = h.biHeight < 0;
  const int32_t height = top_down ? -h.biHeight : h.biHeight;
  // create() refuses absurd sizes, so nothing below is allocated for them.
  if (top_down && h.biHeight == INT32_MIN) {
    DebugError("BMP_io::load( '%s' ) : image->create( %d, %d ) failed", name, h.biWidth,
               h.biHeight);
    return -1;
  }
  if (image->create(h.biWidth, height) != 0) {
    DebugError("BMP_io::load( '%s' ) : image->create( %d, %d ) failed", name, h.biWidth,
               h.biHeight);
    return -1;
  }

  const size_t row_bytes = (static_cast<size_t>(h.biWidth) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> row(row_bytes ? row_bytes : 1);
  for (int32_t r = 0; r < height; ++r) {
    if (file.Read(row.data(), row_bytes) != row_bytes) {
      // A file that ends early keeps the rows it has; the rest stays white.
      DebugError("BMP_io::load( '%s' ) : the file ends after %d of %d rows", name, r, height);
      break;
    }
    // The file's first row is the picture's last unless stored top-down;
    // the padding at the end of each row is skipped.
    const int32_t y = top_down ? r : height - 1 - r;
    FloatPixel* out = &image->at(0, y);
    for (int32_t x = 0; x < h.biWidth; ++x) {
      out[x].blue = byte_to_float(row[x * 3]);
      out[x].green = byte_to_float(row[x * 3 + 1]);
      out[x].red = byte_to_float(row[x * 3 + 2]);
      out[x].alpha = 1.0f;
    }
  }
  return 0;
}

// Packed RGB, top row first, into the image.
int TakeRgb(const RgbBuffer& rgb, int width, int height, FloatImage* image) {
  if (image->create_for_overwrite(width, height) != 0) return -1;
  const size_t n = image->pixel_count();
  FloatPixel* p = image->pixels();
  for (size_t i = 0; i < n; ++i) {
    p[i].red = byte_to_float(rgb[i * 3]);
    p[i].green = byte_to_float(rgb[i * 3 + 1]);
    p[i].blue = byte_to_float(rgb[i * 3 + 2]);
    p[i].alpha = 1.0f;
  }
  return 0;
}

}  // namespace

namespace BMP_io {

int load(const char* path, FloatImage* image) {
  image->release();
  std::FILE* f = OpenInputFile(path);
  if (!f) {
    const int error = errno;
    switch (error) {
      case ENOENT: DebugError("BMP_io::load( '%s' ) failed with ENOENT on open()", path); break;
      case EACCES: DebugError("BMP_io::load( '%s' ) failed with EACCES on open()", path); break;
      case EMFILE: DebugError("BMP_io::load( '%s' ) failed with EMFILE on open()", path); break;
      default: DebugError("BMP_io::load( '%s' ) failed with error %d on open()", path, error);
    }
    return -1;
  }
  FileDibReader reader(f);
  int result = LoadBmp(reader, path, image);
  std::fclose(f);
  return result;
}

int load_memory(const uint8_t* bytes, size_t size, const char* name, FloatImage* image) {
  MemoryDibReader reader(bytes, bytes ? size : 0);
  return LoadBmp(reader, name, image);
}

}  // namespace BMP_io

namespace JPEG_io {

int load(const char* path, FloatImage* image) {
  image->release();
  int width = 0, height = 0;
  RgbBuffer rgb = JpegFile::read_rgb(path, &width, &height);
  if (!rgb) return -1;
  if (TakeRgb(rgb, width, height, image) != 0) {
    DebugError("JPEG_io::load( '%s' ) : image->create( %d, %d ) failed", path, width, height);
    return -1;
  }
  return 0;
}

int load_memory(const uint8_t* bytes, size_t count, FloatImage* image) {
  image->release();
  int width = 0, height = 0;
  RgbBuffer rgb = JpegFile::read_rgb_memory(bytes, count, &width, &height);
  if (!rgb) return -1;
  if (TakeRgb(rgb, width, height, image) != 0) {
    DebugError("JPEG_io::load( '%p' ) : image->create( %d, %d ) failed",
               static_cast<const void*>(bytes), width, height);
    return -1;
  }
  return 0;
}

}  // namespace JPEG_io
}  // namespace quillet
