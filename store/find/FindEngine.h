// The find engine: searches a store for topics, notes, images and
// references and keeps one result per record found.
//
// Rules: ALL and ANY split the search text into words (see SplitWords) and
// look for each word anywhere in a record's searched fields, with only the
// letters a-z folded to A-Z; ANY keeps a record when one word matches, ALL
// when every word does. EXACT keeps a record when one of its searched fields
// equals the whole text, folded the same way. An empty word matches nothing.
//
// Searched fields: topic title and the name of its category; note text;
// image title; reference fields 0 to 7. Only records the windows can show
// are searched (see FoundPlaces.h): live ones, not private while
// bShowPrivate is 0, not held only by hidden topics (each record judged by
// its own flags). Each id is listed once: by the first record found with it,
// in the order topics, notes, images, references, each in store order; a
// record that matches is never lost because another record has its id.
//
// Results hold record ids, never record pointers, so they stay meaningful
// after the store is reloaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"
#include "store/StoreEvents.h"

namespace quillet {

class CRecordStore;

// The search rule numbers of the find form.
inline constexpr int FIND_RULE_ALL = 0;
inline constexpr int FIND_RULE_ANY = 1;
inline constexpr int FIND_RULE_EXACT = 2;

enum class FindKind { kTopic, kNote, kImage, kCustom };

// A result's text is the first line of the record's display field: up to
// the first line feed, at most kResultTextMax bytes.
inline constexpr size_t kResultTextMax = 8191;

struct ResultTopic {
  uint32_t recordId = 0;
  CpText text;
};
struct ResultNote {
  uint32_t recordId = 0;
  CpText text;
};
struct ResultImage {
  uint32_t recordId = 0;
  CpText text;
  uint32_t format = 0;  // the image record's format (2 = sketch)
};
struct ResultCustom {
  uint32_t recordId = 0;
  CpText text;
};

// One line of the result list, in fill order.
struct FindListEntry {
  FindKind kind;
  uint32_t recordId;
  CpText text;
  uint32_t format;  // images only; 0 otherwise
};

// The word matching works on the code-page bytes of the search text and the
// fields (CpText::bytes()).
// Splits a search text into words for ALL and ANY. Commas and '+' end a word
// everywhere, spaces only outside double quotes; a double quote toggles
// quoting (an opening quote is not part of the word, nor is a quote just
// before a word's end). Every separator ends a word, so two separators in a
// row, or one at the end, give an empty word.
std::vector<std::string> SplitWords(const std::string& text);
// `word` occurs in `field`, only a-z folded; an empty word occurs nowhere.
bool ContainsWord(const std::string& field, const std::string& word);
// `field` equals `word`, only a-z folded; an empty word equals nothing.
bool EqualsWord(const std::string& field, const std::string& word);

// A word made ready to be looked for in many fields, matching exactly as
// ContainsWord and EqualsWord do: folded once, and searched for by its first
// and last bytes many places at a time before a place is compared whole.
// Fields are given as their stored bytes; a field ends at its first zero
// byte, as for every reader of the store's texts.
class CFindWord {
 public:
  explicit CFindWord(const std::string& word);
  bool OccursIn(const char* field, size_t size) const;
  bool Equals(const char* field, size_t size) const;

 private:
  bool MatchesAt(const unsigned char* at) const;

  std::string folded_;
  // A byte b fits the first (last) byte of the word when (b | bits) == value.
  unsigned char first_bits_ = 0, first_value_ = 0, last_bits_ = 0, last_value_ = 0;
};
// The length a stored text has for every reader: up to its first zero byte.
size_t TextLength(const std::string& text);

class CFindEngine {
 public:
  // Optional sinks for the engine's log lines: `log` gets "FIND: Topic
  // enabled" and the like, `debug` the "NEW ResultTopic = 0x..." and
  // "DELETE ResultTopic = 0x..." lines. Either may be null.
  // `debug_wanted`, when given, says whether debug lines are wanted at all
  // right now; when it says no they are not even made (a search may make
  // tens of thousands of results).
  using LineSink = void (*)(const char* line);
  using Wanted = bool (*)();
  explicit CFindEngine(LineSink log = nullptr, LineSink debug = nullptr, Wanted debug_wanted = nullptr);
  ~CFindEngine();
  CFindEngine(const CFindEngine&) = delete;
  CFindEngine& operator=(const CFindEngine&) = delete;

  // Enables one kind for the next Find (logs "FIND: <Kind> enabled").
  void EnableKind(FindKind kind);
  bool IsEnabled(FindKind kind) const;
  // Runs one search over the enabled kinds: clears the results first, then
  // fills them in store order, kinds in the order topics, notes, images,
  // references. An empty text finds nothing. No limit on words or results.
  void Find(CRecordStore& store, const CpText& text, int rule);
  // Deletes every result and disables all four kinds.
  void ClearResults();

  // A merge gave records added here fresh ids: results of those records
  // take their new ids (results keep ids, not records).
  void FollowRenumbered(const std::vector<RecordIdChange>& changes);

  const std::vector<std::unique_ptr<ResultTopic>>& topics() const { return topics_; }
  const std::vector<std::unique_ptr<ResultNote>>& notes() const { return notes_; }
  const std::vector<std::unique_ptr<ResultImage>>& images() const { return images_; }
  const std::vector<std::unique_ptr<ResultCustom>>& customs() const { return customs_; }

  // The result list's fill order: all topics, then references, then notes,
  // then images, each in the order found. Empty when nothing was found (the
  // list then shows string 185, "0 Records Found").
  std::vector<FindListEntry> FillOrder() const;

 private:
  void DeleteResults();

  // The debug sink when lines are wanted now, else null.
  LineSink DebugSink() const { return debug_ != nullptr && (!debug_wanted_ || debug_wanted_()) ? debug_ : nullptr; }

  LineSink log_;
  LineSink debug_;
  Wanted debug_wanted_;
  bool enabled_[4] = {};
  std::vector<std::unique_ptr<ResultTopic>> topics_;
  std::vector<std::unique_ptr<ResultNote>> notes_;
  std::vector<std::unique_ptr<ResultImage>> images_;
  std::vector<std::unique_ptr<ResultCustom>> customs_;
};

}  // namespace quillet
