#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "imaging/PackedDib.h"
#include "imaging/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> FileHeader(uint32_t file_size, uint32_t pixel_offset) {
  std::vector<uint8_t> b = {'B', 'M'};
  Put32(b, file_size);
  Put32(b, 0);
  Put32(b, pixel_offset);
  return b;
}

std::vector<uint8_t> InfoHeader(int32_t width, int32_t height, uint16_t bits,
                                uint32_t compression = 0, uint32_t size_image = 0,
                                uint32_t clr_used = 0) {
  std::vector<uint8_t> b;
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, compression);
  Put32(b, size_image);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, clr_used);
  Put32(b, 0);
  return b;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// A reader that notes the size of every read, to see how the bits are taken.
class CountingReader : public MemoryDibReader {
 public:
  using MemoryDibReader::MemoryDibReader;
  size_t Read(void* dest, size_t count) override {
    reads.push_back(count);
    return MemoryDibReader::Read(dest, count);
  }
  std::vector<size_t> reads;
};

TEST(PackedDib, OlderHeaderWith256ColoursBecomesAFortyByteHeader) {
  // 12-byte header, 256 three-byte entries, then a 4 x 2 8-bit picture.
  std::vector<uint8_t> body;
  Put32(body, 12);
  Put16(body, 4);
  Put16(body, 2);
  Put16(body, 1);
  Put16(body, 8);
  for (int i = 0; i < 256; ++i) {
    body.push_back(static_cast<uint8_t>(i));        // blue
    body.push_back(static_cast<uint8_t>(255 - i));  // green
    body.push_back(static_cast<uint8_t>(i ^ 0x5A)); // red
  }
  const std::vector<uint8_t> bits = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> file = FileHeader(0, static_cast<uint32_t>(14 + body.size()));
  Append(file, body);
  Append(file, bits);

  MemoryDibReader reader(file.data(), file.size());
  PackedDib dib = dib_read_file(reader);
  ASSERT_TRUE(dib);
  BitmapInfoHeader h = dib.info();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 4);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 8);
  EXPECT_EQ(h.biClrUsed, 256u);
  EXPECT_EQ(h.biSizeImage, 8u);
  EXPECT_EQ(dib_color_count(dib), 256u);
  EXPECT_EQ(dib_palette_bytes(dib), 1024u);
  ASSERT_EQ(dib.size(), 40u + 1024u + 8u);
  const uint8_t* table = dib.data() + 40;
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(table[i * 4], i) << i;
    ASSERT_EQ(table[i * 4 + 1], 255 - i) << i;
    ASSERT_EQ(table[i * 4 + 2], i ^ 0x5A) << i;
    ASSERT_EQ(table[i * 4 + 3], 0) << i;
  }
  EXPECT_EQ(std::memcmp(dib.data() + dib_bits_offset(dib), bits.data(), bits.size()), 0);
}

TEST(PackedDib, TinyOlderHeaderFileShorterThanFortyBytesStillReads) {
  // 1 x 1 at 1 bit: 12 + 6 + 4 bytes, less than one 40-byte header.
  std::vector<uint8_t> file;
  Put32(file, 12);
  Put16(file, 1);
  Put16(file, 1);
  Put16(file, 1);
  Put16(file, 1);
  Append(file, {0, 0, 0, 255, 255, 255});
  Append(file, {0x80, 0, 0, 0});
  MemoryDibReader reader(file.data(), file.size());
  PackedDib dib = dib_read_file(reader);
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib.info().biClrUsed, 2u);
  EXPECT_EQ(dib.data()[40 + 4], 255);
  EXPECT_EQ(dib.data()[40 + 8], 0x80);
}

TEST(PackedDib, FileWithoutBmIsReadFromTheInformationHeader) {
  std::vector<uint8_t> file = InfoHeader(2, 2, 24);
  const std::vector<uint8_t> bits = {10, 11, 12, 13, 14, 15, 0, 0, 20, 21, 22, 23, 24, 25, 0, 0};
  Append(file, bits);
  MemoryDibReader reader(file.data(), file.size());
  PackedDib dib = dib_read_file(reader);
  ASSERT_TRUE(dib);
  EXPECT_EQ(dib.info().biSizeImage, 16u);
  EXPECT_EQ(dib_color_count(dib), 0u);
  ASSERT_EQ(dib.size(), 40u + 16u);
  EXPECT_EQ(std::memcmp(dib.data() + 40, bits.data(), 16), 0);
}

TEST(PackedDib, HeaderReadLeavesTheFileAtThePixelOffset) {
  // A gap of junk between the colour table and the bits.
  std::vector<uint8_t> body = InfoHeader(8, 1, 1);
  Append(body, {0, 0, 0, 0, 255, 255, 255, 0});
  Append(body, {0xEE, 0xEE, 0xEE});
  std::vector<uint8_t> file = FileHeader(0, static_cast<uint32_t>(14 + body.size()));
  Append(file, body);
  Append(file, {0xA5, 0, 0, 0});
  MemoryDibReader reader(file.data(), file.size());
  PackedDib dib = dib_read_header(reader);
  ASSERT_TRUE(dib);
  EXPECT_EQ(reader.Tell(), static_cast<int64_t>(file.size() - 4));
  uint8_t first = 0;
  reader.Read(&first, 1);
  EXPECT_EQ(first, 0xA5);
}

TEST(PackedDib, HeaderFieldsAndColourCounts) {
  std::vector<uint8_t> h = InfoHeader(3, 3, 4, 0, 0, 0);
  PackedDib dib = PackedDib::Allocate(40);
  std::memcpy(dib.data(), h.data(), 40);
  EXPECT_EQ(dib_color_count(dib), 16u);
  BitmapInfoHeader info;
  ASSERT_TRUE(dib_info(dib, &info));
  EXPECT_EQ(info.biSizeImage, 12u);  // 4-byte rows x 3
  EXPECT_EQ(info.biClrUsed, 16u);
  // The block itself is not changed by dib_info.
  EXPECT_EQ(dib.info().biSizeImage, 0u);

  h = InfoHeader(3, 3, 8, 0, 0, 7);
  std::memcpy(dib.data(), h.data(), 40);
  EXPECT_EQ(dib_color_count(dib), 7u);
  EXPECT_EQ(dib_palette_bytes(dib), 28u);

  h = InfoHeader(3, 3, 24);
  std::memcpy(dib.data(), h.data(), 40);
  EXPECT_EQ(dib_color_count(dib), 0u);

  EXPECT_FALSE(dib_info(PackedDib(), &info));
}

TEST(PackedDib, TwentyFourBitsGetTheFixedPaletteOthersFollowTheirTable) {
  PackedDib dib = PackedDib::Allocate(40);
  std::vector<uint8_t> h = InfoHeader(1, 1, 24);
  std::memcpy(dib.data(), h.data(), 40);
  Palette p = dib_make_palette(dib);
  ASSERT_EQ(p.size(), 256u);
  auto rgb = [&](int i) { return std::vector<int>{p[i].peRed, p[i].peGreen, p[i].peBlue}; };
  EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(rgb(1), (std::vector<int>{32, 0, 0}));
  EXPECT_EQ(rgb(8), (std::vector<int>{0, 32, 0}));
  EXPECT_EQ(rgb(64), (std::vector<int>{0, 0, 64}));
  EXPECT_EQ(rgb(255), (std::vector<int>{224, 224, 192}));

  for (uint16_t bits : {16, 32}) {
    h = InfoHeader(1, 1, bits);
    std::memcpy(dib.data(), h.data(), 40);
    EXPECT_TRUE(dib_make_palette(dib).empty()) << bits;
  }

  // A colour table: red, green and blue taken over from blue-green-red entries.
  PackedDib with_table = PackedDib::Allocate(40 + 8);
  h = InfoHeader(1, 1, 1);
  std::memcpy(with_table.data(), h.data(), 40);
  const uint8_t table[8] = {1, 2, 3, 0, 200, 150, 100, 0};
  std::memcpy(with_table.data() + 40, table, 8);
  p = dib_make_palette(with_table);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].peRed, 3);
  EXPECT_EQ(p[0].peBlue, 1);
  EXPECT_EQ(p[1].peRed, 100);
  EXPECT_EQ(p[1].peGreen, 150);
  EXPECT_EQ(p[1].peBlue, 200);
  EXPECT_EQ(copy_palette(p).size(), 2u);

  // A table the block does not hold gives no palette rather than a read past it.
  PackedDib short_table = PackedDib::Allocate(40 + 4);
  h = InfoHeader(1, 1, 8);
  std::memcpy(short_table.data(), h.data(), 40);
  EXPECT_TRUE(dib_make_palette(short_table).empty());
}

TEST(PackedDib, BitsAreReadInPiecesOf32768) {
  std::vector<uint8_t> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  CountingReader reader(data.data(), data.size());
  std::vector<uint8_t> out(100000);
  EXPECT_EQ(dib_read_bits(reader, out.data(), 100000), 100000u);
  EXPECT_EQ(reader.reads, (std::vector<size_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(out, data);

  CountingReader short_reader(data.data(), 99999);
  EXPECT_EQ(dib_read_bits(short_reader, out.data(), 100000), 0u);
}

TEST(PackedDib, LyingHeadersAreRefusedOrMadeSafe) {
  // biSizeImage far beyond the file: refused before allocating.
  std::vector<uint8_t> file = InfoHeader(4, 4, 24, 0, 0xF0000000u);
  file.resize(file.size() + 64);
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_file(reader));
  }
  // Absurd width x height.
  file = InfoHeader(60000, 60000, 24);
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_header(reader));
  }
  // A colour count no bitmap has.
  file = InfoHeader(4, 4, 8, 0, 0, 0xFFFFFFFFu);
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_header(reader));
  }
  // Colour table cut short.
  file = InfoHeader(4, 4, 8);
  file.resize(file.size() + 100);
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_header(reader));
  }
  // Other header sizes, zero or negative widths, unknown depths.
  for (auto bad : {InfoHeader(0, 4, 24), InfoHeader(-4, 4, 24), InfoHeader(4, 0, 24),
                   InfoHeader(4, 4, 0), InfoHeader(4, 4, 64)}) {
    MemoryDibReader reader(bad.data(), bad.size());
    EXPECT_FALSE(dib_read_header(reader));
  }
  file = InfoHeader(4, 4, 24);
  file[0] = 108;
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_header(reader));
  }
  // An uncompressed header claiming fewer bits than its rows need: the block
  // holds the whole rows, so nothing that draws it can run past the end.
  file = InfoHeader(4, 4, 24, 0, 8);
  file.resize(file.size() + 48, 0x33);
  {
    MemoryDibReader reader(file.data(), file.size());
    PackedDib dib = dib_read_file(reader);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib.info().biSizeImage, 48u);
    EXPECT_EQ(dib.size(), 40u + 48u);
  }
  // ... and when the file lacks them it is refused.
  file.resize(40 + 20);
  {
    MemoryDibReader reader(file.data(), file.size());
    EXPECT_FALSE(dib_read_file(reader));
  }
}

TEST(PackedDib, ReadsWhatNetpbmWrites) {
  if (!testing::HaveProgram("ppmtobmp")) GTEST_SKIP() << "netpbm not installed";
  testing::ScratchDir dir;
  RgbPicture picture = testing::PhotoLike(13, 7, 5);
  ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), PpmBytes(picture)));
  ASSERT_TRUE(testing::Run("ppmtobmp -windows -bpp 24 " + dir.File("in.ppm") + " > " +
                           dir.File("in.bmp") + " 2>/dev/null"));
  PackedDib dib = dib_read_file(dir.File("in.bmp").c_str());
  ASSERT_TRUE(dib);
  ASSERT_EQ(dib.info().biWidth, 13);
  const uint8_t* bits = dib.data() + dib_bits_offset(dib);
  const size_t stride = dib_row_bytes(13, 24);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 13; ++x) {
      const uint8_t* px = bits + (6 - y) * stride + x * 3;
      const uint8_t* want = &picture.rgb[(y * 13 + x) * 3];
      ASSERT_EQ(px[2], want[0]);
      ASSERT_EQ(px[1], want[1]);
      ASSERT_EQ(px[0], want[2]);
    }
  }
  EXPECT_FALSE(dib_read_file(dir.File("missing.bmp").c_str()));
}

TEST(PackedDib, CopiesAreEqualAndIndependent) {
  PackedDib a = PackedDib::Allocate(100);
  for (int i = 0; i < 100; ++i) a.data()[i] = static_cast<uint8_t>(i);
  PackedDib b = copy_global_block(a);
  ASSERT_TRUE(b);
  ASSERT_EQ(b.size(), 100u);
  EXPECT_EQ(std::memcmp(a.data(), b.data(), 100), 0);
  b.data()[0] = 99;
  EXPECT_EQ(a.data()[0], 0);
  EXPECT_FALSE(copy_global_block(PackedDib()));
  // Growing keeps the contents and zero-fills the rest.
  ASSERT_TRUE(a.Resize(200));
  EXPECT_EQ(a.data()[99], 99);
  EXPECT_EQ(a.data()[150], 0);
}

TEST(PackedDib, BitmapInfoHeaderDescribesDeviceBitmaps) {
  PackedDib d24 = bitmap_info_header(10, 5, 1, 24);
  ASSERT_TRUE(d24);
  EXPECT_EQ(d24.size(), 40u);
  BitmapInfoHeader h = d24.info();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(h.biSizeImage, 32u * 5);  // 30 bytes padded to 32

  PackedDib d8 = bitmap_info_header(10, 5, 1, 8);
  ASSERT_TRUE(d8);
  EXPECT_EQ(d8.size(), 40u + 1024u);
  EXPECT_EQ(d8.info().biClrUsed, 256u);
  EXPECT_EQ(d8.info().biSizeImage, 12u * 5);

  // Depth is rounded up, the bit count kept as the bitmap has it.
  PackedDib d2 = bitmap_info_header(3, 1, 1, 2);
  ASSERT_TRUE(d2);
  EXPECT_EQ(d2.info().biBitCount, 2);
  EXPECT_EQ(d2.info().biClrUsed, 16u);
  EXPECT_EQ(d2.size(), 40u + 64u);
  PackedDib d15 = bitmap_info_header(3, 1, 1, 15);
  ASSERT_TRUE(d15);
  EXPECT_EQ(d15.info().biClrUsed, 65536u);
  PackedDib planes = bitmap_info_header(8, 1, 4, 1);  // 4 planes of 1 bit
  ASSERT_TRUE(planes);
  EXPECT_EQ(planes.info().biSizeImage, 4u);

  RecordingUI ui;
  ScopedUI scope(&ui);
  EXPECT_FALSE(bitmap_info_header(0, 5, 1, 24));
  EXPECT_FALSE(bitmap_info_header(10, 5, 0, 24));
  EXPECT_EQ(ui.MessageIds(), (std::vector<int>{IDS_ERROR_SAVING_FILE, IDS_ERROR_SAVING_FILE}));
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_EQ(ui.messages[0].flags, static_cast<unsigned>(kMbIconInformation));
}

// ---- run-length bits ----

// A .bmp without a file header whose bits are the run-length codes `runs`,
// read as the window reads it; its header names `size_image` bytes of bits
// (the length of `runs` unless given).
PackedDib RleDib(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& runs,
                 int64_t size_image = -1) {
  std::vector<uint8_t> file =
      InfoHeader(width, height, bits, bits == 8 ? kBiRle8 : kBiRle4,
                 static_cast<uint32_t>(size_image < 0 ? runs.size() : size_image), 16);
  for (int i = 0; i < 16; ++i) Append(file, {static_cast<uint8_t>(i), 0, 0, 0});
  Append(file, runs);
  MemoryDibReader reader(file.data(), file.size());
  return dib_read_file(reader);
}

// The colour index at (x, y) of an expanded block, y counted from the top.
int IndexAt(const PackedDib& dib, int x, int y) {
  const BitmapInfoHeader h = dib.info();
  const uint64_t row_bytes = dib_row_bytes(h.biWidth, h.biBitCount);
  const uint8_t* row = dib.data() + dib_bits_offset(dib) + (h.biHeight - 1 - y) * row_bytes;
  return h.biBitCount == 8 ? row[x] : (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
}

std::vector<std::vector<int>> Indices(const PackedDib& dib) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < dib.info().biHeight; ++y) {
    rows.emplace_back();
    for (int x = 0; x < dib.info().biWidth; ++x) rows.back().push_back(IndexAt(dib, x, y));
  }
  return rows;
}

TEST(RunLengthBits, EightBitRunsLiteralsLineEndsDeltasAndTheEnd) {
  // Rows as stored, bottom first.
  const std::vector<uint8_t> runs = {
      3, 1,  0, 3, 2, 3, 4, 0,  0, 0,  // run, literal of 3 padded to 4, end of line
      0, 2, 2, 0,  2, 5,  0, 0,        // a delta two to the right, a run
      6, 7,  0, 1,                     // the top row whole, end of bitmap
  };
  const PackedDib dib = RleDib(6, 3, 8, runs);
  ASSERT_TRUE(dib);
  RleResult why = RleResult::kTruncated;
  const PackedDib out = dib_expand_rle(dib, &why);
  ASSERT_TRUE(out) << rle_result_text(why);
  EXPECT_EQ(why, RleResult::kOk);
  EXPECT_EQ(out.info().biCompression, kBiRgb);
  EXPECT_EQ(out.info().biSizeImage, 8u * 3);
  EXPECT_EQ(out.size(), 40u + 64u + 24u);
  EXPECT_EQ(std::memcmp(out.data() + 40, dib.data() + 40, 64), 0);  // the same table
  EXPECT_EQ(Indices(out), (std::vector<std::vector<int>>{
                              {7, 7, 7, 7, 7, 7}, {0, 0, 5, 5, 0, 0}, {1, 1, 1, 2, 3, 4}}));

  // A delta up a row keeps the column; what it skips stays index 0. Bits
  // that end after the last row's end of line need no end-of-bitmap mark.
  const PackedDib up = dib_expand_rle(RleDib(4, 3, 8, {2, 9, 0, 2, 1, 2, 1, 8, 0, 0}));
  ASSERT_TRUE(up);
  EXPECT_EQ(Indices(up), (std::vector<std::vector<int>>{{0, 0, 0, 8}, {0, 0, 0, 0}, {9, 9, 0, 0}}));
}

TEST(RunLengthBits, FourBitRunsAlternateAndLiteralsArePaddedToAWord) {
  const std::vector<uint8_t> runs = {
      0, 5, 0x12, 0x34, 0x50, 0,  // five literal nibbles in three bytes, padded
      2, 0x67,  0, 0,             // a run of two alternating, end of line
      7, 0xAB,  0, 0,             // the top row, end of line
      0, 1,                       // end of bitmap after the last row
  };
  const PackedDib out = dib_expand_rle(RleDib(7, 2, 4, runs));
  ASSERT_TRUE(out);
  EXPECT_EQ(out.info().biSizeImage, 4u * 2);
  EXPECT_EQ(Indices(out), (std::vector<std::vector<int>>{{10, 11, 10, 11, 10, 11, 10}, {1, 2, 3, 4, 5, 6, 7}}));
  // A literal of four nibbles is two bytes: no padding.
  const PackedDib even = dib_expand_rle(RleDib(4, 1, 4, {0, 4, 0x98, 0x76, 0, 1}));
  ASSERT_TRUE(even);
  EXPECT_EQ(Indices(even), (std::vector<std::vector<int>>{{9, 8, 7, 6}}));
}

// Crafted bits never write outside the picture nor read past the bits:
// each is refused with its reason.
TEST(RunLengthBits, BitsThatBreakTheFormatAreRefusedWithTheirReason) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
    std::vector<uint8_t> runs;
    RleResult why;
  } cases[] = {
      {4, 2, 8, {5, 1, 0, 1}, RleResult::kRunPastRow},
      {4, 2, 8, {3, 1, 2, 1, 0, 1}, RleResult::kRunPastRow},           // two runs past the end
      {4, 2, 8, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, RleResult::kRunPastRow},  // a literal
      {5, 1, 4, {0, 3, 0x12, 0x30, 4, 0x11, 0, 1}, RleResult::kRunPastRow},
      {4, 2, 8, {0, 2, 5, 0, 0, 1}, RleResult::kDeltaOutOfRange},
      {4, 2, 8, {0, 2, 0, 2, 0, 1}, RleResult::kDeltaOutOfRange},
      {4, 2, 8, {0, 2, 255, 255, 1, 1, 0, 1}, RleResult::kDeltaOutOfRange},
      {4, 2, 8, {4, 1, 0, 0, 4, 1, 0, 0, 1, 1, 0, 1}, RleResult::kPastPicture},
      {4, 2, 8, {4, 1, 0, 0, 4, 1, 0, 0, 0, 0, 0, 1}, RleResult::kPastPicture},
      {4, 2, 8, {0, 4, 1, 2}, RleResult::kTruncated},  // a literal of 4 with 2 bytes
      {4, 2, 8, {4, 1, 0, 0}, RleResult::kTruncated},  // one row of two, no end
      {4, 2, 8, {4, 1, 0, 2, 1}, RleResult::kTruncated},  // a delta cut short
      {4, 2, 8, {4}, RleResult::kTruncated},
      {4, 2, 4, {4, 0x11, 0, 1}, RleResult::kNotRunLength},  // the header says RLE8
  };
  for (const Case& c : cases) {
    PackedDib dib = RleDib(c.width, c.height, c.bits, c.runs);
    ASSERT_TRUE(dib);
    if (c.why == RleResult::kNotRunLength) {
      BitmapInfoHeader h = dib.info();
      h.biCompression = kBiRle8;
      dib.set_info(h);
    }
    RleResult why = RleResult::kOk;
    EXPECT_FALSE(dib_expand_rle(dib, &why)) << static_cast<int>(c.why);
    EXPECT_EQ(why, c.why) << rle_result_text(why) << ", expected " << rle_result_text(c.why);
  }
  // Run-length bitmaps are bottom-up only.
  PackedDib down = RleDib(4, 2, 8, {4, 1, 0, 0, 4, 2, 0, 1});
  BitmapInfoHeader h = down.info();
  h.biHeight = -2;
  down.set_info(h);
  RleResult why = RleResult::kOk;
  EXPECT_FALSE(dib_expand_rle(down, &why));
  EXPECT_EQ(why, RleResult::kTopDown);
  // Uncompressed bits are not run-length bits.
  PackedDib plain = bitmap_info_header(4, 2, 1, 8);
  EXPECT_FALSE(dib_expand_rle(plain, &why));
  EXPECT_EQ(why, RleResult::kNotRunLength);
}

// Every shorter piece of good bits, held in a block exactly that long, is
// refused as cut short or read whole; a header naming more bits than the
// block holds reads only what it holds.
TEST(RunLengthBits, EveryCutOfGoodBitsIsTruncatedNeverReadPast) {
  const std::vector<uint8_t> runs = {0, 3, 2, 3, 4, 0, 3, 1, 0, 0, 0, 2, 2, 0, 2, 5, 0, 0, 6, 7, 0, 1};
  const PackedDib whole = RleDib(6, 3, 8, runs);
  ASSERT_TRUE(whole);
  const size_t bits_at = dib_bits_offset(whole);
  for (size_t cut = 0; cut < runs.size(); ++cut) {
    PackedDib piece = copy_global_block(whole);
    ASSERT_TRUE(piece.Resize(bits_at + cut));
    RleResult why = RleResult::kOk;
    const PackedDib out = dib_expand_rle(piece, &why);
    // Cut after the top row's run the picture is whole already.
    if (cut >= runs.size() - 2) {
      EXPECT_TRUE(out) << cut;
    } else {
      EXPECT_FALSE(out) << cut;
      EXPECT_EQ(why, RleResult::kTruncated) << cut;
    }
  }
  // The header names fewer bits than the file has: only those are read.
  RleResult why = RleResult::kOk;
  EXPECT_FALSE(dib_expand_rle(RleDib(6, 3, 8, runs, 10), &why));
  EXPECT_EQ(why, RleResult::kTruncated);
  // The header names more bits than the file has: the file is refused.
  EXPECT_FALSE(RleDib(6, 3, 8, runs, 100));
  // The header names none: the rest of the file is the bits.
  const PackedDib unnamed = RleDib(6, 3, 8, runs, 0);
  ASSERT_TRUE(unnamed);
  EXPECT_EQ(unnamed.info().biSizeImage, runs.size());
  EXPECT_TRUE(dib_expand_rle(unnamed));
}

}  // namespace
}  // namespace quillet
