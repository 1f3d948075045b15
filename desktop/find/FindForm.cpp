#include "desktop/find/FindForm.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/ShownTitle.h"
#include "store/find/FoundPlaces.h"

namespace quillet {
namespace {

void ToDiagnosticLog(const char* line) { LogLine(line); }
void ToDebugChannel(const char* line) { DebugTrace("%s", line); }

inline unsigned char Fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

CFindForm::CFindForm() : CFindForm(&ToDiagnosticLog, &ToDebugChannel, &DebugTraceWanted) {}

CFindForm::CFindForm(CFindEngine::LineSink log, CFindEngine::LineSink debug,
                     CFindEngine::Wanted debug_wanted)
    : engine_(log, debug, debug_wanted) {}

CFindForm::~CFindForm() = default;

void CFindForm::SetSearchText(const CpText& typed) {
  text_ = typed.substr(0, kSearchTextMax);
}

void CFindForm::CheckRule(int rule) {
  if (rule < FIND_RULE_ALL || rule > FIND_RULE_EXACT) return;
  for (int r = 0; r < 3; ++r) rule_checked_[r] = r == rule;
}

bool CFindForm::RuleChecked(int rule) const {
  return rule >= FIND_RULE_ALL && rule <= FIND_RULE_EXACT && rule_checked_[rule];
}

int CFindForm::Rule() const {
  int rule = FIND_RULE_ANY;  // the buttons always have one checked; ANY is the form's own
  if (rule_checked_[FIND_RULE_ALL]) rule = FIND_RULE_ALL;
  if (rule_checked_[FIND_RULE_ANY]) rule = FIND_RULE_ANY;
  if (rule_checked_[FIND_RULE_EXACT]) rule = FIND_RULE_EXACT;
  return rule;
}

void CFindForm::SetKindChecked(FindKind kind, bool checked) {
  kind_checked_[static_cast<int>(kind)] = checked;
}

bool CFindForm::KindChecked(FindKind kind) const { return kind_checked_[static_cast<int>(kind)]; }

void CFindForm::PressFind(CRecordStore* store) {
  engine_.ClearResults();
  for (FindKind kind : {FindKind::kTopic, FindKind::kNote, FindKind::kImage, FindKind::kCustom})
    if (KindChecked(kind)) engine_.EnableKind(kind);
  if (!text_.empty() && store != nullptr) engine_.Find(*store, text_, Rule());
  searched_ = true;
  // The engine listed only records the windows can open, and nothing
  // changes the store while the listener reads the lines: they need no
  // second look at it.
  just_searched_ = true;
  ResultsChanged();
  just_searched_ = false;
}

void CFindForm::ClearResults() {
  engine_.ClearResults();
  searched_ = false;
}

size_t CFindForm::ResultCount() const {
  const CFindEngine& e = engine_;
  return e.topics().size() + e.customs().size() + e.notes().size() + e.images().size();
}

void CFindForm::ResetForm() {
  text_.clear();
  for (bool& k : kind_checked_) k = true;
  CheckRule(FIND_RULE_ANY);
  ClearResults();
  ResultsChanged();
}

void CFindForm::Cancel() {
  engine_.ClearResults();
  ResetForm();
}

void CFindForm::ResultsChanged() {
  if (listener_) listener_();
}

bool CFindForm::Openable(const CRecordStore* store, uint32_t id) {
  if (store == nullptr || id == 0) return false;
  return CFoundPlaces(*store).Openable(id);
}

std::vector<FindListLine> CFindForm::ListLines(const CRecordStore* store) const {
  const CFindEngine& e = engine_;
  std::vector<FindListLine> lines;
  if (!searched_) return lines;
  lines.reserve(e.topics().size() + e.customs().size() + e.notes().size() + e.images().size());
  // One walk over the store for all results, not one per result.
  std::optional<CFoundPlaces> places;
  if (store != nullptr && !just_searched_) places.emplace(*store);
  auto add = [&](uint32_t id, const CpText& text, int icon) {
    if (places && !places->Openable(id)) return;
    lines.push_back({ShownTitle(text), id, icon});
  };
  // The fill order: topics, references, notes, images.
  for (const auto& r : e.topics()) add(r->recordId, r->text, kFindIconTopic);
  for (const auto& r : e.customs()) add(r->recordId, r->text, kFindIconReference);
  for (const auto& r : e.notes()) add(r->recordId, r->text, kFindIconNote);
  for (const auto& r : e.images())
    add(r->recordId, r->text, r->format == kImageFormatSketch ? kFindIconSketch : kFindIconImage);
  if (lines.empty()) {
    lines.push_back({LoadString(IDS_NO_RECORDS_FOUND), 0, kFindIconNothing});
    return lines;
  }
  SortListLines(&lines);
  return lines;
}

void SortListLines(std::vector<FindListLine>* lines) {
  // The lines' texts folded once, one after the other in one buffer, and
  // each line's first eight folded bytes as one number whose order is
  // theirs (a text shorter than eight bytes counts as padded with zero
  // bytes, which orders it before any longer text it begins). Most pairs
  // are told apart by comparing two numbers, the others by comparing their
  // folded bytes as memory; a text that begins another comes first. The
  // lines themselves move once, at the end.
  struct Key {
    uint64_t head;
    uint32_t at;
    uint32_t length;
    uint32_t index;
  };
  size_t total = 0;
  for (const FindListLine& l : *lines) total += l.text.size();
  std::string folded(total, '\0');
  std::vector<Key> keys(lines->size());
  size_t at = 0;
  for (size_t i = 0; i < lines->size(); ++i) {
    const std::string& t = (*lines)[i].text.bytes();
    for (size_t k = 0; k < t.size(); ++k) folded[at + k] = static_cast<char>(Fold(static_cast<unsigned char>(t[k])));
    uint64_t head = 0;
    for (size_t k = 0; k < 8; ++k) head = (head << 8) | (k < t.size() ? static_cast<unsigned char>(folded[at + k]) : 0u);
    keys[i] = {head, static_cast<uint32_t>(at), static_cast<uint32_t>(t.size()), static_cast<uint32_t>(i)};
    at += t.size();
  }
  const char* bytes = folded.data();
  std::stable_sort(keys.begin(), keys.end(), [bytes](const Key& a, const Key& b) {
    if (a.head != b.head) return a.head < b.head;
    const int by_bytes = std::memcmp(bytes + a.at, bytes + b.at, std::min(a.length, b.length));
    if (by_bytes != 0) return by_bytes < 0;
    return a.length < b.length;
  });
  std::vector<FindListLine> sorted;
  sorted.reserve(lines->size());
  for (const Key& k : keys) sorted.push_back(std::move((*lines)[k.index]));
  lines->swap(sorted);
}

}  // namespace quillet
