// What the BibTeX and the RIS side share: the six kinds (their fields are
// RecordFacts.h's), finishing an entry for the store (code page, limits,
// notices), names and years.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/RecordFacts.h"
#include "store/refexchange/RefExchange.h"

namespace quillet::refx {

// Field positions per kind, in the stored order (RecordFacts.h).
namespace book = reffields::book;
namespace web = reffields::web;
namespace article = reffields::article;
namespace news = reffields::news;
namespace report = reffields::report;

// "Book", "Internet", "Journal Article", "Magazine Article", "Newspaper
// Article", "Report".
const char* KindTitle(int32_t customType);
// The reference window's label of field `index` ("Title", "Author" ...).
const char* FieldLabel(int32_t customType, size_t index);
// The field holding the names of people (Author, Reporter); -1 for none.
int NamesField(int32_t customType);
// The field holding the year or date; -1 for none.
int YearField(int32_t customType);

// An entry read from a file, its fields still Unicode.
struct EntryDraft {
  int32_t customType = 0;
  std::vector<std::u32string> fields;  // sized for the kind
  std::string entry;                   // its name for notices
  int line = 0;
  std::string otherKind;               // the file's type when it came in as another kind
  // Fields the kind has no place for, as "Label: value" lines that go at
  // the end of the Notes.
  std::vector<std::u32string> extraLines;
  // The title to keep when the code page holds nothing of the title's
  // own (a title in Chinese): its romanised form from the file, else the
  // entry's key; empty for none, and such an entry is skipped.
  std::u32string titleFallback;
};

// The labels of the lines a kind's Notes end in for the fields it has no
// place for, in the order they are written: "Month", "Published",
// "Author", "Editor", "Year", "Address", "Edition", "Series", "Keywords",
// "Abstract" (each only where the kind has no field of its own for it).
const std::vector<const char*>& ExtraLabels(int32_t customType);
bool HasExtraLabel(int32_t customType, std::string_view label);
// The label's place in ExtraLabels (their count when it is not there).
size_t ExtraRank(int32_t customType, std::string_view label);

// Adds "label: value" to the draft's extra lines (line feeds in the value
// become spaces) when the value has text and the kind keeps `label` so.
void MoveToNotes(EntryDraft* draft, const char* label, const std::u32string& value);

// The "Label: value" lines a kind keeps at the end of its Notes, taken off
// `notes` (UTF-8) and returned in file order as label and value; `notes`
// keeps the rest, trailing line feeds removed.
std::vector<std::pair<std::string, std::string>> TakeExtraLines(int32_t customType, std::string* notes);

// A draft of `customType` with empty fields.
EntryDraft MakeDraft(int32_t customType, const std::string& entry, int line);

// Puts the draft into `result`: each field in the code page (characters
// replaced are told), cut to kFieldLimit (told), the change of kind told.
// A draft with no text in any field is skipped (told) instead.
void FinishEntry(EntryDraft draft, ReadResult* result);

// Adds a skipped-entry notice.
void SkipEntry(ReadResult* result, int line, const std::string& entry, const Said& why);

// The reading every format shares once its file is parsed: each entry put
// through `readEntry(entry, number, result)`, each broken one told as
// skipped, the notices in file order. A file with no entries at all is
// `noneError`.
template <class File, class ReadEntry>
ReadResult ReadParsedFile(const File& file, const char* noneError, ReadEntry readEntry) {
  ReadResult result;
  result.entriesSeen = file.entries.size() + file.broken.size();
  if (result.entriesSeen == 0) {
    result.error = noneError;
    return result;
  }
  result.ok = true;
  size_t number = 0;
  for (const auto& e : file.entries) readEntry(e, ++number, &result);
  for (const auto& b : file.broken) SkipEntry(&result, b.line, b.name, Said{b.why, b.whyShown});
  std::stable_sort(result.notices.begin(), result.notices.end(),
                   [](const Notice& a, const Notice& b) { return a.line < b.line; });
  return result;
}

// The number of fields `ref` has as a known kind; 0 after telling in
// `result` that it is left out (not a reference of a known kind).
size_t WritableFieldCount(const CCustomRecord& ref, WriteResult* result);

// "; " between the names (a ";" inside a name becomes a comma).
std::u32string JoinNames(const std::vector<std::u32string>& names);
// A stored names field (UTF-8) split at ";" and line feeds, and at " and "
// when there are neither and every part is "Last, First"; each name
// trimmed, empty ones left out.
std::vector<std::string> SplitStoredNames(std::string_view utf8);

// A Notes line's list ("Author: A; B", "Keywords: x; y") split at ";"
// only, each part trimmed, empty ones left out.
std::vector<std::string> SplitAtSemicolons(std::string_view utf8);

// The first run of four digits, or "".
std::string YearIn(std::string_view text);
// The notes, with a line "URL: ..." and "DOI: ..." after them for each one
// given (the store has no field of their own for them).
std::u32string NotesWith(std::u32string notes, const std::u32string& url, const std::u32string& doi);

// A date written "2019/07/04" (or "2019/07/04/", "2019/07") as
// "2019-07-04"; anything else (a range "1957/1990" included) as it is.
std::u32string IsoDate(const std::u32string& date);

// How notices name an entry: its key when it has one, else its title (up
// to 40 characters, in quotes), else "entry N".
std::string EntryName(const std::string& key, const std::u32string& title, size_t number);

// A record's fields as UTF-8, as many as the kind has (missing ones
// empty, extra ones left out), for writing: a CR LF pair is a line feed,
// and any other control character but tab and line feed is a space, their
// number told in one notice of `result`.
std::vector<std::string> Utf8Fields(const CCustomRecord& record, size_t count, WriteResult* result);

// A date of digits only: "YYYY<sep>MM<sep>DD" or "YYYY<sep>MM" (spaces
// around it ignored). False for anything else; `day` is empty for a month.
struct NumericDate {
  std::string year, month, day;
};
bool ParseNumericDate(std::string_view text, char separator, NumericDate* date);

std::u32string Trim(std::u32string_view text);
std::string TrimAscii(std::string_view text);
std::string Lower(std::string_view ascii);

}  // namespace quillet::refx
