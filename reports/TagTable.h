// The tags a theme may contain, and how a tag's text is matched to one.
//
// A theme writes tags in braces ({TITLE}, {SET_COLOR1(#ffcc00)}). Several
// spellings share one code (COLOR1 / COLOUR1, IMAGES_BEGIN / SKETCHES_BEGIN);
// the table is searched in order and the first full match wins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

enum TagCode : int32_t {
  kTagNone = -1,
  kTagTitle = 0,
  kTagDate = 1,
  kTagTime = 2,
  kTagCategory = 3,
  kTagAuthor = 4,
  kTagAuthorTitle = 5,
  kTagAuthorEmail = 6,
  kTagAuthorPhone = 7,
  kTagPage = 8,
  kTagSetColor1 = 9,
  kTagSetColor2 = 10,
  kTagColor1 = 11,
  kTagColor2 = 12,
  kTagSwapColors = 13,
  kTagCount = 14,
  kTagNextItem = 15,
  kTagStatus = 16,
  kTagHandheldOrderBegin = 17,
  kTagHandheldOrderEnd = 18,
  kTagNotesProlog = 19,
  kTagNotesBegin = 20,
  kTagNote = 21,
  kTagNoteBody = 22,
  kTagNoteFirstLine = 23,
  kTagNotesEnd = 24,
  kTagNotesEpilog = 25,
  kTagImagesProlog = 26,
  kTagImagesBegin = 27,
  kTagImageTitle = 28,
  kTagImageSrc = 29,
  kTagImagesEnd = 30,
  kTagImagesEpilog = 31,
  kTagCustomProlog = 32,
  kTagCustomBegin = 33,
  kTagCustom1 = 34,  // CUSTOM_1 .. CUSTOM_8 are 34 .. 41
  kTagCustom8 = 41,
  kTagCustomEnd = 42,
  kTagCustomEpilog = 43,
};

struct TagEntry {
  const char* pattern;  // '?' stands for one argument
  TagCode code;
};

inline constexpr int kTagTableSize = 56;
extern const TagEntry kTagTable[kTagTableSize];

// Longest tag text, and longest argument, in characters.
inline constexpr size_t kMaxTagText = 255;

// Compares a tag's text with one pattern. Leading whitespace of the text is
// skipped, the text's a-z count as A-Z, and whitespace after every matched
// character is skipped; a '?' takes the characters up to the next ',' or ')'
// into the next argument. True when text and pattern end together.
bool MatchTagPattern(std::string_view text, const char* pattern, std::string args[2]);

// The code of the first table entry that `text` matches, or kTagNone; the
// arguments of the matching entry are left in args (both empty otherwise).
TagCode LookupTagCode(std::string_view text, std::string args[2]);

}  // namespace quillet
