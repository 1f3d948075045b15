// The image window's picture source: EXIF orientation, scaled and partial
// JPEG decoding, the frame's averaging, .bmp and clipboard pixels, and the
// record's JPEG.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/pictures/PictureSource.h"
#include "imaging/DibPixels.h"
#include "imaging/FloatImage.h"
#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "imaging/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::EncodeJpeg;
using testing::MeanDiff;
using testing::Scene;
using testing::StoredFor;
using testing::WithExifOrientation;

// The pixel (x, y) of a packed RGB picture `width` wide.
const uint8_t* Px(const std::vector<uint8_t>& rgb, int width, int x, int y) {
  return &rgb[(static_cast<size_t>(y) * width + x) * 3];
}

TEST(ExifOrientationTest, ReadsTheTagInEitherByteOrderAndIgnoresDamage) {
  for (int o = 1; o <= 8; ++o) {
    for (bool big : {false, true}) {
      const std::vector<uint8_t> payload = MakeExifOrientationPayload(o, big);
      EXPECT_EQ(ExifOrientation(payload.data(), payload.size()), o) << o << (big ? " MM" : " II");
    }
  }
  std::vector<uint8_t> payload = MakeExifOrientationPayload(6);
  // Out of range, cut short, not EXIF, an IFD offset past the end.
  std::vector<uint8_t> nine = MakeExifOrientationPayload(9);
  EXPECT_EQ(ExifOrientation(nine.data(), nine.size()), 1);
  EXPECT_EQ(ExifOrientation(payload.data(), payload.size() - 14), 1);
  std::vector<uint8_t> other = payload;
  other[0] = 'X';
  EXPECT_EQ(ExifOrientation(other.data(), other.size()), 1);
  std::vector<uint8_t> far = payload;
  far[6 + 4] = 0xF0;  // IFD offset 0xF0 in a 30-byte payload
  EXPECT_EQ(ExifOrientation(far.data(), far.size()), 1);
  EXPECT_EQ(ExifOrientation(nullptr, 0), 1);
}

TEST(ExifOrientationTest, TheHeaderReportsStoredSizeAndTag) {
  const std::vector<uint8_t> jpeg = WithExifOrientation(EncodeJpeg(Scene(64, 40), 90), 6, true);
  JpegHeader h;
  ASSERT_TRUE(JpegFile::read_header_memory(jpeg.data(), jpeg.size(), &h));
  EXPECT_EQ(h.width, 64);
  EXPECT_EQ(h.height, 40);
  EXPECT_EQ(h.orientation, 6);
  const std::vector<uint8_t> plain = EncodeJpeg(Scene(64, 40), 90);
  ASSERT_TRUE(JpegFile::read_header_memory(plain.data(), plain.size(), &h));
  EXPECT_EQ(h.orientation, 1);
  const std::vector<uint8_t> junk = {0xFF, 0xD8, 0x00, 0x01, 0x02};
  EXPECT_FALSE(JpegFile::read_header_memory(junk.data(), junk.size(), &h));
}

TEST(ScaledDecodeTest, WholePicturesMatchTheLibraryToolAtEveryScale) {
  if (!testing::HaveProgram("djpeg")) GTEST_SKIP() << "libjpeg-turbo-progs not installed";
  testing::ScratchDir dir;
  const std::vector<uint8_t> jpeg = EncodeJpeg(Scene(203, 131), 85);
  ASSERT_TRUE(testing::WriteBytes(dir.File("in.jpg"), jpeg));
  for (int n = 1; n <= 8; ++n) {
    ASSERT_TRUE(testing::Run("djpeg -scale " + std::to_string(n) + "/8 -ppm " + dir.File("in.jpg") +
                             " > " + dir.File("tool.ppm")));
    const std::vector<uint8_t> tool = testing::ReadBytes(dir.File("tool.ppm"));
    RgbPicture ref;
    std::string error;
    ASSERT_TRUE(ParsePpm(tool.data(), tool.size(), &ref, &error)) << error;
    EXPECT_EQ(ref.width, JpegFile::scaled_side(203, n));
    EXPECT_EQ(ref.height, JpegFile::scaled_side(131, n));
    PixelRect all{0, 0, ref.width, ref.height};
    RgbBuffer rgb = JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), n, &all);
    ASSERT_TRUE(rgb) << n;
    EXPECT_EQ(all, (PixelRect{0, 0, ref.width, ref.height}));
    EXPECT_EQ(0, std::memcmp(rgb.get(), ref.rgb.data(), ref.rgb.size())) << "scale " << n << "/8";
  }
}

TEST(ScaledDecodeTest, PartsAreExactlyTheirRectangleOfTheWholeDecode) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(Scene(517, 389, 4), 88);
  for (int n : {1, 3, 8}) {
    const int sw = JpegFile::scaled_side(517, n), sh = JpegFile::scaled_side(389, n);
    PixelRect all{0, 0, sw, sh};
    RgbBuffer whole = JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), n, &all);
    ASSERT_TRUE(whole);
    for (PixelRect want : {PixelRect{0, 0, sw / 3, sh / 4}, PixelRect{sw / 2 + 3, sh / 3 + 5, sw / 4, sh / 5},
                           PixelRect{sw - 17, sh - 9, 40, 40}, PixelRect{7, sh / 2, sw - 7, 1}}) {
      PixelRect got = want;
      RgbBuffer part = JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), n, &got);
      ASSERT_TRUE(part);
      // Clipped to the picture, never widened.
      EXPECT_EQ(got.x, want.x);
      EXPECT_EQ(got.y, want.y);
      EXPECT_EQ(got.width, std::min(want.width, sw - want.x));
      EXPECT_EQ(got.height, std::min(want.height, sh - want.y));
      for (int y = 0; y < got.height; ++y) {
        ASSERT_EQ(0, std::memcmp(part.get() + static_cast<size_t>(y) * got.width * 3,
                                 whole.get() + (static_cast<size_t>(got.y + y) * sw + got.x) * 3,
                                 static_cast<size_t>(got.width) * 3))
            << "scale " << n << " row " << y << " of part at " << got.x << "," << got.y;
      }
    }
  }
  PixelRect outside{600, 0, 10, 10};
  EXPECT_FALSE(JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), 8, &outside));
  EXPECT_TRUE(outside.empty());
}

TEST(ScaledDecodeTest, ProgressivePhotosDecodeInPartsToo) {
  if (!testing::HaveProgram("cjpeg")) GTEST_SKIP() << "libjpeg-turbo-progs not installed";
  testing::ScratchDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), PpmBytes(Scene(301, 211, 6))));
  ASSERT_TRUE(testing::Run("cjpeg -progressive -quality 85 -outfile " + dir.File("p.jpg") + " " + dir.File("in.ppm")));
  const std::vector<uint8_t> jpeg = testing::ReadBytes(dir.File("p.jpg"));
  for (int n : {2, 8}) {
    const int sw = JpegFile::scaled_side(301, n), sh = JpegFile::scaled_side(211, n);
    PixelRect all{0, 0, sw, sh};
    RgbBuffer whole = JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), n, &all);
    ASSERT_TRUE(whole);
    PixelRect part{sw / 3, sh / 2, sw / 4, sh / 3};
    RgbBuffer rgb = JpegFile::read_rgb_memory_scaled(jpeg.data(), jpeg.size(), n, &part);
    ASSERT_TRUE(rgb);
    for (int y = 0; y < part.height; ++y)
      ASSERT_EQ(0, std::memcmp(rgb.get() + static_cast<size_t>(y) * part.width * 3,
                               whole.get() + (static_cast<size_t>(part.y + y) * sw + part.x) * 3,
                               static_cast<size_t>(part.width) * 3))
          << "scale " << n << " row " << y;
  }
}

// A small progressive JPEG made with the library, its frame header then
// patched to claim width x height.
std::vector<uint8_t> ProgressiveClaiming(int width, int height) {
  const std::vector<uint8_t> rgb = Scene(32, 16, 3).rgb;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 32;
  c.image_height = 16;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<size_t>(c.next_scanline) * 32 * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8);
      bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8);
      bytes[i + 8] = static_cast<uint8_t>(width);
      return bytes;
    }
  }
  ADD_FAILURE() << "no progressive frame header";
  return {};
}

TEST(ScaledDecodeTest, AHeaderClaimingAHugePictureIsRefusedAtEveryScale) {
  const std::vector<uint8_t> honest = ProgressiveClaiming(32, 16);
  PixelRect all{0, 0, 32, 16};
  ASSERT_TRUE(JpegFile::read_rgb_memory_scaled(honest.data(), honest.size(), 8, &all));

  for (const auto& [w, h] : {std::pair{65500, 16000}, std::pair{20000, 20000}, std::pair{8000, 4200}}) {
    const std::vector<uint8_t> lie = ProgressiveClaiming(w, h);
    ASSERT_FALSE(lie.empty());
    JpegHeader header;
    EXPECT_TRUE(JpegFile::read_header_memory(lie.data(), lie.size(), &header));  // sides are allowed
    EXPECT_EQ(header.width, w);
    for (int n : {1, 8}) {
      PixelRect part{0, 0, 64, 64};
      EXPECT_FALSE(JpegFile::read_rgb_memory_scaled(lie.data(), lie.size(), n, &part)) << w << "x" << h;
    }
    int ow = -1, oh = -1;
    EXPECT_FALSE(JpegFile::read_rgb_memory(lie.data(), lie.size(), &ow, &oh));
  }
}

TEST(PictureSourceTest, EveryOrientationShowsTheCameraPictureUpright) {
  // Big flat blocks, so that the JPEG's own error stays far below a turn.
  const RgbPicture upright = Scene(96, 64, 5, 0.0);
  for (int o = 1; o <= 8; ++o) {
    const std::vector<uint8_t> jpeg = WithExifOrientation(EncodeJpeg(StoredFor(upright, o), 95), o);
    CPictureSource source;
    ASSERT_TRUE(source.SetJpeg(jpeg));
    EXPECT_EQ(source.orientation(), o);
    ASSERT_EQ(source.width(), 96) << o;
    ASSERT_EQ(source.height(), 64) << o;
    std::vector<uint8_t> frame;
    ASSERT_TRUE(source.Render(Placement{96, 64, 1.0f, 0, 0}, &frame));
    EXPECT_LT(MeanDiff(frame.data(), upright.rgb.data(), frame.size()), 3.0) << "orientation " << o;
    // The red block is top-left, the blue one bottom-right, as shown.
    EXPECT_GT(Px(frame, 96, 4, 4)[0], 180) << o;
    EXPECT_GT(Px(frame, 96, 92, 60)[2], 180) << o;
    // A part of the upright picture, decoded on its own (a zoom-1 view of a
    // corner), matches the same part of the whole.
    std::vector<uint8_t> part;
    CPictureSource again;
    ASSERT_TRUE(again.SetJpeg(jpeg));
    ASSERT_TRUE(again.Render(Placement{20, 12, 1.0f, 70, 45}, &part));
    for (int y = 0; y < 12; ++y)
      EXPECT_EQ(0, std::memcmp(Px(part, 20, 0, y), Px(frame, 96, 70, 45 + y), 20 * 3)) << o << " row " << y;
  }
}

class RenderTest : public ::testing::Test {
 protected:
  // 4 x 3 pixels with values that show where each came from.
  void SetUp() override {
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) pixels_.insert(pixels_.end(), {uint8_t(10 + x * 40), uint8_t(20 + y * 60), 7});
    ASSERT_TRUE(source_.SetRgb(4, 3, pixels_));
  }
  std::vector<uint8_t> pixels_;
  CPictureSource source_;
};

TEST_F(RenderTest, ZoomOneIsTheCropAndOutsideIsBlack) {
  std::vector<uint8_t> frame;
  ASSERT_TRUE(source_.Render(Placement{5, 4, 1.0f, -1, 1}, &frame));
  ASSERT_EQ(frame.size(), 5u * 4 * 3);
  // Column 0 lies left of the picture, rows 2 and 3 below it.
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Px(frame, 5, 0, y)[0], 0);
  for (int x = 1; x < 5; ++x) {
    EXPECT_EQ(Px(frame, 5, x, 0)[0], 10 + (x - 1) * 40);
    EXPECT_EQ(Px(frame, 5, x, 0)[1], 20 + 60);
    EXPECT_EQ(Px(frame, 5, x, 1)[1], 20 + 120);
    EXPECT_EQ(Px(frame, 5, x, 2)[0], 0);
  }
  // Wholly outside: all black, and still a success.
  ASSERT_TRUE(source_.Render(Placement{3, 3, 1.0f, 50, 50}, &frame));
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(RenderTest, ZoomingInRepeatsAndZoomingOutAverages) {
  std::vector<uint8_t> frame;
  ASSERT_TRUE(source_.Render(Placement{8, 6, 2.0f, 0, 0}, &frame));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(0, std::memcmp(Px(frame, 8, x, y), Px(pixels_, 4, x / 2, y / 2), 3));
  ASSERT_TRUE(source_.Render(Placement{2, 1, 0.5f, 0, 0}, &frame));
  // (10 + 50 + 10 + 50) / 4 = 30, (20 + 20 + 80 + 80) / 4 = 50.
  EXPECT_EQ(Px(frame, 2, 0, 0)[0], 30);
  EXPECT_EQ(Px(frame, 2, 0, 0)[1], 50);
  EXPECT_EQ(Px(frame, 2, 1, 0)[0], 110);
  // Half a frame pixel past the picture's edge is half dark.
  ASSERT_TRUE(source_.Render(Placement{1, 1, 0.5f, 3, 2}, &frame));
  EXPECT_EQ(frame[0], (130 + 2) / 4);
}

TEST(PictureSourceTest, AFittedCameraPhotoDecodesAnEighthAndZoomingInDecodesOnlyWhatShows) {
  const RgbPicture photo = Scene(4000, 3000, 9, 0.0);
  const std::vector<uint8_t> jpeg = EncodeJpeg(photo, 85);
  CPictureSource source;
  ASSERT_TRUE(source.SetJpeg(jpeg));
  EXPECT_EQ(source.decodedPixels(), 0u);  // reading the header decodes nothing

  const float fit = FitZoom(4000, 3000, 320, 480);
  EXPECT_FLOAT_EQ(fit, 0.08f);
  std::vector<uint8_t> frame;
  ASSERT_TRUE(source.Render(Placement{320, 480, fit, 0, 0}, &frame));
  EXPECT_EQ(source.finestScale(), 1);
  EXPECT_EQ(source.decodedPixels(), 500u * 375u);
  // The fitted frame against the whole photo averaged down in 12.5-pixel
  // squares here: close, and black below the picture.
  double sum = 0;
  for (int y = 0; y < 240; y += 7) {
    for (int x = 0; x < 320; x += 7) {
      for (int c = 0; c < 3; ++c) {
        double ref = 0;
        int n = 0;
        for (int sy = static_cast<int>(y * 12.5); sy < static_cast<int>((y + 1) * 12.5); sy += 2)
          for (int sx = static_cast<int>(x * 12.5); sx < static_cast<int>((x + 1) * 12.5); sx += 2, ++n)
            ref += photo.rgb[(static_cast<size_t>(sy) * 4000 + sx) * 3 + c];
        sum += std::abs(ref / n - Px(frame, 320, x, y)[c]);
      }
    }
  }
  EXPECT_LT(sum / (35 * 46 * 3), 4.0);
  EXPECT_EQ(Px(frame, 320, 100, 300)[0], 0);

  // At zoom 1 the frame's corner needs full-size pixels: only that part
  // (with room to pan) is decoded, not the 12 megapixels.
  ASSERT_TRUE(source.Render(Placement{320, 480, 1.0f, 0, 0}, &frame));
  EXPECT_EQ(source.finestScale(), 8);
  EXPECT_LT(source.decodedPixels(), 500u * 375u + 500u * 750u);
  EXPECT_LT(MeanDiff(Px(frame, 320, 0, 0), Px(photo.rgb, 4000, 0, 0), 320 * 3), 6.0);
  // Panning inside that part decodes nothing more.
  const uint64_t before = source.decodedPixels();
  ASSERT_TRUE(source.Render(Placement{320, 480, 1.0f, 100, 150}, &frame));
  EXPECT_EQ(source.decodedPixels(), before);
}

// The frame from a scaled decode against the frame the same Fit gives from
// the whole picture decoded at full size (held as pixels), both through the
// same averaging: the same size, and nearly the same pixels. A picture that
// already fits the frame is decoded at full size and gives the very same
// frame.
TEST(PictureSourceTest, AScaledDecodeGivesNearlyTheFrameOfTheFullDecode) {
  struct Case {
    int width, height;
    int frameWidth, frameHeight;
    int scale;  // the decode the fitted frame takes, in eighths
  };
  const Case cases[] = {
      {2600, 1300, 320, 480, 1}, {1000, 2000, 160, 160, 1}, {1600, 1200, 320, 480, 2},
      {900, 600, 320, 480, 3},   {700, 700, 160, 160, 2},   {320, 480, 320, 480, 8},
      {200, 150, 320, 320, 8},   {160, 160, 160, 160, 8},   {300, 470, 320, 480, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " in " +
                 std::to_string(c.frameWidth) + "x" + std::to_string(c.frameHeight));
    const std::vector<uint8_t> jpeg = EncodeJpeg(Scene(c.width, c.height, 5), 92);
    ASSERT_FALSE(jpeg.empty());
    int w = 0, h = 0;
    RgbBuffer full = JpegFile::read_rgb_memory(jpeg.data(), jpeg.size(), &w, &h);
    ASSERT_TRUE(full);
    ASSERT_EQ(w, c.width);
    ASSERT_EQ(h, c.height);

    CPictureSource scaled, whole;
    ASSERT_TRUE(scaled.SetJpeg(jpeg));
    ASSERT_TRUE(whole.SetRgb(w, h, std::vector<uint8_t>(full.get(), full.get() + size_t(w) * h * 3)));
    const Placement p{c.frameWidth, c.frameHeight, FitZoom(w, h, c.frameWidth, c.frameHeight), 0, 0};
    FloatImage a, b;
    ASSERT_TRUE(CaptureFrame(scaled, p, &a));
    ASSERT_TRUE(CaptureFrame(whole, p, &b));
    EXPECT_EQ(scaled.finestScale(), c.scale);
    ASSERT_EQ(a.width(), c.frameWidth);
    ASSERT_EQ(a.height(), c.frameHeight);
    ASSERT_EQ(b.width(), a.width());
    ASSERT_EQ(b.height(), a.height());

    double sum[3] = {0, 0, 0};
    int worst = 0;
    for (size_t i = 0; i < a.pixel_count(); ++i) {
      const FloatPixel &x = a.pixels()[i], &y = b.pixels()[i];
      const int d[3] = {std::abs(float_to_byte(x.red) - float_to_byte(y.red)),
                        std::abs(float_to_byte(x.green) - float_to_byte(y.green)),
                        std::abs(float_to_byte(x.blue) - float_to_byte(y.blue))};
      for (int k = 0; k < 3; ++k) {
        sum[k] += d[k];
        worst = std::max(worst, d[k]);
      }
      ASSERT_EQ(x.alpha, 1.0f);
    }
    if (c.scale == 8) {
      EXPECT_EQ(worst, 0);
    } else {
      for (int k = 0; k < 3; ++k) EXPECT_LT(sum[k] / a.pixel_count(), 1.0) << "channel " << k;
    }
  }
}

TEST(DibPixelsTest, EveryDepthReadsThroughItsTable) {
  const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  const int w = 13, h = 5;
  std::vector<uint8_t> indices;
  for (int i = 0; i < w * h; ++i) indices.push_back(static_cast<uint8_t>(i % 4));
  for (int bits : {1, 4, 8}) {
    std::vector<uint8_t> idx = indices;
    if (bits == 1)
      for (uint8_t& v : idx) v &= 1;
    const std::vector<uint8_t> file = testing::BmpFile(w, h, bits, idx, table);
    MemoryDibReader reader(file.data(), file.size());
    PackedDib dib = dib_read_file(reader);
    ASSERT_TRUE(dib) << bits;
    int ow = 0, oh = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(DibToRgb(dib, &ow, &oh, &rgb)) << bits;
    ASSERT_EQ(ow, w);
    ASSERT_EQ(oh, h);
    for (int i = 0; i < w * h; ++i) {
      const uint32_t c = table[idx[i]];
      ASSERT_EQ(rgb[i * 3], (c >> 16) & 0xFF) << bits << " pixel " << i;
      ASSERT_EQ(rgb[i * 3 + 1], (c >> 8) & 0xFF);
      ASSERT_EQ(rgb[i * 3 + 2], c & 0xFF);
    }
  }
  // 24 bits, and back again through a 24-bit DIB.
  const RgbPicture p = Scene(11, 7, 2);
  const std::vector<uint8_t> file = testing::BmpFile(11, 7, 24, {}, {}, p.rgb);
  MemoryDibReader reader(file.data(), file.size());
  int ow = 0, oh = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(DibToRgb(dib_read_file(reader), &ow, &oh, &rgb));
  EXPECT_EQ(rgb, p.rgb);
  PackedDib again = RgbToDib(11, 7, p.rgb.data());
  ASSERT_TRUE(DibToRgb(again, &ow, &oh, &rgb));
  EXPECT_EQ(rgb, p.rgb);
  EXPECT_EQ(again.info().biBitCount, 24);
  EXPECT_GT(again.info().biHeight, 0);  // bottom-up, as the clipboard wants
}

TEST(DibPixelsTest, TopDownRowsShortBitsAndIndexesPastTheTable) {
  const std::vector<uint8_t> file = testing::BmpFile(4, 2, 8, {0, 1, 2, 9, 1, 1, 1, 1}, {0x102030, 0x405060, 0x708090});
  MemoryDibReader reader(file.data(), file.size());
  PackedDib dib = dib_read_file(reader);
  ASSERT_TRUE(dib);
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(DibToRgb(dib, &w, &h, &rgb));
  EXPECT_EQ(rgb[0], 0x10);
  EXPECT_EQ(rgb[9], 0);  // index 9 of a 3-entry table: black
  BitmapInfoHeader info = dib.info();
  info.biHeight = -2;  // the same rows read as top-down
  dib.set_info(info);
  ASSERT_TRUE(DibToRgb(dib, &w, &h, &rgb));
  EXPECT_EQ(rgb[0], 0x40);  // the stored first row is now the top one
  ASSERT_TRUE(dib.Resize(dib.size() - 4));
  EXPECT_FALSE(DibToRgb(dib, &w, &h, &rgb));
}

TEST(LoadPictureFileTest, ExtensionsAndTheMessagesOfEachFailure) {
  testing::ScratchDir dir;
  CPictureSource source;
  EXPECT_EQ(LoadPictureFile(dir.File("missing.jpg"), &source), IDS_CANT_OPEN_FILE);
  // A pipe under a picture's name is refused at once, not waited on.
  ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0600), 0);
  EXPECT_EQ(LoadPictureFile(dir.File("pipe.jpg"), &source), IDS_CANT_OPEN_FILE);
  ASSERT_EQ(::mkfifo(dir.File("pipe.bmp").c_str(), 0600), 0);
  EXPECT_EQ(LoadPictureFile(dir.File("pipe.bmp"), &source), IDS_CANT_OPEN_FILE);
  ASSERT_TRUE(testing::WriteBytes(dir.File("notes.txt"), {'h', 'i'}));
  EXPECT_EQ(LoadPictureFile(dir.File("notes.txt"), &source), -1);
  ASSERT_TRUE(testing::WriteBytes(dir.File("junk.jpg"), {0x00, 0x11, 0x22, 0x33}));
  EXPECT_EQ(LoadPictureFile(dir.File("junk.jpg"), &source), IDS_CANT_OPEN_FILE);
  EXPECT_TRUE(source.empty());
  ASSERT_TRUE(testing::WriteBytes(dir.File("junk.bmp"), {0x00, 0x11, 0x22, 0x33}));
  EXPECT_EQ(LoadPictureFile(dir.File("junk.bmp"), &source), IDS_BAD_DIB);

  // 16 bits have neither a table nor the fixed palette.
  std::vector<uint8_t> twoBits = testing::BmpFile(4, 4, 24, {}, {}, std::vector<uint8_t>(48, 9));
  twoBits[28] = 2;
  ASSERT_TRUE(testing::WriteBytes(dir.File("deep.bmp"), twoBits));
  EXPECT_EQ(LoadPictureFile(dir.File("deep.bmp"), &source), IDS_NO_PALETTE);
  // Plain rows under a run-length header: runs past the row end.
  const std::vector<uint8_t> rle = testing::BmpFile(4, 4, 8, std::vector<uint8_t>(16, 1), {0, 0xFFFFFF}, {}, 1);
  ASSERT_TRUE(testing::WriteBytes(dir.File("runs.bmp"), rle));
  EXPECT_EQ(LoadPictureFile(dir.File("runs.bmp"), &source), IDS_CANT_LOAD_RLE);
  // Compressions other than run-length bits are not read.
  const std::vector<uint8_t> fields = testing::BmpFile(4, 4, 8, std::vector<uint8_t>(16, 1), {0, 0xFFFFFF}, {}, 3);
  ASSERT_TRUE(testing::WriteBytes(dir.File("fields.bmp"), fields));
  EXPECT_EQ(LoadPictureFile(dir.File("fields.bmp"), &source), IDS_CANT_LOAD_RLE);

  // Upper-case extensions, and a bitmap behind a ".jpg" name.
  ASSERT_TRUE(testing::WriteBytes(dir.File("PHOTO.JPEG"), EncodeJpeg(Scene(30, 20), 90)));
  EXPECT_EQ(LoadPictureFile(dir.File("PHOTO.JPEG"), &source), 0);
  EXPECT_EQ(source.width(), 30);
  const RgbPicture small = Scene(6, 5);
  ASSERT_TRUE(testing::WriteBytes(dir.File("really.jpg"), testing::BmpFile(6, 5, 24, {}, {}, small.rgb)));
  EXPECT_EQ(LoadPictureFile(dir.File("really.jpg"), &source), 0);
  std::vector<uint8_t> frame;
  ASSERT_TRUE(source.Render(Placement{6, 5, 1.0f, 0, 0}, &frame));
  EXPECT_EQ(frame, small.rgb);
}

// A .bmp with any information header: `pixels` are colour indexes (1 to 8
// bits), 0xRRGGBB (24 bits) or the raw pixel value (16 and 32 bits), top
// row first; stored bottom-up. `masks` go into a later header, or after a
// 40-byte one (red, green, blue, and alpha for headers of 56 bytes on).
struct BmpSpec {
  int width = 0, height = 0, bits = 0;
  uint32_t headerSize = 40;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;
  std::vector<uint32_t> table;  // 0x00RRGGBB
  std::vector<uint32_t> pixels;
};

std::vector<uint8_t> BuildBmp(const BmpSpec& b) {
  std::vector<uint8_t> f(14 + b.headerSize, 0);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(14, b.headerSize, 4);
  put(18, static_cast<uint32_t>(b.width), 4);
  put(22, static_cast<uint32_t>(b.height), 4);
  put(26, 1, 2);
  put(28, static_cast<uint32_t>(b.bits), 2);
  put(30, b.compression, 4);
  put(46, static_cast<uint32_t>(b.table.size()), 4);
  if (b.headerSize > 40) {
    for (size_t i = 0; i < b.masks.size() && 40 + 4 * i + 4 <= b.headerSize; ++i) put(54 + 4 * i, b.masks[i], 4);
    if (b.headerSize >= 108) put(14 + 56, 0x73524742, 4);  // "sRGB"
  } else {
    for (uint32_t m : b.masks) {
      f.resize(f.size() + 4);
      put(f.size() - 4, m, 4);
    }
  }
  for (uint32_t c : b.table) {
    f.resize(f.size() + 4);
    put(f.size() - 4, c, 4);
  }
  put(10, static_cast<uint32_t>(f.size()), 4);
  const size_t rowBytes = ((static_cast<size_t>(b.width) * b.bits + 31) / 32) * 4;
  put(34, static_cast<uint32_t>(rowBytes * b.height), 4);
  for (int y = b.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < b.width; ++x) {
      const uint32_t v = b.pixels[static_cast<size_t>(y) * b.width + x];
      if (b.bits < 8) {
        const int at = x * b.bits;
        row[at / 8] |= static_cast<uint8_t>(v << (8 - b.bits - at % 8));
      } else if (b.bits == 24) {
        row[x * 3] = v & 0xFF;
        row[x * 3 + 1] = (v >> 8) & 0xFF;
        row[x * 3 + 2] = (v >> 16) & 0xFF;
      } else {
        for (int i = 0; i < b.bits / 8; ++i) row[x * (b.bits / 8) + i] = static_cast<uint8_t>(v >> (8 * i));
      }
    }
    f.insert(f.end(), row.begin(), row.end());
  }
  put(2, static_cast<uint32_t>(f.size()), 4);
  return f;
}

// Packed RGB from 0xRRGGBB values.
std::vector<uint8_t> RgbOf(const std::vector<uint32_t>& colours) {
  std::vector<uint8_t> out;
  for (uint32_t c : colours) out.insert(out.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  return out;
}

// What the window shows of a .bmp at zoom 1; empty when it does not open.
std::vector<uint8_t> Opened(testing::ScratchDir& dir, const std::vector<uint8_t>& file, int width, int height,
                            int* result = nullptr) {
  EXPECT_TRUE(testing::WriteBytes(dir.File("pixels.bmp"), file));
  CPictureSource source;
  const int r = LoadPictureFile(dir.File("pixels.bmp"), &source);
  if (result) *result = r;
  std::vector<uint8_t> frame;
  if (r != 0 || !source.Render(Placement{width, height, 1.0f, 0, 0}, &frame)) frame.clear();
  return frame;
}

// The 108- and 124-byte headers (what image editors write by default) at
// every depth with a colour table, and 24 bits.
TEST(LoadPictureFileTest, LaterHeadersAtEveryDepth) {
  testing::ScratchDir dir;
  const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x804020,
                                       0x123456, 0xFEDCBA};
  for (uint32_t headerSize : {108u, 124u}) {
    for (int bits : {1, 4, 8}) {
      BmpSpec b{5, 3, bits, headerSize};
      const uint32_t colours = bits == 1 ? 2 : 8;
      b.table.assign(table.begin(), table.begin() + colours);
      std::vector<uint32_t> want;
      for (int i = 0; i < 15; ++i) {
        b.pixels.push_back(static_cast<uint32_t>(i * 7 + 3) % colours);
        want.push_back(b.table[b.pixels.back()]);
      }
      EXPECT_EQ(Opened(dir, BuildBmp(b), 5, 3), RgbOf(want)) << headerSize << " bytes, " << bits << " bits";
    }
    BmpSpec b{5, 3, 24, headerSize};
    for (int i = 0; i < 15; ++i) b.pixels.push_back(0x010203u * static_cast<uint32_t>(i * 16) + 0x0A0000u);
    EXPECT_EQ(Opened(dir, BuildBmp(b), 5, 3), RgbOf(b.pixels)) << headerSize << " bytes, 24 bits";
  }
  // A header size no writer uses is still refused.
  BmpSpec odd{2, 2, 24, 100};
  odd.pixels.assign(4, 0);
  int result = 0;
  EXPECT_TRUE(Opened(dir, BuildBmp(odd), 2, 2, &result).empty());
  EXPECT_EQ(result, IDS_BAD_DIB);
}

// 16 and 32 bits: 5-6-5, 5-5-5 and 8-8-8-8 masks in every header that
// carries them, the fixed masks without bit fields, and masks refused.
TEST(LoadPictureFileTest, SixteenAndThirtyTwoBitPixelsThroughTheirMasks) {
  testing::ScratchDir dir;
  struct Case {
    const char* name;
    int bits;
    uint32_t compression;
    std::vector<uint32_t> masks;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> want;
  };
  const std::vector<Case> cases = {
      {"565", 16, kBiBitfields, {0xF800, 0x07E0, 0x001F},
       {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, (16u << 11) | (32u << 5) | 1u},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x848208}},
      {"555", 16, kBiBitfields, {0x7C00, 0x03E0, 0x001F},
       {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x8000, (16u << 10) | (8u << 5) | 31u},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x8442FF}},
      {"555 without masks", 16, kBiRgb, {},
       {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x8000, (16u << 10) | (8u << 5) | 31u},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x8442FF}},
      {"8888", 32, kBiBitfields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
       {0xFF123456, 0x00ABCDEF, 0x80FFFFFF, 0, 0x00010203, 0xFFFF0000},
       {0x123456, 0xABCDEF, 0xFFFFFF, 0, 0x010203, 0xFF0000}},
      {"8888 blue first", 32, kBiBitfields, {0x000000FF, 0x0000FF00, 0x00FF0000},
       {0x00563412, 0x00EFCDAB, 0, 0x00FFFFFF, 0x00030201, 0x000000FF},
       {0x123456, 0xABCDEF, 0, 0xFFFFFF, 0x010203, 0xFF0000}},
      {"888 without masks", 32, kBiRgb, {},
       {0xFF123456, 0x00ABCDEF, 0, 0x00FFFFFF, 0x00010203, 0x00FF0000},
       {0x123456, 0xABCDEF, 0, 0xFFFFFF, 0x010203, 0xFF0000}},
  };
  for (const Case& c : cases) {
    for (uint32_t headerSize : {40u, 56u, 108u, 124u}) {
      BmpSpec b{3, 2, c.bits, headerSize, c.compression, c.masks, {}, c.pixels};
      if (headerSize == 40 && b.masks.size() > 3) b.masks.resize(3);  // no alpha after a 40-byte header
      EXPECT_EQ(Opened(dir, BuildBmp(b), 3, 2), RgbOf(c.want)) << c.name << ", " << headerSize << " bytes";
    }
  }
  // Masks that are zero, share bits, reach past the pixel, or an alpha
  // mask over a colour; and bit fields with too few bits behind them.
  const std::vector<std::pair<const char*, BmpSpec>> bad = {
      {"zero green", {2, 2, 16, 108, kBiBitfields, {0xF800, 0, 0x001F}, {}, {0, 0, 0, 0}}},
      {"overlap", {2, 2, 16, 108, kBiBitfields, {0xF800, 0x0FE0, 0x001F}, {}, {0, 0, 0, 0}}},
      {"past 16 bits", {2, 2, 16, 40, kBiBitfields, {0x1F0000, 0x07E0, 0x001F}, {}, {0, 0, 0, 0}}},
      {"alpha over red", {2, 2, 32, 124, kBiBitfields, {0xFF0000, 0xFF00, 0xFF, 0x00800000}, {}, {0, 0, 0, 0}}},
      {"all zero", {2, 2, 32, 40, kBiBitfields, {0, 0, 0}, {}, {0, 0, 0, 0}}},
  };
  for (const auto& [why, layout] : bad) {
    int result = 0;
    EXPECT_TRUE(Opened(dir, BuildBmp(layout), 2, 2, &result).empty()) << why;
    EXPECT_EQ(result, IDS_BAD_DIB) << why;
  }
  BmpSpec cut{40, 40, 32, 124, kBiBitfields, {0xFF0000, 0xFF00, 0xFF}, {}, std::vector<uint32_t>(1600, 7)};
  std::vector<uint8_t> file = BuildBmp(cut);
  file.resize(file.size() - 100);
  int result = 0;
  EXPECT_TRUE(Opened(dir, file, 40, 40, &result).empty());
  EXPECT_NE(result, 0);
}

// Where the entropy-coded data of the first scan begins.
size_t ScanDataStart(const std::vector<uint8_t>& jpeg) {
  for (size_t i = 2; i + 3 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) return i + 2 + (size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]);
  return 0;
}

// A picture file being imported is read to its end: one whose data ends
// early or is corrupt anywhere is refused as damaged, even when the frame
// would need only rows the damage does not reach; the whole file renders.
TEST(LoadPictureFileTest, CutOrCorruptJpegsAreRefusedAsDamaged) {
  testing::ScratchDir dir;
  const std::vector<uint8_t> jpeg = EncodeJpeg(testing::Photo(320, 240), 90);
  const size_t scan = ScanDataStart(jpeg);
  ASSERT_GT(scan, 0u);
  const Placement fit{64, 48, 0.2f, 0, 0};
  const Placement topCorner{32, 16, 1.0f, 0, 0};  // the first rows only
  std::vector<uint8_t> frame;

  CPictureSource source;
  ASSERT_TRUE(testing::WriteBytes(dir.File("whole.jpg"), jpeg));
  ASSERT_EQ(LoadPictureFile(dir.File("whole.jpg"), &source), 0);
  ASSERT_TRUE(source.Render(topCorner, &frame));
  EXPECT_FALSE(source.damaged());
  std::vector<uint8_t> wholeFrame;
  ASSERT_TRUE(source.Render(fit, &wholeFrame));

  std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
  for (const size_t cut : {scan + 40, scan + (jpeg.size() - scan) / 2, jpeg.size() * 3 / 4, jpeg.size() - 2}) {
    damaged.emplace_back("cut at " + std::to_string(cut),
                         std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(cut)));
  }
  // A restart marker where none belongs, in the middle of the scan.
  std::vector<uint8_t> marker = jpeg;
  const size_t middle = scan + (jpeg.size() - scan) / 2;
  marker.insert(marker.begin() + static_cast<long>(middle), {0xFF, 0xD3});
  damaged.emplace_back("stray marker", marker);
  // The second half of the scan overwritten by a run of one code.
  std::vector<uint8_t> smeared = jpeg;
  std::fill(smeared.begin() + static_cast<long>(middle), smeared.end() - 2, 0xFE);
  damaged.emplace_back("smeared scan", smeared);

  for (const auto& [why, bytes] : damaged) {
    ASSERT_TRUE(testing::WriteBytes(dir.File("bad.jpg"), bytes));
    ASSERT_EQ(LoadPictureFile(dir.File("bad.jpg"), &source), 0) << why;  // the header is fine
    EXPECT_FALSE(source.Render(topCorner, &frame)) << why;
    EXPECT_TRUE(source.damaged()) << why;
    EXPECT_FALSE(source.Render(fit, &frame)) << why;
    FloatImage image;
    EXPECT_FALSE(CaptureFrame(source, fit, &image)) << why;
  }

  // Padding before the end marker is a warning that loses no pixel.
  std::vector<uint8_t> padded = jpeg;
  padded.insert(padded.end() - 2, {0x00, 0x00, 0x00, 0x00});
  ASSERT_TRUE(testing::WriteBytes(dir.File("padded.jpg"), padded));
  ASSERT_EQ(LoadPictureFile(dir.File("padded.jpg"), &source), 0);
  std::vector<uint8_t> paddedFrame;
  ASSERT_TRUE(source.Render(fit, &paddedFrame));
  EXPECT_FALSE(source.damaged());
  EXPECT_EQ(paddedFrame, wholeFrame);

  // Pictures already stored are shown as far as they go, as before.
  const std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 3 / 4));
  CPictureSource stored;
  ASSERT_TRUE(stored.SetJpeg(cut));
  EXPECT_TRUE(stored.Render(fit, &frame));
  EXPECT_FALSE(stored.damaged());
}

// A .bmp file whose bits are the run-length codes `runs` (RLE8 at 8 bits,
// RLE4 at 4), with the colour table `table` (0x00RRGGBB).
std::vector<uint8_t> RleFile(int width, int height, int bits, const std::vector<uint8_t>& runs,
                             const std::vector<uint32_t>& table) {
  std::vector<uint8_t> f = testing::BmpFile(width, height, bits, std::vector<uint8_t>(width * height, 0), table, {},
                                            bits == 8 ? kBiRle8 : kBiRle4);
  const size_t offset = 14 + 40 + table.size() * 4;
  f.resize(offset);
  f.insert(f.end(), runs.begin(), runs.end());
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = (v >> (8 * i)) & 0xFF;
  };
  put32(2, static_cast<uint32_t>(f.size()));
  put32(34, static_cast<uint32_t>(runs.size()));
  return f;
}

// Run-length .bmp files open in the window with the pixels their runs
// say; damaged ones give "Can't load RLE." and the log says why.
TEST(LoadPictureFileTest, RunLengthBitmapsOpenAndDamagedOnesSayWhy) {
  testing::ScratchDir dir;
  CPictureSource source;
  const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  // 8 bits, 3 x 2: the bottom row red, blue, blue; the top row green, black, green.
  ASSERT_TRUE(testing::WriteBytes(dir.File("runs8.bmp"),
                                  RleFile(3, 2, 8, {1, 1, 2, 3, 0, 0, 0, 3, 2, 0, 2, 0, 0, 1}, table)));
  ASSERT_EQ(LoadPictureFile(dir.File("runs8.bmp"), &source), 0);
  std::vector<uint8_t> frame;
  ASSERT_TRUE(source.Render(Placement{3, 2, 1.0f, 0, 0}, &frame));
  EXPECT_EQ(frame, (std::vector<uint8_t>{0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}));

  // 4 bits, 5 x 1 under an upper-case name: red, green alternating, then blue.
  ASSERT_TRUE(testing::WriteBytes(dir.File("RUNS4.BMP"), RleFile(5, 1, 4, {4, 0x12, 1, 0x30, 0, 1}, table)));
  ASSERT_EQ(LoadPictureFile(dir.File("RUNS4.BMP"), &source), 0);
  ASSERT_TRUE(source.Render(Placement{5, 1, 1.0f, 0, 0}, &frame));
  EXPECT_EQ(frame, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

  // The same picture pasted (a run-length DIB on the clipboard).
  const std::vector<uint8_t> file = RleFile(5, 1, 4, {4, 0x12, 1, 0x30, 0, 1}, table);
  PackedDib dib = PackedDib::Allocate(file.size() - 14);
  std::copy(file.begin() + 14, file.end(), dib.data());
  ASSERT_EQ(LoadPictureDib(dib, &source), 0);
  EXPECT_EQ(source.width(), 5);

  const std::pair<std::vector<uint8_t>, const char*> damaged[] = {
      {{4, 1, 0, 1}, "a run goes past the end of its row"},
      {{0, 2, 1, 7, 0, 1}, "a delta moves outside the picture"},
      {{3, 1, 0, 0}, "the bits end before the end of the bitmap"},
  };
  for (const auto& [runs, why] : damaged) {
    ASSERT_TRUE(testing::WriteBytes(dir.File("bad.bmp"), RleFile(3, 2, 8, runs, table)));
    testing::DebugCapture debug;
    EXPECT_EQ(LoadPictureFile(dir.File("bad.bmp"), &source), IDS_CANT_LOAD_RLE) << why;
    EXPECT_TRUE(debug.Saw(why)) << debug.Text();
    EXPECT_TRUE(source.empty());
  }
  // A file cut inside its bits.
  std::vector<uint8_t> cut = RleFile(3, 2, 8, {1, 1, 2, 3, 0, 0, 0, 3, 2, 0, 2, 0, 0, 1}, table);
  cut.resize(cut.size() - 5);
  ASSERT_TRUE(testing::WriteBytes(dir.File("cut.bmp"), cut));
  EXPECT_EQ(LoadPictureFile(dir.File("cut.bmp"), &source), IDS_CANT_LOAD_RLE);
}

TEST(RecordJpegTest, IsBaselineRgbJfifOfTheFrameSize) {
  CPictureSource source;
  ASSERT_TRUE(source.SetJpeg(EncodeJpeg(Scene(800, 600, 3), 90)));
  FloatImage image;
  const Placement p{320, 480, FitZoom(800, 600, 320, 480), 0, 0};
  ASSERT_TRUE(CaptureFrame(source, p, &image));
  std::vector<uint8_t> jpeg;
  ASSERT_TRUE(EncodeRecordJpeg(image, 80, &jpeg));
  ASSERT_GT(jpeg.size(), 20u);
  // SOI, then the JFIF segment.
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[2], 0xFF);
  EXPECT_EQ(jpeg[3], 0xE0);
  EXPECT_EQ(0, std::memcmp(&jpeg[6], "JFIF", 5));
  // The frame header is baseline (SOF0) with three components.
  size_t at = 2;
  int sof = -1, components = 0, width = 0, height = 0;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    const int marker = jpeg[at + 1];
    const size_t length = static_cast<size_t>(jpeg[at + 2] << 8 | jpeg[at + 3]);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      sof = marker;
      height = jpeg[at + 5] << 8 | jpeg[at + 6];
      width = jpeg[at + 7] << 8 | jpeg[at + 8];
      components = jpeg[at + 9];
      break;
    }
    at += 2 + length;
  }
  EXPECT_EQ(sof, 0xC0);
  EXPECT_EQ(components, 3);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 480);
}

TEST(RecordJpegTest, EncodeToFitLowersTheQualityUntilTheLimitHolds) {
  FloatImage image;
  const RgbPicture noise = testing::Noise(320, 320);
  ASSERT_EQ(image.create(320, 320), 0);
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    image.pixels()[i].red = byte_to_float(noise.rgb[i * 3]);
    image.pixels()[i].green = byte_to_float(noise.rgb[i * 3 + 1]);
    image.pixels()[i].blue = byte_to_float(noise.rgb[i * 3 + 2]);
  }
  std::vector<uint8_t> at80;
  ASSERT_TRUE(EncodeRecordJpeg(image, 80, &at80));
  ASSERT_GT(at80.size(), kMaxPictureBytes);  // the buffer never cuts the size short
  std::vector<uint8_t> jpeg;
  const int quality = EncodeToFit(image, &jpeg);
  ASSERT_GE(quality, 0);
  EXPECT_LT(quality, 80);
  EXPECT_EQ(quality % 5, 0);
  EXPECT_LE(jpeg.size(), kMaxPictureBytes);
  std::vector<uint8_t> finer;
  ASSERT_TRUE(EncodeRecordJpeg(image, quality + 5, &finer));
  EXPECT_GT(finer.size(), kMaxPictureBytes);

  // Far past the limit, the size is still the JPEG's own and the JPEG whole.
  const RgbPicture tall = testing::Noise(320, 480, 5);
  FloatImage big;
  ASSERT_EQ(big.create(320, 480), 0);
  for (size_t i = 0; i < big.pixel_count(); ++i) {
    big.pixels()[i] = FloatPixel{byte_to_float(tall.rgb[i * 3]), byte_to_float(tall.rgb[i * 3 + 1]),
                                 byte_to_float(tall.rgb[i * 3 + 2]), 1.0f};
  }
  std::vector<uint8_t> huge;
  ASSERT_TRUE(EncodeRecordJpeg(big, 100, &huge));
  EXPECT_GT(huge.size(), 4 * kMaxPictureBytes);
  EXPECT_EQ(huge[huge.size() - 2], 0xFF);
  EXPECT_EQ(huge[huge.size() - 1], 0xD9);
  int w = 0, h = 0;
  EXPECT_TRUE(JpegFile::read_rgb_memory(huge.data(), huge.size(), &w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 480);
}

TEST(JpegWarningBoxTest, ShowsAtMostOnceForAnyOnePicture) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  JpegWarningHook previous = SetJpegWarningHook(ShowJpegWarningBox);
  const std::vector<uint8_t> a = EncodeJpeg(Scene(128, 96, 21), 85);
  const std::vector<uint8_t> b = EncodeJpeg(Scene(128, 96, 22), 85);
  int w = 0, h = 0;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(JpegFile::read_rgb_memory(a.data(), a.size() * 2 / 3, &w, &h));
  // A part of the same damaged picture is the same picture.
  PixelRect part{0, 0, 16, 90};
  EXPECT_TRUE(JpegFile::read_rgb_memory_scaled(a.data(), a.size() * 2 / 3, 8, &part));
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(JpegFile::read_rgb_memory(b.data(), b.size() * 2 / 3, &w, &h));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].caption, "JPEG Error");
  SetJpegWarningHook(previous);
}

}  // namespace
}  // namespace quillet
