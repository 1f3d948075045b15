#include "imaging/PackedDib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "imaging/ImageLimits.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rows are stored |height| of them; a negative height only says top-down.
int64_t RowCount(const BitmapInfoHeader& h) {
  return h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
}

// Colour count from header fields, whichever header form they came from.
uint32_t ColorCount(uint32_t header_size, uint16_t bit_count, uint32_t clr_used) {
  if (header_size != kCoreHeaderSize && clr_used != 0) return clr_used;
  switch (bit_count) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// The header fields dib_info fills in where the writer left them 0.
void FillDerivedFields(BitmapInfoHeader* h) {
  if (h->biSizeImage == 0) {
    h->biSizeImage = static_cast<uint32_t>(dib_row_bytes(h->biWidth, h->biBitCount) *
                                           static_cast<uint64_t>(RowCount(*h)));
  }
  if (h->biClrUsed == 0) h->biClrUsed = ColorCount(h->biSize, h->biBitCount, 0);
}

}  // namespace

BitmapInfoHeader parse_info_header(const uint8_t* b) {
  BitmapInfoHeader h;
  h.biSize = Le32(b);
  h.biWidth = static_cast<int32_t>(Le32(b + 4));
  h.biHeight = static_cast<int32_t>(Le32(b + 8));
  h.biPlanes = Le16(b + 12);
  h.biBitCount = Le16(b + 14);
  h.biCompression = Le32(b + 16);
  h.biSizeImage = Le32(b + 20);
  h.biXPelsPerMeter = static_cast<int32_t>(Le32(b + 24));
  h.biYPelsPerMeter = static_cast<int32_t>(Le32(b + 28));
  h.biClrUsed = Le32(b + 32);
  h.biClrImportant = Le32(b + 36);
  return h;
}

void store_info_header(const BitmapInfoHeader& h, uint8_t* b) {
  Put32(b, h.biSize);
  Put32(b + 4, static_cast<uint32_t>(h.biWidth));
  Put32(b + 8, static_cast<uint32_t>(h.biHeight));
  Put16(b + 12, h.biPlanes);
  Put16(b + 14, h.biBitCount);
  Put32(b + 16, h.biCompression);
  Put32(b + 20, h.biSizeImage);
  Put32(b + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
  Put32(b + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
  Put32(b + 32, h.biClrUsed);
  Put32(b + 36, h.biClrImportant);
}

uint64_t dib_row_bytes(int64_t width, uint32_t bit_count) {
  if (width <= 0) return 0;
  return ((static_cast<uint64_t>(width) * bit_count + 31) / 32) * 4;
}

// ---- PackedDib ----

void PackedDib::Free::operator()(uint8_t* p) const { std::free(p); }

PackedDib PackedDib::Allocate(size_t size) {
  PackedDib dib;
  // calloc(0) may give null; a block always has at least one byte.
  uint8_t* p = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
  if (!p) return dib;
  dib.data_.reset(p);
  dib.size_ = size;
  return dib;
}

bool PackedDib::Resize(size_t size) {
  if (!data_) {
    *this = Allocate(size);
    return static_cast<bool>(data_);
  }
  uint8_t* p = static_cast<uint8_t*>(std::realloc(data_.get(), size ? size : 1));
  if (!p) return false;
  data_.release();
  data_.reset(p);
  if (size > size_) std::memset(p + size_, 0, size - size_);
  size_ = size;
  return true;
}

uint32_t PackedDib::header_size() const {
  if (size_ < 4) return 0;
  return Le32(data_.get());
}

BitmapInfoHeader PackedDib::info() const {
  if (size_ < kInfoHeaderSize) return BitmapInfoHeader{};
  return parse_info_header(data_.get());
}

void PackedDib::set_info(const BitmapInfoHeader& header) {
  if (size_ >= kInfoHeaderSize) store_info_header(header, data_.get());
}

// ---- header arithmetic ----

uint32_t dib_color_count(const PackedDib& dib) {
  uint32_t size = dib.header_size();
  if (size == kCoreHeaderSize && dib.size() >= kCoreHeaderSize) {
    return ColorCount(size, Le16(dib.data() + 10), 0);
  }
  if (size < kInfoHeaderSize || dib.size() < kInfoHeaderSize) return 0;
  BitmapInfoHeader h = dib.info();
  return ColorCount(size, h.biBitCount, h.biClrUsed);
}

uint32_t dib_palette_bytes(const PackedDib& dib) {
  uint64_t per_entry = dib.header_size() == kCoreHeaderSize ? 3 : 4;
  uint64_t bytes = dib_color_count(dib) * per_entry;
  return bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes);
}

size_t dib_bits_offset(const PackedDib& dib) {
  return static_cast<size_t>(dib.header_size()) + dib_palette_bytes(dib);
}

// ---- readers ----

size_t FileDibReader::Read(void* dest, size_t count) {
  return count ? std::fread(dest, 1, count, file_) : 0;
}
int64_t FileDibReader::Tell() { return std::ftell(file_); }
bool FileDibReader::Seek(int64_t position) {
  return position >= 0 && std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}
int64_t FileDibReader::Size() {
  long here = std::ftell(file_);
  if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return end;
}

size_t MemoryDibReader::Read(void* dest, size_t count) {
  if (position_ >= static_cast<int64_t>(size_)) return 0;
  size_t left = size_ - static_cast<size_t>(position_);
  size_t n = count < left ? count : left;
  std::memcpy(dest, bytes_ + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}
bool MemoryDibReader::Seek(int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

// ---- reading .bmp files ----

namespace {

// Header sizes of the later information headers: with masks (52), with an
// alpha mask (56), with colour space (108), with a colour profile (124).
// Their first 40 bytes are the 40-byte header; masks follow at byte 40.
bool LaterHeaderSize(uint32_t size) { return size == 52 || size == 56 || size == 108 || size == 124; }

// The header, the colour table and, for 16 and 32 bits, the masks each
// pixel's red, green and blue are taken with (all zero for other depths).
// The header comes back as a 40-byte one, the file at the first bit.
PackedDib ReadHeader(DibReader& file, uint32_t masks[3]) {
  masks[0] = masks[1] = masks[2] = 0;
  const int64_t start = file.Tell();
  if (start < 0) return PackedDib();

  // The 14-byte file header, when there is one.
  uint8_t file_header[14];
  int64_t pixel_offset = 0;
  if (file.Read(file_header, sizeof file_header) == sizeof file_header &&
      Le16(file_header) == kBmpFileType) {
    pixel_offset = Le32(file_header + 10);
  } else if (!file.Seek(start)) {
    return PackedDib();
  }
  const int64_t header_start = file.Tell();

  // Read 40 bytes, but a small file with the older header may hold fewer:
  // only what the header's own size calls for has to be there.
  uint8_t raw[124] = {};
  size_t got = file.Read(raw, kInfoHeaderSize);
  if (got < 4) return PackedDib();
  const uint32_t header_size = Le32(raw);

  BitmapInfoHeader h;
  if (header_size == kCoreHeaderSize) {
    if (got < kCoreHeaderSize) return PackedDib();
    h.biSize = kInfoHeaderSize;
    h.biWidth = Le16(raw + 4);
    h.biHeight = Le16(raw + 6);
    h.biPlanes = Le16(raw + 8);
    h.biBitCount = Le16(raw + 10);
    h.biClrUsed = ColorCount(kCoreHeaderSize, h.biBitCount, 0);
    // The colour table follows the 12 bytes.
    if (!file.Seek(header_start + kCoreHeaderSize)) return PackedDib();
  } else if (header_size == kInfoHeaderSize || LaterHeaderSize(header_size)) {
    if (got < kInfoHeaderSize) return PackedDib();
    if (header_size > kInfoHeaderSize &&
        file.Read(raw + kInfoHeaderSize, header_size - kInfoHeaderSize) != header_size - kInfoHeaderSize) {
      return PackedDib();
    }
    h = parse_info_header(raw);
    h.biSize = kInfoHeaderSize;
  } else {
    return PackedDib();
  }

  // 16 and 32 bits: uncompressed ones have fixed masks (5-5-5, 8-8-8), the
  // bit-field ones name theirs, in a later header or, after a 40-byte one,
  // in the 12 bytes that follow it.
  const bool wide = h.biBitCount == 16 || h.biBitCount == 32;
  if (wide && h.biCompression != kBiRgb && h.biCompression != kBiBitfields) return PackedDib();
  if (wide) {
    uint32_t alpha = 0;
    if (h.biCompression == kBiRgb) {
      masks[0] = h.biBitCount == 16 ? 0x7C00u : 0xFF0000u;
      masks[1] = h.biBitCount == 16 ? 0x03E0u : 0x00FF00u;
      masks[2] = h.biBitCount == 16 ? 0x001Fu : 0x0000FFu;
    } else if (header_size > kInfoHeaderSize) {
      for (int i = 0; i < 3; ++i) masks[i] = Le32(raw + kInfoHeaderSize + 4 * i);
      if (header_size >= 56) alpha = Le32(raw + kInfoHeaderSize + 12);
    } else {
      uint8_t m[12];
      if (file.Read(m, sizeof m) != sizeof m) return PackedDib();
      for (int i = 0; i < 3; ++i) masks[i] = Le32(m + 4 * i);
    }
    // Each colour needs bits of its own, inside the pixel.
    const uint32_t pixel = h.biBitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    const uint32_t all[4] = {masks[0], masks[1], masks[2], alpha};
    for (int i = 0; i < 4; ++i) {
      if ((i < 3 && all[i] == 0) || (all[i] & ~pixel) != 0) return PackedDib();
      for (int j = i + 1; j < 4; ++j)
        if ((all[i] & all[j]) != 0) return PackedDib();
    }
    h.biCompression = kBiBitfields;
    h.biClrUsed = 0;  // a table beside such pixels only suggests a palette
  }
  if (header_size > kInfoHeaderSize && !wide && !file.Seek(header_start + header_size)) return PackedDib();

  // Refuse what no bitmap we draw can be, and sizes that would need absurd
  // memory, before anything is allocated.
  if (h.biBitCount == 0 || h.biBitCount > 32 || h.biWidth <= 0 || h.biHeight == 0) {
    return PackedDib();
  }
  if (!ImageSizeAllowed(h.biWidth, RowCount(h))) return PackedDib();
  const uint64_t rows_need = dib_row_bytes(h.biWidth, h.biBitCount) * RowCount(h);
  if (rows_need > UINT32_MAX) return PackedDib();
  // Run-length bits are as long as the writer says; a writer that said
  // nothing leaves the rest of the file to them.
  const bool rle_size_unknown = (h.biCompression == kBiRle8 || h.biCompression == kBiRle4) &&
                                h.biSizeImage == 0;
  FillDerivedFields(&h);
  // An uncompressed header that claims fewer bytes than its rows need would
  // let a reader of the block run past its end.
  if ((h.biCompression == kBiRgb || h.biCompression == kBiBitfields) && h.biSizeImage < rows_need) {
    h.biSizeImage = static_cast<uint32_t>(rows_need);
  }

  // After the fill above biClrUsed is the colour count of either header form.
  const uint32_t colors = h.biClrUsed;
  if (colors > 65536) return PackedDib();

  PackedDib dib = PackedDib::Allocate(kInfoHeaderSize + size_t{colors} * 4);
  if (!dib) return dib;
  dib.set_info(h);
  uint8_t* table = dib.data() + kInfoHeaderSize;
  if (header_size == kCoreHeaderSize) {
    // Three bytes an entry on disk; widen in place from the last entry down
    // so that no entry is overwritten before it has been moved.
    if (file.Read(table, size_t{colors} * 3) != size_t{colors} * 3) return PackedDib();
    for (int64_t i = static_cast<int64_t>(colors) - 1; i >= 0; --i) {
      table[i * 4 + 3] = 0;
      table[i * 4 + 2] = table[i * 3 + 2];
      table[i * 4 + 1] = table[i * 3 + 1];
      table[i * 4 + 0] = table[i * 3 + 0];
    }
  } else {
    if (file.Read(table, size_t{colors} * 4) != size_t{colors} * 4) return PackedDib();
  }

  if (pixel_offset != 0 && !file.Seek(start + pixel_offset)) return PackedDib();
  if (rle_size_unknown) {
    const int64_t size = file.Size();
    const int64_t here = file.Tell();
    if (size < 0 || here < 0 || size < here) return PackedDib();
    h.biSizeImage = static_cast<uint32_t>(std::min<int64_t>(size - here, UINT32_MAX));
    dib.set_info(h);
  }
  return dib;
}

}  // namespace

PackedDib dib_read_header(DibReader& file) {
  uint32_t masks[3];
  return ReadHeader(file, masks);
}

uint32_t dib_read_bits(DibReader& file, uint8_t* dest, uint32_t count) {
  uint32_t left = count;
  while (left > kDibReadPiece) {
    if (file.Read(dest, kDibReadPiece) != kDibReadPiece) return 0;
    dest += kDibReadPiece;
    left -= kDibReadPiece;
  }
  if (file.Read(dest, left) != left) return 0;
  return count;
}

namespace {

// One colour of a bit-field pixel as a byte: its bits scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    while (((m >> shift) & 1u) == 0) ++shift;
    max = m >> shift;
  }
  uint8_t Of(uint32_t pixel) const {
    return static_cast<uint8_t>((uint64_t{(pixel & mask) >> shift} * 255 + max / 2) / max);
  }
};

// 16- or 32-bit rows with masks made into a 24-bit block (rows in the same
// order), so that everything that draws or converts bitmaps reads them.
PackedDib UnpackBitfields(DibReader& file, BitmapInfoHeader h, const uint32_t masks[3]) {
  const int64_t rows = RowCount(h);
  const uint64_t in_row = dib_row_bytes(h.biWidth, h.biBitCount);
  const uint64_t out_row = dib_row_bytes(h.biWidth, 24);
  // The header was checked against ImageSizeAllowed; the 24-bit rows are
  // at most a quarter more than 32-bit ones would be, and the bits must be
  // in the file before anything of their size is allocated.
  const int64_t size = file.Size();
  const int64_t here = file.Tell();
  if (size >= 0 && here >= 0 && static_cast<int64_t>(in_row * rows) > size - here) return PackedDib();
  if (out_row * rows > UINT32_MAX) return PackedDib();
  std::vector<uint8_t> row(static_cast<size_t>(in_row));
  PackedDib dib = PackedDib::Allocate(kInfoHeaderSize + static_cast<size_t>(out_row * rows));
  if (!dib) return dib;
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  const bool wide = h.biBitCount == 32;
  for (int64_t y = 0; y < rows; ++y) {
    if (file.Read(row.data(), row.size()) != row.size()) return PackedDib();
    uint8_t* out = dib.data() + kInfoHeaderSize + static_cast<size_t>(y) * out_row;
    for (int32_t x = 0; x < h.biWidth; ++x, out += 3) {
      const uint8_t* p = row.data() + static_cast<size_t>(x) * (wide ? 4 : 2);
      const uint32_t pixel = wide ? Le32(p) : Le16(p);
      out[0] = blue.Of(pixel);
      out[1] = green.Of(pixel);
      out[2] = red.Of(pixel);
    }
  }
  h.biBitCount = 24;
  h.biCompression = kBiRgb;
  h.biSizeImage = static_cast<uint32_t>(out_row * rows);
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  dib.set_info(h);
  return dib;
}

}  // namespace

PackedDib dib_read_file(DibReader& file) {
  uint32_t masks[3];
  PackedDib dib = ReadHeader(file, masks);
  if (!dib) return dib;
  if (masks[0] != 0) return UnpackBitfields(file, dib.info(), masks);
  const BitmapInfoHeader h = dib.info();
  // The header may claim more bits than the file holds: find out before
  // asking for the memory.
  const int64_t size = file.Size();
  const int64_t here = file.Tell();
  if (size >= 0 && here >= 0 && static_cast<int64_t>(h.biSizeImage) > size - here) {
    return PackedDib();
  }
  const size_t bits_at = dib_bits_offset(dib);
  if (!dib.Resize(bits_at + h.biSizeImage)) return PackedDib();
  if (h.biSizeImage != 0 && dib_read_bits(file, dib.data() + bits_at, h.biSizeImage) == 0) {
    return PackedDib();
  }
  return dib;
}

PackedDib dib_read_file(const char* path) {
  std::FILE* f = OpenInputFile(path);
  if (!f) return PackedDib();
  FileDibReader reader(f);
  PackedDib dib = dib_read_file(reader);
  std::fclose(f);
  return dib;
}

bool dib_info(const PackedDib& dib, BitmapInfoHeader* out) {
  if (!dib || dib.size() < kInfoHeaderSize) return false;
  BitmapInfoHeader h = dib.info();
  if (h.biSize == kInfoHeaderSize) FillDerivedFields(&h);
  *out = h;
  return true;
}

// ---- run-length bits ----

const char* rle_result_text(RleResult result) {
  switch (result) {
    case RleResult::kOk: return "expanded";
    case RleResult::kNotRunLength: return "not run-length bits of their depth";
    case RleResult::kTopDown: return "run-length bits cannot be stored top-down";
    case RleResult::kTruncated: return "the bits end before the end of the bitmap";
    case RleResult::kRunPastRow: return "a run goes past the end of its row";
    case RleResult::kPastPicture: return "pixels after the last row";
    case RleResult::kDeltaOutOfRange: return "a delta moves outside the picture";
    case RleResult::kNoMemory: return "no memory for the pixels";
  }
  return "?";
}

PackedDib dib_expand_rle(const PackedDib& dib, RleResult* result) {
  RleResult scratch;
  RleResult& why = result ? *result : scratch;
  why = RleResult::kNotRunLength;
  if (!dib || dib.header_size() != kInfoHeaderSize || dib.size() < kInfoHeaderSize) return PackedDib();
  BitmapInfoHeader h = dib.info();
  const bool rle8 = h.biCompression == kBiRle8 && h.biBitCount == 8;
  const bool rle4 = h.biCompression == kBiRle4 && h.biBitCount == 4;
  if (!rle8 && !rle4) return PackedDib();
  if (h.biHeight < 0) {
    why = RleResult::kTopDown;
    return PackedDib();
  }
  const int64_t width = h.biWidth;
  const int64_t rows = h.biHeight;
  if (width <= 0 || rows <= 0 || !ImageSizeAllowed(width, rows)) return PackedDib();
  const size_t bits_at = dib_bits_offset(dib);
  if (bits_at > dib.size()) {
    why = RleResult::kTruncated;
    return PackedDib();
  }
  const uint64_t row_bytes = dib_row_bytes(width, h.biBitCount);
  const uint64_t out_bytes = row_bytes * static_cast<uint64_t>(rows);
  if (out_bytes > UINT32_MAX) return PackedDib();
  PackedDib out = PackedDib::Allocate(bits_at + static_cast<size_t>(out_bytes));
  if (!out) {
    why = RleResult::kNoMemory;
    return PackedDib();
  }
  std::memcpy(out.data(), dib.data(), bits_at);
  uint8_t* pixels = out.data() + bits_at;

  // Only the bits the header names and the block holds are read.
  const uint8_t* p = dib.data() + bits_at;
  const uint8_t* const end = p + std::min<uint64_t>(dib.size() - bits_at, h.biSizeImage);
  int64_t x = 0, y = 0;  // y counts rows from the bottom, as they are stored
  auto set = [&](int64_t at, uint8_t index) {
    uint8_t* row = pixels + static_cast<size_t>(y) * row_bytes;
    if (rle8) {
      row[at] = index;
    } else {
      uint8_t& b = row[at / 2];
      b = (at & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                   : static_cast<uint8_t>((b & 0x0F) | (index << 4));
    }
  };
  // Room for `count` more pixels at the current place.
  auto room = [&](int64_t count) -> RleResult {
    if (y >= rows) return RleResult::kPastPicture;
    if (x + count > width) return RleResult::kRunPastRow;
    return RleResult::kOk;
  };

  for (;;) {
    if (end - p < 2) {
      // Bits that end without the mark but after every row are complete.
      if (y >= rows || (y == rows - 1 && x == width)) break;
      why = RleResult::kTruncated;
      return PackedDib();
    }
    const uint8_t count = p[0], second = p[1];
    p += 2;
    if (count > 0) {
      // A run of `count` pixels: one index, or two alternating at 4 bits.
      if (RleResult r = room(count); r != RleResult::kOk) {
        why = r;
        return PackedDib();
      }
      for (int i = 0; i < count; ++i)
        set(x + i, rle8 ? second : static_cast<uint8_t>((i & 1) ? (second & 0x0F) : (second >> 4)));
      x += count;
      continue;
    }
    if (second == 0) {  // end of line
      if (y >= rows) {
        why = RleResult::kPastPicture;
        return PackedDib();
      }
      x = 0;
      ++y;
      continue;
    }
    if (second == 1) break;  // end of bitmap
    if (second == 2) {       // delta: right and up
      if (end - p < 2) {
        why = RleResult::kTruncated;
        return PackedDib();
      }
      const int64_t dx = p[0], dy = p[1];
      p += 2;
      if (x + dx > width || y + dy >= rows) {
        why = RleResult::kDeltaOutOfRange;
        return PackedDib();
      }
      x += dx;
      y += dy;
      continue;
    }
    // Absolute: `second` indices as they are, padded to a 16-bit boundary.
    const int64_t n = second;
    if (RleResult r = room(n); r != RleResult::kOk) {
      why = r;
      return PackedDib();
    }
    const int64_t bytes = rle8 ? n : (n + 1) / 2;
    if (end - p < bytes) {
      why = RleResult::kTruncated;
      return PackedDib();
    }
    for (int64_t i = 0; i < n; ++i)
      set(x + i, rle8 ? p[i] : static_cast<uint8_t>((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)));
    x += n;
    p += bytes;
    if ((bytes & 1) && p < end) ++p;
  }

  h.biCompression = kBiRgb;
  h.biSizeImage = static_cast<uint32_t>(out_bytes);
  out.set_info(h);
  why = RleResult::kOk;
  return out;
}

PackedDib copy_global_block(const PackedDib& block) {
  if (!block) return PackedDib();
  PackedDib copy = PackedDib::Allocate(block.size());
  if (copy && block.size()) std::memcpy(copy.data(), block.data(), block.size());
  return copy;
}

// ---- palettes ----

Palette dib_make_palette(const PackedDib& dib) {
  Palette palette;
  if (dib.header_size() != kInfoHeaderSize || dib.size() < kInfoHeaderSize) return palette;
  const BitmapInfoHeader h = dib.info();
  const uint32_t colors = dib_color_count(dib);
  if (colors != 0) {
    // Only entries the block really holds.
    if (kInfoHeaderSize + uint64_t{colors} * 4 > dib.size()) return palette;
    const uint8_t* table = dib.data() + kInfoHeaderSize;
    palette.resize(colors);
    for (uint32_t i = 0; i < colors; ++i) {
      palette[i].peBlue = table[i * 4];
      palette[i].peGreen = table[i * 4 + 1];
      palette[i].peRed = table[i * 4 + 2];
      palette[i].peFlags = 0;
    }
  } else if (h.biBitCount == 24) {
    palette.resize(256);
    int i = 0;
    for (int blue = 0; blue < 256; blue += 64) {
      for (int green = 0; green < 256; green += 32) {
        for (int red = 0; red < 256; red += 32) {
          palette[i].peRed = static_cast<uint8_t>(red);
          palette[i].peGreen = static_cast<uint8_t>(green);
          palette[i].peBlue = static_cast<uint8_t>(blue);
          ++i;
        }
      }
    }
  }
  return palette;
}

Palette copy_palette(const Palette& palette) { return palette; }

PackedDib bitmap_info_header(int32_t width, int32_t height, uint16_t planes,
                             uint16_t bits_per_pixel) {
  const uint32_t bits = static_cast<uint32_t>(planes) * bits_per_pixel;
  if (width <= 0 || height <= 0 || bits == 0 || bits > 32 ||
      !ImageSizeAllowed(width, height)) {
    ShowStringMessage(IDS_ERROR_SAVING_FILE, kCaption, kMbIconInformation);
    return PackedDib();
  }
  uint16_t depth = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : bits <= 16 ? 16 : bits <= 24 ? 24 : 32;
  const size_t colors = depth < 24 ? size_t{1} << depth : 0;
  PackedDib dib = PackedDib::Allocate(kInfoHeaderSize + colors * 4);
  if (!dib) {
    ShowStringMessage(IDS_ERROR_SAVING_FILE, kCaption, kMbIconInformation);
    return dib;
  }
  BitmapInfoHeader h;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = planes;
  h.biBitCount = bits_per_pixel;
  h.biCompression = kBiRgb;
  h.biSizeImage = static_cast<uint32_t>(dib_row_bytes(width, depth) * static_cast<uint64_t>(height));
  h.biClrUsed = static_cast<uint32_t>(colors);
  h.biClrImportant = 0;
  dib.set_info(h);
  return dib;
}

}  // namespace quillet
