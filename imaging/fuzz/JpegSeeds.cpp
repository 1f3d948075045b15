#include "imaging/fuzz/JpegSeeds.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "imaging/Orientation.h"

namespace quillet {
namespace {

struct Options {
  const char* name;
  int width;
  int height;
  J_COLOR_SPACE space;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  bool progressive = false;
  bool h2v2 = true;     // 4:2:0 chroma (else 4:4:4)
  int restart_rows = 0;
  bool arithmetic = false;
  bool optimize = false;
  int orientation = 1;  // written as an EXIF APP1 segment when not 1
  bool big_endian_exif = false;
};

struct SeedError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void SeedErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<SeedError*>(cinfo->err)->jump, 1);
}
void SeedQuiet(j_common_ptr) {}

// A smooth scene with some edges, so every block has AC coefficients.
uint8_t Sample(int x, int y, int c, int components) {
  const int v = (x * 7 + y * 3 + c * 61 + ((x / 5 + y / 3) % 2) * 90) & 0xff;
  return static_cast<uint8_t>(components == 1 ? (x * 5 + y * 9) & 0xff : v);
}

// Everything the compressor touches between setjmp and the jump lives in
// this heap object, not in locals of the function that arms it.
struct SeedWork {
  jpeg_compress_struct c{};
  SeedError err{};
  unsigned char* out = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> row;
};

bool Encode(const Options& o, std::vector<uint8_t>* bytes) {
  auto* w = new SeedWork;
  w->c.err = jpeg_std_error(&w->err.pub);
  w->err.pub.error_exit = SeedErrorExit;
  w->err.pub.output_message = SeedQuiet;
  if (setjmp(w->err.jump)) {
    jpeg_destroy_compress(&w->c);
    std::free(w->out);
    delete w;
    return false;
  }
  jpeg_create_compress(&w->c);
  jpeg_mem_dest(&w->c, &w->out, &w->size);
  const int components = o.space == JCS_GRAYSCALE ? 1 : o.space == JCS_CMYK ? 4 : 3;
  w->c.image_width = static_cast<JDIMENSION>(o.width);
  w->c.image_height = static_cast<JDIMENSION>(o.height);
  w->c.input_components = components;
  w->c.in_color_space = o.space;
  jpeg_set_defaults(&w->c);
  jpeg_set_quality(&w->c, 80, TRUE);
  if (components == 3 && !o.h2v2) {
    w->c.comp_info[0].h_samp_factor = 1;
    w->c.comp_info[0].v_samp_factor = 1;
  }
  if (o.progressive) jpeg_simple_progression(&w->c);
  w->c.restart_in_rows = o.restart_rows;
  w->c.arith_code = o.arithmetic ? TRUE : FALSE;
  w->c.optimize_coding = o.optimize ? TRUE : FALSE;
  jpeg_start_compress(&w->c, TRUE);
  if (o.orientation != 1) {
    const std::vector<uint8_t> exif = MakeExifOrientationPayload(o.orientation, o.big_endian_exif);
    jpeg_write_marker(&w->c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  w->row.resize(static_cast<size_t>(o.width) * components);
  while (w->c.next_scanline < w->c.image_height) {
    const int y = static_cast<int>(w->c.next_scanline);
    for (int x = 0; x < o.width; ++x)
      for (int k = 0; k < components; ++k)
        w->row[static_cast<size_t>(x) * components + k] = Sample(x, y, k, components);
    JSAMPROW rows[1] = {w->row.data()};
    jpeg_write_scanlines(&w->c, rows, 1);
  }
  jpeg_finish_compress(&w->c);
  bytes->assign(w->out, w->out + w->size);
  jpeg_destroy_compress(&w->c);
  std::free(w->out);
  delete w;
  return true;
}

}  // namespace

std::vector<JpegSeed> MakeJpegSeeds() {
  const Options kinds[] = {
      {"baseline-420.jpg", 48, 32, JCS_RGB},
      {"baseline-444.jpg", 40, 24, JCS_RGB, false, false},
      {"grey.jpg", 33, 17, JCS_GRAYSCALE},
      {"progressive-420.jpg", 64, 48, JCS_RGB, true},
      {"progressive-grey.jpg", 24, 40, JCS_GRAYSCALE, true},
      {"restart-markers.jpg", 56, 40, JCS_RGB, false, true, 1},
      {"arithmetic.jpg", 32, 32, JCS_RGB, false, true, 0, true},
      {"arithmetic-progressive.jpg", 32, 24, JCS_RGB, true, true, 0, true},
      {"optimized.jpg", 40, 40, JCS_RGB, false, true, 0, false, true},
      {"cmyk-adobe.jpg", 24, 16, JCS_CMYK},
      {"exif-rotated-le.jpg", 32, 16, JCS_RGB, false, true, 0, false, false, 6},
      {"exif-mirrored-be.jpg", 16, 32, JCS_RGB, false, true, 0, false, false, 5, true},
      // Sides that are not multiples of the block size, for the scaled
      // decoder's rounding and its region clipping.
      {"odd-sides-scaled.jpg", 131, 77, JCS_RGB, true},
      {"one-pixel.jpg", 1, 1, JCS_RGB},
  };
  std::vector<JpegSeed> seeds;
  for (const Options& o : kinds) {
    JpegSeed seed;
    // A library built without arithmetic coding refuses those two: the
    // corpus just goes without them.
    if (!Encode(o, &seed.bytes)) continue;
    seed.name = o.name;
    seed.width = o.width;
    seed.height = o.height;
    seed.orientation = o.orientation;
    seeds.push_back(std::move(seed));
  }
  return seeds;
}

}  // namespace quillet
