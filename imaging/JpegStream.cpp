#include "imaging/JpegStream.h"

#include <cstring>

extern "C" {
#include <jerror.h>
}

namespace quillet::jpegio {

size_t Stream::Read(void* dest, size_t count) {
  if (!memory) return std::fread(dest, 1, count, file);
  size_t n = count < capacity - cursor ? count : capacity - cursor;
  if (n) std::memcpy(dest, in + cursor, n);
  cursor += n;
  return n;
}

size_t Stream::Write(const void* src, size_t count) {
  if (!memory) return std::fwrite(src, 1, count, file);
  size_t n = count < capacity - cursor ? count : capacity - cursor;
  if (n) std::memcpy(out + cursor, src, n);
  cursor += n;
  return n;
}

namespace {

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<Source*>(cinfo->src)->start_of_file = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  Source* src = reinterpret_cast<Source*>(cinfo->src);
  Stream* stream = src->stream;
  if (stream->memory && stream->cursor < stream->capacity) {
    // A memory block is handed over whole, not copied in pieces: the
    // library then always has enough bytes at hand for its fast Huffman
    // decoding, which it gives up near the end of every short buffer.
    src->pub.next_input_byte = stream->in + stream->cursor;
    src->pub.bytes_in_buffer = stream->capacity - stream->cursor;
    stream->cursor = stream->capacity;
    src->start_of_file = false;
    return TRUE;
  }
  size_t n = stream->Read(src->buffer, kStreamBuffer);
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

}  // namespace

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

namespace {

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

}  // namespace

void AttachDestination(j_compress_ptr cinfo, Dest* dest, Stream* stream) {
  dest->stream = stream;
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  cinfo->dest = &dest->pub;
}

}  // namespace quillet::jpegio
