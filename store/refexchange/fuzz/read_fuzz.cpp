// libFuzzer over the BibTeX and RIS readers: any bytes, either format. What
// was read is written out and read again, which must give the same
// references with the same words in each field (a format may re-flow
// spaces, write names, pages and addresses its own way, never lose them);
// what came back is then written and read once more, which must change
// nothing at all. Seeds: the test library in both formats (scripts/dev.sh).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/RecordKinds.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/RefExchange.h"

using namespace quillet;

namespace {

// The text with each run of spaces, tabs and line breaks as one space,
// trimmed: a format may put a field on one line or wrap it, but must keep
// every word.
std::string Words(const CpText& field) {
  std::string out;
  bool gap = false;
  for (char c : std::string_view(field.c_str(), field.size())) {
    if (c == ' ' || c == '\t' || c == '\n') {
      gap = !out.empty();
      continue;
    }
    if (gap) out += ' ';
    gap = false;
    out += c;
  }
  return out;
}

bool SameWords(const CpText& a, const CpText& b) { return Words(a) == Words(b); }

// The names field is a list: "A and B", "A; B" and "A" LF "B" are the same
// two names, written back in whichever way the format has.
bool SameNames(const CpText& a, const CpText& b) {
  auto names = [](const CpText& t) {
    std::vector<std::string> out;
    for (const std::string& n : refx::SplitStoredNames(std::string_view(t.c_str(), t.size())))
      out.push_back(Words(CpText(n)));
    return out;
  };
  return names(a) == names(b);
}

// Pages are a range: "12 - 19" is written as the format's range and read
// back as "12-19".
bool SamePages(const CpText& a, const CpText& b) {
  auto bare = [](const CpText& t) {
    std::string out;
    for (char c : Words(t))
      if (c != ' ') out += c;
    return out;
  };
  return bare(a) == bare(b);
}

// An address keeps its characters, but the braces, backslash and spaces
// that a verbatim BibTeX field cannot hold come back percent-encoded.
bool SameAddress(const CpText& a, const CpText& b) {
  auto plain = [](const CpText& t) {
    static const std::pair<const char*, char> kEscapes[] = {
        {"%7B", '{'}, {"%7D", '}'}, {"%5C", '\\'}, {"%20", ' '}, {"%0A", '\n'}, {"%0D", '\r'}, {"%09", '\t'}};
    std::string out;
    const std::string_view v = t.view();
    for (size_t i = 0; i < v.size(); ++i) {
      bool escaped = false;
      for (const auto& [code, c] : kEscapes)
        if (v.substr(i, 3) == code) {
          out += c;
          i += 2;
          escaped = true;
          break;
        }
      if (!escaped) out += v[i];
    }
    return Words(CpText(out));
  };
  return plain(a) == plain(b);
}

size_t PagesField(int32_t kind) {
  switch (kind) {
    case kCustomBook: return refx::book::kPages;
    case kCustomJournal:
    case kCustomMagazine: return refx::article::kPages;
    case kCustomNewspaper: return refx::news::kPages;
    default: return SIZE_MAX;
  }
}

bool SameFields(int32_t kind, const std::vector<CpText>& a, const std::vector<CpText>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (static_cast<int>(i) == refx::NamesField(kind)) {
      if (!SameNames(a[i], b[i])) return false;
    } else if (i == PagesField(kind)) {
      if (!SamePages(a[i], b[i])) return false;
    } else if (kind == kCustomInternet && i == refx::web::kUrl) {
      if (!SameAddress(a[i], b[i])) return false;
    } else if (!SameWords(a[i], b[i])) {
      return false;
    }
  }
  return true;
}

// Shows what changed (run the target on the crash file to see it), then
// stops as a finding.
[[noreturn]] void Report(const char* trip, size_t i, const std::vector<const CCustomRecord*>& before,
                         const refx::ReadResult& after, const refx::WriteResult& written) {
  std::fprintf(stderr, "%s trip changed reference %zu; the file written:\n%s\n", trip, i,
               written.text.c_str());
  const std::vector<CpText>& a = before[i]->fields;
  const std::vector<CpText>& b = after.references[i].fields;
  for (size_t k = 0; k < a.size() || k < b.size(); ++k) {
    const char* was = k < a.size() ? a[k].c_str() : "(none)";
    const char* is = k < b.size() ? b[k].c_str() : "(none)";
    if (std::string_view(was) != is) std::fprintf(stderr, "field %zu: [%s] -> [%s]\n", k, was, is);
  }
  std::abort();
}

struct Records {
  std::vector<std::unique_ptr<CCustomRecord>> owned;
  std::vector<const CCustomRecord*> view;
};

Records AsRecords(const refx::ReadResult& read) {
  Records r;
  for (const refx::ImportedReference& ref : read.references) {
    for (const CpText& f : ref.fields)
      if (f.size() > refx::kFieldLimit) std::abort();
    auto record = std::make_unique<CCustomRecord>();
    record->customType = ref.customType;
    record->fields = ref.fields;
    r.view.push_back(record.get());
    r.owned.push_back(std::move(record));
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (refx::Format format : {refx::Format::kBibTex, refx::Format::kRis}) {
    const refx::ReadResult read = refx::ReadReferences(text, format);
    if (!read.ok) continue;
    const Records first = AsRecords(read);
    if (first.view.empty()) continue;
    const refx::WriteResult written = refx::WriteReferences(first.view, format);
    const refx::ReadResult again = refx::ReadReferences(written.text, format);
    if (!again.ok || again.references.size() != first.view.size()) std::abort();
    for (size_t i = 0; i < first.view.size(); ++i) {
      const int32_t kind = first.view[i]->customType;
      if (again.references[i].customType != kind) std::abort();
      if (!SameFields(kind, again.references[i].fields, first.view[i]->fields))
        Report("first", i, first.view, again, written);
    }
    const Records second = AsRecords(again);
    const refx::WriteResult written2 = refx::WriteReferences(second.view, format);
    const refx::ReadResult third = refx::ReadReferences(written2.text, format);
    if (!third.ok || third.references.size() != second.view.size()) std::abort();
    for (size_t i = 0; i < second.view.size(); ++i)
      if (third.references[i].fields != second.view[i]->fields) Report("second", i, second.view, third, written2);
  }
  return 0;
}
