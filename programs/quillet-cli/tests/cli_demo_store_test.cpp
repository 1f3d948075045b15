// quillet-cli demo-store, run as the run script runs it, and the sketch
// writer it uses, checked against the program's own sketch decoder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <set>

#include "imaging/JpegFile.h"
#include "imaging/Sketch.h"
#include "programs/quillet-cli/SketchEncoder.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::ScratchDir;

int RunCli(const std::string& args) {
  const std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-cli " + args + " >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

template <class T>
std::vector<T*> All(CRecordStore& store) {
  std::vector<T*> out;
  CRecord* r = nullptr;
  for (DbResult rc = store.FirstOfKind(T::kKind, &r, true); rc == DB_OK && r;
       rc = store.NextOfKind(T::kKind, &r, true))
    out.push_back(RecordAs<T>(r));
  return out;
}

TEST(DemoStore, HoldsEveryKindTheProgramShows) {
  ScratchDir dir;
  const std::string file = dir.File("quillet.dat");
  ASSERT_EQ(RunCli("demo-store '" + file + "'"), 0);
  // An existing store is never overwritten without --force.
  EXPECT_EQ(RunCli("demo-store '" + file + "'"), 2);

  CRecordStore store("quillet.dat", dir.path());
  ASSERT_EQ(store.Load(), DB_OK);

  // Ids are unique and the settings counter is past all of them.
  std::set<uint32_t> ids;
  uint32_t highest = 0;
  for (uint32_t i = 0; i < store.highWater(); ++i)
    if (CRecord* r = store.RecordAt(i)) {
      EXPECT_TRUE(ids.insert(r->recordId).second) << r->recordId;
      highest = std::max(highest, r->recordId);
    }
  ASSERT_EQ(All<CSettingsRecord>(store).size(), 1u);
  EXPECT_EQ(All<CSettingsRecord>(store)[0]->lastRecordId, highest);

  const auto categories = All<CCategoryRecord>(store);
  ASSERT_EQ(categories.size(), 2u);
  std::map<uint32_t, int> topicsPerCategory;
  for (CTopicRecord* t : All<CTopicRecord>(store)) {
    ++topicsPerCategory[t->categoryId];
    // Topic and links record point at each other.
    CRecord* links = nullptr;
    ASSERT_EQ(store.FindById(t->linksId, &links), DB_OK);
    ASSERT_NE(RecordAs<CTopicLinksRecord>(links), nullptr);
    EXPECT_EQ(RecordAs<CTopicLinksRecord>(links)->topicId, t->recordId);
    for (uint32_t m : RecordAs<CTopicLinksRecord>(links)->memberIds) EXPECT_TRUE(ids.count(m)) << m;
  }
  for (CCategoryRecord* c : categories) EXPECT_GE(topicsPerCategory[c->recordId], 2) << c->name;

  int multiLine = 0;
  for (CNoteRecord* n : All<CNoteRecord>(store)) multiLine += n->text.find('\n') != std::string::npos;
  EXPECT_GE(multiLine, 3);

  std::set<int32_t> kinds;
  for (CCustomRecord* c : All<CCustomRecord>(store)) {
    kinds.insert(c->customType);
    EXPECT_EQ(c->fieldCount(), static_cast<size_t>(CustomTypeFieldCount(c->customType)));
    EXPECT_FALSE(c->fields[0].empty());
  }
  EXPECT_EQ(kinds, (std::set<int32_t>{kCustomBook, kCustomInternet, kCustomJournal,
                                      kCustomMagazine, kCustomNewspaper, kCustomReport}));

  std::set<std::pair<int, int>> sizes;
  std::set<std::string> names;
  int sketches = 0;
  for (CImageRecord* img : All<CImageRecord>(store)) {
    EXPECT_TRUE(names.insert(img->fileName).second) << img->fileName;
    if (img->format == kImageFormatSketch) {
      ++sketches;
      FloatImage decoded;
      SketchDecodeInfo info;
      ASSERT_GT(DecodeSketch(img->data.data(), img->data.size(), &decoded, &info), 0u);
      EXPECT_FALSE(info.truncated);
      EXPECT_EQ(decoded.width(), static_cast<int>(img->width));
      continue;
    }
    ASSERT_EQ(img->format, kImageFormatJpeg);
    EXPECT_LE(img->data.size(), 60000u);
    int w = 0, h = 0;
    ASSERT_TRUE(JpegFile::read_rgb_memory(img->data.data(), img->data.size(), &w, &h));
    EXPECT_EQ(w, static_cast<int>(img->width));
    EXPECT_EQ(h, static_cast<int>(img->height));
    sizes.insert({w, h});
  }
  EXPECT_EQ(sizes, (std::set<std::pair<int, int>>{{160, 160}, {320, 320}, {320, 480}}));
  EXPECT_EQ(sketches, 1);
}

// Pixels the decoder gives back for each row of a sketch written by us.
std::vector<uint8_t> DecodeBlack(const std::vector<uint8_t>& bytes, int w, int h) {
  FloatImage image;
  EXPECT_GT(DecodeSketch(bytes.data(), bytes.size(), &image), 0u);
  std::vector<uint8_t> black;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) black.push_back(image.at(x, y).red < 0.5f ? 1 : 0);
  return black;
}

TEST(SketchEncoder, WritesWhatTheDecoderReadsBack) {
  // 37 pixels wide: rows of 6 bytes after padding to 16 bits, so a row's
  // last scan-line group is short and the last byte is partly padding.
  cli::SketchBits bits(37, 21);
  for (int i = 0; i < 21; ++i) bits.Set(i, i);            // a diagonal
  for (int x = 0; x < 37; ++x) bits.Set(x, 10);          // a full row
  bits.Set(36, 0);                                       // the last pixel of a row
  for (int y = 12; y < 18; ++y) bits.Set(30, y);          // rows that repeat each other
  for (bool compress : {false, true}) {
    const std::vector<uint8_t> bytes = cli::EncodeSketch(bits, compress);
    SketchHeader header;
    ASSERT_TRUE(ReadSketchHeader(bytes.data(), bytes.size(), &header));
    EXPECT_EQ(header.row_bytes, 6);
    EXPECT_EQ(header.pixel_size, 1);
    EXPECT_EQ((header.flags & kSketchCompressed) != 0, compress);
    EXPECT_EQ(DecodeBlack(bytes, 37, 21), bits.black) << "compressed " << compress;
    if (!compress) {
      EXPECT_EQ(bytes.size(), kSketchHeaderSize + 6u * 21);
    }
  }
  // An empty sketch compresses to one flag byte per group: 16 + 2 + 21 rows x 1.
  cli::SketchBits empty(37, 21);
  EXPECT_EQ(cli::EncodeSketch(empty, true).size(), kSketchHeaderSize + 2 + 21u);
}

// quillet-cli synth-store: the store the scale benchmarks start from.
TEST(SynthStore, WritesTheAskedSizeWithEveryKindAndDistinctPictures) {
  ScratchDir dir;
  const std::string file = dir.File("quillet.dat");
  ASSERT_EQ(RunCli("synth-store '" + file + "' --topics 40 --members 7 --pictures 25"), 0);
  EXPECT_EQ(RunCli("synth-store '" + file + "' --topics 40 --members 7"), 2);  // exists
  EXPECT_EQ(RunCli("synth-store '" + dir.File("b.dat") + "' --topics 2 --members 2 --pictures 5"), 2);
  EXPECT_EQ(RunCli("synth-store '" + dir.File("c.dat") + "' --topics x --members 2"), 2);
  EXPECT_EQ(RunCli("synth-store '" + dir.File("d.dat") + "' --members 2"), 2);

  CRecordStore store("quillet.dat", dir.path());
  ASSERT_EQ(store.Load(), DB_OK);
  // Settings, 20 categories, 40 topics with their links, 280 members.
  EXPECT_EQ(store.highWater(), 1u + 20 + 80 + 280);
  EXPECT_EQ(All<CCategoryRecord>(store).size(), 20u);
  const auto topics = All<CTopicRecord>(store);
  ASSERT_EQ(topics.size(), 40u);
  std::set<uint32_t> ids;
  for (uint32_t i = 0; i < store.highWater(); ++i)
    if (CRecord* r = store.RecordAt(i)) EXPECT_TRUE(ids.insert(r->recordId).second);
  int unfiled = 0;
  for (CTopicRecord* t : topics) {
    unfiled += t->categoryId == 0;
    CRecord* links = nullptr;
    ASSERT_EQ(store.FindById(t->linksId, &links), DB_OK);
    EXPECT_EQ(RecordAs<CTopicLinksRecord>(links)->memberIds.size(), 7u);
  }
  EXPECT_GT(unfiled, 0);
  EXPECT_LT(unfiled, 40);
  std::set<int32_t> kinds;
  for (CCustomRecord* c : All<CCustomRecord>(store)) {
    kinds.insert(c->customType);
    EXPECT_EQ(c->fieldCount(), static_cast<size_t>(CustomTypeFieldCount(c->customType)));
  }
  EXPECT_EQ(kinds.size(), 6u);
  int multiLine = 0;
  for (CNoteRecord* n : All<CNoteRecord>(store)) multiLine += n->text.find('\n') != std::string::npos;
  EXPECT_EQ(multiLine, static_cast<int>(All<CNoteRecord>(store).size()));
  // Pictures: as many as asked, each a JPEG of its own bytes and file name.
  const auto images = All<CImageRecord>(store);
  ASSERT_EQ(images.size(), 25u);
  std::set<std::vector<uint8_t>> bytes;
  std::set<std::string> names;
  for (CImageRecord* img : images) {
    bytes.insert(img->data.ToVector());
    names.insert(img->fileName);
    EXPECT_GT(img->data.size(), 10000u);
    EXPECT_LE(img->data.size(), 60000u);
    int w = 0, h = 0;
    ASSERT_TRUE(JpegFile::read_rgb_memory(img->data.data(), img->data.size(), &w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
  }
  EXPECT_EQ(bytes.size(), 25u);
  EXPECT_EQ(names.size(), 25u);
}

}  // namespace
}  // namespace quillet
