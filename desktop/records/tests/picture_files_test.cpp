// The picture files of the output folder: the index that spares encodings
// across runs, and writing in the background.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PictureFiles.h"
#include "desktop/records/PictureIndex.h"
#include "desktop/records/TopicTreeModel.h"
#include "reports/ImagingWriter.h"
#include "store/RecordKinds.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::MakeJpeg;
using testing::ReadFileBytes;
using testing::StoreFixture;

// The imaging core's writer, counting its encodings; with `gate`, the
// first encoding waits until the test opens it.
class CountingWriter : public IImageWriter {
 public:
  bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height, const uint8_t* data,
                 size_t size) override {
    {
      std::unique_lock<std::mutex> lock(mu);
      ++started;
      cv.notify_all();
      cv.wait(lock, [this] { return !gated; });
    }
    const bool ok = real.WriteJpeg(path, width, height, data, size);
    jpegs.fetch_add(1);
    return ok;
  }
  bool WriteSketch(const uint8_t* data, size_t size, const std::string& path) override {
    return real.WriteSketch(data, size, path);
  }
  void Close() {
    std::lock_guard<std::mutex> lock(mu);
    gated = true;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mu);
    gated = false;
    cv.notify_all();
  }
  void WaitStarted(int n) {
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [&] { return started >= n; });
  }

  ImagingWriter real;
  std::atomic<int> jpegs{0};
  std::mutex mu;
  std::condition_variable cv;
  bool gated = false;
  int started = 0;
};

class PictureFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    cache = f.output + "../cache/";
    fs::create_directories(cache);
  }
  CImageRecord* Image(uint32_t id) { return RecordAs<CImageRecord>(FindRecord(id)); }
  // The one index file the cache holds.
  std::string IndexFile() const {
    return CPictureIndex::PathFor(cache, f.output);
  }

  StoreFixture f;
  std::string cache;
};

TEST(PictureIndex, DigestsFollowTheBytesAndIndexFilesTheFolder) {
  std::vector<uint8_t> a(1000), b(1000);
  for (size_t i = 0; i < a.size(); ++i) a[i] = b[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(PictureDigest(a.data(), a.size()), PictureDigest(b.data(), b.size()));
  b[999] ^= 1;
  EXPECT_NE(PictureDigest(a.data(), a.size()), PictureDigest(b.data(), b.size()));
  b[999] ^= 1;
  b[3] ^= 0x80;
  EXPECT_NE(PictureDigest(a.data(), a.size()), PictureDigest(b.data(), b.size()));
  // Short inputs and a cut-off tail count too.
  EXPECT_NE(PictureDigest(a.data(), 31), PictureDigest(a.data(), 30));
  EXPECT_NE(PictureDigest(a.data(), 7), PictureDigest(a.data(), 6));

  const std::string one = CPictureIndex::PathFor("/c/", "/out/one/");
  EXPECT_EQ(one.rfind("/c/pictures-", 0), 0u) << one;
  EXPECT_NE(one, CPictureIndex::PathFor("/c", "/out/two/"));
  EXPECT_EQ(CPictureIndex::PathFor("", "/out/one/"), "");
}

TEST_F(PictureFilesTest, AnUnchangedPictureIsNotEncodedAgainInTheNextRun) {
  uint32_t topic = f.AddTopic("Album");
  uint32_t a = f.AddImage(topic, "A", MakeJpeg(40, 30, 1), kImageFormatJpeg, "a.jpg");
  f.AddImage(topic, "B", MakeJpeg(40, 30, 2), kImageFormatJpeg, "b.jpg");
  std::string first_a;
  {
    CountingWriter writer;
    CPictureFiles run(&writer);
    run.SetCacheFolder(cache);
    TreeFillReport report;
    CollectTopicTree({}, f.output, &run, &report);
    EXPECT_EQ(report.picturesWritten, 2u);
    EXPECT_EQ(writer.jpegs, 2);
    first_a = ReadFileBytes(f.output + "a.jpg");
    ASSERT_FALSE(first_a.empty());
  }  // the run ends: its index is written
  ASSERT_TRUE(StoreFixture::Exists(IndexFile()));

  CountingWriter writer;
  CPictureFiles next(&writer);
  next.SetCacheFolder(cache);
  TreeFillReport report;
  CollectTopicTree({}, f.output, &next, &report);
  EXPECT_EQ(report.picturesKept, 2u);
  EXPECT_EQ(report.picturesWritten, 0u);
  EXPECT_EQ(writer.jpegs, 0);

  // A changed record is encoded again; so is a file someone else changed
  // (same bytes, a newer time) or removed.
  Image(a)->data = MakeJpeg(40, 30, 9);
  CollectTopicTree({}, f.output, &next, &report);
  EXPECT_EQ(report.picturesWritten, 1u);
  EXPECT_NE(ReadFileBytes(f.output + "a.jpg"), first_a);

  const std::string b_bytes = ReadFileBytes(f.output + "b.jpg");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  { std::ofstream(f.output + "b.jpg", std::ios::binary | std::ios::trunc) << b_bytes; }
  CollectTopicTree({}, f.output, &next, &report);
  EXPECT_EQ(report.picturesWritten, 1u);
  EXPECT_EQ(report.picturesKept, 1u);
  fs::remove(f.output + "a.jpg");
  CollectTopicTree({}, f.output, &next, &report);
  EXPECT_EQ(report.picturesWritten, 1u);
  EXPECT_TRUE(StoreFixture::Exists(f.output + "a.jpg"));
  EXPECT_EQ(writer.jpegs, 3);
}

TEST_F(PictureFilesTest, ADamagedOrForeignIndexIsRebuilt) {
  uint32_t topic = f.AddTopic("Album");
  f.AddImage(topic, "A", MakeJpeg(40, 30, 1), kImageFormatJpeg, "a.jpg");
  f.AddImage(topic, "B", MakeJpeg(40, 30, 2), kImageFormatJpeg, "b.jpg");
  auto run = [&](int* encodings) {
    CountingWriter writer;
    {
      CPictureFiles pictures(&writer);
      pictures.SetCacheFolder(cache);
      CollectTopicTree({}, f.output, &pictures, nullptr);
    }
    *encodings = writer.jpegs;
  };
  int n = 0;
  run(&n);
  ASSERT_EQ(n, 2);
  run(&n);
  ASSERT_EQ(n, 0);

  // One byte changed in the middle: not trusted, every picture made again,
  // and the index written anew for the run after.
  std::string bytes = ReadFileBytes(IndexFile());
  ASSERT_GT(bytes.size(), 40u);
  bytes[bytes.size() / 2] ^= 0x20;
  { std::ofstream(IndexFile(), std::ios::binary | std::ios::trunc) << bytes; }
  run(&n);
  EXPECT_EQ(n, 2);
  run(&n);
  EXPECT_EQ(n, 0);

  // Cut short, empty, or not an index at all.
  for (const std::string& damage : {bytes.substr(0, bytes.size() - 3), std::string(),
                                     std::string("not an index of pictures")}) {
    { std::ofstream(IndexFile(), std::ios::binary | std::ios::trunc) << damage; }
    run(&n);
    EXPECT_EQ(n, 2);
  }
  // A whole index, its digest right, whose entry count is far more than its
  // bytes can hold: rebuilt, not believed.
  for (uint32_t count : {0xFFFFFFFFu, 3u}) {
    std::string crafted("QPIX", 4);
    auto u32 = [&](uint32_t v) { crafted.append(reinterpret_cast<const char*>(&v), 4); };
    u32(1);
    u32(static_cast<uint32_t>(f.output.size()));
    crafted += f.output;
    u32(count);
    const uint64_t sum = PictureDigest(reinterpret_cast<const uint8_t*>(crafted.data()), crafted.size());
    crafted.append(reinterpret_cast<const char*>(&sum), 8);
    { std::ofstream(IndexFile(), std::ios::binary | std::ios::trunc) << crafted; }
    CPictureIndex lying;
    EXPECT_FALSE(lying.Load(IndexFile(), f.output));
    EXPECT_EQ(lying.size(), 0u);
    run(&n);
    EXPECT_EQ(n, 2);
  }
  // A pipe under the index's name is passed over at once.
  ASSERT_EQ(::unlink(IndexFile().c_str()), 0);
  ASSERT_EQ(::mkfifo(IndexFile().c_str(), 0600), 0);
  CPictureIndex piped;
  EXPECT_FALSE(piped.Load(IndexFile(), f.output));
  ASSERT_EQ(::unlink(IndexFile().c_str()), 0);
  run(&n);
  EXPECT_EQ(n, 2);
  // Another folder's index under this folder's name is not used either.
  CPictureIndex foreign;
  ASSERT_TRUE(foreign.Load(IndexFile(), f.output));
  EXPECT_EQ(foreign.size(), 2u);
  CPictureIndex other;
  EXPECT_FALSE(other.Load(IndexFile(), f.output + "elsewhere/"));
  EXPECT_EQ(other.size(), 0u);
}

TEST_F(PictureFilesTest, BackgroundWritingLeavesOnlyWholeFiles) {
  uint32_t topic = f.AddTopic("Album");
  std::vector<uint32_t> ids;
  for (int i = 0; i < 24; ++i)
    ids.push_back(f.AddImage(topic, "P" + std::to_string(i), MakeJpeg(160, 160, i),
                             kImageFormatJpeg, "p" + std::to_string(i) + ".jpg"));
  CPictureFiles pictures;
  pictures.SetCacheFolder(cache);
  std::atomic<int> wakes{0};
  pictures.SetBackground(true, [&] { ++wakes; });

  TreeFillReport report;
  CollectTopicTree({}, f.output, &pictures, &report);
  EXPECT_EQ(report.picturesQueued, 24u);
  EXPECT_EQ(report.picturesWritten, 0u);
  EXPECT_GE(wakes.load(), 1);

  // While the thread writes, every file under a picture's name is whole: a
  // JPEG from its start marker to its end marker.
  std::atomic<bool> done{false};
  int seen = 0, bad = 0;
  std::thread reader([&] {
    while (!done) {
      for (int i = 0; i < 24; ++i) {
        const std::string bytes = ReadFileBytes(f.output + "p" + std::to_string(i) + ".jpg");
        if (bytes.empty()) continue;
        ++seen;
        if (bytes.size() < 4 || static_cast<uint8_t>(bytes[0]) != 0xFF ||
            static_cast<uint8_t>(bytes[1]) != 0xD8 ||
            static_cast<uint8_t>(bytes[bytes.size() - 2]) != 0xFF ||
            static_cast<uint8_t>(bytes[bytes.size() - 1]) != 0xD9)
          ++bad;
      }
    }
  });
  pictures.Finish();
  done = true;
  reader.join();
  EXPECT_EQ(bad, 0) << seen << " reads";
  EXPECT_EQ(pictures.pending(), 0u);
  EXPECT_EQ(pictures.written(), 24u);
  for (int i = 0; i < 24; ++i) EXPECT_TRUE(StoreFixture::Exists(f.output + "p" + std::to_string(i) + ".jpg"));
  // No temporary file is left behind.
  for (const auto& e : fs::directory_iterator(f.output))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();

  // The next fill finds them all made from the same bytes.
  CollectTopicTree({}, f.output, &pictures, &report);
  pictures.Finish();
  EXPECT_EQ(pictures.written(), 24u);
  EXPECT_EQ(pictures.kept(), 24u);
}

TEST_F(PictureFilesTest, AStoreChangeDuringTheBackgroundWriteEndsWithTheNewPicture) {
  uint32_t topic = f.AddTopic("Album");
  uint32_t a = f.AddImage(topic, "A", MakeJpeg(64, 48, 1), kImageFormatJpeg, "a.jpg");
  uint32_t b = f.AddImage(topic, "B", MakeJpeg(64, 48, 2), kImageFormatJpeg, "b.jpg");
  uint32_t c = f.AddImage(topic, "C", MakeJpeg(64, 48, 3), kImageFormatJpeg, "c.jpg");

  // What the new bytes of A give, written at once elsewhere.
  fs::create_directories(f.output + "../expected/");
  const std::string expected_path = f.output + "../expected/a.jpg";

  CountingWriter writer;
  writer.Close();
  CPictureFiles pictures(&writer);
  pictures.SetCacheFolder(cache);
  pictures.SetBackground(true);
  CollectTopicTree({}, f.output, &pictures, nullptr);
  pictures.Pump();
  writer.WaitStarted(1);  // A's old bytes are being encoded

  // Meanwhile A changes, B is deleted and C is renamed; the tree fills again.
  Image(a)->data = MakeJpeg(64, 48, 7);
  ASSERT_TRUE(ImagingWriter().WriteJpeg(expected_path, 64, 48, Image(a)->data.data(),
                                        Image(a)->data.size()));
  std::thread forget([&] { pictures.Forget(f.output + "b.jpg"); });
  FindRecord(b)->flags |= kFlagDeleted;
  Image(c)->fileName = "c2.jpg";
  CollectTopicTree({}, f.output, &pictures, nullptr);
  writer.Open();
  forget.join();
  fs::remove(f.output + "b.jpg");
  pictures.Finish();

  EXPECT_EQ(ReadFileBytes(f.output + "a.jpg"), ReadFileBytes(expected_path));
  EXPECT_FALSE(StoreFixture::Exists(f.output + "b.jpg"));
  EXPECT_TRUE(StoreFixture::Exists(f.output + "c2.jpg"));
  // The index says what A's file now is: the next run keeps it.
  pictures.SaveIndexes();
  CountingWriter again;
  CPictureFiles next(&again);
  next.SetCacheFolder(cache);
  EXPECT_EQ(next.Write(f.output + "a.jpg", *Image(a)), CPictureFiles::Outcome::kKept);
  EXPECT_EQ(again.jpegs, 0);
}

TEST_F(PictureFilesTest, AReportWritesItsPictureAtOnceWhenTheFileIsMissingOrOld) {
  uint32_t topic = f.AddTopic("Album");
  uint32_t a = f.AddImage(topic, "A", MakeJpeg(40, 30, 1), kImageFormatJpeg, "a.jpg");
  CountingWriter writer;
  CPictureFiles pictures(&writer);
  pictures.SetCacheFolder(cache);
  pictures.SetBackground(true);
  CollectTopicTree({}, f.output, &pictures, nullptr);  // noted, not written
  EXPECT_FALSE(StoreFixture::Exists(f.output + "a.jpg"));

  const CImageRecord& image = *Image(a);
  ASSERT_TRUE(pictures.ChecksFreshness());
  EXPECT_TRUE(pictures.WriteJpeg(f.output + "a.jpg", image.width, image.height, image.data.data(),
                                 image.data.size()));
  EXPECT_TRUE(StoreFixture::Exists(f.output + "a.jpg"));
  EXPECT_EQ(writer.jpegs, 1);
  // Asked again: kept; the background finds it made too.
  EXPECT_TRUE(pictures.WriteJpeg(f.output + "a.jpg", image.width, image.height, image.data.data(),
                                 image.data.size()));
  pictures.Finish();
  EXPECT_EQ(writer.jpegs, 1);
  // Undecodable bytes are refused.
  const uint8_t junk[] = {0xFF, 0xD8, 0x00, 0x01};
  EXPECT_FALSE(pictures.WriteJpeg(f.output + "junk.jpg", 4, 4, junk, sizeof junk));
}

}  // namespace
}  // namespace quillet
