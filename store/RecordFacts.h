// What the program holds true of the records beyond their file layout, each
// said here once: what the kinds are called, the text limits, the picture
// formats, and the six kinds of reference with their fields. The editors,
// the report, the reference exchange and the tests take them from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/Record.h"

namespace quillet {

// --- Record kinds -------------------------------------------------------------

// What log lines call each kind (kKindSettings ... kKindTopicLinks).
inline constexpr std::array<const char*, kKindCount> kRecordKindNames = {
    "settings", "reserved", "string list", "category", "topic", "note", "picture", "reference", "topic links"};

// "unknown" for a number that is no kind.
constexpr const char* RecordKindName(uint32_t kind) {
  return kind < kKindCount ? kRecordKindNames[kind] : "unknown";
}

// --- Text limits, in characters as stored (line feeds only) -------------------

// A note's text, and each field of a reference.
inline constexpr size_t kRecordTextLimit = 30000;
// A topic's, a picture's or a sketch's title.
inline constexpr size_t kTitleLimit = 256;
// What category lists and reports show of a category's name.
inline constexpr size_t kCategoryNameShownLimit = 80;

// --- Picture formats: the values of CImageRecord::format ----------------------

inline constexpr uint32_t kImageFormatJpeg = 0;    // JPEG data, written out as a .jpg
inline constexpr uint32_t kImageFormatOther = 1;   // kept, never shown nor written out
inline constexpr uint32_t kImageFormatSketch = 2;  // the handheld's sketch format

// --- References ---------------------------------------------------------------

// CCustomRecord::customType values: the kinds of reference.
inline constexpr int32_t kCustomBook = -1;
inline constexpr int32_t kCustomInternet = -2;
inline constexpr int32_t kCustomJournal = -3;
inline constexpr int32_t kCustomMagazine = -4;
inline constexpr int32_t kCustomNewspaper = -5;
inline constexpr int32_t kCustomReport = -6;

// Every field of every kind holds at most this many characters.
inline constexpr size_t kReferenceFieldLimit = kRecordTextLimit;
// The most fields any kind has.
inline constexpr size_t kMaxReferenceFields = 8;

// Field positions per kind, in the stored order: the title first, the
// notes last.
namespace reffields {
namespace book { enum : size_t { kTitle, kAuthor, kPublisher, kIsbn, kYear, kPages, kNotes, kCount }; }
namespace web { enum : size_t { kTitle, kUrl, kNotes, kCount }; }
// Journal and magazine articles share their fields.
namespace article {
enum : size_t { kTitle, kAuthor, kJournal, kVolume, kIssue, kYear, kPages, kNotes, kCount };
}
namespace news { enum : size_t { kTitle, kPaper, kCity, kReporter, kDate, kPages, kNotes, kCount }; }
namespace report { enum : size_t { kTitle, kAuthor, kSource, kAbstract, kDate, kNotes, kCount }; }
}  // namespace reffields

struct ReferenceKindFacts {
  int windowKind;        // 1 book ... 6 internet, as the New Reference menu numbers them
  int32_t customType;    // CCustomRecord::customType
  size_t fieldCount;
  // The reference window's label of each field; "" past fieldCount.
  std::array<const char*, kMaxReferenceFields> labels;
  // The characters each field holds at most.
  size_t fieldLimit;
};

// The six kinds, in window-kind order.
inline constexpr std::array<ReferenceKindFacts, 6> kReferenceKinds = {{
    {1, kCustomBook, reffields::book::kCount,
     {"Title", "Author", "Publisher", "ISBN", "Year", "Page(s)", "Notes", ""}, kReferenceFieldLimit},
    {2, kCustomJournal, reffields::article::kCount,
     {"Title", "Author", "Journal", "Volume", "Issue", "Year", "Page(s)", "Notes"}, kReferenceFieldLimit},
    {3, kCustomMagazine, reffields::article::kCount,
     {"Title", "Author", "Magazine", "Volume", "Issue", "Year", "Page(s)", "Notes"}, kReferenceFieldLimit},
    {4, kCustomNewspaper, reffields::news::kCount,
     {"Title", "Newspaper", "City", "Reporter", "Date", "Page(s)", "Notes", ""}, kReferenceFieldLimit},
    {5, kCustomReport, reffields::report::kCount,
     {"Title", "Author", "Source", "Abstract", "Date", "Notes", "", ""}, kReferenceFieldLimit},
    {6, kCustomInternet, reffields::web::kCount, {"Title", "URL", "Note", "", "", "", "", ""}, kReferenceFieldLimit},
}};

// Null for an unknown type or number.
constexpr const ReferenceKindFacts* ReferenceKindOfType(int32_t customType) {
  for (const ReferenceKindFacts& k : kReferenceKinds)
    if (k.customType == customType) return &k;
  return nullptr;
}
constexpr const ReferenceKindFacts* ReferenceKindOfWindow(int windowKind) {
  for (const ReferenceKindFacts& k : kReferenceKinds)
    if (k.windowKind == windowKind) return &k;
  return nullptr;
}

// Number of fields a reference of `customType` has (Book 7, Internet 3,
// Journal 8, Magazine 8, Newspaper 7, Report 6); 0 for an unknown type.
constexpr int CustomTypeFieldCount(int32_t customType) {
  const ReferenceKindFacts* k = ReferenceKindOfType(customType);
  return k ? static_cast<int>(k->fieldCount) : 0;
}

// The label of field `index` (from 0) of `customType`; "" past the kind's
// fields or for an unknown type.
constexpr const char* ReferenceFieldLabelOf(int32_t customType, size_t index) {
  const ReferenceKindFacts* k = ReferenceKindOfType(customType);
  return k && index < k->fieldCount ? k->labels[index] : "";
}

// The positions above name the fields the labels name.
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomBook, reffields::book::kPublisher)) == "Publisher");
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomInternet, reffields::web::kUrl)) == "URL");
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomJournal, reffields::article::kJournal)) == "Journal");
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomMagazine, reffields::article::kPages)) == "Page(s)");
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomNewspaper, reffields::news::kReporter)) == "Reporter");
static_assert(std::string_view(ReferenceFieldLabelOf(kCustomReport, reffields::report::kAbstract)) == "Abstract");

}  // namespace quillet
