// libFuzzer: both .bmp readers (the packed-DIB one the image window uses,
// with its run-length expansion, and BMP_io behind FloatImage::load) over
// arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "imaging/FloatImage.h"
#include "imaging/PackedDib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Big pictures only cost time; the size limit itself is covered by the tests.
  for (size_t at : {size_t{4}, size_t{18}}) {
    if (size >= at + 8) {
      const int64_t w = static_cast<int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                             static_cast<uint32_t>(data[at + 3]) << 24);
      const int64_t h = static_cast<int32_t>(data[at + 4] | data[at + 5] << 8 |
                                             data[at + 6] << 16 |
                                             static_cast<uint32_t>(data[at + 7]) << 24);
      if ((w < 0 ? -w : w) * (h < 0 ? -h : h) > (1 << 20)) return 0;
    }
  }
  quillet::MemoryDibReader reader(data, size);
  quillet::PackedDib dib = quillet::dib_read_file(reader);
  if (dib) {
    quillet::BitmapInfoHeader info;
    quillet::dib_info(dib, &info);
    quillet::dib_make_palette(dib);
    quillet::dib_expand_rle(dib);
  }
  quillet::FloatImage image;
  quillet::BMP_io::load_memory(data, size, "fuzz.bmp", &image);
  image.to_dib_section();
  return 0;
}
