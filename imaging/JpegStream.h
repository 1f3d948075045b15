// The byte stream behind the JPEG codec's source and sink: a file or one
// memory block with a cursor. Internal to the imaging library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace quillet::jpegio {

// Either a file or one memory block with a cursor. Every codec call owns its
// own, so two calls never share a cursor.
struct Stream {
  bool memory = false;
  // Names the picture for the warning box; for a memory block 0 until a
  // warning asks (the bytes are hashed then).
  uint64_t key = 0;
  std::FILE* file = nullptr;
  const uint8_t* in = nullptr;  // memory source
  uint8_t* out = nullptr;       // memory sink
  size_t capacity = 0;
  size_t cursor = 0;

  size_t Read(void* dest, size_t count);
  size_t Write(const void* src, size_t count);
};

constexpr size_t kStreamBuffer = 4096;

// The source treats an exhausted stream as the end of the data: an error at
// the very start, later a supplied end-of-image marker with the library's
// premature-end warning, so a JPEG cut short still gives its upper part.
struct Source {
  jpeg_source_mgr pub;
  Stream* stream;
  bool start_of_file;
  JOCTET buffer[kStreamBuffer];
};

// The sink treats a short write as a write error, so a JPEG that does not
// fit its memory block fails instead of being cut off silently.
struct Dest {
  jpeg_destination_mgr pub;
  Stream* stream;
  JOCTET buffer[kStreamBuffer];
};

// Point the codec at `stream` through `src` / `dest`, which the caller owns
// for as long as the codec runs.
void AttachSource(j_decompress_ptr cinfo, Source* src, Stream* stream);
void AttachDestination(j_compress_ptr cinfo, Dest* dest, Stream* stream);

}  // namespace quillet::jpegio
