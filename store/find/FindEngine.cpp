#include "store/find/FindEngine.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/find/FoundPlaces.h"

namespace quillet {
namespace {

const char* const kKindLabel[4] = {"Topic", "Note", "Image", "Custom"};

// The first line of a display field: up to the first line feed (or zero
// byte), at most kResultTextMax bytes.
std::string FirstLine(const std::string& text) {
  size_t end = 0;
  while (end < text.size() && end < kResultTextMax && text[end] != '\n' && text[end] != '\0')
    ++end;
  return text.substr(0, end);
}

// The searched fields of one record, and what its result shows.
// The fields a record is searched in: at most eight (a reference's), held
// without an allocation per record.
struct Searched {
  struct Fields {
    const std::string* at[8] = {};
    size_t n = 0;
    void push_back(const std::string* f) {
      if (n < 8) at[n++] = f;
    }
    const std::string* const* begin() const { return at; }
    const std::string* const* end() const { return at + n; }
  } fields;
  const std::string* display = nullptr;
};

}  // namespace

CFindEngine::CFindEngine(LineSink log, LineSink debug) : log_(log), debug_(debug) {}

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
  DeleteAll(&topics_, "ResultTopic", debug_);
  DeleteAll(&notes_, "ResultNote", debug_);
  DeleteAll(&images_, "ResultImage", debug_);
  DeleteAll(&customs_, "ResultCustom", debug_);
}

void CFindEngine::Find(CRecordStore& store, const std::string& text, int rule) {
  DeleteResults();
  if (text.empty() || text[0] == '\0') return;

  const std::vector<std::string> words =
      rule == FIND_RULE_EXACT ? std::vector<std::string>{text} : SplitWords(text);
  const bool every_word = rule == FIND_RULE_ALL || rule == FIND_RULE_EXACT;
  // Only what the windows can show is listed, each id once.
  const CFoundPlaces places(store);

  // A topic is also found by its category's name. The category is the first
  // category record with that id, deleted or not; an id that names no
  // category (or another kind of record) contributes an empty name.
  std::unordered_map<uint32_t, const std::string*> category_names;
  if (IsEnabled(FindKind::kTopic)) {
    for (uint32_t pos = 0; pos < store.highWater(); ++pos)
      if (const auto* c = RecordAs<CCategoryRecord>(store.RecordAt(pos)))
        category_names.emplace(c->recordId, &c->name);
  }
  static const std::string kNoName;

  const uint32_t kind_order[4] = {kKindTopic, kKindNote, kKindImage, kKindCustom};
  const FindKind find_kind[4] = {FindKind::kTopic, FindKind::kNote, FindKind::kImage,
                                 FindKind::kCustom};
  for (int k = 0; k < 4; ++k) {
    if (!IsEnabled(find_kind[k])) continue;
    for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
      CRecord* record = store.RecordAt(pos);
      if (record == nullptr || record->kind != kind_order[k] || !record->IsLive()) continue;
      if (!places.IsShownRecordOfItsId(record) || !places.Openable(record->recordId)) continue;

      Searched s;
      if (const auto* topic = RecordAs<CTopicRecord>(record)) {
        s.fields.push_back(&topic->title);
        const std::string* name = &kNoName;
        if (topic->categoryId != 0) {
          auto it = category_names.find(topic->categoryId);
          if (it != category_names.end()) name = it->second;
        }
        s.fields.push_back(name);
        s.display = &topic->title;
      } else if (const auto* note = RecordAs<CNoteRecord>(record)) {
        s.fields.push_back(&note->text);
        s.display = &note->text;
      } else if (const auto* image = RecordAs<CImageRecord>(record)) {
        s.fields.push_back(&image->title);
        s.display = &image->title;
      } else if (const auto* custom = RecordAs<CCustomRecord>(record)) {
        for (size_t i = 0; i < custom->fields.size() && i < 8; ++i)
          s.fields.push_back(&custom->fields[i]);
        s.display = custom->fields.empty() ? &kNoName : &custom->fields[0];
      }

      bool added = false;
      bool all_matched = true;
      for (const std::string& word : words) {
        bool matched = false;
        for (const std::string* field : s.fields) {
          matched = rule == FIND_RULE_EXACT ? EqualsWord(*field, word) : ContainsWord(*field, word);
          if (matched) break;
        }
        if (!matched) {
          all_matched = false;
          continue;
        }
        if (added) continue;
        added = true;
        const std::string shown = FirstLine(*s.display);
        switch (record->kind) {
          case kKindTopic: {
            auto* r = Append(&topics_, "ResultTopic", debug_);
            r->recordId = record->recordId;
            r->text = shown;
            break;
          }
          case kKindNote: {
            auto* r = Append(&notes_, "ResultNote", debug_);
            r->recordId = record->recordId;
            r->text = shown;
            break;
          }
          case kKindImage: {
            auto* r = Append(&images_, "ResultImage", debug_);
            r->recordId = record->recordId;
            r->text = shown;
            r->format = static_cast<const CImageRecord*>(record)->format;
            break;
          }
          default: {
            auto* r = Append(&customs_, "ResultCustom", debug_);
            r->recordId = record->recordId;
            r->text = shown;
            break;
          }
        }
      }
      if (every_word && !all_matched && added) {
        // Take this record's result out again: it is the last of its list.
        switch (record->kind) {
          case kKindTopic: RemoveLast(&topics_, "ResultTopic", debug_); break;
          case kKindNote: RemoveLast(&notes_, "ResultNote", debug_); break;
          case kKindImage: RemoveLast(&images_, "ResultImage", debug_); break;
          default: RemoveLast(&customs_, "ResultCustom", debug_); break;
        }
      }
    }
  }
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
