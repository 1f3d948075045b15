// FindById through the store's id index gives what a walk over every
// position gives: the lowest position with the id, whatever its kind and
// flags, across inserts, in-place id changes, merges and loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

// The answer FindById has always given: the first position with the id.
CRecord* Walk(const CRecordStore& store, uint32_t id) {
  for (uint32_t pos = 0; pos < store.highWater(); ++pos)
    if (CRecord* r = store.RecordAt(pos); r != nullptr && r->recordId == id) return r;
  return nullptr;
}

// Every id in the store, plus a few around them and some far off.
std::set<uint32_t> Probes(const CRecordStore& store) {
  std::set<uint32_t> ids{0, 1, 2, 999999, 4000000000u};
  for (uint32_t pos = 0; pos < store.highWater(); ++pos)
    if (const CRecord* r = store.RecordAt(pos)) {
      ids.insert(r->recordId);
      ids.insert(r->recordId + 1);
      if (r->recordId > 0) ids.insert(r->recordId - 1);
    }
  return ids;
}

// FindById, then FindByIdAmongMany over one pass, agree with the walk
// (the second pass may make the index again: it comes after the first).
void ExpectSameAsWalk(const CRecordStore& store, const char* where) {
  for (uint32_t id : Probes(store)) {
    CRecord* found = reinterpret_cast<CRecord*>(1);
    const DbResult rc = store.FindById(id, &found);
    CRecord* walked = Walk(store, id);
    EXPECT_EQ(found, walked) << where << ", id " << id;
    EXPECT_EQ(rc, walked != nullptr ? DB_OK : DB_ERR_NOT_FOUND) << where << ", id " << id;
  }
  bool remade = false;
  for (uint32_t id : Probes(store))
    EXPECT_EQ(store.FindByIdAmongMany(id, &remade), Walk(store, id)) << where << ", among many, id " << id;
}

CNoteRecord* AddNote(CRecordStore& store, uint32_t id, const std::string& text, uint32_t flags = 0) {
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = id;
  note->text = CpText(text);
  note->flags = flags;
  CNoteRecord* raw = note.get();
  EXPECT_EQ(store.Insert(std::move(note)), DB_OK);
  return raw;
}

std::string TextOf(const CRecordStore& store, uint32_t id) {
  CRecord* r = nullptr;
  if (store.FindById(id, &r) != DB_OK) return "(none)";
  const auto* note = RecordAs<CNoteRecord>(r);
  return note != nullptr ? note->text.bytes() : "(not a note)";
}

TEST(StoreIdIndex, InsertsKeepTheLowestPositionOfRepeatedIdsDenseOrSparse) {
  CRecordStore store("quillet.dat", "");
  ExpectSameAsWalk(store, "empty");
  // Lookups between inserts, so that the index is made early and then kept
  // in step: dense ids, a repeated id (a damaged file), a deleted record
  // first, then ids far beyond the table.
  AddNote(store, 5, "a");
  ExpectSameAsWalk(store, "one");
  AddNote(store, 7, "deleted seven", kFlagDeleted);
  AddNote(store, 7, "live seven");
  AddNote(store, 5, "second five");
  ExpectSameAsWalk(store, "repeated ids");
  EXPECT_EQ(TextOf(store, 5), "a");
  EXPECT_EQ(TextOf(store, 7), "deleted seven");
  for (uint32_t id = 8; id < 3000; ++id) AddNote(store, id, "n" + std::to_string(id));
  ExpectSameAsWalk(store, "grown");
  AddNote(store, 50000000u, "far");
  AddNote(store, 3001, "near again");
  AddNote(store, 50000000u, "far, second");
  ExpectSameAsWalk(store, "sparse");
  EXPECT_EQ(TextOf(store, 50000000u), "far");
  AddNote(store, 100, "repeats an old id");
  EXPECT_EQ(TextOf(store, 100), "n100");
  ExpectSameAsWalk(store, "sparse, repeated");

  // A load makes the index from the ids it read: the same answers, for the
  // whole file and for one cut off in the middle of a record.
  std::vector<uint8_t> bytes;
  ASSERT_EQ(store.SaveToMemory(&bytes), DB_OK);
  CRecordStore loaded("quillet.dat", "");
  ASSERT_EQ(loaded.LoadFromMemory(bytes.data(), bytes.size()), DB_OK);
  EXPECT_EQ(loaded.highWater(), store.highWater());
  ExpectSameAsWalk(loaded, "loaded");
  EXPECT_EQ(TextOf(loaded, 50000000u), "far");
  CRecordStore cut("quillet.dat", "");
  EXPECT_NE(cut.LoadFromMemory(bytes.data(), bytes.size() / 2 + 3), DB_OK);
  EXPECT_GT(cut.highWater(), 1000u);
  ExpectSameAsWalk(cut, "cut off");
}

TEST(StoreIdIndex, IdsChangedInPlaceAreFoundUnderTheNewIdOnly) {
  CRecordStore store("quillet.dat", "");
  std::vector<CNoteRecord*> notes;
  for (uint32_t id = 1; id <= 20; ++id) notes.push_back(AddNote(store, id, "n" + std::to_string(id)));
  ExpectSameAsWalk(store, "before");
  notes[3]->recordId = 400;  // id 4 is gone, 400 is new
  bool remade = false;  // the index is out of date: made again before a miss is believed
  EXPECT_EQ(store.FindByIdAmongMany(400, &remade), notes[3]);
  EXPECT_TRUE(remade);
  remade = false;
  EXPECT_EQ(store.FindByIdAmongMany(4, &remade), nullptr);
  notes[3]->recordId = 401;
  EXPECT_EQ(store.FindByIdAmongMany(400, &remade), nullptr);  // once remade, a miss is believed
  notes[3]->recordId = 400;
  EXPECT_EQ(TextOf(store, 4), "(none)");
  EXPECT_EQ(TextOf(store, 400), "n4");
  notes[5]->recordId = 7;  // now repeats the id of the record after it
  notes[6]->recordId = 77;
  remade = false;  // the index names a record that has another id now
  EXPECT_EQ(store.FindByIdAmongMany(7, &remade), notes[5]);
  EXPECT_EQ(TextOf(store, 77), "n7");
  store.IdsChanged();
  EXPECT_EQ(TextOf(store, 7), "n6");
  EXPECT_EQ(TextOf(store, 6), "(none)");
  ExpectSameAsWalk(store, "after");
}

TEST(StoreIdIndex, MergeRenumberingAndReloadsLeaveNoStaleEntry) {
  CRecordStore base("quillet.dat", "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->recordId = 1;
  settings->lastRecordId = 10;
  ASSERT_EQ(base.Insert(std::move(settings)), DB_OK);
  for (uint32_t id = 2; id <= 10; ++id) AddNote(base, id, "base " + std::to_string(id));
  std::vector<uint8_t> base_bytes;
  ASSERT_EQ(base.SaveToMemory(&base_bytes), DB_OK);

  CRecordStore ours("quillet.dat", "");
  ASSERT_EQ(ours.LoadFromMemory(base_bytes.data(), base_bytes.size()), DB_OK);
  CRecordStore theirs("quillet.dat", "");
  ASSERT_EQ(theirs.LoadFromMemory(base_bytes.data(), base_bytes.size()), DB_OK);
  // Both add a record under id 11; the other writer also drops nothing but
  // adds a second one, so positions shift.
  CNoteRecord* mine = AddNote(ours, 11, "ours");
  AddNote(theirs, 11, "theirs");
  AddNote(theirs, 12, "theirs too");
  EXPECT_EQ(TextOf(ours, 11), "ours");  // the index is made before the merge
  ExpectSameAsWalk(ours, "before the merge");
  std::vector<uint8_t> their_bytes;
  ASSERT_EQ(theirs.SaveToMemory(&their_bytes), DB_OK);
  CRecordStore loaded("", "");
  ASSERT_EQ(loaded.LoadFromMemory(their_bytes.data(), their_bytes.size()), DB_OK);
  EXPECT_EQ(TextOf(loaded, 12), "theirs too");
  // Rules M7 (ours renumbered) and M2 (both of theirs taken).
  const MergeCounts counts = ours.MergeFrom(loaded);
  EXPECT_EQ(counts.newIds, 1u);
  EXPECT_EQ(TextOf(ours, 11), "theirs");
  EXPECT_EQ(TextOf(ours, 12), "theirs too");
  EXPECT_NE(mine->recordId, 11u);
  EXPECT_EQ(TextOf(ours, mine->recordId), "ours");
  ExpectSameAsWalk(ours, "after the merge");
  ExpectSameAsWalk(loaded, "the emptied store");
  EXPECT_EQ(TextOf(loaded, 12), "(none)");

  // A load puts other records at the positions: nothing of the old index
  // may survive.
  ASSERT_EQ(ours.LoadFromMemory(base_bytes.data(), base_bytes.size()), DB_OK);
  EXPECT_EQ(TextOf(ours, 11), "(none)");
  EXPECT_EQ(TextOf(ours, 5), "base 5");
  ExpectSameAsWalk(ours, "after the load");
  AddNote(ours, 11, "again");
  EXPECT_EQ(TextOf(ours, 11), "again");
  ours.Clear();
  EXPECT_EQ(TextOf(ours, 5), "(none)");
  ExpectSameAsWalk(ours, "cleared");
}

}  // namespace
}  // namespace quillet
