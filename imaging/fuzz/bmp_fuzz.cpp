// libFuzzer: both .bmp readers (the packed-DIB one the image window uses and
// BMP_io behind FloatImage::load) over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "imaging/FloatImage.h"
#include "imaging/PackedDib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::MemoryDibReader reader(data, size);
  quillet::PackedDib dib = quillet::dib_read_file(reader);
  if (dib) {
    quillet::BitmapInfoHeader info;
    quillet::dib_info(dib, &info);
    quillet::dib_make_palette(dib);
  }
  quillet::FloatImage image;
  quillet::BMP_io::load_memory(data, size, "fuzz.bmp", &image);
  image.to_dib_section();
  return 0;
}
