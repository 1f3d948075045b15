#include "store/find/FindForm.h"

#include <algorithm>

#include "app/core/DiagnosticLog.h"
#include "app/core/Strings.h"
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

bool TextBefore(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

int IconOf(const FindListEntry& e) {
  switch (e.kind) {
    case FindKind::kTopic: return kFindIconTopic;
    case FindKind::kCustom: return kFindIconReference;
    case FindKind::kNote: return kFindIconNote;
    case FindKind::kImage: return e.format == kImageFormatSketch ? kFindIconSketch : kFindIconImage;
  }
  return kFindIconNothing;
}

}  // namespace

CFindForm::CFindForm() : CFindForm(&ToDiagnosticLog, &ToDebugChannel) {}

CFindForm::CFindForm(CFindEngine::LineSink log, CFindEngine::LineSink debug)
    : engine_(log, debug) {}

CFindForm::~CFindForm() = default;

void CFindForm::SetSearchText(const std::string& typed) {
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
  ResultsChanged();
}

void CFindForm::ClearResults() { engine_.ClearResults(); }

void CFindForm::ResetForm() {
  text_.clear();
  for (bool& k : kind_checked_) k = true;
  CheckRule(FIND_RULE_ANY);
  engine_.ClearResults();
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
  std::vector<FindListEntry> entries = engine_.FillOrder();
  if (store != nullptr && !entries.empty()) {
    // One walk over the store for all results, not one per result.
    const CFoundPlaces places(*store);
    std::erase_if(entries, [&](const FindListEntry& e) { return !places.Openable(e.recordId); });
  }
  std::vector<FindListLine> lines;
  lines.reserve(entries.size());
  for (const FindListEntry& e : entries) lines.push_back({ShownTitle(e.text), e.recordId, IconOf(e)});
  if (lines.empty()) {
    lines.push_back({LoadString(IDS_NO_RECORDS_FOUND), 0, kFindIconNothing});
    return lines;
  }
  SortListLines(&lines);
  return lines;
}

void SortListLines(std::vector<FindListLine>* lines) {
  std::stable_sort(lines->begin(), lines->end(),
                   [](const FindListLine& a, const FindListLine& b) { return TextBefore(a.text, b.text); });
}

}  // namespace quillet
