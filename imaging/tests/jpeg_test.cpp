#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/UserInterface.h"
#include "imaging/JpegFile.h"
#include "imaging/fuzz/JpegSeeds.h"
#include "imaging/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

std::vector<std::string> g_warnings;
void RecordWarning(const char* text) { g_warnings.push_back(text); }

// Encodes into a generous buffer and returns exactly the JPEG's bytes.
std::vector<uint8_t> Encode(const RgbPicture& p, int quality, bool color = true) {
  std::vector<uint8_t> buffer(1 << 20);
  EXPECT_EQ(JpegFile::write_rgb_memory(buffer.data(), buffer.size(), p.rgb.data(), p.width,
                                       p.height, color, quality),
            1);
  buffer.resize(JpegFile::jpeg_memory_size());
  return buffer;
}

// Mean absolute difference of two byte runs.
double MeanDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return n ? sum / static_cast<double>(n) : 0.0;
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_warnings.clear();
    previous_ = SetJpegWarningHook(RecordWarning);
  }
  void TearDown() override { SetJpegWarningHook(previous_); }
  JpegWarningHook previous_ = nullptr;
};

TEST_F(JpegTest, MemoryRoundTripGivesACompleteStreamAndThePicture) {
  RgbPicture p = testing::PhotoLike(64, 48, 1);
  std::vector<uint8_t> jpeg = Encode(p, 95);
  // jpeg_memory_size is the whole stream: start marker to end marker.
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);

  int w = 0, h = 0;
  RgbBuffer rgb = JpegFile::read_rgb_memory(jpeg.data(), jpeg.size(), &w, &h);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_LT(MeanDifference(rgb.get(), p.rgb.data(), p.rgb.size()), 8.0);
  EXPECT_TRUE(g_warnings.empty());
}

TEST_F(JpegTest, OutputMatchesTheLibraryToolsByteForByte) {
  // No parameter is changed from the library's defaults, so our encoder must
  // agree with cjpeg at the same quality and our decoder with djpeg.
  if (!testing::HaveProgram("cjpeg") || !testing::HaveProgram("djpeg")) {
    GTEST_SKIP() << "libjpeg-turbo-progs not installed";
  }
  testing::ScratchDir dir;
  RgbPicture p = testing::PhotoLike(37, 29, 2);
  ASSERT_TRUE(WriteFileBytes(dir.File("in.ppm"), PpmBytes(p)));
  for (int quality : {10, 80, 100}) {
    ASSERT_TRUE(testing::Run("cjpeg -quality " + std::to_string(quality) + " -baseline " +
                             dir.File("in.ppm") + " > " + dir.File("tool.jpg")));
    std::vector<uint8_t> tool;
    ASSERT_TRUE(ReadFileBytes(dir.File("tool.jpg"), &tool, kMaxPpmFileBytes));
    EXPECT_EQ(Encode(p, quality), tool) << "quality " << quality;

    ASSERT_TRUE(JpegFile::write_rgb(dir.File("ours.jpg").c_str(), p.rgb.data(), p.width,
                                    p.height, true, quality));
    std::vector<uint8_t> ours;
    ASSERT_TRUE(ReadFileBytes(dir.File("ours.jpg"), &ours, kMaxPpmFileBytes));
    EXPECT_EQ(ours, tool) << "file, quality " << quality;

    ASSERT_TRUE(testing::Run("djpeg -ppm " + dir.File("tool.jpg") + " > " + dir.File("out.ppm")));
    RgbPicture decoded;
    std::string error;
    ASSERT_TRUE(ReadPpmFile(dir.File("out.ppm"), &decoded, &error)) << error;
    int w = 0, h = 0;
    RgbBuffer rgb = JpegFile::read_rgb(dir.File("tool.jpg").c_str(), &w, &h);
    ASSERT_TRUE(rgb);
    ASSERT_EQ(w * h * 3, static_cast<int>(decoded.rgb.size()));
    EXPECT_EQ(std::memcmp(rgb.get(), decoded.rgb.data(), decoded.rgb.size()), 0);
  }
}

TEST_F(JpegTest, GreyPicturesDecodeToEqualChannels) {
  RgbPicture p = testing::PhotoLike(33, 17, 3);
  std::vector<uint8_t> jpeg = Encode(p, 90, false);
  int w = 0, h = 0;
  RgbBuffer rgb = JpegFile::read_rgb_memory(jpeg.data(), jpeg.size(), &w, &h);
  ASSERT_TRUE(rgb);
  for (int i = 0; i < w * h; ++i) {
    ASSERT_EQ(rgb[i * 3], rgb[i * 3 + 1]) << i;
    ASSERT_EQ(rgb[i * 3], rgb[i * 3 + 2]) << i;
    const uint8_t* src = &p.rgb[i * 3];
    const int grey = static_cast<int>(0.299 * src[0] + 0.587 * src[1] + 0.114 * src[2]);
    ASSERT_NEAR(rgb[i * 3], grey, 30) << i;
  }
}

// The fuzzer's seeds are only worth having while each one decodes: a seed
// the decoder refuses starts every mutation at the first error.
TEST_F(JpegTest, EverySeedOfTheFuzzCorpusDecodesWithItsHeader) {
  const std::vector<JpegSeed> seeds = MakeJpegSeeds();
  bool progressive = false, cmyk = false, exif = false, restart = false;
  for (const JpegSeed& seed : seeds) {
    SCOPED_TRACE(seed.name);
    JpegHeader header;
    ASSERT_TRUE(JpegFile::read_header_memory(seed.bytes.data(), seed.bytes.size(), &header));
    EXPECT_EQ(header.width, seed.width);
    EXPECT_EQ(header.height, seed.height);
    EXPECT_EQ(header.orientation, seed.orientation);
    int w = 0, h = 0;
    RgbBuffer rgb = JpegFile::read_rgb_memory(seed.bytes.data(), seed.bytes.size(), &w, &h);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(w, seed.width);
    EXPECT_EQ(h, seed.height);
    PixelRect half{0, 0, JpegFile::scaled_side(w, 4), JpegFile::scaled_side(h, 4)};
    EXPECT_TRUE(JpegFile::read_rgb_memory_scaled(seed.bytes.data(), seed.bytes.size(), 4, &half));
    // Which kinds of stream the corpus holds, from the markers themselves.
    for (size_t i = 0; i + 1 < seed.bytes.size(); ++i) {
      if (seed.bytes[i] != 0xFF) continue;
      const uint8_t m = seed.bytes[i + 1];
      progressive |= m == 0xC2;              // SOF2
      restart |= m == 0xDD;                  // DRI
      cmyk |= m == 0xEE;                     // the Adobe segment
      exif |= m == 0xE1 && i + 10 < seed.bytes.size() &&
              std::memcmp(&seed.bytes[i + 4], "Exif", 4) == 0;
    }
  }
  EXPECT_GE(seeds.size(), 12u);
  EXPECT_TRUE(progressive);
  EXPECT_TRUE(restart);
  EXPECT_TRUE(cmyk);
  EXPECT_TRUE(exif);
  EXPECT_TRUE(g_warnings.empty()) << g_warnings.front();
}

TEST_F(JpegTest, CapacityTooSmallFailsWithoutWritingPastIt) {
  RgbPicture p = testing::PhotoLike(80, 60, 4);
  const std::vector<uint8_t> whole = Encode(p, 90);
  const size_t capacity = whole.size() / 2;
  std::vector<uint8_t> buffer(capacity + 16, 0xAB);
  EXPECT_EQ(JpegFile::write_rgb_memory(buffer.data(), capacity, p.rgb.data(), p.width, p.height,
                                       true, 90),
            0);
  EXPECT_EQ(JpegFile::jpeg_memory_size(), capacity);
  for (size_t i = capacity; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xAB) << i;

  // Exactly the size needed is enough.
  std::vector<uint8_t> exact(whole.size());
  EXPECT_EQ(JpegFile::write_rgb_memory(exact.data(), exact.size(), p.rgb.data(), p.width,
                                       p.height, true, 90),
            1);
  EXPECT_EQ(exact, whole);
}

TEST_F(JpegTest, RefusesMissingPicturesAndUnwritablePaths) {
  uint8_t buffer[1000];
  uint8_t rgb[12] = {};
  EXPECT_EQ(JpegFile::write_rgb_memory(buffer, sizeof buffer, nullptr, 2, 2, true, 80), 0);
  EXPECT_EQ(JpegFile::write_rgb_memory(buffer, sizeof buffer, rgb, 0, 2, true, 80), 0);
  EXPECT_EQ(JpegFile::write_rgb_memory(buffer, sizeof buffer, rgb, 2, 0, true, 80), 0);
  EXPECT_EQ(JpegFile::write_rgb_memory(nullptr, 1000, rgb, 2, 2, true, 80), 0);
  EXPECT_EQ(JpegFile::write_rgb("/nonexistent-folder/x.jpg", rgb, 2, 2, true, 80), 0);
  int w = 7, h = 7;
  EXPECT_FALSE(JpegFile::read_rgb("/nonexistent-folder/x.jpg", &w, &h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST_F(JpegTest, DamagedInputFailsOrGivesWhatItHas) {
  RgbPicture p = testing::PhotoLike(128, 128, 5);
  const std::vector<uint8_t> jpeg = Encode(p, 85);
  int w = 0, h = 0;

  // Empty input is an error at the very start.
  EXPECT_FALSE(JpegFile::read_rgb_memory(jpeg.data(), 0, &w, &h));
  EXPECT_FALSE(JpegFile::read_rgb_memory(nullptr, 100, &w, &h));
  // Not a JPEG at all.
  std::vector<uint8_t> junk(500, 0x42);
  EXPECT_FALSE(JpegFile::read_rgb_memory(junk.data(), junk.size(), &w, &h));
  EXPECT_TRUE(g_warnings.empty());

  // Cut short: the decoder gets an end marker, warns once, and returns the
  // picture with its upper rows intact. The bytes sit at the end of their own
  // heap block so that any read past them is caught under the sanitizer.
  const size_t cut = jpeg.size() * 3 / 4;
  std::vector<uint8_t> part(jpeg.begin(), jpeg.begin() + static_cast<long>(cut));
  RgbBuffer rgb = JpegFile::read_rgb_memory(part.data(), part.size(), &w, &h);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(w, 128);
  EXPECT_EQ(h, 128);
  ASSERT_EQ(g_warnings.size(), 1u);
  EXPECT_NE(g_warnings[0].find("Premature end of JPEG file"), std::string::npos) << g_warnings[0];
  // The first rows of 16 came through; the last ones did not.
  const size_t band = 128 * 16 * 3;
  EXPECT_LT(MeanDifference(rgb.get(), p.rgb.data(), band), 8.0);
  EXPECT_GT(MeanDifference(rgb.get() + p.rgb.size() - band, p.rgb.data() + p.rgb.size() - band, band), 20.0);

  // Every other length short of the whole stream never crashes.
  for (size_t n = 1; n < jpeg.size(); n += 37) {
    std::vector<uint8_t> piece(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
    JpegFile::read_rgb_memory(piece.data(), piece.size(), &w, &h);
  }

  // A header claiming a picture of absurd size is refused before decoding.
  std::vector<uint8_t> huge = jpeg;
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // start of frame
      huge[i + 5] = 0xFF;
      huge[i + 6] = 0x00;
      huge[i + 7] = 0xFF;
      huge[i + 8] = 0x00;
      break;
    }
  }
  EXPECT_FALSE(JpegFile::read_rgb_memory(huge.data(), huge.size(), &w, &h));
}

TEST_F(JpegTest, WarningsReachTheJpegErrorBox) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  SetJpegWarningHook(ShowJpegWarningBox);
  RgbPicture p = testing::PhotoLike(128, 128, 6);
  const std::vector<uint8_t> jpeg = Encode(p, 85);
  int w = 0, h = 0;
  ASSERT_TRUE(JpegFile::read_rgb_memory(jpeg.data(), jpeg.size() * 3 / 4, &w, &h));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "JPEG Error");
  EXPECT_EQ(ui.messages[0].flags, static_cast<unsigned>(kMbOk));
  EXPECT_NE(ui.messages[0].text.find("Premature end"), std::string::npos);
}

TEST_F(JpegTest, FailedFileWriteLeavesNoHalfFile) {
  RgbPicture p = testing::PhotoLike(200, 200, 7);
  testing::ScratchDir dir;
  const std::string path = dir.File("partial.jpg");
  // Limit file size so that the write fails part way.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 5000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int ok = JpegFile::write_rgb(path.c_str(), p.rgb.data(), p.width, p.height, true, 100);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ok, 0);
  EXPECT_FALSE(std::filesystem::exists(path));

  // A device that refuses writes is reported but never removed.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(JpegFile::write_rgb("/dev/full", p.rgb.data(), p.width, p.height, true, 100), 0);
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
  }
}

TEST_F(JpegTest, CallsOnSeveralThreadsDoNotShareState) {
  // Each call owns its stream, so concurrent codecs give the same bytes as
  // one at a time.
  RgbPicture a = testing::PhotoLike(120, 90, 8);
  RgbPicture b = testing::PhotoLike(90, 120, 9);
  const std::vector<uint8_t> want_a = Encode(a, 75);
  const std::vector<uint8_t> want_b = Encode(b, 60);
  std::vector<char> same(4, 0);
  auto work = [&](int i) {
    const RgbPicture& p = i % 2 ? b : a;
    const std::vector<uint8_t>& want = i % 2 ? want_b : want_a;
    bool all = true;
    for (int round = 0; round < 20; ++round) {
      std::vector<uint8_t> out(1 << 18);
      if (!JpegFile::write_rgb_memory(out.data(), out.size(), p.rgb.data(), p.width, p.height,
                                      true, i % 2 ? 60 : 75)) {
        all = false;
        break;
      }
      out.resize(JpegFile::jpeg_memory_size());
      int w = 0, h = 0;
      RgbBuffer rgb = JpegFile::read_rgb_memory(out.data(), out.size(), &w, &h);
      all = all && out == want && rgb && w == p.width && h == p.height;
    }
    same[i] = all;
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(work, i);
  for (auto& t : threads) t.join();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(same[i]) << i;
}

}  // namespace
}  // namespace quillet
