// Picture bytes held once per load: slices of one shared buffer, copied only
// when a record's picture is changed, saved byte for byte as read, and safe
// from the file changing or shrinking after the load.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "store/PictureBytes.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScopedSettleDelay;
using testing::ScratchDir;
using testing::WriteAll;

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
  return b;
}

// A store file with a note between pictures of the given sizes (ids 10,
// 11, ...), written by the store itself.
Bytes StoreWithPictures(const std::vector<size_t>& sizes) {
  CRecordStore store("", "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->recordId = 1;
  store.AddNew(std::move(settings));
  uint32_t id = 10;
  for (size_t i = 0; i < sizes.size(); ++i) {
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 100 + id;
    note->text = "between"_cp;
    store.AddNew(std::move(note));
    auto image = std::make_unique<CImageRecord>();
    image->recordId = id++;
    image->title = CpText("picture " + std::to_string(i));
    image->data = Pattern(sizes[i], static_cast<uint8_t>(i + 1));
    store.AddNew(std::move(image));
  }
  Bytes out;
  EXPECT_EQ(store.SaveToMemory(&out), DB_OK);
  return out;
}

std::vector<CImageRecord*> Pictures(CRecordStore& store) {
  std::vector<CImageRecord*> found;
  CRecord* r = nullptr;
  for (DbResult rc = store.FirstOfKind(kKindImage, &r, false); rc == DB_OK;
       rc = store.NextOfKind(kKindImage, &r, false))
    found.push_back(RecordAs<CImageRecord>(r));
  return found;
}

TEST(PictureArena, HandsOutRoomInOrderTakesBackTheLastAndTrims) {
  for (size_t capacity : {size_t{100}, size_t{5} << 20}) {  // from the heap, and mapped
    SCOPED_TRACE(capacity);
    auto arena = CPictureArena::Create(capacity);
    ASSERT_NE(arena, nullptr);
    size_t a = 99, b = 99, c = 99;
    uint8_t* pa = arena->Take(40, &a);
    uint8_t* pb = arena->Take(40, &b);
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 40u);
    EXPECT_EQ(pb, pa + 40);
    std::memset(pa, 0xAA, 40);
    std::memset(pb, 0xBB, 40);
    // Only the last room taken can be given back.
    arena->GiveBack(a);
    EXPECT_EQ(arena->used(), 80u);
    arena->GiveBack(b);
    EXPECT_EQ(arena->used(), 40u);
    EXPECT_EQ(arena->Take(capacity, &c), nullptr);  // more than is left
    ASSERT_NE(arena->Take(20, &c), nullptr);
    EXPECT_EQ(c, 40u);
    arena->Trim();
    EXPECT_EQ(arena->capacity(), 60u);
    EXPECT_EQ(arena->Take(1, &c), nullptr);
    EXPECT_EQ(arena->At(0)[39], 0xAA);  // what was written stays after the trim
  }
}

TEST(PictureBytesValue, CopiesShareAndAWriteCopiesFirst) {
  const Bytes bytes = Pattern(1000, 7);
  PictureBytes one(bytes);
  PictureBytes two = one;
  EXPECT_TRUE(two.SharesBufferWith(one));
  EXPECT_EQ(two.data(), one.data());
  EXPECT_FALSE(one.InArena());

  // Copy on write: the copy gets bytes of its own, the original keeps its.
  two.MutableData()[0] ^= 0xFF;
  EXPECT_FALSE(two.SharesBufferWith(one));
  EXPECT_TRUE(one == bytes);
  EXPECT_FALSE(two == bytes);
  EXPECT_EQ(two[0], static_cast<uint8_t>(bytes[0] ^ 0xFF));
  // Bytes nobody shares are written in place.
  const uint8_t* before = two.data();
  two.MutableData()[1] = 0;
  EXPECT_EQ(two.data(), before);

  PictureBytes empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.MutableData(), nullptr);
  EXPECT_TRUE(empty == Bytes{});
  EXPECT_FALSE(empty == one);
  one = Bytes{};
  EXPECT_TRUE(one.empty());
  EXPECT_TRUE(one == empty);
}

TEST(PictureBytesLoad, EveryPictureIsASliceOfOneBufferAndSavesByteForByte) {
  const Bytes file = StoreWithPictures({3000, 17, 40000});
  CRecordStore store("", "");
  ASSERT_EQ(store.LoadFromMemory(file.data(), file.size()), DB_OK);
  std::vector<CImageRecord*> pictures = Pictures(store);
  ASSERT_EQ(pictures.size(), 3u);
  for (size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(pictures[i]->data.InArena());
    EXPECT_TRUE(pictures[i]->data.SharesBufferWith(pictures[0]->data));
    EXPECT_TRUE(pictures[i]->data == Pattern(pictures[i]->dataSize(), static_cast<uint8_t>(i + 1)));
  }
  // Packed one after the other, nothing else between them.
  EXPECT_EQ(pictures[1]->data.data(), pictures[0]->data.data() + 3000);
  EXPECT_EQ(pictures[2]->data.data(), pictures[1]->data.data() + 17);

  Bytes saved;
  ASSERT_EQ(store.SaveToMemory(&saved), DB_OK);
  EXPECT_EQ(saved, file);

  // Another record's copy of the picture shares the bytes too.
  CImageRecord copy;
  copy.Assign(*pictures[2]);
  EXPECT_TRUE(copy.data.SharesBufferWith(pictures[2]->data));
}

// A load from a file reads it on a second thread, in pieces, into the one
// buffer: the pictures are where the file has them, and a file cut
// anywhere (inside a piece or at a piece's edge) loads exactly as the same
// bytes read from memory.
TEST(PictureBytesLoad, AFileLoadedWhileReadInPiecesMatchesTheSameBytesFromMemory) {
  std::vector<size_t> sizes;
  for (size_t i = 0; i < 120; ++i) sizes.push_back(20000 + i * 211);
  const Bytes file = StoreWithPictures(sizes);
  ASSERT_GT(file.size(), size_t{3} << 20);
  ScratchDir dir;
  WriteAll(dir.File("quillet.dat"), file);
  {
    CRecordStore store("quillet.dat", dir.path());
    ASSERT_EQ(store.Load(), DB_OK);
    std::vector<CImageRecord*> pictures = Pictures(store);
    ASSERT_EQ(pictures.size(), sizes.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
      SCOPED_TRACE(i);
      ASSERT_TRUE(pictures[i]->data.InArena());
      EXPECT_TRUE(pictures[i]->data.SharesBufferWith(pictures[0]->data));
      EXPECT_TRUE(pictures[i]->data == Pattern(sizes[i], static_cast<uint8_t>(i + 1)));
      // Each where the file has it: the bytes before it in the file are
      // the picture before it, its title and a note.
      if (i > 0) EXPECT_GT(pictures[i]->data.data(), pictures[i - 1]->data.data() + sizes[i - 1]);
    }
    Bytes saved;
    ASSERT_EQ(store.SaveToMemory(&saved), DB_OK);
    EXPECT_EQ(saved, file);
  }
  // A damaged file is told from one being written by waiting a little.
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  const size_t first_piece = size_t{256} << 10;
  const size_t second_piece_end = first_piece + (size_t{2} << 20);
  for (size_t cut : {size_t{3}, size_t{12}, size_t{5000}, first_piece - 1, first_piece, first_piece + 1,
                     second_piece_end - 2, second_piece_end, file.size() - 4, file.size() - 30000}) {
    SCOPED_TRACE(cut);
    WriteAll(dir.File("cut.dat"), Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
    CRecordStore from_file("cut.dat", dir.path()), from_memory("", "");
    const DbResult file_rc = from_file.Load();
    EXPECT_EQ(file_rc, from_memory.LoadFromMemory(file.data(), cut));
    EXPECT_EQ(from_file.highWater(), from_memory.highWater());
    const std::vector<CImageRecord*> a = Pictures(from_file), b = Pictures(from_memory);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(a[i]->data == b[i]->data) << i;
  }
}

TEST(PictureBytesLoad, AChangedPictureGetsItsOwnBytesAndTheOthersStay) {
  const Bytes file = StoreWithPictures({3000, 2000});
  CRecordStore store("", "");
  ASSERT_EQ(store.LoadFromMemory(file.data(), file.size()), DB_OK);
  std::vector<CImageRecord*> pictures = Pictures(store);
  ASSERT_EQ(pictures.size(), 2u);
  const uint8_t* second_before = pictures[1]->data.data();

  // Edited in place: copied out of the shared buffer first.
  pictures[0]->data.MutableData()[5] ^= 0x01;
  EXPECT_FALSE(pictures[0]->data.InArena());
  EXPECT_EQ(pictures[1]->data.data(), second_before);
  EXPECT_TRUE(pictures[1]->data == Pattern(2000, 2));

  Bytes saved;
  ASSERT_EQ(store.SaveToMemory(&saved), DB_OK);
  ASSERT_EQ(saved.size(), file.size());
  size_t differing = 0;
  for (size_t i = 0; i < file.size(); ++i) differing += saved[i] != file[i];
  EXPECT_EQ(differing, 1u);

  // Replaced whole: the new bytes are saved, of another size too.
  pictures[1]->data = Pattern(10, 9);
  ASSERT_EQ(store.SaveToMemory(&saved), DB_OK);
  EXPECT_EQ(saved.size(), file.size() - 1990);
  CRecordStore again("", "");
  ASSERT_EQ(again.LoadFromMemory(saved.data(), saved.size()), DB_OK);
  EXPECT_TRUE(Pictures(again)[1]->data == Pattern(10, 9));
}

TEST(PictureBytesLoad, BytesOutliveTheStoreWhileACopyHoldsThem) {
  const Bytes file = StoreWithPictures({5000});
  PictureBytes kept;
  {
    CRecordStore store("", "");
    ASSERT_EQ(store.LoadFromMemory(file.data(), file.size()), DB_OK);
    kept = Pictures(store)[0]->data;
  }
  EXPECT_TRUE(kept.InArena());
  EXPECT_TRUE(kept == Pattern(5000, 1));
}

TEST(PictureBytesLoad, AFileRewrittenOrCutAfterTheLoadChangesNothingHeld) {
  testing::ScopedSettleDelay settle(std::chrono::milliseconds(1));
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  // Big enough for the mapped buffer.
  const Bytes file = StoreWithPictures({1500000, 900000, 3});
  testing::WriteAll(path, file);
  CRecordStore store("quillet.dat", dir.path());
  ASSERT_EQ(store.Load(), DB_OK);
  std::vector<CImageRecord*> pictures = Pictures(store);
  ASSERT_EQ(pictures.size(), 3u);

  // Another program cuts the file short, then writes zeros over what is left.
  ASSERT_EQ(::truncate(path.c_str(), 100), 0);
  Bytes zeros(100, 0);
  testing::WriteAll(path, zeros);
  for (size_t i = 0; i < pictures.size(); ++i)
    EXPECT_TRUE(pictures[i]->data == Pattern(pictures[i]->dataSize(), static_cast<uint8_t>(i + 1)));

  // What the store holds is still the whole store: a copy is the file as loaded.
  ASSERT_EQ(store.SaveTo(dir.File("copy.dat")), DB_OK);
  EXPECT_EQ(ReadAll(dir.File("copy.dat")), file);
  // A save never writes over the damaged file; once it is out of the way
  // (set aside when the store is opened again) the store takes its place,
  // unchanged.
  EXPECT_NE(store.Save(), DB_OK);
  EXPECT_TRUE(store.saveRefusedDamagedFile());
  EXPECT_EQ(ReadAll(path), zeros);
  ASSERT_EQ(::rename(path.c_str(), dir.File("quillet.dat.damaged").c_str()), 0);
  ASSERT_EQ(store.Save(), DB_OK);
  EXPECT_EQ(ReadAll(path), file);
}

TEST(PictureBytesLoad, APictureCutOffByTheEndOfTheFileKeepsWhatWasThere) {
  const Bytes file = StoreWithPictures({3000});
  const Bytes whole = Pattern(3000, 1);
  for (size_t missing : {size_t{1}, size_t{2000}, size_t{3004}}) {
    SCOPED_TRACE(missing);
    // The picture is the last record; cutting the marker and `missing` more.
    const size_t cut = file.size() - 4 - missing;
    CRecordStore store("", "");
    store.LoadFromMemory(file.data(), cut);
    std::vector<CImageRecord*> pictures = Pictures(store);
    ASSERT_EQ(pictures.size(), 1u);
    const size_t have = missing >= 3000 ? 0 : 3000 - missing;
    EXPECT_EQ(pictures[0]->dataSize(), have);
    EXPECT_TRUE(pictures[0]->data == Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(have)));
  }
}

TEST(PictureBytesLoad, AReloadTakesTheOtherWritersPictureAndKeepsTheRest) {
  testing::ScopedSettleDelay settle(std::chrono::milliseconds(1));
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  testing::WriteAll(path, StoreWithPictures({4000, 4000}));
  CRecordStore mine("quillet.dat", dir.path());
  ASSERT_EQ(mine.Load(), DB_OK);
  CImageRecord* first = Pictures(mine)[0];
  const uint8_t* first_bytes = first->data.data();
  {
    CRecordStore other("quillet.dat", dir.path());
    ASSERT_EQ(other.Load(), DB_OK);
    Pictures(other)[1]->data = Pattern(777, 42);
    // (The save puts a new file in place: its stamp differs whatever the
    // clock says.)
    ASSERT_EQ(other.Save(), DB_OK);
  }
  bool changed = false;
  ASSERT_EQ(mine.Reload(&changed), DB_OK);
  EXPECT_TRUE(changed);
  std::vector<CImageRecord*> now = Pictures(mine);
  ASSERT_EQ(now.size(), 2u);
  EXPECT_EQ(now[0], first);
  EXPECT_EQ(now[0]->data.data(), first_bytes);  // untouched, still the load's slice
  EXPECT_TRUE(now[1]->data == Pattern(777, 42));
  Bytes saved;
  ASSERT_EQ(mine.SaveToMemory(&saved), DB_OK);
  EXPECT_EQ(saved, ReadAll(path));
}

}  // namespace
}  // namespace quillet
