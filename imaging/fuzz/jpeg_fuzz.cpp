// libFuzzer: JPEG decoding from memory must fail cleanly on any bytes, and
// never hand back a picture of another size than its header says. The
// input is the stream as it stands (so seeds are plain JPEG files, written
// by imaging_jpeg_seeds); its length picks the scale and region of a
// second, scaled decode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/DiagnosticLog.h"
#include "imaging/JpegFile.h"

namespace {
void Quiet(const char*) {}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Millions of bad streams: their error lines would be all the fuzzer prints.
  quillet::SetDebugErrorsToStderr(false);
  quillet::SetJpegWarningHook(Quiet);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const unsigned pick = static_cast<unsigned>(size % 32);
  const uint8_t* jpeg = data;
  const size_t count = size;

  quillet::JpegHeader header;
  const bool has_header = quillet::JpegFile::read_header_memory(jpeg, count, &header);
  if (has_header && (header.orientation < 1 || header.orientation > 8)) std::abort();

  int width = 0, height = 0;
  quillet::RgbBuffer rgb = quillet::JpegFile::read_rgb_memory(jpeg, count, &width, &height);
  if (rgb && (!has_header || width != header.width || height != header.height)) std::abort();

  if (has_header) {
    const int scale = 1 + (pick & 7);
    const int sw = quillet::JpegFile::scaled_side(header.width, scale);
    const int sh = quillet::JpegFile::scaled_side(header.height, scale);
    // The whole picture, or one of its quarters, or a region running off it.
    quillet::PixelRect region{0, 0, sw, sh};
    switch ((pick >> 3) & 3) {
      case 1: region = {sw / 2, sh / 2, sw / 2 + 1, sh / 2 + 1}; break;
      case 2: region = {sw / 3, 0, sw, sh / 4 + 1}; break;
      case 3: region = {-3, -3, 7, 7}; break;
      default: break;
    }
    quillet::RgbBuffer part = quillet::JpegFile::read_rgb_memory_scaled(jpeg, count, scale, &region);
    if (part && (region.x < 0 || region.y < 0 || region.width <= 0 || region.height <= 0 ||
                 region.x + region.width > sw || region.y + region.height > sh))
      std::abort();
  }
  return 0;
}
