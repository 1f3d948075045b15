// libFuzzer: the sketch decoder over arbitrary bytes must never read past
// them, whatever the header claims.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/Sketch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Big pictures only cost time filling white; the size limit itself is
  // covered by the tests.
  quillet::SketchHeader header;
  if (quillet::ReadSketchHeader(data, size, &header) &&
      static_cast<size_t>(header.width) * header.height > (1u << 20)) {
    return 0;
  }
  // Own copy, exactly sized, so that any read beyond it is caught.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  for (size_t i = 0; i < size; ++i) bytes[i] = data[i];
  quillet::FloatImage image;
  quillet::SketchDecodeInfo info;
  quillet::DecodeSketch(bytes.get(), size, &image, &info);
  return 0;
}
