// A seed corpus for the JPEG fuzzer, made with the library at run time (no
// sample files in the source tree): small pictures of each kind the decoder
// meets in the wild, so mutations start from streams that get past the
// header. Used by the corpus writer (imaging_jpeg_seeds) and by the test
// that checks every seed still decodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

struct JpegSeed {
  std::string name;            // file name in the corpus, e.g. "progressive-444.jpg"
  std::vector<uint8_t> bytes;  // a complete JPEG stream
  int width = 0;               // as stored
  int height = 0;
  int orientation = 1;         // the EXIF tag written, 1 without one
};

// Baseline 4:2:0 and 4:4:4, grey, progressive, restart markers, arithmetic
// coding, optimised tables, CMYK with the Adobe marker, EXIF orientation in
// either byte order, odd sizes for the scaled decoder. Empty when the
// library cannot make them.
std::vector<JpegSeed> MakeJpegSeeds();

}  // namespace quillet
