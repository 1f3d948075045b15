#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "imaging/FloatImage.h"
#include "imaging/JpegFile.h"
#include "imaging/Ppm.h"
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

// A .bmp with a file header; `rows` are the stored rows as they lie.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                         const std::vector<uint8_t>& rows, uint32_t table_entries = 0) {
  std::vector<uint8_t> b = {'B', 'M'};
  const uint32_t offset = 14 + 40 + table_entries * 4;
  Put32(b, static_cast<uint32_t>(offset + rows.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, compression);
  Put32(b, static_cast<uint32_t>(rows.size()));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, table_entries);
  Put32(b, 0);
  b.resize(b.size() + table_entries * 4, 0x77);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

std::vector<uint8_t> Bytes(const FloatPixel& p) {
  return {float_to_byte(p.red), float_to_byte(p.green), float_to_byte(p.blue)};
}

TEST(FloatConversions, ExactValues) {
  EXPECT_EQ(float_to_byte(1.2f), 255);
  EXPECT_EQ(float_to_byte(-0.1f), 0);
  EXPECT_EQ(float_to_byte(0.5f), 127);
  EXPECT_EQ(float_to_byte(1.0f), 255);
  EXPECT_EQ(float_to_byte(0.999f), 254);
  EXPECT_EQ(float_to_byte(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(float_to_byte(1e30f), 255);
  EXPECT_EQ(float_to_byte(-1e30f), 0);

  EXPECT_EQ(byte_to_float(0), 0.0f);
  EXPECT_EQ(byte_to_float(255), 1.0f);  // 255 x 0.003921569 is just above 1: clamped
  EXPECT_EQ(byte_to_float(1), static_cast<float>(0.003921569));
  // Every byte survives the trip through float.
  for (int b = 0; b < 256; ++b) ASSERT_EQ(float_to_byte(byte_to_float(static_cast<uint8_t>(b))), b);
}

TEST(FloatImage, CreateMakesOpaqueWhiteAndRefusesTheAbsurd) {
  FloatImage image;
  ASSERT_EQ(image.create(3, 2), 0);
  EXPECT_EQ(image.width(), 3);
  EXPECT_EQ(image.height(), 2);
  ASSERT_EQ(image.pixel_count(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const FloatPixel& p = image.pixels()[i];
    EXPECT_EQ(p.red, 1.0f);
    EXPECT_EQ(p.green, 1.0f);
    EXPECT_EQ(p.blue, 1.0f);
    EXPECT_EQ(p.alpha, 1.0f);
  }
  EXPECT_NE(image.create(65535, 65535), 0);
  EXPECT_EQ(image.pixels(), nullptr);
  EXPECT_EQ(image.width(), 0);
  EXPECT_NE(image.create(-1, 5), 0);

  // Without the fill: the size, and the same refusals before any memory.
  ASSERT_EQ(image.create_for_overwrite(4, 3), 0);
  EXPECT_EQ(image.width(), 4);
  EXPECT_EQ(image.height(), 3);
  EXPECT_EQ(image.pixel_count(), 12u);
  EXPECT_NE(image.pixels(), nullptr);
  EXPECT_NE(image.create_for_overwrite(65535, 65535), 0);
  EXPECT_EQ(image.pixels(), nullptr);
  EXPECT_EQ(image.pixel_count(), 0u);
  EXPECT_NE(image.create_for_overwrite(5, -1), 0);

  // create still whitens memory that held a dark, clear picture before.
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(image.create(64, 64), 0);
    for (size_t i = 0; i < image.pixel_count(); ++i) image.pixels()[i] = FloatPixel{0.0f, 0.0f, 0.0f, 0.0f};
  }
  ASSERT_EQ(image.create(64, 64), 0);
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    const FloatPixel& p = image.pixels()[i];
    ASSERT_TRUE(p.red == 1.0f && p.green == 1.0f && p.blue == 1.0f && p.alpha == 1.0f) << "pixel " << i;
  }
}

TEST(FloatImage, DibSectionOfFiveByTwoIsEightWideBottomUpWithBlackPadding) {
  FloatImage image;
  ASSERT_EQ(image.create(5, 2), 0);
  for (int x = 0; x < 5; ++x) {
    image.at(x, 0) = FloatPixel{1.0f, 0.0f, 0.0f, 1.0f};  // top row red
    image.at(x, 1) = FloatPixel{0.0f, 0.0f, 0.5f, 1.0f};  // bottom row half blue
  }
  const DibSection* s = image.to_dib_section();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->header.biSize, 40u);
  EXPECT_EQ(s->header.biWidth, 8);
  EXPECT_EQ(s->header.biHeight, 2);
  EXPECT_EQ(s->header.biPlanes, 1);
  EXPECT_EQ(s->header.biBitCount, 24);
  EXPECT_EQ(s->header.biCompression, 0u);
  EXPECT_EQ(s->header.biSizeImage, 48u);
  EXPECT_EQ(s->header.biXPelsPerMeter, 3780);
  EXPECT_EQ(s->header.biYPelsPerMeter, 3780);
  EXPECT_EQ(s->header.biClrUsed, 0u);
  EXPECT_EQ(std::vector<uint8_t>(s->white_entry, s->white_entry + 4),
            (std::vector<uint8_t>{255, 255, 255, 0}));
  ASSERT_EQ(s->bits.size(), 48u);
  const size_t stride = s->row_stride();
  EXPECT_EQ(stride, 24u);
  for (int x = 0; x < 8; ++x) {
    const uint8_t* first = &s->bits[x * 3];            // memory row 0 = image bottom row
    const uint8_t* last = &s->bits[stride + x * 3];    // memory row 1 = image top row
    if (x < 5) {
      EXPECT_EQ(std::vector<uint8_t>(first, first + 3), (std::vector<uint8_t>{127, 0, 0})) << x;
      EXPECT_EQ(std::vector<uint8_t>(last, last + 3), (std::vector<uint8_t>{0, 0, 255})) << x;
    } else {
      EXPECT_EQ(std::vector<uint8_t>(first, first + 3), (std::vector<uint8_t>{0, 0, 0})) << x;
      EXPECT_EQ(std::vector<uint8_t>(last, last + 3), (std::vector<uint8_t>{0, 0, 0})) << x;
    }
  }
  // A new section replaces the old one.
  image.at(0, 0) = FloatPixel{0.0f, 1.0f, 0.0f, 1.0f};
  const DibSection* again = image.to_dib_section();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(image.dib_section(), again);
  EXPECT_EQ(again->bits[stride + 1], 255);

  FloatImage empty;
  EXPECT_EQ(empty.to_dib_section(), nullptr);
}

TEST(FloatImage, CaptureTakesBottomUpRowsAndChecksTheirSize) {
  // 3 x 2, 24-bit rows padded to 12 bytes; memory row 0 is the bottom row.
  std::vector<uint8_t> bits(24, 0);
  bits[0] = 255;        // bottom-left blue
  bits[12 + 2] = 255;   // top-left red
  FloatImage image;
  ASSERT_EQ(image.capture_bits(bits.data(), bits.size(), 3, 2), 0);
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(Bytes(image.at(0, 1)), (std::vector<uint8_t>{0, 0, 255}));
  EXPECT_EQ(image.at(0, 1).alpha, 1.0f);
  EXPECT_NE(image.capture_bits(bits.data(), 23, 3, 2), 0);
  EXPECT_EQ(image.pixel_count(), 0u);

  // Every pixel of a capture is set whole, whatever the memory held: here a
  // clear black picture of the same size just before.
  std::vector<uint8_t> grey(static_cast<size_t>(dib_row_bytes(64, 24)) * 64, 128);
  ASSERT_EQ(image.create(64, 64), 0);
  for (size_t i = 0; i < image.pixel_count(); ++i) image.pixels()[i] = FloatPixel{0.0f, 0.0f, 0.0f, 0.0f};
  ASSERT_EQ(image.capture_bits(grey.data(), grey.size(), 64, 64), 0);
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    const FloatPixel& p = image.pixels()[i];
    const float g = byte_to_float(128);
    ASSERT_TRUE(p.red == g && p.green == g && p.blue == g && p.alpha == 1.0f) << "pixel " << i;
  }
}

TEST(FloatImage, JpegSavesDoNothingWithoutPixelsAndReportFailures) {
  testing::ScratchDir dir;
  FloatImage empty;
  EXPECT_EQ(empty.save_jpeg(dir.File("none.jpg").c_str(), 80), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.jpg")));
  uint8_t small[100];
  EXPECT_EQ(empty.save_jpeg_memory(small, sizeof small, 80), 0);
  EXPECT_EQ(empty.jpeg_memory_size(), 0u);

  RgbPicture p = testing::PhotoLike(64, 64, 11);
  FloatImage image;
  ASSERT_EQ(image.create(64, 64), 0);
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    image.pixels()[i] = FloatPixel{byte_to_float(p.rgb[i * 3]), byte_to_float(p.rgb[i * 3 + 1]),
                                   byte_to_float(p.rgb[i * 3 + 2]), 1.0f};
  }
  // Too small: failure, and the size the image window checks is the capacity,
  // so a JPEG that did not fit can never pass its size limit.
  EXPECT_NE(image.save_jpeg_memory(small, sizeof small, 80), 0);
  EXPECT_EQ(image.jpeg_memory_size(), sizeof small);

  std::vector<uint8_t> big(204800);
  ASSERT_EQ(image.save_jpeg_memory(big.data(), big.size(), 80), 0);
  const size_t size = image.jpeg_memory_size();
  // Same bytes as the packed-RGB encoder given the same pixels.
  std::vector<uint8_t> direct(204800);
  ASSERT_EQ(JpegFile::write_rgb_memory(direct.data(), direct.size(), p.rgb.data(), 64, 64, true, 80), 1);
  ASSERT_EQ(JpegFile::jpeg_memory_size(), size);
  EXPECT_TRUE(std::equal(big.begin(), big.begin() + static_cast<long>(size), direct.begin()));

  FloatImage back;
  ASSERT_EQ(back.load_jpeg_memory(big.data(), size), 0);
  EXPECT_EQ(back.width(), 64);
  EXPECT_EQ(back.height(), 64);
  EXPECT_NE(back.load_jpeg_memory(big.data(), 0), 0);
  EXPECT_EQ(back.pixel_count(), 0u);

  ASSERT_EQ(image.save_jpeg(dir.File("pic.jpg").c_str(), 100), 0);
  FloatImage from_file;
  EXPECT_EQ(from_file.load(dir.File("pic.jpg").c_str()), 0);
  EXPECT_EQ(from_file.width(), 64);
  EXPECT_NE(image.save_jpeg("/nonexistent-folder/pic.jpg", 100), 0);
}

TEST(BmpIo, TwentyFourBitRowsBottomUpWithPaddingSkipped) {
  // 3 x 2: each row 9 bytes of pixels and 3 of padding.
  std::vector<uint8_t> rows = {
      // first stored row = bottom of the picture
      0, 0, 255, 0, 255, 0, 255, 0, 0, 0xEE, 0xEE, 0xEE,
      // second stored row = top
      10, 20, 30, 40, 50, 60, 70, 80, 90, 0xEE, 0xEE, 0xEE};
  std::vector<uint8_t> file = Bmp(3, 2, 24, 0, rows);
  FloatImage image;
  ASSERT_EQ(BMP_io::load_memory(file.data(), file.size(), "t.bmp", &image), 0);
  ASSERT_EQ(image.width(), 3);
  ASSERT_EQ(image.height(), 2);
  EXPECT_EQ(Bytes(image.at(0, 1)), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(Bytes(image.at(1, 1)), (std::vector<uint8_t>{0, 255, 0}));
  EXPECT_EQ(Bytes(image.at(2, 1)), (std::vector<uint8_t>{0, 0, 255}));
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{30, 20, 10}));
  EXPECT_EQ(Bytes(image.at(2, 0)), (std::vector<uint8_t>{90, 80, 70}));

  // Stored top-down (negative height): the first row is the top.
  file = Bmp(3, -2, 24, 0, rows);
  ASSERT_EQ(BMP_io::load_memory(file.data(), file.size(), "t.bmp", &image), 0);
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{255, 0, 0}));
}

TEST(BmpIo, OtherDepthsGiveNoPixelsCompressionFails) {
  std::vector<uint8_t> rows(8, 0);
  std::vector<uint8_t> file = Bmp(4, 2, 8, 0, rows, 256);
  FloatImage image;
  ASSERT_EQ(image.create(2, 2), 0);
  EXPECT_EQ(BMP_io::load_memory(file.data(), file.size(), "t.bmp", &image), 0);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(image.height(), 0);
  EXPECT_EQ(image.pixels(), nullptr);

  file = Bmp(4, 2, 8, 1, rows, 256);  // RLE8
  {
    testing::DebugCapture debug;
    EXPECT_EQ(BMP_io::load_memory(file.data(), file.size(), "t.bmp", &image), -1);
    EXPECT_TRUE(debug.Saw("Can only read uncompressed BMP images")) << debug.Text();
  }

  std::vector<uint8_t> not_bmp(100, 'x');
  EXPECT_EQ(BMP_io::load_memory(not_bmp.data(), not_bmp.size(), "t.bmp", &image), -1);
  EXPECT_EQ(BMP_io::load_memory(file.data(), 20, "t.bmp", &image), -1);
}

TEST(BmpIo, TracesOpenAndSizeFailures) {
  FloatImage image;
  testing::DebugCapture debug;
  EXPECT_EQ(BMP_io::load("/nonexistent-folder/x.bmp", &image), -1);
  EXPECT_TRUE(debug.Saw("*** BMP_io::load( '/nonexistent-folder/x.bmp' ) failed with ENOENT on open() ***"))
      << debug.Text();

  // A header asking for 60000 x 60000 pixels is refused, not allocated.
  std::vector<uint8_t> file = Bmp(60000, 60000, 24, 0, std::vector<uint8_t>(64));
  EXPECT_EQ(BMP_io::load_memory(file.data(), file.size(), "huge.bmp", &image), -1);
  EXPECT_TRUE(debug.Saw("BMP_io::load( 'huge.bmp' ) : image->create( 60000, 60000 ) failed"))
      << debug.Text();
}

TEST(BmpIo, FileEndingEarlyKeepsTheRowsItHas) {
  // 2 x 3 picture, only the first stored row (the bottom one) present.
  std::vector<uint8_t> rows = {0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> file = Bmp(2, 3, 24, 0, rows);
  FloatImage image;
  testing::DebugCapture debug;
  EXPECT_EQ(BMP_io::load_memory(file.data(), file.size(), "short.bmp", &image), 0);
  ASSERT_EQ(image.height(), 3);
  EXPECT_EQ(Bytes(image.at(0, 2)), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(Bytes(image.at(0, 0)), (std::vector<uint8_t>{255, 255, 255}));
}

TEST(BmpIo, AgreesWithNetpbm) {
  if (!testing::HaveProgram("ppmtobmp")) GTEST_SKIP() << "netpbm not installed";
  testing::ScratchDir dir;
  for (int width : {1, 2, 3, 4, 17}) {
    RgbPicture p = testing::PhotoLike(width, 5, static_cast<unsigned>(width));
    ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), PpmBytes(p)));
    ASSERT_TRUE(testing::Run("ppmtobmp -windows -bpp 24 " + dir.File("in.ppm") + " > " +
                             dir.File("in.bmp") + " 2>/dev/null"));
    FloatImage image;
    ASSERT_EQ(image.load(dir.File("in.bmp").c_str()), 0);
    EXPECT_EQ(PictureOf(image).rgb, p.rgb) << width;
  }
}

// A file read whole: up to the bound given and not one byte more, never a
// pipe planted under the name (it is not waited on), a PPM round trip.
TEST(PpmFiles, ReadWholeWithinTheirBoundAndOnlyFromRegularFiles) {
  testing::ScratchDir dir;
  const RgbPicture p = testing::PhotoLike(7, 3, 1);
  const std::vector<uint8_t> ppm = PpmBytes(p);
  ASSERT_TRUE(WriteFileBytes(dir.File("p.ppm"), ppm));
  std::vector<uint8_t> bytes{1, 2};
  ASSERT_TRUE(ReadFileBytes(dir.File("p.ppm"), &bytes, ppm.size()));
  EXPECT_EQ(bytes, ppm);
  EXPECT_FALSE(ReadFileBytes(dir.File("p.ppm"), &bytes, ppm.size() - 1));
  EXPECT_TRUE(bytes.empty());
  RgbPicture back;
  std::string error;
  ASSERT_TRUE(ReadPpmFile(dir.File("p.ppm"), &back, &error)) << error;
  EXPECT_EQ(back.rgb, p.rgb);

  ASSERT_EQ(::mkfifo(dir.File("pipe.ppm").c_str(), 0600), 0);
  EXPECT_FALSE(ReadFileBytes(dir.File("pipe.ppm"), &bytes, kMaxPpmFileBytes));
  EXPECT_FALSE(ReadPpmFile(dir.File("pipe.ppm"), &back, &error));
  EXPECT_FALSE(ReadFileBytes(dir.File(""), &bytes, kMaxPpmFileBytes));  // a folder
}

TEST(FloatImage, LoadFallsBackToJpegAndFailsOnNeither) {
  testing::ScratchDir dir;
  RgbPicture p = testing::PhotoLike(20, 10, 12);
  ASSERT_TRUE(JpegFile::write_rgb(dir.File("pic.bmp").c_str(), p.rgb.data(), 20, 10, true, 90));
  FloatImage image;
  // A JPEG behind a .bmp name still loads: the BMP reader declines first.
  EXPECT_EQ(image.load(dir.File("pic.bmp").c_str()), 0);
  EXPECT_EQ(image.width(), 20);
  ASSERT_TRUE(WriteFileBytes(dir.File("junk.jpg"), std::vector<uint8_t>(300, 7)));
  EXPECT_EQ(image.load(dir.File("junk.jpg").c_str()), 1);
  EXPECT_EQ(image.pixel_count(), 0u);
}

}  // namespace
}  // namespace quillet
