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
// A hook the program points the library at: the "JPEG Error" message box.
void ShowJpegWarningBox(const char* text);

namespace JpegFile {

// Decodes a JPEG file / JPEG bytes. Null on failure; width and height are
// set on success.
RgbBuffer read_rgb(const char* path, int* width, int* height);
RgbBuffer read_rgb_memory(const uint8_t* bytes, size_t count, int* width, int* height);

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
