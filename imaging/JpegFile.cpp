#include "imaging/JpegFile.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "base/DiagnosticLog.h"
#include "base/UserInterface.h"
#include "imaging/ImageLimits.h"
#include "imaging/JpegStream.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

using jpegio::AttachDestination;
using jpegio::AttachSource;
using jpegio::Dest;
using jpegio::Source;
using jpegio::Stream;

// ---- errors and warnings ----

std::atomic<JpegWarningHook> g_warning_hook{nullptr};
// The stream being decoded on this thread, for the warning hook's picture
// key; null outside a decode.
thread_local Stream* t_decoding = nullptr;

uint64_t KeyOfBytes(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count == 0) return 1;
  const uint64_t h = std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(bytes), count));
  return h ? h : 1;
}

uint64_t KeyOfPath(const char* path) {
  const uint64_t h = std::hash<std::string_view>{}(std::string_view(path ? path : ""));
  return (h ^ 0x9E3779B97F4A7C15ull) | 1;
}

// Names the stream being decoded for the warning hook while a decode runs.
class PictureKeyScope {
 public:
  explicit PictureKeyScope(Stream* stream) : previous_(t_decoding) { t_decoding = stream; }
  ~PictureKeyScope() { t_decoding = previous_; }

 private:
  Stream* previous_;
};

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  void (*library_emit)(j_common_ptr, int);
  // A warning that says pixels were lost: the data ended early, a scan is
  // corrupt, a marker cut a segment short.
  bool damaged;
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

// Warnings that leave every pixel as the encoder meant it:
// - JWRN_EXTRANEOUS_DATA: stray bytes between segments (padding some
//   writers put before a marker or the end); the marker after them is found
//   and the scans before it were read whole.
// - JWRN_JFIF_MAJOR, JWRN_ADOBE_XFORM: an unknown revision or colour
//   transform number in a header; the pixels are decoded as usual.
// - JWRN_BOGUS_ICC: a damaged colour profile, which is not used.
// Every other warning (the data ended early, a corrupt or resynchronised
// scan, a bad Huffman or arithmetic code, an inconsistent progression)
// means pixels were made up, so the picture counts as damaged.
bool HarmlessWarning(int code) {
  switch (code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
#if JPEG_LIB_VERSION >= 80 || defined(LIBJPEG_TURBO_VERSION)
    case JWRN_BOGUS_ICC:
#endif
      return true;
    default:
      return false;
  }
}

void EmitMessage(j_common_ptr cinfo, int level) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0 && !HarmlessWarning(cinfo->err->msg_code)) err->damaged = true;
  err->library_emit(cinfo, level);
}

void InstallErrorManager(ErrorManager* err, jpeg_error_mgr** slot) {
  *slot = jpeg_std_error(&err->pub);
  err->pub.error_exit = ErrorExit;
  err->pub.output_message = OutputMessage;
  err->library_emit = err->pub.emit_message;
  err->pub.emit_message = EmitMessage;
  err->damaged = false;
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
  uint8_t* rgb_row;  // one converted row before a region's columns are taken
  int width;
  int height;
  // Scaled part decoding (scale_num 0: the whole picture at its own size).
  int scale_num;
  PixelRect region;
  // Header only.
  bool header_only;
  int orientation;
  // Read to the end of the data and fail on a damaging warning (pictures
  // being imported); `damaged` tells why a checked decode failed.
  bool checked;
  bool damaged;
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

void FreeWork(DecodeWork* w) {
  std::free(w->buffer);
  std::free(w->row);
  std::free(w->rgb_row);
  w->buffer = w->row = w->rgb_row = nullptr;
}

// The most the library may hold for one decode: the whole-image coefficient
// buffers of a progressive or multi-scan picture at the pixel limit (two
// bytes a coefficient, four full-size components), and room for its rows.
constexpr size_t kMaxCoefficientBytes = static_cast<size_t>(kMaxImagePixels) * 8;
constexpr size_t kMaxDecodeMemory = kMaxCoefficientBytes + (size_t{64} << 20);

// The bytes the coefficient buffers of a picture that is not read in one
// pass would take, from the component sizes read_header has set.
size_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
  size_t total = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& comp = cinfo.comp_info[c];
    const size_t wide = comp.width_in_blocks + static_cast<size_t>(comp.h_samp_factor);
    const size_t high = comp.height_in_blocks + static_cast<size_t>(comp.v_samp_factor);
    total += wide * high * DCTSIZE2 * sizeof(JCOEF);
    if (total > kMaxCoefficientBytes) return total;
  }
  return total;
}

int OrientationOf(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const int o = ExifOrientation(m->data, m->data_length);
    if (o != kOrientationNormal) return o;
  }
  return kOrientationNormal;
}

// 1 with w->buffer holding the picture (or, header only, w->width and
// w->height set), 0 after an error (all released).
int Decode(DecodeWork* w, Stream* stream) {
  InstallErrorManager(&w->err, &w->cinfo.err);
  if (setjmp(w->err.jump)) {
    jpeg_destroy_decompress(&w->cinfo);
    FreeWork(w);
    return 0;
  }
  jpeg_create_decompress(&w->cinfo);
  AttachSource(&w->cinfo, &w->src, stream);
  if (w->header_only) jpeg_save_markers(&w->cinfo, JPEG_APP0 + 1, 0xFFFF);
  // Whatever a header claims, the library never holds more than this; a
  // buffer past it is an error, not an allocation.
  w->cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecodeMemory);
  jpeg_read_header(&w->cinfo, TRUE);
  const bool part = w->scale_num != 0;
  // The header gives the size; refuse the absurd before the library
  // allocates anything for it. A scaled part still makes the library read
  // the whole picture, so it is judged by the whole picture's size too, and
  // a picture that is not read in one pass by its coefficient buffers.
  const bool allowed =
      w->header_only ? ImageSizeAllowed(w->cinfo.image_width, 1) && ImageSizeAllowed(1, w->cinfo.image_height)
                     : ImageSizeAllowed(w->cinfo.image_width, w->cinfo.image_height) &&
                           (!jpeg_has_multiple_scans(&w->cinfo) ||
                            CoefficientBytes(w->cinfo) <= kMaxCoefficientBytes);
  if (!allowed) {
    DebugError("JpegFile :\nThe picture is larger than can be opened (%ux%u)", w->cinfo.image_width,
               w->cinfo.image_height);
    jpeg_destroy_decompress(&w->cinfo);
    return 0;
  }
  if (w->header_only) {
    w->width = static_cast<int>(w->cinfo.image_width);
    w->height = static_cast<int>(w->cinfo.image_height);
    w->orientation = OrientationOf(w->cinfo);
    jpeg_destroy_decompress(&w->cinfo);
    return 1;
  }

  PixelRect want;
  if (part) {
    w->cinfo.scale_num = static_cast<unsigned>(w->scale_num);
    w->cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&w->cinfo);
    const int ow = static_cast<int>(w->cinfo.output_width), oh = static_cast<int>(w->cinfo.output_height);
    want = w->region;
    if (want.x < 0) { want.width += want.x; want.x = 0; }
    if (want.y < 0) { want.height += want.y; want.y = 0; }
    if (want.right() > ow) want.width = ow - want.x;
    if (want.bottom() > oh) want.height = oh - want.y;
    if (want.empty() || !ImageSizeAllowed(want.width, want.height)) {
      jpeg_destroy_decompress(&w->cinfo);
      return 0;
    }
  }
  jpeg_start_decompress(&w->cinfo);
  if (!part) want = PixelRect{0, 0, static_cast<int>(w->cinfo.output_width),
                              static_cast<int>(w->cinfo.output_height)};

  // Columns beside the part are not formed: the library widens the crop to
  // whole blocks, and we take our columns out of what it gives. The crop
  // reaches a block further on either side, since the colour upsampling
  // forms the crop's own edge columns differently from the whole picture's.
  JDIMENSION crop_x = 0;
#ifdef LIBJPEG_TURBO_VERSION
  constexpr JDIMENSION kCropMargin = 16;
  if (part && static_cast<JDIMENSION>(want.width) + 2 * kCropMargin < w->cinfo.output_width) {
    const JDIMENSION from = static_cast<JDIMENSION>(want.x) > kCropMargin ? want.x - kCropMargin : 0;
    const JDIMENSION to = std::min<JDIMENSION>(w->cinfo.output_width, want.right() + kCropMargin);
    crop_x = from;
    JDIMENSION crop_width = to - from;
    jpeg_crop_scanline(&w->cinfo, &crop_x, &crop_width);
  }
#endif
  const size_t first_column = static_cast<size_t>(want.x) - crop_x;

  const size_t width = static_cast<size_t>(want.width);
  const size_t height = static_cast<size_t>(want.height);
  const size_t stride = width * 3;
  const size_t bytes = stride * height;
  w->buffer = static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1));
  w->row = static_cast<uint8_t*>(std::malloc(size_t{w->cinfo.output_width} * w->cinfo.output_components + 1));
  w->rgb_row = part ? static_cast<uint8_t*>(std::malloc(size_t{w->cinfo.output_width} * 3 + 1)) : nullptr;
  if (!w->buffer || !w->row || (part && !w->rgb_row)) {
    DebugError("JpegFile :\nOut of memory");
    jpeg_destroy_decompress(&w->cinfo);
    FreeWork(w);
    return 0;
  }
  w->width = static_cast<int>(width);
  w->height = static_cast<int>(height);

  // Rows above the part are skipped without being formed.
  JDIMENSION skip = static_cast<JDIMENSION>(want.y);
#ifdef LIBJPEG_TURBO_VERSION
  if (skip > 0) skip -= jpeg_skip_scanlines(&w->cinfo, skip);
#endif
  const JDIMENSION last = static_cast<JDIMENSION>(want.y + want.height);
  while (w->cinfo.output_scanline < last) {
    JSAMPROW rows[1] = {w->row};
    if (jpeg_read_scanlines(&w->cinfo, rows, 1) != 1) ERREXIT(&w->cinfo, JERR_INPUT_EOF);
    const JDIMENSION line = w->cinfo.output_scanline - 1;
    if (line < static_cast<JDIMENSION>(want.y)) continue;  // only without skipping
    uint8_t* out = w->buffer + (line - want.y) * stride;
    if (!part) {
      CopyRow(w->cinfo, w->row, out);
    } else {
      CopyRow(w->cinfo, w->row, w->rgb_row);
      std::memcpy(out, w->rgb_row + first_column * 3, stride);
    }
  }
  if (w->checked) {
    // Every row below the part is still entropy-decoded, so data that ends
    // early or breaks anywhere in the file is noticed.
#ifdef LIBJPEG_TURBO_VERSION
    // The last row is read, not skipped: skipping to the very end would
    // leave the final rows' data unread.
    if (w->cinfo.output_scanline + 1 < w->cinfo.output_height)
      jpeg_skip_scanlines(&w->cinfo, w->cinfo.output_height - w->cinfo.output_scanline - 1);
#endif
    while (w->cinfo.output_scanline < w->cinfo.output_height) {
      JSAMPROW rows[1] = {w->row};
      if (jpeg_read_scanlines(&w->cinfo, rows, 1) != 1) ERREXIT(&w->cinfo, JERR_INPUT_EOF);
    }
    jpeg_finish_decompress(&w->cinfo);
    if (w->err.damaged) {
      DebugError("JpegFile :\nThe picture's data is damaged or ends early");
      w->damaged = true;
      jpeg_destroy_decompress(&w->cinfo);
      FreeWork(w);
      return 0;
    }
  } else if (w->cinfo.output_scanline < w->cinfo.output_height) {
    jpeg_abort_decompress(&w->cinfo);
  } else {
    jpeg_finish_decompress(&w->cinfo);
  }
  jpeg_destroy_decompress(&w->cinfo);
  std::free(w->row);
  std::free(w->rgb_row);
  w->row = w->rgb_row = nullptr;
  if (part) w->region = want;
  return 1;
}

// Decodes with the options of `options` (zero: the whole picture).
RgbBuffer DecodeStream(Stream* stream, int* width, int* height, const DecodeWork* options = nullptr,
                       DecodeWork* result_info = nullptr) {
  if (width) *width = 0;
  if (height) *height = 0;
  DecodeWork* w = static_cast<DecodeWork*>(std::calloc(1, sizeof(DecodeWork)));
  if (!w) {
    DebugError("JpegFile :\nOut of memory");
    return RgbBuffer();
  }
  if (options) {
    w->scale_num = options->scale_num;
    w->region = options->region;
    w->header_only = options->header_only;
    w->checked = options->checked;
  }
  PictureKeyScope key(stream);
  RgbBuffer result;
  if (Decode(w, stream)) {
    result.reset(w->buffer);
    if (width) *width = w->width;
    if (height) *height = w->height;
    if (result_info) {
      result_info->region = w->region;
      result_info->orientation = w->orientation;
      result_info->width = w->width;
      result_info->height = w->height;
      result_info->header_only = true;  // marks success for header reads
    }
  } else if (result_info) {
    result_info->damaged = w->damaged;
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

uint64_t CurrentJpegPictureKey() {
  Stream* stream = t_decoding;
  if (stream == nullptr) return 0;
  // Bytes in memory are hashed only when a warning asks for their key: a
  // clean decode of a large photo never reads them twice.
  if (stream->key == 0) stream->key = stream->memory ? KeyOfBytes(stream->in, stream->capacity) : 1;
  return stream->key;
}

void ShowJpegWarningBox(const char* text) {
  static std::mutex mutex;
  static std::unordered_set<uint64_t> warned;
  const uint64_t key = CurrentJpegPictureKey();
  if (key != 0) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!warned.insert(key).second) {
      DebugError("JPEG Error: %s", text);
      return;
    }
  }
  MessageRequest request;
  request.text = text;
  request.caption = translate("JpegFile", "JPEG Error");
  request.flags = kMbOk;
  UI().ShowMessage(request);
}

namespace JpegFile {

RgbBuffer read_rgb(const char* path, int* width, int* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  Stream stream;
  stream.key = KeyOfPath(path);
  stream.file = OpenInputFile(path);
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

bool read_header_memory(const uint8_t* bytes, size_t count, JpegHeader* header) {
  if (!bytes) count = 0;
  Stream stream;
  stream.memory = true;
  stream.in = bytes;
  stream.capacity = count;
  DecodeWork options{};
  options.header_only = true;
  DecodeWork info{};
  DecodeStream(&stream, nullptr, nullptr, &options, &info);
  if (!info.header_only || info.width <= 0 || info.height <= 0) return false;
  if (header) {
    header->width = info.width;
    header->height = info.height;
    header->orientation = info.orientation;
  }
  return true;
}

int scaled_side(int side, int scale_num) {
  if (side <= 0 || scale_num <= 0) return 0;
  return static_cast<int>((static_cast<int64_t>(side) * scale_num + 7) / 8);
}

RgbBuffer read_rgb_memory_scaled(const uint8_t* bytes, size_t count, int scale_num,
                                 PixelRect* region, bool checked, bool* damaged) {
  if (damaged) *damaged = false;
  if (!region) return RgbBuffer();
  if (!bytes) count = 0;
  if (scale_num < 1 || scale_num > 8 || region->empty()) {
    *region = PixelRect{};
    return RgbBuffer();
  }
  Stream stream;
  stream.memory = true;
  stream.in = bytes;
  stream.capacity = count;
  DecodeWork options{};
  options.scale_num = scale_num;
  options.region = *region;
  options.checked = checked;
  DecodeWork info{};
  RgbBuffer rgb = DecodeStream(&stream, nullptr, nullptr, &options, &info);
  if (damaged) *damaged = !rgb && info.damaged;
  *region = rgb ? info.region : PixelRect{};
  return rgb;
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
