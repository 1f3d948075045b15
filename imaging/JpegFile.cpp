#include "imaging/JpegFile.h"

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "app/core/DiagnosticLog.h"
#include "app/core/UserInterface.h"
#include "imaging/ImageLimits.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

// ---- the byte stream behind our source and sink ----

// Either a file or one memory block with a cursor. Every codec call owns its
// own, so two calls never share a cursor.
struct Stream {
  bool memory = false;
  std::FILE* file = nullptr;
  const uint8_t* in = nullptr;  // memory source
  uint8_t* out = nullptr;       // memory sink
  size_t capacity = 0;
  size_t cursor = 0;

  size_t Read(void* dest, size_t count) {
    if (!memory) return std::fread(dest, 1, count, file);
    size_t n = count < capacity - cursor ? count : capacity - cursor;
    if (n) std::memcpy(dest, in + cursor, n);
    cursor += n;
    return n;
  }
  size_t Write(const void* src, size_t count) {
    if (!memory) return std::fwrite(src, 1, count, file);
    size_t n = count < capacity - cursor ? count : capacity - cursor;
    if (n) std::memcpy(out + cursor, src, n);
    cursor += n;
    return n;
  }
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

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<Source*>(cinfo->src)->start_of_file = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  Source* src = reinterpret_cast<Source*>(cinfo->src);
  size_t n = src->stream->Read(src->buffer, kStreamBuffer);
  if (n == 0) {
    if (src->start_of_file) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->start_of_file = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  Source* src = reinterpret_cast<Source*>(cinfo->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(j_decompress_ptr cinfo, Source* src, Stream* stream) {
  src->stream = stream;
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  cinfo->src = &src->pub;
}

// The sink treats a short write as a write error, so a JPEG that does not
// fit its memory block fails instead of being cut off silently.
struct Dest {
  jpeg_destination_mgr pub;
  Stream* stream;
  JOCTET buffer[kStreamBuffer];
};

void InitDestination(j_compress_ptr cinfo) {
  Dest* dest = reinterpret_cast<Dest*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kStreamBuffer;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  Dest* dest = reinterpret_cast<Dest*>(cinfo->dest);
  if (dest->stream->Write(dest->buffer, kStreamBuffer) != kStreamBuffer) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kStreamBuffer;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  Dest* dest = reinterpret_cast<Dest*>(cinfo->dest);
  size_t count = kStreamBuffer - dest->pub.free_in_buffer;
  if (count > 0 && dest->stream->Write(dest->buffer, count) != count) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  // A memory block has nothing to flush.
  if (!dest->stream->memory) {
    std::fflush(dest->stream->file);
    if (std::ferror(dest->stream->file)) ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

void AttachDestination(j_compress_ptr cinfo, Dest* dest, Stream* stream) {
  dest->stream = stream;
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  cinfo->dest = &dest->pub;
}

// ---- errors and warnings ----

std::atomic<JpegWarningHook> g_warning_hook{nullptr};

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// The library must never end the program: format its message for the
// developer's channel and return to the operation's armed point. Only C
// frames and our own trivially destructible callbacks lie in between.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  DebugError("JpegFile : %s", err->message);
  std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  JpegWarningHook hook = g_warning_hook.load();
  if (hook) {
    hook(text);
  } else {
    DebugError("JPEG Error: %s", text);
  }
}

void InstallErrorManager(ErrorManager* err, jpeg_error_mgr** slot) {
  *slot = jpeg_std_error(&err->pub);
  err->pub.error_exit = ErrorExit;
  err->pub.output_message = OutputMessage;
}

// ---- decoding ----

// Everything that changes between the armed point and a jump back lives in
// this heap object, never in locals of the function that calls setjmp.
struct DecodeWork {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  Source src;
  uint8_t* buffer;
  uint8_t* row;
  int width;
  int height;
};

// One decoded row into packed RGB.
void CopyRow(const jpeg_decompress_struct& cinfo, const uint8_t* row, uint8_t* out) {
  const JDIMENSION width = cinfo.output_width;
  const int n = cinfo.output_components;
  if (n == 3) {
    std::memcpy(out, row, size_t{width} * 3);
  } else if (n == 1) {
    for (JDIMENSION x = 0; x < width; ++x) out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = row[x];
  } else if (n == 4 && cinfo.out_color_space == JCS_CMYK) {
    // The library leaves CMYK rows as they are. Show them as RGB the simple
    // way: files with the Adobe marker store the inks inverted.
    const bool inverted = cinfo.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < width; ++x) {
      const uint8_t* p = row + x * 4;
      int k = inverted ? p[3] : 255 - p[3];
      for (int c = 0; c < 3; ++c) {
        int ink = inverted ? p[c] : 255 - p[c];
        out[x * 3 + c] = static_cast<uint8_t>(ink * k / 255);
      }
    }
  } else {
    // Any other layout: the first three channels, or the first as grey.
    for (JDIMENSION x = 0; x < width; ++x) {
      const uint8_t* p = row + size_t{x} * n;
      for (int c = 0; c < 3; ++c) out[x * 3 + c] = n >= 3 ? p[c] : p[0];
    }
  }
}

// 1 with w->buffer holding the picture, 0 after an error (all released).
int Decode(DecodeWork* w, Stream* stream) {
  InstallErrorManager(&w->err, &w->cinfo.err);
  if (setjmp(w->err.jump)) {
    jpeg_destroy_decompress(&w->cinfo);
    std::free(w->buffer);
    std::free(w->row);
    w->buffer = w->row = nullptr;
    return 0;
  }
  jpeg_create_decompress(&w->cinfo);
  AttachSource(&w->cinfo, &w->src, stream);
  jpeg_read_header(&w->cinfo, TRUE);
  // The header gives the size; refuse the absurd before the library
  // allocates anything for it.
  if (!image_size_allowed(w->cinfo.image_width, w->cinfo.image_height)) {
    DebugError("JpegFile :\nOut of memory");
    jpeg_destroy_decompress(&w->cinfo);
    return 0;
  }
  jpeg_start_decompress(&w->cinfo);

  const size_t width = w->cinfo.output_width;
  const size_t height = w->cinfo.output_height;
  const size_t stride = width * 3;
  const size_t bytes = stride * height;
  w->buffer = static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1));
  w->row = static_cast<uint8_t*>(std::malloc(width * w->cinfo.output_components + 1));
  if (!w->buffer || !w->row) {
    DebugError("JpegFile :\nOut of memory");
    jpeg_destroy_decompress(&w->cinfo);
    std::free(w->buffer);
    std::free(w->row);
    w->buffer = w->row = nullptr;
    return 0;
  }
  w->width = static_cast<int>(width);
  w->height = static_cast<int>(height);

  while (w->cinfo.output_scanline < w->cinfo.output_height) {
    JSAMPROW rows[1] = {w->row};
    if (jpeg_read_scanlines(&w->cinfo, rows, 1) != 1) ERREXIT(&w->cinfo, JERR_INPUT_EOF);
    CopyRow(w->cinfo, w->row, w->buffer + (w->cinfo.output_scanline - 1) * stride);
  }
  jpeg_finish_decompress(&w->cinfo);
  jpeg_destroy_decompress(&w->cinfo);
  std::free(w->row);
  w->row = nullptr;
  return 1;
}

RgbBuffer DecodeStream(Stream* stream, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  DecodeWork* w = static_cast<DecodeWork*>(std::calloc(1, sizeof(DecodeWork)));
  if (!w) {
    DebugError("JpegFile :\nOut of memory");
    return RgbBuffer();
  }
  RgbBuffer result;
  if (Decode(w, stream)) {
    result.reset(w->buffer);
    if (width) *width = w->width;
    if (height) *height = w->height;
  }
  std::free(w);
  return result;
}

// ---- encoding ----

struct EncodeWork {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  Dest dest;
};

int Encode(EncodeWork* w, Stream* stream, const uint8_t* pixels, int width, int height,
           bool color, int quality) {
  InstallErrorManager(&w->err, &w->cinfo.err);
  if (setjmp(w->err.jump)) {
    jpeg_destroy_compress(&w->cinfo);
    return 0;
  }
  jpeg_create_compress(&w->cinfo);
  AttachDestination(&w->cinfo, &w->dest, stream);
  w->cinfo.image_width = static_cast<JDIMENSION>(width);
  w->cinfo.image_height = static_cast<JDIMENSION>(height);
  w->cinfo.input_components = color ? 3 : 1;
  w->cinfo.in_color_space = color ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_quality(&w->cinfo, quality, TRUE);
  jpeg_start_compress(&w->cinfo, TRUE);
  const size_t stride = static_cast<size_t>(width) * (color ? 3 : 1);
  while (w->cinfo.next_scanline < w->cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(pixels + w->cinfo.next_scanline * stride)};
    jpeg_write_scanlines(&w->cinfo, rows, 1);
  }
  jpeg_finish_compress(&w->cinfo);
  jpeg_destroy_compress(&w->cinfo);
  return 1;
}

// Without the colour flag the library gets one grey byte a pixel.
uint8_t* GreyCopy(const uint8_t* rgb, int width, int height) {
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  uint8_t* grey = static_cast<uint8_t*>(std::malloc(n));
  if (!grey) return nullptr;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = rgb + i * 3;
    grey[i] = static_cast<uint8_t>(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]);
  }
  return grey;
}

// The shared part of both writers; 1 or 0.
int EncodeStream(Stream* stream, const uint8_t* rgb, int width, int height, bool color,
                 int quality) {
  const uint8_t* pixels = rgb;
  uint8_t* grey = nullptr;
  if (!color) {
    grey = GreyCopy(rgb, width, height);
    if (!grey) {
      DebugError("JPEG: Memory error");
      return 0;
    }
    pixels = grey;
  }
  int ok = 0;
  EncodeWork* w = static_cast<EncodeWork*>(std::calloc(1, sizeof(EncodeWork)));
  if (w) {
    ok = Encode(w, stream, pixels, width, height, color, quality);
    std::free(w);
  } else {
    DebugError("JPEG: Memory error");
  }
  std::free(grey);
  return ok;
}

bool BadPicture(const uint8_t* rgb, int width, int height) {
  return !rgb || width <= 0 || height <= 0;
}

thread_local size_t t_memory_size = 0;

}  // namespace

JpegWarningHook SetJpegWarningHook(JpegWarningHook hook) { return g_warning_hook.exchange(hook); }

void ShowJpegWarningBox(const char* text) {
  MessageRequest request;
  request.text = text;
  request.caption = "JPEG Error";
  request.flags = kMbOk;
  UI().ShowMessage(request);
}

namespace JpegFile {

RgbBuffer read_rgb(const char* path, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  Stream stream;
  stream.file = std::fopen(path, "rb");
  if (!stream.file) {
    DebugError("JPEG :\nCan't open %s\n", path);
    return RgbBuffer();
  }
  RgbBuffer rgb = DecodeStream(&stream, width, height);
  std::fclose(stream.file);
  return rgb;
}

RgbBuffer read_rgb_memory(const uint8_t* bytes, size_t count, int* width, int* height) {
  if (!bytes) count = 0;
  Stream stream;
  stream.memory = true;
  stream.in = bytes;
  stream.capacity = count;
  return DecodeStream(&stream, width, height);
}

int write_rgb(const char* path, const uint8_t* rgb, int width, int height, bool color,
              int quality) {
  if (BadPicture(rgb, width, height)) return 0;
  // Made under a temporary name beside `path` and renamed over it once
  // complete: a link planted under the picture's name is replaced, never
  // written through, and half a JPEG never passes for the picture file.
  ReplacingFile out;
  Stream stream;
  int dup_fd = out.Open(path) == 0 ? ::dup(out.fd()) : -1;
  stream.file = dup_fd >= 0 ? ::fdopen(dup_fd, "wb") : nullptr;
  if (!stream.file) {
    if (dup_fd >= 0) ::close(dup_fd);
    DebugError("JpegFile :\nCan't open %s\n", path);
    return 0;
  }
  int ok = EncodeStream(&stream, rgb, width, height, color, quality);
  if (std::fclose(stream.file) != 0) ok = 0;
  if (ok && out.Commit() != 0) ok = 0;
  return ok;
}

int write_rgb_memory(uint8_t* dest, size_t capacity, const uint8_t* rgb, int width, int height,
                     bool color, int quality) {
  t_memory_size = 0;
  if (BadPicture(rgb, width, height) || !dest) return 0;
  Stream stream;
  stream.memory = true;
  stream.out = dest;
  stream.capacity = capacity;
  int ok = EncodeStream(&stream, rgb, width, height, color, quality);
  t_memory_size = stream.cursor;
  return ok;
}

size_t jpeg_memory_size() { return t_memory_size; }

}  // namespace JpegFile
}  // namespace quillet
