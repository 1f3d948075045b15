#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/Sketch.h"
#include "imaging/tests/TestSupport.h"

namespace quillet {
namespace {

struct SketchSpec {
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t row_bytes = 0;
  uint8_t flags = 0;
  uint8_t pixel_size = 1;
  uint8_t compression = 0;
};

std::vector<uint8_t> Header(const SketchSpec& s) {
  return {static_cast<uint8_t>(s.width >> 8), static_cast<uint8_t>(s.width),
          static_cast<uint8_t>(s.height >> 8), static_cast<uint8_t>(s.height),
          static_cast<uint8_t>(s.row_bytes >> 8), static_cast<uint8_t>(s.row_bytes),
          s.flags, 0,
          s.pixel_size, 1,
          0, 0,
          0, s.compression,
          0, 0};
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

std::vector<uint8_t> Bytes(const FloatPixel& p) {
  return {float_to_byte(p.red), float_to_byte(p.green), float_to_byte(p.blue)};
}
const std::vector<uint8_t> kWhite = {255, 255, 255};
const std::vector<uint8_t> kBlack = {0, 0, 0};

TEST(SketchPalettes, FixedColours) {
  const FloatPixel* p1 = SketchPalette(1);
  EXPECT_EQ(Bytes(p1[0]), kWhite);
  EXPECT_EQ(Bytes(p1[1]), kBlack);
  const FloatPixel* p2 = SketchPalette(2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Bytes(p2[i])[0], 255 - 85 * i) << i;
  const FloatPixel* p4 = SketchPalette(4);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Bytes(p4[i]), std::vector<uint8_t>(3, 255 - 17 * i)) << i;
  EXPECT_EQ(p4[15].red, 0.0f);
  EXPECT_EQ(p4[3].alpha, 1.0f);

  const FloatPixel* p8 = SketchPalette(8);
  EXPECT_EQ(Bytes(p8[0]), kWhite);
  EXPECT_EQ(Bytes(p8[1]), (std::vector<uint8_t>{0xFF, 0xCC, 0xFF}));
  EXPECT_EQ(Bytes(p8[6]), (std::vector<uint8_t>{0xFF, 0xFF, 0xCC}));
  EXPECT_EQ(Bytes(p8[18]), (std::vector<uint8_t>{0xCC, 0xFF, 0xFF}));
  EXPECT_EQ(Bytes(p8[107]), (std::vector<uint8_t>{0x00, 0x00, 0x99}));
  EXPECT_EQ(Bytes(p8[108]), (std::vector<uint8_t>{0xFF, 0xFF, 0x66}));
  EXPECT_EQ(Bytes(p8[214]), (std::vector<uint8_t>{0x00, 0x33, 0x00}));
  EXPECT_EQ(Bytes(p8[215]), (std::vector<uint8_t>{0x11, 0x11, 0x11}));
  EXPECT_EQ(Bytes(p8[224]), (std::vector<uint8_t>{0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(Bytes(p8[225]), (std::vector<uint8_t>{0xC0, 0xC0, 0xC0}));
  EXPECT_EQ(Bytes(p8[226]), (std::vector<uint8_t>{0x80, 0x00, 0x00}));
  EXPECT_EQ(Bytes(p8[227]), (std::vector<uint8_t>{0x80, 0x00, 0x80}));
  EXPECT_EQ(Bytes(p8[228]), (std::vector<uint8_t>{0x00, 0x80, 0x00}));
  EXPECT_EQ(Bytes(p8[229]), (std::vector<uint8_t>{0x00, 0x80, 0x80}));
  for (int i = 230; i < 256; ++i) EXPECT_EQ(Bytes(p8[i]), kBlack) << i;
  EXPECT_EQ(SketchPalette(16), nullptr);
  EXPECT_EQ(SketchPalette(3), nullptr);
}

TEST(SketchDecoder, OneBitUncompressed160x160) {
  SketchSpec s{160, 160, 20, 0, 1, 0};
  std::vector<uint8_t> bytes = Header(s);
  std::vector<uint8_t> rows(3200, 0);
  rows[0] = 0x80;          // top-left pixel
  rows[20 * 159 + 19] = 0x01;  // bottom-right pixel
  Append(bytes, rows);
  ASSERT_EQ(bytes.size(), 16u + 3200u);
  FloatImage image;
  SketchDecodeInfo info;
  EXPECT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 3200u);
  ASSERT_EQ(image.width(), 160);
  ASSERT_EQ(image.height(), 160);
  EXPECT_EQ(Bytes(image.at(0, 0)), kBlack);
  EXPECT_EQ(Bytes(image.at(1, 0)), kWhite);
  EXPECT_EQ(Bytes(image.at(159, 159)), kBlack);
  EXPECT_EQ(Bytes(image.at(158, 159)), kWhite);
  EXPECT_EQ(Bytes(image.at(0, 1)), kWhite);
  EXPECT_EQ(info.rows_complete, 160u);
  EXPECT_FALSE(info.truncated);
  EXPECT_EQ(info.rows_offset, 16u);
}

TEST(SketchDecoder, ScanLineZeroFlagsRepeatThePreviousRow) {
  // 16 pixels at 1 bit, row bytes 2; one group of 2 per row.
  SketchSpec s{16, 3, 2, kSketchCompressed, 1, kSketchScanLine};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0, 0});          // compressed size, skipped
  Append(bytes, {0x00});          // row 0: nothing new -> previous (zero) row: white
  Append(bytes, {0xC0, 0xF0, 0x0F});  // row 1: both bytes new
  Append(bytes, {0x40, 0xFF});    // row 2: first byte repeated, second new
  FloatImage image;
  SketchDecodeInfo info;
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 6u);
  EXPECT_EQ(info.rows_offset, 18u);
  EXPECT_FALSE(info.truncated);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(Bytes(image.at(x, 0)), kWhite) << x;
  for (int x = 0; x < 16; ++x) {
    const bool black = (x < 4) || (x >= 12);
    EXPECT_EQ(Bytes(image.at(x, 1)), black ? kBlack : kWhite) << x;
    const bool black2 = (x < 4) || (x >= 8);
    EXPECT_EQ(Bytes(image.at(x, 2)), black2 ? kBlack : kWhite) << x;
  }
}

TEST(SketchDecoder, RunLengthRowAndOverlongRuns) {
  SketchSpec s{160, 2, 20, kSketchCompressed, 1, kSketchRunLength};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0, 0});
  Append(bytes, {4, 0xFF, 16, 0x00});
  // A run longer than the row stops at the row's end; the next pair starts
  // the next row.
  Append(bytes, {255, 0x00});
  FloatImage image;
  SketchDecodeInfo info;
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 40u);
  for (int x = 0; x < 160; ++x) {
    EXPECT_EQ(Bytes(image.at(x, 0)), x < 32 ? kBlack : kWhite) << x;
    EXPECT_EQ(Bytes(image.at(x, 1)), kWhite) << x;
  }
  EXPECT_EQ(info.rows_complete, 2u);
  EXPECT_FALSE(info.truncated);
}

TEST(SketchDecoder, OptionalPartsAreSkipped) {
  // Colour table of 256 entries, then rows: 16 + 2 + 1024.
  SketchSpec s{4, 1, 4, kSketchHasColorTable, 8, 0};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0x01, 0x00});
  bytes.resize(bytes.size() + 1024, 0x99);
  Append(bytes, {215, 1, 225, 255});
  FloatImage image;
  SketchDecodeInfo info;
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 4u);
  EXPECT_EQ(info.rows_offset, 16u + 2u + 1024u);
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{0x11, 0x11, 0x11}));
  EXPECT_EQ(Bytes(image.at(1, 0)), (std::vector<uint8_t>{0xFF, 0xCC, 0xFF}));
  EXPECT_EQ(Bytes(image.at(2, 0)), (std::vector<uint8_t>{0xC0, 0xC0, 0xC0}));
  EXPECT_EQ(Bytes(image.at(3, 0)), kBlack);

  // Compressed too: 2 more for the compressed size; direct colour: 8 more.
  s.flags = kSketchHasColorTable | kSketchCompressed | kSketchDirectColor;
  s.compression = 7;  // unknown type: rows stored as they are
  bytes = Header(s);
  Append(bytes, {0x01, 0x00});
  bytes.resize(bytes.size() + 1024 + 8 + 2, 0x99);
  Append(bytes, {215, 1, 225, 255});
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 4u);
  EXPECT_EQ(info.rows_offset, 16u + 2u + 1024u + 8u + 2u);
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{0x11, 0x11, 0x11}));
}

TEST(SketchDecoder, PackBitsAndOtherPixelSizesShowWhite) {
  SketchSpec s{8, 2, 8, kSketchCompressed, 8, kSketchPackBits};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0, 0});
  bytes.resize(bytes.size() + 40, 0xE6);
  FloatImage image;
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image), 16u);
  for (size_t i = 0; i < image.pixel_count(); ++i) EXPECT_EQ(Bytes(image.pixels()[i]), kWhite);

  s = SketchSpec{4, 2, 8, 0, 16, 0};
  bytes = Header(s);
  bytes.resize(bytes.size() + 16, 0x00);
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image), 16u);
  for (size_t i = 0; i < image.pixel_count(); ++i) EXPECT_EQ(Bytes(image.pixels()[i]), kWhite);
}

TEST(SketchDecoder, DecodingTwiceIsTheSameAndLeavesTheBytesAlone) {
  SketchSpec s{32, 8, 16, kSketchCompressed, 4, kSketchScanLine};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0, 0});
  std::mt19937 rng(3);
  for (int row = 0; row < 8; ++row) {
    for (int group = 0; group < 2; ++group) {
      uint8_t flag = static_cast<uint8_t>(rng());
      bytes.push_back(flag);
      for (int k = 0; k < 8; ++k)
        if (flag & (0x80 >> k)) bytes.push_back(static_cast<uint8_t>(rng()));
    }
  }
  const std::vector<uint8_t> original = bytes;
  FloatImage a, b;
  ASSERT_NE(DecodeSketch(bytes.data(), bytes.size(), &a), 0u);
  ASSERT_NE(DecodeSketch(bytes.data(), bytes.size(), &b), 0u);
  EXPECT_EQ(bytes, original);
  EXPECT_EQ(PictureOf(a).rgb, PictureOf(b).rgb);
  // Decoding into an image that held another picture replaces it whole.
  ASSERT_NE(DecodeSketch(bytes.data(), bytes.size(), &a), 0u);
  EXPECT_EQ(PictureOf(a).rgb, PictureOf(b).rgb);
}

TEST(SketchDecoder, DataEndingEarlyNeverReadsPastThem) {
  // Every cut of a compressed and an uncompressed sketch, each copy in its
  // own exactly sized block so that the sanitizer sees any read beyond it.
  std::vector<std::vector<uint8_t>> sketches;
  {
    SketchSpec s{24, 6, 4, kSketchCompressed | kSketchHasColorTable, 8, kSketchScanLine};
    std::vector<uint8_t> b = Header(s);
    Append(b, {0x00, 0x02, 1, 2, 3, 4, 5, 6, 7, 8});
    Append(b, {0, 0});
    for (int row = 0; row < 6; ++row) Append(b, {0xF0, 1, 2, 3, 4});
    sketches.push_back(b);
  }
  {
    SketchSpec s{24, 6, 4, kSketchCompressed, 8, kSketchRunLength};
    std::vector<uint8_t> b = Header(s);
    Append(b, {0, 0});
    for (int row = 0; row < 6; ++row) Append(b, {1, 9, 3, 200});
    sketches.push_back(b);
  }
  {
    SketchSpec s{24, 6, 3, 0, 1, 0};
    std::vector<uint8_t> b = Header(s);
    b.resize(b.size() + 18, 0xAA);
    sketches.push_back(b);
  }
  for (const auto& whole : sketches) {
    uint32_t last_rows = 0;
    for (size_t n = 0; n <= whole.size(); ++n) {
      std::unique_ptr<uint8_t[]> part(new uint8_t[n ? n : 1]);
      std::copy(whole.begin(), whole.begin() + static_cast<long>(n), part.get());
      FloatImage image;
      SketchDecodeInfo info;
      const uint32_t result = DecodeSketch(part.get(), n, &image, &info);
      if (n < kSketchHeaderSize) {
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(image.pixel_count(), 0u);
        continue;
      }
      EXPECT_EQ(image.width(), 24);
      EXPECT_EQ(info.truncated, n < whole.size()) << n;
      EXPECT_GE(info.rows_complete, last_rows);
      last_rows = info.rows_complete;
    }
    EXPECT_EQ(last_rows, 6u);
  }
  FloatImage image;
  EXPECT_EQ(DecodeSketch(nullptr, 100, &image), 0u);
}

TEST(SketchDecoder, RowsShorterThanTheWidthAndAbsurdSizes) {
  // Row bytes 1 for 16 one-bit pixels: only the first 8 can be drawn.
  SketchSpec s{16, 1, 1, 0, 1, 0};
  std::vector<uint8_t> bytes = Header(s);
  bytes.push_back(0xFF);
  FloatImage image;
  ASSERT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image), 1u);
  EXPECT_EQ(Bytes(image.at(7, 0)), kBlack);
  EXPECT_EQ(Bytes(image.at(8, 0)), kWhite);
  EXPECT_EQ(Bytes(image.at(15, 0)), kWhite);

  s = SketchSpec{65535, 65535, 8192, 0, 1, 0};
  bytes = Header(s);
  EXPECT_EQ(DecodeSketch(bytes.data(), bytes.size(), &image), 0u);
  EXPECT_EQ(image.pixel_count(), 0u);
}

TEST(SketchFile, WritesAJpegOfTheSketchOrNothing) {
  testing::ScratchDir dir;
  SketchSpec s{16, 4, 2, 0, 1, 0};
  std::vector<uint8_t> bytes = Header(s);
  Append(bytes, {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00});
  EXPECT_EQ(WriteSketchFile(bytes.data(), bytes.size(), ""), 0);
  const std::string path = dir.File("sketch.jpg");
  ASSERT_EQ(WriteSketchFile(bytes.data(), bytes.size(), path), 0);
  FloatImage back;
  ASSERT_EQ(back.load(path.c_str()), 0);
  EXPECT_EQ(back.width(), 16);
  EXPECT_EQ(back.height(), 4);
  EXPECT_LT(float_to_byte(back.at(0, 0).red), 40);
  EXPECT_GT(float_to_byte(back.at(15, 0).red), 215);
  // Not a sketch at all: no file.
  EXPECT_EQ(WriteSketchFile(bytes.data(), 10, dir.File("none.jpg")), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.jpg")));
}

// ---- against an independent encoder of the handheld bitmap format ----

class NetpbmSketches : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveProgram("pnmtopalm")) GTEST_SKIP() << "netpbm not installed";
  }

  // Encodes `picture` with pnmtopalm and returns the bitmap bytes. The grey
  // depths want a grey input (P5), the 8-bit one a colour input.
  std::vector<uint8_t> Encode(const RgbPicture& picture, const std::string& options, bool grey) {
    const std::string in = dir_.File("in.pnm"), out = dir_.File("out.palm");
    if (grey) {
      std::string head = "P5\n" + std::to_string(picture.width) + " " +
                         std::to_string(picture.height) + "\n255\n";
      std::vector<uint8_t> pgm(head.begin(), head.end());
      for (size_t i = 0; i < picture.rgb.size(); i += 3) pgm.push_back(picture.rgb[i]);
      EXPECT_TRUE(WriteFileBytes(in, pgm));
    } else {
      EXPECT_TRUE(WriteFileBytes(in, PpmBytes(picture)));
    }
    EXPECT_TRUE(testing::Run("pnmtopalm " + options + " " + in + " > " + out + " 2>/dev/null"))
        << options;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(out, &bytes, kMaxPpmFileBytes));
    return bytes;
  }

  // A random picture using only the colours of a palette's first `count`
  // entries, in blocks and single pixels so that runs and repeats occur.
  static RgbPicture FromPalette(int width, int height, int pixel_size, int count, unsigned seed) {
    const FloatPixel* palette = SketchPalette(pixel_size);
    std::mt19937 rng(seed);
    RgbPicture p;
    p.width = width;
    p.height = height;
    p.rgb.resize(static_cast<size_t>(width) * height * 3);
    std::vector<int> row_indices(width);
    for (int y = 0; y < height; ++y) {
      // Some rows repeat the one above, as drawings do.
      if (y == 0 || rng() % 3 != 0) {
        for (int x = 0; x < width; ++x) {
          if (x == 0 || rng() % 4 == 0) row_indices[x] = static_cast<int>(rng() % count);
          else row_indices[x] = row_indices[x - 1];
        }
      }
      for (int x = 0; x < width; ++x) {
        std::vector<uint8_t> c = Bytes(palette[row_indices[x]]);
        std::copy(c.begin(), c.end(), p.rgb.begin() + (static_cast<size_t>(y) * width + x) * 3);
      }
    }
    return p;
  }

  testing::ScratchDir dir_;
};

TEST_F(NetpbmSketches, DecodedPicturesEqualTheEncodersInput) {
  struct Case {
    int pixel_size;
    int colours;
  } cases[] = {{1, 2}, {2, 4}, {4, 16}, {8, 230}};
  const char* compressions[] = {"", "-scanline_compression", "-rle_compression"};
  int checked = 0;
  for (const Case& c : cases) {
    for (const char* compression : compressions) {
      for (int width : {160, 37}) {
        RgbPicture picture = FromPalette(width, 23, c.pixel_size, c.colours,
                                         static_cast<unsigned>(width * 31 + c.pixel_size));
        const std::string options = "-depth " + std::to_string(c.pixel_size) + " " + compression;
        std::vector<uint8_t> bytes = Encode(picture, options, c.pixel_size < 8);
        ASSERT_GE(bytes.size(), kSketchHeaderSize) << options;
        FloatImage image;
        SketchDecodeInfo info;
        ASSERT_NE(DecodeSketch(bytes.data(), bytes.size(), &image, &info), 0u) << options;
        EXPECT_EQ(info.header.pixel_size, c.pixel_size);
        EXPECT_FALSE(info.truncated) << options;
        EXPECT_EQ(image.width(), width);
        EXPECT_EQ(image.height(), 23);
        EXPECT_EQ(PictureOf(image).rgb, picture.rgb) << options << " width " << width;
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 24);
}

TEST_F(NetpbmSketches, EightBitPaletteOrderMatchesTheEncoder) {
  // One pixel of every distinct colour, in index order: the encoder must
  // choose exactly our index for each.
  RgbPicture picture;
  picture.width = 231;
  picture.height = 1;
  for (int i = 0; i < 231; ++i) {
    std::vector<uint8_t> c = Bytes(SketchPalette(8)[i]);
    picture.rgb.insert(picture.rgb.end(), c.begin(), c.end());
  }
  std::vector<uint8_t> bytes = Encode(picture, "-depth 8", false);
  SketchHeader h;
  ASSERT_TRUE(ReadSketchHeader(bytes.data(), bytes.size(), &h));
  ASSERT_EQ(h.flags & (kSketchCompressed | kSketchHasColorTable), 0);
  ASSERT_GE(bytes.size(), kSketchHeaderSize + 230);
  for (int i = 0; i < 230; ++i) EXPECT_EQ(bytes[kSketchHeaderSize + i], i) << i;
  // Black: the encoder picks one of the black entries at the end.
  EXPECT_GE(bytes[kSketchHeaderSize + 230], 230);
}

}  // namespace
}  // namespace quillet
