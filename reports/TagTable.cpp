#include "reports/TagTable.h"

#include <string_view>
#include <array>
#include <cstring>
#include <vector>

namespace quillet {

const TagEntry kTagTable[kTagTableSize] = {
    {"COUNT", kTagCount},
    {"NEXT_ITEM", kTagNextItem},
    {"STATUS(?,?)", kTagStatus},
    {"HANDHELD_ORDER_BEGIN", kTagHandheldOrderBegin},
    {"HANDHELD_ORDER_END", kTagHandheldOrderEnd},
    {"PAGE", kTagPage},
    {"SET_COLOR1(?)", kTagSetColor1},
    {"SET_COLOR2(?)", kTagSetColor2},
    {"SET_COLOUR1(?)", kTagSetColor1},
    {"SET_COLOUR2(?)", kTagSetColor2},
    {"COLOR1", kTagColor1},
    {"COLOR2", kTagColor2},
    {"SWAP_COLORS", kTagSwapColors},
    {"COLOUR1", kTagColor1},
    {"COLOUR2", kTagColor2},
    {"SWAP_COLOURS", kTagSwapColors},
    {"TITLE", kTagTitle},
    {"DATE", kTagDate},
    {"REPORT_DATE", kTagDate},
    {"TIME", kTagTime},
    {"CATEGORY", kTagCategory},
    {"AUTHOR", kTagAuthor},
    {"AUTHOR_TITLE", kTagAuthorTitle},
    {"AUTHOR_EMAIL", kTagAuthorEmail},
    {"AUTHOR_PHONE", kTagAuthorPhone},
    {"NOTES_PROLOG", kTagNotesProlog},
    {"NOTES_BEGIN", kTagNotesBegin},
    {"NOTE", kTagNote},
    {"NOTE_BODY", kTagNoteBody},
    {"NOTE_FIRST_LINE", kTagNoteFirstLine},
    {"NOTES_END", kTagNotesEnd},
    {"NOTES_EPILOG", kTagNotesEpilog},
    {"IMAGES_PROLOG", kTagImagesProlog},
    {"SKETCHES_PROLOG", kTagImagesProlog},
    {"IMAGES_BEGIN", kTagImagesBegin},
    {"SKETCHES_BEGIN", kTagImagesBegin},
    {"IMAGE_TITLE", kTagImageTitle},
    {"SKETCH_TITLE", kTagImageTitle},
    {"IMAGE_SRC", kTagImageSrc},
    {"SKETCH_FILENAME", kTagImageSrc},
    {"IMAGES_END", kTagImagesEnd},
    {"SKETCHES_END", kTagImagesEnd},
    {"IMAGES_EPILOG", kTagImagesEpilog},
    {"SKETCHES_EPILOG", kTagImagesEpilog},
    {"CUSTOM_PROLOG", kTagCustomProlog},
    {"CUSTOM_BEGIN", kTagCustomBegin},
    {"CUSTOM_1", static_cast<TagCode>(34)},
    {"CUSTOM_2", static_cast<TagCode>(35)},
    {"CUSTOM_3", static_cast<TagCode>(36)},
    {"CUSTOM_4", static_cast<TagCode>(37)},
    {"CUSTOM_5", static_cast<TagCode>(38)},
    {"CUSTOM_6", static_cast<TagCode>(39)},
    {"CUSTOM_7", static_cast<TagCode>(40)},
    {"CUSTOM_8", kTagCustom8},
    {"CUSTOM_END", kTagCustomEnd},
    {"CUSTOM_EPILOG", kTagCustomEpilog},
};

namespace {

bool IsTagSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool MatchTagPattern(std::string_view text, const char* pattern, std::string args[2]) {
  args[0].clear();
  args[1].clear();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && IsTagSpace(text[i])) ++i;
  size_t j = 0;
  int slot = 0;
  while (pattern[j] != '\0') {
    if (i >= n || UpperAscii(text[i]) != pattern[j]) return false;
    ++i;
    ++j;
    while (i < n && IsTagSpace(text[i])) ++i;
    if (pattern[j] == '?') {
      // An argument keeps its case and inner whitespace; only whitespace
      // right after "(" or "," was skipped above.
      std::string& arg = args[slot < 2 ? slot : 1];
      ++slot;
      size_t start = i;
      while (i < n && text[i] != ',' && text[i] != ')') ++i;
      arg.assign(text.data() + start, i - start);
      ++j;
    }
  }
  return i == n;
}

namespace {

// A pattern without arguments matches exactly the texts that, with every
// whitespace character removed and a-z raised to A-Z, equal it; and since
// only patterns with arguments contain "(", a text matches at most one kind.
// So an argument-free name is found among the few names of its first letter
// and length, and only texts with "(" are compared with the others, in
// table order. (Themes near the size limit hold tens of thousands of brace
// runs; each is looked up.)
struct FastTable {
  static constexpr size_t kLengths = 24;
  std::vector<const TagEntry*> plain[26][kLengths];
  std::vector<const TagEntry*> with_args;
  FastTable() {
    for (const TagEntry& e : kTagTable) {
      std::string_view p = e.pattern;
      if (p.find('?') != std::string_view::npos) {
        with_args.push_back(&e);
      } else if (p[0] >= 'A' && p[0] <= 'Z' && p.size() < kLengths) {
        plain[p[0] - 'A'][p.size()].push_back(&e);
      }
    }
  }
};

const FastTable& Fast() {
  static const FastTable table;
  return table;
}

}  // namespace

TagCode LookupTagCode(std::string_view text, std::string args[2]) {
  const FastTable& fast = Fast();
  // Folded: whitespace dropped, a-z raised; 0 marks whitespace.
  static constexpr auto kFold = [] {
    std::array<char, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    t[' '] = t['\t'] = t['\r'] = t['\n'] = 0;
    t[0] = 1;  // a zero byte is not whitespace; it simply matches no name
    return t;
  }();
  char folded[kMaxTagText + 1];
  size_t n = 0;
  bool paren = false;
  for (size_t i = 0; i < text.size() && n < kMaxTagText; ++i) {
    char f = kFold[static_cast<unsigned char>(text[i])];
    if (f == 0) continue;
    if (f == '(') paren = true;
    folded[n++] = f;
  }
  if (!paren) {
    if (n == 0 || n >= FastTable::kLengths || folded[0] < 'A' || folded[0] > 'Z') return kTagNone;
    for (const TagEntry* e : fast.plain[folded[0] - 'A'][n])
      if (std::memcmp(e->pattern, folded, n) == 0) return e->code;
    return kTagNone;
  }
  for (const TagEntry* e : fast.with_args)
    if (MatchTagPattern(text, e->pattern, args)) return e->code;
  args[0].clear();
  args[1].clear();
  return kTagNone;
}

}  // namespace quillet
