// References in and out of the store as BibTeX (.bib) and RIS (.ris), the
// two formats reference managers read and write.
//
// Reading turns a file's entries into references of the six kinds, their
// fields in the kind's stored order and already in the code page, cut to
// what the reference window allows; every entry that was skipped, came in
// as another kind, lost length or had a character replaced is told as a
// Notice naming the entry. Adding puts the references into a topic (new
// records, appended to the topic's links record); the caller saves the
// store once. Writing turns references of the store into one file's text.
//
// Texts: files are UTF-8 (a byte-order mark at the start of a line is
// skipped), or Windows-1252 when they are not valid UTF-8; record
// texts are Windows-1252 bytes. Notices and entry names are UTF-8. Nothing
// here throws; results are values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Translate.h"
#include "platform/codepage/CpText.h"
#include "store/RecordFacts.h"

namespace quillet {

class CCustomRecord;
class CRecordStore;

namespace refx {

enum class Format : uint8_t { kBibTex, kRis };

// Every field of a reference holds at most this many characters (the
// reference window's limit, counted as stored, without carriage returns).
inline constexpr size_t kFieldLimit = kReferenceFieldLimit;

// The format a file name asks for: ".bib" or ".ris" in any letter case.
// False for any other name.
bool FormatOfPath(const std::string& path, Format* format);
// The format a file's text shows: a line starting "TY  - " is RIS, an
// "@type{" entry BibTeX (whichever comes first). False when neither.
bool FormatOfText(std::string_view text, Format* format);

// The word the tools use for a reference kind: "book", "internet",
// "journal", "magazine", "newspaper", "report"; "" for another customType.
const char* KindWord(int32_t customType);

// A sentence of an import or export report: in English (the terminal, the
// log) and in the person's language (the program's messages).
struct Said {
  std::string english;
  std::string shown;
};
// `english` (marked for the catalogue with QT_TRANSLATE_NOOP("RefExchange",
// ...)) with %1... filled by `args`, each in its own language.
Said Say(const char* english, const std::vector<Said>& args = {});
// A text that is the same in every language (a name, a number, a key).
inline Said Plain(std::string text) { return Said{text, std::move(text)}; }

struct Notice {
  enum class What : uint8_t {
    kSkipped,      // the entry was not added
    kOtherKind,    // the entry's type came in as the nearest kind
    kCut,          // a field was longer than the limit and was cut
    kReplaced,     // characters the code page cannot hold were replaced
  };
  What what;
  int line = 0;        // where the entry starts in the file (1-based); 0: not from a file
  std::string entry;   // the entry's name: its key or ID, else its title, else "entry N"
  std::string text;    // what happened, UTF-8
  std::string shown;   // the same in the person's language ("" when it is `text`)

  Notice(What w, int l, std::string e, const Said& said)
      : what(w), line(l), entry(std::move(e)), text(said.english), shown(said.shown) {}

  // "line 12, smith2004: <text>" (without the line part when line is 0).
  std::string ToString() const;
  // The same in the person's language.
  std::string ShownString() const;
};

// One reference read from a file, ready for the store.
struct ImportedReference {
  int32_t customType = 0;
  std::vector<CpText> fields;       // the kind's fields in stored order
  std::string entry;                // the entry's name, UTF-8 (for messages)
  int line = 0;
};

struct ReadResult {
  // False when the file as a whole cannot be used (not readable, not UTF-8
  // text, no entry of the format in it); `error` then says why and nothing
  // else is filled.
  bool ok = false;
  std::string error;
  std::vector<ImportedReference> references;
  std::vector<Notice> notices;
  size_t entriesSeen = 0;  // entries found in the file, skipped ones included
  size_t skipped = 0;
  size_t movedToNotes = 0;         // fields with no place in their kind, kept as lines of the Notes
  size_t charactersReplaced = 0;   // characters the code page has no place for
  bool readAsCodePage = false;     // the file was not UTF-8 and was read as Windows-1252
  std::vector<std::string> unknownCommands;  // TeX commands kept as their names, each once
};

// One line that sums up a read: "12 entries read, 11 added, 1 skipped, 3
// fields moved to Notes, 2 characters replaced", with the code page and
// the TeX commands of no known meaning after it when there were any.
std::string ReadSummary(const ReadResult& result);
// The same in the person's language, for a message.
std::string ShownReadSummary(const ReadResult& result);

// Reads the text of a file of the given format.
ReadResult ReadReferences(std::string_view text, Format format);
// Reads the file at `path` (UTF-8 name), the format by its extension, or
// by its text when the name ends in neither .bib nor .ris.
ReadResult ReadReferenceFile(const std::string& path);

// Results of AddToTopic.
enum class AddResult : uint8_t {
  kOk,
  kNoTopic,     // no live topic with that id
  kNoLinks,     // the topic has no live links record to append to
  kStoreFull,   // the store refused a record; nothing was added
};

// Adds every reference as a new record of `store` (id from `nextId`, added
// with AddNew) and appends the ids, in order, to the topic's links record,
// which is marked modified. Does not save. On any failure the store's
// records are as before (ids already issued stay issued). `added` receives
// the new ids (may be null).
AddResult AddToTopic(CRecordStore& store, uint32_t topicId,
                     const std::vector<ImportedReference>& references,
                     const std::function<uint32_t()>& nextId, std::vector<uint32_t>* added);

// The live references of a topic in member order, or of the whole store in
// store order for topicId 0. Without `includePrivate`, what private records
// hide is left out (PrivateRecords.h): private references, those only
// private topics hold, and a private topic counts as no topic.
// `found` (may be null) is set to false when topicId names no live topic.
std::vector<const CCustomRecord*> CollectReferences(CRecordStore& store, uint32_t topicId,
                                                    bool includePrivate, bool* found = nullptr);

struct WriteResult {
  std::string text;              // the file's text, UTF-8
  size_t written = 0;            // references written
  std::vector<Notice> notices;   // references of no known kind, left out
};

// The file text for the references, in the given order. BibTeX keys are
// made from the first author's last name and the year, unique in the file.
WriteResult WriteReferences(const std::vector<const CCustomRecord*>& references, Format format);

// Writes `bytes` to `path` through a temporary file in the same folder that
// replaces it at the end, so a failed write leaves any old file whole. A
// symbolic link at `path` is replaced, never followed. False with `error`
// set when it fails.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace refx
}  // namespace quillet
