#include "store/find/FindEngine.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/find/FoundPlaces.h"

namespace quillet {
namespace {

const char* const kKindLabel[4] = {"Topic", "Note", "Image", "Custom"};

// The first line of a display field: up to the first line feed (or zero
// byte), at most kResultTextMax bytes.
CpText FirstLine(const CpText& text) {
  const size_t limit = std::min(text.size(), kResultTextMax);
  const void* feed = std::memchr(text.data(), '\n', limit);
  const size_t line = feed ? static_cast<size_t>(static_cast<const char*>(feed) - text.data()) : limit;
  return CpText(text.data(), ::strnlen(text.data(), line));
}

}  // namespace

CFindEngine::CFindEngine(LineSink log, LineSink debug, Wanted debug_wanted)
    : log_(log), debug_(debug), debug_wanted_(debug_wanted) {}

CFindEngine::~CFindEngine() { DeleteResults(); }

void CFindEngine::EnableKind(FindKind kind) {
  enabled_[static_cast<int>(kind)] = true;
  if (log_ != nullptr) {
    char line[64];
    std::snprintf(line, sizeof line, "FIND: %s enabled", kKindLabel[static_cast<int>(kind)]);
    log_(line);
  }
}

bool CFindEngine::IsEnabled(FindKind kind) const { return enabled_[static_cast<int>(kind)]; }

void CFindEngine::ClearResults() {
  DeleteResults();
  for (bool& e : enabled_) e = false;
}

namespace {

template <class T>
void DeleteAll(std::vector<std::unique_ptr<T>>* list, const char* name,
               CFindEngine::LineSink debug) {
  for (auto& r : *list) {
    if (debug != nullptr) {
      char line[96];
      std::snprintf(line, sizeof line, "DELETE %s = 0x%08" PRIxPTR, name,
                    reinterpret_cast<uintptr_t>(r.get()));
      debug(line);
    }
  }
  list->clear();
}

template <class T>
void RemoveLast(std::vector<std::unique_ptr<T>>* list, const char* name,
                CFindEngine::LineSink debug) {
  if (debug != nullptr) {
    char line[96];
    std::snprintf(line, sizeof line, "DELETE %s = 0x%08" PRIxPTR, name,
                  reinterpret_cast<uintptr_t>(list->back().get()));
    debug(line);
  }
  list->pop_back();
}

template <class T>
T* Append(std::vector<std::unique_ptr<T>>* list, const char* name, CFindEngine::LineSink debug) {
  list->push_back(std::make_unique<T>());
  T* r = list->back().get();
  if (debug != nullptr) {
    char line[96];
    std::snprintf(line, sizeof line, "NEW %s = 0x%08" PRIxPTR, name,
                  reinterpret_cast<uintptr_t>(r));
    debug(line);
  }
  return r;
}

}  // namespace

void CFindEngine::DeleteResults() {
  const LineSink debug = DebugSink();
  DeleteAll(&topics_, "ResultTopic", debug);
  DeleteAll(&notes_, "ResultNote", debug);
  DeleteAll(&images_, "ResultImage", debug);
  DeleteAll(&customs_, "ResultCustom", debug);
}

void CFindEngine::Find(CRecordStore& store, const CpText& text, int rule) {
  DeleteResults();
  if (text.empty() || text[0] == '\0') return;

  const bool exact = rule == FIND_RULE_EXACT;
  const bool every_word = rule == FIND_RULE_ALL || exact;
  std::vector<CFindWord> words;
  if (exact) {
    words.emplace_back(text.bytes());
  } else {
    for (const std::string& w : SplitWords(text.bytes())) words.emplace_back(w);
  }
  static const CpText kNoName;
  // Whether a record may be listed (what the windows can show, each id
  // once) is known only once the whole store is read, and so is the name of
  // a topic's category (the first category record with that id, deleted or
  // not, wherever it stands; an id that names no category, or another kind
  // of record, gives an empty name). So one walk over the store gathers all
  // that while it searches notes, pictures and references; topics, a few,
  // are searched after it, and the records found are checked at the end.
  CFoundPlaces places(store.highWater());
  std::unordered_map<uint32_t, const CpText*> category_names;
  std::vector<const CTopicRecord*> topics;

  // The records found, by kind, each in store order. The results are made
  // afterwards kind by kind, so the lists, and the log lines of their
  // objects, come in the order of one walk per kind. With ALL and EXACT a
  // record that matched some words but not all made a result that was taken
  // out again; that only shows in the debug lines, so such records are kept
  // only while those are wanted.
  struct Found {
    const CRecord* record;
    bool taken_out;
  };
  std::vector<Found> found[4];
  const LineSink debug = DebugSink();
  const bool log_taken_out = every_word && debug != nullptr;

  // The searched fields as stored (each ends at its first zero byte).
  struct Field {
    const char* bytes;
    size_t size;
  };
  auto search = [&](int k, const CRecord* record, const Field* fields, size_t n) {
    bool some_matched = false;
    bool all_matched = true;
    for (const CFindWord& word : words) {
      bool matched = false;
      for (size_t i = 0; i < n && !matched; ++i)
        matched = exact ? word.Equals(fields[i].bytes, fields[i].size)
                        : word.OccursIn(fields[i].bytes, fields[i].size);
      if (matched) {
        some_matched = true;
        if (!every_word) break;  // with ANY one word is enough
      } else {
        all_matched = false;
        if (every_word && !log_taken_out) break;  // found it cannot be any more
      }
    }
    if (!some_matched) return;
    const bool taken_out = every_word && !all_matched;
    if (taken_out && !log_taken_out) return;
    found[k].push_back({record, taken_out});
  };

  for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
    const CRecord* record = store.RecordAt(pos);
    if (record == nullptr) continue;
    places.Add(record);
    Field fields[8];
    size_t n = 0;
    switch (record->kind) {
      case kKindCategory:
        if (enabled_[0])
          category_names.emplace(record->recordId, &static_cast<const CCategoryRecord*>(record)->name);
        break;
      case kKindTopic:
        if (enabled_[0] && record->IsLive()) topics.push_back(static_cast<const CTopicRecord*>(record));
        break;
      case kKindNote:
        if (!enabled_[1] || !record->IsLive()) break;
        fields[n++] = {static_cast<const CNoteRecord*>(record)->text.data(),
                       static_cast<const CNoteRecord*>(record)->text.size()};
        search(1, record, fields, n);
        break;
      case kKindImage:
        if (!enabled_[2] || !record->IsLive()) break;
        fields[n++] = {static_cast<const CImageRecord*>(record)->title.data(),
                       static_cast<const CImageRecord*>(record)->title.size()};
        search(2, record, fields, n);
        break;
      case kKindCustom: {
        if (!enabled_[3] || !record->IsLive()) break;
        const auto* custom = static_cast<const CCustomRecord*>(record);
        for (size_t i = 0; i < custom->fields.size() && i < 8; ++i)
          fields[n++] = {custom->fields[i].data(), custom->fields[i].size()};
        search(3, record, fields, n);
        break;
      }
      default: break;
    }
  }
  places.Finish();
  for (const CTopicRecord* topic : topics) {
    const CpText* name = &kNoName;
    if (topic->categoryId != 0) {
      auto it = category_names.find(topic->categoryId);
      if (it != category_names.end()) name = it->second;
    }
    const Field fields[2] = {{topic->title.data(), topic->title.size()}, {name->data(), name->size()}};
    search(0, topic, fields, 2);
  }
  // Only what the windows can show is listed, and each id once: the first
  // record found of an id (topics, then notes, pictures, references) keeps
  // it. A record taken out again (ALL, EXACT) leaves its id free, so a
  // later record sharing the id is still listed.
  std::unordered_set<uint32_t> listed;
  for (std::vector<Found>& list : found)
    std::erase_if(list, [&](const Found& f) {
      if (!places.RecordOpenable(f.record) || listed.count(f.record->recordId) != 0) return true;
      if (!f.taken_out) listed.insert(f.record->recordId);
      return false;
    });
  topics_.reserve(found[0].size());
  notes_.reserve(found[1].size());
  images_.reserve(found[2].size());
  customs_.reserve(found[3].size());

  for (const Found& f : found[0]) {
    auto* r = Append(&topics_, "ResultTopic", debug);
    r->recordId = f.record->recordId;
    r->text = FirstLine(static_cast<const CTopicRecord*>(f.record)->title);
    if (f.taken_out) RemoveLast(&topics_, "ResultTopic", debug);
  }
  for (const Found& f : found[1]) {
    auto* r = Append(&notes_, "ResultNote", debug);
    r->recordId = f.record->recordId;
    r->text = FirstLine(static_cast<const CNoteRecord*>(f.record)->text);
    if (f.taken_out) RemoveLast(&notes_, "ResultNote", debug);
  }
  for (const Found& f : found[2]) {
    const auto* image = static_cast<const CImageRecord*>(f.record);
    auto* r = Append(&images_, "ResultImage", debug);
    r->recordId = image->recordId;
    r->text = FirstLine(image->title);
    r->format = image->format;
    if (f.taken_out) RemoveLast(&images_, "ResultImage", debug);
  }
  for (const Found& f : found[3]) {
    const auto* custom = static_cast<const CCustomRecord*>(f.record);
    auto* r = Append(&customs_, "ResultCustom", debug);
    r->recordId = custom->recordId;
    r->text = custom->fields.empty() ? CpText() : FirstLine(custom->fields[0]);
    if (f.taken_out) RemoveLast(&customs_, "ResultCustom", debug);
  }
}

void CFindEngine::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  if (changes.empty()) return;
  for (auto& r : topics_) r->recordId = RenumberedId(changes, r->recordId);
  for (auto& r : notes_) r->recordId = RenumberedId(changes, r->recordId);
  for (auto& r : images_) r->recordId = RenumberedId(changes, r->recordId);
  for (auto& r : customs_) r->recordId = RenumberedId(changes, r->recordId);
}

std::vector<FindListEntry> CFindEngine::FillOrder() const {
  std::vector<FindListEntry> out;
  out.reserve(topics_.size() + customs_.size() + notes_.size() + images_.size());
  for (const auto& r : topics_) out.push_back({FindKind::kTopic, r->recordId, r->text, 0});
  for (const auto& r : customs_) out.push_back({FindKind::kCustom, r->recordId, r->text, 0});
  for (const auto& r : notes_) out.push_back({FindKind::kNote, r->recordId, r->text, 0});
  for (const auto& r : images_) out.push_back({FindKind::kImage, r->recordId, r->text, r->format});
  return out;
}

}  // namespace quillet
