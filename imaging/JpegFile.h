// JPEG decoding and encoding of packed RGB buffers, to and from files or
// memory blocks, over libjpeg (release 6 interface).
//
// A packed RGB buffer is width x height x 3 bytes, top row first, red, green,
// blue, no row padding. Errors inside the library never end the program: the
// operation releases what it holds and returns null or 0. Each call keeps its
// own stream state, so calls never disturb one another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/Orientation.h"

namespace quillet {

struct RgbFree {
  void operator()(uint8_t* p) const { std::free(p); }
};
using RgbBuffer = std::unique_ptr<uint8_t[], RgbFree>;

// Where the library's warnings go (a JPEG cut short, a corrupt marker). The
// library's own policy decides which ones are reported: the first warning of
// an image, or all of them when tracing at level 3 or more.
using JpegWarningHook = void (*)(const char* text);
// Installs `hook` (null: warnings go to the debug channel) and returns the
// previous one.
JpegWarningHook SetJpegWarningHook(JpegWarningHook hook);
// A hook the program points the library at: the "JPEG Error" message box,
// shown at most once for any one picture (the same bytes, or the same file)
// however often it is decoded; later warnings of that picture go to the
// debug channel. A damaged store therefore cannot open a box at every
// refresh of the tree.
void ShowJpegWarningBox(const char* text);
// While a warning hook runs: a number naming the picture being decoded
// (from its bytes, or its file's path); 0 outside a decode.
uint64_t CurrentJpegPictureKey();

// What a JPEG's header says, read without decoding the picture.
struct JpegHeader {
  int width = 0;   // as stored
  int height = 0;
  int orientation = kOrientationNormal;  // the EXIF tag, 1 without one
};

namespace JpegFile {

// Decodes a JPEG file / JPEG bytes. Null on failure; width and height are
// set on success.
RgbBuffer read_rgb(const char* path, int* width, int* height);
RgbBuffer read_rgb_memory(const uint8_t* bytes, size_t count, int* width, int* height);

// Reads only the header of JPEG bytes. False when they do not begin a JPEG
// whose header can be read, or its size is not one we decode.
bool read_header_memory(const uint8_t* bytes, size_t count, JpegHeader* header);

// A side of the picture at scale_num / 8 of its stored size (1 to 8), as
// the library's DCT scaling makes it: rounded up.
int scaled_side(int side, int scale_num);

// Decodes part of the picture at scale_num / 8 (1 to 8) of its stored size
// with the library's DCT scaling: the pixels of `*region` (in pixels of the
// scaled picture; clipped to it on return) as packed RGB, region->width x
// region->height, top row first. Rows above the region are skipped without
// being formed, columns beside it are not formed, and decoding stops after
// its last row, so a small part of a large photo costs little. Null (and an
// empty region) on failure or for an empty region.
// With `checked` the rest of the data is still read to its end, and data
// that ends early or is corrupt anywhere fails the decode (`*damaged` set)
// instead of giving made-up pixels; warnings known to leave the pixels
// intact are let through.
RgbBuffer read_rgb_memory_scaled(const uint8_t* bytes, size_t count, int scale_num,
                                 PixelRect* region, bool checked = false,
                                 bool* damaged = nullptr);

// Encodes `rgb` at `quality` (0-100, baseline tables). Without `color` the
// picture is stored as greyscale. 1 on success, 0 on failure; a JPEG that
// does not fit `capacity` is a failure. A file that could not be written
// whole is removed again.
int write_rgb(const char* path, const uint8_t* rgb, int width, int height, bool color,
              int quality);
int write_rgb_memory(uint8_t* dest, size_t capacity, const uint8_t* rgb, int width, int height,
                     bool color, int quality);

// Bytes the last write_rgb_memory of this thread put into its destination
// (for a JPEG that did not fit, the whole capacity).
size_t jpeg_memory_size();

}  // namespace JpegFile
}  // namespace quillet
