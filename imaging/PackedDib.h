// Packed device-independent bitmaps: one memory block holding the 40-byte
// information header, the colour table and the pixel bits, in that order.
//
// This is the picture form of .bmp files and of the clipboard. The routines
// here read and describe such blocks; the image window draws them. Every
// routine that can fail returns a null block (or 0), never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace quillet {

// The Windows information header, as it lies little-endian in the block.
struct BitmapInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: bottom-up rows
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

inline constexpr uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
inline constexpr uint32_t kCoreHeaderSize = 12;  // the older BITMAPCOREHEADER
inline constexpr uint32_t kBiRgb = 0;            // no compression
inline constexpr uint32_t kBiRle8 = 1;           // 8-bit run-length bits
inline constexpr uint32_t kBiRle4 = 2;           // 4-bit run-length bits
inline constexpr uint32_t kBiBitfields = 3;      // 16 or 32 bits taken apart by masks
inline constexpr uint16_t kBmpFileType = 0x4D42; // "BM"

// Reads the 40 header bytes at `bytes` / writes them back.
BitmapInfoHeader parse_info_header(const uint8_t* bytes);
void store_info_header(const BitmapInfoHeader& header, uint8_t* bytes);

// Bytes of one stored row: ((width x bit count + 31) / 32) x 4. Computed
// wide so that no header can make it wrap.
uint64_t dib_row_bytes(int64_t width, uint32_t bit_count);

// One owned, zero-filled block. A default-constructed block is the null
// block that failing routines return.
class PackedDib {
 public:
  PackedDib() = default;
  PackedDib(PackedDib&&) noexcept = default;
  PackedDib& operator=(PackedDib&&) noexcept = default;
  PackedDib(const PackedDib&) = delete;
  PackedDib& operator=(const PackedDib&) = delete;

  // A zero-filled block of `size` bytes; null when the memory cannot be had.
  static PackedDib Allocate(size_t size);
  // Grows (or shrinks) the block, keeping its contents; new bytes are zero.
  // False, with the block unchanged, when the memory cannot be had.
  bool Resize(size_t size);

  explicit operator bool() const { return data_ != nullptr; }
  uint8_t* data() { return data_.get(); }
  const uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }

  // The first header field (12 for the older header, 40 otherwise); 0 for a
  // block too small to tell.
  uint32_t header_size() const;
  // The 40-byte header; a zero header when the block holds no such header.
  BitmapInfoHeader info() const;
  void set_info(const BitmapInfoHeader& header);

 private:
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t[], Free> data_;
  size_t size_ = 0;
};

// Colour-table entries: 2 for 1 bit, 16 for 4, 256 for 8, 0 otherwise; a
// non-zero biClrUsed of a 40-byte header is taken as it is.
uint32_t dib_color_count(const PackedDib& dib);
// Colour-table bytes: 3 per entry after an older header, 4 otherwise.
uint32_t dib_palette_bytes(const PackedDib& dib);
// Where the bits start: header size + colour table.
size_t dib_bits_offset(const PackedDib& dib);

// The file a .bmp is read from. Reading goes through this so that the same
// code serves files and bytes in memory (the clipboard, tests, fuzzing).
class DibReader {
 public:
  virtual ~DibReader() = default;
  // Copies up to `count` bytes; fewer at the end of the data.
  virtual size_t Read(void* dest, size_t count) = 0;
  virtual int64_t Tell() = 0;
  virtual bool Seek(int64_t position) = 0;
  // Total bytes, or -1 when unknown.
  virtual int64_t Size() = 0;
};

class FileDibReader : public DibReader {
 public:
  explicit FileDibReader(std::FILE* file) : file_(file) {}
  size_t Read(void* dest, size_t count) override;
  int64_t Tell() override;
  bool Seek(int64_t position) override;
  int64_t Size() override;

 private:
  std::FILE* file_;
};

class MemoryDibReader : public DibReader {
 public:
  MemoryDibReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  size_t Read(void* dest, size_t count) override;
  int64_t Tell() override { return position_; }
  bool Seek(int64_t position) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }

 private:
  const uint8_t* bytes_;
  size_t size_;
  int64_t position_ = 0;
};

// Reads a whole .bmp: header, colour table and bits. Null on any failure.
// The later information headers (52, 56, 108 and 124 bytes) are read as the
// 40-byte one. 16- and 32-bit bits (5-5-5 and 8-8-8 without masks, or the
// masks the file gives) come back as a 24-bit block; masks that are zero,
// share bits or reach past the pixel are refused.
PackedDib dib_read_file(const char* path);
PackedDib dib_read_file(DibReader& file);

// Reads the header and colour table and leaves the file at the first byte of
// the bits. A file without "BM" is read as starting with the information
// header; the older 12-byte header, and the later ones, come back as a
// 40-byte one, the older one's 3-byte colour entries widened to 4. 16 and
// 32 bits come back with kBiBitfields and no table (the masks are checked
// and passed over). Null when the file is not a bitmap we can hold.
PackedDib dib_read_header(DibReader& file);

// Reads `count` bytes of bits into `dest` in pieces of 32768 bytes; returns
// `count`, or 0 when any piece comes back short.
inline constexpr uint32_t kDibReadPiece = 32768;
uint32_t dib_read_bits(DibReader& file, uint8_t* dest, uint32_t count);

// Copies the 40-byte header to `out`, filling biSizeImage and biClrUsed where
// they are 0. False for a block without a header.
bool dib_info(const PackedDib& dib, BitmapInfoHeader* out);

// Why run-length bits could not be expanded.
enum class RleResult {
  kOk,
  kNotRunLength,   // not RLE8 with 8 bits or RLE4 with 4 bits
  kTopDown,        // run-length bitmaps are bottom-up only
  kTruncated,      // the bits end before the end-of-bitmap mark
  kRunPastRow,     // a run or literal goes past the end of its row
  kPastPicture,    // pixels or a line end after the last row
  kDeltaOutOfRange,
  kNoMemory,
};
// The reason in words, for the log.
const char* rle_result_text(RleResult result);

// Expands a block whose bits are run-length encoded (kBiRle8 at 8 bits,
// kBiRle4 at 4 bits) into an uncompressed block of the same depth and
// colour table, rows bottom-up. Pixels the bits skip (a delta, an early end
// of line or of bitmap) keep colour index 0. Every run is checked against
// its row and the picture and every read against the bits the block holds:
// null, with the reason in *result, for bits that break the format.
PackedDib dib_expand_rle(const PackedDib& dib, RleResult* result = nullptr);

// A new block of the same size and contents; null for a null block or when
// the memory cannot be had.
PackedDib copy_global_block(const PackedDib& block);

// A logical palette as data: the image window realises it on the device.
struct PaletteEntry {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
};
inline constexpr uint16_t kPaletteVersion = 0x300;
// Empty means "no palette".
using Palette = std::vector<PaletteEntry>;

// One entry per colour-table entry; for 24 bits without a table the fixed
// 8 x 8 x 4 palette (red fastest, blue slowest); otherwise none.
Palette dib_make_palette(const PackedDib& dib);
Palette copy_palette(const Palette& palette);

// A description of a device bitmap of the given size and format, as the
// clipboard wants it: a zero-filled block with a 40-byte header and room for
// 2^depth colour entries below 24 bits. Shows "Error saving file." and
// returns null when the bitmap cannot be described.
PackedDib bitmap_info_header(int32_t width, int32_t height, uint16_t planes,
                             uint16_t bits_per_pixel);

}  // namespace quillet
