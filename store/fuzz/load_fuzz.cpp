// libFuzzer target for the store: any bytes as a store file, loaded,
// saved and loaded again, and merged as another writer's version into a
// store with changes of its own. Everything happens in memory: no files, no
// syncing, nothing left behind between inputs.
//
// Load must survive any bytes and never allocate more than the input holds;
// a clean load saves back to bytes that load to the same records; a merge
// gives a store that saves and loads cleanly, in which no record added here
// shares its id with one of the other writer's.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

// The store "here": settings, a topic with its links and two notes, as saved
// bytes, made once.
const std::vector<uint8_t>& HereBytes() {
  static const std::vector<uint8_t> bytes = [] {
    CRecordStore s("", "");
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 5;
    s.AddNew(std::move(settings));
    auto topic = std::make_unique<CTopicRecord>();
    topic->recordId = 2;
    topic->linksId = 3;
    topic->title = "topic"_cp;
    s.AddNew(std::move(topic));
    auto links = std::make_unique<CTopicLinksRecord>();
    links->recordId = 3;
    links->topicId = 2;
    links->memberIds = {4, 5};
    s.AddNew(std::move(links));
    for (uint32_t id : {4u, 5u}) {
      auto note = std::make_unique<CNoteRecord>();
      note->recordId = id;
      note->text = "note"_cp;
      s.AddNew(std::move(note));
    }
    std::vector<uint8_t> out;
    if (s.SaveToMemory(&out) != DB_OK) std::abort();
    return out;
  }();
  return bytes;
}

template <class T>
T* Find(CRecordStore& s, uint32_t id) {
  CRecord* r = nullptr;
  return s.FindById(id, &r) == DB_OK ? RecordAs<T>(r) : nullptr;
}

void MergeAsOtherWriter(const uint8_t* data, size_t size) {
  CRecordStore theirs("", "");
  if (theirs.LoadFromMemory(data, size) != DB_OK) return;
  std::set<uint32_t> their_ids;
  for (uint32_t i = 0; i < theirs.highWater(); ++i)
    if (const CRecord* r = theirs.RecordAt(i)) their_ids.insert(r->recordId);

  const std::vector<uint8_t>& here_bytes = HereBytes();
  CRecordStore here("", "");
  if (here.LoadFromMemory(here_bytes.data(), here_bytes.size()) != DB_OK) std::abort();
  // Changes here: a note edited, one moved out of the topic, one added.
  Find<CNoteRecord>(here, 4)->text = "edited here"_cp;
  CTopicLinksRecord* links = Find<CTopicLinksRecord>(here, 3);
  links->RemoveMember(5);
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 6;
  CNoteRecord* added = note.get();
  here.AddNew(std::move(note));
  links->memberIds.push_back(6);

  here.MergeFrom(theirs);
  if (their_ids.count(6) && added->recordId == 6) std::abort();  // the collision was not resolved
  std::vector<uint8_t> merged;
  if (here.SaveToMemory(&merged) != DB_OK) std::abort();
  CRecordStore again("", "");
  if (again.LoadFromMemory(merged.data(), merged.size()) != DB_OK ||
      again.liveCount() != here.liveCount())
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CRecordStore store("", "");
  const DbResult rc = store.LoadFromMemory(data, size);
  std::vector<uint8_t> out;
  if (store.SaveToMemory(&out) != DB_OK) std::abort();
  if (rc == DB_OK) {
    // A clean load gives the same records back. The bytes may differ only
    // where the store rewrites them: slotIndex, the markers, and whatever
    // followed the last entry.
    CRecordStore again("", "");
    if (again.LoadFromMemory(out.data(), out.size()) != DB_OK || again.liveCount() != store.liveCount())
      std::abort();
    std::vector<uint8_t> out_again;
    if (again.SaveToMemory(&out_again) != DB_OK || out_again != out) std::abort();
  }
  MergeAsOtherWriter(data, size);
  return 0;
}
