#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "imaging/PackedDib.h"
#include "imaging/tests/TestSupport.h"

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
  ASSERT_TRUE(write_file(dir.File("in.ppm"), ppm_bytes(picture)));
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

}  // namespace
}  // namespace quillet
