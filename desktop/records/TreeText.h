// Texts of the topic tree's items and the order of its topics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/ShownTitle.h"

namespace quillet {

class CRecord;

// Members show at most this many characters.
inline constexpr size_t kMemberTextLimit = 60;
// Topics are sorted by this many characters of their titles.
inline constexpr size_t kTopicSortPrefix = 10;

// The views below are of code-page bytes, the records' own.

// Up to the first line feed (the whole text when there is none).
std::string_view FirstLine(std::string_view text);

// How a member's text is cut. A rebuild cuts plainly; a member added or
// renewed on its own has its cut marked with "..." in the last three places.
enum class TextCut : uint8_t { kPlain, kMarked };
CpText CutMemberText(std::string_view text, TextCut cut);
// A member's text cut plainly, as a view of the record's own bytes.
std::string_view MemberItemTextView(const CRecord& record);

// The text a member record shows, cut as asked: a note's first line, a
// picture's or sketch's title's first line, a reference's first field's
// first line; "" for any other kind.
CpText MemberItemText(const CRecord& record, TextCut cut);

// The text an item shows for `text` (a member's cut text or a topic's
// title): "(untitled)" when its first line is empty or only blanks, else
// the text as it is (store/ShownTitle.h).
inline CpText ShownItemText(const CpText& text) { return ShownTitle(text); }
inline CpText ShownItemText(std::string_view text) { return ShownTitle(CpText(text)); }

// The program's texts are Windows-1252: letters of both cases outside
// ASCII fold too (the handheld's users write in many languages).
char FoldCase1252(char c);

// Topics order by the first ten characters of their titles without regard
// to case, then by record id, smaller first. <0, 0 or >0.
int CompareTopics(std::string_view titleA, uint32_t idA, std::string_view titleB, uint32_t idB);

// The same order as numbers, made once per topic: the title's first ten
// characters folded (the first the most significant, missing ones as zero
// bytes, which puts a title before every longer one it begins), then how
// many there are, then the record id. Sorting thousands of topics so folds
// each character once instead of at every comparison.
struct TopicOrderKey {
  uint64_t head;  // characters 0 to 7
  uint32_t tail;  // characters 8 and 9, then the count
  uint32_t id;
  bool operator<(const TopicOrderKey& o) const {
    if (head != o.head) return head < o.head;
    if (tail != o.tail) return tail < o.tail;
    return id < o.id;
  }
};
TopicOrderKey TopicKey(std::string_view title, uint32_t id);

}  // namespace quillet
