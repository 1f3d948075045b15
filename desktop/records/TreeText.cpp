#include "desktop/records/TreeText.h"

#include <algorithm>

#include "store/RecordKinds.h"

namespace quillet {

std::string_view FirstLine(std::string_view text) {
  size_t end = text.find('\n');
  return end == std::string_view::npos ? text : text.substr(0, end);
}

CpText CutMemberText(std::string_view text, TextCut cut) {
  if (text.size() <= kMemberTextLimit) return CpText(text);
  std::string out(text.substr(0, kMemberTextLimit));
  if (cut == TextCut::kMarked) out.replace(kMemberTextLimit - 3, 3, "...");
  return CpText(std::move(out));
}

std::string_view MemberItemTextView(const CRecord& record) {
  std::string_view text;
  if (const auto* note = RecordAs<CNoteRecord>(&record)) text = note->text.view();
  else if (const auto* image = RecordAs<CImageRecord>(&record)) text = image->title.view();
  else if (const auto* custom = RecordAs<CCustomRecord>(&record); custom && !custom->fields.empty())
    text = custom->fields[0].view();
  // Cut before the line is looked for: a note of 40 KB without a line
  // break is not read to its end for its first 60 characters.
  return FirstLine(text.substr(0, std::min(text.size(), kMemberTextLimit)));
}

CpText MemberItemText(const CRecord& record, TextCut cut) {
  if (const auto* note = RecordAs<CNoteRecord>(&record)) return CutMemberText(FirstLine(note->text.view()), cut);
  if (const auto* image = RecordAs<CImageRecord>(&record))
    return CutMemberText(FirstLine(image->title.view()), cut);
  if (const auto* custom = RecordAs<CCustomRecord>(&record))
    return custom->fields.empty() ? CpText() : CutMemberText(FirstLine(custom->fields[0].view()), cut);
  return CpText();
}

char FoldCase1252(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  // Latin-1 capitals (but the multiplication sign) fold to their small forms.
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  switch (u) {
    case 0x8A: return static_cast<char>(0x9A);  // S caron
    case 0x8C: return static_cast<char>(0x9C);  // OE
    case 0x8E: return static_cast<char>(0x9E);  // Z caron
    case 0x9F: return static_cast<char>(0xFF);  // Y diaeresis
    default: return c;
  }
}

int CompareTopics(std::string_view titleA, uint32_t idA, std::string_view titleB, uint32_t idB) {
  std::string_view a = titleA.substr(0, std::min(titleA.size(), kTopicSortPrefix));
  std::string_view b = titleB.substr(0, std::min(titleB.size(), kTopicSortPrefix));
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(FoldCase1252(a[i]));
    unsigned char cb = static_cast<unsigned char>(FoldCase1252(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  if (idA != idB) return idA < idB ? -1 : 1;
  return 0;
}

TopicOrderKey TopicKey(std::string_view title, uint32_t id) {
  const size_t n = std::min(title.size(), kTopicSortPrefix);
  auto at = [&](size_t i) -> uint32_t {
    return i < n ? static_cast<unsigned char>(FoldCase1252(title[i])) : 0u;
  };
  uint64_t head = 0;
  for (size_t i = 0; i < 8; ++i) head = (head << 8) | at(i);
  return {head, (at(8) << 16) | (at(9) << 8) | static_cast<uint32_t>(n), id};
}

}  // namespace quillet
