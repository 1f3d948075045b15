#include "reports/ImagingWriter.h"

#include "imaging/FloatImage.h"
#include "imaging/Sketch.h"

namespace quillet {

bool ImagingWriter::WriteJpeg(const std::string& path, uint32_t width, uint32_t height,
                              const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) return false;
  FloatImage image;
  // The stored size only prepares the image; decoding sets the real one.
  if (width > 0 && height > 0 && width <= 0x7FFF && height <= 0x7FFF)
    image.create(static_cast<int32_t>(width), static_cast<int32_t>(height));
  if (image.load_jpeg_memory(data, size) != 0) return false;
  return image.save_jpeg(path.c_str(), 100) == 0;
}

bool ImagingWriter::WriteSketch(const uint8_t* data, size_t size, const std::string& path) {
  if (data == nullptr || size == 0) return false;
  return WriteSketchFile(data, size, path) == 0;
}

}  // namespace quillet
